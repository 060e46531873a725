// Encoding speed: 300 synthetic 640x480 frames through MclConvert, to MJPEG
// AVI and to DVD-PAL MPEG, side by side with the ffmpeg command encoding the
// same raw frames with the same codec settings; then the peak memory of a
// short and a ten times longer conversion whose sound track ends early
// (the longer one must not need more). Run by hand:
//   build/bench/bench_encoder_convert [runs]
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/encoder/image.h"
#include "platform/encoder/mcl.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kFrames = 300, kDistinct = 50;

// Moving gradients and a moving box: enough motion for the MPEG encoder.
std::vector<std::vector<uint8_t>> MakeFrames() {
  std::vector<std::vector<uint8_t>> frames(kDistinct);
  for (int f = 0; f < kDistinct; ++f) {
    std::vector<uint8_t>& px = frames[f];
    px.resize(size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        uint8_t* p = &px[(size_t(y) * kWidth + x) * 3];
        const bool box = std::abs(x - 100 - f * 8) < 60 && std::abs(y - 240) < 60;
        p[0] = box ? 255 : uint8_t(x + f * 3);
        p[1] = box ? 40 : uint8_t(y * 2 - f);
        p[2] = box ? 40 : uint8_t((x ^ y) + f);
      }
  }
  return frames;
}

struct Source {
  const std::vector<std::vector<uint8_t>>* frames;
  MclHandle image;
  int next = 0;
  int count = kFrames;
  static void Callback(MclHandle source, void* user) {
    auto* s = static_cast<Source*>(user);
    if (s->next >= s->count) {
      MclSourceFinished(source);
      return;
    }
    const std::vector<uint8_t>& px = (*s->frames)[size_t(s->next++ % kDistinct)];
    mcl::SetImagePixels(s->image, kWidth, kHeight, 24, px.data(), kWidth * 3);
    MclSourceSetImage(source, s->image);
    MclSourceSetFrameRate(source, 25.0);
  }
};

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double RunLibrary(bool mpeg, const std::vector<std::vector<uint8_t>>& frames,
                  const std::string& out) {
  MclHandle job = MclCreate();
  if (mpeg) {
    MclSetFormatPreset(job, kMclPresetDvd, kMclPal);
    MclVideoSetAspectRatio(job, kMclAspect4x3);
  } else {
    MclVideoSetFileFormat(job, kMclFormatAvi);
    MclVideoSetCodec(job, 0x47504A4D);  // MJPG
    MclVideoSetFormat(job, kWidth, kHeight, 24);
    MclVideoSetFrameRate(job, 25.0);
    MclVideoSetQuality(job, 75.0);
  }
  MclVideoSetKeepDuration(job, -1);
  MclVideoSetFileName(job, out.c_str());
  Source src{&frames, MclImgCreate()};
  MclAssignVideoSource(job, &Source::Callback, &src);
  const auto t0 = std::chrono::steady_clock::now();
  const int32_t r = MclConvert(job);
  const double s = Seconds(t0);
  if (r != kMclOk) std::fprintf(stderr, "MclConvert returned %d\n", r);
  MclImgFree(src.image);
  MclFree(job);
  return s;
}

// One second of silence as the sound track.
void SilenceSource(MclHandle source, void* user) {
  int& asked = *static_cast<int*>(user);
  if (asked++ == 0)
    MclSourceSetSamples(source, nullptr, 100, 100, 1, 8);
  else
    MclSourceFinished(source);
}

// Peak resident memory (MB) after an MJPEG AVI conversion of `count` frames
// with a sound track of one second.
long PeakAfterLongRun(int count, const std::vector<std::vector<uint8_t>>& frames,
                      const std::string& out) {
  MclHandle job = MclCreate();
  MclVideoSetFileFormat(job, kMclFormatAvi);
  MclVideoSetCodec(job, 0x47504A4D);  // MJPG
  MclVideoSetFormat(job, kWidth, kHeight, 24);
  MclVideoSetFrameRate(job, 25.0);
  MclVideoSetFileName(job, out.c_str());
  MclAudioSetFileName(job, out.c_str());
  Source src{&frames, MclImgCreate(), 0, count};
  int asked = 0;
  MclAssignVideoSource(job, &Source::Callback, &src);
  MclAssignAudioSource(job, &SilenceSource, &asked);
  if (MclConvert(job) != kMclOk) std::fprintf(stderr, "long conversion failed\n");
  MclImgFree(src.image);
  MclFree(job);
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024;
}

double RunCommand(bool mpeg, const std::string& raw, const std::string& out) {
  // Quality 75 is quantiser 9 for MJPEG; the DVD preset adds two B-frames.
  const std::string input = "-f rawvideo -pix_fmt bgr24 -s 640x480 -r 25 -i " + raw;
  const std::string codec =
      mpeg ? "-target pal-dvd -aspect 4:3 -bf 2 -an" : "-c:v mjpeg -q:v 9 -pix_fmt yuvj420p";
  const std::string cmd = "ffmpeg -nostdin -v error -y " + input + " " + codec + " " + out;
  const auto t0 = std::chrono::steady_clock::now();
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "ffmpeg failed: %s\n", cmd.c_str());
  return Seconds(t0);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string dir = "/dev/shm/encoder_bench_" + std::to_string(getpid());
  mkdir(dir.c_str(), 0700);
  const auto frames = MakeFrames();
  // The command reads the same frames from a file in memory.
  const std::string raw = dir + "/frames.bgr";
  FILE* f = std::fopen(raw.c_str(), "wb");
  if (!f) return 1;
  for (int i = 0; i < kFrames; ++i)
    std::fwrite(frames[size_t(i % kDistinct)].data(), 1, frames[0].size(), f);
  std::fclose(f);

  for (bool mpeg : {false, true}) {
    std::vector<double> lib, cmd;
    const std::string ext = mpeg ? ".mpg" : ".avi";
    for (int i = 0; i < runs; ++i) {  // alternate so both see the same machine load
      lib.push_back(RunLibrary(mpeg, frames, dir + "/lib" + ext));
      cmd.push_back(RunCommand(mpeg, raw, dir + "/cmd" + ext));
    }
    std::sort(lib.begin(), lib.end());
    std::sort(cmd.begin(), cmd.end());
    const double l = lib[lib.size() / 2], c = cmd[cmd.size() / 2];
    struct stat a {
    }, b{};
    stat((dir + "/lib" + ext).c_str(), &a);
    stat((dir + "/cmd" + ext).c_str(), &b);
    std::printf("%-14s library %.3f s (%lld bytes)  ffmpeg %.3f s (%lld bytes)  ratio %.3f\n",
                mpeg ? "DVD-PAL MPEG" : "MJPEG AVI", l, (long long)a.st_size, c,
                (long long)b.st_size, l / c);
  }
  const long shortPeak = PeakAfterLongRun(kFrames, frames, dir + "/long.avi");
  const long longPeak = PeakAfterLongRun(kFrames * 10, frames, dir + "/long.avi");
  std::printf("peak memory    %d frames %ld MB, %d frames %ld MB\n", kFrames, shortPeak,
              kFrames * 10, longPeak);
  for (const char* n : {"/long.avi", "/frames.bgr", "/lib.avi", "/cmd.avi", "/lib.mpg", "/cmd.mpg"})
    unlink((dir + n).c_str());
  rmdir(dir.c_str());
  return 0;
}
