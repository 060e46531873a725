// Video encoding on a thread of its own: the conversion hands converted
// frames to a short queue and goes on capturing while the encoder works;
// the packets come back in order for the conversion's thread to write, so
// that writing, its errors and the error callback stay on that thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/encoder/internal/ff_util.h"

namespace mcl {

class EncodeQueue {
public:
  // `codec` is open and is used only by the queue's thread from now on; at
  // most `depth` frames wait for it.
  EncodeQueue(AVCodecContext* codec, size_t depth);
  // Stops the thread after the frame it is encoding; frames still waiting
  // and packets not taken are freed.
  ~EncodeQueue();
  EncodeQueue(const EncodeQueue&) = delete;
  EncodeQueue& operator=(const EncodeQueue&) = delete;

  // Waits for room, then queues `frame` to be encoded `copies` times with
  // the presentation times pts, pts + 1, ...; `quality` (a lambda, 0 for
  // none) goes with every copy. False once the encoder has failed.
  bool Push(FramePtr frame, int64_t pts, int64_t copies, int quality);
  // No more frames: the encoder is flushed after the last one.
  void Close();
  // Moves the packets ready so far to the end of `out`, in the encoder's
  // order. With `untilEnd` (after Close) it first waits until every frame is
  // encoded and the encoder flushed. False once the encoder has failed.
  bool Take(std::deque<PacketPtr>& out, bool untilEnd);

private:
  struct Item {
    FramePtr frame;
    int64_t pts = 0;
    int64_t copies = 0;
    int quality = 0;
  };
  void Run();
  // Encodes one frame (null: flushes); false when the encoder fails.
  bool Encode(AVFrame* frame);

  AVCodecContext* codec_;
  size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> waiting_;
  std::deque<PacketPtr> ready_;
  bool closed_ = false;
  bool stopping_ = false;
  bool failed_ = false;
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace mcl
