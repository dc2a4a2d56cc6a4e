#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "platforms/AppleII/QoOpenPlatformAppleII.h"
#include "platforms/QoPlatformModules.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry AppleRegistry() {
  TQoEngineRegistry registry;
  RegisterAppleIIEngines(registry);
  return registry;
}

struct TFound {
  std::unique_ptr<TQoDetected> Detected;
  TQoSourceEngine* Engine = nullptr;
};

// The engine of class `engineClass` that detection over the Apple module offers.
TFound Find(const std::string& name, TBytes bytes, const std::string& engineClass) {
  TFound found{QoDetectIn(AppleRegistry(), name, std::move(bytes))};
  for (int i = 0; i < found.Detected->Engines->Count(); ++i) {
    TQoSourceEngine* engine = found.Detected->Engines->GetEngine(i);
    if (engine->EngineClass == engineClass) found.Engine = engine;
  }
  return found;
}

uint8_t Flags(const std::string& name, TBytes bytes, const std::string& engineClass) {
  const TFound found = Find(name, std::move(bytes), engineClass);
  return found.Engine ? found.Engine->DetectFlags : 0;
}

void PutLE16(TBytes& bytes, std::size_t at, unsigned value) {
  bytes.at(at) = static_cast<uint8_t>(value);
  bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

void Append16(TBytes& bytes, unsigned value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// A IIgs colour word of the three levels.
unsigned Word(unsigned r, unsigned g, unsigned b) {
  return (r << 8) | (g << 4) | b;
}
uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
  return (r * 17u << 16) | (g * 17u << 8) | b * 17u;
}

uint32_t PixelRgb(const TQoBitmap& bmp, int x, int y) {
  const TQoStdRGBColor c = bmp.GetStdRGBPixel(x, y);
  return static_cast<uint32_t>(c.R << 16 | c.G << 8 | c.B);
}

// PackBytes literal runs carrying the data.
TBytes PackLiterals(const TBytes& data) {
  TBytes packed;
  for (std::size_t at = 0; at < data.size(); at += 64) {
    const std::size_t n = std::min<std::size_t>(64, data.size() - at);
    packed.push_back(static_cast<uint8_t>(n - 1));
    packed.insert(packed.end(), data.begin() + static_cast<long>(at),
                  data.begin() + static_cast<long>(at + n));
  }
  return packed;
}

TBytes Unpack(const TBytes& packed, std::size_t limit = 64) {
  TBytes out(limit);
  out.resize(QoUnpackPackBytes(TQoByteView(packed.data(), packed.size()), out.data(), limit));
  return out;
}

// An APF block: length, name, data.
void AppendBlock(TBytes& file, const std::string& name, const TBytes& data) {
  const std::size_t length = 5 + name.size() + data.size();
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(length >> (8 * i)));
  file.push_back(static_cast<uint8_t>(name.size()));
  file.insert(file.end(), name.begin(), name.end());
  file.insert(file.end(), data.begin(), data.end());
}

// A MAIN block's data; each line is given as its unpacked bytes and its mode.
TBytes MainBlock(unsigned masterMode, unsigned pixelsPerLine, const std::vector<TBytes>& tables,
                 const std::vector<std::pair<TBytes, unsigned>>& lines) {
  TBytes data;
  Append16(data, masterMode);
  Append16(data, pixelsPerLine);
  Append16(data, static_cast<unsigned>(tables.size()));
  for (const TBytes& table : tables) data.insert(data.end(), table.begin(), table.end());
  Append16(data, static_cast<unsigned>(lines.size()));
  std::vector<TBytes> packed;
  for (const auto& [bytes, mode] : lines) {
    packed.push_back(PackLiterals(bytes));
    Append16(data, static_cast<unsigned>(packed.back().size()));
    Append16(data, mode);
  }
  for (const TBytes& p : packed) data.insert(data.end(), p.begin(), p.end());
  return data;
}

