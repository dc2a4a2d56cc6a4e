#pragma once
// The Specialist's screen: 384 x 256 pixels kept column by column (48 columns of 8 pixels,
// 256 bytes each), the most significant bit leftmost. The colour models keep a colour
// code for every bitmap byte (or three for the whole picture) whose meaning the mode
// selects: five colours, eight colours, or sixteen with ink and paper in the two nibbles.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

inline constexpr int kQoSpecialistWidth = 384;
inline constexpr int kQoSpecialistHeight = 256;
inline constexpr std::size_t kQoSpecialistBitmapSize = 12288;

// What a Specialist file holds, told by its size.
enum TQoSpecialistLayout : uint8_t {
  kQoSpecialistMono,      // the bitmap alone
  kQoSpecialistRowInks,   // three inks repeated down the rows, and a mode byte
  kQoSpecialistCodes,     // a colour code per bitmap byte
  kQoSpecialistCodesMode  // the same with a mode byte
};

struct TQoSpecialistPicture {
  TQoSpecialistLayout Layout = kQoSpecialistMono;
  uint8_t Mode = 0;             // 4, 7 or 15; 0 for the bitmap alone
  bool FiveColorCodes = false;  // every code is one of the five-colour map
  uint8_t PaletteType = 0;      // the type the mode selects
  TQoByteView Bitmap;           // 12288 bytes
  TQoByteView Codes;            // 3 or 12288 colour codes; empty for the bitmap alone

  // False unless the size is one of the four and the mode and codes fit it.
  bool Read(TQoByteView file);
  // The colour count the picture is described by; 0 when it names none.
  int ColorCount() const;
};

// The palette of ptColored5, ptColored8 or ptColored (16 colours).
void QoSetSpecialistPalette(TQoPalette256& palette, uint8_t paletteType);
// The ink a colour code gives under a five- or eight-colour palette type; 0 for a code
// outside its map. For ptColored the ink is the code's high nibble.
uint32_t QoSpecialistInk(uint8_t code, uint8_t paletteType);
// The palette entry of unlit pixels under a five- or eight-colour palette type (black);
// for ptColored the code's low nibble.
uint32_t QoSpecialistPaper(uint8_t code, uint8_t paletteType);
