#include "platforms/Lvov/QoOpenPlatformLvov.h"

#include <vector>

#include "base/QoErrors.h"

uint8_t TQoLvovEngine::Detect(TQoLoadSource& source) {
  TQoLvovPicture picture;
  if (!picture.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Extensions = ".lvs"});
}

TQoLvovEngine::TQoLvovEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  if (!Picture.Read(source.Bytes())) qo::RaiseInternalError();
  PlatformName = "Lvov";
  DefaultExtension = ".lvs";
  Width = Picture.Width;
  Height = Picture.Height;
  ColorDepth = 2;
  AspectIndex = 36;  // 7:5
  Description = " palette " + std::to_string(Picture.PaletteByte) + " image";
}

std::unique_ptr<TQoBitmap> TQoLvovEngine::Decode() {
  QoSetLvovPalette(*Palette, Picture.PaletteByte);
  PaletteColumns = 4;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const std::size_t rowBytes = static_cast<std::size_t>(Width / 4);
  std::vector<uint32_t> row(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const TQoByteView bytes = Picture.Screen.Sub(static_cast<std::size_t>(y) * rowBytes, rowBytes);
    for (std::size_t x = 0; x < row.size(); ++x) {
      row[x] = QoLvovPixel(bytes.U8(x / 4), static_cast<int>(x % 4));
    }
    bmp->SetRow(y, row.data(), Width);
  }
  return bmp;
}

void RegisterLvovEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoLvovEngine>());
}
