#include "platforms/Vector/QoOpenPlatformVector.h"

#include <algorithm>
#include <string>

#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

namespace {

constexpr int kSide = 256;
constexpr std::size_t kPlaneSize = 8192;
constexpr std::size_t kRembrandtPixelsAt = 19;

// The colours the Karandash program always sets.
constexpr std::array<uint8_t, 16> kKarandashRegisters = {
    0x40, 0x80, 0x10, 0xD0, 0x06, 0x86, 0x16, 0x36, 0x00, 0xC5, 0x22, 0xC0, 0x02, 0x98, 0x52, 0xAD};

std::size_t Sectors(std::size_t bytes) {
  return (bytes + 255) / 256;
}

// Width in columns and height in lines of a REMBRANDT file whose header holds; 0 columns
// when it does not.
std::size_t RembrandtColumns(TQoByteView file, std::size_t& lines) {
  if (file.Size() < 20) return 0;
  const std::size_t columns = file.U8(16);
  lines = file.U8(17) ? file.U8(17) : 256;
  if (columns < 1 || columns > 32 || file.U8(18) != 15) return 0;
  if (Sectors(4 * columns * lines + kRembrandtPixelsAt) != Sectors(file.Size())) return 0;
  return columns;
}

std::string LineChangeDescription(const TQoVectorEngine& engine) {
  if (!engine.HasLineChanges) return " image";
  return " PCHG" + std::to_string(engine.LineChanges.PerLine) + " image";
}

}  // namespace

// The shared machinery.

TQoVectorEngine::TQoVectorEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Vector-06C";
  PaletteTypes = {ptColoredLinear, ptColoredEMU, ptColoredVirtualVector};
  PaletteType = ptColoredLinear;
  AspectMask = QoAspectBit(kQoAspect1to1Index) | QoAspectBit(QoAspectIndexByLabel("5:4")) |
               QoAspectBit(QoAspectIndexByLabel("4:3"));
  AspectIndex = static_cast<uint8_t>(QoAspectIndexByLabel("4:3"));
  ColorDepth = 4;
  Width = kSide;
  Height = kSide;
}

uint8_t* TQoVectorEngine::ScreenBuffer() {
  if (screen_.empty()) screen_.assign(kQoVectorScreenSize, 0);
  return screen_.data();
}

void TQoVectorEngine::FindLineChanges() {
  HasLineChanges = Source && LineChanges.Read(Source->CompanionWithExtension(".pals"));
}

std::vector<uint8_t>& TQoVectorEngine::ValueMap(const TQoPalette256* source,
                                                const TQoPalette256* target,
                                                std::vector<uint8_t>& map) {
  map.resize(16);
  for (std::size_t v = 0; v < 16; ++v) {
    map[v] = static_cast<uint8_t>(source && target
                                      ? target->IndexOf(source->GetRGBQuad(static_cast<int>(v)))
                                      : static_cast<int>(v));
  }
  return map;
}

void TQoVectorEngine::DrawVectorRow(TQoBitmap& bmp, int y, const TQoPalette256* source,
                                    const TQoPalette256* target) {
  std::vector<uint8_t> map;
  ValueMap(source, target, map);
  const uint8_t* screen = ScreenBuffer();
  const std::size_t line = static_cast<std::size_t>(kSide - 1 - y);
  std::array<uint32_t, kSide> values{};
  for (std::size_t column = 0; column < 32; ++column) {
    const std::size_t at = column * 256 + line;
    const uint8_t p0 = screen[at], p1 = screen[kPlaneSize + at];
    const uint8_t p2 = screen[2 * kPlaneSize + at], p3 = screen[3 * kPlaneSize + at];
    for (unsigned b = 0; b < 8; ++b) {
      const unsigned shift = 7 - b;
      const unsigned v = ((p0 >> shift) & 1u) << 3 | ((p1 >> shift) & 1u) << 2 |
                         ((p2 >> shift) & 1u) << 1 | ((p3 >> shift) & 1u);
      values[column * 8 + b] = map[v];
    }
  }
  bmp.SetRow(y, values.data(), Width);
}

std::unique_ptr<TQoBitmap> TQoVectorEngine::DecodePicture() {
  if (screen_.empty()) qo::RaiseInternalError();
  TQoPalette256 colors;
  QoSetVectorPalette(colors, PaletteType);
  Palette->Clear();
  for (uint8_t reg : Registers) Palette->Add(colors.GetRGBQuad(reg));
  PaletteColumns = 16;
  if (HasLineChanges) return DecodeLineChanges(colors);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int y = 0; y < Height; ++y) DrawVectorRow(*bmp, y, nullptr, nullptr);
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoVectorEngine::DecodeLineChanges(const TQoPalette256& colors) {
  // Every colour the picture shows on some line, darkest first. Registers that hold the
  // same colour share an entry, so the 16 registers and the 256 colours of the machine
  // always fit.
  auto merged = std::make_unique<TQoPalette256>();
  for (int i = 0; i < Palette->GetCount(); ++i) merged->AddUnique(Palette->GetRGBQuad(i));
  const TQoByteView pairs = LineChanges.Pairs;
  for (std::size_t i = 0; i + 1 < pairs.Size(); i += 2) {
    merged->AddUnique(colors.GetRGBQuad(pairs.U8(i + 1)));
  }
  merged->SortByLuminance(0);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, merged.get());
  std::size_t next = 0;
  for (int y = 0; y < Height; ++y) {
    // Line 0 shows the file's registers; each group of changes holds from its line on.
    if (y > 0) {
      for (std::size_t k = 0; k < LineChanges.PerLine; ++k, next += 2) {
        Palette->GetPColor(pairs.U8(next)).SetRGBQuad(colors.GetRGBQuad(pairs.U8(next + 1)));
      }
    }
    DrawVectorRow(*bmp, y, Palette.get(), merged.get());
  }
  Palette = std::move(merged);
  return bmp;
}

