// The packed C64 engines: Printfox and Pagefox pages, the escape-coded variants of the
// Doodle and Koala layouts, Loadstar's sectioned pictures and GoDot's 4-bit pictures.
// Detect runs each stream to its end (never further than a limit) without storing it;
// Decode unpacks once into a zero-filled buffer the engine owns.

#include <algorithm>
#include <string_view>

#include "base/QoErrors.h"
#include "engine/QoStreamReaders.h"
#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"

namespace {

// Detect counts no more of a stream than this.
constexpr std::size_t kPackedLimit = 20000;
constexpr std::size_t kPageLimit = 65536;

constexpr uint8_t kSignatureAndExtension = kQoDetectSignature | kQoDetectExtension;

TQoByteView ViewOf(const std::vector<uint8_t>& buffer) {
  return TQoByteView(buffer.data(), buffer.size());
}

// Printfox ("B" 320 x 200, "G" 640 x 400) and Pagefox ("P", any size) pages.
struct TPrintfoxPage {
  uint8_t Kind = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  std::size_t StreamStart = 0;
  const char* ModeName = "";
  const char* Extension = "";

  std::size_t Bytes() const {
    return static_cast<std::size_t>(Width) / 8 * static_cast<std::size_t>(Height);
  }
};

constexpr uint8_t kPrintfoxEscape = 0x9B;

// The page's kind and size; false for another kind, a page of no (or too many) bytes,
// or an extension that is not the kind's own.
bool ReadPrintfoxPage(const TQoLoadSource& source, TPrintfoxPage& page) {
  const TQoByteView bytes = source.Bytes();
  if (bytes.Size() <= 3) return false;
  page.Kind = bytes.U8(0);
  switch (page.Kind) {
    case 'B':
      page = {page.Kind, 320, 200, 1, "Printfox", ".bs"};
      break;
    case 'G':
      page = {page.Kind, 640, 400, 1, "Printfox", ".gb"};
      break;
    case 'P': {
      // Height and width in cells, then more header bytes up to a zero byte.
      const std::size_t rows = bytes.U8(1);
      const std::size_t columns = bytes.U8(2);
      if (rows == 0 || columns == 0 || rows * columns * 8 > kPageLimit) return false;
      std::size_t zero = 1;
      while (zero < bytes.Size() && bytes.U8(zero) != 0) ++zero;
      page = {page.Kind,
              static_cast<int32_t>(columns * 8),
              static_cast<int32_t>(rows * 8),
              zero + 1,
              "Pagefox",
              ".pg"};
      break;
    }
    default:
      return false;
  }
  return source.Extension == page.Extension;
}

// Calls f with the page's stream: Pagefox counts in one byte (0 meaning 256), Printfox
// in a 16-bit word whose 0 ends the stream.
template <class F>
std::size_t WithPrintfoxStream(TQoByteView bytes, const TPrintfoxPage& page, F f) {
  if (page.Kind == 'P') {
    EscCountValueReader reader(bytes.Data(), bytes.Size(), kPrintfoxEscape, 256, page.StreamStart,
                               false);
    return f(reader);
  }
  TQoC64WordCountReader reader(bytes, page.StreamStart, false, 0, kPrintfoxEscape);
  return f(reader);
}

}  // namespace

uint8_t TQoCommodore64HiResBWBSEngine::Detect(TQoLoadSource& source) {
  TPrintfoxPage page;
  if (!ReadPrintfoxPage(source, page)) return 0;
  const std::size_t length = WithPrintfoxStream(
      source.Bytes(), page, [](auto& reader) { return QoC64StreamLength(reader, kPageLimit); });
  return length <= kPageLimit && length >= page.Bytes() ? kSignatureAndExtension : 0;
}

TQoCommodore64HiResBWBSEngine::TQoCommodore64HiResBWBSEngine(TQoLoadSource& source)
    : TQoCommodore64CommonHiResBWEngine(source, ClassName) {
  PaletteTypes.clear();
  ModeName = "Printfox";
  DefaultExtension = ".bs";
  if (!Accepted(Detect(source))) return;
  TPrintfoxPage page;
  ReadPrintfoxPage(source, page);
  ModeName = page.ModeName;
  DefaultExtension = page.Extension;
  Width = page.Width;
  Height = page.Height;
}

