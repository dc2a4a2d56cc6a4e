#pragma once
// Pictures the ST showed by switching between two screens every frame: the mix is the
// picture, the two screens its frames.

#include <vector>

#include "platforms/AtariST/QoOpenPlatformAtariST.h"

// DUO and its medium-resolution twin: one palette and two overscan screens.
struct TQoAtariSTDuoFormat {
  const char* ClassName;
  std::size_t Size;
  std::size_t ShortSize;  // a second size without the trailing zeros; 0 for none
  int PaletteWords;
  std::size_t Screen1;
  std::size_t Screen2;
  uint16_t Resolution;
  int32_t Width;
  int32_t Height;
  TQoExtensions Extensions;
};

class TQoAtariSTDuoScreensEngine : public TQoAtariSTBaseEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoAtariSTDuoFormat& row);
  TQoAtariSTDuoScreensEngine(TQoLoadSource& source, const TQoAtariSTDuoFormat& row);
};

inline constexpr TQoAtariSTDuoFormat kQoDuoFormat{
    "TQoAtariSTDUOEngine", 113600, 0, 16, 32, 56816, kSTLowResolution, 416, 273, ".du1 .duo"};
inline constexpr TQoAtariSTDuoFormat kQoDu2Format{
    "TQoAtariSTDU2Engine", 113600, 113576, 4, 8, 56792, kSTMediumResolution, 832, 273, ".du2"};

using TQoAtariSTDUOEngine = TQoRowEngine<TQoAtariSTDuoScreensEngine, kQoDuoFormat>;
using TQoAtariSTDU2Engine = TQoRowEngine<TQoAtariSTDuoScreensEngine, kQoDu2Format>;

class TQoAtariSTDGRAPHEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTDGRAPHEngine";
  static constexpr std::string_view ClassExtension = ".p3c";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTDGRAPHEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoByteView blocks_[2];
  std::vector<uint8_t> screens_[2];
};

class TQoAtariSTPL4Engine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPL4Engine";
  static constexpr std::string_view ClassExtension = ".pl4";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPL4Engine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  std::vector<uint8_t> unpacked_;
};

class TQoAtariSTFullscreenSlideshowEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTFullscreenSlideshowEngine";
  static constexpr std::string_view ClassExtension = ".pci";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTFullscreenSlideshowEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};
