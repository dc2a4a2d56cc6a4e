#include <gtest/gtest.h>

#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoAtariFileBuilder.h"

using namespace qo_atari_test;

namespace {

TBytes ComputerEyes(uint16_t mode, std::size_t size) {
  TBytes file(size);
  Put(file, 0, "EYES");
  PutBE16(file, 4, mode);
  return file;
}

// A uConvert file: header, then palette and pixels as given.
TBytes UIMG(uint8_t kind, uint8_t depth, uint8_t storage, uint16_t width, uint16_t height,
            const TBytes& palette, const TBytes& pixels) {
  TBytes file(14);
  Put(file, 0, "UIMG");
  file[4] = 1;
  file[7] = kind;
  file[8] = depth;
  file[9] = storage;
  PutBE16(file, 10, width);
  PutBE16(file, 12, height);
  Append(file, palette);
  Append(file, pixels);
  return file;
}

}  // namespace

TEST(QoAtariSTTrueColorTest, ComputerEyesReadsItsPlanesColumnByColumn) {
  // Mode 0: red, green and blue planes of 6-bit values, 200 values per column.
  TBytes file = ComputerEyes(0, 192022);
  file[22 + 1] = 63;                   // red of (0, 1)
  file[22 + 64000 + 200 * 3 + 2] = 1;  // green of (3, 2)
  auto d = Detect("scan.ce1", file);
  TQoSourceEngine* engine = d->First();
  ASSERT_EQ("TQoAtariSTComputerEyesEngine", engine->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine->DetectFlags);
  EXPECT_EQ(18, engine->ColorDepth);
  auto bmp = engine->Decode();
  EXPECT_EQ(0xFF0000u, bmp->GetPixel(0, 1));
  EXPECT_EQ(0x000400u, bmp->GetPixel(3, 2));
  EXPECT_EQ(0u, bmp->GetPixel(1, 0));
  file[22 + 5] = 64;  // beyond 6 bits
  EXPECT_EQ(nullptr, Detect("scan.ce1", file)->Find("TQoAtariSTComputerEyesEngine"));

  // Mode 1: 15-bit words by columns, on tall medium-resolution pixels.
  file = ComputerEyes(1, 256022);
  PutBE16(file, 22 + 2 * (200 * 2 + 1), 0x7C1F);  // (2, 1): red and blue full
  d = Detect("scan.ce2", file);
  engine = d->Find("TQoAtariSTComputerEyesEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(9, engine->AspectIndex);
  EXPECT_EQ(0xFF00FFu, engine->Decode()->GetPixel(2, 1));
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature, Detect("scan.ce3", file)->First()->DetectFlags);
  PutBE16(file, 22 + 1000, 0x8000);
  EXPECT_EQ(nullptr, Detect("scan.ce2", file)->Find("TQoAtariSTComputerEyesEngine"));

  // Mode 2: 192 greys; each column holds its even lines, then its odd lines.
  file = ComputerEyes(2, 256022);
  file[22 + 400 * 5 + 3] = 191;       // (5, 6)
  file[22 + 400 * 5 + 200 + 3] = 96;  // (5, 7)
  d = Detect("scan.ce3", file);
  engine = d->Find("TQoAtariSTComputerEyesEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(".ce3", engine->DefaultExtension);
  bmp = engine->Decode();
  ASSERT_EQ(192, bmp->Palette->GetCount());
  EXPECT_EQ(191u, bmp->GetPixel(5, 6));
  EXPECT_EQ(96u, bmp->GetPixel(5, 7));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(191));
  EXPECT_EQ(0x808080u, bmp->Palette->GetRGBQuad(96));  // 96/191 of full scale, stored
  file[22 + 7] = 192;
  EXPECT_EQ(nullptr, Detect("scan.ce3", file)->Find("TQoAtariSTComputerEyesEngine"));
  file = ComputerEyes(1, 192022);  // a mode its size does not have
  EXPECT_EQ(nullptr, Detect("scan.ce1", file)->Find("TQoAtariSTComputerEyesEngine"));
}

