#include "platforms/IBM/QoPlatformIBM.h"

bool TQoArtWorxLayout::Check(TQoByteView data) {
  if (data.Size() < kMinSize || data.U8(0) != 1) return false;
  for (std::size_t i = 0; i < 192; ++i) {
    if (data.U8(kPaletteAt + i) > 63) return false;
  }
  return true;
}
