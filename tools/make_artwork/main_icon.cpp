// The program's own icon, "MAINICON": a film frame with a play mark, kept as
// an icon file holding a 16x16 and a 32x32 image (32 bits with alpha, plus
// the AND mask older readers use).
#include <QPainter>

#include "tools/make_artwork/artwork.h"

namespace artwork {

namespace {

QImage DrawIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  const double s = size / 32.0;
  p.setPen(QPen(QColor(30, 40, 70), 1.0 * s));
  p.setBrush(QColor(60, 90, 160));
  p.drawRoundedRect(QRectF(1.5 * s, 4.5 * s, 29 * s, 23 * s), 3 * s, 3 * s);
  // Perforations along both edges of the film.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(235, 240, 250));
  for (int i = 0; i < 5; ++i) {
    p.drawRect(QRectF((4 + 5.5 * i) * s, 6 * s, 3 * s, 2 * s));
    p.drawRect(QRectF((4 + 5.5 * i) * s, 24 * s, 3 * s, 2 * s));
  }
  QPainterPath play;
  play.moveTo(12 * s, 10 * s);
  play.lineTo(22 * s, 16 * s);
  play.lineTo(12 * s, 22 * s);
  play.closeSubpath();
  p.setBrush(QColor(255, 200, 60));
  p.drawPath(play);
  return image;
}

void PutLE16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLE32(std::vector<uint8_t>& out, unsigned v) {
  PutLE16(out, v & 0xFFFF);
  PutLE16(out, v >> 16);
}

// One directory image: the bitmap header (twice the height), the colours
// bottom-up, then the AND mask (set where fully transparent).
std::vector<uint8_t> IconImage(const QImage& image) {
  const int w = image.width(), h = image.height();
  const int mask_row = ((w + 31) / 32) * 4;
  std::vector<uint8_t> out;
  PutLE32(out, 40);
  PutLE32(out, static_cast<unsigned>(w));
  PutLE32(out, static_cast<unsigned>(2 * h));
  PutLE16(out, 1);
  PutLE16(out, 32);
  PutLE32(out, 0);
  PutLE32(out, static_cast<unsigned>(w * h * 4 + mask_row * h));
  for (int i = 0; i < 4; ++i) PutLE32(out, 0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const QRgb c = image.pixel(x, y);
      out.push_back(static_cast<uint8_t>(qBlue(c)));
      out.push_back(static_cast<uint8_t>(qGreen(c)));
      out.push_back(static_cast<uint8_t>(qRed(c)));
      out.push_back(static_cast<uint8_t>(qAlpha(c)));
    }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(mask_row), 0);
    for (int x = 0; x < w; ++x)
      if (qAlpha(image.pixel(x, y)) == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

void DrawMainIcon(Sink& sink) {
  const std::vector<uint8_t> images[] = {IconImage(DrawIcon(16)), IconImage(DrawIcon(32))};
  const int sizes[] = {16, 32};
  std::vector<uint8_t> file;
  PutLE16(file, 0);
  PutLE16(file, 1);
  PutLE16(file, 2);
  unsigned offset = 6 + 16 * 2;
  for (int i = 0; i < 2; ++i) {
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(0);
    file.push_back(0);
    PutLE16(file, 1);
    PutLE16(file, 32);
    PutLE32(file, static_cast<unsigned>(images[i].size()));
    PutLE32(file, offset);
    offset += static_cast<unsigned>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
  sink.Raw("MAINICON", std::move(file));
}

}  // namespace artwork
