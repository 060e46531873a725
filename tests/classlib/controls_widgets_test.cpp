// Menus, the dialog service and the standard controls' own rules.
#include <QFontInfo>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"

using namespace classlib;

namespace {
TMenuItem* NewItem(TComponent* Owner, const std::string& Caption, bool Radio = false,
                   uint8_t Group = 0) {
  auto* i = new TMenuItem(Owner);
  i->SetCaption(Caption);
  i->SetRadioItem(Radio);
  i->SetGroupIndex(Group);
  return i;
}
}  // namespace

TEST(ControlsMenus, RadioItemsOfAGroupExcludeEachOther) {
  TForm form(nullptr);
  auto* menu = new TMainMenu(&form);
  TMenuItem* view = NewItem(&form, "&View");
  menu->Items()->Add(view);
  TMenuItem* a = NewItem(&form, "A", true, 1);
  TMenuItem* b = NewItem(&form, "B", true, 1);
  TMenuItem* c = NewItem(&form, "C", true, 1);
  TMenuItem* other = NewItem(&form, "Other", true, 2);
  TMenuItem* plain = NewItem(&form, "Plain");
  for (TMenuItem* i : {a, b, c, other, plain}) view->Add(i);
  form.SetMenu(menu);

  other->SetChecked(true);
  plain->SetChecked(true);
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(other->Checked());  // another group
  EXPECT_TRUE(plain->Checked());  // not a radio item

  // An auto-check radio item checks itself when clicked.
  int clicks = 0;
  c->SetAutoCheck(true);
  c->OnClick = [&](TObject*) { ++clicks; };
  c->Click();
  EXPECT_TRUE(c->Checked());
  EXPECT_FALSE(b->Checked());
  EXPECT_EQ(clicks, 1);
  c->SetEnabled(false);
  c->Click();
  EXPECT_EQ(clicks, 1);

  // Moving an item into the group keeps the group exclusive.
  TMenuItem* late = NewItem(&form, "Late", true, 1);
  late->SetChecked(true);
  view->Add(late);
  EXPECT_FALSE(c->Checked());
}

TEST(ControlsMenus, ItemTreeAndShortcuts) {
  TPopupMenu popup(nullptr);
  TMenuItem* file = NewItem(&popup, "&File");
  TMenuItem* save = NewItem(&popup, "&Save");
  save->SetShortCut(ShortCut('S', ssCtrl));
  popup.Items()->Add(file);
  file->Add(NewItem(&popup, "-"));
  file->Insert(0, save);
  EXPECT_EQ(file->Count(), 2);
  EXPECT_EQ(save->MenuIndex(), 0);
  EXPECT_TRUE(file->Items(1)->IsLine());
  EXPECT_EQ(file->Find("Save"), save);
  EXPECT_EQ(save->GetParentMenu(), &popup);
  EXPECT_THROW(file->Items(2), EListError);
  EXPECT_THROW(save->Add(file), EInvalidOperation);  // an item cannot contain its parent
  EXPECT_EQ(ShortCutToText(save->ShortCut()), "Ctrl+S");
  EXPECT_EQ(StripHotkey("Fish && &Chips"), "Fish & Chips");
  int saves = 0;
  save->OnClick = [&](TObject*) { ++saves; };
  EXPECT_TRUE(popup.IsShortCut(ShortCut('S', ssCtrl)));
  EXPECT_FALSE(popup.IsShortCut(ShortCut('S', ssAlt)));
  EXPECT_EQ(saves, 1);

  // Popup goes through the hook in tests; the chosen item's click runs.
  int popups = 0;
  popup.OnPopup = [&](TObject*) { ++popups; };
  TPopupMenu::PopupHook = [&](TPopupMenu* M, int X, int Y) -> TMenuItem* {
    EXPECT_EQ(M, &popup);
    EXPECT_EQ(X, 10);
    EXPECT_EQ(Y, 20);
    return save;
  };
  popup.Popup(10, 20);
  TPopupMenu::PopupHook = nullptr;
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(saves, 2);

  // Removing without destroying; Clear destroys.
  file->Remove(save);
  EXPECT_EQ(save->Parent(), nullptr);
  EXPECT_EQ(file->Count(), 1);
  delete save;
  file->Clear();
  EXPECT_EQ(file->Count(), 0);
}

