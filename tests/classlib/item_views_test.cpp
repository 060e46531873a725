// The thin item views (check list box, list view, tree view), the tool bar
// painted by our own code, and the combo box's close-up hook.
#include <QComboBox>
#include <QListWidget>
#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/check_list_box.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/image_list.h"
#include "platform/classlib/list_box.h"
#include "platform/classlib/item_views.h"
#include "platform/classlib/messages.h"
#include "platform/classlib/scroll_state.h"
#include "platform/classlib/tool_bar.h"

using namespace classlib;

namespace {

TEST(ItemViews, CheckListBoxStatesAndUserChecks) {
  TForm form(nullptr);
  TCheckListBox box(&form);
  box.SetParent(&form);
  box.Items()->Add("one");
  box.Items()->Add("two");
  box.Items()->Insert(0, "zero");
  EXPECT_FALSE(box.Checked(0));
  box.SetChecked(1, true);
  EXPECT_TRUE(box.Checked(1));
  EXPECT_EQ(box.State(2), cbUnchecked);
  box.SetState(2, cbGrayed);
  EXPECT_EQ(box.State(2), cbGrayed);
  EXPECT_FALSE(box.Checked(2));
  EXPECT_THROW(box.Checked(3), EStringListError);
  EXPECT_THROW(box.SetChecked(-1, true), EStringListError);
  // Deleting an item takes its check with it.
  box.Items()->Delete(0);
  EXPECT_TRUE(box.Checked(0));

  // Code does not raise OnClickCheck; a change from the window system does.
  int clicks = 0;
  box.OnClickCheck = [&](TObject*) { ++clicks; };
  box.SetChecked(0, false);
  EXPECT_EQ(clicks, 0);
  auto* list = static_cast<QListWidget*>(NativeWidget(&box));
  list->item(0)->setCheckState(Qt::Checked);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(box.Checked(0));
  // Every item, old and new, can be checked by the user; grayed only with
  // AllowGrayed.
  EXPECT_TRUE(list->item(1)->flags() & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(list->item(1)->flags() & Qt::ItemIsUserTristate);
  box.SetAllowGrayed(true);
  EXPECT_TRUE(list->item(1)->flags() & Qt::ItemIsUserTristate);
  box.Items()->Add("three");
  EXPECT_TRUE(list->item(2)->flags() & Qt::ItemIsUserTristate);
}

// A list box works its bar's range out after each change without laying out
// every row; the full layout must agree.
TEST(ItemViews, ListBoxBarRangeAgreesWithTheFullLayout) {
  TForm form(nullptr);
  form.SetClientSize(300, 400);
  for (int height : {31, 97, 200}) {
    TListBox box(&form);
    box.SetParent(&form);
    box.SetBounds(0, 0, 120, height);
    int added = 0;
    for (int rows : {1, 2, 5, 6, 7, 12, 13, 14, 50, 1000}) {
      while (added < rows) box.Items()->Add("Item " + std::to_string(added++));
      TScrollBarState quick, full;
      ASSERT_TRUE(GetControlScrollBar(&box, SB_VERT, quick));
      static_cast<QListWidget*>(NativeWidget(&box))->doItemsLayout();
      ASSERT_TRUE(GetControlScrollBar(&box, SB_VERT, full));
      EXPECT_EQ(quick.Visible, full.Visible) << height << " " << rows;
      EXPECT_EQ(quick.Max, full.Max) << height << " " << rows;
      EXPECT_EQ(quick.Page, full.Page) << height << " " << rows;
      EXPECT_EQ(quick.ThumbBottom - quick.ThumbTop, full.ThumbBottom - full.ThumbTop);
    }
    // Deleting rows shrinks the range the same way.
    while (box.Items()->Count() > 3) box.Items()->Delete(0);
    TScrollBarState quick, full;
    ASSERT_TRUE(GetControlScrollBar(&box, SB_VERT, quick));
    static_cast<QListWidget*>(NativeWidget(&box))->doItemsLayout();
    ASSERT_TRUE(GetControlScrollBar(&box, SB_VERT, full));
    EXPECT_EQ(quick.Max, full.Max);
    EXPECT_EQ(quick.Visible, full.Visible);
  }
}

TEST(ItemViews, ListViewRowsColumnsAndScrollBar) {
  TForm form(nullptr);
  TListView view(&form);
  view.SetParent(&form);
  EXPECT_EQ(view.ColumnCount(), 0);
  view.SetViewStyle(vsReport);
  view.AddColumn("Name", 80);
  view.AddColumn("Size", 40);
  EXPECT_EQ(view.ColumnCount(), 2);
  EXPECT_EQ(view.AddItem("a.swf"), 0);
  EXPECT_EQ(view.AddItem("b.swf"), 1);
  view.SetSubItem(1, 1, "12 kB");
  view.SetSubItem(1, 3, "beyond the columns");
  EXPECT_EQ(view.ItemCaption(1), "b.swf");
  EXPECT_EQ(view.SubItem(1, 1), "12 kB");
  EXPECT_EQ(view.SubItem(1, 3), "beyond the columns");
  EXPECT_EQ(view.SubItem(0, 1), "");
  EXPECT_THROW(view.ItemCaption(2), EListError);
  EXPECT_THROW(view.SubItem(0, 0), EListError);
  EXPECT_EQ(view.ItemIndex(), -1);
  view.SetItemIndex(1);
  EXPECT_EQ(view.ItemIndex(), 1);
  view.SetItemIndex(5);
  EXPECT_EQ(view.ItemIndex(), -1);

  // Its own vertical bar is there for an attached skinned bar to read.
  TScrollBarState state;
  EXPECT_TRUE(GetControlScrollBar(&view, SB_VERT, state));
  view.Clear();
  EXPECT_EQ(view.ItemCount(), 0);
}

TEST(ItemViews, TreeViewNodesExpandAndSelect) {
  TForm form(nullptr);
  TTreeView tree(&form);
  tree.SetParent(&form);
  const int root = tree.AddChild(-1, "Movies");
  const int a = tree.AddChild(root, "a.swf");
  const int b = tree.AddChild(root, "b.swf");
  const int other = tree.AddChild(-1, "Pictures");
  EXPECT_EQ(tree.NodeCount(), 4);
  EXPECT_EQ(tree.ChildCount(-1), 2);
  EXPECT_EQ(tree.ChildCount(root), 2);
  EXPECT_EQ(tree.ChildCount(other), 0);
  EXPECT_EQ(tree.NodeText(b), "b.swf");
  EXPECT_THROW(tree.AddChild(9, "x"), EListError);
  EXPECT_THROW(tree.NodeText(-1), EListError);

  EXPECT_FALSE(tree.Expanded(root));
  tree.SetExpanded(root, true);
  EXPECT_TRUE(tree.Expanded(root));

  int changes = 0;
  tree.OnChange = [&](TObject*) { ++changes; };
  tree.SetSelected(a);
  EXPECT_EQ(tree.Selected(), a);
  EXPECT_EQ(changes, 1);
  tree.SetSelected(-1);
  EXPECT_EQ(tree.Selected(), -1);
  tree.Clear();
  EXPECT_EQ(tree.NodeCount(), 0);
  EXPECT_THROW(tree.NodeText(a), EListError);
}

TEST(ToolBar, ButtonsLayOutAndClick) {
  TForm form(nullptr);
  form.SetClientSize(300, 100);
  auto* bar = new TToolBar(&form);
  bar->SetParent(&form);
  TToolButton* open = bar->AddButton("Open");
  bar->AddButton("", -1, tbsSeparator);
  TToolButton* bold = bar->AddButton("Bold", -1, tbsCheck);
  EXPECT_EQ(bar->ButtonCount(), 3);
  EXPECT_EQ(open->Left(), 2);  // inside the edges
  EXPECT_EQ(open->Width(), 23);
  EXPECT_EQ(bar->Buttons(1)->Left(), 25);
  EXPECT_EQ(bold->Left(), 33);
  EXPECT_THROW(bar->Buttons(3), EListError);

  // Captions widen the buttons that need it and add height for the text
  // under the images.
  TImageList images(&form);
  images.SetSize(16, 16);
  bar->SetImages(&images);
  bar->SetShowCaptions(true);
  EXPECT_GE(open->Width(), bar->Canvas()->TextWidth("Open") + 8);
  EXPECT_EQ(open->Height(), 16 + bar->Canvas()->TextHeight("Ag") + 8);
  bar->SetEdges(false);
  EXPECT_EQ(open->Left(), 0);

  // A press and release over a button clicks it; a check button toggles.
  int clicks = 0;
  open->OnClick = [&](TObject*) { ++clicks; };
  auto press = [&](TToolButton* b, int dx) {
    const int x = b->Left() + 3, y = b->Top() + 3;
    bar->Perform(WM_MOUSEMOVE, 0, MakeLParam(x, y));
    bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, y));
    EXPECT_TRUE(b->Pressed());
    EXPECT_NE(bar->ButtonState(b) & cdsSelected, 0);
    bar->Perform(WM_LBUTTONUP, 0, MakeLParam(x + dx, y));
  };
  press(open, 0);
  EXPECT_EQ(clicks, 1);
  press(open, 500);  // released away from the button: no click
  EXPECT_EQ(clicks, 1);
  press(bold, 0);
  EXPECT_TRUE(bold->Down());
  EXPECT_NE(bar->ButtonState(bold) & cdsChecked, 0);
  press(bold, 0);
  EXPECT_FALSE(bold->Down());

