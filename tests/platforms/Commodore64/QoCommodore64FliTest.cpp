#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string_view>

#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoWholeRoad.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry C64Registry() {
  TQoEngineRegistry registry;
  RegisterCommodore64Engines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(C64Registry(), name, std::move(bytes));
}

std::string FirstClass(const std::string& name, TBytes bytes) {
  const auto d = Detect(name, std::move(bytes));
  return d->First() ? d->First()->EngineClass : std::string();
}

// A zero-filled program file of size bytes.
TBytes Prg(uint16_t address, std::size_t size) {
  TBytes file(size, 0);
  file[0] = static_cast<uint8_t>(address);
  file[1] = static_cast<uint8_t>(address >> 8);
  return file;
}

// A program file of size bytes filled with noise and long zero runs.
TBytes NoisyPrg(uint16_t address, std::size_t size) {
  TBytes file = Prg(address, size);
  uint32_t seed = 12345;
  for (std::size_t i = 2; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    if ((i / 512) % 2 == 0) file[i] = static_cast<uint8_t>(seed >> 16);
  }
  return file;
}

TBytes Cat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TBytes Slice(const TBytes& bytes, std::size_t from, std::size_t to) {
  return TBytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

TBytes Reversed(TBytes bytes) {
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

// Escape, count, value for runs of four or more and for the escape byte itself. With
// minusOne the stored count is one less than the run; a run of 256 stored as 0 needs
// maxRun 256.
TBytes PackCountValue(const TBytes& raw, uint8_t escape, std::size_t maxRun = 255,
                      bool minusOne = false) {
  TBytes out;
  for (std::size_t i = 0; i < raw.size();) {
    std::size_t n = 1;
    while (i + n < raw.size() && raw[i + n] == raw[i] && n < maxRun) ++n;
    if (n >= 4 || raw[i] == escape) {
      out.insert(out.end(), {escape, static_cast<uint8_t>(minusOne ? n - 1 : n), raw[i]});
      i += n;
    } else {
      out.push_back(raw[i++]);
    }
  }
  return out;
}

// Hires Manager's tokens in reading order: a 0, count and value for runs, else a
// control n and n - 1 literals.
TBytes PackHiresManager(const TBytes& raw) {
  TBytes out;
  for (std::size_t i = 0; i < raw.size();) {
    std::size_t n = 1;
    while (i + n < raw.size() && raw[i + n] == raw[i] && n < 255) ++n;
    if (n >= 4) {
      out.insert(out.end(), {0, static_cast<uint8_t>(n), raw[i]});
      i += n;
      continue;
    }
    const std::size_t literals = std::min<std::size_t>(raw.size() - i, 254);
    out.push_back(static_cast<uint8_t>(literals + 1));
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(i),
               raw.begin() + static_cast<std::ptrdiff_t>(i + literals));
    i += literals;
  }
  return out;
}

void ExpectSamePixels(const TQoBitmap& a, const TQoBitmap& b) {
  ASSERT_EQ(a.Width, b.Width);
  ASSERT_EQ(a.Height, b.Height);
  int differing = 0;
  for (int y = 0; y < a.Height; ++y) {
    for (int x = 0; x < a.Width; ++x) differing += a.GetPixel(x, y) != b.GetPixel(x, y) ? 1 : 0;
  }
  EXPECT_EQ(0, differing);
}

// Decodes both files with their first engines, which must be the given classes, and
// expects the same picture and frames.
void ExpectSamePicture(const std::string& packedName, const TBytes& packed,
                       const std::string& packedClass, const std::string& plainName,
                       const TBytes& plain) {
  const auto p = Detect(packedName, packed);
  const auto u = Detect(plainName, plain);
  ASSERT_NE(nullptr, p->First());
  ASSERT_NE(nullptr, u->First());
  EXPECT_EQ(packedClass, p->First()->EngineClass);
  EXPECT_EQ(11, p->First()->DetectFlags);
  // The size is known before the first decode.
  EXPECT_EQ(u->First()->Width, p->First()->Width);
  EXPECT_EQ(u->First()->Height, p->First()->Height);
  const auto a = p->First()->Decode();
  const auto b = u->First()->Decode();
  ExpectSamePixels(*a, *b);
  ASSERT_EQ(a->FrameCount(), b->FrameCount());
  for (int i = 0; i < a->FrameCount(); ++i) {
    ExpectSamePixels(*a->Frames->GetBitmap(i), *b->Frames->GetBitmap(i));
  }
}

// A cell (row 3, column 5) whose lines 0 and 1 show pairs 00 01 10 11 from different
// screens: screen 0 gives 4 and 7, screen 1 gives 2 and 3; colour RAM 10.
void MarkFliCell(TBytes& file, std::size_t bitmap, std::size_t screens, std::size_t colour) {
  const std::size_t cell = 3 * 40 + 5;
  file[bitmap + cell * 8] = 0x1B;
  file[bitmap + cell * 8 + 1] = 0x1B;
  file[screens + cell] = 0x47;
  file[screens + 1024 + cell] = 0x23;
  file[colour + cell] = 0xFA;
}

std::vector<uint32_t> Row(const TQoBitmap& bmp, int x, int y, int n) {
  std::vector<uint32_t> row;
  for (int i = 0; i < n; ++i) row.push_back(bmp.GetPixel(x + i, y));
  return row;
}

using TRow = std::vector<uint32_t>;

}  // namespace

