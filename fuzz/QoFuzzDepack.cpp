// Fuzzes the depackers and stream readers, which take packed data straight from files:
// they must answer false on anything they cannot unpack, never read or write outside.
// The first input byte chooses the target; the rest is its data.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/QoDepackers.h"
#include "engine/QoLoadSource.h"
#include "engine/QoStreamReaders.h"

namespace {

constexpr std::size_t kMaxOutput = 1 << 20;

// Drains a reader, as an engine filling a picture would, up to a cap: a stream of runs
// may describe far more bytes than it holds.
template <typename Reader>
void Drain(Reader& reader) {
  uint8_t value = 0;
  for (std::size_t n = 0; n < kMaxOutput && reader.ReadByte(value); ++n) {
  }
}

// The data again in a block of exactly its size, so the sanitizer sees any read past it.
std::unique_ptr<uint8_t[]> Exact(const uint8_t* data, std::size_t size) {
  auto block = std::make_unique<uint8_t[]>(size ? size : 1);
  for (std::size_t i = 0; i < size; ++i) block[i] = data[i];
  return block;
}

// Ice and SPX: the next two bytes choose the output size (up to 64 KiB, like a screen or
// two), the rest is the packed block.
template <typename Depack>
void DepackInto(const uint8_t* data, std::size_t size, Depack depack) {
  if (size < 2) return;
  const std::size_t outputSize = (data[0] | static_cast<std::size_t>(data[1]) << 8) + 1;
  std::vector<uint8_t> output(outputSize);
  const auto block = Exact(data + 2, size - 2);
  depack(block.get(), size - 2, output.data(), output.size());
}

// The readers: escape byte, default count, start offset and the plus-one flag first.
void Readers(int which, const uint8_t* data, std::size_t size) {
  if (size < 4) return;
  const uint8_t escape = data[0];
  const int32_t defaultCount = data[1] == 0xFF ? 256 : data[1];
  const std::size_t startOffset = data[2] & 0x0F;
  const bool plusOne = (data[2] & 0x80) != 0;
  const std::size_t streamSize = size - 3;
  const auto block = Exact(data + 3, streamSize);
  switch (which) {
    case 0: {
      EscValueCountReader reader(block.get(), streamSize, escape, defaultCount, startOffset,
                                 plusOne);
      Drain(reader);
      break;
    }
    case 1: {
      EscCountValueReader reader(block.get(), streamSize, escape, defaultCount, startOffset,
                                 plusOne);
      Drain(reader);
      break;
    }
    case 2: {
      EscCountValueBackReader reader(block.get(), streamSize, escape, defaultCount, startOffset,
                                     plusOne);
      Drain(reader);
      break;
    }
    case 3: {
      PackBitsReader reader(block.get(), streamSize, startOffset);
      Drain(reader);
      break;
    }
    default: {
      // The byte reader driven by its own data: each byte picks the next read.
      ByteReader reader(block.get(), streamSize);
      uint8_t op = 0;
      uint8_t buffer[16];
      uint16_t word = 0;
      uint32_t longWord = 0;
      while (reader.ReadByte(op)) {
        switch (op % 6) {
          case 0:
            reader.ReadWord(word);
            break;
          case 1:
            reader.ReadLong(longWord);
            break;
          case 2:
            reader.ReadBytes(buffer, op % 17);
            break;
          case 3:
            reader.TakePointer(op >> 3);
            break;
          case 4:
            reader.Skip(op >> 3);
            break;
          default:
            ReadZString(reader);
            break;
        }
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const uint8_t choice = data[0];
  ++data;
  --size;
  switch (choice % 8) {
    case 0:
      DepackInto(data, size, DepackIce);
      break;
    case 1:
      DepackInto(data, size, DepackSpx);
      break;
    case 2: {
      const auto block = Exact(data, size);
      std::vector<uint8_t> output;
      DepackLz4ToVector(block.get(), size, output, kMaxOutput);
      break;
    }
    default:
      Readers(choice % 8 - 3, data, size);
      break;
  }
  return 0;
}
