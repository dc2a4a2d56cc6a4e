#pragma once
// The Falcon's paint programs: dumps of its 256-colour mode (eight interleaved planes
// with 4-byte palette entries) and of its 16-bit true-colour mode (RGB565 words), with
// small headers and sometimes packed.

#include <memory>
#include <vector>

#include "engine/QoFormatRow.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/AtariST/QoPlatformAtariFalcon.h"

class TQoAtariFalconEngine : public TQoAtariSTBaseEngine {
 public:
  TQoAtariFalconEngine(TQoLoadSource& source, const char* className);

 protected:
  // A 640 x 200 picture of 2 planes has the ST's tall medium-resolution pixels, a
  // 320 x 480 one of 8 planes the Falcon's wide ones.
  void SetFalconAspect();
  void SetAspect(uint8_t index);
  // A buffer of size zero bytes, kept for later decodes; false when it already existed.
  bool EnsureBuffer(std::size_t size);
  std::vector<uint8_t> buffer_;
};

// DelmPaint: Crack Art blocks holding palette and pixels.
struct TQoAtariFalconDelmPaintFormat {
  const char* ClassName;
  int ListedBlocks;
  bool TrailingBlock;
  bool Quarters;  // 640 x 480 stored as four 320 x 240 pictures one below the other
  TQoExtensions Extensions;
};

class TQoAtariFalconDelmPaintEngine : public TQoAtariFalconEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoAtariFalconDelmPaintFormat& row);
  TQoAtariFalconDelmPaintEngine(TQoLoadSource& source, const TQoAtariFalconDelmPaintFormat& row);
};

inline constexpr TQoAtariFalconDelmPaintFormat kQoDelmPaintDelFormat{
    "TQoAtariFalconDelmPaintDelEngine", 2, true, false, ".del"};
inline constexpr TQoAtariFalconDelmPaintFormat kQoDelmPaintDphFormat{
    "TQoAtariFalconDelmPaintDphEngine", 10, false, true, ".dph"};
using TQoAtariFalconDelmPaintDelEngine =
    TQoRowEngine<TQoAtariFalconDelmPaintEngine, kQoDelmPaintDelFormat>;
using TQoAtariFalconDelmPaintDphEngine =
    TQoRowEngine<TQoAtariFalconDelmPaintEngine, kQoDelmPaintDphFormat>;

class TQoAtariFalconFuckpaintEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconFuckpaintEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconFuckpaintEngine(TQoLoadSource& source);
};

class TQoAtariFalconXGAEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconXGAEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconXGAEngine(TQoLoadSource& source);
};

class TQoAtariFalconTruePaintEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconTruePaintEngine";
  static constexpr std::string_view ClassExtension = ".tpi";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconTruePaintEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoTruePaintHeader header_;
};

class TQoAtariFalconDuneDG1GraphEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconDuneDG1GraphEngine";
  static constexpr std::string_view ClassExtension = ".dg1";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconDuneDG1GraphEngine(TQoLoadSource& source);
};

class TQoAtariFalconDuneDC1GraphEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconDuneDC1GraphEngine";
  static constexpr std::string_view ClassExtension = ".dc1";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconDuneDC1GraphEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoDuneGraphHeader header_;
};

class TQoAtariFalconTmSCranachEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconTmSCranachEngine";
  static constexpr std::string_view ClassExtension = ".esm";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconTmSCranachEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariFalconFunnyPaintEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconFunnyPaintEngine";
  static constexpr std::string_view ClassExtension = ".fun";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconFunnyPaintEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// GodPaint, EggPaint, COKE and IndyPaint: a header in front of RGB565 words.
class TQoAtariFalconHighColorEngine : public TQoAtariFalconEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoAtariFalconHighColorFormat& row);
  TQoAtariFalconHighColorEngine(TQoLoadSource& source, const TQoAtariFalconHighColorFormat& row);
};

// clang-format off
inline constexpr TQoAtariFalconHighColorFormat kQoGodPaintFormat{
    "TQoAtariFalconGodPaintEngine", {}, {}, 2, 4, 6, 0, "GodPaint", nullptr, ".god"};
inline constexpr TQoAtariFalconHighColorFormat kQoCOKEFormat{
    "TQoAtariFalconCOKEEngine", "COKE format.", {}, 12, 14, 0, 16, "COKE", nullptr, ".tg1"};
inline constexpr TQoAtariFalconHighColorFormat kQoEggPaintFormat{
    "TQoAtariFalconEggPaintEngine", "TRUP", "tru?", 4, 6, 8, 0, "EggPaint", "Spooky Sprites",
    ".trp"};
inline constexpr TQoAtariFalconHighColorFormat kQoIndyPaintFormat{
    "TQoAtariFalconIndyPaintEngine", "Indy", {}, 4, 6, 256, 0, "IndyPaint", nullptr, ".tru"};
// clang-format on

using TQoAtariFalconGodPaintEngine = TQoRowEngine<TQoAtariFalconHighColorEngine, kQoGodPaintFormat>;
using TQoAtariFalconCOKEEngine = TQoRowEngine<TQoAtariFalconHighColorEngine, kQoCOKEFormat>;
using TQoAtariFalconEggPaintEngine = TQoRowEngine<TQoAtariFalconHighColorEngine, kQoEggPaintFormat>;
using TQoAtariFalconIndyPaintEngine =
    TQoRowEngine<TQoAtariFalconHighColorEngine, kQoIndyPaintFormat>;

class TQoAtariFalconInShapeEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconInShapeEngine";
  static constexpr std::string_view ClassExtension = ".iim";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconInShapeEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariFalconPixArtEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconPixArtEngine";
  static constexpr std::string_view ClassExtension = ".pix";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconPixArtEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoPixArtHeader header_;
};

class TQoAtariFalconRembrandtEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconRembrandtEngine";
  static constexpr std::string_view ClassExtension = ".tcp";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconRembrandtEngine(TQoLoadSource& source);
};

class TQoAtariFalconSpookySpritesEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconSpookySpritesEngine";
  static constexpr std::string_view ClassExtension = ".tre";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconSpookySpritesEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariFalconRagDEngine : public TQoAtariFalconEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariFalconRagDEngine";
  static constexpr std::string_view ClassExtension = ".rag";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariFalconRagDEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoRagDHeader header_;
  // True when the 8-bit data reads smoother as one byte per pixel than as planes.
  bool ReadsAsChunky();
};
