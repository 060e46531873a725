// A frame drawn in horizontal bands on several threads has exactly the pixels of the same frame
// drawn in one: generated scenes of every kind of drawing call, and every reference movie.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <atomic>
#include <map>
#include <memory>
#include <stdexcept>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/player/player.h"
#include "platform/flash/renderer/band_pool.h"
#include "platform/flash/renderer/renderer.h"
#include "platform/flash/stage_painter.h"
#include "tests/support/test_app.h"

namespace {

using namespace flash;
namespace fs = std::filesystem;

struct Library : CharacterLookup {
  std::map<uint16_t, std::shared_ptr<CharacterDef>> chars;
  const CharacterDef* Find(uint16_t id) const override {
    auto it = chars.find(id);
    return it == chars.end() ? nullptr : it->second.get();
  }
};

// A bitmap that holds its own pixels: the renderer only borrows them for the call.
std::shared_ptr<BitmapDef> Pattern(uint16_t id, int size) {
  auto b = std::make_shared<BitmapDef>(id);
  b->width = b->height = size;
  for (int i = 0; i < size * size; ++i) {
    const uint8_t a = static_cast<uint8_t>(i % 3 == 0 ? 128 : 255);
    b->bgra_premultiplied.insert(
        b->bgra_premultiplied.end(),
        {static_cast<uint8_t>(i * 37 % a), static_cast<uint8_t>(i * 91 % a),
         static_cast<uint8_t>(i * 13 % a), a});
  }
  return b;
}

// One drawing call of a generated scene.
struct Step {
  enum class Kind { Shape, Coverage, BeginMask, EndMask, PopMask, PushLayer, PopLayer };
  explicit Step(Kind k) : kind(k) {}
  Kind kind;
  ShapeDef shape;
  Matrix matrix;
  ColorTransform cx;
  CoverageMask mask;
  int x = 0, y = 0;
  Rgba color{};
  int blend_mode = kBlendNormal;
  std::vector<Filter> filters;  // a layer's, given alike to its push and pop
  double filter_scale = 1;
};

class Scene {
 public:
  // With `filters`, some layers are drawn through filters, nested up to two deep. An `inset`
  // scene keeps its shapes in the middle of the frame, unturned, and its filters to those whose
  // result moves with the picture.
  explicit Scene(unsigned seed, int width, int height, bool layers, bool filters = false,
                 bool inset = false)
      : rng_(seed), width_(width), height_(height), inset_(inset) {
    const int count = 60;
    int masks = 0, open_layers = 0;
    std::vector<size_t> pushes;  // the open layers' push steps
    for (int i = 0; i < count; ++i) {
      const int pick = Int(0, 19);
      if (pick == 0 && masks < 3) {
        steps_.emplace_back(Step::Kind::BeginMask);
        steps_.push_back(RandomShape());
        if (Int(0, 1)) steps_.push_back(RandomShape());
        steps_.emplace_back(Step::Kind::EndMask);
        ++masks;
      } else if (pick == 1 && masks > 0) {
        steps_.emplace_back(Step::Kind::PopMask);
        --masks;
      } else if (pick == 2 && layers && open_layers < 2) {
        Step s{Step::Kind::PushLayer};
        if (filters && Int(0, 2) > 0) {
          for (int n = Int(1, 2); n > 0; --n) s.filters.push_back(RandomFilter());
          s.filter_scale = Real(0.5, 2.0);
        }
        pushes.push_back(steps_.size());
        steps_.push_back(s);
        ++open_layers;
      } else if (pick == 3 && open_layers > 0) {
        Step s{Step::Kind::PopLayer};
        s.filters = steps_[pushes.back()].filters;
        s.filter_scale = steps_[pushes.back()].filter_scale;
        pushes.pop_back();
        const int modes[] = {kBlendNormal,     kBlendLayer, kBlendMultiply, kBlendScreen,
                             kBlendDarken,     kBlendAdd,   kBlendOverlay,  kBlendAlpha,
                             kBlendDifference, kBlendErase};
        s.blend_mode = modes[Int(0, 9)];
        steps_.push_back(s);
        --open_layers;
      } else if (pick == 4) {
        steps_.push_back(RandomCoverage());
      } else {
        steps_.push_back(RandomShape());
      }
    }
    // Filtered layers left open would show nothing: they are composited at the end.
    for (; filters && !pushes.empty(); pushes.pop_back()) {
      Step s{Step::Kind::PopLayer};
      s.filters = steps_[pushes.back()].filters;
      s.filter_scale = steps_[pushes.back()].filter_scale;
      steps_.push_back(s);
    }
  }

