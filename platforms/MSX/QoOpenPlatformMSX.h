#pragma once
// The engines of the MSX module: BSAVE'd video RAM of SCREEN 2 to 12 (with interlaced
// page pairs and sprites), the COPY files, the run-length packed files, STP, the packed
// SCREEN 5 and desktop-publishing pages, and the V9990's pictures.

#include <array>
#include <memory>
#include <string>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/MSX/QoPlatformMSX.h"

// What every MSX engine may find beside its picture: a companion palette file (".pl5"
// and the like, one or eight palettes of 32 bytes) and a ".pal" file of 16 colours.
class TQoBaseMSXEngine : public TQoSourceEngine {
 public:
  TQoBaseMSXEngine(TQoLoadSource& source, const char* className);

  TQoByteView CompanionPalette;  // the whole companion palette file
  TQoByteView PalEntries;        // the 16 entries of a ".pal" file

 protected:
  // Offers ptMSX9938 and ptMSX9958 and calls the platform "MSX2".
  void SetMSX2();
  // The YJK screens: the V9958's levels only, platform "MSX2+".
  void SetMSX2Plus();
  // Loads the companion palette with that extension when it is usable; with eight
  // palettes, the distinct valid ones become variants. records: 16, or 4 for SCREEN 6.
  bool FindCompanionPalette(const std::string& extension, int records);
  bool FindPalFile(const std::string& name);
  // The palette from the companion, the ".pal" file, the video RAM, or the defaults.
  void SelectMSXPalette(TQoByteView vram, std::size_t paletteAddress, bool msx2, int count);

 private:
  int companionRecords_ = 16;
};

// The screen-mode numbers the video RAM dumps use, and what the modes share.
struct TQoMSXScreenFormat {
  const char* ClassName;
  int Screen;  // 2 .. 8, 10 (YJK with palette colours, also SCREEN 11) or 12 (YJK)
  int32_t Width;
  int32_t Height;  // SCREEN 12: at most this, as far as the VRAM reaches
  int Depth;
  TQoExtensions Extensions;           // the first is the default
  std::array<int32_t, 4> ExactSizes;  // 0 ends it
  std::size_t MinimumVram;
  std::size_t PaletteAddress;
  std::size_t SpriteAttributes;
  std::size_t SpritePatterns;
  std::size_t SpritesAboveVram;    // sprites are drawn when the VRAM is larger than this
  const char* CompanionExtension;  // companion palette of ".srN" files, or nullptr
};

// Video RAM dumps: one engine for every row of the screen table.
class TQoSCEngine : public TQoBaseMSXEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoMSXScreenFormat& format);
  TQoSCEngine(TQoLoadSource& source, const TQoMSXScreenFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Vram;        // VRAM from address 0
  TQoByteView SecondPage;  // the VRAM of the interlaced partner, or empty
  bool ShowSprites = false;
  bool IsMSX2 = false;

  // Draws the sprites of vram over a picture of the given screen mode; the YJK screens
  // take the sprite colours from palette.
  static void DrawMSXSprites(TQoBitmap& bmp, TQoByteView vram, int screen, std::size_t attributes,
                             std::size_t patterns, const TQoPalette* palette = nullptr);

 private:
  const TQoMSXScreenFormat& format_;
  void FindSecondPage();
  std::unique_ptr<TQoBitmap> DecodeYJK();
  // One line of page values: indices, or at SCREEN 8 the bytes themselves.
  void DecodeLine(TQoByteView vram, int line, uint32_t* values) const;
};

// clang-format off
inline constexpr TQoMSXScreenFormat kQoSC2Format{
    "TQoSC2Engine", 2, 256, 192, 4, ".sc2 .s02 .sr2 .grp",
    {14343, 16391, 0, 0}, 0x3800, 0x1B80, 0x1B00, 0x3800, 16383, nullptr};
inline constexpr TQoMSXScreenFormat kQoSC3Format{
    "TQoSC3Engine", 3, 64, 48, 4, ".sc3 .s03 .sr3",
    {1543, 16391, 0, 0}, 1536, 0x2020, 0, 0, SIZE_MAX, nullptr};
