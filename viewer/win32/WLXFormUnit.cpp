#include "viewer/win32/WLXFormUnit.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "export/QoExport.h"
#include "viewer/QoViewerLogic.h"
#include "viewer/win32/QoExportCommands.h"

namespace {

// How many items a dropped-down list shows (common controls 6; older ones ignore it).
constexpr UINT kCbSetMinVisible = 0x1701;

enum : int {
  kIdImageTypeBox = 10,
  kIdOptionBox = 11,  // + option number
  kIdGrayBox = 20,
  kIdFlickBox = 21,
};

std::wstring TextOf(HWND window) {
  const int n = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  GetWindowTextW(window, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

bool Visible(HWND window) {
  return window && (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);
}

void ShowControl(HWND window, bool visible) {
  if (window) ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}

void Place(HWND window, const TQoBounds& b) {
  if (window) {
    SetWindowPos(window, nullptr, b.Left, b.Top, std::max(b.Width, 0), std::max(b.Height, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// The access key of a caption: the character after a single "&".
wchar_t AccessKeyOf(const std::wstring& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] == L'&') {
      if (caption[i + 1] != L'&') return static_cast<wchar_t>(std::towupper(caption[i + 1]));
      ++i;
    }
  }
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Keyboard hook

bool QoIsListerKey(WPARAM key) {
  return key == VK_ESCAPE || (key >= '0' && key <= '9') || key == 'N' || key == 'P';
}

namespace {

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  if (GetClassNameW(window, name, 16) && std::wstring(name) == L"#32768" &&
      IsWindowVisible(window)) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

bool MenuOpenOnThisThread() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), &FindMenuWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

void TKeyboardHook::HandleMessage(MSG& message, bool removing) {
  if (!removing || message.hwnd == handle_ || !message.hwnd) return;
  if (message.message == WM_SYSCHAR) {
    for (HWND w = message.hwnd; w; w = GetAncestor(w, GA_PARENT)) {
      if (w == handle_) {
        if (form_.HandleAccessKey(static_cast<wchar_t>(message.wParam))) message.message = WM_NULL;
        return;
      }
    }
    return;
  }
  if (message.message != WM_KEYDOWN && message.message != WM_KEYUP) return;
  if (!QoIsListerKey(message.wParam)) return;
  for (HWND w = GetAncestor(message.hwnd, GA_PARENT); w; w = GetAncestor(w, GA_PARENT)) {
    if (w != handle_) continue;
    if (!form_.AnyListDroppedDown() && !MenuOpenOnThisThread()) {
      PostMessageW(handle_, message.message, message.wParam, message.lParam);
    }
    return;
  }
}

// ---------------------------------------------------------------------------------------
// TprWLXForm

TprWLXForm::TprWLXForm(HWND parentWindow) {
  RECT area{0, 0, 0, 0};
  if (parentWindow) GetClientRect(parentWindow, &area);
  CreateHandle(L"TprWLXForm", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
               parentWindow, 0, 0, area.right - area.left, area.bottom - area.top);
  try {
    CreateControls();
  } catch (...) {
    // No window may outlive a form that was never finished.
    image_.reset();
    palette_.reset();
    DestroyHandle();
    if (menu_) DestroyMenu(menu_);
    throw;
  }
}

void TprWLXForm::CreateControls() {
  metrics_.Update(Handle());
  image_ = std::make_unique<TQoImage>();
  image_->CreateIn(Handle());
  image_->SetVisible(true);
  imageTypeLabel_ = MakeControl(L"STATIC", L"Image type:", SS_LEFT | SS_NOPREFIX, 0);
  imageTypeBox_ =
      MakeControl(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kIdImageTypeBox);
  title_ = MakeControl(L"STATIC", L"", SS_CENTER | SS_NOPREFIX, 0);
  info_ = MakeControl(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0);
  static const wchar_t* const kCaptions[4] = {L"Pixel &aspect ratio:", L"&Palette:", L"&Variant:",
                                              L"&Calculation:"};
  for (int k = 0; k < 4; ++k) {
    options_[k].Label = MakeControl(L"STATIC", kCaptions[k], SS_LEFT, 0);
    options_[k].Box =
        MakeControl(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kIdOptionBox + k);
  }
  palette_ = std::make_unique<TQoDestPalette>();
  palette_->CreateIn(Handle());
  grayBox_ = MakeControl(L"BUTTON", L"&Gray", BS_AUTOCHECKBOX | WS_TABSTOP, kIdGrayBox);
  ShowControl(grayBox_, true);
  if (QoHasFrameWait()) {
    flickBox_ = MakeControl(L"BUTTON", L"&Flick", BS_AUTOCHECKBOX | WS_TABSTOP, kIdFlickBox);
  }

  menu_ = CreatePopupMenu();
  AppendMenuW(menu_, MF_STRING, kCmdCopyImage, L"Copy image");
  AppendMenuW(menu_, MF_STRING, kCmdCopyComment, L"Copy comment");
  AppendMenuW(menu_, MF_STRING, kCmdSaveBmp, L"Save image as BMP...");
  AppendMenuW(menu_, MF_STRING, kCmdSavePng, L"Save image as PNG...");
  AppendMenuW(menu_, MF_STRING, kCmdSaveGif, L"Save image as GIF...");
  AppendMenuW(menu_, MF_STRING, kCmdSavePalette, L"Save palette as PAL...");

  ApplyMetrics();
  ArrangeControls();
}

TprWLXForm::~TprWLXForm() {
  // The view's threads stop before anything they might still look at goes.
  image_.reset();
  palette_.reset();
  DestroyHandle();
  if (menu_) DestroyMenu(menu_);
  picture_.reset();
  engine_ = nullptr;
  source_.reset();
}

HWND TprWLXForm::MakeControl(const wchar_t* className, const std::wstring& text, DWORD style,
                             int id) {
  HWND control = CreateWindowExW(0, className, text.c_str(), WS_CHILD | style, 0, 0, 0, 0, Handle(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (!control) throw std::runtime_error("Cannot create a control");
  return control;
}

void TprWLXForm::CreateWnd() {
  hook_ = std::make_unique<TKeyboardHook>(*this, Handle());
}

void TprWLXForm::DestroyWnd() {
  hook_.reset();
}

void TprWLXForm::Show() {
  ShowWindow(Handle(), SW_SHOW);
  if (Visible(imageTypeBox_)) SetFocus(imageTypeBox_);
}

HWND TprWLXForm::Open(HWND parentWindow, std::unique_ptr<TQoLoadSourceEx> source) {
  auto form = std::make_unique<TprWLXForm>(parentWindow);
  form->LoadSource(std::move(source));
  form->Show();
  return form.release()->Handle();
}

void TprWLXForm::LoadSource(std::unique_ptr<TQoLoadSourceEx> source) {
  if (!source || source.get() == source_.get()) return;
  // The view lets go of the old engine before the engines are freed, and the current
  // engine is forgotten: a new engine may well be built at the old one's address.
  image_->SetEngine(nullptr);
  engine_ = nullptr;
  picture_.reset();
  source_ = std::move(source);

  std::vector<const TQoSourceEngine*> engines;
  if (source_->Engines) {
    for (const auto& engine : *source_->Engines) engines.push_back(engine.get());
  }
  if (engines.empty()) throw std::runtime_error("Internal error");
  const TQoImageTypeHeader header = QoImageTypeHeader(engines);
  ++updating_;
  try {
    SetWindowTextW(imageTypeLabel_, KivWide(header.LabelText).c_str());
    imageTypeCentred_ = header.Centred;
    LONG_PTR style = GetWindowLongPtrW(imageTypeLabel_, GWL_STYLE) & ~(SS_LEFT | SS_CENTER);
    SetWindowLongPtrW(imageTypeLabel_, GWL_STYLE, style | (header.Centred ? SS_CENTER : SS_LEFT));
    ShowControl(imageTypeLabel_, true);
    SendMessageW(imageTypeBox_, CB_RESETCONTENT, 0, 0);
    if (header.Box.Visible) {
      for (const std::string& item : header.Box.Items) {
        SendMessageW(imageTypeBox_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(KivWide(item).c_str()));
      }
      SendMessageW(imageTypeBox_, kCbSetMinVisible, header.Box.Items.size(), 0);
      SendMessageW(imageTypeBox_, CB_SETCURSEL, static_cast<WPARAM>(header.Box.Selected), 0);
    }
    ShowControl(imageTypeBox_, header.Box.Visible);
  } catch (...) {
    --updating_;
    throw;
  }
  --updating_;
  SelectEngine(source_->Engines->GetEngine(0));
}

void TprWLXForm::SelectEngine(TQoSourceEngine* engine) {
  if (!engine || engine == engine_) return;
  engine_ = engine;
  image_->SetEngine(nullptr);
  picture_.reset();
  ++updating_;
  try {
    aspectIndex_ = engine->AspectIndex;
    const TQoChoiceList aspects = QoAspectChoices(*engine, aspectIndex_);
    if (aspects.Visible) {
      FillBox(options_[kAspect], aspects.Items, aspects.Values, aspects.Selected);
    } else {
      HideOption(options_[kAspect]);
    }
    const std::string title = QoTitleLine(engine->InfoName, engine->InfoTitle);
    SetWindowTextW(title_, KivWide(title).c_str());
    ShowControl(title_, !title.empty());
    const std::string comment = QoBreakInfoComment(engine->InfoComment);
    SetWindowTextW(info_, KivWide(comment).c_str());
    ShowControl(info_, !comment.empty());
  } catch (...) {
    --updating_;
    throw;
  }
  --updating_;
  RefreshPicture();
  ApplyMetrics();
  ArrangeControls();
}

void TprWLXForm::RefreshPicture() {
  image_->SetEngine(nullptr);
  picture_.reset();
  if (!engine_) return;
  picture_ = engine_->Decode();
  image_->SetSource(engine_, aspectIndex_);

  ++updating_;
  try {
    const TQoChoiceList types = QoPaletteTypeChoices(*engine_);
    if (types.Visible) {
      FillBox(options_[kPalette], types.Items, types.Values, types.Selected);
    } else {
      HideOption(options_[kPalette]);
    }
    const TQoChoiceList variants = QoVariantChoices(*engine_);
    if (variants.Visible) {
      FillBox(options_[kVariant], variants.Items, variants.Values, variants.Selected);
    } else {
      HideOption(options_[kVariant]);
    }
    const TQoChoiceList calc = QoCalculationChoices(*engine_);
    if (calc.Visible) {
      FillBox(options_[kCalculation], calc.Items, calc.Values, calc.Selected);
    } else {
      HideOption(options_[kCalculation]);
    }
  } catch (...) {
    --updating_;
    throw;
  }
  --updating_;

  const int colours = engine_->Palette ? engine_->Palette->GetCount() : 0;
  const TQoGrid grid = QoPaletteGrid(colours, engine_->PaletteColumns);
  palette_->SetGrid(grid.Columns, grid.Rows);
  palette_->SetPalette(engine_->Palette.get());
  palette_->SetVisible(colours > 0);
  if (flickBox_) ShowControl(flickBox_, picture_ && picture_->FrameCount() > 1);
  ArrangeControls();
}

void TprWLXForm::FillBox(TOption& option, const std::vector<std::string>& items,
                         const std::vector<int>& values, int selected) {
  SendMessageW(option.Box, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    SendMessageW(option.Box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(KivWide(item).c_str()));
  }
  option.Values = values;
  SendMessageW(option.Box, kCbSetMinVisible, items.size(), 0);
  SendMessageW(option.Box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  ShowControl(option.Label, true);
  ShowControl(option.Box, true);
}

void TprWLXForm::HideOption(TOption& option) {
  ShowControl(option.Label, false);
  ShowControl(option.Box, false);
  SendMessageW(option.Box, CB_RESETCONTENT, 0, 0);
  option.Values.clear();
}

bool TprWLXForm::AnyListDroppedDown() const {
  if (SendMessageW(imageTypeBox_, CB_GETDROPPEDSTATE, 0, 0)) return true;
  for (const TOption& option : options_) {
    if (SendMessageW(option.Box, CB_GETDROPPEDSTATE, 0, 0)) return true;
  }
  return false;
}

bool TprWLXForm::HandleAccessKey(wchar_t key) {
  const auto upper = static_cast<wchar_t>(std::towupper(key));
  for (const TOption& option : options_) {
    if (Visible(option.Box) && AccessKeyOf(TextOf(option.Label)) == upper) {
      SetFocus(option.Box);
      return true;
    }
  }
  for (HWND check : {grayBox_, flickBox_}) {
    if (Visible(check) && AccessKeyOf(TextOf(check)) == upper) {
      SetFocus(check);
      SendMessageW(check, BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

int TprWLXForm::BoxHeight() const {
  RECT r{};
  GetWindowRect(imageTypeBox_, &r);
  return r.bottom - r.top;
}

void TprWLXForm::ApplyMetrics() {
  const auto font = reinterpret_cast<WPARAM>(metrics_.Font);
  for (HWND control : {imageTypeLabel_, imageTypeBox_, title_, grayBox_, flickBox_}) {
    if (control) SendMessageW(control, WM_SETFONT, font, FALSE);
  }
  for (const TOption& option : options_) {
    SendMessageW(option.Label, WM_SETFONT, font, FALSE);
    SendMessageW(option.Box, WM_SETFONT, font, FALSE);
  }
  SendMessageW(info_, WM_SETFONT, reinterpret_cast<WPARAM>(metrics_.FixedFont), FALSE);
  palette_->SetCellSize(static_cast<int32_t>(std::lround(metrics_.CharWidth)) + 2);
}

void TprWLXForm::ArrangeControls() {
  if (!HandleAllocated()) return;
  TQoLayoutInput in;
  in.ClientWidth = ClientWidth();
  in.ClientHeight = ClientHeight();
  in.MarginX = metrics_.MarginX;
  in.MarginY = metrics_.MarginY;
  in.GapX = metrics_.GapX;
  in.GapY = metrics_.GapY;
  in.SpacingX = metrics_.SpacingX;
  in.SpacingY = metrics_.SpacingY;
  in.CharWidth = metrics_.CharWidth;
  const SIZE label = metrics_.TextSize(TextOf(imageTypeLabel_), metrics_.Font, true);
  in.ImageTypeLabel = {label.cx, label.cy};
  in.ImageTypeBoxVisible = Visible(imageTypeBox_);
  in.BoxHeight = BoxHeight();
  in.TitleVisible = Visible(title_);
  in.TitleHeight = metrics_.TextSize(L"Ag", metrics_.Font).cy;
  in.InfoVisible = Visible(info_);
  const SIZE info = metrics_.TextSize(TextOf(info_), metrics_.FixedFont, true);
  in.Info = {info.cx, info.cy};
  for (int k = 0; k < 4; ++k) in.OptionVisible[k] = Visible(options_[k].Box);
  in.OptionLabelHeight = metrics_.TextSize(L"Ag", metrics_.Font).cy;
  in.PaletteHasColors = palette_->Palette().GetCount() > 0;
  const SIZE paletteSize = palette_->AutoSize();
  in.PaletteDisplay = {paletteSize.cx, paletteSize.cy};
  const SIZE gray = metrics_.CheckBoxSize(TextOf(grayBox_));
  in.GrayBox = {gray.cx, gray.cy};
  in.FlickerPresent = flickBox_ != nullptr;
  if (flickBox_) {
    const SIZE flick = metrics_.CheckBoxSize(TextOf(flickBox_));
    in.FlickerBox = {flick.cx, flick.cy};
  }

  const TQoLayout out = QoArrangeControls(in);
  optionPanelWidth_ = out.OptionPanelWidth;
  imageColumnWidth_ = out.ImageColumnWidth;
  Place(imageTypeLabel_, out.ImageTypeLabel);
  // A drop-down list's window height includes its open list.
  const int itemHeight = static_cast<int>(SendMessageW(imageTypeBox_, CB_GETITEMHEIGHT, 0, 0));
  auto placeBox = [&](HWND box, TQoBounds b) {
    const auto count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    b.Height += itemHeight * std::max(count, 1) + 2;
    Place(box, b);
  };
  if (in.ImageTypeBoxVisible) placeBox(imageTypeBox_, out.ImageTypeBox);
  if (in.TitleVisible) Place(title_, out.Title);
  if (in.InfoVisible) Place(info_, out.Info);
  for (int k = 0; k < 4; ++k) {
    if (!in.OptionVisible[k]) continue;
    Place(options_[k].Label, out.OptionLabel[k]);
    placeBox(options_[k].Box, out.OptionBox[k]);
  }
  palette_->SetBounds(out.PaletteDisplay.Left, out.PaletteDisplay.Top, out.PaletteDisplay.Width,
                      out.PaletteDisplay.Height);
  Place(grayBox_, out.GrayBox);
  if (flickBox_) Place(flickBox_, out.FlickerBox);
  image_->SetBounds(out.Image.Left, out.Image.Top, out.Image.Width, out.Image.Height);
}

void TprWLXForm::OnCommand(int id, int code, HWND) {
  if (id == kIdImageTypeBox && code == CBN_SELCHANGE) {
    if (updating_ > 0 || !source_ || !source_->Engines) return;
    const auto index = static_cast<int>(SendMessageW(imageTypeBox_, CB_GETCURSEL, 0, 0));
    if (index >= 0 && index < source_->Engines->Count()) {
      SelectEngine(source_->Engines->GetEngine(index));
    }
    return;
  }
  if (id >= kIdOptionBox && id < kIdOptionBox + 4 && code == CBN_SELCHANGE) {
    const int k = id - kIdOptionBox;
    TOption& option = options_[k];
    const auto index = static_cast<int>(SendMessageW(option.Box, CB_GETCURSEL, 0, 0));
    if (index < 0 || index >= static_cast<int>(option.Values.size()) || !engine_) return;
    const int value = option.Values[static_cast<std::size_t>(index)];
    if (k == kAspect) {
      if (static_cast<uint8_t>(value) != aspectIndex_) aspectIndex_ = static_cast<uint8_t>(value);
      image_->SetAspect(aspectIndex_);
      return;
    }
    if (updating_ > 0) return;
    if (k == kPalette) {
      engine_->PaletteType = static_cast<uint8_t>(value);
    } else if (k == kVariant) {
      engine_->PaletteVariant = engine_->GetPaletteVariant(value);
    } else {
      engine_->CalcMode = static_cast<uint8_t>(value);
    }
    RefreshPicture();
    return;
  }
  if ((id == kIdGrayBox || id == kIdFlickBox) && code == BN_CLICKED) {
    HWND box = id == kIdGrayBox ? grayBox_ : flickBox_;
    const bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (id == kIdGrayBox) {
      image_->SetGray(checked);
    } else {
      image_->SetFlicker(checked);
    }
    return;
  }
  const auto command = static_cast<UINT>(id);
  if (command >= kCmdCopyImage && command <= kCmdSavePalette) RunCommand(command);
}

bool TprWLXForm::RunCommand(UINT command) {
  try {
    switch (command) {
      case kCmdCopyImage:
        CopyImage();
        break;
      case kCmdCopyComment:
        CopyComment();
        break;
      case kCmdSaveBmp:
        SaveImage(".bmp");
        break;
      case kCmdSavePng:
        SaveImage(".png");
        break;
      case kCmdSaveGif:
        SaveImage(".gif");
        break;
      case kCmdSavePalette:
        SavePalette();
        break;
      default:
        return false;
    }
    return true;
  } catch (const std::exception& e) {
    KivShowException(Handle(), e);
    return false;
  }
}

void TprWLXForm::UpdateMenuStates() {
  const bool hasComment =
      engine_ && !QoCommentToCopy(engine_->InfoTitle, engine_->InfoComment).empty();
  const bool hasPalette = Visible(palette_->Handle()) && palette_->Palette().GetCount() > 0;
  EnableMenuItem(menu_, kCmdCopyComment, MF_BYCOMMAND | (hasComment ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(menu_, kCmdSavePalette, MF_BYCOMMAND | (hasPalette ? MF_ENABLED : MF_GRAYED));
}

void TprWLXForm::CopyImage() {
  if (!engine_) return;
  const std::unique_ptr<TQoBitmap> picture = ExportPicture(*engine_, aspectIndex_);
  QoCopyPictureToClipboard(Handle(), *picture);
}

void TprWLXForm::CopyComment() {
  if (!engine_) return;
  QoCopyTextToClipboard(Handle(), QoCommentToCopy(engine_->InfoTitle, engine_->InfoComment));
}

bool TprWLXForm::ChooseSaveFile(const std::string& extension, std::string& path) {
  return CreateSaveDialog(Handle(), source_ ? source_->Folder() : std::string(),
                          source_ ? source_->Name : std::string(), extension, path);
}

void TprWLXForm::SaveImage(const std::string& extension) {
  if (!engine_) return;
  std::unique_ptr<TQoBitmap> picture;
  // A GIF holds at most 256 colours: say so before the user picks a name.
  if (extension == ".gif") {
    picture = ExportPicture(*engine_, aspectIndex_);
    if (picture->BitsPerPixel > 8) throw EQoWarning("Too many colors");
  }
  std::string path;
  if (!ChooseSaveFile(extension, path)) return;
  if (!picture) picture = ExportPicture(*engine_, aspectIndex_);
  TQoPngOptions png;
  png.PixelAspect = QoExportRepeat(aspectIndex_).PixelAspect;
  QoWriteFile(path, QoEncodeForExtension(*picture, extension, png));
}

void TprWLXForm::SavePalette() {
  const TQoPalette256& palette = palette_->Palette();
  if (palette.GetCount() == 0) return;
  std::string path;
  if (!ChooseSaveFile(".pal", path)) return;
  const std::string text = QoPaletteToText(palette);
  QoWriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

void TprWLXForm::ShowContextMenu(LPARAM position) {
  POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  if (position == -1) {
    at = {0, 0};
    ClientToScreen(Handle(), &at);
  }
  UpdateMenuStates();
  TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(),
                 nullptr);
}

LRESULT TprWLXForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CONTEXTMENU:
      ShowContextMenu(lParam);
      return 0;
    default:
      return TkivShellBaseUIForm::WndProc(message, wParam, lParam);
  }
}
