// Bitmap characters, decoded to premultiplied B,G,R,A bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/flash/format/types.h"

namespace flash {

struct BitmapDef : CharacterDef {
  explicit BitmapDef(uint16_t character_id = 0) : CharacterDef(Kind::Bitmap, character_id) {}
  int width = 0, height = 0;
  std::vector<uint8_t> bgra_premultiplied;  // rows top-down, 4 * width bytes each
};

// Largest bitmap a movie may declare (each side, and pixels in all).
constexpr int kMaxBitmapSide = 8191;
constexpr int64_t kMaxBitmapPixels = 16777215;

// Decoders of the bitmap tags. Each takes the tag body (after the character id) and throws
// FormatError for malformed data.
// DefineBits: a JPEG image whose tables come from the movie's JPEGTables tag (may be null).
void DecodeJpegWithTables(const uint8_t* data, size_t length, const std::vector<uint8_t>* tables,
                          BitmapDef& out);
// DefineBitsJPEG2/3/4: a JPEG, PNG or GIF image, optionally with zlib-compressed alpha bytes.
void DecodeEmbeddedImage(const uint8_t* data, size_t length, const uint8_t* alpha_zlib,
                         size_t alpha_length, BitmapDef& out);
// DefineBitsLossless (version 1) and DefineBitsLossless2 (version 2).
void DecodeLossless(const uint8_t* data, size_t length, int version, BitmapDef& out);

}  // namespace flash
