#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoTestHash.h"
#include "support/QoWholeRoad.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry AtariRegistry() {
  TQoEngineRegistry registry;
  RegisterAtariSTEngines(registry);
  return registry;
}

void PutBE16(TBytes& bytes, std::size_t at, uint16_t value) {
  bytes.at(at) = static_cast<uint8_t>(value >> 8);
  bytes.at(at + 1) = static_cast<uint8_t>(value);
}

// Writes pixel value v at (x, y) of an interleaved screen of `planes` planes.
void PutInterleaved(TBytes& bytes, std::size_t screen, std::size_t stride, int planes, int x, int y,
                    uint32_t v) {
  const std::size_t group = screen + static_cast<std::size_t>(y) * stride +
                            static_cast<std::size_t>(x / 16) * 2 * static_cast<std::size_t>(planes);
  const auto bit = static_cast<uint16_t>(0x8000u >> (x % 16));
  for (int k = 0; k < planes; ++k) {
    const std::size_t at = group + 2 * static_cast<std::size_t>(k);
    uint16_t word = static_cast<uint16_t>(bytes.at(at) << 8 | bytes.at(at + 1));
    word = static_cast<uint16_t>(((v >> k) & 1) ? (word | bit) : (word & ~bit));
    PutBE16(bytes, at, word);
  }
}

// A palette of 16 distinct ST colours: word i = 0x0RGB with every gun below 8.
void PutPalette(TBytes& bytes, std::size_t at, int n, uint16_t steBits = 0) {
  for (int i = 0; i < n; ++i) {
    const auto word = static_cast<uint16_t>(((i & 7) << 8) | (((i >> 1) & 7) << 4) | (i >> 3));
    PutBE16(bytes, at + 2 * static_cast<std::size_t>(i), static_cast<uint16_t>(word | steBits));
  }
}

// A low-resolution DEGAS file with pixel (x, y) = (x + y) & 15.
TBytes DegasLow(int32_t size = 32034) {
  TBytes bytes(static_cast<std::size_t>(size));
  PutPalette(bytes, 2, 16);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) PutInterleaved(bytes, 34, 160, 4, x, y, (x + y) & 15u);
  }
  return bytes;
}

// Detection over the Atari module; a companion, when given, answers every name asked for.
std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes, TBytes companion = {}) {
  return QoDetectIn(AtariRegistry(), name, std::move(bytes), std::move(companion));
}

}  // namespace

