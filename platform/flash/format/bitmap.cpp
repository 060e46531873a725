// Decoding of the bitmap tags into premultiplied B,G,R,A pixels (JPEG through the TurboJPEG
// library, PNG through libpng, GIF through giflib; the lossless formats and the alpha planes are
// zlib data), and the cache that keeps decoded bitmaps under a budget.
#include "platform/flash/format/bitmap.h"

#include <gif_lib.h>
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/flash/format/errors.h"
#include "platform/flash/format/inflate.h"

namespace flash {
namespace {

void CheckSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
      width * height > kMaxBitmapPixels)
    throw FormatError("bitmap size " + std::to_string(width) + "x" + std::to_string(height) +
                      " is out of range");
}

bool StartsWith(const std::vector<uint8_t>& d, std::initializer_list<uint8_t> sig) {
  return d.size() >= sig.size() && std::equal(sig.begin(), sig.end(), d.begin());
}

// Rewrites a JPEG stream as movies store it into one a decoder accepts: drops the extra
// end-of-image/start-of-image markers that separate the tables from the image (and the
// erroneous FF D9 FF D8 some encoders put in front), keeping one start marker.
std::vector<uint8_t> NormalizeJpeg(const uint8_t* d, size_t n) {
  std::vector<uint8_t> out{0xFF, 0xD8};
  size_t i = 0;
  while (i < n) {
    if (d[i] != 0xFF) throw FormatError("JPEG data has a broken marker");
    while (i < n && d[i] == 0xFF) ++i;  // fill bytes
    if (i >= n) break;
    uint8_t m = d[i++];
    if (m == 0xD8 || m == 0xD9) continue;
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
      out.push_back(0xFF);
      out.push_back(m);
      continue;
    }
    if (n - i < 2) throw FormatError("JPEG segment is truncated");
    size_t len = (static_cast<size_t>(d[i]) << 8) | d[i + 1];
    if (len < 2 || len > n - i) throw FormatError("JPEG segment length is out of range");
    out.push_back(0xFF);
    out.push_back(m);
    if (m == 0xDA) {  // start of scan: the entropy-coded rest follows
      out.insert(out.end(), d + i, d + n);
      if (out.size() < 2 || out[out.size() - 2] != 0xFF || out.back() != 0xD9) {
        out.push_back(0xFF);
        out.push_back(0xD9);
      }
      return out;
    }
    out.insert(out.end(), d + i, d + i + len);
    i += len;
  }
  throw FormatError("JPEG data has no image");
}

// Premultiplies straight B,G,R,A pixels in place; `alpha` (one byte a pixel, or null) replaces
// their own alpha first.
void Premultiply(BitmapPixels& p, const uint8_t* alpha) {
  uint8_t* px = p.bgra_premultiplied.data();
  size_t count = static_cast<size_t>(p.width) * p.height;
  for (size_t i = 0; i < count; ++i, px += 4) {
    unsigned a = alpha ? alpha[i] : px[3];
    px[0] = static_cast<uint8_t>((px[0] * a + 127) / 255);
    px[1] = static_cast<uint8_t>((px[1] * a + 127) / 255);
    px[2] = static_cast<uint8_t>((px[2] * a + 127) / 255);
    px[3] = static_cast<uint8_t>(a);
  }
}

// A JPEG stream to opaque B,G,R,A pixels. Data that ends early or has damaged entropy-coded
// segments still gives its picture, as far as it decodes.
BitmapPixels DecodeJpeg(const std::vector<uint8_t>& jpeg) {
  struct Handle {
    tjhandle h = tjInitDecompress();
    ~Handle() {
      if (h) tjDestroy(h);
    }
  } tj;
  if (!tj.h) throw FormatError("JPEG decoder cannot start");
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  auto* src = const_cast<unsigned char*>(jpeg.data());
  auto size = static_cast<unsigned long>(jpeg.size());
  if (tjDecompressHeader3(tj.h, src, size, &width, &height, &subsampling, &colorspace) != 0)
    throw FormatError(std::string("JPEG image cannot be read: ") + tjGetErrorStr2(tj.h));
  CheckSize(width, height);
  BitmapPixels p;
  p.width = width;
  p.height = height;
  p.bgra_premultiplied.assign(static_cast<size_t>(width) * height * 4, 0);
  if (tjDecompress2(tj.h, src, size, p.bgra_premultiplied.data(), width, width * 4, height,
                    TJPF_BGRA, 0) != 0 &&
      tjGetErrorCode(tj.h) != TJERR_WARNING)
    throw FormatError(std::string("JPEG image cannot be decoded: ") + tjGetErrorStr2(tj.h));
  for (size_t i = 3; i < p.bgra_premultiplied.size(); i += 4) p.bgra_premultiplied[i] = 255;
  return p;
}

