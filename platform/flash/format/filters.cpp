#include "platform/flash/format/filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/flash/format/reader.h"
#include "platform/flash/format/writer.h"

namespace flash {
namespace {

double Fixed16(Reader& r) { return r.S32() / 65536.0; }

void WriteFixed16(BitWriter& w, double v) {
  double scaled = std::round(v * 65536.0);
  scaled = std::fmax(-2147483648.0, std::fmin(2147483647.0, scaled));
  w.U32(static_cast<uint32_t>(static_cast<int32_t>(scaled)));
}

void WriteFixed8(BitWriter& w, double v) {
  double scaled = std::fmax(0.0, std::fmin(65535.0, std::round(v * 256.0)));
  w.U16(static_cast<uint16_t>(scaled));
}

void WriteFloat(BitWriter& w, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  w.U32(bits);
}

// The flag byte that closes shadows, glows and bevels: inner, knockout, composite source, then
// (bevels and gradient filters) on-top and four bits of passes, or five bits of passes.
void ReadEffectFlags(Reader& r, Filter& f, bool has_on_top) {
  uint8_t b = r.U8();
  f.inner = b & 0x80;
  f.knockout = b & 0x40;
  f.composite_source = b & 0x20;
  if (has_on_top) {
    f.on_top = b & 0x10;
    f.passes = b & 0x0F;
  } else {
    f.passes = b & 0x1F;
  }
}

void WriteEffectFlags(BitWriter& w, const Filter& f, bool has_on_top) {
  uint8_t b = (f.inner ? 0x80 : 0) | (f.knockout ? 0x40 : 0) | (f.composite_source ? 0x20 : 0);
  if (has_on_top)
    b |= (f.on_top ? 0x10 : 0) | (f.passes & 0x0F);
  else
    b |= f.passes & 0x1F;
  w.U8(b);
}

// The fields that close bevels and gradient filters: blur, angle, distance, strength, flags.
void ReadBevelFields(Reader& r, Filter& f) {
  f.blur_x = Fixed16(r);
  f.blur_y = Fixed16(r);
  f.angle = Fixed16(r);
  f.distance = Fixed16(r);
  f.strength = r.U16() / 256.0;
  ReadEffectFlags(r, f, true);
}

void WriteBevelFields(BitWriter& w, const Filter& f) {
  WriteFixed16(w, f.blur_x);
  WriteFixed16(w, f.blur_y);
  WriteFixed16(w, f.angle);
  WriteFixed16(w, f.distance);
  WriteFixed8(w, f.strength);
  WriteEffectFlags(w, f, true);
}

}  // namespace

std::vector<Filter> ReadFilterList(Reader& r) {
  std::vector<Filter> list;
  const uint8_t count = r.U8();
  list.reserve(count);
  for (int i = 0; i < count; ++i) {
    Filter f;
    const uint8_t id = r.U8();
    switch (id) {
      case 0:  // drop shadow
      case 2:  // glow
        f.kind = static_cast<Filter::Kind>(id);
        f.color = r.RgbaColor();
        f.blur_x = Fixed16(r);
        f.blur_y = Fixed16(r);
        if (id == 0) {
          f.angle = Fixed16(r);
          f.distance = Fixed16(r);
        }
        f.strength = r.U16() / 256.0;
        ReadEffectFlags(r, f, false);
        break;
      case 1:  // blur
        f.kind = Filter::Kind::Blur;
        f.blur_x = Fixed16(r);
        f.blur_y = Fixed16(r);
        f.passes = r.U8() >> 3;
        break;
      case 3:  // bevel: the highlight, then the shadow colour
        f.kind = Filter::Kind::Bevel;
        f.highlight = r.RgbaColor();
        f.color = r.RgbaColor();
        ReadBevelFields(r, f);
        break;
      case 4:    // gradient glow
      case 7: {  // gradient bevel
        f.kind = static_cast<Filter::Kind>(id);
        const uint8_t n = r.U8();
        f.gradient_colors.resize(n);
        f.gradient_ratios.resize(n);
        for (auto& c : f.gradient_colors) c = r.RgbaColor();
        for (auto& ratio : f.gradient_ratios) ratio = r.U8();
        ReadBevelFields(r, f);
        break;
      }
      case 5: {  // convolution
        f.kind = Filter::Kind::Convolution;
        f.matrix_x = r.U8();
        f.matrix_y = r.U8();
        f.divisor = r.F32();
        f.bias = r.F32();
        const size_t cells = static_cast<size_t>(f.matrix_x) * f.matrix_y;
        if (cells * 4 > r.Remaining())
          throw FormatError("convolution matrix runs past its tag", r.Current());
        f.matrix.resize(cells);
        for (float& v : f.matrix) v = r.F32();
        f.default_color = r.RgbaColor();
        const uint8_t b = r.U8();
        f.clamp = b & 0x02;
        f.preserve_alpha = b & 0x01;
        break;
      }
      case 6:  // colour matrix
        f.kind = Filter::Kind::ColorMatrix;
        f.matrix.resize(20);
        for (float& v : f.matrix) v = r.F32();
        break;
      default: throw FormatError("unknown filter " + std::to_string(id), r.Current() - 1);
    }
    list.push_back(std::move(f));
  }
  return list;
}

void WriteFilterList(BitWriter& w, const std::vector<Filter>& filters) {
  const auto stored = [](const Filter& f) { return f.kind != Filter::Kind::DisplacementMap; };
  w.U8(static_cast<uint8_t>(std::count_if(filters.begin(), filters.end(), stored)));
  for (const Filter& f : filters) {
    if (!stored(f)) continue;
    const auto id = static_cast<uint8_t>(f.kind);
    w.U8(id);
    switch (f.kind) {
      case Filter::Kind::DropShadow:
      case Filter::Kind::Glow:
        w.RgbaColor(f.color);
        WriteFixed16(w, f.blur_x);
        WriteFixed16(w, f.blur_y);
        if (f.kind == Filter::Kind::DropShadow) {
          WriteFixed16(w, f.angle);
          WriteFixed16(w, f.distance);
        }
        WriteFixed8(w, f.strength);
        WriteEffectFlags(w, f, false);
        break;
      case Filter::Kind::Blur:
        WriteFixed16(w, f.blur_x);
        WriteFixed16(w, f.blur_y);
        w.U8(static_cast<uint8_t>((f.passes & 0x1F) << 3));
        break;
      case Filter::Kind::Bevel:
        w.RgbaColor(f.highlight);
        w.RgbaColor(f.color);
        WriteBevelFields(w, f);
        break;
      case Filter::Kind::GradientGlow:
      case Filter::Kind::GradientBevel: {
        const size_t n = std::min(f.gradient_colors.size(), f.gradient_ratios.size());
        w.U8(static_cast<uint8_t>(std::min<size_t>(n, 255)));
        for (size_t i = 0; i < n && i < 255; ++i) w.RgbaColor(f.gradient_colors[i]);
        for (size_t i = 0; i < n && i < 255; ++i) w.U8(f.gradient_ratios[i]);
        WriteBevelFields(w, f);
        break;
      }
      case Filter::Kind::Convolution:
        w.U8(static_cast<uint8_t>(f.matrix_x));
        w.U8(static_cast<uint8_t>(f.matrix_y));
        WriteFloat(w, f.divisor);
        WriteFloat(w, f.bias);
        for (size_t i = 0; i < static_cast<size_t>(f.matrix_x) * f.matrix_y; ++i)
          WriteFloat(w, i < f.matrix.size() ? f.matrix[i] : 0.0f);
        w.RgbaColor(f.default_color);
        w.U8(static_cast<uint8_t>((f.clamp ? 0x02 : 0) | (f.preserve_alpha ? 0x01 : 0)));
        break;
      case Filter::Kind::ColorMatrix:
        for (size_t i = 0; i < 20; ++i) WriteFloat(w, i < f.matrix.size() ? f.matrix[i] : 0.0f);
        break;
      case Filter::Kind::DisplacementMap: break;
    }
  }
}

}  // namespace flash
