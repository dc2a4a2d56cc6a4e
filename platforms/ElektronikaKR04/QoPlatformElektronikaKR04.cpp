#include "platforms/ElektronikaKR04/QoPlatformElektronikaKR04.h"

bool TQoKR04Header::Read(TQoByteView file) {
  if (file.Size() <= kSize || !file.Matches(0, "KR04")) return false;
  Flags = file.U8(4);
  Blue = file.U8(5);
  Green = file.U8(6);
  Red = file.U8(7);
  Width = file.LE16(8);
  Height = file.LE16(10);
  if (Width == 0 || Height == 0) return false;
  return file.Size() == kSize + ScreenSize() * (TwoScreens() ? 2 : 1);
}

void QoSetKR04Palette(TQoPalette256& palette, const TQoKR04Header& header) {
  palette.Clear();
  if (header.HasPalette()) {
    static constexpr uint8_t kLevels[4] = {0, 85, 170, 255};
    for (int i = 0; i < header.Colors(); ++i) {
      const auto level = [i](uint8_t fields) { return kLevels[(fields >> (2 * i)) & 3u]; };
      palette.Add(level(header.Red), level(header.Green), level(header.Blue));
    }
  } else if (header.Color()) {
    for (uint32_t rgb : {0x000000u, 0x0000FFu, 0x00FF00u, 0xFF0000u}) palette.Add(rgb);
  } else {
    palette.Add(0, 0, 0);
    palette.Add(255, 255, 255);
  }
}