TEST(QoAtariSTTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoAtariSTGFAArtist",
                                      "TQoAtariSTDEGASEngine",
                                      "TQoAtariSTSinbadSlideshowEngine",
                                      "TQoAtariSTDEGASCompressedEngine",
                                      "TQoAtariSTNEOchromeEngine",
                                      "TQoAtariSTFullscreenConstructionKitEngine",
                                      "TQoAtariSTCyberPaintCellEngine",
                                      "TQoAtariSTCrackArtEngine",
                                      "TQoAtariSTArtDirectorEngine",
                                      "TQoAtariSTEZArtProfessionalEngine",
                                      "TQoAtariSTDaliSD0Engine",
                                      "TQoAtariSTDaliSD1Engine",
                                      "TQoAtariSTDaliSD2Engine",
                                      "TQoAtariSTDaliLPKEngine",
                                      "TQoAtariSTDaliMPKEngine",
                                      "TQoAtariSTDaliHPKEngine",
                                      "TQoAtariSTZZROUGHEngine",
                                      "TQoAtariSTImagicEngine",
                                      "TQoAtariSTCOLRObjectEditorEngine",
                                      "TQoAtariSTColorSTarObjectEngine",
                                      "TQoAtariSTPabloPaintEngine",
                                      "TQoAtariSTPaintworksEngine",
                                      "TQoAtariSTGraphicsProcessorEngine",
                                      "TQoAtariSTSyntheticArtsEngine",
                                      "TQoAtariSTTinyEngine",
                                      "TQoAtariSTGFAArtistEngine",
                                      "TQoAtariSTPaletteMasterEngine",
                                      "TQoAtariSTDUOEngine",
                                      "TQoAtariSTDU2Engine",
                                      "TQoAtariSTDGRAPHEngine",
                                      "TQoAtariSTPL4Engine",
                                      "TQoAtariSTHighresMediumEngine",
                                      "TQoAtariSTMultiPalettePicture",
                                      "TQoAtariSTFullscreenSlideshowEngine",
                                      "TQoAtariSTPhotoChromeEngine",
                                      "TQoAtariSTSpectrum512SPUEngine",
                                      "TQoAtariSTSpectrum512SPSEngine",
                                      "TQoAtariSTSpectrum512SPCEngine",
                                      "TQoAtariSTSpectrum512SPXEngine",
                                      "TQoAtariSTCanvasCPTEngine",
                                      "TQoAtariSTCanvasFulEngine",
                                      "TQoAtariSTComputerEyesEngine",
                                      "TQoAtariSTUIMGEngine",
                                      "TQoAtariSTImageManagerImEngine",
                                      "TQoAtariSTImageManagerColEngine",
                                      "TQoAtariSTDeskPicEngine",
                                      "TQoAtariSTGEMBitImage",
                                      "TQoAtariSTRGBIntermediateEngine",
                                      "TQoAtariSTQuantumPaintEngine",
                                      "TQoAtariSTDoodleEngine",
                                      "TQoAtariSTMegaPaintEngine",
                                      "TQoAtariSTPublicPainterEngine",
                                      "TQoAtariSTCalamusRasterGraphicEngine",
                                      "TQoAtariSTPaintShopDA4Engine",
                                      "TQoAtariSTPaintShopPSCEngine",
                                      "TQoAtariSTMonoSTarObjectEngine",
                                      "TQoAtariSTSTADEngine",
                                      "TQoAtariSTPicworks",
                                      "TQoAtariSTDegasEliteIconEngine",
                                      "TQoAtariSTDegasEliteBrushEngine",
                                      "TQoAtariSTImgScanLabEngine",
                                      "TQoAtariSTImageLabEngine",
                                      "TQoAtariSTPrintTechnikEngine",
                                      "TQoAtariFalconDelmPaintDelEngine",
                                      "TQoAtariFalconDelmPaintDphEngine",
                                      "TQoAtariFalconFuckpaintEngine",
                                      "TQoAtariFalconXGAEngine",
                                      "TQoAtariFalconTruePaintEngine",
                                      "TQoAtariFalconDuneDG1GraphEngine",
                                      "TQoAtariFalconDuneDC1GraphEngine",
                                      "TQoAtariFalconTmSCranachEngine",
                                      "TQoAtariFalconFunnyPaintEngine",
                                      "TQoAtariFalconGodPaintEngine",
                                      "TQoAtariFalconInShapeEngine",
                                      "TQoAtariFalconPixArtEngine",
                                      "TQoAtariFalconRembrandtEngine",
                                      "TQoAtariFalconCOKEEngine",
                                      "TQoAtariFalconEggPaintEngine",
                                      "TQoAtariFalconSpookySpritesEngine",
                                      "TQoAtariFalconIndyPaintEngine",
                                      "TQoAtariFalconRagDEngine"}),
            QoClassNames(AtariRegistry()));
}

TEST(QoAtariSTTest, PaletteWordsByMachine) {
  // The ST reads three bits per gun; the STE's fourth bit is the nibble's top bit.
  const TQoStdRGBColor st = DecodeSTColor(0x0F71, ptAtariST);
  EXPECT_EQ(255, st.R);  // 0xF & 7 = 7
  EXPECT_EQ(255, st.G);
  EXPECT_EQ(36, st.B);
  const TQoStdRGBColor ste = DecodeSTColor(0x0F81, ptAtariSTE);
  EXPECT_EQ(255, ste.R);     // 15 -> level 15
  EXPECT_EQ(1 * 17, ste.G);  // 8 -> level 1
  EXPECT_EQ(2 * 17, ste.B);  // 1 -> level 2
  EXPECT_NEAR(1.0, DecodeSTLinearColor(0x0700, ptAtariST).R, 1e-12);
  EXPECT_NEAR(0.0, DecodeSTLinearColor(0x0700, ptAtariST).G, 1e-12);

  TBytes words(32);
  PutPalette(words, 0, 16);
  EXPECT_FALSE(HasSTEBits(TQoByteView(words.data(), words.size()), 16));
  EXPECT_TRUE(IsValidSTPalette(TQoByteView(words.data(), words.size()), 16));
  PutBE16(words, 30, 0x0008);  // bit 3 of the last word
  EXPECT_TRUE(HasSTEBits(TQoByteView(words.data(), words.size()), 16));
  EXPECT_FALSE(HasSTEBits(TQoByteView(words.data(), words.size()), 15));
  PutBE16(words, 4, 0x1000);  // high byte 16
  EXPECT_FALSE(IsValidSTPalette(TQoByteView(words.data(), words.size()), 16));
  const TBytes zeros(32);
  EXPECT_FALSE(IsValidSTPalette(TQoByteView(zeros.data(), zeros.size()), 16));
  EXPECT_FALSE(IsValidSTPalette(TQoByteView(words.data(), words.size()), 0));
  EXPECT_FALSE(IsValidSTPalette(TQoByteView(words.data(), 30), 16));  // too short

  TQoPalette256 palette;
  const TBytes tt = {0x0A, 0x5F};
  LoadTTPalette(TQoByteView(tt.data(), tt.size()), palette, 1);
  EXPECT_EQ(0xAA55FFu, palette.GetRGBQuad(0));
  const TBytes falcon = {1, 2, 99, 3};
  LoadFalconPalette(TQoByteView(falcon.data(), falcon.size()), palette, 1);
  EXPECT_EQ(0x010203u, palette.GetRGBQuad(0));
  EXPECT_FALSE(IsValidFalconPalette(TQoByteView(falcon.data(), falcon.size()), 1));
}

