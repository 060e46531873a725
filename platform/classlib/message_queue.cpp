#include "platform/classlib/message_queue.h"

#include <atomic>
#include <deque>
#include <mutex>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include "platform/classlib/application.h"
#include "platform/classlib/control.h"

namespace classlib {

namespace {

struct PostedEntry {
  uint64_t seq;
  TWinControl* target;  // null for the quit message
  TMessage message;
};

std::mutex g_mutex;
std::deque<PostedEntry> g_queue;
uint64_t g_next_seq = 1;
std::atomic<int> g_quit_code{0};

QEvent::Type PostedEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// The toolkit event that stands for one queued message; it carries only the
// entry's number, so a message removed in the meantime is simply not found.
class TPostedEvent : public QEvent {
 public:
  explicit TPostedEvent(uint64_t Seq) : QEvent(PostedEventType()), seq(Seq) {}
  uint64_t seq;
};

void Deliver(uint64_t Seq) {
  PostedEntry entry{};
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_queue.begin();
    while (it != g_queue.end() && it->seq != Seq) ++it;
    if (it == g_queue.end()) return;  // removed before its turn
    entry = *it;
    g_queue.erase(it);
  }
  if (entry.target == nullptr) {
    if (entry.message.Msg == WM_QUIT) {
      g_quit_code = static_cast<int>(entry.message.WParam);
      Application->Terminate();
    }
    return;
  }
  TWinControl* control = entry.target;
  TMessage m = entry.message;
  SafeCall(control, [&] { control->Perform(m.Msg, m.WParam, m.LParam); });
}

// Lives in the toolkit's main thread and receives the posted events there.
class TPostedReceiver : public QObject {
 public:
  bool event(QEvent* Event) override {
    if (Event->type() == PostedEventType()) {
      Deliver(static_cast<TPostedEvent*>(Event)->seq);
      return true;
    }
    return QObject::event(Event);
  }
};

QObject* Receiver() {
  static QObject* receiver = [] {
    auto* r = new TPostedReceiver();
    if (QCoreApplication* app = QCoreApplication::instance();
        app != nullptr && r->thread() != app->thread())
      r->moveToThread(app->thread());
    return r;
  }();
  return receiver;
}

bool Post(TWinControl* Target, uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
  if (QCoreApplication::instance() == nullptr) return false;
  uint64_t seq;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    seq = g_next_seq++;
    TMessage m;
    m.Msg = Msg;
    m.WParam = WParam;
    m.LParam = LParam;
    g_queue.push_back(PostedEntry{seq, Target, m});
  }
  QCoreApplication::postEvent(Receiver(), new TPostedEvent(seq));
  return true;
}

bool Matches(const PostedEntry& E, TWinControl* Control, uint32_t Msg) {
  if (E.message.Msg != Msg) return false;
  return E.target == Control || (E.target == nullptr && Msg == WM_QUIT);
}

}  // namespace

bool PostMessage(TWinControl* Control, uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
  if (Control == nullptr) return false;
  return Post(Control, Msg, WParam, LParam);
}

void PostQuitMessage(int ExitCode) {
  Post(nullptr, WM_QUIT, static_cast<uintptr_t>(static_cast<uint32_t>(ExitCode)), 0);
}

bool RemovePendingMessage(TWinControl* Control, uint32_t Msg, TMessage* Removed) {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    if (!Matches(*it, Control, Msg)) continue;
    if (Removed != nullptr) *Removed = it->message;
    g_queue.erase(it);
    return true;
  }
  return false;
}

int PendingMessageCount(TWinControl* Control, uint32_t Msg) {
  std::lock_guard<std::mutex> lock(g_mutex);
  int n = 0;
  for (const PostedEntry& e : g_queue)
    if (Matches(e, Control, Msg)) ++n;
  return n;
}

int QuitExitCode() { return g_quit_code; }

void DiscardPostedMessages(TWinControl* Control) {
  if (Control == nullptr) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  for (auto it = g_queue.begin(); it != g_queue.end();) {
    if (it->target == Control)
      it = g_queue.erase(it);
    else
      ++it;
  }
}

}  // namespace classlib
