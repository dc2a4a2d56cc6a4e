#pragma once
// Spectra, a video extension of the ZX Spectrum: the standard bitmap with attributes
// for cells 8 or 4 pixels wide and 8, 4, 2 or 1 lines high, in 16 or 64 colours, one or
// two attribute bytes a cell. A picture is a dump of its memory, optionally followed by
// a three-byte trailer "PS" and the mode byte.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The mode byte: bits 0-1 the attribute height (8, 4, 2, 1 lines), bit 2 64 colours,
// bit 3 two attribute bytes a cell, bit 7 cells 4 pixels wide; bits 4-6 are clear.
struct TQoSpectraMode {
  uint8_t Byte = 0;

  static constexpr bool IsMode(uint8_t byte) { return (byte & 0x70) == 0; }
  constexpr int AttributeHeight() const { return 8 >> (Byte & 3); }
  constexpr bool Colors64() const { return (Byte & 4) != 0; }
  constexpr bool DoubleByte() const { return (Byte & 8) != 0; }
  constexpr bool NarrowCells() const { return (Byte & 0x80) != 0; }

  // The size of a dump of this mode, without trailer.
  std::size_t DumpSize() const;
  // Where the first (A) and second (B) attribute byte of pixel row y, cell c lie.
  std::size_t FirstAttribute(int y, int c) const;
  std::size_t SecondAttribute(int y, int c) const;
};

inline constexpr std::size_t kQoSpectraTrailerBytes = 3;

// The trailer at the end of a file: "PS" and a mode whose dump fills the rest.
struct TQoSpectraTrailer {
  TQoSpectraMode Mode;

  // False unless the file ends in a trailer with a mode valid for the file's size.
  bool Read(TQoByteView file);
};

// The 16 colours in ZX order (bit 0 blue, 1 red, 2 green, 3 bright); lit channels at
// linear 0.5 (sRGB 188), or full for the bright half.
void SetSpectra16(TQoPalette256& palette);
// The 64 colours: entry 16 G + 4 R + B, each channel at 0, 89, 185 or 255.
void SetSpectra64(TQoPalette256& palette);
