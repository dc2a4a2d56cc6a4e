#pragma once
// The engines of the SAM Coupé module: screen files of modes 1 to 4 (screen memory and
// CLUT), their ".ssx" cousins without the palette block, the files that recolour the
// picture line by line through a table of line interrupts, interlaced mode 4 pairs and
// raw pictures of one SAM colour per pixel.

#include <array>
#include <cstddef>
#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/SAMCoupe/QoPlatformSAMCoupe.h"

// How a file keeps its CLUT: behind a 40-byte palette block and 0xFF, as 16 (mode 3: 4)
// bare bytes, or behind a palette block followed by a table of line interrupts.
enum TQoSAMCoupeFileKind : uint8_t { kQoSAMPlainFile, kQoSAMSsxFile, kQoSAMLineChangeFile };

struct TQoSAMCoupeFormat {
  const char* ClassName;
  TQoSAMCoupeFileKind Kind;
  int Mode;                  // 1 .. 4
  std::size_t AttributesAt;  // modes 1 and 2: where the attributes start
  std::size_t ClutAt;        // where the screen data ends and the CLUT starts
  TQoExtensions Extensions;  // the first is the default
};

// What every SAM engine shares: the platform name and palettes of SAM colours.
class TQoSAMCoupeEngine : public TQoSourceEngine {
 public:
  TQoSAMCoupeEngine(TQoLoadSource& source, const char* className);

 protected:
  // Appends SAM colours to Palette, always or only when not there yet.
  void AddColor(uint8_t color, bool unique);
  void AddClut(TQoByteView clut, std::size_t n, bool unique);

  // The CLUT index of every pixel of line y of a screen in the layout of format.
  static void ClutIndicesOfLine(TQoByteView screen, const TQoSAMCoupeFormat& format, int y,
                                uint32_t* indices);
};

// A screen of one mode with its CLUT, in any of the three file kinds.
class TQoSAMCoupeScreenEngine : public TQoSAMCoupeEngine {
 public:
  TQoSAMCoupeScreenEngine(TQoLoadSource& source, const TQoSAMCoupeFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

  static uint8_t Detect(TQoLoadSource& source, const TQoSAMCoupeFormat& format);

  TQoByteView Screen;  // the screen data
  TQoByteView Clut;    // 16 CLUT bytes (4 in mode 3 ".ssx" files)
  TQoSAMCoupeLineTable LineChanges;

 private:
  const TQoSAMCoupeFormat& format_;
  std::unique_ptr<TQoBitmap> DecodeLineChanges();
};

// clang-format off
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode1SS1Format{
    "TQoSAMCoupeMode1SS1Engine", kQoSAMPlainFile, 1, 6144, 6912, ".ss1"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode1SSXFormat{
    "TQoSAMCoupeMode1SSXEngine", kQoSAMSsxFile, 1, 6144, 6912, ".ssx"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode1SS1PCHGFormat{
    "TQoSAMCoupeMode1SS1PCHGEngine", kQoSAMLineChangeFile, 1, 6144, 6912, ".ss1"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode2SS2Format{
    "TQoSAMCoupeMode2SS2Engine", kQoSAMPlainFile, 2, 8192, 14336, ".ss2"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode2SSXFormat{
    "TQoSAMCoupeMode2SSXEngine", kQoSAMSsxFile, 2, 6144, 12288, ".ssx"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode2SS2PCHGFormat{
    "TQoSAMCoupeMode2SS2PCHGEngine", kQoSAMLineChangeFile, 2, 8192, 14336, ".ss2"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode3SS3Format{
    "TQoSAMCoupeMode3SS3Engine", kQoSAMPlainFile, 3, 0, 24576, ".ss3"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode3SSXFormat{
    "TQoSAMCoupeMode3SSXEngine", kQoSAMSsxFile, 3, 0, 24576, ".ssx"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode3SS3PCHGFormat{
    "TQoSAMCoupeMode3SS3PCHGEngine", kQoSAMLineChangeFile, 3, 0, 24576, ".ss3"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode4SS4Format{
    "TQoSAMCoupeMode4SS4Engine", kQoSAMPlainFile, 4, 0, 24576, ".ss4 .scs4"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeMode4SSXFormat{
    "TQoSAMCoupeMode4SSXEngine", kQoSAMSsxFile, 4, 0, 24576, ".ssx"};
inline constexpr TQoSAMCoupeFormat kQoSAMCoupeModeSS4PCHGFormat{
    "TQoSAMCoupeModeSS4PCHGEngine", kQoSAMLineChangeFile, 4, 0, 24576, ".ss4"};
// clang-format on

using TQoSAMCoupeMode1SS1Engine = TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode1SS1Format>;
using TQoSAMCoupeMode1SSXEngine = TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode1SSXFormat>;
using TQoSAMCoupeMode1SS1PCHGEngine =
    TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode1SS1PCHGFormat>;
using TQoSAMCoupeMode2SS2Engine = TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode2SS2Format>;
using TQoSAMCoupeMode2SSXEngine = TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode2SSXFormat>;
using TQoSAMCoupeMode2SS2PCHGEngine =
    TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode2SS2PCHGFormat>;
using TQoSAMCoupeMode3SS3Engine = TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode3SS3Format>;
using TQoSAMCoupeMode3SSXEngine = TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode3SSXFormat>;
using TQoSAMCoupeMode3SS3PCHGEngine =
    TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode3SS3PCHGFormat>;
using TQoSAMCoupeMode4SS4Engine = TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode4SS4Format>;
using TQoSAMCoupeMode4SSXEngine = TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeMode4SSXFormat>;
using TQoSAMCoupeModeSS4PCHGEngine =
    TQoRowEngine<TQoSAMCoupeScreenEngine, kQoSAMCoupeModeSS4PCHGFormat>;

// Two mode 4 screen files one after the other: the first gives the even lines, the
// second the odd ones.
class TQoSAMCoupeMode4InterlacedEngine : public TQoSAMCoupeEngine {
 public:
  static constexpr const char* ClassName = "TQoSAMCoupeMode4InterlacedEngine";
  static constexpr std::string_view ClassExtension = ".lce";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoSAMCoupeMode4InterlacedEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Screens[2];
  TQoByteView Cluts[2];
};

// 512 x 192 bytes, each a SAM colour.
class TQoSAMCoupeModeRAWEngine : public TQoSAMCoupeEngine {
 public:
  static constexpr const char* ClassName = "TQoSAMCoupeModeRAWEngine";
  static constexpr std::string_view ClassExtension = ".ssx";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoSAMCoupeModeRAWEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

void RegisterSAMCoupeEngines(TQoEngineRegistry& registry);
