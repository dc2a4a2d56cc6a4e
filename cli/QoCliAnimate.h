#pragma once
// Animated GIFs of what the viewer animates: palette ranges cycling over one whole period
// of all ranges together, and the two screens of a flicker picture in turn.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "color/QoBitmap.h"
#include "engine/QoSourceEngine.h"

// More frames than this make files nobody wants to share; a longer cycle is cut here.
inline constexpr int kQoMaxAnimationFrames = 600;
// One frame of the machine's display (1/50 s) in GIF's hundredths of a second; players
// slow anything shorter than 2/100 s down to a tenth of a second.
inline constexpr int kQoScreenFrameCentiseconds = 2;

struct TQoAnimationFrame {
  int Picture = 0;                     // index into TQoAnimation::Pictures
  std::array<uint32_t, 256> Colors{};  // 0x00RRGGBB of each index, as shown in this frame
  int DelayCentiseconds = 0;
};

struct TQoAnimation {
  std::vector<std::unique_ptr<TQoBitmap>> Pictures;  // indexed, all of one size
  std::vector<TQoAnimationFrame> Frames;
  int ColorCount = 0;      // entries the colour tables need
  bool Truncated = false;  // the cycle's period was longer than kQoMaxAnimationFrames
};

// True when some range of ranges moves entries (its low end below its high end).
bool QoHasMovingCycleRange(const TQoCycleRanges& ranges);

// The picture's palette cycling tick by tick (1/60 s) as the viewer plays it, one frame
// per change, until every range is back where it started. Raises EQoError when no range
// moves or the picture is not indexed.
TQoAnimation QoCycleAnimation(std::unique_ptr<TQoBitmap> picture, const TQoCycleRanges& ranges);

// The screens shown in turn, each for one display frame.
TQoAnimation QoScreenAnimation(std::vector<std::unique_ptr<TQoBitmap>> screens);

// The GIF89a file of an animation, looping forever. Frames whose colours are those of the
// first frame use the global colour table; the others carry their own.
std::vector<uint8_t> QoEncodeAnimatedGif(const TQoAnimation& animation);
