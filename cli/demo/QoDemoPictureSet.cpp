// Example pictures of the formats Orvalon reads, made from code: one at least for every
// platform module, so that the demo, the fuzzers' seeds and the benchmarks need nothing
// downloaded.

#include "cli/demo/QoDemoPictureSet.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

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

// Screen memory in runs of one texture each (solid, stripes, checks): raw screens of any
// layout show bands of them rather than noise.
Bytes Pattern(std::size_t size, unsigned seed = 0) {
  static constexpr uint8_t kTextures[] = {0x00, 0xFF, 0xAA, 0x55, 0xCC,
                                          0x33, 0xF0, 0x0F, 0x81, 0x3C};
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t run = i / 384 + seed;
    bytes[i] = kTextures[(run * 3 + (run / 7)) % std::size(kTextures)];
  }
  return bytes;
}

void AppendBE16(Bytes& b, unsigned v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}

void AppendBE32(Bytes& b, uint32_t v) {
  AppendBE16(b, v >> 16);
  AppendBE16(b, v & 0xFFFF);
}

void AppendChunk(Bytes& b, const char* id, const Bytes& data) {
  b.insert(b.end(), id, id + 4);
  AppendBE32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  if (data.size() & 1) b.push_back(0);
}

// An Amiga IFF ILBM: 128 x 64 in 4 planes, uncompressed, with a colour map of 16 greys
// to blues, showing rings like the ZX screens.
Bytes AmigaIlbm() {
  constexpr int kWidth = 128, kHeight = 64, kPlanes = 4, kRowBytes = kWidth / 8;
  Bytes bmhd;
  AppendBE16(bmhd, kWidth);
  AppendBE16(bmhd, kHeight);
  AppendBE32(bmhd, 0);
  for (uint8_t v : {uint8_t{kPlanes}, uint8_t{0}, uint8_t{0}, uint8_t{0}}) bmhd.push_back(v);
  AppendBE16(bmhd, 0);
  bmhd.push_back(10);
  bmhd.push_back(11);
  AppendBE16(bmhd, kWidth);
  AppendBE16(bmhd, kHeight);
  Bytes cmap;
  for (int i = 0; i < 16; ++i) {
    cmap.push_back(static_cast<uint8_t>(i * 8));
    cmap.push_back(static_cast<uint8_t>(i * 12));
    cmap.push_back(static_cast<uint8_t>(i * 17));
  }
  Bytes body;
  for (int y = 0; y < kHeight; ++y) {
    for (int plane = 0; plane < kPlanes; ++plane) {
      for (int c = 0; c < kRowBytes; ++c) {
        uint8_t bits = 0;
        for (int b = 0; b < 8; ++b) {
          const int x = c * 8 + b;
          const double dx = x - 64.0, dy = (y - 32.0) * 2;
          const int colour = static_cast<int>(std::sqrt(dx * dx + dy * dy) / 5) % 16;
          if (colour & (1 << plane)) bits |= static_cast<uint8_t>(0x80 >> b);
        }
        body.push_back(bits);
      }
    }
  }
  Bytes form = {'I', 'L', 'B', 'M'};
  AppendChunk(form, "BMHD", bmhd);
  AppendChunk(form, "CMAP", cmap);
  AppendChunk(form, "BODY", body);
  Bytes file = {'F', 'O', 'R', 'M'};
  AppendBE32(file, static_cast<uint32_t>(form.size()));
  file.insert(file.end(), form.begin(), form.end());
  return file;
}

