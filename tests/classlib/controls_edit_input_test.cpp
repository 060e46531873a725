// The edit's input paths: every way text comes in arrives as a message that a
// subclass can hold back; selection counts characters; the locale's number
// separators and the beep counter.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/classlib/application.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/locale.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/system_metrics.h"

using namespace classlib;

namespace {

// Logs the input messages it sees and holds back those in `blocked`.
class TFilterEdit : public TEdit {
 public:
  using TEdit::TEdit;
  std::vector<uint32_t> seen;
  std::vector<uintptr_t> params;
  std::set<uint32_t> blocked;
  void WndProc(TMessage& Message) override {
    switch (Message.Msg) {
      case WM_CHAR:
      case WM_PASTE:
      case WM_CUT:
      case WM_COPY:
      case WM_CLEAR:
      case WM_UNDO:
        seen.push_back(Message.Msg);
        params.push_back(Message.WParam);
        if (blocked.count(Message.Msg)) return;
        break;
      default: break;
    }
    TEdit::WndProc(Message);
  }
};

void Key(TWinControl* C, Qt::Key K, Qt::KeyboardModifiers M, const QString& Text = {}) {
  QKeyEvent e(QEvent::KeyPress, K, M, Text);
  QCoreApplication::sendEvent(NativeWidget(C), &e);
}

size_t Count(const std::vector<uint32_t>& V, uint32_t Msg) {
  return static_cast<size_t>(std::count(V.begin(), V.end(), Msg));
}

// Characters that would print (clipboard keys also send control characters).
size_t Printable(const TFilterEdit* E) {
  size_t n = 0;
  for (size_t i = 0; i < E->seen.size(); ++i) n += E->seen[i] == WM_CHAR && E->params[i] >= 32;
  return n;
}

}  // namespace

