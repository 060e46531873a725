// Video encoding on a thread of its own: the conversion hands converted
// frames to a short queue and goes on capturing while the encoder works;
// the packets come back in order for the conversion's thread to write, so
// that writing, its errors and the error callback stay on that thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/encoder/image.h"
#include "platform/encoder/internal/ff_util.h"

namespace mcl {

class EncodeQueue {
 public:
  // Makes the encoder's frame of an image (null when it cannot).
  using Converter = std::function<FramePtr(const Image&)>;

  // `codec` is open and is used only by the queue's thread from now on; at
  // most `depth` frames wait for it. `convert` turns queued images into
  // frames on the queue's thread.
  EncodeQueue(AVCodecContext* codec, size_t depth, Converter convert = {});
  // Stops the thread after the frame it is encoding; frames still waiting
  // and packets not taken are freed.
  ~EncodeQueue();
  EncodeQueue(const EncodeQueue&) = delete;
  EncodeQueue& operator=(const EncodeQueue&) = delete;

  // Waits for room, then queues `frame` to be encoded `copies` times with
  // the presentation times pts, pts + 1, ...; `quality` (a lambda, 0 for
  // none) goes with every copy. False once the encoder has failed.
  bool Push(FramePtr frame, int64_t pts, int64_t copies, int quality);
  // The same with a copy of `image`, converted on the queue's thread. The
  // copies are kept and reused: after the first frames nothing is allocated.
  bool PushImage(const Image& image, int64_t pts, int64_t copies, int quality);
  // No more frames: the encoder is flushed after the last one.
  void Close();
  // Moves the packets ready so far to the end of `out`, in the encoder's
  // order. With `untilEnd` (after Close) it first waits until every frame is
  // encoded and the encoder flushed. False once the encoder has failed.
  bool Take(std::deque<PacketPtr>& out, bool untilEnd);

 private:
  struct Item {
    FramePtr frame;
    std::unique_ptr<Image> image;  // to be converted first
    int64_t pts = 0;
    int64_t copies = 0;
    int quality = 0;
  };
  void Run();
  // Encodes one frame (null: flushes); false when the encoder fails.
  bool Encode(AVFrame* frame);

  // Waits for room; false once the encoder has failed.
  bool WaitForRoom(std::unique_lock<std::mutex>& lock);

  AVCodecContext* codec_;
  size_t depth_;
  Converter convert_;
  std::vector<std::unique_ptr<Image>> spareImages_;
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
