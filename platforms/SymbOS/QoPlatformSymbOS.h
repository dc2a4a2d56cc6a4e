#pragma once
// SymbOS graphics files: a picture put together from rectangular tiles, left to right in
// horizontal strips stacked top to bottom. Tiles are either four-colour, in the byte
// layout of the Amstrad CPC's mode 1, or sixteen-colour, two pixels a byte, raw or
// packed with ZX0.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "color/QoBitmap.h"
#include "engine/QoByteView.h"

// Unpacks a ZX0 stream (the second version's bit order) into out, which it fills from
// the start; true when the stream ends with its end marker, having written exactly
// out.size() bytes and read exactly stream.Size() bytes. Never raises.
bool QoUnpackZX0(TQoByteView stream, std::vector<uint8_t>& out, std::size_t& written);

// A packed sixteen-colour tile: the last 4 unpacked bytes, 2 zero bytes, then the ZX0
// stream of the rest. True when it unpacks to exactly size bytes.
bool QoUnpackSymbOSTile(TQoByteView block, std::size_t size, std::vector<uint8_t>& out);

struct TQoSymbOSPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t ColorDepth = 0;  // 2 for four-colour tiles, 4 for sixteen

  // Walks the tiles and checks the whole file; with draw given, also puts every tile's
  // pixels into it (4-colour values 0-3, 16-colour values 0-15). Never raises.
  bool Read(TQoByteView data, TQoBitmap* draw = nullptr);
};
