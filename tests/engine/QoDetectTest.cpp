#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/QoLoadSource.h"
#include "support/QoPackIce.h"
#include "support/QoSamples.h"
#include "support/QoTestFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Engine classes whose Detect answers whatever flags the test sets for them.
constexpr const char* kFlagNames[] = {"TFlag0", "TFlag1", "TFlag2", "TFlag3", "TFlag4",
                                      "TFlag5", "TFlag6", "TFlag7", "TFlag8", "TFlag9"};
uint8_t gFlags[10] = {};

template <int N>
class TFlagEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = kFlagNames[N];
  explicit TFlagEngine(TQoLoadSource& s) : TQoSourceEngine(s, ClassName) {}
  static uint8_t Detect(TQoLoadSource&) { return gFlags[N]; }
};

class TDetectRaisesEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TDetectRaises";
  explicit TDetectRaisesEngine(TQoLoadSource& s) : TQoSourceEngine(s, ClassName) {}
  static uint8_t Detect(TQoLoadSource&) { qo::RaiseInternalError(); }
};

class TConstructorRaisesEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TConstructorRaises";
  explicit TConstructorRaisesEngine(TQoLoadSource& s) : TQoSourceEngine(s, ClassName) {
    throw std::runtime_error("header does not parse");
  }
  static uint8_t Detect(TQoLoadSource&) { return 15; }
};

std::vector<std::string> ClassesOf(const TQoSourceEngineList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.GetEngine(i)->EngineClass);
  return names;
}

template <int... N>
void RegisterFlagEngines(TQoEngineRegistry& registry, std::integer_sequence<int, N...>) {
  (registry.RegisterEngine(QoEngineClassOf<TFlagEngine<N>>()), ...);
}

TEST(DetectEngines, RatesByReversedFlagBitsAndKeepsRegistryOrderOnTies) {
  TQoEngineRegistry registry;
  registry.RegisterEngine(QoEngineClassOf<TDetectRaisesEngine>());
  RegisterFlagEngines(registry, std::make_integer_sequence<int, 10>());
  registry.RegisterEngine(QoEngineClassOf<TConstructorRaisesEngine>());
  // Registry order 0..9: flags 8, 10, 9, 8, 11, 14, 10, 1, 0 (declines), 0x18.
  const uint8_t flags[10] = {8, 10, 9, 8, 11, 14, 10, 1, 0, 0x18};
  std::memcpy(gFlags, flags, sizeof flags);
  uint8_t byte = 0;
  TQoMemoryLoadSource source("pic.scr", &byte, 1, false);

  const auto list = DetectEngines(source, registry);
  ASSERT_NE(list, nullptr);
  // Ratings 1, 5, 9, 1, 13, 7, 5, 8, -, 1; bits above the low four do not count.
  EXPECT_EQ(ClassesOf(*list),
            (std::vector<std::string>{"TFlag4", "TFlag2", "TFlag7", "TFlag5", "TFlag1", "TFlag6",
                                      "TFlag0", "TFlag3", "TFlag9"}));
  const int32_t ratings[] = {13, 9, 8, 7, 5, 5, 1, 1, 1};
  const uint8_t stored[] = {11, 9, 1, 14, 10, 10, 8, 8, 0x18};
  for (int i = 0; i < list->Count(); ++i) {
    EXPECT_EQ(list->GetEngine(i)->Rating, ratings[i]) << i;
    EXPECT_EQ(list->GetEngine(i)->DetectFlags, stored[i]) << i;
    EXPECT_EQ(list->GetEngine(i)->Source, &source);
  }

  // Nothing accepts: an empty list, not nil.
  std::memset(gFlags, 0, sizeof gFlags);
  const auto none = DetectEngines(source, registry);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->Count(), 0);
}

class TRatedEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TRated";
  TRatedEngine(TQoLoadSource& s, int32_t rating, const char* tag) : TQoSourceEngine(s, tag) {
    Rating = rating;
  }
};

TEST(SourceEngineList, SortIsStableHighestFirst) {
  TQoMemoryLoadSource source("x", nullptr, 0, false);
  TQoSourceEngineList list;
  const std::pair<int32_t, const char*> items[] = {{1, "a"},  {5, "b"}, {5, "c"}, {13, "d"},
                                                   {-3, "e"}, {1, "f"}, {5, "g"}, {13, "h"}};
  for (const auto& [rating, tag] : items) {
    list.Add(std::make_unique<TRatedEngine>(source, rating, tag));
  }
  list.Sort();
  EXPECT_EQ(ClassesOf(list), (std::vector<std::string>{"d", "h", "b", "c", "g", "a", "f", "e"}));
}

