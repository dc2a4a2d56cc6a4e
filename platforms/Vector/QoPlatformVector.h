#pragma once
// The Vector-06C's video: 256 x 256 pixels of 16 colours, each palette register holding
// one of 256 colours (3 bits red, 3 bits green, 2 bits blue), from four bit-planes of
// 8 KB laid out in columns of 256 bytes, bottom line first. Also the packers of the
// machine's paint programs and the file that changes palette registers line by line.

#include <array>
#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

inline constexpr std::size_t kQoVectorScreenSize = 32768;

// Colour byte c (red level c and 7, green (c shr 3) and 7, blue c shr 6) as 0x00RRGGBB
// under a palette type: ptColoredLinear, ptColoredEMU or ptColoredVirtualVector.
uint32_t QoVectorColor(uint8_t type, uint8_t color);

// The 256 colours of a palette type, indexed by colour byte. Other types raise.
void QoSetVectorPalette(TQoPalette256& palette, uint8_t type);

// The 64-byte header of the Karandash packed screen: three codes with the fill byte of
// the first, and for each code the screen places that hold the code byte itself.
struct TQoVectorKarandashHeader {
  static constexpr std::size_t kSize = 64;
  static constexpr std::size_t kMaxExceptions = 7;

  std::size_t StreamLast = 0;  // offset of the last stream byte; the stream starts at 64
  uint8_t Fill = 0;
  std::array<uint8_t, 3> Codes{};
  std::array<std::size_t, 3> Counts{};
  std::array<std::array<uint16_t, kMaxExceptions>, 3> Offsets{};

  bool Read(TQoByteView file);
};

// Unpacks the screen of a Karandash file into screen (kQoVectorScreenSize bytes). False
// unless the stream gives the whole screen and is used up exactly.
bool QoUnpackVectorKarandash(TQoByteView file, const TQoVectorKarandashHeader& header,
                             uint8_t* screen);

// Unpacks the screen of a Draw file (the packed data from offset 18 to the end) into
// screen. False unless the stream gives the whole screen and is used up exactly.
bool QoUnpackVectorDraw(TQoByteView file, uint8_t* screen);

// The palette-change file: n changes a line (0 to 16), then for lines 1 to 255 n pairs
// of register number and colour byte.
struct TQoVectorLineChanges {
  static constexpr std::size_t kMaxPerLine = 16;
  static constexpr std::size_t kLines = 255;

  std::size_t PerLine = 0;
  TQoByteView Pairs;

  // False for a file of another size, n above 16 or a register above 15.
  bool Read(TQoByteView file);
};
