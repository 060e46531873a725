// The seek slider's pieces: the ruler (tiled between two-pixel ends) and the
// thumb. Both are rounded with the fuchsia key outside their shapes.
#include <QPainter>

#include "resources/main_skin_layout.h"
#include "tools/make_artwork/artwork.h"

namespace artwork {

void DrawSeekSlider(Sink& sink) {
  const QColor key(255, 0, 255);

  const int rw = skin::kSeekRulerWidth, rh = skin::kSeekRulerHeight;
  QImage ruler = Filled(rw, rh, QColor(92, 106, 122));
  {
    QPainter p(&ruler);
    QLinearGradient g(0, 1, 0, rh - 1);
    g.setColorAt(0, QColor(150, 162, 176));
    g.setColorAt(1, QColor(196, 206, 216));
    p.fillRect(QRectF(1, 1, rw - 2, rh - 2), g);
  }
  KeyOutsideRounded(ruler, QRectF(0, 0, rw, rh), 2, key);
  sink.Bitmap("MAIN_SEEK_RULER", ruler);

  const int tw = skin::kSeekThumbWidth, th = skin::kSeekThumbHeight;
  const QRectF thumb_rect(0, 0, tw, th);
  QImage thumb = Filled(tw, th, QColor(36, 74, 136));
  Panel(thumb, thumb_rect, 5, QColor(36, 74, 136), QColor(104, 150, 222), QColor(58, 108, 190));
  {
    QPainter p(&thumb);
    for (int i = 0; i < 3; ++i) p.fillRect(QRectF(3, 7 + 2 * i, tw - 6, 1), QColor(210, 226, 248));
  }
  KeyOutsideRounded(thumb, thumb_rect, 5, key);
  sink.Bitmap("MAIN_SEEK_THUMB", thumb);
}

}  // namespace artwork
