// The FLI engines, and what the FLI and interlace engines share: layouts, packed
// streams and the multicolour FLI drawing. FLI pictures give every pixel line of a cell
// its own screen RAM; the VIC-II cannot fetch that screen in the first three cell columns
// of a line, so those show fixed colours (the "FLI bug").

#include <algorithm>

#include "base/QoErrors.h"
#include "engine/QoStreamReaders.h"
#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"

namespace {

TQoByteView PartFrom(TQoByteView data, int32_t offset) {
  return offset < 0 ? TQoByteView() : data.From(static_cast<std::size_t>(offset));
}

// What one pass of multicolour cells reads and how it draws them.
struct TMulticolourPass {
  TQoByteView Bitmap;
  TQoByteView Screens;
  TQoByteView Colour;
  TQoByteView Table;  // one background a line, or empty
  uint8_t Background = 0;
  std::size_t ScreenStride = kQoC64ScreenStride;  // 0: one screen for every line
  bool Gap = true;                                // the three leftmost columns are FLI gap
  uint8_t GapColour = 9;                          // pair 11 in the gap
  TQoByteView GapTable;                           // or the high nibble of one byte a line
  int Scale = 1;                                  // pixels written side by side
  int Top = 0;
  int IndexShift = 0;  // cells addressed at (r * 40 + c - shift) mod 1024
};

void DrawMulticolourPass(TQoBitmap& bmp, const TMulticolourPass& p) {
  for (int r = 0; r < kQoC64Rows; ++r) {
    for (int c = 0; c < kQoC64Columns; ++c) {
      const int cell = r * kQoC64Columns + c;
      const auto index =
          static_cast<std::size_t>((cell - p.IndexShift + static_cast<int>(kQoC64ScreenStride)) %
                                   static_cast<int>(kQoC64ScreenStride));
      const bool gap = p.Gap && c < 3;
      for (int k = 0; k < 8; ++k) {
        const int y = r * 8 + k;
        const auto line = static_cast<std::size_t>(y);
        const uint32_t background = (p.Table.Empty() ? p.Background : p.Table.U8(line)) & 15u;
        uint32_t colours[4] = {background, 15, 15, p.GapColour};
        if (gap) {
          if (!p.GapTable.Empty()) colours[3] = p.GapTable.U8(line) >> 4;
        } else {
          const uint8_t s = p.Screens.U8(static_cast<std::size_t>(k) * p.ScreenStride + index);
          colours[1] = s >> 4;
          colours[2] = s & 15u;
          colours[3] = p.Colour.U8(index) & 15u;
        }
        const uint8_t b = p.Bitmap.U8(index * 8 + static_cast<std::size_t>(k));
        for (int pair = 0; pair < 4; ++pair) {
          const uint32_t value = colours[(b >> (6 - 2 * pair)) & 3];
          for (int i = 0; i < p.Scale; ++i) {
            bmp.SetPixel((c * 4 + pair) * p.Scale + i, p.Top + y, value);
          }
        }
      }
    }
  }
}

void DrawHiresPass(TQoBitmap& bmp, TQoByteView bitmap, TQoByteView screens,
                   std::size_t screenStride, int rows) {
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < kQoC64Columns; ++c) {
      const auto cell = static_cast<std::size_t>(r * kQoC64Columns + c);
      for (int k = 0; k < 8; ++k) {
        const uint8_t s = screens.U8(static_cast<std::size_t>(k) * screenStride + cell);
        const uint8_t b = bitmap.U8(cell * 8 + static_cast<std::size_t>(k));
        for (int i = 0; i < 8; ++i) {
          bmp.SetPixel(c * 8 + i, r * 8 + k, (b & (0x80 >> i)) != 0 ? s >> 4u : s & 15u);
        }
      }
    }
  }
}

TMulticolourPass FliPass(const TQoC64Frame& frame, TQoByteView table, uint8_t background,
                         bool wide) {
  TMulticolourPass p;
  p.Bitmap = frame.Bitmap;
  p.Screens = frame.Screens;
  p.Colour = frame.Color;
  p.Table = table;
  p.Background = background;
  p.Scale = wide ? 2 : 1;
  return p;
}

}  // namespace

