// The column header: its pixels (rendered off-screen), mouse handling driven
// by messages (resize with the guide line, drag, click, double click, right
// click, focus loss), the lookup box, sticky sections and failing handlers.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/guide_line.h"
#include "platform/classlib/hint_window.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/stream.h"
#include "platform/classlib/string_list.h"
#include "tests/treectl/render_control.h"
#include "treectl/header_control.h"

using namespace lumicast;
using namespace classlib;

namespace {

const char* const kCaptions[] = {"Source Video(*.swf;*.exe)", "Source Audio(*.wav;*.mp3)",
                                 "Export(*.avi;*.mpg;*.gif;image)"};

TColor Sys(TColor c) { return ColorToRGB(c); }

struct HeaderFixture : ::testing::Test {
  TForm form{nullptr};
  TPanel* panel = nullptr;
  TElHeader* header = nullptr;
  std::vector<std::string> log;

  void SetUp() override {
    form.SetBounds(0, 0, 600, 300);
    panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 500, 200);
    panel->SetColor(clWhite);
    header = new TElHeader(&form);
    header->SetParent(panel);
    const int widths[] = {150, 138, 148};
    for (int i = 0; i < 3; ++i) {
      TElHeaderSection* s = header->Sections()->AppendSection();
      s->SetText(kCaptions[i]);
      s->SetWidth(widths[i]);
    }
    header->OnSectionResizing = [this](TObject*, TElHeaderSection*, TElHResizingStates st, int w) {
      log.push_back("resizing " + std::to_string(st) + " " + std::to_string(w));
    };
    header->OnSectionResize = [this](TObject*, TElHeaderSection* s) {
      log.push_back("resize " + std::to_string(s->Width()));
    };
    header->OnSectionClick = [this](TObject*, TElHeaderSection* s) {
      log.push_back("click " + std::to_string(s->ColumnIndex()));
    };
  }

  void Down(int x, int y = 8) { header->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, y)); }
  void Move(int x, int y = 8) { header->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(x, y)); }
  void Up(int x, int y = 8) { header->Perform(WM_LBUTTONUP, 0, MakeLParam(x, y)); }

  std::unique_ptr<TBitmap> Render(TWinControl* c) { return lumitest::RenderControl(c, "header"); }
};

}  // namespace

TEST_F(HeaderFixture, HeightFollowsTheFontAndSectionsLieSideBySide) {
  EXPECT_EQ(header->Height(), 19);
  EXPECT_GT(header->Width(), 436);
  EXPECT_EQ(header->SectionsWidth(), 436);
  EXPECT_EQ(header->SectionAt(0), header->Sections()->ItemByPos(0));
  EXPECT_EQ(header->SectionAt(149), header->Sections()->ItemByPos(0));
  EXPECT_EQ(header->SectionAt(150), header->Sections()->ItemByPos(1));
  EXPECT_EQ(header->SectionAt(436), nullptr);
  header->SetScrollOffset(100);
  EXPECT_EQ(header->SectionAt(49), header->Sections()->ItemByPos(0));
  EXPECT_EQ(header->SectionAt(50), header->Sections()->ItemByPos(1));
  header->SetScrollOffset(0);
  EXPECT_EQ(header->SectionBounds(2), Rect(288, 0, 436, 19));
  EXPECT_THROW(header->InvalidateFrom(3), EElError);
}

TEST_F(HeaderFixture, ResizeZones) {
  TElHeaderSection* zone = nullptr;
  EXPECT_TRUE(header->InResizeZone(146, zone));
  EXPECT_EQ(zone, header->Sections()->ItemByPos(0));
  EXPECT_TRUE(header->InResizeZone(153, zone));  // just right of the edge: the left section's
  EXPECT_EQ(zone, header->Sections()->ItemByPos(0));
  EXPECT_FALSE(header->InResizeZone(140, zone));
  EXPECT_FALSE(header->InResizeZone(2, zone));   // no section before the first
  EXPECT_TRUE(header->InResizeZone(438, zone));  // beyond the last
  EXPECT_EQ(zone, header->Sections()->ItemByPos(2));
  EXPECT_FALSE(header->InResizeZone(441, zone));

  header->Sections()->ItemByPos(1)->SetWidth(14);
  EXPECT_FALSE(header->InResizeZone(160, zone));
  EXPECT_FALSE(header->InResizeZone(163, zone));
}

