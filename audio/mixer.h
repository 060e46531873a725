// Two views of the platform's audio mixers: the mixer device tree (mixers,
// lines, controls read on demand; list items selected) and the mixer settings
// of the audio component (every line read once; volume and mute by
// destination and line number).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/core.h"
#include "platform/classlib/component.h"
#include "platform/classlib/control.h"
#include "platform/sound/mmsystem.h"

namespace lumicast {

// A window that is never shown: it receives the sound layer's posted
// messages on the user-interface thread and hands them to Handler.
class unaMessageWindow : public classlib::TWinControl {
 public:
  explicit unaMessageWindow(classlib::TComponent* owner = nullptr);
  std::string ClassName() const override { return "unaMessageWindow"; }
  // True when the message was handled.
  std::function<bool(classlib::TMessage& message)> handler;

 protected:
  void WndProc(classlib::TMessage& message) override;
};

class tMsMixer;
class tMsMixerLine;

class tMsMixerControl : public unaObject {
 public:
  tMsMixerControl(tMsMixerLine* line, const sound::MIXERCONTROL& caps);
  const sound::MIXERCONTROL& caps() const { return caps_; }
  // Reads the values (and list texts) when they are stale.
  bool details();
  bool setSelected(int row, int column, bool selected);
  bool apply();
  int32_t value(int index) const;
  const std::vector<std::string>& listTexts() const { return listTexts_; }
  uint32_t lastResult = 0;

 private:
  uint32_t entryCount() const;
  tMsMixerLine* line_;
  sound::MIXERCONTROL caps_;
  bool detailsStale_ = true;
  sound::MIXERCONTROLDETAILS header_;
  std::vector<int32_t> values_;
  std::vector<std::string> listTexts_;
};

class tMsMixerLine : public unaObject {
 public:
  tMsMixerLine(tMsMixer* mixer, bool isSource, uint32_t destination, uint32_t source = 0);
  const sound::MIXERLINE& caps();
  void readConnections();
  int connectionCount() const { return isSource ? 0 : connections_.count(); }
  tMsMixerLine* getConnection(int index) const;
  void readControls();
  int controlCount() const { return controls_.count(); }
  tMsMixerControl* getControl(int index) const {
    return static_cast<tMsMixerControl*>(controls_.get(index));
  }
  tMsMixer* mixer() const { return mixer_; }
  bool isSource;
  uint32_t lastResult = 0;

 private:
  tMsMixer* mixer_;
  sound::MIXERLINE line_;
  bool infoStale_ = true;
  unaObjectList connections_{true};
  unaObjectList controls_{true};
};

class tMsMixerSystem;

class tMsMixer : public unaObject {
 public:
  tMsMixer(tMsMixerSystem* system, int number);
  ~tMsMixer() override;
  const sound::MIXERCAPS& caps();
  void readDestinations();
  int destinationCount() const { return destinations_.count(); }
  tMsMixerLine* getDestination(int index) const;
  void setOpen(bool open);
  // The object the query calls take: the handle while open, else device 0.
  uintptr_t object(uint32_t& flags) const;
  uint32_t deviceId = 0;
  sound::HMIXER handle = nullptr;
  uint32_t lastResult = 0;
  classlib::TWinControl* notifyWindow = nullptr;

 protected:
  virtual void performOpen();
  virtual void performClose();

 private:
  tMsMixerSystem* system_;
  sound::MIXERCAPS caps_;
  bool capsStale_ = true;
  unaObjectList destinations_{true};
};

class tMsMixerSystem : public classlib::TComponent {
 public:
  explicit tMsMixerSystem(classlib::TComponent* owner = nullptr);
  std::string ClassName() const override { return "tMsMixerSystem"; }
  virtual void enumerate();
  int mixerCount() const { return mixers_.count(); }
  tMsMixer* getMixer(int index) const { return static_cast<tMsMixer*>(mixers_.get(index)); }

 private:
  unaObjectList mixers_{true};
};

class TAudio;

// One line of the settings' list: the mixer itself (destination and line
// -1), a destination (line 0) or one of its sources (1, 2, ...).
struct TMixerLineNode {
  int16_t destination = -1;
  int16_t line = -1;
  std::string name;
  uint32_t volumeId = 0xFFFF, muteId = 0xFFFF, peakId = 0xFFFF;
  uint16_t initLeft = 0, initRight = 0;
  uint8_t peakKind = 0;
  uint8_t flags = 0;
  bool initMute = false;
  bool isSpeakersDestination = false;
  bool isMonoVolume = false;
  bool hasControl = false;
};

class TMixerSettings : public classlib::TPersistent {
 public:
  explicit TMixerSettings(TAudio* owner);
  ~TMixerSettings() override;
  std::string ClassName() const override { return "TMixerSettings"; }
  // Reads every line of mixer MixerId; false (not valid) on any failure.
  bool read(uint32_t mixerId);
  void closeMixer();
  std::vector<std::string> GetDestinationNames() const;
  std::vector<std::string> GetLineNames(int destination) const;
  bool GetVolume(int destination, int line, uint8_t& flags, bool& mute, uint16_t& left,
                 uint16_t& right);
  bool SetVolume(int destination, int line, bool mute, uint16_t left, uint16_t right);
  bool isValid = false;
  const std::vector<TMixerLineNode>& nodes() const { return nodes_; }

 private:
  bool readControls(const sound::MIXERLINE& line, TMixerLineNode& node);
  const TMixerLineNode* find(int destination, int line) const;
  bool readValue(uint32_t id, uint32_t channels, int32_t* values);
  bool writeValue(uint32_t id, uint32_t channels, const int32_t* values);
  bool handleMessage(classlib::TMessage& message);
  TAudio* owner_;
  sound::HMIXER handle_ = nullptr;
  std::vector<TMixerLineNode> nodes_;
  std::unique_ptr<unaMessageWindow> window_;
};

}  // namespace lumicast
