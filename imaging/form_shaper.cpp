#include "imaging/form_shaper.h"

#include <climits>
#include <cstring>

#include "platform/classlib/form.h"
#include "platform/classlib/window_region.h"

using namespace classlib;

namespace lumicast {

TDIBFormShaper::TDIBFormShaper(TComponent* AOwner)
    : TComponent(AOwner), bitmap_(std::make_unique<TBitmap>()), link_(this) {
  bitmap_->OnChange = [this](TObject*) { Reapply(); };
  link_.OnChange = [this](TDIBImageLink*) { Reapply(); };
}

TDIBFormShaper::~TDIBFormShaper() {
  link_.OnChange = nullptr;
  bitmap_->OnChange = nullptr;
}

TWinControl* TDIBFormShaper::ControlToShape() const {
  if (control_ != nullptr) return control_;
  if (auto* w = dynamic_cast<TWinControl*>(Owner())) return w;
  for (TComponent* c = Owner(); c != nullptr; c = c->Owner())
    if (auto* f = dynamic_cast<TForm*>(c)) return f;
  return nullptr;
}

void TDIBFormShaper::Watch(TWinControl* Control) {
  if (watched_ == Control) return;
  if (watched_ != nullptr) watched_->RemoveFreeNotification(this);
  watched_ = Control;
  if (watched_ != nullptr) watched_->FreeNotification(this);
}

void TDIBFormShaper::SetControlToShape(TWinControl* Value) {
  if (control_ == Value) return;
  if (active_ && !IsLoading()) SetActive(false);
  control_ = Value;
  if (dynamic_cast<TForm*>(ControlToShape()) == nullptr) client_area_only_ = false;
  Watch(ControlToShape());
}

void TDIBFormShaper::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove || IsDestroying()) return;
  if (AComponent == watched_) {
    watched_ = nullptr;
    if (AComponent == control_) control_ = nullptr;
    active_ = false;
  }
}

void TDIBFormShaper::Loaded() {
  TComponent::Loaded();
  Reapply();
}

void TDIBFormShaper::SetActive(bool Value) {
  if (Value) {
    Apply();
    return;
  }
  TWinControl* c = ControlToShape();
  if (c == nullptr) return;
  SetWindowRgn(c, nullptr, true);
  active_ = false;
}

void TDIBFormShaper::SetBitmap(TBitmap* Value) {
  if (Value == nullptr) {
    TBitmap empty;
    bitmap_->Assign(&empty);
  } else {
    bitmap_->Assign(Value);
  }
  Reapply();
}

void TDIBFormShaper::SetClientAreaOnly(bool Value) {
  if (dynamic_cast<TForm*>(ControlToShape()) == nullptr) return;
  client_area_only_ = Value;
  Reapply();
}

void TDIBFormShaper::SetOffsetX(int32_t Value) {
  offset_x_ = Value;
  Reapply();
}

void TDIBFormShaper::SetOffsetY(int32_t Value) {
  offset_y_ = Value;
  Reapply();
}

void TDIBFormShaper::SetTransparentColor(TColor Value) {
  if (transparent_color_ == Value) return;
  transparent_color_ = Value;
  Reapply();
}

void TDIBFormShaper::SetTransparentMode(TTransparentMode Value) {
  if (transparent_mode_ == Value) return;
  transparent_mode_ = Value;
  Reapply();
}

bool TDIBFormShaper::BuildRegion(TRegion& Region) {
  Region = TRegion();
  TMemoryDIB* linked = nullptr;
  const bool have_link = link_.GetImage(linked);
  std::vector<TRect> rects;
  if (have_link) {
    TColor key;
    if (transparent_mode_ == tmAuto) {
      const uint32_t p = linked->Pixel(0, linked->Height() - 1);
      key = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    } else {
      key = linked->Transparent() ? linked->TransparentColor() : transparent_color_;
    }
    rects = linked->RegionRects(key);
  } else {
    if (bitmap_->Empty()) return false;
    const TColor key = transparent_mode_ == tmFixed ? transparent_color_
                                                    : bitmap_->PixelColor(0, bitmap_->Height() - 1);
    TBitmap copy;
    copy.Assign(bitmap_.get());
    copy.SetPixelFormat(pf32bit);
    TWinDIB dib(copy.Width(), copy.Height());
    std::memcpy(dib.PixelData(), copy.Bits(),
                static_cast<size_t>(copy.Width()) * copy.Height() * 4);
    rects = dib.RegionRects(key);
  }
  int64_t dx = offset_x_, dy = offset_y_;
  TForm* form = dynamic_cast<TForm*>(ControlToShape());
  if (form != nullptr && client_area_only_ && form->BorderStyle() != bsNone) {
    const int64_t bx = (static_cast<int64_t>(form->Width()) - form->ClientWidth()) / 2;
    dx += bx;
    dy += static_cast<int64_t>(form->Height()) - form->ClientHeight() - bx;
  }
  // Offsets are added in 64 bits; a rectangle that would leave the int range is dropped.
  std::vector<TRect> moved;
  moved.reserve(rects.size());
  for (const TRect& r : rects) {
    const int64_t l = r.Left + dx, t = r.Top + dy, rr = r.Right + dx, b = r.Bottom + dy;
    if (l < INT_MIN || t < INT_MIN || rr > INT_MAX || b > INT_MAX) continue;
    moved.push_back(
        Rect(static_cast<int>(l), static_cast<int>(t), static_cast<int>(rr), static_cast<int>(b)));
  }
  if (moved.empty()) return false;
  Region = TRegion(moved);
  return true;
}

void TDIBFormShaper::Apply() {
  active_ = true;
  if (IsLoading()) return;
  TMemoryDIB* linked = nullptr;
  if (bitmap_->Empty() && !link_.GetImage(linked)) return;
  TWinControl* c = ControlToShape();
  if (c == nullptr) return;
  Watch(c);
  TRegion region;
  if (BuildRegion(region))
    SetWindowRgn(c, &region, true);
  else
    SetWindowRgn(c, nullptr, true);  // all key: the window stays unshaped
}

}  // namespace lumicast
