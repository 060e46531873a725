// Recording the playback mix on "Stereo Mix": formats, levels, timing, the
// buffer queue and scripted device faults.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "platform/sound/mmsystem.h"
#include "platform/sound/playback_mix.h"
#include "platform/sound/sound_testing.h"
#include "tests/sound/wave_data.h"

using namespace sound;

namespace {

WAVEFORMATEX Pcm(uint32_t rate, uint16_t bits, uint16_t channels) {
  WAVEFORMATEX f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

// A 1 kHz sine on both channels; Beep makes it sound only in one period.
struct SineProducer {
  int amplitude = 10000;
  int beepPeriod = -1;
  long frame = 0;
  int period = 0;
  int id = 0;
  void Attach() {
    id = MixAddProducer([this](int16_t* out, int frames) {
      const bool on = beepPeriod < 0 || period == beepPeriod;
      for (int i = 0; i < frames; ++i, ++frame) {
        const auto v = static_cast<int16_t>(
            on ? amplitude * std::sin(2 * M_PI * 1000.0 * frame / kMixRate) : 0);
        out[2 * i] = out[2 * i + 1] = v;
      }
      ++period;
    });
  }
  ~SineProducer() {
    if (id) MixRemoveProducer(id);
  }
};

// Opens a wave-in device with a ring of buffers and collects what it records.
struct Capture {
  HWAVEIN h = nullptr;
  Event event;
  std::vector<std::vector<char>> memory;
  std::vector<WAVEHDR> headers;
  std::vector<WAVEHDR*> order;  // completion order as observed
  std::vector<uint8_t> data;
  MMRESULT openResult = 0;

  Capture(uint32_t device, const WAVEFORMATEX& f, int count, uint32_t size)
      : memory(count), headers(count) {
    openResult = waveInOpen(&h, device, &f, reinterpret_cast<uintptr_t>(&event), 0, CALLBACK_EVENT);
    if (openResult) return;
    for (int i = 0; i < count; ++i) {
      memory[i].resize(size);
      headers[i].lpData = memory[i].data();
      headers[i].dwBufferLength = size;
      waveInPrepareHeader(h, &headers[i], sizeof(WAVEHDR));
    }
  }
  void QueueAll() {
    for (auto& hd : headers) waveInAddBuffer(h, &hd, sizeof(WAVEHDR));
  }
  // Takes every finished buffer (in queue order), keeps its bytes, queues it again.
  void Collect(bool requeue = true) {
    for (bool found = true; found;) {
      found = false;
      for (auto& hd : headers)
        if ((hd.dwFlags & WHDR_DONE) && !(hd.dwFlags & WHDR_INQUEUE) && hd.dwUser == 0) {
          data.insert(data.end(), hd.lpData, hd.lpData + hd.dwBytesRecorded);
          order.push_back(&hd);
          hd.dwUser = 1;
          found = true;
        }
    }
    if (requeue)
      for (auto& hd : headers)
        if (hd.dwUser) {
          hd.dwUser = 0;
          waveInAddBuffer(h, &hd, sizeof(WAVEHDR));
        }
  }
  void Close() {
    if (!h) return;
    waveInReset(h);
    for (auto& hd : headers) waveInUnprepareHeader(h, &hd, sizeof(WAVEHDR));
    EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
    h = nullptr;
  }
  ~Capture() { Close(); }
};

void SetStereoMix(uint32_t volume, bool mute) {
  HMIXER m;
  ASSERT_EQ(mixerOpen(&m, 0, 0, 0, 0), MMSYSERR_NOERROR);
  MIXERLINE line;
  line.cbStruct = sizeof line;
  line.dwDestination = 0;
  line.dwSource = 0;
  ASSERT_EQ(mixerGetLineInfo(reinterpret_cast<uintptr_t>(m), &line,
                             MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE),
            0u);
  std::vector<MIXERCONTROL> controls(line.cControls);
  MIXERLINECONTROLS lc;
  lc.dwLineID = line.dwLineID;
  lc.cControls = line.cControls;
  lc.pamxctrl = controls.data();
  ASSERT_EQ(mixerGetLineControls(reinterpret_cast<uintptr_t>(m), &lc, MIXER_OBJECTF_HMIXER), 0u);
  for (const auto& c : controls) {
    int32_t values[2] = {static_cast<int32_t>(volume), static_cast<int32_t>(volume)};
    if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE) values[0] = mute ? 1 : 0;
    MIXERCONTROLDETAILS d;
    d.dwControlID = c.dwControlID;
    d.cChannels = c.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE ? 1 : 2;
    d.cbDetails = 4;
    d.paDetails = values;
    ASSERT_EQ(mixerSetControlDetails(reinterpret_cast<uintptr_t>(m), &d, MIXER_OBJECTF_HMIXER), 0u);
  }
  mixerClose(m);
}

class StereoMix : public ::testing::Test {
 protected:
  void SetUp() override {
    sound::testing::SetManualMixClock(true);
    sound::testing::SetWaveInFaults({});
    SetStereoMix(65535, false);
  }
  void TearDown() override {
    sound::testing::SetWaveInFaults({});
    SetStereoMix(65535, false);
    sound::testing::SetManualMixClock(false);
  }
  // Records Periods periods of the producer in format f; returns the bytes.
  std::vector<uint8_t> Record(const WAVEFORMATEX& f, int periods, SineProducer& p) {
    Capture c(0, f, 8, f.nAvgBytesPerSec / 10 + 1);
    EXPECT_EQ(c.openResult, 0u);
    c.QueueAll();
    p.Attach();
    EXPECT_EQ(waveInStart(c.h), 0u);
    for (int i = 0; i < periods; ++i) {
      sound::testing::AdvanceMixClock(1);
      c.Collect();
    }
    waveInStop(c.h);
    c.Collect(false);
    EXPECT_EQ(sound::testing::WaveInLostBytes(c.h), 0u);
    return c.data;
  }
};

}  // namespace

