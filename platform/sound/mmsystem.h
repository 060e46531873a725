// The multimedia records, result codes and flags of the sound layer: wave-in
// and wave-out, the audio mixer, multimedia timers and the compressed-audio
// manager. Records keep their classic field names; their in-memory sizes are
// free. Wave-format records travel as bytes through FormatToBytes and
// FormatFromBytes (little-endian, 16 bytes for PCM, 18 + extra otherwise).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sound {

using MMRESULT = uint32_t;

// Result codes.
enum : MMRESULT {
  MMSYSERR_NOERROR = 0,
  MMSYSERR_ERROR = 1,
  MMSYSERR_BADDEVICEID = 2,
  MMSYSERR_NOTENABLED = 3,
  MMSYSERR_ALLOCATED = 4,
  MMSYSERR_INVALHANDLE = 5,
  MMSYSERR_NODRIVER = 6,
  MMSYSERR_NOMEM = 7,
  MMSYSERR_NOTSUPPORTED = 8,
  MMSYSERR_BADERRNUM = 9,
  MMSYSERR_INVALFLAG = 10,
  MMSYSERR_INVALPARAM = 11,
  MMSYSERR_HANDLEBUSY = 12,
  MMSYSERR_INVALIDALIAS = 13,
  MMSYSERR_BADDB = 14,
  MMSYSERR_KEYNOTFOUND = 15,
  MMSYSERR_READERROR = 16,
  MMSYSERR_WRITEERROR = 17,
  MMSYSERR_DELETEERROR = 18,
  MMSYSERR_VALNOTFOUND = 19,
  MMSYSERR_NODRIVERCB = 20,
  WAVERR_BADFORMAT = 32,
  WAVERR_STILLPLAYING = 33,
  WAVERR_UNPREPARED = 34,
  ACMERR_NOTPOSSIBLE = 512,
  ACMERR_BUSY = 513,
  ACMERR_UNPREPARED = 514,
  ACMERR_CANCELED = 515,
  MIXERR_INVALLINE = 1024,
  MIXERR_INVALCONTROL = 1025,
  MIXERR_INVALVALUE = 1026,
};

// ---------------------------------------------------------------- wave formats

constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct WAVEFORMATEX {
  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;
  uint16_t wBitsPerSample = 0;
  uint16_t cbSize = 0;         // number of extra bytes; always extra.size()
  std::vector<uint8_t> extra;  // the format's extra bytes (non-PCM only)
};

// Serialised size: 16 for PCM, 18 + extra otherwise.
size_t FormatByteSize(const WAVEFORMATEX& f);
std::vector<uint8_t> FormatToBytes(const WAVEFORMATEX& f);
// Parses a record of Size bytes. PCM needs 16; other tags need 18 + cbSize
// (a record of 16 or 17 bytes is taken with no extra bytes). False when short.
bool FormatFromBytes(const uint8_t* Data, size_t Size, WAVEFORMATEX& Out);

// ---------------------------------------------------------------- events

// An auto-reset event: SetEvent wakes one waiter (or the next one to wait).
class Event {
 public:
  Event();
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  void Set();
  void Reset();
  // True when the event was signalled within TimeoutMs (0xFFFFFFFF: no limit).
  bool Wait(uint32_t TimeoutMs);

 private:
  struct Impl;
  Impl* impl_;
};

// ---------------------------------------------------------------- wave-in / wave-out

using HWAVEIN = struct WaveInDevice*;
using HWAVEOUT = struct WaveOutDevice*;

constexpr uint32_t WAVE_MAPPER = 0xFFFFFFFFu;
constexpr uint32_t WAVE_FORMAT_QUERY = 0x0001;
constexpr uint32_t WAVE_MAPPED = 0x0004;
constexpr uint32_t WAVE_FORMAT_DIRECT = 0x0008;
constexpr uint32_t CALLBACK_EVENT = 0x00050000;
constexpr uint32_t CALLBACK_WINDOW = 0x00010000;
// Messages a CALLBACK_WINDOW device posts (wParam the handle, lParam the header).
constexpr uint32_t MM_WOM_OPEN = 0x3BB;
constexpr uint32_t MM_WOM_CLOSE = 0x3BC;
constexpr uint32_t MM_WOM_DONE = 0x3BD;
constexpr uint32_t MM_WIM_OPEN = 0x3BE;
constexpr uint32_t MM_WIM_CLOSE = 0x3BF;
constexpr uint32_t MM_WIM_DATA = 0x3C0;

