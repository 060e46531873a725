#include "imaging/gif_coder_ex.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace lumicast {

namespace {

constexpr int kTableSize = 4096;

// The LZW decoder of one frame's data. Tables are fixed arrays: nothing is
// allocated per code.
class TGIFDecoder {
 public:
  TGIFDecoder(classlib::TStream* Stream, const TGIFWarning& Warning)
      : stream_(Stream), warning_(Warning) {}

  void Run(int Width, int Height, bool Interlaced, uint8_t* Pixels);

 private:
  void Warn(const std::string& Message) {
    if (warning_) warning_(Message);
  }
  int ReadCode();
  int NextPixel();
  void SkipSubBlocks();
  bool ReadSubBlock();

  classlib::TStream* stream_;
  const TGIFWarning& warning_;
  int init_size_ = 0, clear_ = 0, end_ = 0, next_free_ = 0, code_size_ = 0, limit_ = 0;
  int first_ = 0, prev_ = 0;
  std::array<uint16_t, kTableSize> prefix_{};
  std::array<uint8_t, kTableSize> suffix_{};
  std::array<uint8_t, kTableSize> stack_{};
  int sp_ = 0;
  // Bits of the current sub-block plus what is left of the one before.
  std::array<uint8_t, 260> buf_{};
  int bit_pos_ = 0, bit_end_ = 0;
  bool zero_seen_ = false;
  bool first_call_ = true;
};

bool TGIFDecoder::ReadSubBlock() {
  const int keep = bit_pos_ >> 3;
  const int bytes = (bit_end_ >> 3) - keep;
  if (bytes > 0) std::memmove(buf_.data(), buf_.data() + keep, static_cast<size_t>(bytes));
  bit_pos_ &= 7;
  bit_end_ = bytes * 8;
  uint8_t len = 0;
  if (stream_->Read(&len, 1) != 1) {
    Warn("Premature end of data");
    zero_seen_ = true;
    return false;
  }
  if (len == 0) {
    zero_seen_ = true;
    return false;
  }
  const int64_t got = stream_->Read(buf_.data() + bytes, len);
  if (got < len) {
    Warn("Premature end of data");
    zero_seen_ = true;
  }
  bit_end_ += static_cast<int>(got) * 8;
  return got > 0;
}

int TGIFDecoder::ReadCode() {
  while (bit_end_ - bit_pos_ < code_size_) {
    if (zero_seen_) {
      Warn("Decoder bit buffer under-run");
      return -1;
    }
    ReadSubBlock();
  }
  const int byte = bit_pos_ >> 3;
  uint32_t v = buf_[byte] | (uint32_t(buf_[byte + 1]) << 8) | (uint32_t(buf_[byte + 2]) << 16);
  v >>= (bit_pos_ & 7);
  bit_pos_ += code_size_;
  return static_cast<int>(v & ((1u << code_size_) - 1));
}

void TGIFDecoder::SkipSubBlocks() {
  while (!zero_seen_) {
    uint8_t len = 0;
    if (stream_->Read(&len, 1) != 1 || len == 0) {
      zero_seen_ = true;
      return;
    }
    const int64_t left = stream_->Size() - stream_->Position();
    if (left < len) {
      stream_->Seek(0, classlib::TSeekOrigin::soEnd);
      zero_seen_ = true;
      return;
    }
    stream_->Seek(len, classlib::TSeekOrigin::soCurrent);
  }
}

int TGIFDecoder::NextPixel() {
  if (sp_ > 0) return stack_[--sp_];
  int code = first_call_ ? clear_ : ReadCode();
  first_call_ = false;
  if (code < 0) return -1;
  if (code == clear_) {
    for (int i = 0; i < kTableSize; ++i) {
      suffix_[i] = static_cast<uint8_t>(i < clear_ ? i : 0);
      prefix_[i] = 0;
    }
    code_size_ = init_size_ + 1;
    limit_ = 2 * clear_;
    next_free_ = clear_ + 2;
    do {
      code = ReadCode();
    } while (code == clear_);
    if (code < 0) return -1;
    if (code == end_) {
      SkipSubBlocks();
      return -1;
    }
    if (code >= clear_) code = 0;  // a first code must be a colour; anything else reads as 0
    first_ = prev_ = code;
    return code;
  }
  if (code == end_) {
    SkipSubBlocks();
    return -1;
  }
  const int in_code = code;
  if (code >= next_free_) {
    stack_[sp_++] = static_cast<uint8_t>(first_);
    code = prev_;
  }
  while (code >= clear_) {
    if (sp_ >= kTableSize - 1 || prefix_[code] == code)
      throw GIFException("Circular decoder table entry");
    stack_[sp_++] = suffix_[code];
    code = prefix_[code];
  }
  first_ = suffix_[code];
  stack_[sp_++] = static_cast<uint8_t>(first_);
  if (next_free_ < kTableSize) {
    prefix_[next_free_] = static_cast<uint16_t>(prev_);
    suffix_[next_free_] = static_cast<uint8_t>(first_);
    ++next_free_;
    if (next_free_ >= limit_ && limit_ < kTableSize) {
      limit_ *= 2;
      ++code_size_;
    }
  }
  prev_ = in_code;
  return stack_[--sp_];
}

void TGIFDecoder::Run(int Width, int Height, bool Interlaced, uint8_t* Pixels) {
  uint8_t size = 0;
  if (stream_->Read(&size, 1) != 1) return;  // the frame keeps its fill
  if (size < 2 || size > 11) {
    // No decoder can read codes that start outside these widths: the data is
    // damaged, the frame keeps its fill and the data is passed over.
    Warn("Invalid GIF data");
    SkipSubBlocks();
    return;
  }
  init_size_ = size;
  clear_ = 1 << size;
  end_ = clear_ + 1;
  code_size_ = size + 1;
  limit_ = 2 * clear_;
  next_free_ = clear_ + 2;
  if (Width > 0 && Height > 0) {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    int pass = 0, row = 0;
    bool done = false;
    for (int y = 0; y < Height && !done; ++y) {
      uint8_t* line =
          Pixels + static_cast<size_t>(Interlaced ? row : y) * static_cast<size_t>(Width);
      for (int x = 0; x < Width; ++x) {
        const int p = NextPixel();
        if (p < 0) {
          done = true;
          break;
        }
        line[x] = static_cast<uint8_t>(p);
      }
      if (Interlaced) {
        row += kStep[pass];
        while (row >= Height && pass < 3) row = kStart[++pass];
      }
    }
  }
  // Whatever follows the pixels (the end code, or codes a careless writer
  // left over) up to the closing empty sub-block belongs to this frame.
  if (!zero_seen_) {
    if (ReadCode() >= 0) SkipSubBlocks();
  }
}

}  // namespace

