// Encoding on its own thread behind a short queue: frames come out in the order they went in,
// pooled frame buffers are reused and all go back when a conversion ends however it ends (an
// error, a throwing callback, a source that stops early, the queue torn down with frames still
// waiting), the threaded colour conversion gives the same pixels as the plain one, and images
// converted side by side are encoded in the order they were queued.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/encoder/handles.h"
#include "platform/encoder/image.h"
#include "platform/encoder/internal/encode_queue.h"
#include "platform/encoder/internal/ff_util.h"
#include "platform/encoder/mcl.h"
#include "tests/encoder/encoder_test_util.h"
#include "tests/support/test_app.h"

using namespace enctest;

namespace {

constexpr uint32_t kMjpg = 0x47504A4D;

// A distinct colour for each image, far enough apart to survive lossy coding.
uint32_t ColourOf(int n) {
  const uint32_t levels[4] = {0x20, 0x60, 0xA0, 0xE0};
  return levels[n % 4] << 16 | levels[(n / 4) % 4] << 8 | levels[(n / 16) % 4];
}

// Delivers `count` images, image n solid ColourOf(n); stops after `stopAfter` images when set
// (the program's Stop), throws on request `throwAt`. With `inPlace` the pixels are written
// straight into the image, noting every distinct storage given and the most storages alive.
struct ColourSource {
  MclHandle image = MclImgCreate();
  int width = 64, height = 48, count = 0;
  int delivered = 0, stopAfter = -1, throwAt = -1, requests = 0;
  bool noisy = false;  // a pattern that compresses badly, for large packets
  bool inPlace = false;
  std::vector<const uint8_t*> storages;
  size_t mostAlive = 0;
  ~ColourSource() { MclImgFree(image); }
  void WriteInPlace(uint32_t c);
  static void Callback(MclHandle source, void* user) {
    auto* s = static_cast<ColourSource*>(user);
    if (s->requests++ == s->throwAt) throw std::runtime_error("source failed");
    if (s->delivered >= s->count || s->delivered == s->stopAfter) {
      MclSourceFinished(source);
      return;
    }
    const uint32_t c = ColourOf(s->delivered++);
    if (s->inPlace) {
      s->WriteInPlace(c);
      MclSourceSetImage(source, s->image);
      return;
    }
    const bool noisy = s->noisy;
    FillImage(s->image, s->width, s->height, [c, noisy](int x, int y) {
      return noisy ? c ^ (uint32_t(x * 2654435761u ^ y * 40503u) & 0x7F7F7F) : c;
    });
    MclSourceSetImage(source, s->image);
  }
};

void ColourSource::WriteInPlace(uint32_t c) {
  uint8_t* p = MclImgWritePixels(image, width, height, 0);
  ASSERT_NE(p, nullptr);
  if (std::find(storages.begin(), storages.end(), p) == storages.end()) storages.push_back(p);
  mostAlive = std::max(mostAlive, mcl::PixelBuffer::LiveStorageCount());
  for (int i = 0; i < width * height; ++i) {
    p[i * 4] = uint8_t(c);
    p[i * 4 + 1] = uint8_t(c >> 8);
    p[i * 4 + 2] = uint8_t(c >> 16);
    p[i * 4 + 3] = 255;
  }
}

void ExpectColourNear(const std::vector<uint8_t>& bgra, uint32_t rgb, int frame) {
  ASSERT_GE(bgra.size(), 4u);
  // The centre pixel, away from any edge effects.
  const size_t mid = bgra.size() / 2 / 4 * 4;
  const int b = bgra[mid], g = bgra[mid + 1], r = bgra[mid + 2];
  EXPECT_NEAR(r, int(rgb >> 16 & 0xFF), 12) << "frame " << frame;
  EXPECT_NEAR(g, int(rgb >> 8 & 0xFF), 12) << "frame " << frame;
  EXPECT_NEAR(b, int(rgb & 0xFF), 12) << "frame " << frame;
}

struct Job {
  lumitest::TempDir dir;
  MclHandle job = MclCreate();
  std::string path;
  Job(const std::string& name, bool mpeg) {
    path = dir.File(name);
    if (mpeg) {
      MclVideoSetFileFormat(job, kMclFormatMpeg);
      MclVideoSetCodec(job, kMclCodecMpeg2);
      MclVideoSetFormat(job, 64, 48, 24);
      MclVideoSetFrameRate(job, 25);
      MclVideoSetKeyFrameRate(job, 6);  // B-frames: the encoder reorders
    } else {
      MclVideoSetFileFormat(job, kMclFormatAvi);
      MclVideoSetCodec(job, kMjpg);
      MclVideoSetFormat(job, 64, 48, 24);
      MclVideoSetFrameRate(job, 25);
    }
    MclVideoSetFileName(job, path.c_str());
  }
  ~Job() { MclFree(job); }
};

TEST(EncodeThread, FramesComeOutInOrderWithTheirCopies) {
  for (bool mpeg : {false, true}) {
    const size_t handles = mcl::LiveHandleCount();
    Job job(mpeg ? "order.mpg" : "order.avi", mpeg);
    ColourSource src;
    src.count = 40;
    MclAssignVideoSource(job.job, &ColourSource::Callback, &src);
    ASSERT_EQ(MclConvert(job.job), kMclOk);
    EXPECT_EQ(src.delivered, 40);
    EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
    for (int n = 0; n < 40; ++n) {
      int w = 0, h = 0;
      ExpectColourNear(DecodeFrameBGRA(job.path, n, w, h), ColourOf(n), n);
    }
    MclImgFree(src.image);
    src.image = 0;
    EXPECT_EQ(mcl::LiveHandleCount(), handles + 1);  // only the job itself is left
  }

  // Keep-duration doubles every image of a 12 fps source into a 24 fps file: copies stay together.
  Job job("copies.avi", false);
  MclVideoSetFrameRate(job.job, 24);
  MclVideoSetKeepDuration(job.job, -1);
  struct Rated : ColourSource {
    static void Callback(MclHandle source, void* user) {
      ColourSource::Callback(source, user);
      MclSourceSetFrameRate(source, 12);
    }
  } src;
  src.count = 10;
  MclAssignVideoSource(job.job, &Rated::Callback, &src);
  ASSERT_EQ(MclConvert(job.job), kMclOk);
  EXPECT_EQ(Probe(job.path).Video()->packets, 20);
  for (int n = 0; n < 20; ++n) {
    int w = 0, h = 0;
    ExpectColourNear(DecodeFrameBGRA(job.path, n, w, h), ColourOf(n / 2), n);
  }
}

TEST(EncodeThread, EveryEndingLeavesNoFrameBehind) {
  // A callback that throws with frames in the queue: the exception passes on, the file goes.
  {
    Job job("throw.avi", false);
    ColourSource src;
    src.count = 30;
    src.throwAt = 7;
    MclAssignVideoSource(job.job, &ColourSource::Callback, &src);
    EXPECT_THROW(MclConvert(job.job), std::runtime_error);
    EXPECT_FALSE(FileExists(job.path));
    EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
  }
  // A write that fails with frames in the queue, answered "abort".
  {
    Job job("full.avi", false);
    MclVideoSetFileName(job.job, "/dev/full");
    MclVideoSetFormat(job.job, 320, 240, 24);  // packets large enough to fail before the end
    ColourSource src;
    src.width = 320;
    src.height = 240;
    src.count = 300;
    src.noisy = true;
    ErrorRecorder errors;
    errors.answers = {kMclActionAbort};
    MclAssignVideoSource(job.job, &ColourSource::Callback, &src);
    MclAssignError(job.job, &ErrorRecorder::Callback, &errors);
    EXPECT_EQ(MclConvert(job.job), kMclAborted);
    EXPECT_LT(src.delivered, 300);
    EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
  }
  // Stopped early by the program: the frames delivered so far are all in the file.
  {
    Job job("stop.avi", false);
    ColourSource src;
    src.count = 30;
    src.stopAfter = 9;
    MclAssignVideoSource(job.job, &ColourSource::Callback, &src);
    EXPECT_EQ(MclConvert(job.job), kMclOk);
    EXPECT_EQ(Probe(job.path).Video()->packets, 9);
    int w = 0, h = 0;
    ExpectColourNear(DecodeFrameBGRA(job.path, 8, w, h), ColourOf(8), 8);
    EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
  }
}

TEST(EncodeThread, PixelsWrittenInPlaceGoOutInOrderFromAFewReusedStorages) {
  const size_t before = mcl::PixelBuffer::LiveStorageCount();
  {
    Job job("direct.avi", false);
    ColourSource src;
    src.inPlace = true;
    src.count = 120;
    MclAssignVideoSource(job.job, &ColourSource::Callback, &src);
    ASSERT_EQ(MclConvert(job.job), kMclOk);
    ASSERT_EQ(src.delivered, 120);
    // The queue's frames and a spare: never one storage a frame.
    EXPECT_LE(src.storages.size(), 9u);
    EXPECT_LE(src.mostAlive, before + 9);
    for (int n = 0; n < 120; n += 7) {
      int w = 0, h = 0;
      ExpectColourNear(DecodeFrameBGRA(job.path, n, w, h), ColourOf(n), n);
    }
  }
  EXPECT_EQ(mcl::PixelBuffer::LiveStorageCount(), before);
  EXPECT_EQ(mcl::LivePoolBuffers(), 0u);

  // Stopped, failing with frames in the queue, or torn by a throwing callback: once the image
  // goes, no frame's pixels are left anywhere.
  for (int ending = 0; ending < 3; ++ending) {
    SCOPED_TRACE(ending);
    {
      Job job("ending.avi", false);
      if (ending == 1) MclVideoSetFileName(job.job, "/dev/full");
      ColourSource src;
      src.inPlace = true;
      src.count = 200;
      if (ending == 0) src.stopAfter = 11;
      if (ending == 2) src.throwAt = 13;
      ErrorRecorder errors;
      errors.answers = {kMclActionAbort};
      MclAssignError(job.job, &ErrorRecorder::Callback, &errors);
      MclAssignVideoSource(job.job, &ColourSource::Callback, &src);
      if (ending == 2) {
        EXPECT_THROW(MclConvert(job.job), std::runtime_error);
      } else {
        const int32_t r = MclConvert(job.job);
        EXPECT_EQ(r, ending == 0 ? kMclOk : kMclAborted);
      }
      if (ending == 0) {
        EXPECT_EQ(Probe(job.path).Video()->packets, 11);
      }
      EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
    }
    EXPECT_EQ(mcl::PixelBuffer::LiveStorageCount(), before);
  }
}

// Frame-sized pixel memory lies on large-page boundaries (small blocks as usual); a frame of a
// large picture refilled while the queue holds it still takes a storage of its own.
TEST(EncodeThread, LargePixelMemoryIsAlignedAndFramesStayApart) {
  constexpr size_t kLarge = size_t{5} << 20;
  void* large = mcl::AllocatePixelMemory(kLarge);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(large) % (size_t{2} << 20), 0u);
  std::memset(large, 0x5A, kLarge);
  mcl::FreePixelMemory(large, kLarge);
  void* small = mcl::AllocatePixelMemory(100);
  ASSERT_NE(small, nullptr);
  std::memset(small, 1, 100);
  mcl::FreePixelMemory(small, 100);

