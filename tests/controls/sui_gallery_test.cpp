// A gallery: one of every skinned class on a form, painted in every style
// (and Custom), with each control's area showing more than a plain fill.
#include <gtest/gtest.h>

#include <set>

#include "controls/sui_button.h"
#include "controls/sui_color_box.h"
#include "controls/sui_combo_box.h"
#include "controls/sui_edit.h"
#include "controls/sui_grid.h"
#include "controls/sui_group_box.h"
#include "controls/sui_item_views.h"
#include "controls/sui_tool_bar.h"
#include "controls/sui_list_box.h"
#include "controls/sui_memo.h"
#include "controls/sui_form.h"
#include "controls/sui_menu.h"
#include "controls/sui_image_panel.h"
#include "controls/sui_side_channel.h"
#include "controls/sui_tab_control.h"
#include "controls/sui_track_bar.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;

TEST(SkinnedGallery, EveryClassPaintsInEveryStyle) {
  std::vector<TsuiUIStyle> styles(std::begin(suitest::kStyles), std::end(suitest::kStyles));
  styles.push_back(TsuiUIStyle::Custom);
  for (TsuiUIStyle style : styles) {
    TForm form(nullptr);
    form.SetClientSize(780, 420);
    std::vector<TWinControl*> shown;
    const auto place = [&](TWinControl* c, int x, int y) {
      c->SetParent(&form);
      c->SetBounds(x, y, c->Width(), c->Height());
      shown.push_back(c);
    };
    auto* button = new TsuiButton(&form);
    button->SetCaption("Button");
    place(button, 40, 10);
    auto* check = new TsuiCheckBox(&form);
    check->SetChecked(true);
    place(check, 40, 50);
    auto* radio = new TsuiRadioButton(&form);
    place(radio, 40, 75);
    auto* progress = new TsuiProgressBar(&form);
    place(progress, 40, 105);
    auto* track = new TsuiTrackBar(&form);
    place(track, 40, 125);
    auto* scroll = new TsuiScrollBar(&form);
    place(scroll, 200, 10);
    auto* pages = new TsuiPageControl(&form);
    pages->SetBounds(0, 0, 260, 150);
    place(pages, 240, 10);
    for (const char* caption : {"First", "Second"}) {
      auto* sheet = new TsuiTabSheet(&form);
      sheet->SetCaption(caption);
      sheet->SetParent(pages);
    }
    auto* edit = new TsuiEdit(&form);
    edit->SetText("Edit");
    edit->SetWidth(150);
    place(edit, 40, 170);
    auto* memo = new TsuiMemo(&form);
    memo->SetText("Memo with a line wider than the memo itself\nsecond line\nthird\nfourth\nfifth");
    memo->SetBounds(0, 0, 130, 60);
    place(memo, 240, 170);
    auto* memoBar = new TsuiScrollBar(&form);
    memoBar->SetParent(&form);
    memo->SetVScrollBar(memoBar);
    auto* memoHBar = new TsuiScrollBar(&form);
    memoHBar->SetParent(&form);
    memo->SetHScrollBar(memoHBar);
    auto* list = new TsuiListBox(&form);
    for (int i = 0; i < 12; ++i) list->Items()->Add("Item " + std::to_string(i));
    list->SetBounds(0, 0, 120, 60);
    place(list, 390, 170);
    auto* listBar = new TsuiScrollBar(&form);
    listBar->SetParent(&form);
    list->SetVScrollBar(listBar);
    auto* checks = new TsuiCheckListBox(&form);
    for (const char* item : {"Checked", "Plain", "Grayed"}) checks->Items()->Add(item);
    checks->SetChecked(0, true);
    checks->SetState(2, cbGrayed);
    checks->SetBounds(0, 0, 120, 60);
    place(checks, 520, 10);
    auto* view = new TsuiListView(&form);
    view->SetViewStyle(vsReport);
    view->AddColumn("Name", 70);
    view->AddColumn("Size", 40);
    view->SetSubItem(view->AddItem("movie.swf"), 1, "12 kB");
    view->SetBounds(0, 0, 120, 60);
    place(view, 650, 10);
    auto* tree = new TsuiTreeView(&form);
    const int root = tree->AddChild(-1, "Movies");
    tree->AddChild(root, "a.swf");
    tree->SetExpanded(root, true);
    tree->SetBounds(0, 0, 120, 60);
    place(tree, 520, 80);
    auto* tools = new TsuiToolBar(&form);
    tools->SetShowCaptions(true);
    tools->AddButton("Open");
    tools->AddButton("Save");
    tools->AddButton("Bold", -1, tbsCheck)->SetDown(true);
    tools->SetAlign(alNone);
    tools->SetBounds(0, 0, 250, tools->Buttons(0)->Height());
    place(tools, 520, 150);
    auto* group = new TsuiGroupBox(&form);
    group->SetCaption("Group box");
    place(group, 10, 240);
    auto* checkGroup = new TsuiCheckGroup(&form);
    for (const char* item : {"One", "Two", "Three", "Four", "Five"}) checkGroup->Items()->Add(item);
    checkGroup->SetColumns(2);
    place(checkGroup, 200, 240);
    auto* combo = new TsuiComboBox(&form);
    combo->Items()->Add("Combo");
    combo->SetItemIndex(0);
    place(combo, 400, 240);
    auto* colours = new TsuiColorBox(&form);
    colours->SetSelected(clRed);
    place(colours, 400, 270);
    auto* grid = new TsuiStringGrid(&form);
    grid->SetBounds(0, 0, 200, 90);
    place(grid, 560, 240);
    auto* tabs = new TsuiTabControl(&form);
    tabs->SetBounds(0, 0, 180, 60);
    place(tabs, 400, 310);
    auto* picture = new TsuiImagePanel(&form);
    picture->SetCaption("Image panel");
    picture->SetBounds(0, 0, 120, 40);
    place(picture, 600, 350);
    auto* channel = new TsuiSideChannel(&form);
    channel->SetParent(&form);
    for (auto* c : shown)
      if (auto* styled = dynamic_cast<IsuiStyled*>(c)) styled->SuiSetUIStyle(style);
    for (auto* bar : {memoBar, memoHBar, listBar}) bar->SetUIStyle(style);
    auto shot = suitest::Shot(&form);
    for (auto* c : shown) {
      // Under Custom the track and scroll bars draw only the pictures they are given.
      if (style == TsuiUIStyle::Custom && (c == track || c == scroll)) continue;
      std::set<TColor> colours;
      for (int y = c->Top(); y < c->Top() + c->Height(); y += 2)
        for (int x = c->Left(); x < c->Left() + c->Width(); x += 2)
          colours.insert(shot->PixelColor(x, y));
      EXPECT_GT(colours.size(), 2u) << c->ClassName() << " in style " << int(style);
    }
    shot->SaveToFile("/tmp/sui_gallery_" + std::to_string(int(style)) + ".bmp");
  }
}

