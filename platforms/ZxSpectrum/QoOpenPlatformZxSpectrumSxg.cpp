#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumSxg.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoFormatRow.h"

uint8_t QoSxgLevel(int component, uint8_t paletteType) {
  static constexpr uint8_t kEga[25] = {0,   28,  42,  52,  60,  67,  74,  80,  85,
                                       101, 114, 126, 136, 146, 154, 162, 170, 184,
                                       196, 207, 218, 228, 237, 246, 255};
  static constexpr uint8_t kPentevo[25] = {0,   31,  46,  57,  66,  74,  81,  87,  93,
                                           105, 115, 125, 133, 141, 149, 155, 162, 177,
                                           191, 204, 215, 226, 236, 246, 255};
  const int v = component & 31;
  if (paletteType == ptVideoDAC) return static_cast<uint8_t>(qo::RoundHalfEven(v * 255 / 31.0));
  if (v >= 24) return 255;
  return paletteType == ptPentevo ? kPentevo[v] : kEga[v];
}

uint8_t TQoZxSpectrumSxgEngine::Detect(TQoLoadSource& source) {
  TQoSxgHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".sxg"});
}

TQoZxSpectrumSxgEngine::TQoZxSpectrumSxgEngine(TQoLoadSource& source)
    : TQoZxSpectrumEngine(source, ClassName) {
  PlatformName = "ZX Evolution";
  DefaultExtension = ".sxg";
  AddPaletteType(ptEvoEGA);
  AddPaletteType(ptPentevo);
  AddPaletteType(ptVideoDAC);
  PaletteType = ptEvoEGA;
  AspectMask |= QoAspectBit(kQoAspect5to6);
  if (source.Size == 0) return;  // an empty source only names the class
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  Width = Header.Width;
  Height = Header.Height;
  ColorDepth = Header.Bits;
  // Components above 24 only make sense on the linear DAC.
  for (int i = 0; i < Header.PaletteCount; ++i) {
    const uint16_t entry = Bytes().LE16(Header.PaletteAt + 2 * static_cast<std::size_t>(i));
    if (((entry >> 10) & 31) > 24 || ((entry >> 5) & 31) > 24 || (entry & 31) > 24) {
      PaletteType = ptVideoDAC;
    }
  }
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumSxgEngine::Decode() {
  if (Header.Bits == 0) qo::RaiseInternalError();
  const TQoByteView bytes = Bytes();
  Palette->Clear();
  for (int i = 0; i < Header.PaletteCount; ++i) {
    const uint16_t entry = bytes.LE16(Header.PaletteAt + 2 * static_cast<std::size_t>(i));
    Palette->Add(QoSxgLevel(entry >> 10, PaletteType), QoSxgLevel(entry >> 5, PaletteType),
                 QoSxgLevel(entry, PaletteType));
  }
  std::unique_ptr<TQoBitmap> bmp;
  if (Header.Bits == 4) {
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
  // A row holds exactly the picture's pixels, the padding of version 3 aside.
  const std::size_t used = (static_cast<std::size_t>(Header.Bits) * Width + 7) / 8;
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row =
        bytes.Ptr(Header.PixelsAt + Header.RowBytes * static_cast<std::size_t>(y), used);
    std::copy(row, row + used, bmp->GetScanLine(y));
  }
  return bmp;
}