std::unique_ptr<TQoBitmap> TQoCommodore64HiResBWBSEngine::Decode() {
  // Black ink on white paper; where the stream ends the page stays white.
  SetMonoPalette(true);
  if (unpacked_.empty()) {
    TPrintfoxPage page;
    if (!ReadPrintfoxPage(*Source, page)) qo::RaiseInternalError();
    unpacked_.assign(page.Bytes(), 0);
    WithPrintfoxStream(Bytes(), page, [this](auto& reader) {
      return QoC64Unpack(reader, unpacked_.data(), unpacked_.size());
    });
  }
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  DrawMonoCells(*bmp, ViewOf(unpacked_), Height / 8, Width / 8);
  return bmp;
}

// The packed layouts.

namespace {

// Calls f with the format's stream over the file.
template <class F>
std::size_t WithPackedStream(const TQoC64PackedFormat& format, TQoByteView bytes, F f) {
  const uint8_t escape =
      format.Escape >= 0 ? static_cast<uint8_t>(format.Escape) : bytes.U8(format.EscapeOffset);
  switch (format.Stream) {
    case TQoC64Stream::EscValueCount: {
      EscValueCountReader reader(bytes.Data(), bytes.Size(), escape, 0, format.StreamStart, false);
      return f(reader);
    }
    case TQoC64Stream::EscCountValue: {
      EscCountValueReader reader(bytes.Data(), bytes.Size(), escape, 0, format.StreamStart, false);
      return f(reader);
    }
    case TQoC64Stream::ShortLong:
      break;
  }
  TQoC64WordCountReader reader(bytes, format.StreamStart, true, escape,
                               bytes.U8(format.EscapeOffset + 1));
  return f(reader);
}

}  // namespace

uint8_t QoRateC64Packed(const TQoC64PackedFormat& format, const TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (bytes.Size() <= format.StreamStart || QoC64LoadAddress(bytes) != format.LoadAddress ||
      !bytes.Matches(2, format.Signature)) {
    return 0;
  }
  const std::size_t length = WithPackedStream(
      format, bytes, [](auto& reader) { return QoC64StreamLength(reader, kPackedLimit); });
  if (length > kPackedLimit || length < format.Minimum) return 0;
  const bool own = format.OwnExtensions.Has(source.Extension);
  if (format.Exact != 0 && length == format.Exact) return own ? kQoC64Own : kQoC64Other;
  return format.OtherLengths && own ? kSignatureAndExtension : 0;
}

std::vector<uint8_t> QoUnpackC64Packed(const TQoC64PackedFormat& format, TQoByteView bytes) {
  std::vector<uint8_t> buffer(format.BufferSize, 0);
  WithPackedStream(format, bytes, [&](auto& reader) {
    return QoC64Unpack(reader, buffer.data() + format.BufferOffset,
                       format.BufferSize - format.BufferOffset);
  });
  return buffer;
}

// Loadstar.

