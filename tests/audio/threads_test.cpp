// Destroying open devices, encoders and timers ends every thread they started.
#include <gtest/gtest.h>

#include <thread>

#include "audio/files.h"
#include "audio/mp3_encoder.h"
#include "audio/pipes.h"
#include "platform/sound/mmsystem.h"
#include "tests/audio/audio_test_util.h"
#include "tests/sound/wave_data.h"

using namespace lumicast;

TEST(AudioThreads, DestroyingOpenObjectsEndsTheirThreads) {
  // Helper threads of the run-time (a sanitizer's, the toolkit's) start with
  // the first thread; they are there before the count is taken.
  std::thread([] {}).join();
  const int before = audiotest::ThreadCount();
  const std::string path = soundtest::TempPath(".wav");
  {
    audiotest::Tone tone;
    auto waveIn = std::make_unique<TunavclWaveInDevice>();
    auto waveRiff = std::make_unique<TunavclWaveRiff>();
    waveRiff->setIsInput(false);
    waveRiff->setFileName(path);
    waveIn->setConsumer(waveRiff.get());
    ASSERT_TRUE(waveIn->open());
    auto encoder = std::make_unique<unaLameMp3Enc>(std::string(LUMICAST_BIN_DIR) + "/mp3enc.so");
    mp3EncoderConfig c;
    c.set32(0, 256);
    c.set32(8, 331);
    c.set32(12, 44100);
    c.set32(24, 128);
    ASSERT_EQ(encoder->applyConfiguration(c), 0u);
    ASSERT_EQ(encoder->open(), 0u);
    auto timer = std::make_unique<unaMMTimer>(10);
    timer->start();
    sound::HWAVEIN capture = nullptr;
    sound::WAVEFORMATEX f;
    f.wFormatTag = 1;
    f.nChannels = 1;
    f.nSamplesPerSec = 8000;
    f.wBitsPerSample = 8;
    f.nBlockAlign = 1;
    f.nAvgBytesPerSec = 8000;
    ASSERT_EQ(sound::waveInOpen(&capture, 0, &f, 0, 0, 0), 0u);
    sound::waveInStart(capture);
    EXPECT_GT(audiotest::ThreadCount(), before);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sound::waveInReset(capture);
    sound::waveInClose(capture);
    // Destroyed while open.
    timer.reset();
    encoder.reset();
    waveIn.reset();
    waveRiff.reset();
  }
  EXPECT_TRUE(audiotest::WaitFor([&] { return audiotest::ThreadCount() <= before; }, 5));
  EXPECT_EQ(audiotest::ThreadCount(), before);
  std::remove(path.c_str());
}
