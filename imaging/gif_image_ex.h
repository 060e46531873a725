// TGIFImageEx: the GIF picture that reads a whole file into an object model
// (header with the logical screen and the global colour map, frames with
// local maps, de-interlaced pixels and extensions, trailer), writes it back
// keeping its structure, draws it, and optimises a loaded animation in
// place (see gif_optimizer.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/gif_coder_ex.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/graphic.h"
#include "platform/classlib/stream.h"

namespace lumicast {

namespace gifex {

class TGIFImageEx;
class TGIFSubImage;
class TGIFPainter;

struct TGIFRGB {
  uint8_t Red = 0, Green = 0, Blue = 0;
  friend bool operator==(const TGIFRGB&, const TGIFRGB&) = default;
};

// Bits per pixel of an entry count: 0 for none, else the smallest b >= 1
// with 2^b >= Count.
int ColorMapBits(int Count);

// Up to 256 colour entries.
class TGIFColorMap : public classlib::TPersistent {
 public:
  std::string ClassName() const override { return "TGIFColorMap"; }
  int Count() const { return static_cast<int>(colors_.size()); }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value) { sorted_ = Value; }
  int BitsPerPixel() const { return ColorMapBits(Count()); }
  // "Color table overflow" when 256 entries exist.
  int Add(const TGIFRGB& Color);
  int AddUnique(const TGIFRGB& Color);
  // From the first entry when sorted, else from the last; -1 when absent.
  int IndexOf(const TGIFRGB& Color) const;
  void Delete(int Index);
  // An index outside the map warns "Invalid color index" and gives entry 0.
  TGIFRGB Color(int Index) const;
  const TGIFRGB& operator[](int Index) const { return colors_[static_cast<size_t>(Index)]; }
  TGIFRGB& At(int Index) { return colors_[static_cast<size_t>(Index)]; }
  void Clear();
  void Assign(classlib::TPersistent* Source) override;
  void Write(classlib::TStream* Stream) const;
  void Read(classlib::TStream* Stream, int Count);
  classlib::TPalette ExportPalette() const;
  void ImportPalette(const classlib::TPalette& Palette);
  // Reorders the entries by how many pixels use them; false when nothing
  // was renumbered.
  bool Optimize();
  virtual void Changed() {}
  virtual void Warning(const std::string&) const {}
  std::vector<TGIFRGB>& Colors() { return colors_; }

 protected:
  // The frames whose pixels index this map.
  virtual std::vector<TGIFSubImage*> Users() const = 0;
  // Entries at or above Used are dropped after a renumbering; a map may
  // raise Used to keep an entry it refers to itself.
  virtual void Renumbered(const std::array<uint8_t, 256>&, const std::vector<int>& Position,
                          int& Used) {
    (void)Position;
    (void)Used;
  }

 private:
  std::vector<TGIFRGB> colors_;
  bool sorted_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  explicit TGIFGlobalColorMap(TGIFImageEx* Image) : image_(Image) {}
  void Changed() override;
  void Warning(const std::string& Message) const override;

 protected:
  std::vector<TGIFSubImage*> Users() const override;
  // The background index follows its entry, which is kept.
  void Renumbered(const std::array<uint8_t, 256>& Map, const std::vector<int>& Position,
                  int& Used) override;

 private:
  TGIFImageEx* image_;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  explicit TGIFLocalColorMap(TGIFSubImage* Frame) : frame_(Frame) {}
  void Changed() override;
  void Warning(const std::string& Message) const override;

 protected:
  std::vector<TGIFSubImage*> Users() const override;

 private:
  TGIFSubImage* frame_;
};

// ---- extensions
// ----------------------------------------------------------------------------------

class TGIFExtension : public classlib::TPersistent {
 public:
  explicit TGIFExtension(TGIFSubImage* Frame) : frame_(Frame) {}
  std::string ClassName() const override { return "TGIFExtension"; }
  virtual uint8_t Label() const = 0;
  // Reads the whole extension, introducer and label included.
  void Read(classlib::TStream* Stream);
  void Write(classlib::TStream* Stream) const;
  TGIFSubImage* Frame() const { return frame_; }
  void SetFrame(TGIFSubImage* Frame) { frame_ = Frame; }
  // A new extension of the same class holding the same bytes.
  std::unique_ptr<TGIFExtension> Clone(TGIFSubImage* Frame) const;

 protected:
  virtual void ReadBody(classlib::TStream* Stream) = 0;
  virtual void WriteBody(classlib::TStream* Stream) const = 0;
  void Warning(const std::string& Message) const;

