// The skinned track bar's geometry, clamping, paging and dragging, and the
// scroll bar's layout, thumb length and repeat buttons, in every style.
#include <gtest/gtest.h>

#include <set>

#include "controls/sui_track_bar.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/mouse.h"
#include "tests/controls/sui_test_util.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;
using suitest::kStyles;
using suitest::Shot;

namespace {

struct TrackHost {
  TForm form{nullptr};
  TsuiTrackBar* bar;
  int changes = 0;
  TrackHost() {
    form.SetClientSize(400, 300);
    bar = new TsuiTrackBar(&form);
    bar->SetParent(&form);
    bar->SetBounds(0, 0, 150, 30);
    auto thumb = lumitest::FilledBitmap(10, 20, clRed);
    bar->SliderImage()->SetGraphic(thumb.get());
    bar->OnChange = [this](TObject*) { ++changes; };
  }
};

}  // namespace

TEST(SkinnedTrackBar, GeometryAndItsDegenerateRanges) {
  TrackHost h;
  ASSERT_EQ(h.bar->Thumb()->Width(), 10);
  h.bar->SetPosition(50);
  EXPECT_EQ(h.bar->Height(), 20);  // fitted to the thumb (no bar image)
  EXPECT_EQ(h.bar->ThumbPos(), (TPoint{50 * 140 / 100, 0}));
  EXPECT_EQ(h.bar->ValueAt(5 + 70), 50);
  // Min = Max: the thumb at the start, every pointer at Min.
  h.bar->SetMin(40);
  h.bar->SetMax(40);
  EXPECT_EQ(h.bar->ThumbPos().X, 0);
  EXPECT_EQ(h.bar->ValueAt(0), 40);
  EXPECT_EQ(h.bar->ValueAt(149), 40);
  // A thumb as wide as the track or wider: Min as well.
  h.bar->SetMax(100);
  auto wide = lumitest::FilledBitmap(200, 20, clRed);
  h.bar->SliderImage()->SetGraphic(wide.get());
  EXPECT_EQ(h.bar->ValueAt(75), 40);
  EXPECT_EQ(h.bar->ValueAt(-500), 40);
}

TEST(SkinnedTrackBar, PositionClampsAndReportsOnlyRealChanges) {
  TrackHost h;
  h.bar->SetPageSize(150);
  EXPECT_EQ(h.bar->PageSize(), 10);
  h.bar->SetPageSize(-1);
  EXPECT_EQ(h.bar->PageSize(), 10);
  h.bar->SetPosition(120);
  EXPECT_EQ(h.bar->Position(), 100);
  EXPECT_EQ(h.changes, 1);
  h.bar->SetPosition(130);
  EXPECT_EQ(h.changes, 1);
  h.bar->SetPosition(-5);
  EXPECT_EQ(h.bar->Position(), 0);
  EXPECT_EQ(h.changes, 2);
  // Min and Max do not clamp again.
  h.bar->SetMin(10);
  EXPECT_EQ(h.bar->Position(), 0);
}

TEST(SkinnedTrackBar, ClickingPagesTowardThePointerAndRepeatsFromTheCursor) {
  TrackHost h;
  h.form.Show();
  h.bar->SetPosition(0);
  h.bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(140, 15));
  EXPECT_EQ(h.bar->Position(), 10);
  ASSERT_NE(h.bar->RepeatTimer(), nullptr);
  EXPECT_EQ(h.bar->RepeatTimer()->Interval(), 500u);
  // The repeat reads the pointer from the screen.
  const TPoint near_start = h.bar->ClientToScreen(TPoint{20, 15});
  SetCursorPosOverride(&near_start);
  h.bar->RepeatTimer()->Fire();
  EXPECT_EQ(h.bar->Position(), 10);  // the thumb already covers the pointer
  const TPoint far = h.bar->ClientToScreen(TPoint{149, 15});
  SetCursorPosOverride(&far);
  h.bar->RepeatTimer()->Fire();
  EXPECT_EQ(h.bar->Position(), 20);
  SetCursorPosOverride(nullptr);
  h.bar->Perform(WM_LBUTTONUP, 0, MakeLParam(140, 15));
  EXPECT_EQ(h.bar->RepeatTimer(), nullptr);
  // Before the thumb: back by a page, but not past the pointer's value.
  h.bar->SetPosition(80);
  h.bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(110, 15));
  EXPECT_EQ(h.bar->Position(), std::max(70, h.bar->ValueAt(110)));
  h.bar->Perform(WM_LBUTTONUP, 0, MakeLParam(110, 15));
  h.form.Hide();
}

