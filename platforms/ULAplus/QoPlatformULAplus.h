#pragma once
// ULAplus: a 64-entry programmable palette for the ZX Spectrum's screens. Each entry is
// a colour byte GGGRRRBB; the four groups of 16 entries hold 8 ink and 8 paper colours,
// and an attribute picks the group with its flash and bright bits.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

inline constexpr std::size_t kQoUlaPlusPaletteBytes = 64;

// The colour of a palette byte under a ULAplus palette type: red and green widen 3 bits
// to 8 by repeating them; blue's 2 bits are first taken to 3 bits (0, 3, 4, 7 under
// "v1.0" and any unknown type, 0, 3, 5, 7 under "v1.1"); "v1.1 (Gray)" then gives the
// grey of the colour's luminance.
TQoStdRGBColor UlaPlusColour(uint8_t colour, uint8_t paletteType);

// The palette indices of an attribute: the group from bits 7-6, ink entries 0-7 of the
// group from bits 0-2, paper entries 8-15 from bits 3-5.
TQoZxCellColors QoUlaPlusCellColors(uint8_t attribute);

// The 64 palette bytes a file keeps after its screen.
struct TQoUlaPlusPalette {
  TQoByteView Bytes;

  // False when the 64 bytes at offset are not all in file.
  bool Read(TQoByteView file, std::size_t offset);
  // Empties palette and appends the 64 colours under the palette type.
  void Build(TQoPalette256& palette, uint8_t paletteType) const;
};
