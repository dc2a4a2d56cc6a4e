#include "platforms/Okean240/QoPlatformOkean240.h"

#include <array>

#include "base/QoErrors.h"

namespace {

// The colours of a set; kBack stands for the background colour.
enum : uint32_t {
  kBack = 0xFFFFFFFFu,
  kRed = 0xFF0000u,
  kGreen = 0x00FF00u,
  kBlue = 0x0000FFu,
  kCyan = 0x00FFFFu,
  kMagenta = 0xFF00FFu,
  kYellow = 0xFFFF00u,
  kWhite = 0xFFFFFFu,
};

constexpr std::array<std::array<uint32_t, 4>, 7> kSets = {{
    {kBack, kRed, kGreen, kBlue},
    {kWhite, kRed, kGreen, kBlue},
    {kRed, kGreen, kCyan, kYellow},
    {kBack, kRed, kMagenta, kWhite},
    {kBack, kRed, kYellow, kBlue},
    {kBack, kBlue, kGreen, kYellow},
    {kGreen, kWhite, kYellow, kBlue},
}};

}  // namespace

void QoSetOkean240Palette(TQoPalette256& palette, uint8_t p) {
  if (!QoIsOkean240PaletteByte(p)) qo::RaiseInternalError();
  const unsigned b = (p >> 3) & 7u;
  // The background is a half-intensity light, so it is given in linear light.
  const TQoLinRGBColor back{b & 1u ? 0.5 : 0.0, b & 4u ? 0.5 : 0.0, b & 2u ? 0.5 : 0.0};
  palette.Clear();
  for (uint32_t color : kSets[p & 7u]) {
    if (color == kBack) {
      palette.AddLinear(back);
    } else {
      palette.Add(color);
    }
  }
}

std::string QoOkean240Description(uint8_t p) {
  std::string text = " palette " + std::to_string(p & 7);
  if (p & 0x38) text += " background " + std::to_string((p >> 3) & 7);
  return text + " image";
}
