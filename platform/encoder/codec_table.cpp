#include "platform/encoder/codec_table.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixfmt.h>
}

#include "platform/encoder/mcl.h"

namespace mcl {
namespace {

std::vector<CodecEntry> AllAviCodecs() {
  return {
      {kMclFourCCDib, nullptr, "Full frames, uncompressed", true, true, false, true,
       AV_PIX_FMT_BGR24, AV_PIX_FMT_BGRA},
      {MakeFourCC('M', 'J', 'P', 'G'), "mjpeg", "Motion JPEG", false, true, false, false,
       AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P, true},
      {MakeFourCC('F', 'M', 'P', '4'), "mpeg4", "MPEG-4 Part 2 video", false, false, true, false,
       AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P},
      {MakeFourCC('M', 'P', '4', '2'), "msmpeg4v2", "MPEG-4 video, version 2", false, false, true,
       false, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P},
      {MakeFourCC('D', 'I', 'V', '3'), "msmpeg4", "MPEG-4 video, version 3", false, false, true,
       false, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P},
      {MakeFourCC('H', 'F', 'Y', 'U'), "huffyuv", "Huffman lossless codec", true, true, false, true,
       AV_PIX_FMT_RGB24, AV_PIX_FMT_BGRA},
      {MakeFourCC('F', 'F', 'V', '1'), "ffv1", "Lossless video codec 1", true, true, false, true,
       AV_PIX_FMT_BGR0, AV_PIX_FMT_BGRA},
      {MakeFourCC('U', 'L', 'R', 'G'), "utvideo", "Lossless RGB codec", true, true, false, false,
       AV_PIX_FMT_GBRP, AV_PIX_FMT_GBRP},
      {MakeFourCC('U', 'L', 'R', 'A'), "utvideo", "Lossless RGBA codec", true, true, false, true,
       AV_PIX_FMT_GBRAP, AV_PIX_FMT_GBRAP},
      {MakeFourCC('M', 'P', 'N', 'G'), "png", "PNG frames", true, true, false, true,
       AV_PIX_FMT_RGB24, AV_PIX_FMT_RGBA},
  };
}

std::vector<CodecEntry> AllMpegCodecs() {
  return {
      {kMclCodecMpeg1, "mpeg1video", "MPEG-1 video", false, false, true, false, AV_PIX_FMT_YUV420P,
       AV_PIX_FMT_YUV420P},
      {kMclCodecMpeg2, "mpeg2video", "MPEG-2 video", false, false, true, false, AV_PIX_FMT_YUV420P,
       AV_PIX_FMT_YUV420P},
  };
}

std::vector<CodecEntry> KeepAvailable(std::vector<CodecEntry> all) {
  std::vector<CodecEntry> found;
  for (const CodecEntry& e : all)
    if (!e.encoder || avcodec_find_encoder_by_name(e.encoder)) found.push_back(e);
  return found;
}

}  // namespace

const std::vector<CodecEntry>& AvailableCodecs(int32_t fileFormat) {
  static const std::vector<CodecEntry> avi = KeepAvailable(AllAviCodecs());
  static const std::vector<CodecEntry> mpeg = KeepAvailable(AllMpegCodecs());
  static const std::vector<CodecEntry> none;
  if (fileFormat == kMclFormatAvi) return avi;
  if (fileFormat == kMclFormatMpeg) return mpeg;
  return none;
}

const CodecEntry* FindCodec(int32_t fileFormat, uint32_t fourCC) {
  for (const CodecEntry& e : AvailableCodecs(fileFormat))
    if (e.fourCC == fourCC) return &e;
  return nullptr;
}

}  // namespace mcl
