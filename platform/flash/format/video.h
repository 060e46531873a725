// Embedded video streams: the stream's definition and the encoded frames that VideoFrame tags
// give it, in any timeline of the movie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/flash/format/types.h"

namespace flash {

enum class VideoCodec : uint8_t {
  SorensonH263 = 2,
  ScreenVideo = 3,
  Vp6 = 4,
  Vp6Alpha = 5,
  ScreenVideo2 = 6,
};

// Largest picture a stream may declare, each side and in all; larger streams show nothing.
constexpr int kMaxVideoSide = 4096;
constexpr int64_t kMaxVideoPixels = 4096 * 2160;

struct VideoDef : CharacterDef {
  explicit VideoDef(uint16_t character_id = 0) : CharacterDef(Kind::Video, character_id) {}
  uint16_t num_frames = 0;
  uint16_t width = 0, height = 0;
  uint8_t deblocking = 0;
  bool smoothing = false;
  uint8_t codec = 0;
  // Encoded frames by frame number, shared so that decoders can hold them.
  std::map<uint16_t, std::shared_ptr<const std::vector<uint8_t>>> frames;

  bool SizeIsValid() const {
    return width > 0 && height > 0 && width <= kMaxVideoSide && height <= kMaxVideoSide &&
           int64_t{width} * height <= kMaxVideoPixels;
  }
};

// Reads a DefineVideoStream body. Throws FormatError when it is cut short.
std::shared_ptr<VideoDef> ParseVideoStream(const uint8_t* data, size_t length);

// Reads a VideoFrame body and adds the frame to its stream: `stream` is the definition the tag's
// stream id names (null when it names none, or another kind of character: the frame is dropped).
// A frame number given twice keeps its first data. Throws FormatError when the tag is cut short.
void AddVideoFrame(VideoDef* stream, const uint8_t* data, size_t length);
// The stream id a VideoFrame body names. Throws FormatError when the tag is cut short.
uint16_t VideoFrameStreamId(const uint8_t* data, size_t length);

}  // namespace flash