// The shared drawing operations.

void TQoCommodore64CommonEngine::DrawMulticolourCellsWide(TQoBitmap& bmp, TQoByteView data,
                                                          uint8_t background, TQoByteView screen,
                                                          TQoByteView colour) {
  TMulticolourPass p;
  p.Bitmap = data;
  p.Screens = screen;
  p.Colour = colour;
  p.Background = background;
  p.ScreenStride = 0;
  p.Gap = false;
  p.Scale = 2;
  DrawMulticolourPass(bmp, p);
}

void TQoCommodore64CommonEngine::DrawFLICells(TQoBitmap& bmp, TQoByteView data, uint8_t background,
                                              TQoByteView table, TQoByteView screens,
                                              TQoByteView colour) {
  DrawMulticolourPass(bmp, FliPass({data, screens, colour, {}}, table, background, false));
}

void TQoCommodore64CommonEngine::DrawFLICellsWide(TQoBitmap& bmp, TQoByteView data,
                                                  uint8_t background, TQoByteView table,
                                                  TQoByteView screens, TQoByteView colour) {
  DrawMulticolourPass(bmp, FliPass({data, screens, colour, {}}, table, background, true));
}

void TQoCommodore64CommonEngine::DrawHiresFLICells(TQoBitmap& bmp, TQoByteView data,
                                                   TQoByteView screens) {
  DrawHiresPass(bmp, data, screens, kQoC64ScreenStride, bmp.Height / 8);
}

// Layouts.

const TQoC64FrameLayout* QoFindC64FrameLayout(const TQoLoadSource& source,
                                              const TQoC64FrameTable& table, uint8_t& result) {
  result = 0;
  const TQoByteView bytes = source.Bytes();
  const int32_t address = QoC64LoadAddress(bytes);
  if (address < 0) return nullptr;
  for (std::size_t i = 0; i < table.Count; ++i) {
    const TQoC64FrameLayout& row = table.Rows[i];
    if (std::find(row.Sizes.begin(), row.Sizes.end(), source.Size) == row.Sizes.end() ||
        std::find(row.LoadAddresses.begin(), row.LoadAddresses.end(), address) ==
            row.LoadAddresses.end() ||
        !bytes.Matches(row.SignatureAt, row.Signature)) {
      continue;
    }
    if (row.ModeOffset >= 0 && bytes.U8(static_cast<std::size_t>(row.ModeOffset)) > 1) continue;
    if (row.OwnExtensions.Has(source.Extension)) {
      result = kQoC64Own;
    } else if (row.OtherResult != 0) {
      result = row.OtherResult;
    } else {
      continue;
    }
    return &row;
  }
  return nullptr;
}

void TQoC64Picture::Use(TQoByteView data, const TQoC64FrameLayout& layout) {
  Background = layout.Background < 0 ? 0 : data.U8(static_cast<std::size_t>(layout.Background));
  Mode = layout.ModeOffset < 0 ? layout.Mode : data.U8(static_cast<std::size_t>(layout.ModeOffset));
  for (std::size_t i = 0; i < Frames.size(); ++i) {
    const TQoC64FrameParts& parts = layout.Frames[i];
    TQoC64Frame& frame = Frames[i];
    frame.Bitmap = PartFrom(data, parts.Bitmap);
    frame.Screens = PartFrom(data, parts.Screens);
    frame.Color = PartFrom(data, parts.Color);
    frame.Table.clear();
    if (parts.Table < 0) continue;
    frame.Table.resize(kQoC64Lines);
    for (int y = 0; y < kQoC64Lines; ++y) {
      const int32_t at =
          y < parts.TableLines ? parts.Table + y : parts.TableRest + y - parts.TableLines;
      frame.Table[static_cast<std::size_t>(y)] = data.U8(static_cast<std::size_t>(at));
    }
  }
}

