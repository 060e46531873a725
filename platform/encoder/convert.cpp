// MclConvert: pulls the sound answers, then the images, from the caller's
// source callbacks and writes them through the media writer.
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <new>

#include "platform/encoder/audio_stream.h"
#include "platform/encoder/codec_table.h"
#include "platform/encoder/image.h"
#include "platform/encoder/job.h"
#include "platform/encoder/mcl.h"
#include "platform/encoder/internal/media_writer.h"

namespace mcl {
namespace {

// The handle a source callback answers on.
struct Source : Object {
  enum class Answer { None, Image, File, Samples, Finished };
  Answer answer = Answer::None;
  MclHandle image = 0;
  double frameRate = 0.0;
  AudioItem item;

  void Clear() {
    answer = Answer::None;
    image = 0;
    frameRate = 0.0;
    item = AudioItem{};
  }
};

// Thrown through the library when a callback of the caller threw; the
// caller's exception is kept in Converter::pending_ and passed on at the top.
struct CallbackThrew {};

// Owns a handle for the duration of a conversion.
struct HandleGuard {
  MclHandle handle = 0;
  ~HandleGuard() {
    if (handle) Release(handle);
  }
};

class Converter {
 public:
  Converter(Job& job, MclHandle jobHandle) : job_(job), jobHandle_(jobHandle) {}

  int32_t Run() {
    const int32_t r = RunSteps();
    // An abort or an unreadable input still leaves a finished, playable file
    // of what was written; after a failed write the file is only closed.
    if ((r == kMclAborted || r == kMclReadError) && writer_ && !writer_->Aborted())
      writer_->Finish();
    writer_.reset();
    return r;
  }
  // After a callback threw: close and delete the output.
  void DiscardOutput() {
    if (writer_) writer_->Discard();
    writer_.reset();
  }
  std::exception_ptr pending_;

 private:
  int32_t RunSteps();
  Source& Ask(MclSourceCallback cb, void* user, HandleGuard& source);
  int32_t AskError(const std::string& fileName);
  int32_t CollectAudio();
  int32_t OpenWriter(int width, int height);
  int32_t WriteAudioUntil(int64_t frames);  // total audio frames written so far reach `frames`