  std::vector<uint8_t> Draw(Quality quality, int bands) const {
    Library lib;
    lib.chars[7] = Pattern(7, 5);
    std::vector<uint8_t> pixels(static_cast<size_t>(width_) * height_ * 4, 0xCD);
    Renderer r({pixels.data(), width_, height_, width_ * 4}, quality, &lib, bands);
    EXPECT_EQ(r.bands(), std::min(bands, height_ / 16));
    r.Clear({250, 240, 230, 255});
    DrawSteps(r);
    r.Finish();
    return pixels;
  }

  // Ends the scene with every mask and layer it left open closed (the renderer passes over a
  // pop that does not match what is on top).
  void CloseAll() {
    std::vector<size_t> open;  // the steps that opened what is open
    for (size_t i = 0; i < steps_.size(); ++i) {
      const Step::Kind k = steps_[i].kind;
      if (k == Step::Kind::BeginMask || k == Step::Kind::PushLayer) {
        open.push_back(i);
      } else if (!open.empty() &&
                 ((k == Step::Kind::PopMask && steps_[open.back()].kind == Step::Kind::BeginMask) ||
                  (k == Step::Kind::PopLayer &&
                   steps_[open.back()].kind == Step::Kind::PushLayer))) {
        open.pop_back();
      }
    }
    for (; !open.empty(); open.pop_back()) {
      const Step& opened = steps_[open.back()];
      Step s{opened.kind == Step::Kind::BeginMask ? Step::Kind::PopMask : Step::Kind::PopLayer};
      s.filters = opened.filters;
      s.filter_scale = opened.filter_scale;
      steps_.push_back(s);
    }
  }

  // The scene's calls without the clearing, moved by (dx, dy) pixels.
  void DrawSteps(Renderer& r, int dx = 0, int dy = 0) const {
    for (const Step& s : steps_) {
      Matrix m = s.matrix;
      m.tx += dx;
      m.ty += dy;
      switch (s.kind) {
        case Step::Kind::Shape: r.DrawShape(s.shape, m, s.cx); break;
        case Step::Kind::Coverage: r.DrawCoverage(s.mask, s.x + dx, s.y + dy, s.color); break;
        case Step::Kind::BeginMask: r.BeginMask(); break;
        case Step::Kind::EndMask: r.EndMask(); break;
        case Step::Kind::PopMask: r.PopMask(); break;
        case Step::Kind::PushLayer: r.PushLayer(s.filters, s.filter_scale); break;
        case Step::Kind::PopLayer: r.PopLayer(s.blend_mode, s.filters, s.filter_scale); break;
      }
    }
  }

 private:
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  double Real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  uint8_t Byte() { return static_cast<uint8_t>(Int(0, 255)); }
  Rgba Colour() { return {Byte(), Byte(), Byte(), static_cast<uint8_t>(Int(0, 3) ? 255 : Byte())}; }

