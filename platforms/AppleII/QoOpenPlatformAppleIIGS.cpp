// The IIgs super hi-res pictures and MacPaint pictures of the Apple module.

#include <string_view>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"
#include "engine/QoStreamReaders.h"
#include "platforms/AppleII/QoOpenPlatformAppleII.h"

namespace {

constexpr std::size_t kScanLineControl = 32000;
constexpr std::size_t kScreenPalettes = 32256;
constexpr std::size_t kPackedRowPalettes = 4;
constexpr std::size_t kPackedPixels = 6404;
constexpr std::string_view kPackedSignature("\xC1\xD0\xD0\x00", 4);
constexpr std::size_t kStoredSize = 38400;
constexpr std::size_t kPaintworksData = 546;
constexpr int kPaintworksRows = 396;
constexpr std::size_t kPaintworksSize = kPaintworksRows * kQoAppleIIGSRowBytes;
constexpr int kMacWidth = 576;
constexpr int kMacHeight = 720;
constexpr std::size_t kMacRowBytes = kMacWidth / 8;
constexpr std::size_t kMacPixelBytes = kMacRowBytes * kMacHeight;

// The palette entries of the four pixels of a 640-mode byte, left to right.
constexpr uint8_t k640Bases[4] = {8, 12, 0, 4};

// The 16 colours of the palette block at offset.
void BlockColors(TQoByteView bytes, std::size_t offset, bool reversed, uint32_t* colors) {
  for (int i = 0; i < 16; ++i) colors[i] = QoAppleIIGSBlockColor(bytes, offset, i, reversed);
}

}  // namespace

TQoAppleIIGSEngine::TLines::TLines(int32_t width, int32_t height)
    : Width(width),
      Height(height),
      Values(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
      Counts(static_cast<std::size_t>(height)) {}

TQoAppleIIGSEngine::TQoAppleIIGSEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Apple IIGS";
  Width = 320;
  Height = kQoAppleIIGSRows;
  ColorDepth = 4;
  AspectIndex = kQoAspect5to6;
  AspectMask |= QoAspectBit(kQoAspect5to6);
}

void TQoAppleIIGSEngine::Fill320(TLines& lines, const uint8_t* pixels, std::size_t available) {
  const std::size_t rowBytes = static_cast<std::size_t>(lines.Width + 1) / 2;
  for (int y = 0; y < lines.Height; ++y) {
    const std::size_t start = static_cast<std::size_t>(y) * rowBytes;
    if (start >= available) break;
    const std::size_t bytes = std::min(rowBytes, available - start);
    uint8_t* row = lines.Row(y);
    int32_t count = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
      const uint8_t b = pixels[start + i];
      if (count < lines.Width) row[count++] = b >> 4;
      if (count < lines.Width) row[count++] = b & 15u;
    }
    lines.Counts[static_cast<std::size_t>(y)] = count;
  }
}

std::unique_ptr<TQoBitmap> TQoAppleIIGSEngine::DecodeMultiPalette(const TLines& lines,
                                                                  const TRowPalette& rowPalette,
                                                                  bool sort) {
  uint32_t colors[16];
  Palette->Clear();
  try {
    for (int y = 0; y < lines.Height; ++y) {
      if (!rowPalette(y, colors)) continue;
      for (uint32_t color : colors) Palette->AddUnique(color);
    }
  } catch (const ETooManyColors&) {
    Palette->Clear();
  }
  EnsureSourcePalette();

  std::vector<uint32_t> values(static_cast<std::size_t>(lines.Width));
  const int count = Palette->GetCount();
  if (count == 0) {
    auto bmp = std::make_unique<TQoBitmap24>(lines.Width, lines.Height);
    for (int y = 0; y < lines.Height; ++y) {
      const int32_t n = lines.Counts[static_cast<std::size_t>(y)];
      if (n == 0 || !rowPalette(y, colors)) continue;
      SourcePalette->Clear();
      for (uint32_t color : colors) SourcePalette->Add(color);
      const uint8_t* row = lines.Values.data() + static_cast<std::size_t>(y) * lines.Width;
      for (int32_t x = 0; x < n; ++x) values[static_cast<std::size_t>(x)] = colors[row[x] & 15u];
      bmp->SetRow(y, values.data(), n);
    }
    return bmp;
  }

  if (sort) Palette->SortByLuminance(0);
  std::unique_ptr<TQoBitmap> bmp;
  if (count < 2) {
    bmp = std::make_unique<TQoBitmap1>(lines.Width, lines.Height, Palette.get());
  } else if (count <= 16) {
    bmp = std::make_unique<TQoBitmap4>(lines.Width, lines.Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap8>(lines.Width, lines.Height, Palette.get());
  }
  uint32_t lookup[16];
  for (int y = 0; y < lines.Height; ++y) {
    const int32_t n = lines.Counts[static_cast<std::size_t>(y)];
    if (n == 0 || !rowPalette(y, colors)) continue;
    for (int i = 0; i < 16; ++i) lookup[i] = static_cast<uint32_t>(Palette->IndexOf(colors[i]));
    const uint8_t* row = lines.Values.data() + static_cast<std::size_t>(y) * lines.Width;
    for (int32_t x = 0; x < n; ++x) values[static_cast<std::size_t>(x)] = lookup[row[x] & 15u];
    bmp->SetRow(y, values.data(), n);
  }
  return bmp;
}

// Screen dump. A stored dump is exactly the 32 KiB of screen memory; a packed one must
// unpack to exactly that.

uint8_t TQoAppleIIGS3200Engine::Detect(TQoLoadSource& source) {
  const TQoExtensions extensions(".shr .3200");
  if (source.Size == static_cast<int32_t>(kQoAppleIIGSScreenSize)) {
    return QoDetect(source, {.Size = kQoAppleIIGSScreenSize, .Extensions = extensions});
  }
  if (!QoPackBytesUnpacksTo(source.Bytes(), kQoAppleIIGSScreenSize)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = extensions});
}

