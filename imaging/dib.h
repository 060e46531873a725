// 32-bit device-independent images (B, G, R, A bytes; rows bottom-up, row y of
// the picture at (Height - y - 1) * Width) that draw onto each other through a
// per-pixel mask, a whole-image opacity or a key colour, rotate and scale, and
// stream as the binary property "Data". TWinDIB keeps its pixels in a 32-bit
// class-library bitmap (with a canvas); TMemoryDIB in plain memory, or in
// another image's memory as a view.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/region.h"
#include "platform/classlib/stream.h"

namespace lumicast {

class EDIBError : public classlib::Exception {
 public:
  using Exception::Exception;
};
class EDIBCompressError : public EDIBError {
 public:
  using EDIBError::EDIBError;
};

// round(256 * sin) and round(256 * cos) of every whole angle 0..359.
int DIBSin256(int Degrees);
int DIBCos256(int Degrees);

// A 3x3 weighted filter: weights row by row, a bias added and a divisor.
struct TDIBFilter {
  std::array<int16_t, 9> Weights{};
  int Bias = 0;
  int Divisor = 1;
};

// How Draw combines pixels (chosen from the settings).
enum class TDIBDrawMode { Copy, Blend, Masked, MaskedBlend, Transparent, TransparentBlend };

class TAbstractSuperDIB : public classlib::TPersistent {
 public:
  TAbstractSuperDIB();
  ~TAbstractSuperDIB() override;
  std::string ClassName() const override { return "TAbstractSuperDIB"; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  // 0 counts as 1; keeps the clip covering the whole image when it did.
  void SetWidth(int Value) { SetSize(Value, height_); }
  void SetHeight(int Value) { SetSize(width_, Value); }
  void SetSize(int W, int H);
  bool Empty() const { return PixelData() == nullptr; }

  // The pixel memory (Width * Height values, bottom row first); nullptr when empty.
  virtual uint32_t* PixelData() const = 0;
  // Pixel (X, Y), Y = 0 the top row. No range check.
  uint32_t& Pixel(int X, int Y) const {
    return PixelData()[static_cast<size_t>(height_ - Y - 1) * width_ + X];
  }

  int Angle() const { return angle_; }
  void SetAngle(int Value);  // reduced into 0..359
  bool AutoSize = false;
  bool Masked() const { return masked_; }
  void SetMasked(bool Value);  // true clears Transparent
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);  // true clears Masked
  uint8_t Opacity() const { return opacity_; }
  void SetOpacity(int Value);
  int Scale() const { return scale_x_; }
  void SetScale(int Value);  // both; below 1 counts as 1
  int ScaleX() const { return scale_x_; }
  int ScaleY() const { return scale_y_; }
  void SetScaleX(int Value);
  void SetScaleY(int Value);
  classlib::TColor TransparentColor() const { return transparent_color_; }
  void SetTransparentColor(classlib::TColor Value);
  classlib::TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(classlib::TTransparentMode Value);
  // The key as a pixel value (low 24 bits): the first pixel in memory in
  // tmAuto, TransparentColor in tmFixed.
  uint32_t KeyPixel() const;
  TDIBDrawMode DrawMode() const;

  classlib::TRect ClipRect() const { return clip_; }
  void SetClipRect(const classlib::TRect& R);

  void Fill(classlib::TColor Color);
  void FillRect(const classlib::TRect& R, classlib::TColor Color);  // clipped to the image
  void SetAlpha(uint8_t Value);

  // Draws this image into Dest with its top-left corner at (X, Y), through the
  // current mode; rotated and scaled first when Angle or a scale asks for it.
  void Draw(TAbstractSuperDIB& Dest, int X, int Y);
  void DrawRect(TAbstractSuperDIB& Dest, int X, int Y, const classlib::TRect& Source);
  // Plain copies whatever the settings.
  void DrawCopy(TAbstractSuperDIB& Dest, int X, int Y);
  // Copies only the alpha bytes; AsGrey spreads each into a grey pixel instead.
  void DrawAlpha(TAbstractSuperDIB& Dest, int X, int Y, bool AsGrey);
  void ApplyFilter(const TDIBFilter& Filter);

