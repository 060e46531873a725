#include "platform/classlib/resources.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/classlib/application.h"
#include "platform/classlib/bitmap.h"
#include "platform/classlib/string_utils.h"

namespace classlib {

namespace {

std::string Key(const std::string& Name) {
  std::string k = Name;
  std::transform(k.begin(), k.end(), k.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return k;
}

struct Registry {
  std::mutex lock;
  std::map<std::string, TResourceData> entries;
};

Registry& Resources() {
  static Registry registry;
  return registry;
}

void Register(const std::string& Name, const TResourceData& Entry) {
  Registry& r = Resources();
  std::lock_guard<std::mutex> g(r.lock);
  r.entries[Key(Name)] = Entry;
}

}  // namespace

void RegisterResource(const std::string& Name, const void* Data, size_t Size) {
  TResourceData e;
  e.Data = static_cast<const uint8_t*>(Data);
  e.Size = Data == nullptr ? 0 : Size;
  Register(Name, e);
}

void RegisterCursorResource(const std::string& Name, const void* Data, size_t Size, int HotX,
                            int HotY) {
  TResourceData e;
  e.Data = static_cast<const uint8_t*>(Data);
  e.Size = Data == nullptr ? 0 : Size;
  e.HotX = HotX;
  e.HotY = HotY;
  e.IsCursor = true;
  Register(Name, e);
}

bool FindResource(const std::string& Name, TResourceData& Out) {
  Registry& r = Resources();
  std::lock_guard<std::mutex> g(r.lock);
  auto it = r.entries.find(Key(Name));
  if (it == r.entries.end()) return false;
  Out = it->second;
  return true;
}

TResourceData ResourceByName(const std::string& Name) {
  TResourceData e;
  if (!FindResource(Name, e)) throw EResNotFound(Format("Resource %s not found", {Name}));
  return e;
}

TResourceStream::TResourceStream(const std::string& ResName) {
  TResourceData e = ResourceByName(ResName);
  data_ = e.Data;
  size_ = e.Size;
}

int64_t TResourceStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || pos_ >= static_cast<int64_t>(size_)) return 0;
  int64_t n = std::min<int64_t>(Count, static_cast<int64_t>(size_) - pos_);
  std::memcpy(Buffer, data_ + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TResourceStream::Write(const void*, int64_t) { throw EWriteError("Stream write error"); }

int64_t TResourceStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == TSeekOrigin::soBeginning ? 0
                 : Origin == TSeekOrigin::soCurrent ? pos_
                                                    : static_cast<int64_t>(size_);
  int64_t p = base + Offset;
  if (p < 0) p = 0;
  pos_ = p;
  return pos_;
}

void TBitmap::LoadFromResourceName(const std::string& ResName) {
  TResourceStream s(ResName);
  LoadFromStream(&s);
}

void LoadCursorResource(int Id, const std::string& ResName) {
  TResourceData e = ResourceByName(ResName);
  TBitmap bmp;
  TResourceStream s(ResName);
  bmp.LoadFromStream(&s);
  if (bmp.PixelFormat() != pf32bit || bmp.Empty())
    throw EInvalidGraphic(Format("Resource %s is not a 32-bit cursor image", {ResName}));
  const int w = bmp.Width();
  const int h = bmp.Height();
  std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = bmp.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = row + 4 * x;
      argb[static_cast<size_t>(y) * w + x] =
          (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[0]);
    }
  }
  Screen->SetCustomCursor(Id, w, h, argb, std::clamp(e.HotX, 0, w - 1),
                          std::clamp(e.HotY, 0, h - 1));
}

}  // namespace classlib
