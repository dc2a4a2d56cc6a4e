#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoStreamReaders.h"
#include "platforms/Amiga/QoOpenPlatformAmiga.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoTestHash.h"

namespace {

using TBytes = std::vector<uint8_t>;
using TPixelFn = std::function<uint32_t(int x, int y)>;

TQoEngineRegistry AmigaRegistry() {
  TQoEngineRegistry registry;
  RegisterAmigaEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(AmigaRegistry(), name, std::move(bytes));
}

void AppendBE16(TBytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
void AppendBE32(TBytes& b, uint32_t v) {
  AppendBE16(b, v >> 16);
  AppendBE16(b, v & 0xFFFF);
}

struct TChunk {
  std::string Id;
  TBytes Data;
  bool Pad = true;  // false: no pad byte after an odd size
};

TBytes Form(const std::string& type, const std::vector<TChunk>& chunks) {
  TBytes b = {'F', 'O', 'R', 'M', 0, 0, 0, 0};
  b.insert(b.end(), type.begin(), type.end());
  for (const TChunk& c : chunks) {
    b.insert(b.end(), c.Id.begin(), c.Id.end());
    AppendBE32(b, static_cast<uint32_t>(c.Data.size()));
    b.insert(b.end(), c.Data.begin(), c.Data.end());
    if ((c.Data.size() & 1) && c.Pad) b.push_back(0);
  }
  const auto size = static_cast<uint32_t>(b.size() - 8);
  for (int i = 0; i < 4; ++i)
    b[4 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
  return b;
}

TBytes Bmhd(int w, int h, int planes, int compression = 0, int masking = 0, int flags = 0,
            int pageW = 0, int pageH = 0, int xAspect = 0, int yAspect = 0) {
  TBytes b;
  AppendBE16(b, static_cast<uint32_t>(w));
  AppendBE16(b, static_cast<uint32_t>(h));
  AppendBE32(b, 0);
  b.push_back(static_cast<uint8_t>(planes));
  b.push_back(static_cast<uint8_t>(masking));
  b.push_back(static_cast<uint8_t>(compression));
  b.push_back(static_cast<uint8_t>(flags));
  AppendBE16(b, 0);
  b.push_back(static_cast<uint8_t>(xAspect));
  b.push_back(static_cast<uint8_t>(yAspect));
  AppendBE16(b, static_cast<uint32_t>(pageW));
  AppendBE16(b, static_cast<uint32_t>(pageH));
  return b;
}

TBytes Camg(uint32_t id) {
  TBytes b;
  AppendBE32(b, id);
  return b;
}

// n distinct colours: entry i = (i * 16, 255 - i * 8, i * 4) as bytes.
TBytes Cmap(int n) {
  TBytes b;
  for (int i = 0; i < n; ++i) {
    b.push_back(static_cast<uint8_t>(i * 16));
    b.push_back(static_cast<uint8_t>(255 - i * 8));
    b.push_back(static_cast<uint8_t>(i * 4));
  }
  return b;
}

// Interleaved planes (ILBM) or whole planes (ACBM); the mask plane, when asked for, is
// filled with 0xFF so that reading it by mistake shows.
TBytes Planar(int w, int h, int planes, const TPixelFn& pixel, bool mask = false,
              bool acbm = false) {
  const std::size_t rb = (static_cast<std::size_t>(w) + 15) / 16 * 2;
  const int stored = planes + (mask ? 1 : 0);
  TBytes b(rb * static_cast<std::size_t>(stored) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    if (mask) {
      for (std::size_t i = 0; i < rb; ++i)
        b[(static_cast<std::size_t>(y) * stored + planes) * rb + i] = 0xFF;
    }
    for (int x = 0; x < w; ++x) {
      const uint32_t v = pixel(x, y);
      for (int p = 0; p < planes; ++p) {
        if (!((v >> p) & 1)) continue;
        const std::size_t row = acbm ? (static_cast<std::size_t>(p) * h + y) * rb
                                     : (static_cast<std::size_t>(y) * stored + p) * rb;
        b[row + static_cast<std::size_t>(x) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return b;
}

// ByteRun1 with literal runs only (at most 128 bytes each).
TBytes PackLiteral(const TBytes& raw) {
  TBytes out;
  for (std::size_t i = 0; i < raw.size(); i += 128) {
    const std::size_t n = std::min<std::size_t>(128, raw.size() - i);
    out.push_back(static_cast<uint8_t>(n - 1));
    out.insert(out.end(), raw.begin() + static_cast<long>(i),
               raw.begin() + static_cast<long>(i + n));
  }
  return out;
}

uint32_t Pattern(int x, int y, int planes) {
  return static_cast<uint32_t>(x * 7 + y * 3) & ((1u << planes) - 1);
}

TQoSourceEngine& Only(const TQoDetected& d, const std::string& className) {
  TQoSourceEngine* e = d.Find(className);
  if (!e) throw std::runtime_error("engine not found: " + className);
  return *e;
}

std::vector<uint8_t> ByteRun1(const TBytes& packed, std::size_t out) {
  std::vector<uint8_t> buffer(out, 0xEE);
  buffer.resize(QoUnpackPackBits(TQoByteView(packed.data(), packed.size()), buffer.data(), out));
  return buffer;
}

}  // namespace

TEST(QoAmigaTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ(
      (std::vector<std::string>{"TQoAmigaILBMEngine", "TQoAmigaRGB8Engine", "TQoAmigaRGBNEngine",
                                "TQoAmigaPBMEngine", "TQoAmigaANIMEngine", "TQoAmigaDEEPEngine",
                                "TQoAmigaAMOSEngine", "TQoAmigaAMOSSpriteBankEngine"}),
      QoClassNames(AmigaRegistry()));
}

TEST(QoAmigaTest, ByteRun1RunsAndTheirEnds) {
  EXPECT_EQ(TBytes({1, 2, 3}), ByteRun1({2, 1, 2, 3}, 10));
  EXPECT_EQ(TBytes(3, 7), ByteRun1({0xFE, 7}, 10));
  // 128 is a run of 129, not a no-operation.
  EXPECT_EQ(TBytes(129, 0x55), ByteRun1({0x80, 0x55}, 200));
  EXPECT_EQ(129u, QoPackBitsUnpackedSize(TQoByteView(TBytes{0x80, 0x55}.data(), 2)));
  // A literal run cut short gives what is there; a repeat without its byte gives nothing.
  EXPECT_EQ(TBytes({9, 8}), ByteRun1({4, 9, 8}, 10));
  const TBytes cut = {1, 5, 5, 0xFD};
  EXPECT_EQ(TBytes({5, 5}), ByteRun1(cut, 10));
  EXPECT_EQ(2u, QoPackBitsUnpackedSize(TQoByteView(cut.data(), cut.size())));
  // The output is never overrun.
  EXPECT_EQ(TBytes(4, 1), ByteRun1({0x81, 1}, 4));
  PackBitsReader empty{TQoByteView()};
  uint8_t v = 0;
  EXPECT_FALSE(empty.ReadByte(v));
}

TEST(QoAmigaTest, ChunkWalkPadsOddSizesAndStopsAtAChunkPastTheEnd) {
  TBytes file = Form(
      "ILBM",
      {{"ANNO", {'a', 'b', 'c'}}, {"XTRA", {1}, false}, {"RAST", TBytes(34)}, {"BODY", TBytes(4)}});
  file.resize(file.size() - 2);  // the BODY now runs past the end of the file
  const auto chunks = QoReadIFFChunks(TQoByteView(file.data(), file.size()), 12);
  ASSERT_EQ(4u, chunks.size());
  EXPECT_EQ(QoIFFId("ANNO"), chunks[0].Id);
  EXPECT_EQ(3u, chunks[0].Size());
  EXPECT_EQ(QoIFFId("XTRA"), chunks[1].Id);
  // Written straight after an odd-sized chunk, without a pad byte, and still found.
  EXPECT_EQ(QoIFFId("RAST"), chunks[2].Id);
  EXPECT_EQ(34u, chunks[2].Size());
  EXPECT_FALSE(chunks[2].Cut);
  // Only a body is yielded past the end, cut to what the file holds.
  EXPECT_EQ(QoIFFId("BODY"), chunks[3].Id);
  EXPECT_EQ(2u, chunks[3].Size());
  EXPECT_TRUE(chunks[3].Cut);
  TBytes other = Form("ILBM", {{"ANNO", {'a', 'b'}}, {"CMAP", TBytes(6)}});
  other.pop_back();
  EXPECT_EQ(1u, QoReadIFFChunks(TQoByteView(other.data(), other.size()), 12).size());
}

// Tools that never patch the FORM length leave 0 or more than the file holds; the
// chunks are walked to the end of the data all the same, and a body cut by the end of
// the file is read as far as it goes, stored or packed, the rest of the picture 0.
TEST(QoAmigaTest, FormLengthsThatLieAndBodiesCutShort) {
  const TPixelFn pixel = [](int x, int y) { return Pattern(x, y, 3); };
  const TBytes planes = Planar(32, 8, 3, pixel);
  const std::size_t rowBytes = 4 * 3;  // one row of all three planes
  for (uint32_t formLength : {0u, 0x7FFFFFF0u}) {
    TBytes file = Form("ILBM", {{"BMHD", Bmhd(32, 8, 3)}, {"CMAP", Cmap(8)}, {"BODY", planes}});
    for (int i = 0; i < 4; ++i)
      file[4 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(formLength >> (24 - 8 * i));
    auto d = Detect("p.iff", file);
    ASSERT_EQ("TQoAmigaILBMEngine", d->First()->EngineClass) << formLength;
    auto bmp = d->First()->Decode();
    for (int x = 0; x < 32; ++x) EXPECT_EQ(pixel(x, 7), bmp->GetPixel(x, 7)) << x;
  }
  // Stored: five whole rows and a part of the sixth survive.
  TBytes stored = Form("ILBM", {{"BMHD", Bmhd(32, 8, 3)}, {"CMAP", Cmap(8)}, {"BODY", planes}});
  stored.resize(stored.size() - 2 * rowBytes - 10);
  // Packed: the literal runs of the first four rows only.
  TBytes packed =
      Form("ILBM", {{"BMHD", Bmhd(32, 8, 3, 1)},
                    {"CMAP", Cmap(8)},
                    {"BODY", PackLiteral(TBytes(planes.begin(), planes.begin() + 4 * rowBytes))}});
  // The BODY's size says twice what the file holds after it.
  const std::size_t sizeAt = packed.size() - (1 + 4 * rowBytes) - 1 - 4;  // the run, a pad
  ASSERT_TRUE(std::equal(packed.begin() + static_cast<long>(sizeAt) - 4,
                         packed.begin() + static_cast<long>(sizeAt), "BODY"));
  const uint32_t claimed = 2 * (1 + 4 * static_cast<uint32_t>(rowBytes));
  for (int i = 0; i < 4; ++i)
    packed[sizeAt + static_cast<std::size_t>(i)] = static_cast<uint8_t>(claimed >> (24 - 8 * i));
  for (const auto& [file, rows] : {std::pair{stored, 5}, std::pair{packed, 4}}) {
    auto d = Detect("p.iff", file);
    ASSERT_NE(nullptr, d->First()) << rows;
    auto bmp = d->First()->Decode();
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 32; ++x) {
        if (y < rows) {
          EXPECT_EQ(pixel(x, y), bmp->GetPixel(x, y)) << x << "," << y;
        } else if (y > rows) {
          EXPECT_EQ(0u, bmp->GetPixel(x, y)) << x << "," << y;
        }
      }
    }
  }
}

TEST(QoAmigaTest, PlanesOfOddWidthsDecodeInEveryLayout) {
  // 17 pixels need two words per plane row; 3 and 5 planes are not powers of two.
  for (int planes : {1, 3, 5, 8}) {
    for (int compression : {0, 1}) {
      for (bool acbm : {false, true}) {
        SCOPED_TRACE(testing::Message() << planes << " planes, compression " << compression
                                        << (acbm ? " ACBM" : " ILBM"));
        auto fn = [planes](int x, int y) { return Pattern(x, y, planes); };
        TBytes body = Planar(17, 5, planes, fn, false, acbm);
        if (compression == 1) body = PackLiteral(body);
        auto d = Detect("pic.iff",
                        Form(acbm ? "ACBM" : "ILBM", {{"BMHD", Bmhd(17, 5, planes, compression)},
                                                      {"CMAP", Cmap(1 << planes)},
                                                      {acbm ? "ABIT" : "BODY", body}}));
        ASSERT_EQ("TQoAmigaILBMEngine", d->Classes().at(0));
        TQoSourceEngine& e = *d->First();
        EXPECT_EQ(11, e.DetectFlags);
        EXPECT_EQ(planes, e.ColorDepth);
        auto bmp = e.Decode();
        EXPECT_EQ(planes == 1 ? 1 : planes <= 4 ? 4 : 8, bmp->BitsPerPixel);
        for (int y = 0; y < 5; ++y) {
          for (int x = 0; x < 17; ++x) ASSERT_EQ(fn(x, y), bmp->GetPixel(x, y)) << x << "," << y;
        }
      }
    }
  }
}

TEST(QoAmigaTest, MaskPlanesAreSkippedAndUnpackedBodiesUsedInPlace) {
  auto fn = [](int x, int y) {
    return static_cast<uint32_t>((x * 0x010203 + y * 0x300010) & 0xFFFFFF);
  };
  auto d =
      Detect("deep.iff",
             Form("ILBM", {{"BMHD", Bmhd(9, 3, 24, 0, 1)}, {"BODY", Planar(9, 3, 24, fn, true)}}));
  ASSERT_NE(nullptr, d->First());
  auto bmp = d->First()->Decode();
  ASSERT_EQ(24, bmp->BitsPerPixel);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 9; ++x) {
      const uint32_t v = fn(x, y);
      const uint32_t rgb = (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16);
      ASSERT_EQ(rgb, bmp->GetPixel(x, y));
    }
  }

  // Compression 1 whose BODY has exactly the unpacked size is read as plain planes
  // (as ByteRun1 the first byte 0x80 would be a run of 129).
  auto raw = [](int x, int) { return x < 1 ? 1u : 0u; };
  const TBytes plain = Planar(16, 2, 1, raw);
  ASSERT_EQ(0x80, plain[0]);
  auto p = Detect("x.iff",
                  Form("ILBM", {{"BMHD", Bmhd(16, 2, 1, 1)}, {"CMAP", Cmap(2)}, {"BODY", plain}}));
  ASSERT_NE(nullptr, p->First());
  auto pb = p->First()->Decode();
  EXPECT_EQ(1u, pb->GetPixel(0, 0));
  EXPECT_EQ(0u, pb->GetPixel(1, 0));
  EXPECT_EQ(1u, pb->GetPixel(0, 1));
}

TEST(QoAmigaTest, BrokenFilesAreDeclined) {
  auto body = Planar(16, 4, 2, [](int x, int) { return x & 3u; });
  auto ok = [&](std::vector<TChunk> chunks) {
    return Detect("p.iff", Form("ILBM", chunks))->Find("TQoAmigaILBMEngine") != nullptr;
  };
  EXPECT_TRUE(ok({{"BMHD", Bmhd(16, 4, 2)}, {"CMAP", Cmap(4)}, {"BODY", body}}));
  EXPECT_FALSE(ok({{"CMAP", Cmap(4)}, {"BODY", body}}));
  EXPECT_FALSE(ok({{"BMHD", Bmhd(16, 4, 2)}, {"CMAP", Cmap(4)}}));
  EXPECT_FALSE(ok({{"BMHD", Bmhd(16, 4, 2)}, {"BODY", body}}));  // no CMAP for 2 planes
  EXPECT_FALSE(
      ok({{"BMHD", Bmhd(16, 4, 2)}, {"CMAP", Cmap(4)}, {"CMAP", Cmap(4)}, {"BODY", body}}));
  EXPECT_FALSE(ok({{"BMHD", Bmhd(16, 4, 2)}, {"CMAP", TBytes(7)}, {"BODY", body}}));
  EXPECT_FALSE(
      ok({{"BMHD", Bmhd(16, 4, 2)}, {"CMAP", Cmap(4)}, {"CAMG", TBytes(3)}, {"BODY", body}}));
  EXPECT_FALSE(ok({{"BMHD", Bmhd(16, 4, 12)}, {"CMAP", Cmap(4)}, {"BODY", body}}));
  EXPECT_FALSE(ok({{"BMHD", Bmhd(2001, 4, 2)}, {"CMAP", Cmap(4)}, {"BODY", body}}));
  EXPECT_FALSE(ok({{"BMHD", Bmhd(16, 4, 2, 3)}, {"CMAP", Cmap(4)}, {"BODY", body}}));
  // A body one byte short of the planes, stored or packed.
  TBytes shortBody(body.begin(), body.end() - 1);
  EXPECT_FALSE(ok({{"BMHD", Bmhd(16, 4, 2)}, {"CMAP", Cmap(4)}, {"BODY", shortBody}}));
  EXPECT_FALSE(ok({{"BMHD", Bmhd(16, 4, 2, 1)}, {"CMAP", Cmap(4)}, {"BODY", {0xF2, 0}}}));
  EXPECT_TRUE(ok({{"BMHD", Bmhd(16, 4, 2, 1)}, {"CMAP", Cmap(4)}, {"BODY", {0xF1, 0}}}));
  // A chunk other than the body that runs past the end of the file is not found.
  TBytes cut = Form("ILBM", {{"BMHD", Bmhd(16, 4, 2)}, {"BODY", body}, {"CMAP", Cmap(4)}});
  cut.pop_back();
  EXPECT_EQ(nullptr, Detect("p.iff", cut)->First());
  // Vertical word runs need one VDAT per plane.
  EXPECT_FALSE(ok({{"BMHD", Bmhd(16, 4, 2, 2)}, {"CMAP", Cmap(4)}, {"BODY", TBytes(8)}}));
  EXPECT_EQ(nullptr,
            Detect("p.iff", TBytes{'F', 'O', 'R', 'M', 0, 0, 0, 4, 'I', 'L', 'B', 'M'})->First());
}

TEST(QoAmigaTest, ConstructorAndDecoderRaiseOnWhatDetectionWouldRefuse) {
  auto raisesInternal = [](const TBytes& file) {
    TQoMemoryLoadSource source("p.iff", file.data(), static_cast<int32_t>(file.size()), false);
    try {
      TQoAmigaILBMEngine engine(source);
      engine.Decode();
    } catch (const EQoError& e) {
      return std::string(e.what()) == "Internal error";
    }
    return false;
  };
  EXPECT_TRUE(raisesInternal(Form("ILBM", {{"CMAP", Cmap(4)}, {"BODY", TBytes(16)}})));
  EXPECT_TRUE(raisesInternal(Form("ILBM", {{"BMHD", Bmhd(16, 4, 2)}, {"CMAP", Cmap(4)}})));
  // Compression 2 whose body holds something other than VDAT chunks.
  EXPECT_TRUE(raisesInternal(Form("ILBM", {{"BMHD", Bmhd(16, 4, 2, 2)},
                                           {"CMAP", Cmap(4)},
                                           {"BODY", Form("XXXX", {{"DATA", TBytes(4)}})}})));
  // A stored body shorter than the planes: the row reads are refused, not overrun.
  EXPECT_TRUE(raisesInternal(
      Form("ILBM", {{"BMHD", Bmhd(16, 4, 2)}, {"CMAP", Cmap(4)}, {"BODY", TBytes(10)}})));
}

TEST(QoAmigaTest, VerticalWordRunsMakeAnAtariSTPicture) {
  // Two planes of 16 x 3: plane 0 all ones via a repeat command, plane 1 copied words.
  auto vdat = [](const TBytes& commands, const std::vector<uint16_t>& words) {
    TBytes b;
    AppendBE16(b, static_cast<uint32_t>(commands.size() + 2));
    b.insert(b.end(), commands.begin(), commands.end());
    for (uint16_t w : words) AppendBE16(b, w);
    return TChunk{"VDAT", b};
  };
  TBytes body;
  for (const TChunk& c :
       {vdat({3}, {0xFFFF}), vdat({0xFE, 1}, {0x8000, 0x0001, 0x00FF, 2, 0x1234})}) {
    body.insert(body.end(), c.Id.begin(), c.Id.end());
    AppendBE32(body, static_cast<uint32_t>(c.Data.size()));
    body.insert(body.end(), c.Data.begin(), c.Data.end());
    if (c.Data.size() & 1) body.push_back(0);
  }
  auto d = Detect("st.iff",
                  Form("ILBM", {{"BMHD", Bmhd(16, 3, 2, 2)}, {"CMAP", Cmap(4)}, {"BODY", body}}));
  ASSERT_NE(nullptr, d->First());
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ("Atari ST", e.PlatformName);
  EXPECT_EQ(22, e.AspectIndex);
  auto bmp = e.Decode();
  // Plane 1 rows: 0x8000 and 0x0001 copied, then a counted run (255, cut to the one row
  // left) of 0x0002; one word column, its rows in turn.
  EXPECT_EQ(3u, bmp->GetPixel(0, 0));
  EXPECT_EQ(1u, bmp->GetPixel(1, 0));
  EXPECT_EQ(3u, bmp->GetPixel(15, 1));
  EXPECT_EQ(1u, bmp->GetPixel(13, 2));
  EXPECT_EQ(3u, bmp->GetPixel(14, 2));
  EXPECT_EQ(1u, bmp->GetPixel(15, 2));
  // CMAP entry 1 = (16, 247, 4) in 3 bits per gun: levels 0, 7, 0.
  EXPECT_EQ(0x00FF00u, bmp->Palette->GetRGBQuad(1));
}

TEST(QoAmigaTest, HoldAndModifyCarriesColourAlongARowOnly) {
  // Row 0: register 1, then blue 15, red 10, green 3; row 1 starts from register 0.
  const uint32_t row0[] = {0x01, 0x1F, 0x2A, 0x33};
  const uint32_t row1[] = {0x25, 0x00};
  auto fn = [&](int x, int y) { return y == 0 ? row0[x] : (x < 2 ? row1[x] : 0u); };
  TBytes cmap = Cmap(16);
  cmap[0] = 0x20;  // register 0 = (2, 15, 0) in 4 bits
  cmap[1] = 0xF0;
  cmap[2] = 0x00;
  auto d = Detect(
      "ham.iff",
      Form("ILBM", {{"BMHD", Bmhd(4, 2, 6)}, {"CMAP", cmap}, {"BODY", Planar(4, 2, 6, fn)}}));
  TQoSourceEngine& e = Only(*d, "TQoAmigaILBMEngine");
  EXPECT_EQ("Amiga 4x2x6 HAM6 image", e.GetDisplayName());
  auto bmp = e.Decode();
  ASSERT_EQ(24, bmp->BitsPerPixel);
  // Register 1 = (16, 247, 4) -> 4-bit (1, 15, 0).
  EXPECT_EQ(0x11FF00u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0x11FFFFu, bmp->GetPixel(1, 0));
  EXPECT_EQ(0xAAFFFFu, bmp->GetPixel(2, 0));
  EXPECT_EQ(0xAA33FFu, bmp->GetPixel(3, 0));
  EXPECT_EQ(0x55FF00u, bmp->GetPixel(0, 1));  // red 5 on register 0
  EXPECT_EQ(0x22FF00u, bmp->GetPixel(1, 1));

  // HAM8 replaces the upper six bits and keeps the lower two.
  TQoPalette256 palette;
  palette.Add(0x03, 0x02, 0x01);
  const uint32_t values[] = {0x7F, 0x81, 0xC4};
  uint32_t out[3] = {};
  QoDecodeHam8Row(values, 3, palette, out);
  EXPECT_EQ(0x0302FDu, out[0]);
  EXPECT_EQ(0x0702FDu, out[1]);
  EXPECT_EQ(0x0712FDu, out[2]);
}

TEST(QoAmigaTest, ExtraHalfBriteHalvesTheFirst32Colours) {
  auto d = Detect("ehb.iff", Form("ILBM", {{"BMHD", Bmhd(64, 1, 6)},
                                           {"CMAP", Cmap(32)},
                                           {"BODY", Planar(64, 1, 6, [](int x, int) {
                                              return static_cast<uint32_t>(x);
                                            })}}));
  TQoSourceEngine& e = Only(*d, "TQoAmigaILBMEngine");
  EXPECT_EQ("Amiga 64x1x6 EHB image", e.GetDisplayName());
  auto bmp = e.Decode();
  ASSERT_EQ(64, bmp->Palette->GetCount());
  // Entry 1 = (16, 247, 4) -> 4-bit (1, 15, 0); halved (0, 7, 0).
  EXPECT_EQ(0x11FF00u, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(0x007700u, bmp->Palette->GetRGBQuad(33));
  // Entry 31 = (240, 7, 124) -> (15, 0, 7); halved (7, 0, 3).
  EXPECT_EQ(0x770033u, bmp->Palette->GetRGBQuad(63));
  EXPECT_EQ(63u, bmp->GetPixel(63, 0));
}

TEST(QoAmigaTest, FivePlanesOfferBothColourDepths) {
  auto file = [](int flags) {
    return Form("ILBM", {{"BMHD", Bmhd(320, 2, 5, 0, 0, flags)},
                         {"CMAP", Cmap(32)},
                         {"BODY", Planar(320, 2, 5, [](int x, int) { return x & 31u; })}});
  };
  auto full = Detect("a.iff", file(0x80));
  TQoSourceEngine& e = *full->First();
  EXPECT_EQ((std::vector<uint8_t>{ptRGB888, ptRGB444}), e.PaletteTypes);
  EXPECT_EQ(ptRGB888, e.PaletteType);
  EXPECT_EQ(0x10F704u, e.Decode()->Palette->GetRGBQuad(1));
  e.PaletteType = ptRGB444;
  EXPECT_EQ(0x11FF00u, e.Decode()->Palette->GetRGBQuad(1));
  EXPECT_EQ(ptRGB444, Detect("a.iff", file(0))->First()->PaletteType);
}

TEST(QoAmigaTest, DisplayModesChooseNamesAndPixelAspects) {
  TQoIFFBitmapHeader h;
  EXPECT_EQ(29, QoAmigaAspectIndex(true, 0x21000 | 0x8004, h, 28));
  EXPECT_EQ(0, QoAmigaAspectIndex(true, 0x11000 | 0x8020, h, 28));
  EXPECT_EQ(57, QoAmigaAspectIndex(true, 0xA1000 | 5, h, 28));
  EXPECT_EQ(28, QoAmigaAspectIndex(true, 0x31000 | 0x8000, h, 28));  // VGA keeps 1:1
  EXPECT_EQ(47, QoAmigaAspectIndex(true, 0x4, h, 28));               // default monitor, laced
  h.PageWidth = 640;
  h.PageHeight = 256;
  EXPECT_EQ(10, QoAmigaAspectIndex(false, 0, h, 28));
  h.PageWidth = 512;
  h.PageHeight = 342;
  h.XAspect = 10;
  h.YAspect = 11;
  EXPECT_EQ(23, QoAmigaAspectIndex(false, 0, h, 28));
  h.XAspect = 0;
  EXPECT_EQ(28, QoAmigaAspectIndex(false, 0, h, 28));

  EXPECT_EQ("", QoAmigaDisplayModeNames(false, 0x21000));
  EXPECT_EQ(" PAL HiRes Laced", QoAmigaDisplayModeNames(true, 0x21000 | 0x8004));
  EXPECT_EQ(" DBLPAL LoRes NoFlicker", QoAmigaDisplayModeNames(true, 0xA1000 | 4));
  EXPECT_EQ(" SuperHiRes", QoAmigaDisplayModeNames(true, 0x8020));
  EXPECT_EQ(" NTSC", QoAmigaDisplayModeNames(true, 0x11000 | 0x20));
}

TEST(QoAmigaTest, InterlacedOddHeightsLoseTheirLastRowAndTextsAreJoined) {
  auto d = Detect("l.iff",
                  Form("ILBM", {{"BMHD", Bmhd(16, 401, 1)},
                                {"CAMG", Camg(0x21004)},
                                {"CMAP", Cmap(2)},
                                {"ANNO", {' ', 'H', 'i', '\n', 0}},
                                {"AUTH", {'M', 'e', 0xE9}},
                                {"BODY", Planar(16, 401, 1, [](int, int y) { return y & 1u; })}}));
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(400, e.Height);
  EXPECT_EQ("Amiga 16x400x1 PAL LoRes Laced image", e.GetDisplayName());
  EXPECT_EQ(48, e.AspectIndex);
  EXPECT_EQ("Hi/Me\xC3\xA9", e.InfoTitle);
  EXPECT_EQ(400, e.Decode()->Height);
}

namespace {

TBytes Crng(int rate, int flags, int low, int high) {
  TBytes b;
  AppendBE16(b, 0);
  AppendBE16(b, static_cast<uint32_t>(rate));
  AppendBE16(b, static_cast<uint32_t>(flags));
  b.push_back(static_cast<uint8_t>(low));
  b.push_back(static_cast<uint8_t>(high));
  return b;
}

TBytes Ccrt(int direction, int start, int end, uint32_t seconds, uint32_t micro) {
  TBytes b;
  AppendBE16(b, static_cast<uint32_t>(direction) & 0xFFFF);
  b.push_back(static_cast<uint8_t>(start));
  b.push_back(static_cast<uint8_t>(end));
  AppendBE32(b, seconds);
  AppendBE32(b, micro);
  AppendBE16(b, 0);
  return b;
}

std::vector<TChunk> Picture16(std::vector<TChunk> extra) {
  std::vector<TChunk> chunks = {{"BMHD", Bmhd(16, 2, 4)}, {"CMAP", Cmap(16)}};
  chunks.insert(chunks.end(), extra.begin(), extra.end());
  chunks.push_back({"BODY", Planar(16, 2, 4, [](int x, int) { return x & 15u; })});
  return chunks;
}

}  // namespace

TEST(QoAmigaTest, CycleRangesKeepDirectionDelayAndTheirLimits) {
  // 16384 is 60 steps per second: too fast; 4096 is 15 steps, a step every 4 ticks.
  auto d = Detect("c.iff", Form("ILBM", Picture16({{"CRNG", Crng(4096, 1, 2, 5)},
                                                   {"CRNG", Crng(16384, 1, 0, 3)},
                                                   {"CRNG", Crng(1365, 3, 6, 9)},
                                                   {"CRNG", Crng(4096, 1, 3, 16)},
                                                   {"CRNG", Crng(36, 1, 1, 2)},
                                                   {"CRNG", Crng(4096, 1, 10, 11)},
                                                   {"CCRT", Ccrt(1, 1, 2, 1, 0)}})));
  TQoSourceEngine& e = *d->First();
  ASSERT_EQ(2, e.CycleRanges.Count);
  EXPECT_EQ(1, e.HasColorCycling);
  const TQoCycleRange& a = e.CycleRanges.Items[0];
  EXPECT_EQ(2, a.Low);
  EXPECT_EQ(5, a.High);
  EXPECT_EQ(0, a.Reverse);
  EXPECT_EQ(4, a.Delay);
  const TQoCycleRange& b = e.CycleRanges.Items[1];
  EXPECT_EQ(6, b.Low);
  EXPECT_EQ(1, b.Reverse);
  EXPECT_EQ(12, b.Delay);
  // The range past the CMAP (16) is skipped; rate 36 ends the collection in ILBM files,
  // so the range 10-11 after it is not taken, nor the CCRT.

  // Without a CRNG the CCRT is used: 1.5 seconds is 90 ticks; direction 1 reverses.
  auto c = Detect("c.iff", Form("ILBM", Picture16({{"CCRT", Ccrt(1, 4, 8, 1, 500000)},
                                                   {"CCRT", Ccrt(-1, 1, 2, 0, 1000)}})));
  ASSERT_EQ(1, c->First()->CycleRanges.Count);
  EXPECT_EQ(4, c->First()->CycleRanges.Items[0].Low);
  EXPECT_EQ(1, c->First()->CycleRanges.Items[0].Reverse);
  EXPECT_EQ(90, c->First()->CycleRanges.Items[0].Delay);
  EXPECT_EQ(1, QoCycleDelayFromTime(0, 1000));  // never below one tick
  auto none = Detect("c.iff", Form("ILBM", Picture16({{"CCRT", Ccrt(2, 1, 2, 1, 0)}})));
  EXPECT_EQ(0, none->First()->CycleRanges.Count);
  EXPECT_EQ(0, none->First()->HasColorCycling);
}

TEST(QoAmigaTest, ChunkyPicturesPadOddRowsAndCollectEveryValidRange) {
  // 3 pixels per row: each row has one pad byte.
  const TBytes raw = {1, 2, 3, 0xEE, 4, 5, 6, 0xEE};
  for (int compression : {0, 1}) {
    const TBytes body = compression ? PackLiteral(raw) : raw;
    auto d = Detect("p.lbm", Form("PBM ", {{"BMHD", Bmhd(3, 2, 8, compression)},
                                           {"CMAP", Cmap(8)},
                                           {"CRNG", Crng(0, 0, 1, 2)},
                                           {"CRNG", Crng(8192, 1, 3, 4)},
                                           {"BODY", body}}));
    TQoSourceEngine& e = Only(*d, "TQoAmigaPBMEngine");
    EXPECT_EQ(9, e.DetectFlags);
    EXPECT_EQ("Amiga 3x2x8 image", e.GetDisplayName());
    ASSERT_EQ(1, e.CycleRanges.Count);  // the inactive range does not end the collection
    EXPECT_EQ(2, e.CycleRanges.Items[0].Delay);
    auto bmp = e.Decode();
    ASSERT_EQ(8, bmp->BitsPerPixel);
    EXPECT_EQ(256, bmp->Palette->GetCount());
    EXPECT_EQ(0x10F704u, bmp->Palette->GetRGBQuad(1));
    EXPECT_EQ(3u, bmp->GetPixel(2, 0));
    EXPECT_EQ(4u, bmp->GetPixel(0, 1));
  }
  // One byte short of the last row.
  EXPECT_EQ(nullptr,
            Detect("p.lbm",
                   Form("PBM ", {{"BMHD", Bmhd(3, 2, 8)}, {"CMAP", Cmap(8)}, {"BODY", TBytes(5)}}))
                ->First());
}

TEST(QoAmigaTest, TrueColourRunsContinueAcrossRows) {
  // RGB8: a run of 3 covers the first row and one pixel of the second; then the data ends.
  TBytes rgb8 = {0x10, 0x20, 0x30, 0x83, 0x40, 0x50, 0x60, 0x01};
  auto d = Detect("t.iff", Form("RGB8", {{"BMHD", Bmhd(2, 3, 25, 4)}, {"BODY", rgb8}}));
  TQoSourceEngine& e = Only(*d, "TQoAmigaRGB8Engine");
  EXPECT_EQ("Amiga 2x3x24 image", e.GetDisplayName());
  auto bmp = e.Decode();
  EXPECT_EQ(0x102030u, bmp->GetPixel(1, 0));
  EXPECT_EQ(0x102030u, bmp->GetPixel(0, 1));
  EXPECT_EQ(0x405060u, bmp->GetPixel(1, 1));
  EXPECT_EQ(0u, bmp->GetPixel(0, 2));

  // RGBN: a 3-bit count, a byte count and a word count.
  TBytes rgbn;
  AppendBE16(rgbn, 0xF002);  // red, 2 pixels
  AppendBE16(rgbn, 0x0F00);  // green, count in the next byte
  rgbn.push_back(3);
  AppendBE16(rgbn, 0x00F0);  // blue, count 0 then the word count
  rgbn.push_back(0);
  AppendBE16(rgbn, 1);
  auto n = Detect("t.iff", Form("RGBN", {{"BMHD", Bmhd(3, 3, 13, 4)}, {"BODY", rgbn}}));
  TQoSourceEngine& en = Only(*n, "TQoAmigaRGBNEngine");
  EXPECT_EQ(12, en.ColorDepth);
  auto nb = en.Decode();
  EXPECT_EQ(0xFF0000u, nb->GetPixel(1, 0));
  EXPECT_EQ(0x00FF00u, nb->GetPixel(2, 0));
  EXPECT_EQ(0x00FF00u, nb->GetPixel(1, 1));
  EXPECT_EQ(0x0000FFu, nb->GetPixel(2, 1));
  EXPECT_EQ(0u, nb->GetPixel(0, 2));

  EXPECT_EQ(nullptr,
            Detect("t.iff", Form("RGB8", {{"BMHD", Bmhd(2, 3, 24, 4)}, {"BODY", rgb8}}))->First());
  EXPECT_EQ(nullptr,
            Detect("t.iff", Form("RGBN", {{"BMHD", Bmhd(2, 3, 13, 1)}, {"BODY", rgbn}}))->First());
}

TEST(QoAmigaTest, AnimationsShowTheirFirstFrame) {
  const TBytes frame =
      Form("ILBM", {{"BMHD", Bmhd(16, 2, 2)},
                    {"CMAP", Cmap(4)},
                    {"CRNG", Crng(4096, 1, 1, 3)},
                    {"BODY", Planar(16, 2, 2, [](int x, int y) { return (x + y) & 3u; })}});
  TBytes anim = {'F', 'O', 'R', 'M', 0, 0, 0, 0, 'A', 'N', 'I', 'M'};
  anim.insert(anim.end(), frame.begin(), frame.end());
  anim.insert(anim.end(), {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'I', 'L', 'B', 'M'});
  auto d = Detect("a.anim", anim);
  ASSERT_EQ((std::vector<std::string>{"TQoAmigaANIMEngine"}), d->Classes());
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(9, e.DetectFlags);
  EXPECT_EQ("Amiga 16x2x2 image", e.GetDisplayName());
  EXPECT_EQ(1, e.CycleRanges.Count);
  auto bmp = e.Decode();
  EXPECT_EQ(2u, bmp->GetPixel(1, 1));
  EXPECT_EQ(4, e.Palette->GetCount());
  EXPECT_EQ(0x11FF00u, e.Palette->GetRGBQuad(1));

  // A first frame the ILBM engine refuses makes the animation refused too.
  TBytes broken(anim.begin(), anim.begin() + 12);
  const TBytes bad = Form("ILBM", {{"BMHD", Bmhd(16, 2, 2)}, {"BODY", TBytes(8)}});
  broken.insert(broken.end(), bad.begin(), bad.end());
  EXPECT_EQ(nullptr, Detect("a.anim", broken)->First());
}

TEST(QoAmigaTest, RealPicturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"iff-ilbm", "TQoAmigaILBMEngine"},
      {"iff-pbm", "TQoAmigaPBMEngine"},
  };
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"amiga/32-25-8.LBM", "ab2153f374068567"},
      {"amiga/ALIENF.IFF", "91885d3a4babd5a9"},
      {"amiga/Dungeon.IFF", "399990431e342cd4"},
      {"amiga/Eponge.IFF", "ea75c77bda1d411c"},
      {"amiga/Girafe.IFF", "70b40cac27e676bd"},
      {"amiga/Lionpic640x234x3.iff", "1c2a3dfa8e172e78"},
      {"amiga/checkerboard_strip.iff", "bd1621a91c60e4b0"},
      {"amiga/clipper.iff", "8f9fbd49067ff1b3"},
      {"amiga/fashion.iff", "16ad1900031b4b00"},
      {"amiga/glass.iff", "9dff722ccc198120"},
      {"amiga/ilbm8lores.iff", "72f3b1662a92763e"},
      {"amiga/king_tut.iff", "79137a61be045143"},
      {"amiga/logo_352x272x32.IFF", "c89424c8328602ca"},
      {"amiga/mandarine_logo.iff", "93a119971bcdb61a"},
      {"amiga/rt64.iff", "b76baa33b3cc96ff"},
      {"amiga/spock.iff", "e3096c04835d4379"},
      {"amiga/tng.iff", "18264e21259a8cd5"},
      {"amiga/stone_circle.lbm", "88b516aaa5d5bfff"},
      {"atarist/medusa1.iff", "9c947fe4aa0d4797"},
      {"atarist/screen.iff", "689f191151d71101"},
  };
  const int decoded = QoCheckRealPictures(AmigaRegistry(), expectedEngine, pinned);
  EXPECT_GE(decoded, 20);
}

