// Colour reduction for the GIF object model: colour look-ups that map a
// colour to a palette index, serpentine error-diffusion ditherers, an octree
// quantizer, fixed palettes, and ReduceColourDepth, which turns any bitmap
// into an 8-bit one with a palette chosen by method.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/colors.h"

namespace lumicast {

class TColorLookup {
 public:
  virtual ~TColorLookup() = default;
  virtual int ColorCount() const = 0;
  // The palette index for a colour, and the colour it stands for.
  virtual int Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG,
                     uint8_t& OutB) = 0;
};

// Nearest entry of a palette by the sum of absolute differences, cached in a
// 32,768-cell inverse table (5 bits per channel).
class TFastColorLookup : public TColorLookup {
 public:
  explicit TFastColorLookup(const classlib::TPalette& Palette);
  int ColorCount() const override { return static_cast<int>(palette_.size()); }
  int Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG, uint8_t& OutB) override;

 private:
  classlib::TPalette palette_;
  std::vector<int16_t> cells_;
};

// The 216-colour palette: six levels 0, 51, ... 255 per channel.
class TNetscapeColorLookup : public TColorLookup {
 public:
  int ColorCount() const override { return 216; }
  int Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG, uint8_t& OutB) override;
};

class TGrayScaleLookup : public TColorLookup {
 public:
  int ColorCount() const override { return 256; }
  int Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG, uint8_t& OutB) override;
};

class TMonochromeLookup : public TColorLookup {
 public:
  int ColorCount() const override { return 2; }
  int Lookup(uint8_t R, uint8_t G, uint8_t B, uint8_t& OutR, uint8_t& OutG, uint8_t& OutB) override;
};

// Nearest colour without error diffusion; the error-diffusion subclasses
// spread the difference to the pixels not yet visited. Rows are walked in
// serpentine order: left to right, then right to left.
class TDitherEngine {
 public:
  TDitherEngine(TColorLookup& Lookup, int Width) : lookup_(Lookup), width_(Width) {}
  virtual ~TDitherEngine() = default;
  // The index of the current pixel; moves one column on.
  virtual int Dither(uint8_t R, uint8_t G, uint8_t B);
  // Prepares the next row (the direction flips).
  virtual void NextLine();
  int Direction() const { return direction_; }
  int Column() const { return column_; }

 protected:
  TColorLookup& lookup_;
  int width_;
  int direction_ = 1;
  int column_ = 0;
};

// An error-diffusion filter: weights at (dx, dy) for dy = 0 (ahead only),
// 1 and 2 below, and the divisor.
struct TDitherKernel {
  struct Tap {
    int dx, dy, weight;
  };
  std::vector<Tap> taps;
  int divisor;
};

class TErrorDiffusionDitherer : public TDitherEngine {
 public:
  TErrorDiffusionDitherer(TColorLookup& Lookup, int Width, const TDitherKernel& Kernel);
  int Dither(uint8_t R, uint8_t G, uint8_t B) override;
  void NextLine() override;

 private:
  TDitherKernel kernel_;
  int margin_ = 0;
  // Per channel, the accumulated errors of this row and the rows below it
  // that the filter reaches, each with a margin on both sides.
  std::array<std::vector<std::vector<int>>, 3> errors_;
};

class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
 public:
  TFloydSteinbergDitherer(TColorLookup& L, int W);
};
class T5by3Ditherer : public TErrorDiffusionDitherer {
 public:
  using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};
class TStuckiDitherer : public T5by3Ditherer {
 public:
  TStuckiDitherer(TColorLookup& L, int W);
};
class TSierraDitherer : public T5by3Ditherer {
 public:
  TSierraDitherer(TColorLookup& L, int W);
};
class TJaJuNiDitherer : public T5by3Ditherer {
 public:
  TJaJuNiDitherer(TColorLookup& L, int W);
};
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
 public:
  TSteveArcheDitherer(TColorLookup& L, int W);
};
class TBurkesDitherer : public TErrorDiffusionDitherer {
 public:
  TBurkesDitherer(TColorLookup& L, int W);
};

// Octree quantizer of at most MaxColors leaves at depth ColorBits.
class TColorQuantizer {
 public:
  TColorQuantizer(int MaxColors, int ColorBits);
  ~TColorQuantizer();
  void AddColor(uint8_t R, uint8_t G, uint8_t B);
  // The leaves' average colours, depth first in child order.
  classlib::TPalette Palette() const;

 private:
  struct TOctreeNode;
  void Reduce();
  TOctreeNode* root_;
  int leaves_ = 0;
  int max_colors_;
  int color_bits_;
  std::array<std::vector<TOctreeNode*>, 8> reducible_;
};

// Fixed palettes.
classlib::TPalette WebPalette();         // 216 colours, index 36 r + 6 g + b
classlib::TPalette GrayScalePalette();   // 256 greys
classlib::TPalette MonochromePalette();  // black, white
classlib::TPalette FourGrayPalette();    // 0, 128, 192, 255
// The 20 system colours: the 16 VGA colours with C0DCC0, A6CAF0, FFFBF0 and
// A0A0A4 as entries 8 to 11.
classlib::TPalette SystemPalette20();
// 256 entries: the first 10 system colours, the 216 of the web palette, 20
// greys (12, 24, ... 240), the last 10 system colours.
classlib::TPalette HalftonePalette();
// The octree palette of a bitmap: Colors colours, or with SystemColors the
// 20 system colours around 236 quantized ones.
classlib::TPalette OptimizedPalette(const classlib::TBitmap& Bitmap, int Colors, bool SystemColors);

// A new bitmap of Bitmap's picture: method 0 a 24-bit copy; 1 system
// colours, 2 halftone, 3 four greys, 4 black and white, 5 greys, 6 the 216
// colours, 7 octree of 2^ReductionBits colours, 8 octree of 236 + the 20
// system colours, 9 Custom; ditherer by DitherMode (0 nearest, 1 Floyd-
// Steinberg, 2 Stucki, 3 Sierra, 4 Jarvis-Judice-Ninke, 5 Stevenson-Arce,
// 6 Burkes). A method above 9 or a palette without colours gives an empty
// bitmap.
std::unique_ptr<classlib::TBitmap> ReduceColourDepth(const classlib::TBitmap& Bitmap, int Method,
                                                     int DitherMode, int ReductionBits,
                                                     const classlib::TPalette& Custom);

}  // namespace lumicast
