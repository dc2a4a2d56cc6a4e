#include "support/QoPackIce.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

constexpr uint32_t kMaxNearOffset = 575;  // matches of length 2
constexpr uint32_t kMaxFarOffset = 4383;  // longer matches, as stored
constexpr uint32_t kMaxDistance = kMaxFarOffset + kQoIceMaxMatch + kQoIceMaxMatch;

[[noreturn]] void Fail(const std::string& why) {
  throw std::invalid_argument("Pack-Ice: " + why);
}

// The stored offset of a match, or -1 when the format cannot hold it.
int64_t StoredOffset(uint32_t length, uint32_t offset, TQoIceFormat format) {
  if (length < 2 || length > kQoIceMaxMatch) return -1;
  if (length == 2) return offset <= kMaxNearOffset ? int64_t{offset} : -1;
  const uint32_t code = length - 2;
  uint32_t stored = offset;
  if (format == TQoIceFormat::Bytes && offset != 0) {
    // The depacker adds the length code to every non-zero stored offset.
    if (offset <= code) return -1;
    stored = offset - code;
  }
  return stored <= kMaxFarOffset ? int64_t{stored} : -1;
}

// The packed block is built in the order the depacker reads it: a list of chunks, each
// a bit unit or a run of literal bytes, the first chunk ending at the packed length.
// A new unit starts where the depacker loads it: when a bit is asked for and the
// current unit has none left, which may be after literal bytes were taken.
class TBitSink {
 public:
  TBitSink(TQoIceFormat format, int firstUnitBits)
      : unitBytes_(format == TQoIceFormat::Bytes ? 1 : 4), unitBits_(unitBytes_ * 8) {
    if (firstUnitBits < 0) firstUnitBits = unitBits_ - 1;
    if (firstUnitBits >= unitBits_) Fail("first unit holds at most unit bits - 1");
    OpenUnit(firstUnitBits);
    // The marker: the lowest set bit, just below the first unit's data bits.
    chunks_.back().Unit |= uint32_t{1} << (unitBits_ - 1 - firstUnitBits);
  }

  void Bit(uint32_t bit) {
    if (used_ == capacity_) OpenUnit(unitBits_);
    if (bit) chunks_[unit_].Unit |= uint32_t{1} << (unitBits_ - 1 - used_);
    ++used_;
  }

  void Bits(int n, uint32_t value) {
    for (int i = n - 1; i >= 0; --i) Bit((value >> i) & 1);
  }

  void Literal(const uint8_t* bytes, uint32_t n) {
    Chunk chunk;
    chunk.Bytes.assign(bytes, bytes + n);
    chunks_.push_back(std::move(chunk));
  }

  // The packed data between header and packed length: the last chunk read lies lowest.
  std::vector<uint8_t> Body() const {
    std::vector<uint8_t> body;
    for (auto it = chunks_.rbegin(); it != chunks_.rend(); ++it) {
      if (it->IsUnit) {
        for (int i = unitBytes_ - 1; i >= 0; --i) {
          body.push_back(static_cast<uint8_t>(it->Unit >> (8 * i)));
        }
      } else {
        body.insert(body.end(), it->Bytes.begin(), it->Bytes.end());
      }
    }
    return body;
  }

 private:
  struct Chunk {
    bool IsUnit = false;
    uint32_t Unit = 0;
    std::vector<uint8_t> Bytes;
  };

  void OpenUnit(int capacity) {
    Chunk chunk;
    chunk.IsUnit = true;
    chunks_.push_back(chunk);
    unit_ = chunks_.size() - 1;
    capacity_ = capacity;
    used_ = 0;
  }

  int unitBytes_;
  int unitBits_;
  std::vector<Chunk> chunks_;
  std::size_t unit_ = 0;
  int capacity_ = 0;
  int used_ = 0;
};

void PutLiteralLength(TBitSink& sink, uint32_t length) {
  static constexpr int kWidths[] = {1, 2, 2, 3, 8, 15};
  constexpr int kLast = 5;
  uint32_t rest = length - 1;
  for (int i = 0; i <= kLast; ++i) {
    const uint32_t allOnes = (1u << kWidths[i]) - 1;
    if (rest < allOnes || i == kLast) {
      sink.Bits(kWidths[i], rest);
      return;
    }
    sink.Bits(kWidths[i], allOnes);
    rest -= allOnes;
  }
}

