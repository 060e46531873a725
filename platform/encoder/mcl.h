// The encoding library: writes AVI and MPEG files from images and sounds that
// the caller delivers through callbacks, writes single images, lists the
// available video codecs and inspects sound files.
//
// Conventions of the whole interface:
// - Every object (job, image, list, codec list, conversion source) is an opaque
//   32-bit handle; 0 is never a valid handle.
// - Texts are zero-terminated UTF-8 strings.
// - Booleans are integers: -1 (any non-zero value) true, 0 false.
// - Functions that can fail return a result code (kMclOk ... kMclException).
// - The callbacks are called on the thread that called MclConvert, from inside
//   that call. An exception thrown by a callback closes (or removes) the output
//   and then propagates out of MclConvert to its caller.
// - Not thread-safe: use the library from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace classlib {
class TBitmap;
}

using MclHandle = int32_t;

// ---------------------------------------------------------------------------
// Result codes
constexpr int32_t kMclOk = 0;           // done
constexpr int32_t kMclAborted = 1;      // the error callback answered "abort"
constexpr int32_t kMclBadInput = 2;     // invalid or non-existing input file
constexpr int32_t kMclBadOutput = 3;    // output name missing or of unknown format
constexpr int32_t kMclReadError = 4;    // error reading an input file
constexpr int32_t kMclWriteError = 5;   // error writing the output file
constexpr int32_t kMclBadJob = 20;      // job handle not initialised
constexpr int32_t kMclBadImage = 21;    // image handle not initialised
constexpr int32_t kMclBadSound = 22;    // list/source handle not initialised
constexpr int32_t kMclException = 100;  // failure inside the library itself

// Answers the error callback stores through its action pointer.
constexpr int32_t kMclActionAbort = 2;
constexpr int32_t kMclActionRetry = 3;
constexpr int32_t kMclActionIgnore = 4;

// "No value": as a size in MclVideoSetFormat (keep the image's own size) and as
// the quality of MclSimpleWriteImage (the format's default).
constexpr int32_t kMclNone = -1357902468;
constexpr double kMclNoQuality = -1357902468.0;

// Video file formats (MclVideoSetFileFormat, MclCodecsVideoCreate).
constexpr int32_t kMclFormatAvi = 6;
constexpr int32_t kMclFormatMpeg = 11;
// Audio file format of a sound track inside the video file.
constexpr int32_t kMclAudioFormatWave = 12;
// Audio codec: PCM (the wave format tag 1).
constexpr int32_t kMclAudioCodecPcm = 1;

// MPEG codec identifiers (MclVideoSetCodec with file format 11).
constexpr int32_t kMclCodecMpeg1 = 1;
constexpr int32_t kMclCodecMpeg2 = 2;

// Uncompressed AVI frames, the FourCC "DIB ".
constexpr uint32_t kMclFourCCDib = 0x20424944;

// Presets (MclSetFormatPreset): format and TV standard.
constexpr int32_t kMclPresetVcd = 0;
constexpr int32_t kMclPresetSvcd = 1;
constexpr int32_t kMclPresetDvd = 2;
constexpr int32_t kMclPal = 0;
constexpr int32_t kMclNtsc = 1;

// Aspect ratio codes (MclVideoSetAspectRatio).
constexpr int32_t kMclAspect1x1 = 1;
constexpr int32_t kMclAspect4x3 = 2;
constexpr int32_t kMclAspect16x9 = 3;
constexpr int32_t kMclAspect221x1 = 4;

// Image file formats (MclSimpleWriteImage).
constexpr int32_t kMclImageTga = 1;
constexpr int32_t kMclImageBmp = 3;
constexpr int32_t kMclImageGif = 4;
constexpr int32_t kMclImageJpeg = 8;
constexpr int32_t kMclImagePng = 9;

// Size of the name buffer MclListGetName fills by default.
constexpr int32_t kMclNameBufferSize = 264;

