#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

#include "color/QoPaletteTypes.h"
#include "engine/QoLoadSource.h"

namespace {

// Channel levels: off, half normal, normal, normal + bright, bright, half bright; and
// the diagonal weights for red, green and blue.
struct TQoZxModel {
  uint8_t Off, HalfNormal, Normal, NormalBright, Bright, HalfBright;
  uint8_t WeightR, WeightG, WeightB;
};

const TQoZxModel& ModelOf(uint8_t paletteType) {
  static constexpr TQoZxModel kPulsar{0, 118, 205, 233, 255, 159, 255, 255, 255};
  static constexpr TQoZxModel kLinear{0, 150, 188, 232, 255, 188, 255, 255, 255};
  static constexpr TQoZxModel kAlone{0, 96, 160, 224, 255, 160, 255, 255, 255};
  static constexpr TQoZxModel kRgbMiddle{0, 150, 128, 232, 255, 188, 255, 255, 255};
  static constexpr TQoZxModel kOrthodox{0, 118, 205, 233, 255, 159, 208, 228, 255};
  switch (paletteType) {
    case ptPulsar:
      return kPulsar;
    case ptAlone:
      return kAlone;
    case ptStdRGBMiddle:
      return kRgbMiddle;
    case ptOrthodox:
      return kOrthodox;
    default:
      return kLinear;
  }
}

uint8_t Weighted(int level, uint8_t weight) {
  return static_cast<uint8_t>(qo::RoundHalfEven(level * weight / 255.0));
}

TQoStdRGBColor Weigh(const TQoZxModel& m, int red, int green, int blue) {
  return TQoStdRGBColor{Weighted(red, m.WeightR), Weighted(green, m.WeightG),
                        Weighted(blue, m.WeightB)};
}

// The level of one channel when colours a and b alternate.
int MixedLevel(const TQoZxModel& m, bool litA, bool litB, bool brightA, bool brightB) {
  if (!litA && !litB) return m.Off;
  if (litA && litB) {
    if (brightA && brightB) return m.Bright;
    if (!brightA && !brightB) return m.Normal;
    return m.NormalBright;
  }
  return (litA ? brightA : brightB) ? m.HalfBright : m.HalfNormal;
}

}  // namespace

void SetZxPalette16(TQoPalette256& palette, uint8_t paletteType) {
  const TQoZxModel& m = ModelOf(paletteType);
  palette.Clear();
  for (int i = 0; i < 16; ++i) {
    const int lit = i < 8 ? m.Normal : m.Bright;
    palette.Add(Weigh(m, (i & 2) ? lit : m.Off, (i & 4) ? lit : m.Off, (i & 1) ? lit : m.Off));
  }
}

TQoStdRGBColor MixZxColours(int a, int b, uint8_t paletteType) {
  const TQoZxModel& m = ModelOf(paletteType);
  const bool brightA = a >= 8, brightB = b >= 8;
  auto level = [&](int bit) {
    return MixedLevel(m, (a & bit) != 0, (b & bit) != 0, brightA, brightB);
  };
  return Weigh(m, level(2), level(4), level(1));
}

void SetFlashColorPalette(TQoPalette256& palette, uint8_t paletteType) {
  TQoPalette256 base;
  SetZxPalette16(base, paletteType);
  palette.Mix(base, 100, 0);
}

void QoBuildZxGigaPalette(TQoPalette256& palette, TQoPalette256& source, uint8_t paletteType,
                          uint8_t calcMode) {
  SetZxPalette16(source, paletteType);
  if (calcMode == 1) {
    palette.Mix(source, 100, 0);
    return;
  }
  palette.Clear();
  for (int i = 0; i < 16; ++i) {
    for (int j = 0; j < 16; ++j) {
      const int index = palette.Add(MixZxColours(j, i, paletteType));
      if (j < i) palette.GetPColor(index).Excluded = 1;
    }
  }
}

TQoZxSpectrumEngine::TQoZxSpectrumEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "ZX Spectrum";
}

TQoZxCellColors TQoZxSpectrumEngine::StandardColors(uint8_t attribute) {
  int ink = 0, paper = 0;
  SplitSpectrumAttribute(attribute, ink, paper);
  return TQoZxCellColors{static_cast<uint32_t>(paper), static_cast<uint32_t>(ink)};
}

void TQoZxSpectrumEngine::DrawZxBorder(TQoBitmap& bmp, TQoByteView border) {
  TQoByteCursor cursor(border);
  auto cells = [&](int y, int x) {
    const uint8_t value = cursor.Next();
    for (int i = 0; i < 16; ++i) {
      bmp.SetPixel(x + i, y, static_cast<uint32_t>(i < 8 ? value & 7 : (value >> 3) & 7));
    }
  };
  for (int y = 0; y < 304; ++y) {
    if (y < 64 || y >= 256) {
      for (int b = 0; b < 24; ++b) cells(y, 16 * b);
    } else {
      for (int b = 0; b < 4; ++b) cells(y, 16 * b);
      for (int b = 0; b < 4; ++b) cells(y, 320 + 16 * b);
    }
  }
}

bool TQoSxgHeader::Read(TQoByteView file) {
  if (file.Size() <= kSize || !file.Matches(0, "\x7FSXG")) return false;
  Version = file.U8(4);
  const int format = file.U8(7);
  if ((Version != 2 && Version != 3) || file.U8(6) != 0 || (format != 1 && format != 2)) {
    return false;
  }
  Bits = format == 1 ? 4 : 8;
  Width = file.LE16(8);
  Height = file.LE16(10);
  const std::size_t p = file.LE16(12), q = file.LE16(14);
  if (Width == 0 || Height == 0 || p < 2 || q < 2 || q < p) return false;
  PaletteCount = static_cast<int>((q - p + 2) / 2);
  if (PaletteCount < 1 || PaletteCount > (1 << Bits)) return false;
  PaletteAt = p + 14;
  PixelsAt = q + 16;
  const std::size_t bits = static_cast<std::size_t>(Bits) * static_cast<std::size_t>(Width);
  // Version 3 pads every row to a whole number of 16-bit words.
  RowBytes = Version == 2 ? (bits + 7) / 8 : (bits + 15) / 16 * 2;
  return file.Has(PaletteAt, 2 * static_cast<std::size_t>(PaletteCount)) &&
         file.Has(PixelsAt, RowBytes * static_cast<std::size_t>(Height));
}