inline constexpr TQoMSXScreenFormat kQoSC4Format{
    "TQoSC4Engine", 4, 256, 192, 4, ".sc4 .sr4",
    {14343, 16391, 0, 0}, 0x3800, 0x1B80, 0x1E00, 0x3800, 16383, nullptr};
inline constexpr TQoMSXScreenFormat kQoSC5Format{
    "TQoSC5Engine", 5, 256, 212, 4, ".sc5 .s05 .sr5 .ge5",
    {27143, 30375, 30471, 32775}, 0x6A00, 0x7680, 0x7600, 0x7800, 32767, ".pl5"};
inline constexpr TQoMSXScreenFormat kQoSC6Format{
    "TQoSC6Engine", 6, 512, 212, 2, ".sc6 .s06 .sr6",
    {27143, 30351, 30375, 32775}, 0x6A00, 0x7680, 0x7600, 0x7800, 32767, ".pl6"};
inline constexpr TQoMSXScreenFormat kQoSC7Format{
    "TQoSC7Engine", 7, 512, 212, 4, ".sc7 .s07 .sr7 .ge7",
    {54279, 64167, 0, 0}, 0xD400, 0xFA80, 0xFA00, 0xF000, 64127, ".pl7"};
inline constexpr TQoMSXScreenFormat kQoSC8Format{
    "TQoSC8Engine", 8, 256, 212, 8, ".sc8 .s08 .sr8 .ge8 .pic",
    {54279, 64135, 0, 0}, 0xD400, 0, 0xFA00, 0xF000, 64127, nullptr};
inline constexpr TQoMSXScreenFormat kQoSCAFormat{
    "TQoSCAEngine", 10, 256, 212, 14, ".sca",
    {54279, 64167, 0, 0}, 0xD400, 0xFA80, 0xFA00, 0xF000, 64127, nullptr};
inline constexpr TQoMSXScreenFormat kQoSCCFormat{
    "TQoSCCEngine", 12, 256, 212, 15, ".scc .srs .yjk .s12",
    {49159, 54279, 64167, 0}, 0xC000, 0xFA80, 0xFA00, 0xF000, 64127, nullptr};
// clang-format on

using TQoSC2Engine = TQoRowEngine<TQoSCEngine, kQoSC2Format>;
using TQoSC3Engine = TQoRowEngine<TQoSCEngine, kQoSC3Format>;
using TQoSC4Engine = TQoRowEngine<TQoSCEngine, kQoSC4Format>;
using TQoSC5Engine = TQoRowEngine<TQoSCEngine, kQoSC5Format>;
using TQoSC6Engine = TQoRowEngine<TQoSCEngine, kQoSC6Format>;
using TQoSC7Engine = TQoRowEngine<TQoSCEngine, kQoSC7Format>;
using TQoSC8Engine = TQoRowEngine<TQoSCEngine, kQoSC8Format>;
using TQoSCAEngine = TQoRowEngine<TQoSCEngine, kQoSCAFormat>;
using TQoSCCEngine = TQoRowEngine<TQoSCEngine, kQoSCCFormat>;

// Pictures of the COPY command and the packed files: a pixel stream of one screen mode.
struct TQoMSXStreamFormat {
  const char* ClassName;
  int Screen;  // 5 .. 8, 10, 12
  int BitsPerPixel;
  int Depth;                       // the colour depth shown
  TQoExtensions Extensions;        // the first is the default
  const char* CompanionExtension;  // nullptr for SCREEN 8
  uint8_t AspectIndex;
};

// COPY files: width and height words, then the pixels without line padding.
class TQoGLEngine : public TQoBaseMSXEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoMSXStreamFormat& format);
  TQoGLEngine(TQoLoadSource& source, const TQoMSXStreamFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoMSXStreamFormat& format_;
};

// Packed files: a BLOAD header with marker 0xFD and a run-length stream of the screen.
class TQoSREngine : public TQoBaseMSXEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoMSXStreamFormat& format);
  TQoSREngine(TQoLoadSource& source, const TQoMSXStreamFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoMSXStreamFormat& format_;
};

