#include "platforms/Timex/QoPlatformTimex.h"

#include "base/QoErrors.h"

void QoDrawTimexHiColor(TQoBitmap& bmp, TQoByteView screen, const TQoZxCellColorTable& colors,
                        int rowStep, int rowOffset) {
  const uint8_t* pixels = screen.Ptr(0, kQoTimexScreenBytes);
  const uint8_t* attributes = pixels + kZxScreenPixelBytes;
  for (int y = 0; y < 192; ++y) {
    const int row = rowStep * y + rowOffset;
    for (int c = 0; c < 32; ++c) {
      const std::size_t at = QoZxPixelOffset(y, c);
      const TQoZxCellColors cell = colors[attributes[at]];
      const uint8_t value = pixels[at];
      for (int i = 0; i < 8; ++i) {
        bmp.SetPixel(8 * c + i, row, (value & (0x80 >> i)) ? cell.Ink : cell.Paper);
      }
    }
  }
}

uint32_t QoTimexFullColor(int number) {
  // Colour numbers: bit 0 blue, bit 1 red, bit 2 green.
  return (number & 2 ? 0xFF0000u : 0u) | (number & 4 ? 0x00FF00u : 0u) | (number & 1 ? 0xFFu : 0u);
}

bool TQoTimexHiResPort::Read(TQoByteView file, std::size_t offset) {
  if (!file.Has(offset, 1)) return false;
  Ink = (file.U8(offset) >> 3) & 7;
  Paper = 7 - Ink;
  return true;
}

void QoTimexHiResRow(TQoByteView screen, int y, uint8_t* row) {
  const uint8_t* first = screen.Ptr(QoZxPixelOffset(y, 0), 32);
  const uint8_t* second = screen.Ptr(kZxScreenPixelBytes + QoZxPixelOffset(y, 0), 32);
  for (int k = 0; k < 32; ++k) {
    row[2 * k] = first[k];
    row[2 * k + 1] = second[k];
  }
}
