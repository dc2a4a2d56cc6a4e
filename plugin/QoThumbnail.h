#pragma once
// Thumbnails for the file manager: the best-rated engine's picture, fitted into a box
// with its displayed proportions. Runs on the caller's thread and keeps nothing.

#include <cstdint>
#include <memory>
#include <string>

#include "color/QoBitmap.h"
#include "engine/QoLoadSource.h"

// The thumbnail of a file, or nil when no engine accepts it or the best engine fails
// (the next engine is not tried: a thumbnail must be quick and predictable).
std::unique_ptr<TQoBitmap32> QoMakeThumbnail(
    const std::string& fileName, int32_t boxWidth, int32_t boxHeight,
    const TQoEngineRegistry& registry = QoDefaultRegistry());

// The thumbnail of an engine's picture with its own defaults; raises what decoding or
// scaling raises.
std::unique_ptr<TQoBitmap32> QoThumbnailOfEngine(TQoSourceEngine& engine, int32_t boxWidth,
                                                 int32_t boxHeight);

// The thumbnail of a picture of an engine with the given aspect entry; raises what
// the scaling raises.
std::unique_ptr<TQoBitmap32> QoThumbnailOf(const TQoBitmap32& picture, int aspectIndex,
                                           int32_t boxWidth, int32_t boxHeight);
