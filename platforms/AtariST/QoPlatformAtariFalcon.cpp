#include "platforms/AtariST/QoPlatformAtariFalcon.h"

#include <algorithm>

#include "platforms/AtariST/QoPlatformAtariST.h"
#include "platforms/AtariST/QoPlatformAtariSTUnpack.h"

namespace {

bool IsPowerOfTwoDepth(uint32_t colors, int& planes) {
  for (planes = 1; planes <= 8; planes *= 2) {
    if (colors == (1u << planes)) return true;
  }
  return false;
}

// w * h * bytes per pixel, 64-bit so that header fields cannot overflow it.
uint64_t Area(uint64_t width, uint64_t height, uint64_t bytes = 1) {
  return width * height * bytes;
}

}  // namespace

std::size_t QoAtariPlaneBytes(uint32_t width, uint32_t height, uint32_t planes) {
  return (static_cast<std::size_t>(width) + 15) / 16 * 2 * height * planes;
}

std::unique_ptr<TQoBitmap> QoDecodePackedRows(TQoByteView pixels, int32_t width, int32_t height,
                                              int storedBits, int bitmapBits,
                                              const TQoPalette256* palette) {
  if (width <= 0 || height <= 0 ||
      (storedBits != 1 && storedBits != 2 && storedBits != 4 && storedBits != 8)) {
    qo::RaiseInternalError();
  }
  std::unique_ptr<TQoBitmap> bmp;
  if (bitmapBits <= 1) {
    bmp = std::make_unique<TQoBitmap1>(width, height, palette);
  } else if (bitmapBits <= 4) {
    bmp = std::make_unique<TQoBitmap4>(width, height, palette);
  } else {
    bmp = std::make_unique<TQoBitmap8>(width, height, palette);
  }
  const auto w = static_cast<std::size_t>(width);
  const std::size_t rowBytes = (w * static_cast<std::size_t>(storedBits) + 7) / 8;
  const auto perByte = static_cast<std::size_t>(8 / storedBits);
  const uint32_t mask = (1u << storedBits) - 1;
  std::vector<uint32_t> values(w);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels.Ptr(static_cast<std::size_t>(y) * rowBytes, rowBytes);
    for (std::size_t x = 0; x < w; ++x) {
      const auto shift = static_cast<unsigned>(8 - storedBits * static_cast<int>(x % perByte + 1));
      values[x] = (row[x / perByte] >> shift) & mask;
    }
    bmp->SetRow(y, values.data(), width);
  }
  return bmp;
}

// uConvert.

bool TQoUIMGHeader::Read(TQoByteView file) {
  if (file.Size() <= kSize || !file.Matches(0, "UIMG") || file.U8(4) != 1 || file.U8(5) != 0) {
    return false;
  }
  PaletteKind = file.U8(7) & 3u;
  Depth = file.U8(8);
  Storage = file.U8(9);
  Width = file.BE16(10);
  Height = file.BE16(12);
  if (Width == 0 || Height == 0 || Depth > 32) return false;
  const uint64_t n = Area(Width, Height);
  Entries = PaletteKind == kNoPalette || Depth > 8 ? 0 : 1 << Depth;
  PaletteBytes = static_cast<std::size_t>(Entries) * (PaletteKind == kFalconPalette ? 4 : 2);
  const uint64_t packed = n * Depth / 8 + PaletteBytes + kSize;
  const uint64_t size = file.Size();
  auto depthIn = [&](std::initializer_list<int> depths) {
    return std::find(depths.begin(), depths.end(), Depth) != depths.end();
  };
  bool shape = false;
  bool bytesBelowEntries = false;
  if (PaletteKind == kSTPalette || PaletteKind == kTTPalette) {
    const bool depthOk = PaletteKind == kSTPalette ? depthIn({1, 2, 4}) : depthIn({1, 2, 4, 6, 8});
    if (Storage == kPlanes) {
      shape = depthOk && Width % 16 == 0 && size == packed;
    } else if (Storage == kBytes) {
      shape = depthOk && size == n + PaletteBytes + kSize;
      bytesBelowEntries = true;
    } else if (Storage == kPackedPixels) {
      shape = depthIn({1, 2, 4}) && (Depth != 1 || Width % 16 == 0) &&
              (Depth != 2 || Width % 8 == 0) && size == packed;
    }
  } else if (PaletteKind == kFalconPalette) {
    if (Storage == kPlanes) {
      shape = depthIn({1, 2, 4, 6, 8}) && Width % 16 == 0 && size == packed;
    } else if (Storage == kBytes) {
      shape = depthIn({1, 2, 4, 6, 8}) && size == n + PaletteBytes + kSize;
      bytesBelowEntries = true;
    }
  } else {
    shape = (Storage == kRGB565 && Depth == 16 && size == 2 * n + kSize) ||
            (Storage == kRGB24 && Depth == 24 && size == 3 * n + kSize) ||
            (Storage == kXRGB32 && Depth == 32 && size == 4 * n + kSize);
  }
  if (!shape) return false;
  Palette = file.Sub(kSize, PaletteBytes);
  Pixels = file.From(kSize + PaletteBytes);
  if (bytesBelowEntries) {
    for (std::size_t i = 0; i < Pixels.Size(); ++i) {
      if (Pixels.U8(i) >= Entries) return false;
    }
  }
  if (PaletteKind == kFalconPalette) return IsValidFalconPalette(Palette, Entries);
  if (PaletteKind != kNoPalette) return IsValidSTPalette(Palette, Entries);
  return true;
}

