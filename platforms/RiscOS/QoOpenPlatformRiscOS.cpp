#include "platforms/RiscOS/QoOpenPlatformRiscOS.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"

namespace {

// The area words: sprite count, first sprite and free space, counted as if the area's
// size word were present.
constexpr std::size_t kAreaHeader = 12;
constexpr std::size_t kFirstSpriteWord = 16;
// More sprites than any sprite file holds; a lying count ends here.
constexpr uint32_t kMaxSprites = 4096;
// The sheet behind sprites with several: the desktop's light grey, so that white and
// masked-out pixels stay told apart.
constexpr uint32_t kSheetBackground = 0xDDDDDD;

// The stored mask value of pixel x of row y says whether the pixel shows.
bool MaskShows(TQoByteView file, const TQoAcornSprite& s, int32_t x, int32_t y) {
  if (!s.HasMask()) return true;
  if (s.OldMode) return QoAcornPixel(file, s, s.MaskAt, x, y, s.Bits) != 0;
  const std::size_t width = static_cast<std::size_t>(s.Width());
  const std::size_t rowBytes = s.AlphaMask ? (width + 3) / 4 * 4 : (width + 31) / 32 * 4;
  const std::size_t row = s.Offset + s.MaskAt + static_cast<std::size_t>(y) * rowBytes;
  if (s.AlphaMask) return file.U8(row + static_cast<std::size_t>(x)) >= 128;
  return ((file.U8(row + static_cast<std::size_t>(x) / 8) >> (x % 8)) & 1) != 0;
}

}  // namespace

bool TQoAcornSpriteEngine::ReadSprites(TQoByteView file, std::vector<TQoAcornSprite>& sprites) {
  sprites.clear();
  if (!file.Has(0, kAreaHeader)) return false;
  const uint32_t count = file.LE32(0);
  if (count == 0 || count > kMaxSprites || file.LE32(4) != kFirstSpriteWord) return false;
  if (file.LE32(8) > file.Size() + 4) return false;
  std::size_t offset = kAreaHeader;
  for (uint32_t i = 0; i < count; ++i) {
    TQoAcornSprite sprite;
    if (!sprite.Read(file, offset)) return false;
    if (i + 1 < count) {
      // The next sprite starts behind this one's header, inside the file.
      if (sprite.Next < TQoAcornSprite::kHeaderSize || !file.Has(offset, sprite.Next)) return false;
      offset += sprite.Next;
    }
    sprites.push_back(std::move(sprite));
  }
  return true;
}

uint8_t TQoAcornSpriteEngine::Detect(TQoLoadSource& source) {
  std::vector<TQoAcornSprite> sprites;
  if (source.Size <= 56 || !ReadSprites(source.Bytes(), sprites)) return 0;
  // RISC OS keeps the file type apart from the name; copied to other systems it rides
  // in the name as ",ff9".
  const bool typed = QoNameEndsWith(source.Name, ",ff9");
  return QoDetect(source, {.Signed = true, .Extensions = ".acorn"}) |
         (typed ? kQoDetectExtension : 0);
}

TQoAcornSpriteEngine::TQoAcornSpriteEngine(TQoLoadSource& source)
    : TQoSourceEngine(source, ClassName) {
  PlatformName = "RiscOS";
  DefaultExtension = ".acorn";
  if (!ReadSprites(Bytes(), Sprites)) qo::RaiseInternalError();
  const TQoAcornSprite& first = Sprites.front();
  if (Sprites.size() == 1) {
    Width = first.Width();
    Height = first.Height();
    ColorDepth = first.Depth();
    Description = first.HasMask() ? " Alpha" : "";
    if (first.OldMode) Description += " mode " + std::to_string(first.Mode);
    Description += " image";
    InfoTitle = first.Name;
    AspectIndex = first.AspectIndex;
  } else {
    for (const TQoAcornSprite& s : Sprites) {
      Sheet.AddSprite(s.Width(), s.Height());
      ColorDepth = std::max(ColorDepth, s.Depth());
      InfoComment += (InfoComment.empty() ? "" : "\n") + s.Name;
    }
    Sheet.Layout();
    Width = Sheet.SheetWidth;
    Height = Sheet.SheetHeight;
    Description = " sheet of " + std::to_string(Sprites.size()) + " sprites";
    // One pixel shape for the sheet: the sprites' own when they agree.
    const bool sameAspect =
        std::all_of(Sprites.begin(), Sprites.end(),
                    [&](const TQoAcornSprite& s) { return s.AspectIndex == first.AspectIndex; });
    AspectIndex = sameAspect ? first.AspectIndex : kQoAspect1to1;
  }
  AspectMask = QoAspectBit(AspectIndex) | QoAspectBit(kQoAspect1to1);
}

std::unique_ptr<TQoBitmap> TQoAcornSpriteEngine::DecodeOne(const TQoAcornSprite& s) {
  const TQoByteView file = Bytes();
  const int32_t w = s.Width();
  const int32_t h = s.Height();
  if (s.Bits <= 8) {
    QoAcornSpritePalette(file, s, *Palette);
    auto bmp = QoCreateBitmapFor(w, h, Palette.get());
    std::vector<uint32_t> row(static_cast<std::size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        uint32_t v = QoAcornPixel(file, s, s.ImageAt, x, y, s.Bits);
        // Four-bit pictures of the old modes hide what their mask hides.
        if (s.Bits == 4 && s.OldMode && !MaskShows(file, s, x, y)) v = 0;
        row[static_cast<std::size_t>(x)] = v;
      }
      bmp->SetRow(y, row.data(), w);
    }
    return bmp;
  }
  Palette->Clear();
  auto bmp = std::make_unique<TQoBitmap24>(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      bmp->SetPixel(x, y, QoAcornTrueColor(s.Kind, QoAcornPixel(file, s, s.ImageAt, x, y, s.Bits)));
    }
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAcornSpriteEngine::DecodeSheet() {
  const TQoByteView file = Bytes();
  std::unique_ptr<TQoBitmap> sheet = std::make_unique<TQoBitmap24>(Width, Height);
  for (int32_t y = 0; y < Height; ++y) {
    for (int32_t x = 0; x < Width; ++x) sheet->SetPixel(x, y, kSheetBackground);
  }
  TQoPalette256 palette;
  for (std::size_t i = 0; i < Sprites.size(); ++i) {
    const TQoAcornSprite& s = Sprites[i];
    const TQoSprite& place = *Sheet.GetSprite(static_cast<int>(i));
    QoAcornSpritePalette(file, s, palette);
    for (int32_t y = 0; y < s.Height(); ++y) {
      for (int32_t x = 0; x < s.Width(); ++x) {
        if (!MaskShows(file, s, x, y)) continue;
        const uint32_t v = QoAcornPixel(file, s, s.ImageAt, x, y, s.Bits);
        const uint32_t rgb = s.Bits <= 8 ? palette.GetRGBQuad(static_cast<int>(v)) & 0xFFFFFF
                                         : QoAcornTrueColor(s.Kind, v);
        sheet->SetPixel(place.X + x, place.Y + y, rgb);
      }
    }
  }
  ReduceTrueColor(sheet);
  return sheet;
}

std::unique_ptr<TQoBitmap> TQoAcornSpriteEngine::Decode() {
  return Sprites.size() == 1 ? DecodeOne(Sprites.front()) : DecodeSheet();
}

void RegisterRiscOSEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoAcornSpriteEngine>());
}
