#include "platforms/PlayStation/QoOpenPlatformPlayStation.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "engine/QoFormatRow.h"

uint8_t TQoPlayStationSourceEngine::Detect(TQoLoadSource& source) {
  TQoTimHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".tim"});
}

TQoPlayStationSourceEngine::TQoPlayStationSourceEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  PlatformName = "PlayStation";
  DefaultExtension = ".tim";
  Width = Header.Width();
  Height = Header.Image.H;
  ColorDepth = Header.Depth();
  if (Header.HasClut && Header.Clut.H > 1) {
    auto variants = std::make_shared<TQoPaletteVariantList>();
    for (int i = 1; i <= Header.Clut.H; ++i) variants->push_back("Clut " + std::to_string(i));
    PaletteVariants = variants;
    PaletteVariant = variants->front();
  }
}

std::unique_ptr<TQoBitmap> TQoPlayStationSourceEngine::Decode() {
  const TQoByteView data = Bytes();
  const std::size_t pixels = Header.Image.DataAt();
  const std::size_t lineBytes = static_cast<std::size_t>(Header.Image.W) * 2;
  if (Header.HasClut) {
    std::size_t table = 0;
    if (PaletteVariants) {
      const auto& names = *PaletteVariants;
      const auto found = std::find(names.begin(), names.end(), PaletteVariant);
      if (found == names.end()) qo::RaiseInternalError();
      table = static_cast<std::size_t>(found - names.begin());
    }
    const std::size_t colors = Header.Mode == 8 ? 16 : 256;
    const std::size_t perTable = Header.Clut.W;
    Palette->Clear();
    for (std::size_t i = 0; i < colors; ++i) {
      // A table narrower than the mode's colours leaves the rest black.
      Palette->Add(i < perTable
                       ? QoTimColor(data.LE16(Header.Clut.DataAt() + 2 * (table * perTable + i)))
                       : 0u);
    }
    auto bmp = QoCreateBitmapFor(Width, Height, Palette.get());
    for (int32_t y = 0; y < Height; ++y) {
      const std::size_t line = pixels + static_cast<std::size_t>(y) * lineBytes;
      for (std::size_t i = 0; i < lineBytes; ++i) {
        const uint8_t byte = data.U8(line + i);
        if (Header.Mode == 8) {
          Plot4bppLowFirst(*bmp, byte, static_cast<int>(i), y);
        } else {
          bmp->SetPixel(static_cast<int32_t>(i), y, byte);
        }
      }
    }
    return bmp;
  }
  Palette->Clear();
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  for (int32_t y = 0; y < Height; ++y) {
    for (int32_t x = 0; x < Width; ++x) {
      if (Header.Mode == 2) {
        bmp->SetPixel(x, y,
                      QoTimColor(data.LE16(pixels + static_cast<std::size_t>(y) * lineBytes +
                                           2 * static_cast<std::size_t>(x))));
      } else {
        // Three bytes a pixel, red first, running on across the lines' 16-bit units.
        const std::size_t at = pixels + (static_cast<std::size_t>(y) * Width + x) * 3;
        bmp->SetPixel(x, y,
                      static_cast<uint32_t>(data.U8(at)) << 16 |
                          static_cast<uint32_t>(data.U8(at + 1)) << 8 | data.U8(at + 2));
      }
    }
  }
  return bmp;
}

void RegisterPlayStationEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoPlayStationSourceEngine>());
}
