#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>

#include "color/QoPaletteTypes.h"
#include "platforms/AmstradCPC/QoOpenPlatformAmstradCPC.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoWholeRoad.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry CPCRegistry() {
  TQoEngineRegistry registry;
  RegisterAmstradCPCEngines(registry);
  return registry;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A file in memory with companions found by name, as a folder would hold them.
class TFolderSource : public TQoMemoryLoadSource {
 public:
  TFolderSource(const std::string& name, TBytes bytes)
      : TQoMemoryLoadSource(name, std::move(bytes)) {}
  void Put(const std::string& name, TBytes bytes) {
    files_[Lower(name)] = std::move(bytes);
    recs_.erase(Lower(name));
  }
  const TQoLoadSourceRec* GetCompanion(const std::string& name) override {
    auto it = files_.find(Lower(name));
    if (it == files_.end()) return nullptr;
    TQoLoadSourceRec& rec = recs_[it->first];
    rec.Name = name;
    rec.Extension = QoLowerExtension(name);
    rec.Data = it->second.data();
    rec.Size = static_cast<int32_t>(it->second.size());
    return &rec;
  }

 private:
  std::map<std::string, TBytes> files_;
  std::map<std::string, TQoLoadSourceRec> recs_;
};

std::unique_ptr<TQoSourceEngineList> DetectAll(TQoLoadSource& source) {
  return DetectEngines(source, CPCRegistry());
}

std::vector<std::string> Classes(const TQoSourceEngineList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.GetEngine(i)->EngineClass);
  return names;
}

void PutLE16(TBytes& bytes, std::size_t at, uint16_t value) {
  bytes.at(at) = static_cast<uint8_t>(value);
  bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

void FixChecksum(TBytes& bytes) {
  unsigned sum = 0;
  for (std::size_t i = 0; i <= 66; ++i) sum += bytes[i];
  PutLE16(bytes, 67, static_cast<uint16_t>(sum));
}

// A disc file header for a file of `length` data bytes, with its checksum.
void PutHeader(TBytes& bytes, uint8_t type, uint16_t length, uint16_t load, uint16_t entry) {
  bytes.at(18) = type;
  PutLE16(bytes, 19, length);
  PutLE16(bytes, 21, load);
  PutLE16(bytes, 24, length);
  PutLE16(bytes, 26, entry);
  PutLE16(bytes, 64, length);
  bytes.at(66) = 0;
  FixChecksum(bytes);
}

TBytes WithHeader(std::size_t dataSize, uint8_t type, uint16_t load, uint16_t entry) {
  TBytes bytes(128 + dataSize);
  PutHeader(bytes, type, static_cast<uint16_t>(dataSize), load, entry);
  return bytes;
}

// Packs a pixel value into a video byte the way the Gate Array reads it: each byte bit
// feeds one value bit of one pixel.
uint8_t Pack(int mode, int index, unsigned v) {
  uint8_t byte = 0;
  for (int bit = 0; bit < 8; ++bit) {
    const unsigned feeds = QoCPCPixel(mode, static_cast<uint8_t>(1u << bit), index);
    if (v & feeds) byte = static_cast<uint8_t>(byte | (1u << bit));
  }
  return byte;
}

// Writes pixel value v at (x, y) of screen data starting at `base`.
void PutPixel(TBytes& bytes, std::size_t base, std::size_t row, int mode, int x, unsigned v) {
  const int per = QoCPCPixelsPerByte(mode);
  uint8_t& b = bytes.at(base + row + static_cast<std::size_t>(x / per));
  b = static_cast<uint8_t>(b | Pack(mode, x % per, v));
}

// A standard screen of the given mode: firmware inks 0..15 in reverse, pixel value
// (x + y) mod inks.
TBytes StandardScreen(int mode, std::size_t size = 16512) {
  TBytes bytes = WithHeader(size - 128, 2, 0xC000, 0xC7D0);
  bytes.at(128 + 0x17D0) = static_cast<uint8_t>(mode);
  for (int i = 0; i < 16; ++i)
    bytes.at(128 + 0x17D1 + static_cast<std::size_t>(i)) = static_cast<uint8_t>(26 - i);
  const int w = 160 << mode;
  const unsigned inks = 16u >> (mode == 0 ? 0 : mode == 1 ? 2 : 3);
  for (int y = 0; y < 200; y += 3) {
    for (int x = 0; x < w; x += 5) {
      PutPixel(bytes, 128, QoCPCScreenRow(y), mode, x, static_cast<unsigned>(x + y) % inks);
    }
  }
  return bytes;
}

TBytes PalFile(uint8_t mode, uint8_t firstHardware) {
  TBytes bytes = WithHeader(239, 2, 0x8809, 0x8809);
  bytes.at(128) = mode;
  for (int i = 0; i < 16; ++i)
    bytes.at(128 + 3 + 12 * static_cast<std::size_t>(i)) = static_cast<uint8_t>(firstHardware + i);
  return bytes;
}

TBytes KitFile(uint16_t firstWord) {
  TBytes bytes = WithHeader(32, 2, 0x8809, 0x8809);
  for (int i = 0; i < 16; ++i)
    PutLE16(bytes, 128 + 2 * static_cast<std::size_t>(i), static_cast<uint16_t>(firstWord + i));
  return bytes;
}

// An overscan screen of the given mode; byte 60 selects where the inks are.
TBytes OverscanScreen(int mode, uint8_t paletteKind) {
  TBytes bytes = WithHeader(32272, 0, 0x0170, 0);
  bytes.at(128 + 20) = static_cast<uint8_t>(mode + 14);
  bytes.at(128 + 60) = paletteKind;
  for (int i = 0; i < 16; ++i) {
    bytes.at(128 + 0x7D90 + static_cast<std::size_t>(i)) = static_cast<uint8_t>(0x40 + i);
    PutLE16(bytes, 128 + 0x691 + 2 * static_cast<std::size_t>(i),
            static_cast<uint16_t>(0x0F00 + i));
  }
  return bytes;
}

}  // namespace

