#include "platforms/Profi/QoOpenPlatformProfi.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

uint8_t TQoProfiEngine::Detect(TQoLoadSource& source) {
  TQoProfiHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".grf"});
}

TQoProfiEngine::TQoProfiEngine(TQoLoadSource& source) : TQoZxSpectrumEngine(source, ClassName) {
  PlatformName = "Profi";
  DefaultExtension = ".grf";
  AspectIndex = kQoAspect3to4;
  AspectMask |= QoAspectBit(kQoAspect3to4);
  if (source.Size == 0) return;  // an empty source only names the class
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  Width = Header.Width;
  Height = Header.Height;
  if (!Header.Colour) {
    ColorDepth = 1;
    Description = " B/W image";
  } else {
    ColorDepth = 4;
    Description = Header.PaletteBytes.Empty() ? " color image" : " palette image";
  }
}

std::unique_ptr<TQoBitmap> TQoProfiEngine::Decode() {
  if (Width == 0) qo::RaiseInternalError();
  const TQoByteView bytes = Bytes();
  const std::size_t cells = (static_cast<std::size_t>(Width) + 7) / 8;
  if (!Header.Colour) {
    SetMonoPalette(false);
    auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
    for (int y = 0; y < Height; ++y) {
      const uint8_t* row = bytes.Ptr(Header.DataAt + Header.RowBytes * y, cells);
      std::copy(row, row + cells, bmp->GetScanLine(y));
    }
    return bmp;
  }
  if (Header.PaletteBytes.Empty()) {
    SetSpectrumPalette16(205);
  } else {
    Palette->Clear();
    for (std::size_t i = 0; i < 16; ++i) Palette->Add(QoProfiColor(Header.PaletteBytes.U8(i)));
  }
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = bytes.Ptr(Header.DataAt + Header.RowBytes * y, 2 * cells);
    for (std::size_t c = 0; c < cells; ++c) {
      const TQoZxCellColors colors = QoZxExtendedColors(row[2 * c + 1]);
      PlotMono8(*bmp, row[2 * c], colors.Paper, colors.Ink, static_cast<int>(c), y);
    }
  }
  return bmp;
}

void RegisterProfiEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoProfiEngine>());
}
