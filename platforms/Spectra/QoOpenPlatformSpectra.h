#pragma once
// The engines of the Spectra module: a dump with its mode trailer, and one engine per
// mode for dumps without one (a dump of a given size is offered by the four modes of its
// attribute layout).

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/Spectra/QoPlatformSpectra.h"

// Draws a Spectra screen in its mode.
class TQoBaseSpectraSourceEngine : public TQoSourceEngine {
 public:
  TQoBaseSpectraSourceEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoSpectraMode Mode;

 protected:
  // Sets the picture's depth and description from Mode.
  void DescribeMode();
};

// A dump ending in the trailer that names its mode.
class TQoSpectraSourceEngine : public TQoBaseSpectraSourceEngine {
 public:
  static constexpr const char* ClassName = "TQoSpectraSourceEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoSpectraSourceEngine(TQoLoadSource& source);
};

// A dump without trailer, taken to be of the row's mode.
struct TQoSpectraFormat {
  const char* ClassName;
  uint8_t SpectraMode;
};

class TQoSpectraSourceBinEngine : public TQoBaseSpectraSourceEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoSpectraFormat& format);
  TQoSpectraSourceBinEngine(TQoLoadSource& source, const TQoSpectraFormat& format);
};

// Named cell width x attribute height x colours x attribute bytes.
// clang-format off
inline constexpr TQoSpectraFormat kQoSpectraSource8x1x64x2Format{"TQoSpectraSource8x1x64x2Engine", 15};
inline constexpr TQoSpectraFormat kQoSpectraSource8x1x64x1Format{"TQoSpectraSource8x1x64x1Engine", 7};
inline constexpr TQoSpectraFormat kQoSpectraSource8x1x16x2Format{"TQoSpectraSource8x1x16x2Engine", 11};
inline constexpr TQoSpectraFormat kQoSpectraSource8x1x16x1Format{"TQoSpectraSource8x1x16x1Engine", 3};
inline constexpr TQoSpectraFormat kQoSpectraSource8x2x64x2Format{"TQoSpectraSource8x2x64x2Engine", 14};
inline constexpr TQoSpectraFormat kQoSpectraSource8x2x64x1Format{"TQoSpectraSource8x2x64x1Engine", 6};
inline constexpr TQoSpectraFormat kQoSpectraSource8x2x16x2Format{"TQoSpectraSource8x2x16x2Engine", 10};
inline constexpr TQoSpectraFormat kQoSpectraSource8x2x16x1Format{"TQoSpectraSource8x2x16x1Engine", 2};
inline constexpr TQoSpectraFormat kQoSpectraSource8x4x64x2Format{"TQoSpectraSource8x4x64x2Engine", 13};
inline constexpr TQoSpectraFormat kQoSpectraSource8x4x64x1Format{"TQoSpectraSource8x4x64x1Engine", 5};
inline constexpr TQoSpectraFormat kQoSpectraSource8x4x16x2Format{"TQoSpectraSource8x4x16x2Engine", 9};
inline constexpr TQoSpectraFormat kQoSpectraSource8x4x16x1Format{"TQoSpectraSource8x4x16x1Engine", 1};
inline constexpr TQoSpectraFormat kQoSpectraSource8x8x64x2Format{"TQoSpectraSource8x8x64x2Engine", 12};
inline constexpr TQoSpectraFormat kQoSpectraSource8x8x64x1Format{"TQoSpectraSource8x8x64x1Engine", 4};
inline constexpr TQoSpectraFormat kQoSpectraSource8x8x16x2Format{"TQoSpectraSource8x8x16x2Engine", 8};
inline constexpr TQoSpectraFormat kQoSpectraSource8x8x16x1Format{"TQoSpectraSource8x8x16x1Engine", 0};
inline constexpr TQoSpectraFormat kQoSpectraSource4x1x64x2Format{"TQoSpectraSource4x1x64x2Engine", 143};
inline constexpr TQoSpectraFormat kQoSpectraSource4x1x64x1Format{"TQoSpectraSource4x1x64x1Engine", 135};
inline constexpr TQoSpectraFormat kQoSpectraSource4x1x16x2Format{"TQoSpectraSource4x1x16x2Engine", 139};
inline constexpr TQoSpectraFormat kQoSpectraSource4x1x16x1Format{"TQoSpectraSource4x1x16x1Engine", 131};
inline constexpr TQoSpectraFormat kQoSpectraSource4x2x64x2Format{"TQoSpectraSource4x2x64x2Engine", 142};
inline constexpr TQoSpectraFormat kQoSpectraSource4x2x64x1Format{"TQoSpectraSource4x2x64x1Engine", 134};
inline constexpr TQoSpectraFormat kQoSpectraSource4x2x16x2Format{"TQoSpectraSource4x2x16x2Engine", 138};
inline constexpr TQoSpectraFormat kQoSpectraSource4x2x16x1Format{"TQoSpectraSource4x2x16x1Engine", 130};
inline constexpr TQoSpectraFormat kQoSpectraSource4x4x64x2Format{"TQoSpectraSource4x4x64x2Engine", 141};
inline constexpr TQoSpectraFormat kQoSpectraSource4x4x64x1Format{"TQoSpectraSource4x4x64x1Engine", 133};
inline constexpr TQoSpectraFormat kQoSpectraSource4x4x16x2Format{"TQoSpectraSource4x4x16x2Engine", 137};
inline constexpr TQoSpectraFormat kQoSpectraSource4x4x16x1Format{"TQoSpectraSource4x4x16x1Engine", 129};
inline constexpr TQoSpectraFormat kQoSpectraSource4x8x64x2Format{"TQoSpectraSource4x8x64x2Engine", 140};
inline constexpr TQoSpectraFormat kQoSpectraSource4x8x64x1Format{"TQoSpectraSource4x8x64x1Engine", 132};
inline constexpr TQoSpectraFormat kQoSpectraSource4x8x16x2Format{"TQoSpectraSource4x8x16x2Engine", 136};
inline constexpr TQoSpectraFormat kQoSpectraSource4x8x16x1Format{"TQoSpectraSource4x8x16x1Engine", 128};
// clang-format on