  mcl::Image caller;
  caller.Reset(1024, 768);
  std::memset(caller.Row(0), 7, caller.bgra.size());
  mcl::Image queued;
  queued.bgra.Share(caller.bgra);
  caller.Reset(1024, 768);
  std::memset(caller.Row(0), 9, caller.bgra.size());
  EXPECT_EQ(std::as_const(queued.bgra)[queued.bgra.size() - 1], 7);
  EXPECT_EQ(std::as_const(caller.bgra)[0], 9);
}

TEST(EncodeThread, WritePixelsChecksItsArgumentsAndSetsTheAlphaFlag) {
  MclHandle image = MclImgCreate();
  MclHandle job = MclCreate();
  EXPECT_EQ(MclImgWritePixels(job, 4, 4, 0), nullptr);
  EXPECT_EQ(MclImgWritePixels(999999, 4, 4, 0), nullptr);
  EXPECT_EQ(MclImgWritePixels(image, 0, 4, 0), nullptr);
  EXPECT_EQ(MclImgWritePixels(image, 4, -1, 0), nullptr);
  EXPECT_EQ(MclImgWritePixels(image, 16385, 4, 0), nullptr);
  uint8_t* p = MclImgWritePixels(image, 3, 2, -1);
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 3 * 2 * 4; ++i) p[i] = uint8_t(i);
  const mcl::Image* img = mcl::FindAs<mcl::Image>(image);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->width, 3);
  EXPECT_EQ(img->height, 2);
  EXPECT_TRUE(img->hasAlpha);
  EXPECT_EQ(img->Row(1)[3], 15);  // top row first
  ASSERT_NE(MclImgWritePixels(image, 3, 2, 0), nullptr);
  EXPECT_FALSE(img->hasAlpha);
  MclFree(job);
  MclImgFree(image);
}