TEST_F(StereoMix, DeviceZeroIsStereoMixAndAlwaysPresent) {
  EXPECT_GE(waveInGetNumDevs(), 1u);
  WAVEINCAPS caps;
  ASSERT_EQ(waveInGetDevCaps(0, &caps), 0u);
  EXPECT_STREQ(caps.szPname, "Stereo Mix");
  EXPECT_EQ(waveInGetDevCaps(waveInGetNumDevs(), &caps), MMSYSERR_BADDEVICEID);
}

TEST_F(StereoMix, RecordsLengthFrequencyAndLevelInEachFormat) {
  struct Case {
    uint32_t rate;
    uint16_t bits, channels;
  } cases[] = {{44100, 16, 2}, {22050, 8, 1}, {11025, 16, 1}};
  for (const auto& k : cases) {
    SCOPED_TRACE(std::to_string(k.rate) + "/" + std::to_string(k.bits) + "/" +
                 std::to_string(k.channels));
    SetStereoMix(19660, false);
    SineProducer p;
    const WAVEFORMATEX f = Pcm(k.rate, k.bits, k.channels);
    const int periods = 150;
    const std::vector<uint8_t> data = Record(f, periods, p);
    const double expected = periods * 0.01 * k.rate;
    const double frames = static_cast<double>(data.size()) / f.nBlockAlign;
    EXPECT_NEAR(frames, expected, 2);
    for (int ch = 0; ch < k.channels; ++ch) {
      const auto s = soundtest::Channel(data, k.bits, k.channels, ch);
      EXPECT_NEAR(soundtest::Frequency(s, static_cast<int>(k.rate)), 1000.0, 10.0);
      const double want = 0.3 * 10000 / std::sqrt(2.0);
      EXPECT_NEAR(soundtest::Rms(s, s.size() / 10), want, want * 0.02);
    }
  }
}

TEST_F(StereoMix, MutedLineRecordsSilence) {
  SetStereoMix(65535, true);
  SineProducer p;
  const auto data = Record(Pcm(44100, 16, 2), 20, p);
  ASSERT_EQ(data.size(), 20u * 441 * 4);
  EXPECT_EQ(soundtest::Rms(soundtest::Channel(data, 16, 2, 0)), 0.0);
}

TEST_F(StereoMix, BeepInPeriod100IsFoundAtOneSecond) {
  for (uint32_t rate : {44100u, 22050u}) {
    SineProducer p;
    p.beepPeriod = 100;
    const auto data = Record(Pcm(rate, 16, 1), 130, p);
    const long at = soundtest::FirstLoud(soundtest::Channel(data, 16, 1, 0), 1000);
    ASSERT_GE(at, 0);
    EXPECT_NEAR(static_cast<double>(at) / rate, 1.0, 0.010);
  }
}

TEST_F(StereoMix, RefusesFormatsItCannotRecord) {
  HWAVEIN h = nullptr;
  WAVEFORMATEX bad[] = {Pcm(44100, 24, 2), Pcm(500, 16, 1), Pcm(200000, 16, 1), Pcm(44100, 16, 3)};
  bad[3].nBlockAlign = 6;
  for (auto& f : bad) EXPECT_EQ(waveInOpen(&h, 0, &f, 0, 0, 0), WAVERR_BADFORMAT);
  WAVEFORMATEX wrongAlign = Pcm(44100, 16, 2);
  wrongAlign.nBlockAlign = 3;
  EXPECT_EQ(waveInOpen(&h, 0, &wrongAlign, 0, 0, 0), WAVERR_BADFORMAT);
  WAVEFORMATEX adpcm = Pcm(44100, 4, 1);
  adpcm.wFormatTag = 0x11;
  EXPECT_EQ(waveInOpen(&h, 0, &adpcm, 0, 0, 0), WAVERR_BADFORMAT);
  const WAVEFORMATEX good = Pcm(8000, 8, 1);
  EXPECT_EQ(waveInOpen(nullptr, 0, &good, 0, 0, WAVE_FORMAT_QUERY), 0u);
}

