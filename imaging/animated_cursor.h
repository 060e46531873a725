// TAnimatedCursorImage: an animated cursor file (RIFF form "ACON") read into
// a list of icon frames with their display rates, a title and a creator. The
// frames can be handed to a TGIFImage, an icon, a bitmap strip or an icon
// list. Writing animated cursors is not supported.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/geometry.h"
#include "platform/classlib/icon.h"
#include "platform/classlib/object.h"
#include "platform/classlib/stream.h"

namespace lumicast {

// The "anih" chunk: nine 32-bit little-endian fields.
struct TAniHeader {
  uint32_t HeaderSize = 0;
  uint32_t Frames = 0;
  uint32_t Steps = 0;
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint32_t BitCount = 0;
  uint32_t Planes = 0;
  uint32_t Rate = 0;  // default display rate, 1/60 s
  uint32_t Flags = 0;
};

// Bit 0 of the header's flags: the frames are icon (or cursor) files.
constexpr uint32_t kAniIconFlag = 0x1;

// A RIFF chunk header: identifier and size.
struct TChunkHeader {
  char Id[4] = {0, 0, 0, 0};
  uint32_t Size = 0;
};

class TIconFrame : public classlib::TPersistent {
 public:
  TIconFrame();
  ~TIconFrame() override;
  std::string ClassName() const override { return "TIconFrame"; }
  void Assign(classlib::TPersistent* Source) override;

  // The icon the step shows (owned; null until the frame list gives one).
  classlib::TIcon* Icon() const { return icon_.get(); }
  void SetIcon(std::unique_ptr<classlib::TIcon> Icon) { icon_ = std::move(Icon); }

  bool IsIcon = false;  // the chunk held an icon rather than a cursor
  TChunkHeader Chunk;
  classlib::TPoint HotSpot;
  uint32_t Rate = 0;  // 1/60 s
  uint32_t IconIndex = 0;

 private:
  std::unique_ptr<classlib::TIcon> icon_;
};

class TAnimatedCursorImage : public classlib::TPersistent {
 public:
  TAnimatedCursorImage();
  ~TAnimatedCursorImage() override;
  std::string ClassName() const override { return "TAnimatedCursorImage"; }

  // Reads from the stream's position to its end. A file that is not an
  // animated cursor, or holds no usable frame, raises EReadError
  // "Stream read error"; on any failure the image is cleared.
  void LoadFromStream(classlib::TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  // Raises "Function not yet implemented".
  void SaveToStream(classlib::TStream* Stream);
  void SaveToFile(const std::string& FileName);

  int FrameCount() const { return static_cast<int>(frames_.size()); }
  TIconFrame* Frame(int Index) const;
  classlib::TIcon* Icons(int Index) const { return Frame(Index)->Icon(); }

  const TAniHeader& Header() const { return header_; }
  const std::string& Title() const { return title_; }
  const std::string& Creator() const { return creator_; }
  // The largest 2^bits over the 1-, 4- and 8-bit images of all icons (0 when none).
  int SourceColorCount() const { return colors_; }

  void Clear();
  void Assign(classlib::TPersistent* Source) override;

 protected:
  void AssignTo(classlib::TPersistent* Dest) override;

 private:
  void Parse(const uint8_t* Data, size_t Size);

  TAniHeader header_;
  std::string title_;
  std::string creator_;
  int colors_ = 0;
  std::vector<std::unique_ptr<TIconFrame>> frames_;
};

}  // namespace lumicast
