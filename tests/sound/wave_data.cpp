#include "tests/sound/wave_data.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace soundtest {

std::vector<int> Channel(const std::vector<uint8_t>& Data, int Bits, int Channels, int Ch) {
  std::vector<int> out;
  const size_t bytes = static_cast<size_t>(Bits / 8);
  const size_t frame = bytes * Channels;
  for (size_t i = 0; i + frame <= Data.size(); i += frame) {
    const uint8_t* p = Data.data() + i + Ch * bytes;
    out.push_back(Bits == 8 ? (p[0] - 128) * 256 : static_cast<int16_t>(p[0] | (p[1] << 8)));
  }
  return out;
}

double Frequency(const std::vector<int>& S, int Rate) {
  int crossings = 0;
  for (size_t i = 1; i < S.size(); ++i)
    if (S[i - 1] < 0 && S[i] >= 0) ++crossings;
  return S.empty() ? 0 : crossings * static_cast<double>(Rate) / S.size();
}

double Rms(const std::vector<int>& S, size_t From, size_t To) {
  To = std::min(To, S.size());
  if (From >= To) return 0;
  double sum = 0;
  for (size_t i = From; i < To; ++i) sum += static_cast<double>(S[i]) * S[i];
  return std::sqrt(sum / (To - From));
}

long FirstLoud(const std::vector<int>& S, int Threshold) {
  for (size_t i = 0; i < S.size(); ++i)
    if (std::abs(S[i]) > Threshold) return static_cast<long>(i);
  return -1;
}

bool MakeEncodedWave(const std::string& Path, const std::string& Codec, int Rate, int Channels,
                     double Seconds) {
  const std::string cmd =
      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
      "sine=frequency=1000:sample_rate=" +
      std::to_string(Rate) + ":duration=" + std::to_string(Seconds) + " -ac " +
      std::to_string(Channels) + " -ar " + std::to_string(Rate) + " -c:a " + Codec + " '" + Path +
      "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

std::vector<uint8_t> ReferenceDecode(const std::string& Path) {
  const std::string raw = Path + ".raw";
  const std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + Path +
                          "' -f s16le '" + raw + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  std::vector<uint8_t> out = ReadFileBytes(raw);
  std::remove(raw.c_str());
  return out;
}

std::vector<uint8_t> ReadFileBytes(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

bool ReadWaveChunks(const std::string& Path, WaveChunks& Out) {
  const std::vector<uint8_t> b = ReadFileBytes(Path);
  if (b.size() < 12) return false;
  auto u32 = [&](size_t o) {
    return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (static_cast<uint32_t>(b[o + 3]) << 24);
  };
  size_t pos = 12;
  while (pos + 8 <= b.size()) {
    const std::string id(reinterpret_cast<const char*>(&b[pos]), 4);
    const size_t size = std::min<size_t>(u32(pos + 4), b.size() - pos - 8);
    if (id == "fmt ") Out.fmt.assign(b.begin() + pos + 8, b.begin() + pos + 8 + size);
    if (id == "data") Out.data.assign(b.begin() + pos + 8, b.begin() + pos + 8 + size);
    pos += 8 + size + (size & 1);
  }
  return !Out.fmt.empty() && !Out.data.empty();
}

std::string TempPath(const std::string& Suffix) {
  static std::atomic<int> counter{0};
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/lumitest_" + std::to_string(getpid()) + "_" +
         std::to_string(counter++) + Suffix;
}

}  // namespace soundtest