TEST(ControlsMenus, RightClickOnAControlShowsItsAutoPopup) {
  TForm form(nullptr);
  form.SetBounds(100, 100, 200, 200);
  auto* popup = new TPopupMenu(&form);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetBounds(10, 10, 50, 20);
  label->SetPopupMenu(popup);
  int shown = 0;
  TPopupMenu::PopupHook = [&](TPopupMenu*, int, int) -> TMenuItem* {
    ++shown;
    return nullptr;
  };
  form.Perform(WM_RBUTTONDOWN, MK_RBUTTON, MakeLParam(15, 15));
  form.Perform(WM_RBUTTONUP, 0, MakeLParam(15, 15));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(popup->PopupComponent(), label);
  popup->SetAutoPopup(false);
  form.Perform(WM_RBUTTONUP, 0, MakeLParam(15, 15));
  EXPECT_EQ(shown, 1);
  // The link is cleared when the menu goes.
  delete popup;
  EXPECT_EQ(label->PopupMenu(), nullptr);
  form.Perform(WM_RBUTTONUP, 0, MakeLParam(15, 15));
  TPopupMenu::PopupHook = nullptr;
}

TEST(ControlsDialogs, MessageBoxesAnswerWithTheButtonsShown) {
  TScriptedDialogService service;
  TDialogServiceGuard guard(&service);
  service.MessageAnswers = {IDNO, IDRETRY, IDOK, IDYES};
  EXPECT_EQ(MessageBox("Delete?", "Confirm", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(service.Calls.size(), 1u);
  EXPECT_EQ(service.Calls[0].Message.Caption, "Confirm");
  EXPECT_EQ(service.Calls[0].Message.Type, mtConfirmation);
  EXPECT_EQ(service.Calls[0].Message.Buttons, (std::vector<int>{mrYes, mrNo}));
  EXPECT_EQ(MessageBox("Write failed", "Error", MB_ABORTRETRYIGNORE | MB_ICONSTOP | MB_DEFBUTTON2),
            IDRETRY);
  EXPECT_EQ(service.Calls[1].Message.DefaultButton, mrRetry);
  // An answer that is not one of the buttons (a dismissed box) reads as the
  // box's cancel choice, never as a button that was not offered.
  EXPECT_EQ(MessageBox("Continue?", "Q", MB_YESNO), IDNO);
  EXPECT_EQ(MessageDlg("Apply to all?", mtConfirmation, mbYes | mbNo | mbAll), mrYes);
  EXPECT_EQ(service.Calls[3].Message.Buttons, (std::vector<int>{mrYes, mrNo, mrAll}));
  ShowMessage("Done");
  EXPECT_EQ(service.Messages().back(), "Done");
}

TEST(ControlsDialogs, FileColourAndFolderDialogsGoThroughTheService) {
  TScriptedDialogService service;
  TDialogServiceGuard guard(&service);
  TOpenDialog open(nullptr);
  open.Filter = "Flash movies (*.swf;*.exe)|*.swf;*.exe|All files (*.*)|*.*";
  open.Options |= ofAllowMultiSelect | ofFileMustExist;
  open.FileName = "keep.swf";
  EXPECT_FALSE(open.Execute());  // nothing queued: cancelled
  EXPECT_EQ(open.FileName, "keep.swf");
  service.FileAnswers.push_back({"/m/a.swf", "/m/b.swf"});
  ASSERT_TRUE(open.Execute());
  EXPECT_EQ(open.Files, (std::vector<std::string>{"/m/a.swf", "/m/b.swf"}));
  EXPECT_EQ(open.FileName, "/m/a.swf");
  EXPECT_TRUE(service.Calls[1].File.MultiSelect);
  EXPECT_TRUE(service.Calls[1].File.MustExist);

  TSaveDialog save(nullptr);
  save.DefaultExt = "avi";
  service.FileAnswers.push_back({"/out/movie"});
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName, "/out/movie.avi");

  TColorDialog colour(nullptr);
  colour.Color = clRed;
  service.ColorAnswers = {clNone, clBlue};
  EXPECT_FALSE(colour.Execute());
  EXPECT_EQ(colour.Color, clRed);
  EXPECT_TRUE(colour.Execute());
  EXPECT_EQ(colour.Color, clBlue);

  std::string dir = "/start";
  service.FolderAnswers = {"", "/chosen"};
  EXPECT_FALSE(SelectDirectory("Pick", "", dir));
  EXPECT_EQ(dir, "/start");
  EXPECT_TRUE(SelectDirectory("Pick", "", dir));
  EXPECT_EQ(dir, "/chosen");
}

TEST(ControlsStandard, SpinEditReadsBadTextAsMinimumAndZeroRangeAsUnlimited) {
  TForm form(nullptr);
  auto* spin = new TSpinEdit(&form);
  spin->SetParent(&form);
  spin->SetValue(123456);
  EXPECT_EQ(spin->Value(), 123456);  // 0..0: unlimited
  spin->SetValue(-42);
  EXPECT_EQ(spin->Value(), -42);
  spin->SetMaxValue(10);
  spin->SetMinValue(3);
  EXPECT_EQ(spin->Value(), 3);
  spin->SetValue(50);
  EXPECT_EQ(spin->Value(), 10);
  spin->SetText("abc");
  EXPECT_EQ(spin->Value(), 3);
  spin->SetText("7");
  EXPECT_EQ(spin->Value(), 7);
  int changes = 0;
  spin->OnChange = [&](TObject*) { ++changes; };
  spin->SetValue(8);
  EXPECT_EQ(changes, 1);
}

TEST(ControlsStandard, MemoLinesAppendAndEdit) {
  TForm form(nullptr);
  auto* memo = new TMemo(&form);
  memo->SetParent(&form);
  memo->SetReadOnly(true);
  EXPECT_EQ(memo->Lines()->Count(), 0);
  memo->Lines()->Add("Status:> one");
  memo->Lines()->Add("Status:> two");
  memo->Lines()->Add("");
  memo->Lines()->Add("Status:> four");
  ASSERT_EQ(memo->Lines()->Count(), 4);
  EXPECT_EQ(memo->Lines()->Get(1), "Status:> two");
  EXPECT_EQ(memo->Lines()->Get(2), "");
  memo->Lines()->Delete(2);
  memo->Lines()->Insert(0, "zero");
  EXPECT_EQ(memo->Text(), "zero\nStatus:> one\nStatus:> two\nStatus:> four");
  EXPECT_THROW(memo->Lines()->Get(4), EStringListError);
  memo->SetText("a\r\nb\rc");
  EXPECT_EQ(memo->Lines()->Count(), 3);
  memo->Clear();
  EXPECT_EQ(memo->Lines()->Count(), 0);
  EXPECT_TRUE(memo->ReadOnly());
}

TEST(ControlsStandard, ComboBoxItemsAndChangeEvents) {
  TForm form(nullptr);
  auto* combo = new TComboBox(&form);
  combo->SetParent(&form);
  combo->SetStyle(csDropDownList);
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->Items()->Add("AVI");
  combo->Items()->Add("MPEG");
  combo->Items()->Add("GIF");
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "MPEG");
  combo->SetItemIndex(7);  // out of range: nothing selected
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetText("gif");
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(changes, 0);  // code does not raise OnChange
  combo->Items()->Delete(0);
  EXPECT_EQ(combo->Items()->Count(), 2);
  EXPECT_THROW(combo->Items()->Delete(5), EStringListError);
}

