#include "viewer/QoPaletteCycle.h"

#include <algorithm>

TQoPaletteCycleBitmap32::TQoPaletteCycleBitmap32(const TQoBitmap& decoded,
                                                 const TQoCycleRanges& ranges)
    : TQoBitmap32(decoded.Width, decoded.Height), ranges_(ranges) {
  indices_.resize(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height));
  std::size_t i = 0;
  for (int32_t y = 0; y < Height; ++y) {
    for (int32_t x = 0; x < Width; ++x)
      indices_[i++] = static_cast<uint8_t>(decoded.GetPixel(x, y));
  }
  const int count = decoded.Palette ? std::min(decoded.Palette->GetCount(), 256) : 0;
  for (int c = 0; c < count; ++c) {
    colors_[static_cast<std::size_t>(c)] = decoded.Palette->GetRGBQuad(c) | 0xFF000000u;
  }
  ranges_.Count = std::clamp(ranges_.Count, 0, 256);
  for (int r = 0; r < ranges_.Count; ++r) {
    TQoCycleRange& range = ranges_.Items[static_cast<std::size_t>(r)];
    if (range.Delay == 0) range.Delay = 1;
    range.Counter = 0;
  }
  Paint();
}

bool TQoPaletteCycleBitmap32::Step() {
  bool changed = false;
  for (int r = 0; r < ranges_.Count; ++r) {
    TQoCycleRange& range = ranges_.Items[static_cast<std::size_t>(r)];
    if (++range.Counter < range.Delay) continue;
    range.Counter = 0;
    const int low = std::clamp(range.Low, 0, 255), high = std::clamp(range.High, 0, 255);
    if (low >= high) continue;
    auto first = colors_.begin() + low, last = colors_.begin() + high + 1;
    if (range.Reverse) {
      std::rotate(first, first + 1, last);  // each entry takes the colour above it
    } else {
      std::rotate(first, last - 1, last);  // each entry takes the colour below it
    }
    changed = true;
  }
  if (changed) Paint();
  return changed;
}

void TQoPaletteCycleBitmap32::Paint() {
  for (std::size_t i = 0; i < indices_.size(); ++i) Pixels[i] = colors_[indices_[i]];
}
