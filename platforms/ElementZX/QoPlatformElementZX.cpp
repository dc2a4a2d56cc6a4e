#include "platforms/ElementZX/QoPlatformElementZX.h"

void QoSetElementPalette16(TQoPalette256& palette) {
  palette.SetSpectrum16(182);
}

void QoSetElementGigaPalette(TQoPalette256& palette) {
  TQoPalette256 base;
  QoSetElementPalette16(base);
  palette.Clear();
  for (int i = 0; i < 16; ++i) {
    const TQoStdRGBColor a = base.GetStdRGB(i);
    for (int j = 0; j < 16; ++j) {
      const TQoStdRGBColor b = base.GetStdRGB(j);
      const int index =
          palette.Add(static_cast<uint8_t>((a.R + b.R) / 2), static_cast<uint8_t>((a.G + b.G) / 2),
                      static_cast<uint8_t>((a.B + b.B) / 2));
      if (j < i) palette.GetPColor(index).Excluded = 1;
    }
  }
}

uint32_t QoElementLayer(uint32_t lower, uint32_t upper, int key) {
  if (key == 8) key = 0;
  const bool see = key == 0 ? (upper == 0 || upper == 8) : upper == static_cast<uint32_t>(key);
  return see ? lower : upper;
}

namespace {

void Expand(std::vector<uint8_t>& out, std::size_t at, uint8_t value, TQoZxCellColors colors) {
  for (int i = 0; i < 8; ++i) {
    out[at + static_cast<std::size_t>(i)] =
        static_cast<uint8_t>((value & (0x80 >> i)) ? colors.Ink : colors.Paper);
  }
}

}  // namespace

std::vector<uint8_t> QoElementScreenPixels(TQoByteView screen, TQoElementCellColors colorsOf) {
  const uint8_t* bytes = screen.Ptr(0, kZxScreenBytes);
  std::vector<uint8_t> out(256 * 192);
  for (int y = 0; y < 192; ++y) {
    for (int c = 0; c < 32; ++c) {
      const TQoZxCellColors colors = colorsOf(bytes[kZxScreenPixelBytes + 32 * (y >> 3) + c]);
      Expand(out, static_cast<std::size_t>(256 * y + 8 * c), bytes[QoZxPixelOffset(y, c)], colors);
    }
  }
  return out;
}

std::vector<uint8_t> QoElementHrcPixels(TQoByteView picture, TQoElementCellColors colorsOf) {
  const uint8_t* bytes = picture.Ptr(0, kQoHrcBytes);
  std::vector<uint8_t> out(512 * 192);
  for (std::size_t y = 0; y < 192; ++y) {
    for (std::size_t j = 0; j < 64; ++j) {
      const TQoZxCellColors colors = colorsOf(bytes[kQoHrcPixelBytes + 64 * (y / 4) + j]);
      Expand(out, 512 * y + 8 * j, bytes[64 * y + j], colors);
    }
  }
  return out;
}

TQoZxCellColors QoHrxcColors(uint8_t attribute) {
  return TQoZxCellColors{16u + (attribute >> 4), attribute & 15u};
}

void QoAddElementBGRColors(TQoPalette256& palette, TQoByteView bytes, int count) {
  const uint8_t* p = bytes.Ptr(0, 3 * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i, p += 3) palette.Add(p[2], p[1], p[0]);
}