TEST(QoCommodore64FliTest, FliTakesAScreenPerLineAndShowsTheGap) {
  TBytes fli = Prg(0x3C00, 17218);
  MarkFliCell(fli, 9218, 1026, 2);
  // Cell column 2 lies in the gap: its screen byte is never fetched.
  fli[9218 + 2 * 8] = 0x1B;
  fli[1026 + 2] = 0x47;
  const auto d = Detect("p.fli", fli);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ("TQoCommodore64LoResFLIEngine", d->First()->EngineClass);
  EXPECT_EQ("FLI Designer", d->First()->ModeName);
  EXPECT_EQ(11, d->First()->DetectFlags);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(160, bmp->Width);
  EXPECT_EQ((TRow{0, 4, 7, 10}), Row(*bmp, 20, 24, 4));
  EXPECT_EQ((TRow{0, 2, 3, 10}), Row(*bmp, 20, 25, 4));
  EXPECT_EQ((TRow{0, 15, 15, 9}), Row(*bmp, 8, 0, 4));

  // Flimatic keeps a background byte; FLI Graph one background a line.
  TBytes flm = Prg(0x3C00, 17410);
  MarkFliCell(flm, 9218, 1026, 2);
  flm[17281] = 0x16;
  bmp = Detect("p.flm", flm)->First()->Decode();
  EXPECT_EQ((TRow{6, 4, 7, 10}), Row(*bmp, 20, 24, 4));
  TBytes bml = Prg(0x3B00, 17474);
  MarkFliCell(bml, 9474, 1282, 258);
  bml[2 + 24] = 0x0C;
  bml[2 + 25] = 0x05;
  const auto g = Detect("p.bml", bml);
  EXPECT_EQ("FLI Graph", g->First()->ModeName);
  bmp = g->First()->Decode();
  EXPECT_EQ((TRow{12, 4, 7, 10}), Row(*bmp, 20, 24, 4));
  EXPECT_EQ((TRow{5, 2, 3, 10}), Row(*bmp, 20, 25, 4));

  // A size or load address off by one is no FLI picture.
  EXPECT_EQ("", FirstClass("p.fli", Prg(0x3C00, 17219)));
  EXPECT_EQ("", FirstClass("p.fli", Prg(0x3C01, 17218)));
  EXPECT_EQ(9, Detect("p.bin", fli)->First()->DetectFlags);
}

