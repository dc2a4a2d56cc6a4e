#pragma once
// The MSX video chips: the TMS9918's fixed colours, the V9938/V9958 palette records of
// 3-bit levels, the BLOAD header of BSAVE'd video RAM, and the palette files that paint
// programs keep beside their pictures.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// A 3-bit level as 8 bits: the V9938 divides the range evenly, the V9958 (by palette
// type ptMSX9958) goes through its 5-bit steps.
uint8_t QoMSXLevel(unsigned level, uint8_t paletteType);

// The 7-byte header of BSAVE files: marker, start, end and execution address.
struct TQoBloadHeader {
  uint8_t Marker = 0;
  uint16_t Start = 0;
  uint16_t End = 0;
  uint16_t Execution = 0;

  static constexpr std::size_t kSize = 7;
  bool Read(TQoByteView file);
  // The marker, start and execution are as expected and the file holds the range (or
  // one byte less, as some savers wrote it).
  bool Matches(std::size_t fileSize, uint8_t marker, uint16_t start, uint16_t execution) const;
};

// n palette records of 2 bytes (0RRR0BBB, 00000GGG) with at least one level set.
bool QoIsValidMSXPaletteRun(TQoByteView records, int n);
// Appends n records' colours to palette.
void QoAddMSXPaletteRecords(TQoPalette256& palette, TQoByteView records, int n,
                            uint8_t paletteType);

// The TMS9918's 16 colours (the first n of them).
void QoSetMSX1Palette(TQoPalette256& palette, int n = 16);
// The V9938's power-on palette: 16 colours, or the 4 of SCREEN 6.
void QoSetMSX2DefaultPalette(TQoPalette256& palette, int n, uint8_t paletteType);
// SCREEN 8: 256 colours, index GGGRRRBB.
void QoSetScreen8Palette(TQoPalette256& palette, uint8_t paletteType);
// The 16 fixed sprite colours of SCREEN 8, as 0x00RRGGBB.
uint32_t QoScreen8SpriteColor(unsigned c);

// A ".pal" file: a BLOAD header for 0xC000, the routine that sets the palette, and 16
// entries of three levels; the entries, or an empty view when the file is not one.
TQoByteView QoMSXPalFileEntries(TQoByteView file);

// The V9958 and V9990 keep 5-bit levels; as 8 bits: w·255/31 rounded.
uint8_t QoMSXLevel5(unsigned level);

// The colour of a YJK pixel as 0x00RRGGBB: Y of 5 bits, J and K of 6 bits, signed. The
// V9990's YUV pictures compute the same three values but swap blue and green.
uint32_t QoYJKToRGB(int y, int j, int k, bool yuv = false);

// width pixels of a row of YJK groups (four bytes, four pixels, J and K shared), the last
// group cut to the pixels that remain; bytes beyond row read as 0. With a palette the row
// is of SCREEN 10/11: a byte with bit 3 set is the palette colour of its high nibble.
void QoDecodeYJKRow(TQoByteView row, int32_t width, uint32_t* rgb, bool yuv,
                    const TQoPalette* palette);

// The header of a V9990 picture, checked as a whole: a known depth and colour type, the
// palette entries that depth allows, a size in range and palette levels below 32.
struct TQoG9BHeader {
  enum TMode : uint8_t { kBP2, kBP4, kBP6, kBD8, kBYJK, kBYUV, kBD16 };

  std::size_t HeaderLength = 0;  // counted from offset 5
  uint8_t BitsPerPixel = 0;
  uint8_t ColorType = 0;
  uint8_t PaletteCount = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool Compressed = false;
  TMode Mode = kBP2;

  bool Read(TQoByteView file);
  std::size_t PaletteAt() const { return 5 + HeaderLength; }
  std::size_t DataAt() const { return PaletteAt() + 3 * static_cast<std::size_t>(PaletteCount); }
  // Bytes of one row of pixels, and of the whole picture.
  std::size_t RowBytes() const;
  std::size_t PictureBytes() const { return RowBytes() * static_cast<std::size_t>(Height); }
};

// The V9990 compression: after a count byte, blocks of a 16-bit length and LZ data that
// decode one after the other into a zero-filled buffer of size bytes. A broken block
// ends the unpacking there, leaving the rest zero.
std::vector<uint8_t> QoUnpackV9990(TQoByteView data, std::size_t size);

// The packed SCREEN 5 pictures: groups of 64 bytes under a mask byte and its sub-masks,
// then every line after the first rawLines XOR-ed with the line above. False unless
// lineBytes · lines bytes come out of the stream and use it up exactly.
bool QoUnpackMSXCMP(TQoByteView stream, std::size_t lineBytes, std::size_t lines,
                    std::size_t rawLines, std::vector<uint8_t>& out);

// The V9990's 8-bit direct colours, index GGGRRRBB, through its 5-bit levels.
void QoSetV9990Direct8Palette(TQoPalette256& palette);

// The three header bytes of a packed SCREEN 5 picture: bytes per line (the width is
// twice that), lines, and how many leading lines are stored as they are.
struct TQoCMPHeader {
  std::size_t LineBytes = 0;
  std::size_t Lines = 0;
  std::size_t RawLines = 0;

  static constexpr std::size_t kSize = 3;
  bool Read(TQoByteView file);
};