TEST(QoAmstradCPCTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{
                "TQoAmstradCPCMode0SourceEngine", "TQoAmstradCPCMode0ExSourceEngine",
                "TQoAmstradCPCMode1SourceEngine", "TQoAmstradCPCMode1ExSourceEngine",
                "TQoAmstradCPCMode2SourceEngine", "TQoAmstradCPCMode2ExSourceEngine",
                "TQoAmstradCPCMode2HGBSourceEngine", "TQoAmstradCPCMode5SourceEngine",
                "TQoAmstradCPCModeRSourceEngine", "TQoAmstradCPCModeB0SourceEngine",
                "TQoAmstradCPCModeB1SourceEngine"}),
            QoClassNames(CPCRegistry()));
}

TEST(QoAmstradCPCTest, PixelPackingOfTheThreeModes) {
  // Mode 0: pixel 0 value bits 3..0 are byte bits 1, 5, 3, 7; pixel 1 bits 0, 4, 2, 6.
  EXPECT_EQ(1, QoCPCMode0Pixel(0x80, 0));
  EXPECT_EQ(2, QoCPCMode0Pixel(0x08, 0));
  EXPECT_EQ(4, QoCPCMode0Pixel(0x20, 0));
  EXPECT_EQ(8, QoCPCMode0Pixel(0x02, 0));
  EXPECT_EQ(0, QoCPCMode0Pixel(0x55, 0));
  EXPECT_EQ(1, QoCPCMode0Pixel(0x40, 1));
  EXPECT_EQ(2, QoCPCMode0Pixel(0x04, 1));
  EXPECT_EQ(4, QoCPCMode0Pixel(0x10, 1));
  EXPECT_EQ(8, QoCPCMode0Pixel(0x01, 1));
  EXPECT_EQ(15, QoCPCMode0Pixel(0x55, 1));
  // Mode 1: pixel k is bit 7-k plus twice bit 3-k.
  EXPECT_EQ(1, QoCPCMode1Pixel(0x80, 0));
  EXPECT_EQ(2, QoCPCMode1Pixel(0x08, 0));
  EXPECT_EQ(3, QoCPCMode1Pixel(0x11, 3));
  EXPECT_EQ(0, QoCPCMode1Pixel(0x11, 2));
  // Mode 2: bit 7 first.
  EXPECT_EQ(1, QoCPCMode2Pixel(0x80, 0));
  EXPECT_EQ(0, QoCPCMode2Pixel(0x80, 1));
  EXPECT_EQ(1, QoCPCMode2Pixel(0x01, 7));
  EXPECT_THROW(QoCPCPixel(3, 0, 0), EQoError);
}

TEST(QoAmstradCPCTest, ScreenRowAddresses) {
  EXPECT_EQ(0u, QoCPCScreenRow(0));
  EXPECT_EQ(2048u, QoCPCScreenRow(1));
  EXPECT_EQ(80u, QoCPCScreenRow(8));
  EXPECT_EQ(7u * 2048 + 24 * 80, QoCPCScreenRow(199));
  EXPECT_EQ(144u, QoCPCOverscanRow(0));
  EXPECT_EQ(144u + 2048 + 96, QoCPCOverscanRow(9));
  EXPECT_EQ(144u + 14336 + 16 * 96, QoCPCOverscanRow(128));
  EXPECT_EQ(144u + 15 * 96 + 7 * 2048, QoCPCOverscanRow(127));
  EXPECT_EQ(64u + 3 * 2048, QoCPCFutureOSRow(11));
}

TEST(QoAmstradCPCTest, DiscHeaderAndItsChecksum) {
  TBytes bytes = WithHeader(16384, 2, 0xC000, 0xC7D0);
  const TQoByteView view(bytes.data(), bytes.size());
  TQoAmsdosHeader header;
  ASSERT_TRUE(header.Read(view));
  EXPECT_EQ(0xC000, header.LoadAddress);
  EXPECT_EQ(16384u, header.RealLength);
  EXPECT_EQ(header.Computed, header.Checksum);
  EXPECT_TRUE(TQoAmsdosHeader::Check(view, 2, 16384, 16384, 0xC000, 0xC7D0));
  EXPECT_FALSE(TQoAmsdosHeader::Check(view, 0, 16384));
  EXPECT_FALSE(TQoAmsdosHeader::Check(view, 2, 16383));
  EXPECT_FALSE(TQoAmsdosHeader::Check(view, 2, 16384, 16384, 0x4000, 0xC7D0));
  EXPECT_FALSE(TQoAmsdosHeader::Check(view, 2, 16384, 16384, 0xC000, 0));

  // The checksum covers bytes 0 to 66 and is a 16-bit sum: a name byte changes it.
  TBytes named = bytes;
  named[1] = 'A';
  EXPECT_FALSE(TQoAmsdosHeader::Check(TQoByteView(named.data(), named.size()), 2, 16384));
  // Byte 67 onwards is not summed; byte 66 must be zero even with a right checksum.
  TBytes tail = bytes;
  tail[100] = 0xFF;
  EXPECT_TRUE(TQoAmsdosHeader::Check(TQoByteView(tail.data(), tail.size()), 2, 16384));
  TBytes big = bytes;
  big[66] = 1;
  PutLE16(big, 67, QoAmsdosChecksum(TQoByteView(big.data(), big.size())));
  EXPECT_FALSE(TQoAmsdosHeader::Check(TQoByteView(big.data(), big.size()), 2, 16384));
  TBytes full(128, 0xFF);
  EXPECT_EQ(static_cast<uint16_t>(67 * 255), QoAmsdosChecksum(TQoByteView(full.data(), 128)));
  EXPECT_FALSE(header.Read(TQoByteView(bytes.data(), 127)));
}

