#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumMulticolor.h"
#include "color/QoAspect.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

constexpr const char* kMulticolorDescription = " multicolor image";

// The offset of pixel line y, column byte c of a screen at base: interleaved as the
// machine shows it, or line after line.
std::size_t PixelAt(std::size_t base, int y, int c, bool linear = false) {
  return base + (linear ? static_cast<std::size_t>(32 * y + c) : QoZxPixelOffset(y, c));
}

// The offset of the attribute for pixel line y, column c in a table of rows of 32 bytes,
// one row per `lines` pixel lines.
std::size_t AttributeAt(std::size_t table, int y, int c, int lines) {
  return table + static_cast<std::size_t>(32 * (y / lines) + c);
}

}  // namespace

// Multicolour screens.

uint8_t TQoZxSpectrumMulticolorEngine::Detect(TQoLoadSource& source,
                                              const TQoZxMulticolorFormat& format) {
  return QoDetect(source, {.Size = format.Size, .Extensions = format.Extensions});
}

TQoZxSpectrumMulticolorEngine::TQoZxSpectrumMulticolorEngine(TQoLoadSource& source,
                                                             const TQoZxMulticolorFormat& format)
    : TQoZxSpectrumPalettedEngine(source, format.ClassName), format_(format) {
  DefaultExtension = std::string(format.Extensions.First());
  Description = kMulticolorDescription;
  Width = 256;
  Height = 192;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumMulticolorEngine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
  for (int y = 0; y < Height; ++y) {
    for (int c = 0; c < 32; ++c) {
      const TQoZxCellColors colors = StandardColors(
          bytes.U8(AttributeAt(kZxScreenPixelBytes, y, c, format_.LinesPerAttributeRow)));
      PlotMono8(*bmp, bytes.U8(PixelAt(0, y, c, format_.LinearPixels)), colors.Paper, colors.Ink, c,
                y);
    }
  }
  return bmp;
}

uint8_t TQoZxSpectrumAttributeMulticolorEngine::Detect(TQoLoadSource& source,
                                                       const TQoZxAttributeFormat& format) {
  return QoDetect(source, {.Size = format.Size, .Extensions = format.Extensions});
}

TQoZxSpectrumAttributeMulticolorEngine::TQoZxSpectrumAttributeMulticolorEngine(
    TQoLoadSource& source, const TQoZxAttributeFormat& format)
    : TQoZxSpectrumPalettedEngine(source, format.ClassName) {
  DefaultExtension = std::string(format.Extensions.First());
  Description = kMulticolorDescription;
  Width = 64;
  Height = static_cast<int32_t>(format.Size / 32);
  ColorDepth = 4;
  AspectIndex = format.AspectIndex;
  AspectMask |= QoAspectBit(format.AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumAttributeMulticolorEngine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const uint8_t* cells = Bytes().Ptr(0, static_cast<std::size_t>(32 * Height));
  std::array<uint32_t, 64> row;
  for (int y = 0; y < Height; ++y) {
    for (int c = 0; c < 32; ++c) {
      const TQoZxCellColors colors = StandardColors(cells[32 * y + c]);
      row[static_cast<std::size_t>(2 * c)] = colors.Paper;
      row[static_cast<std::size_t>(2 * c + 1)] = colors.Ink;
    }
    bmp->SetRow(y, row.data(), 64);
  }
  return bmp;
}

// BMC4: pixels, attributes for the top and the bottom half of every character row, and
// the border.

namespace {

constexpr int32_t kBmc4Bytes = 11904;
constexpr std::size_t kBmc4LowerAttributes = kZxScreenBytes;
constexpr std::size_t kBmc4Border = 7680;

}  // namespace

uint8_t TQoZxSpectrumBmc4Engine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kBmc4Bytes, .Extensions = ".bmc4"});
}

