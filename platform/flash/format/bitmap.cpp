// Decoding of the bitmap tags into premultiplied B,G,R,A pixels. JPEG, PNG and GIF images are
// decoded by Qt's image readers; the lossless formats and the alpha planes are zlib data.
#include "platform/flash/format/bitmap.h"

#include <zlib.h>

#include <algorithm>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstring>
#include <string>

#include "platform/flash/format/errors.h"

namespace flash {
namespace {

void CheckSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
      width * height > kMaxBitmapPixels)
    throw FormatError("bitmap size " + std::to_string(width) + "x" + std::to_string(height) +
                      " is out of range");
}

// Inflates zlib data into exactly `expected` bytes; fails when the data holds fewer.
std::vector<uint8_t> Inflate(const uint8_t* data, size_t length, size_t expected) {
  std::vector<uint8_t> out(expected);
  if (expected == 0) return out;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw FormatError("zlib cannot start");
  zs.next_in = const_cast<Bytef*>(data);
  zs.avail_in = static_cast<uInt>(length);
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(expected);
  int rc = Z_OK;
  while (zs.avail_out > 0 && rc == Z_OK) rc = inflate(&zs, Z_NO_FLUSH);
  size_t produced = expected - zs.avail_out;
  inflateEnd(&zs);
  if (produced < expected) throw FormatError("compressed bitmap data is short or corrupted");
  return out;
}

bool StartsWith(const uint8_t* d, size_t n, std::initializer_list<uint8_t> sig) {
  if (n < sig.size()) return false;
  size_t i = 0;
  for (uint8_t b : sig)
    if (d[i++] != b) return false;
  return true;
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

// Decodes an image file held in memory into straight (not premultiplied) 32-bit pixels.
QImage DecodeImage(const std::vector<uint8_t>& bytes, const char* format) {
  QByteArray array = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&array);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  QSize size = reader.size();
  if (size.isValid()) CheckSize(size.width(), size.height());
  QImage image;
  if (!reader.read(&image) || image.isNull()) throw FormatError("bitmap image cannot be decoded");
  CheckSize(image.width(), image.height());
  return image.convertToFormat(QImage::Format_ARGB32);
}

// Copies straight ARGB pixels (B,G,R,A bytes in memory), premultiplying them; `alpha` (one byte
// a pixel, or null) replaces the image's own alpha.
void StorePremultiplied(const QImage& image, const uint8_t* alpha, BitmapDef& out) {
  out.width = image.width();
  out.height = image.height();
  out.bgra_premultiplied.resize(static_cast<size_t>(out.width) * out.height * 4);
  uint8_t* dst = out.bgra_premultiplied.data();
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* src = image.constScanLine(y);
    for (int x = 0; x < out.width; ++x, src += 4, dst += 4) {
      unsigned a = alpha ? *alpha++ : src[3];
      dst[0] = static_cast<uint8_t>((src[0] * a + 127) / 255);
      dst[1] = static_cast<uint8_t>((src[1] * a + 127) / 255);
      dst[2] = static_cast<uint8_t>((src[2] * a + 127) / 255);
      dst[3] = static_cast<uint8_t>(a);
    }
  }
}

}  // namespace

void DecodeJpegWithTables(const uint8_t* data, size_t length, const std::vector<uint8_t>* tables,
                          BitmapDef& out) {
  std::vector<uint8_t> joined;
  if (tables && !tables->empty()) {
    // The tables' own end marker and the image's start marker are dropped by the normaliser.
    joined.assign(tables->begin(), tables->end());
  }
  joined.insert(joined.end(), data, data + length);
  QImage image = DecodeImage(NormalizeJpeg(joined.data(), joined.size()), "JPEG");
  StorePremultiplied(image, nullptr, out);
}

void DecodeEmbeddedImage(const uint8_t* data, size_t length, const uint8_t* alpha_zlib,
                         size_t alpha_length, BitmapDef& out) {
  if (StartsWith(data, length, {0x89, 'P', 'N', 'G'})) {
    StorePremultiplied(DecodeImage(std::vector<uint8_t>(data, data + length), "PNG"), nullptr, out);
    return;
  }
  if (StartsWith(data, length, {'G', 'I', 'F', '8', '9', 'a'})) {
    StorePremultiplied(DecodeImage(std::vector<uint8_t>(data, data + length), "GIF"), nullptr, out);
    return;
  }
  QImage image = DecodeImage(NormalizeJpeg(data, length), "JPEG");
  if (alpha_zlib && alpha_length > 0) {
    std::vector<uint8_t> alpha = Inflate(alpha_zlib, alpha_length,
                                         static_cast<size_t>(image.width()) * image.height());
    StorePremultiplied(image, alpha.data(), out);
  } else {
    StorePremultiplied(image, nullptr, out);
  }
}

void DecodeLossless(const uint8_t* data, size_t length, int version, BitmapDef& out) {
  if (length < 5) throw FormatError("lossless bitmap header is truncated");
  uint8_t format = data[0];
  int width = data[1] | (data[2] << 8);
  int height = data[3] | (data[4] << 8);
  CheckSize(width, height);
  size_t header = 5;
  size_t colors = 0;
  if (format == 3) {
    if (length < 6) throw FormatError("lossless bitmap header is truncated");
    colors = static_cast<size_t>(data[5]) + 1;
    header = 6;
  } else if (!(format == 5 || (format == 4 && version == 1))) {
    throw FormatError("lossless bitmap format " + std::to_string(format) + " is not known");
  }
  out.width = width;
  out.height = height;
  out.bgra_premultiplied.assign(static_cast<size_t>(width) * height * 4, 0);
  uint8_t* dst = out.bgra_premultiplied.data();
  const uint8_t* zdata = data + header;
  size_t zlength = length - header;

  if (format == 3) {
    size_t entry = version == 2 ? 4 : 3;
    size_t row = (static_cast<size_t>(width) + 3) & ~size_t{3};
    std::vector<uint8_t> raw = Inflate(zdata, zlength, colors * entry + row * height);
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
    std::vector<uint8_t> raw = Inflate(zdata, zlength, row * height);
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
    std::vector<uint8_t> raw = Inflate(zdata, zlength, static_cast<size_t>(width) * height * 4);
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
}

}  // namespace flash
