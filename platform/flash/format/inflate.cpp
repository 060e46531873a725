#include "platform/flash/format/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <string>

#include "platform/flash/format/errors.h"

namespace flash {
namespace {

// zlib counts in 32-bit units: larger inputs and outputs are handed over in pieces of this size.
constexpr size_t kMaxPiece = size_t{1} << 30;
// Buffers of the streaming inflater, and the first output block of the in-memory one.
constexpr size_t kChunk = 65536;

class ZStream {
 public:
  ZStream() {
    if (inflateInit(&z_) != Z_OK) throw FormatError("cannot start decompression");
  }
  ~ZStream() { inflateEnd(&z_); }
  ZStream(const ZStream&) = delete;
  ZStream& operator=(const ZStream&) = delete;
  z_stream* operator->() { return &z_; }
  z_stream* get() { return &z_; }

 private:
  z_stream z_{};
};

}  // namespace

InflateEnd InflateStream(const InflateRead& read, const InflateWrite& write, uint64_t limit,
                         uint64_t* produced) {
  ZStream z;
  std::vector<uint8_t> in(kChunk), out(kChunk);
  uint64_t total = 0;
  bool input_done = false;
  InflateEnd end = InflateEnd::Limit;
  while (total < limit) {
    if (z->avail_in == 0 && !input_done) {
      size_t n = read(in.data(), in.size());
      if (n == 0) {
        input_done = true;
      } else {
        z->next_in = in.data();
        z->avail_in = static_cast<uInt>(std::min(n, in.size()));
      }
    }
    z->next_out = out.data();
    z->avail_out = static_cast<uInt>(std::min<uint64_t>(out.size(), limit - total));
    int rc = inflate(z.get(), Z_NO_FLUSH);
    size_t got = static_cast<size_t>(z->next_out - out.data());
    if (got) write(out.data(), got);
    total += got;
    if (rc == Z_STREAM_END) {
      end = InflateEnd::StreamEnd;
      break;
    }
    if (rc == Z_BUF_ERROR && z->avail_in == 0) {
      if (input_done) {
        end = InflateEnd::InputEnd;
        break;
      }
      continue;  // needs more input
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
      end = InflateEnd::Corrupt;
      break;
    }
    if (got == 0 && z->avail_in == 0 && input_done) {
      end = InflateEnd::InputEnd;
      break;
    }
  }
  if (produced) *produced = total;
  return end;
}

std::vector<uint8_t> InflateUpTo(const uint8_t* data, size_t size, size_t limit, InflateEnd* end) {
  ZStream z;
  std::vector<uint8_t> out;
  // A first guess from the input size; the buffer then doubles only as output really arrives.
  out.resize(std::min(limit, std::max(kChunk, std::min(size, kMaxPiece) * 4)));
  size_t total = 0, consumed = 0;
  InflateEnd how = InflateEnd::Limit;
  while (total < limit) {
    if (total == out.size()) out.resize(std::min(limit, out.size() * 2));
    if (z->avail_in == 0 && consumed < size) {
      size_t n = std::min(size - consumed, kMaxPiece);
      z->next_in = const_cast<Bytef*>(data + consumed);
      z->avail_in = static_cast<uInt>(n);
      consumed += n;
    }
    z->next_out = out.data() + total;
    z->avail_out = static_cast<uInt>(std::min(out.size() - total, kMaxPiece));
    int rc = inflate(z.get(), Z_NO_FLUSH);
    total = static_cast<size_t>(z->next_out - out.data());
    if (rc == Z_STREAM_END) {
      how = InflateEnd::StreamEnd;
      break;
    }
    if (rc == Z_BUF_ERROR && z->avail_in == 0 && consumed == size) {
      how = InflateEnd::InputEnd;
      break;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
      how = InflateEnd::Corrupt;
      break;
    }
  }
  out.resize(total);
  if (out.capacity() - total > total / 4) out.shrink_to_fit();
  if (end) *end = how;
  return out;
}

std::vector<uint8_t> InflateExact(const uint8_t* data, size_t size, size_t expected,
                                  const char* what) {
  if (expected == 0) return {};
  InflateEnd end;
  std::vector<uint8_t> out = InflateUpTo(data, size, expected, &end);
  if (out.size() < expected)
    throw FormatError(std::string(what) +
                      (end == InflateEnd::Corrupt ? " is corrupted" : " is short"));
  return out;
}

}  // namespace flash
