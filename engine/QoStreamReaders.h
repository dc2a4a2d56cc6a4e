#pragma once
// Sequential readers over a memory block the reader does not own: a plain byte reader and
// the run-length byte streams used by several Commodore 64 and Amiga formats. They are
// plain records, created on the stack by the engine that reads; every read is checked
// against what remains and answers false at the end of the data, never raises and never
// reads outside the block.

#include <cstddef>
#include <cstdint>
#include <string>

// Little-endian reads from the cursor. A read that needs more bytes than remain fails
// and consumes nothing.
struct ByteReader {
  const uint8_t* Cursor = nullptr;
  int32_t Remaining = 0;

  ByteReader() = default;
  ByteReader(const uint8_t* data, std::size_t size);

  bool ReadByte(uint8_t& value);
  bool ReadWord(uint16_t& value);
  bool ReadLong(uint32_t& value);
  bool ReadBytes(uint8_t* buffer, std::size_t count);
  // The current position, the cursor then moving past count bytes; nil (and nothing
  // consumed) when fewer than count bytes remain.
  const uint8_t* TakePointer(std::size_t count);
  // Moves past count bytes, stopping at the end of the data; false when it had to stop
  // early, so a skip never leaves the cursor outside the block.
  bool Skip(std::size_t count);
};

// Bytes up to a zero byte or the end of the data; the zero byte is consumed too.
std::string ReadZString(const uint8_t*& cursor, int32_t& remaining);
std::string ReadZString(ByteReader& reader);

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

// PackBits, as in Macintosh and Amiga pictures: a control byte n below 128
// announces n + 1 literal bytes, one of 128 or more the next byte repeated 257 - n times.
struct PackBitsReader {
  const uint8_t* Cursor = nullptr;
  int32_t Remaining = 0;
  int32_t LiteralCount = 0;
  int32_t RepeatCount = 0;
  uint8_t RepeatByte = 0;

  PackBitsReader() = default;
  PackBitsReader(const uint8_t* data, std::size_t size, std::size_t startOffset = 0);

  bool ReadByte(uint8_t& value);
};
