#include "platforms/Amiga/QoPlatformAmiga.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <span>
#include <vector>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "engine/QoStreamReaders.h"

namespace {

constexpr std::size_t kChunkHeader = 8;

const TQoPaletteRGB& Table444() {
  static const TQoPaletteRGB table(ptRGB444);
  return table;
}

const TQoPaletteRGB& Table333() {
  static const TQoPaletteRGB table(ptRGB333);
  return table;
}

uint32_t Quad(int r, int g, int b) {
  return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}

}  // namespace

std::vector<TQoIFFChunk> QoReadIFFChunks(TQoByteView data, std::size_t start) {
  std::vector<TQoIFFChunk> chunks;
  if (start > data.Size()) return chunks;
  std::size_t pos = start;
  std::size_t remaining = data.Size() - start;
  while (remaining >= kChunkHeader) {
    const uint32_t id = data.BE32(pos);
    const uint32_t size = data.BE32(pos + 4);
    if (size > remaining - kChunkHeader) {
      if (id == QoIFFId("BODY") || id == QoIFFId("ABIT")) {
        chunks.push_back(
            TQoIFFChunk{id, data.Sub(pos + kChunkHeader, remaining - kChunkHeader), true});
      }
      break;
    }
    chunks.push_back(TQoIFFChunk{id, data.Sub(pos + kChunkHeader, size)});
    pos += kChunkHeader + size;
    remaining -= kChunkHeader + size;
    // The pad byte after an odd size; a RAST chunk written without one is taken as it is.
    if (remaining > 3 && (size & 1u) && !data.Matches(pos, "RAST")) {
      ++pos;
      --remaining;
    }
  }
  return chunks;
}

bool QoIsIFFForm(TQoByteView file, std::string_view formType) {
  return file.Size() > 12 && file.Matches(0, "FORM") && file.Matches(8, formType);
}

bool TQoIFFBitmapHeader::Read(const TQoIFFChunk& chunk) {
  const TQoByteView d = chunk.Data;
  if (d.Size() != kSize) return false;
  Width = d.BE16(0);
  Height = d.BE16(2);
  Planes = d.U8(8);
  Masking = d.U8(9);
  Compression = d.U8(10);
  Flags = d.U8(11);
  XAspect = d.U8(14);
  YAspect = d.U8(15);
  PageWidth = d.BE16(16);
  PageHeight = d.BE16(18);
  return true;
}

bool TQoIFFColorRange::Read(const TQoIFFChunk& chunk) {
  const TQoByteView d = chunk.Data;
  if (d.Size() != 8) return false;
  Rate = static_cast<int16_t>(d.BE16(2));
  Flags = d.BE16(4);
  Low = d.U8(6);
  High = d.U8(7);
  return true;
}

bool TQoIFFColorRange::IsValid() const {
  // Rate 36 is what one paint program writes for a range it never animates.
  return (Flags & ~3u) == 0 && (Flags & 1u) && Rate != 0 && Rate != 36 && Low < High;
}

bool TQoIFFColorCycle::Read(const TQoIFFChunk& chunk) {
  const TQoByteView d = chunk.Data;
  if (d.Size() != 14) return false;
  Direction = static_cast<int16_t>(d.BE16(0));
  Start = d.U8(2);
  End = d.U8(3);
  Seconds = d.BE32(4);
  Microseconds = d.BE32(8);
  return true;
}

bool TQoIFFColorCycle::IsValid() const {
  return (Direction == 1 || Direction == -1) && Start < End && (Seconds != 0 || Microseconds != 0);
}

int32_t QoCycleDelayFromRate(int16_t rate) {
  // The rate counts 16384 for 60 steps per second. Read unsigned: a "negative" rate is
  // a huge one, far beyond what the display can show.
  const double r = static_cast<uint16_t>(rate);
  if (r <= 0) return 0;
  if (std::lround(r * 60.0 / 16384.0) >= 60) return 0;
  return std::max<int32_t>(1, static_cast<int32_t>(std::lround(16384.0 / r)));
}

