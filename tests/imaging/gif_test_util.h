// Test helpers: GIF bytes decoded by an independent decoder (giflib), sub-
// block walking, and test bitmaps.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"

namespace giftest {

struct DecodedFrame {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Interlace = false;
  bool LocalTable = false;
  std::vector<uint8_t> Indices;  // row-major, top row first
  std::vector<uint32_t> Rgb;     // 0xRRGGBB per pixel
  int DelayCs = -1;              // from the graphic control block, -1 without
  int TransparentIndex = -1;
  int Disposal = 0;
};

struct DecodedGif {
  bool Ok = false;
  std::string Error;
  int ScreenWidth = 0, ScreenHeight = 0;
  int BackgroundIndex = 0;
  int GlobalColors = 0;
  int LoopCount = -1;  // -1: no loop block
  std::vector<DecodedFrame> Frames;
};

inline DecodedGif DecodeWithGiflib(const std::vector<uint8_t>& Bytes) {
  struct Src {
    const std::vector<uint8_t>* b;
    size_t pos;
  } src{&Bytes, 0};
  auto reader = [](GifFileType* g, GifByteType* buf, int n) -> int {
    auto* s = static_cast<Src*>(g->UserData);
    size_t left = s->b->size() - s->pos;
    size_t k = std::min<size_t>(left, static_cast<size_t>(n));
    std::memcpy(buf, s->b->data() + s->pos, k);
    s->pos += k;
    return static_cast<int>(k);
  };
  DecodedGif out;
  int err = 0;
  GifFileType* gif = DGifOpen(&src, reader, &err);
  if (!gif) {
    out.Error = GifErrorString(err);
    return out;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    out.Error = GifErrorString(gif->Error);
    DGifCloseFile(gif, &err);
    return out;
  }
  out.ScreenWidth = gif->SWidth;
  out.ScreenHeight = gif->SHeight;
  out.BackgroundIndex = gif->SBackGroundColor;
  out.GlobalColors = gif->SColorMap ? gif->SColorMap->ColorCount : 0;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& si = gif->SavedImages[i];
    DecodedFrame f;
    f.Left = si.ImageDesc.Left;
    f.Top = si.ImageDesc.Top;
    f.Width = si.ImageDesc.Width;
    f.Height = si.ImageDesc.Height;
    f.Interlace = si.ImageDesc.Interlace;
    f.LocalTable = si.ImageDesc.ColorMap != nullptr;
    const ColorMapObject* map = si.ImageDesc.ColorMap ? si.ImageDesc.ColorMap : gif->SColorMap;
    // DGifSlurp de-interlaces, so rows are in display order.
    f.Indices.assign(si.RasterBits, si.RasterBits + static_cast<size_t>(f.Width) * f.Height);
    for (uint8_t idx : f.Indices) {
      uint32_t rgb = 0;
      if (map && idx < map->ColorCount) {
        const GifColorType& c = map->Colors[idx];
        rgb = (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
      }
      f.Rgb.push_back(rgb);
    }
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
      for (int e = 0; e < si.ExtensionBlockCount; ++e)
        if (si.ExtensionBlocks[e].Function == GRAPHICS_EXT_FUNC_CODE) {
          f.DelayCs = gcb.DelayTime;
          f.TransparentIndex = gcb.TransparentColor;
          f.Disposal = gcb.DisposalMode;
        }
    }
    for (int e = 0; e + 1 < si.ExtensionBlockCount; ++e) {
      const ExtensionBlock& b = si.ExtensionBlocks[e];
      if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
          std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0) {
        const ExtensionBlock& d = si.ExtensionBlocks[e + 1];
        if (d.ByteCount >= 3) out.LoopCount = d.Bytes[1] | (d.Bytes[2] << 8);
      }
    }
    out.Frames.push_back(std::move(f));
  }
  DGifCloseFile(gif, &err);
  out.Ok = true;
  return out;
}

// The data sub-blocks of LZW data (after the minimum code size byte): their
// lengths, and the bytes joined.
inline std::vector<int> SubBlockLengths(const std::vector<uint8_t>& Data,
                                        std::vector<uint8_t>* Joined = nullptr) {
  std::vector<int> lengths;
  size_t p = 1;
  while (p < Data.size()) {
    int n = Data[p++];
    lengths.push_back(n);
    if (n == 0) break;
    if (Joined) Joined->insert(Joined->end(), Data.begin() + p, Data.begin() + p + n);
    p += n;
  }
  return lengths;
}

// Codes of LZW data read back with the usual code-size rule, as a decoder
// would see them (stops at the end code).
inline std::vector<std::pair<int, int>> ReadCodes(const std::vector<uint8_t>& Data) {
  std::vector<uint8_t> bytes;
  SubBlockLengths(Data, &bytes);
  const int min = Data[0];
  const int clear = 1 << min, end = clear + 1;
  int size = min + 1, next = clear + 2;
  bool first = true;
  std::vector<std::pair<int, int>> codes;  // (code, bits)
  size_t bit = 0;
  while (bit + size <= bytes.size() * 8) {
    int code = 0;
    for (int i = 0; i < size; ++i, ++bit) code |= ((bytes[bit >> 3] >> (bit & 7)) & 1) << i;
    codes.push_back({code, size});
    if (code == end) break;
    if (code == clear) {
      size = min + 1;
      next = clear + 2;
      first = true;
      continue;
    }
    if (first) {
      first = false;
      continue;
    }
    if (next < 4096) {
      ++next;
      if (next == (1 << size) && size < 12) ++size;
    }
  }
  return codes;
}

// A 24-bit bitmap filled by F(x, y) -> 0x00BBGGRR.
template <typename F>
std::unique_ptr<classlib::TBitmap> MakeBitmap24(int W, int H, F ColorAt) {
  auto b = std::make_unique<classlib::TBitmap>();
  b->SetPixelFormat(classlib::pf24bit);
  b->SetSize(W, H);
  for (int y = 0; y < H; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < W; ++x) {
      classlib::TColor c = ColorAt(x, y);
      row[3 * x] = static_cast<uint8_t>(classlib::GetBValue(c));
      row[3 * x + 1] = static_cast<uint8_t>(classlib::GetGValue(c));
      row[3 * x + 2] = static_cast<uint8_t>(classlib::GetRValue(c));
    }
  }
  return b;
}

inline uint32_t ToRgb(classlib::TColor c) {
  return (uint32_t(classlib::GetRValue(c)) << 16) | (uint32_t(classlib::GetGValue(c)) << 8) |
         classlib::GetBValue(c);
}

}  // namespace giftest
