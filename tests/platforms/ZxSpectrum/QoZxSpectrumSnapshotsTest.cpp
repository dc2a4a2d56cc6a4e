#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <map>

#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrum.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumSnapshots.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoTestHash.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry SnapshotRegistry() {
  TQoEngineRegistry registry;
  RegisterZxSpectrumSnapshotEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(SnapshotRegistry(), name, std::move(bytes));
}

// A screen with something on it: every pixel byte and attribute its own.
TBytes Screen(uint8_t seed = 1) {
  TBytes screen(6912);
  for (std::size_t i = 0; i < screen.size(); ++i) screen[i] = static_cast<uint8_t>(i * 7 + seed);
  return screen;
}

// The hash of the screen shown by the plain colour-screen engine.
uint64_t ScreenHash(const TBytes& screen) {
  TQoMemoryLoadSource source("screen.scr", screen.data(), static_cast<int32_t>(screen.size()),
                             false);
  TQoZxSpectrumColorEngine engine(source);
  return QoHashBitmap(*engine.Decode());
}

void PutLE16(TBytes& bytes, std::size_t at, uint16_t v) {
  bytes.at(at) = static_cast<uint8_t>(v);
  bytes.at(at + 1) = static_cast<uint8_t>(v >> 8);
}

void AppendLE16(TBytes& bytes, uint16_t v) {
  bytes.push_back(static_cast<uint8_t>(v));
  bytes.push_back(static_cast<uint8_t>(v >> 8));
}

void AppendLE32(TBytes& bytes, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Append(TBytes& bytes, const TBytes& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

void AppendText(TBytes& bytes, const std::string& text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}

// A tape block: length, flag, data, XOR checksum.
void AppendTapeBlock(TBytes& tape, uint8_t flag, const TBytes& data, bool badSum = false) {
  AppendLE16(tape, static_cast<uint16_t>(data.size() + 2));
  uint8_t sum = flag;
  for (uint8_t b : data) sum ^= b;
  tape.push_back(flag);
  Append(tape, data);
  tape.push_back(badSum ? static_cast<uint8_t>(sum ^ 1) : sum);
}

TBytes Deflate(const TBytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  TBytes out(size);
  EXPECT_EQ(Z_OK, compress(out.data(), &size, data.data(), static_cast<uLong>(data.size())));
  out.resize(size);
  return out;
}

// The Z80 code for a block: every run of 0xED pairs and long runs as ED ED n v.
TBytes PackZ80(const TBytes& data) {
  TBytes out;
  for (std::size_t i = 0; i < data.size();) {
    std::size_t run = 1;
    while (i + run < data.size() && data[i + run] == data[i] && run < 255) ++run;
    if (run >= 5 || (data[i] == 0xED && run >= 2)) {
      out.insert(out.end(), {0xED, 0xED, static_cast<uint8_t>(run), data[i]});
      i += run;
    } else if (data[i] == 0xED) {
      // A single ED is followed by a byte that is then stored plainly.
      out.push_back(0xED);
      ++i;
      if (i < data.size()) out.push_back(data[i++]);
    } else {
      out.push_back(data[i++]);
    }
  }
  return out;
}

// A 16 KiB page whose start is the screen.
TBytes Page(const TBytes& screen) {
  TBytes page(16384, 0x5A);
  std::copy(screen.begin(), screen.end(), page.begin());
  return page;
}

}  // namespace

TEST(QoZxSpectrumSnapshotsTest, RegistersTheModuleInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoZxSpectrumTAPEngine", "TQoZxSpectrumTZXEngine",
                                      "TQoZxSpectrumSZXEngine", "TQoZxSpectrumRZXEngine",
                                      "TQoZxSpectrumSPEngine", "TQoZxSpectrumSNAEngine",
                                      "TQoZxSpectrumZ80Engine"}),
            QoClassNames(SnapshotRegistry()));
}