TQoAppleIIGS3200Engine::TQoAppleIIGS3200Engine(TQoLoadSource& source)
    : TQoAppleIIGSEngine(source, ClassName) {
  DefaultExtension = ".3200";
  Description = " multipalette image";
  const TQoByteView bytes = Bytes();
  available_ = kQoAppleIIGSScreenSize;
  if (bytes.Size() != kQoAppleIIGSScreenSize) {
    unpacked_.assign(kQoAppleIIGSScreenSize, 0);
    available_ = QoUnpackPackBytes(bytes, unpacked_.data(), unpacked_.size());
  }
  const TQoByteView screen = Screen();
  int rows640 = 0;
  for (int y = 0; y < kQoAppleIIGSRows; ++y) {
    if (screen.U8(kScanLineControl + static_cast<std::size_t>(y)) & 0x80) ++rows640;
  }
  if (rows640 > 0) {
    Width = 640;
    ColorDepth = rows640 == kQoAppleIIGSRows ? 2 : 4;
    AspectIndex = kQoAspect5to12;
    AspectMask = QoAspectBit(kQoAspect5to12) | QoAspectBit(kQoAspect1to2);
  }
}

TQoByteView TQoAppleIIGS3200Engine::Screen() const {
  if (unpacked_.empty()) return Bytes().Sub(0, kQoAppleIIGSScreenSize);
  return TQoByteView(unpacked_.data(), unpacked_.size());
}

std::unique_ptr<TQoBitmap> TQoAppleIIGS3200Engine::Decode() {
  const TQoByteView screen = Screen();
  const std::size_t available = std::min(available_, kQoAppleIIGSPixelBytes);
  TLines lines(Width, Height);
  if (Width == 320) {
    Fill320(lines, screen.Ptr(0, kQoAppleIIGSPixelBytes), available);
  } else {
    for (int y = 0; y < Height; ++y) {
      const std::size_t start = static_cast<std::size_t>(y) * kQoAppleIIGSRowBytes;
      if (start >= available) break;
      const std::size_t bytes = std::min<std::size_t>(kQoAppleIIGSRowBytes, available - start);
      const bool mode640 = screen.U8(kScanLineControl + static_cast<std::size_t>(y)) & 0x80;
      uint8_t* row = lines.Row(y);
      int32_t n = 0;
      for (std::size_t i = 0; i < bytes; ++i) {
        const uint8_t b = screen.U8(start + i);
        for (int k = 0; k < 4; ++k) {
          row[n++] = mode640 ? static_cast<uint8_t>(k640Bases[k] + ((b >> (6 - 2 * k)) & 3u))
                             : static_cast<uint8_t>(k < 2 ? b >> 4 : b & 15u);
        }
      }
      lines.Counts[static_cast<std::size_t>(y)] = n;
    }
  }
  return DecodeMultiPalette(lines, [&](int y, uint32_t* colors) {
    const unsigned block = screen.U8(kScanLineControl + static_cast<std::size_t>(y)) & 15u;
    BlockColors(screen, kScreenPalettes + 32u * block, false, colors);
    return true;
  });
}

// 3200 colours, packed.

