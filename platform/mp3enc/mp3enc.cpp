// The MP3 encoder plug-in: six C entry points over libmp3lame. Streams are
// numbered with 32-bit ids, independent of each other and safe to use from
// several threads. The encoded file is just the MP3 frames: no Info frame, no
// ID3 tag.
#include <lame/lame.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>

#define BE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum : uint32_t {
  kOk = 0,
  kBadFormat = 1,      // unknown configuration kind or sample rate
  kBadParameters = 2,  // a bad size, mode, pointer or sample count
  kNoHandle = 3,       // no stream could be created
  kBadHandle = 4,      // no such stream
};

constexpr uint32_t kConfigKind = 256;
constexpr uint32_t kMinConfigSize = 92;
constexpr size_t kVersionSize = 265;

struct Stream {
  std::mutex mutex;
  lame_global_flags* lame = nullptr;
  uint32_t channels = 2;
  uint32_t samples = 0;     // 16-bit samples per chunk, all channels
  uint32_t bufferSize = 0;  // bytes of output a chunk or the final flush may need
  ~Stream() {
    if (lame) lame_close(lame);
  }
};

std::mutex g_mutex;
std::map<uint32_t, std::shared_ptr<Stream>>& Streams() {
  static auto* m = new std::map<uint32_t, std::shared_ptr<Stream>>;
  return *m;
}
uint32_t g_next_id = 1;

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool LegalRate(uint32_t r) {
  switch (r) {
    case 8000:
    case 11025:
    case 12000:
    case 16000:
    case 22050:
    case 24000:
    case 32000:
    case 44100:
    case 48000: return true;
    default: return false;
  }
}

// The nearest bit rate the MPEG version of the output rate allows.
int ClampBitRate(uint32_t kbps, uint32_t rate) {
  static const int mpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  static const int mpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  static const int mpeg25[] = {8, 16, 24, 32, 40, 48, 56, 64};
  const int* set = mpeg1;
  size_t n = std::size(mpeg1);
  if (rate < 16000) {
    set = mpeg25;
    n = std::size(mpeg25);
  } else if (rate < 32000) {
    set = mpeg2;
    n = std::size(mpeg2);
  }
  int best = set[0];
  for (size_t i = 0; i < n; ++i)
    if (std::abs(set[i] - static_cast<int>(kbps)) < std::abs(best - static_cast<int>(kbps)))
      best = set[i];
  return best;
}

std::shared_ptr<Stream> Find(uint32_t id) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Streams().find(id);
  return it == Streams().end() ? nullptr : it->second;
}

}  // namespace

BE_EXPORT uint32_t beInitStream(const void* config, uint32_t* samples, uint32_t* bufferSize,
                                uint32_t* stream) {
  if (!config || !samples || !bufferSize || !stream) return kBadParameters;
  const auto* c = static_cast<const uint8_t*>(config);
  if (Read32(c) != kConfigKind) return kBadFormat;
  if (Read32(c + 8) < kMinConfigSize) return kBadParameters;
  const uint32_t rate = Read32(c + 12);
  uint32_t outRate = Read32(c + 16);
  const uint32_t mode = Read32(c + 20);
  const uint32_t kbps = Read32(c + 24);
  if (!LegalRate(rate)) return kBadFormat;
  if (outRate == 0) outRate = rate;
  if (!LegalRate(outRate)) return kBadFormat;
  if (mode > 3) return kBadParameters;

  auto s = std::make_shared<Stream>();
  s->channels = mode == 3 ? 1 : 2;
  s->lame = lame_init();
  if (!s->lame) return kNoHandle;
  lame_set_in_samplerate(s->lame, static_cast<int>(rate));
  lame_set_out_samplerate(s->lame, static_cast<int>(outRate));
  lame_set_num_channels(s->lame, static_cast<int>(s->channels));
  static const MPEG_mode modes[] = {STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};
  lame_set_mode(s->lame, modes[mode]);
  lame_set_VBR(s->lame, vbr_off);
  lame_set_quality(s->lame, 5);  // the usual balance of speed and quality
  lame_set_brate(s->lame, ClampBitRate(kbps, outRate));
  lame_set_bWriteVbrTag(s->lame, 0);
  lame_set_write_id3tag_automatic(s->lame, 0);
  if (lame_init_params(s->lame) < 0) return kBadParameters;
  s->samples = (outRate >= 32000 ? 1152u : 576u) * s->channels;
  s->bufferSize = s->samples * 5 / 4 + 7200;

  std::lock_guard<std::mutex> lock(g_mutex);
  const uint32_t id = g_next_id++;
  if (g_next_id == 0) g_next_id = 1;
  Streams()[id] = s;
  *samples = s->samples;
  *bufferSize = s->bufferSize;
  *stream = id;
  return kOk;
}

