#include "imaging/gif_image.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "imaging/bitmap_utils.h"
#include "imaging/color_reduction.h"
#include "imaging/gif_lzw.h"
#include "platform/classlib/atomic_file.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/little_endian.h"
#include "platform/classlib/picture.h"
#include "platform/classlib/stream.h"

namespace lumicast {

using namespace classlib;

bool GIFTolerantReading = true;

TClipboardFormat CF_GIF() {
  static const TClipboardFormat format = RegisterClipboardFormat("GIF Image");
  return format;
}

void RegisterGIFImage() {
  TPicture::RegisterFileFormat("gif", "CompuServe GIF Image", GraphicClassOf<TGIFImage>());
  TPicture::RegisterClipboardFormat(CF_GIF(), GraphicClassOf<TGIFImage>());
}

namespace {

[[noreturn]] void GIFError(const char* Message) { throw EInvalidGraphicOperation(Message); }

// The smallest n >= 1 with 2^n >= Count.
int BitsForCount(int Count) {
  int n = 1;
  while (n < 8 && (1 << n) < Count) ++n;
  return n;
}

void PutLines(std::vector<uint8_t>& Out, const std::vector<std::string>& Lines) {
  for (const std::string& line : Lines) {
    size_t n = std::min<size_t>(line.size(), 255);
    if (n == 0) continue;
    Out.push_back(static_cast<uint8_t>(n));
    Out.insert(Out.end(), line.begin(), line.begin() + static_cast<std::ptrdiff_t>(n));
  }
  Out.push_back(0);
}

int FindColor(const TGIFColorTable& Table, TColor Color) {
  TColor rgb = ColorToRGB(Color);
  int count = std::clamp(Table.Count, 0, 256);
  for (int i = 0; i < count; ++i) {
    const TGIFColor& c = Table.Colors[i];
    if (c.Red == GetRValue(rgb) && c.Green == GetGValue(rgb) && c.Blue == GetBValue(rgb)) return i;
  }
  return -1;
}

}  // namespace

// ---------------------------------------------------------------- TExtension

uint8_t TExtension::Label(TExtensionKind Kind) {
  static constexpr uint8_t labels[4] = {0xF9, 0x01, 0xFF, 0xFE};
  return labels[Kind & 3];
}

void TExtension::Assign(TPersistent* Source) {
  if (auto* e = dynamic_cast<TExtension*>(Source)) {
    Kind = e->Kind;
    Fixed = e->Fixed;
    Lines = e->Lines;
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------- TGIFFrame

TGIFFrame::TGIFFrame(TGIFImage* AOwner) : owner_(AOwner), item_(std::make_shared<TGIFItem>()) {}

TGIFFrame::~TGIFFrame() = default;

void TGIFFrame::OwnerVersion2() {
  if (owner_) owner_->version_ = 2;
}

void TGIFFrame::OwnerChanged() {
  if (owner_) owner_->Changed(owner_);
}

void TGIFFrame::SetDisplayTime(uint16_t Value) {
  if (Value == display_time_) return;
  display_time_ = Value;
  if (Value != 0) OwnerVersion2();
  OwnerChanged();
}

void TGIFFrame::SetKeyColor(TColor Value) {
  if (Value == key_color_) return;
  key_color_ = Value;
  if (Value != clNone) OwnerVersion2();
  OwnerChanged();
}

void TGIFFrame::SetDisposal(uint8_t Value) {
  Value &= 7;
  if (Value == disposal_) return;
  disposal_ = Value;
  OwnerChanged();
}

void TGIFFrame::SetOrigin(const TPoint& Value) {
  if (Value == origin_) return;
  origin_ = Value;
  if (owner_) owner_->RecomputeScreenSize();
  OwnerChanged();
}

void TGIFFrame::Reset() {
  item_ = std::make_shared<TGIFItem>();
  extensions_.clear();
  interlace_ = corrupted_ = grayscale_ = false;
  key_color_ = clNone;
  origin_ = {};
  display_time_ = 0;
  disposal_ = 0;
  local_table_ = false;
}

TBitmap* TGIFFrame::FrameBitmap() {
  if ((!bitmap_ || bitmap_->Empty()) && HasEncodedData()) {
    std::unique_ptr<TMemoryStream> bmp = DecodeToBMP();
    auto b = std::make_unique<TBitmap>();
    b->LoadFromStream(bmp.get());
    if (!b->Monochrome()) b->SetHandleType(bmDIB);
    bitmap_ = std::move(b);
  }
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return bitmap_.get();
}

void TGIFFrame::Assign(TPersistent* Source) {
  if (!Source) {
    Reset();
    bitmap_.reset();
  } else if (auto* f = dynamic_cast<TGIFFrame*>(Source)) {
    if (f == this) return;
    item_ = f->item_;
    origin_ = f->origin_;
    interlace_ = f->interlace_;
    if (f->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->Assign(f->bitmap_.get());
    }
    key_color_ = f->key_color_;
    display_time_ = f->display_time_;
    disposal_ = f->disposal_;
    grayscale_ = f->grayscale_;
    corrupted_ = f->corrupted_;
    extensions_.clear();
    for (const auto& e : f->extensions_) {
      if (e->Kind != ekComment) continue;
      auto copy = std::make_unique<TExtension>();
      copy->Assign(e.get());
      extensions_.push_back(std::move(copy));
    }
    local_table_ = (f->owner_ == owner_) ? f->local_table_ : true;
  } else if (auto* img = dynamic_cast<TGIFImage*>(Source)) {
    if (img->FrameCount() == 0) {
      Reset();
      bitmap_.reset();
    } else {
      Assign(img->FrameAt(std::max(img->ActiveFrameIndex(), 0)));
      return;
    }
  } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    AssignGraphic(g);
  } else {
    TPersistent::Assign(Source);
    return;
  }
  if (owner_) owner_->RecomputeScreenSize();
}

void TGIFFrame::AssignGraphic(TGraphic* Source) {
  Reset();
  auto b = std::make_unique<TBitmap>();
  auto* src_bitmap = dynamic_cast<TBitmap*>(Source);
  try {
    b->Assign(Source);
    if (src_bitmap && src_bitmap->Monochrome()) b->SetMonochrome(true);
  } catch (const Exception&) {
    // A picture that cannot be copied is drawn over the fill colour instead.
    b = std::make_unique<TBitmap>();
    b->SetSize(Source->Width(), Source->Height());
    b->Canvas()->Brush()->SetColor(static_cast<TColor>(0xFF00FF));
    b->Canvas()->FillRect(Rect(0, 0, b->Width(), b->Height()));
    b->Canvas()->Draw(0, 0, Source);
  }
  if (Source->Transparent()) {
    if (src_bitmap) {
      key_color_ = src_bitmap->TransparentColor();
    } else {
      TPalette pal = b->Palette();
      TColor brush = b->Canvas()->Brush()->Color();
      int i = pal.empty() ? -1 : NearestColorIndex(pal, brush);
      key_color_ = i >= 0 ? QuadToColor(pal[i]) : ColorToRGB(brush);
    }
  }
  bitmap_ = std::move(b);
}

void TGIFFrame::Encode() {
  if (!bitmap_ || bitmap_->Empty()) GIFError("No GIF Data to write");
  std::unique_ptr<TMemoryStream> bmp;
  const int bits_in = bitmap_->BitsPerPixel();
  if (bits_in == 1 || bits_in == 4 || bits_in == 8) {
    bmp = std::make_unique<TMemoryStream>();
    bitmap_->SaveToStream(bmp.get());
  } else {
    TReductionMethod method = grayscale_ ? rmGrayscale : DefaultReductionMethod;
    bmp = ReduceBitmapTo8Bit(bitmap_.get(), pf8bit, method);
    if (method == rmGrayscale) grayscale_ = true;
  }

  // The BMP: file header, info header, palette, rows.
  const std::vector<uint8_t>& b = bmp->Bytes();
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') GIFError("GIF image encoding error");
  const uint32_t off_bits = GetLE32(&b[10]);
  const uint32_t info_size = GetLE32(&b[14]);
  TBitmapInfoHeader h;
  h.biWidth = static_cast<int32_t>(GetLE32(&b[18]));
  h.biHeight = static_cast<int32_t>(GetLE32(&b[22]));
  h.biBitCount = static_cast<uint16_t>(b[28] | (b[29] << 8));
  h.biClrUsed = GetLE32(&b[46]);
  int colors;
  switch (h.biBitCount) {
    case 1: colors = 2; break;
    case 4: colors = 16; break;
    case 8: colors = 256; break;
    default: GIFError("GIF image encoding error");
  }
  const bool top_down = h.biHeight < 0;
  const int64_t height = top_down ? -int64_t(h.biHeight) : h.biHeight;
  const int64_t row_bytes = DIBRowBytes(h.biWidth, h.biBitCount);
  if (h.biWidth <= 0 || height <= 0 || info_size < 40 || info_size > b.size() ||
      off_bits > b.size() || static_cast<uint64_t>(row_bytes * height) > b.size() - off_bits)
    GIFError("GIF image encoding error");
  h.biHeight = static_cast<int32_t>(height);

  interlace_ = false;
  auto item = std::make_shared<TGIFItem>();
  const uint64_t pal_at = 14 + static_cast<uint64_t>(info_size);
  // Every palette entry the BMP holds before its pixels counts, up to the
  // colour count: a reduced BMP names only the colours it uses in its
  // colour-used field but carries the whole 256-entry palette, and the table
  // written must be that palette, not the used entries followed by black.
  uint64_t pal_entries = static_cast<uint64_t>(colors);
  if (pal_at + pal_entries * 4 > off_bits)
    pal_entries = off_bits > pal_at ? (off_bits - pal_at) / 4 : 0;
  item->ColorTable.Count = colors;
  for (uint64_t i = 0; i < pal_entries; ++i) {
    const uint8_t* q = &b[pal_at + 4 * i];
    item->ColorTable.Colors[i] = {q[2], q[1], q[0]};
  }

  const uint8_t* pixels = b.data() + off_bits;
  std::vector<uint8_t> flipped;
  if (top_down) {
    flipped.resize(static_cast<size_t>(row_bytes * height));
    for (int64_t y = 0; y < height; ++y)
      std::memcpy(&flipped[static_cast<size_t>(y * row_bytes)],
                  pixels + (height - 1 - y) * row_bytes, static_cast<size_t>(row_bytes));
    pixels = flipped.data();
  }
  try {
    TLZWProgress progress;
    if (owner_) {
      TGIFImage* o = owner_;
      progress = [o](TProgressStage s, uint8_t p, const std::string& m) {
        o->CoderProgress(s, p, m);
      };
    }
    GIFEncodeLZW(item->ImageData, h, false, progress, pixels);
    // Kept until the file is written, often for many frames: no room to grow.
    item->ImageData.shrink_to_fit();
  } catch (const EAbort&) {
    Reset();
    throw;
  }
  item->BitsPerPixel = static_cast<uint8_t>(BitsForCount(colors));
  item->Width = h.biWidth;
  item->Height = h.biHeight;
  item_ = item;

  if (owner_) {
    TGIFData& data = *owner_->data_;
    if (data.ColorTable.Count == 0) {
      data.ColorTable = item->ColorTable;
      data.BitsPerPixel = item->BitsPerPixel;
      local_table_ = false;
    } else {
      local_table_ = true;
    }
    owner_->RecomputeScreenSize();
  }
}

void TGIFFrame::RebuildBitmap() {
  bitmap_.reset();
  try {
    FrameBitmap();
  } catch (const EAbort&) {
    // The display copy is optional; the coded data stands.
  }
}

void TGIFFrame::UpdateExtensions() {
  TExtension* gce = nullptr;
  for (auto& e : extensions_)
    if (e->Kind == ekGraphicControl) gce = e.get();
  if (!gce && (display_time_ != 0 || key_color_ != clNone || disposal_ != 0)) {
    auto e = std::make_unique<TExtension>();
    e->Kind = ekGraphicControl;
    e->Fixed = {4, 0, 0, 0, 0, 0};
    gce = e.get();
    extensions_.push_back(std::move(e));
  }
  if (gce) {
    if (gce->Fixed.size() < 6) gce->Fixed.resize(6, 0);
    const unsigned delay = display_time_ / 10u;
    gce->Fixed[2] = static_cast<uint8_t>(delay);
    gce->Fixed[3] = static_cast<uint8_t>(delay >> 8);
    // No transparent colour means no transparent index: clNone must not be
    // taken for white.
    int index = key_color_ == clNone ? -1 : FindColor(item_->ColorTable, key_color_);
    if (index >= 0) {
      gce->Fixed[1] |= kGCETransparent;
      gce->Fixed[4] = static_cast<uint8_t>(index);
    } else {
      gce->Fixed[1] &= static_cast<uint8_t>(~kGCETransparent);
    }
    gce->Fixed[1] = static_cast<uint8_t>((gce->Fixed[1] & ~0x1C) | ((disposal_ & 7) << 2));
  }
  std::erase_if(extensions_, [](const std::unique_ptr<TExtension>& e) {
    return e->Kind == ekComment && e->Lines.empty();
  });
  if (!extensions_.empty()) OwnerVersion2();
}

// ---------------------------------------------------------------- TGIFImage

TGIFImage::TGIFImage() : data_(std::make_shared<TGIFData>()) {
  SetTransparent(true);
  SetModified(false);
}

TGIFImage::~TGIFImage() = default;

void TGIFImage::Clear() {
  data_ = std::make_shared<TGIFData>();
  frames_.clear();
  active_ = -1;
  version_ = 0;
  screen_width_ = screen_height_ = 0;
  screen_color_ = clNone;
  loop_enabled_ = false;
  loop_count_ = 1;
}

std::vector<std::string>& TGIFImage::Comment() { return data_->Comment; }

int TGIFImage::AppendFrame(TGraphic* Graphic) {
  frames_.push_back(std::make_unique<TGIFFrame>(this));
  const int index = static_cast<int>(frames_.size()) - 1;
  TGIFFrame& frame = *frames_.back();
  active_ = index;
  frame.Assign(Graphic);
  // Encoded now, in the order appended, as EncodeFrames would encode it: the first coded frame
  // gives the global table either way. A frame without pixels stays pending and fails when
  // saved, as it does without this setting; a frame that fails to encode is not kept.
  if (encode_on_append_ && frame.HasBitmap()) {
    try {
      frame.Encode();
    } catch (...) {
      frames_.pop_back();
      active_ = FrameCount() - 1;
      RecomputeScreenSize();
      throw;
    }
    frame.bitmap_.reset();
  }
  if (version_ == 0) version_ = 1;
  if (frames_.size() > 1) version_ = 2;
  Changed(this);
  return index;
}

TGIFFrame* TGIFImage::FrameAt(int Index) const {
  if (Index < 0 || Index >= FrameCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return frames_[Index].get();
}

void TGIFImage::DeleteFrame(int Index) {
  FrameAt(Index);
  frames_.erase(frames_.begin() + Index);
  if (active_ >= FrameCount()) active_ = FrameCount() - 1;
  RecomputeScreenSize();
  Changed(this);
}

void TGIFImage::SetActiveFrameIndex(int Value) {
  if (Value < -1 || Value >= FrameCount()) return;
  if (Value == active_) return;
  active_ = Value;
  Changed(this);
}

TGIFFrame* TGIFImage::ActiveFrame() const {
  if (active_ < 0 || active_ >= FrameCount()) return nullptr;
  return frames_[active_].get();
}

void TGIFImage::SetScreenColor(TColor Value) {
  if (Value == screen_color_) return;
  screen_color_ = Value;
  Changed(this);
}

void TGIFImage::SetLoopEnabled(bool Value) {
  if (Value == loop_enabled_) return;
  loop_enabled_ = Value;
  Changed(this);
}

void TGIFImage::SetLoopCount(uint16_t Value) {
  Value = std::min<uint16_t>(Value, 30000);
  if (Value == loop_count_) return;
  loop_count_ = Value;
  Changed(this);
}

void TGIFImage::RecomputeScreenSize() {
  int64_t w = 0, h = 0;
  for (const auto& f : frames_) {
    int fw = f->bitmap_ && !f->bitmap_->Empty() ? f->bitmap_->Width() : f->item_->Width;
    int fh = f->bitmap_ && !f->bitmap_->Empty() ? f->bitmap_->Height() : f->item_->Height;
    w = std::max<int64_t>(w, int64_t(f->origin_.X) + fw);
    h = std::max<int64_t>(h, int64_t(f->origin_.Y) + fh);
  }
  screen_width_ = static_cast<uint16_t>(std::clamp<int64_t>(w, 0, 65535));
  screen_height_ = static_cast<uint16_t>(std::clamp<int64_t>(h, 0, 65535));
}

void TGIFImage::CoderProgress(TProgressStage Stage, uint8_t Percent, const std::string& Msg) {
  Progress(this, Stage, Percent, false, TRect{}, Msg);
}

void TGIFImage::EncodeFrames(bool Rebuild) {
  for (auto& f : frames_) {
    if (f->HasEncodedData()) continue;
    f->Encode();
    if (Rebuild && f->bitmap_ && f->bitmap_->BitsPerPixel() > 8) f->RebuildBitmap();
  }
  for (auto& f : frames_) f->UpdateExtensions();
}

void TGIFImage::EncodePendingFrames() { EncodeFrames(true); }

std::vector<uint8_t> TGIFImage::BuildFile() {
  PrepareWrite();
  std::vector<uint8_t> out;
  size_t estimate = 1024;
  for (const auto& f : frames_) estimate += f->item_->ImageData.size() + 800;
  out.reserve(estimate);
  WriteFile([&out](const uint8_t* Bytes, size_t Count) { out.insert(out.end(), Bytes, Bytes + Count); });
  return out;
}

void TGIFImage::PrepareWrite() {
  if (frames_.empty()) GIFError("No GIF Data to write");
  EncodeFrames(false);
  if (!data_->Comment.empty()) version_ = 2;
  if (version_ == 0) version_ = 1;
}

// The file in pieces: the header and each frame's blocks are put together in a small buffer,
// the coded pictures are handed on as they are kept.
void TGIFImage::WriteFile(const std::function<void(const uint8_t*, size_t)>& Put) {
  std::vector<uint8_t> out;
  auto flush = [&out, &Put] {
    if (!out.empty()) Put(out.data(), out.size());
    out.clear();
  };
  const char* header = version_ == 1 ? "GIF87a" : "GIF89a";
  for (int i = 0; i < 6; ++i) out.push_back(static_cast<uint8_t>(header[i]));

  RecomputeScreenSize();
  AppendLE16(out, screen_width_);
  AppendLE16(out, screen_height_);
  const TGIFColorTable& global = data_->ColorTable;
  uint8_t packed = 0, background = 0;
  if (global.Count > 0) {
    int c = 0;
    switch (global.Count) {
      case 2: c = 1; break;
      case 4: c = 2; break;
      case 8: c = 3; break;
      case 16: c = 4; break;
      case 32: c = 5; break;
      case 64: c = 6; break;
      case 128: c = 7; break;
      case 256: c = 8; break;
      default: GIFError("Wrong number of colors; must be a power of 2");
    }
    const int bpp = std::clamp<int>(data_->BitsPerPixel, 1, 8);
    packed = static_cast<uint8_t>(0x80 + (c - 1) * 16 + (bpp - 1));
    if (screen_color_ != clNone)
      background = static_cast<uint8_t>(std::max(FindColor(global, screen_color_), 0));
  }
  out.push_back(packed);
  out.push_back(background);
  out.push_back(data_->AspectRatio);
  for (int i = 0; i < global.Count; ++i) {
    out.push_back(global.Colors[i].Red);
    out.push_back(global.Colors[i].Green);
    out.push_back(global.Colors[i].Blue);
  }

  if (loop_enabled_ && frames_.size() > 1) {
    static const uint8_t loop[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S',  'C',
                                   'A',  'P',  'E',  '2', '.', '0', 0x03, 0x01};
    out.insert(out.end(), std::begin(loop), std::end(loop));
    AppendLE16(out, loop_count_);
    out.push_back(0);
  }

  for (const auto& f : frames_) {
    for (const auto& e : f->extensions_) {
      out.push_back(0x21);
      out.push_back(TExtension::Label(e->Kind));
      out.insert(out.end(), e->Fixed.begin(), e->Fixed.end());
      if (e->Kind != ekGraphicControl) PutLines(out, e->Lines);
    }
    const TGIFItem& item = *f->item_;
    out.push_back(0x2C);
    AppendLE16(out, static_cast<unsigned>(f->origin_.X));
    AppendLE16(out, static_cast<unsigned>(f->origin_.Y));
    AppendLE16(out, static_cast<unsigned>(item.Width));
    AppendLE16(out, static_cast<unsigned>(item.Height));
    uint8_t fpacked = 0;
    int n = 0;
    if (f->local_table_) {
      n = BitsForCount(item.ColorTable.Count);
      fpacked = static_cast<uint8_t>(0x80 + (n - 1));
    }
    if (f->interlace_) fpacked |= 0x40;
    out.push_back(fpacked);
    if (f->local_table_) {
      // The table always has the 2^n entries the packed byte declares.
      const int count = std::clamp(item.ColorTable.Count, 0, 256);
      for (int i = 0; i < (1 << n); ++i) {
        TGIFColor c = i < count ? item.ColorTable.Colors[i] : TGIFColor{};
        out.push_back(c.Red);
        out.push_back(c.Green);
        out.push_back(c.Blue);
      }
    }
    flush();
    if (!item.ImageData.empty()) Put(item.ImageData.data(), item.ImageData.size());
  }

  if (!data_->Comment.empty()) {
    out.push_back(0x21);
    out.push_back(0xFE);
    PutLines(out, data_->Comment);
  }
  out.push_back(0x3B);
  flush();
}

void TGIFImage::SaveToStream(TStream* Stream) {
  std::vector<uint8_t> bytes = BuildFile();
  Stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TGIFImage::SaveToFile(const std::string& FileName) {
  // Written beside the file and moved over it once complete: a failure leaves any existing file
  // as it was. The frames' coded data go to the file as they are, not into a second copy of the
  // whole file.
  PrepareWrite();
  TAtomicFileStream file(FileName);
  WriteFile([&file](const uint8_t* Bytes, size_t Count) {
    file.WriteBuffer(Bytes, static_cast<int64_t>(Count));
  });
  file.Commit();
}

void TGIFImage::LoadFromStream(TStream* Stream) {
  int64_t pos = Stream->Position();
  int64_t size = std::max<int64_t>(Stream->Size() - pos, 0);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (size > 0) Stream->ReadBuffer(bytes.data(), size);
  ReadGIF(bytes.data(), bytes.size(), true);
}

void TGIFImage::WriteData(TStream* Stream) {
  std::vector<uint8_t> bytes = BuildFile();
  Stream->WriteValue<uint32_t>(static_cast<uint32_t>(bytes.size()));
  Stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TGIFImage::ReadData(TStream* Stream) {
  uint32_t count = Stream->ReadValue<uint32_t>();
  int64_t left = Stream->Size() - Stream->Position();
  if (static_cast<int64_t>(count) > left) throw EReadError("Stream read error");
  std::vector<uint8_t> bytes(count);
  if (count) Stream->ReadBuffer(bytes.data(), count);
  ReadGIF(bytes.data(), bytes.size(), true);
}

void TGIFImage::SaveToClipboardFormat(TClipboardFormat Format, TClipboardData& Data) {
  if (frames_.empty()) GIFError("No GIF Data to write");
  frames_[0]->FrameBitmap()->SaveToClipboardFormat(
      Format == CF_GIF() ? TClipboardFormat(CF_BITMAP) : Format, Data);
  bool all_encoded = std::all_of(frames_.begin(), frames_.end(),
                                 [](const auto& f) { return f->HasEncodedData(); });
  if (!all_encoded) return;
  std::vector<uint8_t> bytes = BuildFile();
  std::vector<uint8_t> block(4);
  uint32_t n = static_cast<uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) block[i] = static_cast<uint8_t>(n >> (8 * i));
  block.insert(block.end(), bytes.begin(), bytes.end());
  Data[CF_GIF()] = std::move(block);
}

void TGIFImage::LoadFromClipboardFormat(TClipboardFormat Format, const TClipboardData& Data) {
  auto gif = Data.find(CF_GIF());
  if (gif != Data.end()) {
    const std::vector<uint8_t>& block = gif->second;
    if (block.size() < 4) throw EReadError("Stream read error");
    uint32_t count = GetLE32(block.data());
    if (count > block.size() - 4) throw EReadError("Stream read error");
    ReadGIF(block.data() + 4, count, false);
    if (!frames_.empty()) {
      active_ = 0;
      for (TClipboardFormat f : {CF_DIB, CF_BITMAP}) {
        if (Data.count(f)) {
          auto b = std::make_unique<TBitmap>();
          b->LoadFromClipboardFormat(f, Data);
          frames_[0]->bitmap_ = std::move(b);
          break;
        }
      }
    }
    Changed(this);
    return;
  }
  TBitmap b;
  b.LoadFromClipboardFormat(Format == CF_GIF() ? TClipboardFormat(CF_BITMAP) : Format, Data);
  Assign(&b);
}

bool TGIFImage::Equals(TGraphic* Graphic) {
  auto* g = dynamic_cast<TGIFImage*>(Graphic);
  return g && g->data_ == data_;
}

void TGIFImage::Assign(TPersistent* Source) {
  if (Source == this) return;
  if (!Source) {
    Clear();
    Changed(this);
    return;
  }
  if (auto* g = dynamic_cast<TGIFImage*>(Source)) {
    std::vector<std::unique_ptr<TGIFFrame>> copies;
    for (const auto& f : g->frames_) {
      auto c = std::make_unique<TGIFFrame>(this);
      c->Assign(f.get());
      copies.push_back(std::move(c));
    }
    data_ = g->data_;
    version_ = g->version_;
    screen_color_ = g->screen_color_;
    loop_enabled_ = g->loop_enabled_;
    loop_count_ = g->loop_count_;
    frames_ = std::move(copies);
    screen_width_ = g->screen_width_;
    screen_height_ = g->screen_height_;
    active_ = g->active_;
    Changed(this);
    return;
  }
  if (auto* f = dynamic_cast<TGIFFrame*>(Source)) {
    auto copy = std::make_unique<TGIFFrame>(this);
    Clear();
    if (f->owner_) {
      const TGIFData& src = *f->owner_->data_;
      data_->AspectRatio = src.AspectRatio;
      data_->BitsPerPixel = src.BitsPerPixel;
      data_->ColorResBits = src.ColorResBits;
      data_->ColorTable = src.ColorTable;
    }
    frames_.push_back(std::move(copy));
    active_ = 0;
    frames_[0]->Assign(f);
    if (version_ == 0) version_ = 1;
    Changed(this);
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    Clear();
    AppendFrame(g);
    return;
  }
  TGraphic::Assign(Source);
}

void TGIFImage::AssignTo(TPersistent* Dest) {
  if (Empty()) {
    if (auto* b = dynamic_cast<TBitmap*>(Dest))
      b->SetSize(0, 0);
    else
      Dest->Assign(nullptr);
    return;
  }
  TGIFFrame* frame = active_ < 0 ? frames_[0].get() : ActiveFrame();
  if (!frame) frame = frames_[0].get();
  TBitmap* bitmap = frame->FrameBitmap();
  Dest->Assign(bitmap);
  if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
    if (frame->key_color_ != clNone) {
      TPalette pal = b->Palette();
      int i = pal.empty() ? -1 : NearestColorIndex(pal, frame->key_color_);
      b->SetTransparentColor(i >= 0 ? QuadToColor(pal[i]) : ColorToRGB(frame->key_color_));
      b->SetTransparent(true);
    }
  }
}

void TGIFImage::Draw(TCanvas* ACanvas, const TRect& R) {
  TGIFFrame* frame = ActiveFrame();
  if (!frame) return;
  TBitmap* bitmap = frame->FrameBitmap();
  if (bitmap->Empty()) return;
  if (frame->key_color_ != clNone && TGraphic::Transparent()) {
    StretchBitmapKeyed(ACanvas, R.Left, R.Top, R.Width(), R.Height(), bitmap, 0, 0, bitmap->Width(),
                       bitmap->Height(), frame->key_color_);
  } else {
    ACanvas->StretchDraw(R, bitmap);
  }
}

bool TGIFImage::Empty() const {
  if (frames_.empty()) return true;
  int i = std::max(active_, 0);
  if (i >= FrameCount()) return true;
  const TGIFFrame& f = *frames_[i];
  return !f.HasBitmap() && !f.HasEncodedData();
}

int TGIFImage::Width() const {
  TGIFFrame* f = ActiveFrame();
  if (!f || Empty()) return 0;
  return f->HasBitmap() ? f->bitmap_->Width() : f->item_->Width;
}

int TGIFImage::Height() const {
  TGIFFrame* f = ActiveFrame();
  if (!f || Empty()) return 0;
  return f->HasBitmap() ? f->bitmap_->Height() : f->item_->Height;
}

void TGIFImage::SetWidth(int) { GIFError("Cannot change the Size of a GIF image"); }
void TGIFImage::SetHeight(int) { GIFError("Cannot change the Size of a GIF image"); }

bool TGIFImage::Transparent() const {
  if (!TGraphic::Transparent()) return false;
  return std::any_of(frames_.begin(), frames_.end(),
                     [](const auto& f) { return f->key_color_ != clNone; });
}

TPalette TGIFImage::Palette() const {
  TGIFFrame* f = ActiveFrame();
  if (!f || !f->bitmap_) return {};
  return f->bitmap_->Palette();
}

}  // namespace lumicast
