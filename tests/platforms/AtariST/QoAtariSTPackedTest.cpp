#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTPacked.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoTestHash.h"
#include "support/QoWholeRoad.h"

namespace {

using TBytes = std::vector<uint8_t>;

void PutBE16(TBytes& bytes, std::size_t at, uint16_t value) {
  bytes.at(at) = static_cast<uint8_t>(value >> 8);
  bytes.at(at + 1) = static_cast<uint8_t>(value);
}

void Append(TBytes& bytes, std::initializer_list<uint8_t> more) {
  bytes.insert(bytes.end(), more);
}

void Append(TBytes& bytes, const TBytes& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

void AppendText(TBytes& bytes, const std::string& text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}

// 16 distinct ST colours.
TBytes Palette(int n = 16) {
  TBytes words(2 * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    PutBE16(words, 2 * static_cast<std::size_t>(i),
            static_cast<uint16_t>(((i & 7) << 8) | (((i >> 1) & 7) << 4) | (i >> 3)));
  }
  return words;
}

// A low-resolution picture's pixel (x + 3y) & 15 as an interleaved and a line-planar
// screen.
uint32_t PixelValue(int x, int y) {
  return static_cast<uint32_t>((x + 3 * y) & 15);
}

TBytes Screen(bool linePlanar) {
  TBytes screen(kQoSTScreenBytes);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) {
      for (int k = 0; k < 4; ++k) {
        if (!((PixelValue(x, y) >> k) & 1)) continue;
        const std::size_t word =
            linePlanar ? 160u * y + 40u * k + 2u * (x / 16) : 160u * y + 8u * (x / 16) + 2u * k;
        screen[word + (x % 16) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return screen;
}

// PackBits with literal runs only: as valid as any packer's output.
TBytes PackBitsLiterals(const TBytes& data) {
  TBytes packed;
  for (std::size_t i = 0; i < data.size(); i += 128) {
    const std::size_t n = std::min<std::size_t>(128, data.size() - i);
    packed.push_back(static_cast<uint8_t>(n - 1));
    packed.insert(packed.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                  data.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  return packed;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes, TBytes companion = {}) {
  TQoEngineRegistry registry;
  RegisterAtariSTEngines(registry);
  return QoDetectIn(registry, name, std::move(bytes), std::move(companion));
}

// Every pixel of a decoded 320 x 200 picture against PixelValue.
void ExpectLowPicture(TQoSourceEngine& engine) {
  auto bmp = engine.Decode();
  ASSERT_EQ(320, bmp->Width);
  int wrong = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) wrong += bmp->GetPixel(x, y) != PixelValue(x, y);
  }
  EXPECT_EQ(0, wrong);
}

}  // namespace

TEST(QoAtariSTPackedTest, DecimalLines) {
  auto parse = [](const std::string& text, uint32_t& value) {
    const TBytes bytes(text.begin(), text.end());
    TQoByteCursor cursor(TQoByteView(bytes.data(), bytes.size()));
    return ParseDecimalLine(cursor, value) && cursor.Pos == bytes.size();
  };
  uint32_t value = 0;
  EXPECT_TRUE(parse("415029\r\n", value));
  EXPECT_EQ(415029u, value);
  EXPECT_FALSE(parse("415030\r\n", value));
  EXPECT_FALSE(parse("12\n", value));
  EXPECT_FALSE(parse(" 12\r\n", value));
  EXPECT_FALSE(parse("12", value));
}

TEST(QoAtariSTPackedTest, DegasEliteCompressedMatchesItsPlainTwin) {
  TBytes plain = {0, 0};
  Append(plain, Palette());
  Append(plain, Screen(false));
  TBytes packed = {0x80, 0x00};
  Append(packed, Palette());
  TBytes stream = Screen(true);
  // The cycle trailer: channel 0 cycles colours 2..6 leftwards with delay 100.
  const uint8_t trailer[16] = {2, 0, 0, 0, 6, 0, 0, 0, 0, 1, 1, 1, 100, 0, 0, 0};
  stream.insert(stream.end(), std::begin(trailer), std::end(trailer));
  Append(packed, PackBitsLiterals(stream));

  auto p = Detect("pic.pc1", packed);
  TQoSourceEngine* engine = p->Find("TQoAtariSTDEGASCompressedEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, engine->DetectFlags);
  EXPECT_EQ("Atari ST 320x200x4 DEGAS Elite image", engine->GetDisplayName());
  ASSERT_EQ(1, engine->CycleRanges.Count);
  EXPECT_EQ(2, engine->CycleRanges.Items[0].Low);
  EXPECT_EQ(6, engine->CycleRanges.Items[0].High);
  EXPECT_EQ(29, engine->CycleRanges.Items[0].Delay);
  auto twin = Detect("pic.pi1", plain);
  EXPECT_EQ(QoHashBitmap(*twin->Find("TQoAtariSTDEGASEngine")->Decode()),
            QoHashBitmap(*engine->Decode()));

  // Extra data after the stream is fine; a stream one byte short is not a picture.
  TBytes longer = packed;
  longer.push_back(0);
  EXPECT_NE(nullptr, Detect("pic.pc1", longer)->Find("TQoAtariSTDEGASCompressedEngine"));
  TBytes shortScreen = {0x80, 0x00};
  Append(shortScreen, Palette());
  Append(shortScreen, PackBitsLiterals(TBytes(kQoSTScreenBytes - 1, 0)));
  EXPECT_EQ(nullptr, Detect("pic.pc1", shortScreen)->Find("TQoAtariSTDEGASCompressedEngine"));
}

TEST(QoAtariSTPackedTest, EZArtNeedsTheStreamToEndWithTheScreen) {
  TBytes file = {'E', 'Z', 0, 0};
  Append(file, Palette());
  file.resize(44, 0);
  Append(file, PackBitsLiterals(Screen(true)));
  auto d = Detect("pic.eza", file);
  TQoSourceEngine* engine = d->Find("TQoAtariSTEZArtProfessionalEngine");
  ASSERT_NE(nullptr, engine);
  ExpectLowPicture(*engine);
  Append(file, {0, 0x55});  // one more packed byte
  EXPECT_EQ(nullptr, Detect("pic.eza", file)->Find("TQoAtariSTEZArtProfessionalEngine"));
}

TEST(QoAtariSTPackedTest, CrackArtStepsByItsOffset) {
  // Offset 160: byte columns. 200 literal bytes 1, the escape itself once, then
  // ESC 2 0: the delta byte for the rest.
  TBytes file = {'C', 'A', 1, 2};  // packed, high resolution: no palette
  Append(file, {0xAB, 0x77, 0x00, 160});
  file.insert(file.end(), 199, 0x01);
  Append(file, {0xAB, 0xAB, 0xAB, 2, 0});
  auto d = Detect("pic.ca3", file);
  TQoSourceEngine* engine = d->Find("TQoAtariSTCrackArtEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine->DetectFlags);
  auto bmp = engine->Decode();
  // 80 bytes a line: step k lands on line 2k. Byte column 0 holds 0x01 on lines 0..396,
  // the escape byte 0xAB (1010 1011) on line 398; everything else is the delta 0x77.
  EXPECT_EQ(1u, bmp->GetPixel(7, 0));
  EXPECT_EQ(0u, bmp->GetPixel(6, 0));
  EXPECT_EQ(1u, bmp->GetPixel(7, 396));
  EXPECT_EQ(1u, bmp->GetPixel(0, 398));
  EXPECT_EQ(0u, bmp->GetPixel(1, 398));
  EXPECT_EQ(0u, bmp->GetPixel(8, 0));
  EXPECT_EQ(1u, bmp->GetPixel(9, 0));
  EXPECT_EQ(1u, bmp->GetPixel(1, 1));

  file.resize(file.size() - 2);  // the stream ends before the screen is full
  EXPECT_EQ(nullptr, Detect("pic.ca3", file)->Find("TQoAtariSTCrackArtEngine"));
}

TEST(QoAtariSTPackedTest, TinyCopiesAndRepeatsWordsByPlaneColumns) {
  TBytes file = {0};  // low resolution, no cycling
  Append(file, Palette());
  // Controls: copy 128 words, copy 1 word, repeat the next word 16000 - 129 times.
  const uint16_t repeat = 16000 - 129;
  const TBytes controls = {0x80, 0xFF, 0x00, static_cast<uint8_t>(repeat >> 8),
                           static_cast<uint8_t>(repeat)};
  TBytes words;
  for (int i = 0; i < 129; ++i) Append(words, {0x80, static_cast<uint8_t>(i)});
  Append(words, {0x00, 0x01});
  TBytes head(4);
  PutBE16(head, 0, static_cast<uint16_t>(controls.size()));
  PutBE16(head, 2, static_cast<uint16_t>(words.size() / 2));
  Append(file, head);
  Append(file, controls);
  Append(file, words);
  auto d = Detect("pic.tny", file);
  TQoSourceEngine* engine = d->Find("TQoAtariSTTinyEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ("Tiny Stuff", engine->ModeName);
  auto bmp = engine->Decode();
  // Word k goes to plane 0, group k / 200, line k % 200: word 0 at line 0, word 128
  // (the single copy) at line 128, both with their top bit set: pixel 0 gets plane 0.
  EXPECT_EQ(1u, bmp->GetPixel(0, 0) & 1);
  EXPECT_EQ(1u, bmp->GetPixel(0, 128) & 1);
  EXPECT_EQ(0u, bmp->GetPixel(0, 129) & 1);  // the repeated word 0x0001
  EXPECT_EQ(1u, bmp->GetPixel(15, 129) & 1);
  EXPECT_EQ(".tny", engine->DefaultExtension);

  file[0] = 3;  // with cycling data: the layout moves by four bytes
  EXPECT_EQ(nullptr, Detect("pic.tny", file)->Find("TQoAtariSTTinyEngine"));
}

TEST(QoAtariSTPackedTest, DaliPackedFilesRateByExtension) {
  TBytes file = Palette();
  AppendText(file, "2\r\n8\r\n");
  Append(file, {250, 255, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0});
  // 250 + 255 positions only: not a whole screen.
  EXPECT_EQ(nullptr, Detect("pic.mpk", file)->Find("TQoAtariSTDaliMPKEngine"));

  TBytes whole = Palette();
  TBytes runs, values;
  for (int i = 0; i < 40; ++i) {
    runs.push_back(200);  // one column each
    Append(values, {static_cast<uint8_t>(i), 0, 0, 0});
  }
  AppendText(whole, "40\r\n160\r\n");
  Append(whole, runs);
  Append(whole, values);
  auto d = Detect("pic.mpk", whole);
  ASSERT_EQ(3, d->Engines->Count());
  EXPECT_EQ("TQoAtariSTDaliMPKEngine", d->Engines->GetEngine(0)->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension,
            d->Engines->GetEngine(0)->DetectFlags);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature, d->Engines->GetEngine(1)->DetectFlags);
  auto low = Detect("pic.lpk", whole);
  auto bmp = low->Find("TQoAtariSTDaliLPKEngine")->Decode();
  // Column 1 = bytes 4..7 of every line: planes 2 and 3 of pixels 0..15 = 0x01, 0, 0, 0.
  EXPECT_EQ(4u, bmp->GetPixel(7, 0));
  EXPECT_EQ(4u, bmp->GetPixel(7, 199));
  EXPECT_EQ(0u, bmp->GetPixel(6, 0));
}

TEST(QoAtariSTPackedTest, ImagicEscapesFillByteColumns) {
  TBytes file = {'I', 'M', 'D', 'C', 0, 0};
  Append(file, Palette());
  file.resize(64, 0);
  Append(file, {200, 2, 0x9B});
  // 0x80 as a literal, ESC ESC, then ESC 0 n=1 (two 0x40), ESC 2 0: zeros to the end.
  Append(file, {0x80, 0x9B, 0x9B, 0x9B, 0x00, 0x01, 0x40, 0x9B, 0x02, 0x00});
  auto d = Detect("pic.ic1", file);
  TQoSourceEngine* engine = d->Find("TQoAtariSTImagicEngine");
  ASSERT_NE(nullptr, engine);
  auto bmp = engine->Decode();
  // Byte column 0 (plane 0, pixels 0..7): 0x80, 0x9B, 0x40, 0x40, then zeros.
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(1u, bmp->GetPixel(0, 1));
  EXPECT_EQ(1u, bmp->GetPixel(1, 2));
  EXPECT_EQ(1u, bmp->GetPixel(1, 3));
  EXPECT_EQ(0u, bmp->GetPixel(1, 4));
  file[65] = 3;
  EXPECT_EQ(nullptr, Detect("pic.ic1", file)->Find("TQoAtariSTImagicEngine"));
}

TEST(QoAtariSTPackedTest, PaintworksPackedPlanesAndTheirName) {
  TBytes file(128, 0);
  const TBytes palette = Palette();
  std::copy(palette.begin(), palette.end(), file.begin() + 4);
  const std::string mark = "ANvisionA";
  std::copy(mark.begin(), mark.end(), file.begin() + 54);
  file[63] = 0x80 | 0x00 | 1;  // packed, low resolution, one screen
  // Plane 0 all ones, the other planes zero: 8000 bytes 0xFF, 24000 zeros.
  for (int i = 0; i < 62; ++i) Append(file, {127, 0xFF});
  Append(file, {126, 0xFF});
  for (int i = 0; i < 188; ++i) Append(file, {127, 0x00});
  Append(file, {124, 0x00});
  auto d = Detect("pic.sc0", file);
  TQoSourceEngine* engine = d->Find("TQoAtariSTPaintworksEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine->DetectFlags);
  EXPECT_EQ(".sc0", engine->DefaultExtension);
  auto bmp = engine->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(1u, bmp->GetPixel(319, 199));
  file.resize(file.size() - 1);
  EXPECT_EQ(nullptr, Detect("pic.sc0", file)->Find("TQoAtariSTPaintworksEngine"));
}

TEST(QoAtariSTPackedTest, CanvasLinePalettesAreAVariant) {
  // A low-resolution block: every group written by one record (16000 / 4 groups).
  TBytes cpt = Palette();
  Append(cpt, {0, 0});
  Append(cpt, {0x0F, 0x9F, 0x00, 0x00, 0x80, 0x00, 0, 0, 0, 0, 0, 0});  // 4000 groups
  Append(cpt, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  auto plain = Detect("pic.cpt", cpt);
  TQoSourceEngine* engine = plain->Find("TQoAtariSTCanvasCPTEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(0, engine->GetPaletteVariantCount());
  auto bmp = engine->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(0, 150));
  EXPECT_EQ(0u, bmp->GetPixel(1, 150));

  // Line palettes: group 0 present (colour 1 red), group 1 absent, group 2 present
  // (colour 1 blue); the palettes are stored from the end backwards.
  TBytes hbl(896 + 48, 0);
  for (std::size_t g = 0; g < 50; ++g) PutBE16(hbl, 2 * g, g == 0 || g == 2 ? 0 : 0xFFFF);
  const std::size_t end = 848 + 2 * 48;
  hbl.resize(std::max(end, std::size_t{896}));
  hbl[end - 48 + 3 * 2] = 15;      // group 0's palette, VDI pen 2 -> register 1: red
  hbl[end - 96 + 3 * 2 + 2] = 15;  // group 2's palette: blue
  auto lined = Detect("pic.cpt", cpt, hbl);
  engine = lined->Find("TQoAtariSTCanvasCPTEngine");
  ASSERT_EQ(2, engine->GetPaletteVariantCount());
  EXPECT_EQ("16 colors", engine->GetPaletteVariant(0));
  EXPECT_EQ("Multipalette", engine->PaletteVariant);
  bmp = engine->Decode();
  EXPECT_EQ(255, bmp->GetStdRGBPixel(0, 0).R);
  EXPECT_EQ(255, bmp->GetStdRGBPixel(0, 7).R);  // group 1 keeps group 0's palette
  EXPECT_EQ(255, bmp->GetStdRGBPixel(0, 8).B);
  engine->PaletteVariant = "16 colors";
  bmp = engine->Decode();
  EXPECT_EQ(0x240000u, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(1u, bmp->GetPixel(0, 8));
}

TEST(QoAtariSTPackedTest, PabloPaintNamesByExtension) {
  TBytes file;
  AppendText(file, "PABLO PACKED PICTURE: Groupe CDND \r\n32036\r\n");
  TBytes block(36, 0);
  PutBE16(block, 2, 32036);
  const TBytes palette = Palette();
  std::copy(palette.begin(), palette.end(), block.begin() + 4);
  Append(file, block);
  Append(file, Screen(false));
  auto d = Detect("pic.pa3", file);
  TQoSourceEngine* engine = d->Find("TQoAtariSTPabloPaintEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ("Pablo Paint 2.5", engine->ModeName);
  ExpectLowPicture(*engine);
  EXPECT_EQ("Pablo Paint 1.1",
            Detect("pic.ppp", file)->Find("TQoAtariSTPabloPaintEngine")->ModeName);
  EXPECT_EQ("Pablo Paint", Detect("pic.xyz", file)->Find("TQoAtariSTPabloPaintEngine")->ModeName);
  file.push_back(0);
  EXPECT_EQ(nullptr, Detect("pic.ppp", file)->Find("TQoAtariSTPabloPaintEngine"));
}

TEST(QoAtariSTPackedTest, RealCompressedPicturesDecode) {
  QO_REQUIRE_SAMPLES();
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"atarist/COCKPIT.PC1", "5938645a39d88238"},
      {"atarist/LOGO.PC1", "77210b895a39617a"},
      {"atarist/MAGICMTN.PC1", "07a2e11ea2187f92"},
      {"atarist/TEXTSCR.PC1", "26a7f43eb4266d3a"},
  };
  int decoded = 0;
  for (const TQoSample& sample : QoSamples("st-degaselite-pc1")) {
    SCOPED_TRACE(sample.File);
    auto d = Detect(std::filesystem::path(sample.File).filename().string(),
                    QoReadWholeFile(sample.Path));
    ASSERT_GT(d->Engines->Count(), 0);
    EXPECT_EQ("TQoAtariSTDEGASCompressedEngine", d->Engines->GetEngine(0)->EngineClass);
    auto bmp = d->Engines->GetEngine(0)->Decode();
    QoExpectPinnedHash(pinned, sample.File, *bmp);
    ++decoded;
  }
  EXPECT_GE(decoded, 4);
}
