#include "color/QoColor.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Reference white (D65) of the Lab conversions.
constexpr double kWhiteX = 95.047, kWhiteY = 100.0, kWhiteZ = 108.883;

struct TQoByteToLinearTable {
  std::array<double, 256> Values{};
  TQoByteToLinearTable() {
    for (int i = 0; i < 256; ++i)
      Values[static_cast<std::size_t>(i)] = qo::SrgbUnitToLinear(i / 255.0);
  }
};

const TQoByteToLinearTable& ByteToLinear() {
  static const TQoByteToLinearTable table;
  return table;
}

// The linear value of every level of an n-bit DAC.
template <int Bits>
struct TQoDacTable {
  std::array<double, (1 << Bits)> Values{};
  TQoDacTable() {
    constexpr int top = (1 << Bits) - 1;
    for (int k = 0; k <= top; ++k) {
      Values[static_cast<std::size_t>(k)] = qo::SrgbUnitToLinear(static_cast<double>(k) / top);
    }
  }
};

double HueToChannel(double p, double q, double t) {
  t -= std::floor(t);  // wrap into 0..1
  if (6.0 * t < 1.0) return p + (q - p) * 6.0 * t;
  if (2.0 * t < 1.0) return q;
  if (3.0 * t < 2.0) return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
  return p;
}

double LabInverse(double f) {
  const double cube = f * f * f;
  return cube > 0.008856 ? cube : (f - 16.0 / 116.0) / 7.787;
}

double LabForward(double t) {
  return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0;
}

TQoLinRGBColor Average(const TQoLinRGBColor& a, const TQoLinRGBColor& b) {
  return TQoLinRGBColor{(a.R + b.R) / 2.0, (a.G + b.G) / 2.0, (a.B + b.B) / 2.0};
}

uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
}

}  // namespace

