#include "platforms/TI99/QoPlatformTI99.h"

#include <optional>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "platforms/MSX/QoPlatformMSX.h"

namespace {

struct TRgb {
  uint8_t R, G, B;
};

// clang-format off
constexpr TRgb kMSXColors[16] = {
    {0, 0, 0}, {1, 1, 1}, {62, 184, 73}, {116, 208, 125}, {89, 85, 224}, {128, 118, 241},
    {185, 94, 81}, {101, 219, 239}, {219, 101, 89}, {255, 137, 125}, {204, 195, 94},
    {222, 208, 135}, {58, 162, 65}, {183, 102, 181}, {204, 204, 204}, {255, 255, 255}};
constexpr TRgb kAdamColors[16] = {
    {0, 0, 0}, {0, 0, 0}, {71, 183, 59}, {124, 207, 111}, {93, 78, 255}, {128, 114, 255},
    {182, 98, 71}, {93, 200, 237}, {215, 107, 72}, {251, 143, 108}, {195, 205, 65},
    {211, 218, 118}, {62, 159, 47}, {182, 100, 199}, {204, 204, 204}, {255, 255, 255}};
constexpr TRgb kConvert9918Colors[16] = {
    {0, 0, 0}, {0, 0, 0}, {32, 200, 64}, {88, 216, 120}, {80, 80, 232}, {120, 112, 248},
    {208, 80, 72}, {64, 232, 240}, {248, 80, 80}, {248, 120, 120}, {208, 192, 80},
    {224, 200, 128}, {32, 176, 56}, {200, 88, 184}, {200, 200, 200}, {248, 248, 248}};
// Worked out from the chip's luminance and colour-difference levels, in linear light.
constexpr TQoLinRGBColor kCalculatedColors[16] = {
    {0, 0, 0}, {0, 0, 0}, {0.2756, 0.7165, 0.2286}, {0.4839, 0.8097, 0.4324},
    {0.3652, 0.3037, 1.0}, {0.499, 0.4442, 1.0}, {0.7112, 0.3822, 0.2776},
    {0.3619, 0.7799, 0.9275}, {0.8406, 0.417, 0.2823}, {0.9806, 0.557, 0.4223},
    {0.7616, 0.8023, 0.255}, {0.8227, 0.8518, 0.4595}, {0.2431, 0.6227, 0.1831},
    {0.7115, 0.3906, 0.7792}, {0.8, 0.8, 0.8}, {1, 1, 1}};
// clang-format on

constexpr int32_t kGeneveHeights[4] = {424, 384, 212, 192};

// How many bytes of data are left after the runs of one trial fill the picture, or
// nothing when they run out, a count is invalid or a run passes the end.
std::optional<std::size_t> TryGeneveRuns(TQoByteView data, const TQoGeneveLayout& layout,
                                         std::vector<uint8_t>* pixels) {
  const bool g6 = layout.Mode == TQoGeneveMode::G6;
  const std::size_t total =
      static_cast<std::size_t>(layout.Width) * static_cast<std::size_t>(layout.Height);
  if (pixels) pixels->assign(total, 0);
  std::size_t done = 0;
  std::size_t at = layout.RunsAt;
  while (done < total) {
    if (!data.Has(at, 2)) return std::nullopt;
    const uint16_t w = data.BE16(at);
    at += 2;
    std::size_t count = g6 ? (w & 0x3FFu) : (w & 0xFFu);
    if (count == 0) {
      if (g6) return std::nullopt;
      count = 256;
    }
    if (count > total - done) return std::nullopt;
    if (pixels) {
      const auto color = static_cast<uint8_t>(g6 ? w >> 12 : w >> 8);
      std::fill_n(pixels->begin() + static_cast<std::ptrdiff_t>(done), count, color);
    }
    done += count;
  }
  return data.Size() - at;
}

}  // namespace

bool TQoTIFilesHeader::Read(TQoByteView file) {
  if (!file.Matches(0, "\x07TIFILES") || !file.Has(0, kSize)) return false;
  Sectors = file.BE16(8);
  RecordsPerSector = file.U8(11);
  EndOfFile = file.U8(12);
  RecordLength = file.U8(13);
  if (Sectors == 0) return false;
  DataLength =
      EndOfFile == 0 ? std::size_t{Sectors} * 256 : (std::size_t{Sectors} - 1) * 256 + EndOfFile;
  return file.Size() >= DataLength + kSize;
}

bool QoIsTIFile(TQoByteView file, std::size_t n) {
  TQoTIFilesHeader header;
  return header.Read(file) && header.DataLength == n;
}

void QoSetTMS9918APalette(TQoPalette256& palette, uint8_t paletteType) {
  const TRgb* table = nullptr;
  switch (paletteType) {
    case ptTI99MSX:
      table = kMSXColors;
      break;
    case ptTI99Adam:
      table = kAdamColors;
      break;
    case ptTI99Convert9918:
      table = kConvert9918Colors;
      break;
    case ptTI99Calculated:
      break;
    default:
      qo::RaiseInternalError();
  }
  palette.Clear();
  for (int i = 0; i < 16; ++i) {
    if (table) {
      palette.Add(table[i].R, table[i].G, table[i].B);
    } else {
      palette.AddLinear(kCalculatedColors[i]);
    }
  }
  palette.GetPColor(0).Excluded = 1;
}

