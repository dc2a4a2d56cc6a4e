#include "platforms/AtariST/QoOpenPlatformAtariSTMono.h"

#include <algorithm>
#include <cstring>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

std::size_t BytesFor(int32_t width) {
  return (static_cast<std::size_t>(width) + 7) / 8;
}

}  // namespace

void TQoAtariSTMonoEngine::SetPicture(int32_t width, int32_t height, std::size_t rowBytes) {
  Width = width;
  Height = height;
  ColorDepth = 1;
  Layout = kSTLayoutHigh;
  RowBytes = rowBytes;
  if (width <= 0 || height <= 0 || rowBytes < BytesFor(width) ||
      rowBytes * static_cast<std::size_t>(height) > qo::kMaxAllocation) {
    qo::RaiseInternalError();
  }
}

std::unique_ptr<TQoBitmap> TQoAtariSTMonoEngine::Decode() {
  const std::size_t size = RowBytes * static_cast<std::size_t>(Height);
  if (Packed && rows_.empty()) {
    rows_.assign(size, Prefill);
    Unpack(rows_.data());
  }
  const TQoByteView rows = Packed ? TQoByteView(rows_.data(), rows_.size()) : PixelData;
  LoadIndexedPalette();
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const std::size_t shown = BytesFor(Width);
  // Bits beyond the width in the last byte are not part of the picture.
  const auto lastMask = static_cast<uint8_t>(0xFF00u >> ((Width - 1) % 8 + 1));
  for (int y = 0; y < Height; ++y) {
    uint8_t* line = bmp->GetScanLine(y);
    std::memcpy(line, rows.Ptr(static_cast<std::size_t>(y) * RowBytes, shown), shown);
    line[shown - 1] &= lastMask;
  }
  return bmp;
}

// Screens of rows and nothing else.

uint8_t TQoAtariSTMonoScreenEngine::Detect(TQoLoadSource& source,
                                           const TQoAtariSTMonoScreenFormat& row) {
  return QoDetect(source, {.Size = row.Size, .Extensions = row.Extensions});
}

TQoAtariSTMonoScreenEngine::TQoAtariSTMonoScreenEngine(TQoLoadSource& source,
                                                       const TQoAtariSTMonoScreenFormat& row)
    : TQoAtariSTMonoEngine(source, row.ClassName) {
  SetPicture(row.Width, row.Height, BytesFor(row.Width));
  SetSTLowAspect();
  PixelData = Bytes();
  ModeName = row.ModeName;
  DefaultExtension = std::string(row.Extensions.First());
}

// PaintShop's packed pictures: a 14-byte header with the size, then line codes.

namespace {

struct TQoPaintShopHeader {
  int32_t Width = 0, Height = 0;
  bool Read(TQoByteView bytes) {
    if (bytes.Size() <= 14 || !bytes.Matches(0, "tm89") || !bytes.Matches(4, "PS")) return false;
    Width = bytes.BE16(10) + 1;
    Height = bytes.BE16(12) + 1;
    return BytesFor(Width) * static_cast<std::size_t>(Height) <= qo::kMaxAllocation;
  }
};

}  // namespace

uint8_t TQoAtariSTPaintShopPSCEngine::Detect(TQoLoadSource& source) {
  TQoPaintShopHeader header;
  const TQoByteView bytes = source.Bytes();
  if (!header.Read(bytes) ||
      !QoDecodePaintShopLines(bytes.From(14), header.Height, BytesFor(header.Width), nullptr)) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".psc"});
}

TQoAtariSTPaintShopPSCEngine::TQoAtariSTPaintShopPSCEngine(TQoLoadSource& source)
    : TQoAtariSTMonoEngine(source, ClassName) {
  TQoPaintShopHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  SetPicture(header.Width, header.Height, BytesFor(header.Width));
  SetSTLowAspect();
  Packed = true;
  ModeName = "PaintShop";
  DefaultExtension = ".psc";
}

void TQoAtariSTPaintShopPSCEngine::Unpack(uint8_t* rows) {
  QoDecodePaintShopLines(Bytes().From(14), Height, RowBytes, rows);
}