TEST(QoAtariSTTest, VdiPensLandOnTheirHardwareRegisters) {
  EXPECT_EQ(15, QoVDIPenToHardware(1, 16));
  EXPECT_EQ(3, QoVDIPenToHardware(1, 4));
  EXPECT_EQ(1, QoVDIPenToHardware(2, 16));
  EXPECT_EQ(13, QoVDIPenToHardware(15, 16));
  EXPECT_EQ(15, QoVDIPenToHardware(255, 256));
  EXPECT_EQ(-1, QoVDIPenToHardware(16, 256));

  // Pen 1 is pure red; mapped it lands on register 15.
  TBytes words(16 * 6);
  PutBE16(words, 6, 1000);
  PutBE16(words, 6 * 2 + 2, 500);  // pen 2: green at half
  const TQoByteView view(words.data(), words.size());
  EXPECT_TRUE(IsValidVDIPalette(view, 16));
  PutBE16(words, 6, 1023);  // out of range for the VDI: clamped to 1000
  TQoPalette256 palette;
  LoadVDIPalette(view, palette, 16, true);
  ASSERT_EQ(16, palette.GetCount());
  EXPECT_EQ(0xFF0000u, palette.GetRGBQuad(15));
  EXPECT_EQ(0x008000u, palette.GetRGBQuad(1));
  LoadVDIPalette(view, palette, 16, false);
  EXPECT_EQ(0xFF0000u, palette.GetRGBQuad(1));
  PutBE16(words, 0, 1024);
  EXPECT_FALSE(IsValidVDIPalette(TQoByteView(words.data(), words.size()), 16));

  TBytes levels(17 * 3);
  EXPECT_THROW(
      LoadVDILevelPalette(TQoByteView(levels.data(), levels.size()), palette, 17, ptAtariST),
      EQoError);
  LoadSystemPalette(palette, 4);
  EXPECT_EQ(16, palette.GetCount());
  EXPECT_EQ(0xFFFFFFu, palette.GetRGBQuad(0));
  EXPECT_EQ(0x000000u, palette.GetRGBQuad(15));
  LoadSystemPalette(palette, 1);
  EXPECT_EQ(2, palette.GetCount());
}

TEST(QoAtariSTTest, DegasLowResolutionDecodesItsPlanes) {
  auto d = Detect("pic.pi1", DegasLow());
  ASSERT_EQ("TQoAtariSTDEGASEngine", d->Classes().at(0));
  TQoSourceEngine& engine = *d->Engines->GetEngine(0);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, engine.DetectFlags);
  EXPECT_EQ("Atari ST 320x200x4 DEGAS image", engine.GetDisplayName());
  EXPECT_EQ(22, engine.AspectIndex);
  EXPECT_EQ((std::vector<uint8_t>{ptAtariST, ptAtariSTE}), engine.PaletteTypes);
  auto bmp = engine.Decode();
  ASSERT_EQ(4, bmp->BitsPerPixel);
  for (int y : {0, 7, 199}) {
    for (int x : {0, 1, 15, 16, 31, 319}) EXPECT_EQ(((x + y) & 15u), bmp->GetPixel(x, y));
  }
  EXPECT_EQ(0x492400u, bmp->Palette->GetRGBQuad(2));  // word 0x0210: levels 2, 1, 0 of 7
}

