#include <gtest/gtest.h>

#include "platforms/AtariST/QoAtariFileBuilder.h"

using namespace qo_atari_test;

namespace {

// A table of block lengths followed by the blocks, each 32000 bytes of data packed.
TBytes DelmPaint(const TBytes& data, int listed) {
  std::vector<TBytes> blocks;
  for (std::size_t at = 0; at < data.size(); at += 32000) {
    const auto end = std::min(data.size(), at + 32000);
    blocks.push_back(CrackArtPack(TBytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                                         data.begin() + static_cast<std::ptrdiff_t>(end))));
  }
  TBytes file(4 * static_cast<std::size_t>(listed));
  for (int k = 0; k < listed; ++k) {
    PutBE32(file, 4 * static_cast<std::size_t>(k),
            static_cast<uint32_t>(blocks.at(static_cast<std::size_t>(k)).size()));
  }
  for (const TBytes& block : blocks) Append(file, block);
  return file;
}

// A header of `size` bytes with a signature, a width and a height.
TBytes Header(std::size_t size, std::string_view signature, std::size_t widthAt, uint16_t width,
              uint16_t height) {
  TBytes file(size);
  Put(file, 0, signature);
  PutBE16(file, widthAt, width);
  PutBE16(file, widthAt + 2, height);
  return file;
}

uint32_t PixelColor(const TQoBitmap& bmp, int x, int y) {
  return bmp.Palette ? bmp.Palette->GetRGBQuad(static_cast<int>(bmp.GetPixel(x, y)))
                     : bmp.GetPixel(x, y);
}

}  // namespace

TEST(QoAtariFalconTest, DelmPaintUnpacksCrackArtBlocks) {
  // DEL: palette and 320 x 240 planes in three blocks; the last 40 lines empty.
  TBytes data = FalconPalette();
  data.resize(96000, 0);
  PutInterleaved(data, 1024, 320, 8, 17, 5, 200);
  PutInterleaved(data, 1024, 320, 8, 0, 199, 3);
  auto d = Detect("pic.del", DelmPaint(data, 2));
  TQoSourceEngine* engine = d->First();
  ASSERT_EQ("TQoAtariFalconDelmPaintDelEngine", engine->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, engine->DetectFlags);
  EXPECT_EQ("Atari Falcon 320x200x8 DelmPaint image", engine->GetDisplayName());
  auto bmp = engine->Decode();
  EXPECT_EQ(FalconColor(200), PixelColor(*bmp, 17, 5));
  EXPECT_EQ(FalconColor(3), PixelColor(*bmp, 0, 199));
  EXPECT_EQ(FalconColor(0), PixelColor(*bmp, 18, 5));
  PutInterleaved(data, 1024, 320, 8, 319, 239, 1);
  EXPECT_EQ(240, Detect("pic.del", DelmPaint(data, 2))->First()->Height);
  TBytes cut = DelmPaint(data, 2);
  cut.resize(cut.size() - 2);  // the trailing block stops short
  EXPECT_EQ(nullptr, Detect("pic.del", cut)->Find("TQoAtariFalconDelmPaintDelEngine"));

  // DPH: 640 x 480 kept as four quarters one below the other.
  data = FalconPalette();
  data.resize(320000, 0);
  PutInterleaved(data, 1024, 320, 8, 0, 0, 1);    // top left
  PutInterleaved(data, 1024, 320, 8, 0, 240, 2);  // top right
  PutInterleaved(data, 1024, 320, 8, 0, 480, 3);  // bottom left
  PutInterleaved(data, 1024, 320, 8, 5, 959, 4);  // bottom right, last line
  d = Detect("pic.dph", DelmPaint(data, 10));
  engine = d->First();
  ASSERT_EQ("TQoAtariFalconDelmPaintDphEngine", engine->EngineClass);
  bmp = engine->Decode();
  ASSERT_EQ(640, bmp->Width);
  EXPECT_EQ(FalconColor(1), PixelColor(*bmp, 0, 0));
  EXPECT_EQ(FalconColor(2), PixelColor(*bmp, 320, 0));
  EXPECT_EQ(FalconColor(3), PixelColor(*bmp, 0, 240));
  EXPECT_EQ(FalconColor(4), PixelColor(*bmp, 325, 479));
}