TEST(QoAtariSTTrueColorTest, UConvertDecodesEveryStorageByItsShape) {
  // ST palette, 4 planes, 16 x 2: needs a width of a multiple of 16 and rates 11 as .bp4.
  TBytes palette(32);
  for (int i = 0; i < 16; ++i) PutBE16(palette, 2 * static_cast<std::size_t>(i), 0x111u * (i & 7));
  TBytes planes(16 * 2 * 4 / 8);
  PutInterleaved(planes, 0, 16, 4, 3, 1, 5);
  auto d = Detect("a.bp4", UIMG(1, 4, 0, 16, 2, palette, planes));
  TQoSourceEngine* engine = d->First();
  ASSERT_EQ("TQoAtariSTUIMGEngine", engine->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine->DetectFlags);
  EXPECT_EQ("Atari ST 16x2x4 uConvert image", engine->GetDisplayName());
  EXPECT_EQ(22, engine->AspectIndex);
  EXPECT_EQ((std::vector<uint8_t>{ptAtariST, ptAtariSTE}), engine->PaletteTypes);
  auto bmp = engine->Decode();
  EXPECT_EQ(5u, bmp->GetPixel(3, 1));
  EXPECT_EQ(0x929292u, bmp->Palette->GetRGBQuad(4));  // ST level 4 of 7 on every gun
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature,
            Detect("a.c04", UIMG(1, 4, 0, 16, 2, palette, planes))->First()->DetectFlags);
  TBytes narrow(8 * 2 * 4 / 8);
  EXPECT_EQ(nullptr,
            Detect("a.bp4", UIMG(1, 4, 0, 8, 2, palette, narrow))->Find("TQoAtariSTUIMGEngine"));

  // Falcon palette, one byte per pixel, 8 bits; every byte must name a palette entry.
  const TBytes bytes = {0, 1, 2, 255, 7, 9};
  d = Detect("a.c08", UIMG(3, 8, 1, 3, 2, FalconPalette(), bytes));
  engine = d->First();
  ASSERT_EQ("TQoAtariSTUIMGEngine", engine->EngineClass);
  EXPECT_EQ("Atari Falcon", engine->PlatformName);
  EXPECT_EQ(".c08", engine->DefaultExtension);
  bmp = engine->Decode();
  EXPECT_EQ(8, bmp->BitsPerPixel);
  EXPECT_EQ(255u, bmp->GetPixel(0, 1));
  EXPECT_EQ(FalconColor(255), bmp->Palette->GetRGBQuad(255));
  const TBytes tooHigh = {0, 1, 2, 4, 0, 0};
  EXPECT_EQ(nullptr, Detect("a.c02", UIMG(3, 2, 1, 3, 2, FalconPalette(4), tooHigh))
                         ->Find("TQoAtariSTUIMGEngine"));

  // TT palette, packed 2-bit pixels four to a byte; 8 x 1 pixels.
  const TBytes tt = {0x0F, 0x00, 0x00, 0xF0, 0x00, 0x0F, 0x0F, 0xFF};
  d = Detect("a.c02", UIMG(2, 2, 255, 8, 1, tt, {0x1B, 0xE4}));
  engine = d->First();
  ASSERT_EQ("TQoAtariSTUIMGEngine", engine->EngineClass);
  EXPECT_EQ("Atari TT", engine->PlatformName);
  bmp = engine->Decode();
  const uint32_t expected[] = {0, 1, 2, 3, 3, 2, 1, 0};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(expected[x], bmp->GetPixel(x, 0)) << x;
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(3));
  EXPECT_EQ(0x00FF00u, bmp->Palette->GetRGBQuad(1));

  // No palette: RGB565, RGB24 and XRGB32 chunky pixels; a 24-bit picture is a ".c24".
  d = Detect("a.c16", UIMG(0, 16, 2, 1, 1, {}, {0xF8, 0x1F}));
  ASSERT_EQ("TQoAtariSTUIMGEngine", d->First()->EngineClass);
  EXPECT_EQ(0xFF00FFu, d->First()->Decode()->GetPixel(0, 0));
  d = Detect("a.c24", UIMG(0, 24, 3, 1, 1, {}, {1, 2, 3}));
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ(0x010203u, d->First()->Decode()->GetPixel(0, 0));
  d = Detect("a.c32", UIMG(0, 32, 4, 1, 1, {}, {9, 1, 2, 3}));
  EXPECT_EQ(0x010203u, d->First()->Decode()->GetPixel(0, 0));
  EXPECT_EQ(nullptr,
            Detect("a.c24", UIMG(0, 24, 2, 1, 1, {}, {1, 2, 3}))->Find("TQoAtariSTUIMGEngine"));
}

TEST(QoAtariSTTrueColorTest, ImageManagerGreysAndColourPlanes) {
  // 65536 bytes are a 256 x 256 grey picture or a 128 x 128 one of four planes: the
  // extension tells them apart.
  TBytes file(65536);
  file[1 * 128 + 2] = 0xEE;              // first plane, ignored
  file[16384 + 1 * 128 + 2] = 0x11;      // red of (2, 1)
  file[2 * 16384 + 1 * 128 + 2] = 0x22;  // green
  file[3 * 16384 + 1 * 128 + 2] = 0x33;  // blue
  auto d = Detect("pic.col", file);
  ASSERT_EQ("TQoAtariSTImageManagerColEngine", d->Classes().at(0));
  TQoSourceEngine& col = *d->First();
  EXPECT_EQ(128, col.Width);
  EXPECT_EQ(0x112233u, col.Decode()->GetPixel(2, 1));
  d = Detect("pic.im", file);
  ASSERT_EQ("TQoAtariSTImageManagerImEngine", d->Classes().at(0));
  EXPECT_EQ(256, d->First()->Width);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(0xEEu, bmp->GetPixel(130, 0));
  EXPECT_EQ(0xEEEEEEu, bmp->Palette->GetRGBQuad(0xEE));
  EXPECT_EQ("Atari ST 256x256x8 Atari Image Manager image", d->First()->GetDisplayName());
}

