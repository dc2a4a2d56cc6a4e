#include "engine/QoSubEngine.h"

#include <gtest/gtest.h>

#include "engine/QoLoadSource.h"

namespace {

// An inner engine that describes a picture fully and records what Decode was given.
class TInnerEngine : public TQoSourceEngine {
 public:
  explicit TInnerEngine(TQoLoadSource& source) : TQoSourceEngine(source, "TInnerEngine") {
    DefaultExtension = ".in";
    PlatformName = "Inner";
    ModeName = "Mode";
    Description = " inner image";
    InfoName = "name";
    InfoTitle = "title";
    InfoComment = "comment";
    Width = 3;
    Height = 2;
    ColorDepth = 4;
    FrameCount = 2;
    AddCycleRange(1, 5, 1, 7);
    HasColorCycling = 1;
    AspectMask = uint64_t{1} << 22;
    AspectIndex = 22;
    PaletteTypes = {ptRGB444, ptRGB888};
    PaletteType = ptRGB444;
    PaletteVariants =
        std::make_shared<TQoPaletteVariantList>(TQoPaletteVariantList{"Variant 1", "Variant 2"});
    PaletteVariant = "Variant 1";
    CalcModes = 3;
    CalcMode = 0;
  }
  std::unique_ptr<TQoBitmap> Decode() override {
    SeenType = PaletteType;
    SeenVariant = PaletteVariant;
    SeenCalc = CalcMode;
    // The palette depends on the selection, so the test sees which one was used.
    Palette->Clear();
    Palette->Add(PaletteType == ptRGB888 ? 0xFF0000u : 0x00FF00u);
    SeenSource = Source;
    return std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  }
  uint8_t SeenType = 0xFF;
  std::string SeenVariant;
  uint8_t SeenCalc = 0xFF;
  TQoLoadSource* SeenSource = nullptr;
};

class TWrapper : public TQoSourceEngineWithSubEngine {
 public:
  explicit TWrapper(TQoLoadSource& source) : TQoSourceEngineWithSubEngine(source, "TWrapper") {
    // The inner data is the outer file without its first byte.
    auto inner =
        std::make_unique<TQoMemoryLoadSource>("inner.in", source.Data + 1, source.Size - 1, false);
    auto engine = std::make_unique<TInnerEngine>(*inner);
    SetSubEngine(std::move(inner), std::move(engine));
  }
  TInnerEngine& Inner() { return static_cast<TInnerEngine&>(*SubEngine); }
};

}  // namespace

TEST(QoSubEngineTest, WrapperPresentsTheInnerPictureAsItsOwn) {
  uint8_t bytes[4] = {9, 1, 2, 3};
  TQoMemoryLoadSource source("outer.out", bytes, 4, false);
  TWrapper wrapper(source);
  EXPECT_EQ("TWrapper", wrapper.EngineClass);
  EXPECT_EQ("Inner 3x2x4@2 Mode inner image", wrapper.GetDisplayName());
  EXPECT_EQ(".in", wrapper.DefaultExtension);
  EXPECT_EQ("outer.out", wrapper.FileName);
  EXPECT_EQ("name", wrapper.InfoName);
  EXPECT_EQ("title", wrapper.InfoTitle);
  EXPECT_EQ("comment", wrapper.InfoComment);
  ASSERT_EQ(1, wrapper.CycleRanges.Count);
  EXPECT_EQ(5, wrapper.CycleRanges.Items[0].High);
  EXPECT_EQ(7, wrapper.CycleRanges.Items[0].Delay);
  EXPECT_EQ(1, wrapper.HasColorCycling);
  EXPECT_EQ(22, wrapper.AspectIndex);
  EXPECT_EQ(uint64_t{1} << 22, wrapper.AspectMask);
  EXPECT_EQ((std::vector<uint8_t>{ptRGB444, ptRGB888}), wrapper.PaletteTypes);
  EXPECT_EQ(3, wrapper.CalcModes);
  EXPECT_EQ(0, wrapper.CalcMode);
  // The variant list is the inner engine's own object.
  EXPECT_EQ(wrapper.Inner().PaletteVariants.get(), wrapper.PaletteVariants.get());
  EXPECT_EQ(2, wrapper.GetPaletteVariantCount());
  // The inner engine reads the inner data, not the outer file.
  EXPECT_EQ(1, wrapper.SubSource->Data[0]);
  EXPECT_EQ(3, wrapper.SubSource->Size);
}

