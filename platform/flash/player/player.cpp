#include "platform/flash/player/player.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/flash/format/shape.h"
#include "platform/flash/player/action_runner.h"
#include "platform/flash/sound/movie_sound.h"

namespace flash {

namespace {

constexpr size_t kMaxCarriedStack = 1 << 16;
// Clips nested deeper than this are not placed: every level costs stack while a frame runs.
constexpr int kMaxClipNesting = 250;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

}  // namespace

// --- display objects ---

std::string DisplayObject::TargetPath() const {
  if (!parent) {
    const auto* clip = dynamic_cast<const MovieClip*>(this);
    return "_level" + std::to_string(clip && clip->level >= 0 ? clip->level : 0);
  }
  return parent->TargetPath() + "." + name;
}

std::string DisplayObject::SlashPath() const {
  if (!parent) {
    const auto* clip = dynamic_cast<const MovieClip*>(this);
    return clip && clip->level > 0 ? "_level" + std::to_string(clip->level) : "/";
  }
  std::string p = parent->SlashPath();
  return (p == "/" ? "" : p) + "/" + name;
}

MovieClip* MovieClip::Root() {
  MovieClip* c = this;
  while (c->parent) c = c->parent;
  return c;
}

std::shared_ptr<DisplayObject> MovieClip::ChildByName(const std::string& n) const {
  std::string key = Lower(n);
  for (const auto& [depth, child] : children)
    if (Lower(child->name) == key) return child;
  return nullptr;
}

Matrix StageToView(const RectTwips& stage, int view_width, int view_height) {
  double sw = (stage.xmax - stage.xmin) / 20.0, sh = (stage.ymax - stage.ymin) / 20.0;
  double scale = 1.0;
  if (sw > 0 && sh > 0 && view_width > 0 && view_height > 0) scale = std::min(view_width / sw, view_height / sh);
  Matrix m;
  m.a = m.d = scale / 20.0;
  m.tx = -stage.xmin / 20.0 * scale;
  m.ty = -stage.ymin / 20.0 * scale;
  return m;
}

// --- loading ---

Player::Player() : sound(std::make_unique<MovieSound>()) {}
Player::~Player() = default;

void Player::LoadFile(int level, const std::string& path) {
  Unload(level);
  LoadMovie(level, LoadMovieFile(path));
}

void Player::LoadBytes(int level, const std::vector<uint8_t>& bytes) {
  Unload(level);
  LoadMovie(level, ParseMovie(bytes));
}

void Player::LoadMovie(int level, std::shared_ptr<const MovieDef> movie) {
  ++display_version_;
  Unload(level);
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
  RemoveObject(root);
  if (sound) sound->OnUnload(*root);
  for (auto& q : queues_)
    q.erase(std::remove_if(q.begin(), q.end(), [](const QueuedAction& a) { return a.clip->removed; }), q.end());
}

void Player::UnloadAll() {
  ++display_version_;
  while (!levels_.empty()) Unload(levels_.begin()->first);
  exec_list_.clear();
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
  in_tick_ = true;
  if (sound) sound->OnTickBegin();
  script_stack_.clear();
  script_pool_.clear();
  uint64_t gen = generation_;
  std::set<int> pending_levels;
  for (auto& [n, level] : levels_) {
    if (!level.actions_pending) continue;
    pending_levels.insert(n);
    for (auto& a : level.pending) queues_[a.phase].push_back(a);
    level.pending.clear();
    level.actions_pending = false;
  }
  auto snapshot = exec_list_;
  for (const auto& clip : snapshot) {
    if (generation_ != gen) break;
    if (clip->removed) continue;
    MovieClip* root = clip->Root();
    if (pending_levels.count(root->level)) continue;
    QueueClipEvent(clip.get(), kEventEnterFrame);
    if (clip->playing) Advance(clip.get());
  }
  RunQueue();
  if (sound) sound->OnTickEnd();
  in_tick_ = false;
}

void Player::AddClip(const std::shared_ptr<MovieClip>& clip) { exec_list_.insert(exec_list_.begin(), clip); }

// Queues the handlers of one event. A handler listening to several events runs for each of them;
// events missing from the placement's list of events reach no handler.
void Player::QueueClipEvent(MovieClip* clip, uint32_t event) {
  Phase phase = event == kEventInitialize ? kPhaseInitialize : event == kEventConstruct ? kPhaseConstruct : kPhaseScript;
  for (const auto& rec : clip->clip_actions) {
    if (!(rec.events & event & clip->clip_event_mask)) continue;
    QueuedAction a;
    a.clip = std::static_pointer_cast<MovieClip>(clip->shared_from_this());
    a.code = std::make_shared<std::vector<uint8_t>>(rec.actions);
    a.phase = phase;
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
    if (a.clip->removed) continue;
    RunActions(a);
  }
}

Player::QueuedAction Player::FrameScript(const std::shared_ptr<MovieClip>& clip, const ControlTag& tag) {
  QueuedAction a{clip, tag.actions, kPhaseScript};
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
  runner.AdoptState(std::move(script_stack_), std::move(script_pool_));
  if (a.in_body)
    runner.Run(*a.code, a.start, a.end, 0, a.code->size());
  else
    runner.Run(*a.code, 0, a.code->size());
  runner.ReleaseState(script_stack_, script_pool_);
  // A runaway script must not make the carried stack grow without bound.
  if (script_stack_.size() > kMaxCarriedStack) script_stack_.clear();
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
      case ControlTag::Kind::Place:
        DoPlace(clip, tag.place, frame, false);
        break;
      case ControlTag::Kind::Remove:
        RemoveChild(clip, tag.depth);
        break;
      case ControlTag::Kind::DoAction:
        if (run_actions) queues_[kPhaseScript].push_back(FrameScript(self, tag));
        break;
      case ControlTag::Kind::InitAction:
        if (init_done_.insert({clip->movie.get(), tag.sprite_id}).second)
          queues_[kPhaseInitAction].push_back({self, tag.actions, kPhaseInitAction});
        break;
      case ControlTag::Kind::Background:
        break;
    }
  }
}

