#include "platforms/ElektronikaKR04/QoOpenPlatformElektronikaKR04.h"

#include <vector>

#include "base/QoErrors.h"

uint8_t TQoKR04Engine::Detect(TQoLoadSource& source) {
  TQoKR04Header header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".krs"});
}

TQoKR04Engine::TQoKR04Engine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  if (!Header.Read(source.Bytes())) qo::RaiseInternalError();
  PlatformName = "Elektronika KR-04";
  DefaultExtension = ".krs";
  Width = Header.Width;
  Height = Header.Height;
  FrameCount = Header.TwoScreens() ? 2 : 1;
  if (Header.Color()) {
    ColorDepth = 2;
    Description = Header.HasPalette() ? " EGA image" : " BRGB image";
    AspectIndex = 37;  // 1.475:1
  } else {
    ColorDepth = 1;
    AspectIndex = 17;  // 0.7375:1
  }
}

std::unique_ptr<TQoBitmap> TQoKR04Engine::Decode() {
  QoSetKR04Palette(*Palette, Header);
  PaletteColumns = Header.Colors();
  const bool two = Header.TwoScreens();
  if (two) BuildMixedPalette();
  std::unique_ptr<TQoBitmap> bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  TQoBitmap* frames[2] = {nullptr, nullptr};
  if (two) {
    frames[0] = bmp->AddFrame(SourcePalette.get());
    frames[1] = bmp->AddFrame(SourcePalette.get());
  }
  const std::size_t rowBytes = Header.RowBytes();
  const TQoByteView first = Bytes().Sub(TQoKR04Header::kSize, Header.ScreenSize());
  const TQoByteView second =
      two ? Bytes().Sub(TQoKR04Header::kSize + Header.ScreenSize(), Header.ScreenSize())
          : TQoByteView();
  if (!Header.Color()) {
    TQoByteCursor a(first), b(second);
    for (int y = 0; y < Height; ++y) {
      if (!two) {
        // The bitmap keeps the leftmost pixel in the top bit: rows go in reversed.
        ReadBlockReversed(bmp->GetScanLine(y), a, rowBytes);
        continue;
      }
      for (std::size_t c = 0; c < rowBytes; ++c) {
        PlotPair1LsbFirst(*bmp, frames[0], frames[1], a.Next(), b.Next(), static_cast<int>(c), y);
      }
    }
    return bmp;
  }
  const uint32_t n = static_cast<uint32_t>(Header.Colors());
  std::vector<uint32_t> row(static_cast<std::size_t>(Width)), rowB(row.size());
  for (int y = 0; y < Height; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * rowBytes;
    for (std::size_t x = 0; x < row.size(); ++x) {
      row[x] = QoKR04ColorPixel(first.U8(at + x / 4), static_cast<int>(x % 4));
      if (two) rowB[x] = QoKR04ColorPixel(second.U8(at + x / 4), static_cast<int>(x % 4));
    }
    if (two) {
      frames[0]->SetRow(y, row.data(), Width);
      frames[1]->SetRow(y, rowB.data(), Width);
      for (std::size_t x = 0; x < row.size(); ++x) row[x] = row[x] * n + rowB[x];
    }
    bmp->SetRow(y, row.data(), Width);
  }
  return bmp;
}

void RegisterElektronikaKR04Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoKR04Engine>());
}