TEST(QoZxSpectrumSnapshotsTest, TapesShowTheirFirstScreenBlock) {
  TBytes tape;
  AppendTapeBlock(tape, 0, TBytes(17, 3));     // a header
  AppendTapeBlock(tape, 255, TBytes(300, 9));  // a program: no screen
  AppendTapeBlock(tape, 255, Screen());        // the screen
  AppendTapeBlock(tape, 255, Screen(5));       // later data is never reached
  auto d = Detect("game.tap", tape);
  ASSERT_NE(nullptr, d->First());
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ("TQoZxSpectrumTAPEngine", engine.EngineClass);
  EXPECT_EQ("ZX Spectrum 256x192x4 image", engine.GetDisplayName());
  EXPECT_EQ(".tap", engine.DefaultExtension);
  EXPECT_EQ(ScreenHash(Screen()), QoHashBitmap(*engine.Decode()));
  EXPECT_EQ(0, Detect("game.dat", tape)->Engines->Count());

  // A bad checksum before the screen ends the scan; a monochrome block is shown as such.
  TBytes broken;
  AppendTapeBlock(broken, 255, TBytes(10, 1), true);
  AppendTapeBlock(broken, 255, Screen());
  EXPECT_EQ(0, Detect("game.tap", broken)->Engines->Count());
  TBytes mono;
  AppendTapeBlock(mono, 255, TBytes(6144, 0xAA));
  EXPECT_EQ(1, Detect("game.tap", mono)->First()->ColorDepth);
}

TEST(QoZxSpectrumSnapshotsTest, TzxSkipsOtherBlocks) {
  TBytes tzx;
  AppendText(tzx, "ZXTape!");
  tzx.insert(tzx.end(), {0x1A, 1, 20});
  tzx.insert(tzx.end(), {0x30, 3, 'a', 'b', 'c'});  // text description
  tzx.insert(tzx.end(), {0x12, 0, 0, 0, 0});        // pure tone
  tzx.insert(tzx.end(), {0x10, 0, 0});              // standard data: the screen
  AppendLE16(tzx, 6914);
  tzx.push_back(255);
  Append(tzx, Screen(3));
  tzx.push_back(0);
  auto d = Detect("game.tzx", tzx);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ(ScreenHash(Screen(3)), QoHashBitmap(*d->First()->Decode()));
  tzx[10 + 5] = 0x7F;  // an unknown block before the screen
  EXPECT_EQ(0, Detect("game.tzx", tzx)->Engines->Count());
}

TEST(QoZxSpectrumSnapshotsTest, SzxPagesPlainPackedAndShadow) {
  auto szx = [](uint8_t spcrFlags, uint8_t page, bool packed, const TBytes& content) {
    TBytes f;
    AppendText(f, "ZXST");
    f.insert(f.end(), {1, 4, 2, 0});
    AppendText(f, "SPCR");
    AppendLE32(f, 8);
    f.insert(f.end(), {0, spcrFlags, 0, 0, 0, 0, 0, 0});
    const TBytes data = packed ? Deflate(content) : content;
    AppendText(f, "RAMP");
    AppendLE32(f, static_cast<uint32_t>(data.size() + 3));
    AppendLE16(f, packed ? 1 : 0);
    f.push_back(page);
    Append(f, data);
    return f;
  };
  EXPECT_EQ(ScreenHash(Screen(2)),
            QoHashBitmap(*Detect("a.szx", szx(0, 5, false, Page(Screen(2))))->First()->Decode()));
  EXPECT_EQ(ScreenHash(Screen(4)),
            QoHashBitmap(*Detect("a.szx", szx(0, 5, true, Page(Screen(4))))->First()->Decode()));
  // The shadow screen selected: page 5 is not the one; page 7 is.
  EXPECT_EQ(0, Detect("a.szx", szx(0x08, 5, false, Page(Screen())))->Engines->Count());
  EXPECT_NE(nullptr, Detect("a.szx", szx(0x08, 7, false, Page(Screen())))->First());
  // A page that inflates to less than a screen, and a corrupt stream, are refused.
  EXPECT_EQ(0, Detect("a.szx", szx(0, 5, true, TBytes(6911, 1)))->Engines->Count());
  TBytes corrupt = szx(0, 5, true, Page(Screen()));
  corrupt[corrupt.size() - 3] ^= 0xFF;
  EXPECT_EQ(0, Detect("a.szx", corrupt)->Engines->Count());
}

