#pragma once
// The Atari pictures that are not screen dumps: video digitisers (ComputerEyes, RGB
// Intermediate, Image Manager), converter containers (uConvert, DeskPic) and the
// greyscale scans (ImageLab, IMG Scan, Print-Technik).

#include <memory>

#include "engine/QoFormatRow.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/AtariST/QoPlatformAtariFalcon.h"

class TQoAtariSTComputerEyesEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTComputerEyesEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTComputerEyesEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  uint16_t mode_ = 0;
};

class TQoAtariSTUIMGEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTUIMGEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTUIMGEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  TQoUIMGHeader header_;
};

// Image Manager: one grey byte per pixel (IM) or four byte planes (COL).
struct TQoAtariImageManagerFormat {
  const char* ClassName;
  int32_t SmallSize;  // 128 x 128
  int32_t LargeSize;  // 256 x 256
  bool Planes;        // four planes of which the last three are red, green, blue
  TQoExtensions Extensions;
};

class TQoAtariSTImageManagerEngine : public TQoAtariSTBaseEngine {
 public:
  static uint8_t Detect(TQoLoadSource& source, const TQoAtariImageManagerFormat& row);
  TQoAtariSTImageManagerEngine(TQoLoadSource& source, const TQoAtariImageManagerFormat& row);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  bool planes_ = false;
};

inline constexpr TQoAtariImageManagerFormat kQoImageManagerImFormat{
    "TQoAtariSTImageManagerImEngine", 16384, 65536, false, ".im"};
inline constexpr TQoAtariImageManagerFormat kQoImageManagerColFormat{
    "TQoAtariSTImageManagerColEngine", 65536, 262144, true, ".col"};
using TQoAtariSTImageManagerImEngine =
    TQoRowEngine<TQoAtariSTImageManagerEngine, kQoImageManagerImFormat>;
using TQoAtariSTImageManagerColEngine =
    TQoRowEngine<TQoAtariSTImageManagerEngine, kQoImageManagerColFormat>;

class TQoAtariSTDeskPicEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTDeskPicEngine";
  static constexpr std::string_view ClassExtension = ".gfb";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTDeskPicEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariSTRGBIntermediateEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTRGBIntermediateEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTRGBIntermediateEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariSTImgScanLabEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTImgScanLabEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTImgScanLabEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariSTImageLabEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTImageLabEngine";
  static constexpr std::string_view ClassExtension = ".b_w";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTImageLabEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

class TQoAtariSTPrintTechnikEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPrintTechnikEngine";
  static constexpr std::string_view ClassExtension = ".hir";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPrintTechnikEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};
