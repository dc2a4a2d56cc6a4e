#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/QoLoadSource.h"
#include "support/QoPackIce.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Header(const char* magic, uint32_t packed, uint32_t unpacked) {
  Bytes out(magic, magic + 4);
  for (uint32_t v : {packed, unpacked}) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
  }
  return out;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Depacks into a buffer with guard bytes on both sides; fails the test when a guard is hit.
bool Depack(const Bytes& block, std::size_t outputSize, Bytes* output = nullptr) {
  constexpr std::size_t kGuard = 64;
  Bytes buffer(outputSize + 2 * kGuard, 0xA5);
  const bool ok = DepackIce(block.data(), block.size(), buffer.data() + kGuard, outputSize);
  for (std::size_t i = 0; i < kGuard; ++i) {
    EXPECT_EQ(buffer[i], 0xA5) << "write before the output";
    EXPECT_EQ(buffer[kGuard + outputSize + i], 0xA5) << "write after the output";
  }
  if (output) output->assign(buffer.begin() + kGuard, buffer.begin() + kGuard + outputSize);
  return ok;
}

Bytes Text(const char* text) {
  return Bytes(text, text + std::strlen(text));
}

// Streams assembled by hand from the format's rules, independent of the test packer.
//   "ABAB": literal "AB" (flag 1, length bits 1 00), then a match of 2 at offset 0
//   (length 0, near 0, six offset bits 000000). The first byte unit holds seven data
//   bits above its marker: 1100000|1 = C1; the next unit supplies the other five
//   offset bits and sits below the literal bytes, read after them.
const Bytes kAbabBytes = Concat(Header("ICE!", 16, 4), {0x00, 'A', 'B', 0xC1});
//   "ABCQRABC": literal "QRABC" (flag 1, length 1 11 00), then a match of 3 (length
//   code 1: bits 10) at offset 2 (class 10, five bits 00010). One word unit holds all
//   fifteen bits: 1111 0010 1000 010|1 -> F2850000, loaded before the literal bytes.
const Bytes kQrWords = Concat(Header("Ice!", 21, 8), {'Q', 'R', 'A', 'B', 'C', 0xF2, 0x85, 0, 0});
//   The same in byte units, where the offset is stored less the length code (2 - 1 = 1):
//   1111001|1 = F3, the literal bytes, then 0 10 00001 = 41.
const Bytes kQrBytes = Concat(Header("ICE!", 19, 8), {0x41, 'Q', 'R', 'A', 'B', 'C', 0xF3});

TEST(DepackIce, HandAssembledStreams) {
  Bytes out;
  ASSERT_TRUE(Depack(kAbabBytes, 4, &out));
  EXPECT_EQ(out, Text("ABAB"));
  ASSERT_TRUE(Depack(kQrWords, 8, &out));
  EXPECT_EQ(out, Text("ABCQRABC"));
  ASSERT_TRUE(Depack(kQrBytes, 8, &out));
  EXPECT_EQ(out, Text("ABCQRABC"));
}

TEST(DepackIce, HandAssembledStreamsBroken) {
  // Offset 1 instead of 0: the copied block would reach past the two written bytes.
  Bytes farOffset = kAbabBytes;
  farOffset[12] = 0x08;
  EXPECT_FALSE(Depack(farOffset, 4));
  // The first unit must be non-zero: it carries the marker.
  Bytes noMarker = kAbabBytes;
  noMarker[15] = 0x00;
  EXPECT_FALSE(Depack(noMarker, 4));
  // A literal of two bytes with only one packed byte below it.
  EXPECT_FALSE(Depack(Concat(Header("ICE!", 14, 4), {'B', 0xC1}), 4));
  // A literal longer than the output.
  Bytes shortOutput = kAbabBytes;
  shortOutput[11] = 1;
  EXPECT_FALSE(Depack(shortOutput, 1));
  // The bytes below the first unit are missing: the bit reader runs into the header.
  Bytes cut(kQrBytes.begin(), kQrBytes.end());
  cut.erase(cut.begin() + 12);
  cut[7] = 18;
  EXPECT_FALSE(Depack(cut, 8));
}

