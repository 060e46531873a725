#include "platform/classlib/pixel_paint.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include "platform/classlib/control.h"
#include "platform/classlib/control_qt.h"

namespace classlib {

bool PaintPixels(TWinControl* Control, const uint8_t* Pixels, int Width, int Height, int Stride) {
  if (Control == nullptr || Pixels == nullptr || Width <= 0 || Height <= 0 ||
      int64_t(Stride) < int64_t(Width) * 4)
    return false;
  TWinControl::Impl* impl = Control->impl();
  if (impl == nullptr || !impl->in_paint_event) return false;
  QWidget* w = impl->PaintTarget();
  if (w == nullptr) return false;
  // The image only wraps the pixels; the painter is clipped to the region being painted.
  const QImage image(Pixels, Width, Height, Stride, QImage::Format_RGB32);
  QPainter painter(w);
  painter.drawImage(0, 0, image);
  return true;
}

int ScreenRefreshRate() {
  QScreen* s = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                   ? QGuiApplication::primaryScreen()
                   : nullptr;
  const double rate = s != nullptr ? s->refreshRate() : 0.0;
  return rate >= 1.0 && rate <= 1000.0 ? static_cast<int>(rate + 0.5) : 60;
}

}  // namespace classlib
