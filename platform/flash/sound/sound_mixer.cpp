#include "platform/flash/sound/sound_mixer.h"

#include <algorithm>

namespace flash {

namespace {

// The envelope's level (0..32768) at `pos` for one channel: linear between points, held before
// the first and after the last.
int32_t EnvelopeLevel(const std::vector<SoundEnvelopePoint>& env, uint64_t pos, bool right) {
  auto level = [right](const SoundEnvelopePoint& p) {
    return static_cast<int32_t>(right ? p.right : p.left);
  };
  if (pos <= env.front().position) return level(env.front());
  for (size_t i = 1; i < env.size(); ++i) {
    const SoundEnvelopePoint& b = env[i];
    if (pos < b.position) {
      const SoundEnvelopePoint& a = env[i - 1];
      int64_t span = static_cast<int64_t>(b.position) - a.position;
      int64_t into = static_cast<int64_t>(pos) - a.position;
      return static_cast<int32_t>(level(a) + (level(b) - level(a)) * into / span);
    }
  }
  return level(env.back());
}

int16_t Saturate(int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

}  // namespace

void SoundMixer::Push(Command c) {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.push_back(std::move(c));
}

void SoundMixer::Start(const void* owner, const void* sound, Pcm pcm, const SoundInfo& info,
                       const void* group, Levels levels) {
  Command c(Command::Kind::Start);
  c.owner = owner;
  c.group = group;
  c.levels = levels;
  c.key = sound;
  c.pcm = std::move(pcm);
  c.info = info;
  Push(std::move(c));
}

void SoundMixer::Stop(const void* sound) {
  Command c(Command::Kind::Stop);
  c.key = sound;
  Push(std::move(c));
}

void SoundMixer::StopGroup(const void* group) {
  Command c(Command::Kind::StopGroup);
  c.group = group;
  Push(std::move(c));
}

void SoundMixer::SetLevels(const void* group, Levels levels) {
  Command c(Command::Kind::SetLevels);
  c.group = group;
  c.levels = levels;
  Push(std::move(c));
}

void SoundMixer::StopOwner(const void* owner) {
  Command c(Command::Kind::StopOwner);
  c.owner = owner;
  Push(std::move(c));
}

void SoundMixer::StopAll() { Push(Command(Command::Kind::StopAll)); }

void SoundMixer::StreamFeed(const void* owner, const void* stream, std::vector<int16_t> frames) {
  Command c(Command::Kind::Feed);
  c.owner = owner;
  c.key = stream;
  c.frames = std::move(frames);
  Push(std::move(c));
}

void SoundMixer::StreamEnd(const void* stream) {
  Command c(Command::Kind::StreamEnd);
  c.key = stream;
  Push(std::move(c));
}

bool SoundMixer::Busy() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return busy_ || !commands_.empty();
}

size_t SoundMixer::VoiceCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return voice_count_;
}

