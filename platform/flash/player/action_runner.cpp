#include "platform/flash/player/action_runner.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/flash/format/reader.h"
#include "platform/flash/format/shape.h"

namespace flash {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// A script that runs away (an endless loop) is stopped after this many actions.
constexpr long kMaxActions = 2'000'000;
// Nested calls of frame scripts (the Call action) stop here.
constexpr int kMaxCallDepth = 64;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool IEquals(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

int32_t ToInt32(double d) {
  if (std::isnan(d) || std::isinf(d)) return 0;
  double m = std::fmod(std::trunc(d), 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<int32_t>(static_cast<uint32_t>(m));
}

// Truncates toward zero and holds the result inside int's range (one short of the lowest value,
// so callers may still subtract one); NaN gives 0.
int TruncToInt(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return 2147483647;
  if (d <= -2147483647.0) return -2147483647;
  return static_cast<int>(d);
}

const char* const kPropertyNames[] = {"_x",         "_y",        "_xscale",  "_yscale",      "_currentframe",
                                      "_totalframes", "_alpha",  "_visible", "_width",       "_height",
                                      "_rotation",  "_target",   "_framesloaded", "_name",   "_droptarget",
                                      "_url",       "_highquality", "_focusrect", "_soundbuftime", "_quality",
                                      "_xmouse",    "_ymouse"};
constexpr int kPropertyCount = 22;

int PropertyIndex(const std::string& name) {
  for (int i = 0; i < kPropertyCount; ++i)
    if (IEquals(name, kPropertyNames[i])) return i;
  return -1;
}

auto StartTime() {
  static const auto start = std::chrono::steady_clock::now();
  return start;
}

// Bounds of a display object in its parent's twips.
bool ObjectBounds(const DisplayObject& obj, double& xmin, double& ymin, double& xmax, double& ymax);

bool LocalBounds(const DisplayObject& obj, double& xmin, double& ymin, double& xmax, double& ymax) {
  if (obj.type == DisplayObject::Type::Shape && obj.character) {
    const auto& r = static_cast<const ShapeDef&>(*obj.character).bounds;
    xmin = r.xmin; xmax = r.xmax; ymin = r.ymin; ymax = r.ymax;
    return true;
  }
  if (obj.type == DisplayObject::Type::MovieClip) {
    bool any = false;
    for (const auto& [d, child] : static_cast<const MovieClip&>(obj).children) {
      double a, b, c, e;
      if (!ObjectBounds(*child, a, b, c, e)) continue;
      if (!any) { xmin = a; ymin = b; xmax = c; ymax = e; any = true; continue; }
      xmin = std::min(xmin, a); ymin = std::min(ymin, b); xmax = std::max(xmax, c); ymax = std::max(ymax, e);
    }
    return any;
  }
  return false;
}

bool ObjectBounds(const DisplayObject& obj, double& xmin, double& ymin, double& xmax, double& ymax) {
  double x0, y0, x1, y1;
  if (!LocalBounds(obj, x0, y0, x1, y1)) return false;
  const double xs[] = {x0, x1, x1, x0}, ys[] = {y0, y0, y1, y1};
  for (int i = 0; i < 4; ++i) {
    double x, y;
    obj.matrix.Apply(xs[i], ys[i], x, y);
    if (i == 0) { xmin = xmax = x; ymin = ymax = y; continue; }
    xmin = std::min(xmin, x); xmax = std::max(xmax, x); ymin = std::min(ymin, y); ymax = std::max(ymax, y);
  }
  return true;
}

// Byte offsets where the characters of a UTF-8 text begin, plus the text's length at the end.
// A byte that does not start a well-formed sequence counts as a character of its own.
std::vector<size_t> CharacterStarts(const std::string& s) {
  std::vector<size_t> starts;
  size_t i = 0;
  while (i < s.size()) {
    starts.push_back(i);
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
    if (c >= 0xF5) n = 1;
    bool ok = i + n <= s.size();
    for (size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    i += ok ? n : 1;
  }
  starts.push_back(s.size());
  return starts;
}

// The code of the first character of a UTF-8 text (its byte value when malformed).
uint32_t FirstCharacterCode(const std::string& s) {
  std::vector<size_t> starts = CharacterStarts(s);
  size_t n = starts.size() > 1 ? starts[1] : 0;
  if (n == 0) return 0;
  auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(s[k])); };
  if (n == 1) return byte(0);
  uint32_t code = byte(0) & (0xFF >> (n + 1));
  for (size_t k = 1; k < n; ++k) code = code << 6 | (byte(k) & 0x3F);
  return code;
}

std::string EncodeCharacter(uint32_t code) {
  std::string out;
  if (code == 0 || code > 0x10FFFF) return out;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// The substring of the 1-based `index` and `count` units of a text of `length` units, as the
// string-extract actions clamp them: [first, first + n).
void ExtractRange(double index, double count, long length, long& first, long& n) {
  first = std::isnan(index) ? 0 : static_cast<long>(std::clamp(index, -1e9, 1e9)) - 1;
  n = std::isnan(count) ? 0 : static_cast<long>(std::clamp(count, -1e9, 1e9));
  if (first < 0) first = 0;
  if (first > length) first = length;
  if (n < 0 || first + n > length) n = length - first;
}

}  // namespace

ActionRunner::ActionRunner(Player& player, std::shared_ptr<MovieClip> base)
    : player_(player), base_(std::move(base)), generation_(player.generation_) {
  version_ = base_->movie ? base_->movie->header.version : 10;
  StartTime();
}

// --- conversions ---

std::string ActionRunner::ToString(const Value& v) const {
  switch (v.type) {
    case Value::Type::Undefined: return version_ >= 7 ? "undefined" : "";
    case Value::Type::Null: return "null";
    case Value::Type::Bool: return v.boolean ? "true" : "false";
    case Value::Type::Number: return NumberToString(v.number);
    case Value::Type::String: return v.string;
    case Value::Type::Clip: {
      MovieClip* c = ClipOf(v);
      return c ? c->TargetPath() : "";
    }
    case Value::Type::Object: return "[object Object]";
  }
  return "";
}

double ActionRunner::ToNumber(const Value& v) const {
  switch (v.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: return version_ >= 7 ? kNaN : 0;
    case Value::Type::Bool: return v.boolean ? 1 : 0;
    case Value::Type::Number: return v.number;
    case Value::Type::String: return StringToNumber(v.string, version_);
    case Value::Type::Clip:
    case Value::Type::Object: return kNaN;
  }
  return kNaN;
}

bool ActionRunner::ToBool(const Value& v) const {
  switch (v.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: return false;
    case Value::Type::Bool: return v.boolean;
    case Value::Type::Number: return v.number != 0 && !std::isnan(v.number);
    case Value::Type::String:
      if (version_ >= 7) return !v.string.empty();
      {
        double d = StringToNumber(v.string, version_);
        return d != 0 && !std::isnan(d);
      }
    case Value::Type::Clip: return ClipOf(v) != nullptr;
    case Value::Type::Object: return true;
  }
  return false;
}

Value ActionRunner::FromBool(bool b) const { return version_ < 5 ? Value::Number(b ? 1 : 0) : Value::Bool(b); }

Value ActionRunner::Primitive(const Value& v) const {
  if (v.type == Value::Type::Clip || v.type == Value::Type::Object) return Value::String(ToString(v));
  return v;
}

Value ActionRunner::Pop() {
  if (stack_.empty()) return Value::Undefined();
  Value v = std::move(stack_.back());
  stack_.pop_back();
  return v;
}

std::string ActionRunner::Key(const std::string& name) const { return version_ >= 7 ? name : Lower(name); }

// --- clips and paths ---

MovieClip* ActionRunner::Target() const {
  if (!target_set_) return base_->removed ? nullptr : base_.get();
  auto t = target_.lock();
  if (!t || t->removed) return nullptr;
  return static_cast<MovieClip*>(t.get());
}

MovieClip* ActionRunner::ClipOf(const Value& v) const {
  if (v.type == Value::Type::Clip) {
    auto c = v.clip.lock();
    if (c && !c->removed) return static_cast<MovieClip*>(c.get());
    // A clip that was removed and placed again under the same path is found by its path.
    return ResolvePath(v.string, nullptr);
  }
  if (v.type == Value::Type::String) {
    MovieClip* from = Target() ? Target() : base_.get();
    return ResolvePath(v.string, from);
  }
  return nullptr;
}

Value ActionRunner::ClipValue(MovieClip* clip) const {
  if (!clip) return Value::Undefined();
  Value v;
  v.type = Value::Type::Clip;
  v.clip = clip->shared_from_this();
  v.string = clip->TargetPath();
  return v;
}

// Resolves a target path: slash form ("/a/b", "../c", "_level1/a") or dot form
// ("_root.a.b", "_parent.c", "this.d"). An empty path is the current target.
MovieClip* ActionRunner::ResolvePath(const std::string& path, MovieClip* from) const {
  if (path.empty()) return from;
  MovieClip* clip = from;
  size_t i = 0;
  if (path[0] == '/') {
    MovieClip* base = from ? from : base_.get();
    clip = base->Root();
    i = 1;
  }
  while (i <= path.size()) {
    size_t j = path.find_first_of("/.:", i);
    // "..": parent in slash form.
    if (path.compare(i, 2, "..") == 0 && (i + 2 == path.size() || path[i + 2] == '/')) {
      if (!clip || !clip->parent) return nullptr;
      clip = clip->parent;
      i += 3;
      continue;
    }
    if (j == std::string::npos) j = path.size();
    std::string seg = path.substr(i, j - i);
    if (!seg.empty()) {
      MovieClip* next = nullptr;
      std::string low = Lower(seg);
      if (low == "_root") {
        next = (clip ? clip : base_.get())->Root();
      } else if (low == "_parent") {
        next = clip ? clip->parent : nullptr;
      } else if (low == "this") {
        next = clip;
      } else if (low.rfind("_level", 0) == 0 && low.size() > 6 &&
                 std::all_of(low.begin() + 6, low.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        next = player_.LevelRoot(std::atoi(low.c_str() + 6));
      } else if (clip) {
        auto child = clip->ChildByName(seg);
        if (child && child->type == DisplayObject::Type::MovieClip) {
          next = static_cast<MovieClip*>(child.get());
        } else if (version_ >= 5) {
          auto it = clip->variables.find(Key(seg));
          if (it != clip->variables.end() && it->second.type == Value::Type::Clip) next = ClipOf(it->second);
        }
      }
      if (!next) return nullptr;
      clip = next;
    }
    if (j >= path.size()) break;
    if (path[j] == ':') return nullptr;  // a variable path is not a clip
    i = j + 1;
  }
  return clip;
}

// Splits "path:name", "/path:name", "a.b.name" into the clip and the variable name. A plain name
// refers to the current target.
bool ActionRunner::SplitVariablePath(const std::string& path, MovieClip*& clip, std::string& name) {
  MovieClip* from = Target() ? Target() : base_.get();
  size_t colon = path.rfind(':');
  if (colon != std::string::npos) {
    clip = ResolvePath(path.substr(0, colon), from);
    name = path.substr(colon + 1);
    return clip != nullptr;
  }
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash) && path != "..") {
    clip = ResolvePath(path.substr(0, dot), from);
    name = path.substr(dot + 1);
    return clip != nullptr;
  }
  if (slash != std::string::npos) {
    // "/a/b" as a variable names the clip itself.
    clip = nullptr;
    name = path;
    return false;
  }
  clip = from;
  name = path;
  return true;
}

Value ActionRunner::GetClipMember(MovieClip* clip, const std::string& name) {
  int prop = PropertyIndex(name);
  if (prop >= 0) return GetProperty(clip, prop);
  std::string low = Lower(name);
  if (low == "_root") return ClipValue(clip->Root());
  if (low == "_parent") return ClipValue(clip->parent);
  if (low == "this") return ClipValue(clip);
  if (low.rfind("_level", 0) == 0) {
    MovieClip* l = ResolvePath(name, clip);
    if (l) return ClipValue(l);
  }
  auto it = clip->variables.find(Key(name));
  if (it != clip->variables.end()) return it->second;
  auto child = clip->ChildByName(name);
  if (child && child->type == DisplayObject::Type::MovieClip) return ClipValue(static_cast<MovieClip*>(child.get()));
  return Value::Undefined();
}

void ActionRunner::SetClipMember(MovieClip* clip, const std::string& name, const Value& v) {
  int prop = PropertyIndex(name);
  if (prop >= 0) {
    SetProperty(clip, prop, v);
    return;
  }
  clip->variables[Key(name)] = v;
}

Value ActionRunner::GetVariable(const std::string& path) {
  MovieClip* clip = nullptr;
  std::string name;
  if (!SplitVariablePath(path, clip, name)) {
    MovieClip* c = ResolvePath(path, Target() ? Target() : base_.get());
    return c ? ClipValue(c) : Value::Undefined();
  }
  if (name.empty()) return ClipValue(clip);
  Value v = GetClipMember(clip, name);
  if (v.IsUndefined() && version_ >= 5 && path == name) {
    // Names the global scope provides once nothing nearer defines them.
    if (name == "NaN") return Value::Number(kNaN);
    if (name == "Infinity") return Value::Number(std::numeric_limits<double>::infinity());
  }
  return v;
}

void ActionRunner::SetVariable(const std::string& path, const Value& v) {
  MovieClip* clip = nullptr;
  std::string name;
  if (!SplitVariablePath(path, clip, name) || name.empty()) return;
  SetClipMember(clip, name, v);
}

Value ActionRunner::GetProperty(MovieClip* clip, int index) const {
  if (!clip) return Value::Undefined();
  const Matrix& m = clip->matrix;
  switch (index) {
    case 0: return Value::Number(m.tx / 20.0);
    case 1: return Value::Number(m.ty / 20.0);
    case 2: return Value::Number(std::sqrt(m.a * m.a + m.b * m.b) * 100.0);
    case 3: return Value::Number(std::sqrt(m.c * m.c + m.d * m.d) * 100.0);
    case 4: return Value::Number(clip->current_frame + 1);
    case 5:
    case 12: return Value::Number(clip->TotalFrames());
    case 6: return Value::Number(clip->color_transform.a_mult / 256.0 * 100.0);
    case 7: return FromBool(clip->visible);
    case 8:
    case 9: {
      double x0, y0, x1, y1;
      if (!ObjectBounds(*clip, x0, y0, x1, y1)) return Value::Number(0);
      return Value::Number((index == 8 ? x1 - x0 : y1 - y0) / 20.0);
    }
    case 10: return Value::Number(std::atan2(m.b, m.a) * 180.0 / M_PI);
    case 11: return Value::String(clip->SlashPath());
    case 13: return Value::String(clip->name);
    case 14: return Value::String("");
    case 15: return Value::String("");
    case 16: return Value::Number(player_.quality == Quality::High ? 1 : 0);
    case 17: return Value::Number(1);
    case 18: return Value::Number(5);
    case 19: return Value::String(player_.quality == Quality::High ? "HIGH" : "LOW");
    case 20:
    case 21: return Value::Number(0);
  }
  return Value::Undefined();
}

void ActionRunner::SetProperty(MovieClip* clip, int index, const Value& v) {
  if (!clip) return;
  double d = ToNumber(v);
  Matrix& m = clip->matrix;
  switch (index) {
    case 0: if (!std::isnan(d)) m.tx = d * 20.0; break;
    case 1: if (!std::isnan(d)) m.ty = d * 20.0; break;
    case 2:
    case 3: {
      if (std::isnan(d)) break;
      double& p = index == 2 ? m.a : m.c;
      double& q = index == 2 ? m.b : m.d;
      double len = std::sqrt(p * p + q * q);
      if (len == 0) {
        (index == 2 ? p : q) = d / 100.0;
      } else {
        p = p / len * d / 100.0;
        q = q / len * d / 100.0;
      }
      break;
    }
    case 6: if (!std::isnan(d)) clip->color_transform.a_mult = static_cast<int16_t>(std::clamp(d * 2.56, -32768.0, 32767.0)); break;
    case 7: clip->visible = ToBool(v); break;
    case 10: {
      if (std::isnan(d)) break;
      double sx = std::sqrt(m.a * m.a + m.b * m.b), sy = std::sqrt(m.c * m.c + m.d * m.d);
      double r = d * M_PI / 180.0;
      m.a = sx * std::cos(r);
      m.b = sx * std::sin(r);
      m.c = -sy * std::sin(r);
      m.d = sy * std::cos(r);
      break;
    }
    case 13: clip->name = ToString(v); break;
    case 16: player_.quality = d != 0 ? Quality::High : Quality::Low; break;
    case 19: player_.quality = IEquals(ToString(v), "LOW") ? Quality::Low : Quality::High; break;
    default: break;
  }
}

// --- timeline control ---

void ActionRunner::GotoFrame(MovieClip* clip, int frame, bool stop) {
  if (!clip || clip->TotalFrames() == 0) return;
  if (frame < 0) frame = 0;
  player_.GotoFrameOf(clip, frame);
  clip->playing = !stop;
}

// A frame given as a value: a number (1-based), a label, or "target:frame" / "target:label".
bool ActionRunner::FrameFromValue(const Value& v, MovieClip*& clip, int& frame) {
  clip = Target();
  if (v.type != Value::Type::String) {
    double d = ToNumber(v);
    if (std::isnan(d)) return false;
    frame = TruncToInt(d) - 1;
    return clip != nullptr;
  }
  std::string s = v.string;
  size_t colon = s.rfind(':');
  if (colon != std::string::npos) {
    clip = ResolvePath(s.substr(0, colon), clip);
    s = s.substr(colon + 1);
  }
  if (!clip) return false;
  double d = StringToNumber(s, 5);
  if (!std::isnan(d) && !s.empty()) {
    frame = TruncToInt(d) - 1;
    return true;
  }
  frame = clip->timeline->FrameOfLabel(s);
  return frame >= 0;
}

void ActionRunner::GetUrl(const std::string& url, const std::string& target, bool load_target) {
  if (url.size() >= 10 && IEquals(url.substr(0, 10), "fscommand:")) {
    if (player_.on_fscommand) player_.on_fscommand(url.substr(10), target);
    return;
  }
  std::string low = Lower(target);
  if (low.rfind("_level", 0) == 0 && url.empty()) {
    player_.Unload(std::atoi(low.c_str() + 6));
    return;
  }
  if (load_target && url.empty()) {
    RemoveSprite(target);
    return;
  }
  if (player_.on_get_url) player_.on_get_url(url, target);
}

void ActionRunner::CallFrame(MovieClip* clip, int frame) {
  if (!clip || frame < 0 || frame >= clip->TotalFrames() || depth_ >= kMaxCallDepth) return;
  const Frame& f = clip->timeline->frames[static_cast<size_t>(frame)];
  for (const ControlTag& tag : f.tags) {
    if (tag.kind != ControlTag::Kind::DoAction || !tag.actions) continue;
    ActionRunner inner(player_, std::static_pointer_cast<MovieClip>(clip->shared_from_this()));
    inner.depth_ = depth_ + 1;
    inner.Run(*tag.actions, 0, tag.actions->size());
  }
}

void ActionRunner::CloneSprite(const std::string& source, const std::string& name, int depth) {
  MovieClip* src = ResolvePath(source, Target());
  if (!src || !src->parent || !src->character) return;
  MovieClip* parent = src->parent;
  auto existing = parent->children.find(depth);
  if (existing != parent->children.end()) player_.RemoveChild(parent, depth);
  auto obj = player_.Instantiate(parent, src->character, src->movie);
  auto mc = std::static_pointer_cast<MovieClip>(obj);
  mc->parent = parent;
  mc->depth = depth;
  mc->name = name;
  mc->matrix = src->matrix;
  mc->color_transform = src->color_transform;
  mc->place_frame = -1;
  mc->clip_actions = src->clip_actions;
  parent->children[depth] = mc;
  player_.AddClip(mc);
  player_.QueueClipEvent(mc.get(), kEventLoad);
  if (mc->TotalFrames() > 0) {
    mc->current_frame = 0;
    player_.RunFrame(mc.get(), 0, true);
  }
}

void ActionRunner::RemoveSprite(const std::string& target) {
  MovieClip* clip = ResolvePath(target, Target());
  if (!clip || !clip->parent || clip->place_frame >= 0) return;  // only clips made by scripts
  player_.RemoveChild(clip->parent, clip->depth);
}

// --- comparisons ---

Value ActionRunner::Compare(const Value& a0, const Value& b0) {
  // Clips and objects compare as numbers (NaN), never as their path text.
  auto prim = [](const Value& v) {
    return v.type == Value::Type::Clip || v.type == Value::Type::Object ? Value::Number(kNaN) : v;
  };
  Value a = prim(a0), b = prim(b0);
  if (a.type == Value::Type::String && b.type == Value::Type::String) return FromBool(a.string < b.string);
  double x = ToNumber(a), y = ToNumber(b);
  if (std::isnan(x) || std::isnan(y)) return Value::Undefined();
  return FromBool(x < y);
}

bool ActionRunner::LooseEquals(const Value& a, const Value& b) {
  using T = Value::Type;
  auto nullish = [](const Value& v) { return v.type == T::Undefined || v.type == T::Null; };
  if (nullish(a) || nullish(b)) return nullish(a) && nullish(b);
  if (a.type == b.type) {
    switch (a.type) {
      case T::Bool: return a.boolean == b.boolean;
      case T::Number: return a.number == b.number;
      case T::String: return a.string == b.string;
      case T::Clip: return ClipOf(a) == ClipOf(b);
      case T::Object: return a.object == b.object;
      default: return true;
    }
  }
  if (a.type == T::Bool) return LooseEquals(Value::Number(a.boolean ? 1 : 0), b);
  if (b.type == T::Bool) return LooseEquals(a, Value::Number(b.boolean ? 1 : 0));
  if ((a.type == T::Number && b.type == T::String) || (a.type == T::String && b.type == T::Number))
    return ToNumber(a) == ToNumber(b);
  if (a.type == T::Clip || a.type == T::Object) return LooseEquals(Primitive(a), b);
  if (b.type == T::Clip || b.type == T::Object) return LooseEquals(a, Primitive(b));
  return false;
}

// --- the interpreter loop ---

void ActionRunner::Run(const std::vector<uint8_t>& code, size_t start, size_t end, size_t jump_lo,
                       size_t jump_hi) {
  end = std::min(end, code.size());
  if (jump_lo == SIZE_MAX) jump_lo = start;
  jump_hi = std::min(std::max(jump_hi, end), code.size());
  jump_lo = std::min(jump_lo, start);
  size_t pc = start;
  long executed = 0;
  while (pc < jump_hi && pc != end) {
    if (player_.generation_ != generation_) return;  // the movie was unloaded under us
    if (++executed > kMaxActions) return;
    // An action that starts inside the block must end inside it; elsewhere the region bounds it.
    size_t limit = pc >= start && pc < end ? end : jump_hi;
    uint8_t op = code[pc];
    if (op == 0) return;
    size_t len = 0;
    size_t data_at = pc + 1;
    if (op >= 0x80) {
      if (pc + 3 > limit) return;
      len = code[pc + 1] | code[pc + 2] << 8;
      data_at = pc + 3;
      if (data_at + len > limit) return;
    }
    size_t next = data_at + len;
    Reader data(code.data() + data_at, len);
    try {
      switch (op) {
        // --- timeline actions of the first script versions ---
        case 0x04:  // NextFrame
          if (MovieClip* t = Target()) GotoFrame(t, t->current_frame + 1, true);
          break;
        case 0x05:  // PrevFrame
          if (MovieClip* t = Target()) GotoFrame(t, t->current_frame - 1, true);
          break;
        case 0x06:  // Play
          if (MovieClip* t = Target()) t->playing = true;
          break;
        case 0x07:  // Stop
          if (MovieClip* t = Target()) t->playing = false;
          break;
        case 0x08:  // ToggleQuality
          player_.quality = player_.quality == Quality::High ? Quality::Low : Quality::High;
          break;
        case 0x09:  // StopSounds
          if (player_.sound) player_.sound->StopAll();
          break;
        case 0x81: {  // GotoFrame
          int frame = data.U16();
          if (MovieClip* t = Target()) GotoFrame(t, frame, true);
          break;
        }
        case 0x83: {  // GetURL
          std::string url = data.CString();
          std::string target = data.CString();
          GetUrl(url, target, false);
          break;
        }
        case 0x8A: {  // WaitForFrame: every frame is loaded, nothing is skipped
          data.U16();
          data.U8();
          break;
        }
        case 0x8B: {  // SetTarget
          std::string path = data.CString();
          if (path.empty()) {
            target_set_ = false;
            target_.reset();
          } else {
            target_set_ = true;
            // A script whose clip was removed meanwhile can no longer reach other clips by path.
            MovieClip* t = base_->removed ? nullptr : ResolvePath(path, base_.get());
            target_ = t ? t->weak_from_this() : std::weak_ptr<DisplayObject>();
          }
          break;
        }
        case 0x8C: {  // GotoLabel
          std::string label = data.CString();
          if (MovieClip* t = Target()) {
            int frame = t->timeline->FrameOfLabel(label);
            if (frame >= 0) GotoFrame(t, frame, true);
          }
          break;
        }
        // --- the stack machine ---
        case 0x96: {  // Push
          while (!data.AtEnd()) {
            uint8_t type = data.U8();
            switch (type) {
              case 0: Push(Value::String(data.CString())); break;
              case 1: Push(Value::Number(data.F32())); break;
              case 2: Push(Value::Null()); break;
              case 3: Push(Value::Undefined()); break;
              case 4: {
                uint8_t r = data.U8();
                Push(r < 4 ? registers_[r] : Value::Undefined());
                break;
              }
              case 5: Push(Value::Bool(data.U8() != 0)); break;
              case 6: Push(Value::Number(data.ActionDouble())); break;
              case 7: Push(Value::Number(data.S32())); break;
              case 8:
              case 9: {
                size_t idx = type == 8 ? data.U8() : data.U16();
                Push(idx < pool_.size() ? Value::String(pool_[idx]) : Value::Undefined());
                break;
              }
              default: throw FormatError("bad push type");
            }
          }
          break;
        }
        case 0x17: Pop(); break;  // Pop
        case 0x0A: case 0x0B: case 0x0C: case 0x0D: {  // Add, Subtract, Multiply, Divide
          double b = ToNumber(Pop()), a = ToNumber(Pop());
          double r = op == 0x0A ? a + b : op == 0x0B ? a - b : op == 0x0C ? a * b : 0;
          if (op == 0x0D) {
            if (b == 0 && version_ < 5) {
              Push(Value::String("#ERROR#"));
              break;
            }
            r = a / b;
          }
          Push(Value::Number(r));
          break;
        }
        case 0x0E: {  // Equals
          double b = ToNumber(Pop()), a = ToNumber(Pop());
          Push(FromBool(a == b));
          break;
        }
        case 0x0F: {  // Less
          double b = ToNumber(Pop()), a = ToNumber(Pop());
          Push(FromBool(a < b));
          break;
        }
        case 0x10: {  // And
          bool b = ToBool(Pop()), a = ToBool(Pop());
          Push(FromBool(a && b));
          break;
        }
        case 0x11: {  // Or
          bool b = ToBool(Pop()), a = ToBool(Pop());
          Push(FromBool(a || b));
          break;
        }
        case 0x12: Push(FromBool(!ToBool(Pop()))); break;  // Not
        case 0x13: {  // StringEquals
          std::string b = ToString(Pop()), a = ToString(Pop());
          Push(FromBool(a == b));
          break;
        }
        case 0x29: {  // StringLess
          std::string b = ToString(Pop()), a = ToString(Pop());
          Push(FromBool(a < b));
          break;
        }
        case 0x68: {  // StringGreater
          std::string b = ToString(Pop()), a = ToString(Pop());
          Push(FromBool(a > b));
          break;
        }
        case 0x14:  // StringLength
          Push(Value::Number(static_cast<double>(ToString(Pop()).size())));
          break;
        case 0x31:  // MBStringLength: in characters
          Push(Value::Number(static_cast<double>(CharacterStarts(ToString(Pop())).size() - 1)));
          break;
        case 0x15: {  // StringExtract
          double count = ToNumber(Pop()), index = ToNumber(Pop());
          std::string s = ToString(Pop());
          long first, n;
          ExtractRange(index, count, static_cast<long>(s.size()), first, n);
          Push(Value::String(s.substr(static_cast<size_t>(first), static_cast<size_t>(n))));
          break;
        }
        case 0x35: {  // MBStringExtract: index and count in characters
          double count = ToNumber(Pop()), index = ToNumber(Pop());
          std::string s = ToString(Pop());
          std::vector<size_t> starts = CharacterStarts(s);
          long first, n;
          ExtractRange(index, count, static_cast<long>(starts.size()) - 1, first, n);
          size_t from = starts[static_cast<size_t>(first)], to = starts[static_cast<size_t>(first + n)];
          Push(Value::String(s.substr(from, to - from)));
          break;
        }
        case 0x21: {  // StringAdd
          std::string b = ToString(Pop()), a = ToString(Pop());
          Push(Value::String(a + b));
          break;
        }
        case 0x18: {  // ToInteger
          double d = ToNumber(Pop());
          Push(Value::Number(std::isnan(d) ? 0 : std::trunc(d)));
          break;
        }
        case 0x32: {  // CharToAscii
          std::string s = ToString(Pop());
          Push(s.empty() ? Value::Number(kNaN) : Value::Number(static_cast<unsigned char>(s[0])));
          break;
        }
        case 0x36: {  // MBCharToAscii: the first character's code
          std::string s = ToString(Pop());
          Push(s.empty() ? Value::Number(kNaN) : Value::Number(FirstCharacterCode(s)));
          break;
        }
        case 0x33: {  // AsciiToChar
          int c = ToInt32(ToNumber(Pop())) & 0xFF;
          Push(Value::String(c ? std::string(1, static_cast<char>(c)) : std::string()));
          break;
        }
        case 0x37:  // MBAsciiToChar: the character of a code
          Push(Value::String(EncodeCharacter(static_cast<uint32_t>(ToInt32(ToNumber(Pop()))) & 0x1FFFFF)));
          break;
        case 0x99: {  // Jump
          int16_t offset = data.S16();
          long target = static_cast<long>(next) + offset;
          if (target < static_cast<long>(jump_lo) || target >= static_cast<long>(jump_hi)) return;
          next = static_cast<size_t>(target);
          break;
        }
        case 0x9D: {  // If
          int16_t offset = data.S16();
          if (ToBool(Pop())) {
            long target = static_cast<long>(next) + offset;
            if (target < static_cast<long>(jump_lo) || target >= static_cast<long>(jump_hi)) return;
            next = static_cast<size_t>(target);
          }
          break;
        }
        case 0x9E: {  // Call
          MovieClip* clip = nullptr;
          int frame = 0;
          if (FrameFromValue(Pop(), clip, frame)) CallFrame(clip, frame);
          break;
        }
        case 0x1C: {  // GetVariable
          std::string name = ToString(Pop());
          Push(GetVariable(name));
          break;
        }
        case 0x1D: {  // SetVariable
          Value v = Pop();
          SetVariable(ToString(Pop()), v);
          break;
        }
        case 0x9A: {  // GetURL2
          uint8_t flags = data.U8();
          std::string target = ToString(Pop());
          std::string url = ToString(Pop());
          GetUrl(url, target, (flags & 0x40) != 0);
          break;
        }
        case 0x9F: {  // GotoFrame2
          uint8_t flags = data.U8();
          int bias = (flags & 0x02) ? data.U16() : 0;
          MovieClip* clip = nullptr;
          int frame = 0;
          if (FrameFromValue(Pop(), clip, frame)) GotoFrame(clip, frame + bias, (flags & 0x01) == 0);
          break;
        }
        case 0x20: {  // SetTarget2
          Value v = Pop();
          std::string path = v.type == Value::Type::Clip ? std::string() : ToString(v);
          if (v.type != Value::Type::Clip && path.empty()) {
            target_set_ = false;
            target_.reset();
          } else {
            target_set_ = true;
            MovieClip* t = v.type == Value::Type::Clip ? ClipOf(v)
                           : base_->removed             ? nullptr
                                                        : ResolvePath(path, base_.get());
            target_ = t ? t->weak_from_this() : std::weak_ptr<DisplayObject>();
          }
          break;
        }
        case 0x22: {  // GetProperty
          int index = TruncToInt(ToNumber(Pop()));
          Value target = Pop();
          MovieClip* clip = target.type == Value::Type::Clip ? ClipOf(target) : ResolvePath(ToString(target), Target());
          Push(GetProperty(clip, index));
          break;
        }
        case 0x23: {  // SetProperty
          Value v = Pop();
          int index = TruncToInt(ToNumber(Pop()));
          Value target = Pop();
          MovieClip* clip = target.type == Value::Type::Clip ? ClipOf(target) : ResolvePath(ToString(target), Target());
          SetProperty(clip, index, v);
          break;
        }
        case 0x24: {  // CloneSprite
          int depth = ToInt32(ToNumber(Pop()));
          std::string name = ToString(Pop());
          Value source = Pop();
          CloneSprite(source.type == Value::Type::Clip ? source.string : ToString(source), name, depth);
          break;
        }
        case 0x25: {  // RemoveSprite
          Value target = Pop();
          RemoveSprite(target.type == Value::Type::Clip ? target.string : ToString(target));
          break;
        }
        case 0x27: {  // StartDrag: dragging follows the mouse, which the player does not get yet
          Pop();
          Pop();
          if (ToBool(Pop()))
            for (int i = 0; i < 4; ++i) Pop();
          break;
        }
        case 0x28: break;  // EndDrag
        case 0x8D: {       // WaitForFrame2
          data.U8();
          Pop();
          break;
        }
        case 0x26: {  // Trace
          Value v = Pop();
          std::string text = v.IsUndefined() ? "undefined" : ToString(v);
          // A carriage return prints as a line break.
          std::replace(text.begin(), text.end(), '\r', '\n');
          player_.trace_log.push_back(text);
          if (player_.on_trace) player_.on_trace(text);
          break;
        }
        case 0x34:  // GetTime
          Push(Value::Number(static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                     std::chrono::steady_clock::now() - StartTime())
                                                     .count())));
          break;
        case 0x30: {  // RandomNumber
          int limit = ToInt32(ToNumber(Pop()));
          Push(Value::Number(player_.RandomInt(limit)));
          break;
        }
        // --- typed operators, registers and constants of later compilers ---
        case 0x88: {  // ConstantPool
          uint16_t count = data.U16();
          pool_.clear();
          for (uint16_t i = 0; i < count; ++i) pool_.push_back(data.CString());
          break;
        }
        case 0x87: {  // StoreRegister
          uint8_t r = data.U8();
          if (r < 4) registers_[r] = stack_.empty() ? Value::Undefined() : stack_.back();
          break;
        }
        case 0x47: {  // Add2
          Value b = Primitive(Pop()), a = Primitive(Pop());
          if (a.type == Value::Type::String || b.type == Value::Type::String)
            Push(Value::String(ToString(a) + ToString(b)));
          else
            Push(Value::Number(ToNumber(a) + ToNumber(b)));
          break;
        }
        case 0x48: {  // Less2
          Value b = Pop(), a = Pop();
          Push(Compare(a, b));
          break;
        }
        case 0x67: {  // Greater
          Value b = Pop(), a = Pop();
          Push(Compare(b, a));
          break;
        }
        case 0x49: {  // Equals2
          Value b = Pop(), a = Pop();
          Push(Value::Bool(LooseEquals(a, b)));
          break;
        }
        case 0x66: {  // StrictEquals
          Value b = Pop(), a = Pop();
          // Unlike loose equality, two NaN values are strictly equal here.
          bool both_nan = a.type == Value::Type::Number && b.type == Value::Type::Number &&
                          std::isnan(a.number) && std::isnan(b.number);
          Push(Value::Bool(both_nan || (a.type == b.type && LooseEquals(a, b))));
          break;
        }
        case 0x3F: {  // Modulo
          double b = ToNumber(Pop()), a = ToNumber(Pop());
          Push(Value::Number(std::fmod(a, b)));
          break;
        }
        case 0x50: Push(Value::Number(ToNumber(Pop()) + 1)); break;  // Increment
        case 0x51: Push(Value::Number(ToNumber(Pop()) - 1)); break;  // Decrement
        case 0x60: case 0x61: case 0x62: case 0x63: case 0x64: case 0x65: {  // bit operations
          int32_t b = ToInt32(ToNumber(Pop())), a = ToInt32(ToNumber(Pop()));
          double r = 0;
          switch (op) {
            case 0x60: r = a & b; break;
            case 0x61: r = a | b; break;
            case 0x62: r = a ^ b; break;
            case 0x63: r = static_cast<int32_t>(static_cast<uint32_t>(a) << (b & 31)); break;
            case 0x64: r = a >> (b & 31); break;
            case 0x65: r = static_cast<uint32_t>(a) >> (b & 31); break;
          }
          Push(Value::Number(r));
          break;
        }
        case 0x4C: Push(stack_.empty() ? Value::Undefined() : stack_.back()); break;  // PushDuplicate
        case 0x4D: {  // StackSwap
          Value b = Pop(), a = Pop();
          Push(b);
          Push(a);
          break;
        }
        case 0x4A: Push(Value::Number(ToNumber(Pop()))); break;  // ToNumber
        case 0x4B: Push(Value::String(ToString(Pop()))); break;  // ToString
        case 0x44: {  // TypeOf
          Value v = Pop();
          const char* t = "undefined";
          switch (v.type) {
            case Value::Type::Undefined: t = "undefined"; break;
            case Value::Type::Null: t = "null"; break;
            case Value::Type::Bool: t = "boolean"; break;
            case Value::Type::Number: t = "number"; break;
            case Value::Type::String: t = "string"; break;
            case Value::Type::Clip: t = "movieclip"; break;
            case Value::Type::Object: t = "object"; break;
          }
          Push(Value::String(t));
          break;
        }
        case 0x45: {  // TargetPath
          Value v = Pop();
          MovieClip* c = v.type == Value::Type::Clip ? ClipOf(v) : nullptr;
          Push(c ? Value::String(c->TargetPath()) : Value::Undefined());
          break;
        }
        case 0x3C: {  // DefineLocal (frame scripts: a variable of the clip)
          Value v = Pop();
          std::string name = ToString(Pop());
          if (MovieClip* t = Target()) t->variables[Key(name)] = v;
          break;
        }
        case 0x41: {  // DefineLocal2
          std::string name = ToString(Pop());
          if (MovieClip* t = Target()) t->variables.emplace(Key(name), Value::Undefined());
          break;
        }
        case 0x3A: {  // Delete
          std::string name = ToString(Pop());
          MovieClip* c = ClipOf(Pop());
          Push(Value::Bool(c && c->variables.erase(Key(name)) > 0));
          break;
        }
        case 0x3B: {  // Delete2
          std::string name = ToString(Pop());
          MovieClip* t = Target();
          Push(Value::Bool(t && t->variables.erase(Key(name)) > 0));
          break;
        }
        case 0x4E: {  // GetMember
          std::string name = ToString(Pop());
          Value obj = Pop();
          if (obj.type == Value::Type::Clip) {
            MovieClip* c = ClipOf(obj);
            Push(c ? GetClipMember(c, name) : Value::Undefined());
          } else if (obj.type == Value::Type::Object && obj.object) {
            auto it = obj.object->properties.find(name);
            Push(it == obj.object->properties.end() ? Value::Undefined() : it->second);
          } else if (obj.type == Value::Type::String && name == "length") {
            Push(Value::Number(static_cast<double>(obj.string.size())));
          } else {
            Push(Value::Undefined());
          }
          break;
        }
        case 0x4F: {  // SetMember
          Value v = Pop();
          std::string name = ToString(Pop());
          Value obj = Pop();
          if (obj.type == Value::Type::Clip) {
            if (MovieClip* c = ClipOf(obj)) SetClipMember(c, name, v);
          } else if (obj.type == Value::Type::Object && obj.object) {
            obj.object->properties[name] = v;
          }
          break;
        }
        case 0x43: {  // InitObject
          auto o = std::make_shared<ScriptObject>();
          int n = ToInt32(ToNumber(Pop()));
          for (int i = 0; i < n && !stack_.empty(); ++i) {
            Value v = Pop();
            o->properties[ToString(Pop())] = v;
          }
          Value r;
          r.type = Value::Type::Object;
          r.object = o;
          Push(r);
          break;
        }
        case 0x42: {  // InitArray
          auto o = std::make_shared<ScriptObject>();
          int n = ToInt32(ToNumber(Pop()));
          for (int i = 0; i < n && !stack_.empty(); ++i) o->properties[std::to_string(i)] = Pop();
          o->properties["length"] = Value::Number(std::max(0, n));
          Value r;
          r.type = Value::Type::Object;
          r.object = o;
          Push(r);
          break;
        }
        // Functions and objects come later; these keep the stack balanced meanwhile.
        case 0x3D:    // CallFunction
        case 0x40: {  // NewObject
          Pop();
          int n = ToInt32(ToNumber(Pop()));
          for (int i = 0; i < n && !stack_.empty(); ++i) Pop();
          Push(Value::Undefined());
          break;
        }
        case 0x52:    // CallMethod
        case 0x53: {  // NewMethod
          Pop();
          Pop();
          int n = ToInt32(ToNumber(Pop()));
          for (int i = 0; i < n && !stack_.empty(); ++i) Pop();
          Push(Value::Undefined());
          break;
        }
        case 0x9B:    // DefineFunction
        case 0x8E: {  // DefineFunction2
          std::string name = data.CString();
          uint16_t params = data.U16();
          if (op == 0x8E) {
            data.U8();
            data.U16();
            for (uint16_t i = 0; i < params; ++i) {
              data.U8();
              data.CString();
            }
          } else {
            for (uint16_t i = 0; i < params; ++i) data.CString();
          }
          uint16_t body = data.U16();
          if (next + body > end) return;
          next += body;  // the body is not run until functions exist
          Value fn;
          fn.type = Value::Type::Object;
          fn.object = std::make_shared<ScriptObject>();
          if (name.empty())
            Push(fn);
          else if (MovieClip* t = Target())
            t->variables[Key(name)] = fn;
          break;
        }
        case 0x3E: return;  // Return
        default:
          break;  // unknown actions are skipped by their length
      }
    } catch (const FormatError&) {
      return;  // an action whose data is malformed ends the script
    }
    pc = next;
  }
}

}  // namespace flash
