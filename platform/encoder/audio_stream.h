// The input side of a conversion's sound track: the files, silences and
// sample blocks the audio source answered, decoded one after the other and
// resampled to the output's rate and channel count (interleaved 16-bit).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mcl {

struct AudioItem {
  bool isFile = false;
  std::string fileName;       // isFile
  std::vector<uint8_t> data;  // samples; empty for silence
  int64_t frames = 0;         // sample frames at `rate`
  int rate = 0, channels = 0, bits = 0;
};

class AudioDecoder;

class AudioStream {
 public:
  // Asked with the file name when an input cannot be read; answers one of the
  // kMclAction... values or 0 when nobody can be asked.
  using ErrorAsk = std::function<int32_t(const std::string&)>;

  AudioStream(int rate, int channels, ErrorAsk ask);
  ~AudioStream();

  // Checks that a file holds a decodable sound stream (asking about
  // failures). Returns kMclOk (use it), kMclActionIgnore (skip it),
  // kMclAborted, kMclBadInput.
  int32_t CheckFile(const std::string& fileName);
  void Add(AudioItem item) { items_.push_back(std::move(item)); }
  bool Empty() const { return items_.empty(); }

  // Reads up to `frames` sample frames; fewer only at the end. Returns the
  // count read, or a negative result code (-kMclAborted, -kMclReadError).
  int64_t Read(int16_t* out, int64_t frames);

 private:
  int32_t Refill();  // loads more samples into buffer_; kMclOk, or code; sets done_

  int rate_, channels_;
  ErrorAsk ask_;
  std::vector<AudioItem> items_;
  size_t next_ = 0;
  std::unique_ptr<AudioDecoder> decoder_;
  int64_t silenceLeft_ = 0;
  std::vector<int16_t> buffer_;
  size_t bufferPos_ = 0;  // in samples (not frames)
  bool done_ = false;
};

// Fills `hasAudio`/`supported` for a media file; false when it cannot be
// opened at all.
bool ProbeAudio(const std::string& fileName, bool& hasAudio, bool& supported, int& rate,
                int& channels, int64_t& durationMs);

}  // namespace mcl
