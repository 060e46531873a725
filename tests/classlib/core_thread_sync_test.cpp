// Synchronised calls: run on the user-interface thread from its message processing, pass
// exceptions back, and are abandoned (never run later) once their thread is terminated.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

#include "platform/classlib/application.h"
#include "platform/classlib/thread.h"

using namespace classlib;

namespace {

class Caller : public TThread {
 public:
  explicit Caller(std::function<void()> Body) : body_(std::move(Body)) {}
  ~Caller() override { TerminateAndWait(); }
  std::atomic<bool> returned{false};
  std::atomic<bool> threw{false};

 protected:
  void Execute() override {
    try {
      Synchronize(this, body_);
    } catch (const std::runtime_error&) {
      threw = true;
    }
    returned = true;
  }

 private:
  std::function<void()> body_;
};

}  // namespace

TEST(ThreadSynchronize, CallsRunOnTheUserInterfaceThreadWhileMessagesRun) {
  std::thread::id ran_on;
  Caller c([&] { ran_on = std::this_thread::get_id(); });
  c.Start();
  while (!c.returned) Application->ProcessMessages();
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  EXPECT_TRUE(TThread::IsMainThread());

  Caller failing([] { throw std::runtime_error("in the call"); });
  failing.Start();
  while (!failing.returned) TThread::CheckSynchronize();
  EXPECT_TRUE(failing.threw);

  // On the user-interface thread itself the call runs at once.
  bool direct = false;
  TThread::Synchronize(nullptr, [&] { direct = true; });
  EXPECT_TRUE(direct);
}

TEST(ThreadSynchronize, ATerminatedThreadsCallIsAbandoned) {
  std::atomic<bool> ran{false};
  Caller c([&] { ran = true; });
  c.Start();
  // Give the call time to be queued, then end the thread without letting messages run.
  for (int i = 0; i < 50 && !c.returned; ++i) Sleep(1);
  EXPECT_FALSE(c.returned);
  c.Terminate();
  c.WaitFor();
  EXPECT_TRUE(c.returned);
  TThread::CheckSynchronize();
  Application->ProcessMessages();
  EXPECT_FALSE(ran);
}
