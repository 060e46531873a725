// The sound output's ALSA write path, mix producers, and multimedia timers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/sound/mmsystem.h"
#include "platform/sound/playback_mix.h"

using namespace sound;

TEST(SoundOutput, NullDeviceRunsTheWritePath) {
  sound::testing::SetManualMixClock(true);
  sound::testing::SetOutputDevice("null");
  const int id = MixAddProducer([](int16_t* out, int frames) {
    for (int i = 0; i < frames * 2; ++i) out[i] = 1000;
  });
  const uint64_t before = sound::testing::OutputFramesWritten();
  sound::testing::AdvanceMixClock(20);
  EXPECT_GE(sound::testing::OutputFramesWritten() - before, 20u * kMixPeriodFrames);
  MixRemoveProducer(id);
  sound::testing::SetOutputDevice("");
  sound::testing::SetManualMixClock(false);
}

TEST(PlaybackMix, SumsProducersWithSaturationAndOutlivesSelfRemoval) {
  sound::testing::SetManualMixClock(true);
  struct Tap : MixCapture {
    int16_t first = 0;
    int calls = 0;
    void OnMix(const int16_t* f, int) override {
      first = f[0];
      ++calls;
    }
  } tap;
  MixAttachCapture(&tap);
  const int a = MixAddProducer([](int16_t* out, int frames) {
    for (int i = 0; i < frames * 2; ++i) out[i] = 30000;
  });
  int selfId = 0;
  selfId = MixAddProducer([&selfId](int16_t* out, int frames) {
    for (int i = 0; i < frames * 2; ++i) out[i] = 30000;
    MixRemoveProducer(selfId);  // a producer may leave from inside its pull
  });
  sound::testing::AdvanceMixClock(1);
  EXPECT_EQ(tap.first, 32767);
  sound::testing::AdvanceMixClock(1);
  EXPECT_EQ(tap.first, 30000);
  MixRemoveProducer(a);
  sound::testing::AdvanceMixClock(1);
  EXPECT_EQ(tap.first, 0);
  EXPECT_EQ(tap.calls, 3);
  MixDetachCapture(&tap);
  sound::testing::SetManualMixClock(false);
}

TEST(PlaybackMix, ThreadRunsOnlyWhileSomethingIsAttached) {
  sound::testing::SetManualMixClock(false);
  EXPECT_FALSE(MixThreadRunning());
  std::atomic<int> pulls{0};
  const int id = MixAddProducer([&pulls](int16_t*, int) { ++pulls; });
  EXPECT_TRUE(MixThreadRunning());
  while (pulls.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  MixRemoveProducer(id);
  const int after = pulls.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(pulls.load(), after);  // removal waited for the pull; none follows
  EXPECT_FALSE(MixThreadRunning());
}

namespace {
std::atomic<int> g_ticks{0};
void Tick(uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
  ++g_ticks;
  if (user) timeKillEvent(static_cast<uint32_t>(user));
}
}  // namespace

TEST(MultimediaTimer, PeriodicEventsTickUntilKilled) {
  TIMECAPS caps;
  ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), 0u);
  EXPECT_GE(caps.wPeriodMin, 1u);
  g_ticks = 0;
  const uint32_t id = timeSetEvent(5, 1, Tick, 0, TIME_PERIODIC);
  ASSERT_NE(id, 0u);
  while (g_ticks.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(timeKillEvent(id), 0u);
  const int after = g_ticks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(g_ticks.load(), after);
  EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
  EXPECT_EQ(timeSetEvent(5, 1, nullptr, 0, TIME_PERIODIC), 0u);
}