namespace {

// Words of a colour table as bytes.
TBytes Words(const std::vector<uint32_t>& words) {
  TBytes b;
  for (uint32_t w : words) AppendBE16(b, w);
  return b;
}

// A PCHG header, then the line data as it is or packed with the given tree and bits.
TBytes Pchg(int16_t startLine, uint16_t lineCount, const TBytes& lines) {
  TBytes b;
  AppendBE16(b, 0);
  AppendBE16(b, 0);
  AppendBE16(b, static_cast<uint16_t>(startLine));
  AppendBE16(b, lineCount);
  b.resize(20, 0);
  b.insert(b.end(), lines.begin(), lines.end());
  return b;
}

// Huffman-packs data with a tree of leaves and back-steps: the leaf of the j-th symbol
// from the top is reached by j times "10" and a final "0".
TBytes PackPchg(const TBytes& data, int16_t startLine, uint16_t lineCount) {
  std::vector<uint8_t> symbols(data.begin(), data.end());
  std::sort(symbols.begin(), symbols.end());
  symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
  TBytes tree;
  for (uint8_t s : symbols) {
    AppendBE16(tree, 0x0100u | s);
    AppendBE16(tree, 0xFFFEu);  // one word back
  }
  std::vector<bool> bits;
  for (uint8_t c : data) {
    const auto index = std::find(symbols.begin(), symbols.end(), c) - symbols.begin();
    const auto fromTop = static_cast<int>(symbols.size()) - 1 - static_cast<int>(index);
    for (int j = 0; j < fromTop; ++j) bits.insert(bits.end(), {true, false});
    bits.push_back(false);
  }
  TBytes stream((bits.size() + 7) / 8, 0);
  for (std::size_t i = 0; i < bits.size(); ++i)
    if (bits[i]) stream[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
  TBytes b = Pchg(startLine, lineCount, {});
  b[1] = 1;  // compression 1
  AppendBE32(b, static_cast<uint32_t>(tree.size()));
  AppendBE32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), tree.begin(), tree.end());
  b.insert(b.end(), stream.begin(), stream.end());
  return b;
}

}  // namespace