TEST(QoAmstradCPCTest, FirmwareColoursAndPaletteTypes) {
  EXPECT_EQ(7, QoCPCHardwareToFirmware(0x48));
  EXPECT_EQ(13, QoCPCHardwareToFirmware(0x41));
  EXPECT_EQ(14, QoCPCHardwareToFirmware(0x5F));
  EXPECT_EQ(0, QoCPCHardwareToFirmware(0x3F));
  EXPECT_EQ(0, QoCPCHardwareToFirmware(0x60));
  for (uint8_t f = 0; f < kQoCPCFirmwareColors; ++f) {
    EXPECT_EQ(f, QoCPCHardwareToFirmware(QoCPCFirmwareToHardware(f)));
  }

  TQoPalette256 palette;
  QoSetCPCPalette27(palette, ptCPCGateArrayRGB);
  ASSERT_EQ(27, palette.GetCount());
  EXPECT_EQ(0xFFF3F9u, palette.GetRGBQuad(26));  // 100, 95.19, 97.60 per cent
  EXPECT_EQ(0x000201u, palette.GetRGBQuad(0));   // 0.96 % -> 2.45 -> 2; 0.48 % -> 1.23 -> 1
  QoSetCPCPalette27(palette, ptCPCASICRGB);
  EXPECT_EQ(0xFF0764u, palette.GetRGBQuad(7));  // 39.09 % -> 99.69 -> 100
  // The sRGB types take the percentages as linear light.
  QoSetCPCPalette27(palette, ptCPCGateArray);
  EXPECT_DOUBLE_EQ(1.0, palette.GetLinRGB(26).R);
  EXPECT_NEAR(0.471154, palette.GetLinRGB(9).G, 1e-9);
  EXPECT_EQ(qo::LinearToSrgbByte(0.471154), palette.GetStdRGB(9).G);
  QoSetCPCPalette27(palette, ptCPCASIC);
  EXPECT_NEAR(0.958848, palette.GetLinRGB(18).G, 1e-9);
  EXPECT_THROW(QoSetCPCPalette27(palette, ptCPCPlus), EQoError);
  EXPECT_THROW(QoSetCPCPalette27(palette, ptRGB888), EQoError);

  const TQoStdRGBColor plus = QoCPCPlusColor(0x0F3A);  // green 15, red 3, blue 10
  EXPECT_EQ((TQoStdRGBColor{51, 255, 170}), plus);
}

TEST(QoAmstradCPCTest, StandardScreensDecodeEachMode) {
  const TQoCPCScreenFormat* formats[3] = {&kQoCPCMode0Format, &kQoCPCMode1Format,
                                          &kQoCPCMode2Format};
  for (int mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    for (std::size_t size : {std::size_t{16512}, std::size_t{16464}}) {
      auto d = QoDetectIn(CPCRegistry(), "pic.scr", StandardScreen(mode, size));
      // The disc header of a 16 KiB file also passes the FutureOS test, ranked lower.
      EXPECT_EQ(size == 16512 ? 2 : 1, d->Engines->Count());
      TQoSourceEngine& engine = *d->First();
      EXPECT_EQ(formats[mode]->ClassName, engine.EngineClass);
      EXPECT_EQ(kQoDetectSignature | kQoDetectSize | kQoDetectExtension, engine.DetectFlags);
      EXPECT_EQ((std::vector<uint8_t>{ptCPCGateArray, ptCPCGateArrayRGB, ptCPCASIC, ptCPCASICRGB}),
                engine.PaletteTypes);
      EXPECT_EQ(ptCPCGateArray, engine.PaletteType);
      engine.PaletteType = ptCPCGateArrayRGB;
      auto bmp = engine.Decode();
      ASSERT_EQ(160 << mode, bmp->Width);
      ASSERT_EQ(200, bmp->Height);
      EXPECT_EQ(mode == 2 ? 1 : 4, bmp->BitsPerPixel);
      const int inks = 16 >> (mode == 0 ? 0 : mode == 1 ? 2 : 3);
      ASSERT_EQ(inks, bmp->Palette->GetCount());
      TQoPalette256 colors;
      QoSetCPCPalette27(colors, ptCPCGateArrayRGB);
      EXPECT_EQ(colors.GetRGBQuad(26), bmp->Palette->GetRGBQuad(0));
      EXPECT_EQ(colors.GetRGBQuad(27 - inks), bmp->Palette->GetRGBQuad(inks - 1));
      for (int y : {0, 3, 9, 99, 198}) {
        for (int x : {0, 5, 15, 155, (160 << mode) - 5}) {
          EXPECT_EQ(static_cast<uint32_t>(x + y) % static_cast<uint32_t>(inks), bmp->GetPixel(x, y))
              << x << "," << y;
        }
      }
    }
  }
  EXPECT_EQ("Amstrad CPC 160x200x4 Mode 0 image",
            QoDetectIn(CPCRegistry(), "a.scr", StandardScreen(0))->First()->GetDisplayName());
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize,
            QoDetectIn(CPCRegistry(), "a.bin", StandardScreen(1))->First()->DetectFlags);
}