// A 320 x 240 Motion JPEG encoder, or null.
mcl::CodecContextPtr OpenMjpeg() {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  if (!codec) return nullptr;
  mcl::CodecContextPtr c(avcodec_alloc_context3(codec));
  c->width = 320;
  c->height = 240;
  c->pix_fmt = AV_PIX_FMT_YUVJ420P;
  c->time_base = AVRational{1, 25};
  if (avcodec_open2(c.get(), codec, nullptr) < 0) return nullptr;
  return c;
}

TEST(EncodeThread, QueueTornDownWithFramesWaitingFreesThem) {
  mcl::CodecContextPtr c = OpenMjpeg();
  ASSERT_TRUE(c);
  {
    mcl::FramePool pool(320, 240, AV_PIX_FMT_YUVJ420P);
    mcl::EncodeQueue queue(c.get(), 2);
    for (int i = 0; i < 6; ++i) {
      mcl::FramePtr f = pool.Get();
      ASSERT_TRUE(f);
      for (int p = 0; p < 3; ++p)
        std::memset(f->data[p], 128, size_t(f->linesize[p]) * (p ? 120 : 240));
      ASSERT_TRUE(queue.Push(std::move(f), i * 3, 3, 0));
    }
    // Not closed: the queue goes with frames waiting or being encoded.
  }
  EXPECT_EQ(mcl::LivePoolBuffers(), 0u);

  // Closed and taken to the end: one packet a copy, in presentation order.
  {
    mcl::CodecContextPtr c2 = OpenMjpeg();
    ASSERT_TRUE(c2);
    mcl::FramePool pool(320, 240, AV_PIX_FMT_YUVJ420P);
    mcl::EncodeQueue queue(c2.get(), 2);
    std::deque<mcl::PacketPtr> packets;
    for (int i = 0; i < 5; ++i) {
      mcl::FramePtr f = pool.Get();
      for (int p = 0; p < 3; ++p)
        std::memset(f->data[p], 100, size_t(f->linesize[p]) * (p ? 120 : 240));
      ASSERT_TRUE(queue.Push(std::move(f), i * 2, 2, 0));
      ASSERT_TRUE(queue.Take(packets, false));
    }
    queue.Close();
    ASSERT_TRUE(queue.Take(packets, true));
    ASSERT_EQ(packets.size(), 10u);
    for (size_t i = 0; i < packets.size(); ++i) EXPECT_EQ(packets[i]->pts, int64_t(i));
    // Two frames wait at most, the encoder holds some: far fewer buffers than frames went in.
    EXPECT_LT(mcl::LivePoolBuffers(), 3u * 5u);
  }
  EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
}

