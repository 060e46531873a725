// Bodies of the sound tags, for tools and tests that make movies with sound (written with
// TimelineWriter::Tag).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/flash/format/sound.h"

namespace flash {

// DefineSound; `seek_samples` is written only for MP3.
std::vector<uint8_t> EncodeDefineSound(uint16_t id, const SoundFormat& format,
                                       uint32_t sample_count, const std::vector<uint8_t>& data,
                                       int16_t seek_samples = 0);
std::vector<uint8_t> EncodeStartSound(uint16_t sound_id, const SoundInfo& info);
std::vector<uint8_t> EncodeStartSound2(const std::string& class_name, const SoundInfo& info);
// SoundStreamHead2's body (also valid as SoundStreamHead for the older codecs).
std::vector<uint8_t> EncodeSoundStreamHead(const SoundStreamHead& head);
// A stream block: MP3 blocks begin with their sample count and seek samples.
std::vector<uint8_t> EncodeSoundStreamBlock(const SoundFormat& format,
                                            const std::vector<uint8_t>& data,
                                            uint16_t sample_count = 0, int16_t seek_samples = 0);
std::vector<uint8_t> EncodeDefineButtonSound(const ButtonSounds& sounds);
std::vector<uint8_t> EncodeSymbolClass(
    const std::vector<std::pair<uint16_t, std::string>>& symbols);

}  // namespace flash