TEST_F(HeaderFixture, PaintsRaisedSectionsAndFiller) {
  auto b = Render(header);
  TCanvas* c = b->Canvas();
  const int h = 19;
  const int lefts[] = {0, 150, 288};
  const int rights[] = {150, 288, 436};
  for (int i = 0; i < 3; ++i) {
    const int l = lefts[i], r = rights[i] - 1;
    EXPECT_EQ(c->Pixels(l, 5), Sys(clBtnHighlight)) << i;         // first column
    EXPECT_EQ(c->Pixels(l + 20, 0), Sys(clBtnHighlight)) << i;    // first row
    EXPECT_EQ(c->Pixels(r, 5), Sys(cl3DDkShadow)) << i;           // last column
    EXPECT_EQ(c->Pixels(l + 20, h - 1), Sys(cl3DDkShadow)) << i;  // last row
    EXPECT_EQ(c->Pixels(r - 1, 5), Sys(clBtnShadow)) << i;
    EXPECT_EQ(c->Pixels(l + 20, h - 2), Sys(clBtnShadow)) << i;
  }
  // The filler right of the sections: a raised inner edge.
  EXPECT_EQ(c->Pixels(436, 5), Sys(clBtnHighlight));
  EXPECT_EQ(c->Pixels(470, 0), Sys(clBtnHighlight));
  EXPECT_EQ(c->Pixels(header->Width() - 1, 5), Sys(clBtnShadow));
  EXPECT_EQ(c->Pixels(470, h - 1), Sys(clBtnShadow));
  EXPECT_EQ(c->Pixels(470, 9), Sys(clBtnFace));
  // Captions in the button text colour inside each section's content.
  for (int i = 0; i < 3; ++i) {
    TRect text = lumitest::ColorBox(c, Rect(lefts[i], 0, rights[i], h), Sys(clBtnText));
    EXPECT_GE(text.Left, lefts[i] + 6) << i;
    EXPECT_LE(text.Right, rights[i] - 4) << i;
  }
}

TEST_F(HeaderFixture, PressedSectionIsSunkenWithContentShifted) {
  auto before = Render(header);
  TRect up_text = lumitest::ColorBox(before->Canvas(), Rect(150, 0, 288, 19), Sys(clBtnText));
  Down(200);
  auto pressed = Render(header);
  TCanvas* c = pressed->Canvas();
  EXPECT_EQ(c->Pixels(150, 5), Sys(cl3DDkShadow));  // sunken inner edge top-left
  EXPECT_EQ(c->Pixels(170, 0), Sys(cl3DDkShadow));
  EXPECT_EQ(c->Pixels(287, 5), Sys(clBtnHighlight));  // sunken outer edge bottom-right
  EXPECT_EQ(c->Pixels(170, 18), Sys(clBtnHighlight));
  TRect down_text = lumitest::ColorBox(c, Rect(150, 0, 288, 19), Sys(clBtnText));
  EXPECT_EQ(down_text.Left, up_text.Left + 1);
  EXPECT_EQ(down_text.Top, up_text.Top + 1);
  Up(200);
}

TEST_F(HeaderFixture, SortArrowsAtTheContentsRightEdge) {
  const TColor arrow = RGB(96, 96, 96);
  header->Sections()->ItemByPos(0)->SetSortMode(hsmAscend);
  auto b = Render(header);
  // Content right edge 146; the 9 x 6 glyph is centred in the content's height.
  TRect box = lumitest::ColorBox(b->Canvas(), Rect(135, 0, 150, 19), arrow);
  EXPECT_EQ(box, Rect(138, 7, 145, 11));
  EXPECT_EQ(b->Canvas()->Pixels(141, 7), arrow);  // apex on top: ascending
  EXPECT_EQ(b->Canvas()->Pixels(138, 10), arrow);
  EXPECT_EQ(b->Canvas()->Pixels(138, 7), Sys(clBtnFace));  // the key is transparent

  header->Sections()->ItemByPos(0)->SetSortMode(hsmDescend);
  header->SetInvertSortArrows(true);  // descending shows the ascending glyph
  auto inverted = Render(header);
  EXPECT_EQ(inverted->Canvas()->Pixels(141, 7), arrow);

  // Below 13 pixels of content no arrow is drawn (and no caption either).
  header->SetInvertSortArrows(false);
  header->Sections()->ItemByPos(0)->SetWidth(17);
  auto narrow = Render(header);
  TRect none = lumitest::ColorBox(narrow->Canvas(), Rect(0, 0, 17, 19), arrow);
  EXPECT_TRUE(IsRectEmpty(none));
  EXPECT_TRUE(
      IsRectEmpty(lumitest::ColorBox(narrow->Canvas(), Rect(1, 1, 13, 18), Sys(clBtnText))));
}

