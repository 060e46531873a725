#include "platform/flash/video/internal/deblocking.h"

#include <algorithm>
#include <cstdlib>

namespace flash {
namespace {

// How far an edge may be moved, by quantizer 1-31 (coarser pictures are smoothed more).
constexpr int kStrength[32] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 4, 5, 5, 6, 6, 7, 7,
                               7, 8, 8, 8, 9, 9, 9, 10, 10, 10, 11, 11, 11, 12, 12, 12};

inline uint8_t Clip255(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// The correction of the samples next to the edge: full up to the strength, falling back to zero
// at twice the strength (larger steps are real edges of the picture, not block artefacts).
inline int Ramp(int d, int strength) {
  const int m = std::abs(d);
  const int v = std::max(0, m - std::max(0, 2 * (m - strength)));
  return d < 0 ? -v : v;
}

// Filters the four samples a, b | c, d across one edge (`step` apart).
inline void FilterEdge(uint8_t* c_sample, ptrdiff_t step, int strength) {
  uint8_t* pa = c_sample - 2 * step;
  uint8_t* pb = c_sample - step;
  uint8_t* pc = c_sample;
  uint8_t* pd = c_sample + step;
  const int a = *pa, b = *pb, c = *pc, d = *pd;
  // The divisions round down (arithmetic shifts), also below zero.
  const int d1 = Ramp((a - 4 * b + 4 * c - d) >> 3, strength);
  const int lim = std::abs(d1 >> 1);
  const int d2 = std::clamp((a - d) >> 2, -lim, lim);
  *pa = Clip255(a - d2);
  *pb = Clip255(b + d1);
  *pc = Clip255(c - d1);
  *pd = Clip255(d + d2);
}

}  // namespace

void DeblockPlane(uint8_t* plane, ptrdiff_t stride, int width, int height, int quantizer) {
  if (!plane || width <= 0 || height <= 0) return;
  const int strength = kStrength[std::clamp(quantizer, 1, 31)];
  for (int y = 8; y + 1 < height; y += 8)
    for (int x = 0; x < width; ++x) FilterEdge(plane + y * stride + x, stride, strength);
  for (int y = 0; y < height; ++y)
    for (int x = 8; x + 1 < width; x += 8) FilterEdge(plane + y * stride + x, 1, strength);
}

H263Header ReadH263Header(const uint8_t* data, size_t size) {
  // 17-bit start code, 5-bit version, 8-bit time, 3-bit size code (8- or 16-bit width and height
  // follow for codes 0 and 1), 2-bit picture type, the deblocking bit, the 5-bit quantizer.
  auto bits = [data](size_t at, int count) {
    int v = 0;
    for (int i = 0; i < count; ++i, ++at) v = v << 1 | ((data[at / 8] >> (7 - at % 8)) & 1);
    return v;
  };
  H263Header h;
  if (!data || size < 5) return h;
  const int size_code = bits(30, 3);
  const size_t type_at = 33 + (size_code == 0 ? 16 : size_code == 1 ? 32 : 0);
  if (type_at + 8 > size * 8) return h;
  h.complete = true;
  h.picture_type = bits(type_at, 2);
  h.deblocking = bits(type_at + 2, 1);
  h.quantizer = bits(type_at + 3, 5);
  return h;
}

int H263SmoothingQuantizer(const uint8_t* data, size_t size, uint8_t setting) {
  if (setting == 1) return 0;
  const H263Header header = ReadH263Header(data, size);
  return header.complete && (header.deblocking || setting >= 2) ? std::max(header.quantizer, 1)
                                                               : 0;
}

}  // namespace flash
