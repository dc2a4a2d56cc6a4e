#include "engine/QoStreamReaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Everything a reader yields, up to cap bytes; ended tells whether it stopped by itself.
template <typename Reader>
Bytes Drain(Reader& reader, bool* ended = nullptr, std::size_t cap = 1 << 20) {
  Bytes out;
  uint8_t value = 0;
  while (out.size() < cap && reader.ReadByte(value)) out.push_back(value);
  if (ended) *ended = out.size() < cap;
  return out;
}

// The data in a heap block of exactly its size, so a read past either end is caught by
// the address sanitizer.
std::unique_ptr<uint8_t[]> Exact(const Bytes& data) {
  auto block = std::make_unique<uint8_t[]>(data.size() ? data.size() : 1);
  std::copy(data.begin(), data.end(), block.get());
  return block;
}

TEST(ByteReader, LittleEndianReadsAndFailuresConsumeNothing) {
  const Bytes data = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAA, 0xBB};
  ByteReader reader(data.data(), data.size());
  uint8_t byte = 0;
  uint16_t word = 0;
  uint32_t longWord = 0;
  ASSERT_TRUE(reader.ReadByte(byte));
  EXPECT_EQ(byte, 0x01);
  ASSERT_TRUE(reader.ReadWord(word));
  EXPECT_EQ(word, 0x1234);
  ASSERT_TRUE(reader.ReadLong(longWord));
  EXPECT_EQ(longWord, 0x12345678u);
  // Two bytes left: the long read fails and leaves them for the word read.
  EXPECT_FALSE(reader.ReadLong(longWord));
  EXPECT_EQ(reader.Remaining(), 2u);
  EXPECT_EQ(reader.TakePointer(3), nullptr);
  uint8_t buffer[3] = {};
  EXPECT_FALSE(reader.ReadBytes(buffer, 3));
  ASSERT_TRUE(reader.ReadBytes(buffer, 2));
  EXPECT_EQ(buffer[1], 0xBB);
  EXPECT_FALSE(reader.ReadByte(byte));
  EXPECT_FALSE(reader.ReadWord(word));
  EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(ByteReader, TakePointerAndSkipStayInside) {
  const Bytes data = {1, 2, 3, 4, 5};
  ByteReader reader(data.data(), data.size());
  EXPECT_EQ(reader.TakePointer(2), data.data());
  EXPECT_EQ(reader.TakePointer(0), data.data() + 2);
  EXPECT_TRUE(reader.Skip(1));
  // A skip beyond the end stops at the end instead of leaving the data.
  EXPECT_FALSE(reader.Skip(100));
  EXPECT_EQ(reader.Cursor(), data.data() + data.size());
  EXPECT_EQ(reader.Remaining(), 0u);
  EXPECT_EQ(reader.TakePointer(1), nullptr);
}

TEST(ReadZString, StopsAtZeroOrEnd) {
  const Bytes text = {'A', 'B', 0, 'C'};
  ByteReader reader(text.data(), text.size());
  EXPECT_EQ(ReadZString(reader), "AB");
  EXPECT_EQ(reader.Remaining(), 1u);  // the zero was consumed
  EXPECT_EQ(ReadZString(reader), "C");
  EXPECT_EQ(ReadZString(reader), "");

  const Bytes unterminated = {'A', 'B'};
  const uint8_t* cursor = unterminated.data();
  int32_t remaining = 2;
  EXPECT_EQ(ReadZString(cursor, remaining), "AB");
  EXPECT_EQ(remaining, 0);
  EXPECT_EQ(cursor, unterminated.data() + 2);
}

TEST(EscValueCountReader, RunsLiteralsAndEndMark) {
  // escape E0: value then count; 0 ends the stream even with data after it.
  const Bytes data = {0x99, 0x11, 0xE0, 0x22, 0x03, 0x33, 0xE0, 0x44, 0x00, 0x55};
  EscValueCountReader reader(data.data(), data.size(), 0xE0, 0, 1, false);
  bool ended = false;
  EXPECT_EQ(Drain(reader, &ended), (Bytes{0x11, 0x22, 0x22, 0x22, 0x33}));
  EXPECT_TRUE(ended);
  uint8_t value = 0;
  EXPECT_FALSE(reader.ReadByte(value));  // stays ended

  // Count plus one: a stored 0 is a run of one, 2 a run of three.
  const Bytes plusOne = {0xE0, 0x22, 0x00, 0xE0, 0x33, 0x02};
  EscValueCountReader counted(plusOne.data(), plusOne.size(), 0xE0, 0, 0, true);
  EXPECT_EQ(Drain(counted), (Bytes{0x22, 0x33, 0x33, 0x33}));
}

TEST(EscCountValueReader, DefaultCountReplacesZero) {
  const Bytes data = {0xFE, 0x00, 0x41};
  EscCountValueReader reader(data.data(), data.size(), 0xFE, 256, 0, false);
  EXPECT_EQ(Drain(reader), Bytes(256, 0x41));

  // A default of 0 makes the zero count an end mark.
  const Bytes ending = {0x10, 0xFE, 0x02, 0x41, 0xFE, 0x00, 0x42, 0x20};
  EscCountValueReader stops(ending.data(), ending.size(), 0xFE, 0, 0, false);
  EXPECT_EQ(Drain(stops), (Bytes{0x10, 0x41, 0x41}));

  // With count plus one, FF becomes 256 and 00 a single byte, never the default.
  const Bytes plusOne = {0xFE, 0xFF, 0x07, 0xFE, 0x00, 0x08};
  EscCountValueReader counted(plusOne.data(), plusOne.size(), 0xFE, 0, 0, true);
  Bytes expected(256, 0x07);
  expected.push_back(0x08);
  EXPECT_EQ(Drain(counted), expected);
}

