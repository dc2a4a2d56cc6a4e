// DEEP true-colour pictures, and the picture and sprite banks of AMOS BASIC.

#include <algorithm>
#include <string>

#include "base/QoErrors.h"
#include "engine/QoStreamReaders.h"
#include "platforms/Amiga/QoOpenPlatformAmiga.h"

namespace {

constexpr TQoExtensions kAMOSExtensions = ".abk";

// Detection of the banks rests on their signatures, not on a size.
uint8_t BankAnswer(const TQoLoadSource& source) {
  return QoDetect(source, {.Signed = true, .SizeFlag = false, .Extensions = kAMOSExtensions});
}

// Clears the palette and loads count 12-bit colour words.
void LoadColorWords(TQoByteView words, int count, TQoPalette256& palette) {
  palette.Clear();
  for (int i = 0; i < count; ++i) {
    const std::size_t at = 2 * static_cast<std::size_t>(i);
    palette.Add(words.Has(at, 2) ? QoAmigaColor12(words.BE16(at)) : TQoStdRGBColor{});
  }
}

// The indexed bitmap of a screen of 1 to 6 planes.
std::unique_ptr<TQoBitmap> IndexedBitmap(int planes, int32_t width, int32_t height,
                                         TQoPalette256* palette) {
  if (planes == 1) return std::make_unique<TQoBitmap1>(width, height, palette);
  if (planes >= 2 && planes <= 4) return std::make_unique<TQoBitmap4>(width, height, palette);
  if (planes >= 5 && planes <= 6) return std::make_unique<TQoBitmap8>(width, height, palette);
  qo::RaiseInternalError();
}

// The palette of an AMOS screen or bank: 32 colours and their halves for six planes of
// extra half-brite, else one colour per value.
void LoadScreenPalette(TQoByteView words, int planes, TQoPalette256& palette) {
  if (planes == 6) {
    LoadColorWords(words, 32, palette);
    QoExtendHalfBrite(palette);
  } else {
    LoadColorWords(words, 1 << planes, palette);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// DEEP

uint8_t TQoAmigaDEEPEngine::Detect(TQoLoadSource& source) {
  TQoDEEPChunks chunks;
  if (!chunks.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = kQoAmigaIFFExtensions});
}

TQoAmigaDEEPEngine::TQoAmigaDEEPEngine(TQoLoadSource& source)
    : TQoAmigaIFFEngine(source, ClassName) {
  if (!chunks_.Read(Bytes())) qo::RaiseInternalError();
  ANNOChunk = chunks_.ANNO;
  AUTHChunk = chunks_.AUTH;
  BodyChunk = chunks_.DBOD;
  SetTexts();
  Width = chunks_.Width;
  Height = chunks_.Height;
  ColorDepth = 0;
  for (const TQoDEEPElement& e : chunks_.Elements) ColorDepth += e.Depth;
  Description = " image";
  // The display size stands for the page, as the BMHD's does in an ILBM.
  Header.PageWidth = chunks_.DisplayWidth;
  Header.PageHeight = chunks_.DisplayHeight;
  Header.XAspect = chunks_.XAspect;
  Header.YAspect = chunks_.YAspect;
  SelectAspect();
}

TQoByteView TQoAmigaDEEPEngine::PixelBytes() {
  if (unpacked_) return pixelData_;
  const TQoByteView body = chunks_.DBOD.Data;
  const std::size_t size = chunks_.PixelBytes();
  switch (chunks_.Compression) {
    case 0:
      pixelData_ = body;
      break;
    case 1:
      pixels_.assign(size, 0);
      QoUnpackPackBits(body, pixels_.data(), size);
      pixelData_ = TQoByteView(pixels_.data(), size);
      break;
    case 5:
      pixels_.assign(size, 0);
      QoUnpackDEEPDeltas(body, chunks_.TVDC.Data, Width, Height,
                         static_cast<int>(chunks_.Elements.size()), pixels_.data());
      pixelData_ = TQoByteView(pixels_.data(), size);
      break;
    default:
      qo::RaiseInternalError();
  }
  unpacked_ = true;
  return pixelData_;
}

std::unique_ptr<TQoBitmap> TQoAmigaDEEPEngine::Decode() {
  const TQoByteView data = PixelBytes();
  Palette->Clear();
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  TQoByteCursor in(data);
  std::vector<uint32_t> row(static_cast<std::size_t>(Width), 0);
  for (int y = 0; y < Height; ++y) {
    std::fill(row.begin(), row.end(), 0u);
    bool ended = false;
    for (int x = 0; x < Width && !ended; ++x) {
      uint32_t r = 0, g = 0, b = 0;
      for (const TQoDEEPElement& e : chunks_.Elements) {
        uint8_t v = 0;
        if (!in.TryNext(v)) {
          ended = true;
          break;
        }
        if (e.Type == 1) r = v;
        if (e.Type == 2) g = v;
        if (e.Type == 3) b = v;
      }
      if (!ended) row[static_cast<std::size_t>(x)] = r << 16 | g << 8 | b;
    }
    bmp->SetRow(y, row.data(), Width);
    if (ended) break;
  }
  return bmp;
}

// ---------------------------------------------------------------------------------------
// AMOS picture banks

uint8_t TQoAmigaAMOSEngine::Detect(TQoLoadSource& source) {
  TQoAMOSPicture picture;
  return picture.Read(source.Bytes()) ? BankAnswer(source) : 0;
}

TQoAmigaAMOSEngine::TQoAmigaAMOSEngine(TQoLoadSource& source)
    : TQoAmigaIFFEngine(source, ClassName) {
  if (!picture_.Read(Bytes())) qo::RaiseInternalError();
  ModeName = "AMOS";
  DefaultExtension = std::string(kAMOSExtensions.First());
  Width = 8 * static_cast<int32_t>(picture_.RowBytes);
  Height = picture_.Height();
  ColorDepth = picture_.Planes;
  displayMode_ = picture_.DisplayMode();
  Camg = displayMode_;
  Description = picture_.Planes == 6 ? (picture_.IsHam() ? " HAM6 image" : " EHB image") : " image";
  Header.PageWidth = picture_.ScreenWidth;
  Header.PageHeight = picture_.ScreenHeight;
  Header.XAspect = 1;
  Header.YAspect = 1;
  AspectIndex = QoAmigaAspectIndex(true, displayMode_, Header, AspectIndex);
}

std::unique_ptr<TQoBitmap> TQoAmigaAMOSEngine::Decode() {
  if (!unpacked_) {
    const std::size_t size = picture_.PlanarSize();
    if (size > qo::kMaxAllocation) throw EOutOfResources();
    planes_.assign(size, 0);
    QoUnpackAMOSPicture(Bytes(), picture_, planes_.data());
    unpacked_ = true;
  }
  const TQoByteView data(planes_.data(), planes_.size());
  const std::size_t rowBytes = picture_.RowBytes;
  const std::size_t planeSize = rowBytes * static_cast<std::size_t>(Height);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  if (picture_.IsHam()) {
    LoadColorWords(picture_.Colors, 16, *Palette);
    auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
    std::vector<uint32_t> colors(values.size());
    for (int y = 0; y < Height; ++y) {
      QoReadPlanarRow(data, static_cast<std::size_t>(y) * rowBytes, planeSize, 6, Width,
                      values.data());
      QoDecodeHam6Row(values.data(), Width, *Palette, colors.data());
      bmp->SetRow(y, colors.data(), Width);
    }
    // A hold-and-modify picture has no palette to show.
    Palette->Clear();
    return bmp;
  }
  LoadScreenPalette(picture_.Colors, picture_.Planes, *Palette);
  auto bmp = IndexedBitmap(picture_.Planes, Width, Height, Palette.get());
  for (int y = 0; y < Height; ++y) {
    QoReadPlanarRow(data, static_cast<std::size_t>(y) * rowBytes, planeSize, picture_.Planes, Width,
                    values.data());
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// ---------------------------------------------------------------------------------------
// AMOS sprite and icon banks

uint8_t TQoAmigaAMOSSpriteBankEngine::Detect(TQoLoadSource& source) {
  TQoAMOSSpriteBank bank;
  return bank.Read(source.Bytes()) ? BankAnswer(source) : 0;
}

TQoAmigaAMOSSpriteBankEngine::TQoAmigaAMOSSpriteBankEngine(TQoLoadSource& source)
    : TQoAmigaIFFEngine(source, ClassName) {
  if (!bank_.Read(Bytes())) qo::RaiseInternalError();
  ModeName = "AMOS";
  DefaultExtension = std::string(kAMOSExtensions.First());
  ColorDepth = bank_.MaxPlanes;
  if (bank_.Sprites.size() == 1) {
    Width = bank_.Sprites[0].Width();
    Height = bank_.Sprites[0].Height;
    Description = bank_.Icons ? " icon" : " sprite";
  } else {
    positions_ = std::make_unique<TQoSpritePositions>();
    for (const TQoAMOSSprite& sprite : bank_.Sprites) {
      if (!sprite.Empty()) positions_->AddSprite(sprite.Width(), sprite.Height);
    }
    positions_->Layout();
    Width = positions_->SheetWidth;
    Height = positions_->SheetHeight;
    const std::string count = std::to_string(bank_.NonEmpty);
    Description =
        bank_.Icons ? " icon bank (" + count + " icons)" : " sprite bank (" + count + " sprites)";
  }
}

std::unique_ptr<TQoBitmap> TQoAmigaAMOSSpriteBankEngine::Decode() {
  LoadScreenPalette(bank_.Colors, ColorDepth, *Palette);
  auto bmp = IndexedBitmap(ColorDepth, Width, Height, Palette.get());
  int k = 0;
  for (const TQoAMOSSprite& sprite : bank_.Sprites) {
    if (sprite.Empty()) continue;
    int32_t left = 0, top = 0;
    if (positions_) {
      const TQoSprite* place = positions_->GetSprite(k);
      left = place->X;
      top = place->Y;
    }
    ++k;
    const std::size_t rowBytes = 2 * static_cast<std::size_t>(sprite.Words);
    const std::size_t planeSize = rowBytes * sprite.Height;
    std::vector<uint32_t> values(static_cast<std::size_t>(sprite.Width()));
    for (int y = 0; y < sprite.Height; ++y) {
      QoReadPlanarRow(sprite.Data, static_cast<std::size_t>(y) * rowBytes, planeSize, sprite.Planes,
                      sprite.Width(), values.data());
      for (int x = 0; x < sprite.Width(); ++x) {
        bmp->SetPixel(left + x, top + y, values[static_cast<std::size_t>(x)]);
      }
    }
  }
  return bmp;
}
