#include "platforms/AtariST/QoPlatformAtariST.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

// The ST's 3-bit DAC levels as 8 bits: n * 255 / 7, rounded.
constexpr std::array<uint8_t, 8> kSTLevels = {0, 36, 73, 109, 146, 182, 219, 255};

unsigned STELevelIndex(unsigned nibble) {
  return ((nibble & 7u) << 1) | ((nibble >> 3) & 1u);
}

uint16_t Word(TQoByteView words, int i) {
  return words.BE16(2 * static_cast<std::size_t>(i));
}

// Pads the palette with black up to n entries (VDI loaders write entries in place).
void PadWithBlack(TQoPalette256& palette, int n) {
  while (palette.GetCount() < n) palette.Add(0, 0, 0);
}

}  // namespace

uint8_t QoSTLevel(unsigned nibble, uint8_t paletteType) {
  if (paletteType == ptAtariSTE) return static_cast<uint8_t>(STELevelIndex(nibble) * 17);
  return kSTLevels[nibble & 7u];
}

double QoSTLinearLevel(unsigned nibble, uint8_t paletteType) {
  if (paletteType == ptAtariSTE) return qo::DacLevels(4)[STELevelIndex(nibble)];
  return qo::DacLevels(3)[nibble & 7u];
}

TQoStdRGBColor DecodeSTColor(uint16_t word, uint8_t paletteType) {
  return TQoStdRGBColor{QoSTLevel((word >> 8) & 15u, paletteType),
                        QoSTLevel((word >> 4) & 15u, paletteType),
                        QoSTLevel(word & 15u, paletteType)};
}

TQoLinRGBColor DecodeSTLinearColor(uint16_t word, uint8_t paletteType) {
  return TQoLinRGBColor{QoSTLinearLevel((word >> 8) & 15u, paletteType),
                        QoSTLinearLevel((word >> 4) & 15u, paletteType),
                        QoSTLinearLevel(word & 15u, paletteType)};
}

bool HasSTEBits(TQoByteView words, int n) {
  if (n <= 0 || !words.Has(0, 2 * static_cast<std::size_t>(n))) return false;
  for (int i = 0; i < n; ++i) {
    if (Word(words, i) & 0x0888u) return true;
  }
  return false;
}

bool IsValidSTPalette(TQoByteView words, int n) {
  if (n <= 0 || !words.Has(0, 2 * static_cast<std::size_t>(n))) return false;
  bool anySet = false;
  for (int i = 0; i < n; ++i) {
    const uint16_t word = Word(words, i);
    if ((word >> 8) >= 16) return false;
    anySet = anySet || word != 0;
  }
  return anySet;
}

bool IsValidVDIPalette(TQoByteView words, int n) {
  if (n <= 0 || !words.Has(0, 6 * static_cast<std::size_t>(n))) return false;
  bool anyHigh = false;
  for (int i = 0; i < 3 * n; ++i) {
    const uint16_t word = Word(words, i);
    if (word >= 1024) return false;
    anyHigh = anyHigh || (word >> 8) != 0;
  }
  return anyHigh;
}

bool IsValidFalconPalette(TQoByteView entries, int n) {
  if (n <= 0 || !entries.Has(0, 4 * static_cast<std::size_t>(n))) return false;
  bool anySet = false;
  for (int i = 0; i < n; ++i) {
    const std::size_t at = 4 * static_cast<std::size_t>(i);
    if (entries.U8(at + 2) != 0) return false;
    anySet = anySet || entries.BE32(at) != 0;
  }
  return anySet;
}

void LoadSTPalette(TQoByteView words, TQoPalette256& palette, int n, uint8_t paletteType) {
  palette.Clear();
  for (int i = 0; i < n; ++i) palette.Add(DecodeSTColor(Word(words, i), paletteType));
}

void LoadSTLinearPalette(TQoByteView words, TQoPalette256& palette, int n, uint8_t paletteType) {
  palette.Clear();
  for (int i = 0; i < n; ++i) palette.AddLinear(DecodeSTLinearColor(Word(words, i), paletteType));
}

