// Decodes the frames of an embedded video stream into pictures the renderer can draw.
#pragma once

#include <memory>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/video.h"

namespace flash {

class VideoDecoder {
 public:
  explicit VideoDecoder(std::shared_ptr<const VideoDef> stream);
  ~VideoDecoder();
  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;

  // The picture of frame `number` (premultiplied, at the stream's declared size). The frames
  // since the nearest key frame at or before it are decoded as needed; a frame that does not
  // decode leaves the previous picture showing. Null while no frame has decoded, for a codec
  // that is not supported, or for a stream whose declared size is out of bounds. Thread-safe.
  std::shared_ptr<const BitmapDef> Frame(int number);

  // Whether the encoded frame starts a sequence (decodes without the frames before it).
  static bool IsKeyFrame(uint8_t codec, const std::vector<uint8_t>& data);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The decoder of a stream, made on first use and kept while the stream lives, so that moving
// from one frame to the next decodes one frame.
std::shared_ptr<VideoDecoder> DecoderFor(const std::shared_ptr<const CharacterDef>& stream);

}  // namespace flash
