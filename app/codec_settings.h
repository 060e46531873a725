// Codec and sound settings of a job: choosing the AVI or MPEG codec through the encoding
// library's codec dialog and naming it, checking that an imported sound file can be used, and
// the recording-format text of a job.
#pragma once

#include <cstdint>
#include <string>

#include "app/job_record.h"

namespace lumicast {

// The AVI codec values the settings dialog works on while it is open.
struct TAviCodecValues {
  std::string Description;
  uint32_t FourCC = 0;
  int32_t KeyFrameRate = 0;
  int32_t BitRate = 0;
  int32_t MinBitRate = 0;
  int32_t MaxBitRate = 0;
  double Quality = 0;
};

// The MPEG codec values the settings dialog works on while it is open.
struct TMpegCodecValues {
  int32_t CodecID = 0;
  int32_t BitRate = 0;
  int32_t MinBitRate = 0;
  int32_t MaxBitRate = 0;
};

TAviCodecValues AviCodecValuesOf(const TCovSettings& Job);
TMpegCodecValues MpegCodecValuesOf(const TCovSettings& Job);
void StoreAviCodecValues(const TAviCodecValues& Values, TCovSettings& Job);
void StoreMpegCodecValues(const TMpegCodecValues& Values, TCovSettings& Job);

// The description of the codec with FourCC among the codecs the encoding library offers for
// the file format, size and depth; "" when none has it. Pending messages run between entries.
std::string GetCodecName(int32_t FileFormat, int32_t Width, int32_t Height, uint32_t FourCC,
                         int32_t Bits);

// Shows the library's AVI codec dialog for a Width x Height picture, starting at Values'
// codec. Only when the user confirms it are Values replaced by the choice (the description
// named by GetCodecName); true then.
bool ChooseAviCodec(TAviCodecValues& Values, int32_t Width, int32_t Height);
// The same for MPEG; a confirmed choice also gives the aspect list index (aspect code - 1).
bool ChooseMpegCodec(TMpegCodecValues& Values, int32_t Width, int32_t Height, int32_t& AspectIndex);

// What a sound file offers for import.
enum class TAudioFileCheck { afUsable, afNoAudio, afUnsupported };
TAudioFileCheck CheckAudioFile(const std::string& FileName);
extern const char* const kNoAudioStreamText;     // "No audio stream exists in this file!"
extern const char* const kUnsupportedAudioText;  // "Unsupported audio format!"

// Sets the WAVE and MP3 indices of Job that lie outside their lists (negative or too large)
// to the recording defaults: stereo, 16 bits, 11025 Hz; stereo, 128 kb/s.
void ResetAudioFormatIndices(TCovSettings& Job);
// "STEREO-16bits-44100Hz" for Format 0 (WAVE), "STEREO-128kb/s" for 1 (MP3), "" otherwise;
// resets Job's indices first.
std::string GetAudioFormatText(int Format, TCovSettings& Job);

// Names holding CR or LF cannot be stored in the job list.
bool HasLineBreak(const std::string& Name);
extern const char* const kLineBreakNameText;  // "File names with line breaks are not supported."

}  // namespace lumicast