TEST(QoCommodore64FliTest, BigFliContinuesIntoTheLowerHalf) {
  TBytes file = Prg(0x3BFF, 33795);
  file[2] = 'b';
  file[9219] = 0x1B;  // the upper gap: pair 11 is black, not brown
  // The lower picture's cell (0, 3) is cell 1003 of its memory.
  const std::size_t index = 1003;
  file[25603 + index * 8 + 1] = 0x1B;
  file[17411 + 1024 + index] = 0x47;
  file[3 + index] = 0x0A;
  const auto d = Detect("p.bfli", file);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ("TQoCommodore64LoResBFLIGigascreenEngine", d->First()->EngineClass);
  const auto bmp = d->First()->Decode();
  EXPECT_EQ(400, bmp->Height);
  EXPECT_EQ((TRow{0, 15, 15, 0}), Row(*bmp, 0, 0, 4));
  EXPECT_EQ((TRow{0, 4, 7, 10}), Row(*bmp, 12, 201, 4));
  file[2] = 'c';
  EXPECT_EQ("", FirstClass("p.bfli", file));
}

TEST(QoCommodore64FliTest, FliProfiSpritesCoverTheGapExceptTransparentPairs) {
  TBytes file = Prg(0x3780, 18370);
  file[10370 + 1] = 0x03;  // cell (0, 0) line 1: pair 11 at x = 3
  file[898 + 1] = 0xE0;    // the gap's pair 11 on line 1: 14
  // Line 1 shows bank 5, sprite 5, row 0: pairs 01 10 11 00.
  file[2 + 5 * 64] = 0x6C;
  file[642 + 1] = 0x02;
  file[1098] = 0x05;
  file[1099] = 0x07;
  const auto d = Detect("p.fpr", file);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ("TQoCommodore64LoResFLIFprEngine", d->First()->EngineClass);
  const auto bmp = d->First()->Decode();
  EXPECT_EQ((TRow{2, 5, 7, 14}), Row(*bmp, 0, 1, 4));
}

TEST(QoCommodore64FliTest, InterlacePicturesKeepTheirFramesAndShiftTheSecond) {
  // TruePaint: wide, one colour RAM, a screen per frame.
  TBytes mci = Prg(0x9C00, 19434);
  mci[1002] = 0x06;
  mci[1026 + 8] = 0xC0;   // frame one, cell (0, 1): pair 11 at x = 4
  mci[9218 + 8] = 0x40;   // frame two: pair 01 at x = 4
  mci[18434 + 1] = 0x0A;  // colour RAM
  mci[17410 + 1] = 0x30;  // frame two's screen
  const auto d = Detect("p.mci", mci);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ("TQoCommodore64LoResGigascreenEngine", d->First()->EngineClass);
  EXPECT_EQ(2, d->First()->FrameCount);
  EXPECT_EQ(320, d->First()->Width);
  auto bmp = d->First()->Decode();
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(256, bmp->Palette->GetCount());
  const TQoBitmap& first = *bmp->Frames->GetBitmap(0);
  const TQoBitmap& second = *bmp->Frames->GetBitmap(1);
  EXPECT_EQ(16, first.Palette->GetCount());
  EXPECT_EQ((TRow{6, 10, 10, 6}), Row(first, 7, 0, 4));
  EXPECT_EQ((TRow{0, 6}), Row(second, 0, 0, 2));
  EXPECT_EQ((TRow{6, 6, 3, 3, 6}), Row(second, 7, 0, 5));
  EXPECT_EQ((TRow{6 * 16 + 6, 10 * 16 + 6, 10 * 16 + 3, 6 * 16 + 3}), Row(*bmp, 7, 0, 4));

  // DrazLace keeps the mode: 0 is 160 wide and unshifted, 2 is no picture.
  TBytes drl = Prg(0x5800, 18242);
  drl[2050] = 0x40;  // frame one, pair 01 at x = 0
  drl[1026] = 0x50;
  auto z = Detect("p.drl", drl);
  ASSERT_NE(nullptr, z->First());
  EXPECT_EQ(160, z->First()->Width);
  bmp = z->First()->Decode();
  EXPECT_EQ(5u * 16u, bmp->GetPixel(0, 0));
  drl[10052] = 2;
  EXPECT_EQ("", FirstClass("p.drl", drl));
  drl[10052] = 1;
  drl[0] = drl[1] = 0;
  z = Detect("p.drl", drl);
  EXPECT_EQ(320, z->First()->Width);
  EXPECT_EQ(kQoC64HiresAspect, z->First()->AspectIndex);
}

