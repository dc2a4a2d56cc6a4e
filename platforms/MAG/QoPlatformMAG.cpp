#include "platforms/MAG/QoPlatformMAG.h"

#include <cerrno>

#include "base/QoErrors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

std::string QoShiftJisToUtf8(std::string_view bytes) {
  std::string out;
  if (bytes.empty()) return out;
#ifdef _WIN32
  // One character at a time, so that a byte the code page does not map becomes '?'
  // instead of the system's default character.
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const bool pair = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    const int n = pair && at + 1 < bytes.size() ? 2 : 1;
    wchar_t wide[2];
    const int count = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data() + at, n, wide, 2);
    char utf8[8];
    const int size =
        count > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, count, utf8, 8, nullptr, nullptr) : 0;
    if (size > 0 && !(pair && n == 1)) {
      out.append(utf8, static_cast<std::size_t>(size));
      at += static_cast<std::size_t>(n);
    } else {
      out.push_back('?');
      ++at;
    }
  }
#else
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter: keep what is plain ASCII.
    for (char c : bytes) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    return out;
  }
  char buffer[256];
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* to = buffer;
    std::size_t toLeft = sizeof(buffer);
    const std::size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
    out.append(buffer, static_cast<std::size_t>(to - buffer));
    if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // An invalid or cut-off sequence: one byte becomes '?' and the rest goes on.
      out.push_back('?');
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
#endif
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
