// Timing of the GIF writer, run by hand:
//   bench_gif_write [frames] [folder] [--no-ffmpeg]
// Makes FRAMES true-colour 640x480 frames (a gradient with moving shapes,
// like a rendered movie) one at a time, as a conversion does, and times
//   1. our writer as the GIF job uses it (each frame encoded when appended),
//      then EncodePendingFrames and SaveToFile, with the process's peak memory;
//   2. the ffmpeg command with per-frame palettes on the same frames as BMP
//      files (written while the frames are made);
//   3. LZW coding alone on 8-bit frames (MB of pixels per second).
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imaging/color_reduction.h"
#include "imaging/gif_image.h"
#include "imaging/gif_lzw.h"
#include "platform/classlib/bitmap.h"

using namespace lumicast;
using namespace classlib;

namespace {

double Seconds(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

long FileSize(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

std::unique_ptr<TBitmap> MakeFrame(int i) {
  const int w = 640, h = 480;
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(w, h);
  const double cx = 320 + 200 * std::cos(i * 0.1), cy = 240 + 150 * std::sin(i * 0.13);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < w; ++x) {
      int r = (x * 255) / w, g = (y * 255) / h, bl = ((x + y + 3 * i) * 255) / (w + h + 300);
      double dx = x - cx, dy = y - cy;
      if (dx * dx + dy * dy < 90 * 90) {
        r = 255 - r / 4;
        g = 40 + (i * 3) % 100;
        bl = 30;
      }
      if (((x + 2 * i) / 40 + y / 40) % 7 == 0) {
        r = 250;
        g = 250;
        bl = 250;
      }
      row[3 * x] = static_cast<uint8_t>(bl);
      row[3 * x + 1] = static_cast<uint8_t>(g);
      row[3 * x + 2] = static_cast<uint8_t>(r);
    }
  }
  return b;
}

// The peak resident memory of this process so far, in MB.
double PeakMB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 100;
  std::string dir = "/tmp/bench_gif_write";
  bool with_ffmpeg = true;
  for (int i = 1, positional = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--no-ffmpeg")
      with_ffmpeg = false;
    else if (positional++ == 0)
      count = std::max(1, std::atoi(argv[i]));
    else
      dir = a;
  }
  std::system(("mkdir -p " + dir).c_str());
  const double base_mb = PeakMB();

  // 1. Our writer, fed as the GIF job feeds it. Frames are made one at a time, so the peak is
  // the writer's (and one frame's).
  const std::string ours = dir + "/ours.gif";
  double t_ours = 0;
  {
    TGIFImage gif;
    gif.SetEncodeOnAppend(true);
    for (int i = 0; i < count; ++i) {
      auto frame = MakeFrame(i);
      if (with_ffmpeg) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame_%03d.bmp", i);
        frame->SaveToFile(dir + name);
      }
      const auto t0 = std::chrono::steady_clock::now();
      int k = gif.AppendFrame(frame.get());
      gif.FrameAt(k)->SetDisplayTime(100);
      t_ours += Seconds(t0);
    }
    const auto t0 = std::chrono::steady_clock::now();
    gif.SetLoopEnabled(true);
    gif.SetLoopCount(0);
    gif.SetScreenColor(clWhite);
    gif.EncodePendingFrames();
    gif.SaveToFile(ours);
    t_ours += Seconds(t0);
  }
  const double peak_mb = PeakMB();

  // 2. The ffmpeg command on the same frames.
  const std::string theirs = dir + "/ffmpeg.gif";
  const std::string cmd =
      "ffmpeg -loglevel error -y -framerate 10 -i " + dir +
      "/frame_%03d.bmp -filter_complex \"split[a][b];[a]palettegen=stats_mode=single[p];"
      "[b][p]paletteuse=new=1:dither=none\" " +
      theirs;
  auto t0 = std::chrono::steady_clock::now();
  int rc = with_ffmpeg ? std::system(cmd.c_str()) : -1;
  const double t_ffmpeg = Seconds(t0);

  std::printf("%d frames 640x480 true colour\n", count);
  std::printf("  ours:   %.3f s  %ld bytes  peak memory %.0f MB (%.0f MB before the frames)\n",
              t_ours, FileSize(ours), peak_mb, base_mb);
  if (!with_ffmpeg)
    std::printf("  ffmpeg: not run\n");
  else if (rc == 0)
    std::printf("  ffmpeg: %.3f s  %ld bytes\n", t_ffmpeg, FileSize(theirs));
  else
    std::printf("  ffmpeg: failed (%d)\n", rc);

  std::vector<std::unique_ptr<TBitmap>> frames;
  for (int i = 0; i < std::min(count, 20); ++i) frames.push_back(MakeFrame(i));
  // 3. LZW coding alone on reduced 8-bit frames.
  std::vector<std::vector<uint8_t>> indexed;
  const int lzw_frames = std::min(count, 20);
  for (int i = 0; i < lzw_frames; ++i) {
    auto bmp = ReduceBitmapTo8Bit(frames[i].get(), pf8bit, rmHistogram);
    const std::vector<uint8_t>& b = bmp->Bytes();
    indexed.emplace_back(b.begin() + 14 + 40 + 1024, b.end());
  }
  TBitmapInfoHeader h;
  h.biWidth = 640;
  h.biHeight = 480;
  h.biBitCount = 8;
  size_t coded = 0;
  const int rounds = 5;
  t0 = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r)
    for (auto& px : indexed) {
      std::vector<uint8_t> out;
      GIFEncodeLZW(out, h, false, nullptr, px.data());
      coded += out.size();
    }
  const double t_lzw = Seconds(t0);
  const double mb = rounds * lzw_frames * 640.0 * 480.0 / 1e6;
  std::printf("  LZW alone: %.1f MB of pixels in %.3f s = %.1f MB/s (%.2f bytes out per pixel)\n",
              mb, t_lzw, mb / t_lzw, coded / (mb * 1e6));

  // The worst case for the coder: every pixel random.
  {
    std::vector<uint8_t> noise(640 * 480);
    uint32_t seed = 12345;
    for (auto& v : noise) v = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < 20; ++r) {
      std::vector<uint8_t> out;
      GIFEncodeLZW(out, h, false, nullptr, noise.data());
    }
    const double mb_noise = 20 * 640.0 * 480.0 / 1e6;
    std::printf("  LZW alone on random pixels: %.1f MB/s\n", mb_noise / Seconds(t0));
  }

  // Reduction alone, for reference.
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < lzw_frames; ++i) ReduceBitmapTo8Bit(frames[i].get(), pf8bit, rmHistogram);
  std::printf("  reduction alone: %.1f ms per frame\n", Seconds(t0) * 1000 / lzw_frames);
  return 0;
}
