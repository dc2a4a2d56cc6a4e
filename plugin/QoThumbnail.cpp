#include "plugin/QoThumbnail.h"

#include "export/QoScaling.h"

std::unique_ptr<TQoBitmap32> QoThumbnailOf(const TQoBitmap32& picture, int aspectIndex,
                                           int32_t boxWidth, int32_t boxHeight) {
  const TQoThumbnailSize size =
      QoThumbnailSize(picture.Width, picture.Height, aspectIndex, boxWidth, boxHeight);
  // Kept or enlarged in both directions: the triangle kernel; any shrinking: Lanczos.
  const bool enlarges = size.Width >= picture.Width && size.UnroundedHeight >= picture.Height;
  return QoResample(picture, size.Width, size.Height,
                    enlarges ? TQoKernel::Linear : TQoKernel::Lanczos3);
}

std::unique_ptr<TQoBitmap32> QoThumbnailOfEngine(TQoSourceEngine& engine, int32_t boxWidth,
                                                 int32_t boxHeight) {
  const std::unique_ptr<TQoBitmap> decoded = engine.Decode();
  if (!decoded) qo::RaiseInternalError();
  return QoThumbnailOf(*decoded->ToBitmap32(), engine.AspectIndex, boxWidth, boxHeight);
}

std::unique_ptr<TQoBitmap32> QoMakeThumbnail(const std::string& fileName, int32_t boxWidth,
                                             int32_t boxHeight, const TQoEngineRegistry& registry) {
  try {
    TQoLoadSourceEx source(fileName, registry);
    if (!source.Engines || source.Engines->Count() == 0) return nullptr;
    return QoThumbnailOfEngine(*source.Engines->GetEngine(0), boxWidth, boxHeight);
  } catch (...) {
    return nullptr;  // a thumbnail never fails loudly: the host just shows no picture
  }
}
