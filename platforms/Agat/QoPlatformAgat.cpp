#include "platforms/Agat/QoPlatformAgat.h"

#include <array>
#include <string_view>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

// clang-format off
constexpr uint32_t kColors[16] = {
    0x000000, 0xD90000, 0x00D900, 0xD9D900, 0x0000D9, 0xD900D9, 0x00D9D9, 0xD9D9D9,
    0x262626, 0xFF2626, 0x26FF26, 0xFFFF26, 0x2626FF, 0xFF26FF, 0x26FFFF, 0xFFFFFF};
constexpr uint8_t kGrays[16] = {0, 130, 89, 221, 65, 194, 151, 241,
                                39, 185, 148, 244, 108, 229, 197, 255};
constexpr uint32_t kAppleColors[16] = {
    0x000000, 0x933164, 0x4348C1, 0xC063FF, 0x157744, 0x929292, 0x43A9EF, 0xB9BEFF,
    0x656000, 0xE27C36, 0x929292, 0xFFA7DB, 0x65C216, 0xDCD75E, 0x8CEEBA, 0xFFFFFF};
// clang-format on

constexpr std::size_t kLengths[] = {1024, 2048, 4096, 8192, 8960, 16384, 32768};

// Bit k of a mask is palette kind k.
constexpr uint16_t kAnyKind = 0xFFFF;
constexpr uint16_t kPlainKinds = (1u << 0x0) | (1u << 0x8) | (1u << 0xF);
constexpr uint16_t kTwoBitKinds = kPlainKinds | (1u << 0x1) | (1u << 0x9);

struct TModeKinds {
  std::size_t Length;
  uint8_t Mode;
  uint16_t Kinds;
};

constexpr TModeKinds kModeKinds[] = {
    {1024, 0xCA, kAnyKind},      {2048, 0x40, kPlainKinds},  {2048, 0xDA, kAnyKind},
    {4096, 0x4D, kPlainKinds},   {8192, 0x10, kAnyKind},     {8192, 0x9A, kAnyKind},
    {8192, 0x50, kPlainKinds},   {8960, 0x50, 1u << 0xE},    {16384, 0x1D, kAnyKind},
    {16384, 0x70, kAnyKind},     {16384, 0xEA, kAnyKind},    {16384, 0xFA, kAnyKind},
    {16384, 0x5D, kPlainKinds},  {16384, 0x80, kPlainKinds}, {16384, 0x60, kTwoBitKinds},
    {32768, 0x6D, kTwoBitKinds}, {32768, 0x7D, kAnyKind},    {32768, 0x8D, kPlainKinds},
};

// The Cyrillic letters of the character set, in code order from 0x60 (lower case) and
// 0xE0 (upper case).
constexpr std::string_view kLower = "юабцдефгхийклмнопярстужвьызшэщчъ";
constexpr std::string_view kUpper = "ЮАБЦДЕФГХИЙКЛМНОПЯРСТУЖВЬЫЗШЭЩЧЪ";

// Letter i (0..31) of a string of two-byte UTF-8 letters.
std::string_view Letter(std::string_view letters, unsigned i) {
  return letters.substr(2 * i, 2);
}

void AddTable(TQoPalette256& palette, std::initializer_list<int> entries) {
  for (int i : entries) palette.Add(QoAgatTableColor(i));
}

}  // namespace

uint32_t QoAgatTableColor(int i) {
  if (i >= 0 && i < 16) return kColors[i];
  if (i >= 16 && i < 32) {
    const uint32_t g = kGrays[i - 16];
    return (g << 16) | (g << 8) | g;
  }
  if (i >= 32 && i < 48) return kAppleColors[i - 32];
  qo::RaiseInternalError();
}

