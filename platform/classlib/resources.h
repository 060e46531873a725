// Named resources: data compiled into the program (the generated artwork) and
// registered by name at start, before any window is created. Names compare
// without regard to case, like the resource names of the original platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/stream.h"

namespace classlib {

// Raised when a resource asked for by name was never registered:
// "Resource <name> not found".
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

// Registers Size bytes at Data under Name. The bytes are not copied: they must
// stay valid for the life of the program (static data). A second registration
// under the same name replaces the first.
void RegisterResource(const std::string& Name, const void* Data, size_t Size);

// A cursor resource: a 32-bit BMP stream (B, G, R, A, bottom-up) and its hot spot.
void RegisterCursorResource(const std::string& Name, const void* Data, size_t Size, int HotX,
                            int HotY);

struct TResourceData {
  const uint8_t* Data = nullptr;
  size_t Size = 0;
  int HotX = 0;  // hot spot, for cursor resources
  int HotY = 0;
  bool IsCursor = false;
};

// Looks a resource up; false when none has the name.
bool FindResource(const std::string& Name, TResourceData& Out);
// As FindResource, raising EResNotFound when missing.
TResourceData ResourceByName(const std::string& Name);

// A read-only stream over a registered resource's bytes.
class TResourceStream : public TStream {
 public:
  explicit TResourceStream(const std::string& ResName);  // EResNotFound
  std::string ClassName() const override { return "TResourceStream"; }
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;  // EWriteError: read-only
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(size_); }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  int64_t pos_ = 0;
};

// Installs the cursor resource ResName as the screen's custom cursor Id
// (ARGB pixels and hot spot). EResNotFound when missing, EInvalidGraphic when
// the resource is not a 32-bit bitmap.
void LoadCursorResource(int Id, const std::string& ResName);

}  // namespace classlib
