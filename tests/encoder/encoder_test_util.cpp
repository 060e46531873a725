#include "tests/encoder/encoder_test_util.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

#include "platform/encoder/image.h"

namespace enctest {

void FillImage(MclHandle image, int width, int height, const std::function<uint32_t(int, int)>& rgb,
               int bits, uint8_t alpha) {
  const int bpp = bits / 8;
  std::vector<uint8_t> px(size_t(width) * height * bpp);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t c = rgb(x, y);
      uint8_t* p = &px[(size_t(y) * width + x) * bpp];
      p[0] = uint8_t(c);
      p[1] = uint8_t(c >> 8);
      p[2] = uint8_t(c >> 16);
      if (bpp == 4) p[3] = alpha;
    }
  mcl::SetImagePixels(image, width, height, bits, px.data(), ptrdiff_t(width) * bpp);
}

MclHandle MakeImage(int width, int height, uint32_t rgb, int bits, uint8_t alpha) {
  MclHandle h = MclImgCreate();
  FillImage(
      h, width, height, [rgb](int, int) { return rgb; }, bits, alpha);
  return h;
}

void FrameSource::Callback(MclHandle source, void* user) {
  auto* s = static_cast<FrameSource*>(user);
  if (s->requests++ == s->throwAt) throw std::runtime_error("source failed");
  if (s->delivered >= s->count) {
    MclSourceFinished(source);
    return;
  }
  ++s->delivered;
  MclSourceSetImage(source, s->image);
  if (s->fps > 0) MclSourceSetFrameRate(source, s->fps);
}

void SoundSource::Callback(MclHandle source, void* user) {
  auto* s = static_cast<SoundSource*>(user);
  ++s->requests;
  if (s->next >= s->items.size()) {
    MclSourceFinished(source);
    return;
  }
  const Item& it = s->items[s->next++];
  if (!it.file.empty())
    MclSourceSetFile(source, it.file.c_str());
  else
    MclSourceSetSamples(source, nullptr, it.silence, 100, 1, 8);
}

void ErrorRecorder::Callback(void* user, const char* fileName, int32_t* action) {
  auto* r = static_cast<ErrorRecorder*>(user);
  const size_t i = r->names.size();
  r->names.emplace_back(fileName ? fileName : "");
  *action = r->answers[std::min(i, r->answers.size() - 1)];
}

void WriteWave(const std::string& path, int rate, int channels, int frames,
               const std::function<int16_t(int, int)>& sample) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  auto u32 = [f](uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
  };
  auto u16 = [f](uint16_t v) {
    uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
  };
  const uint32_t data = uint32_t(frames) * channels * 2;
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + data);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);
  u16(uint16_t(channels));
  u32(uint32_t(rate));
  u32(uint32_t(rate * channels * 2));
  u16(uint16_t(channels * 2));
  u16(16);
  std::fwrite("data", 1, 4, f);
  u32(data);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) u16(uint16_t(sample(i, c)));
  std::fclose(f);
}

const StreamInfo* FileInfo::Video() const {
  for (const StreamInfo& s : streams)
    if (s.width > 0) return &s;
  return nullptr;
}
const StreamInfo* FileInfo::Audio() const {
  for (const StreamInfo& s : streams)
    if (s.sampleRate > 0) return &s;
  return nullptr;
}

FileInfo Probe(const std::string& path, bool decodeAudio) {
  FileInfo info;
  AVFormatContext* f = nullptr;
  if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return info;
  if (avformat_find_stream_info(f, nullptr) < 0) {
    avformat_close_input(&f);
    return info;
  }
  info.ok = true;
  info.format = f->iformat->name;
  info.duration = f->duration > 0 ? double(f->duration) / AV_TIME_BASE : 0;
  std::vector<AVCodecContext*> decoders(f->nb_streams, nullptr);
  for (unsigned i = 0; i < f->nb_streams; ++i) {
    const AVStream* st = f->streams[i];
    StreamInfo s;
    s.codec = avcodec_get_name(st->codecpar->codec_id);
    s.tag = st->codecpar->codec_tag;
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      s.width = st->codecpar->width;
      s.height = st->codecpar->height;
      const AVRational r = st->avg_frame_rate.num ? st->avg_frame_rate : st->r_frame_rate;
      s.fps = r.den ? av_q2d(r) : 0;
      const char* pf = av_get_pix_fmt_name(AVPixelFormat(st->codecpar->format));
      s.pixFmt = pf ? pf : "";
      s.sarNum = st->codecpar->sample_aspect_ratio.num;
      s.sarDen = st->codecpar->sample_aspect_ratio.den;
    } else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      s.sampleRate = st->codecpar->sample_rate;
      s.channels = st->codecpar->ch_layout.nb_channels;
      if (decodeAudio) {
        const AVCodec* dec = avcodec_find_decoder(st->codecpar->codec_id);
        decoders[i] = avcodec_alloc_context3(dec);
        avcodec_parameters_to_context(decoders[i], st->codecpar);
        avcodec_open2(decoders[i], dec, nullptr);
      }
    }
    s.bitRate = st->codecpar->bit_rate;
    info.streams.push_back(s);
  }
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto drain = [&](unsigned i) {
    while (avcodec_receive_frame(decoders[i], frame) >= 0) {
      info.streams[i].samples += frame->nb_samples;
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(f, pkt) >= 0) {
    const unsigned i = unsigned(pkt->stream_index);
    if (i < info.streams.size()) {
      ++info.streams[i].packets;
      if (decoders[i]) {
        avcodec_send_packet(decoders[i], pkt);
        drain(i);
      }
    }
    av_packet_unref(pkt);
  }
  for (unsigned i = 0; i < decoders.size(); ++i)
    if (decoders[i]) {
      avcodec_send_packet(decoders[i], nullptr);
      drain(i);
      avcodec_free_context(&decoders[i]);
    }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avformat_close_input(&f);
  return info;
}