TEST(QoCommodore64FliTest, HiresInterlaceFramesAndFewColourMixes) {
  // ECI: two hires FLI screens.
  TBytes eci = Prg(0x4000, 32770);
  eci[16386 + 1] = 0x80;
  eci[24578 + 1024] = 0x5E;
  auto bmp = Detect("p.eci", eci)->First()->Decode();
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ((TRow{5, 14}), Row(*bmp->Frames->GetBitmap(1), 0, 1, 2));
  EXPECT_EQ((TRow{5, 14}), Row(*bmp, 0, 1, 2));  // frame one is black

  // Interlace Hires Editor: two black-on-white bitmaps mix into four shades.
  TBytes ihe = Prg(0x2000, 16194);
  ihe[2] = 0x80;
  ihe[8194] = 0xC0;
  const auto i = Detect("p.ihe", ihe);
  EXPECT_EQ("TQoCommodore64HiResGigascreenIheEngine", i->First()->EngineClass);
  bmp = i->First()->Decode();
  EXPECT_EQ(4, bmp->Palette->GetCount());
  EXPECT_EQ(0xFFFFFFu, bmp->Frames->GetBitmap(0)->Palette->GetRGBQuad(0) & 0xFFFFFFu);
  EXPECT_EQ((TRow{3, 1, 0}), Row(*bmp, 0, 0, 3));

  // Multi-Lace Editor: four colours, always shifted.
  TBytes mle = Prg(0x2000, 4098);
  mle[2050] = 0xC0;
  mle[2] = 0x40;
  const auto m = Detect("p.mle", mle);
  EXPECT_EQ("TQoCommodore64LoResGigascreenMleEngine", m->First()->EngineClass);
  bmp = m->First()->Decode();
  EXPECT_EQ(320, bmp->Width);
  EXPECT_EQ(56, bmp->Height);
  EXPECT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ((TRow{12, 13, 1, 0}), Row(*bmp, 0, 0, 4));

  // Interlace-Super-Hires Painter: sprite layer A before B before the bitmap.
  TBytes ish = Prg(0x4000, 30738);
  const std::size_t frame = 2;
  ish[frame + 10752] = 0x80;  // layer A, x = 0
  ish[frame + 8192] = 0xC0;   // layer B, x = 0 and 1
  ish[frame + 15364] = 0x07;  // layer A colour
  ish[frame + 15360] = 0x02;  // layer B colour
  ish[frame + 13312] = 0x5E;  // column colours
  ish[frame + 0] = 0x20;      // bitmap, x = 2
  bmp = Detect("p.ish", ish)->First()->Decode();
  EXPECT_EQ((TRow{7, 2, 5, 14}), Row(*bmp->Frames->GetBitmap(0), 0, 0, 4));
}

