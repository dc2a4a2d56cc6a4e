#include "platforms/Profi/QoPlatformProfi.h"

#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumNext.h"

bool TQoProfiHeader::Read(TQoByteView file) {
  if (file.Size() <= kMinSize) return false;
  Width = file.LE16(0);
  Height = file.LE16(2);
  const int kind = file.U8(4);
  if (Width == 0 || Height == 0 || (kind != 4 && kind != 8) || file.U8(5) != 0) return false;
  Colour = kind == 4;
  RowBytes = file.LE16(6);
  const std::size_t cellBytes = (static_cast<std::size_t>(Width) + 7) / 8;
  if (RowBytes < (Colour ? 2 * cellBytes : cellBytes)) return false;
  DataAt = file.U8(8) == 0 ? 128 : 128 * static_cast<std::size_t>(file.U8(8));
  const int palette = file.U8(9);
  if (palette != 0 && palette != 19) return false;
  PaletteBytes = palette == 19 ? file.Sub(10, 16) : TQoByteView();
  return file.Has(DataAt, RowBytes * static_cast<std::size_t>(Height));
}

TQoStdRGBColor QoProfiColor(uint8_t value) {
  static constexpr uint8_t kBlue[4] = {0, 85, 170, 255};
  return TQoStdRGBColor{QoZxNextLevel((value >> 2) & 7), QoZxNextLevel(value >> 5),
                        kBlue[value & 3]};
}