int32_t QoCycleDelayFromTime(uint32_t seconds, uint32_t microseconds) {
  const double micro = static_cast<double>(seconds) * 1e6 + static_cast<double>(microseconds);
  const double ticks = std::round(micro * 60.0 / 1e6);
  if (ticks > 0x7FFFFFFF) return 0x7FFFFFFF;
  return std::max<int32_t>(1, static_cast<int32_t>(ticks));
}

void QoUnpackVDAT(TQoByteView vdat, uint8_t* planes, std::size_t planesSize, int plane,
                  std::size_t rowBytes, int height, std::size_t rowStride) {
  if (vdat.Size() < 2 || height <= 0) return;
  const std::size_t commandEnd = vdat.BE16(0);
  if (commandEnd < 2 || commandEnd > vdat.Size()) return;
  std::size_t command = 2;
  std::size_t data = commandEnd;
  const std::size_t columns = rowBytes / 2;
  const std::size_t total = columns * static_cast<std::size_t>(height);
  std::size_t produced = 0;

  auto nextData = [&](uint16_t& word) {
    if (data + 2 > vdat.Size()) return false;
    // Copied as stored: the picture keeps its byte order.
    word = static_cast<uint16_t>(vdat.Data()[data] << 8 | vdat.Data()[data + 1]);
    data += 2;
    return true;
  };
  auto put = [&](uint16_t word) {
    const std::size_t column = produced / static_cast<std::size_t>(height);
    const std::size_t row = produced % static_cast<std::size_t>(height);
    const std::size_t at =
        row * rowStride + static_cast<std::size_t>(plane) * rowBytes + 2 * column;
    if (at + 2 <= planesSize) {
      planes[at] = static_cast<uint8_t>(word >> 8);
      planes[at + 1] = static_cast<uint8_t>(word);
    }
    ++produced;
  };

  while (command < commandEnd && produced < total) {
    const auto cmd = static_cast<int8_t>(vdat.Data()[command++]);
    uint16_t word = 0;
    if (cmd == 0 || cmd < 0) {
      std::size_t count = 0;
      if (cmd == 0) {
        if (!nextData(word)) return;
        count = word;
      } else {
        count = static_cast<std::size_t>(-cmd);
      }
      for (std::size_t i = 0; i < count && produced < total; ++i) {
        if (!nextData(word)) return;
        put(word);
      }
    } else {
      std::size_t count = static_cast<std::size_t>(cmd);
      if (cmd == 1) {
        if (!nextData(word)) return;
        count = word;
        if (count == 0) return;
      }
      if (!nextData(word)) return;
      for (std::size_t i = 0; i < count && produced < total; ++i) put(word);
    }
  }
}

namespace {

// The eight pixels of a plane byte as eight lanes of one word: lane k (bits 8k..8k+7)
// holds bit 7 - k, the leftmost pixel in the lowest lane.
constexpr std::array<uint64_t, 256> kPlaneLanes = [] {
  std::array<uint64_t, 256> lanes{};
  for (int b = 0; b < 256; ++b) {
    for (int k = 0; k < 8; ++k)
      lanes[static_cast<std::size_t>(b)] |= static_cast<uint64_t>((b >> (7 - k)) & 1) << (8 * k);
  }
  return lanes;
}();

}  // namespace

void QoReadPlanarRow(TQoByteView data, std::size_t rowStart, std::size_t planeStride, int planes,
                     int width, uint32_t* values) {
  std::fill(values, values + width, 0u);
  const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
  // Up to eight planes at a time gather in byte lanes, eight pixels a word, and are then
  // spread into the values once.
  std::vector<uint64_t> lanes(rowBytes);
  for (int group = 0; group < planes; group += 8) {
    std::fill(lanes.begin(), lanes.end(), 0u);
    for (int p = group; p < planes && p < group + 8; ++p) {
      const uint8_t* row = data.Ptr(rowStart + static_cast<std::size_t>(p) * planeStride, rowBytes);
      for (std::size_t i = 0; i < rowBytes; ++i) lanes[i] |= kPlaneLanes[row[i]] << (p - group);
    }
    for (int x = 0; x < width; ++x) {
      const uint64_t word = lanes[static_cast<std::size_t>(x) >> 3];
      values[x] |= static_cast<uint32_t>((word >> (8 * (x & 7))) & 0xFF) << group;
    }
  }
}

