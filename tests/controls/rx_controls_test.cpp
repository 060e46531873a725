// The speed button's glyphs, cache, repeat, grouping and drop-down menu; the
// shadow label; the control cursors.
#include <gtest/gtest.h>

#include "controls/rx_controls.h"
#include "platform/classlib/application.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;

TEST(RxButtonGlyph, TheGlyphCountFollowsTheStripProportions) {
  TRxSpeedButton b(nullptr);
  auto strip = lumitest::FilledBitmap(64, 16, clRed);
  b.SetGlyph(strip.get());
  EXPECT_EQ(b.NumGlyphs(), 4);
  auto six = lumitest::FilledBitmap(96, 16, clRed);
  b.SetGlyph(six.get());
  EXPECT_EQ(b.NumGlyphs(), 1);
  b.SetNumGlyphs(3);
  TBitmap empty;
  b.SetGlyph(&empty);  // nothing to infer from: the count stays
  EXPECT_EQ(b.NumGlyphs(), 3);
}

TEST(RxButtonGlyph, SameSizedGlyphsShareOneCachedListThatGoesWithThem) {
  const int before = GlyphCacheListCount();
  auto g = lumitest::FilledBitmap(16, 16, clRed);
  {
    TRxButtonGlyph a, b;
    a.SetGlyph(g.get());
    b.SetGlyph(g.get());
    ASSERT_NE(a.StateImage(rbsUp), nullptr);
    ASSERT_NE(b.StateImage(rbsUp), nullptr);
    EXPECT_EQ(GlyphCacheListCount(), before + 1);
    auto other = lumitest::FilledBitmap(8, 8, clRed);
    TRxButtonGlyph c;
    c.SetGlyph(other.get());
    c.StateImage(rbsDisabled);
    EXPECT_EQ(GlyphCacheListCount(), before + 2);
  }
  EXPECT_EQ(GlyphCacheListCount(), before);
}

TEST(RxButtonGlyph, TheInactiveImageIsGreyButKeepsKeyAndFacePixels) {
  auto g = lumitest::FilledBitmap(5, 2, clFuchsia);  // not a strip: one glyph
  g->Canvas()->SetPixels(1, 0, RGB(200, 100, 50));
  g->Canvas()->SetPixels(2, 0, clBtnFace);
  g->Canvas()->SetPixels(3, 0, clRed);
  g->Canvas()->SetPixels(0, 0, clFuchsia);
  TRxButtonGlyph glyph;
  glyph.SetGlyph(g.get());
  TBitmap* inactive = glyph.StateImage(rbsInactive);
  ASSERT_NE(inactive, nullptr);
  const uint8_t grey = static_cast<uint8_t>((77 * 200 + 150 * 100 + 29 * 50) >> 8);
  EXPECT_EQ(inactive->PixelColor(1, 0), RGB(grey, grey, grey));
  EXPECT_EQ(inactive->PixelColor(0, 0), clFuchsia);
  EXPECT_EQ(inactive->PixelColor(2, 0), ColorToRGB(clBtnFace));
  // Eight frames, one per state at most: up, disabled, down, exclusive, inactive.
  auto five = lumitest::FilledBitmap(40, 8, clRed);
  glyph.SetGlyph(five.get());
  EXPECT_EQ(glyph.NumGlyphs(), 5);
  for (int s = rbsUp; s <= rbsInactive; ++s)
    EXPECT_NE(glyph.StateImage(static_cast<TRxButtonState>(s)), nullptr);
}

namespace {

struct Host {
  TForm form{nullptr};
  TRxSpeedButton* button;
  int clicks = 0;
  Host() {
    form.SetClientSize(100, 60);
    button = new TRxSpeedButton(&form);
    button->SetParent(&form);
    button->SetBounds(5, 5, 25, 25);
    button->OnClick = [this](TObject*) { ++clicks; };
  }
  void Down() { button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(5, 5)); }
  void Up(int x = 5) { button->Perform(WM_LBUTTONUP, 0, MakeLParam(x, 5)); }
};

}  // namespace

TEST(RxSpeedButton, HoldingRepeatsAfterThePauseThenAtTheInterval) {
  Host h;
  h.button->SetAllowTimer(true);
  h.Down();
  ASSERT_NE(h.button->RepeatTimer(), nullptr);
  EXPECT_EQ(h.button->RepeatTimer()->Interval(), 500u);
  h.button->RepeatTimer()->Fire();
  EXPECT_EQ(h.clicks, 1);
  EXPECT_EQ(h.button->RepeatTimer()->Interval(), 100u);
  h.button->RepeatTimer()->Fire();
  EXPECT_EQ(h.clicks, 2);
  h.Up();
  EXPECT_EQ(h.clicks, 3);  // the release inside clicks too
  EXPECT_FALSE(h.button->RepeatTimer()->Enabled());
  // Released outside: no click.
  h.Down();
  h.button->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(60, 60));
  EXPECT_EQ(h.button->State(), rbsUp);
  h.Up(60);
  EXPECT_EQ(h.clicks, 3);
}

TEST(RxSpeedButton, AGroupedButtonTogglesWhenAllUpIsAllowed) {
  Host h;
  auto* other = new TRxSpeedButton(&h.form);
  other->SetParent(&h.form);
  other->SetGroupIndex(1);
  h.button->SetGroupIndex(1);
  h.button->SetAllowAllUp(true);
  h.Down();
  h.Up();
  EXPECT_TRUE(h.button->Down());
  other->SetDown(true);
  EXPECT_FALSE(h.button->Down());  // one down per group
  other->SetDown(false);           // not allowed all up: stays
  EXPECT_TRUE(other->Down());
  h.Down();
  h.Up();
  EXPECT_TRUE(h.button->Down());
  h.Down();
  h.Up();
  EXPECT_FALSE(h.button->Down());
}

TEST(RxSpeedButton, TheDropDownMenuPopsUpWithoutASecondClick) {
  Host h;
  TPopupMenu menu(nullptr);
  h.button->SetDropDownMenu(&menu);
  int popups = 0;
  auto saved = TPopupMenu::PopupHook;
  TPopupMenu::PopupHook = [&](TPopupMenu*, int, int) -> TMenuItem* {
    ++popups;
    return nullptr;
  };
  h.Down();
  h.Up();
  TPopupMenu::PopupHook = saved;
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(h.clicks, 0);
  EXPECT_EQ(h.button->State(), rbsUp);
}

TEST(RxSpeedButton, ClickingSetsTheFormsModalResult) {
  Host h;
  h.button->ModalResult = 2;
  h.Down();
  h.Up();
  EXPECT_EQ(h.form.ModalResult(), 2);
}

TEST(RxLabel, AutoSizeMakesRoomForTheShadow) {
  TForm form(nullptr);
  auto* l = new TRxLabel(&form);
  l->SetParent(&form);
  l->SetCaption("Shadow");
  const int w1 = l->Width(), h1 = l->Height();
  l->SetShadowSize(3);
  EXPECT_EQ(l->Width(), w1 + 2);
  EXPECT_EQ(l->Height(), h1 + 2);
  l->SetCaption("");
  EXPECT_GT(l->Height(), 0);  // an empty caption still measures one blank
}

TEST(ControlCursors, TheHandAndDragCursorsComeFromTheArtwork) {
  InitControlCursors();
  EXPECT_TRUE(Screen->HasCursor(crRxHand));
  EXPECT_TRUE(Screen->HasCursor(crRxDrag));
}