TEST(QoAtariFalconTest, EightPlanesWithTheFalconPalette) {
  TBytes fuck = FalconPalette();
  fuck.resize(65024, 0);
  PutInterleaved(fuck, 1024, 320, 8, 33, 7, 129);
  auto d = Detect("pic.pi4", fuck);
  TQoSourceEngine* engine = d->Find("TQoAtariFalconFuckpaintEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, engine->DetectFlags);
  EXPECT_EQ(FalconColor(129), PixelColor(*engine->Decode(), 33, 7));

  // DuneGraph DG1: the palette at 8, 16 x 2 pixels at 1032.
  TBytes dg1 = Header(8, "DGU\1", 4, 16, 2);
  Append(dg1, FalconPalette());
  dg1.resize(1032 + 32, 0);
  PutInterleaved(dg1, 1032, 16, 8, 15, 1, 77);
  d = Detect("pic.dg1", dg1);
  engine = d->First();
  ASSERT_EQ("TQoAtariFalconDuneDG1GraphEngine", engine->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine->DetectFlags);
  EXPECT_EQ(FalconColor(77), PixelColor(*engine->Decode(), 15, 1));
  dg1[8 + 2] = 1;  // the third byte of a Falcon entry is always zero
  EXPECT_EQ(nullptr, Detect("pic.dg1", dg1)->Find("TQoAtariFalconDuneDG1GraphEngine"));
}

TEST(QoAtariFalconTest, DuneGraphRunsFillThePlanesInTurn) {
  // Packing 2: word runs. 16 x 1 pixels are 8 planes of one word each.
  TBytes file = Header(10, "DGC\2", 4, 16, 1);
  Append(file, FalconPalette());
  TBytes runs(4);
  Append(runs, {0, 0, 0x80, 0x00});  // plane 0: leftmost pixel
  Append(runs, {0, 0, 0x40, 0x00});  // plane 1: second pixel
  Append(runs, {0, 5, 0x00, 0x00});  // planes 2..7: six words of zero
  PutBE32(runs, 0, static_cast<uint32_t>(runs.size()));
  TBytes full = file;
  Append(full, runs);
  auto d = Detect("pic.dc1", full);
  TQoSourceEngine* engine = d->First();
  ASSERT_EQ("TQoAtariFalconDuneDC1GraphEngine", engine->EngineClass);
  auto bmp = engine->Decode();
  EXPECT_EQ(FalconColor(1), PixelColor(*bmp, 0, 0));
  EXPECT_EQ(FalconColor(2), PixelColor(*bmp, 1, 0));
  EXPECT_EQ(FalconColor(0), PixelColor(*bmp, 2, 0));
  EXPECT_EQ(FalconColor(1), PixelColor(*engine->Decode(), 0, 0));  // a second decode

  // Run data that ends before the picture is full, or writes past it, is declined.
  TBytes shortRuns = runs;
  shortRuns[runs.size() - 3] = 4;
  TBytes partial = file;
  Append(partial, shortRuns);
  EXPECT_EQ(nullptr, Detect("pic.dc1", partial)->Find("TQoAtariFalconDuneDC1GraphEngine"));
  shortRuns[runs.size() - 3] = 6;
  partial = file;
  Append(partial, shortRuns);
  EXPECT_EQ(nullptr, Detect("pic.dc1", partial)->Find("TQoAtariFalconDuneDC1GraphEngine"));
}

TEST(QoAtariFalconTest, HighColourHeadersAndScreens) {
  // GodPaint: no signature, so 10/8 like a bare screen.
  TBytes god = Header(6 + 2 * 2 * 3, "", 2, 2, 3);
  PutBE16(god, 6 + 2 * (2 * 2 + 1), 0x07E0);  // (1, 2) green
  auto d = Detect("pic.god", god);
  ASSERT_EQ("TQoAtariFalconGodPaintEngine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ(0x00FF00u, d->First()->Decode()->GetPixel(1, 2));

  // EggPaint files written by Spooky Sprites carry "tru?" and its name.
  TBytes egg = Header(8 + 2, "tru?", 4, 1, 1);
  PutBE16(egg, 8, 0x001F);
  d = Detect("pic.trp", egg);
  ASSERT_EQ("TQoAtariFalconEggPaintEngine", d->First()->EngineClass);
  EXPECT_EQ("Spooky Sprites", d->First()->ModeName);
  EXPECT_EQ(".trp", d->First()->DefaultExtension);
  EXPECT_EQ(0x0000FFu, d->First()->Decode()->GetPixel(0, 0));
  Put(egg, 0, "TRUP");
  EXPECT_EQ("EggPaint", Detect("pic.trp", egg)->First()->ModeName);

  // COKE: the pixels start where the header says, never inside it.
  TBytes coke = Header(24 + 2, "COKE format.", 12, 1, 1);
  PutBE16(coke, 16, 24);
  PutBE16(coke, 24, 0xF800);
  d = Detect("pic.tg1", coke);
  ASSERT_EQ("TQoAtariFalconCOKEEngine", d->First()->EngineClass);
  EXPECT_EQ(0xFF0000u, d->First()->Decode()->GetPixel(0, 0));
  TBytes inside = Header(16 + 2, "COKE format.", 12, 1, 1);
  PutBE16(inside, 16, 16);
  EXPECT_EQ(nullptr, Detect("pic.tg1", inside)->Find("TQoAtariFalconCOKEEngine"));

  TBytes indy = Header(256 + 2 * 4, "Indy", 4, 4, 1);
  EXPECT_EQ("TQoAtariFalconIndyPaintEngine", Detect("pic.tru", indy)->First()->EngineClass);

  // XGA: bare words; the 384 x 480 mode has wide pixels.
  auto xga = Detect("pic.xga", TBytes(368640, 0xFF));
  TQoSourceEngine* engine = xga->Find("TQoAtariFalconXGAEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(47, engine->AspectIndex);
  EXPECT_EQ(0xFFFFFFu, engine->Decode()->GetPixel(383, 479));
  EXPECT_EQ(".ftc",
            Detect("pic.ftc", TBytes(184320))->Find("TQoAtariFalconXGAEngine")->DefaultExtension);

  // Rembrandt: a "PICT" record at the offset the file names.
  TBytes tcp(18);
  Put(tcp, 0, "TRUECOLR");
  PutBE16(tcp, 12, 18);
  PutBE16(tcp, 16, 1);
  TBytes record(200);
  Put(record, 0, "PICT");
  PutBE32(record, 4, 2 * 2 * 1);
  PutBE16(record, 8, 200);
  PutBE16(record, 10, 2);
  PutBE16(record, 12, 1);
  Append(tcp, record);
  Append(tcp, {0x00, 0x00, 0xFF, 0xFF});
  PutBE32(tcp, 8, static_cast<uint32_t>(tcp.size()));
  d = Detect("pic.tcp", tcp);
  ASSERT_EQ("TQoAtariFalconRembrandtEngine", d->First()->EngineClass);
  EXPECT_EQ(0xFFFFFFu, d->First()->Decode()->GetPixel(1, 0));
  PutBE32(tcp, 8, static_cast<uint32_t>(tcp.size() + 1));
  EXPECT_EQ(nullptr, Detect("pic.tcp", tcp)->Find("TQoAtariFalconRembrandtEngine"));
}

TEST(QoAtariFalconTest, TruePaintPacksPlaneLinesWithPackBits) {
  // 16 x 2 pixels, 4 planes; pixel (x, y) = (x + y) & 15, VDI pen i of grey i * 60.
  TBytes planar(16), interleaved(16);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint32_t v = static_cast<uint32_t>(x + y) & 15u;
      PutInterleaved(interleaved, 0, 16, 4, x, y, v);
      for (int k = 0; k < 4; ++k) {
        // Line-planar: the line's word of plane 0, then of plane 1, ...
        if ((v >> k) & 1)
          planar.at(static_cast<std::size_t>(8 * y + 2 * k + x / 8)) |= 0x80 >> (x % 8);
      }
    }
  }
  auto truePaint = [](bool packed, const TBytes& pixels) {
    TBytes file(128);
    Put(file, 0, std::string_view("PNT\0\1\0", 6));
    PutBE16(file, 6, 16);
    PutBE16(file, 8, 16);
    PutBE16(file, 10, 2);
    PutBE16(file, 12, 4);
    PutBE16(file, 14, packed ? 1 : 0);
    PutBE32(file, 16, static_cast<uint32_t>(pixels.size()));
    TBytes palette(16 * 6);
    for (std::size_t i = 0; i < 16; ++i) {
      for (std::size_t gun = 0; gun < 3; ++gun)
        PutBE16(palette, 6 * i + 2 * gun, 60 * static_cast<uint32_t>(i));
    }
    Append(file, palette);
    Append(file, pixels);
    return file;
  };
  const TBytes packed = PackBits(planar);
  for (const TBytes& file : {truePaint(true, packed), truePaint(false, interleaved)}) {
    auto d = Detect("pic.tpi", file);
    TQoSourceEngine* engine = d->First();
    ASSERT_EQ("TQoAtariFalconTruePaintEngine", engine->EngineClass);
    EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine->DetectFlags);
    EXPECT_EQ("TruePaint", engine->ModeName);
    auto bmp = engine->Decode();
    // Pen p sits in hardware register map(p): register 15 holds pen 1, register 1 pen 2.
    EXPECT_EQ(0x0F0F0Fu, PixelColor(*bmp, 15, 0));
    EXPECT_EQ(0x1F1F1Fu, PixelColor(*bmp, 0, 1));
    EXPECT_EQ(0x000000u, PixelColor(*bmp, 0, 0));
    EXPECT_EQ(0xA8A8A8u, PixelColor(*bmp, 9, 1));  // register 10 holds pen 11: 660
  }
  EXPECT_EQ("Prism Paint", Detect("pic.pnt", truePaint(true, packed))->First()->ModeName);

  // A stream that ends early leaves colour 0; a medium-resolution picture is tall.
  TBytes cutFile = truePaint(true, TBytes(packed.begin(), packed.begin() + 3));
  auto d = Detect("pic.pnt", cutFile);
  ASSERT_EQ("TQoAtariFalconTruePaintEngine", d->First()->EngineClass);
  EXPECT_EQ(0u, d->First()->Decode()->GetPixel(0, 1));
  TBytes medium(128);
  Put(medium, 0, std::string_view("PNT\0\1\0", 6));
  PutBE16(medium, 6, 4);
  PutBE16(medium, 8, 640);
  PutBE16(medium, 10, 200);
  PutBE16(medium, 12, 2);
  PutBE16(medium, 14, 1);
  TBytes palette(4 * 6, 0x01);
  Append(medium, palette);
  const TBytes zeros = PackBits(TBytes(32000));
  PutBE32(medium, 16, static_cast<uint32_t>(zeros.size()));
  Append(medium, zeros);
  EXPECT_EQ(9, Detect("pic.pnt", medium)->First()->AspectIndex);
}