  Job& job_;
  MclHandle jobHandle_;
  std::unique_ptr<AudioStream> audio_;
  std::unique_ptr<MediaWriter> writer_;
  bool dryRun_ = false;
  int64_t audioWritten_ = 0;
  bool audioEnded_ = false;
  std::vector<int16_t> audioBlock_;
};

Source& Converter::Ask(MclSourceCallback cb, void* user, HandleGuard& source) {
  Source* s = FindAs<Source>(source.handle);
  if (!s) {
    source.handle = Register(std::make_unique<Source>());
    s = FindAs<Source>(source.handle);
  }
  s->Clear();
  try {
    cb(source.handle, user);
  } catch (...) {
    pending_ = std::current_exception();
    throw CallbackThrew{};
  }
  // The callback may have freed nothing of ours; the source handle is the
  // library's own and outlives the call.
  return *s;
}

int32_t Converter::AskError(const std::string& fileName) {
  if (!job_.error) return 0;
  int32_t action = kMclActionIgnore;
  try {
    job_.error(job_.errorUser, fileName.c_str(), &action);
  } catch (...) {
    pending_ = std::current_exception();
    throw CallbackThrew{};
  }
  if (action != kMclActionAbort && action != kMclActionRetry) action = kMclActionIgnore;
  return action;
}

int32_t Converter::CollectAudio() {
  if (!job_.audioSource) return kMclOk;
  const bool mpeg = job_.fileFormat == kMclFormatMpeg;
  const int rate = OutputSampleRate(job_);
  const int channels = mpeg ? 2 : job_.channels;
  audio_ = std::make_unique<AudioStream>(rate, channels,
                                         [this](const std::string& n) { return AskError(n); });
  HandleGuard source;
  for (;;) {
    Source& s = Ask(job_.audioSource, job_.audioSourceUser, source);
    if (s.answer == Source::Answer::File) {
      if (dryRun_) continue;
      const int32_t r = audio_->CheckFile(s.item.fileName);
      if (r == kMclOk)
        audio_->Add(std::move(s.item));
      else if (r != kMclActionIgnore)
        return r;
    } else if (s.answer == Source::Answer::Samples) {
      if (!dryRun_) audio_->Add(std::move(s.item));
    } else {
      break;  // finished, or no answer
    }
  }
  if (audio_->Empty()) audio_.reset();
  return kMclOk;
}

int32_t Converter::OpenWriter(int width, int height) {
  writer_ =
      std::make_unique<MediaWriter>(job_, [this](const std::string& n) { return AskError(n); });
  const int32_t r = writer_->Open(job_.videoFileName, width, height, audio_ != nullptr);
  if (r == kMclOk && audio_ && writer_->AudioChannels() > 0)
    audioBlock_.resize(size_t(4096) * size_t(writer_->AudioChannels()));
  return r;
}

int32_t Converter::WriteAudioUntil(int64_t frames) {
  if (!audio_ || !writer_ || !writer_->HasAudio()) return kMclOk;
  const int ch = writer_->AudioChannels();
  while (!audioEnded_ && audioWritten_ < frames) {
    const int64_t want = std::min<int64_t>(frames - audioWritten_, 4096);
    const int64_t got = audio_->Read(audioBlock_.data(), want);
    if (got < 0) return int32_t(-got);
    if (got < want) audioEnded_ = true;
    if (got > 0) {
      if (job_.audioFunc) {
        try {
          job_.audioFunc(job_.audioFuncUser, audioBlock_.data(), int32_t(got));
        } catch (...) {
          pending_ = std::current_exception();
          throw CallbackThrew{};
        }
      }
      const int32_t r = writer_->WriteAudio(audioBlock_.data(), int(got));
      if (r != kMclOk) return r;
      audioWritten_ += got;
    }
  }
  (void)ch;
  return kMclOk;
}

int32_t Converter::RunSteps() {
  dryRun_ = job_.videoFileName.empty();
  if (!dryRun_) {
    if (job_.fileFormat != kMclFormatAvi && job_.fileFormat != kMclFormatMpeg) return kMclBadOutput;
    if (!FindCodec(job_.fileFormat, job_.codec)) return kMclBadOutput;
    // The sound track goes into the video file; another file is not offered.
    if (!job_.audioFileName.empty() && job_.audioFileName != job_.videoFileName && job_.audioSource)
      return kMclBadOutput;
  }

  int32_t r = CollectAudio();
  if (r != kMclOk) return r;

  const bool sizeKnown = job_.width > 0 && job_.height > 0;
  if (!dryRun_ && sizeKnown) {
    r = OpenWriter(job_.width, job_.height);
    if (r != kMclOk) return r;
  }

  // Frame-rate arithmetic of keep-duration: the source time is the sum of
  // segments of equal rate, so that long runs do not gather rounding error.
  const double outFps = writer_ ? av_q2d(writer_->FrameRate()) : job_.frameRate;
  long double doneSegments = 0.0L;  // seconds of finished segments
  double segmentRate = 0.0;
  int64_t segmentCount = 0;
  int64_t outFrames = 0;
  double lastRate = job_.frameRate;

  HandleGuard source;
  if (job_.videoSource) {
    for (;;) {
      Source& s = Ask(job_.videoSource, job_.videoSourceUser, source);
      if (s.answer != Source::Answer::Image) break;
      Image* img = FindAs<Image>(s.image);
      if (!img || img->Empty()) return kMclBadImage;
      const double rate = s.frameRate > 0.0 ? s.frameRate : lastRate;
      lastRate = rate;

      int64_t copies = 1;
      if (job_.keepDuration) {
        if (rate != segmentRate) {
          if (segmentCount > 0) doneSegments += (long double)segmentCount / segmentRate;
          segmentRate = rate;
          segmentCount = 0;
        }
        ++segmentCount;
        const long double end = doneSegments + (long double)segmentCount / segmentRate;
        const int64_t target = int64_t(std::llround(double(end * outFps)));
        copies = target > outFrames ? target - outFrames : 0;
      }
      if (job_.videoFunc) {
        try {
          job_.videoFunc(job_.videoFuncUser, jobHandle_, s.image);
        } catch (...) {
          pending_ = std::current_exception();
          throw CallbackThrew{};
        }
        img = FindAs<Image>(s.image);
        if (!img || img->Empty()) return kMclBadImage;
      }
      if (!dryRun_ && !writer_) {
        r = OpenWriter(img->width, img->height);
        if (r != kMclOk) return r;
      }
      if (writer_ && copies > 0) {
        r = writer_->WriteVideo(*img, copies);
        if (r != kMclOk) return r;
      }
      outFrames += copies;
      if (writer_ && writer_->HasAudio()) {
        r = WriteAudioUntil(
            av_rescale_q(outFrames, AVRational{writer_->FrameRate().den, writer_->FrameRate().num},
                         AVRational{1, writer_->AudioRate()}));
        if (r != kMclOk) return r;
      }
      if (job_.progress) {
        try {
          job_.progress(job_.progressUser, jobHandle_,
                        int32_t(std::min<int64_t>(outFrames, INT32_MAX)),
                        outFps > 0 ? double(outFrames) / outFps : 0.0);
        } catch (...) {
          pending_ = std::current_exception();
          throw CallbackThrew{};
        }
      }
    }
  }

  if (dryRun_) return kMclOk;
  if (!writer_) return kMclBadInput;  // no image and no size to write a file of

  if (writer_->HasAudio()) {
    int64_t until = INT64_MAX;
    if (job_.truncateToVideo)
      until =
          av_rescale_q(outFrames, AVRational{writer_->FrameRate().den, writer_->FrameRate().num},
                       AVRational{1, writer_->AudioRate()});
    r = WriteAudioUntil(until);
    if (r != kMclOk) return r;
  }
  r = writer_->Finish();
  writer_.reset();
  return r;
}

}  // namespace
}  // namespace mcl

