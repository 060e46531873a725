// TBitmap: a device-independent bitmap kept in its own pixel format, with
// its palette and bottom-up rows as in a BMP file: ScanLine(y) points at row y
// (y = 0 is the top row), the memory of row y + 1 lies before that of row y,
// and every row is padded to a multiple of 4 bytes. 24-bit pixels are B, G, R
// bytes, 32-bit pixels B, G, R, A. BMP streams are read and written byte-exactly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/canvas.h"
#include "platform/classlib/graphic.h"

namespace classlib {

enum TPixelFormat : uint8_t {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
enum TTransparentMode : uint8_t { tmAuto, tmFixed };
enum TBitmapHandleType : uint8_t { bmDIB, bmDDB };

// Bits per pixel of a pixel format (pfDevice = 32; pfCustom 0).
int PixelFormatBits(TPixelFormat Format);
// Bytes of one padded row.
inline int BytesPerScanLine(int Width, int Bits, int Alignment = 32) {
  return static_cast<int>(((static_cast<int64_t>(Width) * Bits + Alignment - 1) / Alignment) *
                          (Alignment / 8));
}

// Largest width or height a bitmap accepts, and the largest pixel block.
constexpr int MaxBitmapDimension = 32767;
constexpr int64_t MaxBitmapBytes = int64_t(1) << 30;

class TBitmapCanvas;

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  std::string ClassName() const override { return "TBitmap"; }

  // TGraphic
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  void SetSize(int AWidth, int AHeight);
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  // Loads the BMP stream registered under ResName (see resources.h);
  // EResNotFound "Resource <name> not found" when there is none.
  void LoadFromResourceName(const std::string& ResName);
  void SaveToClipboardFormat(TClipboardFormat Format, TClipboardData& Data) override;
  void LoadFromClipboardFormat(TClipboardFormat Format, const TClipboardData& Data) override;
  TPalette Palette() const override;
  // Replaces the colour table (at most 2^bits entries; ignored above 8 bits).
  void SetPalette(const TPalette& Entries) override;
  void Assign(TPersistent* Source) override;

  // Converting keeps the picture: towards fewer bits every pixel takes the
  // nearest entry of the new format's default palette (for 8 bits, of
  // DefaultPalette8()), without dithering.
  TPixelFormat PixelFormat() const { return format_; }
  void SetPixelFormat(TPixelFormat Value);
  int BitsPerPixel() const { return bits_; }
  bool Monochrome() const { return bits_ == 1; }
  void SetMonochrome(bool Value);  // true: 1 bit black/white; false: back to pfDevice
  TBitmapHandleType HandleType() const { return handle_type_; }
  void SetHandleType(TBitmapHandleType Value) { handle_type_ = Value; }

  // Row Y (0 = top). EInvalidGraphicOperation "Scan line index out of range"
  // outside 0..Height-1.
  uint8_t* ScanLine(int Y);
  const uint8_t* ScanLine(int Y) const;
  int RowBytes() const { return row_bytes_; }
  // The whole pixel block, bottom row first.
  uint8_t* Bits() { return bits_data_.data(); }
  const uint8_t* Bits() const { return bits_data_.data(); }
  size_t BitsSize() const { return bits_data_.size(); }

  TCanvas* Canvas();

  // Transparency: with tmAuto the transparent colour is the bottom-left pixel's.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor Value);  // clDefault returns to tmAuto
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode Value);

  // Kept for callers written against handle-based bitmaps; nothing to free.
  void Dormant() {}
  void FreeImage() {}
  void ReleaseHandle() {}
  bool HandleAllocated() const { return !Empty(); }

  // The colour of one pixel (-1 outside the bitmap), without the canvas.
  TColor PixelColor(int X, int Y) const;
  // The bitmap's pixels as a canvas drawing surface.
  TPixelSurface Surface();

  void Changed(TObject* Sender) override;

 private:
  void Allocate(int W, int H, TPixelFormat F, bool KeepPixels);
  void ReadBMP(TStream* Stream, int64_t Available);

  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = pfDevice;
  int bits_ = 32;
  int row_bytes_ = 0;
  std::vector<uint8_t> bits_data_;
  TPalette palette_;
  uint32_t palette_version_ = 1;
  TBitmapHandleType handle_type_ = bmDIB;
  TTransparentMode transparent_mode_ = tmAuto;
  TColor transparent_color_ = clDefault;
  // Header fields of a loaded BMP written back unchanged.
  int32_t x_pels_per_meter_ = 0;
  int32_t y_pels_per_meter_ = 0;
  uint32_t clr_important_ = 0;
  bool write_clr_used_ = false;
  std::unique_ptr<TBitmapCanvas> canvas_;
};

}  // namespace classlib
