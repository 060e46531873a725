// The rectangle selection: handle places and hit order, cursors and events while hovering,
// drags of the handles and of the whole selection (normalised at the end, clamped to the
// control), the painted pixels, a lost capture, and 2,000 random drags against a model.
#include <random>

#include <gtest/gtest.h>

#include "app/rgn_select.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/std_controls.h"
#include "tests/app/window_look.h"
#include "tests/support/test_bitmaps.h"

namespace {

using namespace lumicast;
using classlib::Bounds;
using classlib::Point;
using classlib::Rect;
using classlib::TPoint;
using classlib::TRect;

struct Box {
  int l, t, w, h;
  friend bool operator==(const Box&, const Box&) = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << "(" << b.l << ", " << b.t << ", " << b.w << ", " << b.h << ")";
}

constexpr classlib::TColor kPicture = 0x785028;  // RGB 40, 80, 120
constexpr classlib::TColor kInverse = kPicture ^ 0xFFFFFF;
constexpr classlib::TColor kBack = 0x00FF00;

TEST(RgnGeometry, HandlesAndHitOrder) {
  const TRect s = Rect(10, 20, 100, 60);
  const TPoint corners[8] = {{10, 20}, {53, 20}, {96, 20}, {10, 38},
                             {96, 38}, {10, 56}, {53, 56}, {96, 56}};
  const auto handles = RgnHandleRects(s);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(handles[static_cast<size_t>(i)], Bounds(corners[i].X, corners[i].Y, 5, 5)) << i;

  EXPECT_EQ(RgnHitTest(s, Point(55, 40)), kRgnZoneMove);
  EXPECT_EQ(RgnHitTest(s, Point(57, 22)), 1);   // a handle is cut out of the move area
  EXPECT_EQ(RgnHitTest(s, Point(100, 60)), 7);  // handles reach one pixel past the frame
  EXPECT_EQ(RgnHitTest(s, Point(101, 60)), kRgnZoneNone);
  EXPECT_EQ(RgnHitTest(s, Point(9, 30)), kRgnZoneNone);
  // Odd sizes: the middle handles sit at w div 2 - 2, truncated toward zero.
  EXPECT_EQ(RgnHandleRects(Rect(0, 0, 7, 9))[4], Bounds(3, 2, 5, 5));
  EXPECT_EQ(RgnHandleRects(Rect(0, 0, -7, -9))[6], Bounds(-5, -13, 5, 5));

  // A 6 x 6 selection: every pixel lies on some handle, the lowest index wins.
  const TRect small = Rect(0, 0, 6, 6);
  EXPECT_EQ(RgnHitTest(small, Point(2, 2)), 0);
  EXPECT_EQ(RgnHitTest(small, Point(5, 0)), 1);
  EXPECT_EQ(RgnHitTest(small, Point(5, 5)), 4);
  EXPECT_EQ(RgnHitTest(small, Point(6, 6)), 7);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_NE(RgnHitTest(small, Point(x, y)), kRgnZoneMove);

  EXPECT_EQ(RgnNormalize(Rect(100, 60, 10, 20)), Rect(10, 20, 100, 60));
  EXPECT_EQ(RgnNormalize(Rect(10, 60, 100, 20)), Rect(10, 20, 100, 60));
}

// A selection control on a panel of a form, over a picture of one colour.
class RgnSelectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.SetClientSize(260, 200);
    panel = new classlib::TPanel(&form);
    panel->SetParent(&form);
    panel->SetBevelOuter(classlib::TBevelCut::bvNone);
    panel->SetBounds(0, 0, 200, 150);
    sel = new TRgnSelect(&form);
    sel->SetParent(panel);
    sel->SetBounds(0, 0, 200, 150);
    sel->SetColor(kBack);
    auto frame = lumitest::FilledBitmap(200, 150, kPicture);
    classlib::TPicture picture;
    picture.SetBitmap(frame.get());
    sel->SetBgPicture(&picture);
    sel->SetEditMode(true);
    Select(10, 20, 90, 40);
    sel->OnEditing = [this](classlib::TObject*, int l, int t, int w, int h) {
      editing.push_back({l, t, w, h});
    };
    sel->OnEdited = [this](classlib::TObject*, int l, int t, int w, int h) {
      edited.push_back({l, t, w, h});
    };
    sel->OnMouseDown = [this](classlib::TObject*) { events += "D"; };
    sel->OnMouseMove = [this](classlib::TObject*) { events += "M"; };
    sel->OnMouseUp = [this](classlib::TObject*) { events += "U"; };
  }
  void Select(int x, int y, int w, int h) {
    sel->SetSelectionX(x);
    sel->SetSelectionY(y);
    sel->SetSelectionW(w);
    sel->SetSelectionH(h);
  }
  Box Selection() const {
    return {sel->SelectionX(), sel->SelectionY(), sel->SelectionW(), sel->SelectionH()};
  }
  void Down(int x, int y) {
    sel->Perform(classlib::WM_LBUTTONDOWN, classlib::MK_LBUTTON, classlib::MakeLParam(x, y));
  }
  void Move(int x, int y) {
    sel->Perform(classlib::WM_MOUSEMOVE, classlib::MK_LBUTTON, classlib::MakeLParam(x, y));
  }
  void Up(int x, int y) { sel->Perform(classlib::WM_LBUTTONUP, 0, classlib::MakeLParam(x, y)); }
  std::unique_ptr<classlib::TBitmap> Shot(const std::string& tag) {
    return lumitest::SaveWindowPng(panel, tag);
  }

  classlib::TForm form{nullptr};
  classlib::TPanel* panel = nullptr;
  TRgnSelect* sel = nullptr;
  std::vector<Box> editing, edited;
  std::string events;
};

