#include "platforms/Irisha/QoOpenPlatformIrisha.h"

#include "base/QoErrors.h"
#include "color/QoAspect.h"

namespace {

constexpr std::size_t kNarrowSize = 8000;  // 320 x 200
constexpr std::size_t kWideSize = 16000;   // 640 x 200

}  // namespace

uint8_t TQoIrishaEngine::Detect(TQoLoadSource& source) {
  const std::size_t size = source.Bytes().Size();
  if (size != kNarrowSize && size != kWideSize) return 0;
  return QoDetect(source, {.Extensions = ".pic"});
}

TQoIrishaEngine::TQoIrishaEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  if (Detect(source) == 0) qo::RaiseInternalError();
  PlatformName = "Irisha";
  DefaultExtension = ".pic";
  const bool wide = Bytes().Size() == kWideSize;
  Width = wide ? 640 : 320;
  Height = 200;
  ColorDepth = 1;
  AspectIndex = wide ? kQoAspect5to12 : kQoAspect5to6;
}

std::unique_ptr<TQoBitmap> TQoIrishaEngine::Decode() {
  SetMonoPalette(false);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  TQoByteCursor cursor(Bytes());
  const std::size_t rowBytes = static_cast<std::size_t>(Width / 8);
  for (int y = 0; y < Height; ++y) ReadBlock(bmp->GetScanLine(y), cursor, rowBytes);
  return bmp;
}

void RegisterIrishaEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoIrishaEngine>());
}
