// Timing of the movie file reader, run by hand:
//   1. classify and read the headers of 1,000 plain movies and 1,000 projectors of 1 MB each
//      (target: under 0.5 s; the files are sparse, so only the bytes read matter);
//   2. read the header of compressed movies against inflating the same bodies alone
//      (target: within 1.2 times), with the peak memory before and after.
// Usage: bench_movie_headers [folder]   (default: a new folder in the temporary folder)
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/movie_file.h"

using namespace lumicast;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<uint8_t> Header(bool compressed, uint32_t length) {
  // 550x400 (N = 15), 24 fps, 100 frames.
  std::vector<uint8_t> h = {uint8_t(compressed ? 'C' : 'F'), 'W', 'S', 10};
  for (int i = 0; i < 4; ++i) h.push_back(uint8_t(length >> (8 * i)));
  return h;
}

std::vector<uint8_t> Body() {
  return {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00, 0x00, 0x18, 0x64, 0x00};
}

void WriteSparse(const std::string& path, const std::vector<uint8_t>& head, size_t size,
                 const std::vector<uint8_t>& tail) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
  f.close();
  std::filesystem::resize_file(path, size - tail.size());
  std::ofstream g(path, std::ios::binary | std::ios::app);
  g.write(reinterpret_cast<const char*>(tail.data()), std::streamsize(tail.size()));
}

long PeakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

double Seconds(Clock::time_point a) {
  return std::chrono::duration<double>(Clock::now() - a).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  if (argc > 1) {
    dir = argv[1];
  } else {
    std::string t = GetTempDirectory() + "movie_headers_XXXXXX";
    std::vector<char> b(t.begin(), t.end());
    b.push_back(0);
    if (mkdtemp(b.data()) == nullptr) return 1;
    dir = b.data();
  }
  const size_t kFileSize = 1 << 20;
  const int kFiles = 1000;

  std::vector<std::string> files;
  for (int i = 0; i < kFiles; ++i) {
    std::vector<uint8_t> head = Header(false, uint32_t(kFileSize));
    auto body = Body();
    head.insert(head.end(), body.begin(), body.end());
    files.push_back(dir + "/m" + std::to_string(i) + ".swf");
    WriteSparse(files.back(), head, kFileSize, {});

    // Projector: a stub, then a 64 KB movie and the trailer at the end.
    uint32_t len = 65536;
    std::vector<uint8_t> tail = Header(false, len);
    tail.insert(tail.end(), body.begin(), body.end());
    tail.resize(len, 0);
    for (uint32_t v : {kProjectorMarker, len})
      for (int k = 0; k < 4; ++k) tail.push_back(uint8_t(v >> (8 * k)));
    files.push_back(dir + "/p" + std::to_string(i) + ".exe");
    WriteSparse(files.back(), {'M', 'Z'}, kFileSize, tail);
  }

  auto t0 = Clock::now();
  int ok = 0;
  for (const auto& f : files) {
    TSwfHeader h;
    if (GetSwfFileKind(f) != sfkUnknown && !ReadSwfHeader(f, h) && h.Width == 550) ++ok;
  }
  double headers = Seconds(t0);
  std::printf("plain and projector headers: %d of %zu read in %.3f s (target < 0.5 s)\n", ok,
              files.size(), headers);

  // Compressed movies: a 64 MB body of mixed data, compressed.
  std::mt19937 rng(1);
  std::vector<uint8_t> body = Body();
  body.resize(64u << 20);
  for (size_t i = 13; i < body.size(); ++i) body[i] = uint8_t(rng() % 16);
  uLongf zlen = compressBound(uLong(body.size()));
  std::vector<uint8_t> z(zlen);
  compress(z.data(), &zlen, body.data(), uLong(body.size()));
  z.resize(zlen);
  std::vector<uint8_t> movie = Header(true, uint32_t(8 + body.size()));
  movie.insert(movie.end(), z.begin(), z.end());
  std::string cws = dir + "/c.swf";
  {
    std::ofstream f(cws, std::ios::binary);
    f.write(reinterpret_cast<const char*>(movie.data()), std::streamsize(movie.size()));
  }
  body.clear();
  body.shrink_to_fit();
  z.clear();
  z.shrink_to_fit();
  movie.clear();
  movie.shrink_to_fit();

  const int kRounds = 5;
  // Inflating the body alone: the file read in 64 KB pieces, into one 64 KB buffer.
  auto t1 = Clock::now();
  for (int r = 0; r < kRounds; ++r) {
    std::ifstream f(cws, std::ios::binary);
    f.seekg(8);
    z_stream s{};
    inflateInit(&s);
    std::vector<unsigned char> in(65536), out(65536);
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
      if (s.avail_in == 0) {
        f.read(reinterpret_cast<char*>(in.data()), std::streamsize(in.size()));
        s.next_in = in.data();
        s.avail_in = uInt(f.gcount());
        if (s.avail_in == 0) break;
      }
      s.next_out = out.data();
      s.avail_out = uInt(out.size());
      rc = inflate(&s, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END) break;
    }
    inflateEnd(&s);
  }
  double alone = Seconds(t1) / kRounds;

  long peak_before = PeakKb();
  auto t2 = Clock::now();
  bool good = true;
  for (int r = 0; r < kRounds; ++r) {
    TSwfHeader h;
    good = good && !ReadSwfHeader(cws, h) && h.FrameCount == 100;
  }
  double reader = Seconds(t2) / kRounds;
  long peak_after = PeakKb();
  std::printf(
      "compressed 64 MB body: reader %.3f s, inflate alone %.3f s, ratio %.2f (target <= 1.2), "
      "%s\n",
      reader, alone, reader / alone, good ? "read" : "FAILED");
  std::printf("peak memory: %ld KB before the reads, %ld KB after\n", peak_before, peak_after);

  if (argc <= 1) std::filesystem::remove_all(dir);
  return ok == int(files.size()) && good ? 0 : 1;
}