TEST(EncodeThread, ThreadedColourConversionMatchesThePlainOne) {
  mcl::Image image;
  image.Reset(211, 97);  // odd sizes: slices of unequal height
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      uint8_t* p = image.Row(y) + x * 4;
      p[0] = uint8_t(x * 7 + y);
      p[1] = uint8_t(y * 5);
      p[2] = uint8_t(x ^ y);
      p[3] = 255;
    }
  struct Case {
    int w, h;
    AVPixelFormat format;
    bool full;
  } cases[] = {{211, 97, AV_PIX_FMT_YUV420P, true},
               {211, 97, AV_PIX_FMT_YUV420P, false},
               {120, 64, AV_PIX_FMT_YUV420P, false},
               {300, 200, AV_PIX_FMT_RGB24, false}};
  for (const Case& c : cases) {
    mcl::FramePool pool(c.w, c.h, c.format);
    mcl::FramePtr one = pool.Get(), many = pool.Get();
    ASSERT_TRUE(one && many);
    for (AVFrame* f : {one.get(), many.get()})
      f->color_range = c.full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    mcl::SwsPtr s1, s4;
    ASSERT_TRUE(mcl::ImageToFrame(image, one.get(), true, s1, 1));
    ASSERT_TRUE(mcl::ImageToFrame(image, many.get(), true, s4, 4));
    const int planes = c.format == AV_PIX_FMT_RGB24 ? 1 : 3;
    for (int p = 0; p < planes; ++p) {
      const int rows = p == 0 ? c.h : (c.h + 1) / 2;
      const int bytes = c.format == AV_PIX_FMT_RGB24 ? c.w * 3 : (p == 0 ? c.w : (c.w + 1) / 2);
      for (int y = 0; y < rows; ++y)
        ASSERT_EQ(std::memcmp(one->data[p] + ptrdiff_t(y) * one->linesize[p],
                              many->data[p] + ptrdiff_t(y) * many->linesize[p], size_t(bytes)),
                  0)
            << c.w << "x" << c.h << " plane " << p << " row " << y;
    }
  }
  EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
}

