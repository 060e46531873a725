// The custom scroll bar: thumb geometry, the scroll-info messages, mouse and
// key input driven by messages (the repeat timer stepped by hand), the
// pixels it paints, and the track hint's placement.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <memory>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/std_controls.h"
#include "tests/support/test_bitmaps.h"
#include "tests/treectl/render_control.h"
#include "treectl/line_hint_window.h"
#include "treectl/scroll_bar.h"

using namespace lumicast;
using namespace classlib;

namespace {

// A parent that records the scroll messages its children send.
class TRecordingPanel : public TPanel {
 public:
  using TPanel::TPanel;
  std::vector<uintptr_t> vscroll;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_VSCROLL) vscroll.push_back(Message.WParam);
    TPanel::WndProc(Message);
  }
};

struct BarFixture : ::testing::Test {
  TForm form{nullptr};
  TRecordingPanel* panel = nullptr;
  TElScrollBar* bar = nullptr;
  std::vector<std::pair<TElScrollCode, int>> scrolls;

  void SetUp() override {
    form.SetBounds(0, 0, 300, 300);
    panel = new TRecordingPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 200, 260);
    bar = new TElScrollBar(&form);
    bar->SetParent(panel);
    bar->SetKind(sbVertical);
    bar->SetUseSystemMetrics(false);
    bar->SetButtonSize(16);
    bar->SetBounds(0, 0, 16, 200);
    bar->SetMin(0);
    bar->SetMax(99);
    bar->SetPage(10);
    bar->SetPosition(45);
    bar->OnScroll = [this](TObject*, TElScrollCode Code, int& Pos, bool&) {
      scrolls.push_back({Code, Pos});
    };
  }

  void Down(int y) { bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(8, y)); }
  void Move(int y, int x = 8) { bar->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(x, y)); }
  void Up(int y) { bar->Perform(WM_LBUTTONUP, 0, MakeLParam(8, y)); }
  void Tick() { bar->Perform(WM_TIMER, kScrollRepeatTimer); }

  std::unique_ptr<TBitmap> Render() { return lumitest::RenderControl(bar, "bar"); }
};

TColor Sys(TColor c) { return ColorToRGB(c); }

}  // namespace

TEST_F(BarFixture, ThumbGeometryFollowsTheRange) {
  EXPECT_EQ(bar->EffectiveButtonSize(), 16);
  EXPECT_EQ(bar->ThumbLength(), 17);
  EXPECT_EQ(bar->ThumbStart(), 92);
  EXPECT_EQ(bar->PositionFromThumb(92), 45);

  // 101 positions and a page of 100: the thumb is 100/101 of the track and
  // can still move one step.
  bar->SetMax(100);
  bar->SetPage(100);
  EXPECT_EQ(bar->ThumbLength(), 166);
  Down(bar->ThumbStart() + 5);
  EXPECT_TRUE(bar->Dragging());
  Up(bar->ThumbStart() + 5);

  // A page as large as the range: the thumb fills the track, no drag, and
  // the thumb stands for Min (not Min - 1).
  bar->SetPage(101);
  EXPECT_EQ(bar->ThumbLength(), 168);
  EXPECT_EQ(bar->ThumbStart(), 16);
  EXPECT_EQ(bar->PositionFromThumb(bar->ThumbStart()), 0);
  Down(100);
  EXPECT_FALSE(bar->Dragging());
  SCROLLINFO info;
  info.fMask = SIF_TRACKPOS;
  EXPECT_TRUE(bar->GetScrollInfo(info));
  EXPECT_EQ(info.nTrackPos, 0);

  bar->SetMax(50);
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
}

TEST_F(BarFixture, ExtremeRangesStayInsideTheTrack) {
  const int values[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, 100, INT_MAX - 1, INT_MAX};
  for (int mn : values) {
    for (int mx : values) {
      for (int page : {0, 1, 10, INT_MAX}) {
        for (int pos : {INT_MIN, 0, INT_MAX}) {
          bar->SetMin(INT_MIN);
          bar->SetMax(INT_MAX);
          bar->SetMin(mn);
          bar->SetMax(mx);
          bar->SetPage(page);
          bar->SetPosition(pos);
          ASSERT_LE(bar->Min(), bar->Max());
          ASSERT_GE(bar->Position(), bar->Min());
          ASSERT_LE(bar->Position(), bar->Max());
          ASSERT_GE(bar->ThumbStart(), 16);
          ASSERT_LE(bar->ThumbStart() + bar->ThumbLength(), 184)
              << mn << " " << mx << " " << page << " " << pos;
          int p = bar->PositionFromThumb(bar->ThumbStart());
          ASSERT_GE(p, bar->Min());
          ASSERT_LE(p, bar->Max());
        }
      }
    }
  }
}

