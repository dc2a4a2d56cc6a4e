#include "platforms/TRSE/QoOpenPlatformTRSE.h"

#include <string>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "engine/QoFormatRow.h"
#include "platforms/AmstradCPC/QoPlatformAmstradCPC.h"
#include "platforms/BBCMicro/QoPlatformBBCMicro.h"
#include "platforms/BK0010/QoPlatformBK0010.h"
#include "platforms/Commodore64/QoPlatformCommodore64.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"

namespace {

// The depth of a palette of n colours: 1 up to 2, then the bits n needs.
int32_t DepthFor(int32_t n) {
  int32_t depth = 1;
  while ((1 << depth) < n) ++depth;
  return depth;
}

}  // namespace

uint8_t TQoTRSEEngine::Detect(TQoLoadSource& source) {
  TQoFluffHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".flf"});
}

TQoTRSEEngine::TQoTRSEEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
  ModeName = "TRSE";
  DefaultExtension = ".flf";
  if (!Header.Read(Bytes())) qo::RaiseInternalError();
  Width = Header.Width;
  Height = Header.Height;
  switch (Header.Type) {
    case 1:
    case 4:
    case 5:
    case 6:
    case 7:
      PlatformName = kQoCommodore64PlatformName;
      ColorDepth = 4;
      AspectMask = QoC64HiresAspectMask();
      AspectIndex = kQoC64HiresAspect;
      PaletteType = ptCommandore64Dark;
      break;
    case 11:
    case 36:
      PlatformName = "IBM";
      ColorDepth = Header.Type == 11 ? 2 : 4;
      Description = " CGA image";
      AspectIndex = kQoAspect5to6;
      PaletteType = ptBackCyanMagentaWhiteHigh;
      break;
    case 12:
    case 13:
    case 22:
    case 27:
      // Without a palette after the pixels: 8 bits of grey, or black and white for EGA.
      ColorDepth =
          Header.TailColors > 0 ? DepthFor(Header.TailColors) : (Header.Type == 27 ? 1 : 8);
      if (Header.Type == 22) {
        PlatformName = "Atari ST";
        AspectIndex = kQoAspect5to6;
      } else if (Header.Type == 27) {
        PlatformName = "IBM";
        Description = " EGA image";
        AspectIndex = kQoAspect5to6;
      } else {
        PlatformName = "Amiga";
        Description = Header.Type == 12 ? " NTSC" : " PAL";
        AspectIndex = Header.Type == 12 ? 23 : 29;  // "6:7", "26:25"
      }
      break;
    case 24:
    case 25:
      PlatformName = "Amstrad CPC";
      Description = " mode 0 image";
      ColorDepth = 4;
      AspectMask = QoAspectBit(kQoAspect5to3) | QoAspectBit(kQoAspect2to1);
      AspectIndex = kQoAspect5to3;
      PaletteTypes = {ptCPCGateArray, ptCPCGateArrayRGB, ptCPCASIC, ptCPCASICRGB};
      PaletteType = ptCPCGateArray;
      break;
    case 26:
      PlatformName = "BBC Micro";
      Description = " mode " + std::to_string(Header.BBCMode) + " image";
      if (Header.BBCMode == 4) {
        ColorDepth = 1;
        AspectIndex = 31;  // "13:12"
        AspectMask = QoAspectBit(30) | QoAspectBit(31);
      } else {
        ColorDepth = Header.BBCMode == 2 ? 3 : 2;
        AspectIndex = 50;  // "13:6"
        AspectMask = QoAspectBit(kQoAspect2to1) | QoAspectBit(49) | QoAspectBit(50);
      }
      break;
    case 28:
      PlatformName = "ZX Spectrum";
      ColorDepth = 4;
      PaletteType = SetDefaultSpectrumPaletteTypes();
      break;
    case 43:
      PlatformName.clear();
      ColorDepth = 2;
      break;
    default:
      qo::RaiseInternalError();
  }
}

