#include "platforms/SymbOS/QoPlatformSymbOS.h"

#include "base/QoErrors.h"
#include "platforms/AmstradCPC/QoPlatformAmstradCPC.h"

namespace {

// The bits of a ZX0 stream are read most significant first; after a new offset's low
// byte, its bit 0 is handed out once as the next bit.
class TZX0Reader {
 public:
  explicit TZX0Reader(TQoByteView stream) : stream_(stream) {}

  bool Byte(uint8_t& value) {
    if (pos_ >= stream_.Size()) return false;
    value = last_ = stream_.U8(pos_++);
    return true;
  }
  bool Bit(unsigned& bit) {
    if (backtrack_) {
      backtrack_ = false;
      bit = last_ & 1u;
      return true;
    }
    mask_ >>= 1;
    if (mask_ == 0) {
      mask_ = 0x80;
      if (!Byte(bits_)) return false;
    }
    bit = (bits_ & mask_) ? 1u : 0u;
    return true;
  }
  // Elias-gamma with data bits interlaced between the continuation bits; the caps keep
  // a crafted stream from counting past what any tile can hold.
  bool Gamma(bool inverted, std::size_t& value) {
    value = 1;
    for (;;) {
      unsigned stop = 0;
      if (!Bit(stop)) return false;
      if (stop) return true;
      unsigned bit = 0;
      if (!Bit(bit)) return false;
      value = value << 1 | (bit ^ (inverted ? 1u : 0u));
      if (value > qo::kMaxAllocation) return false;
    }
  }
  void Backtrack() { backtrack_ = true; }
  std::size_t Position() const { return pos_; }

 private:
  TQoByteView stream_;
  std::size_t pos_ = 0;
  uint8_t bits_ = 0;
  uint8_t mask_ = 0;
  uint8_t last_ = 0;
  bool backtrack_ = false;
};

}  // namespace

bool QoUnpackZX0(TQoByteView stream, std::vector<uint8_t>& out, std::size_t& written) {
  TZX0Reader in(stream);
  std::size_t offset = 1, length = 0, pos = 0;
  const auto copy = [&](std::size_t from, std::size_t n) {
    if (from == 0 || from > pos || n > out.size() - pos) return false;
    for (std::size_t i = 0; i < n; ++i, ++pos) out[pos] = out[pos - from];
    return true;
  };
  enum { kLiterals, kLastOffset, kNewOffset } state = kLiterals;
  for (;;) {
    unsigned bit = 0;
    switch (state) {
      case kLiterals:
        if (!in.Gamma(false, length) || length > out.size() - pos) return false;
        for (std::size_t i = 0; i < length; ++i) {
          if (!in.Byte(out[pos++])) return false;
        }
        if (!in.Bit(bit)) return false;
        state = bit ? kNewOffset : kLastOffset;
        break;
      case kLastOffset:
        if (!in.Gamma(false, length) || !copy(offset, length) || !in.Bit(bit)) return false;
        state = bit ? kNewOffset : kLiterals;
        break;
      case kNewOffset: {
        std::size_t high = 0;
        if (!in.Gamma(true, high)) return false;
        if (high == 256) {
          written = pos;
          return in.Position() == stream.Size();
        }
        uint8_t low = 0;
        if (!in.Byte(low)) return false;
        if (high * 128 <= static_cast<std::size_t>(low >> 1)) return false;
        offset = high * 128 - (low >> 1);
        in.Backtrack();
        if (!in.Gamma(false, length) || !copy(offset, length + 1) || !in.Bit(bit)) return false;
        state = bit ? kNewOffset : kLiterals;
        break;
      }
    }
  }
}

bool QoUnpackSymbOSTile(TQoByteView block, std::size_t size, std::vector<uint8_t>& out) {
  if (size < 4 || size > qo::kMaxAllocation || block.Size() <= 6) return false;
  if (block.U8(4) != 0 || block.U8(5) != 0) return false;
  out.assign(size, 0);
  std::size_t written = 0;
  if (!QoUnpackZX0(block.From(6), out, written) || written != size - 4) return false;
  for (std::size_t i = 0; i < 4; ++i) out[size - 4 + i] = block.U8(i);
  return true;
}