void LoadTTPalette(TQoByteView words, TQoPalette256& palette, int n) {
  palette.Clear();
  for (int i = 0; i < n; ++i) {
    const uint16_t word = Word(words, i);
    palette.Add(static_cast<uint8_t>(((word >> 8) & 15u) * 17),
                static_cast<uint8_t>(((word >> 4) & 15u) * 17),
                static_cast<uint8_t>((word & 15u) * 17));
  }
}

void LoadFalconPalette(TQoByteView entries, TQoPalette256& palette, int n) {
  palette.Clear();
  for (int i = 0; i < n; ++i) {
    const std::size_t at = 4 * static_cast<std::size_t>(i);
    palette.Add(entries.U8(at), entries.U8(at + 1), entries.U8(at + 3));
  }
}

int QoVDIPenToHardware(int pen, int colors) {
  static constexpr std::array<int8_t, 16> kMap = {0, -1, 1, 2,  4,  6,  3,  5,
                                                  7, 8,  9, 10, 12, 14, 11, 13};
  if (pen == 1) return colors - 1;
  if (pen >= 0 && pen < 16) return kMap[static_cast<std::size_t>(pen)];
  if (pen == 255) return 15;
  return -1;
}

void LoadVDIPalette(TQoByteView words, TQoPalette256& palette, int n, bool mapped) {
  PadWithBlack(palette, n);
  for (int pen = 0; pen < n; ++pen) {
    uint8_t rgb[3];
    for (int gun = 0; gun < 3; ++gun) {
      // v * 255 / 1000 to the nearest byte; the exact halves (100, 300, ...) go to even.
      const unsigned v = std::min<unsigned>(Word(words, 3 * pen + gun), 1000);
      unsigned level = v * 255 / 1000;
      const unsigned rest = v * 255 % 1000;
      if (rest > 500 || (rest == 500 && (level & 1))) ++level;
      rgb[gun] = static_cast<uint8_t>(std::min(255u, level));
    }
    int index = pen;
    if (mapped) {
      const int hardware = QoVDIPenToHardware(pen, n);
      if (hardware >= 0) index = hardware;
    }
    // A pen beyond the registers has nowhere to go on the machine either.
    if (index < 0 || index >= palette.GetCount()) continue;
    palette.GetPColor(index).SetStdRGB(rgb[0], rgb[1], rgb[2]);
  }
}

void LoadVDILevelPalette(TQoByteView bytes, TQoPalette256& palette, int n, uint8_t paletteType) {
  if (n > 16) qo::RaiseInternalError();
  PadWithBlack(palette, n);
  for (int pen = 0; pen < n; ++pen) {
    const std::size_t at = 3 * static_cast<std::size_t>(pen);
    const int index = QoVDIPenToHardware(pen, n);
    if (index < 0 || index >= palette.GetCount()) qo::RaiseInternalError();
    palette.GetPColor(index).SetStdRGB(QoSTLevel(bytes.U8(at), paletteType),
                                       QoSTLevel(bytes.U8(at + 1), paletteType),
                                       QoSTLevel(bytes.U8(at + 2), paletteType));
  }
}