TEST(ControlsStandard, CheckBoxRadioButtonAndProgressBar) {
  TForm form(nullptr);
  auto* check = new TCheckBox(&form);
  check->SetParent(&form);
  int clicks = 0;
  check->OnClick = [&](TObject*) { ++clicks; };
  check->SetChecked(true);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(clicks, 1);
  check->SetChecked(true);
  EXPECT_EQ(clicks, 1);

  auto* r1 = new TRadioButton(&form);
  r1->SetParent(&form);
  auto* r2 = new TRadioButton(&form);
  r2->SetParent(&form);
  r1->SetChecked(true);
  r2->SetChecked(true);
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());

  auto* bar = new TProgressBar(&form);
  bar->SetParent(&form);
  bar->SetMax(50);
  bar->SetPosition(80);
  EXPECT_EQ(bar->Position(), 50);
  bar->SetPosition(-3);
  EXPECT_EQ(bar->Position(), 0);
  bar->SetMin(10);
  EXPECT_EQ(bar->Position(), 10);
}

TEST(ControlsStandard, SpeedButtonsOfAGroup) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto* a = new TSpeedButton(&form);
  a->SetParent(&form);
  a->SetBounds(0, 0, 20, 20);
  a->SetGroupIndex(1);
  auto* b = new TSpeedButton(&form);
  b->SetParent(&form);
  b->SetBounds(30, 0, 20, 20);
  b->SetGroupIndex(1);
  int clicks = 0;
  a->OnClick = b->OnClick = [&](TObject*) { ++clicks; };
  auto click = [&](int x) {
    form.Perform(WM_MOUSEMOVE, 0, MakeLParam(x, 5));
    form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(x, 5));
    form.Perform(WM_LBUTTONUP, 0, MakeLParam(x, 5));
  };
  click(5);
  EXPECT_TRUE(a->Down());
  click(35);
  EXPECT_FALSE(a->Down());
  EXPECT_TRUE(b->Down());
  click(35);  // without AllowAllUp the down button stays down
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(clicks, 3);
  b->SetAllowAllUp(true);
  EXPECT_TRUE(a->AllowAllUp());  // the whole group shares it
  click(35);
  EXPECT_FALSE(b->Down());
  // A button outside any group never stays down.
  auto* c = new TSpeedButton(&form);
  c->SetParent(&form);
  c->SetBounds(60, 0, 20, 20);
  c->SetDown(true);
  EXPECT_FALSE(c->Down());
  // Pressed, dragged off and released: no click.
  form.Perform(WM_MOUSEMOVE, 0, MakeLParam(65, 5));
  form.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(65, 5));
  form.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(150, 50));
  form.Perform(WM_LBUTTONUP, 0, MakeLParam(150, 50));
  EXPECT_EQ(clicks, 4);
}

