#include "platform/flash/player/player.h"

#include "platform/flash/player/clip_drawing.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <cctype>
#include <cmath>

#include "platform/flash/format/reader.h"
#include "platform/flash/format/shape.h"
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/bitmap_data.h"
#include "platform/flash/player/button.h"
#include "platform/flash/player/script/program.h"
#include "platform/flash/player/script/lib/string_ops.h"
#include "platform/flash/player/script/realm.h"
#include "platform/flash/sound/movie_sound.h"

namespace flash {

namespace {

constexpr size_t kMaxCarriedStack = 1 << 16;
// Clips nested deeper than this are not placed: every level costs stack while a frame runs.
constexpr int kMaxClipNesting = 250;
// Depths below this one belong to the timeline; scripts' depth 0 is this one.
constexpr int kFirstScriptDepth = 16384;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

}  // namespace

// --- display objects ---

std::string DisplayObject::TargetPath() const {
  if (detached_) return detached_target_;
  if (!parent) {
    const auto* clip = dynamic_cast<const MovieClip*>(this);
    return "_level" + std::to_string(clip && clip->level >= 0 ? clip->level : 0);
  }
  return parent->TargetPath() + "." + name;
}

std::string DisplayObject::SlashPath() const {
  if (detached_) return detached_slash_;
  if (!parent) {
    const auto* clip = dynamic_cast<const MovieClip*>(this);
    return clip && clip->level > 0 ? "_level" + std::to_string(clip->level) : "/";
  }
  std::string p = parent->SlashPath();
  return (p == "/" ? "" : p) + "/" + name;
}

void DisplayObject::Detach() {
  detached_target_ = TargetPath();
  detached_slash_ = SlashPath();
  detached_ = true;
  parent = nullptr;
}

MovieClip::~MovieClip() {
  if (object) {
    --object->pins;
    object->clip.reset();
  }
  // Children held elsewhere live on without this clip.
  for (auto& [depth, child] : children)
    if (child && child->parent == this && child.use_count() > 1) child->Detach();
}

DisplayObject::~DisplayObject() {
  if (video_object) --video_object->pins;
}

TextFieldObject::~TextFieldObject() {
  if (object) {
    --object->pins;
    object->field.reset();
  }
}

int MovieClip::NextHighestDepth() const {
  int depth = 16384;
  if (!children.empty()) depth = std::max(depth, children.rbegin()->first + 1);
  return depth;
}

MovieClip* MovieClip::Root() {
  MovieClip* c = this;
  while (c->parent) c = c->parent;
  return c;
}

std::shared_ptr<DisplayObject> MovieClip::ChildByName(const std::string& n, bool exact) const {
  if (exact) {
    for (const auto& [depth, child] : children)
      if (child->name == n) return child;
    return nullptr;
  }
  // Names compare as the heap compares them without case: letters beyond ASCII fold too.
  auto fold = [](const std::string& s) {
    bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
    return ascii ? Lower(s) : scriptlib::ToLowerCase(s, 6);
  };
  std::string key = fold(n);
  for (const auto& [depth, child] : children)
    if (fold(child->name) == key) return child;
  return nullptr;
}

Matrix StageToView(const RectTwips& stage, int view_width, int view_height) {
  double sw = (stage.xmax - stage.xmin) / 20.0, sh = (stage.ymax - stage.ymin) / 20.0;
  double scale = 1.0;
  if (sw > 0 && sh > 0 && view_width > 0 && view_height > 0)
    scale = std::min(view_width / sw, view_height / sh);
  Matrix m;
  m.a = m.d = scale / 20.0;
  m.tx = -stage.xmin / 20.0 * scale;
  m.ty = -stage.ymin / 20.0 * scale;
  return m;
}

// --- loading ---

Player::Player() : sound(std::make_unique<MovieSound>()), heap_(std::make_shared<Heap>()) {}

Player::~Player() {
  // Clips first: they unpin their objects on the heap they keep alive.
  UnloadAll();
  intervals_.clear();
  script_stack_.clear();
  programs_.clear();
}

Realm& Player::ScriptRealm(int version) {
  std::unique_ptr<Realm>& realm = realms_[version >= 7 ? 1 : 0];
  if (!realm) {
    if (!realms_[0] && !realms_[1]) {
      const MovieDef* m = Movie(0);
      heap_->case_insensitive = m && m->header.version < 7;
    }
    realm = std::make_unique<Realm>(*heap_, *this);
  }
  return *realm;
}

Realm& Player::ScriptRealm() {
  const MovieDef* m = Movie(0);
  return ScriptRealm(m ? m->header.version : 10);
}

std::vector<Realm*> Player::Realms() {
  std::vector<Realm*> made;
  for (auto& r : realms_)
    if (r) made.push_back(r.get());
  return made;
}

ClipObject* Player::ObjectOf(MovieClip* clip) {
  if (!clip->object) {
    Realm& realm = clip->movie ? ScriptRealm(clip->movie->header.version) : ScriptRealm();
    auto* o = heap_->New<ClipObject>();
    o->Put(heap_->Key("__proto__"), "__proto__", Value::Object(realm.movieclip_proto),
           kDontEnum | kDontDelete);
    o->clip = clip->weak_from_this();
    o->pins = 1;
    clip->object = o;
    clip->heap = heap_;
  }
  return clip->object;
}

FieldObject* Player::ObjectOf(TextFieldObject* field) {
  if (!field->object) {
    Realm& realm = ScriptRealm();
    auto* o = heap_->New<FieldObject>();
    o->Put(heap_->Key("__proto__"), "__proto__",
           Value::Object(realm.textfield_proto ? realm.textfield_proto : realm.object_proto),
           kDontEnum | kDontDelete);
    o->field = field->weak_from_this();
    // Fields broadcast their events with themselves as the first listener.
    realm.Set(o, "_listeners", Value::Object(realm.NewArray({Value::Object(o)})));
    o->pins = 1;
    field->object = o;
    field->heap = heap_;
  }
  return field->object;
}

std::shared_ptr<Program> Player::ProgramFor(const std::shared_ptr<const std::vector<uint8_t>>& code,
                                            size_t start, size_t end, size_t lo, size_t hi,
                                            int version) {
  auto key = std::make_tuple(static_cast<const void*>(code.get()), start, end, lo, hi);
  auto it = programs_.find(key);
  if (it != programs_.end()) return it->second;
  if (programs_.size() > 4096) programs_.clear();
  auto program = std::make_shared<Program>(code, start, end, lo, hi, version);
  programs_.emplace(key, program);
  return program;
}

void Player::LoadFile(int level, const std::string& path) {
  if (level == 0) {
    size_t slash = path.rfind('/');
    movie_folder_ = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }
  Unload(level);
  std::error_code ec;  // without a folder the movie's loads fail; the movie itself still plays
  if (level == 0) loads.SetBaseFolder(std::filesystem::absolute(path, ec).parent_path().string());
  auto movie = LoadMovieFile(path);
  // Movies see addresses below the folder of the movie in level 0 (its _url names the file
  // alone); a file outside that folder is named alone too.
  movie->url = "file:///" + (path.rfind(movie_folder_, 0) == 0
                                 ? path.substr(movie_folder_.size())
                                 : path.substr(path.rfind('/') + 1));
  LoadMovie(level, movie);
}

void Player::LoadBytes(int level, const std::vector<uint8_t>& bytes) {
  Unload(level);
  LoadMovie(level, ParseMovie(bytes));
}

void Player::LoadMovie(int level, std::shared_ptr<const MovieDef> movie) {
  ++display_version_;
  Unload(level);
  if (!realms_[0] && !realms_[1] && level == 0) heap_->case_insensitive = movie->header.version < 7;
  if (level == 0 && movie->header.version >= 8) wide_empty_bounds = true;
  if (level == 0) frame_ms_ = 1000.0 / std::max(1.0, movie->header.frame_rate);
  auto root = std::make_shared<MovieClip>(movie, &movie->timeline, nullptr);
  root->level = level;
  Level& l = levels_[level];
  l.root = root;
  AddClip(root);
  // The first frame is shown at once; its scripts wait for the first tick.
  Queues saved = TakeQueues();
  if (root->TotalFrames() > 0) {
    root->current_frame = 0;
    RunFrame(root.get(), 0, true);
  }
  TakePending(l);
  queues_ = std::move(saved);
}

Player::Queues Player::TakeQueues() {
  Queues taken = std::move(queues_);
  for (auto& q : queues_) q.clear();
  return taken;
}

void Player::TakePending(Level& level) {
  for (auto& q : queues_) {
    for (auto& a : q) level.pending.push_back(a);
    q.clear();
  }
  level.actions_pending = true;
}

void Player::Unload(int level) {
  ++display_version_;
  auto it = levels_.find(level);
  if (it == levels_.end()) return;
  std::shared_ptr<MovieClip> root = it->second.root;
  levels_.erase(it);
  ++generation_;
  if (level == 0) {  // the movie that asked is gone
    loads.Clear();
    tick_listeners.clear();
  }
  RemoveObject(root);
  if (sound) sound->OnUnload(*root);
  for (auto& q : queues_)
    q.erase(
        std::remove_if(q.begin(), q.end(), [](const QueuedAction& a) { return a.clip->removed; }),
        q.end());
}

void Player::UnloadAll() {
  ++display_version_;
  while (!levels_.empty()) Unload(levels_.begin()->first);
  exec_list_.clear();
  exec_index_.clear();
  for (auto& q : queues_) q.clear();
  init_done_.clear();
}

MovieClip* Player::LevelRoot(int level) const {
  auto it = levels_.find(level);
  return it == levels_.end() ? nullptr : it->second.root.get();
}

const MovieDef* Player::Movie(int level) const {
  MovieClip* root = LevelRoot(level);
  return root ? root->movie.get() : nullptr;
}

RectTwips Player::StageRect() const {
  const MovieDef* m = Movie(0);
  return m ? m->header.frame_size : RectTwips{};
}

Rgba Player::Background() const {
  const MovieDef* m = Movie(0);
  return m && m->has_background ? m->background : Rgba{255, 255, 255, 255};
}

int Player::RandomInt(int limit) {
  random_state_ = random_state_ * 1103515245u + 12345u;
  return limit > 0 ? static_cast<int>((random_state_ >> 8) % static_cast<uint32_t>(limit)) : 0;
}

// --- level 0 controls ---

int Player::CurrentFrame() const {
  MovieClip* root = LevelRoot(0);
  return root ? root->current_frame + 1 : 0;
}

int Player::TotalFrames() const {
  MovieClip* root = LevelRoot(0);
  return root ? root->TotalFrames() : 0;
}

bool Player::IsPlaying() const {
  MovieClip* root = LevelRoot(0);
  return root && root->playing;
}

void Player::Play() {
  if (MovieClip* root = LevelRoot(0)) root->playing = true;
}

void Player::Stop() {
  if (MovieClip* root = LevelRoot(0)) root->playing = false;
}

void Player::GotoFrame(int frame) {
  ++display_version_;
  auto it = levels_.find(0);
  if (it == levels_.end()) return;
  Level& l = it->second;
  int total = l.root->TotalFrames();
  if (total == 0) return;
  int target = std::clamp(frame, 1, total) - 1;
  if (target == l.root->current_frame) return;
  Queues saved = TakeQueues();
  // Scripts of a frame that was shown but never ran are dropped with it.
  l.pending.clear();
  GotoFrameOf(l.root.get(), target);
  TakePending(l);
  queues_ = std::move(saved);
}

void Player::Back() {
  ++display_version_;
  int f = CurrentFrame();
  if (f > 1) GotoFrame(f - 1);
  Stop();
}

void Player::Forward() {
  ++display_version_;
  int f = CurrentFrame();
  if (f > 0 && f < TotalFrames()) GotoFrame(f + 1);
  Stop();
}

// --- the tick ---

bool Player::LevelPending(const MovieClip* clip) const {
  const MovieClip* c = clip;
  while (c->parent) c = c->parent;
  auto it = levels_.find(c->level);
  return it != levels_.end() && it->second.root.get() == c && it->second.actions_pending;
}

// A tick: a level whose shown frame's scripts have not run yet runs them and stays on its frame.
// Every other clip, newest first, sends its enterFrame event and, when playing, moves to its next
// frame (a clip placed during the tick runs its first frame when placed). The scripts queued by all
// of this then run in order.
void Player::Tick() {
  ++display_version_;
  if (in_tick_) return;
  RunLevelLoads();
  in_tick_ = true;
  if (sound) sound->OnTickBegin();
  script_stack_.clear();
  script_pool_.reset();
  budget_ = kTickBudget;
  array_growth_ = 0;
  string_growth_ = 0;
  // The frame's scripts run at the start of the tick's time; the clock reaches its end once the
  // intervals that come due within it have run.
  double tick_end = Movie(0) ? clock_ms_ + frame_ms_ : clock_ms_;
  uint64_t gen = generation_;
  std::set<int> pending_levels;
  for (auto& [n, level] : levels_) {
    if (!level.actions_pending) continue;
    pending_levels.insert(n);
    for (auto& a : level.pending) queues_[a.phase].push_back(a);
    level.pending.clear();
    level.actions_pending = false;
  }
  std::vector<std::shared_ptr<MovieClip>> snapshot(exec_list_.begin(), exec_list_.end());
  for (const auto& clip : snapshot) {
    if (generation_ != gen) break;
    if (clip->removed) continue;
    MovieClip* root = clip->Root();
    if (pending_levels.count(root->level)) continue;
    QueueClipEvent(clip.get(), kEventEnterFrame);
    if (clip->playing) Advance(clip.get());
  }
  RunQueue();
  RunIntervals(tick_end);
  clock_ms_ = std::max(clock_ms_, tick_end);
  RunTickListeners();
  RunQueue();
  loads.Run(*this);
  RunQueue();
  RunAfterLoads();
  // Clips that waited for their unload handlers go now.
  std::vector<std::weak_ptr<MovieClip>> unloading;
  unloading.swap(unloading_);
  for (const auto& weak : unloading) {
    auto clip = weak.lock();
    if (!clip || clip->removed) continue;
    clip->removed = true;
    if (MovieClip* parent = clip->parent) {
      auto it = parent->children.find(clip->depth);
      if (it != parent->children.end() && it->second == clip) parent->children.erase(it);
    }
    ++display_version_;
  }
  UpdateBoundFields();
  if (sound) sound->OnTickEnd();
  in_tick_ = false;
  FollowDrag();
  UpdateHover();
  // Bitmaps scripts let go of are few objects holding much memory: their pixels count too.
  if (heap_->CollectionDue() ||
      BitmapData::LivePixels() - bitmap_pixels_kept_ > kBitmapPixelsPerCollection)
    CollectGarbage();
}

void Player::RunTickListeners() {
  if (tick_listeners.empty()) return;
  MovieClip* root = LevelRoot(0);
  if (!root) return;
  std::shared_ptr<MovieClip> base = std::static_pointer_cast<MovieClip>(root->shared_from_this());
  // Listeners added while these run wait for the next tick.
  std::vector<TickListener> now = std::move(tick_listeners);
  tick_listeners.clear();
  std::vector<TickListener> kept;
  for (size_t i = 0; i < now.size(); ++i) {
    if (LevelRoot(0) != root) return;  // a handler replaced the movie: its listeners are gone
    ActionRunner runner(*this, base);
    if (now[i].tick(runner, now[i].object)) kept.push_back(now[i]);
  }
  kept.insert(kept.end(), tick_listeners.begin(), tick_listeners.end());
  tick_listeners = std::move(kept);
}

void Player::AddClip(const std::shared_ptr<MovieClip>& clip) {
  if (exec_index_.count(clip.get())) return;
  exec_list_.push_front(clip);
  exec_index_[clip.get()] = exec_list_.begin();
}

void Player::RemoveFromExecList(MovieClip* clip) {
  auto it = exec_index_.find(clip);
  if (it == exec_index_.end()) return;
  exec_list_.erase(it->second);
  exec_index_.erase(it);
}

// --- scripts: collector roots, intervals ---

void Player::TraceRoots(std::vector<ScriptObject*>& gray) {
  for (auto& r : realms_)
    if (r) r->Trace(gray);
  loads.Trace(gray);
  for (const TickListener& l : tick_listeners)
    if (l.object && !l.object->marked) gray.push_back(l.object);
  for (const Value& v : script_stack_) TraceValue(v, gray);
  for (const auto& q : queues_)
    for (const QueuedAction& a : q) TraceValue(a.constructor, gray);
  for (const auto& [n, level] : levels_)
    for (const QueuedAction& a : level.pending) TraceValue(a.constructor, gray);
  for (const Interval& i : intervals_) {
    TraceValue(i.function, gray);
    for (const Value& v : i.args) TraceValue(v, gray);
  }
}

void Player::CollectGarbage() {
  if (in_tick_) return;  // natives hold plain pointers while scripts run
  heap_->Collect([this](std::vector<ScriptObject*>& gray) { TraceRoots(gray); });
  bitmap_pixels_kept_ = BitmapData::LivePixels();
}

int Player::AddInterval(const Value& function, const std::string& method, std::vector<Value> args,
                        double period, bool once) {
  if (intervals_.size() >= 10000) return 0;
  Interval i;
  i.id = next_interval_++;
  i.function = function;
  i.method = method;
  i.args = std::move(args);
  i.period = period;
  i.due = clock_ms_ + period;
  i.once = once;
  intervals_.push_back(std::move(i));
  return intervals_.back().id;
}

void Player::ClearInterval(int id) {
  intervals_.erase(std::remove_if(intervals_.begin(), intervals_.end(),
                                  [id](const Interval& i) { return i.id == id; }),
                   intervals_.end());
}

// Every interval due by `end` runs, the earliest first (the older one of two due together), as
// many times as its period fits; the clock reads each call's own time, and the scripts a call
// queues run before the next call.
void Player::RunIntervals(double end) {
  if (levels_.empty()) return;
  while (!intervals_.empty() && budget_ > 0) {
    auto it = std::min_element(intervals_.begin(), intervals_.end(),
                               [](const Interval& a, const Interval& b) {
                                 return a.due != b.due ? a.due < b.due : a.id < b.id;
                               });
    if (it->due > end) break;
    Interval copy = *it;
    if (copy.once)
      intervals_.erase(it);
    else
      it->due = copy.due + std::max(copy.period, 1.0);
    clock_ms_ = std::max(clock_ms_, copy.due);
    --budget_;  // a call that runs no script still counts against the tick
    ActionRunner runner(*this, levels_.begin()->second.root);
    Value fn = copy.function, self = Value::Undefined();
    if (!copy.method.empty()) {
      self = copy.function;
      fn = runner.GetMember(self, copy.method);
    }
    runner.CallFromPlayer(fn, self, copy.args);
    RunQueue();
    if (levels_.empty()) return;
  }
}

void Player::QueueLevelLoad(int level, const std::string& url) {
  if (level < 0 || level_loads_.size() >= 64) return;
  level_loads_.emplace_back(level, url);
}

void Player::RunLevelLoads() {
  auto loads = std::move(level_loads_);
  level_loads_.clear();
  for (const auto& [level, url] : loads) {
    if (url.empty()) {
      Unload(level);
      continue;
    }
    std::string low = Lower(url);
    if (low.find("://") != std::string::npos && low.rfind("file://", 0) != 0)
      continue;  // no network
    std::string path = low.rfind("file://", 0) == 0 ? url.substr(7) : url;
    if (path.empty() || path[0] != '/') path = movie_folder_ + path;
    try {
      // A movie a script loads, into level 0 too, plays at the rate the player started with.
      std::string folder = movie_folder_;
      double frame_ms = frame_ms_;
      LoadFile(level, path);
      movie_folder_ = folder;
      frame_ms_ = frame_ms;
    } catch (const FormatError&) {
      // A movie that cannot be read leaves the level empty.
    }
  }
}

// --- clips made by scripts ---

CharacterPtr Player::ExportedSymbol(const MovieDef* movie, const std::string& name) {
  if (!movie) return nullptr;
  const auto& names = Exports(movie);
  auto it = names.find(Lower(name));
  if (it == names.end()) return nullptr;
  auto def = movie->dictionary.find(it->second);
  return def == movie->dictionary.end() ? nullptr : def->second;
}

std::string Player::ExportName(const MovieDef* movie, uint16_t id) {
  if (!movie) return std::string();
  for (const auto& [name, symbol] : Exports(movie))
    if (symbol == id) return name;
  return std::string();
}

bool Player::ApplyRegisteredClass(MovieClip* clip) {
  if (!clip->character || !clip->movie) return false;
  // Classes are registered with the built-ins of a version: the clip's movie looks in its own.
  const auto& classes = ScriptRealm(clip->movie->header.version).registered_classes;
  if (classes.empty()) return false;
  std::string name = ExportName(clip->movie.get(), clip->character->id);
  if (name.empty()) return false;
  auto c = classes.find(heap_->Key(name));
  if (c == classes.end()) {
    // Registered names keep their case from version 7 on; exports are found without case.
    for (auto it = classes.begin(); it != classes.end(); ++it)
      if (Lower(it->first) == name) c = it;
    if (c == classes.end()) return false;
  }
  ScriptObject* ctor = c->second;
  ClipObject* o = ObjectOf(clip);
  const Property* proto = ctor->Find(heap_->Key("prototype"));
  if (proto && proto->value.type == Value::Type::Object)
    o->Put(heap_->Key("__proto__"), "__proto__", proto->value, kDontEnum | kDontDelete);
  o->Put(heap_->Key("__constructor__"), "__constructor__", Value::Object(ctor), kDontEnum);
  QueuedAction a;
  a.clip = std::static_pointer_cast<MovieClip>(clip->shared_from_this());
  a.phase = kPhaseConstruct;
  a.constructor = Value::Object(ctor);
  queues_[kPhaseConstruct].push_back(std::move(a));
  return true;
}

const std::map<std::string, uint16_t>& Player::Exports(const MovieDef* movie) {
  auto found = exports_.find(movie);
  if (found == exports_.end()) {
    std::map<std::string, uint16_t> names;
    if (movie->body) {
      try {
        Reader r(movie->body->data(), movie->body->size());
        r.Rect();
        r.U16();
        r.U16();
        for (const RawTag& tag : SplitTags(r.Current(), r.Remaining())) {
          if (tag.code != 56) continue;  // ExportAssets
          Reader t(tag.data, tag.length);
          uint16_t count = t.U16();
          for (uint16_t i = 0; i < count; ++i) {
            uint16_t id = t.U16();
            names[Lower(t.CString())] = id;  // a later export of a name replaces the earlier
          }
        }
      } catch (const FormatError&) {
        // A damaged tag ends the list; what was read stays.
      }
    }
    found = exports_.emplace(movie, std::move(names)).first;
  }
  return found->second;
}

MovieClip* Player::CreateClip(MovieClip* parent, const CharacterPtr& def, const std::string& name,
                              int depth, ScriptObject* init, ActionRunner& vm,
                              const std::string& linkage) {
  if (!parent || (def && def->kind != CharacterDef::Kind::Sprite)) return nullptr;
  int nesting = 0;
  for (const MovieClip* a = parent; a; a = a->parent)
    if (++nesting >= kMaxClipNesting) return nullptr;
  static const Timeline kEmpty;
  const Timeline* timeline =
      def ? &std::static_pointer_cast<const SpriteDef>(def)->timeline : &kEmpty;
  auto mc = std::make_shared<MovieClip>(parent->movie, timeline, def);
  if (parent->children.count(depth)) RemoveChild(parent, depth);
  mc->parent = parent;
  mc->depth = depth;
  mc->name = name;
  mc->place_frame = -1;
  parent->children[depth] = mc;
  ClipObject* o = ObjectOf(mc.get());
  ScriptObject* ctor = nullptr;
  if (!linkage.empty() && mc->movie) {
    const auto& classes = ScriptRealm(mc->movie->header.version).registered_classes;
    auto c = classes.find(heap_->Key(linkage));
    if (c != classes.end()) {
      ctor = c->second;
      Value proto = vm.GetMember(Value::Object(ctor), "prototype");
      if (proto.type == Value::Type::Object)
        o->Put(heap_->Key("__proto__"), "__proto__", proto, kDontEnum | kDontDelete);
    }
  }
  AddClip(mc);
  // The first frame's children are in place before the init object's properties are copied,
  // so a size given there scales what the clip shows.
  if (mc->TotalFrames() > 0) {
    mc->current_frame = 0;
    RunFrame(mc.get(), 0, true);
  }
  if (init) {
    for (const Property& p : init->Properties())
      if (!(p.flags & kDontEnum)) vm.SetMember(vm.ClipValue(mc.get()), p.name, p.value);
  }
  if (!ctor) {
    // Without a class of its own, the clip's onConstruct (its prototype's, say) runs at once;
    // what it throws stays with it.
    Value on_construct = vm.GetMember(vm.ClipValue(mc.get()), "onConstruct");
    if (vm.IsFunction(on_construct)) vm.CallFromPlayer(on_construct, vm.ClipValue(mc.get()), {});
    if (mc->removed) return nullptr;  // onConstruct removed it again
  }
  QueueClipEvent(mc.get(), kEventLoad);
  // The class's constructor runs once the first frame's children are in place.
  if (ctor && !mc->removed) vm.Call(Value::Object(ctor), vm.ClipValue(mc.get()), {});
  return mc.get();
}

MovieClip* Player::DuplicateClip(MovieClip* src, const std::string& name, int depth,
                                 ScriptObject* init) {
  if (!src || !src->parent) return nullptr;
  // A copy made at the source's own depth replaces the source: keep it until it has been copied.
  auto keep_source = src->shared_from_this();
  MovieClip* parent = src->parent;
  if (parent->children.count(depth)) RemoveChild(parent, depth);
  static const Timeline kEmpty;
  auto mc = std::make_shared<MovieClip>(src->movie, src->timeline ? src->timeline : &kEmpty,
                                        src->character);
  mc->parent = parent;
  mc->depth = depth;
  mc->name = name;
  mc->matrix = src->matrix;
  mc->color_transform = src->color_transform;
  mc->visible = src->visible;
  mc->place_frame = -1;
  mc->clip_actions = src->clip_actions;
  mc->clip_event_mask = src->clip_event_mask;
  if (src->drawing) mc->drawing = std::make_shared<ClipDrawing>(*src->drawing);
  parent->children[depth] = mc;
  if (init) {
    ClipObject* o = ObjectOf(mc.get());
    for (const Property& p : init->Properties())
      if (!(p.flags & kDontEnum)) o->Put(heap_->Key(p.name), p.name, p.value);
  }
  AddClip(mc);
  QueueClipEvent(mc.get(), kEventLoad);
  if (mc->TotalFrames() > 0) {
    mc->current_frame = 0;
    RunFrame(mc.get(), 0, true);
  }
  return mc.get();
}

TextFieldObject* Player::DuplicateField(TextFieldObject* src, const std::string& name,
                                        int depth) {
  if (!src || !src->parent || !src->character) return nullptr;
  auto keep_source = src->shared_from_this();
  MovieClip* parent = src->parent;
  CharacterPtr def = src->character;
  if (src->place_frame < 0) {
    // What a script made is not copied: only whether the field takes input carries over.
    auto empty = std::make_shared<EditTextDef>();
    empty->read_only = src->field.read_only;
    def = std::move(empty);
  }
  if (parent->children.count(depth)) RemoveChild(parent, depth);
  auto field = std::make_shared<TextFieldObject>(def, parent->movie);
  field->parent = parent;
  field->depth = depth;
  field->name = name;
  field->place_frame = -1;
  field->matrix = src->matrix;
  field->color_transform = src->color_transform;
  parent->children[depth] = field;
  ++display_version_;
  return field.get();
}

MovieClip* Player::ReplaceClipContent(MovieClip* clip, std::shared_ptr<const MovieDef> movie) {
  if (!clip || !clip->parent) return nullptr;
  static const Timeline kEmpty;
  auto keep = clip->shared_from_this();
  // Emptied, the clip belongs to the movie that holds it, not to what it had loaded.
  MovieClip* parent = clip->parent;
  auto mc = std::make_shared<MovieClip>(movie ? movie : parent->movie,
                                        movie ? &movie->timeline : &kEmpty, nullptr);
  mc->parent = parent;
  mc->depth = clip->depth;
  mc->name = clip->name;
  mc->matrix = clip->matrix;
  mc->color_transform = clip->color_transform;
  mc->visible = clip->visible;
  mc->place_frame = clip->place_frame;
  mc->swapped = clip->swapped;
  mc->clip_actions = clip->clip_actions;
  mc->clip_event_mask = clip->clip_event_mask;
  mc->unloaded = !movie;
  // _lockroot belongs to the clip, not to the content it loads.
  const Property* lock = clip->object ? clip->object->Find(heap_->Key("_lockroot")) : nullptr;
  Value locked = lock ? lock->value : Value::Undefined();
  RemoveChild(parent, clip->depth);
  parent->children[mc->depth] = mc;
  AddClip(mc);
  ClipObject* o = ObjectOf(mc.get());
  if (lock) o->Put(heap_->Key("_lockroot"), "_lockroot", locked);
  ++display_version_;
  return mc.get();
}

void Player::StartLoadedContent(MovieClip* clip) {
  if (!clip || clip->removed) return;
  if (!clip->parent) {
    // A level shows its first frame at once; its scripts run now rather than on the next tick.
    auto it = levels_.find(clip->level);
    if (it == levels_.end() || it->second.root.get() != clip) return;
    for (auto& a : it->second.pending) queues_[a.phase].push_back(a);
    it->second.pending.clear();
    it->second.actions_pending = false;
    return;
  }
  QueueClipEvent(clip, kEventLoad);
  if (clip->TotalFrames() > 0 && clip->current_frame < 0) {
    clip->current_frame = 0;
    RunFrame(clip, 0, true);
  }
}

void Player::AfterLoadedScripts(MovieClip* clip, std::function<void(ActionRunner&)> call) {
  if (!clip || after_loads_.size() >= 4096) return;
  after_loads_.emplace_back(clip->weak_from_this(), std::move(call));
}

void Player::RunAfterLoads() {
  auto calls = std::move(after_loads_);
  after_loads_.clear();
  for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
    auto clip = it->first.lock();
    if (!clip || clip->removed || levels_.empty()) continue;
    ActionRunner runner(*this, std::static_pointer_cast<MovieClip>(clip));
    it->second(runner);
    RunQueue();
  }
}

