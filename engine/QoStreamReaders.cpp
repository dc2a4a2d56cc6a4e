#include "engine/QoStreamReaders.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The counters are 32-bit; files are a few megabytes at most, and a larger block is read
// only as far as the counter reaches, never beyond its end.
int32_t ClampCount(std::size_t size) {
  constexpr std::size_t kMax = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(size < kMax ? size : kMax);
}

// Positions a forward reader at startOffset; past the end (or no data) it is empty.
void StartForward(const uint8_t* data, std::size_t size, std::size_t startOffset,
                  const uint8_t*& cursor, int32_t& remaining) {
  if (!data || startOffset >= size) {
    cursor = data;
    remaining = 0;
    return;
  }
  cursor = data + startOffset;
  remaining = ClampCount(size - startOffset);
}

// Positions a backward reader one past the last byte, with the bytes down to startOffset
// to come.
void StartBackward(const uint8_t* data, std::size_t size, std::size_t startOffset,
                   const uint8_t*& cursor, int32_t& remaining) {
  if (!data || startOffset >= size) {
    cursor = data;
    remaining = 0;
    return;
  }
  cursor = data + size;
  remaining = ClampCount(size - startOffset);
}

struct TakeForward {
  bool operator()(const uint8_t*& cursor, int32_t& remaining, uint8_t& value) const {
    if (remaining <= 0) return false;
    value = *cursor++;
    --remaining;
    return true;
  }
};

struct TakeBackward {
  bool operator()(const uint8_t*& cursor, int32_t& remaining, uint8_t& value) const {
    if (remaining <= 0) return false;
    value = *--cursor;
    --remaining;
    return true;
  }
};

// The escape-coded run-length stream shared by the three readers. valueFirst: the
// escape byte is followed by value then count, and a zero count ends the stream;
// otherwise by count then value, and a zero count stands for the default count.
template <typename Reader, typename Take>
bool ReadEscaped(Reader& r, bool valueFirst, Take take, uint8_t& value) {
  if (r.RunCount > 0) {
    --r.RunCount;
    value = r.RunByte;
    return true;
  }
  uint8_t byte = 0;
  if (!take(r.Cursor, r.Remaining, byte)) return false;
  if (byte != r.Escape) {
    value = byte;
    return true;
  }
  uint8_t first = 0;
  uint8_t second = 0;
  if (!take(r.Cursor, r.Remaining, first) || !take(r.Cursor, r.Remaining, second)) {
    r.Remaining = 0;  // the data ended inside an escape sequence
    return false;
  }
  const uint8_t runByte = valueFirst ? first : second;
  int32_t count = (valueFirst ? second : first) + (r.CountPlusOne ? 1 : 0);
  if (count == 0 && !valueFirst) count = r.DefaultCount;
  if (count <= 0) {
    r.Remaining = 0;  // the end mark: nothing more is read
    return false;
  }
  r.RunByte = runByte;
  r.RunCount = count - 1;
  value = runByte;
  return true;
}

}  // namespace

std::string ReadZString(const uint8_t*& cursor, int32_t& remaining) {
  std::string text;
  while (remaining > 0) {
    const uint8_t byte = *cursor++;
    --remaining;
    if (byte == 0) break;
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

std::string ReadZString(TQoByteCursor& reader) {
  std::string text;
  uint8_t byte = 0;
  while (reader.ReadByte(byte) && byte != 0) text.push_back(static_cast<char>(byte));
  return text;
}

EscValueCountReader::EscValueCountReader(const uint8_t* data, std::size_t size, uint8_t escape,
                                         int32_t defaultCount, std::size_t startOffset,
                                         bool countPlusOne)
    : EscReaderState(escape, defaultCount, countPlusOne) {
  StartForward(data, size, startOffset, Cursor, Remaining);
}

bool EscValueCountReader::ReadByte(uint8_t& value) {
  return ReadEscaped(*this, true, TakeForward(), value);
}

EscCountValueReader::EscCountValueReader(const uint8_t* data, std::size_t size, uint8_t escape,
                                         int32_t defaultCount, std::size_t startOffset,
                                         bool countPlusOne)
    : EscReaderState(escape, defaultCount, countPlusOne) {
  StartForward(data, size, startOffset, Cursor, Remaining);
}

bool EscCountValueReader::ReadByte(uint8_t& value) {
  return ReadEscaped(*this, false, TakeForward(), value);
}

EscCountValueBackReader::EscCountValueBackReader(const uint8_t* data, std::size_t size,
                                                 uint8_t escape, int32_t defaultCount,
                                                 std::size_t startOffset, bool countPlusOne)
    : EscReaderState(escape, defaultCount, countPlusOne) {
  StartBackward(data, size, startOffset, Cursor, Remaining);
}

bool EscCountValueBackReader::ReadByte(uint8_t& value) {
  return ReadEscaped(*this, false, TakeBackward(), value);
}

bool PackBitsReader::ReadByte(uint8_t& value) {
  if (RepeatCount > 0) {
    --RepeatCount;
    value = RepeatByte;
    return true;
  }
  if (LiteralCount == 0) {
    uint8_t control = 0;
    if (!In.ReadByte(control)) return false;
    if (control >= 128) {
      if (!In.ReadByte(RepeatByte)) return false;
      RepeatCount = 257 - control - 1;
      value = RepeatByte;
      return true;
    }
    LiteralCount = control + 1;
  }
  if (!In.ReadByte(value)) {
    LiteralCount = 0;
    return false;
  }
  --LiteralCount;
  return true;
}

std::size_t QoPackBitsUnpackedSize(TQoByteView input) {
  std::size_t total = 0;
  std::size_t pos = 0;
  while (pos < input.Size()) {
    const uint8_t control = input.U8(pos++);
    if (control < 128) {
      const std::size_t n = std::min<std::size_t>(control + 1u, input.Size() - pos);
      total += n;
      pos += n;
    } else {
      if (pos >= input.Size()) break;
      ++pos;
      total += 257u - control;
    }
  }
  return total;
}

std::size_t QoUnpackPackBits(TQoByteView input, uint8_t* output, std::size_t outputSize) {
  PackBitsReader reader(input);
  std::size_t written = 0;
  uint8_t value = 0;
  while (written < outputSize && reader.ReadByte(value)) output[written++] = value;
  return written;
}
