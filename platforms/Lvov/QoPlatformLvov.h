#pragma once
// The Lvov's screen: 2 bits a pixel, four pixels a byte whose high bit of each pixel sits
// in the upper nibble, and four colours chosen by one palette port byte.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// A screen file: 256 x 256 without (palette byte 15) or with the palette byte at its end,
// or the 200 x 225 window of the emulators' snapshots with the palette byte at its end.
struct TQoLvovPicture {
  int Width = 0;
  int Height = 0;
  uint8_t PaletteByte = 0;
  TQoByteView Screen;

  // False unless the file has one of the three sizes.
  bool Read(TQoByteView file);
};

// The four colours that palette byte p selects, as the video port mixes them.
void QoSetLvovPalette(TQoPalette256& palette, uint8_t p);

// Pixel k (0 = leftmost) of a screen byte.
constexpr uint32_t QoLvovPixel(uint8_t value, int k) {
  return ((value >> (7 - k)) & 1u) * 2 + ((value >> (3 - k)) & 1u);
}
