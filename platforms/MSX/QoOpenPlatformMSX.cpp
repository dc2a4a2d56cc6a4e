#include "platforms/MSX/QoOpenPlatformMSX.h"

#include "color/QoAspect.h"

#include <algorithm>
#include <vector>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

constexpr std::size_t kPaletteBytes = 32;
constexpr std::string_view kBsaveMarker = "\xFE";

// The video RAM from address on, or nothing when the dump ends before it.
TQoByteView VramFrom(TQoByteView vram, std::size_t address) {
  return address <= vram.Size() ? vram.From(address) : TQoByteView();
}

// A bitmap screen that BSAVE ,S wrote for fewer lines than the screen has: a header
// for address 0 (execution 0) whose range ends on a whole line below the dump's minimum
// and lies within the file (converters append their own data after it). Answers the
// lines the range holds, or 0.
int CutDumpLines(TQoByteView file, const TQoMSXScreenFormat& format) {
  const bool bitmap = (format.Screen >= 5 && format.Screen <= 8) || format.Screen == 10;
  TQoBloadHeader header;
  if (!bitmap || !header.Read(file) || header.Marker != 0xFE || header.Start != 0 ||
      header.Execution != 0) {
    return 0;
  }
  const std::size_t range = static_cast<std::size_t>(header.End) + 1;
  const std::size_t lineBytes = format.Screen <= 6 ? 128 : 256;
  if (range >= format.MinimumVram || range % lineBytes != 0 ||
      range > file.Size() - TQoBloadHeader::kSize) {
    return 0;
  }
  return static_cast<int>(range / lineBytes);
}

bool SizeListed(const std::array<int32_t, 4>& sizes, int32_t size) {
  return std::any_of(sizes.begin(), sizes.end(), [&](int32_t s) { return s != 0 && s == size; });
}

std::string ScreenDescription(int screen, bool interlaced = false) {
  // SCREEN 11 shows the same VRAM as SCREEN 10; only BASIC draws on them differently.
  const std::string name = screen == 10 ? "10/11" : std::to_string(screen);
  return " screen " + name + (interlaced ? " interlaced" : "") + " image";
}

// The level conversion of an engine: the V9958's when chosen, the V9938's otherwise.
uint8_t LevelType(uint8_t paletteType) {
  return paletteType == ptMSX9958 ? ptMSX9958 : ptMSX9938;
}

std::unique_ptr<TQoBitmap> IndexedBitmap(int32_t w, int32_t h, int depth,
                                         const TQoPalette* palette) {
  if (depth > 4) return std::make_unique<TQoBitmap8>(w, h, palette);
  return std::make_unique<TQoBitmap4>(w, h, palette);
}

// Pixel i of a stream of bitsPerPixel-bit pixels, leftmost pixel in the high bits.
uint32_t StreamPixel(const uint8_t* data, std::size_t i, int bitsPerPixel) {
  const std::size_t bit = i * static_cast<std::size_t>(bitsPerPixel);
  const int shift = 8 - bitsPerPixel - static_cast<int>(bit % 8);
  return (data[bit / 8] >> shift) & ((1u << bitsPerPixel) - 1);
}

std::size_t StreamBytes(int32_t w, int32_t h, int bitsPerPixel) {
  const auto pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  return (pixels * static_cast<std::size_t>(bitsPerPixel) + 7) / 8;
}

}  // namespace

// The shared palette machinery.

TQoBaseMSXEngine::TQoBaseMSXEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "MSX";
}

void TQoBaseMSXEngine::SetMSX2() {
  PaletteTypes = {ptMSX9938, ptMSX9958};
  PaletteType = ptMSX9938;
  PlatformName = "MSX2";
}

void TQoBaseMSXEngine::SetMSX2Plus() {
  PaletteTypes.clear();
  PaletteType = ptMSX9958;
  PlatformName = "MSX2+";
}

bool TQoBaseMSXEngine::FindCompanionPalette(const std::string& extension, int records) {
  const TQoByteView file = Source->CompanionWithExtension(extension);
  if (file.Size() < kPaletteBytes || !QoIsValidMSXPaletteRun(file, records)) return false;
  CompanionPalette = file;
  companionRecords_ = records;
  if (file.Size() != 8 * kPaletteBytes) return true;
  // Eight palettes: the valid ones unlike every palette before them are offered.
  const std::size_t compared = 2 * static_cast<std::size_t>(records);
  auto variants = std::make_shared<TQoPaletteVariantList>();
  for (std::size_t k = 0; k < 8; ++k) {
    const TQoByteView palette = file.Sub(k * kPaletteBytes, kPaletteBytes);
    if (!QoIsValidMSXPaletteRun(palette, records)) continue;
    bool distinct = true;
    for (std::size_t earlier = 0; earlier < k && distinct; ++earlier) {
      distinct = !std::equal(palette.Data(), palette.Data() + compared,
                             file.Data() + earlier * kPaletteBytes);
    }
    if (distinct) variants->push_back(VariantName(static_cast<int>(k) + 1));
  }
  if (variants->size() > 1) PaletteVariants = variants;
  return true;
}