void Player::SwapDepths(MovieClip* clip, int depth) {
  MovieClip* parent = clip->parent;
  if (!parent || depth == clip->depth) return;
  auto self = parent->children.find(clip->depth);
  if (self == parent->children.end() || self->second.get() != clip) return;
  std::shared_ptr<DisplayObject> mine = self->second;
  parent->children.erase(self);
  auto other = parent->children.find(depth);
  if (other != parent->children.end()) {
    std::shared_ptr<DisplayObject> theirs = other->second;
    parent->children.erase(other);
    theirs->depth = clip->depth;
    theirs->swapped = true;
    parent->children[theirs->depth] = theirs;
  }
  clip->depth = depth;
  clip->swapped = true;
  clip->transformed_by_script = true;
  parent->children[depth] = mine;
  ++display_version_;
}

// Queues the handlers of one event. A handler listening to several events runs for each of them;
// events missing from the placement's list of events reach no handler.
void Player::QueueClipEvent(MovieClip* clip, uint32_t event) {
  Phase phase = event == kEventInitialize  ? kPhaseInitialize
                : event == kEventConstruct ? kPhaseConstruct
                                           : kPhaseScript;
  for (const auto& rec : clip->clip_actions) {
    if (!(rec.events & event & clip->clip_event_mask)) continue;
    QueuedAction a;
    a.clip = std::static_pointer_cast<MovieClip>(clip->shared_from_this());
    a.code = rec.code;
    a.phase = phase;
    a.unload = event == kEventUnload;
    queues_[phase].push_back(std::move(a));
  }
  // The clip's own handler methods (onEnterFrame...) run after its placed handlers.
  const char* method = event == kEventEnterFrame  ? "onEnterFrame"
                       : event == kEventLoad      ? "onLoad"
                       : event == kEventUnload    ? "onUnload"
                       : event == kEventData      ? "onData"
                       : event == kEventMouseDown ? "onMouseDown"
                       : event == kEventMouseUp   ? "onMouseUp"
                       : event == kEventMouseMove ? "onMouseMove"
                                                  : nullptr;
  // A clip placed by the timeline gets its script object (and any class) only after this, so
  // its onLoad is looked up when it runs.
  if (method && (clip->object || event == kEventLoad)) {
    QueuedAction a;
    a.clip = std::static_pointer_cast<MovieClip>(clip->shared_from_this());
    a.phase = phase;
    a.method = method;
    queues_[phase].push_back(std::move(a));
  }
}