uint8_t TQoAppleIIGS3201Engine::Detect(TQoLoadSource& source) {
  const uint8_t flags = QoDetect(
      source,
      {.MinSize = kPackedPixels + 1, .Signature = kPackedSignature, .Extensions = ".shr .3200"});
  if (flags == 0) return 0;
  if (!QoPackBytesUnpacksTo(source.Bytes().From(kPackedPixels), kQoAppleIIGSPixelBytes)) return 0;
  return flags;
}

TQoAppleIIGS3201Engine::TQoAppleIIGS3201Engine(TQoLoadSource& source)
    : TQoAppleIIGSEngine(source, ClassName) {
  DefaultExtension = ".3201";
  Description = " multipalette image";
}

std::unique_ptr<TQoBitmap> TQoAppleIIGS3201Engine::Decode() {
  const TQoByteView bytes = Bytes();
  std::vector<uint8_t> pixels(kQoAppleIIGSPixelBytes, 0);
  const std::size_t available =
      QoUnpackPackBytes(bytes.From(kPackedPixels), pixels.data(), pixels.size());
  TLines lines(Width, Height);
  Fill320(lines, pixels.data(), available);
  return DecodeMultiPalette(lines, [&](int y, uint32_t* colors) {
    BlockColors(bytes, kPackedRowPalettes + 32u * static_cast<std::size_t>(y), true, colors);
    return true;
  });
}

// 3200 colours, stored.

uint8_t TQoAppleIIGSSh3Engine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kStoredSize, .Extensions = ".sh3"});
}

TQoAppleIIGSSh3Engine::TQoAppleIIGSSh3Engine(TQoLoadSource& source)
    : TQoAppleIIGSEngine(source, ClassName) {
  DefaultExtension = ".sh3";
  Description = " multipalette image";
}

std::unique_ptr<TQoBitmap> TQoAppleIIGSSh3Engine::Decode() {
  const TQoByteView bytes = Bytes();
  TLines lines(Width, Height);
  Fill320(lines, bytes.Ptr(0, kQoAppleIIGSPixelBytes), kQoAppleIIGSPixelBytes);
  return DecodeMultiPalette(lines, [&](int y, uint32_t* colors) {
    BlockColors(bytes, kQoAppleIIGSPixelBytes + 32u * static_cast<std::size_t>(y), true, colors);
    return true;
  });
}

// Paintworks: a palette, then twice the screen's rows packed.

uint8_t TQoAppleIIGSPntEngine::Detect(TQoLoadSource& source) {
  const uint8_t flags = QoDetect(source, {.MinSize = kPaintworksData + 1, .Extensions = ".pnt"});
  if (flags == 0) return 0;
  if (!QoPackBytesUnpacksTo(source.Bytes().From(kPaintworksData), kPaintworksSize)) return 0;
  return flags | kQoDetectSignature;
}

TQoAppleIIGSPntEngine::TQoAppleIIGSPntEngine(TQoLoadSource& source)
    : TQoAppleIIGSEngine(source, ClassName) {
  DefaultExtension = ".pnt";
  ModeName = "Paintworks";
  Height = kPaintworksRows;
}

