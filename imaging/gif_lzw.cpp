#include "imaging/gif_lzw.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "platform/classlib/exceptions.h"

namespace lumicast {

using namespace classlib;

namespace {

constexpr int kInterlaceStart[4] = {0, 4, 2, 1};
constexpr int kInterlaceStep[4] = {8, 8, 4, 2};

// Tells the progress handler that a coder ended by a failure, then lets the
// failure go on.
void ReportFailure(const TLZWProgress& Progress, const std::exception& E) {
  if (!Progress) return;
  try {
    Progress(psEnding, 0, E.what());
  } catch (...) {
    // The original failure is the one the caller must see.
  }
}

// ---------------------------------------------------------------------------
// Encoder

// The encoder's string table: 17777 hash slots over at most 4096 strings.
// A slot holds the string's prefix code and last pixel as one key, and its
// own code.
constexpr uint32_t kHashSlots = 17777;
constexpr uint32_t kEmptySlot = 0xFFFFFFFFu;

class TLZWEncoder {
 public:
  TLZWEncoder(std::vector<uint8_t>& Out, int InitialCodeSize)
      : out_(Out), init_size_(InitialCodeSize) {
    keys_ = std::make_unique<uint32_t[]>(kHashSlots);
    codes_ = std::make_unique<uint16_t[]>(kHashSlots);
    clear_ = 1u << (init_size_ - 1);
    end_ = clear_ + 1;
  }

  void Start() {
    out_.push_back(static_cast<uint8_t>(init_size_ - 1));
    ResetTable();
    block_start_ = out_.size();
    out_.push_back(0);
    WriteCode(clear_);
  }

  inline void AddPixel(uint32_t p) {
    ++n_;
    if (n_ == 1) {
      prefix_ = p;
      hash_ = (p + 3) * 301;
      return;
    }
    hash_ = ((p + n_ + 4) * hash_) % kHashSlots;
    const uint32_t key = (prefix_ << 8) | p;
    uint32_t slot = hash_;
    for (;;) {
      uint32_t k = keys_[slot];
      if (k == key) {
        prefix_ = codes_[slot];
        return;
      }
      if (k == kEmptySlot) break;
      if (++slot == kHashSlots) slot = 0;
    }
    // A new string: send its known part and remember prefix + pixel.
    WriteCode(prefix_);
    ++next_code_;
    keys_[slot] = key;
    codes_[slot] = static_cast<uint16_t>(next_code_);
    prefix_ = p;
    hash_ = (p + 3) * 301;
    n_ = 1;
    if (next_code_ >= capacity_) {
      capacity_ <<= 1;
      ++code_size_;
    } else if (next_code_ >= 4094) {
      // The table is full: send the pending pixel and start over.
      WriteCode(prefix_);
      WriteCode(clear_);
      ResetTable();
    }
  }

  void Finish() {
    if (n_ > 0) WriteCode(prefix_);
    WriteCode(end_);
    if (bit_count_ > 0) PutByte(static_cast<uint8_t>(acc_));
    acc_ = 0;
    bit_count_ = 0;
    size_t len = out_.size() - block_start_ - 1;
    if (len == 0) {
      out_.pop_back();  // no data bytes: drop the open length byte
    } else {
      out_[block_start_] = static_cast<uint8_t>(len);
    }
    out_.push_back(0);
  }

 private:
  void ResetTable() {
    n_ = 0;
    next_code_ = end_;
    code_size_ = init_size_;
    capacity_ = 1u << init_size_;
    std::fill_n(keys_.get(), kHashSlots, kEmptySlot);
  }

  inline void PutByte(uint8_t b) {
    out_.push_back(b);
    if (out_.size() - block_start_ - 1 == 255) {
      out_[block_start_] = 255;
      block_start_ = out_.size();
      out_.push_back(0);
    }
  }

