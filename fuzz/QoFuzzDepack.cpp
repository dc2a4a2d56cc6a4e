// Fuzzes the depackers and stream readers, which take packed data straight from files:
// they must answer false on anything they cannot unpack, never read or write outside.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/QoLoadSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // The first two bytes choose the output size (up to 64 KiB, like a screen or two).
  const std::size_t outputSize = (data[0] | static_cast<std::size_t>(data[1]) << 8) + 1;
  std::vector<uint8_t> output(outputSize);
  const uint8_t* packed = data + 2;
  const std::size_t packedSize = size - 2;
  DepackIce(packed, packedSize, output.data(), output.size());
  return 0;
}
