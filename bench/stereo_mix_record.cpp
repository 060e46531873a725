// Cost of recording the playback mix in real time, by hand: CPU share of one
// core and memory while "Stereo Mix" (44100/16/2) is recorded for a minute to
// a WAVE file and for a minute to MP3, and of an idle mix thread.
//   bench_stereo_mix_record [SECONDS]   (default 60)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "audio/mp3_encoder.h"
#include "bench/plugin_path.h"
#include "audio/pipes.h"
#include "platform/sound/playback_mix.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

long RssKb() {
  std::ifstream f("/proc/self/statm");
  long pages = 0, rss = 0;
  f >> pages >> rss;
  return rss * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs for Seconds; reports CPU share and memory after 1 s and at the end.
void Measure(const char* what, int seconds) {
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const long rss1 = RssKb();
  const double cpu0 = CpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds - 1));
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%-22s CPU %.2f %% of one core, memory %ld KB after 1 s, %ld KB at the end\n", what,
              100.0 * (CpuSeconds() - cpu0) / wall, rss1, RssKb());
}

}  // namespace

int main(int argc, char** argv) {
  setenv("LUMICAST_SOUND", "none", 0);  // no sound card needed
  const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 60;
  // An idle mix: the thread runs with a producer that has nothing to play.
  const int silent = sound::MixAddProducer([](int16_t*, int) {});
  Measure("idle mix thread", std::min(seconds, 10));
  sound::MixRemoveProducer(silent);

  long frame = 0;
  const int producer = sound::MixAddProducer([&frame](int16_t* out, int frames) {
    for (int i = 0; i < frames; ++i, ++frame) {
      const auto v = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440.0 * frame / 44100));
      out[2 * i] = out[2 * i + 1] = v;
    }
  });

  const std::string wav = "/tmp/bench_stereo_mix.wav";
  {
    lumicast::TunavclWaveInDevice waveIn;
    lumicast::TunavclWaveRiff waveRiff;
    waveRiff.setIsInput(false);
    waveRiff.setFileName(wav);
    waveIn.setConsumer(&waveRiff);
    waveIn.setMinActiveTime(0);
    waveIn.open();
    Measure("Stereo Mix to WAVE", seconds);
    waveIn.close();
  }
  std::remove(wav.c_str());

  {
    lumicast::unaLameMp3Enc enc(DefaultPlugin());
    lumicast::mp3EncoderConfig c;
    c.set32(0, 256);
    c.set32(8, 331);
    c.set32(12, 44100);
    c.set32(20, 1);
    c.set32(24, 128);
    c.set32(28, 128);
    enc.applyConfiguration(c);
    const std::string mp3 = "/tmp/bench_stereo_mix.mp3";
    enc.onDataAvailable = [&mp3](lumicast::unaAbstractEncoder*, const void* data, size_t size,
                                 bool&) { lumicast::saveBytesToFile(mp3, data, size, 2, 0); };
    enc.open();
    lumicast::TunavclWaveInDevice waveIn;
    waveIn.onDataAvailable = [&enc](lumicast::unavclInOutPipe*, const void* data, size_t len) {
      enc.queueForEncoding(data, len);
    };
    waveIn.open();
    waveIn.inputDevice()->replaceStream(false, nullptr, false);
    Measure("Stereo Mix to MP3", seconds);
    waveIn.close();
    enc.close();
    std::remove(mp3.c_str());
  }
  sound::MixRemoveProducer(producer);
  return 0;
}
