#include "platform/flash/renderer/glyph_cache.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

namespace flash {
namespace {

// Bytes of coverage the cache keeps before it starts over.
constexpr size_t kBudget = 32u << 20;
// Glyphs larger than this many pixels a side are drawn as shapes instead.
constexpr double kLargestSide = 256;

struct Entry {
  std::weak_ptr<const void> owner;
  bool immortal = false;
  std::shared_ptr<const CoverageMask> mask;
};

using Key = std::tuple<const ShapeDef*, double, int, int, int>;

struct Cache {
  std::mutex lock;
  std::map<Key, Entry> entries;
  size_t bytes = 0;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

std::shared_ptr<const CoverageMask> MakeMask(const ShapeDef& outline, double scale, double ox,
                                             double oy, Quality quality) {
  auto mask = std::make_shared<CoverageMask>();
  const RectTwips& b = outline.bounds;
  int x0 = static_cast<int>(std::floor(b.xmin * scale + ox)) - 1;
  int y0 = static_cast<int>(std::floor(b.ymin * scale + oy)) - 1;
  int x1 = static_cast<int>(std::ceil(b.xmax * scale + ox)) + 1;
  int y1 = static_cast<int>(std::ceil(b.ymax * scale + oy)) + 1;
  mask->left = x0;
  mask->top = y0;
  mask->width = x1 - x0;
  mask->height = y1 - y0;
  std::vector<uint8_t> pixels(static_cast<size_t>(mask->width) * mask->height * 4, 0);
  {
    // The outline at its size, its points on whole twentieths of a pixel.
    ShapeDef sized = outline;
    auto twentieths = [scale](int32_t v) {
      const double t = std::clamp(static_cast<double>(v) * scale * 20, -2e9, 2e9);
      return static_cast<int32_t>(std::lround(t));
    };
    for (ShapeGroup& g : sized.groups)
      for (ShapePath& path : g.paths) {
        path.start_x = twentieths(path.start_x);
        path.start_y = twentieths(path.start_y);
        for (ShapeEdge& e : path.edges) {
          e.cx = twentieths(e.cx);
          e.cy = twentieths(e.cy);
          e.x = twentieths(e.x);
          e.y = twentieths(e.y);
        }
      }
    Renderer r({pixels.data(), mask->width, mask->height, mask->width * 4}, quality, nullptr);
    r.DrawShape(sized, Matrix{1 / 20.0, 0, 0, 1 / 20.0, ox - x0, oy - y0}, ColorTransform());
  }
  mask->coverage.resize(static_cast<size_t>(mask->width) * mask->height);
  for (size_t i = 0; i < mask->coverage.size(); ++i) mask->coverage[i] = pixels[i * 4 + 3];
  return mask;
}

}  // namespace

std::shared_ptr<const CoverageMask> GlyphCoverage(const ShapeDef& outline,
                                                  const std::shared_ptr<const void>& owner,
                                                  double scale, int quarter_x, int quarter_y,
                                                  Quality quality) {
  Cache& c = TheCache();
  Key key{&outline, scale, quarter_x, quarter_y, static_cast<int>(quality)};
  {
    std::lock_guard<std::mutex> g(c.lock);
    auto it = c.entries.find(key);
    if (it != c.entries.end()) {
      const Entry& e = it->second;
      // The same address may hold another outline once the owner of the first has gone.
      if (e.immortal || (!e.owner.expired() && e.owner.lock() == owner)) return e.mask;
      c.bytes -= e.mask->coverage.size();
      c.entries.erase(it);
    }
  }
  auto mask = MakeMask(outline, scale, quarter_x / 4.0, quarter_y / 4.0, quality);
  std::lock_guard<std::mutex> g(c.lock);
  if (c.bytes + mask->coverage.size() > kBudget) {
    c.entries.clear();
    c.bytes = 0;
  }
  Entry e;
  e.owner = owner;
  e.immortal = !owner;
  e.mask = mask;
  auto [it, inserted] = c.entries.emplace(key, std::move(e));
  if (inserted) c.bytes += mask->coverage.size();
  return it->second.mask;
}

void DrawCachedGlyph(Renderer& r, const ShapeDef& outline, const std::shared_ptr<const void>& owner,
                     double scale, double x, double y, Rgba color) {
  const RectTwips& b = outline.bounds;
  if ((static_cast<double>(b.xmax) - b.xmin) * scale > kLargestSide ||
      (static_cast<double>(b.ymax) - b.ymin) * scale > kLargestSide || !(scale > 0) ||
      !std::isfinite(x) || !std::isfinite(y) || std::abs(x) > 1e6 || std::abs(y) > 1e6 ||
      std::abs(static_cast<double>(b.xmin) * scale) > 1e6 ||
      std::abs(static_cast<double>(b.ymin) * scale) > 1e6) {
    Matrix m{scale, 0, 0, scale, x, y};
    ColorTransform tint;
    tint.r_mult = tint.g_mult = tint.b_mult = tint.a_mult = 0;
    tint.r_add = color.r;
    tint.g_add = color.g;
    tint.b_add = color.b;
    tint.a_add = color.a;
    r.DrawShape(outline, m, tint);
    return;
  }
  double fx = std::floor(x), fy = std::floor(y);
  int qx = static_cast<int>(std::floor((x - fx) * 4 + 0.5)),
      qy = static_cast<int>(std::floor((y - fy) * 4 + 0.5));
  // A quarter that rounds up to a whole pixel moves to the next pixel.
  if (qx == 4) {
    qx = 0;
    fx += 1;
  }
  if (qy == 4) {
    qy = 0;
    fy += 1;
  }
  auto mask = GlyphCoverage(outline, owner, scale, qx, qy, r.quality());
  r.DrawCoverage(*mask, static_cast<int>(fx), static_cast<int>(fy), color);
}

}  // namespace flash