// A palette block whose colour i is (i, 15 - i, level).
TBytes Table(unsigned level) {
  TBytes table;
  for (unsigned i = 0; i < 16; ++i) Append16(table, Word(i, 15 - i, level));
  return table;
}

}  // namespace

TEST(QoAppleIIGSTest, PackBytesRunsAndExactSizes) {
  // Literal, single byte, four-byte group, single byte four times per count.
  EXPECT_EQ((TBytes{9, 8, 5, 5, 5, 1, 2, 3, 4, 1, 2, 3, 4, 7, 7, 7, 7}),
            Unpack({0x01, 9, 8, 0x42, 5, 0x81, 1, 2, 3, 4, 0xC0, 7}));
  // A run whose bytes are cut short yields what it has and never reads past the data.
  EXPECT_EQ((TBytes{1, 2}), Unpack({0x03, 1, 2}));
  EXPECT_EQ((TBytes{}), Unpack({0x81, 1, 2, 3}));

  // A packed screen dump is accepted only when it unpacks to exactly 32 KiB.
  TBytes exact;
  for (int i = 0; i < 128; ++i) exact.insert(exact.end(), {0xFF, 0x00});  // 128 x 256 zeros
  EXPECT_EQ(9, Flags("pic.bin", exact, "TQoAppleIIGS3200Engine"));
  EXPECT_EQ(11, Flags("pic.shr", exact, "TQoAppleIIGS3200Engine"));
  TBytes longer = exact;
  longer.insert(longer.end(), {0x00, 0x00});
  EXPECT_EQ(0, Flags("pic.shr", longer, "TQoAppleIIGS3200Engine"));
  // The stored dump: exactly 32768 bytes.
  EXPECT_EQ(10, Flags("pic.3200", TBytes(32768, 0x11), "TQoAppleIIGS3200Engine"));
  EXPECT_EQ(0, Flags("pic.3200", TBytes(32767, 0x11), "TQoAppleIIGS3200Engine"));
}

TEST(QoAppleIIGSTest, ScreenDumpRowsUseTheirControlBytesPalette) {
  TBytes file(32768, 0);
  // Row 0 pixels 1, 2; row 1 the same pixels under palette 3.
  file[0] = 0x12;
  file[160] = 0x12;
  file[32000 + 1] = 0x73;  // bits 6-4 are not part of the palette number
  for (int block = 0; block < 16; ++block) {
    for (unsigned i = 0; i < 16; ++i) {
      PutLE16(file, 32256 + 32 * block + 2 * i, Word(i, static_cast<unsigned>(block), 0));
    }
  }
  TFound found = Find("pic.shr", file, "TQoAppleIIGS3200Engine");
  ASSERT_NE(nullptr, found.Engine);
  EXPECT_EQ(found.Engine, found.Detected->First());
  const auto bmp = found.Engine->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(320, bmp->Width);
  EXPECT_EQ(200, bmp->Height);
  EXPECT_EQ(22, found.Engine->AspectIndex);
  EXPECT_EQ("Apple IIGS", found.Engine->PlatformName);
  auto rgb = [&](int x, int y) { return PixelRgb(*bmp, x, y); };
  EXPECT_EQ(Rgb(1, 0, 0), rgb(0, 0));
  EXPECT_EQ(Rgb(2, 0, 0), rgb(1, 0));
  EXPECT_EQ(Rgb(1, 3, 0), rgb(0, 1));
  EXPECT_EQ(Rgb(2, 3, 0), rgb(1, 1));
  EXPECT_EQ(Rgb(0, 3, 0), rgb(2, 1));

  // A 640-mode row (control bit 7) widens the picture; 320-mode rows are doubled.
  file[32000 + 1] = 0x83;
  file[160] = 0xE4;
  found = Find("pic.shr", file, "TQoAppleIIGS3200Engine");
  ASSERT_NE(nullptr, found.Engine);
  EXPECT_EQ(640, found.Engine->Width);
  EXPECT_EQ(4, found.Engine->ColorDepth);
  EXPECT_EQ(6, found.Engine->AspectIndex);
  const auto wide = found.Engine->Decode();
  ASSERT_NE(nullptr, wide);
  EXPECT_EQ(640, wide->Width);
  EXPECT_EQ(Rgb(1, 0, 0), PixelRgb(*wide, 0, 0));  // 320 mode: pixel 1 twice
  EXPECT_EQ(Rgb(1, 0, 0), PixelRgb(*wide, 1, 0));
  EXPECT_EQ(Rgb(2, 0, 0), PixelRgb(*wide, 2, 0));
  EXPECT_EQ(Rgb(11, 3, 0), PixelRgb(*wide, 0, 1));  // 640 mode: entries 11, 14, 1, 4
  EXPECT_EQ(Rgb(14, 3, 0), PixelRgb(*wide, 1, 1));
  EXPECT_EQ(Rgb(1, 3, 0), PixelRgb(*wide, 2, 1));
  EXPECT_EQ(Rgb(4, 3, 0), PixelRgb(*wide, 3, 1));
}