TEST_F(BarFixture, ScrollInfoMessages) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  info.nMin = 10;
  info.nMax = 20;
  info.nPos = 3;  // below the new range: the nearer end
  info.nPage = 4;
  EXPECT_EQ(bar->Perform(SBM_SETSCROLLINFO, 1, reinterpret_cast<intptr_t>(&info)), 10);
  EXPECT_EQ(bar->Min(), 10);
  EXPECT_EQ(bar->Max(), 20);
  EXPECT_EQ(bar->Page(), 4);
  info.nPos = 99;
  EXPECT_EQ(bar->Perform(SBM_SETSCROLLINFO, 1, reinterpret_cast<intptr_t>(&info)), 20);

  // Without a position the range is taken only around the current position.
  SCROLLINFO range;
  range.fMask = SIF_RANGE;
  range.nMin = 30;
  range.nMax = 40;
  bar->Perform(SBM_SETSCROLLINFO, 0, reinterpret_cast<intptr_t>(&range));
  EXPECT_EQ(bar->Min(), 10);
  range.nMin = 15;
  bar->Perform(SBM_SETSCROLLINFO, 0, reinterpret_cast<intptr_t>(&range));
  EXPECT_EQ(bar->Min(), 15);
  EXPECT_EQ(bar->Max(), 40);

  SCROLLINFO small = info;
  small.cbSize = 27;
  EXPECT_EQ(bar->Perform(SBM_SETSCROLLINFO, 0, reinterpret_cast<intptr_t>(&small)), 0);
  EXPECT_EQ(bar->Perform(SBM_GETSCROLLINFO, 0, reinterpret_cast<intptr_t>(&small)), 0);

  SCROLLINFO out;
  out.fMask = SIF_ALL;
  EXPECT_EQ(bar->Perform(SBM_GETSCROLLINFO, 0, reinterpret_cast<intptr_t>(&out)), 1);
  EXPECT_EQ(out.nMin, 15);
  EXPECT_EQ(out.nMax, 40);
  EXPECT_EQ(out.nPos, 20);
  EXPECT_EQ(out.nPage, 4u);
}

TEST_F(BarFixture, HeldPageRepeatsUntilTheThumbPassesThePointer) {
  const int y = 170;  // in the page area after the thumb
  Down(y);
  EXPECT_EQ(bar->PressedPart(), sbpRightBottom);
  EXPECT_EQ(bar->Position(), 55);  // the first step at once
  for (int i = 0; i < 20; ++i) Tick();
  // The thumb now covers the pointer (or lies past it): no more steps.
  EXPECT_LE(bar->ThumbStart(), y);
  int stopped = bar->Position();
  EXPECT_LT(stopped, 99);
  Tick();
  EXPECT_EQ(bar->Position(), stopped);
  Up(y);
  ASSERT_FALSE(scrolls.empty());
  EXPECT_EQ(scrolls.back().first, escEndScroll);
  EXPECT_FALSE(bar->MouseCapture());
}

TEST_F(BarFixture, ThumbDragTracksReleasesAndSnapsBack) {
  const int grab = bar->ThumbStart() + 8;
  Down(grab);
  ASSERT_TRUE(bar->Dragging());
  EXPECT_TRUE(bar->MouseCapture());
  Move(grab + 30);
  ASSERT_FALSE(scrolls.empty());
  EXPECT_EQ(scrolls.back().first, escTrack);
  const int tracked = scrolls.back().second;
  EXPECT_GT(tracked, 45);
  ASSERT_FALSE(panel->vscroll.empty());  // a stand-alone bar tells its parent
  EXPECT_EQ(panel->vscroll.back() & 0xFFFF, SB_THUMBTRACK);
  EXPECT_EQ(static_cast<int>(panel->vscroll.back() >> 16), tracked);

  // Far beyond the bar: the thumb returns to where the drag started.
  Move(grab + 200 + 101);
  EXPECT_EQ(bar->ThumbStart(), 92);
  EXPECT_EQ(bar->TrackPosition(), 45);
  Move(grab + 30);
  Up(grab + 30);
  EXPECT_EQ(scrolls.back().first, escPosition);
  EXPECT_EQ(bar->Position(), tracked);
  EXPECT_FALSE(bar->Dragging());
  EXPECT_FALSE(bar->MouseCapture());
}

TEST_F(BarFixture, OnlyAStandAloneBarSendsThumbTrack) {
  bar->OwnedByTree = true;
  Down(bar->ThumbStart() + 2);
  Move(bar->ThumbStart() + 40);
  Up(bar->ThumbStart() + 40);
  EXPECT_TRUE(panel->vscroll.empty());
}