  FillStyle RandomFill() {
    FillStyle f;
    switch (Int(0, 4)) {
      case 0:
      case 1: f.color = Colour(); break;
      case 2:
      case 3:
        f.type = Int(0, 1) ? FillStyle::Type::LinearGradient : FillStyle::Type::RadialGradient;
        f.gradient.stops = {{0, Colour()}, {static_cast<uint8_t>(Int(1, 255)), Colour()}};
        f.gradient.spread = static_cast<SpreadMode>(Int(0, 2));
        f.matrix.a = Real(0.01, 0.2);
        f.matrix.d = Real(0.01, 0.2);
        f.matrix.b = Real(-0.05, 0.05);
        break;
      default:
        f.type = Int(0, 1) ? FillStyle::Type::RepeatingBitmap : FillStyle::Type::ClippedBitmap;
        f.bitmap_id = 7;
        f.matrix.a = f.matrix.d = Real(40, 400);
        break;
    }
    return f;
  }

  // Every kind of filter, with blurs and distances that reach over band edges: outer and inner
  // effects, knocked out and hidden objects, several passes; matrices and a wrapping map.
  Filter RandomFilter() {
    Filter f;
    const Filter::Kind kinds[] = {
        Filter::Kind::DropShadow,  Filter::Kind::Blur,          Filter::Kind::Glow,
        Filter::Kind::Bevel,       Filter::Kind::GradientGlow,  Filter::Kind::Convolution,
        Filter::Kind::ColorMatrix, Filter::Kind::GradientBevel, Filter::Kind::DisplacementMap};
    f.kind = kinds[Int(0, inset_ ? 7 : 8)];
    f.color = Colour();
    f.highlight = Colour();
    f.blur_x = Real(0, 30);
    f.blur_y = Real(0, 30);
    f.angle = Real(0, 2 * M_PI);
    f.distance = Real(-20, 20);
    f.strength = Real(0.3, 3);
    f.inner = Int(0, 2) == 0;
    f.knockout = Int(0, 4) == 0;
    f.composite_source = Int(0, 4) != 0;
    f.on_top = Int(0, 1);
    f.passes = Int(1, 3);
    f.gradient_colors = {Colour(), Colour(), Colour()};
    f.gradient_ratios = {0, static_cast<uint8_t>(Int(1, 254)), 255};
    if (f.kind == Filter::Kind::Convolution) {
      f.matrix_x = Int(1, 5);
      f.matrix_y = Int(1, 5);
      for (int i = 0; i < f.matrix_x * f.matrix_y; ++i)
        f.matrix.push_back(static_cast<float>(Real(-1, 2)));
      f.divisor = static_cast<float>(Real(1, 4));
      f.bias = static_cast<float>(Real(-20, 20));
      f.clamp = Int(0, 1);
      f.preserve_alpha = Int(0, 1);
      f.default_color = Colour();
    } else if (f.kind == Filter::Kind::ColorMatrix) {
      for (int i = 0; i < 20; ++i)
        f.matrix.push_back(static_cast<float>(i % 5 == 4 ? Real(-40, 40) : Real(-0.5, 1.5)));
    } else if (f.kind == Filter::Kind::DisplacementMap) {
      auto map = std::make_shared<std::vector<uint32_t>>();
      f.map_width = Int(5, 40);
      f.map_height = Int(5, 40);
      for (int i = 0; i < f.map_width * f.map_height; ++i)
        map->push_back(static_cast<uint32_t>(rng_()));
      f.map_pixels = map;
      f.map_x = Int(-10, width_ / 2);
      f.map_y = Int(-10, height_ / 2);
      f.component_x = 1 << Int(0, 3);
      f.component_y = 1 << Int(0, 3);
      f.scale_x = Real(-60, 60);
      f.scale_y = Real(-60, 60);
      f.map_mode = static_cast<uint8_t>(Int(0, 3));
    }
    return f;
  }

