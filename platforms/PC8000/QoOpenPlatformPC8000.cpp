#include "platforms/PC8000/QoOpenPlatformPC8000.h"

#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoFormatRow.h"

namespace {

constexpr std::size_t kPatternsAt = 4;
constexpr std::size_t kColorsAt = kPatternsAt + kQoPC8000TableSize;

}  // namespace

uint8_t TQoPC8000SourceEngine::Detect(TQoLoadSource& source) {
  return QoDetect(
      source,
      {.Size = kQoPC8000DumpSize, .Signature = std::string_view("PC8\0", 4), .Extensions = ".vm2"});
}

TQoPC8000SourceEngine::TQoPC8000SourceEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  PlatformName = "PC8000";
  DefaultExtension = ".vm2";
  Width = 256;
  Height = 192;
  ColorDepth = 4;
  for (int aspect : {28, 35, 36, 38}) AspectMask |= QoAspectBit(aspect);
  AspectIndex = kQoAspect1to1;
  AddPaletteType(ptColoredLinear);
  AddPaletteType(ptColoredDDp);
  PaletteType = ptColoredLinear;
}

std::unique_ptr<TQoBitmap> TQoPC8000SourceEngine::Decode() {
  QoSetPC8000Palette(*Palette, PaletteType);
  auto bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  const TQoByteView data = Bytes();
  // Graphics II order: character row r, column c, line k at r * 256 + c * 8 + k.
  for (std::size_t i = 0; i < kQoPC8000TableSize; ++i) {
    const int row = static_cast<int>(i / 256);
    const int column = static_cast<int>(i / 8 % 32);
    const int y = row * 8 + static_cast<int>(i % 8);
    const uint8_t color = data.U8(kColorsAt + i);
    PlotMono8(*bmp, data.U8(kPatternsAt + i), color >> 4, color & 15u, column, y);
  }
  return bmp;
}

void RegisterPC8000Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoPC8000SourceEngine>());
}
