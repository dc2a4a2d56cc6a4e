#include "platforms/Amiga/QoOpenPlatformAmiga.h"

#include "color/QoAspect.h"
#include "engine/QoStreamReaders.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

constexpr uint32_t kBMHD = QoIFFId("BMHD");
constexpr uint32_t kCAMG = QoIFFId("CAMG");
constexpr uint32_t kCMAP = QoIFFId("CMAP");
constexpr uint32_t kBODY = QoIFFId("BODY");
constexpr uint32_t kABIT = QoIFFId("ABIT");
constexpr uint32_t kANNO = QoIFFId("ANNO");
constexpr uint32_t kAUTH = QoIFFId("AUTH");
constexpr uint32_t kCRNG = QoIFFId("CRNG");
constexpr uint32_t kCCRT = QoIFFId("CCRT");
constexpr uint32_t kPCHG = QoIFFId("PCHG");
constexpr uint32_t kCTBL = QoIFFId("CTBL");
constexpr uint32_t kBEAM = QoIFFId("BEAM");
constexpr uint32_t kSHAM = QoIFFId("SHAM");
constexpr uint32_t kRAST = QoIFFId("RAST");
constexpr uint32_t kVDAT = QoIFFId("VDAT");

constexpr std::size_t kFormHeader = 12;

// Names an Atari ST paint program gives its ILBM pictures.
constexpr TQoExtensions kAtariSTExtensions = ".bl1 .bl2 .bl3";

// The answer of a file whose form and chunks the engine has checked itself.
uint8_t SignatureAnswer(const TQoLoadSource& source) {
  return QoDetect(source, {.Signed = true, .Extensions = kQoAmigaIFFExtensions});
}

uint32_t Quad(uint32_t r, uint32_t g, uint32_t b) {
  return r << 16 | g << 8 | b;
}

const TQoPaletteRGB& Table444() {
  static const TQoPaletteRGB table(ptRGB444);
  return table;
}

// What detection of every IFF engine shares: at most one of the chunks that describe
// the picture, each of the right shape.
struct TQoIFFScan {
  TQoIFFBitmapHeader Header;
  TQoIFFChunk Body;
  bool HasBMHD = false;
  bool HasCMAP = false;

