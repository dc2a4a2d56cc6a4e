#include "platforms/AppleII/QoOpenPlatformAppleII.h"

#include "color/QoAspect.h"

#include <vector>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoFormatRow.h"

namespace {

constexpr std::size_t kLoResSize = 960;
constexpr std::size_t kDoubleLoResSize = 2 * kLoResSize;
constexpr std::size_t kDoubleHiResSize = 2 * kQoAppleIIHiResSize;
constexpr int kLoResRows = 24;
constexpr int kLoResColumns = 40;
constexpr int kDoubleGroups = 20;

// Whole pages as BSAVE and disc tools write them. Text page 1 or 2 for low resolution
// (the double screen is the auxiliary page, then the main page), hi-res page 1 or 2, and
// both banks of double hi-res (auxiliary first).
constexpr TQoAppleIIPageRule kLoResPage{1024, 1016, 0x0400, 0x0800};
constexpr TQoAppleIIPageRule kDoubleLoResPage{2048, 1024 + 1016, 0, 0};
constexpr TQoAppleIIPageRule kHiResPage{kQoAppleIIHiResSize, 8184, 0x2000, 0x4000};
constexpr TQoAppleIIPageRule kDoubleHiResPage{kDoubleHiResSize, kQoAppleIIHiResSize + 8184, 0, 0};

// The screen memory of a file: an exact dump as it is, otherwise a page as it is found;
// empty when the file is neither.
std::vector<uint8_t> ScreenOf(const TQoLoadSource& source, std::size_t exactSize,
                              const TQoAppleIIPageRule& page) {
  const TQoByteView bytes = source.Bytes();
  if (bytes.Size() == exactSize)
    return std::vector<uint8_t>(bytes.Data(), bytes.Data() + exactSize);
  return QoAppleIIPageBytes(bytes, page);
}

// The exact size answers as the format always did; a page is only taken under one of
// the format's own extensions, and rates below an exact dump.
uint8_t DetectScreen(const TQoLoadSource& source, std::size_t exactSize,
                     const TQoAppleIIPageRule& page, TQoExtensions extensions,
                     TQoExtensions pageExtensions) {
  if (static_cast<std::size_t>(source.Size) == exactSize) {
    return QoDetect(source, {.Size = exactSize, .Extensions = extensions});
  }
  if (QoAppleIIPageBytes(source.Bytes(), page).empty()) return 0;
  return QoDetect(source, {.SizeFlag = false, .ExtensionOnly = true, .Extensions = pageExtensions});
}

// Raised at the end of a constructor, once the engine has described itself.
void RequireScreen(const std::vector<uint8_t>& screen) {
  if (screen.empty()) qo::RaiseInternalError();
}

TQoByteView ViewOf(const std::vector<uint8_t>& screen) {
  return TQoByteView(screen.data(), screen.size());
}

}  // namespace

TQoAppleIIColorEngine::TQoAppleIIColorEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Apple II";
  for (int i = 0; i < kQoAppleIIPaletteTypeCount; ++i) AddPaletteType(QoAppleIIPaletteType(i));
  PaletteType = ptAppleIIWikipedia;
}

void TQoAppleIIColorEngine::BuildAppleIIPalette() {
  QoSetAppleIIPalette(*Palette, PaletteType);
  PaletteColumns = 16;
}

// Low resolution: 24 rows of 40 bytes, two blocks stacked in each byte; the rows one
// after the other in a dump, in the text page's order in a whole page.

uint8_t TQoAppleIILREngine::Detect(TQoLoadSource& source) {
  return DetectScreen(source, kLoResSize, kLoResPage, ".slo", ".slo .gr");
}

TQoAppleIILREngine::TQoAppleIILREngine(TQoLoadSource& source)
    : TQoAppleIIColorEngine(source, ClassName), screen_(ScreenOf(source, kLoResSize, kLoResPage)) {
  DefaultExtension = ".slo";
  Description = " LR image";
  Width = 40;
  Height = 48;
  ColorDepth = 4;
  AspectIndex = kQoAspect8to5;
  AspectMask = QoAspectBit(kQoAspect3to2) | QoAspectBit(kQoAspect8to5);
  RequireScreen(screen_);
}

std::unique_ptr<TQoBitmap> TQoAppleIILREngine::Decode() {
  BuildAppleIIPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const bool page = screen_.size() != kLoResSize;
  std::vector<uint32_t> top(kLoResColumns);
  std::vector<uint32_t> bottom(kLoResColumns);
  for (int r = 0; r < kLoResRows; ++r) {
    const std::size_t start =
        page ? QoAppleIITextRow(r) : static_cast<std::size_t>(r * kLoResColumns);
    const uint8_t* bytes = ViewOf(screen_).Ptr(start, kLoResColumns);
    for (int x = 0; x < kLoResColumns; ++x) {
      const uint8_t v = bytes[x];
      top[static_cast<std::size_t>(x)] = v & 15u;
      bottom[static_cast<std::size_t>(x)] = v >> 4;
    }
    bmp->SetRow(2 * r, top.data(), kLoResColumns);
    bmp->SetRow(2 * r + 1, bottom.data(), kLoResColumns);
  }
  return bmp;
}

