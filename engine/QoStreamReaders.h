#pragma once
// Sequential readers over a memory block the reader does not own: a plain byte reader and
// the run-length byte streams used by several Commodore 64 and Amiga formats. They are
// plain records, created on the stack by the engine that reads; every read is checked
// against what remains and answers false at the end of the data, never raises and never
// reads outside the block.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/QoByteView.h"

// The plain byte reader is the byte cursor: its ReadByte, ReadWord, ReadLong, ReadBytes,
// TakePointer and Skip answer false at the end of the data and consume nothing then.
using ByteReader = TQoByteCursor;

// Bytes up to a zero byte or the end of the data; the zero byte is consumed too.
std::string ReadZString(const uint8_t*& cursor, int32_t& remaining);
std::string ReadZString(TQoByteCursor& reader);

// What every escape run-length reader keeps: where it reads, the escape byte, how counts
// are stored, and the run it is handing out.
struct EscReaderState {
  const uint8_t* Cursor = nullptr;
  int32_t Remaining = 0;
  uint8_t Escape = 0;
  int32_t DefaultCount = 0;
  bool CountPlusOne = false;
  uint8_t RunByte = 0;
  int32_t RunCount = 0;

  EscReaderState() = default;
  EscReaderState(uint8_t escape, int32_t defaultCount, bool countPlusOne)
      : Escape(escape), DefaultCount(defaultCount), CountPlusOne(countPlusOne) {}
};

// The escape byte is followed by the value and then the count; any other byte stands for
// itself. With CountPlusOne the stored count is one less than the run; a count of 0 ends
// the stream.
struct EscValueCountReader : EscReaderState {
  EscValueCountReader() = default;
  EscValueCountReader(const uint8_t* data, std::size_t size, uint8_t escape, int32_t defaultCount,
                      std::size_t startOffset, bool countPlusOne);

  bool ReadByte(uint8_t& value);
};

// The escape byte is followed by the count and then the value. A count of 0 (after the
// plus-one correction) stands for the default count; a default of 0 ends the stream.
struct EscCountValueReader : EscReaderState {
  EscCountValueReader() = default;
  EscCountValueReader(const uint8_t* data, std::size_t size, uint8_t escape, int32_t defaultCount,
                      std::size_t startOffset, bool countPlusOne);

  bool ReadByte(uint8_t& value);
};

// The same stream written backwards: reading starts at the last byte of the data and
// goes down to the start offset, so the count and value of an escape sequence lie just
// below the escape byte. The cursor points one past the next byte to read.
struct EscCountValueBackReader : EscReaderState {
  EscCountValueBackReader() = default;
  EscCountValueBackReader(const uint8_t* data, std::size_t size, uint8_t escape,
                          int32_t defaultCount, std::size_t startOffset, bool countPlusOne);

  bool ReadByte(uint8_t& value);
};

// PackBits, as in Macintosh, Amiga (ByteRun1) and Atari pictures: a control byte n below
// 128 announces n + 1 literal bytes, one of 128 or more the next byte repeated 257 - n
// times (128 too: 129 copies; it is not skipped). The reader ends with the data, also
// in the middle of a run.
struct PackBitsReader {
  TQoByteCursor In;
  int32_t LiteralCount = 0;
  int32_t RepeatCount = 0;
  uint8_t RepeatByte = 0;

  PackBitsReader() = default;
  explicit PackBitsReader(TQoByteView data, std::size_t startOffset = 0) : In(data, startOffset) {}
  PackBitsReader(const uint8_t* data, std::size_t size, std::size_t startOffset = 0)
      : PackBitsReader(TQoByteView(data, size), startOffset) {}

  bool ReadByte(uint8_t& value);
};

// The number of bytes a whole PackBits stream unpacks to.
std::size_t QoPackBitsUnpackedSize(TQoByteView input);
// Unpacks into output until it is full or the input ends; answers the bytes written.
std::size_t QoUnpackPackBits(TQoByteView input, uint8_t* output, std::size_t outputSize);
