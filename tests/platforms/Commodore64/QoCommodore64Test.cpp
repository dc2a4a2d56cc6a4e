#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string_view>

#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoTestHash.h"
#include "support/QoWholeRoad.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry C64Registry() {
  TQoEngineRegistry registry;
  RegisterCommodore64Engines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes, TBytes companion = {}) {
  return QoDetectIn(C64Registry(), name, std::move(bytes), std::move(companion));
}

// A program file: the load address, then the body.
TBytes Prg(uint16_t address, const TBytes& body) {
  TBytes file = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8)};
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

TBytes Cat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Run-length packing as the C64 packers do it: runs of four or more, and every escape
// byte, become escape sequences that run writes; other bytes stand for themselves.
using TRunWriter = std::function<void(TBytes&, uint8_t value, std::size_t count)>;
TBytes PackRuns(const TBytes& raw, const TBytes& escapes, std::size_t maxRun,
                const TRunWriter& run) {
  TBytes out;
  for (std::size_t i = 0; i < raw.size();) {
    std::size_t n = 1;
    while (i + n < raw.size() && raw[i + n] == raw[i] && n < maxRun) ++n;
    if (n >= 4 || std::find(escapes.begin(), escapes.end(), raw[i]) != escapes.end()) {
      run(out, raw[i], n);
      i += n;
    } else {
      out.push_back(raw[i++]);
    }
  }
  return out;
}
TBytes PackValueCount(const TBytes& raw, uint8_t escape) {
  return PackRuns(raw, {escape}, 255, [escape](TBytes& o, uint8_t v, std::size_t n) {
    o.insert(o.end(), {escape, v, static_cast<uint8_t>(n)});
  });
}
// maxRun 256 writes 256 as a count of 0.
TBytes PackCountValue(const TBytes& raw, uint8_t escape, std::size_t maxRun = 255) {
  return PackRuns(raw, {escape}, maxRun, [escape](TBytes& o, uint8_t v, std::size_t n) {
    o.insert(o.end(), {escape, static_cast<uint8_t>(n), v});
  });
}
TBytes PackWordCount(const TBytes& raw, uint8_t escape) {
  return PackRuns(raw, {escape}, 65535, [escape](TBytes& o, uint8_t v, std::size_t n) {
    o.insert(o.end(), {escape, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), v});
  });
}

// A multicolour picture of size bytes with one marked cell (row 3, column 5, line 2):
// its pairs 00 01 10 11 show background 6, screen nibbles 4 and 7, colour 10. The rest is
// zero, in long runs broken by the escape bytes of the packers.
TBytes Multicolour(std::size_t size, const TQoC64Parts& p) {
  TBytes raw(size, 0);
  for (std::size_t i = 0; i < 8000; i += 97) raw[static_cast<std::size_t>(p.Bitmap) + i] = 0xFE;
  raw[static_cast<std::size_t>(p.Bitmap) + 100] = 0xC2;
  raw[static_cast<std::size_t>(p.Bitmap) + (3 * 40 + 5) * 8 + 2] = 0x1B;
  raw[static_cast<std::size_t>(p.Screen) + 3 * 40 + 5] = 0x47;
  if (p.Color >= 0) raw[static_cast<std::size_t>(p.Color) + 3 * 40 + 5] = 0xFA;  // low nibble
  if (p.Background >= 0) raw[static_cast<std::size_t>(p.Background)] = 0x16;
  return raw;
}
constexpr TQoC64Parts kKoalaBody = {0, 8000, 9000, 10000};

void ExpectMarkedMulticolourCell(const TQoBitmap& bmp, uint32_t background = 6) {
  EXPECT_EQ(background, bmp.GetPixel(20, 26));
  EXPECT_EQ(4u, bmp.GetPixel(21, 26));
  EXPECT_EQ(7u, bmp.GetPixel(22, 26));
  EXPECT_EQ(10u, bmp.GetPixel(23, 26));
}

// A hires picture with cell (row 2, column 7) line 5 = 0xA0 and screen byte 0x3E.
TBytes Hires(std::size_t size, std::size_t bitmap, std::size_t screen) {
  TBytes file(size, 0);
  file[bitmap + (2 * 40 + 7) * 8 + 5] = 0xA0;
  file[screen + 2 * 40 + 7] = 0x3E;
  return file;
}

void ExpectMarkedHiresCell(const TQoBitmap& bmp) {
  EXPECT_EQ(3u, bmp.GetPixel(56, 21));
  EXPECT_EQ(14u, bmp.GetPixel(57, 21));
  EXPECT_EQ(3u, bmp.GetPixel(58, 21));
}

uint8_t FirstFlags(const std::unique_ptr<TQoDetected>& d) {
  return d->First() ? d->First()->DetectFlags : 0;
}

}  // namespace

