#pragma once
// Colours and palettes. Every picture is indexed: a bitmap of palette indices plus a
// palette of at most 256 colours. Bytes are the stored and displayed (sRGB) form; all
// arithmetic on colours (mixing, averaging, nearest colour) happens in linear light.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"

struct TQoStdRGBColor {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TQoStdRGBColor&) const = default;
};

struct TQoLinRGBColor {
  double R = 0.0, G = 0.0, B = 0.0;
};

struct TQoHSLColor {
  double H = 0.0, S = 0.0, L = 0.0;  // each 0..1; taken to describe linear light
};

struct TQoXYZColor {
  double X = 0.0, Y = 0.0, Z = 0.0;  // scale 0..100
};

struct TQoLabColor {
  double L = 0.0, A = 0.0, B = 0.0;
};

struct TQoLChColor {
  double L = 0.0, C = 0.0, H = 0.0;  // hue in degrees
};

namespace qo {

// The sRGB transfer curve.
double SrgbUnitToLinear(double c);       // c = byte / 255
double SrgbByteToLinear(uint8_t value);  // table lookup
double LinearToSrgbUnit(double x);       // the encoded value, not clamped
// Rounded to nearest with ties to even after clamping to 0..255.
uint8_t LinearToSrgbByte(double x);
// Rounds to nearest, ties to even.
int RoundHalfEven(double value);

// Luminance of a linear colour (these coefficients, not the XYZ row).
double Luminance(const TQoLinRGBColor& c);

// The weighted squared distance of nearest-colour searches, in linear light.
double WeightedDistance(const TQoLinRGBColor& a, const TQoLinRGBColor& b);

// A level of a bits-wide colour channel as a byte, rounded: k * 255 / (2^bits - 1).
constexpr uint8_t WidenLevel(uint32_t level, int bits) {
  const uint32_t top = (1u << bits) - 1;
  return static_cast<uint8_t>((level * 255 + top / 2) / top);
}

// The linear value of every level of a 3-, 4- or 5-bit DAC (8, 16 and 32 entries):
// entry k is the transfer to linear of k / (2^bits - 1). Other widths raise.
std::span<const double> DacLevels(int bits);

}  // namespace qo

// One colour held in several representations at once. Each is computed on first use
// and cached; setting any one representation invalidates all the others.
class TQoColor {
 public:
  // Travel with the colour in a palette: crossed-out entries of mixed palettes, and how
  // often AddUnique met the colour again.
  uint8_t Excluded = 0;
  int32_t UseCount = 0;

  void SetStdRGB(uint8_t r, uint8_t g, uint8_t b);
  void SetStdRGB(const TQoStdRGBColor& c) { SetStdRGB(c.R, c.G, c.B); }
  void SetRGBQuad(uint32_t rgb);  // 0x00RRGGBB
  void SetLinRGB(const TQoLinRGBColor& c);
  void SetGray(double linearY);  // linear R = G = B = Y, and luminance Y
  void SetHSL(const TQoHSLColor& c);
  void SetXYZ(const TQoXYZColor& c);
  void SetLab(const TQoLabColor& c);
  void SetLCh(const TQoLChColor& c);

  TQoStdRGBColor GetStdRGB() const;
  TQoLinRGBColor GetLinRGB() const;
  uint8_t GetGray() const;      // sRGB byte of the luminance
  double GetLuminance() const;  // linear Y
  TQoXYZColor GetXYZ() const;
  TQoLabColor GetLab() const;
  uint32_t GetRGBQuad() const;  // 0x00RRGGBB from the standard bytes

 private:
  enum : uint8_t {
    kStd = 1,
    kLin = 2,
    kGray = 4,
    kLum = 8,
    kHSL = 16,
    kXYZ = 32,
    kLab = 64,
    kLCh = 128
  };
  void Invalidate(uint8_t nowValid) const { valid_ = nowValid; }
  void EnsureLinear() const;
  void EnsureXYZ() const;

  mutable uint8_t valid_ = kStd;  // a fresh colour is black
  mutable TQoStdRGBColor std_;
  mutable TQoLinRGBColor lin_;
  mutable uint8_t gray_ = 0;
  mutable double lum_ = 0.0;
  TQoHSLColor hsl_;
  mutable TQoXYZColor xyz_;
  mutable TQoLabColor lab_;
  TQoLChColor lch_;
};

// The palette interface shared by the 256-entry palette and the channel cubes.
class TQoPalette {
 public:
  virtual ~TQoPalette() = default;

  virtual std::unique_ptr<TQoPalette> Clone() const = 0;
  // True when every colour of other can be represented exactly; false for an empty other.
  virtual bool ContainsAll(const TQoPalette& other) const = 0;
  // Index of the nearest colour; -1 for an empty palette.
  virtual int NearestIndex(const TQoLinRGBColor& c) const = 0;
  virtual int GetCount() const = 0;
  virtual TQoLinRGBColor GetLinRGB(int index) const = 0;
  virtual double GetLinGray(int index) const = 0;
  virtual TQoStdRGBColor GetStdRGB(int index) const = 0;
  virtual uint32_t GetRGBQuad(int index) const = 0;
};