BitmapPixels DecodePng(const std::vector<uint8_t>& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  struct Freer {
    png_image* i;
    ~Freer() { png_image_free(i); }
  } freer{&image};
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
    throw FormatError(std::string("PNG image cannot be read: ") + image.message);
  CheckSize(image.width, image.height);
  image.format = PNG_FORMAT_BGRA;
  BitmapPixels p;
  p.width = static_cast<int>(image.width);
  p.height = static_cast<int>(image.height);
  p.bgra_premultiplied.assign(static_cast<size_t>(p.width) * p.height * 4, 0);
  if (!png_image_finish_read(&image, nullptr, p.bgra_premultiplied.data(), 0, nullptr))
    throw FormatError(std::string("PNG image cannot be decoded: ") + image.message);
  Premultiply(p, nullptr);
  return p;
}

// The first image of a GIF, on its logical screen (transparent where the image does not cover).
BitmapPixels DecodeGif(const std::vector<uint8_t>& gif) {
  struct Source {
    const std::vector<uint8_t>* data;
    size_t pos = 0;
  } source{&gif};
  auto read = [](GifFileType* f, GifByteType* buf, int n) -> int {
    auto* s = static_cast<Source*>(f->UserData);
    size_t take = std::min<size_t>(static_cast<size_t>(std::max(n, 0)), s->data->size() - s->pos);
    std::memcpy(buf, s->data->data() + s->pos, take);
    s->pos += take;
    return static_cast<int>(take);
  };
  int error = 0;
  GifFileType* f = DGifOpen(&source, read, &error);
  if (!f) throw FormatError(std::string("GIF image cannot be read: ") + GifErrorString(error));
  struct Closer {
    GifFileType* f;
    ~Closer() { DGifCloseFile(f, nullptr); }
  } closer{f};
  CheckSize(f->SWidth, f->SHeight);
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(f, &type) == GIF_ERROR) throw FormatError("GIF image is damaged");
    if (type == TERMINATE_RECORD_TYPE) throw FormatError("GIF has no image");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(f, &code, &ext) == GIF_ERROR) throw FormatError("GIF image is damaged");
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1))
        transparent = ext[4];
      while (ext) {
        if (DGifGetExtensionNext(f, &ext) == GIF_ERROR) throw FormatError("GIF image is damaged");
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(f) == GIF_ERROR) throw FormatError("GIF image is damaged");
    const GifImageDesc& d = f->Image;
    // The frame must lie on the screen and must not be larger than it before anything is allocated.
    if (d.Left < 0 || d.Top < 0 || d.Width <= 0 || d.Height <= 0 || d.Left + d.Width > f->SWidth ||
        d.Top + d.Height > f->SHeight)
      throw FormatError("GIF image lies outside its screen");
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : f->SColorMap;
    if (!map) throw FormatError("GIF image has no colours");
    BitmapPixels p;
    p.width = f->SWidth;
    p.height = f->SHeight;
    p.bgra_premultiplied.assign(static_cast<size_t>(p.width) * p.height * 4, 0);
    std::vector<GifPixelType> line(static_cast<size_t>(d.Width));
    auto store = [&](int row) {
      uint8_t* dst =
          p.bgra_premultiplied.data() + (static_cast<size_t>(d.Top + row) * p.width + d.Left) * 4;
      for (int x = 0; x < d.Width; ++x, dst += 4) {
        int index = line[x];
        if (index == transparent || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        dst[0] = c.Blue;
        dst[1] = c.Green;
        dst[2] = c.Red;
        dst[3] = 255;
      }
    };
    if (d.Interlace) {
      static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int row = kStart[pass]; row < d.Height; row += kStep[pass]) {
          if (DGifGetLine(f, line.data(), d.Width) == GIF_ERROR) return p;  // keep the rows read
          store(row);
        }
    } else {
      for (int row = 0; row < d.Height; ++row) {
        if (DGifGetLine(f, line.data(), d.Width) == GIF_ERROR) return p;
        store(row);
      }
    }
    return p;
  }
}

