#pragma once
// Builders of synthetic Atari files for the true-colour and Falcon tests: big-endian
// fields, interleaved planes, and the two packers the Falcon formats use.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "support/QoEngineChecks.h"

namespace qo_atari_test {

using TBytes = std::vector<uint8_t>;

inline TQoEngineRegistry AtariRegistry() {
  TQoEngineRegistry registry;
  RegisterAtariSTEngines(registry);
  return registry;
}

inline std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(AtariRegistry(), name, std::move(bytes));
}

inline void Put(TBytes& bytes, std::size_t at, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) bytes.at(at + i) = static_cast<uint8_t>(text[i]);
}
inline void PutBE16(TBytes& bytes, std::size_t at, uint32_t value) {
  bytes.at(at) = static_cast<uint8_t>(value >> 8);
  bytes.at(at + 1) = static_cast<uint8_t>(value);
}
inline void PutBE32(TBytes& bytes, std::size_t at, uint32_t value) {
  PutBE16(bytes, at, value >> 16);
  PutBE16(bytes, at + 2, value & 0xFFFF);
}
inline void Append(TBytes& bytes, const TBytes& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

// Sets pixel (x, y) of an interleaved screen at `screen` (lines of `width` pixels).
inline void PutInterleaved(TBytes& bytes, std::size_t screen, int width, int planes, int x, int y,
                           uint32_t v) {
  const std::size_t line = static_cast<std::size_t>((width + 15) / 16) * 2 * planes;
  const std::size_t group = screen + static_cast<std::size_t>(y) * line +
                            static_cast<std::size_t>(x / 16) * 2 * static_cast<std::size_t>(planes);
  const auto bit = static_cast<uint8_t>(0x80u >> (x % 8));
  for (int k = 0; k < planes; ++k) {
    uint8_t& b = bytes.at(group + 2 * static_cast<std::size_t>(k) + (x % 16) / 8);
    b = static_cast<uint8_t>(((v >> k) & 1) ? (b | bit) : (b & ~bit));
  }
}

// A Crack Art block (offset 1: bytes in order) holding data: the escape byte is written
// doubled, runs of four or more equal bytes as run codes, and the rest of the 32000 bytes
// as the delta byte 0 filling to the end.
inline TBytes CrackArtPack(const TBytes& data) {
  const uint8_t esc = 0xCD;
  TBytes out = {esc, 0x00, 0x00, 0x01};
  for (std::size_t i = 0; i < data.size();) {
    std::size_t run = 1;
    while (i + run < data.size() && data[i + run] == data[i] && run < 256) ++run;
    if (run >= 4) {
      Append(out, {esc, 0, static_cast<uint8_t>(run - 1), data[i]});
    } else if (data[i] == esc) {
      Append(out, {esc, esc});
      run = 1;
    } else {
      out.push_back(data[i]);
      run = 1;
    }
    i += run;
  }
  if (data.size() < 32000) Append(out, {esc, 2, 0});
  return out;
}

// PackBits: runs of equal bytes as repeat codes, everything else as literals.
inline TBytes PackBits(const TBytes& data) {
  TBytes out;
  for (std::size_t i = 0; i < data.size();) {
    std::size_t run = 1;
    while (i + run < data.size() && data[i + run] == data[i] && run < 128) ++run;
    if (run >= 3) {
      Append(out, {static_cast<uint8_t>(257 - run), data[i]});
      i += run;
      continue;
    }
    std::size_t n = 0;
    while (i + n < data.size() && n < 128 &&
           !(i + n + 2 < data.size() && data[i + n] == data[i + n + 1] &&
             data[i + n] == data[i + n + 2])) {
      ++n;
    }
    out.push_back(static_cast<uint8_t>(n - 1));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
               data.begin() + static_cast<std::ptrdiff_t>(i + n));
    i += n;
  }
  return out;
}

// 256 Falcon palette entries R, G, 0, B: entry i = (i, 255 - i, i / 2).
inline TBytes FalconPalette(int n = 256) {
  TBytes out;
  for (int i = 0; i < n; ++i) {
    Append(out, {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 0,
                 static_cast<uint8_t>(i / 2)});
  }
  return out;
}
inline uint32_t FalconColor(uint32_t i) {
  return i << 16 | (255 - i) << 8 | i / 2;
}

}  // namespace qo_atari_test