// STAD: two escape bytes and a solid byte in the header; rows or byte columns.

namespace {

TQoMonoRunReader StadReader(TQoByteView bytes) {
  return TQoMonoRunReader(TQoMonoRunReader::TQoKind::STAD, bytes.From(7), bytes.U8(4), bytes.U8(5),
                          bytes.U8(6));
}

// Places byte n of the stream: pM85 row by row, pM86 down the 80 byte columns.
std::size_t FillStad(TQoMonoRunReader& reader, bool columns, uint8_t* out) {
  std::size_t n = 0;
  uint8_t value = 0;
  while (n < kQoSTScreenBytes && reader.NextByte(value)) {
    if (out) out[columns ? (n % 400) * 80 + n / 400 : n] = value;
    ++n;
  }
  return n;
}

}  // namespace

uint8_t TQoAtariSTSTADEngine::Detect(TQoLoadSource& source) {
  const TQoByteView bytes = source.Bytes();
  if (bytes.Size() < 8 || (!bytes.Matches(0, "pM85") && !bytes.Matches(0, "pM86"))) return 0;
  TQoMonoRunReader reader = StadReader(bytes);
  if (FillStad(reader, false, nullptr) < kQoSTScreenBytes) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".pac"});
}

TQoAtariSTSTADEngine::TQoAtariSTSTADEngine(TQoLoadSource& source)
    : TQoAtariSTMonoEngine(source, ClassName) {
  if (Bytes().Size() < 8) qo::RaiseInternalError();
  SetPicture(640, 400, 80);
  SetSTLowAspect();
  Packed = true;
  ModeName = "STAD";
  DefaultExtension = ".pac";
}

void TQoAtariSTSTADEngine::Unpack(uint8_t* rows) {
  TQoMonoRunReader reader = StadReader(Bytes());
  FillStad(reader, Bytes().Matches(0, "pM86"), rows);
}

// Public Painter: an escape byte, the page size, the stream.

namespace {

int32_t PublicPainterHeight(TQoByteView bytes) {
  if (bytes.Size() <= 2) return 0;
  if (bytes.U8(1) == 0) return 400;
  return bytes.U8(1) == 0xC8 ? 800 : 0;
}

TQoMonoRunReader PublicPainterReader(TQoByteView bytes) {
  return TQoMonoRunReader(TQoMonoRunReader::TQoKind::PublicPainter, bytes.From(2), bytes.U8(0));
}

}  // namespace

uint8_t TQoAtariSTPublicPainterEngine::Detect(TQoLoadSource& source) {
  const uint8_t flags =
      QoDetect(source, {.MinSize = 3, .ExtensionOnly = true, .Extensions = ".cmp"});
  const TQoByteView bytes = source.Bytes();
  const int32_t height = PublicPainterHeight(bytes);
  if (!flags || height == 0) return 0;
  TQoMonoRunReader reader = PublicPainterReader(bytes);
  const std::size_t size = 80 * static_cast<std::size_t>(height);
  return QoFillLinear(reader, nullptr, size) == size ? flags : 0;
}

TQoAtariSTPublicPainterEngine::TQoAtariSTPublicPainterEngine(TQoLoadSource& source)
    : TQoAtariSTMonoEngine(source, ClassName) {
  const int32_t height = PublicPainterHeight(Bytes());
  if (height == 0) qo::RaiseInternalError();
  SetPicture(640, height, 80);
  SetSTLowAspect();
  Packed = true;
  ModeName = "Public Painter";
  DefaultExtension = ".cmp";
}

void TQoAtariSTPublicPainterEngine::Unpack(uint8_t* rows) {
  TQoMonoRunReader reader = PublicPainterReader(Bytes());
  QoFillLinear(reader, rows, RowBytes * static_cast<std::size_t>(Height));
}

// Picworks: records of 8-byte blocks.

uint8_t TQoAtariSTPicworks::Detect(TQoLoadSource& source) {
  if (!QoDecodePicworksBlocks(source.Bytes(), nullptr)) return 0;
  return QoDetect(source, {.MinSize = 5, .Signed = true, .Extensions = ".cp3"});
}