TEST(QoAtariFalconTest, SpookySpritesCopiesAndRepeatsWords) {
  // 260 x 1: copy 255 + 2 words, then repeat the last one 3 times.
  TBytes file = Header(12, "tre1", 4, 260, 1);
  PutBE32(file, 8, 2);
  Append(file, {255, 0, 2});
  for (int i = 0; i < 256; ++i) Append(file, {0x00, static_cast<uint8_t>(i & 31)});
  Append(file, {0xF8, 0x00});
  file.push_back(3);
  auto d = Detect("pic.tre", file);
  TQoSourceEngine* engine = d->First();
  ASSERT_EQ("TQoAtariFalconSpookySpritesEngine", engine->EngineClass);
  auto bmp = engine->Decode();
  EXPECT_EQ(0x0000FFu, bmp->GetPixel(31, 0));
  EXPECT_EQ(0x000000u, bmp->GetPixel(32, 0));
  EXPECT_EQ(0xFF0000u, bmp->GetPixel(256, 0));
  EXPECT_EQ(0xFF0000u, bmp->GetPixel(259, 0));
  file.back() = 2;  // one word short
  EXPECT_EQ(nullptr, Detect("pic.tre", file)->Find("TQoAtariFalconSpookySpritesEngine"));
}

TEST(QoAtariFalconTest, RowsOfMonoGreyAndGunTables) {
  // TmS Cranach, 1 plane of 10 pixels: rows of 2 bytes.
  TBytes tms = Header(812, std::string_view("TMS\0", 4), 6, 10, 2);
  PutBE16(tms, 4, 812);
  PutBE16(tms, 10, 1);
  PutBE16(tms, 12, 1);
  Append(tms, {0x00, 0x40, 0x80, 0x00});
  auto d = Detect("pic.esm", tms);
  ASSERT_EQ("TQoAtariFalconTmSCranachEngine", d->First()->EngineClass);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(0x000000u, PixelColor(*bmp, 9, 0));
  EXPECT_EQ(0x000000u, PixelColor(*bmp, 0, 1));
  EXPECT_EQ(0xFFFFFFu, PixelColor(*bmp, 8, 0));

  // 8 planes: a palette of three 256-byte gun tables.
  tms.resize(812);
  PutBE16(tms, 10, 8);
  tms[36 + 7] = 0x10;
  tms[292 + 7] = 0x20;
  tms[548 + 7] = 0x30;
  tms.resize(812 + 20, 0);
  tms[812 + 10 + 3] = 7;
  d = Detect("pic.esm", tms);
  ASSERT_EQ("TQoAtariFalconTmSCranachEngine", d->First()->EngineClass);
  EXPECT_EQ(0x102030u, PixelColor(*d->First()->Decode(), 3, 1));

  // InShape: grey bytes and mono rows.
  TBytes iim = Header(16, "IS_IMAGE", 12, 10, 1);
  PutBE16(iim, 8, 0);
  Append(iim, {0xFF, 0xC0});
  d = Detect("pic.iim", iim);
  ASSERT_EQ("TQoAtariFalconInShapeEngine", d->First()->EngineClass);
  EXPECT_EQ(0x000000u, PixelColor(*d->First()->Decode(), 9, 0));
  PutBE16(iim, 8, 1);
  iim.resize(16 + 10, 0x40);
  d = Detect("pic.iim", iim);
  EXPECT_EQ(0x404040u, PixelColor(*d->First()->Decode(), 9, 0));
}

