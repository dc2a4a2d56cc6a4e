#include "platforms/UKNC/QoOpenPlatformUKNC.h"

#include <vector>

#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

uint8_t TQoUKNCEngine::Detect(TQoLoadSource& source) {
  TQoUKNCHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .SizeFlag = false, .Extensions = ".pcx"});
}

TQoUKNCEngine::TQoUKNCEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  PlatformName = "UKNC";
  ModeName = "Picture Composer I";
  DefaultExtension = ".pcx";
  ColorDepth = 3;
  AspectMask = QoAspectBit(QoAspectIndexByLabel("3:5")) | QoAspectBit(QoAspectIndexByLabel("2:3")) |
               QoAspectBit(kQoAspect1to1Index);
  AspectIndex = static_cast<uint8_t>(QoAspectIndexByLabel("2:3"));
  // Built on no data, an engine only tells its class.
  if (Bytes().Empty()) return;
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  Width = Header.Width;
  Height = Header.Height;
}

std::unique_ptr<TQoBitmap> TQoUKNCEngine::Decode() {
  if (Header.Packed.Empty()) qo::RaiseInternalError();
  Palette->Clear();
  for (std::size_t i = 0; i < 8; ++i) {
    const std::size_t at = 3 * i;
    Palette->Add(Header.Colors.U8(at + 1), Header.Colors.U8(at), Header.Colors.U8(at + 2));
  }
  PaletteColumns = 8;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  // Runs flow across planes and lines, so the whole picture is expanded at once; damaged
  // data leaves the lines after it black.
  const std::size_t lineBytes = TQoUKNCHeader::kPlanes * Header.PlaneBytes;
  std::vector<uint8_t> planes(lineBytes * static_cast<std::size_t>(Height));
  const std::size_t produced = QoUnpackUKNCRuns(Header.Packed, planes.data(), planes.size());
  const auto lines = static_cast<int>(produced / lineBytes);
  std::vector<uint32_t> line(static_cast<std::size_t>(Width));
  for (int y = 0; y < lines; ++y) {
    const uint8_t* bytes = planes.data() + static_cast<std::size_t>(y) * lineBytes;
    for (std::size_t x = 0; x < line.size(); ++x) {
      uint32_t value = 0;
      for (std::size_t p = 0; p < TQoUKNCHeader::kPlanes; ++p) {
        value |= ((bytes[p * Header.PlaneBytes + x / 8] >> (x % 8)) & 1u) << p;
      }
      line[x] = value;
    }
    bmp->SetRow(y, line.data(), Width);
  }
  return bmp;
}

void RegisterUKNCEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoUKNCEngine>());
}
