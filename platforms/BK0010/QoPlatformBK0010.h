#pragma once
// The BK-0010/0011 screen: 16384 bytes, 256 lines of 64 bytes, top line first. In colour
// mode each byte gives four 2-bit pixels from its low bits up; in black and white each
// byte gives eight pixels from bit 0. The BK-0011 chooses the four colours from one of
// 16 fixed palettes, which a program may switch from line to line.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

inline constexpr std::size_t kQoBKScreenSize = 16384;
inline constexpr std::size_t kQoBKLineBytes = 64;
inline constexpr int kQoBKLines = 256;
inline constexpr int kQoBKPaletteCount = 16;

// Colour i (0 to 3) of BK-0011 palette number (0 to 15) as 0x00RRGGBB.
uint32_t QoBK0011Color(unsigned number, unsigned i);

// Fills palette with the four colours of a palette number.
void QoSetBK0011Palette(TQoPalette256& palette, unsigned number);

// The 256 pixel values (0 to 3) of colour line y, or the 512 values (0, 1) of
// black-and-white line y, of the screen that starts at screen.
void QoBKColorLine(TQoByteView screen, int y, uint32_t* values);
void QoBKMonoLine(TQoByteView screen, int y, uint32_t* values);

// The palette numbers a file keeps after its screens: count bytes at offset, each a
// palette number.
struct TQoBK0010PaletteNumbers {
  TQoByteView Numbers;

  // False when the bytes do not fit or one is not a palette number.
  bool Read(TQoByteView file, std::size_t offset, std::size_t count);
  unsigned At(std::size_t i) const { return Numbers.U8(i); }
};

// The four bytes before a screen saved as a binary file: load address and length, both
// 0x4000 (the screen's address and size).
bool QoIsBKScreenLoadHeader(TQoByteView file);
