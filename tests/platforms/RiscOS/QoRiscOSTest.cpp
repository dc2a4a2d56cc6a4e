#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "color/QoAspect.h"
#include "platforms/RiscOS/QoOpenPlatformRiscOS.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

void Put32(TBytes& b, std::size_t at, uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct TSpriteSpec {
  std::string Name;
  uint32_t WidthWords, HeightLines, FirstBit, LastBit, Mode;
  TBytes Palette;  // 8 bytes an entry
  TBytes Image;
  TBytes Mask;  // empty: none
};

TBytes SpriteBytes(const TSpriteSpec& s) {
  TBytes b(44, 0);
  for (std::size_t i = 0; i < s.Name.size() && i < 12; ++i) b[4 + i] = uint8_t(s.Name[i]);
  const uint32_t image = uint32_t(44 + s.Palette.size());
  const uint32_t mask = s.Mask.empty() ? image : uint32_t(image + s.Image.size());
  Put32(b, 16, s.WidthWords);
  Put32(b, 20, s.HeightLines);
  Put32(b, 24, s.FirstBit);
  Put32(b, 28, s.LastBit);
  Put32(b, 32, image);
  Put32(b, 36, mask);
  Put32(b, 40, s.Mode);
  b.insert(b.end(), s.Palette.begin(), s.Palette.end());
  b.insert(b.end(), s.Image.begin(), s.Image.end());
  b.insert(b.end(), s.Mask.begin(), s.Mask.end());
  Put32(b, 0, uint32_t(b.size()));
  return b;
}

TBytes SpriteFile(const std::vector<TSpriteSpec>& sprites) {
  TBytes file(12, 0);
  for (const TSpriteSpec& s : sprites) {
    const TBytes b = SpriteBytes(s);
    file.insert(file.end(), b.begin(), b.end());
  }
  Put32(file, 0, uint32_t(sprites.size()));
  Put32(file, 4, 16);
  Put32(file, 8, uint32_t(file.size() + 4));
  return file;
}

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterRiscOSEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, const TBytes& bytes) {
  return QoDetectIn(Registry(), name, bytes);
}

TEST(QoRiscOSTest, RegistersTheSpriteEngine) {
  EXPECT_EQ(QoClassNames(Registry()), std::vector<std::string>{"TQoAcornSpriteEngine"});
}

TEST(QoRiscOSTest, OldModeSpritesDepthsPalettesAndWastage) {
  // Mode 0, one bit, no palette: the desktop's white paper and black ink, bits from bit 0
  // leftwards, 640 pixels, tall pixels. 20 words by 2 lines.
  TBytes mono(2 * 80, 0);
  mono[0] = 0x02;  // pixel 1 set
  {
    auto d = Detect("icon.acorn", SpriteFile({{"mono", 19, 1, 0, 31, 0, {}, mono, {}}}));
    ASSERT_EQ(d->Engines->Count(), 1);
    TQoSourceEngine& e = *d->First();
    EXPECT_EQ(e.DetectFlags, 11);
    EXPECT_EQ(e.Width, 640);
    EXPECT_EQ(e.AspectIndex, kQoAspect1to2);
    EXPECT_EQ(e.InfoTitle, "mono");
    EXPECT_EQ(e.GetDisplayName(), "RiscOS 640x2x1 mode 0 image");
    auto bmp = e.Decode();
    EXPECT_EQ(bmp->GetPixel(0, 0), 0u);
    EXPECT_EQ(bmp->GetPixel(1, 0), 1u);
    EXPECT_EQ(e.Palette->GetRGBQuad(0), 0xFFFFFFu);
    EXPECT_EQ(e.Palette->GetRGBQuad(1), 0x000000u);
  }
  // Mode 12, four bits, low nibble leftmost; eight bits of wastage on the left drop two
  // pixels; an old-mode mask hides pixel 1 (its nibble is 0).
  TBytes four = {0x21, 0x43, 0x65, 0x87};
  TBytes mask = {0xFF, 0x0F, 0xFF, 0xFF};
  {
    auto d = Detect("x,ff9", SpriteFile({{"four", 0, 0, 8, 31, 12, {}, four, mask}}));
    TQoSourceEngine& e = *d->First();
    EXPECT_EQ(e.DetectFlags, 11);  // the file type in the name counts as the extension
    EXPECT_EQ(e.Width, 6);
    EXPECT_EQ(e.Description, " Alpha mode 12 image");
    auto bmp = e.Decode();
    EXPECT_EQ(bmp->GetPixel(0, 0), 3u);
    EXPECT_EQ(bmp->GetPixel(1, 0), 0u);  // masked
    EXPECT_EQ(bmp->GetPixel(5, 0), 8u);
    EXPECT_EQ(e.Palette->GetRGBQuad(8), 0x004499u);
  }
  // Mode 28, eight bits, with 16 stored entries only: the 256-colour default applies.
  TBytes sixteen(16 * 8, 0);
  auto d =
      Detect("p", SpriteFile({{"eight", 0, 0, 0, 31, 28, sixteen, {0x00, 0x03, 0xFF, 0x94}, {}}}));
  auto bmp = d->First()->Decode();
  EXPECT_EQ(d->First()->DetectFlags, 9);
  EXPECT_EQ(d->First()->Palette->GetRGBQuad(0x03), 0x333333u);
  EXPECT_EQ(d->First()->Palette->GetRGBQuad(0xFF), 0xFFFFFFu);
  EXPECT_EQ(d->First()->Palette->GetRGBQuad(0x94), 0xCC0088u);  // bits 2, 4: red; 7: blue
}