std::unique_ptr<TQoBitmap> TQoAppleIIGSPntEngine::Decode() {
  const TQoByteView bytes = Bytes();
  Palette->Clear();
  for (int i = 0; i < 16; ++i) Palette->Add(QoAppleIIGSBlockColor(bytes, 0, i));
  std::vector<uint8_t> pixels(kPaintworksSize, 0);
  QoUnpackPackBytes(bytes.From(kPaintworksData), pixels.data(), pixels.size());
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * kQoAppleIIGSRowBytes;
    for (int x = 0; x < Width; ++x) {
      const uint8_t b = row[x / 2];
      values[static_cast<std::size_t>(x)] = (x & 1) ? (b & 15u) : (b >> 4);
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// Apple Preferred Format.

uint8_t TQoAppleIIGSAPFEngine::Detect(TQoLoadSource& source) {
  TQoAppleIIGSAPFInfo info;
  if (!QoParseAppleIIGSAPF(source.Bytes(), info)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".shr .32k .gs"});
}

TQoAppleIIGSAPFEngine::TQoAppleIIGSAPFEngine(TQoLoadSource& source)
    : TQoAppleIIGSEngine(source, ClassName) {
  if (!QoParseAppleIIGSAPF(Bytes(), Info)) qo::RaiseInternalError();
  Width = Info.PixelsPerLine;
  Height = Info.LineCount;
  if (Info.Mode640()) {
    ColorDepth = 2;
    AspectIndex = kQoAspect5to12;
    AspectMask = QoAspectBit(kQoAspect5to12) | QoAspectBit(kQoAspect1to2);
  }
  InfoTitle = Info.Note;
  Description = Info.MultiPalette() ? " APF multipalette image" : " APF image";
  DefaultExtension = Info.MultiPalette() ? ".32k" : ".shr";
}

std::unique_ptr<TQoBitmap> TQoAppleIIGSAPFEngine::Decode() {
  const TQoByteView bytes = Bytes();
  const bool mode640 = Info.Mode640();
  const unsigned masterBits = Info.MasterMode & 0xF0u;
  const std::size_t lineBytes =
      mode640 ? (Info.PixelsPerLine + 3u) / 4 : (Info.PixelsPerLine + 1u) / 2;
  const TQoByteView packed = bytes.Sub(Info.PackedLines, static_cast<std::size_t>(Info.PackedSize));
  auto lineMode = [&](int y) {
    return bytes.LE16(Info.Directory + 4u * static_cast<std::size_t>(y) + 2);
  };

  TLines lines(Width, Height);
  std::vector<uint8_t> line(lineBytes);
  std::size_t offset = 0;
  for (int y = 0; y < Height; ++y) {
    const std::size_t count = bytes.LE16(Info.Directory + 4u * static_cast<std::size_t>(y));
    if (!Info.MultiPalette()) {
      const unsigned mode = lineMode(y);
      if ((mode & 0xF0u) != masterBits || (mode & 15u) >= Info.TableCount) break;
    }
    // A line that claims bytes beyond the MAIN block ends the picture there.
    if (count > packed.Size() - offset) break;
    const std::size_t produced =
        QoUnpackPackBytes(packed.Sub(offset, count), line.data(), line.size());
    offset += count;
    uint8_t* row = lines.Row(y);
    int32_t n = 0;
    if (mode640) {
      for (std::size_t i = 0; i < produced; ++i) {
        for (int k = 0; k < 4 && n < Width; ++k) {
          row[n++] = static_cast<uint8_t>(k640Bases[k] + ((line[i] >> (6 - 2 * k)) & 3u));
        }
      }
    } else {
      for (std::size_t i = 0; i < produced; ++i) {
        if (n < Width) row[n++] = line[i] >> 4;
        if (n < Width) row[n++] = line[i] & 15u;
      }
    }
    lines.Counts[static_cast<std::size_t>(y)] = n;
    if (produced < line.size()) break;
  }

  // One colour table in 320 mode keeps the order the file gives its colours in.
  const bool sort = mode640 || Info.TableCount != 1;
  return DecodeMultiPalette(
      lines,
      [&](int y, uint32_t* colors) {
        if (Info.MultiPalette()) {
          BlockColors(bytes, Info.LinePalettes + 32u * static_cast<std::size_t>(y), false, colors);
          return true;
        }
        const unsigned table = lineMode(y) & 15u;
        if (table >= Info.TableCount) return false;
        BlockColors(bytes, Info.Tables + 32u * table, false, colors);
        return true;
      },
      sort);
}

// MacPaint.

uint8_t TQoAppleIIMacEngine::Detect(TQoLoadSource& source) {
  TQoMacPaintLayout layout;
  const TQoByteView bytes = source.Bytes();
  if (!QoParseMacPaint(bytes, layout)) return 0;
  PackBitsReader reader(bytes, layout.DataStart);
  uint8_t value = 0;
  for (std::size_t i = 0; i < kMacPixelBytes; ++i) {
    if (!reader.ReadByte(value)) return 0;
  }
  if (reader.LiteralCount != 0 || reader.RepeatCount != 0) return 0;
  return QoDetect(source, {.Signed = layout.Header, .Extensions = ".mac .pic"});
}

TQoAppleIIMacEngine::TQoAppleIIMacEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  if (!QoParseMacPaint(Bytes(), layout_)) qo::RaiseInternalError();
  PlatformName = "Apple Macintosh";
  ModeName = "MacPaint";
  DefaultExtension = ".mac";
  Width = kMacWidth;
  Height = kMacHeight;
  ColorDepth = 1;
}

std::unique_ptr<TQoBitmap> TQoAppleIIMacEngine::Decode() {
  SetMonoPalette(true);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  PackBitsReader reader(Bytes(), layout_.DataStart);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    int32_t n = 0;
    uint8_t b = 0;
    while (n < Width && reader.ReadByte(b)) {
      for (int bit = 7; bit >= 0; --bit) values[static_cast<std::size_t>(n++)] = (b >> bit) & 1u;
    }
    if (n > 0) bmp->SetRow(y, values.data(), n);
    if (n < Width) break;
  }
  return bmp;
}
