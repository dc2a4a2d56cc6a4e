#pragma once
// The window shown inside a Lister window: the image types that accept the file, the
// picture, its texts and palette, and the options the chosen engine supports.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/QoLoadSource.h"
#include "viewer/win32/QoControls.h"
#include "viewer/win32/QoImageView.h"
#include "viewer/win32/QoViewerCommands.h"
#include "viewer/win32/kivUI.h"

class TprWLXForm;

// Re-posts the Lister's own keys (Escape, digits, N, P) that land on the window's
// controls to the window itself, unless a list is dropped down or a menu is open.
class TKeyboardHook : public TkivMessageHook {
 public:
  TKeyboardHook(TprWLXForm& form, HWND handle) : form_(form), handle_(handle) {}

 protected:
  void HandleMessage(MSG& message, bool removing) override;

 private:
  TprWLXForm& form_;
  HWND handle_;
};

// The keys the Lister itself acts on.
bool QoIsListerKey(WPARAM virtualKey);

class TprWLXForm : public TkivShellBaseUIForm {
 public:
  explicit TprWLXForm(HWND parentWindow);
  ~TprWLXForm() override;

  // A new window inside parentWindow showing the source; should loading raise, the
  // window and every window it made are gone before the exception leaves.
  static HWND Open(HWND parentWindow, std::unique_ptr<TQoLoadSourceEx> source);

  // Takes the load source over and shows its first engine.
  void LoadSource(std::unique_ptr<TQoLoadSourceEx> source);
  void SelectEngine(TQoSourceEngine* engine);
  void RefreshPicture();
  // Shows the window and gives the image-type list the focus.
  void Show();

  TQoSourceEngine* CurrentEngine() const { return engine_; }
  TQoImage& ImageView() { return *image_; }
  TQoDestPalette& PaletteDisplay() { return *palette_; }
  // Runs a context-menu command; its failure is shown in a message dialog owned by the
  // window and answered with false. A cancelled dialog is no failure.
  bool RunCommand(UINT command);
  // A combo box of the window is dropped down.
  bool AnyListDroppedDown() const;
  // Alt+letter on a control of the window: the label's or check box's access key.
  bool HandleAccessKey(wchar_t key);

 protected:
  void ApplyMetrics() override;
  void ArrangeControls() override;
  void CreateWnd() override;
  void DestroyWnd() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct TOption {
    HWND Label = nullptr;
    HWND Box = nullptr;
    std::vector<int> Values;
  };
  enum { kAspect, kPalette, kVariant, kCalculation };

  void CreateControls();
  HWND MakeControl(const wchar_t* className, const std::wstring& text, DWORD style, int id);
  void FillBox(TOption& option, const std::vector<std::string>& items,
               const std::vector<int>& values, int selected);
  void HideOption(TOption& option);
  void OnCommand(int id, int code, HWND control);
  void ShowContextMenu(LPARAM position);
  void UpdateMenuStates();
  void CopyImage();
  void CopyComment();
  void SaveImage(const std::string& extension);
  void SavePalette();
  bool ChooseSaveFile(const std::string& extension, std::string& path);
  int BoxHeight() const;

  std::unique_ptr<TQoLoadSourceEx> source_;
  TQoSourceEngine* engine_ = nullptr;
  std::unique_ptr<TQoBitmap> picture_;
  uint8_t aspectIndex_ = 28;
  int updating_ = 0;
  std::unique_ptr<TKeyboardHook> hook_;
  int imageColumnWidth_ = 0, optionPanelWidth_ = 0;

  std::unique_ptr<TQoImage> image_;
  HWND imageTypeLabel_ = nullptr;
  HWND imageTypeBox_ = nullptr;
  bool imageTypeCentred_ = false;
  HWND title_ = nullptr;
  HWND info_ = nullptr;
  TOption options_[4];
  std::unique_ptr<TQoDestPalette> palette_;
  HWND grayBox_ = nullptr;
  HWND flickBox_ = nullptr;  // only with the compositor's frame wait
  HMENU menu_ = nullptr;
};
