// Threads and synchronisation objects: TThread, TCriticalSection, TEvent,
// plus Sleep and GetTickCount.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/classlib/object.h"

namespace classlib {

enum class TThreadPriority {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

// A thread object. It is always created suspended: the derived object must be
// fully built before its Execute can run, so the creator calls Start (or
// Resume) when it is ready.
//
// An exception that escapes Execute ends the thread and is kept in
// FatalException. With FreeOnTerminate the object deletes itself when Execute
// returns; such a thread must not be waited for or deleted by anyone else.
//
// A derived class whose Execute uses the derived object's members should call
// TerminateAndWait() in its own destructor, so that Execute has stopped before
// those members go away; the base destructor does the same as a last resort.
class TThread : public TObject {
 public:
  TThread();
  ~TThread() override;
  std::string ClassName() const override { return "TThread"; }

  // Starts a suspended thread. Raises EThread "Thread already started" when
  // the thread has been started before.
  void Start();
  void Resume() { Start(); }
  // Asks Execute to finish: sets Terminated, which Execute polls.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  // Blocks until Execute has returned; returns ReturnValue. Returns at once
  // for a thread that was never started.
  int WaitFor();
  // Terminate, then WaitFor.
  void TerminateAndWait();

  bool Suspended() const { return !started_.load(); }
  bool Finished() const { return finished_.load(); }
  bool FreeOnTerminate() const { return free_on_terminate_.load(); }
  void SetFreeOnTerminate(bool Value) { free_on_terminate_.store(Value); }
  // Kept only: threads run at the system's normal priority.
  TThreadPriority Priority() const { return priority_; }
  void SetPriority(TThreadPriority Value) { priority_ = Value; }
  int ReturnValue() const { return return_value_.load(); }
  std::exception_ptr FatalException() const;
  std::thread::id ThreadID() const;

  // Runs Method on the user-interface thread and waits for it. Called there, it runs at once;
  // from another thread the call waits until the user-interface thread runs it from its event
  // loop, ProcessMessages, WaitUntil or CheckSynchronize. Once Thread (when given) is
  // terminated, a call not yet begun is abandoned and Synchronize returns without running it.
  // An exception of Method passes to the caller of Synchronize.
  static void Synchronize(TThread* Thread, const std::function<void()>& Method);
  // Runs every pending synchronised call; on the user-interface thread only (elsewhere it does
  // nothing). True when one ran.
  static bool CheckSynchronize();
  // The thread that runs synchronised calls.
  static bool IsMainThread();

 protected:
  virtual void Execute() = 0;
  void SetReturnValue(int Value) { return_value_.store(Value); }

 private:
  void Run();

  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable done_;
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> free_on_terminate_{false};
  std::atomic<int> return_value_{0};
  TThreadPriority priority_ = TThreadPriority::tpNormal;
  std::exception_ptr fatal_exception_;
};

// A recursive lock: the thread that holds it may enter it again.
class TCriticalSection : public TObject {
 public:
  std::string ClassName() const override { return "TCriticalSection"; }
  void Acquire() { mutex_.lock(); }
  void Release() { mutex_.unlock(); }
  void Enter() { Acquire(); }
  void Leave() { Release(); }
  bool TryEnter() { return mutex_.try_lock(); }
  // So that std::lock_guard / std::scoped_lock can hold it.
  void lock() { Acquire(); }
  void unlock() { Release(); }

 private:
  std::recursive_mutex mutex_;
};

enum class TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// An event object. A manual-reset event stays signalled until ResetEvent; an
// auto-reset event lets one waiter through and resets itself.
class TEvent : public TObject {
 public:
  explicit TEvent(bool ManualReset = true, bool InitialState = false)
      : manual_reset_(ManualReset), signaled_(InitialState) {}
  std::string ClassName() const override { return "TEvent"; }
  void SetEvent();
  void ResetEvent();
  // Waits at most Timeout milliseconds (INFINITE: no limit; 0: just tests).
  TWaitResult WaitFor(uint32_t Timeout = INFINITE);

 private:
  std::mutex mutex_;
  std::condition_variable cond_;
  bool manual_reset_;
  bool signaled_;
};

// Pauses the calling thread; Sleep(0) yields.
void Sleep(uint32_t Milliseconds);
// Milliseconds from a fixed point in the past (monotonic, wraps at 2^32).
uint32_t GetTickCount();

}  // namespace classlib