namespace {

struct TLoadstarHeader {
  uint8_t Kind = 0;
  int Rows = kQoC64Rows;
  int Columns = kQoC64Columns;
  bool Multicolour = false;
  uint8_t Background = 0;
  uint8_t Escape = 0;
  std::size_t StreamStart = 0;
};

// Where the unpacked parts lie.
constexpr std::size_t kLoadstarScreen = 8000;
constexpr std::size_t kLoadstarColor = 9000;
constexpr std::size_t kLoadstarBuffer = 10000;

bool ReadLoadstarHeader(TQoByteView bytes, TLoadstarHeader& h) {
  if (bytes.Size() <= 4) return false;
  h.Kind = bytes.U8(2);
  switch (h.Kind) {
    case 0x00:  // multicolour, full screen
      h.Multicolour = true;
      h.Escape = bytes.U8(3);
      h.Background = bytes.U8(4);
      h.StreamStart = 5;
      break;
    case 0x80:  // hires, full screen
      h.Escape = bytes.U8(3);
      h.StreamStart = 4;
      break;
    case 0xA7:  // hires, 39 columns
      h.Columns = kQoC64Columns - 1;
      [[fallthrough]];
    case 0xA8:  // hires, some rows
      h.Rows = bytes.U8(3);
      h.Escape = bytes.U8(4);
      h.StreamStart = 5;
      break;
    case 0xE8:  // multicolour, some rows
      if (!bytes.Has(5, 1)) return false;
      h.Multicolour = true;
      h.Rows = bytes.U8(3);
      h.Background = bytes.U8(4);
      h.Escape = bytes.U8(5);
      h.StreamStart = 6;
      break;
    default:
      return false;
  }
  return h.Rows >= 1 && h.Rows <= kQoC64Rows;
}

// Runs the sections (bitmap, screen RAM, colour RAM), each with its own escape, storing
// them into out unless it is nil. True when every section is complete, no run goes on
// into the next section and at most 3 bytes of the file are left over.
bool UnpackLoadstar(TQoByteView bytes, const TLoadstarHeader& h, uint8_t* out) {
  const auto cells = static_cast<std::size_t>(h.Rows * h.Columns);
  std::size_t position = h.StreamStart;
  auto section = [&](uint8_t escape, std::size_t offset, std::size_t count) {
    EscCountValueReader reader(bytes.Data(), bytes.Size(), escape, 256, position, false);
    for (std::size_t i = 0; i < count; ++i) {
      uint8_t value = 0;
      if (!reader.ReadByte(value)) return false;
      if (out) out[offset + i] = value;
    }
    position = static_cast<std::size_t>(reader.Cursor - bytes.Data());
    return reader.RunCount == 0;
  };
  if (!section(h.Escape, 0, 8 * cells) || !section(0x00, kLoadstarScreen, cells)) return false;
  if (h.Kind == 0x00 && !section(0xFF, kLoadstarColor, cells)) return false;
  if (h.Kind == 0xE8) {
    // A marker byte, then the colour RAM with an escape of its own.
    if (!bytes.Has(position, 1) || bytes.U8(position) != 0xFF) return false;
    ++position;
    if (!section(0xD8, kLoadstarColor, cells)) return false;
  }
  return bytes.Size() - position <= 3;
}

}  // namespace

uint8_t TQoCommodore64LoHiResShpEngine::Detect(TQoLoadSource& source) {
  TLoadstarHeader header;
  if (!ReadLoadstarHeader(source.Bytes(), header) ||
      !UnpackLoadstar(source.Bytes(), header, nullptr)) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".shp"});
}

TQoCommodore64LoHiResShpEngine::TQoCommodore64LoHiResShpEngine(TQoLoadSource& source)
    : TQoCommodore64CommonEngine(source, ClassName) {
  ModeName = "Loadstar";
  DefaultExtension = ".shp";
  if (!Accepted(Detect(source))) return;
  TLoadstarHeader header;
  ReadLoadstarHeader(Bytes(), header);
  Width = header.Multicolour ? 4 * header.Columns : 8 * header.Columns;
  Height = 8 * header.Rows;
  ColorDepth = 4;
  if (header.Multicolour) SetMulticolourAspect();
}

std::unique_ptr<TQoBitmap> TQoCommodore64LoHiResShpEngine::Decode() {
  LoadCommodore64Palette();
  TLoadstarHeader header;
  if (!ReadLoadstarHeader(Bytes(), header)) qo::RaiseInternalError();
  if (!filled_) {
    unpacked_.assign(kLoadstarBuffer, 0);
    UnpackLoadstar(Bytes(), header, unpacked_.data());
    filled_ = true;
  }
  const TQoByteView data = ViewOf(unpacked_);
  const TQoByteView bitmap = data.Sub(0, kLoadstarScreen);
  const TQoByteView screen = data.Sub(kLoadstarScreen, kQoC64Cells);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  if (header.Multicolour) {
    DrawMulticolourCells(*bmp, bitmap, header.Background, screen,
                         data.Sub(kLoadstarColor, kQoC64Cells), header.Rows);
  } else {
    DrawHiresCells(*bmp, bitmap, screen, header.Rows, header.Columns);
  }
  return bmp;
}

// GoDot.

