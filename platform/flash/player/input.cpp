// Mouse and key input: the object under the pointer, the button state machine (idle, over,
// down, dragged outside), clip mouse and key events, the Mouse and Key listeners, and typing
// into the focused input field.
#include "platform/flash/player/input.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <utility>

#include "platform/flash/format/utf8.h"
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/button.h"
#include "platform/flash/player/clip_drawing.h"
#include "platform/flash/player/hit_test.h"
#include "platform/flash/player/player.h"
#include "platform/flash/player/script/realm.h"

namespace flash {
namespace {

// Clip event flags of the button events (the placement's handler list).
constexpr uint32_t kEventPress = 0x0400, kEventRelease = 0x0800, kEventReleaseOutside = 0x1000,
                   kEventRollOver = 0x2000, kEventRollOut = 0x4000, kEventDragOver = 0x8000,
                   kEventDragOut = 0x010000, kEventKeyPress = 0x020000;
constexpr uint32_t kButtonEvents = kEventPress | kEventRelease | kEventReleaseOutside |
                                   kEventRollOver | kEventRollOut | kEventDragOver | kEventDragOut;

enum class Transition { RollOver, RollOut, Press, Release, ReleaseOutside, DragOver, DragOut };

struct TransitionInfo {
  uint16_t condition;       // of button actions
  uint16_t menu_condition;  // the same move of a button tracked as a menu item
  uint32_t clip_event;
  const char* method;
};

const TransitionInfo& Info(Transition t) {
  static const TransitionInfo kInfo[] = {
      {kCondIdleToOverUp, kCondIdleToOverUp, kEventRollOver, "onRollOver"},
      {kCondOverUpToIdle, kCondOverUpToIdle, kEventRollOut, "onRollOut"},
      {kCondOverUpToOverDown, kCondOverUpToOverDown, kEventPress, "onPress"},
      {kCondOverDownToOverUp, kCondOverDownToOverUp, kEventRelease, "onRelease"},
      {kCondOutDownToIdle, kCondOutDownToIdle, kEventReleaseOutside, "onReleaseOutside"},
      {kCondOutDownToOverDown, kCondIdleToOverDown, kEventDragOver, "onDragOver"},
      {kCondOverDownToOutDown, kCondOverDownToIdle, kEventDragOut, "onDragOut"},
  };
  return kInfo[static_cast<int>(t)];
}

const char* const kButtonMethods[] = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                      "onRollOut", "onDragOver", "onDragOut"};

bool Live(const std::shared_ptr<DisplayObject>& o) { return o && !o->removed; }

// The characters [from, to) of UTF-8 text.
std::string UnicodeSubstring(const std::string& s, size_t from, size_t to) {
  size_t index = 0, begin = s.size(), end = s.size();
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && (static_cast<uint8_t>(s[i]) & 0xC0) == 0x80) continue;
    if (index == from) begin = std::min(begin, i);
    if (index == to) {
      end = i;
      break;
    }
    ++index;
  }
  return begin < end ? s.substr(begin, end - begin) : std::string();
}

// Mouse buttons count as keys 1 (left), 2 (right) and 4 (middle) for Key.isDown.
size_t MouseKeyCode(MouseButton b) {
  return b == MouseButton::Left ? 1 : b == MouseButton::Right ? 2 : 4;
}

}  // namespace

uint32_t CharacterOfKey(int code, bool shift) {
  if (code >= 'A' && code <= 'Z') return shift ? static_cast<uint32_t>(code) : code + 32u;
  if (code >= '0' && code <= '9') return static_cast<uint32_t>(code);
  switch (code) {
    case keys::kBackspace: return 8;
    case keys::kTab: return 9;
    case keys::kEnter: return 13;
    case keys::kEscape: return 27;
    case keys::kSpace: return 32;
    case keys::kDelete: return 127;
    default: return 0;
  }
}

void TrackedObject::Set(const std::shared_ptr<DisplayObject>& o) {
  object_ = o;
  root_.reset();
  path_.clear();
  if (!o) return;
  const DisplayObject* at = o.get();
  for (; at->parent; at = at->parent)
    path_.emplace_back(at->depth, at->character ? at->character->id : 0);
  std::reverse(path_.begin(), path_.end());
  root_ = const_cast<DisplayObject*>(at)->weak_from_this();
}

std::shared_ptr<DisplayObject> TrackedObject::Get() {
  auto o = object_.lock();
  if (o && !o->removed) return o;
  auto at = root_.lock();
  if (!at || at->removed || path_.empty()) return nullptr;
  for (const auto& [depth, id] : path_) {
    if (at->type != DisplayObject::Type::MovieClip && at->type != DisplayObject::Type::Button)
      return nullptr;
    auto& children = static_cast<MovieClip&>(*at).children;
    auto it = children.find(depth);
    if (it == children.end() || it->second->removed || !it->second->character ||
        it->second->character->id != id)
      return nullptr;
    at = it->second;
  }
  object_ = at;
  return at;
}

// --- key names ---

int KeyCodeOfName(const std::string& name) {
  static const std::pair<const char*, int> kNames[] = {
      {"Backspace", keys::kBackspace},
      {"Tab", keys::kTab},
      {"Enter", keys::kEnter},
      {"NumpadEnter", keys::kEnter},
      {"LeftShift", keys::kShift},
      {"RightShift", keys::kShift},
      {"Shift", keys::kShift},
      {"LeftControl", keys::kControl},
      {"RightControl", keys::kControl},
      {"Control", keys::kControl},
      {"LeftAlt", keys::kAlt},
      {"RightAlt", keys::kAlt},
      {"Alt", keys::kAlt},
      {"CapsLock", keys::kCapsLock},
      {"Escape", keys::kEscape},
      {"Space", keys::kSpace},
      {"PageUp", keys::kPageUp},
      {"PageDown", keys::kPageDown},
      {"End", keys::kEnd},
      {"Home", keys::kHome},
      {"ArrowLeft", keys::kLeft},
      {"ArrowUp", keys::kUp},
      {"ArrowRight", keys::kRight},
      {"ArrowDown", keys::kDown},
      {"Insert", keys::kInsert},
      {"Delete", keys::kDelete},
      {"Semicolon", 186},
      {"Equals", 187},
      {"Comma", 188},
      {"Minus", 189},
      {"Period", 190},
      {"Slash", 191},
      {"Grave", 192},
      {"LBracket", 219},
      {"Backslash", 220},
      {"RBracket", 221},
      {"Apostrophe", 222},
      {"NumLock", 144},
      {"ScrollLock", 145},
      {"Pause", 19},
  };
  for (const auto& [n, code] : kNames)
    if (name == n) return code;
  if (name.size() == 1) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    // Punctuation: the key that types it on a US keyboard, shifted or not.
    static const std::pair<const char*, int> kPunctuation[] = {
        {";:", 186}, {"=+", 187}, {",<", 188}, {"-_", 189},  {".>", 190}, {"/?", 191},
        {"`~", 192}, {"[{", 219}, {"\\|", 220}, {"]}", 221}, {"'\"", 222}, {" ", keys::kSpace},
        {")", '0'},  {"!", '1'},  {"@", '2'},  {"#", '3'},   {"$", '4'},  {"%", '5'},
        {"^", '6'},  {"&", '7'},  {"*", '8'},  {"(", '9'}};
    for (const auto& [chars, code] : kPunctuation)
      if (c != 0 && std::strchr(chars, c)) return code;
  }
  if (name.size() >= 4 && name.rfind("Key", 0) == 0 && name.size() == 4)
    return KeyCodeOfName(name.substr(3));
  if (name.size() >= 2 && name[0] == 'F' && std::isdigit(static_cast<unsigned char>(name[1]))) {
    const int n = std::atoi(name.c_str() + 1);
    if (n >= 1 && n <= 15) return 111 + n;
  }
  if (name.rfind("Numpad", 0) == 0 && name.size() == 7 &&
      std::isdigit(static_cast<unsigned char>(name[6])))
    return 96 + (name[6] - '0');
  return 0;
}