int32_t MclConvert(MclHandle handle) {
  mcl::Job* job = mcl::FindAs<mcl::Job>(handle);
  if (!job) return kMclBadJob;
  if (job->converting) return kMclException;  // the same job from inside its own callbacks
  job->converting = true;
  struct Done {
    MclHandle handle;
    ~Done() {
      mcl::Job* j = mcl::FindAs<mcl::Job>(handle);
      if (!j) return;
      j->converting = false;
      if (j->freeRequested) mcl::Release(handle);
    }
  } done{handle};

  mcl::Converter conv(*job, handle);
  int32_t result;
  try {
    result = conv.Run();
  } catch (const mcl::CallbackThrew&) {
    conv.DiscardOutput();
    std::rethrow_exception(conv.pending_);
  } catch (...) {
    conv.DiscardOutput();
    return kMclException;
  }
  return result;
}

int32_t MclSourceSetImage(MclHandle source, MclHandle image) {
  mcl::Source* s = mcl::FindAs<mcl::Source>(source);
  if (!s) return kMclBadSound;
  if (!mcl::FindAs<mcl::Image>(image)) return kMclBadImage;
  s->answer = mcl::Source::Answer::Image;
  s->image = image;
  return kMclOk;
}

int32_t MclSourceSetFrameRate(MclHandle source, double fps) {
  mcl::Source* s = mcl::FindAs<mcl::Source>(source);
  if (!s) return kMclBadSound;
  if (!(fps > 0.0 && fps <= 1000.0)) return kMclBadInput;
  s->frameRate = fps;
  return kMclOk;
}

int32_t MclSourceSetFile(MclHandle source, const char* fileName) {
  mcl::Source* s = mcl::FindAs<mcl::Source>(source);
  if (!s) return kMclBadSound;
  if (!fileName || !*fileName) return kMclBadInput;
  s->answer = mcl::Source::Answer::File;
  s->item = mcl::AudioItem{};
  s->item.isFile = true;
  s->item.fileName = fileName;
  return kMclOk;
}

int32_t MclSourceSetSamples(MclHandle source, const void* data, int32_t frames, int32_t sampleRate,
                            int32_t channels, int32_t bits) {
  mcl::Source* s = mcl::FindAs<mcl::Source>(source);
  if (!s) return kMclBadSound;
  if (frames < 0 || sampleRate <= 0 || sampleRate > 1000000 || channels < 1 || channels > 8 ||
      (bits != 8 && bits != 16))
    return kMclBadInput;
  s->answer = mcl::Source::Answer::Samples;
  s->item = mcl::AudioItem{};
  s->item.frames = frames;
  s->item.rate = sampleRate;
  s->item.channels = channels;
  s->item.bits = bits;
  if (data && frames > 0) {
    const size_t bytes = size_t(frames) * size_t(channels) * size_t(bits / 8);
    const auto* p = static_cast<const uint8_t*>(data);
    s->item.data.assign(p, p + bytes);
  }
  return kMclOk;
}

int32_t MclSourceFinished(MclHandle source) {
  mcl::Source* s = mcl::FindAs<mcl::Source>(source);
  if (!s) return kMclBadSound;
  s->answer = mcl::Source::Answer::Finished;
  return kMclOk;
}
