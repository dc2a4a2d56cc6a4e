#include "platforms/PlayStation/QoPlatformPlayStation.h"

#include "color/QoColor.h"

namespace {

bool ReadBlock(TQoByteView data, std::size_t at, TQoTimBlock& block) {
  if (!data.Has(at, TQoTimBlock::kHeadSize)) return false;
  block.At = at;
  block.Length = data.LE32(at);
  block.W = data.LE16(at + 8);
  block.H = data.LE16(at + 10);
  return true;
}

}  // namespace

bool TQoTimHeader::Read(TQoByteView data) {
  if (data.Size() < 9 || data.LE32(0) != 16) return false;
  Mode = data.LE32(4) & 0xF;
  if (Mode != 2 && Mode != 3 && Mode != 8 && Mode != 9) return false;
  std::size_t at = 8;
  HasClut = Mode >= 8;
  if (HasClut) {
    if (!ReadBlock(data, at, Clut) || Clut.W == 0 || Clut.H == 0) return false;
    if (Clut.Length != static_cast<uint32_t>(Clut.W) * Clut.H * 2 + TQoTimBlock::kHeadSize)
      return false;
    // The colours must leave room for the image block.
    if (Clut.Length >= data.Size() - at) return false;
    at += Clut.Length;
  }
  if (!ReadBlock(data, at, Image) || Image.W == 0 || Image.H == 0) return false;
  // The pixels must be there; the stored block length is not trusted, since some writers
  // leave a wrong one.
  return data.Has(Image.DataAt(), static_cast<std::size_t>(Image.W) * Image.H * 2);
}

int32_t TQoTimHeader::Width() const {
  switch (Mode) {
    case 8:
      return Image.W * 4;
    case 9:
      return Image.W * 2;
    case 2:
      return Image.W;
    default:
      return Image.W / 3 * 2;
  }
}

int32_t TQoTimHeader::Depth() const {
  switch (Mode) {
    case 8:
      return 4;
    case 9:
      return 8;
    case 2:
      return 15;
    default:
      return 24;
  }
}

uint32_t QoTimColor(uint16_t word) {
  return uint32_t{qo::WidenLevel(word & 31, 5)} << 16 |
         uint32_t{qo::WidenLevel((word >> 5) & 31, 5)} << 8 |
         uint32_t{qo::WidenLevel((word >> 10) & 31, 5)};
}