uint8_t ButtonKeyOf(int key_code, uint32_t character) {
  switch (key_code) {
    case keys::kLeft: return kButtonKeyLeft;
    case keys::kRight: return kButtonKeyRight;
    case keys::kHome: return kButtonKeyHome;
    case keys::kEnd: return kButtonKeyEnd;
    case keys::kInsert: return kButtonKeyInsert;
    case keys::kDelete: return kButtonKeyDelete;
    case keys::kBackspace: return kButtonKeyBackspace;
    case keys::kEnter: return kButtonKeyEnter;
    case keys::kUp: return kButtonKeyUp;
    case keys::kDown: return kButtonKeyDown;
    case keys::kPageUp: return kButtonKeyPageUp;
    case keys::kPageDown: return kButtonKeyPageDown;
    case keys::kTab: return kButtonKeyTab;
    case keys::kEscape: return kButtonKeyEscape;
    default: break;
  }
  return character >= 32 && character < 127 ? static_cast<uint8_t>(character) : 0;
}

// --- the player's side ---

static void Fire(Player& player, const std::shared_ptr<DisplayObject>& target, Transition t);

namespace {

// The roll-outs and roll-overs of focus changes, in order. What the focus rolls over counts as
// under the pointer until the pointer moves; what the pointer already left does not roll out
// again when it loses the focus.
void FocusRolls(Player& player) {
  auto rolls = std::move(player.input.focus_rolls);
  player.input.focus_rolls.clear();
  for (const auto& [o, gained] : rolls) {
    auto target = o.lock();
    if (!Live(target)) continue;
    if (gained) {
      // What the pointer is over rolls out first, even when it is what gains the focus.
      auto hovered = player.input.hovered.Get();
      player.input.hovered.Set(target);
      if (Live(hovered)) Fire(player, hovered, Transition::RollOut);
    } else {
      if (player.input.hovered.Get() != target) continue;
      player.input.hovered.Reset();
    }
    player.input.hovered_by_focus = gained;
    Fire(player, target, gained ? Transition::RollOver : Transition::RollOut);
  }
}

// Scripts of an event run like those of a tick: with a fresh budget when no tick is running,
// and what they queue (frame scripts of gotos, clip events) runs before the event returns.
class EventScope {
 public:
  explicit EventScope(Player& p, bool in_tick) : p_(p), nested_(in_tick) {
    if (nested_) return;
    p_.budget_ = Player::kTickBudget;
    p_.array_growth_ = 0;
    p_.string_growth_ = 0;
  }
  ~EventScope() {
    if (nested_) return;
    p_.RunQueue();
    FocusRolls(p_);
    p_.RunQueue();
    p_.UpdateBoundFields();
  }

 private:
  Player& p_;
  bool nested_;
};

}  // namespace

// Whether a clip takes button events: it has button handlers placed on it or handler methods
// of those events.
static bool ButtonLike(Player& player, MovieClip* clip) {
  bool any = false;
  for (const auto& h : clip->clip_actions)
    if (h.events & kButtonEvents & clip->clip_event_mask) any = true;
  if (!any && !clip->object) return false;
  ActionRunner vm(player, std::static_pointer_cast<MovieClip>(clip->shared_from_this()));
  Value self = vm.ClipValue(clip);
  if (!any)
    for (const char* m : kButtonMethods)
      if (vm.IsFunction(vm.GetMember(self, m))) {
        any = true;
        break;
      }
  return any;
}

// Disabled buttons and clips keep their place under the pointer but send no events.
// Both read their `enabled` member: undefined leaves them enabled.
static bool Enabled(Player& player, DisplayObject* o) {
  if (o->type != DisplayObject::Type::MovieClip && o->type != DisplayObject::Type::Button)
    return true;
  auto* clip = static_cast<MovieClip*>(o);
  MovieClip* holder = o->type == DisplayObject::Type::Button ? clip->parent : clip;
  if (!holder) return true;
  ActionRunner vm(player, std::static_pointer_cast<MovieClip>(holder->shared_from_this()));
  // Buttons of movies before version 6 are no objects: nothing can disable them.
  if (o->type == DisplayObject::Type::Button && vm.version() < 6) return true;
  const Value self = o->type == DisplayObject::Type::Button
                         ? Value::Object(player.ObjectOf(static_cast<ButtonObject*>(o)))
                         : vm.ClipValue(clip);
  const Value enabled = vm.GetMember(self, "enabled");
  return enabled.IsUndefined() || vm.ToBool(enabled);
}

static bool Enabled(Player& player, const std::shared_ptr<DisplayObject>& o) {
  return Enabled(player, o.get());
}

// What a search of the display list does with an object under a point.
enum class Probe { Hit, Skip, Descend };

// The topmost object of `clip` whose probe hits at (x, y) of the clip's twips; `probe` takes the
// object and the point in its own twips. Hidden objects and clip layers are passed over.
template <class ProbeFn>
static std::shared_ptr<DisplayObject> Topmost(MovieClip* clip, double x, double y,
                                              const ProbeFn& probe) {
  for (auto it = clip->children.rbegin(); it != clip->children.rend(); ++it) {
    const auto& child = it->second;
    if (child->removed || !child->visible || child->clip_depth > 0) continue;
    Matrix inv;
    if (!child->matrix.Invert(inv)) continue;
    double cx, cy;
    inv.Apply(x, y, cx, cy);
    switch (probe(*child, cx, cy)) {
      case Probe::Hit: return child;
      case Probe::Skip: break;
      case Probe::Descend:
        if (auto hit = Topmost(static_cast<MovieClip*>(child.get()), cx, cy, probe)) return hit;
        break;
    }
  }
  return nullptr;
}