bool QoParseAgatFile(TQoByteView bytes, TQoAgatFile& file) {
  file = TQoAgatFile();
  if (bytes.Size() < kQoAgatHeaderSize) return false;
  file.DataLength = bytes.LE16(kQoAgatLengthOffset);
  const std::size_t trailer = kQoAgatHeaderSize + file.DataLength;
  if (bytes.Size() == trailer) return true;
  if (bytes.Size() != trailer + kQoAgatTrailerSize) return false;
  if (bytes.U8(trailer) != 0xD6 || bytes.U8(trailer + 1) != 0xD2) return false;
  file.Trailer = true;
  file.Mode = bytes.U8(trailer + 2);
  file.PaletteByte = bytes.U8(trailer + 3);
  return true;
}

bool QoAgatTrailerModeAccepted(std::size_t length, uint8_t mode, uint8_t kind) {
  bool known = false;
  for (std::size_t l : kLengths) known = known || l == length;
  if (!known) return false;
  for (const TModeKinds& row : kModeKinds) {
    if (row.Length == length && row.Mode == mode && (row.Kinds >> (kind & 15u)) & 1u) return true;
  }
  return false;
}

uint32_t QoAgatFileColor(TQoByteView trailer, int c) {
  auto level = [&](std::size_t at) -> uint32_t {
    const uint8_t b = trailer.U8(at + static_cast<std::size_t>(c) / 2);
    return ((c & 1) ? (b & 15u) : (b >> 4)) * 17u;
  };
  return (level(4) << 16) | (level(20) << 8) | level(36);
}

void QoSetAgatPalette(TQoPalette256& palette, uint8_t paletteType, TQoByteView trailer,
                      bool twoBits) {
  palette.Clear();
  switch (paletteType) {
    case ptColored16:
      for (int i = 0; i < 16; ++i) palette.Add(QoAgatTableColor(i));
      break;
    case ptColored8:
      for (int i = 0; i < 8; ++i) {
        palette.Add((i & 1) ? 255 : 0, (i & 2) ? 255 : 0, (i & 4) ? 255 : 0);
      }
      break;
    case ptGray16:
      for (int i = 16; i < 32; ++i) palette.Add(QoAgatTableColor(i));
      break;
    case ptGray8:
      for (int i = 16; i < 24; ++i) palette.Add(QoAgatTableColor(i));
      palette.NormalizeMax(0, 0);
      break;
    case ptColoredBRGB:
      AddTable(palette, {0, 1, 2, 4});
      palette.NormalizeMax(0, 0);
      break;
    case ptColoredWRGB:
      AddTable(palette, {7, 1, 2, 4});
      palette.NormalizeMax(0, 0);
      break;
    case ptGrayBRGB:
      AddTable(palette, {16, 17, 18, 20});
      palette.NormalizeMax(0, 0);
      break;
    case ptGrayWRGB:
      AddTable(palette, {23, 17, 18, 20});
      palette.NormalizeMax(0, 0);
      palette.NormalizeMin(0, 0);
      break;
    case ptColored4096:
      if (twoBits) {
        for (int c : {0, 1, 2, 4}) palette.Add(QoAgatFileColor(trailer, c));
      } else {
        for (int c = 0; c < 16; ++c) palette.Add(QoAgatFileColor(trailer, c));
      }
      break;
    default:
      qo::RaiseInternalError();
  }
}

std::string QoAgatCommentText(TQoByteView comment) {
  std::string text;
  for (std::size_t i = 0; i < comment.Size(); ++i) {
    const uint8_t b = comment.U8(i);
    if (b >= 0xA0 && b <= 0xDF) {
      text += static_cast<char>(b - 0x80);
    } else if (b >= 0xE0) {
      text += Letter(kUpper, b - 0xE0u);
    } else if (b >= 0x60 && b <= 0x7F) {
      text += Letter(kLower, b - 0x60u);
    } else if (b >= 0x40 && b <= 0x5D) {
      text += static_cast<char>(b + 0x20);
    } else if (b == 0x5E) {
      text += '`';
    } else {
      text += '_';
    }
  }
  while (!text.empty() && text.back() == '*') text.pop_back();
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.pop_back();
  return text;
}
