#pragma once
// The Amiga's Interchange File Format: the chunk walk, the header records the engines
// validate, the ByteRun1 packing of bitplane bodies, palettes from CMAP chunks, the
// display-mode names and pixel aspects of the chipset's modes, and the two colour tricks
// of the original chipset (extra half-brite and hold-and-modify).
//
// Every number in an IFF file is big-endian; all reads are bounds-checked.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "color/QoColor.h"
#include "engine/QoByteView.h"

// A four-character identifier as the big-endian word it is stored as.
constexpr uint32_t QoIFFId(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3]));
}

// One chunk inside a FORM (or inside a chunk that holds chunks, as a BODY holds VDATs).
struct TQoIFFChunk {
  uint32_t Id = 0;  // 0: no chunk
  TQoByteView Data;
  bool Cut = false;  // a body that ran past the end of the data: Data is what there is

  bool Present() const { return Id != 0; }
  std::size_t Size() const { return Data.Size(); }
};

// The chunks of data from offset start on: each an identifier and a 32-bit size, then
// the data and a pad byte after odd sizes. The walk goes to the end of the data, whatever
// the FORM's own length says (tools that never patch it leave 0 or too much), and stops
// silently at the first chunk that does not fit; only a body (BODY, ABIT) that runs past
// the end is still yielded, cut, as the last chunk. Some Atari STE programs write a RAST
// chunk straight after an odd-sized chunk, without the pad byte; such a RAST is found too.
std::vector<TQoIFFChunk> QoReadIFFChunks(TQoByteView data, std::size_t start);

// "FORM" with one of the given types at the start of a file longer than 12 bytes.
bool QoIsIFFForm(TQoByteView file, std::string_view formType);

// BMHD: the bitmap header.
struct TQoIFFBitmapHeader {
  static constexpr std::size_t kSize = 20;

  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Planes = 0;
  uint8_t Masking = 0;      // 1: a mask plane follows the planes of every row
  uint8_t Compression = 0;  // 0 none, 1 ByteRun1, 2 vertical word runs (VDAT)
  uint8_t Flags = 0;        // 0x80: the CMAP holds full 8-bit components
  uint8_t XAspect = 0;
  uint8_t YAspect = 0;
  uint16_t PageWidth = 0;
  uint16_t PageHeight = 0;

  // False for a chunk of another size.
  bool Read(const TQoIFFChunk& chunk);
  // Width and height 1 to 2000.
  bool HasSaneSize() const { return Width >= 1 && Width <= 2000 && Height >= 1 && Height <= 2000; }
  // Bytes of one plane row: whole 16-bit words.
  std::size_t RowBytes() const { return (static_cast<std::size_t>(Width) + 15) / 16 * 2; }
  // Planes stored per row, the mask plane included.
  int StoredPlanes() const { return Planes + (Masking == 1 ? 1 : 0); }
  // The bitplane data of the whole picture.
  std::size_t PlanarSize() const {
    return static_cast<std::size_t>(StoredPlanes()) * Height * RowBytes();
  }
};

// CRNG: a colour-cycling range of the paint programs.
struct TQoIFFColorRange {
  int16_t Rate = 0;    // 16384 = 60 steps per second
  uint16_t Flags = 0;  // bit 0 active, bit 1 reverse
  uint8_t Low = 0;
  uint8_t High = 0;

  bool Read(const TQoIFFChunk& chunk);  // false unless the size is 8
  // Active, no unknown flags, a usable rate and a range of at least two registers.
  bool IsValid() const;
};

// CCRT: the cycling range of another paint program, with a step time.
struct TQoIFFColorCycle {
  int16_t Direction = 0;  // 1 or -1
  uint8_t Start = 0;
  uint8_t End = 0;
  uint32_t Seconds = 0;
  uint32_t Microseconds = 0;

  bool Read(const TQoIFFChunk& chunk);  // false unless the size is 14
  bool IsValid() const;
};

// The cycling delay in 1/60-second ticks of a CRNG rate, or 0 when the rate asks for 60
// or more steps per second (whole steps), which the display cannot show.
int32_t QoCycleDelayFromRate(int16_t rate);
// The delay of a CCRT step time: ticks rounded to nearest, at least 1.
int32_t QoCycleDelayFromTime(uint32_t seconds, uint32_t microseconds);

