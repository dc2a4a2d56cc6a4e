#pragma once
// Fitting and scaling 32-bit pictures: shared by the image view, the colour-cycling
// box and the thumbnails, so that every rendering of a picture has the same
// proportions and the same quality.

#include <cstdint>
#include <memory>

#include "color/QoBitmap.h"

// The resampling kernels: a triangle of radius 1 (bilinear when enlarging) and a
// Lanczos window of radius 3 (for shrinking, where it keeps fine lines sharp).
enum class TQoKernel { Linear, Lanczos3 };

// A separable kernel resample of the whole source to width x height. When shrinking,
// the kernel is widened by the scale so that every source pixel contributes; weights
// are normalised per target pixel, edges repeat the outermost pixels, and every
// channel (alpha too) is rounded and clamped to 0..255.
std::unique_ptr<TQoBitmap32> QoResample(const TQoBitmap32& source, int32_t width, int32_t height,
                                        TQoKernel kernel);

// Nearest-neighbour stretch of the whole source to width x height (whole factors give
// exact pixel replication).
std::unique_ptr<TQoBitmap32> QoStretchNearest(const TQoBitmap32& source, int32_t width,
                                              int32_t height);

// Two-stage scaling: enlarge by whole factors first (pixel replication keeps the edges
// of big pixels crisp), then resample to the target with Lanczos when any side shrinks,
// with the triangle kernel otherwise.
std::unique_ptr<TQoBitmap32> QoScaleTwoStage(const TQoBitmap32& source, int32_t width,
                                             int32_t height);

// Every pixel becomes the grey of its colour (luminance in linear light, shown as
// sRGB), opaque.
void QoConvertToGray(TQoBitmap32& picture);

struct TQoRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
};

// The rectangle of a client area of clientWidth x clientHeight in which a picture of
// width x height with aspect entry aspectIndex is shown: as large as fits with the
// displayed proportions, centred. Empty when any size is 0.
TQoRect QoFitRect(int32_t clientWidth, int32_t clientHeight, int32_t width, int32_t height,
                  int aspectIndex);

// The size of a thumbnail of a width x height picture with the aspect entry, fitted
// into a box: first to the box width, then, when too high, to the box height; each side
// rounded halves to even and at least 1. unroundedHeight receives the fitted height
// before rounding (the kernel choice depends on it).
struct TQoThumbnailSize {
  int32_t Width = 1;
  int32_t Height = 1;
  double UnroundedHeight = 0.0;
};
TQoThumbnailSize QoThumbnailSize(int32_t width, int32_t height, int aspectIndex, int32_t boxWidth,
                                 int32_t boxHeight);
