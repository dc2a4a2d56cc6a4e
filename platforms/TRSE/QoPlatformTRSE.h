#pragma once
// FLUFF64 project files of the TRSE image editor: a 13-byte header naming the target
// machine by a type byte, a body of one byte per pixel (or the target's own cell
// records), an optional palette after the pixels and, for some targets, a 256-byte
// footer whose colour numbers give the inks. Also the CGA palettes of the IBM PC.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

inline constexpr std::size_t kQoFluffHeadSize = 13;
inline constexpr std::size_t kQoFluffFooterSize = 256;
inline constexpr std::size_t kQoFluffFooterColors = 192;  // footer offset of the colours

struct TQoFluffHeader {
  uint8_t Type = 0;
  uint8_t SubType = 0;
  std::size_t BodyLength = 0;  // without the footer
  bool HasFooter = false;
  int32_t Width = 0;
  int32_t Height = 0;
  std::size_t PixelsAt = 0;  // the first pixel byte or cell record, from the file start
  int32_t TailColors = -1;   // colours of the palette after the pixels; -1 when none
  std::size_t TailAt = 0;    // the first colour triple
  int BBCMode = 0;           // 2, 4 or 5 for BBC Micro pictures
  uint8_t Background = 0;    // Commodore 64 character screens

  // Reads the header and checks the body against the rules of its type.
  bool Read(TQoByteView data);
  std::size_t FooterAt(TQoByteView data) const { return data.Size() - kQoFluffFooterSize; }
};

// Black and three colours of a four-colour CGA palette type (ptBackGreenRedYellowLow to
// ptBackCyanRedWhiteHigh); another type raises "Internal error".
void QoSetCGAPalette4(TQoPalette256& palette, uint8_t paletteType);
// The 16 colours of the CGA's text modes.
void QoSetCGAPalette16(TQoPalette256& palette);