// ---------------------------------------------------------------------------
// Callbacks
//
// A source callback answers one request of MclConvert by calling exactly one
// of the MclSource... answers on `source` (MclSourceSetImage may be followed
// by MclSourceSetFrameRate). A callback that answers nothing finishes the
// source.
using MclSourceCallback = void (*)(MclHandle source, void* user);
// Asked about an unreadable input or a failed write; stores one of the
// kMclAction... answers through `action` (ignore when it stores nothing).
using MclErrorCallback = void (*)(void* user, const char* fileName, int32_t* action);
// Told after every written video frame: frames written so far and the
// seconds of video they make.
using MclProgressCallback = void (*)(void* user, MclHandle job, int32_t frames, double seconds);
// Sees every image before it is encoded (may change its pixels).
using MclVideoFuncCallback = void (*)(void* user, MclHandle job, MclHandle image);
// Sees every block of output sound (interleaved 16-bit samples, sample-frame
// count) before it is written (may change the samples).
using MclAudioFuncCallback = void (*)(void* user, int16_t* samples, int32_t frames);

// ---------------------------------------------------------------------------
// Records filled by the library

// One entry of a codec list (MclCodecsGetInfo).
struct MclCodecInfo {
  int32_t size;           // size of this record in bytes
  char description[132];  // up to 128 characters, zero-terminated
  uint32_t fourCC;        // AVI FourCC, or MPEG codec identifier
  int32_t fileFormat;     // 6 or 11
  int32_t hasDialog;      // -1 when the codec dialog offers settings
  int32_t supportsAlpha;  // -1 when 32-bit images keep their alpha
  int32_t reserved[8];
};
static_assert(offsetof(MclCodecInfo, description) == 4);
static_assert(offsetof(MclCodecInfo, fourCC) == 136);

// Facts about a media file (MclGetFileInfo); 764 bytes.
struct MclFileInfo {
  int32_t size;      // size of this record in bytes
  int32_t hasVideo;  // -1 when the file holds a video stream
  uint8_t reserved0[576];
  int32_t hasAudio;         // byte 584: -1 when the file holds a sound stream
  int32_t audioSupported;   // byte 588: -1 when that stream can be decoded
  int32_t audioSampleRate;  // of the first sound stream, else 0
  int32_t audioChannels;
  int32_t audioDurationMs;  // milliseconds, 0 when unknown
  uint8_t reserved1[160];
};
static_assert(offsetof(MclFileInfo, hasAudio) == 584);
static_assert(offsetof(MclFileInfo, audioSupported) == 588);
static_assert(sizeof(MclFileInfo) == 764);

// ---------------------------------------------------------------------------
// Jobs. Setters and getters return kMclOk or kMclBadJob (getters of single
// values return 0 for an invalid job).

MclHandle MclCreate();
int32_t MclFree(MclHandle job);

int32_t MclVideoSetFileName(MclHandle job, const char* fileName);
int32_t MclVideoSetFileFormat(MclHandle job, int32_t format);
int32_t MclVideoSetFormat(MclHandle job, int32_t width, int32_t height, int32_t bits);
int32_t MclVideoSetCodec(MclHandle job, uint32_t codec);
int32_t MclVideoSetFrameRate(MclHandle job, double framesPerSecond);
// Bit rates in kbit/s.
int32_t MclVideoSetBitRate(MclHandle job, int32_t rate, int32_t minimum, int32_t maximum);
// Quality 0..100.
int32_t MclVideoSetQuality(MclHandle job, double quality);
int32_t MclVideoSetKeyFrameRate(MclHandle job, int32_t frames);
int32_t MclVideoSetAspectRatio(MclHandle job, int32_t aspect);
int32_t MclVideoSetKeepDuration(MclHandle job, int32_t keep);
int32_t MclSetFormatPreset(MclHandle job, int32_t preset, int32_t ntsc);

int32_t MclAudioSetFileName(MclHandle job, const char* fileName);
int32_t MclAudioSetFileFormat(MclHandle job, int32_t format);
int32_t MclAudioSetFormat(MclHandle job, int32_t sampleRate, int32_t channels, int32_t bits);
int32_t MclAudioSetCodec(MclHandle job, int32_t codec);
int32_t MclAudioSetBitRate(MclHandle job, int32_t kbitPerSecond);
int32_t MclAudioSetTruncateToVideo(MclHandle job, int32_t truncate);

uint32_t MclVideoGetCodec(MclHandle job);
int32_t MclVideoGetKeyFrameRate(MclHandle job);
int32_t MclVideoGetBitRate(MclHandle job, int32_t* rate, int32_t* minimum, int32_t* maximum);
double MclVideoGetQuality(MclHandle job);
int32_t MclVideoGetAspectRatio(MclHandle job);