void Player::RunQueue() {
  uint64_t gen = generation_;
  int guard = 0;
  while (generation_ == gen && ++guard < 1000000) {
    auto q = std::find_if(queues_.begin(), queues_.end(), [](const auto& d) { return !d.empty(); });
    if (q == queues_.end()) break;
    QueuedAction a = std::move(q->front());
    q->pop_front();
    // A removed clip only still hears of its unloading.
    const bool unloading = a.unload || (a.method && std::strcmp(a.method, "onUnload") == 0);
    if (a.clip->removed && !unloading) continue;
    if (budget_ <= 0 && a.phase == kPhaseScript) continue;  // the tick's budget is spent
    RunActions(a);
  }
}

Player::QueuedAction Player::InitAction(const std::shared_ptr<MovieClip>& clip,
                                        const ControlTag& tag) {
  QueuedAction a;
  a.clip = clip;
  a.code = tag.actions;
  a.phase = kPhaseInitAction;
  return a;
}

Player::QueuedAction Player::FrameScript(const std::shared_ptr<MovieClip>& clip,
                                         const ControlTag& tag) {
  QueuedAction a;
  a.clip = clip;
  a.code = tag.actions;
  const auto& body = clip->movie ? clip->movie->body : nullptr;
  if (body && tag.actions && tag.body_offset <= body->size() &&
      tag.actions->size() <= body->size() - tag.body_offset) {
    a.code = body;
    a.in_body = true;
    a.start = tag.body_offset;
    a.end = tag.body_offset + tag.actions->size();
  }
  return a;
}