TEST(QoCommodore64FliTest, FliInterlaceLayoutsAndTheirChecks) {
  // Gunpaint: one background table for both frames, in two pieces.
  TBytes gun = Prg(0x4000, 33603);
  gun[16209 + 3] = 0x04;
  gun[18410 + 199 - 177] = 0x0B;
  auto d = Detect("p.gun", gun);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ("TQoCommodore64LoResFLIGigascreenGunEngine", d->First()->EngineClass);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(4u * 16 + 4, bmp->GetPixel(40, 3));
  EXPECT_EQ(11u * 16 + 11, bmp->GetPixel(40, 199));
  gun[0] = gun[1] = 0;
  EXPECT_EQ("TQoCommodore64LoResFLIGigascreenGunEngine", FirstClass("p.vic", gun));
  EXPECT_EQ("", FirstClass("p.gun", gun));

  // FunPaint II: unpacked only with the flag byte 0.
  TBytes fun = Prg(0x3FF0, 33694);
  const std::string_view signature("FUNPAINT (QZ) ", 14);
  std::copy(signature.begin(), signature.end(), fun.begin() + 2);
  fun[33594 + 50] = 0x0D;  // the table's second half: line 150
  d = Detect("p.fun", fun);
  EXPECT_EQ("TQoCommodore64LoResFLIGigascreenEngine", d->First()->EngineClass);
  EXPECT_EQ("FunPaint II", d->First()->ModeName);
  bmp = d->First()->Decode();
  EXPECT_EQ(13u * 16 + 13, bmp->GetPixel(100, 150));
  fun[16] = 1;
  EXPECT_NE("TQoCommodore64LoResFLIGigascreenEngine", FirstClass("p.fun", fun));

  // Flash FLI is 160 wide and shares one bitmap between its frames.
  TBytes ffli = Prg(0x3AFF, 26115);
  ffli[2] = 'f';
  d = Detect("p.ffli", ffli);
  EXPECT_EQ(160, d->First()->Width);
  ffli[2] = 'g';
  EXPECT_EQ("", FirstClass("p.ffli", ffli));

  // An AFLI file whose byte 2 is 0xFF is Hires Manager only by its extension.
  TBytes afl = Prg(0x4000, 16385);
  afl[2] = 0xFF;
  d = Detect("p.him", afl);
  EXPECT_EQ("Hires Manager", d->First()->ModeName);
  EXPECT_EQ(192, d->First()->Height);
  d = Detect("p.afl", afl);
  EXPECT_EQ("AFLI-editor", d->First()->ModeName);
  EXPECT_EQ(200, d->First()->Decode()->Height);
}

