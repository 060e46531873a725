// Sound: plays a movie's exported sounds (and MP3 files) on behalf of a clip, and reads and sets
// that clip's volume, pan and channel transform. The clip is found again from its path at every
// call, so a Sound made for a clip that went away answers undefined until a clip of that path
// exists again (which starts with the default transform).
#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/flash/format/id3.h"
#include "platform/flash/format/sound.h"
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/player.h"
#include "platform/flash/player/script/load_queue.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

constexpr char kSoundTag[] = "SoundData";

class SoundData : public ScriptObject {
 public:
  SoundData() : ScriptObject(Kind::Other) { class_name = kSoundTag; }
  // The owner: a path, resolved from the timeline that calls (a clip given to the constructor
  // is kept as its full path).
  std::string path;
  // The attached sound; its movie is kept while the sound is.
  std::shared_ptr<const SoundDef> def;
  std::shared_ptr<const MovieDef> movie;
  double duration_ms = 0;
  // The playback this object started last: where it began, its loops and the time it played.
  bool playing = false;
  bool listening = false;
  double offset_ms = 0;
  int loops = 1;
  double elapsed_ms = 0;
  bool streaming = false;  // of the last loadSound
  bool load_pending = false;
  // A start asked for while the file is on its way: it plays when the file arrives.
  bool start_pending = false;
  double pending_offset = 0;
  double bytes = -1;  // of the loaded file (-1: an attached sound)
};

SoundData* DataOf(ScriptObject* o) {
  if (!o || !o->primitive.IsObject()) return nullptr;
  ScriptObject* d = o->primitive.object;
  return d->class_name == kSoundTag ? static_cast<SoundData*>(d) : nullptr;
}

SoundData* DataOf(NativeCall& c) { return DataOf(c.vm.ObjectOf(c.self)); }

MovieClip* OwnerOf(NativeCall& c, SoundData& d) {
  MovieClip* here = c.vm.Target();
  if (!here) return nullptr;
  MovieClip* clip = c.vm.ResolvePath(d.path, here);
  return clip && !clip->removed ? clip : nullptr;
}

Value Construct(NativeCall& c) {
  ScriptObject* self = c.This();
  if (!self) return c.self;
  SoundData* d = c.vm.heap().New<SoundData>();
  self->primitive = Value::Object(d);
  MovieClip* here = c.vm.Target();
  const Value& target = c.Arg(0);
  if (target.IsUndefined()) {
    MovieClip* root = here ? here->Root() : nullptr;
    if (root) d->path = root->TargetPath();
  } else if (MovieClip* clip = target.type == Value::Type::String ? nullptr : c.vm.ClipOf(target)) {
    d->path = clip->TargetPath();
  } else {
    d->path = c.vm.ToString(target);
  }
  // Read like members of the object until a sound is attached; scripts may overwrite them.
  for (const char* name : {"duration", "position", "id3"})
    c.vm.realm().Set(self, name, Value::Undefined(), kDontEnum);
  return c.self;
}

SoundHooks* Hooks(NativeCall& c) { return c.vm.player().sound.get(); }

void Changed(NativeCall& c) {
  if (SoundHooks* h = Hooks(c)) h->TransformChanged();
}

// Whole percentages: what is not a number leaves 0, huge values are bounded.
int32_t Percent(NativeCall& c, const Value& v) {
  double n = c.vm.ToNumber(v);
  if (!std::isfinite(n)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(n), -1.0e6, 1.0e6));
}

Value GetVolume(NativeCall& c) {
  SoundData* d = DataOf(c);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  return clip ? Value::Number(clip->sound_transform.volume) : Value::Undefined();
}

Value SetVolume(NativeCall& c) {
  SoundData* d = DataOf(c);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  if (!clip) return Value::Undefined();
  clip->sound_transform.volume = Percent(c, c.Arg(0));
  Changed(c);
  return Value::Undefined();
}