void Player::RunActions(const QueuedAction& a) {
  ActionRunner runner(*this, a.clip);
  if (a.apply_class) {
    if (!a.clip->removed) ApplyRegisteredClass(a.clip.get());
    return;
  }
  if (!a.constructor.IsUndefined()) {
    if (!a.clip->removed) runner.CallFromPlayer(a.constructor, runner.ClipValue(a.clip.get()), {});
    return;
  }
  if (a.method) {
    Value self = runner.ClipValue(a.clip.get());
    if (a.clip->removed) self = Value::Object(a.clip->object);
    ScriptObject* object = a.clip->removed ? a.clip->object : ObjectOf(a.clip.get());
    Value fn = object ? runner.GetMember(Value::Object(object), a.method) : Value::Undefined();
    if (runner.IsFunction(fn))
      runner.CallFromPlayer(fn, a.clip->removed ? self : runner.ClipValue(a.clip.get()), {});
    return;
  }
  if (a.in_body)
    runner.Run(a.code, a.start, a.end, 0, a.code->size());
  else if (a.code)
    runner.Run(a.code, 0, a.code->size());
  // A runaway script must not make the carried stack grow without bound.
  if (script_stack_.size() > kMaxCarriedStack) script_stack_.clear();
}

void Player::RunScriptNow(const std::shared_ptr<MovieClip>& clip,
                          const std::shared_ptr<const std::vector<uint8_t>>& code) {
  QueuedAction a;
  a.clip = clip;
  a.code = code;
  RunActions(a);
}

