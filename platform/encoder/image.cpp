// Image objects: creation, filling and the alpha mask.
#include "platform/encoder/image.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/encoder/mcl.h"

namespace mcl {

namespace {

std::atomic<size_t> gLiveStorages{0};

// Pixel storage that counts itself, so that tests can see that a finished conversion leaves none.
struct CountedStorage : PixelBuffer::Bytes {
  CountedStorage() { ++gLiveStorages; }
  ~CountedStorage() { --gLiveStorages; }
};

// Kept storages per image: the encoding queue's frames, the one being converted and a spare.
constexpr size_t kMaxKeptStorages = 8;

}  // namespace

namespace {

// Blocks from this size on are aligned to large pages and advised to use them.
constexpr size_t kLargePage = size_t{2} << 20;

}  // namespace

void* AllocatePixelMemory(size_t bytes) {
  if (bytes < kLargePage) return ::operator new(bytes);
  const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
  void* p = ::operator new (rounded, std::align_val_t{kLargePage});
  // Advice only: where large pages are not to be had, the memory works as ordinary pages.
  madvise(p, rounded, MADV_HUGEPAGE);
  return p;
}

void FreePixelMemory(void* p, size_t bytes) noexcept {
  if (bytes < kLargePage)
    ::operator delete(p);
  else
    ::operator delete (p, std::align_val_t{kLargePage});
}

size_t PixelBuffer::LiveStorageCount() { return gLiveStorages.load(); }

void PixelBuffer::Own(bool keep) {
  if (buf_ && buf_.use_count() == 1) {
    // The last other holder let go on another thread: what it did with the pixels comes first.
    std::atomic_thread_fence(std::memory_order_acquire);
    return;
  }
  Storage own;
  for (auto it = kept_.begin(); it != kept_.end(); ++it)
    if (it->use_count() == 1) {
      std::atomic_thread_fence(std::memory_order_acquire);
      own = std::move(*it);
      kept_.erase(it);
      break;
    }
  if (!own) own = std::make_shared<CountedStorage>();
  if (buf_) {
    if (keep) own->assign(buf_->begin(), buf_->end());
    if (kept_.size() < kMaxKeptStorages) kept_.push_back(std::move(buf_));
  }
  buf_ = std::move(own);
}

void Image::Reset(int32_t w, int32_t h) {
  width = w;
  height = h;
  hasAlpha = false;
  indices.clear();
  // Kept storage is reused: a frame of the same size allocates nothing.
  bgra.resize(size_t(w) * size_t(h) * 4);
}

namespace {

// Copies rows [y0, y1) of top-down 24- or 32-bit pixels into 32-bit rows from `base`, 24-bit
// ones widened with alpha 255.
void CopyRows(uint8_t* base, int32_t width, int32_t bits, const uint8_t* pixels, ptrdiff_t stride,
              int32_t y0, int32_t y1) {
  for (int32_t y = y0; y < y1; ++y) {
    const uint8_t* src = pixels + stride * y;
    uint8_t* dst = base + size_t(y) * size_t(width) * 4;
    if (bits == 32) {
      std::memcpy(dst, src, size_t(width) * 4);
    } else if constexpr (std::endian::native == std::endian::little) {
      // Four pixels from three words, each word's fourth byte made 255; the rest of the row
      // pixel by pixel, so that nothing past the row is read.
      int32_t x = 0;
      for (; x + 4 <= width; x += 4, src += 12, dst += 16) {
        uint32_t in[3], out[4];
        std::memcpy(in, src, 12);
        out[0] = in[0] | 0xFF000000u;
        out[1] = in[0] >> 24 | in[1] << 8 | 0xFF000000u;
        out[2] = in[1] >> 16 | in[2] << 16 | 0xFF000000u;
        out[3] = in[2] >> 8 | 0xFF000000u;
        std::memcpy(dst, out, 16);
      }
      for (; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 255;
      }
    } else {
      for (int32_t x = 0; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 255;
      }
    }
  }
}

// Pixels from which a copy is split over threads: one core's memory bandwidth limits a copy of a
// large frame, and the caller (the capturing thread) waits for it.
constexpr int64_t kSplitPixels = int64_t{1} << 19;
constexpr int32_t kMaxCopyThreads = 4;

}  // namespace

int32_t SetImagePixels(MclHandle handle, int32_t width, int32_t height, int32_t bits,
                       const uint8_t* pixels, ptrdiff_t stride) {
  Image* img = FindAs<Image>(handle);
  if (!img) return kMclBadImage;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || !pixels ||
      (bits != 24 && bits != 32))
    return kMclBadInput;
  const ptrdiff_t rowBytes = ptrdiff_t(width) * (bits / 8);
  if (stride < rowBytes && -stride < rowBytes) return kMclBadInput;
  img->Reset(width, height);
  img->hasAlpha = bits == 32;
  uint8_t* const base = img->Row(0);  // the storage made the image's own, once, on this thread
  int32_t parts = 1;
  if (int64_t{width} * height >= kSplitPixels)
    parts = std::clamp<int32_t>(static_cast<int32_t>(std::thread::hardware_concurrency()), 1,
                                kMaxCopyThreads);
  std::vector<std::thread> helpers;
  int32_t done = 0;  // rows [0, done) are handed to helper threads
  for (int32_t i = 1; i < parts; ++i) {
    const int32_t y0 = done, y1 = static_cast<int32_t>(int64_t{height} * i / parts);
    try {
      helpers.emplace_back([=] { CopyRows(base, width, bits, pixels, stride, y0, y1); });
      done = y1;
    } catch (const std::system_error&) {
      break;  // no thread to be had: the caller copies the rest
    }
  }
  CopyRows(base, width, bits, pixels, stride, done, height);
  for (std::thread& t : helpers) t.join();
  return kMclOk;
}

