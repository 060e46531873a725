// Cost of recording the playback mix in real time, by hand: CPU share of one
// core and memory while "Stereo Mix" (44100/16/2) is recorded for a minute to
// a WAVE file and for a minute to MP3, and of an idle mix thread; then the
// tick jitter of recording passes through the recording window (a 24 fps movie
// of ten seconds to WAVE and to MP3; target: p99 under 10 ms).
//   bench_stereo_mix_record [SECONDS]   (default 60)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/record_form.h"
#include "audio/mp3_encoder.h"
#include "audio/pipes.h"
#include "bench/plugin_path.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/file_utils.h"
#include "platform/flash/format/sound_writer.h"
#include "platform/flash/format/tag_codes.h"
#include "platform/flash/format/writer.h"
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

// 24 fps, 240 frames: a one-second 16-bit tone started every 24 frames.
std::string WriteTickMovie() {
  flash::SwfWriter w(8, 320, 240, 24);
  std::vector<uint8_t> tone;
  for (int i = 0; i < 44100; ++i) {
    const auto v = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 1000.0 * i / 44100));
    tone.push_back(static_cast<uint8_t>(v & 0xFF));
    tone.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  w.Tag(flash::kTagDefineSound,
        flash::EncodeDefineSound(1, {flash::kSoundPcmLittle, 3, true, false}, 44100, tone));
  for (int f = 0; f < 240; ++f) {
    if (f % 24 == 0) w.Tag(flash::kTagStartSound, flash::EncodeStartSound(1, {}));
    w.ShowFrame();
  }
  const std::string path = "/tmp/bench_tick_movie.swf";
  w.Save(path, false);
  return path;
}

// One recording pass through the recording window; prints the spread of the intervals between
// the player's frame signals around their mean.
void TickJitter(const char* what, const std::string& movie, int fileType) {
  classlib::TScriptedDialogService dialogs;
  classlib::TDialogServiceGuard guard(&dialogs);
  const std::string plugin = DefaultPlugin();
  auto* form = new lumicast::TRecordFrm(nullptr, plugin.substr(0, plugin.rfind('/') + 1));
  form->AfterConstruction();
  std::vector<std::chrono::steady_clock::time_point> ticks;
  auto signal = form->Flash->OnFSCommand;
  form->Flash->OnFSCommand = [&ticks, signal](classlib::TObject* s, const std::string& c,
                                              const std::string& a) {
    if (c == "enterFrame") ticks.push_back(std::chrono::steady_clock::now());
    signal(s, c, a);
  };
  lumicast::TCovSettings job;
  job.swfFilename = job.swfPlayFilename = movie;
  job.swfW = 320;
  job.swfH = 240;
  job.swfFrameRate = 24;
  job.destStartFrame = 1;
  job.destEndFrame = 240;
  job.adoSource = lumicast::asRecord;
  job.adoFileType = fileType;
  job.adoWavFreq = 0;
  job.adoWavBits = 1;
  job.adoWavChannel = 1;
  job.adoMp3Channel = 1;
  job.adoMp3BitRate = 2;
  form->SetJob(&job);
  form->ShowModal();
  delete form;
  if (!job.adoWorkFilename.empty()) classlib::DeleteFile(job.adoWorkFilename);
  std::vector<double> deviation;
  if (ticks.size() > 2) {
    const double mean =
        std::chrono::duration<double, std::milli>(ticks.back() - ticks.front()).count() /
        static_cast<double>(ticks.size() - 1);
    for (size_t i = 1; i < ticks.size(); ++i)
      deviation.push_back(std::fabs(
          std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count() - mean));
  }
  if (deviation.empty() || !dialogs.Messages().empty()) {
    std::printf("%-22s no recording (%zu messages)\n", what, dialogs.Messages().size());
    return;
  }
  std::sort(deviation.begin(), deviation.end());
  auto at = [&](double q) { return deviation[static_cast<size_t>(q * (deviation.size() - 1))]; };
  std::printf("%-22s %zu ticks, interval deviation p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", what,
              ticks.size(), at(0.5), at(0.99), deviation.back());
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

  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  classlib::Application->Initialize();
  const std::string movie = WriteTickMovie();
  TickJitter("tick jitter, WAVE", movie, 0);
  TickJitter("tick jitter, MP3", movie, 1);
  std::remove(movie.c_str());
  return 0;
}