TEST_F(RgnSelectTest, HoverShowsTheZoneCursorAndReportsThePointer) {
  struct Case {
    TPoint p;
    classlib::TCursor cursor;
  };
  const Case cases[] = {
      {{55, 40}, classlib::crDrag},     {{11, 21}, classlib::crSizeNWSE},
      {{55, 21}, classlib::crSizeNS},   {{98, 21}, classlib::crSizeNESW},
      {{11, 40}, classlib::crSizeWE},   {{98, 40}, classlib::crSizeWE},
      {{11, 58}, classlib::crSizeNESW}, {{55, 58}, classlib::crSizeNS},
      {{98, 58}, classlib::crSizeNWSE}, {{150, 120}, classlib::crDefault},
  };
  for (const Case& c : cases) {
    Move(c.p.X, c.p.Y);
    EXPECT_EQ(sel->Cursor(), c.cursor) << c.p.X << "," << c.p.Y;
    EXPECT_EQ(editing.back(), (Box{c.p.X, c.p.Y, -1, -1}));
  }
  // Only the move outside the selection is a plain mouse move.
  EXPECT_EQ(events, "M");
  EXPECT_TRUE(edited.empty());
}

TEST_F(RgnSelectTest, CornerDraggedPastTheOppositeEdgeEndsNormalised) {
  Down(98, 58);  // bottom-right handle
  EXPECT_TRUE(sel->Dragging());
  Move(5, 58);
  EXPECT_EQ(editing.back(), (Box{10, 20, -3, 40}));  // not normalised while dragging
  Up(5, 58);
  EXPECT_FALSE(sel->Dragging());
  // The former left edge is now the right edge.
  EXPECT_EQ(Selection(), (Box{7, 20, 3, 40}));
  EXPECT_EQ(edited, (std::vector<Box>{{7, 20, 3, 40}}));
  EXPECT_EQ(sel->Cursor(), classlib::crDefault);
  EXPECT_EQ(events, "");

  // The top-left handle puts the corner on the pointer itself.
  edited.clear();
  Select(10, 20, 90, 40);
  Down(12, 22);
  Move(30, 35);
  EXPECT_EQ(editing.back(), (Box{30, 35, 70, 25}));
  Up(30, 35);
  EXPECT_EQ(Selection(), (Box{30, 35, 70, 25}));
}

TEST_F(RgnSelectTest, AMoveMayLeaveTheControlWhileThePointerStaysInside) {
  Down(50, 40);
  Move(400, 300);  // clamped to (199, 149)
  EXPECT_EQ(editing.back(), (Box{159, 129, 90, 40}));
  Move(-50, -80);  // clamped to (0, 0)
  EXPECT_EQ(editing.back(), (Box{-40, -20, 90, 40}));
  Up(-50, -80);
  EXPECT_EQ(Selection(), (Box{-40, -20, 90, 40}));
  EXPECT_EQ(edited, (std::vector<Box>{{-40, -20, 90, 40}}));
}