TEST(QoCommodore64Test, RegistersTheFamilyInOrderAndDescribesIt) {
  const std::vector<std::string> expected = {"TQoCommodore64ScrColEngine",
                                             "TQoCommodore64PetEngine",
                                             "TQoCommodore64PdrEngine",
                                             "TQoCommodore64HiResBWEngine",
                                             "TQoCommodore64HiResBWBSEngine",
                                             "TQoCommodore64HiResBWGREngine",
                                             "TQoCommodore64LoResEngine",
                                             "TQoCommodore64LoResPmgEngine",
                                             "TQoCommodore64LoResBdpEngine",
                                             "TQoCommodore64LoResAmiEngine",
                                             "TQoCommodore64LoResGgEngine",
                                             "TQoCommodore64LoResDrpEngine",
                                             "TQoCommodore64LoResCleEngine",
                                             "TQoCommodore64LoResLp3Engine",
                                             "TQoCommodore64LoResGigascreenEngine",
                                             "TQoCommodore64LoResGigascreenDrlEngine",
                                             "TQoCommodore64LoResGigascreenMleEngine",
                                             "TQoCommodore64LoResFLIEngine",
                                             "TQoCommodore64LoResFLICfliEngine",
                                             "TQoCommodore64LoResFLIFbiEngine",
                                             "TQoCommodore64LoResFLIFprEngine",
                                             "TQoCommodore64LoResBFLIGigascreenEngine",
                                             "TQoCommodore64LoResFLIGigascreenEngine",
                                             "TQoCommodore64LoResFLIGigascreenPppEngine",
                                             "TQoCommodore64LoResFLIGigascreenGunEngine",
                                             "TQoCommodore64LoResFLIGigascreenFp2Engine",
                                             "TQoCommodore64HiResEngine",
                                             "TQoCommodore64HiResJJEngine",
                                             "TQoCommodore64HiResUflEngine",
                                             "TQoCommodore64LoHiResShpEngine",
                                             "TQoCommodore64LoHiRes4btEngine",
                                             "TQoCommodore64LoHiResClpEngine",
                                             "TQoCommodore64HiResGigascreenEngine",
                                             "TQoCommodore64HiResGigascreenIheEngine",
                                             "TQoCommodore64HiResGigascreenIshEngine",
                                             "TQoCommodore64HiResFLIEngine",
                                             "TQoCommodore64HiResFLIHimEngine",
                                             "TQoCommodore64HiResFLIGigascreenEngine",
                                             "TQoCommodore64HiResFLIGigascreenEcpEngine"};
  EXPECT_EQ(expected, QoClassNames(C64Registry()));
  // In the whole registry the family follows the BK-0010 engines.
  const std::vector<std::string> all = QoClassNames(QoDefaultRegistry());
  const auto first = std::find(all.begin(), all.end(), expected.front());
  ASSERT_NE(all.end(), first);
  ASSERT_EQ(39u, expected.size());
  EXPECT_EQ(expected, std::vector<std::string>(first, first + 39));
  EXPECT_NE(std::string::npos, (first - 1)->find("BK0010"));

  std::vector<std::string> extensions;
  const TQoEngineRegistry registry = C64Registry();
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    const TQoEngineClassInfo info = QoDescribeEngineClass(engineClass);
    EXPECT_EQ("Commodore 64", info.Platform) << engineClass.Name;
    extensions.push_back(info.DefaultExtension);
  }
  EXPECT_EQ((std::vector<std::string>{
                ".scr", ".pet",  ".pdr",  ".hir", ".bs",  ".gr",  ".koa", ".pmg", ".bdp",  ".ami",
                ".gg",  ".drp",  ".cle",  ".lp3", ".drl", ".drl", ".mle", ".fli", ".cfli", ".fbi",
                ".fpr", ".bfli", ".ffli", ".ppp", ".gun", ".fp2", ".iph", ".jj",  ".ufl",  ".shp",
                ".4bt", ".clp",  ".hlf",  ".ihe", ".ish", ".him", ".him", ".eci", ".ecs"}),
            extensions);
}