TEST(QoAtariSTTrueColorTest, DeskPicPutsVdiPensOnTheirRegisters) {
  // 16 colours, 16 x 1: pen 1 (black in VDI order) lands on register 15.
  TBytes file(20 + 2 * 4);
  Put(file, 0, "GF25");
  PutBE32(file, 4, 16);
  PutBE32(file, 8, 16);
  PutBE32(file, 12, 1);
  PutBE32(file, 16, 8);
  PutInterleaved(file, 20, 16, 4, 0, 0, 15);
  PutInterleaved(file, 20, 16, 4, 1, 0, 1);
  TBytes palette(16 * 6);
  PutBE16(palette, 6 * 1 + 0, 1000);  // pen 1: red
  PutBE16(palette, 6 * 2 + 2, 1000);  // pen 2: green
  Append(file, palette);
  auto d = Detect("desk.gfb", file);
  TQoSourceEngine* engine = d->First();
  ASSERT_EQ("TQoAtariSTDeskPicEngine", engine->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine->DetectFlags);
  auto bmp = engine->Decode();
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(bmp->GetPixel(0, 0)));
  EXPECT_EQ(0x00FF00u, bmp->Palette->GetRGBQuad(bmp->GetPixel(1, 0)));
  file.pop_back();  // the palette runs out
  EXPECT_EQ(nullptr, Detect("desk.gfb", file)->Find("TQoAtariSTDeskPicEngine"));
}

TEST(QoAtariSTTrueColorTest, RGBIntermediateJoinsThreeScreens) {
  TBytes file(96102);
  PutInterleaved(file, 34, 320, 4, 17, 3, 15);
  PutInterleaved(file, 32068, 320, 4, 17, 3, 1);
  PutInterleaved(file, 64102, 320, 4, 17, 3, 8);
  auto d = Detect("pic.rgb", file);
  TQoSourceEngine* engine = d->Find("TQoAtariSTRGBIntermediateEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, engine->DetectFlags);
  EXPECT_EQ("Atari STE", engine->PlatformName);
  EXPECT_EQ(12, engine->ColorDepth);
  EXPECT_EQ(0xFF1188u, engine->Decode()->GetPixel(17, 3));
}

TEST(QoAtariSTTrueColorTest, GreyscaleScansByTheirLevels) {
  // IMG Scan: 0 is white paper.
  TBytes scan(64000);
  scan[5] = 255;
  auto d = Detect("scan.rwl", scan);
  TQoSourceEngine* engine = d->Find("TQoAtariSTImgScanLabEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, engine->DetectFlags);
  auto bmp = engine->Decode();
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(bmp->GetPixel(0, 0)));
  EXPECT_EQ(0x000000u, bmp->Palette->GetRGBQuad(bmp->GetPixel(5, 0)));

  // ImageLab: the extension chooses the program's name.
  TBytes lab(10 + 3 * 2);
  Put(lab, 0, "B&W256");
  PutBE16(lab, 6, 3);
  PutBE16(lab, 8, 2);
  lab[10 + 4] = 200;
  d = Detect("pic.dit", lab);
  ASSERT_EQ("TQoAtariSTImageLabEngine", d->First()->EngineClass);
  EXPECT_EQ("Atari Falcon 3x2x8 GEM-View Dither image", d->First()->GetDisplayName());
  EXPECT_EQ(200u, d->First()->Decode()->GetPixel(1, 1));
  EXPECT_EQ(".b&w", Detect("pic.b&w", lab)->First()->DefaultExtension);
  EXPECT_EQ("ImageLab", Detect("pic.xyz", lab)->First()->ModeName);
  EXPECT_EQ(".b_w", Detect("pic.xyz", lab)->First()->DefaultExtension);

  // Print-Technik: 128 levels at twice their value; a byte of 128 is not one.
  TBytes hir(10 + 2);
  hir[0] = hir[1] = 0x0F;
  PutBE16(hir, 2, 1);
  PutBE16(hir, 4, 2);
  PutBE16(hir, 6, 1);
  PutBE16(hir, 8, 1);
  hir[11] = 127;
  d = Detect("pic.hir", hir);
  engine = d->First();
  ASSERT_EQ("TQoAtariSTPrintTechnikEngine", engine->EngineClass);
  EXPECT_EQ(7, engine->ColorDepth);
  bmp = engine->Decode();
  EXPECT_EQ(0xFEFEFEu, bmp->Palette->GetRGBQuad(bmp->GetPixel(1, 0)));
  hir[11] = 128;
  EXPECT_EQ(nullptr, Detect("pic.hir", hir)->Find("TQoAtariSTPrintTechnikEngine"));
}
