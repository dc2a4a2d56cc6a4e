#include "cli/QoCliAnimate.h"

#include <gif_lib.h>

#include <algorithm>
#include <numeric>
#include <string>

#include "base/QoErrors.h"
#include "viewer/QoPaletteCycle.h"

namespace {

constexpr int32_t kGifMaxSide = 65535;
// Periods beyond this many ticks (over 46 hours) are not waited for: the frame cap ends
// the animation long before.
constexpr uint64_t kLongestPeriod = uint64_t{10000000};

std::array<uint32_t, 256> PaletteColors(const TQoBitmap& bmp) {
  std::array<uint32_t, 256> colors{};
  const int count = bmp.Palette ? std::min(bmp.Palette->GetCount(), 256) : 0;
  for (int i = 0; i < count; ++i) {
    colors[static_cast<std::size_t>(i)] = bmp.Palette->GetRGBQuad(i) & 0xFFFFFFu;
  }
  return colors;
}

// Entries the colour tables need: the palette, and any index a pixel uses beyond it.
int UsedColors(const TQoBitmap& bmp) {
  int used = bmp.Palette ? std::min(bmp.Palette->GetCount(), 256) : 0;
  for (int32_t y = 0; y < bmp.Height && used < 256; ++y) {
    for (int32_t x = 0; x < bmp.Width; ++x) {
      used = std::max(used, static_cast<int>(bmp.GetPixel(x, y) & 0xFF) + 1);
    }
  }
  return std::max(used, 2);
}

void CheckAnimatable(const TQoBitmap& bmp) {
  if (bmp.BitsPerPixel > 8 || !bmp.Palette) {
    throw EQoError("a true-colour picture cannot be written as an animated GIF");
  }
  if (bmp.Width <= 0 || bmp.Height <= 0 || bmp.Width > kGifMaxSide || bmp.Height > kGifMaxSide) {
    throw EQoError("the picture is too large for GIF");
  }
}

// Ticks (1/60 s) since the start in GIF's hundredths, rounded.
int64_t Centiseconds(int64_t tick) {
  return (tick * 100 + 30) / 60;
}

// The ticks after which every range is back at its start: each range returns after its
// delay times its length; all together after the least common multiple; 0 when that is
// beyond kLongestPeriod.
uint64_t CyclePeriod(const TQoCycleRanges& ranges) {
  uint64_t period = 1;
  for (int r = 0; r < std::clamp(ranges.Count, 0, 256); ++r) {
    const TQoCycleRange& range = ranges.Items[static_cast<std::size_t>(r)];
    const int low = std::clamp(static_cast<int>(range.Low), 0, 255);
    const int high = std::clamp(static_cast<int>(range.High), 0, 255);
    if (low >= high) continue;
    const uint64_t delay = std::max<int64_t>(range.Delay, 1);
    const uint64_t own = delay * static_cast<uint64_t>(high - low + 1);
    period = std::lcm(period, own);
    if (period > kLongestPeriod) return 0;
  }
  return period;
}

int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

[[noreturn]] void RaiseGifError(int code) {
  const char* message = GifErrorString(code);
  throw EQoError(std::string("cannot write GIF: ") + (message ? message : "unknown error"));
}

std::vector<GifColorType> ColorTable(const std::array<uint32_t, 256>& colors, int size) {
  std::vector<GifColorType> table(static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i) {
    const uint32_t c = colors[static_cast<std::size_t>(i)];
    table[static_cast<std::size_t>(i)] =
        GifColorType{static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                     static_cast<GifByteType>(c)};
  }
  return table;
}

// The GIF handle and its colour maps, released on every way out.
struct TGifWriter {
  GifFileType* Gif = nullptr;
  std::vector<ColorMapObject*> Maps;
  ~TGifWriter() {
    for (ColorMapObject* map : Maps) GifFreeMapObject(map);
    if (Gif) {
      int error = 0;
      EGifCloseFile(Gif, &error);
    }
  }
  ColorMapObject* Map(const std::vector<GifColorType>& table) {
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(table.size()), table.data());
    if (!map) RaiseGifError(E_GIF_ERR_NOT_ENOUGH_MEM);
    Maps.push_back(map);
    return map;
  }
  void Check(int result) {
    if (result == GIF_ERROR) RaiseGifError(Gif->Error);
  }
};

}  // namespace

bool QoHasMovingCycleRange(const TQoCycleRanges& ranges) {
  for (int r = 0; r < std::clamp(ranges.Count, 0, 256); ++r) {
    const TQoCycleRange& range = ranges.Items[static_cast<std::size_t>(r)];
    if (std::clamp(static_cast<int>(range.Low), 0, 255) <
        std::clamp(static_cast<int>(range.High), 0, 255))
      return true;
  }
  return false;
}

