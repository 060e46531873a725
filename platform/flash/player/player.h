// The movie player: levels of loaded movies, their display lists and timelines, the tick rule and
// the frame scripts. It knows nothing of pixels; the stage painter draws its display lists.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <tuple>
#include <unordered_map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/flash/format/movie.h"
#include "platform/flash/format/types.h"
#include "platform/flash/player/script/load_queue.h"
#include "platform/flash/player/script/object.h"
#include "platform/flash/player/sound_hooks.h"
#include "platform/flash/player/input.h"
#include "platform/flash/player/value.h"
#include "platform/flash/text/text_field.h"

namespace flash {

class ClipDrawing;
class FlvStream;
class MovieClip;
class Player;
class ActionRunner;
class ButtonObject;
class ButtonScriptObject;
class Program;
class Realm;

// What a video object shows when a script attached a stream: the stream's file and its position.
struct VideoFeed {
  std::shared_ptr<FlvStream> stream;  // null: nothing to show
  double seconds = 0;
};

// Clip event flags of placements (the low 32 bits of the tag's event field).
enum ClipEvent : uint32_t {
  kEventLoad = 0x01,
  kEventEnterFrame = 0x02,
  kEventUnload = 0x04,
  kEventMouseMove = 0x08,
  kEventMouseDown = 0x10,
  kEventMouseUp = 0x20,
  kEventKeyDown = 0x40,
  kEventKeyUp = 0x80,
  kEventData = 0x0100,
  kEventInitialize = 0x0200,
  kEventConstruct = 0x040000,
};

class DisplayObject : public std::enable_shared_from_this<DisplayObject> {
 public:
  enum class Type { Shape, MorphShape, MovieClip, Text, EditText, Button, Other };
  DisplayObject(Type t, CharacterPtr c) : type(t), character(std::move(c)) {}
  virtual ~DisplayObject();

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
  std::vector<Filter> filters;  // drawn through these, in order
  bool cache_as_bitmap = false;
  bool has_opaque_background = false;
  Rgba opaque_background;
  // Rectangles scripts give (pixels of the object's own space): the part of the object shown,
  // moved to its origin (scrollRect), and the grid that keeps corners unscaled (scale9Grid).
  struct PixelRect {
    double x = 0, y = 0, width = 0, height = 0;
  };
  std::optional<PixelRect> scroll_rect, scale9_grid;
  // Video objects: their script object (made on first use, pinned while the object lives) and
  // the stream a script attached, whose picture is drawn in place of the embedded frames.
  ScriptObject* video_object = nullptr;
  std::shared_ptr<Heap> video_heap;
  std::shared_ptr<VideoFeed> video_feed;
  bool visible = true;
  int8_t focus_rect = -1;  // _focusrect: 1 shows the focus frame, 0 hides it, -1 as the roots say
  bool removed = false;
  bool swapped = false;  // moved by swapDepths: scripts may remove it like their own clips
  // A script moved, turned, scaled or faded it (or changed its depth): the timeline's later
  // moves of its depth no longer change its matrix and colour transform.
  bool transformed_by_script = false;
  int place_frame = 0;   // timeline frame (0-based) that placed it; -1 when made by a script
  // Rotation and scale as scripts set them; kept apart from the matrix so that they round-trip.
  // They hold while the matrix keeps the a..d they produced (see clip_transform.h).
  struct ScriptScale {
    double x_scale = 100, y_scale = 100, rotation = 0, skew = 0;  // percent, percent, degrees
    double a = 1, b = 0, c = 0, d = 1;
  };
  std::optional<ScriptScale> script_scale;
  std::string TargetPath() const;  // "_level0.a.b"
  std::string SlashPath() const;   // "/a/b"
  // _droptarget: the slash path of the clip under the pointer when a drag of this object ended.
  std::string drop_target;

  // A removed object that scripts or queued events still hold may outlive its parent: the parent
  // then detaches it and leaves it the paths it had, so that old references keep their names.
  void Detach();

