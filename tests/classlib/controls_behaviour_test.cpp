// Control life cycle and state: ownership against parenthood, deferred
// release, inherited colours, size and visibility, window-system details.
#include <memory>
#include <string>
#include <vector>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/classlib/application.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/std_controls.h"
#include "platform/classlib/timer.h"

using namespace classlib;

namespace {
// Records the messages nobody handled.
class TDefaultRecorder : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<uint32_t> unhandled;
  void DefaultHandler(TMessage& Message) override {
    unhandled.push_back(Message.Msg);
    TCustomControl::DefaultHandler(Message);
  }
};
}  // namespace

TEST(ControlsLifecycle, DestroyingAParentDestroysItsChildrenWhoeverOwnsThem) {
  TComponent holder(nullptr);
  TForm form(nullptr);
  auto* panel = new TPanel(&holder);
  panel->SetParent(&form);
  auto* label = new TLabel(&holder);
  label->SetParent(panel);
  auto* edit = new TEdit(&holder);
  edit->SetParent(panel);
  ASSERT_EQ(holder.ComponentCount(), 3);
  delete panel;
  EXPECT_EQ(holder.ComponentCount(), 0);  // no dangling entries in the owner
  EXPECT_EQ(form.ControlCount(), 0);
}

TEST(ControlsLifecycle, ReleasedFormGoesAfterTheCurrentMessage) {
  auto* form = new TForm(nullptr);
  int destroyed = 0;
  form->OnDestroy = [&](TObject*) { ++destroyed; };
  form->OnClick = [&](TObject* Sender) {
    static_cast<TForm*>(Sender)->Release();
    static_cast<TForm*>(Sender)->Release();  // twice is harmless
  };
  form->Click();
  EXPECT_EQ(destroyed, 0);  // still alive inside its handler
  Application->WaitUntil([&] { return destroyed > 0; });
  EXPECT_EQ(destroyed, 1);
}

TEST(ControlsLifecycle, ApplicationRunsEveryOnDestroyBeforeDestroyingForms) {
  TForm* a = Application->CreateForm<TForm>();
  TForm* b = Application->CreateForm<TForm>();
  bool a_done = false, b_done = false, b_seen_alive = false, a_seen_alive = false;
  a->OnDestroy = [&](TObject*) {
    a_done = true;
    b_seen_alive = b->Caption().empty();  // b still usable
  };
  b->OnDestroy = [&](TObject*) {
    b_done = true;
    a_seen_alive = a->Caption().empty();
  };
  int created = 0;
  TForm* c = nullptr;
  Application->OnException = nullptr;
  c = Application->CreateForm<TForm>();
  c->OnCreate = [&](TObject*) { ++created; };
  c->AfterConstruction();  // OnCreate ran already (before it was assigned): not again
  EXPECT_EQ(created, 0);
  EXPECT_EQ(Application->MainForm(), a);
  Application->DestroyForms();
  EXPECT_TRUE(a_done && b_done && a_seen_alive && b_seen_alive);
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_EQ(Application->ComponentCount(), 0);
}

TEST(ControlsState, ParentColorAndVisibilityFollowTheParent) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetColor(clYellow);
  auto* label = new TLabel(&form);
  label->SetParent(panel);
  EXPECT_TRUE(label->ParentColor());
  EXPECT_EQ(label->Color(), clYellow);
  panel->SetColor(clAqua);
  EXPECT_EQ(label->Color(), clAqua);
  label->SetColor(clRed);
  EXPECT_FALSE(label->ParentColor());
  panel->SetColor(clLime);
  EXPECT_EQ(label->Color(), clRed);

  auto* edit = new TEdit(&form);
  edit->SetParent(panel);
  EXPECT_FALSE(edit->Showing());  // the form is not shown
  form.Show();
  EXPECT_TRUE(edit->Showing());
  EXPECT_TRUE(edit->CanFocus());
  panel->SetEnabled(false);
  EXPECT_FALSE(edit->CanFocus());
  EXPECT_THROW(edit->SetFocus(), EInvalidOperation);
  panel->SetEnabled(true);
  panel->SetVisible(false);
  EXPECT_FALSE(edit->Showing());
  form.Hide();
}