std::string TQoUIMGHeader::Extension() const {
  if (Storage == kPlanes) return ".bp" + std::to_string(Depth);
  if (Storage == kBytes || Storage == kRGB565 || Storage == kRGB24 || Storage == kXRGB32 ||
      Storage == kPackedPixels) {
    return (Depth > 9 ? ".c" : ".c0") + std::to_string(Depth);
  }
  return {};
}

// DeskPic.

bool TQoDeskPicHeader::Read(TQoByteView file) {
  if (file.Size() <= kSize || !file.Matches(0, "GF25")) return false;
  Colors = file.BE32(4);
  Width = file.BE32(8);
  Height = file.BE32(12);
  const uint32_t length = file.BE32(16);
  if (!IsPowerOfTwoDepth(Colors, Planes) || Width < 1 || Width > 9999 || Height < 1 ||
      Height > 9999 || length != QoAtariPlaneBytes(Width, Height, static_cast<uint32_t>(Planes)) ||
      !file.Has(kSize, length + 6 * static_cast<std::size_t>(Colors))) {
    return false;
  }
  Pixels = file.Sub(kSize, length);
  Palette = file.Sub(kSize + length, 6 * static_cast<std::size_t>(Colors));
  return IsValidVDIPalette(Palette, static_cast<int>(Colors));
}

// ComputerEyes.

bool TQoComputerEyesHeader::Read(TQoByteView file) {
  if (!file.Matches(0, "EYES")) return false;
  Mode = file.BE16(4);
  const TQoByteView data = file.From(kData);
  switch (Mode) {
    case 0:
      if (file.Size() != 192022) return false;
      for (std::size_t i = 0; i < data.Size(); ++i) {
        if (data.U8(i) > 63) return false;
      }
      return true;
    case 1:
      if (file.Size() != 256022) return false;
      for (std::size_t i = 0; i < data.Size(); i += 2) {
        if (data.U8(i) & 0x80) return false;
      }
      return true;
    case 2:
      if (file.Size() != 256022) return false;
      for (std::size_t i = 0; i < data.Size(); ++i) {
        if (data.U8(i) > 191) return false;
      }
      return true;
    default:
      return false;
  }
}

// ImageLab and Print-Technik.

bool TQoImageLabHeader::Read(TQoByteView file) {
  if (file.Size() <= kPixels || !file.Matches(0, "B&W256")) return false;
  Width = file.BE16(6);
  Height = file.BE16(8);
  return Width != 0 && Height != 0 && file.Size() == Area(Width, Height) + kPixels;
}

bool TQoPrintTechnikHeader::Read(TQoByteView file) {
  if (file.Size() <= kPixels || !file.Matches(0, std::string_view("\x0F\x0F\x00\x01", 4)))
    return false;
  Width = file.BE16(4);
  Height = file.BE16(6);
  if (Width == 0 || Height == 0 || file.BE16(8) != 1 ||
      file.Size() != Area(Width, Height) + kPixels) {
    return false;
  }
  for (std::size_t i = kPixels; i < file.Size(); ++i) {
    if (file.U8(i) >= 128) return false;
  }
  return true;
}

// TruePaint.

