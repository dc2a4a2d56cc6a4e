#pragma once
// GEM bit images: the desktop's raster files, plain or with the palette or colour model
// that later programs added to the header.

#include <vector>

#include "platforms/AtariST/QoOpenPlatformAtariST.h"

class TQoAtariSTGEMBitImage : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTGEMBitImage";
  static constexpr std::string_view ClassExtension = ".img";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTGEMBitImage(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  // The pixel shape the header's pixel size in micrometres asks for.
  void ChooseAspect();
  void Unpack();
  std::unique_ptr<TQoBitmap> DecodeChunkyBuffer(TQoChunkyPixel pixel, std::size_t bytesPerPixel);
  std::unique_ptr<TQoBitmap> DecodeColorRuns();

  TQoGEMImageHeader header_;
  std::vector<uint8_t> buffer_;  // line-planar, planes of the header
  std::vector<uint8_t> pixels_;  // the planes shown, when fewer than the header's
};
