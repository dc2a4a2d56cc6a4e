#include "cli/QoCli.h"

#include <gif_lib.h>

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/QoCliAnimate.h"
#include "export/QoExport.h"
#include "platforms/QoPlatformModules.h"

namespace fs = std::filesystem;

namespace {

// A made-up format: "TOY!" then a width and height byte and one index byte per pixel;
// two palettes, two frames, pixels twice as wide as high.
class TToyEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TToyEngine";
  static uint8_t Detect(TQoLoadSource& source) {
    if (!source.Bytes().Matches(0, "TOY!")) return 0;
    return source.Extension == ".toy" ? 11 : 9;
  }
  explicit TToyEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
    PlatformName = "Toy";
    DefaultExtension = ".toy";
    if (source.Size > 0) {
      Width = Bytes().U8(4);
      Height = Bytes().U8(5);
    }
    ColorDepth = 2;
    FrameCount = 2;
    PaletteTypes = {ptRGB888, ptBW};
    PaletteType = ptRGB888;
    CalcModes = 2;
    AspectIndex = 47;
    InfoTitle = "a \"quoted\" title";
    AddCycleRange(1, 3, 1, 4);
  }
  std::unique_ptr<TQoBitmap> Decode() override {
    Palette->Clear();
    if (PaletteType == ptBW) {
      for (int i = 0; i < 4; ++i)
        Palette->Add(static_cast<uint8_t>(i * 85), static_cast<uint8_t>(i * 85),
                     static_cast<uint8_t>(i * 85));
    } else {
      Palette->Add(0x000000);
      Palette->Add(0xFF0000);
      Palette->Add(0x00FF00);
      Palette->Add(0x0000FF);
    }
    auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
    TQoBitmap* first = bmp->AddFrame(Palette.get());
    bmp->AddFrame(Palette.get());
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) {
        const uint8_t value = Bytes().U8(static_cast<std::size_t>(6 + y * Width + x));
        bmp->SetPixel(x, y, value);
        first->SetPixel(x, y, 3u - value);
      }
    }
    return bmp;
  }
};

// The toy without cycling: its two screens are what an animation shows.
class TToyScreensEngine : public TToyEngine {
 public:
  static constexpr const char* ClassName = "TToyScreensEngine";
  static uint8_t Detect(TQoLoadSource& source) {
    return source.Extension == ".scn" && source.Bytes().Matches(0, "TOY!") ? 2 : 0;
  }
  explicit TToyScreensEngine(TQoLoadSource& source) : TToyEngine(source) {
    EngineClass = ClassName;
    PlatformName = "Toy screens";
    DefaultExtension = ".scn";
    Description = " flicker image";
    CycleRanges.Count = 0;
  }
};

struct CliFixture : ::testing::Test {
  TQoEngineRegistry registry;
  fs::path folder;
  std::ostringstream out, err;

