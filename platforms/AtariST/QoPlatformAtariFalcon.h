#pragma once
// The file headers of the Atari true-colour, digitiser, greyscale and Falcon pictures,
// each read once into a record whose Read answers whether the file is of that shape
// (sizes, fields and palettes checked against the data). Detect answers 0 when Read
// fails; the engine's constructor raises. Every number is big-endian.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "color/QoBitmap.h"
#include "engine/QoByteView.h"
#include "engine/QoFormatRow.h"

// The picture buffers these headers may ask for; a header asking for more is declined.
inline constexpr std::size_t kQoFalconMaxBuffer = qo::kMaxAllocation;

// Bytes of an interleaved (or planar) screen: 16-pixel words per plane and line.
std::size_t QoAtariPlaneBytes(uint32_t width, uint32_t height, uint32_t planes);

// Rows of packed pixels of storedBits (1, 2, 4 or 8) each, the leftmost in the most
// significant bits, every row starting on a byte; the picture is 1-, 4- or 8-bit by
// bitmapBits and shows palette. Reads outside pixels raise.
std::unique_ptr<TQoBitmap> QoDecodePackedRows(TQoByteView pixels, int32_t width, int32_t height,
                                              int storedBits, int bitmapBits,
                                              const TQoPalette256* palette);

// The uConvert container: "UIMG", palette kind, depth, storage, size, then the palette.
struct TQoUIMGHeader {
  enum : uint8_t { kNoPalette = 0, kSTPalette = 1, kTTPalette = 2, kFalconPalette = 3 };
  enum : uint8_t {
    kPlanes = 0,
    kBytes = 1,
    kRGB565 = 2,
    kRGB24 = 3,
    kXRGB32 = 4,
    kPackedPixels = 255
  };
  static constexpr std::size_t kSize = 14;

  uint8_t PaletteKind = 0;
  uint8_t Depth = 0;
  uint8_t Storage = 0;
  uint32_t Width = 0;
  uint32_t Height = 0;
  int Entries = 0;  // 2^depth palette entries (none for kind 0)
  std::size_t PaletteBytes = 0;
  TQoByteView Palette;
  TQoByteView Pixels;

  bool Read(TQoByteView file);
  // The extension uConvert gave this kind of picture; empty for none.
  std::string Extension() const;
};

// DeskPic: "GF25", colours, size and pixel-data length, the planes, a VDI palette.
struct TQoDeskPicHeader {
  static constexpr std::size_t kSize = 20;
  uint32_t Colors = 0;
  int Planes = 0;
  uint32_t Width = 0;
  uint32_t Height = 0;
  TQoByteView Pixels;
  TQoByteView Palette;

  bool Read(TQoByteView file);
};

// ComputerEyes: "EYES", the mode, then the digitised planes at 22.
struct TQoComputerEyesHeader {
  static constexpr std::size_t kData = 22;
  uint16_t Mode = 0;  // 0 colour planes, 1 15-bit words, 2 greys

  bool Read(TQoByteView file);
};

// ImageLab: "B&W256", size, one grey byte per pixel at 10.
struct TQoImageLabHeader {
  static constexpr std::size_t kPixels = 10;
  uint16_t Width = 0;
  uint16_t Height = 0;

  bool Read(TQoByteView file);
};

// Print-Technik: 0x0F 0x0F, size, 128 grey levels per byte at 10.
struct TQoPrintTechnikHeader {
  static constexpr std::size_t kPixels = 10;
  uint16_t Width = 0;
  uint16_t Height = 0;

  bool Read(TQoByteView file);
};

// TruePaint and Prism Paint: "PNT", colours, size, planes, packing, data length.
struct TQoTruePaintHeader {
  static constexpr std::size_t kPalette = 128;
  uint16_t Colors = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint16_t Planes = 0;
  bool Packed = false;
  TQoByteView Palette;  // VDI triples
  TQoByteView Pixels;   // the data length at the pixels

  bool Read(TQoByteView file);
};

// DuneGraph: "DGU" 1 with plain 8-plane pixels, or "DGC" with a packing type.
struct TQoDuneGraphHeader {
  uint8_t Packing = 0;  // DC1: 0 none, 1..3 runs of 1-, 2- and 4-byte values
  uint16_t Width = 0;
  uint16_t Height = 0;
  TQoByteView Palette;  // 256 Falcon entries
  TQoByteView Data;     // pixels, or the run data with its length in front

