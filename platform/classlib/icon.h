// TIcon: an icon file (".ico") as a graphic. The file's bytes are kept as
// they are and written back unchanged; the first image is decoded for
// drawing, its AND mask (or alpha) making pixels transparent.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/classlib/graphic.h"

namespace classlib {

class TBitmap;

// The clipboard format of icons, registered under the name "Icon".
TClipboardFormat CF_ICON();

class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;
  std::string ClassName() const override { return "TIcon"; }

  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  bool Empty() const override { return data_.empty(); }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // An icon's size comes from its file: EInvalidGraphicOperation
  // "Cannot change the size of an icon".
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  bool Transparent() const override { return true; }
  // EInvalidGraphic "Icon image is not valid" for a malformed file.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void Assign(TPersistent* Source) override;
  // The clipboard holds an icon as its file bytes under the "Icon" format.
  void SaveToClipboardFormat(TClipboardFormat Format, TClipboardData& Data) override;
  void LoadFromClipboardFormat(TClipboardFormat Format, const TClipboardData& Data) override;
  // Loads the icon file registered as the named resource ResName. Only the
  // program's own module (Instance 0) has resources: any other Instance, or
  // an unknown name, raises EResNotFound.
  void LoadFromResourceName(uintptr_t Instance, const std::string& ResName);

  int ImageCount() const { return static_cast<int>(entries_.size()); }
  // The first image's colours (32 bits) and its mask (1 bit: set = transparent).
  TBitmap* ImageBitmap();
  TBitmap* MaskBitmap();

 private:
  struct Entry {
    int Width, Height;
    uint32_t Offset, Size;
  };
  void Decode();
  std::vector<uint8_t> data_;
  std::vector<Entry> entries_;
  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<TBitmap> image_;
  std::unique_ptr<TBitmap> mask_;
};

}  // namespace classlib