  // The mask from a picture file, stretched to the image: its first byte per
  // pixel becomes the alpha byte, and the image becomes masked.
  void ImportMask(const std::string& FileName);
  // The image takes the picture's size and content; a 32-bit bitmap makes it
  // masked, any other sets every alpha byte to 255.
  void ImportPicture(const std::string& FileName);
  // There is no palette device here: always raises.
  void Render8Bit();

  void Assign(classlib::TPersistent* Source) override;
  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  classlib::TNotifyEvent OnChange;
  void Changed();

  // The binary property "Data".
  void WriteData(classlib::TStream* Stream);
  void ReadData(classlib::TStream* Stream);

  // All pixels whose low 24 bits differ from Key's RGB; false (no region)
  // when every pixel has the key colour.
  bool MakeRegion(classlib::TColor Key, classlib::TRegion& Region) const;
  // The runs MakeRegion unites, row by row from the top.
  std::vector<classlib::TRect> RegionRects(classlib::TColor Key) const;

 protected:
  // Resizes the pixel memory (contents need not survive).
  virtual void Allocate(int W, int H) = 0;
  void AssignTo(classlib::TPersistent* Dest) override;
  void CopySettings(const TAbstractSuperDIB& From);

  int width_ = 0;
  int height_ = 0;

 private:
  void DrawRows(TAbstractSuperDIB& Dest, int X, int Y, classlib::TRect Source,
                TDIBDrawMode Mode) const;
  void DrawTransformed(TAbstractSuperDIB& Dest, int X, int Y, const classlib::TRect& Source);

  int angle_ = 0;
  bool masked_ = false;
  bool transparent_ = false;
  uint8_t opacity_ = 255;
  int scale_x_ = 100;
  int scale_y_ = 100;
  classlib::TColor transparent_color_ = classlib::clBlack;
  classlib::TTransparentMode transparent_mode_ = classlib::tmAuto;
  classlib::TRect clip_{};
  int update_count_ = 0;
};

class TCustomWinDIB : public TAbstractSuperDIB {
 public:
  TCustomWinDIB();
  TCustomWinDIB(int W, int H);
  std::string ClassName() const override { return "TCustomWinDIB"; }
  uint32_t* PixelData() const override;
  classlib::TCanvas* Canvas() { return bitmap_.Canvas(); }
  // The bitmap holding the pixels (pf32bit, bottom-up rows as in memory).
  classlib::TBitmap* Bitmap() { return &bitmap_; }

 protected:
  void Allocate(int W, int H) override;

 private:
  classlib::TBitmap bitmap_;
};

class TWinDIB : public TCustomWinDIB {
 public:
  using TCustomWinDIB::TCustomWinDIB;
  std::string ClassName() const override { return "TWinDIB"; }
};

class TCustomMemoryDIB : public TAbstractSuperDIB {
 public:
  TCustomMemoryDIB();
  TCustomMemoryDIB(int W, int H);
  std::string ClassName() const override { return "TCustomMemoryDIB"; }
  uint32_t* PixelData() const override;
  // Becomes a view of Other: its settings and its pixel memory, not owned.
  void ViewOf(TAbstractSuperDIB& Other);
  bool IsView() const { return view_ != nullptr; }

  std::string ImageFilename;
  std::string MaskFilename;

 protected:
  void Allocate(int W, int H) override;

 private:
  mutable std::vector<uint32_t> pixels_;
  uint32_t* view_ = nullptr;
};

class TMemoryDIB : public TCustomMemoryDIB {
 public:
  using TCustomMemoryDIB::TCustomMemoryDIB;
  std::string ClassName() const override { return "TMemoryDIB"; }
};

// The compressor hook of "Data": Compress returns the compressed bytes (empty:
// store raw); Decompress returns false when it cannot.
struct TDIBCompressor {
  std::array<uint8_t, 16> ID{};
  std::function<std::vector<uint8_t>(const std::vector<uint8_t>& Raw)> Compress;
  std::function<bool(const std::array<uint8_t, 16>& ID, const uint8_t* Data, size_t Size,
                     size_t RawSize, std::vector<uint8_t>& Raw)>
      Decompress;
};
void RegisterDIBCompressor(const TDIBCompressor& Compressor);
void UnregisterDIBCompressors();

}  // namespace lumicast
