#include "platforms/MAG/QoPlatformMAG.h"

#include "base/QoErrors.h"
#include "platforms/MAG/QoShiftJisTable.h"

namespace {

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | code >> 6));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | code >> 12));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The index of a lead byte in the pair table, or -1.
int LeadIndex(uint8_t lead) {
  if (lead >= 0x81 && lead <= 0x9F) return lead - 0x81;
  if (lead >= 0xE0 && lead <= 0xFC) return 0x1F + lead - 0xE0;
  return -1;
}

// The index of a trail byte, or -1.
int TrailIndex(uint8_t trail) {
  if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
  if (trail >= 0x80 && trail <= 0xFC) return 0x3F + trail - 0x80;
  return -1;
}

}  // namespace

std::string QoShiftJisToUtf8(std::string_view bytes) {
  std::string out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto byte = static_cast<uint8_t>(bytes[at]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
      ++at;
      continue;
    }
    // Half-width katakana stand alone.
    if (byte >= 0xA1 && byte <= 0xDF) {
      AppendUtf8(out, 0xFF61u + (byte - 0xA1u));
      ++at;
      continue;
    }
    const int lead = LeadIndex(byte);
    const int trail = at + 1 < bytes.size() ? TrailIndex(static_cast<uint8_t>(bytes[at + 1])) : -1;
    const uint16_t code =
        lead >= 0 && trail >= 0 ? kQoShiftJisPairs[lead * kQoShiftJisTrails + trail] : 0;
    if (code != 0) {
      AppendUtf8(out, code);
      at += 2;
    } else {
      // Nothing maps here: one byte becomes '?' and the rest goes on.
      out.push_back('?');
      ++at;
    }
  }
  return out;
}

std::string QoTrimText(std::string_view text) {
  static constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  const auto blank = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == '\v' || c == '\f';
  };
  for (;;) {
    if (!text.empty() && blank(text.front())) {
      text.remove_prefix(1);
    } else if (text.starts_with(kIdeographicSpace)) {
      text.remove_prefix(kIdeographicSpace.size());
    } else {
      break;
    }
  }
  for (;;) {
    if (!text.empty() && blank(text.back())) {
      text.remove_suffix(1);
    } else if (text.ends_with(kIdeographicSpace)) {
      text.remove_suffix(kIdeographicSpace.size());
    } else {
      break;
    }
  }
  return std::string(text);
}

bool TQoMagHeader::Read(TQoByteView data) {
  if (data.Size() < kMinFileSize || !data.Matches(0, "MAKI02  ")) return false;
  Machine.assign(reinterpret_cast<const char*>(data.Ptr(8, 4)), 4);
  std::size_t at = 12;
  while (at < data.Size() && data.U8(at) != 26) ++at;
  if (at >= data.Size()) return false;
  Text = std::string_view(reinterpret_cast<const char*>(data.Ptr(12, at - 12)), at - 12);
  // Writers may pad after the end of the text; the header begins at the next zero byte.
  ++at;
  while (at < data.Size() && data.U8(at) != 0) ++at;
  if (!data.Has(at, kHeadSize)) return false;
  At = at;
  MachineCode = data.U8(at + 1);
  MachineFlags = data.U8(at + 2);
  ScreenMode = data.U8(at + 3);
  XStart = data.LE16(at + 4);
  YStart = data.LE16(at + 6);
  XEnd = data.LE16(at + 8);
  YEnd = data.LE16(at + 10);
  FlagA = data.LE32(at + 12);
  FlagB = data.LE32(at + 16);
  Pixels = data.LE32(at + 24);
  if (ScreenMode > 7 && ScreenMode != 0x80 && ScreenMode != 0x81 && ScreenMode != 0x84 &&
      ScreenMode != 0x85) {
    return false;
  }
  if (XEnd < XStart || YEnd < YStart) return false;
  const std::size_t length = data.Size() - At;
  if (FlagA < kHeadSize || FlagA >= FlagB || FlagB > Pixels || Pixels >= length) return false;
  if (MachineCode == 3 && MachineFlags >= 112) return false;
  // Flag A holds one bit for every flag byte of the picture (four unpacked bytes); a
  // shorter one cannot be the picture the corners claim.
  const std::size_t flagBytes = LineBytes() / 4 * (static_cast<std::size_t>(YEnd - YStart) + 1);
  return (flagBytes + 7) / 8 <= FlagB - FlagA;
}

std::size_t TQoMagHeader::AlignedStart() const {
  return (static_cast<std::size_t>(XStart) / UnitsPerByte()) & ~std::size_t{3};
}

std::size_t TQoMagHeader::LineBytes() const {
  return ((static_cast<std::size_t>(XEnd) / UnitsPerByte() + 4) & ~std::size_t{3}) - AlignedStart();
}

std::vector<uint8_t> QoUnpackMag(TQoByteView data, const TQoMagHeader& header, std::size_t lines) {
  static constexpr uint8_t kDx[16] = {0, 1, 2, 4, 0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
  static constexpr uint8_t kDy[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};
  const std::size_t line = header.LineBytes();
  if (line == 0 || lines > qo::kMaxAllocation / line) qo::RaiseInternalError();
  std::vector<uint8_t> out(line * lines, 0);
  std::vector<uint8_t> flags(line / 4, 0);
  const TQoByteView flagA = data.Sub(header.At + header.FlagA, header.FlagB - header.FlagA);
  const TQoByteView flagB = data.Sub(header.At + header.FlagB, header.Pixels - header.FlagB);
  const TQoByteView pixels = data.From(header.At + header.Pixels);
  std::size_t bitA = 0, atB = 0, atPixels = 0, pos = 0, flag = 0;
  const auto word = [&](unsigned nibble) {
    if (nibble == 0) {
      for (int i = 0; i < 2; ++i, ++atPixels) {
        out[pos++] = atPixels < pixels.Size() ? pixels.U8(atPixels) : 0;
      }
      return;
    }
    const std::size_t back = kDy[nibble] * line + kDx[nibble] * 2u;
    for (int i = 0; i < 2; ++i, ++pos) out[pos] = pos >= back ? out[pos - back] : 0;
  };
  while (pos < out.size()) {
    const std::size_t byteA = bitA >> 3;
    const bool set = byteA < flagA.Size() && ((flagA.U8(byteA) >> (7 - (bitA & 7))) & 1) != 0;
    ++bitA;
    if (set) {
      flags[flag] ^= atB < flagB.Size() ? flagB.U8(atB) : 0;
      ++atB;
    }
    word(flags[flag] >> 4);
    word(flags[flag] & 15u);
    flag = flag + 1 == flags.size() ? 0 : flag + 1;
  }
  return out;
}