TEST(QoAtariSTTest, DegasNamesFollowSizeAndExtension) {
  EXPECT_EQ("PaintPro ST", Detect("pic.pic", DegasLow())->Engines->GetEngine(0)->ModeName);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension,
            Detect("pic.pic", DegasLow())->Engines->GetEngine(0)->DetectFlags);
  auto bil = Detect("pic.bil", DegasLow());
  EXPECT_EQ("ColorSTar", bil->Engines->GetEngine(0)->ModeName);
  EXPECT_EQ(".bil", bil->Engines->GetEngine(0)->DefaultExtension);
  EXPECT_EQ(kQoDetectSize, Detect("pic.dat", DegasLow())->Engines->GetEngine(0)->DetectFlags);

  // Medium resolution checks four palette words, high resolution none.
  TBytes medium(32034);
  PutBE16(medium, 0, 1);
  PutPalette(medium, 2, 4, 0x0008);
  auto m = Detect("pic.pi2", medium);
  ASSERT_NE(nullptr, m->Find("TQoAtariSTDEGASEngine"));
  EXPECT_EQ("Atari STE 640x200x2 DEGAS image", m->Find("TQoAtariSTDEGASEngine")->GetDisplayName());
  EXPECT_EQ(6, m->Find("TQoAtariSTDEGASEngine")->AspectIndex);
  TBytes high(32034);
  PutBE16(high, 0, 2);
  high[34] = 0x80;
  auto h = Detect("pic.pi3", high);
  auto bmp = h->Find("TQoAtariSTDEGASEngine")->Decode();
  EXPECT_TRUE(h->Find("TQoAtariSTDEGASEngine")->PaletteTypes.empty());
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(0));
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0u, bmp->GetPixel(1, 0));

  // An all-black palette, a resolution the size does not allow, a foreign size.
  TBytes black(32034);
  EXPECT_EQ(nullptr, Detect("pic.pi1", black)->Find("TQoAtariSTDEGASEngine"));
  TBytes tt(32034);
  PutBE16(tt, 0, 4);
  PutPalette(tt, 2, 16);
  EXPECT_EQ(nullptr, Detect("pic.pi1", tt)->Find("TQoAtariSTDEGASEngine"));
  EXPECT_EQ(nullptr, Detect("pic.pi1", DegasLow(32035))->Find("TQoAtariSTDEGASEngine"));
}

TEST(QoAtariSTTest, DegasEliteCycleChannels) {
  TBytes file = DegasLow(32066);
  auto trailer = [&](int channel, uint16_t left, uint16_t right, uint16_t direction,
                     uint16_t delay) {
    const std::size_t base = 32034 + 2 * static_cast<std::size_t>(channel);
    PutBE16(file, base, left);
    PutBE16(file, base + 8, right);
    PutBE16(file, base + 16, direction);
    PutBE16(file, base + 24, delay);
  };
  trailer(0, 2, 5, 1, 0);    // off: passed over
  trailer(1, 3, 9, 0, 120);  // leftwards, 9 ticks
  trailer(2, 0, 15, 2, 1);   // rightwards
  trailer(3, 4, 4, 2, 1);    // left == right: ends the scan
  auto d = Detect("anim.pi1", file);
  TQoSourceEngine& engine = *d->Find("TQoAtariSTDEGASEngine");
  EXPECT_EQ("DEGAS Elite", engine.ModeName);
  EXPECT_TRUE(engine.HasColorCycling);
  ASSERT_EQ(2, engine.CycleRanges.Count);
  EXPECT_EQ(3, engine.CycleRanges.Items[0].Low);
  EXPECT_EQ(9, engine.CycleRanges.Items[0].High);
  EXPECT_EQ(1, engine.CycleRanges.Items[0].Reverse);
  EXPECT_EQ(9, engine.CycleRanges.Items[0].Delay);
  EXPECT_EQ(0, engine.CycleRanges.Items[1].Reverse);
  EXPECT_EQ(128, engine.CycleRanges.Items[1].Delay);

  trailer(0, 2, 5, 3, 0);  // a direction that makes no sense stops everything
  auto stopped = Detect("anim.pi1", file);
  EXPECT_EQ(0, stopped->Find("TQoAtariSTDEGASEngine")->CycleRanges.Count);
  EXPECT_FALSE(stopped->Find("TQoAtariSTDEGASEngine")->HasColorCycling);
}

