#include "platforms/PP01/QoOpenPlatformPP01.h"

#include <vector>

#include "base/QoErrors.h"

namespace {

constexpr std::size_t kPlaneSize = 8192;  // 256 rows of 32 bytes
constexpr std::size_t kRowBytes = 32;

}  // namespace

uint8_t TQoPP01Engine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = 3 * kPlaneSize, .Extensions = ".01s"});
}

TQoPP01Engine::TQoPP01Engine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  if (Detect(source) == 0) qo::RaiseInternalError();
  PlatformName = "PP01";
  DefaultExtension = ".01s";
  Width = 256;
  Height = 256;
  ColorDepth = 3;
}

std::unique_ptr<TQoBitmap> TQoPP01Engine::Decode() {
  // Index bit 0 blue, bit 1 red, bit 2 green.
  Palette->Clear();
  for (unsigned i = 0; i < 8; ++i) {
    Palette->AddUniqueLinear(
        TQoLinRGBColor{i & 2u ? 1.0 : 0.0, i & 4u ? 1.0 : 0.0, i & 1u ? 1.0 : 0.0});
  }
  PaletteColumns = 8;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView file = Bytes();
  std::vector<uint32_t> row(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * kRowBytes;
    for (std::size_t x = 0; x < row.size(); ++x) {
      const unsigned shift = 7 - x % 8;
      const std::size_t byte = at + x / 8;
      row[x] = ((file.U8(byte) >> shift) & 1u) * 2 +
               ((file.U8(kPlaneSize + byte) >> shift) & 1u) * 4 +
               ((file.U8(2 * kPlaneSize + byte) >> shift) & 1u);
    }
    bmp->SetRow(y, row.data(), Width);
  }
  return bmp;
}

void RegisterPP01Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoPP01Engine>());
}