TQoAtariSTPicworks::TQoAtariSTPicworks(TQoLoadSource& source)
    : TQoAtariSTMonoEngine(source, ClassName) {
  SetPicture(640, 400, 80);
  SetSTLowAspect();
  Packed = true;
  Prefill = 0xFF;
  ModeName = "Picworks";
  DefaultExtension = ".cp3";
}

void TQoAtariSTPicworks::Unpack(uint8_t* rows) {
  QoDecodePicworksBlocks(Bytes(), rows);
}

// MegaPaint: signed width and height words; a negative width means packed rows.

namespace {

struct TQoMegaPaintHeader {
  int32_t Width = 0, Height = 0;
  bool Packed = false;
  bool Read(TQoByteView bytes) {
    if (bytes.Size() <= 4) return false;
    const auto w0 = static_cast<int16_t>(bytes.BE16(0));
    const auto h0 = static_cast<int16_t>(bytes.BE16(2));
    Packed = w0 < 0;
    Width = (w0 < 0 ? -w0 : w0) + 1;
    Height = h0 + 1;
    return Height > 0 && BytesFor(Width) * static_cast<std::size_t>(Height) <= qo::kMaxAllocation;
  }
  std::size_t RowsBytes() const { return BytesFor(Width) * static_cast<std::size_t>(Height); }
};

TQoMonoRunReader MegaPaintReader(TQoByteView bytes) {
  return TQoMonoRunReader(TQoMonoRunReader::TQoKind::MegaPaint, bytes.From(4));
}

bool MegaPaintValid(TQoByteView bytes, const TQoMegaPaintHeader& header) {
  const std::size_t size = header.RowsBytes();
  if (!header.Packed) return bytes.Size() == 4 + size;
  TQoMonoRunReader reader = MegaPaintReader(bytes);
  if (QoFillLinear(reader, nullptr, size) < size || reader.RunPending()) return false;
  // A file saved in whole blocks may end in fewer than 256 zero bytes.
  const std::size_t rest = reader.Remaining();
  if (rest == 0) return true;
  if (bytes.Size() % 256 != 0 || rest >= 256) return false;
  for (std::size_t i = bytes.Size() - rest; i < bytes.Size(); ++i) {
    if (bytes.U8(i) != 0) return false;
  }
  return true;
}

}  // namespace

uint8_t TQoAtariSTMegaPaintEngine::Detect(TQoLoadSource& source) {
  TQoMegaPaintHeader header;
  const TQoByteView bytes = source.Bytes();
  if (!header.Read(bytes) || !MegaPaintValid(bytes, header)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".bld"});
}

TQoAtariSTMegaPaintEngine::TQoAtariSTMegaPaintEngine(TQoLoadSource& source)
    : TQoAtariSTMonoEngine(source, ClassName) {
  TQoMegaPaintHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  SetPicture(header.Width, header.Height, BytesFor(header.Width));
  Packed = header.Packed;
  PixelData = Bytes().From(4);
  ModeName = "MegaPaint";
  DefaultExtension = ".bld";
}

void TQoAtariSTMegaPaintEngine::Unpack(uint8_t* rows) {
  TQoMonoRunReader reader = MegaPaintReader(Bytes());
  QoFillLinear(reader, rows, RowBytes * static_cast<std::size_t>(Height));
}

// Calamus raster graphics: a signature, the lengths and the size, then packed rows.

namespace {

struct TQoCalamusHeader {
  int32_t Width = 0, Height = 0;
  TQoByteView Packed;
  bool Read(TQoByteView bytes) {
    if (bytes.Size() <= 42 || !bytes.Matches(0, "CALAMUSCRG")) return false;
    if (static_cast<uint64_t>(bytes.BE32(14)) + 24 != bytes.Size()) return false;
    const uint32_t width = bytes.BE32(20), height = bytes.BE32(24);
    const uint64_t packed = bytes.BE32(38);
    if (width == 0 || height == 0 || width > 0x7FFFFFF0u || height > 0x7FFFFFF0u ||
        packed + 42 > bytes.Size()) {
      return false;
    }
    Width = static_cast<int32_t>(width);
    Height = static_cast<int32_t>(height);
    Packed = bytes.Sub(42, static_cast<std::size_t>(packed));
    return BytesFor(Width) * static_cast<std::size_t>(Height) <= qo::kMaxAllocation;
  }
};

}  // namespace