TEST(QoAtariSTTest, NeochromeCyclingAndTheSharedSize) {
  TBytes neo(32128);
  PutPalette(neo, 4, 16);
  PutBE16(neo, 48, 0x8000 | 0x0027);  // cycle colours 2..7
  PutBE16(neo, 50, 0x8000 | 0x00FD);  // speed -3: reverse, delay 4
  auto d = Detect("pic.neo", neo);
  // The same bytes suit DEGAS (its palette at 2 is valid too) and the Dali screens; the
  // extension decides, equal ratings keep the registration order.
  EXPECT_EQ((std::vector<std::string>{"TQoAtariSTNEOchromeEngine", "TQoAtariSTDEGASEngine",
                                      "TQoAtariSTDaliSD0Engine", "TQoAtariSTDaliSD1Engine",
                                      "TQoAtariSTDaliSD2Engine"}),
            d->Classes());
  TQoSourceEngine& engine = *d->Find("TQoAtariSTNEOchromeEngine");
  ASSERT_EQ(1, engine.CycleRanges.Count);
  EXPECT_EQ(2, engine.CycleRanges.Items[0].Low);
  EXPECT_EQ(7, engine.CycleRanges.Items[0].High);
  EXPECT_EQ(1, engine.CycleRanges.Items[0].Reverse);
  EXPECT_EQ(4, engine.CycleRanges.Items[0].Delay);
  EXPECT_EQ("TQoAtariSTDaliSD0Engine", Detect("pic.sd0", neo)->Classes().at(0));

  EXPECT_EQ("TQoAtariSTDEGASEngine", Detect("pic.pi1", neo)->Classes().at(0));

  // Only the last colour set: DEGAS's palette at 2 ends before it, and so do Dali SD1's
  // four words.
  TBytes last(32128);
  PutBE16(last, 34, 0x0001);
  EXPECT_EQ((std::vector<std::string>{"TQoAtariSTNEOchromeEngine", "TQoAtariSTDaliSD0Engine",
                                      "TQoAtariSTDaliSD2Engine"}),
            Detect("pic.xyz", last)->Classes());
}

TEST(QoAtariSTTest, NeochromeRasterCompanionGivesLinesTheirPalettes) {
  TBytes neo(32128);
  PutPalette(neo, 4, 16);
  PutBE16(neo, 48, 0x8027);
  PutBE16(neo, 50, 0x8001);
  for (int y = 0; y < 200; ++y) PutInterleaved(neo, 128, 160, 4, 0, y, 1);
  // Records for lines 10 and 20 only: colour 1 is red from line 10, blue from line 20.
  TBytes raster(6800);
  for (int r = 0; r < 200; ++r) PutBE16(raster, 34 * static_cast<std::size_t>(r), 999);
  PutBE16(raster, 0, 10);
  PutBE16(raster, 2 + 2, 0x0700);
  PutBE16(raster, 34, 20);
  PutBE16(raster, 34 + 2 + 2, 0x0007);
  auto d = Detect("pic.neo", neo, raster);
  TQoSourceEngine& engine = *d->Find("TQoAtariSTNEOchromeEngine");
  EXPECT_FALSE(engine.HasColorCycling);
  auto bmp = engine.Decode();
  auto rgb = [&](int y) { return bmp->GetStdRGBPixel(0, y); };
  // Lines above the first record keep what the line palette held last: line 199's.
  EXPECT_EQ(0, rgb(0).R);
  EXPECT_EQ(255, rgb(0).B);
  EXPECT_EQ(255, rgb(10).R);
  EXPECT_EQ(255, rgb(19).R);
  EXPECT_EQ(255, rgb(20).B);
  EXPECT_EQ(255, rgb(199).B);
  EXPECT_EQ(0, rgb(199).R);

  // A raster file of the wrong size is ignored: the header palette and cycling stay.
  auto plain = Detect("pic.neo", neo, TBytes(6799));
  EXPECT_TRUE(plain->Find("TQoAtariSTNEOchromeEngine")->HasColorCycling);
}

