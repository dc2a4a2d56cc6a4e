#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <tuple>

#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoOpenPlatformAtariSTMultiPalette.h"
#include "support/QoEngineChecks.h"
#include "support/QoPackIce.h"
#include "support/QoPackSpx.h"

namespace {

using TBytes = std::vector<uint8_t>;

void PutBE16(TBytes& b, std::size_t at, uint16_t v) {
  b.at(at) = static_cast<uint8_t>(v >> 8);
  b.at(at + 1) = static_cast<uint8_t>(v);
}
void PutBE32(TBytes& b, std::size_t at, uint32_t v) {
  PutBE16(b, at, static_cast<uint16_t>(v >> 16));
  PutBE16(b, at + 2, static_cast<uint16_t>(v));
}
void AppendBE16(TBytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
void AppendBE32(TBytes& b, uint32_t v) {
  AppendBE16(b, static_cast<uint16_t>(v >> 16));
  AppendBE16(b, static_cast<uint16_t>(v));
}
void Append(TBytes& b, const TBytes& more) {
  b.insert(b.end(), more.begin(), more.end());
}

// An ST palette word from a 9-bit colour (3 bits a gun).
uint16_t Word9(unsigned v) {
  v &= 511;
  return static_cast<uint16_t>(((v >> 6) & 7) << 8 | ((v >> 3) & 7) << 4 | (v & 7));
}
// Distinct words within a line record, different from line to line.
uint16_t LineWord(int y, int i) {
  return Word9(static_cast<unsigned>(i * 37 + y * 11));
}
uint32_t Rgb(uint16_t word, uint8_t type = ptAtariST) {
  return QoRGBQuad(DecodeSTColor(word, type));
}
uint32_t PixelRgb(const TQoBitmap& bmp, int x, int y) {
  return QoRGBQuad(bmp.GetStdRGBPixel(x, y));
}
int Pix(int x, int y) {
  return (x * 7 + y * 3) & 15;
}

// Pixel c at (x, y) of an interleaved screen whose lines are lineBytes long.
void PlotInterleaved(TBytes& b, std::size_t base, std::size_t lineBytes, int planes, int x, int y,
                     int c) {
  for (int k = 0; k < planes; ++k) {
    if (!((c >> k) & 1)) continue;
    const std::size_t word = base + static_cast<std::size_t>(y) * lineBytes +
                             static_cast<std::size_t>(x / 16) * 2 * planes + 2 * k;
    b.at(word + (x % 16) / 8) |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
}
// The same on a plane-planar low-resolution screen of the given number of lines.
void PlotPlanar(TBytes& b, std::size_t base, int lines, int x, int y, int c) {
  for (int k = 0; k < 4; ++k) {
    if (!((c >> k) & 1)) continue;
    const std::size_t word = base + static_cast<std::size_t>(k) * lines * 40 +
                             static_cast<std::size_t>(y) * 40 +
                             static_cast<std::size_t>(x / 16) * 2;
    b.at(word + (x % 16) / 8) |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
}

TBytes LowScreen(int lines, bool interleaved, int (*value)(int, int) = Pix) {
  TBytes screen(static_cast<std::size_t>(lines) * 160);
  for (int y = 0; y < lines; ++y) {
    for (int x = 0; x < 320; ++x) {
      if (interleaved) {
        PlotInterleaved(screen, 0, 160, 4, x, y, value(x, y));
      } else {
        PlotPlanar(screen, 0, lines, x, y, value(x, y));
      }
    }
  }
  return screen;
}

struct TBitWriter {
  TBytes Bytes;
  int Used = 8;
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (Used == 8) {
        Bytes.push_back(0);
        Used = 0;
      }
      if ((value >> i) & 1) Bytes.back() |= static_cast<uint8_t>(0x80 >> Used);
      ++Used;
    }
  }
};

const TQoEngineRegistry& Registry() {
  static const TQoEngineRegistry registry = [] {
    TQoEngineRegistry r;
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTGFAArtistEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTPaletteMasterEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTHighresMediumEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTMultiPalettePicture>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTPhotoChromeEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTSpectrum512SPUEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTSpectrum512SPSEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTSpectrum512SPCEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTSpectrum512SPXEngine>());
    r.RegisterEngine(QoEngineClassOf<TQoAtariSTQuantumPaintEngine>());
    return r;
  }();
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(Registry(), name, std::move(bytes));
}

TQoSourceEngine& Only(const TQoDetected& d, const std::string& className) {
  TQoSourceEngine* engine = d.Find(className);
  if (!engine) throw std::runtime_error(className + " did not accept the file");
  return *engine;
}

// Spectrum 512 palette records: 48 words per line.
TBytes SpectrumRecords(int lines) {
  TBytes records(static_cast<std::size_t>(lines) * 96);
  for (int y = 0; y < lines; ++y) {
    for (int i = 0; i < 48; ++i)
      PutBE16(records, static_cast<std::size_t>(y) * 96 + 2 * i, LineWord(y, i));
  }
  return records;
}

TBytes SpuFile(int (*value)(int, int) = Pix) {
  TBytes file(160, 0xFF);  // the line that is never shown
  Append(file, LowScreen(199, true, value));
  file.resize(32000);
  Append(file, SpectrumRecords(199));
  return file;
}

// Every pixel against the Spectrum 512 rule, over the records given.
int WrongSpectrumPixels(const TQoBitmap& bmp, const TBytes& records, int (*value)(int, int)) {
  int wrong = 0;
  for (int y = 0; y < bmp.Height; ++y) {
    for (int x = 0; x < 320; ++x) {
      const std::size_t at =
          static_cast<std::size_t>(y) * 96 + 2 * Spectrum512PaletteIndex(value(x, y), x);
      wrong +=
          PixelRgb(bmp, x, y) != Rgb(static_cast<uint16_t>(records[at] << 8 | records[at + 1]));
    }
  }
  return wrong;
}

// SPS: repeats for runs of 3 or more, copies otherwise.
TBytes PackSPS(const TBytes& data) {
  TBytes out;
  std::size_t i = 0;
  while (i < data.size()) {
    std::size_t run = 1;
    while (i + run < data.size() && data[i + run] == data[i] && run < 130) ++run;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(run - 3));
      out.push_back(data[i]);
      i += run;
      continue;
    }
    const std::size_t n = std::min<std::size_t>(128, data.size() - i);
    out.push_back(static_cast<uint8_t>(n + 127));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
               data.begin() + static_cast<std::ptrdiff_t>(i + n));
    i += n;
  }
  return out;
}

