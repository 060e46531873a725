// Reading GIF files into a TGIFImage, and decoding a frame's coded data into
// a BMP file. Every length, count and offset read from the file is checked
// against the data; damage raises the picture class's error or, in tolerant
// mode, marks the frame corrupted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/gif_image.h"
#include "platform/classlib/stream.h"

namespace lumicast {

class TGIFReader {
 public:
  TGIFReader(TGIFImage& Image, const uint8_t* Data, size_t Size)
      : image_(Image), data_(Data), size_(Size) {}
  // Reads the whole file into the (already reset) image.
  void Read();

  // The BMP file (headers, palette, pixels) of a frame's coded data.
  static std::unique_ptr<classlib::TMemoryStream> DecodeFrame(TGIFFrame& Frame);

 private:
  uint8_t Byte();
  void Need(size_t Count);
  std::unique_ptr<TExtension> ReadExtension(uint8_t Label, bool& Discard);
  void ReadSubBlocks(std::vector<std::string>* Lines);
  void ReadFrame(std::vector<std::unique_ptr<TExtension>> Extensions);

  TGIFImage& image_;
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace lumicast