TEST(QoAtariSTTest, BaseLayoutsAgreeOnTheSamePixels) {
  // One 32 x 2 picture of 2 planes written in the three layouts.
  const int w = 32, h = 2, planes = 2;
  auto value = [](int x, int y) { return static_cast<uint32_t>((x * 3 + y) & 3); };
  TBytes interleaved(16), linePlanar(16), planePlanar(16);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      PutInterleaved(interleaved, 0, 8, planes, x, y, value(x, y));
      for (int k = 0; k < planes; ++k) {
        const auto bit = static_cast<uint8_t>(0x80u >> (x % 8));
        const std::size_t lineAt = static_cast<std::size_t>(y) * 8 +
                                   static_cast<std::size_t>(k) * 4 +
                                   static_cast<std::size_t>(x / 8);
        const std::size_t planeAt = static_cast<std::size_t>(k) * 8 +
                                    static_cast<std::size_t>(y) * 4 +
                                    static_cast<std::size_t>(x / 8);
        if ((value(x, y) >> k) & 1) {
          linePlanar[lineAt] |= bit;
          planePlanar[planeAt] |= bit;
        }
      }
    }
  }
  TBytes palette(8);
  PutPalette(palette, 0, 4);
  TQoMemoryLoadSource source("x.bin", palette.data(), static_cast<int32_t>(palette.size()), false);
  TQoAtariSTBaseEngine engine(source, "TQoAtariSTBaseEngine");
  engine.Width = w;
  engine.Height = h;
  engine.ColorDepth = planes;
  engine.PaletteData = TQoByteView(palette.data(), palette.size());
  const std::pair<uint8_t, const TBytes*> layouts[] = {{kSTLayoutMedium, &interleaved},
                                                       {kSTLayoutMediumLinePlanar, &linePlanar},
                                                       {kSTLayoutMediumPlanePlanar, &planePlanar}};
  for (const auto& [layout, data] : layouts) {
    SCOPED_TRACE(static_cast<int>(layout));
    engine.Layout = layout;
    engine.PixelData = TQoByteView(data->data(), data->size());
    auto bmp = engine.Decode();
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) EXPECT_EQ(value(x, y), bmp->GetPixel(x, y));
    }
  }
  // A screen one byte short is an error, not a read beyond it.
  engine.Layout = kSTLayoutMedium;
  engine.PixelData = TQoByteView(interleaved.data(), interleaved.size() - 1);
  EXPECT_THROW(engine.Decode(), EQoError);
  engine.Layout = 13;
  EXPECT_THROW(engine.Decode(), EQoError);
}

TEST(QoAtariSTTest, TwoScreensMixAndBecomeFrames) {
  TBytes palette(8), first(8), second(8);
  PutBE16(palette, 2, 0x0700);
  PutBE16(palette, 4, 0x0070);
  PutBE16(palette, 6, 0x0007);
  PutInterleaved(first, 0, 4, 2, 0, 0, 3);
  PutInterleaved(second, 0, 4, 2, 0, 0, 1);
  PutInterleaved(second, 0, 4, 2, 5, 1, 2);
  TQoMemoryLoadSource source("x.bin", palette.data(), static_cast<int32_t>(palette.size()), false);
  TQoAtariSTBaseEngine engine(source, "TQoAtariSTBaseEngine");
  engine.Width = 16;
  engine.Height = 2;
  engine.ColorDepth = 2;
  engine.Layout = kSTLayoutMediumTwoScreens;
  engine.PaletteData = TQoByteView(palette.data(), palette.size());
  engine.PixelData = TQoByteView(first.data(), first.size());
  engine.SecondScreen = TQoByteView(second.data(), second.size());
  auto bmp = engine.Decode();
  EXPECT_EQ(4, engine.PaletteColumns);
  ASSERT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(3u * 4 + 1, bmp->GetPixel(0, 0));
  EXPECT_EQ(2u, bmp->GetPixel(5, 1));
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(3u, bmp->Frames->Get(0)->GetPixel(0, 0));
  EXPECT_EQ(1u, bmp->Frames->Get(1)->GetPixel(0, 0));
  // Blue and red seen in turn: the linear-light average of the two.
  const TQoStdRGBColor mixed = bmp->Palette->GetStdRGB(3 * 4 + 1);
  EXPECT_EQ(mixed.R, mixed.B);
  EXPECT_GT(mixed.R, 127);
}