// SPC: repeats for runs of 2 or more, copies otherwise.
TBytes PackSPC(const TBytes& data) {
  TBytes out;
  std::size_t i = 0;
  while (i < data.size()) {
    std::size_t run = 1;
    while (i + run < data.size() && data[i + run] == data[i] && run < 130) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(258 - run));
      out.push_back(data[i]);
      i += run;
      continue;
    }
    out.push_back(0);
    out.push_back(data[i++]);
  }
  return out;
}

TBytes SpHeader(std::size_t screen, std::size_t palettes) {
  TBytes header = {'S', 'P', 0, 0};
  AppendBE32(header, static_cast<uint32_t>(screen));
  AppendBE32(header, static_cast<uint32_t>(palettes));
  return header;
}

// The 9-bit colour of colour c in palette p of the SPS and SPC tests; 0 leaves it out.
unsigned PackedColor(int p, int c) {
  return (c * 5 + p) % 7 == 0 ? 0 : static_cast<unsigned>(p * 13 + c * 29) % 512;
}

// Line records as the packed palettes give them.
TBytes PackedRecords(int lastColor) {
  TBytes records(kQoSpectrum512PaletteBytes);
  for (int p = 0; p < kQoSpectrum512Palettes; ++p) {
    for (int c = 0; c < 16; ++c) {
      const bool stored = (lastColor == 14 ? c <= 14 : (c >= 1 && c <= 14));
      PutBE16(records, static_cast<std::size_t>(p) * 32 + 2 * c,
              stored ? Word9(PackedColor(p, c)) : 0);
    }
  }
  return records;
}

TBytes SpsFile(bool interleaved) {
  TBytes stream;
  const TBytes screen = LowScreen(199, interleaved);
  if (interleaved) {
    for (std::size_t plane = 0; plane < 8; plane += 2) {
      for (std::size_t j = 0; j < 40; ++j) {
        for (std::size_t y = 0; y < 199; ++y)
          stream.push_back(screen[y * 160 + (j / 2) * 8 + j % 2 + plane]);
      }
    }
  } else {
    stream = screen;
  }
  TBitWriter bits;
  for (int p = 0; p < kQoSpectrum512Palettes; ++p) {
    uint32_t mask = 0;
    for (int c = 1; c <= 14; ++c) mask |= PackedColor(p, c) ? 1u << (14 - c) : 0;
    bits.Put(mask, 14);
    for (int c = 1; c <= 14; ++c) {
      if (PackedColor(p, c)) bits.Put(PackedColor(p, c), 9);
    }
  }
  bits.Bytes.push_back(interleaved ? 0 : 1);  // the order of the screen bytes
  const TBytes packed = PackSPS(stream);
  TBytes file = SpHeader(packed.size(), bits.Bytes.size());
  Append(file, packed);
  Append(file, bits.Bytes);
  return file;
}

TBytes SpcPalettes() {
  TBytes out;
  for (int p = 0; p < kQoSpectrum512Palettes; ++p) {
    uint16_t mask = 0;
    for (int c = 0; c <= 14; ++c) mask |= PackedColor(p, c) ? 1u << c : 0;
    AppendBE16(out, mask);
    for (int c = 0; c <= 14; ++c) {
      if (PackedColor(p, c)) AppendBE16(out, Word9(PackedColor(p, c)));
    }
  }
  return out;
}

TBytes SpcFile() {
  const TBytes packed = PackSPC(LowScreen(199, false));
  const TBytes palettes = SpcPalettes();
  TBytes file = SpHeader(packed.size(), palettes.size());
  Append(file, packed);
  Append(file, palettes);
  return file;
}

// Runs the engines over a file cut short and with damaged bytes: each must decline or
// decode without touching memory outside its data (the sanitizer build watches).
void ExpectSafeOnDamage(const std::string& name, const TBytes& file) {
  std::vector<TBytes> variants;
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{13},
                          file.size() / 3, file.size() / 2, file.size() - 1}) {
    if (cut < file.size())
      variants.emplace_back(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
  }
  for (std::size_t at : {std::size_t{3}, std::size_t{4}, std::size_t{5}, std::size_t{8},
                         std::size_t{11}, std::size_t{15}, file.size() / 2, file.size() - 2}) {
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
      if (at >= file.size()) continue;
      TBytes damaged = file;
      damaged[at] = value;
      variants.push_back(std::move(damaged));
    }
  }
  for (const TBytes& variant : variants) {
    auto d = Detect(name, variant);
    for (int i = 0; d->Engines && i < d->Engines->Count(); ++i) {
      try {
        d->Engines->GetEngine(i)->Decode();
      } catch (const EQoError&) {
        // a clean failure
      }
    }
  }
}

}  // namespace