// Stage pixels (from the stage's top-left corner) to the twips of level 0's stage.
static double StageX(const Player& player, double px) { return px * 20 + player.StageRect().xmin; }
static double StageY(const Player& player, double py) { return py * 20 + player.StageRect().ymin; }

// The same through every level, the highest first, at stage pixels.
template <class ProbeFn>
static std::shared_ptr<DisplayObject> TopmostAt(Player& player, double px, double py,
                                                const ProbeFn& probe) {
  auto roots = player.LevelRoots();
  for (auto it = roots.rbegin(); it != roots.rend(); ++it) {
    auto* root = const_cast<MovieClip*>(*it);
    Matrix inv;
    if (!root->matrix.Invert(inv)) continue;
    double x, y;
    inv.Apply(StageX(player, px), StageY(player, py), x, y);
    if (auto hit = Topmost(root, x, y, probe)) return hit;
  }
  return nullptr;
}

// The topmost button or button-like clip under the pointer. A button shown inside another takes
// the pointer first; a button-like clip takes it for everything inside it.
static std::shared_ptr<DisplayObject> PickAt(Player& player, double px, double py) {
  std::function<Probe(DisplayObject&, double, double)> probe = [&](DisplayObject& o, double x,
                                                                   double y) {
    if (o.type == DisplayObject::Type::Button) {
      auto& b = static_cast<ButtonObject&>(o);
      if (Topmost(&b, x, y, probe)) return Probe::Descend;
      return ButtonHitContains(b, x, y) ? Probe::Hit : Probe::Skip;
    }
    if (o.type != DisplayObject::Type::MovieClip) return Probe::Skip;
    auto& mc = static_cast<MovieClip&>(o);
    if (!InsideScriptMask(mc, x, y)) return Probe::Skip;
    if (ButtonLike(player, &mc)) return ObjectContains(mc, x, y) ? Probe::Hit : Probe::Skip;
    return Probe::Descend;
  };
  return TopmostAt(player, px, py, probe);
}

// The topmost input or selectable text field under the pointer.
static std::shared_ptr<DisplayObject> PickField(Player& player, double px, double py) {
  return TopmostAt(player, px, py, [](DisplayObject& o, double x, double y) {
    if (o.type == DisplayObject::Type::MovieClip) return Probe::Descend;
    if (o.type != DisplayObject::Type::EditText) return Probe::Skip;
    const auto& f = static_cast<TextFieldObject&>(o).field;
    return (!f.read_only || f.selectable) && ObjectContains(o, x, y) ? Probe::Hit : Probe::Skip;
  });
}

// The topmost text field of any kind under the pointer.
static std::shared_ptr<DisplayObject> AnyFieldAt(Player& player, double px, double py) {
  return TopmostAt(player, px, py, [](DisplayObject& o, double x, double y) {
    if (o.type == DisplayObject::Type::MovieClip) return Probe::Descend;
    if (o.type != DisplayObject::Type::EditText) return Probe::Skip;
    return ObjectContains(o, x, y) ? Probe::Hit : Probe::Skip;
  });
}

void Player::MouseWheel(double lines) {
  if (!input.mouse_seen || !std::isfinite(lines) || lines == 0) return;
  auto hit = AnyFieldAt(*this, input.mouse_x, input.mouse_y);
  if (!hit) return;
  text::TextField& t = static_cast<TextFieldObject&>(*hit).field;
  if (!t.mouse_wheel_enabled) return;
  const double to = std::clamp(t.scroll - std::trunc(lines), 1.0,
                               static_cast<double>(std::max(1, t.MaxScroll())));
  if (to == t.scroll) return;
  t.scroll = static_cast<int>(to);
  t.Changed();
}

// Whether the pointer is over `target` (its hit area, through every parent).
static bool Over(const Player& player, const DisplayObject& target, double px, double py) {
  for (const DisplayObject* o = &target; o; o = o->parent)
    if (!o->visible || o->removed) return false;
  Matrix inv;
  if (!StageMatrix(target).Invert(inv)) return false;
  double x, y;
  inv.Apply(StageX(player, px), StageY(player, py), x, y);
  return ObjectContains(target, x, y);
}

// A clip acting as a button shows the frame labelled "_up", "_over" or "_down" for its state.
static void ShowClipState(Player& player, MovieClip* clip, const char* label) {
  const int frame = clip->timeline->FrameOfLabel(label);
  if (frame < 0) return;
  player.GotoFrameOf(clip, frame);
  clip->playing = false;
}

static void Fire(Player& player, const std::shared_ptr<DisplayObject>& target, Transition t) {
  if (!Live(target) || !Enabled(player, target)) return;
  const TransitionInfo& info = Info(t);
  if (target->type == DisplayObject::Type::Button) {
    auto button = std::static_pointer_cast<ButtonObject>(target);
    const bool menu = button->Def().track_as_menu;
    uint8_t state = kButtonUp;
    switch (t) {
      case Transition::RollOver:
      case Transition::Release: state = kButtonOver; break;
      case Transition::Press:
      case Transition::DragOver: state = kButtonDown; break;
      case Transition::DragOut: state = menu ? kButtonUp : kButtonOver; break;
      default: break;
    }
    player.SetButtonState(button.get(), state);
    const uint16_t want = menu ? info.menu_condition : info.condition;
    if (button->parent) {
      auto parent = std::static_pointer_cast<MovieClip>(button->parent->shared_from_this());
      for (const ButtonAction& a : button->Def().actions)
        if ((a.conditions & want) && a.actions && !button->removed && !parent->removed)
          player.RunScriptNow(parent, a.actions);
      if (button->script && !button->removed) {
        ActionRunner vm(player, parent);
        Value self = Value::Object(button->script);
        Value fn = vm.GetMember(self, info.method);
        if (vm.IsFunction(fn)) vm.CallFromPlayer(fn, self, {});
      }
    }
    return;
  }
  if (target->type != DisplayObject::Type::MovieClip) return;
  auto clip = std::static_pointer_cast<MovieClip>(target);
  switch (t) {
    case Transition::RollOver:
    case Transition::Release:
    case Transition::DragOut: ShowClipState(player, clip.get(), "_over"); break;
    case Transition::Press:
    case Transition::DragOver: ShowClipState(player, clip.get(), "_down"); break;
    default: ShowClipState(player, clip.get(), "_up"); break;
  }
  for (const auto& h : clip->clip_actions)
    if ((h.events & info.clip_event & clip->clip_event_mask) && !clip->removed)
      player.RunScriptNow(clip, h.code);
  if (clip->object && !clip->removed) {
    ActionRunner vm(player, clip);
    Value self = vm.ClipValue(clip.get());
    Value fn = vm.GetMember(self, info.method);
    if (vm.IsFunction(fn)) vm.CallFromPlayer(fn, self, {});
  }
}

