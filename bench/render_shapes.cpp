// Times the rasteriser on a frame (640x480 unless --size says) of 500 anti-aliased curved shapes
// (generated ellipses with solid, gradient and outlined styles, spread over the frame), drawn in
// one band, or in --bands N side by side (0: as many as the renderer picks for the size). Run by
// hand:
//   bench_render_shapes [--size WIDTH HEIGHT] [--bands N] [frames [OUT.raw]]
// OUT.raw receives the last frame's premultiplied B,G,R,A bytes, to compare renderer changes.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "platform/flash/format/shape.h"
#include "platform/flash/renderer/renderer.h"

namespace {

using namespace flash;

// An ellipse of radii rx, ry (twips) around the origin from eight quadratic curves.
ShapePath Ellipse(double rx, double ry) {
  ShapePath p;
  p.fill1 = 1;
  p.start_x = static_cast<int32_t>(rx);
  p.start_y = 0;
  const double k = 1 / std::cos(M_PI / 8);
  for (int i = 1; i <= 8; ++i) {
    double a1 = i * M_PI / 4, am = a1 - M_PI / 8;
    ShapeEdge e;
    e.curve = true;
    e.cx = static_cast<int32_t>(rx * k * std::cos(am));
    e.cy = static_cast<int32_t>(ry * k * std::sin(am));
    e.x = static_cast<int32_t>(rx * std::cos(a1));
    e.y = static_cast<int32_t>(ry * std::sin(a1));
    p.edges.push_back(e);
  }
  return p;
}

struct Placed {
  ShapeDef shape;
  Matrix matrix;
};

std::vector<Placed> Generate(int count, int width, int height) {
  std::mt19937 rng(42);
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  auto byte = [&]() { return static_cast<uint8_t>(rng() & 0xFF); };
  std::vector<Placed> out;
  for (int i = 0; i < count; ++i) {
    Placed p;
    ShapeGroup& g = p.shape.groups.emplace_back();
    FillStyle f;
    if (i % 4 == 3) {
      f.type = FillStyle::Type::RadialGradient;
      f.gradient.stops = {{0, {byte(), byte(), byte(), 255}}, {255, {byte(), byte(), byte(), 200}}};
      f.matrix.a = f.matrix.d = 1200 / 16384.0;
    } else {
      f.color = {byte(), byte(), byte(), static_cast<uint8_t>(128 + (rng() & 127))};
    }
    g.fill_styles.push_back(f);
    ShapePath path = Ellipse(uni(200, 1200), uni(200, 1200));
    if (i % 5 == 0) {
      LineStyle l;
      l.width = 40;
      l.color = {0, 0, 0, 255};
      g.line_styles.push_back(l);
      path.line = 1;
    }
    g.paths.push_back(path);
    double angle = uni(0, M_PI);
    p.matrix.a = std::cos(angle) / 20;
    p.matrix.b = std::sin(angle) / 20;
    p.matrix.c = -std::sin(angle) / 20;
    p.matrix.d = std::cos(angle) / 20;
    // Placed over the frame as over 640x480, and scaled with it.
    const double k = std::sqrt(static_cast<double>(width) * height / (640.0 * 480.0));
    p.matrix.a *= k;
    p.matrix.b *= k;
    p.matrix.c *= k;
    p.matrix.d *= k;
    p.matrix.tx = uni(0, 640) * width / 640;
    p.matrix.ty = uni(0, 480) * height / 480;
    out.push_back(std::move(p));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 640, height = 480, bands = 1;
  std::vector<const char*> rest;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 2 < argc) {
      width = std::max(16, std::atoi(argv[i + 1]));
      height = std::max(16, std::atoi(argv[i + 2]));
      i += 2;
    } else if (std::strcmp(argv[i], "--bands") == 0 && i + 1 < argc) {
      bands = std::max(0, std::atoi(argv[++i]));
    } else {
      rest.push_back(argv[i]);
    }
  }
  const int frames = !rest.empty() ? std::max(1, std::atoi(rest[0])) : 200;
  if (bands == 0) bands = Renderer::BandsFor(width, height);
  std::vector<Placed> shapes = Generate(500, width, height);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  double total = 0, best = 1e9;
  std::vector<double> times;
  for (int f = 0; f < frames + 5; ++f) {
    auto start = std::chrono::steady_clock::now();
    Renderer renderer({pixels.data(), width, height, width * 4}, Quality::High, nullptr, bands);
    renderer.Clear({255, 255, 255, 255});
    for (const Placed& p : shapes) renderer.DrawShape(p.shape, p.matrix, {});
    renderer.Finish();
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (f < 5) continue;  // warm-up
    total += ms;
    best = std::min(best, ms);
    times.push_back(ms);
  }
  if (rest.size() > 1) {
    if (FILE* f = std::fopen(rest[1], "wb")) {
      std::fwrite(pixels.data(), 1, pixels.size(), f);
      std::fclose(f);
    }
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "%dx%d, 500 anti-aliased shapes, %d band(s): mean %.2f ms, median %.2f ms, best %.2f ms per "
      "frame (%d frames)\n",
      width, height, bands, total / frames, times[times.size() / 2], best, frames);
  return 0;
}
