// Shared pieces of the artwork generator: the sink each drawing function hands
// its images to, and small drawing helpers that keep edges anti-aliased inside
// a shape but hard against a key colour.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <string>
#include <vector>

namespace artwork {

// One generated resource: its name and the BMP stream written for it.
struct Entry {
  std::string name;
  std::vector<uint8_t> bmp;
  bool cursor = false;
  int hot_x = 0;
  int hot_y = 0;
};

class Sink {
 public:
  // An opaque bitmap, stored as a 24-bit BMP.
  void Bitmap(const std::string& name, const QImage& image);
  // A cursor: 32-bit BMP with alpha and its hot spot.
  void Cursor(const std::string& name, const QImage& argb, int hot_x, int hot_y);
  // A resource kept as the bytes given (a file of another format).
  void Raw(const std::string& name, std::vector<uint8_t> bytes) {
    entries_.push_back({name, std::move(bytes)});
  }
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// 24-bit (alpha dropped) or 32-bit (alpha kept) BMP streams, bottom-up rows.
std::vector<uint8_t> EncodeBmp(const QImage& image, int bits);

// A new opaque image filled with one colour.
QImage Filled(int width, int height, const QColor& color);
// A rounded rectangle path.
QPainterPath RoundedPath(const QRectF& rect, double radius);
// Whether the point lies inside the rounded rectangle (exact circular corners).
bool InsideRounded(const QRectF& rect, double radius, double x, double y);
// Sets every pixel whose centre lies outside the rounded rectangle (exact
// circle corners) to Key; drawn after the anti-aliased inside, so smooth
// edges never mix with the key colour.
void KeyOutsideRounded(QImage& image, const QRectF& rect, double radius, const QColor& key);
// Draws a framed, rounded panel: a one-pixel border in Border around a
// vertical gradient from Top to Bottom, anti-aliased inside the border.
void Panel(QImage& image, const QRectF& rect, double radius, const QColor& border,
           const QColor& top, const QColor& bottom);

// Relative luminance (0..1) and contrast ratio, as used to keep text legible.
double Luminance(const QColor& color);
double Contrast(const QColor& a, const QColor& b);

// The drawing functions, one per family of artwork (see artwork_table.cpp).
void DrawMainSkin(Sink& sink);
void DrawSeekSlider(Sink& sink);
void DrawControlCursors(Sink& sink);
void DrawTreeGlyphs(Sink& sink);
void DrawGifBusy(Sink& sink);
void DrawSuiStyles(Sink& sink);
void DrawAddGlyphs(Sink& sink);

}  // namespace artwork