void LoadSystemPalette(TQoPalette256& palette, int planes) {
  palette.Clear();
  palette.Add(255, 255, 255);
  if (planes > 1) {
    palette.Add(255, 0, 0);
    palette.Add(0, 255, 0);
  }
  if (planes > 2) {
    static constexpr uint8_t kMore[][3] = {
        {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {170, 170, 170}, {85, 85, 85},
        {170, 0, 0},   {0, 170, 0}, {170, 170, 0}, {0, 0, 170},   {170, 0, 170},   {0, 170, 170},
    };
    for (const auto& c : kMore) palette.Add(c[0], c[1], c[2]);
  }
  palette.Add(0, 0, 0);
}

bool TQoAtariDegasHeader::Read(TQoByteView file, std::size_t offset) {
  if (!file.Has(offset, 2)) return false;
  Resolution = file.BE16(offset);
  Palette = file.From(offset + 2);
  return true;
}

bool TQoAtariDegasHeader::HasValidSTResolution() const {
  switch (Resolution) {
    case 0:
      return IsValidSTPalette(Palette, 16);
    case 1:
      return IsValidSTPalette(Palette, 4);
    case 2:
      return true;
    default:
      return false;
  }
}

bool TQoAtariNeoHeader::Read(TQoByteView file) {
  if (!file.Has(0, kSize)) return false;
  Flag = file.BE16(0);
  Resolution = file.BE16(2);
  Palette = file.Sub(4, 32);
  CycleLimits = file.BE16(48);
  CycleSpeed = file.BE16(50);
  WidthWord = file.BE16(58);
  HeightWord = file.BE16(60);
  return true;
}

bool TQoDegasCycleTrailer::Read(TQoByteView file) {
  if (!file.Has(kOffset, 32)) return false;
  for (std::size_t c = 0; c < 4; ++c) {
    Left[c] = file.BE16(kOffset + 2 * c);
    Right[c] = file.BE16(kOffset + 8 + 2 * c);
    Direction[c] = file.BE16(kOffset + 16 + 2 * c);
    Delay[c] = file.BE16(kOffset + 24 + 2 * c);
  }
  return true;
}

bool TQoGEMImageHeader::Read(TQoByteView file) {
  if (file.Size() <= 16) return false;
  Version = file.BE16(0);
  HeaderBytes = 2 * static_cast<std::size_t>(file.BE16(2));
  Planes = file.BE16(4);
  PatternLength = file.BE16(6);
  PixelWidth = file.BE16(8);
  PixelHeight = file.BE16(10);
  LineWidth = file.BE16(12);
  Lines = file.BE16(14);
  if (Version > 3 || HeaderBytes < 16 || HeaderBytes >= file.Size() || LineWidth == 0 ||
      Lines == 0 || PatternLength < 1 || PatternLength > 8) {
    return false;
  }
  const std::size_t extra = HeaderBytes - 16;
  Depth = Planes;
  Palette = TQoByteView();
  Colors = 0;
  auto paletteAfter = [&](std::size_t offset, int planes) {
    Colors = 1 << planes;
    const std::size_t bytes = 2 * static_cast<std::size_t>(Colors);
    if (offset + bytes > HeaderBytes) return false;
    Palette = file.Sub(offset, bytes);
    return IsValidSTPalette(Palette, Colors);
  };
  if (extra == 0) {
    Variant = TQoGEMVariant::Plain;
    return Planes == 1 || Planes == 2 || Planes == 4 || Planes == 8 || Planes == 16 || Planes == 24;
  }
  if (extra > 6 && file.Matches(16, "STTT")) {
    Variant = TQoGEMVariant::STTT;
    if (Planes == 8) Depth = 4;
    if (Depth != 1 && Depth != 2 && Depth != 4) return false;
    if (file.BE16(20) < (1u << Depth) || HeaderBytes > 54) return false;
    return paletteAfter(22, Depth);
  }
  if (extra > 5 && file.Matches(16, "XIMG")) {
    Variant = TQoGEMVariant::XIMG;
    if (file.BE16(20) != 0) return false;
    if (Planes >= 1 && Planes <= 8) {
      Colors = 1 << Planes;
    } else if (Planes != 16 && Planes != 24 && Planes != 32) {
      return false;
    }
    if (HeaderBytes != 22 + 6 * static_cast<std::size_t>(Colors)) return false;
    if (Colors == 0) return true;
    Palette = file.Sub(22, 6 * static_cast<std::size_t>(Colors));
    return IsValidVDIPalette(Palette, Colors);
  }
  if (extra > 3 && file.Matches(16, "TIMG")) {
    Variant = TQoGEMVariant::TIMG;
    return Planes == 15 || Planes == 16 || Planes == 24;
  }
  if (extra > 2 && file.BE16(16) == 0x0080) {
    Variant = TQoGEMVariant::HyperPaint;
    if (Planes != 1 && Planes != 2 && Planes != 4) return false;
    if (HeaderBytes > 50) return false;
    return paletteAfter(18, Planes);
  }
  if (extra == 2 && file.BE16(16) == 3) {
    Variant = TQoGEMVariant::Ventura;
    return true;
  }
  return false;
}
