#include "platform/flash/format/movie.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "platform/flash/format/bitmap.h"
#include "platform/flash/format/button.h"
#include "platform/flash/format/inflate.h"
#include "platform/flash/format/reader.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/format/text.h"
#include "platform/flash/format/video.h"

namespace flash {

namespace {

// Largest uncompressed movie we accept; protects against a forged length asking for gigabytes.
constexpr uint32_t kMaxMovieLength = 512u * 1024 * 1024;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

void ParseTimeline(const std::vector<RawTag>& tags, MovieDef& movie, Timeline& timeline,
                   bool is_root);

// Offset of a tag's bytes in the movie body (the tag lies inside it).
size_t BodyOffset(const MovieDef& movie, const uint8_t* p) {
  return movie.body ? static_cast<size_t>(p - movie.body->data()) : 0;
}

// The error of a tag that could not be read, naming the tag and the byte of the (uncompressed)
// movie file where reading failed.
FormatError LocatedError(const FormatError& e, const RawTag& tag, const MovieDef& movie) {
  const uint8_t* where = tag.data;
  if (movie.body && e.at && e.at >= movie.body->data() &&
      e.at <= movie.body->data() + movie.body->size())
    where = e.at;
  size_t offset = kMoviePrefixSize + BodyOffset(movie, where);
  FormatError located("tag " + std::to_string(tag.code) + " at byte " + std::to_string(offset) +
                      ": " + e.what());
  located.located = true;
  return located;
}

std::shared_ptr<SpriteDef> ParseSprite(const RawTag& tag, MovieDef& movie) {
  Reader r(tag.data, tag.length);
  auto sprite = std::make_shared<SpriteDef>(r.U16());
  r.U16();  // declared frame count; the frames actually present count
  sprite->byte_size = r.Remaining();
  bool ended = false;
  auto tags = SplitTags(r.Current(), r.Remaining(), &ended);
  ParseTimeline(tags, movie, sprite->timeline, false);
  sprite->timeline.complete = ended;
  return sprite;
}

// Adds one tag of a timeline: a control tag to the frame being built, a definition to the
// dictionary, a ShowFrame closing the frame.
void ParseTag(const RawTag& tag, MovieDef& movie, Timeline& timeline, bool is_root, Frame& current,
              bool& pending, bool& stream_head_seen) {
  int version = movie.header.version;
  ControlTag ct;
  switch (tag.code) {
    case kTagShowFrame:
      timeline.frames.push_back(std::move(current));
      current = Frame();
      pending = false;
      return;
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
    case kTagImportAssets:
    case kTagImportAssets2:
      if (!is_root) return;  // only a movie's own timeline imports
      ct.kind = ControlTag::Kind::Import;
      ct.import = std::make_shared<ImportAssetsTag>(ParseImportAssets(tag.code, tag.data, tag.length));
      break;
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
      return;
    }
    case kTagDefineSprite:
      if (!is_root) return;  // sprites cannot nest
      {
        auto sprite = ParseSprite(tag, movie);
        movie.dictionary[sprite->id] = sprite;
      }
      return;
    case kTagDefineVideoStream:
      if (is_root) {
        auto video = ParseVideoStream(tag.data, tag.length);
        movie.dictionary[video->id] = video;
      }
      return;
    case kTagVideoFrame: {
      // Frames belong to their stream wherever they stand; the stream was made by this parse,
      // so it may still be filled in.
      auto it = movie.dictionary.find(VideoFrameStreamId(tag.data, tag.length));
      VideoDef* stream = nullptr;
      if (it != movie.dictionary.end() && it->second->kind == CharacterDef::Kind::Video)
        stream = const_cast<VideoDef*>(static_cast<const VideoDef*>(it->second.get()));
      AddVideoFrame(stream, tag.data, tag.length);
      return;
    }
    case kTagDefineSound:
      if (is_root) {
        auto def = ParseDefineSound(tag.data, tag.length);
        movie.dictionary[def->id] = def;
      }
      return;
    case kTagStartSound:
    case kTagStartSound2:
      current.sounds.push_back(ParseStartSound(tag.code, tag.data, tag.length));
      pending = true;
      return;
    case kTagSoundStreamHead:
    case kTagSoundStreamHead2: {
      auto head = std::make_shared<SoundStreamHead>(ParseSoundStreamHead(tag.data, tag.length));
      if (!timeline.stream_head && !stream_head_seen) {
        timeline.stream_head = head;
      } else if (!timeline.stream_head || !(timeline.stream_head->stream == head->stream)) {
        timeline.stream_head.reset();  // a stream that changes format mid-way plays nothing
      }
      stream_head_seen = true;
      return;
    }
    case kTagSoundStreamBlock:
      current.stream_block =
          std::make_shared<std::vector<uint8_t>>(tag.data, tag.data + tag.length);
      pending = true;
      return;
    case kTagDefineButtonSound:
      if (is_root) {
        ButtonSounds b = ParseDefineButtonSound(tag.data, tag.length);
        movie.button_sounds[b.button_id] = std::move(b);
      }
      return;
    case kTagDefineScalingGrid:
      if (is_root) {
        Reader r(tag.data, tag.length);
        const uint16_t id = r.U16();
        movie.scaling_grids[id] = r.Rect();
      }
      return;
    case kTagDefineButton:
    case kTagDefineButton2:
      if (is_root) {
        auto button = ParseButton(tag.code, tag.data, tag.length);
        movie.dictionary[button->id] = button;
      }
      return;
    case kTagDefineButtonCxform:
      if (is_root) {
        ColorTransform cx;
        auto it = movie.dictionary.find(ParseButtonCxform(tag.data, tag.length, cx));
        if (it == movie.dictionary.end() || it->second->kind != CharacterDef::Kind::Button) return;
        auto button = std::make_shared<ButtonDef>(static_cast<const ButtonDef&>(*it->second));
        for (ButtonRecord& rec : button->records) rec.color_transform = cx;
        it->second = button;
      }
      return;
    case kTagSymbolClass:
      if (is_root)
        for (auto& [id, name] : ParseSymbolClass(tag.data, tag.length)) movie.class_ids[name] = id;
      return;
    case kTagJpegTables:
      if (is_root) movie.jpeg_tables.assign(tag.data, tag.data + tag.length);
      return;
    case kTagDoAbc:
    case kTagDoAbc2: movie.is_as3 = true; return;
    case kTagFileAttributes:
      if (tag.length >= 1 && (tag.data[0] & 0x08)) movie.is_as3 = true;
      if (tag.length >= 1 && (tag.data[0] & 0x01)) movie.use_network = true;
      return;
    default:
      if (is_root && ReadTextTag(tag.code, tag.data, tag.length, version, movie.dictionary)) return;
      if (is_root) {
        DefinitionContext ctx{version, &movie.jpeg_tables};
        CharacterPtr out;
        if (ParseDefinitionTag(tag.code, tag.data, tag.length, ctx, out) && out)
          movie.dictionary[out->id] = out;
      }
      return;
  }
  current.tags.push_back(std::move(ct));
  pending = true;
}

void ParseTimeline(const std::vector<RawTag>& tags, MovieDef& movie, Timeline& timeline,
                   bool is_root) {
  Frame current;
  bool pending = false;  // control tags after the last ShowFrame
  bool stream_head_seen = false;
  for (const RawTag& tag : tags) {
    try {
      ParseTag(tag, movie, timeline, is_root, current, pending, stream_head_seen);
    } catch (FormatError& e) {
      if (!e.located) throw LocatedError(e, tag, movie);
      throw;
    }
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
    if (length == 0x3F) {
      if (r.Remaining() < 4) break;  // a long header cut by the end of the block: no tag
      length = r.U32();
    }
    // A tag that runs past its block is cut at the block's end.
    if (length > r.Remaining()) length = static_cast<uint32_t>(r.Remaining());
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

ImportAssetsTag ParseImportAssets(uint16_t code, const uint8_t* data, size_t size) {
  Reader r(data, size);
  ImportAssetsTag t;
  t.url = r.CString();
  if (code == kTagImportAssets2) {
    r.U8();  // reserved, 1
    r.U8();  // reserved, 0
  }
  const uint16_t count = r.U16();
  // Each symbol takes at least three bytes (id and an empty name): a count the tag cannot hold
  // is refused before anything is reserved for it.
  if (count > r.Remaining() / 3) throw FormatError("import count " + std::to_string(count) +
                                                   " larger than the tag holds");
  t.symbols.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    ImportAssetsTag::Symbol sym;
    sym.id = r.U16();
    sym.name = r.CString();
    t.symbols.push_back(std::move(sym));
  }
  return t;
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
    if (flags2 & 0x01) {
      p.has_filters = true;
      p.filters = ReadFilterList(r);
    }
    if (flags2 & 0x02) p.blend_mode = r.U8();
    if (flags2 & 0x04) {
      p.has_cache_as_bitmap = true;
      p.cache_as_bitmap = r.U8() != 0;
    }
    if (flags2 & 0x20) {
      p.has_visible = true;
      p.visible = r.U8() != 0;
    }
    if (flags2 & 0x40) {
      p.has_background = true;
      p.background = r.RgbaColor();
    }
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
      if (length > r.Remaining())
        throw FormatError("clip action runs past its tag", r.Current() - 4);
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

SwfHeader ReadMoviePrefix(const uint8_t* data, size_t size) {
  if (size < kMoviePrefixSize) throw FormatError("not a movie: file too short");
  if ((data[0] != 'F' && data[0] != 'C') || data[1] != 'W' || data[2] != 'S')
    throw FormatError("not a movie: unknown signature");
  SwfHeader h;
  h.signature = static_cast<char>(data[0]);
  h.version = data[3];
  h.file_length = static_cast<uint32_t>(data[4]) | static_cast<uint32_t>(data[5]) << 8 |
                  static_cast<uint32_t>(data[6]) << 16 | static_cast<uint32_t>(data[7]) << 24;
  h.stored_length = size;
  return h;
}

size_t ReadStageFields(const uint8_t* body, size_t size, SwfHeader& h) {
  Reader r(body, size);
  h.frame_size = r.Rect();
  h.frame_rate = r.U16() / 256.0;
  h.frame_count = r.U16();
  return r.Position();
}

SwfHeader ParseHeader(const std::vector<uint8_t>& file) {
  SwfHeader h = ReadMoviePrefix(file.data(), file.size());
  const uint8_t* rest = file.data() + kMoviePrefixSize;
  size_t rest_size = file.size() - kMoviePrefixSize;
  if (h.signature == 'C') {
    std::vector<uint8_t> head = InflateUpTo(rest, rest_size, kStageFieldsMaxSize);
    ReadStageFields(head.data(), head.size(), h);
  } else {
    ReadStageFields(rest, rest_size, h);
  }
  return h;
}

std::shared_ptr<MovieDef> ParseMovie(const std::vector<uint8_t>& file) {
  auto movie = std::make_shared<MovieDef>();
  SwfHeader& h = movie->header;
  h = ReadMoviePrefix(file.data(), file.size());
  if (h.file_length > kMaxMovieLength) throw FormatError("movie too large");
  size_t declared = h.file_length > kMoviePrefixSize ? h.file_length - kMoviePrefixSize : 0;
  std::vector<uint8_t> body;
  if (h.signature == 'C') {
    // The buffer grows with what really inflates; the declared length only caps it. A stream
    // that ends early keeps what it gave: every tag is checked against the bytes produced.
    InflateEnd end;
    body =
        InflateUpTo(file.data() + kMoviePrefixSize, file.size() - kMoviePrefixSize, declared, &end);
    if (end == InflateEnd::Corrupt) throw FormatError("corrupt compressed movie");
  } else {
    // The declared length may disagree with the file; only bytes really present are read.
    size_t end = std::min<size_t>(file.size(), std::max<size_t>(h.file_length, kMoviePrefixSize));
    body.assign(file.begin() + kMoviePrefixSize, file.begin() + end);
  }
  auto shared_body = std::make_shared<const std::vector<uint8_t>>(std::move(body));
  movie->body = shared_body;
  size_t stage = 0;
  try {
    stage = ReadStageFields(shared_body->data(), shared_body->size(), h);
  } catch (const FormatError& e) {
    size_t offset = kMoviePrefixSize + (e.at ? static_cast<size_t>(e.at - shared_body->data()) : 0);
    throw FormatError("movie header at byte " + std::to_string(offset) + ": " + e.what());
  }
  auto tags = SplitTags(shared_body->data() + stage, shared_body->size() - stage);
  ParseTimeline(tags, *movie, movie->timeline, true);
  return movie;
}

std::shared_ptr<MovieDef> LoadMovieFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FormatError("cannot open " + path);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  return ParseMovie(bytes);
}


std::shared_ptr<MovieDef> ImageMovie(const std::vector<uint8_t>& bytes, int version) {
  auto starts = [&](std::initializer_list<uint8_t> sig) {
    return bytes.size() >= sig.size() && std::equal(sig.begin(), sig.end(), bytes.begin());
  };
  const bool picture = starts({0x89, 'P', 'N', 'G'}) || starts({'G', 'I', 'F', '8', '9', 'a'}) ||
                       starts({0xFF, 0xD8});
  if (!picture) return nullptr;
  auto bitmap = std::make_shared<BitmapDef>(1);
  bitmap->encoding = BitmapDef::Encoding::Embedded;
  bitmap->encoded = bytes;
  BitmapPixels pixels;
  try {
    pixels = bitmap->Decode();
  } catch (const FormatError&) {
    return nullptr;
  }
  if (pixels.width <= 0 || pixels.height <= 0) return nullptr;
  const int32_t w = pixels.width * 20, h = pixels.height * 20;
  auto shape = std::make_shared<ShapeDef>(SolidRectangle(0, 0, w, h, Rgba{0, 0, 0, 255}));
  shape->id = 2;
  FillStyle& fill = shape->groups[0].fill_styles[0];
  fill.type = FillStyle::Type::NonSmoothedClippedBitmap;
  fill.bitmap_id = 1;
  fill.matrix = Matrix{20, 0, 0, 20, 0, 0};

  auto movie = std::make_shared<MovieDef>();
  movie->header.version = static_cast<uint8_t>(std::clamp(version, 1, 255));
  movie->header.file_length = static_cast<uint32_t>(std::min<size_t>(bytes.size(), UINT32_MAX));
  movie->header.stored_length = bytes.size();
  movie->picture = true;
  movie->header.frame_size = {0, w, 0, h};
  movie->header.frame_count = 1;
  movie->dictionary[1] = bitmap;
  movie->dictionary[2] = shape;
  ControlTag place;
  place.place.version = 2;
  place.place.depth = 1;
  place.place.has_character = true;
  place.place.character_id = 2;
  movie->timeline.frames.resize(1);
  movie->timeline.frames[0].tags.push_back(std::move(place));
  return movie;
}

}  // namespace flash