uint8_t TQoAtariSTCalamusRasterGraphicEngine::Detect(TQoLoadSource& source) {
  TQoCalamusHeader header;
  if (!header.Read(source.Bytes())) return 0;
  TQoMonoRunReader reader(TQoMonoRunReader::TQoKind::Calamus, header.Packed);
  const std::size_t size = BytesFor(header.Width) * static_cast<std::size_t>(header.Height);
  if (QoFillLinear(reader, nullptr, size) < size || reader.RunPending() ||
      reader.Remaining() != 0) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".crg"});
}

TQoAtariSTCalamusRasterGraphicEngine::TQoAtariSTCalamusRasterGraphicEngine(TQoLoadSource& source)
    : TQoAtariSTMonoEngine(source, ClassName) {
  TQoCalamusHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  SetPicture(header.Width, header.Height, BytesFor(header.Width));
  Packed = true;
  ModeName = "Calamus Raster Graphic";
  DefaultExtension = ".crg";
}

void TQoAtariSTCalamusRasterGraphicEngine::Unpack(uint8_t* rows) {
  TQoCalamusHeader header;
  if (!header.Read(Bytes())) return;
  TQoMonoRunReader reader(TQoMonoRunReader::TQoKind::Calamus, header.Packed);
  QoFillLinear(reader, rows, RowBytes * static_cast<std::size_t>(Height));
}

// The STar objects: width - 1, height - 1 and the number of planes, then rows that
// always hold one word (per plane) more than a whole number of words needs.

namespace {

struct TQoSTarObject {
  int32_t Width = 0, Height = 0;
  std::size_t RowBytes = 0;
  // The object header at offset with its rows after it, ending the file.
  bool Read(TQoByteView bytes, std::size_t offset, uint16_t planes) {
    if (!bytes.Has(offset, 7) || bytes.BE16(offset + 4) != planes) return false;
    Width = bytes.BE16(offset) + 1;
    Height = bytes.BE16(offset + 2) + 1;
    RowBytes = (static_cast<std::size_t>(Width) + 16) / 16 * 2 * planes;
    return bytes.Size() - offset == RowBytes * static_cast<std::size_t>(Height) + 6;
  }
};

// ColorSTar's palette: sixteen decimal lines, each an ST palette word.
bool ReadColorSTarPalette(TQoByteView bytes, uint8_t* words, std::size_t& end) {
  TQoByteCursor cursor(bytes);
  for (std::size_t i = 0; i < 16; ++i) {
    uint32_t value = 0;
    if (!ParseDecimalLine(cursor, value) || value > 0x777) return false;
    if (words) {
      words[2 * i] = static_cast<uint8_t>(value >> 8);
      words[2 * i + 1] = static_cast<uint8_t>(value);
    }
  }
  end = cursor.Pos;
  return true;
}

}  // namespace

uint8_t TQoAtariSTMonoSTarObjectEngine::Detect(TQoLoadSource& source) {
  TQoSTarObject object;
  if (!object.Read(source.Bytes(), 0, 1)) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".obj"});
}

TQoAtariSTMonoSTarObjectEngine::TQoAtariSTMonoSTarObjectEngine(TQoLoadSource& source)
    : TQoAtariSTMonoEngine(source, ClassName) {
  TQoSTarObject object;
  if (!object.Read(Bytes(), 0, 1)) qo::RaiseInternalError();
  SetPicture(object.Width, object.Height, object.RowBytes);
  SetSTLowAspect();
  PixelData = Bytes().From(6);
  ModeName = "MonoSTar object";
  DefaultExtension = ".obj";
}

uint8_t TQoAtariSTColorSTarObjectEngine::Detect(TQoLoadSource& source) {
  std::size_t end = 0;
  TQoSTarObject object;
  if (!ReadColorSTarPalette(source.Bytes(), nullptr, end) || !object.Read(source.Bytes(), end, 4)) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".obj"});
}

