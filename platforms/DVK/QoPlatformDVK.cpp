#include "platforms/DVK/QoPlatformDVK.h"

bool TQoDVKHeader::Read(TQoByteView file) {
  if (!file.Has(0, kPixelsAt)) return false;
  const int width = file.LE16(0);
  const int height = file.LE16(2);
  if (width < 1 || width > kMaxWidth || height < 1 || height > kMaxHeight) return false;
  const std::size_t rowBytes = static_cast<std::size_t>((width + 3) / 4) * 2;
  const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(height);
  if (file.Size() != kPixelsAt + pixelBytes + kColorCount) return false;
  const TQoByteView colors = file.Sub(kPixelsAt + pixelBytes, kColorCount);
  for (std::size_t i = 0; i < kColorCount; ++i) {
    if (colors.U8(i) > 63) return false;
  }
  Width = width;
  Height = height;
  RowBytes = rowBytes;
  Pixels = file.Sub(kPixelsAt, pixelBytes);
  Colors = colors;
  return true;
}