using TQoSpectraSource8x1x64x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x1x64x2Format>;
using TQoSpectraSource8x1x64x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x1x64x1Format>;
using TQoSpectraSource8x1x16x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x1x16x2Format>;
using TQoSpectraSource8x1x16x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x1x16x1Format>;
using TQoSpectraSource8x2x64x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x2x64x2Format>;
using TQoSpectraSource8x2x64x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x2x64x1Format>;
using TQoSpectraSource8x2x16x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x2x16x2Format>;
using TQoSpectraSource8x2x16x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x2x16x1Format>;
using TQoSpectraSource8x4x64x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x4x64x2Format>;
using TQoSpectraSource8x4x64x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x4x64x1Format>;
using TQoSpectraSource8x4x16x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x4x16x2Format>;
using TQoSpectraSource8x4x16x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x4x16x1Format>;
using TQoSpectraSource8x8x64x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x8x64x2Format>;
using TQoSpectraSource8x8x64x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x8x64x1Format>;
using TQoSpectraSource8x8x16x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x8x16x2Format>;
using TQoSpectraSource8x8x16x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource8x8x16x1Format>;
using TQoSpectraSource4x1x64x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x1x64x2Format>;
using TQoSpectraSource4x1x64x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x1x64x1Format>;
using TQoSpectraSource4x1x16x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x1x16x2Format>;
using TQoSpectraSource4x1x16x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x1x16x1Format>;
using TQoSpectraSource4x2x64x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x2x64x2Format>;
using TQoSpectraSource4x2x64x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x2x64x1Format>;
using TQoSpectraSource4x2x16x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x2x16x2Format>;
using TQoSpectraSource4x2x16x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x2x16x1Format>;
using TQoSpectraSource4x4x64x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x4x64x2Format>;
using TQoSpectraSource4x4x64x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x4x64x1Format>;
using TQoSpectraSource4x4x16x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x4x16x2Format>;
using TQoSpectraSource4x4x16x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x4x16x1Format>;
using TQoSpectraSource4x8x64x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x8x64x2Format>;
using TQoSpectraSource4x8x64x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x8x64x1Format>;
using TQoSpectraSource4x8x16x2Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x8x16x2Format>;
using TQoSpectraSource4x8x16x1Engine =
    TQoRowEngine<TQoSpectraSourceBinEngine, kQoSpectraSource4x8x16x1Format>;

void RegisterSpectraEngines(TQoEngineRegistry& registry);
