#include "platform/flash/renderer/band_pool.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace flash {
namespace {

class BandPool {
 public:
  explicit BandPool(int threads) {
    for (int i = 1; i < threads; ++i) workers_.emplace_back([this] { Work(); });
  }
  ~BandPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  int Threads() const { return static_cast<int>(workers_.size()) + 1; }

  // The bands are handed out one at a time to the caller and to the workers that wake while
  // some are left, so that a thread the machine keeps waiting holds up fewer rows.
  void Run(int count, const std::function<void(int)>& band) {
    std::unique_lock<std::mutex> busy(busy_, std::try_to_lock);
    if (!busy.owns_lock() || workers_.empty() || count <= 1) {
      RunHere(count, band);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job_ = &band;
      next_ = 0;
      count_ = count;
      running_ = 0;
      error_ = nullptr;
      ++generation_;
    }
    wake_.notify_all();
    std::unique_lock<std::mutex> lock(mutex_);
    std::exception_ptr mine = RunTaken(lock, band);
    done_.wait(lock, [this] { return running_ == 0; });
    job_ = nullptr;
    std::exception_ptr error = mine ? mine : error_;
    lock.unlock();
    if (error) std::rethrow_exception(error);
  }

 private:
  static void RunHere(int count, const std::function<void(int)>& band) {
    std::exception_ptr first;
    for (int i = 0; i < count; ++i) {
      try {
        band(i);
      } catch (...) {
        if (!first) first = std::current_exception();
      }
    }
    if (first) std::rethrow_exception(first);
  }

  // Runs bands while some are left to take, the lock held only while taking one; returns the
  // first exception one of them threw.
  std::exception_ptr RunTaken(std::unique_lock<std::mutex>& lock,
                              const std::function<void(int)>& band) {
    std::exception_ptr first;
    while (next_ < count_) {
      const int index = next_++;
      lock.unlock();
      try {
        band(index);
      } catch (...) {
        if (!first) first = std::current_exception();
      }
      lock.lock();
    }
    return first;
  }

  void Work() {
    unsigned long seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return quit_ || (generation_ != seen && next_ < count_); });
      if (quit_) return;
      seen = generation_;
      // Joined while bands are left: the caller waits for this thread before it returns.
      ++running_;
      std::exception_ptr error = RunTaken(lock, *job_);
      if (error && !error_) error_ = error;
      if (--running_ == 0) done_.notify_all();
    }
  }

  std::vector<std::thread> workers_;
  std::mutex busy_;  // held by the caller whose bands the pool runs
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(int)>* job_ = nullptr;
  unsigned long generation_ = 0;
  int next_ = 0, count_ = 0, running_ = 0;
  std::exception_ptr error_;
  bool quit_ = false;
};

int ThreadsWanted() {
  if (const char* s = std::getenv("LUMICAST_RENDER_THREADS")) {
    const int n = std::atoi(s);
    if (n >= 1) return std::min(n, 64);
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 16u));
}

BandPool& Pool() {
  static BandPool pool(ThreadsWanted());
  return pool;
}

}  // namespace

int RenderThreads() { return Pool().Threads(); }

void RunBands(int count, const std::function<void(int)>& band) { Pool().Run(count, band); }

}  // namespace flash