TEST_F(StereoMix, ResetReturnsQueuedBuffersInOrderWithPartialLengths) {
  const WAVEFORMATEX f = Pcm(44100, 16, 2);
  Capture c(0, f, 3, 441 * 4 * 3);  // three periods per buffer
  ASSERT_EQ(c.openResult, 0u);
  c.QueueAll();
  waveInStart(c.h);
  sound::testing::AdvanceMixClock(4);  // fills the first buffer and a third of the second
  EXPECT_EQ(waveInClose(c.h), WAVERR_STILLPLAYING);
  EXPECT_TRUE(c.headers[0].dwFlags & WHDR_DONE);
  EXPECT_FALSE(c.headers[1].dwFlags & WHDR_DONE);
  ASSERT_EQ(waveInReset(c.h), 0u);
  for (auto& hd : c.headers) {
    EXPECT_TRUE(hd.dwFlags & WHDR_DONE);
    EXPECT_FALSE(hd.dwFlags & WHDR_INQUEUE);
  }
  EXPECT_EQ(c.headers[0].dwBytesRecorded, 441u * 4 * 3);
  EXPECT_EQ(c.headers[1].dwBytesRecorded, 441u * 4);
  EXPECT_EQ(c.headers[2].dwBytesRecorded, 0u);
  // Nothing more arrives after a reset.
  sound::testing::AdvanceMixClock(3);
  EXPECT_EQ(c.headers[2].dwBytesRecorded, 0u);
}

TEST_F(StereoMix, DataWithoutAQueuedBufferIsLostAndCounted) {
  const WAVEFORMATEX f = Pcm(44100, 16, 2);
  Capture c(0, f, 1, 441 * 4);
  c.QueueAll();
  waveInStart(c.h);
  sound::testing::AdvanceMixClock(3);
  EXPECT_EQ(sound::testing::WaveInLostBytes(c.h), 2u * 441 * 4);
}

TEST_F(StereoMix, SignalsItsEventAtOpenForEachBufferAndAtClose) {
  const WAVEFORMATEX f = Pcm(44100, 16, 2);
  Capture c(0, f, 2, 441 * 4);
  EXPECT_TRUE(c.event.Wait(0));  // the open
  EXPECT_FALSE(c.event.Wait(0));
  c.QueueAll();
  waveInStart(c.h);
  sound::testing::AdvanceMixClock(1);
  EXPECT_TRUE(c.event.Wait(0));
  c.Close();
  EXPECT_TRUE(c.event.Wait(0));
}

TEST_F(StereoMix, ScriptedFaults) {
  const WAVEFORMATEX f = Pcm(44100, 16, 2);
  HWAVEIN h = nullptr;
  sound::testing::SetWaveInFaults({.failOpen = true});
  EXPECT_EQ(waveInOpen(&h, 0, &f, 0, 0, 0), MMSYSERR_ALLOCATED);

  sound::testing::SetWaveInFaults({.silentOpen = true});
  {
    Capture c(0, f, 1, 441 * 4);
    ASSERT_EQ(c.openResult, 0u);
    EXPECT_FALSE(c.event.Wait(0));
  }

  sound::testing::SetWaveInFaults({.failAddBufferAt = 2});
  {
    Capture c(0, f, 3, 441 * 4);
    EXPECT_EQ(waveInAddBuffer(c.h, &c.headers[0], sizeof(WAVEHDR)), 0u);
    EXPECT_EQ(waveInAddBuffer(c.h, &c.headers[1], sizeof(WAVEHDR)), MMSYSERR_NOMEM);
    EXPECT_EQ(waveInAddBuffer(c.h, &c.headers[2], sizeof(WAVEHDR)), 0u);
  }

  sound::testing::SetWaveInFaults({.reorderCompletion = true});
  {
    SineProducer p;
    p.beepPeriod = 0;
    p.Attach();
    Capture c(0, f, 4, 441 * 4);
    c.QueueAll();
    waveInStart(c.h);
    sound::testing::AdvanceMixClock(1);
    EXPECT_FALSE(c.headers[0].dwFlags & WHDR_DONE);  // held back
    sound::testing::AdvanceMixClock(1);
    EXPECT_TRUE(c.headers[0].dwFlags & WHDR_DONE);
    EXPECT_TRUE(c.headers[1].dwFlags & WHDR_DONE);
    // The bytes still follow the mix's order: buffer 0 holds the sounding first period.
    std::vector<uint8_t> first(c.headers[0].lpData, c.headers[0].lpData + 441 * 4);
    std::vector<uint8_t> second(c.headers[1].lpData, c.headers[1].lpData + 441 * 4);
    EXPECT_GT(soundtest::Rms(soundtest::Channel(first, 16, 2, 0)), 1000);
    EXPECT_EQ(soundtest::Rms(soundtest::Channel(second, 16, 2, 0)), 0);
  }
}

