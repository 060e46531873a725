// Times filters: a blur of 16x16 at three passes over a 640x480 object, and a frame of 100
// shapes on a 640x480 stage drawn in a layer with a one-pass drop shadow; and a 640x480 frame
// of VP6 video decoded and drawn (from the test data's movie). Run by hand:
//   bench_effects_filters [repeats] [vp6 movie]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <vector>

#include "platform/flash/format/filters.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/player/player.h"
#include "platform/flash/renderer/filters.h"
#include "platform/flash/renderer/renderer.h"
#include "platform/flash/stage_painter.h"
#include "platform/flash/video/video_decoder.h"

namespace {

using namespace flash;
using Clock = std::chrono::steady_clock;

constexpr int kW = 640, kH = 480;

// A rectangle in whole pixels.
ShapeDef Rect(int x0, int y0, int x1, int y1, Rgba c) {
  return SolidRectangle(x0 * 20, y0 * 20, x1 * 20, y1 * 20, c);
}

double Millis(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::mt19937 rng(7);

  // Blur of a full 640x480 picture.
  FilterImage picture;
  picture.width = kW;
  picture.height = kH;
  picture.pixels.resize(static_cast<size_t>(kW) * kH);
  for (auto& p : picture.pixels) p = rng() | 0xFF000000u;
  Filter blur;
  blur.kind = Filter::Kind::Blur;
  blur.blur_x = blur.blur_y = 16;
  blur.passes = 3;
  double best_blur = 1e9;
  for (int i = 0; i < repeats; ++i) {
    FilterImage img = picture;
    auto t0 = Clock::now();
    ApplyFilter(img, blur, 1.0);
    best_blur = std::min(best_blur, Millis(t0, Clock::now()));
  }

  // A stage of 100 shapes in a layer with a drop shadow.
  std::vector<ShapeDef> shapes;
  std::uniform_int_distribution<int> pos(0, kW - 60), posy(0, kH - 60), size(10, 60), ch(0, 255);
  for (int i = 0; i < 100; ++i) {
    int x = pos(rng), y = posy(rng), s = size(rng);
    shapes.push_back(Rect(x, y, x + s, y + s,
                          {static_cast<uint8_t>(ch(rng)), static_cast<uint8_t>(ch(rng)),
                           static_cast<uint8_t>(ch(rng)), 255}));
  }
  Filter shadow;
  shadow.kind = Filter::Kind::DropShadow;
  shadow.blur_x = shadow.blur_y = 4;
  shadow.distance = 4;
  shadow.angle = 0.785;
  shadow.passes = 1;
  std::vector<uint8_t> pixels(static_cast<size_t>(kW) * kH * 4);
  Matrix m;
  m.a = m.d = 1.0 / 20;
  double best_frame = 1e9;
  for (int i = 0; i < repeats; ++i) {
    auto t0 = Clock::now();
    Renderer r({pixels.data(), kW, kH, kW * 4}, Quality::High, nullptr);
    r.Clear({255, 255, 255, 255});
    r.PushLayer();
    for (const ShapeDef& s : shapes) r.DrawShape(s, m, ColorTransform());
    r.PopLayer(kBlendNormal, {shadow}, 1.0);
    best_frame = std::min(best_frame, Millis(t0, Clock::now()));
  }
  std::printf("blur 16x16, 3 passes, 640x480: %.2f ms\n", best_blur);
  std::printf("frame of 100 shapes with a drop shadow, 640x480: %.2f ms\n", best_frame);

  // A VP6 key frame decoded by a fresh decoder, then the stage drawn with it.
  const char* movie = argc > 2 ? argv[2]
                               : "../shared/testdata/swf-visual/video-colorconversion-vp6/test.swf";
  try {
    Player player;
    player.LoadFile(0, movie);
    player.Tick();
    std::shared_ptr<const VideoDef> video;
    for (const auto& [id, def] : player.Movie(0)->dictionary)
      if (def && def->kind == CharacterDef::Kind::Video)
        video = std::static_pointer_cast<const VideoDef>(def);
    if (!video) throw std::runtime_error("no video stream");
    const int w = video->width, h = video->height;
    std::vector<uint8_t> stage(static_cast<size_t>(w) * h * 4);
    double best_decode = 1e9, best_draw = 1e9;
    for (int i = 0; i < repeats; ++i) {
      auto t0 = Clock::now();
      VideoDecoder decoder(video);
      if (!decoder.Frame(0)) throw std::runtime_error("the frame does not decode");
      auto t1 = Clock::now();
      PaintStage(player, {stage.data(), w, h, w * 4}, {255, 255, 255, 255});
      auto t2 = Clock::now();
      best_decode = std::min(best_decode, Millis(t0, t1));
      best_draw = std::min(best_draw, Millis(t1, t2));
    }
    std::printf("VP6 %dx%d frame: decode %.2f ms + draw %.2f ms = %.2f ms\n", w, h, best_decode,
                best_draw, best_decode + best_draw);
  } catch (const std::exception& e) {
    std::printf("VP6 frame: skipped (%s: %s)\n", movie, e.what());
  }
  return 0;
}
