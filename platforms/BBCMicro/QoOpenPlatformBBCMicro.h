#pragma once
// The BBC Micro module: screen dumps of modes 0, 1, 2, 4, 5 and 8 (some with the logical
// palette in front), NuLA 16-colour mode 2 pictures and packed LdPic pictures.

#include <array>
#include <memory>
#include <vector>

#include "engine/QoFormatRow.h"
#include "platforms/BBCMicro/QoPlatformBBCMicro.h"

// One size a mode's dump comes in: where the screen starts, whether four logical palette
// bytes lead, and the extensions that are the format's own at that size.
struct TQoBBCDumpSize {
  std::size_t Size = 0;  // 0 ends the list
  std::size_t ScreenAt = 0;
  bool PaletteBytes = false;
  TQoExtensions Extensions{};
};

struct TQoBBCMicroFormat {
  const char* ClassName;
  int Mode;
  int Columns;  // byte-wide cells a line: 80 for 20 KB screens, 40 for 10 KB
  int Bits;     // bits a pixel
  std::array<TQoBBCDumpSize, 3> Sizes;
};

// What every BBC engine shares: the platform, the picture geometry of a mode, the aspect
// choices of its pixel width, and the decoding of a screen.
class TQoBBCMicroEngine : public TQoSourceEngine {
 public:
  TQoBBCMicroEngine(TQoLoadSource& source, const char* className);

 protected:
  // Width, height, depth, description and aspect choices of a screen of that layout.
  void SetMode(int mode, int columns, int bits, int32_t depth);
  std::unique_ptr<TQoBitmap> DecodeScreen(TQoByteView data, std::size_t at, int columns, int bits,
                                          uint32_t mask);
  // Black, red, yellow, white, or the four logical colours given.
  void SetFourColors(const uint8_t* logical);
  void SetEightColors();
};

class TQoBBCMicroScreenEngine : public TQoBBCMicroEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoBBCMicroFormat& format);
  TQoBBCMicroScreenEngine(TQoLoadSource& source, const TQoBBCMicroFormat& format);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  const TQoBBCMicroFormat& format_;
  const TQoBBCDumpSize* size_ = nullptr;
};

// clang-format off
inline constexpr TQoBBCMicroFormat kQoBBCMicro0Format{
    "TQoBBCMicro0Engine", 0, 80, 1, {{{20480, 0, false, ".bb0 .as0"}}}};
inline constexpr TQoBBCMicroFormat kQoBBCMicro1Format{
    "TQoBBCMicro1Engine", 1, 80, 2,
    {{{20480, 0, false, ".bb1 .as1"}, {21248, 768, false, ".bb1"}, {20484, 4, true, ".bb1"}}}};
inline constexpr TQoBBCMicroFormat kQoBBCMicro2Format{
    "TQoBBCMicro2Engine", 2, 80, 4, {{{20480, 0, false, ".bb2 .as2"}}}};
inline constexpr TQoBBCMicroFormat kQoBBCMicro4Format{
    "TQoBBCMicro4Engine", 4, 40, 1, {{{10240, 0, false, ".bb4 .as4"}}}};
inline constexpr TQoBBCMicroFormat kQoBBCMicro5Format{
    "TQoBBCMicro5Engine", 5, 40, 2, {{{10240, 0, false, ".bb5 .as5"}, {10244, 4, true, ".bb5"}}}};
inline constexpr TQoBBCMicroFormat kQoBBCMicro8Format{
    "TQoBBCMicro8Engine", 8, 40, 4, {{{10240, 0, false, ".bb8"}}}};
// clang-format on

using TQoBBCMicro0Engine = TQoRowEngine<TQoBBCMicroScreenEngine, kQoBBCMicro0Format>;
using TQoBBCMicro1Engine = TQoRowEngine<TQoBBCMicroScreenEngine, kQoBBCMicro1Format>;
using TQoBBCMicro2Engine = TQoRowEngine<TQoBBCMicroScreenEngine, kQoBBCMicro2Format>;
using TQoBBCMicro4Engine = TQoRowEngine<TQoBBCMicroScreenEngine, kQoBBCMicro4Format>;
using TQoBBCMicro5Engine = TQoRowEngine<TQoBBCMicroScreenEngine, kQoBBCMicro5Format>;
using TQoBBCMicro8Engine = TQoRowEngine<TQoBBCMicroScreenEngine, kQoBBCMicro8Format>;

class TQoBBCMicro2NulaEngine : public TQoBBCMicroEngine {
 public:
  static constexpr const char* ClassName = "TQoBBCMicro2NulaEngine";
  static constexpr std::string_view ClassExtension = ".bbc";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoBBCMicro2NulaEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoBBCMicroLdPicEngine : public TQoBBCMicroEngine {
 public:
  static constexpr const char* ClassName = "TQoBBCMicroLdPicEngine";
  static constexpr std::string_view ClassExtension = ".bbg";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoBBCMicroLdPicEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  TQoBBCLdPicHeader Header;
  std::vector<uint8_t> Screen;  // unpacked on the first decode
};

void RegisterBBCMicroEngines(TQoEngineRegistry& registry);
