#include "engine/QoSourceEngine.h"

#include <cstring>

#include "engine/QoLoadSource.h"

TQoSourceEngine::TQoSourceEngine(TQoLoadSource& source, const char* className)
    : EngineClass(className),
      Source(&source),
      FileName(source.Name),
      PlatformName(className),
      Description(" image"),
      FrameCount(1),
      Palette(std::make_unique<TQoPalette256>()),
      PaletteColumns(16),
      AspectMask(uint64_t{1} << kQoAspect1to1),
      AspectIndex(kQoAspect1to1),
      CalcMode(1) {}

namespace {
thread_local TQoEngineClassInfo* tDescriptionSink = nullptr;
}  // namespace

void TQoSourceEngine::CaptureDescriptions(TQoEngineClassInfo* sink) {
  tDescriptionSink = sink;
}

void TQoSourceEngine::NoteClassExtension(std::string_view extension) {
  if (tDescriptionSink) tDescriptionSink->DefaultExtension = std::string(extension);
}

TQoSourceEngine::~TQoSourceEngine() {
  // A base that set the platform before the derived constructor found no data still
  // describes the class.
  if (tDescriptionSink) {
    if (PlatformName != EngineClass) tDescriptionSink->Platform = PlatformName;
    if (!DefaultExtension.empty()) tDescriptionSink->DefaultExtension = DefaultExtension;
    tDescriptionSink->Description = Description;
  }
}

uint8_t TQoSourceEngine::Detect(TQoLoadSource&) {
  return 0;
}

std::unique_ptr<TQoBitmap> TQoSourceEngine::Decode() {
  return nullptr;
}

TQoByteView TQoSourceEngine::Bytes() const {
  return Source ? Source->Bytes() : TQoByteView();
}

namespace {

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string TQoSourceEngine::GetDisplayName() const {
  std::string name = PlatformName + " " + std::to_string(Width) + "x" + std::to_string(Height) +
                     "x" + std::to_string(ColorDepth);
  if (FrameCount > 1) name += "@" + std::to_string(FrameCount);
  if (!ModeName.empty()) name += " " + ModeName;
  name += Description;
  return Trim(name);
}

const std::string& TQoSourceEngine::GetPaletteVariant(int index) const {
  if (!PaletteVariants) qo::RaiseInternalError();
  return PaletteVariants->at(static_cast<std::size_t>(index));
}

namespace {

const std::string kVariantPrefix = "Variant ";

}  // namespace

std::string TQoSourceEngine::VariantName(int number) {
  return kVariantPrefix + std::to_string(number);
}

int TQoSourceEngine::SelectedVariantNumber() const {
  if (PaletteVariant.size() <= kVariantPrefix.size() ||
      PaletteVariant.compare(0, kVariantPrefix.size(), kVariantPrefix) != 0) {
    return 0;
  }
  int number = 0;
  for (std::size_t i = kVariantPrefix.size(); i < PaletteVariant.size(); ++i) {
    const char c = PaletteVariant[i];
    if (c < '0' || c > '9' || number > 1000) return 0;
    number = number * 10 + (c - '0');
  }
  return number;
}

void TQoSourceEngine::AddCycleRange(int32_t low, int32_t high, uint8_t reverse, int32_t delay) {
  if (CycleRanges.Count >= static_cast<int32_t>(CycleRanges.Items.size())) return;
  TQoCycleRange& range = CycleRanges.Items[static_cast<std::size_t>(CycleRanges.Count++)];
  range = TQoCycleRange{low, high, reverse, delay, 0};
}

void TQoSourceEngine::SetMonoPalette(bool inverted) {
  Palette->Clear();
  if (inverted) {
    Palette->Add(255, 255, 255);
    Palette->Add(0, 0, 0);
  } else {
    Palette->Add(0, 0, 0);
    Palette->Add(255, 255, 255);
  }
  PaletteColumns = 2;
}

void TQoSourceEngine::SetGrayPalette(bool reversed) {
  Palette->Clear();
  for (int level = 0; level < 256; ++level) {
    const auto v = static_cast<uint8_t>(reversed ? 255 - level : level);
    Palette->Add(v, v, v);
  }
}

void TQoSourceEngine::EnsureSourcePalette() {
  if (!SourcePalette) SourcePalette = std::make_unique<TQoPalette256>();
}

void TQoSourceEngine::EnsureExtraPalette() {
  if (!ExtraPalette) ExtraPalette = std::make_unique<TQoPalette256>();
}

void TQoSourceEngine::BuildMixedPalette() {
  EnsureSourcePalette();
  SourcePalette->Assign(Palette.get());
  Palette->Mix(*SourcePalette, 100, 0);
  PaletteColumns = SourcePalette->GetCount();
}

void TQoSourceEngine::SetMonoMixedPalette() {
  SetMonoPalette(false);
  BuildMixedPalette();
}

void TQoSourceEngine::SetSpectrumPalette16(uint8_t level) {
  Palette->SetSpectrum16(level);
}

void TQoSourceEngine::SplitSpectrumAttribute(uint8_t attribute, int& ink, int& paper) {
  const int bright = (attribute & 0x40) ? 8 : 0;
  ink = (attribute & 0x07) + bright;
  paper = ((attribute >> 3) & 0x07) + bright;
}

uint8_t TQoSourceEngine::SetDefaultSpectrumPaletteTypes() {
  PaletteTypes = {ptPulsar, ptColoredLinear, ptAlone};
  return ptColoredLinear;
}

void TQoSourceEngine::ReadBlock(uint8_t* dest, TQoByteCursor& cursor, std::size_t n) {
  const uint8_t* from = cursor.Take(n);
  if (n) std::memcpy(dest, from, n);
}

void TQoSourceEngine::ReadBlockReversed(uint8_t* dest, TQoByteCursor& cursor, std::size_t n) {
  const uint8_t* from = cursor.Take(n);
  for (std::size_t i = 0; i < n; ++i) {
    uint8_t v = from[i];
    v = static_cast<uint8_t>(((v & 0xF0) >> 4) | ((v & 0x0F) << 4));
    v = static_cast<uint8_t>(((v & 0xCC) >> 2) | ((v & 0x33) << 2));
    v = static_cast<uint8_t>(((v & 0xAA) >> 1) | ((v & 0x55) << 1));
    dest[i] = v;
  }
}