int32_t SetImagePixels8(MclHandle handle, int32_t width, int32_t height, const uint8_t* pixels,
                        ptrdiff_t stride, const uint8_t* palette, int32_t paletteCount) {
  Image* img = FindAs<Image>(handle);
  if (!img) return kMclBadImage;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || !pixels ||
      (stride < width && -stride < width) || paletteCount < 0 || paletteCount > 256 ||
      (paletteCount > 0 && !palette))
    return kMclBadInput;
  img->Reset(width, height);
  img->indices.resize(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = pixels + stride * y;
    uint8_t* dst = img->Row(y);
    std::memcpy(img->indices.data() + size_t(y) * size_t(width), src, size_t(width));
    for (int32_t x = 0; x < width; ++x, dst += 4) {
      const int i = src[x];
      if (i < paletteCount) {
        dst[0] = palette[i * 4];
        dst[1] = palette[i * 4 + 1];
        dst[2] = palette[i * 4 + 2];
      } else {  // an index beyond the palette is black
        dst[0] = dst[1] = dst[2] = 0;
      }
      dst[3] = 255;
    }
  }
  return kMclOk;
}

}  // namespace mcl

MclHandle MclImgCreate() { return mcl::Register(std::make_unique<mcl::Image>()); }

int32_t MclImgFree(MclHandle image) {
  if (!mcl::FindAs<mcl::Image>(image)) return kMclBadImage;
  mcl::Release(image);
  return kMclOk;
}

uint8_t* MclImgWritePixels(MclHandle image, int32_t width, int32_t height, int32_t withAlpha) {
  mcl::Image* img = mcl::FindAs<mcl::Image>(image);
  if (!img || width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  img->Reset(width, height);
  img->hasAlpha = withAlpha != 0;
  return img->Row(0);
}

int32_t MclImgAddAlpha(MclHandle image, MclHandle mask) {
  mcl::Image* img = mcl::FindAs<mcl::Image>(image);
  mcl::Image* m = mcl::FindAs<mcl::Image>(mask);
  if (!img || !m) return kMclBadImage;
  if (img->Empty() || m->width != img->width || m->height != img->height) return kMclBadInput;
  // The mask's bytes are the alpha values: the bytes of an 8-bit mask, else
  // the first (blue) byte of each pixel.
  const size_t n = size_t(img->width) * size_t(img->height);
  uint8_t* px = img->bgra.data();
  if (m->indices.size() == n) {
    for (size_t i = 0; i < n; ++i) px[i * 4 + 3] = m->indices[i];
  } else {
    const uint8_t* mask_px = std::as_const(m->bgra).data();
    for (size_t i = 0; i < n; ++i) px[i * 4 + 3] = mask_px[i * 4];
  }
  img->hasAlpha = true;
  return kMclOk;
}
