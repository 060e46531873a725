// TImageList: a list of equal-size images, each with a mask that says which
// of its pixels are transparent. Controls draw list images by index (menu
// ticks, tree item images, button glyph states); a strip bitmap added at once
// is cut into as many images as it holds side by side.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/colors.h"
#include "platform/classlib/component.h"
#include "platform/classlib/object.h"

namespace classlib {

class TBitmap;
class TCanvas;
class TImageList;

// How Draw renders an image: as it is, or blended with BlendColor (a quarter
// for the focus look, half for the selected look).
enum TDrawingStyle : uint8_t { dsFocus, dsSelected, dsNormal, dsTransparent };

// A registration for an image list's change notifications: OnChange runs
// whenever the list's images or size change. Unregisters itself when freed;
// Sender becomes null when the list goes first.
class TChangeLink {
 public:
  TChangeLink() = default;
  ~TChangeLink();
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  TImageList* Sender() const { return sender_; }
  TNotifyEvent OnChange;

 private:
  friend class TImageList;
  TImageList* sender_ = nullptr;
};

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* AOwner = nullptr);
  TImageList(TComponent* AOwner, int AWidth, int AHeight);
  ~TImageList() override;
  std::string ClassName() const override { return "TImageList"; }

  // Image size (16 x 16 by default). Changing it empties the list. Values
  // below 1 are stored as 1; EInvalidOperation above the bitmap limit.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int Value) { SetSize(Value, height_); }
  void SetHeight(int Value) { SetSize(width_, Value); }
  void SetSize(int AWidth, int AHeight);
  int Count() const { return static_cast<int>(images_.size()); }

  // Whether Draw leaves masked pixels out (true by default); false draws
  // every image as an opaque block.
  bool Masked() const { return masked_; }
  void SetMasked(bool Value);
  // Colour drawn under masked pixels; clNone (default) leaves the canvas
  // showing through them.
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor Value);
  // Colour of the focus and selected looks (default: the highlight colour).
  TColor BlendColor() const { return blend_color_; }
  void SetBlendColor(TColor Value) { blend_color_ = Value; }
  TDrawingStyle DrawingStyle() const { return drawing_style_; }
  void SetDrawingStyle(TDrawingStyle Value) { drawing_style_ = Value; }

  // Adds Image (cut into Image->Width() div Width() images, at least one)
  // with Mask, a bitmap whose white pixels mark transparent ones (null: all
  // opaque). Pixels outside Image read as black, outside Mask as opaque.
  // Returns the index of the first image added, -1 for an empty Image.
  int Add(TBitmap* Image, TBitmap* Mask);
  // Adds Image with every pixel of MaskColor transparent (clDefault: the
  // colour of Image's bottom-left pixel); those pixels are stored black.
  int AddMasked(TBitmap* Image, TColor MaskColor);
  // Replaces image Index (EListError "List index out of bounds (<i>)"
  // outside 0..Count-1) with the first image of Image and Mask.
  void Replace(int Index, TBitmap* Image, TBitmap* Mask);
  void Delete(int Index);  // EListError outside 0..Count-1
  void Clear();

  // Draws image Index at (X, Y) in the drawing style; a disabled image is
  // drawn as its shape in the button-shadow colour, raised by a button-
  // highlight copy one pixel right and down. An index outside the list
  // draws nothing.
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  // Sets Image to a Width x Height 32-bit bitmap holding image Index's
  // pixels as stored (transparent pixels of AddMasked images are black).
  // False (Image untouched) for an index outside the list.
  bool GetBitmap(int Index, TBitmap* Image) const;
  // Sets Mask to a monochrome bitmap of image Index's mask, white where the
  // image is transparent. False for an index outside the list.
  bool GetMask(int Index, TBitmap* Mask) const;
  // True when pixel (X, Y) of image Index is transparent (false outside).
  bool IsTransparent(int Index, int X, int Y) const;

  TNotifyEvent OnChange;
  void RegisterChanges(TChangeLink* Link);
  void UnRegisterChanges(TChangeLink* Link);
  // Holds change notifications back until the matching EndUpdate, which
  // sends one when anything changed in between.
  void BeginUpdate();
  void EndUpdate();

 protected:
  virtual void Change();

 private:
  struct Image {
    std::vector<uint32_t> pixels;  // TColor RGB values, row by row from the top
    std::vector<uint8_t> mask;     // 1 where the pixel is transparent
  };
  Image Cut(TBitmap* Source, int Left, TBitmap* Mask, bool KeyMode, TColor Key) const;
  void CheckIndex(int Index) const;

  int width_ = 16;
  int height_ = 16;
  bool masked_ = true;
  TColor bk_color_ = clNone;
  TColor blend_color_ = clNone;
  TDrawingStyle drawing_style_ = dsNormal;
  std::vector<Image> images_;
  std::vector<TChangeLink*> links_;
  int update_count_ = 0;
  bool changed_while_updating_ = false;
};

}  // namespace classlib