TEST_F(HeaderFixture, HotCaptionAndFilterSign) {
  header->Perform(WM_MOUSEMOVE, 0, MakeLParam(60, 8));
  auto hot = Render(header);
  TRect hot_text = lumitest::ColorBox(hot->Canvas(), Rect(0, 0, 150, 19), Sys(clHighlight));
  EXPECT_GT(hot_text.Width(), 20);
  EXPECT_EQ(lumitest::ColorBox(hot->Canvas(), Rect(150, 0, 288, 19), Sys(clHighlight)).Width() <= 0,
            true);

  header->Perform(CM_MOUSELEAVE);
  header->SetActiveFilterColor(clRed);
  TElHeaderSection* s = header->Sections()->ItemByPos(1);
  s->SetFilterEnabled(true);
  s->SetFilterIsActive(true);
  auto b = Render(header);
  // Content right = 288 - 4, top = 1: corners (r - 4, 11), (r, 11), (r - 2, 15).
  TRect tri = lumitest::ColorBox(b->Canvas(), Rect(150, 0, 288, 19), clRed);
  EXPECT_EQ(tri, Rect(280, 11, 285, 16));
  EXPECT_EQ(b->Canvas()->Pixels(282, 15), clRed);
}

TEST_F(HeaderFixture, ResizeByDraggingTheEdgeWithTheGuideLine) {
  Down(147);
  EXPECT_TRUE(header->Resizing());
  EXPECT_TRUE(header->MouseCapture());
  EXPECT_EQ(header->Cursor(), crHSplit);
  ASSERT_NE(header->ResizeLine(), nullptr);
  Move(160);
  Move(180);
  EXPECT_EQ(header->Sections()->ItemByPos(0)->Width(), 150);  // not yet
  EXPECT_EQ(header->ResizeLineX(), 183);

  // The parent, rendered, shows the line's column inverted all the way down.
  auto with_line = Render(panel);
  header->ResizeLine()->Hide();
  auto without = Render(panel);
  header->ResizeLine()->Show();
  const int x = header->Left() + 183;  // in the parent's coordinates
  for (int y : {2, 10, 30, 120, 199}) {
    EXPECT_EQ(with_line->Canvas()->Pixels(x, y), without->Canvas()->Pixels(x, y) ^ 0xFFFFFF) << y;
    EXPECT_EQ(with_line->Canvas()->Pixels(x + 1, y), without->Canvas()->Pixels(x + 1, y)) << y;
    EXPECT_EQ(with_line->Canvas()->Pixels(x - 1, y), without->Canvas()->Pixels(x - 1, y)) << y;
  }

  Up(180);
  EXPECT_FALSE(header->Resizing());
  EXPECT_FALSE(header->MouseCapture());
  EXPECT_EQ(header->ResizeLine(), nullptr);
  EXPECT_EQ(header->Sections()->ItemByPos(0)->Width(), 183);
  const std::vector<std::string> expected = {"resizing 0 150", "resizing 1 163", "resizing 1 183",
                                             "resizing 2 183", "resize 183"};
  EXPECT_EQ(log, expected);
  EXPECT_NE(header->Cursor(), crHSplit);
}

