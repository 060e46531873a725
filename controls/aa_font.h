// The anti-aliased text engine: draws one line of text by rendering it at a
// multiple of its size into an 8-bit coverage mask, reducing the mask to real
// size, shaping it (outline, spray, mirror, blur) and blending it onto a
// canvas in the font colour or through a gradient, texture or noise bitmap,
// with an optional blurred drop shadow.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/ini_store.h"
#include "platform/classlib/picture.h"

namespace controls {

class EInvalidLine : public classlib::Exception {
 public:
  EInvalidLine() : Exception("Invalid line!") {}
};
class EInvalidForeBmp : public classlib::Exception {
 public:
  EInvalidForeBmp() : Exception("Invalid foreground bitmap!") {}
};

// A settings object that tells its owner when it changes.
class TNotifyClass : public classlib::TPersistent {
 public:
  std::function<void(classlib::TObject* Changed)> OnChange;
  classlib::TPersistent* Owner = nullptr;

 protected:
  virtual void Changed();
};

// Settings that count only while Enabled: changes notify only then, and a
// change of Enabled itself always does.
class TEnabledClass : public TNotifyClass {
 public:
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);

 protected:
  void Changed() override;

 private:
  bool enabled_ = false;
};

class TAAShadow : public TEnabledClass {
 public:
  std::string ClassName() const override { return "TAAShadow"; }
  int Blur() const { return blur_; }
  void SetBlur(int Value);  // 0..100
  int Alpha() const { return alpha_; }
  void SetAlpha(int Value);  // 0..100
  classlib::TColor Color() const { return color_; }
  void SetColor(classlib::TColor Value);
  int OffsetX() const { return offset_x_; }
  void SetOffsetX(int Value);  // -20..20
  int OffsetY() const { return offset_y_; }
  void SetOffsetY(int Value);
  void Assign(classlib::TPersistent* Source) override;

 private:
  int blur_ = 80;
  int alpha_ = 70;
  classlib::TColor color_ = 0x444444;
  int offset_x_ = 2;
  int offset_y_ = 2;
};

enum TGradualStyle : uint8_t {
  gsLeftToRight,
  gsRightToLeft,
  gsTopToBottom,
  gsBottomToTop,
  gsCenterToLR,
  gsCenterToTB
};

class TAAGradual : public TEnabledClass {
 public:
  std::string ClassName() const override { return "TAAGradual"; }
  TGradualStyle Style() const { return style_; }
  void SetStyle(TGradualStyle Value);
  classlib::TColor StartColor() const { return start_; }
  void SetStartColor(classlib::TColor Value);
  classlib::TColor EndColor() const { return end_; }
  void SetEndColor(classlib::TColor Value);
  void Assign(classlib::TPersistent* Source) override;

 private:
  TGradualStyle style_ = gsLeftToRight;
  classlib::TColor start_ = 0xFFFFFF;
  classlib::TColor end_ = 0;
};

enum TTextureMode : uint8_t { tmTiled, tmStretched, tmCenter, tmNormal };

class TAATexture : public TEnabledClass {
 public:
  TAATexture();
  std::string ClassName() const override { return "TAATexture"; }
  classlib::TPicture* Picture() const { return picture_.get(); }
  void SetPicture(classlib::TPicture* Value);
  TTextureMode Mode() const { return mode_; }
  void SetMode(TTextureMode Value);
  void Assign(classlib::TPersistent* Source) override;

 private:
  std::unique_ptr<classlib::TPicture> picture_;
  TTextureMode mode_ = tmTiled;
};

class TAAEffect : public TNotifyClass {
 public:
  TAAEffect();
  std::string ClassName() const override { return "TAAEffect"; }
  TAAShadow* Shadow() const { return shadow_.get(); }
  TAAGradual* Gradual() const { return gradual_.get(); }
  TAATexture* Texture() const { return texture_.get(); }
  int Alpha() const { return alpha_; }
  void SetAlpha(int Value);  // 0..100
  int Blur() const { return blur_; }
  void SetBlur(int Value);  // 0..100
  int Angle() const { return angle_; }
  void SetAngle(int Value);  // -360..360
  uint8_t Noise() const { return noise_; }
  void SetNoise(int Value);
  int Spray() const { return spray_; }
  void SetSpray(int Value);  // 0..100
  bool Outline() const { return outline_; }
  void SetOutline(bool Value);
  bool HorzMirror() const { return horz_mirror_; }
  void SetHorzMirror(bool Value);
  bool VertMirror() const { return vert_mirror_; }
  void SetVertMirror(bool Value);

  // The effect in an INI-style store; reading keeps the current values as defaults.
  void LoadFromIni(classlib::TCustomIniFile* Ini, const std::string& Section);
  void SaveToIni(classlib::TCustomIniFile* Ini, const std::string& Section);
  void Assign(classlib::TPersistent* Source) override;