enum : uint32_t {
  WHDR_DONE = 0x01,
  WHDR_PREPARED = 0x02,
  WHDR_BEGINLOOP = 0x04,
  WHDR_ENDLOOP = 0x08,
  WHDR_INQUEUE = 0x10,
};

// dwFlags is atomic: the device sets WHDR_DONE on its own thread after it
// has written the data, and the owner may test it on another.
struct WAVEHDR {
  char* lpData = nullptr;
  uint32_t dwBufferLength = 0;
  uint32_t dwBytesRecorded = 0;
  uintptr_t dwUser = 0;
  std::atomic<uint32_t> dwFlags{0};
  uint32_t dwLoops = 0;
  WAVEHDR* lpNext = nullptr;
  uintptr_t reserved = 0;
};

struct WAVEINCAPS {
  uint16_t wMid = 0;
  uint16_t wPid = 0;
  uint32_t vDriverVersion = 0;
  char szPname[32] = {};
  uint32_t dwFormats = 0;
  uint16_t wChannels = 0;
};
using WAVEOUTCAPS = WAVEINCAPS;

uint32_t waveInGetNumDevs();
MMRESULT waveInGetDevCaps(uint32_t DeviceId, WAVEINCAPS* Caps);
// Callback: with CALLBACK_EVENT, an Event* the device signals at open, close
// and for every finished buffer.
MMRESULT waveInOpen(HWAVEIN* Handle, uint32_t DeviceId, const WAVEFORMATEX* Format,
                    uintptr_t Callback, uintptr_t Instance, uint32_t Flags);
MMRESULT waveInClose(HWAVEIN Handle);
MMRESULT waveInPrepareHeader(HWAVEIN Handle, WAVEHDR* Header, uint32_t Size);
MMRESULT waveInUnprepareHeader(HWAVEIN Handle, WAVEHDR* Header, uint32_t Size);
MMRESULT waveInAddBuffer(HWAVEIN Handle, WAVEHDR* Header, uint32_t Size);
MMRESULT waveInStart(HWAVEIN Handle);
MMRESULT waveInStop(HWAVEIN Handle);
MMRESULT waveInReset(HWAVEIN Handle);
MMRESULT waveInGetErrorText(MMRESULT Code, char* Text, uint32_t Size);

uint32_t waveOutGetNumDevs();
MMRESULT waveOutGetDevCaps(uint32_t DeviceId, WAVEOUTCAPS* Caps);
MMRESULT waveOutOpen(HWAVEOUT* Handle, uint32_t DeviceId, const WAVEFORMATEX* Format,
                     uintptr_t Callback, uintptr_t Instance, uint32_t Flags);
MMRESULT waveOutClose(HWAVEOUT Handle);
MMRESULT waveOutPrepareHeader(HWAVEOUT Handle, WAVEHDR* Header, uint32_t Size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT Handle, WAVEHDR* Header, uint32_t Size);
MMRESULT waveOutWrite(HWAVEOUT Handle, WAVEHDR* Header, uint32_t Size);
MMRESULT waveOutReset(HWAVEOUT Handle);

// ---------------------------------------------------------------- mixers

using HMIXER = struct MixerHandle*;

constexpr uint32_t MM_MIXM_LINE_CHANGE = 0x3D0;
constexpr uint32_t MM_MIXM_CONTROL_CHANGE = 0x3D1;  // 977

// Object flags: the first argument of the query calls is a device number
// unless MIXER_OBJECTF_HMIXER says it is an open handle.
constexpr uint32_t MIXER_OBJECTF_MIXER = 0x00000000;
constexpr uint32_t MIXER_OBJECTF_HMIXER = 0x80000000;

