#include "platforms/DVK/QoOpenPlatformDVK.h"

#include <array>

#include "engine/QoFormatRow.h"

uint8_t TQoDVKEngine::Detect(TQoLoadSource& source) {
  TQoDVKHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".pic"});
}

TQoDVKEngine::TQoDVKEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  PlatformName = "DVK KCGD";
  DefaultExtension = ".pic";
  PaletteTypes = {ptColoredLinear, ptColoredEMUStudio};
  PaletteType = ptColoredEMUStudio;
  ColorDepth = 4;
  // Built on no data, an engine only tells its class.
  if (Bytes().Empty()) return;
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  Width = Header.Width;
  Height = Header.Height;
}

std::unique_ptr<TQoBitmap> TQoDVKEngine::Decode() {
  if (Header.Pixels.Empty()) qo::RaiseInternalError();
  // The board's DAC: even steps, or the steps an emulator measured.
  TQoPalette256 cube;
  if (PaletteType == ptColoredLinear) {
    cube.SetRGB64();
  } else {
    cube.SetRGB64Levels(0, 128, 192, 255);
  }
  Palette->Clear();
  for (std::size_t i = 0; i < TQoDVKHeader::kColorCount; ++i) {
    Palette->Add(cube.GetStdRGB(Header.Colors.U8(i)));
  }
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  std::array<uint32_t, TQoDVKHeader::kMaxWidth + 3> line{};
  for (int y = 0; y < Height; ++y) {
    // The bottom row comes first.
    const TQoByteView row = Header.Pixels.Sub(
        static_cast<std::size_t>(Height - 1 - y) * Header.RowBytes, Header.RowBytes);
    for (std::size_t w = 0; w < Header.RowBytes / 2; ++w) {
      const uint16_t word = row.LE16(2 * w);
      for (std::size_t k = 0; k < 4; ++k) line[4 * w + k] = (word >> (12 - 4 * k)) & 0x0Fu;
    }
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

void RegisterDVKEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoDVKEngine>());
}
