#include "platform/flash/format/video.h"

#include "platform/flash/format/reader.h"

namespace flash {

std::shared_ptr<VideoDef> ParseVideoStream(const uint8_t* data, size_t length) {
  Reader r(data, length);
  auto v = std::make_shared<VideoDef>(r.U16());
  v->num_frames = r.U16();
  v->width = r.U16();
  v->height = r.U16();
  const uint8_t flags = r.U8();
  v->deblocking = (flags >> 1) & 0x07;
  v->smoothing = flags & 0x01;
  v->codec = r.U8();
  return v;
}

uint16_t VideoFrameStreamId(const uint8_t* data, size_t length) {
  Reader r(data, length);
  return r.U16();
}

void AddVideoFrame(VideoDef* stream, const uint8_t* data, size_t length) {
  Reader r(data, length);
  r.U16();  // stream id
  const uint16_t number = r.U16();
  if (!stream) return;
  const size_t size = r.Remaining();
  const uint8_t* bytes = r.Bytes(size);
  stream->frames.emplace(number, std::make_shared<const std::vector<uint8_t>>(bytes, bytes + size));
}

}  // namespace flash
