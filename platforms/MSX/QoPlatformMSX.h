#pragma once
// The MSX video chips: the TMS9918's fixed colours, the V9938/V9958 palette records of
// 3-bit levels, the BLOAD header of BSAVE'd video RAM, and the palette files that paint
// programs keep beside their pictures.

#include <cstddef>
#include <cstdint>

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