void TQoTRSEEngine::BuildPalette() {
  const TQoByteView data = Bytes();
  switch (Header.Type) {
    case 1:
    case 4:
    case 5:
    case 6:
    case 7:
      QoSetCommodore64Palette(*Palette, ptCommandore64Dark);
      break;
    case 11:
      QoSetCGAPalette4(*Palette, ptBackCyanMagentaWhiteHigh);
      break;
    case 36:
      QoSetCGAPalette16(*Palette);
      break;
    case 12:
    case 13:
    case 22:
    case 27:
      if (Header.TailColors > 0) {
        Palette->Clear();
        for (int32_t i = 0; i < Header.TailColors; ++i) {
          const std::size_t at = Header.TailAt + 3 * static_cast<std::size_t>(i);
          Palette->Add(data.U8(at), data.U8(at + 1), data.U8(at + 2));
        }
        // Values up to the depth's mask stay inside the palette.
        while (Palette->GetCount() < (1 << ColorDepth)) Palette->Add(0u);
      } else if (Header.Type == 27) {
        SetMonoPalette(false);
      } else {
        SetGrayPalette(false);
      }
      break;
    case 24:
    case 25: {
      TQoPalette256 firmware;
      QoSetCPCPalette27(firmware, PaletteType);
      Palette->Clear();
      const std::size_t inks = Header.FooterAt(data) + kQoFluffFooterColors;
      for (std::size_t i = 0; i < 16; ++i) {
        const uint8_t number = data.U8(inks + i);
        Palette->Add(firmware.GetRGBQuad(number < kQoCPCFirmwareColors ? number : 0));
      }
      break;
    }
    case 26: {
      // The footer's colours when they are BBC colour numbers, at least one not black;
      // otherwise the mode's colours after a reset.
      const int count = Header.BBCMode == 2 ? 8 : Header.BBCMode == 4 ? 2 : 4;
      bool own = Header.HasFooter;
      bool lit = false;
      const std::size_t at = own ? Header.FooterAt(data) + kQoFluffFooterColors : 0;
      for (int i = 0; own && i < count; ++i) {
        const uint8_t c = data.U8(at + static_cast<std::size_t>(i));
        if (c > 7) own = false;
        if (c != 0) lit = true;
      }
      Palette->Clear();
      if (own && lit) {
        for (int i = 0; i < count; ++i)
          Palette->Add(QoBBCColor(data.U8(at + static_cast<std::size_t>(i))));
      } else if (Header.BBCMode == 4) {
        SetMonoPalette(false);
      } else if (Header.BBCMode == 5) {
        for (int c : {0, 1, 3, 7}) Palette->Add(QoBBCColor(c));
      } else {
        for (int c = 0; c < 8; ++c) Palette->Add(QoBBCColor(c));
      }
      break;
    }
    case 28:
      SetZxPalette16(*Palette, PaletteType);
      break;
    default:
      QoSetBK0011Palette(*Palette, 1);
      break;
  }
}

std::unique_ptr<TQoBitmap> TQoTRSEEngine::DecodeCells() const {
  // One 12-byte record a cell, row by row: eight line bytes, then the cell's colours.
  const TQoByteView data = Bytes();
  auto bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  const bool hires = Header.Type == 6;
  for (int32_t row = 0; row < kQoC64Rows; ++row) {
    for (int32_t column = 0; column < kQoC64Columns; ++column) {
      const std::size_t cell =
          Header.PixelsAt + 12 * static_cast<std::size_t>(row * kQoC64Columns + column);
      for (int32_t line = 0; line < 8; ++line) {
        const uint8_t byte = data.U8(cell + static_cast<std::size_t>(line));
        for (int32_t x = 0; x < 8; ++x) {
          // The least significant bits are leftmost.
          const unsigned value = hires ? (byte >> (x & 7)) & 1u : (byte >> (x & 6)) & 3u;
          bmp->SetPixel(column * 8 + x, row * 8 + line, data.U8(cell + 8 + value) & 15u);
        }
      }
    }
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoTRSEEngine::DecodeCharacters() const {
  const TQoByteView data = Bytes();
  auto bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  const int32_t columns = Width / 8;
  const std::size_t cells =
      static_cast<std::size_t>(columns) * static_cast<std::size_t>(Height / 8);
  const uint32_t background = Header.Background & 15u;
  for (int32_t row = 0; row < Height / 8; ++row) {
    for (int32_t column = 0; column < columns; ++column) {
      const std::size_t cell = static_cast<std::size_t>(row * columns + column);
      const uint32_t ink = data.U8(Header.PixelsAt + cell) & 15u;
      const uint8_t code = data.U8(Header.PixelsAt + cells + cell);
      for (int32_t line = 0; line < 8; ++line) {
        const uint8_t bits = kQoCommodore64Charset[code * 8u + static_cast<unsigned>(line)];
        for (int32_t x = 0; x < 8; ++x) {
          bmp->SetPixel(column * 8 + x, row * 8 + line, (bits >> (7 - x)) & 1 ? ink : background);
        }
      }
    }
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoTRSEEngine::Decode() {
  BuildPalette();
  if (Header.Type <= 6) return DecodeCells();
  if (Header.Type == 7) return DecodeCharacters();
  const TQoByteView data = Bytes();
  auto bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  // A mono EGA picture shows every non-zero byte white.
  const bool mono = Header.Type == 27 && Header.TailColors < 0;
  const uint32_t mask = (1u << ColorDepth) - 1u;
  const TQoByteView pixels =
      data.Sub(Header.PixelsAt, static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height));
  std::size_t at = 0;
  for (int32_t y = 0; y < Height; ++y) {
    for (int32_t x = 0; x < Width; ++x, ++at) {
      const uint8_t byte = pixels.U8(at);
      bmp->SetPixel(x, y, mono ? (byte != 0 ? 1u : 0u) : byte & mask);
    }
  }
  return bmp;
}

void RegisterTRSEEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoTRSEEngine>());
}
