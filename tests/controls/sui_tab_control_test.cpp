// The skinned tab strip's widths and hit-testing, the tab control's index,
// and the page control's pages: joining, leaving, hiding, and the page order
// restored after streaming.
#include <gtest/gtest.h>

#include "controls/sui_tab_control.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/form.h"
#include "platform/classlib/messages.h"
#include "tests/controls/sui_test_util.h"

using namespace classlib;
using namespace controls;
using suitest::kStyles;
using suitest::Shot;

TEST(SkinnedTabControl, TabWidthsIndexAndClicks) {
  TForm form(nullptr);
  auto* tabs = new TsuiTabControl(&form);
  tabs->SetParent(&form);
  tabs->SetBounds(0, 0, 300, 80);
  tabs->SetUIStyle(TsuiUIStyle::WinXP);
  TStringList* list = tabs->Tabs();
  list->Clear();
  list->Add("");
  list->Add("i");
  list->Add("General");
  TsuiTabControlTopPanel* strip = tabs->Strip();
  EXPECT_EQ(strip->TabWidth(0), 80);
  strip->Canvas()->Font()->Assign(tabs->Font());
  EXPECT_EQ(strip->TabWidth(1), std::max(strip->Canvas()->TextWidth("i") + 20, 15));

  std::vector<int> actives;
  tabs->OnTabActive = [&](TObject*, int i) { actives.push_back(i); };
  tabs->SetTabIndex(3);  // the count: unchanged
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->SetTabIndex(2);
  EXPECT_EQ(actives, std::vector<int>{2});

  Shot(tabs);  // painting records the widths the clicks are tested against
  const int y = strip->ActiveHeight() / 2;
  ASSERT_GT(y, 0);
  strip->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(10 + 80 + 3, y));
  EXPECT_EQ(tabs->TabIndex(), 1);
  strip->Perform(WM_LBUTTONUP, 0, MakeLParam(10 + 80 + 3, y));
  strip->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(10, y));  // on an edge: nothing
  EXPECT_EQ(tabs->TabIndex(), 1);
  strip->Perform(WM_LBUTTONUP, 0, MakeLParam(10, y));

  // Seventy tabs paint; only the first 64 can be hit.
  list->Clear();
  for (int i = 0; i < 70; ++i) list->Add("");
  Shot(tabs);
  EXPECT_EQ(strip->TabAt(10 + 80 * 63 + 40, y), 63);
  EXPECT_EQ(strip->TabAt(10 + 80 * 66 + 40, y), -1);
}

TEST(SkinnedPageControl, SheetsJoinLeaveAndHideTheirTabs) {
  TForm form(nullptr);
  auto* pc = new TsuiPageControl(&form);
  pc->SetParent(&form);
  pc->SetBounds(0, 0, 300, 200);
  auto* a = new TsuiTabSheet(&form);
  a->SetCaption("A");
  a->SetParent(pc);
  auto* b = new TsuiTabSheet(&form);
  b->SetCaption("B");
  b->SetParent(pc);
  auto* c = new TsuiTabSheet(&form);
  c->SetCaption("C");
  c->SetParent(pc);
  EXPECT_EQ(pc->PageCount(), 3);
  EXPECT_EQ(pc->ActivePage(), c);
  EXPECT_EQ(pc->Strip()->Tabs()->Get(1), "B");
  EXPECT_EQ(c->PageIndex(), 2);

  int shows = 0;
  a->OnShow = [&](TObject*) { ++shows; };
  pc->SetActivePage(a);
  EXPECT_EQ(shows, 1);
  EXPECT_TRUE(a->Visible());
  EXPECT_FALSE(b->Visible());
  // Hiding the active first page's tab activates the next visible page.
  a->SetTabVisible(false);
  EXPECT_EQ(pc->ActivePage(), b);
  a->SetTabVisible(true);
  EXPECT_EQ(pc->ActivePage(), a);

  c->SetPageIndex(0);
  EXPECT_EQ(pc->Pages(0), c);
  EXPECT_EQ(a->PageIndex(), 1);
  c->SetPageIndex(7);  // ignored
  EXPECT_EQ(c->PageIndex(), 0);

  // Removing a page activates the one before it; the only page leaves none.
  delete b;
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), a);
  delete a;
  delete c;
  EXPECT_EQ(pc->PageCount(), 0);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_EQ(pc->Strip()->TabIndex(), -1);
}

TEST(SkinnedPageControl, ReloadingRestoresTheSavedPageOrder) {
  TMemoryStream pages;
  std::vector<std::unique_ptr<TMemoryStream>> sheet_data;
  {
    TForm form(nullptr);
    auto* pc = new TsuiPageControl(&form);
    pc->SetName("Pages1");
    pc->SetParent(&form);
    for (const char* name : {"First", "Second", "Third"}) {
      auto* s = new TsuiTabSheet(&form);
      s->SetName(name);
      s->SetParent(pc);
    }
    pc->Pages(2)->SetPageIndex(0);  // saved order: Third, First, Second
    pc->WritePages(&pages);
    for (const char* name : {"Second", "Third", "First"}) {  // read in another order
      auto* s = dynamic_cast<TsuiTabSheet*>(form.FindComponent(name));
      sheet_data.push_back(std::make_unique<TMemoryStream>());
      s->WritePageControl(sheet_data.back().get());
    }
  }
  TForm form(nullptr);
  auto* pc = new TsuiPageControl(&form);
  pc->SetName("Pages1");
  pc->SetParent(&form);
  pc->BeginLoading();
  int i = 0;
  for (const char* name : {"Second", "Third", "First"}) {
    auto* s = new TsuiTabSheet(&form);
    s->SetName(name);
    sheet_data[i]->SetPosition(0);
    s->ReadPageControl(sheet_data[i++].get());
  }
  pages.SetPosition(0);
  pc->ReadPages(&pages);
  pc->EndLoading();
  ASSERT_EQ(pc->PageCount(), 3);
  EXPECT_EQ(pc->Pages(0)->Name(), "Third");
  EXPECT_EQ(pc->Pages(1)->Name(), "First");
  EXPECT_EQ(pc->Pages(2)->Name(), "Second");
  EXPECT_EQ(pc->Pages(0)->PageIndex(), 0);
  EXPECT_EQ(pc->Strip()->Tabs()->Count(), 3);
}

TEST(SkinnedPageControl, EveryStylePaintsStripAndBody) {
  for (TsuiUIStyle style : kStyles) {
    TForm form(nullptr);
    form.SetClientSize(300, 200);
    auto* pc = new TsuiPageControl(&form);
    pc->SetParent(&form);
    pc->SetBounds(0, 0, 300, 150);
    pc->SetUIStyle(style);
    for (const char* caption : {"General", "Output", "Sound"}) {
      auto* s = new TsuiTabSheet(&form);
      s->SetCaption(caption);
      s->SetParent(pc);
    }
    pc->SetActivePage(pc->Pages(1));
    EXPECT_EQ(pc->BorderColor(), GetThemeColor(style, 8));
    auto shot = Shot(pc);
    EXPECT_EQ(shot->PixelColor(0, 120), ColorToRGB(GetThemeColor(style, 8))) << int(style);
    shot->SaveToFile("/tmp/sui_pages_" + std::to_string(int(style)) + ".bmp");
  }
}
