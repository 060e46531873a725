// The edit with an embedded button: glyph, placement, the click key, input
// held back without direct input, and dialog keys.
#include <string>

#include <QCoreApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include "controls/combo_edit.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/system_metrics.h"

using namespace classlib;
using controls::TComboEdit;

TEST(ComboEdit, EllipsisGlyphDotsAndClipping) {
  TBitmap g;
  controls::MakeEllipsisGlyph(&g, 17);
  ASSERT_EQ(g.Width(), 11);
  ASSERT_EQ(g.Height(), 4);
  std::string row1, row0;
  for (int x = 0; x < 11; ++x) {
    row0 += g.Canvas()->Pixels(x, 0) == clBlack ? '#' : '.';
    row1 += g.Canvas()->Pixels(x, 1) == clBlack ? '#' : '.';
  }
  EXPECT_EQ(row0, "...........");
  EXPECT_EQ(row1, "##..##..##.");
  controls::MakeEllipsisGlyph(&g, 8);  // 2 pixels wide: only what fits
  EXPECT_EQ(g.Width(), 2);
  controls::MakeEllipsisGlyph(&g, 0);
  EXPECT_EQ(g.Width(), 1);
}

TEST(ComboEdit, ButtonSitsInsideTheEditBesideTheText) {
  TForm form(nullptr);
  auto* e = new TComboEdit(&form);
  e->SetParent(&form);
  EXPECT_EQ(e->Height(), 21);
  EXPECT_EQ(e->ButtonWidth(), 21);
  EXPECT_EQ(e->ClickKey, 32808);
  e->SetBounds(0, 0, 69, 19);
  e->SetButtonWidth(17);
  EXPECT_EQ(e->ButtonHolder()->Parent(), e);
  // Sunken border: at the inner right edge, 4 lower than the edit.
  EXPECT_EQ(e->ButtonHolder()->Left(), 69 - 17 - 2);
  EXPECT_EQ(e->ButtonHolder()->Top(), 2);
  EXPECT_EQ(e->ButtonHolder()->Height(), 15);
  EXPECT_EQ(e->EditRect().Right, 65 - 17 - 2);
  e->SetCtl3D(false);
  EXPECT_EQ(e->ButtonHolder()->Left(), 69 - 17 - 1);
  EXPECT_EQ(e->ButtonHolder()->Top(), 3);
  e->SetBorderStyle(bsNone);
  EXPECT_EQ(e->ButtonHolder()->Left(), 69 - 17);
  EXPECT_EQ(e->ButtonHolder()->Height(), 19);

  e->SetButtonWidth(69);  // not below the client width: refused
  EXPECT_EQ(e->ButtonWidth(), 17);
  e->SetButtonWidth(0);
  EXPECT_EQ(e->ButtonWidth(), 0);
  EXPECT_FALSE(e->ButtonHolder()->Visible());
  e->SetGlyphKind(controls::gkDropDown);
  EXPECT_EQ(e->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
  e->SetButtonWidth(30);  // fixed for the drop-down arrow
  EXPECT_EQ(e->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
  e->SetHeight(5);  // never lower than a line of text
  EXPECT_GT(e->Height(), 5);
}

TEST(ComboEdit, WithoutDirectInputNothingTheUserDoesChangesTheText) {
  TForm form(nullptr);
  auto* e = new TComboEdit(&form);
  e->SetParent(&form);
  e->SetDirectInput(false);
  e->SetText("#FFFFFF");
  Clipboard()->SetAsText("pasted");
  QWidget* w = NativeWidget(e);
  QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QCoreApplication::sendEvent(w, &a);
  QKeyEvent v(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, "\x16");
  QCoreApplication::sendEvent(w, &v);
  QKeyEvent ins(QEvent::KeyPress, Qt::Key_Insert, Qt::ShiftModifier);
  QCoreApplication::sendEvent(w, &ins);
  e->Perform(WM_MBUTTONUP);
  e->Perform(WM_CHAR, 'x');  // as a drop or input method sends it
  TPopupMenu::PopupHook = [](TPopupMenu* Menu, int, int) {
    return Menu->Items()->Find("Paste");
  };
  e->Perform(WM_CONTEXTMENU);
  TPopupMenu::PopupHook = nullptr;
  e->SelectAll();
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &del);
  e->Perform(WM_CUT);
  EXPECT_EQ(e->Text(), "#FFFFFF");
  e->SetText("#000000");  // the program still sets it
  EXPECT_EQ(e->Text(), "#000000");
}

TEST(ComboEdit, ClickKeyReadOnlyAndEnabling) {
  TForm form(nullptr);
  auto* e = new TComboEdit(&form);
  e->SetParent(&form);
  int clicks = 0;
  e->OnButtonClick = [&](TObject*) { ++clicks; };
  e->Perform(WM_SYSKEYDOWN, VK_DOWN, static_cast<intptr_t>(uint64_t{ssAlt} << 32));
  EXPECT_EQ(clicks, 1);
  e->Button()->Click();
  EXPECT_EQ(clicks, 2);
  e->SetReadOnly(true);
  e->Button()->Click();
  e->Perform(WM_SYSKEYDOWN, VK_DOWN, static_cast<intptr_t>(uint64_t{ssAlt} << 32));
  EXPECT_EQ(clicks, 2);
  e->SetReadOnly(false);
  e->SetButtonWidth(0);
  e->Perform(WM_SYSKEYDOWN, VK_DOWN, static_cast<intptr_t>(uint64_t{ssAlt} << 32));
  EXPECT_EQ(clicks, 2);
  e->SetEnabled(false);
  EXPECT_FALSE(e->Button()->Enabled());
  e->SetEnabled(true);
  EXPECT_TRUE(e->Button()->Enabled());
}

TEST(ComboEdit, EnterAndEscapeReachTheFormsButtons) {
  TForm form(nullptr);
  auto* e = new TComboEdit(&form);
  e->SetParent(&form);
  auto* ok = new TButton(&form);
  ok->SetParent(&form);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = new TButton(&form);
  cancel->SetParent(&form);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  e->SetText("keep");
  e->Perform(WM_KEYDOWN, VK_RETURN);
  e->Perform(WM_CHAR, 13);
  EXPECT_EQ(form.ModalResult(), mrOk);
  form.SetModalResult(mrNone);
  e->Perform(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(form.ModalResult(), mrCancel);
  EXPECT_EQ(e->Text(), "keep");
}
