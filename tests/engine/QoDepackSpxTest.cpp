#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/QoDepackers.h"
#include "support/QoPackSpx.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Depacks into a buffer with guard bytes on both sides; fails the test when a guard is hit.
bool Depack(const Bytes& block, std::size_t outputSize, Bytes* output = nullptr) {
  constexpr std::size_t kGuard = 32;
  Bytes buffer(outputSize + 2 * kGuard, 0xA5);
  const bool ok = DepackSpx(block.data(), block.size(), buffer.data() + kGuard, outputSize);
  for (std::size_t i = 0; i < kGuard; ++i) {
    EXPECT_EQ(buffer[i], 0xA5) << "write before the output";
    EXPECT_EQ(buffer[kGuard + outputSize + i], 0xA5) << "write after the output";
  }
  if (output) output->assign(buffer.begin() + kGuard, buffer.begin() + kGuard + outputSize);
  return ok;
}

// A block assembled by hand: bits given as '0'/'1' in reading order (spaces ignored),
// packed into big-endian words stored from the end down.
Bytes HandBlock(uint32_t unpacked, const std::string& bitText) {
  std::string bits;
  for (char c : bitText) {
    if (c != ' ') bits.push_back(c);
  }
  const std::size_t words = (bits.size() + 31) / 32;
  Bytes stream(words * 4, 0);
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (bits[i] != '1') continue;
    const std::size_t at = stream.size() - 4 * (i / 32 + 1) + (i % 32) / 8;
    stream[at] |= static_cast<uint8_t>(0x80 >> (i % 8));
  }
  Bytes block;
  for (uint32_t v : {unpacked, static_cast<uint32_t>(stream.size())}) {
    for (int shift = 24; shift >= 0; shift -= 8) block.push_back(static_cast<uint8_t>(v >> shift));
  }
  block.insert(block.end(), stream.begin(), stream.end());
  return block;
}

Bytes Random(std::size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes data(size);
  for (uint8_t& b : data) b = static_cast<uint8_t>(random());
  return data;
}

// Literal "A" (flag 0, number 00 0001, the byte), then a match whose offset and length
// code follow; the output is four bytes.
Bytes LiteralThenMatch(const std::string& offset) {
  return HandBlock(4, "0 00 0001 01000001 " + offset + " 00 0000");
}

TEST(DepackSpx, HandAssembledStreams) {
  Bytes out;
  // Offset 1, length 3: the copy repeats the one byte written.
  ASSERT_TRUE(Depack(LiteralThenMatch("00 0001"), 4, &out));
  EXPECT_EQ(out, Bytes(4, 'A'));
  // Offset 0 and an offset above the written byte are refused.
  EXPECT_FALSE(Depack(LiteralThenMatch("00 0000"), 4));
  EXPECT_FALSE(Depack(LiteralThenMatch("00 0010"), 4));
  // A match at the very start, with nothing written, is refused.
  EXPECT_FALSE(Depack(HandBlock(4, "1 00 0001 00 0000"), 4));
  // A twelve-bit number (k = 2): a literal run of 2 bytes coded long.
  ASSERT_TRUE(Depack(HandBlock(2, "0 10 000000000010 01000010 01000011"), 2, &out));
  EXPECT_EQ(out, (Bytes{'C', 'B'}));  // filled from the end
}

TEST(DepackSpx, HeaderIsChecked) {
  const Bytes data = Random(100, 1);
  const Bytes packed = QoPackSpx(data);
  EXPECT_TRUE(Depack(packed, 100));
  EXPECT_FALSE(Depack(packed, 99));
  EXPECT_FALSE(Depack(packed, 101));
  // A packed length beyond the block.
  Bytes longer = packed;
  longer[7] = static_cast<uint8_t>(longer[7] + 4);
  EXPECT_FALSE(Depack(longer, 100));
  EXPECT_FALSE(Depack(Bytes(packed.begin(), packed.begin() + 7), 100));
  EXPECT_FALSE(DepackSpx(nullptr, 0, nullptr, 0));
}

