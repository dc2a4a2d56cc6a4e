#pragma once
// Colour cycling as the paint programs played it: ranges of palette entries rotate, each
// at its own speed in 1/60-second ticks, while the pixels keep their indices.

#include <array>
#include <cstdint>
#include <vector>

#include "color/QoBitmap.h"
#include "engine/QoSourceEngine.h"

class TQoPaletteCycleBitmap32 : public TQoBitmap32 {
 public:
  // The indices and colours of a decoded indexed picture and a copy of the engine's
  // ranges (a delay of 0 plays as 1; counters start at 0).
  TQoPaletteCycleBitmap32(const TQoBitmap& decoded, const TQoCycleRanges& ranges);

  // One tick: every range counts; a range whose counter reaches its delay rotates its
  // entries (towards the lower index when Reverse is set). True when anything rotated,
  // and then the pixels show the new colours.
  bool Step();

  const std::array<uint32_t, 256>& Colors() const { return colors_; }
  const TQoCycleRanges& Ranges() const { return ranges_; }

 private:
  void Paint();
  std::vector<uint8_t> indices_;
  std::array<uint32_t, 256> colors_{};
  TQoCycleRanges ranges_;
};

// The tick (1/60 second) at elapsed milliseconds since the cycling started.
inline int64_t QoCycleTick(int64_t elapsedMilliseconds) {
  return elapsedMilliseconds * 60 / 1000;
}
