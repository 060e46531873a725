// NetConnection and NetStream: playing a local video file (FLV) that a movie names relative to
// its own folder. Only the "connection" to nothing (connect(null)) exists; a stream plays on the
// movie's clock, one frame's time per tick, and tells its onStatus handler what happens (the
// start, the buffer filling, seeks, the end) at the end of the tick in which it happened.
#include <algorithm>
#include <cmath>
#include <deque>

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"
#include "platform/flash/player/script/video_objects.h"
#include "platform/flash/video/flv_stream.h"

namespace flash {

namespace {

constexpr char kStreamTag[] = "NetStreamData";

class StreamData : public ScriptObject {
 public:
  StreamData() : ScriptObject(Kind::Other) { class_name = kStreamTag; }
  std::shared_ptr<VideoFeed> feed = std::make_shared<VideoFeed>();
  bool playing = false;  // between play and the end (or close)
  bool paused = false;
  bool started = false;  // the tick of play has passed: time runs from the next one
  bool listening = false;
  // The position is `base` plus the ticks played since it was set (counted, not summed, so that
  // whole frames of the file fall on the ticks they should).
  double base = 0;
  long ticks = 0;
  void SetPosition(double seconds) {
    base = seconds;
    ticks = 0;
    feed->seconds = seconds;
  }
  bool metadata_due = false;
  double bytes = 0;
  double buffer_time = 0.1;
  struct Status {
    const char* code;
    const char* level;
  };
  std::deque<Status> statuses;  // told at the end of the tick
};

StreamData* DataOf(ScriptObject* o) {
  if (!o || !o->primitive.IsObject()) return nullptr;
  ScriptObject* d = o->primitive.object;
  return d->class_name == kStreamTag ? static_cast<StreamData*>(d) : nullptr;
}

// At most this many status events wait; a script seeking in a loop loses the oldest.
constexpr size_t kMaxPendingStatuses = 64;

void Queue(StreamData& d, const char* code, const char* level = "status") {
  if (d.statuses.size() >= kMaxPendingStatuses) d.statuses.pop_front();
  d.statuses.push_back({code, level});
}

bool Tick(ActionRunner& vm, ScriptObject* stream);

void Listen(NativeCall& c, ScriptObject* self, StreamData& d) {
  if (d.listening) return;
  d.listening = true;
  c.vm.player().tick_listeners.push_back({self, Tick});
}

// Calls the stream's onStatus with an info object (its members are listed code first when
// enumerated, as the reference's are).
void TellStatus(ActionRunner& vm, ScriptObject* stream, const StreamData::Status& s) {
  Value handler = vm.GetMember(Value::Object(stream), "onStatus");
  if (!vm.IsFunction(handler)) return;
  ScriptObject* info = vm.realm().NewObject();
  Value v = Value::Object(info);
  vm.SetMember(v, "code", Value::String(s.code));
  vm.SetMember(v, "level", Value::String(s.level));
  vm.CallFromPlayer(handler, Value::Object(stream), {v});
}

void TellMetadata(ActionRunner& vm, ScriptObject* stream, const FlvStream& flv) {
  Value handler = vm.GetMember(Value::Object(stream), "onMetaData");
  if (!vm.IsFunction(handler)) return;
  ScriptObject* info = vm.realm().NewObject();
  for (const auto& [name, value] : flv.Metadata()) {
    Value v = value.kind == FlvStream::MetaValue::Kind::Text      ? Value::String(value.text)
              : value.kind == FlvStream::MetaValue::Kind::Boolean ? Value::Bool(value.number != 0)
                                                                  : Value::Number(value.number);
    vm.SetMember(Value::Object(info), name, v);
  }
  vm.CallFromPlayer(handler, Value::Object(stream), {Value::Object(info)});
}

// One tick of a stream: time moves on while it plays, the end is noticed, and what happened is
// told. False once there is nothing more to do until a script acts again.
bool Tick(ActionRunner& vm, ScriptObject* stream) {
  StreamData* d = DataOf(stream);
  if (!d) return false;
  const auto& flv = d->feed->stream;
  if (d->playing && flv) {
    if (d->started && !d->paused) {
      const MovieDef* movie = vm.player().Movie(0);
      const double rate = movie ? std::max(1.0, static_cast<double>(movie->header.frame_rate)) : 12;
      d->feed->seconds = d->base + static_cast<double>(++d->ticks) / rate;
    }
    d->started = true;
    if (d->feed->seconds >= flv->Duration()) {
      d->SetPosition(flv->Duration());
      d->playing = false;
      Queue(*d, "NetStream.Buffer.Flush");
      Queue(*d, "NetStream.Play.Stop");
      Queue(*d, "NetStream.Buffer.Empty");
    }
  }
  // Handlers may queue more (a seek from onStatus): those wait for the next tick.
  std::deque<StreamData::Status> now = std::move(d->statuses);
  d->statuses.clear();
  const bool metadata = d->metadata_due;
  d->metadata_due = false;
  std::shared_ptr<FlvStream> keep = flv;
  for (size_t i = 0; i < now.size(); ++i) {
    TellStatus(vm, stream, now[i]);
    // The metadata follows the buffer's first filling.
    if (metadata && keep && std::string_view(now[i].code) == "NetStream.Buffer.Full")
      TellMetadata(vm, stream, *keep);
  }
  d->listening = d->playing || !d->statuses.empty();
  return d->listening;
}

// NetConnection and NetStream construct like classes written in script: they give nothing back
// (`new` still gives the object made).
Value ConnectionCtor(NativeCall& c) {
  if (c.This()) c.vm.SetMember(c.self, "isConnected", Value::Bool(false));
  return Value::Undefined();
}

// Only the null connection (local files) can be made.
Value Connect(NativeCall& c) {
  const bool local = c.Arg(0).IsNullish();
  c.vm.SetMember(c.self, "isConnected", Value::Bool(local));
  return Value::Bool(local);
}

Value StreamCtor(NativeCall& c) {
  ScriptObject* self = c.This();
  if (self && !DataOf(self)) self->primitive = Value::Object(c.vm.heap().New<StreamData>());
  return Value::Undefined();
}

enum Op { kPlay, kPause, kSeek, kClose, kSetBufferTime };

Value Method(NativeCall& c) {
  ScriptObject* self = c.This();
  StreamData* d = DataOf(self);
  if (!d) return Value::Undefined();
  switch (static_cast<Op>(static_cast<FunctionObject*>(c.callee)->native_tag)) {
    case kPlay: {
      const std::string url = c.vm.ToString(c.Arg(0));
      LoadResult file = c.vm.player().loads.Read(url);
      d->feed->stream.reset();
      d->SetPosition(0);
      d->statuses.clear();
      d->paused = false;
      d->started = false;
      d->bytes = file.bytes ? static_cast<double>(file.bytes->size()) : 0;
      std::shared_ptr<FlvStream> flv;
      if (file.bytes) flv = FlvStream::Open(*file.bytes);
      if (!flv) {
        d->playing = false;
        Queue(*d, "NetStream.Play.StreamNotFound", "error");
      } else {
        d->feed->stream = std::move(flv);
        d->playing = true;
        d->metadata_due = true;
        Queue(*d, "NetStream.Play.Start");
        Queue(*d, "NetStream.Buffer.Full");
      }
      Listen(c, self, *d);
      break;
    }
    case kPause:
      d->paused = c.Count() == 0 ? !d->paused : c.vm.ToBool(c.Arg(0));
      d->SetPosition(d->feed->seconds);
      break;
    case kSeek: {
      if (!d->feed->stream) break;
      double to = c.vm.ToNumber(c.Arg(0));
      if (std::isnan(to)) break;
      d->SetPosition(std::clamp(to, 0.0, d->feed->stream->Duration()));
      d->playing = true;
      d->started = false;  // the picture at the new place shows for a tick
      Queue(*d, "NetStream.Seek.Notify");
      Listen(c, self, *d);
      break;
    }
    case kClose:
      d->feed->stream.reset();
      d->SetPosition(0);
      d->playing = false;
      d->statuses.clear();
      break;
    case kSetBufferTime: {
      double t = c.vm.ToNumber(c.Arg(0));
      if (std::isfinite(t)) d->buffer_time = std::max(0.0, t);
      break;
    }
  }
  return Value::Undefined();
}

enum Member { kTime, kBytesLoaded, kBytesTotal, kBufferTime, kBufferLength };

Value Get(NativeCall& c) {
  StreamData* d = DataOf(c.This());
  if (!d) return Value::Undefined();
  switch (static_cast<Member>(static_cast<FunctionObject*>(c.callee)->native_tag)) {
    case kTime: return Value::Number(d->feed->seconds);
    case kBytesLoaded:
    case kBytesTotal: return Value::Number(d->bytes);
    case kBufferTime: return Value::Number(d->buffer_time);
    case kBufferLength: {
      // The whole file is read at once: everything after the position is buffered.
      const auto& flv = d->feed->stream;
      return Value::Number(flv ? std::max(0.0, flv->Duration() - d->feed->seconds) : 0);
    }
  }
  return Value::Undefined();
}

}  // namespace

std::shared_ptr<VideoFeed> FeedOfStream(ScriptObject* stream) {
  StreamData* d = DataOf(stream);
  return d ? d->feed : nullptr;
}

void InstallNetStream(Realm& realm) {
  ScriptObject* cproto = realm.NewObject();
  realm.Class("NetConnection", ConnectionCtor, nullptr, cproto);
  realm.Method(cproto, "connect", Connect);

  ScriptObject* proto = realm.NewObject();
  realm.Class("NetStream", StreamCtor, nullptr, proto);
  const std::pair<const char*, Op> methods[] = {
      {"play", kPlay},
      {"pause", kPause},
      {"seek", kSeek},
      {"close", kClose},
      {"setBufferTime", kSetBufferTime},
  };
  for (const auto& [name, op] : methods) realm.Method(proto, name, Method, op);
  const std::pair<const char*, Member> members[] = {
      {"time", kTime},
      {"bytesLoaded", kBytesLoaded},
      {"bytesTotal", kBytesTotal},
      {"bufferTime", kBufferTime},
      {"bufferLength", kBufferLength},
  };
  for (const auto& [name, member] : members)
    NativeAccessor(realm, proto, name, Get, nullptr, member);
}

}  // namespace flash