TEST_F(RgnSelectTest, LostCaptureCancelsTheDrag) {
  classlib::TPanel other(nullptr);
  other.SetParent(&form);
  other.SetBounds(200, 150, 20, 20);
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way);
    Down(50, 40);
    Move(80, 60);
    EXPECT_TRUE(sel->MouseCapture());
    if (way == 0)
      other.SetMouseCapture(true);  // another control takes the mouse
    else
      sel->Perform(classlib::WM_CANCELMODE);
    EXPECT_FALSE(sel->Dragging());
    Up(80, 60);
    EXPECT_EQ(Selection(), (Box{10, 20, 90, 40}));
    EXPECT_TRUE(edited.empty());
    other.SetMouseCapture(false);
  }
  EXPECT_EQ(events, "UU");  // the releases were plain ones
}

TEST_F(RgnSelectTest, PaintsADottedXorFrameHandlesAndTheDragRectangle) {
  auto still = Shot("rgn_select");
  auto* c = still->Canvas();
  // The frame: dotted, each pixel either the picture or its XOR with white.
  int on = 0, off = 0;
  for (int x = 16; x < 52; ++x) {
    const auto p = c->Pixels(x, 20);
    EXPECT_TRUE(p == kPicture || p == kInverse) << x;
    (p == kInverse ? on : off)++;
  }
  EXPECT_GT(on, 8);
  EXPECT_GT(off, 8);
  int right = 0;  // the right edge is the frame's last column
  for (int y = 26; y < 37; ++y) right += c->Pixels(99, y) == kInverse;
  EXPECT_GT(right, 2);
  EXPECT_EQ(c->Pixels(100, 30), kPicture);
  EXPECT_EQ(c->Pixels(55, 40), kPicture);
  EXPECT_EQ(c->Pixels(150, 120), kPicture);
  // Handles: 5 x 5, black outline, white inside.
  for (const TRect& h : RgnHandleRects(Rect(10, 20, 100, 60))) {
    EXPECT_EQ(c->Pixels(h.Left, h.Top), classlib::clBlack);
    EXPECT_EQ(c->Pixels(h.Left + 4, h.Top + 4), classlib::clBlack);
    EXPECT_EQ(c->Pixels(h.Left + 2, h.Top + 2), classlib::clWhite);
  }

  // Mid-drag, the drag rectangle (2 pixels, XOR) shows over the picture; after the release it
  // is gone and the frame has moved.
  Down(50, 40);
  Move(90, 100);  // the drag rectangle is (50, 80, 140, 120)
  auto mid = Shot("rgn_select_drag");
  auto* m = mid->Canvas();
  int xored = 0;
  for (int x = 60; x < 130; ++x)
    xored += m->Pixels(x, 79) == kInverse || m->Pixels(x, 80) == kInverse ||
             m->Pixels(x, 81) == kInverse;
  EXPECT_EQ(xored, 70);
  EXPECT_EQ(m->Pixels(95, 100), kPicture);
  EXPECT_EQ(m->Pixels(11, 22), classlib::clWhite);  // the selection stays drawn
  Up(90, 100);
  auto after = Shot("rgn_select_after");
  auto* a = after->Canvas();
  EXPECT_EQ(a->Pixels(95, 100), kPicture);
  EXPECT_EQ(a->Pixels(30, 20), kPicture);  // the old frame is gone
  EXPECT_EQ(a->Pixels(52, 82), classlib::clWhite);
  EXPECT_EQ(a->Pixels(120, 81), kPicture);  // no drag rectangle is left
}

