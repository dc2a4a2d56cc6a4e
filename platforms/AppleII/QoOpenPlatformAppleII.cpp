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

// Low resolution: 24 rows of 40 bytes, two blocks stacked in each byte.

uint8_t TQoAppleIILREngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kLoResSize, .Extensions = ".slo"});
}

TQoAppleIILREngine::TQoAppleIILREngine(TQoLoadSource& source)
    : TQoAppleIIColorEngine(source, ClassName) {
  DefaultExtension = ".slo";
  Description = " LR image";
  Width = 40;
  Height = 48;
  ColorDepth = 4;
  AspectIndex = kQoAspect8to5;
  AspectMask = QoAspectBit(kQoAspect3to2) | QoAspectBit(kQoAspect8to5);
}

std::unique_ptr<TQoBitmap> TQoAppleIILREngine::Decode() {
  BuildAppleIIPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const uint8_t* bytes = Bytes().Ptr(0, kLoResSize);
  std::vector<uint32_t> top(kLoResColumns);
  std::vector<uint32_t> bottom(kLoResColumns);
  for (int r = 0; r < kLoResRows; ++r) {
    for (int x = 0; x < kLoResColumns; ++x) {
      const uint8_t v = bytes[r * kLoResColumns + x];
      top[static_cast<std::size_t>(x)] = v & 15u;
      bottom[static_cast<std::size_t>(x)] = v >> 4;
    }
    bmp->SetRow(2 * r, top.data(), kLoResColumns);
    bmp->SetRow(2 * r + 1, bottom.data(), kLoResColumns);
  }
  return bmp;
}

// Double low resolution: the auxiliary half's blocks come first on the screen.

uint8_t TQoAppleIIDLREngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kDoubleLoResSize, .Extensions = ".dlo"});
}

TQoAppleIIDLREngine::TQoAppleIIDLREngine(TQoLoadSource& source)
    : TQoAppleIIColorEngine(source, ClassName) {
  DefaultExtension = ".dlo";
  Description = " DLR image";
  Width = 80;
  Height = 48;
  ColorDepth = 4;
  AspectIndex = kQoAspect4to5;
  AspectMask |= QoAspectBit(kQoAspect4to5);
}

std::unique_ptr<TQoBitmap> TQoAppleIIDLREngine::Decode() {
  BuildAppleIIPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const uint8_t* first = Bytes().Ptr(0, kLoResSize);
  const uint8_t* second = Bytes().Ptr(kLoResSize, kLoResSize);
  std::vector<uint32_t> top(static_cast<std::size_t>(Width));
  std::vector<uint32_t> bottom(static_cast<std::size_t>(Width));
  for (int r = 0; r < kLoResRows; ++r) {
    for (int x = 0; x < kLoResColumns; ++x) {
      const uint8_t odd = first[r * kLoResColumns + x];
      const uint8_t even = second[r * kLoResColumns + x];
      top[static_cast<std::size_t>(2 * x)] = even & 15u;
      top[static_cast<std::size_t>(2 * x + 1)] = odd & 15u;
      bottom[static_cast<std::size_t>(2 * x)] = even >> 4;
      bottom[static_cast<std::size_t>(2 * x + 1)] = odd >> 4;
    }
    bmp->SetRow(2 * r, top.data(), Width);
    bmp->SetRow(2 * r + 1, bottom.data(), Width);
  }
  return bmp;
}

// High resolution in black and white: seven pixels a byte, bit 0 leftmost.

uint8_t TQoAppleIIHRBWEngine::Detect(TQoLoadSource& source) {
  const uint8_t flags = QoDetect(source, {.Size = kQoAppleIIHiResSize, .Extensions = ".hgr"});
  if (flags == 0) return 0;
  // A colour picture sets the group bit somewhere; the holes between rows do not count.
  const TQoByteView bytes = source.Bytes();
  for (int y = 0; y < kQoAppleIIHiResRows; ++y) {
    const uint8_t* row = bytes.Ptr(QoAppleIIHiResRow(y), kQoAppleIIHiResRowBytes);
    for (int x = 0; x < kQoAppleIIHiResRowBytes; ++x) {
      if (row[x] & 0x80) return 0;
    }
  }
  return flags;
}

TQoAppleIIHRBWEngine::TQoAppleIIHRBWEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  PlatformName = "Apple II";
  DefaultExtension = ".hgr";
  Description = " HR B/W image";
  Width = 280;
  Height = 192;
  ColorDepth = 1;
  AspectIndex = kQoAspect32to35;
  AspectMask |= QoAspectBit(kQoAspect32to35);
}

std::unique_ptr<TQoBitmap> TQoAppleIIHRBWEngine::Decode() {
  SetMonoPalette(false);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
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
  return QoDetect(source, {.Size = kQoAppleIIHiResSize, .Extensions = ".hgr .bin"});
}

TQoAppleIIHRColorEngine::TQoAppleIIHRColorEngine(TQoLoadSource& source)
    : TQoAppleIIColorEngine(source, ClassName) {
  DefaultExtension = ".hgr";
  Description = " HR image";
  Width = 280;
  Height = 192;
  ColorDepth = 1;
  AspectIndex = kQoAspect32to35;
  AspectMask |= QoAspectBit(kQoAspect32to35);
}

std::unique_ptr<TQoBitmap> TQoAppleIIHRColorEngine::Decode() {
  BuildAppleIIPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
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
  return QoDetect(source, {.Size = kDoubleHiResSize, .Extensions = ".a2fc .dhgr"});
}

TQoAppleIIeDHRColorEngine::TQoAppleIIeDHRColorEngine(TQoLoadSource& source)
    : TQoAppleIIColorEngine(source, ClassName) {
  PlatformName = "Apple IIe";
  DefaultExtension = ".dhgr";
  Description = " DHR image";
  Width = 140;
  Height = 192;
  ColorDepth = 4;
  AspectIndex = kQoAspect64to35;
  AspectMask = QoAspectBit(kQoAspect64to35) | QoAspectBit(kQoAspect2to1);
}

std::unique_ptr<TQoBitmap> TQoAppleIIeDHRColorEngine::Decode() {
  BuildAppleIIPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
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
  return QoDetect(source, {.Size = kDoubleHiResSize, .Extensions = ".a2fc .dhgr .dhr"});
}

TQoAppleIIeDHRBWEngine::TQoAppleIIeDHRBWEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  PlatformName = "Apple IIe";
  DefaultExtension = ".dhgr";
  Description = " DHR B/W image";
  Width = 560;
  Height = 192;
  ColorDepth = 1;
  AspectIndex = kQoAspect16to35;
  AspectMask = QoAspectBit(kQoAspect16to35) | QoAspectBit(kQoAspect1to2);
}

std::unique_ptr<TQoBitmap> TQoAppleIIeDHRBWEngine::Decode() {
  SetMonoPalette(false);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
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