TEST(EncodeThread, PoolReusesItsBuffers) {
  mcl::FramePool pool(640, 480, AV_PIX_FMT_YUV420P);
  for (int i = 0; i < 20; ++i) {
    mcl::FramePtr f = pool.Get();
    ASSERT_TRUE(f);
    EXPECT_EQ(av_frame_is_writable(f.get()), 1);
  }
  // One buffer a plane served all twenty frames.
  EXPECT_EQ(mcl::LivePoolBuffers(), 3u);
}

}  // namespace

// The queue shares the caller's pixels instead of copying them: a change of the caller's image
// afterwards leaves the shared pixels as they were, keeps the image's own pixels when only some
// are written, and once the queue lets go the image takes its earlier storage again.
TEST(EncodeThread, SharedPixelsStayUntilTheQueueLetsGo) {
  mcl::Image caller;
  caller.Reset(4, 2);
  for (size_t i = 0; i < caller.bgra.size(); ++i) caller.bgra[i] = static_cast<uint8_t>(i);
  const uint8_t* first = std::as_const(caller.bgra).data();

  mcl::Image queued;
  queued.bgra.Share(caller.bgra);
  EXPECT_TRUE(caller.bgra.Shared());
  EXPECT_EQ(std::as_const(queued.bgra).data(), first);  // no copy

  caller.bgra[5] = 200;  // one byte written: the rest is still there
  EXPECT_NE(std::as_const(caller.bgra).data(), first);
  EXPECT_EQ(caller.bgra[4], 4);
  EXPECT_EQ(caller.bgra[5], 200);
  EXPECT_EQ(std::as_const(queued.bgra)[5], 5);

  caller.Reset(4, 2);  // refilled while the queue holds the first pixels: they stay
  caller.bgra[0] = 99;
  EXPECT_EQ(std::as_const(queued.bgra)[0], 0);

  queued.bgra.Share(caller.bgra);
  const uint8_t* second = std::as_const(caller.bgra).data();
  queued.bgra.Release();
  caller.Reset(4, 2);  // no one else holds it: written in place
  caller.bgra[1] = 7;
  EXPECT_EQ(std::as_const(caller.bgra).data(), second);

  queued.bgra.Share(caller.bgra);
  caller.Reset(4, 2);  // the first storage is free again and taken back
  caller.bgra[1] = 8;
  EXPECT_EQ(std::as_const(caller.bgra).data(), first);
  EXPECT_EQ(std::as_const(queued.bgra)[1], 7);
}