// --- timelines ---

void Player::Advance(MovieClip* clip) {
  int total = clip->TotalFrames();
  if (total == 0) return;
  if (clip->current_frame + 1 < total) {
    ++clip->current_frame;
    RunFrame(clip, clip->current_frame, true);
  } else if (clip->timeline->Loops()) {
    GotoFrameOf(clip, 0);  // loop
  }
}

void Player::RunFrame(MovieClip* clip, int frame, bool run_actions) {
  if (frame < 0 || frame >= clip->TotalFrames()) return;
  const Frame& f = clip->timeline->frames[static_cast<size_t>(frame)];
  auto self = std::static_pointer_cast<MovieClip>(clip->shared_from_this());
  if (sound) sound->OnFrame(*clip, frame, false, in_tick_);
  for (const ControlTag& tag : f.tags) {
    if (clip->removed) return;
    switch (tag.kind) {
      case ControlTag::Kind::Place: DoPlace(clip, tag.place, frame, false); break;
      case ControlTag::Kind::Remove: RemoveByTimeline(clip, tag.depth); break;
      case ControlTag::Kind::DoAction:
        if (run_actions) queues_[kPhaseScript].push_back(FrameScript(self, tag));
        break;
      case ControlTag::Kind::InitAction:
        if (init_done_.insert({clip->movie.get(), tag.sprite_id}).second)
          queues_[kPhaseInitAction].push_back(InitAction(self, tag));
        break;
      case ControlTag::Kind::Background: break;
      case ControlTag::Kind::Import: RunImport(clip, *tag.import); break;
    }
  }
}

