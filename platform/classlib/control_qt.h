// Native side of the controls (the layer's own sources only): the object that
// turns the window system's events into messages, the state each windowed
// control keeps about its native window, and conversions between the
// layer's values and the toolkit's.
#pragma once

#include <map>

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/classlib/control.h"

class QKeyEvent;
class QMenu;

namespace classlib {

class TMenu;
class TMenuItem;

// Installed on every native window of a control: the one place where
// window-system events become messages sent to the control's WndProc. An
// event is passed on to the native window only when its message reached
// TWinControl::DefaultHandler.
class TEventBridge : public QObject {
 public:
  TEventBridge(TWinControl* Control, QObject* Parent) : QObject(Parent), control(Control) {}
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  TWinControl* control;
};

struct TWinControl::Impl {
  QPointer<QWidget> widget;  // the native window
  QPointer<QWidget> client;  // where child windows go (the widget when null)
  TEventBridge* bridge = nullptr;
  std::map<int, uint32_t> timer_ids;  // toolkit timer id -> control timer id
  std::map<uint32_t, int> qt_timers;  // control timer id -> toolkit timer id
  bool in_paint_event = false;
  QWidget* paint_widget = nullptr;  // the window being painted during a paint event
  bool creating = false;
  QWidget* created = nullptr;  // the window CreateWnd made, until the layer takes it
  QPointer<QWidget> menu_bar;  // a form's menu bar

  // The window a paint event paints on.
  QWidget* PaintTarget() const { return paint_widget != nullptr ? paint_widget : widget.data(); }
};

// The control's native window, made when needed.
QWidget* NativeWidget(TWinControl* Control);
// The native parent of the control's child windows (its client area).
QWidget* NativeChildContainer(TWinControl* Control);
// Hands the window that Control's CreateWnd made to the layer.
void AdoptWidget(TWinControl* Control, QWidget* Widget);

// Sends Message to Control's WndProc and tells whether it reached
// DefaultHandler; exceptions go to the application's handler.
bool DeliverMessage(TWinControl* Control, TMessage& Message);

// Toolkit cursor for a cursor identifier (custom cursors from the registry).
QCursor QCursorFor(TCursor Cursor);
// Toolkit font for a font (face names mapped to the installed equivalents).
QFont QFontFor(const TFont* Font);
// Toolkit colour for a TColor (system colours resolved).
QColor QColorFor(TColor Color);
// Attaches Canvas to Image's pixels (32-bit images only).
void AttachCanvas(TCanvas& Canvas, QImage& Image);
// The virtual key code of a key event (0 when it has none).
uint16_t VirtualKeyOf(const QKeyEvent* Event);
TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons = Qt::NoButton);
// Fills Native with the entries of Item's sub-items of Owner (owner-drawn when Owner is).
void BuildNativeMenu(TMenu* Owner, QMenu* Native, TMenuItem* Item);
// Converts a filter "Text|*.a;*.b|Text2|*.c" into the toolkit's "Text (*.a *.b);;Text2 (*.c)".
QString QtFilterFor(const std::string& Filter);

inline QString QStr(const std::string& S) {
  return QString::fromUtf8(S.data(), static_cast<int>(S.size()));
}
inline std::string StdStr(const QString& S) { return S.toUtf8().toStdString(); }

}  // namespace classlib
