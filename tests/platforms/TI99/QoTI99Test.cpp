#include <gtest/gtest.h>

#include <algorithm>

#include "color/QoPaletteTypes.h"
#include "platforms/SAMCoupe/QoOpenPlatformSAMCoupe.h"
#include "platforms/TI99/QoOpenPlatformTI99.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrum.h"
#include "support/QoEngineChecks.h"
#include "support/QoTestFiles.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry TI99Registry() {
  TQoEngineRegistry registry;
  RegisterTI99Engines(registry);
  return registry;
}

// A TI file: the 128-byte header, the data, and the rest of its last sector as padding
// unless the file is written short.
TBytes TIFile(const TBytes& data, uint8_t recordsPerSector = 0, uint8_t recordLength = 0,
              bool pad = true) {
  const std::size_t sectors = (data.size() + 255) / 256;
  TBytes f = {7, 'T', 'I', 'F', 'I', 'L', 'E', 'S'};
  f.resize(128, 0);
  f[8] = static_cast<uint8_t>(sectors >> 8);
  f[9] = static_cast<uint8_t>(sectors);
  f[11] = recordsPerSector;
  f[12] = static_cast<uint8_t>(data.size() % 256);
  f[13] = recordLength;
  f.insert(f.end(), data.begin(), data.end());
  if (pad) f.resize(128 + sectors * 256, 0);
  return f;
}

void PutBE16(TBytes& b, std::size_t at, uint16_t w) {
  b.at(at) = static_cast<uint8_t>(w >> 8);
  b.at(at + 1) = static_cast<uint8_t>(w);
}

struct TFolder {
  TQoTempFolder Folder;
  std::unique_ptr<TQoFileLoadSource> Source;
  std::unique_ptr<TQoSourceEngineList> Engines;
  TQoSourceEngine* Run(const std::string& name) {
    Source = std::make_unique<TQoFileLoadSource>(Folder.PathOf(name));
    Engines = DetectEngines(*Source, TI99Registry());
    return Engines->Count() ? Engines->GetEngine(0) : nullptr;
  }
};

}  // namespace

TEST(QoTI99Test, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoTi9918AEngine", "TQoTi9918A6448Engine", "TQoTiG67Engine",
                                      "TQoTiG6FractalEngine"}),
            QoClassNames(TI99Registry()));
}

TEST(QoTI99Test, StartsBetweenTheSAMCoupeAndTheZxSpectrum) {
  const std::vector<std::string> all = QoClassNames(QoDefaultRegistry());
  const auto at = [&](const std::string& name) {
    return std::find(all.begin(), all.end(), name) - all.begin();
  };
  TQoEngineRegistry sam, zx;
  RegisterSAMCoupeEngines(sam);
  RegisterZxSpectrumEngines(zx);
  EXPECT_LT(at(QoClassNames(sam).back()), at("TQoTi9918AEngine"));
  EXPECT_EQ(at("TQoTi9918AEngine") + 3, at("TQoTiG6FractalEngine"));
  EXPECT_LT(at("TQoTiG6FractalEngine"), at(QoClassNames(zx).front()));
}

TEST(QoTI99Test, ScreenClassesNameTheirExtensionWithoutData) {
  std::vector<std::string> described;
  const TQoEngineRegistry registry = TI99Registry();  // outlives the loop over its classes
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    const TQoEngineClassInfo info = QoDescribeEngineClass(engineClass);
    described.push_back(info.Platform + info.DefaultExtension);
  }
  // The Geneve engines need data for their extension, but their base names the machine.
  EXPECT_EQ(
      (std::vector<std::string>{"TI-99/4A.tiap", "TI-99/4A.tiap", "Geneve 9640", "Geneve 9640"}),
      described);
  // Without data there is nothing to decode.
  TQoMemoryLoadSource empty("empty", nullptr, 0, false);
  EXPECT_THROW(TQoTi9918AEngine(empty).Decode(), EQoError);
  EXPECT_THROW(TQoTi9918A6448Engine(empty).Decode(), EQoError);
}

