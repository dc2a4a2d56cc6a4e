#include <gtest/gtest.h>

#include <set>
#include <string>

#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"

namespace {

uint64_t Bits(std::initializer_list<int> entries) {
  uint64_t mask = 0;
  for (int e : entries) mask |= uint64_t{1} << e;
  return mask;
}

TEST(QoPaletteTypes, LabelsAsTheViewerListsThem) {
  EXPECT_STREQ(QoPaletteTypeLabel(ptRGB888), "RGB888");
  EXPECT_STREQ(QoPaletteTypeLabel(ptPulsar), "Pulsar (205)");
  EXPECT_STREQ(QoPaletteTypeLabel(ptColoredLinear), "Linear");
  EXPECT_STREQ(QoPaletteTypeLabel(ptBackCyanMagentaWhiteLow),
               "B/Cyan/Magenta/Gray (low intensity)");
  EXPECT_STREQ(QoPaletteTypeLabel(ptPMD85D), "Color RGB (PMD 85-1/2/2A)");
  EXPECT_STREQ(QoPaletteTypeLabel(ptAtariSTE), "Atari STE");
  EXPECT_STREQ(QoPaletteTypeLabel(89), "");
  // "Color" begins with the Cyrillic capital Es, U+0421.
  EXPECT_EQ(std::string(QoPaletteTypeLabel(ptColored)), "\xD0\xA1olor");
  EXPECT_EQ(QoPaletteTypeByLabel("Atari ST"), ptAtariST);
  EXPECT_EQ(QoPaletteTypeByLabel("Color"), -1);  // the Latin spelling is not the label
  // Every value has a label; only the labels that several platforms share repeat.
  std::set<std::string> labels;
  for (int i = 0; i < kQoPaletteTypeCount; ++i) {
    EXPECT_STRNE(QoPaletteTypeLabel(static_cast<uint8_t>(i)), "") << i;
    labels.insert(QoPaletteTypeLabel(static_cast<uint8_t>(i)));
  }
  EXPECT_EQ(labels.size(), 86u);  // "MSX", "15 colors" and "16 colors" appear twice
}

TEST(QoAspect, TableValues) {
  EXPECT_STREQ(QoAspectEntry(28).Label, "1:1");
  EXPECT_EQ(QoAspectEntry(28).V, 1);
  EXPECT_EQ(QoAspectEntry(28).H, 1);
  EXPECT_STREQ(QoAspectEntry(3).Label, "23:75");  // stored as 92 : 300
  EXPECT_EQ(QoAspectEntry(3).H, 92);
  EXPECT_EQ(QoAspectEntry(3).V, 300);
  EXPECT_STREQ(QoAspectEntry(47).Label, "2:1");
  EXPECT_EQ(QoAspectEntry(47).H, 2);
  EXPECT_EQ(QoAspectEntry(47).V, 1);
  EXPECT_STREQ(QoAspectEntry(62).Label, "16:3");
  EXPECT_STREQ(QoAspectEntry(63).Label, "1:1");  // outside the table
  EXPECT_STREQ(QoAspectEntry(-1).Label, "1:1");
  // Every factor is positive: the viewer and the thumbnail code divide by them.
  for (int i = 0; i < kQoAspectCount; ++i) {
    const TQoAspectEntry& e = QoAspectEntry(i);
    EXPECT_GT(e.H, 0) << i;
    EXPECT_GT(e.V, 0) << i;
  }
  // The NTSC entries repeat the values of their neighbours under another label.
  EXPECT_EQ(QoAspectEntry(19).H, QoAspectEntry(18).H);
  EXPECT_EQ(QoAspectEntry(39).V, QoAspectEntry(38).V);
}

TEST(QoAspect, OfferedEntriesWithCompanions) {
  EXPECT_EQ(QoOfferedAspects(Bits({28}), 28), Bits({28}));
  EXPECT_EQ(QoOfferedAspects(0, 47), Bits({28, 47}));
  EXPECT_EQ(QoOfferedAspects(Bits({55}), 28), Bits({28, 55, 56}));
  EXPECT_EQ(QoOfferedAspects(Bits({0}), 28), Bits({0, 1, 28}));
  EXPECT_EQ(QoOfferedAspects(Bits({2}), 28), Bits({1, 2, 28}));
  EXPECT_EQ(QoOfferedAspects(0, 13), Bits({9, 13, 28}));
  EXPECT_EQ(QoOfferedAspects(Bits({51}), 28), Bits({28, 47, 51}));
  EXPECT_EQ(QoOfferedAspects(Bits({60, 43}), 28), Bits({28, 43, 47, 56, 60}));
  EXPECT_EQ(QoOfferedAspects(0, 200), Bits({28}));  // a start entry beyond 63 adds nothing
}

}  // namespace

TEST(QoAspectTest, EntriesAreFoundByTheirLabels) {
  EXPECT_EQ(kQoAspect1to1Index, QoAspectIndexByLabel("1:1"));
  const int wide = QoAspectIndexByLabel("2:1");
  ASSERT_GE(wide, 0);
  EXPECT_EQ(1, QoAspectEntry(wide).V);
  EXPECT_EQ(2, QoAspectEntry(wide).H);
  EXPECT_EQ(-1, QoAspectIndexByLabel("5:0"));
}

TEST(QoAspectTest, NamedEntriesCarryTheirLabels) {
  const std::pair<uint8_t, const char*> named[] = {
      {kQoAspect5to12, "5:12"},      {kQoAspect16to35, "16:35"},    {kQoAspect1to2, "1:2"},
      {kQoAspect1138to2, "1.138:2"}, {kQoAspect4to5, "4:5"},        {kQoAspect5to6, "5:6"},
      {kQoAspect32to35, "32:35"},    {kQoAspect1138to1, "1.138:1"}, {kQoAspect3to2, "3:2"},
      {kQoAspect8to5, "8:5"},        {kQoAspect5to3, "5:3"},        {kQoAspect64to35, "64:35"},
      {kQoAspect2to1, "2:1"},        {kQoAspect2276to1, "2.276:1"}, {kQoAspect4to1, "4:1"}};
  for (const auto& [index, label] : named) {
    EXPECT_STREQ(label, QoAspectEntry(index).Label);
  }
}
