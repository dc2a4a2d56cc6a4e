#pragma once
// The Sinclair QL's screen: 16-bit words whose even byte and odd byte carry different
// colour bits of the same pixels. Mode 4 has 8 pixels of 4 colours a word, mode 8 four
// pixels of 8 colours (and a flash bit); the later graphics extensions added 16- and
// 256-colour modes and 16-bit colour, saved in PIC files with a small header.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The pixel layouts a line can have.
enum TQoQLLayout : uint8_t {
  kQoQLMode4,      // 8 pixels a word: green bit in the even byte, red in the odd one
  kQoQLMode8,      // 4 pixels a word: green and flash, red and blue
  kQoQLGD2Mode8,   // 4 pixels a word of 16 colours
  kQoQLGD2Mode16,  // a byte a pixel
  kQoQLGD2Mode32,  // a little-endian word a pixel, red 5, green 6, blue 5
  kQoQLGD2Mode33,  // a big-endian word a pixel, green 5, red 5, blue 6
};

// The values of count pixels of the line at `at` (indices, or 0x00RRGGBB for the 16-bit
// layouts).
void QoQLLine(TQoByteView data, std::size_t at, TQoQLLayout layout, int count, uint32_t* values);
// The palette of an indexed layout.
void QoQLPalette(TQoQLLayout layout, TQoPalette256& palette);

// True when a mode 8 screen never uses its flash bits but does draw: the mark of a mode 8
// picture among dumps of the same size, since a mode 4 picture sets those bits as green.
bool QoQLLooksLikeMode8(TQoByteView screen);

// The PIC header: 0x4A 0xFC, width, height, bytes per line, mode.
struct TQoQLPicHeader {
  static constexpr std::size_t kSize = 10;
  uint16_t StoredWidth = 0;
  uint16_t Height = 0;
  uint16_t LineBytes = 0;
  uint8_t Mode = 0;
  TQoQLLayout Layout = kQoQLMode4;
  int32_t Width = 0;  // pixels shown

  // Reads and checks the header against a file of `data`'s size.
  bool Read(TQoByteView data);
};