TEST(QoRiscOSTest, TypeWordSpritesAreTrueColour) {
  // Type 10 (5:6:5), 180 x 90 dpi: pixels twice as tall as wide. Red then blue.
  const uint32_t type565 = (10u << 27) | (90u << 14) | (180u << 1) | 1u;
  TBytes pixels = {0x1F, 0x00, 0x00, 0xF8};
  auto d = Detect("t", SpriteFile({{"tc", 0, 0, 0, 31, type565, {}, pixels, {}}}));
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.ColorDepth, 16);
  EXPECT_EQ(e.AspectIndex, kQoAspect1to2);
  auto bmp = e.Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 0xFF0000u);
  EXPECT_EQ(bmp->GetPixel(1, 0), 0x0000FFu);
  // The wide form: all of bits 27-30 set, type 6 in bits 20-26, channels reversed.
  const uint32_t wide = (0xFu << 27) | (6u << 20) | 0x4000u | 1u;
  auto r = Detect("t", SpriteFile({{"bgr", 0, 0, 0, 31, wide, {}, {0x11, 0x22, 0x33, 0}, {}}}));
  EXPECT_EQ(r->First()->Decode()->GetPixel(0, 0), 0x332211u);
  // Bits 16-19 must be clear in the wide form.
  EXPECT_EQ(Detect("t", SpriteFile({{"bad", 0, 0, 0, 31, wide | 0x10000u, {}, {0, 0, 0, 0}, {}}}))
                ->Engines->Count(),
            0);
}

TEST(QoRiscOSTest, SeveralSpritesShareOneSheet) {
  // Mode 12: sprite a 8 x 1 pixels of colour 3, sprite b 8 x 2 of colour 8.
  TBytes a(4, 0x33), b(8, 0x88);
  auto d = Detect(
      "s", SpriteFile({{"a", 0, 0, 0, 31, 12, {}, a, {}}, {"b", 0, 1, 0, 31, 12, {}, b, {}}}));
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.Width, 8 + 8 + 8 + 8 + 8);
  EXPECT_EQ(e.Height, 8 + 2 + 8);
  EXPECT_EQ(e.InfoComment, "a\nb");
  EXPECT_EQ(e.AspectIndex, kQoAspect1to2);  // both sprites have tall pixels
  auto bmp = e.Decode();
  auto rgb = [&](int x, int y) { return e.Palette->GetRGBQuad(int(bmp->GetPixel(x, y))); };
  EXPECT_EQ(rgb(0, 0), 0xDDDDDDu);
  EXPECT_EQ(rgb(8, 8), 0x999999u);  // a, centred in the two-line row: its top half
  EXPECT_EQ(rgb(8, 9), 0xDDDDDDu);
  EXPECT_EQ(rgb(23, 8), 0xDDDDDDu);  // the gap
  EXPECT_EQ(rgb(24, 9), 0x004499u);  // b
}

TEST(QoRiscOSTest, CrookedAreasAreDeclined) {
  const TBytes good = SpriteFile({{"a", 0, 0, 0, 31, 12, {}, TBytes(4, 1), {}},
                                  {"b", 0, 0, 0, 31, 12, {}, TBytes(60, 1), {}}});
  ASSERT_EQ(Detect("s", good)->Engines->Count(), 1);
  for (std::size_t cut = 1; cut < 40; cut += 7) {
    EXPECT_EQ(Detect("s", TBytes(good.begin(), good.end() - long(cut)))->Engines->Count(), 0)
        << cut;
  }
  TBytes lying = good;
  Put32(lying, 0, 1000000);  // a count no file holds
  EXPECT_EQ(Detect("s", lying)->Engines->Count(), 0);
  lying = good;
  Put32(lying, 12, 8);  // a next offset inside the header
  EXPECT_EQ(Detect("s", lying)->Engines->Count(), 0);
  lying = good;
  Put32(lying, 12 + 16, 0x3FFF);  // a width beyond the data
  EXPECT_EQ(Detect("s", lying)->Engines->Count(), 0);
}

TEST(QoRiscOSTest, RealSpriteFilesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"riscos-sprite", "TQoAcornSpriteEngine"}};
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"riscos/PsiFS_Logo,ff9", "f7fb143bd1572d8f"},
      {"riscos/PsiFS_Sprites,ff9", "65a8d001c4220022"},
      {"riscos/Sprites,ff9", "b824c0f04a9cdc1b"},
      {"riscos/_Sprites22,ff9", "088f063f9cffe7f7"},
  };
  EXPECT_EQ(4, QoCheckRealPictures(QoDefaultRegistry(), expectedEngine, pinned));
}

}  // namespace
