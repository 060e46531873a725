// Sizes and times of the GIF optimiser, run by hand:
//   bench_gif_optimize [folder]
//   bench_gif_optimize folder job [frames]
// Writes three 100-frame 320x240 animations at 12 frames per second the way a GIF job writes
// them (true-colour frames through the GIF writer): "ball" (an anti-aliased disc on a moving
// path over a gradient), "ui" (a still window with a growing progress bar, a blinking caret and
// a spinner) and "flash" (a flat ground with four moving anti-aliased shapes, one changing
// colour). For each it times loading alone (MB of pixels per second) and load + Optimize(0x1F)
// + save with and without the size passes, and leaves NAME.gif, NAME-steps.gif and
// NAME-passes.gif in the folder for comparison with other tools.
// The "job" form does the GIF output window's work on FRAMES (default 300)
// 640x480 "ball" frames: encode and save, load, optimise, save; it prints the
// time and the peak memory beside the frames' 24-bit bytes.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/stream.h"

using namespace lumicast;
using namespace classlib;

namespace {

int kW = 320, kH = 240, kFrames = 100;

double Seconds(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

uint32_t Mix(uint32_t A, uint32_t B, double T) {
  auto ch = [&](int s) {
    return static_cast<uint32_t>(std::lround(((A >> s) & 255) * (1 - T) + ((B >> s) & 255) * T))
           << s;
  };
  return ch(16) | ch(8) | ch(0);
}

// Coverage of a disc of radius R at (Cx, Cy) over pixel (X, Y), 0..1.
double Disc(double X, double Y, double Cx, double Cy, double R) {
  const double d = std::hypot(X + 0.5 - Cx, Y + 0.5 - Cy);
  return std::clamp(R - d + 0.5, 0.0, 1.0);
}

uint32_t Pixel(const std::string& Scene, int K, int X, int Y) {
  if (Scene == "ball") {
    const uint32_t ground = (uint32_t(X * 255 / kW) << 16) | (uint32_t(Y * 255 / kH) << 8) | 96;
    const double cx = kW / 2 + 110 * std::sin(K * 0.21), cy = kH / 2 + 80 * std::sin(K * 0.33);
    return Mix(ground, 0xF0E020, Disc(X, Y, cx, cy, 22));
  }
  if (Scene == "ui") {
    uint32_t c = 0xECECEC;
    if (Y < 24) c = 0x2050A0;
    if (X > 20 && X < 300 && Y > 180 && Y < 196)
      c = X - 20 < K * 280 / kFrames ? 0x30A040 : 0xFFFFFF;
    if (X == 60 && Y > 80 && Y < 96 && (K / 6) % 2 == 0) c = 0;
    const double a = K * 0.5;
    const double spin = Disc(X, Y, 260 + 12 * std::cos(a), 100 + 12 * std::sin(a), 4);
    return Mix(c, 0x404040, spin);
  }
  uint32_t c = 0x2080C0;
  const double t = K * 0.1;
  c = Mix(c, 0xFFFFFF, Disc(X, Y, 60 + 40 * std::cos(t), 60 + 30 * std::sin(t), 18));
  c = Mix(c, 0xE04020, Disc(X, Y, 250 - 60 * std::sin(t), 70, 25));
  c = Mix(c, 0x20C040, Disc(X, Y, 160, 180 - 40 * std::cos(t * 1.3), 20));
  c = Mix(c, K % 20 < 10 ? 0xF0F000 : 0x8000F0, Disc(X, Y, 80 + K * 1.5, 200, 15));
  return c;
}

void FillGif(TGIFImage& gif, const std::string& Scene) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(kW, kH);
  for (int k = 0; k < kFrames; ++k) {
    for (int y = 0; y < kH; ++y) {
      uint8_t* row = bmp.ScanLine(y);
      for (int x = 0; x < kW; ++x) {
        const uint32_t c = Pixel(Scene, k, x, y);
        row[3 * x] = c & 255;
        row[3 * x + 1] = (c >> 8) & 255;
        row[3 * x + 2] = (c >> 16) & 255;
      }
    }
    const int i = gif.AppendFrame(&bmp);
    gif.FrameAt(i)->SetDisplayTime(83);
  }
  gif.SetLoopEnabled(true);
  gif.SetLoopCount(0);
}

std::vector<uint8_t> JobGif(const std::string& Scene) {
  TGIFImage gif;
  FillGif(gif, Scene);
  TMemoryStream m;
  gif.SaveToStream(&m);
  return std::vector<uint8_t>(m.Memory(), m.Memory() + m.Size());
}

void WriteFile(const std::string& Path, TMemoryStream& M) {
  if (FILE* f = std::fopen(Path.c_str(), "wb")) {
    std::fwrite(M.Memory(), 1, static_cast<size_t>(M.Size()), f);
    std::fclose(f);
  }
}

}  // namespace