// Engines for the wrapper tests: one that knows a signature, one that takes a 6,912-byte
// screen (with a bonus for its own extension), one that claims ".zxb" files outright.
class TSignatureEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TSignature";
  explicit TSignatureEngine(TQoLoadSource& s) : TQoSourceEngine(s, ClassName) {}
  static uint8_t Detect(TQoLoadSource& s) { return s.Bytes().Matches(0, "ORVALON!") ? 9 : 0; }
};

class TScreenEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TScreen";
  explicit TScreenEngine(TQoLoadSource& s) : TQoSourceEngine(s, ClassName) {}
  static uint8_t Detect(TQoLoadSource& s) {
    if (s.Size != 6912) return 0;
    return s.Extension == ".scr" ? 10 : 8;
  }
};

class TZxbEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TZxb";
  explicit TZxbEngine(TQoLoadSource& s) : TQoSourceEngine(s, ClassName) {}
  static uint8_t Detect(TQoLoadSource& s) { return s.Extension == ".zxb" ? 2 : 0; }
};

const TQoEngineRegistry& WrapperRegistry() {
  static const TQoEngineRegistry registry = [] {
    TQoEngineRegistry r;
    r.RegisterEngine(QoEngineClassOf<TSignatureEngine>());
    r.RegisterEngine(QoEngineClassOf<TScreenEngine>());
    r.RegisterEngine(QoEngineClassOf<TZxbEngine>());
    return r;
  }();
  return registry;
}

Bytes Payload(std::size_t size) {
  Bytes data(size);
  std::memcpy(data.data(), "ORVALON!", 8);
  for (std::size_t i = 8; i < size; ++i) data[i] = static_cast<uint8_t>((i / 3) ^ (i % 7));
  return data;
}

Bytes Plus3Dos(const Bytes& content) {
  Bytes file(128, 0);
  std::memcpy(file.data(), "PLUS3DOS\x1A\x01\x00", 11);
  const uint32_t total = static_cast<uint32_t>(content.size() + 128);
  for (int i = 0; i < 4; ++i) file[11 + i] = static_cast<uint8_t>(total >> (8 * i));
  file[15] = 3;  // CODE
  unsigned sum = 0;
  for (int i = 0; i < 127; ++i) sum += file[i];
  file[127] = static_cast<uint8_t>(sum);
  file.insert(file.end(), content.begin(), content.end());
  return file;
}

void SetHobetaChecksum(Bytes& file) {
  unsigned sum = 0;
  for (unsigned i = 0; i < 15; ++i) sum += file[i] * 257u + i;
  file[15] = static_cast<uint8_t>(sum);
  file[16] = static_cast<uint8_t>(sum >> 8);
}

// A Hobeta file of length bytes of content, padded to whole sectors.
Bytes Hobeta(const Bytes& content) {
  const uint32_t length = static_cast<uint32_t>(content.size());
  const uint32_t sectors = (length + 255) / 256 * 256;
  Bytes file = {'S', 'C', 'R', 'E', 'E', 'N', ' ', ' ', 'C', 0x00, 0x40};
  for (uint32_t v : {length, sectors}) {
    file.push_back(static_cast<uint8_t>(v));
    file.push_back(static_cast<uint8_t>(v >> 8));
  }
  file.resize(17);
  SetHobetaChecksum(file);
  file.insert(file.end(), content.begin(), content.end());
  file.resize(17 + sectors, 0);
  return file;
}

struct Loaded {
  TQoTempFile File;
  TQoLoadSourceEx Source;
  Loaded(const std::string& name, const Bytes& bytes)
      : File(name, bytes), Source(File.Path(), WrapperRegistry()) {}
};

