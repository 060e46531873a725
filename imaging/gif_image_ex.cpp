#include "imaging/gif_image_ex.h"

#include <algorithm>
#include <cstring>

#include "imaging/gif_image.h"
#include "imaging/gif_painter.h"
#include "imaging/color_dither.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/math_utils.h"
#include "platform/classlib/picture.h"

namespace lumicast {
namespace gifex {

using classlib::TSeekOrigin;
using classlib::TStream;

bool GIFSizePasses = false;

namespace {

void ReadExact(TStream* S, void* Buffer, int64_t Count) {
  if (S->Read(Buffer, Count) != Count) throw GIFException("Premature end of data");
}
uint8_t ReadByte(TStream* S) {
  uint8_t b = 0;
  ReadExact(S, &b, 1);
  return b;
}
// The next byte without consuming it; -1 at the end of the stream.
int PeekByte(TStream* S) {
  uint8_t b = 0;
  if (S->Read(&b, 1) != 1) return -1;
  S->Seek(-1, TSeekOrigin::soCurrent);
  return b;
}
void WriteByte(TStream* S, uint8_t B) { S->WriteBuffer(&B, 1); }
void WriteWord(TStream* S, uint16_t W) {
  const uint8_t b[2] = {static_cast<uint8_t>(W), static_cast<uint8_t>(W >> 8)};
  S->WriteBuffer(b, 2);
}
uint16_t Word(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }

// Reads data sub-blocks up to the empty one; each block's bytes go to Sink.
template <typename F>
void ReadBlocks(TStream* S, F Sink) {
  for (;;) {
    const uint8_t len = ReadByte(S);
    if (len == 0) return;
    std::string block(len, '\0');
    ReadExact(S, block.data(), len);
    Sink(std::move(block));
  }
}

// The most pixels the image data that starts at the stream's position can
// decode to: the k-th code after a clear names at most k pixels, and no
// string is longer than 4096. The position is restored.
int64_t MaxDecodablePixels(TStream* S) {
  const int64_t start = S->Position();
  int64_t bytes = 0;
  uint8_t size = 0;
  if (S->Read(&size, 1) == 1) {
    uint8_t len = 0;
    while (S->Read(&len, 1) == 1 && len != 0) {
      const int64_t left = S->Size() - S->Position();
      bytes += std::min<int64_t>(len, left);
      if (left <= len) break;
      S->Seek(len, TSeekOrigin::soCurrent);
    }
  }
  S->SetPosition(start);
  const int64_t codes = bytes * 8 / (std::clamp<int>(size, 2, 11) + 1);
  const int64_t k = std::min<int64_t>(codes, 4096);
  return k * (k + 1) / 2 + (codes - k) * 4096;
}

constexpr int64_t kSmallFrameBytes = int64_t(1) << 22;

bool SameBounds(const classlib::TRect& A, const classlib::TRect& B) {
  return A.Left == B.Left && A.Top == B.Top && A.Right == B.Right && A.Bottom == B.Bottom;
}

}  // namespace

int ColorMapBits(int Count) {
  if (Count <= 0) return 0;
  int b = 1;
  while ((1 << b) < Count) ++b;
  return b;
}

// ---- colour maps
// ---------------------------------------------------------------------------------

int TGIFColorMap::Add(const TGIFRGB& Color) {
  if (Count() >= 256) throw GIFException("Color table overflow");
  colors_.push_back(Color);
  sorted_ = false;
  Changed();
  return Count() - 1;
}

int TGIFColorMap::AddUnique(const TGIFRGB& Color) {
  const int i = IndexOf(Color);
  return i >= 0 ? i : Add(Color);
}

int TGIFColorMap::IndexOf(const TGIFRGB& Color) const {
  if (sorted_) {
    for (int i = 0; i < Count(); ++i)
      if (colors_[static_cast<size_t>(i)] == Color) return i;
  } else {
    for (int i = Count() - 1; i >= 0; --i)
      if (colors_[static_cast<size_t>(i)] == Color) return i;
  }
  return -1;
}

void TGIFColorMap::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw GIFException("Invalid color index");
  colors_.erase(colors_.begin() + Index);
  sorted_ = false;
  Changed();
}

TGIFRGB TGIFColorMap::Color(int Index) const {
  if (colors_.empty()) throw GIFException("Color table is empty");
  if (Index < 0 || Index >= Count()) {
    Warning("Invalid color index");
    Index = 0;
  }
  return colors_[static_cast<size_t>(Index)];
}

void TGIFColorMap::Clear() {
  colors_.clear();
  sorted_ = false;
  Changed();
}

void TGIFColorMap::Assign(classlib::TPersistent* Source) {
  if (auto* m = dynamic_cast<TGIFColorMap*>(Source)) {
    colors_ = m->colors_;
    sorted_ = m->sorted_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TGIFColorMap::Write(TStream* Stream) const {
  if (colors_.empty()) return;
  std::vector<uint8_t> bytes(static_cast<size_t>(3) << BitsPerPixel(), 0);
  for (size_t i = 0; i < colors_.size(); ++i) {
    bytes[3 * i] = colors_[i].Red;
    bytes[3 * i + 1] = colors_[i].Green;
    bytes[3 * i + 2] = colors_[i].Blue;
  }
  Stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TGIFColorMap::Read(TStream* Stream, int Count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(Count) * 3);
  ReadExact(Stream, bytes.data(), static_cast<int64_t>(bytes.size()));
  colors_.resize(static_cast<size_t>(Count));
  for (size_t i = 0; i < colors_.size(); ++i)
    colors_[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  Changed();
}

classlib::TPalette TGIFColorMap::ExportPalette() const {
  classlib::TPalette p(colors_.size());
  for (size_t i = 0; i < colors_.size(); ++i) {
    p[i].rgbRed = colors_[i].Red;
    p[i].rgbGreen = colors_[i].Green;
    p[i].rgbBlue = colors_[i].Blue;
  }
  return p;
}

void TGIFColorMap::ImportPalette(const classlib::TPalette& Palette) {
  colors_.clear();
  for (size_t i = 0; i < Palette.size() && i < 256; ++i)
    colors_.push_back({Palette[i].rgbRed, Palette[i].rgbGreen, Palette[i].rgbBlue});
  sorted_ = false;
  Changed();
}

bool TGIFColorMap::Optimize() {
  if (Count() < 2) return false;
  sorted_ = true;
  const std::vector<TGIFSubImage*> users = Users();
  std::array<int64_t, 256> counts{};
  for (TGIFSubImage* f : users)
    for (uint8_t p : f->Data()) ++counts[p];
  struct Pair {
    int64_t count;
    int index;
  };
  std::vector<Pair> pairs(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i)
    pairs[static_cast<size_t>(i)] = {counts[static_cast<size_t>(i)], i};
  // Quicksort by count, largest first: middle pivot, both ends inwards,
  // recursion on the left part and a loop on the right part.
  std::function<void(int, int)> sort = [&](int lo, int hi) {
    while (lo < hi) {
      int i = lo, j = hi;
      const int64_t pivot = pairs[static_cast<size_t>((lo + hi) / 2)].count;
      while (i <= j) {
        while (pairs[static_cast<size_t>(i)].count > pivot) ++i;
        while (pairs[static_cast<size_t>(j)].count < pivot) --j;
        if (i <= j) {
          std::swap(pairs[static_cast<size_t>(i)], pairs[static_cast<size_t>(j)]);
          ++i;
          --j;
        }
      }
      if (lo < j) sort(lo, j);
      lo = i;
    }
  };
  sort(0, Count() - 1);
  bool same = true;
  for (int i = 0; i < Count(); ++i) same = same && pairs[static_cast<size_t>(i)].index == i;
  if (same) return false;
  std::array<uint8_t, 256> map{};
  for (int i = 0; i < 256; ++i) map[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  for (int pos = 0; pos < Count(); ++pos)
    map[static_cast<size_t>(pairs[static_cast<size_t>(pos)].index)] = static_cast<uint8_t>(pos);
  std::vector<TGIFRGB> reordered(colors_.size());
  for (int i = 0; i < Count(); ++i)
    reordered[map[static_cast<size_t>(i)]] = colors_[static_cast<size_t>(i)];
  int used = Count();
  for (int pos = 0; pos < Count(); ++pos)
    if (pairs[static_cast<size_t>(pos)].count == 0) {
      used = pos;
      break;
    }
  std::vector<int> position(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i) position[static_cast<size_t>(i)] = map[static_cast<size_t>(i)];
  // A transparent index keeps its entry even when no pixel shows it.
  for (TGIFSubImage* f : users)
    if (f->Transparent())
      if (auto* g = f->GraphicControl())
        if (g->TransparentColorIndex() < Count())
          used = std::max(used, map[g->TransparentColorIndex()] + 1);
  Renumbered(map, position, used);
  for (TGIFSubImage* f : users) {
    for (uint8_t& p : f->Data()) p = map[p];
    if (f->Transparent())
      if (auto* g = f->GraphicControl())
        g->SetTransparentColorIndex(map[g->TransparentColorIndex()]);
    f->DropCache();
  }
  reordered.resize(static_cast<size_t>(used));
  colors_ = std::move(reordered);
  Changed();
  return true;
}

void TGIFGlobalColorMap::Changed() {
  if (image_ != nullptr) image_->bitmap_.reset();
}
void TGIFGlobalColorMap::Warning(const std::string& Message) const {
  if (image_ != nullptr) image_->Warning(image_, 1, Message);
}
void TGIFGlobalColorMap::Renumbered(const std::array<uint8_t, 256>& Map, const std::vector<int>&,
                                    int& Used) {
  if (image_ == nullptr || image_->background_index_ >= Count()) return;
  image_->background_index_ = Map[image_->background_index_];
  Used = std::max(Used, image_->background_index_ + 1);
}

std::vector<TGIFSubImage*> TGIFGlobalColorMap::Users() const {
  std::vector<TGIFSubImage*> users;
  for (auto& f : image_->Frames())
    if (f->ColorMap().Count() == 0) users.push_back(f.get());
  return users;
}

void TGIFLocalColorMap::Changed() {
  if (frame_ != nullptr) frame_->DropCache();
}
void TGIFLocalColorMap::Warning(const std::string& Message) const {
  if (frame_ != nullptr) frame_->Warning(Message);
}
std::vector<TGIFSubImage*> TGIFLocalColorMap::Users() const { return {frame_}; }

// ---- extensions
// ----------------------------------------------------------------------------------

void TGIFExtension::Warning(const std::string& Message) const {
  if (frame_ != nullptr) frame_->Warning(Message);
}

void TGIFExtension::Read(TStream* Stream) {
  const uint8_t intro = ReadByte(Stream);
  if (intro != 0x21) throw GIFException("Invalid extension introducer");
  if (ReadByte(Stream) != Label())
    throw GIFException("Internal error: Extension Instance does not match Extension Label");
  ReadBody(Stream);
}

void TGIFExtension::Write(TStream* Stream) const {
  WriteByte(Stream, 0x21);
  WriteByte(Stream, Label());
  WriteBody(Stream);
}

std::unique_ptr<TGIFExtension> TGIFExtension::Clone(TGIFSubImage* Frame) const {
  std::unique_ptr<TGIFExtension> copy;
  if (dynamic_cast<const TGIFGraphicControlExtension*>(this))
    copy = std::make_unique<TGIFGraphicControlExtension>(Frame);
  else if (dynamic_cast<const TGIFTextExtension*>(this))
    copy = std::make_unique<TGIFTextExtension>(Frame);
  else if (dynamic_cast<const TGIFCommentExtension*>(this))
    copy = std::make_unique<TGIFCommentExtension>(Frame);
  else if (dynamic_cast<const TGIFAppExtNSLoop*>(this))
    copy = std::make_unique<TGIFAppExtNSLoop>(Frame);
  else
    copy = std::make_unique<TGIFUnknownAppExtension>(Frame);
  classlib::TMemoryStream m;
  Write(&m);
  m.SetPosition(0);
  copy->Read(&m);
  return copy;
}

void TGIFGraphicControlExtension::SetTransparent(bool Value) {
  packed_ = static_cast<uint8_t>(Value ? packed_ | 1 : packed_ & ~1);
  if (Frame() != nullptr && Frame()->GraphicControl() == this) Frame()->SetTransparentFlag(Value);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int Value) {
  if (Frame() != nullptr) {
    const TGIFColorMap& map = Frame()->ActiveColorMap();
    if (map.Count() > 0 && Value >= map.Count()) {
      Warning("Invalid color index");
      Value = 0;
    }
  }
  index_ = static_cast<uint8_t>(Value);
}

void TGIFGraphicControlExtension::ReadBody(TStream* Stream) {
  uint8_t b[6] = {4, 0, 0, 0, 0, 0};
  if (Stream->Read(b, 6) != 6) Warning("Premature end of data");
  packed_ = b[1];
  delay_ = Word(b + 2);
  index_ = b[4];
}

void TGIFGraphicControlExtension::WriteBody(TStream* Stream) const {
  const uint8_t b[6] = {
      4, packed_, static_cast<uint8_t>(delay_), static_cast<uint8_t>(delay_ >> 8), index_, 0};
  Stream->WriteBuffer(b, 6);
}

void TGIFTextLines::ReadLines(TStream* Stream) {
  Lines.clear();
  ReadBlocks(Stream, [this](std::string b) {
    const size_t z = b.find('\0');
    if (z != std::string::npos) b.resize(z);
    Lines.push_back(std::move(b));
  });
}

void TGIFTextLines::WriteLines(TStream* Stream) const {
  for (const std::string& line : Lines)
    for (size_t p = 0; p < line.size(); p += 255) {
      const size_t n = std::min<size_t>(255, line.size() - p);
      WriteByte(Stream, static_cast<uint8_t>(n));
      Stream->WriteBuffer(line.data() + p, static_cast<int64_t>(n));
    }
  WriteByte(Stream, 0);
}

void TGIFTextExtension::ReadBody(TStream* Stream) {
  if (ReadByte(Stream) != 12) throw GIFException("Invalid GIF data");
  ReadExact(Stream, Grid.data(), 12);
  ReadLines(Stream);
}

void TGIFTextExtension::WriteBody(TStream* Stream) const {
  WriteByte(Stream, 12);
  Stream->WriteBuffer(Grid.data(), 12);
  WriteLines(Stream);
}

void TGIFApplicationExtension::ReadBody(TStream* Stream) {
  const uint8_t size = ReadByte(Stream);
  if (size < 10) throw GIFException("Unsupported Application Extension block size");
  std::string id(size, '\0');
  ReadExact(Stream, id.data(), size);
  Identifier = id.substr(0, std::min<size_t>(11, id.size()));
  ReadData(Stream);
}

void TGIFApplicationExtension::WriteBody(TStream* Stream) const {
  std::string id = Identifier;
  id.resize(11, '\0');
  WriteByte(Stream, 11);
  Stream->WriteBuffer(id.data(), 11);
  WriteData(Stream);
}

void TGIFApplicationExtension::ReadData(TStream* Stream) {
  ReadBlocks(Stream, [](std::string) {});
}
void TGIFApplicationExtension::WriteData(TStream* Stream) const { WriteByte(Stream, 0); }

void TGIFUnknownAppExtension::ReadData(TStream* Stream) {
  Blocks.clear();
  ReadBlocks(Stream, [this](std::string b) { Blocks.push_back(std::move(b)); });
}

void TGIFUnknownAppExtension::WriteData(TStream* Stream) const {
  for (const std::string& b : Blocks) {
    WriteByte(Stream, static_cast<uint8_t>(b.size()));
    Stream->WriteBuffer(b.data(), static_cast<int64_t>(b.size()));
  }
  WriteByte(Stream, 0);
}

void TGIFAppExtNSLoop::ReadData(TStream* Stream) {
  ReadBlocks(Stream, [this](const std::string& b) {
    const auto* p = reinterpret_cast<const uint8_t*>(b.data());
    switch (p[0] & 7) {
      case 1:
        if (b.size() < 3) throw GIFException("Invalid GIF data");
        Loops = Word(p + 1);
        break;
      case 2:
        if (b.size() < 5) throw GIFException("Invalid GIF data");
        BufferSize = uint32_t(p[1]) | (uint32_t(p[2]) << 8) | (uint32_t(p[3]) << 16) |
                     (uint32_t(p[4]) << 24);
        break;
      default: break;
    }
  });
}

void TGIFAppExtNSLoop::WriteData(TStream* Stream) const {
  const uint8_t loop[4] = {3, 1, static_cast<uint8_t>(Loops), static_cast<uint8_t>(Loops >> 8)};
  Stream->WriteBuffer(loop, 4);
  if (BufferSize != 0) {
    const uint8_t buf[6] = {5,
                            2,
                            static_cast<uint8_t>(BufferSize),
                            static_cast<uint8_t>(BufferSize >> 8),
                            static_cast<uint8_t>(BufferSize >> 16),
                            static_cast<uint8_t>(BufferSize >> 24)};
    Stream->WriteBuffer(buf, 6);
  }
  WriteByte(Stream, 0);
}

namespace {

// The class of the extension at the stream's position (introducer and label
// already read); the position is left where it was.
std::unique_ptr<TGIFExtension> MakeExtension(uint8_t Label, TStream* Stream, TGIFSubImage* Frame) {
  switch (Label) {
    case 0x01: return std::make_unique<TGIFTextExtension>(Frame);
    case 0xF9: return std::make_unique<TGIFGraphicControlExtension>(Frame);
    case 0xFE: return std::make_unique<TGIFCommentExtension>(Frame);
    case 0xFF: {
      const int64_t at = Stream->Position();
      uint8_t id[12] = {};
      const int64_t got = Stream->Read(id, 12);
      Stream->SetPosition(at);
      if (got >= 1 && id[0] == 10) return std::make_unique<TGIFUnknownAppExtension>(Frame);
      if (got == 12 && id[0] == 11) {
        if (std::memcmp(id + 1, "NETSCAPE2.0", 11) == 0 ||
            std::memcmp(id + 1, "ANIMEXTS1.0", 11) == 0)
          return std::make_unique<TGIFAppExtNSLoop>(Frame);
        return std::make_unique<TGIFUnknownAppExtension>(Frame);
      }
      return std::make_unique<TGIFApplicationExtension>(Frame);
    }
    default: throw GIFException("Unknown extension type");
  }
}

}  // namespace

// ---- frames
// --------------------------------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGIFImageEx* Image) : image_(Image), local_(this) {}
TGIFSubImage::~TGIFSubImage() = default;

void TGIFSubImage::Warning(const std::string& Message) const {
  if (image_ != nullptr) image_->Warning(const_cast<TGIFSubImage*>(this), 1, Message);
}

int TGIFSubImage::Version() const { return local_.Sorted() || !extensions_.empty() ? 2 : 1; }

void TGIFSubImage::SetBounds(int Left, int Top, int Width, int Height) {
  if (Width < 0 || Height < 0 || Width > 65535 || Height > 65535)
    throw GIFException("Invalid image dimensions");
  if (int64_t(Width) * Height > kMaxGIFFrameBytes) throw GIFException("GIF image is too large");
  left_ = Left;
  top_ = Top;
  if (Width != width_ || Height != height_) {
    DropCache();
    width_ = Width;
    height_ = Height;
    pixels_.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), 0);
  }
  if (image_ != nullptr) image_->FitFrame(*this);
}

uint8_t TGIFSubImage::Pixel(int X, int Y) const {
  if (pixels_.empty()) throw GIFException("Image is empty");
  if (X < 0 || Y < 0 || X >= width_ || Y >= height_)
    throw GIFException("Invalid pixel coordinates");
  return pixels_[static_cast<size_t>(Y) * static_cast<size_t>(width_) + static_cast<size_t>(X)];
}

uint8_t* TGIFSubImage::ScanLine(int Y) {
  if (pixels_.empty()) throw GIFException("Image is empty");
  if (Y < 0 || Y >= height_) throw GIFException("Invalid pixel coordinates");
  return pixels_.data() + static_cast<size_t>(Y) * static_cast<size_t>(width_);
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
  if (local_.Count() > 0) return local_;
  if (image_ != nullptr && image_->GlobalColorMap().Count() > 0) return image_->GlobalColorMap();
  return local_;
}

TGIFGraphicControlExtension* TGIFSubImage::GraphicControl() const {
  for (auto& e : extensions_)
    if (auto* g = dynamic_cast<TGIFGraphicControlExtension*>(e.get())) return g;
  return nullptr;
}

TGIFGraphicControlExtension* TGIFSubImage::AddGraphicControl() {
  auto g = std::make_unique<TGIFGraphicControlExtension>(this);
  auto* raw = g.get();
  extensions_.push_back(std::move(g));
  return raw;
}

void TGIFSubImage::RemoveExtension(TGIFExtension* Extension) {
  const bool was_gce = Extension == GraphicControl();
  auto it = std::find_if(extensions_.begin(), extensions_.end(),
                         [&](auto& e) { return e.get() == Extension; });
  if (it == extensions_.end()) return;
  extensions_.erase(it);
  if (was_gce) {
    auto* next = GraphicControl();
    transparent_ = next != nullptr && next->Transparent();
  }
}

int TGIFSubImage::TransparentIndex() const {
  if (!transparent_) return -1;
  auto* g = GraphicControl();
  return g != nullptr ? g->TransparentColorIndex() : -1;
}

uint16_t TGIFSubImage::Delay() const {
  auto* g = GraphicControl();
  return g != nullptr ? g->Delay() : 0;
}

uint8_t TGIFSubImage::Disposal() const {
  auto* g = GraphicControl();
  return g != nullptr ? g->Disposal() : 0;
}

void TGIFSubImage::DropCache() {
  bitmap_.reset();
  mask_.clear();
}

void TGIFSubImage::Clear() {
  DropCache();
  pixels_.clear();
  width_ = height_ = left_ = top_ = 0;
  packed_ = 0;
  local_.Clear();
  extensions_.clear();
  transparent_ = false;
}

void TGIFSubImage::Assign(classlib::TPersistent* Source) {
  if (Source == nullptr) {
    Clear();
    return;
  }
  if (auto* f = dynamic_cast<TGIFSubImage*>(Source)) {
    if (f == this) return;
    Clear();
    left_ = f->left_;
    top_ = f->top_;
    width_ = f->width_;
    height_ = f->height_;
    packed_ = f->packed_;
    pixels_ = f->pixels_;
    local_.Assign(&f->local_);
    for (auto& e : f->extensions_) extensions_.push_back(e->Clone(this));
    transparent_ = f->transparent_;
    return;
  }
  TPersistent::Assign(Source);
}

void TGIFSubImage::ReadExtensions(TStream* Stream) {
  for (;;) {
    const int b = PeekByte(Stream);
    if (b < 0 || b == 0x2C || b == 0x3B) return;
    if (b != 0x21) {
      Warning("Invalid extension introducer");
      return;
    }
    Stream->Seek(1, TSeekOrigin::soCurrent);
    const uint8_t lab = ReadByte(Stream);
    auto ext = MakeExtension(lab, Stream, this);
    Stream->Seek(-2, TSeekOrigin::soCurrent);
    ext->Read(Stream);
    extensions_.push_back(std::move(ext));
    if (auto* g = dynamic_cast<TGIFGraphicControlExtension*>(extensions_.back().get()))
      if (g == GraphicControl()) transparent_ = g->Transparent();
  }
}

void TGIFSubImage::ReadDescriptor(TStream* Stream) {
  uint8_t d[10];
  ReadExact(Stream, d, 10);
  left_ = Word(d + 1);
  top_ = Word(d + 3);
  int w = Word(d + 5), h = Word(d + 7);
  packed_ = d[9];
  if (w == 0 || h == 0) {
    w = image_->Width();
    h = image_->Height();
    Warning("Image exceeds Logical Screen size");
  }
  if (packed_ & 0x80) local_.Read(Stream, 2 << (packed_ & 7));
  // The pixels are allocated only within the format's limit and, for large
  // frames, only when the data that follows can fill them.
  const int64_t pixels = int64_t(w) * h;
  if (pixels > kMaxGIFFrameBytes) throw GIFException("GIF image is too large");
  if (pixels > MaxDecodablePixels(Stream)) {
    // Frames the data cannot fill (a cut-off file) share a small budget, so
    // that no file makes us allocate much beyond what its data decodes to.
    if (image_ == nullptr || pixels > image_->unproven_budget_)
      throw GIFException("GIF image is too large");
    image_->unproven_budget_ -= pixels;
  }
  width_ = w;
  height_ = h;
  const int fill = transparent_ ? TransparentIndex() : 0;
  pixels_.assign(static_cast<size_t>(pixels), static_cast<uint8_t>(fill < 0 ? 0 : fill));
  GIFDecodeFrame(Stream, width_, height_, Interlaced(), pixels_.data(),
                 [this](const std::string& m) { Warning(m); });
  if (image_ != nullptr) image_->FitFrame(*this);
}

void TGIFSubImage::Read(TStream* Stream) {
  Clear();
  ReadExtensions(Stream);
  const int b = PeekByte(Stream);
  if (b < 0 || b == 0x3B || b == 0) return;
  ReadDescriptor(Stream);
}

void TGIFSubImage::Write(TStream* Stream) const {
  for (auto& e : extensions_) e->Write(Stream);
  if (Empty()) return;
  uint8_t packed = 0;
  if (local_.Count() > 0) {
    packed =
        static_cast<uint8_t>(0x80 | (local_.Sorted() ? 0x20 : 0) | (local_.BitsPerPixel() - 1));
  } else {
    packed = packed_ & (0x40 | 0x10 | 0x08);
  }
  uint8_t d[10] = {0x2C,
                   static_cast<uint8_t>(left_),
                   static_cast<uint8_t>(left_ >> 8),
                   static_cast<uint8_t>(top_),
                   static_cast<uint8_t>(top_ >> 8),
                   static_cast<uint8_t>(width_),
                   static_cast<uint8_t>(width_ >> 8),
                   static_cast<uint8_t>(height_),
                   static_cast<uint8_t>(height_ >> 8),
                   packed};
  Stream->WriteBuffer(d, 10);
  local_.Write(Stream);
  int code_size = local_.BitsPerPixel();
  int max_color = local_.Count();
  if (local_.Count() == 0) {
    code_size = image_ != nullptr ? image_->GlobalColorMap().BitsPerPixel() : 0;
    max_color = 1 << std::max(code_size, 2);
  }
  if (GIFSizePasses && !pixels_.empty()) {
    // The codes need only be wide enough for the highest index in use.
    const int highest = *std::max_element(pixels_.begin(), pixels_.end());
    code_size = std::min(code_size, ColorMapBits(highest + 1));
  }
  const bool interlaced = (packed & 0x40) != 0;
  std::unique_ptr<TGIFEncoder> encoder;
  if (image_ != nullptr && image_->Compression == 1)
    encoder = std::make_unique<TRLEEncoder>();
  else
    encoder = std::make_unique<TLZWEncoder>();
  encoder->Compress(Stream, code_size, max_color, pixels_.data(), interlaced, height_, width_);
}

classlib::TBitmap* TGIFSubImage::Bitmap() {
  if (bitmap_ || Empty()) return bitmap_.get();
  auto bmp = std::make_unique<classlib::TBitmap>();
  bmp->SetPixelFormat(classlib::pf32bit);
  bmp->SetSize(width_, height_);
  const TGIFColorMap& map = ActiveColorMap();
  std::array<uint32_t, 256> lut{};
  for (int i = 0; i < map.Count(); ++i) {
    const TGIFRGB c = map[i];
    lut[static_cast<size_t>(i)] =
        0xFF000000u | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
  }
  const int t = TransparentIndex();
  mask_.assign(pixels_.size(), 0);
  for (int y = 0; y < height_; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bmp->ScanLine(y));
    const uint8_t* src = pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
    for (int x = 0; x < width_; ++x) {
      row[x] = lut[src[x]];
      if (src[x] == t)
        mask_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = 255;
    }
  }
  bitmap_ = std::move(bmp);
  return bitmap_.get();
}

const std::vector<uint8_t>& TGIFSubImage::Mask() {
  Bitmap();
  return mask_;
}

// ---- the picture
// ---------------------------------------------------------------------------------

TGIFImageEx::TGIFImageEx() : global_(this) {}

TGIFImageEx::~TGIFImageEx() {
  StopDraw();
  frames_.clear();
}

void TGIFImageEx::Warning(classlib::TObject* Sender, int Severity, const std::string& Message) {
  if (OnWarning) OnWarning(Sender, Severity, Message);
}

void TGIFImageEx::ReportProgress(classlib::TProgressStage Stage, int Percent,
                                 const std::string& Msg, bool Redraw) {
  Progress(this, Stage, static_cast<uint8_t>(std::clamp(Percent, 0, 100)), Redraw,
           classlib::TRect{}, Msg);
}

void TGIFImageEx::Clear() {
  StopDraw();
  bitmap_.reset();
  frames_.clear();
  global_.Clear();
  screen_width_ = screen_height_ = 0;
  packed_ = 0;
  background_index_ = 0;
  aspect_ = 0;
}

int TGIFImageEx::Add(std::unique_ptr<TGIFSubImage> Frame) {
  if (!Frame) throw GIFException("Object type not supported for operation");
  Frame->image_ = this;
  FitFrame(*Frame);
  frames_.push_back(std::move(Frame));
  bitmap_.reset();
  Changed(this);
  return FrameCount() - 1;
}

int TGIFImageEx::Add(classlib::TGraphic* Source) {
  auto* bmp = dynamic_cast<classlib::TBitmap*>(Source);
  if (bmp == nullptr) throw GIFException("Object type not supported for operation");
  auto frame = std::make_unique<TGIFSubImage>(this);
  if (!bmp->Empty()) {
    std::unique_ptr<classlib::TBitmap> reduced;
    const classlib::TBitmap* src = bmp;
    const int bits = bmp->BitsPerPixel();
    if (bits != 1 && bits != 4 && bits != 8) {
      reduced = ReduceColourDepth(*bmp, ColorReduction, DitherMode, ReductionBits, {});
      if (reduced->Empty()) throw GIFException("Object type not supported for operation");
      src = reduced.get();
    }
    const int w = src->Width(), h = src->Height();
    frame->SetBounds(0, 0, w, h);
    const int sbits = src->BitsPerPixel();
    TGIFColorMap& map = frame->ColorMap();
    if (sbits <= 8) map.ImportPalette(src->Palette());
    // Colours met lately, newest first, with their indices.
    std::array<std::pair<uint32_t, int>, 8> ring;
    ring.fill({0xFFFFFFFFu, 0});
    size_t ring_at = 0;
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = src->ScanLine(y);
      uint8_t* out = frame->ScanLine(y);
      for (int x = 0; x < w; ++x) {
        if (sbits == 8) {
          out[x] = row[x];
        } else if (sbits == 4) {
          out[x] = static_cast<uint8_t>((x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4);
        } else if (sbits == 1) {
          out[x] = static_cast<uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
        } else {
          const int bpp = sbits / 8;
          const uint32_t c =
              (uint32_t(row[bpp * x + 2]) << 16) | (uint32_t(row[bpp * x + 1]) << 8) | row[bpp * x];
          int index = -1;
          for (size_t k = 0; k < ring.size() && index < 0; ++k) {
            const auto& e = ring[(ring_at + ring.size() - k) % ring.size()];
            if (e.first == c) index = e.second;
          }
          if (index < 0) {
            index = map.AddUnique({static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                   static_cast<uint8_t>(c)});
            ring_at = (ring_at + 1) % ring.size();
            ring[ring_at] = {c, index};
          }
          out[x] = static_cast<uint8_t>(index);
        }
      }
      if (y % 32 == 0)
        ReportProgress(classlib::psRunning, classlib::MulDiv(y, 100, h), "Converting...", false);
    }
    // A transparent bitmap's key colour marks the transparent pixels.
    if (bmp->Transparent()) {
      const classlib::TColor key = classlib::ColorToRGB(bmp->TransparentColor());
      std::vector<uint8_t> mask(frame->Data().size(), 0);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          mask[static_cast<size_t>(y) * w + x] = bmp->PixelColor(x, y) == key;
      map.Optimize();
      if (map.Count() >= 1 && map.Count() <= 255) {
        const int t = map.Add({0, 0, 0});
        bool any = false;
        for (size_t i = 0; i < mask.size(); ++i)
          if (mask[i]) {
            frame->Data()[i] = static_cast<uint8_t>(t);
            any = true;
          }
        if (any) {
          auto* g = frame->AddGraphicControl();
          g->SetTransparentColorIndex(t);
          g->SetTransparent(true);
        } else {
          map.Delete(t);
        }
      }
    }
  }
  return Add(std::move(frame));
}

void TGIFImageEx::DeleteFrame(int Index) {
  if (Index < 0 || Index >= FrameCount()) throw classlib::EListError("List index out of bounds");
  frames_.erase(frames_.begin() + Index);
  bitmap_.reset();
}

void TGIFImageEx::FitFrame(const TGIFSubImage& F) {
  const int right = F.Left() + F.Width(), bottom = F.Top() + F.Height();
  if (right > screen_width_) {
    const bool had = screen_width_ != 0;
    screen_width_ = std::min(right, 65535);
    if (had) {
      Warning(this, 1, "Image width too small for contained frames");
      Warning(this, 1, "Image exceeds Logical Screen size");
    }
  }
  if (bottom > screen_height_) {
    const bool had = screen_height_ != 0;
    screen_height_ = std::min(bottom, 65535);
    if (had) {
      Warning(this, 1, "Image height too small for contained frames");
      Warning(this, 1, "Image exceeds Logical Screen size");
    }
  }
}

void TGIFImageEx::SetWidth(int Value) {
  for (auto& f : frames_)
    if (Value < f->Left() + f->Width())
      throw GIFException("Image width too small for contained frames");
  if (Value != screen_width_) {
    screen_width_ = Value;
    bitmap_.reset();
    Changed(this);
  }
}

void TGIFImageEx::SetHeight(int Value) {
  for (auto& f : frames_)
    if (Value < f->Top() + f->Height())
      throw GIFException("Image height too small for contained frames");
  if (Value != screen_height_) {
    screen_height_ = Value;
    bitmap_.reset();
    Changed(this);
  }
}

int TGIFImageEx::Version() const {
  int v = 0;
  for (auto& f : frames_) {
    v = std::max(v, f->Version());
    if (v == 2) break;
  }
  return v;
}

classlib::TPalette TGIFImageEx::Palette() const {
  if (global_.Count() > 0) return global_.ExportPalette();
  if (!frames_.empty()) return frames_[0]->ActiveColorMap().ExportPalette();
  return {};
}

void TGIFImageEx::SetPalette(const classlib::TPalette& Value) {
  if (bitmap_ && bitmap_->Palette() != Value) {
    bitmap_.reset();
    Changed(this);
  }
}

void TGIFImageEx::AssignTo(classlib::TPersistent* Dest) {
  if (auto* b = dynamic_cast<classlib::TBitmap*>(Dest)) {
    if (classlib::TBitmap* first = Bitmap())
      b->Assign(first);
    else
      b->Assign(nullptr);
    return;
  }
  TGraphic::AssignTo(Dest);
}

void TGIFImageEx::ReadHeader(TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t sig[6];
  ReadExact(Stream, sig, 6);
  auto is_gif = [&] {
    return std::toupper(sig[0]) == 'G' && std::toupper(sig[1]) == 'I' &&
           std::toupper(sig[2]) == 'F';
  };
  if (!is_gif()) {
    Stream->SetPosition(start + 4);
    if (Stream->Read(sig, 6) != 6 || !is_gif()) throw GIFException("Invalid GIF signature");
  }
  uint8_t lsd[7];
  ReadExact(Stream, lsd, 7);
  screen_width_ = Word(lsd);
  screen_height_ = Word(lsd + 2);
  packed_ = lsd[4];
  background_index_ = lsd[5];
  aspect_ = lsd[6];
  if (packed_ & 0x80) {
    global_.Read(Stream, 2 << (packed_ & 7));
    global_.SetSorted((packed_ & 0x08) != 0);
  } else {
    global_.Clear();
  }
}

void TGIFImageEx::LoadFromStream(TStream* Stream) {
  ReportProgress(classlib::psStarting, 0, "Loading...", false);
  const int64_t start = Stream->Position();
  bool ok = false;
  try {
    Clear();
    unproven_budget_ = kSmallFrameBytes;
    ReadHeader(Stream);
    const int64_t size = Stream->Size();
    for (;;) {
      int b = PeekByte(Stream);
      while (b == 0) {
        Stream->Seek(1, TSeekOrigin::soCurrent);
        b = PeekByte(Stream);
      }
      if (b < 0 || b == 0x3B) break;
      if (b != 0x21 && b != 0x2C) {
        Warning(this, 1, "Unknown GIF block type");
        break;
      }
      auto frame = std::make_unique<TGIFSubImage>(this);
      frame->Read(Stream);
      frames_.push_back(std::move(frame));
      const int64_t pos = Stream->Position();
      ReportProgress(classlib::psRunning,
                     size > 0 ? classlib::MulDiv(
                                    static_cast<int32_t>(std::min<int64_t>(pos, 1 << 30) / 64), 100,
                                    static_cast<int32_t>(std::max<int64_t>(
                                        1, std::min<int64_t>(size, 1 << 30) / 64)))
                              : 0,
                     "Loading...", false);
    }
    uint8_t trailer = 0;
    if (Stream->Read(&trailer, 1) == 1 && trailer != 0x3B)
      Warning(this, 1, "Invalid Image trailer");
    ok = true;
  } catch (...) {
    Stream->SetPosition(start);
    try {
      frames_.clear();
      global_.Clear();
      screen_width_ = screen_height_ = 0;
    } catch (...) {
    }
    ReportProgress(classlib::psEnding, 0, "Loading...", true);
    throw;
  }
  if (ok) ReportProgress(classlib::psEnding, 100, "Loading...", true);
  Changed(this);
}

void TGIFImageEx::WriteHeader(TStream* Stream) {
  const int version = Version();
  if (version == 0) throw GIFException("Unsupported GIF version");
  Stream->WriteBuffer(version == 2 ? "GIF89a" : "GIF87a", 6);
  int res = global_.Count() > 0 ? global_.BitsPerPixel() - 1 : 0;
  int local_bits = 0;
  for (auto& f : frames_) {
    const int b = f->ColorMap().BitsPerPixel();
    local_bits = std::max(local_bits, b);
    if (b > 0) res = std::max(res, b - 1);
  }
  uint8_t packed = static_cast<uint8_t>((res & 7) << 4);
  if (global_.Count() > 0) {
    packed |=
        static_cast<uint8_t>(0x80 | (global_.Sorted() ? 0x08 : 0) | (global_.BitsPerPixel() - 1));
  } else if (local_bits > 0) {
    packed |= static_cast<uint8_t>(local_bits - 1);
  }
  packed_ = packed;
  WriteWord(Stream, static_cast<uint16_t>(screen_width_));
  WriteWord(Stream, static_cast<uint16_t>(screen_height_));
  WriteByte(Stream, packed);
  WriteByte(Stream, background_index_);
  WriteByte(Stream, aspect_);
  if (packed & 0x80) global_.Write(Stream);
}

void TGIFImageEx::SaveToStream(TStream* Stream) {
  ReportProgress(classlib::psStarting, 0, "Saving...", false);
  try {
    WriteHeader(Stream);
    for (int i = 0; i < FrameCount(); ++i) {
      frames_[static_cast<size_t>(i)]->Write(Stream);
      ReportProgress(classlib::psRunning, classlib::MulDiv(i + 1, 100, FrameCount()), "Saving...",
                     false);
    }
    WriteByte(Stream, 0x3B);
  } catch (...) {
    ReportProgress(classlib::psEnding, 0, "Saving...", true);
    throw;
  }
  ReportProgress(classlib::psEnding, 100, "Saving...", true);
}

void TGIFImageEx::WriteData(TStream* Stream) {
  classlib::TMemoryStream m;
  SaveToStream(&m);
  const uint32_t n = static_cast<uint32_t>(m.Size());
  Stream->WriteBuffer(&n, 4);
  Stream->WriteBuffer(m.Memory(), m.Size());
}

void TGIFImageEx::ReadData(TStream* Stream) {
  uint32_t n = 0;
  const int64_t start = Stream->Position();
  const int64_t left = Stream->Size() - start;
  // A count that exceeds the data, or data that starts with the signature,
  // is a plain GIF stream.
  if (Stream->Read(&n, 4) != 4 || n > left - 4 || std::memcmp(&n, "GIF", 3) == 0) {
    Stream->SetPosition(start);
    LoadFromStream(Stream);
    return;
  }
  classlib::TMemoryStream m;
  m.SetSize(n);
  ReadExact(Stream, m.Memory(), n);
  m.SetPosition(0);
  LoadFromStream(&m);
}

void TGIFImageEx::Assign(classlib::TPersistent* Source) {
  if (Source == nullptr) {
    Clear();
    return;
  }
  if (auto* src = dynamic_cast<TGIFImageEx*>(Source)) {
    if (src == this) return;
    Clear();
    screen_width_ = src->screen_width_;
    screen_height_ = src->screen_height_;
    packed_ = src->packed_;
    background_index_ = src->background_index_;
    aspect_ = src->aspect_;
    global_.Assign(&src->global_);
    BackgroundColor = src->BackgroundColor;
    DrawOptions = src->DrawOptions;
    ColorReduction = src->ColorReduction;
    DitherMode = src->DitherMode;
    ReportProgress(classlib::psStarting, 0, "Copying...", false);
    try {
      for (int i = 0; i < src->FrameCount(); ++i) {
        auto f = std::make_unique<TGIFSubImage>(this);
        f->Assign(src->Frame(i));
        frames_.push_back(std::move(f));
        ReportProgress(classlib::psRunning, classlib::MulDiv(i + 1, 100, src->FrameCount()),
                       "Copying...", false);
      }
    } catch (...) {
      ReportProgress(classlib::psEnding, 0, "Copying...", true);
      throw;
    }
    ReportProgress(classlib::psEnding, 100, "Copying...", true);
    Changed(this);
    return;
  }
  if (auto* g = dynamic_cast<classlib::TBitmap*>(Source)) {
    Clear();
    Add(g);
    return;
  }
  TGraphic::Assign(Source);
}

void TGIFImageEx::SaveToClipboardFormat(classlib::TClipboardFormat Format,
                                        classlib::TClipboardData& Data) {
  if (Empty()) return;
  if (classlib::TBitmap* b = Bitmap()) b->SaveToClipboardFormat(Format, Data);
  classlib::TMemoryStream m;
  SaveToStream(&m);
  const auto* p = static_cast<const uint8_t*>(m.Memory());
  Data[CF_GIF()] = std::vector<uint8_t>(p, p + m.Size());
}

void TGIFImageEx::LoadFromClipboardFormat(classlib::TClipboardFormat Format,
                                          const classlib::TClipboardData& Data) {
  auto it = Data.find(Format);
  if (Format == CF_GIF() && it != Data.end()) {
    classlib::TMemoryStream m;
    m.Write(it->second.data(), static_cast<int64_t>(it->second.size()));
    m.SetPosition(0);
    LoadFromStream(&m);
    return;
  }
  if ((Format == classlib::CF_BITMAP || Format == classlib::CF_DIB) && it != Data.end()) {
    classlib::TBitmap bmp;
    bmp.LoadFromClipboardFormat(Format, Data);
    Assign(&bmp);
    return;
  }
  throw GIFException("Unsupported clipboard format");
}

classlib::TBitmap* TGIFImageEx::Bitmap() {
  if (bitmap_ || frames_.empty()) return bitmap_.get();
  if (int64_t(screen_width_) * screen_height_ > kMaxGIFFrameBytes)
    throw GIFException("GIF image is too large");
  auto bmp = std::make_unique<classlib::TBitmap>();
  bmp->SetPixelFormat(classlib::pf32bit);
  bmp->SetSize(screen_width_, screen_height_);
  TGIFSubImage* f = frames_[0].get();
  if (classlib::TBitmap* fb = f->Bitmap()) {
    for (int y = 0; y < f->Height(); ++y) {
      const int ty = f->Top() + y;
      if (ty < 0 || ty >= screen_height_) continue;
      auto* dst = reinterpret_cast<uint32_t*>(bmp->ScanLine(ty));
      const auto* src = reinterpret_cast<const uint32_t*>(fb->ScanLine(y));
      for (int x = 0; x < f->Width(); ++x) {
        const int tx = f->Left() + x;
        if (tx >= 0 && tx < screen_width_) dst[tx] = src[x];
      }
    }
  }
  bitmap_ = std::move(bmp);
  return bitmap_.get();
}

TGIFPainter* TGIFImageEx::PaintStart(classlib::TCanvas* Canvas, uint16_t Options,
                                     const classlib::TRect& Rect) {
  if (Empty() || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top || Width() <= 0 ||
      Height() <= 0)
    return nullptr;
  if (FrameCount() == 1) Options &= static_cast<uint16_t>(~(goAsync | goAnimate));
  auto painter = std::make_unique<TGIFPainter>(this, Options, Rect, Canvas);
  TGIFPainter* raw = painter.get();
  if (Options & goAsync) {
    {
      std::lock_guard<std::recursive_mutex> lock(painter_lock_);
      painters_.push_back(std::move(painter));
    }
    raw->Start();
    return raw;
  }
  raw->RunPainter();
  return nullptr;
}

int TGIFImageEx::PainterCount() {
  std::lock_guard<std::recursive_mutex> lock(painter_lock_);
  return static_cast<int>(painters_.size());
}

void TGIFImageEx::PainterDrew(TGIFPainter* Painter) {
  if (Painter == painter_) Changed(this);
}

void TGIFImageEx::StopDraw() {
  std::vector<std::unique_ptr<TGIFPainter>> stopping;
  {
    std::lock_guard<std::recursive_mutex> lock(painter_lock_);
    stopping.swap(painters_);
    painter_ = nullptr;
  }
  for (auto& p : stopping) p->Stop();
  // A painter may be waiting for a call on this thread: pending calls run
  // (or are abandoned by the terminated painters) until each has ended.
  for (auto& p : stopping) {
    while (!p->Finished() && p->Done() == false) {
      classlib::TThread::CheckSynchronize();
      classlib::Sleep(0);
      if (p->Suspended()) break;
    }
    p->WaitFor();
  }
  stopping.clear();
  bitmap_.reset();
  paint_bitmap_.reset();
}

void TGIFImageEx::Draw(classlib::TCanvas* ACanvas, const classlib::TRect& Rect) {
  if (drawing_ || frames_.empty()) return;
  if (int64_t(Width()) * Height() > kMaxGIFFrameBytes) return;  // too large to render
  drawing_ = true;
  struct Guard {
    bool& d;
    ~Guard() { d = false; }
  } guard{drawing_};
  if (FrameCount() == 1 || !(DrawOptions & goAnimate)) {
    DrawGIFPicture(ACanvas, Rect, Bitmap(), (DrawOptions & goTile) != 0);
    return;
  }
  if (DrawOptions & goDirectDraw) {
    std::lock_guard<std::recursive_mutex> lock(painter_lock_);
    for (auto& p : painters_)
      if (p->Canvas() == ACanvas && SameBounds(p->Rect(), Rect)) return;
    StopDraw();
    PaintStart(ACanvas, DrawOptions, Rect);
    return;
  }
  if (!paint_bitmap_ || painter_ == nullptr) {
    StopDraw();
    paint_bitmap_ = std::make_unique<classlib::TBitmap>();
    paint_bitmap_->SetPixelFormat(classlib::pf32bit);
    paint_bitmap_->SetSize(Width(), Height());
    if (classlib::TBitmap* first = Bitmap()) paint_bitmap_->Canvas()->Draw(0, 0, first);
    TGIFPainter* p =
        PaintStart(paint_bitmap_->Canvas(), DrawOptions, classlib::TRect{0, 0, Width(), Height()});
    painter_ = p;
    // Wait for the first frame, running the painter's calls meanwhile.
    while (p != nullptr && !p->Started() && !p->Done()) {
      classlib::TThread::CheckSynchronize();
      classlib::Sleep(0);
    }
  }
  DrawGIFPicture(ACanvas, Rect, paint_bitmap_.get(), (DrawOptions & goTile) != 0);
}

}  // namespace gifex

void RegisterGIFImageEx() {
  classlib::TPicture::RegisterFileFormat("gif", "GIF Image",
                                         classlib::GraphicClassOf<gifex::TGIFImageEx>());
  classlib::TPicture::RegisterClipboardFormat(CF_GIF(),
                                              classlib::GraphicClassOf<gifex::TGIFImageEx>());
}

}  // namespace lumicast
