#include "export/QoScaling.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "color/QoAspect.h"

namespace {

// The taps of one target pixel along one axis: source indices First.. with Weights.
struct TQoTaps {
  int32_t First = 0;
  std::vector<float> Weights;
};

double KernelRadius(TQoKernel kernel) {
  return kernel == TQoKernel::Linear ? 1.0 : 3.0;
}

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  const double px = std::numbers::pi * x;
  return std::sin(px) / px;
}

double KernelWeight(TQoKernel kernel, double x) {
  x = std::fabs(x);
  if (kernel == TQoKernel::Linear) return x < 1.0 ? 1.0 - x : 0.0;
  return x < 3.0 ? Sinc(x) * Sinc(x / 3.0) : 0.0;
}

// Taps for resampling sourceSize pixels to targetSize along one axis. Pixel centres
// sit at index + 0.5 in both; taps beyond the edges fold onto the outermost pixel.
std::vector<TQoTaps> ComputeTaps(int32_t sourceSize, int32_t targetSize, TQoKernel kernel) {
  const double ratio = static_cast<double>(sourceSize) / targetSize;
  const double widen = std::max(1.0, ratio);
  const double support = KernelRadius(kernel) * widen;
  std::vector<TQoTaps> taps(static_cast<std::size_t>(targetSize));
  for (int32_t i = 0; i < targetSize; ++i) {
    const double centre = (i + 0.5) * ratio;
    const int32_t from = static_cast<int32_t>(std::floor(centre - support));
    const int32_t to = static_cast<int32_t>(std::ceil(centre + support));
    const int32_t first = std::clamp(from, 0, sourceSize - 1);
    const int32_t last = std::clamp(to, 0, sourceSize - 1);
    TQoTaps& t = taps[static_cast<std::size_t>(i)];
    t.First = first;
    std::vector<double> weights(static_cast<std::size_t>(last - first + 1), 0.0);
    double sum = 0.0;
    for (int32_t j = from; j <= to; ++j) {
      const double w = KernelWeight(kernel, (j + 0.5 - centre) / widen);
      if (w == 0.0) continue;
      weights[static_cast<std::size_t>(std::clamp(j, first, last) - first)] += w;
      sum += w;
    }
    if (std::fabs(sum) < 1e-12) {
      // Cannot happen for these kernels, but never divide by nothing: nearest pixel.
      std::fill(weights.begin(), weights.end(), 0.0);
      const int32_t nearest = std::clamp(static_cast<int32_t>(centre), first, last);
      weights[static_cast<std::size_t>(nearest - first)] = 1.0;
      sum = 1.0;
    }
    t.Weights.reserve(weights.size());
    for (double w : weights) t.Weights.push_back(static_cast<float>(w / sum));
  }
  return taps;
}

uint8_t ToByte(float value) {
  const float rounded = std::floor(value + 0.5f);
  return static_cast<uint8_t>(std::clamp(rounded, 0.0f, 255.0f));
}

}  // namespace

std::unique_ptr<TQoBitmap32> QoResample(const TQoBitmap32& source, int32_t width, int32_t height,
                                        TQoKernel kernel) {
  if (source.Width <= 0 || source.Height <= 0 || width <= 0 || height <= 0) {
    return std::make_unique<TQoBitmap32>(width, height);
  }
  auto target = std::make_unique<TQoBitmap32>(width, height, TQoForOverwrite{});
  const std::vector<TQoTaps> columns = ComputeTaps(source.Width, width, kernel);
  const std::vector<TQoTaps> rows = ComputeTaps(source.Height, height, kernel);

  // Horizontal pass into floats (4 channels per pixel, in ARGB byte order), then the
  // vertical pass into bytes. Floats keep the negative lobes of Lanczos until the end.
  const std::size_t pass1Size =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(source.Height) * 4;
  if (pass1Size * sizeof(float) > qo::kMaxAllocation) throw EOutOfResources();
  std::vector<float> pass1(pass1Size);
  // Each source row is turned into floats once; every tap then reads four of them.
  std::vector<float> row(static_cast<std::size_t>(source.Width) * 4);
  for (int32_t y = 0; y < source.Height; ++y) {
    const uint32_t* in = source.ScanLine(y);
    for (int32_t x = 0; x < source.Width; ++x) {
      const uint32_t p = in[x];
      float* f = row.data() + static_cast<std::size_t>(x) * 4;
      f[0] = static_cast<float>(p >> 24);
      f[1] = static_cast<float>((p >> 16) & 0xFF);
      f[2] = static_cast<float>((p >> 8) & 0xFF);
      f[3] = static_cast<float>(p & 0xFF);
    }
    float* out = pass1.data() + static_cast<std::size_t>(y) * width * 4;
    for (int32_t x = 0; x < width; ++x) {
      const TQoTaps& t = columns[static_cast<std::size_t>(x)];
      float acc[4] = {0, 0, 0, 0};
      const float* f = row.data() + static_cast<std::size_t>(t.First) * 4;
      for (std::size_t k = 0; k < t.Weights.size(); ++k, f += 4) {
        const float w = t.Weights[k];
        for (int c = 0; c < 4; ++c) acc[c] += w * f[c];
      }
      std::copy(acc, acc + 4, out + static_cast<std::size_t>(x) * 4);
    }
  }
  std::vector<float> acc(static_cast<std::size_t>(width) * 4);
  for (int32_t y = 0; y < height; ++y) {
    const TQoTaps& t = rows[static_cast<std::size_t>(y)];
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (std::size_t k = 0; k < t.Weights.size(); ++k) {
      const float w = t.Weights[k];
      const float* in =
          pass1.data() + static_cast<std::size_t>(t.First + static_cast<int32_t>(k)) * width * 4;
      for (std::size_t c = 0; c < acc.size(); ++c) acc[c] += w * in[c];
    }
    uint32_t* out = target->ScanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      const float* a = acc.data() + static_cast<std::size_t>(x) * 4;
      out[x] = static_cast<uint32_t>(ToByte(a[0])) << 24 |
               static_cast<uint32_t>(ToByte(a[1])) << 16 |
               static_cast<uint32_t>(ToByte(a[2])) << 8 | ToByte(a[3]);
    }
  }
  return target;
}