  // Codes go least significant bit first.
  inline void WriteCode(uint32_t code) {
    acc_ |= static_cast<uint64_t>(code) << bit_count_;
    bit_count_ += code_size_;
    while (bit_count_ >= 8) {
      PutByte(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      bit_count_ -= 8;
    }
  }

  std::vector<uint8_t>& out_;
  std::unique_ptr<uint32_t[]> keys_;
  std::unique_ptr<uint16_t[]> codes_;
  int init_size_;
  uint32_t clear_ = 0, end_ = 0;
  int code_size_ = 0;
  uint32_t capacity_ = 0;
  uint32_t next_code_ = 0;
  uint32_t prefix_ = 0;
  uint32_t n_ = 0;
  uint32_t hash_ = 0;
  uint64_t acc_ = 0;
  int bit_count_ = 0;
  size_t block_start_ = 0;
};

}  // namespace

TGIFRowOrder::TGIFRowOrder(int Height, bool Interlaced)
    : height_(Height), interlaced_(Interlaced) {}

void TGIFRowOrder::Next() {
  if (!interlaced_) {
    ++row_;
    return;
  }
  row_ += kInterlaceStep[pass_];
  while (row_ >= height_ && pass_ < 3) {
    ++pass_;
    row_ = kInterlaceStart[pass_];
  }
}

void GIFEncodeLZW(std::vector<uint8_t>& Out, const TBitmapInfoHeader& Header, bool Interlaced,
                  const TLZWProgress& Progress, const uint8_t* Pixels) {
  const int bits = Header.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8)
    throw EInvalidGraphicOperation("GIF image encoding error");
  const int width = Header.biWidth;
  const int height = Header.biHeight;
  if (width <= 0 || height <= 0 || !Pixels)
    throw EInvalidGraphicOperation("GIF image encoding error");
  const int64_t row_bytes = DIBRowBytes(width, bits);