bool TQoTruePaintHeader::Read(TQoByteView file) {
  if (file.Size() <= kPalette || !file.Matches(0, std::string_view("PNT\0\1\0", 6))) return false;
  Colors = file.BE16(6);
  Width = file.BE16(8);
  Height = file.BE16(10);
  Planes = file.BE16(12);
  const uint16_t packing = file.BE16(14);
  const uint32_t length = file.BE32(16);
  if ((Planes != 1 && Planes != 2 && Planes != 4 && Planes != 8) || Colors != (1u << Planes) ||
      packing > 1 || Width == 0 || Height == 0) {
    return false;
  }
  Packed = packing == 1;
  const std::size_t pixels = kPalette + 6 * static_cast<std::size_t>(Colors);
  if (!file.Has(pixels, length)) return false;
  const std::size_t unpacked = QoAtariPlaneBytes(Width, Height, Planes);
  if (Packed ? length == 0 || unpacked > kQoFalconMaxBuffer : length != unpacked) return false;
  Palette = file.Sub(kPalette, 6 * static_cast<std::size_t>(Colors));
  Pixels = file.Sub(pixels, length);
  return true;
}

// DuneGraph.

bool TQoDuneGraphHeader::ReadDG1(TQoByteView file) {
  if (file.Size() <= 1032 || !file.Matches(0, "DGU\1")) return false;
  Width = file.BE16(4);
  Height = file.BE16(6);
  if (Width == 0 || Height == 0 || file.Size() != Area(Width, Height) + 1032) return false;
  Palette = file.Sub(8, 1024);
  Data = file.From(1032);
  return IsValidFalconPalette(Palette, 256);
}

bool TQoDuneGraphHeader::ReadDC1(TQoByteView file) {
  if (file.Size() <= 1034 || !file.Matches(0, "DGC") || file.U8(3) > 3) return false;
  Packing = file.U8(3);
  Width = file.BE16(4);
  Height = file.BE16(6);
  if (Width == 0 || Height == 0) return false;
  Palette = file.Sub(10, 1024);
  Data = file.From(1034);
  if (!IsValidFalconPalette(Palette, 256)) return false;
  if (Packing == 0) return file.Size() == Area(Width, Height) + 1034;
  return BufferSize() <= kQoFalconMaxBuffer &&
         QoPlayDuneGraphRuns(Data, Packing, nullptr, BufferSize());
}

bool QoPlayDuneGraphRuns(TQoByteView data, uint8_t packing, uint8_t* out, std::size_t size) {
  if (packing < 1 || packing > 3 || data.Size() <= 4 || data.BE32(0) != data.Size()) return false;
  const std::size_t valueBytes = packing == 1 ? 1 : packing == 2 ? 2 : 4;
  TQoByteCursor in(data, 4);
  std::size_t filled = 0;
  while (in.Remaining() > 0) {
    uint32_t count = 0;
    if (packing == 1) {
      uint8_t c = 0;
      if (!in.TryNext(c)) return false;
      count = c;
    } else {
      uint16_t c = 0;
      if (!in.TryNextBE16(c)) return false;
      count = c;
    }
    const uint8_t* value = in.TakePointer(valueBytes);
    if (!value) return false;
    const std::size_t bytes = (static_cast<std::size_t>(count) + 1) * valueBytes;
    if (bytes > size - filled) return false;
    if (out) {
      for (std::size_t i = 0; i < bytes; ++i) out[filled + i] = value[i % valueBytes];
    }
    filled += bytes;
  }
  return filled == size;
}

// Spooky Sprites.

bool QoPlaySpookyRuns(TQoByteView data, uint32_t counts, uint8_t* out, std::size_t words) {
  TQoByteCursor in(data);
  std::size_t filled = 0;
  uint8_t last[2] = {0, 0};
  for (uint32_t k = 0; k < counts && filled < words; ++k) {
    uint8_t c = 0;
    if (!in.TryNext(c)) return false;
    std::size_t n = c;
    if (c == 255) {
      uint16_t more = 0;
      if (!in.TryNextBE16(more)) return false;
      n = 255u + more;
    }
    const bool copy = k % 2 == 0;
    for (std::size_t i = 0; i < n && filled < words; ++i, ++filled) {
      if (copy) {
        const uint8_t* word = in.TakePointer(2);
        if (!word) return false;
        last[0] = word[0];
        last[1] = word[1];
      }
      if (out) {
        out[2 * filled] = last[0];
        out[2 * filled + 1] = last[1];
      }
    }
  }
  return filled == words;
}

// TmS Cranach.