TEST(QoSubEngineTest, DecodeHandsTheSelectionsInwardAndTakesThePalette) {
  uint8_t bytes[4] = {9, 1, 2, 3};
  TQoMemoryLoadSource source("outer.out", bytes, 4, false);
  TWrapper wrapper(source);
  wrapper.PaletteType = ptRGB888;
  wrapper.PaletteVariant = "Variant 2";
  wrapper.CalcMode = 1;
  auto bmp = wrapper.Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(3, bmp->Width);
  EXPECT_EQ(ptRGB888, wrapper.Inner().SeenType);
  EXPECT_EQ("Variant 2", wrapper.Inner().SeenVariant);
  EXPECT_EQ(1, wrapper.Inner().SeenCalc);
  EXPECT_EQ(wrapper.SubSource.get(), wrapper.Inner().SeenSource);
  ASSERT_EQ(1, wrapper.Palette->GetCount());
  EXPECT_EQ(0xFF0000u, wrapper.Palette->GetRGBQuad(0));
  // A copy, not the inner engine's object: the next decode changes only the copy it makes.
  EXPECT_NE(wrapper.Inner().Palette.get(), wrapper.Palette.get());
  wrapper.PaletteType = ptRGB444;
  wrapper.Decode();
  EXPECT_EQ(0x00FF00u, wrapper.Palette->GetRGBQuad(0));
}

TEST(QoSubEngineTest, SpritesFillLinesUpToTheirWidthLimit) {
  TQoSpritePositions layout;
  EXPECT_EQ(0, layout.AddSprite(300, 10));
  EXPECT_EQ(1, layout.AddSprite(292, 4));  // 300 + 8 + 292 = 600 still fits
  EXPECT_EQ(2, layout.AddSprite(1, 20));   // one pixel more does not
  ASSERT_EQ(2, layout.LineCount());
  EXPECT_EQ(2, layout.GetLine(0)->Count());
  EXPECT_EQ(600, layout.GetLine(0)->LineWidth);
  EXPECT_EQ(10, layout.GetLine(0)->LineHeight);
  EXPECT_EQ(1, layout.GetLine(1)->Count());
  // A sprite wider than a line on its own still gets a line of its own.
  TQoSpritePositions wide;
  wide.AddSprite(700, 5);
  wide.AddSprite(700, 5);
  EXPECT_EQ(2, wide.LineCount());
}

TEST(QoSubEngineTest, LayoutCentresLinesAndSpritesWithMargins) {
  TQoSpritePositions layout;
  layout.AddSprite(300, 10);
  layout.AddSprite(292, 4);
  layout.AddSprite(20, 20);
  layout.AddSprite(10, 6);
  layout.Layout();
  EXPECT_EQ(616, layout.SheetWidth);                   // widest line + 16
  EXPECT_EQ(8 + 10 + 8 + 20 + 8, layout.SheetHeight);  // 54
  // First line fills the sheet between the margins.
  EXPECT_EQ(8, layout.GetSprite(0)->X);
  EXPECT_EQ(8, layout.GetSprite(0)->Y);
  EXPECT_EQ(8 + 300 + 8, layout.GetSprite(1)->X);
  EXPECT_EQ(8 + 3, layout.GetSprite(1)->Y);  // height 4 in a line of 10
  // Second line (20 + 8 + 10 = 38 wide) is centred: (616 - 38) / 2 = 289.
  EXPECT_EQ(289, layout.GetSprite(2)->X);
  EXPECT_EQ(26, layout.GetSprite(2)->Y);
  EXPECT_EQ(289 + 28, layout.GetSprite(3)->X);
  EXPECT_EQ(26 + 7, layout.GetSprite(3)->Y);
  // The sprites are the lines' own objects, in the order added.
  EXPECT_EQ(layout.GetLine(1)->GetSprite(1), layout.GetSprite(3));

  TQoSpritePositions empty;
  empty.Layout();
  EXPECT_EQ(0, empty.SheetWidth);
  EXPECT_EQ(0, empty.SheetHeight);
}