TEST(QoCommodore64Test, KoalaLayoutsByAddressExtensionAndPalette) {
  const TBytes body = Multicolour(10001, kKoalaBody);
  auto kla = Detect("pic.kla", Prg(0x6000, body));
  TQoSourceEngine& engine = *kla->First();
  EXPECT_EQ(kQoC64Own, engine.DetectFlags);
  EXPECT_EQ("Commodore 64 160x200x4 Koala Painter image", engine.GetDisplayName());
  EXPECT_EQ(".koa", engine.DefaultExtension);
  EXPECT_EQ((std::vector<uint8_t>{ptCommandore64Dark, ptCommandore64Light}), engine.PaletteTypes);
  EXPECT_EQ(kQoC64MulticolourAspect, engine.AspectIndex);
  EXPECT_EQ(QoAspectBit(28) | QoAspectBit(39) | QoAspectBit(40) | QoAspectBit(44) |
                QoAspectBit(46) | QoAspectBit(47),
            engine.AspectMask);
  auto bmp = engine.Decode();
  ExpectMarkedMulticolourCell(*bmp);
  EXPECT_EQ(0x352879u, bmp->Palette->GetRGBQuad(6));
  engine.PaletteType = ptCommandore64Light;
  EXPECT_EQ(0x0000AAu, engine.Decode()->Palette->GetRGBQuad(6));
  engine.PaletteType = ptBW;
  EXPECT_THROW(engine.Decode(), EQoError);

  EXPECT_EQ("Gigapaint", Detect("pic.gig", Prg(0x2000, body))->First()->ModeName);
  EXPECT_EQ(kQoC64Other, FirstFlags(Detect("pic.bin", Prg(0x2000, body))));
  EXPECT_EQ("Interpaint", Detect("pic.ipt", Prg(0x4000, body))->First()->ModeName);
  // Load address 0: a Koala picture only by its own extension, as the weakest match.
  EXPECT_EQ(kQoDetectExtension, FirstFlags(Detect("pic.koa", Prg(0x0000, body))));
  EXPECT_EQ(0, Detect("pic.kla", Prg(0x0000, body))->Engines->Count());
  EXPECT_EQ(0, Detect("pic.koa", Prg(0x1000, body))->Engines->Count());
  EXPECT_EQ(0,
            Detect("pic.koa", Prg(0x6000, TBytes(body.begin(), body.end() - 1)))->Engines->Count());
}

TEST(QoCommodore64Test, OtherMulticolourLayoutsPlaceTheirParts) {
  struct TCase {
    const char* Name;
    uint16_t Address;
    std::size_t Size;
    TQoC64Parts Parts;  // in the file
    const char* Mode;
  };
  const TCase cases[] = {
      {"p.vid", 0x5800, 10050, {2050, 1026, 2, 2026}, "Vidcom 64"},
      {"p.mil", 0x18DC, 10022, {2022, 22, 1022, 8}, "Micro Illustrator"},
      {"p.ism", 0x3C00, 10218, {1026, 9218, 2, 9217}, "Image System"},
      {"p.sar", 0x7800, 10219, {1026, 2, 9218, 1010}, "Saracen Paint"},
      {"p.che", 0x8000, 20482, {2, 16898, 18434, 20479}, "Cheese"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBytes file = Multicolour(c.Size, c.Parts);
    file[0] = static_cast<uint8_t>(c.Address);
    file[1] = static_cast<uint8_t>(c.Address >> 8);
    auto d = Detect(c.Name, file);
    ASSERT_NE(nullptr, d->Find("TQoCommodore64LoResEngine"));
    EXPECT_EQ(c.Mode, d->Find("TQoCommodore64LoResEngine")->ModeName);
    ExpectMarkedMulticolourCell(*d->Find("TQoCommodore64LoResEngine")->Decode());
  }
  // Rainbow Painter keeps no background: pair 00 is black.
  TBytes rp = Multicolour(10242, {1026, 2, 9218, -1});
  rp[0] = 0x00, rp[1] = 0x5C;
  ExpectMarkedMulticolourCell(*Detect("p.rp", rp)->First()->Decode(), 0);

  // Paint Magic: one colour byte for pair 11 of every cell.
  TBytes pmg = Multicolour(9332, {116, 8308, -1, 8116});
  pmg[0] = 0x8E, pmg[1] = 0x3F, pmg[8119] = 0x0A;
  ExpectMarkedMulticolourCell(*Detect("p.pmg", pmg)->First()->Decode());
}

TEST(QoCommodore64Test, HiresLayoutsAndTheirNames) {
  auto iph = Detect("p.iph", Prg(0x4000, Hires(9000, 0, 8000)));
  EXPECT_EQ("Commodore 64 320x200x4 Interpaint image", iph->First()->GetDisplayName());
  EXPECT_EQ(kQoC64HiresAspect, iph->First()->AspectIndex);
  ExpectMarkedHiresCell(*iph->First()->Decode());
  auto art = Detect("p.art", Prg(0x2000, Hires(9007, 0, 8000)));
  EXPECT_EQ("Art Studio", art->First()->ModeName);
  EXPECT_EQ(0, Detect("p.art", Prg(0x4000, Hires(9007, 0, 8000)))->Engines->Count());
  // Doodle keeps the screen before the bitmap.
  auto dd = Detect("p.dd", Prg(0x1C00, Hires(9216, 1024, 0)));
  EXPECT_EQ(kQoC64Own, dd->First()->DetectFlags);
  ExpectMarkedHiresCell(*dd->First()->Decode());
  EXPECT_EQ("Hi-Eddi", Detect("p.x", Prg(0x2000, Hires(9216, 0, 8192)))->First()->ModeName);
}

TEST(QoCommodore64Test, MonochromeBitmapsNamedByExtension) {
  TBytes bitmap(8000, 0);
  bitmap[(1 * 40 + 2) * 8 + 3] = 0x80;  // cell (1, 2), line 3: the leftmost pixel
  auto hir = Detect("p.hir", Prg(0x2000, bitmap));
  TQoSourceEngine& engine = *hir->First();
  EXPECT_EQ("Commodore 64 320x200x1 Art Studio image", engine.GetDisplayName());
  EXPECT_EQ((std::vector<uint8_t>{ptBW, ptWB}), engine.PaletteTypes);
  auto bmp = engine.Decode();
  EXPECT_EQ(1u, bmp->GetPixel(16, 11));
  EXPECT_EQ(0x000000u, bmp->Palette->GetRGBQuad(0));
  engine.PaletteType = ptWB;
  EXPECT_EQ(0xFFFFFFu, engine.Decode()->Palette->GetRGBQuad(0));

  EXPECT_EQ("Fun Graphics Machine", Detect("p.fgs", Prg(0x2000, bitmap))->First()->ModeName);
  auto other = Detect("p.bin", Prg(0x2000, bitmap));
  EXPECT_EQ(kQoC64Other, other->First()->DetectFlags);
  EXPECT_EQ("", other->First()->ModeName);
  EXPECT_EQ(".hir", other->First()->DefaultExtension);
  TBytes big(8192, 0);
  EXPECT_EQ("Gigacad", Detect("p.gcd", Prg(0x2000, big))->First()->ModeName);
  EXPECT_EQ(".mon",
            Detect("p.x", Prg(0x2000, big))->Find("TQoCommodore64HiResBWEngine")->DefaultExtension);

  // Star Painter: 3 x 2 cells, black on white whatever is selected.
  TBytes gr = {3, 2};
  gr.resize(2 + 3 * 2 * 8, 0);
  gr[2 + (1 * 3 + 2) * 8 + 7] = 0x01;
  auto g = Detect("p.gr", gr);
  ASSERT_EQ("TQoCommodore64HiResBWGREngine", g->First()->EngineClass);
  EXPECT_TRUE(g->First()->PaletteTypes.empty());
  bmp = g->First()->Decode();
  EXPECT_EQ(24, bmp->Width);
  EXPECT_EQ(1u, bmp->GetPixel(23, 15));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(0));
}

