#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumNext.h"

#include "base/QoErrors.h"

uint8_t QoZxNextLevel(int k) {
  static constexpr uint8_t kLevels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
  return kLevels[k & 7];
}

TQoStdRGBColor QoZxNextColor9(uint16_t value) {
  return TQoStdRGBColor{QoZxNextLevel((value >> 5) & 7), QoZxNextLevel((value >> 2) & 7),
                        QoZxNextLevel(((value << 1) & 6) | ((value >> 8) & 1))};
}

TQoStdRGBColor QoZxNextColor8(uint8_t value) {
  const int blue = value & 3;
  return QoZxNextColor9(static_cast<uint16_t>(value | ((blue != 0) << 8)));
}

const TQoZxNextLayout* TQoZxSpectrumNextEngine::LayoutOf(const TQoZxNextFormat& format,
                                                         std::size_t size) {
  for (const TQoZxNextLayout& layout : format.Layouts) {
    if (layout.Size == size) return &layout;
  }
  return nullptr;
}

uint8_t TQoZxSpectrumNextEngine::Detect(TQoLoadSource& source, const TQoZxNextFormat& format) {
  const TQoZxNextLayout* layout = LayoutOf(format, source.Bytes().Size());
  if (!layout) return 0;
  return QoDetect(source, {.Size = layout->Size, .Extensions = layout->Extensions});
}

TQoZxSpectrumNextEngine::TQoZxSpectrumNextEngine(TQoLoadSource& source,
                                                 const TQoZxNextFormat& format)
    : TQoSourceEngine(source, format.ClassName) {
  PlatformName = "ZX Spectrum Next";
  if (format.Description) Description = format.Description;
  layout_ = LayoutOf(format, Bytes().Size());
  // An empty source only names the class.
  if (!layout_ && Bytes().Size() != 0) qo::RaiseInternalError();
  const TQoZxNextLayout& layout = layout_ ? *layout_ : format.Layouts.front();
  DefaultExtension = std::string(layout.Extensions.First());
  Width = layout.Width;
  Height = layout.Height;
  ColorDepth = layout.ColorDepth;
  AspectIndex = layout.AspectIndex;
  AspectMask |= QoAspectBit(layout.AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumNextEngine::Decode() {
  if (!layout_) qo::RaiseInternalError();
  const TQoZxNextLayout& layout = *layout_;
  const TQoByteView bytes = Bytes();
  Palette->Clear();
  const int entries = 1 << layout.ColorDepth;
  for (int i = 0; i < entries; ++i) {
    const auto index = static_cast<std::size_t>(i);
    switch (layout.PaletteKind) {
      case kQoNextWordPalette:
        Palette->Add(QoZxNextColor9(bytes.LE16(layout.PaletteAt + 2 * index)));
        break;
      case kQoNextBytePalette:
        Palette->Add(QoZxNextColor8(bytes.U8(layout.PaletteAt + index)));
        break;
      default:
        Palette->Add(QoZxNextColor8(static_cast<uint8_t>(i)));
        break;
    }
  }
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  const auto width = static_cast<std::size_t>(Width), height = static_cast<std::size_t>(Height);
  const uint8_t* pixels = bytes.Ptr(layout.PixelsAt, width * height * layout.ColorDepth / 8);
  for (std::size_t y = 0; y < height; ++y) {
    uint8_t* row = bmp->GetScanLine(static_cast<int32_t>(y));
    for (std::size_t x = 0; x < width; ++x) {
      switch (layout.Order) {
        case kQoNextRows:
          row[x] = pixels[y * width + x];
          break;
        case kQoNextColumns:
          row[x] = pixels[x * height + y];
          break;
        case kQoNextColumnPairs: {
          const uint8_t pair = pixels[(x / 2) * height + y];
          row[x] = x % 2 ? pair & 0x0F : pair >> 4;
          break;
        }
      }
    }
  }
  return bmp;
}
