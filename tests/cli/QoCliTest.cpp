#include "cli/QoCli.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

TEST_F(CliFixture, FormatsListsTheRegistry) {
  EXPECT_EQ(Run({"formats"}), qeSuccess);
  EXPECT_EQ(out.str(), "0\tTToyEngine\tToy\t.toy\n");
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
}
