#include "platform/flash/format/movie.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "platform/flash/format/reader.h"
#include "platform/flash/format/text.h"


namespace flash {

namespace {

// Largest uncompressed movie we accept; protects against a forged length asking for gigabytes.
constexpr uint32_t kMaxMovieLength = 512u * 1024 * 1024;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::vector<uint8_t> Inflate(const uint8_t* data, size_t size, size_t expected) {
  std::vector<uint8_t> out(expected);
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw FormatError("cannot start decompression");
  zs.next_in = const_cast<uint8_t*>(data);
  zs.avail_in = static_cast<uInt>(size);
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&zs, Z_FINISH);
  size_t produced = out.size() - zs.avail_out;
  inflateEnd(&zs);
  // A stream that ends early is tolerated as long as what it gave is well formed; the tag reader
  // checks every tag against the bytes actually produced.
  if (rc != Z_STREAM_END && rc != Z_OK && rc != Z_BUF_ERROR) throw FormatError("corrupt compressed movie");
  out.resize(produced);
  return out;
}

// Header fields after the 8-byte signature/version/length block.
void ReadStageFields(Reader& r, SwfHeader& h) {
  h.frame_size = r.Rect();
  h.frame_rate = r.U16() / 256.0;
  h.frame_count = r.U16();
}

void ParseTimeline(const std::vector<RawTag>& tags, MovieDef& movie, Timeline& timeline, bool is_root);

// Offset of a tag's bytes in the movie body (the tag lies inside it).
size_t BodyOffset(const MovieDef& movie, const uint8_t* p) {
  return movie.body ? static_cast<size_t>(p - movie.body->data()) : 0;
}

std::shared_ptr<SpriteDef> ParseSprite(const RawTag& tag, MovieDef& movie) {
  Reader r(tag.data, tag.length);
  auto sprite = std::make_shared<SpriteDef>(r.U16());
  r.U16();  // declared frame count; the frames actually present count
  bool ended = false;
  auto tags = SplitTags(r.Current(), r.Remaining(), &ended);
  ParseTimeline(tags, movie, sprite->timeline, false);
  sprite->timeline.complete = ended;
  return sprite;
}

void ParseTimeline(const std::vector<RawTag>& tags, MovieDef& movie, Timeline& timeline, bool is_root) {
  Frame current;
  bool pending = false;  // control tags after the last ShowFrame
  int version = movie.header.version;
  for (const RawTag& tag : tags) {
    ControlTag ct;
    switch (tag.code) {
      case kTagShowFrame:
        timeline.frames.push_back(std::move(current));
        current = Frame();
        pending = false;
        continue;
      case kTagPlaceObject:
      case kTagPlaceObject2:
      case kTagPlaceObject3:
        ct.kind = ControlTag::Kind::Place;
        ct.place = ParsePlaceObject(tag.code, tag.data, tag.length, version);
        break;
      case kTagRemoveObject:
      case kTagRemoveObject2: {
        Reader r(tag.data, tag.length);
        if (tag.code == kTagRemoveObject) r.U16();
        ct.kind = ControlTag::Kind::Remove;
        ct.depth = r.U16();
        break;
      }
      case kTagDoAction:
        ct.kind = ControlTag::Kind::DoAction;
        ct.actions = std::make_shared<std::vector<uint8_t>>(tag.data, tag.data + tag.length);
        ct.body_offset = BodyOffset(movie, tag.data);
        break;
      case kTagDoInitAction: {
        Reader r(tag.data, tag.length);
        ct.kind = ControlTag::Kind::InitAction;
        ct.sprite_id = r.U16();
        ct.actions = std::make_shared<std::vector<uint8_t>>(r.Current(), r.Current() + r.Remaining());
        break;
      }
      case kTagSetBackgroundColor: {
        Reader r(tag.data, tag.length);
        ct.kind = ControlTag::Kind::Background;
        ct.color = r.Rgb();
        if (is_root && !movie.has_background) {
          movie.has_background = true;
          movie.background = ct.color;
        }
        break;
      }
      case kTagFrameLabel: {
        Reader r(tag.data, tag.length);
        std::string label = Lower(r.CString());
        timeline.labels.emplace(label, static_cast<int>(timeline.frames.size()));
        continue;
      }
      case kTagDefineSprite:
        if (!is_root) continue;  // sprites cannot nest
        {
          auto sprite = ParseSprite(tag, movie);
          movie.dictionary[sprite->id] = sprite;
        }
        continue;
      case kTagJpegTables:
        if (is_root) movie.jpeg_tables.assign(tag.data, tag.data + tag.length);
        continue;
      case kTagDoAbc:
      case kTagDoAbc2:
        movie.is_as3 = true;
        continue;
      case kTagFileAttributes:
        if (tag.length >= 1 && (tag.data[0] & 0x08)) movie.is_as3 = true;
        continue;
      default:
        if (is_root && ReadTextTag(tag.code, tag.data, tag.length, version, movie.dictionary)) continue;
        if (is_root) {
          DefinitionContext ctx{version, &movie.jpeg_tables};
          CharacterPtr out;
          if (ParseDefinitionTag(tag.code, tag.data, tag.length, ctx, out) && out)
            movie.dictionary[out->id] = out;
        }
        continue;
    }
    current.tags.push_back(std::move(ct));
    pending = true;
  }
  if (pending) {
    timeline.frames.push_back(std::move(current));
    timeline.open_last_frame = true;
  }
  // Labels pointing past the last frame (a label after the final ShowFrame) name the last one.
  for (auto& [label, frame] : timeline.labels)
    if (frame >= static_cast<int>(timeline.frames.size()))
      frame = std::max(0, static_cast<int>(timeline.frames.size()) - 1);
}

}  // namespace