TQoZxSpectrumBmc4Engine::TQoZxSpectrumBmc4Engine(TQoLoadSource& source)
    : TQoZxSpectrumPalettedEngine(source, ClassName) {
  DefaultExtension = ".bmc4";
  Width = 384;
  Height = 304;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumBmc4Engine::Decode() {
  SetZxPalette16(*Palette, PaletteType);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
  for (int y = 0; y < 192; ++y) {
    const std::size_t table = (y & 7) < 4 ? kZxScreenPixelBytes : kBmc4LowerAttributes;
    for (int c = 0; c < 32; ++c) {
      const TQoZxCellColors colors = StandardColors(bytes.U8(AttributeAt(table, y, c, 8)));
      PlotMono8(*bmp, bytes.U8(PixelAt(0, y, c)), colors.Paper, colors.Ink, 8 + c, 64 + y);
    }
  }
  DrawZxBorder(*bmp, bytes.Sub(kBmc4Border, kZxBorderBytes));
  return bmp;
}

// Gigascreen.

TQoBaseZxSpectrumGigaEngine::TQoBaseZxSpectrumGigaEngine(TQoLoadSource& source,
                                                         const char* className)
    : TQoZxSpectrumEngine(source, className) {
  PaletteType = SetDefaultSpectrumPaletteTypes();
  CalcModes = 3;
  CalcMode = 0;
  FrameCount = 2;
  Width = 256;
  Height = 192;
  ColorDepth = 8;
}

void TQoBaseZxSpectrumGigaEngine::BuildGigaPalette() {
  EnsureSourcePalette();
  QoBuildZxGigaPalette(*Palette, *SourcePalette, PaletteType, CalcMode);
  PaletteColumns = 16;
}

std::unique_ptr<TQoBitmap> TQoBaseZxSpectrumGigaEngine::NewGigaPicture(TQoBitmap*& frame1,
                                                                       TQoBitmap*& frame2) {
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  frame1 = bmp->AddFrame(SourcePalette.get());
  frame2 = bmp->AddFrame(SourcePalette.get());
  return bmp;
}

namespace {

constexpr int32_t kGigaBytes = 2 * kZxScreenBytes;

}  // namespace

uint8_t TQoZxSpectrumGigaEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kGigaBytes, .Extensions = ".img"});
}

