#include "platform/flash/player/script/load_queue.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "platform/flash/player/action_runner.h"

namespace flash {

void LoadQueue::Add(ScriptObject* target, const std::string& url, Completion done) {
  pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                [target](const Request& r) { return r.target == target; }),
                 pending_.end());
  pending_.push_back({target, url, done});
}

bool LoadQueue::IsRemote(const std::string& url) {
  if (!url.empty() && (url[0] == '/' || url[0] == '\\')) return true;
  size_t colon = url.find(':');
  if (colon == std::string::npos || colon < 2) return false;  // "c:" style names stay local
  for (size_t i = 0; i < colon; ++i) {
    char ch = url[i];
    if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '+' && ch != '-' && ch != '.')
      return false;
  }
  return true;
}

LoadResult LoadQueue::Read(const std::string& url) const {
  if (IsRemote(url)) return {std::nullopt, true};
  if (url.empty() || base_folder_.empty()) return {};
  std::string name = url.substr(0, url.find_first_of("?#"));
  if (name.empty()) return {};
  std::filesystem::path path = std::filesystem::path(base_folder_) / name;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  auto size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxFileBytes) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (static_cast<size_t>(in.gcount()) != size) return {};
  return {std::move(bytes), false};
}

void LoadQueue::Run(Player& player) {
  MovieClip* root = player.LevelRoot(0);
  if (!root) {  // nothing to complete them for
    pending_.erase(pending_.begin(),
                   pending_.begin() + static_cast<long>(std::min(pending_.size(), kMaxPerTick)));
    return;
  }
  std::shared_ptr<MovieClip> base = std::static_pointer_cast<MovieClip>(root->shared_from_this());
  // Loads a handler starts complete in the same pass, within the tick's count.
  for (size_t done = 0; done < kMaxPerTick && !pending_.empty(); ++done) {
    Request r = pending_.front();
    pending_.erase(pending_.begin());
    if (player.LevelRoot(0) != root) return;  // a handler replaced the movie: its loads are gone
    ActionRunner runner(player, base);
    r.done(runner, r.target, Read(r.url));
  }
}

void LoadQueue::Trace(std::vector<ScriptObject*>& gray) const {
  for (const Request& r : pending_)
    if (r.target && !r.target->marked) gray.push_back(r.target);
}

}  // namespace flash