  void SetUp() override {
    registry.RegisterEngine(QoEngineClassOf<TToyEngine>());
    folder = fs::temp_directory_path() /
             ("orvalon-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = folder / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::string Toy(const std::string& name) {
    return Write(name, std::string("TOY!\x03\x02", 6) + std::string("\x00\x01\x02\x03\x02\x01", 6));
  }
  int Run(std::vector<std::string> args) { return QoRunCli(args, out, err, registry); }
};

TEST_F(CliFixture, FormatsListsTheRegistryAsTextOrJsonAndFiltersByPlatform) {
  registry.RegisterEngine(QoEngineClassOf<TToyScreensEngine>());
  EXPECT_EQ(Run({"formats"}), qeSuccess);
  EXPECT_EQ(
      out.str(),
      "0\tTToyEngine\tToy\t.toy\timage\n1\tTToyScreensEngine\tToy screens\t.scn\tflicker image\n");
  out.str("");
  EXPECT_EQ(Run({"formats", "--json", "--platform", "TOY SCREENS"}), qeSuccess);
  EXPECT_EQ(out.str(),
            "[{\"index\": 1, \"class\": \"TToyScreensEngine\", \"platform\": \"Toy screens\", "
            "\"module\": \"\", \"defaultExtension\": \".scn\", \"description\": \"flicker "
            "image\"}]\n");
  EXPECT_EQ(Run({"formats", "--platform", "Nope"}), qeUsage);
  EXPECT_NE(err.str().find("known: Toy, Toy screens"), std::string::npos) << err.str();

  // The real registry: every class names a platform, through its module at least.
  std::ostringstream all, none;
  ASSERT_EQ(QoRunCli({"formats", "--json"}, all, none, QoDefaultRegistry()), qeSuccess);
  EXPECT_EQ(all.str().find("\"platform\": \"\""), std::string::npos);
  EXPECT_EQ(all.str().front(), '[');
}

TEST_F(CliFixture, InfoJsonDescribesEveryEngine) {
  const std::string toy = Toy("pic.toy");
  EXPECT_EQ(Run({"info", toy, "--json"}), qeSuccess);
  const std::string json = out.str();
  std::string escaped;  // Windows paths carry backslashes, escaped in JSON
  for (char c : toy) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_NE(json.find("\"file\": \"" + escaped + "\", \"size\": 12, \"wrapper\": null"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"class\": \"TToyEngine\", \"name\": \"Toy 3x2x2@2 image\", \"flags\": 11, "
                      "\"rating\": 13"),
            std::string::npos)
      << json;
  EXPECT_NE(
      json.find("\"paletteTypes\": [\"RGB888\", \"Black/white\"], \"paletteType\": \"RGB888\""),
      std::string::npos)
      << json;
  EXPECT_NE(json.find("\"aspectIndex\": 47, \"aspectOffered\": [28, 47]"), std::string::npos)
      << json;
  EXPECT_NE(json.find("\"infoTitle\": \"a \\\"quoted\\\" title\""), std::string::npos) << json;
  EXPECT_NE(
      json.find("\"cycleRanges\": [{\"low\": 1, \"high\": 3, \"reverse\": true, \"delay\": 4}]"),
      std::string::npos)
      << json;

  out.str("");
  const std::string other = Write("other.bin", "nothing here");
  EXPECT_EQ(Run({"info", toy, other, "--json"}), qeNoEngine);
  EXPECT_EQ(out.str().front(), '[');
  EXPECT_NE(out.str().find("\"engines\": []"), std::string::npos);
  EXPECT_NE(err.str().find(other + ": no engine accepts this file"), std::string::npos);
}

TEST_F(CliFixture, ConvertWritesAnIndexedPngEnlargedForTheAspect) {
  const std::string toy = Toy("pic.toy");
  const std::string target = (folder / "out.png").string();
  ASSERT_EQ(Run({"convert", toy, "-o", target, "--palette", "Black/white"}), qeSuccess)
      << err.str();
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, target.c_str()));
  EXPECT_EQ(image.width, 6u);  // 2:1 pixels: each one twice as wide
  EXPECT_EQ(image.height, 2u);
  EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_COLORMAP);
  EXPECT_EQ(image.colormap_entries, 4u);
  png_image_free(&image);

  EXPECT_EQ(
      Run({"convert", toy, "-o", (folder / "native.bmp").string(), "--native", "--frame", "0"}),
      qeSuccess);
  std::ifstream bmp(folder / "native.bmp", std::ios::binary);
  std::string header(26, '\0');
  bmp.read(header.data(), 26);
  EXPECT_EQ(header.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<uint8_t>(header[18]), 3);  // native width

  // Without -o the picture goes beside the input.
  EXPECT_EQ(Run({"convert", toy}), qeSuccess);
  EXPECT_TRUE(fs::exists(folder / "pic.png"));
}

