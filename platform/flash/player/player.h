// The movie player: levels of loaded movies, their display lists and timelines, the tick rule and
// the frame scripts. It knows nothing of pixels; the stage painter draws its display lists.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/flash/format/movie.h"
#include "platform/flash/format/types.h"
#include "platform/flash/player/sound_hooks.h"
#include "platform/flash/player/value.h"
#include "platform/flash/text/text_field.h"

namespace flash {

class MovieClip;
class Player;

// Clip event flags of placements (the low 32 bits of the tag's event field).
enum ClipEvent : uint32_t {
  kEventLoad = 0x01,
  kEventEnterFrame = 0x02,
  kEventUnload = 0x04,
  kEventData = 0x0100,
  kEventInitialize = 0x0200,
  kEventConstruct = 0x040000,
};

class DisplayObject : public std::enable_shared_from_this<DisplayObject> {
 public:
  enum class Type { Shape, MorphShape, MovieClip, Text, EditText, Other };
  DisplayObject(Type t, CharacterPtr c) : type(t), character(std::move(c)) {}
  virtual ~DisplayObject() = default;

  Type type;
  CharacterPtr character;
  MovieClip* parent = nullptr;
  int depth = 0;
  std::string name;
  Matrix matrix;
  ColorTransform color_transform;
  uint16_t ratio = 0;
  int clip_depth = 0;
  uint8_t blend_mode = 0;
  bool visible = true;
  bool removed = false;
  int place_frame = 0;       // timeline frame (0-based) that placed it; -1 when made by a script
  // Rotation and scale as scripts set them; kept apart from the matrix so that they round-trip.
  std::string TargetPath() const;  // "_level0.a.b"
  std::string SlashPath() const;   // "/a/b"
};

class MovieClip : public DisplayObject {
 public:
  MovieClip(std::shared_ptr<const MovieDef> movie, const Timeline* timeline, CharacterPtr c)
      : DisplayObject(Type::MovieClip, std::move(c)), movie(std::move(movie)), timeline(timeline) {}

  std::shared_ptr<const MovieDef> movie;
  const Timeline* timeline;
  int current_frame = -1;  // 0-based; -1 before the first frame ran
  bool playing = true;
  int level = -1;          // >= 0 for a level's root clip
  std::map<int, std::shared_ptr<DisplayObject>> children;  // by depth
  std::map<std::string, Value> variables;                  // keys lower case
  std::vector<ClipActionRecord> clip_actions;
  uint32_t clip_event_mask = 0xFFFFFFFFu;  // the placement's list of events its handlers may receive

  int TotalFrames() const { return static_cast<int>(timeline->frames.size()); }
  MovieClip* Root();
  std::shared_ptr<DisplayObject> ChildByName(const std::string& name) const;  // case-insensitive
};

// A text field on the display list (static texts are plain display objects of type Text).
class TextFieldObject : public DisplayObject {
 public:
  TextFieldObject(CharacterPtr c, std::shared_ptr<const MovieDef> movie)
      : DisplayObject(Type::EditText, c),
        field(static_cast<const EditTextDef&>(*c), std::move(movie)) {}
  text::TextField field;
};

// Placement of the stage in a view: scale to fit with the aspect kept, top-left aligned.
Matrix StageToView(const RectTwips& stage, int view_width, int view_height);

class Player {
 public:
  Player();
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Loads a movie into a level and shows its first frame without running its scripts. Throws
  // FormatError for a movie it cannot read (the level is then empty).
  void LoadFile(int level, const std::string& path);
  void LoadBytes(int level, const std::vector<uint8_t>& bytes);
  void LoadMovie(int level, std::shared_ptr<const MovieDef> movie);
  void Unload(int level);
  void UnloadAll();
  bool HasLevel(int level) const { return levels_.count(level) != 0; }

  // One frame-timer tick (see the tick rule in the implementation).
  void Tick();

  // Level 0 controls; frames count from 1.
  void GotoFrame(int frame);  // shows the frame at once; its scripts run on the next tick
  int CurrentFrame() const;
  int TotalFrames() const;
  bool IsPlaying() const;
  void Play();
  void Stop();
  void Back();
  void Forward();