// Calls `method` on every listener of the built-in object `name` (Mouse, Key).
static void Broadcast(Player& player, const char* name, const char* method,
                      std::vector<Value> args = {}) {
  MovieClip* root = player.LevelRoot(0);
  if (!root) return;
  ActionRunner vm(player, std::static_pointer_cast<MovieClip>(root->shared_from_this()));
  // Each set of built-ins (movies of version 6 and before, later ones) has its own object.
  player.ScriptRealm();
  for (Realm* realm : player.Realms()) {
    const Property* p = realm->global->Find(realm->heap.Key(name));
    if (!p || !p->value.IsObject()) continue;
    Value list = vm.GetMember(p->value, "_listeners");
    ScriptObject* o = vm.ObjectOf(list);
    if (!o || o->kind != ScriptObject::Kind::Array) continue;
    std::vector<Value> listeners = static_cast<ArrayObject*>(o)->items;
    for (const Value& l : listeners) {
      Value fn = vm.GetMember(l, method);
      if (vm.IsFunction(fn)) vm.CallFromPlayer(fn, l, args);
    }
  }
}

// Sends a clip event to every clip, newest first.
// Buttons tracked as menu items, and clips whose trackAsMenu is set.
static bool TracksAsMenu(Player& player, const std::shared_ptr<DisplayObject>& o) {
  if (o->type == DisplayObject::Type::Button)
    return static_cast<ButtonObject&>(*o).Def().track_as_menu;
  if (o->type != DisplayObject::Type::MovieClip) return false;
  auto clip = std::static_pointer_cast<MovieClip>(o);
  ActionRunner vm(player, clip);
  return vm.ToBool(vm.GetMember(vm.ClipValue(clip.get()), "trackAsMenu"));
}

static void ClipEventToAll(Player& player, const std::list<std::shared_ptr<MovieClip>>& clips,
                           uint32_t event) {
  std::vector<std::shared_ptr<MovieClip>> snapshot(clips.begin(), clips.end());
  for (const auto& c : snapshot)
    if (!c->removed) player.QueueClipEvent(c.get(), event);
}

// The pointer is now over `now`: rolls out of what it was over and over `now`. It leaves a
// disabled object silently and does not enter one: that is entered once enabled again.
static void Hover(Player& player, std::shared_ptr<DisplayObject> now) {
  player.input.hovered_by_focus = false;
  auto before = player.input.hovered.Get();
  if (now == before) return;
  if (Live(now) && !Enabled(player, now)) now = nullptr;
  if (now == before) return;
  player.input.hovered.Set(now);
  if (Live(before)) Fire(player, before, Transition::RollOut);
  if (Live(now)) Fire(player, now, Transition::RollOver);
}

// The caret position in a field under the stage point (px, py).
static size_t FieldIndexAt(const Player& player, const DisplayObject& field, double px, double py) {
  Matrix inv;
  if (!StageMatrix(field).Invert(inv)) return 0;
  double x, y;
  inv.Apply(StageX(player, px), StageY(player, py), x, y);
  return static_cast<const TextFieldObject&>(field).field.CharIndexAt(x / 20, y / 20);
}

// A press on a link of the topmost field under the stage point (px, py) follows it.
static void ClickLink(Player& player, double px, double py) {
  auto picked = AnyFieldAt(player, px, py);
  if (!picked) return;
  auto* f = static_cast<TextFieldObject*>(picked.get());
  Matrix inv;
  if (!StageMatrix(*f).Invert(inv)) return;
  double x, y;
  inv.Apply(StageX(player, px), StageY(player, py), x, y);
  std::optional<size_t> at = f->field.CharAt(x / 20, y / 20);
  if (!at) return;
  const text::TextFormat& format = f->field.FormatAt(*at);
  if (!format.url.empty()) player.FollowLink(f, format.url, format.target);
}

// Movies before version 9 show the focus frame only while the keyboard steers: the pointer
// moving and the left or right button going down or up hide it. The focus itself stays.
static void PointerHidesFocusFrame(Player& player) {
  const MovieClip* root = player.LevelRoot(0);
  if (root && root->movie && root->movie->header.version < 9) player.input.focus_frame = false;
}

void Player::MouseMove(double x, double y) {
  EventScope scope(*this, in_tick_);
  PointerHidesFocusFrame(*this);
  // A move to where the pointer already is leaves what the focus rolled over.
  if (!input.mouse_seen || x != input.mouse_x || y != input.mouse_y)
    input.hovered_by_focus = false;
  input.mouse_x = x;
  input.mouse_y = y;
  input.mouse_seen = true;
  FollowDrag();
  ClipEventToAll(*this, exec_list_, kEventMouseMove);
  RunQueue();
  Broadcast(*this, "Mouse", "onMouseMove");
  if (input.mouse_down && input.selecting) {
    if (auto field = input.focus.lock(); field && field->type == DisplayObject::Type::EditText)
      input.caret = FieldIndexAt(*this, *field, x, y);
  }
  auto pressed = input.pressed.Get();
  if (input.mouse_down && Live(pressed)) {
    const bool inside = Over(*this, *pressed, x, y);
    if (inside != input.pressed_inside) {
      input.pressed_inside = inside;
      Fire(*this, pressed, inside ? Transition::DragOver : Transition::DragOut);
    }
    // A menu item takes over a press dragged onto it.
    auto now = inside ? nullptr : PickAt(*this, x, y);
    if (Live(now) && now != pressed && TracksAsMenu(*this, now)) {
      input.pressed.Set(now);
      input.hovered.Set(now);
      input.pressed_inside = true;
      Fire(*this, now, Transition::DragOver);
    }
    return;
  }
  UpdateHover();
}

void Player::UpdateHover() {
  if (!input.focus_rolls.empty()) {
    EventScope scope(*this, in_tick_);
  }
  // Nothing is under a pointer that never came onto the stage, and a press holds the pointer.
  if (!input.mouse_seen || (input.mouse_down && Live(input.pressed.Get()))) return;
  if (input.hovered_by_focus) return;
  EventScope scope(*this, in_tick_);
  Hover(*this, PickAt(*this, input.mouse_x, input.mouse_y));
}

// --- dragging ---

// The pointer in twips of `obj`'s parent (of the stage for a level's root); false when the
// parent is scaled to nothing.
static bool PointerInParent(const Player& player, const DisplayObject& obj, double& x,
                            double& y) {
  x = StageX(player, player.input.mouse_x);
  y = StageY(player, player.input.mouse_y);
  if (!obj.parent) return true;
  Matrix inv;
  if (!StageMatrix(*obj.parent).Invert(inv)) return false;
  inv.Apply(x, y, x, y);
  return true;
}

