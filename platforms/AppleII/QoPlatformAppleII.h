#pragma once
// The Apple II video: the sixteen colours as emulators and converters render them, the
// interleaved row order of the high-resolution screen, the artefact colours of hi-res
// bit pairs, and the bit groups of the double high-resolution screen.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The 16 colours of one of the ten Apple II palette types; any other type raises. The
// palette is cleared first.
void QoSetAppleIIPalette(TQoPalette256& palette, uint8_t paletteType);
// The ten types in the order the engines offer them.
inline constexpr uint8_t kQoAppleIIPaletteTypeCount = 10;
uint8_t QoAppleIIPaletteType(int index);

inline constexpr std::size_t kQoAppleIIHiResSize = 8192;
inline constexpr int kQoAppleIIHiResRows = 192;
inline constexpr int kQoAppleIIHiResRowBytes = 40;

// Where row y (0..191) of a hi-res screen starts: eight-row groups of 1024 bytes, eight
// 128-byte blocks of three thirds each.
std::size_t QoAppleIIHiResRow(int y);

// The colour number of a hi-res two-bit cell value (0..3) in a colour group (the byte's
// bit 7).
uint8_t QoAppleIIHiResColor(unsigned twoBits, bool group1);

// Hi-res colour: the 280 colour numbers of one row, each two columns wide.
void QoAppleIIHiResColorRow(const uint8_t* row, uint32_t* values);

// Double hi-res: the 28-bit value of group k (0..19) of a row, bits taken alternately
// from the first and the second 8 KiB bank.
uint32_t QoAppleIIDoubleGroup(const uint8_t* firstBank, const uint8_t* secondBank, int k);
// The colour of a 4-bit double hi-res field: the field rotated left by one bit.
inline uint8_t QoAppleIIDoubleColor(unsigned field) {
  field &= 15u;
  return static_cast<uint8_t>(((field << 1) | (field >> 3)) & 15u);
}
