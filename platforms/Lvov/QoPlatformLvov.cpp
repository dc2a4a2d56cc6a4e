#include "platforms/Lvov/QoPlatformLvov.h"

namespace {

constexpr std::size_t kFullScreen = 16384;
constexpr std::size_t kWindowScreen = 11250;

struct TRgb {
  bool R, G, B;
};

uint32_t Rgb(const TRgb& c) {
  return (c.R ? 0xFF0000u : 0) | (c.G ? 0x00FF00u : 0) | (c.B ? 0x0000FFu : 0);
}

}  // namespace

bool TQoLvovPicture::Read(TQoByteView file) {
  const std::size_t size = file.Size();
  if (size == kFullScreen || size == kFullScreen + 1) {
    Width = Height = 256;
    PaletteByte = size == kFullScreen ? 15 : file.U8(kFullScreen);
    Screen = file.Sub(0, kFullScreen);
    return true;
  }
  if (size == kWindowScreen + 1) {
    Width = 200;
    Height = 225;
    PaletteByte = file.U8(kWindowScreen);
    Screen = file.Sub(0, kWindowScreen);
    return true;
  }
  return false;
}

void QoSetLvovPalette(TQoPalette256& palette, uint8_t p) {
  const auto bit = [p](int n) { return ((p >> n) & 1u) != 0; };
  const TRgb c2{bit(4), !bit(5), bit(6)};
  TRgb c0 = c2;
  switch ((p >> 2) & 3u) {
    case 0:
      c0 = {!c2.R, !c2.G, !c2.B};
      break;
    case 1:
      c0 = {!c2.R, !c2.G, c2.B};
      break;
    case 2:
      c0 = {c2.R, !c2.G, !c2.B};
      break;
    default:
      c0 = {c2.R, !c2.G, c2.B};
      break;
  }
  const TRgb c3 = bit(1) ? TRgb{!c2.R, !c2.G, c2.B} : TRgb{!c2.R, c2.G, c2.B};
  const TRgb c1 = bit(0) ? TRgb{c2.R, !c2.G, !c2.B} : TRgb{!c2.R, !c2.G, !c2.B};
  palette.Clear();
  for (const TRgb& c : {c0, c1, c2, c3}) palette.Add(Rgb(c));
}
