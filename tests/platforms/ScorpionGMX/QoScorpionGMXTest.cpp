#include <gtest/gtest.h>

#include <string>

#include "color/QoAspect.h"
#include "platforms/ScorpionGMX/QoOpenPlatformScorpionGMX.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry GMXRegistry() {
  TQoEngineRegistry registry;
  RegisterScorpionGMXEngines(registry);
  return registry;
}

}  // namespace

TEST(QoScorpionGMXTest, RegistersBothModesAfterTheSAMCoupe) {
  const std::vector<std::string> classes = {"TQoScorpiorGMX640Engine", "TQoScorpiorGMX160Engine"};
  EXPECT_EQ(classes, QoClassNames(GMXRegistry()));
  QoExpectModuleInStartUpOrder(classes, "TQoSAMCoupeModeRAWEngine", "TQoSegaMasterSystemEngine");
}

TEST(QoScorpionGMXTest, AnAttributePerPixelByteOrAttributesAlone) {
  // 640 x 200: row 150, byte 79 and its attribute 16,384 bytes on.
  TBytes wide(32768);
  wide[80 * 150 + 79] = 0x01;
  wide[16384 + 80 * 150 + 79] = 0x40 | 2 << 3 | 1;
  wide[16384 + 80 * 150 + 78] = 0x04;
  auto d = QoDetectIn(GMXRegistry(), "p.c", wide);
  TQoSourceEngine& engine = *d->First();
  ASSERT_EQ("TQoScorpiorGMX640Engine", engine.EngineClass);
  EXPECT_EQ(10, engine.DetectFlags);
  EXPECT_EQ("Scorpion GMX 640x200x4 image", engine.GetDisplayName());
  EXPECT_EQ(3, engine.GetPaletteTypeCount());
  EXPECT_EQ(kQoAspect1to2, engine.AspectIndex);
  auto bmp = engine.Decode();
  EXPECT_EQ((std::vector<uint32_t>{0, 10, 9}),
            (std::vector<uint32_t>{bmp->GetPixel(631, 150), bmp->GetPixel(638, 150),
                                   bmp->GetPixel(639, 150)}));
  EXPECT_EQ(8, QoDetectIn(GMXRegistry(), "p.bin", wide)->First()->DetectFlags);

  // 160 x 200: after a header of 128 bytes, 80 attributes a row, paper then ink.
  TBytes narrow(16128);
  narrow[0] = 'G', narrow[1] = 'M', narrow[2] = 'X', narrow[3] = 0x0F;
  narrow[128 + 80 * 199 + 79] = 0x40 | 3 << 3 | 4;
  auto n = QoDetectIn(GMXRegistry(), "p.c", narrow);
  TQoSourceEngine& gmx = *n->First();
  ASSERT_EQ("TQoScorpiorGMX160Engine", gmx.EngineClass);
  EXPECT_EQ(11, gmx.DetectFlags);
  EXPECT_EQ(kQoAspect2to1, gmx.AspectIndex);
  auto nb = gmx.Decode();
  EXPECT_EQ((std::vector<uint32_t>{0, 11, 12}),
            (std::vector<uint32_t>{nb->GetPixel(157, 199), nb->GetPixel(158, 199),
                                   nb->GetPixel(159, 199)}));
  EXPECT_EQ(9, QoDetectIn(GMXRegistry(), "p.bin", narrow)->First()->DetectFlags);
  narrow[4] = 1;
  EXPECT_TRUE(QoDetectIn(GMXRegistry(), "p.c", narrow)->Classes().empty());
}