TEST(QoTI99Test, HeadersAndPalettes) {
  TBytes file = TIFile(TBytes(300, 1));
  TQoTIFilesHeader header;
  ASSERT_TRUE(header.Read(TQoByteView(file.data(), file.size())));
  EXPECT_EQ(300u, header.DataLength);  // (2 - 1) sectors and 44 bytes of the last
  EXPECT_TRUE(header.Read(TQoByteView(file.data(), 428)));
  EXPECT_FALSE(header.Read(TQoByteView(file.data(), 427)));  // short of its data
  file[9] = 0;
  EXPECT_FALSE(header.Read(TQoByteView(file.data(), file.size())));

  TQoPalette256 palette;
  QoSetTMS9918APalette(palette, ptTI99Convert9918);
  EXPECT_EQ(16, palette.GetCount());
  EXPECT_EQ(0x20C840u, palette.GetRGBQuad(2));
  EXPECT_EQ(1, palette.GetPColor(0).Excluded);
  QoSetTMS9918APalette(palette, ptTI99Adam);
  EXPECT_EQ(0x5D4EFFu, palette.GetRGBQuad(4));
  QoSetTMS9918APalette(palette, ptTI99MSX);
  EXPECT_EQ(0x010101u, palette.GetRGBQuad(1));
  QoSetTMS9918APalette(palette, ptTI99Calculated);
  EXPECT_EQ(0xFFFFFFu, palette.GetRGBQuad(15));
  EXPECT_EQ(palette.GetLinRGB(14).R, 0.8);
  EXPECT_THROW(QoSetTMS9918APalette(palette, ptMSX9938), EQoError);

  EXPECT_EQ(0x11FF88u, QoF18AColor(0x01F8));
  TBytes words = {0x70, 0x03};  // red 7, blue 0, green 3
  palette.Clear();
  QoAddV9938PaletteWords(palette, TQoByteView(words.data(), 2), 1);
  EXPECT_EQ(0xFF6D00u, palette.GetRGBQuad(0));
}

TEST(QoTI99Test, BitmapScreensAndTheirCompanions) {
  TFolder f;
  TBytes patterns(6144), colors(6144);
  // Character row 1, column 2, line 3: pixel (16 + 0 .. 7, 11).
  patterns[256 + 2 * 8 + 3] = 0xC0;
  colors[256 + 2 * 8 + 3] = 0x6A;  // ink 6, paper 10
  f.Folder.Write("pic.tiap", TIFile(patterns));

  // Patterns alone: black on white, the chip's colours by palette type.
  TQoSourceEngine* e = f.Run("pic.tiap");
  ASSERT_NE(nullptr, e);
  EXPECT_EQ("TQoTi9918AEngine", e->EngineClass);
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize | kQoDetectExtension, e->DetectFlags);
  EXPECT_EQ("TI-99/4A 256x192x4 9918A bitmap B/W image", e->GetDisplayName());
  EXPECT_EQ((std::vector<uint8_t>{ptTI99MSX, ptTI99Adam, ptTI99Convert9918}), e->PaletteTypes);
  EXPECT_EQ(ptTI99Convert9918, e->PaletteType);
  auto bmp = e->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(16, 11));
  EXPECT_EQ(15u, bmp->GetPixel(18, 11));

  // A palette without a colour table is ignored.
  TBytes f18a(32);
  PutBE16(f18a, 2 * 6, 0x0F00);
  f.Folder.Write("pic.tiam", TIFile(f18a, 0, 0, false));
  EXPECT_EQ(" 9918A bitmap B/W image", f.Run("pic.tiap")->Description);

  // With both: the F18A colours.
  f.Folder.Write("pic.tiac", TIFile(colors));
  e = f.Run("pic.tiap");
  ASSERT_NE(nullptr, e);
  EXPECT_EQ(" F18A palette bitmap image", e->Description);
  EXPECT_TRUE(e->PaletteTypes.empty());
  bmp = e->Decode();
  EXPECT_EQ(6u, bmp->GetPixel(17, 11));
  EXPECT_EQ(10u, bmp->GetPixel(18, 11));
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(6));

  // A palette for every line: true colour, each line its own 16 words.
  TBytes lines(6144);
  PutBE16(lines, 11 * 32 + 2 * 6, 0x00F0);
  PutBE16(lines, 12 * 32 + 2 * 6, 0x000F);
  f.Folder.Write("pic.tiam", TIFile(lines));
  e = f.Run("pic.tiap");
  EXPECT_EQ(" F18A PCHG bitmap image", e->Description);
  bmp = e->Decode();
  EXPECT_EQ(0x00FF00u, bmp->GetPixel(16, 11));

  // A companion that is there but unfit refuses the picture.
  f.Folder.Write("pic.tiam", TIFile(TBytes(40)));
  EXPECT_EQ(nullptr, f.Run("pic.tiap"));
  f.Folder.Remove("pic.tiam");
  f.Folder.Write("pic.tiac", TIFile(TBytes(6000)));
  EXPECT_EQ(nullptr, f.Run("pic.tiap"));
  f.Folder.Remove("pic.tiac");
  f.Folder.Write("pic.bin", TIFile(patterns));
  EXPECT_EQ(nullptr, f.Run("pic.bin"));  // the name is part of the format
}

