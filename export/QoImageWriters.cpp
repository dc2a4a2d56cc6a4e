// File images of exported pictures: BMP with the picture's own depth and palette, PNG
// (indexed or RGB) and GIF (indexed only). The pixel buffer of an indexed bitmap already
// has the row layout all three want (1-bit most significant first, 4-bit high nibble
// first), so rows are passed on as they are.

#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "export/QoExport.h"

namespace {

constexpr int32_t kGifMaxSide = 65535;

void CheckExportable(const TQoBitmap& bmp) {
  if (bmp.Width <= 0 || bmp.Height <= 0) throw EQoError("The picture is empty");
}

// The number of palette entries a file needs: the palette itself, extended with black
// up to the highest index a pixel uses, so every pixel has a colour.
int UsedPaletteSize(const TQoBitmap& bmp) {
  const int count = bmp.Palette ? bmp.Palette->GetCount() : 0;
  uint32_t highest = 0;
  std::vector<uint32_t> row(static_cast<std::size_t>(bmp.Width));
  for (int32_t y = 0; y < bmp.Height; ++y) {
    bmp.GetRow(y, row.data());
    for (uint32_t value : row) highest = std::max(highest, value);
  }
  return std::max(count, static_cast<int>(highest) + 1);
}

TQoStdRGBColor PaletteColor(const TQoBitmap& bmp, int index) {
  if (bmp.Palette && index < bmp.Palette->GetCount()) return bmp.Palette->GetStdRGB(index);
  return TQoStdRGBColor{};
}

void PutLE16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLE32(std::vector<uint8_t>& out, uint32_t value) {
  PutLE16(out, value & 0xFFFF);
  PutLE16(out, value >> 16);
}

}  // namespace

std::vector<uint8_t> QoEncodeBmp(const TQoBitmap& bmp) {
  CheckExportable(bmp);
  const bool indexed = bmp.BitsPerPixel <= 8;
  // A colour count of 0 in the header means "all 2^bpp", so a short palette is written
  // with its true count and an empty one in full.
  int colors = 0;
  if (indexed) {
    colors = UsedPaletteSize(bmp);
    if (colors == 0) colors = 1 << bmp.BitsPerPixel;
  }
  const uint32_t headerSize = 14 + 40 + 4 * static_cast<uint32_t>(colors);
  const uint64_t imageSize = static_cast<uint64_t>(bmp.Stride) * static_cast<uint64_t>(bmp.Height);
  if (headerSize + imageSize > 0xFFFFFFFFu) throw EQoError("The picture is too large for BMP");

  std::vector<uint8_t> out;
  out.reserve(headerSize + imageSize);
  out.push_back('B');
  out.push_back('M');
  PutLE32(out, static_cast<uint32_t>(headerSize + imageSize));
  PutLE32(out, 0);
  PutLE32(out, headerSize);
  PutLE32(out, 40);
  PutLE32(out, static_cast<uint32_t>(bmp.Width));
  PutLE32(out, static_cast<uint32_t>(bmp.Height));  // positive: bottom-up rows
  PutLE16(out, 1);
  PutLE16(out, static_cast<uint32_t>(bmp.BitsPerPixel));
  PutLE32(out, 0);  // no compression
  PutLE32(out, static_cast<uint32_t>(imageSize));
  PutLE32(out, 2835);  // 72 dpi
  PutLE32(out, 2835);
  PutLE32(out, static_cast<uint32_t>(colors));
  PutLE32(out, 0);
  for (int i = 0; i < colors; ++i) {
    const TQoStdRGBColor c = PaletteColor(bmp, i);
    out.insert(out.end(), {c.B, c.G, c.R, 0});
  }
  out.insert(out.end(), bmp.Bits, bmp.Bits + imageSize);
  return out;
}

namespace {

struct TQoPngWriteState {
  std::vector<uint8_t>* Out = nullptr;
  std::string Error;
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<TQoPngWriteState*>(png_get_io_ptr(png));
  state->Out->insert(state->Out->end(), data, data + length);
}

void PngFlush(png_structp) {}

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<TQoPngWriteState*>(png_get_error_ptr(png));
  state->Error = message ? message : "PNG error";
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Indexed pictures take the smallest depth that holds their palette: fewer bits to pack
// make the file smaller and the writer faster.
int PngDepth(bool indexed, std::size_t colors) {
  if (!indexed) return 8;
  return colors <= 2 ? 1 : colors <= 4 ? 2 : colors <= 16 ? 4 : 8;
}

}  // namespace

