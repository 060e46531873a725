// TGIFImage: the picture class that writes (and reads) animated GIF files.
// An image holds frames (TGIFFrame), each with a bitmap, its LZW-coded data,
// a delay, a transparent colour and a disposal; image-wide are the logical
// screen, the global colour table, the background colour, looping and the
// repeat count, and comment lines.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/bitmap.h"
#include "platform/classlib/graphic.h"
#include "platform/classlib/stream.h"

namespace lumicast {

class TGIFImage;

struct TGIFColor {
  uint8_t Red = 0, Green = 0, Blue = 0;
  friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

// A colour table: count (0..256) and 256 entries.
struct TGIFColorTable {
  int32_t Count = 0;
  std::array<TGIFColor, 256> Colors{};
};

// Image data shared (by reference count) between images assigned from each
// other.
struct TGIFData {
  uint8_t AspectRatio = 0;
  uint8_t BitsPerPixel = 1;
  uint8_t ColorResBits = 0;
  TGIFColorTable ColorTable;
  std::vector<std::string> Comment;
};

// The coded picture of one frame.
struct TGIFItem {
  // Minimum code size byte, data sub-blocks and the empty sub-block, exactly
  // as in the file.
  std::vector<uint8_t> ImageData;
  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t PackedFields = 0;
  uint8_t BitsPerPixel = 0;
  TGIFColorTable ColorTable;
};

enum TExtensionKind : uint8_t { ekGraphicControl, ekPlainText, ekApplication, ekComment };

// One extension block: its kind, fixed bytes and data sub-blocks (lines).
class TExtension : public classlib::TPersistent {
 public:
  std::string ClassName() const override { return "TExtension"; }
  void Assign(classlib::TPersistent* Source) override;
  static uint8_t Label(TExtensionKind Kind);

  TExtensionKind Kind = ekGraphicControl;
  std::vector<uint8_t> Fixed;      // graphic control 6, plain text 13, application 12 bytes
  std::vector<std::string> Lines;  // one per data sub-block
};

// Graphic control extension packed byte.
constexpr uint8_t kGCETransparent = 0x01;
constexpr uint8_t kGCEUserInput = 0x02;

class TGIFFrame : public classlib::TPersistent {
 public:
  explicit TGIFFrame(TGIFImage* AOwner);
  ~TGIFFrame() override;
  std::string ClassName() const override { return "TGIFFrame"; }

  TGIFImage* Owner() const { return owner_; }
  // The frame's bitmap, decoded from its coded data when absent or empty.
  classlib::TBitmap* FrameBitmap();
  bool HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }
  void Assign(classlib::TPersistent* Source) override;

  uint16_t DisplayTime() const { return display_time_; }
  void SetDisplayTime(uint16_t Value);
  classlib::TColor KeyColor() const { return key_color_; }
  void SetKeyColor(classlib::TColor Value);
  uint8_t Disposal() const { return disposal_; }
  void SetDisposal(uint8_t Value);
  classlib::TPoint Origin() const { return origin_; }
  void SetOrigin(const classlib::TPoint& Value);
  bool InterlaceFlag() const { return interlace_; }
  bool Corrupted() const { return corrupted_; }
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool Value) { grayscale_ = Value; }
  bool LocalTable() const { return local_table_; }
  bool HasEncodedData() const { return item_ && !item_->ImageData.empty(); }
  const TGIFItem& Item() const { return *item_; }
  std::vector<std::unique_ptr<TExtension>>& Extensions() { return extensions_; }

  // Encodes the bitmap into coded data (the reduction of true-colour bitmaps
  // included). Raises "No GIF Data to write" without a bitmap.
  void Encode();
  // Frees the bitmap of a true-colour frame and decodes it again from the
  // coded data, so that it shows the reduced colours.
  void RebuildBitmap();
  // Brings the graphic control extension in line with delay, transparency
  // and disposal.
  void UpdateExtensions();
  // The coded data as a BMP file (1, 4 or 8 bits).
  std::unique_ptr<classlib::TMemoryStream> DecodeToBMP();

 private:
  friend class TGIFImage;
  friend class TGIFReader;
  void Reset();
  void AssignGraphic(classlib::TGraphic* Source);
  void OwnerVersion2();
  void OwnerChanged();

  TGIFImage* owner_;
  std::unique_ptr<classlib::TBitmap> bitmap_;
  std::shared_ptr<TGIFItem> item_;
  std::vector<std::unique_ptr<TExtension>> extensions_;
  classlib::TPoint origin_;
  bool interlace_ = false;
  bool corrupted_ = false;
  bool grayscale_ = false;
  classlib::TColor key_color_ = classlib::clNone;
  uint16_t display_time_ = 0;
  uint8_t disposal_ = 0;
  bool local_table_ = false;
};

