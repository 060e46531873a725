#include "platform/flash/player/clip_drawing.h"

#include <algorithm>
#include <atomic>

namespace flash {

uint64_t ClipDrawing::NewVersion() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

ShapeGroup& ClipDrawing::Group() {
  if (shape_.groups.empty()) shape_.groups.emplace_back();
  return shape_.groups.back();
}

// The edge from the pen back to where the open fill's outline began, stroked with the pen.
ShapePath ClipDrawing::ClosingPath() const {
  ShapePath close;
  close.fill1 = 1;
  close.line = line_;
  close.start_x = x_;
  close.start_y = y_;
  close.edges.push_back({false, 0, 0, sub_x_, sub_y_});
  return close;
}

void ClipDrawing::BeginFill(const FillStyle& fill) {
  CloseFill();
  version_ = NewVersion();
  shown_valid_ = false;
  shape_.groups.emplace_back();
  ShapeGroup& g = shape_.groups.back();
  g.fill_styles.push_back(fill);
  line_ = 0;
  if (pen_) {
    g.line_styles.push_back(*pen_);
    line_ = static_cast<uint32_t>(g.line_styles.size());
  }
  filling_ = true;
  fill_first_path_ = 0;
  sub_x_ = x_;
  sub_y_ = y_;
  path_open_ = false;
}

void ClipDrawing::EndFill() {
  CloseFill();
  version_ = NewVersion();
  shown_valid_ = false;
}

// Joins the open outline of the fill back to its start.
void ClipDrawing::CloseFill() {
  if (!filling_) return;
  if (x_ != sub_x_ || y_ != sub_y_) {
    path_open_ = false;
    AddEdge({false, 0, 0, sub_x_, sub_y_});
  }
  filling_ = false;
  path_open_ = false;
}

void ClipDrawing::SetLine(const std::optional<LineStyle>& line) {
  version_ = NewVersion();
  pen_ = line;
  path_open_ = false;
  line_ = 0;
  if (!pen_) return;
  ShapeGroup& g = Group();
  g.line_styles.push_back(*pen_);
  line_ = static_cast<uint32_t>(g.line_styles.size());
}

void ClipDrawing::SetLineFill(const std::optional<FillStyle>& fill) {
  if (!pen_) return;
  LineStyle line = *pen_;
  line.has_fill = fill.has_value();
  line.fill = fill ? *fill : FillStyle();
  SetLine(line);
}

void ClipDrawing::MoveTo(int32_t x, int32_t y) {
  version_ = NewVersion();
  if (filling_) {
    // A move inside a fill ends one outline of it and begins the next.
    if (x_ != sub_x_ || y_ != sub_y_) {
      path_open_ = false;
      AddEdge({false, 0, 0, sub_x_, sub_y_});
    }
    sub_x_ = x;
    sub_y_ = y;
  }
  x_ = x;
  y_ = y;
  path_open_ = false;
}

void ClipDrawing::AddEdge(const ShapeEdge& e) {
  version_ = NewVersion();
  shown_valid_ = false;
  if (filling_ || line_) {
    ShapeGroup& g = Group();
    if (!path_open_ || g.paths.empty()) {
      ShapePath p;
      p.fill1 = filling_ ? 1 : 0;
      p.line = line_;
      p.start_x = x_;
      p.start_y = y_;
      g.paths.push_back(std::move(p));
      path_open_ = true;
    }
    g.paths.back().edges.push_back(e);
    const double half = line_ ? std::max<double>(g.line_styles[line_ - 1].width, 20) / 2 : 0;
    auto grow = [&](double x, double y) {
      const auto lo_x = static_cast<int32_t>(x - half), hi_x = static_cast<int32_t>(x + half);
      const auto lo_y = static_cast<int32_t>(y - half), hi_y = static_cast<int32_t>(y + half);
      if (!has_bounds_) {
        bounds_ = {lo_x, hi_x, lo_y, hi_y};
        has_bounds_ = true;
        return;
      }
      bounds_.xmin = std::min(bounds_.xmin, lo_x);
      bounds_.xmax = std::max(bounds_.xmax, hi_x);
      bounds_.ymin = std::min(bounds_.ymin, lo_y);
      bounds_.ymax = std::max(bounds_.ymax, hi_y);
    };
    grow(x_, y_);
    if (e.curve) grow(e.cx, e.cy);
    grow(e.x, e.y);
  }
  x_ = e.x;
  y_ = e.y;
}

void ClipDrawing::LineTo(int32_t x, int32_t y) { AddEdge({false, 0, 0, x, y}); }

void ClipDrawing::CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y) {
  AddEdge({true, cx, cy, x, y});
}

uint16_t ClipDrawing::AddBitmap(const std::shared_ptr<BitmapData>& bitmap) {
  for (size_t i = 0; i < bitmaps_.size(); ++i)
    if (bitmaps_[i] == bitmap) return static_cast<uint16_t>(kFirstBitmapId + i);
  if (bitmaps_.size() >= 0xFFFu - 1) return 0;
  version_ = NewVersion();
  bitmaps_.push_back(bitmap);
  return static_cast<uint16_t>(kFirstBitmapId + bitmaps_.size() - 1);
}

std::shared_ptr<BitmapData> ClipDrawing::BitmapFor(uint16_t id) const {
  if (id < kFirstBitmapId || id - kFirstBitmapId >= static_cast<int>(bitmaps_.size()))
    return nullptr;
  return bitmaps_[id - kFirstBitmapId];
}

// Clearing also forgets the pen's style and position.
void ClipDrawing::Clear() { *this = ClipDrawing(); }

bool ClipDrawing::Bounds(RectTwips& out) const {
  if (!has_bounds_) return false;
  out = bounds_;
  return true;
}

const ShapeDef& ClipDrawing::Shape() const {
  if (shown_valid_) return shown_;
  shown_ = shape_;
  if (filling_ && (x_ != sub_x_ || y_ != sub_y_) && !shown_.groups.empty()) {
    shown_.groups.back().paths.push_back(ClosingPath());
  }
  shown_.bounds = has_bounds_ ? bounds_ : RectTwips{};
  shown_.edge_bounds = shown_.bounds;
  shown_valid_ = true;
  return shown_;
}

}  // namespace flash