TEST(QoAppleIIGSTest, RowPalettesMakeOneSortedPaletteOrTrueColour) {
  // Stored 3200 colours: the palette blocks are in reversed order. Rows share 40 colours.
  auto stored = [](unsigned distinct) {
    TBytes file(38400, 0);
    for (int y = 0; y < 200; ++y) {
      for (unsigned i = 0; i < 16; ++i) {
        const unsigned n = (static_cast<unsigned>(y) * 16 + i) % distinct;
        PutLE16(file, 32000 + 32 * static_cast<std::size_t>(y) + 2 * (15 - i),
                Word(n % 16, (n / 16) % 16, n / 256));
      }
      file[160 * static_cast<std::size_t>(y)] = 0x01;  // pixels 0 and 1
    }
    return file;
  };
  TFound found = Find("pic.sh3", stored(40), "TQoAppleIIGSSh3Engine");
  ASSERT_NE(nullptr, found.Engine);
  EXPECT_EQ(10, found.Engine->DetectFlags);
  auto bmp = found.Engine->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(8, bmp->BitsPerPixel);
  const TQoPalette256& palette = *found.Engine->Palette;
  ASSERT_EQ(40, palette.GetCount());
  for (int i = 1; i < 40; ++i) EXPECT_LE(palette.GetLinGray(i - 1), palette.GetLinGray(i));
  // Row 1, pixel 1 is colour 1 of its block: colour number (16 + 1) % 40.
  EXPECT_EQ(Rgb(1, 1, 0), PixelRgb(*bmp, 1, 1));

  found = Find("pic.sh3", stored(300), "TQoAppleIIGSSh3Engine");
  ASSERT_NE(nullptr, found.Engine);
  bmp = found.Engine->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(24, bmp->BitsPerPixel);
  EXPECT_EQ(0, found.Engine->Palette->GetCount());
  EXPECT_EQ(Rgb(1, 1, 0), bmp->GetPixel(1, 1));
  EXPECT_EQ(Rgb(0, 1, 0), bmp->GetPixel(0, 1));

  // The packed kind: signature, reversed blocks, then packed pixels that end early.
  TBytes packed = {0xC1, 0xD0, 0xD0, 0x00};
  packed.resize(6404, 0);
  for (std::size_t y = 0; y < 200; ++y) {
    for (unsigned i = 0; i < 16; ++i) PutLE16(packed, 4 + 32 * y + 2 * (15 - i), Word(i, 0, 0));
  }
  TBytes pixels(32000, 0x11);
  const TBytes stream = PackLiterals(pixels);
  TBytes whole = packed;
  whole.insert(whole.end(), stream.begin(), stream.end());
  EXPECT_EQ(11, Flags("pic.3200", whole, "TQoAppleIIGS3201Engine"));
  TBytes cut = packed;
  cut.insert(cut.end(), stream.begin(), stream.begin() + 200);  // 195 pixel bytes
  EXPECT_EQ(0, Flags("pic.3200", cut, "TQoAppleIIGS3201Engine"));
  TQoMemoryLoadSource source("pic.3201", cut.data(), static_cast<int32_t>(cut.size()), false);
  TQoAppleIIGS3201Engine engine(source);
  bmp = engine.Decode();
  ASSERT_NE(nullptr, bmp);
  // 196 pixel bytes arrive: row 0 and 72 pixels of row 1; the rest stays black.
  EXPECT_EQ(Rgb(1, 0, 0), PixelRgb(*bmp, 319, 0));
  EXPECT_EQ(Rgb(1, 0, 0), PixelRgb(*bmp, 71, 1));
  EXPECT_EQ(0u, PixelRgb(*bmp, 72, 1));
  EXPECT_EQ(0u, bmp->GetPixel(72, 1));
}

