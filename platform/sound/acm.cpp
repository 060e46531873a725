// The compressed-audio manager: driver "PCM" converts between PCM formats
// through the resampler; one driver per decoder family found through the RIFF
// tag table decodes that family's WAVE data to 16-bit PCM. Decoding only, no
// asynchronous mode.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "platform/sound/mmsystem.h"
#include "platform/sound/pcm_convert.h"

namespace sound {

struct AcmDriverId {
  uint16_t tag;  // the format tag the driver handles (1 for the PCM driver)
  AVCodecID codec;
  std::string shortName, longName;
  uint16_t pid;
};

struct AcmDriverHandle {
  AcmDriverId* id;
};

struct AcmStream {
  AcmDriverId* driver;
  WAVEFORMATEX src, dst;
  // PCM conversions.
  std::unique_ptr<internal::PcmConverter> pcm;
  // Decoding.
  AVCodecContext* ctx = nullptr;
  AVCodecParserContext* parser = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  SwrContext* swr = nullptr;
  std::vector<uint8_t> pending;  // decoded bytes that did not fit the last destination
  bool failed = false;

  ~AcmStream() {
    swr_free(&swr);
    av_frame_free(&frame);
    av_packet_free(&packet);
    if (parser) av_parser_close(parser);
    avcodec_free_context(&ctx);
  }
};

namespace {

const uint16_t kCodecTags[] = {2, 3, 6, 7, 0x11, 0x31, 0x50, 0x55};

std::vector<std::unique_ptr<AcmDriverId>>& Drivers() {
  static auto* list = [] {
    auto* v = new std::vector<std::unique_ptr<AcmDriverId>>;
    v->push_back(std::make_unique<AcmDriverId>(
        AcmDriverId{1, AV_CODEC_ID_NONE, "PCM", "PCM Converter", 38}));
    const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
    uint16_t pid = 100;
    for (uint16_t tag : kCodecTags) {
      const AVCodecID id = av_codec_get_id(tables, tag);
      if (id == AV_CODEC_ID_NONE) continue;
      const AVCodec* dec = avcodec_find_decoder(id);
      if (!dec) continue;
      const std::string longName = dec->long_name ? dec->long_name : dec->name;
      v->push_back(std::make_unique<AcmDriverId>(AcmDriverId{tag, id, dec->name, longName, pid++}));
    }
    return v;
  }();
  return *list;
}

std::mutex g_acm_mutex;
std::set<AcmDriverHandle*> g_drivers_open;
std::set<AcmStream*> g_streams;

bool ValidId(HACMDRIVERID id) {
  for (auto& d : Drivers())
    if (d.get() == id) return true;
  return false;
}

void Copy(char* dst, size_t size, const std::string& s) {
  const size_t n = std::min(size - 1, s.size());
  std::memcpy(dst, s.data(), n);
  dst[n] = 0;
}

const char* TagName(uint16_t tag) {
  switch (tag) {
    case 1: return "PCM";
    case 2: return "Microsoft ADPCM";
    case 3: return "IEEE Float";
    case 6: return "A-Law";
    case 7: return "u-Law";
    case 0x11: return "IMA ADPCM";
    case 0x31: return "GSM 6.10";
    case 0x50: return "MPEG";
    case 0x55: return "MPEG Layer-3";
    default: return "Unknown";
  }
}

std::vector<uint16_t> TagsOf(const AcmDriverId* d) {
  if (d->tag == 1) return {1};
  return {d->tag, 1};
}

constexpr uint32_t kMaxFormatSize = 18 + 32;

// Frames one block of a block-coded format decodes to (0: not block-coded).
uint32_t SamplesPerBlock(const WAVEFORMATEX& f) {
  const uint32_t ch = std::max<uint32_t>(f.nChannels, 1);
  if (f.nBlockAlign == 0) return 0;
  switch (f.wFormatTag) {
    case 0x11:
      if (f.extra.size() >= 2) return f.extra[0] | (f.extra[1] << 8);
      return f.nBlockAlign >= 4 * ch ? (f.nBlockAlign - 4 * ch) * 8 / (4 * ch) + 1 : 0;
    case 2:
      if (f.extra.size() >= 2) return f.extra[0] | (f.extra[1] << 8);
      return f.nBlockAlign >= 7 * ch ? (f.nBlockAlign - 7 * ch) * 8 / (4 * ch) + 2 : 0;
    case 0x31: return 320;
    default: return 0;
  }
}

bool IsPcmLike(const WAVEFORMATEX& f) {
  return f.wFormatTag == 1 && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
         f.nChannels >= 1 && f.nChannels <= 2 && f.nSamplesPerSec >= 1000 &&
         f.nSamplesPerSec <= 192000 && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

bool DecodableSource(const AcmDriverId* d, const WAVEFORMATEX& f) {
  if (f.wFormatTag != d->tag) return false;
  if (f.nChannels < 1 || f.nChannels > 8) return false;
  if (f.nSamplesPerSec < 1000 || f.nSamplesPerSec > 192000) return false;
  if (f.nAvgBytesPerSec > 16u * 1024 * 1024) return false;
  return true;
}

bool OpenDecoder(AcmStream& s) {
  const AVCodec* dec = avcodec_find_decoder(s.driver->codec);
  if (!dec) return false;
  s.ctx = avcodec_alloc_context3(dec);
  if (!s.ctx) return false;
  s.ctx->sample_rate = static_cast<int>(s.src.nSamplesPerSec);
  av_channel_layout_default(&s.ctx->ch_layout, s.src.nChannels);
  s.ctx->block_align = s.src.nBlockAlign;
  s.ctx->bits_per_coded_sample = s.src.wBitsPerSample;
  s.ctx->bit_rate = static_cast<int64_t>(s.src.nAvgBytesPerSec) * 8;
  if (!s.src.extra.empty()) {
    s.ctx->extradata =
        static_cast<uint8_t*>(av_mallocz(s.src.extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!s.ctx->extradata) return false;
    std::memcpy(s.ctx->extradata, s.src.extra.data(), s.src.extra.size());
    s.ctx->extradata_size = static_cast<int>(s.src.extra.size());
  }
  if (avcodec_open2(s.ctx, dec, nullptr) < 0) return false;
  if (s.src.wFormatTag == 0x50 || s.src.wFormatTag == 0x55) {
    s.parser = av_parser_init(s.driver->codec);
    if (!s.parser) return false;
  }
  s.packet = av_packet_alloc();
  s.frame = av_frame_alloc();
  return s.packet && s.frame;
}

// Converts one decoded frame to the destination format and appends it.
bool AppendFrame(AcmStream& s) {
  AVFrame* f = s.frame;
  if (!s.swr) {
    AVChannelLayout out;
    av_channel_layout_default(&out, s.dst.nChannels);
    const AVSampleFormat outFmt = s.dst.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    if (swr_alloc_set_opts2(&s.swr, &out, outFmt, static_cast<int>(s.dst.nSamplesPerSec),
                            &f->ch_layout, static_cast<AVSampleFormat>(f->format), f->sample_rate,
                            0, nullptr) < 0 ||
        swr_init(s.swr) < 0)
      return false;
  }
  const int cap = swr_get_out_samples(s.swr, f->nb_samples) + 16;
  const size_t base = s.pending.size();
  s.pending.resize(base + static_cast<size_t>(cap) * s.dst.nBlockAlign);
  uint8_t* out = s.pending.data() + base;
  const int n =
      swr_convert(s.swr, &out, cap, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
  if (n < 0) return false;
  s.pending.resize(base + static_cast<size_t>(n) * s.dst.nBlockAlign);
  return true;
}

bool SendPacket(AcmStream& s, const uint8_t* data, int size) {
  s.packet->data = const_cast<uint8_t*>(data);
  s.packet->size = size;
  if (avcodec_send_packet(s.ctx, s.packet) < 0) return false;
  for (;;) {
    const int r = avcodec_receive_frame(s.ctx, s.frame);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return false;
    const bool ok = AppendFrame(s);
    av_frame_unref(s.frame);
    if (!ok) return false;
  }
}

// Decodes Size source bytes; returns the bytes consumed, or -1 on a failure.
long Decode(AcmStream& s, const uint8_t* data, uint32_t size, bool blockAlign) {
  if (s.parser) {
    uint32_t used = 0;
    // The parser keeps a partial frame in its own buffer, so all input is used.
    std::vector<uint8_t> padded(data, data + size);
    padded.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    while (used < size) {
      uint8_t* out = nullptr;
      int outSize = 0;
      const int n =
          av_parser_parse2(s.parser, s.ctx, &out, &outSize, padded.data() + used,
                           static_cast<int>(size - used), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
      if (n < 0) return -1;
      used += static_cast<uint32_t>(n);
      if (outSize > 0) {
        std::vector<uint8_t> pkt(out, out + outSize);
        pkt.resize(static_cast<size_t>(outSize) + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        if (!SendPacket(s, pkt.data(), outSize)) return -1;
      }
      if (n == 0 && outSize == 0) break;
    }
    return static_cast<long>(used);
  }
  uint32_t block = s.src.nBlockAlign ? s.src.nBlockAlign : 1;
  uint32_t usable = size;
  if (blockAlign || SamplesPerBlock(s.src)) usable -= size % block;
  // Whole blocks go to the decoder, several per packet for sample codecs.
  const uint32_t packetBytes =
      SamplesPerBlock(s.src) ? block : std::max<uint32_t>(block, (4096 / block) * block);
  uint32_t used = 0;
  std::vector<uint8_t> buf;
  while (used < usable) {
    const uint32_t n = std::min(packetBytes, usable - used);
    buf.assign(data + used, data + used + n);
    buf.resize(n + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    if (!SendPacket(s, buf.data(), static_cast<int>(n))) return -1;
    used += n;
  }
  return static_cast<long>(used);
}

}  // namespace

uint32_t acmGetVersion() { return 0x04000000; }

MMRESULT acmDriverEnum(ACMDRIVERENUMCB Callback, uintptr_t Instance, uint32_t) {
  if (!Callback) return MMSYSERR_INVALPARAM;
  for (auto& d : Drivers()) {
    const uint32_t support =
        d->tag == 1 ? ACMDRIVERDETAILS_SUPPORTF_CONVERTER : ACMDRIVERDETAILS_SUPPORTF_CODEC;
    if (!Callback(d.get(), Instance, support)) break;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverDetails(HACMDRIVERID Id, ACMDRIVERDETAILS* Details, uint32_t) {
  if (!ValidId(Id)) return MMSYSERR_INVALHANDLE;
  if (!Details) return MMSYSERR_INVALPARAM;
  *Details = ACMDRIVERDETAILS{};
  Details->cbStruct = sizeof(ACMDRIVERDETAILS);
  Details->fccType = 0x63647561;  // "audc"
  Details->wMid = 1;
  Details->wPid = Id->pid;
  Details->vdwACM = acmGetVersion();
  Details->vdwDriver = 0x01000000;
  Details->fdwSupport =
      Id->tag == 1 ? ACMDRIVERDETAILS_SUPPORTF_CONVERTER : ACMDRIVERDETAILS_SUPPORTF_CODEC;
  Details->cFormatTags = static_cast<uint32_t>(TagsOf(Id).size());
  Copy(Details->szShortName, sizeof Details->szShortName, Id->shortName);
  Copy(Details->szLongName, sizeof Details->szLongName, Id->longName);
  Copy(Details->szFeatures, sizeof Details->szFeatures, "Decoding only");
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverOpen(HACMDRIVER* Handle, HACMDRIVERID Id, uint32_t) {
  if (!Handle) return MMSYSERR_INVALPARAM;
  if (!ValidId(Id)) return MMSYSERR_INVALHANDLE;
  auto* h = new AcmDriverHandle{Id};
  std::lock_guard<std::mutex> lock(g_acm_mutex);
  g_drivers_open.insert(h);
  *Handle = h;
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverClose(HACMDRIVER Handle, uint32_t) {
  std::lock_guard<std::mutex> lock(g_acm_mutex);
  if (!g_drivers_open.count(Handle)) return MMSYSERR_INVALHANDLE;
  g_drivers_open.erase(Handle);
  delete Handle;
  return MMSYSERR_NOERROR;
}

namespace {
AcmDriverId* DriverOfHandle(HACMDRIVER h) {
  std::lock_guard<std::mutex> lock(g_acm_mutex);
  return g_drivers_open.count(h) ? h->id : nullptr;
}
}  // namespace

MMRESULT acmMetrics(uintptr_t Obj, uint32_t Metric, uint32_t* Value) {
  if (!Value) return MMSYSERR_INVALPARAM;
  if (Metric != ACM_METRIC_MAX_SIZE_FORMAT) return MMSYSERR_NOTSUPPORTED;
  if (Obj == 0) {
    *Value = kMaxFormatSize;
    return MMSYSERR_NOERROR;
  }
  AcmDriverId* d = ValidId(reinterpret_cast<HACMDRIVERID>(Obj))
                       ? reinterpret_cast<HACMDRIVERID>(Obj)
                       : DriverOfHandle(reinterpret_cast<HACMDRIVER>(Obj));
  if (!d) return MMSYSERR_INVALHANDLE;
  *Value = d->tag == 1 ? 18 : kMaxFormatSize;
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatTagEnum(HACMDRIVER Handle, ACMFORMATTAGDETAILS* Details,
                          ACMFORMATTAGENUMCB Callback, uintptr_t Instance, uint32_t) {
  AcmDriverId* d = DriverOfHandle(Handle);
  if (!d) return MMSYSERR_INVALHANDLE;
  if (!Details || !Callback) return MMSYSERR_INVALPARAM;
  const auto tags = TagsOf(d);
  for (uint32_t i = 0; i < tags.size(); ++i) {
    ACMFORMATTAGDETAILS t;
    t.cbStruct = sizeof t;
    t.dwFormatTagIndex = i;
    t.dwFormatTag = tags[i];
    t.cbFormatSize = tags[i] == 1 ? 16 : kMaxFormatSize;
    t.fdwSupport =
        d->tag == 1 ? ACMDRIVERDETAILS_SUPPORTF_CONVERTER : ACMDRIVERDETAILS_SUPPORTF_CODEC;
    t.cStandardFormats = tags[i] == 1 ? 20 : 0;
    Copy(t.szFormatTag, sizeof t.szFormatTag, TagName(tags[i]));
    *Details = t;
    if (!Callback(d, Details, Instance, t.fdwSupport)) break;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatEnum(HACMDRIVER Handle, ACMFORMATDETAILS* Details, ACMFORMATENUMCB Callback,
                       uintptr_t Instance, uint32_t Flags) {
  AcmDriverId* d = DriverOfHandle(Handle);
  if (!d) return MMSYSERR_INVALHANDLE;
  if (!Details || !Callback) return MMSYSERR_INVALPARAM;
  const WAVEFORMATEX tmpl = Details->pwfx;
  // Standard PCM formats; the decoders list none of their own (they take
  // whatever a file holds).
  if ((Flags & ACM_FORMATENUMF_WFORMATTAG) && tmpl.wFormatTag != 1) return MMSYSERR_NOERROR;
  const uint32_t rates[] = {8000, 11025, 22050, 44100, 48000};
  uint32_t index = 0;
  for (uint32_t rate : rates)
    for (uint16_t bits : {8, 16})
      for (uint16_t ch : {1, 2}) {
        if ((Flags & 0x20000) && ch != tmpl.nChannels) continue;
        if ((Flags & 0x40000) && rate != tmpl.nSamplesPerSec) continue;
        if ((Flags & 0x80000) && bits != tmpl.wBitsPerSample) continue;
        ACMFORMATDETAILS f;
        f.cbStruct = sizeof f;
        f.dwFormatIndex = index++;
        f.dwFormatTag = 1;
        f.fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CONVERTER;
        f.pwfx.wFormatTag = 1;
        f.pwfx.nChannels = ch;
        f.pwfx.nSamplesPerSec = rate;
        f.pwfx.wBitsPerSample = bits;
        f.pwfx.nBlockAlign = static_cast<uint16_t>(ch * bits / 8);
        f.pwfx.nAvgBytesPerSec = rate * f.pwfx.nBlockAlign;
        const std::string text = std::to_string(rate) + " Hz, " + std::to_string(bits) + " Bit, " +
                                 (ch == 1 ? "Mono" : "Stereo");
        Copy(f.szFormat, sizeof f.szFormat, text);
        *Details = f;
        if (!Callback(d, Details, Instance, f.fdwSupport)) return MMSYSERR_NOERROR;
      }
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatSuggest(HACMDRIVER Handle, const WAVEFORMATEX* Src, WAVEFORMATEX* Dst,
                          uint32_t DstSize, uint32_t Flags) {
  if (!Src || !Dst || DstSize < 16) return MMSYSERR_INVALPARAM;
  AcmDriverId* d = nullptr;
  if (Handle) {
    d = DriverOfHandle(Handle);
    if (!d) return MMSYSERR_INVALHANDLE;
  } else {
    for (auto& x : Drivers())
      if (x->tag == Src->wFormatTag) d = x.get();
    if (!d) return ACMERR_NOTPOSSIBLE;
  }
  if ((Flags & ACM_FORMATSUGGESTF_WFORMATTAG) && Dst->wFormatTag != 1) return ACMERR_NOTPOSSIBLE;
  if (d->tag == 1 ? !IsPcmLike(*Src) : !DecodableSource(d, *Src)) return ACMERR_NOTPOSSIBLE;
  if (Src->nChannels > 2) return ACMERR_NOTPOSSIBLE;
  WAVEFORMATEX out;
  out.wFormatTag = 1;
  out.nChannels = Src->nChannels;
  out.nSamplesPerSec = Src->nSamplesPerSec;
  out.wBitsPerSample = 16;
  out.nBlockAlign = static_cast<uint16_t>(out.nChannels * 2);
  out.nAvgBytesPerSec = out.nSamplesPerSec * out.nBlockAlign;
  *Dst = out;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamOpen(HACMSTREAM* Stream, HACMDRIVER Driver, const WAVEFORMATEX* Src,
                       const WAVEFORMATEX* Dst, void*, uintptr_t, uintptr_t, uint32_t Flags) {
  if (!Src || !Dst) return MMSYSERR_INVALPARAM;
  if (Flags & ACM_STREAMOPENF_ASYNC) return MMSYSERR_NOTSUPPORTED;
  AcmDriverId* d = nullptr;
  if (Driver) {
    d = DriverOfHandle(Driver);
    if (!d) return MMSYSERR_INVALHANDLE;
  } else {
    for (auto& x : Drivers())
      if (x->tag == Src->wFormatTag) d = x.get();
  }
  if (!d) return ACMERR_NOTPOSSIBLE;
  if (!IsPcmLike(*Dst)) return ACMERR_NOTPOSSIBLE;
  if (d->tag == 1 ? !IsPcmLike(*Src) : !DecodableSource(d, *Src)) return ACMERR_NOTPOSSIBLE;
  if (d->tag != 1 && (Dst->nChannels != Src->nChannels || Src->nChannels > 2))
    return ACMERR_NOTPOSSIBLE;
  if (Flags & ACM_STREAMOPENF_QUERY) return MMSYSERR_NOERROR;
  if (!Stream) return MMSYSERR_INVALPARAM;
  auto s = std::make_unique<AcmStream>();
  s->driver = d;
  s->src = *Src;
  s->dst = *Dst;
  if (d->tag == 1) {
    s->pcm = std::make_unique<internal::PcmConverter>(Src->nSamplesPerSec, Src->nChannels,
                                                      Src->wBitsPerSample, Dst->nSamplesPerSec,
                                                      Dst->nChannels, Dst->wBitsPerSample);
    if (!s->pcm->ok()) return ACMERR_NOTPOSSIBLE;
  } else if (!OpenDecoder(*s)) {
    return ACMERR_NOTPOSSIBLE;
  }
  std::lock_guard<std::mutex> lock(g_acm_mutex);
  g_streams.insert(s.get());
  *Stream = s.release();
  return MMSYSERR_NOERROR;
}

namespace {
bool ValidStream(HACMSTREAM s) {
  std::lock_guard<std::mutex> lock(g_acm_mutex);
  return g_streams.count(s) != 0;
}
}  // namespace

MMRESULT acmStreamClose(HACMSTREAM Stream, uint32_t) {
  {
    std::lock_guard<std::mutex> lock(g_acm_mutex);
    if (!g_streams.count(Stream)) return MMSYSERR_INVALHANDLE;
    g_streams.erase(Stream);
  }
  delete Stream;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM Stream, uint32_t Input, uint32_t* Output, uint32_t Flags) {
  if (!ValidStream(Stream)) return MMSYSERR_INVALHANDLE;
  if (!Output) return MMSYSERR_INVALPARAM;
  const WAVEFORMATEX& src = Stream->src;
  const WAVEFORMATEX& dst = Stream->dst;
  const uint64_t srcRate = src.nSamplesPerSec, dstRate = dst.nSamplesPerSec;
  const uint32_t spb = SamplesPerBlock(src);
  const uint32_t block = std::max<uint32_t>(src.nBlockAlign, 1);
  const uint64_t srcAvg = std::max<uint32_t>(src.nAvgBytesPerSec, 1);
  const uint16_t tag = Stream->driver->tag;
  const bool sampleCoded = tag == 1 || tag == 3 || tag == 6 || tag == 7;
  uint64_t out;
  if ((Flags & 0xF) == ACM_STREAMSIZEF_SOURCE) {
    uint64_t frames;
    if (sampleCoded)
      frames = Input / block;
    else if (spb)
      frames = static_cast<uint64_t>(Input / block) * spb;
    else
      frames = Input * srcRate / srcAvg + 1152;  // a frame of slack for frame-coded data
    out = (frames * dstRate + srcRate - 1) / srcRate * dst.nBlockAlign;
  } else {
    const uint64_t frames = Input / std::max<uint32_t>(dst.nBlockAlign, 1) * srcRate / dstRate;
    if (sampleCoded)
      out = frames * block;
    else if (spb)
      out = std::max<uint64_t>(frames / spb, 1) * block;
    else
      out = std::max<uint64_t>(frames * srcAvg / srcRate / block, 1) * block;
  }
  if (out == 0 || out > 0xFFFFFFFFull) return ACMERR_NOTPOSSIBLE;
  *Output = static_cast<uint32_t>(out);
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t) {
  if (!ValidStream(Stream)) return MMSYSERR_INVALHANDLE;
  if (!Header || !Header->pbSrc || !Header->pbDst) return MMSYSERR_INVALPARAM;
  Header->fdwStatus |= ACMSTREAMHEADER_STATUSF_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t) {
  if (!ValidStream(Stream)) return MMSYSERR_INVALHANDLE;
  if (!Header) return MMSYSERR_INVALPARAM;
  if (!(Header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  Header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t Flags) {
  if (!ValidStream(Stream)) return MMSYSERR_INVALHANDLE;
  if (!Header) return MMSYSERR_INVALPARAM;
  if (!(Header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  AcmStream& s = *Stream;
  if (s.failed) return ACMERR_NOTPOSSIBLE;
  Header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
  const bool blockAlign = (Flags & ACM_STREAMCONVERTF_BLOCKALIGN) != 0;
  long used;
  if (s.pcm) {
    const uint32_t frames = Header->cbSrcLength / s.src.nBlockAlign;
    s.pcm->Convert(Header->pbSrc, static_cast<int>(frames), s.pending);
    if (Flags & ACM_STREAMCONVERTF_END) s.pcm->Flush(s.pending);
    used = static_cast<long>(frames * s.src.nBlockAlign);
  } else {
    used = Decode(s, Header->pbSrc, Header->cbSrcLength, blockAlign);
    if (used < 0) {
      // Undecodable data: the stream stops for good.
      s.failed = true;
      Header->cbSrcLengthUsed = 0;
      Header->cbDstLengthUsed = 0;
      Header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
      return ACMERR_NOTPOSSIBLE;
    }
  }
  const size_t n = std::min<size_t>(s.pending.size(), Header->cbDstLength);
  std::memcpy(Header->pbDst, s.pending.data(), n);
  s.pending.erase(s.pending.begin(), s.pending.begin() + static_cast<long>(n));
  Header->cbSrcLengthUsed = static_cast<uint32_t>(used);
  Header->cbDstLengthUsed = static_cast<uint32_t>(n);
  Header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamReset(HACMSTREAM Stream, uint32_t) {
  if (!ValidStream(Stream)) return MMSYSERR_INVALHANDLE;
  Stream->pending.clear();
  if (Stream->ctx) avcodec_flush_buffers(Stream->ctx);
  return MMSYSERR_NOERROR;
}

}  // namespace sound