 private:
  std::string detached_target_, detached_slash_;
  bool detached_ = false;
};

class MovieClip : public DisplayObject {
 public:
  MovieClip(std::shared_ptr<const MovieDef> movie, const Timeline* timeline, CharacterPtr c)
      : DisplayObject(Type::MovieClip, std::move(c)), movie(std::move(movie)), timeline(timeline) {}
  ~MovieClip() override;

  std::shared_ptr<const MovieDef> movie;
  const Timeline* timeline;
  int current_frame = -1;  // 0-based; -1 before the first frame ran
  bool playing = true;
  int level = -1;                                          // >= 0 for a level's root clip
  // The address a load into this clip asked for when it failed: the clip reports it as its
  // _url from then on (empty: the url of its movie).
  std::string failed_load_url;
  SoundTransform sound_transform;  // set by the script Sound objects made for this clip
  std::map<int, std::shared_ptr<DisplayObject>> children;  // by depth
  // The script object holding the clip's variables and members; pinned on the heap while the
  // clip lives.
  ClipObject* object = nullptr;
  std::shared_ptr<Heap> heap;  // keeps the object's heap while the clip lives
  struct Handler {
    uint32_t events = 0;
    std::shared_ptr<const std::vector<uint8_t>> code;
    uint8_t key_code = 0;  // the key of a key-press handler
  };
  std::vector<Handler> clip_actions;
  uint32_t clip_event_mask =
      0xFFFFFFFFu;  // the placement's list of events its handlers may receive
  // What scripts drew with the pen methods, beneath the children; null until they draw.
  std::shared_ptr<ClipDrawing> drawing;
  // The clip setMask made this one's mask (the mask itself is drawn only as a mask).
  std::weak_ptr<MovieClip> mask;
  bool is_mask = false;
  bool unloaded = false;  // its content was unloaded, leaving it empty

  int TotalFrames() const { return static_cast<int>(timeline->frames.size()); }
  // A load into it failed: it reports no frames, bytes or version until its content is unloaded.
  bool LoadFailed() const { return parent && !failed_load_url.empty(); }
  int NextHighestDepth() const;
  MovieClip* Root();
  // The child of that instance name; case-insensitive unless `exact`.
  std::shared_ptr<DisplayObject> ChildByName(const std::string& name, bool exact = false) const;
};

// The object masks the objects above it up to its clip depth. A clip that setMask made a mask, or
// gave a mask, stops doing so while that holds: it is drawn as any other clip.
inline bool IsClipLayer(const DisplayObject& obj) {
  if (obj.clip_depth <= 0) return false;
  if (obj.type != DisplayObject::Type::MovieClip) return true;
  const auto& clip = static_cast<const MovieClip&>(obj);
  if (clip.is_mask) return false;
  const auto mask = clip.mask.lock();
  return !mask || mask->removed;
}

// A text field on the display list (static texts are plain display objects of type Text).
class TextFieldObject : public DisplayObject {
 public:
  TextFieldObject(CharacterPtr c, std::shared_ptr<const MovieDef> movie)
      : DisplayObject(Type::EditText, c),
        field(static_cast<const EditTextDef&>(*c), std::move(movie)) {}
  ~TextFieldObject() override;
  text::TextField field;
  // The script object of the field, made on first use and pinned while the field lives.
  FieldObject* object = nullptr;
  std::shared_ptr<Heap> heap;
  bool variable_bound = false;  // the bound variable was given the field's text once
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
  // _quality as scripts last set it: 0 LOW, 1 MEDIUM, 2 HIGH, 3 BEST (drawing knows low and high).
  uint8_t script_quality = 2;
  int32_t sound_buffer_seconds = 5;  // _soundbuftime
  // The roots' _focusrect: whether objects without their own setting show the focus frame. It
  // belongs to the player, so a movie loaded in place of a root keeps it.
  bool focus_frames = true;

