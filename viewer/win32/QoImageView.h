#pragma once
// The picture in the viewer window: fitted with its pixel aspect onto a checkerboard,
// drawn at once by nearest-neighbour stretching and replaced by a resampled copy as soon
// as a background thread has made it; hosts the flicker and colour-cycling overlays.

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "export/QoScaling.h"
#include "viewer/QoViewerLogic.h"
#include "viewer/win32/QoControls.h"

// Resamples private copies of the rendered pictures to one target size.
class TQoResizeThreadEx {
 public:
  TQoResizeThreadEx(const TQoBitmap32List& input, int32_t width, int32_t height,
                    uint32_t generation);
  ~TQoResizeThreadEx();  // waits: the work is not cut short
  TQoResizeThreadEx(const TQoResizeThreadEx&) = delete;
  TQoResizeThreadEx& operator=(const TQoResizeThreadEx&) = delete;

  bool Finished() const { return finished_.load(); }
  // The result once finished: nil when a step failed.
  std::unique_ptr<TQoBitmap32List> TakeOutput() { return std::move(output_); }

  const int32_t TargetWidth, TargetHeight;
  const uint32_t Generation;

 private:
  void Execute();
  TQoBitmap32List input_;
  std::unique_ptr<TQoBitmap32List> output_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

class TQoImage : public TQoScrollControl {
 public:
  TQoImage();
  ~TQoImage() override;

  void SetSource(TQoSourceEngine* engine, uint8_t aspectIndex);
  void SetEngine(TQoSourceEngine* engine);
  void SetAspect(uint8_t index);
  void SetGray(bool on);
  void SetFlicker(bool on);

  TQoSourceEngine* Engine() const { return engine_; }
  uint8_t AspectIndex() const { return aspectIndex_; }
  bool Gray() const { return gray_; }
  bool Flicker() const { return flicker_; }
  uint32_t Generation() const { return schedule_.Generation(); }
  // The rectangle the picture takes in the client area.
  TQoRect FitRect() const;

 protected:
  const wchar_t* WindowClassName() const override { return L"TQoImage"; }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PaintBuffer(TQoBitmap32& buffer) override;

 private:
  void Decode();
  void RenderIfNeeded();
  void ArrangeOverlays();
  void FreeLists();
  void Poll();

  TQoSourceEngine* engine_ = nullptr;
  uint8_t aspectIndex_ = 28;
  bool gray_ = false;
  bool flicker_ = false;
  TQoResampleSchedule schedule_;
  std::unique_ptr<TQoBitmapList> decoded_;
  std::unique_ptr<TQoBitmap32List> rendered_;
  std::unique_ptr<TQoBitmap32List> resampled_;
  int32_t frameIndex_ = 0;
  std::unique_ptr<TQoResizeThreadEx> resizeThread_;
  bool timerEnabled_ = false;
  std::unique_ptr<TQoFlickBox> flickBox_;
  std::unique_ptr<TQoPaletteCycleBox> cycleBox_;
};
