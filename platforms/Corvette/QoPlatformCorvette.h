#pragma once
// The Corvette's screen: 512 x 256 pixels in three bit-planes, a colour index's bit 0
// blue, bit 1 red and bit 2 green. The GRIN editor saves it plain, packed behind
// "GRF1.0", or as a window of any size behind "WIN1.0".

#include <cstddef>
#include <cstdint>
#include <vector>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

inline constexpr int kQoCorvetteWidth = 512;
inline constexpr int kQoCorvetteHeight = 256;
// The three planes of a whole screen, one after the other.
inline constexpr std::size_t kQoCorvettePlanesSize = 3 * (kQoCorvetteWidth / 8) * kQoCorvetteHeight;

// The eight colours (sixteen entries, the upper half brighter) for ptColoredLinear or
// ptColoredEMU.
void QoSetCorvettePalette(TQoPalette256& palette, uint8_t paletteType);

// Unpacks a GRF stream (the bytes after the signature) into a zeroed buffer of the three
// planes. The stream is 768 blocks of 64 bytes, each led by a 3-bit code; answers false
// when it breaks off or holds an unknown code, keeping what was made up to there.
bool QoUnpackCorvetteGrf(TQoByteView stream, std::vector<uint8_t>& planes);

// The header of a window picture: "WIN1.0", the width less one (16 bits, little-endian,
// below 512) and the height less one (a byte); the planes follow at offset 9.
struct TQoCorvetteWinHeader {
  static constexpr std::size_t kSize = 9;
  int Width = 0;
  int Height = 0;

  // False unless the file is longer than the header, signed and of a width in range.
  bool Read(TQoByteView file);
  std::size_t RowBytes() const { return static_cast<std::size_t>(Width + 7) / 8; }
};
