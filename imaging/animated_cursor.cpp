#include "imaging/animated_cursor.h"

#include <algorithm>
#include <cstring>

#include "imaging/bitmap_utils.h"
#include "imaging/color_reduction.h"
#include "imaging/gif_image.h"
#include "imaging/icon_list.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/canvas.h"
#include "platform/classlib/colors.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/little_endian.h"

namespace lumicast {

using classlib::GetLE16;
using classlib::GetLE32;
using classlib::TIcon;

namespace {

[[noreturn]] void ReadError() { throw classlib::EReadError("Stream read error"); }

bool IdIs(const uint8_t* P, const char* Id) { return std::memcmp(P, Id, 4) == 0; }

// A chunk inside its parent's data [Begin, End).
struct Chunk {
  const uint8_t* Header;
  const uint8_t* Data;
  uint32_t Size;
};

// Walks the chunks of [Begin, End). Every chunk must fit its parent; a pad
// byte after an odd size is skipped when present (the last one may be
// missing), and fewer than eight bytes left over end the walk.
template <typename Visit>
void ForEachChunk(const uint8_t* Begin, const uint8_t* End, Visit visit) {
  const uint8_t* p = Begin;
  while (End - p >= 8) {
    const uint32_t size = GetLE32(p + 4);
    if (size > static_cast<size_t>(End - p - 8)) ReadError();
    if (!visit(Chunk{p, p + 8, size})) return;
    p += 8 + static_cast<size_t>(size);
    if ((size & 1) && p < End) ++p;
  }
}

// An INFO string: up to the first zero byte, at most 255 bytes, Latin-1.
std::string InfoText(const uint8_t* Data, uint32_t Size) {
  std::string out;
  const uint32_t n = std::min<uint32_t>(Size, 255);
  for (uint32_t i = 0; i < n && Data[i] != 0; ++i) {
    const uint8_t c = Data[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// One loaded "icon" chunk.
struct LoadedIcon {
  std::unique_ptr<TIcon> Icon;
  bool IsIcon = false;
  classlib::TPoint HotSpot;
  TChunkHeader Chunk;
  int Colors = 0;
};

// Loads an "icon" chunk's icon or cursor file; false when it does not
// decode, which ends the frame list.
bool LoadIconChunk(const Chunk& C, LoadedIcon& Out) {
  if (C.Size < 6) return false;
  std::vector<uint8_t> bytes(C.Data, C.Data + C.Size);
  const uint16_t type = GetLE16(bytes.data() + 2);
  const uint16_t count = GetLE16(bytes.data() + 4);
  Out.IsIcon = type == 1;
  if (type == 2) classlib::PutLE16(bytes.data() + 2, 1);
  auto icon = std::make_unique<TIcon>();
  try {
    classlib::TMemoryStream ms;
    ms.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    ms.SetPosition(0);
    icon->LoadFromStream(&ms);
  } catch (const classlib::EInvalidGraphic&) {
    return false;
  }
  // The icon decoded, so its directory lies within the chunk.
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* e = bytes.data() + 6 + 16 * static_cast<size_t>(i);
    Out.HotSpot = classlib::TPoint{GetLE16(e + 4), GetLE16(e + 6)};
    const uint32_t size = GetLE32(e + 8), offset = GetLE32(e + 12);
    if (size >= 40 && offset <= bytes.size() && bytes.size() - offset >= size &&
        GetLE32(bytes.data() + offset) >= 40) {
      const uint16_t bits = GetLE16(bytes.data() + offset + 14);
      if (bits == 1 || bits == 4 || bits == 8) Out.Colors = std::max(Out.Colors, 1 << bits);
    }
  }
  if (Out.IsIcon) Out.HotSpot = classlib::TPoint{icon->Width() / 2, icon->Height() / 2};
  std::memcpy(Out.Chunk.Id, C.Header, 4);
  Out.Chunk.Size = C.Size;
  Out.Icon = std::move(icon);
  return true;
}

}  // namespace

TIconFrame::TIconFrame() = default;
TIconFrame::~TIconFrame() = default;

void TIconFrame::Assign(classlib::TPersistent* Source) {
  auto* f = dynamic_cast<TIconFrame*>(Source);
  if (!f) {
    TPersistent::Assign(Source);
    return;
  }
  if (f == this) return;
  std::unique_ptr<TIcon> icon;
  if (f->icon_) {
    icon = std::make_unique<TIcon>();
    icon->Assign(f->icon_.get());
  }
  icon_ = std::move(icon);
  IsIcon = f->IsIcon;
  Chunk = f->Chunk;
  HotSpot = f->HotSpot;
  Rate = f->Rate;
  IconIndex = f->IconIndex;
}

TAnimatedCursorImage::TAnimatedCursorImage() = default;
TAnimatedCursorImage::~TAnimatedCursorImage() = default;

void TAnimatedCursorImage::Clear() {
  header_ = TAniHeader{};
  title_.clear();
  creator_.clear();
  colors_ = 0;
  frames_.clear();
}

TIconFrame* TAnimatedCursorImage::Frame(int Index) const {
  if (Index < 0 || Index >= FrameCount())
    throw classlib::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return frames_[Index].get();
}

void TAnimatedCursorImage::LoadFromStream(classlib::TStream* Stream) {
  try {
    const int64_t left = Stream->Size() - Stream->Position();
    if (left < 12) ReadError();
    std::vector<uint8_t> data(static_cast<size_t>(left));
    Stream->ReadBuffer(data.data(), left);
    Parse(data.data(), data.size());
  } catch (...) {
    Clear();
    throw;
  }
}

void TAnimatedCursorImage::LoadFromFile(const std::string& FileName) {
  try {
    classlib::TFileStream file(FileName, classlib::fmOpenRead | classlib::fmShareDenyWrite);
    LoadFromStream(&file);
  } catch (...) {
    Clear();
    throw;
  }
}

void TAnimatedCursorImage::SaveToStream(classlib::TStream*) { RaiseNotImplemented(); }
void TAnimatedCursorImage::SaveToFile(const std::string&) { RaiseNotImplemented(); }

void TAnimatedCursorImage::Parse(const uint8_t* Data, size_t Size) {
  if (Size < 12 || !IdIs(Data, "RIFF") || !IdIs(Data + 8, "ACON")) ReadError();
  const uint32_t riff_size = GetLE32(Data + 4);
  if (riff_size < 4 || riff_size > Size - 8) ReadError();
  // No count may ask for more entries than the file could hold.
  const uint64_t count_limit = Size / 4;

  bool have_header = false;
  TAniHeader header;
  std::vector<uint32_t> rates, sequence;
  std::string title, creator;
  std::vector<LoadedIcon> icons;
  bool icons_ended = false;

  ForEachChunk(Data + 12, Data + 8 + riff_size, [&](const Chunk& c) {
    if (IdIs(c.Header, "anih")) {
      if (c.Size < 36) ReadError();
      uint32_t* fields[] = {&header.HeaderSize, &header.Frames, &header.Steps,
                            &header.Width,      &header.Height, &header.BitCount,
                            &header.Planes,     &header.Rate,   &header.Flags};
      for (int i = 0; i < 9; ++i) *fields[i] = GetLE32(c.Data + 4 * i);
      if (!(header.Flags & kAniIconFlag) || header.Steps == 0 || header.Steps > count_limit ||
          header.Frames > count_limit)
        ReadError();
      have_header = true;
    } else if (IdIs(c.Header, "rate") || IdIs(c.Header, "seq ")) {
      auto& values = IdIs(c.Header, "rate") ? rates : sequence;
      values.clear();
      for (uint32_t i = 0; i + 4 <= c.Size; i += 4) values.push_back(GetLE32(c.Data + i));
    } else if (IdIs(c.Header, "LIST") && c.Size >= 4) {
      const uint8_t* end = c.Data + c.Size;
      if (IdIs(c.Data, "fram")) {
        ForEachChunk(c.Data + 4, end, [&](const Chunk& ic) {
          if (icons_ended) return false;
          if (!IdIs(ic.Header, "icon")) return true;
          LoadedIcon loaded;
          if (!LoadIconChunk(ic, loaded)) {
            icons_ended = true;
            return false;
          }
          icons.push_back(std::move(loaded));
          return true;
        });
      } else if (IdIs(c.Data, "INFO")) {
        ForEachChunk(c.Data + 4, end, [&](const Chunk& ic) {
          if (IdIs(ic.Header, "INAM")) title = InfoText(ic.Data, ic.Size);
          if (IdIs(ic.Header, "IART")) creator = InfoText(ic.Data, ic.Size);
          return true;
        });
      }
    }
    return true;
  });
  if (!have_header) ReadError();

  // One frame per step: the step's rate (or the default) and the icon it
  // shows (its "seq " entry, or icon i at step i).
  std::vector<std::unique_ptr<TIconFrame>> frames;
  for (uint32_t i = 0; i < header.Steps; ++i) {
    auto f = std::make_unique<TIconFrame>();
    f->Rate = i < rates.size() ? rates[i] : header.Rate;
    f->IconIndex = i < sequence.size() ? sequence[i] : i;
    frames.push_back(std::move(f));
  }
  int colors = 0;
  for (size_t n = 0; n < icons.size(); ++n) {
    LoadedIcon& loaded = icons[n];
    colors = std::max(colors, loaded.Colors);
    bool shown = false;
    const auto give = [&](TIconFrame& f) {
      auto icon = std::make_unique<TIcon>();
      icon->Assign(loaded.Icon.get());
      f.SetIcon(std::move(icon));
      f.IsIcon = loaded.IsIcon;
      f.Chunk = loaded.Chunk;
      f.HotSpot = loaded.HotSpot;
    };
    for (auto& f : frames)
      if (f->IconIndex == n) {
        give(*f);
        shown = true;
      }
    if (!shown) {
      auto f = std::make_unique<TIconFrame>();
      f->Rate = header.Rate;
      f->IconIndex = static_cast<uint32_t>(n);
      give(*f);
      frames.push_back(std::move(f));
    }
  }
  frames.erase(
      std::remove_if(frames.begin(), frames.end(), [](const auto& f) { return !f->Icon(); }),
      frames.end());
  if (frames.empty()) ReadError();
  header.Steps = static_cast<uint32_t>(frames.size());

  header_ = header;
  title_ = std::move(title);
  creator_ = std::move(creator);
  colors_ = colors;
  frames_ = std::move(frames);
}

void TAnimatedCursorImage::Assign(classlib::TPersistent* Source) {
  if (Source == this) return;
  if (!Source) {
    Clear();
    return;
  }
  auto* a = dynamic_cast<TAnimatedCursorImage*>(Source);
  if (!a) {
    TPersistent::Assign(Source);
    return;
  }
  try {
    std::vector<std::unique_ptr<TIconFrame>> frames;
    for (const auto& f : a->frames_) {
      frames.push_back(std::make_unique<TIconFrame>());
      frames.back()->Assign(f.get());
    }
    header_ = a->header_;
    title_ = a->title_;
    creator_ = a->creator_;
    colors_ = a->colors_;
    frames_ = std::move(frames);
  } catch (...) {
    Clear();
    throw;
  }
}

void TAnimatedCursorImage::AssignTo(classlib::TPersistent* Dest) {
  if (auto* gif = dynamic_cast<TGIFImage*>(Dest)) {
    gif->Assign(nullptr);
    gif->SetScreenColor(classlib::clWindow);
    for (const auto& f : frames_) {
      const int index = gif->AppendFrame(f->Icon());
      gif->FrameAt(index)->SetDisplayTime(
          static_cast<uint16_t>(std::min<uint64_t>(uint64_t{f->Rate} * 100 / 6, 0xFFFF)));
    }
    return;
  }
  if (auto* icon = dynamic_cast<TIcon*>(Dest)) {
    icon->Assign(frames_.empty() ? nullptr : frames_[0]->Icon());
    return;
  }
  if (auto* list = dynamic_cast<TIconList*>(Dest)) {
    list->BeginUpdate();
    try {
      list->Clear();
      for (const auto& f : frames_) list->Add(f->Icon());
    } catch (...) {
      list->EndUpdate();
      throw;
    }
    list->EndUpdate();
    return;
  }
  if (auto* bitmap = dynamic_cast<classlib::TBitmap*>(Dest)) {
    int width = 0, height = 0;
    for (const auto& f : frames_) {
      width += f->Icon()->Width();
      height = std::max(height, f->Icon()->Height());
    }
    bitmap->SetPixelFormat(classlib::pf24bit);
    bitmap->SetSize(width, height);
    classlib::TCanvas* canvas = bitmap->Canvas();
    canvas->FillRect(classlib::TRect{0, 0, width, height});
    int x = 0;
    for (const auto& f : frames_) {
      canvas->Draw(x, 0, f->Icon());
      x += f->Icon()->Width();
    }
    if (width > 0 && height > 0) {
      auto reduced = ReduceBitmapToColors(bitmap, std::max(colors_, 16));
      bitmap->LoadFromStream(reduced.get());
    }
    return;
  }
  TPersistent::AssignTo(Dest);
}

}  // namespace lumicast
