#pragma once
// The viewer's own controls: the bordered base, the palette display, and the two
// animation overlays (alternating screens, colour cycling), whose threads draw straight
// onto their windows once per composed frame.

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "color/QoBitmap.h"
#include "color/QoColor.h"
#include "engine/QoSourceEngine.h"
#include "viewer/QoPaletteCycle.h"
#include "viewer/win32/kivUI.h"

// The compositor's wait for the next composed frame, looked up once in dwmapi.dll.
bool QoHasFrameWait();
// Waits for the next composed frame; gives up the time slice when there is no compositor.
void QoWaitForFrame();

// Copies a 32-bit picture opaquely to (x, y) of a device context.
void QoDrawBitmap32(HDC dc, const TQoBitmap32& picture, int x, int y);

enum class TQoBorderStyle { None, Single };

// A self-painting control with an optional border (a sunken client edge).
class TQoBorderControl : public TkivWinControl {
 public:
  TQoBorderStyle BorderStyle = TQoBorderStyle::Single;
  // Creates the window as a child of parent.
  void CreateIn(HWND parent);
  // The width and height the border adds to the client area.
  SIZE BorderExtent() const;

 protected:
  virtual const wchar_t* WindowClassName() const = 0;
};

// A control with a back buffer that covers its whole client area; it never erases its
// background. Its content extent is 0 x 0 here, so it never scrolls.
class TQoScrollControl : public TQoBorderControl {
 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Rebuilds the back buffer for the client size.
  virtual void PaintBuffer(TQoBitmap32& buffer) = 0;
  std::unique_ptr<TQoBitmap32> backBuffer_;
};

// The palette as a grid of colour cells.
class TQoDestPalette : public TQoBorderControl {
 public:
  TQoDestPalette();
  ~TQoDestPalette() override;

  int32_t CellSize() const { return cellSize_; }
  int32_t Columns() const { return columns_; }
  int32_t Rows() const { return rows_; }
  const TQoPalette256& Palette() const { return palette_; }
  void SetCellSize(int32_t size);
  void SetGrid(int32_t columns, int32_t rows);
  void SetPalette(const TQoPalette256* palette);
  // The outer size the control takes for its grid.
  SIZE AutoSize() const;
  // The drawing, for the grey-text colour colour (0x00RRGGBB): white, frame and grid,
  // the colours, crossed cells beyond the palette or excluded.
  std::unique_ptr<TQoBitmap32> Render(uint32_t gridColor) const;

 protected:
  const wchar_t* WindowClassName() const override { return L"TQoDestPalette"; }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Changed();
  int32_t cellSize_ = 5, columns_ = 16, rows_ = 16;
  TQoPalette256 palette_;
  std::unique_ptr<TQoBitmap32> cache_;
};

class TQoFlickBox;

// Alternates the two screens at the display's pace.
class TQoFlickeringThread {
 public:
  explicit TQoFlickeringThread(TQoFlickBox& box);
  ~TQoFlickeringThread();  // sets the terminate flag and waits
  TQoFlickeringThread(const TQoFlickeringThread&) = delete;
  TQoFlickeringThread& operator=(const TQoFlickeringThread&) = delete;

 private:
  void Execute();
  TQoFlickBox& box_;
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

class TQoFlickBox : public TQoBorderControl {
 public:
  // Takes both pictures, already at their displayed size.
  TQoFlickBox(std::unique_ptr<TQoBitmap32> first, std::unique_ptr<TQoBitmap32> second);
  ~TQoFlickBox() override;

  const TQoBitmap32List& Pictures() const { return pictures_; }

 protected:
  const wchar_t* WindowClassName() const override { return L"TQoFlickBox"; }
  void CreateWnd() override;
  void DestroyWnd() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void StopThread();
  TQoBitmap32List pictures_;
  std::unique_ptr<TQoFlickeringThread> thread_;
};

class TQoPaletteCycleBox;

// Rotates the palette ranges in 1/60-second ticks and draws every composed frame.
class TQoPaletteCycleThread {
 public:
  TQoPaletteCycleThread(TQoPaletteCycleBox& box, int32_t width, int32_t height);
  ~TQoPaletteCycleThread();  // sets the terminate flag and waits
  TQoPaletteCycleThread(const TQoPaletteCycleThread&) = delete;
  TQoPaletteCycleThread& operator=(const TQoPaletteCycleThread&) = delete;

  // The size the box wants drawn; written by the UI thread.
  void RequestSize(int32_t width, int32_t height);
  // Steps done so far (read by tests through the box).
  int64_t Steps() const { return steps_.load(); }

 private:
  void Execute();
  void Render();
  void Draw();
  TQoPaletteCycleBox& box_;
  std::atomic<int32_t> width_, height_;
  std::atomic<int64_t> steps_{0};
  std::atomic<bool> terminated_{false};
  std::unique_ptr<TQoBitmap32> output_;
  std::thread thread_;
};

class TQoPaletteCycleBox : public TQoBorderControl {
 public:
  TQoPaletteCycleBox(const TQoBitmap& decoded, const TQoCycleRanges& ranges);
  ~TQoPaletteCycleBox() override;

  TQoPaletteCycleBitmap32& Picture() { return *picture_; }

 protected:
  const wchar_t* WindowClassName() const override { return L"TQoPaletteCycleBox"; }
  void CreateWnd() override;
  void DestroyWnd() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void StopThread();
  std::unique_ptr<TQoPaletteCycleBitmap32> picture_;
  std::unique_ptr<TQoPaletteCycleThread> thread_;
};
