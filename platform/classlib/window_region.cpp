#include "platform/classlib/window_region.h"

#include <QRegion>
#include <QWidget>
#include <map>

#include "platform/classlib/control.h"
#include "platform/classlib/control_qt.h"

namespace classlib {

namespace {

// The regions given, by window; an entry goes when its window is destroyed.
std::map<const QWidget*, TRegion>& Regions() {
  static std::map<const QWidget*, TRegion> regions;
  return regions;
}

}  // namespace

bool SetWindowRgn(TWinControl* Control, const TRegion* Region, bool Redraw) {
  if (Control == nullptr) return false;
  QWidget* w = NativeWidget(Control);
  if (w == nullptr) return false;
  auto& regions = Regions();
  if (Region == nullptr) {
    regions.erase(w);
    w->clearMask();
  } else {
    QRegion mask;
    for (const TRect& r : Region->Rects())
      mask += QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    bool known = regions.count(w) != 0;
    regions[w] = *Region;
    if (!known) QObject::connect(w, &QObject::destroyed, [w] { Regions().erase(w); });
    // An empty mask would mean "no mask" to the widget: keep one hidden pixel row instead.
    if (mask.isEmpty()) mask = QRegion(-1, -1, 1, 1);
    w->setMask(mask);
  }
  if (Redraw) Control->Invalidate();
  return true;
}

int GetWindowRgn(TWinControl* Control, TRegion& Region) {
  if (Control == nullptr || !Control->HandleAllocated()) return RGN_ERROR;
  auto& regions = Regions();
  auto it = regions.find(NativeWidget(Control));
  if (it == regions.end()) return RGN_ERROR;
  Region = it->second;
  return Region.IsEmpty() ? NULLREGION : Region.Kind();
}

}  // namespace classlib