  const MovieDef* Movie(int level = 0) const;
  RectTwips StageRect() const;  // level 0's stage; empty without a movie
  Rgba Background() const;      // level 0's background colour (white without one)

  Quality quality = Quality::High;

  // Changes whenever what the stage painter draws may have changed (loads, unloads, ticks, gotos), so a
  // caller can keep the last rendered picture until then.
  uint64_t DisplayVersion() const { return display_version_; }

  // The root clips of the loaded levels, lowest level first (for drawing).
  std::vector<const MovieClip*> LevelRoots() const;

  // getURL "FSCommand:..." calls this synchronously during the tick.
  std::function<void(const std::string& command, const std::string& args)> on_fscommand;
  // Every trace() call, already converted to text.
  std::function<void(const std::string&)> on_trace;
  std::vector<std::string> trace_log;
  // Other getURL calls (url, target).
  std::function<void(const std::string& url, const std::string& target)> on_get_url;

  // The movies' sound; told of frames, ticks and unloads.
  std::unique_ptr<SoundHooks> sound;

  // For the interpreter.
  MovieClip* LevelRoot(int level) const;
  int RandomInt(int limit);

 private:
  friend class ActionRunner;
  // Queued scripts run phase by phase: sprite initialisers first, then the initialize and then the
  // construct events of new clips (so every clip placed together is initialised before any is
  // constructed), then frame scripts and the other events in the order they were queued.
  enum Phase : uint8_t { kPhaseInitAction, kPhaseInitialize, kPhaseConstruct, kPhaseScript, kPhases };
  struct QueuedAction {
    std::shared_ptr<MovieClip> clip;
    std::shared_ptr<const std::vector<uint8_t>> code;
    Phase phase = kPhaseScript;
    // Frame scripts run inside the movie body: code[start, end) is their block, and jumps may
    // leave it for anywhere in the body.
    bool in_body = false;
    size_t start = 0, end = 0;
  };
  static QueuedAction FrameScript(const std::shared_ptr<MovieClip>& clip, const ControlTag& tag);
  struct Level {
    std::shared_ptr<MovieClip> root;
    bool actions_pending = false;  // shown frame's scripts not run yet
    std::deque<QueuedAction> pending;
  };

  // Timeline execution.
  void RunFrame(MovieClip* clip, int frame, bool run_actions);
  void Advance(MovieClip* clip);
  void GotoFrameOf(MovieClip* clip, int frame);  // 0-based; queues the new frame's scripts
  void DoPlace(MovieClip* clip, const PlaceObjectTag& p, int frame, bool ignore_occupied);
  void RemoveChild(MovieClip* clip, int depth);
  void RemoveObject(const std::shared_ptr<DisplayObject>& obj);
  std::shared_ptr<DisplayObject> Instantiate(MovieClip* parent, const CharacterPtr& def, const std::shared_ptr<const MovieDef>& movie);
  void AddClip(const std::shared_ptr<MovieClip>& clip);  // to the execution list, newest first
  void QueueClipEvent(MovieClip* clip, uint32_t event);
  void RunQueue();
  void RunActions(const QueuedAction& a);
  void TakePending(Level& level);
  bool LevelPending(const MovieClip* clip) const;

  std::map<int, Level> levels_;
  std::vector<std::shared_ptr<MovieClip>> exec_list_;
  using Queues = std::array<std::deque<QueuedAction>, kPhases>;
  Queues queues_;
  Queues TakeQueues();  // the queues as they are, leaving them empty
  std::set<std::pair<const MovieDef*, uint16_t>> init_done_;
  bool in_tick_ = false;
  uint64_t display_version_ = 0;
  uint64_t generation_ = 0;  // bumped by every unload; running code stops when it changes
  // Operand stack and constant pool shared by the scripts of one tick.
  std::vector<Value> script_stack_;
  std::vector<std::string> script_pool_;
  uint32_t random_state_ = 12345;
  int instance_counter_ = 0;
};

}  // namespace flash
