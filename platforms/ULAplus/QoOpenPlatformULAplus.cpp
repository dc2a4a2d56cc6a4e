#include "platforms/ULAplus/QoOpenPlatformULAplus.h"

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "platforms/Timex/QoPlatformTimex.h"

uint8_t TQoBaseZxSpectrumUlaPlusEngine::Detect(TQoLoadSource& source,
                                               const TQoUlaPlusFormat& format) {
  return QoDetect(
      source, {.Size = format.PaletteAt + kQoUlaPlusPaletteBytes, .Extensions = format.Extensions});
}

TQoBaseZxSpectrumUlaPlusEngine::TQoBaseZxSpectrumUlaPlusEngine(TQoLoadSource& source,
                                                               const TQoUlaPlusFormat& format)
    : TQoSourceEngine(source, format.ClassName), format_(format) {
  AddPaletteType(ptV10);
  AddPaletteType(ptV11);
  AddPaletteType(ptV11Gray);
  PaletteType = ptV11;
  Width = 256;
  Height = 192;
  ColorDepth = 8;
  if (!format.HiColor) {
    PlatformName = "ZX Spectrum";
    Description = " ULAPlus image";
    DefaultExtension = ".scr";
  } else if (source.Extension == ".tcu") {
    PlatformName = "Timex";
    Description = " HiColor ULAPlus image";
    DefaultExtension = ".scr";
  } else {
    // A ".scr" of this size comes from the clones that took the Timex modes over.
    PlatformName = "EleMeNt ZX/MB03+";
    Description = " Timex HiColor ULAPlus image";
    DefaultExtension = ".tcu";
  }
  if (source.Size != 0 && !UlaPalette.Read(Bytes(), format.PaletteAt)) qo::RaiseInternalError();
}

std::unique_ptr<TQoBitmap> TQoBaseZxSpectrumUlaPlusEngine::Decode() {
  UlaPalette.Build(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
  if (format_.HiColor) {
    TQoZxCellColorTable colors;
    for (int a = 0; a < 256; ++a) {
      colors[static_cast<std::size_t>(a)] = QoUlaPlusCellColors(static_cast<uint8_t>(a));
    }
    QoDrawTimexHiColor(*bmp, bytes, colors);
    return bmp;
  }
  const uint8_t* screen = bytes.Ptr(0, kZxScreenBytes);
  for (int y = 0; y < Height; ++y) {
    for (int c = 0; c < 32; ++c) {
      const TQoZxCellColors cell =
          QoUlaPlusCellColors(screen[kZxScreenPixelBytes + 32 * (y >> 3) + c]);
      PlotMono8(*bmp, screen[QoZxPixelOffset(y, c)], cell.Paper, cell.Ink, c, y);
    }
  }
  return bmp;
}

void RegisterULAplusEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumUlaPlusEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoTimexUlaPlusEngine>());
}
