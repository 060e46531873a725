// The sound of the movies a player plays: starts and stops event sounds as frames ask, feeds each
// timeline's stream sound while it plays, and keeps the mixer attached to the process's playback
// mix while anything sounds.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/flash/format/movie.h"
#include "platform/flash/player/sound_hooks.h"
#include "platform/flash/sound/sound_decoder.h"
#include "platform/flash/sound/sound_mixer.h"

namespace flash {

class MovieSound : public SoundHooks {
 public:
  MovieSound();
  ~MovieSound() override;

  SoundMixer& Mixer() { return mixer_; }
  // Off: the mixer is never attached to the playback mix (tests pull it themselves).
  void SetAutoAttach(bool on) { auto_attach_ = on; }

  void OnFrame(MovieClip& clip, int frame, bool by_goto, bool in_tick) override;
  void OnTickBegin() override;
  void OnTickEnd() override;
  void OnUnload(MovieClip& root) override;
  void StopAll() override;
  void StartScriptSound(MovieClip& clip, std::shared_ptr<const SoundDef> def, double offset_seconds,
                        int loops) override;
  void StopScriptSounds(MovieClip& clip, const SoundDef* def) override;
  void TransformChanged() override;
  void OnButtonState(MovieClip& button, uint8_t from, uint8_t to) override;
  double DurationMs(const std::shared_ptr<const SoundDef>& def) override;

  // The levels a clip's voices play at: its transform and its parents', combined.
  static SoundMixer::Levels LevelsOf(const MovieClip& clip);

 private:
  struct Deferred {
    std::weak_ptr<MovieClip> clip;
    int frame;
  };
  struct StreamState {
    std::weak_ptr<MovieClip> clip;
    std::unique_ptr<SoundDecoder> decoder;
  };
  void StartSounds(MovieClip& clip, const Frame& frame);
  void EndStream(MovieClip* clip);
  void UpdateAttachment();
  SoundMixer::Pcm Decoded(const SoundDef& def);
  SoundMixer::Pcm Decoded(const std::shared_ptr<const SoundDef>& def);
  // Starts a voice that belongs to `clip` (its levels follow the clip's transforms).
  void StartVoice(MovieClip& clip, const SoundDef& def, SoundMixer::Pcm pcm, const SoundInfo& info);

  SoundMixer mixer_;
  std::map<const SoundDef*, SoundMixer::Pcm> decoded_;
  std::vector<Deferred> deferred_;
  std::map<MovieClip*, StreamState> streams_;
  // Sounds that belong to no movie (loaded by scripts), decoded while they live.
  std::map<const SoundDef*, std::pair<std::weak_ptr<const SoundDef>, SoundMixer::Pcm>> loose_;
  // Clips that have started voices, and the levels their voices were last given.
  struct Group {
    std::weak_ptr<MovieClip> clip;
    SoundMixer::Levels levels;
  };
  std::map<const MovieClip*, Group> groups_;
  bool auto_attach_ = true;
  struct Link;
  std::shared_ptr<Link> link_;
};

}  // namespace flash
