#include "platforms/Spectra/QoPlatformSpectra.h"

#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

std::size_t TQoSpectraMode::DumpSize() const {
  // The attribute areas of the taller modes start at 8,192, past the standard screen.
  static constexpr std::size_t kSingle[4] = {6912, 9728, 11264, 14336};
  static constexpr std::size_t kDouble[4] = {7936, 11776, 15360, 16384};
  return (DoubleByte() ? kDouble : kSingle)[Byte & 3];
}

std::size_t TQoSpectraMode::FirstAttribute(int y, int c) const {
  const auto cell = static_cast<std::size_t>(c);
  switch (AttributeHeight()) {
    case 8:
      return 6144 + 32 * static_cast<std::size_t>(y / 8) + cell;
    case 4: {
      const auto r = static_cast<std::size_t>(y / 4);
      return 8192 + 512 * (r / 16) + 256 * (r % 2) + 32 * ((r / 2) % 8) + cell;
    }
    case 2: {
      const auto r = static_cast<std::size_t>(y / 2);
      return 8192 + 1024 * (r / 32) + 256 * (r % 4) + 32 * ((r / 4) % 8) + cell;
    }
    default:
      if (DoubleByte() && y >= 128) {
        // The second bytes of the top two thirds fill the space of the bottom third, so
        // the bottom third falls back to one attribute row per two lines below the bitmap.
        const auto b = static_cast<std::size_t>((y - 128) / 2);
        return 6144 + 256 * (b % 4) + 32 * (b / 4) + cell;
      }
      return QoZxPixelOffset(y, c) + 8192;
  }
}

std::size_t TQoSpectraMode::SecondAttribute(int y, int c) const {
  switch (AttributeHeight()) {
    case 8:
      return FirstAttribute(y, c) + 1024;
    case 4:
      return FirstAttribute(y, c) + 2048;
    case 2:
      return FirstAttribute(y, c) + 4096;
    default:
      return y >= 128 ? FirstAttribute(y, c) + 1024 : QoZxPixelOffset(y, c) + 12288;
  }
}

bool TQoSpectraTrailer::Read(TQoByteView file) {
  const std::size_t size = file.Size();
  if (size < 4 || !file.Matches(size - kQoSpectraTrailerBytes, "PS")) return false;
  const uint8_t mode = file.U8(size - 1);
  if (!TQoSpectraMode::IsMode(mode)) return false;
  Mode.Byte = mode;
  return Mode.DumpSize() + kQoSpectraTrailerBytes == size;
}

void SetSpectra16(TQoPalette256& palette) {
  palette.Clear();
  for (int i = 0; i < 16; ++i) {
    const uint8_t lit = i < 8 ? 188 : 255;
    palette.Add(i & 2 ? lit : 0, i & 4 ? lit : 0, i & 1 ? lit : 0);
  }
}

void SetSpectra64(TQoPalette256& palette) {
  static constexpr uint8_t kLevels[4] = {0, 89, 185, 255};
  palette.Clear();
  for (int g = 0; g < 4; ++g) {
    for (int r = 0; r < 4; ++r) {
      for (int b = 0; b < 4; ++b) palette.Add(kLevels[r], kLevels[g], kLevels[b]);
    }
  }
}
