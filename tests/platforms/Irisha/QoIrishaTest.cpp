#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "color/QoAspect.h"
#include "platforms/Irisha/QoOpenPlatformIrisha.h"
#include "support/QoEngineChecks.h"

namespace {

TQoEngineRegistry IrishaRegistry() {
  TQoEngineRegistry registry;
  RegisterIrishaEngines(registry);
  return registry;
}

}  // namespace

TEST(QoIrishaTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoIrishaEngine"}), QoClassNames(IrishaRegistry()));
}

TEST(QoIrishaTest, RowsOfBytesInTwoWidths) {
  for (auto [size, width, aspect] :
       {std::tuple{8000u, 320, kQoAspect5to6}, std::tuple{16000u, 640, kQoAspect5to12}}) {
    std::vector<uint8_t> screen(size);
    const std::size_t rowBytes = static_cast<std::size_t>(width / 8);
    screen[199 * rowBytes + rowBytes - 1] = 0x81;  // the first and last pixel of the last byte
    screen[1] = 0x40;
    auto d = QoDetectIn(IrishaRegistry(), "x.pic", screen);
    ASSERT_EQ("TQoIrishaEngine", d->First()->EngineClass);
    EXPECT_EQ(10, d->First()->DetectFlags);
    EXPECT_EQ("Irisha " + std::to_string(width) + "x200x1 image", d->First()->GetDisplayName());
    EXPECT_EQ(aspect, d->First()->AspectIndex);
    auto bmp = d->First()->Decode();
    EXPECT_EQ(1u, bmp->GetPixel(width - 8, 199));
    EXPECT_EQ(0u, bmp->GetPixel(width - 7, 199));
    EXPECT_EQ(1u, bmp->GetPixel(width - 1, 199));
    EXPECT_EQ(1u, bmp->GetPixel(9, 0));
    EXPECT_EQ(0u, bmp->GetPixel(9, 1));
    EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(1));
    EXPECT_EQ(8, QoDetectIn(IrishaRegistry(), "x.bin", screen)->First()->DetectFlags);
    screen.pop_back();
    EXPECT_EQ(0, QoDetectIn(IrishaRegistry(), "x.pic", screen)->Engines->Count());
  }
}