  // Changes whenever what the stage painter draws may have changed (loads, unloads, ticks, gotos),
  // so a caller can keep the last rendered picture until then.
  uint64_t DisplayVersion() const { return display_version_; }

  // The root clips of the loaded levels, lowest level first (for drawing).
  std::vector<const MovieClip*> LevelRoots() const;

  // getURL "FSCommand:..." calls this synchronously during the tick.
  std::function<void(const std::string& command, const std::string& args)> on_fscommand;
  // Every trace() call, already converted to text.
  std::function<void(const std::string&)> on_trace;
  std::vector<std::string> trace_log;
  // Files scripts asked for; they complete at the end of a tick.
  LoadQueue loads;
  // Other getURL calls (url, target).
  std::function<void(const std::string& url, const std::string& target)> on_get_url;

  // Whether the bounds of a clip with nothing in it read as 2^27 twips (else 2^27 - 1): so from
  // the start when level 0 is a version 8 movie, and from the first getBounds or getRect a script
  // of version 8 or later called.
  bool wide_empty_bounds = false;

  // The movies' sound; told of frames, ticks and unloads.
  std::unique_ptr<SoundHooks> sound;

  // For the interpreter.
  MovieClip* LevelRoot(int level) const;
  int RandomInt(int limit);
  Heap& ScriptHeap() { return *heap_; }
  // For display objects that pin a script object: the heap must outlive them.
  std::shared_ptr<Heap> SharedScriptHeap() const { return heap_; }
  // The script object of a clip, made on first use.
  ClipObject* ObjectOf(MovieClip* clip);
  FieldObject* ObjectOf(TextFieldObject* field);
  ButtonScriptObject* ObjectOf(ButtonObject* button);

  // --- injected input (player/input.cpp) ---
  // Positions are level 0's stage pixels. Only the left button presses buttons; the others
  // reach the mouse listeners only. Events run their scripts at once.
  void MouseMove(double x, double y);
  // The wheel turned by `lines` (negative towards the user): the text field under the pointer
  // scrolls by as many lines, down for negative turns.
  void MouseWheel(double lines);
  void MouseDown(double x, double y, MouseButton button = MouseButton::Left);
  void MouseUp(double x, double y, MouseButton button = MouseButton::Left);
  // A key by its key code (the numbers Key.getCode gives) and the character it types (0: none).
  void KeyDown(int code, uint32_t character);
  void KeyUp(int code, uint32_t character);
  // Typed text: goes to the focused input field.
  void TextInput(uint32_t codepoint);
  // Editing commands for the focused input field.
  void TextControl(TextCommand command);
  // Text an input method is composing (empty: none), shown in the focused input field in place
  // of the composition before it, with the caret `cursor` characters into it (-1: after it).
  void ImePreedit(const std::string& text, int cursor);
  void SetClipboard(const std::string& text) { input.clipboard = text; }
  // Gives `target` (an input field, a button or a clip; null: nothing) the keyboard focus and
  // tells the objects and Selection's listeners.
  void SetFocus(const std::shared_ptr<DisplayObject>& target);
  // An object made invisible while it has the focus gives the focus up at once.
  void HiddenLosesFocus(const DisplayObject* object);
  // Rolls out of what the pointer left and over what it is over now, when the display list
  // moved under a still pointer (every tick).
  void UpdateHover();
  // Dragging: `clip` follows the pointer (replacing any clip dragged before), at the distance it
  // has now or with its registration point on the pointer; `rect` (left, top, right, bottom in
  // the parent's twips) keeps it inside. StopDrag drops it and records what it was dropped on.
  void StartDrag(MovieClip* clip, bool lock_center, const double* rect);
  void StopDrag();
  // Moves the dragged clip to the pointer (every pointer move and tick).
  void FollowDrag();
  // Delivers one event of an injected-input list.
  void Deliver(const InputEvent& e);
  InputState input;
  // Shows a button's state: the characters its records give that state.
  void SetButtonState(ButtonObject* button, uint8_t state);
  // Shows the values of the variables text fields are bound to (the end of every tick).
  void UpdateBoundFields();
  // Shows the value of the variable one field is bound to; an unset variable takes the field's
  // text once, when the field has any.
  void SyncBoundField(TextFieldObject* field);
  // Follows a link of a field's text: "asfunction:name,argument" calls the function `name`
  // names from the field's parent (a dotted path; a plain name not found there is looked up
  // on _global) with the text after the first comma; any other address goes to on_get_url.
  void FollowLink(TextFieldObject* field, const std::string& url, const std::string& target);
  // The built-ins of movies of `version`: movies of version 6 and before see one set (their
  // own _global, Object, MovieClip.prototype...), later movies another. Without a version: the
  // set of the movie in level 0.
  Realm& ScriptRealm(int version);
  Realm& ScriptRealm();
  // The sets made so far.
  std::vector<Realm*> Realms();
  // The player's clock: milliseconds of movie time, advanced by every tick (getTimer, intervals).
  double ClockMs() const { return clock_ms_; }
  // Actions every script of one tick may run together (nested calls, clip events, init actions
  // and intervals included), and actions one script with all it calls may run. A script that
  // exhausts either is aborted; the next scripts of the tick run while the tick's budget lasts.
  // One script may take most of a tick: thorough test scripts run some millions of actions in
  // their first frame, well inside the few seconds a player allows a script.
  static constexpr long kTickBudget = 8'000'000;
  static constexpr long kBlockBudget = 6'000'000;
  // Objects told of every tick after its scripts and intervals ran (playing net streams); an
  // entry whose function returns false is dropped. Cleared when level 0 is unloaded.
  struct TickListener {
    ScriptObject* object;
    bool (*tick)(ActionRunner& vm, ScriptObject* object);
  };
  std::vector<TickListener> tick_listeners;
  void RunTickListeners();
  // Frees script objects nothing reaches any more (runs between ticks by itself).
  void CollectGarbage();
  size_t ScriptObjectCount() const { return heap_->Count(); }

