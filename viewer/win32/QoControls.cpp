#include "viewer/win32/QoControls.h"

#include <algorithm>
#include <chrono>

#include "export/QoScaling.h"

// ---------------------------------------------------------------------------------------
// The compositor's frame wait

namespace {

using TDwmFlush = HRESULT(WINAPI*)();

// Looked up once; the library stays loaded until the module goes.
class TQoDwm {
 public:
  TQoDwm() {
    module_ = LoadLibraryW(L"dwmapi.dll");
    if (module_) {
      flush_ =
          reinterpret_cast<TDwmFlush>(reinterpret_cast<void*>(GetProcAddress(module_, "DwmFlush")));
    }
  }
  ~TQoDwm() {
    if (module_) FreeLibrary(module_);
  }
  TDwmFlush Flush() const { return flush_; }

 private:
  HMODULE module_ = nullptr;
  TDwmFlush flush_ = nullptr;
};

const TQoDwm& Dwm() {
  static const TQoDwm dwm;
  return dwm;
}

}  // namespace

bool QoHasFrameWait() {
  return Dwm().Flush() != nullptr;
}

void QoWaitForFrame() {
  const TDwmFlush flush = Dwm().Flush();
  // A compositor that returns at once (or fails) must not turn the loop into a spin: a
  // frame of a 60 Hz display is the longest any caller waits anyway.
  const auto start = std::chrono::steady_clock::now();
  if (!flush || FAILED(flush())) {
    Sleep(flush ? 16 : 0);
    return;
  }
  if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(2)) Sleep(15);
}

void QoDrawBitmap32(HDC dc, const TQoBitmap32& picture, int x, int y) {
  if (picture.Width <= 0 || picture.Height <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.Width;
  info.bmiHeader.biHeight = -picture.Height;  // top-down, as the picture
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(picture.Width), static_cast<DWORD>(picture.Height),
                    0, 0, 0, static_cast<UINT>(picture.Height), picture.Pixels.data(), &info,
                    DIB_RGB_COLORS);
}

// ---------------------------------------------------------------------------------------
// TQoBorderControl and TQoScrollControl

void TQoBorderControl::CreateIn(HWND parent) {
  CreateHandle(WindowClassName(), WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
               BorderStyle == TQoBorderStyle::Single ? WS_EX_CLIENTEDGE : 0, parent);
}

SIZE TQoBorderControl::BorderExtent() const {
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, WS_CHILD, FALSE,
                     BorderStyle == TQoBorderStyle::Single ? WS_EX_CLIENTEDGE : 0);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

LRESULT TQoScrollControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      const int w = ClientWidth(), h = ClientHeight();
      if (w > 0 && h > 0) {
        if (!backBuffer_ || backBuffer_->Width != w || backBuffer_->Height != h) {
          backBuffer_.reset();
          backBuffer_ = std::make_unique<TQoBitmap32>(w, h);
        }
        PaintBuffer(*backBuffer_);
        QoDrawBitmap32(dc, *backBuffer_, 0, 0);
      }
      EndPaint(Handle(), &ps);
      return 0;
    }
    default:
      return TQoBorderControl::WndProc(message, wParam, lParam);
  }
}

// ---------------------------------------------------------------------------------------
// TQoDestPalette

TQoDestPalette::TQoDestPalette() = default;

TQoDestPalette::~TQoDestPalette() {
  DestroyHandle();
}

void TQoDestPalette::SetCellSize(int32_t size) {
  size = std::max(size, 5);
  if (size == cellSize_) return;
  cellSize_ = size;
  Changed();
}

void TQoDestPalette::SetGrid(int32_t columns, int32_t rows) {
  columns = std::max(columns, 1);
  rows = std::max(rows, 1);
  if (columns == columns_ && rows == rows_) return;
  columns_ = columns;
  rows_ = rows;
  Changed();
}

void TQoDestPalette::SetPalette(const TQoPalette256* palette) {
  palette_.Assign(palette);
  cache_.reset();
  Invalidate();
}

SIZE TQoDestPalette::AutoSize() const {
  const SIZE border = BorderExtent();
  return SIZE{cellSize_ * columns_ + 1 + border.cx, cellSize_ * rows_ + 1 + border.cy};
}

void TQoDestPalette::Changed() {
  cache_.reset();
  if (HandleAllocated()) {
    const SIZE size = AutoSize();
    SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate();
  }
}

std::unique_ptr<TQoBitmap32> TQoDestPalette::Render(uint32_t gridColor) const {
  const int32_t cs = cellSize_;
  const int32_t w = cs * columns_ + 1, h = cs * rows_ + 1;
  auto picture = std::make_unique<TQoBitmap32>(w, h);
  std::fill(picture->Pixels.begin(), picture->Pixels.end(), 0xFFFFFFFFu);
  const uint32_t grid = 0xFF000000u | gridColor;
  for (int32_t x = 0; x < w; x += cs) {
    for (int32_t y = 0; y < h; ++y) picture->At(x, y) = grid;
  }
  for (int32_t y = 0; y < h; y += cs) {
    for (int32_t x = 0; x < w; ++x) picture->At(x, y) = grid;
  }
  const bool enabled = !HandleAllocated() || IsWindowEnabled(Handle());
  if (!enabled) return picture;
  for (int32_t i = 0; i < columns_ * rows_; ++i) {
    const int32_t x0 = (i % columns_) * cs, y0 = (i / columns_) * cs;
    if (i >= palette_.GetCount() || palette_.GetPColor(i).Excluded) {
      for (int32_t k = 0; k <= cs; ++k) {
        picture->At(x0 + k, y0 + k) = grid;
        picture->At(x0 + cs - k, y0 + k) = grid;
      }
    } else {
      const uint32_t colour = 0xFF000000u | palette_.GetRGBQuad(i);
      for (int32_t y = y0 + 1; y < y0 + cs; ++y) {
        for (int32_t x = x0 + 1; x < x0 + cs; ++x) picture->At(x, y) = colour;
      }
    }
  }
  return picture;
}

