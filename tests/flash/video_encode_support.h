// Video pictures encoded with FFmpeg's encoders for the video tests: one solid colour a frame.
#pragma once

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
}

#include <cstring>
#include <vector>

#include "platform/flash/format/types.h"

namespace flashtest {

constexpr int kW = 64, kH = 48;

// Encodes one solid-coloured picture per entry, a key frame every `gop` frames.
inline std::vector<std::vector<uint8_t>> Encode(AVCodecID id,
                                                const std::vector<flash::Rgba>& colours, int gop) {
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
    ctx->global_quality = FF_QP2LAMBDA * 2;
  }
  EXPECT_GE(avcodec_open2(ctx, codec, nullptr), 0);
  AVFrame* frame = av_frame_alloc();
  frame->format = ctx->pix_fmt;
  frame->width = kW;
  frame->height = kH;
  av_frame_get_buffer(frame, 0);
  AVPacket* pkt = av_packet_alloc();
  for (size_t n = 0; n < colours.size(); ++n) {
    av_frame_make_writable(frame);
    const flash::Rgba c = colours[n];
    if (ctx->pix_fmt == AV_PIX_FMT_BGR24) {
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          uint8_t* p = frame->data[0] + y * frame->linesize[0] + x * 3;
          p[0] = c.b;
          p[1] = c.g;
          p[2] = c.r;
        }
    } else {
      // Limited-range BT.601.
      const int Y = static_cast<int>(16 + 0.257 * c.r + 0.504 * c.g + 0.098 * c.b + 0.5);
      const int U = static_cast<int>(128 - 0.148 * c.r - 0.291 * c.g + 0.439 * c.b + 0.5);
      const int V = static_cast<int>(128 + 0.439 * c.r - 0.368 * c.g - 0.071 * c.b + 0.5);
      for (int y = 0; y < kH; ++y) memset(frame->data[0] + y * frame->linesize[0], Y, kW);
      for (int y = 0; y < kH / 2; ++y) {
        memset(frame->data[1] + y * frame->linesize[1], U, kW / 2);
        memset(frame->data[2] + y * frame->linesize[2], V, kW / 2);
      }
    }
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

}  // namespace flashtest