TEST(QoCommodore64Test, TextScreensUseTheCharacterRom) {
  // Screen code 1 is "A"; its second row is 0x3C. Reversed codes have the glyph inverted.
  EXPECT_EQ(0x3C, kQoCommodore64Charset[8 * 1 + 1]);
  EXPECT_EQ(0xC3, kQoCommodore64Charset[8 * 129 + 1]);
  TBytes pet(2026, 0);
  pet[0] = 0x00, pet[1] = 0x30;
  pet[2 + 40 + 3] = 1;        // row 1, column 3
  pet[1026 + 40 + 3] = 0xF2;  // red ink
  pet[1003] = 0x16;           // blue paper
  auto d = Detect("p.pet", pet);
  EXPECT_EQ("Commodore 64 320x200x4 PETSCII Editor image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  EXPECT_EQ(6u, bmp->GetPixel(24 + 1, 9));
  EXPECT_EQ(2u, bmp->GetPixel(24 + 2, 9));
  EXPECT_EQ(6u, bmp->GetPixel(0, 0));

  // The screen file and its colour file.
  TBytes scr = Prg(0x3000, TBytes(1000, 1));
  TBytes col = Prg(0x3400, TBytes(1000, 7));
  auto pair = Detect("p.scr", scr, col);
  ASSERT_EQ("TQoCommodore64ScrColEngine", pair->First()->EngineClass);
  EXPECT_EQ(7u, pair->First()->Decode()->GetPixel(2, 1));
  EXPECT_EQ(0, Detect("p.scr", scr)->Engines->Count());
  EXPECT_EQ(0, Detect("p.scr", scr, Prg(0x3400, TBytes(999, 7)))->Engines->Count());
  EXPECT_EQ(0, Detect("p.scr", scr, Prg(0x3000, TBytes(1000, 7)))->Engines->Count());
  EXPECT_EQ(0, Detect("p.txt", scr, col)->Engines->Count());
}

TEST(QoCommodore64Test, LogoFormatsWithFixedColours) {
  // Centauri Logo-Editor: four colours for the picture, a palette of four.
  TBytes cle(8194, 0);
  cle[0] = 0x00, cle[1] = 0x60;
  cle[2 + 8] = 0x1B;  // cell (0, 1), line 0
  cle[8002] = 0x5E, cle[8003] = 0x07, cle[8004] = 0x02;
  auto c = Detect("p.cle", cle);
  ASSERT_EQ("TQoCommodore64LoResCleEngine", c->First()->EngineClass);
  EXPECT_EQ(2, c->First()->ColorDepth);
  auto bmp = c->First()->Decode();
  ASSERT_EQ(4, bmp->Palette->GetCount());
  EXPECT_EQ((std::vector<uint32_t>{0x68372B, 0x588D43, 0x6C5EB5, 0xB8C76F}),
            (std::vector<uint32_t>{bmp->Palette->GetRGBQuad(0), bmp->Palette->GetRGBQuad(1),
                                   bmp->Palette->GetRGBQuad(2), bmp->Palette->GetRGBQuad(3)}));
  EXPECT_EQ(1u, bmp->GetPixel(5, 0));
  EXPECT_EQ(3u, bmp->GetPixel(7, 0));

  // Logo-Painter: 50 character rows over its own character set.
  TBytes lp3(4098, 0);
  lp3[0] = 0x00, lp3[1] = 0x18;
  lp3[2 + 49 * 40 + 39] = 5;     // the last character of the last row
  lp3[2050 + 5 * 8 + 7] = 0x6C;  // its last line: pairs 01 10 11 00
  auto l = Detect("p.lp3", lp3);
  ASSERT_EQ("TQoCommodore64LoResLp3Engine", l->First()->EngineClass);
  bmp = l->First()->Decode();
  EXPECT_EQ(400, bmp->Height);
  EXPECT_EQ((std::vector<uint32_t>{10, 2, 1, 0}),
            (std::vector<uint32_t>{bmp->GetPixel(156, 399), bmp->GetPixel(157, 399),
                                   bmp->GetPixel(158, 399), bmp->GetPixel(159, 399)}));
  lp3.resize(4174, 0);
  lp3[2045] = 0x06, lp3[2046] = 0x0F, lp3[2047] = 0x03, lp3[2048] = 0x04;
  bmp = Detect("p.gfx", lp3)->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{3, 4, 7, 6}),
            (std::vector<uint32_t>{bmp->GetPixel(156, 399), bmp->GetPixel(157, 399),
                                   bmp->GetPixel(158, 399), bmp->GetPixel(159, 399)}));
}

