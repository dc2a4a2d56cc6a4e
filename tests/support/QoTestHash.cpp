#include "support/QoTestHash.h"

#include <cstdio>

#include "color/QoBitmap.h"

namespace {

struct Fnv1a {
  uint64_t Value = 0xCBF29CE484222325ull;
  void Byte(uint8_t b) {
    Value ^= b;
    Value *= 0x100000001B3ull;
  }
  void Word(uint32_t w) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(w >> (8 * i)));
  }
};

}  // namespace

uint64_t QoHashBitmap(const TQoBitmap& bmp) {
  Fnv1a h;
  h.Word(static_cast<uint32_t>(bmp.Width));
  h.Word(static_cast<uint32_t>(bmp.Height));
  h.Word(static_cast<uint32_t>(bmp.BitsPerPixel));
  for (int32_t y = 0; y < bmp.Height; ++y) {
    for (int32_t x = 0; x < bmp.Width; ++x) h.Word(bmp.GetPixel(x, y));
  }
  if (bmp.Palette) {
    h.Word(static_cast<uint32_t>(bmp.Palette->GetCount()));
    for (int i = 0; i < bmp.Palette->GetCount(); ++i) h.Word(bmp.Palette->GetRGBQuad(i));
  }
  return h.Value;
}

std::string QoHashBitmapHex(const TQoBitmap& bmp) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(QoHashBitmap(bmp)));
  return text;
}