void SoundMixer::Apply(Command& c) {
  switch (c.kind) {
    case Command::Kind::Start: {
      if (c.info.stop) {
        std::erase_if(voices_, [&](const Voice& v) { return v.sound == c.key; });
        return;
      }
      if (c.info.no_multiple && std::any_of(voices_.begin(), voices_.end(),
                                            [&](const Voice& v) { return v.sound == c.key; }))
        return;
      if (!c.pcm || c.pcm->size() < 2) return;
      Voice v;
      v.owner = c.owner;
      v.sound = c.key;
      v.group = c.group;
      v.levels = c.levels;
      v.pcm = c.pcm;
      size_t length = c.pcm->size() / 2;
      v.first = c.info.has_in ? std::min<size_t>(c.info.in_point, length) : 0;
      v.last = c.info.has_out && c.info.out_point > 0 ? std::min<size_t>(c.info.out_point, length)
                                                      : length;
      if (v.last <= v.first) return;
      v.at = v.first;
      v.loops_left = std::max<uint32_t>(c.info.loops, 1);
      v.envelope = std::move(c.info.envelope);
      // Points out of order are clamped so that positions never go back.
      for (size_t i = 1; i < v.envelope.size(); ++i)
        v.envelope[i].position = std::max(v.envelope[i].position, v.envelope[i - 1].position);
      for (auto& p : v.envelope) {
        p.left = std::min<uint16_t>(p.left, 32768);
        p.right = std::min<uint16_t>(p.right, 32768);
      }
      if (voices_.size() >= kMaxVoices) voices_.pop_front();  // the oldest goes
      voices_.push_back(std::move(v));
      return;
    }
    case Command::Kind::Stop:
      std::erase_if(voices_, [&](const Voice& v) { return v.sound == c.key; });
      return;
    case Command::Kind::StopGroup:
      std::erase_if(voices_, [&](const Voice& v) { return v.group == c.group; });
      return;
    case Command::Kind::SetLevels:
      for (Voice& v : voices_)
        if (v.group == c.group) v.levels = c.levels;
      return;
    case Command::Kind::StopOwner:
      std::erase_if(voices_, [&](const Voice& v) { return v.owner == c.owner; });
      std::erase_if(streams_, [&](const Stream& s) { return s.owner == c.owner; });
      return;
    case Command::Kind::StopAll: voices_.clear(); return;
    case Command::Kind::Feed: {
      auto it = std::find_if(streams_.begin(), streams_.end(),
                             [&](const Stream& s) { return s.key == c.key; });
      if (it == streams_.end()) {
        streams_.push_back(Stream{c.owner, c.key, {}});
        it = streams_.end() - 1;
      }
      it->queue.insert(it->queue.end(), c.frames.begin(), c.frames.end());
      if (it->queue.size() > kMaxStreamFrames * 2)
        it->queue.erase(it->queue.begin(),
                        it->queue.end() - static_cast<std::ptrdiff_t>(kMaxStreamFrames * 2));
      return;
    }
    case Command::Kind::StreamEnd:
      std::erase_if(streams_, [&](const Stream& s) { return s.key == c.key; });
      return;
  }
}

void SoundMixer::MixVoice(Voice& v, int32_t* acc, int frames) {
  const int16_t* pcm = v.pcm->data();
  for (int i = 0; i < frames; ++i) {
    if (v.at >= v.last) {
      if (--v.loops_left == 0) return;
      v.at = v.first;
    }
    int32_t l = pcm[2 * v.at], r = pcm[2 * v.at + 1];
    if (!v.envelope.empty()) {
      l = l * EnvelopeLevel(v.envelope, v.played, false) / 32768;
      r = r * EnvelopeLevel(v.envelope, v.played, true) / 32768;
    }
    if (!v.levels.Unity()) {
      const Levels& m = v.levels;
      int64_t ol = (static_cast<int64_t>(m.ll) * l + static_cast<int64_t>(m.lr) * r) / 32768;
      int64_t orr = (static_cast<int64_t>(m.rr) * r + static_cast<int64_t>(m.rl) * l) / 32768;
      l = static_cast<int32_t>(std::clamp<int64_t>(ol, -(1 << 20), 1 << 20));
      r = static_cast<int32_t>(std::clamp<int64_t>(orr, -(1 << 20), 1 << 20));
    }
    acc[2 * i] += l;
    acc[2 * i + 1] += r;
    ++v.at;
    ++v.played;
  }
  if (v.at >= v.last && v.loops_left == 1) v.loops_left = 0;
}

void SoundMixer::Render(int16_t* out, int frames) {
  if (frames <= 0) return;
  std::vector<Command> commands;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands.swap(commands_);
  }
  for (Command& c : commands) Apply(c);
  acc_.assign(static_cast<size_t>(frames) * 2, 0);
  for (Voice& v : voices_) MixVoice(v, acc_.data(), frames);
  std::erase_if(voices_, [](const Voice& v) { return v.loops_left == 0; });
  for (Stream& s : streams_) {
    size_t n = std::min(s.queue.size() / 2, static_cast<size_t>(frames));
    for (size_t i = 0; i < n * 2; ++i) acc_[i] += s.queue[i];
    s.queue.erase(s.queue.begin(), s.queue.begin() + static_cast<std::ptrdiff_t>(n * 2));
  }
  for (size_t i = 0; i < acc_.size(); ++i) out[i] = Saturate(out[i] + acc_[i]);
  bool busy = !voices_.empty() || std::any_of(streams_.begin(), streams_.end(),
                                              [](const Stream& s) { return !s.queue.empty(); });
  std::lock_guard<std::mutex> lock(mutex_);
  busy_ = busy;
  voice_count_ = voices_.size();
}

}  // namespace flash
