#pragma once
// The only road from file data into an engine: a non-owning view whose every read is
// bounds-checked. An out-of-range read raises "Internal error"; it never touches memory
// outside the buffer. Offsets are unsigned, so a negative offset computed by mistake
// wraps to a huge value and fails the same check.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/QoErrors.h"
#include "engine/kivSwap.h"

class TQoByteView {
 public:
  TQoByteView() = default;
  TQoByteView(const uint8_t* data, std::size_t size) : data_(size ? data : nullptr), size_(size) {}

  const uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  // True when count bytes starting at offset lie inside the view (overflow-safe).
  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }

  uint8_t U8(std::size_t offset) const { return *Ptr(offset, 1); }
  uint16_t LE16(std::size_t offset) const {
    const uint8_t* p = Ptr(offset, 2);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  uint16_t BE16(std::size_t offset) const { return Swap16(LE16(offset)); }
  uint32_t LE32(std::size_t offset) const {
    const uint8_t* p = Ptr(offset, 4);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }
  uint32_t BE32(std::size_t offset) const { return Swap32(LE32(offset)); }

  // True when the bytes at offset spell text exactly; false (never a raise) when the
  // view is too short, so Detect functions can test signatures directly.
  bool Matches(std::size_t offset, std::string_view text) const {
    if (!Has(offset, text.size())) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (data_[offset + i] != static_cast<uint8_t>(text[i])) return false;
    }
    return true;
  }

  // A checked pointer to count bytes at offset.
  const uint8_t* Ptr(std::size_t offset, std::size_t count) const {
    if (!Has(offset, count)) qo::RaiseInternalError();
    return data_ + offset;
  }

  // The view of count bytes at offset.
  TQoByteView Sub(std::size_t offset, std::size_t count) const {
    return TQoByteView(Ptr(offset, count), count);
  }
  // The view from offset to the end.
  TQoByteView From(std::size_t offset) const {
    if (offset > size_) qo::RaiseInternalError();
    return TQoByteView(data_ + offset, size_ - offset);
  }

 private:
  const uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// A reading position over a view: the one byte cursor of the system. Next, Take and the
// other raising reads are for engines, whose inconsistent data ends in "Internal error";
// the Read, TakePointer and Skip operations are for depackers and stream readers, which
// answer false at the end of the data, consume nothing then, and never raise.
struct TQoByteCursor {
  TQoByteView View;
  std::size_t Pos = 0;

  TQoByteCursor() = default;
  explicit TQoByteCursor(TQoByteView view, std::size_t pos = 0) : View(view), Pos(pos) {}
  TQoByteCursor(const uint8_t* data, std::size_t size) : View(data, size) {}

  bool Has(std::size_t count) const { return View.Has(Pos, count); }
  std::size_t Remaining() const { return Pos < View.Size() ? View.Size() - Pos : 0; }
  // Where the next read starts.
  const uint8_t* Cursor() const {
    return View.Data() ? View.Data() + (Pos < View.Size() ? Pos : View.Size()) : nullptr;
  }
  uint8_t Next() {
    const uint8_t value = View.U8(Pos);
    ++Pos;
    return value;
  }
  // A checked pointer to the next count bytes; the cursor moves past them.
  const uint8_t* Take(std::size_t count) {
    const uint8_t* p = View.Ptr(Pos, count);
    Pos += count;
    return p;
  }

  // The non-raising reads; words and longs little-endian.
  bool TryNext(uint8_t& value) { return ReadByte(value); }
  bool TryNextBE16(uint16_t& value) {
    if (!Has(2)) return false;
    value = View.BE16(Pos);
    Pos += 2;
    return true;
  }
  bool ReadByte(uint8_t& value) {
    if (!Has(1)) return false;
    value = View.Data()[Pos++];
    return true;
  }
  bool ReadWord(uint16_t& value) {
    if (!Has(2)) return false;
    value = View.LE16(Pos);
    Pos += 2;
    return true;
  }
  bool ReadLong(uint32_t& value) {
    if (!Has(4)) return false;
    value = View.LE32(Pos);
    Pos += 4;
    return true;
  }
  bool ReadBytes(uint8_t* buffer, std::size_t count) {
    const uint8_t* source = TakePointer(count);
    if (!source) return false;
    for (std::size_t i = 0; i < count; ++i) buffer[i] = source[i];
    return true;
  }
  // The current position, the cursor then moving past count bytes; nil (and nothing
  // consumed) when fewer than count bytes remain.
  const uint8_t* TakePointer(std::size_t count) {
    if (!Has(count)) return nullptr;
    const uint8_t* position = Cursor();
    Pos += count;
    return position;
  }
  // Moves past count bytes, stopping at the end of the data; false when it had to stop
  // early, so a skip never leaves the cursor outside the view.
  bool Skip(std::size_t count) {
    const std::size_t step = count < Remaining() ? count : Remaining();
    Pos += step;
    return step == count;
  }
};
