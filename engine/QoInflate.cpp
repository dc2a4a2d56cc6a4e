#include "engine/QoInflate.h"

#include <zlib.h>

#include <limits>

bool QoInflate(const uint8_t* in, std::size_t inSize, uint8_t* out, std::size_t capacity,
               std::size_t& produced) {
  produced = 0;
  constexpr std::size_t kLimit = std::numeric_limits<uInt>::max();
  if (!in || inSize == 0 || inSize > kLimit || capacity > kLimit || (!out && capacity)) {
    return false;
  }
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  stream.next_in = const_cast<Bytef*>(in);
  stream.avail_in = static_cast<uInt>(inSize);
  stream.next_out = out;
  stream.avail_out = static_cast<uInt>(capacity);
  // Z_FINISH with all input and all room given: Z_STREAM_END means a complete stream
  // that fitted; anything else is a corrupt, truncated or oversized one.
  const int status = inflate(&stream, Z_FINISH);
  produced = static_cast<std::size_t>(stream.total_out);
  inflateEnd(&stream);
  return status == Z_STREAM_END;
}

bool QoInflateExact(const uint8_t* in, std::size_t inSize, uint8_t* out, std::size_t outSize) {
  std::size_t produced = 0;
  return QoInflate(in, inSize, out, outSize, produced) && produced == outSize;
}