void Player::StartDrag(MovieClip* clip, bool lock_center, const double* rect) {
  if (!clip || clip->removed) return;
  DragState& d = input.drag;
  d = DragState{};
  d.clip = clip->weak_from_this();
  d.lock_center = lock_center;
  if (!lock_center) {
    double x, y;
    if (PointerInParent(*this, *clip, x, y)) {
      d.offset_x = clip->matrix.tx - x;
      d.offset_y = clip->matrix.ty - y;
    }
  }
  if (rect) {
    d.constrained = true;
    d.left = std::min(rect[0], rect[2]);
    d.right = std::max(rect[0], rect[2]);
    d.top = std::min(rect[1], rect[3]);
    d.bottom = std::max(rect[1], rect[3]);
  }
  FollowDrag();
}

void Player::FollowDrag() {
  DragState& d = input.drag;
  auto clip = d.clip.lock();
  if (!clip) return;
  // A clip taken off the display list is dragged no more.
  if (clip->removed) {
    d = DragState{};
    return;
  }
  double x, y;
  if (!PointerInParent(*this, *clip, x, y)) return;
  x += d.offset_x;
  y += d.offset_y;
  if (d.constrained) {
    x = std::clamp(x, d.left, d.right);
    y = std::clamp(y, d.top, d.bottom);
  }
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  if (clip->matrix.tx == x && clip->matrix.ty == y) return;
  clip->matrix.tx = x;
  clip->matrix.ty = y;
  clip->transformed_by_script = true;
  ++display_version_;
}

// The innermost clip of `clip` (at (x, y) of its twips) whose own drawing or shapes, texts or
// buttons lie under the point; `skip` and what it holds are looked through.
static MovieClip* ClipUnder(MovieClip* clip, double x, double y, const DisplayObject* skip) {
  for (auto it = clip->children.rbegin(); it != clip->children.rend(); ++it) {
    const auto& child = it->second;
    if (child.get() == skip || child->removed || !child->visible || child->clip_depth > 0)
      continue;
    Matrix inv;
    if (!child->matrix.Invert(inv)) continue;
    double cx, cy;
    inv.Apply(x, y, cx, cy);
    if (child->type == DisplayObject::Type::MovieClip) {
      auto* sub = static_cast<MovieClip*>(child.get());
      if (!InsideScriptMask(*sub, cx, cy)) continue;
      if (MovieClip* hit = ClipUnder(sub, cx, cy, skip)) return hit;
      continue;
    }
    if (ObjectContains(*child, cx, cy)) return clip;
  }
  if (clip->drawing && !clip->drawing->Empty() &&
      ShapeContains(clip->drawing->Shape(), x, y, StageMatrix(*clip)))
    return clip;
  return nullptr;
}

void Player::StopDrag() {
  auto clip = input.drag.clip.lock();
  input.drag = DragState{};
  if (!clip || clip->removed) return;
  // What it was dropped on: the topmost clip under the pointer, a level's root counting as none.
  clip->drop_target.clear();
  auto roots = LevelRoots();
  for (auto it = roots.rbegin(); it != roots.rend(); ++it) {
    auto* root = const_cast<MovieClip*>(*it);
    if (root == clip.get()) continue;
    Matrix inv;
    if (!root->matrix.Invert(inv)) continue;
    double x, y;
    inv.Apply(StageX(*this, input.mouse_x), StageY(*this, input.mouse_y), x, y);
    if (MovieClip* hit = ClipUnder(root, x, y, clip.get())) {
      if (hit->parent) clip->drop_target = hit->SlashPath();
      break;
    }
  }
}

// The pointer moves to a button event's place first; mouse buttons count as keys for
// Key.isDown; every clip and the Mouse listeners hear of the left button. False for the others.
static bool LeftButtonEvent(Player& player, const std::list<std::shared_ptr<MovieClip>>& clips,
                            double x, double y, MouseButton button, bool down) {
  InputState& in = player.input;
  if (!in.mouse_seen || x != in.mouse_x || y != in.mouse_y) player.MouseMove(x, y);
  if (button != MouseButton::Middle) PointerHidesFocusFrame(player);
  const size_t code = MouseKeyCode(button);
  if (down && !in.keys_down[code]) in.keys_toggled.flip(code);
  in.keys_down.set(code, down);
  if (button != MouseButton::Left) return false;
  in.mouse_down = down;
  ClipEventToAll(player, clips, down ? kEventMouseDown : kEventMouseUp);
  player.RunQueue();
  Broadcast(player, "Mouse", down ? "onMouseDown" : "onMouseUp");
  return true;
}

void Player::MouseDown(double x, double y, MouseButton button) {
  EventScope scope(*this, in_tick_);
  if (!LeftButtonEvent(*this, exec_list_, x, y, button, true)) return;
  auto target = PickAt(*this, x, y);
  if (Live(target) && !Enabled(*this, target)) target = nullptr;
  Hover(*this, target);
  // A click on an input field gives it the focus; a click elsewhere takes it away.
  auto field = PickField(*this, x, y);
  if (field != input.focus.lock()) SetFocus(field);
  // The press puts the caret at the character under the pointer; a drag selects from there.
  input.selecting = field && field == input.focus.lock();
  if (input.selecting) input.caret = input.anchor = FieldIndexAt(*this, *field, x, y);
  input.pressed.Set(target);
  input.pressed_inside = target != nullptr;
  if (Live(target)) Fire(*this, target, Transition::Press);
  ClickLink(*this, x, y);
}

void Player::MouseUp(double x, double y, MouseButton button) {
  EventScope scope(*this, in_tick_);
  if (!LeftButtonEvent(*this, exec_list_, x, y, button, false)) return;
  input.selecting = false;
  auto pressed = input.pressed.Get();
  input.pressed.Reset();
  if (Live(pressed)) {
    if (Over(*this, *pressed, x, y)) {
      Fire(*this, pressed, Transition::Release);
      return;
    }
    Fire(*this, pressed, Transition::ReleaseOutside);
  }
  // What the pointer is over now rolls over.
  auto now = PickAt(*this, x, y);
  input.hovered.Set(now);
  if (Live(now)) Fire(*this, now, Transition::RollOver);
}

// Buttons and clips with a key-press handler for `key`, anywhere on the stage.
static void KeyPress(Player& player, MovieClip* clip, uint8_t key,
                     std::vector<std::shared_ptr<DisplayObject>>& out) {
  for (const auto& [depth, child] : clip->children) {
    if (child->removed) continue;
    if (child->type == DisplayObject::Type::Button) {
      auto* b = static_cast<ButtonObject*>(child.get());
      for (const ButtonAction& a : b->Def().actions)
        if (a.key_code == key) {
          out.push_back(child);
          break;
        }
    } else if (child->type == DisplayObject::Type::MovieClip) {
      auto* mc = static_cast<MovieClip*>(child.get());
      for (const auto& h : mc->clip_actions)
        if ((h.events & kEventKeyPress) && h.key_code == key) {
          out.push_back(child);
          break;
        }
      KeyPress(player, mc, key, out);
    }
  }
}

// --- focus ---