// A pan is the share taken from one side: positive pans quiet the left, negative the right.
Value GetPan(NativeCall& c) {
  SoundData* d = DataOf(c);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  if (!clip) return Value::Undefined();
  const SoundTransform& t = clip->sound_transform;
  return Value::Number(t.ll != 100 ? 100 - t.ll : t.rr - 100);
}

Value SetPan(NativeCall& c) {
  SoundData* d = DataOf(c);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  if (!clip) return Value::Undefined();
  int32_t pan = std::clamp(Percent(c, c.Arg(0)), -100, 100);
  SoundTransform& t = clip->sound_transform;
  t.ll = pan > 0 ? 100 - pan : 100;
  t.rr = pan < 0 ? 100 + pan : 100;
  t.lr = t.rl = 0;
  Changed(c);
  return Value::Undefined();
}

struct Channel {
  const char* name;
  int32_t SoundTransform::*field;
};
constexpr Channel kChannels[] = {{"ll", &SoundTransform::ll},
                                 {"lr", &SoundTransform::lr},
                                 {"rr", &SoundTransform::rr},
                                 {"rl", &SoundTransform::rl}};

Value GetTransform(NativeCall& c) {
  SoundData* d = DataOf(c);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  if (!clip) return Value::Undefined();
  ScriptObject* o = c.vm.realm().NewObject();
  for (const Channel& ch : kChannels)
    c.vm.SetMember(Value::Object(o), ch.name, Value::Number(clip->sound_transform.*ch.field));
  return Value::Object(o);
}

// Only the members the object has change the transform.
Value SetTransform(NativeCall& c) {
  SoundData* d = DataOf(c);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  ScriptObject* from = c.Arg(0).IsObject() ? c.vm.ObjectOf(c.Arg(0)) : nullptr;
  if (!clip || !from) return Value::Undefined();
  for (const Channel& ch : kChannels) {
    Value v = c.vm.GetMember(c.Arg(0), ch.name);
    if (!v.IsUndefined()) clip->sound_transform.*ch.field = Percent(c, v);
  }
  Changed(c);
  return Value::Undefined();
}

// The sound exported under `name` by the movie of the owner's level.
Value AttachSound(NativeCall& c) {
  SoundData* d = DataOf(c);
  ScriptObject* self = c.vm.ObjectOf(c.self);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  if (!d || !self || !clip) return Value::Undefined();
  const MovieClip* root = clip->Root();
  std::shared_ptr<const MovieDef> movie = root ? root->movie : clip->movie;
  CharacterPtr symbol = c.vm.player().ExportedSymbol(movie.get(), c.vm.ToString(c.Arg(0)));
  if (!symbol || symbol->kind != CharacterDef::Kind::Sound) return Value::Undefined();
  d->def = std::static_pointer_cast<const SoundDef>(symbol);
  d->movie = movie;
  d->bytes = -1;
  d->playing = false;
  d->elapsed_ms = d->offset_ms = 0;
  SoundHooks* h = Hooks(c);
  d->duration_ms = h ? std::round(h->DurationMs(d->def)) : 0;
  c.vm.realm().Set(self, "duration", Value::Number(d->duration_ms), kDontEnum);
  c.vm.realm().Set(self, "position", Value::Number(0), kDontEnum);
  return Value::Undefined();
}

double PositionMs(const SoundData& d) {
  if (!d.def) return 0;
  double span = d.duration_ms - d.offset_ms;
  if (span <= 0) return d.duration_ms;
  if (!d.playing) return std::min(d.duration_ms, d.offset_ms + std::min(d.elapsed_ms, span));
  return d.offset_ms + std::fmod(d.elapsed_ms, span);
}