// Goes to `frame` (0-based). Forwards, the frames in between only change the display list; back,
// the timeline is rebuilt from the first frame, keeping the objects that were placed no later
// than the target frame (they would be placed again identically). The target frame's scripts are
// queued.
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
      if (child->place_frame < 0) continue;  // made by a script: unaffected by the timeline
      if (child->place_frame <= frame)
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
          RemoveChild(clip, tag.depth);
          break;
        }
        case ControlTag::Kind::DoAction:
          if (f == frame) queues_[kPhaseScript].push_back(FrameScript(self, tag));
          break;
        case ControlTag::Kind::InitAction:
          if (init_done_.insert({clip->movie.get(), tag.sprite_id}).second)
            queues_[kPhaseInitAction].push_back({self, tag.actions, kPhaseInitAction});
          break;
        case ControlTag::Kind::Background:
          break;
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
      return std::make_shared<MovieClip>(movie, &sprite->timeline, def);
    }
    case CharacterDef::Kind::Shape:
      return std::make_shared<DisplayObject>(DisplayObject::Type::Shape, def);
    case CharacterDef::Kind::MorphShape:
      return std::make_shared<DisplayObject>(DisplayObject::Type::MorphShape, def);
    case CharacterDef::Kind::Text:
      return std::make_shared<DisplayObject>(DisplayObject::Type::Text, def);
    case CharacterDef::Kind::EditText:
      return std::make_shared<TextFieldObject>(def, movie);
    default:
      return std::make_shared<DisplayObject>(DisplayObject::Type::Other, def);
  }
}

void Player::DoPlace(MovieClip* clip, const PlaceObjectTag& p, int frame, bool in_goto) {
  (void)in_goto;
  auto existing = clip->children.find(p.depth);
  std::shared_ptr<DisplayObject> obj;
  bool created = false;
  if (p.has_character && !p.move) {
    if (existing != clip->children.end()) return;  // depth taken: the placement fails
  }
  if (p.has_character && (!p.move || existing == clip->children.end() ||
                          !existing->second->character || existing->second->character->id != p.character_id)) {
    CharacterPtr def;
    auto it = clip->movie->dictionary.find(p.character_id);
    if (it != clip->movie->dictionary.end()) def = it->second;
    if (!def) return;
    if (def->kind == CharacterDef::Kind::Sprite) {
      // A sprite that would contain itself (directly or through other sprites) would nest
      // without end; such placements, and absurdly deep nesting, are left out.
      int nesting = 0;
      for (const MovieClip* a = clip; a != nullptr; a = a->parent) {
        if (a->character == def || ++nesting >= kMaxClipNesting) return;
      }
    }
    obj = Instantiate(clip, def, clip->movie);
    created = true;
    if (existing != clip->children.end()) {
      // A move that swaps the character keeps the old object's properties.
      const auto& old = existing->second;
      obj->matrix = old->matrix;
      obj->color_transform = old->color_transform;
      obj->ratio = old->ratio;
      obj->name = old->name;
      obj->clip_depth = old->clip_depth;
      RemoveObject(old);
    }
    obj->parent = clip;
    obj->depth = p.depth;
    obj->place_frame = frame;
    if (!p.has_name && obj->name.empty() && obj->type == DisplayObject::Type::MovieClip)
      obj->name = "instance" + std::to_string(++instance_counter_);
    clip->children[p.depth] = obj;
  } else {
    if (existing == clip->children.end()) return;
    obj = existing->second;
  }
  if (p.has_matrix) obj->matrix = p.matrix;
  if (p.has_color_transform) obj->color_transform = p.color_transform;
  if (p.has_ratio) obj->ratio = p.ratio;
  if (p.has_name) obj->name = p.name;
  if (p.has_clip_depth) obj->clip_depth = p.clip_depth;
  if (p.version == 3 && p.blend_mode) obj->blend_mode = p.blend_mode;
  if (created && obj->type == DisplayObject::Type::MovieClip) {
    auto mc = std::static_pointer_cast<MovieClip>(obj);
    mc->clip_actions = p.clip_actions;
    if (!p.clip_actions.empty()) mc->clip_event_mask = p.all_clip_events;
    AddClip(mc);
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

void Player::RemoveChild(MovieClip* clip, int depth) {
  auto it = clip->children.find(depth);
  if (it == clip->children.end()) return;
  auto obj = it->second;
  clip->children.erase(it);
  RemoveObject(obj);
}

void Player::RemoveObject(const std::shared_ptr<DisplayObject>& obj) {
  if (!obj || obj->removed) return;
  obj->removed = true;
  if (obj->type != DisplayObject::Type::MovieClip) return;
  auto mc = std::static_pointer_cast<MovieClip>(obj);
  QueueClipEvent(mc.get(), kEventUnload);
  for (auto& [depth, child] : mc->children) RemoveObject(child);
  exec_list_.erase(std::remove(exec_list_.begin(), exec_list_.end(), mc), exec_list_.end());
}

std::vector<const MovieClip*> Player::LevelRoots() const {
  std::vector<const MovieClip*> roots;
  roots.reserve(levels_.size());
  for (const auto& [n, level] : levels_) roots.push_back(level.root.get());
  return roots;
}

}  // namespace flash