TEST_F(HeaderFixture, ClickDragAndDoubleClick) {
  Down(200);
  Up(210);
  EXPECT_EQ(log, std::vector<std::string>{"click 1"});
  log.clear();
  // Press and release on different sections: no click (release beyond the
  // drag threshold starts a drag, so turn dragging off).
  header->SetAllowDrag(false);
  Down(200);
  Move(300);
  Up(300);
  EXPECT_TRUE(log.empty());
  header->SetAllowDrag(true);

  // Dragging the second section to the front keeps its column number.
  TElHeaderSection* second = header->Sections()->ItemByPos(1);
  Down(200);
  Move(190);
  EXPECT_EQ(header->MovingSection(), second);
  Move(20);
  Up(20);
  EXPECT_EQ(header->Sections()->ItemByPos(0), second);
  EXPECT_EQ(second->ColumnIndex(), 1);
  EXPECT_EQ(header->Sections()->Item(1), second);
  EXPECT_EQ(header->MovingSection(), nullptr);
  EXPECT_FALSE(header->MouseCapture());
  EXPECT_TRUE(log.empty());

  TElHeaderSection* sized = nullptr;
  header->OnSectionAutoSize = [&](TObject*, TElHeaderSection* s) { sized = s; };
  header->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(136, 8));
  EXPECT_EQ(sized, second);  // now first, 138 wide
  EXPECT_FALSE(header->Resizing());
}

TEST_F(HeaderFixture, LeavingAndEnteringWhilePressed) {
  header->SetAllowDrag(false);
  Down(200);
  EXPECT_TRUE(header->Pressed());
  header->Perform(CM_MOUSELEAVE);
  EXPECT_FALSE(header->Pressed());
  header->Perform(CM_MOUSEENTER);
  EXPECT_TRUE(header->Pressed());
  Up(200);
  header->Perform(CM_MOUSEENTER);
  EXPECT_FALSE(header->Pressed());
  EXPECT_EQ(log, std::vector<std::string>{"click 1"});
}

TEST_F(HeaderFixture, RightClickShowsTheSectionsMenu) {
  auto* section_menu = new TPopupMenu(&form);
  auto* header_menu = new TPopupMenu(&form);
  header->Sections()->ItemByPos(2)->SetPopupMenu(section_menu);
  header->SetPopupMenu(header_menu);
  std::vector<TPopupMenu*> shown;
  TPopupMenu::PopupHook = [&](TPopupMenu* m, int, int) -> TMenuItem* {
    shown.push_back(m);
    return nullptr;
  };
  header->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MakeLParam(300, 8));
  header->Perform(WM_RBUTTONUP, 0, MakeLParam(300, 8));
  header->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MakeLParam(20, 8));
  header->Perform(WM_RBUTTONUP, 0, MakeLParam(20, 8));
  TPopupMenu::PopupHook = nullptr;
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], section_menu);
  EXPECT_EQ(shown[1], header_menu);
  // A freed menu is forgotten by the section.
  delete section_menu;
  EXPECT_EQ(header->Sections()->ItemByPos(2)->PopupMenu(), nullptr);
}

TEST_F(HeaderFixture, FocusLossAndFailingHandlersEndAResize) {
  Down(147);
  ASSERT_TRUE(header->Resizing());
  int ups = 0;
  header->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) {
    ups += b == TMouseButton::mbLeft;
  };
  header->Perform(WM_KILLFOCUS);
  EXPECT_FALSE(header->Resizing());
  EXPECT_FALSE(header->MouseCapture());
  EXPECT_EQ(header->ResizeLine(), nullptr);
  EXPECT_EQ(ups, 1);

  header->OnSectionResizing = [](TObject*, TElHeaderSection*, TElHResizingStates, int) {
    throw std::runtime_error("handler failed");
  };
  EXPECT_THROW(Down(147), std::runtime_error);
  EXPECT_FALSE(header->Resizing());
  EXPECT_FALSE(header->MouseCapture());
  EXPECT_EQ(header->ResizeLine(), nullptr);
  EXPECT_NE(header->Cursor(), crHSplit);

  // The hold counter is released when a creation handler fails.
  header->OnSectionCreate = [](TObject*, TElHeaderSection*) { throw std::runtime_error("no"); };
  EXPECT_THROW(header->Sections()->AppendSection(), std::runtime_error);
  header->OnSectionCreate = nullptr;
  header->HoldUpdates();
  header->ReleaseUpdates();
  EXPECT_EQ(header->Sections()->Count(), 4);
}