void QoLoadCMAPPalette(TQoByteView cmap, TQoPalette256& palette, int count, TQoCMAPColors colors) {
  palette.Clear();
  for (int i = 0; i < count; ++i) palette.Add(0, 0, 0);
  const int n = std::min<int>(count, static_cast<int>(cmap.Size() / 3));
  for (int i = 0; i < n; ++i) {
    const std::size_t at = 3 * static_cast<std::size_t>(i);
    const uint8_t r = cmap.U8(at);
    const uint8_t g = cmap.U8(at + 1);
    const uint8_t b = cmap.U8(at + 2);
    TQoColor& entry = palette.GetPColor(i);
    switch (colors) {
      case TQoCMAPColors::AtariST:
        entry.SetStdRGB(Table333().GetStdRGB((r / 32) * 64 + (g / 32) * 8 + b / 32));
        break;
      case TQoCMAPColors::Amiga12:
        entry.SetStdRGB(
            QoAmigaColor12(static_cast<uint32_t>((r / 16) * 256 + (g / 16) * 16 + b / 16)));
        break;
      case TQoCMAPColors::Full8:
        entry.SetStdRGB(r, g, b);
        break;
    }
  }
}

TQoStdRGBColor QoAmigaColor12(uint32_t rgb12) {
  return Table444().GetStdRGB(static_cast<int>(rgb12 & 0xFFFu));
}

void QoSplit12(const TQoStdRGBColor& c, int& r, int& g, int& b) {
  // A 4-bit level n is stored as n * 17, whose top nibble is n again.
  r = c.R >> 4;
  g = c.G >> 4;
  b = c.B >> 4;
}

void QoExtendHalfBrite(TQoPalette256& palette) {
  while (palette.GetCount() < 64) palette.Add(0, 0, 0);
  for (int i = 0; i < 32; ++i) {
    int r = 0, g = 0, b = 0;
    QoSplit12(palette.GetStdRGB(i), r, g, b);
    palette.GetPColor(32 + i).SetStdRGB(
        QoAmigaColor12(static_cast<uint32_t>((r / 2) << 8 | (g / 2) << 4 | (b / 2))));
  }
}

void QoDecodeHam6Row(const uint32_t* values, int count, const TQoPalette256& palette,
                     uint32_t* out) {
  int r = 0, g = 0, b = 0;
  if (palette.GetCount() > 0) QoSplit12(palette.GetStdRGB(0), r, g, b);
  for (int x = 0; x < count; ++x) {
    const int v = static_cast<int>(values[x] & 63u);
    const int d = v & 15;
    switch (v >> 4) {
      case 0:
        if (d < palette.GetCount()) {
          QoSplit12(palette.GetStdRGB(d), r, g, b);
        } else {
          r = g = b = 0;
        }
        break;
      case 1:
        b = d;
        break;
      case 2:
        r = d;
        break;
      default:
        g = d;
        break;
    }
    const TQoStdRGBColor c = QoAmigaColor12(static_cast<uint32_t>(r << 8 | g << 4 | b));
    out[x] = Quad(c.R, c.G, c.B);
  }
}