TEST(QoAtariSTTest, ChunkyAndDirectColour) {
  const TBytes pixels = {0xF8, 0x00, 0x07, 0xE0, 0x00, 0x1F, 0xFF, 0xFF};  // RGB565, big-endian
  TQoMemoryLoadSource source("x.bin", pixels.data(), static_cast<int32_t>(pixels.size()), false);
  TQoAtariSTBaseEngine engine(source, "TQoAtariSTBaseEngine");
  engine.Width = 4;
  engine.Height = 1;
  engine.ColorDepth = 16;
  engine.Layout = kSTLayoutRGB565;
  engine.PixelData = TQoByteView(pixels.data(), pixels.size());
  auto bmp = engine.Decode();
  EXPECT_EQ(0xFF0000u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0x00FF00u, bmp->GetPixel(1, 0));
  EXPECT_EQ(0x0000FFu, bmp->GetPixel(2, 0));
  EXPECT_EQ(0xFFFFFFu, bmp->GetPixel(3, 0));
  // Little-endian 0x00F8: green 7, blue 24 of 31.
  EXPECT_EQ(0x003AC5u, engine.DecodeChunky(TQoChunkyPixel::RGB555, false)->GetPixel(0, 0));
  engine.Width = 2;
  EXPECT_EQ(0xF80007u, engine.DecodeChunky(TQoChunkyPixel::RGB24, false)->GetPixel(0, 0));
  EXPECT_EQ(0x0700F8u, engine.DecodeChunky(TQoChunkyPixel::BGR24, false)->GetPixel(0, 0));
  EXPECT_EQ(0x0007E0u, engine.DecodeChunky(TQoChunkyPixel::XRGB32, false)->GetPixel(0, 0));
  engine.Width = 3;
  EXPECT_THROW(engine.DecodeChunky(TQoChunkyPixel::XRGB32, false), EQoError);
}

TEST(QoAtariSTTest, TableFormatsReadTheirOwnGeometry) {
  // Fullscreen Construction Kit: 448 pixels plus 6 bytes of padding per line.
  TBytes kid(63054);
  kid[0] = 'K';
  kid[1] = 'D';
  PutPalette(kid, 2, 16);
  PutInterleaved(kid, 34, 230, 4, 447, 1, 9);
  PutInterleaved(kid, 34, 230, 4, 0, 273, 5);
  auto d = Detect("pic.kid", kid);
  TQoSourceEngine& engine = *d->Find("TQoAtariSTFullscreenConstructionKitEngine");
  EXPECT_EQ("Atari ST 448x274x4 Fullscreen Construction Kit image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  EXPECT_EQ(9u, bmp->GetPixel(447, 1));
  EXPECT_EQ(5u, bmp->GetPixel(0, 273));
  EXPECT_EQ(0u, bmp->GetPixel(446, 1));
  kid[1] = 'E';
  EXPECT_EQ(nullptr, Detect("pic.kid", kid)->Find("TQoAtariSTFullscreenConstructionKitEngine"));

  TBytes srt(32038);
  for (int i = 0; i < 4; ++i)
    srt[32000 + static_cast<std::size_t>(i)] = static_cast<uint8_t>("JHSy"[i]);
  PutBE16(srt, 32004, 1);
  PutPalette(srt, 32006, 4);
  auto s = Detect("pic.srt", srt);
  ASSERT_NE(nullptr, s->Find("TQoAtariSTSyntheticArtsEngine"));
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension,
            s->Find("TQoAtariSTSyntheticArtsEngine")->DetectFlags);
  EXPECT_EQ(640, s->Find("TQoAtariSTSyntheticArtsEngine")->Width);
  PutBE16(srt, 32004, 2);
  EXPECT_EQ(nullptr, Detect("pic.srt", srt)->Find("TQoAtariSTSyntheticArtsEngine"));

  // Cyber Paint cell of 17 x 3: two 16-pixel groups per line.
  TBytes cel(128 + 2 * 8 * 3);
  PutBE16(cel, 0, 0xFFFF);
  PutPalette(cel, 4, 16);
  PutBE16(cel, 58, 17);
  PutBE16(cel, 60, 3);
  PutInterleaved(cel, 128, 16, 4, 16, 2, 12);
  auto c = Detect("x.cel", cel);
  ASSERT_NE(nullptr, c->Find("TQoAtariSTCyberPaintCellEngine"));
  EXPECT_EQ(12u, c->Find("TQoAtariSTCyberPaintCellEngine")->Decode()->GetPixel(16, 2));
  cel.push_back(0);
  EXPECT_EQ(nullptr, Detect("x.cel", cel)->Find("TQoAtariSTCyberPaintCellEngine"));
}

