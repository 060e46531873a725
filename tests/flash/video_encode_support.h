// Video pictures encoded with FFmpeg's encoders for the video tests: solid colours, or blocks.
#pragma once

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
}

#include <cstring>
#include <functional>
#include <vector>

#include "platform/flash/format/types.h"

namespace flashtest {

constexpr int kW = 64, kH = 48;

// Encodes `count` pictures, a key frame every `gop` frames, each painted by `paint(frame, n)`
// (BGR for screen video, else planar 4:2:0) at the fixed `quantizer`.
inline std::vector<std::vector<uint8_t>> EncodeFrames(
    AVCodecID id, size_t count, int gop, int quantizer,
    const std::function<void(AVFrame*, size_t)>& paint) {
  std::vector<std::vector<uint8_t>> out;
  const AVCodec* codec = avcodec_find_encoder(id);
  if (!codec) return out;
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  ctx->width = kW;
  ctx->height = kH;
  ctx->time_base = {1, 12};
  ctx->gop_size = gop;
  ctx->max_b_frames = 0;
  ctx->pix_fmt = id == AV_CODEC_ID_FLASHSV ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUV420P;
  if (id != AV_CODEC_ID_FLASHSV) {
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * quantizer;
  }
  EXPECT_GE(avcodec_open2(ctx, codec, nullptr), 0);
  AVFrame* frame = av_frame_alloc();
  frame->format = ctx->pix_fmt;
  frame->width = kW;
  frame->height = kH;
  av_frame_get_buffer(frame, 0);
  AVPacket* pkt = av_packet_alloc();
  for (size_t n = 0; n < count; ++n) {
    av_frame_make_writable(frame);
    paint(frame, n);
    frame->pts = static_cast<int64_t>(n);
    if (n % gop == 0)
      frame->pict_type = AV_PICTURE_TYPE_I;
    else
      frame->pict_type = AV_PICTURE_TYPE_NONE;
    avcodec_send_frame(ctx, frame);
    while (avcodec_receive_packet(ctx, pkt) >= 0) {
      out.emplace_back(pkt->data, pkt->data + pkt->size);
      av_packet_unref(pkt);
    }
  }
  avcodec_send_frame(ctx, nullptr);
  while (avcodec_receive_packet(ctx, pkt) >= 0) {
    out.emplace_back(pkt->data, pkt->data + pkt->size);
    av_packet_unref(pkt);
  }
  av_packet_free(&pkt);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  return out;
}

// Encodes one solid-coloured picture per entry, a key frame every `gop` frames.
inline std::vector<std::vector<uint8_t>> Encode(AVCodecID id,
                                                const std::vector<flash::Rgba>& colours, int gop) {
  return EncodeFrames(id, colours.size(), gop, 2, [&colours](AVFrame* frame, size_t n) {
    const flash::Rgba c = colours[n];
    if (frame->format == AV_PIX_FMT_BGR24) {
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          uint8_t* p = frame->data[0] + y * frame->linesize[0] + x * 3;
          p[0] = c.b;
          p[1] = c.g;
          p[2] = c.r;
        }
      return;
    }
    // Limited-range BT.601.
    const int Y = static_cast<int>(16 + 0.257 * c.r + 0.504 * c.g + 0.098 * c.b + 0.5);
    const int U = static_cast<int>(128 - 0.148 * c.r - 0.291 * c.g + 0.439 * c.b + 0.5);
    const int V = static_cast<int>(128 + 0.439 * c.r - 0.368 * c.g - 0.071 * c.b + 0.5);
    for (int y = 0; y < kH; ++y) memset(frame->data[0] + y * frame->linesize[0], Y, kW);
    for (int y = 0; y < kH / 2; ++y) {
      memset(frame->data[1] + y * frame->linesize[1], U, kW / 2);
      memset(frame->data[2] + y * frame->linesize[2], V, kW / 2);
    }
  });
}

// One grey key frame of 8x8 blocks whose luma alternates between `low` and `high` like a
// chequerboard, at `quantizer`: every block edge is a small step.
inline std::vector<uint8_t> EncodeBlocks(AVCodecID id, int low, int high, int quantizer) {
  auto frames = EncodeFrames(id, 1, 1, quantizer, [=](AVFrame* frame, size_t) {
    frame->quality = FF_QP2LAMBDA * quantizer;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        frame->data[0][y * frame->linesize[0] + x] =
            static_cast<uint8_t>((x / 8 + y / 8) % 2 ? high : low);
    for (int y = 0; y < kH / 2; ++y) {
      memset(frame->data[1] + y * frame->linesize[1], 128, kW / 2);
      memset(frame->data[2] + y * frame->linesize[2], 128, kW / 2);
    }
  });
  return frames.empty() ? std::vector<uint8_t>{} : frames.front();
}

// Sets or clears the bit of a Sorenson H.263 frame header of this size that asks for smoothed
// block edges (64x48 is no standard size: 8-bit width and height, so the bit is bit 51).
inline void SetH263DeblockingBit(std::vector<uint8_t>& data, bool on) {
  static_assert(kW < 256 && kH < 256);
  if (data.size() <= 6) return;
  if (on)
    data[6] |= 0x10;
  else
    data[6] &= ~0x10;
}

}  // namespace flashtest