TEST(DepackIce, HeaderChecks) {
  const Bytes good = kQrWords;
  Bytes out(8, 0x5A);
  auto refused = [&](Bytes block, std::size_t outputSize) {
    Bytes output(outputSize + 1, 0x5A);
    const bool ok = DepackIce(block.data(), block.size(), output.data(), outputSize);
    // Refused before a single byte is written.
    for (uint8_t b : output) EXPECT_EQ(b, 0x5A);
    return !ok;
  };
  EXPECT_TRUE(refused(Concat(Header("Ice?", 21, 8), Bytes(good.begin() + 12, good.end())), 8));
  EXPECT_TRUE(refused(Concat(Header("ice!", 21, 8), Bytes(good.begin() + 12, good.end())), 8));
  Bytes lyingPacked = good;
  lyingPacked[7] = 22;  // one more than the block holds
  EXPECT_TRUE(refused(lyingPacked, 8));
  Bytes tinyPacked = good;
  tinyPacked[7] = 12;  // nothing but the header
  EXPECT_TRUE(refused(tinyPacked, 8));
  tinyPacked[7] = 3;  // inside the header
  EXPECT_TRUE(refused(tinyPacked, 8));
  Bytes zeroUnpacked = good;
  zeroUnpacked[11] = 0;
  EXPECT_TRUE(refused(zeroUnpacked, 0));
  // The unpacked length must equal the output size, in both directions.
  EXPECT_TRUE(refused(good, 7));
  EXPECT_TRUE(refused(good, 9));
  Bytes huge = good;
  huge[8] = 0xFF;
  EXPECT_TRUE(refused(huge, 8));
  EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + 12), 8));
  EXPECT_FALSE(DepackIce(nullptr, good.size(), out.data(), 8));
  EXPECT_FALSE(DepackIce(good.data(), good.size(), nullptr, 8));
  // The block may be longer than the packed length: the stream still starts at it.
  EXPECT_TRUE(Depack(Concat(good, {1, 2, 3}), 8, &out));
  EXPECT_EQ(out, Text("ABCQRABC"));
}

struct IceCase {
  TQoIceFormat Format;
  int FirstUnitBits;
};

class DepackIceClasses : public ::testing::TestWithParam<IceCase> {};

// A token sequence with every literal-length class (at both ends of each), every match
// length class and every offset class, for the format's own offset coding.
std::vector<TQoIceToken> EveryClass(TQoIceFormat format) {
  // Stored offset -> offset; the byte format adds the length code to non-zero values.
  auto match = [format](uint32_t length, uint32_t stored) {
    const uint32_t code = length - 2;
    const uint32_t offset =
        (format == TQoIceFormat::Bytes && stored && length > 2) ? stored + code : stored;
    return TQoIceToken::Match(length, offset);
  };
  std::vector<TQoIceToken> tokens;
  tokens.push_back(TQoIceToken::Lit(5000));  // enough history for every offset
  const uint32_t literals[] = {1, 2, 4, 5, 7, 8, 14, 15, 269, 270, 33037};
  const uint32_t lengths[] = {3, 4, 5, 6, 9, 10, 1033};
  const uint32_t stored[] = {0, 1, 31, 32, 287, 288, 4383};
  std::size_t next = 0;
  auto literal = [&] { tokens.push_back(TQoIceToken::Lit(literals[next++ % 11])); };
  for (uint32_t offset : {0u, 63u, 64u, 575u}) {
    tokens.push_back(match(2, offset));
    literal();
  }
  for (uint32_t length : lengths) {
    for (uint32_t s : stored) {
      tokens.push_back(match(length, s));
      if (s % 2) literal();  // matches follow both literals and other matches
    }
  }
  tokens.push_back(match(2, 1));
  tokens.push_back(TQoIceToken::Lit(3));  // a literal run ends the stream
  return tokens;
}

TEST_P(DepackIceClasses, EveryTokenClassRoundTrips) {
  const IceCase c = GetParam();
  const std::vector<TQoIceToken> tokens = EveryClass(c.Format);
  std::set<int> literalClasses, lengthClasses, offsetClasses;
  for (const TQoIceToken& t : tokens) {
    if (t.Literal) {
      literalClasses.insert(QoIceLiteralClass(t.Length));
    } else {
      lengthClasses.insert(QoIceMatchLengthClass(t.Length));
      offsetClasses.insert(QoIceOffsetClass(t.Length, t.Offset, c.Format));
    }
  }
  ASSERT_EQ(literalClasses, (std::set<int>{0, 1, 2, 3, 4, 5}));
  ASSERT_EQ(lengthClasses, (std::set<int>{0, 1, 2, 3, 4}));
  ASSERT_EQ(offsetClasses, (std::set<int>{0, 1, 2, 3, 4}));

  const Bytes data = QoIceDataFor(tokens, 12345);
  const Bytes packed = QoPackIceTokens(data, tokens, c.Format, c.FirstUnitBits);
  ASSERT_TRUE(QoIsPackIceHeader(TQoByteView(packed.data(), packed.size())));
  Bytes out;
  ASSERT_TRUE(Depack(packed, data.size(), &out));
  EXPECT_EQ(out, data);
}

