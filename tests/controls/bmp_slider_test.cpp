// The bitmap slider: the built ruler, value rules, track presses with their
// repeat, keys, thumb dragging and the thumb window's shape.
#include <gtest/gtest.h>

#include "controls/bmp_slider.h"
#include "platform/classlib/form.h"
#include "platform/classlib/window_region.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

namespace {

// A ruler whose every column has its own colour, and a one-state thumb.
std::unique_ptr<TBitmap> Ruler(int w, int h) {
  auto b = lumitest::FilledBitmap(w, h, clBlack);
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y) b->Canvas()->SetPixels(x, y, RGB(x * 5, 100, 7));
  return b;
}

struct Host {
  TForm form{nullptr};
  TepBMPSlider* slider;
  std::vector<std::string> log;
  Host(int width = 200) {
    form.SetClientSize(300, 100);
    slider = new TepBMPSlider(&form);
    slider->SetParent(&form);
    slider->SetBounds(0, 0, width, 40);
    auto ruler = Ruler(40, 6);
    auto thumb = lumitest::FilledBitmap(12, 20, clNavy);
    slider->SetNumThumbStates(1);
    slider->SetImageHRuler(ruler.get());
    slider->SetImageHThumb(thumb.get());
    slider->SetOptions(soSmooth);
    slider->SetIncrement(1);
    slider->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
      log.push_back("down");
    };
    slider->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
      log.push_back("up");
    };
    slider->OnThumbMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
      log.push_back("thumb down");
    };
    slider->OnThumbMouseMove = [this](TObject*, TShiftState, int, int) {
      log.push_back("thumb move");
    };
    slider->OnThumbMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
      log.push_back("thumb up");
    };
  }
};

}  // namespace

TEST(BmpSlider, TheRulerIsBuiltFromEdgesAndRepeatedMiddles) {
  Host h;
  TBitmap* r = h.slider->Ruler();
  ASSERT_EQ(r->Width(), 188);
  ASSERT_EQ(r->Height(), 6);
  const int W = 40, E = 2, M = W - 2 * E, L = 188;
  // Expected source column of every ruler column, piece by piece.
  std::vector<int> src(L);
  for (int x = 0; x < W - E; ++x) src[x] = x;
  int pos = W - E;
  while (pos < L) {
    const int rest = L - pos;
    if (rest > M + E) {
      for (int i = 0; i < M; ++i) src[pos + i] = E + i;
      pos += M;
    } else {
      for (int i = 0; i < rest; ++i) src[pos + i] = W - rest + i;
      pos = L;
    }
  }
  for (int x = 0; x < L; ++x) ASSERT_EQ(r->PixelColor(x, 3), RGB(src[x] * 5, 100, 7)) << x;
  EXPECT_EQ(h.slider->TrackLength(), 188 - 12);
  // The ruler is thinner than the thumb: centred on it.
  EXPECT_EQ(h.slider->RulerOrigin(), Point(6, 6 + (20 - 6) / 2));
}

TEST(BmpSlider, MaximumChangesFollowTheIncrementRuleAndDoNotMoveTheThumb) {
  Host h;
  h.slider->SetMaxValue(1);
  EXPECT_EQ(h.slider->MaxValue(), 1);
  h.slider->SetMaxValue(100);
  h.slider->SetIncrement(10);
  h.slider->SetMaxValue(1);
  EXPECT_EQ(h.slider->MaxValue(), 100);

  h.slider->SetValue(80);
  const int left = h.slider->Thumb()->Left();
  h.slider->SetMaxValue(50);
  EXPECT_EQ(h.slider->Value(), 80);
  EXPECT_EQ(h.slider->Thumb()->Left(), left);
  h.slider->SetValue(h.slider->Value());
  EXPECT_EQ(h.slider->Value(), 50);
}

TEST(BmpSlider, TrackPressesStepAndRepeatUntilTheThumbPasses) {
  Host h;
  h.slider->SetValue(0);
  const int x = 100;
  h.slider->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, 15));
  EXPECT_EQ(h.slider->Value(), 1);
  EXPECT_TRUE(h.slider->TimerRunning());
  int ticks = 0;
  while (h.slider->Thumb()->Left() + h.slider->Thumb()->Width() <= x && ticks < 500) {
    h.slider->Perform(WM_TIMER, 1, 0);
    ++ticks;
  }
  const int reached = h.slider->Value();
  h.slider->Perform(WM_TIMER, 1, 0);  // the thumb is under the pointer: no more steps
  EXPECT_EQ(h.slider->Value(), reached);
  h.slider->Perform(WM_LBUTTONUP, 0, MakeLParam(x, 15));
  EXPECT_FALSE(h.slider->TimerRunning());
  EXPECT_FALSE(h.slider->Tracking());
  EXPECT_EQ(h.log, (std::vector<std::string>{"down", "up"}));
}

