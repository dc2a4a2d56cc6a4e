#pragma once
// The little of a UI library the viewer needs: window objects bound to native windows
// (and the lookup from a handle back to its object), DPI-aware metrics of the UI font,
// a base form with the two layout steps, and a thread-local message hook base.

#include <windows.h>

#include <exception>
#include <mutex>
#include <string>

// UTF-8 (the core's strings) to and from the system's UTF-16.
std::wstring KivWide(const std::string& utf8);
std::string KivUtf8(const std::wstring& wide);

// The modal message dialog owned by owner with an exception's message: styled as a
// warning for the core's warnings, as an error for everything else.
void KivShowException(HWND owner, const std::exception& e);

// A window object that owns one native window. The object is built first and its window
// created afterwards (CreateHandle), so that the window's messages already reach the
// most derived class. Concrete classes call DestroyHandle in their destructor.
class TkivWinControl {
 public:
  TkivWinControl() = default;
  virtual ~TkivWinControl();
  TkivWinControl(const TkivWinControl&) = delete;
  TkivWinControl& operator=(const TkivWinControl&) = delete;

  HWND Handle() const { return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  void SetBounds(int left, int top, int width, int height);
  void SetVisible(bool visible);
  int ClientWidth() const;
  int ClientHeight() const;
  void Invalidate();

  // The object of a window this module created, or nil for any other handle.
  static TkivWinControl* FindControl(HWND handle);

 protected:
  // Registers the class on first use and creates the window.
  void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, int left = 0,
                    int top = 0, int width = 0, int height = 0);
  void DestroyHandle();
  // After the window exists / just before it goes (also when a parent takes it down).
  virtual void CreateWnd() {}
  virtual void DestroyWnd() {}
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Extra class styles for the registration of a class.
  virtual UINT ClassStyle() const { return 0; }

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND handle_ = nullptr;
  bool destroying_ = false;
};

// The UI font and the dialog-unit measures of a window's DPI.
class TkivUIMetrics {
 public:
  TkivUIMetrics();
  ~TkivUIMetrics();
  TkivUIMetrics(const TkivUIMetrics&) = delete;
  TkivUIMetrics& operator=(const TkivUIMetrics&) = delete;

  void Update(HWND window);

  UINT Dpi = 96;
  HFONT Font = nullptr;       // the UI font at Dpi, owned
  HFONT FixedFont = nullptr;  // the fixed-pitch system font scaled by Dpi / 96, owned
  double CharWidth = 0;       // average width over a-z and A-Z
  int FontHeight = 0;         // tmHeight of the UI font
  int MarginX = 0, MarginY = 0;
  int GapX = 0, GapY = 0;
  int SpacingX = 0, SpacingY = 0;

  int DialogUnitsX(int units) const;
  int DialogUnitsY(int units) const;
  // The size of text drawn in font (lines split at "\r\n"); "&" marks access keys
  // unless noPrefix.
  SIZE TextSize(const std::wstring& text, HFONT font, bool noPrefix = false) const;
  // A check box that just holds its box and its caption.
  SIZE CheckBoxSize(const std::wstring& caption) const;
  // The top of a control of height h centred vertically on another control.
  static int CentreOn(int otherTop, int otherHeight, int h) {
    return otherTop + (otherHeight - h) / 2;
  }
};

// The window's DPI: per-window when the system tells it, else the screen's.
UINT QoDpiOfWindow(HWND window);

// A form: a window with metrics and the two layout steps, which run once after the
// window exists, after every change of DPI, theme or system font, and ArrangeControls
// alone on every resize.
class TkivShellBaseUIForm : public TkivWinControl {
 public:
  const TkivUIMetrics& Metrics() const { return metrics_; }
  // The pass a DPI change runs: metrics, ApplyMetrics, ArrangeControls.
  void UpdateMetrics();

 protected:
  virtual void ApplyMetrics() {}
  virtual void ArrangeControls() {}
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  TkivUIMetrics metrics_;
};

// A message hook of kind WH_GETMESSAGE for the calling thread. The chain is called
// first; the handler then runs under the hook's lock for non-negative codes, and any
// exception it raises is swallowed (a hook must never unwind into the system).
class TkivMessageHook {
 public:
  TkivMessageHook();
  virtual ~TkivMessageHook();
  TkivMessageHook(const TkivMessageHook&) = delete;
  TkivMessageHook& operator=(const TkivMessageHook&) = delete;

 protected:
  // removing: the message is being taken off the queue (PM_REMOVE).
  virtual void HandleMessage(MSG& message, bool removing) = 0;

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
  std::mutex lock_;
};