namespace {

constexpr uint8_t kGoDotEscape = 0xAD;

// The stream from start up to the end mark, the file's last byte, which it leaves out.
EscCountValueReader GoDotStream(TQoByteView bytes, std::size_t start) {
  return EscCountValueReader(bytes.Data(), bytes.Empty() ? 0 : bytes.Size() - 1, kGoDotEscape, 256,
                             start, false);
}

bool HasGoDotFrame(TQoByteView bytes, std::string_view magic, std::size_t minimumSize) {
  return bytes.Size() > minimumSize && bytes.Matches(0, magic) &&
         bytes.U8(bytes.Size() - 1) == kGoDotEscape;
}

// A clip's size in cells, when the file is one.
bool ReadClipSize(TQoByteView bytes, int& columns, int& rows) {
  if (!HasGoDotFrame(bytes, "GOD1", 8)) return false;
  columns = bytes.U8(6);
  rows = bytes.U8(7);
  return columns >= 1 && columns <= kQoC64Columns && rows >= 1 && rows <= kQoC64Rows;
}

// 11 or 9 when the stream from start yields the picture's bytes.
uint8_t RateGoDotStream(const TQoLoadSource& source, std::size_t start, std::size_t needed,
                        TQoExtensions extensions) {
  EscCountValueReader reader = GoDotStream(source.Bytes(), start);
  if (QoC64StreamLength(reader, kPageLimit) < needed) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = extensions});
}

constexpr std::size_t k4btStart = 4;
constexpr std::size_t kClipStart = 8;

}  // namespace

TQoCommodore64Common4btEngine::TQoCommodore64Common4btEngine(TQoLoadSource& source,
                                                             const char* className)
    : TQoCommodore64CommonEngine(source, className) {
  ModeName = "GoDot";
  ColorDepth = 4;
}

void TQoCommodore64Common4btEngine::Unpack() {
  Unpacked.assign(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) / 2, 0);
  EscCountValueReader reader = GoDotStream(Bytes(), StreamStart);
  QoC64Unpack(reader, Unpacked.data(), Unpacked.size());
}

std::unique_ptr<TQoBitmap> TQoCommodore64Common4btEngine::Decode() {
  LoadCommodore64Palette();
  if (Unpacked.empty()) Unpack();
  const TQoByteView data = ViewOf(Unpacked);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  // Cells of 8 lines of 4 bytes, two pixels a byte, the left one in the high nibble.
  std::size_t i = 0;
  for (int r = 0; r < Height / 8; ++r) {
    for (int c = 0; c < Width / 8; ++c) {
      for (int line = 0; line < 8; ++line) {
        for (int b = 0; b < 4; ++b) {
          const uint8_t v = data.U8(i++);
          bmp->SetPixel(c * 8 + 2 * b, r * 8 + line, kQoGoDotColorMap[v >> 4]);
          bmp->SetPixel(c * 8 + 2 * b + 1, r * 8 + line, kQoGoDotColorMap[v & 15]);
        }
      }
    }
  }
  return bmp;
}

uint8_t TQoCommodore64LoHiRes4btEngine::Detect(TQoLoadSource& source) {
  if (!HasGoDotFrame(source.Bytes(), "GOD0", 5)) return 0;
  return RateGoDotStream(source, k4btStart, 32000, ".4bt");
}

TQoCommodore64LoHiRes4btEngine::TQoCommodore64LoHiRes4btEngine(TQoLoadSource& source)
    : TQoCommodore64Common4btEngine(source, ClassName) {
  DefaultExtension = ".4bt";
  if (!Accepted(Detect(source))) return;
  Width = 8 * kQoC64Columns;
  Height = 8 * kQoC64Rows;
  StreamStart = k4btStart;
}

uint8_t TQoCommodore64LoHiResClpEngine::Detect(TQoLoadSource& source) {
  int columns = 0, rows = 0;
  if (!ReadClipSize(source.Bytes(), columns, rows)) return 0;
  return RateGoDotStream(source, kClipStart, static_cast<std::size_t>(columns * rows) * 32, ".clp");
}

TQoCommodore64LoHiResClpEngine::TQoCommodore64LoHiResClpEngine(TQoLoadSource& source)
    : TQoCommodore64Common4btEngine(source, ClassName) {
  DefaultExtension = ".clp";
  if (!Accepted(Detect(source))) return;
  int columns = 0, rows = 0;
  ReadClipSize(Bytes(), columns, rows);
  Width = 8 * columns;
  Height = 8 * rows;
  StreamStart = kClipStart;
}
