#pragma once
// The engines of the Amiga module: the IFF base engine with its chunk references,
// palettes, pixel aspect, colour cycling and texts; the readers of per-line colour
// changes; the ILBM/ACBM, RGB8, RGBN, PBM, ANIM and DEEP engines, and the picture and
// sprite banks of AMOS BASIC.

#include <memory>
#include <vector>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "engine/QoSubEngine.h"
#include "platforms/Amiga/QoPlatformAmiga.h"

// The own extension of every IFF form.
inline constexpr TQoExtensions kQoAmigaIFFExtensions = ".iff";

// A reader of per-line colour changes (PCHG, CTBL/BEAM, SHAM, RAST): before each row is
// decoded it sets the palette registers that row uses. It may write and add entries,
// never remove any.
class TQoAmigaBasePCHG {
 public:
  virtual ~TQoAmigaBasePCHG() = default;
  virtual void UpdateRow(int row, bool interlaced, TQoPalette256& palette,
                         const TQoPaletteRGB& table444) = 0;
};

// PCHG: a mask of the rows that change, then one record per flagged row of the registers
// 0-15 and 16-31 it loads with 12-bit colours, or, in chunks whose header flags them as
// 32-bit, of any register it loads with 8-bit components. The line data may be
// Huffman-packed. A short or broken chunk changes fewer rows or none.
class TQoAmigaPCHG : public TQoAmigaBasePCHG {
 public:
  TQoAmigaPCHG(const TQoIFFChunk& chunk, int height);
  void UpdateRow(int row, bool interlaced, TQoPalette256& palette,
                 const TQoPaletteRGB& table444) override;

 private:
  void UpdateLargeRow(TQoPalette256& palette);

  std::vector<uint8_t> rowFlags_;
  std::vector<uint8_t> unpacked_;
  TQoByteCursor changes_;
  bool large_ = false;
  bool usedUp_ = false;
};

// CTBL and BEAM: k colour words for every row in turn, for registers 0 to k - 1.
class TQoAmigaBEAM : public TQoAmigaBasePCHG {
 public:
  TQoAmigaBEAM(const TQoIFFChunk& chunk, int height);
  void UpdateRow(int row, bool interlaced, TQoPalette256& palette,
                 const TQoPaletteRGB& table444) override;

 private:
  std::size_t perRow_ = 0;
  TQoByteCursor words_;
};

// SHAM: a version word, then a CTBL-like table; an interlaced picture holds one table row
// for each pair of rows, which the odd row keeps.
class TQoAmigaSHAM : public TQoAmigaBasePCHG {
 public:
  TQoAmigaSHAM(const TQoIFFChunk& chunk, int height, bool interlaced);
  void UpdateRow(int row, bool interlaced, TQoPalette256& palette,
                 const TQoPaletteRGB& table444) override;

 private:
  std::size_t perRow_ = 0;
  TQoByteCursor words_;
};

// RAST: 34-byte records of a line number and the 16 STE colours of that line; a line
// without a record keeps the colours of the line above.
class TQoAmigaRAST : public TQoAmigaBasePCHG {
 public:
  TQoAmigaRAST(const TQoIFFChunk& chunk, int height);
  void UpdateRow(int row, bool interlaced, TQoPalette256& palette,
                 const TQoPaletteRGB& table444) override;

 private:
  TQoByteView data_;
  std::size_t records_ = 0;
};

// The kinds of line-change chunk, in the order their tests are tried.
enum class TQoAmigaLineChanges { None, PCHG, CTBL, SHAM, RAST };

class TQoAmigaIFFEngine : public TQoSourceEngine {
 public:
  TQoAmigaIFFEngine(TQoLoadSource& source, const char* className);

  // The chunks the engine needs, referring into the file data.
  TQoIFFChunk BMHDChunk, CAMGChunk, CMAPChunk, BodyChunk, ANNOChunk, AUTHChunk, CCRTChunk;
  TQoIFFChunk LineChangeChunk;  // at most one survives creation
  TQoAmigaLineChanges LineChangeKind = TQoAmigaLineChanges::None;
  std::vector<TQoIFFChunk> CRNGChunks;
  bool IsACBM = false;
  // Every line-change chunk met by the walk (the last of each kind), before the tests.
  TQoIFFChunk PCHGChunk, CTBLChunk, SHAMChunk, RASTChunk;

  TQoIFFBitmapHeader Header;
  uint32_t Camg = 0;  // valid when CAMGChunk is present

  bool HasCamg() const { return CAMGChunk.Present(); }
  bool Interlaced() const { return HasCamg() && (Camg & kAmigaModeLace); }
  int CMAPCount() const { return static_cast<int>(CMAPChunk.Size() / 3); }
  uint32_t Monitor() const { return Camg & kAmigaMonitorMask; }

