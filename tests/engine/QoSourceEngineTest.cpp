#include "engine/QoSourceEngine.h"

#include <gtest/gtest.h>

#include "engine/QoLoadSource.h"

namespace {

// An engine that opens the base's protected helpers to the tests.
class TOpenEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TOpenEngine";
  explicit TOpenEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {}
  using TQoSourceEngine::BuildMixedPalette;
  using TQoSourceEngine::ReadBlock;
  using TQoSourceEngine::ReadBlockReversed;
  using TQoSourceEngine::SetDefaultSpectrumPaletteTypes;
  using TQoSourceEngine::SetGrayPalette;
  using TQoSourceEngine::SetMonoMixedPalette;
  using TQoSourceEngine::SetMonoPalette;
  using TQoSourceEngine::SetSpectrumPalette16;
  using TQoSourceEngine::SplitSpectrumAttribute;
};

struct EngineFixture : ::testing::Test {
  uint8_t bytes[4] = {0x01, 0x80, 0xF0, 0x3C};
  TQoMemoryLoadSource source{"Pic.SCR", bytes, 4, false};
  TOpenEngine engine{source};
};

TEST_F(EngineFixture, ConstructorDefaults) {
  EXPECT_EQ(engine.Source, &source);
  EXPECT_EQ(engine.FileName, "Pic.SCR");
  EXPECT_EQ(engine.PlatformName, "TOpenEngine");
  EXPECT_EQ(engine.Description, " image");
  EXPECT_EQ(engine.FrameCount, 1);
  EXPECT_EQ(engine.AspectMask, uint64_t{1} << 28);
  EXPECT_EQ(engine.AspectIndex, 28);
  EXPECT_EQ(engine.CalcMode, 1);
  EXPECT_EQ(engine.PaletteColumns, 16);
  ASSERT_NE(engine.Palette, nullptr);
  EXPECT_EQ(engine.Palette->GetCount(), 0);
  EXPECT_EQ(engine.SourcePalette, nullptr);
  EXPECT_EQ(engine.GetPaletteVariantCount(), 0);
  EXPECT_EQ(engine.Decode(), nullptr);
  EXPECT_EQ(TQoSourceEngine::Detect(source), 0);
}

TEST_F(EngineFixture, DisplayName) {
  EXPECT_EQ(engine.GetDisplayName(), "TOpenEngine 0x0x0 image");
  engine.PlatformName = "ZX Spectrum";
  engine.Width = 256;
  engine.Height = 192;
  engine.ColorDepth = 4;
  engine.Description = " FlashColor image";
  EXPECT_EQ(engine.GetDisplayName(), "ZX Spectrum 256x192x4 FlashColor image");
  engine.FrameCount = 2;
  engine.ModeName = "Gigascreen";
  engine.Description = " ";
  EXPECT_EQ(engine.GetDisplayName(), "ZX Spectrum 256x192x4@2 Gigascreen");
}

TEST_F(EngineFixture, CycleRangesStopAt256) {
  for (int i = 0; i < 256; ++i) engine.AddCycleRange(i, i + 1, 1, 4);
  engine.AddCycleRange(7, 9, 0, 1);
  EXPECT_EQ(engine.CycleRanges.Count, 256);
  const TQoCycleRange& last = engine.CycleRanges.Items[255];
  EXPECT_EQ(last.Low, 255);
  EXPECT_EQ(last.High, 256);
  EXPECT_EQ(last.Reverse, 1);
  EXPECT_EQ(last.Delay, 4);
}

TEST_F(EngineFixture, MonoAndGrayPalettes) {
  engine.SetMonoPalette(true);
  EXPECT_EQ(engine.Palette->GetRGBQuad(0), 0xFFFFFFu);
  EXPECT_EQ(engine.Palette->GetRGBQuad(1), 0x000000u);
  EXPECT_EQ(engine.PaletteColumns, 2);

  engine.SetGrayPalette(true);
  ASSERT_EQ(engine.Palette->GetCount(), 256);
  EXPECT_EQ(engine.Palette->GetRGBQuad(0), 0xFFFFFFu);
  EXPECT_EQ(engine.Palette->GetRGBQuad(255), 0x000000u);
  engine.SetGrayPalette(false);
  EXPECT_EQ(engine.Palette->GetRGBQuad(100), 0x646464u);
}