int Timeline::FrameOfLabel(const std::string& label) const {
  auto it = labels.find(Lower(label));
  return it == labels.end() ? -1 : it->second;
}

std::vector<RawTag> SplitTags(const uint8_t* data, size_t size, bool* ended) {
  std::vector<RawTag> tags;
  if (ended) *ended = false;
  Reader r(data, size);
  while (!r.AtEnd()) {
    if (r.Remaining() < 2) break;  // padding byte after the last tag
    uint16_t head = r.U16();
    RawTag tag;
    tag.code = head >> 6;
    uint32_t length = head & 0x3F;
    if (length == 0x3F) length = r.U32();
    if (length > r.Remaining()) throw FormatError("tag " + std::to_string(tag.code) + " runs past the end of its block");
    tag.data = r.Bytes(length);
    tag.length = length;
    if (tag.code == kTagEnd) {
      if (ended) *ended = true;
      break;
    }
    tags.push_back(tag);
  }
  return tags;
}

PlaceObjectTag ParsePlaceObject(uint16_t code, const uint8_t* data, size_t size, int swf_version) {
  Reader r(data, size);
  PlaceObjectTag p;
  if (code == kTagPlaceObject) {
    p.version = 1;
    p.has_character = true;
    p.character_id = r.U16();
    p.depth = r.U16();
    p.has_matrix = true;
    p.matrix = r.ReadMatrix();
    if (!r.AtEnd()) {
      p.has_color_transform = true;
      p.color_transform = r.ReadColorTransform(false);
    }
    return p;
  }
  p.version = code == kTagPlaceObject3 ? 3 : 2;
  uint8_t flags = r.U8();
  uint8_t flags2 = p.version == 3 ? r.U8() : 0;
  bool has_clip_actions = flags & 0x80;
  p.has_clip_depth = flags & 0x40;
  p.has_name = flags & 0x20;
  p.has_ratio = flags & 0x10;
  p.has_color_transform = flags & 0x08;
  p.has_matrix = flags & 0x04;
  p.has_character = flags & 0x02;
  p.move = flags & 0x01;
  p.depth = r.U16();
  if (p.version == 3 && (flags2 & 0x08)) r.CString();  // class name (not used by timeline scripts)
  if (p.has_character) p.character_id = r.U16();
  if (p.has_matrix) p.matrix = r.ReadMatrix();
  if (p.has_color_transform) p.color_transform = r.ReadColorTransform(true);
  if (p.has_ratio) p.ratio = r.U16();
  if (p.has_name) p.name = r.CString();
  if (p.has_clip_depth) p.clip_depth = r.U16();
  if (p.version == 3) {
    if (flags2 & 0x01) {  // filter list: skipped here, the later filter support reads it
      // Filters are variable-length; without parsing them we cannot find what follows, so stop.
      return p;
    }
    if (flags2 & 0x02) p.blend_mode = r.U8();
    if (flags2 & 0x04) r.U8();  // bitmap caching
    if (flags2 & 0x20) r.U8();  // visibility
    if (flags2 & 0x40) r.Skip(4);  // background colour
  }
  if (has_clip_actions) {
    r.U16();
    bool wide = swf_version >= 6;
    p.all_clip_events = wide ? r.U32() : r.U16();
    while (true) {
      // The zero end marker may be cut short by the end of the tag; the records read so far stand.
      if (r.Remaining() < (wide ? 4u : 2u)) break;
      uint32_t events = wide ? r.U32() : r.U16();
      if (events == 0) break;
      ClipActionRecord rec;
      rec.events = events;
      uint32_t length = r.U32();
      if (length > r.Remaining()) throw FormatError("clip action runs past its tag");
      if (wide && (events & 0x00020000u) && length >= 1) {  // key press carries a key code
        // (an empty key-press record has neither key code nor actions)
        rec.key_code = r.U8();
        --length;
      }
      const uint8_t* code_bytes = r.Bytes(length);
      rec.actions.assign(code_bytes, code_bytes + length);
      p.clip_actions.push_back(std::move(rec));
    }
  }
  return p;
}

