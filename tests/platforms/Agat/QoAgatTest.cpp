#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "color/QoPaletteTypes.h"
#include "platforms/Agat/QoOpenPlatformAgat.h"
#include "platforms/AppleII/QoPlatformAppleII.h"
#include "platforms/QoPlatformModules.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry AgatRegistry() {
  TQoEngineRegistry registry;
  RegisterAgatEngines(registry);
  return registry;
}

// A picture file: header with the video memory length, the video memory, and a trailer
// when a mode is given.
TBytes AgatFile(const TBytes& video, int mode = -1, uint8_t paletteByte = 0) {
  // Sized once and filled in place: GCC 12 for MinGW reports a false out-of-bounds copy
  // inside vector::insert here.
  const std::size_t trailer = 44 + video.size();
  TBytes file(trailer + (mode >= 0 ? 252 : 0), 0);
  file[42] = static_cast<uint8_t>(video.size());
  file[43] = static_cast<uint8_t>(video.size() >> 8);
  std::copy(video.begin(), video.end(), file.begin() + 44);
  if (mode >= 0) {
    file[trailer] = 0xD6;
    file[trailer + 1] = 0xD2;
    file[trailer + 2] = static_cast<uint8_t>(mode);
    file[trailer + 3] = paletteByte;
  }
  return file;
}

std::vector<std::string> Offered(const std::string& name, TBytes bytes) {
  const auto d = QoDetectIn(AgatRegistry(), name, std::move(bytes));
  std::vector<std::string> names;
  for (int i = 0; i < d->Engines->Count(); ++i)
    names.push_back(d->Engines->GetEngine(i)->EngineClass);
  return names;
}

std::unique_ptr<TQoDetected> DetectAgat(const std::string& name, TBytes bytes) {
  return QoDetectIn(AgatRegistry(), name, std::move(bytes));
}

std::vector<uint32_t> Colors(const TQoPalette256& palette) {
  std::vector<uint32_t> colors;
  for (int i = 0; i < palette.GetCount(); ++i) colors.push_back(palette.GetRGBQuad(i));
  return colors;
}

}  // namespace

TEST(QoAgatTest, RegistersTheFamilyInOrderAndFirstAtStartUp) {
  const std::vector<std::string> expected = {"TQoAgatSourceEngine",
                                             "TQoAgatSource64x64x4Engine",
                                             "TQoAgatSource128x128x4Engine",
                                             "TQoAgatSource128x256x4Engine",
                                             "TQoAgatSource256x256x1Engine",
                                             "TQoAgatSource256x256x2Engine",
                                             "TQoAgatSource512x256x1Engine",
                                             "TQoAgatSource40x48x4EngineLR",
                                             "TQoAgatSource80x48x4EngineDLR",
                                             "TQoAgatSource280x192x4EngineHRBW",
                                             "TQoAgatSource280x192x4EngineHRColor",
                                             "TQoAgatSource140x192x4EngineDHR"};
  EXPECT_EQ(expected, QoClassNames(AgatRegistry()));
  const std::vector<std::string> all = QoClassNames(QoDefaultRegistry());
  ASSERT_GT(all.size(), expected.size());
  EXPECT_EQ(expected, std::vector<std::string>(all.begin(), all.begin() + 12));
}