TEST_F(EngineFixture, MonoMixedPaletteIsBlackGreyGreyWhite) {
  engine.SetMonoMixedPalette();
  ASSERT_EQ(engine.Palette->GetCount(), 4);
  EXPECT_EQ(engine.Palette->GetRGBQuad(0), 0x000000u);
  EXPECT_EQ(engine.Palette->GetRGBQuad(1), 0xBCBCBCu);  // linear 0.5 is byte 188
  EXPECT_EQ(engine.Palette->GetRGBQuad(2), 0xBCBCBCu);
  EXPECT_EQ(engine.Palette->GetRGBQuad(3), 0xFFFFFFu);
  EXPECT_EQ(engine.Palette->GetPColor(1).Excluded, 0);
  EXPECT_NE(engine.Palette->GetPColor(2).Excluded, 0);
  ASSERT_NE(engine.SourcePalette, nullptr);
  EXPECT_EQ(engine.SourcePalette->GetCount(), 2);
  EXPECT_EQ(engine.PaletteColumns, 2);
}

TEST_F(EngineFixture, SpectrumHelpers) {
  engine.SetSpectrumPalette16(205);
  ASSERT_EQ(engine.Palette->GetCount(), 16);
  EXPECT_EQ(engine.Palette->GetRGBQuad(1), 0x0000CDu);  // blue
  EXPECT_EQ(engine.Palette->GetRGBQuad(2), 0xCD0000u);  // red
  EXPECT_EQ(engine.Palette->GetRGBQuad(4), 0x00CD00u);  // green
  EXPECT_EQ(engine.Palette->GetRGBQuad(15), 0xFFFFFFu);

  int ink = -1, paper = -1;
  TOpenEngine::SplitSpectrumAttribute(0x4F, ink, paper);  // bright, paper 1, ink 7
  EXPECT_EQ(ink, 15);
  EXPECT_EQ(paper, 9);
  TOpenEngine::SplitSpectrumAttribute(0xB8, ink, paper);  // flash ignored, paper 7, ink 0
  EXPECT_EQ(ink, 0);
  EXPECT_EQ(paper, 7);

  EXPECT_EQ(engine.SetDefaultSpectrumPaletteTypes(), ptColoredLinear);
  EXPECT_EQ(engine.PaletteTypes, (std::vector<uint8_t>{21, 22, 23}));
}

TEST_F(EngineFixture, ReadBlocksAreCheckedAndAdvance) {
  TQoByteCursor cursor(engine.Bytes(), 1);
  uint8_t out[2] = {};
  TOpenEngine::ReadBlockReversed(out, cursor, 2);
  EXPECT_EQ(out[0], 0x01);
  EXPECT_EQ(out[1], 0x0F);
  EXPECT_EQ(cursor.Pos, 3u);
  TOpenEngine::ReadBlock(out, cursor, 1);
  EXPECT_EQ(out[0], 0x3C);
  EXPECT_THROW(TOpenEngine::ReadBlock(out, cursor, 1), EQoError);
  EXPECT_EQ(cursor.Pos, 4u);
}

TEST(QoByteView, ReadsAreBoundsCheckedAndEndianAware) {
  const uint8_t data[] = {0x12, 0x34, 0x56, 0x78, 'I', 'c', 'e', '!'};
  TQoByteView view(data, sizeof data);
  EXPECT_EQ(view.LE16(0), 0x3412);
  EXPECT_EQ(view.BE16(0), 0x1234);
  EXPECT_EQ(view.LE32(0), 0x78563412u);
  EXPECT_EQ(view.BE32(0), 0x12345678u);
  EXPECT_TRUE(view.Matches(4, "Ice!"));
  EXPECT_FALSE(view.Matches(5, "Ice!"));  // runs past the end: false, not a raise
  EXPECT_THROW(view.BE32(5), EQoError);
  EXPECT_THROW(view.U8(static_cast<std::size_t>(-1)), EQoError);
  EXPECT_FALSE(view.Has(4, static_cast<std::size_t>(-2)));
  EXPECT_EQ(view.Sub(2, 2).LE16(0), 0x7856);
  EXPECT_THROW(view.Sub(6, 3), EQoError);
  try {
    view.U8(8);
    FAIL();
  } catch (const EQoError& e) {
    EXPECT_STREQ(e.what(), "Internal error");
  }
}

}  // namespace
