// Forms and the application's loop: modal results, closing, letting messages
// run, waiting for a condition another thread sets.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <string>
#include <vector>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/classlib/application.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"

using namespace classlib;

TEST(ControlsForm, ShowModalReturnsTheResultATimerSets) {
  TForm form(nullptr);
  TTimer timer(nullptr);
  timer.SetInterval(10);
  int shows = 0;
  form.OnShow = [&](TObject*) { ++shows; };
  timer.OnTimer = [&](TObject*) {
    timer.SetEnabled(false);  // one-shot
    form.SetModalResult(mrAll);
  };
  EXPECT_EQ(form.ShowModal(), mrAll);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.Modal());
  EXPECT_EQ(shows, 1);
  // A modal form cannot be shown modally while visible.
  form.Show();
  EXPECT_THROW(form.ShowModal(), EInvalidOperation);
  form.Hide();
}

TEST(ControlsForm, ModalFormStaysOpenWhileCloseQueryRefuses) {
  TForm form(nullptr);
  TTimer timer(nullptr);
  timer.SetInterval(5);
  int queries = 0, ticks = 0;
  form.OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++queries >= 2; };
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    if (ticks == 1)
      form.SetModalResult(mrOk);
    else if (ticks == 2) {
      // The refusal reset the result and the form is still up.
      EXPECT_EQ(form.ModalResult(), mrNone);
      EXPECT_TRUE(form.Visible());
      form.Close();  // inside the modal loop: Cancel
    }
  };
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(queries, 2);
  timer.SetEnabled(false);
}

TEST(ControlsForm, CloseAsksOnCloseQueryAndOnClose) {
  TForm form(nullptr);
  form.Show();
  ASSERT_TRUE(form.Visible());
  bool allow = false;
  TCloseAction action = caHide;
  int hides = 0;
  form.OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = allow; };
  form.OnClose = [&](TObject*, TCloseAction& Action) { Action = action; };
  form.OnHide = [&](TObject*) { ++hides; };
  form.Close();
  EXPECT_TRUE(form.Visible());
  allow = true;
  action = caNone;
  form.Close();
  EXPECT_TRUE(form.Visible());
  action = caHide;
  form.Close();
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(hides, 1);
}

TEST(ControlsForm, ButtonsSetTheModalResultAndAnswerDialogKeys) {
  TForm form(nullptr);
  auto* ok = new TButton(&form);
  ok->SetParent(&form);
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  auto* cancel = new TButton(&form);
  cancel->SetParent(&form);
  cancel->SetModalResult(mrCancel);
  cancel->SetCancel(true);
  int cancel_clicks = 0;
  cancel->OnClick = [&](TObject*) { ++cancel_clicks; };
  TTimer timer(nullptr);
  timer.SetInterval(5);
  timer.OnTimer = [&](TObject*) {
    timer.SetEnabled(false);
    form.Perform(CM_DIALOGKEY, VK_ESCAPE);
  };
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(cancel_clicks, 1);
  timer.OnTimer = [&](TObject*) {
    timer.SetEnabled(false);
    form.Perform(CM_DIALOGKEY, VK_RETURN);
  };
  timer.SetEnabled(true);
  EXPECT_EQ(form.ShowModal(), mrOk);
}

TEST(ControlsForm, CenteringOnTheOpenerTruncatesLikeDiv) {
  TForm opener(nullptr), dialog(nullptr);
  opener.SetBounds(-11, 10, 101, 51);
  dialog.SetBounds(0, 0, 40, 20);
  dialog.CenterOn(&opener);
  // (101 - 40) div 2 = 30; (51 - 20) div 2 = 15
  EXPECT_EQ(dialog.Left(), 19);
  EXPECT_EQ(dialog.Top(), 25);
  dialog.SetBounds(0, 0, 120, 80);
  dialog.CenterOn(&opener);
  // (101 - 120) div 2 = -9 (toward zero), (51 - 80) div 2 = -14
  EXPECT_EQ(dialog.Left(), -20);
  EXPECT_EQ(dialog.Top(), -4);
}

TEST(ControlsForm, FormsUseArialEightPointAndChildrenInheritIt) {
  TForm form(nullptr);
  EXPECT_EQ(form.Font()->Name(), "Arial");
  EXPECT_EQ(form.Font()->Size(), 8);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  EXPECT_EQ(panel->Font()->Name(), "Arial");
  form.Font()->SetStyle(fsBold);
  EXPECT_EQ(panel->Font()->Style(), static_cast<TFontStyles>(fsBold));
  // A control that changes its own font stops following its parent.
  panel->Font()->SetSize(12);
  EXPECT_FALSE(panel->ParentFont());
  form.Font()->SetName("Times New Roman");
  EXPECT_EQ(panel->Font()->Name(), "Arial");
}