TEST(SkinnedGallery, SkinnedWindowInEveryStyle) {
  std::vector<TsuiUIStyle> styles(std::begin(suitest::kStyles), std::end(suitest::kStyles));
  styles.push_back(TsuiUIStyle::Custom);
  for (TsuiUIStyle style : styles) {
    TForm form(nullptr);
    form.SetCaption("Skinned window");
    TsuiForm frame(&form);
    frame.SetUIStyle(style);
    frame.SetWidth(320);
    frame.SetHeight(140);
    auto* menu = new TsuiMainMenu(&form);
    for (const char* caption : {"&File", "&Edit", "&Help"}) {
      auto* item = new TMenuItem(menu);
      item->SetCaption(caption);
      menu->Items()->Add(item);
    }
    auto* button = new TsuiButton(&form);
    button->SetCaption("Button");
    button->SetParent(&frame);
    button->SetBounds(20, 70, button->Width(), button->Height());
    button->SuiSetUIStyle(style);
    auto shot = suitest::Shot(&form);
    TsuiTitleBar* bar = frame.TitleBar();
    std::set<TColor> colours;
    for (int y = 0; y < bar->Height(); y += 2)
      for (int x = 0; x < bar->Width(); x += 2) colours.insert(shot->PixelColor(x, y));
    if (style != TsuiUIStyle::Custom) {
      EXPECT_GT(colours.size(), 3u) << int(style);
    }
    // The border runs along the left, bottom and right edges.
    const int b = frame.FrameBorderWidth();
    if (b > 0) {
      EXPECT_EQ(shot->PixelColor(0, form.Height() / 2), frame.BorderColor());
      EXPECT_EQ(shot->PixelColor(form.Width() / 2, form.Height() - 1), frame.BorderColor());
    }
    shot->SaveToFile("/tmp/sui_window_" + std::to_string(int(style)) + ".bmp");
    delete menu;
  }
}