TEST(QoZxSpectrumSnapshotsTest, Z80VersionsAndPages) {
  // Version 1, compressed.
  TBytes v1(30, 0);
  PutLE16(v1, 6, 0x8000);
  v1[12] = 0x20;
  TBytes memory = Page(Screen(6));
  memory.resize(49152, 0);
  Append(v1, PackZ80(memory));
  auto d = Detect("game.z80", v1);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(ScreenHash(Screen(6)), QoHashBitmap(*d->First()->Decode()));
  EXPECT_EQ(0, Detect("game.bin", v1)->Engines->Count());

  // Version 3 (extra header of 54 bytes), 48K: page 8 stored raw (length 0xFFFF).
  auto v3 = [](uint8_t hardware, uint8_t port7ffd,
               const std::vector<std::pair<uint8_t, TBytes>>& pages, bool raw) {
    TBytes f(30, 0);
    AppendLE16(f, 54);
    TBytes extra(54, 0);
    extra[2] = hardware;
    extra[3] = port7ffd;
    Append(f, extra);
    for (const auto& [page, data] : pages) {
      const TBytes stored = raw ? data : PackZ80(data);
      AppendLE16(f, raw ? 0xFFFF : static_cast<uint16_t>(stored.size()));
      f.push_back(page);
      Append(f, stored);
    }
    return f;
  };
  EXPECT_EQ(
      ScreenHash(Screen(7)),
      QoHashBitmap(*Detect("a.z80", v3(0, 0, {{4, Page(Screen())}, {8, Page(Screen(7))}}, true))
                        ->First()
                        ->Decode()));
  // A 128K machine (hardware 4) with the shadow screen selected shows page 10 (bank 7).
  EXPECT_EQ(ScreenHash(Screen(9)),
            QoHashBitmap(
                *Detect("a.z80", v3(4, 0x08, {{8, Page(Screen())}, {10, Page(Screen(9))}}, false))
                     ->First()
                     ->Decode()));
  // A packed page that ends before the screen is out is refused.
  TBytes cut = v3(0, 0, {{8, Page(Screen())}}, false);
  PutLE16(cut, 30 + 2 + 54, 100);
  cut.resize(30 + 2 + 54 + 3 + 100);
  EXPECT_EQ(0, Detect("a.z80", cut)->Engines->Count());
}

TEST(QoZxSpectrumSnapshotsTest, Z80RunLengthCode) {
  uint8_t out[6] = {};
  const TBytes code = {0xED, 0xED, 3, 0x41, 0xED, 0x01, 0x07};
  ASSERT_TRUE(QoUnpackZ80Block(TQoByteView(code.data(), code.size()), out, 6));
  EXPECT_EQ((TBytes{0x41, 0x41, 0x41, 0xED, 0x01, 0x07}), TBytes(out, out + 6));
  EXPECT_FALSE(QoUnpackZ80Block(TQoByteView(code.data(), 3), out, 6));
}

