#include "platforms/ULAplus/QoPlatformULAplus.h"

#include "color/QoPaletteTypes.h"

namespace {

uint8_t Widen3(int v) {
  return static_cast<uint8_t>(v * 32 + v * 4 + v / 2);
}

}  // namespace

TQoStdRGBColor UlaPlusColour(uint8_t colour, uint8_t paletteType) {
  static constexpr int kBlueV10[4] = {0, 3, 4, 7};
  static constexpr int kBlueV11[4] = {0, 3, 5, 7};
  const bool v11 = paletteType == ptV11 || paletteType == ptV11Gray;
  const TQoStdRGBColor c{Widen3((colour >> 2) & 7), Widen3(colour >> 5),
                         Widen3((v11 ? kBlueV11 : kBlueV10)[colour & 3])};
  if (paletteType != ptV11Gray) return c;
  TQoColor color;
  color.SetStdRGB(c);
  const uint8_t gray = color.GetGray();
  return TQoStdRGBColor{gray, gray, gray};
}

TQoZxCellColors QoUlaPlusCellColors(uint8_t attribute) {
  const uint32_t group = static_cast<uint32_t>(attribute >> 6) * 16;
  return TQoZxCellColors{group + 8 + ((attribute >> 3) & 7u), group + (attribute & 7u)};
}

bool TQoUlaPlusPalette::Read(TQoByteView file, std::size_t offset) {
  if (!file.Has(offset, kQoUlaPlusPaletteBytes)) return false;
  Bytes = file.Sub(offset, kQoUlaPlusPaletteBytes);
  return true;
}

void TQoUlaPlusPalette::Build(TQoPalette256& palette, uint8_t paletteType) const {
  palette.Clear();
  for (std::size_t i = 0; i < kQoUlaPlusPaletteBytes; ++i) {
    palette.Add(UlaPlusColour(Bytes.U8(i), paletteType));
  }
}