void QoDecodeHam8Row(const uint32_t* values, int count, const TQoPalette256& palette,
                     uint32_t* out) {
  TQoStdRGBColor c;
  if (palette.GetCount() > 0) c = palette.GetStdRGB(0);
  int r = c.R, g = c.G, b = c.B;
  for (int x = 0; x < count; ++x) {
    const int v = static_cast<int>(values[x] & 255u);
    const int d = v & 63;
    switch (v >> 6) {
      case 0:
        if (d < palette.GetCount()) {
          c = palette.GetStdRGB(d);
          r = c.R;
          g = c.G;
          b = c.B;
        } else {
          r = g = b = 0;
        }
        break;
      case 1:
        b = (d << 2) | (b & 3);
        break;
      case 2:
        r = (d << 2) | (r & 3);
        break;
      default:
        g = (d << 2) | (g & 3);
        break;
    }
    out[x] = Quad(r, g, b);
  }
}

bool QoUnpackPCHGHuffman(TQoByteView tree, TQoByteView bits, std::size_t outSize,
                         std::vector<uint8_t>& out) {
  out.clear();
  const std::size_t words = tree.Size() / 2;
  if (words == 0) return outSize == 0;
  // Every byte needs at least one bit: a size beyond that is a lie.
  if (outSize > bits.Size() * 8 || outSize > qo::kMaxAllocation) return false;
  out.reserve(outSize);
  auto word = [&](std::ptrdiff_t node) {
    return static_cast<int16_t>(tree.BE16(static_cast<std::size_t>(node) * 2));
  };
  const auto root = static_cast<std::ptrdiff_t>(words) - 1;
  std::ptrdiff_t node = root;
  std::size_t bit = 0;
  const std::size_t bitCount = bits.Size() * 8;
  while (out.size() < outSize) {
    if (bit >= bitCount) return false;
    const bool one = bits.Data()[bit >> 3] & (0x80u >> (bit & 7));
    ++bit;
    if (one) {
      const int16_t w = word(node);
      if (w < 0) {
        node += w / 2;
        if (node < 0) return false;
      } else {
        out.push_back(static_cast<uint8_t>(w));
        node = root;
      }
    } else {
      if (--node < 0) return false;
      const int16_t w = word(node);
      if ((static_cast<uint16_t>(w) & 0x8100u) == 0x0100u) {
        out.push_back(static_cast<uint8_t>(w));
        node = root;
      }
    }
  }
  return true;
}

TQoStdRGBColor QoSTEColor(uint16_t word) {
  auto level = [](uint32_t n) { return static_cast<uint8_t>((((n * 2) & 15u) | (n >> 3)) * 17); };
  return TQoStdRGBColor{level((word >> 8) & 15u), level((word >> 4) & 15u), level(word & 15u)};
}

bool TQoDEEPChunks::Read(TQoByteView file) {
  if (!QoIsIFFForm(file, "DEEP") && !QoIsIFFForm(file, "TVPP")) return false;
  auto sane = [](uint16_t v) { return v >= 1 && v <= 2000; };
  for (const TQoIFFChunk& chunk : QoReadIFFChunks(file, 12)) {
    const TQoByteView d = chunk.Data;
    switch (chunk.Id) {
      case QoIFFId("TVDC"):
        if (TVDC.Present()) return false;
        TVDC = chunk;
        break;
      case QoIFFId("DLOC"):
        if (DLOC.Present() || d.Size() != 8) return false;
        DLOC = chunk;
        Width = d.BE16(0);
        Height = d.BE16(2);
        if (!sane(Width) || !sane(Height)) return false;
        break;
      case QoIFFId("DGBL"):
        if (DGBL.Present() || d.Size() != 8) return false;
        DGBL = chunk;
        DisplayWidth = d.BE16(0);
        DisplayHeight = d.BE16(2);
        Compression = d.BE16(4);
        XAspect = d.U8(6);
        YAspect = d.U8(7);
        if (!sane(DisplayWidth) || !sane(DisplayHeight)) return false;
        if (Compression != 0 && Compression != 1 && Compression != 5) return false;
        break;
      case QoIFFId("DPEL"): {
        if (DPEL.Present() || d.Size() <= 4) return false;
        DPEL = chunk;
        const uint32_t count = d.BE32(0);
        if ((count != 3 && count != 4) || d.Size() != 4 * count + 4) return false;
        for (uint32_t i = 0; i < count; ++i) {
          const TQoDEEPElement e{d.BE16(4 + 4 * i), d.BE16(6 + 4 * i)};
          if (e.Depth != 8) return false;
          Elements.push_back(e);
        }
        break;
      }
      case QoIFFId("DBOD"):
        if (!DBOD.Present()) DBOD = chunk;
        break;
      case QoIFFId("ANNO"):
        ANNO = chunk;
        break;
      case QoIFFId("AUTH"):
        AUTH = chunk;
        break;
      default:
        break;
    }
  }
  if (!DGBL.Present() || !DPEL.Present() || !DLOC.Present()) return false;
  if (Compression == 5 && TVDC.Size() != 32) return false;
  // A picture without its pixels is not shown.
  return DBOD.Present();
}