BitmapPixels DecodeEmbedded(const std::vector<uint8_t>& image, const std::vector<uint8_t>& alpha) {
  if (StartsWith(image, {0x89, 'P', 'N', 'G'})) return DecodePng(image);
  if (StartsWith(image, {'G', 'I', 'F', '8', '9', 'a'})) return DecodeGif(image);
  BitmapPixels p = DecodeJpeg(NormalizeJpeg(image.data(), image.size()));
  if (!alpha.empty()) {
    std::vector<uint8_t> plane = InflateExact(
        alpha.data(), alpha.size(), static_cast<size_t>(p.width) * p.height, "bitmap alpha data");
    Premultiply(p, plane.data());
  }
  return p;
}

BitmapPixels DecodeLossless(const uint8_t* data, size_t length, int version) {
  CheckLosslessHeader(data, length, version);
  uint8_t format = data[0];
  int width = data[1] | (data[2] << 8);
  int height = data[3] | (data[4] << 8);
  size_t header = format == 3 ? 6 : 5;
  size_t colors = format == 3 ? static_cast<size_t>(data[5]) + 1 : 0;
  BitmapPixels out;
  out.width = width;
  out.height = height;
  out.bgra_premultiplied.assign(static_cast<size_t>(width) * height * 4, 0);
  uint8_t* dst = out.bgra_premultiplied.data();
  const uint8_t* zdata = data + header;
  size_t zlength = length - header;
  const char* what = "compressed bitmap data";

  if (format == 3) {
    size_t entry = version == 2 ? 4 : 3;
    size_t row = (static_cast<size_t>(width) + 3) & ~size_t{3};
    std::vector<uint8_t> raw = InflateExact(zdata, zlength, colors * entry + row * height, what);
    // Colour table as premultiplied B,G,R,A; indices beyond it are transparent.
    std::vector<uint8_t> table(256 * 4, 0);
    for (size_t i = 0; i < colors; ++i) {
      const uint8_t* c = raw.data() + i * entry;
      uint8_t a = version == 2 ? c[3] : 255;
      table[i * 4 + 0] = std::min(c[2], a);
      table[i * 4 + 1] = std::min(c[1], a);
      table[i * 4 + 2] = std::min(c[0], a);
      table[i * 4 + 3] = a;
    }
    const uint8_t* pix = raw.data() + colors * entry;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x, dst += 4) std::memcpy(dst, &table[pix[y * row + x] * 4], 4);
  } else if (format == 4) {
    size_t row = (static_cast<size_t>(width) * 2 + 3) & ~size_t{3};
    std::vector<uint8_t> raw = InflateExact(zdata, zlength, row * height, what);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x, dst += 4) {
        unsigned v = (raw[y * row + x * 2] << 8) | raw[y * row + x * 2 + 1];
        unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        dst[0] = static_cast<uint8_t>((b << 3) | (b >> 2));
        dst[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
        dst[2] = static_cast<uint8_t>((r << 3) | (r >> 2));
        dst[3] = 255;
      }
    }
  } else {
    std::vector<uint8_t> raw =
        InflateExact(zdata, zlength, static_cast<size_t>(width) * height * 4, what);
    const uint8_t* p = raw.data();
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i, p += 4, dst += 4) {
      // Version 2 pixels are premultiplied alpha, red, green, blue; version 1 has no alpha.
      uint8_t a = version == 2 ? p[0] : 255;
      dst[0] = std::min(p[3], a);
      dst[1] = std::min(p[2], a);
      dst[2] = std::min(p[1], a);
      dst[3] = a;
    }
  }
  return out;
}

// Decoded bitmaps by their definition, most recently drawn first.
class DecodedCache {
 public:
  static DecodedCache& Get() {
    // Never destroyed: bitmaps of movies held by static objects may outlive any ordering.
    static DecodedCache* cache = new DecodedCache;
    return *cache;
  }