void Player::RunImport(MovieClip* clip, const ImportAssetsTag& tag) {
  if (!clip->movie) return;
  Imports& imports = imports_[clip->movie.get()];
  if (!imports.importer) imports.importer = clip->movie;
  if (!imports.done.insert(&tag).second) return;
  // The address is relative to the importing movie's own place.
  std::string url = tag.url;
  const std::string& own = clip->movie->url;
  const std::string local = "file:///";
  if (!LoadQueue::IsRemote(url) && own.rfind(local, 0) == 0) {
    size_t slash = own.rfind('/');
    if (slash >= local.size()) url = own.substr(local.size(), slash + 1 - local.size()) + url;
  }
  LoadResult file = loads.Read(url);
  if (!file.bytes) return;
  std::shared_ptr<const MovieDef> source;
  try {
    source = ParseMovie(std::vector<uint8_t>(file.bytes->begin(), file.bytes->end()));
  } catch (const FormatError&) {
    return;
  }
  imports.sources.push_back(source);
  for (const ImportAssetsTag::Symbol& sym : tag.symbols)
    if (CharacterPtr def = ExportedSymbol(source.get(), sym.name))
      imports.symbols[sym.id] = {def, source};
  // The imported movie's init actions all run, on the importing timeline, after those queued
  // so far.
  auto self = std::static_pointer_cast<MovieClip>(clip->shared_from_this());
  for (const Frame& fr : source->timeline.frames)
    for (const ControlTag& t : fr.tags)
      if (t.kind == ControlTag::Kind::InitAction &&
          init_done_.insert({source.get(), t.sprite_id}).second)
        queues_[kPhaseInitAction].push_back(InitAction(self, t));
}

CharacterPtr Player::ImportedCharacter(const MovieDef* movie, uint16_t id,
                                       std::shared_ptr<const MovieDef>& from) const {
  auto m = imports_.find(movie);
  if (m == imports_.end()) return nullptr;
  auto s = m->second.symbols.find(id);
  if (s == m->second.symbols.end()) return nullptr;
  from = s->second.second;
  return s->second.first;
}