constexpr uint32_t MIXER_GETLINEINFOF_DESTINATION = 0;
constexpr uint32_t MIXER_GETLINEINFOF_SOURCE = 1;
constexpr uint32_t MIXER_GETLINEINFOF_LINEID = 2;
constexpr uint32_t MIXER_GETLINEINFOF_COMPONENTTYPE = 3;
constexpr uint32_t MIXER_GETLINECONTROLSF_ALL = 0;
constexpr uint32_t MIXER_GETLINECONTROLSF_ONEBYID = 1;
constexpr uint32_t MIXER_GETLINECONTROLSF_ONEBYTYPE = 2;
constexpr uint32_t MIXER_GETCONTROLDETAILSF_VALUE = 0;
constexpr uint32_t MIXER_GETCONTROLDETAILSF_LISTTEXT = 1;
constexpr uint32_t MIXER_SETCONTROLDETAILSF_VALUE = 0;
constexpr uint32_t MIXER_INFOF_MASK = 0x0000000F;

constexpr uint32_t MIXERLINE_LINEF_ACTIVE = 0x00000001;
constexpr uint32_t MIXERLINE_LINEF_SOURCE = 0x80000000;
constexpr uint32_t MIXERCONTROL_CONTROLF_UNIFORM = 0x00000001;
constexpr uint32_t MIXERCONTROL_CONTROLF_MULTIPLE = 0x00000002;

constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x1002;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003;
constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;

constexpr uint32_t MIXERCONTROL_CONTROLTYPE_PEAKMETER = 0x10020001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;

struct MIXERCAPS {
  uint16_t wMid = 0;
  uint16_t wPid = 0;
  uint32_t vDriverVersion = 0;
  char szPname[32] = {};
  uint32_t fdwSupport = 0;
  uint32_t cDestinations = 0;
};

struct MIXERLINE {
  uint32_t cbStruct = 0;
  uint32_t dwDestination = 0;
  uint32_t dwSource = 0;
  uint32_t dwLineID = 0;
  uint32_t fdwLine = 0;
  uintptr_t dwUser = 0;
  uint32_t dwComponentType = 0;
  uint32_t cChannels = 0;
  uint32_t cConnections = 0;
  uint32_t cControls = 0;
  char szShortName[16] = {};
  char szName[64] = {};
  struct {
    uint32_t dwType = 0;
    uint32_t dwDeviceID = 0;
    uint16_t wMid = 0;
    uint16_t wPid = 0;
    uint32_t vDriverVersion = 0;
    char szPname[32] = {};
  } Target;
};

struct MIXERCONTROL {
  uint32_t cbStruct = 0;
  uint32_t dwControlID = 0;
  uint32_t dwControlType = 0;
  uint32_t fdwControl = 0;
  uint32_t cMultipleItems = 0;
  char szShortName[16] = {};
  char szName[64] = {};
  struct {
    int32_t lMinimum = 0;
    int32_t lMaximum = 0;
  } Bounds;
  struct {
    uint32_t cSteps = 0;
  } Metrics;
};

struct MIXERLINECONTROLS {
  uint32_t cbStruct = 0;
  uint32_t dwLineID = 0;
  uint32_t dwControlID = 0;    // ONEBYID
  uint32_t dwControlType = 0;  // ONEBYTYPE
  uint32_t cControls = 0;
  uint32_t cbmxctrl = 0;
  MIXERCONTROL* pamxctrl = nullptr;
};

struct MIXERCONTROLDETAILS {
  uint32_t cbStruct = 0;
  uint32_t dwControlID = 0;
  uint32_t cChannels = 0;
  uint32_t cMultipleItems = 0;  // or the owner window for custom controls
  uint32_t cbDetails = 0;
  void* paDetails = nullptr;
};

struct MIXERCONTROLDETAILS_LISTTEXT {
  uint32_t dwParam1 = 0;
  uint32_t dwParam2 = 0;
  char szName[64] = {};
};

