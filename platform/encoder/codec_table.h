// The video codecs the library offers: for AVI each encoder with a fixed
// FourCC and description, for MPEG the two video standards. Only encoders the
// FFmpeg build actually provides are listed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mcl {

struct CodecEntry {
  uint32_t fourCC;      // AVI FourCC, or the MPEG codec identifier
  const char* encoder;  // FFmpeg encoder name; null for uncompressed frames
  const char* description;
  bool lossless;           // no quality or bit-rate settings
  bool intraOnly;          // every frame is a key frame
  bool usesBitRate;        // rate control by bit rate (else by quality)
  bool alpha;              // 32-bit images keep their alpha
  int pixFmt24;            // AVPixelFormat for 24-bit jobs
  int pixFmt32;            // AVPixelFormat for 32-bit jobs
  bool fullRange = false;  // YUV samples span 0..255 (JPEG range) instead of 16..235
};

// Codecs of a file format (6 AVI, 11 MPEG) available at run time.
const std::vector<CodecEntry>& AvailableCodecs(int32_t fileFormat);
// The entry of a FourCC / identifier, or null.
const CodecEntry* FindCodec(int32_t fileFormat, uint32_t fourCC);

constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}

}  // namespace mcl
