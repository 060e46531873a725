// Jobs: creation, setters, getters and the codec defaults.
#include "platform/encoder/job.h"

#include <cmath>

#include "platform/encoder/codec_table.h"

namespace mcl {
namespace {

// Rounds a bit rate to a multiple of 10 kbit/s, at least 10, within int32.
int32_t RoundRate(double kbit) {
  if (!(kbit > 10.0)) return 10;
  if (kbit > 2.0e9) return 2000000000;
  return static_cast<int32_t>(std::llround(kbit / 10.0) * 10);
}

// Pixel count the defaults are based on (a job without a size counts as
// 320 x 240).
double PixelCount(const Job& job) {
  double w = job.width > 0 ? job.width : 320;
  double h = job.height > 0 ? job.height : 240;
  return w * h;
}

const MpegPreset kPresets[3][2] = {
    // VCD: MPEG-1, constant 1150 kbit/s, 2324-byte packets.
    {{1, 352, 288, 25, 1, 1150, 1150, 1150, 320, 15, 44100, 224, "vcd", 1411200, 2324},
     {1, 352, 240, 30000, 1001, 1150, 1150, 1150, 320, 18, 44100, 224, "vcd", 1411200, 2324}},
    // SVCD: MPEG-2 up to 2516 kbit/s.
    {{2, 480, 576, 25, 1, 2040, 0, 2516, 1792, 15, 44100, 224, "svcd", 0, 2324},
     {2, 480, 480, 30000, 1001, 2040, 0, 2516, 1792, 18, 44100, 224, "svcd", 0, 2324}},
    // DVD: MPEG-2 up to 9000 kbit/s, 48 kHz sound.
    {{2, 720, 576, 25, 1, 6000, 0, 9000, 1792, 15, 48000, 224, "dvd", 10080000, 2048},
     {2, 720, 480, 30000, 1001, 6000, 0, 9000, 1792, 18, 48000, 224, "dvd", 10080000, 2048}},
};

template <class F>
int32_t WithJob(MclHandle handle, F f) {
  Job* job = FindAs<Job>(handle);
  if (!job) return kMclBadJob;
  return f(*job);
}

}  // namespace

const MpegPreset* FindPreset(int32_t preset, int32_t ntsc) {
  if (preset < 0 || preset > 2) return nullptr;
  return &kPresets[preset][ntsc ? 1 : 0];
}

void Job::ApplyCodecDefaults() {
  if (fileFormat == kMclFormatMpeg) {
    const double base = codec == kMclCodecMpeg2 ? 4000.0 * PixelCount(*this) / (720.0 * 480.0)
                                                : 1150.0 * PixelCount(*this) / (352.0 * 240.0);
    bitRate = RoundRate(base);
    minBitRate = 0;
    maxBitRate = RoundRate(2.0 * bitRate);
    quality = 75.0;
    keyFrameRate = 15;
    aspect = kMclAspect4x3;
    return;
  }
  aspect = kMclAspect1x1;
  const CodecEntry* entry = FindCodec(fileFormat, codec);
  if (!entry) {
    bitRate = minBitRate = maxBitRate = 0;
    quality = 100.0;
    keyFrameRate = 1;
    return;
  }
  keyFrameRate = entry->intraOnly ? 1 : 12;
  quality = entry->lossless ? 100.0 : 75.0;
  if (!entry->encoder) {
    // Uncompressed: the data rate of the frames at 25 per second.
    const double kbit = PixelCount(*this) * (bits == 32 ? 32 : 24) * 25.0 / 1000.0;
    bitRate = minBitRate = maxBitRate = kbit > 2.0e9 ? 2000000000 : int32_t(std::llround(kbit));
  } else if (entry->usesBitRate) {
    bitRate = RoundRate(PixelCount(*this) * 25.0 * 0.15 / 1000.0);
    minBitRate = 0;
    maxBitRate = RoundRate(2.0 * bitRate);
  } else {
    bitRate = minBitRate = maxBitRate = 0;
  }
}

}  // namespace mcl

using mcl::Job;
using mcl::WithJob;

MclHandle MclCreate() {
  auto job = std::make_unique<Job>();
  job->ApplyCodecDefaults();
  return mcl::Register(std::move(job));
}

