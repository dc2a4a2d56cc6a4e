#pragma once
// The Elektronika KR-04's picture files: a 12-byte header ("KR04", flags, the levels of
// up to four colours, width and height) and one or two screens of rows, the least
// significant bit leftmost.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

struct TQoKR04Header {
  static constexpr std::size_t kSize = 12;
  uint8_t Flags = 0;
  uint8_t Blue = 0, Green = 0, Red = 0;  // 2-bit levels, colour i in bits 2i and 2i + 1
  int Width = 0;
  int Height = 0;

  bool Color() const { return Flags & 1; }       // 2 bits a pixel
  bool HasPalette() const { return Flags & 2; }  // the levels above are the palette
  bool TwoScreens() const { return Flags & 4; }  // a second screen follows the first
  int Colors() const { return Color() ? 4 : 2; }
  std::size_t RowBytes() const {
    return static_cast<std::size_t>(Color() ? (Width + 3) / 4 : (Width + 7) / 8);
  }
  std::size_t ScreenSize() const { return RowBytes() * static_cast<std::size_t>(Height); }

  // False unless the file is signed, of a size not 0 and exactly header and screens long.
  bool Read(TQoByteView file);
};

// The colours of a picture: the header's levels, or black and white, or black, blue,
// green and red.
void QoSetKR04Palette(TQoPalette256& palette, const TQoKR04Header& header);

// Pixel k (0-3) of a colour byte.
constexpr uint32_t QoKR04ColorPixel(uint8_t value, int k) {
  return ((value >> k) & 1u) + 2 * ((value >> (k + 4)) & 1u);
}
