// Plotting packed pixels: one byte (or one byte from each of two screens) becomes a run
// of pixels, so format engines only compute addresses and colours. Everything writes
// through SetPixel, which ignores coordinates outside the bitmap.

#include <algorithm>
#include <unordered_map>

#include "engine/QoSourceEngine.h"

namespace {

void SetIfAny(TQoBitmap* bmp, int x, int y, uint32_t value) {
  if (bmp) bmp->SetPixel(x, y, value);
}

// The field of `bits` bits that holds pixel i of a byte, leftmost pixel in the highest
// field.
uint32_t FieldMsbFirst(uint8_t value, int i, int bits) {
  const int pixelsPerByte = 8 / bits;
  const int shift = (pixelsPerByte - 1 - i) * bits;
  return (value >> shift) & ((1u << bits) - 1u);
}

// Two screens of `bits`-bit fields, most significant first: frame 1 gets the field of a,
// frame 2 that of b, the combined bitmap a * 2^bits + b.
void PlotPairFields(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2, uint8_t a, uint8_t b,
                    int column, int y, int n, int bits) {
  const int pixelsPerByte = 8 / bits;
  n = std::clamp(n, 0, pixelsPerByte);
  for (int i = 0; i < n; ++i) {
    const int x = column * pixelsPerByte + i;
    const uint32_t fa = FieldMsbFirst(a, i, bits);
    const uint32_t fb = FieldMsbFirst(b, i, bits);
    SetIfAny(frame1, x, y, fa);
    SetIfAny(frame2, x, y, fb);
    combined.SetPixel(x, y, (fa << bits) + fb);
  }
}

}  // namespace

void TQoSourceEngine::PlotMono8(TQoBitmap& bmp, uint8_t value, uint32_t paper, uint32_t ink,
                                int column, int y, int n) {
  n = std::clamp(n, 0, 8);
  for (int i = 0; i < n; ++i) {
    bmp.SetPixel(column * 8 + i, y, (value & (0x80 >> i)) ? ink : paper);
  }
}

void TQoSourceEngine::PlotMono4(TQoBitmap& bmp, uint8_t value, uint32_t paper, uint32_t ink,
                                int column, int y, int n) {
  n = std::clamp(n, 0, 4);
  for (int i = 0; i < n; ++i) {
    bmp.SetPixel(column * 4 + i, y, (value & (0x80 >> i)) ? ink : paper);
  }
}

void TQoSourceEngine::Plot2bpp(TQoBitmap& bmp, uint8_t value, int column, int y, int n) {
  n = std::clamp(n, 0, 4);
  for (int i = 0; i < n; ++i) bmp.SetPixel(column * 4 + i, y, FieldMsbFirst(value, i, 2));
}

void TQoSourceEngine::Plot2bppRun(TQoBitmap& bmp, TQoByteCursor& cursor, int column, int y,
                                  int count) {
  for (int i = 0; i < count; ++i) Plot2bpp(bmp, cursor.Next(), column + i, y);
}

void TQoSourceEngine::Plot4bppLowFirst(TQoBitmap& bmp, uint8_t value, int column, int y, int n) {
  n = std::clamp(n, 0, 2);
  if (n > 0) bmp.SetPixel(column * 2, y, value & 0x0Fu);
  if (n > 1) bmp.SetPixel(column * 2 + 1, y, value >> 4);
}

void TQoSourceEngine::PlotPair1LsbFirst(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                        uint8_t a, uint8_t b, int column, int y, int n) {
  n = std::clamp(n, 0, 8);
  for (int i = 0; i < n; ++i) {
    const int x = column * 8 + i;
    const uint32_t bitA = (a >> i) & 1u;
    const uint32_t bitB = (b >> i) & 1u;
    SetIfAny(frame1, x, y, bitA);
    SetIfAny(frame2, x, y, bitB);
    combined.SetPixel(x, y, bitA * 2 + bitB);
  }
}

void TQoSourceEngine::PlotPair1(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                uint8_t a, uint8_t b, int column, int y, int n) {
  PlotPairFields(combined, frame1, frame2, a, b, column, y, n, 1);
}

void TQoSourceEngine::PlotPair2(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                uint8_t a, uint8_t b, int column, int y, int n) {
  PlotPairFields(combined, frame1, frame2, a, b, column, y, n, 2);
}

void TQoSourceEngine::PlotPair4(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                uint8_t a, uint8_t b, int column, int y, int n) {
  PlotPairFields(combined, frame1, frame2, a, b, column, y, n, 4);
}

// Nibbles of which only bits 0-2 count (a 3-bit colour in each half of the byte).
void TQoSourceEngine::PlotPair3(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                uint8_t a, uint8_t b, int column, int y, int n) {
  n = std::clamp(n, 0, 2);
  for (int i = 0; i < n; ++i) {
    const int x = column * 2 + i;
    const int shift = i == 0 ? 4 : 0;
    const uint32_t va = (a >> shift) & 7u;
    const uint32_t vb = (b >> shift) & 7u;
    SetIfAny(frame1, x, y, va);
    SetIfAny(frame2, x, y, vb);
    combined.SetPixel(x, y, va * 8 + vb);
  }
}