int JobWindow(const std::string& Folder, int Frames) {
  kW = 640;
  kH = 480;
  kFrames = Frames;
  gifex::GIFSizePasses = true;
  const auto t0 = std::chrono::steady_clock::now();
  TGIFImage gif;
  FillGif(gif, "ball");
  const double gathered = Seconds(t0);
  const auto t1 = std::chrono::steady_clock::now();
  const std::string path = Folder + "/job.gif";
  gif.EncodePendingFrames();
  gif.SaveToFile(path);
  const double saved = Seconds(t1);
  rusage after_save{};
  getrusage(RUSAGE_SELF, &after_save);
  std::printf("peak after gathering, encoding and saving: %.0f MB\n",
              after_save.ru_maxrss / 1024.0);
  const auto t2 = std::chrono::steady_clock::now();
  TGIFImageEx opt;
  opt.LoadFromFile(path);
  opt.Optimize(0x1F, 0, 0, 8);
  opt.SaveToFile(path);
  const double optimised = Seconds(t2);
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  const double frames_mb = double(kW) * kH * 3 * Frames / 1e6;
  std::printf("frames %d: gathered %.2f s, encoded and saved %.2f s, optimised and saved %.2f s\n",
              Frames, gathered, saved, optimised);
  std::printf("peak memory %.0f MB; frames' 24-bit bytes %.0f MB (limit 1.3 x + 150 = %.0f MB)\n",
              use.ru_maxrss / 1024.0, frames_mb, 1.3 * frames_mb + 150);
  return 0;
}

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  if (argc > 2 && std::string(argv[2]) == "job")
    return JobWindow(folder, argc > 3 ? std::atoi(argv[3]) : 300);
  std::printf("%-6s %10s %10s %10s %8s %8s %9s\n", "file", "input", "steps", "passes", "t_steps",
              "t_passes", "load MB/s");
  for (const std::string scene : {"ball", "ui", "flash"}) {
    const std::vector<uint8_t> input = JobGif(scene);
    TMemoryStream in;
    in.Write(input.data(), static_cast<int64_t>(input.size()));
    WriteFile(folder + "/" + scene + ".gif", in);
    double load_rate = 0;
    {
      in.SetPosition(0);
      TGIFImageEx g;
      const auto t0 = std::chrono::steady_clock::now();
      g.LoadFromStream(&in);
      load_rate = double(kW) * kH * kFrames / 1e6 / Seconds(t0);
    }
    size_t sizes[2];
    double times[2];
    for (int passes = 0; passes <= 1; ++passes) {
      gifex::GIFSizePasses = passes != 0;
      in.SetPosition(0);
      const auto t0 = std::chrono::steady_clock::now();
      TGIFImageEx g;
      g.LoadFromStream(&in);
      g.Optimize(0x1F, 0, 0, 8);
      TMemoryStream out;
      g.SaveToStream(&out);
      times[passes] = Seconds(t0);
      sizes[passes] = static_cast<size_t>(out.Size());
      WriteFile(folder + "/" + scene + (passes ? "-passes.gif" : "-steps.gif"), out);
    }
    std::printf("%-6s %10zu %10zu %10zu %8.2f %8.2f %9.1f\n", scene.c_str(), input.size(), sizes[0],
                sizes[1], times[0], times[1], load_rate);
  }
  return 0;
}
