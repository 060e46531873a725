// Glyphs of the adding window's button: a green tick for "&OK" and a red cross for "&Cancel",
// 16 x 16. The button draws the bottom-left pixel's colour transparent, so that pixel (and
// everything outside the marks) is the key colour; the marks stay clear of the bottom row.
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "tools/make_artwork/artwork.h"

namespace artwork {

namespace {

const QColor kKey(255, 0, 255);  // never part of a mark
const QColor kTick(0, 128, 0);
const QColor kCross(192, 0, 0);

// Strokes Path on a 16 x 16 key-coloured image, then snaps every pixel to the mark's colour or
// the key (a hard edge: a blend with the key would show as a fringe).
QImage Mark(const QPainterPath& path, const QColor& color, double width) {
  QImage cover(16, 16, QImage::Format_ARGB32);
  cover.fill(Qt::transparent);
  {
    QPainter p(&cover);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.drawPath(path);
  }
  QImage out = Filled(16, 16, kKey);
  for (int y = 0; y < 15; ++y)
    for (int x = 1; x < 16; ++x)
      if (qAlpha(cover.pixel(x, y)) >= 128) out.setPixelColor(x, y, color);
  return out;
}

}  // namespace

void DrawAddGlyphs(Sink& sink) {
  QPainterPath tick;
  tick.moveTo(3, 8);
  tick.lineTo(6.5, 11.5);
  tick.lineTo(13, 3.5);
  sink.Bitmap("ADD_OK_GLYPH", Mark(tick, kTick, 2.6));

  QPainterPath cross;
  cross.moveTo(4, 3.5);
  cross.lineTo(12, 11.5);
  cross.moveTo(12, 3.5);
  cross.lineTo(4, 11.5);
  sink.Bitmap("ADD_CANCEL_GLYPH", Mark(cross, kCross, 2.4));
}

}  // namespace artwork
