#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/QoDepackers.h"
#include "support/QoPackLz4.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr std::size_t kWindow = 131072;

Bytes Random(std::size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes data(size);
  for (uint8_t& b : data) b = static_cast<uint8_t>(random());
  return data;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Decodes through a sink that collects the pieces and checks that none is empty or
// longer than the window.
bool Decode(const Bytes& input, Bytes* output = nullptr) {
  Bytes out;
  const bool ok = DepackLz4Frame(input.data(), input.size(), [&](const uint8_t* p, std::size_t n) {
    EXPECT_GT(n, 0u);
    EXPECT_LE(n, kWindow);
    out.insert(out.end(), p, p + n);
    return true;
  });
  if (output) *output = out;
  return ok;
}

// Random pieces, runs, and copies of earlier stretches near and far.
Bytes Repetitive(std::size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes data;
  while (data.size() < size) {
    switch (random() % 3) {
      case 0: {
        const Bytes piece = Random(random() % 64, static_cast<uint32_t>(random()));
        data.insert(data.end(), piece.begin(), piece.end());
        break;
      }
      case 1:
        data.insert(data.end(), random() % 300, static_cast<uint8_t>(random()));
        break;
      default:
        if (!data.empty()) {
          const std::size_t from = random() % data.size();
          const std::size_t length = std::min<std::size_t>(random() % 2000, data.size() - from);
          for (std::size_t i = 0; i < length; ++i) data.push_back(data[from + i]);
        }
    }
  }
  data.resize(size);
  return data;
}

TEST(DepackLz4, RoundTripsWithEveryBlockKind) {
  const std::vector<Bytes> cases = {Random(1, 1), Random(70000, 2), Repetitive(20000, 3),
                                    Repetitive(400000, 4)};
  for (TQoLz4Blocks blocks :
       {TQoLz4Blocks::Compressed, TQoLz4Blocks::Stored, TQoLz4Blocks::Alternate}) {
    for (const Bytes& data : cases) {
      TQoLz4FrameOptions options;
      options.Blocks = blocks;
      options.BlockSize = 30000;
      options.ContentSize = data.size() % 2 == 0;
      options.ContentChecksum = true;
      options.BlockChecksum = data.size() > 50000;
      Bytes out;
      ASSERT_TRUE(Decode(QoPackLz4Frame(data, options), &out)) << data.size();
      EXPECT_EQ(out, data);
    }
  }
}

TEST(DepackLz4, OverlappingMatchesAcrossTheWindowSlide) {
  // A four-byte pattern as one long overlapping match: it comes out in many pieces
  // (65,535 is no multiple of four, and the window fills and slides), and each piece
  // must continue the pattern where the last one stopped.
  Bytes data;
  for (int i = 0; i < 300001; ++i) data.push_back(static_cast<uint8_t>("wxyz"[i % 4]));
  TQoLz4FrameOptions options;
  options.BlockSize = data.size();
  options.Descriptor = 0x70;
  const Bytes packed = QoPackLz4Frame(data, options);
  ASSERT_LT(packed.size(), 2000u);
  Bytes out;
  ASSERT_TRUE(Decode(packed, &out));
  EXPECT_EQ(out, data);

  // One byte repeated, reaching back over the slide from a second block.
  Bytes runs = Random(kWindow - 5, 3);
  runs.insert(runs.end(), 200000, 0x5A);
  options.BlockSize = kWindow - 1;
  ASSERT_TRUE(Decode(QoPackLz4Frame(runs, options), &out));
  EXPECT_EQ(out, runs);
}

TEST(DepackLz4, EmptyInputsAndFrames) {
  EXPECT_TRUE(Decode({}));
  Bytes out = {1};
  ASSERT_TRUE(Decode(QoPackLz4Frame({}), &out));
  EXPECT_TRUE(out.empty());
}

TEST(DepackLz4, ConcatenatedFramesEachStartEmpty) {
  const Bytes first = Repetitive(5000, 5);
  const Bytes second = Repetitive(7000, 6);
  TQoLz4FrameOptions sized;
  sized.ContentSize = true;
  Bytes out;
  ASSERT_TRUE(Decode(Concat(QoPackLz4Frame(first), QoPackLz4Frame(second, sized)), &out));
  EXPECT_EQ(out, Concat(first, second));

  // A second frame whose block reaches back into the first frame's output.
  const Bytes both = Concat(first, first);
  const Bytes block = QoLz4CompressBlock(both, first.size(), both.size());
  Bytes frame = QoPackLz4Frame({});
  frame.resize(frame.size() - 4);  // drop the end mark
  for (int i = 0; i < 4; ++i) frame.push_back(static_cast<uint8_t>(block.size() >> (8 * i)));
  frame = Concat(Concat(frame, block), {0, 0, 0, 0});
  EXPECT_FALSE(Decode(Concat(QoPackLz4Frame(first), frame)));
  // Trailing bytes after a frame.
  EXPECT_FALSE(Decode(Concat(QoPackLz4Frame(first), {0x04})));
}

TEST(DepackLz4, BadHeadersAreRefused) {
  const Bytes data = Repetitive(1000, 7);
  ASSERT_TRUE(Decode(QoPackLz4Frame(data)));
  TQoLz4FrameOptions options;
  options.DictionaryId = true;
  EXPECT_FALSE(Decode(QoPackLz4Frame(data, options)));
  for (uint8_t version : {0, 2, 3}) {
    options = {};
    options.Version = version;
    EXPECT_FALSE(Decode(QoPackLz4Frame(data, options)));
  }
  options = {};
  options.ReservedFlag = true;
  EXPECT_FALSE(Decode(QoPackLz4Frame(data, options)));
  for (uint8_t descriptor : {0x41, 0x48, 0xC0}) {
    options = {};
    options.Descriptor = descriptor;
    EXPECT_FALSE(Decode(QoPackLz4Frame(data, options)));
  }
  Bytes badMagic = QoPackLz4Frame(data);
  badMagic[0] ^= 1;
  EXPECT_FALSE(Decode(badMagic));
  EXPECT_FALSE(Decode({0x04, 0x22, 0x4D}));
}

TEST(DepackLz4, ContentSizeMustMatch) {
  const Bytes data = Repetitive(3000, 8);
  TQoLz4FrameOptions options;
  options.ContentSize = true;
  for (uint64_t value : {uint64_t{2999}, uint64_t{3001}, uint64_t{0}}) {
    options.ContentValue = value;
    Bytes out;
    EXPECT_FALSE(Decode(QoPackLz4Frame(data, options), &out)) << value;
    EXPECT_LE(out.size(), value);  // nothing beyond the announced size reached the sink
  }
}

TEST(DepackLz4, BadSequencesAreRefused) {
  auto frameOf = [](const Bytes& block) {
    Bytes frame = QoPackLz4Frame({});
    frame.resize(frame.size() - 4);
    for (int i = 0; i < 4; ++i) frame.push_back(static_cast<uint8_t>(block.size() >> (8 * i)));
    return Concat(Concat(frame, block), {0, 0, 0, 0});
  };
  Bytes out;
  // Two literals "AB", then a match of 4 at offset 2, then the literal "C".
  ASSERT_TRUE(Decode(frameOf({0x20, 'A', 'B', 0x02, 0x00, 0x10, 'C'}), &out));
  EXPECT_EQ(out, (Bytes{'A', 'B', 'A', 'B', 'A', 'B', 'C'}));
  EXPECT_FALSE(Decode(frameOf({0x20, 'A', 'B', 0x00, 0x00, 0x10, 'C'})));  // offset 0
  EXPECT_FALSE(Decode(frameOf({0x20, 'A', 'B', 0x03, 0x00, 0x10, 'C'})));  // before the start
  EXPECT_FALSE(Decode(frameOf({0x30, 'A', 'B'})));                         // literals cut
  EXPECT_FALSE(Decode(frameOf({0x20, 'A', 'B', 0x02})));                   // offset cut
  EXPECT_FALSE(Decode(frameOf({0xF0, 0xFF, 0xFF})));                       // count cut
  EXPECT_FALSE(Decode(frameOf({0x2F, 'A', 'B', 0x02, 0x00, 0xFF})));       // length cut
  // A stored block longer than the input.
  Bytes stored = QoPackLz4Frame({});
  stored.resize(stored.size() - 4);
  EXPECT_FALSE(Decode(Concat(stored, {0x05, 0x00, 0x00, 0x80, 'x', 'y'})));
}

TEST(DepackLz4, SinkRefusalStops) {
  const Bytes data = Repetitive(300000, 9);
  const Bytes packed = QoPackLz4Frame(data);
  std::size_t calls = 0;
  EXPECT_FALSE(DepackLz4Frame(packed.data(), packed.size(), [&](const uint8_t*, std::size_t) {
    ++calls;
    return calls < 3;
  }));
  EXPECT_EQ(calls, 3u);

  Bytes out = {7, 7};
  EXPECT_FALSE(DepackLz4ToVector(packed.data(), packed.size(), out, data.size() - 1));
  EXPECT_EQ(out, (Bytes{7, 7}));
  ASSERT_TRUE(DepackLz4ToVector(packed.data(), packed.size(), out, data.size()));
  EXPECT_EQ(out, Concat({7, 7}, data));
}

TEST(DepackLz4, CorruptFramesFailCleanly) {
  TQoLz4FrameOptions options;
  options.BlockSize = 100;
  options.Blocks = TQoLz4Blocks::Alternate;
  options.ContentSize = true;
  const Bytes data = Repetitive(400, 10);
  const Bytes packed = QoPackLz4Frame(data, options);
  for (std::size_t size = 0; size < packed.size(); ++size) {
    const Bytes cut(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_EQ(Decode(cut), size == 0) << size;
  }
  for (std::size_t i = 0; i < packed.size(); ++i) {
    for (uint8_t mask : {0x01, 0x08, 0x80, 0xFF}) {
      Bytes flipped = packed;
      flipped[i] ^= mask;
      Bytes out;
      if (Decode(flipped, &out)) {
        EXPECT_EQ(out.size(), data.size());
      }
    }
  }
}

}  // namespace
