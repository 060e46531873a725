#include "platform/classlib/mouse_settings.h"

#include <QApplication>

namespace classlib {

namespace {
int g_override = 0;
}

int WheelScrollLines() {
  if (g_override > 0) return g_override;
  if (qApp == nullptr) return 3;
  int lines = QApplication::wheelScrollLines();
  return lines > 0 ? lines : 3;
}

void SetWheelScrollLinesOverride(int Lines) { g_override = Lines > 0 ? Lines : 0; }

}  // namespace classlib