TEST(QoAmstradCPCTest, StandardScreenNeedsItsModeAndHeader) {
  TBytes wrongMode = StandardScreen(1);
  wrongMode[128 + 0x17D0] = 3;
  const std::vector<std::string> futureOSOnly = {"TQoAmstradCPCMode2HGBSourceEngine"};
  EXPECT_EQ(futureOSOnly, QoDetectIn(CPCRegistry(), "pic.scr", wrongMode)->Classes());
  // Numbers above 26 give black inks.
  TBytes highInk = StandardScreen(2);
  highInk[128 + 0x17D1] = 27;
  auto d = QoDetectIn(CPCRegistry(), "pic.scr", highInk);
  EXPECT_EQ(0u, d->First()->Decode()->Palette->GetRGBQuad(0));
  // Saved from the second screen bank (with the disc system's data length 0 and its
  // own entry address) it is still a screen; from anywhere else it is not.
  TBytes bank = StandardScreen(0);
  PutHeader(bank, 2, 16384, 0x4000, 0x4000);
  bank[19] = bank[20] = 0;
  FixChecksum(bank);
  EXPECT_NE(nullptr,
            QoDetectIn(CPCRegistry(), "pic.scr", bank)->Find("TQoAmstradCPCMode0SourceEngine"));
  TBytes moved = StandardScreen(0);
  PutHeader(moved, 2, 16384, 0x8000, 0xC7D0);
  EXPECT_EQ(nullptr,
            QoDetectIn(CPCRegistry(), "pic.scr", moved)->Find("TQoAmstradCPCMode0SourceEngine"));
  // A screen whose inks were not saved (all zero) shows the power-on inks.
  TBytes noInks = StandardScreen(1);
  std::fill_n(noInks.begin() + 128 + 0x17D1, 16, 0);
  EXPECT_NE(
      0u, QoDetectIn(CPCRegistry(), "pic.scr", noInks)->First()->Decode()->Palette->GetRGBQuad(0));
  TBytes odd = StandardScreen(0);
  odd.push_back(0);
  EXPECT_EQ(0, QoDetectIn(CPCRegistry(), "pic.scr", odd)->Engines->Count());

  // A palette file decides the mode instead of the screen byte, and gives the inks.
  TFolderSource source("PIC.SCR", wrongMode);
  source.Put("PIC.pal", PalFile(1, 0x48));
  auto list = DetectAll(source);
  EXPECT_EQ((std::vector<std::string>{"TQoAmstradCPCMode1SourceEngine",
                                      "TQoAmstradCPCMode2HGBSourceEngine"}),
            Classes(*list));
  TQoSourceEngine& engine = *list->GetEngine(0);
  engine.PaletteType = ptCPCASICRGB;
  auto bmp = engine.Decode();
  TQoPalette256 colors;
  QoSetCPCPalette27(colors, ptCPCASICRGB);
  EXPECT_EQ(colors.GetRGBQuad(7), bmp->Palette->GetRGBQuad(0));   // 0x48
  EXPECT_EQ(colors.GetRGBQuad(26), bmp->Palette->GetRGBQuad(3));  // 0x4B
  // A palette file that fails its test rejects the screen even with the right byte.
  TFolderSource broken("PIC.SCR", StandardScreen(1));
  TBytes bad = PalFile(1, 0x40);
  bad[24] = 0xEE;  // logical length
  broken.Put("pic.pal", bad);
  EXPECT_EQ(futureOSOnly, Classes(*DetectAll(broken)));
}

TEST(QoAmstradCPCTest, OverscanInksFromEachSource) {
  // Byte 60 = 0: hardware numbers inside the file, with palette types.
  auto hw = QoDetectIn(CPCRegistry(), "o.scr", OverscanScreen(0, 0));
  ASSERT_EQ((std::vector<std::string>{"TQoAmstradCPCMode0ExSourceEngine"}), hw->Classes());
  TQoSourceEngine& engine = *hw->First();
  EXPECT_EQ("Amstrad CPC 192x272x4 Mode 0 overscan image", engine.GetDisplayName());
  EXPECT_EQ(4u, engine.PaletteTypes.size());
  engine.PaletteType = ptCPCGateArrayRGB;
  auto bmp = engine.Decode();
  TQoPalette256 colors;
  QoSetCPCPalette27(colors, ptCPCGateArrayRGB);
  EXPECT_EQ(colors.GetRGBQuad(13), bmp->Palette->GetRGBQuad(0));   // 0x40
  EXPECT_EQ(colors.GetRGBQuad(17), bmp->Palette->GetRGBQuad(15));  // 0x4F

  // Byte 60 = 1: CPC Plus words in the file, exact colours, no choice.
  auto plus = QoDetectIn(CPCRegistry(), "o.scr", OverscanScreen(1, 1));
  ASSERT_EQ("TQoAmstradCPCMode1ExSourceEngine", plus->First()->EngineClass);
  EXPECT_TRUE(plus->First()->PaletteTypes.empty());
  auto plusBmp = plus->First()->Decode();
  ASSERT_EQ(4, plusBmp->Palette->GetCount());
  EXPECT_EQ(0x00FF33u, plusBmp->Palette->GetRGBQuad(3));  // word 0x0F03
  EXPECT_EQ(0, QoDetectIn(CPCRegistry(), "o.scr", OverscanScreen(1, 2))->Engines->Count());

  // A ".kit" file supplies the words, and needs byte 60 = 1.
  TFolderSource kit("O.SCR", OverscanScreen(2, 1));
  kit.Put("O.KIT", KitFile(0x0123));
  auto list = DetectAll(kit);
  ASSERT_EQ((std::vector<std::string>{"TQoAmstradCPCMode2ExSourceEngine"}), Classes(*list));
  EXPECT_TRUE(list->GetEngine(0)->PaletteTypes.empty());
  auto kitBmp = list->GetEngine(0)->Decode();
  EXPECT_EQ(0x221133u, kitBmp->Palette->GetRGBQuad(0));
  EXPECT_EQ(0x221144u, kitBmp->Palette->GetRGBQuad(1));
  TFolderSource kit0("O.SCR", OverscanScreen(2, 0));
  kit0.Put("O.KIT", KitFile(0x0123));
  EXPECT_EQ(0, DetectAll(kit0)->Count());
  TFolderSource badKit("O.SCR", OverscanScreen(2, 1));
  badKit.Put("O.KIT", KitFile(0x0FFF));  // the second word is above 4095
  EXPECT_EQ(0, DetectAll(badKit)->Count());

  // A ".pal" file overrides the mode byte.
  TFolderSource pal("O.SCR", OverscanScreen(2, 0));
  pal.Put("o.pal", PalFile(0, 0x54));
  EXPECT_EQ((std::vector<std::string>{"TQoAmstradCPCMode0ExSourceEngine"}),
            Classes(*DetectAll(pal)));
}

