#pragma once
// The engines of the BK-0010/0011 module: screen dumps in colour and in black and white,
// alone or in pairs shown alternately, with the BK-0011 palette numbers after them, one
// for the screen or one for each line; and screens saved as binary files.

#include <cstddef>

#include "engine/QoFormatRow.h"
#include "platforms/BK0010/QoPlatformBK0010.h"

// How the screens of a file are drawn.
enum TQoBK0010Layout : uint8_t {
  kQoBKColor,         // one colour screen, one palette number (or palette 0)
  kQoBKLinePalettes,  // one colour screen, a palette number for every line
  kQoBKColorPair,     // two colour screens, a palette number for each
  kQoBKMono,          // one black-and-white screen
  kQoBKMonoPair,      // two black-and-white screens
};

struct TQoBK0010Format {
  const char* ClassName;
  TQoBK0010Layout Layout;
  std::size_t Size;          // the exact file size
  bool LoadHeader;           // the screen follows a load address and length
  std::size_t PaletteCount;  // palette numbers after the screens; none means palette 0
  TQoExtensions Extensions;
};

class TQoBaseBK0010SourceEngine : public TQoSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoBK0010Format& format);
  TQoBaseBK0010SourceEngine(TQoLoadSource& source, const TQoBK0010Format& format);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoByteView Screens[2];
  TQoBK0010PaletteNumbers Numbers;

 private:
  const TQoBK0010Format& format_;
  std::unique_ptr<TQoBitmap> DecodeLinePalettes();
  std::unique_ptr<TQoBitmap> DecodeColorPair();
  std::unique_ptr<TQoBitmap> DecodeMonoPair();
};

// clang-format off
inline constexpr TQoBK0010Format kQoBK0010BKSFormat{
    "TQoBK0010BKSSourceEngine", kQoBKColor, 16385, false, 1, ".bks"};
inline constexpr TQoBK0010Format kQoBK0010BKSPCHGFormat{
    "TQoBK0010BKSPCHGSourceEngine", kQoBKLinePalettes, 16640, false, 256, ".bks"};
inline constexpr TQoBK0010Format kQoBK0010BKSExFormat{
    "TQoBK0010BKSExSourceEngine", kQoBKColorPair, 32770, false, 2, ".bks"};
inline constexpr TQoBK0010Format kQoBK0010BKSBWFormat{
    "TQoBK0010BKSBWSourceEngine", kQoBKMono, 16384, false, 0, ".bks"};
inline constexpr TQoBK0010Format kQoBK0010BKSBWExFormat{
    "TQoBK0010BKSBWExSourceEngine", kQoBKMonoPair, 32768, false, 0, ".bks"};
inline constexpr TQoBK0010Format kQoBK0010PICFormat{
    "TQoBK0010PICSourceEngine", kQoBKColor, 16384, false, 0, ".pic"};
inline constexpr TQoBK0010Format kQoBK0010BINFormat{
    "TQoBK0010BINSourceEngine", kQoBKColor, 16388, true, 0, ".bin"};
inline constexpr TQoBK0010Format kQoBK0010BINBWFormat{
    "TQoBK0010BINBWSourceEngine", kQoBKMono, 16388, true, 0, ".bin"};
// clang-format on

using TQoBK0010BKSSourceEngine = TQoRowEngine<TQoBaseBK0010SourceEngine, kQoBK0010BKSFormat>;
using TQoBK0010BKSPCHGSourceEngine =
    TQoRowEngine<TQoBaseBK0010SourceEngine, kQoBK0010BKSPCHGFormat>;
using TQoBK0010BKSExSourceEngine = TQoRowEngine<TQoBaseBK0010SourceEngine, kQoBK0010BKSExFormat>;
using TQoBK0010BKSBWSourceEngine = TQoRowEngine<TQoBaseBK0010SourceEngine, kQoBK0010BKSBWFormat>;
using TQoBK0010BKSBWExSourceEngine =
    TQoRowEngine<TQoBaseBK0010SourceEngine, kQoBK0010BKSBWExFormat>;
using TQoBK0010PICSourceEngine = TQoRowEngine<TQoBaseBK0010SourceEngine, kQoBK0010PICFormat>;
using TQoBK0010BINSourceEngine = TQoRowEngine<TQoBaseBK0010SourceEngine, kQoBK0010BINFormat>;
using TQoBK0010BINBWSourceEngine = TQoRowEngine<TQoBaseBK0010SourceEngine, kQoBK0010BINBWFormat>;

void RegisterBK0010Engines(TQoEngineRegistry& registry);
