#include "platform/classlib/guide_line.h"

#include <QPainter>
#include <QWidget>

#include "platform/classlib/control_qt.h"
#include "platform/classlib/drawing_helpers.h"

namespace classlib {

namespace {

// Paints by inverting what the window system composed beneath it (the
// window is not opaque, so its parent's pixels are already there).
class TInvertingWidget : public QWidget {
 public:
  TInvertingWidget() {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.fillRect(rect(), Qt::white);
  }
};

}  // namespace

TGuideLine::TGuideLine(TComponent* AOwner) : TWinControl(AOwner) { SetVisible(false); }

void TGuideLine::CreateWnd() { AdoptWidget(this, new TInvertingWidget()); }

void TGuideLine::Place(TWinControl* AParent, int X, int Y, int Height) {
  if (Parent() != AParent) SetParent(AParent);
  SetBounds(X, Y, 1, Height);
  SetVisible(true);
  // Above the siblings; the window system repaints what the line uncovers.
  BringToFront();
  Invalidate();
}

void TGuideLine::PaintTo(TCanvas* Canvas, int X, int Y) {
  if (Canvas == nullptr || Width() <= 0 || Height() <= 0) return;
  InvertRect(Canvas, Bounds(X, Y, Width(), Height()));
}

}  // namespace classlib