std::vector<uint8_t> QoEncodePng(const TQoBitmap& bmp, const TQoPngOptions& options) {
  CheckExportable(bmp);
  const bool indexed = bmp.BitsPerPixel <= 8;
  std::vector<png_color> palette;
  if (indexed) {
    const int size = std::min(std::max(UsedPaletteSize(bmp), 1), 1 << bmp.BitsPerPixel);
    for (int i = 0; i < size; ++i) {
      const TQoStdRGBColor c = PaletteColor(bmp, i);
      palette.push_back(png_color{c.R, c.G, c.B});
    }
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(bmp.Height));
  std::vector<uint8_t> repacked;
  if (const int depth = PngDepth(indexed, palette.size()); depth != bmp.BitsPerPixel && indexed) {
    const std::size_t rowBytes = (static_cast<std::size_t>(bmp.Width) * depth + 7) / 8;
    repacked.assign(rowBytes * static_cast<std::size_t>(bmp.Height), 0);
    std::vector<uint32_t> values(static_cast<std::size_t>(bmp.Width));
    for (int32_t y = 0; y < bmp.Height; ++y) {
      bmp.GetRow(y, values.data());
      uint8_t* out = repacked.data() + static_cast<std::size_t>(y) * rowBytes;
      for (int32_t x = 0; x < bmp.Width; ++x) {
        const std::size_t bit = static_cast<std::size_t>(x) * depth;
        out[bit / 8] = static_cast<uint8_t>(out[bit / 8] | values[static_cast<std::size_t>(x)]
                                                               << (8 - depth - bit % 8));
      }
      rows[static_cast<std::size_t>(y)] = out;
    }
  } else {
    for (int32_t y = 0; y < bmp.Height; ++y) {
      // libpng only reads the rows; its row type lacks const.
      rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(bmp.GetScanLine(y));
    }
  }

  std::vector<uint8_t> out;
  TQoPngWriteState state;
  state.Out = &out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, PngError, PngWarning);
  if (!png) throw EOutOfResources();
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw EOutOfResources();
  }
  // Everything the jump may skip lives above it; nothing here needs unwinding.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw EQoError("Cannot write PNG: " + state.Error);
  }
  png_set_write_fn(png, &state, PngWrite, PngFlush);
  // Measured on the sample pictures (flat areas of few colours, mostly indexed): level 4
  // packs them in 42% of the time of zlib's default level 6 for 5.5% more bytes; run
  // lengths alone at level 1 take 28% for 30% more; level 9 saves 1.7% for 5 times the
  // time.
  switch (options.Compression) {
    case TQoPngCompression::Fast:
      png_set_compression_level(png, 1);
      png_set_compression_strategy(png, Z_RLE);
      break;
    case TQoPngCompression::Default:
      png_set_compression_level(png, 4);
      break;
    case TQoPngCompression::Best:
      png_set_compression_level(png, 9);
      break;
  }
  png_set_IHDR(png, info, static_cast<png_uint_32>(bmp.Width), static_cast<png_uint_32>(bmp.Height),
               PngDepth(indexed, palette.size()),
               indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_text text{};
  char key[] = "Software";
  char value[] = "OrvalonWLX";
  text.compression = PNG_TEXT_COMPRESSION_NONE;
  text.key = key;
  text.text = value;
  png_set_text(png, info, &text, 1);
  if (options.PixelAspect > 0) {
    // Pixels per unit in each direction, the unit unknown: only their ratio counts. A
    // pixel wider than tall has fewer of them to the unit across.
    constexpr double kScale = 100000.0;
    const double a = options.PixelAspect;
    const auto perUnit = [](double v) {
      return std::max<png_uint_32>(1, static_cast<png_uint_32>(v + 0.5));
    };
    png_set_pHYs(png, info, perUnit(a >= 1 ? kScale / a : kScale),
                 perUnit(a >= 1 ? kScale : kScale * a), PNG_RESOLUTION_UNKNOWN);
  }
  png_set_rows(png, info, rows.data());
  // 24-bit rows are stored blue first.
  png_write_png(png, info, indexed ? PNG_TRANSFORM_IDENTITY : PNG_TRANSFORM_BGR, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

namespace {

int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

[[noreturn]] void RaiseGifError(int code) {
  const char* message = GifErrorString(code);
  throw EQoError(std::string("Cannot write GIF: ") + (message ? message : "unknown error"));
}

}  // namespace

std::vector<uint8_t> QoEncodeGif(const TQoBitmap& bmp) {
  if (bmp.BitsPerPixel > 8) throw EQoWarning("Too many colors");
  CheckExportable(bmp);
  if (bmp.Width > kGifMaxSide || bmp.Height > kGifMaxSide) {
    throw EQoError("The picture is too large for GIF");
  }
  // A GIF colour table has a power-of-two size of at least two entries.
  const int used = UsedPaletteSize(bmp);
  int tableBits = 1;
  while ((1 << tableBits) < used) ++tableBits;
  std::vector<GifColorType> colors(static_cast<std::size_t>(1) << tableBits);
  for (int i = 0; i < static_cast<int>(colors.size()); ++i) {
    const TQoStdRGBColor c = PaletteColor(bmp, i);
    colors[static_cast<std::size_t>(i)] = GifColorType{c.R, c.G, c.B};
  }

  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, GifWrite, &error);
  if (!gif) RaiseGifError(error);
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colors.size()), colors.data());
  auto fail = [&](int code) {
    if (map) GifFreeMapObject(map);
    int closeError = 0;
    EGifCloseFile(gif, &closeError);
    RaiseGifError(code);
  };
  if (!map) fail(E_GIF_ERR_NOT_ENOUGH_MEM);
  if (EGifPutScreenDesc(gif, bmp.Width, bmp.Height, tableBits, 0, map) == GIF_ERROR ||
      EGifPutImageDesc(gif, 0, 0, bmp.Width, bmp.Height, false, nullptr) == GIF_ERROR) {
    fail(gif->Error);
  }
  std::vector<GifPixelType> line(static_cast<std::size_t>(bmp.Width));
  for (int32_t y = 0; y < bmp.Height; ++y) {
    for (int32_t x = 0; x < bmp.Width; ++x) {
      line[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(bmp.GetPixel(x, y));
    }
    if (EGifPutLine(gif, line.data(), bmp.Width) == GIF_ERROR) fail(gif->Error);
  }
  GifFreeMapObject(map);
  map = nullptr;
  if (EGifCloseFile(gif, &error) == GIF_ERROR) RaiseGifError(error);
  return out;
}