void QoUnpackDEEPDeltas(TQoByteView body, TQoByteView table, int width, int height, int elements,
                        uint8_t* out) {
  if (table.Size() < 32) return;
  std::size_t nibble = 0;  // position in nibbles, high nibble of each byte first
  const std::size_t nibbles = body.Size() * 2;
  auto next = [&](uint32_t& n) {
    if (nibble >= nibbles) return false;
    const uint8_t byte = body.Data()[nibble / 2];
    n = (nibble & 1) ? (byte & 15u) : (byte >> 4);
    ++nibble;
    return true;
  };
  const auto stride = static_cast<std::size_t>(elements);
  for (int y = 0; y < height; ++y) {
    for (int e = 0; e < elements; ++e) {
      nibble = (nibble + 1) & ~std::size_t{1};
      uint32_t value = 0;
      uint32_t repeat = 0;
      uint8_t* row = out + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * stride;
      for (int x = 0; x < width; ++x) {
        if (repeat > 0) {
          --repeat;
        } else {
          uint32_t i = 0;
          if (!next(i)) return;
          const uint16_t t = table.BE16(2 * i);
          if (t & 0xFFu) {
            value = (value + (t & 0xFFu)) & 0xFFu;
          } else if (t == 0) {
            if (!next(repeat)) return;
          }
        }
        row[static_cast<std::size_t>(x) * stride + static_cast<std::size_t>(e)] =
            static_cast<uint8_t>(value);
      }
    }
  }
}

bool TQoAMOSPicture::Read(TQoByteView file) {
  const std::size_t size = file.Size();
  if (size <= kPacked || !file.Matches(0, "AmBk") || !file.Matches(12, "Pac.Pic.")) return false;
  if ((file.BE32(8) & 0x0FFFFFFFu) != size - 12) return false;
  if (file.BE32(kScreen) != 0x12031990u || file.BE32(kPicture) != 0x06071963u) return false;
  ScreenWidth = file.BE16(kScreen + 4);
  ScreenHeight = file.BE16(kScreen + 6);
  Mode = file.BE16(kScreen + 20);
  Planes = file.BE16(kScreen + 24);
  Colors = file.Sub(kScreen + 26, 64);
  RowBytes = file.BE16(kPicture + 8);
  Blocks = file.BE16(kPicture + 10);
  LinesPerBlock = file.BE16(kPicture + 12);
  RunOffset = file.BE32(kPicture + 16);
  PointOffset = file.BE32(kPicture + 20);
  if (Planes < 1 || Planes > 6 || file.BE16(kPicture + 14) != Planes) return false;
  if (RowBytes == 0 || Blocks == 0 || LinesPerBlock == 0) return false;
  if (PlanarSize() > qo::kMaxAllocation) return false;
  const std::size_t limit = size - kPicture;
  for (uint32_t offset : {RunOffset, PointOffset}) {
    if (offset <= 24 || offset >= limit) return false;
  }
  return RunOffset != PointOffset;
}

uint32_t TQoAMOSPicture::DisplayMode() const {
  uint32_t id = 0;
  if (Mode & 0x8000u) id |= kAmigaModeHiRes;
  if (Mode & 0x0004u) id |= kAmigaModeLace;
  if (Planes == 6) id |= (Mode & 0x0800u) ? kAmigaModeHam : kAmigaModeHalfBrite;
  return id;
}

