#include "platforms/AtariST/QoOpenPlatformAtariSTGEM.h"

#include <cmath>
#include <cstring>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoPlatformAtariSTUnpack.h"

namespace {

bool PlaneDataFits(const TQoGEMImageHeader& header) {
  return QoGEMBufferBytes(header.LineWidth, header.Lines, header.Planes) <= qo::kMaxAllocation;
}

uint8_t ReverseBits(uint8_t v) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r << 1 | ((v >> i) & 1));
  return r;
}

}  // namespace

uint8_t TQoAtariSTGEMBitImage::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  TQoGEMImageHeader header;
  if (!header.Read(bytes)) return 0;
  const TQoByteView data = header.Data(bytes);
  if (header.Variant == TQoGEMVariant::Ventura) {
    const std::size_t pixels =
        static_cast<std::size_t>(header.LineWidth) * static_cast<std::size_t>(header.Lines);
    if (QoReadGEMColorRuns(data, pixels, nullptr) < pixels) return 0;
  } else if (!PlaneDataFits(header) ||
             !QoUnpackGEMLines(data, header.LineWidth, header.Lines, header.Planes,
                               header.PatternLength, nullptr)) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".img .ximg"});
}

TQoAtariSTGEMBitImage::TQoAtariSTGEMBitImage(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  if (!header_.Read(Bytes())) qo::RaiseInternalError();
  const bool fits =
      header_.Variant == TQoGEMVariant::Ventura
          ? static_cast<std::size_t>(header_.LineWidth) * static_cast<std::size_t>(header_.Lines) <=
                Bytes().Size() / 3
          : PlaneDataFits(header_);
  if (!fits) qo::RaiseInternalError();
  Width = header_.LineWidth;
  Height = header_.Lines;
  ColorDepth = header_.Depth;
  ModeName = "GEM";
  DefaultExtension = ".img";
  // The palette-word images are stored line by line like every other: the line-planar
  // layouts of their resolutions.
  static constexpr uint8_t kLinePlanar[] = {0, kSTLayoutHigh, kSTLayoutMediumLinePlanar, 0,
                                            kSTLayoutLowLinePlanar};
  switch (header_.Variant) {
    case TQoGEMVariant::Plain:
      if (header_.Planes <= 4) {
        if (header_.Planes == 2) {
          SetSTMediumAspect();
        } else {
          SetSTLowAspect();
        }
        PlatformName = "Atari STE";
      } else {
        PlatformName = "Atari Falcon";
      }
      break;
    case TQoGEMVariant::STTT:
    case TQoGEMVariant::HyperPaint:
      Layout = kLinePlanar[header_.Depth];
      if (header_.Depth == 2) {
        SetSTMediumAspect();
      } else {
        SetSTLowAspect();
      }
      PaletteData = header_.Palette;
      DetectSTPalette(PaletteData, header_.Colors);
      break;
    case TQoGEMVariant::XIMG:
      PaletteData = header_.Palette;
      PlatformName = "Atari Falcon";
      break;
    case TQoGEMVariant::TIMG:
      PlatformName = "Atari Falcon";
      break;
    case TQoGEMVariant::Ventura:
      PlatformName = "Atari Falcon";
      break;
  }
  ChooseAspect();
}

void TQoAtariSTGEMBitImage::ChooseAspect() {
  const double w = header_.PixelWidth, h = header_.PixelHeight;
  if (w == 0 || h == 0) return;
  AspectIndex = kQoAspect1to1Index;
  if (w == h) return;
  const double ratio = w / h;
  double best = std::fabs(ratio - 1);
  for (const int index : {kQoAspect1to2, kQoAspect5to6, kQoAspect5to12, kQoAspect2to1}) {
    const TQoAspectEntry& entry = QoAspectEntry(index);
    const double distance = std::fabs(ratio - static_cast<double>(entry.H) / entry.V);
    if (distance < best) {
      best = distance;
      AspectIndex = static_cast<uint8_t>(index);
    }
  }
}

void TQoAtariSTGEMBitImage::Unpack() {
  if (!buffer_.empty()) return;
  buffer_.assign(QoGEMBufferBytes(Width, Height, header_.Planes), 0);
  // A stream that stops early leaves the rest of the picture blank.
  QoUnpackGEMLines(header_.Data(Bytes()), Width, Height, header_.Planes, header_.PatternLength,
                   buffer_.data());
  const std::size_t planeLine = QoGEMPlaneLineBytes(Width);
  if (header_.Depth < header_.Planes && header_.Depth <= 8) {
    // Only the first planes of each line are shown.
    const std::size_t from = planeLine * static_cast<std::size_t>(header_.Planes);
    const std::size_t to = planeLine * static_cast<std::size_t>(header_.Depth);
    pixels_.assign(to * static_cast<std::size_t>(Height), 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(Height); ++y) {
      std::memcpy(pixels_.data() + y * to, buffer_.data() + y * from, to);
    }
  }
}