TEST(DepackSpx, RoundTrips) {
  std::mt19937 random(3);
  std::vector<Bytes> cases = {Random(1, 2), Random(1000, 3), Bytes(5000, 0x00)};
  Bytes pattern;
  for (int i = 0; i < 3000; ++i) pattern.push_back(static_cast<uint8_t>("ABCABD"[i % 6]));
  cases.push_back(pattern);
  Bytes mixed;
  for (int i = 0; i < 40; ++i) {
    const Bytes piece = Random(random() % 50, static_cast<uint32_t>(i));
    mixed.insert(mixed.end(), piece.begin(), piece.end());
    // A copy of an earlier stretch: a match reaching far or near.
    const std::size_t from = random() % (mixed.size() + 1);
    const std::size_t length = std::min<std::size_t>(random() % 300, mixed.size() - from);
    for (std::size_t j = 0; j < length; ++j) mixed.push_back(mixed[from + j]);
  }
  cases.push_back(mixed);
  for (const Bytes& data : cases) {
    Bytes out;
    ASSERT_TRUE(Depack(QoPackSpx(data), data.size(), &out)) << data.size();
    EXPECT_EQ(out, data);
  }
}

TEST(DepackSpx, LongestLiteralRunIsFollowedByAnotherRun) {
  // From the end: 65,535 literals, then 7 more with no match between, then a match.
  const Bytes random = Random(65535 + 7, 5);
  Bytes data(random.begin(), random.begin() + 20);
  data.insert(data.end(), random.begin(), random.end());
  Bytes out;
  ASSERT_TRUE(Depack(QoPackSpxTokens(data, {TQoSpxToken::Lit(65535), TQoSpxToken::Lit(7),
                                            TQoSpxToken::Match(20, 20)}),
                     data.size(), &out));
  EXPECT_EQ(out, data);

  // A match after the longest run comes behind its own flag bit.
  const Bytes tail = Random(65535, 7);
  Bytes built = Random(4, 8);
  built.insert(built.end(), tail.begin(), tail.begin() + 3);
  built.insert(built.end(), tail.begin(), tail.end());
  ASSERT_TRUE(Depack(QoPackSpxTokens(built, {TQoSpxToken::Lit(65535), TQoSpxToken::Match(3, 3),
                                             TQoSpxToken::Lit(4)}),
                     built.size(), &out));
  EXPECT_EQ(out, built);
}

TEST(DepackSpx, OverlappingMatchRepeatsPattern) {
  Bytes data;
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<uint8_t>("XYZ"[i % 3]));
  Bytes out;
  ASSERT_TRUE(Depack(QoPackSpxTokens(data, {TQoSpxToken::Lit(3), TQoSpxToken::Match(997, 3)}),
                     data.size(), &out));
  EXPECT_EQ(out, data);
}

TEST(DepackSpx, CorruptStreamsFailCleanly) {
  Bytes data = Random(60, 9);
  data.insert(data.end(), data.begin(), data.begin() + 40);
  const Bytes packed = QoPackSpx(data);
  // The stream cut at its front, where the depacker reads last: it runs out of words.
  for (std::size_t cut = 1; cut + 8 <= packed.size(); ++cut) {
    Bytes shorter(packed.begin(), packed.begin() + 8);
    shorter.insert(shorter.end(), packed.begin() + static_cast<std::ptrdiff_t>(8 + cut),
                   packed.end());
    const std::size_t stream = shorter.size() - 8;
    shorter[6] = static_cast<uint8_t>(stream >> 8);
    shorter[7] = static_cast<uint8_t>(stream);
    EXPECT_FALSE(Depack(shorter, data.size())) << cut;
    // The block cut at its end no longer holds the stream its header announces.
    EXPECT_FALSE(Depack(Bytes(packed.begin(), packed.end() - static_cast<std::ptrdiff_t>(cut)),
                        data.size()));
  }
  // Flipped bytes: any answer, but never a write outside the output.
  for (std::size_t i = 8; i < packed.size(); ++i) {
    for (uint8_t mask : {0x01, 0x10, 0x80, 0xFF}) {
      Bytes flipped = packed;
      flipped[i] ^= mask;
      Depack(flipped, data.size());  // guards checked inside
    }
  }
}

}  // namespace