namespace qo {

double SrgbUnitToLinear(double c) {
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double SrgbByteToLinear(uint8_t value) {
  return ByteToLinear().Values[value];
}

double LinearToSrgbUnit(double x) {
  return x <= 0.0031308 ? x * 12.92 : 1.055 * std::pow(x, 1.0 / 2.4) - 0.055;
}

uint8_t LinearToSrgbByte(double x) {
  const double scaled = LinearToSrgbUnit(x) * 255.0;
  if (!(scaled > 0.0)) return 0;  // also NaN
  if (scaled >= 255.0) return 255;
  return static_cast<uint8_t>(RoundHalfEven(scaled));
}

int RoundHalfEven(double value) {
  // nearbyint rounds in the current mode, which is to nearest with ties to even.
  const double rounded = std::nearbyint(value);
  if (!(rounded > -2147483648.0)) return INT32_MIN;
  if (rounded > 2147483647.0) return INT32_MAX;
  return static_cast<int>(rounded);
}

double Luminance(const TQoLinRGBColor& c) {
  return 0.212655 * c.R + 0.715158 * c.G + 0.072187 * c.B;
}

double WeightedDistance(const TQoLinRGBColor& a, const TQoLinRGBColor& b) {
  const double dr = a.R - b.R, dg = a.G - b.G, db = a.B - b.B;
  return 0.212655 * dr * dr + 0.715158 * dg * dg + 0.072187 * db * db;
}

std::span<const double> DacLevels(int bits) {
  static const TQoDacTable<3> three;
  static const TQoDacTable<4> four;
  static const TQoDacTable<5> five;
  switch (bits) {
    case 3:
      return three.Values;
    case 4:
      return four.Values;
    case 5:
      return five.Values;
    default:
      RaiseInternalError();
  }
}

}  // namespace qo

// TQoColor

void TQoColor::SetStdRGB(uint8_t r, uint8_t g, uint8_t b) {
  std_ = TQoStdRGBColor{r, g, b};
  Invalidate(kStd);
}

void TQoColor::SetRGBQuad(uint32_t rgb) {
  SetStdRGB(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
            static_cast<uint8_t>(rgb));
}

void TQoColor::SetLinRGB(const TQoLinRGBColor& c) {
  lin_ = c;
  Invalidate(kLin);
}

void TQoColor::SetGray(double linearY) {
  lin_ = TQoLinRGBColor{linearY, linearY, linearY};
  lum_ = linearY;
  Invalidate(kLin | kLum);
}

void TQoColor::SetHSL(const TQoHSLColor& c) {
  hsl_ = c;
  Invalidate(kHSL);
}

void TQoColor::SetXYZ(const TQoXYZColor& c) {
  xyz_ = c;
  Invalidate(kXYZ);
}

void TQoColor::SetLab(const TQoLabColor& c) {
  lab_ = c;
  Invalidate(kLab);
}

void TQoColor::SetLCh(const TQoLChColor& c) {
  lch_ = c;
  Invalidate(kLCh);
}

void TQoColor::EnsureLinear() const {
  if (valid_ & kLin) return;
  if (valid_ & kStd) {
    lin_ = TQoLinRGBColor{qo::SrgbByteToLinear(std_.R), qo::SrgbByteToLinear(std_.G),
                          qo::SrgbByteToLinear(std_.B)};
  } else if (valid_ & kHSL) {
    const double l = hsl_.L, s = hsl_.S, h = hsl_.H;
    if (s == 0.0) {
      lin_ = TQoLinRGBColor{l, l, l};
    } else {
      const double q = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
      const double p = 2.0 * l - q;
      lin_ = TQoLinRGBColor{HueToChannel(p, q, h + 1.0 / 3.0), HueToChannel(p, q, h),
                            HueToChannel(p, q, h - 1.0 / 3.0)};
    }
  } else {
    EnsureXYZ();
    const double x = xyz_.X / 100.0, y = xyz_.Y / 100.0, z = xyz_.Z / 100.0;
    lin_ = TQoLinRGBColor{3.2404542 * x - 1.5371385 * y - 0.4985314 * z,
                          -0.9692660 * x + 1.8760108 * y + 0.0415560 * z,
                          0.0556434 * x - 0.2040259 * y + 1.0572252 * z};
  }
  valid_ |= kLin;
}

void TQoColor::EnsureXYZ() const {
  if (valid_ & kXYZ) return;
  if (valid_ & (kStd | kLin | kHSL)) {
    EnsureLinear();
    const double r = lin_.R * 100.0, g = lin_.G * 100.0, b = lin_.B * 100.0;
    xyz_ = TQoXYZColor{0.4124564 * r + 0.3575761 * g + 0.1804375 * b,
                       0.2126729 * r + 0.7151522 * g + 0.0721750 * b,
                       0.0193339 * r + 0.1191920 * g + 0.9503041 * b};
  } else {
    const TQoLabColor lab = GetLab();
    const double fy = (lab.L + 16.0) / 116.0;
    const double fx = lab.A / 500.0 + fy;
    const double fz = fy - lab.B / 200.0;
    xyz_ =
        TQoXYZColor{LabInverse(fx) * kWhiteX, LabInverse(fy) * kWhiteY, LabInverse(fz) * kWhiteZ};
  }
  valid_ |= kXYZ;
}

TQoStdRGBColor TQoColor::GetStdRGB() const {
  if (!(valid_ & kStd)) {
    EnsureLinear();
    std_ = TQoStdRGBColor{qo::LinearToSrgbByte(lin_.R), qo::LinearToSrgbByte(lin_.G),
                          qo::LinearToSrgbByte(lin_.B)};
    valid_ |= kStd;
  }
  return std_;
}

TQoLinRGBColor TQoColor::GetLinRGB() const {
  EnsureLinear();
  return lin_;
}

double TQoColor::GetLuminance() const {
  if (!(valid_ & kLum)) {
    EnsureLinear();
    lum_ = qo::Luminance(lin_);
    valid_ |= kLum;
  }
  return lum_;
}

uint8_t TQoColor::GetGray() const {
  if (!(valid_ & kGray)) {
    gray_ = qo::LinearToSrgbByte(GetLuminance());
    valid_ |= kGray;
  }
  return gray_;
}

TQoXYZColor TQoColor::GetXYZ() const {
  EnsureXYZ();
  return xyz_;
}

TQoLabColor TQoColor::GetLab() const {
  if (valid_ & kLab) return lab_;
  if (valid_ & kLCh) {
    const double h = lch_.H * std::numbers::pi / 180.0;
    lab_ = TQoLabColor{lch_.L, lch_.C * std::cos(h), lch_.C * std::sin(h)};
  } else {
    EnsureXYZ();
    const double fx = LabForward(xyz_.X / kWhiteX);
    const double fy = LabForward(xyz_.Y / kWhiteY);
    const double fz = LabForward(xyz_.Z / kWhiteZ);
    lab_ = TQoLabColor{116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
  }
  valid_ |= kLab;
  return lab_;
}

uint32_t TQoColor::GetRGBQuad() const {
  const TQoStdRGBColor c = GetStdRGB();
  return Pack(c.R, c.G, c.B);
}

// TQoPalette256

std::unique_ptr<TQoPalette> TQoPalette256::Clone() const {
  return std::make_unique<TQoPalette256>(*this);
}

bool TQoPalette256::ContainsAll(const TQoPalette& other) const {
  if (other.GetCount() == 0) return false;
  for (int i = 0; i < other.GetCount(); ++i) {
    const uint32_t wanted = other.GetRGBQuad(i);
    bool found = false;
    for (int j = 0; j < count_ && !found; ++j) found = GetPColor(j).GetRGBQuad() == wanted;
    if (!found) return false;
  }
  return true;
}

int TQoPalette256::NearestIndex(const TQoLinRGBColor& c) const {
  int best = -1;
  double bestDistance = 0.0;
  for (int i = 0; i < count_; ++i) {
    const double d = qo::WeightedDistance(c, GetPColor(i).GetLinRGB());
    if (best < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

TQoLinRGBColor TQoPalette256::GetLinRGB(int index) const {
  return GetPColor(index).GetLinRGB();
}

double TQoPalette256::GetLinGray(int index) const {
  return GetPColor(index).GetLuminance();
}

TQoStdRGBColor TQoPalette256::GetStdRGB(int index) const {
  return GetPColor(index).GetStdRGB();
}

uint32_t TQoPalette256::GetRGBQuad(int index) const {
  return GetPColor(index).GetRGBQuad();
}

TQoColor& TQoPalette256::GetPColor(int index) {
  if (index < 0 || index >= 256) qo::RaiseInternalError();
  return colors_[static_cast<std::size_t>(index)];
}

const TQoColor& TQoPalette256::GetPColor(int index) const {
  if (index < 0 || index >= 256) qo::RaiseInternalError();
  return colors_[static_cast<std::size_t>(index)];
}

void TQoPalette256::Assign(const TQoPalette256* other) {
  if (!other) {
    count_ = 0;
  } else if (other != this) {
    count_ = other->count_;
    colors_ = other->colors_;
  }
}

void TQoPalette256::AssignColors(const TQoPalette& other) {
  if (&other == this) return;
  Clear();
  for (int i = 0; i < other.GetCount(); ++i) Add(other.GetStdRGB(i));
}

int TQoPalette256::AppendSlot() {
  if (count_ >= 256) throw ETooManyColors();
  colors_[static_cast<std::size_t>(count_)] = TQoColor();
  return count_++;
}

int TQoPalette256::Add(uint8_t r, uint8_t g, uint8_t b) {
  const int index = AppendSlot();
  GetPColor(index).SetStdRGB(r, g, b);
  return index;
}

int TQoPalette256::Add(uint32_t rgb) {
  return Add(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
             static_cast<uint8_t>(rgb));
}

int TQoPalette256::AddLinear(const TQoLinRGBColor& c) {
  const int index = AppendSlot();
  GetPColor(index).SetLinRGB(c);
  return index;
}

int TQoPalette256::AddUnique(uint8_t r, uint8_t g, uint8_t b) {
  const uint32_t wanted = Pack(r, g, b);
  for (int i = 0; i < count_; ++i) {
    TQoColor& color = GetPColor(i);
    if (color.GetRGBQuad() == wanted) {
      ++color.UseCount;
      return i;
    }
  }
  return Add(r, g, b);
}

int TQoPalette256::AddUnique(uint32_t rgb) {
  return AddUnique(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                   static_cast<uint8_t>(rgb));
}

int TQoPalette256::AddUniqueLinear(const TQoLinRGBColor& c) {
  return AddUnique(qo::LinearToSrgbByte(c.R), qo::LinearToSrgbByte(c.G), qo::LinearToSrgbByte(c.B));
}

void TQoPalette256::AddAllUnique(const TQoPalette& other) {
  for (int i = 0; i < other.GetCount(); ++i) AddUnique(other.GetStdRGB(i));
}

int TQoPalette256::IndexOf(uint32_t rgb) const {
  for (int i = 0; i < count_; ++i) {
    if (GetPColor(i).GetRGBQuad() == (rgb & 0xFFFFFF)) return i;
  }
  qo::RaiseInternalError();
}

int TQoPalette256::IndexOf(const TQoStdRGBColor& c) const {
  return IndexOf(Pack(c.R, c.G, c.B));
}

void TQoPalette256::SortByLuminance(int from) {
  from = std::max(from, 0);
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (int i = from; i + 1 < count_; ++i) {
      auto& a = colors_[static_cast<std::size_t>(i)];
      auto& b = colors_[static_cast<std::size_t>(i + 1)];
      if (a.GetLuminance() > b.GetLuminance()) {
        std::swap(a, b);
        swapped = true;
      }
    }
  }
}

int TQoPalette256::NearestByLuminance(double y) const {
  if (count_ <= 1) return 0;
  int best = 0;
  double bestDistance = std::fabs(GetPColor(0).GetLuminance() - y);
  for (int i = 1; i < count_; ++i) {
    const double d = std::fabs(GetPColor(i).GetLuminance() - y);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

void TQoPalette256::SetSpectrum16(uint8_t level) {
  Clear();
  for (int i = 0; i < 16; ++i) {
    const uint8_t v = i < 8 ? level : 255;
    Add((i & 2) ? v : 0, (i & 4) ? v : 0, (i & 1) ? v : 0);
  }
}

void TQoPalette256::Mix(const TQoPalette& source, int threshold, int count) {
  const int sourceCount = source.GetCount();
  const int n = count == 0 ? sourceCount : count;
  Clear();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      int index;
      if (i >= sourceCount || j >= sourceCount) {
        index = AddLinear(source.GetLinRGB(0));
        GetPColor(index).Excluded = 1;
      } else if (threshold == 100 ||
                 std::fabs(source.GetLinGray(i) - source.GetLinGray(j)) <= threshold / 100.0) {
        index = AddLinear(Average(source.GetLinRGB(i), source.GetLinRGB(j)));
      } else {
        index = AddLinear(source.GetLinRGB(0));
        GetPColor(index).Excluded = 1;
      }
      if (j < i) GetPColor(index).Excluded = 1;
    }
  }
}

void TQoPalette256::MixPairs(const TQoPalette& a, const TQoPalette& b) {
  Clear();
  for (int i = 0; i < a.GetCount(); ++i) {
    for (int j = 0; j < b.GetCount(); ++j) AddLinear(Average(a.GetLinRGB(i), b.GetLinRGB(j)));
  }
}

void TQoPalette256::NormalizeMax(int from, int to) {
  if (to == 0) to = count_ - 1;
  from = std::max(from, 0);
  to = std::min(to, 255);
  double top = 0.0;
  for (int i = from; i <= to; ++i) {
    const TQoLinRGBColor c = GetLinRGB(i);
    top = std::max({top, c.R, c.G, c.B});
  }
  if (top <= 0.0) return;
  for (int i = from; i <= to; ++i) {
    const TQoLinRGBColor c = GetLinRGB(i);
    GetPColor(i).SetLinRGB(TQoLinRGBColor{c.R / top, c.G / top, c.B / top});
  }
}

void TQoPalette256::NormalizeMin(int from, int to) {
  if (to == 0) to = count_ - 1;
  from = std::max(from, 0);
  to = std::min(to, 255);
  double bottom = 1.0;
  for (int i = from; i <= to; ++i) {
    const TQoLinRGBColor c = GetLinRGB(i);
    bottom = std::min({bottom, c.R, c.G, c.B});
  }
  if (bottom == 1.0) return;
  auto stretch = [bottom](double x) { return 1.0 - (1.0 - x) / (1.0 - bottom); };
  for (int i = from; i <= to; ++i) {
    const TQoLinRGBColor c = GetLinRGB(i);
    GetPColor(i).SetLinRGB(TQoLinRGBColor{stretch(c.R), stretch(c.G), stretch(c.B)});
  }
}

void TQoPalette256::SetBlackWhite() {
  Clear();
  Add(0, 0, 0);
  Add(255, 255, 255);
}

void TQoPalette256::SetRGB8() {
  Clear();
  for (int i = 0; i < 8; ++i) Add((i & 4) ? 255 : 0, (i & 2) ? 255 : 0, (i & 1) ? 255 : 0);
}

void TQoPalette256::SetBGR8() {
  Clear();
  for (int i = 0; i < 8; ++i) Add((i & 1) ? 255 : 0, (i & 2) ? 255 : 0, (i & 4) ? 255 : 0);
}

void TQoPalette256::SetGRB16(uint8_t low0, uint8_t low1, uint8_t high0, uint8_t high1) {
  Clear();
  for (int i = 0; i < 16; ++i) {
    const uint8_t off = i < 8 ? low0 : high0;
    const uint8_t on = i < 8 ? low1 : high1;
    Add((i & 2) ? on : off, (i & 4) ? on : off, (i & 1) ? on : off);
  }
}

void TQoPalette256::SetGRB16Mapped(const TQoPalette* mapTo) {
  SetGRB16(0, 188, 0, 255);
  if (!mapTo) return;
  for (int i = 0; i < count_; ++i) {
    const int nearest = mapTo->NearestIndex(GetLinRGB(i));
    if (nearest >= 0) GetPColor(i).SetStdRGB(mapTo->GetStdRGB(nearest));
  }
}

void TQoPalette256::SetRGB64() {
  SetRGB64Levels(0, 85, 170, 255);
}

void TQoPalette256::SetRGB64Levels(uint8_t l0, uint8_t l1, uint8_t l2, uint8_t l3) {
  const uint8_t levels[4] = {l0, l1, l2, l3};
  Clear();
  for (int r = 0; r < 4; ++r) {
    for (int g = 0; g < 4; ++g) {
      for (int b = 0; b < 4; ++b) Add(levels[r], levels[g], levels[b]);
    }
  }
}

void TQoPalette256::SetRGB233() {
  Clear();
  for (int b = 0; b < 4; ++b) {
    for (int g = 0; g < 8; ++g) {
      for (int r = 0; r < 8; ++r) {
        Add(static_cast<uint8_t>(std::lround(r * 255.0 / 7.0)),
            static_cast<uint8_t>(std::lround(g * 255.0 / 7.0)), static_cast<uint8_t>(b * 85));
      }
    }
  }
}

// TQoPaletteRGB

namespace {

void FillChannel(TQoPaletteRGB::Channel& channel, int bits) {
  channel.Count = 1 << bits;
  const int top = channel.Count - 1;
  for (int k = 0; k <= top; ++k) {
    channel.Linear[static_cast<std::size_t>(k)] =
        qo::SrgbUnitToLinear(static_cast<double>(k) / top);
    channel.Std[static_cast<std::size_t>(k)] =
        static_cast<uint8_t>(std::lround(static_cast<double>(k) * 255.0 / top));
  }
}

// The V9958's eight levels per channel, as 5-bit DAC values.
constexpr int kMsx9958Levels[8] = {0, 4, 9, 13, 18, 22, 27, 31};

void FillMsx9958(TQoPaletteRGB::Channel& channel) {
  channel.Count = 8;
  for (int k = 0; k < 8; ++k) {
    const double unit = kMsx9958Levels[k] / 31.0;
    channel.Linear[static_cast<std::size_t>(k)] = qo::SrgbUnitToLinear(unit);
    channel.Std[static_cast<std::size_t>(k)] = static_cast<uint8_t>(std::lround(unit * 255.0));
  }
}

struct TQoCubeBits {
  int R, G, B;
};

TQoCubeBits CubeBits(TQoPaletteType type) {
  switch (type) {
    case ptRGB888:
      return {8, 8, 8};
    case ptRGB777:
      return {7, 7, 7};
    case ptRGB666:
      return {6, 6, 6};
    case ptRGB565:
      return {5, 6, 5};
    case ptRGB555:
      return {5, 5, 5};
    case ptRGB444:
      return {4, 4, 4};
    case ptRGB333:
    case ptMSX9938:
    case ptMSX9958:
      return {3, 3, 3};
    case ptRGB332:
      return {3, 3, 2};
    case ptRGB222:
      return {2, 2, 2};
    case ptRGB111:
      return {1, 1, 1};
    default:
      qo::RaiseInternalError();
  }
}

// The two levels that bracket a linear value.
void Bracket(const TQoPaletteRGB::Channel& channel, double value, int& lower, int& upper) {
  const int last = channel.Count - 1;
  if (value <= channel.Linear[0]) {
    lower = upper = 0;
    return;
  }
  if (value >= channel.Linear[static_cast<std::size_t>(last)]) {
    lower = upper = last;
    return;
  }
  // Levels rise with k: the first level above the value and the one below it.
  const auto begin = channel.Linear.begin();
  const auto above = std::upper_bound(begin, begin + channel.Count, value);
  upper = static_cast<int>(above - begin);
  lower = upper - 1;
}

bool HasLevel(const TQoPaletteRGB::Channel& channel, uint8_t value) {
  return std::find(channel.Std.begin(), channel.Std.begin() + channel.Count, value) !=
         channel.Std.begin() + channel.Count;
}

}  // namespace

TQoPaletteRGB::TQoPaletteRGB(TQoPaletteType type, bool withGrayPalette) {
  const TQoCubeBits bits = CubeBits(type);
  if (type == ptMSX9958) {
    FillMsx9958(red_);
    FillMsx9958(green_);
    FillMsx9958(blue_);
  } else {
    FillChannel(red_, bits.R);
    FillChannel(green_, bits.G);
    FillChannel(blue_, bits.B);
  }
  if (!withGrayPalette) return;
  gray_ = std::make_unique<TQoPalette256>();
  if (type == ptMSX9958) {
    for (int k = 0; k < 8; ++k) {
      const double y = red_.Linear[static_cast<std::size_t>(k)];
      gray_->AddLinear(TQoLinRGBColor{y, y, y});
    }
    return;
  }
  const int n = 1 << std::min({bits.R, bits.G, bits.B});
  for (int k = 0; k < n; ++k) {
    const double y = qo::SrgbUnitToLinear(static_cast<double>(k) / (n - 1));
    gray_->AddLinear(GetLinRGB(NearestIndex(TQoLinRGBColor{y, y, y})));
  }
}

TQoPaletteRGB::TQoPaletteRGB(const TQoPaletteRGB& other)
    : TQoPalette(other), red_(other.red_), green_(other.green_), blue_(other.blue_) {
  if (other.gray_) gray_ = std::make_unique<TQoPalette256>(*other.gray_);
}

std::unique_ptr<TQoPalette> TQoPaletteRGB::Clone() const {
  return std::make_unique<TQoPaletteRGB>(*this);
}

bool TQoPaletteRGB::ContainsAll(const TQoPalette& other) const {
  if (other.GetCount() == 0) return false;
  for (int i = 0; i < other.GetCount(); ++i) {
    const TQoStdRGBColor c = other.GetStdRGB(i);
    if (!HasLevel(red_, c.R) || !HasLevel(green_, c.G) || !HasLevel(blue_, c.B)) return false;
  }
  return true;
}

int TQoPaletteRGB::NearestIndex(const TQoLinRGBColor& c) const {
  int r[2], g[2], b[2];
  Bracket(red_, c.R, r[0], r[1]);
  Bracket(green_, c.G, g[0], g[1]);
  Bracket(blue_, c.B, b[0], b[1]);
  int best = -1;
  double bestDistance = 0.0;
  for (int ri : r) {
    for (int gi : g) {
      for (int bi : b) {
        const TQoLinRGBColor level{red_.Linear[static_cast<std::size_t>(ri)],
                                   green_.Linear[static_cast<std::size_t>(gi)],
                                   blue_.Linear[static_cast<std::size_t>(bi)]};
        const double d = qo::WeightedDistance(c, level);
        if (best < 0 || d < bestDistance) {
          best = bi + (gi + ri * green_.Count) * blue_.Count;
          bestDistance = d;
        }
      }
    }
  }
  return best;
}

int TQoPaletteRGB::GetCount() const {
  return red_.Count * green_.Count * blue_.Count;
}

void TQoPaletteRGB::Decompose(int index, int& r, int& g, int& b) const {
  if (index < 0) qo::RaiseInternalError();
  b = index % blue_.Count;
  const int rest = index / blue_.Count;
  g = rest % green_.Count;
  r = rest / green_.Count;
  if (r >= red_.Count) qo::RaiseInternalError();
}

TQoLinRGBColor TQoPaletteRGB::GetLinRGB(int index) const {
  int r, g, b;
  Decompose(index, r, g, b);
  return TQoLinRGBColor{red_.Linear[static_cast<std::size_t>(r)],
                        green_.Linear[static_cast<std::size_t>(g)],
                        blue_.Linear[static_cast<std::size_t>(b)]};
}

double TQoPaletteRGB::GetLinGray(int index) const {
  return qo::Luminance(GetLinRGB(index));
}

TQoStdRGBColor TQoPaletteRGB::GetStdRGB(int index) const {
  int r, g, b;
  Decompose(index, r, g, b);
  return TQoStdRGBColor{red_.Std[static_cast<std::size_t>(r)],
                        green_.Std[static_cast<std::size_t>(g)],
                        blue_.Std[static_cast<std::size_t>(b)]};
}

uint32_t TQoPaletteRGB::GetRGBQuad(int index) const {
  const TQoStdRGBColor c = GetStdRGB(index);
  return Pack(c.R, c.G, c.B);
}

int TQoPaletteRGB::NearestGray(const TQoColor& c) const {
  if (!gray_) qo::RaiseInternalError();
  return gray_->NearestByLuminance(c.GetLuminance());
}

std::string QoPaletteToText(const TQoPalette& palette) {
  std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(palette.GetCount()) + "\r\n";
  for (int i = 0; i < palette.GetCount(); ++i) {
    const TQoStdRGBColor c = palette.GetStdRGB(i);
    text += std::to_string(c.R) + " " + std::to_string(c.G) + " " + std::to_string(c.B) + "\r\n";
  }
  return text;
}
