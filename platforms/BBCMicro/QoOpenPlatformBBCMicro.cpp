#include "platforms/BBCMicro/QoOpenPlatformBBCMicro.h"

#include "base/QoErrors.h"
#include "color/QoAspect.h"

namespace {

// Pixel aspect choices by picture width, the default first: a BBC pixel is 13 units
// high for every 24, 12, 6 or 3 units of width.
struct TAspectChoice {
  int32_t Width;
  uint8_t Default;
  uint8_t Others[2];
};
constexpr TAspectChoice kAspects[] = {
    {640, 12, {9, 11}}, {320, 31, {30, 30}}, {160, 50, {47, 49}}, {80, 59, {56, 58}}};

// The layout of an LdPic mode: byte-wide cells a line, bits a pixel, depth.
struct TLdPicMode {
  int Columns, Bits, Depth;
};
TLdPicMode LdPicMode(int mode) {
  switch (mode) {
    case 0:
      return {80, 1, 1};
    case 1:
      return {80, 2, 2};
    case 2:
      return {80, 4, 3};
    case 4:
      return {40, 1, 1};
    case 5:
      return {40, 2, 2};
    default:
      qo::RaiseInternalError();
  }
}

}  // namespace

TQoBBCMicroEngine::TQoBBCMicroEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "BBC Micro";
}

void TQoBBCMicroEngine::SetMode(int mode, int columns, int bits, int32_t depth) {
  Width = columns * 8 / bits;
  Height = kQoBBCLines;
  ColorDepth = depth;
  Description = " Mode " + std::to_string(mode) + " image";
  for (const TAspectChoice& choice : kAspects) {
    if (choice.Width != Width) continue;
    AspectIndex = choice.Default;
    AspectMask =
        QoAspectBit(choice.Default) | QoAspectBit(choice.Others[0]) | QoAspectBit(choice.Others[1]);
  }
}

std::unique_ptr<TQoBitmap> TQoBBCMicroEngine::DecodeScreen(TQoByteView data, std::size_t at,
                                                           int columns, int bits, uint32_t mask) {
  const std::vector<uint32_t> values = QoBBCScreenValues(data, at, columns, bits, mask);
  auto bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  for (int32_t y = 0; y < Height; ++y) {
    bmp->SetRow(y, values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width),
                Width);
  }
  return bmp;
}

void TQoBBCMicroEngine::SetFourColors(const uint8_t* logical) {
  static constexpr uint8_t kDefault[4] = {0, 1, 3, 7};
  Palette->Clear();
  for (int i = 0; i < 4; ++i) Palette->Add(QoBBCColor(logical ? logical[i] : kDefault[i]));
}

void TQoBBCMicroEngine::SetEightColors() {
  Palette->Clear();
  for (int i = 0; i < 8; ++i) Palette->Add(QoBBCColor(i));
}

// Screen dumps.

namespace {

const TQoBBCDumpSize* SizeOf(const TQoLoadSource& source, const TQoBBCMicroFormat& format) {
  for (const TQoBBCDumpSize& size : format.Sizes) {
    if (size.Size != 0 && static_cast<std::size_t>(source.Size) == size.Size) return &size;
  }
  return nullptr;
}

}  // namespace

uint8_t TQoBBCMicroScreenEngine::Detect(TQoLoadSource& source, const TQoBBCMicroFormat& format) {
  const TQoBBCDumpSize* size = SizeOf(source, format);
  if (!size) return 0;
  if (size->PaletteBytes) {
    for (std::size_t i = 0; i < 4; ++i) {
      if (source.Bytes().U8(i) > 7) return 0;
    }
  }
  return QoDetect(source, {.Size = size->Size, .Extensions = size->Extensions});
}

