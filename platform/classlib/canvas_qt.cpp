#include "platform/classlib/canvas_qt.h"

#include <QFontMetrics>
#include <QVector>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/classlib/exceptions.h"

namespace classlib {

void AttachCanvasToImage(TCanvas& Canvas, QImage& Image) {
  QImage::Format f = Image.format();
  if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
      f != QImage::Format_ARGB32_Premultiplied)
    throw EInvalidGraphicOperation("Canvas images must be 32-bit RGB");
  TPixelSurface s;
  s.Top = Image.bits();
  s.Stride = Image.bytesPerLine();
  s.Width = Image.width();
  s.Height = Image.height();
  s.BitsPerPixel = 32;
  s.AlphaFill = 0xFF;
  Canvas.AttachSurface(s);
}

QImage BitmapToQImage(const TBitmap& Bitmap, bool WithAlpha) {
  if (Bitmap.Empty()) return QImage();
  bool alpha = WithAlpha && Bitmap.BitsPerPixel() == 32;
  QImage img(Bitmap.Width(), Bitmap.Height(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  for (int y = 0; y < Bitmap.Height(); ++y) {
    QRgb* out = reinterpret_cast<QRgb*>(img.scanLine(y));
    const uint8_t* row = Bitmap.ScanLine(y);
    if (Bitmap.BitsPerPixel() == 32) {
      for (int x = 0; x < Bitmap.Width(); ++x)
        out[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], alpha ? row[4 * x + 3] : 255);
    } else if (Bitmap.BitsPerPixel() == 24) {
      for (int x = 0; x < Bitmap.Width(); ++x)
        out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    } else {
      for (int x = 0; x < Bitmap.Width(); ++x) {
        TColor c = Bitmap.PixelColor(x, y);
        out[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
      }
    }
  }
  return img;
}

void QImageToBitmap(const QImage& Image, TBitmap& Bitmap) {
  QImage src = Image.convertToFormat(QImage::Format_ARGB32);
  Bitmap.SetSize(0, 0);
  Bitmap.SetPixelFormat(pf32bit);
  Bitmap.SetSize(src.width(), src.height());
  for (int y = 0; y < src.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    uint8_t* row = Bitmap.ScanLine(y);
    for (int x = 0; x < src.width(); ++x) {
      row[4 * x] = static_cast<uint8_t>(qBlue(in[x]));
      row[4 * x + 1] = static_cast<uint8_t>(qGreen(in[x]));
      row[4 * x + 2] = static_cast<uint8_t>(qRed(in[x]));
      row[4 * x + 3] = static_cast<uint8_t>(qAlpha(in[x]));
    }
  }
  Bitmap.Changed(&Bitmap);
}

QString MapFontFamily(const std::string& Name) {
  std::string n;
  for (char c : Name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (n == "arial" || n == "ms sans serif" || n == "microsoft sans serif" || n == "tahoma" ||
      n == "verdana" || n == "ms shell dlg" || n == "ms shell dlg 2" || n == "helvetica" ||
      n.empty())
    return QStringLiteral("Liberation Sans");
  if (n == "times new roman" || n == "times" || n == "ms serif")
    return QStringLiteral("Liberation Serif");
  if (n == "courier new" || n == "courier" || n == "fixedsys" || n == "lucida console")
    return QStringLiteral("Liberation Mono");
  return QString::fromUtf8(Name.data(), static_cast<qsizetype>(Name.size()));
}

QFont FontToQFont(const TFont& Font) {
  QFont f(MapFontFamily(Font.Name()));
  if (Font.Quality() == fqNonAntialiased)
    f.setStyleStrategy(QFont::NoAntialias);
  else
    f.setStyleStrategy(
        static_cast<QFont::StyleStrategy>(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
  f.setHintingPreference(QFont::PreferFullHinting);
  if (Font.Pitch() == fpFixed) f.setFixedPitch(true);
  f.setBold(Font.Style() & fsBold);
  f.setItalic(Font.Style() & fsItalic);
  f.setUnderline(Font.Style() & fsUnderline);
  f.setStrikeOut(Font.Style() & fsStrikeOut);
  int h = Font.Height();
  if (h < 0) {
    f.setPixelSize(-h);
  } else if (h > 0) {
    // A positive height is the cell height: scale from a probe size.
    QFont probe = f;
    probe.setPixelSize(100);
    QFontMetrics m(probe);
    int cell = std::max(1, m.ascent() + m.descent());
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(h * 100.0 / cell))));
  } else {
    f.setPixelSize(11);
  }
  return f;
}

QColor ColorToQColor(TColor Color) {
  Color = ColorToRGB(Color);
  return QColor(GetRValue(Color), GetGValue(Color), GetBValue(Color));
}

TColor QColorToColor(const QColor& Color) { return RGB(Color.red(), Color.green(), Color.blue()); }

QRegion RegionToQRegion(const TRegion& Region) {
  QVector<QRect> rects;
  for (const auto& r : Region.Rects()) rects.push_back(QRect(r.Left, r.Top, r.Width(), r.Height()));
  QRegion q;
  q.setRects(rects.constData(), static_cast<int>(rects.size()));
  return q;
}

TRegion QRegionToRegion(const QRegion& Region) {
  std::vector<TRect> rects;
  for (const QRect& r : Region) rects.push_back(Bounds(r.x(), r.y(), r.width(), r.height()));
  return TRegion(rects);
}

}  // namespace classlib