TEST(EscCountValueBackReader, ReadsDownToTheStartOffset) {
  // Read from the end: 0x01, then FE with count 3 and value 0x42 below it, then 0x02.
  // The two bytes below the start offset are escape bytes that must not be read.
  const Bytes data = {0xFE, 0xFE, 0x02, 0x42, 0x03, 0xFE, 0x01};
  EscCountValueBackReader reader(data.data(), data.size(), 0xFE, 0, 2, false);
  bool ended = false;
  EXPECT_EQ(Drain(reader, &ended), (Bytes{0x01, 0x42, 0x42, 0x42, 0x02}));
  EXPECT_TRUE(ended);
}

// A forward count/value encoder, to compare the forward and backward readers on random
// streams and check both against the bytes encoded.
Bytes EncodeCountValue(const Bytes& plain, uint8_t escape) {
  Bytes out;
  for (std::size_t i = 0; i < plain.size();) {
    std::size_t run = 1;
    while (i + run < plain.size() && plain[i + run] == plain[i] && run < 255) ++run;
    if (run >= 3 || plain[i] == escape) {
      out.insert(out.end(), {escape, static_cast<uint8_t>(run), plain[i]});
    } else {
      out.insert(out.end(), plain.begin() + static_cast<std::ptrdiff_t>(i),
                 plain.begin() + static_cast<std::ptrdiff_t>(i + run));
    }
    i += run;
  }
  return out;
}

TEST(EscCountValueReader, RandomStreamsBothDirections) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    Bytes plain;
    while (plain.size() < 600) {
      const uint8_t value = static_cast<uint8_t>(random() % 8 + 0xFA);  // escape 0xFE often
      plain.insert(plain.end(), random() % 300 + 1, value);
    }
    const Bytes packed = EncodeCountValue(plain, 0xFE);
    EscCountValueReader forward(packed.data(), packed.size(), 0xFE, 0, 0, false);
    ASSERT_EQ(Drain(forward), plain);
    // The backward stream is the forward one reversed, with two leading bytes skipped.
    Bytes back = {0xFE, 0xFE};
    back.insert(back.end(), packed.rbegin(), packed.rend());
    EscCountValueBackReader backward(back.data(), back.size(), 0xFE, 0, 2, false);
    ASSERT_EQ(Drain(backward), plain);
  }
}

TEST(EscapeReaders, TruncatedSequencesFailInsideTheData) {
  const Bytes full = {0x05, 0xFE, 0x04, 0x41, 0x06};
  for (std::size_t size = 0; size <= full.size(); ++size) {
    const Bytes data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    const auto block = Exact(data);
    EscValueCountReader valueCount(block.get(), size, 0xFE, 0, 0, false);
    EscCountValueReader countValue(block.get(), size, 0xFE, 0, 0, false);
    EscCountValueBackReader back(block.get(), size, 0xFE, 0, 0, false);
    const Bytes a = Drain(valueCount);
    const Bytes b = Drain(countValue);
    Drain(back);
    // A cut escape sequence yields nothing of its run.
    EXPECT_EQ(a.size(), size == 0 ? 0u : size < 4 ? 1u : size == 4 ? 66u : 67u) << size;
    EXPECT_EQ(b.size(), size == 0 ? 0u : size < 4 ? 1u : size == 4 ? 5u : 6u) << size;
  }
  // A start offset at or past the end gives an empty stream.
  EscCountValueReader past(full.data(), full.size(), 0xFE, 0, 9, false);
  EXPECT_TRUE(Drain(past).empty());
  EscCountValueBackReader pastBack(full.data(), full.size(), 0xFE, 0, 5, false);
  EXPECT_TRUE(Drain(pastBack).empty());
}

TEST(PackBitsReader, LiteralAndRepeatRuns) {
  const Bytes run = {0x80, 0x41};
  PackBitsReader reader(run.data(), run.size());
  EXPECT_EQ(Drain(reader), Bytes(129, 0x41));

  const Bytes mixed = {0x00, 0x10, 0xFF, 0x20, 0x02, 0x01, 0x02, 0x03, 0xFE, 0x30};
  PackBitsReader mixedReader(mixed.data(), mixed.size());
  EXPECT_EQ(Drain(mixedReader), (Bytes{0x10, 0x20, 0x20, 0x01, 0x02, 0x03, 0x30, 0x30, 0x30}));

  // Truncated inside a literal run and after a repeat control byte.
  for (const Bytes& cut : {Bytes{0x03, 0x01, 0x02}, Bytes{0x00, 0x05, 0x85}}) {
    const auto block = Exact(cut);
    PackBitsReader truncated(block.get(), cut.size());
    bool ended = false;
    EXPECT_EQ(Drain(truncated, &ended).size(), cut[0] == 0x03 ? 2u : 1u);
    EXPECT_TRUE(ended);
  }
}

TEST(StreamReaders, RandomBytesNeverReadOutside) {
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    Bytes data(random() % 40);
    for (uint8_t& b : data) b = static_cast<uint8_t>(random() % 4 == 0 ? 0xFE : random());
    const auto block = Exact(data);
    const std::size_t start = random() % 4;
    const bool plusOne = random() % 2;
    EscValueCountReader a(block.get(), data.size(), 0xFE, 0, start, plusOne);
    EscCountValueReader b(block.get(), data.size(), 0xFE, 256, start, plusOne);
    EscCountValueBackReader c(block.get(), data.size(), 0xFE, 256, start, plusOne);
    PackBitsReader d(block.get(), data.size(), start);
    Drain(a);
    Drain(b);
    Drain(c);
    Drain(d);
    EXPECT_GE(a.Remaining, 0);
    if (start < data.size()) {
      EXPECT_GE(c.Cursor, block.get() + start);
    }
  }
}

}  // namespace