bool TQoBaseMSXEngine::FindPalFile(const std::string& name) {
  const TQoByteView entries = QoMSXPalFileEntries(Source->CompanionBytes(name));
  if (entries.Empty()) return false;
  PalEntries = entries;
  return true;
}

void TQoBaseMSXEngine::SelectMSXPalette(TQoByteView vram, std::size_t paletteAddress, bool msx2,
                                        int count) {
  const uint8_t type = LevelType(PaletteType);
  Palette->Clear();
  if (!CompanionPalette.Empty()) {
    std::size_t number = 1;
    if (!PaletteVariant.empty()) {
      if (!PaletteVariants || std::find(PaletteVariants->begin(), PaletteVariants->end(),
                                        PaletteVariant) == PaletteVariants->end()) {
        qo::RaiseInternalError();
      }
      number = static_cast<std::size_t>(SelectedVariantNumber());
      if (number < 1 || number > 8) qo::RaiseInternalError();
    }
    QoAddMSXPaletteRecords(*Palette,
                           CompanionPalette.Sub((number - 1) * kPaletteBytes, kPaletteBytes),
                           companionRecords_, type);
  } else if (!PalEntries.Empty()) {
    for (std::size_t i = 0; i < 16; ++i) {
      Palette->Add(QoMSXLevel(PalEntries.U8(3 * i), type),
                   QoMSXLevel(PalEntries.U8(3 * i + 1), type),
                   QoMSXLevel(PalEntries.U8(3 * i + 2), type));
    }
  } else if (QoIsValidMSXPaletteRun(VramFrom(vram, paletteAddress), count)) {
    QoAddMSXPaletteRecords(*Palette, vram.From(paletteAddress), count, type);
  } else if (!msx2) {
    QoSetMSX1Palette(*Palette, count);
  } else {
    QoSetMSX2DefaultPalette(*Palette, count, type);
  }
  PaletteColumns = Palette->GetCount();
}

// Video RAM dumps.

uint8_t TQoSCEngine::Detect(TQoLoadSource& source, const TQoMSXScreenFormat& format) {
  const bool exact = SizeListed(format.ExactSizes, source.Size);
  // Under its own name a dump needs only the marker and enough VRAM; under any other
  // name it must have one of the sizes BSAVE writes and a header for address 0.
  if (format.Extensions.Has(source.Extension)) {
    if (CutDumpLines(source.Bytes(), format) > 0) {
      return QoDetect(source, {.Signed = true, .SizeFlag = false, .Extensions = format.Extensions});
    }
    return QoDetect(source, {.MinSize = TQoBloadHeader::kSize + format.MinimumVram,
                             .Signature = kBsaveMarker,
                             .SizeFlag = exact,
                             .Extensions = format.Extensions});
  }
  TQoBloadHeader header;
  if (!exact || !header.Read(source.Bytes()) ||
      !header.Matches(static_cast<std::size_t>(source.Size), 0xFE, 0, 0)) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = format.Extensions});
}