TEST(QoAmstradCPCTest, OverscanRowsCrossTheBankGap) {
  TBytes bytes = OverscanScreen(2, 0);
  bytes.at(128 + QoCPCOverscanRow(127) + 95) = 0x01;  // last pixel of row 127
  bytes.at(128 + QoCPCOverscanRow(128)) = 0x80;       // first pixel of row 128
  bytes.at(128 + QoCPCOverscanRow(271) + 50) = 0x10;  // pixel 403 of the last row
  auto d = QoDetectIn(CPCRegistry(), "o.scr", bytes);
  auto bmp = d->First()->Decode();
  ASSERT_EQ(768, bmp->Width);
  EXPECT_EQ(1u, bmp->GetPixel(767, 127));
  EXPECT_EQ(1u, bmp->GetPixel(0, 128));
  EXPECT_EQ(1u, bmp->GetPixel(403, 271));
  EXPECT_EQ(0u, bmp->GetPixel(0, 127));
}

TEST(QoAmstradCPCTest, FutureOSScreens) {
  TBytes bare(16384);
  bare[QoCPCFutureOSRow(9) + 1] = 0x40;  // pixel 9 of row 9
  auto d = QoDetectIn(CPCRegistry(), "f.hgb", bare);
  ASSERT_EQ("TQoAmstradCPCMode2HGBSourceEngine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ("Amstrad CPC 512x256x1 FutureOS image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(9, 9));
  EXPECT_EQ(0u, bmp->GetPixel(8, 9));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(kQoDetectSize, QoDetectIn(CPCRegistry(), "f.bin", bare)->First()->DetectFlags);

  TBytes headed = WithHeader(16384, 2, 0x4000, 0x4000);
  headed[128 + QoCPCFutureOSRow(255) + 63] = 0x01;
  auto h = QoDetectIn(CPCRegistry(), "f.hgb", headed);
  EXPECT_EQ(kQoDetectSignature | kQoDetectExtension, h->First()->DetectFlags);
  EXPECT_EQ(1u, h->First()->Decode()->GetPixel(511, 255));
  headed[5] ^= 1;  // checksum no longer holds
  EXPECT_EQ(0, QoDetectIn(CPCRegistry(), "f.hgb", headed)->Engines->Count());
  EXPECT_EQ(0, QoDetectIn(CPCRegistry(), "f.hgb", TBytes(16385))->Engines->Count());
}

TEST(QoAmstradCPCTest, Mode5ColoursChangePerLineAndSegment) {
  TBytes cm5(2049);
  cm5[0] = 0x4B;  // pen 3: firmware 26
  for (int y = 0; y < 256; ++y) {
    const std::size_t line = 1 + 8 * static_cast<std::size_t>(y);
    cm5[line] = 0x4C;      // pen 2: 6
    cm5[line + 1] = 0x52;  // pen 1: 18
    for (int s = 0; s < 6; ++s)
      cm5[line + 2 + static_cast<std::size_t>(s)] =
          y == 7 ? 0x44 : QoCPCFirmwareToHardware(static_cast<uint8_t>(s));
  }
  TBytes gfx(18432);
  gfx[0] = 0x88;            // pixel 0 of row 0: pen 3
  gfx[72 * 5 + 13] = 0x40;  // pixel 53 of row 5: pen 1
  gfx[72 * 5 + 14] = 0x04;  // pixel 57 of row 5: pen 2
  TFolderSource source("pic.cm5", cm5);
  source.Put("pic.gfx", gfx);
  auto list = DetectAll(source);
  ASSERT_EQ((std::vector<std::string>{"TQoAmstradCPCMode5SourceEngine"}), Classes(*list));
  TQoSourceEngine& engine = *list->GetEngine(0);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, engine.DetectFlags);
  EXPECT_EQ("Amstrad CPC 288x256x2 Mode 5 image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  EXPECT_EQ(8, bmp->BitsPerPixel);
  EXPECT_EQ(27, bmp->Palette->GetCount());
  EXPECT_EQ(26u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0u, bmp->GetPixel(1, 0));  // pen 0, segment 0
  EXPECT_EQ(18u, bmp->GetPixel(53, 5));
  EXPECT_EQ(6u, bmp->GetPixel(57, 5));
  EXPECT_EQ(1u, bmp->GetPixel(48, 5));   // pen 0, segment 1
  EXPECT_EQ(5u, bmp->GetPixel(287, 5));  // pen 0, segment 5
  EXPECT_EQ(1u, bmp->GetPixel(287, 7));  // row 7's own pen 0

  TFolderSource noGfx("pic.cm5", cm5);
  EXPECT_EQ(0, DetectAll(noGfx)->Count());
  TFolderSource wrongExtension("pic.bin", cm5);
  wrongExtension.Put("pic.gfx", gfx);
  EXPECT_EQ(0, DetectAll(wrongExtension)->Count());
}

