#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "color/QoAspect.h"
#include "export/QoExport.h"
#include "support/QoTestFiles.h"

namespace {

TQoPalette256 ThreeColours() {
  TQoPalette256 palette;
  palette.Add(0x000000);
  palette.Add(0xFF8000);
  palette.Add(0x2040C0);
  return palette;
}

// A w x h picture of the given kind whose pixel (x, y) is (x + 2y) mod modulus.
std::unique_ptr<TQoBitmap> Pattern(std::unique_ptr<TQoBitmap> bmp, uint32_t modulus) {
  for (int32_t y = 0; y < bmp->Height; ++y) {
    for (int32_t x = 0; x < bmp->Width; ++x) {
      bmp->SetPixel(x, y, static_cast<uint32_t>(x + 2 * y) % modulus);
    }
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TrueColourPattern(int32_t w, int32_t h) {
  auto bmp = std::make_unique<TQoBitmap24>(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      bmp->SetPixel(x, y, static_cast<uint32_t>(x * 0x10203 + y * 0x30201) & 0xFFFFFF);
    }
  }
  return bmp;
}

uint32_t LE32(const std::vector<uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Decodes a PNG file image to RGB with libpng's simplified reader.
std::vector<uint8_t> ReadPngRgb(const std::vector<uint8_t>& file, int32_t& w, int32_t& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  w = static_cast<int32_t>(image.width);
  h = static_cast<int32_t>(image.height);
  return rgb;
}

void ExpectSameColours(const TQoBitmap& bmp, const std::vector<uint8_t>& rgb) {
  for (int32_t y = 0; y < bmp.Height; ++y) {
    for (int32_t x = 0; x < bmp.Width; ++x) {
      // The file holds the palette's colours (a 1-bit bitmap's own answer is black/white).
      const TQoStdRGBColor c = bmp.BitsPerPixel <= 8
                                   ? bmp.Palette->GetStdRGB(static_cast<int>(bmp.GetPixel(x, y)))
                                   : bmp.GetStdRGBPixel(x, y);
      const std::size_t at = (static_cast<std::size_t>(y) * bmp.Width + x) * 3;
      ASSERT_EQ((TQoStdRGBColor{rgb[at], rgb[at + 1], rgb[at + 2]}), c) << x << "," << y;
    }
  }
}

struct TQoGifMemory {
  const std::vector<uint8_t>* File;
  std::size_t At = 0;
};

int GifRead(GifFileType* gif, GifByteType* dest, int length) {
  auto* in = static_cast<TQoGifMemory*>(gif->UserData);
  const std::size_t n =
      std::min<std::size_t>(static_cast<std::size_t>(length), in->File->size() - in->At);
  std::memcpy(dest, in->File->data() + in->At, n);
  in->At += n;
  return static_cast<int>(n);
}

}  // namespace

TEST(QoExportTest, RepeatsFollowTheAspectEntry) {
  const TQoExportRepeat tall = QoExportRepeat(QoAspectIndexByLabel("1:2"));
  EXPECT_EQ(1, tall.RepeatX);
  EXPECT_EQ(2, tall.RepeatY);
  const TQoExportRepeat wide = QoExportRepeat(QoAspectIndexByLabel("2:1"));
  EXPECT_EQ(2, wide.RepeatX);
  EXPECT_EQ(1, wide.RepeatY);
  const TQoExportRepeat almost = QoExportRepeat(QoAspectIndexByLabel("3:4"));
  EXPECT_EQ(1, almost.RepeatX);
  EXPECT_EQ(1, almost.RepeatY);
  // The nearest whole factor, so that the exported pixels keep their shape as closely
  // as whole factors can: the C64's PAL pixels are doubled, 3:14 repeats 5 times.
  const TQoExportRepeat pal = QoExportRepeat(QoAspectIndexByLabel("1.8730 PAL"));
  EXPECT_EQ(2, pal.RepeatX);
  EXPECT_NEAR(187136.0 / 99911 / 2, pal.PixelAspect, 1e-12);
  EXPECT_EQ(1, QoExportRepeat(QoAspectIndexByLabel("1.138:1")).RepeatX);
  EXPECT_EQ(5, QoExportRepeat(QoAspectIndexByLabel("3:14")).RepeatY);
  EXPECT_NEAR(2.0 / 3 * 2, QoExportRepeat(QoAspectIndexByLabel("2:3")).PixelAspect, 1e-12);
  EXPECT_NEAR(4.0 / 3, QoNativeRepeat(QoAspectIndexByLabel("4:3")).PixelAspect, 1e-12);
}

TEST(QoExportTest, EnlargeRepeatsEveryPixelIntoItsBlockAndKeepsThePalette) {
  const TQoPalette256 palette = ThreeColours();
  auto source = Pattern(std::make_unique<TQoBitmap4>(5, 3, &palette), 3);
  const TQoBitmap* original = source.get();
  auto same = QoEnlarge(std::move(source), TQoExportRepeat{1, 1});
  EXPECT_EQ(original, same.get());

  auto large = QoEnlarge(std::move(same), TQoExportRepeat{2, 3});
  ASSERT_EQ(10, large->Width);
  ASSERT_EQ(9, large->Height);
  EXPECT_EQ(4, large->BitsPerPixel);
  ASSERT_EQ(3, large->Palette->GetCount());
  EXPECT_EQ(0xFF8000u, large->Palette->GetRGBQuad(1));
  for (int32_t y = 0; y < 9; ++y) {
    for (int32_t x = 0; x < 10; ++x) {
      EXPECT_EQ(static_cast<uint32_t>(x / 2 + 2 * (y / 3)) % 3, large->GetPixel(x, y));
    }
  }
}

TEST(QoExportTest, BmpKeepsDepthPaletteAndBottomUpRows) {
  const TQoPalette256 palette = ThreeColours();
  auto bmp = Pattern(std::make_unique<TQoBitmap4>(5, 3, &palette), 3);
  const std::vector<uint8_t> file = QoEncodeBmp(*bmp);
  ASSERT_GE(file.size(), 54u);
  EXPECT_EQ('B', file[0]);
  EXPECT_EQ('M', file[1]);
  EXPECT_EQ(file.size(), LE32(file, 2));
  const uint32_t offset = LE32(file, 10);
  EXPECT_EQ(5u, LE32(file, 18));
  EXPECT_EQ(3u, LE32(file, 22));
  EXPECT_EQ(4, file[28]);
  EXPECT_EQ(3u, LE32(file, 46));  // colours used
  EXPECT_EQ(54u + 3 * 4, offset);
  // Palette entries are blue, green, red, zero.
  EXPECT_EQ(0x00, file[54 + 4]);
  EXPECT_EQ(0x80, file[54 + 5]);
  EXPECT_EQ(0xFF, file[54 + 6]);
  // Rows are 4-byte aligned and stored bottom row first, high nibble = left pixel.
  const uint8_t* bottom = file.data() + offset;
  EXPECT_EQ((bmp->GetPixel(0, 2) << 4) | bmp->GetPixel(1, 2), bottom[0]);
  EXPECT_EQ((bmp->GetPixel(0, 0) << 4) | bmp->GetPixel(1, 0), bottom[2 * 4]);
  EXPECT_EQ(offset + 3u * 4, file.size());
}

TEST(QoExportTest, BmpOfTrueColourStoresBlueGreenRed) {
  auto bmp = TrueColourPattern(3, 2);
  const std::vector<uint8_t> file = QoEncodeBmp(*bmp);
  EXPECT_EQ(24, file[28]);
  EXPECT_EQ(0u, LE32(file, 46));
  const uint32_t offset = LE32(file, 10);
  EXPECT_EQ(54u, offset);
  const uint32_t topLeft = bmp->GetPixel(1, 1);  // bottom row in the file comes first
  EXPECT_EQ(topLeft & 0xFF, file[offset + 3]);
  EXPECT_EQ((topLeft >> 16) & 0xFF, file[offset + 5]);
}

TEST(QoExportTest, PngRoundTripsIndexedAndTrueColourAndNamesTheSoftware) {
  const TQoPalette256 palette = ThreeColours();
  TQoPalette256 two;
  two.Add(0x102030);
  two.Add(0xFFFFFF);
  std::vector<std::unique_ptr<TQoBitmap>> pictures;
  pictures.push_back(Pattern(std::make_unique<TQoBitmap1>(13, 4, &two), 2));
  pictures.push_back(Pattern(std::make_unique<TQoBitmap4>(7, 5, &palette), 3));
  pictures.push_back(Pattern(std::make_unique<TQoBitmap8>(6, 3, &palette), 3));
  pictures.push_back(TrueColourPattern(9, 4));
  for (const auto& bmp : pictures) {
    for (TQoPngCompression compression :
         {TQoPngCompression::Fast, TQoPngCompression::Default, TQoPngCompression::Best}) {
      SCOPED_TRACE(bmp->BitsPerPixel);
      const std::vector<uint8_t> file = QoEncodePng(*bmp, {compression, 0});
      int32_t w = 0, h = 0;
      const std::vector<uint8_t> rgb = ReadPngRgb(file, w, h);
      ASSERT_EQ(bmp->Width, w);
      ASSERT_EQ(bmp->Height, h);
      ExpectSameColours(*bmp, rgb);
      const std::string bytes(file.begin(), file.end());
      EXPECT_NE(std::string::npos, bytes.find(std::string("tEXtSoftware\0OrvalonWLX", 23)));
      // Indexed pictures stay indexed (colour type 3) at the smallest depth that holds
      // their palette: two colours in 1 bit, three in 2, whatever the bitmap's kind.
      EXPECT_EQ(bmp->BitsPerPixel <= 8 ? 3 : 2, file[25]);
      EXPECT_EQ(bmp->BitsPerPixel > 8 ? 8 : bmp->BitsPerPixel == 1 ? 1 : 2, file[24]);
      EXPECT_EQ(std::string::npos, bytes.find("pHYs"));
    }
  }
  // The shape the pixels keep after the enlargement: a PAL C64 pixel doubled in width is
  // 0.9365 as wide as tall, so there are more of them to the unit across.
  const std::vector<uint8_t> file = QoEncodePng(*pictures[1], {TQoPngCompression::Default, 0.9365});
  const std::string bytes(file.begin(), file.end());
  const std::size_t at = bytes.find("pHYs");
  ASSERT_NE(std::string::npos, at);
  const auto be32 = [&](std::size_t i) {
    return uint32_t(file[i]) << 24 | uint32_t(file[i + 1]) << 16 | uint32_t(file[i + 2]) << 8 |
           file[i + 3];
  };
  EXPECT_EQ(100000u, be32(at + 4));
  EXPECT_EQ(93650u, be32(at + 8));
  EXPECT_EQ(0, file[at + 12]);  // unit unknown: a ratio only
}

TEST(QoExportTest, GifRoundTripsIndicesAndRefusesTrueColour) {
  const TQoPalette256 palette = ThreeColours();
  auto bmp = Pattern(std::make_unique<TQoBitmap8>(11, 6, &palette), 3);
  const std::vector<uint8_t> file = QoEncodeGif(*bmp);
  TQoGifMemory memory{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(&memory, GifRead, &error);
  ASSERT_NE(nullptr, gif);
  ASSERT_EQ(GIF_OK, DGifSlurp(gif));
  ASSERT_EQ(1, gif->ImageCount);
  EXPECT_EQ(11, gif->SWidth);
  EXPECT_EQ(6, gif->SHeight);
  ASSERT_NE(nullptr, gif->SColorMap);
  EXPECT_EQ(4, gif->SColorMap->ColorCount);  // three colours round up to a table of four
  EXPECT_EQ(0x20, gif->SColorMap->Colors[2].Red);
  EXPECT_EQ(0xC0, gif->SColorMap->Colors[2].Blue);
  const GifByteType* raster = gif->SavedImages[0].RasterBits;
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 11; ++x) {
      EXPECT_EQ(bmp->GetPixel(x, y), raster[y * 11 + x]);
    }
  }
  DGifCloseFile(gif, &error);

  EXPECT_THROW(QoEncodeGif(*TrueColourPattern(2, 2)), EQoWarning);
}

TEST(QoExportTest, WriterFollowsTheExtensionAndTheClipboardFormIsTheBmpWithoutFileHeader) {
  const TQoPalette256 palette = ThreeColours();
  auto bmp = Pattern(std::make_unique<TQoBitmap8>(7, 5, &palette), 3);
  const std::vector<uint8_t> bmpFile = QoEncodeForExtension(*bmp, ".bmp");
  EXPECT_EQ(QoEncodeBmp(*bmp), bmpFile);
  EXPECT_EQ(QoEncodePng(*bmp), QoEncodeForExtension(*bmp, ".png"));
  EXPECT_EQ(QoEncodeGif(*bmp), QoEncodeForExtension(*bmp, ".gif"));
  EXPECT_THROW(QoEncodeForExtension(*bmp, ".tga"), EQoError);

  const std::vector<uint8_t> dib = QoEncodePackedDib(*bmp);
  ASSERT_EQ(bmpFile.size() - 14, dib.size());
  EXPECT_TRUE(std::equal(dib.begin(), dib.end(), bmpFile.begin() + 14));
  EXPECT_EQ(40u, LE32(dib, 0));  // starts with the info header
}

TEST(QoExportTest, WritingToAMissingFolderNamesTheFile) {
  TQoTempFolder folder;
  const std::string path = folder.PathOf("missing/out.png");
  try {
    QoWriteFile(path, {1, 2, 3});
    FAIL() << "no error";
  } catch (const EQoError& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find(path));
  }
  const std::string good = folder.PathOf("out.bin");
  QoWriteFile(good, {1, 2, 3});
  std::ifstream in(good, std::ios::binary);
  EXPECT_EQ(3u, std::string(std::istreambuf_iterator<char>(in), {}).size());
}

TEST(QoExportTest, WritesReplaceWholeFilesOrLeaveThemAlone) {
  namespace fs = std::filesystem;
  TQoTempFolder folder;
  const std::string path = folder.PathOf("out.bin");
  QoWriteFile(path, {1, 2, 3});
  QoWriteFile(path, {4, 5});
  auto read = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read(path), std::string("\x04\x05"));
  // A target that cannot be replaced (a folder) fails, naming it, and leaves nothing.
  const std::string blocked = folder.PathOf("blocked.png");
  fs::create_directories(fs::path(blocked) / "inside");
  EXPECT_THROW(QoWriteFile(blocked, {1}), EQoError);
  // A full device reached through a link reports the link's name.
  if (fs::exists("/dev/full")) {
    const std::string full = folder.PathOf("full.png");
    fs::create_symlink("/dev/full", full);
    try {
      QoWriteFile(full, std::vector<uint8_t>(1 << 16, 1));
      ADD_FAILURE() << "a write to a full device succeeded";
    } catch (const EQoError& e) {
      EXPECT_NE(std::string(e.what()).find(full), std::string::npos) << e.what();
    }
  }
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder.PathOf(""))) {
    ++files;
    EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(files, fs::exists("/dev/full") ? 3 : 2);
}
