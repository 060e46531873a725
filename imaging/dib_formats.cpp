#include "imaging/dib_formats.h"

#include <algorithm>
#include <cctype>
#include <cstring>

using namespace classlib;

namespace lumicast {

void TAbstractDIBFormat::Progress(int Row, int Rows) {
  if (!OnProgress) return;
  const int last = Rows - 1;
  // A one-row image has no rows before its last: it is complete at once.
  OnProgress(this, last <= 0 ? 100 : (Row / last) * 100);
}

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

uint32_t Get32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

// The top Bits bits of an 8-bit value, and back to the top of a byte.
inline uint32_t Top(uint32_t v, int bits) { return bits == 0 ? 0 : v >> (8 - bits); }
inline uint32_t Widen(uint32_t v, int bits) { return bits == 0 ? 0 : (v << (8 - bits)) & 0xFF; }

}  // namespace

bool TDIBRSBFormat::HandlesLoadExtension(const std::string& Ext) const {
  return Upper(Ext) == ".RSB";
}
bool TDIBRSBFormat::HandlesSaveExtension(const std::string& Ext) const {
  return Upper(Ext) == ".RSB";
}

void TDIBRSBFormat::LoadFromStream(TStream* Stream, TAbstractSuperDIB& DIB) {
  const int64_t left = Stream->Size() - Stream->Position();
  if (left < 28) throw EDIBFormatError("The RSB file is truncated");
  uint8_t head[28];
  Stream->ReadBuffer(head, 28);
  if (Get32(head) != 1) throw EDIBFormatError("Only RSB version 1 is supported.");
  const uint32_t w = Get32(head + 4), h = Get32(head + 8);
  const uint32_t rb = Get32(head + 12), gb = Get32(head + 16), bb = Get32(head + 20),
                 ab = Get32(head + 24);
  if (rb > 8 || gb > 8 || bb > 8 || ab > 8 || rb + gb + bb + ab > 16)
    throw EDIBFormatError("The RSB file has invalid bit counts");
  if (w == 0 || h == 0 || w > 65535 || h > 65535)
    throw EDIBFormatError("The RSB file has an invalid size");
  const uint64_t bytes = static_cast<uint64_t>(w) * h * 2;
  if (bytes > static_cast<uint64_t>(left - 28)) throw EDIBFormatError("The RSB file is truncated");
  std::vector<uint8_t> data(static_cast<size_t>(bytes));
  Stream->ReadBuffer(data.data(), static_cast<int64_t>(bytes));
  DIB.BeginUpdate();
  try {
    DIB.SetSize(static_cast<int>(w), static_cast<int>(h));
    uint32_t* px = DIB.PixelData();
    const int ib = static_cast<int>(bb), ig = static_cast<int>(gb), ir = static_cast<int>(rb),
              ia = static_cast<int>(ab);
    const uint32_t mb = (1u << ib) - 1, mg = (1u << ig) - 1, mr = (1u << ir) - 1,
                   ma = (1u << ia) - 1;
    for (uint32_t row = 0; row < h; ++row) {
      for (uint32_t x = 0; x < w; ++x) {
        const size_t i = static_cast<size_t>(row) * w + x;
        uint32_t v = data[2 * i] | (data[2 * i + 1] << 8);
        uint32_t b = Widen(v & mb, ib);
        v >>= ib;
        uint32_t g = Widen(v & mg, ig);
        v >>= ig;
        uint32_t r = Widen(v & mr, ir);
        v >>= ir;
        uint32_t a = Widen(v & ma, ia);
        px[i] = (a << 24) | (r << 16) | (g << 8) | b;
      }
      Progress(static_cast<int>(row), static_cast<int>(h));
    }
    if (ab > 0) DIB.SetMasked(true);
  } catch (...) {
    DIB.EndUpdate();
    throw;
  }
  DIB.EndUpdate();
}

void TDIBRSBFormat::SaveToStream(TStream* Stream, TAbstractSuperDIB& DIB) {
  if (DIB.Empty()) throw EDIBFormatError("There is no image to save");
  const bool masked = DIB.Masked();
  const uint32_t w = static_cast<uint32_t>(DIB.Width()), h = static_cast<uint32_t>(DIB.Height());
  const uint32_t head[7] = {
      1, w, h, masked ? 4u : 5u, masked ? 4u : 6u, masked ? 4u : 5u, masked ? 4u : 0u};
  for (uint32_t v : head) Stream->WriteValue<uint32_t>(v);
  const uint32_t* px = DIB.PixelData();
  std::vector<uint8_t> row(static_cast<size_t>(w) * 2);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t p = px[static_cast<size_t>(y) * w + x];
      const uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      const uint32_t v = masked
                             ? (Top(a, 4) << 12) | (Top(r, 4) << 8) | (Top(g, 4) << 4) | Top(b, 4)
                             : (Top(r, 5) << 11) | (Top(g, 6) << 5) | Top(b, 5);
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
    }
    Stream->WriteBuffer(row.data(), static_cast<int64_t>(row.size()));
    Progress(static_cast<int>(y), static_cast<int>(h));
  }
}

const std::vector<std::unique_ptr<TAbstractDIBFormat>>& DIBFormats() {
  // Filled here rather than by a static registration object, so the format
  // is present whatever the linker keeps.
  static const std::vector<std::unique_ptr<TAbstractDIBFormat>> formats = [] {
    std::vector<std::unique_ptr<TAbstractDIBFormat>> v;
    v.push_back(std::make_unique<TDIBRSBFormat>());
    return v;
  }();
  return formats;
}

TAbstractDIBFormat* FindDIBFormat(const std::string& Ext, bool ForSaving) {
  for (const auto& f : DIBFormats())
    if (ForSaving ? f->HandlesSaveExtension(Ext) : f->HandlesLoadExtension(Ext)) return f.get();
  return nullptr;
}

}  // namespace lumicast
