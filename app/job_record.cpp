#include "app/job_record.h"

#include "platform/classlib/application.h"
#include "platform/classlib/file_utils.h"
#include "platform/encoder/mcl.h"

using namespace classlib;

namespace lumicast {

const char* const kMpegFrameRateTexts[8] = {"22.98 fps", "24 fps", "25 fps",    "29.97 fps",
                                            "30 fps",    "50 fps", "59.94 fps", "60 fps"};
const char* const kMpegAspectTexts[4] = {"1:1 (Square Pixels VGA)", "4:3 (Standard TV)",
                                         "16:9 (Wide Screen TV)", "2.21:1 (Cinema Format)"};
const char* const kWavChannelTexts[2] = {"MONO", "STEREO"};
const int32_t kWavBitsValues[2] = {8, 16};
const int32_t kWavFreqValues[3] = {44100, 22050, 11025};
const char* const kMp3ChannelTexts[4] = {"MONO", "STEREO", "JSTEREO", "DUALCHANNEL"};
const int32_t kMp3BitRateValues[8] = {96, 112, 128, 160, 192, 224, 256, 320};
const char* const kSyncTypeTexts[2] = {"Move audio forward", "Move audio backward"};

namespace {
constexpr const char* kDibCodecText = "Full frames, uncompressed";
}

int DestTypeOf(const TCovSettings& S) { return IndexOrDefault(S.destType, kDestTypeCount, dtAVI); }
int DestSequenceModeOf(const TCovSettings& S) {
  return IndexOrDefault(S.destSequenceMode, kSequenceModeCount, 0);
}
int DestColorDepthOf(const TCovSettings& S) {
  return IndexOrDefault(S.destColorDepth, kColorDepthCount, 0);
}
int DestAlphaModeOf(const TCovSettings& S) {
  return IndexOrDefault(S.destAlphaMode, kAlphaModeCount, 2);
}
int DestImageTypeOf(const TCovSettings& S) {
  return IndexOrDefault(S.destImageType, kImageTypeCount, 0);
}
int DestMpegCodecOf(const TCovSettings& S) {
  return IndexOrDefault(S.destMPEGCodec, kMpegCodecCount, 0);
}
int DestMpegFrameRateOf(const TCovSettings& S) { return IndexOrDefault(S.destMPEGFrameRate, 8, 3); }
int DestMpegAspectRatioOf(const TCovSettings& S) {
  return IndexOrDefault(int64_t(S.destMPEGAspectRatio) - 1, 4, 1) + 1;
}
int AdoSourceOf(const TCovSettings& S) {
  return IndexOrDefault(S.adoSource, kAdoSourceCount, asRecord);
}
int AdoFileTypeOf(const TCovSettings& S) {
  return IndexOrDefault(S.adoFileType, kAdoFileTypeCount, 1);
}
int AdoSyncTypeOf(const TCovSettings& S) {
  return IndexOrDefault(S.adoSyncType, kSyncTypeCount, 0);
}
int AdoWavChannelOf(const TCovSettings& S) { return IndexOrDefault(S.adoWavChannel, 2, 1); }
int AdoWavBitsOf(const TCovSettings& S) { return IndexOrDefault(S.adoWavBits, 2, 1); }
int AdoWavFreqOf(const TCovSettings& S) { return IndexOrDefault(S.adoWavFreq, 3, 0); }
int AdoMp3ChannelOf(const TCovSettings& S) { return IndexOrDefault(S.adoMp3Channel, 4, 1); }
int AdoMp3BitRateOf(const TCovSettings& S) { return IndexOrDefault(S.adoMp3BitRate, 8, 1); }
TSwfFileKind SwfFileTypeOf(const TCovSettings& S) { return SwfFileKindFromInt(S.swfFileType); }

void InitSettings(const std::string& SourcePath, TCovSettings* Settings, bool ReadHeader) {
  TCursorGuard hourglass;
  TCovSettings& s = *Settings;

  if (ReadHeader) {
    TSwfHeader h;
    bool failed = ReadSwfHeader(SourcePath, h);
    s.swfFilename = SourcePath;
    if (failed) h = TSwfHeader{};  // no half-read values reach the job
    s.swfFileType = h.Kind;
    s.swfFileVersion = h.Version;
    s.swfFileSize = h.FileLength;
    s.swfW = h.Width;
    s.swfH = h.Height;
    s.swfFrameRate = h.FrameRate;
    s.swfRunFrameRate = h.FrameRate;
    s.swfTotalFrames = h.FrameCount;
    if (failed) throw EMovieHeaderError("Cannot read the movie header of \"" + SourcePath + "\"");
  }

  s.adoFilename.clear();
  s.adoWorkFilename.clear();
  s.adoSource = asRecord;
  s.adoFileType = 1;
  s.adoWavChannel = 1;
  s.adoWavBits = 1;
  s.adoWavFreq = 0;
  s.adoMp3Channel = 1;
  s.adoMp3BitRate = 1;
  s.adoIsSyncAutomatically = false;
  s.adoIsSyncManually = false;
  s.adoSyncType = 0;
  s.adoSyncOffset = 0.5L;

  s.destFilename = ChangeFileExt(ExtractFileName(SourcePath), ".avi");
  s.destFilepath = ExtractFilePath(SourcePath);

  s.destType = dtAVI;
  s.destSequenceMode = 0;
  s.destColorDepth = 0;
  s.destAlphaMode = 2;
  s.destStartFrame = 1;
  s.destEndFrame = s.swfTotalFrames;
  s.destW = s.swfW;
  s.destH = s.swfH;
  s.destCropX = 0;
  s.destCropY = 0;
  s.destCropW = s.swfW;
  s.destCropH = s.swfH;
  s.destIsCrop = false;
  s.destIsKeepSourceSize = false;
  s.destIsKeepSourceFrames = false;
  s.destIsKeepAspectRatio = false;
  s.destSplitSize = 74;
  s.destIsSplit = false;
  s.destAVIKeepSourceFps = false;
  s.destAVIFrameRate = s.swfFrameRate;
  s.destAVICodec = kDibCodecText;
  s.destAVICodecID = kMclFourCCDib;
  s.destMPEGCodec = 0;
  s.destMPEGFrameRate = 3;
  s.destMPEGAspectRatio = 2;

  GetEncoderDefaults(kMclFormatAvi, kMclFourCCDib, Settings, 24, s.swfH, s.swfW);
  GetEncoderDefaults(kMclFormatMpeg, kMclCodecMpeg1, Settings, 24, 240, 352);

  s.destGIFKeepSourceFps = false;
  s.destGIFFrameRate = s.swfFrameRate;
  s.destGIFRepeatCount = 0;
  s.destGIFBackgroundColor = 0xFFFFFF;
  s.destGIFTransparentColor = 0xFFFFFF;
  s.destGIFIsBackground = false;
  s.destGIFIsTransparent = false;
  s.destGIFIsInterlaced = false;
  s.destGIFIsLooping = true;
  s.destImageType = 0;
  s.destImageJPEGQuality = 85;
}

void GetEncoderDefaults(int32_t FileFormat, uint32_t Codec, TCovSettings* Settings, int32_t Bits,
                        int32_t Height, int32_t Width) {
  struct Job {
    MclHandle h = MclCreate();
    ~Job() { MclFree(h); }
  } job;
  TCovSettings& s = *Settings;
  if (FileFormat == kMclFormatAvi) {
    MclVideoSetFileFormat(job.h, kMclFormatAvi);
    MclVideoSetFormat(job.h, Width, Height, Bits);
    MclVideoSetCodec(job.h, kMclFourCCDib);
    s.destAVICodecID = kMclFourCCDib;
    s.destAVIKeyFramerate = MclVideoGetKeyFrameRate(job.h);
    int32_t rate = 0, minimum = 0, maximum = 0;
    MclVideoGetBitRate(job.h, &rate, &minimum, &maximum);
    s.destAVIBitrate = rate;
    s.destAVIMinBitrate = minimum;
    s.destAVIMaxBitrate = maximum;
    s.destAVIQuality = MclVideoGetQuality(job.h);
    s.destAVICodec = kDibCodecText;
  } else {
    MclVideoSetFileFormat(job.h, kMclFormatMpeg);
    MclVideoSetFormat(job.h, Width, Height, Bits);
    MclVideoSetCodec(job.h, Codec);
    s.destMPEGCodecID = static_cast<int32_t>(MclVideoGetCodec(job.h));
    int32_t rate = 0, minimum = 0, maximum = 0;
    MclVideoGetBitRate(job.h, &rate, &minimum, &maximum);
    s.destMPEGBitrate = rate;
    s.destMPEGMinBitrate = minimum;
    s.destMPEGMaxBitrate = maximum;
    s.destMPEGAspectRatio = kMclAspect4x3;
  }
}

namespace {
std::string NameAtFolder(const std::string& Path) {
  return ExtractFileName(Path) + "@" + ExtractFilePath(Path);
}
}  // namespace

std::string JobItemText(const TCovSettings& S) { return NameAtFolder(S.swfFilename); }

std::string JobSoundText(const TCovSettings& S) {
  int type = DestTypeOf(S);
  if (type == dtImages || type == dtGIF) return "None";
  switch (AdoSourceOf(S)) {
    case asNone: return "None";
    case asRecord: return "Record from itself";
    default: return NameAtFolder(S.adoFilename);
  }
}

std::string JobOutputText(const TCovSettings& S) {
  if (DestTypeOf(S) == dtImages) return S.destFilepath;
  return S.destFilename + "@" + S.destFilepath;
}

}  // namespace lumicast
