#pragma once
// The ST pictures with more colours than the 16 registers: the display routines that
// made them rewrote the palette on every line, or at fixed points along each line. The
// files hold an ordinary screen and tables of palette words; the engines work out which
// word is in effect at every pixel.

#include <vector>

#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/AtariST/QoPlatformAtariSTMultiPalette.h"

// Spectrum 512: three 16-colour palettes per line (48 words), 199 lines (the first line
// of the screen is not shown). The screen is interleaved, or plane-planar of 199 lines.
class TQoAtariSTSpectrum512Engine : public TQoAtariSTBaseEngine {
 public:
  TQoAtariSTSpectrum512Engine(TQoLoadSource& source, const char* className);
  std::unique_ptr<TQoBitmap> Decode() override;

  bool Interleaved = true;

  // Calls visit(word) for the palette word that every pixel selects, line by line, until
  // visit answers false.
  template <class F>
  static void ForEachSelectedWord(TQoByteView pixels, TQoByteView palettes, bool interleaved,
                                  int height, F visit);

 protected:
  // Offers ptAtariST and ptAtariSTE; selects the STE when a word the picture shows
  // uses the fourth bits.
  void DetectSelectedSTE();
  // The values of line y of the shown screen.
  void ReadLine(int y, uint8_t* values) const;
};

class TQoAtariSTSpectrum512SPUEngine : public TQoAtariSTSpectrum512Engine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTSpectrum512SPUEngine";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTSpectrum512SPUEngine(TQoLoadSource& source);
};

// Packed screen and bit-packed palettes; unpacked on the first decode.
class TQoAtariSTSpectrum512SPSEngine : public TQoAtariSTSpectrum512Engine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTSpectrum512SPSEngine";
  static constexpr std::string_view ClassExtension = ".sps";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTSpectrum512SPSEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

 private:
  void Unpack();
  std::vector<uint8_t> screen_;
  std::vector<uint8_t> palettes_;
};

class TQoAtariSTSpectrum512SPCEngine : public TQoAtariSTSpectrum512Engine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTSpectrum512SPCEngine";
  static constexpr std::string_view ClassExtension = ".spc";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTSpectrum512SPCEngine(TQoLoadSource& source);

 private:
  std::vector<uint8_t> screen_;
  std::vector<uint8_t> palettes_;
};

// SPX: any number of lines, screen and palettes plain or packed (Pack-Ice in version 1,
// one SPX block for both in version 2).
class TQoAtariSTSpectrum512SPXEngine : public TQoAtariSTSpectrum512Engine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTSpectrum512SPXEngine";
  static constexpr std::string_view ClassExtension = ".spx";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTSpectrum512SPXEngine(TQoLoadSource& source);

 private:
  std::vector<uint8_t> screen_;
  std::vector<uint8_t> palettes_;
};

class TQoAtariSTPhotoChromeEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPhotoChromeEngine";
  static constexpr std::string_view ClassExtension = ".pcs";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPhotoChromeEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  static constexpr std::size_t kScreenBytes = 32000;
  static constexpr std::size_t kPaletteBytes = 19232;  // read 9616 words deep

 private:
  int screens_ = 1;
  std::vector<uint8_t> screen_[2];
  std::vector<uint8_t> palettes_[2];
};

class TQoAtariSTMultiPalettePicture : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTMultiPalettePicture";
  static constexpr std::string_view ClassExtension = ".mpp";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTMultiPalettePicture(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;

  // The geometry of one mode; Bytes are the palette stream and the screen of one screen.
  struct TQoModeGeometry {
    int Width, Height, ColorsPerLine, FirstRegister, FirstChange, BlackChange;
    std::size_t PaletteBytes(int paletteMode) const;
    std::size_t ScreenBytes() const;
    int Step(int j) const;
    int Mode;
  };
  static TQoModeGeometry Geometry(int mode);

 private:
  void ReadExtraHeader(TQoByteView extra);
  int mode_ = 0;
  int paletteMode_ = 0;
  int screens_ = 1;
  std::size_t dataOffset_ = 0;
};

class TQoAtariSTQuantumPaintEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTQuantumPaintEngine";
  static constexpr std::string_view ClassExtension = ".pbx";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTQuantumPaintEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
  void GetLinePalette(int line, TQoPalette256& palette) override;

  static constexpr std::size_t kRasterRecords = 8;
  static constexpr std::size_t kRasterRecordBytes = 48;
  static constexpr std::size_t kSetWords = 6400;

 private:
  std::unique_ptr<TQoBitmap> DecodeSets();
  uint8_t mode_ = 0;
  int sets_ = 0;
  std::vector<uint8_t> unpacked_;  // palette part and screen of a packed file
};

class TQoAtariSTHighresMediumEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTHighresMediumEngine";
  static constexpr std::string_view ClassExtension = ".hrm";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTHighresMediumEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
};

// GFA Artist's 1000-colour mode: a line palette every three lines, chosen as a variant.
class TQoAtariSTGFAArtistEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTGFAArtistEngine";
  static constexpr std::string_view ClassExtension = ".art";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTGFAArtistEngine(TQoLoadSource& source);
  std::unique_ptr<TQoBitmap> Decode() override;
  void GetLinePalette(int line, TQoPalette256& palette) override;
};

class TQoAtariSTPaletteMasterEngine : public TQoAtariSTBaseEngine {
 public:
  static constexpr const char* ClassName = "TQoAtariSTPaletteMasterEngine";
  static constexpr std::string_view ClassExtension = ".art";
  static uint8_t Detect(TQoLoadSource& source);
  explicit TQoAtariSTPaletteMasterEngine(TQoLoadSource& source);
  void GetLinePalette(int line, TQoPalette256& palette) override;
};

template <class F>
void TQoAtariSTSpectrum512Engine::ForEachSelectedWord(TQoByteView pixels, TQoByteView palettes,
                                                      bool interleaved, int height, F visit) {
  uint8_t values[320];
  for (int y = 0; y < height; ++y) {
    const auto line = static_cast<std::size_t>(y);
    if (interleaved) {
      QoReadPlaneLine(pixels, line * 160, 2, 8, 4, 320, values);
    } else {
      QoReadPlaneLine(pixels, line * 40, static_cast<std::size_t>(height) * 40, 2, 4, 320, values);
    }
    for (int x = 0; x < 320; ++x) {
      const auto entry = static_cast<std::size_t>(Spectrum512PaletteIndex(values[x], x));
      if (!visit(palettes.BE16(line * 96 + 2 * entry))) return;
    }
  }
}
