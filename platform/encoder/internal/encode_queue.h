// Video encoding on a thread of its own: the conversion hands converted
// frames to a short queue and goes on capturing while the encoder works;
// the packets come back in order for the conversion's thread to write, so
// that writing, its errors and the error callback stay on that thread.
// Images queued for colour conversion are converted whole, several at once
// on worker threads (one image each), and reach the encoder in the order
// they were queued: no conversion waits for the slowest slice of another,
// so a worker the machine keeps waiting delays only its own image.
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
  // Makes the encoder's frame of an image (null when it cannot); `worker`
  // (0 .. converters - 1) tells which converting thread calls, so that each
  // may keep state of its own. Called on several threads at once.
  using Converter = std::function<FramePtr(const Image&, int worker)>;

  // `codec` is open and is used only by the queue's thread from now on; at
  // most `depth` frames wait for it. `convert` turns queued images into
  // frames on `converters` threads of their own (at least one, at most
  // `depth`).
  EncodeQueue(AVCodecContext* codec, size_t depth, Converter convert = {}, int converters = 1);
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
    bool converting = false;  // a worker has taken the image
    bool ready = true;        // the frame (null: the conversion failed) is there to encode
  };
  void Run();
  // Stops and joins every thread (the encoder's after the frame it is encoding).
  void Stop();
  // A converting worker: converts the oldest image nobody has taken yet.
  void ConvertImages(int worker);
  // The oldest image no worker has taken (null: none); the mutex is held.
  Item* NextToConvert();
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
  std::condition_variable convertible_;  // an image waits for a worker, or stopping
  // Items are held by pointer: workers convert them in place while more are queued.
  std::deque<std::unique_ptr<Item>> waiting_;
  std::deque<PacketPtr> ready_;
  bool closed_ = false;
  bool stopping_ = false;
  bool failed_ = false;
  bool finished_ = false;
  std::thread thread_;
  std::vector<std::thread> converters_;
};

}  // namespace mcl