namespace {

// A Perfect Pix set: description, even and odd screen of w x h (w in screen units).
struct TPerfectPix {
  TBytes Pph, Eve, Odd;
};

TPerfectPix PerfectPix(uint8_t modeNumber, uint16_t w, uint16_t h) {
  const std::size_t inks = modeNumber == 5 ? 4 : 16;
  TPerfectPix p;
  p.Pph = TBytes(128 + 6 + inks);
  p.Pph[128] = modeNumber;
  PutLE16(p.Pph, 129, w);
  PutLE16(p.Pph, 131, h);
  p.Pph[133] = 1;
  for (std::size_t i = 0; i < inks; ++i) p.Pph[134 + i] = static_cast<uint8_t>(i + 1);
  PutHeader(p.Pph, 2, static_cast<uint16_t>(6 + inks), 0, 0);
  const auto screen = static_cast<uint16_t>(w * h / 4);
  p.Eve = WithHeader(screen, 2, 0, 0);
  p.Odd = WithHeader(screen, 2, 0, 0);
  return p;
}

std::unique_ptr<TQoSourceEngineList> DetectSet(TFolderSource& source, const TPerfectPix& p) {
  source.Put("pic.eve", p.Eve);
  source.Put("pic.odd", p.Odd);
  return DetectAll(source);
}

}  // namespace

TEST(QoAmstradCPCTest, PerfectPixB0AndB1MixEvenAndOdd) {
  TPerfectPix b0 = PerfectPix(4, 8, 2);
  b0.Eve[128 + 1] = Pack(0, 1, 5);  // row 0, pixel 3 even 5
  b0.Odd[128 + 1] = Pack(0, 1, 9);  // odd 9
  b0.Odd[128 + 2] = Pack(0, 0, 2);  // row 1, pixel 0 odd 2
  TFolderSource source("pic.pph", b0.Pph);
  auto list = DetectSet(source, b0);
  ASSERT_EQ((std::vector<std::string>{"TQoAmstradCPCModeB0SourceEngine"}), Classes(*list));
  TQoSourceEngine& engine = *list->GetEngine(0);
  EXPECT_EQ("Amstrad CPC 4x2x4@2 Perfect Pix Mode B0 image", engine.GetDisplayName());
  EXPECT_EQ(42, engine.AspectIndex);
  auto bmp = engine.Decode();
  ASSERT_EQ(8, bmp->BitsPerPixel);
  EXPECT_EQ(256, bmp->Palette->GetCount());
  EXPECT_EQ(16, engine.PaletteColumns);
  EXPECT_EQ(5u * 16 + 9, bmp->GetPixel(3, 0));
  EXPECT_EQ(2u, bmp->GetPixel(0, 1));
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(5u, bmp->Frames->GetBitmap(0)->GetPixel(3, 0));
  EXPECT_EQ(9u, bmp->Frames->GetBitmap(1)->GetPixel(3, 0));
  EXPECT_EQ(16, bmp->Frames->GetBitmap(0)->Palette->GetCount());
  // The mix of inks 5 and 9 (firmware 6 and 10) is their linear average.
  TQoPalette256 colors;
  QoSetCPCPalette27(colors, ptCPCGateArray);
  EXPECT_NEAR((colors.GetLinRGB(6).R + colors.GetLinRGB(10).R) / 2,
              engine.Palette->GetLinRGB(5 * 16 + 9).R, 1e-9);

  TPerfectPix b1 = PerfectPix(5, 4, 1);
  b1.Eve[128] = 0x88;  // pixel 0 even 3
  b1.Odd[128] = 0x08;  // pixel 0 odd 2
  TFolderSource s1("pic.pph", b1.Pph);
  auto l1 = DetectSet(s1, b1);
  ASSERT_EQ((std::vector<std::string>{"TQoAmstradCPCModeB1SourceEngine"}), Classes(*l1));
  auto bmp1 = l1->GetEngine(0)->Decode();
  EXPECT_EQ(4, bmp1->Width);
  EXPECT_EQ(16, bmp1->Palette->GetCount());
  EXPECT_EQ(3u * 4 + 2, bmp1->GetPixel(0, 0));
}

TEST(QoAmstradCPCTest, PerfectPixCompanionsMustFit) {
  // 320 x 200 needs screens of 16000 + 128 bytes.
  TPerfectPix p = PerfectPix(3, 320, 200);
  EXPECT_EQ(16128u, p.Eve.size());
  TFolderSource good("pic.pph", p.Pph);
  EXPECT_EQ(1, DetectSet(good, p)->Count());
  TFolderSource renamed("pic.dat", p.Pph);
  auto r = DetectSet(renamed, p);
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize, r->GetEngine(0)->DetectFlags);

  TPerfectPix shortOdd = p;
  shortOdd.Odd.pop_back();
  TFolderSource s1("pic.pph", p.Pph);
  EXPECT_EQ(0, DetectSet(s1, shortOdd)->Count());
  TFolderSource missing("pic.pph", p.Pph);
  missing.Put("pic.eve", p.Eve);
  EXPECT_EQ(0, DetectAll(missing)->Count());
  for (uint16_t w : {uint16_t{0}, uint16_t{6}, uint16_t{388}}) {
    TPerfectPix bad = PerfectPix(3, w, 8);
    TFolderSource s("pic.pph", bad.Pph);
    EXPECT_EQ(0, DetectSet(s, bad)->Count()) << w;
  }
  TPerfectPix tall = PerfectPix(4, 8, 273);
  TFolderSource st("pic.pph", tall.Pph);
  EXPECT_EQ(0, DetectSet(st, tall)->Count());
}