int32_t MclFree(MclHandle handle) {
  Job* job = mcl::FindAs<Job>(handle);
  if (!job) return kMclBadJob;
  if (job->converting) {
    // Freed from inside its own conversion: MclConvert frees it on return.
    job->freeRequested = true;
    return kMclOk;
  }
  mcl::Release(handle);
  return kMclOk;
}

int32_t MclVideoSetFileName(MclHandle h, const char* fileName) {
  return WithJob(h, [&](Job& j) {
    j.videoFileName = fileName ? fileName : "";
    return kMclOk;
  });
}

int32_t MclVideoSetFileFormat(MclHandle h, int32_t format) {
  return WithJob(h, [&](Job& j) {
    if (format != kMclFormatAvi && format != kMclFormatMpeg) return kMclBadOutput;
    j.fileFormat = format;
    j.preset = nullptr;
    if (!mcl::FindCodec(format, j.codec))
      j.codec = format == kMclFormatAvi ? kMclFourCCDib : uint32_t(kMclCodecMpeg1);
    j.ApplyCodecDefaults();
    return kMclOk;
  });
}

int32_t MclVideoSetFormat(MclHandle h, int32_t width, int32_t height, int32_t bits) {
  return WithJob(h, [&](Job& j) {
    auto sizeOk = [](int32_t v) { return v == kMclNone || (v > 0 && v <= 16384); };
    if (!sizeOk(width) || !sizeOk(height) || (bits != 24 && bits != 32)) return kMclBadInput;
    j.width = width;
    j.height = height;
    j.bits = bits;
    j.preset = nullptr;
    j.ApplyCodecDefaults();
    return kMclOk;
  });
}

int32_t MclVideoSetCodec(MclHandle h, uint32_t codec) {
  return WithJob(h, [&](Job& j) {
    // An unknown codec is kept: MclConvert then reports the output as unknown.
    j.codec = codec;
    j.preset = nullptr;
    j.ApplyCodecDefaults();
    return kMclOk;
  });
}

int32_t MclVideoSetFrameRate(MclHandle h, double fps) {
  return WithJob(h, [&](Job& j) {
    if (!(fps > 0.0 && fps <= 1000.0)) return kMclBadInput;
    j.frameRate = fps;
    return kMclOk;
  });
}

int32_t MclVideoSetBitRate(MclHandle h, int32_t rate, int32_t minimum, int32_t maximum) {
  return WithJob(h, [&](Job& j) {
    if (rate < 0 || minimum < 0 || maximum < 0) return kMclBadInput;
    j.bitRate = rate;
    j.minBitRate = minimum;
    j.maxBitRate = maximum;
    return kMclOk;
  });
}

int32_t MclVideoSetQuality(MclHandle h, double quality) {
  return WithJob(h, [&](Job& j) {
    if (!(quality >= 0.0 && quality <= 100.0)) return kMclBadInput;
    j.quality = quality;
    return kMclOk;
  });
}

int32_t MclVideoSetKeyFrameRate(MclHandle h, int32_t frames) {
  return WithJob(h, [&](Job& j) {
    if (frames < 0) return kMclBadInput;
    j.keyFrameRate = frames;
    return kMclOk;
  });
}

int32_t MclVideoSetAspectRatio(MclHandle h, int32_t aspect) {
  return WithJob(h, [&](Job& j) {
    if (aspect < kMclAspect1x1 || aspect > kMclAspect221x1) return kMclBadInput;
    j.aspect = aspect;
    return kMclOk;
  });
}

int32_t MclVideoSetKeepDuration(MclHandle h, int32_t keep) {
  return WithJob(h, [&](Job& j) {
    j.keepDuration = keep != 0;
    return kMclOk;
  });
}

int32_t MclSetFormatPreset(MclHandle h, int32_t preset, int32_t ntsc) {
  return WithJob(h, [&](Job& j) {
    const mcl::MpegPreset* p = mcl::FindPreset(preset, ntsc);
    if (!p) return kMclBadInput;
    j.fileFormat = kMclFormatMpeg;
    j.codec = uint32_t(p->codec);
    j.width = p->width;
    j.height = p->height;
    j.bits = 24;
    j.frameRate = double(p->fpsNum) / p->fpsDen;
    j.bitRate = p->bitRate;
    j.minBitRate = p->minBitRate;
    j.maxBitRate = p->maxBitRate;
    j.keyFrameRate = p->gop;
    j.quality = 75.0;
    j.aspect = kMclAspect4x3;
    j.sampleRate = p->audioRate;
    j.channels = 2;
    j.sampleBits = 16;
    j.audioBitRate = p->audioBitRate;
    j.preset = p;
    return kMclOk;
  });
}