// An Atari ST DEGAS low-resolution picture: resolution word, 16 palette words, 32000 bytes
// of interleaved planes.
Bytes AtariDegas() {
  Bytes file = {0, 0};
  for (unsigned i = 0; i < 16; ++i) AppendBE16(file, ((i / 2) << 8) | ((i % 8) << 4) | (7 - i / 2));
  for (int y = 0; y < 200; ++y) {
    for (int group = 0; group < 20; ++group) {
      for (int plane = 0; plane < 4; ++plane) {
        uint16_t word = 0;
        for (int b = 0; b < 16; ++b) {
          const int x = group * 16 + b;
          const int colour = ((x / 20) + (y / 25)) % 16;
          if (colour & (1 << plane)) word |= static_cast<uint16_t>(0x8000 >> b);
        }
        AppendBE16(file, word);
      }
    }
  }
  return file;
}

// A Commodore 64 Koala Painter file: load address 0x6000, 8000 bitmap bytes, 1000 screen
// and 1000 colour bytes, the background.
Bytes C64Koala() {
  Bytes file = {0x00, 0x60};
  for (int i = 0; i < 8000; ++i) {
    const int cell = i / 8, line = i % 8;
    file.push_back(static_cast<uint8_t>((cell / 40 + line) % 4 == 0 ? 0x1B : 0xE4 >> (line % 3)));
  }
  for (int i = 0; i < 1000; ++i)
    file.push_back(static_cast<uint8_t>(((i % 40) / 3) << 4 | (i / 40) % 16));
  for (int i = 0; i < 1000; ++i) file.push_back(static_cast<uint8_t>((i / 40 + i % 40) % 16));
  file.push_back(6);
  return file;
}

// An MSX2 SCREEN 5 picture saved with BSAVE: 7 header bytes and 27136 bytes of VRAM,
// 256 x 212 pixels of 4 bits.
Bytes MsxScreen5() {
  Bytes file(7 + 27136);
  file[0] = 0xFE;
  file[3] = 0xFF;
  file[4] = 0x69;
  for (std::size_t i = 0; i < 27136; ++i) {
    const int y = static_cast<int>(i / 128), x = static_cast<int>(i % 128) * 2;
    const int a = ((x / 16) + (y / 16)) % 16, b = ((x + 1) / 16 + (y / 16) + (y & 1)) % 16;
    file[7 + i] = static_cast<uint8_t>(a << 4 | b);
  }
  return file;
}

// A DVK KCGD picture: width and height words, rows of 4-bit pixels from the bottom (four
// to a little-endian word, high bits first), then 16 colours as numbers of the 64-cube.
Bytes DvkPicture() {
  constexpr int kWidth = 320, kHeight = 200;
  Bytes file = {kWidth & 0xFF, kWidth >> 8, kHeight, 0};
  for (int row = 0; row < kHeight; ++row) {
    const int y = kHeight - 1 - row;
    for (int x = 0; x < kWidth; x += 4) {
      unsigned word = 0;
      for (int k = 0; k < 4; ++k) {
        const double dx = x + k - 160.0, dy = y - 100.0;
        word |= (static_cast<unsigned>(std::sqrt(dx * dx + dy * dy) / 8) % 16) << (12 - 4 * k);
      }
      file.push_back(static_cast<uint8_t>(word));
      file.push_back(static_cast<uint8_t>(word >> 8));
    }
  }
  for (int i = 0; i < 16; ++i) file.push_back(static_cast<uint8_t>(4 * i + 3));
  return file;
}

// An Elektronika KR-04 colour screen: "KR04", flags (colour, own palette), the blue,
// green and red levels of the four colours, width and height, rows of 2-bit pixels.
Bytes Kr04Screen() {
  constexpr int kWidth = 256, kHeight = 128;
  Bytes file = {'K',        'R',        '0',           '4',         3,       0b11100100,
                0b01111000, 0b00011011, kWidth & 0xFF, kWidth >> 8, kHeight, 0};
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; x += 4) {
      uint8_t byte = 0;
      for (int k = 0; k < 4; ++k) {
        const unsigned colour = static_cast<unsigned>(((x + k) / 32 + y / 32)) % 4;
        byte |= static_cast<uint8_t>((colour & 1) << k | ((colour >> 1) & 1) << (k + 4));
      }
      file.push_back(byte);
    }
  }
  return file;
}