TEST_F(StereoMix, UnpreparedOrQueuedHeadersAreRefused) {
  const WAVEFORMATEX f = Pcm(44100, 16, 2);
  Capture c(0, f, 1, 441 * 4);
  WAVEHDR loose;
  char mem[16];
  loose.lpData = mem;
  loose.dwBufferLength = sizeof mem;
  EXPECT_EQ(waveInAddBuffer(c.h, &loose, sizeof loose), WAVERR_UNPREPARED);
  c.QueueAll();
  EXPECT_EQ(waveInUnprepareHeader(c.h, &c.headers[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInClose(reinterpret_cast<HWAVEIN>(&loose)), MMSYSERR_INVALHANDLE);
}

TEST_F(StereoMix, WaveOutPlaysIntoTheMix) {
  WAVEFORMATEX f = Pcm(22050, 16, 1);
  HWAVEOUT out = nullptr;
  Event played;
  ASSERT_EQ(waveOutOpen(&out, 0, &f, reinterpret_cast<uintptr_t>(&played), 0, CALLBACK_EVENT), 0u);
  EXPECT_TRUE(played.Wait(0));
  std::vector<int16_t> tone(2205);
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 1000.0 * i / 22050));
  WAVEHDR hd;
  hd.lpData = reinterpret_cast<char*>(tone.data());
  hd.dwBufferLength = static_cast<uint32_t>(tone.size() * 2);
  ASSERT_EQ(waveOutPrepareHeader(out, &hd, sizeof hd), 0u);
  ASSERT_EQ(waveOutWrite(out, &hd, sizeof hd), 0u);

  Capture c(0, Pcm(44100, 16, 2), 12, 441 * 4);
  c.QueueAll();
  waveInStart(c.h);
  for (int i = 0; i < 12; ++i) {
    sound::testing::AdvanceMixClock(1);
    c.Collect();
  }
  EXPECT_TRUE(hd.dwFlags & WHDR_DONE);
  const auto s = soundtest::Channel(c.data, 16, 2, 1);
  EXPECT_NEAR(soundtest::Rms(s, 0, 4000), 8000 / std::sqrt(2.0), 8000 * 0.05);
  EXPECT_EQ(waveOutClose(out), 0u);
}

TEST(StereoMixRealTime, OneSecondRecordsOneSecond) {
  sound::testing::SetManualMixClock(false);
  const WAVEFORMATEX f = Pcm(44100, 16, 2);
  Capture c(0, f, 40, 17640);
  c.QueueAll();
  waveInStart(c.h);
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  waveInStop(c.h);
  c.Collect(false);
  EXPECT_NEAR(static_cast<double>(c.data.size()), 176400.0, 176400.0 * 0.05);
  c.Close();
  // With nothing attached, the mix thread is gone.
  EXPECT_FALSE(MixThreadRunning());
}

TEST(StereoMixRealTime, TheLastProducerLeavingAsAPeriodEndsNeverHangs) {
  // The leaver marks its producer gone and stops the mix thread, while the thread, just after a
  // period, finds nothing attached and ends itself: neither may wait for the other.
  sound::testing::SetManualMixClock(false);
  auto stage = std::make_shared<std::atomic<int>>(0);  // 1: in the hook, 2: the leaver is back
  const int id = MixAddProducer([](int16_t*, int) {});
  sound::testing::SetAfterMixPeriodHook([stage] {
    int expected = 0;
    if (!stage->compare_exchange_strong(expected, 1)) return;
    // Time for the leaver to mark the producer gone and begin stopping this thread.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  });
  while (stage->load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::thread leaver([stage, id] {
    MixRemoveProducer(id);
    *stage = 2;
  });
  // A hang is the fault; give up after a long while rather than block the whole run.
  for (int i = 0; i < 3000 && stage->load() != 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (stage->load() != 2) {
    leaver.detach();
    FAIL() << "the mix thread and the last producer's leaving wait for each other";
  }
  leaver.join();
  sound::testing::SetAfterMixPeriodHook({});
  EXPECT_FALSE(MixThreadRunning());
  // The mix starts again for a newcomer.
  std::atomic<int> pulls{0};
  const int again = MixAddProducer([&](int16_t*, int) { ++pulls; });
  while (pulls.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  MixRemoveProducer(again);
  EXPECT_FALSE(MixThreadRunning());
}