// Double low resolution: the auxiliary half's blocks come first on the screen. A dump
// holds colour numbers; whole pages hold memory, where the auxiliary page's nibbles
// reach the screen rotated left by one bit, as in double hi-res.

uint8_t TQoAppleIIDLREngine::Detect(TQoLoadSource& source) {
  return DetectScreen(source, kDoubleLoResSize, kDoubleLoResPage, ".dlo", ".dlo .dgr");
}

TQoAppleIIDLREngine::TQoAppleIIDLREngine(TQoLoadSource& source)
    : TQoAppleIIColorEngine(source, ClassName),
      screen_(ScreenOf(source, kDoubleLoResSize, kDoubleLoResPage)) {
  DefaultExtension = ".dlo";
  Description = " DLR image";
  Width = 80;
  Height = 48;
  ColorDepth = 4;
  AspectIndex = kQoAspect4to5;
  AspectMask |= QoAspectBit(kQoAspect4to5);
  RequireScreen(screen_);
}

std::unique_ptr<TQoBitmap> TQoAppleIIDLREngine::Decode() {
  BuildAppleIIPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView screen = ViewOf(screen_);
  const bool page = screen_.size() != kDoubleLoResSize;
  const std::size_t half = page ? kDoubleLoResPage.PageSize / 2 : kLoResSize;
  std::vector<uint32_t> top(static_cast<std::size_t>(Width));
  std::vector<uint32_t> bottom(static_cast<std::size_t>(Width));
  for (int r = 0; r < kLoResRows; ++r) {
    const std::size_t start =
        page ? QoAppleIITextRow(r) : static_cast<std::size_t>(r * kLoResColumns);
    const uint8_t* odd = screen.Ptr((page ? half : 0) + start, kLoResColumns);
    const uint8_t* even = screen.Ptr((page ? 0 : half) + start, kLoResColumns);
    for (int x = 0; x < kLoResColumns; ++x) {
      const unsigned evenTop = even[x] & 15u;
      const unsigned evenBottom = even[x] >> 4;
      top[static_cast<std::size_t>(2 * x)] = page ? QoAppleIIDoubleColor(evenTop) : evenTop;
      top[static_cast<std::size_t>(2 * x + 1)] = odd[x] & 15u;
      bottom[static_cast<std::size_t>(2 * x)] =
          page ? QoAppleIIDoubleColor(evenBottom) : evenBottom;
      bottom[static_cast<std::size_t>(2 * x + 1)] = odd[x] >> 4;
    }
    bmp->SetRow(2 * r, top.data(), Width);
    bmp->SetRow(2 * r + 1, bottom.data(), Width);
  }
  return bmp;
}

// High resolution in black and white: seven pixels a byte, bit 0 leftmost.

uint8_t TQoAppleIIHRBWEngine::Detect(TQoLoadSource& source) {
  const uint8_t flags = DetectScreen(source, kQoAppleIIHiResSize, kHiResPage, ".hgr", ".hgr");
  if (flags == 0) return 0;
  // A colour picture sets the group bit somewhere; the holes between rows do not count.
  const std::vector<uint8_t> screen = ScreenOf(source, kQoAppleIIHiResSize, kHiResPage);
  const TQoByteView bytes = ViewOf(screen);
  for (int y = 0; y < kQoAppleIIHiResRows; ++y) {
    const uint8_t* row = bytes.Ptr(QoAppleIIHiResRow(y), kQoAppleIIHiResRowBytes);
    for (int x = 0; x < kQoAppleIIHiResRowBytes; ++x) {
      if (row[x] & 0x80) return 0;
    }
  }
  return flags;
}

TQoAppleIIHRBWEngine::TQoAppleIIHRBWEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName),
      screen_(ScreenOf(source, kQoAppleIIHiResSize, kHiResPage)) {
  PlatformName = "Apple II";
  DefaultExtension = ".hgr";
  Description = " HR B/W image";
  Width = 280;
  Height = 192;
  ColorDepth = 1;
  AspectIndex = kQoAspect32to35;
  AspectMask |= QoAspectBit(kQoAspect32to35);
  RequireScreen(screen_);
}