TQoZxSpectrumGigaEngine::TQoZxSpectrumGigaEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumGigaEngine(source, ClassName) {
  DefaultExtension = ".img";
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumGigaEngine::Decode() {
  BuildGigaPalette();
  TQoBitmap *frame1 = nullptr, *frame2 = nullptr;
  auto bmp = NewGigaPicture(frame1, frame2);
  const TQoByteView bytes = Bytes();
  DrawGigaCells(
      *bmp, frame1, frame2, 32, 192,
      [&](int s, int y, int c) { return bytes.U8(PixelAt(s * kZxScreenBytes, y, c)); },
      [&](int s, int y, int c) {
        return bytes.U8(AttributeAt(s * kZxScreenBytes + kZxScreenPixelBytes, y, c, 8));
      });
  return bmp;
}

// BSP: a 70-byte header, the screens and the border data.

namespace {

constexpr std::size_t kBspHeader = 70;
constexpr uint8_t kBspTwoScreens = 0x80;
constexpr uint8_t kBspBorderData = 0x40;
constexpr int kBspWidth = 384;
constexpr int kBspHeight = 304;

std::string TrimmedText(TQoByteView bytes, std::size_t offset, std::size_t length) {
  const uint8_t* p = bytes.Ptr(offset, length);
  std::string text(reinterpret_cast<const char*>(p), length);
  const std::size_t first = text.find_first_not_of(" \0", 0, 2);
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(" \0", std::string::npos, 2);
  return text.substr(first, last - first + 1);
}

// The border colours of a 384 x 304 picture (one byte a pixel; the screen's own area is
// not touched) from a run-length stream laid along the rows: each byte gives colour
// (bits 0-2) and count n (bits 3-7) in units of two pixels: n = 0 to the end of the
// current stretch of border (the end of the row, or beside the screen its left edge),
// 1 the next byte, 2 twelve, otherwise n + 13. Runs go on across stretches; where the
// stream ends the border stays as it was.
void DrawBspBorder(std::vector<uint8_t>& border, TQoByteView stream) {
  TQoByteCursor cursor(stream);
  int y = 0;
  int x = 0;
  // The end of the stretch holding (x, y).
  auto stretchEnd = [&]() { return (y >= 64 && y < 256 && x < 64) ? 64 : kBspWidth; };
  auto advance = [&]() {
    if (x == 64 && y >= 64 && y < 256) x = 320;
    if (x == kBspWidth) {
      x = 0;
      ++y;
    }
  };
  uint8_t code = 0;
  while (y < kBspHeight && cursor.ReadByte(code)) {
    const uint8_t color = code & 7;
    const int n = code >> 3;
    int pixels = 0;
    if (n == 0) {
      pixels = stretchEnd() - x;
    } else if (n == 1) {
      uint8_t count = 0;
      if (!cursor.ReadByte(count)) break;
      pixels = 2 * count;
    } else {
      pixels = 2 * (n == 2 ? 12 : n + 13);
    }
    while (pixels > 0 && y < kBspHeight) {
      const int take = std::min(pixels, stretchEnd() - x);
      std::fill_n(border.begin() + y * kBspWidth + x, take, color);
      x += take;
      pixels -= take;
      advance();
    }
  }
}

}  // namespace

bool TQoZxBspLayout::Parse(TQoByteView bytes) {
  if (bytes.Size() < kBspHeader || !bytes.Matches(0, "bsp")) return false;
  const uint8_t flags = bytes.U8(3);
  if ((flags & ~(kBspTwoScreens | kBspBorderData)) != 0) return false;
  TwoScreens = (flags & kBspTwoScreens) != 0;
  const bool borderData = (flags & kBspBorderData) != 0;
  Screens = TwoScreens && borderData ? kBspHeader + 2 : kBspHeader;
  const std::size_t end = Screens + (TwoScreens ? 2 : 1) * static_cast<std::size_t>(kZxScreenBytes);
  if (bytes.Size() < end) return false;
  BorderColor[0] = bytes.U8(5) & 7;
  BorderColor[1] = (bytes.U8(5) >> 3) & 7;
  if (!borderData) return true;
  BorderStart[0] = end;
  BorderEnd[0] = bytes.Size();
  if (TwoScreens) {
    // An offset outside the border data leaves the second screen its plain border.
    const std::size_t second = bytes.LE16(kBspHeader);
    if (second < end || second > bytes.Size()) return true;
    BorderEnd[0] = second;
    BorderStart[1] = second;
    BorderEnd[1] = bytes.Size();
  }
  return true;
}

uint8_t TQoZxSpectrumBspEngine::Detect(TQoLoadSource& source) {
  TQoZxBspLayout layout;
  if (!layout.Parse(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".bsp"});
}

TQoZxSpectrumBspEngine::TQoZxSpectrumBspEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumGigaEngine(source, ClassName) {
  DefaultExtension = ".bsp";
  Width = kBspWidth;
  Height = kBspHeight;
  if (!layout_.Parse(Bytes())) qo::RaiseInternalError();
  if (!layout_.TwoScreens) {
    // One screen: a plain 16-colour picture.
    FrameCount = 0;
    CalcModes = 0;
    ColorDepth = 4;
  }
  const std::string title = TrimmedText(Bytes(), 6, 32);
  const std::string author = TrimmedText(Bytes(), 38, 32);
  InfoTitle = !title.empty() && !author.empty() ? title + " / " + author : title + author;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumBspEngine::Decode() {
  const TQoByteView bytes = Bytes();
  const int screens = layout_.TwoScreens ? 2 : 1;
  std::vector<uint8_t> border[2];
  for (int s = 0; s < screens; ++s) {
    border[s].assign(static_cast<std::size_t>(kBspWidth * kBspHeight), layout_.BorderColor[s]);
    const std::size_t start = layout_.BorderStart[s];
    DrawBspBorder(border[s], bytes.Sub(start, layout_.BorderEnd[s] - start));
  }
  // The border rows go in whole first, the screen is drawn over their middle. With two
  // screens the combined picture takes first * 16 + second.
  std::vector<uint32_t> row(kBspWidth);
  auto drawBorder = [&](TQoBitmap& target, const uint8_t* first, const uint8_t* second) {
    for (int y = 0; y < kBspHeight; ++y, first += kBspWidth) {
      if (second) {
        for (int x = 0; x < kBspWidth; ++x) row[x] = first[x] * 16u + second[x];
        second += kBspWidth;
      } else {
        std::copy(first, first + kBspWidth, row.begin());
      }
      target.SetRow(y, row.data(), kBspWidth);
    }
  };
  if (!layout_.TwoScreens) {
    SetZxPalette16(*Palette, PaletteType);
    auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
    drawBorder(*bmp, border[0].data(), nullptr);
    DrawColorScreen(
        *bmp, layout_.Screens, [](int y) { return 64 + y; }, 8);
    return bmp;
  }
  BuildGigaPalette();
  TQoBitmap *frame1 = nullptr, *frame2 = nullptr;
  auto bmp = NewGigaPicture(frame1, frame2);
  drawBorder(*frame1, border[0].data(), nullptr);
  drawBorder(*frame2, border[1].data(), nullptr);
  drawBorder(*bmp, border[0].data(), border[1].data());
  const std::size_t first = layout_.Screens;
  auto screen = [first](int s) { return first + static_cast<std::size_t>(s) * kZxScreenBytes; };
  DrawGigaCells(
      *bmp, frame1, frame2, 32, 192,
      [&](int s, int y, int c) { return bytes.U8(PixelAt(screen(s), y, c)); },
      [&](int s, int y, int c) {
        return bytes.U8(AttributeAt(screen(s) + kZxScreenPixelBytes, y, c, 8));
      },
      8, 64);
  return bmp;
}

// MultiArtist: "MGH", 1, the attribute height, 251 bytes, then two pixel screens and the
// two attribute tables.

namespace {

constexpr std::size_t kMgPixels = 256;
constexpr std::size_t kMgAttributes = kMgPixels + 2 * kZxScreenPixelBytes;  // 12,544
constexpr int32_t kMg1Bytes = 19456;

bool IsMultiArtist(TQoByteView bytes, int attributeHeight) {
  return bytes.Matches(0, "MGH") && bytes.U8(3) == 1 && bytes.U8(4) == attributeHeight;
}

int32_t MgSize(int attributeHeight) {
  return static_cast<int32_t>(kMgAttributes) + 1536 * 8 / attributeHeight;
}

}  // namespace

uint8_t TQoZxSpectrumGigaMGEngine::Detect(TQoLoadSource& source) {
  static constexpr std::pair<int, const char*> kHeights[] = {{8, ".mg8"}, {4, ".mg4"}, {2, ".mg2"}};
  for (const auto& [a, extension] : kHeights) {
    if (source.Size == MgSize(a) && IsMultiArtist(source.Bytes(), a)) {
      return QoDetect(source, {.Signed = true, .Extensions = extension});
    }
  }
  return 0;
}

TQoZxSpectrumGigaMGEngine::TQoZxSpectrumGigaMGEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumGigaEngine(source, ClassName) {
  const int a = Bytes().U8(4);
  if ((a != 2 && a != 4 && a != 8) || source.Size != MgSize(a)) qo::RaiseInternalError();
  attributeHeight_ = a;
  ModeName = "MultiArtist";
  Description = " MG" + std::to_string(a) + " image";
  DefaultExtension = ".mg" + std::to_string(a);
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumGigaMGEngine::Decode() {
  BuildGigaPalette();
  TQoBitmap *frame1 = nullptr, *frame2 = nullptr;
  auto bmp = NewGigaPicture(frame1, frame2);
  const TQoByteView bytes = Bytes();
  const int a = attributeHeight_;
  const std::size_t tableBytes = 768 * 8 / static_cast<std::size_t>(a);
  DrawGigaCells(
      *bmp, frame1, frame2, 32, 192,
      [&](int s, int y, int c) {
        return bytes.U8(
            PixelAt(kMgPixels + static_cast<std::size_t>(s) * kZxScreenPixelBytes, y, c));
      },
      [&](int s, int y, int c) {
        return bytes.U8(
            AttributeAt(kMgAttributes + static_cast<std::size_t>(s) * tableBytes, y, c, a));
      });
  return bmp;
}

uint8_t TQoZxSpectrumGigaMG1Engine::Detect(TQoLoadSource& source) {
  if (source.Size != kMg1Bytes || !IsMultiArtist(source.Bytes(), 1)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".mg1"});
}

TQoZxSpectrumGigaMG1Engine::TQoZxSpectrumGigaMG1Engine(TQoLoadSource& source)
    : TQoBaseZxSpectrumGigaEngine(source, ClassName) {
  ModeName = "MultiArtist";
  Description = " MG1 image";
  DefaultExtension = ".mg1";
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumGigaMG1Engine::Decode() {
  // The middle 16 columns change attributes every line (16 bytes a line, 3,072 a
  // screen); the 8 columns at each side keep 8 x 8 cells (16 bytes a character row,
  // 384 a screen).
  static constexpr std::size_t kLineAttributes = kMgPixels + 2 * kZxScreenPixelBytes;
  static constexpr std::size_t kCellAttributes = kMgPixels + 18432;
  BuildGigaPalette();
  TQoBitmap *frame1 = nullptr, *frame2 = nullptr;
  auto bmp = NewGigaPicture(frame1, frame2);
  const TQoByteView bytes = Bytes();
  DrawGigaCells(
      *bmp, frame1, frame2, 32, 192,
      [&](int s, int y, int c) {
        return bytes.U8(
            PixelAt(kMgPixels + static_cast<std::size_t>(s) * kZxScreenPixelBytes, y, c));
      },
      [&](int s, int y, int c) {
        const auto screen = static_cast<std::size_t>(s);
        if (c >= 8 && c < 24) {
          return bytes.U8(kLineAttributes + screen * 3072 +
                          static_cast<std::size_t>(16 * y + c - 8));
        }
        const int side = c < 8 ? c : c - 16;
        return bytes.U8(kCellAttributes + screen * 384 +
                        static_cast<std::size_t>(16 * (y / 8) + side));
      });
  return bmp;
}

// HLR: the showing routine, the cell pattern and two attribute screens.

namespace {

constexpr int32_t kHlrBytes = 1628;
constexpr std::size_t kHlrPattern = 84;
constexpr std::size_t kHlrAttributes = 92;

// The routine at the start of every file, which shows the picture once loaded at 0x8000.
constexpr std::array<uint8_t, kHlrPattern> kHlrRoutine = {
    0x76, 0xAF, 0xD3, 0xFE, 0x21, 0x00, 0x58, 0x11, 0x01, 0x58, 0x01, 0xFF, 0x02, 0x75,
    0xED, 0xB0, 0x21, 0x00, 0x40, 0xCD, 0x43, 0x80, 0x21, 0x00, 0x48, 0xCD, 0x43, 0x80,
    0x21, 0x00, 0x50, 0xCD, 0x43, 0x80, 0x76, 0x21, 0x5C, 0x80, 0x11, 0x00, 0x58, 0x01,
    0x00, 0x03, 0xED, 0xB0, 0x76, 0x21, 0x5C, 0x83, 0x11, 0x00, 0x58, 0x01, 0x00, 0x03,
    0xED, 0xB0, 0xAF, 0xDB, 0xFE, 0xF6, 0xE0, 0x3C, 0x28, 0xE0, 0xC9, 0x11, 0x54, 0x80,
    0x06, 0x08, 0x4C, 0x1A, 0x77, 0x13, 0x24, 0x10, 0xFA, 0x61, 0x2C, 0x20, 0xF0, 0xC9};

}  // namespace

uint8_t TQoZxSpectrumHlrEngine::Detect(TQoLoadSource& source) {
  if (source.Size != kHlrBytes) return 0;
  const TQoByteView bytes = source.Bytes();
  for (std::size_t i = 0; i < kHlrRoutine.size(); ++i) {
    if (bytes.U8(i) != kHlrRoutine[i]) return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".hlr"});
}

TQoZxSpectrumHlrEngine::TQoZxSpectrumHlrEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumGigaEngine(source, ClassName) {
  DefaultExtension = ".hlr";
  Description = " attr image";
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumHlrEngine::Decode() {
  BuildGigaPalette();
  TQoBitmap *frame1 = nullptr, *frame2 = nullptr;
  auto bmp = NewGigaPicture(frame1, frame2);
  const TQoByteView bytes = Bytes();
  DrawGigaCells(
      *bmp, frame1, frame2, 32, 192,
      [&](int, int y, int) { return bytes.U8(kHlrPattern + static_cast<std::size_t>(y & 7)); },
      [&](int s, int y, int c) {
        return bytes.U8(
            AttributeAt(kHlrAttributes + static_cast<std::size_t>(s) * kZxAttributeBytes, y, c, 8));
      });
  return bmp;
}

// STL: 48 rows of 64 bytes; each group of four holds two attributes of screen 1 and two
// of screen 2, each attribute two pixels wide (paper, ink).

namespace {

constexpr int32_t kStlBytes = 3072;

}  // namespace

uint8_t TQoZxSpectrumStlEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = kStlBytes, .Extensions = ".stl"});
}

