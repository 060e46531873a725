// A video file (FLV) that a script plays through a net stream: its video frames are read from the
// file's bytes up front, and the picture for any moment is decoded when asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/flash/format/bitmap.h"

namespace flash {

class FlvStream {
 public:
  ~FlvStream();
  FlvStream(const FlvStream&) = delete;
  FlvStream& operator=(const FlvStream&) = delete;

  // Reads the file's bytes; null when they are no video file with a video track the player
  // decodes. A file cut short keeps the frames before the cut.
  static std::unique_ptr<FlvStream> Open(const std::string& bytes);

  // Largest number of frames and of encoded bytes kept; a longer file is cut there.
  static constexpr size_t kMaxFrames = 1u << 18;
  static constexpr size_t kMaxEncodedBytes = 256u << 20;

  // Seconds from the first frame to the end of the last (the header's duration when it says
  // more).
  double Duration() const;
  int Width() const;
  int Height() const;
  size_t FrameCount() const;
  // The values of the file's metadata (duration, width, framerate...) in the file's order:
  // numbers, booleans and texts (nested lists are left out).
  struct MetaValue {
    enum class Kind : uint8_t { Number, Boolean, Text } kind = Kind::Number;
    double number = 0;  // numbers, and booleans as 0 or 1
    std::string text;
  };
  const std::vector<std::pair<std::string, MetaValue>>& Metadata() const;

  // The picture shown at `seconds` (the last frame that starts at or before it); going back
  // decodes again from the key frame before it. A frame that does not decode leaves the previous
  // picture. Null before any frame decoded. Thread-safe.
  std::shared_ptr<const BitmapDef> PictureAt(double seconds);

 private:
  FlvStream();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace flash