// Up to 256 colours in a fixed block, so copying a palette is one block copy. Every
// appending operation raises ETooManyColors when the palette is full.
class TQoPalette256 : public TQoPalette {
 public:
  std::unique_ptr<TQoPalette> Clone() const override;
  bool ContainsAll(const TQoPalette& other) const override;
  int NearestIndex(const TQoLinRGBColor& c) const override;
  int GetCount() const override { return count_; }
  TQoLinRGBColor GetLinRGB(int index) const override;
  double GetLinGray(int index) const override;
  TQoStdRGBColor GetStdRGB(int index) const override;
  uint32_t GetRGBQuad(int index) const override;

  // Direct access to a slot (0..255).
  TQoColor& GetPColor(int index);
  const TQoColor& GetPColor(int index) const;

  void Clear() { count_ = 0; }
  void Assign(const TQoPalette256* other);  // nullptr gives an empty palette
  void AssignColors(const TQoPalette& other);

  int Add(uint8_t r, uint8_t g, uint8_t b);
  int Add(uint32_t rgb);
  int Add(const TQoStdRGBColor& c) { return Add(c.R, c.G, c.B); }
  int AddLinear(const TQoLinRGBColor& c);
  int AddUnique(uint8_t r, uint8_t g, uint8_t b);
  int AddUnique(uint32_t rgb);
  int AddUnique(const TQoStdRGBColor& c) { return AddUnique(c.R, c.G, c.B); }
  int AddUniqueLinear(const TQoLinRGBColor& c);
  void AddAllUnique(const TQoPalette& other);
  // Index of the first exact match; raises when absent.
  int IndexOf(uint32_t rgb) const;
  int IndexOf(const TQoStdRGBColor& c) const;

  void SortByLuminance(int from);
  int NearestByLuminance(double y) const;

  void SetSpectrum16(uint8_t level);
  // Entry i * N + j is the linear average of source colours i and j; threshold in
  // percent; count 0 means the source's count.
  void Mix(const TQoPalette& source, int threshold, int count);
  void MixPairs(const TQoPalette& a, const TQoPalette& b);
  void NormalizeMax(int from, int to);
  void NormalizeMin(int from, int to);

  // Small generators shared by several platforms; each empties the palette first.
  void SetBlackWhite();
  void SetRGB8();
  void SetBGR8();
  void SetGRB16(uint8_t low0, uint8_t low1, uint8_t high0, uint8_t high1);
  void SetGRB16Mapped(const TQoPalette* mapTo);
  void SetRGB64();
  void SetRGB64Levels(uint8_t l0, uint8_t l1, uint8_t l2, uint8_t l3);
  void SetRGB233();

 private:
  int AppendSlot();  // raises when full
  int count_ = 0;
  std::array<TQoColor, 256> colors_{};
};

// The colour cube of a video chip with independent channel DACs. Entry index =
// B + (G + R * countG) * countB, R, G and B being level numbers.
class TQoPaletteRGB : public TQoPalette {
 public:
  struct Channel {
    int Count = 0;
    std::array<double, 256> Linear{};
    std::array<uint8_t, 256> Std{};
  };

  // Raises "Internal error" for a palette type that is not a channel cube.
  explicit TQoPaletteRGB(TQoPaletteType type, bool withGrayPalette = false);
  TQoPaletteRGB(const TQoPaletteRGB& other);
  TQoPaletteRGB& operator=(const TQoPaletteRGB&) = delete;

  std::unique_ptr<TQoPalette> Clone() const override;
  bool ContainsAll(const TQoPalette& other) const override;
  int NearestIndex(const TQoLinRGBColor& c) const override;
  int GetCount() const override;
  TQoLinRGBColor GetLinRGB(int index) const override;
  double GetLinGray(int index) const override;
  TQoStdRGBColor GetStdRGB(int index) const override;
  uint32_t GetRGBQuad(int index) const override;

  // The grey-palette index nearest by luminance; raises without a grey palette.
  int NearestGray(const TQoColor& c) const;

  const Channel& Red() const { return red_; }
  const Channel& Green() const { return green_; }
  const Channel& Blue() const { return blue_; }
  const TQoPalette256* GrayPalette() const { return gray_.get(); }

 private:
  void Decompose(int index, int& r, int& g, int& b) const;
  Channel red_, green_, blue_;
  std::unique_ptr<TQoPalette256> gray_;
};

// The text palette file: "JASC-PAL", "0100", the count, then R G B per colour, every
// line ended by CR LF.
std::string QoPaletteToText(const TQoPalette& palette);