  // A freed button leaves the bar.
  delete bar->Buttons(1);
  EXPECT_EQ(bar->ButtonCount(), 2);
  EXPECT_EQ(bold->Left(), open->Width());
}

TEST(ToolBar, GroupedCheckButtonsAndCustomDrawing) {
  TForm form(nullptr);
  form.SetClientSize(300, 100);
  auto* bar = new TToolBar(&form);
  bar->SetParent(&form);
  TToolButton* left = bar->AddButton("L", -1, tbsCheck);
  TToolButton* centre = bar->AddButton("C", -1, tbsCheck);
  TToolButton* loose = bar->AddButton("X", -1, tbsCheck);
  left->SetGrouped(true);
  centre->SetGrouped(true);
  left->SetDown(true);
  loose->SetDown(true);
  centre->Click();
  EXPECT_TRUE(centre->Down());
  EXPECT_FALSE(left->Down());
  EXPECT_TRUE(loose->Down());  // not of the group
  centre->Click();             // a grouped button stays down
  EXPECT_TRUE(centre->Down());

  // The handler sees every button with its state; clearing DefaultDraw keeps
  // the bar's own drawing away, leaving the handler's pixels.
  TImageList images(&form);
  images.SetSize(16, 16);
  bar->SetImages(&images);
  int calls = 0;
  bar->OnCustomDrawButton = [&](TToolBar*, TToolButton* B, TCustomDrawState State, bool& Default) {
    ++calls;
    if (B == centre) {
      EXPECT_NE(State & cdsChecked, 0);
      B->Canvas()->Brush()->SetColor(clRed);
      B->Canvas()->FillRect(B->ClientRect());
      Default = false;
    }
  };
  TBitmap shot;
  shot.SetPixelFormat(pf24bit);
  shot.SetSize(bar->Width(), bar->Height());
  bar->PaintTo(shot.Canvas(), 0, 0);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(shot.Canvas()->Pixels(centre->Left() + 1, centre->Top() + 1), clRed);
  EXPECT_NE(shot.Canvas()->Pixels(left->Left() + 1, left->Top() + 1), clRed);
  // A freed image list is forgotten.
  bar->SetImages(nullptr);
}

TEST(ComboBoxHooks, ClosingTheListCallsTheHook) {
  TForm form(nullptr);
  form.SetClientSize(200, 100);
  TComboBox box(&form);
  box.SetParent(&form);
  box.Items()->Add("a");
  int closed = 0;
  box.OnCloseUp = [&](TObject*) { ++closed; };
  auto* native = static_cast<QComboBox*>(NativeWidget(&box));
  native->hidePopup();  // not shown: no close-up
  EXPECT_EQ(closed, 0);
  box.DoCloseUp();
  EXPECT_EQ(closed, 1);
}

}  // namespace
