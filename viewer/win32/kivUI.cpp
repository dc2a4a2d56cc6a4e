#include "viewer/win32/kivUI.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

#include "base/QoErrors.h"

namespace {

// Every live window object of the module by its handle. Windows are used on the
// thread that created them, but several host threads may each hold viewers.
std::mutex controlsLock;
std::map<HWND, TkivWinControl*>& Controls() {
  static std::map<HWND, TkivWinControl*> controls;
  return controls;
}

HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
  return module;
}

}  // namespace

std::wstring KivWide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string KivUtf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(std::max(n, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

void KivShowException(HWND owner, const std::exception& e) {
  const bool warning = dynamic_cast<const EQoWarning*>(&e) != nullptr;
  MessageBoxW(owner, KivWide(e.what()).c_str(), L"OrvalonWLX",
              MB_OK | (warning ? MB_ICONWARNING : MB_ICONERROR));
}

// ---------------------------------------------------------------------------------------
// TkivWinControl

TkivWinControl::~TkivWinControl() {
  DestroyHandle();
}

TkivWinControl* TkivWinControl::FindControl(HWND handle) {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> guard(controlsLock);
  const auto it = Controls().find(handle);
  return it == Controls().end() ? nullptr : it->second;
}

void TkivWinControl::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent,
                                  int left, int top, int width, int height) {
  HINSTANCE instance = ModuleInstance();
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (!GetClassInfoExW(instance, className, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = ClassStyle();
    wc.lpfnWndProc = &TkivWinControl::StaticWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = className;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      throw std::runtime_error("Cannot register a window class");
    }
  }
  HWND hwnd = CreateWindowExW(exStyle, className, L"", style, left, top, width, height, parent,
                              nullptr, instance, this);
  if (!hwnd) throw std::runtime_error("Cannot create a window");
}

void TkivWinControl::DestroyHandle() {
  if (handle_ && !destroying_) DestroyWindow(handle_);
}

void TkivWinControl::SetBounds(int left, int top, int width, int height) {
  if (handle_) {
    SetWindowPos(handle_, nullptr, left, top, std::max(width, 0), std::max(height, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TkivWinControl::SetVisible(bool visible) {
  if (handle_) ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

int TkivWinControl::ClientWidth() const {
  RECT r{};
  if (handle_) GetClientRect(handle_, &r);
  return r.right - r.left;
}

int TkivWinControl::ClientHeight() const {
  RECT r{};
  if (handle_) GetClientRect(handle_, &r);
  return r.bottom - r.top;
}

void TkivWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, FALSE);
}

LRESULT TkivWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TkivWinControl::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  TkivWinControl* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<TkivWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    std::lock_guard<std::mutex> guard(controlsLock);
    Controls()[hwnd] = self;
  } else {
    self = reinterpret_cast<TkivWinControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  // Exceptions end here: unwinding through the system's dispatcher is not allowed.
  try {
    switch (message) {
      case WM_CREATE: {
        const LRESULT result = self->WndProc(message, wParam, lParam);
        if (result != -1) self->CreateWnd();
        return result;
      }
      case WM_DESTROY:
        self->destroying_ = true;
        self->DestroyWnd();
        return self->WndProc(message, wParam, lParam);
      case WM_NCDESTROY: {
        const LRESULT result = self->WndProc(message, wParam, lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        {
          std::lock_guard<std::mutex> guard(controlsLock);
          Controls().erase(hwnd);
        }
        self->handle_ = nullptr;
        self->destroying_ = false;
        return result;
      }
      default:
        return self->WndProc(message, wParam, lParam);
    }
  } catch (const std::exception& e) {
    // The toolkit's default handling of an exception in a handler: tell the user.
    KivShowException(hwnd, e);
    return 0;
  } catch (...) {
    return 0;
  }
}

// ---------------------------------------------------------------------------------------
// Metrics

UINT QoDpiOfWindow(HWND window) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  UINT dpi = 0;
  if (getDpiForWindow && window) dpi = getDpiForWindow(window);
  if (dpi == 0) {
    HDC dc = GetDC(nullptr);
    dpi = static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSY));
    ReleaseDC(nullptr, dc);
  }
  return dpi ? dpi : 96;
}

TkivUIMetrics::TkivUIMetrics() = default;

TkivUIMetrics::~TkivUIMetrics() {
  if (Font) DeleteObject(Font);
  if (FixedFont) DeleteObject(FixedFont);
}

void TkivUIMetrics::Update(HWND window) {
  Dpi = QoDpiOfWindow(window);
  // The message font of the system, at 96 dpi scaled to the window's.
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof(ncm);
  LOGFONTW ui{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) {
    ui = ncm.lfMessageFont;
    HDC screen = GetDC(nullptr);
    const int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (screenDpi > 0) ui.lfHeight = MulDiv(ui.lfHeight, static_cast<int>(Dpi), screenDpi);
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(ui), &ui);
  }
  LOGFONTW fixed{};
  GetObjectW(GetStockObject(SYSTEM_FIXED_FONT), sizeof(fixed), &fixed);
  fixed.lfHeight = MulDiv(fixed.lfHeight, static_cast<int>(Dpi), 96);
  fixed.lfWidth = MulDiv(fixed.lfWidth, static_cast<int>(Dpi), 96);

  HFONT newFont = CreateFontIndirectW(&ui);
  HFONT newFixed = CreateFontIndirectW(&fixed);
  if (!newFont || !newFixed) {
    if (newFont) DeleteObject(newFont);
    if (newFixed) DeleteObject(newFixed);
    throw std::runtime_error("Cannot create the UI fonts");
  }
  if (Font) DeleteObject(Font);
  if (FixedFont) DeleteObject(FixedFont);
  Font = newFont;
  FixedFont = newFixed;

  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font);
  static const wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  SIZE size{};
  GetTextExtentPoint32W(dc, kLetters, 52, &size);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  CharWidth = size.cx / 52.0;
  FontHeight = tm.tmHeight;
  MarginX = DialogUnitsX(7);
  MarginY = DialogUnitsY(7);
  GapX = DialogUnitsX(3);
  GapY = DialogUnitsY(3);
  SpacingX = DialogUnitsX(7);
  SpacingY = DialogUnitsY(7);
}