uint32_t mixerGetNumDevs();
// Callback with CALLBACK_WINDOW: a classlib::TWinControl* that receives
// MM_MIXM_CONTROL_CHANGE (wParam the handle, lParam the control id) through
// the message queue, so it arrives on the user-interface thread.
MMRESULT mixerOpen(HMIXER* Handle, uint32_t DeviceId, uintptr_t Callback, uintptr_t Instance,
                   uint32_t Flags);
MMRESULT mixerClose(HMIXER Handle);
MMRESULT mixerGetDevCaps(uintptr_t MixerObj, MIXERCAPS* Caps, uint32_t Flags = MIXER_OBJECTF_MIXER);
MMRESULT mixerGetLineInfo(uintptr_t MixerObj, MIXERLINE* Line, uint32_t Flags);
MMRESULT mixerGetLineControls(uintptr_t MixerObj, MIXERLINECONTROLS* Controls, uint32_t Flags);
MMRESULT mixerGetControlDetails(uintptr_t MixerObj, MIXERCONTROLDETAILS* Details, uint32_t Flags);
MMRESULT mixerSetControlDetails(uintptr_t MixerObj, MIXERCONTROLDETAILS* Details, uint32_t Flags);

// ---------------------------------------------------------------- timers

struct TIMECAPS {
  uint32_t wPeriodMin = 0;
  uint32_t wPeriodMax = 0;
};
constexpr uint32_t TIME_ONESHOT = 0;
constexpr uint32_t TIME_PERIODIC = 1;
constexpr uint32_t TIMERR_NOCANDO = 97;
using LPTIMECALLBACK = void (*)(uint32_t TimerId, uint32_t Msg, uintptr_t User, uintptr_t Dw1,
                                uintptr_t Dw2);

MMRESULT timeGetDevCaps(TIMECAPS* Caps, uint32_t Size);
MMRESULT timeBeginPeriod(uint32_t Period);
MMRESULT timeEndPeriod(uint32_t Period);
// Each event runs on a thread of its own; 0 on failure.
uint32_t timeSetEvent(uint32_t Delay, uint32_t Resolution, LPTIMECALLBACK Callback, uintptr_t User,
                      uint32_t Flags);
// Stops the event and waits for a callback in progress (unless called from it).
MMRESULT timeKillEvent(uint32_t TimerId);
uint32_t timeGetTime();

// ---------------------------------------------------------------- compressed audio

using HACMDRIVERID = struct AcmDriverId*;
using HACMDRIVER = struct AcmDriverHandle*;
using HACMSTREAM = struct AcmStream*;

constexpr uint32_t ACM_METRIC_MAX_SIZE_FORMAT = 50;
constexpr uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr uint32_t ACM_FORMATENUMF_WFORMATTAG = 0x00010000;
constexpr uint32_t ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr uint32_t ACM_STREAMOPENF_ASYNC = 0x00000002;
constexpr uint32_t ACM_STREAMOPENF_NONREALTIME = 0x00000004;
constexpr uint32_t ACM_STREAMSIZEF_SOURCE = 0;
constexpr uint32_t ACM_STREAMSIZEF_DESTINATION = 1;
constexpr uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x04;
constexpr uint32_t ACM_STREAMCONVERTF_START = 0x10;
constexpr uint32_t ACM_STREAMCONVERTF_END = 0x20;
constexpr uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;
constexpr uint32_t ACMSTREAMHEADER_STATUSF_INQUEUE = 0x00100000;
constexpr uint32_t ACMDRIVERDETAILS_SUPPORTF_CODEC = 0x00000001;
constexpr uint32_t ACMDRIVERDETAILS_SUPPORTF_CONVERTER = 0x00000002;

struct ACMDRIVERDETAILS {
  uint32_t cbStruct = 0;
  uint32_t fccType = 0;
  uint32_t fccComp = 0;
  uint16_t wMid = 0;
  uint16_t wPid = 0;
  uint32_t vdwACM = 0;
  uint32_t vdwDriver = 0;
  uint32_t fdwSupport = 0;
  uint32_t cFormatTags = 0;
  uint32_t cFilterTags = 0;
  char szShortName[32] = {};
  char szLongName[128] = {};
  char szCopyright[80] = {};
  char szLicensing[128] = {};
  char szFeatures[512] = {};
};