// Raw grey frames: each packet holds the frame's bytes, so a packet tells which image it came from.
mcl::CodecContextPtr OpenRawGrey(int width, int height) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
  if (!codec) return nullptr;
  mcl::CodecContextPtr c(avcodec_alloc_context3(codec));
  c->width = width;
  c->height = height;
  c->pix_fmt = AV_PIX_FMT_GRAY8;
  c->time_base = AVRational{1, 25};
  if (avcodec_open2(c.get(), codec, nullptr) < 0) return nullptr;
  return c;
}

// Images converted on several workers at once reach the encoder in the order they were queued,
// also when the first one takes longest; no two threads use one worker's state at once; a failed
// conversion ends the encoding after every image queued before it and before any queued after.
TEST(EncodeThread, ImagesConvertedSideBySideReachTheEncoderInOrder) {
  constexpr int kW = 16, kH = 8, kImages = 12;
  for (const int failAt : {-1, 5}) {
    mcl::CodecContextPtr c = OpenRawGrey(kW, kH);
    ASSERT_TRUE(c);
    auto pool = std::make_unique<mcl::FramePool>(kW, kH, AV_PIX_FMT_GRAY8);
    std::mutex m;
    std::condition_variable cv;
    int converted = 0;
    bool clash = false;
    std::vector<int> busy(3, 0);
    std::set<int> workersSeen;
    {
      mcl::EncodeQueue queue(
          c.get(), 4,
          [&](const mcl::Image& image, int worker) -> mcl::FramePtr {
            const int n = image.Row(0)[0];
            {
              std::unique_lock<std::mutex> lock(m);
              if (worker < 0 || worker >= 3 || busy[size_t(worker)]++ != 0) clash = true;
              workersSeen.insert(worker);
              // The first image waits until a later one is converted.
              if (n == 0) cv.wait(lock, [&] { return converted > 0; });
            }
            mcl::FramePtr f = n == failAt ? nullptr : pool->Get();
            if (f)
              for (int y = 0; y < kH; ++y) std::memset(f->data[0] + y * f->linesize[0], n, kW);
            std::lock_guard<std::mutex> lock(m);
            --busy[size_t(worker)];
            ++converted;
            cv.notify_all();
            return f;
          },
          3);
      mcl::Image image;
      std::deque<mcl::PacketPtr> packets;
      bool pushed = true;
      for (int n = 0; n < kImages && pushed; ++n) {
        image.Reset(kW, kH);
        std::memset(image.bgra.data(), n, image.bgra.size());
        pushed = queue.PushImage(image, 2 * n, 2, 0);
      }
      queue.Close();
      EXPECT_EQ(queue.Take(packets, true), failAt < 0);
      const size_t expected = size_t(failAt < 0 ? kImages : failAt) * 2;
      ASSERT_EQ(packets.size(), expected);
      for (size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i]->pts, int64_t(i));
        ASSERT_EQ(packets[i]->size, kW * kH);
        EXPECT_EQ(packets[i]->data[0], uint8_t(i / 2)) << "packet " << i;
      }
    }
    EXPECT_FALSE(clash);
    EXPECT_GT(workersSeen.size(), 1u);
    pool.reset();
    EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
  }
}

// A queue torn down while images wait to be converted or are being converted frees them all and
// gives the caller's pixels back.
TEST(EncodeThread, QueueTornDownWithImagesWaitingFreesThem) {
  mcl::CodecContextPtr c = OpenRawGrey(64, 32);
  ASSERT_TRUE(c);
  auto pool = std::make_unique<mcl::FramePool>(64, 32, AV_PIX_FMT_GRAY8);
  mcl::Image image;
  {
    mcl::EncodeQueue queue(
        c.get(), 3,
        [&](const mcl::Image&, int) -> mcl::FramePtr {
          mcl::FramePtr f = pool->Get();
          if (f) std::memset(f->data[0], 7, size_t(f->linesize[0]) * 32);
          return f;
        },
        2);
    for (int n = 0; n < 8; ++n) {
      image.Reset(64, 32);
      std::memset(image.bgra.data(), n, image.bgra.size());
      ASSERT_TRUE(queue.PushImage(image, n, 1, 0));
    }
  }
  EXPECT_FALSE(image.bgra.Shared());
  pool.reset();
  EXPECT_EQ(mcl::LivePoolBuffers(), 0u);
}
