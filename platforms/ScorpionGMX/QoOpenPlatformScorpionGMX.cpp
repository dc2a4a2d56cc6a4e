#include "platforms/ScorpionGMX/QoOpenPlatformScorpionGMX.h"

#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

TQoScorpionGMXEngine::TQoScorpionGMXEngine(TQoLoadSource& source, const char* className)
    : TQoZxSpectrumEngine(source, className) {
  PlatformName = "Scorpion GMX";
  DefaultExtension = ".c";
  PaletteType = SetDefaultSpectrumPaletteTypes();
  Height = 200;
  ColorDepth = 4;
}

// 640 x 200: 80 pixel bytes a row in plain order, each with its own attribute.

uint8_t TQoScorpiorGMX640Engine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kQoGMX640Bytes, .Extensions = ".c"});
}

TQoScorpiorGMX640Engine::TQoScorpiorGMX640Engine(TQoLoadSource& source)
    : TQoScorpionGMXEngine(source, ClassName) {
  Width = 640;
  AspectIndex = kQoAspect1to2;
  AspectMask |= QoAspectBit(kQoAspect1to2);
}

std::unique_ptr<TQoBitmap> TQoScorpiorGMX640Engine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const std::size_t cells = kQoGMXRowBytes * static_cast<std::size_t>(Height);
  const uint8_t* pixels = Bytes().Ptr(0, cells);
  const uint8_t* attributes = Bytes().Ptr(kQoGMX640AttributesAt, cells);
  for (std::size_t at = 0; at < cells; ++at) {
    const TQoZxCellColors colors = StandardColors(attributes[at]);
    PlotMono8(*bmp, pixels[at], colors.Paper, colors.Ink, static_cast<int>(at % kQoGMXRowBytes),
              static_cast<int>(at / kQoGMXRowBytes));
  }
  return bmp;
}

// 160 x 200: attribute bytes only, each two pixels wide, paper then ink.

uint8_t TQoScorpiorGMX160Engine::Detect(TQoLoadSource& source) {
  if (!QoIsGMX160Header(source.Bytes())) return 0;
  return QoDetect(source, {.Size = kQoGMX160Bytes, .Signed = true, .Extensions = ".c"});
}

TQoScorpiorGMX160Engine::TQoScorpiorGMX160Engine(TQoLoadSource& source)
    : TQoScorpionGMXEngine(source, ClassName) {
  Width = 160;
  AspectIndex = kQoAspect2to1;
  AspectMask |= QoAspectBit(kQoAspect2to1);
}

std::unique_ptr<TQoBitmap> TQoScorpiorGMX160Engine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const uint8_t* data =
      Bytes().Ptr(kQoGMX160DataAt, kQoGMXRowBytes * static_cast<std::size_t>(Height));
  for (int y = 0; y < Height; ++y) {
    for (std::size_t x = 0; x < kQoGMXRowBytes; ++x) {
      const TQoZxCellColors colors = StandardColors(data[kQoGMXRowBytes * y + x]);
      bmp->SetPixel(static_cast<int>(2 * x), y, colors.Paper);
      bmp->SetPixel(static_cast<int>(2 * x + 1), y, colors.Ink);
    }
  }
  return bmp;
}

void RegisterScorpionGMXEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoScorpiorGMX640Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoScorpiorGMX160Engine>());
}