TEST(QoAmstradCPCTest, ModeRShiftsTheScreensAlternately) {
  TPerfectPix p = PerfectPix(3, 8, 2);
  // Every byte of both screens: left pixel ink 1, right pixel ink 2 on row 0; the odd
  // screen uses ink 3 and 4.
  for (std::size_t b = 0; b < 4; ++b) {
    p.Eve[128 + b] = static_cast<uint8_t>(Pack(0, 0, 1) | Pack(0, 1, 2));
    p.Odd[128 + b] = static_cast<uint8_t>(Pack(0, 0, 3) | Pack(0, 1, 4));
  }
  TFolderSource source("pic.pph", p.Pph);
  auto list = DetectSet(source, p);
  TQoSourceEngine* engine = nullptr;
  for (int i = 0; i < list->Count(); ++i) {
    if (list->GetEngine(i)->EngineClass == "TQoAmstradCPCModeRSourceEngine")
      engine = list->GetEngine(i);
  }
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ("Amstrad CPC 9x2x4@2 Perfect Pix Mode R image", engine->GetDisplayName());
  auto bmp = engine->Decode();
  ASSERT_EQ(24, bmp->BitsPerPixel);
  ASSERT_EQ(9, bmp->Width);
  TQoBitmap* even = bmp->Frames->GetBitmap(0);
  TQoBitmap* odd = bmp->Frames->GetBitmap(1);
  // Row 0: even from column 0, odd from column 1; row 1 the other way round.
  EXPECT_EQ(
      (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 0}),
      (std::vector<uint32_t>{even->GetPixel(0, 0), even->GetPixel(1, 0), even->GetPixel(2, 0),
                             even->GetPixel(3, 0), even->GetPixel(4, 0), even->GetPixel(5, 0),
                             even->GetPixel(6, 0), even->GetPixel(7, 0), even->GetPixel(8, 0)}));
  EXPECT_EQ(0u, odd->GetPixel(0, 0));
  EXPECT_EQ(3u, odd->GetPixel(1, 0));
  EXPECT_EQ(4u, odd->GetPixel(8, 0));
  EXPECT_EQ(0u, even->GetPixel(0, 1));
  EXPECT_EQ(1u, even->GetPixel(1, 1));
  EXPECT_EQ(3u, odd->GetPixel(0, 1));

  // Inside: the mixed palette entry; at the edges the missing screen counts as black.
  EXPECT_EQ(engine->Palette->GetRGBQuad(1 * 16 + 3), bmp->GetPixel(1, 0));
  EXPECT_EQ(engine->Palette->GetRGBQuad(2 * 16 + 4), bmp->GetPixel(3, 0));
  auto half = [&](int ink) {
    const TQoLinRGBColor c = engine->SourcePalette->GetLinRGB(ink);
    return static_cast<uint32_t>(qo::LinearToSrgbByte(c.R / 2)) << 16 |
           static_cast<uint32_t>(qo::LinearToSrgbByte(c.G / 2)) << 8 |
           qo::LinearToSrgbByte(c.B / 2);
  };
  EXPECT_EQ(half(1), bmp->GetPixel(0, 0));  // even alone
  EXPECT_EQ(half(4), bmp->GetPixel(8, 0));  // odd alone
  EXPECT_EQ(half(3), bmp->GetPixel(0, 1));
  EXPECT_EQ(half(2), bmp->GetPixel(8, 1));
  EXPECT_NE(half(1), engine->Palette->GetRGBQuad(1 * 16 + 0));  // not ink 0, black
}

TEST(QoAmstradCPCTest, EveryEngineDecodesWithEveryPaletteType) {
  std::vector<std::unique_ptr<TFolderSource>> sources;
  for (int mode = 0; mode < 3; ++mode) {
    sources.push_back(std::make_unique<TFolderSource>("s.scr", StandardScreen(mode)));
    sources.push_back(std::make_unique<TFolderSource>("o.scr", OverscanScreen(mode, 0)));
  }
  sources.push_back(std::make_unique<TFolderSource>("f.hgb", TBytes(16384)));
  sources.push_back(std::make_unique<TFolderSource>("m.cm5", TBytes(2049, 0x55)));
  sources.back()->Put("m.gfx", TBytes(18432, 0x1B));
  for (uint8_t m : {uint8_t{3}, uint8_t{4}, uint8_t{5}}) {
    TPerfectPix p = PerfectPix(m, 16, 4);
    std::fill(p.Eve.begin() + 128, p.Eve.end(), uint8_t{0x3C});
    sources.push_back(std::make_unique<TFolderSource>("p.pph", p.Pph));
    sources.back()->Put("p.eve", p.Eve);
    sources.back()->Put("p.odd", p.Odd);
  }
  std::set<std::string> seen;
  for (auto& source : sources) {
    auto list = DetectAll(*source);
    ASSERT_GT(list->Count(), 0) << source->Name;
    for (int i = 0; i < list->Count(); ++i) {
      TQoSourceEngine& engine = *list->GetEngine(i);
      seen.insert(engine.EngineClass);
      std::vector<uint8_t> types = engine.PaletteTypes;
      if (types.empty()) types.push_back(engine.PaletteType);
      for (uint8_t type : types) {
        engine.PaletteType = type;
        auto bmp = engine.Decode();
        ASSERT_NE(nullptr, bmp);
        EXPECT_EQ(engine.Width, bmp->Width);
        EXPECT_EQ(engine.Height, bmp->Height);
        EXPECT_NE(nullptr, bmp->ToBitmap32());
      }
    }
  }
  EXPECT_EQ(11u, seen.size());
}