  // --- for the interpreter and the built-ins ---
  // Queued scripts run phase by phase: sprite initialisers first, then the initialize and then the
  // construct events of new clips (so every clip placed together is initialised before any is
  // constructed), then frame scripts and the other events in the order they were queued.
  enum Phase : uint8_t {
    kPhaseInitAction,
    kPhaseInitialize,
    kPhaseConstruct,
    kPhaseScript,
    kPhases
  };
  struct QueuedAction {
    std::shared_ptr<MovieClip> clip;
    std::shared_ptr<const std::vector<uint8_t>> code;
    Phase phase = kPhaseScript;
    // Frame scripts run inside the movie body: code[start, end) is their block, and jumps may
    // leave it for anywhere in the body.
    bool in_body = false;
    size_t start = 0, end = 0;
    // A clip event also calls the clip's method of this name (onEnterFrame...) when set.
    const char* method = nullptr;
    // The constructor of the clip's registered class, run on the clip.
    Value constructor;
    // Gives the clip the class registered for its symbol (the registration may come from the
    // init actions that run just before).
    bool apply_class = false;
    // An unload handler runs although its clip is gone by then.
    bool unload = false;
  };
  static QueuedAction FrameScript(const std::shared_ptr<MovieClip>& clip, const ControlTag& tag);
  static QueuedAction InitAction(const std::shared_ptr<MovieClip>& clip, const ControlTag& tag);
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
  // Reads the movie an ImportAssets tag of `clip`'s movie names (once per tag), gives the
  // importing movie the symbols found among its exports and queues that movie's init actions on
  // `clip`. A file that is missing or no movie imports nothing.
  void RunImport(MovieClip* clip, const ImportAssetsTag& tag);
  // The symbol `movie` imported under `id`, and the movie it came from; null when none.
  CharacterPtr ImportedCharacter(const MovieDef* movie, uint16_t id,
                                 std::shared_ptr<const MovieDef>& from) const;
  void RemoveChild(MovieClip* clip, int depth);
  // Removes a clip a script removed whose unload handler must run first: the clip moves below
  // the depths in use and stays reachable until the end of the tick.
  void RemoveAfterUnload(MovieClip* clip);
  // Whether a clip or one inside it has an unload handler (placed or an onUnload method) that
  // removal waits for.
  bool WaitsForUnload(MovieClip* clip);
  // The timeline's removal of a depth: a clip waiting for its unload handler goes at the end
  // of the tick, like one a script removed.
  void RemoveByTimeline(MovieClip* clip, int depth);
  void RemoveObject(const std::shared_ptr<DisplayObject>& obj);
  std::shared_ptr<DisplayObject> Instantiate(MovieClip* parent, const CharacterPtr& def,
                                             const std::shared_ptr<const MovieDef>& movie);
  void AddClip(const std::shared_ptr<MovieClip>& clip);  // to the execution list, newest first
  void RemoveFromExecList(MovieClip* clip);
  std::shared_ptr<MovieClip> NewClip(const std::shared_ptr<const MovieDef>& movie,
                                     const Timeline* timeline, CharacterPtr def);
  void QueueClipEvent(MovieClip* clip, uint32_t event);
  void RunIntervals(double end);
  void TraceRoots(std::vector<ScriptObject*>& gray);
  std::shared_ptr<Program> ProgramFor(const std::shared_ptr<const std::vector<uint8_t>>& code,
                                      size_t start, size_t end, size_t lo, size_t hi, int version);
  void RunQueue();
  void RunActions(const QueuedAction& a);
  void TakePending(Level& level);
  bool LevelPending(const MovieClip* clip) const;

