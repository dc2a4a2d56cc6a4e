#include <gtest/gtest.h>

#include <array>

#include "color/QoColor.h"
#include "color/QoPaletteTypes.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumMulticolor.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  TQoEngineRegistry registry;
  RegisterZxSpectrumEngines(registry);
  return QoDetectIn(registry, name, std::move(bytes));
}

uint8_t Attribute(int ink, int paper, bool bright = false) {
  return static_cast<uint8_t>((bright ? 0x40 : 0) | paper << 3 | ink);
}

// A MultiArtist file with attribute height a: header, two pixel screens, two tables.
TBytes MultiArtist(int a, int32_t size) {
  TBytes bytes(static_cast<std::size_t>(size));
  bytes[0] = 'M';
  bytes[1] = 'G';
  bytes[2] = 'H';
  bytes[3] = 1;
  bytes[4] = static_cast<uint8_t>(a);
  return bytes;
}

}  // namespace

TEST(QoZxSpectrumMulticolorTest, AttributeRowsFollowTheLines) {
  // .mlt: one attribute row per pixel line; .ifl: one per two lines.
  TBytes mlt(12288);
  mlt[QoZxPixelOffset(5, 0)] = 0xFF;
  mlt[6144 + 32 * 5] = Attribute(2, 0);
  mlt[6144 + 32 * 6] = Attribute(4, 0);
  mlt[QoZxPixelOffset(6, 0)] = 0xFF;
  auto m = Detect("pic.mlt", mlt);
  ASSERT_EQ("TQoZxSpectrumMulticolorMLTEngine", m->First()->EngineClass);
  EXPECT_EQ("ZX Spectrum 256x192x4 multicolor image", m->First()->GetDisplayName());
  auto bmp = m->First()->Decode();
  EXPECT_EQ(2u, bmp->GetPixel(0, 5));
  EXPECT_EQ(4u, bmp->GetPixel(0, 6));

  TBytes ifl(9216);
  ifl[QoZxPixelOffset(4, 1)] = 0x80;
  ifl[QoZxPixelOffset(5, 1)] = 0x80;
  ifl[QoZxPixelOffset(6, 1)] = 0x80;
  ifl[6144 + 32 * 2 + 1] = Attribute(3, 1, true);
  ifl[6144 + 32 * 3 + 1] = Attribute(5, 1);
  auto i = Detect("pic.ifl", ifl);
  bmp = i->First()->Decode();
  EXPECT_EQ(11u, bmp->GetPixel(8, 4));
  EXPECT_EQ(11u, bmp->GetPixel(8, 5));
  EXPECT_EQ(9u, bmp->GetPixel(9, 5));  // bright paper
  EXPECT_EQ(5u, bmp->GetPixel(8, 6));

  // .mc: the pixels line after line.
  TBytes mc(12288);
  mc[32 * 9] = 0x40;
  mc[6144 + 32 * 9] = Attribute(6, 0);
  EXPECT_EQ(6u, Detect("pic.mc", mc)->First()->Decode()->GetPixel(1, 9));
}

TEST(QoZxSpectrumMulticolorTest, AttributeOnlyPicturesGiveTwoPixelsPerByte) {
  TBytes mtl(6144);
  mtl[32 * 191 + 31] = Attribute(6, 2, true);
  auto d = Detect("pic.mtl", mtl);
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(64, engine.Width);
  EXPECT_EQ(192, engine.Height);
  EXPECT_EQ(56, engine.AspectIndex);
  auto bmp = engine.Decode();
  EXPECT_EQ(10u, bmp->GetPixel(62, 191));
  EXPECT_EQ(14u, bmp->GetPixel(63, 191));
  auto afl = Detect("pic.afl", TBytes(3072));
  EXPECT_EQ(96, afl->Find("TQoZxSpectrumMulticolor2AFLEngine")->Height);
  EXPECT_EQ(47, afl->Find("TQoZxSpectrumMulticolor2AFLEngine")->AspectIndex);
}