TEST(QoTI99Test, MulticolourScreensAndTheirMix) {
  TFolder f;
  TBytes first(1536), second(1536);
  // Block row 9, byte column 3: pixels 6 and 7.
  first[1 + 256 + 3 * 8] = 0x4F;
  second[1 + 256 + 3 * 8] = 0x20;
  f.Folder.Write("m.tiap", TIFile(first));
  TQoSourceEngine* e = f.Run("m.tiap");
  ASSERT_NE(nullptr, e);
  EXPECT_EQ("TQoTi9918A6448Engine", e->EngineClass);
  EXPECT_EQ(" 9918A multicolor image", e->Description);
  auto bmp = e->Decode();
  EXPECT_EQ(4u, bmp->GetPixel(6, 9));
  EXPECT_EQ(15u, bmp->GetPixel(7, 9));

  f.Folder.Write("m.tiac", TIFile(second));
  e = f.Run("m.tiap");
  ASSERT_NE(nullptr, e);
  EXPECT_EQ(" 9918A multicolor dual image", e->Description);
  EXPECT_EQ(2, e->FrameCount);
  bmp = e->Decode();
  EXPECT_EQ(4u * 16 + 2, bmp->GetPixel(6, 9));
  EXPECT_EQ(15u * 16, bmp->GetPixel(7, 9));
  EXPECT_EQ(256, bmp->Palette->GetCount());
  EXPECT_EQ(1, e->Palette->GetPColor(15).Excluded);  // colour 0 mixed with 15
  EXPECT_EQ(0, e->Palette->GetPColor(17).Excluded);  // 1 with 1
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(2u, bmp->Frames->Get(1)->GetPixel(6, 9));
}