TEST(SkinnedTrackBar, DraggingReportsThePreviousMovesPosition) {
  TrackHost h;
  h.bar->SetPosition(0);
  const int before = h.changes;
  TsuiImagePanel* thumb = h.bar->Thumb();
  thumb->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5));
  EXPECT_TRUE(h.bar->Dragging());
  thumb->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(75, 5));  // track x = 75
  EXPECT_EQ(h.changes, before);
  EXPECT_EQ(h.bar->Position(), h.bar->ValueAt(75));
  EXPECT_EQ(thumb->Left(), 70);
  thumb->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(10, 5));  // further right
  EXPECT_EQ(h.changes, before + 1);
  thumb->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(500, 5));
  EXPECT_EQ(thumb->Left(), 140);
  EXPECT_EQ(h.bar->Position(), 100);
  thumb->Perform(WM_LBUTTONUP, 0, MakeLParam(0, 5));
  EXPECT_FALSE(h.bar->Dragging());
}

TEST(SkinnedScrollBar, ThumbLengthFollowsPageSizeOrLineButton) {
  TForm form(nullptr);
  auto* bar = new TsuiScrollBar(&form);
  bar->SetParent(&form);
  bar->SetUIStyle(TsuiUIStyle::WinXP);
  EXPECT_EQ(bar->Height(), 185);
  const int track = bar->Track()->Height();
  EXPECT_EQ(track, 185 - bar->StartButton()->Height() - bar->EndButton()->Height() - 1);
  EXPECT_EQ(bar->Width(), bar->StartButton()->Width());
  bar->SetPageSize(5);  // outside 10..100: counts as 10
  EXPECT_EQ(bar->ThumbLength(), track / 10);
  EXPECT_EQ(bar->Track()->Thumb()->Height(), track / 10);
  bar->SetLineButton(5);
  EXPECT_EQ(bar->Track()->Thumb()->Height(), 18);
  bar->SetLineButton(30);
  EXPECT_EQ(bar->Track()->Thumb()->Height(), 30);
  bar->SetOrientation(suiHorizontal);
  bar->SetBounds(0, 0, 200, 17);
  EXPECT_EQ(bar->Track()->Width(), 200 - bar->StartButton()->Width() - bar->EndButton()->Width());
  EXPECT_EQ(bar->Track()->Thumb()->Width(), 30);
}

TEST(SkinnedScrollBar, ButtonsMoveOnlyWhileHeld) {
  TForm form(nullptr);
  auto* bar = new TsuiScrollBar(&form);
  bar->SetParent(&form);
  bar->SetUIStyle(TsuiUIStyle::DeepBlue);
  bar->SetSmallChange(3);
  bar->SetPosition(50);
  TsuiImageButton* down = bar->EndButton();
  down->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(2, 2));
  down->Perform(WM_LBUTTONUP, 0, MakeLParam(2, 2));
  EXPECT_EQ(bar->Position(), 50);  // a short click
  down->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(2, 2));
  ASSERT_NE(down->RepeatTimer(), nullptr);
  EXPECT_EQ(down->RepeatTimer()->Interval(), 100u);
  down->RepeatTimer()->Fire();
  down->RepeatTimer()->Fire();
  EXPECT_EQ(bar->Position(), 56);
  down->Perform(WM_LBUTTONUP, 0, MakeLParam(2, 2));
  bar->StartButton()->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(2, 2));
  for (int i = 0; i < 30; ++i) bar->StartButton()->RepeatTimer()->Fire();
  EXPECT_EQ(bar->Position(), 0);  // the track clamps
}

TEST(SkinnedTrackBar, EveryStylePaintsBarAndThumb) {
  for (TsuiUIStyle style : kStyles) {
    TForm form(nullptr);
    form.SetClientSize(300, 300);
    auto* track = new TsuiTrackBar(&form);
    track->SetParent(&form);
    track->SetBounds(0, 0, 150, 30);
    track->SetUIStyle(style);
    track->SetPosition(30);
    EXPECT_EQ(track->Color(), GetThemeColor(style, 79));
    EXPECT_GT(track->Thumb()->Width(), 0) << int(style);
    auto* scroll = new TsuiScrollBar(&form);
    scroll->SetParent(&form);
    scroll->SetBounds(200, 0, 17, 185);
    scroll->SetUIStyle(style);
    scroll->SetPosition(40);
    EXPECT_EQ(scroll->Track()->Color(), GetThemeColor(style, 84));
    auto shot = std::make_unique<TBitmap>();
    shot->SetPixelFormat(pf24bit);
    shot->SetSize(300, 200);
    form.PaintTo(shot->Canvas(), 0, 0);
    // The track differs from a plain fill: bar and thumb are drawn.
    std::set<TColor> colours;
    for (int x = 0; x < 150; ++x) colours.insert(shot->PixelColor(x, track->Height() / 2));
    EXPECT_GT(colours.size(), 3u) << int(style);
    shot->SaveToFile("/tmp/sui_track_" + std::to_string(int(style)) + ".bmp");
  }
}