TEST(QoZxSpectrumMulticolorTest, GigascreenPaletteMixesBothWays) {
  auto d = Detect("pic.img", TBytes(13824));
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(3, engine.CalcModes);
  EXPECT_EQ(0, engine.CalcMode);
  EXPECT_EQ(2, engine.FrameCount);

  engine.PaletteType = ptPulsar;
  auto bmp = engine.Decode();
  ASSERT_EQ(256, bmp->Palette->GetCount());
  EXPECT_EQ(118, bmp->Palette->GetStdRGB(0 * 16 + 1).B);  // blue with black: half normal
  EXPECT_EQ(159, bmp->Palette->GetStdRGB(0 * 16 + 9).B);  // bright blue with black
  EXPECT_EQ(233, bmp->Palette->GetStdRGB(1 * 16 + 9).B);  // blue with bright blue
  EXPECT_EQ(1, engine.Palette->GetPColor(9 * 16 + 1).Excluded);
  EXPECT_EQ(0, engine.Palette->GetPColor(1 * 16 + 9).Excluded);

  engine.PaletteType = ptColoredLinear;
  engine.CalcMode = 1;
  bmp = engine.Decode();
  const double half = qo::SrgbByteToLinear(188) / 2;
  EXPECT_EQ(qo::LinearToSrgbByte(half), bmp->Palette->GetStdRGB(0 * 16 + 2).R);
}

TEST(QoZxSpectrumMulticolorTest, GigascreenFramesAreTheTwoScreens) {
  TBytes img(13824);
  img[QoZxPixelOffset(10, 3)] = 0xF0;
  img[6144 + 32 + 3] = Attribute(2, 1);
  img[6912 + QoZxPixelOffset(10, 3)] = 0x3C;
  img[6912 + 6144 + 32 + 3] = Attribute(6, 0, true);
  auto d = Detect("pic.img", img);
  auto bmp = d->First()->Decode();
  ASSERT_EQ(2, bmp->FrameCount());
  const TQoBitmap& first = *bmp->Frames->Get(0);
  const TQoBitmap& second = *bmp->Frames->Get(1);
  EXPECT_EQ(4, first.BitsPerPixel);
  for (int x = 24; x < 32; ++x) {
    SCOPED_TRACE(x);
    const uint32_t a = x < 28 ? 2 : 1;
    const uint32_t b = (x >= 26 && x < 30) ? 14 : 8;
    EXPECT_EQ(a, first.GetPixel(x, 10));
    EXPECT_EQ(b, second.GetPixel(x, 10));
    EXPECT_EQ(a * 16 + b, bmp->GetPixel(x, 10));
  }
}

TEST(QoZxSpectrumMulticolorTest, MultiArtistTablesAndSizes) {
  // MG4: attribute rows every four lines, table 2 after table 1 (1,536 bytes each).
  TBytes mg4 = MultiArtist(4, 15616);
  mg4[256 + QoZxPixelOffset(5, 0)] = 0x80;
  mg4[12544 + 32 * 1] = Attribute(3, 0);
  mg4[12544 + 1536 + 32 * 1] = Attribute(5, 0);
  mg4[256 + 6144 + QoZxPixelOffset(5, 0)] = 0x80;
  auto d = Detect("pic.mg4", mg4);
  ASSERT_EQ("TQoZxSpectrumGigaMGEngine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ("ZX Spectrum 256x192x8@2 MultiArtist MG4 image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  EXPECT_EQ(3u * 16 + 5, bmp->GetPixel(0, 5));
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize, Detect("pic.mg8", mg4)->First()->DetectFlags);

  // Byte 4 says 4, the size says 2: refused.
  EXPECT_EQ(nullptr, Detect("pic.mg2", MultiArtist(4, 18688))->Find("TQoZxSpectrumGigaMGEngine"));

  // MG1: the middle columns change every line, the sides keep 8 x 8 cells.
  TBytes mg1 = MultiArtist(1, 19456);
  for (int y : {8, 9}) {
    for (int c : {0, 12, 31}) mg1[256 + QoZxPixelOffset(y, c)] = 0xFF;
  }
  mg1[256 + 12288 + 16 * 9 + (12 - 8)] = Attribute(4, 0);  // screen 1, line 9, column 12
  mg1[256 + 12288 + 16 * 8 + (12 - 8)] = Attribute(2, 0);  // line 8
  mg1[256 + 18432 + 16 * 1 + 0] = Attribute(1, 0);         // row 1, column 0
  mg1[256 + 18432 + 16 * 1 + 15] = Attribute(7, 0);        // row 1, column 31
  mg1[256 + 18432 + 384 + 16 * 1 + 15] = Attribute(6, 0);  // screen 2
  auto one = Detect("pic.mg1", mg1);
  bmp = one->First()->Decode();
  EXPECT_EQ(2u * 16, bmp->GetPixel(96, 8));
  EXPECT_EQ(4u * 16, bmp->GetPixel(96, 9));
  EXPECT_EQ(1u * 16, bmp->GetPixel(0, 9));
  EXPECT_EQ(0u, bmp->Frames->Get(1)->GetPixel(255, 9));  // screen 2 pixels are clear
  EXPECT_EQ(7u, bmp->Frames->Get(0)->GetPixel(255, 9));
}