TEST_F(RgnSelectTest, APictureRedrawnDuringADragShowsAtTheNextPaint) {
  Down(50, 40);
  Move(60, 45);
  Shot("rgn_select_before_frame");
  // A new frame is copied into the picture while the user drags.
  auto* bitmap = sel->BgPicture()->Bitmap();
  bitmap->Canvas()->Brush()->SetColor(classlib::clRed);
  bitmap->Canvas()->FillRect(Rect(0, 0, 200, 150));
  auto shot = Shot("rgn_select_new_frame");
  EXPECT_EQ(shot->Canvas()->Pixels(150, 120), classlib::clRed);
  EXPECT_EQ(shot->Canvas()->Pixels(12, 22), classlib::clWhite);  // the selection on top of it
  Up(60, 45);
}

TEST_F(RgnSelectTest, AnEmptyPictureDrawsNoSelection) {
  sel->SetBgPicture(nullptr);
  auto shot = Shot("rgn_select_empty");
  for (int y = 0; y < 150; y += 3)
    for (int x = 0; x < 200; x += 3)
      ASSERT_EQ(shot->Canvas()->Pixels(x, y), kBack) << x << "," << y;
}

TEST_F(RgnSelectTest, OutsideEditModeOnlyTheMouseEventsRun) {
  sel->SetEditMode(false);
  panel->SetColor(classlib::clBlue);
  Move(55, 40);
  Down(98, 58);
  Move(10, 10);
  Up(10, 10);
  EXPECT_EQ(events, "MDMU");
  EXPECT_FALSE(sel->Dragging());
  EXPECT_TRUE(editing.empty());
  EXPECT_TRUE(edited.empty());
  EXPECT_EQ(Selection(), (Box{10, 20, 90, 40}));
  // Nothing is painted: the panel shows through.
  EXPECT_EQ(Shot("rgn_select_off")->Canvas()->Pixels(55, 40), classlib::clBlue);
}

TEST_F(RgnSelectTest, DegenerateControlsAndSelectionsNeverFail) {
  sel->SetBounds(0, 0, 0, 0);
  Select(-5, -5, 0, 0);
  Down(0, 0);
  Move(-100, 500);
  Up(30000, -30000);
  EXPECT_FALSE(sel->Dragging());
  Shot("rgn_select_zero");
  sel->SetBounds(0, 0, 200, 150);
  Select(150, 100, -60, -30);  // reversed: the move area is the normalised rectangle
  Down(120, 85);
  EXPECT_TRUE(sel->Dragging());
  Up(125, 85);
  EXPECT_EQ(Selection(), (Box{155, 100, -60, -30}));
}

// ---- 2,000 random drags against a model of the rules ----------------------------------------

// Which edges a handle's drag moves (handle 0 puts the corner on the pointer instead).
struct EdgeMask {
  bool left, top, right, bottom;
};
constexpr EdgeMask kEdges[8] = {{false, false, false, false}, {false, true, false, false},
                                {false, true, true, false},   {true, false, false, false},
                                {false, false, true, false},  {true, false, false, true},
                                {false, false, false, true},  {false, false, true, true}};

struct Model {
  int w, h;  // control size
  TRect sel;
  // Handle index i sits at column ci, row ri of a 3 x 3 grid (the centre is not a handle).
  static TPoint HandleCorner(const TRect& s, int i) {
    static const int col[8] = {0, 1, 2, 0, 2, 0, 1, 2};
    static const int row[8] = {0, 0, 0, 1, 1, 2, 2, 2};
    const int width = s.Right - s.Left, height = s.Bottom - s.Top;
    const int xs[3] = {s.Left, s.Left + width / 2 - 2, s.Right - 4};
    const int ys[3] = {s.Top, s.Top + height / 2 - 2, s.Bottom - 4};
    return {xs[col[i]], ys[row[i]]};
  }
  int Zone(TPoint p) const {
    auto on = [&](int i) {
      TPoint c = HandleCorner(sel, i);
      return p.X >= c.X && p.X <= c.X + 4 && p.Y >= c.Y && p.Y <= c.Y + 4;
    };
    const int l = std::min(sel.Left, sel.Right), r = std::max(sel.Left, sel.Right);
    const int t = std::min(sel.Top, sel.Bottom), b = std::max(sel.Top, sel.Bottom);
    bool any = false;
    for (int i = 0; i < 8; ++i) any = any || on(i);
    if (!any && p.X >= l && p.X < r && p.Y >= t && p.Y < b) return 8;
    for (int i = 0; i < 8; ++i)
      if (on(i)) return i;
    return -1;
  }
  TPoint Clamp(TPoint p) const {
    return {std::clamp(p.X, 0, std::max(0, w - 1)), std::clamp(p.Y, 0, std::max(0, h - 1))};
  }
  static TRect Dragged(const TRect& r, int zone, TPoint press, TPoint now) {
    const int dx = now.X - press.X, dy = now.Y - press.Y;
    if (zone == 8) return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
    if (zone == 0) return {now.X, now.Y, r.Right, r.Bottom};
    const EdgeMask m = kEdges[zone];
    return {r.Left + (m.left ? dx : 0), r.Top + (m.top ? dy : 0), r.Right + (m.right ? dx : 0),
            r.Bottom + (m.bottom ? dy : 0)};
  }
};

