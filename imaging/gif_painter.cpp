#include "imaging/gif_painter.h"

#include <algorithm>
#include <cstring>

#include "platform/classlib/application.h"
#include "imaging/gif_image.h"
#include "platform/classlib/bitmap.h"

namespace lumicast {
namespace gifex {

using classlib::TThread;

TGIFPainterTiming& GIFPainterTiming() {
  static TGIFPainterTiming timing{[] { return classlib::GetTickCount(); },
                                  [](classlib::TEvent& Event, uint32_t Ms) {
                                    return Event.WaitFor(Ms) == classlib::TWaitResult::wrSignaled;
                                  }};
  return timing;
}

namespace {

uint32_t Rgb(const TGIFRGB& C) {
  return 0xFF000000u | (uint32_t(C.Red) << 16) | (uint32_t(C.Green) << 8) | C.Blue;
}

uint32_t ColorToPixel(classlib::TColor C) {
  const classlib::TColor c = classlib::ColorToRGB(C);
  return 0xFF000000u | (uint32_t(classlib::GetRValue(c)) << 16) |
         (uint32_t(classlib::GetGValue(c)) << 8) | classlib::GetBValue(c);
}

}  // namespace

void DrawGIFPicture(classlib::TCanvas* Canvas, const classlib::TRect& Rect,
                    classlib::TGraphic* Graphic, bool Tile) {
  if (Canvas == nullptr || Graphic == nullptr || Graphic->Empty()) return;
  if (!Tile) {
    Canvas->StretchDraw(Rect, Graphic);
    return;
  }
  const int w = Graphic->Width(), h = Graphic->Height();
  if (w <= 0 || h <= 0 || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
  // Tiles beyond the rectangle are cut by clipping to it; the caller's clip
  // is put back afterwards.
  const bool had_clip = Canvas->HasClipRegion();
  const classlib::TRegion old_clip = Canvas->ClipRegion();
  Canvas->IntersectClipRect(Rect);
  for (int64_t y = Rect.Top; y < Rect.Bottom; y += h)
    for (int64_t x = Rect.Left; x < Rect.Right; x += w)
      Canvas->Draw(static_cast<int>(x), static_cast<int>(y), Graphic);
  Canvas->SetClipRegion(had_clip ? &old_clip : nullptr);
}

bool TGIFPainter::CanvasGone() const {
  return (options_ & goValidateCanvas) != 0 && canvas_life_.expired();
}

TGIFPainter::TGIFPainter(TGIFImageEx* Image, uint16_t Options, const classlib::TRect& Rect,
                         classlib::TCanvas* Canvas)
    : image_(Image),
      options_(Options),
      rect_(Rect),
      canvas_(Canvas),
      width_(Image->Width()),
      height_(Image->Height()) {
  speed_ = Image->AnimationSpeed;
  on_start_ = Image->OnStartPaint;
  on_paint_ = Image->OnPaint;
  on_after_paint_ = Image->OnAfterPaint;
  on_loop_ = Image->OnLoop;
  on_end_ = Image->OnEndPaint;
  // Background: the picture's colour when set, else the window colour
  // without a global map, else the header's background entry.
  if (Image->BackgroundColor != 0x1FFFFFFF) {
    background_color_ = ColorToPixel(Image->BackgroundColor);
  } else if (Image->GlobalColorMap().Count() == 0) {
    background_color_ = ColorToPixel(classlib::clWindow);
  } else {
    const int i = Image->BackgroundColorIndex();
    background_color_ = Rgb(Image->GlobalColorMap()[i < Image->GlobalColorMap().Count() ? i : 0]);
  }
  // A logical screen beyond the largest frame the format allows is not painted.
  if (int64_t(width_) * height_ > kMaxGIFFrameBytes) width_ = height_ = 0;
  const size_t n =
      static_cast<size_t>(std::max(width_, 0)) * static_cast<size_t>(std::max(height_, 0));
  backup_.assign(n, background_color_);
  background_ = backup_;
}

TGIFPainter::~TGIFPainter() { TerminateAndWait(); }

void TGIFPainter::Stop() {
  Terminate();
  wake_.SetEvent();
}

void TGIFPainter::Event(const classlib::TNotifyEvent& Handler) {
  if (!Handler) return;
  TThread::Synchronize(this, [&] { Handler(this); });
}

void TGIFPainter::ComposeInto(std::vector<uint32_t>& Buffer, const TGIFSubImage& Frame) {
  const TGIFColorMap& map = Frame.ActiveColorMap();
  std::array<uint32_t, 256> lut{};
  for (int i = 0; i < map.Count(); ++i) lut[static_cast<size_t>(i)] = Rgb(map[i]);
  const int t = (options_ & goTransparent) ? Frame.TransparentIndex() : -1;
  const uint8_t* px = Frame.Data().data();
  for (int y = 0; y < Frame.Height(); ++y) {
    const int sy = Frame.Top() + y;
    if (sy < 0 || sy >= height_) continue;
    uint32_t* dst = Buffer.data() + static_cast<size_t>(sy) * width_;
    const uint8_t* src = px + static_cast<size_t>(y) * Frame.Width();
    for (int x = 0; x < Frame.Width(); ++x) {
      const int sx = Frame.Left() + x;
      if (sx < 0 || sx >= width_ || src[x] == t) continue;
      dst[sx] = lut[src[x]];
    }
  }
}

void TGIFPainter::RestoreBackground(std::vector<uint32_t>& Buffer, const TGIFSubImage& Frame) {
  for (int y = std::max(Frame.Top(), 0); y < std::min(Frame.Top() + Frame.Height(), height_); ++y)
    for (int x = std::max(Frame.Left(), 0); x < std::min(Frame.Left() + Frame.Width(), width_);
         ++x) {
      const size_t i = static_cast<size_t>(y) * width_ + x;
      Buffer[i] = background_[i];
    }
}

void TGIFPainter::CopyToTarget(const std::vector<uint32_t>& Buffer) {
  TThread::Synchronize(this, [&] {
    if (canvas_ == nullptr || width_ <= 0 || height_ <= 0) return;
    // A validating painter stops once its canvas is gone or has nothing to
    // draw on (the same thread destroys canvases, so the check holds).
    if (CanvasGone() || ((options_ & goValidateCanvas) && !canvas_->HandleAllocated())) {
      Terminate();
      return;
    }
    classlib::TBitmap bmp;
    bmp.SetPixelFormat(classlib::pf32bit);
    bmp.SetSize(width_, height_);
    for (int y = 0; y < height_; ++y)
      std::memcpy(bmp.ScanLine(y), Buffer.data() + static_cast<size_t>(y) * width_,
                  static_cast<size_t>(width_) * 4);
    DrawGIFPicture(canvas_, rect_, &bmp, (options_ & goTile) != 0);
    image_->PainterDrew(this);
  });
}

void TGIFPainter::DrawFrame(int Index, uint8_t Disposal) {
  if (CanvasGone()) {
    Terminate();
    return;
  }
  const TGIFSubImage& f = *image_->Frame(Index);
  if ((options_ & goClearOnLoop) && Index == 0) backup_ = background_;
  switch (Disposal) {
    case 0:
    case 1:
    case 2:
      ComposeInto(backup_, f);
      CopyToTarget(backup_);
      if (Disposal == 2) RestoreBackground(backup_, f);
      break;
    case 3:
      // The frame shows, then the picture goes back to how it was before it.
      frame_buffer_ = backup_;
      ComposeInto(frame_buffer_, f);
      CopyToTarget(frame_buffer_);
      break;
    default: return;
  }
  started_.store(true);
}

bool TGIFPainter::WaitFrame(uint32_t Milliseconds) {
  waits_.push_back(Milliseconds);
  auto& timing = GIFPainterTiming();
  if (Asynchronous()) return timing.Wait(wake_, Milliseconds);
  // Synchronous: short sleeps, letting the thread's messages run between them.
  classlib::TEvent never(true, false);
  const uint32_t start = timing.Now();
  const uint32_t total = std::max<uint32_t>(Milliseconds, 1);
  uint32_t elapsed = 0;
  while (!Terminated() && elapsed < total) {
    timing.Wait(never, std::min<uint32_t>(total - elapsed, 100));
    elapsed = timing.Now() - start;
    if (classlib::Application != nullptr) classlib::Application->ProcessMessages();
  }
  return false;
}

void TGIFPainter::RunPainter() {
  auto& timing = GIFPainterTiming();
  try {
    if ((options_ & goValidateCanvas) && canvas_ != nullptr) canvas_life_ = canvas_->LifeToken();
    const int frames = image_->FrameCount();
    active_.store(0);
    Event(on_start_);
    started_.store(false);
    int64_t passes = 1;
    int loop_start = 0;
    bool loop_seen = false;
    int planned = Asynchronous() ? 0 : 1;
    prev_disposal_ = 1;
    uint32_t last = timing.Now();
    int64_t overshoot = 0;
    bool first_pass = true;
    while ((passes != 0 || (options_ & goLoopContinously)) && !Terminated()) {
      active_.store(loop_start);
      if (!first_pass) Event(on_loop_);
      first_pass = false;
      do {
        const int i = active_.load();
        if (i < 0 || i >= frames || Terminated() || image_->Frame(i)->Empty() || width_ == 0) break;
        if (planned < 1) {
          classlib::Sleep(0);
        } else {
          int64_t wait;
          if (speed_ < 1) {
            wait = Asynchronous() ? -1 : int64_t(kGIFMaximumDelay) * kGIFDelayMs;
          } else {
            const int64_t late = int64_t(timing.Now() - last) - overshoot;
            wait = (int64_t(planned) * kGIFDelayMs - late / 2) * 100 / speed_;
            overshoot = wait;
          }
          last = timing.Now();
          if (wait > 0 || speed_ < 1) {
            const uint32_t ms = wait < 0
                                    ? classlib::INFINITE
                                    : static_cast<uint32_t>(std::min<int64_t>(wait, 0x7FFFFFFF));
            if (WaitFrame(ms) && Asynchronous()) {
              overshoot = 0;
              last = timing.Now();
            }
          }
        }
        if (Terminated()) break;
        Event(on_paint_);
        if (Terminated()) break;
        uint8_t disposal = 1;
        const TGIFSubImage& f = *image_->Frame(i);
        for (const auto& e : f.Extensions()) {
          if (auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(e.get())) {
            if (!loop_seen) {
              loop_seen = true;
              passes = loop->Loops;
              if (Asynchronous() && (loop->Loops == 0 || (options_ & goLoopContinously)))
                passes = -1;
              loop_start = i;
            }
          } else if (auto* g = dynamic_cast<const TGIFGraphicControlExtension*>(e.get())) {
            disposal = g->Disposal();
          }
        }
        DrawFrame(i, disposal);
        prev_disposal_ = disposal;
        if (Terminated()) break;
        planned = kGIFDefaultDelay;
        if (auto* g = f.GraphicControl(); g != nullptr && g->Delay() > 0) {
          planned = std::max<int>(g->Delay(), kGIFMinimumDelay);
          if (!Asynchronous()) planned = std::min(planned, kGIFMaximumDelay);
        }
        Event(on_after_paint_);
        if (Terminated()) break;
        if (active_.load() == i) active_.store(i + 1);
      } while (options_ & goAnimate);
      if (passes > 0) --passes;
      if (!((options_ & goAnimate) && (options_ & goLoop))) break;
    }
    active_.store(-1);
    Event(on_end_);
  } catch (const classlib::Exception&) {
    // The painter ends; the picture stays as last painted.
    Terminate();
  }
  done_.store(true);
}

}  // namespace gifex
}  // namespace lumicast
