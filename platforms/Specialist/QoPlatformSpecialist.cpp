#include "platforms/Specialist/QoPlatformSpecialist.h"

#include <array>

#include "color/QoPaletteTypes.h"

namespace {

// The colour codes of the two maps, in ink order.
constexpr std::array<uint8_t, 4> kFiveColorCodes = {0, 64, 128, 192};
constexpr std::array<uint8_t, 8> kEightColorCodes = {0, 16, 128, 144, 64, 80, 192, 208};

template <std::size_t N>
int IndexIn(const std::array<uint8_t, N>& codes, uint8_t code) {
  for (std::size_t i = 0; i < N; ++i) {
    if (codes[i] == code) return static_cast<int>(i);
  }
  return -1;
}

template <std::size_t N>
bool AllIn(const std::array<uint8_t, N>& codes, TQoByteView bytes) {
  for (std::size_t i = 0; i < bytes.Size(); ++i) {
    if (IndexIn(codes, bytes.U8(i)) < 0) return false;
  }
  return true;
}

uint8_t PaletteTypeOfMode(uint8_t mode) {
  return mode == 4 ? ptColored5 : mode == 7 ? ptColored8 : ptColored;
}

}  // namespace

bool TQoSpecialistPicture::Read(TQoByteView file) {
  const std::size_t size = file.Size();
  if (size != kQoSpecialistBitmapSize && size != kQoSpecialistBitmapSize + 4 &&
      size != 2 * kQoSpecialistBitmapSize && size != 2 * kQoSpecialistBitmapSize + 1) {
    return false;
  }
  Bitmap = file.Sub(0, kQoSpecialistBitmapSize);
  Codes = TQoByteView();
  Mode = 0;
  PaletteType = 0;
  FiveColorCodes = false;
  if (size == kQoSpecialistBitmapSize) {
    Layout = kQoSpecialistMono;
    return true;
  }
  if (size == kQoSpecialistBitmapSize + 4) {
    Layout = kQoSpecialistRowInks;
    Codes = file.Sub(kQoSpecialistBitmapSize, 3);
    Mode = file.U8(kQoSpecialistBitmapSize + 3) & 0x0F;
    if (Mode != 4 && Mode != 7) return false;
  } else {
    Codes = file.Sub(kQoSpecialistBitmapSize, kQoSpecialistBitmapSize);
    if (size == 2 * kQoSpecialistBitmapSize) {
      Layout = kQoSpecialistCodes;
      Mode = 7;
    } else {
      Layout = kQoSpecialistCodesMode;
      Mode = file.U8(2 * kQoSpecialistBitmapSize) & 0x0F;
      if (Mode != 4 && Mode != 7 && Mode != 15) return false;
    }
  }
  FiveColorCodes = AllIn(kFiveColorCodes, Codes);
  if (Mode == 4 && !FiveColorCodes) return false;
  if (Mode == 7 && !FiveColorCodes && !AllIn(kEightColorCodes, Codes)) return false;
  // Codes of the five-colour map alone: the file without a mode byte shows five colours.
  if (Layout == kQoSpecialistCodes && FiveColorCodes) Mode = 4;
  PaletteType = PaletteTypeOfMode(Mode);
  return true;
}

int TQoSpecialistPicture::ColorCount() const {
  if (Layout == kQoSpecialistMono || (Layout == kQoSpecialistCodes && Mode == 4)) return 0;
  return Mode == 4 ? 5 : Mode == 7 ? 8 : 16;
}

void QoSetSpecialistPalette(TQoPalette256& palette, uint8_t paletteType) {
  palette.Clear();
  if (paletteType == ptColored5) {
    for (uint32_t rgb : {0xFFFFFFu, 0xFF0000u, 0x00FF00u, 0x0000FFu, 0x000000u}) palette.Add(rgb);
  } else if (paletteType == ptColored8) {
    for (uint32_t rgb :
         {0xFFFFFFu, 0xFFFF00u, 0x00FFFFu, 0x00FF00u, 0xFF00FFu, 0xFF0000u, 0x0000FFu, 0x000000u}) {
      palette.Add(rgb);
    }
  } else {
    // Index bit 0 blue, bit 1 green, bit 2 red; the upper eight are the bright ones.
    for (int i = 0; i < 16; ++i) {
      const uint8_t off = i < 8 ? 0 : 128;
      const uint8_t on = i < 8 ? 192 : 255;
      palette.Add(i & 4 ? on : off, i & 2 ? on : off, i & 1 ? on : off);
    }
  }
}

uint32_t QoSpecialistInk(uint8_t code, uint8_t paletteType) {
  if (paletteType == ptColored) return code >> 4;
  const int ink =
      paletteType == ptColored5 ? IndexIn(kFiveColorCodes, code) : IndexIn(kEightColorCodes, code);
  return ink < 0 ? 0 : static_cast<uint32_t>(ink);
}

uint32_t QoSpecialistPaper(uint8_t code, uint8_t paletteType) {
  if (paletteType == ptColored) return code & 0x0Fu;
  return paletteType == ptColored5 ? 4 : 7;
}
