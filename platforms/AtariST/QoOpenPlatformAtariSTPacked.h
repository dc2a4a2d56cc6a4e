#pragma once
// The packed ST screens: each engine unpacks one screen (Paintworks two stacked ones)
// into a buffer of its own and then decodes it like the plain screens.

#include <vector>

#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/AtariST/QoPlatformAtariSTUnpack.h"

// Unpacks on the first decode and keeps the screen for later decodes.
class TQoAtariSTUnpackingEngine : public TQoAtariSTBaseEngine {
 public:
  using TQoAtariSTBaseEngine::TQoAtariSTBaseEngine;
  std::unique_ptr<TQoBitmap> Decode() override;

 protected:
  // Fills the zeroed screen buffer of ScreenBytes bytes.
  virtual void Unpack(uint8_t* screen) = 0;
  std::size_t ScreenBytes = kQoSTScreenBytes;
  void UseScreen();  // PixelData := the buffer
  std::vector<uint8_t> Screen;
};

// DEGAS Elite compressed: unpacked at once, with the cycle data after the screen.
class TQoAtariSTDEGASCompressedEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTDEGASCompressedEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTDEGASCompressedEngine(TQoLoadSource& source);

 private:
  std::vector<uint8_t> screen_;
};

class TQoAtariSTTinyEngine : public TQoAtariSTUnpackingEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTTinyEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTTinyEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* screen) override;
};

class TQoAtariSTCrackArtEngine : public TQoAtariSTUnpackingEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTCrackArtEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTCrackArtEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 protected:
  void Unpack(uint8_t* screen) override;

 private:
  bool packed_ = false;
};

class TQoAtariSTEZArtProfessionalEngine : public TQoAtariSTUnpackingEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTEZArtProfessionalEngine";
  static constexpr std::string_view ClassExtension = ".eza";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTEZArtProfessionalEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* screen) override;
};

// Dali's packed screens: the same file serves all three resolutions; the extension tells
// which one the picture is.
struct TQoDaliPackedFormat {
  const char* ClassName;
  uint16_t Resolution;
  int PaletteWords;
  TQoExtensions Extensions;
};

class TQoAtariSTDaliPKEngine : public TQoAtariSTUnpackingEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoDaliPackedFormat& row);
  TQoAtariSTDaliPKEngine(TQoLoadSource& source, const TQoDaliPackedFormat& row);

 protected:
  void Unpack(uint8_t* screen) override;
};

inline constexpr TQoDaliPackedFormat kQoDaliLPKFormat{"TQoAtariSTDaliLPKEngine", 0, 16, ".lpk"};
inline constexpr TQoDaliPackedFormat kQoDaliMPKFormat{"TQoAtariSTDaliMPKEngine", 1, 4, ".mpk"};
inline constexpr TQoDaliPackedFormat kQoDaliHPKFormat{"TQoAtariSTDaliHPKEngine", 2, 2, ".hpk"};

using TQoAtariSTDaliLPKEngine = TQoRowEngine<TQoAtariSTDaliPKEngine, kQoDaliLPKFormat>;
using TQoAtariSTDaliMPKEngine = TQoRowEngine<TQoAtariSTDaliPKEngine, kQoDaliMPKFormat>;
using TQoAtariSTDaliHPKEngine = TQoRowEngine<TQoAtariSTDaliPKEngine, kQoDaliHPKFormat>;

class TQoAtariSTZZROUGHEngine : public TQoAtariSTUnpackingEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTZZROUGHEngine";
  static constexpr std::string_view ClassExtension = ".rgh";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTZZROUGHEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* screen) override;
};

class TQoAtariSTImagicEngine : public TQoAtariSTUnpackingEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTImagicEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTImagicEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* screen) override;
};

class TQoAtariSTPaintworksEngine : public TQoAtariSTUnpackingEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPaintworksEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPaintworksEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 protected:
  void Unpack(uint8_t* screen) override;

 private:
  bool packed_ = false;
};

// Canvas: a picture block (palette, resolution, packed groups), for CPT files with an
// optional ".hbl" file of line palettes, for FUL files with the line palettes in front.
class TQoAtariCanvasEngine : public TQoAtariSTUnpackingEngine {
 public:
  TQoAtariCanvasEngine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;
  void GetLinePalette(int line, TQoPalette256& palette) override;

  // Line-palette data: 50 group words (0xFFFF: the group keeps the palette above), then
  // the present groups' 16 level triples, stored from the end backwards. False when the
  // data is not such a set; otherwise the palette of each group and the data's length.
  static bool ReadLinePalettes(TQoByteView data, std::array<TQoByteView, 50>* groups,
                               std::size_t* length);

 protected:
  void Unpack(uint8_t* screen) override;
  // Sets up the picture of the block at blockOffset, with line palettes when given.
  void SetUp(std::size_t blockOffset, TQoByteView linePalettes);

 private:
  int planes_ = 4;
  std::size_t block_ = 0;
  std::array<TQoByteView, 50> groups_{};
  bool hasLinePalettes_ = false;
};

class TQoAtariSTCanvasCPTEngine : public TQoAtariCanvasEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTCanvasCPTEngine";
  static constexpr std::string_view ClassExtension = ".cpt";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTCanvasCPTEngine(TQoLoadSource& source);
};

class TQoAtariSTCanvasFulEngine : public TQoAtariCanvasEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTCanvasFulEngine";
  static constexpr std::string_view ClassExtension = ".ful";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTCanvasFulEngine(TQoLoadSource& source);
};

class TQoAtariSTPabloPaintEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPabloPaintEngine";
  static constexpr std::string_view ClassExtension = ".pa3";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPabloPaintEngine(TQoLoadSource& source);
};
