// Sound output through its buffer hook: exact frames, looping, the no-stop
// rule, one sound at a time, and malformed wave images.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>

#include "platform/sound/sound_output.h"

using namespace sound;

namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, uint16_t(v));
  Put16(b, uint16_t(v >> 16));
}

std::vector<uint8_t> Wave(int channels, int rate, int bits, const std::vector<uint8_t>& samples,
                          uint16_t tag = 1) {
  std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
  Put32(b, static_cast<uint32_t>(4 + 8 + 16 + 8 + samples.size() + (samples.size() & 1)));
  for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<uint8_t>(c));
  Put32(b, 16);
  Put16(b, tag);
  Put16(b, static_cast<uint16_t>(channels));
  Put32(b, static_cast<uint32_t>(rate));
  Put32(b, static_cast<uint32_t>(rate * channels * bits / 8));
  Put16(b, static_cast<uint16_t>(channels * bits / 8));
  Put16(b, static_cast<uint16_t>(bits));
  for (char c : std::string("data")) b.push_back(static_cast<uint8_t>(c));
  Put32(b, static_cast<uint32_t>(samples.size()));
  b.insert(b.end(), samples.begin(), samples.end());
  if (samples.size() & 1) b.push_back(0);
  return b;
}

// Collects what the output plays.
struct Sink {
  std::mutex m;
  std::vector<uint8_t> bytes;
  std::atomic<int> buffers{0};
  TWaveFormat format;
  Sink() {
    SetSoundDeviceEnabled(false);
    SetSoundOutputHook([this](const TWaveFormat& f, const uint8_t* p, size_t n) {
      std::lock_guard<std::mutex> g(m);
      format = f;
      bytes.insert(bytes.end(), p, p + n);
      ++buffers;
    });
  }
  ~Sink() {
    StopSound();
    SetSoundOutputHook(nullptr);
  }
  size_t Size() {
    std::lock_guard<std::mutex> g(m);
    return bytes.size();
  }
};

bool WaitFor(const std::function<bool()>& f) {
  for (int i = 0; i < 2000 && !f(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return f();
}

}  // namespace

TEST(SoundOutput, SynchronousPlayDeliversExactlyTheFrames) {
  Sink sink;
  std::vector<uint8_t> samples;
  for (int i = 0; i < 3000; ++i) samples.push_back(static_cast<uint8_t>(i * 7));
  const auto image = Wave(2, 48000, 16, samples);
  ASSERT_TRUE(PlaySoundMemory(image.data(), image.size(), SND_MEMORY | SND_SYNC));
  EXPECT_FALSE(SoundPlaying());
  EXPECT_EQ(sink.bytes, samples);
  EXPECT_EQ(sink.format.Channels, 2);
  EXPECT_EQ(sink.format.BitsPerSample, 16);
}

TEST(SoundOutput, LoopsRepeatUntilStoppedEvenWhenAskedToWait) {
  Sink sink;
  std::vector<uint8_t> samples(400, 0x80);  // 50 ms at 8 kHz
  const auto image = Wave(1, 8000, 8, samples);
  // A loop without the asynchronous flag returns at once instead of never.
  ASSERT_TRUE(PlaySoundMemory(image.data(), image.size(), SND_MEMORY | SND_LOOP));
  EXPECT_TRUE(SoundPlaying());
  ASSERT_TRUE(WaitFor([&] { return sink.Size() >= 3 * samples.size(); }));
  StopSound();
  EXPECT_FALSE(SoundPlaying());
  const size_t after = sink.Size();
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  EXPECT_EQ(sink.Size(), after);
}

TEST(SoundOutput, NoStopIsRefusedWhileBusyAndANewSoundReplacesTheOld) {
  Sink sink;
  std::vector<uint8_t> a(8000, 1), b(16, 2);
  const auto first = Wave(1, 8000, 8, a), second = Wave(1, 8000, 8, b);
  ASSERT_TRUE(PlaySoundMemory(first.data(), first.size(), SND_MEMORY | SND_ASYNC));
  EXPECT_FALSE(PlaySoundMemory(second.data(), second.size(), SND_MEMORY | SND_ASYNC | SND_NOSTOP));
  ASSERT_TRUE(PlaySoundMemory(second.data(), second.size(), SND_MEMORY | SND_SYNC));
  // The first sound ended before its end: the bytes stop short of all of it.
  std::lock_guard<std::mutex> g(sink.m);
  ASSERT_GE(sink.bytes.size(), 16u);
  EXPECT_LT(sink.bytes.size(), a.size() + 16);
  EXPECT_EQ(std::vector<uint8_t>(sink.bytes.end() - 16, sink.bytes.end()), b);
}

TEST(SoundOutput, OnlyPcmAndFloatWavesAreRead) {
  TWaveData w;
  std::string error;
  auto pcm24 = Wave(2, 44100, 24, std::vector<uint8_t>(12, 0));
  EXPECT_TRUE(ParseWaveImage(pcm24.data(), pcm24.size(), w, &error)) << error;
  EXPECT_EQ(w.Size, 12u);
  auto flt = Wave(1, 44100, 32, std::vector<uint8_t>(8, 0), 3);
  EXPECT_TRUE(ParseWaveImage(flt.data(), flt.size(), w));
  EXPECT_TRUE(w.Format.IsFloat);
  auto adpcm = Wave(1, 8000, 4, std::vector<uint8_t>(8, 0), 2);
  EXPECT_FALSE(ParseWaveImage(adpcm.data(), adpcm.size(), w));
  auto empty = Wave(1, 8000, 8, {});
  EXPECT_FALSE(ParseWaveImage(empty.data(), empty.size(), w));
  EXPECT_FALSE(PlaySoundMemory(empty.data(), empty.size(), SND_MEMORY));
}

TEST(SoundOutput, MutatedWaveImagesAreRefusedOrPlayedWithinTheirBytes) {
  Sink sink;
  std::mt19937 rng(21);
  std::vector<uint8_t> samples(64);
  for (auto& s : samples) s = static_cast<uint8_t>(rng());
  const auto good = Wave(1, 8000, 16, samples);
  for (int i = 0; i < 300; ++i) {
    std::vector<uint8_t> m = good;
    for (int e = 0; e < 1 + static_cast<int>(rng() % 3); ++e)
      m[rng() % m.size()] = static_cast<uint8_t>(rng());
    if (rng() % 3 == 0) m.resize(rng() % m.size());
    TWaveData w;
    if (ParseWaveImage(m.data(), m.size(), w)) {
      ASSERT_GE(w.Samples, m.data());
      ASSERT_LE(w.Samples + w.Size, m.data() + m.size());
    }
  }
  // A chunk that claims more than the image holds.
  std::vector<uint8_t> bad = good;
  bad[40] = 0xFF;
  bad[41] = 0xFF;
  TWaveData w;
  EXPECT_FALSE(ParseWaveImage(bad.data(), bad.size(), w));
}

TEST(SoundOutput, TheDefaultDeviceOrSilencePlaysTheSameFrames) {
  Sink sink;
  SetSoundDeviceEnabled(true);
  std::vector<uint8_t> samples(800, 0x80);  // 100 ms at 8 kHz
  const auto image = Wave(1, 8000, 8, samples);
  EXPECT_TRUE(PlaySoundMemory(image.data(), image.size(), SND_MEMORY | SND_SYNC));
  SetSoundDeviceEnabled(false);
  EXPECT_EQ(sink.bytes, samples);
}
