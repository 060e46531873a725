// Skinned menus: measuring and drawing items in the DeepBlue colours, the
// style setter, the job list's pop-up menu through the popup hook.
#include <gtest/gtest.h>

#include "controls/sui_menu.h"
#include "platform/classlib/image_list.h"
#include "tests/support/test_bitmaps.h"

using namespace classlib;
using namespace controls;
using lumitest::FilledBitmap;

namespace {

constexpr TColor kBar = 0x00CED3D6;
constexpr TColor kSel = 0x00A04A44;

TMenuItem* AddItem(TMenu* menu, const std::string& caption) {
  auto* item = new TMenuItem(menu);
  item->SetCaption(caption);
  menu->Items()->Add(item);
  return item;
}

// Measures and draws Item into a fresh image of its measured size.
std::unique_ptr<TBitmap> Render(TMenuItem* item, bool selected, int width = 0) {
  auto scratch = FilledBitmap(1, 1, clBlack);
  AssignMenuFont(scratch->Canvas()->Font());
  int w = 0, h = 0;
  item->MeasureItem(scratch->Canvas(), w, h);
  if (width > 0) w = width;
  auto img = FilledBitmap(w, h, clFuchsia);
  AssignMenuFont(img->Canvas()->Font());
  item->DrawItem(img->Canvas(), Rect(0, 0, w, h), selected);
  return img;
}

bool HasColor(TBitmap* b, const TRect& r, TColor c) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (b->Canvas()->Pixels(x, y) == c) return true;
  return false;
}

class SuiMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    menu.BeginLoading();
    for (const char* c :
         {"&Add", "&Remove", "&Clear", "-", "&Settings", "-", "Check All", "Uncheck All"})
      AddItem(&menu, c);
    menu.EndLoading();
  }
  TsuiPopupMenu menu{nullptr};
};

TEST_F(SuiMenu, DefaultsAndDeepBlueValues) {
  EXPECT_EQ(menu.UIStyle(), TsuiUIStyle::DeepBlue);
  EXPECT_EQ(menu.MenuItemHeight(), 21);
  EXPECT_EQ(menu.SeparatorHeight(), 5);
  EXPECT_EQ(menu.BarWidth(), 26);
  EXPECT_EQ(menu.BarColor(), kBar);
  EXPECT_EQ(menu.SeparatorColor(), 0x00848284);
  EXPECT_EQ(menu.FontColor(), clBlack);
  EXPECT_TRUE(menu.OwnerDraw());
  menu.SetOwnerDraw(false);
  EXPECT_TRUE(menu.OwnerDraw());
}

TEST_F(SuiMenu, MeasureUsesCaptionShortcutAndBar) {
  auto scratch = FilledBitmap(1, 1, clBlack);
  AssignMenuFont(scratch->Canvas()->Font());
  TMenuItem* item = AddItem(&menu, "Caption of some width");
  menu.HookMenuItemDrawing(item);
  const int caption = scratch->Canvas()->TextWidth(item->Caption());
  int w = 0, h = 0;
  item->MeasureItem(scratch->Canvas(), w, h);
  EXPECT_EQ(w, caption + 26 + 40);
  EXPECT_EQ(h, 21);
  item->SetShortCut(ShortCut('S', ssCtrl));
  item->MeasureItem(scratch->Canvas(), w, h);
  EXPECT_EQ(w, caption + scratch->Canvas()->TextWidth("Ctrl+S") + 66);
  menu.Items()->Items(3)->MeasureItem(scratch->Canvas(), w, h);
  EXPECT_EQ(h, 5);
  TMenuItem* dashes = AddItem(&menu, "--");
  menu.HookMenuItemDrawing(dashes);
  dashes->MeasureItem(scratch->Canvas(), w, h);
  EXPECT_EQ(h, 21);
}

TEST_F(SuiMenu, SeparatorLine) {
  auto img = Render(menu.Items()->Items(3), false, 100);
  TCanvas* c = img->Canvas();
  ASSERT_EQ(img->Height(), 5);
  EXPECT_EQ(c->Pixels(0, 0), kBar);
  EXPECT_EQ(c->Pixels(25, 4), kBar);
  EXPECT_EQ(c->Pixels(26, 0), clWhite);
  EXPECT_EQ(c->Pixels(29, 2), clWhite);
  EXPECT_EQ(c->Pixels(30, 2), 0x00848284);
  EXPECT_EQ(c->Pixels(97, 2), 0x00848284);
  EXPECT_EQ(c->Pixels(98, 2), clWhite);
  EXPECT_EQ(c->Pixels(50, 1), clWhite);
}

