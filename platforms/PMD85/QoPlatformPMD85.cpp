#include "platforms/PMD85/QoPlatformPMD85.h"

#include <array>

namespace {

// A colour of the lists below; black and white are the ends of linear light, the
// others the monitor's measured bytes.
struct TColor {
  uint32_t Rgb;
  bool Black = false;
  bool White = false;
};

constexpr TColor kBlack{0, true, false};
constexpr TColor kWhite{0xFFFFFF, false, true};

void AddColor(TQoPalette256& palette, const TColor& color) {
  if (color.Black) {
    palette.AddLinear(TQoLinRGBColor{0.0, 0.0, 0.0});
  } else if (color.White) {
    palette.AddLinear(TQoLinRGBColor{1.0, 1.0, 1.0});
  } else {
    palette.Add(color.Rgb);
  }
}

// The attribute pairs of two lines of one column give the ColorAce colour; the table is
// symmetric, so both lines of a pair agree.
constexpr uint32_t kColorAce[4][4] = {{4, 6, 5, 7}, {6, 2, 3, 3}, {5, 3, 1, 3}, {7, 3, 3, 3}};

}  // namespace

void QoSetPMD85Palette(TQoPalette256& palette, uint8_t type, TQoByteView custom) {
  palette.Clear();
  AddColor(palette, kBlack);
  std::array<TColor, 7> lit{};
  std::size_t n = 4;
  switch (type) {
    case ptPMD85A:
      lit = {kWhite, TColor{0xBFBFBF}};
      n = 2;
      break;
    case ptPMD85B:
      lit = {kWhite, TColor{0xDFDFDF}, TColor{0xBFBFBF}, TColor{0xA0A0A0}};
      break;
    case ptPMD85C:
      lit = {TColor{0xA0A0A0}, TColor{0xBFBFBF}, TColor{0xDFDFDF}, kWhite};
      break;
    case ptPMD85D:
      lit = {TColor{0x50FF50}, TColor{0xFFFF50}, TColor{0x50FFFF}, kWhite};
      break;
    case ptPMD85E:
      lit = {TColor{0x50FF50}, TColor{0xFF5050}, TColor{0x5050FF}, TColor{0xFF50FF}};
      break;
    case ptPMD85F:
      lit = {kWhite, TColor{0x00A000}, TColor{0xFF5050}, TColor{0xA00000}};
      break;
    case ptPMD85GCustom:
      for (std::size_t i = 0; i < 4; ++i) {
        palette.Add(custom.U8(3 * i), custom.U8(3 * i + 1), custom.U8(3 * i + 2));
      }
      return;
    case ptPMD85H:
      lit = {TColor{0x5050FF},
             TColor{0xFF5050},
             TColor{0xFF50FF},
             TColor{0x50FF50},
             TColor{0x50FFFF},
             TColor{0xFFFF00},
             kWhite};
      n = 7;
      break;
    default:
      qo::RaiseInternalError();
  }
  for (std::size_t i = 0; i < n; ++i) AddColor(palette, lit[i]);
}

uint32_t QoPMD85ColorAceIndex(unsigned a, unsigned b) {
  return kColorAce[a & 3u][b & 3u];
}
