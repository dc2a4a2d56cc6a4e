#include "platforms/AmstradCPC/QoPlatformAmstradCPC.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

namespace {

// One firmware colour: the hardware number and the measured guns in per cent.
struct TFirmwareColor {
  uint8_t Hardware;
  double GateArray[3];
  double Asic[3];
};

// clang-format off
constexpr TFirmwareColor kFirmware[kQoCPCFirmwareColors] = {
    {0x54, {0, 0.9615, 0.4808}, {0.823, 2.8807, 0.823}},
    {0x44, {0, 0.9615, 41.8269}, {2.0576, 2.4691, 38.6831}},
    {0x55, {4.8077, 0.9615, 95.6731}, {2.0576, 2.8807, 94.6502}},
    {0x5C, {42.3077, 0.9615, 0.4808}, {40.3292, 2.4691, 0}},
    {0x58, {41.3462, 0.9615, 40.8654}, {40.7407, 2.8807, 39.0947}},
    {0x5D, {42.3077, 0.9615, 94.7115}, {40.7407, 2.8807, 94.6502}},
    {0x4C, {95.1923, 1.9231, 2.4038}, {99.177, 2.8807, 1.6461}},
    {0x45, {94.2308, 0.9615, 40.8654}, {100, 2.8807, 39.0947}},
    {0x4D, {95.1923, 0.9615, 95.6731}, {99.177, 2.8807, 95.0617}},
    {0x56, {0.9615, 47.1154, 0.4808}, {1.6461, 40.3292, 1.2346}},
    {0x46, {0, 47.1154, 40.8654}, {1.6461, 40.3292, 39.0947}},
    {0x57, {4.8077, 48.0769, 95.6731}, {2.0576, 40.3292, 94.6502}},
    {0x5E, {43.2692, 48.0769, 0.4808}, {40.7407, 40.3292, 1.6461}},
    {0x40, {43.2692, 49.0385, 41.8269}, {40.7407, 40.3292, 39.0947}},
    {0x5F, {43.2692, 48.0769, 96.6346}, {40.7407, 40.3292, 94.6502}},
    {0x4E, {95.1923, 49.0385, 5.2885}, {99.177, 40.3292, 1.6461}},
    {0x47, {95.1923, 49.0385, 41.8269}, {99.177, 40.3292, 38.6831}},
    {0x4F, {98.0769, 50, 97.5962}, {99.177, 40.3292, 94.6502}},
    {0x52, {0.9615, 94.2308, 0.4808}, {1.6461, 95.8848, 0.823}},
    {0x42, {0, 95.1923, 41.8269}, {1.6461, 95.8848, 38.2716}},
    {0x53, {5.7692, 95.1923, 94.7115}, {1.6461, 95.8848, 94.6502}},
    {0x5A, {44.2308, 96.1538, 1.4423}, {40.7407, 95.8848, 0}},
    {0x59, {44.2308, 95.1923, 41.8269}, {40.7407, 95.8848, 39.0947}},
    {0x5B, {44.2308, 95.1923, 95.6731}, {40.7407, 95.8848, 94.6502}},
    {0x4A, {95.1923, 95.1923, 5.2885}, {99.5885, 95.8848, 1.6461}},
    {0x43, {95.1923, 95.1923, 42.7885}, {99.177, 95.8848, 38.6831}},
    {0x4B, {100, 95.1923, 97.5962}, {99.177, 95.8848, 94.2387}},
};

// Hardware numbers 0x40..0x5F; several share a firmware colour.
constexpr uint8_t kHardwareToFirmware[32] = {
    13, 13, 19, 25, 1, 7, 10, 16, 7, 25, 24, 26, 6, 8, 15, 17,
    1, 19, 18, 20, 0, 2, 9, 11, 4, 22, 21, 23, 3, 5, 12, 14};
// clang-format on

constexpr uint16_t kPaletteFileAddress = 0x8809;

uint8_t PercentToByte(double percent) {
  const double v = std::clamp(percent * 255.0 / 100.0, 0.0, 255.0);
  return static_cast<uint8_t>(qo::RoundHalfEven(v));
}

}  // namespace

uint16_t QoAmsdosChecksum(TQoByteView header) {
  unsigned sum = 0;
  for (std::size_t i = 0; i <= 66; ++i) sum += header.U8(i);
  return static_cast<uint16_t>(sum);
}

bool TQoAmsdosHeader::Read(TQoByteView file) {
  if (!file.Has(0, kSize)) return false;
  FileType = file.U8(18);
  DataLength = file.LE16(19);
  LoadAddress = file.LE16(21);
  LogicalLength = file.LE16(24);
  EntryAddress = file.LE16(26);
  RealLength = file.LE16(64) | static_cast<uint32_t>(file.U8(66)) << 16;
  Checksum = file.LE16(67);
  Computed = QoAmsdosChecksum(file);
  return true;
}

bool TQoAmsdosHeader::Passes(uint8_t type, uint16_t length) const {
  return FileType == type && LogicalLength == length && (RealLength & 0xFFFF) == length &&
         (RealLength >> 16) == 0 && Checksum == Computed;
}

bool TQoAmsdosHeader::Check(TQoByteView file, uint8_t type, uint16_t length) {
  TQoAmsdosHeader header;
  return header.Read(file) && header.Passes(type, length);
}