bool TQoAMOSPicture::IsHam() const {
  return DisplayMode() & kAmigaModeHam;
}

void QoUnpackAMOSPicture(TQoByteView file, const TQoAMOSPicture& h, uint8_t* out) {
  constexpr std::size_t P = TQoAMOSPicture::kPicture;
  const std::size_t first = std::min(h.RunOffset, h.PointOffset);
  auto stream = [&](uint32_t offset) {
    const std::size_t end =
        offset == first ? P + std::max(h.RunOffset, h.PointOffset) : file.Size();
    return TQoByteCursor(file.Sub(P + offset, end - (P + offset)));
  };
  TQoByteCursor picture(file.Sub(P + 24, first - 24));
  TQoByteCursor runs = stream(h.RunOffset);
  TQoByteCursor points = stream(h.PointOffset);

  uint8_t value = 0, run = 0, point = 0;
  if (!picture.TryNext(value) || !runs.TryNext(run) || !points.TryNext(point)) return;
  if ((point & 0x80u) && !runs.TryNext(run)) return;
  unsigned runMask = 0x80, pointMask = 0x40;
  const std::size_t rowBytes = h.RowBytes;
  const std::size_t planeSize = rowBytes * static_cast<std::size_t>(h.Height());
  for (std::size_t p = 0; p < h.Planes; ++p) {
    for (std::size_t j = 0; j < h.Blocks; ++j) {
      for (std::size_t c = 0; c < rowBytes; ++c) {
        for (std::size_t l = 0; l < h.LinesPerBlock; ++l) {
          if (runMask == 0) {
            if (pointMask == 0) {
              if (!points.TryNext(point)) return;
              pointMask = 0x80;
            }
            if ((point & pointMask) && !runs.TryNext(run)) return;
            pointMask >>= 1;
            runMask = 0x80;
          }
          if ((run & runMask) && !picture.TryNext(value)) return;
          const std::size_t y = j * h.LinesPerBlock + l;
          out[p * planeSize + y * rowBytes + c] = value;
          runMask >>= 1;
        }
      }
    }
  }
}

bool TQoAMOSSpriteBank::Read(TQoByteView file) {
  if (file.Size() <= 6) return false;
  if (file.Matches(0, "AmIc")) {
    Icons = true;
  } else if (!file.Matches(0, "AmSp")) {
    return false;
  }
  const uint16_t count = file.BE16(4);
  if (count == 0) return false;
  std::size_t at = 6;
  for (uint16_t i = 0; i < count; ++i) {
    if (!file.Has(at, 10)) return false;
    TQoAMOSSprite sprite;
    sprite.Words = file.BE16(at);
    sprite.Height = file.BE16(at + 2);
    sprite.Planes = file.BE16(at + 4);
    if (!sprite.Empty() &&
        (sprite.Words == 0 || sprite.Height == 0 || sprite.Planes < 1 || sprite.Planes > 6)) {
      return false;
    }
    const std::size_t bytes =
        std::size_t{2} * sprite.Words * sprite.Height * static_cast<std::size_t>(sprite.Planes);
    if (!file.Has(at + 10, bytes)) return false;
    sprite.Data = file.Sub(at + 10, bytes);
    at += 10 + bytes;
    if (!sprite.Empty()) {
      ++NonEmpty;
      MaxPlanes = std::max<int>(MaxPlanes, sprite.Planes);
    }
    Sprites.push_back(sprite);
  }
  if (NonEmpty == 0 || file.Size() - at != 64) return false;
  Colors = file.Sub(at, 64);
  return true;
}

