// Test helpers: icon files of a chosen size and bit depth, and animated
// cursor (RIFF "ACON") files put together chunk by chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace icotest {

inline void Le16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Le32(std::vector<uint8_t>& out, uint32_t v) {
  Le16(out, v & 0xFFFF);
  Le16(out, v >> 16);
}

// An icon (type 1) or cursor (type 2) file with one image of Size x Size at
// Bits bits per pixel, every pixel set to palette entry / colour Seed, the
// AND mask clear. A cursor's directory carries the hot spot.
inline std::vector<uint8_t> MakeIco(int Size, int Bits, uint32_t Seed = 0x3366CC, int Type = 1,
                                    int HotX = 0, int HotY = 0) {
  std::vector<uint8_t> image;
  const int palette = Bits <= 8 ? (1 << Bits) : 0;
  const int row = ((Size * Bits + 31) / 32) * 4;
  const int mask_row = ((Size + 31) / 32) * 4;
  Le32(image, 40);
  Le32(image, static_cast<uint32_t>(Size));
  Le32(image, static_cast<uint32_t>(2 * Size));
  Le16(image, 1);
  Le16(image, static_cast<unsigned>(Bits));
  for (int i = 0; i < 6; ++i) Le32(image, 0);
  for (int i = 0; i < palette; ++i) Le32(image, i == 1 ? Seed : 0x000000);
  for (int y = 0; y < Size; ++y) {
    std::vector<uint8_t> r(static_cast<size_t>(row), 0);
    for (int x = 0; x < Size; ++x) {
      if (Bits == 1) r[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      if (Bits == 4) r[x / 2] |= static_cast<uint8_t>(x % 2 ? 0x01 : 0x10);
      if (Bits == 8) r[x] = 1;
      if (Bits == 24 || Bits == 32) {
        const int b = Bits / 8;
        r[x * b] = static_cast<uint8_t>(Seed);
        r[x * b + 1] = static_cast<uint8_t>(Seed >> 8);
        r[x * b + 2] = static_cast<uint8_t>(Seed >> 16);
        if (b == 4) r[x * b + 3] = 0xFF;
      }
    }
    image.insert(image.end(), r.begin(), r.end());
  }
  image.insert(image.end(), static_cast<size_t>(mask_row * Size), 0);

  std::vector<uint8_t> file;
  Le16(file, 0);
  Le16(file, static_cast<unsigned>(Type));
  Le16(file, 1);
  file.push_back(static_cast<uint8_t>(Size));
  file.push_back(static_cast<uint8_t>(Size));
  file.push_back(static_cast<uint8_t>(palette > 255 ? 0 : palette));
  file.push_back(0);
  Le16(file, Type == 2 ? static_cast<unsigned>(HotX) : 1);
  Le16(file, Type == 2 ? static_cast<unsigned>(HotY) : static_cast<unsigned>(Bits));
  Le32(file, static_cast<uint32_t>(image.size()));
  Le32(file, 22);
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

// A chunk: identifier, size, data and the pad byte after an odd size.
inline std::vector<uint8_t> ChunkOf(const std::string& Id, const std::vector<uint8_t>& Data,
                                    bool Pad = true) {
  std::vector<uint8_t> out(Id.begin(), Id.end());
  Le32(out, static_cast<uint32_t>(Data.size()));
  out.insert(out.end(), Data.begin(), Data.end());
  if (Pad && (Data.size() & 1)) out.push_back(0);
  return out;
}

inline std::vector<uint8_t> ListOf(const std::string& Type,
                                   const std::vector<std::vector<uint8_t>>& Chunks) {
  std::vector<uint8_t> data(Type.begin(), Type.end());
  for (const auto& c : Chunks) data.insert(data.end(), c.begin(), c.end());
  return ChunkOf("LIST", data);
}

inline std::vector<uint8_t> Words(const std::vector<uint32_t>& Values) {
  std::vector<uint8_t> out;
  for (uint32_t v : Values) Le32(out, v);
  return out;
}

// The "anih" chunk: 36 bytes.
inline std::vector<uint8_t> Anih(uint32_t Frames, uint32_t Steps, uint32_t Rate,
                                 uint32_t Flags = 1) {
  return ChunkOf("anih", Words({36, Frames, Steps, 0, 0, 0, 0, Rate, Flags}));
}

inline std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& Chunks) {
  std::vector<uint8_t> data{'A', 'C', 'O', 'N'};
  for (const auto& c : Chunks) data.insert(data.end(), c.begin(), c.end());
  return ChunkOf("RIFF", data);
}

}  // namespace icotest
