#include <gtest/gtest.h>

#include "color/QoPaletteTypes.h"
#include "engine/QoLoadSource.h"
#include "viewer/QoPaletteCycle.h"
#include "viewer/QoViewerLogic.h"

namespace {

// An engine with nothing but the fields the window reads.
class TFakeEngine : public TQoSourceEngine {
 public:
  explicit TFakeEngine(TQoLoadSource& source) : TQoSourceEngine(source, "TFakeEngine") {
    PlatformName = "Test";
    Width = 8;
    Height = 2;
    ColorDepth = 4;
  }
};

struct TFixture {
  TQoMemoryLoadSource Source{"x.bin", nullptr, 0, false};
  TFakeEngine Engine{Source};
};

}  // namespace

TEST(QoViewerLogicTest, OneEngineShowsItsNameInsteadOfAList) {
  TFixture a, b;
  b.Engine.ModeName = "Second";
  const TQoImageTypeHeader one = QoImageTypeHeader({&a.Engine});
  EXPECT_EQ("Test 8x2x4 image", one.LabelText);
  EXPECT_TRUE(one.Centred);
  EXPECT_FALSE(one.Box.Visible);
  const TQoImageTypeHeader two = QoImageTypeHeader({&a.Engine, &b.Engine});
  EXPECT_EQ("Image type:", two.LabelText);
  EXPECT_FALSE(two.Centred);
  ASSERT_EQ(2u, two.Box.Items.size());
  EXPECT_EQ("Test 8x2x4 Second image", two.Box.Items[1]);
  EXPECT_EQ(0, two.Box.Selected);
}

TEST(QoViewerLogicTest, AspectChoicesAddTheDefaultAndTheNeighbours) {
  TFixture f;
  EXPECT_FALSE(QoAspectChoices(f.Engine, f.Engine.AspectIndex).Visible);  // "1:1" alone

  f.Engine.AspectIndex = 47;  // "2:1" as the default, mask still "1:1" only
  TQoChoiceList list = QoAspectChoices(f.Engine, 47);
  ASSERT_TRUE(list.Visible);
  EXPECT_EQ((std::vector<std::string>{"1:1", "2:1"}), list.Items);
  EXPECT_EQ(1, list.Selected);

  f.Engine.AspectIndex = 28;
  f.Engine.AspectMask = uint64_t{1} << 10;  // "13:25" brings "1:2"
  list = QoAspectChoices(f.Engine, 28);
  EXPECT_EQ((std::vector<int>{9, 10, 28}), list.Values);
  EXPECT_EQ(2, list.Selected);
}

TEST(QoViewerLogicTest, PaletteVariantAndCalculationLists) {
  TFixture f;
  EXPECT_FALSE(QoPaletteTypeChoices(f.Engine).Visible);
  f.Engine.PaletteTypes = {ptAtariST, ptAtariSTE};
  f.Engine.PaletteType = ptAtariSTE;
  TQoChoiceList types = QoPaletteTypeChoices(f.Engine);
  ASSERT_TRUE(types.Visible);
  EXPECT_EQ(std::string(QoPaletteTypeLabel(ptAtariSTE)), types.Items[1]);
  EXPECT_EQ(1, types.Selected);

  f.Engine.PaletteVariants =
      std::make_shared<TQoPaletteVariantList>(TQoPaletteVariantList{"Variant 1", "Variant 3"});
  f.Engine.PaletteVariant = "Variant 3";
  EXPECT_EQ(1, QoVariantChoices(f.Engine).Selected);
  f.Engine.PaletteVariant = "Variant 9";  // not in the list: the first stays selected
  EXPECT_EQ(0, QoVariantChoices(f.Engine).Selected);
  f.Engine.PaletteVariants = std::make_shared<TQoPaletteVariantList>(TQoPaletteVariantList{"A"});
  EXPECT_FALSE(QoVariantChoices(f.Engine).Visible);

  f.Engine.CalcModes = 1;
  EXPECT_FALSE(QoCalculationChoices(f.Engine).Visible);
  f.Engine.CalcModes = 3;
  f.Engine.CalcMode = 0;
  const TQoChoiceList calc = QoCalculationChoices(f.Engine);
  EXPECT_EQ((std::vector<std::string>{"Standard", "Linear"}), calc.Items);
  EXPECT_EQ(0, calc.Selected);
}