TEST(QoAmstradCPCTest, RealScreens) {
  QO_REQUIRE_SAMPLES();
  // The converter's overscan screen with its palette file beside it.
  std::vector<TQoSample> samples = QoSamples("cpc-amsdos-scr");
  auto overscan = std::find_if(samples.begin(), samples.end(), [](const TQoSample& s) {
    return s.File == "amstradcpc/BWINND.SCR";
  });
  ASSERT_NE(samples.end(), overscan);
  const TQoSample sample = *overscan;
  TQoFileLoadSource file(sample.Path);
  auto list = DetectAll(file);
  ASSERT_GT(list->Count(), 0);
  TQoSourceEngine& engine = *list->GetEngine(0);
  EXPECT_EQ("TQoAmstradCPCMode0ExSourceEngine", engine.EngineClass);
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize | kQoDetectExtension, engine.DetectFlags);
  // Pinned after checking the picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"amstradcpc/BWINND.SCR", "9c75b2dd2515d10b"},
  };
  for (uint8_t type : engine.PaletteTypes) {
    engine.PaletteType = type;
    auto bmp = engine.Decode();
    ASSERT_NE(nullptr, bmp);
    if (type == ptCPCGateArray) QoExpectPinnedHash(pinned, sample.File, *bmp);
  }

  // The screens copied off real discs: saved from 0x4000 or with their own entry address,
  // the disc system's data length 0, palette files padded to 384 bytes with the ink
  // flashing settings in data bytes 1 and 2. Pinned after checking them by eye.
  const std::map<std::string, std::string> discPinned = {
      {"amstradcpc/MOUSE.SCR", "a966e02dbe036320"},
      {"amstradcpc/PINBALL.SCR", "d960e39cfb4810de"},
      {"amstradcpc/TETRIS.SCR", "4e2a519f22ad2da7"},
      {"amstradcpc/TETRIS_1.scr", "024ea7beadc47101"},
  };
  samples.push_back(QoSamples("cpc-amsdos-screen-c000").at(0));
  for (const TQoSample& s : samples) {
    if (s.Size != 16512) continue;
    SCOPED_TRACE(s.File);
    TQoFileLoadSource f(s.Path);
    auto engines = DetectAll(f);
    ASSERT_GT(engines->Count(), 0);
    EXPECT_NE("TQoAmstradCPCMode2HGBSourceEngine", engines->GetEngine(0)->EngineClass);
    QoExpectPinnedHash(discPinned, s.File, *engines->GetEngine(0)->Decode());
  }
}

TEST(QoAmstradCPCTest, ClassesDescribeThemselvesWithoutData) {
  std::vector<std::string> extensions;
  const TQoEngineRegistry registry = CPCRegistry();
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    const TQoEngineClassInfo info = QoDescribeEngineClass(engineClass);
    EXPECT_EQ("Amstrad CPC", info.Platform) << engineClass.Name;
    extensions.push_back(info.DefaultExtension);
  }
  EXPECT_EQ((std::vector<std::string>{".scr", ".scr", ".scr", ".scr", ".scr", ".scr", ".hgb",
                                      ".cm5", ".pph", ".pph", ".pph"}),
            extensions);
}

TEST(QoAmstradCPCTest, CraftedFilesEndCleanly) {
  // Valid headers over noise, with every companion answered by one block: the engines
  // accept or decline, and whatever they accept decodes without leaving its buffers.
  uint32_t seed = 12345;
  auto noise = [&seed](std::size_t n) {
    TBytes bytes(n);
    for (uint8_t& b : bytes) {
      seed = seed * 1103515245u + 12345u;
      b = static_cast<uint8_t>(seed >> 16);
    }
    return bytes;
  };
  const TQoEngineRegistry registry = CPCRegistry();
  int engines = 0;
  for (TPerfectPix p : {PerfectPix(3, 384, 272), PerfectPix(4, 4, 1), PerfectPix(5, 16, 3)}) {
    TBytes eve = noise(p.Eve.size());
    std::copy(p.Eve.begin(), p.Eve.begin() + 128, eve.begin());
    TQoCarvedSource source("p.pph", p.Pph.data(), static_cast<int32_t>(p.Pph.size()), eve.data(),
                           static_cast<int32_t>(eve.size()));
    engines += QoRunWholeRoad(source, registry).Engines;
  }
  for (std::size_t size : {std::size_t{16512}, std::size_t{32400}, std::size_t{16384}}) {
    TBytes bytes = noise(size);
    if (size == 16512) PutHeader(bytes, 2, 16384, 0xC000, 0xC7D0);
    if (size == 32400) PutHeader(bytes, 0, 32272, 0x0170, 0);
    for (std::size_t companion : {std::size_t{367}, std::size_t{160}, std::size_t{5}}) {
      TBytes extra = noise(companion);
      if (companion > 128)
        PutHeader(extra, 2, static_cast<uint16_t>(companion - 128), 0x8809, 0x8809);
      TQoCarvedSource source("s.scr", bytes.data(), static_cast<int32_t>(size), extra.data(),
                             static_cast<int32_t>(extra.size()));
      QoRunWholeRoad(source, registry);
    }
  }
  TBytes cm5 = noise(2049);
  TBytes gfx = noise(18432);
  TQoCarvedSource mode5("m.cm5", cm5.data(), 2049, gfx.data(), 18432);
  engines += QoRunWholeRoad(mode5, registry).Engines;
  EXPECT_EQ(4, engines);  // the three Perfect Pix sets and the Mode 5 picture
}
