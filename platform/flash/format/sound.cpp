#include "platform/flash/format/sound.h"

#include "platform/flash/format/reader.h"
#include "platform/flash/format/tag_codes.h"

namespace flash {

namespace {

SoundFormat ReadFormatBits(Reader& r) {
  SoundFormat f;
  f.codec = static_cast<uint8_t>(r.UB(4));
  f.rate_code = static_cast<uint8_t>(r.UB(2));
  f.sixteen_bit = r.UB(1) != 0;
  f.stereo = r.UB(1) != 0;
  return f;
}

SoundInfo ReadSoundInfo(Reader& r) {
  SoundInfo info;
  uint8_t flags = r.U8();
  info.stop = flags & 0x20;
  info.no_multiple = flags & 0x10;
  bool has_envelope = flags & 0x08, has_loops = flags & 0x04;
  info.has_out = flags & 0x02;
  info.has_in = flags & 0x01;
  if (info.has_in) info.in_point = r.U32();
  if (info.has_out) info.out_point = r.U32();
  if (has_loops) info.loops = r.U16();
  if (has_envelope) {
    int count = r.U8();
    info.envelope.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      SoundEnvelopePoint p;
      p.position = r.U32();
      p.left = r.U16();
      p.right = r.U16();
      info.envelope.push_back(p);
    }
  }
  return info;
}

}  // namespace

double SoundFormat::SampleRate() const {
  switch (codec) {
    case kSoundNelly16k:
    case kSoundSpeex: return 16000;
    case kSoundNelly8k: return 8000;
    default: break;
  }
  static const double rates[] = {5512.5, 11025, 22050, 44100};
  return rates[rate_code & 3];
}

std::shared_ptr<SoundDef> ParseDefineSound(const uint8_t* data, size_t size) {
  Reader r(data, size);
  auto def = std::make_shared<SoundDef>(r.U16());
  def->format = ReadFormatBits(r);
  def->sample_count = r.U32();
  if (def->format.codec == kSoundMp3) def->seek_samples = r.S16();
  def->data.assign(r.Current(), r.Current() + r.Remaining());
  return def;
}

StartSoundTag ParseStartSound(uint16_t tag_code, const uint8_t* data, size_t size) {
  Reader r(data, size);
  StartSoundTag s;
  if (tag_code == kTagStartSound2)
    s.class_name = r.CString();
  else
    s.sound_id = r.U16();
  s.info = ReadSoundInfo(r);
  return s;
}

SoundStreamHead ParseSoundStreamHead(const uint8_t* data, size_t size) {
  Reader r(data, size);
  SoundStreamHead h;
  r.UB(4);  // reserved
  h.playback.rate_code = static_cast<uint8_t>(r.UB(2));
  h.playback.sixteen_bit = r.UB(1) != 0;
  h.playback.stereo = r.UB(1) != 0;
  h.stream = ReadFormatBits(r);
  h.samples_per_block = r.U16();
  // The latency field is optional in practice: some writers leave it out.
  if (h.stream.codec == kSoundMp3 && r.Remaining() >= 2) h.latency_seek = r.S16();
  return h;
}

ButtonSounds ParseDefineButtonSound(const uint8_t* data, size_t size) {
  Reader r(data, size);
  ButtonSounds b;
  b.button_id = r.U16();
  for (StartSoundTag& t : b.transitions) {
    t.sound_id = r.U16();
    if (t.sound_id != 0) t.info = ReadSoundInfo(r);
  }
  return b;
}

std::vector<std::pair<uint16_t, std::string>> ParseSymbolClass(const uint8_t* data, size_t size) {
  Reader r(data, size);
  uint16_t count = r.U16();
  std::vector<std::pair<uint16_t, std::string>> out;
  for (uint16_t i = 0; i < count; ++i) {
    uint16_t id = r.U16();
    out.emplace_back(id, r.CString());
  }
  return out;
}

}  // namespace flash
