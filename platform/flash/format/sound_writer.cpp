#include "platform/flash/format/sound_writer.h"

#include "platform/flash/format/writer.h"

namespace flash {

namespace {

void WriteFormatBits(BitWriter& w, const SoundFormat& f) {
  w.UB(f.codec, 4);
  w.UB(f.rate_code, 2);
  w.UB(f.sixteen_bit ? 1 : 0, 1);
  w.UB(f.stereo ? 1 : 0, 1);
}

void WriteSoundInfo(BitWriter& w, const SoundInfo& info) {
  bool has_loops = info.loops != 1;
  uint8_t flags = 0;
  if (info.stop) flags |= 0x20;
  if (info.no_multiple) flags |= 0x10;
  if (!info.envelope.empty()) flags |= 0x08;
  if (has_loops) flags |= 0x04;
  if (info.has_out) flags |= 0x02;
  if (info.has_in) flags |= 0x01;
  w.U8(flags);
  if (info.has_in) w.U32(info.in_point);
  if (info.has_out) w.U32(info.out_point);
  if (has_loops) w.U16(info.loops);
  if (!info.envelope.empty()) {
    w.U8(static_cast<uint8_t>(info.envelope.size()));
    for (const SoundEnvelopePoint& p : info.envelope) {
      w.U32(p.position);
      w.U16(p.left);
      w.U16(p.right);
    }
  }
}

}  // namespace

std::vector<uint8_t> EncodeDefineSound(uint16_t id, const SoundFormat& format,
                                       uint32_t sample_count, const std::vector<uint8_t>& data,
                                       int16_t seek_samples) {
  BitWriter w;
  w.U16(id);
  WriteFormatBits(w, format);
  w.U32(sample_count);
  if (format.codec == kSoundMp3) w.U16(static_cast<uint16_t>(seek_samples));
  w.Bytes(data);
  return w.Data();
}

std::vector<uint8_t> EncodeStartSound(uint16_t sound_id, const SoundInfo& info) {
  BitWriter w;
  w.U16(sound_id);
  WriteSoundInfo(w, info);
  return w.Data();
}

std::vector<uint8_t> EncodeStartSound2(const std::string& class_name, const SoundInfo& info) {
  BitWriter w;
  w.String(class_name);
  WriteSoundInfo(w, info);
  return w.Data();
}

std::vector<uint8_t> EncodeSoundStreamHead(const SoundStreamHead& head) {
  BitWriter w;
  w.UB(0, 4);
  w.UB(head.playback.rate_code, 2);
  w.UB(head.playback.sixteen_bit ? 1 : 0, 1);
  w.UB(head.playback.stereo ? 1 : 0, 1);
  WriteFormatBits(w, head.stream);
  w.U16(head.samples_per_block);
  if (head.stream.codec == kSoundMp3) w.U16(static_cast<uint16_t>(head.latency_seek));
  return w.Data();
}

std::vector<uint8_t> EncodeSoundStreamBlock(const SoundFormat& format,
                                            const std::vector<uint8_t>& data, uint16_t sample_count,
                                            int16_t seek_samples) {
  BitWriter w;
  if (format.codec == kSoundMp3) {
    w.U16(sample_count);
    w.U16(static_cast<uint16_t>(seek_samples));
  }
  w.Bytes(data);
  return w.Data();
}

std::vector<uint8_t> EncodeDefineButtonSound(const ButtonSounds& sounds) {
  BitWriter w;
  w.U16(sounds.button_id);
  for (const StartSoundTag& t : sounds.transitions) {
    w.U16(t.sound_id);
    if (t.sound_id != 0) WriteSoundInfo(w, t.info);
  }
  return w.Data();
}

std::vector<uint8_t> EncodeSymbolClass(
    const std::vector<std::pair<uint16_t, std::string>>& symbols) {
  BitWriter w;
  w.U16(static_cast<uint16_t>(symbols.size()));
  for (const auto& [id, name] : symbols) {
    w.U16(id);
    w.String(name);
  }
  return w.Data();
}

}  // namespace flash