TQoSCEngine::TQoSCEngine(TQoLoadSource& source, const TQoMSXScreenFormat& format)
    : TQoBaseMSXEngine(source, format.ClassName), format_(format) {
  if (source.Size < static_cast<int32_t>(TQoBloadHeader::kSize)) qo::RaiseInternalError();
  Vram = Bytes().From(TQoBloadHeader::kSize);
  Width = format.Width;
  Height = format.Height;
  if (format.Screen == 12) {
    // SCREEN 12 dumps often stop below the last lines; the picture ends with them.
    Height = std::min<int32_t>(format.Height, static_cast<int32_t>(Vram.Size() / 256));
    if (Height < 1) qo::RaiseInternalError();
  } else if (Vram.Size() < format.MinimumVram) {
    // So do the others where the header says so; what follows the range is not VRAM.
    const int lines = CutDumpLines(Bytes(), format);
    if (lines > 0) {
      Height = std::min<int32_t>(format.Height, lines);
      Vram = Vram.Sub(0, static_cast<std::size_t>(lines) * (format.Screen <= 6 ? 128 : 256));
    }
  }
  ColorDepth = format.Depth;
  Description = ScreenDescription(format.Screen);
  const std::string& extension = source.Extension;
  const bool ownName = extension.rfind(".s0", 0) == 0 ||
                       (format.Screen >= 5 && format.Screen <= 7 && extension.rfind(".sr", 0) == 0);
  DefaultExtension = ownName && format.Extensions.Has(extension)
                         ? extension
                         : std::string(format.Extensions.First());
  AspectIndex = format.Width > 256 ? kQoAspect1138to2 : kQoAspect1138to1;

  if (format.Screen >= 5) FindSecondPage();
  static constexpr TQoExtensions kPalUsers = ".s02 .s03 .s04 .s05 .s06 .s07";
  bool pal = false;
  if (kPalUsers.Has(extension)) {
    pal = FindPalFile(QoReplaceExtension(source.Name, ".pal"));
    const std::string stem = source.Name.substr(0, source.Name.size() - extension.size());
    if (!pal && !SecondPage.Empty() && extension.rfind(".s0", 0) == 0 && !stem.empty()) {
      pal = FindPalFile(stem.substr(0, stem.size() - 1) + ".pal");
    }
  }
  if (format.CompanionExtension && extension == ".sr" + std::to_string(format.Screen)) {
    FindCompanionPalette(format.CompanionExtension, format.Screen == 6 ? 4 : 16);
  }

  switch (format.Screen) {
    case 2:
      IsMSX2 = Vram.Size() == 16384 ||
               QoIsValidMSXPaletteRun(VramFrom(Vram, format.PaletteAddress), 16) || pal;
      break;
    case 3:
      IsMSX2 = QoIsValidMSXPaletteRun(VramFrom(Vram, format.PaletteAddress), 16) || pal;
      break;
    default:
      IsMSX2 = true;
  }
  if (format.Screen >= 10) {
    SetMSX2Plus();
  } else if (IsMSX2) {
    SetMSX2();
  }
  ShowSprites = format.Screen != 3 && extension == format.Extensions.First() &&
                Vram.Size() > format.SpritesAboveVram && SecondPage.Empty();
  AspectMask |= QoAspectBit(AspectIndex);
}

void TQoSCEngine::FindSecondPage() {
  const std::string& name = Source->Name;
  const std::string& extension = Source->Extension;
  const std::string digit = extension.substr(extension.size() > 0 ? extension.size() - 1 : 0);
  const std::size_t minimum = format_.Screen <= 6 ? 27143 : 54279;
  TQoByteView page;
  if (extension == ".sc" + digit) {
    page = Source->CompanionWithExtension(".s1" + digit);
    if (page.Size() < minimum || page.U8(0) != 0xFE) return;
  } else if (extension == ".s0" + digit) {
    const std::string stem = name.substr(0, name.size() - extension.size());
    if (stem.empty() || stem.back() != '0') return;
    const std::string partner = stem.substr(0, stem.size() - 1) + "1" + name.substr(stem.size());
    page = Source->CompanionBytes(partner);
    TQoBloadHeader header;
    if (page.Size() != minimum || !header.Read(page) || !header.Matches(page.Size(), 0xFE, 0, 0)) {
      return;
    }
  } else {
    return;
  }
  SecondPage = page.From(TQoBloadHeader::kSize);
  Height *= 2;
  Description = ScreenDescription(format_.Screen, true);
  AspectIndex = format_.Width > 256 ? kQoAspect1138to1 : kQoAspect2276to1;
}