bool TQoSymbOSPicture::Read(TQoByteView data, TQoBitmap* draw) {
  Width = Height = ColorDepth = 0;
  if (data.Empty()) return false;
  const uint8_t first = data.U8(0);
  if (first >= 1 && first <= 63) {
    ColorDepth = 2;
  } else if ((first & 0x7F) == 0x40) {
    ColorDepth = 4;
  } else {
    return false;
  }
  std::size_t at = 0;
  int32_t stripWidth = 0, stripHeight = 0, y = 0;
  int tiles = 0;
  std::vector<uint8_t> unpacked;
  static constexpr std::size_t kMaxUnpacked = 16u * 1024u * 1024u;
  std::size_t total = 0;
  const auto closeStrip = [&]() {
    if (tiles == 0) return false;
    if (Width == 0) {
      Width = stripWidth;
    } else if (stripWidth != Width) {
      return false;
    }
    y += stripHeight;
    stripWidth = stripHeight = tiles = 0;
    return true;
  };
  for (;;) {
    if (at >= data.Size() || data.U8(at) == 0) break;
    const uint8_t kind = data.U8(at);
    if (kind == 255) {
      if (!closeStrip() || !data.Has(at + 1, 2)) return false;
      at += 3;
      continue;
    }
    int32_t w = 0, h = 0;
    std::size_t lineBytes = 0;
    TQoByteView pixels;
    if (ColorDepth == 2) {
      if (kind > 63 || !data.Has(at, 3)) return false;
      lineBytes = kind;
      w = data.U8(at + 1);
      h = data.U8(at + 2);
      if (static_cast<std::size_t>(w + 3) / 4 != lineBytes) return false;
      at += 3;
      if (!data.Has(at, lineBytes * static_cast<std::size_t>(h))) return false;
      pixels = data.Sub(at, lineBytes * static_cast<std::size_t>(h));
      at += pixels.Size();
    } else {
      if ((kind & 0x7F) != 0x40 || !data.Has(at, 8) || data.U8(at + 1) != 5) return false;
      lineBytes = data.LE16(at + 2);
      w = data.LE16(at + 4);
      h = data.LE16(at + 6);
      if (static_cast<std::size_t>(w + 1) / 2 != lineBytes) return false;
      at += 8;
      const std::size_t size = lineBytes * static_cast<std::size_t>(h);
      if (kind == 0x40) {
        if (!data.Has(at, size)) return false;
        pixels = data.Sub(at, size);
        at += size;
      } else {
        if (!data.Has(at, 2)) return false;
        const std::size_t length = data.LE16(at);
        if (length <= 6 || !data.Has(at + 2, length)) return false;
        // Far more than any screen SymbOS runs on; keeps a few bytes of ZX0 from asking
        // for gigabytes over many tiles.
        total += size;
        if (total > kMaxUnpacked) return false;
        if (!QoUnpackSymbOSTile(data.Sub(at + 2, length), size, unpacked)) return false;
        pixels = TQoByteView(unpacked.data(), unpacked.size());
        at += 2 + length;
      }
    }
    if (tiles > 0 && h != stripHeight) return false;
    const int32_t x = stripWidth;
    stripWidth += w;
    stripHeight = h;
    ++tiles;
    // A later strip may not reach beyond the first one's width.
    if (Width != 0 && stripWidth > Width) return false;
    if (static_cast<std::size_t>(stripWidth) * static_cast<std::size_t>(y + h) >
        2 * qo::kMaxAllocation) {
      return false;
    }
    if (draw) {
      for (int32_t line = 0; line < h; ++line) {
        for (int32_t px = 0; px < w; ++px) {
          const uint8_t byte = pixels.U8(static_cast<std::size_t>(line) * lineBytes +
                                         static_cast<std::size_t>(px) / (ColorDepth == 2 ? 4 : 2));
          const uint32_t value =
              ColorDepth == 2 ? QoCPCMode1Pixel(byte, px & 3) : (px & 1 ? byte & 15u : byte >> 4);
          draw->SetPixel(x + px, y + line, value);
        }
      }
    }
  }
  if (tiles > 0 && !closeStrip()) return false;
  Height = y;
  return Width > 0 && Height > 0;
}
