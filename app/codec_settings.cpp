#include "app/codec_settings.h"

#include "platform/classlib/application.h"
#include "platform/encoder/mcl.h"

using namespace classlib;

namespace lumicast {

const char* const kNoAudioStreamText = "No audio stream exists in this file!";
const char* const kUnsupportedAudioText = "Unsupported audio format!";
const char* const kLineBreakNameText = "File names with line breaks are not supported.";

namespace {

// A handle of the encoding library freed on every path.
template <int32_t (*Free)(MclHandle)>
class TMclHandle {
 public:
  explicit TMclHandle(MclHandle Handle) : handle_(Handle) {}
  ~TMclHandle() { Free(handle_); }
  TMclHandle(const TMclHandle&) = delete;
  TMclHandle& operator=(const TMclHandle&) = delete;
  MclHandle get() const { return handle_; }

 private:
  MclHandle handle_;
};
using TEncoderJob = TMclHandle<MclFree>;
using TCodecList = TMclHandle<MclCodecsFree>;

}  // namespace

TAviCodecValues AviCodecValuesOf(const TCovSettings& Job) {
  TAviCodecValues v;
  v.Description = Job.destAVICodec;
  v.FourCC = Job.destAVICodecID;
  v.KeyFrameRate = Job.destAVIKeyFramerate;
  v.BitRate = Job.destAVIBitrate;
  v.MinBitRate = Job.destAVIMinBitrate;
  v.MaxBitRate = Job.destAVIMaxBitrate;
  v.Quality = Job.destAVIQuality;
  return v;
}

TMpegCodecValues MpegCodecValuesOf(const TCovSettings& Job) {
  return {Job.destMPEGCodecID, Job.destMPEGBitrate, Job.destMPEGMinBitrate, Job.destMPEGMaxBitrate};
}

void StoreAviCodecValues(const TAviCodecValues& Values, TCovSettings& Job) {
  Job.destAVICodec = Values.Description;
  Job.destAVICodecID = Values.FourCC;
  Job.destAVIKeyFramerate = Values.KeyFrameRate;
  Job.destAVIBitrate = Values.BitRate;
  Job.destAVIMinBitrate = Values.MinBitRate;
  Job.destAVIMaxBitrate = Values.MaxBitRate;
  Job.destAVIQuality = Values.Quality;
}

void StoreMpegCodecValues(const TMpegCodecValues& Values, TCovSettings& Job) {
  Job.destMPEGCodecID = Values.CodecID;
  Job.destMPEGBitrate = Values.BitRate;
  Job.destMPEGMinBitrate = Values.MinBitRate;
  Job.destMPEGMaxBitrate = Values.MaxBitRate;
}

std::string GetCodecName(int32_t FileFormat, int32_t Width, int32_t Height, uint32_t FourCC,
                         int32_t Bits) {
  TCodecList list(MclCodecsVideoCreate(FileFormat, Width, Height, Bits));
  const int32_t count = MclCodecsGetCount(list.get());
  for (int32_t i = 0; i < count; ++i) {
    Application->ProcessMessages();  // the library may take long over each codec
    MclCodecInfo info{};
    info.size = sizeof info;
    if (MclCodecsGetInfo(list.get(), &info, i) != kMclOk) continue;
    if (info.fourCC == FourCC) {
      info.description[sizeof info.description - 1] = '\0';
      return info.description;
    }
  }
  return "";
}

bool ChooseAviCodec(TAviCodecValues& Values, int32_t Width, int32_t Height) {
  TEncoderJob job(MclCreate());
  MclVideoSetFileFormat(job.get(), kMclFormatAvi);
  MclVideoSetFormat(job.get(), Width, Height, 32);
  MclVideoSetCodec(job.get(), Values.FourCC);
  if (MclVideoHasCodecDlg(job.get()) == 0 || MclVideoShowCodecDlg(job.get()) == 0) return false;
  TAviCodecValues v;
  v.FourCC = MclVideoGetCodec(job.get());
  v.KeyFrameRate = MclVideoGetKeyFrameRate(job.get());
  MclVideoGetBitRate(job.get(), &v.BitRate, &v.MinBitRate, &v.MaxBitRate);
  v.Quality = MclVideoGetQuality(job.get());
  v.Description = GetCodecName(kMclFormatAvi, Width, Height, v.FourCC, 24);
  Values = v;
  return true;
}

bool ChooseMpegCodec(TMpegCodecValues& Values, int32_t Width, int32_t Height,
                     int32_t& AspectIndex) {
  TEncoderJob job(MclCreate());
  MclVideoSetFileFormat(job.get(), kMclFormatMpeg);
  MclVideoSetFormat(job.get(), Width, Height, 24);
  MclVideoSetCodec(job.get(), static_cast<uint32_t>(Values.CodecID));
  if (MclVideoHasCodecDlg(job.get()) == 0 || MclVideoShowCodecDlg(job.get()) == 0) return false;
  TMpegCodecValues v;
  v.CodecID = static_cast<int32_t>(MclVideoGetCodec(job.get()));
  MclVideoGetBitRate(job.get(), &v.BitRate, &v.MinBitRate, &v.MaxBitRate);
  Values = v;
  AspectIndex = MclVideoGetAspectRatio(job.get()) - 1;
  return true;
}

TAudioFileCheck CheckAudioFile(const std::string& FileName) {
  MclFileInfo info{};
  info.size = sizeof info;
  MclGetFileInfo(FileName.c_str(), sizeof info, &info, 0, 0);
  if (info.hasAudio == 0) return TAudioFileCheck::afNoAudio;
  if (info.audioSupported == 0) return TAudioFileCheck::afUnsupported;
  return TAudioFileCheck::afUsable;
}

void ResetAudioFormatIndices(TCovSettings& Job) {
  Job.adoWavChannel = IndexOrDefault(Job.adoWavChannel, 2, 1);
  Job.adoWavBits = IndexOrDefault(Job.adoWavBits, 2, 1);
  Job.adoWavFreq = IndexOrDefault(Job.adoWavFreq, 3, 2);
  Job.adoMp3Channel = IndexOrDefault(Job.adoMp3Channel, 4, 1);
  Job.adoMp3BitRate = IndexOrDefault(Job.adoMp3BitRate, 8, 2);
}

std::string GetAudioFormatText(int Format, TCovSettings& Job) {
  ResetAudioFormatIndices(Job);
  switch (Format) {
    case 0:
      return std::string(kWavChannelTexts[Job.adoWavChannel]) + "-" +
             std::to_string(kWavBitsValues[Job.adoWavBits]) + "bits-" +
             std::to_string(kWavFreqValues[Job.adoWavFreq]) + "Hz";
    case 1:
      return std::string(kMp3ChannelTexts[Job.adoMp3Channel]) + "-" +
             std::to_string(kMp3BitRateValues[Job.adoMp3BitRate]) + "kb/s";
    default: return "";
  }
}

bool HasLineBreak(const std::string& Name) {
  return Name.find_first_of("\r\n") != std::string::npos;
}

}  // namespace lumicast