void TQoSCEngine::DecodeLine(TQoByteView vram, int line, uint32_t* values) const {
  const auto y = static_cast<std::size_t>(line);
  switch (format_.Screen) {
    case 2:
    case 4: {
      // Name table of 32 x 24 characters; each third of the screen has its own 256
      // patterns and their colours (a colour byte per pattern line: ink high, paper low).
      const std::size_t r = y / 8, k = y % 8;
      for (std::size_t c = 0; c < 32; ++c) {
        const std::size_t pattern = (r / 8) * 256 + vram.U8(0x1800 + r * 32 + c);
        const uint8_t bits = vram.U8(pattern * 8 + k);
        const uint8_t color = vram.U8(0x2000 + pattern * 8 + k);
        for (int i = 0; i < 8; ++i) {
          values[8 * c + static_cast<std::size_t>(i)] =
              (bits & (0x80 >> i)) ? static_cast<uint32_t>(color >> 4) : color & 15u;
        }
      }
      return;
    }
    case 3:
      // Blocks of 4 x 4 screen pixels: two per pattern byte.
      for (std::size_t c = 0; c < 32; ++c) {
        const uint8_t b = vram.U8((y / 8) * 256 + c * 8 + y % 8);
        values[2 * c] = b >> 4;
        values[2 * c + 1] = b & 15u;
      }
      return;
    default:
      break;
  }
  const std::size_t lineBytes = format_.Screen == 5 || format_.Screen == 6 ? 128 : 256;
  const uint8_t* row = vram.Ptr(y * lineBytes, lineBytes);
  const int bitsPerPixel = format_.Screen == 6 ? 2 : (format_.Screen == 8 ? 8 : 4);
  for (std::size_t x = 0; x < static_cast<std::size_t>(format_.Width); ++x) {
    values[x] = StreamPixel(row, x, bitsPerPixel);
  }
}