TEST(QoAtariFalconTest, PixArtDepthsAndModes) {
  auto pixart = [](uint8_t mode, uint8_t depth, std::size_t data) {
    TBytes file = Header(16 + data, "PIXT", 8, 16, 1);
    PutBE16(file, 4, 2);
    file[6] = mode;
    file[7] = depth;
    return file;
  };
  // 16 bits, mode 2: little-endian RGB555.
  TBytes file = pixart(2, 16, 32);
  file[16] = 0x00;
  file[17] = 0x7C;  // 0x7C00 little-endian: red
  auto d = Detect("pic.pix", file);
  ASSERT_EQ("TQoAtariFalconPixArtEngine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ(0xFF0000u, d->First()->Decode()->GetPixel(0, 0));
  file[6] = 0;  // mode 0: big-endian RGB555, 0x007C is green 3 and blue 28
  EXPECT_EQ(0x0019E6u, Detect("pic.pix", file)->First()->Decode()->GetPixel(0, 0));
  // 24 bits, mode 0: blue, green, red.
  file = pixart(0, 24, 48);
  file[16] = 1;
  file[17] = 2;
  file[18] = 3;
  EXPECT_EQ(0x030201u, Detect("pic.pix", file)->First()->Decode()->GetPixel(0, 0));
  // 8 bits, mode 1: an RGB palette, then whole planes one after the other.
  file = pixart(1, 8, 768 + 16);
  file[16 + 3 * 128] = 0xAB;
  file[16 + 768 + 2 * 7] = 0x80;  // plane 7, the leftmost pixel
  EXPECT_EQ(0xAB0000u, PixelColor(*Detect("pic.pix", file)->First()->Decode(), 0, 0));
  // 4 bits need mode 1.
  EXPECT_EQ(nullptr, Detect("pic.pix", pixart(0, 4, 48 + 8))->Find("TQoAtariFalconPixArtEngine"));
  EXPECT_NE(nullptr, Detect("pic.pix", pixart(1, 4, 48 + 8))->Find("TQoAtariFalconPixArtEngine"));
}

TEST(QoAtariFalconTest, RagDReadsMusicCompileBytesWhenTheyAreSmoother) {
  auto ragD = [](bool musicCompile, const TBytes& pixels) {
    TBytes file(30);
    Put(file, 0, "RAG-D!");
    PutBE32(file, 8, 16 / 8 * 1 * 8);
    PutBE16(file, 12, 16);
    PutBE16(file, 14, 1);  // height - 1
    PutBE16(file, 16, 8);
    PutBE32(file, 18, 1024);
    if (musicCompile) {
      for (std::size_t at = 22; at < 30; ++at) file[at] = 0xFF;
    }
    Append(file, FalconPalette());
    Append(file, pixels);
    return file;
  };
  // 0x55 everywhere: an even picture as bytes, stripes of colours 0 and 255 as planes.
  const TBytes pixels(32, 0x55);
  auto d = Detect("pic.rag", ragD(true, pixels));
  TQoSourceEngine* engine = d->First();
  ASSERT_EQ("TQoAtariFalconRagDEngine", engine->EngineClass);
  EXPECT_EQ("Music Compile 2", engine->ModeName);
  EXPECT_EQ(FalconColor(0x55), PixelColor(*engine->Decode(), 0, 0));
  d = Detect("pic.rag", ragD(false, pixels));
  engine = d->First();
  EXPECT_EQ("Rag-D", engine->ModeName);
  auto bmp = engine->Decode();
  EXPECT_EQ(FalconColor(0), PixelColor(*bmp, 0, 0));
  EXPECT_EQ(FalconColor(255), PixelColor(*bmp, 1, 0));
  TBytes longer = ragD(false, pixels);
  longer.push_back(0);
  EXPECT_EQ(nullptr, Detect("pic.rag", longer)->Find("TQoAtariFalconRagDEngine"));
}

TEST(QoAtariFalconTest, FunnyPaintFindsItsPaletteBehindThePlanes) {
  // 4 planes of 16 x 1: 8 bytes of planes at 13, the VDI palette at 8 + 25.
  TBytes file = Header(13, std::string_view("\x00\x0A\xCF\xE2", 4), 4, 16, 1);
  PutBE16(file, 8, 4);
  PutBE16(file, 10, 1);
  file.resize(33, 0);
  PutInterleaved(file, 13, 16, 4, 2, 0, 15);
  TBytes palette(16 * 6);
  PutBE16(palette, 6 * 1 + 4, 1000);  // pen 1 blue, in register 15
  Append(file, palette);
  auto d = Detect("pic.fun", file);
  ASSERT_EQ("TQoAtariFalconFunnyPaintEngine", d->First()->EngineClass);
  EXPECT_EQ(0x0000FFu, PixelColor(*d->First()->Decode(), 2, 0));
  file.pop_back();
  EXPECT_EQ(nullptr, Detect("pic.fun", file)->Find("TQoAtariFalconFunnyPaintEngine"));
}