// An ArtWorx text picture for the IBM PC: a version byte, 64 palette entries (6-bit
// levels), a 16-line font of 256 characters, then 80 x 25 cells of character and colour.
Bytes IbmAdf() {
  Bytes file = {1};
  for (int i = 0; i < 64; ++i) {
    file.push_back(static_cast<uint8_t>(((i >> 2) & 1) * 42 + ((i >> 5) & 1) * 21));
    file.push_back(static_cast<uint8_t>(((i >> 1) & 1) * 42 + ((i >> 4) & 1) * 21));
    file.push_back(static_cast<uint8_t>((i & 1) * 42 + ((i >> 3) & 1) * 21));
  }
  for (int c = 0; c < 256; ++c) {
    for (int line = 0; line < 16; ++line) {
      file.push_back(line < 2 || line > 13 ? 0
                                           : static_cast<uint8_t>(0xFF >> (c % 8) << (line % 4)));
    }
  }
  for (int row = 0; row < 25; ++row) {
    for (int column = 0; column < 80; ++column) {
      file.push_back(static_cast<uint8_t>('A' + (row + column) % 26));
      file.push_back(static_cast<uint8_t>(((row / 3) % 8) << 4 | (8 + column / 10)));
    }
  }
  return file;
}

// A PC-8000 graphics dump: "PC8", a mode byte, 6144 pixel bytes and 6144 colour bytes.
Bytes Pc8000Dump() {
  Bytes file = {'P', 'C', '8', 0};
  const Bytes pixels = Pattern(6144, 2);
  file.insert(file.end(), pixels.begin(), pixels.end());
  for (std::size_t i = 0; i < 6144; ++i) {
    const unsigned ink = 1 + (i / 256) % 15, paper = (i / 1024) % 8;
    file.push_back(static_cast<uint8_t>(paper << 4 | ink));
  }
  return file;
}

void AppendLE(Bytes& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A PlayStation TIM texture of 15-bit colours: the id, the mode, and one image block
// (its length, position, width and height, the pixels).
Bytes PlayStationTim() {
  constexpr int kWidth = 128, kHeight = 64;
  Bytes file;
  AppendLE(file, 0x10, 4);
  AppendLE(file, 2, 4);
  AppendLE(file, kWidth * kHeight * 2 + 12, 4);
  AppendLE(file, 0, 4);
  AppendLE(file, kWidth, 2);
  AppendLE(file, kHeight, 2);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const unsigned r = x / 4, g = y / 2, b = ((x / 16 + y / 16) & 1) ? 31 : 8;
      AppendLE(file, r | g << 5 | b << 10, 2);
    }
  }
  return file;
}