TEST(ControlsApplication, ProcessMessagesHandlesWhatIsPendingAndReturns) {
  // With nothing pending it returns at once (a hang here fails the test by time-out).
  Application->ProcessMessages();
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  Application->ProcessMessages();
  EXPECT_TRUE(ran);
}

TEST(ControlsApplication, WaitUntilWakesWhenAnotherThreadSetsTheFlag) {
  std::atomic<bool> flag{false};
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    flag = true;
    Application->Wake();
  });
  // No timer or other event is pending: only the wake-up ends the wait.
  EXPECT_TRUE(Application->WaitUntil([&] { return flag.load(); }));
  worker.join();
}

TEST(ControlsApplication, WaitUntilSurvivesAThrowingCondition) {
  TScriptedDialogService service;
  TDialogServiceGuard guard(&service);
  int calls = 0;
  TTimer timer(nullptr);
  timer.SetInterval(5);
  timer.OnTimer = [&](TObject*) {};
  EXPECT_TRUE(Application->WaitUntil([&] {
    if (++calls == 1) throw Exception("condition failed");
    return calls >= 3;
  }));
  EXPECT_EQ(service.Messages().size(), 1u);
}

TEST(ControlsApplication, TimersCanBeFiredByTests) {
  TTimer a(nullptr), b(nullptr);
  int fa = 0, fb = 0;
  a.SetInterval(0x7FFFFFFF);
  b.SetInterval(1);
  a.OnTimer = [&](TObject*) { ++fa; };
  b.OnTimer = [&](TObject* Sender) {
    ++fb;
    static_cast<TTimer*>(Sender)->SetEnabled(false);
  };
  a.Fire();
  EXPECT_EQ(fa, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  EXPECT_EQ(TTimer::FireDueTimers(), 1);  // only b is due
  EXPECT_EQ(fb, 1);
  EXPECT_FALSE(b.Active());
  b.Fire();  // disabled timers do not fire
  EXPECT_EQ(fb, 1);
  a.SetEnabled(false);
}

TEST(ControlsApplication, ScreenCursorGuardRestores) {
  Screen->SetCursor(crDefault);
  {
    TCursorGuard busy;
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    {
      TCursorGuard cross(crCross);
      EXPECT_EQ(Screen->Cursor(), crCross);
    }
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
  TScreenRect r = Screen->WorkAreaRect();
  EXPECT_GT(r.Right - r.Left, 0);
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
}

// Closing the main form ends Run. Run leaves the application terminated, so
// it runs in a child process of its own.
TEST(ControlsApplicationDeathTest, ClosingTheMainFormEndsRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TForm* main = Application->CreateForm<TForm>();
        bool created = false;
        main->OnCreate = nullptr;
        created = Application->MainForm() == main;
        TTimer closer(nullptr);
        closer.SetInterval(10);
        closer.OnTimer = [&](TObject*) { main->Close(); };
        Application->Run();
        bool ok = created && Application->Terminated() && !main->Visible();
        Application->DestroyForms();
        std::_Exit(ok && Application->MainForm() == nullptr ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ControlsForm, KeyPreviewSeesKeysFirstAndCanSwallowThem) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  std::vector<std::string> log;
  form.SetKeyPreview(true);
  form.OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState Shift) {
    log.push_back("form " + std::to_string(Key) + ((Shift & ssCtrl) ? " ctrl" : ""));
    if (Key == VK_F5) Key = 0;
  };
  edit->OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) {
    log.push_back("edit " + std::to_string(Key));
  };
  edit->OnKeyPress = [&](TObject*, char32_t& Ch) {
    log.push_back(std::string("char ") + static_cast<char>(Ch));
    Ch = 0;  // swallowed: the edit's text stays empty
  };
  QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
  QCoreApplication::sendEvent(NativeWidget(edit), &f5);
  QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, QStringLiteral("a"));
  QCoreApplication::sendEvent(NativeWidget(edit), &a);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "form 116");
  EXPECT_EQ(log[1], "form 65 ctrl");
  EXPECT_EQ(log[2], "edit 65");
  EXPECT_EQ(log[3], "char a");
  EXPECT_EQ(edit->Text(), "");
}

TEST(ControlsForm, MainMenuTakesItsHeightFromTheClientArea) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  form.HandleNeeded();
  auto* menu = new TMainMenu(&form);
  auto* file = new TMenuItem(&form);
  file->SetCaption("&File");
  menu->Items()->Add(file);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetAlign(alClient);
  EXPECT_EQ(panel->Height(), 200);
  form.SetMenu(menu);
  EXPECT_LT(form.ClientHeight(), 200);
  EXPECT_EQ(panel->Height(), form.ClientHeight());
  EXPECT_EQ(form.ClientOrigin().Y, 200 - form.ClientHeight());
  form.SetMenu(nullptr);
  EXPECT_EQ(panel->Height(), 200);
}