// -1 when the job's file format has a codec dialog.
int32_t MclVideoHasCodecDlg(MclHandle job);
// Shows the codec dialog modally; non-zero when the user confirmed it, and the
// getters then report the choice.
int32_t MclVideoShowCodecDlg(MclHandle job);

int32_t MclAssignVideoSource(MclHandle job, MclSourceCallback callback, void* user);
int32_t MclAssignAudioSource(MclHandle job, MclSourceCallback callback, void* user);
int32_t MclAssignError(MclHandle job, MclErrorCallback callback, void* user);
int32_t MclAssignProgress(MclHandle job, MclProgressCallback callback, void* user);
int32_t MclAssignVideoFunc(MclHandle job, MclVideoFuncCallback callback, void* user);
int32_t MclAssignAudioFunc(MclHandle job, MclAudioFuncCallback callback, void* user);

// Runs the job: pulls images until the video source finishes, sound from the
// audio source, and writes the output. Returns a result code.
int32_t MclConvert(MclHandle job);

// Answers of the source callbacks.
int32_t MclSourceSetImage(MclHandle source, MclHandle image);
int32_t MclSourceSetFrameRate(MclHandle source, double framesPerSecond);
int32_t MclSourceSetFile(MclHandle source, const char* fileName);
// `frames` sample frames of PCM at `sampleRate`, `channels`, `bits` (8
// unsigned or 16 signed); data null means silence.
int32_t MclSourceSetSamples(MclHandle source, const void* data, int32_t frames, int32_t sampleRate,
                            int32_t channels, int32_t bits);
int32_t MclSourceFinished(MclHandle source);

// ---------------------------------------------------------------------------
// Images

MclHandle MclImgCreate();
int32_t MclImgFree(MclHandle image);
// Copies an 8-bit palettised, 24-bit or 32-bit bitmap into the image.
int32_t MclDIBToImg(MclHandle image, classlib::TBitmap* bitmap);
// Gives the image width x height pixels of its own and returns them for the caller to fill: top
// row first, rows of width * 4 bytes, B, G, R, A. The contents are undefined until filled; with
// withAlpha 0 the A bytes must be 255. The pointer is good until the image is next changed,
// handed to a conversion or freed. Null for a bad handle or size.
uint8_t* MclImgWritePixels(MclHandle image, int32_t width, int32_t height, int32_t withAlpha);
// The mask image's first byte per pixel (its blue, or palette index for an
// 8-bit grey mask: the pixel's grey level) becomes the image's alpha.
int32_t MclImgAddAlpha(MclHandle image, MclHandle mask);
// Writes the image as PNG, TGA, GIF, BMP or JPEG; quality 1..100 (JPEG) or
// kMclNoQuality.
int32_t MclSimpleWriteImage(MclHandle image, const char* fileName, int32_t format, double quality);
// Writes the image with its alpha to the job's video file name; the format
// comes from the name's extension (.png, .tga, .bmp, .jpg/.jpeg, .gif).
int32_t MclWriteImage(MclHandle job, MclHandle image);

// ---------------------------------------------------------------------------
// Name lists

MclHandle MclListCreate();
int32_t MclListAdd(MclHandle list, const char* fileName, int32_t kind, int32_t reserved1,
                   int32_t reserved2);
// Copies the name at `index` into `buffer`; returns its length (> 0), or 0 when
// there is no such entry or it does not fit (the buffer is then emptied).
int32_t MclListGetName(MclHandle list, int32_t index, char* buffer,
                       int32_t bufferSize = kMclNameBufferSize);
int32_t MclListFree(MclHandle list);

// ---------------------------------------------------------------------------
// Codec lists

MclHandle MclCodecsVideoCreate(int32_t fileFormat, int32_t width, int32_t height, int32_t bits);
int32_t MclCodecsGetCount(MclHandle list);
int32_t MclCodecsGetInfo(MclHandle list, MclCodecInfo* record, int32_t index);
int32_t MclCodecsFree(MclHandle list);

// ---------------------------------------------------------------------------
// File information: fills at most `recordSize` bytes of `record` (a
// MclFileInfo). Returns kMclOk, or kMclBadInput for a missing or unreadable
// file (the record then says no sound).
int32_t MclGetFileInfo(const char* fileName, int32_t recordSize, void* record, int32_t reserved1,
                       int32_t reserved2);