TEST(QoAmigaTest, PchgHuffmanTreesStepBackAndDown) {
  auto unpack = [](const TBytes& tree, const TBytes& bits, std::size_t size, TBytes& out) {
    return QoUnpackPCHGHuffman(TQoByteView(tree.data(), tree.size()),
                               TQoByteView(bits.data(), bits.size()), size, out);
  };
  TBytes out;
  // One leaf: every 1 bit is the byte 0x41; a 0 bit steps out of the tree.
  EXPECT_TRUE(unpack({0x01, 0x41}, {0xFF}, 3, out));
  EXPECT_EQ(TBytes({0x41, 0x41, 0x41}), out);
  EXPECT_FALSE(unpack({0x01, 0x41}, {0x7F}, 1, out));
  // Root -4 bytes back to 'B'; a 0 bit at the root is the 0x01xx word below it, 'A'.
  const TBytes tree = {0x01, 'B', 0x01, 'A', 0xFF, 0xFC};
  EXPECT_TRUE(unpack(tree, {0xD8}, 6, out));
  EXPECT_EQ(TBytes({'B', 'A', 'B', 'A', 'A', 'A'}), out);
  // Bits that run out, and a size no stream of these bits can reach.
  EXPECT_FALSE(unpack(tree, {0xD8}, 9, out));
  EXPECT_FALSE(unpack(tree, {0xD8}, 1000, out));
}