TEST(QoCommodore64FliTest, PackedMembersDecodeLikeTheirPlainLayouts) {
  // DrazLace, wide.
  TBytes drl = NoisyPrg(0x5800, 18242);
  drl[10052] = 1;
  const std::string_view drazlace = "DRAZLACE! 1.0";
  TBytes packed = Prg(0x5800, 2);
  packed.insert(packed.end(), drazlace.begin(), drazlace.end());
  packed.push_back(0xB7);
  packed = Cat(Cat(packed, PackCountValue(Slice(drl, 2, drl.size()), 0xB7)), {0xB7, 0, 0});
  ExpectSamePicture("p.dlp", packed, "TQoCommodore64LoResGigascreenDrlEngine", "p.drl", drl);

  // Pixel Perfect: stored counts one less; the packed picture has background 0.
  TBytes pp = NoisyPrg(0x3C00, 33602);
  pp[17281] = 0;
  packed = Cat(Prg(0x3BFC, 2), {0x10, 0x10, 0x10, 0x9D});
  packed = Cat(packed, PackCountValue(Slice(pp, 2, pp.size()), 0x9D, 256, true));
  ExpectSamePicture("p.ppp", packed, "TQoCommodore64LoResFLIGigascreenPppEngine", "p.pp", pp);

  // FunPaint II, packed after its 18-byte header.
  TBytes fun = NoisyPrg(0x3FF0, 33694);
  const std::string_view signature("FUNPAINT (QZ) \0", 15);
  std::copy(signature.begin(), signature.end(), fun.begin() + 2);
  packed = Slice(fun, 0, 18);
  packed[16] = 1;
  packed[17] = 0xF3;
  packed = Cat(packed, PackCountValue(Slice(fun, 18, fun.size()), 0xF3));
  ExpectSamePicture("p.fp2", packed, "TQoCommodore64LoResFLIGigascreenFp2Engine", "p.fun", fun);

  // ECI, packed only as ".ecp".
  TBytes eci = NoisyPrg(0x4000, 32770);
  packed = Cat(Prg(0x4000, 2), {0x4E});
  packed = Cat(packed, PackCountValue(Slice(eci, 2, eci.size()), 0x4E));
  ExpectSamePicture("p.ecp", packed, "TQoCommodore64HiResFLIGigascreenEcpEngine", "p.eci", eci);
  EXPECT_NE("TQoCommodore64HiResFLIGigascreenEcpEngine", FirstClass("p.eci", packed));

  // Flip: the FLI Designer layout without the load address, packed backwards.
  TBytes fli = NoisyPrg(0x3C00, 17218);
  packed = Prg(0x38F0, 18);
  packed[2] = 0x61;
  packed = Cat(packed, Reversed(PackCountValue(Reversed(Slice(fli, 2, fli.size())), 0x61)));
  ExpectSamePicture("p.fbi", packed, "TQoCommodore64LoResFLIFbiEngine", "p.fli", fli);

  // Hires Manager, packed backwards with its own controls; the header holds the end.
  TBytes him = NoisyPrg(0x4000, 16385);
  him[2] = 0xFF;
  packed = Cat(Prg(0x4000, 6), Reversed(PackHiresManager(Reversed(Slice(him, 0, 16372)))));
  const std::size_t end = packed.size() + 16381;
  packed[2] = static_cast<uint8_t>(end);
  packed[3] = static_cast<uint8_t>(end >> 8);
  packed[4] = 0xF2;
  packed[5] = 0x7F;
  ExpectSamePicture("p.him", packed, "TQoCommodore64HiResFLIHimEngine", "q.him", him);
  packed[2] ^= 1;
  EXPECT_NE("TQoCommodore64HiResFLIHimEngine", FirstClass("p.him", packed));

  // UFLI: counts of 0 mean 256.
  TBytes ufl = NoisyPrg(0x4000, 16194);
  packed = Cat(Prg(0x8000, 2), {0x33});
  packed = Cat(packed, PackCountValue(Slice(ufl, 2, ufl.size()), 0x33, 256));
  ExpectSamePicture("p.ufl", packed, "TQoCommodore64HiResUflEngine", "q.ufl", ufl);
  EXPECT_EQ("TQoCommodore64HiResUflEngine", FirstClass("q.ufl", ufl));
}

TEST(QoCommodore64FliTest, UfliSpritesShowUnderTheBitmapsZeroBits) {
  TBytes ufl = Prg(0x4000, 16194);
  // Cell (0, 3), line 0: bitmap 1000 0000, screen 0x5E, sprite 0's first byte
  // 0xC0 (high nibble for odd columns: pixels 0 to 3), one colour 7 for all sprites.
  ufl[8194 + 3 * 8] = 0x80;
  ufl[4098 + 3] = 0x5E;
  ufl[2] = 0xC0;
  ufl[4082] = 0x07;
  // Cell (0, 0) is left of the sprites: they cover it completely.
  ufl[4098] = 0x5E;
  const auto bmp = Detect("p.ufl", ufl)->First()->Decode();
  EXPECT_EQ((TRow{5, 7, 7, 7, 14}), Row(*bmp, 24, 0, 5));
  EXPECT_EQ((TRow{7, 7}), Row(*bmp, 0, 0, 2));
  ufl[4081] = 1;  // each sprite its own colour
  ufl[4084] = 0x02;
  const auto own = Detect("p.ufl", ufl)->First()->Decode();
  EXPECT_EQ((TRow{5, 2, 2, 2, 14}), Row(*own, 24, 0, 5));
}

