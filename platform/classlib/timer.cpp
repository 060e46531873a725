#include "platform/classlib/timer.h"

#include <algorithm>
#include <vector>

#include <QTimer>

#include "platform/classlib/application.h"

namespace classlib {

namespace {
// Every live timer, so tests can fire the due ones.
std::vector<TTimer*>& AllTimers() {
  static std::vector<TTimer*> timers;
  return timers;
}
}  // namespace

struct TTimer::Impl {
  std::unique_ptr<QTimer> timer;
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), impl_(std::make_unique<Impl>()) {
  AllTimers().push_back(this);
  // Enabled with a 1000 ms interval from the start: the tick only raises
  // OnTimer once a handler is assigned.
  UpdateTimer();
}

TTimer::~TTimer() {
  auto& all = AllTimers();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  if (impl_->timer) {
    impl_->timer->stop();
    // A timer may be destroyed from inside its own tick; let Qt drop it later.
    impl_->timer.release()->deleteLater();
  }
}

void TTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t Value) {
  if (Value == interval_) return;
  interval_ = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Handler) {
  OnTimer = std::move(Handler);
  UpdateTimer();
}

bool TTimer::Active() const { return enabled_ && interval_ > 0 && static_cast<bool>(OnTimer); }

void TTimer::UpdateTimer() {
  if (!impl_->timer) {
    impl_->timer = std::make_unique<QTimer>();
    impl_->timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(impl_->timer.get(), &QTimer::timeout, [this] {
      // The handler may be cleared or the timer disabled meanwhile.
      if (!Active()) return;
      started_ = std::chrono::steady_clock::now();
      SafeCall(this, [this] { Timer(); });
    });
  }
  impl_->timer->stop();
  if (enabled_ && interval_ > 0) {
    started_ = std::chrono::steady_clock::now();
    impl_->timer->start(static_cast<int>(std::min<uint32_t>(interval_, 0x7FFFFFFF)));
  }
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

void TTimer::Fire() {
  if (!Active()) return;
  UpdateTimer();  // the next tick is a full interval from now
  SafeCall(this, [this] { Timer(); });
}

int TTimer::FireDueTimers() {
  auto now = std::chrono::steady_clock::now();
  // Copy: a handler may create or destroy timers.
  std::vector<TTimer*> due;
  for (TTimer* t : AllTimers())
    if (t->Active() && now - t->started_ >= std::chrono::milliseconds(t->interval_))
      due.push_back(t);
  int fired = 0;
  for (TTimer* t : due) {
    auto& all = AllTimers();
    if (std::find(all.begin(), all.end(), t) == all.end())
      continue;  // destroyed by an earlier handler
    if (!t->Active()) continue;
    t->Fire();
    ++fired;
  }
  return fired;
}

int TTimer::ActiveTimerCount() {
  int n = 0;
  for (TTimer* t : AllTimers())
    if (t->Active()) ++n;
  return n;
}

}  // namespace classlib