LRESULT TQoDestPalette::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_ENABLE:
      cache_.reset();
      Invalidate();
      break;
    case WM_SIZE:
      cache_.reset();
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      if (!cache_) {
        const COLORREF c = GetSysColor(COLOR_GRAYTEXT);
        cache_ = Render((static_cast<uint32_t>(GetRValue(c)) << 16) |
                        (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c));
      }
      RECT r;
      GetClientRect(Handle(), &r);
      FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
      QoDrawBitmap32(dc, *cache_, 0, 0);
      EndPaint(Handle(), &ps);
      return 0;
    }
    default:
      break;
  }
  return TQoBorderControl::WndProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------
// Flicker

TQoFlickeringThread::TQoFlickeringThread(TQoFlickBox& box) : box_(box) {
  thread_ = std::thread([this] { Execute(); });
}

TQoFlickeringThread::~TQoFlickeringThread() {
  terminated_ = true;
  if (thread_.joinable()) thread_.join();
}

void TQoFlickeringThread::Execute() {
  // Late frames show as a stutter of the mix, so this thread goes before the others.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  const TQoBitmap32List& pictures = box_.Pictures();
  int i = 0;
  while (!terminated_) {
    QoWaitForFrame();
    if (terminated_) break;
    HWND window = box_.Handle();
    if (HDC dc = window ? GetDC(window) : nullptr) {
      QoDrawBitmap32(dc, *pictures.GetBitmap(i), 0, 0);
      ReleaseDC(window, dc);
    }
    if (++i >= pictures.Count()) i = 0;
  }
}

TQoFlickBox::TQoFlickBox(std::unique_ptr<TQoBitmap32> first, std::unique_ptr<TQoBitmap32> second) {
  BorderStyle = TQoBorderStyle::None;
  pictures_.Add(std::move(first));
  pictures_.Add(std::move(second));
}

TQoFlickBox::~TQoFlickBox() {
  StopThread();
  DestroyHandle();
}

void TQoFlickBox::StopThread() {
  thread_.reset();
}

void TQoFlickBox::CreateWnd() {
  StopThread();
  thread_ = std::make_unique<TQoFlickeringThread>(*this);
}

void TQoFlickBox::DestroyWnd() {
  StopThread();
}

LRESULT TQoFlickBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
      EndPaint(Handle(), &ps);
      return 0;
    }
    default:
      return TQoBorderControl::WndProc(message, wParam, lParam);
  }
}

// ---------------------------------------------------------------------------------------
// Colour cycling

TQoPaletteCycleThread::TQoPaletteCycleThread(TQoPaletteCycleBox& box, int32_t width, int32_t height)
    : box_(box), width_(width), height_(height) {
  thread_ = std::thread([this] { Execute(); });
}

TQoPaletteCycleThread::~TQoPaletteCycleThread() {
  terminated_ = true;
  if (thread_.joinable()) thread_.join();
}

void TQoPaletteCycleThread::RequestSize(int32_t width, int32_t height) {
  width_.exchange(width);
  height_.exchange(height);
}

void TQoPaletteCycleThread::Render() {
  const int32_t w = width_.load(), h = height_.load();
  try {
    if (w > 0 && h > 0) {
      output_ = QoScaleTwoStage(box_.Picture(), w, h);
    } else {
      output_ = std::make_unique<TQoBitmap32>(0, 0);
    }
  } catch (...) {
    // Out of memory for a huge overlay: keep the last rendering.
  }
}

void TQoPaletteCycleThread::Draw() {
  HWND window = box_.Handle();
  if (!output_ || !window) return;
  if (HDC dc = GetDC(window)) {
    QoDrawBitmap32(dc, *output_, 0, 0);
    ReleaseDC(window, dc);
  }
}

void TQoPaletteCycleThread::Execute() {
  Render();
  QoWaitForFrame();
  Draw();
  const ULONGLONG start = GetTickCount64();
  int64_t lastTick = 0;
  while (!terminated_) {
    QoWaitForFrame();
    if (terminated_) break;
    Draw();
    const int64_t tick = QoCycleTick(static_cast<int64_t>(GetTickCount64() - start));
    if (tick != lastTick) {
      lastTick = tick;
      ++steps_;
      if (box_.Picture().Step()) {
        Render();
        continue;
      }
    }
    if (output_ && (width_.load() != output_->Width || height_.load() != output_->Height)) {
      Render();
    }
  }
  output_.reset();
}

TQoPaletteCycleBox::TQoPaletteCycleBox(const TQoBitmap& decoded, const TQoCycleRanges& ranges)
    : picture_(std::make_unique<TQoPaletteCycleBitmap32>(decoded, ranges)) {
  BorderStyle = TQoBorderStyle::None;
}

TQoPaletteCycleBox::~TQoPaletteCycleBox() {
  StopThread();
  DestroyHandle();
}

void TQoPaletteCycleBox::StopThread() {
  thread_.reset();
}

void TQoPaletteCycleBox::CreateWnd() {
  StopThread();
  thread_ = std::make_unique<TQoPaletteCycleThread>(*this, ClientWidth(), ClientHeight());
}

void TQoPaletteCycleBox::DestroyWnd() {
  StopThread();
}

LRESULT TQoPaletteCycleBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      if (thread_) thread_->RequestSize(LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
      EndPaint(Handle(), &ps);
      return 0;
    }
    default:
      break;
  }
  return TQoBorderControl::WndProc(message, wParam, lParam);
}