TEST(ControlsState, ResizeRaisesOnResizeOnceAndUnhandledMessagesReachTheDefault) {
  TForm form(nullptr);
  auto* c = new TDefaultRecorder(&form);
  c->SetParent(&form);
  int resizes = 0;
  c->OnResize = [&](TObject*) { ++resizes; };
  c->SetBounds(0, 0, 50, 40);
  c->SetBounds(10, 10, 50, 40);  // moved only
  EXPECT_EQ(resizes, 1);
  c->unhandled.clear();
  EXPECT_EQ(c->Perform(WM_USER + 5, 1, 2), 0);
  ASSERT_EQ(c->unhandled.size(), 1u);
  EXPECT_EQ(c->unhandled[0], WM_USER + 5u);
  EXPECT_EQ(form.ControlAtPos(Point(20, 20)), nullptr);  // windowed children only on request
  EXPECT_EQ(form.ControlAtPos(Point(20, 20), false, true), c);
}

TEST(ControlsState, ParentCannotBecomeItsOwnChild) {
  TForm form(nullptr);
  auto* outer = new TPanel(&form);
  outer->SetParent(&form);
  auto* inner = new TPanel(&form);
  inner->SetParent(outer);
  EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
  EXPECT_EQ(outer->Parent(), &form);
}

TEST(ControlsNative, FormEnterAndLeaveComeOnceFromTheOuterWindow) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 100, 100);
  int enters = 0, leaves = 0;
  form.OnMouseEnter = [&](TObject*) { ++enters; };
  form.OnMouseLeave = [&](TObject*) { ++leaves; };
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(NativeWidget(&form), &enter);
  QEnterEvent client_enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(NativeChildContainer(&form), &client_enter);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(NativeWidget(&form), &leave);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 1);
}

TEST(ControlsNative, FixedSizeFormTakesANewClientSize) {
  TForm form(nullptr);
  form.SetBorderStyle(bsDialog);
  form.HandleNeeded();
  form.SetClientSize(333, 222);
  EXPECT_EQ(NativeWidget(&form)->width(), 333);
  EXPECT_EQ(NativeWidget(&form)->height(), 222);
  form.SetCaption("Export settings");
  EXPECT_EQ(NativeWidget(&form)->windowTitle().toStdString(), "Export settings");
}

TEST(ControlsNative, BitmapButtonShowsItsGlyph) {
  TForm form(nullptr);
  auto* button = new TBitBtn(&form);
  button->SetParent(&form);
  button->SetCaption("&OK");
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(32, 16);  // two images side by side
  glyph.Canvas()->Brush()->SetColor(clOlive);
  glyph.Canvas()->FillRect(Rect(0, 0, 32, 16));
  button->SetNumGlyphs(2);
  button->SetGlyph(&glyph);
  auto* native = static_cast<QPushButton*>(NativeWidget(button));
  EXPECT_FALSE(native->icon().isNull());
  EXPECT_EQ(native->iconSize(), QSize(16, 16));
  EXPECT_EQ(native->text().toStdString(), "&OK");
  button->SetGlyph(nullptr);
  EXPECT_TRUE(native->icon().isNull());
}

TEST(ControlsNative, ScrollBoxAreaCoversItsChildren) {
  TForm form(nullptr);
  auto* box = new TScrollBox(&form);
  box->SetParent(&form);
  box->SetBorderStyle(bsNone);
  box->SetBounds(0, 0, 100, 80);
  auto* wide = new TPanel(&form);
  wide->SetParent(box);
  wide->SetBounds(10, 10, 300, 20);
  box->Realign();
  auto* area = static_cast<QScrollArea*>(NativeWidget(box));
  EXPECT_EQ(area->widget()->width(), 310);
  EXPECT_EQ(area->widget()->height(), 80);
  EXPECT_EQ(box->ClientRect(), Rect(0, 0, 100, 80));
  EXPECT_EQ(NativeWidget(wide)->parentWidget(), area->widget());
}

TEST(ControlsNative, EditRaisesOnChangeAndKeepsItsLimit) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetText("movie.swf");
  EXPECT_EQ(changes, 1);
  edit->SetText("movie.swf");
  EXPECT_EQ(changes, 1);
  edit->SetMaxLength(4);
  edit->SetText("abcdefgh");
  EXPECT_EQ(edit->Text(), "abcd");
  edit->SetReadOnly(true);
  EXPECT_TRUE(edit->ReadOnly());
}