uint32_t QoF18AColor(uint16_t word) {
  const uint32_t r = (word >> 8) & 15u, g = (word >> 4) & 15u, b = word & 15u;
  return (r * 17) << 16 | (g * 17) << 8 | b * 17;
}

void QoAddV9938PaletteWords(TQoPalette256& palette, TQoByteView words, int n) {
  for (int i = 0; i < n; ++i) {
    const uint16_t w = words.BE16(2 * static_cast<std::size_t>(i));
    palette.Add(QoMSXLevel((w >> 12) & 7u, ptMSX9938), QoMSXLevel(w & 7u, ptMSX9938),
                QoMSXLevel((w >> 8) & 7u, ptMSX9938));
  }
}

bool QoFindGeneveLayout(TQoByteView data, TQoGeneveLayout& layout) {
  for (std::size_t allowedLeft : {std::size_t{0}, std::size_t{253}}) {
    for (TQoGeneveMode mode : {TQoGeneveMode::G6, TQoGeneveMode::G7}) {
      for (int32_t height : kGeneveHeights) {
        // One word nobody reads; G6 then has its 16 palette words.
        const TQoGeneveLayout trial{mode, mode == TQoGeneveMode::G6 ? 512 : 256, height,
                                    mode == TQoGeneveMode::G6 ? std::size_t{34} : std::size_t{2}};
        const std::optional<std::size_t> left = TryGeneveRuns(data, trial, nullptr);
        if (left && *left <= allowedLeft) {
          layout = trial;
          return true;
        }
      }
    }
  }
  return false;
}

std::vector<uint8_t> QoUnpackGeneveRuns(TQoByteView data, const TQoGeneveLayout& layout) {
  std::vector<uint8_t> pixels;
  if (!TryGeneveRuns(data, layout, &pixels)) qo::RaiseInternalError();
  return pixels;
}

bool TQoFractalPicture::Read(TQoByteView file) {
  TQoTIFilesHeader header;
  if (file.Size() <= TQoTIFilesHeader::kSize || !header.Read(file) ||
      header.RecordsPerSector != 1 || header.RecordLength != 255 || header.EndOfFile != 0 ||
      header.Sectors <= 1) {
    return false;
  }
  // Records of 255 bytes, one to a sector: the sector's last byte is not data.
  const TQoByteView data = header.Data(file);
  Compacted.clear();
  Compacted.reserve(std::size_t{header.Sectors} * 255);
  for (std::size_t s = 0; s < header.Sectors; ++s) {
    const uint8_t* sector = data.Ptr(s * 256, 255);
    Compacted.insert(Compacted.end(), sector, sector + 255);
  }
  return Compacted.size() >= 256 && (Compacted[1] == 'C' || Compacted[1] == 'M');
}

std::string TQoFractalPicture::Title() const {
  std::string title;
  for (std::size_t i = 72; i < 255 && i < Compacted.size(); ++i) {
    const uint8_t c = Compacted[i];
    if (c >= 0x80) {
      // Latin-1 as UTF-8.
      title += static_cast<char>(0xC0 | (c >> 6));
      title += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      title += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
    }
  }
  const std::size_t first = title.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return title.substr(first, title.find_last_not_of(' ') - first + 1);
}

bool TQoFractalPicture::Unpack(std::vector<uint8_t>* pixels) const {
  const TQoByteView data = View();
  if (pixels) pixels->assign(static_cast<std::size_t>(kWidth) * kHeight, 0);
  std::size_t at = kRunsAt;
  for (int32_t y = 0; y < kHeight; ++y) {
    int32_t x = 0;
    while (x < kWidth) {
      if (!data.Has(at, 2)) return false;
      const uint16_t w = data.BE16(at);
      at += 2;
      const auto color = static_cast<uint8_t>(w >> 12);
      uint8_t* line = pixels ? pixels->data() + static_cast<std::size_t>(y) * kWidth : nullptr;
      if (w & 0x800) {
        // The colour itself, then n more pixels as nibbles, high first, to a whole byte.
        const int32_t n = w & 0x1FF;
        if (n + 1 > kWidth - x) return false;
        const std::size_t bytes = (static_cast<std::size_t>(n) + 1) / 2;
        if (!data.Has(at, bytes)) return false;
        if (line) {
          line[x] = color;
          for (int32_t i = 0; i < n; ++i) {
            const uint8_t b = data.U8(at + static_cast<std::size_t>(i) / 2);
            line[x + 1 + i] = static_cast<uint8_t>(i % 2 == 0 ? b >> 4 : b & 15u);
          }
        }
        at += bytes;
        x += n + 1;
      } else {
        const int32_t n = w & 0x7FF;
        if (n == 0 || n > kWidth - x) return false;
        if (line) std::fill_n(line + x, n, color);
        x += n;
      }
    }
  }
  return data.Size() - at < 255;
}
