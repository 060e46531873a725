// The audio component: recorder and player settings with their buffer rings
// (serving a wave device opened elsewhere), and the mixer settings.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/files.h"
#include "audio/mixer.h"
#include "audio/utils.h"
#include "platform/classlib/component.h"

namespace lumicast {

class TAudio;

enum class TBitsPerSample { _8, _16 };
enum class TChannels { Mono, Stereo };

using TRecordEvent =
    std::function<void(TAudio* sender, const void* data, size_t size, const void* second)>;
using TAudioNotifyEvent = std::function<void(TAudio* sender)>;
using TMixerChangeEvent = std::function<void(TAudio* sender, intptr_t first, intptr_t second)>;

class TAudioSettings : public classlib::TPersistent {
 public:
  explicit TAudioSettings(TAudio* owner) : owner_(owner) {}
  ~TAudioSettings() override;
  TBitsPerSample BitsPerSample() const { return bits_; }
  TChannels Channels() const { return channels_; }
  uint16_t SampleRate() const { return rate_; }
  // Set by TAudio's setters (together for both or each alone).
  void setBitsPerSample(TBitsPerSample value);
  void setChannels(TChannels value);
  void setSampleRate(uint16_t value);
  // Builds the PCM record and the ring of 4 headers and buffers; false with
  // the owner's error text set when memory runs out.
  virtual bool allocateRing();
  void freeRing();

  bool active = false;
  WAVEFORMATEX pcm;
  uint32_t bufferSize = 0;
  struct Entry {
    sound::WAVEHDR header;
    std::vector<char> buffer;
    std::vector<char> half;
  };
  Entry ring[4];
  int head = 0, tail = 0, pending = 0;

 protected:
  TAudio* owner_;
  TBitsPerSample bits_ = TBitsPerSample::_8;
  TChannels channels_ = TChannels::Mono;
  uint16_t rate_ = 11025;
};

class TRecorder : public TAudioSettings {
 public:
  explicit TRecorder(TAudio* owner) : TAudioSettings(owner) {}
  std::string ClassName() const override { return "TRecorder"; }
  uint16_t NoSamples() const;
  bool SplitChannels() const { return split_; }
  void SetSplitChannels(bool value);
  uint16_t TrigLevel = 128;
  bool Triggered = true;
  bool skip = false;
  // The file a recording is written to, when writing to a file.
  std::unique_ptr<unaFileStream> recordingStream;
  bool writingToFile = false;
  sound::HWAVEIN device = nullptr;
  // Stops the device (reset, unprepare, close) and patches the recording file.
  bool Stop();
  void handleData(sound::WAVEHDR* header);

 private:
  bool split_ = false;
};

class TPlayer : public TAudioSettings {
 public:
  explicit TPlayer(TAudio* owner) : TAudioSettings(owner) {}
  std::string ClassName() const override { return "TPlayer"; }
  std::unique_ptr<unaAbstractStream> playbackStream;
  int64_t readPosition = 0;
  int repeatCount = 0;
  bool finished = false;
  sound::HWAVEOUT device = nullptr;
  bool Stop();
  void handlePlayed();
  // Writes the next buffer of the playback stream to the device.
  bool refill();
  void closeDevice();
  TBitsPerSample savedBits = TBitsPerSample::_8;
  TChannels savedChannels = TChannels::Mono;
  uint16_t savedRate = 11025;
};

class TAudio : public classlib::TComponent {
 public:
  explicit TAudio(classlib::TComponent* owner = nullptr);
  ~TAudio() override;
  std::string ClassName() const override { return "TAudio"; }

  int AudioDeviceID() const { return audioDeviceId_; }
  void SetAudioDeviceID(int value);
  int MixerDeviceID() const { return mixerDeviceId_; }
  void SetMixerDeviceID(int value);
  bool SeparateCtrls = false;
  TPlayer* Player() { return &player_; }
  TRecorder* Recorder() { return &recorder_; }
  std::string Version() const { return "4.1 (32bit)"; }
  void SetChannels(TAudioSettings* target, TChannels value);
  void SetBitsPerSample(TAudioSettings* target, TBitsPerSample value);
  void SetSampleRate(TAudioSettings* target, uint16_t value);
  void SetNoSamples(uint16_t value);
  uint16_t NoSamples() const { return noSamples_; }
  TMixerSettings& MixerSettings() { return mixer_; }
  // The window the device this component serves posts to (CALLBACK_WINDOW).
  classlib::TWinControl* window() { return window_.get(); }

  TRecordEvent OnRecord;
  TAudioNotifyEvent OnBufferPlayed;
  TAudioNotifyEvent OnPlayed;
  TMixerChangeEvent OnMixerChange;
  std::string errorText;
  const uint32_t formatSize = 18;

 private:
  friend class TRecorder;
  friend class TPlayer;
  bool handleMessage(classlib::TMessage& m);
  int audioDeviceId_ = -1;
  int mixerDeviceId_ = 0;
  uint16_t noSamples_ = 8192;
  TRecorder recorder_{this};
  TPlayer player_{this};
  TMixerSettings mixer_{this};
  std::unique_ptr<unaMessageWindow> window_;
};

}  // namespace lumicast