TEST_F(RgnSelectTest, RandomDragsFollowTheModel) {
  std::mt19937 rng(20261209);
  auto uni = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
  int drags = 0, resized = 0, moved = 0;
  for (int n = 0; n < 2000; ++n) {
    SCOPED_TRACE(n);
    const int cw = uni(0, 3) == 0 ? uni(0, 12) : uni(40, 240);
    const int ch = uni(0, 3) == 0 ? uni(0, 12) : uni(40, 180);
    sel->SetBounds(0, 0, cw, ch);
    Select(uni(-20, cw), uni(-20, ch), uni(-15, cw), uni(-15, ch));
    Model m{cw, ch,
            Bounds(sel->SelectionX(), sel->SelectionY(), sel->SelectionW(), sel->SelectionH())};
    // Press on a handle, inside, or anywhere.
    TPoint p;
    const int pick = uni(0, 2);
    if (pick == 0) {
      const TPoint c = Model::HandleCorner(m.sel, uni(0, 7));
      p = {c.X + uni(0, 4), c.Y + uni(0, 4)};
    } else if (pick == 1) {
      p = {m.sel.Left + uni(0, std::max(0, m.sel.Right - m.sel.Left)),
           m.sel.Top + uni(0, std::max(0, m.sel.Bottom - m.sel.Top))};
    } else {
      p = {uni(-10, cw + 10), uni(-10, ch + 10)};
    }
    const int zone = m.Zone(p);
    editing.clear();
    edited.clear();
    Down(p.X, p.Y);
    ASSERT_EQ(sel->Dragging(), zone != -1);
    const TPoint press = m.Clamp(p);
    TPoint q = p;
    for (int k = uni(1, 4); k > 0; --k) {
      q = {uni(-300, cw + 300), uni(-300, ch + 300)};
      Move(q.X, q.Y);
      if (zone == -1) continue;
      const TRect d = Model::Dragged(m.sel, zone, press, m.Clamp(q));
      ASSERT_EQ(editing.back(), (Box{d.Left, d.Top, d.Right - d.Left, d.Bottom - d.Top}));
    }
    const TPoint r = uni(0, 1) ? q : TPoint{uni(-300, cw + 300), uni(-300, ch + 300)};
    Up(r.X, r.Y);
    ASSERT_FALSE(sel->Dragging());
    if (zone == -1) {
      ASSERT_TRUE(edited.empty());
      ASSERT_EQ(Selection(),
                (Box{m.sel.Left, m.sel.Top, m.sel.Right - m.sel.Left, m.sel.Bottom - m.sel.Top}));
      continue;
    }
    ++drags;
    (zone == 8 ? moved : resized)++;
    TRect e = Model::Dragged(m.sel, zone, press, m.Clamp(r));
    if (zone != 8) {
      if (e.Right < e.Left) std::swap(e.Left, e.Right);
      if (e.Bottom < e.Top) std::swap(e.Top, e.Bottom);
      ASSERT_GE(Selection().w, 0);
      ASSERT_GE(Selection().h, 0);
    }
    const Box expect{e.Left, e.Top, e.Right - e.Left, e.Bottom - e.Top};
    ASSERT_EQ(Selection(), expect);
    ASSERT_EQ(edited, std::vector<Box>{expect});
  }
  // The seed reaches every kind of drag often.
  EXPECT_GT(moved, 200);
  EXPECT_GT(resized, 400);
  EXPECT_GT(drags, 800);
}

}  // namespace