std::vector<uint8_t> VideoPacket(const std::string& path, int index) {
  std::vector<uint8_t> out;
  AVFormatContext* f = nullptr;
  if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return out;
  avformat_find_stream_info(f, nullptr);
  const int vs = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  AVPacket* pkt = av_packet_alloc();
  int n = 0;
  while (av_read_frame(f, pkt) >= 0) {
    if (pkt->stream_index == vs && n++ == index) {
      out.assign(pkt->data, pkt->data + pkt->size);
      av_packet_unref(pkt);
      break;
    }
    av_packet_unref(pkt);
  }
  av_packet_free(&pkt);
  avformat_close_input(&f);
  return out;
}

std::vector<uint8_t> DecodeFrameBGRA(const std::string& path, int index, int& width, int& height) {
  std::vector<uint8_t> out;
  width = height = 0;
  AVFormatContext* f = nullptr;
  if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return out;
  avformat_find_stream_info(f, nullptr);
  const AVCodec* dec = nullptr;
  const int vs = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, &dec, 0);
  if (vs < 0 || !dec) {
    avformat_close_input(&f);
    return out;
  }
  AVCodecContext* c = avcodec_alloc_context3(dec);
  avcodec_parameters_to_context(c, f->streams[vs]->codecpar);
  c->thread_count = 1;
  avcodec_open2(c, dec, nullptr);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int n = 0;
  bool done = false;
  auto take = [&]() {
    while (!done && avcodec_receive_frame(c, frame) >= 0) {
      if (n++ == index) {
        width = frame->width;
        height = frame->height;
        out.resize(size_t(width) * height * 4);
        SwsContext* s = sws_getContext(width, height, AVPixelFormat(frame->format), width, height,
                                       AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t* d[4] = {out.data(), nullptr, nullptr, nullptr};
        int ls[4] = {width * 4, 0, 0, 0};
        sws_scale(s, frame->data, frame->linesize, 0, height, d, ls);
        sws_freeContext(s);
        done = true;
      }
      av_frame_unref(frame);
    }
  };
  while (!done && av_read_frame(f, pkt) >= 0) {
    if (pkt->stream_index == vs) {
      avcodec_send_packet(c, pkt);
      take();
    }
    av_packet_unref(pkt);
  }
  if (!done) {
    avcodec_send_packet(c, nullptr);
    take();
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&c);
  avformat_close_input(&f);
  return out;
}

std::vector<int16_t> DecodeAudio(const std::string& path, int& rate, int& channels) {
  std::vector<int16_t> out;
  rate = channels = 0;
  AVFormatContext* f = nullptr;
  if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return out;
  avformat_find_stream_info(f, nullptr);
  const AVCodec* dec = nullptr;
  const int as = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, &dec, 0);
  if (as < 0 || !dec) {
    avformat_close_input(&f);
    return out;
  }
  AVCodecContext* c = avcodec_alloc_context3(dec);
  avcodec_parameters_to_context(c, f->streams[as]->codecpar);
  avcodec_open2(c, dec, nullptr);
  rate = c->sample_rate;
  channels = c->ch_layout.nb_channels;
  SwrContext* swr = nullptr;
  swr_alloc_set_opts2(&swr, &c->ch_layout, AV_SAMPLE_FMT_S16, rate, &c->ch_layout, c->sample_fmt,
                      rate, 0, nullptr);
  swr_init(swr);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto take = [&]() {
    while (avcodec_receive_frame(c, frame) >= 0) {
      const size_t old = out.size();
      out.resize(old + size_t(frame->nb_samples) * channels);
      uint8_t* d = reinterpret_cast<uint8_t*>(out.data() + old);
      swr_convert(swr, &d, frame->nb_samples, const_cast<const uint8_t**>(frame->extended_data),
                  frame->nb_samples);
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(f, pkt) >= 0) {
    if (pkt->stream_index == as) {
      avcodec_send_packet(c, pkt);
      take();
    }
    av_packet_unref(pkt);
  }
  avcodec_send_packet(c, nullptr);
  take();
  swr_free(&swr);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&c);
  avformat_close_input(&f);
  return out;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

}  // namespace enctest