std::string QoAmigaDisplayModeNames(bool hasCamg, uint32_t camg) {
  if (!hasCamg) return std::string();
  std::string names;
  const uint32_t monitor = camg & kAmigaMonitorMask;
  switch (monitor) {
    case kAmigaMonitorNTSC:
      names = " NTSC";
      break;
    case kAmigaMonitorPAL:
      names = " PAL";
      break;
    case kAmigaMonitorVGA:
      names = " VGA";
      break;
    case kAmigaMonitorA2024:
      names = " A2024";
      break;
    case kAmigaMonitorEURO72:
      names = " EURO72";
      break;
    case kAmigaMonitorEURO36:
      names = " EURO36";
      break;
    case kAmigaMonitorSUPER72:
      names = " SUPER72";
      break;
    case kAmigaMonitorDBLNTSC:
      names = " DBLNTSC";
      break;
    case kAmigaMonitorDBLPAL:
      names = " DBLPAL";
      break;
    default:
      break;
  }
  if (monitor == kAmigaMonitorDBLNTSC || monitor == kAmigaMonitorDBLPAL) {
    switch (camg & 0x8005u) {
      case 0:
        return names + " LoRes";
      case 4:
        return names + " LoRes NoFlicker";
      case 5:
        return names + " LoRes Laced";
      case 0x8000:
        return names + " HiRes";
      case 0x8004:
        return names + " HiRes NoFlicker";
      case 0x8005:
        return names + " HiRes Laced";
      default:
        return names;
    }
  }
  switch (camg & 0x8024u) {
    case 0:
      return names + " LoRes";
    case 4:
      return names + " LoRes Laced";
    case 0x8000:
      return names + " HiRes";
    case 0x8004:
      return names + " HiRes Laced";
    case 0x8020:
      return names + " SuperHiRes";
    case 0x8024:
      return names + " SuperHiRes Laced";
    default:
      return names;
  }
}

namespace {

// Aspect-table entries the Amiga modes use.
constexpr int k3to14 = 0, k1to4 = 1, k13to50 = 2, k3to7 = 5, k1to2 = 9, k13to25 = 10, k6to7 = 23,
              k1to1 = 28, k26to25 = 29, k12to7 = 43, k2to1 = 47, k52to25 = 48, k24to7 = 55,
              k104to25 = 57;

struct PageRule {
  uint16_t Width, Height;
  int Aspect;
};

// The standard page sizes of the NTSC and PAL displays in every resolution.
constexpr PageRule kNtscPages[] = {{1280, 400, k3to7}, {1280, 200, k3to14}, {640, 400, k6to7},
                                   {640, 200, k3to7},  {320, 400, k12to7},  {320, 200, k6to7}};
constexpr PageRule kPalPages[] = {{1280, 512, k13to25}, {1280, 256, k13to50}, {640, 512, k26to25},
                                  {640, 256, k13to25},  {320, 512, k52to25},  {320, 256, k26to25}};

constexpr int kNtscGroup[] = {k3to14, k3to7, k6to7, k12to7, k24to7};
constexpr int kPalGroup[] = {k13to50, k13to25, k26to25, k52to25, k104to25};
constexpr int kFullGroup[] = {k3to14, k1to4, k13to50, k3to7,  k1to2, k13to25,
                              k6to7,  k1to1, k26to25, k12to7, k2to1, k52to25};

int ByPage(std::span<const PageRule> rules, const TQoIFFBitmapHeader& h) {
  for (const PageRule& rule : rules) {
    if (rule.Width == h.PageWidth && rule.Height == h.PageHeight) return rule.Aspect;
  }
  return -1;
}

// The entry of the group whose pixel shape is nearest to the BMHD's, the earlier on a tie.
int Nearest(std::span<const int> group, const TQoIFFBitmapHeader& h) {
  if (h.XAspect == 0 || h.YAspect == 0) return -1;
  const double wanted = static_cast<double>(h.XAspect) / h.YAspect;
  int best = -1;
  double bestDistance = 0.0;
  for (int entry : group) {
    const TQoAspectEntry& e = QoAspectEntry(entry);
    const double distance = std::fabs(static_cast<double>(e.H) / e.V - wanted);
    if (best < 0 || distance < bestDistance) {
      best = entry;
      bestDistance = distance;
    }
  }
  return best;
}

int GenericMode(uint32_t camg) {
  switch (camg & 0x8024u) {
    case 0:
    case 0x8004:
      return k1to1;
    case 4:
      return k2to1;
    case 0x8000:
    case 0x8024:
      return k1to2;
    case 0x8020:
      return k1to4;
    default:
      return -1;
  }
}

int FirstOf(int a, int b) {
  return a >= 0 ? a : b;
}

}  // namespace

