#include "platform/flash/format/reader.h"

#include <cstring>

namespace flash {

void Reader::Need(size_t n) const {
  if (n > size_ - pos_) throw FormatError("unexpected end of data", data_ + pos_);
}

uint8_t Reader::U8() {
  Align();
  Need(1);
  return data_[pos_++];
}

uint16_t Reader::U16() {
  Align();
  Need(2);
  uint16_t v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
  pos_ += 2;
  return v;
}

uint32_t Reader::U32() {
  Align();
  Need(4);
  uint32_t v = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
               static_cast<uint32_t>(data_[pos_ + 2]) << 16 |
               static_cast<uint32_t>(data_[pos_ + 3]) << 24;
  pos_ += 4;
  return v;
}

float Reader::F32() {
  uint32_t bits = U32();
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

double Reader::ActionDouble() {
  uint64_t hi = U32();
  uint64_t lo = U32();
  uint64_t bits = hi << 32 | lo;
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

std::string Reader::CString() {
  Align();
  const void* end = std::memchr(data_ + pos_, 0, size_ - pos_);
  if (!end) throw FormatError("unterminated string", data_ + pos_);
  size_t len = static_cast<const uint8_t*>(end) - (data_ + pos_);
  std::string s(reinterpret_cast<const char*>(data_ + pos_), len);
  pos_ += len + 1;
  return s;
}

void Reader::Skip(size_t n) {
  Align();
  Need(n);
  pos_ += n;
}

const uint8_t* Reader::Bytes(size_t n) {
  Align();
  Need(n);
  const uint8_t* p = data_ + pos_;
  pos_ += n;
  return p;
}

uint32_t Reader::UB(int bits) {
  if (bits < 0 || bits > 32) throw FormatError("bad bit field width", data_ + pos_);
  uint32_t v = 0;
  for (int i = 0; i < bits; ++i) {
    if (bit_count_ == 0) {
      Need(1);
      bit_buffer_ = data_[pos_++];
      bit_count_ = 8;
    }
    --bit_count_;
    v = v << 1 | ((bit_buffer_ >> bit_count_) & 1u);
  }
  return v;
}

int32_t Reader::SB(int bits) {
  if (bits == 0) return 0;
  uint32_t v = UB(bits);
  if (bits < 32 && (v & (1u << (bits - 1)))) v |= ~0u << bits;
  return static_cast<int32_t>(v);
}

RectTwips Reader::Rect() {
  Align();
  int n = static_cast<int>(UB(5));
  RectTwips r;
  r.xmin = SB(n);
  r.xmax = SB(n);
  r.ymin = SB(n);
  r.ymax = SB(n);
  Align();
  return r;
}

Matrix Reader::ReadMatrix() {
  Align();
  Matrix m;
  if (UB(1)) {
    int n = static_cast<int>(UB(5));
    m.a = FB(n);
    m.d = FB(n);
  }
  if (UB(1)) {
    int n = static_cast<int>(UB(5));
    m.b = FB(n);
    m.c = FB(n);
  }
  int n = static_cast<int>(UB(5));
  m.tx = SB(n);
  m.ty = SB(n);
  Align();
  return m;
}

ColorTransform Reader::ReadColorTransform(bool with_alpha) {
  Align();
  ColorTransform cx;
  bool has_add = UB(1), has_mult = UB(1);
  int n = static_cast<int>(UB(4));
  if (has_mult) {
    cx.r_mult = static_cast<int16_t>(SB(n));
    cx.g_mult = static_cast<int16_t>(SB(n));
    cx.b_mult = static_cast<int16_t>(SB(n));
    if (with_alpha) cx.a_mult = static_cast<int16_t>(SB(n));
  }
  if (has_add) {
    cx.r_add = static_cast<int16_t>(SB(n));
    cx.g_add = static_cast<int16_t>(SB(n));
    cx.b_add = static_cast<int16_t>(SB(n));
    if (with_alpha) cx.a_add = static_cast<int16_t>(SB(n));
  }
  Align();
  return cx;
}

Rgba Reader::Rgb() {
  Rgba c;
  c.r = U8();
  c.g = U8();
  c.b = U8();
  return c;
}

Rgba Reader::RgbaColor() {
  Rgba c = Rgb();
  c.a = U8();
  return c;
}

}  // namespace flash
