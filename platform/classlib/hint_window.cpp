#include "platform/classlib/hint_window.h"

#include <QApplication>
#include <QWidget>

#include "platform/classlib/control_qt.h"

namespace classlib {

namespace {

// The application's hint window, owned by the application object.
THintWindow*& AppHint() {
  static THintWindow* window = nullptr;
  return window;
}

// The short hint: the text before the first "|".
std::string ShortHint(const std::string& Hint) {
  size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(0, bar);
}

// The control a native window belongs to (nullptr for foreign windows).
TWinControl* ControlOfWidget(QWidget* W) {
  for (; W != nullptr; W = W->parentWidget()) {
    for (QObject* child : W->children()) {
      if (auto* bridge = dynamic_cast<TEventBridge*>(child);
          bridge != nullptr && bridge->control != nullptr)
        return bridge->control;
    }
  }
  return nullptr;
}

}  // namespace

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  control_style_ |= csSelfPaint | csOpaque;
  SetVisible(false);
  SetColor(clInfoBk);
  Font()->SetColor(clInfoText);
}

THintWindow::~THintWindow() = default;

void THintWindow::CreateWnd() {
  auto* w = new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setAttribute(Qt::WA_OpaquePaintEvent);
  w->setAttribute(Qt::WA_NoSystemBackground);
  w->setFocusPolicy(Qt::NoFocus);
  AdoptWidget(this, w);
}

void THintWindow::ActivateHint(const TRect& Rect, const std::string& Hint) {
  shown_color_ = Color();
  SetCaption(Hint);
  SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  QWidget* w = NativeWidget(this);
  w->setGeometry(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  w->show();
  active_ = true;
  Invalidate();
}

TRect THintWindow::CalcHintRect(int MaxWidth, const std::string& Hint) {
  TRect r = Rect(0, 0, MaxWidth, 0);
  Canvas()->Font()->Assign(Font());
  Canvas()->DrawText(Hint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.Right += 6;
  r.Bottom += 2;
  return r;
}

void THintWindow::ReleaseHandle() {
  active_ = false;
  if (QWidget* w = impl()->widget.data()) w->hide();
}

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(shown_color_);
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(ClientRect());
  TRect r = ClientRect();
  r.Left += 2;
  r.Top += 2;
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsClear);
  c->DrawText(Caption(), r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

THintWindow* ApplicationHintWindow() { return AppHint(); }

bool ShowControlHint(TControl* Control, const TPoint& CursorPos) {
  if (Control == nullptr || !Application->ShowHint() || !Control->ShowHint()) return false;
  THintInfo info;
  info.HintControl = Control;
  info.CursorPos = CursorPos;
  info.HintStr = ShortHint(Control->Hint());
  info.HintMaxWidth = Screen->Width();
  info.HintColor = static_cast<TColor>(Application->HintColor());
  TPoint screen = Control->ClientToScreen(CursorPos);
  info.HintPos = Point(screen.X, screen.Y + 20);  // below the pointer
  if (Control->Perform(CM_HINTSHOW, 0, reinterpret_cast<intptr_t>(&info)) != 0 ||
      info.HintStr.empty()) {
    if (AppHint()) AppHint()->ReleaseHandle();
    return false;
  }
  if (!AppHint()) AppHint() = new THintWindow(Application);
  THintWindow* w = AppHint();
  w->SetColor(info.HintColor);
  TRect r = w->CalcHintRect(info.HintMaxWidth, info.HintStr);
  OffsetRect(r, info.HintPos.X, info.HintPos.Y);
  w->ActivateHint(r, info.HintStr);
  return true;
}

void TApplication::ActivateHint(const TPoint& CursorPos) {
  QWidget* w = QApplication::widgetAt(CursorPos.X, CursorPos.Y);
  TWinControl* wc = ControlOfWidget(w);
  if (wc == nullptr) {
    CancelHint();
    return;
  }
  TPoint p = wc->ScreenToClient(CursorPos);
  TControl* target = wc;
  if (TControl* child = wc->ControlAtPos(p)) {
    target = child;
    p = Point(p.X - child->Left(), p.Y - child->Top());
  }
  ShowControlHint(target, p);
}

void TApplication::CancelHint() {
  if (AppHint()) AppHint()->ReleaseHandle();
}

}  // namespace classlib