// Karandash.

uint8_t TQoVectorSCREngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  TQoVectorKarandashHeader header;
  if (!header.Read(file)) return 0;
  std::vector<uint8_t> scratch(kQoVectorScreenSize);
  if (!QoUnpackVectorKarandash(file, header, scratch.data())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".scr"});
}

TQoVectorSCREngine::TQoVectorSCREngine(TQoLoadSource& source) : TQoVectorEngine(source, ClassName) {
  ModeName = "Karandash";
  DefaultExtension = ".scr";
  // Built on no data, an engine only tells its class.
  if (Bytes().Empty()) return;
  TQoVectorKarandashHeader header;
  if (!header.Read(Bytes()) || !QoUnpackVectorKarandash(Bytes(), header, ScreenBuffer())) {
    qo::RaiseInternalError();
  }
  Registers = kKarandashRegisters;
}

std::unique_ptr<TQoBitmap> TQoVectorSCREngine::Decode() {
  return DecodePicture();
}

// Draw.

uint8_t TQoVectorSPREngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (source.Extension != ".spr" || file.Size() < 20) return 0;
  std::vector<uint8_t> scratch(kQoVectorScreenSize);
  if (!QoUnpackVectorDraw(file, scratch.data())) return 0;
  source.CompanionWithExtension(".pals");
  return QoDetect(source, {.Signed = true, .ExtensionOnly = true, .Extensions = ".spr"});
}

TQoVectorSPREngine::TQoVectorSPREngine(TQoLoadSource& source) : TQoVectorEngine(source, ClassName) {
  ModeName = "Draw";
  DefaultExtension = ".spr";
  if (Bytes().Empty()) return;
  const TQoByteView file = Bytes();
  if (file.Size() < 20 || !QoUnpackVectorDraw(file, ScreenBuffer())) qo::RaiseInternalError();
  for (std::size_t i = 0; i < Registers.size(); ++i) Registers[i] = file.U8(i);
  FindLineChanges();
  Description = LineChangeDescription(*this);
}

std::unique_ptr<TQoBitmap> TQoVectorSPREngine::Decode() {
  return DecodePicture();
}

// REMBRANDT.

uint8_t TQoVectorRMBEngine::Detect(TQoLoadSource& source) {
  std::size_t lines = 0;
  if (RembrandtColumns(source.Bytes(), lines) == 0) return 0;
  source.CompanionWithExtension(".pals");
  return QoDetect(source, {.Signed = true, .Extensions = ".rmb .rbr"});
}

TQoVectorRMBEngine::TQoVectorRMBEngine(TQoLoadSource& source) : TQoVectorEngine(source, ClassName) {
  ModeName = "REMBRANDT";
  DefaultExtension = ".rmb";
  if (Bytes().Empty()) return;
  const TQoByteView file = Bytes();
  std::size_t lines = 0;
  columns_ = RembrandtColumns(file, lines);
  if (columns_ == 0) qo::RaiseInternalError();
  Width = static_cast<int32_t>(8 * columns_);
  Height = static_cast<int32_t>(lines);
  for (std::size_t i = 0; i < Registers.size(); ++i) Registers[i] = file.U8(15 - i);
  // The sectors may end before the picture does: the missing bytes read as 0.
  const TQoByteView pixels = file.From(kRembrandtPixelsAt);
  const std::size_t n = std::min(pixels.Size(), 4 * columns_ * lines);
  uint8_t* screen = ScreenBuffer();
  if (n) std::copy(pixels.Data(), pixels.Data() + n, screen);
  if (Width == kSide && Height == kSide) FindLineChanges();
  Description = LineChangeDescription(*this);
}

std::unique_ptr<TQoBitmap> TQoVectorRMBEngine::Decode() {
  return DecodePicture();
}

void TQoVectorRMBEngine::DrawVectorRow(TQoBitmap& bmp, int y, const TQoPalette256* source,
                                       const TQoPalette256* target) {
  std::vector<uint8_t> map;
  ValueMap(source, target, map);
  const uint8_t* line = ScreenBuffer() + static_cast<std::size_t>(y) * 4 * columns_;
  std::array<uint32_t, kSide> values{};
  for (std::size_t column = 0; column < columns_; ++column) {
    for (unsigned b = 0; b < 8; ++b) {
      unsigned v = 0;
      for (std::size_t p = 0; p < 4; ++p) v |= ((line[p * columns_ + column] >> (7 - b)) & 1u) << p;
      values[column * 8 + b] = map[v];
    }
  }
  bmp.SetRow(y, values.data(), Width);
}

void RegisterVectorEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoVectorSCREngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoVectorSPREngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoVectorRMBEngine>());
}