TEST(QoAtariSTMultiPaletteTest, PaletteIndexRules) {
  // Spectrum 512: colour 0 changes palette at columns 1 and 161, colour 1 at 5 and 165.
  EXPECT_EQ(0, Spectrum512PaletteIndex(0, 0));
  EXPECT_EQ(16, Spectrum512PaletteIndex(0, 1));
  EXPECT_EQ(16, Spectrum512PaletteIndex(0, 160));
  EXPECT_EQ(32, Spectrum512PaletteIndex(0, 161));
  EXPECT_EQ(1, Spectrum512PaletteIndex(1, 4));
  EXPECT_EQ(17, Spectrum512PaletteIndex(1, 5));
  EXPECT_EQ(17, Spectrum512PaletteIndex(1, 164));
  EXPECT_EQ(33, Spectrum512PaletteIndex(1, 165));
  EXPECT_EQ(15, Spectrum512PaletteIndex(15, 144));
  EXPECT_EQ(31, Spectrum512PaletteIndex(15, 145));
  EXPECT_EQ(47, Spectrum512PaletteIndex(15, 305));

  // PhotoChrome reaches into the next record: colour 0 at column 200 is entry 48.
  EXPECT_EQ(16, PhotoChromePaletteIndex(0, 0));  // colour 0 has no first stretch
  EXPECT_EQ(1, PhotoChromePaletteIndex(1, 3));
  EXPECT_EQ(17, PhotoChromePaletteIndex(1, 4));
  EXPECT_EQ(16, PhotoChromePaletteIndex(0, 75));
  EXPECT_EQ(32, PhotoChromePaletteIndex(0, 76));
  EXPECT_EQ(48, PhotoChromePaletteIndex(0, 200));
  EXPECT_EQ(13, PhotoChromePaletteIndex(13, 51));
  EXPECT_EQ(61, PhotoChromePaletteIndex(13, 319));
  EXPECT_EQ(14, PhotoChromePaletteIndex(14, 55));
  EXPECT_EQ(30, PhotoChromePaletteIndex(14, 147));
  EXPECT_EQ(46, PhotoChromePaletteIndex(14, 148));
  EXPECT_EQ(47, PhotoChromePaletteIndex(15, 319));
  int highest = 0;
  for (int c = 0; c < 16; ++c) {
    for (int x = 0; x < 320; ++x) highest = std::max(highest, PhotoChromePaletteIndex(c, x));
  }
  EXPECT_EQ(61, highest);

  // QuantumPaint: the second half from 76 + 10c - 6(c & 1), 88 + ... for c >= 8.
  EXPECT_EQ(0, QuantumPaletteIndex(0, 75));
  EXPECT_EQ(16, QuantumPaletteIndex(0, 76));
  EXPECT_EQ(1, QuantumPaletteIndex(1, 79));
  EXPECT_EQ(17, QuantumPaletteIndex(1, 80));
  EXPECT_EQ(8, QuantumPaletteIndex(8, 167));
  EXPECT_EQ(24, QuantumPaletteIndex(8, 168));

  // HighresMedium: 35 words a line, every colour changing each 80 columns.
  EXPECT_EQ(3, HighresMediumPaletteIndex(0, 0));
  EXPECT_EQ(3, HighresMediumPaletteIndex(0, 79));
  EXPECT_EQ(7, HighresMediumPaletteIndex(0, 80));
  EXPECT_EQ(0, HighresMediumPaletteIndex(1, 7));
  EXPECT_EQ(4, HighresMediumPaletteIndex(1, 8));
  EXPECT_EQ(1, HighresMediumPaletteIndex(2, 39));
  EXPECT_EQ(5, HighresMediumPaletteIndex(2, 40));
  EXPECT_EQ(6, HighresMediumPaletteIndex(3, 48));
  int low = 99, high = -1;
  for (int c = 0; c < 4; ++c) {
    for (int x = 0; x < 640; ++x) {
      low = std::min(low, HighresMediumPaletteIndex(c, x));
      high = std::max(high, HighresMediumPaletteIndex(c, x));
    }
  }
  EXPECT_EQ(0, low);
  EXPECT_EQ(34, high);
}

TEST(QoAtariSTMultiPaletteTest, PackedScreenStreams) {
  uint8_t out[16] = {};
  // SPS: 0 repeats 3 times, 129 copies two bytes.
  const TBytes sps = {0, 7, 129, 1, 2, 1, 9};
  ASSERT_EQ(9u, DecodeSPSBytes(TQoByteView(sps.data(), sps.size()), out, sizeof out));
  EXPECT_EQ((TBytes{7, 7, 7, 1, 2, 9, 9, 9, 9}), TBytes(out, out + 9));
  // SPC: 255 repeats 3 times, 1 copies two bytes.
  const TBytes spc = {255, 7, 1, 1, 2, 128, 4};
  ASSERT_EQ(16u, DecodeSPCBytes(TQoByteView(spc.data(), spc.size()), out, sizeof out));
  EXPECT_EQ((TBytes{7, 7, 7, 1, 2, 4, 4, 4}), TBytes(out, out + 8));
  // A stream that ends inside a copy stops there.
  const TBytes cut = {4, 1, 2};
  EXPECT_EQ(2u, DecodeSPCBytes(TQoByteView(cut.data(), cut.size()), out, sizeof out));
  EXPECT_EQ(0u, DecodeSPSBytes(TQoByteView(cut.data(), 1), out, sizeof out));
}

TEST(QoAtariSTMultiPaletteTest, PackedPaletteStreams) {
  // SPS: mask flags colours 1 and 14, 9-bit colours red 5 green 2 blue 3, then white.
  TBitWriter bits;
  bits.Put(0x2001, 14);
  bits.Put(0b101010011, 9);
  bits.Put(0x1FF, 9);
  TBytes words(kQoSpectrum512PaletteBytes);
  std::size_t used = 0;
  EXPECT_EQ(
      1, DecodeSPSPalettes(TQoByteView(bits.Bytes.data(), bits.Bytes.size()), words.data(), &used));
  EXPECT_EQ(4u, used);  // 32 bits
  EXPECT_EQ(0x05, words[2]);
  EXPECT_EQ(0x23, words[3]);
  EXPECT_EQ(0x07, words[28]);
  EXPECT_EQ(0x77, words[29]);
  EXPECT_EQ(0, words[30] | words[31] | words[0] | words[1]);

  // SPC: bit 0 flags colour 0; a word with a high nibble is marked invalid.
  const TBytes spc = {0x40, 0x01, 0x07, 0x00, 0x10, 0x01};
  TBytes out(kQoSpectrum512PaletteBytes);
  bool valid = true;
  EXPECT_EQ(1, DecodeSPCPalettes(TQoByteView(spc.data(), spc.size()), out.data(), &used, &valid));
  EXPECT_EQ(6u, used);
  EXPECT_FALSE(valid);
  EXPECT_EQ(0x07, out[0]);
  EXPECT_EQ(0x10, out[28]);
}

TEST(QoAtariSTMultiPaletteTest, Spectrum512SPUColoursByColumn) {
  const TBytes file = SpuFile();
  auto d = Detect("pic.spu", file);
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTSpectrum512SPUEngine");
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, engine.DetectFlags);
  EXPECT_EQ("Atari ST 320x199x4 Spectrum 512 image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  ASSERT_EQ(199, bmp->Height);
  const TBytes records(file.begin() + 32000, file.end());
  EXPECT_EQ(0, WrongSpectrumPixels(*bmp, records, Pix));
  // Pixel (1, 0) has colour 7: entry 7 until column 65, so record 0 word 7.
  EXPECT_EQ(Rgb(LineWord(0, 7)), PixelRgb(*bmp, 1, 0));
}