  // A closed path of straight and curved edges around (cx, cy), in twips.
  ShapePath Blob(double cx, double cy, double radius, uint32_t fill0, uint32_t fill1) {
    ShapePath p;
    p.fill0 = fill0;
    p.fill1 = fill1;
    const int n = Int(3, 9);
    auto at = [&](int i, double r) {
      const double a = 2 * M_PI * i / n;
      return std::pair<int32_t, int32_t>{static_cast<int32_t>(cx + r * std::cos(a)),
                                         static_cast<int32_t>(cy + r * std::sin(a))};
    };
    std::tie(p.start_x, p.start_y) = at(0, radius);
    for (int i = 1; i <= n; ++i) {
      ShapeEdge e;
      std::tie(e.x, e.y) = at(i % n, radius * (i == n ? 1 : Real(0.4, 1.2)));
      if (i == n) std::tie(e.x, e.y) = std::pair{p.start_x, p.start_y};
      if (Int(0, 1)) {
        e.curve = true;
        e.cx = static_cast<int32_t>(cx + Real(-1.5, 1.5) * radius);
        e.cy = static_cast<int32_t>(cy + Real(-1.5, 1.5) * radius);
      }
      p.edges.push_back(e);
    }
    return p;
  }

  Step RandomShape() {
    Step s{Step::Kind::Shape};
    ShapeGroup& g = s.shape.groups.emplace_back();
    g.fill_styles.push_back(RandomFill());
    g.fill_styles.push_back(RandomFill());
    // Centres over the whole frame and a little beyond, so that shapes straddle band edges
    // and the frame's own edges; some shapes span the whole frame.
    const double w = width_ * 20.0, h = height_ * 20.0;
    const double radius = inset_         ? Real(0.01, 0.06) * h
                          : Int(0, 5) == 0 ? Real(0.5, 1.0) * h
                                         : Real(0.01, 0.2) * h;
    const double lo = inset_ ? 0.35 : -0.1, hi = inset_ ? 0.65 : 1.1;
    g.paths.push_back(Blob(Real(lo, hi) * w, Real(lo, hi) * h, radius, 0, 1));
    if (Int(0, 1)) {  // a second region with the other style, touching the first
      g.paths.push_back(Blob(Real(lo, hi) * w, Real(lo, hi) * h, radius * Real(0.3, 1.0), 2, 0));
    }
    s.shape.non_zero_winding = Int(0, 1);
    if (Int(0, 2) == 0) {
      LineStyle l;
      l.width = static_cast<uint16_t>(Int(0, 200));
      l.color = Colour();
      l.start_cap = static_cast<CapStyle>(Int(0, 2));
      l.join = static_cast<JoinStyle>(Int(0, 2));
      if (Int(0, 3) == 0) {
        l.has_fill = true;
        l.fill = RandomFill();
      }
      g.line_styles.push_back(l);
      for (ShapePath& p : g.paths) p.line = 1;
    }
    s.matrix.a = s.matrix.d = 1.0 / 20;
    if (!inset_ && Int(0, 2) == 0) {
      const double angle = Real(0, M_PI);
      s.matrix.a = std::cos(angle) / 20;
      s.matrix.b = std::sin(angle) / 20;
      s.matrix.c = -std::sin(angle) / 20;
      s.matrix.d = std::cos(angle) / 20;
      s.matrix.tx = Real(-0.2, 0.2) * width_;
      s.matrix.ty = Real(-0.2, 0.2) * height_;
    }
    if (Int(0, 3) == 0) s.cx.a_mult = static_cast<int16_t>(Int(50, 256));
    return s;
  }

  Step RandomCoverage() {
    Step s{Step::Kind::Coverage};
    s.mask.width = Int(1, 40);
    s.mask.height = Int(1, 40);
    s.mask.left = Int(-5, 5);
    s.mask.top = Int(-5, 5);
    for (int i = 0; i < s.mask.width * s.mask.height; ++i) s.mask.coverage.push_back(Byte());
    s.x = inset_ ? Int(width_ * 2 / 5, width_ * 3 / 5) : Int(-20, width_);
    s.y = inset_ ? Int(height_ * 2 / 5, height_ * 3 / 5) : Int(-20, height_);
    s.color = Colour();
    return s;
  }

  std::mt19937 rng_;
  int width_, height_;
  bool inset_;
  std::vector<Step> steps_;
};

// Where two frames first differ, for the failure message.
std::string FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                            int width) {
  if (a.size() != b.size()) return "sizes differ";
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) {
      const size_t px = i / 4;
      return "first at x " + std::to_string(px % width) + ", y " + std::to_string(px / width);
    }
  return "none";
}