TEST(ClasslibEdit, TypedCharactersChangeTheTextOnceAndOnlyInTheDefaultHandler) {
  TForm form(nullptr);
  auto* edit = new TFilterEdit(&form);
  edit->SetParent(&form);
  Key(edit, Qt::Key_A, Qt::NoModifier, "a");
  Key(edit, Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_EQ(edit->Text(), "ab");  // not doubled by the native window
  Key(edit, Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(edit->Text(), "a");

  edit->blocked = {WM_CHAR};
  Key(edit, Qt::Key_C, Qt::NoModifier, "c");
  Key(edit, Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(edit->Text(), "a");
  EXPECT_EQ(Count(edit->seen, WM_CHAR), 5u);
}

TEST(ClasslibEdit, ClipboardKeysMenuMiddleClickDropAndInputMethodArriveAsMessages) {
  TForm form(nullptr);
  auto* edit = new TFilterEdit(&form);
  edit->SetParent(&form);
  edit->SetText("base");
  Clipboard()->SetAsText("XY");
  edit->blocked = {WM_PASTE, WM_CHAR, WM_CUT, WM_CLEAR, WM_UNDO};

  Key(edit, Qt::Key_V, Qt::ControlModifier, "\x16");
  Key(edit, Qt::Key_Insert, Qt::ShiftModifier);
  edit->SelectAll();
  Key(edit, Qt::Key_X, Qt::ControlModifier, "\x18");
  Key(edit, Qt::Key_Delete, Qt::ShiftModifier);
  Key(edit, Qt::Key_Z, Qt::ControlModifier, "\x1a");
  EXPECT_EQ(Count(edit->seen, WM_PASTE), 2u);
  EXPECT_EQ(Count(edit->seen, WM_CUT), 2u);
  EXPECT_EQ(Count(edit->seen, WM_UNDO), 1u);

  // The context menu's Paste.
  TPopupMenu::PopupHook = [](TPopupMenu* Menu, int, int) { return Menu->Items()->Find("Paste"); };
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
  QCoreApplication::sendEvent(NativeWidget(edit), &menu);
  TPopupMenu::PopupHook = nullptr;
  EXPECT_EQ(Count(edit->seen, WM_PASTE), 3u);

  // A middle-button click pastes the window system's selection.
  QMouseEvent down(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::MiddleButton,
                   Qt::MiddleButton, Qt::NoModifier);
  QMouseEvent up(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::MiddleButton,
                 Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(NativeWidget(edit), &down);
  QCoreApplication::sendEvent(NativeWidget(edit), &up);
  ASSERT_EQ(Count(edit->seen, WM_PASTE), 4u);
  EXPECT_EQ(edit->params.back(), kPasteSelection);

  // Input-method commits and drops come as characters.
  QInputMethodEvent im;
  im.setCommitString(QStringLiteral("ü"));
  QCoreApplication::sendEvent(NativeWidget(edit), &im);
  EXPECT_EQ(Printable(edit), 1u);
  QMimeData data;
  data.setText(QStringLiteral("dr"));
  QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(NativeWidget(edit), &enter);
  QDropEvent drop(QPointF(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(NativeWidget(edit), &drop);
  EXPECT_EQ(Printable(edit), 3u);
  EXPECT_EQ(edit->Text(), "base");

  // Let through, the same paths change the text.
  edit->blocked.clear();
  edit->SetSelStart(4);
  QCoreApplication::sendEvent(NativeWidget(edit), &im);
  Key(edit, Qt::Key_V, Qt::ControlModifier, "\x16");
  EXPECT_EQ(edit->Text(), "baseüXY");
  edit->SetSelStart(0);
  edit->SetSelLength(4);
  Key(edit, Qt::Key_X, Qt::ControlModifier, "\x18");
  EXPECT_EQ(edit->Text(), "üXY");
  EXPECT_EQ(Clipboard()->AsText(), "base");
  Key(edit, Qt::Key_Z, Qt::ControlModifier, "\x1a");
  EXPECT_EQ(edit->Text(), "baseüXY");
}

TEST(ClasslibEdit, SelectionCountsCharactersNotBytes) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetText("a\u20AC\U0001D11Eb");  // 1, 3 and 4 UTF-8 bytes; the last is two UTF-16 units
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 2);
  EXPECT_EQ(edit->SelText(), "\u20AC\U0001D11E");
  edit->SetSelText("-");
  EXPECT_EQ(edit->Text(), "a-b");
  EXPECT_EQ(edit->SelStart(), 2);
  edit->SetText("\U0001D11E\U0001D11Ex");
  edit->SetSelStart(2);
  EXPECT_EQ(edit->SelStart(), 2);
  edit->Perform(WM_CHAR, 'y');
  EXPECT_EQ(edit->Text(), "\U0001D11E\U0001D11Eyx");
}

TEST(ClasslibEdit, PastesOneLineWithinMaxLengthAndNothingWhenReadOnly) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetMaxLength(6);
  edit->SetText("ab");
  edit->SetSelStart(2);
  Clipboard()->SetAsText("cdefgh\nsecond line");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "abcdef");
  edit->Perform(WM_CHAR, 'z');
  EXPECT_EQ(edit->Text(), "abcdef");

  edit->SetReadOnly(true);
  edit->SelectAll();
  edit->Perform(WM_CLEAR);
  edit->Perform(WM_CHAR, 'q');
  edit->CutToClipboard();
  EXPECT_EQ(edit->Text(), "abcdef");
  edit->CopyToClipboard();  // copying still works
  EXPECT_EQ(Clipboard()->AsText(), "abcdef");
}

TEST(ClasslibEdit, AlignmentCaretWidthAndTextRectangleReachTheWindow) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(0, 0, 100, 21);
  EXPECT_EQ(edit->Alignment(), taLeftJustify);
  edit->SetAlignment(taRightJustify);
  EXPECT_EQ(edit->Alignment(), taRightJustify);
  edit->SetCaretWidth(0);
  EXPECT_EQ(edit->CaretWidth(), 1);
  edit->SetCaretWidth(2);
  EXPECT_EQ(edit->CaretWidth(), 2);
  EXPECT_EQ(edit->BorderSize(), 2);
  edit->SetEditRect(Rect(0, 0, 70, 18));
  EXPECT_EQ(edit->EditRect(), Rect(0, 0, 70, 18));
  edit->SetBorderStyle(bsNone);
  EXPECT_EQ(edit->BorderSize(), 0);
  // The edit's colour fills it, enabled or not.
  edit->SetColor(clRed);
  edit->SetEnabled(false);
  auto* le = static_cast<QWidget*>(NativeWidget(edit));
  EXPECT_EQ(le->palette().color(QPalette::Disabled, QPalette::Base), QColor(Qt::red));
  EXPECT_EQ(le->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::red));
}

TEST(ClasslibLocale, SeparatorChangesReachTheMainWindowHooks) {
  const std::string dec = DecimalSeparator(), thou = ThousandSeparator();
  std::vector<uint32_t> got;
  int id = Application->HookMainWindow([&](TMessage& M) {
    got.push_back(M.Msg);
    return false;
  });
  SetLocaleSeparators(",", "\u202F");
  EXPECT_EQ(DecimalSeparator(), ",");
  EXPECT_EQ(ThousandSeparator(), "\u202F");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], static_cast<uint32_t>(WM_SETTINGCHANGE));
  // Separators must be single, distinct characters.
  EXPECT_THROW(SetLocaleSeparators("", "."), EConvertError);
  EXPECT_THROW(SetLocaleSeparators(".", "."), EConvertError);
  EXPECT_THROW(SetLocaleSeparators("..", ","), EConvertError);
  EXPECT_EQ(got.size(), 1u);
  Application->UnhookMainWindow(id);
  SetLocaleSeparators(dec, thou);
  EXPECT_EQ(got.size(), 1u);
}

TEST(ClasslibLocale, BeepsAreCountedAndMetricsFixed) {
  int before = MessageBeepCount();
  MessageBeep();
  MessageBeep(0x30);
  EXPECT_EQ(MessageBeepCount(), before + 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
  EXPECT_EQ(GetSystemMetrics(SM_CYBORDER), 1);
}