std::unique_ptr<TQoBitmap32> QoStretchNearest(const TQoBitmap32& source, int32_t width,
                                              int32_t height) {
  if (source.Width <= 0 || source.Height <= 0) return std::make_unique<TQoBitmap32>(width, height);
  auto target = std::make_unique<TQoBitmap32>(width, height, TQoForOverwrite{});
  std::vector<int32_t> columns(static_cast<std::size_t>(width));
  for (int32_t x = 0; x < width; ++x) {
    columns[static_cast<std::size_t>(x)] = static_cast<int32_t>(
        (2 * static_cast<int64_t>(x) + 1) * source.Width / (2 * static_cast<int64_t>(width)));
  }
  for (int32_t y = 0; y < height; ++y) {
    const int32_t sy = static_cast<int32_t>((2 * static_cast<int64_t>(y) + 1) * source.Height /
                                            (2 * static_cast<int64_t>(height)));
    const uint32_t* in = source.ScanLine(sy);
    uint32_t* out = target->ScanLine(y);
    for (int32_t x = 0; x < width; ++x) out[x] = in[columns[static_cast<std::size_t>(x)]];
  }
  return target;
}

std::unique_ptr<TQoBitmap32> QoScaleTwoStage(const TQoBitmap32& source, int32_t width,
                                             int32_t height) {
  const TQoBitmap32* from = &source;
  std::unique_ptr<TQoBitmap32> enlarged;
  if (source.Width > 0 && source.Height > 0) {
    const int32_t fx = std::max(1, width / source.Width);
    const int32_t fy = std::max(1, height / source.Height);
    if (fx != 1 || fy != 1) {
      try {
        enlarged = QoStretchNearest(source, fx * source.Width, fy * source.Height);
        from = enlarged.get();
      } catch (const EQoError&) {
        // Too large to replicate: resample the source as it is.
      }
    }
  }
  const bool shrinks = width < from->Width || height < from->Height;
  return QoResample(*from, width, height, shrinks ? TQoKernel::Lanczos3 : TQoKernel::Linear);
}

void QoConvertToGray(TQoBitmap32& picture) {
  uint32_t lastRgb = 0;
  uint8_t lastGray = 0;
  bool haveLast = false;
  TQoColor color;
  for (uint32_t& pixel : picture.Pixels) {
    const uint32_t rgb = pixel & 0xFFFFFF;
    if (!haveLast || rgb != lastRgb) {
      color.SetRGBQuad(rgb);
      lastGray = color.GetGray();
      lastRgb = rgb;
      haveLast = true;
    }
    pixel = 0xFF000000u | static_cast<uint32_t>(lastGray) * 0x010101u;
  }
}

namespace {

int32_t RoundSide(double value) {
  return std::max(1, qo::RoundHalfEven(value));
}

}  // namespace

TQoRect QoFitRect(int32_t clientWidth, int32_t clientHeight, int32_t width, int32_t height,
                  int aspectIndex) {
  TQoRect rect;
  if (clientWidth <= 0 || clientHeight <= 0 || width <= 0 || height <= 0) return rect;
  const TQoAspectEntry& entry = QoAspectEntry(aspectIndex);
  const double a = static_cast<double>(width) * entry.H;
  const double b = static_cast<double>(height) * entry.V * clientWidth / a;
  double w = clientWidth, h = b;
  if (b > clientHeight) {
    w = static_cast<double>(clientWidth) * clientHeight / b;
    h = clientHeight;
  }
  const int32_t fitWidth = RoundSide(w);
  const int32_t fitHeight = RoundSide(h);
  rect.Left = (clientWidth - fitWidth) / 2;
  rect.Top = (clientHeight - fitHeight) / 2;
  rect.Right = rect.Left + fitWidth;
  rect.Bottom = rect.Top + fitHeight;
  return rect;
}

TQoThumbnailSize QoThumbnailSize(int32_t width, int32_t height, int aspectIndex, int32_t boxWidth,
                                 int32_t boxHeight) {
  TQoThumbnailSize size;
  if (width <= 0 || height <= 0) return size;
  const TQoAspectEntry& entry = QoAspectEntry(aspectIndex);
  const double boxW = std::max(0, boxWidth);
  const double boxH = std::max(0, boxHeight);
  double a = static_cast<double>(width) * entry.H;
  double b = static_cast<double>(height) * entry.V;
  b = b * boxW / a;
  a = boxW;
  if (b > boxH) {
    a = a * boxH / b;
    b = boxH;
  }
  size.Width = RoundSide(a);
  size.Height = RoundSide(b);
  size.UnroundedHeight = b;
  return size;
}