TEST_F(CliFixture, SelectionsNotOfferedAreUsageErrorsThatListTheChoices) {
  const std::string toy = Toy("pic.toy");
  const std::string target = (folder / "x.png").string();
  EXPECT_EQ(Run({"convert", toy, "-o", target, "--palette", "Nope"}), qeUsage);
  EXPECT_NE(err.str().find("available: RGB888, Black/white"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"convert", toy, "-o", target, "--engine", "3"}), qeUsage);
  EXPECT_NE(err.str().find("available: 0 (Toy 3x2x2@2 image)"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"convert", toy, "-o", target, "--calc", "standard"}), qeUsage);
  EXPECT_EQ(Run({"convert", toy, "-o", target, "--aspect", "9"}), qeUsage);
  EXPECT_EQ(Run({"convert", toy, "-o", target, "--frame", "2"}), qeUsage);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(Run({"convert", toy, toy, "-o", target}), qeUsage);
  EXPECT_EQ(Run({"convert", toy, "-o", (folder / "x.tga").string()}), qeUsage);
  EXPECT_EQ(Run({"frobnicate"}), qeUsage);
  EXPECT_EQ(Run({}), qeUsage);
  EXPECT_EQ(Run({"--help"}), qeSuccess);
  // Help right after a command is help, not an unknown option; nothing is converted.
  EXPECT_EQ(Run({"convert", "--help"}), qeSuccess);
  EXPECT_EQ(Run({"thumbnail", "-h"}), qeSuccess);
}

TEST_F(CliFixture, BatchesGoOnPastBadFiles) {
  const std::string a = Toy("a.toy");
  const std::string missing = (folder / "missing.toy").string();
  const std::string b = Toy("b.toy");
  fs::create_directories(folder / "out");
  EXPECT_EQ(Run({"convert", a, missing, b, "-d", (folder / "out").string()}), qeFileError);
  EXPECT_TRUE(fs::exists(folder / "out" / "a.png"));
  EXPECT_TRUE(fs::exists(folder / "out" / "b.png"));
  EXPECT_NE(err.str().find(missing + ": cannot read: no such file"), std::string::npos)
      << err.str();
}

TEST_F(CliFixture, PaletteFileAndUnwritableTargets) {
  const std::string toy = Toy("pic.toy");
  const std::string pal = (folder / "pic.pal").string();
  EXPECT_EQ(Run({"palette", toy, "-o", pal}), qeSuccess) << err.str();
  std::ifstream in(pal, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "JASC-PAL\r\n0100\r\n4\r\n0 0 0\r\n255 0 0\r\n0 255 0\r\n0 0 255\r\n");
  const std::string unwritable = (folder / "no" / "such" / "folder.png").string();
  EXPECT_EQ(Run({"convert", toy, "-o", unwritable}), qeFileError);
  EXPECT_NE(err.str().find(unwritable), std::string::npos);
}

}  // namespace

TEST_F(CliFixture, ThumbnailFitsTheBoxWithTheAspect) {
  const std::string toy = Toy("t.toy");  // 3 x 2 pixels twice as wide as high
  const std::string png = (folder / "t.png").string();
  EXPECT_EQ(Run({"thumbnail", toy, "-o", png, "--size", "60x60"}), qeSuccess) << err.str();
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str()));
  EXPECT_EQ(60u, image.width);  // displayed 6 x 2
  EXPECT_EQ(20u, image.height);
  png_image_free(&image);

  EXPECT_EQ(Run({"thumbnail", toy, "--size", "60"}), qeUsage);
  EXPECT_EQ(Run({"thumbnail", Write("n.bin", "nothing")}), qeNoEngine);
}

TEST_F(CliFixture, FilesSharingANameKeepTheirExtensionsInTheOutput) {
  const std::string a = Toy("pic.toy");
  const std::string b = Write("pic.alt", std::string("TOY!\x01\x01\x02", 7));
  const std::string c = Toy("other.toy");
  EXPECT_EQ(Run({"convert", a, b, c}), qeSuccess) << err.str();
  EXPECT_TRUE(fs::exists(folder / "pic.toy.png"));
  EXPECT_TRUE(fs::exists(folder / "pic.alt.png"));
  EXPECT_TRUE(fs::exists(folder / "other.png"));

  // The same name from two folders, gathered into one: numbered in input order, compared
  // without case, and neither picture lost; two jobs give the same names.
  for (const char* name : {"x/pic.toy", "y/pic.toy", "z/PIC.TOY"}) {
    fs::create_directories((folder / name).parent_path());
    Toy(name);
  }
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> batches = {
      {{"x/pic.toy", "y/pic.toy"}, {"pic.toy.png", "pic.toy-2.png"}},
      {{"x/pic.toy", "z/PIC.TOY"}, {"pic.png", "PIC-2.png"}}};
  for (const auto& [inputs, outputs] : batches) {
    for (const char* jobs : {"1", "2"}) {
      fs::remove_all(folder / "out");
      std::vector<std::string> args{"convert", "-d", (folder / "out").string(), "-j", jobs};
      for (const std::string& input : inputs) args.push_back((folder / input).string());
      EXPECT_EQ(Run(args), qeSuccess) << err.str();
      for (const std::string& output : outputs) EXPECT_TRUE(fs::exists(folder / "out" / output));
      EXPECT_EQ(2, std::distance(fs::directory_iterator(folder / "out"), fs::directory_iterator()));
    }
  }
}

