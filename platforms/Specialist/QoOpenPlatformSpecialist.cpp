#include "platforms/Specialist/QoOpenPlatformSpecialist.h"

#include "base/QoErrors.h"

uint8_t TQoSpecialistEngine::Detect(TQoLoadSource& source) {
  TQoSpecialistPicture picture;
  if (!picture.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Extensions = ".sps"});
}

TQoSpecialistEngine::TQoSpecialistEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  if (!Picture.Read(source.Bytes())) qo::RaiseInternalError();
  PlatformName = "Specialist";
  DefaultExtension = ".sps";
  Width = kQoSpecialistWidth;
  Height = kQoSpecialistHeight;
  AspectIndex = 26;  // 0.92:1
  if (Picture.Layout == kQoSpecialistMono) {
    ColorDepth = 1;
    Description = " B/W image";
    return;
  }
  ColorDepth = 4;
  const int count = Picture.ColorCount();
  Description = count ? " " + std::to_string(count) + " colors image" : " image";
  PaletteType = Picture.PaletteType;
  AddPaletteType(PaletteType);
  // Codes of the five-colour map may as well be read through the eight-colour one.
  if (Picture.Layout == kQoSpecialistCodes && Picture.FiveColorCodes) AddPaletteType(ptColored8);
}

std::unique_ptr<TQoBitmap> TQoSpecialistEngine::Decode() {
  if (Picture.Layout == kQoSpecialistMono) {
    SetMonoPalette(false);
  } else {
    QoSetSpecialistPalette(*Palette, PaletteType);
    PaletteColumns = Palette->GetCount() == 16 ? 8 : Palette->GetCount();
  }
  std::unique_ptr<TQoBitmap> bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  const bool rowInks = Picture.Layout == kQoSpecialistRowInks;
  for (int column = 0; column < Width / 8; ++column) {
    for (int y = 0; y < Height; ++y) {
      const std::size_t at = static_cast<std::size_t>(column) * 256 + static_cast<std::size_t>(y);
      const uint8_t bits = Picture.Bitmap.U8(at);
      if (Picture.Layout == kQoSpecialistMono) {
        PlotMono8(*bmp, bits, 0, 1, column, y);
        continue;
      }
      // Row y of the three-ink pictures takes ink y mod 3 over the fixed paper.
      const uint8_t code = Picture.Codes.U8(rowInks ? static_cast<std::size_t>(y % 3) : at);
      PlotMono8(*bmp, bits, QoSpecialistPaper(code, PaletteType),
                QoSpecialistInk(code, PaletteType), column, y);
    }
  }
  return bmp;
}

void RegisterSpecialistEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoSpecialistEngine>());
}