 private:
  std::unique_ptr<TAAShadow> shadow_;
  std::unique_ptr<TAAGradual> gradual_;
  std::unique_ptr<TAATexture> texture_;
  int alpha_ = 100;
  int blur_ = 0;
  int angle_ = 0;
  uint8_t noise_ = 0;
  int spray_ = 0;
  bool outline_ = false;
  bool horz_mirror_ = false;
  bool vert_mirror_ = false;
};

enum TAAQuality : uint8_t { aqHigh, aqNormal, aqLow, aqNone };
// The supersampling factor of a quality: 4, 3, 2, 1.
int QualityFactor(TAAQuality Quality);

// Random numbers for spray and noise: Random(n) is 0..n-1 (0 for n <= 0).
using TRandomSource = std::function<int(int N)>;

// The 8-bit coverage mask (0 background, 255 fully covered).
class TAAMask {
 public:
  TAAQuality Quality = aqNormal;
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes of a row: the width rounded up to a multiple of 4.
  int Stride() const { return stride_; }
  void SetSize(int W, int H);
  // Takes Other's size and coverage (not its work bitmap).
  void CopyPixels(const TAAMask& Other);
  uint8_t* Row(int Y);  // EInvalidLine outside 0..Height-1
  const uint8_t* Row(int Y) const;
  uint8_t At(int X, int Y) const { return data_[static_cast<size_t>(Y) * stride_ + X]; }
  uint8_t& At(int X, int Y) { return data_[static_cast<size_t>(Y) * stride_ + X]; }

  // Renders Text with Font (its colour ignored) at Origin (real-size pixels)
  // into a mask of the current size, supersampled by the quality's factor.
  void Render(const classlib::TFont& Font, const std::string& Text, classlib::TPoint Origin);
  int Factor() const;
  // Reduces a supersampled sample plane (W * Factor by H * Factor bytes, row
  // by row) into this mask.
  void Reduce(const uint8_t* Samples, int SampleStride, int Factor);
  void Outline();
  void Spray(int Range, const TRandomSource& Random);
  void HorzMirror();
  void VertMirror();
  void Blur(int Strength);

 private:
  int width_ = 0, height_ = 0, stride_ = 0;
  std::vector<uint8_t> data_;
  classlib::TBitmap work_;  // the supersampled text; kept and only grown
};

class TAAFont {
 public:
  explicit TAAFont(classlib::TCanvas* Canvas = nullptr);
  virtual ~TAAFont();
  classlib::TCanvas* Canvas() const { return canvas_; }
  void SetCanvas(classlib::TCanvas* Value) { canvas_ = Value; }
  TAAMask& Mask() { return mask_; }
  TAAQuality Quality() const { return mask_.Quality; }
  void SetQuality(TAAQuality Value) { mask_.Quality = Value; }

  // The text's size as drawn, at real size.
  virtual classlib::TSize TextExtent(const std::string& Text);
  virtual int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }
  virtual int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }

  // Blends a mask-sized region at (X, Y) with Alpha (0..100): in Color, or
  // through Fore (24-bit, mask-sized; EInvalidForeBmp otherwise).
  void BlendColor(int X, int Y, int Alpha, classlib::TColor Color, const TAAMask& Mask);
  void BlendBitmap(int X, int Y, int Alpha, classlib::TBitmap* Fore, const TAAMask& Mask);

 protected:
  // Measures at the factor's size with the font turned by AngleDegrees; also
  // gives the drawing origin that keeps the turned text inside the extent.
  classlib::TSize MeasureMask(const std::string& Text, int AngleDegrees, classlib::TPoint& Origin);
  // The canvas font at Factor times its size, turned by AngleDegrees.
  void ScaledFont(int AngleDegrees, int Factor, classlib::TFont& Out) const;

  classlib::TCanvas* canvas_ = nullptr;
  TAAMask mask_;
  classlib::TBitmap work_;  // the blend's work bitmap
};

class TAAFontEx : public TAAFont {
 public:
  explicit TAAFontEx(classlib::TCanvas* Canvas = nullptr);
  ~TAAFontEx() override;
  TAAEffect* Effect() const { return effect_.get(); }
  void SetRandomSource(TRandomSource Source) { random_ = std::move(Source); }

  // With the effect's angle and, when the shadow is on, its offsets' sizes.
  classlib::TSize TextExtent(const std::string& Text) override;
  // The whole pipeline; nothing without a canvas or text.
  void TextOut(int X, int Y, const std::string& Text);

  // Foreground bitmaps (24-bit, mask-sized).
  void MakeGradient(classlib::TBitmap* Out, int W, int H);
  void MakeTexture(classlib::TBitmap* Out, int W, int H);
  void MakeNoise(classlib::TBitmap* Out, int W, int H, bool OnTop);

 private:
  std::unique_ptr<TAAEffect> effect_;
  TRandomSource random_;
  classlib::TBitmap fore_;
};

}  // namespace controls
