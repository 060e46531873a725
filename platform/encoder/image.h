// Images of the library: top-down 32-bit B, G, R, A pixels with a flag that
// says whether the alpha bytes carry information.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/encoder/handles.h"

namespace mcl {

// Memory for `bytes` bytes of pixels; large blocks are aligned to and backed by large pages
// where the system offers them, so that first touching a frame's memory costs a few faults
// instead of one for every 4 KB.
void* AllocatePixelMemory(size_t bytes);
void FreePixelMemory(void* p, size_t bytes) noexcept;

// An allocator that leaves the elements a container grows by uninitialised: pixel storage is
// always written whole before it is read, and zeroing it first would only cost a pass over it.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <typename U>
  UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
  T* allocate(size_t n) { return static_cast<T*>(AllocatePixelMemory(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { FreePixelMemory(p, n * sizeof(T)); }
  template <typename U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// Pixel storage that the encoding thread's queue shares instead of copying. Changing it while
// it is shared first gives it storage of its own (a kept one the queue has let go of where there
// is one), so the shared pixels stay as they were until the queue is done with them.
class PixelBuffer {
 public:
  using Bytes = std::vector<uint8_t, UninitializedAllocator<uint8_t>>;

  size_t size() const { return buf_ ? buf_->size() : 0; }
  bool empty() const { return size() == 0; }
  const uint8_t* data() const { return buf_ ? buf_->data() : nullptr; }
  uint8_t* data() {
    Own(true);
    return buf_->data();
  }
  const uint8_t& operator[](size_t i) const { return data()[i]; }
  uint8_t& operator[](size_t i) { return data()[i]; }
  const uint8_t* begin() const { return data(); }
  const uint8_t* end() const { return data() + size(); }
  // The contents are undefined after a resize that changes storage.
  void resize(size_t n) {
    Own(false);
    buf_->resize(n);
  }
  void assign(const uint8_t* first, const uint8_t* last) {
    Own(false);
    buf_->assign(first, last);
  }
  // Storages of pixels alive in the process (the image's own, shared ones and kept ones).
  static size_t LiveStorageCount();
  // Shares `other`'s pixels, without copying them.
  void Share(const PixelBuffer& other) { buf_ = other.buf_; }
  void Release() { buf_.reset(); }
  bool Shared() const { return buf_ && buf_.use_count() > 1; }

 private:
  using Storage = std::shared_ptr<Bytes>;
  // Makes the storage this buffer's alone, copying the pixels over when `keep`.
  void Own(bool keep);
  Storage buf_;
  // Storage shared before, taken again once no one else holds it: enough for every frame the
  // encoding queue may hold, so that refilling an image allocates nothing after the first frames.
  std::vector<Storage> kept_;
};

struct Image : Object {
  int32_t width = 0;
  int32_t height = 0;
  bool hasAlpha = false;
  PixelBuffer bgra;  // width * height * 4 bytes, top row first
  // For an image made from an 8-bit bitmap: its bytes (palette indices), top
  // row first; empty otherwise. A mask's bytes are the alpha values.
  std::vector<uint8_t> indices;

  bool Empty() const { return width <= 0 || height <= 0; }
  uint8_t* Row(int32_t y) { return bgra.data() + size_t(y) * size_t(width) * 4; }
  const uint8_t* Row(int32_t y) const { return bgra.data() + size_t(y) * size_t(width) * 4; }
  // Resizes to width x height (contents undefined), alpha 255 assumed.
  // Keeps its storage, so refilling an image of the same size allocates nothing.
  void Reset(int32_t w, int32_t h);
};

// Fills an image from top-down pixels (24-bit B,G,R or 32-bit B,G,R,A rows,
// `stride` bytes apart). Returns a result code.
int32_t SetImagePixels(MclHandle image, int32_t width, int32_t height, int32_t bits,
                       const uint8_t* pixels, ptrdiff_t stride);

// Fills an image from top-down 8-bit rows and a 256-entry palette of B,G,R,x
// quadruples; keeps the bytes themselves for use as a mask.
int32_t SetImagePixels8(MclHandle image, int32_t width, int32_t height, const uint8_t* pixels,
                        ptrdiff_t stride, const uint8_t* palette, int32_t paletteCount);

// Writes an image to a file. `format` is one of the kMclImage... values;
// `withAlpha` keeps the alpha where the format can hold it; quality 1..100
// or kMclNoQuality. Returns a result code.
int32_t WriteImageFile(const Image& image, const std::string& fileName, int32_t format,
                       double quality, bool withAlpha);

}  // namespace mcl