// clang-format off
inline constexpr TQoMSXStreamFormat kQoGL5Format{"TQoGL5Engine", 5, 4, 4, ".gl5 .sh5", ".pl5", 34};
inline constexpr TQoMSXStreamFormat kQoGL6Format{"TQoGL6Engine", 6, 2, 2, ".gl6 .sh6", ".pl6", 13};
inline constexpr TQoMSXStreamFormat kQoGL7Format{"TQoGL7Engine", 7, 4, 4, ".gl7 .sh7", ".pl7", 13};
inline constexpr TQoMSXStreamFormat kQoGL8Format{"TQoGL8Engine", 8, 8, 8, ".gl8 .sh8", nullptr, 34};
// SCREEN 10/11 COPY files take ".plb" beside ".glb" and ".shb", ".pla" otherwise.
inline constexpr TQoMSXStreamFormat kQoGLAFormat{
    "TQoGLAEngine", 10, 8, 12, ".gla .sha .glb .shb", ".pla", 34};
inline constexpr TQoMSXStreamFormat kQoGLCFormat{
    "TQoGLCEngine", 12, 8, 15, ".glc .gls .shc", nullptr, 34};
inline constexpr TQoMSXStreamFormat kQoSR5Format{"TQoSR5Engine", 5, 4, 4, ".sr5", ".pl5", 34};
inline constexpr TQoMSXStreamFormat kQoSR7Format{"TQoSR7Engine", 7, 4, 4, ".sr7", ".pl7", 13};
inline constexpr TQoMSXStreamFormat kQoSR8Format{"TQoSR8Engine", 8, 8, 8, ".sr8", nullptr, 34};
// clang-format on

using TQoGL5Engine = TQoRowEngine<TQoGLEngine, kQoGL5Format>;
using TQoGL6Engine = TQoRowEngine<TQoGLEngine, kQoGL6Format>;
using TQoGL7Engine = TQoRowEngine<TQoGLEngine, kQoGL7Format>;
using TQoGL8Engine = TQoRowEngine<TQoGLEngine, kQoGL8Format>;
using TQoGLAEngine = TQoRowEngine<TQoGLEngine, kQoGLAFormat>;
using TQoGLCEngine = TQoRowEngine<TQoGLEngine, kQoGLCFormat>;
using TQoSR5Engine = TQoRowEngine<TQoSREngine, kQoSR5Format>;
using TQoSR7Engine = TQoRowEngine<TQoSREngine, kQoSR7Format>;
using TQoSR8Engine = TQoRowEngine<TQoSREngine, kQoSR8Format>;

// SCREEN 6 black-and-white pictures: only the low bit of each 2-bit pixel counts.
class TQoSTPEngine : public TQoBaseMSXEngine {
 public:
  static constexpr const char* ClassName = "TQoSTPEngine";
  static constexpr std::string_view ClassExtension = ".stp";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoSTPEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Packed SCREEN 5: bytes per line, height and stored lines, then masked groups of 64
// bytes, the lines below the stored ones as differences to the line above.
class TQoCMPEngine : public TQoBaseMSXEngine {
 public:
  static constexpr const char* ClassName = "TQoCMPEngine";
  static constexpr std::string_view ClassExtension = ".cmp";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoCMPEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// Pages of the desktop-publishing programs: a 384-byte header, then run-length coded
// SCREEN 6 black-and-white pixels, 512 x 704.
class TQoPCTEngine : public TQoBaseMSXEngine {
 public:
  static constexpr const char* ClassName = "TQoPCTEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoPCTEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// V9990 pictures: palette, direct colour, YJK and YUV modes, raw or compressed.
class TQoG9BEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoG9BEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoG9BEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoG9BHeader Header;

 private:
  std::vector<uint8_t> unpacked_;  // the pixels of a compressed picture, unpacked once
  TQoByteView Pixels() const;
};

void RegisterMSXEngines(TQoEngineRegistry& registry);