std::unique_ptr<TQoBitmap> TQoAtariSTGEMBitImage::DecodeChunkyBuffer(TQoChunkyPixel pixel,
                                                                     std::size_t bytesPerPixel) {
  // Chunky pixels run through the scan line's bytes as the file holds them: each plane
  // line's bytes without the word padding the unpacked buffer adds.
  const std::size_t planeBytes = (static_cast<std::size_t>(Width) + 7) / 8;
  const std::size_t planeLine = QoGEMPlaneLineBytes(Width);
  const auto planes = static_cast<std::size_t>(header_.Planes);
  const std::size_t lineBytes = bytesPerPixel * static_cast<std::size_t>(Width);
  std::vector<uint8_t> line(planeBytes * planes);
  std::vector<uint8_t> chunky(lineBytes * static_cast<std::size_t>(Height));
  for (std::size_t y = 0; y < static_cast<std::size_t>(Height); ++y) {
    const uint8_t* source = buffer_.data() + y * planeLine * planes;
    for (std::size_t p = 0; p < planes; ++p) {
      std::memcpy(line.data() + p * planeBytes, source + p * planeLine, planeBytes);
    }
    std::memcpy(chunky.data() + y * lineBytes, line.data(), lineBytes);
  }
  PixelData = TQoByteView(chunky.data(), chunky.size());
  auto bmp = DecodeChunky(pixel, true);
  PixelData = TQoByteView(buffer_.data(), buffer_.size());
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAtariSTGEMBitImage::DecodeColorRuns() {
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  const auto width = static_cast<std::size_t>(Width);
  std::vector<uint32_t> colors(width * static_cast<std::size_t>(Height), 0);
  QoReadGEMColorRuns(header_.Data(Bytes()), colors.size(), colors.data());
  for (int y = 0; y < Height; ++y) {
    bmp->SetRow(y, colors.data() + static_cast<std::size_t>(y) * width, Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAtariSTGEMBitImage::Decode() {
  if (header_.Variant == TQoGEMVariant::Ventura) return DecodeColorRuns();
  Unpack();
  const std::vector<uint8_t>& shown = pixels_.empty() ? buffer_ : pixels_;
  PixelData = TQoByteView(shown.data(), shown.size());
  const int planes = header_.Planes;
  switch (header_.Variant) {
    case TQoGEMVariant::Plain:
      if (planes <= 4) {
        LoadSystemPalette(*Palette, planes);
        return DecodeLinePlanar(true);
      }
      if (planes == 8) {
        Palette->Clear();
        for (int i = 0; i < 256; ++i) {
          const auto grey = static_cast<uint8_t>(255 - ReverseBits(static_cast<uint8_t>(i)));
          Palette->Add(grey, grey, grey);
        }
        return DecodeLinePlanar(true);
      }
      if (planes == 16) return DecodeChunkyBuffer(TQoChunkyPixel::RGB565, 2);
      if (planes == 24) return DecodeChunkyBuffer(TQoChunkyPixel::RGB24, 3);
      break;
    case TQoGEMVariant::STTT:
    case TQoGEMVariant::HyperPaint:
      LoadSTPalette(PaletteData, *Palette, header_.Colors, PaletteType);
      return DecodeLinePlanar(true);
    case TQoGEMVariant::XIMG:
      if (planes == 16) return DecodeChunkyBuffer(TQoChunkyPixel::RGB565, 2);
      if (planes == 24) return DecodeChunkyBuffer(TQoChunkyPixel::RGB24, 3);
      if (planes == 32) return DecodeChunkyBuffer(TQoChunkyPixel::XRGB32, 4);
      if (planes <= 8) {
        Palette->Clear();
        LoadVDIPalette(PaletteData, *Palette, header_.Colors, false);
        return DecodeLinePlanar(true);
      }
      break;
    case TQoGEMVariant::TIMG:
      return DecodeLinePlanar(true);
    case TQoGEMVariant::Ventura:
      break;
  }
  qo::RaiseInternalError();
}