void PutMatch(TBitSink& sink, uint32_t length, uint32_t stored) {
  const uint32_t code = length - 2;
  // Length code: k one-bits (ended by a zero unless k = 4), then the extra bits.
  static constexpr int kBits[] = {0, 0, 1, 2, 10};
  static constexpr uint32_t kBase[] = {0, 1, 2, 4, 8};
  int k = code >= 8 ? 4 : code >= 4 ? 3 : code >= 2 ? 2 : code;
  for (int i = 0; i < k; ++i) sink.Bit(1);
  if (k < 4) sink.Bit(0);
  sink.Bits(kBits[k], code - kBase[k]);

  if (code == 0) {
    if (stored >= 64) {
      sink.Bit(1);
      sink.Bits(9, stored - 64);
    } else {
      sink.Bit(0);
      sink.Bits(6, stored);
    }
  } else if (stored < 32) {
    sink.Bits(2, 0b10);
    sink.Bits(5, stored);
  } else if (stored < 288) {
    sink.Bit(0);
    sink.Bits(8, stored - 32);
  } else {
    sink.Bits(2, 0b11);
    sink.Bits(12, stored - 288);
  }
}

void PutBE32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

int QoIceLiteralClass(uint32_t length) {
  if (length == 0 || length > kQoIceMaxLiteral) return -1;
  if (length == 1) return 0;
  if (length <= 4) return 1;
  if (length <= 7) return 2;
  if (length <= 14) return 3;
  if (length <= 269) return 4;
  return 5;
}

int QoIceMatchLengthClass(uint32_t length) {
  if (length < 2 || length > kQoIceMaxMatch) return -1;
  if (length <= 3) return static_cast<int>(length - 2);
  if (length <= 5) return 2;
  if (length <= 9) return 3;
  return 4;
}

int QoIceOffsetClass(uint32_t length, uint32_t offset, TQoIceFormat format) {
  const int64_t stored = StoredOffset(length, offset, format);
  if (stored < 0) return -1;
  if (length == 2) return stored < 64 ? 0 : 1;
  return stored < 32 ? 2 : stored < 288 ? 3 : 4;
}

std::vector<uint8_t> QoIceDataFor(const std::vector<TQoIceToken>& tokens, uint32_t seed) {
  std::size_t size = 0;
  for (const TQoIceToken& token : tokens) size += token.Length;
  std::vector<uint8_t> out(size);
  uint32_t state = seed ? seed : 1;
  std::size_t write = size;
  for (const TQoIceToken& token : tokens) {
    write -= token.Length;
    if (token.Literal) {
      for (uint32_t i = 0; i < token.Length; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        out[write + i] = static_cast<uint8_t>(state >> 24);
      }
    } else {
      const std::size_t from = write + token.Length + token.Offset;
      if (from + token.Length > size) Fail("match reaches beyond the data");
      std::copy(out.begin() + static_cast<std::ptrdiff_t>(from),
                out.begin() + static_cast<std::ptrdiff_t>(from + token.Length),
                out.begin() + static_cast<std::ptrdiff_t>(write));
    }
  }
  return out;
}