  bool ReadDG1(TQoByteView file);
  bool ReadDC1(TQoByteView file);
  std::size_t BufferSize() const { return QoAtariPlaneBytes(Width, Height, 8); }
};

// Plays DuneGraph's runs of `packing` into out (out may be nil: then only counts).
// Answers true when the run data was sound and filled the buffer exactly; with out given
// the runs are written up to the first fault.
bool QoPlayDuneGraphRuns(TQoByteView data, uint8_t packing, uint8_t* out, std::size_t size);

// Spooky Sprites: copy and repeat counts over big-endian words. Answers true when the
// runs filled all `words` words (out may be nil); with out given the runs are written up
// to the first fault.
bool QoPlaySpookyRuns(TQoByteView data, uint32_t counts, uint8_t* out, std::size_t words);

// TmS Cranach: "TMS", header length, size and planes (1, 8 or 24).
struct TQoCranachHeader {
  uint16_t HeaderLength = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint16_t Planes = 0;

  bool Read(TQoByteView file);
};

// Funny Paint: a signature, size, planes (1, 2, 4, 8, 16), pixels at 13.
struct TQoFunnyPaintHeader {
  static constexpr std::size_t kPixels = 13;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint16_t Planes = 0;
  TQoByteView Palette;  // VDI triples behind the planes (2, 4 and 8 planes)

  bool Read(TQoByteView file);
};

// InShape: "IS_IMAGE", the picture type (0 mono, 1 grey, 4 RGB, 5 XRGB), size.
struct TQoInShapeHeader {
  static constexpr std::size_t kPixels = 16;
  uint16_t Type = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;

  bool Read(TQoByteView file);
};

// PixArt: "PIXT", version, storage mode and depth, size; palette and pixels after it.
struct TQoPixArtHeader {
  uint8_t Mode = 0;
  uint8_t Depth = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  TQoByteView Palette;  // 3-byte RGB entries (2, 4 and 8 bits)
  TQoByteView Pixels;

  bool Read(TQoByteView file);
};

// The Falcon's 16-bit pictures that are a small header (a signature, width and height)
// in front of RGB565 words; a row per paint program.
struct TQoAtariFalconHighColorFormat {
  const char* ClassName;
  std::string_view Signature;       // at 0; empty for none
  std::string_view OtherSignature;  // a second program's signature for the same layout
  std::size_t WidthAt;
  std::size_t HeightAt;
  std::size_t PixelsAt;       // where the words start
  std::size_t PixelsAtField;  // a word giving the start instead, when nonzero
  const char* ModeName;
  const char* OtherModeName;  // the name that goes with OtherSignature
  TQoExtensions Extensions;
};

struct TQoAtariFalconHighColorHeader {
  bool Other = false;  // the file carries OtherSignature
  uint16_t Width = 0;
  uint16_t Height = 0;
  std::size_t Pixels = 0;

  // Signature, nonzero size and the file size of exactly the words after the header.
  bool Read(TQoByteView file, const TQoAtariFalconHighColorFormat& row);
};

// Rembrandt: "TRUECOLR", the file size, and a "PICT" record of RGB565 words.
struct TQoRembrandtHeader {
  uint16_t Width = 0;
  uint16_t Height = 0;
  std::size_t Pixels = 0;

  bool Read(TQoByteView file);
};

// Rag-D: "RAG-D!", screen length, size, planes, palette length, four option words.
struct TQoRagDHeader {
  static constexpr std::size_t kPalette = 30;
  uint16_t Width = 0;
  uint32_t Height = 0;
  uint16_t Planes = 0;
  uint32_t PaletteLength = 0;  // 32 (ST words) or 1024 (Falcon entries)
  bool MusicCompile2 = false;  // all four option words 0xFFFF
  TQoByteView Palette;
  TQoByteView Pixels;

  bool Read(TQoByteView file);
};

// DelmPaint: a table of block lengths, then Crack Art blocks of 32000 bytes each (DEL has
// one more block running to the end of the file). Answers true when every block unpacks
// completely and the first holds a Falcon palette; out, when given, receives the
// unpacked blocks one after the other.
bool QoUnpackDelmPaintBlocks(TQoByteView file, int listed, bool trailing,
                             std::vector<uint8_t>* out);
