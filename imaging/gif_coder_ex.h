// Pixel-data coding of the GIF object model (TGIFImageEx): one LZW decoder
// that reads image data sub-blocks from a stream into top-down index rows,
// and two encoders behind TGIFEncoder that write such rows as image data:
// the table-building TLZWEncoder and the table-free TRLEEncoder, whose codes
// any GIF decoder reads. Encoders write through TGIFWriter, which packs bytes
// into data sub-blocks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"

namespace lumicast {

// The error of the GIF object model; a kind of invalid-graphic error.
class GIFException : public classlib::EInvalidGraphic {
 public:
  using classlib::EInvalidGraphic::EInvalidGraphic;
};

// A recoverable problem met while coding (reading goes on).
using TGIFWarning = std::function<void(const std::string& Message)>;

// Reads the image data of one frame (initial code size byte, data sub-blocks,
// empty sub-block) from Stream into Pixels (Width x Height bytes, rows top to
// bottom), which the caller has filled with the fill value. Interlaced data
// is put back in display order. Damage that leaves pixels unfilled gives a
// warning; a circular string table raises GIFException. The stream is left
// after the data's closing empty sub-block (or at its end).
void GIFDecodeFrame(classlib::TStream* Stream, int Width, int Height, bool Interlaced,
                    uint8_t* Pixels, const TGIFWarning& Warning);

// The sub-block writer: a write-only stream that gathers bytes behind a
// length byte and writes each block of 255 data bytes as it fills. Reading
// and seeking fail with "Invalid stream operation".
class TGIFWriter : public classlib::TStream {
 public:
  explicit TGIFWriter(classlib::TStream* Out) : out_(Out) {}
  ~TGIFWriter() override;
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, classlib::TSeekOrigin Origin) override;
  void WriteByte(uint8_t Value) {
    buffer_[++length_] = Value;
    if (length_ == 255) Flush();
  }
  void Flush();

 private:
  classlib::TStream* out_;
  std::array<uint8_t, 256> buffer_{};
  int length_ = 0;
};

// Open hash table of the LZW encoder: 8009 slots of key (upper 20 bits) and
// code (lower 12 bits).
class THashTable {
 public:
  static constexpr int kSize = 8009;
  THashTable() { Clear(); }
  void Clear() { slots_.fill(0xFFFFFFFFu); }
  // False when no free slot was found along the key's probe sequence.
  bool Insert(uint32_t Key, int Code);
  int Lookup(uint32_t Key) const;

 private:
  static int Start(uint32_t Key) { return static_cast<int>((Key ^ (Key >> 4)) % kSize); }
  static int Next(int Slot) {
    if (Slot == 0) return kSize - 1;
    return 2 * Slot < kSize ? 2 * Slot : 2 * Slot - kSize;
  }
  std::array<uint32_t, kSize> slots_;
};

// Base of the encoders: code output through the sub-block writer and the
// pixel order (straight, or the four interlace passes).
class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;
  // Writes the image data of Pixels (Width x Height, top-down) with the code
  // size of BitsPerPixel (at least 2). Every pixel must be below MaxColor,
  // else "Color not in color table".
  void Compress(classlib::TStream* Stream, int BitsPerPixel, int MaxColor, const uint8_t* Pixels,
                bool Interlaced, int Height, int Width);

 protected:
  virtual void Output(int Code);
  virtual void Clear() = 0;
  virtual void CompressPixels() = 0;
  // The next pixel in output order, or -1 after the last.
  int NextPixel();
  void FlushBits();

  TGIFWriter* writer_ = nullptr;
  int bits_per_pixel_ = 2;
  int init_width_ = 3;
  int width_bits_ = 3;
  int limit_ = 7;
  int clear_code_ = 4;
  int end_code_ = 5;
  int first_free_ = 6;
  uint32_t bucket_ = 0;
  int bucket_bits_ = 0;
  int max_color_ = 256;
  bool clear_flag_ = false;

 private:
  const uint8_t* pixels_ = nullptr;
  int width_ = 0, height_ = 0;
  bool interlaced_ = false;
  int pass_ = 0, row_ = 0, col_ = 0;
};

class TLZWEncoder : public TGIFEncoder {
 protected:
  void Output(int Code) override;
  void Clear() override;
  void CompressPixels() override;

 private:
  THashTable table_;
  int next_free_ = 0;
};

class TRLEEncoder : public TGIFEncoder {
 protected:
  void Clear() override;
  void CompressPixels() override;

 private:
  void Emit(int Code);
  void FlushRun(int Count);
  void FlushFromClear(int Count);
  void FlushClearOrRepeat(int Count);
  void FlushWithTable(int Count);
  void RestoreClearPoint();
  static int RunCost(int Count, int Largest);

  int run_pixel_ = 0;
  int bump_ = 0, bump_init_ = 0;
  int clear_point_ = 0, clear_point_init_ = 0;
  int emitted_ = 0;
  int table_max_ = 0, table_pixel_ = 0;
  int largest_ = 0;
};

}  // namespace lumicast
