// ID3 tags of MP3 files: the text frames of an ID3v2 tag (versions 2.2 to 2.4) at the start of
// the file, or, without one, the fields of an ID3v1 tag in its last 128 bytes. Every size, count
// and offset is checked against the bytes there are: a damaged tag gives what could be read
// before the damage, never a read outside the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace flash {

struct Id3Frame {
  std::string id;    // four-letter frame id (2.2's three-letter ids are given as 2.3's)
  std::string text;  // UTF-8
};

struct Id3Tags {
  // In file order; a frame id may come more than once (several comments, say).
  std::vector<Id3Frame> frames;
  // The frames came from an ID3v1 tag, which has no frame ids of its own.
  bool version1 = false;
};

// Bytes taken by an ID3v2 tag at the start of `data` (header, frames and footer), bounded by
// `size`; 0 when the data does not start with one.
size_t Id3v2TagSize(const uint8_t* data, size_t size);

// The text frames scripts see: text information frames, comments (their text) and user URLs
// (the address), of the ids scripts know. A v2 tag wins over a v1 tag.
Id3Tags ReadId3Tags(const uint8_t* data, size_t size);

}  // namespace flash
