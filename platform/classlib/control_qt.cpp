// The one place where window-system events become messages.
#include "platform/classlib/control_qt.h"
#include "platform/classlib/hint_window.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHelpEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QTimerEvent>
#include <QWheelEvent>

#include "platform/classlib/canvas.h"
#include "platform/classlib/canvas_qt.h"
#include "platform/classlib/form.h"

namespace classlib {

namespace {

const char* const kControlProperty = "lumicastControl";

uint32_t MouseKeys(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Mods) {
  uint32_t k = 0;
  if (Buttons & Qt::LeftButton) k |= MK_LBUTTON;
  if (Buttons & Qt::RightButton) k |= MK_RBUTTON;
  if (Buttons & Qt::MiddleButton) k |= MK_MBUTTON;
  if (Mods & Qt::ShiftModifier) k |= MK_SHIFT;
  if (Mods & Qt::ControlModifier) k |= MK_CONTROL;
  return k;
}

uint32_t ButtonMessage(Qt::MouseButton Button, QEvent::Type Type) {
  int base;
  switch (Button) {
    case Qt::LeftButton: base = WM_LBUTTONDOWN; break;
    case Qt::RightButton: base = WM_RBUTTONDOWN; break;
    case Qt::MiddleButton: base = WM_MBUTTONDOWN; break;
    default: return 0;
  }
  switch (Type) {
    case QEvent::MouseButtonPress: return static_cast<uint32_t>(base);
    case QEvent::MouseButtonRelease: return static_cast<uint32_t>(base + 1);
    case QEvent::MouseButtonDblClick: return static_cast<uint32_t>(base + 2);
    default: return 0;
  }
}

// True when a mouse event reached Watched only because a child control's
// window ignored it: that child has already had its message.
bool PropagatedFromChild(QWidget* Watched, const QPoint& Pos) {
  QWidget* child = Watched->childAt(Pos);
  for (QWidget* w = child; w != nullptr && w != Watched; w = w->parentWidget())
    if (w->property(kControlProperty).toBool()) return true;
  return false;
}

}  // namespace

bool TEventBridge::eventFilter(QObject* Watched, QEvent* Event) {
  TWinControl* c = control;
  auto* w = qobject_cast<QWidget*>(Watched);
  if (c == nullptr || w == nullptr) return false;
  if (!w->property(kControlProperty).isValid()) w->setProperty(kControlProperty, true);
  const bool self_paint = (c->ControlStyle() & csSelfPaint) != 0;
  TMessage m;
  bool input = false;  // a self-painted window keeps its input events
  switch (Event->type()) {
    case QEvent::Paint: {
      // A window with a separate client window (form, scroll box) paints
      // its frame natively; the client window carries the control's painting.
      if (c->impl()->client && w == c->impl()->widget) return false;
      m.Msg = WM_PAINT;
      c->impl()->in_paint_event = true;
      c->impl()->paint_widget = w;
      bool reached = DeliverMessage(c, m);
      if (control != nullptr) c->impl()->in_paint_event = false;
      return !reached;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(Event);
      QPoint pos = e->position().toPoint();
      if (PropagatedFromChild(w, pos)) return false;
      m.Msg = Event->type() == QEvent::MouseMove ? WM_MOUSEMOVE
                                                 : ButtonMessage(e->button(), Event->type());
      if (m.Msg == 0) return false;
      m.WParam = MouseKeys(e->buttons(), e->modifiers());
      m.LParam = MakeLParam(pos.x(), pos.y());
      input = true;
      break;
    }
    case QEvent::Wheel: {
      auto* e = static_cast<QWheelEvent*>(Event);
      QPoint g = e->globalPosition().toPoint();
      int delta = e->angleDelta().y();
      m.Msg = WM_MOUSEWHEEL;
      m.WParam = MouseKeys(e->buttons(), e->modifiers()) |
                 (static_cast<uint32_t>(static_cast<uint16_t>(delta)) << 16);
      m.LParam = MakeLParam(g.x(), g.y());
      input = true;
      break;
    }
    case QEvent::Enter:
      // Only the outer window counts (a form's client window lies inside it).
      if (w != c->impl()->widget) return false;
      // Moving onto a child window leaves the parent's windowless controls.
      if (c->parent_ != nullptr) c->parent_->TrackMouseControl(nullptr);
      m.Msg = CM_MOUSEENTER;
      break;
    case QEvent::Leave:
      if (w != c->impl()->widget) return false;
      c->TrackMouseControl(nullptr);
      if (control == nullptr) return true;
      m.Msg = CM_MOUSELEAVE;
      break;
    case QEvent::KeyPress: {
      auto* e = static_cast<QKeyEvent*>(Event);
      TShiftState shift = ShiftStateOf(e->modifiers());
      intptr_t lparam = static_cast<intptr_t>(static_cast<uint64_t>(shift) << 32);
      bool pass = true;
      uint16_t vk = VirtualKeyOf(e);
      if (vk != 0) {
        m.Msg = (e->modifiers() & Qt::AltModifier) ? WM_SYSKEYDOWN : WM_KEYDOWN;
        m.WParam = vk;
        m.LParam = lparam;
        pass = DeliverMessage(c, m);
        if (control == nullptr) return true;
      }
      for (char32_t ch : e->text().toStdU32String()) {
        TMessage cm;
        cm.Msg = WM_CHAR;
        cm.WParam = ch;
        cm.LParam = lparam;
        pass = DeliverMessage(c, cm) && pass;
        if (control == nullptr) return true;
      }
      return self_paint || !pass;
    }
    case QEvent::KeyRelease: {
      auto* e = static_cast<QKeyEvent*>(Event);
      if (e->isAutoRepeat()) return false;
      uint16_t vk = VirtualKeyOf(e);
      if (vk == 0) return false;
      m.Msg = (e->modifiers() & Qt::AltModifier) ? WM_SYSKEYUP : WM_KEYUP;
      m.WParam = vk;
      m.LParam = static_cast<intptr_t>(static_cast<uint64_t>(ShiftStateOf(e->modifiers())) << 32);
      input = true;
      break;
    }
    case QEvent::FocusIn: m.Msg = WM_SETFOCUS; break;
    case QEvent::FocusOut: m.Msg = WM_KILLFOCUS; break;
    case QEvent::Timer: {
      auto* e = static_cast<QTimerEvent*>(Event);
      auto it = c->impl()->timer_ids.find(e->timerId());
      if (it == c->impl()->timer_ids.end()) return false;
      m.Msg = WM_TIMER;
      m.WParam = it->second;
      DeliverMessage(c, m);
      return true;
    }
    case QEvent::Close: {
      Event->ignore();
      if (!w->isWindow()) return true;
      m.Msg = WM_CLOSE;
      DeliverMessage(c, m);
      return true;
    }
    case QEvent::Resize: {
      // Only a top-level window is resized from outside; child windows
      // follow the control's own bounds.
      if (!w->isWindow() || w != c->impl()->widget) return false;
      QSize s = static_cast<QResizeEvent*>(Event)->size();
      if (s.width() != c->width_ || s.height() != c->height_) {
        c->width_ = s.width();
        c->height_ = s.height();
        SafeCall(c, [c] { c->BoundsChanged(false, true); });
      }
      return false;
    }
    case QEvent::Move: {
      if (!w->isWindow() || w != c->impl()->widget) return false;
      c->left_ = w->x();
      c->top_ = w->y();
      return false;
    }
    case QEvent::ToolTip: {
      // The hint of the control under the pointer (a windowless child's own).
      auto* e = static_cast<QHelpEvent*>(Event);
      TControl* target = c;
      TPoint pos = Point(e->pos().x(), e->pos().y());
      if (w == NativeChildContainer(c)) {
        if (TControl* child = c->ControlAtPos(pos)) {
          target = child;
          pos = Point(pos.X - child->Left(), pos.Y - child->Top());
        }
      }
      SafeCall(target, [target, pos] {
        if (!ShowControlHint(target, pos)) Application->CancelHint();
      });
      return true;
    }
    case QEvent::ContextMenu: {
      auto* e = static_cast<QContextMenuEvent*>(Event);
      m.Msg = WM_CONTEXTMENU;
      m.LParam = MakeLParam(e->globalPos().x(), e->globalPos().y());
      input = true;
      break;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
      if (w != c->impl()->widget) return false;
      if (Event->type() == QEvent::WindowDeactivate) EndCaptureWithin(c);
      if (auto* form = dynamic_cast<TForm*>(c)) {
        bool active = Event->type() == QEvent::WindowActivate;
        SafeCall(form, [form, active] { form->Activated(active); });
      }
      return false;
    }
    default: return false;
  }
  bool reached = DeliverMessage(c, m);
  if (input && self_paint) return true;
  return !reached;
}

bool DeliverMessage(TWinControl* Control, TMessage& Message) {
  TWinControl::DispatchRecord record;
  TWinControl::DispatchRecord* saved = Control->current_dispatch;
  Control->current_dispatch = &record;
  TEventBridge* bridge = Control->impl()->bridge;
  QPointer<QObject> guard(bridge);
  SafeCall(Control, [&] { Control->WndProc(Message); });
  // The control may have been destroyed by its own handler.
  if (guard.isNull() || bridge->control == nullptr) return false;
  Control->current_dispatch = saved;
  return record.default_reached;
}

QFont QFontFor(const TFont* Font) { return Font != nullptr ? FontToQFont(*Font) : QFont(); }

QColor QColorFor(TColor Color) { return ColorToQColor(Color); }

void AttachCanvas(TCanvas& Canvas, QImage& Image) { AttachCanvasToImage(Canvas, Image); }

uint16_t VirtualKeyOf(const QKeyEvent* Event) {
  int k = Event->key();
  bool keypad = (Event->modifiers() & Qt::KeypadModifier) != 0;
  if (keypad && k >= Qt::Key_0 && k <= Qt::Key_9)
    return static_cast<uint16_t>(VK_NUMPAD0 + (k - Qt::Key_0));
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return static_cast<uint16_t>('0' + (k - Qt::Key_0));
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<uint16_t>('A' + (k - Qt::Key_A));
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return static_cast<uint16_t>(VK_F1 + (k - Qt::Key_F1));
  switch (k) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus: return keypad ? VK_ADD : 0;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : 0;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : 0;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : 0;
    default: return 0;
  }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
  TShiftState s = 0;
  if (Modifiers & Qt::ShiftModifier) s |= ssShift;
  if (Modifiers & Qt::ControlModifier) s |= ssCtrl;
  if (Modifiers & Qt::AltModifier) s |= ssAlt;
  if (Buttons & Qt::LeftButton) s |= ssLeft;
  if (Buttons & Qt::RightButton) s |= ssRight;
  if (Buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

QString QtFilterFor(const std::string& Filter) {
  QStringList parts = QStr(Filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString text = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    out << text + QStringLiteral(" (") + patterns + QStringLiteral(")");
  }
  return out.join(QStringLiteral(";;"));
}

}  // namespace classlib