TEST(RenderBands, GeneratedScenesDrawTheSamePixelsInAnyNumberOfBands) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const int width = 200 + static_cast<int>(seed) * 37, height = 150 + static_cast<int>(seed) * 23;
    const Scene scene(seed, width, height, /*layers=*/seed % 2 == 0);
    for (Quality q : {Quality::High, Quality::Low}) {
      const std::vector<uint8_t> one = scene.Draw(q, 1);
      for (int bands : {2, 3, 8, 13, 1}) {
        // The last, one band again, draws on the layer and mask storage the others kept.
        const std::vector<uint8_t> many = scene.Draw(q, bands);
        EXPECT_TRUE(one == many) << "seed " << seed << ", " << bands << " bands, quality "
                                 << (q == Quality::High ? "high" : "low") << ": "
                                 << FirstDifference(one, many, width);
      }
    }
  }
}

// Filtered layers in bands hold the rows their filters read around each band: every kind of
// filter, nested, gives the pixels of one band, also where the frame is cut into thin bands.
TEST(RenderBands, FilteredLayersDrawTheSamePixelsInBands) {
  for (unsigned seed = 21; seed <= 32; ++seed) {
    const int width = 180 + static_cast<int>(seed) * 11, height = 160 + static_cast<int>(seed) * 9;
    const Scene scene(seed, width, height, /*layers=*/true, /*filters=*/true);
    const Quality q = seed % 3 == 0 ? Quality::Low : Quality::High;
    const std::vector<uint8_t> one = scene.Draw(q, 1);
    for (int bands : {2, 5, 11, 1}) {
      const std::vector<uint8_t> many = scene.Draw(q, bands);
      EXPECT_TRUE(one == many) << "seed " << seed << ", " << bands
                               << " bands: " << FirstDifference(one, many, width);
    }
  }
}

// A triangle over many bands drawn through one filter at a time: inner effects, which reach
// nothing outside the object but read rows around each row inside it; matrices and a map that
// read rows, depend on where the layer begins or colour the clear pixels within its bounds (the
// triangle's bounds in a band are narrower than its whole bounds).
TEST(RenderBands, FiltersReadAcrossBandEdgesAsInOneBand) {
  const int w = 240, h = 200;
  ShapeDef rect;
  ShapeGroup& g = rect.groups.emplace_back();
  FillStyle blue;
  blue.color = {40, 60, 255, 255};
  g.fill_styles.push_back(blue);
  ShapePath p;
  p.fill1 = 1;
  p.start_x = p.start_y = 30 * 20;
  p.edges = {{false, 0, 0, 200 * 20, 30 * 20},
             {false, 0, 0, 60 * 20, 170 * 20},
             {false, 0, 0, 30 * 20, 30 * 20}};
  g.paths.push_back(p);
  Matrix m;
  m.a = m.d = 1.0 / 20;
  std::vector<Filter> filters(6);
  filters[0].kind = Filter::Kind::Glow;
  filters[1].kind = Filter::Kind::DropShadow;
  filters[1].distance = 9;
  filters[1].angle = 1.2;
  filters[2].kind = Filter::Kind::Bevel;
  filters[2].distance = 6;
  filters[2].angle = 4.0;
  for (Filter& f : filters) {
    f.inner = true;
    f.blur_x = f.blur_y = 24;
    f.passes = 2;
    f.strength = 2;
    f.color = {255, 0, 0, 255};
  }
  filters[3].kind = Filter::Kind::Convolution;
  filters[3].matrix_x = 3;
  filters[3].matrix_y = 5;
  filters[3].matrix = {1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0};
  filters[3].divisor = 5;
  filters[3].clamp = false;
  filters[3].default_color = {0, 255, 0, 255};
  filters[4].kind = Filter::Kind::DisplacementMap;
  filters[4].map_pixels = std::make_shared<std::vector<uint32_t>>(std::vector<uint32_t>{
      0xFF00FF00u, 0xFFFF0000u, 0xFF808080u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u});
  filters[4].map_width = 3;
  filters[4].map_height = 2;
  filters[4].component_x = 1;
  filters[4].component_y = 2;
  filters[4].scale_x = filters[4].scale_y = 40;
  filters[5].kind = Filter::Kind::ColorMatrix;
  filters[5].matrix = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 90, 0, 0, 0, 1, 60};
  for (const Filter& f : filters) {
    auto draw = [&](int bands) {
      std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4, 0);
      Renderer r({px.data(), w, h, w * 4}, Quality::High, nullptr, bands);
      r.Clear({255, 255, 255, 255});
      r.PushLayer({f}, 1.0);
      r.DrawShape(rect, m, ColorTransform());
      r.PopLayer(kBlendNormal, {f}, 1.0);
      r.Finish();
      return px;
    };
    const std::vector<uint8_t> one = draw(1), many = draw(6);
    EXPECT_TRUE(one == many) << "filter kind " << static_cast<int>(f.kind) << ": "
                             << FirstDifference(one, many, w);
  }
}