TEST(QoTI99Test, GeneveRunsTryModesAndHeights) {
  // G7 runs of 256 pixels for 192 lines: exact as G7; as G6 (counts 0) never.
  TBytes g7(2);
  for (int i = 0; i < 192; ++i) {
    g7.push_back(static_cast<uint8_t>(i));
    g7.push_back(0);
  }
  TQoGeneveLayout layout;
  ASSERT_TRUE(QoFindGeneveLayout(TQoByteView(g7.data(), g7.size()), layout));
  EXPECT_EQ(TQoGeneveMode::G7, layout.Mode);
  EXPECT_EQ(192, layout.Height);
  auto d = QoDetectIn(TI99Registry(), "p.g7", TIFile(g7, 2, 128));
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize, d->First()->DetectFlags);
  EXPECT_EQ("Geneve 9640 256x192x8 G7 image", d->First()->GetDisplayName());
  EXPECT_EQ(34, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(100u, bmp->GetPixel(255, 100));

  // G6: palette, then 212 lines of 512 pixels as runs of 512; a run that would pass the
  // end of a taller picture is no fit, so the heights are tried down to the one that is.
  TBytes g6(34);
  PutBE16(g6, 2 + 2 * 3, 0x7707);  // colour 3: white
  for (int i = 0; i < 212; ++i) {
    g6.push_back(static_cast<uint8_t>(i % 2 ? 0x32 : 0x12));
    g6.push_back(0x00);
  }
  d = QoDetectIn(TI99Registry(), "p.g6", TIFile(g6, 2, 128));
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(" G6 image", d->First()->Description);
  EXPECT_EQ(212, d->First()->Height);
  EXPECT_EQ(13, d->First()->AspectIndex);
  bmp = d->First()->Decode();
  EXPECT_EQ(3u, bmp->GetPixel(511, 1));
  EXPECT_EQ(1u, bmp->GetPixel(0, 2));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(3));

  // Bytes left over: 253 still fit in the second pass, 254 do not.
  TBytes left = g6;
  left.resize(g6.size() + 253, 0);
  EXPECT_NE(nullptr, QoDetectIn(TI99Registry(), "p.g6", TIFile(left, 2, 128))->First());
  left.push_back(0);
  EXPECT_EQ(nullptr, QoDetectIn(TI99Registry(), "p.g6", TIFile(left, 2, 128))->First());
  // The header must say two records of 128 bytes a sector.
  EXPECT_EQ(nullptr, QoDetectIn(TI99Registry(), "p.g6", TIFile(g6, 1, 128))->First());
}

TEST(QoTI99Test, FractalPicturesCompactTheirSectorsAndRunLiterals) {
  // The compacted picture: header, palette and title, then runs.
  TBytes c(255);
  c[1] = 'C';
  PutBE16(c, 2 + 2 * 9, 0x0700);  // colour 9: blue
  const std::string title = "  Mandelbrot  ";
  std::copy(title.begin(), title.end(), c.begin() + 72);
  // Line 0: a literal of colour 9 and 4 nibbles, one of colour 1 and 3 nibbles (the
  // low nibble of its second byte skipped), then 504 pixels of colour 2.
  for (uint8_t b : {0x98, 0x04, 0x12, 0x34, 0x18, 0x03, 0x56, 0x7F, 0x21, 0xF7}) c.push_back(b);
  for (int y = 1; y < 212; ++y) {
    c.push_back(0x32);  // colour 3, 512 pixels
    c.push_back(0x00);
  }
  // Spread over sectors of 255 bytes and one unused byte each.
  const std::size_t sectors = (c.size() + 254) / 255;
  c.resize(sectors * 255, 0);
  TBytes data;
  for (std::size_t s = 0; s < sectors; ++s) {
    data.insert(data.end(), c.begin() + static_cast<long>(s * 255),
                c.begin() + static_cast<long>(s * 255 + 255));
    data.push_back(0xEE);
  }
  const TBytes file = TIFile(data, 1, 255);
  auto d = QoDetectIn(TI99Registry(), "frac.img", file);
  ASSERT_NE(nullptr, d->First());
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ("TQoTiG6FractalEngine", e.EngineClass);
  EXPECT_EQ("FRACTALS!", e.ModeName);
  EXPECT_EQ("Mandelbrot", e.InfoTitle);
  auto bmp = e.Decode();
  const uint32_t line0[10] = {9, 1, 2, 3, 4, 1, 5, 6, 7, 2};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(line0[x], bmp->GetPixel(x, 0)) << x;
  EXPECT_EQ(2u, bmp->GetPixel(511, 0));
  EXPECT_EQ(3u, bmp->GetPixel(300, 211));
  EXPECT_EQ(0x0000FFu, bmp->Palette->GetRGBQuad(9));

  // A run passing the end of its line refuses the file.
  TBytes broken = file;
  broken[128 + 256 + 9] = 0xF8;  // the run of 503 becomes 504
  EXPECT_EQ(nullptr, QoDetectIn(TI99Registry(), "frac.img", broken)->Find("TQoTiG6FractalEngine"));
}
