// Bitmap characters. A bitmap read from a movie keeps its encoded bytes and is decoded to
// premultiplied B,G,R,A pixels when it is first drawn; decoded bitmaps are kept under an overall
// budget, the least recently drawn dropped first and decoded again when needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/flash/format/types.h"

namespace flash {

struct BitmapPixels {
  int width = 0, height = 0;
  std::vector<uint8_t> bgra_premultiplied;  // rows top-down, 4 * width bytes each
};

// A bitmap character. Pixels given directly (the inherited fields) are used as they are; a
// bitmap read from a movie holds its encoded image instead.
struct BitmapDef : CharacterDef, BitmapPixels {
  enum class Encoding : uint8_t {
    Pixels,     // the inherited pixel fields hold the image
    Jpeg,       // `encoded`: a JPEG stream (the movie's tables first for DefineBits)
    Embedded,   // `encoded`: a JPEG, PNG or GIF image; `alpha`: zlib-compressed alpha bytes
    Lossless1,  // `encoded`: a DefineBitsLossless body after the id
    Lossless2,  // `encoded`: a DefineBitsLossless2 body after the id
    Missing,    // no usable image: draws nothing
  };
  explicit BitmapDef(uint16_t character_id = 0) : CharacterDef(Kind::Bitmap, character_id) {}
  ~BitmapDef() override;
  BitmapDef(const BitmapDef&) = delete;
  BitmapDef& operator=(const BitmapDef&) = delete;

  Encoding encoding = Encoding::Pixels;
  std::vector<uint8_t> encoded;
  std::vector<uint8_t> alpha;

  // The decoded image (0x0 when it cannot be decoded), valid while the returned pointer is held.
  // Decodes on first use and after the cache dropped it. Thread-safe.
  std::shared_ptr<const BitmapPixels> Pixels() const;
  // Decodes without the cache; throws FormatError for an image that cannot be decoded.
  BitmapPixels Decode() const;
};

// Largest bitmap a movie may declare (each side, and pixels in all).
constexpr int kMaxBitmapSide = 8191;
constexpr int64_t kMaxBitmapPixels = 16777215;

// Bytes of decoded pixels the cache keeps at most (the bitmap being drawn is kept even when it
// alone exceeds the budget), and the bytes it holds now.
void SetDecodedBitmapBudget(size_t bytes);
size_t DecodedBitmapBytes();

// Checks a lossless bitmap body (after the id): its format and size. Throws FormatError.
void CheckLosslessHeader(const uint8_t* data, size_t length, int version);

}  // namespace flash
