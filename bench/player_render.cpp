// Rendering speed of the player, by hand: a generated movie of 500 anti-aliased curved shapes
// (640x480, or the given size), and every reference movie of the folder, each in a fresh player,
// at twice its stage size or at the given size.
//   bench_player_render [--size WIDTH HEIGHT] [--rounds N] [--movies-only] [REFERENCE_FOLDER]
// --rounds sets how often each movie's frame is drawn (10), --movies-only leaves out the shapes
// (both for a profiler).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <filesystem>
#include <random>
#include <vector>

#include "platform/flash/format/errors.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/stage_painter.h"

namespace {

double MsPerFrame(flash::Player& p, int w, int h, int rounds) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  flash::RenderTarget t{px.data(), w, h, w * 4};
  flash::PaintStage(p, t, p.Background());
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) flash::PaintStage(p, t, p.Background());
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
             .count() /
         rounds;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 0, height = 0;
  int rounds = 10;
  bool movies_only = false;
  const char* folder = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--size" && i + 2 < argc) {
      width = std::max(1, std::atoi(argv[++i]));
      height = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--movies-only") {
      movies_only = true;
    } else if (folder == nullptr && a.rfind("--", 0) != 0) {
      folder = argv[i];
    } else {
      std::fprintf(
          stderr,
          "usage: %s [--size WIDTH HEIGHT] [--rounds N] [--movies-only] [REFERENCE_FOLDER]\n",
          argv[0]);
      return 2;
    }
  }
  const int shapesW = width > 0 ? width : 640, shapesH = height > 0 ? height : 480;
  flash::SwfWriter w(8, 640, 480, 24);
  std::mt19937 rng(7);
  for (int i = 0; i < 500; ++i) {
    flash::ShapeBuilder s;
    int fill = s.AddFill(
        flash::FillStyleSpec::Solid({static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                                     static_cast<uint8_t>(rng()), 200}));
    int x = static_cast<int>(rng() % 12000), y = static_cast<int>(rng() % 9000),
        r = 200 + static_cast<int>(rng() % 1200);
    s.SetStyle(0, fill, 0);
    s.MoveTo(x - r, y);
    s.CurveTo(x - r, y - r, x, y - r);
    s.CurveTo(x + r, y - r, x + r, y);
    s.CurveTo(x + r, y + r, x, y + r);
    s.CurveTo(x - r, y + r, x - r, y);
    w.DefineShape(static_cast<uint16_t>(i + 1), s);
    flash::PlaceSpec p;
    p.depth = static_cast<uint16_t>(i + 1);
    p.character_id = i + 1;
    w.Place(p);
  }
  w.ShowFrame();
  flash::Player player;
  player.LoadBytes(0, w.Finish(false));
  if (!movies_only) {
    std::printf("500 curved shapes, %dx%d, high quality: %.2f ms/frame\n", shapesW, shapesH,
                MsPerFrame(player, shapesW, shapesH, 50));
    player.quality = flash::Quality::Low;
    std::printf("500 curved shapes, %dx%d, low quality:  %.2f ms/frame\n", shapesW, shapesH,
                MsPerFrame(player, shapesW, shapesH, 50));
  }

  if (folder == nullptr) return 0;
  // What a frame of that size costs to copy once (both buffers touched before), the unit the
  // movies' times are also given in.
  auto copyMs = [](int w, int h) {
    std::vector<uint8_t> a(static_cast<size_t>(w) * h * 4, 1), b(a.size(), 2);
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      std::memcpy(b.data(), a.data(), a.size());
      times.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
      a[static_cast<size_t>(i)] = b[a.size() - 1 - static_cast<size_t>(i)];
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  };
  std::vector<double> copies;
  std::vector<std::filesystem::path> movies;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    movies.push_back(entry.path());
  std::sort(movies.begin(), movies.end());
  for (const auto& path : movies) {
    auto swf = path / "test.swf";
    if (!std::filesystem::exists(swf)) continue;
    flash::Player p;
    try {
      p.LoadFile(0, swf.string());
    } catch (const flash::FormatError&) {
      continue;
    }
    p.Tick();
    auto r = p.StageRect();
    int sw = std::max(1, (r.xmax - r.xmin) / 10), sh = std::max(1, (r.ymax - r.ymin) / 10);
    if (width > 0) {
      sw = width;
      sh = height;
    }
    double ms = MsPerFrame(p, sw, sh, rounds);
    const double copy = copyMs(sw, sh);
    copies.push_back(copy > 0 ? ms / copy : 0.0);
    std::printf("%-60s %4dx%-4d %8.1f fps %7.1f x copy\n", path.filename().c_str(), sw, sh,
                ms > 0 ? 1000.0 / ms : 0.0, copies.back());
  }
  if (!copies.empty()) {
    std::vector<double> sorted = copies;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%zu movies: median %.1f, worst %.1f times a frame copy\n", sorted.size(),
                sorted[sorted.size() / 2], sorted.back());
  }
  return 0;
}