TEST(QoCommodore64Test, EscapePackedKoalaAndDoodleVariants) {
  const TBytes body = Multicolour(10001, kKoalaBody);
  const TBytes end = {0xFE, 0, 0};
  auto gg = Detect("p.gg", Prg(0x6000, Cat(PackValueCount(body, 0xFE), end)));
  ASSERT_EQ("TQoCommodore64LoResGgEngine", gg->First()->EngineClass);
  EXPECT_EQ(kQoC64Own, gg->First()->DetectFlags);
  ExpectMarkedMulticolourCell(*gg->First()->Decode());
  // A longer stream is taken only with the own extension; a short one not at all.
  TBytes longer = Cat(body, TBytes(5, 1));
  EXPECT_EQ(kQoDetectSignature | kQoDetectExtension,
            FirstFlags(Detect("p.gg", Prg(0x6000, PackValueCount(longer, 0xFE)))));
  EXPECT_EQ(nullptr, Detect("p.x", Prg(0x6000, PackValueCount(longer, 0xFE)))
                         ->Find("TQoCommodore64LoResGgEngine"));
  EXPECT_EQ(0,
            Detect("p.gg", Prg(0x6000, PackValueCount(TBytes(body.begin(), body.end() - 1), 0xFE)))
                ->Engines->Count());

  // Amica Paint: count before value, named by its extension only.
  const TBytes ami = Prg(0x4000, Cat(PackCountValue(body, 0xC2), {0xC2, 0, 0}));
  auto a = Detect("p.ami", ami);
  ASSERT_EQ("TQoCommodore64LoResAmiEngine", a->First()->EngineClass);
  ExpectMarkedMulticolourCell(*a->First()->Decode());
  EXPECT_EQ(1, Detect("pic.[b]", ami)->Engines->Count());
  EXPECT_EQ(0, Detect("p.koa", ami)->Engines->Count());

  // Doodle packed: the screen first; 9024 bytes are enough for the picture.
  TBytes doodle = Hires(9216, 1024, 0);
  auto jj = Detect("p.jj", Prg(0x5C00, PackValueCount(doodle, 0xFE)));
  EXPECT_EQ(kQoC64Own, jj->First()->DetectFlags);
  ExpectMarkedHiresCell(*jj->First()->Decode());
  doodle.resize(9024);
  auto shortJJ = Detect("p.jj", Prg(0x5C00, PackValueCount(doodle, 0xFE)));
  EXPECT_EQ(kQoDetectSignature | kQoDetectExtension, FirstFlags(shortJJ));
  ExpectMarkedHiresCell(*shortJJ->First()->Decode());
  doodle.resize(9023);
  EXPECT_EQ(0, Detect("p.jj", Prg(0x5C00, PackValueCount(doodle, 0xFE)))->Engines->Count());
}

