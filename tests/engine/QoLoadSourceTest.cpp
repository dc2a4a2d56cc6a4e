#include "engine/QoLoadSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/QoTestFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Content(const TQoLoadSourceRec& rec) {
  return Bytes(rec.Data, rec.Data + rec.Size);
}

TEST(FileLoadSource, ReadsTheWholeFile) {
  TQoTempFolder folder;
  const Bytes bytes = {1, 2, 3, 4, 5};
  const std::string path = folder.Write("Pic.SCR", bytes);
  TQoFileLoadSource source(path);
  EXPECT_EQ(source.Name, "Pic.SCR");
  EXPECT_EQ(source.Extension, ".scr");
  ASSERT_EQ(source.Size, 5);
  EXPECT_EQ(Bytes(source.Data, source.Data + 5), bytes);
  EXPECT_EQ(source.Folder(), path.substr(0, path.size() - 7));
  EXPECT_EQ(source.Folder().back(), static_cast<char>(std::filesystem::path::preferred_separator));
  EXPECT_EQ(source.InnerSource, nullptr);
  // The main file is the first cache entry, whatever case it is asked for in.
  const TQoLoadSourceRec* self = source.GetCompanion("pic.scr");
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(self->Data, source.Data);
}

TEST(FileLoadSource, ExtensionsAreLowerCasedWithTheirDot) {
  TQoTempFolder folder;
  const std::pair<const char*, const char*> cases[] = {
      {"a.b.PALS", ".pals"}, {"noext", ""}, {"trail.", "."}, {"screen.$C", ".$c"}};
  for (const auto& [name, extension] : cases) {
    TQoFileLoadSource source(folder.Write(name, Bytes{7}));
    EXPECT_EQ(source.Name, name);
    EXPECT_EQ(source.Extension, extension) << name;
  }
}

TEST(FileLoadSource, UnusableFilesLeaveTheSourceEmpty) {
  TQoTempFolder folder;
  std::filesystem::create_directory(folder.Path() / "dir.scr");
  const std::string paths[] = {
      folder.PathOf("missing.scr"),
      folder.Write("empty.scr", Bytes()),
      folder.WriteZeros("huge.scr", TQoFileLoadSource::kMaxFileSize),
      folder.PathOf("dir.scr"),
  };
  for (const std::string& path : paths) {
    TQoFileLoadSource source(path);
    EXPECT_EQ(source.Size, 0) << path;
    EXPECT_EQ(source.Data, nullptr) << path;
    TQoLoadSourceEx withEngines(path, TQoEngineRegistry());
    EXPECT_EQ(withEngines.Engines, nullptr) << path;
  }
}

TEST(FileLoadSource, CompanionsIgnoreCase) {
  TQoTempFolder folder;
  TQoFileLoadSource source(folder.Write("PIC.SCR", Bytes{1}));
  folder.Write("pic.PALS", Bytes{9, 8, 7});
  const TQoLoadSourceRec* palette = source.GetCompanion("PIC.pals");
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->Name, "PIC.pals");  // as asked for, not as found on the disk
  EXPECT_EQ(palette->Extension, ".pals");
  EXPECT_EQ(Content(*palette), (Bytes{9, 8, 7}));
  EXPECT_EQ(source.GetCompanion("PIC.PAL"), nullptr);
  EXPECT_EQ(source.GetCompanion(""), nullptr);
  folder.Write("\xC3\xA9t\xC3\xA9.pal", Bytes{1});
#ifndef _WIN32
  // Our own folding is ASCII only: a name that differs in a non-ASCII letter's case is
  // another file (Windows file systems fold those themselves).
  EXPECT_EQ(source.GetCompanion("\xC3\x89T\xC3\x89.pal"), nullptr);
#endif
  EXPECT_NE(source.GetCompanion("\xC3\xA9T\xC3\xA9.PAL"), nullptr);
}

TEST(FileLoadSource, CompanionsAreReadOnce) {
  TQoTempFolder folder;
  TQoFileLoadSource source(folder.Write("pic.scr", Bytes{1}));
  folder.Write("pic.pal", Bytes{4, 5});
  const TQoLoadSourceRec* first = source.GetCompanion("pic.pal");
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(folder.Remove("pic.pal"));
  // Gone from the disk, still in the cache, under any case; earlier entries stay put
  // while later ones are added.
  EXPECT_EQ(source.GetCompanion("PIC.PAL"), first);
  folder.Write("pic.pal2", Bytes{6});
  ASSERT_NE(source.GetCompanion("pic.pal2"), nullptr);
  EXPECT_EQ(source.GetCompanion("Pic.Pal"), first);
  EXPECT_EQ(Content(*first), (Bytes{4, 5}));
}