SwfHeader ParseHeader(const std::vector<uint8_t>& file) {
  if (file.size() < 8) throw FormatError("not a movie: file too short");
  SwfHeader h;
  if ((file[0] != 'F' && file[0] != 'C') || file[1] != 'W' || file[2] != 'S')
    throw FormatError("not a movie: unknown signature");
  h.signature = static_cast<char>(file[0]);
  h.version = file[3];
  h.file_length = static_cast<uint32_t>(file[4]) | file[5] << 8 | file[6] << 16 | static_cast<uint32_t>(file[7]) << 24;
  // Reading the stage fields needs at most the first few dozen bytes of the body.
  std::vector<uint8_t> head;
  if (h.signature == 'C') {
    size_t want = std::min<size_t>(64, h.file_length > 8 ? h.file_length - 8 : 0);
    head = Inflate(file.data() + 8, file.size() - 8, want);
  } else {
    head.assign(file.begin() + 8, file.end());
  }
  Reader r(head.data(), head.size());
  ReadStageFields(r, h);
  return h;
}

std::shared_ptr<MovieDef> ParseMovie(const std::vector<uint8_t>& file) {
  auto movie = std::make_shared<MovieDef>();
  SwfHeader& h = movie->header;
  h = ParseHeader(file);
  if (h.file_length > kMaxMovieLength) throw FormatError("movie too large");
  std::vector<uint8_t> body;
  if (h.signature == 'C') {
    body = Inflate(file.data() + 8, file.size() - 8, h.file_length > 8 ? h.file_length - 8 : 0);
  } else {
    // The declared length may disagree with the file; only bytes really present are read.
    size_t end = std::min<size_t>(file.size(), std::max<uint32_t>(h.file_length, 8));
    body.assign(file.begin() + 8, file.begin() + end);
  }
  auto shared_body = std::make_shared<const std::vector<uint8_t>>(std::move(body));
  movie->body = shared_body;
  Reader r(shared_body->data(), shared_body->size());
  ReadStageFields(r, h);
  auto tags = SplitTags(r.Current(), r.Remaining());
  ParseTimeline(tags, *movie, movie->timeline, true);
  return movie;
}

std::shared_ptr<MovieDef> LoadMovieFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FormatError("cannot open " + path);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseMovie(bytes);
}

}  // namespace flash