TQoZxSpectrumStlEngine::TQoZxSpectrumStlEngine(TQoLoadSource& source)
    : TQoBaseZxSpectrumGigaEngine(source, ClassName) {
  DefaultExtension = ".stl";
  Width = 64;
  Height = 48;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumStlEngine::Decode() {
  BuildGigaPalette();
  TQoBitmap *frame1 = nullptr, *frame2 = nullptr;
  auto bmp = NewGigaPicture(frame1, frame2);
  const uint8_t* rows = Bytes().Ptr(0, kStlBytes);
  std::array<uint32_t, 64> first, second, mixed;
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = rows + 64 * y;
    for (int k = 0; k < 32; ++k) {
      // Attribute k of a screen: group k / 2, byte k % 2 of its half of the group.
      const uint8_t* group = row + 4 * (k / 2) + k % 2;
      const TQoZxCellColors a = StandardColors(group[0]);
      const TQoZxCellColors b = StandardColors(group[2]);
      const auto x = static_cast<std::size_t>(2 * k);
      first[x] = a.Paper;
      first[x + 1] = a.Ink;
      second[x] = b.Paper;
      second[x + 1] = b.Ink;
    }
    for (std::size_t x = 0; x < 64; ++x) mixed[x] = first[x] * 16 + second[x];
    bmp->SetRow(y, mixed.data(), 64);
    frame1->SetRow(y, first.data(), 64);
    frame2->SetRow(y, second.data(), 64);
  }
  return bmp;
}

// LCM: two monochrome screens.

uint8_t TQoZxSpectrumBWGigaEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = 2 * kZxScreenPixelBytes, .Extensions = ".lcm"});
}

TQoZxSpectrumBWGigaEngine::TQoZxSpectrumBWGigaEngine(TQoLoadSource& source)
    : TQoZxSpectrumEngine(source, ClassName) {
  DefaultExtension = ".lcm";
  Width = 256;
  Height = 192;
  ColorDepth = 1;
  FrameCount = 2;
}

std::unique_ptr<TQoBitmap> TQoZxSpectrumBWGigaEngine::Decode() {
  SetMonoPalette(true);
  BuildMixedPalette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  TQoBitmap* frame1 = bmp->AddFrame(SourcePalette.get());
  TQoBitmap* frame2 = bmp->AddFrame(SourcePalette.get());
  const TQoByteView bytes = Bytes();
  for (int y = 0; y < Height; ++y) {
    for (int c = 0; c < 32; ++c) {
      PlotPair1(*bmp, frame1, frame2, bytes.U8(PixelAt(0, y, c)),
                bytes.U8(PixelAt(kZxScreenPixelBytes, y, c)), c, y);
    }
  }
  return bmp;
}
