// The conversion job: one TCovSettings record per movie of the job list, its defaults for a new
// job, the encoder defaults it takes from the encoding library, and the texts that show a job as
// an item of the job list.
//
// Numeric fields that select an entry of a table (output type, codec preset, image type, sound
// indices...) may hold any value read back from a job-list file: read them through the checked
// accessors below, which give the field's default for a value outside its table.
#pragma once

#include <cstdint>
#include <string>

#include "app/movie_file.h"
#include "platform/classlib/colors.h"
#include "platform/classlib/exceptions.h"

namespace lumicast {

// Raised by InitSettings when the movie's header cannot be read: the job must not be added.
class EMovieHeaderError : public classlib::Exception {
 public:
  using classlib::Exception::Exception;
};

struct TCovSettings {
  std::string swfFilename;  // source movie (.swf or projector .exe)
  std::string
      swfPlayFilename;  // movie actually played (the source or its extracted movie); not saved
  TSwfFileKind swfFileType = sfkUnknown;
  int32_t swfFileVersion = 0;
  int32_t swfFileSize = 0;  // file length field of the header (uncompressed length)
  int32_t swfW = 0;         // stage size in pixels
  int32_t swfH = 0;
  int32_t swfFrameRate = 0;     // integer frames per second
  int32_t swfRunFrameRate = 0;  // frame rate of the current run; not saved
  int32_t swfTotalFrames = 0;

  std::string adoFilename;      // imported sound file
  std::string adoWorkFilename;  // sound file used when encoding; not saved
  uint8_t adoSource = 1;        // 0 none, 1 recorded from the movie, 2 imported
  uint8_t adoFileType = 1;      // recording format: 0 WAVE, 1 MP3
  int32_t adoWavChannel = 1;    // 0 mono, 1 stereo
  int32_t adoWavBits = 1;       // 0 8 bits, 1 16 bits
  int32_t adoWavFreq = 0;       // 0 44100, 1 22050, 2 11025
  int32_t adoMp3Channel = 1;    // 0 mono, 1 stereo, 2 joint stereo, 3 dual channel
  int32_t adoMp3BitRate = 1;    // 0..7 = 96, 112, 128, 160, 192, 224, 256, 320 kbit/s
  bool adoIsSyncAutomatically = false;
  bool adoIsSyncManually = false;
  uint8_t adoSyncType = 0;           // 0 move audio forward, 1 move audio backward
  long double adoSyncOffset = 0.5L;  // seconds

  std::string destFilename;      // output file name without folder
  std::string destFilepath;      // output folder with trailing "/"
  uint8_t destType = 0;          // 0 AVI, 1 MPEG, 2 animated GIF, 3 image sequence
  uint8_t destSequenceMode = 0;  // 0 normal playback, 1 skip backward jumps, 2 frame by frame
  uint8_t destColorDepth =
      0;  // video/images: 0 24 bits, 1 32 bits with alpha; GIF: 0 8 bits, 1 24 bits
  uint8_t destAlphaMode =
      2;  // 0 none, 1 intensity, 2 square root of intensity, 3 background colour
  int32_t destStartFrame = 1;
  int32_t destEndFrame = 0;
  int32_t destRunEndFrame = 0;  // last frame of the current run; not saved
  int32_t destW = 0;
  int32_t destH = 0;
  int32_t destCropX = 0;
  int32_t destCropY = 0;
  int32_t destCropW = 0;
  int32_t destCropH = 0;
  bool destIsCrop = false;
  bool destIsKeepSourceSize = false;
  bool destIsKeepSourceFrames = false;
  bool destIsKeepAspectRatio = false;
  int32_t destSplitSize = 74;  // minutes
  bool destIsSplit = false;

  bool destAVIKeepSourceFps = false;
  int32_t destAVIFrameRate = 0;
  std::string destAVICodec;     // codec description shown to the user
  uint32_t destAVICodecID = 0;  // FourCC
  int32_t destAVIKeyFramerate = 0;
  int32_t destAVIBitrate = 0;
  int32_t destAVIMinBitrate = 0;
  int32_t destAVIMaxBitrate = 0;
  double destAVIQuality = 0;

  uint8_t destMPEGCodec = 0;        // preset: 0 VCD-NTSC .. 5 SVCD-PAL, 6 custom
  int32_t destMPEGFrameRate = 3;    // index into kMpegFrameRateTexts
  int32_t destMPEGAspectRatio = 2;  // 1..4
  int32_t destMPEGCodecID = 0;
  int32_t destMPEGBitrate = 0;
  int32_t destMPEGMinBitrate = 0;
  int32_t destMPEGMaxBitrate = 0;

