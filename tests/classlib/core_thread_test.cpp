#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/thread.h"

using namespace classlib;

namespace {

// Counts until told to stop.
class Counter : public TThread {
 public:
  ~Counter() override { TerminateAndWait(); }
  std::atomic<int> loops{0};
  TEvent running;

 protected:
  void Execute() override {
    running.SetEvent();
    while (!Terminated()) {
      ++loops;
      Sleep(1);
    }
    SetReturnValue(7);
  }
};

class Thrower : public TThread {
 protected:
  void Execute() override { throw std::runtime_error("boom"); }
};

class SelfFreeing : public TThread {
 public:
  explicit SelfFreeing(std::atomic<bool>* gone, TEvent* done) : gone_(gone), done_(done) {}
  ~SelfFreeing() override {
    gone_->store(true);
    done_->SetEvent();
  }

 protected:
  void Execute() override {}

 private:
  std::atomic<bool>* gone_;
  TEvent* done_;
};

}  // namespace

TEST(CoreThread, StartsSuspendedRunsUntilTerminatedAndReturnsItsValue) {
  Counter t;
  EXPECT_TRUE(t.Suspended());
  EXPECT_EQ(t.WaitFor(), 0);  // never started: returns at once
  t.SetPriority(TThreadPriority::tpHighest);
  EXPECT_EQ(t.Priority(), TThreadPriority::tpHighest);
  t.Start();
  EXPECT_FALSE(t.Suspended());
  EXPECT_THROW(t.Start(), EThread);
  ASSERT_EQ(t.running.WaitFor(10000), TWaitResult::wrSignaled);
  t.Terminate();
  EXPECT_EQ(t.WaitFor(), 7);
  EXPECT_TRUE(t.Finished());
  EXPECT_EQ(t.FatalException(), nullptr);
}

TEST(CoreThread, ExceptionInExecuteIsKeptAndFreeOnTerminateDeletes) {
  Thrower t;
  t.Start();
  t.WaitFor();
  ASSERT_NE(t.FatalException(), nullptr);
  EXPECT_THROW(std::rethrow_exception(t.FatalException()), std::runtime_error);

  std::atomic<bool> gone{false};
  TEvent done;
  auto* s = new SelfFreeing(&gone, &done);
  s->SetFreeOnTerminate(true);
  s->Start();
  ASSERT_EQ(done.WaitFor(10000), TWaitResult::wrSignaled);
  EXPECT_TRUE(gone.load());
}

TEST(CoreThread, DestroyingARunningThreadStopsIt) {
  auto* t = new Counter;
  t->Start();
  ASSERT_EQ(t->running.WaitFor(10000), TWaitResult::wrSignaled);
  delete t;  // must terminate and join, not hang or crash
  SUCCEED();
}

TEST(CoreThread, EventsManualAndAutoReset) {
  TEvent manual(true, false);
  EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrTimeout);
  manual.SetEvent();
  EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrSignaled);
  EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrSignaled);  // stays set
  manual.ResetEvent();
  EXPECT_EQ(manual.WaitFor(1), TWaitResult::wrTimeout);

  TEvent autoReset(false, true);
  EXPECT_EQ(autoReset.WaitFor(0), TWaitResult::wrSignaled);
  EXPECT_EQ(autoReset.WaitFor(0), TWaitResult::wrTimeout);  // consumed by the first wait
}

TEST(CoreThread, CriticalSectionIsRecursiveAndExcludesOtherThreads) {
  TCriticalSection cs;
  cs.Enter();
  cs.Enter();  // the owner may enter again
  std::atomic<bool> got{true};
  std::thread other([&] {
    got = cs.TryEnter();
    if (got) cs.Leave();
  });
  other.join();
  EXPECT_FALSE(got.load());
  cs.Leave();
  cs.Leave();

  int total = 0;
  auto work = [&] {
    for (int i = 0; i < 10000; ++i) {
      std::lock_guard<TCriticalSection> lock(cs);
      ++total;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(total, 20000);
}