// Packed members.

namespace {

// Hires Manager's stream, read from the last byte down to the start: a control byte
// n > 0 is followed by n - 1 literal bytes, a 0 by a count and a value; a count of 0
// ends it.
struct THiresManagerReader {
  TQoByteView Data;
  std::size_t Position;  // one past the next byte
  std::size_t Start;
  int32_t Literals = 0;
  int32_t RunCount = 0;
  uint8_t RunByte = 0;
  bool Ended = false;

  THiresManagerReader(TQoByteView data, std::size_t start)
      : Data(data), Position(data.Size()), Start(std::min(start, data.Size())) {}

  bool Take(uint8_t& value) {
    if (Position <= Start) return false;
    value = Data.U8(--Position);
    return true;
  }

  bool ReadByte(uint8_t& value) {
    if (RunCount > 0) {
      --RunCount;
      value = RunByte;
      return true;
    }
    while (!Ended) {
      if (Literals > 0) {
        --Literals;
        if (Take(value)) return true;
        break;
      }
      uint8_t control = 0;
      if (!Take(control)) break;
      if (control != 0) {
        Literals = control - 1;
        continue;
      }
      uint8_t count = 0;
      if (!Take(count) || count == 0 || !Take(RunByte)) break;
      RunCount = count - 1;
      value = RunByte;
      return true;
    }
    Ended = true;
    return false;
  }
};

template <class F>
std::size_t WithFrameStream(const TQoC64FramePacked& format, TQoByteView bytes, F f) {
  if (format.Stream == TQoC64FrameStream::HiresManager) {
    THiresManagerReader reader(bytes, format.StreamStart);
    return f(reader);
  }
  const uint8_t escape = bytes.U8(format.EscapeAt);
  if (format.Stream == TQoC64FrameStream::Backward) {
    EscCountValueBackReader reader(bytes.Data(), bytes.Size(), escape, format.DefaultCount,
                                   format.StreamStart, format.CountPlusOne);
    return f(reader);
  }
  EscCountValueReader reader(bytes.Data(), bytes.Size(), escape, format.DefaultCount,
                             format.StreamStart, format.CountPlusOne);
  return f(reader);
}

// Hires Manager files keep their end address (size + 0x3FFD) after the load address.
constexpr std::size_t kHiresManagerEnd = 16381;

}  // namespace

uint8_t QoRateC64FramePacked(const TQoC64FramePacked& format, const TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (bytes.Size() <= format.StreamStart || QoC64LoadAddress(bytes) != format.LoadAddress) return 0;
  if (!bytes.Matches(format.SignatureAt, format.Signature) &&
      (format.OtherSignature.empty() ||
       !bytes.Matches(format.SignatureAt, format.OtherSignature))) {
    return 0;
  }
  if (format.NonZeroAt >= 0 && bytes.U8(static_cast<std::size_t>(format.NonZeroAt)) == 0) return 0;
  if (format.Stream == TQoC64FrameStream::HiresManager &&
      bytes.LE16(2) != ((bytes.Size() + kHiresManagerEnd) & 0xFFFF)) {
    return 0;
  }
  const bool own = format.OwnExtensions.Has(source.Extension);
  // A file of another name that the format would not take anyway is not unpacked.
  if (!own && format.OtherResult == 0) return 0;
  if (format.Exact != 0 || format.Minimum != 0) {
    const std::size_t limit = format.Exact != 0 ? format.Exact : format.Minimum;
    const std::size_t length = WithFrameStream(
        format, bytes, [limit](auto& reader) { return QoC64StreamLength(reader, limit); });
    if (format.Exact != 0 ? length != format.Exact : length < format.Minimum) return 0;
  }
  return own ? kQoC64Own : format.OtherResult;
}