TEST(QoAgatTest, PaletteTypesBuildTheirColours) {
  TQoPalette256 palette;
  QoSetAgatPalette(palette, ptColored16, {}, false);
  EXPECT_EQ(0xD9D900u, palette.GetRGBQuad(3));
  EXPECT_EQ(0x2626FFu, palette.GetRGBQuad(12));
  QoSetAgatPalette(palette, ptColored8, {}, false);
  EXPECT_EQ((std::vector<uint32_t>{0x000000, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF,
                                   0x00FFFF, 0xFFFFFF}),
            Colors(palette));
  QoSetAgatPalette(palette, ptGray16, {}, false);
  EXPECT_EQ(16, palette.GetCount());
  EXPECT_EQ(0x828282u, palette.GetRGBQuad(1));
  // Levels raised so that the brightest component is full.
  QoSetAgatPalette(palette, ptColoredWRGB, {}, false);
  EXPECT_EQ((std::vector<uint32_t>{0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF}), Colors(palette));
  QoSetAgatPalette(palette, ptColoredBRGB, {}, false);
  EXPECT_EQ((std::vector<uint32_t>{0x000000, 0xFF0000, 0x00FF00, 0x0000FF}), Colors(palette));
  QoSetAgatPalette(palette, ptGray8, {}, false);
  EXPECT_EQ(8, palette.GetCount());
  EXPECT_EQ(0xFFFFFFu, palette.GetRGBQuad(7));  // 241 raised to full
  QoSetAgatPalette(palette, ptGrayBRGB, {}, false);
  EXPECT_EQ(0u, palette.GetRGBQuad(0));
  EXPECT_EQ(0xFFFFFFu, palette.GetRGBQuad(1));  // grey 130 was brightest of 0, 130, 89, 65
  QoSetAgatPalette(palette, ptGrayWRGB, {}, false);
  EXPECT_EQ(0xFFFFFFu, palette.GetRGBQuad(0));
  EXPECT_EQ(0u, palette.GetRGBQuad(3));  // darkest lowered to black

  // The file palette: nibbles of red, green and blue levels.
  TBytes trailer(252, 0);
  trailer[4] = 0x1F;   // red of colours 0 and 1
  trailer[22] = 0xA0;  // green of colour 4
  trailer[39] = 0x03;  // blue of colour 7
  const TQoByteView view(trailer.data(), trailer.size());
  QoSetAgatPalette(palette, ptColored4096, view, false);
  ASSERT_EQ(16, palette.GetCount());
  EXPECT_EQ(0x110000u, palette.GetRGBQuad(0));
  EXPECT_EQ(0xFF0000u, palette.GetRGBQuad(1));
  EXPECT_EQ(0x00AA00u, palette.GetRGBQuad(4));
  EXPECT_EQ(0x000033u, palette.GetRGBQuad(7));
  QoSetAgatPalette(palette, ptColored4096, view, true);
  EXPECT_EQ((std::vector<uint32_t>{0x110000, 0xFF0000, 0x000000, 0x00AA00}), Colors(palette));
  EXPECT_ANY_THROW(QoSetAgatPalette(palette, ptAppleIIWikipedia, view, false));
}

TEST(QoAgatTest, TrailerModesAndPaletteKinds) {
  // 128 x 128 in 4 bits, gray kind: 16 greys when a pixel uses colour 8-15, else 8.
  TBytes video(8192, 0x12);
  auto d = DetectAgat("pic.fil", AgatFile(video, 0x50, 0x85));
  ASSERT_NE(nullptr, d->First());
  TQoSourceEngine* engine = d->First();
  EXPECT_EQ("TQoAgatSourceEngine", engine->EngineClass);
  EXPECT_EQ(11, engine->DetectFlags);
  EXPECT_EQ(3, engine->ColorDepth);
  EXPECT_EQ(ptGray8, engine->PaletteType);
  EXPECT_EQ((std::vector<uint8_t>{ptColored16, ptColored8, ptGray16, ptGray8}),
            engine->PaletteTypes);
  EXPECT_EQ("Agat 128x128x3 gray image", engine->GetDisplayName());
  video[100] = 0x18;
  d = DetectAgat("pic.fil", AgatFile(video, 0x50, 0x85));
  EXPECT_EQ(4, d->First()->ColorDepth);
  EXPECT_EQ(ptGray16, d->First()->PaletteType);
  EXPECT_EQ((std::vector<uint8_t>{ptColored16, ptGray16}), d->First()->PaletteTypes);
  auto bmp = d->First()->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(0x828282u, bmp->GetStdRGBPixel(0, 0).R * 0x10101u);  // grey entry 1
  EXPECT_EQ(8u, bmp->GetPixel(73, 1));
  // Kind 0x2 is not one this mode has.
  EXPECT_TRUE(Offered("pic.fil", AgatFile(video, 0x50, 0x20)).empty());

  // 2 bits: the kind chooses the palette type; the file palette is offered with kind F.
  TBytes two(16384, 0x1B);  // pixels 0, 1, 2, 3
  d = DetectAgat("pic.bin", AgatFile(two, 0x60, 0x10));
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(9, d->First()->DetectFlags);
  EXPECT_EQ(ptColoredWRGB, d->First()->PaletteType);
  bmp = d->First()->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ((std::vector<uint32_t>{0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF}),
            Colors(*d->First()->Palette));
  EXPECT_EQ(3u, bmp->GetPixel(3, 7));
  d = DetectAgat("pic.fil", AgatFile(two, 0x60, 0xF0));
  EXPECT_EQ(ptColored4096, d->First()->PaletteType);
  EXPECT_EQ(ptColored4096, d->First()->PaletteTypes.front());
  EXPECT_EQ(" palette image", d->First()->Description);

  // Line palettes: eight colours for every four rows, collected and sorted.
  TBytes lines(8960, 0);
  for (int g = 0; g < 32; ++g) {
    for (int c = 0; c < 8; ++c) {
      uint8_t* rgb =
          &lines[8192 + 24 * static_cast<std::size_t>(g) + 3 * static_cast<std::size_t>(c)];
      rgb[0] = static_cast<uint8_t>(0xF0 | (c == 1 ? 15 : 0));  // high nibbles ignored
      rgb[2] = static_cast<uint8_t>(g == 5 && c == 1 ? 8 : 0);
    }
  }
  lines[20 * 64] = 0x91;  // row 20 (group 5): colours 1 and 1, bits 7 and 3 ignored
  d = DetectAgat("pic.fil", AgatFile(lines, 0x50, 0xE0));
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(" palette PCHG image", d->First()->Description);
  bmp = d->First()->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(3, d->First()->Palette->GetCount());  // black, red, red with blue
  const TQoStdRGBColor c = bmp->GetStdRGBPixel(1, 20);
  EXPECT_EQ(0xFF0088u, static_cast<uint32_t>(c.R << 16 | c.G << 8 | c.B));
  EXPECT_EQ(0u, d->First()->Palette->GetRGBQuad(static_cast<int>(bmp->GetPixel(0, 0))));
}