TEST(QoAmigaTest, PchgChangesFlaggedRowsInStoredAndPackedChunks) {
  // An extra half-brite picture: pixel 0 shows register 1, pixel 1 its half (33), pixel
  // 2 register 19, pixel 3 its half (51).
  const uint32_t values[] = {1, 33, 19, 51};
  auto body = Planar(16, 4, 6, [&](int x, int) { return x < 4 ? values[x] : 0u; });
  // Start line -2, mask 0x15: bit 0 is row -2 (outside), bits 2 and 4 flag rows 0 and 2.
  TBytes lines;
  AppendBE32(lines, 0x15);
  lines.insert(lines.end(), {1, 1});
  const TBytes row0 = Words({0x1F00, 0x30F0});  // register 1 red, register 19 green
  lines.insert(lines.end(), row0.begin(), row0.end());
  lines.insert(lines.end(), {1, 0});
  const TBytes row2 = Words({0x100F});  // register 1 blue
  lines.insert(lines.end(), row2.begin(), row2.end());

  for (bool packed : {false, true}) {
    SCOPED_TRACE(packed ? "packed" : "stored");
    const TBytes pchg = packed ? PackPchg(lines, -2, 6) : Pchg(-2, 6, lines);
    auto d = Detect(
        "p.iff",
        Form("ILBM",
             {{"BMHD", Bmhd(16, 4, 6)}, {"CMAP", Cmap(32)}, {"PCHG", pchg}, {"BODY", body}}));
    TQoSourceEngine& e = Only(*d, "TQoAmigaILBMEngine");
    EXPECT_EQ("Amiga 16x4x6 EHB PCHG image", e.GetDisplayName());
    EXPECT_EQ(0, e.HasColorCycling);
    for (int pass = 0; pass < 2; ++pass) {  // a second decode starts from the first row
      auto bmp = e.Decode();
      ASSERT_EQ(24, bmp->BitsPerPixel);
      EXPECT_EQ(0, e.Palette->GetCount());
      for (int y : {0, 1}) {
        EXPECT_EQ(0xFF0000u, bmp->GetPixel(0, y));
        EXPECT_EQ(0x770000u, bmp->GetPixel(1, y));
        EXPECT_EQ(0x00FF00u, bmp->GetPixel(2, y));
        EXPECT_EQ(0x007700u, bmp->GetPixel(3, y));
      }
      EXPECT_EQ(0x0000FFu, bmp->GetPixel(0, 3));
      EXPECT_EQ(0x000077u, bmp->GetPixel(1, 3));
      EXPECT_EQ(0x00FF00u, bmp->GetPixel(2, 3));
    }
  }

  // Interlaced: row y takes the changes of row y + 1, so row 1's go to row 0; the last
  // row has none. A stream cut inside a record keeps what was read.
  TBytes laced;
  AppendBE32(laced, 0x0A);  // rows 1 and 3
  laced.insert(laced.end(), {1, 0, 0x1F, 0x00, 1, 0, 0x10});
  auto d = Detect("p.iff", Form("ILBM", {{"BMHD", Bmhd(16, 4, 4)},
                                         {"CAMG", Camg(kAmigaModeLace)},
                                         {"CMAP", Cmap(16)},
                                         {"PCHG", Pchg(0, 32, laced)},
                                         {"BODY", Planar(16, 4, 4, [](int, int) { return 1u; })}}));
  auto bmp = Only(*d, "TQoAmigaILBMEngine").Decode();
  for (int y = 0; y < 4; ++y) EXPECT_EQ(0xFF0000u, bmp->GetPixel(0, y)) << y;

  // Flagged 32-bit: a count, then register, alpha, red, blue and green per change.
  TBytes large;
  AppendBE32(large, 0x1);  // row 0
  AppendBE16(large, 2);
  large.insert(large.end(), {0, 1, 0xAA, 0x12, 0x56, 0x34, 0, 2, 0, 0xFF, 0xFF, 0xFF});
  TBytes largePchg = Pchg(0, 4, large);
  largePchg[3] = 2;
  auto l = Detect(
      "p.iff",
      Form("ILBM", {{"BMHD", Bmhd(16, 2, 4)},
                    {"CMAP", Cmap(16)},
                    {"PCHG", largePchg},
                    {"BODY", Planar(16, 2, 4, [](int x, int) { return x == 0 ? 1u : 2u; })}}));
  auto lb = Only(*l, "TQoAmigaILBMEngine").Decode();
  EXPECT_EQ(0x123456u, lb->GetPixel(0, 1));
  EXPECT_EQ(0xFFFFFFu, lb->GetPixel(1, 1));

  // A PCHG of only its header is dropped, and the next kind in line is kept.
  auto c = Detect("p.iff", Form("ILBM", {{"BMHD", Bmhd(16, 4, 4)},
                                         {"CMAP", Cmap(16)},
                                         {"PCHG", Pchg(0, 32, {})},
                                         {"CTBL", TBytes(4 * 2 * 16)},
                                         {"BODY", Planar(16, 4, 4, [](int, int) { return 1u; })}}));
  EXPECT_EQ("Amiga 16x4x4 CTBL image", Only(*c, "TQoAmigaILBMEngine").GetDisplayName());
}

