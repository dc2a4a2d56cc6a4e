// The readers of per-line colour changes: the copper lists of the Amiga paint programs
// (PCHG, CTBL/BEAM, SHAM) and the raster palettes of the Atari STE (RAST), replayed row
// by row into the palette while the ILBM engine decodes a picture.

#include <algorithm>

#include "color/QoPaletteTypes.h"
#include "platforms/Amiga/QoOpenPlatformAmiga.h"

namespace {

constexpr std::size_t kPCHGHeader = 20;
constexpr std::size_t kRASTRecord = 34;

void GrowTo(TQoPalette256& palette, int count) {
  while (palette.GetCount() < count) palette.Add(0, 0, 0);
}

void Write12(TQoPalette256& palette, int entry, uint32_t rgb12, const TQoPaletteRGB& table444) {
  palette.GetPColor(entry).SetStdRGB(table444.GetStdRGB(static_cast<int>(rgb12 & 0xFFFu)));
}

// The next k words of a colour table into registers 0 to k - 1, as far as the palette
// reaches; the words beyond it are skipped, so every row starts at its own words.
void NextTableRow(TQoByteCursor& words, std::size_t k, TQoPalette256& palette,
                  const TQoPaletteRGB& table444) {
  for (std::size_t i = 0; i < k; ++i) {
    uint16_t word = 0;
    if (!words.TryNextBE16(word)) return;
    if (static_cast<int>(i) < palette.GetCount()) {
      Write12(palette, static_cast<int>(i), word, table444);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// PCHG

TQoAmigaPCHG::TQoAmigaPCHG(const TQoIFFChunk& chunk, int height)
    : rowFlags_(static_cast<std::size_t>(std::max(height, 0)), 0) {
  usedUp_ = true;
  const TQoByteView d = chunk.Data;
  if (d.Size() < kPCHGHeader) return;
  const uint16_t compression = d.BE16(0);
  // Flag 2: the records are of the 24-bit chipset's colour registers.
  large_ = (d.BE16(2) & 2u) != 0;
  const auto startLine = static_cast<int16_t>(d.BE16(4));
  const uint16_t lineCount = d.BE16(6);
  if (lineCount == 0) return;

  TQoByteView lines;
  if (compression == 1) {
    const TQoByteView block = d.From(kPCHGHeader);
    if (block.Size() <= 7) return;
    const uint32_t treeSize = block.BE32(0);
    const uint32_t unpackedSize = block.BE32(4);
    const TQoByteView rest = block.From(8);
    if ((treeSize & 1u) || treeSize > rest.Size() || treeSize == 0) return;
    if (!QoUnpackPCHGHuffman(rest.Sub(0, treeSize), rest.From(treeSize), unpackedSize, unpacked_)) {
      unpacked_.clear();
      return;
    }
    lines = TQoByteView(unpacked_.data(), unpacked_.size());
  } else {
    lines = d.From(kPCHGHeader);
  }

  TQoByteCursor in(lines);
  int row = startLine;
  const std::size_t maskWords = (static_cast<std::size_t>(lineCount) + 31) / 32;
  for (std::size_t i = 0; i < maskWords && in.Has(4); ++i) {
    const uint32_t mask = lines.BE32(in.Pos);
    in.Skip(4);
    for (int b = 0; b < 32; ++b, ++row) {
      if ((mask >> b) & 1u && row >= 0 && row < height)
        rowFlags_[static_cast<std::size_t>(row)] = 1;
    }
  }
  changes_ = in;
  usedUp_ = false;
}

void TQoAmigaPCHG::UpdateRow(int row, bool interlaced, TQoPalette256& palette,
                             const TQoPaletteRGB& table444) {
  if (usedUp_ || row < 0) return;
  // An interlaced picture's changes are set up for the field line below.
  const auto at = static_cast<std::size_t>(interlaced ? row + 1 : row);
  if (at >= rowFlags_.size() || rowFlags_[at] == 0) return;
  if (large_) {
    UpdateLargeRow(palette);
    return;
  }
  uint8_t low = 0, high = 0;
  if (!changes_.TryNext(low) || !changes_.TryNext(high)) {
    usedUp_ = true;
    return;
  }
  for (int i = 0; i < low + high; ++i) {
    uint16_t word = 0;
    if (!changes_.TryNextBE16(word)) return;
    const int reg = (i < low ? 0 : 16) + (word >> 12);
    GrowTo(palette, reg + 1);
    Write12(palette, reg, word, table444);
  }
}

void TQoAmigaPCHG::UpdateLargeRow(TQoPalette256& palette) {
  // A count, then per change the register and its alpha, red, blue and green bytes.
  uint16_t count = 0;
  if (!changes_.TryNextBE16(count)) {
    usedUp_ = true;
    return;
  }
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* change = changes_.TakePointer(6);
    if (!change) return;
    const int reg = change[0] << 8 | change[1];
    if (reg >= 256) continue;
    GrowTo(palette, reg + 1);
    palette.GetPColor(reg).SetStdRGB(change[3], change[5], change[4]);
  }
}

// ---------------------------------------------------------------------------------------
// CTBL and BEAM

TQoAmigaBEAM::TQoAmigaBEAM(const TQoIFFChunk& chunk, int height) : words_(chunk.Data) {
  if (height > 0) perRow_ = chunk.Size() / 2 / static_cast<std::size_t>(height);
}

void TQoAmigaBEAM::UpdateRow(int, bool, TQoPalette256& palette, const TQoPaletteRGB& table444) {
  NextTableRow(words_, perRow_, palette, table444);
}

// ---------------------------------------------------------------------------------------
// SHAM

TQoAmigaSHAM::TQoAmigaSHAM(const TQoIFFChunk& chunk, int height, bool interlaced)
    : words_(chunk.Data, 2) {
  if (height > 0 && chunk.Size() >= 2) {
    perRow_ = (chunk.Size() - 2) / 2 / static_cast<std::size_t>(height);
    if (interlaced) perRow_ *= 2;
  }
}

void TQoAmigaSHAM::UpdateRow(int row, bool interlaced, TQoPalette256& palette,
                             const TQoPaletteRGB& table444) {
  if (interlaced && (row & 1)) return;
  NextTableRow(words_, perRow_, palette, table444);
}

// ---------------------------------------------------------------------------------------
// RAST

TQoAmigaRAST::TQoAmigaRAST(const TQoIFFChunk& chunk, int height) : data_(chunk.Data) {
  records_ = std::min(data_.Size() / kRASTRecord, static_cast<std::size_t>(std::max(height, 0)));
}

void TQoAmigaRAST::UpdateRow(int row, bool, TQoPalette256& palette, const TQoPaletteRGB&) {
  GrowTo(palette, 16);
  for (std::size_t r = 0; r < records_; ++r) {
    const std::size_t at = r * kRASTRecord;
    if (static_cast<int16_t>(data_.BE16(at)) != row) continue;
    for (int i = 0; i < 16; ++i) {
      palette.GetPColor(i).SetStdRGB(
          QoSTEColor(data_.BE16(at + 2 + 2 * static_cast<std::size_t>(i))));
    }
    return;
  }
}