TQoAtariSTColorSTarObjectEngine::TQoAtariSTColorSTarObjectEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  std::size_t end = 0;
  TQoSTarObject object;
  if (!ReadColorSTarPalette(Bytes(), palette_, end) || !object.Read(Bytes(), end, 4)) {
    qo::RaiseInternalError();
  }
  SetSTResolution(kSTLowResolution);
  Width = object.Width;
  Height = object.Height;
  // Rows hold one group of four words more than the shown groups when the width is a
  // multiple of 16.
  LinePadding =
      static_cast<int32_t>(object.RowBytes - (static_cast<std::size_t>(Width) + 15) / 16 * 8);
  PaletteData = TQoByteView(palette_, sizeof palette_);
  PaletteType = ptAtariST;
  PixelData = Bytes().From(end + 6);
  ModeName = "ColorSTar object";
  DefaultExtension = ".obj";
}

// DEGAS Elite icons: C source text of the icon's words.

uint8_t TQoAtariSTDegasEliteIconEngine::Detect(TQoLoadSource& source) {
  TQoDegasIconText icon;
  if (source.Size <= 33 || !QoParseDegasIcon(source.Bytes(), icon, nullptr)) return 0;
  if (icon.Width == 0 || icon.Height == 0 ||
      (static_cast<uint64_t>(icon.Width) + 15) / 16 * icon.Height != icon.Size) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".icn"});
}

TQoAtariSTDegasEliteIconEngine::TQoAtariSTDegasEliteIconEngine(TQoLoadSource& source)
    : TQoAtariSTMonoEngine(source, ClassName) {
  TQoDegasIconText icon;
  if (!QoParseDegasIcon(Bytes(), icon, nullptr) || icon.Width == 0 || icon.Height == 0 ||
      (static_cast<uint64_t>(icon.Width) + 15) / 16 * icon.Height != icon.Size) {
    qo::RaiseInternalError();
  }
  SetPicture(static_cast<int32_t>(icon.Width), static_cast<int32_t>(icon.Height),
             (static_cast<std::size_t>(icon.Width) + 15) / 16 * 2);
  Packed = true;
  ModeName = "DEGAS Elite";
  Description = " icon";
  DefaultExtension = ".icn";
}

void TQoAtariSTDegasEliteIconEngine::Unpack(uint8_t* rows) {
  TQoDegasIconText icon;
  std::vector<uint16_t> words;
  if (!QoParseDegasIcon(Bytes(), icon, &words)) return;
  const std::size_t count = std::min(words.size(), RowBytes * static_cast<std::size_t>(Height) / 2);
  for (std::size_t i = 0; i < count; ++i) {
    rows[2 * i] = static_cast<uint8_t>(words[i] >> 8);
    rows[2 * i + 1] = static_cast<uint8_t>(words[i]);
  }
}

// DEGAS Elite brushes: 8 x 8 bytes, one pixel each.

uint8_t TQoAtariSTDegasEliteBrushEngine::Detect(TQoLoadSource& source) {
  if (source.Size != 64) return 0;
  const TQoByteView bytes = source.Bytes();
  bool any = false;
  for (std::size_t i = 0; i < 64; ++i) {
    const uint8_t b = bytes.U8(i);
    if (b > 1) return 0;
    any = any || b != 0;
  }
  if (!any) return 0;
  return QoDetect(source, {.Size = 64, .Signed = true, .Extensions = ".bru"});
}

TQoAtariSTDegasEliteBrushEngine::TQoAtariSTDegasEliteBrushEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  Width = 8;
  Height = 8;
  ColorDepth = 1;
  Layout = kSTLayoutHigh;
  ModeName = "DEGAS Elite";
  Description = " brush";
  DefaultExtension = ".bru";
}

std::unique_ptr<TQoBitmap> TQoAtariSTDegasEliteBrushEngine::Decode() {
  SetMonoPalette(false);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const TQoByteView bytes = Bytes();
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) bmp->SetPixel(x, y, bytes.U8(static_cast<std::size_t>(8 * y + x)));
  }
  return bmp;
}