TEST_F(BarFixture, CaptureTakenMidDragEndsIt) {
  auto* other = new TPanel(&form);
  other->SetParent(&form);
  Down(bar->ThumbStart() + 2);
  Move(bar->ThumbStart() + 20);
  other->SetMouseCapture(true);
  EXPECT_FALSE(bar->Dragging());
  EXPECT_EQ(scrolls.back().first, escPosition);
  EXPECT_TRUE(other->MouseCapture());  // the bar does not take it back
  other->SetMouseCapture(false);
}

TEST_F(BarFixture, KeysStepAndOthersDoNothing) {
  auto key = [&](uint16_t k, TShiftState shift = 0) {
    bar->Perform(WM_KEYDOWN, k, static_cast<intptr_t>(static_cast<uint64_t>(shift) << 32));
  };
  key(VK_NEXT);
  EXPECT_EQ(bar->Position(), 55);
  key(VK_UP);
  EXPECT_EQ(bar->Position(), 54);
  key(VK_END);
  EXPECT_EQ(bar->Position(), 99);
  key(VK_HOME);
  EXPECT_EQ(bar->Position(), 0);
  for (uint16_t k : {uint16_t(VK_RETURN), uint16_t('A'), uint16_t(VK_SPACE), uint16_t(VK_F5),
                     uint16_t(VK_INSERT)}) {
    key(k);
    EXPECT_EQ(bar->Position(), 0) << k;
  }
  key(VK_DOWN, ssCtrl);
  EXPECT_EQ(bar->Position(), 0);
}

TEST_F(BarFixture, PaintsDitheredTrackGripsAndArrows) {
  auto b = Render();
  TCanvas* c = b->Canvas();
  // Page area before the thumb: a one-pixel checkerboard.
  for (int y = 20; y < 24; ++y)
    for (int x = 2; x < 6; ++x)
      EXPECT_EQ(c->Pixels(x, y), Sys((x + y) % 2 == 0 ? clBtnFace : clBtnHighlight))
          << x << "," << y;

  // Grips: four lines across the middle of the thumb, 3 pixels in from each side.
  const int mid = bar->ThumbStart() + bar->ThumbLength() / 2;
  for (int d : {-3, -1, 1, 3}) {
    EXPECT_EQ(c->Pixels(3, mid + d), Sys(clBtnShadow)) << d;
    EXPECT_EQ(c->Pixels(12, mid + d), Sys(clBtnShadow)) << d;
    EXPECT_EQ(c->Pixels(2, mid + d), Sys(clBtnFace)) << d;
    EXPECT_EQ(c->Pixels(13, mid + d), Sys(clBtnFace)) << d;
  }
  EXPECT_EQ(c->Pixels(6, mid), Sys(clBtnFace));

  // The up arrow: a 7 x 4 triangle in the button-text colour.
  TRect up = lumitest::ColorBox(c, Rect(0, 0, 16, 16), Sys(clBtnText));
  EXPECT_EQ(up.Width(), 7);
  EXPECT_EQ(up.Height(), 4);

  // Hot: the arrow under the pointer turns to the highlight colour.
  bar->Perform(CM_MOUSEENTER);
  bar->Perform(WM_MOUSEMOVE, 0, MakeLParam(8, 8));
  auto hot = Render();
  TRect hot_box = lumitest::ColorBox(hot->Canvas(), Rect(0, 0, 16, 16), Sys(clHighlight));
  EXPECT_EQ(hot_box.Width(), 7);
  EXPECT_EQ(hot_box.Height(), 4);

  // A held page area under the pointer is filled darker.
  Down(170);
  auto held = Render();
  EXPECT_EQ(held->Canvas()->Pixels(8, 175), Sys(clBtnShadow));
  Up(170);
}

TEST_F(BarFixture, SecondaryButtonsStepByKind) {
  bar->SetSecondaryButtons(true);
  // Near end: first arrow 0..15, secondary 16..31; far end: secondary 168..183.
  EXPECT_EQ(bar->HitTest(8, 20), sbpLeftSndArrow);
  EXPECT_EQ(bar->HitTest(8, 170), sbpRightSndArrow);
  EXPECT_EQ(bar->HitTest(30, 100), sbpNowhere);  // outside the bar's thickness
  // The step's own code comes first (a changed Position then reports code 4).
  bar->SetSecondBtnKind(sbkPage);
  scrolls.clear();
  Down(20);
  ASSERT_FALSE(scrolls.empty());
  EXPECT_EQ(scrolls.front().first, escPageUp);
  EXPECT_EQ(bar->Position(), 35);
  Up(20);
  bar->SetSecondBtnKind(sbkCustom);
  scrolls.clear();
  Down(170);
  ASSERT_FALSE(scrolls.empty());
  EXPECT_EQ(scrolls.front().first, escSndLineUp);
  EXPECT_EQ(bar->Position(), 35);
  Up(170);
}

