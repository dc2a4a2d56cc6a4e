#include "platforms/Vector/QoPlatformVector.h"

namespace {

// Red and green levels 0 to 7, blue levels 0 to 3, of the tables that are not even steps:
// an emulator's and a measured machine's.
constexpr uint8_t kEmuLevels8[8] = {0, 50, 92, 127, 159, 191, 223, 255};
constexpr uint8_t kEmuLevels4[4] = {0, 127, 191, 255};
constexpr uint8_t kVirtualLevels8[8] = {0, 38, 75, 113, 142, 180, 217, 255};
constexpr uint8_t kVirtualLevels4[4] = {0, 88, 167, 255};

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
}

// The stream of a packed screen read from its end towards its start, between a lowest
// offset and one past the highest.
struct TBackwardStream {
  TQoByteView File;
  std::size_t Low = 0;
  std::size_t Pos = 0;  // one past the next byte to read

  std::size_t Left() const { return Pos - Low; }
  uint8_t Next() { return File.U8(--Pos); }
};

// The screen filled from its last byte towards its first.
struct TBackwardScreen {
  uint8_t* Bytes = nullptr;
  std::size_t Pos = kQoVectorScreenSize;

  // False when the run does not fit.
  bool Put(uint8_t value, std::size_t count) {
    if (count > Pos) return false;
    for (; count > 0; --count) Bytes[--Pos] = value;
    return true;
  }
};

}  // namespace

uint32_t QoVectorColor(uint8_t type, uint8_t color) {
  const unsigned r = color & 7u, g = (color >> 3) & 7u, b = color >> 6;
  switch (type) {
    case ptColoredLinear:
      return Rgb(static_cast<uint8_t>((r * 255 * 2 + 7) / 14),
                 static_cast<uint8_t>((g * 255 * 2 + 7) / 14), static_cast<uint8_t>(b * 85));
    case ptColoredEMU:
      return Rgb(kEmuLevels8[r], kEmuLevels8[g], kEmuLevels4[b]);
    case ptColoredVirtualVector:
      return Rgb(kVirtualLevels8[r], kVirtualLevels8[g], kVirtualLevels4[b]);
    default:
      qo::RaiseInternalError();
  }
}

void QoSetVectorPalette(TQoPalette256& palette, uint8_t type) {
  if (type == ptColoredLinear) {
    palette.SetRGB233();
    return;
  }
  palette.Clear();
  for (unsigned c = 0; c < 256; ++c) palette.Add(QoVectorColor(type, static_cast<uint8_t>(c)));
}

bool TQoVectorKarandashHeader::Read(TQoByteView file) {
  if (file.Size() < kSize || file.LE16(0) >= kQoVectorScreenSize) return false;
  const std::size_t last = kSize + file.LE16(2);
  if (last >= file.Size() || !file.Matches(5, "T.288-31-25")) return false;
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t at = 16 + 16 * k;
    const std::size_t count = file.U8(at + 1);
    if (count > kMaxExceptions) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const uint16_t offset = file.LE16(at + 2 + 2 * i);
      if (offset >= kQoVectorScreenSize) return false;
      Offsets[k][i] = offset;
    }
    Codes[k] = file.U8(at);
    Counts[k] = count;
  }
  StreamLast = last;
  Fill = file.U8(4);
  return true;
}

bool QoUnpackVectorKarandash(TQoByteView file, const TQoVectorKarandashHeader& header,
                             uint8_t* screen) {
  TBackwardStream in{file, TQoVectorKarandashHeader::kSize, header.StreamLast + 1};
  if (!file.Has(0, in.Pos)) return false;
  TBackwardScreen out{screen};
  while (out.Pos > 0) {
    if (in.Left() == 0) return false;
    const uint8_t byte = in.Next();
    bool fits = true;
    if (byte == header.Codes[0]) {
      fits = out.Put(header.Fill, 2);
    } else if (byte == header.Codes[1]) {
      if (in.Left() < 1) return false;
      fits = out.Put(in.Next(), 3);
    } else if (byte == header.Codes[2]) {
      if (in.Left() < 2) return false;
      const uint8_t count = in.Next();
      if (count == 0) return false;
      fits = out.Put(in.Next(), count);
    } else {
      fits = out.Put(byte, 1);
    }
    if (!fits) return false;
  }
  // A code byte cannot stand for itself in the stream: its places are listed.
  for (std::size_t k = 0; k < 3; ++k) {
    for (std::size_t i = 0; i < header.Counts[k]; ++i)
      screen[header.Offsets[k][i]] = header.Codes[k];
  }
  return in.Left() == 0;
}

bool QoUnpackVectorDraw(TQoByteView file, uint8_t* screen) {
  constexpr std::size_t kStreamAt = 18;
  if (file.Size() <= kStreamAt) return false;
  TBackwardStream in{file, kStreamAt, file.Size()};
  while (in.Left() > 0 && file.U8(in.Pos - 1) == 0) --in.Pos;
  if (in.Left() == 0) return false;
  TBackwardScreen out{screen};
  while (out.Pos > 0) {
    if (in.Left() < 2) return false;
    const uint8_t control = in.Next();
    if (control == 0) return false;
    if (control <= 128) {
      if (in.Left() < control || control > out.Pos) return false;
      for (unsigned i = 0; i < control; ++i) out.Put(in.Next(), 1);
    } else if (!out.Put(in.Next(), control - 128u)) {
      return false;
    }
  }
  return in.Left() == 0;
}

bool TQoVectorLineChanges::Read(TQoByteView file) {
  if (file.Empty()) return false;
  const std::size_t n = file.U8(0);
  if (n > kMaxPerLine || file.Size() != 1 + 2 * kLines * n) return false;
  const TQoByteView pairs = file.From(1);
  for (std::size_t i = 0; i < pairs.Size(); i += 2) {
    if (pairs.U8(i) > 15) return false;
  }
  PerLine = n;
  Pairs = pairs;
  return true;
}