// BSP borders: each screen's own run-length stream along the border's rows, the screen's
// columns skipped; without a stream the plain colours of byte 5; one screen or two.
TEST(QoZxSpectrumMulticolorTest, BspBordersForEachScreen) {
  auto header = [](uint8_t flags, uint8_t colors, std::size_t size) {
    TBytes bytes(size);
    std::copy_n("bsp", 3, bytes.begin());
    bytes[3] = flags;
    bytes[4] = 0x5A;  // not read
    bytes[5] = colors;
    return bytes;
  };
  TBytes bsp = header(0xC0, 0x2A, 72 + 13824);  // plain colours 2 and 5
  bsp[72 + 6144] = Attribute(0, 6);             // screen 1, cell (0, 0): paper 6
  const TBytes first = {0x09, 5,                // colour 1, 5 units (next byte)
                        0x12,                   // colour 2, 12 units
                        0x1B,                   // colour 3, 3 + 13 units
                        0x04};                  // colour 4 to the end of the row
  bsp.insert(bsp.end(), first.begin(), first.end());
  bsp.insert(bsp.end(), 63, 0x05);      // rows 1-63 colour 5
  bsp.insert(bsp.end(), {0x0E, 40,      // colour 6, 80 pixels: 64 left, 16 right
                         0x07, 0x09});  // colour 7 to the row's end; a count cut off
  const std::size_t second = bsp.size();
  bsp[70] = static_cast<uint8_t>(second & 0xFF);
  bsp[71] = static_cast<uint8_t>(second >> 8);
  bsp.push_back(0x01);  // screen 2: row 0 colour 1, the rest plain
  auto d = Detect("x.bsp", bsp);
  ASSERT_EQ("TQoZxSpectrumBspEngine", d->First()->EngineClass);
  auto bmp = d->First()->Decode();
  const TQoBitmap& one = *bmp->Frames->Get(0);
  const TQoBitmap& two = *bmp->Frames->Get(1);
  const std::vector<std::array<int, 3>> expected = {
      {0, 0, 1},    {9, 0, 1},    {10, 0, 2},   {33, 0, 2},   {34, 0, 3},   {65, 0, 3},
      {66, 0, 4},   {383, 0, 4},  {200, 63, 5}, {63, 64, 6},  {320, 64, 6}, {335, 64, 6},
      {336, 64, 7}, {383, 64, 7}, {0, 65, 2},   {383, 303, 2}};
  for (const auto& [x, y, color] : expected) {
    EXPECT_EQ(static_cast<uint32_t>(color), one.GetPixel(x, y)) << x << "," << y;
  }
  EXPECT_EQ(6u, one.GetPixel(64, 64));  // the screen itself
  EXPECT_EQ(1u, two.GetPixel(383, 0));
  EXPECT_EQ(5u, two.GetPixel(0, 1));
  EXPECT_EQ(4u * 16 + 1, bmp->GetPixel(100, 0));

  // Two screens, no border data: the screens start at 70, plain colours from byte 5.
  TBytes plain = header(0x80, 0x2A, 70 + 13824);
  plain[70 + 6144] = Attribute(0, 6);
  bmp = Detect("x.bsp", plain)->First()->Decode();
  EXPECT_EQ(2u * 16 + 5, bmp->GetPixel(0, 0));
  EXPECT_EQ(6u * 16, bmp->GetPixel(64, 64));

  // One screen, with and without border data: a plain 16-colour picture.
  TBytes single = header(0x40, 0x03, 70 + 6912);
  single[70 + 6144] = Attribute(0, 6);
  single.push_back(0x01);
  auto s = Detect("x.bsp", single);
  EXPECT_EQ("ZX Spectrum 384x304x4 image", s->First()->GetDisplayName());
  bmp = s->First()->Decode();
  EXPECT_EQ(nullptr, bmp->Frames);
  EXPECT_EQ(1u, bmp->GetPixel(383, 0));
  EXPECT_EQ(3u, bmp->GetPixel(0, 1));
  EXPECT_EQ(6u, bmp->GetPixel(64, 64));
  single[3] = 0x00;
  EXPECT_EQ(3u, Detect("x.bsp", single)->First()->Decode()->GetPixel(383, 0));

  // Screens that do not fit are refused.
  EXPECT_EQ(nullptr, Detect("x.bsp", header(0x80, 0, 70 + 13823))->Find("TQoZxSpectrumBspEngine"));
}

