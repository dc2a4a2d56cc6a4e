#include "platforms/SinclairQL/QoPlatformSinclairQL.h"

namespace {

int Bit(uint8_t byte, int bit) {
  return (byte >> bit) & 1;
}

// The red and blue 3-bit levels of the 256-colour mode, by t (see the caller).
constexpr uint8_t kRedBlue[32][2] = {
    {0, 0}, {1, 0}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {2, 0}, {3, 0}, {2, 2},
    {3, 3}, {2, 4}, {3, 5}, {2, 6}, {3, 7}, {4, 0}, {5, 0}, {4, 2}, {5, 3}, {4, 4}, {5, 5},
    {4, 6}, {5, 7}, {6, 0}, {7, 0}, {6, 2}, {7, 3}, {6, 4}, {7, 5}, {6, 6}, {7, 7}};

uint32_t Rgb(uint32_t r6, uint32_t g6, uint32_t b6) {
  return static_cast<uint32_t>(qo::WidenLevel(r6, 6)) << 16 |
         static_cast<uint32_t>(qo::WidenLevel(g6, 6)) << 8 | qo::WidenLevel(b6, 6);
}

}  // namespace

void QoQLLine(TQoByteView data, std::size_t at, TQoQLLayout layout, int count, uint32_t* values) {
  for (int x = 0; x < count; ++x) {
    const auto px = static_cast<std::size_t>(x);
    switch (layout) {
      case kQoQLMode4: {
        const std::size_t word = at + px / 8 * 2;
        const int bit = 7 - x % 8;
        values[x] =
            static_cast<uint32_t>(2 * Bit(data.U8(word + 1), bit) + Bit(data.U8(word), bit));
        break;
      }
      case kQoQLMode8:
      case kQoQLGD2Mode8: {
        const std::size_t word = at + px / 4 * 2;
        const int high = 7 - 2 * (x % 4);
        const uint8_t even = data.U8(word);
        const uint8_t odd = data.U8(word + 1);
        values[x] = layout == kQoQLMode8
                        // green, red, blue; the flash bit is not a colour
                        ? static_cast<uint32_t>(4 * Bit(odd, high) + 2 * Bit(even, high) +
                                                Bit(odd, high - 1))
                        : static_cast<uint32_t>(2 * Bit(even, high) + 8 * Bit(even, high - 1) +
                                                4 * Bit(odd, high) + Bit(odd, high - 1));
        break;
      }
      case kQoQLGD2Mode16:
        values[x] = data.U8(at + px);
        break;
      case kQoQLGD2Mode32: {
        const uint32_t w = data.LE16(at + 2 * px);
        const uint32_t r = w >> 11, g = (w >> 5) & 63, b = w & 31;
        values[x] = Rgb(r << 1 | r >> 4, g, b << 1 | b >> 4);
        break;
      }
      case kQoQLGD2Mode33: {
        const uint32_t w = data.BE16(at + 2 * px);
        const uint32_t low = w & 1;
        values[x] = Rgb(((w >> 6) & 31) << 1 | low, (w >> 11) << 1 | low, w & 63);
        break;
      }
    }
  }
}

void QoQLPalette(TQoQLLayout layout, TQoPalette256& palette) {
  palette.Clear();
  switch (layout) {
    case kQoQLMode4:
      for (uint32_t c : {0x000000u, 0x00FF00u, 0xFF0000u, 0xFFFFFFu}) palette.Add(c);
      break;
    case kQoQLMode8:
      palette.SetRGB8();
      break;
    case kQoQLGD2Mode8:
      palette.SetSpectrum16(146);
      break;
    case kQoQLGD2Mode16:
      for (int n = 0; n < 256; ++n) {
        const auto bit = [n](int b) { return (n >> b) & 1; };
        const int g = 4 * bit(7) + 2 * bit(4) + bit(1);
        const int t = 16 * bit(6) + 8 * bit(3) + 4 * bit(5) + 2 * bit(2) + bit(0);
        palette.Add(qo::WidenLevel(kRedBlue[t][0], 3), qo::WidenLevel(static_cast<uint32_t>(g), 3),
                    qo::WidenLevel(kRedBlue[t][1], 3));
      }
      break;
    default:
      break;
  }
}

bool QoQLLooksLikeMode8(TQoByteView screen) {
  bool draws = false;
  for (std::size_t i = 0; i + 1 < screen.Size(); i += 2) {
    const uint8_t even = screen.U8(i);
    if (even & 0x55) return false;
    draws = draws || (even & 0xAA) != 0;
  }
  return draws;
}

bool TQoQLPicHeader::Read(TQoByteView data) {
  if (data.Size() <= kSize || data.U8(0) != 0x4A || data.U8(1) != 0xFC) return false;
  StoredWidth = data.BE16(2);
  Height = data.BE16(4);
  LineBytes = data.BE16(6);
  Mode = data.U8(8);
  if (StoredWidth == 0 || Height == 0) return false;
  if (data.Size() != kSize + static_cast<std::size_t>(LineBytes) * Height) return false;
  const int w = StoredWidth;
  int least = 0;
  switch (Mode) {
    case 0:
      Layout = kQoQLMode4, Width = w, least = 2 * ((w + 7) / 8);
      break;
    case 4:
      Layout = kQoQLGD2Mode8, Width = w / 2, least = (w + 3) / 4;
      break;
    case 8:
      Layout = kQoQLMode8, Width = w / 2, least = 2 * ((w / 2 + 3) / 4);
      break;
    case 16:
      Layout = kQoQLGD2Mode16, Width = w, least = w;
      break;
    case 32:
      Layout = kQoQLGD2Mode32, Width = w, least = 2 * w;
      break;
    case 33:
      Layout = kQoQLGD2Mode33, Width = w, least = 2 * w;
      break;
    default:
      return false;
  }
  if ((Mode == 4 || Mode == 8) && w % 2 != 0) return false;
  return LineBytes >= least;
}
