#include <QPainter>
#include <cmath>

#include "tools/make_artwork/artwork.h"

namespace artwork {

namespace {
void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
double Linear(int c) {
  double s = c / 255.0;
  return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}
}  // namespace

void Sink::Bitmap(const std::string& name, const QImage& image) {
  entries_.push_back({name, EncodeBmp(image, 24), false, 0, 0});
}

void Sink::Cursor(const std::string& name, const QImage& argb, int hot_x, int hot_y) {
  entries_.push_back({name, EncodeBmp(argb, 32), true, hot_x, hot_y});
}

std::vector<uint8_t> EncodeBmp(const QImage& source, int bits) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const int w = image.width();
  const int h = image.height();
  const uint32_t row = static_cast<uint32_t>(((w * bits + 31) / 32) * 4);
  const uint32_t size = row * static_cast<uint32_t>(h);
  std::vector<uint8_t> b;
  b.reserve(54 + size);
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + size);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(h));
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(bits));
  Put32(b, 0);  // uncompressed
  Put32(b, size);
  Put32(b, 3780);  // 96 dpi
  Put32(b, 3780);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = h - 1; y >= 0; --y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    size_t start = b.size();
    for (int x = 0; x < w; ++x) {
      b.push_back(uint8_t(qBlue(line[x])));
      b.push_back(uint8_t(qGreen(line[x])));
      b.push_back(uint8_t(qRed(line[x])));
      if (bits == 32) b.push_back(uint8_t(qAlpha(line[x])));
    }
    while (b.size() - start < row) b.push_back(0);
  }
  return b;
}

QImage Filled(int width, int height, const QColor& color) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

QPainterPath RoundedPath(const QRectF& rect, double radius) {
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

bool InsideRounded(const QRectF& r, double radius, double x, double y) {
  if (x < r.left() || x >= r.right() || y < r.top() || y >= r.bottom()) return false;
  // Distance from the nearest corner's centre, when in a corner square.
  const double cx = x < r.left() + radius    ? r.left() + radius
                    : x > r.right() - radius ? r.right() - radius
                                             : x;
  const double cy = y < r.top() + radius      ? r.top() + radius
                    : y > r.bottom() - radius ? r.bottom() - radius
                                              : y;
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

void KeyOutsideRounded(QImage& image, const QRectF& rect, double radius, const QColor& key) {
  const QRgb k = key.rgba();
  for (int y = 0; y < image.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (!InsideRounded(rect, radius, x + 0.5, y + 0.5)) line[x] = k;
  }
}

void Panel(QImage& image, const QRectF& rect, double radius, const QColor& border,
           const QColor& top, const QColor& bottom) {
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(border);
  p.drawPath(RoundedPath(rect, radius));
  QLinearGradient g(rect.topLeft(), rect.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.setBrush(g);
  p.drawPath(RoundedPath(rect.adjusted(1, 1, -1, -1), std::max(0.0, radius - 1)));
}

double Luminance(const QColor& c) {
  return 0.2126 * Linear(c.red()) + 0.7152 * Linear(c.green()) + 0.0722 * Linear(c.blue());
}

double Contrast(const QColor& a, const QColor& b) {
  double la = Luminance(a) + 0.05;
  double lb = Luminance(b) + 0.05;
  return la > lb ? la / lb : lb / la;
}

}  // namespace artwork
