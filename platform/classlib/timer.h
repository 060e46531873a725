// TTimer: a component that raises OnTimer every Interval milliseconds while
// Enabled. A handler makes it one-shot by disabling it. Tests can fire timers
// on demand instead of waiting for them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/component.h"
#include "platform/classlib/object.h"

namespace classlib {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner = nullptr);
  ~TTimer() override;
  std::string ClassName() const override { return "TTimer"; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  // Milliseconds between ticks; 0 stops the timer.
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t Value);
  TNotifyEvent OnTimer;
  // Assigning the handler through here (re)starts the timer as the
  // component model does; assigning OnTimer directly takes effect at the next tick.
  void SetOnTimer(TNotifyEvent Handler);

  // True while the timer would tick: enabled, interval > 0, a handler assigned.
  bool Active() const;

  // Test hooks. Fire() raises OnTimer now (when active) and restarts the
  // interval. FireDueTimers() fires every active timer whose interval has
  // elapsed since it started or last fired, and returns how many fired.
  void Fire();
  static int FireDueTimers();
  static int ActiveTimerCount();

 protected:
  virtual void Timer();  // raises OnTimer

 private:
  void UpdateTimer();
  bool enabled_ = true;
  uint32_t interval_ = 1000;
  std::chrono::steady_clock::time_point started_{};
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace classlib