bool TQoCranachHeader::Read(TQoByteView file) {
  if (file.Size() <= 812 || !file.Matches(0, std::string_view("TMS\0", 4))) return false;
  HeaderLength = file.BE16(4);
  Width = file.BE16(6);
  Height = file.BE16(8);
  Planes = file.BE16(10);
  if (HeaderLength < 812 || Width == 0 || Height == 0) return false;
  const uint64_t size = file.Size();
  switch (Planes) {
    case 1:
      return file.BE16(12) == 1 && size == HeaderLength + Area((Width + 7) / 8, Height);
    case 8:
      return size == HeaderLength + Area(Width, Height);
    case 24:
      return file.BE16(12) == 3 && size == HeaderLength + Area(Width, Height, 3);
    default:
      return false;
  }
}

// Funny Paint.

bool TQoFunnyPaintHeader::Read(TQoByteView file) {
  if (file.Size() <= kPixels || !file.Matches(0, std::string_view("\x00\x0A\xCF\xE2", 4)))
    return false;
  Width = file.BE16(4);
  Height = file.BE16(6);
  Planes = file.BE16(8);
  if (Width == 0 || Height == 0 || file.BE16(10) != 1) return false;
  const uint64_t b = QoAtariPlaneBytes(Width, Height, 1);
  const uint64_t size = file.Size();
  switch (Planes) {
    case 1:
      return size >= 12 * b + 13;
    case 2:
    case 4:
    case 8: {
      const std::size_t colors = std::size_t{1} << Planes;
      if (size < b * Planes + 6 * colors + 25) return false;
      Palette = file.Sub(static_cast<std::size_t>(b * Planes + 25), 6 * colors);
      return IsValidVDIPalette(Palette, static_cast<int>(colors));
    }
    case 16:
      return size >= Area(Width, Height, 2) + 25;
    default:
      return false;
  }
}

// InShape.

bool TQoInShapeHeader::Read(TQoByteView file) {
  if (file.Size() <= kPixels || !file.Matches(0, "IS_IMAGE")) return false;
  Type = file.BE16(8);
  Width = file.BE16(12);
  Height = file.BE16(14);
  if (Width == 0 || Height == 0) return false;
  const uint64_t size = file.Size() - kPixels;
  switch (Type) {
    case 0:
      return size == Area((Width + 7) / 8, Height);
    case 1:
      return size == Area(Width, Height);
    case 4:
      return size == Area(Width, Height, 3);
    case 5:
      return size == Area(Width, Height, 4);
    default:
      return false;
  }
}

// PixArt.

bool TQoPixArtHeader::Read(TQoByteView file) {
  if (!file.Matches(0, "PIXT") || !file.Has(0, 12)) return false;
  const uint16_t version = file.BE16(4);
  if (version != 1 && version != 2) return false;
  const std::size_t header = version == 1 ? 14 : 16;
  Mode = file.U8(6);
  Depth = file.U8(7);
  Width = file.BE16(8);
  Height = file.BE16(10);
  if (Width == 0 || Width % 16 != 0 || Height == 0) return false;
  const uint64_t n = Area(Width, Height);
  std::size_t palette = 0;
  uint64_t pixels = 0;
  switch (Depth) {
    case 1:
      pixels = n / 8;
      break;
    case 2:
    case 4:
      if (Mode != 1) return false;
      palette = 3 * (std::size_t{1} << Depth);
      pixels = n / 8 * Depth;
      break;
    case 8:
      if (Mode > 1) return false;
      palette = 768;
      pixels = n;
      break;
    case 16:
      if (Mode > 2) return false;
      pixels = 2 * n;
      break;
    case 24:
      if (Mode > 1) return false;
      pixels = 3 * n;
      break;
    case 32:
      pixels = 4 * n;
      break;
    default:
      return false;
  }
  if (file.Size() != header + palette + pixels) return false;
  Palette = file.Sub(header, palette);
  Pixels = file.From(header + palette);
  return true;
}

// The plain 16-bit headers.

bool TQoAtariFalconHighColorHeader::Read(TQoByteView file,
                                         const TQoAtariFalconHighColorFormat& row) {
  Other = !row.OtherSignature.empty() && file.Matches(0, row.OtherSignature);
  if (!Other && !file.Matches(0, row.Signature)) return false;
  const std::size_t header = std::max({row.WidthAt, row.HeightAt, row.PixelsAtField}) + 2;
  if (!file.Has(0, header)) return false;
  Width = file.BE16(row.WidthAt);
  Height = file.BE16(row.HeightAt);
  // A start of the words given by the file may not lie inside its own header.
  Pixels = row.PixelsAtField ? file.BE16(row.PixelsAtField) : row.PixelsAt;
  return Width != 0 && Height != 0 && Pixels >= header &&
         file.Size() == Pixels + Area(Width, Height, 2);
}

