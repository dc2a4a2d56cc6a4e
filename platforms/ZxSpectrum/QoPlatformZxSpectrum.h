#pragma once
// The ZX Spectrum screen: 256 x 192 pixels in an interleaved order, coloured by one
// attribute byte per 8 x 8 cell, and the palettes of its five colour models.

#include <array>
#include <cstddef>
#include <cstdint>

#include "color/QoColor.h"
#include "engine/QoSourceEngine.h"

inline constexpr int kZxScreenPixelBytes = 6144;
inline constexpr int kZxScreenBytes = 6912;
inline constexpr int kZxAttributeBytes = 768;
inline constexpr int kZxBorderBytes = 4224;

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

// The palette indices of a cell.
struct TQoZxCellColors {
  uint32_t Paper = 0;
  uint32_t Ink = 0;
};

// The colours of the clones' extended attribute: ink bits 0-2 and paper bits 3-5, each
// with its own bright bit (bit 6 for the ink, bit 7 for the paper); there is no flash.
constexpr TQoZxCellColors QoZxExtendedColors(uint8_t attribute) {
  return TQoZxCellColors{static_cast<uint32_t>(((attribute >> 3) & 7) | ((attribute >> 4) & 8)),
                         static_cast<uint32_t>((attribute & 7) | ((attribute >> 3) & 8))};
}

// The header of a byte-per-pixel picture with a palette of 15-bit colours (16 bytes):
// 0x7F "SXG", version, packing, format (1: 4 bits a pixel, 2: 8 bits), width, height, and
// the palette and pixel positions, each counted from the field that holds it.
struct TQoSxgHeader {
  static constexpr std::size_t kSize = 16;
  int Version = 0;
  int Bits = 0;
  int Width = 0;
  int Height = 0;
  std::size_t PaletteAt = 0;
  int PaletteCount = 0;
  std::size_t PixelsAt = 0;
  std::size_t RowBytes = 0;

  // False unless the header is valid and the file holds the palette and every row.
  bool Read(TQoByteView file);
};

// The base of every ZX Spectrum engine.
class TQoZxSpectrumEngine : public TQoSourceEngine {
 public:
  TQoZxSpectrumEngine(TQoLoadSource& source, const char* className);

 protected:
  // As the machine shows an attribute: ink and paper, each plus 8 when bright; flash, a
  // blink, is ignored by still pictures.
  static TQoZxCellColors StandardColors(uint8_t attribute);

  // The border of a 384 x 304 picture around a screen at (64, 64), from its 4,224 bytes:
  // each byte gives two 8-pixel cells, bits 0-2 the left one and bits 3-5 the right one
  // (no bright); 24 cells per line above and below the screen, 4 on each side beside it.
  static void DrawZxBorder(TQoBitmap& bmp, TQoByteView border);

  // Draws one standard screen (pixels and attributes at offset) into bmp: screen row y
  // goes to picture row rowOf(y), screen column byte c to bitmap column firstColumn + c,
  // and colorsOf(attribute) gives the cell's paper and ink indices.
  template <class RowOf, class ColorsOf = TQoZxCellColors (*)(uint8_t)>
  void DrawColorScreen(TQoBitmap& bmp, std::size_t offset, RowOf rowOf, int firstColumn = 0,
                       ColorsOf colorsOf = &StandardColors) const {
    // The whole screen is checked once; cell colours are worked out once per cell, not
    // once per pixel line.
    const uint8_t* screen = Bytes().Ptr(offset, kZxScreenPixelBytes + 768);
    const uint8_t* attributes = screen + kZxScreenPixelBytes;
    std::array<TQoZxCellColors, 32> cells;
    for (int cellRow = 0; cellRow < 24; ++cellRow) {
      for (int c = 0; c < 32; ++c) cells[c] = colorsOf(attributes[32 * cellRow + c]);
      for (int y = 8 * cellRow; y < 8 * cellRow + 8; ++y) {
        const int row = rowOf(y);
        const uint8_t* pixels = screen + QoZxPixelOffset(y, 0);
        for (int c = 0; c < 32; ++c) {
          const TQoZxCellColors colors = cells[c];
          const uint8_t value = pixels[c];
          const int column = firstColumn + c;
          if (bmp.BitsPerPixel == 4 && 8 * (column + 1) <= bmp.Width && row >= 0 &&
              row < bmp.Height && colors.Paper < 16 && colors.Ink < 16) {
            // Two pixels per byte, left one in the high nibble: write the cell's 4 bytes.
            uint8_t* out = bmp.GetScanLine(row) + 4 * column;
            for (int k = 0; k < 4; ++k) {
              const uint32_t left = (value & (0x80 >> (2 * k))) ? colors.Ink : colors.Paper;
              const uint32_t right = (value & (0x40 >> (2 * k))) ? colors.Ink : colors.Paper;
              out[k] = static_cast<uint8_t>(left << 4 | right);
            }
          } else {
            PlotMono8(bmp, value, colors.Paper, colors.Ink, column, row);
          }
        }
      }
    }
  }
};
