// TGIFPainter: walks the frames of a TGIFImageEx with their delays, disposal
// methods and loop count and paints them onto a canvas, on a thread of its
// own (asynchronous) or inside the caller's Draw. Frames are composed at the
// picture's size in a 32-bit buffer and copied to the target rectangle; every
// canvas access and every painter event runs on the user-interface thread
// through TThread::Synchronize.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/gif_image_ex.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/thread.h"

namespace lumicast {
namespace gifex {

// Timing of painters: the clock (milliseconds) and the wait on the wake-up
// event (true when woken before the time ran out). Tests replace them.
struct TGIFPainterTiming {
  std::function<uint32_t()> Now;
  std::function<bool(classlib::TEvent& Event, uint32_t Milliseconds)> Wait;
};
TGIFPainterTiming& GIFPainterTiming();

// Timing constants, in delay units of the file (hundredths of a second).
constexpr int kGIFDelayMs = 12;
constexpr int kGIFDefaultDelay = 10;
constexpr int kGIFMinimumDelay = 3;
constexpr int kGIFMaximumDelay = 1000;

// Draws Graphic into Rect of Canvas: stretched, or with Tile copies of its own
// size laid from the rectangle's top-left corner and cut at its edges.
void DrawGIFPicture(classlib::TCanvas* Canvas, const classlib::TRect& Rect,
                    classlib::TGraphic* Graphic, bool Tile);

class TGIFPainter : public classlib::TThread {
 public:
  TGIFPainter(TGIFImageEx* Image, uint16_t Options, const classlib::TRect& Rect,
              classlib::TCanvas* Canvas);
  ~TGIFPainter() override;
  std::string ClassName() const override { return "TGIFPainter"; }

  // Stop request: terminate and wake a waiting painter.
  void Stop();
  // The thread body; also called directly for synchronous painting.
  void RunPainter();

  bool Asynchronous() const { return (options_ & goAsync) != 0; }
  bool Started() const { return started_.load(); }
  bool Done() const { return done_.load(); }
  int ActiveFrame() const { return active_.load(); }
  void SetActiveFrame(int Value) { active_.store(Value); }
  classlib::TCanvas* Canvas() const { return canvas_; }
  const classlib::TRect& Rect() const { return rect_; }
  // Waits requested so far, in milliseconds (for the frames shown).
  const std::vector<uint32_t>& Waits() const { return waits_; }

 protected:
  void Execute() override { RunPainter(); }

 private:
  void Event(const classlib::TNotifyEvent& Handler);
  void DrawFrame(int Index, uint8_t Disposal);
  void ComposeInto(std::vector<uint32_t>& Buffer, const TGIFSubImage& Frame);
  void RestoreBackground(std::vector<uint32_t>& Buffer, const TGIFSubImage& Frame);
  void CopyToTarget(const std::vector<uint32_t>& Buffer);
  bool WaitFrame(uint32_t Milliseconds);
  // With canvas validation: whether the canvas it was given is gone.
  bool CanvasGone() const;

  TGIFImageEx* image_;
  uint16_t options_;
  classlib::TRect rect_;
  classlib::TCanvas* canvas_;
  std::weak_ptr<const void> canvas_life_;  // remembered at the start of a run
  int width_, height_;
  std::atomic<int> active_{-1};
  std::atomic<bool> started_{false};
  std::atomic<bool> done_{false};
  std::vector<uint32_t> backup_, frame_buffer_, background_;
  bool use_backup_ = false;
  uint32_t background_color_ = 0;
  classlib::TEvent wake_{false, false};
  int speed_ = 100;
  uint8_t prev_disposal_ = 1;
  std::vector<uint32_t> waits_;
  classlib::TNotifyEvent on_start_, on_paint_, on_after_paint_, on_loop_, on_end_;
};

}  // namespace gifex
}  // namespace lumicast
