// A conversion job: the settings the setters store and the getters report,
// and the callbacks MclConvert calls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/encoder/handles.h"
#include "platform/encoder/mcl.h"

namespace mcl {

struct MpegPreset {
  int32_t codec;  // 1 MPEG-1, 2 MPEG-2
  int32_t width, height;
  int fpsNum, fpsDen;
  int32_t bitRate, minBitRate, maxBitRate;  // kbit/s
  int32_t bufferKbit;                       // video buffer (VBV) size
  int32_t gop;
  int32_t audioRate;     // Hz
  int32_t audioBitRate;  // kbit/s
  const char* muxer;
  int32_t muxRate;  // bit/s
  int32_t packetSize;
};

// The standard parameters of VCD, SVCD and DVD; null for unknown arguments.
const MpegPreset* FindPreset(int32_t preset, int32_t ntsc);

struct Job : Object {
  // Video
  std::string videoFileName;
  int32_t fileFormat = kMclFormatAvi;
  int32_t width = kMclNone;  // kMclNone: the size of the images
  int32_t height = kMclNone;
  int32_t bits = 24;
  uint32_t codec = kMclFourCCDib;
  double frameRate = 25.0;
  int32_t bitRate = 0, minBitRate = 0, maxBitRate = 0;
  double quality = 100.0;
  int32_t keyFrameRate = 1;
  int32_t aspect = kMclAspect1x1;
  bool keepDuration = false;
  const MpegPreset* preset = nullptr;  // set by MclSetFormatPreset

  // Sound
  std::string audioFileName;
  int32_t audioFileFormat = kMclAudioFormatWave;
  int32_t sampleRate = 44100, channels = 2, sampleBits = 16;
  int32_t audioCodec = kMclAudioCodecPcm;
  int32_t audioBitRate = 224;
  bool truncateToVideo = false;

  // Callbacks
  MclSourceCallback videoSource = nullptr;
  void* videoSourceUser = nullptr;
  MclSourceCallback audioSource = nullptr;
  void* audioSourceUser = nullptr;
  MclErrorCallback error = nullptr;
  void* errorUser = nullptr;
  MclProgressCallback progress = nullptr;
  void* progressUser = nullptr;
  MclVideoFuncCallback videoFunc = nullptr;
  void* videoFuncUser = nullptr;
  MclAudioFuncCallback audioFunc = nullptr;
  void* audioFuncUser = nullptr;

  bool converting = false;  // inside MclConvert: the job may not be freed now
  bool freeRequested = false;

  // Sets the codec-dependent defaults (key-frame rate, bit rates, quality,
  // aspect) for the current file format, codec and size.
  void ApplyCodecDefaults();
};

}  // namespace mcl