std::vector<uint8_t> QoPackIceTokens(const std::vector<uint8_t>& data,
                                     const std::vector<TQoIceToken>& tokens, TQoIceFormat format,
                                     int firstUnitBits) {
  if (data.empty()) Fail("nothing to pack");
  TBitSink sink(format, firstUnitBits);
  std::size_t write = data.size();
  bool afterLiteral = false;
  for (const TQoIceToken& token : tokens) {
    if (write == 0) Fail("tokens beyond the end of the data");
    if (token.Literal) {
      if (afterLiteral) Fail("two literal runs in a row");
      if (QoIceLiteralClass(token.Length) < 0) Fail("literal length out of range");
      if (token.Length > write) Fail("literal run longer than the data left");
      sink.Bit(1);
      PutLiteralLength(sink, token.Length);
      write -= token.Length;
      sink.Literal(data.data() + write, token.Length);
      afterLiteral = true;
      continue;
    }
    const int64_t stored = StoredOffset(token.Length, token.Offset, format);
    if (stored < 0) Fail("match not codable");
    const std::size_t length = std::min<std::size_t>(token.Length, write);
    const std::size_t written = data.size() - write;
    if (token.Offset + length > written) Fail("match reaches beyond the written bytes");
    const std::size_t to = write - length;
    const std::size_t from = to + token.Offset + length;
    if (!std::equal(data.begin() + static_cast<std::ptrdiff_t>(from),
                    data.begin() + static_cast<std::ptrdiff_t>(from + length),
                    data.begin() + static_cast<std::ptrdiff_t>(to))) {
      Fail("match does not fit the data");
    }
    if (!afterLiteral) sink.Bit(0);
    PutMatch(sink, token.Length, static_cast<uint32_t>(stored));
    write = to;
    afterLiteral = false;
  }
  if (write != 0) Fail("tokens do not cover the data");

  const std::vector<uint8_t> body = sink.Body();
  const char* magic = format == TQoIceFormat::Bytes ? "ICE!" : "Ice!";
  std::vector<uint8_t> packed(magic, magic + 4);
  packed.reserve(12 + body.size());
  PutBE32(packed, static_cast<uint32_t>(12 + body.size()));
  PutBE32(packed, static_cast<uint32_t>(data.size()));
  packed.insert(packed.end(), body.begin(), body.end());
  return packed;
}

std::vector<TQoIceToken> QoIceGreedyTokens(const std::vector<uint8_t>& data, TQoIceFormat format) {
  // The depacker fills the data from its end, so the matcher walks backwards too. A match
  // of length n ending at `write` copies the n bytes ending `distance` bytes higher, with
  // distance = offset + n; candidate block ends are indexed by their last two bytes.
  std::vector<TQoIceToken> tokens;
  std::vector<std::vector<uint32_t>> ends(65536);
  const std::size_t size = data.size();
  std::size_t nextEnd = size;  // the next block end to index
  std::size_t write = size;
  uint32_t pending = 0;  // literal bytes waiting for the match that follows them
  auto pairAt = [&](std::size_t end) { return (data[end - 2] << 8) | data[end - 1]; };

  while (write > 0) {
    while (nextEnd >= 2 && nextEnd >= write + 2) {
      ends[static_cast<std::size_t>(pairAt(nextEnd))].push_back(static_cast<uint32_t>(nextEnd));
      --nextEnd;
    }
    uint32_t bestLength = 0;
    uint32_t bestOffset = 0;
    if (write >= 2) {
      const std::vector<uint32_t>& candidates = ends[static_cast<std::size_t>(pairAt(write))];
      for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const std::size_t distance = *it - write;
        if (distance > kMaxDistance) break;
        std::size_t run = 0;
        const std::size_t limit = std::min({distance, write, std::size_t{kQoIceMaxMatch}});
        while (run < limit && data[write - 1 - run] == data[*it - 1 - run]) ++run;
        // The longest length this distance can be coded with.
        for (std::size_t n = run; n >= 2 && n > bestLength; --n) {
          if (StoredOffset(static_cast<uint32_t>(n), static_cast<uint32_t>(distance - n), format) >=
              0) {
            bestLength = static_cast<uint32_t>(n);
            bestOffset = static_cast<uint32_t>(distance - n);
            break;
          }
        }
      }
    }
    if (bestLength >= 2) {
      if (pending) tokens.push_back(TQoIceToken::Lit(pending));
      pending = 0;
      tokens.push_back(TQoIceToken::Match(bestLength, bestOffset));
      write -= bestLength;
    } else {
      if (pending == kQoIceMaxLiteral) throw std::length_error("Pack-Ice: literal run too long");
      ++pending;
      --write;
    }
  }
  if (pending) tokens.push_back(TQoIceToken::Lit(pending));
  return tokens;
}

std::vector<uint8_t> QoPackIce(const std::vector<uint8_t>& data, TQoIceFormat format) {
  return QoPackIceTokens(data, QoIceGreedyTokens(data, format), format);
}
