// LZW coding of GIF image data. The encoder turns the 1-, 4- or 8-bit rows of
// a device-independent bitmap into the data of one GIF image (minimum code
// size byte, data sub-blocks of at most 255 bytes, empty sub-block); the
// decoder turns such data back into bottom-up bitmap rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/graphic.h"
#include "platform/classlib/stream.h"

namespace lumicast {

// The 40-byte info header of a device-independent bitmap, as in a BMP file.
struct TBitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// Bytes of one row of a device-independent bitmap, padded to 4 bytes.
inline int64_t DIBRowBytes(int64_t Width, int Bits) { return ((Width * Bits + 31) / 32) * 4; }

// Progress of a coder: stage, percent done, and (when ending after a failure)
// the failure's message. A handler may throw (EAbort) to stop the coder.
using TLZWProgress =
    std::function<void(classlib::TProgressStage Stage, uint8_t Percent, const std::string& Msg)>;

// Appends the LZW-coded pixels to Out. Pixels are the bitmap's rows,
// bottom-up, each padded to 4 bytes; Header gives width, height (> 0, bottom-
// up) and bit count (1, 4 or 8). Rows are taken top row first, in the four
// interlace passes when Interlaced is set.
void GIFEncodeLZW(std::vector<uint8_t>& Out, const TBitmapInfoHeader& Header, bool Interlaced,
                  const TLZWProgress& Progress, const uint8_t* Pixels);
// The same, appended to a stream in one write.
void GIFWriteLZW(classlib::TStream* Stream, const TBitmapInfoHeader& Header, bool Interlaced,
                 const TLZWProgress& Progress, const uint8_t* Pixels);

// Decodes GIF image data (minimum code size byte, sub-blocks) from Data into
// Pixels, which the caller has sized to height x row bytes and zeroed.
// Header gives width, height and the bitmap's bit count (1, 4 or 8);
// BitsPerPixel is the frame's own (1..8) and masks the pixel values. Returns
// the number of bytes of Data consumed. Damage (a code size outside 2..9, a
// code that refers to no string yet, a string longer than 4096 pixels) raises
// EInvalidGraphicOperation, or in Tolerant mode stops decoding and sets
// Corrupted. Data ending before the end code leaves the unfilled rows at 0.
size_t GIFDecodeLZW(const uint8_t* Data, size_t Size, const TBitmapInfoHeader& Header,
                    bool Interlaced, const TLZWProgress& Progress, bool& Corrupted, uint8_t* Pixels,
                    int BitsPerPixel, bool Tolerant);
// The most pixels that GIF image data (minimum code size byte, sub-blocks) can
// decode to: every code at least the starting code size wide, and the k-th
// code after the start at most k pixels long (4096 at the most). A frame
// larger than this can never be filled by its data.
int64_t GIFMaxDecodedPixels(const std::vector<uint8_t>& Data);

// Frames whose pixels take at most this many bytes are decoded even when their
// data cannot fill them (the rows it leaves stay 0); larger ones must have the
// data to fill them before they are allocated.
constexpr uint64_t kMaxUnprovenGIFFrameBytes = uint64_t(1) << 22;

// The same, reading from Stream's position to its end; the stream is left
// after the bytes consumed.
void GIFReadLZW(classlib::TStream* Stream, const TBitmapInfoHeader& Header, bool Interlaced,
                const TLZWProgress& Progress, bool& Corrupted, uint8_t* Pixels, int BitsPerPixel,
                bool Tolerant);

// Row Index of the row order of an image of Height rows (top row = 0):
// straight, or the four interlace passes.
class TGIFRowOrder {
 public:
  TGIFRowOrder(int Height, bool Interlaced);
  int Current() const { return row_; }
  bool Done() const { return row_ >= height_; }
  void Next();

 private:
  int height_;
  bool interlaced_;
  int pass_ = 0;
  int row_ = 0;
};

}  // namespace lumicast