// Rembrandt.

bool TQoRembrandtHeader::Read(TQoByteView file) {
  if (file.Size() < 19 || !file.Matches(0, "TRUECOLR") || file.BE32(8) != file.Size()) {
    return false;
  }
  const std::size_t o = file.BE16(12);
  if (o < 18 || file.BE16(16) != 1 || !file.Has(o, 19) || !file.Matches(o, "PICT")) return false;
  const uint32_t length = file.BE32(o + 4);
  const uint16_t header = file.BE16(o + 8);
  Width = file.BE16(o + 10);
  Height = file.BE16(o + 12);
  if (header <= 197 || Width == 0 || Height == 0 || file.U8(o + 18) != 0 ||
      length != Area(Width, Height, 2) || o + header > file.Size() ||
      length != file.Size() - o - header) {
    return false;
  }
  Pixels = o + header;
  return true;
}

// Rag-D.

bool TQoRagDHeader::Read(TQoByteView file) {
  if (!file.Has(0, kPalette) || !file.Matches(0, "RAG-D!") || file.BE16(6) != 0) return false;
  const uint32_t screen = file.BE32(8);
  Width = file.BE16(12);
  Height = file.BE16(14) + 1u;
  Planes = file.BE16(16);
  PaletteLength = file.BE32(18);
  if (Width == 0 || Width % 16 != 0 ||
      (Planes != 1 && Planes != 2 && Planes != 4 && Planes != 8 && Planes != 16) ||
      (PaletteLength != 32 && PaletteLength != 1024) ||
      screen != uint64_t{Width} / 8 * (Height - 1) * Planes) {
    return false;
  }
  const uint16_t options = file.BE16(22);
  MusicCompile2 = options == 0xFFFF && file.BE16(24) == 0xFFFF && file.BE16(26) == 0xFFFF &&
                  file.BE16(28) == 0xFFFF;
  uint64_t extra = 0;
  if (!MusicCompile2) {
    if (options & 1) extra += 370;
    if (options & 2) extra += 8;
  }
  const uint64_t pixels = uint64_t{Width} / 8 * Height * Planes;
  if (file.Size() != kPalette + PaletteLength + pixels + extra) return false;
  Palette = file.Sub(kPalette, PaletteLength);
  Pixels = file.Sub(kPalette + PaletteLength, static_cast<std::size_t>(pixels));
  if (Planes == 16) return true;
  if (Planes == 8) return PaletteLength == 1024 && IsValidFalconPalette(Palette, 256);
  const int entries = 1 << Planes;
  return PaletteLength == 1024 ? IsValidFalconPalette(Palette, entries)
                               : IsValidSTPalette(Palette, entries);
}

// DelmPaint.

bool QoUnpackDelmPaintBlocks(TQoByteView file, int listed, bool trailing,
                             std::vector<uint8_t>* out) {
  const std::size_t table = 4 * static_cast<std::size_t>(listed);
  if (file.Size() <= table) return false;
  const int blocks = listed + (trailing ? 1 : 0);
  std::vector<uint8_t> first(kQoSTScreenBytes);
  if (out) out->assign(kQoSTScreenBytes * static_cast<std::size_t>(blocks), 0);
  std::size_t at = table;
  for (int k = 0; k < blocks; ++k) {
    std::size_t length = 0;
    if (k < listed) {
      length = file.BE32(4 * static_cast<std::size_t>(k));
      if (length < 1 || !file.Has(at, length)) return false;
    } else {
      if (at >= file.Size()) return false;
      length = file.Size() - at;
    }
    uint8_t* target = out ? out->data() + kQoSTScreenBytes * static_cast<std::size_t>(k)
                          : (k == 0 ? first.data() : nullptr);
    TQoCrackArtReader reader;
    if (!reader.Start(file.Sub(at, length)) ||
        QoFillWithOffset(reader, target) < kQoSTScreenBytes) {
      return false;
    }
    if (k == 0 && !IsValidFalconPalette(TQoByteView(target, 1024), 256)) return false;
    at += length;
  }
  return true;
}