std::vector<uint8_t> QoUnpackC64Frames(const TQoC64FramePacked& format, TQoByteView bytes) {
  std::vector<uint8_t> buffer(format.BufferSize, 0);
  const std::size_t room = format.BufferSize - format.BufferOffset;
  WithFrameStream(format, bytes, [&](auto& reader) {
    if (format.Stream == TQoC64FrameStream::Forward) {
      return QoC64Unpack(reader, buffer.data() + format.BufferOffset, room);
    }
    // Backward streams fill the buffer from its last byte down.
    std::size_t n = 0;
    uint8_t value = 0;
    while (n < room && reader.ReadByte(value)) buffer[format.BufferSize - 1 - n++] = value;
    return n;
  });
  return buffer;
}

// The bases.

uint8_t TQoCommodore64CommonFramesEngine::Detect(TQoLoadSource& source,
                                                 const TQoC64FrameTable& table) {
  if (table.Packed) return QoRateC64FramePacked(*table.Packed, source);
  uint8_t result = 0;
  QoFindC64FrameLayout(source, table, result);
  return result;
}

TQoCommodore64CommonFramesEngine::TQoCommodore64CommonFramesEngine(TQoLoadSource& source,
                                                                   const TQoC64FrameTable& table)
    : TQoCommodore64CommonEngine(source, table.ClassName), table_(table) {}

void TQoCommodore64CommonFramesEngine::TakeRow() {
  if (const TQoC64FramePacked* packed = table_.Packed) {
    ModeName = packed->ModeName;
    DefaultExtension = packed->DefaultExtension;
    if (!Accepted(Detect(*Source, table_))) return;
    if (packed->Layout->ModeOffset >= 0) {
      Unpack();
    } else {
      Picture.Mode = packed->Layout->Mode;
      Height = packed->Layout->Height;
      ApplyMode();
    }
    return;
  }
  uint8_t result = 0;
  const TQoC64FrameLayout* row = QoFindC64FrameLayout(*Source, table_, result);
  const TQoC64FrameLayout& named = row ? *row : table_.Rows[0];
  ModeName = named.ModeName;
  DefaultExtension = named.DefaultExtension;
  if (Accepted(result)) Take(Bytes(), *row);
}

void TQoCommodore64CommonFramesEngine::UnpackOnce() {
  if (table_.Packed && unpacked_.empty()) Unpack();
}

void TQoCommodore64CommonFramesEngine::Unpack() {
  unpacked_ = QoUnpackC64Frames(*table_.Packed, Bytes());
  Take(TQoByteView(unpacked_.data(), unpacked_.size()), *table_.Packed->Layout);
}

void TQoCommodore64CommonFramesEngine::Take(TQoByteView data, const TQoC64FrameLayout& layout) {
  Picture.Use(data, layout);
  Height = layout.Height;
  ApplyMode();
}

void TQoCommodore64CommonFramesEngine::SetWide(bool wide) {
  Width = wide ? kQoC64HiresWidth : kQoC64MulticolourWidth;
  if (wide) {
    SetHiresAspect();
  } else {
    SetMulticolourAspect();
  }
}