TEST_F(HeaderFixture, LookupEntryConfirmedTwiceIsListedOnce) {
  TElHeaderSection* s = header->Sections()->ItemByPos(0);
  s->SetLookupEnabled(true);
  // The drop-down glyph sits 10 pixels below the content's top at its right.
  auto glyph = Render(header);
  EXPECT_EQ(glyph->Canvas()->Pixels(141, 12), clBlack);
  EXPECT_EQ(glyph->Canvas()->Pixels(145, 12), clBlack);
  EXPECT_EQ(glyph->Canvas()->Pixels(143, 14), clBlack);
  EXPECT_EQ(glyph->Canvas()->Pixels(141, 14), Sys(clBtnFace));
  std::vector<std::string> done;
  header->OnHeaderLookupDone = [&](TObject*, TElHeaderSection*, const std::string& t, bool ok) {
    done.push_back(t + (ok ? "+" : "-"));
  };
  header->OnHeaderLookup = [](TObject*, TElHeaderSection*, std::string& t) {
    if (t == "lower") t = "LOWER";
  };
  const int r = 150 - 4;
  for (int round = 0; round < 2; ++round) {
    Down(r - 2, 14);
    ASSERT_TRUE(header->LookupActive());
    ASSERT_NE(header->LookupBox(), nullptr);
    header->LookupBox()->SetText("abc");
    header->LookupBox()->Perform(WM_KEYDOWN, VK_RETURN);
    EXPECT_FALSE(header->LookupActive());
  }
  Down(r - 2, 14);
  header->LookupBox()->SetText("other");
  header->LookupBox()->Perform(WM_KEYDOWN, VK_ESCAPE);
  ASSERT_EQ(s->LookupHistory()->Count(), 1);
  EXPECT_EQ(s->LookupHistory()->Get(0), "abc");
  const std::vector<std::string> expected = {"abc+", "abc+", "other-"};
  EXPECT_EQ(done, expected);
  // A press elsewhere while the box is open only closes it.
  Down(r - 2, 14);
  Down(200);
  EXPECT_FALSE(header->LookupActive());
  EXPECT_FALSE(header->Pressed());
}

TEST_F(HeaderFixture, StickySectionsFillTheHeader) {
  header->SetStickySections(true);
  header->Sections()->ItemByPos(0)->SetWidth(250);
  EXPECT_EQ(header->SectionsWidth(), header->ClientWidth() - 1);
  EXPECT_EQ(header->Sections()->ItemByPos(0)->Width(), 250);
  panel->SetWidth(400);
  EXPECT_LE(header->ClientWidth(), 400);
  EXPECT_EQ(header->SectionsWidth(), header->ClientWidth() - 1);
  panel->SetWidth(700);
  EXPECT_EQ(header->SectionsWidth(), header->ClientWidth() - 1);
  header->Sections()->ItemByPos(2)->SetVisible(false);
  EXPECT_EQ(header->SectionsWidth(), header->ClientWidth() - 1);
}

TEST_F(HeaderFixture, RightAlignedOrderReversesTheSections) {
  TElHeaderSection* first = header->Sections()->ItemByPos(0);
  header->SetRightAlignedOrder(true);
  EXPECT_EQ(header->Sections()->ItemByPos(2), first);
  EXPECT_EQ(first->ColumnIndex(), 0);
  header->SetRightAlignedOrder(false);
  EXPECT_EQ(header->Sections()->ItemByPos(0), first);
}

TEST_F(HeaderFixture, LoadingFindsMenusByNameAndImagesAreForgotten) {
  auto* menu = new TPopupMenu(&form);
  menu->SetName("menPopup");
  header->Sections()->ItemByPos(1)->SetPopupMenu(menu);
  TMemoryStream m;
  header->Sections()->SaveToStream(&m);
  delete menu;
  EXPECT_EQ(header->Sections()->ItemByPos(1)->PopupMenu(), nullptr);

  auto* again = new TPopupMenu(&form);
  again->SetName("menPopup");
  header->BeginLoading();
  m.SetPosition(0);
  header->Sections()->LoadFromStream(&m);
  header->EndLoading();
  EXPECT_EQ(header->Sections()->ItemByPos(1)->PopupMenuName(), "menPopup");
  EXPECT_EQ(header->Sections()->ItemByPos(1)->PopupMenu(), again);
  EXPECT_EQ(header->Sections()->ItemByPos(0)->PopupMenu(), nullptr);

  auto* images = new TImageList(&form);
  images->SetWidth(16);
  images->SetHeight(24);
  header->SetImages(images);
  EXPECT_EQ(header->Height(), 24);
  delete images;
  EXPECT_EQ(header->Images(), nullptr);
}

