#include "platform/classlib/control_frame.h"

#include <QEvent>
#include <QFrame>
#include <QLineEdit>
#include <QPainter>
#include <QWidget>

#include "platform/classlib/control.h"
#include "platform/classlib/control_qt.h"

namespace classlib {

namespace {

// A child laid over the whole control that paints only the frame's pixels
// and lets the mouse through.
class FrameOverlay : public QWidget {
 public:
  explicit FrameOverlay(QWidget* Parent) : QWidget(Parent) {
    setObjectName("lumicast-control-frame");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    Parent->installEventFilter(this);
    setGeometry(Parent->rect());
    raise();
    show();
  }
  QColor outer, inner;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    // A hidden window gets no resize events: the size is also taken again
    // whenever the control paints.
    if (Watched == parent() &&
        (Event->type() == QEvent::Resize || Event->type() == QEvent::Paint)) {
      if (geometry() != parentWidget()->rect()) setGeometry(parentWidget()->rect());
      // Scroll areas raise their own parts when they lay them out.
      const auto& siblings = parentWidget()->children();
      if (!siblings.isEmpty() && siblings.last() != this) raise();
    }
    return false;
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect r = rect();
    p.setPen(Qt::NoPen);
    const auto frame = [&](const QRect& q, const QColor& c) {
      p.fillRect(QRect(q.left(), q.top(), q.width(), 1), c);
      p.fillRect(QRect(q.left(), q.bottom(), q.width(), 1), c);
      p.fillRect(QRect(q.left(), q.top(), 1, q.height()), c);
      p.fillRect(QRect(q.right(), q.top(), 1, q.height()), c);
    };
    frame(r, outer);
    frame(r.adjusted(1, 1, -1, -1), inner);
  }
};

}  // namespace

void SetControlFrame(TWinControl* Control, TColor Outer, TColor Inner) {
  if (Control == nullptr) return;
  QWidget* widget = NativeWidget(Control);
  if (widget == nullptr) return;
  auto* overlay =
      widget->findChild<FrameOverlay*>("lumicast-control-frame", Qt::FindDirectChildrenOnly);
  if (overlay == nullptr) {
    // The control's own border makes room for the frame: two plain pixels.
    if (auto* f = qobject_cast<QFrame*>(widget)) {
      f->setFrameStyle(QFrame::Box | QFrame::Plain);
      f->setLineWidth(2);
    } else if (auto* e = qobject_cast<QLineEdit*>(widget)) {
      e->setFrame(false);
      e->setTextMargins(2, 0, 2, 0);
    }
    overlay = new FrameOverlay(widget);
  }
  overlay->outer = QColorFor(Outer);
  overlay->inner = QColorFor(Inner);
  overlay->update();
}

}  // namespace classlib