// The VDAT word runs of one plane: commands against data words, the words stored column
// by column into plane `plane` of an interleaved picture (rows rowStride bytes apart).
// The words of a stream that ends early stay as they were. Never raises.
void QoUnpackVDAT(TQoByteView vdat, uint8_t* planes, std::size_t planesSize, int plane,
                  std::size_t rowBytes, int height, std::size_t rowStride);

// The value of every pixel of one row: plane i gives bit i, pixel x is bit 7 - x mod 8
// of byte x div 8 of its plane's row; plane i's row starts at rowStart + i * planeStride.
void QoReadPlanarRow(TQoByteView data, std::size_t rowStart, std::size_t planeStride, int planes,
                     int width, uint32_t* values);

// How CMAP components become colours.
enum class TQoCMAPColors {
  AtariST,  // 3 bits per gun (ptRGB333)
  Amiga12,  // 4 bits per gun (ptRGB444)
  Full8,    // as stored
};

// Clears the palette, adds count black entries and sets the first ones from the CMAP.
void QoLoadCMAPPalette(TQoByteView cmap, TQoPalette256& palette, int count, TQoCMAPColors colors);
// The ptRGB444 colour of a 12-bit value (red in bits 11-8).
TQoStdRGBColor QoAmigaColor12(uint32_t rgb12);
// The 4-bit components of an entry set from a 12-bit colour.
void QoSplit12(const TQoStdRGBColor& c, int& r, int& g, int& b);
// Extra half-brite: fills the palette to 64 entries, entry 32 + i being entry i with its
// three 4-bit components halved.
void QoExtendHalfBrite(TQoPalette256& palette);

// Hold-and-modify rows. HAM6 holds 4-bit components: values 0-15 load a register, 16-31
// modify blue, 32-47 red, 48-63 green. HAM8 does the same with 6-bit fields that replace
// the upper six bits of an 8-bit component. Each row starts with register 0's colour.
// The results are 0x00RRGGBB.
void QoDecodeHam6Row(const uint32_t* values, int count, const TQoPalette256& palette,
                     uint32_t* out);
void QoDecodeHam8Row(const uint32_t* values, int count, const TQoPalette256& palette,
                     uint32_t* out);

// The Huffman-packed line data of a PCHG chunk: tree words (signed 16-bit, the root
// last) against a bit stream read from each byte's most significant bit on. A 1 bit
// follows a negative word as a byte distance back, or ends at a leaf; a 0 bit steps to
// the word below, a leaf when it is 0x01xx. False when the bits run out before outSize
// bytes or a step leaves the tree.
bool QoUnpackPCHGHuffman(TQoByteView tree, TQoByteView bits, std::size_t outSize,
                         std::vector<uint8_t>& out);

// An Atari STE colour word: red in bits 11-8, green 7-4, blue 3-0, each field holding
// the low bit of its 4-bit level in bit 3 and the upper three bits below it.
TQoStdRGBColor QoSTEColor(uint16_t word);

// DEEP (also form type TVPP): true-colour pictures of interleaved 8-bit components.
struct TQoDEEPElement {
  uint16_t Type = 0;  // 1 red, 2 green, 3 blue, 4 alpha
  uint16_t Depth = 0;
};

struct TQoDEEPChunks {
  TQoIFFChunk DGBL, DPEL, DLOC, DBOD, TVDC, ANNO, AUTH;
  uint16_t DisplayWidth = 0;
  uint16_t DisplayHeight = 0;
  uint16_t Compression = 0;  // 0 none, 1 ByteRun1, 5 nibble deltas against the TVDC table
  uint8_t XAspect = 0;
  uint8_t YAspect = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  std::vector<TQoDEEPElement> Elements;

  // False unless the file is a FORM DEEP or TVPP with one DGBL, DPEL and DLOC each of a
  // usable shape, 3 or 4 elements of 8 bits, a body, and the table compression 5 needs.
  bool Read(TQoByteView file);
  std::size_t PixelBytes() const {
    return static_cast<std::size_t>(Width) * Height * Elements.size();
  }
};

// The nibble deltas of a DEEP body into out (width x height pixels of `elements` bytes,
// zero-filled by the caller): every element of every row is one pass starting on a byte
// boundary, each nibble adding the low byte of its table word to a running value; a zero
// table word takes the next nibble as a count of pixels that repeat the value. Ends
// silently when the nibbles run out. Never raises.
void QoUnpackDEEPDeltas(TQoByteView body, TQoByteView table, int width, int height, int elements,
                        uint8_t* out);