TEST_F(HeaderFixture, SectionHintsReplaceTheHeadersHint) {
  header->SetShowHint(true);
  header->SetHint("header hint");
  header->Sections()->ItemByPos(1)->SetHint("second column");
  ASSERT_TRUE(ShowControlHint(header, Point(200, 5)));
  EXPECT_EQ(ApplicationHintWindow()->Caption(), "second column");
  ASSERT_TRUE(ShowControlHint(header, Point(20, 5)));
  EXPECT_EQ(ApplicationHintWindow()->Caption(), "header hint");
  Application->CancelHint();
  EXPECT_FALSE(ApplicationHintWindow()->Active());
}

TEST_F(HeaderFixture, SignZonesAndMirroredCaptions) {
  TElHeaderSection* parent = header->Sections()->ItemByPos(0);
  TElHeaderSection* child = header->Sections()->ItemByPos(1);
  TElHeaderSection* filtered = header->Sections()->ItemByPos(2);
  parent->SetExpandable(true);
  child->SetParentSection(parent);
  filtered->SetFilterEnabled(true);
  EXPECT_EQ(header->SectionsWidth(), 150 + 148);  // the child waits for its parent

  std::vector<std::string> calls;
  header->OnSectionExpand = [&](TObject*, TElHeaderSection*) { calls.push_back("expand"); };
  header->OnSectionCollapse = [&](TObject*, TElHeaderSection*) { calls.push_back("collapse"); };
  header->OnFilterCall = [&](TObject*, TElHeaderSection*) { calls.push_back("filter"); };
  // Expand sign: x in [r - 7, r], y in [2, 9] with r = right edge - 4.
  Down(150 - 4 - 3, 5);
  Up(150 - 4 - 3, 5);
  EXPECT_TRUE(parent->Expanded());
  EXPECT_EQ(header->SectionsWidth(), 436);
  EXPECT_TRUE(log.empty());  // no press, no click
  // Filter sign: x in [r - 6, r], y in [12, 16].
  Down(436 - 4 - 2, 14);
  Up(436 - 4 - 2, 14);
  Down(150 - 4 - 3, 5);
  Up(150 - 4 - 3, 5);
  const std::vector<std::string> expected = {"expand", "filter", "collapse"};
  EXPECT_EQ(calls, expected);
  auto sign = Render(header);
  EXPECT_EQ(sign->Canvas()->Pixels(146 - 3, 4), Sys(clBtnText));  // the expand sign's triangle

  // Mirrored captions: a left-aligned caption is drawn at the right.
  filtered->SetFilterEnabled(false);
  filtered->SetText("Export");
  auto dark_box = [](TCanvas* c) {  // the caption's anti-aliased ink
    TRect box{300, 19, 150, 0};
    for (int y = 2; y < 17; ++y)
      for (int x = 152; x < 295; ++x)
        if (GetRValue(c->Pixels(x, y)) < 100) {
          box.Left = std::min(box.Left, x);
          box.Right = std::max(box.Right, x + 1);
        }
    return box;
  };
  auto plain = Render(header);
  TRect left_text = dark_box(plain->Canvas());
  header->SetRightAlignedText(true);
  auto mirrored = Render(header);
  TRect right_text = dark_box(mirrored->Canvas());
  EXPECT_LT(left_text.Left, 160);
  EXPECT_GT(right_text.Right, 280);
  EXPECT_LE(right_text.Right, 298 - 4);
}

TEST_F(HeaderFixture, HugeStoredWidthsStayInRange) {
  for (int i = 0; i < 3; ++i) {
    TElHeaderSection* s = header->Sections()->ItemByPos(i);
    s->SetMaxWidth(INT32_MAX);
    s->SetWidth(INT32_MAX - 5);
  }
  EXPECT_EQ(header->SectionsWidth(), INT32_MAX);
  EXPECT_EQ(header->SectionAt(10), header->Sections()->ItemByPos(0));
  TElHeaderSection* zone = nullptr;
  EXPECT_FALSE(header->InResizeZone(10, zone));
  auto b = Render(header);  // paints without overflowing
  EXPECT_EQ(b->Canvas()->Pixels(0, 5), Sys(clBtnHighlight));
}
