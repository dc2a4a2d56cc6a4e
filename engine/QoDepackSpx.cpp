// The SPX depacker, version 2. The packer ran over the data from its start and wrote its
// bit stream forwards, so the depacker reads the stream backwards from its end and fills
// the output from its end too.
//
//   offset 0  unpacked length (big-endian)
//   offset 4  packed length P (big-endian)
//   offset 8  P bytes of stream: big-endian 32-bit words taken from the last one down,
//             each read from its most significant bit; literal bytes are 8-bit fields
//             of the same stream
//
// Numbers are coded as two bits k and then a field of 4k + 4 bits (0 to 65,535).

#include "engine/QoByteView.h"
#include "engine/QoDepackers.h"

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr uint32_t kLongestLiteralRun = 65535;

class TSpxBits {
 public:
  TSpxBits(const uint8_t* block, std::size_t end) : view_(block, end), pos_(end) {}

  bool Bits(int n, uint32_t& value) {
    value = 0;
    for (int i = 0; i < n; ++i) {
      if (bitsLeft_ == 0) {
        if (pos_ < kHeaderSize + 4) return false;
        pos_ -= 4;
        word_ = view_.BE32(pos_);
        bitsLeft_ = 32;
      }
      --bitsLeft_;
      value = (value << 1) | ((word_ >> bitsLeft_) & 1);
    }
    return true;
  }

  bool Number(uint32_t& value) {
    uint32_t k = 0;
    if (!Bits(2, k)) return false;
    return Bits(static_cast<int>(4 * k + 4), value);
  }

 private:
  TQoByteView view_;
  std::size_t pos_;
  uint32_t word_ = 0;
  int bitsLeft_ = 0;
};

}  // namespace

bool DepackSpx(const uint8_t* packed, std::size_t packedSize, uint8_t* output,
               std::size_t outputSize) {
  if (!packed || packedSize < kHeaderSize) return false;
  if (!output && outputSize) return false;
  const TQoByteView header(packed, packedSize);
  const std::size_t unpacked = header.BE32(0);
  const std::size_t streamSize = header.BE32(4);
  if (unpacked != outputSize) return false;
  if (streamSize > packedSize - kHeaderSize) return false;

  TSpxBits bits(packed, kHeaderSize + streamSize);
  std::size_t write = outputSize;  // everything at and above has been written
  while (write > 0) {
    uint32_t flag = 0;
    if (!bits.Bits(1, flag)) return false;
    if (flag == 0) {
      uint32_t runLength = 0;
      if (!bits.Number(runLength)) return false;
      const std::size_t n = runLength < write ? runLength : write;
      for (std::size_t i = 0; i < n; ++i) {
        uint32_t byte = 0;
        if (!bits.Bits(8, byte)) return false;
        output[--write] = static_cast<uint8_t>(byte);
      }
      if (write == 0) return true;
      // The longest run cannot say all it has: another literal run follows.
      if (runLength == kLongestLiteralRun) continue;
    }

    uint32_t offset = 0;
    uint32_t lengthCode = 0;
    if (!bits.Number(offset) || offset == 0) return false;
    if (!bits.Number(lengthCode)) return false;
    std::size_t length = std::size_t{lengthCode} + 3;
    if (length > write) length = write;
    if (offset > outputSize - write) return false;
    // Byte by byte: when the offset is shorter than the match, the copy repeats the
    // bytes it has just written.
    for (std::size_t i = 0; i < length; ++i) {
      --write;
      output[write] = output[write + offset];
    }
  }
  return true;
}