namespace {

// The frames of a GIF file: their delays and the colour each index shows in them.
struct TGifFrames {
  int Count = 0;
  bool Loops = false;
  std::vector<int> Delays;
  std::vector<std::vector<uint32_t>> Colors;  // 0xRRGGBB by index, per frame
};

// The file's bytes, read by giflib from memory (no text-mode opens on Windows).
struct TGifInput {
  std::string Bytes;
  std::size_t At = 0;
};

int ReadGifBytes(GifFileType* gif, GifByteType* into, int length) {
  auto* input = static_cast<TGifInput*>(gif->UserData);
  const std::size_t count =
      std::min(static_cast<std::size_t>(length), input->Bytes.size() - input->At);
  std::copy_n(input->Bytes.data() + input->At, count, into);
  input->At += count;
  return static_cast<int>(count);
}

TGifFrames ReadGif(const std::string& path) {
  TGifFrames frames;
  std::ifstream in(path, std::ios::binary);
  TGifInput input{
      std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())};
  int error = 0;
  GifFileType* gif = DGifOpen(&input, ReadGifBytes, &error);
  if (!gif || DGifSlurp(gif) != GIF_OK) {
    ADD_FAILURE() << "cannot read " << path;
    if (gif) DGifCloseFile(gif, &error);
    return frames;
  }
  frames.Count = gif->ImageCount;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    GraphicsControlBlock control{};
    DGifSavedExtensionToGCB(gif, i, &control);
    frames.Delays.push_back(control.DelayTime);
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    std::vector<uint32_t> colors;
    for (int c = 0; c < map->ColorCount; ++c) {
      const GifColorType& rgb = map->Colors[c];
      colors.push_back(static_cast<uint32_t>(rgb.Red << 16 | rgb.Green << 8 | rgb.Blue));
    }
    frames.Colors.push_back(colors);
    for (int e = 0; e < image.ExtensionBlockCount; ++e) {
      const ExtensionBlock& block = image.ExtensionBlocks[e];
      if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
          std::string(reinterpret_cast<const char*>(block.Bytes), 11) == "NETSCAPE2.0") {
        frames.Loops = true;
      }
    }
  }
  DGifCloseFile(gif, &error);
  return frames;
}

}  // namespace

