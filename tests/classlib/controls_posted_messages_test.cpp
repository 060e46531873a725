// Posted messages: delivered later in order through WndProc, removable while
// pending, discarded with their control; the quit message ends the loop.
#include <cstdlib>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/classlib/application.h"
#include "platform/classlib/control.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/message_queue.h"

using namespace classlib;

namespace {

constexpr uint32_t WM_PING = WM_USER + 1;
constexpr uint32_t WM_PONG = WM_USER + 2;

class TRecorder : public TWinControl {
 public:
  explicit TRecorder(TComponent* AOwner) : TWinControl(AOwner) {}
  std::vector<std::pair<uint32_t, uintptr_t>> got;
  bool throw_on_ping = false;

  void WndProc(TMessage& Message) override {
    if (Message.Msg >= WM_USER) {
      got.emplace_back(Message.Msg, Message.WParam);
      if (throw_on_ping && Message.Msg == WM_PING) throw Exception("ping failed");
      return;
    }
    TWinControl::WndProc(Message);
  }
};

}  // namespace

TEST(ControlsPostedMessages, DeliveredInOrderLaterAndRemovableWhilePending) {
  TRecorder r(nullptr);
  ASSERT_TRUE(PostMessage(&r, WM_PING, 1));
  ASSERT_TRUE(PostMessage(&r, WM_PONG, 2));
  ASSERT_TRUE(PostMessage(&r, WM_PING, 3));
  EXPECT_TRUE(r.got.empty());  // nothing arrives before the loop runs
  EXPECT_EQ(PendingMessageCount(&r, WM_PING), 2);

  TMessage removed;
  ASSERT_TRUE(RemovePendingMessage(&r, WM_PING, &removed));
  EXPECT_EQ(removed.WParam, 1u);  // the oldest one goes
  EXPECT_FALSE(RemovePendingMessage(&r, WM_USER + 9));
  EXPECT_FALSE(RemovePendingMessage(nullptr, WM_PONG));  // a window's message needs its window
  EXPECT_FALSE(PostMessage(nullptr, WM_PING));

  Application->WaitUntil([&] { return r.got.size() >= 2; });
  Application->ProcessMessages();
  ASSERT_EQ(r.got.size(), 2u);
  EXPECT_EQ(r.got[0], std::make_pair(WM_PONG, uintptr_t{2}));
  EXPECT_EQ(r.got[1], std::make_pair(WM_PING, uintptr_t{3}));
  EXPECT_EQ(PendingMessageCount(&r, WM_PING), 0);
}

TEST(ControlsPostedMessages, OtherThreadsPostAndDestroyedTargetsAreSkipped) {
  TRecorder r(nullptr);
  std::thread worker([&] {
    for (uintptr_t i = 0; i < 50; ++i) PostMessage(&r, WM_PING, i);
  });
  worker.join();
  // A message for a control destroyed before delivery never arrives (a
  // delivery would touch freed memory, which the sanitizer build reports).
  auto* gone = new TRecorder(nullptr);
  PostMessage(gone, WM_PING, 99);
  delete gone;
  Application->WaitUntil([&] { return r.got.size() >= 50; });
  ASSERT_EQ(r.got.size(), 50u);
  for (uintptr_t i = 0; i < 50; ++i) EXPECT_EQ(r.got[i].second, i);
}

TEST(ControlsPostedMessages, ExceptionInAPostedHandlerGoesToTheApplication) {
  TRecorder r(nullptr);
  r.throw_on_ping = true;
  std::vector<std::string> shown;
  auto saved = Application->OnException;
  Application->OnException = [&](TObject*, const std::exception& E) { shown.push_back(E.what()); };
  PostMessage(&r, WM_PING);
  PostMessage(&r, WM_PONG);
  Application->WaitUntil([&] { return r.got.size() >= 2; });
  Application->OnException = saved;
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "ping failed");
  EXPECT_EQ(r.got.size(), 2u);
}

// The quit message matches any window when removed, so a caller can take it
// out and post it again; reaching it terminates the application, which stays
// terminated, so that part runs in a child process.
TEST(ControlsPostedMessagesDeathTest, QuitMessageCanBeTakenOutAndEndsTheLoop) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TRecorder r(nullptr);
        PostQuitMessage(7);
        TMessage m;
        bool taken = RemovePendingMessage(&r, WM_QUIT, &m) && m.WParam == 7u &&
                     PendingMessageCount(nullptr, WM_QUIT) == 0;
        PostQuitMessage(static_cast<int>(m.WParam));
        bool ended = !Application->WaitUntil([] { return false; });
        std::_Exit(taken && ended && Application->Terminated() && QuitExitCode() == 7 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