// A layer whose picture is kept, made in any number of bands, composited again over several
// frames in any number of bands (at the same place, and moved by whole pixels when nothing of it
// was cut off), has the pixels of the layer drawn there afresh.
TEST(RenderBands, KeptLayersCompositeAsTheyWereDrawnInAnyNumberOfBands) {
  const std::vector<std::vector<Filter>> filter_sets = [] {
    Filter glow, shadow, blur, colours;
    glow.kind = Filter::Kind::Glow;
    glow.blur_x = glow.blur_y = 9;
    glow.color = {255, 0, 0, 200};
    shadow.kind = Filter::Kind::DropShadow;
    shadow.distance = 7;
    shadow.angle = 0.8;
    shadow.inner = true;
    blur.kind = Filter::Kind::Blur;
    blur.blur_x = 14;
    blur.passes = 2;
    colours.kind = Filter::Kind::ColorMatrix;
    colours.matrix = {0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 40, 0, 0, 0, 0.8f, 0};
    return std::vector<std::vector<Filter>>{{}, {glow}, {shadow, blur}, {colours}};
  }();
  const int modes[] = {kBlendNormal, kBlendMultiply, kBlendAlpha, kBlendLayer};
  const int counts[] = {1, 2, 5, 6, 11};
  int moved = 0;
  for (unsigned seed = 41; seed <= 48; ++seed) {
    const int w = 160 + static_cast<int>(seed) * 5, h = 180 + static_cast<int>(seed) * 3;
    Scene below(seed, w, h, /*layers=*/false);
    below.CloseAll();
    const bool inset = seed % 2 == 0;
    Scene inside(seed + 100, w, h, /*layers=*/true, /*filters=*/true, inset);
    inside.CloseAll();
    const std::vector<Filter>& filters = filter_sets[seed % filter_sets.size()];
    const int blend = modes[(seed / 2) % 4];
    const double scale = 1.5;
    // The layer is drawn (keeping its picture in `keep` when given), or `kept` composited.
    auto frame = [&](int bands, const std::shared_ptr<KeptLayer>& keep,
                     const std::shared_ptr<const KeptLayer>& kept, int dx, int dy) {
      std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4, 0);
      Renderer r({px.data(), w, h, w * 4}, Quality::High, nullptr, bands);
      r.Clear({250, 240, 230, 255});
      // An outer layer, so that alpha layers have a layer to act on.
      r.PushLayer();
      below.DrawSteps(r);
      if (kept) {
        r.DrawKeptLayer(kept, dx, dy, blend);
      } else {
        r.PushLayer(filters, scale, keep);
        inside.DrawSteps(r, dx, dy);
        r.PopLayer(blend, filters, scale, keep);
      }
      r.PopLayer(kBlendNormal);
      r.Finish();
      return px;
    };
    const std::vector<uint8_t> fresh = frame(1, nullptr, nullptr, 0, 0);
    const int dx = 7 - static_cast<int>(seed % 5) * 3, dy = static_cast<int>(seed % 3) * 4 - 5;
    const std::vector<uint8_t> fresh_moved = frame(1, nullptr, nullptr, dx, dy);
    for (int made_in : counts) {
      auto keep = std::make_shared<KeptLayer>();
      EXPECT_TRUE(frame(made_in, keep, nullptr, 0, 0) == fresh)
          << "seed " << seed << ", kept in " << made_in << " bands";
      ASSERT_TRUE(keep->made);
      EXPECT_EQ(keep->layer.width, w + 2 * (keep->layer.x < 0 ? -keep->layer.x : 0));
      for (int frame_no = 0; frame_no < 5; ++frame_no) {
        const int bands = counts[(frame_no + made_in) % 5];
        const std::vector<uint8_t> again = frame(bands, nullptr, keep, 0, 0);
        EXPECT_TRUE(again == fresh) << "seed " << seed << ", kept in " << made_in
                                    << " bands, composited in " << bands << ": "
                                    << FirstDifference(fresh, again, w);
      }
      // Moved by whole pixels, within the layer and with nothing cut off, it is the layer
      // drawn there.
      const bool inside_layer = keep->left + dx >= keep->layer.x &&
                                keep->top + dy >= keep->layer.y &&
                                keep->left + dx + keep->width <= keep->layer.x + keep->layer.width &&
                                keep->top + dy + keep->height <= keep->layer.y + keep->layer.height;
      if (inset) EXPECT_FALSE(keep->cut) << "seed " << seed;
      if (keep->cut || !inside_layer) continue;
      ++moved;
      const std::vector<uint8_t> shifted = frame(counts[made_in % 5], nullptr, keep, dx, dy);
      EXPECT_TRUE(shifted == fresh_moved) << "seed " << seed << ", kept in " << made_in
                                          << " bands, moved: "
                                          << FirstDifference(fresh_moved, shifted, w);
    }
  }
  EXPECT_GE(moved, 10);
}

