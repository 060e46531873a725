#include "platform/classlib/form.h"

#include <set>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "platform/classlib/canvas.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/menus.h"

namespace classlib {

namespace {
std::set<TForm*>& PendingRelease();
}  // namespace

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  SetVisible(false);
  control_style_ |= csAcceptsControls;
  SetBounds(0, 0, 320, 240);
  Font()->SetName("Arial");
  Font()->SetSize(8);
  SetParentFont(false);
}

TForm::~TForm() {
  PendingRelease().erase(this);
  BeforeDestruction();
  if (menu_ != nullptr) {
    menu_->form_ = nullptr;
    menu_->RemoveFreeNotification(this);
  }
  Application->MainFormDestroyed(this);
}

void TForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  DoCreate();
}

void TForm::BeforeDestruction() {
  if (destroyed_) return;
  destroyed_ = true;
  if (Visible() && HandleAllocated()) impl()->widget->hide();
  DoDestroy();
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TForm::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}

void TForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TForm::CreateWnd() {
  auto* frame = new QWidget(nullptr, Qt::Window);
  frame->setAttribute(Qt::WA_QuitOnClose, false);
  auto* client = new QWidget(frame);
  client->setAttribute(Qt::WA_OpaquePaintEvent);
  client->setAttribute(Qt::WA_NoSystemBackground);
  client->setMouseTracking(true);
  impl()->client = client;
  AdoptWidget(this, frame);
}

void TForm::WidgetCreated() {
  QWidget* frame = impl()->widget.data();
  // The client window's events are the form's too.
  impl()->client->installEventFilter(impl()->bridge);
  frame->setWindowTitle(QStr(Text()));
  ApplyWindowFlags();
  MenuChanged();
  LayoutFrame();
}

int TForm::MenuHeight() const {
  if (!impl()->menu_bar || menu_ == nullptr) return 0;
  return impl()->menu_bar->sizeHint().height();
}

TRect TForm::ClientRect() const {
  return Rect(0, 0, Width(), std::max(0, Height() - MenuHeight()));
}

TPoint TForm::ClientOrigin() const {
  if (Showing()) return TWinControl::ClientOrigin();
  return Point(Left(), Top() + MenuHeight());
}

void TForm::LayoutFrame() {
  if (!HandleAllocated()) return;
  int mh = MenuHeight();
  if (impl()->menu_bar) {
    impl()->menu_bar->setGeometry(0, 0, Width(), mh);
    impl()->menu_bar->setVisible(mh > 0);
  }
  impl()->client->setGeometry(0, mh, Width(), std::max(0, Height() - mh));
}

bool TForm::FixedSize() const {
  return border_style_ == bsSingle || border_style_ == bsDialog || border_style_ == bsToolWindow ||
         border_style_ == bsNone;
}

void TForm::BoundsChanged(bool Moved, bool Resized) {
  // A fixed-size window only takes a new size once its limits move with it.
  if (Resized && HandleAllocated() && FixedSize()) impl()->widget->setFixedSize(Width(), Height());
  TWinControl::BoundsChanged(Moved, Resized);
  LayoutFrame();
}

void TForm::StoreText(const std::string& Value) { TWinControl::StoreText(Value); }

