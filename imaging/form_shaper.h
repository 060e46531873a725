// TDIBFormShaper: gives a window the outline of a picture. Every pixel that
// differs from the key colour belongs to the window; key pixels are cut away.
#pragma once

#include <memory>
#include <string>

#include "imaging/dib.h"
#include "imaging/dib_image_list.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/component.h"

namespace classlib {
class TWinControl;
}

namespace lumicast {

class TDIBFormShaper : public classlib::TComponent {
 public:
  explicit TDIBFormShaper(classlib::TComponent* AOwner);
  ~TDIBFormShaper() override;
  std::string ClassName() const override { return "TDIBFormShaper"; }

  bool Active() const { return active_; }
  void SetActive(bool Value);
  classlib::TBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(classlib::TBitmap* Value);  // copies
  bool ClientAreaOnly() const { return client_area_only_; }
  void SetClientAreaOnly(bool Value);
  // The control set, else the owner when it is windowed, else the first form
  // up the owner chain.
  classlib::TWinControl* ControlToShape() const;
  void SetControlToShape(classlib::TWinControl* Value);
  TCustomDIBImageList* DIBImageList() const { return link_.DIBImageList(); }
  void SetDIBImageList(TCustomDIBImageList* Value) { link_.SetDIBImageList(Value); }
  TDIBImageLink* IndexShape() { return &link_; }
  int32_t OffsetX() const { return offset_x_; }
  int32_t OffsetY() const { return offset_y_; }
  void SetOffsetX(int32_t Value);
  void SetOffsetY(int32_t Value);
  classlib::TColor TransparentColor() const { return transparent_color_; }
  void SetTransparentColor(classlib::TColor Value);
  classlib::TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(classlib::TTransparentMode Value);

  // The region the shaper would give its control now (false: none).
  bool BuildRegion(classlib::TRegion& Region);

 protected:
  void Notification(classlib::TComponent* AComponent, classlib::TOperation Operation) override;
  void Loaded() override;

 private:
  void Apply();
  void Reapply() {
    if (active_) Apply();
  }
  void Watch(classlib::TWinControl* Control);

  bool active_ = false;
  std::unique_ptr<classlib::TBitmap> bitmap_;
  bool client_area_only_ = false;
  classlib::TWinControl* control_ = nullptr;
  classlib::TWinControl* watched_ = nullptr;
  TDIBImageLink link_;
  int32_t offset_x_ = 0;
  int32_t offset_y_ = 0;
  classlib::TColor transparent_color_ = classlib::clYellow;
  classlib::TTransparentMode transparent_mode_ = classlib::tmAuto;
};

}  // namespace lumicast
