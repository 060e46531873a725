// Times video played from a file: each frame of an FLV decoded and made into a picture in order,
// a jump back to the start, and the displacement map filter over a 640x480 picture. Run by hand
// from the repository's folder:
//   bench_netstream_playback [FILE.flv]
// (by default the test video of the shared test data).
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench/median_time.h"
#include "platform/flash/renderer/displacement.h"
#include "platform/flash/video/flv_stream.h"

int main(int argc, char** argv) {
  const std::string path =
      argc > 1 ? argv[1] : "../shared/testdata/avm1-script/netstream_seek_flv/test_video.flv";
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  auto open = [&bytes]() { return flash::FlvStream::Open(bytes.str()); };
  auto stream = open();
  if (!stream) {
    std::fprintf(stderr, "cannot read %s as a video file\n", path.c_str());
    return 1;
  }
  const size_t frames = stream->FrameCount();
  const double opening = benchutil::MedianMs(5, [&] { open(); });
  // Every frame in order, at its own time: one decode each.
  const double step = stream->Duration() / static_cast<double>(frames);
  const double all = benchutil::MedianMs(5, [&] {
    auto s = open();
    for (size_t i = 0; i < frames; ++i) s->PictureAt(static_cast<double>(i) * step);
  });
  const double back = benchutil::MedianMs(9, [&] {
    stream->PictureAt(stream->Duration());
    stream->PictureAt(step * 0.5);
  });

  flash::FilterImage picture;
  picture.width = 640;
  picture.height = 480;
  std::mt19937 rng(3);
  picture.pixels.resize(640u * 480u);
  for (auto& p : picture.pixels) p = rng() | 0xFF000000u;
  std::vector<uint32_t> map(640u * 480u);
  for (auto& p : map) p = rng();
  flash::DisplacementMap d;
  d.map = map.data();
  d.map_width = 640;
  d.map_height = 480;
  d.component_x = 1;
  d.component_y = 2;
  d.scale_x = d.scale_y = 20;
  const double displace = benchutil::MedianMs(9, [&] {
    flash::FilterImage img = picture;
    flash::ApplyDisplacementMap(img, d);
  });

  std::printf("%s: %zu frames of %dx%d\n", path.c_str(), frames, stream->Width(), stream->Height());
  std::printf("open (demux all frames): %.2f ms\n", opening);
  std::printf("decode in order: %.3f ms a frame\n", (all - opening) / static_cast<double>(frames));
  std::printf("jump to the end and back to the start: %.2f ms\n", back);
  std::printf("displacement map 640x480: %.2f ms\n", displace);
  return 0;
}
