// The members of clips that change how a clip is drawn rather than what it holds: blendMode,
// filters, cacheAsBitmap, opaqueBackground, scrollRect and scale9Grid. They are accessors on
// MovieClip.prototype over the clip's display object.
#include <cmath>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/filter_objects.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

enum Member : uint8_t {
  kBlendMode,
  kFilters,
  kCacheAsBitmap,
  kOpaqueBackground,
  kScrollRect,
  kScale9Grid,
};

// Blend modes by number; 0 reads as "normal" too.
constexpr const char* kBlendNames[] = {"normal",  "normal", "layer",      "multiply", "screen",
                                       "lighten", "darken", "difference", "add",      "subtract",
                                       "invert",  "alpha",  "erase",      "overlay",  "hardlight"};
constexpr int kBlendCount = static_cast<int>(std::size(kBlendNames));

MovieClip* Self(NativeCall& c) { return c.vm.ClipOf(c.self); }

// A blend mode is set by its name (exactly as written) or its number (the low byte of its whole
// part); null and undefined set "normal". Anything else, or a name or number that is no mode,
// changes nothing.
bool BlendModeOf(NativeCall& c, const Value& v, uint8_t& mode) {
  switch (v.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: mode = 1; return true;
    case Value::Type::String:
      for (int i = 1; i < kBlendCount; ++i)
        if (v.string == kBlendNames[i]) {
          mode = static_cast<uint8_t>(i);
          return true;
        }
      return false;
    case Value::Type::Number: {
      const double d = v.number;
      if (!std::isfinite(d)) return false;
      const int n =
          static_cast<int>(static_cast<int64_t>(std::trunc(std::fmod(d, 4294967296.0))) & 0xFF);
      if (n >= kBlendCount) return false;
      mode = static_cast<uint8_t>(n == 0 ? 1 : n);
      (void)c;
      return true;
    }
    default: return false;
  }
}

Value NewRectangle(NativeCall& c, const DisplayObject::PixelRect& r) {
  Value geom = c.vm.GetMember(c.vm.GetMember(Value::Object(c.vm.realm().global), "flash"), "geom");
  return c.vm.Construct(
      c.vm.GetMember(geom, "Rectangle"),
      {Value::Number(r.x), Value::Number(r.y), Value::Number(r.width), Value::Number(r.height)});
}

// A rectangle-like object (x, y, width, height); null and undefined remove the rectangle; any
// other value, or a rectangle with a coordinate that is no finite number, changes nothing.
void AssignRectangle(NativeCall& c, const Value& v, std::optional<DisplayObject::PixelRect>& to) {
  if (v.IsNullish()) {
    to.reset();
    return;
  }
  if (!v.IsObject()) return;
  DisplayObject::PixelRect r;
  double* parts[] = {&r.x, &r.y, &r.width, &r.height};
  const char* names[] = {"x", "y", "width", "height"};
  for (int i = 0; i < 4; ++i) {
    *parts[i] = c.vm.ToNumber(c.vm.GetMember(v, names[i]));
    if (!std::isfinite(*parts[i])) return;
  }
  to = r;
}

Value Get(NativeCall& c) {
  MovieClip* clip = Self(c);
  if (!clip) return Value::Undefined();
  switch (static_cast<Member>(static_cast<FunctionObject*>(c.callee)->native_tag)) {
    case kBlendMode:
      return Value::String(kBlendNames[clip->blend_mode < kBlendCount ? clip->blend_mode : 1]);
    case kFilters: return FilterListValue(c.vm, clip->filters);
    case kCacheAsBitmap: return Value::Bool(clip->cache_as_bitmap);
    case kOpaqueBackground:
      if (!clip->has_opaque_background) return Value::Undefined();
      return Value::Number(uint32_t{clip->opaque_background.r} << 16 |
                           uint32_t{clip->opaque_background.g} << 8 | clip->opaque_background.b);
    case kScrollRect:
      return clip->scroll_rect ? NewRectangle(c, *clip->scroll_rect) : Value::Undefined();
    case kScale9Grid:
      return clip->scale9_grid ? NewRectangle(c, *clip->scale9_grid) : Value::Undefined();
  }
  return Value::Undefined();
}

Value Set(NativeCall& c) {
  MovieClip* clip = Self(c);
  if (!clip) return Value::Undefined();
  const Value& v = c.Arg(0);
  switch (static_cast<Member>(static_cast<FunctionObject*>(c.callee)->native_tag)) {
    case kBlendMode: {
      uint8_t mode;
      if (BlendModeOf(c, v, mode)) clip->blend_mode = mode;
      break;
    }
    case kFilters: clip->filters = FilterListOf(c.vm, v); break;
    case kCacheAsBitmap: clip->cache_as_bitmap = c.vm.ToBool(v); break;
    case kOpaqueBackground:
      if (v.IsNullish()) {
        clip->has_opaque_background = false;
      } else {
        const uint32_t rgb = static_cast<uint32_t>(c.vm.ToInt32(v));
        clip->has_opaque_background = true;
        clip->opaque_background = {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                   static_cast<uint8_t>(rgb), 255};
      }
      break;
    case kScrollRect: AssignRectangle(c, v, clip->scroll_rect); break;
    case kScale9Grid: AssignRectangle(c, v, clip->scale9_grid); break;
  }
  return Value::Undefined();
}

}  // namespace

void InstallClipEffects(Realm& realm) {
  ScriptObject* proto = realm.movieclip_proto;
  const std::pair<const char*, Member> members[] = {
      {"blendMode", kBlendMode},         {"filters", kFilters},
      {"cacheAsBitmap", kCacheAsBitmap}, {"opaqueBackground", kOpaqueBackground},
      {"scrollRect", kScrollRect},       {"scale9Grid", kScale9Grid},
  };
  for (const auto& [name, member] : members) NativeAccessor(realm, proto, name, Get, Set, member);
}

}  // namespace flash