namespace {

using TQoPairPlot = void (*)(TQoBitmap&, TQoBitmap*, TQoBitmap*, uint8_t, uint8_t, int, int, int);

void PlotPairRun(TQoPairPlot plot, int pixelsPerByte, TQoBitmap& combined, TQoBitmap* frame1,
                 TQoBitmap* frame2, TQoByteCursor& a, TQoByteCursor& b, int column, int y,
                 int count) {
  for (int i = 0; i < count; ++i) {
    const uint8_t va = a.Next();
    const uint8_t vb = b.Next();
    plot(combined, frame1, frame2, va, vb, column + i, y, pixelsPerByte);
  }
}

}  // namespace

void TQoSourceEngine::PlotPair1Run(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                   TQoByteCursor& a, TQoByteCursor& b, int column, int y,
                                   int count) {
  PlotPairRun(&PlotPair1, 8, combined, frame1, frame2, a, b, column, y, count);
}

void TQoSourceEngine::PlotPair2Run(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                   TQoByteCursor& a, TQoByteCursor& b, int column, int y,
                                   int count) {
  PlotPairRun(&PlotPair2, 4, combined, frame1, frame2, a, b, column, y, count);
}

void TQoSourceEngine::PlotPair3Run(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                   TQoByteCursor& a, TQoByteCursor& b, int column, int y,
                                   int count) {
  PlotPairRun(&PlotPair3, 2, combined, frame1, frame2, a, b, column, y, count);
}

void TQoSourceEngine::PlotPair4Run(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                   TQoByteCursor& a, TQoByteCursor& b, int column, int y,
                                   int count) {
  PlotPairRun(&PlotPair4, 2, combined, frame1, frame2, a, b, column, y, count);
}

void TQoSourceEngine::PlotAttrPair(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                   uint8_t a, uint8_t b, uint32_t paperA, uint32_t inkA,
                                   uint32_t paperB, uint32_t inkB, int column, int y, int n) {
  n = std::clamp(n, 0, 8);
  for (int i = 0; i < n; ++i) {
    const int x = column * 8 + i;
    const uint32_t colorA = (a & (0x80 >> i)) ? inkA : paperA;
    const uint32_t colorB = (b & (0x80 >> i)) ? inkB : paperB;
    SetIfAny(frame1, x, y, colorA);
    SetIfAny(frame2, x, y, colorB);
    combined.SetPixel(x, y, colorA * 16 + colorB);
  }
}

void TQoSourceEngine::ShiftRows(TQoBitmap& bmp, int count, uint32_t fill) const {
  if (count == 0) return;
  for (int y = 0; y < Height; ++y) {
    if (count > 0) {
      for (int x = Width - 1; x >= 0; --x) {
        bmp.SetPixel(x, y, x >= count ? bmp.GetPixel(x - count, y) : fill);
      }
    } else {
      for (int x = 0; x < Width; ++x) {
        bmp.SetPixel(x, y, x - count < Width ? bmp.GetPixel(x - count, y) : fill);
      }
    }
  }
}

void TQoSourceEngine::ComposeFrames(TQoBitmap& bmp) const {
  if (bmp.FrameCount() != 2 || !bmp.Palette) qo::RaiseInternalError();
  const TQoBitmap* first = bmp.Frames->GetBitmap(0);
  const TQoBitmap* second = bmp.Frames->GetBitmap(1);
  if (!first->Palette || !second->Palette) qo::RaiseInternalError();
  const int n = first->Palette->GetCount();
  if (second->Palette->GetCount() != n || n * n != bmp.Palette->GetCount()) {
    qo::RaiseInternalError();
  }
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      bmp.SetPixel(x, y, second->GetPixel(x, y) + static_cast<uint32_t>(n) * first->GetPixel(x, y));
    }
  }
}

// A true-colour picture of at most 256 colours becomes indexed, its palette sorted
// dark to light; with more colours it stays as it is.
void TQoSourceEngine::ReduceTrueColor(std::unique_ptr<TQoBitmap>& bmp) {
  if (!bmp || bmp->BitsPerPixel != 24) return;
  Palette->Clear();
  try {
    for (int y = 0; y < bmp->Height; ++y) {
      for (int x = 0; x < bmp->Width; ++x) Palette->AddUnique(bmp->GetPixel(x, y));
    }
  } catch (const ETooManyColors&) {
    Palette->Clear();
    return;
  }
  Palette->SortByLuminance(0);
  std::unordered_map<uint32_t, uint32_t> indexOf;
  for (int i = 0; i < Palette->GetCount(); ++i) {
    indexOf.emplace(Palette->GetRGBQuad(i), static_cast<uint32_t>(i));
  }
  std::unique_ptr<TQoBitmap> indexed = QoCreateBitmapFor(bmp->Width, bmp->Height, Palette.get());
  for (int y = 0; y < bmp->Height; ++y) {
    for (int x = 0; x < bmp->Width; ++x) indexed->SetPixel(x, y, indexOf.at(bmp->GetPixel(x, y)));
  }
  bmp = std::move(indexed);
}
