#pragma once
// The Agat: its colour table (sixteen colours, sixteen greys, the Apple II emulation
// colours), the palettes its picture files choose from, the Agat character set of file
// comments, and the file header with its optional trailer.

#include <cstddef>
#include <cstdint>
#include <string>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

inline constexpr std::size_t kQoAgatHeaderSize = 44;
inline constexpr std::size_t kQoAgatLengthOffset = 42;
inline constexpr std::size_t kQoAgatTrailerSize = 252;
inline constexpr std::size_t kQoAgatCommentOffset = 60;
inline constexpr std::size_t kQoAgatCommentSize = 192;

// Entry i (0..47) of the colour table as 0xRRGGBB: 0-15 the colours, 16-31 the greys,
// 32-47 the Apple II emulation colours.
uint32_t QoAgatTableColor(int i);

// What a picture file says about itself. The trailer fields are 0 without a trailer.
struct TQoAgatFile {
  std::size_t DataLength = 0;  // the video memory's length
  bool Trailer = false;
  uint8_t Mode = 0;
  uint8_t PaletteByte = 0;
  uint8_t PaletteKind() const { return PaletteByte >> 4; }
};

// Reads the header, and the trailer when the file is long enough to hold one; false
// when the file is neither exactly header and data nor header, data and a trailer with
// its signature.
bool QoParseAgatFile(TQoByteView bytes, TQoAgatFile& file);

// True when a trailer file of video memory length `length` may hold mode `mode` with
// palette kind `kind`.
bool QoAgatTrailerModeAccepted(std::size_t length, uint8_t mode, uint8_t kind);

// Palette := the palette type's colours. The file palette (ptColored4096) comes from the
// trailer: all 16 colours, or colours 0, 1, 2 and 4 for a 2-bit mode. Any other type
// raises.
void QoSetAgatPalette(TQoPalette256& palette, uint8_t paletteType, TQoByteView trailer,
                      bool twoBits);

// Colour c (0..15) of the trailer's file palette, as 0xRRGGBB.
uint32_t QoAgatFileColor(TQoByteView trailer, int c);

// A comment in the Agat character set as UTF-8, without trailing "*" fill and then
// without trailing blanks.
std::string QoAgatCommentText(TQoByteView comment);