// A packed AMOS picture bank: "AmBk", the bank length, the name "Pac.Pic.", a screen
// header and a picture header whose three streams (picture bytes, run bits and point
// bits) give the planes, each stored whole.
struct TQoAMOSPicture {
  static constexpr std::size_t kScreen = 20;
  static constexpr std::size_t kPicture = 110;
  static constexpr std::size_t kPacked = 134;

  uint16_t ScreenWidth = 0;
  uint16_t ScreenHeight = 0;
  uint16_t Mode = 0;  // bit 15 high resolution, bit 11 hold-and-modify, bit 2 interlace
  uint16_t Planes = 0;
  TQoByteView Colors;  // 32 words of 12-bit colours
  uint16_t RowBytes = 0;
  uint16_t Blocks = 0;
  uint16_t LinesPerBlock = 0;
  uint32_t RunOffset = 0;    // from the picture header
  uint32_t PointOffset = 0;  // from the picture header

  // False also for planes larger than the load pipeline would hold.
  bool Read(TQoByteView file);
  std::size_t Lines() const { return std::size_t{Blocks} * LinesPerBlock; }
  int32_t Height() const { return static_cast<int32_t>(Lines()); }  // after a good Read
  std::size_t PlanarSize() const { return std::size_t{RowBytes} * Lines() * Planes; }
  // The display-mode identifier the screen was opened with.
  uint32_t DisplayMode() const;
  bool IsHam() const;
};

// The planes of a packed AMOS picture into out (PlanarSize bytes, zero-filled by the
// caller); a stream that ends early leaves the rest as it was. Never raises.
void QoUnpackAMOSPicture(TQoByteView file, const TQoAMOSPicture& picture, uint8_t* out);

// An AMOS sprite or icon bank: sprites of whole-plane bitmaps, then 32 colour words.
struct TQoAMOSSprite {
  uint16_t Words = 0;  // width in 16-pixel words
  uint16_t Height = 0;
  uint16_t Planes = 0;
  TQoByteView Data;  // Planes planes of Height rows of Words * 2 bytes

  bool Empty() const { return Words == 0 && Height == 0 && Planes == 0; }
  int32_t Width() const { return 16 * static_cast<int32_t>(Words); }
};

struct TQoAMOSSpriteBank {
  bool Icons = false;  // "AmIc"
  std::vector<TQoAMOSSprite> Sprites;
  TQoByteView Colors;  // 32 words of 12-bit colours
  int MaxPlanes = 0;
  int NonEmpty = 0;

  // False unless every sprite is whole, one at least is not empty, and exactly the
  // colour words follow the last.
  bool Read(TQoByteView file);
};

// The monitor part of a display-mode identifier and the monitors the aspect rules know.
enum : uint32_t {
  kAmigaMonitorMask = 0xFFFF1000u,
  kAmigaMonitorDefault = 0,
  kAmigaMonitorNTSC = 0x11000,
  kAmigaMonitorPAL = 0x21000,
  kAmigaMonitorVGA = 0x31000,
  kAmigaMonitorA2024 = 0x41000,
  kAmigaMonitorEURO72 = 0x61000,
  kAmigaMonitorEURO36 = 0x71000,
  kAmigaMonitorSUPER72 = 0x81000,
  kAmigaMonitorDBLNTSC = 0x91000,
  kAmigaMonitorDBLPAL = 0xA1000,
};

// Mode bits of the identifier.
enum : uint32_t {
  kAmigaModeHiRes = 0x8000,
  kAmigaModeSuper = 0x0020,
  kAmigaModeLace = 0x0004,
  kAmigaModeDouble = 0x0001,
  kAmigaModeHalfBrite = 0x0080,
  kAmigaModeHam = 0x0800,
};

// " PAL HiRes Laced" and the like; empty without a CAMG.
std::string QoAmigaDisplayModeNames(bool hasCamg, uint32_t camg);

// The pixel-aspect entry of a picture, from its display mode (when it has a CAMG), the
// page size and the aspect bytes of its BMHD; current when no rule applies.
uint8_t QoAmigaAspectIndex(bool hasCamg, uint32_t camg, const TQoIFFBitmapHeader& header,
                           uint8_t current);

// Texts of ANNO and AUTH chunks: trimmed of spaces and control bytes at both ends and
// converted from the 8-bit code page (Windows-1252) to UTF-8.
std::string QoAmigaText(TQoByteView bytes);