TEST(QoAppleIIGSTest, PaintworksRowsAndHeaderPalette) {
  TBytes file(546, 0);
  for (unsigned i = 0; i < 16; ++i) PutLE16(file, 2 * i, Word(15 - i, 0, 0));
  TBytes rows(63360, 0);
  rows[0] = 0x1F;
  rows[63360 - 1] = 0x20;
  const TBytes stream = PackLiterals(rows);
  file.insert(file.end(), stream.begin(), stream.end());
  TFound found = Find("pic.pnt", file, "TQoAppleIIGSPntEngine");
  ASSERT_NE(nullptr, found.Engine);
  EXPECT_EQ(11, found.Engine->DetectFlags);
  EXPECT_EQ("Paintworks", found.Engine->ModeName);
  const auto bmp = found.Engine->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(396, bmp->Height);
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(15u, bmp->GetPixel(1, 0));
  EXPECT_EQ(2u, bmp->GetPixel(318, 395));
  EXPECT_EQ(Rgb(14, 0, 0), found.Engine->Palette->GetRGBQuad(1));  // unsorted
  file.pop_back();
  EXPECT_EQ(0, Flags("pic.pnt", file, "TQoAppleIIGSPntEngine"));
}

TEST(QoAppleIIGSTest, APFBlocksModesAndLineTables) {
  // 640 mode: byte 0xE4 shows entries 8 + 3, 12 + 2, 0 + 1, 4 + 0 of its line's table.
  {
    TBytes file;
    AppendBlock(file, "MAIN", MainBlock(0x80, 6, {Table(0), Table(5)}, {{{0xE4, 0x00}, 0x81}}));
    TBytes note;
    Append16(note, 7);
    for (char ch : std::string("  Hi!\x01 ")) note.push_back(static_cast<uint8_t>(ch));
    AppendBlock(file, "NOTE", note);
    AppendBlock(file, "PATS", {1, 2, 3});
    TFound found = Find("pic.shr", file, "TQoAppleIIGSAPFEngine");
    ASSERT_NE(nullptr, found.Engine);
    EXPECT_EQ(11, found.Engine->DetectFlags);
    auto& apf = static_cast<TQoAppleIIGSAPFEngine&>(*found.Engine);
    EXPECT_EQ("MAIN NOTE PATS", apf.Info.BlockNames);
    EXPECT_EQ("Hi!", apf.InfoTitle);
    EXPECT_EQ(2, apf.ColorDepth);
    EXPECT_EQ(6, apf.AspectIndex);
    EXPECT_EQ(6, apf.Width);
    EXPECT_EQ(" APF image", apf.Description);
    const auto bmp = apf.Decode();
    ASSERT_NE(nullptr, bmp);
    auto rgb = [&](int x) { return PixelRgb(*bmp, x, 0); };
    EXPECT_EQ(Rgb(11, 4, 5), rgb(0));
    EXPECT_EQ(Rgb(14, 1, 5), rgb(1));
    EXPECT_EQ(Rgb(1, 14, 5), rgb(2));
    EXPECT_EQ(Rgb(4, 11, 5), rgb(3));
    EXPECT_EQ(Rgb(8, 7, 5), rgb(4));
    file.push_back(0);  // blocks no longer fill the file
    EXPECT_EQ(0, Flags("pic.shr", file, "TQoAppleIIGSAPFEngine"));
  }
  // 320 mode, one table: line 4 names a table that does not exist, so the picture ends
  // after four lines; the single table's colours keep their order.
  {
    std::vector<std::pair<TBytes, unsigned>> lines;
    for (int y = 0; y < 6; ++y) lines.push_back({{0x12, 0x34}, y == 4 ? 0x01u : 0x00u});
    TBytes file;
    AppendBlock(file, "MAIN", MainBlock(0x00, 4, {Table(2)}, lines));
    TFound found = Find("pic.bin", file, "TQoAppleIIGSAPFEngine");
    ASSERT_NE(nullptr, found.Engine);
    EXPECT_EQ(9, found.Engine->DetectFlags);
    const auto bmp = found.Engine->Decode();
    ASSERT_NE(nullptr, bmp);
    EXPECT_EQ(Rgb(3, 12, 2), found.Engine->Palette->GetRGBQuad(3));
    EXPECT_EQ(4u, bmp->GetPixel(3, 3));
    EXPECT_EQ(0u, bmp->GetPixel(3, 4));
    EXPECT_EQ(0u, bmp->GetPixel(1, 5));
  }
  // MULTIPAL: a palette per line; its count must be the line count.
  {
    TBytes multi;
    Append16(multi, 2);
    for (unsigned level : {7u, 9u}) {
      const TBytes t = Table(level);
      multi.insert(multi.end(), t.begin(), t.end());
    }
    TBytes file;
    AppendBlock(file, "MAIN", MainBlock(0x00, 2, {Table(0)}, {{{0x10}, 0x0F}, {{0x10}, 0}}));
    AppendBlock(file, "MULTIPAL", multi);
    TFound found = Find("pic.32k", file, "TQoAppleIIGSAPFEngine");
    ASSERT_NE(nullptr, found.Engine);
    EXPECT_EQ(" APF multipalette image", found.Engine->Description);
    EXPECT_EQ(".32k", found.Engine->DefaultExtension);
    const auto bmp = found.Engine->Decode();
    ASSERT_NE(nullptr, bmp);
    EXPECT_EQ(Rgb(1, 14, 9), PixelRgb(*bmp, 0, 1));
    multi[0] = 3;
    TBytes bad;
    AppendBlock(bad, "MAIN", MainBlock(0x00, 2, {Table(0)}, {{{0x10}, 0}, {{0x10}, 0}}));
    AppendBlock(bad, "MULTIPAL", multi);
    EXPECT_EQ(0, Flags("pic.32k", bad, "TQoAppleIIGSAPFEngine"));
  }
}