TEST(QoCommodore64FliTest, CutPackedFilesEndCleanly) {
  TBytes fli = NoisyPrg(0x3C00, 17218);
  TBytes fbi = Prg(0x38F0, 18);
  fbi[2] = 0x61;
  fbi = Cat(fbi, Reversed(PackCountValue(Reversed(Slice(fli, 2, fli.size())), 0x61)));
  TBytes ecp = Cat(Prg(0x4000, 2), {0x4E});
  ecp = Cat(ecp, PackCountValue(Slice(NoisyPrg(0x4000, 32770), 2, 32770), 0x4E));
  TBytes him = Cat(Prg(0x4000, 6), Reversed(PackHiresManager(TBytes(16372, 9))));
  him[4] = 0xF2;
  him[5] = 0x7F;
  const std::vector<std::pair<std::string, TBytes>> files = {
      {"p.fbi", fbi}, {"p.ecp", ecp}, {"p.him", him}};
  for (const auto& [name, file] : files) {
    for (std::size_t cut :
         {std::size_t{3}, std::size_t{18}, file.size() / 2, file.size() - 1, file.size()}) {
      SCOPED_TRACE(name + " cut at " + std::to_string(cut));
      TBytes bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
      if (name == "p.him") {
        // Keep the end address right, so the cut stream is decoded as far as it goes.
        const std::size_t end = cut + 16381;
        if (cut > 3) {
          bytes[2] = static_cast<uint8_t>(end);
          bytes[3] = static_cast<uint8_t>(end >> 8);
        }
      }
      TQoMemoryLoadSource source(name, bytes.data(), static_cast<int32_t>(bytes.size()), false);
      const TQoRoadResult road = QoRunWholeRoad(source, C64Registry());
      if (cut == file.size() || (name == "p.him" && cut > 6)) {
        EXPECT_GT(road.Decodes, 0);
      }
    }
  }
}

TEST(QoCommodore64FliTest, RealPicturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"c64-fli", "TQoCommodore64LoResFLIEngine"},
      {"c64-fligraph", "TQoCommodore64LoResFLIEngine"},
      {"c64-bfli", "TQoCommodore64LoResBFLIGigascreenEngine"},
      {"c64-ffli", "TQoCommodore64LoResFLIGigascreenEngine"},
      {"c64-funpaint2", "TQoCommodore64LoResFLIGigascreenEngine"},
      {"c64-gunpaint", "TQoCommodore64LoResFLIGigascreenGunEngine"},
      {"c64-drazlace", "TQoCommodore64LoResGigascreenEngine"},
      {"c64-truepaint", "TQoCommodore64LoResGigascreenEngine"},
      {"c64-hlf", "TQoCommodore64HiResGigascreenEngine"},
      {"c64-afli", "TQoCommodore64HiResFLIEngine"},
      {"c64-hires-manager", "TQoCommodore64HiResFLIEngine"},
      {"c64-hfc", "TQoCommodore64HiResFLIEngine"},
  };
  // Pinned after checking each picture, and each frame of the interlace pictures, by eye.
  const std::map<std::string, std::string> pinned = {
      {"c64/ALAPALOOZA.BML", "a8a37cb94040bccf"}, {"c64/DEMOPIC.HFC", "c53c7c609e600cd2"},
      {"c64/Gunpaint.gun", "7fb45311a7b3cfa5"},   {"c64/Viking.fun", "4bd3b837314cf193"},
      {"c64/hands.fli", "283ecb36544335dc"},      {"c64/kira.bfli", "edf37a7c486f41c8"},
      {"c64/logo.afl", "5fabcf0dd9fc70c6"},       {"c64/logo1.him", "d2bbcff94c48974f"},
      {"c64/logofeniks.hlf", "056469a5929c8ff5"}, {"c64/parrot_3aff.ffli", "ed8cce5b88007f37"},
      {"c64/test.mci", "5b6ff80d6eb1ce55"},       {"c64/tyrant_1.drl", "9f72c69993afaf75"},
  };
  EXPECT_EQ(12, QoCheckRealPictures(C64Registry(), expectedEngine, pinned));
}
