#include "platforms/ElectronikaMS0515/QoOpenPlatformElectronikaMS0515.h"

#include "color/QoAspect.h"

namespace {

constexpr std::size_t kScreenSize = 16000;
constexpr int kLines = 200;
constexpr std::size_t kLineBytes = 80;
// The machine's colours: the eight of the attribute at two brightnesses.
constexpr uint8_t kNormalLevel = 188;

}  // namespace

uint8_t TQoMS0515ScreenEngine::Detect(TQoLoadSource& source, const TQoMS0515Format&) {
  return QoDetect(source, {.Size = kScreenSize, .Extensions = ".scr"});
}

TQoMS0515ScreenEngine::TQoMS0515ScreenEngine(TQoLoadSource& source, const TQoMS0515Format& format)
    : TQoSourceEngine(source, format.ClassName), format_(format) {
  PlatformName = "Elektronika MC 0515";
  DefaultExtension = ".scr";
  // Built on no data, an engine only tells its class.
  if (source.Bytes().Empty()) return;
  if (Detect(source, format) == 0) qo::RaiseInternalError();
  Width = format.Mono ? 640 : 320;
  Height = kLines;
  ColorDepth = format.Mono ? 1 : 4;
  if (format.Mono) AspectIndex = kQoAspect1to2;
}

std::unique_ptr<TQoBitmap> TQoMS0515ScreenEngine::Decode() {
  const TQoByteView screen = Bytes();
  if (format_.Mono) {
    SetMonoPalette(false);
    auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
    for (int y = 0; y < Height; ++y) {
      for (std::size_t c = 0; c < kLineBytes; ++c) {
        PlotMono8(*bmp, screen.U8(static_cast<std::size_t>(y) * kLineBytes + c), 0, 1,
                  static_cast<int>(c), y);
      }
    }
    return bmp;
  }
  SetSpectrumPalette16(kNormalLevel);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int y = 0; y < Height; ++y) {
    for (std::size_t c = 0; c < kLineBytes / 2; ++c) {
      const std::size_t at = static_cast<std::size_t>(y) * kLineBytes + 2 * c;
      int ink = 0, paper = 0;
      SplitSpectrumAttribute(screen.U8(at + 1), ink, paper);
      PlotMono8(*bmp, screen.U8(at), static_cast<uint32_t>(paper), static_cast<uint32_t>(ink),
                static_cast<int>(c), y);
    }
  }
  return bmp;
}

void RegisterElectronikaMS0515Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoMS0515Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoMS0515BWEngine>());
}
