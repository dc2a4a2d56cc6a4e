#pragma once
// The SAM Coupé's video: a colour look-up table (CLUT) of 16 entries, each one of 128
// colours, and the blocks its screen files carry after the screen memory: the CLUT with
// its markers, and the table of line interrupts that change CLUT entries down the screen.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The number of colours of the machine; a SAM colour is 7 bits.
inline constexpr int kQoSAMColorCount = 128;

// A SAM colour as 0x00RRGGBB: bits 0/4 blue low/high, 1/5 red, 2/6 green, bit 3 brightness.
uint32_t QoSAMColor(uint8_t color);

// Appends the SAM colour to palette (AddUnique when unique); answers its index.
int QoAddSAMColor(TQoPalette256& palette, uint8_t color, bool unique);

// True when each of the n bytes is a SAM colour (below 128).
bool QoIsSAMColorRun(TQoByteView bytes, std::size_t n);

// The block the screen files keep after the screen data: 16 CLUT bytes, the marker
// 00 11 22 7F, 16 more CLUT bytes (for the other screen), the marker again.
struct TQoSAMCoupePaletteBlock {
  static constexpr std::size_t kSize = 40;
  TQoByteView Clut;  // the 16 CLUT bytes of the picture
  bool HasMarkers = false;

  // False when the block does not fit or a CLUT byte is not a SAM colour.
  bool Read(TQoByteView file, std::size_t offset);
};

// One line interrupt: from pixel line Line + 1 on, CLUT entry Index holds Color.
struct TQoSAMCoupeLineChange {
  uint8_t Line = 0;
  uint8_t Index = 0;
  uint8_t Color = 0;
};

// The line interrupts of PCHG files: entries of 4 bytes from offset to the end of the
// file, ended by 0xFF.
struct TQoSAMCoupeLineTable {
  static constexpr std::size_t kMaxEntries = 127;
  static constexpr uint8_t kLastLine = 190;
  std::vector<TQoSAMCoupeLineChange> Entries;

  // False unless the rest of the file from offset is 1 to 127 valid entries and 0xFF.
  bool Read(TQoByteView file, std::size_t offset);
};