// Two ranges at their own delays: range 0-1 moves every 3 ticks (back after 6), range 2-3
// every 2 (back after 4), so the whole cycle lasts 12 ticks, 1/5 s, with a new frame at
// each tick where either moves.
TEST(CliAnimationTest, ColourCyclingCoversOnePeriodOfAllRanges) {
  TQoPalette256 palette;
  for (uint32_t c : {0x110000u, 0x220000u, 0x003300u, 0x004400u}) palette.Add(c);
  auto picture = std::make_unique<TQoBitmap4>(4, 1, &palette);
  for (int x = 0; x < 4; ++x) picture->SetPixel(x, 0, static_cast<uint32_t>(x));
  TQoCycleRanges ranges;
  ranges.Count = 2;
  ranges.Items[0] = {.Low = 0, .High = 1, .Reverse = 0, .Delay = 3};
  ranges.Items[1] = {.Low = 2, .High = 3, .Reverse = 1, .Delay = 2};
  const TQoAnimation animation = QoCycleAnimation(std::move(picture), ranges);
  EXPECT_FALSE(animation.Truncated);
  const fs::path path = fs::temp_directory_path() / "orvalon-cycle-test.gif";
  QoWriteFile(path.string(), QoEncodeAnimatedGif(animation));
  const TGifFrames gif = ReadGif(path.string());
  fs::remove(path);
  // Changes at ticks 2, 3, 4, 6, 8, 9, 10; the delays are the rounded times between.
  ASSERT_EQ(gif.Count, 8);
  EXPECT_EQ(gif.Delays, (std::vector<int>{3, 2, 2, 3, 3, 2, 2, 3}));
  EXPECT_TRUE(gif.Loops);
  using C = std::vector<uint32_t>;
  EXPECT_EQ(gif.Colors[0], (C{0x110000, 0x220000, 0x003300, 0x004400}));
  EXPECT_EQ(gif.Colors[1], (C{0x110000, 0x220000, 0x004400, 0x003300}));  // tick 2
  EXPECT_EQ(gif.Colors[2], (C{0x220000, 0x110000, 0x004400, 0x003300}));  // tick 3
  EXPECT_EQ(gif.Colors[3], (C{0x220000, 0x110000, 0x003300, 0x004400}));  // tick 4
  EXPECT_EQ(gif.Colors[7], (C{0x220000, 0x110000, 0x004400, 0x003300}));  // tick 10

  // A range that moves every tick for ever is cut at the frame cap.
  TQoCycleRanges fast;
  fast.Count = 2;
  fast.Items[0] = {.Low = 0, .High = 250, .Reverse = 0, .Delay = 1};
  fast.Items[1] = {.Low = 0, .High = 1, .Reverse = 0, .Delay = 7};
  auto big = std::make_unique<TQoBitmap8>(2, 2, &palette);
  const TQoAnimation cut = QoCycleAnimation(std::move(big), fast);
  EXPECT_TRUE(cut.Truncated);
  EXPECT_EQ(static_cast<int>(cut.Frames.size()), kQoMaxAnimationFrames);
}

TEST_F(CliFixture, AnimateWritesCyclingOrBothScreensAndRefusesStillPictures) {
  registry.RegisterEngine(QoEngineClassOf<TToyScreensEngine>());
  const std::string toy = Toy("pic.toy");  // range 1-3 reversed, every 4 ticks
  ASSERT_EQ(Run({"convert", toy, "--animate"}), qeSuccess) << err.str();
  const TGifFrames cycling = ReadGif((folder / "pic.gif").string());
  ASSERT_EQ(cycling.Count, 3);
  EXPECT_EQ(cycling.Delays, (std::vector<int>{7, 6, 7}));
  EXPECT_EQ(cycling.Colors[1][1], 0x00FF00u);  // each entry takes the colour above it

  const std::string screens = Write("two.scn", std::string("TOY!\x02\x01\x00\x01", 8));
  const std::string gif = (folder / "two.gif").string();
  ASSERT_EQ(Run({"convert", screens, "--engine", "1", "--animate", "-o", gif}), qeSuccess)
      << err.str();
  const TGifFrames flicker = ReadGif(gif);
  ASSERT_EQ(flicker.Count, 2);
  EXPECT_EQ(flicker.Delays, (std::vector<int>{2, 2}));

  EXPECT_EQ(Run({"convert", toy, "--animate", "-o", (folder / "x.png").string()}), qeUsage);
  EXPECT_EQ(Run({"thumbnail", toy, "--animate"}), qeUsage);
  // A ZX Spectrum screen neither cycles nor flickers.
  const std::string still = Write("still.scr", std::string(6144, '\x55'));
  std::ostringstream stillOut, stillErr;
  EXPECT_EQ(QoRunCli({"convert", still, "--animate"}, stillOut, stillErr, QoDefaultRegistry()),
            qeFileError);
  EXPECT_NE(stillErr.str().find(still + ": nothing to animate"), std::string::npos)
      << stillErr.str();
  EXPECT_FALSE(fs::exists(folder / "still.gif"));
}