void GIFDecodeFrame(classlib::TStream* Stream, int Width, int Height, bool Interlaced,
                    uint8_t* Pixels, const TGIFWarning& Warning) {
  auto decoder = std::make_unique<TGIFDecoder>(Stream, Warning);
  decoder->Run(Width, Height, Interlaced, Pixels);
}

// ---- sub-block writer
// ----------------------------------------------------------------------------

TGIFWriter::~TGIFWriter() {
  try {
    Flush();
  } catch (...) {
    // A destructor cannot report; the failed write was already reported by Flush's caller path.
  }
}

int64_t TGIFWriter::Read(void*, int64_t) {
  throw classlib::EStreamError("Invalid stream operation");
}
int64_t TGIFWriter::Seek(int64_t, classlib::TSeekOrigin) {
  throw classlib::EStreamError("Invalid stream operation");
}

int64_t TGIFWriter::Write(const void* Buffer, int64_t Count) {
  const auto* p = static_cast<const uint8_t*>(Buffer);
  for (int64_t i = 0; i < Count; ++i) WriteByte(p[i]);
  return Count;
}

void TGIFWriter::Flush() {
  if (length_ == 0) return;
  buffer_[0] = static_cast<uint8_t>(length_);
  const int n = length_ + 1;
  length_ = 0;
  out_->WriteBuffer(buffer_.data(), n);
}

// ---- hash table
// ----------------------------------------------------------------------------------

bool THashTable::Insert(uint32_t Key, int Code) {
  int slot = Start(Key);
  for (int probes = 0; probes < kSize; ++probes) {
    if (slots_[slot] >= 0xFFFFF000u) {
      slots_[slot] = (Key << 12) | static_cast<uint32_t>(Code & 0xFFF);
      return true;
    }
    slot = Next(slot);
  }
  return false;
}