class TGIFImage : public classlib::TGraphic {
 public:
  TGIFImage();
  ~TGIFImage() override;
  std::string ClassName() const override { return "TGIFImage"; }

  // Frames.
  virtual int AppendFrame(classlib::TGraphic* Graphic);
  TGIFFrame* FrameAt(int Index) const;
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  void DeleteFrame(int Index);
  int ActiveFrameIndex() const { return active_; }
  void SetActiveFrameIndex(int Value);
  TGIFFrame* ActiveFrame() const;

  // Image-wide settings.
  classlib::TColor ScreenColor() const { return screen_color_; }
  void SetScreenColor(classlib::TColor Value);
  bool LoopEnabled() const { return loop_enabled_; }
  void SetLoopEnabled(bool Value);
  uint16_t LoopCount() const { return loop_count_; }
  void SetLoopCount(uint16_t Value);
  uint8_t Version() const { return version_; }
  int ScreenWidth() const { return screen_width_; }
  int ScreenHeight() const { return screen_height_; }
  const TGIFData& Data() const { return *data_; }
  std::vector<std::string>& Comment();

  // Encodes every frame that has no coded data yet, then refreshes every
  // frame's graphic control extension.
  void EncodePendingFrames();

  // With this set, AppendFrame reduces and encodes a frame at once and keeps
  // only its coded data (a writer of long animations then holds no picture
  // of its own); FrameBitmap decodes it only when asked. Off by default: a
  // frame then keeps its picture until it is encoded.
  bool EncodeOnAppend() const { return encode_on_append_; }
  void SetEncodeOnAppend(bool Value) { encode_on_append_ = Value; }

  // TGraphic
  void Draw(classlib::TCanvas* ACanvas, const classlib::TRect& Rect) override;
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  bool Transparent() const override;
  classlib::TPalette Palette() const override;
  void LoadFromStream(classlib::TStream* Stream) override;
  void SaveToStream(classlib::TStream* Stream) override;
  // Writes the file beside the target and renames it over the target only
  // when the whole file has been written.
  void SaveToFile(const std::string& FileName) override;
  void SaveToClipboardFormat(classlib::TClipboardFormat Format,
                             classlib::TClipboardData& Data) override;
  void LoadFromClipboardFormat(classlib::TClipboardFormat Format,
                               const classlib::TClipboardData& Data) override;
  bool Equals(classlib::TGraphic* Graphic) override;
  void Assign(classlib::TPersistent* Source) override;

  // The streamed-property form: a 32-bit byte count, then the GIF.
  void WriteData(classlib::TStream* Stream);
  void ReadData(classlib::TStream* Stream);

  // Reads a whole GIF file held in memory; frame 0's bitmap is decoded when
  // Decode is set.
  void ReadGIF(const uint8_t* Bytes, size_t Size, bool Decode);
  // The whole file in memory.
  std::vector<uint8_t> BuildFile();

  // Reports coder progress through OnProgress.
  void CoderProgress(classlib::TProgressStage Stage, uint8_t Percent, const std::string& Msg);

 protected:
  void AssignTo(classlib::TPersistent* Dest) override;

 private:
  friend class TGIFFrame;
  friend class TGIFReader;
  void Clear();
  void RecomputeScreenSize();
  void EncodeFrames(bool Rebuild);
  // Encodes what is pending and settles the version; raises what BuildFile raises.
  void PrepareWrite();
  // Hands the whole file on in pieces, in order.
  void WriteFile(const std::function<void(const uint8_t*, size_t)>& Put);

  std::shared_ptr<TGIFData> data_;
  uint8_t version_ = 0;
  std::vector<std::unique_ptr<TGIFFrame>> frames_;
  int active_ = -1;
  uint16_t screen_width_ = 0;
  uint16_t screen_height_ = 0;
  classlib::TColor screen_color_ = classlib::clNone;
  bool loop_enabled_ = false;
  uint16_t loop_count_ = 1;
  bool encode_on_append_ = false;
};

// The clipboard format registered under the name "GIF Image".
classlib::TClipboardFormat CF_GIF();

// Makes TPicture load "gif" files and the "GIF Image" clipboard format as TGIFImage. The
// program's start-up calls it once; calling it again changes nothing.
void RegisterGIFImage();

// Whether damaged data is read as frames marked corrupted (true, the default)
// instead of raising.
extern bool GIFTolerantReading;

// Largest frame a GIF may declare for decoding: each side at most the
// bitmap limit, and at most this many bytes of pixels.
constexpr int64_t kMaxGIFFrameBytes = int64_t(1) << 28;

}  // namespace lumicast