// Each tick advances the sounds that play by the movie's frame time; a sound that played all its
// loops ends and tells onSoundComplete.
bool Tick(ActionRunner& vm, ScriptObject* self) {
  SoundData* d = DataOf(self);
  if (!d || !d->playing) {
    if (d) d->listening = false;
    return false;
  }
  const MovieDef* m = vm.player().Movie(0);
  d->elapsed_ms += 1000.0 / std::max(1.0, m ? m->header.frame_rate : 12.0);
  double total = (d->duration_ms - d->offset_ms) * d->loops;
  Value pos;
  if (d->elapsed_ms >= total) {
    d->playing = false;
    d->listening = false;
    vm.realm().Set(self, "position", Value::Number(std::round(PositionMs(*d))), kDontEnum);
    Value handler = vm.GetMember(Value::Object(self), "onSoundComplete");
    if (vm.IsFunction(handler)) vm.CallFromPlayer(handler, Value::Object(self), {});
    return false;
  }
  vm.realm().Set(self, "position", Value::Number(std::round(PositionMs(*d))), kDontEnum);
  return true;
}

Value Start(NativeCall& c) {
  SoundData* d = DataOf(c);
  ScriptObject* self = c.vm.ObjectOf(c.self);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  if (!d || !self || !clip) return Value::Undefined();
  double offset = c.vm.ToNumber(c.Arg(0));
  if (!std::isfinite(offset) || offset < 0) offset = 0;
  double loops = c.vm.ToNumber(c.Arg(1));
  if (d->load_pending) {
    d->start_pending = true;
    d->pending_offset = offset;
    d->loops = std::isfinite(loops) ? static_cast<int>(std::clamp(loops, 1.0, 65535.0)) : 1;
    return Value::Undefined();
  }
  if (!d->def) return Value::Undefined();
  d->loops = std::isfinite(loops) ? static_cast<int>(std::clamp(loops, 1.0, 65535.0)) : 1;
  d->offset_ms = std::min(offset * 1000.0, d->duration_ms);
  d->elapsed_ms = 0;
  d->playing = true;
  if (SoundHooks* h = Hooks(c)) h->StartScriptSound(*clip, d->def, offset, d->loops);
  if (!d->listening) {
    d->listening = true;
    c.vm.player().tick_listeners.push_back({self, Tick});
  }
  return Value::Undefined();
}

// Without a name, every sound of the owner (and of the clips in it); with one, that exported
// sound wherever it plays.
Value Stop(NativeCall& c) {
  SoundData* d = DataOf(c);
  MovieClip* clip = d ? OwnerOf(c, *d) : nullptr;
  if (!d || !clip) return Value::Undefined();
  SoundHooks* h = Hooks(c);
  if (!c.args.empty()) {
    const MovieClip* root = clip->Root();
    CharacterPtr symbol = c.vm.player().ExportedSymbol(root ? root->movie.get() : clip->movie.get(),
                                                       c.vm.ToString(c.Arg(0)));
    if (!symbol || symbol->kind != CharacterDef::Kind::Sound) return Value::Undefined();
    if (h) h->StopScriptSounds(*clip, static_cast<const SoundDef*>(symbol.get()));
    if (symbol == d->def) d->playing = false;
    return Value::Undefined();
  }
  if (h) h->StopScriptSounds(*clip, nullptr);
  d->playing = false;
  return Value::Undefined();
}

Value GetDuration(NativeCall& c) {
  SoundData* d = DataOf(c);
  if (!d || !d->def || !OwnerOf(c, *d)) return Value::Undefined();
  return Value::Number(d->duration_ms);
}

Value GetPosition(NativeCall& c) {
  SoundData* d = DataOf(c);
  if (!d || !d->def || !OwnerOf(c, *d)) return Value::Undefined();
  return Value::Number(std::round(PositionMs(*d)));
}

Value Nothing(NativeCall&) { return Value::Undefined(); }

