#pragma once
// Monochrome pictures of the ST's high resolution and of page-sized documents, the sprite
// editors' objects, and DEGAS Elite's icons and brushes.

#include <vector>

#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/AtariST/QoPlatformAtariSTUnpack.h"

// A one-plane picture of rows of RowBytes bytes (the leftmost pixel in the top bit), from
// the file or, for packed formats, from a buffer unpacked on the first decode.
class TQoAtariSTMonoEngine : public TQoAtariSTBaseEngine {
 public:
  using TQoAtariSTBaseEngine::TQoAtariSTBaseEngine;
  std::unique_ptr<TQoBitmap> Decode() override;

 protected:
  // Fills the buffer of RowBytes * Height bytes; formats stored as they are keep this.
  virtual void Unpack(uint8_t*) {}
  void SetPicture(int32_t width, int32_t height, std::size_t rowBytes);
  std::size_t RowBytes = 80;
  bool Packed = false;
  uint8_t Prefill = 0;  // what a packed stream that ends early leaves in the buffer

 private:
  std::vector<uint8_t> rows_;
};

// The screens that are nothing but rows: by size and extension.
struct TQoAtariSTMonoScreenFormat {
  const char* ClassName;
  std::size_t Size;
  int32_t Width;
  int32_t Height;
  const char* ModeName;
  TQoExtensions Extensions;
};

class TQoAtariSTMonoScreenEngine : public TQoAtariSTMonoEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoAtariSTMonoScreenFormat& row);
  TQoAtariSTMonoScreenEngine(TQoLoadSource& source, const TQoAtariSTMonoScreenFormat& row);
};

inline constexpr TQoAtariSTMonoScreenFormat kQoDoodleFormat{
    "TQoAtariSTDoodleEngine", 32000, 640, 400, "Doodle", ".art .doo"};
inline constexpr TQoAtariSTMonoScreenFormat kQoPaintShopDA4Format{
    "TQoAtariSTPaintShopDA4Engine", 64000, 640, 800, "PaintShop", ".da4"};

using TQoAtariSTDoodleEngine = TQoRowEngine<TQoAtariSTMonoScreenEngine, kQoDoodleFormat>;
using TQoAtariSTPaintShopDA4Engine =
    TQoRowEngine<TQoAtariSTMonoScreenEngine, kQoPaintShopDA4Format>;

class TQoAtariSTPaintShopPSCEngine : public TQoAtariSTMonoEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPaintShopPSCEngine";
  static constexpr std::string_view ClassExtension = ".psc";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPaintShopPSCEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* rows) override;
};

class TQoAtariSTSTADEngine : public TQoAtariSTMonoEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTSTADEngine";
  static constexpr std::string_view ClassExtension = ".pac";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTSTADEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* rows) override;
};

class TQoAtariSTPublicPainterEngine : public TQoAtariSTMonoEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPublicPainterEngine";
  static constexpr std::string_view ClassExtension = ".cmp";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPublicPainterEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* rows) override;
};

class TQoAtariSTPicworks : public TQoAtariSTMonoEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPicworks";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPicworks(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* rows) override;
};

class TQoAtariSTMegaPaintEngine : public TQoAtariSTMonoEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTMegaPaintEngine";
  static constexpr std::string_view ClassExtension = ".bld";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTMegaPaintEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* rows) override;
};

class TQoAtariSTCalamusRasterGraphicEngine : public TQoAtariSTMonoEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTCalamusRasterGraphicEngine";
  static constexpr std::string_view ClassExtension = ".crg";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTCalamusRasterGraphicEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* rows) override;
};

class TQoAtariSTMonoSTarObjectEngine : public TQoAtariSTMonoEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTMonoSTarObjectEngine";
  static constexpr std::string_view ClassExtension = ".obj";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTMonoSTarObjectEngine(TQoLoadSource& source);
};

class TQoAtariSTColorSTarObjectEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTColorSTarObjectEngine";
  static constexpr std::string_view ClassExtension = ".obj";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTColorSTarObjectEngine(TQoLoadSource& source);

 private:
  uint8_t palette_[32] = {};  // the palette text's numbers as big-endian words
};

class TQoAtariSTDegasEliteIconEngine : public TQoAtariSTMonoEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTDegasEliteIconEngine";
  static constexpr std::string_view ClassExtension = ".icn";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTDegasEliteIconEngine(TQoLoadSource& source);

 protected:
  void Unpack(uint8_t* rows) override;
};

class TQoAtariSTDegasEliteBrushEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTDegasEliteBrushEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTDegasEliteBrushEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};
