// The Pack-Ice depacker. Pack-Ice files come from the Atari ST: the packer ran over the
// data from its start and wrote its bit stream and literal bytes forwards, so the depacker
// reads the packed block backwards from its end and fills the output from its end too.
//
//   offset 0  "Ice!" (bit stream in big-endian 32-bit units) or "ICE!" (in single bytes)
//   offset 4  packed length, header included (big-endian)
//   offset 8  unpacked length (big-endian)
//
// Every read and write is checked against its buffer: a corrupt or crafted block ends in
// a false result, never in an access outside the packed block or the output.

#include <cstring>

#include "engine/QoLoadSource.h"

namespace {

constexpr std::size_t kHeaderSize = 12;

// The backwards reader shared by the bit stream and the literal bytes: both come from
// the same falling position, the bit units loaded only when a bit is asked for and the
// current unit has none left.
class TIceReader {
 public:
  TIceReader(const uint8_t* block, std::size_t end, std::size_t unitBytes)
      : block_(block), pos_(end), unitBytes_(unitBytes), unitBits_(unitBytes * 8) {}

  // Loads the first unit: it must be non-zero, and its lowest set bit only marks where
  // its data bits end.
  bool Start() {
    if (!LoadUnit()) return false;
    if (unit_ == 0) return false;
    int marker = 0;
    while (((unit_ >> marker) & 1) == 0) ++marker;
    unit_ >>= marker + 1;
    bitsLeft_ = unitBits_ - 1 - static_cast<std::size_t>(marker);
    return true;
  }

  bool Bit(uint32_t& bit) {
    if (bitsLeft_ == 0) {
      if (!LoadUnit()) return false;
      bitsLeft_ = unitBits_;
    }
    --bitsLeft_;
    bit = static_cast<uint32_t>((unit_ >> bitsLeft_) & 1);
    return true;
  }

  // n bits, the first one read most significant.
  bool Bits(int n, uint32_t& value) {
    value = 0;
    for (int i = 0; i < n; ++i) {
      uint32_t bit = 0;
      if (!Bit(bit)) return false;
      value = (value << 1) | bit;
    }
    return true;
  }

  // Counts one-bits up to limit; the zero that ends a shorter run is consumed.
  bool Ones(int limit, int& count) {
    count = 0;
    while (count < limit) {
      uint32_t bit = 0;
      if (!Bit(bit)) return false;
      if (!bit) break;
      ++count;
    }
    return true;
  }

  std::size_t BytesLeft() const { return pos_ - kHeaderSize; }

  // The n bytes just below the position; the caller has checked BytesLeft.
  const uint8_t* TakeBytes(std::size_t n) {
    pos_ -= n;
    return block_ + pos_;
  }

 private:
  bool LoadUnit() {
    if (BytesLeft() < unitBytes_) return false;
    pos_ -= unitBytes_;
    unit_ = 0;
    for (std::size_t i = 0; i < unitBytes_; ++i) unit_ = (unit_ << 8) | block_[pos_ + i];
    return true;
  }

  const uint8_t* block_;
  std::size_t pos_;
  std::size_t unitBytes_;
  std::size_t unitBits_;
  uint64_t unit_ = 0;  // wide enough to drop a marker in the top bit of a 32-bit unit
  std::size_t bitsLeft_ = 0;
};

bool LiteralLength(TIceReader& reader, uint32_t& length) {
  static constexpr int kWidths[] = {1, 2, 2, 3, 8, 15};
  constexpr int kLast = static_cast<int>(sizeof(kWidths) / sizeof(kWidths[0])) - 1;
  length = 1;
  for (int i = 0; i <= kLast; ++i) {
    uint32_t value = 0;
    if (!reader.Bits(kWidths[i], value)) return false;
    const uint32_t allOnes = (1u << kWidths[i]) - 1;
    if (value != allOnes || i == kLast) {
      length += value;
      return true;
    }
    length += allOnes;
  }
  return true;
}

bool MatchLengthCode(TIceReader& reader, uint32_t& code) {
  static constexpr int kBits[] = {0, 0, 1, 2, 10};
  static constexpr uint32_t kBase[] = {0, 1, 2, 4, 8};
  int k = 0;
  if (!reader.Ones(4, k)) return false;
  uint32_t extra = 0;
  if (!reader.Bits(kBits[k], extra)) return false;
  code = kBase[k] + extra;
  return true;
}

bool MatchOffset(TIceReader& reader, uint32_t lengthCode, bool byteUnits, uint32_t& offset) {
  if (lengthCode == 0) {
    uint32_t far = 0;
    if (!reader.Bit(far)) return false;
    if (!reader.Bits(far ? 9 : 6, offset)) return false;
    if (far) offset += 64;
    return true;
  }
  static constexpr int kBits[] = {8, 5, 12};
  static constexpr uint32_t kBase[] = {32, 0, 288};
  int k = 0;
  if (!reader.Ones(2, k)) return false;
  if (!reader.Bits(kBits[k], offset)) return false;
  offset += kBase[k];
  if (byteUnits && offset != 0) offset += lengthCode;
  return true;
}

}  // namespace

bool DepackIce(const uint8_t* block, std::size_t blockSize, uint8_t* output,
               std::size_t outputSize) {
  if (!block || !output || blockSize <= kHeaderSize) return false;
  const TQoByteView header(block, blockSize);
  const bool byteUnits = header.Matches(0, "ICE!");
  if (!byteUnits && !header.Matches(0, "Ice!")) return false;
  const std::size_t packed = header.BE32(4);
  const std::size_t unpacked = header.BE32(8);
  if (packed <= kHeaderSize || packed > blockSize) return false;
  if (unpacked == 0 || unpacked != outputSize) return false;

  TIceReader reader(block, packed, byteUnits ? 1 : 4);
  if (!reader.Start()) return false;

  std::size_t write = outputSize;  // everything at and above has been written
  while (write > 0) {
    uint32_t bit = 0;
    if (!reader.Bit(bit)) return false;
    if (bit) {
      uint32_t n = 0;
      if (!LiteralLength(reader, n)) return false;
      if (n > write || n > reader.BytesLeft()) return false;
      write -= n;
      std::memcpy(output + write, reader.TakeBytes(n), n);
      if (write == 0) return true;
    }

    uint32_t code = 0;
    uint32_t offset = 0;
    if (!MatchLengthCode(reader, code)) return false;
    if (!MatchOffset(reader, code, byteUnits, offset)) return false;

    std::size_t length = std::size_t{code} + 2;
    if (length > write) length = write;
    const std::size_t written = outputSize - write;
    if (std::size_t{offset} + length > written) return false;
    write -= length;
    // The source lies wholly above the destination, so the two never overlap.
    std::memcpy(output + write, output + write + offset + length, length);
  }
  return true;
}