  // False on a second BMHD, CAMG, CMAP or body, a CAMG not of 4 bytes, a CMAP not made
  // of whole entries, or a BMHD that bmhdOk refuses.
  template <class F>
  bool Run(TQoByteView file, bool cmapAllowed, F bmhdOk) {
    bool hasCamg = false;
    for (const TQoIFFChunk& chunk : QoReadIFFChunks(file, kFormHeader)) {
      switch (chunk.Id) {
        case kBMHD:
          if (HasBMHD || !Header.Read(chunk) || !bmhdOk(Header)) return false;
          HasBMHD = true;
          break;
        case kCAMG:
          if (hasCamg || chunk.Size() != 4) return false;
          hasCamg = true;
          break;
        case kCMAP:
          if (!cmapAllowed) break;
          if (HasCMAP || chunk.Size() % 3 != 0) return false;
          HasCMAP = true;
          break;
        case kBODY:
        case kABIT:
          if (Body.Present()) return false;
          Body = chunk;
          break;
        default:
          break;
      }
    }
    return HasBMHD && Body.Present();
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------
// The IFF base

TQoAmigaIFFEngine::TQoAmigaIFFEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Amiga";
  DefaultExtension = std::string(kQoAmigaIFFExtensions.First());
}

void TQoAmigaIFFEngine::CollectChunks(bool stopAtInvalidRange) {
  const TQoByteView file = Bytes();
  IsACBM = file.Matches(8, "ACBM");
  bool rangesStopped = false;
  for (const TQoIFFChunk& chunk : QoReadIFFChunks(file, kFormHeader)) {
    switch (chunk.Id) {
      case kBMHD:
        BMHDChunk = chunk;
        break;
      case kCAMG:
        CAMGChunk = chunk;
        break;
      case kCMAP:
        CMAPChunk = chunk;
        break;
      case kBODY:
      case kABIT:
        BodyChunk = chunk;
        break;
      case kANNO:
        ANNOChunk = chunk;
        break;
      case kAUTH:
        AUTHChunk = chunk;
        break;
      case kPCHG:
        PCHGChunk = chunk;
        break;
      case kCTBL:
      case kBEAM:
        CTBLChunk = chunk;
        break;
      case kSHAM:
        SHAMChunk = chunk;
        break;
      case kRAST:
        RASTChunk = chunk;
        break;
      case kCRNG: {
        if (rangesStopped) break;
        TQoIFFColorRange range;
        if (range.Read(chunk) && range.IsValid()) {
          CRNGChunks.push_back(chunk);
        } else if (stopAtInvalidRange) {
          rangesStopped = true;
        }
        break;
      }
      case kCCRT: {
        TQoIFFColorCycle cycle;
        if (!CCRTChunk.Present() && cycle.Read(chunk) && cycle.IsValid()) CCRTChunk = chunk;
        break;
      }
      default:
        break;
    }
  }
  if (!BMHDChunk.Present() || !Header.Read(BMHDChunk) || !Header.HasSaneSize() ||
      !BodyChunk.Present()) {
    qo::RaiseInternalError();
  }
  if (CAMGChunk.Present()) {
    if (CAMGChunk.Size() != 4) qo::RaiseInternalError();
    Camg = CAMGChunk.Data.BE32(0);
  }
}

void TQoAmigaIFFEngine::SetTexts() {
  const std::string anno = QoAmigaText(ANNOChunk.Data);
  const std::string auth = QoAmigaText(AUTHChunk.Data);
  InfoTitle = !anno.empty() && !auth.empty() ? anno + "/" + auth : anno + auth;
}

void TQoAmigaIFFEngine::SetDescription(const std::string& kinds) {
  Description = QoAmigaDisplayModeNames(HasCamg(), Camg) + kinds + " image";
}

void TQoAmigaIFFEngine::AddCycleRanges() {
  if (ColorDepth > 8 || !CMAPChunk.Present()) return;
  const int n = CMAPCount();
  if (!CRNGChunks.empty()) {
    for (const TQoIFFChunk& chunk : CRNGChunks) {
      TQoIFFColorRange range;
      if (!range.Read(chunk) || range.Low >= n || range.High >= n) continue;
      const int32_t delay = QoCycleDelayFromRate(range.Rate);
      if (delay == 0) continue;
      AddCycleRange(range.Low, range.High, (range.Flags & 2u) ? 1 : 0, delay);
    }
  } else if (CCRTChunk.Present()) {
    TQoIFFColorCycle cycle;
    if (cycle.Read(CCRTChunk) && cycle.Start < n && cycle.End < n) {
      AddCycleRange(cycle.Start, cycle.End, cycle.Direction == 1 ? 1 : 0,
                    QoCycleDelayFromTime(cycle.Seconds, cycle.Microseconds));
    }
  }
  HasColorCycling = CycleRanges.Count > 0 ? 1 : 0;
}

void TQoAmigaIFFEngine::SelectAspect() {
  AspectIndex = QoAmigaAspectIndex(HasCamg(), Camg, Header, AspectIndex);
}

TQoByteView TQoAmigaIFFEngine::PreparedBody(int storedPlanes) {
  if (bodyPrepared_) return planeData_;
  const std::size_t needed =
      static_cast<std::size_t>(storedPlanes) * Header.Height * Header.RowBytes();
  if (needed > qo::kMaxAllocation) throw EOutOfResources();
  const TQoByteView body = BodyChunk.Data;
  switch (Header.Compression) {
    case 0:
      if (body.Size() >= needed || !BodyChunk.Cut) {
        planeData_ = body;
      } else {
        // A body cut by the end of the file: the rows it does not reach stay 0.
        planeBuffer_.assign(needed, 0);
        std::copy(body.Data(), body.Data() + body.Size(), planeBuffer_.begin());
        planeData_ = TQoByteView(planeBuffer_.data(), needed);
      }
      break;
    case 1:
      // Some writers set the flag but store the planes as they are.
      if (body.Size() == needed) {
        planeData_ = body;
      } else {
        planeBuffer_.assign(needed, 0);
        QoUnpackPackBits(body, planeBuffer_.data(), needed);
        planeData_ = TQoByteView(planeBuffer_.data(), needed);
      }
      break;
    case 2: {
      planeBuffer_.assign(needed, 0);
      const std::vector<TQoIFFChunk> columns = QoReadIFFChunks(body, 0);
      for (int p = 0; p < Header.Planes; ++p) {
        const auto i = static_cast<std::size_t>(p);
        if (i >= columns.size() || columns[i].Id != kVDAT) qo::RaiseInternalError();
        QoUnpackVDAT(columns[i].Data, planeBuffer_.data(), needed, p, Header.RowBytes(),
                     Header.Height, static_cast<std::size_t>(storedPlanes) * Header.RowBytes());
      }
      planeData_ = TQoByteView(planeBuffer_.data(), needed);
      break;
    }
    default:
      qo::RaiseInternalError();
  }
  bodyPrepared_ = true;
  return planeData_;
}

std::unique_ptr<TQoAmigaBasePCHG> TQoAmigaIFFEngine::CreateLineChanges() const {
  switch (LineChangeKind) {
    case TQoAmigaLineChanges::PCHG:
      return std::make_unique<TQoAmigaPCHG>(LineChangeChunk, Height);
    case TQoAmigaLineChanges::CTBL:
      return std::make_unique<TQoAmigaBEAM>(LineChangeChunk, Height);
    case TQoAmigaLineChanges::SHAM:
      return std::make_unique<TQoAmigaSHAM>(LineChangeChunk, Height, Interlaced());
    case TQoAmigaLineChanges::RAST:
      return std::make_unique<TQoAmigaRAST>(LineChangeChunk, Height);
    case TQoAmigaLineChanges::None:
      break;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------
// ILBM and ACBM

uint8_t TQoAmigaILBMEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (!QoIsIFFForm(file, "ILBM") && !QoIsIFFForm(file, "ACBM")) return 0;
  TQoIFFScan scan;
  const bool ok = scan.Run(file, true, [](const TQoIFFBitmapHeader& h) {
    return h.HasSaneSize() && h.Planes != 0 && h.Compression <= 2;
  });
  if (!ok) return 0;
  const TQoIFFBitmapHeader& h = scan.Header;
  if (h.Compression == 2) {
    // One VDAT chunk of vertical word runs per plane.
    const std::vector<TQoIFFChunk> columns = QoReadIFFChunks(scan.Body.Data, 0);
    if (columns.size() < h.Planes) return 0;
    for (std::size_t p = 0; p < h.Planes; ++p) {
      if (columns[p].Id != kVDAT) return 0;
    }
  }
  if (h.Planes <= 8) {
    if (!scan.HasCMAP) return 0;
  } else if (h.Planes != 24 && h.Planes != 32) {
    return 0;
  }
  if (h.Compression != 2) {
    const std::size_t needed = h.PlanarSize();
    const TQoByteView body = scan.Body.Data;
    if (body.Size() != needed && !scan.Body.Cut) {
      const std::size_t available = h.Compression == 0 ? body.Size() : QoPackBitsUnpackedSize(body);
      if (available < needed) return 0;
    }
  }
  return SignatureAnswer(source);
}

TQoAmigaILBMEngine::TQoAmigaILBMEngine(TQoLoadSource& source)
    : TQoAmigaIFFEngine(source, ClassName) {
  CollectChunks(true);
  const int planes = Header.Planes;
  if (planes == 0 || (planes > 8 && planes != 24 && planes != 32)) qo::RaiseInternalError();
  Width = Header.Width;
  Height = Header.Height;
  // An interlaced picture shows its rows in pairs; an odd last row has no partner.
  if (Interlaced() && (Height & 1) && Height > 1) --Height;
  ColorDepth = planes;

  if (planes > 8) {
    PCHGChunk = CTBLChunk = SHAMChunk = RASTChunk = CCRTChunk = TQoIFFChunk();
    CRNGChunks.clear();
  } else {
    KeepLineChanges();
  }
  SetTexts();

  if (LineChangeKind == TQoAmigaLineChanges::RAST) {
    PlatformName = "Atari STE";
  } else if (IsAtariSTMode() || kAtariSTExtensions.Has(Source->Extension)) {
    PlatformName = "Atari ST";
  }

  std::string kinds;
  if (IsHalfBrite()) kinds += " EHB";
  if (IsHam6()) kinds += " HAM6";
  if (IsHam8()) kinds += " HAM8";
  switch (LineChangeKind) {
    case TQoAmigaLineChanges::PCHG:
      kinds += " PCHG";
      break;
    case TQoAmigaLineChanges::CTBL:
      kinds += " CTBL";
      break;
    case TQoAmigaLineChanges::SHAM:
      kinds += " SHAM";
      break;
    case TQoAmigaLineChanges::RAST:
      kinds += " RAST";
      break;
    case TQoAmigaLineChanges::None:
      break;
  }
  SetDescription(kinds);

  // Five planes are the one depth where both the 12-bit and the full 8-bit colours of
  // the CMAP are plausible; the BMHD flag tells which the writer meant.
  const bool dbl = Monitor() == kAmigaMonitorDBLNTSC || Monitor() == kAmigaMonitorDBLPAL;
  if (planes == 5 && !IsHam6() && !IsHam8() && !IsAtariSTMode() &&
      LineChangeKind == TQoAmigaLineChanges::None && !dbl) {
    PaletteTypes = {ptRGB888, ptRGB444};
    PaletteType = Header.Flags == 0x80 ? ptRGB888 : ptRGB444;
  }

  if (!IsHam6() && !IsHam8() && LineChangeKind == TQoAmigaLineChanges::None) AddCycleRanges();

  if (IsAtariSTMode() || LineChangeKind == TQoAmigaLineChanges::RAST) {
    AspectIndex = kQoAspect5to6;
  } else {
    SelectAspect();
  }
}

void TQoAmigaILBMEngine::KeepLineChanges() {
  const std::size_t colors = std::size_t{1} << Header.Planes;
  const auto rows = static_cast<std::size_t>(Height);
  auto tableFits = [&](std::size_t bytes) {
    const std::size_t words = bytes / 2;
    return rows > 0 && bytes % 2 == 0 && words % rows == 0 && words / rows <= colors;
  };
  if (PCHGChunk.Present() && PCHGChunk.Size() >= 2 &&
      (PCHGChunk.Data.BE16(0) == 1 || (PCHGChunk.Data.BE16(0) == 0 && PCHGChunk.Size() > 20))) {
    LineChangeKind = TQoAmigaLineChanges::PCHG;
    LineChangeChunk = PCHGChunk;
  } else if (CTBLChunk.Present() && tableFits(CTBLChunk.Size())) {
    LineChangeKind = TQoAmigaLineChanges::CTBL;
    LineChangeChunk = CTBLChunk;
  } else if (SHAMChunk.Present() && SHAMChunk.Size() >= 2 && tableFits(SHAMChunk.Size() - 2)) {
    LineChangeKind = TQoAmigaLineChanges::SHAM;
    LineChangeChunk = SHAMChunk;
  } else if (RASTChunk.Present() && RASTChunk.Size() % 34 == 0 && RASTChunk.Size() / 34 == rows) {
    LineChangeKind = TQoAmigaLineChanges::RAST;
    LineChangeChunk = RASTChunk;
  }
  PCHGChunk = CTBLChunk = SHAMChunk = RASTChunk = TQoIFFChunk();
}

bool TQoAmigaILBMEngine::IsHam6() const {
  return Header.Planes == 6 && (CMAPCount() == 16 || (Camg & kAmigaModeHam));
}

bool TQoAmigaILBMEngine::IsHam8() const {
  return Header.Planes == 8 && (CMAPCount() == 64 || (Camg & kAmigaModeHam));
}

bool TQoAmigaILBMEngine::IsHalfBrite() const {
  return Header.Planes == 6 && !IsHam6() && (CMAPCount() <= 32 || (Camg & kAmigaModeHalfBrite));
}

std::size_t TQoAmigaILBMEngine::RowStart(int y) const {
  const std::size_t rowBytes = Header.RowBytes();
  if (IsACBM) return static_cast<std::size_t>(y) * rowBytes;
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(Header.StoredPlanes()) * rowBytes;
}

std::size_t TQoAmigaILBMEngine::PlaneStride() const {
  const std::size_t rowBytes = Header.RowBytes();
  return IsACBM ? rowBytes * Header.Height : rowBytes;
}

std::unique_ptr<TQoBitmap> TQoAmigaILBMEngine::Decode() {
  const TQoByteView data = PreparedBody(Header.StoredPlanes());
  if (Header.Planes <= 8) {
    if (IsHam6()) return DecodeHam(data, false);
    if (IsHam8()) return DecodeHam(data, true);
    return DecodeIndexed(data);
  }
  return DecodeTrueColor(data);
}

std::unique_ptr<TQoBitmap> TQoAmigaILBMEngine::DecodeIndexed(TQoByteView data) {
  const int planes = Header.Planes;
  const int colors = 1 << planes;
  std::unique_ptr<TQoAmigaBasePCHG> lines;
  if (IsAtariSTMode()) {
    QoLoadCMAPPalette(CMAPChunk.Data, *Palette, colors, TQoCMAPColors::AtariST);
  } else {
    if (LineChangeKind != TQoAmigaLineChanges::None) lines = CreateLineChanges();
    const bool dbl = Monitor() == kAmigaMonitorDBLNTSC || Monitor() == kAmigaMonitorDBLPAL;
    bool full8 = false;
    if (IsHalfBrite() || lines) {
      full8 = false;
    } else if (dbl || planes >= 6) {
      full8 = true;
    } else if (!PaletteTypes.empty()) {
      full8 = PaletteType != ptRGB444;
    } else {
      full8 = Header.Flags == 0x80;
    }
    QoLoadCMAPPalette(CMAPChunk.Data, *Palette, colors,
                      full8 ? TQoCMAPColors::Full8 : TQoCMAPColors::Amiga12);
    if (IsHalfBrite()) QoExtendHalfBrite(*Palette);
  }

  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  if (!lines) {
    std::unique_ptr<TQoBitmap> bmp;
    if (planes == 1) {
      bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
    } else if (planes <= 4) {
      bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
    } else {
      bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
    }
    for (int y = 0; y < Height; ++y) {
      QoReadPlanarRow(data, RowStart(y), PlaneStride(), planes, Width, values.data());
      bmp->SetRow(y, values.data(), Width);
    }
    return bmp;
  }

  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  std::vector<uint32_t> colorsOfRow(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    lines->UpdateRow(y, Interlaced(), *Palette, Table444());
    if (IsHalfBrite()) QoExtendHalfBrite(*Palette);
    QoReadPlanarRow(data, RowStart(y), PlaneStride(), planes, Width, values.data());
    for (int x = 0; x < Width; ++x) {
      const uint32_t v = values[static_cast<std::size_t>(x)];
      colorsOfRow[static_cast<std::size_t>(x)] =
          static_cast<int>(v) < Palette->GetCount() ? Palette->GetRGBQuad(static_cast<int>(v)) : 0;
    }
    bmp->SetRow(y, colorsOfRow.data(), Width);
  }
  // The picture has no one palette to show.
  Palette->Clear();
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAmigaILBMEngine::DecodeHam(TQoByteView data, bool ham8) {
  std::unique_ptr<TQoAmigaBasePCHG> lines;
  if (ham8) {
    QoLoadCMAPPalette(CMAPChunk.Data, *Palette, 64, TQoCMAPColors::Full8);
  } else {
    QoLoadCMAPPalette(CMAPChunk.Data, *Palette, 16, TQoCMAPColors::Amiga12);
    if (LineChangeKind != TQoAmigaLineChanges::None) lines = CreateLineChanges();
  }
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  std::vector<uint32_t> colors(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    if (lines) lines->UpdateRow(y, Interlaced(), *Palette, Table444());
    QoReadPlanarRow(data, RowStart(y), PlaneStride(), Header.Planes, Width, values.data());
    if (ham8) {
      QoDecodeHam8Row(values.data(), Width, *Palette, colors.data());
    } else {
      QoDecodeHam6Row(values.data(), Width, *Palette, colors.data());
    }
    bmp->SetRow(y, colors.data(), Width);
  }
  if (lines) Palette->Clear();
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAmigaILBMEngine::DecodeTrueColor(TQoByteView data) {
  Palette->Clear();
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    QoReadPlanarRow(data, RowStart(y), PlaneStride(), Header.Planes, Width, values.data());
    // Planes 0-7 are red, 8-15 green, 16-23 blue; a fourth byte (alpha) is not shown.
    for (uint32_t& v : values) v = Quad(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// ---------------------------------------------------------------------------------------
// RGB8 and RGBN: run-length true colour

uint8_t TQoAmigaRGBRunEngine::Detect(TQoLoadSource& source, const TQoAmigaRGBFormat& row) {
  const TQoByteView file = source.Bytes();
  if (!QoIsIFFForm(file, row.FormType)) return 0;
  TQoIFFScan scan;
  const bool ok = scan.Run(file, false, [&row](const TQoIFFBitmapHeader& h) {
    return h.HasSaneSize() && h.Planes == row.Planes && (h.Compression == 3 || h.Compression == 4);
  });
  return ok ? SignatureAnswer(source) : 0;
}

TQoAmigaRGBRunEngine::TQoAmigaRGBRunEngine(TQoLoadSource& source, const TQoAmigaRGBFormat& row)
    : TQoAmigaIFFEngine(source, row.ClassName), row_(row) {
  CollectChunks(false);
  CRNGChunks.clear();
  Width = Header.Width;
  Height = Header.Height;
  if (Interlaced() && (Height & 1) && Height > 1) --Height;
  ColorDepth = row.ColorDepth;
  SetTexts();
  SetDescription("");
  SelectAspect();
}

std::unique_ptr<TQoBitmap> TQoAmigaRGBRunEngine::Decode() {
  Palette->Clear();
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  std::vector<uint32_t> row(static_cast<std::size_t>(Width));
  TQoByteCursor in(BodyChunk.Data);
  uint32_t color = 0;
  uint32_t run = 0;
  // The next run; false at the end of the data (the rest of the picture stays black).
  const bool bytes = row_.Planes == 25;
  auto nextRun = [&]() {
    if (bytes) {
      // Red, green, blue, then a byte whose low seven bits count the pixels.
      if (!in.Has(4)) return false;
      const uint8_t* p = in.Take(4);
      color = Quad(p[0], p[1], p[2]);
      run = p[3] & 0x7Fu;
      return run != 0;
    } else {
      // A word of 4-bit red, green, blue, one unused bit and a 3-bit count; a count of 0
      // is followed by a byte count, and a byte of 0 by a word count (0 = 65536).
      uint16_t word = 0;
      if (!in.TryNextBE16(word)) return false;
      const TQoStdRGBColor c = QoAmigaColor12(word >> 4);
      color = Quad(c.R, c.G, c.B);
      run = word & 7u;
      if (run == 0) {
        uint8_t count = 0;
        if (!in.TryNext(count)) return false;
        run = count;
        if (run == 0) {
          uint16_t wide = 0;
          if (!in.TryNextBE16(wide)) return false;
          run = wide == 0 ? 65536u : wide;
        }
      }
      return true;
    }
  };
  bool ended = false;
  for (int y = 0; y < Height && !ended; ++y) {
    std::fill(row.begin(), row.end(), 0u);
    for (int x = 0; x < Width; ++x) {
      if (run == 0 && !nextRun()) {
        ended = true;
        break;
      }
      row[static_cast<std::size_t>(x)] = color;
      --run;
    }
    bmp->SetRow(y, row.data(), Width);
  }
  return bmp;
}

// ---------------------------------------------------------------------------------------
// PBM: chunky 256-colour pictures

uint8_t TQoAmigaPBMEngine::Detect(TQoLoadSource& source) {
  const TQoByteView file = source.Bytes();
  if (!QoIsIFFForm(file, "PBM ")) return 0;
  TQoIFFScan scan;
  const bool ok = scan.Run(file, true, [](const TQoIFFBitmapHeader& h) {
    return h.HasSaneSize() && h.Planes == 8 && h.Compression <= 1;
  });
  if (!ok) return 0;
  const TQoIFFBitmapHeader& h = scan.Header;
  const std::size_t needed = ((static_cast<std::size_t>(h.Width) + 1) & ~std::size_t{1}) * h.Height;
  const TQoByteView body = scan.Body.Data;
  const std::size_t available = h.Compression == 0 ? body.Size() : QoPackBitsUnpackedSize(body);
  return available >= needed || scan.Body.Cut ? SignatureAnswer(source) : 0;
}

TQoAmigaPBMEngine::TQoAmigaPBMEngine(TQoLoadSource& source) : TQoAmigaIFFEngine(source, ClassName) {
  CollectChunks(false);
  if (Header.Planes != 8) qo::RaiseInternalError();
  PCHGChunk = CTBLChunk = SHAMChunk = RASTChunk = TQoIFFChunk();
  Width = Header.Width;
  Height = Header.Height;
  ColorDepth = 8;
  SetTexts();
  SetDescription("");
  AddCycleRanges();
  SelectAspect();
}

std::unique_ptr<TQoBitmap> TQoAmigaPBMEngine::Decode() {
  const TQoByteView data = PreparedBody(8);
  QoLoadCMAPPalette(CMAPChunk.Data, *Palette, 256, TQoCMAPColors::Full8);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  // One byte per pixel, rows padded to an even length.
  const std::size_t stride = (static_cast<std::size_t>(Width) + 1) & ~std::size_t{1};
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = data.Ptr(static_cast<std::size_t>(y) * stride, values.size());
    std::copy(row, row + values.size(), values.begin());
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// ---------------------------------------------------------------------------------------
// ANIM: the first frame

namespace {

// The first chunk of an ANIM form (the first frame's FORM ILBM) with its header, or an
// empty view.
TQoByteView FirstFrame(TQoByteView file) {
  if (!QoIsIFFForm(file, "ANIM")) return TQoByteView();
  const std::vector<TQoIFFChunk> chunks = QoReadIFFChunks(file, kFormHeader);
  if (chunks.empty()) return TQoByteView();
  return file.Sub(kFormHeader, chunks.front().Size() + 8);
}

}  // namespace

uint8_t TQoAmigaANIMEngine::Detect(TQoLoadSource& source) {
  const TQoByteView frame = FirstFrame(source.Bytes());
  if (frame.Empty()) return 0;
  TQoMemoryLoadSource inner(source.Name, frame.Data(), static_cast<int32_t>(frame.Size()), false);
  return TQoAmigaILBMEngine::Detect(inner);
}

TQoAmigaANIMEngine::TQoAmigaANIMEngine(TQoLoadSource& source)
    : TQoSourceEngineWithSubEngine(source, ClassName) {
  const TQoByteView frame = FirstFrame(source.Bytes());
  if (frame.Empty()) qo::RaiseInternalError();
  auto inner = std::make_unique<TQoMemoryLoadSource>(source.Name, frame.Data(),
                                                     static_cast<int32_t>(frame.Size()), false);
  auto engine = std::make_unique<TQoAmigaILBMEngine>(*inner);
  SetSubEngine(std::move(inner), std::move(engine));
}

void RegisterAmigaEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoAmigaILBMEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmigaRGB8Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmigaRGBNEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmigaPBMEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmigaANIMEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmigaDEEPEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmigaAMOSEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAmigaAMOSSpriteBankEngine>());
}