TEST(QoCommodore64Test, SignedPackedFormats) {
  // Boogie Down Paint: a short escape with a byte count, a long one with a word count.
  const TBytes body = Multicolour(10001, kKoalaBody);
  TBytes bdp = Prg(0x5000, {'B', 'D', 'P', ' ', '5', '.', '0', '0', 0xFE, 0xC2});
  const TBytes stream =
      PackRuns(body, {0xFE, 0xC2}, 65535, [](TBytes& o, uint8_t v, std::size_t n) {
        if (n <= 256) {
          o.insert(o.end(), {0xFE, static_cast<uint8_t>(n), v});
        } else {
          o.insert(o.end(), {0xC2, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), v});
        }
      });
  auto b = Detect("p.bdp", Cat(Cat(bdp, stream), {0xC2, 0, 0}));
  ASSERT_EQ("TQoCommodore64LoResBdpEngine", b->First()->EngineClass);
  EXPECT_EQ(kQoC64Own, b->First()->DetectFlags);
  ExpectMarkedMulticolourCell(*b->First()->Decode());
  EXPECT_EQ(0, Detect("p.bdp", Cat(bdp, Cat(stream, {0x01})))->Engines->Count());
  bdp[3] = 'X';
  EXPECT_EQ(0, Detect("p.bdp", Cat(bdp, stream))->Engines->Count());

  // Drazpaint packed: the colour RAM first, unpacked behind the load address.
  const TBytes drz = Multicolour(10049, {2048, 1024, 0, 10048});
  TBytes drp = Prg(0x5800, {'D', 'R', 'A', 'Z', 'P', 'A', 'I', 'N', 'T', ' ', '1', '.', '4', 0x77});
  auto d = Detect("p.drp", Cat(drp, PackCountValue(drz, 0x77)));
  ASSERT_EQ("TQoCommodore64LoResDrpEngine", d->First()->EngineClass);
  ExpectMarkedMulticolourCell(*d->First()->Decode());
  EXPECT_EQ(kQoC64Other, FirstFlags(Detect("p.x", Cat(drp, PackCountValue(drz, 0x77)))));
}

TEST(QoCommodore64Test, PrintfoxAndPagefoxPages) {
  TBytes page(8000, 0);
  page[(2 * 40 + 1) * 8 + 4] = 0x40;  // cell (2, 1), line 4, second pixel
  const TBytes printfox = Cat({'B'}, PackWordCount(page, 0x9B));
  auto b = Detect("p.bs", printfox);
  ASSERT_EQ("TQoCommodore64HiResBWBSEngine", b->First()->EngineClass);
  EXPECT_EQ(kQoDetectSignature | kQoDetectExtension, b->First()->DetectFlags);
  EXPECT_EQ("Commodore 64 320x200x1 Printfox image", b->First()->GetDisplayName());
  auto bmp = b->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(9, 20));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(0));
  EXPECT_EQ(0, Detect("p.gb", printfox)->Engines->Count());
  EXPECT_EQ(0, Detect("p.bs", TBytes(printfox.begin(), printfox.end() - 4))->Engines->Count());

  // Pagefox: 2 rows of 3 cells, header bytes up to a zero, byte counts with 0 for 256.
  TBytes pg = {'P', 2, 3, 0x55, 0x00};
  TBytes cells(48, 0xFF);
  cells[47] = 0x01;
  pg = Cat(pg, PackCountValue(cells, 0x9B, 256));
  auto p = Detect("p.pg", pg);
  ASSERT_EQ("TQoCommodore64HiResBWBSEngine", p->First()->EngineClass);
  EXPECT_EQ("Pagefox", p->First()->ModeName);
  bmp = p->First()->Decode();
  EXPECT_EQ(24, bmp->Width);
  EXPECT_EQ(16, bmp->Height);
  EXPECT_EQ(0u, bmp->GetPixel(22, 15));
  EXPECT_EQ(1u, bmp->GetPixel(23, 15));
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
}

namespace {

// A Loadstar file: the header, then each section packed on its own.
TBytes Loadstar(const TBytes& header, uint8_t escape, const TBytes& bitmap, const TBytes& screen,
                const TBytes& colourPart) {
  TBytes file = Cat(Prg(0x2000, header), PackCountValue(bitmap, escape, 256));
  file = Cat(file, PackCountValue(screen, 0x00, 256));
  return Cat(file, colourPart);
}

}  // namespace