TEST(QoAtariSTMultiPaletteTest, Spectrum512LooksOnlyAtShownWords) {
  // All pixels colour 0: only entries 0, 16 and 32 of each record are shown.
  TBytes file = SpuFile([](int, int) { return 0; });
  PutBE16(file, 32000 + 2, 0x0F08);  // entry 1: never shown
  auto d = Detect("pic.spu", file);
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTSpectrum512SPUEngine");
  EXPECT_EQ(ptAtariST, engine.PaletteType);
  PutBE16(file, 32000 + 96 * 5 + 32, 0x0008);  // line 5, entry 16
  EXPECT_EQ(ptAtariSTE,
            Only(*Detect("pic.spu", file), "TQoAtariSTSpectrum512SPUEngine").PaletteType);
  PutBE16(file, 32000 + 96 * 5 + 64, 0x1000);  // a shown word with a high nibble
  EXPECT_EQ(nullptr, Detect("pic.spu", file)->Find("TQoAtariSTSpectrum512SPUEngine"));
}

TEST(QoAtariSTMultiPaletteTest, Spectrum512SPSBothScreenOrders) {
  const TBytes records = PackedRecords(15);
  for (bool interleaved : {true, false}) {
    SCOPED_TRACE(interleaved);
    auto d = Detect("pic.sps", SpsFile(interleaved));
    TQoSourceEngine& engine = Only(*d, "TQoAtariSTSpectrum512SPSEngine");
    EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine.DetectFlags);
    EXPECT_EQ("Atari ST 320x199x4 Spectrum 512 smooshed image", engine.GetDisplayName());
    auto bmp = engine.Decode();
    EXPECT_EQ(0, WrongSpectrumPixels(*bmp, records, Pix));
    EXPECT_EQ(0, WrongSpectrumPixels(*engine.Decode(), records, Pix));  // decoded again
  }
  // Two bytes after the palettes are too many.
  TBytes longer = SpsFile(true);
  longer.push_back(0);
  const uint32_t screenLength = static_cast<uint32_t>(longer[6] << 8 | longer[7]);
  PutBE32(longer, 8, static_cast<uint32_t>(longer.size() - 12 - screenLength));
  EXPECT_EQ(nullptr, Detect("pic.sps", longer)->Find("TQoAtariSTSpectrum512SPSEngine"));
}

TEST(QoAtariSTMultiPaletteTest, Spectrum512SPCPlanePlanar) {
  auto d = Detect("pic.spc", SpcFile());
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTSpectrum512SPCEngine");
  EXPECT_EQ("Atari ST 320x199x4 Spectrum 512 compressed image", engine.GetDisplayName());
  EXPECT_EQ(0, WrongSpectrumPixels(*engine.Decode(), PackedRecords(14), Pix));

  // A flagged word with a high nibble, or a palette stream with a word left over.
  TBytes file = SpcFile();
  const std::size_t palettes = file.size() - SpcPalettes().size();
  file[palettes + 2] |= 0x20;  // the first flagged word (mask at +0, colour 1 at +2)
  EXPECT_EQ(nullptr, Detect("pic.spc", file)->Find("TQoAtariSTSpectrum512SPCEngine"));
  TBytes longer = SpcFile();
  longer.push_back(0);
  longer.push_back(0);
  PutBE32(longer, 8, static_cast<uint32_t>(SpcPalettes().size() + 2));
  EXPECT_EQ(nullptr, Detect("pic.spc", longer)->Find("TQoAtariSTSpectrum512SPCEngine"));
}

namespace {

TBytes SpxFile(uint8_t version, bool packed, const TBytes& screen, const TBytes& palettes) {
  TBytes file = {'S', 'P', 'X', version, packed, packed, 1, 0, 0, 0};
  for (char c : std::string("Name")) file.push_back(static_cast<uint8_t>(c));
  file.push_back(0);
  for (char c : std::string("Title")) file.push_back(static_cast<uint8_t>(c));
  file.push_back(0);
  if (version == 2 && packed) {
    TBytes all = screen;
    Append(all, palettes);
    const TBytes block = QoPackSpx(all);
    AppendBE32(file, static_cast<uint32_t>(block.size()));
    AppendBE32(file, static_cast<uint32_t>(screen.size()));
    Append(file, block);
    return file;
  }
  const TBytes s = packed ? QoPackIce(screen, TQoIceFormat::Words) : screen;
  const TBytes p = packed ? QoPackIce(palettes, TQoIceFormat::Words) : palettes;
  AppendBE32(file, static_cast<uint32_t>(s.size()));
  AppendBE32(file, static_cast<uint32_t>(p.size()));
  Append(file, s);
  Append(file, p);
  return file;
}

}  // namespace

TEST(QoAtariSTMultiPaletteTest, Spectrum512SPXVersions) {
  const int lines = 7;
  TBytes screen(160, 0xAA);  // skipped
  Append(screen, LowScreen(lines, true));
  const TBytes records = SpectrumRecords(lines);
  for (bool packed : {false, true}) {
    SCOPED_TRACE(packed);
    auto d = Detect("pic.spx", SpxFile(1, packed, screen, records));
    TQoSourceEngine& engine = Only(*d, "TQoAtariSTSpectrum512SPXEngine");
    EXPECT_EQ("Atari ST 320x7x4 Spectrum 512 extended image", engine.GetDisplayName());
    EXPECT_EQ("Name", engine.InfoName);
    EXPECT_EQ("Title", engine.InfoTitle);
    EXPECT_EQ(0, WrongSpectrumPixels(*engine.Decode(), records, Pix));
  }
  // Version 2: one SPX block, two skipped lines; the shorter part sets the height.
  TBytes screen2(160, 0x55);
  Append(screen2, screen);
  TBytes more = SpectrumRecords(lines + 3);
  auto d = Detect("pic.spx", SpxFile(2, true, screen2, more));
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTSpectrum512SPXEngine");
  EXPECT_EQ(lines, engine.Height);
  EXPECT_EQ(0, WrongSpectrumPixels(*engine.Decode(), more, Pix));
  // Version 2 unpacked is laid out as version 1.
  EXPECT_EQ(lines, Only(*Detect("pic.spx", SpxFile(2, false, screen, records)),
                        "TQoAtariSTSpectrum512SPXEngine")
                       .Height);

  // Screen and palette lines must agree; texts must end.
  TBytes oneShort(records.begin(), records.end() - 96);
  EXPECT_EQ(nullptr, Detect("pic.spx", SpxFile(1, false, screen, oneShort))
                         ->Find("TQoAtariSTSpectrum512SPXEngine"));
  EXPECT_EQ(nullptr, Detect("pic.spx", TBytes{'S', 'P', 'X', 1, 0, 0, 1, 0, 0, 0, 'a', 'b'})
                         ->Find("TQoAtariSTSpectrum512SPXEngine"));
  ExpectSafeOnDamage("pic.spx", SpxFile(1, true, screen, records));
  ExpectSafeOnDamage("pic.spx", SpxFile(2, true, screen2, more));
}