TEST(QoAmigaTest, ColourTablesGiveEveryRowItsOwnWords) {
  // HAM6, every pixel loading register 1. 32 words a row: the first 16 reach the palette,
  // the other 16 are skipped and the next row still starts at its own words.
  auto body = Planar(16, 2, 6, [](int, int) { return 1u; });
  std::vector<uint32_t> table(64, 0x00F);
  table[1] = 0xF00;
  table[32 + 1] = 0x0F0;
  auto d = Detect(
      "h.iff",
      Form("ILBM",
           {{"BMHD", Bmhd(16, 2, 6)}, {"CMAP", Cmap(16)}, {"BEAM", Words(table)}, {"BODY", body}}));
  TQoSourceEngine& e = Only(*d, "TQoAmigaILBMEngine");
  EXPECT_EQ("Amiga 16x2x6 HAM6 CTBL image", e.GetDisplayName());
  auto bmp = e.Decode();
  EXPECT_EQ(0xFF0000u, bmp->GetPixel(5, 0));
  EXPECT_EQ(0x00FF00u, bmp->GetPixel(5, 1));

  // SHAM on an interlaced picture of 4 rows: a version word, then 2 table rows of 16
  // words; even rows load new colours, odd rows keep them.
  std::vector<uint32_t> sham(1 + 32, 0);
  sham[1 + 1] = 0xF00;
  sham[1 + 16 + 1] = 0x00F;
  auto s = Detect("s.iff", Form("ILBM", {{"BMHD", Bmhd(16, 4, 6)},
                                         {"CAMG", Camg(kAmigaModeLace | kAmigaModeHam)},
                                         {"CMAP", Cmap(16)},
                                         {"SHAM", Words(sham)},
                                         {"BODY", Planar(16, 4, 6, [](int, int) { return 1u; })}}));
  TQoSourceEngine& se = Only(*s, "TQoAmigaILBMEngine");
  EXPECT_EQ(" LoRes Laced HAM6 SHAM image", se.Description);
  auto sb = se.Decode();
  EXPECT_EQ(0xFF0000u, sb->GetPixel(0, 0));
  EXPECT_EQ(0xFF0000u, sb->GetPixel(0, 1));
  EXPECT_EQ(0x0000FFu, sb->GetPixel(0, 2));
  EXPECT_EQ(0x0000FFu, sb->GetPixel(0, 3));
}

