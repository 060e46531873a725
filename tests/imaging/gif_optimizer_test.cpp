// Optimisation of loaded animations: what a viewer shows, how long and how
// often must not change; the steps' own rules and the mended cases.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"
#include "tests/imaging/gif_compose.h"
#include "tests/imaging/gif_test_util.h"

using namespace lumicast;
using namespace lumicast::gifex;

namespace {

std::vector<uint8_t> Save(TGIFImageEx& G) {
  classlib::TMemoryStream m;
  G.SaveToStream(&m);
  return std::vector<uint8_t>(m.Memory(), m.Memory() + m.Size());
}

void Load(TGIFImageEx& G, const std::vector<uint8_t>& B) {
  classlib::TMemoryStream m;
  m.Write(B.data(), static_cast<int64_t>(B.size()));
  m.SetPosition(0);
  G.LoadFromStream(&m);
}

struct PassesSetting {
  explicit PassesSetting(bool On) : old(GIFSizePasses) { GIFSizePasses = On; }
  ~PassesSetting() { GIFSizePasses = old; }
  bool old;
};

// An animation as a GIF job writes it: full frames of 24-bit pictures.
std::vector<uint8_t> JobLikeGif(int Frames, int W, int H, bool Key, int Scene) {
  TGIFImage gif;
  for (int k = 0; k < Frames; ++k) {
    auto bmp = giftest::MakeBitmap24(W, H, [&](int x, int y) -> classlib::TColor {
      switch (Scene) {
        case 0: {  // a disc moving over a gradient
          const double cx = W / 2 + W / 3 * std::sin(k * 0.4),
                       cy = H / 2 + H / 3 * std::cos(k * 0.3);
          if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 36) return 0x0000FF;
          return classlib::TColor((x * 255 / W) | ((y * 255 / H) << 8));
        }
        case 1:  // a still window with a growing bar and a blinking caret
          if (y > H - 6 && x < k * W / Frames) return 0x00AA00;
          if (x == 5 && y > 3 && y < 12 && k % 2 == 0) return 0;
          return 0xEEEEEE;
        default:  // still for a few frames, then a colour change
          return (k / 3) % 2 ? 0xFF0000 : ((x + y) % 7 == 0 ? 0xFFFFFF : 0x3366CC);
      }
    });
    const int i = gif.AppendFrame(bmp.get());
    gif.FrameAt(i)->SetDisplayTime(120);
    if (Key) gif.FrameAt(i)->SetKeyColor(0xFFFFFF);
  }
  gif.SetLoopEnabled(true);
  gif.SetLoopCount(3);
  classlib::TMemoryStream m;
  gif.SaveToStream(&m);
  return std::vector<uint8_t>(m.Memory(), m.Memory() + m.Size());
}

void ExpectSameAnimation(const std::vector<uint8_t>& In, const std::vector<uint8_t>& Out) {
  auto a = giftest::DecodeWithGiflib(In);
  auto b = giftest::DecodeWithGiflib(Out);
  ASSERT_TRUE(a.Ok) << a.Error;
  ASSERT_TRUE(b.Ok) << b.Error;
  auto ca = giftest::Compose(a), cb = giftest::Compose(b);
  EXPECT_EQ(ca.TotalDelay, cb.TotalDelay);
  EXPECT_EQ(ca.LoopCount, cb.LoopCount);
  auto ta = giftest::Timeline(ca), tb = giftest::Timeline(cb);
  ASSERT_EQ(ta.size(), tb.size());
  for (size_t i = 0; i < ta.size(); ++i) ASSERT_EQ(ta[i], tb[i]) << "at " << i << " hundredths";
}

}  // namespace

TEST(GifOptimizer, JobLikeAnimationsShowTheSameWithAndWithoutSizePasses) {
  for (bool passes : {false, true})
    for (int scene = 0; scene < 3; ++scene)
      for (bool key : {false, true}) {
        SCOPED_TRACE(testing::Message()
                     << "passes " << passes << " scene " << scene << " key " << key);
        PassesSetting setting(passes);
        const auto in = JobLikeGif(12, 48, 32, key, scene);
        TGIFImageEx g;
        Load(g, in);
        g.Optimize(0x1F, 0, 0, 8);
        const auto out = Save(g);
        ExpectSameAnimation(in, out);
        if (scene != 0) {
          EXPECT_LT(out.size(), in.size());
        }
      }
}

