#include "imaging/gif_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "imaging/gif_lzw.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/little_endian.h"

namespace lumicast {

using namespace classlib;

namespace {

[[noreturn]] void ReadFailure() { throw EReadError("Stream read error"); }

bool SameText(const uint8_t* P, const char* S, size_t N) {
  for (size_t i = 0; i < N; ++i)
    if (std::tolower(P[i]) != std::tolower(static_cast<unsigned char>(S[i]))) return false;
  return true;
}

}  // namespace

void TGIFReader::Need(size_t Count) {
  if (Count > size_ - pos_) ReadFailure();
}

uint8_t TGIFReader::Byte() {
  Need(1);
  return data_[pos_++];
}

void TGIFReader::ReadSubBlocks(std::vector<std::string>* Lines) {
  for (;;) {
    uint8_t n = Byte();
    if (n == 0) return;
    Need(n);
    if (Lines) Lines->emplace_back(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
  }
}

// One extension after its introducer and label. The block of fixed bytes is
// read by its own size byte; a graphic control block is kept in its 6-byte
// form.
std::unique_ptr<TExtension> TGIFReader::ReadExtension(uint8_t Label, bool& Discard) {
  auto e = std::make_unique<TExtension>();
  Discard = false;
  auto read_fixed = [&]() {
    uint8_t n = Byte();
    Need(n);
    e->Fixed.assign(1, n);
    e->Fixed.insert(e->Fixed.end(), data_ + pos_, data_ + pos_ + n);
    pos_ += n;
  };
  switch (Label) {
    case 0xF9: {
      e->Kind = ekGraphicControl;
      read_fixed();
      std::vector<uint8_t> f(6, 0);
      f[0] = 4;
      for (size_t i = 1; i < 5 && i < e->Fixed.size(); ++i) f[i] = e->Fixed[i];
      e->Fixed = f;
      ReadSubBlocks(nullptr);  // the terminator (and anything a writer left before it)
      break;
    }
    case 0xFE:
      e->Kind = ekComment;
      ReadSubBlocks(&e->Lines);
      break;
    case 0x01:
      e->Kind = ekPlainText;
      read_fixed();
      ReadSubBlocks(&e->Lines);
      Discard = true;
      break;
    case 0xFF: {
      e->Kind = ekApplication;
      read_fixed();
      ReadSubBlocks(&e->Lines);
      Discard = true;
      const std::vector<uint8_t>& f = e->Fixed;
      bool looping_id = f.size() >= 12 && (std::memcmp(&f[1], "NETSCAPE2.0", 11) == 0 ||
                                           std::memcmp(&f[1], "ANIMEXTS1.0", 11) == 0);
      if (looping_id && !e->Lines.empty() && e->Lines[0].size() >= 3 && e->Lines[0][0] == 1) {
        const auto* b = reinterpret_cast<const uint8_t*>(e->Lines[0].data());
        image_.loop_enabled_ = true;
        image_.loop_count_ = static_cast<uint16_t>(std::min(b[1] + 256 * b[2], 30000));
      }
      break;
    }
    default: {
      char msg[64];
      std::snprintf(msg, sizeof msg, "Unrecognized extension block: %.2x", Label);
      throw EInvalidGraphicOperation(msg);
    }
  }
  return e;
}

void TGIFReader::ReadFrame(std::vector<std::unique_ptr<TExtension>> Extensions) {
  auto frame = std::make_unique<TGIFFrame>(&image_);
  auto item = std::make_shared<TGIFItem>();
  Need(9);
  const uint8_t* d = data_ + pos_;
  frame->origin_ = {d[0] | (d[1] << 8), d[2] | (d[3] << 8)};
  item->Width = d[4] | (d[5] << 8);
  item->Height = d[6] | (d[7] << 8);
  item->PackedFields = d[8];
  pos_ += 9;
  frame->interlace_ = (item->PackedFields & 0x40) != 0;
  if (item->PackedFields & 0x80) {
    const int bits = (item->PackedFields & 7) + 1;
    const int count = 1 << bits;
    Need(static_cast<size_t>(count) * 3);
    item->ColorTable.Count = count;
    for (int i = 0; i < count; ++i, pos_ += 3)
      item->ColorTable.Colors[i] = {data_[pos_], data_[pos_ + 1], data_[pos_ + 2]};
    item->BitsPerPixel = static_cast<uint8_t>(bits);
    frame->local_table_ = true;
  } else {
    item->ColorTable = image_.data_->ColorTable;
    item->BitsPerPixel = image_.data_->BitsPerPixel;
    frame->local_table_ = false;
  }

  // The coded data: minimum code size byte and sub-blocks up to the empty one.
  size_t start = pos_;
  Need(1);
  ++pos_;
  bool truncated = false;
  for (;;) {
    if (pos_ >= size_) {
      truncated = true;
      break;
    }
    uint8_t n = data_[pos_++];
    if (n == 0) break;
    if (n > size_ - pos_) {
      truncated = true;
      pos_ = size_;
      break;
    }
    pos_ += n;
  }
  item->ImageData.assign(data_ + start, data_ + pos_);
  if (truncated) {
    frame->corrupted_ = true;
    if (!GIFTolerantReading) ReadFailure();
  }
  if (item->Width == 0) item->Width = image_.screen_width_;
  if (item->Height == 0) item->Height = image_.screen_height_;

  frame->extensions_ = std::move(Extensions);
  for (const auto& e : frame->extensions_) {
    if (e->Kind != ekGraphicControl) continue;
    const uint8_t packed = e->Fixed[1];
    const unsigned index = e->Fixed[4];
    if (packed & kGCETransparent) {
      if (index < static_cast<unsigned>(item->ColorTable.Count)) {
        const TGIFColor& c = item->ColorTable.Colors[index];
        frame->key_color_ = RGB(c.Red, c.Green, c.Blue);
      }
    } else {
      frame->key_color_ = clNone;
    }
    // Delays above the 16-bit millisecond range are held at its top.
    const unsigned delay = std::min(unsigned(e->Fixed[2] | (e->Fixed[3] << 8)) * 10u, 65535u);
    frame->display_time_ = static_cast<uint16_t>(std::max<unsigned>(delay, frame->display_time_));
    frame->disposal_ = (packed >> 2) & 7;
  }
  frame->item_ = std::move(item);
  image_.frames_.push_back(std::move(frame));
}

void TGIFReader::Read() {
  if (size_ < 6 || !SameText(data_, "GIF", 3) ||
      !(SameText(data_ + 3, "87a", 3) || SameText(data_ + 3, "89a", 3)))
    throw EInvalidGraphicOperation("Unknown GIF version");
  image_.version_ = SameText(data_ + 3, "87a", 3) ? 1 : 2;
  pos_ = 6;
  Need(7);
  const uint8_t* s = data_ + pos_;
  image_.screen_width_ = static_cast<uint16_t>(s[0] | (s[1] << 8));
  image_.screen_height_ = static_cast<uint16_t>(s[2] | (s[3] << 8));
  const uint8_t packed = s[4];
  const uint8_t background = s[5];
  TGIFData& data = *image_.data_;
  data.AspectRatio = s[6];
  data.BitsPerPixel = static_cast<uint8_t>((packed & 7) + 1);
  data.ColorResBits = static_cast<uint8_t>(((packed >> 4) & 7) + 1);
  pos_ += 7;
  if (packed & 0x80) {
    const int count = 1 << data.BitsPerPixel;
    Need(static_cast<size_t>(count) * 3);
    data.ColorTable.Count = count;
    for (int i = 0; i < count; ++i, pos_ += 3)
      data.ColorTable.Colors[i] = {data_[pos_], data_[pos_ + 1], data_[pos_ + 2]};
    if (background < count) {
      const TGIFColor& c = data.ColorTable.Colors[background];
      image_.screen_color_ = RGB(c.Red, c.Green, c.Blue);
    }
  }

  while (pos_ < size_ && data_[pos_] != 0 && data_[pos_] != 0x3B) {
    std::vector<std::unique_ptr<TExtension>> run;
    bool had_run = false;
    while (pos_ < size_ && data_[pos_] == 0x21) {
      had_run = true;
      ++pos_;
      uint8_t label = Byte();
      bool discard = false;
      auto e = ReadExtension(label, discard);
      if (e->Kind == ekPlainText) run.clear();
      if (!discard) run.push_back(std::move(e));
    }
    if (pos_ < size_ && data_[pos_] == 0x2C) {
      ++pos_;
      ReadFrame(std::move(run));
      while (pos_ < size_ && data_[pos_] == 0) ++pos_;
      if (pos_ < size_ && data_[pos_] != 0x21 && data_[pos_] != 0x2C && data_[pos_] != 0x3B) break;
      continue;
    }
    if (had_run) {
      if (data.Comment.empty()) {
        bool first = true;
        for (const auto& e : run) {
          if (e->Kind != ekComment) continue;
          if (!first) data.Comment.push_back("\r\n\r\n");
          first = false;
          data.Comment.insert(data.Comment.end(), e->Lines.begin(), e->Lines.end());
        }
      }
      continue;
    }
    ReadFailure();  // a stray byte between blocks
  }
}

std::unique_ptr<TMemoryStream> TGIFReader::DecodeFrame(TGIFFrame& Frame) {
  const TGIFItem& item = *Frame.item_;
  int bits;
  if (item.BitsPerPixel == 1)
    bits = 1;
  else if (item.BitsPerPixel >= 2 && item.BitsPerPixel <= 4)
    bits = 4;
  else if (item.BitsPerPixel >= 5 && item.BitsPerPixel <= 8)
    bits = 8;
  else
    throw EInvalidGraphicOperation("Wrong number of colors; must be a power of 2");

  // The declared size is bounded before anything is allocated for it.
  const int64_t width = item.Width, height = item.Height;
  const int64_t row_bytes = DIBRowBytes(width, bits);
  if (width < 0 || height < 0 || width > MaxBitmapDimension || height > MaxBitmapDimension ||
      row_bytes * height > kMaxGIFFrameBytes)
    throw EInvalidGraphicOperation("GIF image is too large");

  // A large frame is allocated only when its coded data could fill it: a few bytes that claim
  // a huge frame are refused before any memory is spent on it.
  const uint64_t image_size = static_cast<uint64_t>(row_bytes * height);
  if (image_size > kMaxUnprovenGIFFrameBytes &&
      width * height > GIFMaxDecodedPixels(item.ImageData))
    throw EInvalidGraphicOperation("GIF encoded data is corrupt");

  const uint32_t palette_entries = 1u << bits;
  const uint32_t offset = 54 + 4 * palette_entries;
  auto out = std::make_unique<TMemoryStream>();
  std::vector<uint8_t>& b = out->Bytes();
  b.assign(offset + image_size, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutLE32(&b[2], static_cast<uint32_t>(b.size()));
  PutLE32(&b[10], offset);
  PutLE32(&b[14], 40);
  PutLE32(&b[18], static_cast<uint32_t>(width));
  PutLE32(&b[22], static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = static_cast<uint8_t>(bits);
  PutLE32(&b[34], static_cast<uint32_t>(image_size));
  const int count = std::clamp(item.ColorTable.Count, 0, 256);
  for (uint32_t i = 0; i < palette_entries; ++i) {
    uint8_t* q = &b[54 + 4 * i];
    if (static_cast<int>(i) < count) {
      q[0] = item.ColorTable.Colors[i].Blue;
      q[1] = item.ColorTable.Colors[i].Green;
      q[2] = item.ColorTable.Colors[i].Red;
    } else {
      q[0] = q[1] = q[2] = 128;
    }
  }
  if (width > 0 && height > 0) {
    TBitmapInfoHeader h;
    h.biWidth = static_cast<int32_t>(width);
    h.biHeight = static_cast<int32_t>(height);
    h.biBitCount = static_cast<uint16_t>(bits);
    TLZWProgress progress;
    if (TGIFImage* o = Frame.owner_)
      progress = [o](TProgressStage s, uint8_t p, const std::string& m) {
        o->CoderProgress(s, p, m);
      };
    bool corrupted = false;
    GIFDecodeLZW(item.ImageData.data(), item.ImageData.size(), h, Frame.interlace_, progress,
                 corrupted, b.data() + offset, item.BitsPerPixel, GIFTolerantReading);
    if (corrupted) Frame.corrupted_ = true;
  }
  out->SetPosition(0);
  return out;
}

std::unique_ptr<TMemoryStream> TGIFFrame::DecodeToBMP() { return TGIFReader::DecodeFrame(*this); }

void TGIFImage::ReadGIF(const uint8_t* Bytes, size_t Size, bool Decode) {
  Clear();
  try {
    TGIFReader reader(*this, Bytes, Size);
    reader.Read();
  } catch (...) {
    if (!frames_.empty()) active_ = 0;
    Changed(this);
    throw;
  }
  if (!frames_.empty()) {
    active_ = 0;
    if (Decode) {
      try {
        frames_[0]->FrameBitmap();
      } catch (...) {
        frames_.erase(frames_.begin());
        active_ = frames_.empty() ? -1 : 0;
        Changed(this);
        throw;
      }
    }
  }
  Changed(this);
}

}  // namespace lumicast
