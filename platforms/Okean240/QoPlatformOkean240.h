#pragma once
// The Okean-240's screen: 256 x 256 in four colours (two planes) or 512 x 256 in black
// and white, kept in columns of 8 pixels, the least significant bit leftmost. One port
// byte picks one of seven colour sets and a dim background colour.

#include <cstdint>
#include <string>

#include "color/QoColor.h"

// True when the palette port byte p names a colour set (below 64, set 7 unused).
constexpr bool QoIsOkean240PaletteByte(uint8_t p) {
  return p < 64 && (p & 7) != 7;
}

// The four colours of palette port byte p (which must pass QoIsOkean240PaletteByte).
void QoSetOkean240Palette(TQoPalette256& palette, uint8_t p);

// " palette n", and " background b" when the byte sets a background, then " image".
std::string QoOkean240Description(uint8_t p);