std::unique_ptr<TQoBitmap> TQoAppleIIHRBWEngine::Decode() {
  SetMonoPalette(false);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const TQoByteView bytes = ViewOf(screen_);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = bytes.Ptr(QoAppleIIHiResRow(y), kQoAppleIIHiResRowBytes);
    for (int x = 0; x < Width; ++x) {
      values[static_cast<std::size_t>(x)] = (row[x / 7] >> (x % 7)) & 1u;
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// High resolution in artefact colours.

uint8_t TQoAppleIIHRColorEngine::Detect(TQoLoadSource& source) {
  return DetectScreen(source, kQoAppleIIHiResSize, kHiResPage, ".hgr .bin", ".hgr .bin");
}

TQoAppleIIHRColorEngine::TQoAppleIIHRColorEngine(TQoLoadSource& source)
    : TQoAppleIIColorEngine(source, ClassName),
      screen_(ScreenOf(source, kQoAppleIIHiResSize, kHiResPage)) {
  DefaultExtension = ".hgr";
  Description = " HR image";
  Width = 280;
  Height = 192;
  ColorDepth = 1;
  AspectIndex = kQoAspect32to35;
  AspectMask |= QoAspectBit(kQoAspect32to35);
  RequireScreen(screen_);
}

std::unique_ptr<TQoBitmap> TQoAppleIIHRColorEngine::Decode() {
  BuildAppleIIPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView bytes = ViewOf(screen_);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    QoAppleIIHiResColorRow(bytes.Ptr(QoAppleIIHiResRow(y), kQoAppleIIHiResRowBytes), values.data());
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// Double high resolution: two banks, seven bits of each byte, interleaved.

namespace {

// The 20 group values of row y of a double hi-res file.
void DoubleRowGroups(TQoByteView bytes, int y, uint32_t* groups) {
  const std::size_t row = QoAppleIIHiResRow(y);
  const uint8_t* first = bytes.Ptr(row, kQoAppleIIHiResRowBytes);
  const uint8_t* second = bytes.Ptr(kQoAppleIIHiResSize + row, kQoAppleIIHiResRowBytes);
  for (int k = 0; k < kDoubleGroups; ++k) groups[k] = QoAppleIIDoubleGroup(first, second, k);
}

}  // namespace

uint8_t TQoAppleIIeDHRColorEngine::Detect(TQoLoadSource& source) {
  return DetectScreen(source, kDoubleHiResSize, kDoubleHiResPage, ".a2fc .dhgr", ".a2fc .dhgr");
}

TQoAppleIIeDHRColorEngine::TQoAppleIIeDHRColorEngine(TQoLoadSource& source)
    : TQoAppleIIColorEngine(source, ClassName),
      screen_(ScreenOf(source, kDoubleHiResSize, kDoubleHiResPage)) {
  PlatformName = "Apple IIe";
  DefaultExtension = ".dhgr";
  Description = " DHR image";
  Width = 140;
  Height = 192;
  ColorDepth = 4;
  AspectIndex = kQoAspect64to35;
  AspectMask = QoAspectBit(kQoAspect64to35) | QoAspectBit(kQoAspect2to1);
  RequireScreen(screen_);
}

std::unique_ptr<TQoBitmap> TQoAppleIIeDHRColorEngine::Decode() {
  BuildAppleIIPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView bytes = ViewOf(screen_);
  uint32_t groups[kDoubleGroups];
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    DoubleRowGroups(bytes, y, groups);
    for (int k = 0; k < kDoubleGroups; ++k) {
      for (int l = 0; l < 7; ++l) {
        values[static_cast<std::size_t>(7 * k + l)] = QoAppleIIDoubleColor(groups[k] >> (4 * l));
      }
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

uint8_t TQoAppleIIeDHRBWEngine::Detect(TQoLoadSource& source) {
  return DetectScreen(source, kDoubleHiResSize, kDoubleHiResPage, ".a2fc .dhgr .dhr",
                      ".a2fc .dhgr .dhr");
}

TQoAppleIIeDHRBWEngine::TQoAppleIIeDHRBWEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName),
      screen_(ScreenOf(source, kDoubleHiResSize, kDoubleHiResPage)) {
  PlatformName = "Apple IIe";
  DefaultExtension = ".dhgr";
  Description = " DHR B/W image";
  Width = 560;
  Height = 192;
  ColorDepth = 1;
  AspectIndex = kQoAspect16to35;
  AspectMask = QoAspectBit(kQoAspect16to35) | QoAspectBit(kQoAspect1to2);
  RequireScreen(screen_);
}

std::unique_ptr<TQoBitmap> TQoAppleIIeDHRBWEngine::Decode() {
  SetMonoPalette(false);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const TQoByteView bytes = ViewOf(screen_);
  uint32_t groups[kDoubleGroups];
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    DoubleRowGroups(bytes, y, groups);
    for (int x = 0; x < Width; ++x) {
      values[static_cast<std::size_t>(x)] = (groups[x / 28] >> (x % 28)) & 1u;
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

void RegisterAppleIIEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIILREngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIDLREngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIHRBWEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIHRColorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIeDHRColorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIeDHRBWEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIGS3200Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIGS3201Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIGSSh3Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIGSPntEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIGSAPFEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAppleIIMacEngine>());
}