  bool destGIFKeepSourceFps = false;
  int32_t destGIFFrameRate = 0;
  int32_t destGIFRepeatCount = 0;  // 0 repeats forever
  classlib::TColor destGIFBackgroundColor = 0xFFFFFF;
  classlib::TColor destGIFTransparentColor = 0xFFFFFF;
  bool destGIFIsBackground = false;
  bool destGIFIsTransparent = false;
  bool destGIFIsInterlaced = false;
  bool destGIFIsLooping = true;

  uint8_t destImageType = 0;  // 0 PNG, 1 TGA, 2 GIF, 3 BMP, 4 JPEG
  int32_t destImageJPEGQuality = 85;
};

// ---- tables of the indexed fields ---------------------------------------------------------------

enum : uint8_t { dtAVI = 0, dtMPEG = 1, dtGIF = 2, dtImages = 3 };
enum : uint8_t { asNone = 0, asRecord = 1, asImport = 2 };
constexpr int kDestTypeCount = 4;
constexpr int kSequenceModeCount = 3;
constexpr int kColorDepthCount = 2;
constexpr int kAlphaModeCount = 4;
constexpr int kImageTypeCount = 5;
constexpr int kMpegCodecCount = 7;
constexpr int kAdoSourceCount = 3;
constexpr int kAdoFileTypeCount = 2;
constexpr int kSyncTypeCount = 2;

extern const char* const kMpegFrameRateTexts[8];  // "22.98 fps" ... "60 fps"
extern const char* const kMpegAspectTexts[4];     // aspect codes 1..4
extern const char* const kWavChannelTexts[2];     // "MONO", "STEREO"
extern const int32_t kWavBitsValues[2];           // 8, 16
extern const int32_t kWavFreqValues[3];           // 44100, 22050, 11025
extern const char* const kMp3ChannelTexts[4];     // "MONO", "STEREO", "JSTEREO", "DUALCHANNEL"
extern const int32_t kMp3BitRateValues[8];        // 96 ... 320 kbit/s
extern const char* const kSyncTypeTexts[2];

// Value when 0 <= Value < Count, else Default (negative values count as out of range).
constexpr int IndexOrDefault(int64_t Value, int Count, int Default) {
  return Value >= 0 && Value < Count ? static_cast<int>(Value) : Default;
}

// Checked reads of the indexed fields: a value outside the field's table gives its default.
int DestTypeOf(const TCovSettings& S);
int DestSequenceModeOf(const TCovSettings& S);
int DestColorDepthOf(const TCovSettings& S);
int DestAlphaModeOf(const TCovSettings& S);
int DestImageTypeOf(const TCovSettings& S);
int DestMpegCodecOf(const TCovSettings& S);
int DestMpegFrameRateOf(const TCovSettings& S);    // 0..7
int DestMpegAspectRatioOf(const TCovSettings& S);  // 1..4
int AdoSourceOf(const TCovSettings& S);
int AdoFileTypeOf(const TCovSettings& S);
int AdoSyncTypeOf(const TCovSettings& S);
int AdoWavChannelOf(const TCovSettings& S);
int AdoWavBitsOf(const TCovSettings& S);
int AdoWavFreqOf(const TCovSettings& S);
int AdoMp3ChannelOf(const TCovSettings& S);
int AdoMp3BitRateOf(const TCovSettings& S);
TSwfFileKind SwfFileTypeOf(const TCovSettings& S);

// ---- new jobs
// ------------------------------------------------------------------------------------

// Fills a job with the defaults of a new job. With ReadHeader the movie's header is read first
// and its kind, version, length, stage size, frame rate and frame count are stored; when it
// cannot be read EMovieHeaderError is raised and the record's header fields are cleared. Without
// ReadHeader the caller's swf fields are kept and the defaults derive from them. Open failures
// of the movie raise EFOpenError.
void InitSettings(const std::string& SourcePath, TCovSettings* Settings, bool ReadHeader);

// Asks the encoding library for the defaults of a codec and stores them in the job: the AVI
// fields for file format 6 (the codec is always "DIB "), the MPEG fields for any other format.
void GetEncoderDefaults(int32_t FileFormat, uint32_t Codec, TCovSettings* Settings, int32_t Bits,
                        int32_t Height, int32_t Width);

// ---- texts of a job in the job list
// ---------------------------------------------------------------

std::string JobItemText(const TCovSettings& S);    // "name@folder/"
std::string JobSoundText(const TCovSettings& S);   // column 0
std::string JobOutputText(const TCovSettings& S);  // column 1

}  // namespace lumicast
