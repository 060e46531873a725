// Loads that scripts start (XML.load, LoadVars.load and the like). A request names a file and the
// script object waiting for it; the player completes every waiting request at the end of a tick,
// after that tick's scripts ran, so a script never sees its own load finish before it returns.
// Requests made while completions run complete in the same pass (a chain of loads started from
// load handlers finishes in one tick), within the tick's count.
//
// Files resolve against the folder of the movie in level 0; a movie loaded from memory has no
// folder, and then nothing can be read. Network addresses ("http:",
// "https:", any other scheme) and absolute paths are never read: they complete as failed, the
// way an unreachable host does. No network access is ever made.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace flash {

class ActionRunner;
class Player;
class ScriptObject;

struct LoadResult {
  std::optional<std::string> bytes;  // the file's bytes; nullopt when it could not be read
  bool remote = false;               // a network address: no server could be reached
};

class LoadQueue {
 public:
  // Runs on completion, with the interpreter of the tick and the object that waited.
  using Completion = void (*)(ActionRunner& vm, ScriptObject* target, const LoadResult& result);

  // Files larger than this fail like missing ones.
  static constexpr size_t kMaxFileBytes = 64u << 20;
  // Requests completed in one tick at most, oldest first; the rest wait for the next ticks, so a
  // movie asking for thousands of files cannot stall one tick.
  static constexpr size_t kMaxPerTick = 16;

  // The folder relative addresses resolve against (empty: none, every load fails).
  void SetBaseFolder(std::string folder) { base_folder_ = std::move(folder); }
  // Queues a load of `url` for `target`; a request still waiting for the same target is dropped
  // (a second load replaces the first).
  void Add(ScriptObject* target, const std::string& url, Completion done);
  bool Empty() const { return pending_.empty(); }
  // Drops every waiting request (the movie that made them was unloaded).
  void Clear() { pending_.clear(); }
  // Completes waiting requests, oldest first, those the completions add included, up to
  // kMaxPerTick of them.
  void Run(Player& player);
  // The objects waiting, for the collector.
  void Trace(std::vector<ScriptObject*>& gray) const;

  // Reads `url` the way a request does (exposed for tests and for other loaders).
  LoadResult Read(const std::string& url) const;
  // True for addresses that name another host or an absolute place: "scheme:..." (two or more
  // letters before the colon) or a leading "/".
  static bool IsRemote(const std::string& url);

 private:
  struct Request {
    ScriptObject* target;
    std::string url;
    Completion done;
  };
  std::string base_folder_;
  std::vector<Request> pending_;
};

}  // namespace flash
