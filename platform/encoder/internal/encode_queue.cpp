#include "platform/encoder/internal/encode_queue.h"

#include <algorithm>

namespace mcl {

EncodeQueue::EncodeQueue(AVCodecContext* codec, size_t depth, Converter convert, int converters)
    : codec_(codec),
      depth_(depth < 1 ? 1 : depth),
      convert_(std::move(convert)),
      thread_([this] { Run(); }) {
  if (!convert_) return;
  // More workers than queued images would only wait.
  const size_t count = std::clamp<size_t>(size_t(std::max(converters, 1)), 1, depth_);
  try {
    for (size_t i = 0; i < count; ++i)
      converters_.emplace_back([this, i] { ConvertImages(int(i)); });
  } catch (...) {
    Stop();
    throw;
  }
}

EncodeQueue::~EncodeQueue() { Stop(); }

void EncodeQueue::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  convertible_.notify_all();
  if (thread_.joinable()) thread_.join();
  for (std::thread& t : converters_)
    if (t.joinable()) t.join();
}

bool EncodeQueue::WaitForRoom(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return failed_ || waiting_.size() < depth_; });
  return !failed_;
}

bool EncodeQueue::Push(FramePtr frame, int64_t pts, int64_t copies, int quality) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!WaitForRoom(lock)) return false;
  auto item = std::make_unique<Item>();
  item->frame = std::move(frame);
  item->pts = pts;
  item->copies = copies;
  item->quality = quality;
  waiting_.push_back(std::move(item));
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool EncodeQueue::PushImage(const Image& image, int64_t pts, int64_t copies, int quality) {
  if (!convert_) return false;
  std::unique_ptr<Image> copy;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!WaitForRoom(lock)) return false;
    if (!spareImages_.empty()) {
      copy = std::move(spareImages_.back());
      spareImages_.pop_back();
    }
  }
  // Only this thread adds to the queue: the room waited for is still there.
  if (!copy) copy = std::make_unique<Image>();
  auto item = std::make_unique<Item>();
  copy->width = image.width;
  copy->height = image.height;
  copy->hasAlpha = image.hasAlpha;
  copy->indices.clear();
  // The pixels are shared, not copied: the caller's next change of its image gives the image
  // other storage first.
  copy->bgra.Share(image.bgra);
  item->image = std::move(copy);
  item->pts = pts;
  item->copies = copies;
  item->quality = quality;
  item->ready = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failed_) return false;
    waiting_.push_back(std::move(item));
  }
  convertible_.notify_one();
  return true;
}

void EncodeQueue::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

bool EncodeQueue::Take(std::deque<PacketPtr>& out, bool untilEnd) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (untilEnd) changed_.wait(lock, [this] { return failed_ || finished_; });
  while (!ready_.empty()) {
    out.push_back(std::move(ready_.front()));
    ready_.pop_front();
  }
  return !failed_;
}

bool EncodeQueue::Encode(AVFrame* frame) {
  if (avcodec_send_frame(codec_, frame) < 0) return false;
  for (;;) {
    PacketPtr packet(av_packet_alloc());
    if (!packet) return false;
    const int r = avcodec_receive_packet(codec_, packet.get());
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.push_back(std::move(packet));
  }
}

EncodeQueue::Item* EncodeQueue::NextToConvert() {
  if (failed_) return nullptr;
  for (auto& item : waiting_)
    if (!item->ready && !item->converting) return item.get();
  return nullptr;
}

void EncodeQueue::ConvertImages(int worker) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    Item* item = nullptr;
    convertible_.wait(lock, [&] { return stopping_ || (item = NextToConvert()) != nullptr; });
    if (stopping_) return;
    item->converting = true;
    lock.unlock();
    // The item stays in the queue meanwhile: only a ready item leaves it.
    FramePtr frame = convert_(*item->image, worker);
    item->image->bgra.Release();  // the caller's storage is free again
    lock.lock();
    item->frame = std::move(frame);
    item->ready = true;
    spareImages_.push_back(std::move(item->image));
    // The encoder may be waiting for just this image.
    changed_.notify_all();
  }
}

void EncodeQueue::Run() {
  for (;;) {
    std::unique_ptr<Item> item;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] {
        return stopping_ || (closed_ && waiting_.empty()) ||
               (!waiting_.empty() && waiting_.front()->ready);
      });
      if (stopping_) return;
      if (waiting_.empty()) {
        // Closed and everything encoded: flush the encoder.
        lock.unlock();
        const bool ok = Encode(nullptr);
        lock.lock();
        (ok ? finished_ : failed_) = true;
        lock.unlock();
        changed_.notify_all();
        return;
      }
      item = std::move(waiting_.front());
      waiting_.pop_front();
    }
    changed_.notify_all();  // room for the next frame
    bool ok = item->frame != nullptr;
    for (int64_t i = 0; ok && i < item->copies; ++i) {
      item->frame->pts = item->pts + i;
      if (item->quality > 0) item->frame->quality = item->quality;
      ok = Encode(item->frame.get());
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) break;
    }
    item->frame.reset();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!ok) failed_ = true;
    }
    changed_.notify_all();
    if (!ok) return;
  }
}

}  // namespace mcl