  std::shared_ptr<const BitmapPixels> Find(const BitmapDef* def) {
    std::lock_guard lock(mutex_);
    auto it = index_.find(def);
    if (it == index_.end()) return nullptr;
    lru_.splice(lru_.begin(), lru_, it->second);
    return it->second->pixels;
  }

  std::shared_ptr<const BitmapPixels> Add(const BitmapDef* def,
                                          std::shared_ptr<const BitmapPixels> pixels) {
    std::lock_guard lock(mutex_);
    auto it = index_.find(def);
    if (it != index_.end()) {  // decoded meanwhile by another thread
      lru_.splice(lru_.begin(), lru_, it->second);
      return it->second->pixels;
    }
    size_t bytes = pixels->bgra_premultiplied.size();
    lru_.push_front({def, pixels, bytes});
    index_[def] = lru_.begin();
    bytes_ += bytes;
    Trim();
    return pixels;
  }

  void Remove(const BitmapDef* def) {
    std::lock_guard lock(mutex_);
    auto it = index_.find(def);
    if (it == index_.end()) return;
    bytes_ -= it->second->bytes;
    lru_.erase(it->second);
    index_.erase(it);
  }

  void SetBudget(size_t bytes) {
    std::lock_guard lock(mutex_);
    budget_ = bytes;
    Trim();
  }

  size_t Bytes() {
    std::lock_guard lock(mutex_);
    return bytes_;
  }

 private:
  struct Entry {
    const BitmapDef* def;
    std::shared_ptr<const BitmapPixels> pixels;
    size_t bytes;
  };
  // Drops the least recently drawn bitmaps until the budget holds, keeping the newest one.
  void Trim() {
    while (bytes_ > budget_ && lru_.size() > 1) {
      const Entry& e = lru_.back();
      bytes_ -= e.bytes;
      index_.erase(e.def);
      lru_.pop_back();
    }
  }

  std::mutex mutex_;
  std::list<Entry> lru_;
  std::unordered_map<const BitmapDef*, std::list<Entry>::iterator> index_;
  size_t bytes_ = 0;
  size_t budget_ = size_t{256} << 20;
};

}  // namespace

void CheckLosslessHeader(const uint8_t* data, size_t length, int version) {
  if (length < 5) throw FormatError("lossless bitmap header is truncated");
  uint8_t format = data[0];
  CheckSize(data[1] | (data[2] << 8), data[3] | (data[4] << 8));
  if (format == 3) {
    if (length < 6) throw FormatError("lossless bitmap header is truncated");
  } else if (!(format == 5 || (format == 4 && version == 1))) {
    throw FormatError("lossless bitmap format " + std::to_string(format) + " is not known");
  }
}

BitmapDef::~BitmapDef() {
  if (encoding != Encoding::Pixels) DecodedCache::Get().Remove(this);
}

BitmapPixels BitmapDef::Decode() const {
  switch (encoding) {
    case Encoding::Pixels: return static_cast<const BitmapPixels&>(*this);
    case Encoding::Jpeg: return DecodeJpeg(NormalizeJpeg(encoded.data(), encoded.size()));
    case Encoding::Embedded: return DecodeEmbedded(encoded, alpha);
    case Encoding::Lossless1: return DecodeLossless(encoded.data(), encoded.size(), 1);
    case Encoding::Lossless2: return DecodeLossless(encoded.data(), encoded.size(), 2);
    case Encoding::Missing: break;
  }
  throw FormatError("bitmap has no image");
}

std::shared_ptr<const BitmapPixels> BitmapDef::Pixels() const {
  if (encoding == Encoding::Pixels)  // held by the definition itself: no copy, no cache
    return std::shared_ptr<const BitmapPixels>(std::shared_ptr<const BitmapPixels>(), this);
  DecodedCache& cache = DecodedCache::Get();
  if (auto found = cache.Find(this)) return found;
  auto pixels = std::make_shared<BitmapPixels>();
  try {
    *pixels = Decode();
  } catch (const FormatError&) {
    *pixels = BitmapPixels();  // an image that cannot be decoded draws nothing
  }
  return cache.Add(this, std::move(pixels));
}

void SetDecodedBitmapBudget(size_t bytes) { DecodedCache::Get().SetBudget(bytes); }

size_t DecodedBitmapBytes() { return DecodedCache::Get().Bytes(); }

}  // namespace flash