BE_EXPORT uint32_t beEncodeChunk(uint32_t stream, uint32_t nSamples, const int16_t* pcm,
                                 uint8_t* output, uint32_t* outputBytes) {
  auto s = Find(stream);
  if (!s) return kBadHandle;
  if (!output || !outputBytes || (nSamples > 0 && !pcm)) return kBadParameters;
  if (nSamples > s->samples || nSamples % s->channels != 0) return kBadParameters;
  std::lock_guard<std::mutex> lock(s->mutex);
  const int frames = static_cast<int>(nSamples / s->channels);
  int n;
  if (s->channels == 2)
    n = lame_encode_buffer_interleaved(s->lame, const_cast<short*>(pcm), frames, output,
                                       static_cast<int>(s->bufferSize));
  else
    n = lame_encode_buffer(s->lame, pcm, pcm, frames, output, static_cast<int>(s->bufferSize));
  if (n < 0) {
    *outputBytes = 0;
    return kBadParameters;
  }
  *outputBytes = static_cast<uint32_t>(n);
  return kOk;
}

BE_EXPORT uint32_t beDeinitStream(uint32_t stream, uint8_t* output, uint32_t* outputBytes) {
  auto s = Find(stream);
  if (!s) return kBadHandle;
  if (!output || !outputBytes) return kBadParameters;
  std::lock_guard<std::mutex> lock(s->mutex);
  const int n = lame_encode_flush(s->lame, output, static_cast<int>(s->bufferSize));
  if (n < 0) {
    *outputBytes = 0;
    return kBadParameters;
  }
  *outputBytes = static_cast<uint32_t>(n);
  return kOk;
}

BE_EXPORT uint32_t beCloseStream(uint32_t stream) {
  std::shared_ptr<Stream> s;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = Streams().find(stream);
    if (it == Streams().end()) return kBadHandle;
    s = it->second;
    Streams().erase(it);
  }
  std::lock_guard<std::mutex> lock(s->mutex);  // a call in progress on the stream ends first
  return kOk;
}

BE_EXPORT void beVersion(void* version) {
  if (!version) return;
  auto* v = static_cast<uint8_t*>(version);
  std::memset(v, 0, kVersionSize);
  v[0] = 1;  // plug-in version 1.0
  v[1] = 0;
  lame_version_t lv;
  get_lame_version_numerical(&lv);
  v[2] = static_cast<uint8_t>(lv.major);
  v[3] = static_cast<uint8_t>(lv.minor);
  v[4] = 9;  // build date
  v[5] = 12;
  const uint16_t year = 2026;
  v[6] = static_cast<uint8_t>(year);
  v[7] = static_cast<uint8_t>(year >> 8);
  const char* home = get_lame_url();
  if (home) std::strncpy(reinterpret_cast<char*>(v + 8), home, 128);
  v[8 + 129] = static_cast<uint8_t>(lv.alpha);
  v[8 + 130] = static_cast<uint8_t>(lv.beta);
}

BE_EXPORT uint32_t beWriteVBRHeader(const char*) { return kOk; }
