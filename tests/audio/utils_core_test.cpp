// Format texts, numbers, file routines, the gate, threads and the memory stream.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <random>
#include <stdexcept>
#include <thread>

#include "audio/core.h"
#include "audio/utils.h"
#include "tests/audio/audio_test_util.h"
#include "tests/sound/wave_data.h"

using namespace lumicast;

TEST(AudioUtils, FormatTextsRoundTripAndDescribe) {
  const WAVEFORMATEX cd = pcmFormat(44100, 16, 2);
  EXPECT_EQ(formatToText(cd), "AQACAESsAAAQsQIABAAQAA==");
  WAVEFORMATEX back;
  ASSERT_TRUE(textToFormat("AQACAESsAAAQsQIABAAQAA==", back));
  EXPECT_TRUE(sameFormat(back, cd));
  EXPECT_EQ(back.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(formatDescription(cd), "PCM: 44,100 kHz; 16 Bit; Stereo");
  WAVEFORMATEX adpcm = pcmFormat(8000, 4, 1);
  adpcm.wFormatTag = 0x11;
  adpcm.extra = {0xF9, 0x01};
  adpcm.cbSize = 2;
  EXPECT_EQ(formatDescription(adpcm), "#17: 8,000 kHz; 4 Bit; Mono");
  ASSERT_TRUE(textToFormat(formatToText(adpcm), back));
  EXPECT_EQ(back.extra, adpcm.extra);
  WAVEFORMATEX six = cd;
  six.nChannels = 6;
  six.wFormatTag = 0x55;
  EXPECT_EQ(formatDescription(six), "MP3: 44,100 kHz; 16 Bit; 6 channels");
  // Texts that decode to fewer than 16 bytes, or announce missing extra bytes, fail.
  EXPECT_FALSE(textToFormat("", back));
  EXPECT_FALSE(textToFormat("AQACAESsAAAQsQIABAA=", back));
  EXPECT_FALSE(textToFormat(formatToText(adpcm).substr(0, 24), back));
  // Decoding skips characters outside the alphabet.
  EXPECT_EQ(base64Decode("QU\nJD"), (std::vector<uint8_t>{'A', 'B', 'C'}));
  const uint8_t two[] = {'a', 'b'};
  EXPECT_EQ(base64Encode(two, 2), "YWI=");
  EXPECT_EQ(base64Decode("YWI="), (std::vector<uint8_t>{'a', 'b'}));
}

TEST(AudioUtils, NumbersAndTexts) {
  EXPECT_EQ(intToText(44100, 10, 3, ","), "44,100");
  EXPECT_EQ(intToText(0), "0");
  EXPECT_EQ(intToText(-255, 16), "-FF");
  EXPECT_EQ(intToText(0x10000004, 16), "10000004");
  EXPECT_EQ(intToText(INT64_MIN, 10), "-9223372036854775808");
  EXPECT_EQ(textToInt("  1Fh ", -1), 31);
  EXPECT_EQ(textToInt("$ff", -1), 255);
  EXPECT_EQ(textToInt("-0012", -1), -12);
  EXPECT_EQ(textToInt("12a", -1), -1);
  EXPECT_EQ(textToInt("", 5), 5);
  EXPECT_EQ(padded("7", 3, '0', true), "007");
  EXPECT_EQ(padded("1234", 3, '0', true), "1234");
  EXPECT_EQ(trim("\t a b \n"), "a b");
  EXPECT_EQ(gcd(12, 18), 6);
  EXPECT_EQ(gcd(0, 18), 1);
  EXPECT_EQ(mmErrorText(33), "33");
  EXPECT_EQ(mmErrorText(513), "BUSY (513)");
  const int16_t samples[] = {1000, -1000, 1000, -1000};
  EXPECT_EQ(sampleLevel(samples, 2, 16, false, 0, 2), 1000u);
  EXPECT_EQ(sampleLevel(samples, 2, 16, false, 2, 2), 0u);
  const uint8_t bytes[] = {128, 129};
  EXPECT_EQ(sampleLevel(bytes, 2, 8, false, 0, 1), 181u);
}

TEST(AudioUtils, FileRoutinesReportTheirFailures) {
  const std::string path = soundtest::TempPath(".bin");
  EXPECT_EQ(saveBytesToFile("", "x", 1), -1);
  EXPECT_EQ(saveBytesToFile("/nonexistent-dir/x", "x", 1), -2);
  EXPECT_EQ(saveBytesToFile(path, "abc", 3, 2, 0), 0);
  EXPECT_EQ(saveBytesToFile(path, "de", 2, 2, 0), 0);  // appended
  EXPECT_EQ(saveBytesToFile(path, nullptr, 0, 2, 0), 0);
  EXPECT_EQ(fileSize(path), 5);
  EXPECT_TRUE(isExistingFile(path));
  EXPECT_EQ(soundtest::ReadFileBytes(path), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e'}));
  char buf[8];
  size_t size = 8;
  EXPECT_EQ(readFromFile(-1, buf, size), -2);
  EXPECT_EQ(size, 0u);
  std::remove(path.c_str());
  EXPECT_FALSE(isExistingFile(path));
  EXPECT_EQ(fileSize(path), 0);
}

TEST(AudioCore, GateIsRecursiveForItsOwnerOnly) {
  unaInProcessGate gate;
  ASSERT_TRUE(gate.enter(0));
  ASSERT_TRUE(gate.enter(0));
  std::atomic<int> got{-1};
  std::thread other([&] { got = gate.enter(0) ? 1 : 0; });
  other.join();
  EXPECT_EQ(got.load(), 0);
  gate.leave();
  std::thread again([&] { got = gate.enter(0) ? 1 : 0; });
  again.join();
  EXPECT_EQ(got.load(), 0);  // still held once
  gate.leave();
  std::thread last([&] {
    got = gate.enter(100) ? 1 : 0;
    gate.leave();
  });
  last.join();
  EXPECT_EQ(got.load(), 1);
  gate.leave();  // not the owner: nothing happens
  EXPECT_FALSE(gate.isHeld());
}

TEST(AudioCore, StopFromInsideExecuteOnlyRequestsAndExceptionsEndTheThread) {
  unaThread t;
  std::atomic<bool> insideResult{true};
  std::atomic<bool> keepGoing{true};
  t.executeHandler = [&](unaThread* self) {
    insideResult = self->stop(1000);
    while (keepGoing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  };
  ASSERT_TRUE(t.start());
  ASSERT_TRUE(audiotest::WaitFor([&] { return !insideResult.load(); }));
  EXPECT_TRUE(t.stopRequested());
  EXPECT_EQ(t.getState(), unaThread::stateRunning);  // the request alone does not stop it
  keepGoing = false;
  EXPECT_TRUE(t.stop(5000));
  EXPECT_EQ(t.getState(), unaThread::stateStopped);

  unaThread thrower;
  std::atomic<bool> ran{false};
  thrower.executeHandler = [&](unaThread*) -> int {
    ran = true;
    throw std::runtime_error("escaped");
  };
  thrower.start();  // may already have ended when start returns
  EXPECT_TRUE(audiotest::WaitFor([&] { return ran.load(); }));
  EXPECT_TRUE(audiotest::WaitFor([&] { return thrower.getState() == unaThread::stateStopped; }));
  EXPECT_TRUE(thrower.stop(1000));
  // It can run again afterwards.
  std::atomic<bool> again{false};
  thrower.executeHandler = [&](unaThread*) {
    again = true;
    return 0;
  };
  thrower.start();
  EXPECT_TRUE(audiotest::WaitFor([&] { return again.load(); }));
  EXPECT_TRUE(thrower.stop(5000));
}

namespace {
// Holds its entry until released, so the starting phase can be seen.
class HeldEntryThread : public unaThread {
 public:
  std::atomic<bool> entered{false}, release{false};
  ~HeldEntryThread() override { stop(); }

 protected:
  void threadEntry() override {
    entered = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
};

// Counts its destructions; frees itself when its body returns.
class SelfFreeingThread : public unaThread {
 public:
  explicit SelfFreeingThread(std::atomic<int>& freed) : unaThread(false, true), freed_(freed) {}
  ~SelfFreeingThread() override { ++freed_; }

 private:
  std::atomic<int>& freed_;
};
}  // namespace

TEST(AudioCore, ThreadStatesFollowEachPhaseAndSuspendedThreadsWaitForResume) {
  HeldEntryThread t;
  std::atomic<bool> ran{false}, finish{false};
  t.executeHandler = [&](unaThread*) {
    ran = true;
    while (!finish) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  };
  EXPECT_EQ(t.getState(), unaThread::stateStopped);
  ASSERT_TRUE(t.startSuspended());
  EXPECT_EQ(t.getState(), unaThread::stateSuspended);
  EXPECT_TRUE(t.startSuspended());  // already made: still the one suspended thread
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(t.entered.load());
  EXPECT_FALSE(ran.load());
  ASSERT_TRUE(t.start());
  EXPECT_EQ(t.getState(), unaThread::stateRunning);
  t.release = true;
  ASSERT_TRUE(audiotest::WaitFor([&] { return ran.load(); }));
  finish = true;
  EXPECT_TRUE(audiotest::WaitFor([&] { return t.getState() == unaThread::stateStopped; }));
  EXPECT_TRUE(t.stop(5000));

  // A plain start reports "starting" until the entry has run.
  t.entered = false;
  t.release = false;
  ran = false;
  finish = false;
  std::atomic<bool> started{false};
  std::thread starter([&] { started = t.start(10000); });
  ASSERT_TRUE(audiotest::WaitFor([&] { return t.entered.load(); }));
  EXPECT_EQ(t.getState(), unaThread::stateStarting);
  t.release = true;
  starter.join();
  EXPECT_TRUE(started.load());
  ASSERT_TRUE(audiotest::WaitFor([&] { return ran.load(); }));
  EXPECT_EQ(t.getState(), unaThread::stateRunning);
  finish = true;
  EXPECT_TRUE(t.stop(5000));
  EXPECT_EQ(t.getState(), unaThread::stateStopped);
}

TEST(AudioCore, StoppingOrDestroyingASuspendedThreadEndsItWithoutWork) {
  unaThread t;
  std::atomic<int> bodies{0};
  std::atomic<bool> sawRequest{false};
  t.executeHandler = [&](unaThread* self) {
    ++bodies;
    sawRequest = self->stopRequested();
    return 0;
  };
  ASSERT_TRUE(t.startSuspended());
  EXPECT_TRUE(t.stop(5000));
  EXPECT_EQ(t.getState(), unaThread::stateStopped);
  EXPECT_TRUE(sawRequest.load());  // the body learns at once that it is to end
  // Afterwards it starts normally, without the old request.
  ASSERT_TRUE(t.start());
  EXPECT_TRUE(audiotest::WaitFor([&] { return bodies.load() == 2; }));
  EXPECT_FALSE(sawRequest.load());
  EXPECT_TRUE(t.stop(5000));

  auto* dropped = new unaThread;
  dropped->executeHandler = [&](unaThread*) { return 0; };
  ASSERT_TRUE(dropped->startSuspended());
  delete dropped;  // must not hang on a thread nobody resumed
}

TEST(AudioCore, FreeWhenDoneThreadsFreeThemselvesExactlyOnce) {
  std::atomic<int> freed{0};
  // Bodies that end at once race the start call that lets them go.
  constexpr int kQuick = 40;
  for (int i = 0; i < kQuick; ++i) {
    auto* t = new SelfFreeingThread(freed);
    t->executeHandler = [](unaThread*) { return 0; };
    t->start();
  }
  EXPECT_TRUE(audiotest::WaitFor([&] { return freed.load() == kQuick; }));

  // A body still running when start returns frees the object when it ends.
  std::atomic<bool> finish{false};
  auto* slow = new SelfFreeingThread(freed);
  slow->executeHandler = [&](unaThread*) {
    while (!finish) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  };
  EXPECT_TRUE(slow->start());
  finish = true;
  EXPECT_TRUE(audiotest::WaitFor([&] { return freed.load() == kQuick + 1; }));

  // Made suspended: nothing is freed until it is resumed and done.
  auto* later = new SelfFreeingThread(freed);
  later->executeHandler = [](unaThread*) { return 0; };
  ASSERT_TRUE(later->startSuspended());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(freed.load(), kQuick + 1);
  later->start();
  EXPECT_TRUE(audiotest::WaitFor([&] { return freed.load() == kQuick + 2; }));

  // Its owner may still delete it while it runs: freed once, by the owner.
  std::atomic<bool> running{false};
  auto* owned = new SelfFreeingThread(freed);
  owned->executeHandler = [&](unaThread* self) {
    running = true;
    while (!self->stopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  };
  owned->start();
  ASSERT_TRUE(audiotest::WaitFor([&] { return running.load(); }));
  delete owned;
  EXPECT_EQ(freed.load(), kQuick + 3);

  // Never started: an ordinary object for its owner.
  delete new SelfFreeingThread(freed);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(freed.load(), kQuick + 4);
}

TEST(AudioCore, ListsGrowInStepsAndOwnTheirObjects) {
  unaList list;
  for (int i = 0; i < 300; ++i) list.add(reinterpret_cast<void*>(static_cast<uintptr_t>(i + 1)));
  EXPECT_EQ(list.capacity(), 512);
  for (int i = 0; i < 100; ++i) list.removeByIndex(0);
  EXPECT_EQ(list.capacity(), 256);
  EXPECT_EQ(list.indexOf(reinterpret_cast<void*>(101)), 0);
  list.setItem(3, nullptr, unaKeep);
  EXPECT_EQ(list.addToFreeSlot(reinterpret_cast<void*>(999)), 3);

  struct Counted : unaObject {
    int* n;
    explicit Counted(int* c) : n(c) {}
    ~Counted() override { ++*n; }
  };
  int freed = 0;
  {
    unaObjectList owned(true);
    owned.add(new Counted(&freed));
    owned.add(new Counted(&freed));
    auto* kept = new Counted(&freed);
    owned.add(kept);
    owned.removeByIndex(2, unaKeep);
    EXPECT_EQ(freed, 0);
    delete kept;
    owned.removeByIndex(0);
    EXPECT_EQ(freed, 2);
  }
  EXPECT_EQ(freed, 3);
}

TEST(AudioCore, MemoryStreamMatchesAQueueAndPoolsChunks) {
  unaMemoryStream s;
  EXPECT_EQ(s.write("abc", 0), 0u);
  EXPECT_EQ(s.getSize(), 0);
  s.write("abcdef", 6);
  char buf[16] = {};
  EXPECT_EQ(s.read(buf, 3, false), 3u);
  EXPECT_EQ(s.read(buf + 3, 3, false), 3u);
  EXPECT_EQ(std::string(buf, 6), "abcabc");
  EXPECT_EQ(s.read(buf, 10, true), 6u);
  EXPECT_EQ(s.getSize(), 0);

  std::mt19937 rng(7);
  std::deque<uint8_t> model;
  for (int step = 0; step < 3000; ++step) {
    if (rng() % 2) {
      std::vector<uint8_t> block(rng() % 300);
      for (auto& b : block) b = static_cast<uint8_t>(rng());
      s.write(block.data(), block.size());
      model.insert(model.end(), block.begin(), block.end());
    } else {
      const size_t want = rng() % 400;
      const bool remove = rng() % 3 != 0;
      std::vector<uint8_t> out(want);
      const size_t got = s.read(out.data(), want, remove);
      ASSERT_EQ(got, std::min(want, model.size()));
      ASSERT_TRUE(std::equal(out.begin(), out.begin() + static_cast<long>(got), model.begin()));
      if (remove) model.erase(model.begin(), model.begin() + static_cast<long>(got));
    }
    ASSERT_EQ(s.getSize(), static_cast<int64_t>(model.size()));
    ASSERT_EQ(s.oldestChunkBytes() == 0, model.empty());
  }

  unaMemoryStream pooled;
  for (int i = 0; i < 60; ++i) pooled.write("0123456789", 10);
  std::vector<char> all(600);
  EXPECT_EQ(pooled.read(all.data(), 600, true), 600u);
  EXPECT_EQ(pooled.poolCount(), 50);
  pooled.write("xy", 2);
  EXPECT_EQ(pooled.poolCount(), 49);  // a pooled chunk was reused
}