uint8_t QoAmigaAspectIndex(bool hasCamg, uint32_t camg, const TQoIFFBitmapHeader& h,
                           uint8_t current) {
  int aspect = -1;
  if (!hasCamg) {
    aspect = FirstOf(ByPage(kNtscPages, h), FirstOf(ByPage(kPalPages, h), Nearest(kFullGroup, h)));
  } else {
    const uint32_t hires = camg & 0x8024u;
    const uint32_t dbl = camg & 0x8005u;
    switch (camg & kAmigaMonitorMask) {
      case kAmigaMonitorDefault:
        aspect = FirstOf(ByPage(kNtscPages, h), ByPage(kPalPages, h));
        if (aspect < 0) aspect = FirstOf(GenericMode(camg), Nearest(kFullGroup, h));
        break;
      case kAmigaMonitorNTSC:
        if (hires == 0 || hires == 0x8004)
          aspect = k6to7;
        else if (hires == 4)
          aspect = k12to7;
        else if (hires == 0x8000 || hires == 0x8024)
          aspect = k3to7;
        else if (hires == 0x8020)
          aspect = k3to14;
        else
          aspect = FirstOf(ByPage(kNtscPages, h), Nearest(kNtscGroup, h));
        break;
      case kAmigaMonitorPAL:
        if (hires == 0 || hires == 0x8004)
          aspect = k26to25;
        else if (hires == 4)
          aspect = k52to25;
        else if (hires == 0x8000 || hires == 0x8024)
          aspect = k13to25;
        else if (hires == 0x8020)
          aspect = k13to50;
        else
          aspect = FirstOf(ByPage(kPalPages, h), Nearest(kPalGroup, h));
        break;
      case kAmigaMonitorDBLNTSC:
        if (dbl == 0 || dbl == 0x8004)
          aspect = k6to7;
        else if (dbl == 4 || dbl == 0x8005)
          aspect = k12to7;
        else if (dbl == 5)
          aspect = k24to7;
        else if (dbl == 0x8000)
          aspect = k3to7;
        else
          aspect = FirstOf(ByPage(kNtscPages, h), Nearest(kNtscGroup, h));
        break;
      case kAmigaMonitorDBLPAL:
        if (dbl == 0 || dbl == 0x8004)
          aspect = k26to25;
        else if (dbl == 4 || dbl == 0x8005)
          aspect = k52to25;
        else if (dbl == 5)
          aspect = k104to25;
        else if (dbl == 0x8000)
          aspect = k13to25;
        else
          aspect = FirstOf(ByPage(kPalPages, h), Nearest(kPalGroup, h));
        break;
      case kAmigaMonitorVGA:
      case kAmigaMonitorA2024:
        break;
      default:
        aspect = GenericMode(camg);
        break;
    }
  }
  return aspect >= 0 ? static_cast<uint8_t>(aspect) : current;
}

namespace {

// Windows-1252 in 0x80-0x9F; the five holes keep their C1 code points.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string QoAmigaText(TQoByteView bytes) {
  std::size_t first = 0;
  std::size_t last = bytes.Size();
  while (first < last && bytes.Data()[first] <= 32) ++first;
  while (last > first && bytes.Data()[last - 1] <= 32) --last;
  std::string text;
  for (std::size_t i = first; i < last; ++i) {
    const uint8_t c = bytes.Data()[i];
    AppendUtf8(text, (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c);
  }
  return text;
}
