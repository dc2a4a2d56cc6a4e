#pragma once
// What the viewer window decides without touching a window: which choices it offers for
// an engine and which one is selected, the texts above the picture, the palette grid,
// where every control goes for given metrics, and when background resampling starts and
// when its result is taken. The Windows side only applies these answers.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/QoSourceEngine.h"

// The items of one drop-down list and its selection; hidden lists have no items.
struct TQoChoiceList {
  bool Visible = false;
  std::vector<std::string> Items;
  std::vector<int> Values;  // what each item stands for (aspect index, type, position)
  int Selected = -1;
};

// The image-type header: one engine shows its name centred across the top and no list.
struct TQoImageTypeHeader {
  std::string LabelText;
  bool Centred = false;
  TQoChoiceList Box;
};
TQoImageTypeHeader QoImageTypeHeader(const std::vector<const TQoSourceEngine*>& engines);

// The pixel-aspect list for an engine and the window's aspect index.
TQoChoiceList QoAspectChoices(const TQoSourceEngine& engine, uint8_t aspectIndex);
TQoChoiceList QoPaletteTypeChoices(const TQoSourceEngine& engine);
TQoChoiceList QoVariantChoices(const TQoSourceEngine& engine);
TQoChoiceList QoCalculationChoices(const TQoSourceEngine& engine);

// "InfoName / InfoTitle", trimmed, either alone when the other is empty.
std::string QoTitleLine(const std::string& infoName, const std::string& infoTitle);
// The comment with "\r\n" after every 16th character (characters, not bytes, of UTF-8).
std::string QoBreakInfoComment(const std::string& comment);

// What "Copy comment" copies: the title when there is one, else the comment as the
// engine gives it (without the line breaks of the window's info text); empty disables it.
std::string QoCommentToCopy(const std::string& infoTitle, const std::string& infoComment);

// The save dialog's filter entry for an extension such as ".png": the description, made
// of the system's type name (or "PNG File" when the system has none) and the mask, and
// the mask "*.png".
struct TQoSaveFilter {
  std::string Description;
  std::string Mask;
};
TQoSaveFilter QoSaveFilter(const std::string& systemTypeName, const std::string& extension);

// The palette display's grid for n colours and the engine's column count: one row when
// at most 16 colours use the default 16 columns.
struct TQoGrid {
  int32_t Columns = 1;
  int32_t Rows = 1;
};
TQoGrid QoPaletteGrid(int32_t colors, int32_t paletteColumns);

// The layout of the viewer window. Sizes in pixels for the window's DPI; a control that
// is not shown is left out of the arithmetic.
struct TQoSize {
  int32_t W = 0, H = 0;
};
struct TQoBounds {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  int32_t Right() const { return Left + Width; }
  int32_t Bottom() const { return Top + Height; }
};

struct TQoLayoutInput {
  int32_t ClientWidth = 0, ClientHeight = 0;
  int32_t MarginX = 0, MarginY = 0;    // 7 dialog units
  int32_t GapX = 0, GapY = 0;          // label to box, 3 dialog units
  int32_t SpacingX = 0, SpacingY = 0;  // 7 dialog units
  double CharWidth = 0;                // the UI font's average character width
  TQoSize ImageTypeLabel;              // sized to its text
  bool ImageTypeBoxVisible = false;
  int32_t BoxHeight = 0;  // a drop-down list's height
  bool TitleVisible = false;
  int32_t TitleHeight = 0;
  bool InfoVisible = false;
  TQoSize Info;
  bool OptionVisible[4] = {false, false, false, false};  // aspect, palette, variant, calculation
  int32_t OptionLabelHeight = 0;
  bool PaletteHasColors = false;
  TQoSize PaletteDisplay;
  TQoSize GrayBox;
  bool FlickerPresent = false;
  TQoSize FlickerBox;
};

struct TQoLayout {
  int32_t OptionPanelWidth = 0, ImageColumnWidth = 0;
  TQoBounds ImageTypeLabel, ImageTypeBox, Title, Info, Image;
  TQoBounds OptionLabel[4], OptionBox[4];
  TQoBounds PaletteDisplay, GrayBox, FlickerBox;
};
TQoLayout QoArrangeControls(const TQoLayoutInput& in);

// The image view's background resampling: a generation tags every change of picture or
// rendering, at most one resize runs at a time, and a result is taken only when it was
// started for the current generation (a result of the wrong size is dropped at the
// next paint).
class TQoResampleSchedule {
 public:
  enum class TPaintAction { DrawResampled, DrawStretched, DrawStretchedAndStart };

  uint32_t Generation() const { return generation_; }
  bool Running() const { return running_; }

  // The picture, its source or its grey rendering changed.
  void Invalidate();
  // At paint, for the fit rectangle's size and the rendered picture's size.
  TPaintAction Paint(int32_t fitWidth, int32_t fitHeight, int32_t renderedWidth,
                     int32_t renderedHeight);
  // The poll timer found the started resize finished; true when its result is taken.
  bool Finished(int32_t resultWidth, int32_t resultHeight);

 private:
  uint32_t generation_ = 0;
  uint32_t startedFor_ = 0;
  bool running_ = false;
  bool hasResampled_ = false;
  int32_t resampledWidth_ = 0, resampledHeight_ = 0;
};
