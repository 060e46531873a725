// The animation painter under a stepped clock: waits per frame, delay rules,
// looping, disposal against an independent composition, and stopping.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "imaging/gif_image_ex.h"
#include "imaging/gif_painter.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/resources.h"
#include "tests/imaging/gif_compose.h"

using namespace lumicast;
using namespace lumicast::gifex;

namespace {

// A clock that moves only by the waits asked for. After Limit waits the
// painter waits on its real wake-up event, so that stopping wakes it.
class SteppedClock {
 public:
  explicit SteppedClock(size_t Limit) : limit_(Limit), saved_(GIFPainterTiming()) {
    GIFPainterTiming().Now = [this] { return now_.load(); };
    GIFPainterTiming().Wait = [this](classlib::TEvent& E, uint32_t Ms) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (waits_.size() >= limit_) {
          full_ = true;
        } else {
          waits_.push_back(Ms);
          now_ += Ms;
          return false;
        }
      }
      return E.WaitFor(classlib::INFINITE) == classlib::TWaitResult::wrSignaled;
    };
  }
  ~SteppedClock() { GIFPainterTiming() = saved_; }
  std::vector<uint32_t> Waits() {
    std::lock_guard<std::mutex> lock(mutex_);
    return waits_;
  }
  bool Full() {
    std::lock_guard<std::mutex> lock(mutex_);
    return full_;
  }

 private:
  size_t limit_;
  TGIFPainterTiming saved_;
  std::atomic<uint32_t> now_{1000};
  std::mutex mutex_;
  std::vector<uint32_t> waits_;
  bool full_ = false;
};

std::unique_ptr<TGIFImageEx> Animation(const std::vector<int>& Delays, int Loops = -1) {
  auto g = std::make_unique<TGIFImageEx>();
  g->GlobalColorMap().Add({0, 0, 0});
  g->GlobalColorMap().Add({255, 255, 255});
  for (size_t k = 0; k < Delays.size(); ++k) {
    auto f = std::make_unique<TGIFSubImage>(g.get());
    if (k == 0 && Loops >= 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(f.get());
      loop->Loops = static_cast<uint16_t>(Loops);
      f->Extensions().push_back(std::move(loop));
    }
    f->AddGraphicControl()->SetDelay(static_cast<uint16_t>(Delays[k]));
    f->SetBounds(0, 0, 2, 2);
    f->Data() = {static_cast<uint8_t>(k & 1), 0, 1, 0};
    g->Add(std::move(f));
  }
  return g;
}

// Runs an asynchronous painter onto a bitmap until the clock is full.
std::vector<uint32_t> RunAsync(TGIFImageEx& G, uint16_t Options, size_t Waits) {
  SteppedClock clock(Waits);
  classlib::TBitmap target;
  target.SetPixelFormat(classlib::pf32bit);
  target.SetSize(G.Width(), G.Height());
  TGIFPainter* p =
      G.PaintStart(target.Canvas(), Options, classlib::TRect{0, 0, G.Width(), G.Height()});
  EXPECT_NE(p, nullptr);
  while (!clock.Full() && p != nullptr && !p->Done()) {
    classlib::TThread::CheckSynchronize();
    classlib::Sleep(1);
  }
  G.StopDraw();
  EXPECT_EQ(G.PainterCount(), 0);
  return clock.Waits();
}

}  // namespace

TEST(GifPainter, TheBusyPictureShowsItsFramesForTheirDelays) {
  classlib::TResourceData res;
  ASSERT_TRUE(classlib::FindResource("GIFFRM_BUSY", res));
  TGIFImageEx busy;
  classlib::TMemoryStream m;
  m.Write(res.Data, static_cast<int64_t>(res.Size));
  m.SetPosition(0);
  busy.LoadFromStream(&m);
  ASSERT_EQ(busy.FrameCount(), 5);
  EXPECT_EQ(busy.Width(), 32);
  EXPECT_EQ(busy.Frame(4)->Disposal(), 3);
  for (int k = 1; k < 5; ++k) EXPECT_EQ(busy.Frame(k)->TransparentIndex(), 7);
  const auto waits = RunAsync(busy, kGIFDefaultDrawOptions, 7);
  EXPECT_EQ(waits, (std::vector<uint32_t>{240, 480, 240, 240, 240, 240, 480}));
}

