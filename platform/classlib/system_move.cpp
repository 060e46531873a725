#include "platform/classlib/system_move.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "platform/classlib/control.h"
#include "platform/classlib/control_qt.h"

namespace classlib {

namespace {
int g_move_count = 0;
}

void ReleaseCapture() {
  SetCaptureControl(nullptr);
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

bool HandleSystemCommand(TWinControl* Control, TMessage& Message) {
  if (Control == nullptr) return false;
  const uint32_t command = static_cast<uint32_t>(Message.WParam) & 0xFFF0u;
  if (command != SC_MOVE) return false;  // SC_DRAGMOVE is SC_MOVE with a low bit set
  ++g_move_count;
  Message.Result = 0;
  if (QGuiApplication::platformName() == "offscreen") return true;
  QWidget* widget = NativeWidget(Control);
  if (widget == nullptr) return true;
  QWidget* top = widget->window();
  if (QWindow* handle = top->windowHandle()) handle->startSystemMove();
  return true;
}

int SystemMoveCount() { return g_move_count; }

bool StartSystemResize(TWinControl* Control, int HitZone) {
  if (Control == nullptr || QGuiApplication::platformName() == "offscreen") return false;
  Qt::Edges edges;
  switch (HitZone) {
    case HTLEFT: edges = Qt::LeftEdge; break;
    case HTRIGHT: edges = Qt::RightEdge; break;
    case HTTOP: edges = Qt::TopEdge; break;
    case HTBOTTOM: edges = Qt::BottomEdge; break;
    case HTTOPLEFT: edges = Qt::TopEdge | Qt::LeftEdge; break;
    case HTTOPRIGHT: edges = Qt::TopEdge | Qt::RightEdge; break;
    case HTBOTTOMLEFT: edges = Qt::BottomEdge | Qt::LeftEdge; break;
    case HTBOTTOMRIGHT: edges = Qt::BottomEdge | Qt::RightEdge; break;
    default: return false;
  }
  QWidget* widget = NativeWidget(Control);
  if (widget == nullptr) return false;
  QWindow* handle = widget->window()->windowHandle();
  return handle != nullptr && handle->startSystemResize(edges);
}

}  // namespace classlib
