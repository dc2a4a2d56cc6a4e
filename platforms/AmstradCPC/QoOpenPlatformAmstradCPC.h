#pragma once
// The engines of the Amstrad CPC module: screens of the three modes as the disc system
// saved them, overscan screens, FutureOS screens, Mode 5 pictures with colour changes per
// line, and the interlaced Perfect Pix pictures that mix an even and an odd screen.

#include <array>
#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/AmstradCPC/QoPlatformAmstradCPC.h"

class TQoBaseAmstradCPCSourceEngine : public TQoSourceEngine {
 public:
  TQoBaseAmstradCPCSourceEngine(TQoLoadSource& source, const char* className);

 protected:
  // The four measured palettes, ptCPCGateArray selected.
  void OfferCPCPaletteTypes();
};

class TQoAmstradCPCSourceEngine : public TQoBaseAmstradCPCSourceEngine {
 public:
  TQoAmstradCPCSourceEngine(TQoLoadSource& source, const char* className);
};

// Where the inks of a screen come from.
enum class TQoCPCInkSource : uint8_t {
  PalFile,    // hardware numbers of a ".pal" companion
  Firmware,   // firmware numbers stored in the screen
  Hardware,   // hardware numbers stored in the screen
  PlusWords,  // CPC Plus colour words (file or ".kit" companion); exact colours
};

// A screen of one mode, standard or overscan.
struct TQoCPCScreenFormat {
  const char* ClassName;
  int Mode;  // 0 .. 2
  bool Overscan;
};

// A standard (16 KiB) or overscan (32 KiB) screen of one mode.
class TQoAmstradCPCScreenEngine : public TQoAmstradCPCSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoCPCScreenFormat& format);
  TQoAmstradCPCScreenEngine(TQoLoadSource& source, const TQoCPCScreenFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

  int Mode = 0;
  bool Overscan = false;
  TQoCPCInkSource InkSource = TQoCPCInkSource::Firmware;
  std::array<uint8_t, 16> InkNumbers{};  // firmware or hardware numbers, by InkSource
  std::array<uint16_t, 16> PlusWords{};

 private:
  static uint8_t DetectScreen(TQoLoadSource& source, int mode);
  static uint8_t DetectOverscan(TQoLoadSource& source, int mode);
  void BuildPalette();
};

// clang-format off
inline constexpr TQoCPCScreenFormat kQoCPCMode0Format{"TQoAmstradCPCMode0SourceEngine", 0, false};
inline constexpr TQoCPCScreenFormat kQoCPCMode0ExFormat{"TQoAmstradCPCMode0ExSourceEngine", 0, true};
inline constexpr TQoCPCScreenFormat kQoCPCMode1Format{"TQoAmstradCPCMode1SourceEngine", 1, false};
inline constexpr TQoCPCScreenFormat kQoCPCMode1ExFormat{"TQoAmstradCPCMode1ExSourceEngine", 1, true};
inline constexpr TQoCPCScreenFormat kQoCPCMode2Format{"TQoAmstradCPCMode2SourceEngine", 2, false};
inline constexpr TQoCPCScreenFormat kQoCPCMode2ExFormat{"TQoAmstradCPCMode2ExSourceEngine", 2, true};
// clang-format on

using TQoAmstradCPCMode0SourceEngine = TQoRowEngine<TQoAmstradCPCScreenEngine, kQoCPCMode0Format>;
using TQoAmstradCPCMode0ExSourceEngine =
    TQoRowEngine<TQoAmstradCPCScreenEngine, kQoCPCMode0ExFormat>;
using TQoAmstradCPCMode1SourceEngine = TQoRowEngine<TQoAmstradCPCScreenEngine, kQoCPCMode1Format>;
using TQoAmstradCPCMode1ExSourceEngine =
    TQoRowEngine<TQoAmstradCPCScreenEngine, kQoCPCMode1ExFormat>;
using TQoAmstradCPCMode2SourceEngine = TQoRowEngine<TQoAmstradCPCScreenEngine, kQoCPCMode2Format>;
using TQoAmstradCPCMode2ExSourceEngine =
    TQoRowEngine<TQoAmstradCPCScreenEngine, kQoCPCMode2ExFormat>;

// FutureOS: a 512 x 256 monochrome screen, with or without a disc header.
class TQoAmstradCPCMode2HGBSourceEngine : public TQoAmstradCPCSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAmstradCPCMode2HGBSourceEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAmstradCPCMode2HGBSourceEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoByteView screen_;
};

// Mode 5: a mode 1 bitmap (".gfx") whose pens change colour per line and, for pen 0,
// per 48-pixel segment (".cm5").
class TQoAmstradCPCMode5SourceEngine : public TQoAmstradCPCSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAmstradCPCMode5SourceEngine";
  static constexpr int32_t kColorFileSize = 2049;
  static constexpr int32_t kGfxFileSize = 18432;
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAmstradCPCMode5SourceEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoByteView gfx_;
};

// Perfect Pix: a ".pph" description with the inks, an even (".eve") and an odd (".odd")
// screen shown alternately.
class TQoBaseAmstradCPCModeBSourceEngine : public TQoBaseAmstradCPCSourceEngine {
 public:
  TQoBaseAmstradCPCModeBSourceEngine(TQoLoadSource& source, const char* className, int inks);

  int32_t StoredWidth = 0;
  int32_t StoredHeight = 0;
  int Inks = 16;
  std::array<uint8_t, 16> InkNumbers{};  // firmware numbers
  TQoByteView Even;                      // rows of StoredWidth / 4 bytes
  TQoByteView Odd;

  // modeNumber 3 (R), 4 (B0) or 5 (B1).
  static uint8_t DetectPerfectPix(TQoLoadSource& source, uint8_t modeNumber);

 protected:
  // SourcePalette := the inks, Palette := all their pairs mixed.
  void BuildPalettes();
  // B0 and B1: pairs of screen bytes as pixels of the given CPC mode.
  std::unique_ptr<TQoBitmap> DecodeMixed(int mode);
};

class TQoAmstradCPCModeRSourceEngine : public TQoBaseAmstradCPCModeBSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAmstradCPCModeRSourceEngine";
  static uint8_t Detect(TQoLoadSource& source) { return DetectPerfectPix(source, 3); }
  explicit TQoAmstradCPCModeRSourceEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAmstradCPCModeB0SourceEngine : public TQoBaseAmstradCPCModeBSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAmstradCPCModeB0SourceEngine";
  static uint8_t Detect(TQoLoadSource& source) { return DetectPerfectPix(source, 4); }
  explicit TQoAmstradCPCModeB0SourceEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override { return DecodeMixed(0); }
};

class TQoAmstradCPCModeB1SourceEngine : public TQoBaseAmstradCPCModeBSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoAmstradCPCModeB1SourceEngine";
  static uint8_t Detect(TQoLoadSource& source) { return DetectPerfectPix(source, 5); }
  explicit TQoAmstradCPCModeB1SourceEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override { return DecodeMixed(1); }
};

void RegisterAmstradCPCEngines(TQoEngineRegistry& registry);