// Filters that read far around each row make fewer bands worth while; one whose result depends
// on where its layer begins keeps the frame in one band.
TEST(RenderBands, FramesWithFiltersTakeFewerBandsAsTheirFiltersReadFurther) {
  const int most = Renderer::BandsFor(1920, 1080);
  EXPECT_EQ(Renderer::BandsFor(1920, 1080, 0), most);
  EXPECT_EQ(Renderer::BandsFor(1920, 1080, -1), 1);
  EXPECT_EQ(Renderer::BandsFor(300, 200, 10), 1);  // small frames stay in one band
  if (most <= 1) GTEST_SKIP() << "one render thread";
  const int near = Renderer::BandsFor(1920, 1080, 8), far = Renderer::BandsFor(1920, 1080, 200);
  EXPECT_GT(near, 1);
  EXPECT_LE(near, most);
  EXPECT_LE(far, near);
  EXPECT_EQ(Renderer::BandsFor(1920, 1080, 100000), 1);
}

TEST(RenderBands, SmallFramesStayInOneBandAndBandsHaveRowsToDraw) {
  std::vector<uint8_t> px(64 * 40 * 4);
  Renderer small({px.data(), 64, 40, 256}, Quality::High, nullptr, 8);
  EXPECT_EQ(small.bands(), 2);  // bands of 16 rows at least
  Renderer empty({nullptr, 0, 0, 0}, Quality::High, nullptr, 8);
  empty.Clear({0, 0, 0, 255});
  empty.Finish();
  EXPECT_EQ(Renderer::BandsFor(64, 40), 1);
}