void TQoCommodore64CommonFramesEngine::SetTwoFrames(int width) {
  Width = width;
  Height = kQoC64Lines;
  ColorDepth = 4;
  FrameCount = 2;
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonFramesEngine::DecodeTwoFrames(const TFrameDraw& draw,
                                                                             bool wide) {
  TQoBitmap *first = nullptr, *second = nullptr;
  auto bmp = NewTwoFramePicture(first, second);
  draw(*first, Picture.Frames[0]);
  draw(*second, Picture.Frames[1]);
  ComposeTwoFrames(*bmp, *second, wide);
  return bmp;
}

TQoCommodore64CommonLoResFLIEngine::TQoCommodore64CommonLoResFLIEngine(
    TQoLoadSource& source, const TQoC64FrameTable& table)
    : TQoCommodore64CommonFramesEngine(source, table) {
  Width = kQoC64MulticolourWidth;
  Height = kQoC64Lines;
  ColorDepth = 4;
  SetMulticolourAspect();
  TakeRow();
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonLoResFLIEngine::Decode() {
  UnpackOnce();
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoC64Frame& f = Picture.Frames[0];
  DrawFLICells(*bmp, f.Bitmap, Picture.Background, f.TableView(), f.Screens, f.Color);
  return bmp;
}

TQoCommodore64CommonLoResBFLIGigascreenEngine::TQoCommodore64CommonLoResBFLIGigascreenEngine(
    TQoLoadSource& source, const TQoC64FrameTable& table)
    : TQoCommodore64CommonFramesEngine(source, table) {
  Width = kQoC64MulticolourWidth;
  Height = 2 * kQoC64Lines;
  ColorDepth = 4;
  SetMulticolourAspect();
  TakeRow();
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonLoResBFLIGigascreenEngine::Decode() {
  UnpackOnce();
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  // The lower picture continues the upper one's screen memory: its cells start 24
  // places earlier, wrapping within 1024.
  for (std::size_t half = 0; half < 2; ++half) {
    TMulticolourPass p = FliPass(Picture.Frames[half], {}, 0, false);
    p.GapColour = 0;
    p.Top = static_cast<int>(half) * kQoC64Lines;
    p.IndexShift = half == 0 ? 0 : 24;
    DrawMulticolourPass(*bmp, p);
  }
  return bmp;
}

TQoCommodore64CommonHiResFLIEngine::TQoCommodore64CommonHiResFLIEngine(
    TQoLoadSource& source, const TQoC64FrameTable& table)
    : TQoCommodore64CommonFramesEngine(source, table) {
  Width = kQoC64HiresWidth;
  Height = kQoC64Lines;
  ColorDepth = 4;
  TakeRow();
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonHiResFLIEngine::Decode() {
  UnpackOnce();
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  DrawHiresFLICells(*bmp, Picture.Frames[0].Bitmap, Picture.Frames[0].Screens);
  return bmp;
}

namespace {

// FLI Profi: pair 11 of the gap zone per line; a column of multicolour sprites over
// the gap zone, alternating between two banks of five every two lines, with a colour a
// line for pair 01 and two fixed ones.
constexpr std::size_t kFprGapColours = 898;
constexpr std::size_t kFprSprites = 2;
constexpr std::size_t kFprLineColours = 642;
constexpr std::size_t kFprColour10 = 1098;
constexpr std::size_t kFprColour11 = 1099;
constexpr int kFprSpriteWidth = 12;

}  // namespace

std::unique_ptr<TQoBitmap> TQoCommodore64LoResFLIFprEngine::Decode() {
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
  TMulticolourPass p =
      FliPass(Picture.Frames[0], Picture.Frames[0].TableView(), Picture.Background, false);
  p.GapTable = bytes.Sub(kFprGapColours, kQoC64Lines);
  DrawMulticolourPass(*bmp, p);
  for (int y = 0; y < Height; ++y) {
    const int bank = ((y + 1) & 2) != 0 ? 5 : 0;
    const auto sprite = static_cast<std::size_t>(bank + y / 42);
    const std::size_t row = kFprSprites + sprite * 64 + static_cast<std::size_t>((y / 2) % 21) * 3;
    const uint32_t colours[4] = {0, bytes.U8(kFprLineColours + static_cast<std::size_t>(y)) & 15u,
                                 bytes.U8(kFprColour10) & 15u, bytes.U8(kFprColour11) & 15u};
    for (int x = 0; x < kFprSpriteWidth; ++x) {
      const uint8_t b = bytes.U8(row + static_cast<std::size_t>(x / 4));
      const int pair = (b >> (6 - 2 * (x % 4))) & 3;
      if (pair != 0) bmp->SetPixel(x, y, colours[pair]);
    }
  }
  return bmp;
}

TQoCommodore64LoResFLICfliEngine::TQoCommodore64LoResFLICfliEngine(TQoLoadSource& source)
    : TQoRowEngine(source) {
  TakeRow();
  Width = kQoC64HiresWidth;
  Height = kQoC64Lines;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoCommodore64LoResFLICfliEngine::Decode() {
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const TQoByteView screens = Picture.Frames[0].Screens;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const uint8_t b = screens.U8(static_cast<std::size_t>(y % 8) * kQoC64ScreenStride +
                                   static_cast<std::size_t>((y / 8) * kQoC64Columns + x / 8));
      bmp->SetPixel(x, y, (x & 1) != 0 ? b & 15u : b >> 4u);
    }
  }
  return bmp;
}

// UFLI.

namespace {

constexpr int32_t kUflSize = 16194;
constexpr int32_t kUflAddress = 0x4000;
constexpr std::size_t kUflSprites = 2;
constexpr std::size_t kUflOneColourFlag = 4081;
constexpr std::size_t kUflOneColour = 4082;
constexpr std::size_t kUflColours = 4084;
constexpr std::size_t kUflScreens = 4098;
constexpr std::size_t kUflBitmap = 8194;

bool IsPlainUfl(const TQoLoadSource& source) {
  return source.Size == kUflSize && QoC64LoadAddress(source.Bytes()) == kUflAddress;
}

}  // namespace

uint8_t TQoCommodore64HiResUflEngine::Detect(TQoLoadSource& source) {
  if (IsPlainUfl(source)) {
    return QoDetect(source, {.Signed = true, .Extensions = kQoC64UflPacked.OwnExtensions});
  }
  return QoRateC64FramePacked(kQoC64UflPacked, source);
}

TQoCommodore64HiResUflEngine::TQoCommodore64HiResUflEngine(TQoLoadSource& source)
    : TQoCommodore64CommonHiResEngine(source, ClassName) {
  ModeName = kQoC64UflPacked.ModeName;
  DefaultExtension = kQoC64UflPacked.DefaultExtension;
  if (Accepted(Detect(source)) && IsPlainUfl(source)) data_ = Bytes();
}

std::unique_ptr<TQoBitmap> TQoCommodore64HiResUflEngine::Decode() {
  if (data_.Empty()) {
    unpacked_ = QoUnpackC64Frames(kQoC64UflPacked, Bytes());
    data_ = TQoByteView(unpacked_.data(), unpacked_.size());
  }
  LoadCommodore64Palette();
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const bool oneColour = data_.U8(kUflOneColourFlag) == 0;
  // A screen RAM for every two lines; expanded sprites under the bitmap's 0-bits from
  // the fourth cell column on, each byte covering two cells, each bit two pixels.
  for (int r = 0; r < kQoC64Rows; ++r) {
    for (int c = 0; c < kQoC64Columns; ++c) {
      const auto cell = static_cast<std::size_t>(r * kQoC64Columns + c);
      const int sprite = (c - 3) / 6;
      const uint32_t spriteColour =
          data_.U8(oneColour ? kUflOneColour : kUflColours + static_cast<std::size_t>(sprite)) &
          15u;
      for (int k = 0; k < 8; ++k) {
        const int y = r * 8 + k;
        const uint8_t s =
            data_.U8(kUflScreens + static_cast<std::size_t>(k / 2) * kQoC64ScreenStride + cell);
        const uint8_t b = data_.U8(kUflBitmap + cell * 8 + static_cast<std::size_t>(k));
        uint8_t q = 0xFF;
        if (c >= 3) {
          q = data_.U8(kUflSprites + static_cast<std::size_t>(y / 40) * 768 +
                       ((k & 2) != 0 ? 384u : 0u) + static_cast<std::size_t>((y + 1) / 2 % 21) * 3 +
                       static_cast<std::size_t>((c - 3) / 2 % 3) +
                       static_cast<std::size_t>(sprite) * 64);
        }
        const unsigned nibble = (c & 1) != 0 ? q >> 4u : q & 15u;
        for (int i = 0; i < 8; ++i) {
          uint32_t colour = s & 15u;
          if ((b & (0x80 >> i)) != 0) {
            colour = s >> 4u;
          } else if ((nibble & (8u >> (i / 2))) != 0) {
            colour = spriteColour;
          }
          bmp->SetPixel(c * 8 + i, y, colour);
        }
      }
    }
  }
  return bmp;
}