// A UKNC picture: a 128-byte header like a PC Paintbrush one (run-length coding, three
// planes of one bit, eight colours), then the runs line by line, plane by plane.
Bytes UkncPicture() {
  constexpr int kWidth = 256, kHeight = 128, kLineBytes = kWidth / 8;
  Bytes file(128, 0);
  file[0] = 10, file[1] = 3, file[2] = 1, file[3] = 1;
  const auto put16 = [&](std::size_t at, unsigned v) {
    file[at] = static_cast<uint8_t>(v), file[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  put16(8, kWidth - 1), put16(10, kHeight - 1), put16(12, 640), put16(14, 288);
  for (std::size_t i = 0; i < 8; ++i) {
    file[16 + 3 * i] = static_cast<uint8_t>(i & 1 ? 255 : 0);
    file[17 + 3 * i] = static_cast<uint8_t>(i & 2 ? 255 : 0);
    file[18 + 3 * i] = static_cast<uint8_t>(i & 4 ? 255 : 0);
  }
  file[64] = 70, file[65] = 3;
  put16(66, kLineBytes);
  put16(68, 2);
  for (int y = 0; y < kHeight; ++y) {
    for (int plane = 0; plane < 3; ++plane) {
      for (int c = 0; c < kLineBytes; ++c) {
        const unsigned colour = static_cast<unsigned>(c / 4 + y / 16) % 8;
        const uint8_t byte = colour & (1u << plane) ? 0xFF : 0x00;
        if (byte >= 0xC0) file.push_back(0xC1);  // a byte that looks like a run is a run of one
        file.push_back(byte);
      }
    }
  }
  return file;
}

// A Sega Master System screen saved as MSBMP: the text, then the video registers (mode 4,
// names at 0x3800, sprites at 0x3F00), 64 bytes of colour memory and 16 KiB of video
// memory with 16 tiles of one colour each laid out diagonally.
Bytes SegaScreen() {
  Bytes file = {'M', 'S', 'B', 'M', 'P', 0, 9, 0, 0};
  const std::string text = "Orvalon demo\r\n";
  file.reserve(file.size() + text.size() + 16 + 64 + 16384);
  file.insert(file.end(), text.begin(), text.end());
  file[7] = static_cast<uint8_t>(file.size()), file[8] = static_cast<uint8_t>(file.size() >> 8);
  const Bytes registers = {0x04, 0, 0x0E, 0, 0, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  file.insert(file.end(), registers.begin(), registers.end());
  for (int i = 0; i < 64; ++i)
    file.push_back(static_cast<uint8_t>(i < 16 ? (i * 5 + 3) & 0x3F : 0));
  Bytes vram(16384, 0);
  for (int tile = 0; tile < 16; ++tile) {
    for (int row = 0; row < 8; ++row) {
      for (int plane = 0; plane < 4; ++plane) {
        vram[static_cast<std::size_t>(tile * 32 + row * 4 + plane)] =
            tile & (1 << plane) ? static_cast<uint8_t>(row == 7 ? 0x7F : 0xFF) : 0;
      }
    }
  }
  for (int r = 0; r < 28; ++r) {
    for (int c = 0; c < 32; ++c)
      vram[0x3800 + static_cast<std::size_t>(r * 32 + c) * 2] =
          static_cast<uint8_t>((r + c) / 2 % 16);
  }
  vram[0x3F00] = 208;  // no sprites
  file.insert(file.end(), vram.begin(), vram.end());
  return file;
}

// An Agat picture: a 44-byte header with the length of the video memory, the memory
// (128 x 128 pixels of 4 bits), and a trailer naming the mode and the palette.
Bytes AgatPicture() {
  Bytes video(8192);
  for (std::size_t i = 0; i < video.size(); ++i) {
    const int y = static_cast<int>(i / 64), x = static_cast<int>(i % 64) * 2;
    const int a = (x / 8 + y / 8) % 16, b = ((x + 1) / 8 + y / 8) % 16;
    video[i] = static_cast<uint8_t>(a << 4 | b);
  }
  Bytes file(44, 0);
  file[42] = static_cast<uint8_t>(video.size()), file[43] = static_cast<uint8_t>(video.size() >> 8);
  file.insert(file.end(), video.begin(), video.end());
  Bytes trailer(252, 0);
  trailer[0] = 0xD6, trailer[1] = 0xD2, trailer[2] = 0x50, trailer[3] = 0x85;
  file.insert(file.end(), trailer.begin(), trailer.end());
  return file;
}

// A Vector-06C Rembrandt picture: the 16 colour registers (last first), columns, lines,
// then each line's four planes, the file padded to whole 256-byte records.
Bytes VectorRembrandt() {
  constexpr int kColumns = 32, kLines = 256;
  Bytes file(19);
  for (int i = 0; i < 16; ++i) {
    // Colour bytes are BBGGGRRR.
    file[static_cast<std::size_t>(15 - i)] =
        static_cast<uint8_t>((i & 3) << 6 | ((i * 3) & 7) << 3 | (7 - i / 2));
  }
  file[16] = kColumns, file[17] = kLines & 0xFF, file[18] = 15;
  for (int y = 0; y < kLines; ++y) {
    for (int plane = 0; plane < 4; ++plane) {
      for (int c = 0; c < kColumns; ++c) {
        uint8_t byte = 0;
        for (int b = 0; b < 8; ++b) {
          const double dx = c * 8 + b - 128.0, dy = y - 128.0;
          if ((static_cast<int>(std::sqrt(dx * dx + dy * dy) / 8) % 16) >> plane & 1) {
            byte |= static_cast<uint8_t>(0x80 >> b);
          }
        }
        file.push_back(byte);
      }
    }
  }
  file.resize((file.size() + 255) / 256 * 256, 0x1A);
  return file;
}

void PutLE32(Bytes& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// A RISC OS sprite file with one mode 9 sprite (320 x 128, 4 bits a pixel, the leftmost
// pixel in the low nibble) in the desktop's default colours: the area header without its
// length word, then the sprite's header and its words.
Bytes RiscOsSprite() {
  constexpr int kWords = 40, kLines = 128;
  Bytes sprite(44, 0);
  const std::string name = "rings";
  std::copy(name.begin(), name.end(), sprite.begin() + 4);
  PutLE32(sprite, 16, kWords - 1);
  PutLE32(sprite, 20, kLines - 1);
  PutLE32(sprite, 24, 0);
  PutLE32(sprite, 28, 31);
  PutLE32(sprite, 32, 44);
  PutLE32(sprite, 36, 44);
  PutLE32(sprite, 40, 9);
  for (int y = 0; y < kLines; ++y) {
    for (int x = 0; x < kWords * 8; x += 2) {
      const auto colour = [y](int px) {
        const double dx = px - 160.0, dy = (y - 64.0) * 2;
        return static_cast<uint8_t>(static_cast<int>(std::sqrt(dx * dx + dy * dy) / 10) % 16);
      };
      sprite.push_back(static_cast<uint8_t>(colour(x) | colour(x + 1) << 4));
    }
  }
  PutLE32(sprite, 0, static_cast<uint32_t>(sprite.size()));
  Bytes file(12, 0);
  file.insert(file.end(), sprite.begin(), sprite.end());
  PutLE32(file, 0, 1);
  PutLE32(file, 4, 16);
  PutLE32(file, 8, static_cast<uint32_t>(file.size() + 4));
  return file;
}

// A TI-99/4A bitmap screen's pattern table (6144 bytes) in a TIFILES record: black on
// white without its colour table beside it.
Bytes Ti99Patterns() {
  // Eight bytes for each character cell, row by row of 32 cells.
  Bytes patterns(6144, 0);
  for (int y = 0; y < 192; ++y) {
    for (int x = 0; x < 256; ++x) {
      const double dx = x - 128.0, dy = y - 96.0;
      if (static_cast<int>(std::sqrt(dx * dx + dy * dy) / 6) % 2 == 0) {
        patterns[static_cast<std::size_t>(((y / 8) * 32 + x / 8) * 8 + y % 8)] |=
            static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  }
  Bytes file = {7, 'T', 'I', 'F', 'I', 'L', 'E', 'S'};
  file.resize(128, 0);
  file[8] = 0, file[9] = 6144 / 256;
  file.insert(file.end(), patterns.begin(), patterns.end());
  return file;
}

// A Profi picture: a 128-byte header (width, height, kind 4 = pixel and attribute pairs,
// bytes a row), then rows of pixel bytes each followed by its attribute.
Bytes ProfiPicture() {
  const int width = 256, height = 192, rowBytes = width / 8 * 2;
  Bytes file(128 + static_cast<std::size_t>(rowBytes * height));
  file[0] = static_cast<uint8_t>(width), file[1] = static_cast<uint8_t>(width >> 8);
  file[2] = static_cast<uint8_t>(height), file[4] = 4, file[6] = static_cast<uint8_t>(rowBytes);
  const Bytes rings = RingPixels();
  for (int y = 0; y < height; ++y) {
    for (int c = 0; c < width / 8; ++c) {
      const std::size_t at = 128 + static_cast<std::size_t>(y * rowBytes + 2 * c);
      file[at] = rings[ScreenOffset(y, c)];
      file[at + 1] = static_cast<uint8_t>(((c / 4) & 7) | ((y / 24) & 7) << 3);
    }
  }
  return file;
}

// A TRSE project picture for the Amstrad CPC in mode 0: the signature, the target's type
// and mode, a byte a pixel, and a footer whose colour list gives the 16 inks.
Bytes TrseCpcPicture() {
  Bytes file = {'F', 'L', 'U', 'F', 'F', '6', '4', 0, 0, 0, 0, 24, 11};
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 160; ++x) file.push_back(static_cast<uint8_t>(((x / 10) ^ (y / 25)) & 15));
  }
  Bytes footer(256, 0);
  footer[0] = 0x40, footer[1] = 0x45;
  for (int i = 0; i < 16; ++i)
    footer[192 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(i + 10);
  file.insert(file.end(), footer.begin(), footer.end());
  return file;
}

// A MAG picture of 16 colours, 64 x 32: the signature, machine and texts ended by 26,
// the header, a green-red-blue palette, flag A with every bit clear (so every flag nibble
// stays 0 and takes two literal bytes), an empty flag B and the pixel bytes.
Bytes MagPicture() {
  Bytes file;
  for (char c : std::string("MAKI02  X68KOrvalon demo         Rings") + '\x1A') {
    file.push_back(static_cast<uint8_t>(c));
  }
  const int width = 64, height = 32, lineBytes = width / 2;
  const uint32_t flagA = 32 + 48, flagABytes = lineBytes / 4 * height / 8;
  const uint32_t pixelsAt = flagA + flagABytes;
  const uint32_t pixelBytes = static_cast<uint32_t>(lineBytes * height);
  file.insert(file.end(), {0, 0, 0, 0});
  for (uint32_t v : {0u, 0u, static_cast<uint32_t>(width - 1), static_cast<uint32_t>(height - 1)}) {
    AppendLE(file, v, 2);
  }
  for (uint32_t v : {flagA, pixelsAt, 0u, pixelsAt, pixelBytes}) AppendLE(file, v, 4);
  for (int i = 0; i < 16; ++i) {
    file.insert(file.end(), {static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 16),
                             static_cast<uint8_t>(i * 8 + 64)});
  }
  file.insert(file.end(), flagABytes, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; x += 2) {
      const auto ring = [&](int px) {
        return static_cast<uint8_t>(((px - 32) * (px - 32) + (y - 16) * (y - 16) * 4) / 64 & 15);
      };
      file.push_back(static_cast<uint8_t>(ring(x) << 4 | ring(x + 1)));
    }
  }
  return file;
}

// An ATM Turbo multicolour picture: 16 colours as green-red-blue digits 0-3, the size in
// cells and lines, the pixel bytes column after column, then (count, attribute) runs,
// here one attribute for every 8-line band of every column.
Bytes AtmTurboPicture() {
  const int columns = 32, rows = 192;
  Bytes file(132, 0);
  for (int i = 0; i < 16; ++i) {
    for (int d = 0; d < 3; ++d) {
      file[static_cast<std::size_t>(3 * i + d)] =
          static_cast<uint8_t>('0' + ((i >> d) & 1) * (1 + (i >> 3) * 2));
    }
  }
  file[130] = columns;
  file[131] = rows;
  const Bytes rings = RingPixels();
  for (int c = 0; c < columns; ++c) {
    for (int y = 0; y < rows; ++y) file.push_back(rings[ScreenOffset(y, c)]);
  }
  for (int c = 0; c < columns; ++c) {
    for (int band = 0; band < rows / 8; ++band) {
      file.push_back(8);
      file.push_back(static_cast<uint8_t>(((c / 4 + band) & 7) | ((band / 3) & 7) << 3));
    }
  }
  return file;
}

// A SymbOS graphic: one raw 16-colour tile (a header of kind, bytes a line, width and
// height, then two pixels a byte) and the end mark.
Bytes SymbOsPicture() {
  const unsigned width = 64, height = 48;
  Bytes file = {0x40, 5};
  for (unsigned v : {width / 2, width, height}) AppendLE(file, v, 2);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; x += 2) {
      const auto band = [&](unsigned px) {
        return static_cast<uint8_t>(((px / 8) + (y / 6)) & 15);
      };
      file.push_back(static_cast<uint8_t>(band(x) << 4 | band(x + 1)));
    }
  }
  file.push_back(0);
  return file;
}

}  // namespace