TEST(GifPainter, DelayRules) {
  // Delay 1 is raised to 3 units; asynchronous painters wait the full 5000.
  auto g = Animation({1, 5000, 1});
  EXPECT_EQ(RunAsync(*g, goAsync | goAnimate, 2), (std::vector<uint32_t>{36, 60000}));
  // A synchronous painter starts after one unit and cuts long delays to 1000 units.
  SteppedClock clock(1000);
  classlib::TBitmap target;
  target.SetPixelFormat(classlib::pf32bit);
  target.SetSize(2, 2);
  EXPECT_EQ(g->PaintStart(target.Canvas(), goAnimate, classlib::TRect{0, 0, 2, 2}), nullptr);
  const auto w = clock.Waits();
  ASSERT_GE(w.size(), 1u);
  EXPECT_EQ(w.front(), 12u);
  uint32_t total = 0;
  for (uint32_t v : w) total += v;
  EXPECT_EQ(total, 12u + 36 + 12000);
}

TEST(GifPainter, LoopCountZeroLoopsForeverOnlyAsynchronously) {
  auto g = Animation({10, 10}, 0);
  EXPECT_EQ(RunAsync(*g, goAsync | goAnimate | goLoop, 9).size(), 9u);
  SteppedClock clock(1000);
  classlib::TBitmap target;
  target.SetPixelFormat(classlib::pf32bit);
  target.SetSize(2, 2);
  g->PaintStart(target.Canvas(), goAnimate | goLoop, classlib::TRect{0, 0, 2, 2});
  uint32_t total = 0;
  for (uint32_t v : clock.Waits()) total += v;
  EXPECT_EQ(total, 12u + 120);  // one pass
}

TEST(GifPainter, DisposalMethodsComposeLikeAViewer) {
  // Four frames, disposals 0, 1, 2, 3, partly transparent and offset.
  TGIFImageEx g;
  for (int i = 0; i < 4; ++i)
    g.GlobalColorMap().Add({static_cast<uint8_t>(60 * i), static_cast<uint8_t>(200 - 40 * i), 9});
  const struct {
    int l, t, w, h;
    std::vector<uint8_t> px;
    int disposal;
  } spec[] = {{0, 0, 4, 4, std::vector<uint8_t>(16, 1), 0},
              {1, 1, 2, 2, {2, 3, 3, 2}, 1},
              {0, 2, 3, 2, {2, 2, 3, 3, 3, 2}, 2},
              {2, 0, 2, 3, {1, 3, 3, 2, 1, 3}, 3}};
  for (const auto& s : spec) {
    auto f = std::make_unique<TGIFSubImage>(&g);
    f->SetBounds(s.l, s.t, s.w, s.h);
    f->Data() = s.px;
    auto* gce = f->AddGraphicControl();
    gce->SetDelay(5);
    gce->SetDisposal(static_cast<uint8_t>(s.disposal));
    gce->SetTransparentColorIndex(3);
    gce->SetTransparent(true);
    g.Add(std::move(f));
  }
  g.BackgroundColor = 0x000000;
  classlib::TMemoryStream m;
  g.SaveToStream(&m);
  auto composed = giftest::Compose(
      giftest::DecodeWithGiflib(std::vector<uint8_t>(m.Memory(), m.Memory() + m.Size())));
  // Painted frame by frame: the after-paint event looks at the target.
  SteppedClock clock(1000);
  classlib::TBitmap target;
  target.SetPixelFormat(classlib::pf32bit);
  target.SetSize(4, 4);
  std::vector<std::vector<uint32_t>> seen;
  g.OnAfterPaint = [&](classlib::TObject*) {
    std::vector<uint32_t> s;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) s.push_back(giftest::ToRgb(target.PixelColor(x, y)));
    seen.push_back(s);
  };
  g.PaintStart(target.Canvas(), goAnimate | goTransparent, classlib::TRect{0, 0, 4, 4});
  ASSERT_EQ(seen.size(), 4u);
  for (size_t k = 0; k < 4; ++k) {
    std::vector<uint32_t> want = composed.Screens[k];
    for (uint32_t& v : want)
      if (v == 0xFF000000u) v = 0;
    EXPECT_EQ(seen[k], want) << "frame " << k;
  }
}