TEST(FileLoadSource, CompanionSizeLimit) {
  TQoTempFolder folder;
  TQoFileLoadSource source(folder.Write("pic.scr", Bytes{1}));
  const int64_t limit = TQoFileLoadSource::kMaxFileSize;
  ASSERT_EQ(limit, 10485760);
  folder.WriteZeros("at.pal", static_cast<std::uintmax_t>(limit));
  folder.WriteZeros("below.pal", static_cast<std::uintmax_t>(limit - 1));
  EXPECT_EQ(source.GetCompanion("at.pal"), nullptr);
  const TQoLoadSourceRec* below = source.GetCompanion("below.pal");
  ASSERT_NE(below, nullptr);
  EXPECT_EQ(below->Size, limit - 1);
  // An empty companion is a file too, with no data.
  folder.Write("empty.pal", Bytes());
  const TQoLoadSourceRec* empty = source.GetCompanion("empty.pal");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Size, 0);
  EXPECT_EQ(empty->Data, nullptr);
}

TEST(FileLoadSource, PathWithoutFolder) {
  TQoTempFolder folder;
  folder.Write("Pic.Scr", Bytes{3, 3});
  folder.Write("pic.pal", Bytes{4});
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  TQoFileLoadSource source("PIC.SCR");
  const TQoLoadSourceRec* palette = source.GetCompanion("PIC.PAL");
  std::filesystem::current_path(before);
  EXPECT_EQ(source.Folder(), "");
  EXPECT_EQ(source.Size, 2);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->Size, 1);
}

TEST(MemoryLoadSource, BorrowsOrOwns) {
  const uint8_t bytes[] = {1, 2, 3};
  TQoMemoryLoadSource borrowed("Inner.TAP", bytes, 3, false);
  EXPECT_EQ(borrowed.Name, "Inner.TAP");
  EXPECT_EQ(borrowed.Extension, ".tap");
  EXPECT_EQ(borrowed.Data, bytes);
  EXPECT_EQ(borrowed.Size, 3);
  EXPECT_EQ(borrowed.OwnsData, 0);
  EXPECT_EQ(borrowed.GetCompanion("Inner.TAP"), nullptr);

  // Owned buffers are freed with the source (the sanitizer run would report a leak).
  uint8_t* heap = new uint8_t[4]{4, 3, 2, 1};
  TQoMemoryLoadSource owning("x.bin", heap, 4, true);
  EXPECT_EQ(owning.OwnsData, 1);
  EXPECT_EQ(owning.Data, heap);

  TQoMemoryLoadSource moved("file.dat", Bytes{5, 6});
  EXPECT_EQ(moved.OwnsData, 1);
  ASSERT_EQ(moved.Size, 2);
  EXPECT_EQ(moved.Data[1], 6);
}

// An engine that reads its file when it is freed, as an engine's cleanup might: the
// load source must still hold the data then.
uint8_t gSeenAtExit = 0;
class TReadsAtExitEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TReadsAtExit";
  explicit TReadsAtExitEngine(TQoLoadSource& s) : TQoSourceEngine(s, ClassName) {
    palette_ = s.GetCompanion("PIC.PAL");
    if (!palette_) qo::RaiseInternalError();
  }
  ~TReadsAtExitEngine() override { gSeenAtExit = Bytes().U8(0) + palette_->Data[0]; }
  static uint8_t Detect(TQoLoadSource& s) { return s.GetCompanion("PIC.PAL") ? 8 : 0; }

 private:
  const TQoLoadSourceRec* palette_;
};

TEST(LoadSourceEx, EnginesUseCompanionsAndGoFirst) {
  TQoTempFolder folder;
  const std::string path = folder.Write("pic.scr", Bytes{40});
  TQoEngineRegistry registry;
  registry.RegisterEngine(QoEngineClassOf<TReadsAtExitEngine>());
  {
    TQoLoadSourceEx without(path, registry);
    ASSERT_NE(without.Engines, nullptr);
    EXPECT_EQ(without.Engines->Count(), 0);
    EXPECT_EQ(without.Wrapper, TQoWrapper::None);
  }
  folder.Write("Pic.Pal", Bytes{2});
  gSeenAtExit = 0;
  {
    TQoLoadSourceEx with(path, registry);
    ASSERT_NE(with.Engines, nullptr);
    ASSERT_EQ(with.Engines->Count(), 1);
    EXPECT_EQ(with.Engines->GetEngine(0)->Source, &with);
    EXPECT_EQ(with.Engines->GetEngine(0)->FileName, "pic.scr");
  }
  EXPECT_EQ(gSeenAtExit, 42);
}

}  // namespace