TEST(QoCommodore64Test, LoadstarSectionsAndKinds) {
  // Multicolour, 12 rows: 160 x 96, a marker byte before the colour RAM.
  TBytes bitmap(12 * 40 * 8, 0x55), screen(480, 0x47), colour(480, 0x0A);
  bitmap[(3 * 40 + 5) * 8 + 2] = 0x1B;
  const TBytes e8Colour = Cat({0xFF}, PackCountValue(colour, 0xD8, 256));
  auto e8 = Detect("p.shp", Loadstar({0xE8, 12, 0x06, 0x99}, 0x99, bitmap, screen, e8Colour));
  ASSERT_EQ("TQoCommodore64LoHiResShpEngine", e8->First()->EngineClass);
  TQoSourceEngine& engine = *e8->First();
  EXPECT_EQ("Commodore 64 160x96x4 Loadstar image", engine.GetDisplayName());
  EXPECT_EQ(kQoC64MulticolourAspect, engine.AspectIndex);
  auto bmp = engine.Decode();
  ExpectMarkedMulticolourCell(*bmp);
  EXPECT_EQ(4u, bmp->GetPixel(159, 95));
  // Without the marker, or with more than 3 bytes left over, it is not a Loadstar file.
  EXPECT_EQ(0, Detect("p.shp", Loadstar({0xE8, 12, 0x06, 0x99}, 0x99, bitmap, screen,
                                        PackCountValue(colour, 0xD8, 256)))
                   ->Engines->Count());
  EXPECT_EQ(0, Detect("p.shp", Cat(Loadstar({0xE8, 12, 0x06, 0x99}, 0x99, bitmap, screen, e8Colour),
                                   {1, 2, 3, 4}))
                   ->Engines->Count());

  // Hires, 39 columns and 2 rows; a run that goes on into the screen section declines.
  TBytes hiresBitmap(2 * 39 * 8, 0), hiresScreen(78, 0x3E);
  hiresBitmap[(1 * 39 + 38) * 8 + 7] = 0x80;
  auto a7 = Detect("p.x", Loadstar({0xA7, 2, 0x42}, 0x42, hiresBitmap, hiresScreen, {}));
  ASSERT_EQ("TQoCommodore64LoHiResShpEngine", a7->First()->EngineClass);
  EXPECT_EQ(kQoC64Other, a7->First()->DetectFlags);
  bmp = a7->First()->Decode();
  EXPECT_EQ(312, bmp->Width);
  EXPECT_EQ(3u, bmp->GetPixel(38 * 8, 15));
  EXPECT_EQ(14u, bmp->GetPixel(38 * 8 + 1, 15));
  // One row: 256 + 64 bitmap bytes, then 40 screen bytes; one more in the run spoils it.
  const TBytes row = Prg(0x2000, {0xA8, 1, 0x42, 0x42, 0, 0, 0x42, 64, 0, 0x00, 40, 0x3E});
  EXPECT_EQ(1, Detect("p.shp", row)->Engines->Count());
  TBytes across = row;
  across[9] = 65;
  EXPECT_EQ(0, Detect("p.shp", across)->Engines->Count());
  EXPECT_EQ(0, Detect("p.shp",
                      Loadstar({0xA8, 26, 0x42}, 0x42, TBytes(26 * 320, 0), TBytes(26 * 40, 0), {}))
                   ->Engines->Count());
}