TEST(QoViewerLogicTest, TextsAboveThePicture) {
  EXPECT_EQ("Name / Title", QoTitleLine("  Name ", "Title  "));
  EXPECT_EQ("Name", QoTitleLine("Name", " "));
  EXPECT_EQ("", QoTitleLine("", ""));
  const std::string forty(40, 'x');
  EXPECT_EQ(std::string(16, 'x') + "\r\n" + std::string(16, 'x') + "\r\n" + std::string(8, 'x'),
            QoBreakInfoComment(forty));
  EXPECT_EQ(std::string(16, 'x'), QoBreakInfoComment(std::string(16, 'x')));
  // Characters, not bytes: 17 two-byte letters break after the 16th letter.
  std::string umlauts;
  for (int i = 0; i < 17; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(umlauts.substr(0, 32) + "\r\n" + umlauts.substr(32), QoBreakInfoComment(umlauts));
}

TEST(QoViewerLogicTest, CopiedCommentAndSaveFilter) {
  EXPECT_EQ("Title", QoCommentToCopy("Title", "comment"));
  // The comment goes out whole, not broken into the window's 16-character lines.
  const std::string comment(40, 'c');
  EXPECT_EQ(comment, QoCommentToCopy("", comment));
  EXPECT_EQ("", QoCommentToCopy("", ""));

  const TQoSaveFilter known = QoSaveFilter("Portable Network Graphic", ".png");
  EXPECT_EQ("Portable Network Graphic (*.png)", known.Description);
  EXPECT_EQ("*.png", known.Mask);
  EXPECT_EQ("GIF File (*.gif)", QoSaveFilter("", ".gif").Description);
  EXPECT_EQ("PAL File (*.pal)", QoSaveFilter("", ".pal").Description);
}

TEST(QoViewerLogicTest, PaletteGridShapes) {
  EXPECT_EQ(2, QoPaletteGrid(2, 16).Columns);
  EXPECT_EQ(1, QoPaletteGrid(2, 16).Rows);
  EXPECT_EQ(16, QoPaletteGrid(17, 16).Columns);
  EXPECT_EQ(2, QoPaletteGrid(17, 16).Rows);
  EXPECT_EQ(4, QoPaletteGrid(16, 4).Columns);
  EXPECT_EQ(4, QoPaletteGrid(16, 4).Rows);
  EXPECT_EQ(1, QoPaletteGrid(0, 16).Rows);
}

TEST(QoViewerLogicTest, ArrangeControlsPlacesThePanelAndThePicture) {
  TQoLayoutInput in;
  in.ClientWidth = 800;
  in.ClientHeight = 600;
  in.MarginX = in.MarginY = in.SpacingX = in.SpacingY = 11;
  in.GapX = in.GapY = 5;
  in.CharWidth = 7.4;
  in.ImageTypeLabel = {70, 15};
  in.ImageTypeBoxVisible = true;
  in.BoxHeight = 23;
  in.OptionVisible[1] = true;  // palette
  in.OptionLabelHeight = 15;
  in.PaletteHasColors = true;
  in.PaletteDisplay = {113, 17};
  in.GrayBox = {50, 17};
  in.FlickerPresent = true;
  in.FlickerBox = {48, 17};
  TQoLayout out = QoArrangeControls(in);
  EXPECT_EQ(148, out.OptionPanelWidth);  // 20 characters
  EXPECT_EQ(800 - 148 - 11, out.ImageColumnWidth);
  EXPECT_EQ(11 + 70 + 5, out.ImageTypeBox.Left);
  EXPECT_EQ(11 + 4, out.ImageTypeLabel.Top);  // centred on the box
  EXPECT_EQ(789, out.ImageTypeBox.Right());
  const int32_t top = 11 + 23 + 11;
  EXPECT_EQ(top, out.OptionLabel[1].Top);
  EXPECT_EQ(top + 15 + 5, out.OptionBox[1].Top);
  EXPECT_EQ(top + 15 + 5 + 23 + 11, out.PaletteDisplay.Top);
  EXPECT_EQ(out.ImageColumnWidth + (148 - 113) / 2, out.PaletteDisplay.Left);
  EXPECT_EQ(600 - 11 - 17, out.GrayBox.Top);
  EXPECT_EQ(11 + 50 + 11, out.FlickerBox.Left);
  EXPECT_EQ(top, out.Image.Top);
  EXPECT_EQ(out.ImageColumnWidth - 11 - 11, out.Image.Width);
  EXPECT_EQ(out.GrayBox.Top - 11, out.Image.Bottom());

  // Information text: beside the picture when wide, above it when tall.
  in.InfoVisible = true;
  in.Info = {120, 60};
  out = QoArrangeControls(in);
  EXPECT_EQ(11 + 120 + 11, out.Image.Left);
  EXPECT_EQ(out.Info.Top, out.Image.Top);
  in.ClientWidth = 500;
  in.ClientHeight = 700;
  out = QoArrangeControls(in);
  EXPECT_EQ((500 - 120) / 2, out.Info.Left);
  EXPECT_EQ(out.Info.Bottom() + 11, out.Image.Top);

  // No options and no colours: the picture takes the whole width.
  TQoLayoutInput bare;
  bare.ClientWidth = 300;
  bare.ClientHeight = 200;
  EXPECT_EQ(300, QoArrangeControls(bare).ImageColumnWidth);
}

TEST(QoViewerLogicTest, ResamplingStartsOnceAndTakesOnlyCurrentResults) {
  TQoResampleSchedule schedule;
  using A = TQoResampleSchedule::TPaintAction;
  // Fitted size equal to the picture: nothing to resample.
  EXPECT_EQ(A::DrawStretched, schedule.Paint(320, 200, 320, 200));
  EXPECT_EQ(A::DrawStretchedAndStart, schedule.Paint(640, 400, 320, 200));
  EXPECT_EQ(A::DrawStretched, schedule.Paint(700, 437, 320, 200));  // one at a time
  // Grey switched on while it runs: its result comes too late and is dropped.
  schedule.Invalidate();
  EXPECT_EQ(A::DrawStretched, schedule.Paint(640, 400, 320, 200));
  EXPECT_FALSE(schedule.Finished(640, 400));
  EXPECT_EQ(A::DrawStretchedAndStart, schedule.Paint(640, 400, 320, 200));
  EXPECT_TRUE(schedule.Finished(640, 400));
  EXPECT_EQ(A::DrawResampled, schedule.Paint(640, 400, 320, 200));
  // A new size makes the cached result worthless.
  EXPECT_EQ(A::DrawStretchedAndStart, schedule.Paint(600, 375, 320, 200));
}

TEST(QoPaletteCycleTest, RangesRotateByDirectionAndDelay) {
  TQoPalette256 palette;
  for (uint32_t c : {0x000000u, 0x111111u, 0xAAAAAAu, 0xBBBBBBu, 0xCCCCCCu, 0xDDDDDDu}) {
    palette.Add(c);
  }
  TQoBitmap8 bmp(6, 1, &palette);
  for (int x = 0; x < 6; ++x) bmp.SetPixel(x, 0, static_cast<uint32_t>(x));
  TQoCycleRanges ranges;
  ranges.Count = 1;
  ranges.Items[0] = TQoCycleRange{2, 5, 1, 0, 7};  // delay 0 plays as 1
  TQoPaletteCycleBitmap32 reverse(bmp, ranges);
  EXPECT_EQ(1, reverse.Ranges().Items[0].Delay);
  EXPECT_EQ(0, reverse.Ranges().Items[0].Counter);
  ASSERT_TRUE(reverse.Step());
  EXPECT_EQ(0xFFBBBBBBu, reverse.At(2, 0));
  EXPECT_EQ(0xFFAAAAAAu, reverse.At(5, 0));
  EXPECT_EQ(0xFF111111u, reverse.At(1, 0));

  ranges.Items[0] = TQoCycleRange{2, 5, 0, 3, 0};
  TQoPaletteCycleBitmap32 forward(bmp, ranges);
  EXPECT_FALSE(forward.Step());
  EXPECT_FALSE(forward.Step());
  ASSERT_TRUE(forward.Step());  // every third tick
  EXPECT_EQ(0xFFDDDDDDu, forward.At(2, 0));
  EXPECT_EQ(0xFFAAAAAAu, forward.At(3, 0));
  EXPECT_EQ(0xFFCCCCCCu, forward.At(5, 0));

  // Overlapping ranges turn one after the other within a step.
  ranges.Count = 2;
  ranges.Items[0] = TQoCycleRange{1, 3, 0, 1, 0};
  ranges.Items[1] = TQoCycleRange{2, 4, 0, 1, 0};
  TQoPaletteCycleBitmap32 both(bmp, ranges);
  ASSERT_TRUE(both.Step());
  // Entries 1..3 (11, AA, BB) become (BB, 11, AA); then 2..4 (11, AA, CC) become (CC, 11, AA).
  EXPECT_EQ(0xFFBBBBBBu, both.Colors()[1]);
  EXPECT_EQ(0xFFCCCCCCu, both.Colors()[2]);
  EXPECT_EQ(0xFF111111u, both.Colors()[3]);
  EXPECT_EQ(0xFFAAAAAAu, both.Colors()[4]);
  EXPECT_EQ(30, QoCycleTick(500));
}
