#include "platforms/PMD85/QoOpenPlatformPMD85.h"

#include <array>

#include "platforms/PMD85/QoPlatformPMD85.h"

namespace {

constexpr std::size_t kDumpSize = 16384;
constexpr std::size_t kRowBytes = 64;
constexpr int kVisibleBytes = 48;
constexpr int kLines = 256;

}  // namespace

uint8_t TQoPMD85Engine::Detect(TQoLoadSource& source, const TQoPMD85Format& format) {
  return QoDetect(source, {.Size = kDumpSize, .Extensions = format.Extensions});
}

TQoPMD85Engine::TQoPMD85Engine(TQoLoadSource& source, const TQoPMD85Format& format)
    : TQoSourceEngine(source, format.ClassName) {
  PlatformName = "PMD 85";
  DefaultExtension = std::string(format.Extensions.First());
  PaletteType = format.PaletteType;
  Description = std::string(" ") + QoPaletteTypeLabel(format.PaletteType) + " image";
  ColorDepth = format.PaletteType == ptPMD85H ? 3 : 2;
  // Built on no data, an engine only tells its class.
  if (source.Bytes().Empty()) return;
  if (Detect(source, format) == 0) qo::RaiseInternalError();
  Width = 6 * kVisibleBytes;
  Height = kLines;
}

std::unique_ptr<TQoBitmap> TQoPMD85Engine::Decode() {
  QoSetPMD85Palette(*Palette, PaletteType);
  const auto n = static_cast<uint32_t>(Palette->GetCount());
  const bool colorAce = PaletteType == ptPMD85H;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView dump = Bytes();
  std::array<uint32_t, 6 * kVisibleBytes> line{};
  for (int y = 0; y < Height; ++y) {
    const TQoByteView row = dump.Sub(static_cast<std::size_t>(y) * kRowBytes, kRowBytes);
    const TQoByteView other = dump.Sub(static_cast<std::size_t>(y ^ 1) * kRowBytes, kRowBytes);
    for (int c = 0; c < kVisibleBytes; ++c) {
      const uint8_t value = row.U8(static_cast<std::size_t>(c));
      const unsigned a = value >> 6;
      uint32_t lit = 0;
      if (colorAce) {
        lit = QoPMD85ColorAceIndex(a, other.U8(static_cast<std::size_t>(c)) >> 6);
      } else {
        // Three colours leave attributes 2 and 3 to fold back onto white and grey.
        lit = a + 1 < n ? a + 1 : a - 1;
      }
      for (int b = 0; b < 6; ++b) {
        line[static_cast<std::size_t>(6 * c + b)] = (value >> b) & 1u ? lit : 0u;
      }
    }
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

void RegisterPMD85Engines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoPMD85AEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoPMD85BEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoPMD85CEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoPMD85DEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoPMD85EEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoPMD85FEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoPMD85HEngine>());
}