struct ACMFORMATTAGDETAILS {
  uint32_t cbStruct = 0;
  uint32_t dwFormatTagIndex = 0;
  uint32_t dwFormatTag = 0;
  uint32_t cbFormatSize = 0;
  uint32_t fdwSupport = 0;
  uint32_t cStandardFormats = 0;
  char szFormatTag[48] = {};
};

struct ACMFORMATDETAILS {
  uint32_t cbStruct = 0;
  uint32_t dwFormatIndex = 0;
  uint32_t dwFormatTag = 0;
  uint32_t fdwSupport = 0;
  WAVEFORMATEX pwfx;  // in: the template (tag, channels, rate, bits); out: the format
  char szFormat[128] = {};
};

struct ACMSTREAMHEADER {
  uint32_t cbStruct = 0;
  uint32_t fdwStatus = 0;
  uintptr_t dwUser = 0;
  uint8_t* pbSrc = nullptr;
  uint32_t cbSrcLength = 0;
  uint32_t cbSrcLengthUsed = 0;
  uintptr_t dwSrcUser = 0;
  uint8_t* pbDst = nullptr;
  uint32_t cbDstLength = 0;
  uint32_t cbDstLengthUsed = 0;
  uintptr_t dwDstUser = 0;
};

using ACMDRIVERENUMCB = bool (*)(HACMDRIVERID Id, uintptr_t Instance, uint32_t Support);
using ACMFORMATTAGENUMCB = bool (*)(HACMDRIVERID Id, ACMFORMATTAGDETAILS* Details,
                                    uintptr_t Instance, uint32_t Support);
using ACMFORMATENUMCB = bool (*)(HACMDRIVERID Id, ACMFORMATDETAILS* Details, uintptr_t Instance,
                                 uint32_t Support);

uint32_t acmGetVersion();
MMRESULT acmDriverEnum(ACMDRIVERENUMCB Callback, uintptr_t Instance, uint32_t Flags);
MMRESULT acmDriverDetails(HACMDRIVERID Id, ACMDRIVERDETAILS* Details, uint32_t Flags);
MMRESULT acmDriverOpen(HACMDRIVER* Handle, HACMDRIVERID Id, uint32_t Flags);
MMRESULT acmDriverClose(HACMDRIVER Handle, uint32_t Flags);
// MAX_SIZE_FORMAT for a driver id or handle (Obj), or for all drivers (Obj 0).
MMRESULT acmMetrics(uintptr_t Obj, uint32_t Metric, uint32_t* Value);
MMRESULT acmFormatTagEnum(HACMDRIVER Handle, ACMFORMATTAGDETAILS* Details,
                          ACMFORMATTAGENUMCB Callback, uintptr_t Instance, uint32_t Flags);
MMRESULT acmFormatEnum(HACMDRIVER Handle, ACMFORMATDETAILS* Details, ACMFORMATENUMCB Callback,
                       uintptr_t Instance, uint32_t Flags);
MMRESULT acmFormatSuggest(HACMDRIVER Handle, const WAVEFORMATEX* Src, WAVEFORMATEX* Dst,
                          uint32_t DstSize, uint32_t Flags);
MMRESULT acmStreamOpen(HACMSTREAM* Stream, HACMDRIVER Driver, const WAVEFORMATEX* Src,
                       const WAVEFORMATEX* Dst, void* Filter, uintptr_t Callback,
                       uintptr_t Instance, uint32_t Flags);
MMRESULT acmStreamClose(HACMSTREAM Stream, uint32_t Flags);
MMRESULT acmStreamSize(HACMSTREAM Stream, uint32_t Input, uint32_t* Output, uint32_t Flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t Flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t Flags);
MMRESULT acmStreamConvert(HACMSTREAM Stream, ACMSTREAMHEADER* Header, uint32_t Flags);
MMRESULT acmStreamReset(HACMSTREAM Stream, uint32_t Flags);

}  // namespace sound