 private:
  TGIFSubImage* frame_;
};

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::string ClassName() const override { return "TGIFGraphicControlExtension"; }
  uint8_t Label() const override { return 0xF9; }
  bool Transparent() const { return (packed_ & 1) != 0; }
  void SetTransparent(bool Value);
  uint8_t TransparentColorIndex() const { return index_; }
  void SetTransparentColorIndex(int Value);
  uint16_t Delay() const { return delay_; }
  void SetDelay(uint16_t Value) { delay_ = Value; }
  bool UserInput() const { return (packed_ & 2) != 0; }
  void SetUserInput(bool Value) {
    packed_ = static_cast<uint8_t>(Value ? packed_ | 2 : packed_ & ~2);
  }
  uint8_t Disposal() const { return static_cast<uint8_t>((packed_ >> 2) & 7); }
  void SetDisposal(uint8_t Value) {
    packed_ = static_cast<uint8_t>((packed_ & ~0x1C) | ((Value & 7) << 2));
  }

 protected:
  void ReadBody(classlib::TStream* Stream) override;
  void WriteBody(classlib::TStream* Stream) const override;

 private:
  uint8_t packed_ = 0;
  uint16_t delay_ = 0;
  uint8_t index_ = 0;
};

// Text lines, one per data sub-block.
class TGIFTextLines {
 public:
  std::vector<std::string> Lines;
  void ReadLines(classlib::TStream* Stream);
  void WriteLines(classlib::TStream* Stream) const;
};

class TGIFTextExtension : public TGIFExtension, public TGIFTextLines {
 public:
  using TGIFExtension::TGIFExtension;
  std::string ClassName() const override { return "TGIFTextExtension"; }
  uint8_t Label() const override { return 0x01; }
  std::array<uint8_t, 12> Grid{};  // left, top, width, height (16-bit), cell w/h, fore, back

 protected:
  void ReadBody(classlib::TStream* Stream) override;
  void WriteBody(classlib::TStream* Stream) const override;
};

class TGIFCommentExtension : public TGIFExtension, public TGIFTextLines {
 public:
  using TGIFExtension::TGIFExtension;
  std::string ClassName() const override { return "TGIFCommentExtension"; }
  uint8_t Label() const override { return 0xFE; }

 protected:
  void ReadBody(classlib::TStream* Stream) override { ReadLines(Stream); }
  void WriteBody(classlib::TStream* Stream) const override { WriteLines(Stream); }
};

class TGIFApplicationExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::string ClassName() const override { return "TGIFApplicationExtension"; }
  uint8_t Label() const override { return 0xFF; }
  std::string Identifier;  // 8 bytes of name and 3 of authentication code

 protected:
  void ReadBody(classlib::TStream* Stream) override;
  void WriteBody(classlib::TStream* Stream) const override;
  virtual void ReadData(classlib::TStream* Stream);
  virtual void WriteData(classlib::TStream* Stream) const;
};

// An application extension kept as its raw data sub-blocks.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  std::string ClassName() const override { return "TGIFUnknownAppExtension"; }
  std::vector<std::string> Blocks;

 protected:
  void ReadData(classlib::TStream* Stream) override;
  void WriteData(classlib::TStream* Stream) const override;
};

// The loop extension (loop count, optional buffer size).
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* Frame) : TGIFApplicationExtension(Frame) {
    Identifier = "NETSCAPE2.0";
  }
  std::string ClassName() const override { return "TGIFAppExtNSLoop"; }
  uint16_t Loops = 0;
  uint32_t BufferSize = 0;

 protected:
  void ReadData(classlib::TStream* Stream) override;
  void WriteData(classlib::TStream* Stream) const override;
};

// ---- frames
// --------------------------------------------------------------------------------------

