#pragma once
// MAG pictures (version 2): a text header of the machine name, the user name and a
// comment in Shift-JIS, then a binary header with the picture's corners and the offsets
// of two flag streams and the pixel words, and a palette of green, red, blue triples.
// Pixels are packed as 16-bit words, each either new or a copy of one of fifteen
// earlier positions, chosen by a nibble of a flag line that is XOR-updated per line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/QoByteView.h"

// Shift-JIS (code page 932) text as UTF-8; bytes that do not convert become '?'.
// Never raises.
std::string QoShiftJisToUtf8(std::string_view bytes);

// Leading and trailing blanks (ASCII white space, NUL and the ideographic space) removed.
std::string QoTrimText(std::string_view text);

struct TQoMagHeader {
  static constexpr std::size_t kMinFileSize = 47;
  static constexpr std::size_t kHeadSize = 32;

  std::string Machine;    // the four bytes of the machine name, as stored
  std::string_view Text;  // user name and comment, up to the byte 26
  std::size_t At = 0;     // H: the binary header
  uint8_t MachineCode = 0;
  uint8_t MachineFlags = 0;
  uint8_t ScreenMode = 0;
  uint16_t XStart = 0, YStart = 0, XEnd = 0, YEnd = 0;
  uint32_t FlagA = 0, FlagB = 0, Pixels = 0;  // counted from H

  // Reads and checks the whole header against the file.
  bool Read(TQoByteView data);

  // Pixel units per byte of the unpacked data: 1 for 256 colours, else 2.
  int UnitsPerByte() const { return (ScreenMode & 0x80) ? 1 : 2; }
  // The 4-byte aligned first byte of every line and the bytes of a line.
  std::size_t AlignedStart() const;
  std::size_t LineBytes() const;
};

// Unpacks the pixel data of a picture of `lines` lines; the result is LineBytes() x lines
// bytes. Raises "Internal error" when that would exceed the allocation cap.
std::vector<uint8_t> QoUnpackMag(TQoByteView data, const TQoMagHeader& header, std::size_t lines);
