#include "platforms/IBM/QoOpenPlatformIBM.h"

#include "base/QoErrors.h"
#include "color/QoColor.h"
#include "engine/QoFormatRow.h"

uint8_t TQoIBMADFEngine::Detect(TQoLoadSource& source) {
  if (!TQoArtWorxLayout::Check(source.Bytes())) return 0;
  // Nothing in the file marks it: only its name does.
  return QoDetect(source, {.Signed = true, .ExtensionOnly = true, .Extensions = ".adf"});
}

TQoIBMADFEngine::TQoIBMADFEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  if (!TQoArtWorxLayout::Check(Bytes())) qo::RaiseInternalError();
  PlatformName = "IBM";
  ModeName = "ArtWorx";
  DefaultExtension = ".adf";
  ColorDepth = 6;
  Width = 640;
  Height = TQoArtWorxLayout::Rows(Bytes().Size()) * 16;
}

std::unique_ptr<TQoBitmap> TQoIBMADFEngine::Decode() {
  const TQoByteView data = Bytes();
  Palette->Clear();
  for (std::size_t i = 0; i < 64; ++i) {
    const std::size_t at = TQoArtWorxLayout::kPaletteAt + 3 * i;
    Palette->Add(qo::WidenLevel(data.U8(at), 6), qo::WidenLevel(data.U8(at + 1), 6),
                 qo::WidenLevel(data.U8(at + 2), 6));
  }
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  const int32_t rows = Height / 16;
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t column = 0; column < 80; ++column) {
      const std::size_t cell = TQoArtWorxLayout::kScreenAt +
                               static_cast<std::size_t>(row) * TQoArtWorxLayout::kRowBytes +
                               2 * static_cast<std::size_t>(column);
      const uint8_t character = data.U8(cell);
      const uint8_t attribute = data.U8(cell + 1);
      // Ink from the bright half of the palette, paper from the first sixteen.
      const uint32_t ink = 48u + (attribute & 15u);
      const uint32_t paper = attribute >> 4;
      for (int line = 0; line < 16; ++line) {
        const uint8_t bits =
            data.U8(TQoArtWorxLayout::kFontAt + character * 16u + static_cast<std::size_t>(line));
        PlotMono8(*bmp, bits, paper, ink, column, row * 16 + line);
      }
    }
  }
  return bmp;
}

void RegisterIBMEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoIBMADFEngine>());
}
