#include "viewer/win32/QoImageView.h"

#include <algorithm>

namespace {

constexpr UINT_PTR kPollTimer = 1;

// Light squares of 8 x 8 pixels behind the picture; the top-left square is grey.
void DrawCheckerboard(TQoBitmap32& buffer) {
  for (int32_t y = 0; y < buffer.Height; ++y) {
    uint32_t* row = buffer.ScanLine(y);
    const int32_t i = y / 8;
    for (int32_t x = 0; x < buffer.Width; ++x) {
      row[x] = ((i ^ (x / 8)) & 1) ? 0xFFFFFFFFu : 0xFFEEEEEEu;
    }
  }
}

// The picture stretched with nearest-neighbour sampling into r of the buffer.
void StretchInto(TQoBitmap32& buffer, const TQoBitmap32& picture, const TQoRect& r) {
  if (r.Empty() || picture.Width <= 0 || picture.Height <= 0) return;
  const int32_t y0 = std::max(r.Top, 0), y1 = std::min(r.Bottom, buffer.Height);
  const int32_t x0 = std::max(r.Left, 0), x1 = std::min(r.Right, buffer.Width);
  for (int32_t y = y0; y < y1; ++y) {
    const auto sy =
        static_cast<int32_t>(static_cast<int64_t>(y - r.Top) * picture.Height / r.Height());
    const uint32_t* in = picture.ScanLine(sy);
    uint32_t* out = buffer.ScanLine(y);
    for (int32_t x = x0; x < x1; ++x) {
      out[x] = in[static_cast<int64_t>(x - r.Left) * picture.Width / r.Width()] | 0xFF000000u;
    }
  }
}

// The picture copied unscaled to the rectangle's top-left corner.
void CopyInto(TQoBitmap32& buffer, const TQoBitmap32& picture, const TQoRect& r) {
  for (int32_t y = 0; y < picture.Height; ++y) {
    const int32_t by = r.Top + y;
    if (by < 0 || by >= buffer.Height) continue;
    const uint32_t* in = picture.ScanLine(y);
    uint32_t* out = buffer.ScanLine(by);
    for (int32_t x = 0; x < picture.Width; ++x) {
      const int32_t bx = r.Left + x;
      if (bx >= 0 && bx < buffer.Width) out[bx] = in[x] | 0xFF000000u;
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TQoResizeThreadEx

TQoResizeThreadEx::TQoResizeThreadEx(const TQoBitmap32List& input, int32_t width, int32_t height,
                                     uint32_t generation)
    : TargetWidth(width), TargetHeight(height), Generation(generation) {
  for (const auto& picture : input) input_.Add(std::make_unique<TQoBitmap32>(*picture));
  thread_ = std::thread([this] { Execute(); });
}

TQoResizeThreadEx::~TQoResizeThreadEx() {
  if (thread_.joinable()) thread_.join();
}

void TQoResizeThreadEx::Execute() {
  try {
    auto output = std::make_unique<TQoBitmap32List>();
    for (const auto& picture : input_) {
      output->Add(QoScaleTwoStage(*picture, TargetWidth, TargetHeight));
    }
    output_ = std::move(output);
  } catch (...) {
    output_.reset();
  }
  finished_ = true;
}

// ---------------------------------------------------------------------------------------
// TQoImage

TQoImage::TQoImage() = default;

TQoImage::~TQoImage() {
  decoded_.reset();
  rendered_.reset();
  resampled_.reset();
  flickBox_.reset();
  cycleBox_.reset();
  resizeThread_.reset();
  DestroyHandle();
}

TQoRect TQoImage::FitRect() const {
  if (!decoded_ || decoded_->Count() == 0) return TQoRect{};
  const TQoBitmap& first = *decoded_->GetBitmap(0);
  return QoFitRect(ClientWidth(), ClientHeight(), first.Width, first.Height, aspectIndex_);
}

void TQoImage::FreeLists() {
  decoded_.reset();
  rendered_.reset();
  resampled_.reset();
}

void TQoImage::SetSource(TQoSourceEngine* engine, uint8_t aspectIndex) {
  engine_ = engine;
  aspectIndex_ = aspectIndex;
  FreeLists();
  flickBox_.reset();
  cycleBox_.reset();
  schedule_.Invalidate();
  Invalidate();
  Decode();
  ArrangeOverlays();
}

void TQoImage::SetEngine(TQoSourceEngine* engine) {
  if (engine == engine_) return;
  engine_ = engine;
  FreeLists();
  schedule_.Invalidate();
  Invalidate();
  if (engine_) {
    Decode();
  } else {
    // Nothing to show: the overlays belonged to the old picture.
    flickBox_.reset();
    cycleBox_.reset();
  }
  ArrangeOverlays();
}

void TQoImage::SetAspect(uint8_t index) {
  if (index == aspectIndex_) return;
  aspectIndex_ = index;
  Invalidate();
  ArrangeOverlays();
}

void TQoImage::SetGray(bool on) {
  if (on == gray_) return;
  gray_ = on;
  rendered_.reset();
  resampled_.reset();
  schedule_.Invalidate();
  Invalidate();
  ArrangeOverlays();
}

void TQoImage::SetFlicker(bool on) {
  if (on == flicker_) return;
  flicker_ = on;
  ArrangeOverlays();
}

void TQoImage::Decode() {
  decoded_.reset();
  cycleBox_.reset();
  frameIndex_ = 0;
  if (!engine_) return;
  auto decoded = std::make_unique<TQoBitmapList>();
  if (std::unique_ptr<TQoBitmap> picture = engine_->Decode()) decoded->Add(std::move(picture));
  decoded_ = std::move(decoded);
  if (engine_->HasColorCycling && QoHasFrameWait() && decoded_->Count() > 0 && HandleAllocated()) {
    cycleBox_ = std::make_unique<TQoPaletteCycleBox>(*decoded_->GetBitmap(0), engine_->CycleRanges);
    const TQoRect r = FitRect();
    cycleBox_->CreateIn(Handle());
    cycleBox_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    cycleBox_->SetVisible(true);
    ArrangeOverlays();
  }
}

void TQoImage::RenderIfNeeded() {
  if (rendered_ || !decoded_) return;
  auto rendered = std::make_unique<TQoBitmap32List>();
  for (const auto& picture : *decoded_) {
    std::unique_ptr<TQoBitmap32> rgb = picture->ToBitmap32();
    if (gray_) QoConvertToGray(*rgb);
    rendered->Add(std::move(rgb));
  }
  rendered_ = std::move(rendered);
}

void TQoImage::ArrangeOverlays() {
  const TQoRect r = FitRect();
  flickBox_.reset();
  if (!HandleAllocated()) return;
  if (flicker_ && QoHasFrameWait() && !r.Empty() && decoded_ && decoded_->Count() > 0) {
    const TQoBitmap& first = *decoded_->GetBitmap(0);
    if (first.FrameCount() > 1) {
      std::unique_ptr<TQoBitmap32> screens[2];
      for (int k = 0; k < 2; ++k) {
        std::unique_ptr<TQoBitmap32> rgb = first.Frames->GetBitmap(k)->ToBitmap32();
        if (gray_) QoConvertToGray(*rgb);
        if (rgb->Width != r.Width() || rgb->Height != r.Height()) {
          rgb = QoStretchNearest(*rgb, r.Width(), r.Height());
        }
        screens[k] = std::move(rgb);
      }
      flickBox_ = std::make_unique<TQoFlickBox>(std::move(screens[0]), std::move(screens[1]));
      flickBox_->CreateIn(Handle());
      flickBox_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
      flickBox_->SetVisible(true);
    }
  }
  if (cycleBox_) cycleBox_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TQoImage::PaintBuffer(TQoBitmap32& buffer) {
  DrawCheckerboard(buffer);
  if (!engine_) return;
  // A picture that cannot be decoded or rendered leaves the checkerboard: a paint
  // handler that raised would be called again and again.
  try {
    if (!decoded_) Decode();
    RenderIfNeeded();
  } catch (...) {
    if (!decoded_) decoded_ = std::make_unique<TQoBitmapList>();
    if (!rendered_) rendered_ = std::make_unique<TQoBitmap32List>();
    return;
  }
  if (!rendered_ || rendered_->Count() == 0) return;
  const TQoRect r = FitRect();
  if (r.Empty()) return;
  if (frameIndex_ >= rendered_->Count()) frameIndex_ = 0;
  const TQoBitmap32& picture = *rendered_->GetBitmap(frameIndex_);
  const auto action = schedule_.Paint(r.Width(), r.Height(), picture.Width, picture.Height);
  if (action != TQoResampleSchedule::TPaintAction::DrawResampled) resampled_.reset();
  if (action == TQoResampleSchedule::TPaintAction::DrawResampled && resampled_ &&
      frameIndex_ < resampled_->Count()) {
    CopyInto(buffer, *resampled_->GetBitmap(frameIndex_), r);
    return;
  }
  StretchInto(buffer, picture, r);
  if (action == TQoResampleSchedule::TPaintAction::DrawStretchedAndStart) {
    resizeThread_ =
        std::make_unique<TQoResizeThreadEx>(*rendered_, r.Width(), r.Height(), Generation());
    SetTimer(Handle(), kPollTimer, 100, nullptr);
    timerEnabled_ = true;
  }
}

void TQoImage::Poll() {
  if (!resizeThread_) {
    KillTimer(Handle(), kPollTimer);
    timerEnabled_ = false;
    return;
  }
  if (!resizeThread_->Finished()) return;
  std::unique_ptr<TQoBitmap32List> output = resizeThread_->TakeOutput();
  // A failed resampling counts as delivered for its size, so that it is not retried
  // every 100 ms; the stretched picture stays until the next change.
  int32_t w = resizeThread_->TargetWidth, h = resizeThread_->TargetHeight;
  if (output && output->Count() > 0) {
    w = output->GetBitmap(0)->Width;
    h = output->GetBitmap(0)->Height;
  }
  if (schedule_.Finished(w, h)) resampled_ = std::move(output);
  resizeThread_.reset();
  KillTimer(Handle(), kPollTimer);
  timerEnabled_ = false;
  Invalidate();
}

LRESULT TQoImage::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kPollTimer) {
        Poll();
        return 0;
      }
      break;
    case WM_SIZE:
      Invalidate();
      ArrangeOverlays();
      break;
    default:
      break;
  }
  return TQoScrollControl::WndProc(message, wParam, lParam);
}
