// Video: the script side of a video object placed by the timeline. attachVideo shows a
// NetStream's pictures in the object's rectangle in place of its embedded frames; clear removes
// the stream's picture.
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

enum Member { kWidth, kHeight, kSmoothing, kDeblocking };

// The size of the picture shown (0 while no stream picture is), and the stream's flags.
Value Get(NativeCall& c) {
  auto video = VideoOf(c);
  if (!video) return Value::Undefined();
  const auto* def = video->character && video->character->kind == CharacterDef::Kind::Video
                        ? static_cast<const VideoDef*>(video->character.get())
                        : nullptr;
  const auto& feed = video->video_feed;
  switch (static_cast<Member>(static_cast<FunctionObject*>(c.callee)->native_tag)) {
    case kWidth: return Value::Number(feed && feed->stream ? feed->stream->Width() : 0);
    case kHeight: return Value::Number(feed && feed->stream ? feed->stream->Height() : 0);
    case kSmoothing: return Value::Bool(def && def->smoothing);
    case kDeblocking: return Value::Number(def ? def->deblocking : 0);
  }
  return Value::Undefined();
}

Value Nothing(NativeCall& c) { return c.self; }

}  // namespace

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
}

}  // namespace flash