TEST(QoZxSpectrumSnapshotsTest, SnaSpAndRzx) {
  TBytes sna(27, 0);
  Append(sna, Page(Screen(8)));
  sna.resize(49179, 0);
  auto d = Detect("game.sna", sna);
  ASSERT_NE(nullptr, d->First());
  EXPECT_EQ(ScreenHash(Screen(8)), QoHashBitmap(*d->First()->Decode()));
  TBytes longer = sna;
  longer.push_back(0);
  EXPECT_EQ(0, Detect("game.sna", longer)->Engines->Count());

  TBytes sp = {'S', 'P', 0x00, 0x40, 0x00, 0x40};
  sp.resize(38, 0);
  Append(sp, Page(Screen(10)));
  EXPECT_EQ(ScreenHash(Screen(10)), QoHashBitmap(*Detect("x.sp", sp)->First()->Decode()));
  sp.pop_back();
  EXPECT_EQ(0, Detect("x.sp", sp)->Engines->Count());

  // An input recording with a deflated SNA snapshot inside, after a creator block.
  auto rzx = [&](uint32_t flags, const std::string& extension) {
    TBytes f;
    AppendText(f, "RZX!");
    f.insert(f.end(), {0, 13, 0, 0, 0, 0});
    f.push_back(0x10);
    AppendLE32(f, 5 + 29);
    f.insert(f.end(), 29, 0);
    const TBytes packed = Deflate(sna);
    f.push_back(0x30);
    AppendLE32(f, static_cast<uint32_t>(5 + 12 + packed.size()));
    AppendLE32(f, flags);
    AppendText(f, extension);
    AppendLE32(f, static_cast<uint32_t>(sna.size()));
    Append(f, packed);
    return f;
  };
  auto r = Detect("replay.rzx", rzx(2, std::string("SNA\0", 4)));
  ASSERT_NE(nullptr, r->First());
  EXPECT_EQ("TQoZxSpectrumRZXEngine", r->First()->EngineClass);
  EXPECT_EQ(ScreenHash(Screen(8)), QoHashBitmap(*r->First()->Decode()));
  EXPECT_EQ(0,
            Detect("replay.rzx", rzx(3, std::string("sna\0", 4)))->Engines->Count());  // external
  EXPECT_EQ(0, Detect("replay.rzx", rzx(2, std::string("tap\0", 4)))->Engines->Count());
}

TEST(QoZxSpectrumSnapshotsTest, RealSnapshotsAndTapes) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expected = {
      {"zx-sna48", "TQoZxSpectrumSNAEngine"}, {"zx-szx", "TQoZxSpectrumSZXEngine"},
      {"zx-tap", "TQoZxSpectrumTAPEngine"},   {"zx-tzx", ""},
      {"zx-z80v2", "TQoZxSpectrumZ80Engine"}, {"zx-z80v3", "TQoZxSpectrumZ80Engine"},
  };
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"zxspectrum/KeyboardTester.sna", "40c4de663c96b7c2"},
      {"zxspectrum/L2Colour.sna", "40c4de663c96b7c2"},
      {"zxspectrum/LmxHiRes.sna", "40c4de663c96b7c2"},
      {"zxspectrum/empty.szx", "efea4d639704b7c2"},
      {"zxspectrum/random.szx", "a6aab2e1edfa6b22"},
      {"zxspectrum/tape_128_compressed.szx", "e2f92fbe0e2bc012"},
      {"zxspectrum/tape_48_uncompressed.szx", "40c4de663c96b7c2"},
      {"zxspectrum/TRASHMAN.TAP", "f4a13b9a63e549ed"},
      {"zxspectrum/gplotter.tap", "7c002e74c939beb2"},
      {"zxspectrum/sanxion48v3.tap", "1f478836ec3a5e2d"},
      {"zxspectrum/48c.z80", "efea4d639704b7c2"},
      {"zxspectrum/plus3.z80", "efea4d639704b7c2"},
  };
  int decoded = 0;
  for (const auto& [format, engineClass] : expected) {
    for (const TQoSample& sample : QoSamples(format)) {
      SCOPED_TRACE(sample.File);
      TQoFileLoadSource source(sample.Path);
      auto engines = DetectEngines(source, SnapshotRegistry());
      if (engineClass.empty()) {
        // A turbo-loading game tape without a standard screen block.
        EXPECT_EQ(0, engines->Count());
        continue;
      }
      ASSERT_GT(engines->Count(), 0);
      EXPECT_EQ(engineClass, engines->GetEngine(0)->EngineClass);
      QoExpectPinnedHash(pinned, sample.File, *engines->GetEngine(0)->Decode());
      ++decoded;
    }
  }
  EXPECT_GE(decoded, 12);
}
