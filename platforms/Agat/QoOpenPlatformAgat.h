#pragma once
// The engines of the Agat module: picture files with a trailer that names the video
// mode, and the files without one, told apart only by their length.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/Agat/QoPlatformAgat.h"

// How the video memory is set up and drawn.
enum class TQoAgatSetup : uint8_t {
  Bits1,
  Bits2,
  Bits4,
  AppleHR,       // black and white unless a byte of the screen has bit 7 set
  AppleHRBW,     // always black and white
  AppleHRColor,  // always colour
  AppleLR,
  AppleDLR,
  AppleDHRColor,
  AppleDHRBW,
};

// A video mode: its set-up, picture size, screens and the order of its rows.
struct TQoAgatLayout {
  TQoAgatSetup Setup;
  int32_t Width;
  int32_t Height;
  int32_t Frames;  // 2: two screens, one in each half of the video memory
  uint8_t AspectIndex;
  bool Interleaved;  // even rows first, then the odd rows
};

// What every Agat engine shares: the set-ups of the video modes and their decoders.
class TQoAgatBaseSourceEngine : public TQoSourceEngine {
 public:
  TQoAgatBaseSourceEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;

 protected:
  // Configures the engine for a layout with the trailer's palette kind (0 without one).
  void SetUp(const TQoAgatLayout& layout, uint8_t paletteKind);

  std::size_t VideoStart = kQoAgatHeaderSize;
  std::size_t VideoLength = 0;
  std::size_t TrailerStart = 0;  // 0 without a trailer
  bool LinePaletteMode = false;

 private:
  TQoAgatLayout layout_{};
  TQoByteView Video() const { return Bytes().Sub(VideoStart, VideoLength); }
  TQoByteView Trailer() const;
  // The palette of the selected type; its entry count.
  int BuildPalette();
  // Data row i of a screen for picture row y.
  int DataRow(int y) const;
  std::unique_ptr<TQoBitmap> DecodeMono(TQoByteView video);
  std::unique_ptr<TQoBitmap> DecodePair(TQoByteView video);
  std::unique_ptr<TQoBitmap> DecodeSingle(TQoByteView video);
  std::unique_ptr<TQoBitmap> DecodeLinePalettes(TQoByteView video);
  std::unique_ptr<TQoBitmap> DecodeApple(TQoByteView video);
};

// Files with a trailer: the mode byte chooses the layout.
class TQoAgatSourceEngine : public TQoAgatBaseSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAgatSourceEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAgatSourceEngine(TQoLoadSource& source);
};

// A file without a trailer, of the one video memory length its row gives.
struct TQoAgatFixedFormat {
  const char* ClassName;
  std::size_t DataLength;
  TQoAgatLayout Layout;
};

class TQoAgatSourceFixedEngine : public TQoAgatBaseSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoAgatFixedFormat& row);
  TQoAgatSourceFixedEngine(TQoLoadSource& source, const TQoAgatFixedFormat& row);
};

inline constexpr TQoAgatFixedFormat kQoAgat64x64x4Format{
    "TQoAgatSource64x64x4Engine", 2048, {TQoAgatSetup::Bits4, 64, 64, 1, kQoAspect4to3, false}};
inline constexpr TQoAgatFixedFormat kQoAgat128x128x4Format{
    "TQoAgatSource128x128x4Engine", 8192, {TQoAgatSetup::Bits4, 128, 128, 1, kQoAspect4to3, false}};
inline constexpr TQoAgatFixedFormat kQoAgat128x256x4Format{
    "TQoAgatSource128x256x4Engine", 16384, {TQoAgatSetup::Bits4, 128, 256, 1, kQoAspect8to3, true}};
inline constexpr TQoAgatFixedFormat kQoAgat256x256x1Format{
    "TQoAgatSource256x256x1Engine", 8192, {TQoAgatSetup::Bits1, 256, 256, 1, kQoAspect4to3, false}};
inline constexpr TQoAgatFixedFormat kQoAgat256x256x2Format{
    "TQoAgatSource256x256x2Engine", 16384, {TQoAgatSetup::Bits2, 256, 256, 1, kQoAspect4to3, true}};
inline constexpr TQoAgatFixedFormat kQoAgat512x256x1Format{
    "TQoAgatSource512x256x1Engine", 16384, {TQoAgatSetup::Bits1, 512, 256, 1, kQoAspect2to3, true}};
inline constexpr TQoAgatFixedFormat kQoAgatLRFormat{
    "TQoAgatSource40x48x4EngineLR", 1024, {TQoAgatSetup::AppleLR, 40, 48, 1, kQoAspect8to5, false}};
inline constexpr TQoAgatFixedFormat kQoAgatDLRFormat{
    "TQoAgatSource80x48x4EngineDLR",
    2048,
    {TQoAgatSetup::AppleDLR, 80, 48, 1, kQoAspect4to5, false}};
inline constexpr TQoAgatFixedFormat kQoAgatHRBWFormat{
    "TQoAgatSource280x192x4EngineHRBW",
    8192,
    {TQoAgatSetup::AppleHRBW, 280, 192, 1, kQoAspect32to35, false}};
inline constexpr TQoAgatFixedFormat kQoAgatHRColorFormat{
    "TQoAgatSource280x192x4EngineHRColor",
    8192,
    {TQoAgatSetup::AppleHRColor, 280, 192, 1, kQoAspect32to35, false}};
inline constexpr TQoAgatFixedFormat kQoAgatDHRFormat{
    "TQoAgatSource140x192x4EngineDHR",
    16384,
    {TQoAgatSetup::AppleDHRColor, 140, 192, 1, kQoAspect64to35, false}};
// clang-format on

using TQoAgatSource64x64x4Engine = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgat64x64x4Format>;
using TQoAgatSource128x128x4Engine = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgat128x128x4Format>;
using TQoAgatSource128x256x4Engine = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgat128x256x4Format>;
using TQoAgatSource256x256x1Engine = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgat256x256x1Format>;
using TQoAgatSource256x256x2Engine = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgat256x256x2Format>;
using TQoAgatSource512x256x1Engine = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgat512x256x1Format>;
using TQoAgatSource40x48x4EngineLR = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgatLRFormat>;
using TQoAgatSource80x48x4EngineDLR = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgatDLRFormat>;
using TQoAgatSource280x192x4EngineHRBW = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgatHRBWFormat>;
using TQoAgatSource280x192x4EngineHRColor =
    TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgatHRColorFormat>;
using TQoAgatSource140x192x4EngineDHR = TQoRowEngine<TQoAgatSourceFixedEngine, kQoAgatDHRFormat>;

void RegisterAgatEngines(TQoEngineRegistry& registry);
