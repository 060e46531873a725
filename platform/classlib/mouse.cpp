#include "platform/classlib/mouse.h"

#include <QCursor>

#include <optional>

namespace classlib {

namespace {

std::optional<TPoint>& Override() {
  static std::optional<TPoint> pos;
  return pos;
}

}  // namespace

TPoint TMouse::CursorPos() const {
  if (Override()) return *Override();
  const QPoint p = QCursor::pos();
  return TPoint{p.x(), p.y()};
}

TMouse* Mouse() {
  static TMouse mouse;
  return &mouse;
}

void SetCursorPosOverride(const TPoint* Pos) {
  if (Pos)
    Override() = *Pos;
  else
    Override().reset();
}

}  // namespace classlib
