#include "viewer/QoViewerLogic.h"

#include <cctype>
#include <cmath>

#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"

namespace {

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

TQoImageTypeHeader QoImageTypeHeader(const std::vector<const TQoSourceEngine*>& engines) {
  TQoImageTypeHeader header;
  if (engines.size() == 1) {
    header.LabelText = engines[0]->GetDisplayName();
    header.Centred = true;
    return header;
  }
  header.LabelText = "Image type:";
  header.Box.Visible = true;
  for (std::size_t i = 0; i < engines.size(); ++i) {
    header.Box.Items.push_back(engines[i]->GetDisplayName());
    header.Box.Values.push_back(static_cast<int>(i));
  }
  header.Box.Selected = engines.empty() ? -1 : 0;
  return header;
}

TQoChoiceList QoAspectChoices(const TQoSourceEngine& engine, uint8_t aspectIndex) {
  TQoChoiceList list;
  const uint64_t offered = QoOfferedAspects(engine.AspectMask, engine.AspectIndex);
  if (offered == (uint64_t{1} << kQoAspect1to1Index)) return list;
  list.Visible = true;
  for (int index = 0; index < kQoAspectCount; ++index) {
    if (!(offered & (uint64_t{1} << index))) continue;
    if (index == aspectIndex) list.Selected = static_cast<int>(list.Items.size());
    list.Items.push_back(QoAspectEntry(index).Label);
    list.Values.push_back(index);
  }
  return list;
}

TQoChoiceList QoPaletteTypeChoices(const TQoSourceEngine& engine) {
  TQoChoiceList list;
  if (engine.PaletteTypes.size() < 2) return list;
  list.Visible = true;
  for (uint8_t type : engine.PaletteTypes) {
    if (type == engine.PaletteType) list.Selected = static_cast<int>(list.Items.size());
    list.Items.push_back(QoPaletteTypeLabel(type));
    list.Values.push_back(type);
  }
  return list;
}

TQoChoiceList QoVariantChoices(const TQoSourceEngine& engine) {
  TQoChoiceList list;
  if (engine.GetPaletteVariantCount() < 2) return list;
  list.Visible = true;
  list.Selected = 0;
  for (int i = 0; i < engine.GetPaletteVariantCount(); ++i) {
    list.Items.push_back(engine.GetPaletteVariant(i));
    list.Values.push_back(i);
  }
  for (int i = 0; i < engine.GetPaletteVariantCount(); ++i) {
    if (engine.GetPaletteVariant(i) == engine.PaletteVariant) {
      list.Selected = i;
      break;
    }
  }
  return list;
}

TQoChoiceList QoCalculationChoices(const TQoSourceEngine& engine) {
  TQoChoiceList list;
  if (engine.CalcModes != 3) return list;
  list.Visible = true;
  list.Items = {"Standard", "Linear"};
  list.Values = {0, 1};
  list.Selected = engine.CalcMode == 1 ? 1 : 0;
  return list;
}

std::string QoTitleLine(const std::string& infoName, const std::string& infoTitle) {
  const std::string name = Trim(infoName), title = Trim(infoTitle);
  if (!name.empty() && !title.empty()) return name + " / " + title;
  return name.empty() ? title : name;
}

std::string QoBreakInfoComment(const std::string& comment) {
  std::string out;
  int characters = 0;
  for (std::size_t i = 0; i < comment.size(); ++i) {
    const auto byte = static_cast<unsigned char>(comment[i]);
    // A character starts at every byte that is not a UTF-8 continuation byte.
    if ((byte & 0xC0) != 0x80) {
      if (characters == 16) {
        out += "\r\n";
        characters = 0;
      }
      ++characters;
    }
    out += comment[i];
  }
  return out;
}

std::string QoCommentToCopy(const std::string& infoTitle, const std::string& infoComment) {
  return infoTitle.empty() ? infoComment : infoTitle;
}

TQoSaveFilter QoSaveFilter(const std::string& systemTypeName, const std::string& extension) {
  TQoSaveFilter filter;
  filter.Mask = "*" + extension;
  std::string typeName = systemTypeName;
  if (typeName.empty()) {
    for (std::size_t i = extension.empty() || extension[0] != '.' ? 0 : 1; i < extension.size();
         ++i) {
      typeName += static_cast<char>(std::toupper(static_cast<unsigned char>(extension[i])));
    }
    typeName += " File";
  }
  filter.Description = typeName + " (" + filter.Mask + ")";
  return filter;
}

TQoGrid QoPaletteGrid(int32_t colors, int32_t paletteColumns) {
  TQoGrid grid;
  if (colors > 16 || paletteColumns != 16) {
    grid.Columns = paletteColumns < 1 ? 1 : paletteColumns;
    grid.Rows = (colors + grid.Columns - 1) / grid.Columns;
  } else {
    grid.Columns = colors;
    grid.Rows = 1;
  }
  if (grid.Columns < 1) grid.Columns = 1;
  if (grid.Rows < 1) grid.Rows = 1;
  return grid;
}

TQoLayout QoArrangeControls(const TQoLayoutInput& in) {
  TQoLayout out;
  const int32_t W = in.ClientWidth, H = in.ClientHeight;
  const bool anyOption =
      in.OptionVisible[0] || in.OptionVisible[1] || in.OptionVisible[2] || in.OptionVisible[3];
  // 1. The option panel on the right and the image column.
  if (anyOption) {
    out.OptionPanelWidth = static_cast<int32_t>(std::lround(in.CharWidth * 20));
    if (in.PaletteHasColors && in.PaletteDisplay.W > out.OptionPanelWidth) {
      out.OptionPanelWidth = in.PaletteDisplay.W;
    }
    out.ImageColumnWidth = W - out.OptionPanelWidth - in.MarginX;
  } else if (!in.PaletteHasColors) {
    out.ImageColumnWidth = W;
    out.OptionPanelWidth = 0;
  } else {
    out.OptionPanelWidth = in.PaletteDisplay.W;
    out.ImageColumnWidth = W - out.OptionPanelWidth - in.MarginX;
  }

  // 2. The image-type line.
  int32_t y = in.MarginY;
  out.ImageTypeLabel = {in.MarginX, y, in.ImageTypeLabel.W, in.ImageTypeLabel.H};
  if (in.ImageTypeBoxVisible) {
    const int32_t left = out.ImageTypeLabel.Right() + in.GapX;
    out.ImageTypeBox = {left, y, W - in.MarginX - left, in.BoxHeight};
    out.ImageTypeLabel.Top = y + (in.BoxHeight - in.ImageTypeLabel.H) / 2;
    y += in.BoxHeight + in.SpacingY;
  } else {
    out.ImageTypeLabel.Width = W - in.MarginX - in.MarginX;
    y += in.ImageTypeLabel.H + in.SpacingY;
  }

  // 3. The title line.
  if (in.TitleVisible) {
    out.Title = {in.MarginX, y, W - 2 * in.MarginX, in.TitleHeight};
    y += in.TitleHeight + in.SpacingY;
  }

  // 4. The information text, beside the picture on a wide window, above it otherwise.
  int32_t imageLeft = in.MarginX, imageTop = y;
  if (in.InfoVisible) {
    if (W > H) {
      out.Info = {in.MarginX, y, in.Info.W, in.Info.H};
      imageLeft = out.Info.Right() + in.SpacingX;
    } else {
      out.Info = {(W - in.Info.W) / 2, y, in.Info.W, in.Info.H};
      y += in.Info.H + in.SpacingY;
      imageTop = y;
    }
  }

  // 5. The option boxes down the right-hand panel, then the palette display.
  for (int k = 0; k < 4; ++k) {
    if (!in.OptionVisible[k]) continue;
    out.OptionLabel[k] = {out.ImageColumnWidth, y, out.OptionPanelWidth, in.OptionLabelHeight};
    out.OptionBox[k] = {out.ImageColumnWidth, y + in.OptionLabelHeight + in.GapY,
                        out.OptionPanelWidth, in.BoxHeight};
    y += in.OptionLabelHeight + in.GapY + in.BoxHeight + in.SpacingY;
  }
  out.PaletteDisplay = {out.ImageColumnWidth + (out.OptionPanelWidth - in.PaletteDisplay.W) / 2, y,
                        in.PaletteDisplay.W, in.PaletteDisplay.H};

  // 6. The check boxes at the bottom left.
  out.GrayBox = {in.MarginX, H - in.MarginY - in.GrayBox.H, in.GrayBox.W, in.GrayBox.H};
  if (in.FlickerPresent) {
    out.FlickerBox = {out.GrayBox.Right() + in.SpacingX, out.GrayBox.Top, in.FlickerBox.W,
                      in.FlickerBox.H};
  }

  // 7. The picture fills what is left.
  out.Image = {imageLeft, imageTop, out.ImageColumnWidth - in.MarginX - imageLeft,
               out.GrayBox.Top - in.SpacingY - imageTop};
  return out;
}

void TQoResampleSchedule::Invalidate() {
  ++generation_;
  hasResampled_ = false;
}

TQoResampleSchedule::TPaintAction TQoResampleSchedule::Paint(int32_t fitWidth, int32_t fitHeight,
                                                             int32_t renderedWidth,
                                                             int32_t renderedHeight) {
  if (hasResampled_ && (resampledWidth_ != fitWidth || resampledHeight_ != fitHeight)) {
    hasResampled_ = false;
  }
  if (hasResampled_) return TPaintAction::DrawResampled;
  if ((renderedWidth == fitWidth && renderedHeight == fitHeight) || running_) {
    return TPaintAction::DrawStretched;
  }
  running_ = true;
  startedFor_ = generation_;
  return TPaintAction::DrawStretchedAndStart;
}

bool TQoResampleSchedule::Finished(int32_t resultWidth, int32_t resultHeight) {
  running_ = false;
  if (startedFor_ != generation_) return false;
  hasResampled_ = true;
  resampledWidth_ = resultWidth;
  resampledHeight_ = resultHeight;
  return true;
}