bool TQoAmsdosHeader::Check(TQoByteView file, uint8_t type, uint16_t length, uint16_t dataLength,
                            uint16_t load, uint16_t entry) {
  TQoAmsdosHeader header;
  // Files written by the disc system itself leave the data length at 0; converters fill
  // it in. Both are the machine's own files.
  return header.Read(file) && header.Passes(type, length) &&
         (header.DataLength == dataLength || header.DataLength == 0) &&
         header.LoadAddress == load && header.EntryAddress == entry;
}

uint8_t QoCPCHardwareToFirmware(uint8_t hardware) {
  if (hardware < 0x40 || hardware > 0x5F) return 0;
  return kHardwareToFirmware[hardware - 0x40];
}

uint8_t QoCPCFirmwareToHardware(uint8_t firmware) {
  if (firmware >= kQoCPCFirmwareColors) qo::RaiseInternalError();
  return kFirmware[firmware].Hardware;
}

void QoSetCPCPalette27(TQoPalette256& palette, uint8_t paletteType) {
  const bool asic = paletteType == ptCPCASIC || paletteType == ptCPCASICRGB;
  const bool linear = paletteType == ptCPCGateArray || paletteType == ptCPCASIC;
  if (!asic && paletteType != ptCPCGateArray && paletteType != ptCPCGateArrayRGB) {
    qo::RaiseInternalError();
  }
  palette.Clear();
  for (const TFirmwareColor& c : kFirmware) {
    const double* guns = asic ? c.Asic : c.GateArray;
    if (linear) {
      palette.AddLinear(TQoLinRGBColor{guns[0] / 100.0, guns[1] / 100.0, guns[2] / 100.0});
    } else {
      palette.Add(PercentToByte(guns[0]), PercentToByte(guns[1]), PercentToByte(guns[2]));
    }
  }
}

TQoStdRGBColor QoCPCPlusColor(uint16_t word) {
  return TQoStdRGBColor{static_cast<uint8_t>(((word >> 4) & 15) * 17),
                        static_cast<uint8_t>(((word >> 8) & 15) * 17),
                        static_cast<uint8_t>((word & 15) * 17)};
}

uint8_t QoCPCMode0Pixel(uint8_t value, int index) {
  // The Gate Array interleaves the two pixels' bits: pixel 0 owns bits 7, 3, 5, 1
  // (from its lowest value bit up), pixel 1 bits 6, 2, 4, 0.
  const unsigned v = static_cast<unsigned>(value) << (index & 1);
  return static_cast<uint8_t>(((v >> 7) & 1) | ((v >> 2) & 2) | ((v >> 3) & 4) | ((v << 2) & 8));
}

uint8_t QoCPCMode1Pixel(uint8_t value, int index) {
  const int k = index & 3;
  return static_cast<uint8_t>(((value >> (7 - k)) & 1) | (((value >> (3 - k)) & 1) << 1));
}

uint8_t QoCPCMode2Pixel(uint8_t value, int index) {
  return static_cast<uint8_t>((value >> (7 - (index & 7))) & 1);
}

uint8_t QoCPCPixel(int mode, uint8_t value, int index) {
  switch (mode) {
    case 0:
      return QoCPCMode0Pixel(value, index);
    case 1:
      return QoCPCMode1Pixel(value, index);
    case 2:
      return QoCPCMode2Pixel(value, index);
    default:
      qo::RaiseInternalError();
  }
}

std::size_t QoCPCScreenRow(int y) {
  return static_cast<std::size_t>(y % 8) * 2048 + static_cast<std::size_t>(y / 8) * 80;
}

std::size_t QoCPCOverscanRow(int y) {
  return 144 + (y >= 128 ? 14336u : 0u) + static_cast<std::size_t>(y % 8) * 2048 +
         static_cast<std::size_t>(y / 8) * 96;
}

std::size_t QoCPCFutureOSRow(int y) {
  return static_cast<std::size_t>(y % 8) * 2048 + static_cast<std::size_t>(y / 8) * 64;
}

bool TQoCPCPalFile::Read(TQoByteView file) {
  constexpr uint16_t kLength = kFileSize - TQoAmsdosHeader::kSize;
  // The disc keeps whole 128-byte records, so a copied file may be padded to 384 bytes.
  if ((file.Size() != kFileSize && file.Size() != kPaddedFileSize) ||
      !TQoAmsdosHeader::Check(file, 2, kLength, kLength, kPaletteFileAddress,
                              kPaletteFileAddress)) {
    return false;
  }
  const TQoByteView data = file.From(TQoAmsdosHeader::kSize);
  // Bytes 1 and 2 hold the paint program's ink-flashing settings; files saved with
  // flashing inks carry nonzero values there, so they are not part of the test.
  Mode = data.U8(0);
  for (int i = 0; i < kInks; ++i) Hardware[static_cast<std::size_t>(i)] = data.U8(3 + 12 * i);
  return true;
}

bool TQoCPCKitFile::Read(TQoByteView file) {
  constexpr uint16_t kLength = kFileSize - TQoAmsdosHeader::kSize;
  if (file.Size() != kFileSize ||
      !TQoAmsdosHeader::Check(file, 2, kLength, kLength, kPaletteFileAddress,
                              kPaletteFileAddress)) {
    return false;
  }
  for (std::size_t i = 0; i < Words.size(); ++i) {
    Words[i] = file.LE16(TQoAmsdosHeader::kSize + 2 * i);
    if (Words[i] > 4095) return false;
  }
  return true;
}
