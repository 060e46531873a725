// Glyphs of the tree controls: the header's sort arrows (9 x 6, pointing up
// for ascending), its lookup glyph (a 5 x 5 drop-down triangle) and the left
// and right glyphs (5 x 7), and the tree's expand and collapse buttons
// (9 x 9 boxes with a plus or a minus). The header draws its glyphs with the
// bottom-left pixel's colour transparent, so that pixel is always the key.
#include <QImage>

#include "tools/make_artwork/artwork.h"

namespace artwork {

namespace {

const QColor kKey(212, 208, 200);  // the button face: harmless if drawn opaque
const QColor kArrow(96, 96, 96);
const QColor kGlyph(0, 0, 0);

// Fills the rows of a triangle: row Top + i spans Left + i*Step .. Right - i*Step.
void Rows(QImage& image, int top, int count, int left, int right, int step, bool widening,
          const QColor& color) {
  for (int i = 0; i < count; ++i) {
    int inset = widening ? (count - 1 - i) * step : i * step;
    for (int x = left + inset; x <= right - inset; ++x) image.setPixelColor(x, top + i, color);
  }
}

}  // namespace

void DrawTreeGlyphs(Sink& sink) {
  // Sort arrows: a 7-pixel base, apex 3 rows away, bottom row left as key.
  QImage asc = Filled(9, 6, kKey);
  Rows(asc, 1, 4, 1, 7, 1, true, kArrow);
  sink.Bitmap("ELHEADERASCBMP", asc);
  QImage desc = Filled(9, 6, kKey);
  Rows(desc, 1, 4, 1, 7, 1, false, kArrow);
  sink.Bitmap("ELHEADERDESCBMP", desc);

  // The lookup glyph: a drop-down triangle 5, 3 and 1 pixels wide.
  QImage point = Filled(5, 5, kKey);
  Rows(point, 1, 3, 0, 4, 1, false, kGlyph);
  sink.Bitmap("ELHEADERPOINTBMP", point);

  // Left and right glyphs: 4 x 7 triangles in a 5 x 7 box.
  QImage left = Filled(5, 7, kKey);
  QImage right = Filled(5, 7, kKey);
  for (int x = 0; x < 4; ++x) {
    for (int y = 3 - x; y <= 3 + x; ++y) {
      left.setPixelColor(x + 1, y, kGlyph);
      right.setPixelColor(4 - x, y, kGlyph);
    }
  }
  sink.Bitmap("ELHEADERLEFTBMP", left);
  sink.Bitmap("ELHEADERRIGHTBMP", right);

  // The tree's expand and collapse buttons.
  for (bool plus : {true, false}) {
    QImage box = Filled(9, 9, QColor(255, 255, 255));
    const QColor frame(128, 128, 128);
    for (int i = 0; i < 9; ++i) {
      box.setPixelColor(i, 0, frame);
      box.setPixelColor(i, 8, frame);
      box.setPixelColor(0, i, frame);
      box.setPixelColor(8, i, frame);
    }
    for (int x = 2; x <= 6; ++x) box.setPixelColor(x, 4, kGlyph);
    if (plus)
      for (int y = 2; y <= 6; ++y) box.setPixelColor(4, y, kGlyph);
    sink.Bitmap(plus ? "PlusBmp" : "MinusBmp", box);
  }
}

}  // namespace artwork