TEST(QoAmigaTest, RasterPalettesOfTheAtariSTE) {
  const TQoStdRGBColor ste = QoSTEColor(0x0F81);
  EXPECT_EQ((TQoStdRGBColor{255, 17, 34}), ste);
  // Records for rows 0 and 2 and one for a row the picture does not have; row 1 keeps
  // the colours of row 0.
  auto record = [](int16_t line, uint32_t color1) {
    std::vector<uint32_t> w(17, 0);
    w[0] = static_cast<uint16_t>(line);
    w[2] = color1;
    return Words(w);
  };
  TBytes rast = record(2, 0x0070);
  for (const TBytes& r : {record(0, 0x0F81), record(9, 0x0777)})
    rast.insert(rast.end(), r.begin(), r.end());
  auto d = Detect("r.iff", Form("ILBM", {{"BMHD", Bmhd(16, 3, 4, 1)},
                                         {"CMAP", Cmap(16)},
                                         {"RAST", rast},
                                         {"BODY", PackLiteral(Planar(16, 3, 4, [](int x, int) {
                                            return x == 0 ? 1u : 2u;
                                          }))}}));
  TQoSourceEngine& e = Only(*d, "TQoAmigaILBMEngine");
  EXPECT_EQ("Atari STE", e.PlatformName);
  EXPECT_EQ(" RAST image", e.Description);
  EXPECT_EQ(kQoAspect5to6, e.AspectIndex);
  auto bmp = e.Decode();
  EXPECT_EQ(0xFF1122u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0xFF1122u, bmp->GetPixel(0, 1));
  EXPECT_EQ(0x00EE00u, bmp->GetPixel(0, 2));
  // Register 2 is black in every record.
  EXPECT_EQ(0u, bmp->GetPixel(1, 1));
}

