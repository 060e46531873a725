// The player's picture shown on screen while a conversion captures frames, without holding up the
// capture: the capture thread hands each rendered picture over by exchanging buffers, a worker
// thread turns the newest one into an opaque picture ready for the screen, and the user-interface
// thread shows the newest ready picture when it next paints. Pictures that arrive faster than
// they are shown are skipped, never queued, and every picture shown is a whole one.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace lumicast {

// Three slots passed between one writer and one reader. The writer fills its slot and publishes
// it; the reader takes the newest published slot. The slot the reader holds and the one waiting
// for it are never the writer's, so nothing the reader sees is written while it looks; a
// published slot not taken yet is handed back to the writer by the next publish (skipped).
template <typename T>
class TLatestSlot {
 public:
  // Writer only: the slot to fill next.
  T& WriteSlot() { return slots_[write_]; }
  // Writer: its slot holds a whole picture, now the newest.
  void Publish() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(write_, ready_);
    fresh_ = true;
  }
  // Reader: takes the newest published slot when there is one it has not taken; true then.
  bool Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!fresh_) return false;
    std::swap(read_, ready_);
    fresh_ = false;
    return true;
  }
  // A published slot waits for the reader.
  bool Fresh() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fresh_;
  }
  // Reader only: the slot last taken (as built, before the first Take).
  const T& ReadSlot() const { return slots_[read_]; }

 private:
  std::array<T, 3> slots_{};
  int write_ = 0, ready_ = 1, read_ = 2;
  bool fresh_ = false;
  mutable std::mutex mutex_;
};

// Copies Count pixels of B, G, R, x from Src to Dst with the fourth byte set to 255.
void CopyOpaque(const uint8_t* Src, uint8_t* Dst, size_t Count);

class TLivePreview {
 public:
  // A picture: rows of Width pixels of 4 bytes, top row first.
  struct TPicture {
    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
  };

  // Starts the worker.
  TLivePreview();
  // Stops the worker and frees every picture.
  ~TLivePreview();
  TLivePreview(const TLivePreview&) = delete;
  TLivePreview& operator=(const TLivePreview&) = delete;

  // Capture thread: a buffer of Width x Height pixels (B, G, R, x) to render the next picture
  // into; nobody else reads it. The buffer of the previous call stays readable until Publish has
  // been followed by another call here.
  uint8_t* PictureBuffer(int Width, int Height);
  // Capture thread: the buffer last returned holds a whole picture; the worker takes it when it
  // is free, in place of any picture it has not taken yet.
  void Publish();

  // User-interface thread: a picture is ready that has not been shown yet.
  bool PictureWaiting() const { return ready_.Fresh(); }
  // User-interface thread: takes the newest ready picture, if any, and returns the picture to
  // show (empty before the first). It stays whole and unchanged until the next call.
  const TPicture& ShownPicture();

  // Previews alive in the process (tests check that a finished run leaves none).
  static int LiveCount() { return live_count_.load(); }

 private:
  void Run();

  TLatestSlot<TPicture> rendered_;  // capture thread -> worker
  TLatestSlot<TPicture> ready_;     // worker -> user-interface thread
  std::mutex mutex_;                // guards the wake-up conditions and stop_
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread worker_;
  static std::atomic<int> live_count_;
};

}  // namespace lumicast
