#include "platform/flash/format/id3.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/flash/format/font.h"
#include "platform/flash/format/utf8.h"

namespace flash {

namespace {

// Frame ids scripts see, as the language documents them.
constexpr std::string_view kKnownIds[] = {
    "COMM", "TALB", "TBPM", "TCOM", "TCON", "TCOP", "TDAT", "TDLY", "TENC", "TEXT",
    "TFLT", "TIME", "TIT1", "TIT2", "TIT3", "TKEY", "TLAN", "TLEN", "TMED", "TOAL",
    "TOFN", "TOLY", "TOPE", "TORY", "TOWN", "TPE1", "TPE2", "TPE3", "TPE4", "TPOS",
    "TPUB", "TRCK", "TRDA", "TRSN", "TRSO", "TSIZ", "TSRC", "TSSE", "TYER", "WXXX"};

// Version 2.2's three-letter ids of those frames.
constexpr std::pair<std::string_view, std::string_view> kShortIds[] = {
    {"COM", "COMM"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
    {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TXT", "TEXT"},
    {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"},
    {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOT", "TOAL"},
    {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOA", "TOPE"}, {"TOR", "TORY"}, {"TP1", "TPE1"},
    {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"},
    {"TRK", "TRCK"}, {"TRD", "TRDA"}, {"TSI", "TSIZ"}, {"TRC", "TSRC"}, {"TSS", "TSSE"},
    {"TYE", "TYER"}, {"WXX", "WXXX"}};

bool Known(std::string_view id) {
  return std::find(std::begin(kKnownIds), std::end(kKnownIds), id) != std::end(kKnownIds);
}

uint32_t BigEndian(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | p[i];
  return v;
}

// Seven bits a byte; a byte with its top bit set makes the number invalid.
bool SyncSafe(const uint8_t* p, uint32_t& v) {
  v = 0;
  for (int i = 0; i < 4; ++i) {
    if (p[i] & 0x80) return false;
    v = v << 7 | p[i];
  }
  return true;
}

// Undoes unsynchronisation: every 0xFF 0x00 pair was 0xFF.
std::vector<uint8_t> Resynchronised(const uint8_t* p, size_t n) {
  std::vector<uint8_t> out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    out.push_back(p[i]);
    if (p[i] == 0xFF && i + 1 < n && p[i + 1] == 0x00) ++i;
  }
  return out;
}

// Where the string of `encoding` starting at `at` ends (its terminator, or `end`), and where the
// next one starts.
std::pair<size_t, size_t> StringSpan(const uint8_t* p, size_t at, size_t end, int encoding) {
  const bool wide = encoding == 1 || encoding == 2;
  if (!wide) {
    const void* zero = std::memchr(p + at, 0, end - at);
    if (!zero) return {end, end};
    size_t stop = static_cast<size_t>(static_cast<const uint8_t*>(zero) - p);
    return {stop, stop + 1};
  }
  for (size_t i = at; i + 1 < end; i += 2)
    if (p[i] == 0 && p[i + 1] == 0) return {i, i + 2};
  return {end, end};
}

std::string Utf16Text(const uint8_t* p, size_t n, bool big_endian) {
  if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
    big_endian = p[0] == 0xFE;
    p += 2;
    n -= 2;
  }
  std::string out;
  auto unit = [&](size_t i) -> char32_t {
    return big_endian ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i]);
  };
  for (size_t i = 0; i + 1 < n; i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < n) {
      char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
  }
  return out;
}

// Text of `n` bytes in the frame's encoding: 0 Latin-1, 1 UTF-16 with byte order mark, 2 UTF-16
// big-endian, 3 UTF-8 (Latin-1 when it is not valid UTF-8).
std::string Text(const uint8_t* p, size_t n, int encoding) {
  std::string bytes(reinterpret_cast<const char*>(p), n);
  switch (encoding) {
    case 1: return Utf16Text(p, n, false);
    case 2: return Utf16Text(p, n, true);
    case 3: return MovieStringToUtf8(bytes, 6);
    default: return MovieStringToUtf8(bytes, 5);
  }
}

// The text a script sees of one frame body; false when the frame gives none.
bool FrameText(const std::string& id, const uint8_t* p, size_t n, std::string& text) {
  if (n < 1) return false;
  const int encoding = p[0];
  if (encoding > 3) return false;
  size_t at = 1;
  if (id == "COMM") {
    if (n < 4) return false;
    at = StringSpan(p, 4, n, encoding).second;  // after the language and the description
  } else if (id == "WXXX") {
    at = StringSpan(p, 1, n, encoding).second;
    text = Text(p + at, StringSpan(p, at, n, 0).first - at, 0);
    return true;
  }
  text = Text(p + at, StringSpan(p, at, n, encoding).first - at, encoding);
  return true;
}

void ReadFrames(const uint8_t* p, size_t size, int version, bool all_unsynchronised,
                Id3Tags& tags) {
  const size_t header = version == 2 ? 6 : 10;
  size_t at = 0;
  while (at + header <= size) {
    std::string id(reinterpret_cast<const char*>(p + at), version == 2 ? 3 : 4);
    if (!std::all_of(id.begin(), id.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }))
      return;  // padding, or the frames are damaged from here on
    uint32_t length = 0;
    uint16_t flags = 0;
    if (version == 2) {
      length = BigEndian(p + at + 3, 3);
    } else if (version == 3) {
      length = BigEndian(p + at + 4, 4);
      flags = static_cast<uint16_t>(BigEndian(p + at + 8, 2));
    } else {
      if (!SyncSafe(p + at + 4, length)) return;
      flags = static_cast<uint16_t>(BigEndian(p + at + 8, 2));
    }
    at += header;
    if (length > size - at) return;
    const uint8_t* body = p + at;
    size_t n = length;
    at += length;
    if (version == 2) {
      auto it = std::find_if(std::begin(kShortIds), std::end(kShortIds),
                             [&](const auto& e) { return e.first == id; });
      if (it == std::end(kShortIds)) continue;
      id = it->second;
    }
    if (!Known(id)) continue;
    // Compressed or encrypted frames are passed by.
    const bool packed = version == 3 ? (flags & 0x00C0) != 0 : version == 4 && (flags & 0x000C);
    if (packed) continue;
    std::vector<uint8_t> plain;
    if (version == 3 && (flags & 0x0020)) {  // a group byte first
      if (n < 1) continue;
      ++body;
      --n;
    }
    if (version == 4) {
      size_t extra = ((flags & 0x0040) ? 1 : 0) + ((flags & 0x0001) ? 4 : 0);
      if (n < extra) continue;
      body += extra;
      n -= extra;
      if ((flags & 0x0002) || all_unsynchronised) {
        plain = Resynchronised(body, n);
        body = plain.data();
        n = plain.size();
      }
    }
    Id3Frame frame{id, {}};
    if (FrameText(id, body, n, frame.text)) tags.frames.push_back(std::move(frame));
  }
}

void ReadVersion2(const uint8_t* data, size_t size, Id3Tags& tags) {
  const size_t total = Id3v2TagSize(data, size);
  if (total == 0) return;
  const int version = data[3];
  const uint8_t flags = data[5];
  if (version == 2 && (flags & 0x40)) return;  // 2.2's compression was never defined
  const size_t body_end = std::min(total, size) - ((version == 4 && (flags & 0x10)) ? 10 : 0);
  const uint8_t* p = data + 10;
  size_t n = body_end > 10 ? body_end - 10 : 0;
  std::vector<uint8_t> plain;
  if (version < 4 && (flags & 0x80)) {
    plain = Resynchronised(p, n);
    p = plain.data();
    n = plain.size();
  }
  if (version >= 3 && (flags & 0x40)) {  // an extended header
    if (n < 4) return;
    uint32_t length = 0;
    if (version == 3) {
      length = BigEndian(p, 4) + 4;  // its size leaves out the size field
    } else if (!SyncSafe(p, length)) {
      return;
    }
    if (length > n) return;
    p += length;
    n -= length;
  }
  ReadFrames(p, n, version, version == 4 && (flags & 0x80), tags);
}

// Latin-1 text of a fixed-length field, up to its first zero, without trailing spaces.
std::string Field(const uint8_t* p, size_t n) {
  size_t len = 0;
  while (len < n && p[len] != 0) ++len;
  while (len > 0 && p[len - 1] == ' ') --len;
  return MovieStringToUtf8(std::string(reinterpret_cast<const char*>(p), len), 5);
}

void ReadVersion1(const uint8_t* data, size_t size, Id3Tags& tags) {
  if (size < 128) return;
  const uint8_t* t = data + size - 128;
  if (std::memcmp(t, "TAG", 3) != 0) return;
  tags.version1 = true;
  auto add = [&](const char* id, std::string text) {
    if (!text.empty()) tags.frames.push_back({id, std::move(text)});
  };
  add("TIT2", Field(t + 3, 30));
  add("TPE1", Field(t + 33, 30));
  add("TALB", Field(t + 63, 30));
  add("TYER", Field(t + 93, 4));
  // Version 1.1 keeps a track number in the comment's last byte after a zero.
  const bool has_track = t[125] == 0 && t[126] != 0;
  add("COMM", Field(t + 97, has_track ? 28 : 30));
  if (has_track) add("TRCK", std::to_string(t[126]));
  if (t[127] != 255) add("TCON", std::to_string(t[127]));
}

}  // namespace

size_t Id3v2TagSize(const uint8_t* data, size_t size) {
  if (size < 10 || std::memcmp(data, "ID3", 3) != 0 || data[3] < 2 || data[3] > 4 ||
      data[4] == 0xFF)
    return 0;
  uint32_t length = 0;
  if (!SyncSafe(data + 6, length)) return 0;
  size_t total = size_t{10} + length + ((data[3] == 4 && (data[5] & 0x10)) ? 10 : 0);
  return std::min(total, size);
}

Id3Tags ReadId3Tags(const uint8_t* data, size_t size) {
  Id3Tags tags;
  if (!data) return tags;
  ReadVersion2(data, size, tags);
  if (tags.frames.empty()) {
    tags = Id3Tags{};
    ReadVersion1(data, size, tags);
  }
  return tags;
}

}  // namespace flash