  try {
    if (Progress) Progress(psStarting, 0, "");
    TLZWEncoder enc(Out, bits == 1 ? 3 : bits + 1);
    Out.reserve(Out.size() + static_cast<size_t>(row_bytes * height / 2 + 64));
    enc.Start();
    int done = 0;
    for (TGIFRowOrder order(height, Interlaced); !order.Done(); order.Next()) {
      const uint8_t* row = Pixels + (height - 1 - order.Current()) * row_bytes;
      if (bits == 8) {
        for (int x = 0; x < width; ++x) enc.AddPixel(row[x]);
      } else if (bits == 4) {
        for (int x = 0; x < width; ++x)
          enc.AddPixel((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
      } else {
        for (int x = 0; x < width; ++x) enc.AddPixel((row[x >> 3] >> (7 - (x & 7))) & 1);
      }
      ++done;
      if (Progress) Progress(psRunning, static_cast<uint8_t>(int64_t(done) * 100 / height), "");
    }
    enc.Finish();
    if (Progress) Progress(psEnding, 100, "");
  } catch (const std::exception& e) {
    ReportFailure(Progress, e);
    throw;
  }
}

void GIFWriteLZW(TStream* Stream, const TBitmapInfoHeader& Header, bool Interlaced,
                 const TLZWProgress& Progress, const uint8_t* Pixels) {
  std::vector<uint8_t> out;
  GIFEncodeLZW(out, Header, Interlaced, Progress, Pixels);
  Stream->WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

// ---------------------------------------------------------------------------
// Decoder

namespace {

class TLZWDecoder {
 public:
  TLZWDecoder(const uint8_t* Data, size_t Size) : data_(Data), size_(Size) {}

  // Reads a code of Bits bits; false when the data ends first.
  bool ReadCode(int Bits, uint32_t& Code) {
    while (bit_count_ < Bits) {
      if (block_left_ == 0) {
        if (ended_ || pos_ >= size_) return false;
        block_left_ = data_[pos_++];
        if (block_left_ == 0) {
          ended_ = true;  // the empty sub-block: no more data
          return false;
        }
      }
      if (pos_ >= size_) return false;
      acc_ |= static_cast<uint32_t>(data_[pos_++]) << bit_count_;
      bit_count_ += 8;
      --block_left_;
    }
    Code = acc_ & ((1u << Bits) - 1);
    acc_ >>= Bits;
    bit_count_ -= Bits;
    return true;
  }

  // Moves past the rest of the data up to and including the empty sub-block.
  void SkipRest() {
    if (ended_) return;
    pos_ = std::min(size_, pos_ + block_left_);
    block_left_ = 0;
    while (pos_ < size_) {
      size_t n = data_[pos_++];
      if (n == 0) {
        ended_ = true;
        return;
      }
      pos_ = std::min(size_, pos_ + n);
    }
  }

  size_t pos_ = 1;  // after the minimum code size byte

 private:
  const uint8_t* data_;
  size_t size_;
  size_t block_left_ = 0;
  bool ended_ = false;
  uint32_t acc_ = 0;
  int bit_count_ = 0;
};

// Puts decoded pixels into the rows in row order; ignores pixels below the
// last row.
class TPixelSink {
 public:
  TPixelSink(uint8_t* Pixels, int Width, int Height, int Bits, bool Interlaced)
      : pixels_(Pixels),
        width_(Width),
        height_(Height),
        bits_(Bits),
        row_bytes_(DIBRowBytes(Width, Bits)),
        order_(Height, Interlaced) {
    SetRow();
  }
  bool Full() const { return order_.Done() || width_ <= 0; }
  int RowsDone() const { return rows_done_; }

  inline void Put(uint32_t v) {
    if (!row_) return;
    switch (bits_) {
      case 8: row_[x_] = static_cast<uint8_t>(v); break;
      case 4:
        if (x_ & 1)
          row_[x_ >> 1] = static_cast<uint8_t>((row_[x_ >> 1] & 0xF0) | (v & 0x0F));
        else
          row_[x_ >> 1] = static_cast<uint8_t>((v & 0x0F) << 4);
        break;
      default:
        if ((x_ & 7) == 0)
          row_[x_ >> 3] = static_cast<uint8_t>((v & 1) << 7);
        else
          row_[x_ >> 3] = static_cast<uint8_t>(row_[x_ >> 3] | ((v & 1) << (7 - (x_ & 7))));
        break;
    }
    if (++x_ == width_) {
      x_ = 0;
      ++rows_done_;
      order_.Next();
      SetRow();
    }
  }

 private:
  void SetRow() {
    row_ = (order_.Done() || width_ <= 0) ? nullptr
                                          : pixels_ + (height_ - 1 - order_.Current()) * row_bytes_;
  }
  uint8_t* pixels_;
  int width_, height_, bits_;
  int64_t row_bytes_;
  TGIFRowOrder order_;
  uint8_t* row_ = nullptr;
  int x_ = 0;
  int rows_done_ = 0;
};

struct TCorruptData {};

}  // namespace

size_t GIFDecodeLZW(const uint8_t* Data, size_t Size, const TBitmapInfoHeader& Header,
                    bool Interlaced, const TLZWProgress& Progress, bool& Corrupted, uint8_t* Pixels,
                    int BitsPerPixel, bool Tolerant) {
  const int bits = Header.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8)
    throw EInvalidGraphicOperation("Wrong number of colors; must be a power of 2");
  const int width = Header.biWidth;
  const int height = Header.biHeight;
  if (width < 0 || height < 0) throw EInvalidGraphicOperation("GIF encoded data is corrupt");

  try {
    if (Progress) Progress(psStarting, 0, "");
    if (Size == 0) throw EReadError("Stream read error");
    int c = Data[0];
    if (c < 2 || c > 9) {
      if (!Tolerant) throw EInvalidGraphicOperation("GIF code size not in range 2 to 9");
      c = std::clamp(c, 2, 9);
      Corrupted = true;
    }
    const int init_size = c + 1;
    const uint32_t clear = 1u << c;
    const uint32_t end = clear + 1;
    const uint32_t pixel_mask = (1u << std::clamp(BitsPerPixel, 1, 8)) - 1;

    // Tables: prefix and suffix of every code, and the stack a string is
    // unwound onto.
    std::array<uint16_t, 4096> prefix{};
    std::array<uint8_t, 4096> suffix{};
    std::array<uint8_t, 4097> stack{};

    TLZWDecoder in(Data, Size);
    TPixelSink sink(Pixels, width, height, bits, Interlaced);
    int code_size = init_size;
    uint32_t capacity = 1u << init_size;
    uint32_t next_free = clear + 2;
    bool table_full = false;
    int32_t old_code = -1;
    uint32_t first_pixel = 0;
    bool reached_end = false;
    int last_percent = -1;

    auto corrupt = [&]() {
      if (!Tolerant) throw EInvalidGraphicOperation("GIF encoded data is corrupt");
      Corrupted = true;
      throw TCorruptData{};
    };

    try {
      uint32_t code = 0;
      while (!sink.Full()) {
        if (!in.ReadCode(code_size, code)) break;
        if (code == clear) {
          code_size = init_size;
          capacity = 1u << init_size;
          next_free = clear + 2;
          table_full = false;
          if (!in.ReadCode(code_size, code)) break;
          if (code == end) {
            reached_end = true;
            break;
          }
          if (code >= clear) corrupt();  // a string before any was defined
          old_code = static_cast<int32_t>(code);
          first_pixel = code;
          sink.Put(code & pixel_mask);
          continue;
        }
        if (code == end) {
          reached_end = true;
          break;
        }
        if (old_code < 0) {
          // Data that does not begin with a clear code: literals only.
          if (code > clear) corrupt();
          old_code = static_cast<int32_t>(code);
          first_pixel = code;
          sink.Put(code & pixel_mask);
          continue;
        }
        const uint32_t in_code = code;
        int sp = 0;
        if (code >= next_free) {
          if (code > next_free) corrupt();  // refers to a string not defined yet
          stack[sp++] = static_cast<uint8_t>(first_pixel);
          code = static_cast<uint32_t>(old_code);
        }
        while (code >= clear) {
          if (sp >= 4096) corrupt();
          stack[sp++] = suffix[code];
          code = prefix[code];
        }
        first_pixel = code;
        stack[sp++] = static_cast<uint8_t>(code);
        while (sp > 0) sink.Put(stack[--sp] & pixel_mask);
        if (!table_full) {
          prefix[next_free] = static_cast<uint16_t>(old_code);
          suffix[next_free] = static_cast<uint8_t>(first_pixel);
          ++next_free;
          if (next_free >= capacity) {
            if (code_size < 12) {
              ++code_size;
              capacity <<= 1;
            } else {
              table_full = true;
            }
          }
        }
        old_code = static_cast<int32_t>(in_code);
        if (Progress && height > 0) {
          int percent = static_cast<int>(int64_t(sink.RowsDone()) * 100 / height);
          if (percent != last_percent) {
            last_percent = percent;
            Progress(psRunning, static_cast<uint8_t>(percent), "");
          }
        }
      }
    } catch (const TCorruptData&) {
      // Tolerant mode: keep what was decoded.
    }
    (void)reached_end;
    in.SkipRest();
    if (Progress) Progress(psEnding, 100, "");
    return in.pos_;
  } catch (const std::exception& e) {
    ReportFailure(Progress, e);
    throw;
  }
}

int64_t GIFMaxDecodedPixels(const std::vector<uint8_t>& Data) {
  if (Data.size() < 2) return 0;
  const int init_size = std::clamp<int>(Data[0], 2, 9) + 1;
  const int64_t codes = static_cast<int64_t>(Data.size() - 1) * 8 / init_size;
  constexpr int64_t kLongest = 4096;
  if (codes <= kLongest) return codes * (codes + 1) / 2;
  return kLongest * (kLongest + 1) / 2 + (codes - kLongest) * kLongest;
}

void GIFReadLZW(TStream* Stream, const TBitmapInfoHeader& Header, bool Interlaced,
                const TLZWProgress& Progress, bool& Corrupted, uint8_t* Pixels, int BitsPerPixel,
                bool Tolerant) {
  int64_t start = Stream->Position();
  int64_t size = Stream->Size() - start;
  if (size < 0) size = 0;
  std::vector<uint8_t> data(static_cast<size_t>(size));
  if (size > 0) Stream->ReadBuffer(data.data(), size);
  size_t used = GIFDecodeLZW(data.data(), data.size(), Header, Interlaced, Progress, Corrupted,
                             Pixels, BitsPerPixel, Tolerant);
  Stream->SetPosition(start + static_cast<int64_t>(used));
}

}  // namespace lumicast