void TForm::ApplyWindowFlags() {
  if (!HandleAllocated()) return;
  QWidget* w = impl()->widget.data();
  Qt::WindowFlags f = Qt::Window;
  switch (border_style_) {
    case bsNone: f |= Qt::FramelessWindowHint; break;
    case bsDialog: f = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint; break;
    case bsToolWindow:
    case bsSizeToolWin: f = Qt::Tool; break;
    case bsSingle: f |= Qt::MSWindowsFixedSizeDialogHint; break;
    case bsSizeable: break;
  }
  if (border_style_ != bsNone) {
    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (border_icons_ & biSystemMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((border_icons_ & biSystemMenu) && (border_icons_ & biMinimize) && border_style_ != bsDialog)
      f |= Qt::WindowMinimizeButtonHint;
    if ((border_icons_ & biSystemMenu) && (border_icons_ & biMaximize) && border_style_ != bsDialog)
      f |= Qt::WindowMaximizeButtonHint;
    if (border_icons_ & biHelp) f |= Qt::WindowContextHelpButtonHint;
  }
  if (form_style_ == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
  bool shown = w->isVisible();
  w->setWindowFlags(f);
  if (FixedSize())
    w->setFixedSize(Width(), Height());
  else {
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  if (shown) w->show();
}

void TForm::SetBorderStyle(TFormBorderStyle Value) {
  border_style_ = Value;
  ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons Value) {
  border_icons_ = Value;
  ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle Value) {
  form_style_ = Value;
  ApplyWindowFlags();
}

void TForm::SetWindowState(TWindowState Value) {
  window_state_ = Value;
  if (!HandleAllocated() || !Visible()) return;
  QWidget* w = impl()->widget.data();
  switch (Value) {
    case wsNormal: w->showNormal(); break;
    case wsMinimized: w->showMinimized(); break;
    case wsMaximized: w->showMaximized(); break;
  }
}

void TForm::SetMenu(TMainMenu* Value) {
  if (menu_ == Value) return;
  if (menu_ != nullptr) {
    menu_->form_ = nullptr;
    menu_->RemoveFreeNotification(this);
  }
  menu_ = Value;
  if (menu_ != nullptr) {
    if (menu_->form_ != nullptr && menu_->form_ != this) menu_->form_->SetMenu(nullptr);
    menu_->form_ = this;
    menu_->FreeNotification(this);
  }
  MenuChanged();
}

// Rebuilds the menu bar from the main menu's items.
void TForm::MenuChanged() {
  if (!HandleAllocated()) return;
  QWidget* frame = impl()->widget.data();
  if (menu_ == nullptr) {
    delete impl()->menu_bar.data();
  } else {
    if (!impl()->menu_bar) impl()->menu_bar = new QMenuBar(frame);
    auto* bar = static_cast<QMenuBar*>(impl()->menu_bar.data());
    bar->clear();
    TMenuItem* root = menu_->Items();
    for (int i = 0; i < root->Count(); ++i) {
      TMenuItem* item = root->Items(i);
      if (!item->Visible()) continue;
      if (item->Count() > 0) {
        QMenu* sub = bar->addMenu(QStr(item->Caption()));
        sub->setEnabled(item->Enabled());
        TMenu* menu = menu_;
        QObject::connect(sub, &QMenu::aboutToShow, sub, [menu, sub, item] {
          SafeCall(item, [menu, sub, item] { BuildNativeMenu(menu, sub, item); });
        });
        BuildNativeMenu(menu, sub, item);
      } else {
        QAction* a = bar->addAction(QStr(item->Caption()));
        a->setEnabled(item->Enabled());
        QObject::connect(a, &QAction::triggered,
                         [item] { SafeCall(item, [item] { item->Click(); }); });
      }
    }
  }
  LayoutFrame();
  Realign();
}

bool TForm::Active() const { return HandleAllocated() && impl()->widget->isActiveWindow(); }

void TForm::Activated(bool IsActive) {
  if (IsActive) {
    if (OnActivate) OnActivate(this);
  } else if (OnDeactivate) {
    OnDeactivate(this);
  }
}

void TForm::SetModalResult(TModalResult Value) {
  modal_result_ = Value;
  if (Value != mrNone) Application->Wake();
}

bool TForm::Showing() const {
  return Visible() && HandleAllocated() && impl()->widget->isVisible();
}

void TForm::PlaceOnShow() {
  if (placed_) return;
  placed_ = true;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter: {
      TScreenRect r = Screen->WorkAreaRect();
      SetBounds(r.Left + (r.Right - r.Left - Width()) / 2,
                r.Top + (r.Bottom - r.Top - Height()) / 2, Width(), Height());
      break;
    }
    case poMainFormCenter:
    case poOwnerFormCenter: {
      const TControl* opener = Application->MainForm();
      if (position_ == poOwnerFormCenter) {
        if (auto* c = dynamic_cast<TControl*>(Owner())) opener = c;
      }
      if (opener != nullptr && opener != this)
        CenterOn(opener);
      else {
        TScreenRect r = Screen->WorkAreaRect();
        SetBounds(r.Left + (r.Right - r.Left - Width()) / 2,
                  r.Top + (r.Bottom - r.Top - Height()) / 2, Width(), Height());
      }
      break;
    }
    default: break;
  }
}

void TForm::CenterOn(const TControl* Opener) {
  if (Opener == nullptr) return;
  // div truncates toward zero.
  SetBounds(Opener->Left() + (Opener->Width() - Width()) / 2,
            Opener->Top() + (Opener->Height() - Height()) / 2, Width(), Height());
}

void TForm::VisibleChanged() {
  TControl::VisibleChanged();
  if (Visible()) {
    PlaceOnShow();
    DoShow();
    if (!Visible()) return;  // OnShow hid it again
    QWidget* w = NativeWidget(this);
    LayoutFrame();
    Realign();
    switch (window_state_) {
      case wsMinimized: w->showMinimized(); break;
      case wsMaximized: w->showMaximized(); break;
      default: w->show(); break;
    }
    w->activateWindow();
  } else {
    if (HandleAllocated()) impl()->widget->hide();
    DoHide();
  }
}

void TForm::Show() { SetVisible(true); }

void TForm::Hide() { SetVisible(false); }

void TForm::BringToFront() {
  if (HandleAllocated()) {
    impl()->widget->raise();
    impl()->widget->activateWindow();
  }
}

TModalResult TForm::ShowModal() {
  if (Visible() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
  if (!Enabled()) throw EInvalidOperation("Cannot make a disabled window modal");
  NativeWidget(this)->setWindowModality(Qt::ApplicationModal);
  modal_ = true;
  modal_result_ = mrNone;
  struct ModalEnd {
    TForm* f;
    ~ModalEnd() {
      f->modal_ = false;
      if (f->HandleAllocated()) f->impl()->widget->setWindowModality(Qt::NonModal);
    }
  } end{this};
  Show();
  for (;;) {
    bool ended = Application->WaitUntil([this] { return modal_result_ != mrNone || !Visible(); });
    if (!ended) {
      // The application is ending: leave the loop as if cancelled.
      if (modal_result_ == mrNone) modal_result_ = mrCancel;
      break;
    }
    if (!Visible()) {
      if (modal_result_ == mrNone) modal_result_ = mrCancel;
      break;
    }
    // A result was set: the form closes unless OnCloseQuery or OnClose refuse.
    TCloseAction action = caHide;
    bool can_close = false;
    SafeCall(this, [&] { can_close = CloseQuery(); });
    if (can_close) SafeCall(this, [&] { DoClose(action); });
    if (!can_close || action == caNone) {
      modal_result_ = mrNone;
      continue;
    }
    break;
  }
  TModalResult result = modal_result_;
  Hide();
  return result;
}

bool TForm::CloseQuery() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  return can_close;
}

void TForm::Close() {
  if (closing_) return;
  if (modal_) {
    // Inside ShowModal: the modal loop asks OnCloseQuery and OnClose.
    SetModalResult(mrCancel);
    return;
  }
  closing_ = true;
  struct Reset {
    bool& b;
    ~Reset() { b = false; }
  } reset{closing_};
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  bool is_main = Application->MainForm() == this;
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize:
      if (HandleAllocated()) impl()->widget->showMinimized();
      break;
    case caFree:
      Hide();
      if (!is_main) Release();
      break;
    default: break;
  }
  if (is_main) Application->Terminate();
}

namespace {
// Forms waiting to be destroyed by Release; a form destroyed otherwise
// meanwhile leaves the set.
std::set<TForm*>& PendingRelease() {
  static std::set<TForm*> forms;
  return forms;
}
}  // namespace

void TForm::Release() {
  if (!PendingRelease().insert(this).second) return;
  TForm* self = this;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [self] {
        if (PendingRelease().erase(self) == 0) return;
        SafeCall(self, [self] { self->BeforeDestruction(); });
        delete self;
      },
      Qt::QueuedConnection);
}

void TForm::WMClose(TMessage&) { Close(); }

void TForm::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent != nullptr &&
      AComponent == static_cast<TComponent*>(menu_)) {
    menu_ = nullptr;
    MenuChanged();
  }
}

// Enter clicks the default button and Escape the cancel button.
void TForm::CMDialogKey(TMessage& Message) { TWinControl::CMDialogKey(Message); }

}  // namespace classlib