TEST(ControlsStandard, LabelSizesItselfToItsText) {
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetCaption("Frames Done");
  int w = label->Width(), h = label->Height();
  EXPECT_GT(w, 20);
  EXPECT_GT(h, 5);
  label->SetCaption("Frames Done and more");
  EXPECT_GT(label->Width(), w);
  EXPECT_EQ(label->Height(), h);
  label->SetAutoSize(false);
  label->SetCaption("x");
  EXPECT_GT(label->Width(), w);
}

TEST(ControlsMenus, DestroyedMainMenuLeavesTheForm) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  form.HandleNeeded();
  auto* menu = new TMainMenu(nullptr);
  auto* item = new TMenuItem(nullptr);
  item->SetCaption("&File");
  menu->Items()->Add(item);
  form.SetMenu(menu);
  EXPECT_LT(form.ClientHeight(), 100);
  delete menu;  // its items go with it
  EXPECT_EQ(form.Menu(), nullptr);
  EXPECT_EQ(form.ClientHeight(), 100);
}

TEST(ControlsNativeHelpers, FiltersAndKeyCodesTranslate) {
  EXPECT_EQ(QtFilterFor("Flash movies (*.swf;*.exe)|*.swf;*.exe|All files (*.*)|*.*").toStdString(),
            "Flash movies (*.swf;*.exe) (*.swf *.exe);;All files (*.*) (*)");
  EXPECT_EQ(QtFilterFor("Text only|").toStdString(), "Text only ()");
  EXPECT_EQ(QtFilterFor("dangling").toStdString(), "");  // a text without patterns is dropped
  EXPECT_EQ(QtFilterFor("").toStdString(), "");

  auto vk = [](int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, Key, Mods);
    return VirtualKeyOf(&e);
  };
  EXPECT_EQ(vk(Qt::Key_A), 'A');
  EXPECT_EQ(vk(Qt::Key_7), '7');
  EXPECT_EQ(vk(Qt::Key_7, Qt::KeypadModifier), VK_NUMPAD7);
  EXPECT_EQ(vk(Qt::Key_F5), VK_F5);
  EXPECT_EQ(vk(Qt::Key_Enter, Qt::KeypadModifier), VK_RETURN);
  EXPECT_EQ(vk(Qt::Key_Escape), VK_ESCAPE);
  EXPECT_EQ(vk(Qt::Key_PageDown), VK_NEXT);
  EXPECT_EQ(vk(Qt::Key_Plus), 0);  // only the keypad's plus has a key code
  EXPECT_EQ(vk(Qt::Key_Plus, Qt::KeypadModifier), VK_ADD);
  EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton),
            static_cast<TShiftState>(ssShift | ssCtrl | ssLeft));
  EXPECT_EQ(KeysToShiftState(MK_RBUTTON | MK_SHIFT), static_cast<TShiftState>(ssRight | ssShift));
  TMessage m;
  m.LParam = MakeLParam(-3, 700);
  EXPECT_EQ(m.XPos(), -3);
  EXPECT_EQ(m.YPos(), 700);
}

// The windows ask for Arial and Times New Roman; they must come out as the
// installed metric-compatible faces at 96 dots per inch, never as a fallback.
TEST(ControlsNativeHelpers, RequestedFacesResolveToTheInstalledEquivalentsAt96Dpi) {
  TFont font;
  font.SetName("Arial");
  font.SetSize(8);
  EXPECT_EQ(font.Height(), -11);  // 8 pt at 96 dpi, rounded
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
  QFont sans = QFontFor(&font);
  EXPECT_EQ(sans.pixelSize(), 11);
  EXPECT_EQ(QFontInfo(sans).family(), QString("Liberation Sans"));
  font.SetName("Times New Roman");
  EXPECT_EQ(QFontInfo(QFontFor(&font)).family(), QString("Liberation Serif"));
  font.SetName("arial");  // face names are not case-sensitive
  EXPECT_EQ(QFontInfo(QFontFor(&font)).family(), QString("Liberation Sans"));
}