 protected:
  // Walks the FORM and keeps the last of each chunk kind; CRNG chunks are collected in
  // file order (ILBM files stop at the first invalid one), the first valid CCRT is kept.
  // Raises without a usable BMHD or a body.
  void CollectChunks(bool stopAtInvalidRange);
  // InfoTitle from ANNO and AUTH.
  void SetTexts();
  // Display-mode names, then the kinds, then " image".
  void SetDescription(const std::string& kinds);
  // CRNG ranges (or the CCRT) that fit the CMAP, for pictures of up to 8 planes.
  void AddCycleRanges();
  void SelectAspect();
  // The planar data: the body in place or unpacked into an owned buffer of the size the
  // picture needs. Stored planes per row include the mask plane.
  TQoByteView PreparedBody(int storedPlanes);

  // The reader of the kept line-change chunk for a decode from the first row, or nil.
  std::unique_ptr<TQoAmigaBasePCHG> CreateLineChanges() const;

 private:
  std::vector<uint8_t> planeBuffer_;
  TQoByteView planeData_;
  bool bodyPrepared_ = false;
};

class TQoAmigaILBMEngine : public TQoAmigaIFFEngine {
 public:
  static constexpr const char* ClassName = "TQoAmigaILBMEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAmigaILBMEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  bool IsHam6() const;
  bool IsHam8() const;
  bool IsHalfBrite() const;
  // Compression 2 with fewer than 5 planes: written by Atari ST paint programs.
  bool IsAtariSTMode() const { return Header.Compression == 2 && Header.Planes < 5; }

 private:
  // The first line-change chunk that passes its test survives; the others are dropped.
  void KeepLineChanges();
  // Where row y of plane 0 starts, and how far apart the planes of a row are.
  std::size_t RowStart(int y) const;
  std::size_t PlaneStride() const;
  std::unique_ptr<TQoBitmap> DecodeIndexed(TQoByteView data);
  std::unique_ptr<TQoBitmap> DecodeHam(TQoByteView data, bool ham8);
  std::unique_ptr<TQoBitmap> DecodeTrueColor(TQoByteView data);
};

// The run-length true-colour forms, which differ only in their numbers.
struct TQoAmigaRGBFormat {
  const char* ClassName;
  const char* FormType;
  uint8_t Planes;      // what the BMHD says
  int32_t ColorDepth;  // what the picture holds
};

// RGB8 runs (bytes of red, green, blue and a count) or RGBN runs (a 12-bit colour word
// with a count in its low bits), by the row's plane count.
class TQoAmigaRGBRunEngine : public TQoAmigaIFFEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoAmigaRGBFormat& row);
  TQoAmigaRGBRunEngine(TQoLoadSource& source, const TQoAmigaRGBFormat& row);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoAmigaRGBFormat& row_;
};

inline constexpr TQoAmigaRGBFormat kQoAmigaRGB8Format{"TQoAmigaRGB8Engine", "RGB8", 25, 24};
inline constexpr TQoAmigaRGBFormat kQoAmigaRGBNFormat{"TQoAmigaRGBNEngine", "RGBN", 13, 12};

using TQoAmigaRGB8Engine = TQoRowEngine<TQoAmigaRGBRunEngine, kQoAmigaRGB8Format>;
using TQoAmigaRGBNEngine = TQoRowEngine<TQoAmigaRGBRunEngine, kQoAmigaRGBNFormat>;

class TQoAmigaPBMEngine : public TQoAmigaIFFEngine {
 public:
  static constexpr const char* ClassName = "TQoAmigaPBMEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAmigaPBMEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// An animation shown by its first frame, an ordinary ILBM picture in its own FORM.
class TQoAmigaANIMEngine : public TQoSourceEngineWithSubEngine {
 public:
  static constexpr const char* ClassName = "TQoAmigaANIMEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAmigaANIMEngine(TQoLoadSource& source);
};

// IFF DEEP and TVPP: 24- or 32-bit pictures, stored, ByteRun1-packed or in nibble deltas.
class TQoAmigaDEEPEngine : public TQoAmigaIFFEngine {
 public:
  static constexpr const char* ClassName = "TQoAmigaDEEPEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAmigaDEEPEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoByteView PixelBytes();

  TQoDEEPChunks chunks_;
  std::vector<uint8_t> pixels_;
  TQoByteView pixelData_;
  bool unpacked_ = false;
};

// A packed picture bank of AMOS BASIC: a screen of 1 to 6 planes, hold-and-modify and
// extra half-brite included.
class TQoAmigaAMOSEngine : public TQoAmigaIFFEngine {
 public:
  static constexpr const char* ClassName = "TQoAmigaAMOSEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAmigaAMOSEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoAMOSPicture picture_;
  uint32_t displayMode_ = 0;
  std::vector<uint8_t> planes_;
  bool unpacked_ = false;
};

// An AMOS sprite or icon bank, every sprite on one sheet.
class TQoAmigaAMOSSpriteBankEngine : public TQoAmigaIFFEngine {
 public:
  static constexpr const char* ClassName = "TQoAmigaAMOSSpriteBankEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAmigaAMOSSpriteBankEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoAMOSSpriteBank bank_;
  std::unique_ptr<TQoSpritePositions> positions_;  // with two sprites or more
};

void RegisterAmigaEngines(TQoEngineRegistry& registry);