int THashTable::Lookup(uint32_t Key) const {
  int slot = Start(Key);
  for (int probes = 0; probes < kSize; ++probes) {
    const uint32_t v = slots_[slot];
    if (v >= 0xFFFFF000u) return -1;
    if ((v >> 12) == Key) return static_cast<int>(v & 0xFFF);
    slot = Next(slot);
  }
  return -1;
}

// ---- encoders
// ------------------------------------------------------------------------------------

void TGIFEncoder::Compress(classlib::TStream* Stream, int BitsPerPixel, int MaxColor,
                           const uint8_t* Pixels, bool Interlaced, int Height, int Width) {
  bits_per_pixel_ = BitsPerPixel < 2 ? 2 : BitsPerPixel;
  const uint8_t size = static_cast<uint8_t>(bits_per_pixel_);
  Stream->WriteBuffer(&size, 1);
  init_width_ = bits_per_pixel_ + 1;
  width_bits_ = init_width_;
  limit_ = (1 << width_bits_) - 1;
  clear_code_ = 1 << bits_per_pixel_;
  end_code_ = clear_code_ + 1;
  first_free_ = clear_code_ + 2;
  bucket_ = 0;
  bucket_bits_ = 0;
  max_color_ = MaxColor;
  pixels_ = Pixels;
  width_ = Width;
  height_ = Height;
  interlaced_ = Interlaced;
  pass_ = row_ = col_ = 0;
  {
    TGIFWriter writer(Stream);
    writer_ = &writer;
    if (Pixels == nullptr || Width <= 0 || Height <= 0) {
      Output(end_code_);
    } else {
      CompressPixels();
    }
    FlushBits();
    writer.Flush();
    writer_ = nullptr;
  }
  const uint8_t zero = 0;
  Stream->WriteBuffer(&zero, 1);
}

int TGIFEncoder::NextPixel() {
  if (row_ >= height_) return -1;
  const int v =
      pixels_[static_cast<size_t>(row_) * static_cast<size_t>(width_) + static_cast<size_t>(col_)];
  if (v >= max_color_) throw GIFException("Color not in color table");
  if (++col_ >= width_) {
    col_ = 0;
    if (!interlaced_) {
      ++row_;
    } else {
      static constexpr int kStart[4] = {0, 4, 2, 1};
      static constexpr int kStep[4] = {8, 8, 4, 2};
      row_ += kStep[pass_];
      // A pass that holds no row is skipped, so every row is written once.
      while (row_ >= height_ && pass_ < 3) row_ = kStart[++pass_];
    }
  }
  return v;
}

void TGIFEncoder::Output(int Code) {
  bucket_ |= uint32_t(Code) << bucket_bits_;
  bucket_bits_ += width_bits_;
  while (bucket_bits_ >= 8) {
    writer_->WriteByte(static_cast<uint8_t>(bucket_));
    bucket_ >>= 8;
    bucket_bits_ -= 8;
  }
}

void TGIFEncoder::FlushBits() {
  if (bucket_bits_ > 0) writer_->WriteByte(static_cast<uint8_t>(bucket_));
  bucket_ = 0;
  bucket_bits_ = 0;
}

void TLZWEncoder::Output(int Code) {
  TGIFEncoder::Output(Code);
  if (clear_flag_) {
    width_bits_ = init_width_;
    limit_ = (1 << width_bits_) - 1;
    clear_flag_ = false;
  } else if (next_free_ > limit_) {
    ++width_bits_;
    limit_ = width_bits_ == 12 ? 4096 : (1 << width_bits_) - 1;
  }
}

void TLZWEncoder::Clear() {
  clear_flag_ = true;
  Output(clear_code_);
  table_.Clear();
  next_free_ = first_free_;
}

void TLZWEncoder::CompressPixels() {
  Clear();
  int prefix = NextPixel();
  for (int p = NextPixel(); p >= 0; p = NextPixel()) {
    const uint32_t key = (uint32_t(prefix) << 8) | uint32_t(p);
    const int code = table_.Lookup(key);
    if (code >= 0) {
      prefix = code;
      continue;
    }
    Output(prefix);
    prefix = p;
    // A table whose probe sequence finds no free slot starts over too.
    if (next_free_ > 4094 || !table_.Insert(key, next_free_)) {
      Clear();
    } else {
      ++next_free_;
    }
  }
  Output(prefix);
  Output(end_code_);
}