TEST(Unwrap, Plus3Dos) {
  const Bytes content = Payload(300);
  Loaded good("pic.bin", Plus3Dos(content));
  EXPECT_EQ(good.Source.Wrapper, TQoWrapper::Plus3Dos);
  EXPECT_STREQ(QoWrapperName(good.Source.Wrapper), "+3DOS");
  ASSERT_NE(good.Source.InnerSource, nullptr);
  TQoLoadSource& inner = *good.Source.InnerSource;
  EXPECT_EQ(inner.Name, "file.dat");
  EXPECT_EQ(inner.Extension, ".dat");
  EXPECT_EQ(inner.Size, 300);
  EXPECT_EQ(inner.Data, good.Source.Data + 128);
  EXPECT_EQ(inner.GetCompanion("pic.bin"), nullptr);  // the inner data has no folder
  ASSERT_EQ(ClassesOf(*good.Source.Engines), std::vector<std::string>{"TSignature"});
  EXPECT_EQ(good.Source.Engines->GetEngine(0)->Source, good.Source.InnerSource.get());

  Bytes badLength = Plus3Dos(content);
  badLength[11] += 1;
  badLength[127] += 1;  // checksum kept right
  Bytes badChecksum = Plus3Dos(content);
  badChecksum[127] += 1;
  Bytes badSignature = Plus3Dos(content);
  badSignature[8] = 0x1B;
  badSignature[127] += 1;
  for (const Bytes& bad : {badLength, badChecksum, badSignature, Plus3Dos(Bytes())}) {
    Loaded loaded("pic.bin", bad);
    ASSERT_NE(loaded.Source.Engines, nullptr);
    EXPECT_EQ(loaded.Source.Engines->Count(), 0);
    EXPECT_EQ(loaded.Source.Wrapper, TQoWrapper::None);
    EXPECT_EQ(loaded.Source.InnerSource, nullptr);
    EXPECT_EQ(QoWrapperName(loaded.Source.Wrapper), nullptr);
  }

  // A file some engine takes as it is keeps its wrapper.
  Loaded taken("pic.zxb", Plus3Dos(content));
  EXPECT_EQ(ClassesOf(*taken.Source.Engines), std::vector<std::string>{"TZxb"});
  EXPECT_EQ(taken.Source.InnerSource, nullptr);
}

TEST(Unwrap, Hobeta) {
  const Bytes screen = Payload(6912);
  const Bytes file = Hobeta(screen);
  ASSERT_EQ(file.size(), 6929u);
  Loaded loaded("pic.$c", file);
  EXPECT_EQ(loaded.Source.Wrapper, TQoWrapper::Hobeta);
  ASSERT_NE(loaded.Source.InnerSource, nullptr);
  EXPECT_EQ(loaded.Source.InnerSource->Name, "file.dat");
  EXPECT_EQ(loaded.Source.InnerSource->Size, 6912);
  EXPECT_EQ(loaded.Source.InnerSource->Data, loaded.Source.Data + 17);
  // Signature first; the screen engine sees "file.dat", so no extension bonus.
  ASSERT_EQ(ClassesOf(*loaded.Source.Engines), (std::vector<std::string>{"TSignature", "TScreen"}));
  EXPECT_EQ(loaded.Source.Engines->GetEngine(1)->Rating, 1);

  // The content length need not fill the last sector.
  Loaded partial("pic.$c", Hobeta(Payload(6000)));
  ASSERT_NE(partial.Source.InnerSource, nullptr);
  EXPECT_EQ(partial.Source.InnerSource->Size, 6000);
  EXPECT_EQ(partial.Source.Engines->Count(), 1);

  Bytes badChecksum = file;
  badChecksum[15] ^= 1;
  Bytes badSectors = file;  // a sector count that disagrees with the length
  badSectors[14] += 1;
  SetHobetaChecksum(badSectors);
  Bytes zeroLength = file;
  zeroLength[11] = zeroLength[12] = 0;
  SetHobetaChecksum(zeroLength);
  Bytes longer = file;
  longer.push_back(0);
  for (const Bytes& bad : {badChecksum, badSectors, zeroLength, longer}) {
    Loaded l("pic.$c", bad);
    EXPECT_EQ(l.Source.Wrapper, TQoWrapper::None);
    EXPECT_EQ(l.Source.Engines->Count(), 0);
  }
}