std::unique_ptr<TQoBitmap> TQoSCEngine::DecodeYJK() {
  const bool withPalette = format_.Screen == 10;
  // SCREEN 12 uses the palette only for the sprites.
  if (withPalette || ShowSprites) SelectMSXPalette(Vram, format_.PaletteAddress, true, 16);
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  const bool pair = !SecondPage.Empty();
  for (int y = 0; y < Height; ++y) {
    const TQoByteView page = pair && (y & 1) ? SecondPage : Vram;
    const auto line = static_cast<std::size_t>(pair ? y / 2 : y);
    QoDecodeYJKRow(page.Sub(line * 256, 256), Width, values.data(), false,
                   withPalette ? Palette.get() : nullptr);
    bmp->SetRow(y, values.data(), Width);
  }
  if (ShowSprites) {
    DrawMSXSprites(*bmp, Vram, format_.Screen, format_.SpriteAttributes, format_.SpritePatterns,
                   Palette.get());
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoSCEngine::Decode() {
  if (format_.Screen >= 10) return DecodeYJK();
  const bool screen8 = format_.Screen == 8;
  if (screen8) {
    QoSetScreen8Palette(*Palette, LevelType(PaletteType));
    PaletteColumns = 32;
  } else {
    SelectMSXPalette(Vram, format_.PaletteAddress, IsMSX2, format_.Screen == 6 ? 4 : 16);
  }
  const bool trueColor = screen8 && ShowSprites;
  std::unique_ptr<TQoBitmap> bmp = trueColor
                                       ? std::make_unique<TQoBitmap24>(Width, Height)
                                       : IndexedBitmap(Width, Height, ColorDepth, Palette.get());
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  const bool pair = !SecondPage.Empty();
  for (int y = 0; y < Height; ++y) {
    // An interlaced pair: even lines from the first page, odd lines from the second.
    const TQoByteView page = pair && (y & 1) ? SecondPage : Vram;
    DecodeLine(page, pair ? y / 2 : y, values.data());
    if (trueColor) {
      for (uint32_t& v : values) v = Palette->GetRGBQuad(static_cast<int>(v));
    }
    bmp->SetRow(y, values.data(), Width);
  }
  if (ShowSprites) {
    DrawMSXSprites(*bmp, Vram, format_.Screen, format_.SpriteAttributes, format_.SpritePatterns);
  }
  return bmp;
}

void TQoSCEngine::DrawMSXSprites(TQoBitmap& bmp, TQoByteView vram, int screen,
                                 std::size_t attributes, std::size_t patterns,
                                 const TQoPalette* palette) {
  const bool mode1 = screen <= 3;
  const uint8_t endMark = mode1 ? 208 : 216;
  // The video chip shows at most four (mode 1) or eight (mode 2) sprites on a line,
  // the first ones in the attribute table, wherever their columns are.
  const std::size_t perLine = mode1 ? 4 : 8;
  struct TLineSprite {
    int Left;          // column of the pattern's first pixel (early clock: 32 to the left)
    uint8_t Color;     // colour byte: early clock, CC (mode 2) and colour
    uint16_t Pattern;  // the row's 16 pattern bits, leftmost highest
  };
  std::vector<TLineSprite> line;
  line.reserve(perLine);
  for (int y = 0; y < bmp.Height; ++y) {
    // The sprites on this line, in priority order, read once for all its pixels.
    line.clear();
    for (std::size_t s = 0; s < 32; ++s) {
      const std::size_t entry = attributes + 4 * s;
      const uint8_t top = vram.U8(entry);
      if (top == endMark) break;
      const std::size_t r = static_cast<std::size_t>((y - top - 1) & 0xFF);
      if (r >= 16) continue;
      if (line.size() == perLine) break;
      const uint8_t colorByte = mode1 ? vram.U8(entry + 3) : vram.U8(attributes - 512 + s * 16 + r);
      const int left = vram.U8(entry + 1) - ((colorByte & 0x80) ? 32 : 0);
      uint16_t pattern = 0;
      if (left > -16) {  // some of it is on the screen
        const std::size_t row =
            patterns + static_cast<std::size_t>(vram.U8(entry + 2) & 0xFC) * 8 + r;
        pattern = static_cast<uint16_t>(vram.U8(row) << 8 | vram.U8(row + 16));
      }
      line.push_back({left, colorByte, pattern});
    }
    if (line.empty()) continue;
    for (int x = 0; x < 256; ++x) {
      uint32_t color = 0;
      bool drawn = false;      // a pattern bit was set
      bool plainSeen = false;  // mode 2: a sprite without CC has been met
      for (const TLineSprite& sprite : line) {
        const bool cc = !mode1 && (sprite.Color & 0x40) != 0;
        if (!mode1) {
          if (cc && !plainSeen) continue;
          if (!cc && drawn) break;
          if (!cc) plainSeen = true;
        }
        const int d = x - sprite.Left;
        if (d < 0 || d >= 16) continue;
        if (sprite.Pattern & (0x8000u >> d)) {
          color |= sprite.Color & 15u;
          drawn = true;
        }
      }
      // Mode 1 shows colour 0 as transparent; mode 2 draws whatever a sprite set.
      if (!drawn || (mode1 && color == 0)) continue;
      switch (screen) {
        case 6:
          bmp.SetPixel(2 * x, y, (color >> 2) & 3);
          bmp.SetPixel(2 * x + 1, y, color & 3);
          break;
        case 7:
          bmp.SetPixel(2 * x, y, color);
          bmp.SetPixel(2 * x + 1, y, color);
          break;
        case 8:
          bmp.SetPixel(x, y, QoScreen8SpriteColor(color));
          break;
        case 10:
        case 12:
          bmp.SetPixel(x, y, palette ? palette->GetRGBQuad(static_cast<int>(color)) : 0);
          break;
        default:
          bmp.SetPixel(x, y, color);
      }
    }
  }
}

// COPY files.

namespace {

bool ReadCopySize(TQoByteView bytes, int32_t& w, int32_t& h) {
  if (bytes.Size() <= 4) return false;
  w = bytes.LE16(0);
  h = bytes.LE16(2);
  return w >= 1 && w <= 8000 && h >= 1 && h <= 8000;
}

}  // namespace

uint8_t TQoGLEngine::Detect(TQoLoadSource& source, const TQoMSXStreamFormat& format) {
  int32_t w = 0, h = 0;
  if (!ReadCopySize(source.Bytes(), w, h)) return 0;
  return QoDetect(source, {.Size = StreamBytes(w, h, format.BitsPerPixel) + 4,
                           .Signed = true,
                           .Extensions = format.Extensions});
}

TQoGLEngine::TQoGLEngine(TQoLoadSource& source, const TQoMSXStreamFormat& format)
    : TQoBaseMSXEngine(source, format.ClassName), format_(format) {
  if (!ReadCopySize(Bytes(), Width, Height)) qo::RaiseInternalError();
  ColorDepth = format_.Depth;
  if (format_.Screen >= 10) {
    SetMSX2Plus();
  } else {
    SetMSX2();
  }
  Description = ScreenDescription(format_.Screen);
  DefaultExtension = format_.Extensions.First();
  AspectIndex = format_.AspectIndex;
  AspectMask |= QoAspectBit(AspectIndex);
  const char* companion = format_.CompanionExtension;
  if (format_.Screen == 10 && (source.Extension == ".glb" || source.Extension == ".shb")) {
    companion = ".plb";
    DefaultExtension = ".glb";
  }
  if (companion) FindCompanionPalette(companion, format_.Screen == 6 ? 4 : 16);
}

std::unique_ptr<TQoBitmap> TQoGLEngine::Decode() {
  if (format_.Screen >= 10) {
    const bool withPalette = format_.Screen == 10;
    if (withPalette) SelectMSXPalette(TQoByteView(), 0, true, 16);
    auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
    const auto w = static_cast<std::size_t>(Width);
    const TQoByteView data = Bytes().Sub(4, w * static_cast<std::size_t>(Height));
    std::vector<uint32_t> values(w);
    for (int y = 0; y < Height; ++y) {
      QoDecodeYJKRow(data.Sub(static_cast<std::size_t>(y) * w, w), Width, values.data(), false,
                     withPalette ? Palette.get() : nullptr);
      bmp->SetRow(y, values.data(), Width);
    }
    return bmp;
  }
  if (format_.Screen == 8) {
    QoSetScreen8Palette(*Palette, LevelType(PaletteType));
  } else {
    SelectMSXPalette(TQoByteView(), 0, true, format_.Screen == 6 ? 4 : 16);
  }
  auto bmp = IndexedBitmap(Width, Height, format_.BitsPerPixel, Palette.get());
  const uint8_t* data = Bytes().Ptr(4, StreamBytes(Width, Height, format_.BitsPerPixel));
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  std::size_t i = 0;
  for (int y = 0; y < Height; ++y) {
    for (uint32_t& v : values) v = StreamPixel(data, i++, format_.BitsPerPixel);
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// Packed files.

uint8_t TQoSREngine::Detect(TQoLoadSource& source, const TQoMSXStreamFormat& format) {
  TQoBloadHeader header;
  if (source.Size <= 6 || !header.Read(source.Bytes()) ||
      !header.Matches(static_cast<std::size_t>(source.Size), 0xFD, 0, 0)) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = format.Extensions});
}

TQoSREngine::TQoSREngine(TQoLoadSource& source, const TQoMSXStreamFormat& format)
    : TQoBaseMSXEngine(source, format.ClassName), format_(format) {
  Width = format_.Screen == 7 ? 512 : 256;
  Height = 212;
  ColorDepth = format_.BitsPerPixel;
  SetMSX2();
  Description = ScreenDescription(format_.Screen);
  DefaultExtension = format_.Extensions.First();
  AspectIndex = format_.AspectIndex;
  AspectMask |= QoAspectBit(AspectIndex);
  if (format_.CompanionExtension) FindCompanionPalette(format_.CompanionExtension, 16);
}

std::unique_ptr<TQoBitmap> TQoSREngine::Decode() {
  if (format_.Screen == 8) {
    QoSetScreen8Palette(*Palette, LevelType(PaletteType));
  } else {
    SelectMSXPalette(TQoByteView(), 0, true, 16);
  }
  // Unpack the run-length stream: a byte above 15 is itself; 1 to 15 repeat the next
  // byte that often; 0 is followed by a count (0 meaning 256) and the byte. A stream
  // that ends early leaves the rest of the picture at colour 0.
  std::vector<uint8_t> unpacked(StreamBytes(Width, Height, format_.BitsPerPixel));
  TQoByteCursor in(Bytes().From(TQoBloadHeader::kSize));
  std::size_t out = 0;
  while (out < unpacked.size() && in.Has(1)) {
    const uint8_t code = in.Next();
    std::size_t count = 1;
    uint8_t value = code;
    if (code == 0) {
      if (!in.Has(2)) break;
      count = in.Next();
      if (count == 0) count = 256;
      value = in.Next();
    } else if (code <= 15) {
      if (!in.Has(1)) break;
      count = code;
      value = in.Next();
    }
    count = std::min(count, unpacked.size() - out);
    std::fill_n(unpacked.begin() + static_cast<std::ptrdiff_t>(out), count, value);
    out += count;
  }
  auto bmp = IndexedBitmap(Width, Height, format_.BitsPerPixel, Palette.get());
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  std::size_t i = 0;
  for (int y = 0; y < Height; ++y) {
    for (uint32_t& v : values) v = StreamPixel(unpacked.data(), i++, format_.BitsPerPixel);
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// STP: SCREEN 6 pixels of which only the low bit is shown, black on white.

uint8_t TQoSTPEngine::Detect(TQoLoadSource& source) {
  int32_t w = 0, h = 0;
  if (!ReadCopySize(source.Bytes(), w, h)) return 0;
  const std::size_t n = StreamBytes(w, h, 2);
  return QoDetect(source,
                  {.MinSize = n + 4, .MaxSize = n + 8, .Signed = true, .Extensions = ".stp"});
}

TQoSTPEngine::TQoSTPEngine(TQoLoadSource& source) : TQoBaseMSXEngine(source, ClassName) {
  if (!ReadCopySize(Bytes(), Width, Height)) qo::RaiseInternalError();
  ColorDepth = 1;
  Description = " screen 6 B/W image";
  DefaultExtension = ".stp";
  AspectIndex = kQoAspect1138to2;
  AspectMask |= QoAspectBit(AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoSTPEngine::Decode() {
  SetMonoPalette(true);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const uint8_t* data = Bytes().Ptr(4, StreamBytes(Width, Height, 2));
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  std::size_t i = 0;
  for (int y = 0; y < Height; ++y) {
    for (uint32_t& v : values) v = StreamPixel(data, i++, 2) & 1u;
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// Packed SCREEN 5.

uint8_t TQoCMPEngine::Detect(TQoLoadSource& source) {
  TQoCMPHeader header;
  if (!header.Read(source.Bytes())) return 0;
  std::vector<uint8_t> unpacked;
  if (!QoUnpackMSXCMP(source.Bytes().From(TQoCMPHeader::kSize), header.LineBytes, header.Lines,
                      header.RawLines, unpacked)) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".cmp"});
}

TQoCMPEngine::TQoCMPEngine(TQoLoadSource& source) : TQoBaseMSXEngine(source, ClassName) {
  TQoCMPHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  Width = static_cast<int32_t>(2 * header.LineBytes);
  Height = static_cast<int32_t>(header.Lines);
  ColorDepth = 4;
  SetMSX2();
  Description = ScreenDescription(5);
  DefaultExtension = ".cmp";
  AspectIndex = kQoAspect1138to1;
  AspectMask |= QoAspectBit(AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoCMPEngine::Decode() {
  TQoCMPHeader header;
  std::vector<uint8_t> unpacked;
  if (!header.Read(Bytes()) || !QoUnpackMSXCMP(Bytes().From(TQoCMPHeader::kSize), header.LineBytes,
                                               header.Lines, header.RawLines, unpacked)) {
    qo::RaiseInternalError();
  }
  // The program kept no palette: the V9938's power-on colours.
  QoSetMSX2DefaultPalette(*Palette, 16, LevelType(PaletteType));
  PaletteColumns = 16;
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = unpacked.data() + static_cast<std::size_t>(y) * header.LineBytes;
    for (std::size_t x = 0; x < values.size(); ++x) values[x] = StreamPixel(row, x, 4);
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// Desktop-publishing pages.

namespace {

constexpr std::size_t kPCTHeader = 384;
constexpr std::string_view kPCTSignatures[2] = {"DYNAMIC PUBLISHER SCREEN",
                                                "E U R O PUBLISHER SCREEN"};

}  // namespace

uint8_t TQoPCTEngine::Detect(TQoLoadSource& source) {
  uint8_t flags = 0;
  for (std::string_view signature : kPCTSignatures) {
    flags = std::max(flags, QoDetect(source, {.MinSize = kPCTHeader + 1,
                                              .Signature = signature,
                                              .SizeFlag = false,
                                              .Extensions = ".pct"}));
  }
  return flags;
}

TQoPCTEngine::TQoPCTEngine(TQoLoadSource& source) : TQoBaseMSXEngine(source, ClassName) {
  PlatformName = "MSX2";
  Width = 512;
  Height = 704;
  ColorDepth = 1;
  Description = " screen 6 B/W image";
  DefaultExtension = ".pct";
  AspectIndex = kQoAspect1138to2;
  AspectMask |= QoAspectBit(AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoPCTEngine::Decode() {
  SetMonoPalette(true);
  auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  const std::size_t pixels = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
  std::size_t at = 0;
  // Each byte is eight pixels: its low nibble first, each nibble from its high bit.
  const auto put = [&](uint8_t value) {
    for (int bit : {3, 2, 1, 0, 7, 6, 5, 4}) {
      if (at >= pixels) return;
      bmp->SetPixel(static_cast<int32_t>(at % 512), static_cast<int32_t>(at / 512),
                    (value >> bit) & 1u);
      ++at;
    }
  };
  TQoByteCursor in(Bytes().From(std::min(kPCTHeader, Bytes().Size())));
  uint8_t control = 0;
  while (at < pixels && in.ReadByte(control)) {
    uint8_t value = 0;
    if (control & 0x80) {
      if (!in.ReadByte(value)) break;
      for (int i = 0; i <= (control & 0x7F); ++i) put(value);
    } else {
      for (int i = 0; i <= control && in.ReadByte(value); ++i) put(value);
    }
  }
  return bmp;
}

// V9990 pictures.

uint8_t TQoG9BEngine::Detect(TQoLoadSource& source) {
  TQoG9BHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signature = "G9B", .SizeFlag = false, .Extensions = ".g9b"});
}

TQoG9BEngine::TQoG9BEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  PlatformName = "MSX V9990 VDP";
  DefaultExtension = ".g9b";
  AspectIndex = kQoAspect1to1;
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  Width = Header.Width;
  Height = Header.Height;
  ColorDepth = Header.BitsPerPixel;
  static constexpr const char* kModeNames[] = {" BP2",  " BP4",  " BP6", " BD8",
                                               " BYJK", " BYUV", " BD16"};
  Description = std::string(kModeNames[Header.Mode]) + " image";
  // The chip's video RAM holds far smaller pictures than the header's 8000 x 8000, which
  // would need more than any allocation may take once the picture is shown in true colour.
  const auto pixels = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
  if (pixels * 4 > qo::kMaxAllocation) qo::RaiseInternalError();
}

TQoByteView TQoG9BEngine::Pixels() const {
  return TQoByteView(unpacked_.data(), unpacked_.size());
}

std::unique_ptr<TQoBitmap> TQoG9BEngine::Decode() {
  const TQoByteView file = Bytes();
  TQoByteView data = file.From(Header.DataAt());
  if (Header.Compressed) {
    if (unpacked_.empty()) unpacked_ = QoUnpackV9990(data, Header.PictureBytes());
    data = Pixels();
  }
  Palette->Clear();
  if (Header.Mode == TQoG9BHeader::kBD8) {
    QoSetV9990Direct8Palette(*Palette);
  } else {
    for (std::size_t i = 0; i < Header.PaletteCount; ++i) {
      const std::size_t at = Header.PaletteAt() + 3 * i;
      Palette->Add(QoMSXLevel5(file.U8(at)), QoMSXLevel5(file.U8(at + 1)),
                   QoMSXLevel5(file.U8(at + 2)));
    }
  }
  PaletteColumns = std::min(Palette->GetCount(), 16);

  std::unique_ptr<TQoBitmap> bmp;
  switch (Header.Mode) {
    case TQoG9BHeader::kBP2:
    case TQoG9BHeader::kBP4:
      bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
      break;
    case TQoG9BHeader::kBP6:
    case TQoG9BHeader::kBD8:
      bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
      break;
    default:
      bmp = std::make_unique<TQoBitmap24>(Width, Height);
  }
  const std::size_t rowBytes = Header.RowBytes();
  const int bits = Header.BitsPerPixel;
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const std::size_t start = static_cast<std::size_t>(y) * rowBytes;
    if (start >= data.Size()) break;
    // A short pixel area ends the picture with its last whole pixel (YJK: group).
    const std::size_t available = std::min(rowBytes, data.Size() - start);
    const TQoByteView row = data.Sub(start, available);
    int32_t count = 0;
    switch (Header.Mode) {
      case TQoG9BHeader::kBYJK:
      case TQoG9BHeader::kBYUV:
        count = available == rowBytes ? Width : static_cast<int32_t>(available / 4 * 4);
        QoDecodeYJKRow(row, count, values.data(), Header.Mode == TQoG9BHeader::kBYUV, nullptr);
        break;
      case TQoG9BHeader::kBD16:
        count = static_cast<int32_t>(available / 2);
        for (int32_t x = 0; x < count; ++x) {
          const uint16_t w = row.LE16(2 * static_cast<std::size_t>(x));
          values[static_cast<std::size_t>(x)] = static_cast<uint32_t>(QoMSXLevel5(w >> 5)) << 16 |
                                                static_cast<uint32_t>(QoMSXLevel5(w >> 10)) << 8 |
                                                QoMSXLevel5(w);
        }
        break;
      default:
        count = static_cast<int32_t>(
            std::min<std::size_t>(static_cast<std::size_t>(Width), available * 8 / bits));
        for (int32_t x = 0; x < count; ++x) {
          values[static_cast<std::size_t>(x)] =
              StreamPixel(row.Data(), static_cast<std::size_t>(x), bits);
        }
    }
    bmp->SetRow(y, values.data(), count);
  }
  return bmp;
}

void RegisterMSXEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoSC2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSC3Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSC4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSC5Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSR5Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoGL5Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoCMPEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSC6Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoGL6Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSTPEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoPCTEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSC7Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSR7Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoGL7Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSC8Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSR8Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoGL8Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSCAEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoGLAEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoSCCEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoGLCEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoG9BEngine>());
}
