// Writes a few example pictures of the formats Orvalon reads, made from code, so that
// `make demo` needs nothing downloaded: ZX Spectrum screens of several kinds.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// Offset of pixel row y, column byte c, in the interleaved ZX Spectrum screen.
std::size_t ScreenOffset(int y, int c) {
  return static_cast<std::size_t>(((y >> 6) << 11) | ((y & 7) << 8) | (((y >> 3) & 7) << 5) | c);
}

// A disc with rings, drawn into the 6,144 pixel bytes.
Bytes RingPixels() {
  Bytes pixels(6144, 0);
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      const double dx = x - 128.0, dy = y - 96.0;
      const double r = std::sqrt(dx * dx + dy * dy);
      const bool set = (static_cast<int>(r) / 6) % 2 == 0 || ((x ^ y) & 16);
      if (set && r < 90) pixels[ScreenOffset(y, x / 8)] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
  return pixels;
}

// Attributes sweeping through the colours, bright on the right half, a few flashing.
Bytes SweepAttributes() {
  Bytes attributes(768);
  for (int r = 0; r < 24; ++r) {
    for (int c = 0; c < 32; ++c) {
      const int ink = (c / 4) & 7, paper = (r / 3) & 7;
      const int bright = c >= 16 ? 0x40 : 0;
      const int flash = (r + c) % 11 == 0 ? 0x80 : 0;
      attributes[static_cast<std::size_t>(32 * r + c)] =
          static_cast<uint8_t>(flash | bright | (paper << 3) | (ink == paper ? 7 - ink : ink));
    }
  }
  return attributes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

void Write(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  std::ofstream out(folder / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  std::printf("  %-16s %6zu bytes\n", name.c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path folder = argv[1];
  fs::create_directories(folder);
  const Bytes pixels = RingPixels();
  const Bytes attributes = SweepAttributes();
  const Bytes screen = Concat({pixels, attributes});

  std::printf("Example pictures in %s:\n", folder.string().c_str());
  Write(folder, "rings.scr", screen);
  Write(folder, "rings.flash.scr", screen);
  Write(folder, "rings-mono.scr", pixels);
  Write(folder, "sweep.atr", attributes);

  // Three separations of one picture: each screen one colour channel.
  Bytes red = pixels, green(6144), blue(6144);
  for (std::size_t i = 0; i < 6144; ++i) {
    green[i] = static_cast<uint8_t>(pixels[i] ^ 0xF0);
    blue[i] = static_cast<uint8_t>(i & 0x20 ? 0xFF : 0x0F);
  }
  Write(folder, "rings.rgb", Concat({red, green, blue}));

  // The screen inside a border of horizontal stripes.
  Bytes border(4224);
  for (std::size_t i = 0; i < border.size(); ++i) {
    const int row = i < 1536 ? static_cast<int>(i / 24)
                             : (i < 3072 ? 64 + static_cast<int>((i - 1536) / 8)
                                         : 256 + static_cast<int>((i - 3072) / 24));
    const int colour = (row / 8) & 7;
    border[i] = static_cast<uint8_t>(colour | (colour << 3));
  }
  Write(folder, "rings.bsc", Concat({screen, border}));

  // A character set of 16 x 4 colour cells.
  Bytes chr = {'c', 'h', 'r', '$', 16, 4, 9};
  for (int cell = 0; cell < 64; ++cell) {
    for (int line = 0; line < 8; ++line)
      chr.push_back(static_cast<uint8_t>((cell * 37 + line * 73) | 0x81));
    chr.push_back(static_cast<uint8_t>(0x40 | ((cell & 7) << 3) | (7 - (cell & 7))));
  }
  Write(folder, "cells.ch$", chr);
  return 0;
}