// The run-length encoder sends runs of one colour as codes that name runs
// of 1, 2, 3, ... pixels; a decoder builds exactly those strings in its
// table, so the table need not be kept here.
void TRLEEncoder::Clear() {
  bump_ = bump_init_;
  clear_point_ = clear_point_init_;
  emitted_ = 0;
  table_max_ = 0;
  clear_flag_ = true;
  Output(clear_code_);
  width_bits_ = init_width_;
}

void TRLEEncoder::Emit(int Code) {
  clear_flag_ = false;
  Output(Code);
  ++emitted_;
  if (emitted_ == bump_) {
    bump_ += 1 << width_bits_;
    ++width_bits_;
  }
  if (emitted_ >= clear_point_) Clear();
}

int TRLEEncoder::RunCost(int Count, int Largest) {
  int cost = 0;
  const int64_t full = int64_t(Largest) * (Largest + 1) / 2;
  if (full > 0) {
    while (Count >= full) {
      Count -= static_cast<int>(full);
      cost += Largest;
    }
  }
  if (Count > 0) {
    int m = static_cast<int>(std::sqrt(2.0 * Count));
    while (int64_t(m) * (m + 1) / 2 < Count) ++m;
    while (m > 1 && int64_t(m - 1) * m / 2 >= Count) --m;
    cost += m;
  }
  return cost;
}

void TRLEEncoder::RestoreClearPoint() {
  clear_point_ = clear_point_init_;
  if (emitted_ >= clear_point_) Clear();
}

void TRLEEncoder::FlushFromClear(int Count) {
  clear_point_ = largest_;
  table_pixel_ = run_pixel_;
  int k = 1;
  while (Count > 0) {
    if (emitted_ == 0) k = 1;
    if (k == 1) {
      table_max_ = 1;
      Emit(run_pixel_);
      --Count;
      ++k;
    } else if (Count < k) {
      Emit(Count == 1 ? run_pixel_ : first_free_ + Count - 2);
      ++table_max_;
      Count = 0;
    } else {
      Emit(first_free_ + k - 2);
      table_max_ = k;
      Count -= k;
      ++k;
    }
  }
  RestoreClearPoint();
}

void TRLEEncoder::FlushClearOrRepeat(int Count) {
  if (RunCost(Count, largest_) + 1 < Count) {
    Clear();
    FlushFromClear(Count);
  } else {
    for (int i = 0; i < Count; ++i) Emit(run_pixel_);
  }
}

void TRLEEncoder::FlushWithTable(int Count) {
  int repeats = Count / table_max_;
  int rest = Count % table_max_;
  int rest_codes = rest != 0 ? 1 : 0;
  if (repeats + rest_codes > largest_ - emitted_) {
    repeats = largest_ - emitted_;
    rest = Count - repeats * table_max_;
    rest_codes = RunCost(rest, largest_) + 1;
  }
  if (RunCost(Count, largest_) + 1 < repeats + rest_codes) {
    Clear();
    FlushFromClear(Count);
    return;
  }
  clear_point_ = largest_;
  const int run_code = first_free_ + table_max_ - 2;
  for (int i = 0; i < repeats; ++i) Emit(run_code);
  if (rest > 0) {
    if (clear_flag_) {
      FlushFromClear(rest);
      return;
    }
    Emit(rest == 1 ? run_pixel_ : first_free_ + rest - 2);
  }
  RestoreClearPoint();
}

void TRLEEncoder::FlushRun(int Count) {
  if (Count <= 0) return;
  if (Count == 1) {
    Emit(run_pixel_);
  } else if (clear_flag_) {
    FlushFromClear(Count);
  } else if (table_max_ > 1 && table_pixel_ == run_pixel_) {
    FlushWithTable(Count);
  } else {
    FlushClearOrRepeat(Count);
  }
}

void TRLEEncoder::CompressPixels() {
  bump_init_ = clear_code_ - 1;
  clear_point_init_ = bits_per_pixel_ > 3 ? clear_code_ - 2 : 9;
  largest_ = 4095 - first_free_;
  Clear();
  int count = 0;
  for (int p = NextPixel(); p >= 0; p = NextPixel()) {
    if (count > 0 && p == run_pixel_) {
      ++count;
      continue;
    }
    FlushRun(count);
    run_pixel_ = p;
    count = 1;
  }
  FlushRun(count);
  Output(end_code_);
}

}  // namespace lumicast
