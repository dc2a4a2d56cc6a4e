// Plotting packed pixels: one byte (or one byte from each of two screens) becomes a run
// of pixels, so format engines only compute addresses and colours. The pixels of a byte
// are gathered first and stored as one run (TQoBitmap::SetRun), which drops whatever
// falls outside the bitmap.

#include <algorithm>
#include <unordered_map>

#include "engine/QoSourceEngine.h"

namespace {

// The field of `bits` bits that holds pixel i of a byte, leftmost pixel in the highest
// field.
uint32_t FieldMsbFirst(uint8_t value, int i, int bits) {
  const int pixelsPerByte = 8 / bits;
  const int shift = (pixelsPerByte - 1 - i) * bits;
  return (value >> shift) & ((1u << bits) - 1u);
}

// Frame 1 (when there is one) gets the values of a, frame 2 those of b, the combined
// bitmap each pair joined.
void PlotPairRuns(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2, int x, int y,
                  const uint32_t* a, const uint32_t* b, const uint32_t* both, int n) {
  if (frame1) frame1->SetRun(x, y, a, n);
  if (frame2) frame2->SetRun(x, y, b, n);
  combined.SetRun(x, y, both, n);
}

// Two screens of `bits`-bit fields, most significant first: frame 1 gets the field of a,
// frame 2 that of b, the combined bitmap a * 2^bits + b.
void PlotPairFields(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2, uint8_t a, uint8_t b,
                    int column, int y, int n, int bits) {
  const int pixelsPerByte = 8 / bits;
  n = std::clamp(n, 0, pixelsPerByte);
  uint32_t fa[8], fb[8], both[8];
  for (int i = 0; i < n; ++i) {
    fa[i] = FieldMsbFirst(a, i, bits);
    fb[i] = FieldMsbFirst(b, i, bits);
    both[i] = (fa[i] << bits) + fb[i];
  }
  PlotPairRuns(combined, frame1, frame2, column * pixelsPerByte, y, fa, fb, both, n);
}

// Pixels of one colour pair from the bits of a byte, most significant first.
void MonoRun(uint8_t value, uint32_t paper, uint32_t ink, int n, uint32_t* out) {
  for (int i = 0; i < n; ++i) out[i] = (value & (0x80 >> i)) ? ink : paper;
}

// The leftmost `pixels` bits of a byte (8 or 4) as one run from column * pixels.
void PlotMonoBits(TQoBitmap& bmp, uint8_t value, uint32_t paper, uint32_t ink, int column, int y,
                  int n, int pixels) {
  n = std::clamp(n, 0, pixels);
  uint32_t run[8];
  MonoRun(value, paper, ink, n, run);
  bmp.SetRun(column * pixels, y, run, n);
}

}  // namespace

void TQoSourceEngine::PlotMono8(TQoBitmap& bmp, uint8_t value, uint32_t paper, uint32_t ink,
                                int column, int y, int n) {
  PlotMonoBits(bmp, value, paper, ink, column, y, n, 8);
}

void TQoSourceEngine::PlotMono4(TQoBitmap& bmp, uint8_t value, uint32_t paper, uint32_t ink,
                                int column, int y, int n) {
  PlotMonoBits(bmp, value, paper, ink, column, y, n, 4);
}

void TQoSourceEngine::Plot2bpp(TQoBitmap& bmp, uint8_t value, int column, int y, int n) {
  n = std::clamp(n, 0, 4);
  uint32_t run[4];
  for (int i = 0; i < n; ++i) run[i] = FieldMsbFirst(value, i, 2);
  bmp.SetRun(column * 4, y, run, n);
}

void TQoSourceEngine::Plot2bppRun(TQoBitmap& bmp, TQoByteCursor& cursor, int column, int y,
                                  int count) {
  for (int i = 0; i < count; ++i) Plot2bpp(bmp, cursor.Next(), column + i, y);
}

void TQoSourceEngine::Plot4bppLowFirst(TQoBitmap& bmp, uint8_t value, int column, int y, int n) {
  n = std::clamp(n, 0, 2);
  const uint32_t run[2] = {value & 0x0Fu, static_cast<uint32_t>(value >> 4)};
  bmp.SetRun(column * 2, y, run, n);
}

void TQoSourceEngine::PlotPair1LsbFirst(TQoBitmap& combined, TQoBitmap* frame1, TQoBitmap* frame2,
                                        uint8_t a, uint8_t b, int column, int y, int n) {
  n = std::clamp(n, 0, 8);
  uint32_t bitsA[8], bitsB[8], both[8];
  for (int i = 0; i < n; ++i) {
    bitsA[i] = (a >> i) & 1u;
    bitsB[i] = (b >> i) & 1u;
    both[i] = bitsA[i] * 2 + bitsB[i];
  }
  PlotPairRuns(combined, frame1, frame2, column * 8, y, bitsA, bitsB, both, n);
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
  uint32_t va[2], vb[2], both[2];
  for (int i = 0; i < n; ++i) {
    const int shift = i == 0 ? 4 : 0;
    va[i] = (a >> shift) & 7u;
    vb[i] = (b >> shift) & 7u;
    both[i] = va[i] * 8 + vb[i];
  }
  PlotPairRuns(combined, frame1, frame2, column * 2, y, va, vb, both, n);
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
  uint32_t colorsA[8], colorsB[8], both[8];
  MonoRun(a, paperA, inkA, n, colorsA);
  MonoRun(b, paperB, inkB, n, colorsB);
  for (int i = 0; i < n; ++i) both[i] = colorsA[i] * 16 + colorsB[i];
  PlotPairRuns(combined, frame1, frame2, column * 8, y, colorsA, colorsB, both, n);
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
