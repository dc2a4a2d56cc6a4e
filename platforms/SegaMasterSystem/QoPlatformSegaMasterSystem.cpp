#include "platforms/SegaMasterSystem/QoPlatformSegaMasterSystem.h"

#include <vector>

namespace {

constexpr int kSpriteEnd = 208;  // a Y byte that ends the sprite list in 192-line screens
constexpr int kSpritesPerLine = 8;

// The value 0..15 of pixel (px, py) of tile `tile` at `base`.
uint32_t TilePixel(TQoByteView vram, std::size_t base, uint32_t tile, int px, int py) {
  const std::size_t row = (base + tile * 32 + static_cast<std::size_t>(py) * 4) % vram.Size();
  uint32_t value = 0;
  for (int plane = 0; plane < 4; ++plane) {
    value |= static_cast<uint32_t>(
                 (vram.U8((row + static_cast<std::size_t>(plane)) % vram.Size()) >> (7 - px)) & 1)
             << plane;
  }
  return value;
}

void DrawBackground(const TQoSMSVideoState& s, TQoBitmap& bmp, bool priority) {
  const std::size_t names = (s.Registers.U8(2) & 0x0E) * 1024u;
  const int scrollX = s.Registers.U8(8);
  const int scrollY = s.Registers.U8(9);
  const bool blankLeft = (s.Registers.U8(0) & 0x20) != 0;
  for (int r = 0; r < 28; ++r) {
    for (int c = 0; c < 32; ++c) {
      const uint16_t entry = s.Vram.LE16(names + static_cast<std::size_t>(r * 32 + c) * 2);
      if (((entry >> 12) & 1) != (priority ? 1 : 0)) continue;
      const uint32_t tile = entry & 0x1FF;
      const bool flipX = (entry >> 9) & 1;
      const bool flipY = (entry >> 10) & 1;
      const uint32_t plus = (entry >> 11) & 1 ? 16 : 0;
      for (int py = 0; py < 8; ++py) {
        for (int px = 0; px < 8; ++px) {
          const uint32_t value =
              TilePixel(s.Vram, 0, tile, flipX ? 7 - px : px, flipY ? 7 - py : py) + plus;
          if (value == 0) continue;
          int x = (c * 8 + px - scrollX) & 255;
          if (blankLeft) x -= 8;
          int y = r * 8 + py - scrollY;
          if (y < 0) y += 224;
          if (y >= 224) y -= 224;
          if (x < 0 || x >= bmp.Width || y >= bmp.Height) continue;
          bmp.SetPixel(x, y, value);
        }
      }
    }
  }
}

// As the video chip does: each line first finds the (at most eight) sprites that cover
// it, in list order; a pixel then takes the first of those with a non-zero pixel there.
void DrawSprites(const TQoSMSVideoState& s, TQoBitmap& bmp) {
  const std::size_t attributes = (s.Registers.U8(5) & 0x7E) * 128u;
  const std::size_t patterns = (s.Registers.U8(6) & 4) ? 8192 : 0;
  const int height = (s.Registers.U8(1) & 2) ? 16 : 8;
  const int shift = ((s.Registers.U8(0) & 0x20) ? 8 : 0) + ((s.Registers.U8(0) & 8) ? 8 : 0);
  struct TLineSprite {
    int Left;
    uint32_t Tile;
    int Line;
  };
  TLineSprite covering[kSpritesPerLine];
  for (int y = 0; y < bmp.Height; ++y) {
    int count = 0;
    for (int l = 0; l < 64 && count < kSpritesPerLine; ++l) {
      const int top = s.Vram.U8(attributes + static_cast<std::size_t>(l));
      if (top == kSpriteEnd) break;
      const int line = (y - top - 1) & 255;
      if (line >= height) continue;
      uint32_t tile = s.Vram.U8(attributes + 129 + 2 * static_cast<std::size_t>(l));
      if (height == 16) tile = (tile & ~1u) | (line >= 8 ? 1u : 0u);
      covering[count++] = {s.Vram.U8(attributes + 128 + 2 * static_cast<std::size_t>(l)), tile,
                           line % 8};
    }
    if (count == 0) continue;
    for (int x = 0; x < bmp.Width; ++x) {
      for (int i = 0; i < count; ++i) {
        const int column = x + shift - covering[i].Left;
        if (column < 0 || column > 7) continue;
        const uint32_t value =
            TilePixel(s.Vram, patterns, covering[i].Tile, column, covering[i].Line);
        if (value != 0) {
          bmp.SetPixel(x, y, value + 16);
          break;
        }
      }
    }
  }
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

void QoSMSColors(TQoPalette256& palette) {
  static constexpr uint8_t kLevels[4] = {0, 85, 170, 255};
  palette.Clear();
  for (int i = 0; i < 64; ++i)
    palette.Add(kLevels[i & 3], kLevels[(i >> 2) & 3], kLevels[(i >> 4) & 3]);
}

void QoSMSRender(const TQoSMSVideoState& state, TQoBitmap& bmp) {
  DrawBackground(state, bmp, false);
  DrawSprites(state, bmp);
  DrawBackground(state, bmp, true);
}

bool TQoMSBMPHeader::Read(TQoByteView data) {
  if (data.Size() <= 9 || !data.Matches(0, "MSBMP")) return false;
  TextAt = data.U8(6);
  DumpAt = data.LE16(7);
  if (TextAt <= 8 || DumpAt <= 9 || DumpAt <= TextAt) return false;
  if (data.Size() != DumpAt + kDumpSize) return false;
  return (data.U8(DumpAt) & 4) != 0;
}

TQoSMSVideoState TQoMSBMPHeader::State(TQoByteView data) const {
  return {data.Sub(DumpAt, 16), data.Sub(DumpAt + 16, 64), data.Sub(DumpAt + 80, 16384)};
}

std::string TQoMSBMPHeader::Title(TQoByteView data) const {
  std::vector<std::string> lines(1);
  for (std::size_t i = TextAt; i < DumpAt && lines.size() <= 3; ++i) {
    const uint8_t c = data.U8(i);
    if (c == 26) break;
    if (c == '\r' || c == '\n') {
      const uint8_t other = c == '\r' ? '\n' : '\r';
      if (i + 1 < DumpAt && data.U8(i + 1) == other) ++i;
      lines.emplace_back();
      continue;
    }
    lines.back().push_back(static_cast<char>(c));
  }
  std::string title;
  for (std::size_t i = 0; i < lines.size() && i < 3; ++i) {
    const std::string line = Trimmed(lines[i]);
    if (line.empty()) continue;
    title += (title.empty() ? "" : " / ") + line;
  }
  return title;
}

bool TQoMekaSnapshot::Read(TQoByteView data) {
  if (data.Size() <= 16384 || !data.Matches(0, "MEKA") || data.U8(4) != 26 || data.U8(6) != 0) {
    return false;
  }
  const int version = data.U8(5);
  if (version < 5 || version > 14) return false;
  Body = version < 12 ? 7 : 11;
  Work = Body + (version <= 12 ? 96 : 98);
  // Registers, work memory, video memory and at least 33 bytes after it.
  if (!data.Has(Body + 52, 16) || !data.Has(Work, 8192 + 16384 + 33)) return false;
  return (data.U8(Body + 52) & 4) != 0;
}

TQoSMSVideoState TQoMekaSnapshot::State(TQoByteView data) const {
  const std::size_t vram = Work + 8192;
  return {data.Sub(Body + 52, 16), data.Sub(vram + 16384, 32), data.Sub(vram, 16384)};
}