// Goes to `frame` (0-based). Forwards, the frames in between only change the display list; back,
// the timeline is rebuilt from the first frame, keeping the objects that were placed no later
// than the target frame (they would be placed again identically). Objects scripts made stay
// unless they lie among the timeline's depths, which the rebuilt timeline owns again. The target
// frame's scripts are queued.
void Player::GotoFrameOf(MovieClip* clip, int frame) {
  int total = clip->TotalFrames();
  if (total == 0) return;
  frame = std::clamp(frame, 0, total - 1);
  if (frame == clip->current_frame) return;
  int from;
  std::map<int, int> kept_since;  // depth -> frame the kept object was placed in
  if (frame < clip->current_frame) {
    std::vector<int> doomed;
    for (auto& [depth, child] : clip->children) {
      if (child->place_frame < 0 && depth >= kFirstScriptDepth) continue;
      if (child->place_frame >= 0 && child->place_frame <= frame)
        kept_since[depth] = child->place_frame;
      else
        doomed.push_back(depth);
    }
    for (int d : doomed) RemoveChild(clip, d);
    from = 0;
  } else {
    from = clip->current_frame + 1;
  }
  auto self = std::static_pointer_cast<MovieClip>(clip->shared_from_this());
  clip->current_frame = frame;
  if (sound) sound->OnFrame(*clip, frame, true, in_tick_);
  for (int f = from; f <= frame && !clip->removed; ++f) {
    const Frame& fr = clip->timeline->frames[static_cast<size_t>(f)];
    for (const ControlTag& tag : fr.tags) {
      if (clip->removed) return;
      switch (tag.kind) {
        case ControlTag::Kind::Place: {
          auto k = kept_since.find(tag.place.depth);
          if (k != kept_since.end()) {
            if (f < k->second) break;  // history of a depth whose object stays
            if (f == k->second) {
              // The kept object's own placement: its properties go back to what that
              // placement gave it (defaults where it gave none), as on the first pass.
              auto child = clip->children.find(tag.place.depth);
              if (child != clip->children.end()) {
                child->second->matrix = Matrix{};
                child->second->color_transform = ColorTransform{};
                child->second->ratio = 0;
              }
              PlaceObjectTag move = tag.place;
              move.move = true;
              move.has_character = false;
              DoPlace(clip, move, f, true);
              break;
            }
          }
          DoPlace(clip, tag.place, f, true);
          break;
        }
        case ControlTag::Kind::Remove: {
          auto k = kept_since.find(tag.depth);
          if (k != kept_since.end() && f < k->second) break;
          RemoveByTimeline(clip, tag.depth);
          break;
        }
        case ControlTag::Kind::DoAction:
          if (f == frame) queues_[kPhaseScript].push_back(FrameScript(self, tag));
          break;
        case ControlTag::Kind::InitAction:
          if (init_done_.insert({clip->movie.get(), tag.sprite_id}).second)
            queues_[kPhaseInitAction].push_back(InitAction(self, tag));
          break;
        case ControlTag::Kind::Background: break;
        case ControlTag::Kind::Import: RunImport(clip, *tag.import); break;
      }
    }
  }
}

std::shared_ptr<DisplayObject> Player::Instantiate(MovieClip* parent, const CharacterPtr& def,
                                                   const std::shared_ptr<const MovieDef>& movie) {
  (void)parent;
  switch (def->kind) {
    case CharacterDef::Kind::Sprite: {
      auto sprite = std::static_pointer_cast<const SpriteDef>(def);
      auto clip = std::make_shared<MovieClip>(movie, &sprite->timeline, def);
      if (auto grid = movie->scaling_grids.find(def->id); grid != movie->scaling_grids.end()) {
        const RectTwips& g = grid->second;
        clip->scale9_grid = DisplayObject::PixelRect{
            g.xmin / 20.0, g.ymin / 20.0, (g.xmax - g.xmin) / 20.0, (g.ymax - g.ymin) / 20.0};
      }
      return clip;
    }
    case CharacterDef::Kind::Shape:
      return std::make_shared<DisplayObject>(DisplayObject::Type::Shape, def);
    case CharacterDef::Kind::MorphShape:
      return std::make_shared<DisplayObject>(DisplayObject::Type::MorphShape, def);
    case CharacterDef::Kind::Text:
      return std::make_shared<DisplayObject>(DisplayObject::Type::Text, def);
    case CharacterDef::Kind::EditText: return std::make_shared<TextFieldObject>(def, movie);
    case CharacterDef::Kind::Button: return std::make_shared<ButtonObject>(movie, def);
    default: return std::make_shared<DisplayObject>(DisplayObject::Type::Other, def);
  }
}