TEST(GifOptimizer, ProgressRunsFromStartToEndAndNotAtAllWithoutFrames) {
  TGIFImageEx empty;
  int calls = 0;
  empty.OnProgress = [&](classlib::TObject*, classlib::TProgressStage, uint8_t, bool,
                         const classlib::TRect&, const std::string&) { ++calls; };
  empty.Optimize(0x1F, 0, 0, 8);
  EXPECT_EQ(calls, 0);

  TGIFImageEx g;
  Load(g, JobLikeGif(6, 16, 16, false, 2));
  std::vector<std::pair<int, int>> seen;
  g.OnProgress = [&](classlib::TObject*, classlib::TProgressStage s, uint8_t p, bool,
                     const classlib::TRect&, const std::string& m) {
    EXPECT_EQ(m, "Optimizing...");
    seen.push_back({s, p});
  };
  g.Optimize(0x1F, 0, 0, 8);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front(), std::make_pair(int(classlib::psStarting), 0));
  EXPECT_EQ(seen.back(), std::make_pair(int(classlib::psEnding), 100));
  for (size_t i = 2; i + 1 < seen.size(); ++i) EXPECT_GE(seen[i].second, seen[i - 1].second);

  // Option 0x10 with method 9 fails only without the clean-up, and still ends.
  seen.clear();
  EXPECT_THROW(g.Optimize(0x10, 9, 0, 8), GIFException);
  EXPECT_EQ(seen.back(), std::make_pair(int(classlib::psEnding), 0));
  EXPECT_NO_THROW(g.Optimize(0x14, 9, 0, 8));
}

namespace {

// A picture with a global map of the given colours and frames of given
// rectangles and pixels.
struct FrameSpec {
  int L, T, W, H;
  std::vector<uint8_t> Px;
  int Transparent = -1;
  int Delay = 0;
  int Disposal = 0;
};

std::unique_ptr<TGIFImageEx> Build(int SW, int SH, int Colors,
                                   const std::vector<FrameSpec>& Frames) {
  auto g = std::make_unique<TGIFImageEx>();
  for (int i = 0; i < Colors; ++i)
    g->GlobalColorMap().Add({static_cast<uint8_t>(i * 20), static_cast<uint8_t>(i), 7});
  for (const FrameSpec& s : Frames) {
    auto f = std::make_unique<TGIFSubImage>(g.get());
    f->SetBounds(s.L, s.T, s.W, s.H);
    f->Data() = s.Px;
    if (s.Transparent >= 0 || s.Delay || s.Disposal) {
      auto* gce = f->AddGraphicControl();
      gce->SetDelay(static_cast<uint16_t>(s.Delay));
      gce->SetDisposal(static_cast<uint8_t>(s.Disposal));
      if (s.Transparent >= 0) {
        gce->SetTransparentColorIndex(s.Transparent);
        gce->SetTransparent(true);
      }
    }
    g->Add(std::move(f));
  }
  g->SetWidth(SW);
  g->SetHeight(SH);
  return g;
}

}  // namespace

TEST(GifOptimizer, OneFrameLosesItsLoopAndPlainControlBlocks) {
  PassesSetting off(false);
  auto g = Build(2, 1, 4, {{0, 0, 2, 1, {1, 2}, -1, 50, 1}});
  g->Frame(0)->Extensions().emplace(g->Frame(0)->Extensions().begin(),
                                    new TGIFAppExtNSLoop(g->Frame(0)));
  g->Optimize(0x1F, 0, 0, 8);
  EXPECT_TRUE(g->Frame(0)->Extensions().empty());
  // Kept when it makes pixels transparent.
  auto t = Build(2, 1, 4, {{0, 0, 2, 1, {1, 2}, 2, 50, 1}});
  t->Optimize(0x1F, 0, 0, 8);
  EXPECT_NE(t->Frame(0)->GraphicControl(), nullptr);
}

