// Loads into clips and levels: loadMovie, loadVariables and MovieClipLoader.loadClip. A load
// reads its file when the tick's loads complete (see load_queue.h for how addresses resolve).
#pragma once

#include <string>

#include "platform/flash/player/value.h"

namespace flash {

class ActionRunner;
class MovieClip;

enum class ClipLoadKind {
  kMovie,      // the file replaces the clip's content (or the level's movie)
  kVariables,  // the file's URL-encoded variables are set on the clip, which then gets onData
  kUnload,     // the clip's content goes (no file is read)
};

// Queues a load of `url` into the clip `target`, or into level `level` when that is >= 0.
// `loader` (a MovieClipLoader, or undefined) hears onLoadStart, onLoadProgress and
// onLoadComplete when the file arrives, onLoadInit once the new content's first frame ran, or
// onLoadError when the file cannot be read.
void StartClipLoad(ActionRunner& vm, const Value& target, int level, const std::string& url,
                   ClipLoadKind kind, const Value& loader = Value::Undefined());

// Unloads what `clip` shows, leaving it in place and empty, with the loads of the tick (a level's
// root at the start of the next tick): until then its content and what it reports stay.
void UnloadClipContent(ActionRunner& vm, MovieClip* clip);

}  // namespace flash
