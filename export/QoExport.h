#pragma once
// What the viewer exports: the engine's decoded indexed picture, enlarged by whole
// factors so that its pixels keep the chosen aspect ratio (no grey mode, no
// resampling, no animation frames), and the writers of the exported files.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "color/QoBitmap.h"
#include "engine/QoSourceEngine.h"

// The whole-factor repeats of an aspect entry: a pixel becomes RepeatX x RepeatY pixels,
// the nearest whole factor of the entry's ratio, so that the exported pixels keep the
// aspect as closely as whole factors can; PixelAspect is the shape (width over height)
// each exported pixel still has.
struct TQoExportRepeat {
  int RepeatX = 1;
  int RepeatY = 1;
  double PixelAspect = 1.0;
};
TQoExportRepeat QoExportRepeat(int aspectIndex);
// The entry's exact pixel shape without any enlargement, for pictures written as decoded.
TQoExportRepeat QoNativeRepeat(int aspectIndex);

// Each pixel of bmp repeated into a block of repeat.RepeatX x repeat.RepeatY; the
// bitmap itself when both are 1 or the enlargement fails.
std::unique_ptr<TQoBitmap> QoEnlarge(std::unique_ptr<TQoBitmap> bmp, TQoExportRepeat repeat);

// Decodes the engine and enlarges the picture for the aspect entry. Raises what Decode
// raises; "Internal error" when the engine decodes nothing.
std::unique_ptr<TQoBitmap> ExportPicture(TQoSourceEngine& engine, int aspectIndex);

// How hard the PNG writer packs: retro pictures are flat areas of few colours, which the
// fast setting already packs well.
enum class TQoPngCompression { Fast, Default, Best };

struct TQoPngOptions {
  TQoPngCompression Compression = TQoPngCompression::Default;
  // The shape of one pixel of the picture as written, width over height (after any
  // whole-factor enlargement); 0 writes no physical pixel size.
  double PixelAspect = 0;
};

// File images of a picture, in memory. Indexed pictures keep their palette in its
// order; 24-bit pictures stay true colour (BMP, PNG). Raise EQoError on failure.
std::vector<uint8_t> QoEncodeBmp(const TQoBitmap& bmp);
std::vector<uint8_t> QoEncodePng(const TQoBitmap& bmp, const TQoPngOptions& options = {});
// Raises the warning "Too many colors" for pictures above 8 bits per pixel.
std::vector<uint8_t> QoEncodeGif(const TQoBitmap& bmp);
// The writer of a target extension (".bmp", ".png" or ".gif", lower case).
std::vector<uint8_t> QoEncodeForExtension(const TQoBitmap& bmp, const std::string& extension,
                                          const TQoPngOptions& png = {});
// The clipboard's form of a picture: a device-independent bitmap in one block, its info
// header, palette and rows; a BMP file without its file header.
std::vector<uint8_t> QoEncodePackedDib(const TQoBitmap& bmp);

// Writes bytes to a file through a temporary file renamed into place, so a failed write
// leaves an earlier file intact; raises EQoError naming the file and the reason.
void QoWriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
