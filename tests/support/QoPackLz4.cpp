#include "support/QoPackLz4.h"

#include <algorithm>
#include <unordered_map>

namespace {

constexpr std::size_t kMinMatch = 4;
constexpr std::size_t kMaxOffset = 65535;
constexpr std::size_t kLastLiterals = 5;
constexpr std::size_t kMatchStartLimit = 12;
constexpr int kChainDepth = 32;

void PutLE32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A count above 14 (or above 15 with the nibble full) continues in bytes of 255.
void PutExtension(std::vector<uint8_t>& out, std::size_t rest) {
  while (rest >= 255) {
    out.push_back(255);
    rest -= 255;
  }
  out.push_back(static_cast<uint8_t>(rest));
}

void PutSequence(std::vector<uint8_t>& out, const uint8_t* literals, std::size_t literalCount,
                 std::size_t offset, std::size_t matchLength) {
  const std::size_t matchCode = matchLength ? matchLength - kMinMatch : 0;
  out.push_back(static_cast<uint8_t>((std::min<std::size_t>(literalCount, 15) << 4) |
                                     std::min<std::size_t>(matchCode, 15)));
  if (literalCount >= 15) PutExtension(out, literalCount - 15);
  out.insert(out.end(), literals, literals + literalCount);
  if (!matchLength) return;
  out.push_back(static_cast<uint8_t>(offset));
  out.push_back(static_cast<uint8_t>(offset >> 8));
  if (matchCode >= 15) PutExtension(out, matchCode - 15);
}

uint32_t Key(const std::vector<uint8_t>& data, std::size_t pos) {
  return static_cast<uint32_t>(data[pos]) | (static_cast<uint32_t>(data[pos + 1]) << 8) |
         (static_cast<uint32_t>(data[pos + 2]) << 16) |
         (static_cast<uint32_t>(data[pos + 3]) << 24);
}

}  // namespace

std::vector<uint8_t> QoLz4CompressBlock(const std::vector<uint8_t>& data, std::size_t start,
                                        std::size_t end) {
  std::vector<uint8_t> out;
  // Hash chains over every 4-byte position from the reachable history on.
  const std::size_t first = start > kMaxOffset ? start - kMaxOffset : 0;
  std::unordered_map<uint32_t, std::size_t> head;
  std::vector<std::size_t> previous(end - first, SIZE_MAX);
  auto insert = [&](std::size_t pos) {
    if (pos + kMinMatch > end) return;
    const uint32_t key = Key(data, pos);
    auto it = head.find(key);
    if (it != head.end()) previous[pos - first] = it->second;
    head[key] = pos;
  };
  for (std::size_t pos = first; pos < start; ++pos) insert(pos);

  const std::size_t matchEnd = end - std::min(end - start, kLastLiterals);
  const std::size_t lastStart = end - std::min(end - start, kMatchStartLimit);
  std::size_t literalStart = start;
  std::size_t pos = start;
  while (pos < lastStart) {
    std::size_t bestLength = 0;
    std::size_t bestOffset = 0;
    if (pos + kMinMatch <= end) {
      auto it = head.find(Key(data, pos));
      std::size_t candidate = it == head.end() ? SIZE_MAX : it->second;
      for (int depth = 0; depth < kChainDepth && candidate != SIZE_MAX; ++depth) {
        if (pos - candidate > kMaxOffset) break;
        std::size_t length = 0;
        while (pos + length < matchEnd && data[candidate + length] == data[pos + length]) {
          ++length;
        }
        if (length > bestLength) {
          bestLength = length;
          bestOffset = pos - candidate;
        }
        candidate = previous[candidate - first];
      }
    }
    if (bestLength < kMinMatch) {
      insert(pos);
      ++pos;
      continue;
    }
    PutSequence(out, data.data() + literalStart, pos - literalStart, bestOffset, bestLength);
    for (std::size_t i = 0; i < bestLength; ++i) insert(pos + i);
    pos += bestLength;
    literalStart = pos;
  }
  PutSequence(out, data.data() + literalStart, end - literalStart, 0, 0);
  return out;
}

std::vector<uint8_t> QoPackLz4Frame(const std::vector<uint8_t>& data,
                                    const TQoLz4FrameOptions& options) {
  std::vector<uint8_t> out;
  PutLE32(out, 0x184D2204);
  uint8_t flags = static_cast<uint8_t>((options.Version & 3) << 6);
  if (options.BlockChecksum) flags |= 0x10;
  if (options.ContentSize) flags |= 0x08;
  if (options.ContentChecksum) flags |= 0x04;
  if (options.ReservedFlag) flags |= 0x02;
  if (options.DictionaryId) flags |= 0x01;
  out.push_back(flags);
  out.push_back(options.Descriptor);
  if (options.ContentSize) {
    const uint64_t value = options.ContentValue.value_or(data.size());
    PutLE32(out, static_cast<uint32_t>(value));
    PutLE32(out, static_cast<uint32_t>(value >> 32));
  }
  if (options.DictionaryId) PutLE32(out, 0x12345678);
  out.push_back(0xA5);  // header checksum, not checked by the decoder

  const std::size_t blockSize = std::max<std::size_t>(options.BlockSize, 1);
  bool stored = options.Blocks == TQoLz4Blocks::Stored;
  for (std::size_t start = 0; start < data.size(); start += blockSize) {
    const std::size_t end = std::min(data.size(), start + blockSize);
    if (stored) {
      PutLE32(out, static_cast<uint32_t>(end - start) | 0x80000000u);
      out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(start),
                 data.begin() + static_cast<std::ptrdiff_t>(end));
    } else {
      const std::vector<uint8_t> block = QoLz4CompressBlock(data, start, end);
      PutLE32(out, static_cast<uint32_t>(block.size()));
      out.insert(out.end(), block.begin(), block.end());
    }
    if (options.BlockChecksum) PutLE32(out, 0xDEADBEEF);
    if (options.Blocks == TQoLz4Blocks::Alternate) stored = !stored;
  }
  if (options.EndMark) PutLE32(out, 0);
  if (options.ContentChecksum) PutLE32(out, 0xCAFEF00D);
  return out;
}