TEST_F(BarFixture, TrackHintFollowsTheDragAndGoesAtRelease) {
  bar->SetShowTrackHint(true);
  bar->OnScrollHintNeeded = [](TObject*, int pos, std::string& hint) {
    hint = "Row " + std::to_string(pos);
  };
  Down(bar->ThumbStart() + 2);
  ASSERT_NE(bar->TrackHintWindow(), nullptr);
  EXPECT_EQ(bar->TrackHintWindow()->Caption(), "Row 45");
  Move(bar->ThumbStart() + 30);
  EXPECT_EQ(bar->TrackHintWindow()->Caption(), "Row " + std::to_string(bar->TrackPosition()));
  Up(bar->ThumbStart() + 2);
  EXPECT_EQ(bar->TrackHintWindow(), nullptr);
}

TEST(ScrollBarHint, PlacementStaysOnTheDesktop) {
  const TRect desktop = Rect(0, 0, 800, 600);
  const TRect hint = Rect(0, 0, 40, 18);
  // Normal: lower right corner one pixel above and left of the anchor.
  TRect r = TCustomElScrollBar::PlaceTrackHint(hint, Point(300, 200), desktop);
  EXPECT_EQ(r, Rect(259, 181, 299, 199));
  // Near the bottom edge (the anchor below it): moved up inside.
  r = TCustomElScrollBar::PlaceTrackHint(hint, Point(300, 640), desktop);
  EXPECT_EQ(r.Bottom, 600);
  EXPECT_EQ(r.Height(), 18);
  // Near the top-left corner: moved right and down.
  r = TCustomElScrollBar::PlaceTrackHint(hint, Point(5, 5), desktop);
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Top, 0);
}

TEST(ScrollBarStyles, ForwardToTheBarAndRefuseNone) {
  TForm form(nullptr);
  auto* bar = new TElScrollBar(&form);
  TElScrollBarStyles styles(bar);
  int changes = 0;
  styles.OnChange = [&](TObject*) { ++changes; };
  styles.SetMinThumbSize(9);
  styles.SetFlat(false);
  EXPECT_EQ(bar->MinThumbSize(), 9);
  EXPECT_FALSE(bar->Flat());
  EXPECT_EQ(changes, 0);
  styles.SetWidth(20);
  EXPECT_EQ(bar->Height(), 20);
  styles.SetUseSystemMetrics(true);  // no real change
  EXPECT_EQ(changes, 1);
  styles.SetDrawFrames(false);
  EXPECT_FALSE(bar->DrawArrowFrames());

  auto* other = new TElScrollBar(&form);
  TElScrollBarStyles copy(other);
  copy.Assign(&styles);
  EXPECT_EQ(other->MinThumbSize(), 9);
  EXPECT_FALSE(other->Flat());

  try {
    TElScrollBarStyles none(nullptr);
    FAIL();
  } catch (const classlib::Exception& e) {
    EXPECT_STREQ(e.what(),
                 "No scrollbar specified when attempting to create TElScrollBarStyles instance");
  }
}

TEST(LineHintWindow, MeasuresInItsFontAndKeepsTheShownColour) {
  TElHintWindow hint(nullptr);
  const std::string text = "A caption much wider than any view would show on one line of the tree";
  TRect one = hint.MeasureHint(10000, text);
  TRect wrapped = hint.MeasureHint(100, text);
  EXPECT_GT(one.Width(), 100);
  EXPECT_GT(wrapped.Height(), one.Height());
  EXPECT_LE(wrapped.Width(), 100 + 6);

  TFont big;
  big.SetSize(20);
  hint.SetFont(&big);
  EXPECT_GT(hint.MeasureHint(10000, text).Height(), one.Height());

  hint.SetColor(clYellow);
  hint.ActivateHint(Rect(10, 10, 210, 40), "shown");
  hint.SetColor(clAqua);  // waits for the next hint
  auto b = lumitest::FilledBitmap(200, 30, clBlack, pf32bit);
  hint.PaintTo(b->Canvas(), 0, 0);
  EXPECT_EQ(b->Canvas()->Pixels(190, 25), clYellow);
  hint.ActivateHint(Rect(10, 10, 210, 40), "next");
  hint.PaintTo(b->Canvas(), 0, 0);
  EXPECT_EQ(b->Canvas()->Pixels(190, 25), clAqua);
  hint.ReleaseHandle();
  EXPECT_FALSE(hint.Active());
}