TEST(QoCommodore64Test, GoDotPicturesThroughTheColourMap) {
  TBytes pixels(32000, 0);
  pixels[(1 * 40 + 2) * 32 + 3 * 4 + 1] = 0x3F;  // cell (1, 2), line 3, pixels 2 and 3
  const TBytes packed = PackCountValue(pixels, 0xAD, 256);
  TBytes file = Cat(Cat({'G', 'O', 'D', '0'}, packed), {0xAD});
  auto d = Detect("p.4bt", file);
  ASSERT_EQ("TQoCommodore64LoHiRes4btEngine", d->First()->EngineClass);
  EXPECT_EQ("Commodore 64 320x200x4 GoDot image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  EXPECT_EQ(11u, bmp->GetPixel(18, 11));  // GoDot 3 is dark grey
  EXPECT_EQ(1u, bmp->GetPixel(19, 11));   // GoDot 15 is white
  file.back() = 0x00;
  EXPECT_EQ(0, Detect("p.4bt", file)->Engines->Count());

  TBytes clip = {'G', 'O', 'D', '1', 0, 0, 2, 1};
  clip = Cat(Cat(clip, PackCountValue(TBytes(64, 0x99), 0xAD, 256)), {0xAD});
  auto c = Detect("p.clp", clip);
  ASSERT_EQ("TQoCommodore64LoHiResClpEngine", c->First()->EngineClass);
  bmp = c->First()->Decode();
  EXPECT_EQ(16, bmp->Width);
  EXPECT_EQ(8, bmp->Height);
  EXPECT_EQ(10u, bmp->GetPixel(15, 7));  // GoDot 9 is light red
  clip[6] = 41;                          // wider than the screen
  EXPECT_EQ(0, Detect("p.clp", clip)->Engines->Count());
}

TEST(QoCommodore64Test, CutPackedFilesEndCleanly) {
  const TBytes body = Multicolour(10001, kKoalaBody);
  const std::vector<std::pair<std::string, TBytes>> files = {
      {"p.gg", Prg(0x6000, Cat(PackValueCount(body, 0xFE), {0xFE, 0, 0}))},
      {"p.ami", Prg(0x4000, PackCountValue(body, 0xC2))},
      {"p.bs", Cat({'B'}, PackWordCount(TBytes(8000, 0x11), 0x9B))},
      {"p.shp", Loadstar({0x00, 0x33, 0x01}, 0x33, TBytes(8000, 1), TBytes(1000, 2),
                         PackCountValue(TBytes(1000, 3), 0xFF, 256))},
      {"p.4bt",
       Cat(Cat({'G', 'O', 'D', '0'}, PackCountValue(TBytes(32000, 7), 0xAD, 256)), {0xAD})},
  };
  for (const auto& [name, file] : files) {
    for (std::size_t cut : {std::size_t{1}, std::size_t{3}, file.size() / 2, file.size() - 2,
                            file.size() - 1, file.size()}) {
      SCOPED_TRACE(name + " cut at " + std::to_string(cut));
      TQoMemoryLoadSource source(name, file.data(), static_cast<int32_t>(cut), false);
      const TQoRoadResult road = QoRunWholeRoad(source, C64Registry());
      if (cut == file.size()) {
        EXPECT_GT(road.Decodes, 0);
      }
    }
  }
}

TEST(QoCommodore64Test, RealPicturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"c64-koala", "TQoCommodore64LoResEngine"},
      {"c64-rainbowpainter", "TQoCommodore64LoResEngine"},
      {"c64-advartstudio-mc", "TQoCommodore64LoResEngine"},
      {"c64-artist64", "TQoCommodore64LoResEngine"},
      {"c64-runpaint", "TQoCommodore64LoResEngine"},
      {"c64-vidcom", "TQoCommodore64LoResEngine"},
      {"c64-saracen", "TQoCommodore64LoResEngine"},
      {"c64-imagesystem", "TQoCommodore64LoResEngine"},
      {"c64-blazingpaddles", "TQoCommodore64LoResEngine"},
      {"c64-amica", "TQoCommodore64LoResAmiEngine"},
      {"c64-koala-packed", "TQoCommodore64LoResGgEngine"},
      {"c64-artstudio-hires", "TQoCommodore64HiResEngine"},
      {"c64-interpaint-hires", "TQoCommodore64HiResEngine"},
      {"c64-hieddi", "TQoCommodore64HiResEngine"},
      {"c64-doodle", "TQoCommodore64HiResEngine"},
      {"c64-doodle-packed", "TQoCommodore64HiResJJEngine"},
  };
  // Pinned after checking each picture by eye. The Koala and Rainbow Painter files, and the
  // Art Studio and Interpaint files, hold the same pictures.
  const std::map<std::string, std::string> pinned = {
      {"c64/Cyber30a-x.koa", "56584c631de492d2"},
      {"c64/Cyber30a-x.rp", "56584c631de492d2"},
      {"c64/Frontpic.art", "bc5ef672da31295e"},
      {"c64/Frontpic.iph", "bc5ef672da31295e"},
      {"c64/Hii-Eddi.hed", "06a998e12562f255"},
      {"c64/JJMACROSS.JJ", "cfb45e597ed0a766"},
      {"c64/NavySeals.ocp.mpic", "8df08e9d17e5a0de"},
      {"c64/PIC_COS1.koa", "e4ec60961f104b74"},
      {"c64/PIC_GDC.koa", "e120b68a6884394f"},
      {"c64/PPA3BYI.A64", "82ae751cf2abf3e3"},
      {"c64/STILLIFE.rpm", "76cc00ea131e6f9a"},
      {"c64/_b_faraon.ami", "59d99a92dfe81e56"},
      {"c64/albert.dd", "460ff40f8655be66"},
      {"c64/apo343.vid", "2815960532d29ea4"},
      {"c64/carlotta.koa", "e91a5dfdf7520b80"},
      {"c64/cobra.sar", "db86933df8948fe1"},
      {"c64/gglumlite.gg", "5f51755d17ffdcbb"},
      {"c64/imagesys_test_multi.ism", "adab5baeb108046d"},
      {"c64/worldmap.pi", "61d4e47068d5b9f4"},
  };
  const int decoded = QoCheckRealPictures(C64Registry(), expectedEngine, pinned);
  EXPECT_EQ(19, decoded);
}
