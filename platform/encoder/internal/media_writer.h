// The output side of a conversion: an AVI or MPEG file with one video
// stream and an optional sound track, written through libavformat.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/encoder/internal/encode_queue.h"
#include "platform/encoder/internal/ff_util.h"
#include "platform/encoder/image.h"
#include "platform/encoder/job.h"

struct AVFormatContext;
struct AVStream;

namespace mcl {

struct CodecEntry;

// The sample rate of the sound track a job writes: the job's rate, or for
// MPEG files the nearest of the rates MPEG audio takes at full bit rates
// (32, 44.1 and 48 kHz).
int OutputSampleRate(const Job& job);

class MediaWriter {
 public:
  // Asked with the output file name when a write fails; answers one of the
  // kMclAction... values, or 0 when nobody can be asked.
  using ErrorAsk = std::function<int32_t(const std::string&)>;

  MediaWriter(const Job& job, ErrorAsk ask);
  ~MediaWriter();
  MediaWriter(const MediaWriter&) = delete;
  MediaWriter& operator=(const MediaWriter&) = delete;

  // Creates the file and its streams. Returns kMclOk, kMclAborted,
  // kMclBadOutput (unknown format or codec), kMclWriteError (nothing could be
  // created, not asked or not ignored) or kMclException.
  int32_t Open(const std::string& fileName, int width, int height, bool withAudio);
  // Encodes `copies` frames of the image (scaled to the output size).
  int32_t WriteVideo(const Image& image, int64_t copies);
  // Appends interleaved 16-bit samples (the job's rate and channels).
  int32_t WriteAudio(const int16_t* samples, int frames);
  // Flushes the encoders and finishes the file.
  int32_t Finish();
  // Closes the file without finishing it and deletes it.
  void Discard();

  bool HasAudio() const { return audioCtx_ != nullptr; }
  int AudioRate() const;
  int AudioChannels() const;
  // Output frame rate as a fraction.
  AVRational FrameRate() const { return frameRate_; }
  // A write failed and was ignored: nothing more is written, the result is 5.
  bool WriteFailed() const { return writeFailed_; }
  // A failed write was answered "abort".
  bool Aborted() const { return aborted_; }

 private:
  int32_t OpenVideo(int width, int height);
  int32_t OpenAudio();
  int32_t WritePacket(AVPacket* pkt);
  // Writes the packets the encoder `c` has ready to `stream`; `flush` first ends its input.
  int32_t Drain(AVCodecContext* c, AVStream* stream, bool flush);
  int32_t EncodeAudioFrames(bool flush);
  // Writes the video packets the encoding thread has ready; with `untilEnd`
  // waits for the last of them (the input must have been closed).
  int32_t WriteEncodedVideo(bool untilEnd);
  int32_t HandleWriteError();
  void CloseFile();

  const Job& job_;
  ErrorAsk ask_;
  std::string fileName_;
  AVFormatContext* fmt_ = nullptr;
  bool fileOpen_ = false;
  bool headerWritten_ = false;
  bool writeFailed_ = false;
  bool aborted_ = false;
  const CodecEntry* entry_ = nullptr;

  AVStream* videoStream_ = nullptr;
  CodecContextPtr videoCtx_;              // null for uncompressed frames
  std::unique_ptr<FramePool> framePool_;  // the encoder's input frames
  FramePtr videoFrame_;                   // uncompressed frames: the scaled image
  SwsPtr sws_;
  std::vector<SwsPtr> scalers_;  // one for each converting thread of the queue
  AVRational frameRate_{25, 1};
  int64_t videoPts_ = 0;
  int width_ = 0, height_ = 0;
  bool keepAlpha_ = false;
  int qscale_ = 0;
  AVBufferPool* dibPool_ = nullptr;  // uncompressed frames, bottom-up, as packets
  size_t dibSize_ = 0;
  Image scaled_;

  AVStream* audioStream_ = nullptr;
  CodecContextPtr audioCtx_;
  std::vector<int16_t> audioPending_;
  int audioFrameSize_ = 1024;
  int64_t audioPts_ = 0;
  FramePtr audioFrame_;
  PacketPtr packet_;
  std::deque<PacketPtr> encoded_;
  // Last: it stops before the encoder and the frame pool go.
  std::unique_ptr<EncodeQueue> queue_;
};

}  // namespace mcl