int32_t MclAudioSetFileName(MclHandle h, const char* fileName) {
  return WithJob(h, [&](Job& j) {
    j.audioFileName = fileName ? fileName : "";
    return kMclOk;
  });
}

int32_t MclAudioSetFileFormat(MclHandle h, int32_t format) {
  return WithJob(h, [&](Job& j) {
    j.audioFileFormat = format;
    return kMclOk;
  });
}

int32_t MclAudioSetFormat(MclHandle h, int32_t sampleRate, int32_t channels, int32_t bits) {
  return WithJob(h, [&](Job& j) {
    if (sampleRate < 8000 || sampleRate > 192000 || channels < 1 || channels > 2 ||
        (bits != 8 && bits != 16))
      return kMclBadInput;
    j.sampleRate = sampleRate;
    j.channels = channels;
    j.sampleBits = bits;
    return kMclOk;
  });
}

int32_t MclAudioSetCodec(MclHandle h, int32_t codec) {
  return WithJob(h, [&](Job& j) {
    j.audioCodec = codec;
    return kMclOk;
  });
}

int32_t MclAudioSetBitRate(MclHandle h, int32_t kbit) {
  return WithJob(h, [&](Job& j) {
    if (kbit <= 0 || kbit > 640) return kMclBadInput;
    j.audioBitRate = kbit;
    return kMclOk;
  });
}

int32_t MclAudioSetTruncateToVideo(MclHandle h, int32_t truncate) {
  return WithJob(h, [&](Job& j) {
    j.truncateToVideo = truncate != 0;
    return kMclOk;
  });
}

uint32_t MclVideoGetCodec(MclHandle h) {
  Job* j = mcl::FindAs<Job>(h);
  return j ? j->codec : 0;
}

int32_t MclVideoGetKeyFrameRate(MclHandle h) {
  Job* j = mcl::FindAs<Job>(h);
  return j ? j->keyFrameRate : 0;
}

int32_t MclVideoGetBitRate(MclHandle h, int32_t* rate, int32_t* minimum, int32_t* maximum) {
  return WithJob(h, [&](Job& j) {
    if (rate) *rate = j.bitRate;
    if (minimum) *minimum = j.minBitRate;
    if (maximum) *maximum = j.maxBitRate;
    return kMclOk;
  });
}

double MclVideoGetQuality(MclHandle h) {
  Job* j = mcl::FindAs<Job>(h);
  return j ? j->quality : 0.0;
}

int32_t MclVideoGetAspectRatio(MclHandle h) {
  Job* j = mcl::FindAs<Job>(h);
  return j ? j->aspect : 0;
}

int32_t MclAssignVideoSource(MclHandle h, MclSourceCallback cb, void* user) {
  return WithJob(h, [&](Job& j) {
    j.videoSource = cb;
    j.videoSourceUser = user;
    return kMclOk;
  });
}

int32_t MclAssignAudioSource(MclHandle h, MclSourceCallback cb, void* user) {
  return WithJob(h, [&](Job& j) {
    j.audioSource = cb;
    j.audioSourceUser = user;
    return kMclOk;
  });
}

int32_t MclAssignError(MclHandle h, MclErrorCallback cb, void* user) {
  return WithJob(h, [&](Job& j) {
    j.error = cb;
    j.errorUser = user;
    return kMclOk;
  });
}

int32_t MclAssignProgress(MclHandle h, MclProgressCallback cb, void* user) {
  return WithJob(h, [&](Job& j) {
    j.progress = cb;
    j.progressUser = user;
    return kMclOk;
  });
}

int32_t MclAssignVideoFunc(MclHandle h, MclVideoFuncCallback cb, void* user) {
  return WithJob(h, [&](Job& j) {
    j.videoFunc = cb;
    j.videoFuncUser = user;
    return kMclOk;
  });
}

int32_t MclAssignAudioFunc(MclHandle h, MclAudioFuncCallback cb, void* user) {
  return WithJob(h, [&](Job& j) {
    j.audioFunc = cb;
    j.audioFuncUser = user;
    return kMclOk;
  });
}
