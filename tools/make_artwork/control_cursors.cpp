// The controls' cursors, 32x32 with alpha: a pointing hand (hot spot at the
// fingertip) and an arrow carrying a page (hot spot at the arrow's tip).
#include <QPainter>

#include "tools/make_artwork/artwork.h"

namespace artwork {

namespace {

QImage Transparent() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

}  // namespace

void DrawControlCursors(Sink& sink) {
  const QPen outline(QColor(0, 0, 0), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

  QImage hand = Transparent();
  {
    QPainter p(&hand);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    // Index finger up from the fist, its tip at (10, 1).
    path.moveTo(8, 14);
    path.lineTo(8, 3);
    path.cubicTo(8, 0.5, 12, 0.5, 12, 3);
    path.lineTo(12, 11);
    // Knuckles of the other fingers.
    path.cubicTo(12, 9, 15.5, 9, 15.5, 11.5);
    path.cubicTo(15.5, 9.5, 19, 9.5, 19, 12);
    path.cubicTo(19, 10.5, 22.5, 10.5, 22.5, 13);
    path.lineTo(22.5, 20);
    path.cubicTo(22.5, 25, 20, 28, 16, 28);
    path.lineTo(12, 28);
    path.cubicTo(9, 28, 8, 26, 6, 23);
    path.lineTo(2.5, 17);
    path.cubicTo(1.5, 15, 4, 13.5, 5.5, 15);
    path.closeSubpath();
    p.setPen(outline);
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.drawLine(QPointF(15.5, 12), QPointF(15.5, 17));
    p.drawLine(QPointF(19, 12.5), QPointF(19, 17));
    p.drawLine(QPointF(12, 11), QPointF(12, 17));
  }
  sink.Cursor("RX_HANDCUR", hand, 10, 1);

  QImage drag = Transparent();
  {
    QPainter p(&drag);
    p.setRenderHint(QPainter::Antialiasing, true);
    // The page, lower right, with a folded corner.
    QPainterPath page;
    page.moveTo(13, 14);
    page.lineTo(23, 14);
    page.lineTo(28, 19);
    page.lineTo(28, 30);
    page.lineTo(13, 30);
    page.closeSubpath();
    p.setPen(outline);
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(23, 14), QPointF(23, 19));
    p.drawLine(QPointF(23, 19), QPointF(28, 19));
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(16, 21.5 + 3 * i), QPointF(25, 21.5 + 3 * i));
    // The arrow, tip at (1, 1).
    QPainterPath arrow;
    arrow.moveTo(1, 1);
    arrow.lineTo(1, 17);
    arrow.lineTo(5, 13);
    arrow.lineTo(8, 20);
    arrow.lineTo(10.5, 19);
    arrow.lineTo(7.5, 12);
    arrow.lineTo(13, 12);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);
  }
  sink.Cursor("RX_DRAGCUR", drag, 1, 1);
}

}  // namespace artwork