TEST(QoAtariSTTest, ArtDirectorOffersItsDistinctPalettes) {
  TBytes art(32512);
  art[32287] = 2;
  for (int k = 0; k < 8; ++k) PutPalette(art, 32000 + 32 * static_cast<std::size_t>(k), 16);
  PutBE16(art, 32000 + 32 * 2, 0x0777);  // palette 2 (current): its own first colour
  PutBE16(art, 32000 + 32 * 5, 0x0700);  // palette 5 differs
  PutBE16(art, 32000 + 32 * 6, 0x0700);  // palette 6 repeats palette 5
  PutBE16(art, 32000 + 32 * 7, 0x1000);  // palette 7 is not valid
  auto d = Detect("pic.art", art);
  TQoSourceEngine& engine = *d->Find("TQoAtariSTArtDirectorEngine");
  ASSERT_EQ(3, engine.GetPaletteVariantCount());
  EXPECT_EQ("Variant 1", engine.GetPaletteVariant(0));
  EXPECT_EQ("Variant 3", engine.GetPaletteVariant(1));
  EXPECT_EQ("Variant 6", engine.GetPaletteVariant(2));
  EXPECT_EQ("Variant 3", engine.PaletteVariant);
  EXPECT_EQ(0xFFFFFFu, engine.Decode()->Palette->GetRGBQuad(0));
  engine.PaletteVariant = "Variant 6";
  EXPECT_EQ(0xFF0000u, engine.Decode()->Palette->GetRGBQuad(0));

  // Every palette the same: one name only, so no choice at all.
  for (int k = 0; k < 8; ++k) PutPalette(art, 32000 + 32 * static_cast<std::size_t>(k), 16);
  auto same = Detect("pic.art", art);
  EXPECT_EQ(0, same->Find("TQoAtariSTArtDirectorEngine")->GetPaletteVariantCount());
  art[32287] = 8;
  EXPECT_EQ(nullptr, Detect("pic.art", art)->Find("TQoAtariSTArtDirectorEngine"));
}

TEST(QoAtariSTTest, ColrScreenNeedsItsPaletteFile) {
  TBytes screen(32000);
  PutInterleaved(screen, 0, 160, 4, 0, 0, 1);
  TBytes pal(96);
  PutBE16(pal, 6, 1000);  // pen 1 red -> register 15
  EXPECT_EQ(nullptr, Detect("pic.mur", screen)->Find("TQoAtariSTCOLRObjectEditorEngine"));
  auto d = Detect("pic.mur", screen, pal);
  TQoSourceEngine& engine = *d->Find("TQoAtariSTCOLRObjectEditorEngine");
  EXPECT_EQ("Atari STE", engine.PlatformName);
  EXPECT_TRUE(engine.PaletteTypes.empty());
  auto bmp = engine.Decode();
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(15));
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(nullptr,
            Detect("pic.mur", screen, TBytes(95))->Find("TQoAtariSTCOLRObjectEditorEngine"));
  EXPECT_EQ(nullptr, Detect("pic.xyz", screen, pal)->Find("TQoAtariSTCOLRObjectEditorEngine"));
}

TEST(QoAtariSTTest, RealPicturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"st-degas-pi1", "TQoAtariSTDEGASEngine"},
      {"st-degas-pi3", "TQoAtariSTDEGASEngine"},
      {"st-neo", "TQoAtariSTNEOchromeEngine"},
  };
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"atarist/00472.pi1", "ca88b6b3dc557b0e"},   {"atarist/C23.PI1", "5e885fae6a434cc8"},
      {"atarist/EMPIRE1.PI1", "7c412f906181cb9d"}, {"atarist/HEXTILES.PI1", "638e1de8591ed1fa"},
      {"atarist/Z3232.PI1", "91735f5eb02c71bd"},   {"atarist/cube.pi1", "b0fd6bb812f13c16"},
      {"atarist/DSDUEL.PI3", "eb6c597afbe02a4b"},  {"atarist/PUSSY.PI3", "fd3a406c092544eb"},
      {"atarist/TITLE.PI3", "22135cbfd64ffa6a"},   {"atarist/WATCH.NEO", "d6ac4e32eaa248d2"},
      {"atarist/bunker1.neo", "58f0aff36b5bfae7"}, {"atarist/gmapa.neo", "edcfd7a24bdfd592"},
  };
  const int decoded = QoCheckRealPictures(
      AtariRegistry(), expectedEngine, pinned,
      [](const TQoSample& sample, const std::string&, const TQoDetected& d) {
        if (sample.Size == 32034 || sample.Size == 32066 || sample.Size == 32128) return false;
        // Not what its extension says (a bitmap block of another program).
        EXPECT_EQ(nullptr, d.Find("TQoAtariSTDEGASEngine"));
        return true;
      });
  EXPECT_GE(decoded, 12);
}
