// MP3 encoding speed, by hand: 60 s of 44100 Hz stereo through the encoder's
// queue, its lazy-write thread and the plug-in, at 128 and 320 kbit/s.
//   bench_audio_mp3_encode [PLUGIN]   (default: mp3enc.so beside the program)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/mp3_encoder.h"
#include "bench/plugin_path.h"

int main(int argc, char** argv) {
  std::string plugin = argc > 1 ? argv[1] : DefaultPlugin();
  const int rate = 44100, seconds = 60;
  std::vector<int16_t> pcm(static_cast<size_t>(rate) * seconds * 2);
  for (size_t i = 0; i < pcm.size() / 2; ++i) {
    const auto v = static_cast<int16_t>(9000 * std::sin(2 * M_PI * 440.0 * i / rate) +
                                        3000 * std::sin(2 * M_PI * 3100.0 * i / rate));
    pcm[2 * i] = v;
    pcm[2 * i + 1] = static_cast<int16_t>(-v);
  }
  for (int kbps : {128, 320}) {
    lumicast::unaLameMp3Enc enc(plugin);
    if (enc.errorCode != 0) {
      std::fprintf(stderr, "cannot load %s\n", plugin.c_str());
      return 1;
    }
    lumicast::mp3EncoderConfig c;
    c.set32(0, 256);
    c.set32(4, 1);
    c.set32(8, 331);
    c.set32(12, rate);
    c.set32(20, 1);
    c.set32(24, kbps);
    c.set32(28, kbps);
    c.set32(32, -1);
    c.set32(72, 9);
    enc.applyConfiguration(c);
    enc.onDataAvailable = [](lumicast::unaAbstractEncoder*, const void*, size_t, bool&) {};
    const auto start = std::chrono::steady_clock::now();
    enc.open();
    const size_t block = rate / 10 * 2;  // the recorder's 100 ms blocks
    for (size_t i = 0; i < pcm.size(); i += block)
      enc.queueForEncoding(pcm.data() + i, std::min(block, pcm.size() - i) * 2);
    enc.close();
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%3d kbit/s: %.2f s for %d s of sound = %.1fx real time, %lld bytes\n", kbps, secs,
                seconds, seconds / secs, static_cast<long long>(enc.encodedTotal.load()));
  }
  return 0;
}