namespace {

// A PhotoChrome section: copies of at most 128 items, a word-counted copy for one long
// stretch, repeats for runs; extra items are given after the required ones.
TBytes PhotoChromeSection(const TBytes& data, bool words, std::size_t extraItems) {
  const std::size_t item = words ? 2 : 1;
  TBytes body;
  uint16_t codes = 0;
  auto itemAt = [&](std::size_t i) {
    return TBytes(data.begin() + static_cast<std::ptrdiff_t>(i * item),
                  data.begin() + static_cast<std::ptrdiff_t>((i + 1) * item));
  };
  const std::size_t count = data.size() / item;
  std::size_t i = 0;
  while (i < count) {
    std::size_t run = 1;
    while (i + run < count && itemAt(i + run) == itemAt(i) && run < 1000) ++run;
    ++codes;
    if (run >= 2 && run <= 127) {
      body.push_back(static_cast<uint8_t>(run));
      Append(body, itemAt(i));
    } else if (run > 127) {
      body.push_back(0);
      AppendBE16(body, static_cast<uint16_t>(run));
      Append(body, itemAt(i));
    } else if (i % 3 == 0) {
      const std::size_t n = std::min<std::size_t>(300, count - i);
      body.push_back(1);
      AppendBE16(body, static_cast<uint16_t>(n));
      body.insert(body.end(), data.begin() + static_cast<std::ptrdiff_t>(i * item),
                  data.begin() + static_cast<std::ptrdiff_t>((i + n) * item));
      run = n;
    } else {
      body.push_back(255);  // one item
      Append(body, itemAt(i));
    }
    i += run;
  }
  if (extraItems) {
    ++codes;
    body.push_back(static_cast<uint8_t>(256 - extraItems));
    body.insert(body.end(), extraItems * item, 0xEE);
  }
  TBytes section;
  AppendBE16(section, codes);
  Append(section, body);
  return section;
}

TBytes PhotoChromePalette(unsigned seed) {
  TBytes words(2 * 9616);
  for (std::size_t n = 0; n < 9616; ++n)
    PutBE16(words, 2 * n, Word9(static_cast<unsigned>(n * 13 + seed)));
  return words;
}

TBytes PhotoChromeScreen(int (*value)(int, int)) {
  TBytes screen(32000);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) PlotPlanar(screen, 0, 200, x, y, value(x, y));
  }
  return screen;
}

uint16_t WordOf(const TBytes& words, std::size_t n) {
  return static_cast<uint16_t>(words[2 * n] << 8 | words[2 * n + 1]);
}

}  // namespace

TEST(QoAtariSTMultiPaletteTest, PhotoChromeSingleScreen) {
  TBytes file = {0x01, 0x40, 0x00, 0xC8, 0, 0};
  const TBytes screen = PhotoChromeScreen(Pix);
  const TBytes palette = PhotoChromePalette(0);
  Append(file, PhotoChromeSection(screen, false, 5));
  Append(file, PhotoChromeSection(palette, true, 0));
  auto d = Detect("pic.pcs", file);
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTPhotoChromeEngine");
  EXPECT_EQ("Atari ST 320x199x4 PhotoChrome image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  int wrong = 0;
  for (int y = 0; y < 199; ++y) {
    for (int x = 0; x < 320; ++x) {
      const std::size_t n =
          static_cast<std::size_t>(y) * 48 + PhotoChromePaletteIndex(Pix(x, y + 1), x);
      wrong += PixelRgb(*bmp, x, y) != Rgb(WordOf(palette, n));
    }
  }
  EXPECT_EQ(0, wrong);

  // The palette section must give 9552 words.
  TBytes shortFile = {0x01, 0x40, 0x00, 0xC8, 0, 0};
  Append(shortFile, PhotoChromeSection(screen, false, 0));
  Append(shortFile,
         PhotoChromeSection(TBytes(palette.begin(), palette.begin() + 2 * 9551), true, 0));
  EXPECT_EQ(nullptr, Detect("pic.pcs", shortFile)->Find("TQoAtariSTPhotoChromeEngine"));
  ExpectSafeOnDamage("pic.pcs", file);
}

TEST(QoAtariSTMultiPaletteTest, PhotoChromeSecondScreenXor) {
  const TBytes screenA = PhotoChromeScreen(Pix);
  const TBytes screenB = PhotoChromeScreen([](int x, int y) { return (x + y) & 15; });
  const TBytes paletteA = PhotoChromePalette(0), paletteB = PhotoChromePalette(200);
  auto xored = [](const TBytes& a, const TBytes& b) {
    TBytes out = a;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] ^= b[i];
    return out;
  };
  // Bit 0 set: screen stored as it is; bit 1 clear: palettes stored as differences.
  for (uint8_t flags : {uint8_t{0x80}, uint8_t{0x01}, uint8_t{0x02}, uint8_t{0x03}}) {
    SCOPED_TRACE(int{flags});
    TBytes file = {0x01, 0x40, 0x00, 0xC8, flags, 0};
    Append(file, PhotoChromeSection(screenA, false, 0));
    Append(file, PhotoChromeSection(paletteA, true, 3));
    Append(file, PhotoChromeSection((flags & 1) ? screenB : xored(screenB, screenA), false, 0));
    Append(file, PhotoChromeSection((flags & 2) ? paletteB : xored(paletteB, paletteA), true, 0));
    auto d = Detect("pic.pcs", file);
    TQoSourceEngine& engine = Only(*d, "TQoAtariSTPhotoChromeEngine");
    EXPECT_EQ(2, engine.FrameCount);
    auto bmp = engine.Decode();
    ASSERT_EQ(2, bmp->FrameCount());
    int wrong = 0;
    for (int y = 0; y < 199; y += 7) {
      for (int x = 0; x < 320; ++x) {
        const uint16_t a = WordOf(paletteA, y * 48u + PhotoChromePaletteIndex(Pix(x, y + 1), x));
        const uint16_t b = WordOf(paletteB, y * 48u + PhotoChromePaletteIndex((x + y + 1) & 15, x));
        wrong += PixelRgb(*bmp->Frames->GetBitmap(0), x, y) != Rgb(a);
        wrong += PixelRgb(*bmp->Frames->GetBitmap(1), x, y) != Rgb(b);
        wrong += PixelRgb(*bmp, x, y) != QoAverageLinear(DecodeSTLinearColor(a, ptAtariST),
                                                         DecodeSTLinearColor(b, ptAtariST));
      }
    }
    EXPECT_EQ(0, wrong);
  }
}

