#include "platform/flash/sound/movie_sound.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include "platform/flash/format/button.h"
#include "platform/flash/player/player.h"
#include "platform/sound/playback_mix.h"

namespace flash {

// The mixer's registration with the playback mix. The mix thread drops it once nothing sounds
// and no command waits; the player's thread registers again when it gives the mixer something.
struct MovieSound::Link {
  std::mutex mutex;
  int id = 0;  // the registration in use, 0 when detached
};

namespace {

const Timeline& TimelineOf(const MovieClip& clip) { return *clip.timeline; }

}  // namespace

MovieSound::MovieSound() : link_(std::make_shared<Link>()) {}

MovieSound::~MovieSound() {
  int id = 0;
  {
    std::lock_guard<std::mutex> lock(link_->mutex);
    id = link_->id;
    link_->id = 0;
  }
  if (id) sound::MixRemoveProducer(id);  // waits for a pull of the mixer in progress
}

void MovieSound::UpdateAttachment() {
  if (!auto_attach_ || !mixer_.Busy()) return;
  {
    std::lock_guard<std::mutex> lock(link_->mutex);
    if (link_->id) return;
  }
  auto slot = std::make_shared<std::atomic<int>>(0);
  SoundMixer* mixer = &mixer_;
  std::shared_ptr<Link> link = link_;
  int id = sound::MixAddProducer([mixer, link, slot](int16_t* out, int frames) {
    mixer->Render(out, frames);
    int mine = slot->load();
    std::unique_lock<std::mutex> lock(link->mutex);
    if (mine == 0 || link->id != mine || mixer->Busy()) return;
    link->id = 0;
    lock.unlock();
    sound::MixRemoveProducer(mine);  // from inside the pull: does not wait
  });
  slot->store(id);
  std::lock_guard<std::mutex> lock(link_->mutex);
  link_->id = id;
}

SoundMixer::Pcm MovieSound::Decoded(const SoundDef& def) {
  auto it = decoded_.find(&def);
  if (it != decoded_.end()) return it->second;
  SoundMixer::Pcm pcm = DecodeEventSound(def);
  decoded_[&def] = pcm;
  return pcm;
}

void MovieSound::StartSounds(MovieClip& clip, const Frame& frame) {
  for (const StartSoundTag& s : frame.sounds) {
    uint16_t id = s.sound_id;
    if (!s.class_name.empty()) {
      auto c = clip.movie->class_ids.find(s.class_name);
      if (c == clip.movie->class_ids.end()) continue;
      id = c->second;
    }
    const CharacterDef* def = clip.movie->Find(id);
    if (!def || def->kind != CharacterDef::Kind::Sound) continue;
    const auto& sound = static_cast<const SoundDef&>(*def);
    if (s.info.stop) {
      mixer_.Stop(&sound);
      continue;
    }
    StartVoice(clip, sound, Decoded(sound), s.info);
  }
}

SoundMixer::Levels MovieSound::LevelsOf(const MovieClip& clip) {
  // Products of the 2x2 channel matrices, child first, in doubles (transforms are percent).
  double ll = 1, lr = 0, rr = 1, rl = 0;
  for (const DisplayObject* at = &clip; at; at = at->parent) {
    if (at->type != DisplayObject::Type::MovieClip) continue;
    const SoundTransform& t = static_cast<const MovieClip*>(at)->sound_transform;
    double v = t.volume / 100.0;
    double pll = t.ll / 100.0 * v, plr = t.lr / 100.0 * v, prr = t.rr / 100.0 * v,
           prl = t.rl / 100.0 * v;
    double nll = pll * ll + plr * rl, nlr = pll * lr + plr * rr;
    double nrl = prl * ll + prr * rl, nrr = prl * lr + prr * rr;
    ll = nll, lr = nlr, rl = nrl, rr = nrr;
  }
  // At most a hundred times the input, so that the mix's sums stay in range.
  auto fix = [](double x) {
    return static_cast<int32_t>(std::clamp(std::round(x * 32768.0), -3276800.0, 3276800.0));
  };
  return SoundMixer::Levels{fix(ll), fix(lr), fix(rr), fix(rl)};
}

void MovieSound::StartVoice(MovieClip& clip, const SoundDef& def, SoundMixer::Pcm pcm,
                            const SoundInfo& info) {
  SoundMixer::Levels levels = LevelsOf(clip);
  if (groups_.size() > 256)
    std::erase_if(groups_, [](const auto& g) {
      auto c = g.second.clip.lock();
      return !c || c->removed;
    });
  auto it = groups_.find(&clip);
  if (it == groups_.end() || it->second.clip.expired()) {
    groups_[&clip] = Group{std::static_pointer_cast<MovieClip>(clip.shared_from_this()), levels};
  } else {
    it->second.levels = levels;
  }
  mixer_.Start(clip.Root(), &def, std::move(pcm), info, &clip, levels);
}

SoundMixer::Pcm MovieSound::Decoded(const std::shared_ptr<const SoundDef>& def) {
  for (auto it = loose_.begin(); it != loose_.end();)
    it = it->second.first.expired() ? loose_.erase(it) : std::next(it);
  auto it = loose_.find(def.get());
  if (it != loose_.end()) return it->second.second;
  // A sound of a movie's dictionary shares the movie's cache.
  if (decoded_.count(def.get())) return decoded_[def.get()];
  SoundMixer::Pcm pcm = DecodeEventSound(*def);
  loose_[def.get()] = {def, pcm};
  return pcm;
}

void MovieSound::StartScriptSound(MovieClip& clip, std::shared_ptr<const SoundDef> def,
                                  double offset_seconds, int loops) {
  if (!def) return;
  SoundMixer::Pcm pcm = Decoded(def);
  SoundInfo info;
  info.loops = static_cast<uint16_t>(std::clamp(loops, 1, 65535));
  if (offset_seconds > 0 && std::isfinite(offset_seconds)) {
    info.has_in = true;
    info.in_point = static_cast<uint32_t>(std::min(offset_seconds * 44100.0, 4.0e9));
  }
  StartVoice(clip, *def, std::move(pcm), info);
  UpdateAttachment();
}

void MovieSound::StopScriptSounds(MovieClip& clip, const SoundDef* def) {
  if (def) {
    mixer_.Stop(def);
  } else if (clip.parent == nullptr) {
    mixer_.StopOwner(&clip);  // a level's root: every sound of the level
    mixer_.StopGroup(&clip);
  } else {
    for (auto& [key, group] : groups_) {
      auto c = group.clip.lock();
      if (!c) continue;
      for (const DisplayObject* at = c.get(); at; at = at->parent)
        if (at == &clip) {
          mixer_.StopGroup(key);
          break;
        }
    }
  }
  UpdateAttachment();
}

void MovieSound::OnButtonState(MovieClip& button, uint8_t from, uint8_t to) {
  if (!button.movie || !button.character) return;
  auto it = button.movie->button_sounds.find(button.character->id);
  if (it == button.movie->button_sounds.end()) return;
  // Only the four changes of the tag sound; others (a release outside) are silent.
  int index = -1;
  if (from == kButtonOver && to == kButtonUp) index = 0;
  if (from == kButtonUp && to == kButtonOver) index = 1;
  if (from == kButtonOver && to == kButtonDown) index = 2;
  if (from == kButtonDown && to == kButtonOver) index = 3;
  if (index < 0) return;
  const StartSoundTag& s = it->second.transitions[index];
  if (s.sound_id == 0) return;
  const CharacterDef* def = button.movie->Find(s.sound_id);
  if (!def || def->kind != CharacterDef::Kind::Sound) return;
  const auto& sound = static_cast<const SoundDef&>(*def);
  if (s.info.stop) {
    mixer_.Stop(&sound);
  } else {
    // A button's sounds follow the transforms of the clip holding it.
    MovieClip* holder = button.parent ? button.parent : &button;
    StartVoice(*holder, sound, Decoded(sound), s.info);
  }
  UpdateAttachment();
}

void MovieSound::TransformChanged() {
  for (auto it = groups_.begin(); it != groups_.end();) {
    auto clip = it->second.clip.lock();
    if (!clip || clip->removed) {
      it = groups_.erase(it);
      continue;
    }
    SoundMixer::Levels levels = LevelsOf(*clip);
    if (!(levels == it->second.levels)) {
      it->second.levels = levels;
      mixer_.SetLevels(it->first, levels);
    }
    ++it;
  }
  UpdateAttachment();
}

double MovieSound::DurationMs(const std::shared_ptr<const SoundDef>& def) {
  if (!def) return 0;
  SoundMixer::Pcm pcm = Decoded(def);
  return pcm ? static_cast<double>(pcm->size() / 2) * 1000.0 / 44100.0 : 0;
}

void MovieSound::EndStream(MovieClip* clip) {
  auto it = streams_.find(clip);
  if (it == streams_.end()) return;
  mixer_.StreamEnd(clip);
  streams_.erase(it);
}

void MovieSound::OnFrame(MovieClip& clip, int frame, bool by_goto, bool in_tick) {
  if (frame < 0 || frame >= clip.TotalFrames()) return;
  const Timeline& timeline = TimelineOf(clip);
  const Frame& f = timeline.frames[static_cast<size_t>(frame)];
  if (!f.sounds.empty()) {
    if (in_tick)
      StartSounds(clip, f);
    else
      deferred_.push_back({std::static_pointer_cast<MovieClip>(clip.shared_from_this()), frame});
  }
  if (by_goto) EndStream(&clip);
  // A stream is fed only by a timeline that plays through its frames during ticks.
  if (!in_tick || !clip.playing || !timeline.stream_head || !f.stream_block) {
    UpdateAttachment();
    return;
  }
  auto it = streams_.find(&clip);
  if (it == streams_.end()) {
    StreamState st{std::static_pointer_cast<MovieClip>(clip.shared_from_this()),
                   std::make_unique<SoundDecoder>(timeline.stream_head->stream)};
    it = streams_.emplace(&clip, std::move(st)).first;
  }
  const std::vector<uint8_t>& block = *f.stream_block;
  size_t skip = timeline.stream_head->stream.codec == kSoundMp3 ? 4 : 0;  // sample count, seek
  std::vector<int16_t> frames;
  if (block.size() > skip)
    it->second.decoder->Decode(block.data() + skip, block.size() - skip, frames,
                               SoundMixer::kMaxStreamFrames);
  mixer_.StreamFeed(clip.Root(), &clip, std::move(frames));
  UpdateAttachment();
}

void MovieSound::OnTickBegin() {
  std::vector<Deferred> due;
  due.swap(deferred_);
  for (const Deferred& d : due) {
    auto clip = d.clip.lock();
    if (!clip || clip->removed || clip->current_frame != d.frame) continue;
    StartSounds(*clip, clip->timeline->frames[static_cast<size_t>(d.frame)]);
  }
  UpdateAttachment();
}

void MovieSound::OnTickEnd() {
  // Streams of timelines that stopped or left the stage end, their decoders with them.
  for (auto it = streams_.begin(); it != streams_.end();) {
    auto clip = it->second.clip.lock();
    if (!clip || clip->removed || !clip->playing) {
      mixer_.StreamEnd(it->first);
      it = streams_.erase(it);
    } else {
      ++it;
    }
  }
  UpdateAttachment();
}

void MovieSound::OnUnload(MovieClip& root) {
  mixer_.StopOwner(&root);
  for (auto it = streams_.begin(); it != streams_.end();) {
    auto clip = it->second.clip.lock();
    if (!clip || clip->removed || clip->Root() == &root)
      it = streams_.erase(it);
    else
      ++it;
  }
  if (root.movie)
    for (const auto& [id, def] : root.movie->dictionary)
      if (def->kind == CharacterDef::Kind::Sound)
        decoded_.erase(static_cast<const SoundDef*>(def.get()));
  UpdateAttachment();
}

void MovieSound::StopAll() {
  mixer_.StopAll();
  UpdateAttachment();
}

}  // namespace flash
