// Small helpers over the FFmpeg C interfaces: owning pointers and the
// conversion of library images into encoder frames.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/encoder/image.h"

namespace mcl {

struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwsDeleter {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;

// A frame with its buffers, or null when out of memory.
FramePtr AllocFrame(int width, int height, AVPixelFormat format);

// Frames of one format and size whose buffers come from a pool: a buffer
// goes back to the pool when the last reference to it goes (ours or the
// encoder's), so after the first frames nothing frame-sized is allocated.
// The pool lives until the last of its frames has gone.
class FramePool {
 public:
  FramePool(int width, int height, AVPixelFormat format);
  ~FramePool();
  FramePool(const FramePool&) = delete;
  FramePool& operator=(const FramePool&) = delete;
  // A frame with its buffers, or null when out of memory.
  FramePtr Get();

 private:
  int width_, height_;
  AVPixelFormat format_;
  int linesize_[4] = {};
  size_t planeSize_[4] = {};
  int planes_ = 0;
  AVBufferPool* pools_[4] = {};
};

// A pool of buffers of `size` bytes counted by LivePoolBuffers; null when
// out of memory. Freed with av_buffer_pool_uninit.
AVBufferPool* CountedBufferPool(size_t size);

// How many buffers of frame pools are allocated now (in the pools or in
// use). A conversion that has ended leaves this where it found it.
size_t LivePoolBuffers();

// Converts (and scales, when the sizes differ) a top-down BGRA image into
// `dst`, which has its format, size, colour range and buffers. With `opaque`
// the alpha of the image is ignored (written as 255 where the target has
// alpha). `cache` keeps the scaler between calls; with `threads` above 1 a
// new scaler converts in that many slices at once. Returns false when no
// scaler can be made.
bool ImageToFrame(const Image& image, AVFrame* dst, bool opaque, SwsPtr& cache, int threads = 1);

// Sends the FFmpeg libraries' own messages to the program's standard error,
// each text once: errors and warnings only, never a line per frame. Called by
// every entry point that uses the libraries; only the first call acts.
void RouteLibraryMessages();

// The line a library message of `level` with text `text` gives, or "" when
// it is not shown: below warning level, or a text already shown. At most
// kMaxLibraryMessages different texts are shown in a run.
std::string LibraryMessageLine(int level, const char* className, const std::string& text);
constexpr size_t kMaxLibraryMessages = 200;

}  // namespace mcl