namespace {

// The ST colour that colour number n of the MPP tests is (9 bits).
uint32_t StLevels(unsigned v) {
  static const uint8_t kLevels[] = {0, 36, 73, 109, 146, 182, 219, 255};
  return static_cast<uint32_t>(kLevels[(v >> 6) & 7]) << 16 | kLevels[(v >> 3) & 7] << 8 |
         kLevels[v & 7];
}

TBytes MppFile(uint8_t mode, bool pair, const TBytes& extra, unsigned seed2 = 300) {
  const auto g = TQoAtariSTMultiPalettePicture::Geometry(mode);
  TBytes file = {'M', 'P', 'P', mode, static_cast<uint8_t>(pair ? 4 : 0), 0, 0, 0};
  AppendBE32(file, static_cast<uint32_t>(extra.size()));
  Append(file, extra);
  for (int s = 0; s < (pair ? 2 : 1); ++s) {
    TBitWriter bits;
    const std::size_t colours = static_cast<std::size_t>(g.Height) * g.ColorsPerLine;
    for (std::size_t n = 0; n < colours; ++n)
      bits.Put((static_cast<unsigned>(n) + (s ? seed2 : 0)) % 512, 9);
    bits.Bytes.resize(g.PaletteBytes(0));
    Append(file, bits.Bytes);
    // Colour 0 everywhere but in a few pixels of the first line.
    TBytes screen(g.ScreenBytes());
    const std::size_t lineBytes = static_cast<std::size_t>(g.Width) / 2;
    PlotInterleaved(screen, 0, lineBytes, 4, 0, 0, 3);
    PlotInterleaved(screen, 0, lineBytes, 4, 256, 0, 1);
    PlotInterleaved(screen, 0, lineBytes, 4, 257, 0, 1);
    PlotInterleaved(screen, 0, lineBytes, 4, 272, 0, 5);
    PlotInterleaved(screen, 0, lineBytes, 4, 273, 0, 5);
    PlotInterleaved(screen, 0, lineBytes, 4, 0, 1, 6);
    Append(file, screen);
  }
  return file;
}

}  // namespace

