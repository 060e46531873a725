// The movie file as a data model: header, decompressed body, and timelines whose frames hold the
// control tags (placements, removals, scripts, labels) the player executes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/flash/format/definition_parser.h"
#include "platform/flash/format/errors.h"
#include "platform/flash/format/filters.h"
#include "platform/flash/format/sound.h"
#include "platform/flash/format/tag_codes.h"
#include "platform/flash/format/types.h"

namespace flash {

struct SwfHeader {
  char signature = 'F';  // 'F' plain, 'C' zlib-compressed
  uint8_t version = 0;
  uint32_t file_length = 0;
  size_t stored_length = 0;  // bytes of the file as stored (compressed, for a 'C' movie)
  RectTwips frame_size;
  double frame_rate = 0;
  uint16_t frame_count = 0;
};

struct RawTag {
  uint16_t code = 0;
  const uint8_t* data = nullptr;
  size_t length = 0;
};

// Splits a tag stream into tags. Every header and length is checked against the block; a tag
// whose length runs past the block is cut at the block's end. Stops after an End tag or at the
// end of the block;
// `ended` (when given) tells whether an End tag closed the block.
std::vector<RawTag> SplitTags(const uint8_t* data, size_t size, bool* ended = nullptr);

// One clip event handler of a placement (PlaceObject2/3): the event flags and its byte code.
struct ClipActionRecord {
  uint32_t events = 0;
  uint8_t key_code = 0;
  std::vector<uint8_t> actions;
};

struct PlaceObjectTag {
  int version = 1;  // 1, 2 or 3
  bool move = false;
  uint16_t depth = 0;
  bool has_character = false, has_matrix = false, has_color_transform = false, has_ratio = false,
       has_name = false, has_clip_depth = false;
  uint16_t character_id = 0;
  Matrix matrix;
  ColorTransform color_transform;
  uint16_t ratio = 0;
  std::string name;
  uint16_t clip_depth = 0;
  uint8_t blend_mode = 0;
  bool has_filters = false, has_cache_as_bitmap = false, has_visible = false,
       has_background = false;
  std::vector<Filter> filters;
  bool cache_as_bitmap = false;
  bool visible = true;
  Rgba background{0, 0, 0, 0};  // the opaque background colour
  std::vector<ClipActionRecord> clip_actions;
  uint32_t all_clip_events = 0;  // the list's header: every event its handlers take
};

// Parses a PlaceObject, PlaceObject2 or PlaceObject3 body.
PlaceObjectTag ParsePlaceObject(uint16_t code, const uint8_t* data, size_t size, int swf_version);

// ImportAssets/ImportAssets2: symbols another movie file exports, each given a character id of
// the importing movie. `url` is relative to the importing movie.
struct ImportAssetsTag {
  struct Symbol {
    uint16_t id = 0;
    std::string name;
  };
  std::string url;
  std::vector<Symbol> symbols;
};

// Parses an ImportAssets or ImportAssets2 body.
ImportAssetsTag ParseImportAssets(uint16_t code, const uint8_t* data, size_t size);

// A tag that acts when its frame is reached.
struct ControlTag {
  enum class Kind { Place, Remove, DoAction, InitAction, Background, Import };
  Kind kind = Kind::Place;
  PlaceObjectTag place;                                 // Place
  uint16_t depth = 0;                                   // Remove
  uint16_t sprite_id = 0;                               // InitAction
  std::shared_ptr<const std::vector<uint8_t>> actions;  // DoAction, InitAction
  size_t body_offset = 0;  // DoAction: where its code lies in the movie body
  Rgba color;              // Background
  std::shared_ptr<const ImportAssetsTag> import;  // Import
};

struct Frame {
  std::vector<ControlTag> tags;
  // Sounds the frame starts or stops, in tag order.
  std::vector<StartSoundTag> sounds;
  // The frame's block of the timeline's stream sound (empty when it has none).
  std::shared_ptr<const std::vector<uint8_t>> stream_block;
};

struct Timeline {
  std::vector<Frame> frames;
  // Tags after the last ShowFrame form a last frame that plays once but is never looped back from.
  bool open_last_frame = false;
  // A sprite whose tag block has no End tag never finished loading: it stops at its last frame
  // instead of looping.
  bool complete = true;
  bool Loops() const { return frames.size() > 1 && complete && !open_last_frame; }
  std::map<std::string, int> labels;  // label -> 0-based frame index (first occurrence wins)
  // The stream sound's head; a timeline whose head changes format part-way has no stream sound.
  std::shared_ptr<const SoundStreamHead> stream_head;
  int FrameOfLabel(const std::string& label) const;  // -1 when absent; case-insensitive
};

struct SpriteDef : CharacterDef {
  explicit SpriteDef(uint16_t character_id) : CharacterDef(Kind::Sprite, character_id) {}
  Timeline timeline;
  size_t byte_size = 0;  // bytes of the sprite's own tags (its body after id and frame count)
};

class MovieDef {
 public:
  SwfHeader header;
  Timeline timeline;
  std::map<uint16_t, CharacterPtr> dictionary;
  bool has_background = false;
  Rgba background{255, 255, 255, 255};
  std::vector<uint8_t> jpeg_tables;
  bool is_as3 = false;
  bool picture = false;  // a picture file shown as a one-frame movie (it has no version)
  bool use_network = false;  // FileAttributes: a local movie that may reach the network
  std::map<std::string, uint16_t> class_ids;       // SymbolClass: class name -> character id
  std::map<uint16_t, ButtonSounds> button_sounds;  // DefineButtonSound, by button id
  std::map<uint16_t, RectTwips> scaling_grids;     // DefineScalingGrid, by sprite id
  // Where the player got the movie, as its _url reports it (empty: from memory).
  std::string url;
  // The decompressed body. A frame script may jump out of its own block into the code of a
  // neighbouring one, which the player then runs from here.
  std::shared_ptr<const std::vector<uint8_t>> body;

  const CharacterDef* Find(uint16_t id) const {
    auto it = dictionary.find(id);
    return it == dictionary.end() ? nullptr : it->second.get();
  }
};

// Reads a movie file's bytes ("FWS" or "CWS"). Throws FormatError on anything malformed; the
// error of a tag that cannot be read names the tag's code and the byte where reading failed.
std::shared_ptr<MovieDef> ParseMovie(const std::vector<uint8_t>& file);
std::shared_ptr<MovieDef> LoadMovieFile(const std::string& path);

// A picture file (PNG, GIF or JPEG) loaded in place of a movie: a movie of one frame that shows
// the picture unsmoothed at its pixel size, its top left corner at the origin. Null when the bytes
// are no picture of these kinds or do not decode.
std::shared_ptr<MovieDef> ImageMovie(const std::vector<uint8_t>& bytes, int version);
// Only the header, for callers that need the stage size and frame rate.
SwfHeader ParseHeader(const std::vector<uint8_t>& file);

// The header in two steps, for readers that fetch the bytes themselves: the fixed prefix
// (signature, version, declared length), then the stage fields at the start of the body
// (inflated first for a compressed movie). Both throw FormatError; ReadStageFields returns the
// bytes the fields took.
constexpr size_t kMoviePrefixSize = 8;
constexpr size_t kStageFieldsMaxSize = 21;  // rectangle (at most 17 bytes), rate, frame count
SwfHeader ReadMoviePrefix(const uint8_t* data, size_t size);
size_t ReadStageFields(const uint8_t* body, size_t size, SwfHeader& h);

}  // namespace flash
