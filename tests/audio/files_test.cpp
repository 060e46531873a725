// File streams, mapped files and the multimedia timer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "audio/files.h"
#include "audio/utils.h"
#include "tests/audio/audio_test_util.h"
#include "tests/sound/wave_data.h"

using namespace lumicast;

namespace {
std::string MakeFile(size_t size) {
  const std::string path = soundtest::TempPath(".dat");
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i);
  saveBytesToFile(path, bytes.data(), bytes.size());
  return path;
}
}  // namespace

TEST(AudioFiles, ReadsStopAtTheEndOrWrapUntilFull) {
  const std::string path = MakeFile(60);
  {
    unaFileStream f(path, false);
    ASSERT_TRUE(f.isOpen());
    f.seek(40, true);
    std::vector<uint8_t> buf(100);
    EXPECT_EQ(f.read(buf.data(), 100, true), 20u);
  }
  {
    unaFileStream f(path, true);
    f.seek(40, true);
    std::vector<uint8_t> buf(100);
    ASSERT_EQ(f.read(buf.data(), 100, true), 100u);
    // 20 from the end, the whole file, then 20 from the start.
    EXPECT_EQ(buf[0], 40);
    EXPECT_EQ(buf[19], 59);
    EXPECT_EQ(buf[20], 0);
    EXPECT_EQ(buf[79], 59);
    EXPECT_EQ(buf[80], 0);
    EXPECT_EQ(buf[99], 19);
    EXPECT_EQ(f.bytesAvailable(), 60);
  }
  {
    unaFileStream f(path, false);
    f.seek(4, true);
    f.seekBy(-10);
    EXPECT_EQ(f.getPosition(), 0);
    std::vector<uint8_t> buf(8);
    EXPECT_EQ(f.read(buf.data(), 8, false), 8u);
    EXPECT_EQ(f.getPosition(), 0);  // without remove the position stays
  }
  std::remove(path.c_str());

  // A looped read of an empty file ends.
  const std::string empty = MakeFile(0);
  unaFileStream e(empty, true);
  std::vector<uint8_t> buf(16);
  EXPECT_EQ(e.read(buf.data(), 16, true), 0u);
  std::remove(empty.c_str());
}

TEST(AudioFiles, ReadOnlyMappingsNeverChangeTheFile) {
  const std::string small = MakeFile(5);
  {
    unaMappedFile m(small, true, PAGE_READONLY);
    EXPECT_EQ(m.view(), nullptr);
  }
  EXPECT_EQ(fileSize(small), 5);
  const std::string missing = soundtest::TempPath(".none");
  {
    unaMappedFile m(missing, true, PAGE_READONLY);
    EXPECT_EQ(m.view(), nullptr);
  }
  EXPECT_FALSE(isExistingFile(missing));
  {
    unaMappedFile m(small, true, PAGE_READWRITE);  // a writable mapping grows it
    ASSERT_NE(m.view(), nullptr);
    EXPECT_EQ(m.mappingSize(), 32u);
  }
  EXPECT_EQ(fileSize(small), 32);
  std::remove(small.c_str());
  const std::string big = MakeFile(100);
  unaMappedFile m(big, true, PAGE_READONLY);
  ASSERT_NE(m.view(), nullptr);
  EXPECT_EQ(static_cast<const uint8_t*>(m.view())[99], 99);
  std::remove(big.c_str());

  unaMappedMemory a("shared-block", true, true, PAGE_READWRITE, 4096);
  unaMappedMemory b("shared-block", false, true, PAGE_READWRITE, 4096);
  ASSERT_NE(a.view(), nullptr);
  EXPECT_EQ(a.view(), b.view());
}

TEST(AudioFiles, TimerTicksAndStops) {
  unaMMTimer t(5);
  std::atomic<int> ticks{0};
  t.onTimer = [&](unaAbstractTimer*) { ++ticks; };
  t.start();
  EXPECT_TRUE(audiotest::WaitFor([&] { return ticks.load() >= 3; }));
  t.stop();
  const int after = ticks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ticks.load(), after);
  t.setInterval(100);
  EXPECT_EQ(t.requestedPeriod(), 10u);
}
