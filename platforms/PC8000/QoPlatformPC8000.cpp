#include "platforms/PC8000/QoPlatformPC8000.h"

#include "color/QoPaletteTypes.h"

void QoSetPC8000Palette(TQoPalette256& palette, uint8_t paletteType) {
  palette.Clear();
  if (paletteType == ptColoredDDp) {
    // Measured from the machine's output: no channel is quite dark or quite full.
    static constexpr uint8_t kMeasured[16][3] = {
        {8, 8, 8},     {8, 8, 8},     {8, 223, 7},     {7, 247, 7},    {7, 9, 220},   {6, 9, 246},
        {8, 231, 231}, {7, 245, 245}, {222, 9, 6},     {248, 9, 8},    {234, 232, 8}, {248, 246, 7},
        {232, 9, 232}, {247, 9, 245}, {235, 235, 235}, {246, 246, 246}};
    for (const auto& c : kMeasured) palette.Add(c[0], c[1], c[2]);
    return;
  }
  // Black twice, then each colour dim (half the light) and bright: green, blue, cyan,
  // red, yellow, magenta; then grey and white.
  palette.AddLinear({0, 0, 0});
  palette.AddLinear({0, 0, 0});
  static constexpr int kChannels[6][3] = {{0, 0, 1}, {0, 1, 0}, {0, 1, 1},
                                          {1, 0, 0}, {1, 0, 1}, {1, 1, 0}};  // red, blue, green
  for (const auto& c : kChannels) {
    for (double level : {0.5, 1.0}) palette.AddLinear({c[0] * level, c[2] * level, c[1] * level});
  }
  palette.AddLinear({0.5, 0.5, 0.5});
  palette.AddLinear({1, 1, 1});
}