std::vector<TQoDemoPicture> QoDemoPictures() {
  const Bytes pixels = RingPixels();
  const Bytes attributes = SweepAttributes();
  const Bytes screen = Concat({pixels, attributes});
  std::vector<TQoDemoPicture> pictures;
  pictures.push_back({"ZX Spectrum", "rings.scr", screen});
  pictures.push_back({"ZX Spectrum", "rings.flash.scr", screen});
  pictures.push_back({"ZX Spectrum", "rings-mono.scr", pixels});
  pictures.push_back({"ZX Spectrum", "sweep.atr", attributes});

  // Three separations of one picture: each screen one colour channel.
  Bytes red = pixels, green(6144), blue(6144);
  for (std::size_t i = 0; i < 6144; ++i) {
    green[i] = static_cast<uint8_t>(pixels[i] ^ 0xF0);
    blue[i] = static_cast<uint8_t>(i & 0x20 ? 0xFF : 0x0F);
  }
  pictures.push_back({"ZX Spectrum", "rings.rgb", Concat({red, green, blue})});

  // The screen inside a border of horizontal stripes.
  Bytes border(4224);
  for (std::size_t i = 0; i < border.size(); ++i) {
    const int row = i < 1536 ? static_cast<int>(i / 24)
                             : (i < 3072 ? 64 + static_cast<int>((i - 1536) / 8)
                                         : 256 + static_cast<int>((i - 3072) / 24));
    const int colour = (row / 8) & 7;
    border[i] = static_cast<uint8_t>(colour | (colour << 3));
  }
  pictures.push_back({"ZX Spectrum", "rings.bsc", Concat({screen, border})});

  // A character set of 16 x 4 colour cells.
  Bytes chr = {'c', 'h', 'r', '$', 16, 4, 9};
  for (int cell = 0; cell < 64; ++cell) {
    for (int line = 0; line < 8; ++line)
      chr.push_back(static_cast<uint8_t>((cell * 37 + line * 73) | 0x81));
    chr.push_back(static_cast<uint8_t>(0x40 | ((cell & 7) << 3) | (7 - (cell & 7))));
  }
  pictures.push_back({"ZX Spectrum", "cells.ch$", chr});

  // A 48K snapshot: 27 bytes of registers, then memory from 0x4000, the screen first.
  Bytes sna(27, 0);
  sna.insert(sna.end(), screen.begin(), screen.end());
  sna.resize(49179, 0);
  pictures.push_back({"ZX Spectrum snapshots", "rings.sna", sna});
  // The same screen with 64 ULAplus colour registers after it.
  Bytes ulaplus = screen;
  for (int i = 0; i < 64; ++i) ulaplus.push_back(static_cast<uint8_t>(i * 37 + 11));
  pictures.push_back({"ULAplus", "rings-ulaplus.scr", ulaplus});
  // Timex hi-colour: the pixel rows, then one attribute byte per pixel row of a cell.
  pictures.push_back({"Timex", "rings-hicolor.scr", Concat({pixels, Pattern(6144, 3)})});
  pictures.push_back({"Spectra", "rings-spectra.bin", screen});

  pictures.push_back({"Amiga", "rings.iff", AmigaIlbm()});
  pictures.push_back({"Atari ST", "blocks.pi1", AtariDegas()});
  pictures.push_back({"Commodore 64", "blocks.koa", C64Koala()});
  pictures.push_back({"MSX", "blocks.sc5", MsxScreen5()});
  pictures.push_back({"DVK", "rings-kcgd.pic", DvkPicture()});
  pictures.push_back({"Elektronika KR-04", "blocks.krs", Kr04Screen()});
  pictures.push_back({"IBM", "letters.adf", IbmAdf()});
  pictures.push_back({"PC-8000", "stripes.vm2", Pc8000Dump()});
  pictures.push_back({"PlayStation", "gradient.tim", PlayStationTim()});
  pictures.push_back({"Agat", "blocks.fil", AgatPicture()});
  pictures.push_back({"RISC OS", "rings.acorn", RiscOsSprite()});
  pictures.push_back({"TI-99", "rings.tiap", Ti99Patterns()});
  pictures.push_back({"Vector", "rings.rmb", VectorRembrandt()});
  pictures.push_back({"UKNC", "blocks-uknc.pcx", UkncPicture()});
  pictures.push_back({"Sega Master System", "tiles.sbm", SegaScreen()});

  // Plain screen memory, the size and extension telling the format.
  pictures.push_back({"Amstrad CPC", "stripes.hgb", Pattern(16384)});
  pictures.push_back({"Apple II", "stripes-hires.bin", Pattern(8192, 1)});
  pictures.push_back({"BBC Micro", "stripes-mode4.as4", Pattern(10240, 2)});
  pictures.push_back({"BK-0010", "stripes.bks", Pattern(16384, 3)});
  pictures.push_back({"Corvette", "stripes-corvette.pic", Pattern(49152, 4)});
  pictures.push_back({"Elektronika MS 0515", "stripes-ms0515.scr", Pattern(16000, 5)});
  pictures.push_back({"Irisha", "stripes-irisha.pic", Pattern(8000, 6)});
  pictures.push_back({"Lvov", "stripes.lvs", Pattern(16384, 7)});
  pictures.push_back({"Okean-240", "stripes.oks", Pattern(16384, 1)});
  pictures.push_back({"PMD 85", "stripes.85a", Pattern(16384, 2)});
  pictures.push_back({"PP-01", "stripes.01s", Pattern(24576, 3)});
  // SAM Coupé mode 3: the pixels, then the four palette entries (colour codes 0-127).
  Bytes sam = Pattern(24576, 4);
  for (uint8_t code : {uint8_t{0x00}, uint8_t{0x1A}, uint8_t{0x49}, uint8_t{0x7F}})
    sam.push_back(code);
  pictures.push_back({"SAM Coupé", "stripes-mode3.ssx", sam});
  pictures.push_back({"Sinclair QL", "stripes.qs4", Pattern(32768, 5)});
  pictures.push_back({"Specialist", "stripes.sps", Pattern(12288, 6)});
  pictures.push_back({"Element ZX", "stripes.thc", Pattern(12288, 7)});
  pictures.push_back({"Scorpion GMX", "stripes-gmx.c", Pattern(32768, 1)});
  pictures.push_back({"Profi", "rings.grf", ProfiPicture()});
  pictures.push_back({"TRSE", "checks-cpc.flf", TrseCpcPicture()});
  pictures.push_back({"MAG", "rings.mag", MagPicture()});
  pictures.push_back({"ATM Turbo", "rings-atm.grf", AtmTurboPicture()});
  pictures.push_back({"SymbOS", "bands.sgx", SymbOsPicture()});
  return pictures;
}