TEST(QoAppleIIGSTest, MacPaintHeadersAndRows) {
  // Rows: the first all black, the second one white pixel then black, the rest white.
  // 72 bytes 0xFF; a literal 0x7F and 71 bytes 0xFF; then 51696 = 403 x 128 + 112 zeros.
  TBytes rows = {0xB9, 0xFF, 0x00, 0x7F, 0xBA, 0xFF};
  for (int i = 0; i < 403; ++i) rows.insert(rows.end(), {0x81, 0x00});
  rows.insert(rows.end(), {static_cast<uint8_t>(257 - 112), 0x00});

  TBytes bare(512, 0);
  bare[3] = 2;  // version
  bare.insert(bare.end(), rows.begin(), rows.end());
  TFound found = Find("pic.mac", bare, "TQoAppleIIMacEngine");
  ASSERT_NE(nullptr, found.Engine);
  EXPECT_EQ(10, found.Engine->DetectFlags);
  EXPECT_EQ("Apple Macintosh", found.Engine->PlatformName);
  auto bmp = found.Engine->Decode();
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(576, bmp->Width);
  EXPECT_EQ(720, bmp->Height);
  EXPECT_EQ(0xFFFFFFu, found.Engine->Palette->GetRGBQuad(0));
  EXPECT_EQ(0u, found.Engine->Palette->GetRGBQuad(1));
  EXPECT_EQ(1u, bmp->GetPixel(5, 0));  // black
  EXPECT_EQ(0u, bmp->GetPixel(0, 1));  // white
  EXPECT_EQ(1u, bmp->GetPixel(1, 1));
  EXPECT_EQ(0u, bmp->GetPixel(300, 719));
  // A run left unfinished after the last row is not a MacPaint picture.
  TBytes open = bare;
  open.back() = 0x00;
  open[open.size() - 2] = static_cast<uint8_t>(257 - 113);
  EXPECT_EQ(0, Flags("pic.mac", open, "TQoAppleIIMacEngine"));
  // A bare header with a version above 3 is not one either.
  TBytes version = bare;
  version[3] = 4;
  EXPECT_EQ(0, Flags("pic.mac", version, "TQoAppleIIMacEngine"));

  // MacBinary II with a secondary header of one byte: the data moves to 768.
  TBytes binary(128, 0);
  binary[1] = 3;
  std::memcpy(&binary[2], "pic", 3);
  std::memcpy(&binary[65], "PNTG", 4);
  binary[121] = 1;  // secondary header length
  binary[122] = 129;
  binary[123] = 129;
  const uint16_t crc = QoMacBinaryCrc(binary.data(), 124);
  binary[124] = static_cast<uint8_t>(crc >> 8);
  binary[125] = static_cast<uint8_t>(crc);
  TBytes wrapped = binary;
  wrapped.resize(128 + 128 + 512, 0xEE);
  wrapped.insert(wrapped.end(), rows.begin(), rows.end());
  TQoMacPaintLayout layout;
  ASSERT_TRUE(QoParseMacPaint(TQoByteView(wrapped.data(), wrapped.size()), layout));
  EXPECT_EQ(768u, layout.DataStart);
  EXPECT_EQ(9, Flags("pic.bin", wrapped, "TQoAppleIIMacEngine"));
  found = Find("pic.pic", wrapped, "TQoAppleIIMacEngine");
  ASSERT_NE(nullptr, found.Engine);
  EXPECT_EQ(11, found.Engine->DetectFlags);
  bmp = found.Engine->Decode();
  EXPECT_EQ(0u, bmp->GetPixel(0, 1));
  EXPECT_EQ(1u, bmp->GetPixel(1, 1));
  // Another file type in a MacBinary header is declined.
  TBytes other = wrapped;
  std::memcpy(&other[65], "TEXT", 4);
  const uint16_t otherCrc = QoMacBinaryCrc(other.data(), 124);
  other[124] = static_cast<uint8_t>(otherCrc >> 8);
  other[125] = static_cast<uint8_t>(otherCrc);
  EXPECT_EQ(0, Flags("pic.mac", other, "TQoAppleIIMacEngine"));
}

TEST(QoAppleIIGSTest, RealSuperHiResScreens) {
  QO_REQUIRE_SAMPLES();
  // Detected over every module: the 32 KiB dumps are also a size-only format elsewhere.
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"apple2gs/4cade_art_ARKANOID.shr", "0e3987a9d94e2f51"},
      {"apple2gs/4cade_art_BOULDER.DASH.shr", "e7434ec7bd541cc9"},
      {"apple2gs/4cade_art_BRUCE.LEE.shr", "af2a94e14c71e016"},
      {"apple2gs/4cade_art_CENTIPEDE.shr", "e413838bbacce050"},
  };
  const int decoded =
      QoCheckRealPictures(QoDefaultRegistry(), {{"a2gs-shr", "TQoAppleIIGS3200Engine"}}, pinned);
  EXPECT_EQ(4, decoded);
}
