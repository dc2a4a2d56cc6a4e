#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "color/QoAspect.h"
#include "platforms/ElectronikaMS0515/QoOpenPlatformElectronikaMS0515.h"
#include "support/QoEngineChecks.h"

namespace {

TQoEngineRegistry MS0515Registry() {
  TQoEngineRegistry registry;
  RegisterElectronikaMS0515Engines(registry);
  return registry;
}

}  // namespace

TEST(QoElectronikaMS0515Test, RegistersColourBeforeMonochrome) {
  const std::vector<std::string> classes = {"TQoMS0515Engine", "TQoMS0515BWEngine"};
  EXPECT_EQ(classes, QoClassNames(MS0515Registry()));
  QoExpectModuleInStartUpOrder(classes, "TQoDVKEngine", "TQoSR8Engine");
}

TEST(QoElectronikaMS0515Test, OneScreenReadInBothModes) {
  std::vector<uint8_t> screen(16000);
  // Colour line 7, cell 2: pixel byte 0x81, attribute bright, paper 1, ink 6.
  screen[7 * 80 + 4] = 0x81;
  screen[7 * 80 + 5] = 0x40 | 1 << 3 | 6;
  auto d = QoDetectIn(MS0515Registry(), "p.scr", screen);
  ASSERT_EQ((std::vector<std::string>{"TQoMS0515Engine", "TQoMS0515BWEngine"}), d->Classes());
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ("Elektronika MC 0515 320x200x4 image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  ASSERT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(0xBCBC00u, bmp->Palette->GetRGBQuad(6));  // yellow at the normal level
  EXPECT_EQ(14u, bmp->GetPixel(16, 7));
  EXPECT_EQ(9u, bmp->GetPixel(17, 7));
  EXPECT_EQ(14u, bmp->GetPixel(23, 7));
  EXPECT_EQ(0u, bmp->GetPixel(24, 7));

  // The same bytes as 80 bytes a line, most significant bit first.
  TQoSourceEngine& mono = *d->Find("TQoMS0515BWEngine");
  EXPECT_EQ(640, mono.Width);
  EXPECT_EQ(kQoAspect1to2, mono.AspectIndex);
  auto bw = mono.Decode();
  EXPECT_EQ(1u, bw->GetPixel(32, 7));
  EXPECT_EQ(0u, bw->GetPixel(33, 7));
  EXPECT_EQ(1u, bw->GetPixel(39, 7));
  EXPECT_EQ(1u, bw->GetPixel(41, 7));  // the attribute byte 0x4E
  EXPECT_EQ(8, QoDetectIn(MS0515Registry(), "p.bin", screen)->First()->DetectFlags);
  screen.pop_back();
  EXPECT_EQ(0, QoDetectIn(MS0515Registry(), "p.scr", screen)->Engines->Count());
}