  // setInterval/setTimeout: calls `function` (or the method `method` of the object) every
  // `period` ms of the player's clock; returns the id clearInterval takes.
  int AddInterval(const Value& function, const std::string& method, std::vector<Value> args,
                  double period, bool once);
  void ClearInterval(int id);
  int NextInstanceNumber() { return ++instance_counter_; }
  // loadMovie and MovieClipLoader: a new clip with `movie` (empty content when null) takes the
  // place of `clip` under the same name, depth and transform; the old one is removed. Returns the
  // new clip (null when `clip` has no parent).
  MovieClip* ReplaceClipContent(MovieClip* clip, std::shared_ptr<const MovieDef> movie);
  // Runs the first frame of content loaded into a clip or level.
  void StartLoadedContent(MovieClip* clip);
  // Calls `call` once the scripts that this tick's completed loads started have run, the newest
  // load first (while the clip is still there).
  void AfterLoadedScripts(MovieClip* clip, std::function<void(ActionRunner&)> call);
  // loadMovieNum/unloadMovieNum: the level changes at the start of the next tick. `url` is read
  // relative to the folder of level 0's movie; an empty url unloads; network addresses fail.
  void QueueLevelLoad(int level, const std::string& url);
  // Clips made by scripts. `def` null makes an empty clip; `init` gives the new clip's first
  // variables; a class registered for `linkage` becomes the clip's class. Null when it cannot be
  // made.
  MovieClip* CreateClip(MovieClip* parent, const CharacterPtr& def, const std::string& name,
                        int depth, ScriptObject* init, ActionRunner& vm,
                        const std::string& linkage = std::string());
  MovieClip* DuplicateClip(MovieClip* src, const std::string& name, int depth, ScriptObject* init);
  // A copy of a text field at `depth` of its parent, placed as it is: made again from the tag
  // of a field the timeline placed; an empty field of no size for one a script made.
  TextFieldObject* DuplicateField(TextFieldObject* src, const std::string& name, int depth);
  // Places a new instance of the button `def` at `depth` of `parent` (attachMovie of a button
  // symbol): a plain button, whatever class its name was registered with.
  ButtonObject* AttachButton(MovieClip* parent, const CharacterPtr& def, const std::string& name,
                             int depth);
  void SwapDepths(MovieClip* clip, int depth);
  // The symbol a movie exports under `name` (case-insensitive), null when none.
  CharacterPtr ExportedSymbol(const MovieDef* movie, const std::string& name);
  // The name a symbol is exported under, empty when none.
  std::string ExportName(const MovieDef* movie, uint16_t id);
  // Gives a new clip the class registered for its symbol: the prototype now, and the constructor
  // queued to run after its construct event. False when no class is registered.
  bool ApplyRegisteredClass(MovieClip* clip);
  // Runs `code` now as a script of `clip` (its own action budget is the tick's).
  void RunScriptNow(const std::shared_ptr<MovieClip>& clip,
                    const std::shared_ptr<const std::vector<uint8_t>>& code);
  using Queues = std::array<std::deque<QueuedAction>, kPhases>;
  Queues TakeQueues();  // the queues as they are, leaving them empty
  Queues queues_;
  uint64_t generation_ = 0;  // bumped by every unload; running code stops when it changes
  long budget_ = kTickBudget;
  long block_budget_ = kBlockBudget;
  size_t array_growth_ = 0;   // array elements added during this tick
  size_t string_growth_ = 0;  // string bytes made or copied during this tick
  // Operand stack and constant pool shared by the scripts of one tick.
  std::vector<Value> script_stack_;
  std::shared_ptr<const std::vector<std::string>> script_pool_;

