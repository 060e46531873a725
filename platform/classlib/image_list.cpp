#include "platform/classlib/image_list.h"

#include <algorithm>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/drawing_helpers.h"
#include "platform/classlib/exceptions.h"

namespace classlib {

namespace {

// Raster operation that leaves the destination as it is (the background
// half of a masked copy).
constexpr uint32_t DSTCOPY = 0x00AA0029;

void PutPixel32(TBitmap& B, int X, int Y, uint32_t Rgb) {
  uint8_t* p = B.ScanLine(Y) + 4 * X;
  p[0] = static_cast<uint8_t>(Rgb >> 16);
  p[1] = static_cast<uint8_t>(Rgb >> 8);
  p[2] = static_cast<uint8_t>(Rgb);
  p[3] = 0;
}

uint32_t Mix(uint32_t C, uint32_t B, int Quarters) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    uint32_t c = (C >> shift) & 0xFF, b = (B >> shift) & 0xFF;
    uint32_t v =
        (c * static_cast<uint32_t>(4 - Quarters) + b * static_cast<uint32_t>(Quarters)) / 4;
    out |= v << shift;
  }
  return out;
}

// A monochrome bitmap with white (bit 1) where Opaque says so, for MaskBlt.
void MakeMaskBitmap(TBitmap& M, int W, int H, const std::vector<uint8_t>& Transparent,
                    bool UseMask) {
  M.SetMonochrome(true);
  M.SetSize(W, H);
  for (int y = 0; y < H; ++y) {
    uint8_t* row = M.ScanLine(y);
    std::fill(row, row + M.RowBytes(), 0);
    for (int x = 0; x < W; ++x)
      if (!UseMask || Transparent[static_cast<size_t>(y) * W + x] == 0)
        row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
  }
}

}  // namespace

// ============================================================ TChangeLink

TChangeLink::~TChangeLink() {
  if (sender_ != nullptr) sender_->UnRegisterChanges(this);
}

// ============================================================= TImageList

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

TImageList::TImageList(TComponent* AOwner, int AWidth, int AHeight) : TComponent(AOwner) {
  SetSize(AWidth, AHeight);
}

TImageList::~TImageList() {
  for (TChangeLink* link : links_) link->sender_ = nullptr;
}

void TImageList::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(1, AWidth);
  AHeight = std::max(1, AHeight);
  if (AWidth > MaxBitmapDimension || AHeight > MaxBitmapDimension)
    throw EInvalidOperation("Invalid image size");
  if (AWidth == width_ && AHeight == height_) return;
  width_ = AWidth;
  height_ = AHeight;
  images_.clear();
  Change();
}

void TImageList::SetMasked(bool Value) {
  if (Value == masked_) return;
  masked_ = Value;
  Change();
}

void TImageList::SetBkColor(TColor Value) {
  if (Value == bk_color_) return;
  bk_color_ = Value;
  Change();
}

void TImageList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

TImageList::Image TImageList::Cut(TBitmap* Source, int Left, TBitmap* Mask, bool KeyMode,
                                  TColor Key) const {
  Image img;
  size_t n = static_cast<size_t>(width_) * static_cast<size_t>(height_);
  img.pixels.assign(n, 0);
  img.mask.assign(n, 0);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      size_t i = static_cast<size_t>(y) * width_ + x;
      TColor c = Source->PixelColor(Left + x, y);
      uint32_t rgb = c < 0 ? 0u : static_cast<uint32_t>(c) & 0xFFFFFF;
      bool clear = false;
      if (KeyMode) {
        clear = c >= 0 && rgb == static_cast<uint32_t>(Key);
      } else if (Mask != nullptr) {
        TColor m = Mask->PixelColor(Left + x, y);
        clear = m >= 0 && (static_cast<uint32_t>(m) & 0xFFFFFF) == 0xFFFFFF;
      }
      img.pixels[i] = clear && KeyMode ? 0u : rgb;
      img.mask[i] = clear ? 1 : 0;
    }
  }
  return img;
}

int TImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (Image == nullptr || Image->Empty()) return -1;
  int pieces = std::max(1, Image->Width() / width_);
  int first = Count();
  for (int k = 0; k < pieces; ++k) images_.push_back(Cut(Image, k * width_, Mask, false, 0));
  Change();
  return first;
}

int TImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (Image == nullptr || Image->Empty()) return -1;
  TColor key =
      MaskColor == clDefault ? Image->PixelColor(0, Image->Height() - 1) : ColorToRGB(MaskColor);
  key &= 0xFFFFFF;
  int pieces = std::max(1, Image->Width() / width_);
  int first = Count();
  for (int k = 0; k < pieces; ++k) images_.push_back(Cut(Image, k * width_, nullptr, true, key));
  Change();
  return first;
}

void TImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index);
  if (Image == nullptr || Image->Empty()) return;
  images_[static_cast<size_t>(Index)] = Cut(Image, 0, Mask, false, 0);
  Change();
}

void TImageList::Delete(int Index) {
  CheckIndex(Index);
  images_.erase(images_.begin() + Index);
  Change();
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Change();
}

void TImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  if (Canvas == nullptr || Index < 0 || Index >= Count()) return;
  const Image& img = images_[static_cast<size_t>(Index)];
  const int w = width_, h = height_;
  TBitmap mono;
  MakeMaskBitmap(mono, w, h, img.mask, masked_);
  TBitmap src;
  src.SetPixelFormat(pf32bit);
  src.SetSize(w, h);

  if (!Enabled) {
    // The shape alone: highlight copy one pixel right and down, then shadow.
    std::vector<uint8_t> shape(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < shape.size(); ++i) shape[i] = !masked_ || img.mask[i] == 0;
    DrawEmbossedMask(Canvas, X, Y, shape.data(), w, h, clBtnShadow, clBtnHighlight, true);
    return;
  }

  int quarters = drawing_style_ == dsFocus ? 1 : drawing_style_ == dsSelected ? 2 : 0;
  uint32_t blend =
      static_cast<uint32_t>(ColorToRGB(blend_color_ == clNone ? clHighlight : blend_color_)) &
      0xFFFFFF;
  bool fill_bk = !masked_ || bk_color_ != clNone;
  uint32_t bk = bk_color_ == clNone ? 0u : static_cast<uint32_t>(ColorToRGB(bk_color_)) & 0xFFFFFF;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      size_t i = static_cast<size_t>(y) * w + x;
      uint32_t c = img.pixels[i];
      if (masked_ && img.mask[i] != 0) {
        c = bk;  // only shown when a background colour is set
      } else if (quarters != 0) {
        c = Mix(c, blend, quarters);
      }
      PutPixel32(src, x, y, c);
    }
  }
  if (fill_bk)
    BitBlt(Canvas, X, Y, w, h, src.Canvas(), 0, 0, SRCCOPY);
  else
    MaskBlt(Canvas, X, Y, w, h, src.Canvas(), 0, 0, &mono, 0, 0, MAKEROP4(SRCCOPY, DSTCOPY));
}

bool TImageList::GetBitmap(int Index, TBitmap* Image) const {
  if (Image == nullptr || Index < 0 || Index >= Count()) return false;
  const auto& img = images_[static_cast<size_t>(Index)];
  Image->SetPixelFormat(pf32bit);
  Image->SetSize(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      PutPixel32(*Image, x, y, img.pixels[static_cast<size_t>(y) * width_ + x]);
  Image->Changed(Image);
  return true;
}

bool TImageList::GetMask(int Index, TBitmap* Mask) const {
  if (Mask == nullptr || Index < 0 || Index >= Count()) return false;
  const auto& img = images_[static_cast<size_t>(Index)];
  // MakeMaskBitmap sets opaque pixels; the mask shows transparent ones white.
  std::vector<uint8_t> inverted(img.mask.size());
  for (size_t i = 0; i < inverted.size(); ++i) inverted[i] = img.mask[i] != 0 ? 0 : 1;
  MakeMaskBitmap(*Mask, width_, height_, inverted, true);
  Mask->Changed(Mask);
  return true;
}

bool TImageList::IsTransparent(int Index, int X, int Y) const {
  if (Index < 0 || Index >= Count() || X < 0 || Y < 0 || X >= width_ || Y >= height_) return false;
  return images_[static_cast<size_t>(Index)].mask[static_cast<size_t>(Y) * width_ + X] != 0;
}

void TImageList::RegisterChanges(TChangeLink* Link) {
  if (Link == nullptr || Link->sender_ == this) return;
  if (Link->sender_ != nullptr) Link->sender_->UnRegisterChanges(Link);
  Link->sender_ = this;
  links_.push_back(Link);
}

void TImageList::UnRegisterChanges(TChangeLink* Link) {
  if (Link == nullptr) return;
  auto it = std::find(links_.begin(), links_.end(), Link);
  if (it == links_.end()) return;
  links_.erase(it);
  Link->sender_ = nullptr;
}

void TImageList::BeginUpdate() { ++update_count_; }

void TImageList::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0 && changed_while_updating_) {
    changed_while_updating_ = false;
    Change();
  }
}

void TImageList::Change() {
  if (update_count_ > 0) {
    changed_while_updating_ = true;
    return;
  }
  if (OnChange) OnChange(this);
  // A handler may unregister links (or itself free them): walk a copy and
  // skip links that left meanwhile.
  std::vector<TChangeLink*> copy = links_;
  for (TChangeLink* link : copy)
    if (std::find(links_.begin(), links_.end(), link) != links_.end() && link->OnChange)
      link->OnChange(this);
}

}  // namespace classlib
