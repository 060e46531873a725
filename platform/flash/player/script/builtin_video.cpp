// Video: the script side of a video object placed by the timeline. attachVideo shows a
// NetStream's pictures in the object's rectangle in place of its embedded frames; clear removes
// the stream's picture. Scripts move and size a video object with the members clips have
// (_x, _width...).
#include <algorithm>
#include <cmath>

#include "platform/flash/format/video.h"
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"
#include "platform/flash/player/script/video_objects.h"
#include "platform/flash/video/flv_stream.h"

namespace flash {

namespace {

class VideoScriptObject : public ScriptObject {
 public:
  VideoScriptObject() : ScriptObject(Kind::Object) { class_name = "Video"; }
  std::weak_ptr<DisplayObject> video;
};

ScriptObject* video_proto_of(Realm& realm) {
  Property* ctor = realm.global->Find(realm.heap.Key("Video"));
  if (!ctor || !ctor->value.IsObject()) return realm.object_proto;
  Property* proto = ctor->value.object->Find(realm.heap.Key("prototype"));
  return proto && proto->value.IsObject() ? proto->value.object : realm.object_proto;
}

std::shared_ptr<DisplayObject> VideoOf(NativeCall& c) {
  auto* v = dynamic_cast<VideoScriptObject*>(c.This());
  return v ? v->video.lock() : nullptr;
}

enum Op { kAttachVideo, kClear };

Value Method(NativeCall& c) {
  auto video = VideoOf(c);
  if (!video) return Value::Undefined();
  switch (static_cast<Op>(static_cast<FunctionObject*>(c.callee)->native_tag)) {
    case kAttachVideo:
      // A stream replaces what was attached; anything else (null included) detaches it.
      video->video_feed = c.Arg(0).IsObject() ? FeedOfStream(c.Arg(0).object) : nullptr;
      break;
    case kClear: video->video_feed.reset(); break;
  }
  return Value::Undefined();
}

enum Member {
  kWidth,
  kHeight,
  kSmoothing,
  kDeblocking,
  kX,
  kY,
  kXScale,
  kYScale,
  kDrawnWidth,
  kDrawnHeight,
  kAlpha,
  kVisible,
  kName,
};

const VideoDef* DefOf(const DisplayObject& video) {
  return video.character && video.character->kind == CharacterDef::Kind::Video
             ? static_cast<const VideoDef*>(video.character.get())
             : nullptr;
}

// The width (or height) in the parent's pixels of the object's rectangle under its matrix.
double DrawnSize(const DisplayObject& video, bool width) {
  const VideoDef* def = DefOf(video);
  if (!def) return 0;
  const Matrix& m = video.matrix;
  const double w = def->width, h = def->height;
  return width ? std::abs(m.a) * w + std::abs(m.c) * h : std::abs(m.b) * w + std::abs(m.d) * h;
}

// Scales the object's x (or y) axis to `scale` (1 = its own size), keeping its rotation.
void SetScale(DisplayObject& video, bool x, double scale) {
  Matrix& m = video.matrix;
  double& p = x ? m.a : m.c;
  double& q = x ? m.b : m.d;
  const double len = std::hypot(p, q);
  if (len == 0) {
    (x ? p : q) = scale;
  } else {
    p = p / len * scale;
    q = q / len * scale;
  }
}

// The size of the picture shown (0 while no stream picture is), and the stream's flags.
Value Get(NativeCall& c) {
  auto video = VideoOf(c);
  if (!video) return Value::Undefined();
  const VideoDef* def = DefOf(*video);
  const auto& feed = video->video_feed;
  const Matrix& m = video->matrix;
  switch (static_cast<Member>(static_cast<FunctionObject*>(c.callee)->native_tag)) {
    case kWidth: return Value::Number(feed && feed->stream ? feed->stream->Width() : 0);
    case kHeight: return Value::Number(feed && feed->stream ? feed->stream->Height() : 0);
    case kSmoothing: return Value::Bool(def && def->smoothing);
    case kDeblocking: return Value::Number(def ? def->deblocking : 0);
    case kX: return Value::Number(m.tx / 20.0);
    case kY: return Value::Number(m.ty / 20.0);
    case kXScale: return Value::Number(std::hypot(m.a, m.b) * 100.0);
    case kYScale: return Value::Number(std::hypot(m.c, m.d) * 100.0);
    case kDrawnWidth: return Value::Number(DrawnSize(*video, true));
    case kDrawnHeight: return Value::Number(DrawnSize(*video, false));
    case kAlpha: return Value::Number(video->color_transform.a_mult / 256.0 * 100.0);
    case kVisible: return c.vm.FromBool(video->visible);
    case kName: return Value::String(video->name);
  }
  return Value::Undefined();
}

// The display members of a video object, as a clip's: position, scale, drawn size, alpha,
// visibility. A value that is no number changes nothing.
Value Set(NativeCall& c) {
  auto video = VideoOf(c);
  if (!video) return Value::Undefined();
  const auto member = static_cast<Member>(static_cast<FunctionObject*>(c.callee)->native_tag);
  if (member == kVisible) {
    video->visible = c.vm.ToBool(c.Arg(0));
    return Value::Undefined();
  }
  const double d = c.vm.ToNumber(c.Arg(0));
  if (!std::isfinite(d)) return Value::Undefined();
  const VideoDef* def = DefOf(*video);
  switch (member) {
    case kX: video->matrix.tx = d * 20.0; break;
    case kY: video->matrix.ty = d * 20.0; break;
    case kXScale: SetScale(*video, true, d / 100.0); break;
    case kYScale: SetScale(*video, false, d / 100.0); break;
    case kDrawnWidth:
      if (def && def->width > 0 && d >= 0) SetScale(*video, true, d / def->width);
      break;
    case kDrawnHeight:
      if (def && def->height > 0 && d >= 0) SetScale(*video, false, d / def->height);
      break;
    case kAlpha:
      video->color_transform.a_mult = static_cast<int16_t>(std::clamp(d * 2.56, -32768.0, 32767.0));
      break;
    default: break;
  }
  return Value::Undefined();
}

Value Nothing(NativeCall& c) { return c.self; }

}  // namespace

std::shared_ptr<DisplayObject> VideoOfScriptObject(const ScriptObject* object) {
  const auto* v = dynamic_cast<const VideoScriptObject*>(object);
  auto video = v ? v->video.lock() : nullptr;
  return video && !video->removed ? video : nullptr;
}

ScriptObject* VideoObjectOf(Player& player, DisplayObject* video) {
  if (!video || video->type != DisplayObject::Type::Other || !video->character ||
      video->character->kind != CharacterDef::Kind::Video)
    return nullptr;
  if (!video->video_object) {
    Realm& realm = player.ScriptRealm();
    auto* o = player.ScriptHeap().New<VideoScriptObject>();
    o->Put(realm.heap.Key("__proto__"), "__proto__", Value::Object(video_proto_of(realm)),
           kDontEnum | kDontDelete);
    o->video = video->weak_from_this();
    o->pins = 1;
    video->video_object = o;
    video->video_heap = player.SharedScriptHeap();
  }
  return video->video_object;
}

void InstallVideo(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  realm.Class("Video", Nothing, nullptr, proto);
  realm.Method(proto, "attachVideo", Method, kAttachVideo);
  realm.Method(proto, "clear", Method, kClear);
  const std::pair<const char*, Member> members[] = {
      {"width", kWidth},
      {"height", kHeight},
      {"smoothing", kSmoothing},
      {"deblocking", kDeblocking},
  };
  for (const auto& [name, member] : members)
    NativeAccessor(realm, proto, name, Get, nullptr, member);
  const std::pair<const char*, Member> display[] = {
      {"_x", kX},
      {"_y", kY},
      {"_xscale", kXScale},
      {"_yscale", kYScale},
      {"_width", kDrawnWidth},
      {"_height", kDrawnHeight},
      {"_alpha", kAlpha},
      {"_visible", kVisible},
      {"_name", kName},
  };
  for (const auto& [name, member] : display) NativeAccessor(realm, proto, name, Get, Set, member);
}

}  // namespace flash
