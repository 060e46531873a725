// Bounded zlib inflation for compressed movie bodies, lossless bitmaps and alpha planes. Output
// grows with what the data actually yields, never with what a header claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace flash {

// How an inflation stopped.
enum class InflateEnd {
  Limit,      // the output reached its limit
  StreamEnd,  // the zlib stream ended
  InputEnd,   // the input ran out before the stream ended
  Corrupt,    // the data is not a valid zlib stream
};

// Pulls input through `read` (returns the bytes it put in `buffer`, 0 at the end of the input)
// and hands what inflates to `write` piece by piece, until `limit` bytes came out or one of the
// other ends. Memory use is fixed. `produced` (when given) receives the output count.
using InflateRead = std::function<size_t(uint8_t* buffer, size_t capacity)>;
using InflateWrite = std::function<void(const uint8_t* data, size_t size)>;
InflateEnd InflateStream(const InflateRead& read, const InflateWrite& write, uint64_t limit,
                         uint64_t* produced = nullptr);

// Inflates zlib data held in memory into a buffer that grows with the output, stopping at `limit`
// bytes. `end` (when given) tells why it stopped; the bytes produced are returned either way.
std::vector<uint8_t> InflateUpTo(const uint8_t* data, size_t size, size_t limit,
                                 InflateEnd* end = nullptr);

// Inflates exactly `expected` bytes; throws FormatError (with `what` in its message) when the
// data is corrupt or yields fewer.
std::vector<uint8_t> InflateExact(const uint8_t* data, size_t size, size_t expected,
                                  const char* what);

}  // namespace flash