// An MP3 file as a sound: the frames after any ID3v2 tag, its format from the first frame
// header. Null when no frame header is found.
std::shared_ptr<SoundDef> Mp3Sound(const std::string& bytes) {
  const size_t at = Id3v2TagSize(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  size_t header = at;
  while (header + 4 <= bytes.size() && !(static_cast<uint8_t>(bytes[header]) == 0xFF &&
                                         (static_cast<uint8_t>(bytes[header + 1]) & 0xE0) == 0xE0))
    ++header;
  if (header + 4 > bytes.size()) return nullptr;
  const auto b1 = static_cast<uint8_t>(bytes[header + 1]);
  const auto b2 = static_cast<uint8_t>(bytes[header + 2]);
  const auto b3 = static_cast<uint8_t>(bytes[header + 3]);
  int version = b1 >> 3 & 3;  // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
  int rate_index = b2 >> 2 & 3;
  if (version == 1 || rate_index == 3) return nullptr;
  static const int kRates[3] = {44100, 48000, 32000};
  int rate = kRates[rate_index] / (version == 3 ? 1 : version == 2 ? 2 : 4);
  auto def = std::make_shared<SoundDef>(0);
  def->format.codec = kSoundMp3;
  def->format.rate_code = rate >= 32000 ? 3 : rate >= 16000 ? 2 : rate >= 11025 ? 1 : 0;
  def->format.sixteen_bit = true;
  def->format.stereo = (b3 >> 6) != 3;
  def->data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(header), bytes.end());
  return def;
}

// The names of the ID3v1 fields, which scripts also see for the frames that hold them.
const char* FieldName(const std::string& id) {
  static const std::pair<const char*, const char*> kFields[] = {
      {"COMM", "comment"}, {"TALB", "album"}, {"TCON", "genre"}, {"TIT2", "songname"},
      {"TPE1", "artist"},  {"TRCK", "track"}, {"TYER", "year"}};
  for (const auto& [frame, field] : kFields)
    if (id == frame) return field;
  return nullptr;
}

