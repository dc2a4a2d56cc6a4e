#pragma once
// The TI-99/4A and the Geneve 9640: the TIFILES header of TI disk files, the TMS9918A's
// colours as emulators and converters show them, the F18A board's 12-bit palettes, the
// V9938 palette words of the Geneve, and the run-length streams of Geneve pictures.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// The 128-byte header in front of every TI file on a PC disk.
struct TQoTIFilesHeader {
  uint16_t Sectors = 0;  // 256-byte sectors
  uint8_t RecordsPerSector = 0;
  uint8_t EndOfFile = 0;  // bytes used of the last sector; 0 for all of it
  uint8_t RecordLength = 0;
  std::size_t DataLength = 0;

  static constexpr std::size_t kSize = 128;
  // The signature, a sector count and a file that holds the data it announces.
  bool Read(TQoByteView file);
  // The data after the header, DataLength bytes.
  TQoByteView Data(TQoByteView file) const { return file.Sub(kSize, DataLength); }
};

// A file with a valid header whose data length is n.
bool QoIsTIFile(TQoByteView file, std::size_t n);

// The TMS9918A's 16 colours by palette type (ptTI99MSX, ptTI99Adam, ptTI99Convert9918,
// ptTI99Calculated); entry 0, the chip's transparent colour, is marked excluded. Other
// types raise.
void QoSetTMS9918APalette(TQoPalette256& palette, uint8_t paletteType);

// An F18A palette word 0x0RGB as 0x00RRGGBB.
uint32_t QoF18AColor(uint16_t word);
// n big-endian V9938 palette words (0RRR0BBB 00000GGG) appended to palette.
void QoAddV9938PaletteWords(TQoPalette256& palette, TQoByteView words, int n);

// The run words of Geneve G6 and G7 pictures.
enum class TQoGeneveMode : uint8_t { G6, G7 };
struct TQoGeneveLayout {
  TQoGeneveMode Mode = TQoGeneveMode::G6;
  int32_t Width = 0;
  int32_t Height = 0;
  std::size_t RunsAt = 0;  // where the run words start in the data
};
// The first layout whose runs fill the picture exactly: first with nothing left over,
// then with at most 253 bytes; G6 before G7, taller before shorter. False when none does.
bool QoFindGeneveLayout(TQoByteView data, TQoGeneveLayout& layout);
// The pixels of the layout, one value (G6: 4 bits, G7: a SCREEN 8 byte) a byte.
std::vector<uint8_t> QoUnpackGeneveRuns(TQoByteView data, const TQoGeneveLayout& layout);

// The pictures of the Geneve fractal program: the first 255 bytes of every sector of the
// data joined; at 1 "C" or "M", at 2 the palette, at 72 the title, at 255 the runs.
struct TQoFractalPicture {
  std::vector<uint8_t> Compacted;

  static constexpr int32_t kWidth = 512;
  static constexpr int32_t kHeight = 212;
  static constexpr std::size_t kRunsAt = 255;

  // Checks the header fields and compacts the data; false when it is no such picture.
  bool Read(TQoByteView file);
  TQoByteView View() const { return TQoByteView(Compacted.data(), Compacted.size()); }
  std::string Title() const;
  // Decodes the runs into pixels (4-bit values, kWidth per line, kHeight lines); false
  // unless every line ends on a run boundary and fewer than 255 bytes are left over.
  bool Unpack(std::vector<uint8_t>* pixels) const;
};
