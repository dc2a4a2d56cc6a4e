#include "platforms/SinclairQL/QoOpenPlatformSinclairQL.h"

#include <vector>

#include "base/QoErrors.h"
#include "color/QoAspect.h"

namespace {

constexpr std::size_t kScreenSize = 32768;
constexpr std::size_t kScreenLineBytes = 128;
constexpr int32_t kScreenLines = 256;

// Decodes lines of `layout` into an indexed picture over palette, or a true-colour one.
std::unique_ptr<TQoBitmap> DecodeLines(TQoByteView data, std::size_t first, std::size_t stride,
                                       TQoQLLayout layout, int32_t width, int32_t height,
                                       TQoPalette256& palette) {
  QoQLPalette(layout, palette);
  const bool trueColor = layout == kQoQLGD2Mode32 || layout == kQoQLGD2Mode33;
  std::unique_ptr<TQoBitmap> bmp = trueColor ? std::make_unique<TQoBitmap24>(width, height)
                                             : QoCreateBitmapFor(width, height, &palette);
  std::vector<uint32_t> values(static_cast<std::size_t>(width));
  for (int32_t y = 0; y < height; ++y) {
    QoQLLine(data, first + static_cast<std::size_t>(y) * stride, layout, width, values.data());
    if (trueColor) {
      for (int32_t x = 0; x < width; ++x) bmp->SetPixel(x, y, values[static_cast<std::size_t>(x)]);
    } else {
      bmp->SetRow(y, values.data(), width);
    }
  }
  return bmp;
}

}  // namespace

uint8_t TQoSinclairQLScreenEngine::Detect(TQoLoadSource& source, const TQoQLScreenFormat& format) {
  const uint8_t flags = QoDetect(source, {.Size = kScreenSize, .Extensions = format.Extensions});
  // Both modes fill the same 32 KB, so the size alone cannot tell them apart: a dump that
  // never sets a flash bit but draws is a mode 8 picture, unless its name says mode 4.
  if (flags && format.Layout == kQoQLMode8 &&
      !kQoSinclairQL4Format.Extensions.Has(source.Extension) &&
      QoQLLooksLikeMode8(source.Bytes())) {
    return flags | kQoDetectSignature;
  }
  return flags;
}

TQoSinclairQLScreenEngine::TQoSinclairQLScreenEngine(TQoLoadSource& source,
                                                     const TQoQLScreenFormat& format)
    : TQoSourceEngine(source, format.ClassName), format_(format) {
  PlatformName = "Sinclair QL";
  Width = format.Width;
  Height = kScreenLines;
  ColorDepth = format.ColorDepth;
  Description = format.Description;
  DefaultExtension = std::string(format.Extensions.First());
  AspectIndex = format.AspectIndex;
  AspectMask |= QoAspectBit(AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoSinclairQLScreenEngine::Decode() {
  return DecodeLines(Bytes(), 0, kScreenLineBytes, format_.Layout, Width, Height, *Palette);
}

uint8_t TQoSinclairQLPICEngine::Detect(TQoLoadSource& source) {
  TQoQLPicHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".pic"});
}

TQoSinclairQLPICEngine::TQoSinclairQLPICEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  PlatformName = "Sinclair QL";
  DefaultExtension = ".pic";
  Width = Header.Width;
  Height = Header.Height;
  switch (Header.Layout) {
    case kQoQLMode4:
      ColorDepth = 2, Description = " QL mode 4", AspectIndex = kQoAspect1to1;
      break;
    case kQoQLGD2Mode8:
      ColorDepth = 4, Description = " GD2 mode 8", AspectIndex = kQoAspect2to1;
      break;
    case kQoQLMode8:
      ColorDepth = 4, Description = " QL mode 8", AspectIndex = kQoAspect2to1;
      break;
    case kQoQLGD2Mode16:
      ColorDepth = 8, Description = " GD2 mode 16", AspectIndex = kQoAspect1to1;
      break;
    case kQoQLGD2Mode32:
      ColorDepth = 16, Description = " GD2 mode 32", AspectIndex = kQoAspect1to1;
      break;
    case kQoQLGD2Mode33:
      ColorDepth = 16, Description = " GD2 mode 33", AspectIndex = kQoAspect1to1;
      break;
  }
  Description += " image";
  AspectMask |= QoAspectBit(AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoSinclairQLPICEngine::Decode() {
  return DecodeLines(Bytes(), TQoQLPicHeader::kSize, Header.LineBytes, Header.Layout, Width, Height,
                     *Palette);
}

void RegisterSinclairQLEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoSinclairQL4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSinclairQL8Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSinclairQLPICEngine>());
}
