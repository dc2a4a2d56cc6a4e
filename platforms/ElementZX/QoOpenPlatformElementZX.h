#pragma once
// The engines of the Element ZX module.

#include <memory>

#include "engine/QoFormatRow.h"
#include "engine/QoLoadSource.h"
#include "platforms/ElementZX/QoPlatformElementZX.h"

class TQoElementZXEngine : public TQoSourceEngine {
 public:
  TQoElementZXEngine(TQoLoadSource& source, const char* className);

 protected:
  // The file size of an engine with one fixed size, and the own extension, as rows give
  // them; the usual answer of 10 or 8.
  static uint8_t DetectSize(TQoLoadSource& source, std::size_t size, TQoExtensions extensions);
  // Sets the texts, the extension and the 1:2 aspect of the 512-pixel modes.
  void Describe(const char* description, TQoExtensions extensions, bool wide);
};

// Two standard screens or two HRC pictures: shown alternately (the gigascreen palette of
// 256 mixes) or one over the other (the layer rule with the key byte after them).
struct TQoElementZXPairFormat {
  const char* ClassName;
  bool Hrc;
  bool Layer;
  TQoExtensions Extensions;
  const char* Description;
};

class TQoElementZXPairEngine : public TQoElementZXEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoElementZXPairFormat& format);
  TQoElementZXPairEngine(TQoLoadSource& source, const TQoElementZXPairFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  static std::size_t SizeOf(const TQoElementZXPairFormat& format);
  const TQoElementZXPairFormat& format_;
};

class TQoElementZXTimexHiColorEngine : public TQoElementZXEngine {
 public:
  static constexpr const char* ClassName = "TQoElementZXTimexHiColorEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoElementZXTimexHiColorEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoElementZXRadastanEngine : public TQoElementZXEngine {
 public:
  static constexpr const char* ClassName = "TQoElementZXRadastanEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoElementZXRadastanEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// An HRC picture: monochrome (the pixels alone) or with its attributes.
class TQoElementZXHRCEngine : public TQoElementZXEngine {
 public:
  static constexpr const char* ClassName = "TQoElementZXHRCEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoElementZXHRCEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// An HRXC picture, or two laid one over the other.
struct TQoElementZXHRXCFormat {
  const char* ClassName;
  bool Layer;
  TQoExtensions Extensions;
  const char* Description;
};

class TQoElementZXHRXCScreenEngine : public TQoElementZXEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoElementZXHRXCFormat& format);
  TQoElementZXHRXCScreenEngine(TQoLoadSource& source, const TQoElementZXHRXCFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoElementZXHRXCFormat& format_;
};

// Planar screens of 1 to MaxPlanes planes, or 8 planes read as hold-and-modify.
struct TQoElementZXHGFXFormat {
  const char* ClassName;
  int Width;
  int Height;
  int MaxPlanes;  // 0: hold-and-modify, 8 planes and 64 colours
  TQoExtensions Extensions;
};

class TQoElementZXHGFXScreenEngine : public TQoElementZXEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoElementZXHGFXFormat& format);
  TQoElementZXHGFXScreenEngine(TQoLoadSource& source, const TQoElementZXHGFXFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

  // The number of planes a file of this size has, or 0.
  static int PlanesOf(const TQoElementZXHGFXFormat& format, std::size_t size);

 private:
  std::unique_ptr<TQoBitmap> DecodeHoldAndModify();
  const TQoElementZXHGFXFormat& format_;
  int planes_ = 0;
};

// clang-format off
inline constexpr TQoElementZXPairFormat kQoElementZXSCRGigaFormat{
    "TQoElementZXSCRGigaEngine", false, false, ".gsc", " gigascreen image"};
inline constexpr TQoElementZXPairFormat kQoElementZXSCRLayerFormat{
    "TQoElementZXSCRLayerEngine", false, true, ".skl", " Layer image"};
inline constexpr TQoElementZXPairFormat kQoElementZXHRCGigaFormat{
    "TQoElementZXHRCGigaEngine", true, false, ".hgs", " HRC gigascreen image"};
inline constexpr TQoElementZXPairFormat kQoElementZXHRCLayerFormat{
    "TQoElementZXHRCLayerEngine", true, true, ".hkl", " HRC KLayer image"};
inline constexpr TQoElementZXHRXCFormat kQoElementZXHRXCFormat{
    "TQoElementZXHRXCEngine", false, ".hrx", " HRXC image"};
inline constexpr TQoElementZXHRXCFormat kQoElementZXHRXCLayerFormat{
    "TQoElementZXHRXCLayerEngine", true, ".xkl", " HRXC KLayer image"};
inline constexpr TQoElementZXHGFXFormat kQoElementZXHGFX256x192Format{
    "TQoElementZXHGFX256x192Engine", 256, 192, 8, ".hgl"};
inline constexpr TQoElementZXHGFXFormat kQoElementZXHGFX512x192Format{
    "TQoElementZXHGFX512x192Engine", 512, 192, 8, ".hgh"};
inline constexpr TQoElementZXHGFXFormat kQoElementZXHGFX512x384Format{
    "TQoElementZXHGFX512x384Engine", 512, 384, 4, ".shr"};
inline constexpr TQoElementZXHGFXFormat kQoElementZXHGFXHAM256x192Format{
    "TQoElementZXHGFXHAM256x192Engine", 256, 192, 0, ".ham"};
inline constexpr TQoElementZXHGFXFormat kQoElementZXHGFXHAM512x192Format{
    "TQoElementZXHGFXHAM512x192Engine", 512, 192, 0, ".ham"};
// clang-format on

using TQoElementZXSCRGigaEngine = TQoRowEngine<TQoElementZXPairEngine, kQoElementZXSCRGigaFormat>;
using TQoElementZXSCRLayerEngine = TQoRowEngine<TQoElementZXPairEngine, kQoElementZXSCRLayerFormat>;
using TQoElementZXHRCGigaEngine = TQoRowEngine<TQoElementZXPairEngine, kQoElementZXHRCGigaFormat>;
using TQoElementZXHRCLayerEngine = TQoRowEngine<TQoElementZXPairEngine, kQoElementZXHRCLayerFormat>;
using TQoElementZXHRXCEngine = TQoRowEngine<TQoElementZXHRXCScreenEngine, kQoElementZXHRXCFormat>;
using TQoElementZXHRXCLayerEngine =
    TQoRowEngine<TQoElementZXHRXCScreenEngine, kQoElementZXHRXCLayerFormat>;
using TQoElementZXHGFX256x192Engine =
    TQoRowEngine<TQoElementZXHGFXScreenEngine, kQoElementZXHGFX256x192Format>;
using TQoElementZXHGFX512x192Engine =
    TQoRowEngine<TQoElementZXHGFXScreenEngine, kQoElementZXHGFX512x192Format>;
using TQoElementZXHGFX512x384Engine =
    TQoRowEngine<TQoElementZXHGFXScreenEngine, kQoElementZXHGFX512x384Format>;
using TQoElementZXHGFXHAM256x192Engine =
    TQoRowEngine<TQoElementZXHGFXScreenEngine, kQoElementZXHGFXHAM256x192Format>;
using TQoElementZXHGFXHAM512x192Engine =
    TQoRowEngine<TQoElementZXHGFXScreenEngine, kQoElementZXHGFXHAM512x192Format>;

void RegisterElementZXEngines(TQoEngineRegistry& registry);
