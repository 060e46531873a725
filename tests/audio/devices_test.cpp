// The wave-in device: chunk sizes, in-order delivery, the silence gate,
// overflow, and its open and close codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/devices.h"
#include "platform/sound/sound_testing.h"
#include "tests/audio/audio_test_util.h"
#include "tests/sound/wave_data.h"

using namespace lumicast;

TEST(AudioDevices, ChunkSizesOfTheTwelveRecordingFormats) {
  struct Case {
    uint32_t rate;
    uint16_t bits, channels;
    uint32_t chunk, rate10;
  } cases[] = {{44100, 8, 1, 4410, 10},   {44100, 8, 2, 8820, 10},  {44100, 16, 1, 8820, 10},
               {44100, 16, 2, 17640, 10}, {22050, 8, 1, 2205, 10},  {22050, 8, 2, 4410, 10},
               {22050, 16, 1, 4410, 10},  {22050, 16, 2, 8820, 10}, {11025, 8, 1, 2205, 5},
               {11025, 8, 2, 2206, 10},   {11025, 16, 1, 2206, 10}, {11025, 16, 2, 4412, 10}};
  for (const auto& k : cases) {
    unaWaveInDevice dev(0, 5);
    ASSERT_TRUE(dev.setPcmFormat(k.rate, k.bits, k.channels));
    EXPECT_EQ(dev.chunkSize, k.chunk) << k.rate << "/" << k.bits << "/" << k.channels;
    EXPECT_EQ(dev.chunkRate, k.rate10) << k.rate << "/" << k.bits << "/" << k.channels;
    EXPECT_EQ(dev.outOverflowBytes, 5u * k.chunk);
  }
}

namespace {
// Records with the manual mix clock; collects the delivered blocks.
struct Recording {
  audiotest::ManualClock clock;
  unaWaveInDevice dev{0, 5};
  std::mutex mutex;
  std::vector<std::vector<uint8_t>> blocks;
  explicit Recording(uint32_t rate = 44100, uint16_t bits = 16, uint16_t channels = 2) {
    dev.setPcmFormat(rate, bits, channels);
    dev.onDataAvailable = [this](unaObject*, const void* data, size_t len) {
      std::lock_guard<std::mutex> lock(mutex);
      blocks.emplace_back(static_cast<const uint8_t*>(data),
                          static_cast<const uint8_t*>(data) + len);
    };
  }
  size_t count() {
    std::lock_guard<std::mutex> lock(mutex);
    return blocks.size();
  }
};
}  // namespace

TEST(AudioDevices, BuffersReturnedOutOfOrderAreDeliveredInOrder) {
  sound::testing::SetWaveInFaults({.reorderCompletion = true});
  Recording r;
  // Each period carries its own number, so the order of the bytes shows.
  int period = 0;
  const int id = sound::MixAddProducer([&period](int16_t* out, int frames) {
    for (int i = 0; i < frames * 2; ++i) out[i] = static_cast<int16_t>(period);
    ++period;
  });
  ASSERT_EQ(r.dev.open(), 0u);
  EXPECT_EQ(r.dev.open(), 0u);  // already open: nothing changes
  r.clock.advance(100);
  ASSERT_TRUE(audiotest::WaitFor([&] { return r.count() >= 10; }));
  EXPECT_EQ(r.dev.close(), 0u);
  sound::testing::SetWaveInFaults({});
  std::vector<uint8_t> all;
  for (auto& b : r.blocks) all.insert(all.end(), b.begin(), b.end());
  ASSERT_EQ(all.size(), 10u * 17640);
  sound::MixRemoveProducer(id);
  const auto s = soundtest::Channel(all, 16, 2, 0);
  EXPECT_TRUE(std::is_sorted(s.begin(), s.end()));
  EXPECT_EQ(s.front(), 0);
  EXPECT_EQ(s.back(), 99);
}

TEST(AudioDevices, FailedBufferQueueingDoesNotStallDelivery) {
  sound::testing::SetWaveInFaults({.failAddBufferAt = 3});
  Recording r;
  audiotest::Tone tone;
  ASSERT_EQ(r.dev.open(), 0u);
  // The clock moves a period at a time: sound that comes while the device thread has not yet
  // queued its next buffer is lost, as on a real card, however late that thread runs.
  EXPECT_TRUE(audiotest::WaitFor([&] {
    r.clock.advance(1);
    return r.count() >= 5;
  }));
  r.dev.close();
  sound::testing::SetWaveInFaults({});
}

TEST(AudioDevices, OpenReportsPlatformFailuresAndSilence) {
  {
    sound::testing::SetWaveInFaults({.failOpen = true});
    unaWaveInDevice dev(0);
    dev.setPcmFormat(44100, 16, 2);
    EXPECT_EQ(dev.open(), sound::MMSYSERR_ALLOCATED);
    EXPECT_FALSE(dev.isOpen());
  }
  {
    sound::testing::SetWaveInFaults({.silentOpen = true});
    unaWaveInDevice dev(0);
    dev.setPcmFormat(44100, 16, 2);
    EXPECT_EQ(dev.open(false, 50), sound::MMSYSERR_HANDLEBUSY);
    EXPECT_FALSE(dev.isOpen());
  }
  sound::testing::SetWaveInFaults({});
  unaWaveInDevice dev(0);
  dev.setPcmFormat(44100, 24, 2);
  EXPECT_EQ(dev.open(), sound::WAVERR_BADFORMAT);
  EXPECT_NE(dev.getErrorText(32).find("32 ("), std::string::npos);
}

TEST(AudioDevices, SilenceGateWithholdsQuietChunksAfterTheActiveTime) {
  Recording r;
  r.dev.setMinVolumeLevel(1000);
  r.dev.minActiveTime = 0;
  audiotest::Tone tone(0);
  ASSERT_EQ(r.dev.open(), 0u);
  // Five quiet chunks, a little time apart (the gate measures milliseconds).
  for (int i = 1; i <= 5; ++i) {
    r.clock.advance(10);
    ASSERT_TRUE(audiotest::WaitFor(
        [&] { return r.dev.outByteCount + r.dev.skippedByteCount >= i * 17640; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  EXPECT_TRUE(r.dev.isSilent());
  EXPECT_GT(r.dev.skippedByteCount.load(), 0);
  EXPECT_GE(r.dev.outByteCount.load(), 17640);  // the first quiet one still went through
  tone.setAmplitude(8000);
  const int64_t before = r.dev.outByteCount;
  r.clock.advance(30);
  ASSERT_TRUE(audiotest::WaitFor([&] { return r.dev.outByteCount >= before + 2 * 17640; }));
  EXPECT_FALSE(r.dev.isSilent());
  r.dev.close();
  // Level 0 switches the gate off again.
  r.dev.setMinVolumeLevel(0);
  EXPECT_FALSE(r.dev.calcVolume);
}

TEST(AudioDevices, UndrainedOutputStreamDropsTheSeventhChunk) {
  Recording r;
  audiotest::Tone tone;
  ASSERT_EQ(r.dev.open(), 0u);
  r.clock.advance(70);
  ASSERT_TRUE(audiotest::WaitFor([&] { return r.count() >= 7; }));
  EXPECT_EQ(r.dev.pendingBytes(false), 6 * 17640);
  EXPECT_EQ(r.dev.outDroppedBytes.load(), 17640);
  std::vector<uint8_t> chunk(17640);
  EXPECT_EQ(r.dev.readOut(chunk.data(), 0), 17640u);  // length 0 reads the oldest chunk
  r.dev.close();
  EXPECT_EQ(r.dev.level(0), 0u);
}