TEST(QoZxSpectrumMulticolorTest, SignedFormatsCheckTheirHeaders) {
  // BSP: title and author trimmed and joined; screens 64 pixels in, border colour 0.
  TBytes bsp(72 + 13824);
  std::copy_n("bsp\xC0", 4, bsp.begin());
  const std::string title = "  Sunset                        ";
  const std::string author = "Anna                            ";
  std::copy(title.begin(), title.end(), bsp.begin() + 6);
  std::copy(author.begin(), author.end(), bsp.begin() + 38);
  bsp[72 + 6144] = Attribute(0, 2);
  auto d = Detect("x.bsp", bsp);
  ASSERT_EQ("TQoZxSpectrumBspEngine", d->First()->EngineClass);
  EXPECT_EQ("Sunset / Anna", d->First()->InfoTitle);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(2u * 16, bmp->GetPixel(64, 64));
  EXPECT_EQ(0u, bmp->GetPixel(63, 64));
  bsp[3] = 0xC1;  // a flag no BSP file sets
  EXPECT_EQ(nullptr, Detect("x.bsp", bsp)->Find("TQoZxSpectrumBspEngine"));

  // HLR: the routine must be there byte for byte; one pattern for every cell.
  TBytes hlr(1628);
  const uint8_t routineStart[] = {0x76, 0xAF, 0xD3, 0xFE};
  EXPECT_EQ(nullptr, Detect("x.hlr", hlr)->Find("TQoZxSpectrumHlrEngine"));
  static constexpr uint8_t kRoutine[84] = {
      0x76, 0xAF, 0xD3, 0xFE, 0x21, 0x00, 0x58, 0x11, 0x01, 0x58, 0x01, 0xFF, 0x02, 0x75,
      0xED, 0xB0, 0x21, 0x00, 0x40, 0xCD, 0x43, 0x80, 0x21, 0x00, 0x48, 0xCD, 0x43, 0x80,
      0x21, 0x00, 0x50, 0xCD, 0x43, 0x80, 0x76, 0x21, 0x5C, 0x80, 0x11, 0x00, 0x58, 0x01,
      0x00, 0x03, 0xED, 0xB0, 0x76, 0x21, 0x5C, 0x83, 0x11, 0x00, 0x58, 0x01, 0x00, 0x03,
      0xED, 0xB0, 0xAF, 0xDB, 0xFE, 0xF6, 0xE0, 0x3C, 0x28, 0xE0, 0xC9, 0x11, 0x54, 0x80,
      0x06, 0x08, 0x4C, 0x1A, 0x77, 0x13, 0x24, 0x10, 0xFA, 0x61, 0x2C, 0x20, 0xF0, 0xC9};
  std::copy(std::begin(kRoutine), std::end(kRoutine), hlr.begin());
  EXPECT_TRUE(std::equal(std::begin(routineStart), std::end(routineStart), hlr.begin()));
  hlr[84 + 3] = 0x10;                      // pattern line 3: pixel 3 set
  hlr[92 + 32 * 2 + 5] = Attribute(1, 0);  // screen 1, row 2, column 5
  hlr[92 + 768 + 32 * 2 + 5] = Attribute(2, 0);
  auto h = Detect("x.hlr", hlr);
  ASSERT_EQ("TQoZxSpectrumHlrEngine", h->First()->EngineClass);
  EXPECT_EQ(" attr image", h->First()->Description);
  bmp = h->First()->Decode();
  EXPECT_EQ(1u * 16 + 2, bmp->GetPixel(5 * 8 + 3, 16 + 3));
  EXPECT_EQ(0u, bmp->GetPixel(5 * 8 + 3, 16 + 4));

  // STL: groups of four bytes, two of each screen, two pixels per byte.
  TBytes stl(3072);
  stl[64 * 7 + 4 + 1] = Attribute(3, 5);  // screen 1, attribute 3 of row 7
  stl[64 * 7 + 4 + 3] = Attribute(4, 6);  // screen 2, the same place
  auto s = Detect("x.stl", stl);
  bmp = s->First()->Decode();
  EXPECT_EQ(5u * 16 + 6, bmp->GetPixel(6, 7));
  EXPECT_EQ(3u * 16 + 4, bmp->GetPixel(7, 7));
}