void Player::DoPlace(MovieClip* clip, const PlaceObjectTag& p, int frame, bool in_goto) {
  (void)in_goto;
  auto existing = clip->children.find(p.depth);
  std::shared_ptr<DisplayObject> obj;
  bool created = false;
  if (p.has_character && !p.move) {
    if (existing != clip->children.end()) {
      // Depth taken: the placement fails, and the player says so in its log.
      std::string text = "Warning: Failed to place object at depth " + std::to_string(p.depth) + ".";
      trace_log.push_back(text);
      if (on_trace) on_trace(text);
      return;
    }
  }
  if (p.has_character &&
      (!p.move || existing == clip->children.end() || !existing->second->character ||
       existing->second->character->id != p.character_id)) {
    CharacterPtr def;
    std::shared_ptr<const MovieDef> def_movie = clip->movie;
    auto it = clip->movie->dictionary.find(p.character_id);
    if (it != clip->movie->dictionary.end())
      def = it->second;
    else
      def = ImportedCharacter(clip->movie.get(), p.character_id, def_movie);
    if (!def) return;
    if (def->kind == CharacterDef::Kind::Sprite) {
      // A sprite that would contain itself (directly or through other sprites) would nest
      // without end; such placements, and absurdly deep nesting, are left out.
      int nesting = 0;
      for (const MovieClip* a = clip; a != nullptr; a = a->parent) {
        if (a->character == def || ++nesting >= kMaxClipNesting) return;
      }
    }
    obj = Instantiate(clip, def, def_movie);
    created = true;
    if (existing != clip->children.end()) {
      // A move that swaps the character keeps the old object's properties.
      const auto& old = existing->second;
      obj->matrix = old->matrix;
      obj->color_transform = old->color_transform;
      obj->ratio = old->ratio;
      obj->name = old->name;
      obj->clip_depth = old->clip_depth;
      obj->blend_mode = old->blend_mode;
      obj->filters = old->filters;
      obj->cache_as_bitmap = old->cache_as_bitmap;
      RemoveObject(old);
    }
    obj->parent = clip;
    obj->depth = p.depth;
    obj->place_frame = frame;
    if (!p.has_name && obj->name.empty() &&
        (obj->type == DisplayObject::Type::MovieClip || obj->type == DisplayObject::Type::Button))
      obj->name = "instance" + std::to_string(++instance_counter_);
    clip->children[p.depth] = obj;
  } else {
    if (existing == clip->children.end()) return;
    obj = existing->second;
  }
  const bool keep_transform = !created && obj->transformed_by_script;
  if (p.has_matrix && !keep_transform) obj->matrix = p.matrix;
  if (p.has_color_transform && !keep_transform) obj->color_transform = p.color_transform;
  if (p.has_ratio) obj->ratio = p.ratio;
  if (p.has_name) obj->name = p.name;
  if (p.has_clip_depth) obj->clip_depth = p.clip_depth;
  if (p.version == 3 && p.blend_mode) obj->blend_mode = p.blend_mode;
  if (p.has_filters) obj->filters = p.filters;
  if (p.has_cache_as_bitmap) obj->cache_as_bitmap = p.cache_as_bitmap;
  if (p.has_visible) obj->visible = p.visible;
  if (p.has_background) {
    obj->has_opaque_background = true;
    obj->opaque_background = p.background;
  }
  if (created && obj->type == DisplayObject::Type::EditText)
    SyncBoundField(static_cast<TextFieldObject*>(obj.get()));
  if (created && obj->type == DisplayObject::Type::Button)
    SetButtonState(static_cast<ButtonObject*>(obj.get()), kButtonUp);
  if (created && obj->type == DisplayObject::Type::MovieClip) {
    auto mc = std::static_pointer_cast<MovieClip>(obj);
    for (const ClipActionRecord& rec : p.clip_actions)
      mc->clip_actions.push_back(
          {rec.events, std::make_shared<const std::vector<uint8_t>>(rec.actions), rec.key_code});
    if (!p.clip_actions.empty()) mc->clip_event_mask = p.all_clip_events;
    AddClip(mc);
    if (!ExportName(mc->movie.get(), mc->character->id).empty()) {
      QueuedAction a;
      a.clip = mc;
      a.phase = kPhaseInitialize;
      a.apply_class = true;
      queues_[kPhaseInitialize].push_back(std::move(a));
    }
    QueueClipEvent(mc.get(), kEventInitialize);
    QueueClipEvent(mc.get(), kEventConstruct);
    QueueClipEvent(mc.get(), kEventLoad);
    // A new clip shows its first frame at once.
    if (mc->TotalFrames() > 0) {
      mc->current_frame = 0;
      RunFrame(mc.get(), 0, true);
    }
  }
}

ButtonObject* Player::AttachButton(MovieClip* parent, const CharacterPtr& def,
                                   const std::string& name, int depth) {
  if (!parent || !def || def->kind != CharacterDef::Kind::Button) return nullptr;
  if (parent->children.count(depth)) RemoveChild(parent, depth);
  auto button = std::static_pointer_cast<ButtonObject>(Instantiate(parent, def, parent->movie));
  button->parent = parent;
  button->depth = depth;
  button->name = name;
  button->place_frame = -1;
  parent->children[depth] = button;
  SetButtonState(button.get(), kButtonUp);
  return button.get();
}

void Player::RemoveChild(MovieClip* clip, int depth) {
  auto it = clip->children.find(depth);
  if (it == clip->children.end()) return;
  auto obj = it->second;
  clip->children.erase(it);
  RemoveObject(obj);
}

bool Player::WaitsForUnload(MovieClip* mc) {
  if (std::any_of(mc->clip_actions.begin(), mc->clip_actions.end(), [&](const auto& r) {
        return (r.events & kEventUnload & mc->clip_event_mask) != 0;
      }))
    return true;
  if (mc->object) {
    ActionRunner runner(*this, std::static_pointer_cast<MovieClip>(mc->shared_from_this()));
    if (runner.IsFunction(runner.GetMember(Value::Object(mc->object), "onUnload"))) return true;
  }
  // A clip whose children wait waits with them.
  for (const auto& [depth, child] : mc->children)
    if (child->type == DisplayObject::Type::MovieClip &&
        WaitsForUnload(static_cast<MovieClip*>(child.get())))
      return true;
  return false;
}

void Player::RemoveByTimeline(MovieClip* clip, int depth) {
  auto it = clip->children.find(depth);
  if (it == clip->children.end()) return;
  if (it->second->type == DisplayObject::Type::MovieClip) {
    auto* mc = static_cast<MovieClip*>(it->second.get());
    if (WaitsForUnload(mc)) {
      RemoveAfterUnload(mc);
      return;
    }
  }
  RemoveChild(clip, depth);
}

void Player::RemoveAfterUnload(MovieClip* clip) {
  MovieClip* parent = clip->parent;
  auto it = parent ? parent->children.find(clip->depth) : decltype(parent->children.end()){};
  if (!parent || it == parent->children.end() || it->second.get() != clip) return;
  std::shared_ptr<DisplayObject> keep = it->second;
  parent->children.erase(it);
  clip->depth = -1 - clip->depth;  // script depth d goes to -32769 - d
  parent->children[clip->depth] = keep;
  ++display_version_;
  if (input.focus.lock() == keep) SetFocus(nullptr);
  QueueClipEvent(clip, kEventUnload);
  for (auto& [depth, child] : clip->children) RemoveObject(child);
  RemoveFromExecList(clip);
  unloading_.push_back(std::static_pointer_cast<MovieClip>(keep));
}

void Player::RemoveObject(const std::shared_ptr<DisplayObject>& obj) {
  if (!obj || obj->removed) return;
  obj->removed = true;
  if (input.focus.lock() == obj) SetFocus(nullptr);  // the focus goes with what held it
  if (obj->type == DisplayObject::Type::Button) {
    for (auto& [depth, child] : static_cast<MovieClip&>(*obj).children) RemoveObject(child);
    return;
  }
  if (obj->type != DisplayObject::Type::MovieClip) return;
  auto mc = std::static_pointer_cast<MovieClip>(obj);
  QueueClipEvent(mc.get(), kEventUnload);
  for (auto& [depth, child] : mc->children) RemoveObject(child);
  RemoveFromExecList(mc.get());
}

std::vector<const MovieClip*> Player::LevelRoots() const {
  std::vector<const MovieClip*> roots;
  roots.reserve(levels_.size());
  for (const auto& [n, level] : levels_) roots.push_back(level.root.get());
  return roots;
}

}  // namespace flash
