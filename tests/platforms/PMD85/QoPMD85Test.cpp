#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platforms/PMD85/QoOpenPlatformPMD85.h"
#include "platforms/PMD85/QoPlatformPMD85.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry PMD85Registry() {
  TQoEngineRegistry registry;
  RegisterPMD85Engines(registry);
  return registry;
}

const std::vector<std::string> kClasses = {"TQoPMD85AEngine", "TQoPMD85BEngine", "TQoPMD85CEngine",
                                           "TQoPMD85DEngine", "TQoPMD85EEngine", "TQoPMD85FEngine",
                                           "TQoPMD85HEngine"};

// Row 10: column c holds all six pixels lit with attribute c (0 to 3); column 4 is unlit
// with attribute 3; column 48 (not shown) is lit. Row 11: the leftmost pixel of column 0
// with attribute 0, the rightmost of column 1 with attribute 2.
TBytes Dump() {
  TBytes dump(16384);
  for (std::size_t c = 0; c < 4; ++c) dump[10 * 64 + c] = static_cast<uint8_t>(c << 6 | 0x3F);
  dump[10 * 64 + 4] = 0xC0;
  dump[10 * 64 + 48] = 0x3F;
  dump[11 * 64 + 0] = 0x01;         // only the leftmost pixel, attribute 0
  dump[11 * 64 + 1] = 0x80 | 0x20;  // only the rightmost pixel, attribute 2
  return dump;
}

}  // namespace

TEST(QoPMD85Test, RegistersTheSevenEnginesInOrderAfterMSX) {
  EXPECT_EQ(kClasses, QoClassNames(PMD85Registry()));
  QoExpectModuleInStartUpOrder(kClasses, "TQoSR8Engine", "TQoSAMCoupeMode1SS1Engine");
  const TQoEngineRegistry registry = PMD85Registry();  // outlives the loop over its classes
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    EXPECT_EQ("PMD 85", QoDescribeEngineClass(engineClass).Platform) << engineClass.Name;
  }
}

TEST(QoPMD85Test, TheExtensionChoosesTheMonitorElseRegistryOrder) {
  auto d = QoDetectIn(PMD85Registry(), "p.85d", Dump());
  EXPECT_EQ(kClasses.size(), d->Classes().size());
  ASSERT_EQ("TQoPMD85DEngine", d->First()->EngineClass);
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ("PMD 85 288x256x2 Color RGB (PMD 85-1/2/2A) image", d->First()->GetDisplayName());
  EXPECT_TRUE(d->First()->PaletteTypes.empty());
  auto plain = QoDetectIn(PMD85Registry(), "p.bin", Dump());
  EXPECT_EQ(kClasses, plain->Classes());
  EXPECT_EQ(8, plain->First()->DetectFlags);
  TBytes longer = Dump();
  longer.push_back(0);
  EXPECT_EQ(0, QoDetectIn(PMD85Registry(), "p.85a", longer)->Engines->Count());
}

TEST(QoPMD85Test, AttributesChooseTheLitColour) {
  // Three colours fold attributes 2 and 3 back onto white and grey; five give A + 1.
  for (const auto& [name, expected] : {std::pair{"p.85a", std::vector<uint32_t>{1, 2, 1, 2}},
                                       std::pair{"p.85e", std::vector<uint32_t>{1, 2, 3, 4}}}) {
    auto d = QoDetectIn(PMD85Registry(), name, Dump());
    auto bmp = d->First()->Decode();
    ASSERT_EQ(288, bmp->Width);
    for (int a = 0; a < 4; ++a) {
      for (int b = 0; b < 6; ++b) EXPECT_EQ(expected[a], bmp->GetPixel(6 * a + b, 10)) << name;
    }
    EXPECT_EQ(0u, bmp->GetPixel(24, 10)) << "unlit stays black";
    EXPECT_EQ(0u, bmp->GetPixel(287, 10));
    EXPECT_EQ(1u, bmp->GetPixel(0, 11));
    EXPECT_EQ(0u, bmp->GetPixel(1, 11));
    EXPECT_EQ(0u, bmp->GetPixel(6, 11));
    EXPECT_EQ(expected[2], bmp->GetPixel(11, 11));
  }
  TQoPalette256 palette;
  QoSetPMD85Palette(palette, ptPMD85A);
  ASSERT_EQ(3, palette.GetCount());
  EXPECT_EQ(0xFFFFFFu, palette.GetRGBQuad(1));
  EXPECT_DOUBLE_EQ(1.0, palette.GetLinRGB(1).G);
  EXPECT_EQ(0xBFBFBFu, palette.GetRGBQuad(2));
  for (const auto& [type, second, last] :
       {std::tuple{ptPMD85B, 0xFFFFFFu, 0xA0A0A0u}, std::tuple{ptPMD85C, 0xA0A0A0u, 0xFFFFFFu},
        std::tuple{ptPMD85D, 0x50FF50u, 0xFFFFFFu}, std::tuple{ptPMD85E, 0x50FF50u, 0xFF50FFu},
        std::tuple{ptPMD85F, 0xFFFFFFu, 0xA00000u}}) {
    QoSetPMD85Palette(palette, type);
    ASSERT_EQ(5, palette.GetCount()) << int(type);
    EXPECT_EQ(0u, palette.GetRGBQuad(0));
    EXPECT_EQ(second, palette.GetRGBQuad(1)) << int(type);
    EXPECT_EQ(last, palette.GetRGBQuad(4)) << int(type);
  }
  const TBytes custom = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  QoSetPMD85Palette(palette, ptPMD85GCustom, TQoByteView(custom.data(), custom.size()));
  EXPECT_EQ(0x0A0B0Cu, palette.GetRGBQuad(4));
  EXPECT_THROW(QoSetPMD85Palette(palette, ptPMD85GCustom, TQoByteView(custom.data(), 11)),
               std::exception);
  EXPECT_THROW(QoSetPMD85Palette(palette, ptRGB888), std::exception);
}

TEST(QoPMD85Test, ColorAceMixesTheAttributesOfLinePairs) {
  auto d = QoDetectIn(PMD85Registry(), "p.85h", Dump());
  ASSERT_EQ("TQoPMD85HEngine", d->First()->EngineClass);
  EXPECT_EQ(3, d->First()->ColorDepth);
  auto bmp = d->First()->Decode();
  ASSERT_EQ(8, bmp->Palette->GetCount());
  EXPECT_EQ(0x50FF50u, bmp->Palette->GetRGBQuad(4));
  // Row 10 pairs with row 11: attributes 0 and 1 there in columns 0 and 1, 0 elsewhere.
  EXPECT_EQ(4u, bmp->GetPixel(0, 10));   // A 0 with B 0: green, not black
  EXPECT_EQ(4u, bmp->GetPixel(0, 11));   // the same pair seen from row 11
  EXPECT_EQ(3u, bmp->GetPixel(6, 10));   // A 1 with B 2
  EXPECT_EQ(3u, bmp->GetPixel(11, 11));  // A 2 with B 1
  EXPECT_EQ(0u, bmp->GetPixel(6, 11));   // unlit
  EXPECT_EQ(5u, bmp->GetPixel(12, 10));  // A 2 with B 0
  EXPECT_EQ(7u, bmp->GetPixel(18, 10));  // A 3 with B 0
  EXPECT_EQ(0u, bmp->GetPixel(24, 10));
  for (unsigned a = 0; a < 4; ++a) {
    for (unsigned b = 0; b < 4; ++b)
      EXPECT_EQ(QoPMD85ColorAceIndex(a, b), QoPMD85ColorAceIndex(b, a));
  }
}
