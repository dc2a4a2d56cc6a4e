#include "platforms/ATMTurbo/QoOpenPlatformATMTurbo.h"

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

uint8_t TQoATMTurboMultiColorEngine::Detect(TQoLoadSource& source) {
  TQoATMTurboPicture picture;
  if (!picture.Read(source.Bytes())) return 0;
  return QoDetect(source,
                  {.Signed = true, .SizeFlag = picture.RunsEndExactly, .Extensions = ".grf"});
}

TQoATMTurboMultiColorEngine::TQoATMTurboMultiColorEngine(TQoLoadSource& source)
    : TQoZxSpectrumEngine(source, ClassName) {
  PlatformName = "ATM Turbo";
  Description = " multicolor image";
  DefaultExtension = ".grf";
  // The machine's 640-pixel modes make the pixels twice as high as wide.
  AspectIndex = kQoAspect1to2;
  AspectMask |= QoAspectBit(kQoAspect5to12) | QoAspectBit(kQoAspect1to2);
  if (source.Size == 0) return;  // an empty source only names the class
  if (!Picture.Read(Bytes())) qo::RaiseInternalError();
  Width = 8 * Picture.Columns;
  Height = Picture.Rows;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoATMTurboMultiColorEngine::Decode() {
  if (Picture.Columns == 0) qo::RaiseInternalError();
  Palette->Clear();
  for (std::size_t i = 0; i < 16; ++i) {
    const uint8_t green = QoATMTurboLevel(Picture.PaletteDigits.U8(3 * i));
    const uint8_t red = QoATMTurboLevel(Picture.PaletteDigits.U8(3 * i + 1));
    const uint8_t blue = QoATMTurboLevel(Picture.PaletteDigits.U8(3 * i + 2));
    Palette->Add(red, green, blue);
  }
  PaletteColumns = 16;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  TQoByteCursor runs(Picture.Runs);
  uint8_t count = 0, attribute = 0;
  std::size_t at = 0;
  for (int c = 0; c < Picture.Columns; ++c) {
    for (int y = 0; y < Picture.Rows; ++y, ++at) {
      // Runs that end early leave the remaining attributes 0.
      if (count == 0 && (!runs.ReadByte(count) || !runs.ReadByte(attribute))) {
        count = 0;
        attribute = 0;
      }
      if (count > 0) --count;
      const TQoZxCellColors colors = QoZxExtendedColors(attribute);
      PlotMono8(*bmp, Picture.Pixels.U8(at), colors.Paper, colors.Ink, c, y);
    }
  }
  return bmp;
}

void RegisterATMTurboEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoATMTurboMultiColorEngine>());
}