TEST(GifPainter, StopDrawEndsAPainterThatWaits) {
  auto g = Animation({5000, 5000}, 0);
  classlib::TBitmap target;
  target.SetPixelFormat(classlib::pf32bit);
  target.SetSize(2, 2);
  TGIFPainter* p =
      g->PaintStart(target.Canvas(), kGIFDefaultDrawOptions, classlib::TRect{0, 0, 2, 2});
  ASSERT_NE(p, nullptr);
  while (!p->Started()) {
    classlib::TThread::CheckSynchronize();
    classlib::Sleep(1);
  }
  g->StopDraw();  // the painter waits a minute for its next frame
  EXPECT_EQ(g->PainterCount(), 0);
}

TEST(GifPainter, TilingLaysCopiesFromTheTopLeftAndCutsThemAtTheEdges) {
  // Frame 0 of Animation: (0,0) white... pixels {0, 0, 1, 0}: only (0, 1) is white.
  auto g = Animation({5, 5});
  SteppedClock clock(1000);
  classlib::TBitmap target;
  target.SetPixelFormat(classlib::pf32bit);
  target.SetSize(9, 7);
  target.Canvas()->Brush()->SetColor(classlib::clRed);
  target.Canvas()->FillRect(classlib::TRect{0, 0, 9, 7});
  // A 5x3 rectangle at (1, 1): tiles of 2x2 at x 1, 3, 5 and y 1, 3.
  const classlib::TRect r{1, 1, 6, 4};
  int frames = 0;
  g->OnAfterPaint = [&](classlib::TObject*) {
    if (frames++ != 0) return;
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) {
        const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
        const classlib::TColor want =
            !inside ? classlib::clRed
                    : ((x - r.Left) % 2 == 0 && (y - r.Top) % 2 == 1 ? classlib::clWhite
                                                                     : classlib::clBlack);
        EXPECT_EQ(target.PixelColor(x, y), want) << x << "," << y;
      }
  };
  g->PaintStart(target.Canvas(), goAnimate | goTile, r);
  EXPECT_EQ(frames, 2);
  // The caller's canvas keeps no clip from the tiling.
  EXPECT_FALSE(target.Canvas()->HasClipRegion());

  // Draw of a still picture tiles as well.
  classlib::TBitmap still;
  still.SetPixelFormat(classlib::pf32bit);
  still.SetSize(5, 4);
  auto one = Animation({5});
  one->DrawOptions = goTile;
  one->Draw(still.Canvas(), classlib::TRect{0, 0, 5, 4});
  EXPECT_EQ(still.PixelColor(0, 1), classlib::clWhite);
  EXPECT_EQ(still.PixelColor(2, 3), classlib::clWhite);
  EXPECT_EQ(still.PixelColor(4, 1), classlib::clWhite);  // a cut third column
  EXPECT_EQ(still.PixelColor(1, 1), classlib::clBlack);
}

TEST(GifPainter, AValidatingPainterStopsWhenItsCanvasIsGone) {
  auto g = Animation({5, 5, 5, 5}, 0);
  auto target = std::make_unique<classlib::TBitmap>();
  target->SetPixelFormat(classlib::pf32bit);
  target->SetSize(2, 2);
  SteppedClock clock(1000);
  int painted = 0;
  g->OnAfterPaint = [&](classlib::TObject*) {
    if (++painted == 2) target.reset();  // the canvas goes while the painter runs
  };
  // Synchronous and endless under the stepped clock would run 1000 waits;
  // validation ends it right after the canvas went.
  g->PaintStart(target->Canvas(), goAnimate | goLoop | goLoopContinously | goValidateCanvas,
                classlib::TRect{0, 0, 2, 2});
  EXPECT_EQ(painted, 2);
  EXPECT_EQ(g->PainterCount(), 0);
}
