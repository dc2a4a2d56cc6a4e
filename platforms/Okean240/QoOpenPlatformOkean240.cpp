#include "platforms/Okean240/QoOpenPlatformOkean240.h"

#include <vector>

#include "base/QoErrors.h"

namespace {

constexpr std::size_t kScreenSize = 16384;
constexpr int kHeight = 256;

// The values of row y of a screen: colour screens hold 32 columns of the low plane's 256
// bytes followed by the high plane's; black-and-white ones 64 columns of 256 bytes.
void ScreenRow(TQoByteView screen, bool color, int y, std::vector<uint32_t>& row) {
  const std::size_t line = static_cast<std::size_t>(y);
  for (std::size_t x = 0; x < row.size(); ++x) {
    const unsigned bit = x % 8;
    if (color) {
      const std::size_t at = (x / 8) * 512 + line;
      row[x] = ((screen.U8(at + 256) >> bit) & 1u) * 2 + ((screen.U8(at) >> bit) & 1u);
    } else {
      row[x] = (screen.U8((x / 8) * 256 + line) >> bit) & 1u;
    }
  }
}

}  // namespace

uint8_t TQoOkean240BaseEngine::Detect(TQoLoadSource& source, const TQoOkean240Format& format) {
  const TQoByteView file = source.Bytes();
  if (file.Size() != format.Size) return 0;
  if (format.Color && !QoIsOkean240PaletteByte(file.U8(format.Size - 1))) return 0;
  return QoDetect(source, {.Size = format.Size, .Extensions = ".oks"});
}

TQoOkean240BaseEngine::TQoOkean240BaseEngine(TQoLoadSource& source, const TQoOkean240Format& format)
    : TQoSourceEngine(source, format.ClassName), format_(format) {
  if (Detect(source, format) == 0) qo::RaiseInternalError();
  PlatformName = "Okean-240";
  DefaultExtension = ".oks";
  Height = kHeight;
  FrameCount = format.Screens;
  if (format.Color) {
    PaletteByte = Bytes().U8(format.Size - 1);
    Width = 256;
    ColorDepth = 2;
    AspectIndex = 35;  // 4:3
    Description = QoOkean240Description(PaletteByte);
  } else {
    Width = 512;
    ColorDepth = 1;
    AspectIndex = 15;  // 2:3
  }
}

std::unique_ptr<TQoBitmap> TQoOkean240BaseEngine::Decode() {
  const TQoByteView file = Bytes();
  const bool two = format_.Screens == 2;
  if (format_.Color) {
    QoSetOkean240Palette(*Palette, PaletteByte);
    PaletteColumns = 4;
    if (two) BuildMixedPalette();
  } else if (two) {
    SetMonoMixedPalette();
  } else {
    SetMonoPalette(false);
  }
  std::unique_ptr<TQoBitmap> bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  TQoBitmap* frames[2] = {nullptr, nullptr};
  if (two) {
    frames[0] = bmp->AddFrame(SourcePalette.get());
    frames[1] = bmp->AddFrame(SourcePalette.get());
  }
  const uint32_t base = format_.Color ? 4 : 2;
  std::vector<uint32_t> first(static_cast<std::size_t>(Width)), second(first.size());
  for (int y = 0; y < Height; ++y) {
    ScreenRow(file.Sub(0, kScreenSize), format_.Color, y, first);
    if (!two) {
      bmp->SetRow(y, first.data(), Width);
      continue;
    }
    ScreenRow(file.Sub(kScreenSize, kScreenSize), format_.Color, y, second);
    frames[0]->SetRow(y, first.data(), Width);
    frames[1]->SetRow(y, second.data(), Width);
    for (std::size_t x = 0; x < first.size(); ++x) first[x] = first[x] * base + second[x];
    bmp->SetRow(y, first.data(), Width);
  }
  return bmp;
}

void RegisterOkean240Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoOkean240Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoOkean240ExEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoOkean240BWEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoOkean240BWExEngine>());
}