// The pool hands out more bands than it has threads, each exactly once; a band that throws
// leaves the others to run, and its exception reaches the caller after all have ended.
TEST(RenderBands, ThePoolRunsEveryBandOnceAndPassesOnTheFirstError) {
  const int threads = RenderThreads();
  for (int count : {1, 2, threads, 2 * threads + 1, 64}) {
    std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
    RunBands(count, [&runs](int i) { runs[static_cast<size_t>(i)]++; });
    for (int i = 0; i < count; ++i) EXPECT_EQ(runs[static_cast<size_t>(i)], 1) << count << " bands";
  }
  std::atomic<int> ended{0};
  EXPECT_THROW(RunBands(3 * threads,
                        [&ended](int i) {
                          ++ended;
                          if (i % 5 == 2) throw std::runtime_error("band failed");
                        }),
               std::runtime_error);
  EXPECT_EQ(ended, 3 * threads);
  // The pool is free again: a frame in bands still draws.
  std::vector<uint8_t> px(64 * 64 * 4, 0);
  Renderer r({px.data(), 64, 64, 256}, Quality::High, nullptr, 4);
  r.Clear({0, 0, 255, 255});
  r.Finish();
  EXPECT_EQ(px[64 * 64 * 4 - 4], 255);
}

// Calls kept for the bands show only once the frame is finished, and the renderer can go on
// drawing after that.
TEST(RenderBands, KeptCallsAreDrawnByFinishAndDrawingGoesOn) {
  const int w = 64, h = 64;
  std::vector<uint8_t> px(w * h * 4, 0);
  Renderer r({px.data(), w, h, w * 4}, Quality::High, nullptr, 4);
  r.Clear({0, 0, 255, 255});
  EXPECT_EQ(px[0], 0);
  r.Finish();
  EXPECT_EQ(px[0], 255);                         // blue
  EXPECT_EQ(px[(h - 1) * w * 4 + 4 * 63], 255);  // in the last band too
  r.Clear({255, 0, 0, 255});
  r.Finish();
  EXPECT_EQ(px[2], 255);
  EXPECT_EQ(px[0], 0);
}

// The reference movies, run to the frame their picture shows, drawn at their own size and at a
// larger one in one band and in several.
TEST(RenderBands, ReferenceMoviesDrawTheSamePixelsInBands) {
  std::string data = lumitest::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "shared test data is absent";
  const fs::path movies = fs::path(data) / "swf-visual";
  if (!fs::exists(movies)) GTEST_SKIP() << "no swf-visual folder in the test data";
  int checked = 0;
  for (const auto& e : fs::directory_iterator(movies)) {
    const fs::path swf = e.path() / "test.swf";
    if (!fs::exists(swf)) continue;
    std::ifstream in(e.path() / "test.toml");
    std::stringstream toml;
    toml << in.rdbuf();
    std::smatch m;
    const std::string text = toml.str();
    int frames = 1;
    if (std::regex_search(text, m, std::regex(R"((num_frames|num_ticks)\s*=\s*(\d+))")))
      frames = std::stoi(m[2]);
    Player player;
    try {
      player.LoadFile(0, swf.string());
    } catch (const std::exception&) {
      continue;
    }
    for (int i = 0; i < frames; ++i) player.Tick();
    const RectTwips stage = player.StageRect();
    const int sw = std::max(1, (stage.xmax - stage.xmin) / 20),
              sh = std::max(1, (stage.ymax - stage.ymin) / 20);
    for (auto [w, h] : {std::pair{sw, sh}, std::pair{1280, 720}}) {
      auto draw = [&](int bands) {
        std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
        PaintStage(player, {px.data(), w, h, w * 4}, player.Background(), bands);
        return px;
      };
      const std::vector<uint8_t> one = draw(1);
      for (int bands : {3, 8}) {
        const std::vector<uint8_t> many = draw(bands);
        EXPECT_TRUE(one == many) << e.path().filename().string() << " at " << w << "x" << h
                                 << " in " << bands << " bands: " << FirstDifference(one, many, w);
      }
    }
    ++checked;
  }
  EXPECT_GT(checked, 40);
}

}  // namespace
