#pragma once
// The Timex screens: the hi-colour mode keeps the ZX Spectrum's pixel area and adds a
// second area of the same interleaved shape holding one attribute per 8 x 1 pixels; the
// hi-res mode shows the two areas side by side as 512 monochrome pixels a line, in one
// colour pair chosen by the value written to the video port.

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/QoByteView.h"
#include "engine/QoSourceEngine.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

// A hi-colour or hi-res screen: two areas of 6,144 bytes.
inline constexpr std::size_t kQoTimexScreenBytes = 2 * kZxScreenPixelBytes;

// Paper and ink of every attribute value.
using TQoZxCellColorTable = std::array<TQoZxCellColors, 256>;

// Draws the hi-colour screen at the start of screen into bmp: the pixel byte at offset o
// is coloured by the attribute at o + 6,144; screen row y goes to picture row
// rowStep * y + rowOffset.
void QoDrawTimexHiColor(TQoBitmap& bmp, TQoByteView screen, const TQoZxCellColorTable& colors,
                        int rowStep = 1, int rowOffset = 0);

// The eight full colours of the hi-res mode (0 black, 1 blue, 2 red, ... 7 white) as
// 0x00RRGGBB; every channel fully on or off.
uint32_t QoTimexFullColor(int number);

// The colour pair a hi-res screen is shown in, from the port byte after it: bits 3-5
// give the ink, the paper is its complement.
struct TQoTimexHiResPort {
  int Ink = 0;
  int Paper = 7;

  // False when the port byte at offset is not in file.
  bool Read(TQoByteView file, std::size_t offset);
};

// The bytes of picture row y (64 of them) of the hi-res screen at the start of screen:
// byte k of the first area, then byte k of the second, for k = 0 .. 31.
void QoTimexHiResRow(TQoByteView screen, int y, uint8_t* row);