class TGIFSubImage : public classlib::TPersistent {
 public:
  explicit TGIFSubImage(TGIFImageEx* Image);
  ~TGIFSubImage() override;
  std::string ClassName() const override { return "TGIFSubImage"; }
  TGIFImageEx* Image() const { return image_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  classlib::TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  // Setting a new size drops the pixels and makes zero-filled ones.
  void SetBounds(int Left, int Top, int Width, int Height);
  bool Interlaced() const { return (packed_ & 0x40) != 0; }
  void SetInterlaced(bool Value) {
    packed_ = static_cast<uint8_t>(Value ? packed_ | 0x40 : packed_ & ~0x40);
  }
  uint8_t Packed() const { return packed_; }
  bool Empty() const { return pixels_.empty() || width_ == 0 || height_ == 0; }
  // 89a when the local map is sorted or the frame has an extension.
  int Version() const;

  std::vector<uint8_t>& Data() { return pixels_; }
  const std::vector<uint8_t>& Data() const { return pixels_; }
  // "Image is empty" without data, "Invalid pixel coordinates" outside.
  uint8_t Pixel(int X, int Y) const;
  uint8_t* ScanLine(int Y);

  TGIFLocalColorMap& ColorMap() { return local_; }
  const TGIFLocalColorMap& ColorMap() const { return local_; }
  // The local map when it has entries, else the global one when it has
  // entries, else the (empty) local map.
  const TGIFColorMap& ActiveColorMap() const;
  std::vector<std::unique_ptr<TGIFExtension>>& Extensions() { return extensions_; }
  const std::vector<std::unique_ptr<TGIFExtension>>& Extensions() const { return extensions_; }
  // The first graphic control extension, or null.
  TGIFGraphicControlExtension* GraphicControl() const;
  // Appends a new graphic control extension and returns it.
  TGIFGraphicControlExtension* AddGraphicControl();
  void RemoveExtension(TGIFExtension* Extension);
  bool Transparent() const { return transparent_; }
  void SetTransparentFlag(bool Value) { transparent_ = Value; }
  // The transparent index, or -1 when the frame is not transparent.
  int TransparentIndex() const;
  uint16_t Delay() const;
  uint8_t Disposal() const;

  void Clear();
  void Assign(classlib::TPersistent* Source) override;
  void Read(classlib::TStream* Stream);
  void Write(classlib::TStream* Stream) const;
  // Drops the rendered bitmap and mask.
  void DropCache();
  // The frame rendered as a 32-bit bitmap of its size with its 8-bit
  // transparency mask (255 = transparent), made on first use.
  classlib::TBitmap* Bitmap();
  const std::vector<uint8_t>& Mask();
  void Warning(const std::string& Message) const;

 private:
  friend class TGIFImageEx;
  void ReadDescriptor(classlib::TStream* Stream);
  void ReadExtensions(classlib::TStream* Stream);

  TGIFImageEx* image_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  uint8_t packed_ = 0;
  std::vector<uint8_t> pixels_;
  TGIFLocalColorMap local_;
  std::vector<std::unique_ptr<TGIFExtension>> extensions_;
  bool transparent_ = false;
  std::unique_ptr<classlib::TBitmap> bitmap_;
  std::vector<uint8_t> mask_;
};

// ---- the picture
// ---------------------------------------------------------------------------------

// Warning handler: sender, severity, message.
using TGIFWarningEvent =
    std::function<void(classlib::TObject* Sender, int Severity, const std::string& Message)>;

// Draw options.
enum : uint16_t {
  goAsync = 0x0001,
  goTransparent = 0x0002,
  goAnimate = 0x0004,
  goLoop = 0x0008,
  goLoopContinously = 0x0010,
  goValidateCanvas = 0x0020,
  goDirectDraw = 0x0040,
  goClearOnLoop = 0x0080,
  goTile = 0x0100,
  goDither = 0x0200,
  goAutoDither = 0x0400,
};
constexpr uint16_t kGIFDefaultDrawOptions = 0x060F;

// Optimisation options.
enum : uint8_t {
  ooCrop = 0x01,
  ooMerge = 0x02,
  ooCleanup = 0x04,
  ooColorMap = 0x08,
  ooReduceColors = 0x10,
};

// The lossless size passes that run after the optimisation steps (on in the
// program; off gives exactly the steps' result).
extern bool GIFSizePasses;

class TGIFImageEx : public classlib::TGraphic {
 public:
  TGIFImageEx();
  ~TGIFImageEx() override;
  std::string ClassName() const override { return "TGIFImageEx"; }

  // Frames.
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  TGIFSubImage* Frame(int Index) const { return frames_[static_cast<size_t>(Index)].get(); }
  std::vector<std::unique_ptr<TGIFSubImage>>& Frames() { return frames_; }
  // Appends a frame (a TGIFSubImage is taken over as it is).
  int Add(std::unique_ptr<TGIFSubImage> Frame);
  // Appends a frame converted from a graphic (bitmaps: 1, 4 and 8 bits as
  // they are, others reduced by ColorReduction, DitherMode and
  // ReductionBits; a transparent bitmap's key colour becomes transparent).
  // Other graphics fail with "Object type not supported for operation".
  int Add(classlib::TGraphic* Source);
  void DeleteFrame(int Index);