TEST(QoAgatTest, InterleavedRowsAndScreenPairs) {
  // 512 x 256 mono, interleaved: picture row 1 is data row 128.
  TBytes video(16384, 0);
  video[128 * 64] = 0x80;
  auto d = DetectAgat("pic.fil", AgatFile(video, 0x70));
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(15, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(1u, bmp->GetPixel(0, 1));
  EXPECT_EQ(0u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0u, bmp->GetPixel(0, 2));

  // Two 64 x 64 screens in 8 colours: the combined value is first * 8 + second.
  TBytes pair(4096, 0);
  pair[0] = 0x30;
  pair[2048] = 0x50;
  pair[2048 + 32] = 0x07;  // second screen, row 1, pixel 1
  d = DetectAgat("pic.fil", AgatFile(pair, 0x4D, 0x00));
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(2, d->First()->FrameCount);
  bmp = d->First()->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(8, bmp->BitsPerPixel);
  EXPECT_EQ(64, d->First()->Palette->GetCount());
  EXPECT_EQ(3u * 8 + 5, bmp->GetPixel(0, 0));
  EXPECT_EQ(7u, bmp->GetPixel(1, 1));
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(3u, bmp->Frames->Get(0)->GetPixel(0, 0));
  EXPECT_EQ(5u, bmp->Frames->Get(1)->GetPixel(0, 0));

  // Two mono screens: a 4-entry mixed palette.
  TBytes mono(16384, 0);
  mono[0] = 0x80;
  mono[8192] = 0xC0;
  d = DetectAgat("pic.fil", AgatFile(mono, 0x1D));
  bmp = d->First()->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(3u, bmp->GetPixel(0, 0));
  EXPECT_EQ(1u, bmp->GetPixel(1, 0));
}

TEST(QoAgatTest, CommentInTheAgatCharacterSet) {
  TBytes file = AgatFile(TBytes(8192, 0), 0x10);
  const std::size_t comment = 44 + 8192 + 60;
  const uint8_t hello[] = {0xF0, 0xF2, 0xE9, 0xF7, 0xE5, 0xF4};
  for (std::size_t i = 0; i < 192; ++i) file[comment + i] = i < 6 ? hello[i] : 0xAA;
  auto d = DetectAgat("pic.fil", file);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ("ПРИВЕТ", d->First()->InfoComment);
  const uint8_t mixed[] = {0xC1, 0x41, 0x5E, 0x61, 0x10, 0xA0, 0xA0};
  EXPECT_EQ("Aa`а_", QoAgatCommentText(TQoByteView(mixed, sizeof mixed)));
  // No comment at all leaves the field empty.
  d = DetectAgat("pic.fil", AgatFile(TBytes(8192, 0), 0x10));
  EXPECT_EQ("", d->First()->InfoComment);
}

TEST(QoAgatTest, FixedFilesAreOfferedBySize) {
  TBytes video(8192, 0);
  EXPECT_EQ((std::vector<std::string>{
                "TQoAgatSource128x128x4Engine", "TQoAgatSource256x256x1Engine",
                "TQoAgatSource280x192x4EngineHRBW", "TQoAgatSource280x192x4EngineHRColor"}),
            Offered("pic.fil", AgatFile(video)));
  // A screen byte with bit 7 set; one in a hole between rows does not count.
  video[120] = 0x80;
  EXPECT_EQ(4u, Offered("pic.fil", AgatFile(video)).size());
  video[0] = 0x81;
  video[1] = 0x00;
  EXPECT_EQ(
      (std::vector<std::string>{"TQoAgatSource128x128x4Engine", "TQoAgatSource256x256x1Engine",
                                "TQoAgatSource280x192x4EngineHRColor"}),
      Offered("pic.fil", AgatFile(video)));
  TBytes wrong = AgatFile(video);
  wrong.push_back(0);
  EXPECT_TRUE(Offered("pic.fil", wrong).empty());

  // Hi-res colour: the middle dot pair straddles the bytes of a pair.
  video[0] = 0x00;
  video[1] = 0x81;
  auto d = DetectAgat("pic.fil", AgatFile(video));
  TQoSourceEngine* hr = d->Engines->GetEngine(2);
  ASSERT_EQ("TQoAgatSource280x192x4EngineHRColor", hr->EngineClass);
  EXPECT_EQ("Apple II", hr->PlatformName);
  EXPECT_EQ(2, hr->ColorDepth);
  auto bmp = hr->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(12u, bmp->GetPixel(6, 0));
  EXPECT_EQ(9u, bmp->GetPixel(7, 0));
  EXPECT_EQ(0x65C216u, hr->Palette->GetRGBQuad(12));

  // Low resolution: text rows at (t & 7) * 128 + (t / 8) * 40, two blocks a byte.
  TBytes lr(1024, 0);
  lr[1 * 128 + 1 * 40 + 3] = 0x5A;  // text row 9
  d = DetectAgat("pic.fil", AgatFile(lr));
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ("Agat 40x48x4 LR image", d->First()->GetDisplayName());
  bmp = d->First()->Decode();
  EXPECT_EQ(0xAu, bmp->GetPixel(3, 18));
  EXPECT_EQ(0x5u, bmp->GetPixel(3, 19));
  // Double low resolution: the second kilobyte gives the even columns.
  TBytes dlr(2048, 0);
  dlr[3] = 0x21;
  dlr[1024 + 3] = 0x43;
  const std::vector<std::string> offered = Offered("pic.fil", AgatFile(dlr));
  EXPECT_EQ(
      (std::vector<std::string>{"TQoAgatSource64x64x4Engine", "TQoAgatSource80x48x4EngineDLR"}),
      offered);
  d = DetectAgat("pic.fil", AgatFile(dlr));
  bmp = d->Engines->GetEngine(1)->Decode();
  EXPECT_EQ(3u, bmp->GetPixel(6, 0));
  EXPECT_EQ(1u, bmp->GetPixel(7, 0));
  EXPECT_EQ(4u, bmp->GetPixel(6, 1));
}

TEST(QoAgatTest, EveryEngineDecodesWithEveryPaletteType) {
  std::set<std::string> seen;
  std::vector<TBytes> files;
  for (std::size_t size : {1024, 2048, 8192, 16384}) files.push_back(AgatFile(TBytes(size, 0x5A)));
  const std::pair<std::size_t, int> modes[] = {
      {8192, 0x10},  {16384, 0x1D}, {2048, 0x40},  {4096, 0x4D},  {8192, 0x50},  {16384, 0x5D},
      {16384, 0x60}, {32768, 0x6D}, {16384, 0x70}, {32768, 0x7D}, {16384, 0x80}, {32768, 0x8D},
      {8192, 0x9A},  {1024, 0xCA},  {2048, 0xDA},  {16384, 0xEA}, {16384, 0xFA}};
  for (const auto& [size, mode] : modes) files.push_back(AgatFile(TBytes(size, 0xD9), mode, 0xF0));
  int trailerModes = 0;
  for (const TBytes& file : files) {
    auto d = DetectAgat("pic.fil", file);
    ASSERT_GT(d->Engines->Count(), 0);
    for (int i = 0; i < d->Engines->Count(); ++i) {
      TQoSourceEngine& engine = *d->Engines->GetEngine(i);
      seen.insert(engine.EngineClass);
      if (engine.EngineClass == "TQoAgatSourceEngine") ++trailerModes;
      std::vector<uint8_t> types = engine.PaletteTypes;
      if (types.empty()) types.push_back(engine.PaletteType);
      for (uint8_t type : types) {
        engine.PaletteType = type;
        const auto bmp = engine.Decode();
        ASSERT_NE(nullptr, bmp) << engine.EngineClass;
        EXPECT_EQ(engine.Width, bmp->Width);
        EXPECT_EQ(engine.Height, bmp->Height);
        EXPECT_EQ(engine.FrameCount > 1 ? engine.FrameCount : 0, bmp->FrameCount());
      }
    }
  }
  EXPECT_EQ(17, trailerModes);
  EXPECT_EQ(12u, seen.size());
}
