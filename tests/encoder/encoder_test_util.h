// Helpers of the encoding-library tests: synthetic images and sources, WAVE
// files, and an independent reader of the written files (libavformat).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/encoder/mcl.h"

namespace enctest {

// A solid image of width x height in B, G, R (+A) with optional per-row
// colours: rowColour(y) gives 0x00RRGGBB for row y.
MclHandle MakeImage(int width, int height, uint32_t bgr, int bits = 24, uint8_t alpha = 255);
void FillImage(MclHandle image, int width, int height,
               const std::function<uint32_t(int x, int y)>& rgb, int bits = 24,
               uint8_t alpha = 255);

// A video source delivering `count` images of one size at `fps`; counts the
// requests it answered.
struct FrameSource {
  MclHandle image = 0;
  int count = 0;
  double fps = 0;  // 0: no frame rate answer
  int delivered = 0;
  int requests = 0;
  int throwAt = -1;  // throw std::runtime_error on this request
  static void Callback(MclHandle source, void* user);
};

// An audio source answering a list of items, then finished.
struct SoundSource {
  struct Item {
    std::string file;     // a file, or
    int32_t silence = 0;  // hundredths of a second of silence
  };
  std::vector<Item> items;
  size_t next = 0;
  int requests = 0;
  static void Callback(MclHandle source, void* user);
};

// Records error callbacks and answers from a script (last answer repeats).
struct ErrorRecorder {
  std::vector<int32_t> answers{kMclActionIgnore};
  std::vector<std::string> names;
  static void Callback(void* user, const char* fileName, int32_t* action);
};

// Writes a 16-bit PCM WAVE file; sample(i, channel) gives each sample.
void WriteWave(const std::string& path, int rate, int channels, int frames,
               const std::function<int16_t(int, int)>& sample);

// What an independent reader sees in a media file.
struct StreamInfo {
  std::string codec;  // codec name
  uint32_t tag = 0;
  int width = 0, height = 0;
  int sampleRate = 0, channels = 0;
  double fps = 0;       // average (or base) frame rate
  int64_t packets = 0;  // packets read
  int64_t bitRate = 0;
  std::string pixFmt;
  int sarNum = 0, sarDen = 0;
  int64_t samples = 0;  // decoded audio sample frames
};
struct FileInfo {
  bool ok = false;
  std::string format;
  std::vector<StreamInfo> streams;
  double duration = 0;
  const StreamInfo* Video() const;
  const StreamInfo* Audio() const;
};
// Reads every packet (and decodes the audio when `decodeAudio`).
FileInfo Probe(const std::string& path, bool decodeAudio = false);

// The raw bytes of video packet `index` (for uncompressed frames).
std::vector<uint8_t> VideoPacket(const std::string& path, int index);
// Frame `index` decoded to top-down BGRA.
std::vector<uint8_t> DecodeFrameBGRA(const std::string& path, int index, int& width, int& height);
// The decoded, interleaved 16-bit samples of the first sound stream.
std::vector<int16_t> DecodeAudio(const std::string& path, int& rate, int& channels);

bool FileExists(const std::string& path);

}  // namespace enctest
