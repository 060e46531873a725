// The skinned form frame's menu bar: one button per top-level item of a
// skinned main menu, refreshed when the menu changes, a click drops the
// submenu down, shortcuts reach the items, and freeing the menu drops the bar.
#include <gtest/gtest.h>

#include "controls/sui_form.h"
#include "controls/sui_menu.h"
#include "controls/sui_menu_bar.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/messages.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

namespace {

TMenuItem* AddItem(TMenuItem* Parent, TComponent* Owner, const std::string& Caption) {
  auto* item = new TMenuItem(Owner);
  item->SetCaption(Caption);
  Parent->Add(item);
  return item;
}

struct HookGuard {
  ~HookGuard() { MenuItemPopupHook = nullptr; }
};

TEST(SuiMenuBar, ButtonsFollowTheTopLevelItems) {
  TForm form(nullptr);
  form.SetClientSize(400, 300);
  TsuiForm frame(&form);
  frame.SetUIStyle(TsuiUIStyle::WinXP);
  EXPECT_EQ(frame.MenuBar(), nullptr);
  auto* menu = new TsuiMainMenu(&form);  // learns the frame on its own
  ASSERT_EQ(frame.Menu(), menu);
  ASSERT_NE(frame.MenuBar(), nullptr);
  TsuiMenuBar* bar = frame.MenuBar();
  EXPECT_EQ(bar->Buttons().size(), 0u);
  EXPECT_EQ(FindFormFrame(&form), &frame);
  EXPECT_EQ(bar->Color(), frame.MenuBarColor());
  EXPECT_EQ(frame.MenuBarColor(), GetThemeColor(TsuiUIStyle::WinXP, 3));

  TMenuItem* file = AddItem(menu->Items(), menu, "&File");
  AddItem(file, menu, "&Open");
  TMenuItem* edit = AddItem(menu->Items(), menu, "&Edit");
  ASSERT_EQ(bar->Buttons().size(), 2u);
  EXPECT_EQ(bar->Buttons()[0].Caption, "File");
  EXPECT_EQ(bar->Buttons()[1].Caption, "Edit");
  EXPECT_EQ(bar->Buttons()[0].Rect.Right, bar->Buttons()[1].Rect.Left);
  EXPECT_GT(bar->Buttons()[1].Rect.Width(), 0);
  edit->SetEnabled(false);
  EXPECT_FALSE(bar->Buttons()[1].Enabled);
  edit->SetCaption("&View");
  EXPECT_EQ(bar->Buttons()[1].Caption, "View");

  // Under the title bar, across the panel, MenuBarHeight high.
  EXPECT_EQ(bar->Top(), frame.TitleBar()->Height());
  EXPECT_EQ(bar->Width(), frame.ClientWidth());
  frame.SetMenuBarHeight(30);
  EXPECT_EQ(bar->Height(), 30);
  EXPECT_EQ(bar->Buttons()[0].Rect.Height(), 30);

  // Detaching frees the bar.
  frame.SetMenu(nullptr);
  EXPECT_EQ(frame.MenuBar(), nullptr);
  frame.SetMenu(menu);
  ASSERT_NE(frame.MenuBar(), nullptr);
  EXPECT_EQ(frame.MenuBar()->Buttons().size(), 2u);
  delete menu;  // a freed menu takes its bar with it
  EXPECT_EQ(frame.Menu(), nullptr);
  EXPECT_EQ(frame.MenuBar(), nullptr);
}

TEST(SuiMenuBar, ClicksDropTheSubmenuAndShortcutsRunItems) {
  HookGuard guard;
  TForm form(nullptr);
  form.SetClientSize(400, 300);
  TsuiForm frame(&form);
  auto* menu = new TsuiMainMenu(&form);
  TMenuItem* file = AddItem(menu->Items(), menu, "&File");
  TMenuItem* open = AddItem(file, menu, "&Open");
  open->SetShortCut(ShortCut('O', ssCtrl));
  TMenuItem* help = AddItem(menu->Items(), menu, "&Help");
  help->SetEnabled(false);
  int opened = 0;
  open->OnClick = [&](TObject*) { ++opened; };
  TMenuItem* dropped = nullptr;
  TPoint at;
  MenuItemPopupHook = [&](TMenuItem* item, int x, int y) {
    dropped = item;
    at = Point(x, y);
    return open;
  };
  TsuiMenuBar* bar = frame.MenuBar();
  const TRect r = bar->Buttons()[0].Rect;
  bar->Perform(WM_MOUSEMOVE, 0, MakeLParam(r.Left + 3, 5));
  EXPECT_EQ(bar->HotButton(), 0);
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(r.Left + 3, 5));
  bar->Perform(WM_LBUTTONUP, 0, MakeLParam(r.Left + 3, 5));
  EXPECT_EQ(dropped, file);
  EXPECT_EQ(at, bar->ClientToScreen(Point(r.Left, r.Bottom)));  // below its button
  EXPECT_EQ(opened, 1);
  // A disabled item's button drops nothing.
  dropped = nullptr;
  const TRect h = bar->Buttons()[1].Rect;
  bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(h.Left + 3, 5));
  EXPECT_EQ(dropped, nullptr);

  uint16_t key = 'O';
  form.OnKeyDown(&form, key, ssCtrl);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(key, 0);  // taken
  key = 'P';
  form.OnKeyDown(&form, key, ssCtrl);
  EXPECT_EQ(key, 'P');
  delete menu;
}

TEST(SuiMenuBar, PaintsItsCaptions) {
  TForm form(nullptr);
  form.SetClientSize(400, 300);
  TsuiForm frame(&form);
  auto* menu = new TsuiMainMenu(&form);
  auto blank = suitest::Shot(&form);
  AddItem(menu->Items(), menu, "&File");
  AddItem(menu->Items(), menu, "&Edit");
  auto shot = suitest::Shot(&form);
  EXPECT_GT(suitest::Differing(blank.get(), shot.get()), 20);
  delete menu;
}

}  // namespace
