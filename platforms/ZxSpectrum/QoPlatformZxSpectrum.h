#pragma once
// The ZX Spectrum screen: 256 x 192 pixels in an interleaved order, coloured by one
// attribute byte per 8 x 8 cell, and the palettes of its five colour models.

#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoSourceEngine.h"

inline constexpr int kZxScreenPixelBytes = 6144;
inline constexpr int kZxScreenBytes = 6912;
inline constexpr int kZxAttributeBytes = 768;

// Offset of pixel row y (0..191), column byte c (0..31) in a standard screen: the screen
// is three thirds of 64 rows, and inside a third the rows step by character line first.
constexpr std::size_t QoZxPixelOffset(int y, int c) {
  return static_cast<std::size_t>(((y >> 6) << 11) | ((y & 7) << 8) | (((y >> 3) & 7) << 5) | c);
}

// The 16 colours of a ZX palette type (anything unknown is taken as "Linear"):
// colour i lights red (bit 1), green (bit 2) and blue (bit 0) at the normal level, or
// the bright level for i >= 8, then the type's weights are applied.
void SetZxPalette16(TQoPalette256& palette, uint8_t paletteType);

// The colour a gigascreen shows for colour numbers a and b alternating, as the
// "Standard" mix: each channel takes the level the two lit/bright states give.
TQoStdRGBColor MixZxColours(int a, int b, uint8_t paletteType);

// 256 entries i * 16 + j: the linear average of colours i and j; j < i crossed out.
void SetFlashColorPalette(TQoPalette256& palette, uint8_t paletteType);

// The palette of two alternating screens: source gets the 16 colours of one screen;
// palette gets 256 entries i * 16 + j, the colour seen when one screen shows i and the
// other j: the ZX mix of the levels ("Standard", calcMode 0) or the linear-light
// average ("Linear", calcMode 1). Entries with j < i are crossed out.
void QoBuildZxGigaPalette(TQoPalette256& palette, TQoPalette256& source, uint8_t paletteType,
                          uint8_t calcMode);

// The base of every ZX Spectrum engine.
class TQoZxSpectrumEngine : public TQoSourceEngine {
 public:
  TQoZxSpectrumEngine(TQoLoadSource& source, const char* className);

 protected:
  // Draws one standard screen (pixels and attributes at offset) with PlotMono8 into bmp,
  // its row y going to picture row rowOf(y).
  template <class RowOf>
  void DrawColorScreen(TQoBitmap& bmp, std::size_t offset, RowOf rowOf) const {
    const TQoByteView bytes = Bytes();
    for (int y = 0; y < 192; ++y) {
      for (int c = 0; c < 32; ++c) {
        int ink = 0, paper = 0;
        SplitSpectrumAttribute(bytes.U8(offset + kZxScreenPixelBytes + 32 * (y >> 3) + c), ink,
                               paper);
        const uint8_t value = bytes.U8(offset + QoZxPixelOffset(y, c));
        const int row = rowOf(y);
        if (bmp.BitsPerPixel == 4 && bmp.Width >= 256 && row >= 0 && row < bmp.Height) {
          // Two pixels per byte, left one in the high nibble: write the cell's 4 bytes.
          uint8_t* out = bmp.GetScanLine(row) + 4 * c;
          for (int k = 0; k < 4; ++k) {
            const int left = (value & (0x80 >> (2 * k))) ? ink : paper;
            const int right = (value & (0x40 >> (2 * k))) ? ink : paper;
            out[k] = static_cast<uint8_t>(left << 4 | right);
          }
        } else {
          PlotMono8(bmp, value, static_cast<uint32_t>(paper), static_cast<uint32_t>(ink), c, row);
        }
      }
    }
  }
};

// Size-only detection: Size|Extension when the extension is the format's, Size otherwise.
uint8_t QoZxDetectBySize(const TQoLoadSource& source, int32_t size, const char* extension);