TEST(ControlsTimers, OneShotTimerFiresOnce) {
  TTimer once(nullptr), pace(nullptr);
  int fired = 0, paced = 0;
  once.SetInterval(1);
  once.OnTimer = [&](TObject*) {
    ++fired;
    once.SetEnabled(false);
  };
  pace.SetInterval(2);
  pace.OnTimer = [&](TObject*) { ++paced; };
  ASSERT_TRUE(Application->WaitUntil([&] { return paced >= 5; }));
  pace.SetEnabled(false);
  EXPECT_EQ(fired, 1);
  // Interval 0 stops a timer as well.
  once.SetEnabled(true);
  once.SetInterval(0);
  EXPECT_FALSE(once.Active());
}

TEST(ControlsMenus, OwnerDrawnItemsAreMeasuredAndDrawnByTheirHandlers) {
  TPopupMenu menu(nullptr);
  menu.SetOwnerDraw(true);
  auto* item = new TMenuItem(&menu);
  item->SetCaption("Custom");
  menu.Items()->Add(item);
  std::vector<std::string> log;
  item->OnMeasureItem = [&](TObject*, TCanvas*, int& W, int& H) {
    W = 120;
    H = 30;
    log.push_back("measure");
  };
  item->OnDrawItem = [&](TObject*, TCanvas* C, const TRect& R, bool Selected) {
    C->Brush()->SetColor(Selected ? clRed : clGreen);
    C->FillRect(R);
    log.push_back("draw");
  };
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(120, 30);
  int w = 0, h = 0;
  item->MeasureItem(bmp.Canvas(), w, h);
  EXPECT_EQ(w, 120);
  EXPECT_EQ(h, 30);
  item->DrawItem(bmp.Canvas(), Rect(0, 0, 120, 30), true);
  EXPECT_EQ(bmp.Canvas()->Pixels(60, 15), clRed);
  EXPECT_EQ(log, (std::vector<std::string>{"measure", "draw"}));
  // Without handlers the item draws itself: highlight when selected.
  item->OnDrawItem = nullptr;
  item->DrawItem(bmp.Canvas(), Rect(0, 0, 120, 30), true);
  EXPECT_EQ(bmp.Canvas()->Pixels(2, 2), ColorToRGB(clHighlight));
}

TEST(ControlsNative, WindowCloseRequestGoesThroughClose) {
  TForm form(nullptr);
  form.Show();
  bool allow = false;
  form.OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = allow; };
  QCloseEvent refused;
  QCoreApplication::sendEvent(NativeWidget(&form), &refused);
  EXPECT_TRUE(form.Visible());
  allow = true;
  QCloseEvent accepted;
  QCoreApplication::sendEvent(NativeWidget(&form), &accepted);
  EXPECT_FALSE(form.Visible());
}

TEST(ControlsNative, NativeControlsPaintIntoACanvas) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clFuchsia);
  panel->SetBounds(0, 0, 100, 60);
  auto* edit = new TEdit(&form);
  edit->SetParent(panel);
  edit->SetBounds(10, 10, 80, 30);
  edit->SetText("x");
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(100, 60);
  panel->PaintTo(bmp.Canvas(), 0, 0);
  EXPECT_EQ(bmp.Canvas()->Pixels(5, 5), clFuchsia);
  // Inside the edit something other than the panel's colour was drawn.
  EXPECT_NE(bmp.Canvas()->Pixels(50, 25), clFuchsia);
}

TEST(ControlsState, ShowHintFollowsTheParentUntilSetOwn) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* label = new TLabel(&form);
  label->SetParent(panel);
  label->SetHint("Start|Starts the conversion");
  EXPECT_FALSE(label->ShowHint());
  form.SetShowHint(true);
  EXPECT_TRUE(panel->ShowHint());
  EXPECT_TRUE(label->ShowHint());
  label->SetShowHint(false);
  EXPECT_FALSE(label->ParentShowHint());
  EXPECT_FALSE(label->ShowHint());
  EXPECT_TRUE(panel->ShowHint());
}
