// A rasteriser for drawing without anti-aliasing that inks exactly the pixels whose centres lie
// inside the outline (non-zero winding). Thresholding an anti-aliased coverage at one half gives
// the same pixels along a single straight edge, but not where two edges pass through one pixel
// (a line a pixel wide, a sliver): there the covered area and the centre disagree.
//
// A centre lying on an edge is inside for an edge on the left or top of the outline, outside for
// one on the right or bottom: a line a pixel wide on a pixel boundary inks one row, not two.
//
// It offers the part of the scan-line rasteriser's interface that RenderRows uses, so the same
// scan-line renderers paint what it finds.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include <agg_basics.h>

namespace flash {

class CentreSampler {
 public:
  // Pixels are kept to columns [0, width) and rows [0, height).
  void Reset(int width, int height) {
    width_ = width;
    height_ = height;
    edges_.clear();
    have_start_ = false;
  }

  // Takes every contour of `vs` (an AGG vertex source), each closed back to its start.
  template <typename VertexSource>
  void AddPath(VertexSource& vs) {
    vs.rewind(0);
    double x, y;
    unsigned cmd;
    while (!agg::is_stop(cmd = vs.vertex(&x, &y))) {
      if (agg::is_move_to(cmd)) {
        Close();
        start_x_ = cur_x_ = x;
        start_y_ = cur_y_ = y;
        have_start_ = true;
      } else if (agg::is_vertex(cmd)) {
        LineTo(x, y);
      } else if (agg::is_end_poly(cmd)) {
        Close();
      }
    }
    Close();
  }

  // What RenderRows asks of a rasteriser.
  bool rewind_scanlines() {
    if (edges_.empty() || width_ <= 0 || height_ <= 0) return false;
    std::sort(edges_.begin(), edges_.end(),
              [](const Edge& a, const Edge& b) { return a.top < b.top; });
    double lo = edges_.front().top, hi = lo, left = edges_.front().x0, right = left;
    for (const Edge& e : edges_) {
      hi = std::max(hi, e.bottom);
      left = std::min({left, e.x0, e.x1});
      right = std::max({right, e.x0, e.x1});
    }
    // Rows whose centre line y + 0.5 can meet an edge, and the columns, within the target.
    auto whole = [](double v, int most) {
      return static_cast<int>(std::clamp(v, -1.0, most + 1.0));
    };
    min_y_ = std::max(0, whole(std::ceil(lo - 0.5), height_));
    max_y_ = std::min(height_ - 1, whole(std::floor(hi - 0.5), height_));
    min_x_ = std::clamp(whole(std::floor(left), width_), 0, width_ - 1);
    max_x_ = std::clamp(whole(std::ceil(right), width_), 0, width_ - 1);
    Seek(min_y_);
    return min_y_ <= max_y_;
  }
  int min_y() const { return min_y_; }
  int min_x() const { return min_x_; }
  int max_x() const { return max_x_; }
  bool navigate_scanline(int y) {
    if (y > max_y_) return false;
    Seek(std::max(y, min_y_));
    return true;
  }

  // The next row with inked pixels, as full-cover spans.
  template <typename Scanline>
  bool sweep_scanline(Scanline& sl) {
    for (; y_ <= max_y_; ++y_) {
      const double yc = y_ + 0.5;
      while (next_ < edges_.size() && edges_[next_].top <= yc) active_.push_back(&edges_[next_++]);
      crossings_.clear();
      size_t kept = 0;
      for (const Edge* e : active_) {
        if (e->bottom <= yc) continue;  // passed: dropped
        active_[kept++] = e;
        // Far beyond the target a crossing only needs its side: kept finite, it sorts.
        const double x = e->x0 + (yc - e->y0) * e->slope;
        crossings_.push_back({std::isnan(x) ? 0.0 : std::clamp(x, -kFar, kFar), e->dir});
      }
      active_.resize(kept);
      if (crossings_.empty()) continue;
      std::sort(crossings_.begin(), crossings_.end(),
                [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
      sl.reset_spans();
      int winding = 0;
      double from = 0;
      for (const Crossing& c : crossings_) {
        const int before = winding;
        winding += c.dir;
        if (before == 0 && winding != 0) {
          from = c.x;
        } else if (before != 0 && winding == 0) {
          // Pixels x with from <= x + 0.5 < to.
          const double a = std::clamp(std::ceil(from - 0.5), -1.0, width_ + 1.0),
                       b = std::clamp(std::ceil(c.x - 0.5), -1.0, width_ + 1.0);
          const int x0 = std::max(static_cast<int>(a), min_x_);
          const int x1 = std::min(static_cast<int>(b) - 1, max_x_);
          if (x1 >= x0) sl.add_span(x0, static_cast<unsigned>(x1 - x0 + 1), agg::cover_full);
        }
      }
      if (sl.num_spans() == 0) continue;
      sl.finalize(y_);
      ++y_;
      return true;
    }
    return false;
  }

 private:
  struct Edge {
    double x0, y0, x1, y1;  // as given
    double top, bottom;     // the rows it spans: top <= y < bottom
    double slope;           // x per y
    int dir;                // +1 downwards, -1 upwards
  };
  struct Crossing {
    double x;
    int dir;
  };

  void LineTo(double x, double y) {
    if (!have_start_) return;
    if (y != cur_y_ && std::isfinite(x) && std::isfinite(y) && std::isfinite(cur_x_) &&
        std::isfinite(cur_y_)) {
      const double slope = (x - cur_x_) / (y - cur_y_);
      if (std::isfinite(slope))
        edges_.push_back({cur_x_, cur_y_, x, y, std::min(cur_y_, y), std::max(cur_y_, y), slope,
                          y > cur_y_ ? 1 : -1});
    }
    cur_x_ = x;
    cur_y_ = y;
  }
  void Close() {
    if (have_start_) LineTo(start_x_, start_y_);
    have_start_ = false;
  }
  // Starts the sweep at row `y`: the edges that reach its centre line are the active ones.
  void Seek(int y) {
    y_ = y;
    const double yc = y + 0.5;
    active_.clear();
    next_ = 0;
    while (next_ < edges_.size() && edges_[next_].top <= yc) {
      if (edges_[next_].bottom > yc) active_.push_back(&edges_[next_]);
      ++next_;
    }
  }

  static constexpr double kFar = 1e9;

  int width_ = 0, height_ = 0;
  std::vector<Edge> edges_;
  std::vector<const Edge*> active_;
  std::vector<Crossing> crossings_;
  size_t next_ = 0;
  int y_ = 0, min_y_ = 0, max_y_ = -1, min_x_ = 0, max_x_ = -1;
  double start_x_ = 0, start_y_ = 0, cur_x_ = 0, cur_y_ = 0;
  bool have_start_ = false;
};

}  // namespace flash