TEST_P(DepackIceClasses, EveryTruncationFails) {
  const IceCase c = GetParam();
  const std::vector<TQoIceToken> tokens = {TQoIceToken::Lit(40),      TQoIceToken::Match(10, 25),
                                           TQoIceToken::Match(2, 0),  TQoIceToken::Lit(3),
                                           TQoIceToken::Match(5, 30), TQoIceToken::Lit(17)};
  const Bytes data = QoIceDataFor(tokens, 7);
  const Bytes packed = QoPackIceTokens(data, tokens, c.Format, c.FirstUnitBits);
  ASSERT_TRUE(Depack(packed, data.size()));
  // The last bytes read lie lowest: without them the stream must run dry.
  for (std::size_t cut = 1; cut < packed.size() - 12; ++cut) {
    Bytes shorter(packed.begin(), packed.begin() + 12);
    shorter.insert(shorter.end(), packed.begin() + 12 + static_cast<std::ptrdiff_t>(cut),
                   packed.end());
    const uint32_t length = static_cast<uint32_t>(shorter.size());
    for (int i = 0; i < 4; ++i) shorter[4 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    EXPECT_FALSE(Depack(shorter, data.size())) << "cut " << cut;
  }
  // A block shorter than its packed length is refused outright.
  for (std::size_t size = 0; size < packed.size(); ++size) {
    Bytes out(data.size());
    EXPECT_FALSE(DepackIce(packed.data(), size, out.data(), out.size()));
  }
}

TEST_P(DepackIceClasses, CorruptStreamsStayInBounds) {
  const IceCase c = GetParam();
  Bytes data(3000);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<uint8_t>((i % 97) ^ (i / 700 * 13));
    if (i % 41 == 0) data[i] = static_cast<uint8_t>(i >> 3);
  }
  const Bytes packed =
      QoPackIceTokens(data, QoIceGreedyTokens(data, c.Format), c.Format, c.FirstUnitBits);
  std::mt19937 random(99);
  for (int round = 0; round < 400; ++round) {
    Bytes broken = packed;
    const int flips = 1 + round % 4;
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = 12 + random() % (broken.size() - 12);
      broken[at] = static_cast<uint8_t>(broken[at] ^ (1u << (random() % 8)));
    }
    Depack(broken, data.size());
  }
  // Random bytes after a valid header.
  for (int round = 0; round < 200; ++round) {
    Bytes noise = Header(c.Format == TQoIceFormat::Bytes ? "ICE!" : "Ice!", 12 + 64, 5000);
    for (int i = 0; i < 64; ++i) noise.push_back(static_cast<uint8_t>(random()));
    Depack(noise, 5000);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DepackIceClasses,
    ::testing::Values(IceCase{TQoIceFormat::Words, -1}, IceCase{TQoIceFormat::Words, 0},
                      IceCase{TQoIceFormat::Words, 17}, IceCase{TQoIceFormat::Bytes, -1},
                      IceCase{TQoIceFormat::Bytes, 0}, IceCase{TQoIceFormat::Bytes, 3}));

TEST(DepackIce, LastMatchIsCutToTheOutput) {
  // Written as a copy of 20, only the 5 bytes still missing are copied.
  // The offset is checked against the cut length: 25 + 5 fits the 30 bytes written, and
  // with the full 20 it would not.
  const Bytes data = QoIceDataFor({TQoIceToken::Lit(30), TQoIceToken::Match(5, 25)}, 3);
  for (TQoIceFormat format : {TQoIceFormat::Words, TQoIceFormat::Bytes}) {
    for (uint32_t written : {20u, 6u}) {
      const Bytes packed =
          QoPackIceTokens(data, {TQoIceToken::Lit(30), TQoIceToken::Match(written, 25)}, format);
      Bytes out;
      ASSERT_TRUE(Depack(packed, data.size(), &out));
      EXPECT_EQ(out, data);
    }
  }
}

TEST(DepackIce, GreedyPackerRoundTrips) {
  // A screen-like picture: repeated rows with a little noise, then incompressible bytes.
  Bytes data(6912);
  std::mt19937 random(5);
  for (std::size_t i = 0; i < 6144; ++i) {
    data[i] = static_cast<uint8_t>((i % 32) * 7 ^ ((i / 256) & 0x0F));
    if (random() % 50 == 0) data[i] = static_cast<uint8_t>(random());
  }
  for (std::size_t i = 6144; i < data.size(); ++i) data[i] = static_cast<uint8_t>(random());
  for (TQoIceFormat format : {TQoIceFormat::Words, TQoIceFormat::Bytes}) {
    const Bytes packed = QoPackIce(data, format);
    EXPECT_LT(packed.size(), data.size());
    Bytes out;
    ASSERT_TRUE(Depack(packed, data.size(), &out));
    EXPECT_EQ(out, data);
    // One byte, and a run of one value.
    for (const Bytes& small : {Bytes{0x42}, Bytes(2000, 0x00)}) {
      ASSERT_TRUE(Depack(QoPackIce(small, format), small.size(), &out));
      EXPECT_EQ(out, small);
    }
  }
}

}  // namespace