  // Logical screen.
  TGIFGlobalColorMap& GlobalColorMap() { return global_; }
  const TGIFGlobalColorMap& GlobalColorMap() const { return global_; }
  uint8_t BackgroundColorIndex() const { return background_index_; }
  void SetBackgroundColorIndex(uint8_t Value) { background_index_ = Value; }
  uint8_t AspectRatio() const { return aspect_; }
  uint8_t HeaderPacked() const { return packed_; }

  uint16_t DrawOptions = kGIFDefaultDrawOptions;
  uint8_t ColorReduction = 6;
  int32_t ReductionBits = 8;
  uint8_t DitherMode = 0;
  uint8_t Compression = 0;  // 0 LZW, 1 run-length
  int32_t AnimationSpeed = 100;
  classlib::TColor BackgroundColor = 0x1FFFFFFF;
  TGIFWarningEvent OnWarning;
  classlib::TNotifyEvent OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;

  virtual void Warning(classlib::TObject* Sender, int Severity, const std::string& Message);
  void Clear();
  void Optimize(uint8_t Options, uint8_t ColorReductionMethod, uint8_t DitherMode,
                int32_t ReductionBits);
  // Stops every painter of the picture (running their pending synchronised
  // calls as they end) and drops the cached bitmap.
  void StopDraw();
  // Starts a painter for Canvas and Rect. An asynchronous one is returned
  // running; a synchronous one paints to the end at once and none is
  // returned. Nothing happens for an empty picture or rectangle.
  TGIFPainter* PaintStart(classlib::TCanvas* Canvas, uint16_t Options, const classlib::TRect& Rect);
  // Painters of the picture not yet stopped.
  int PainterCount();
  // Called on the user-interface thread after a painter copied a frame to
  // its canvas: a painter of the cached bitmap signals a change.
  void PainterDrew(TGIFPainter* Painter);

  // TGraphic
  void Draw(classlib::TCanvas* ACanvas, const classlib::TRect& Rect) override;
  bool Empty() const override { return frames_.empty(); }
  int Width() const override { return screen_width_; }
  int Height() const override { return screen_height_; }
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  classlib::TPalette Palette() const override;
  // Drops a cached rendering made with another palette.
  void SetPalette(const classlib::TPalette& Value) override;
  void LoadFromStream(classlib::TStream* Stream) override;
  void SaveToStream(classlib::TStream* Stream) override;
  void SaveToClipboardFormat(classlib::TClipboardFormat Format,
                             classlib::TClipboardData& Data) override;
  void LoadFromClipboardFormat(classlib::TClipboardFormat Format,
                               const classlib::TClipboardData& Data) override;
  bool Equals(classlib::TGraphic* Graphic) override { return Graphic == this; }
  void Assign(classlib::TPersistent* Source) override;
  // The streamed-property form: a 32-bit byte count, then the GIF.
  void WriteData(classlib::TStream* Stream);
  void ReadData(classlib::TStream* Stream);

  // The picture's version: the highest of the frames' (0 without frames).
  int Version() const;
  // A rendering of the first frame at the picture's size (32 bits).
  classlib::TBitmap* Bitmap();
  // Grows the logical screen to hold Frame (with the warnings of a picture
  // that was too small).
  void FitFrame(const TGIFSubImage& Frame);

 protected:
  // A bitmap takes the rendered first frame.
  void AssignTo(classlib::TPersistent* Dest) override;

 private:
  friend class TGIFSubImage;
  friend class TGIFGlobalColorMap;
  friend struct TOptimizer;
  void ReadHeader(classlib::TStream* Stream);
  void WriteHeader(classlib::TStream* Stream);
  void ReportProgress(classlib::TProgressStage Stage, int Percent, const std::string& Msg,
                      bool Redraw);

  std::vector<std::unique_ptr<TGIFSubImage>> frames_;
  TGIFGlobalColorMap global_;
  int screen_width_ = 0, screen_height_ = 0;
  uint8_t packed_ = 0, background_index_ = 0, aspect_ = 0;
  std::unique_ptr<classlib::TBitmap> bitmap_;
  bool drawing_ = false;
  std::recursive_mutex painter_lock_;
  std::vector<std::unique_ptr<TGIFPainter>> painters_;
  TGIFPainter* painter_ = nullptr;  // the painter of paint_bitmap_
  int64_t unproven_budget_ = 0;     // pixels that frames the data cannot fill may still take
  std::unique_ptr<classlib::TBitmap> paint_bitmap_;
};

}  // namespace gifex

using gifex::TGIFImageEx;
using gifex::TGIFSubImage;

// Makes TPicture load "gif" files and the "GIF Image" clipboard format as
// TGIFImageEx (call after RegisterGIFImage).
void RegisterGIFImageEx();

}  // namespace lumicast