TEST_F(CliFixture, BatchesKeepInputOrderOnManyJobsAndMakeTheFolder) {
  std::vector<std::string> args = {"convert"};
  std::string expected;
  const fs::path outDir = folder / "new" / "deeper";
  for (int i = 0; i < 12; ++i) {
    const std::string name = "p" + std::to_string(i);
    const std::string path = i == 5 ? (folder / "gone.toy").string() : Toy(name + ".toy");
    args.push_back(path);
    if (i != 5)
      expected += path + " -> " + (outDir / (name + ".png")).string() + " (Toy 3x2x2@2 image)\n";
  }
  args.insert(args.end(), {"-d", outDir.string(), "-j", "4", "--compression", "best"});
  EXPECT_EQ(Run(args), qeFileError);
  EXPECT_EQ(out.str(), expected);
  EXPECT_NE(err.str().find("gone.toy: cannot read: no such file"), std::string::npos) << err.str();
  EXPECT_TRUE(fs::exists(outDir / "p11.png"));

  // Thumbnails and palettes run as batches too.
  out.str("");
  EXPECT_EQ(Run({"thumbnail", args[1], args[2], "-d", (folder / "t").string(), "-j2"}), qeSuccess)
      << err.str();
  EXPECT_TRUE(fs::exists(folder / "t" / "p0.thumb.png"));
  EXPECT_TRUE(fs::exists(folder / "t" / "p1.thumb.png"));

  EXPECT_EQ(Run({"convert", args[1], "-d", (folder / "p0.toy").string()}), qeFileError);
  EXPECT_NE(err.str().find("p0.toy: cannot write into it: not a folder"), std::string::npos);
  EXPECT_EQ(Run({"convert", args[1], args[1]}), qeUsage);
  EXPECT_NE(err.str().find(args[1] + ": the file is given twice"), std::string::npos);
  // Another spelling of the path, or a link to the file, is the same file.
  err.str("");
  const std::string respelt = (folder / "." / fs::path(args[1]).filename()).string();
  EXPECT_EQ(Run({"convert", args[1], respelt}), qeUsage);
  EXPECT_NE(err.str().find(respelt + ": the file is given twice"), std::string::npos) << err.str();
  std::error_code linkError;  // links may need privileges on Windows
  fs::create_symlink(args[1], folder / "link.toy", linkError);
  if (!linkError) {
    err.str("");
    EXPECT_EQ(Run({"convert", (folder / "link.toy").string(), args[1]}), qeUsage);
    EXPECT_NE(err.str().find(args[1] + ": the file is given twice"), std::string::npos)
        << err.str();
  }
  EXPECT_EQ(Run({"convert", args[1], "--compression", "max"}), qeUsage);
  EXPECT_EQ(Run({"convert", args[1], "-j", "0"}), qeUsage);
  out.str("");
  EXPECT_EQ(Run({"--version"}), qeSuccess);
  EXPECT_TRUE(std::regex_match(out.str(), std::regex("orvalon [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << out.str();
}

TEST_F(CliFixture, GalleryPageLinksOnlyFilesThatExist) {
  const std::string a = Toy("one pic#1.toy");
  const std::string b = Toy("two & 'b'.toy");  // names Windows allows too
  const std::string bad = Write("bad.toy", "not a toy");
  const fs::path gallery = folder / "gallery";
  EXPECT_EQ(Run({"gallery", a, bad, b, "-o", gallery.string()}), qeNoEngine)
      << err.str() << out.str();
  std::ifstream in(gallery / "index.html");
  const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("two &amp; &#39;b&#39;.toy"), std::string::npos);
  EXPECT_NE(html.find("bad.toy"), std::string::npos);
  EXPECT_NE(html.find("Toy 3x2x2@2 image"), std::string::npos);
  const std::regex link("(?:src|href)=\"([^\"]*)\"");
  int links = 0;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), link); it != std::sregex_iterator();
       ++it, ++links) {
    std::string target = (*it)[1].str(), decoded;
    target = std::regex_replace(target, std::regex("&amp;"), "&");
    for (std::size_t i = 0; i < target.size(); ++i) {
      if (target[i] == '%' && i + 2 < target.size()) {
        decoded += static_cast<char>(std::stoi(target.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        decoded += target[i];
      }
    }
    EXPECT_TRUE(fs::is_regular_file(gallery / decoded)) << decoded;
  }
  EXPECT_EQ(links, 4);  // a picture and its thumbnail for each good file
}
