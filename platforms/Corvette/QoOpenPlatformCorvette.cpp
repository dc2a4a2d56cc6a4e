#include "platforms/Corvette/QoOpenPlatformCorvette.h"

#include <vector>

#include "base/QoErrors.h"

namespace {

constexpr const char kGrfSignature[] = "GRF1.0";
constexpr std::size_t kGrfHeaderSize = 6;

}  // namespace

TQoBaseCorvetteEngine::TQoBaseCorvetteEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Corvette";
  ModeName = "GRIN";
  Width = kQoCorvetteWidth;
  Height = kQoCorvetteHeight;
  ColorDepth = 3;
  AspectIndex = 15;  // 2:3
  PaletteTypes = {ptColoredLinear, ptColoredEMU};
  PaletteType = ptColoredLinear;
}

std::unique_ptr<TQoBitmap> TQoBaseCorvetteEngine::DrawPlanes(TQoByteView planes, uint32_t weight1,
                                                             uint32_t weight2) {
  QoSetCorvettePalette(*Palette, PaletteType);
  PaletteColumns = 8;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const std::size_t rowBytes = static_cast<std::size_t>(Width + 7) / 8;
  const std::size_t planeSize = rowBytes * static_cast<std::size_t>(Height);
  auto byteAt = [&](std::size_t at) -> uint8_t { return at < planes.Size() ? planes.U8(at) : 0; };
  std::vector<uint32_t> row(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const std::size_t rowAt = static_cast<std::size_t>(y) * rowBytes;
    for (std::size_t x = 0; x < row.size(); ++x) {
      const std::size_t at = rowAt + x / 8;
      const unsigned shift = 7 - x % 8;
      const uint32_t b0 = (byteAt(at) >> shift) & 1u;
      const uint32_t b1 = (byteAt(planeSize + at) >> shift) & 1u;
      const uint32_t b2 = (byteAt(2 * planeSize + at) >> shift) & 1u;
      row[x] = b0 + b1 * weight1 + b2 * weight2;
    }
    bmp->SetRow(y, row.data(), Width);
  }
  return bmp;
}

// Packed pictures. Detection does not unpack: a broken stream still shows what it held.

uint8_t TQoCorvetteGrfEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.MinSize = kGrfHeaderSize + 1,
                           .Signature = kGrfSignature,
                           .SizeFlag = false,
                           .Extensions = ".grf"});
}

TQoCorvetteGrfEngine::TQoCorvetteGrfEngine(TQoLoadSource& source)
    : TQoBaseCorvetteEngine(source, ClassName) {
  if (Detect(source) == 0) qo::RaiseInternalError();
  DefaultExtension = ".grf";
}

std::unique_ptr<TQoBitmap> TQoCorvetteGrfEngine::Decode() {
  std::vector<uint8_t> planes;
  QoUnpackCorvetteGrf(Bytes().From(kGrfHeaderSize), planes);
  return DrawPlanes(TQoByteView(planes.data(), planes.size()), 4, 2);
}

// Plain pictures.

uint8_t TQoCorvettePicEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kQoCorvettePlanesSize, .Extensions = ".pic"});
}

TQoCorvettePicEngine::TQoCorvettePicEngine(TQoLoadSource& source)
    : TQoBaseCorvetteEngine(source, ClassName) {
  if (Detect(source) == 0) qo::RaiseInternalError();
  DefaultExtension = ".pic";
}

std::unique_ptr<TQoBitmap> TQoCorvettePicEngine::Decode() {
  return DrawPlanes(Bytes(), 4, 2);
}

// Windows. Their planes take the second and third plane weights the other way round, and a
// file cut short shows its missing bytes as 0.

uint8_t TQoCorvetteWinEngine::Detect(TQoLoadSource& source) {
  TQoCorvetteWinHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .SizeFlag = false, .Extensions = ".win"});
}

TQoCorvetteWinEngine::TQoCorvetteWinEngine(TQoLoadSource& source)
    : TQoBaseCorvetteEngine(source, ClassName) {
  TQoCorvetteWinHeader header;
  if (!header.Read(source.Bytes())) qo::RaiseInternalError();
  Width = header.Width;
  Height = header.Height;
  DefaultExtension = ".win";
}

std::unique_ptr<TQoBitmap> TQoCorvetteWinEngine::Decode() {
  return DrawPlanes(Bytes().From(TQoCorvetteWinHeader::kSize), 2, 4);
}

void RegisterCorvetteEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoCorvetteGrfEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCorvettePicEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCorvetteWinEngine>());
}