// What scripts see of a display object: a clip, a field's or a button's object.
static Value ScriptValue(Player& player, ActionRunner& vm, DisplayObject* o) {
  if (!o) return Value::Null();
  if (o->removed) return Value::String(o->TargetPath());  // what a removed object reads as
  switch (o->type) {
    case DisplayObject::Type::MovieClip: return vm.ClipValue(static_cast<MovieClip*>(o));
    case DisplayObject::Type::EditText:
      return Value::Object(player.ObjectOf(static_cast<TextFieldObject*>(o)));
    case DisplayObject::Type::Button:
      return Value::Object(player.ObjectOf(static_cast<ButtonObject*>(o)));
    default: return Value::Null();
  }
}

static void CallMethod(ActionRunner& vm, const Value& self, const char* name,
                       std::vector<Value> args) {
  if (self.IsNullish()) return;
  Value fn = vm.GetMember(self, name);
  if (vm.IsFunction(fn)) vm.CallFromPlayer(fn, self, std::move(args));
}

static void FieldChanged(Player& player, TextFieldObject* f);

void Player::SetFocus(const std::shared_ptr<DisplayObject>& target) {
  // A removed object still names itself to the handlers of the focus it loses.
  auto before = input.focus.lock();
  // A composition in the field losing the focus stays as typed text.
  const bool composed = input.preedit_length > 0 && before != target && Live(before) &&
                        before->type == DisplayObject::Type::EditText;
  input.preedit_at = input.preedit_length = 0;
  input.focus = target;
  input.caret = input.anchor = 0;
  input.focus_frame = false;
  if (target) input.focus_frame = target->focus_rect >= 0 ? target->focus_rect != 0 : focus_frames;
  // A field given the focus has all its text selected, the caret at the end.
  if (target && target->type == DisplayObject::Type::EditText)
    input.caret = static_cast<TextFieldObject*>(target.get())->field.Length();
  // Buttons and clips roll out when they lose the focus and over when they gain it, also when
  // the focus is given again to the one that has it.
  auto rolls = [](const std::shared_ptr<DisplayObject>& o) {
    return o &&
           (o->type == DisplayObject::Type::Button || o->type == DisplayObject::Type::MovieClip);
  };
  if (rolls(before) && !before->removed) input.focus_rolls.emplace_back(before, false);
  if (rolls(target)) input.focus_rolls.emplace_back(target, true);
  // Only the Tab key's own move rolls at once: the focus handlers' moves roll afterwards.
  if (input.tabbing) {
    input.tabbing = false;
    FocusRolls(*this);
  }
  if (before == target) return;
  if (composed) {
    EventScope scope(*this, in_tick_);
    ++display_version_;
    FieldChanged(*this, static_cast<TextFieldObject*>(before.get()));
  }
  MovieClip* root = LevelRoot(0);
  if (!root) return;
  EventScope scope(*this, in_tick_);
  ActionRunner vm(*this, std::static_pointer_cast<MovieClip>(root->shared_from_this()));
  Value old_value = ScriptValue(*this, vm, before.get());
  Value new_value = ScriptValue(*this, vm, target.get());
  CallMethod(vm, old_value, "onKillFocus", {new_value});
  CallMethod(vm, new_value, "onSetFocus", {old_value});
  Broadcast(*this, "Selection", "onSetFocus", {old_value, new_value});
}

void Player::HiddenLosesFocus(const DisplayObject* object) {
  if (object && !object->visible && input.focus.lock().get() == object) SetFocus(nullptr);
}

// The object with the focus first, then the Key listeners.
static void FocusKeyEvent(Player& player, const char* method) {
  auto focus = player.input.focus.lock();
  MovieClip* root = player.LevelRoot(0);
  // Text fields have no key handlers of their own.
  if (Live(focus) && root && focus->type != DisplayObject::Type::EditText) {
    ActionRunner vm(player, std::static_pointer_cast<MovieClip>(root->shared_from_this()));
    CallMethod(vm, ScriptValue(player, vm, focus.get()), method, {});
  }
  Broadcast(player, "Key", method);
}

// A script property of an object (tabIndex, tabEnabled...); undefined when it has no object.
static Value Prop(Player& player, ActionRunner& vm, DisplayObject* o, const char* name) {
  Value self = ScriptValue(player, vm, o);
  return self.IsNullish() ? Value::Undefined() : vm.GetMember(self, name);
}

struct TabStop {
  std::shared_ptr<DisplayObject> object;
  double index = 0;  // tabIndex, when set
  bool indexed = false;
  double x = 0, y = 0;  // top-left corner on the stage
};

static void CollectTabStops(Player& player, ActionRunner& vm, MovieClip* clip,
                            std::vector<TabStop>& out) {
  for (const auto& [depth, child] : clip->children) {
    if (child->removed || !child->visible) continue;
    DisplayObject* o = child.get();
    bool candidate = false;
    const Value enabled = Prop(player, vm, o, "tabEnabled");
    if (o->type == DisplayObject::Type::EditText) {
      candidate = !static_cast<TextFieldObject*>(o)->field.read_only;
    } else if (o->type == DisplayObject::Type::Button) {
      candidate = Enabled(player, o);
    } else if (o->type == DisplayObject::Type::MovieClip) {
      auto* mc = static_cast<MovieClip*>(o);
      candidate = (!enabled.IsUndefined() && vm.ToBool(enabled)) || ButtonLike(player, mc);
      const Value children = Prop(player, vm, o, "tabChildren");
      if (children.IsUndefined() || vm.ToBool(children)) CollectTabStops(player, vm, mc, out);
    }
    if (!candidate || (!enabled.IsUndefined() && !vm.ToBool(enabled))) continue;
    TabStop stop;
    stop.object = child;
    const Value index = Prop(player, vm, o, "tabIndex");
    // Indices order as signed 32-bit numbers (a field's reads back unsigned); -1 is no index.
    if (index.type == Value::Type::Number && index.number == index.number &&
        vm.ToInt32(index) != -1) {
      stop.indexed = true;
      stop.index = vm.ToInt32(index);
    }
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (ClipBounds(*o, x0, y0, x1, y1)) StageMatrix(*o).Apply(x0, y0, stop.x, stop.y);
    out.push_back(std::move(stop));
  }
}

