// Bounds-checked little-endian byte and bit reader over one block of movie data. Every read that
// would pass the end of the block throws FormatError instead of touching memory outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/flash/format/errors.h"
#include "platform/flash/format/types.h"

namespace flash {

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Position() const { return pos_; }
  size_t Size() const { return size_; }
  size_t Remaining() const { return size_ - pos_; }
  bool AtEnd() const { return pos_ >= size_; }
  const uint8_t* Current() const { return data_ + pos_; }

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  int16_t S16() { return static_cast<int16_t>(U16()); }
  int32_t S32() { return static_cast<int32_t>(U32()); }
  float F32();
  // The byte code's doubles: two 32-bit little-endian halves, high half first.
  double ActionDouble();
  double Fixed8() { return S16() / 256.0; }
  // A zero-terminated string; a missing terminator is an error.
  std::string CString();
  void Skip(size_t n);
  const uint8_t* Bytes(size_t n);  // pointer to the next n bytes, then skips them

  // Bit fields, most significant bit first; byte reads and Align() drop a partial byte.
  uint32_t UB(int bits);
  int32_t SB(int bits);
  double FB(int bits) { return SB(bits) / 65536.0; }
  void Align() { bit_count_ = 0; }

  RectTwips Rect();
  Matrix ReadMatrix();
  ColorTransform ReadColorTransform(bool with_alpha);
  Rgba Rgb();
  Rgba RgbaColor();

 private:
  void Need(size_t n) const;
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  uint8_t bit_buffer_ = 0;
  int bit_count_ = 0;
};

}  // namespace flash