// A horizontal dialog unit is a quarter of the average character width, a vertical one
// an eighth of the font height.
int TkivUIMetrics::DialogUnitsX(int units) const {
  return static_cast<int>(std::lround(units * CharWidth / 4.0));
}

int TkivUIMetrics::DialogUnitsY(int units) const {
  return static_cast<int>(std::lround(units * FontHeight / 8.0));
}

SIZE TkivUIMetrics::TextSize(const std::wstring& text, HFONT font, bool noPrefix) const {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font ? font : Font);
  RECT r{0, 0, 0, 0};
  const std::wstring measured = text.empty() ? L" " : text;
  DrawTextW(dc, measured.c_str(), static_cast<int>(measured.size()), &r,
            DT_CALCRECT | DT_LEFT | DT_TOP | (noPrefix ? DT_NOPREFIX : 0));
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  SIZE size{r.right - r.left, r.bottom - r.top};
  if (text.empty()) size.cx = 0;
  return size;
}

SIZE TkivUIMetrics::CheckBoxSize(const std::wstring& caption) const {
  const SIZE text = TextSize(caption, Font);
  const int box = MulDiv(GetSystemMetrics(SM_CXMENUCHECK), static_cast<int>(Dpi), 96);
  return SIZE{box + DialogUnitsX(3) + text.cx + 2, std::max<LONG>(box, text.cy) + 2};
}

// ---------------------------------------------------------------------------------------
// TkivShellBaseUIForm

void TkivShellBaseUIForm::UpdateMetrics() {
  if (!HandleAllocated()) return;
  metrics_.Update(Handle());
  ApplyMetrics();
  ArrangeControls();
}

LRESULT TkivShellBaseUIForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DPICHANGED:
    case 0x02E3:  // WM_DPICHANGED_AFTERPARENT: a child window's DPI followed its parent
    case WM_THEMECHANGED:
    case WM_FONTCHANGE:
      UpdateMetrics();
      break;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETNONCLIENTMETRICS || wParam == SPI_SETICONTITLELOGFONT) UpdateMetrics();
      break;
    case WM_SIZE:
      if (HandleAllocated() && metrics_.Font) {
        // No half-arranged frames: the window repaints once the controls stand.
        SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
        ArrangeControls();
        SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
        RedrawWindow(Handle(), nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
      }
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(Handle(), &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
      break;
  }
  return TkivWinControl::WndProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------
// TkivMessageHook

namespace {

// One system hook per thread serves every hook object of that thread: the system's
// callback does not say which registration it belongs to.
struct TThreadHooks {
  HHOOK System = nullptr;
  std::vector<TkivMessageHook*> Objects;
};
thread_local TThreadHooks threadHooks;

}  // namespace

TkivMessageHook::TkivMessageHook() {
  if (!threadHooks.System) {
    threadHooks.System =
        SetWindowsHookExW(WH_GETMESSAGE, &TkivMessageHook::HookProc, nullptr, GetCurrentThreadId());
    if (!threadHooks.System) throw std::runtime_error("Cannot install the message hook");
  }
  hook_ = threadHooks.System;
  threadHooks.Objects.push_back(this);
}

TkivMessageHook::~TkivMessageHook() {
  std::lock_guard<std::mutex> guard(lock_);
  auto& objects = threadHooks.Objects;
  objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
  if (objects.empty() && threadHooks.System) {
    UnhookWindowsHookEx(threadHooks.System);
    threadHooks.System = nullptr;
  }
}

LRESULT CALLBACK TkivMessageHook::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallNextHookEx(threadHooks.System, code, wParam, lParam);
  if (code >= 0 && lParam) {
    MSG& message = *reinterpret_cast<MSG*>(lParam);
    // A copy: a handler may free a window and with it its hook object.
    const std::vector<TkivMessageHook*> objects = threadHooks.Objects;
    for (TkivMessageHook* object : objects) {
      if (std::find(threadHooks.Objects.begin(), threadHooks.Objects.end(), object) ==
          threadHooks.Objects.end()) {
        continue;
      }
      try {
        std::lock_guard<std::mutex> guard(object->lock_);
        object->HandleMessage(message, wParam == PM_REMOVE);
      } catch (...) {
      }
    }
  }
  return result;
}
