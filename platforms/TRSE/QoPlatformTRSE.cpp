#include "platforms/TRSE/QoPlatformTRSE.h"

#include "base/QoErrors.h"

namespace {

// The count byte after the pixels: 0 stands for 256 colours.
int32_t CountAt(TQoByteView data, std::size_t at) {
  const uint8_t n = data.U8(at);
  return n == 0 ? 256 : n;
}

}  // namespace

bool TQoFluffHeader::Read(TQoByteView data) {
  if (data.Size() <= kQoFluffHeadSize || !data.Matches(0, "FLUFF64")) return false;
  Type = data.U8(11);
  SubType = data.U8(12);
  const std::size_t body = data.Size() - kQoFluffHeadSize;
  // The footer begins with the bytes 0x40, 0x45 and never overlaps the header.
  HasFooter = body > 8 && data.Size() >= kQoFluffHeadSize + kQoFluffFooterSize &&
              data.LE16(data.Size() - kQoFluffFooterSize) == 0x4540;
  BodyLength = HasFooter ? body - kQoFluffFooterSize : body;
  const std::size_t a = BodyLength;
  PixelsAt = kQoFluffHeadSize;
  TailColors = -1;
  // A picture of w x h bytes with nothing after it, or with a count byte and that many
  // colour triples.
  const auto withTail = [&](int32_t w, int32_t h) {
    Width = w;
    Height = h;
    const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (a < pixels) return false;
    if (a == pixels) return true;
    TailColors = CountAt(data, PixelsAt + pixels);
    TailAt = PixelsAt + pixels + 1;
    return a == 3 * static_cast<std::size_t>(TailColors) + pixels + 1;
  };
  // A head of int32 words, w and h (1-2048) first; pixels follow it.
  const auto sized = [&](std::size_t words) {
    if (a < 4 * words) return false;
    const uint32_t w = data.LE32(PixelsAt);
    const uint32_t h = data.LE32(PixelsAt + 4);
    if (w < 1 || w > 2048 || h < 1 || h > 2048) return false;
    Width = static_cast<int32_t>(w);
    Height = static_cast<int32_t>(h);
    PixelsAt += 4 * words;
    return a == static_cast<std::size_t>(w) * h + 4 * words;
  };
  switch (Type) {
    case 1:
    case 4:
    case 5:
    case 6:
      if (SubType != 0) return false;
      Width = 320;
      Height = 200;
      PixelsAt += Type == 1 ? 2 : 5;
      return a == (Type == 1 ? 12002u : 12005u);
    case 7: {
      if (SubType != 0 || a <= 16) return false;
      Background = data.U8(PixelsAt);
      const int w = data.U8(PixelsAt + 2);
      const int h = data.U8(PixelsAt + 3);
      if (w < 1 || w > 250 || h < 1 || h > 250) return false;
      Width = 8 * w;
      Height = 8 * h;
      PixelsAt += 16;
      return a >= 2 * static_cast<std::size_t>(w) * h + 16;
    }
    case 11:
      Width = 320;
      Height = 200;
      return SubType == 3 && a == 64000;
    case 12:
    case 22:
      return withTail(320, 200);
    case 13:
      return withTail(320, 256);
    case 24:
      Width = 160;
      Height = 200;
      return SubType == 11 && HasFooter && a == 32000;
    case 25:
      return SubType == 11 && HasFooter && sized(3) && data.LE32(PixelsAt - 4) == 0;
    case 26:
      if (SubType != 12) return false;
      if (a == 32000) {
        BBCMode = 2;
        Width = 160;
        Height = 200;
        return true;
      }
      BBCMode = data.U8(PixelsAt);
      ++PixelsAt;
      Width = BBCMode == 4 ? 320 : 160;
      Height = 256;
      return (BBCMode == 4 && a == 81921) || (BBCMode == 5 && a == 40961);
    case 27:
      if (SubType != 13) return false;
      return withTail(320, 200);
    case 28:
      Width = 256;
      Height = 192;
      return SubType == 14 && a == 49152;
    case 36:
      return SubType == 16 && sized(2);
    case 43:
      return SubType == 17 && sized(2);
    default:
      return false;
  }
}

void QoSetCGAPalette4(TQoPalette256& palette, uint8_t paletteType) {
  static constexpr uint32_t kColors[6][3] = {
      {0x00AA00, 0xAA0000, 0xAA5500},  // green, red, yellow (brown)
      {0x44FF55, 0xFF5555, 0xFFFF55},  // the same, bright
      {0x00AAAA, 0xAA00AA, 0xAAAAAA},  // cyan, magenta, white
      {0x55FFFF, 0xFF55FF, 0xFFFFFF},  // the same, bright
      {0x00AAAA, 0xAA0000, 0xAAAAAA},  // cyan, red, white (the mode 5 palette)
      {0x55FFFF, 0xFF5555, 0xFFFFFF},  // the same, bright
  };
  if (paletteType < ptBackGreenRedYellowLow || paletteType > ptBackCyanRedWhiteHigh) {
    qo::RaiseInternalError();
  }
  palette.Clear();
  palette.Add(0u);
  for (uint32_t color : kColors[paletteType - ptBackGreenRedYellowLow]) palette.Add(color);
}

void QoSetCGAPalette16(TQoPalette256& palette) {
  static constexpr uint32_t kColors[16] = {
      0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
      0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
  palette.Clear();
  for (uint32_t color : kColors) palette.Add(color);
}