TEST(BmpSlider, KeysStepAndThumbDragsReportInOrder) {
  Host h;
  h.slider->SetValue(50);
  uint16_t keys[] = {VK_RIGHT, VK_LEFT, VK_LEFT, VK_END, VK_HOME};
  int expect[] = {51, 50, 49, 100, 0};
  for (int i = 0; i < 5; ++i) {
    h.slider->Perform(WM_KEYDOWN, keys[i], 0);
    EXPECT_EQ(h.slider->Value(), expect[i]);
  }
  TSliderThumb* t = h.slider->Thumb();
  t->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(3, 5));
  EXPECT_TRUE(h.slider->Dragging());
  EXPECT_TRUE(t->Pressed());
  t->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(3 + 88, 5));
  EXPECT_EQ(t->Left(), 6 + 88);
  EXPECT_EQ(h.slider->Value(), 50);  // 88 of 176 pixels
  t->Perform(WM_LBUTTONUP, 0, MakeLParam(3, 5));
  EXPECT_FALSE(t->Pressed());
  EXPECT_EQ(h.log, (std::vector<std::string>{"thumb down", "thumb move", "thumb up"}));

  // Without smooth movement the thumb snaps to multiples of the increment.
  h.slider->SetOptions(0);
  h.slider->SetIncrement(10);
  t->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(0, 5));
  t->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(30, 5));
  EXPECT_EQ(h.slider->Value() % 10, 0);
  EXPECT_EQ(t->Left(), h.slider->ValueToPosition(h.slider->Value()));
}

TEST(BmpSlider, NoTrackMeansTheMinimumAtTheStart) {
  Host h(20);  // ruler 8 pixels, thumb 12: no track
  EXPECT_LE(h.slider->TrackLength(), 0);
  h.slider->SetValue(70);
  EXPECT_EQ(h.slider->ValueToPosition(70), 6);
  EXPECT_EQ(h.slider->PositionToValue(40), h.slider->MinValue());
}

TEST(BmpSlider, TheThumbWindowIsShapedByItsSecondToLastRowKey) {
  Host h;
  auto thumb = lumitest::FilledBitmap(12, 20, clFuchsia);
  for (int y = 2; y < 16; ++y)
    for (int x = 3; x < 9; ++x) thumb->Canvas()->SetPixels(x, y, clNavy);
  for (int x = 0; x < 12; ++x) thumb->Canvas()->SetPixels(x, 19, clLime);  // draw key row differs
  h.slider->SetImageHThumb(thumb.get());
  h.slider->SetThumbTransparent(true);
  TRegion r;
  ASSERT_NE(GetWindowRgn(h.slider->Thumb(), r), RGN_ERROR);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(r.Contains(x, y), thumb->PixelColor(x, y) != clFuchsia) << x << "," << y;
  // Cut-away corners show the slider's own picture, should the platform not cut them.
  TBitmap under;
  h.slider->RenderPicture(&under);
  auto shot = lumitest::FilledBitmap(12, 20, clBlack);
  h.slider->Thumb()->PaintTo(shot->Canvas(), 0, 0);
  // The bottom row is the drawing key here: it shows what lies under the thumb.
  EXPECT_EQ(shot->PixelColor(0, 19),
            under.PixelColor(h.slider->Thumb()->Left(), h.slider->Thumb()->Top() + 19));
  EXPECT_EQ(shot->PixelColor(0, 0), clFuchsia);  // drawn: only the region cuts it
  EXPECT_EQ(shot->PixelColor(5, 5), clNavy);
  h.slider->SetThumbTransparent(false);
  EXPECT_EQ(GetWindowRgn(h.slider->Thumb(), r), RGN_ERROR);

  TMemoryStream s;
  h.slider->WriteUserImages(&s);
  EXPECT_EQ(s.Size(), 1);
  EXPECT_EQ(s.Memory()[0], 0x3);
}
