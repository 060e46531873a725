// MovieClipLoader, and the loads into clips and levels that loadMovie and loadVariables share
// with it.
#include <cmath>

#include "platform/flash/format/errors.h"
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/clip_loader.h"
#include "platform/flash/player/script/data_load.h"
#include "platform/flash/player/script/lib/url_vars.h"

namespace flash {

namespace {

// A load on its way: what it loads into and who hears of it. It lives on the heap so the
// collector keeps the loader while the file is pending.
class ClipLoadRequest : public ScriptObject {
 public:
  ClipLoadRequest() : ScriptObject(Kind::Other) { class_name = "Object"; }
  Value target;  // the clip (when no level)
  int level = -1;
  ClipLoadKind kind = ClipLoadKind::kMovie;
  Value loader;
  std::string query;  // the URL's variables, after its '?'
  std::string url;    // as the script gave it
  void Trace(std::vector<ScriptObject*>& gray) const override {
    ScriptObject::Trace(gray);
    TraceValue(target, gray);
    TraceValue(loader, gray);
  }
};

// Tells the loader's listeners of an event.
void Tell(ActionRunner& vm, const Value& loader, const char* event, std::vector<Value> args) {
  if (loader.IsUndefined()) return;
  Value broadcast = vm.GetMember(loader, "broadcastMessage");
  if (!vm.IsFunction(broadcast)) return;
  args.insert(args.begin(), Value::String(event));
  vm.CallFromPlayer(broadcast, loader, std::move(args));
}

bool IsMovie(const std::string& bytes) {
  return bytes.size() >= 8 && (bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z') &&
         bytes[1] == 'W' && bytes[2] == 'S';
}

void CompleteVariables(ActionRunner& vm, ClipLoadRequest& req, const LoadResult& result) {
  Player& player = vm.player();
  MovieClip* clip = req.level >= 0 ? player.LevelRoot(req.level) : vm.ClipOf(req.target);
  if (!clip || !result.bytes) return;
  Value self = vm.ClipValue(clip);
  std::string text = LoadedText(vm, *result.bytes);
  for (const auto& [name, value] : scriptlib::DecodeUrlVariables(text, vm.version()))
    vm.SetMember(self, name, Value::String(value));
  player.QueueClipEvent(clip, kEventData);
}

// The _url of a movie loaded from `url`: a network address as it is, a file by its place below
// the folder of the movie in level 0 (the movie never learns where that folder lies).
std::string MovieUrl(const std::string& url) {
  return LoadQueue::IsRemote(url) ? url : "file:///" + url;
}

void CompleteMovie(ActionRunner& vm, ClipLoadRequest& req, const LoadResult& result) {
  Player& player = vm.player();
  MovieClip* clip = req.level >= 0 ? player.LevelRoot(req.level) : vm.ClipOf(req.target);
  Value where = req.level >= 0 ? (clip ? vm.ClipValue(clip) : Value::Undefined()) : req.target;
  if (req.kind == ClipLoadKind::kUnload) {
    if (clip && clip->parent) player.ReplaceClipContent(clip, nullptr);
    return;
  }
  if (!result.bytes || (req.level < 0 && (!clip || !clip->parent))) {
    if (clip && clip->parent) clip->failed_load_url = MovieUrl(req.url);
    Tell(vm, req.loader, "onLoadError", {where, Value::String("URLNotFound"), Value::Number(0)});
    return;
  }
  // A picture loads as a movie showing it; any other file that is no movie loads as empty
  // content and counts no bytes.
  std::shared_ptr<const MovieDef> movie;
  const std::vector<uint8_t> file(result.bytes->begin(), result.bytes->end());
  if (IsMovie(*result.bytes)) {
    try {
      auto parsed = ParseMovie(file);
      parsed->url = MovieUrl(req.url);
      movie = parsed;
    } catch (const FormatError&) {
      movie = nullptr;
    }
  } else if (auto picture = ImageMovie(file, vm.version())) {
    picture->url = MovieUrl(req.url);
    movie = picture;
  }
  double bytes = movie ? static_cast<double>(result.bytes->size()) : 0;
  MovieClip* loaded = nullptr;
  if (req.level >= 0) {
    if (movie) {
      player.LoadMovie(req.level, movie);
      loaded = player.LevelRoot(req.level);
    } else {
      player.Unload(req.level);
    }
  } else {
    loaded = player.ReplaceClipContent(clip, movie);
    // A file that is neither a movie nor a picture leaves the clip as a failed load does.
    if (loaded && !movie) loaded->failed_load_url = MovieUrl(req.url);
  }
  Value target = loaded ? vm.ClipValue(loaded) : where;
  Tell(vm, req.loader, "onLoadStart", {target});
  Tell(vm, req.loader, "onLoadProgress", {target, Value::Number(bytes), Value::Number(bytes)});
  Tell(vm, req.loader, "onLoadComplete", {target, Value::Number(0)});
  if (!loaded) return;
  // The variables of the movie's URL become variables of its root before its first frame.
  if (!req.query.empty()) {
    Value root = vm.ClipValue(loaded);
    for (const auto& [name, value] : scriptlib::DecodeUrlVariables(req.query, vm.version()))
      vm.SetMember(root, name, Value::String(value));
  }
  player.StartLoadedContent(loaded);
  if (!req.loader.IsUndefined())
    player.AfterLoadedScripts(loaded, [loader = req.loader, target](ActionRunner& runner) {
      Tell(runner, loader, "onLoadInit", {target});
    });
}

void Complete(ActionRunner& vm, ScriptObject* target, const LoadResult& result) {
  auto& req = static_cast<ClipLoadRequest&>(*target);
  if (req.kind == ClipLoadKind::kVariables)
    CompleteVariables(vm, req, result);
  else
    CompleteMovie(vm, req, result);
}

// The clip or level a loader method names: a clip, a target path, or a level number. False when
// the value names none of them; `clip` may still be null for a path or level that is not there.
bool LoaderTarget(NativeCall& c, const Value& v, MovieClip*& clip, int& level) {
  clip = nullptr;
  level = -1;
  switch (v.type) {
    case Value::Type::Clip: clip = c.vm.ClipOf(v); return clip != nullptr;
    case Value::Type::Object:
      if (v.object->kind != ScriptObject::Kind::Clip) return false;
      clip = c.vm.ClipOf(v);
      return clip != nullptr;
    case Value::Type::Number: {
      if (std::isnan(v.number) || v.number < 0 || v.number >= 2147483647.0) return false;
      level = static_cast<int>(v.number);
      clip = c.vm.player().LevelRoot(level);
      return true;
    }
    case Value::Type::String: clip = c.vm.ResolvePath(v.string, c.vm.Target()); return true;
    default: return false;
  }
}

Value LoadClip(NativeCall& c) {
  if (c.Count() < 2) return Value::Undefined();
  if (c.Arg(0).type != Value::Type::String) return Value::Bool(false);
  MovieClip* clip = nullptr;
  int level = -1;
  if (!LoaderTarget(c, c.Arg(1), clip, level)) return Value::Bool(false);
  if (level < 0 && !clip) return Value::Bool(false);
  if (level == 0) return Value::Bool(false);  // the movie that asks cannot replace itself here
  StartClipLoad(c.vm, clip && level < 0 ? c.vm.ClipValue(clip) : Value::Undefined(), level,
                c.Arg(0).string, ClipLoadKind::kMovie, c.self);
  return Value::Bool(true);
}

Value UnloadClip(NativeCall& c) {
  if (c.Count() < 1) return Value::Undefined();
  MovieClip* clip = nullptr;
  int level = -1;
  if (!LoaderTarget(c, c.Arg(0), clip, level) || !clip) return Value::Bool(false);
  UnloadClipContent(c.vm, clip);
  return Value::Bool(true);
}

Value GetProgress(NativeCall& c) {
  if (c.Count() < 1) return Value::Undefined();
  MovieClip* clip = nullptr;
  int level = -1;
  if (!LoaderTarget(c, c.Arg(0), clip, level)) return Value::Undefined();
  ScriptObject* o = c.vm.realm().NewObject();
  Value bytes = Value::Undefined();
  // The loader counts the bytes of the file as it came, compressed or not.
  if (clip)
    bytes = Value::Number(clip->movie ? static_cast<double>(clip->movie->header.stored_length) : 0);
  c.vm.realm().Set(o, "bytesLoaded", bytes, 0);
  c.vm.realm().Set(o, "bytesTotal", bytes, 0);
  return Value::Object(o);
}

// A new loader hears its own events first.
Value Construct(NativeCall& c) {
  if (ScriptObject* self = c.This())
    c.vm.realm().Set(self, "_listeners", Value::Object(c.vm.realm().NewArray({c.self})));
  return Value::Undefined();
}

}  // namespace

void StartClipLoad(ActionRunner& vm, const Value& target, int level, const std::string& url,
                   ClipLoadKind kind, const Value& loader) {
  auto* req = vm.heap().New<ClipLoadRequest>();
  req->target = target;
  req->level = level;
  req->kind = kind;
  req->loader = loader;
  req->url = url;
  if (kind == ClipLoadKind::kMovie) {
    const size_t q = url.find('?');
    if (q != std::string::npos) req->query = url.substr(q + 1, url.find('#', q) - q - 1);
  }
  vm.player().loads.Add(req, url, Complete);
}

void UnloadClipContent(ActionRunner& vm, MovieClip* clip) {
  if (!clip) return;
  if (!clip->parent) vm.player().QueueLevelLoad(clip->level, std::string());
  else StartClipLoad(vm, vm.ClipValue(clip), -1, std::string(), ClipLoadKind::kUnload);
}

void InstallMovieClipLoader(Realm& realm) {
  ScriptObject* proto = realm.NewObject();
  realm.Class("MovieClipLoader", Construct, Construct, proto);
  realm.Method(proto, "loadClip", LoadClip);
  realm.Method(proto, "unloadClip", UnloadClip);
  realm.Method(proto, "getProgress", GetProgress);
  // The listener methods are AsBroadcaster's.
  const Property* b = realm.global->Find(realm.heap.Key("AsBroadcaster"));
  ScriptObject* broadcaster = b && b->value.IsObject() ? b->value.object : nullptr;
  for (const char* name : {"addListener", "removeListener", "broadcastMessage"}) {
    const Property* m = broadcaster ? broadcaster->Find(realm.heap.Key(name)) : nullptr;
    if (m) realm.Set(proto, name, m->value);
  }
}

}  // namespace flash