TQoBBCMicroScreenEngine::TQoBBCMicroScreenEngine(TQoLoadSource& source,
                                                 const TQoBBCMicroFormat& format)
    : TQoBBCMicroEngine(source, format.ClassName), format_(format), size_(SizeOf(source, format)) {
  DefaultExtension = std::string(format.Sizes[0].Extensions.First());
  SetMode(format.Mode, format.Columns, format.Bits, format.Bits == 4 ? 3 : format.Bits);
}

std::unique_ptr<TQoBitmap> TQoBBCMicroScreenEngine::Decode() {
  if (!size_) qo::RaiseInternalError();
  const TQoByteView data = Bytes();
  switch (format_.Bits) {
    case 1:
      SetMonoPalette(false);
      break;
    case 2:
      SetFourColors(size_->PaletteBytes ? data.Ptr(0, 4) : nullptr);
      break;
    default:
      SetEightColors();
      break;
  }
  return DecodeScreen(data, size_->ScreenAt, format_.Columns, format_.Bits, 7);
}

// NuLA pictures.

uint8_t TQoBBCMicro2NulaEngine::Detect(TQoLoadSource& source) {
  if (!TQoBBCNulaHeader::Check(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".bbc"});
}

TQoBBCMicro2NulaEngine::TQoBBCMicro2NulaEngine(TQoLoadSource& source)
    : TQoBBCMicroEngine(source, ClassName) {
  if (!TQoBBCNulaHeader::Check(Bytes())) qo::RaiseInternalError();
  DefaultExtension = ".bbc";
  SetMode(2, 80, 4, 4);
  Description = " NuLA Mode 2 image";
}

std::unique_ptr<TQoBitmap> TQoBBCMicro2NulaEngine::Decode() {
  TQoBBCNulaHeader::ReadPalette(Bytes(), *Palette);
  return DecodeScreen(Bytes(), TQoBBCNulaHeader::kSize, 80, 4, 15);
}

// LdPic pictures.

uint8_t TQoBBCMicroLdPicEngine::Detect(TQoLoadSource& source) {
  TQoBBCLdPicHeader header;
  if (!header.Read(source.Bytes())) return 0;
  const bool own = source.Extension == ".bbg";
  const TQoBBCLdPicEnd end = QoUnpackLdPic(source.Bytes(), header, nullptr);
  const std::size_t unread = source.Bytes().Size() - TQoBBCLdPicHeader::kSize;
  bool accepted = false;
  if (end.Finished) {
    accepted = own || end.BytesRead == unread;
  } else if (end.RanOut) {
    // A stream that stops short still fills whole lines of the first column.
    accepted = end.Position % (header.Mode <= 1 ? 80 : 40) == 0;
  }
  if (!accepted) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".bbg"});
}

TQoBBCMicroLdPicEngine::TQoBBCMicroLdPicEngine(TQoLoadSource& source)
    : TQoBBCMicroEngine(source, ClassName) {
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  ModeName = "LdPic";
  DefaultExtension = ".bbg";
  const TLdPicMode mode = LdPicMode(Header.Mode);
  SetMode(Header.Mode, mode.Columns, mode.Bits, mode.Depth);
}

std::unique_ptr<TQoBitmap> TQoBBCMicroLdPicEngine::Decode() {
  const TLdPicMode mode = LdPicMode(Header.Mode);
  Palette->Clear();
  for (int i = 0; i < (1 << mode.Depth); ++i) Palette->Add(QoBBCColor(Header.Colors[i]));
  if (Screen.empty()) {
    Screen.assign(Header.ScreenSize(), 0);
    QoUnpackLdPic(Bytes(), Header, Screen.data());
  }
  return DecodeScreen(TQoByteView(Screen.data(), Screen.size()), 0, mode.Columns, mode.Bits, 7);
}

void RegisterBBCMicroEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoBBCMicro0Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBBCMicro1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBBCMicro2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBBCMicro2NulaEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBBCMicro4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBBCMicro5Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBBCMicro8Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoBBCMicroLdPicEngine>());
}