TEST(QoZxSpectrumMulticolorTest, TwoMonochromeScreensMakeGrey) {
  TBytes lcm(12288);
  lcm[0] = 0xC0;     // screen 1: pixels 0 and 1
  lcm[6144] = 0xA0;  // screen 2: pixels 0 and 2
  auto d = Detect("pic.lcm", lcm);
  TQoSourceEngine& engine = *d->First();
  EXPECT_TRUE(engine.PaletteTypes.empty());
  EXPECT_EQ(0, engine.CalcModes);
  auto bmp = engine.Decode();
  EXPECT_EQ(0x000000u, bmp->GetStdRGBPixel(0, 0).R);
  EXPECT_EQ(188, bmp->GetStdRGBPixel(1, 0).R);
  EXPECT_EQ(188, bmp->GetStdRGBPixel(2, 0).R);
  EXPECT_EQ(255, bmp->GetStdRGBPixel(3, 0).R);
  EXPECT_EQ(1, engine.Palette->GetPColor(2).Excluded);
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(1, bmp->Frames->Get(0)->BitsPerPixel);
  EXPECT_EQ(1u, bmp->Frames->Get(1)->GetPixel(2, 0));
}

TEST(QoZxSpectrumMulticolorTest, BorderMulticolorUsesBothHalvesOfTheCell) {
  TBytes bmc4(11904);
  bmc4[QoZxPixelOffset(3, 0)] = 0x80;
  bmc4[QoZxPixelOffset(4, 0)] = 0x80;
  bmc4[6144] = Attribute(2, 0);
  bmc4[6912] = Attribute(5, 0);
  bmc4[7680] = 3 | 6 << 3;  // the first border byte: cells of colour 3 and 6
  auto d = Detect("pic.bmc4", bmc4);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(" image", d->First()->Description);
  EXPECT_EQ(2u, bmp->GetPixel(64, 64 + 3));
  EXPECT_EQ(5u, bmp->GetPixel(64, 64 + 4));
  EXPECT_EQ(3u, bmp->GetPixel(0, 0));
  EXPECT_EQ(6u, bmp->GetPixel(8, 0));
}
