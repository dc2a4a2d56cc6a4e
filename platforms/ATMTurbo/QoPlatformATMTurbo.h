#pragma once
// The ATM Turbo's multicolour pictures: a palette of 16 colours written as digits,
// pixel bytes stored column by column, and one extended attribute per pixel byte,
// packed as runs.

#include <cstddef>
#include <cstdint>

#include "engine/QoByteView.h"

// The header and the blocks behind it.
struct TQoATMTurboPicture {
  static constexpr std::size_t kPaletteBytes = 48;
  static constexpr std::size_t kPixelsAt = 132;
  TQoByteView PaletteDigits;  // 16 colours, each three digits "0"-"3": green, red, blue
  int Columns = 0;            // width in 8-pixel cells, 1-128
  int Rows = 0;               // height in pixel lines
  TQoByteView Pixels;         // Columns * Rows bytes, column after column
  TQoByteView Runs;           // (count, attribute) pairs, from the end of the pixels on
  bool RunsEndExactly = false;

  // False unless the palette digits are all "0"-"3", the size fields fit the file and
  // the runs (none of length 0) cover an attribute for every pixel byte.
  bool Read(TQoByteView file);
};

// The byte a palette digit stands for: 0, 85, 170 or 255.
uint8_t QoATMTurboLevel(uint8_t digit);