TQoAnimation QoCycleAnimation(std::unique_ptr<TQoBitmap> picture, const TQoCycleRanges& ranges) {
  if (!picture) qo::RaiseInternalError();
  CheckAnimatable(*picture);
  if (!QoHasMovingCycleRange(ranges)) throw EQoError("the picture has no colour cycling");
  TQoAnimation animation;
  animation.ColorCount = UsedColors(*picture);
  // The viewer's own cycle step, run on a one-pixel copy: only its colours matter here.
  TQoPaletteCycleBitmap32 cycle(*picture->CreateEmpty(1, 1), ranges);
  const auto colorsNow = [&] {
    std::array<uint32_t, 256> colors{};
    for (std::size_t i = 0; i < colors.size(); ++i) colors[i] = cycle.Colors()[i] & 0xFFFFFFu;
    return colors;
  };
  animation.Pictures.push_back(std::move(picture));
  const uint64_t period = CyclePeriod(ranges);
  std::vector<int64_t> starts = {0};
  animation.Frames.push_back({0, colorsNow(), 0});
  int64_t end = 0;
  for (int64_t tick = 1;; ++tick) {
    if (period != 0 && static_cast<uint64_t>(tick) == period) {
      end = tick;
      break;
    }
    if (!cycle.Step()) continue;
    if (static_cast<int>(animation.Frames.size()) == kQoMaxAnimationFrames) {
      animation.Truncated = true;
      end = tick;
      break;
    }
    starts.push_back(tick);
    animation.Frames.push_back({0, colorsNow(), 0});
  }
  // Delays from the rounded times since the start, so that rounding never adds up.
  for (std::size_t i = 0; i < animation.Frames.size(); ++i) {
    const int64_t next = i + 1 < starts.size() ? starts[i + 1] : end;
    const int64_t delay = Centiseconds(next) - Centiseconds(starts[i]);
    animation.Frames[i].DelayCentiseconds =
        static_cast<int>(std::clamp<int64_t>(delay, kQoScreenFrameCentiseconds, 65535));
  }
  return animation;
}

TQoAnimation QoScreenAnimation(std::vector<std::unique_ptr<TQoBitmap>> screens) {
  TQoAnimation animation;
  for (std::size_t i = 0; i < screens.size(); ++i) {
    if (!screens[i]) qo::RaiseInternalError();
    CheckAnimatable(*screens[i]);
    if (screens[i]->Width != screens[0]->Width || screens[i]->Height != screens[0]->Height) {
      throw EQoError("the screens differ in size");
    }
    animation.ColorCount = std::max(animation.ColorCount, UsedColors(*screens[i]));
    animation.Frames.push_back(
        {static_cast<int>(i), PaletteColors(*screens[i]), kQoScreenFrameCentiseconds});
  }
  animation.Pictures = std::move(screens);
  return animation;
}

std::vector<uint8_t> QoEncodeAnimatedGif(const TQoAnimation& animation) {
  if (animation.Frames.empty() || animation.Pictures.empty()) qo::RaiseInternalError();
  const TQoBitmap& first = *animation.Pictures.front();
  int tableBits = 1;
  while ((1 << tableBits) < animation.ColorCount) ++tableBits;
  const int tableSize = 1 << tableBits;

  std::vector<uint8_t> out;
  TGifWriter writer;
  int error = 0;
  writer.Gif = EGifOpen(&out, GifWrite, &error);
  if (!writer.Gif) RaiseGifError(error);
  EGifSetGifVersion(writer.Gif, true);
  const std::vector<GifColorType> global = ColorTable(animation.Frames.front().Colors, tableSize);
  writer.Check(
      EGifPutScreenDesc(writer.Gif, first.Width, first.Height, tableBits, 0, writer.Map(global)));
  // Loop for ever.
  writer.Check(EGifPutExtensionLeader(writer.Gif, APPLICATION_EXT_FUNC_CODE));
  writer.Check(EGifPutExtensionBlock(writer.Gif, 11, "NETSCAPE2.0"));
  const GifByteType loop[3] = {1, 0, 0};
  writer.Check(EGifPutExtensionBlock(writer.Gif, 3, loop));
  writer.Check(EGifPutExtensionTrailer(writer.Gif));

  // Each picture's indices once, reused by every frame that shows it.
  std::vector<std::vector<GifPixelType>> indices;
  for (const auto& picture : animation.Pictures) {
    std::vector<GifPixelType> pixels(static_cast<std::size_t>(picture->Width) *
                                     static_cast<std::size_t>(picture->Height));
    std::size_t i = 0;
    for (int32_t y = 0; y < picture->Height; ++y) {
      for (int32_t x = 0; x < picture->Width; ++x) {
        pixels[i++] = static_cast<GifPixelType>(picture->GetPixel(x, y) & (tableSize - 1));
      }
    }
    indices.push_back(std::move(pixels));
  }

  for (const TQoAnimationFrame& frame : animation.Frames) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = frame.DelayCentiseconds;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    writer.Check(
        EGifPutExtension(writer.Gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension));
    const std::vector<GifColorType> own = ColorTable(frame.Colors, tableSize);
    const bool sameAsGlobal = std::equal(
        own.begin(), own.end(), global.begin(), [](const GifColorType& a, const GifColorType& b) {
          return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
        });
    // giflib forgets, without freeing, the copy of an earlier frame's own colour map
    // when a frame has none: free it first.
    if (sameAsGlobal && writer.Gif->Image.ColorMap) {
      GifFreeMapObject(writer.Gif->Image.ColorMap);
      writer.Gif->Image.ColorMap = nullptr;
    }
    writer.Check(EGifPutImageDesc(writer.Gif, 0, 0, first.Width, first.Height, false,
                                  sameAsGlobal ? nullptr : writer.Map(own)));
    std::vector<GifPixelType>& pixels = indices[static_cast<std::size_t>(frame.Picture)];
    for (int32_t y = 0; y < first.Height; ++y) {
      writer.Check(EGifPutLine(
          writer.Gif, pixels.data() + static_cast<std::size_t>(y) * first.Width, first.Width));
    }
  }
  GifFileType* gif = writer.Gif;
  writer.Gif = nullptr;
  if (EGifCloseFile(gif, &error) == GIF_ERROR) RaiseGifError(error);
  return out;
}