// The tags of a loaded file become the sound's id3 object: a bare one (no prototype, so it
// converts like undefined) with each frame under its id, after its field name where it has one;
// a frame id that comes again collects its texts in an array while the field name holds the
// last. A value a script gave id3 before is kept; the object the player sets is read-only.
// False when the file has no tags.
bool GiveId3(ActionRunner& vm, ScriptObject* self, const std::string& bytes) {
  Id3Tags tags = ReadId3Tags(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (tags.frames.empty()) return false;
  Realm& realm = vm.realm();
  ScriptObject* id3 = vm.heap().New<ScriptObject>();
  for (Id3Frame& f : tags.frames) {
    if (const char* field = FieldName(f.id)) realm.Set(id3, field, Value::String(f.text), 0);
    if (tags.version1) continue;  // its fields have no frame ids
    Property* same = id3->Find(vm.heap().Key(f.id));
    if (!same) {
      realm.Set(id3, f.id, Value::String(std::move(f.text)), 0);
    } else if (same->value.IsObject() && same->value.object->kind == ScriptObject::Kind::Array) {
      static_cast<ArrayObject*>(same->value.object)->items.push_back(Value::String(f.text));
    } else {
      same->value = Value::Object(realm.NewArray({same->value, Value::String(f.text)}));
    }
  }
  const Property* own = self->Find(vm.heap().Key("id3"));
  if (!own || own->value.IsUndefined() || (own->flags & kReadOnly))
    self->Put(vm.heap().Key("id3"), "id3", Value::Object(id3)).flags = kDontEnum | kReadOnly;
  return true;
}

void Loaded(ActionRunner& vm, ScriptObject* self, const LoadResult& result) {
  SoundData* d = DataOf(self);
  if (!d) return;
  d->load_pending = false;
  std::shared_ptr<SoundDef> def = result.bytes ? Mp3Sound(*result.bytes) : nullptr;
  bool ok = def != nullptr;
  if (ok) {
    d->def = def;
    d->movie.reset();
    d->bytes = static_cast<double>(result.bytes->size());
    SoundHooks* h = vm.player().sound.get();
    d->duration_ms = h ? std::round(h->DurationMs(d->def)) : 0;
    vm.realm().Set(self, "duration", Value::Number(d->duration_ms), kDontEnum);
    vm.realm().Set(self, "position", Value::Number(0), kDontEnum);
    if (d->streaming || d->start_pending) {
      // A streaming sound plays as soon as it arrives, once; so does one started while it was
      // on its way, as that start asked.
      MovieClip* clip = vm.ResolvePath(d->path, vm.Target());
      if (clip && !clip->removed && h) {
        double offset = d->start_pending ? d->pending_offset : 0;
        if (!d->start_pending) d->loops = 1;
        h->StartScriptSound(*clip, d->def, offset, d->loops);
        d->offset_ms = std::min(offset * 1000.0, d->duration_ms);
        d->elapsed_ms = 0;
        d->playing = true;
        if (!d->listening) {
          d->listening = true;
          vm.player().tick_listeners.push_back({self, Tick});
        }
      }
    }
  }
  d->start_pending = false;
  if (ok && GiveId3(vm, self, *result.bytes)) {
    Value on_id3 = vm.GetMember(Value::Object(self), "onID3");
    if (vm.IsFunction(on_id3)) vm.CallFromPlayer(on_id3, Value::Object(self), {Value::Bool(true)});
  }
  Value handler = vm.GetMember(Value::Object(self), "onLoad");
  if (vm.IsFunction(handler)) vm.CallFromPlayer(handler, Value::Object(self), {Value::Bool(ok)});
}

// loadSound(url, streaming): an MP3 file read relative to the movie; it replaces the attached
// sound when it arrives (at the end of a tick), then onLoad(success) is called.
Value LoadSound(NativeCall& c) {
  SoundData* d = DataOf(c);
  ScriptObject* self = c.vm.ObjectOf(c.self);
  if (!d || !self || c.args.empty()) return Value::Undefined();
  d->streaming = c.vm.ToBool(c.Arg(1));
  d->load_pending = true;
  d->start_pending = false;
  c.vm.player().loads.Add(self, c.vm.ToString(c.Arg(0)), Loaded);
  return Value::Undefined();
}

Value GetBytes(NativeCall& c) {
  SoundData* d = DataOf(c);
  if (!d || !d->def) return Value::Undefined();
  return Value::Number(d->bytes >= 0 ? d->bytes : static_cast<double>(d->def->data.size()));
}

}  // namespace

void InstallSound(Realm& realm) {
  FunctionObject* sound = realm.Class("Sound", Construct);
  ScriptObject* proto = realm.NewObject();
  realm.LinkPrototype(sound, proto);
  realm.Method(proto, "getPan", GetPan);
  realm.Method(proto, "getTransform", GetTransform);
  realm.Method(proto, "getVolume", GetVolume);
  realm.Method(proto, "setPan", SetPan);
  realm.Method(proto, "setTransform", SetTransform);
  realm.Method(proto, "setVolume", SetVolume);
  realm.Method(proto, "stop", Stop);
  realm.Method(proto, "attachSound", AttachSound);
  realm.Method(proto, "start", Start);
  // Members that movies of version 6 on see.
  constexpr uint16_t kLater = kDontEnum | kHiddenBefore6;
  realm.Method(proto, "getDuration", GetDuration, 0, kLater);
  realm.Method(proto, "setDuration", Nothing, 0, kLater);
  realm.Method(proto, "getPosition", GetPosition, 0, kLater);
  realm.Method(proto, "setPosition", Nothing, 0, kLater);
  realm.Method(proto, "loadSound", LoadSound, 0, kLater);
  realm.Method(proto, "getBytesLoaded", GetBytes, 0, kLater);
  realm.Method(proto, "getBytesTotal", GetBytes, 0, kLater);
  realm.Method(proto, "checkPolicyFile", Nothing, 0, kLater);
}

}  // namespace flash