namespace {

TBytes Dgbl(int w, int h, int compression, int xAspect = 0, int yAspect = 0) {
  TBytes b;
  AppendBE16(b, static_cast<uint32_t>(w));
  AppendBE16(b, static_cast<uint32_t>(h));
  AppendBE16(b, static_cast<uint32_t>(compression));
  b.push_back(static_cast<uint8_t>(xAspect));
  b.push_back(static_cast<uint8_t>(yAspect));
  return b;
}

TBytes Dpel(const std::vector<std::pair<int, int>>& elements) {
  TBytes b;
  AppendBE32(b, static_cast<uint32_t>(elements.size()));
  for (auto [type, depth] : elements) {
    AppendBE16(b, static_cast<uint32_t>(type));
    AppendBE16(b, static_cast<uint32_t>(depth));
  }
  return b;
}

TBytes Dloc(int w, int h) {
  TBytes b;
  AppendBE16(b, static_cast<uint32_t>(w));
  AppendBE16(b, static_cast<uint32_t>(h));
  AppendBE32(b, 0);
  return b;
}

// A packed picture bank of the given screen and streams.
TBytes AmosPicture(int planes, int mode, int screenW, int screenH, int rowBytes, int blocks,
                   int lines, const std::vector<uint32_t>& colors, const TBytes& picture,
                   const TBytes& runs, const TBytes& points) {
  TBytes b = {'A', 'm', 'B', 'k', 0, 3, 0, 0, 0, 0, 0, 0, 'P', 'a', 'c', '.', 'P', 'i', 'c', '.'};
  b.insert(b.end(), {0x12, 0x03, 0x19, 0x90});
  AppendBE16(b, static_cast<uint32_t>(screenW));
  AppendBE16(b, static_cast<uint32_t>(screenH));
  b.resize(20 + 20, 0);
  AppendBE16(b, static_cast<uint32_t>(mode));
  AppendBE16(b, 0);
  AppendBE16(b, static_cast<uint32_t>(planes));
  for (int i = 0; i < 32; ++i)
    AppendBE16(b, i < static_cast<int>(colors.size()) ? colors[static_cast<std::size_t>(i)] : 0);
  b.insert(b.end(), {0x06, 0x07, 0x19, 0x63, 0, 0, 0, 0});
  AppendBE16(b, static_cast<uint32_t>(rowBytes));
  AppendBE16(b, static_cast<uint32_t>(blocks));
  AppendBE16(b, static_cast<uint32_t>(lines));
  AppendBE16(b, static_cast<uint32_t>(planes));
  AppendBE32(b, static_cast<uint32_t>(24 + picture.size()));
  AppendBE32(b, static_cast<uint32_t>(24 + picture.size() + runs.size()));
  for (const TBytes* s : {&picture, &runs, &points}) b.insert(b.end(), s->begin(), s->end());
  const auto length = static_cast<uint32_t>(b.size() - 12);
  for (int i = 0; i < 4; ++i)
    b[8 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(length >> (24 - 8 * i));
  return b;
}

struct TSpriteSpec {
  int Words, Height, Planes;
  std::function<uint32_t(int, int)> Pixel;
};

TBytes SpriteBank(const char* id, const std::vector<TSpriteSpec>& sprites,
                  const std::vector<uint32_t>& colors) {
  TBytes b(id, id + 4);
  AppendBE16(b, static_cast<uint32_t>(sprites.size()));
  for (const TSpriteSpec& s : sprites) {
    AppendBE16(b, static_cast<uint32_t>(s.Words));
    AppendBE16(b, static_cast<uint32_t>(s.Height));
    AppendBE16(b, static_cast<uint32_t>(s.Planes));
    AppendBE32(b, 0);
    // Whole planes: the ACBM layout.
    if (s.Words > 0) {
      const TBytes planes = Planar(16 * s.Words, s.Height, s.Planes, s.Pixel, false, true);
      b.insert(b.end(), planes.begin(), planes.end());
    }
  }
  for (int i = 0; i < 32; ++i)
    AppendBE16(b, i < static_cast<int>(colors.size()) ? colors[static_cast<std::size_t>(i)] : 0);
  return b;
}

}  // namespace

TEST(QoAmigaTest, DeepPicturesStoredPackedAndInNibbleDeltas) {
  // Stored, elements blue, red, green, alpha: 32 bits, the alpha byte shown nowhere.
  const TBytes stored = {0x30, 0x10, 0x20, 0xFF, 0x03, 0x01, 0x02, 0x00, 0x33};
  auto d = Detect("d.iff", Form("DEEP", {{"DGBL", Dgbl(320, 256, 0)},
                                         {"DPEL", Dpel({{3, 8}, {1, 8}, {2, 8}, {4, 8}})},
                                         {"DLOC", Dloc(2, 2)},
                                         {"ANNO", {'d', 'e', 'e', 'p'}},
                                         {"DBOD", stored}}));
  TQoSourceEngine& e = Only(*d, "TQoAmigaDEEPEngine");
  EXPECT_EQ(11, e.DetectFlags);
  EXPECT_EQ("Amiga 2x2x32 image", e.GetDisplayName());
  EXPECT_EQ("deep", e.InfoTitle);
  EXPECT_EQ(29, e.AspectIndex);  // a PAL page of 320 x 256
  auto bmp = e.Decode();
  ASSERT_EQ(24, bmp->BitsPerPixel);
  EXPECT_EQ(0x102030u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0x010203u, bmp->GetPixel(1, 0));
  EXPECT_EQ(0u, bmp->GetPixel(0, 1));  // the data ends inside this pixel

  // ByteRun1, where 0x80 repeats 129 times; TVPP is the other form type.
  auto p = Detect("d.tvp", Form("TVPP", {{"DGBL", Dgbl(43, 1, 1)},
                                         {"DPEL", Dpel({{1, 8}, {2, 8}, {3, 8}})},
                                         {"DLOC", Dloc(43, 1)},
                                         {"DBOD", {0x80, 0x40}}}));
  TQoSourceEngine& pe = Only(*p, "TQoAmigaDEEPEngine");
  EXPECT_EQ(9, pe.DetectFlags);
  EXPECT_EQ(24, pe.ColorDepth);
  EXPECT_EQ(0x404040u, pe.Decode()->GetPixel(42, 0));

  // Nibble deltas: table word 0 is 0 (a repeat count follows), 1 adds 5, 2 adds 0xFB.
  // Red: 1, 1, 2, 0 0 gives 5, 10, 5, 5; green (from the next byte): 0 3 gives 0 four
  // times; blue: 2, 1, 0 1 gives 0xFB, 0, 0, 0.
  std::vector<uint32_t> table(16, 0x0100);
  table[0] = 0;
  table[1] = 0x0005;
  table[2] = 0x00FB;
  const TBytes deltas = {0x11, 0x20, 0x0F, 0x03, 0x21, 0x01};
  auto n = Detect("n.iff", Form("DEEP", {{"DGBL", Dgbl(4, 2, 5)},
                                         {"DPEL", Dpel({{1, 8}, {2, 8}, {3, 8}})},
                                         {"DLOC", Dloc(4, 2)},
                                         {"TVDC", Words(table)},
                                         {"DBOD", deltas}}));
  auto nb = Only(*n, "TQoAmigaDEEPEngine").Decode();
  EXPECT_EQ(0x0500FBu, nb->GetPixel(0, 0));
  EXPECT_EQ(0x0A0000u, nb->GetPixel(1, 0));
  EXPECT_EQ(0x050000u, nb->GetPixel(2, 0));
  EXPECT_EQ(0x050000u, nb->GetPixel(3, 0));
  EXPECT_EQ(0u, nb->GetPixel(0, 1));  // the nibbles ran out

  auto declined = [](std::vector<TChunk> chunks) {
    return Detect("n.iff", Form("DEEP", chunks))->First() == nullptr;
  };
  EXPECT_TRUE(declined({{"DGBL", Dgbl(4, 2, 0)},
                        {"DPEL", Dpel({{1, 8}, {2, 16}, {3, 8}})},
                        {"DLOC", Dloc(4, 2)},
                        {"DBOD", deltas}}));
  EXPECT_TRUE(declined({{"DGBL", Dgbl(4, 2, 5)},
                        {"DPEL", Dpel({{1, 8}, {2, 8}, {3, 8}})},
                        {"DLOC", Dloc(4, 2)},
                        {"DBOD", deltas}}));
  EXPECT_TRUE(declined({{"DGBL", Dgbl(4, 2, 0)},
                        {"DPEL", Dpel({{1, 8}, {2, 8}, {3, 8}})},
                        {"DLOC", Dloc(4, 2)},
                        {"DLOC", Dloc(4, 2)},
                        {"DBOD", deltas}}));
}

TEST(QoAmigaTest, AmosPictureBanksUnpackRunAndPointBits) {
  // Two planes, two blocks of two lines, two byte columns: 16 bytes in the order plane,
  // block, column, line. Point bit 7 set: the first run byte is passed over for 0xAA;
  // after eight bytes point bit 6 loads the run byte 0x80.
  const TBytes picture = {1, 2, 3, 4, 5, 6};
  const TBytes runs = {0xFF, 0xAA, 0x80};
  const TBytes points = {0xC0};
  const TBytes bank =
      AmosPicture(2, 0, 320, 200, 2, 2, 2, {0x000, 0xF00, 0x0F0, 0x00F}, picture, runs, points);
  auto d = Detect("p.abk", bank);
  ASSERT_EQ((std::vector<std::string>{"TQoAmigaAMOSEngine"}), d->Classes());
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(3, e.DetectFlags);
  EXPECT_EQ("Amiga 16x4x2 AMOS image", e.GetDisplayName());
  EXPECT_EQ(".abk", e.DefaultExtension);
  EXPECT_EQ(23, e.AspectIndex);  // an NTSC page of 320 x 200
  auto bmp = e.Decode();
  ASSERT_EQ(4, bmp->BitsPerPixel);
  // Plane 0: rows 0-1 of column 0 hold 2, of column 1 hold 3; rows 2-3 hold 4 and 5.
  // Plane 1 holds 6 everywhere.
  const std::map<std::pair<int, int>, uint32_t> expected = {
      {{5, 0}, 2}, {{6, 0}, 3}, {{7, 0}, 0}, {{13, 1}, 2}, {{14, 1}, 3}, {{15, 1}, 1},
      {{5, 2}, 3}, {{6, 2}, 2}, {{4, 3}, 0}, {{13, 3}, 3}, {{14, 3}, 2}, {{15, 3}, 1}};
  for (const auto& [at, value] : expected)
    EXPECT_EQ(value, bmp->GetPixel(at.first, at.second)) << at.first << "," << at.second;
  EXPECT_EQ(0x00FF00u, e.Palette->GetRGBQuad(2));
  EXPECT_EQ(1, Detect("p.bin", bank)->First()->DetectFlags);

  // Six planes, one byte of 0x80 for every plane: pixel 0 is 63.
  auto six = [](int mode) {
    std::vector<uint32_t> colors(32, 0);
    colors[0] = 0x123;
    colors[31] = 0xEEE;
    return AmosPicture(6, mode, 640, 256, 1, 1, 1, colors, {0x80}, {0x00}, {0x00});
  };
  auto ehb = Detect("e.abk", six(0x8000));
  TQoSourceEngine& ee = Only(*ehb, "TQoAmigaAMOSEngine");
  EXPECT_EQ(" EHB image", ee.Description);
  EXPECT_EQ(10, ee.AspectIndex);  // high resolution on a PAL page of 640 x 256
  auto eb = ee.Decode();
  EXPECT_EQ(64, ee.Palette->GetCount());
  EXPECT_EQ(63u, eb->GetPixel(0, 0));
  EXPECT_EQ(0x777777u, ee.Palette->GetRGBQuad(63));

  auto ham = Detect("h.abk", six(0x0800));
  TQoSourceEngine& he = Only(*ham, "TQoAmigaAMOSEngine");
  EXPECT_EQ(" HAM6 image", he.Description);
  auto hb = he.Decode();
  ASSERT_EQ(24, hb->BitsPerPixel);
  EXPECT_EQ(0x11FF33u, hb->GetPixel(0, 0));  // green 15 on register 0
  EXPECT_EQ(0x112233u, hb->GetPixel(1, 0));

  // A bank length that is not the file's, and a stream offset past the end.
  TBytes wrong = bank;
  wrong[11] ^= 1;
  EXPECT_EQ(nullptr, Detect("p.abk", wrong)->First());
  TBytes past = bank;
  past[110 + 16 + 3] = 0xF0;
  EXPECT_EQ(nullptr, Detect("p.abk", past)->First());
  // Blocks and lines that no memory would hold.
  TBytes huge = bank;
  std::fill(huge.begin() + 110 + 10, huge.begin() + 110 + 14, 0xFF);
  EXPECT_EQ(nullptr, Detect("p.abk", huge)->First());
}

TEST(QoAmigaTest, AmosSpriteBanksShareOneSheet) {
  auto two = [](int x, int y) { return static_cast<uint32_t>(x + y) & 3u; };
  // One empty and one 16 x 8 sprite: one line on the sheet, the sprite at (8, 8).
  auto d = Detect(
      "s.abk", SpriteBank("AmSp", {{0, 0, 0, {}}, {1, 8, 2, two}}, {0x000, 0xF00, 0x0F0, 0x00F}));
  ASSERT_EQ((std::vector<std::string>{"TQoAmigaAMOSSpriteBankEngine"}), d->Classes());
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(3, e.DetectFlags);
  EXPECT_EQ("Amiga 32x24x2 AMOS sprite bank (1 sprites)", e.GetDisplayName());
  auto bmp = e.Decode();
  ASSERT_EQ(4, bmp->BitsPerPixel);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(two(x, y), bmp->GetPixel(8 + x, 8 + y));
  EXPECT_EQ(0u, bmp->GetPixel(7, 8));
  EXPECT_EQ(0x0000FFu, e.Palette->GetRGBQuad(3));

  // Two and four planes: the bank is as deep as its deepest sprite.
  auto m =
      Detect("m.abk", SpriteBank("AmSp", {{1, 8, 2, two}, {2, 2, 4, [](int, int) { return 15u; }}},
                                 {0x000, 0xF00, 0x0F0, 0x00F}));
  TQoSourceEngine& me = Only(*m, "TQoAmigaAMOSSpriteBankEngine");
  EXPECT_EQ(4, me.ColorDepth);
  TQoSpritePositions layout;
  layout.AddSprite(16, 8);
  layout.AddSprite(32, 2);
  layout.Layout();
  EXPECT_EQ(layout.SheetWidth, me.Width);
  EXPECT_EQ(layout.SheetHeight, me.Height);
  auto mb = me.Decode();
  EXPECT_EQ(16, me.Palette->GetCount());
  const TQoSprite& second = *layout.GetSprite(1);
  EXPECT_EQ(15u, mb->GetPixel(second.X + 31, second.Y + 1));
  EXPECT_EQ(two(3, 5), mb->GetPixel(layout.GetSprite(0)->X + 3, layout.GetSprite(0)->Y + 5));

  // A single icon is shown as it is.
  auto i = Detect("i.bin", SpriteBank("AmIc", {{1, 3, 1, two}}, {}));
  TQoSourceEngine& ie = Only(*i, "TQoAmigaAMOSSpriteBankEngine");
  EXPECT_EQ(1, ie.DetectFlags);
  EXPECT_EQ("Amiga 16x3x1 AMOS icon", ie.GetDisplayName());
  EXPECT_EQ(1, ie.Decode()->BitsPerPixel);

  // Colours missing after the last sprite, a sprite of 7 planes, a bank of empty sprites.
  TBytes cut = SpriteBank("AmSp", {{1, 8, 2, two}}, {});
  cut.pop_back();
  EXPECT_EQ(nullptr, Detect("s.abk", cut)->First());
  EXPECT_EQ(nullptr, Detect("s.abk", SpriteBank("AmSp", {{1, 1, 7, two}}, {}))->First());
  EXPECT_EQ(nullptr, Detect("s.abk", SpriteBank("AmSp", {{0, 0, 0, {}}}, {}))->First());
}