TEST(GifOptimizer, UnusedTransparencyIsDroppedAndOrderedMapsKeepTheirEntries) {
  PassesSetting off(false);
  auto g = Build(2, 1, 4, {{0, 0, 2, 1, {0, 1}, 3, 10}, {0, 0, 2, 1, {1, 0}, -1, 10}});
  g->Optimize(0x04, 0, 0, 8);
  EXPECT_FALSE(g->Frame(0)->Transparent());
  // Already ordered by usage: nothing moves, unused entries stay.
  auto o = Build(6, 1, 4, {{0, 0, 6, 1, {0, 0, 0, 1, 1, 2}, -1, 10}});
  o->Optimize(0x08, 0, 0, 8);
  EXPECT_EQ(o->GlobalColorMap().Count(), 4);
}

TEST(GifOptimizer, TheBackgroundIndexFollowsItsEntry) {
  PassesSetting off(false);
  auto g = Build(2, 1, 4, {{0, 0, 2, 1, {3, 3}, -1, 10}});
  g->SetBackgroundColorIndex(2);
  const TGIFRGB bg = g->GlobalColorMap()[2];
  g->Optimize(0x08, 0, 0, 8);
  ASSERT_LT(g->BackgroundColorIndex(), g->GlobalColorMap().Count());
  EXPECT_EQ(g->GlobalColorMap()[g->BackgroundColorIndex()], bg);
  EXPECT_EQ(g->Frame(0)->Data(), (std::vector<uint8_t>{0, 0}));
}

TEST(GifOptimizer, MergeSharesAnotherFramesTransparentIndexOnlyWhenItIsFree) {
  PassesSetting off(false);
  // Frame 1 is transparent with index 2. Frame 3 repeats its first pixel of
  // frame 2 but shows colour 2 itself: index 2 cannot mean transparent there.
  auto g = Build(3, 1, 8,
                 {{0, 0, 3, 1, {1, 1, 1}, -1, 10},
                  {0, 0, 3, 1, {2, 5, 2}, 2, 10},
                  {0, 0, 3, 1, {4, 4, 4}, -1, 10},
                  {0, 0, 3, 1, {4, 2, 6}, -1, 10}});
  const auto before = Save(*g);
  g->Optimize(0x02, 0, 0, 8);
  ExpectSameAnimation(before, Save(*g));
  EXPECT_NE(g->Frame(3)->TransparentIndex(), 2);
  EXPECT_TRUE(g->Frame(3)->Transparent());
}

TEST(GifOptimizer, CropKeepsTheTimeOfDeletedFrames) {
  PassesSetting off(false);
  // Frame 2 becomes wholly transparent after the merge: its time goes to
  // frame 1 although frame 1 is not transparent.
  auto g = Build(2, 1, 4,
                 {{0, 0, 2, 1, {1, 1}, -1, 10},
                  {0, 0, 2, 1, {2, 2}, -1, 20},
                  {0, 0, 2, 1, {2, 2}, -1, 65530}});
  const auto before = Save(*g);
  g->Optimize(0x1F, 0, 0, 8);
  EXPECT_EQ(g->FrameCount(), 2);
  EXPECT_EQ(g->Frame(1)->Delay(), 65535);  // held at the field's limit
  // A wholly transparent first frame hands its loop block on.
  auto h = Build(
      2, 1, 4,
      {{0, 0, 2, 1, {3, 3}, 3, 0}, {0, 0, 2, 1, {1, 2}, -1, 10}, {0, 0, 2, 1, {2, 1}, -1, 10}});
  auto* loop = new TGIFAppExtNSLoop(h->Frame(0));
  loop->Loops = 5;
  h->Frame(0)->Extensions().emplace(h->Frame(0)->Extensions().begin(), loop);
  const auto hb = Save(*h);
  h->Optimize(0x1F, 0, 0, 8);
  ASSERT_EQ(h->FrameCount(), 2);
  const auto out = Save(*h);
  auto d = giftest::DecodeWithGiflib(out);
  ASSERT_TRUE(d.Ok);
  EXPECT_EQ(d.LoopCount, 5);
  (void)hb;
  (void)before;
}

TEST(GifOptimizer, AFrameThatClearsItsRectangleIsNotCut) {
  PassesSetting off(false);
  auto g = Build(3, 1, 4,
                 {{0, 0, 3, 1, {1, 1, 1}, -1, 10},
                  {0, 0, 3, 1, {3, 2, 3}, 3, 10, 2},
                  {1, 0, 1, 1, {2}, -1, 10}});
  const auto before = Save(*g);
  g->Optimize(0x1F, 0, 0, 8);
  ExpectSameAnimation(before, Save(*g));
}