TEST(Unwrap, PackIceBothMagics) {
  for (TQoIceFormat format : {TQoIceFormat::Words, TQoIceFormat::Bytes}) {
    const Bytes content = Payload(4000);
    Loaded loaded("pic.pc1", QoPackIce(content, format));
    EXPECT_EQ(loaded.Source.Wrapper, TQoWrapper::PackIce);
    EXPECT_STREQ(QoWrapperName(loaded.Source.Wrapper), "Pack-Ice");
    ASSERT_NE(loaded.Source.InnerSource, nullptr);
    const TQoLoadSource& inner = *loaded.Source.InnerSource;
    EXPECT_EQ(inner.Name, "file.dat");
    EXPECT_EQ(Bytes(inner.Data, inner.Data + inner.Size), content);
    EXPECT_EQ(ClassesOf(*loaded.Source.Engines), std::vector<std::string>{"TSignature"});
  }
}

TEST(Unwrap, OnlyOneLevel) {
  Loaded loaded("pic.ice", QoPackIce(Plus3Dos(Payload(500)), TQoIceFormat::Bytes));
  EXPECT_EQ(loaded.Source.Wrapper, TQoWrapper::PackIce);
  ASSERT_NE(loaded.Source.InnerSource, nullptr);
  EXPECT_EQ(loaded.Source.InnerSource->InnerSource, nullptr);
  ASSERT_NE(loaded.Source.Engines, nullptr);
  EXPECT_EQ(loaded.Source.Engines->Count(), 0);
}

// A file whose first 17 bytes read both as a Pack-Ice header and as a Hobeta header:
//   0 "Ice!"  4 packed length = file size  8 unpacked length (bytes 8-11)
//   11 Hobeta length 6,912 (its low byte is the last byte of the unpacked length)
//   13 sectors 6,912  15 checksum, then 6,912 bytes of screen.
Bytes IceAndHobeta(uint8_t unpackedTop, Bytes screen) {
  Bytes file = {'I',         'c',  'e',  '!',  0,    0,    0x1B, 0x11,
                unpackedTop, 0x00, 0x10, 0x00, 0x1B, 0x00, 0x1B};
  file.resize(17);
  SetHobetaChecksum(file);
  file.insert(file.end(), screen.begin(), screen.end());
  return file;
}

TEST(Unwrap, BrokenPackIceIsTriedAsHobeta) {
  Bytes screen = Payload(6912);
  // The first bit unit (the last four bytes) is zero: it has no marker, so depacking fails.
  std::fill(screen.end() - 4, screen.end(), 0);
  const Bytes file = IceAndHobeta(0x00, screen);
  ASSERT_EQ(file.size(), 6929u);
  ASSERT_TRUE(QoIsPackIceHeader(TQoByteView(file.data(), file.size())));
  ASSERT_TRUE(QoIsHobetaHeader(TQoByteView(file.data(), file.size())));
  Loaded broken("pic.bin", file);
  EXPECT_EQ(broken.Source.Wrapper, TQoWrapper::Hobeta);
  ASSERT_NE(broken.Source.InnerSource, nullptr);
  EXPECT_EQ(broken.Source.InnerSource->Size, 6912);
  EXPECT_EQ(ClassesOf(*broken.Source.Engines), (std::vector<std::string>{"TSignature", "TScreen"}));

  // An unpacked length far above any sane allocation is refused the same way.
  Loaded lying("pic.bin", IceAndHobeta(0x7F, Payload(6912)));
  EXPECT_EQ(lying.Source.Wrapper, TQoWrapper::Hobeta);
}

// Takes any content named "file.dat", so a test sees what was unwrapped.
class TAnyInner : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TAnyInner";
  explicit TAnyInner(TQoLoadSource& s) : TQoSourceEngine(s, ClassName) {}
  static uint8_t Detect(TQoLoadSource& s) { return s.Name == "file.dat" ? 8 : 0; }
};

TEST(Unwrap, RealPlus3DosFile) {
  QO_REQUIRE_SAMPLES();
  const std::vector<TQoSample> samples = QoSamples("zx-plus3dos");
  if (samples.empty()) GTEST_SKIP() << "no +3DOS sample";
  TQoEngineRegistry registry;
  registry.RegisterEngine(QoEngineClassOf<TAnyInner>());
  for (const TQoSample& sample : samples) {
    TQoLoadSourceEx source(sample.Path, registry);
    ASSERT_EQ(source.Size, sample.Size) << sample.File;
    EXPECT_EQ(source.Wrapper, TQoWrapper::Plus3Dos) << sample.File;
    ASSERT_NE(source.InnerSource, nullptr);
    EXPECT_EQ(source.InnerSource->Size, sample.Size - 128);
    EXPECT_EQ(source.Engines->Count(), 1);
  }
}

}  // namespace