TEST_F(SuiMenu, ItemStates) {
  TMenuItem* add = menu.Items()->Items(0);
  auto normal = Render(add, false);
  EXPECT_EQ(normal->Canvas()->Pixels(0, 0), kBar);
  EXPECT_EQ(normal->Canvas()->Pixels(25, 20), kBar);
  EXPECT_EQ(normal->Canvas()->Pixels(normal->Width() - 1, 20), clWhite);
  EXPECT_TRUE(HasColor(normal.get(), Rect(30, 4, normal->Width(), 21), clBlack));

  auto selected = Render(add, true);
  EXPECT_EQ(selected->Canvas()->Pixels(0, 0), kSel);
  EXPECT_EQ(selected->Canvas()->Pixels(10, 10), kSel);
  EXPECT_TRUE(HasColor(selected.get(), Rect(30, 4, selected->Width(), 21), clWhite));
  EXPECT_FALSE(HasColor(selected.get(), Rect(0, 0, selected->Width(), 21), clBlack));

  add->SetEnabled(false);
  auto disabled = Render(add, true);
  EXPECT_EQ(disabled->Canvas()->Pixels(0, 0), kBar);
  EXPECT_EQ(disabled->Canvas()->Pixels(disabled->Width() - 1, 0), clWhite);
  EXPECT_TRUE(HasColor(disabled.get(), Rect(30, 4, disabled->Width(), 21), 0x00808080));
  EXPECT_FALSE(HasColor(disabled.get(), Rect(30, 4, disabled->Width(), 21), clBlack));
}

TEST_F(SuiMenu, CheckedWithAndWithoutImage) {
  TMenuItem* item = menu.Items()->Items(4);
  item->SetChecked(true);
  auto ticked = Render(item, false);
  EXPECT_EQ(ticked->Canvas()->Pixels(4, 3), kBar);  // white of the tick stays out
  EXPECT_TRUE(HasColor(ticked.get(), Rect(4, 3, 20, 19), clBlack));

  TImageList images(nullptr);
  auto glyph = FilledBitmap(16, 16, clLime);
  images.Add(glyph.get(), nullptr);
  menu.SetImages(&images);
  item->SetImageIndex(0);
  auto boxed = Render(item, false);
  EXPECT_EQ(boxed->Canvas()->Pixels(2, 1), clBlack);
  EXPECT_EQ(boxed->Canvas()->Pixels(20, 19), clBlack);
  EXPECT_EQ(boxed->Canvas()->Pixels(3, 2), kSel);
  EXPECT_EQ(boxed->Canvas()->Pixels(4, 3), clLime);
  item->SetImageIndex(5);  // beyond the list: the tick again
  auto beyond = Render(item, false);
  EXPECT_EQ(beyond->Canvas()->Pixels(2, 1), kBar);
}

TEST_F(SuiMenu, StyleSetterAndMacOSHeights) {
  menu.SetBarWidth(7);
  menu.SetUIStyle(TsuiUIStyle::Custom);
  EXPECT_EQ(menu.BarWidth(), 7);
  EXPECT_EQ(menu.SeparatorHeight(), 5);
  menu.SetUIStyle(TsuiUIStyle::MacOS);
  EXPECT_EQ(menu.MenuItemHeight(), 20);
  EXPECT_EQ(menu.SeparatorHeight(), 12);
  menu.SetMenuItemHeight(40);
  menu.SetSeparatorHeight(40);
  EXPECT_EQ(menu.MenuItemHeight(), 20);
  EXPECT_EQ(menu.SeparatorHeight(), 12);
  auto sep = Render(menu.Items()->Items(3), false, 60);
  EXPECT_EQ(sep->Height(), 12);
  EXPECT_FALSE(HasColor(sep.get(), Rect(0, 0, 60, 12), clFuchsia));  // the bar image covers it
}

TEST_F(SuiMenu, PopupHookSeesHookedItems) {
  TPopupMenu* seen = nullptr;
  int drawn = 0;
  TPopupMenu::PopupHook = [&](TPopupMenu* m, int, int) -> TMenuItem* {
    seen = m;
    for (int i = 0; i < m->Items()->Count(); ++i) {
      TMenuItem* item = m->Items()->Items(i);
      auto img = Render(item, false, 126);
      if (img->Canvas()->Pixels(0, 0) == kBar) ++drawn;
    }
    return m->Items()->Items(0);
  };
  int clicks = 0;
  menu.Items()->Items(0)->OnClick = [&](TObject*) { ++clicks; };
  menu.Popup(10, 10);
  TPopupMenu::PopupHook = nullptr;
  EXPECT_EQ(seen, &menu);
  EXPECT_EQ(drawn, 8);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