// Tab moves the focus to the next object in tab order (Shift+Tab to the one before): the
// objects with a tabIndex by their index when any has one, else everything by its place on the
// stage, top to bottom and left to right.
static void TabFocus(Player& player, bool backwards) {
  MovieClip* root = player.LevelRoot(0);
  if (!root) return;
  ActionRunner vm(player, std::static_pointer_cast<MovieClip>(root->shared_from_this()));
  std::vector<TabStop> stops;
  for (const MovieClip* level : player.LevelRoots()) {
    auto* clip = const_cast<MovieClip*>(level);
    const Value children = Prop(player, vm, clip, "tabChildren");
    if (children.IsUndefined() || vm.ToBool(children)) CollectTabStops(player, vm, clip, stops);
  }
  const bool custom =
      std::any_of(stops.begin(), stops.end(), [](const TabStop& s) { return s.indexed; });
  if (custom) {
    stops.erase(
        std::remove_if(stops.begin(), stops.end(), [](const TabStop& s) { return !s.indexed; }),
        stops.end());
    std::stable_sort(stops.begin(), stops.end(),
                     [](const TabStop& a, const TabStop& b) { return a.index < b.index; });
  } else {
    std::stable_sort(stops.begin(), stops.end(), [](const TabStop& a, const TabStop& b) {
      return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
  }
  if (stops.empty()) return;
  auto current = player.input.focus.lock();
  auto at = std::find_if(stops.begin(), stops.end(),
                         [&](const TabStop& s) { return s.object == current; });
  size_t next;
  const size_t n = stops.size();
  if (at == stops.end())
    next = backwards ? n - 1 : 0;
  else {
    const size_t i = static_cast<size_t>(at - stops.begin());
    next = backwards ? (i + n - 1) % n : (i + 1) % n;
  }
  // Tabbing rolls out of the old stop and over the new one before the focus handlers run.
  player.input.tabbing = true;
  player.SetFocus(stops[next].object);
  player.input.tabbing = false;
}

// Runs the key-press handler of the first (topmost) shown button or clip that handles `key`;
// whether one took it.
static bool KeyPressHandlers(Player& player, uint8_t key) {
  std::vector<std::shared_ptr<DisplayObject>> targets;
  for (const MovieClip* root : player.LevelRoots())
    KeyPress(player, const_cast<MovieClip*>(root), key, targets);
  std::reverse(targets.begin(), targets.end());
  auto shown = [](const DisplayObject& o) {
    for (const DisplayObject* at = &o; at; at = at->parent)
      if (!at->visible) return false;
    return true;
  };
  targets.erase(std::remove_if(targets.begin(), targets.end(),
                               [&](const auto& t) { return !Live(t) || !shown(*t); }),
                targets.end());
  for (const auto& t : targets) {
    if (!Live(t)) continue;
    if (t->type == DisplayObject::Type::Button) {
      auto* b = static_cast<ButtonObject*>(t.get());
      if (!b->parent) continue;
      auto parent = std::static_pointer_cast<MovieClip>(b->parent->shared_from_this());
      for (const ButtonAction& a : b->Def().actions)
        if (a.key_code == key && a.actions && !b->removed) player.RunScriptNow(parent, a.actions);
    } else {
      auto mc = std::static_pointer_cast<MovieClip>(t);
      for (const auto& h : mc->clip_actions)
        if ((h.events & kEventKeyPress) && h.key_code == key && !mc->removed)
          player.RunScriptNow(mc, h.code);
    }
    break;
  }
  return !targets.empty();
}

void Player::KeyDown(int code, uint32_t character) {
  EventScope scope(*this, in_tick_);
  if (code > 0 && code < 256) {
    const auto index = static_cast<size_t>(code);
    if (!input.keys_down[index]) input.keys_toggled.flip(index);
    input.keys_down.set(index);
  }
  input.last_key = code;
  input.last_char = character;
  ClipEventToAll(*this, exec_list_, kEventKeyDown);
  RunQueue();
  FocusKeyEvent(*this, "onKeyDown");
  // Keys that type a character reach key-press handlers with the character they type (see
  // TextInput); the others here.
  const uint8_t key = ButtonKeyOf(code, character);
  const bool taken = key > 0 && key < 32 && KeyPressHandlers(*this, key);
  if (code == keys::kTab && !taken) TabFocus(*this, input.keys_down[keys::kShift]);
  input.key_taken = taken;
}

void Player::KeyUp(int code, uint32_t character) {
  EventScope scope(*this, in_tick_);
  if (code > 0 && code < 256) input.keys_down.reset(static_cast<size_t>(code));
  input.last_key = code;
  input.last_char = character;
  ClipEventToAll(*this, exec_list_, kEventKeyUp);
  RunQueue();
  FocusKeyEvent(*this, "onKeyUp");
}

// --- typing into the focused field ---

static TextFieldObject* FocusedField(InputState& input) {
  auto f = input.focus.lock();
  if (!Live(f) || f->type != DisplayObject::Type::EditText) return nullptr;
  return static_cast<TextFieldObject*>(f.get());
}

// Tells the field's listeners that its text changed (onChanged).
static void FieldChanged(Player& player, TextFieldObject* f) {
  if (!f->object || !f->parent) return;
  ActionRunner vm(player, std::static_pointer_cast<MovieClip>(f->parent->shared_from_this()));
  Value self = Value::Object(f->object);
  ScriptObject* list = vm.ObjectOf(vm.GetMember(self, "_listeners"));
  if (!list || list->kind != ScriptObject::Kind::Array) return;
  std::vector<Value> listeners = static_cast<ArrayObject*>(list)->items;
  for (const Value& l : listeners) {
    Value fn = vm.GetMember(l, "onChanged");
    if (vm.IsFunction(fn)) vm.CallFromPlayer(fn, l, {self});
  }
}

// A field's restrict pattern ("a-z", "^0-9", "\\-" escaped): ranges of characters allowed, and
// after a caret those refused, in turn; a later entry overrides an earlier one. A pattern starting
// with a caret allows everything else. A refused letter is taken in its other case when that is
// allowed. Returns 0 for a character the field refuses.
static char32_t Restricted(const std::u32string& pattern, char32_t c) {
  auto allowed = [&](char32_t ch) {
    bool ok = !pattern.empty() && pattern[0] == U'^';
    bool allow = true;
    for (size_t i = 0; i < pattern.size(); ++i) {
      char32_t lo = pattern[i];
      if (lo == U'^') {
        allow = !allow;
        continue;
      }
      if (lo == U'\\' && i + 1 < pattern.size()) lo = pattern[++i];
      char32_t hi = lo;
      if (i + 2 < pattern.size() && pattern[i + 1] == U'-') {
        hi = pattern[i + 2];
        if (hi == U'\\' && i + 3 < pattern.size()) hi = pattern[++i + 2];
        i += 2;
      }
      if (ch >= lo && ch <= hi) ok = allow;
    }
    return ok;
  };
  if (allowed(c)) return c;
  if (c < 128 && std::isalpha(static_cast<int>(c))) {
    const char32_t other = std::islower(static_cast<int>(c)) ? c - 32 : c + 32;
    if (allowed(other)) return other;
  }
  return 0;
}

// Replaces the selection with `text` (UTF-8), as far as restrict and maxChars allow.
static bool TypeText(Player& player, TextFieldObject* f, const std::string& text) {
  InputState& in = player.input;
  text::TextField& t = f->field;
  const bool restricted = !text.empty() && t.has_restrict;
  const std::u32string restrict = restricted ? text::Utf8ToUtf32(t.restrict) : std::u32string();
  const size_t length = t.Length();
  size_t begin = std::min({in.caret, in.anchor, length});
  size_t end = std::min(std::max(in.caret, in.anchor), length);
  std::u32string chars;
  for (char32_t cp : text::Utf8ToUtf32(text)) {
    if (cp == '\n') cp = '\r';
    if (cp == '\r' && !t.multiline) continue;
    if (cp < 32 && cp != '\r') continue;
    if (restricted && !(cp = Restricted(restrict, cp))) continue;
    chars += static_cast<char32_t>(cp);
  }
  if (t.max_chars > 0) {
    const size_t room = length - (end - begin) >= static_cast<size_t>(t.max_chars)
                            ? 0
                            : static_cast<size_t>(t.max_chars) - (length - (end - begin));
    if (chars.size() > room) chars.resize(room);
  }
  if (chars.empty() && begin == end) return false;
  std::string utf8;
  for (char32_t c : chars) AppendUtf8(utf8, c);
  t.ReplaceText(begin, end, utf8);
  t.Changed();
  in.caret = in.anchor = begin + chars.size();
  return true;
}

void Player::TextInput(uint32_t codepoint) {
  EventScope scope(*this, in_tick_);
  // The character of a key that a key-press handler took types nothing; a printable character
  // goes to the key-press handlers first.
  if (std::exchange(input.key_taken, false)) return;
  if (codepoint >= 32 && codepoint < 127 && KeyPressHandlers(*this, static_cast<uint8_t>(codepoint)))
    return;
  TextFieldObject* f = FocusedField(input);
  if (!f || f->field.read_only || codepoint < 32 || codepoint == 127) return;
  // Typed text takes the place of a composition in progress.
  if (input.preedit_length > 0) {
    const size_t length = f->field.Length();
    input.anchor = std::min(input.preedit_at, length);
    input.caret = std::min(input.preedit_at + input.preedit_length, length);
    input.preedit_at = input.preedit_length = 0;
  }
  std::string s;
  AppendUtf8(s, static_cast<char32_t>(codepoint));
  if (TypeText(*this, f, s)) {
    ++display_version_;
    FieldChanged(*this, f);
  }
}

void Player::ImePreedit(const std::string& text, int cursor) {
  TextFieldObject* f = FocusedField(input);
  if (!f || f->field.read_only) {
    input.preedit_at = input.preedit_length = 0;
    return;
  }
  text::TextField& t = f->field;
  const size_t length = t.Length();
  size_t begin, end;
  if (input.preedit_length > 0) {
    // Scripts may have changed the text since: the old composition is kept within it.
    begin = std::min(input.preedit_at, length);
    end = std::min(begin + input.preedit_length, length);
  } else {
    begin = std::min({input.caret, input.anchor, length});
    end = std::min(std::max(input.caret, input.anchor), length);
  }
  std::string shown;
  size_t count = 0;
  for (char32_t c : text::Utf8ToUtf32(text)) {
    if (c < 32 || c == 127) continue;
    AppendUtf8(shown, c);
    ++count;
  }
  if (begin == end && count == 0) {
    input.preedit_length = 0;
    return;
  }
  t.ReplaceText(begin, end, shown);
  t.Changed();
  input.preedit_at = begin;
  input.preedit_length = count;
  const size_t into = cursor < 0 ? count : std::min(static_cast<size_t>(cursor), count);
  input.caret = input.anchor = begin + into;
  ++display_version_;
}

void Player::TextControl(TextCommand command) {
  EventScope scope(*this, in_tick_);
  TextFieldObject* f = FocusedField(input);
  if (!f) return;
  text::TextField& t = f->field;
  const size_t length = t.Length();
  input.caret = std::min(input.caret, length);
  input.anchor = std::min(input.anchor, length);
  const size_t lo = std::min(input.caret, input.anchor), hi = std::max(input.caret, input.anchor);
  bool changed = false;
  const bool editable = !t.read_only;
  switch (command) {
    case TextCommand::SelectAll:
      input.anchor = 0;
      input.caret = length;
      break;
    case TextCommand::MoveLeft:
      input.caret = lo == hi && lo > 0 ? lo - 1 : lo;
      input.anchor = input.caret;
      break;
    case TextCommand::MoveRight:
      input.caret = lo == hi && hi < length ? hi + 1 : hi;
      input.anchor = input.caret;
      break;
    case TextCommand::MoveLeftLine: input.caret = input.anchor = 0; break;
    case TextCommand::MoveRightLine: input.caret = input.anchor = length; break;
    case TextCommand::Copy:
    case TextCommand::Cut:
      // A password field gives nothing away.
      if (lo == hi || t.options.password) break;
      input.clipboard = UnicodeSubstring(t.Text(), lo, hi);
      if (command == TextCommand::Cut && editable) changed = TypeText(*this, f, "");
      break;
    case TextCommand::Paste:
      // An empty clipboard pastes nothing, leaving the selection as it is.
      if (editable && !input.clipboard.empty()) changed = TypeText(*this, f, input.clipboard);
      break;
    case TextCommand::Backspace:
      if (!editable) break;
      if (lo == hi && lo > 0) input.anchor = lo - 1;
      changed = TypeText(*this, f, "");
      break;
    case TextCommand::Delete:
      if (!editable) break;
      if (lo == hi && hi < length) input.anchor = hi + 1;
      changed = TypeText(*this, f, "");
      break;
    case TextCommand::Enter:
      if (editable && t.multiline) changed = TypeText(*this, f, "\r");
      break;
    case TextCommand::Other: break;
  }
  ++display_version_;
  if (changed) FieldChanged(*this, f);
}

void Player::Deliver(const InputEvent& e) {
  switch (e.kind) {
    case InputEvent::Kind::MouseMove: MouseMove(e.x, e.y); break;
    case InputEvent::Kind::MouseDown: MouseDown(e.x, e.y, e.button); break;
    case InputEvent::Kind::MouseUp: MouseUp(e.x, e.y, e.button); break;
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::KeyUp: {
      const uint32_t c =
          e.character ? e.character : CharacterOfKey(e.key_code, input.keys_down[keys::kShift]);
      if (e.kind == InputEvent::Kind::KeyDown)
        KeyDown(e.key_code, c);
      else
        KeyUp(e.key_code, c);
      break;
    }
    case InputEvent::Kind::TextInput: TextInput(e.character); break;
    case InputEvent::Kind::TextControl: TextControl(e.command); break;
    case InputEvent::Kind::SetClipboardText: SetClipboard(e.text); break;
    case InputEvent::Kind::MouseWheel: MouseWheel(e.wheel_lines); break;
    case InputEvent::Kind::ImePreedit: ImePreedit(e.text, e.preedit_cursor); break;
    default: break;
  }
}

}  // namespace flash