TEST(QoAtariSTMultiPaletteTest, MultiPaletteChangeColumns) {
  auto d = Detect("pic.mpp", MppFile(0, false, {}));
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTMultiPalettePicture");
  EXPECT_EQ(kQoDetectSize | kQoDetectSignature | kQoDetectExtension, engine.DetectFlags);
  EXPECT_EQ("Atari ST 320x199x4 Multi Palette image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  // Registers 1..15 take colours 0..14 at the line start; changes at 33, 37, ..., 93
  // load registers 0..15, at 181, ..., 241 again, at 253 register 0 turns black and
  // 257..273 load registers 1..5: 52 colours a line.
  EXPECT_EQ(StLevels(2), bmp->GetPixel(0, 0));
  EXPECT_EQ(0u, bmp->GetPixel(32, 0));
  EXPECT_EQ(StLevels(15), bmp->GetPixel(33, 0));
  EXPECT_EQ(StLevels(31), bmp->GetPixel(252, 0));
  EXPECT_EQ(0u, bmp->GetPixel(253, 0));
  EXPECT_EQ(StLevels(32), bmp->GetPixel(256, 0));
  EXPECT_EQ(StLevels(47), bmp->GetPixel(257, 0));
  EXPECT_EQ(StLevels(36), bmp->GetPixel(272, 0));
  EXPECT_EQ(StLevels(51), bmp->GetPixel(273, 0));
  EXPECT_EQ(StLevels(52 + 5), bmp->GetPixel(0, 1));  // register 6 of line 1

  // Mode 3: 416 x 273, registers 6..15 at the start, 38 changes, no black change.
  auto d3 = Detect("pic.mpp", MppFile(3, false, {}));
  TQoSourceEngine& wide = Only(*d3, "TQoAtariSTMultiPalettePicture");
  EXPECT_EQ("Atari ST 416x273x4 Multi Palette image", wide.GetDisplayName());
  auto bmp3 = wide.Decode();
  EXPECT_EQ(StLevels(48), bmp3->GetPixel(0, 1));
  EXPECT_EQ(0u, bmp3->GetPixel(0, 0));  // register 3 is never loaded in this mode
  ExpectSafeOnDamage("pic.mpp", MppFile(1, false, {}));
}

TEST(QoAtariSTMultiPaletteTest, MultiPalettePairAndExtraHeader) {
  TBytes extra = {'M', 'P', 'P', 'H'};
  for (const char* item : {"TITL", "Sunset", "ABCD", "x", "RIPP", "", "HPPM", "YEAR", "1990"}) {
    const std::string s(item);
    extra.insert(extra.end(), s.begin(), s.end());
    if (s.size() != 4 || s == "x") extra.push_back(0);
  }
  // "TITL" "Sunset\0" "ABCD" "x\0" "RIPP" "\0" ... the empty text of RIPP adds no line.
  auto d = Detect("pic.mpp", MppFile(2, true, extra));
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTMultiPalettePicture");
  EXPECT_EQ("Title: Sunset\r\nABCD: x", engine.InfoTitle);
  EXPECT_EQ("Atari ST 320x199x4@2 Multi Palette image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  ASSERT_EQ(2, bmp->FrameCount());
  // Mode 2: the change at column 4 loads register 0 of both screens.
  TQoColor a, b;
  a.SetRGBQuad(StLevels(15));
  b.SetRGBQuad(StLevels(15 + 300));
  EXPECT_EQ(StLevels(15), bmp->Frames->GetBitmap(0)->GetPixel(4, 0));
  EXPECT_EQ(StLevels(315), bmp->Frames->GetBitmap(1)->GetPixel(4, 0));
  EXPECT_EQ(QoAverageLinear(a.GetLinRGB(), b.GetLinRGB()), bmp->GetPixel(4, 0));

  // The size must match the mode exactly.
  TBytes file = MppFile(2, true, extra);
  file.pop_back();
  EXPECT_EQ(nullptr, Detect("pic.mpp", file)->Find("TQoAtariSTMultiPalettePicture"));
}

TEST(QoAtariSTMultiPaletteTest, MultiPaletteColourModes) {
  // STE nibbles keep the fourth bit on top; 15-bit colours add a fifth bit per gun.
  const TBytes ste = {0x81, 0xF0};  // red 8 (level 1), green 1 (level 2), blue 15
  TQoMultiPaletteBitReader reader(TQoByteView(ste.data(), ste.size()), 1);
  TQoLinRGBColor c;
  ASSERT_TRUE(reader.ReadColor(c));
  EXPECT_EQ(0x112200u | 0xFF, QoLinearToRGBQuad(c));
  EXPECT_FALSE(reader.ReadColor(c));

  // w: red bits 10..8 = 100, bit 11 = 0, bit 14 = 1 -> 10001 = 17; green and blue 0.
  const uint16_t w = 0b100'0100'0000'0000;
  const TBytes fifteen = {static_cast<uint8_t>(w >> 7), static_cast<uint8_t>(w << 1)};
  TQoMultiPaletteBitReader reader3(TQoByteView(fifteen.data(), fifteen.size()), 3);
  ASSERT_TRUE(reader3.ReadColor(c));
  EXPECT_EQ(static_cast<uint32_t>(std::lround(17 * 255.0 / 31)) << 16, QoLinearToRGBQuad(c));
}

namespace {

TBytes QuantumRaster(
    const std::vector<std::tuple<int, int, int>>& records /* slot, start, active */) {
  TBytes file(128 + 384 + 32000);
  for (const auto& [slot, start, active] : records) {
    const std::size_t at = 128 + 48 * static_cast<std::size_t>(slot);
    for (int c = 0; c < 16; ++c)
      PutBE16(file, at + 2 * c, Word9(static_cast<unsigned>(slot * 40 + c + 1)));
    PutBE16(file, at + 32, static_cast<uint16_t>(start));
    PutBE16(file, at + 34, static_cast<uint16_t>(active));
  }
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) PlotInterleaved(file, 512, 160, 4, x, y, 1);
  }
  return file;
}

// The same file packed: PackBits literals, the screen in word columns.
TBytes QuantumPacked(const TBytes& plain, std::size_t paletteBytes) {
  TBytes stream(plain.begin() + 128,
                plain.begin() + 128 + static_cast<std::ptrdiff_t>(paletteBytes));
  const std::size_t screen = 128 + paletteBytes;
  for (std::size_t k = 0; k < 4; ++k) {
    for (std::size_t g = 0; g < 20; ++g) {
      for (std::size_t y = 0; y < 200; ++y) {
        stream.push_back(plain[screen + y * 160 + g * 8 + 2 * k]);
        stream.push_back(plain[screen + y * 160 + g * 8 + 2 * k + 1]);
      }
    }
  }
  TBytes file(plain.begin(), plain.begin() + 128);
  PutBE16(file, 4, 0x8001);
  for (std::size_t i = 0; i < stream.size(); i += 128) {
    const std::size_t n = std::min<std::size_t>(128, stream.size() - i);
    file.push_back(static_cast<uint8_t>(n - 1));
    file.insert(file.end(), stream.begin() + static_cast<std::ptrdiff_t>(i),
                stream.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  return file;
}

}  // namespace

TEST(QoAtariSTMultiPaletteTest, QuantumPaintRasterRecords) {
  // Record 3 from line 50; record 4 from line 50 too (the first one wins); record 5 from
  // line 20 but not active.
  const TBytes plain = QuantumRaster({{0, 0, 1}, {3, 50, 1}, {4, 50, 1}, {5, 20, 0}});
  for (const TBytes& file : {plain, QuantumPacked(plain, 384)}) {
    auto d = Detect("pic.pbx", file);
    TQoSourceEngine& engine = Only(*d, "TQoAtariSTQuantumPaintEngine");
    EXPECT_EQ("Atari ST 320x200x4 QuantumPaint image", engine.GetDisplayName());
    auto bmp = engine.Decode();
    EXPECT_EQ(Rgb(Word9(2)), PixelRgb(*bmp, 10, 49));
    EXPECT_EQ(Rgb(Word9(122)), PixelRgb(*bmp, 10, 50));
    EXPECT_EQ(Rgb(Word9(122)), PixelRgb(*bmp, 10, 199));
  }
  // Record 0 must start at line 0 and be active; the word at +44 must be zero.
  EXPECT_EQ(nullptr,
            Detect("pic.pbx", QuantumRaster({{0, 1, 1}}))->Find("TQoAtariSTQuantumPaintEngine"));
  EXPECT_EQ(nullptr,
            Detect("pic.pbx", QuantumRaster({{0, 0, 0}}))->Find("TQoAtariSTQuantumPaintEngine"));
  TBytes stray = plain;
  stray[128 + 48 * 6 + 45] = 1;
  EXPECT_EQ(nullptr, Detect("pic.pbx", stray)->Find("TQoAtariSTQuantumPaintEngine"));
  // A packed stream must end with the screen.
  TBytes longer = QuantumPacked(plain, 384);
  longer.push_back(0);
  longer.push_back(0);
  EXPECT_EQ(nullptr, Detect("pic.pbx", longer)->Find("TQoAtariSTQuantumPaintEngine"));
  ExpectSafeOnDamage("pic.pbx", QuantumPacked(plain, 384));
}

TEST(QoAtariSTMultiPaletteTest, QuantumPaintPaletteSets) {
  for (uint8_t mode : {uint8_t{0x80}, uint8_t{0x81}}) {
    SCOPED_TRACE(int{mode});
    const std::size_t words = mode == 0x81 ? 12800 : 6400;
    TBytes file(128 + 2 * words + 32000);
    file[3] = mode;
    for (std::size_t n = 0; n < words; ++n)
      PutBE16(file, 128 + 2 * n, Word9(static_cast<unsigned>(n % 64 + 1 + (n >= 6400 ? 100 : 0))));
    const std::size_t screen = 128 + 2 * words;
    for (int y = 0; y < 200; ++y) {
      for (int x = 0; x < 320; ++x) PlotInterleaved(file, screen, 160, 4, x, y, 0);
    }
    auto word = [&](std::size_t set, int y, int entry) {
      const std::size_t at = 128 + set * 12800 + static_cast<std::size_t>(y) * 64 + 2 * entry;
      return static_cast<uint16_t>(file[at] << 8 | file[at + 1]);
    };
    for (const TBytes& variant : {file, QuantumPacked(file, 2 * words)}) {
      auto d = Detect("pic.pbx", variant);
      TQoSourceEngine& engine = Only(*d, "TQoAtariSTQuantumPaintEngine");
      auto bmp = engine.Decode();
      if (mode == 0x80) {
        EXPECT_EQ(8, bmp->BitsPerPixel);  // 64 colours
        EXPECT_EQ(Rgb(word(0, 3, 0)), PixelRgb(*bmp, 75, 3));
        EXPECT_EQ(Rgb(word(0, 3, 16)), PixelRgb(*bmp, 76, 3));
      } else {
        ASSERT_EQ(2, bmp->FrameCount());
        EXPECT_EQ(Rgb(word(0, 3, 16)), PixelRgb(*bmp->Frames->GetBitmap(0), 76, 3));
        EXPECT_EQ(Rgb(word(1, 3, 16)), PixelRgb(*bmp->Frames->GetBitmap(1), 76, 3));
        EXPECT_EQ(QoAverageLinear(DecodeSTLinearColor(word(0, 3, 0), ptAtariST),
                                  DecodeSTLinearColor(word(1, 3, 0), ptAtariST)),
                  bmp->GetPixel(0, 3));
      }
    }
  }
}

TEST(QoAtariSTMultiPaletteTest, HighresMediumPairOfLines) {
  TBytes file(92000);
  for (int line = 0; line < 400; ++line) {
    for (int x = 0; x < 640; ++x) PlotInterleaved(file, 0, 160, 2, x, line, line % 2 ? 3 : 0);
  }
  for (std::size_t n = 0; n < 14000; ++n)
    PutBE16(file, 64000 + 2 * n, Word9(static_cast<unsigned>(n * 7 + 1)));
  auto word = [&](std::size_t n) {
    return static_cast<uint16_t>(file[64000 + 2 * n] << 8 | file[64001 + 2 * n]);
  };
  auto d = Detect("pic.hrm", file);
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTHighresMediumEngine");
  EXPECT_EQ("Atari ST 640x200x2@2 HighresMedium image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  ASSERT_EQ(2, bmp->FrameCount());
  // Line 5: even line colour 0 -> word 3 (x < 80), 7 from x = 80; odd line colour 3 ->
  // word 35 + 2, 35 + 6 from x = 48.
  EXPECT_EQ(Rgb(word(5 * 70 + 3)), bmp->Frames->GetBitmap(0)->GetPixel(79, 5));
  EXPECT_EQ(Rgb(word(5 * 70 + 7)), bmp->Frames->GetBitmap(0)->GetPixel(80, 5));
  EXPECT_EQ(Rgb(word(5 * 70 + 37)), bmp->Frames->GetBitmap(1)->GetPixel(47, 5));
  EXPECT_EQ(Rgb(word(5 * 70 + 41)), bmp->Frames->GetBitmap(1)->GetPixel(48, 5));
  EXPECT_EQ(QoAverageLinear(DecodeSTLinearColor(word(5 * 70 + 3), ptAtariST),
                            DecodeSTLinearColor(word(5 * 70 + 41), ptAtariST)),
            bmp->GetPixel(48, 5));
  PutBE16(file, 64000 + 2 * 13999, 0x1000);
  EXPECT_EQ(nullptr, Detect("pic.hrm", file)->Find("TQoAtariSTHighresMediumEngine"));
}

TEST(QoAtariSTMultiPaletteTest, GFAArtistThousandColours) {
  TBytes file(34360);
  PutBE16(file, 0, 4);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) PlotInterleaved(file, 4, 160, 4, x, y, 2);
  }
  for (std::size_t n = 0; n < 1120; ++n)
    PutBE16(file, 32004 + 2 * n, Word9(static_cast<unsigned>(n * 5 + 1)));
  auto word = [&](std::size_t n) {
    return static_cast<uint16_t>(file[32004 + 2 * n] << 8 | file[32005 + 2 * n]);
  };
  auto d = Detect("pic.art", file);
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTGFAArtistEngine");
  ASSERT_EQ(2, engine.GetPaletteVariantCount());
  EXPECT_EQ("1000-Colors ON", engine.PaletteVariant);
  auto on = engine.Decode();
  // Line palette (y + 5) div 3 sits at word 16 + 16 * that.
  EXPECT_EQ(Rgb(word(16 + 16 * 1 + 2)), PixelRgb(*on, 0, 0));
  EXPECT_EQ(Rgb(word(16 + 16 * 2 + 2)), PixelRgb(*on, 0, 1));
  EXPECT_EQ(Rgb(word(16 + 16 * 68 + 2)), PixelRgb(*on, 0, 199));
  engine.PaletteVariant = engine.GetPaletteVariant(0);
  auto off = engine.Decode();
  EXPECT_EQ(Rgb(word(2)), PixelRgb(*off, 0, 0));
  EXPECT_EQ(Rgb(word(2)), PixelRgb(*off, 0, 199));
  file[1] = 5;
  EXPECT_EQ(nullptr, Detect("pic.art", file)->Find("TQoAtariSTGFAArtistEngine"));
}

TEST(QoAtariSTMultiPaletteTest, PaletteMasterTwoLinesAPalette) {
  TBytes file(36864);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) PlotInterleaved(file, 0, 160, 4, x, y, 9);
  }
  for (std::size_t n = 0; n < 1600; ++n)
    PutBE16(file, 32768 + 2 * n, Word9(static_cast<unsigned>(n * 3 + 2)));
  PutBE16(file, 35968, 0xFFFF);
  auto word = [&](std::size_t n) {
    return static_cast<uint16_t>(file[32768 + 2 * n] << 8 | file[32769 + 2 * n]);
  };
  auto d = Detect("pic.art", file);
  TQoSourceEngine& engine = Only(*d, "TQoAtariSTPaletteMasterEngine");
  EXPECT_EQ("Atari ST 320x200x4 PaletteMaster image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  EXPECT_EQ(Rgb(word(9)), PixelRgb(*bmp, 5, 1));
  EXPECT_EQ(Rgb(word(16 + 9)), PixelRgb(*bmp, 5, 2));
  EXPECT_EQ(Rgb(word(99 * 16 + 9)), PixelRgb(*bmp, 5, 199));
  PutBE16(file, 35968, 0xFFFE);
  EXPECT_EQ(nullptr, Detect("pic.art", file)->Find("TQoAtariSTPaletteMasterEngine"));
}

TEST(QoAtariSTMultiPaletteTest, DamagedSpectrumFilesAreSafe) {
  ExpectSafeOnDamage("pic.sps", SpsFile(true));
  ExpectSafeOnDamage("pic.spc", SpcFile());
  ExpectSafeOnDamage("pic.spu", SpuFile());
}