 private:
  friend class ActionRunner;

  // The heap outlives every clip (clips unpin their objects when they go).
  std::shared_ptr<Heap> heap_;
  // Bitmap pixels alive after the last collection; a tick that leaves this many more collects.
  static constexpr int64_t kBitmapPixelsPerCollection = int64_t{1} << 24;
  int64_t bitmap_pixels_kept_ = 0;
  std::unique_ptr<Realm> realms_[2];  // versions 6 and before, later versions
  std::map<int, Level> levels_;
  // Clips in execution order, newest first: a list with an index for constant-time removal.
  std::list<std::shared_ptr<MovieClip>> exec_list_;
  std::vector<std::weak_ptr<MovieClip>> unloading_;  // removed at the end of the tick
  std::unordered_map<const MovieClip*, std::list<std::shared_ptr<MovieClip>>::iterator> exec_index_;
  std::set<std::pair<const MovieDef*, uint16_t>> init_done_;
  bool in_tick_ = false;
  uint64_t display_version_ = 0;
  double clock_ms_ = 0;
  double frame_ms_ = 1000.0 / 12;  // the clock's step per tick: the rate of level 0's movie
  std::string movie_folder_;  // level 0's folder, for loads by relative name
  std::vector<std::pair<int, std::string>> level_loads_;
  std::vector<std::pair<std::weak_ptr<DisplayObject>, std::function<void(ActionRunner&)>>>
      after_loads_;
  void RunAfterLoads();
  void RunLevelLoads();
  struct Interval {
    int id = 0;
    Value function;  // a function, or the object whose method `method` is called
    std::string method;
    std::vector<Value> args;
    double period = 0, due = 0;
    bool once = false;
  };
  std::vector<Interval> intervals_;
  int next_interval_ = 1;
  std::map<std::tuple<const void*, size_t, size_t, size_t, size_t>, std::shared_ptr<Program>>
      programs_;
  std::map<const MovieDef*, std::map<std::string, uint16_t>> exports_;  // lower-case name -> id
  const std::map<std::string, uint16_t>& Exports(const MovieDef* movie);
  // What each movie imported: its symbols by the importing movie's ids. The movies on both sides
  // are held so the keys stay theirs.
  struct Imports {
    std::shared_ptr<const MovieDef> importer;
    std::vector<std::shared_ptr<const MovieDef>> sources;
    std::map<uint16_t, std::pair<CharacterPtr, std::shared_ptr<const MovieDef>>> symbols;
    std::set<const ImportAssetsTag*> done;
  };
  std::map<const MovieDef*, Imports> imports_;
  uint32_t random_state_ = 12345;
  int instance_counter_ = 0;
};

}  // namespace flash
