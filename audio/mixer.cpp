#include "audio/mixer.h"

#include <cstring>

#include "audio/audio_component.h"

namespace lumicast {

using namespace sound;

// ---------------------------------------------------------------- hidden window

unaMessageWindow::unaMessageWindow(classlib::TComponent* owner) : classlib::TWinControl(owner) {
  SetVisible(false);
}

void unaMessageWindow::WndProc(classlib::TMessage& message) {
  if (handler && handler(message)) return;
  classlib::TWinControl::WndProc(message);
}

// ---------------------------------------------------------------- tree

namespace {
bool IsListControl(uint32_t type) {
  return type == 0x50030004u || type == 0x70010000u || type == 0x70010001u || type == 0x71010000u ||
         type == 0x71010001u;
}
bool HasFourByteValues(uint32_t type) {
  switch (type) {
    case 0x10010000u:
    case 0x10020000u:
    case 0x10020001u:
    case 0x10030000u:
    case 0x21010000u:
    case 0x30020000u:
    case 0x30030000u:
    case 0x30040000u:
    case 0x30050000u:
    case 0x60030000u:
    case 0x61030000u:
    case 0x70010000u:
    case 0x70010001u:
    case 0x71010000u:
    case 0x71010001u: return true;
    default:
      return (type >= 0x20010000u && type <= 0x20010005u) ||
             (type >= 0x40020000u && type <= 0x40020002u) ||
             (type >= 0x50030000u && type <= 0x50030004u);
  }
}
// Reads every control of a line at once; false (Result set) when the mixer refuses.
bool ReadAllControls(uintptr_t obj, uint32_t flags, const MIXERLINE& line,
                     std::vector<MIXERCONTROL>& list, uint32_t& result) {
  list.assign(line.cControls, MIXERCONTROL{});
  if (list.empty()) return true;
  MIXERLINECONTROLS lc;
  lc.cbStruct = sizeof lc;
  lc.dwLineID = line.dwLineID;
  lc.cControls = line.cControls;
  lc.cbmxctrl = sizeof(MIXERCONTROL);
  lc.pamxctrl = list.data();
  result = mixerGetLineControls(obj, &lc, flags | MIXER_GETLINECONTROLSF_ALL);
  return result == 0;
}

}  // namespace

tMsMixerControl::tMsMixerControl(tMsMixerLine* line, const MIXERCONTROL& caps)
    : line_(line), caps_(caps) {}

uint32_t tMsMixerControl::entryCount() const {
  const uint32_t items =
      (caps_.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? caps_.cMultipleItems : 0;
  return std::max<uint32_t>(header_.cChannels, 1) * std::max<uint32_t>(items, 1);
}

bool tMsMixerControl::details() {
  if (!detailsStale_) return true;
  const bool custom = caps_.dwControlType == 0;
  const bool multiple = (caps_.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
  header_ = MIXERCONTROLDETAILS{};
  header_.cbStruct = sizeof header_;
  header_.dwControlID = caps_.dwControlID;
  header_.cChannels = custom ? 0
                      : (caps_.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM)
                          ? 1
                          : line_->caps().cChannels;
  header_.cMultipleItems = multiple ? caps_.cMultipleItems : 0;
  uint32_t flags = 0;
  const uintptr_t obj = line_->mixer()->object(flags);
  if (IsListControl(caps_.dwControlType)) {
    const uint32_t count = multiple ? header_.cChannels * caps_.cMultipleItems : header_.cChannels;
    std::vector<MIXERCONTROLDETAILS_LISTTEXT> texts(count);
    listTexts_.clear();
    if (count > 0) {
      header_.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXT);
      header_.paDetails = texts.data();
      lastResult = mixerGetControlDetails(obj, &header_, flags | MIXER_GETCONTROLDETAILSF_LISTTEXT);
      if (lastResult == 0)
        for (const auto& t : texts)
          listTexts_.emplace_back(t.szName, strnlen(t.szName, sizeof t.szName));
    }
  }
  if (!HasFourByteValues(caps_.dwControlType) || custom) {
    detailsStale_ = false;
    return true;
  }
  values_.assign(entryCount(), 0);
  header_.cbDetails = 4;
  header_.paDetails = values_.data();
  lastResult = mixerGetControlDetails(obj, &header_, flags | MIXER_GETCONTROLDETAILSF_VALUE);
  detailsStale_ = lastResult != 0;
  return lastResult == 0;
}

int32_t tMsMixerControl::value(int index) const {
  return index >= 0 && index < static_cast<int>(values_.size())
             ? values_[static_cast<size_t>(index)]
             : 0;
}

bool tMsMixerControl::setSelected(int row, int column, bool selected) {
  details();
  const bool multiple = (caps_.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
  const int index = multiple ? column + row * static_cast<int>(caps_.cMultipleItems) : row;
  if (index < 0 || index >= static_cast<int>(values_.size())) return false;
  values_[static_cast<size_t>(index)] = selected ? -1 : 0;
  return apply();
}

bool tMsMixerControl::apply() {
  uint32_t flags = 0;
  const uintptr_t obj = line_->mixer()->object(flags);
  header_.cbDetails = 4;
  header_.paDetails = values_.data();
  lastResult = mixerSetControlDetails(obj, &header_, flags | MIXER_SETCONTROLDETAILSF_VALUE);
  return lastResult == 0;
}

tMsMixerLine::tMsMixerLine(tMsMixer* mixer, bool isSource_, uint32_t destination, uint32_t source)
    : isSource(isSource_), mixer_(mixer) {
  line_.cbStruct = sizeof line_;
  line_.dwDestination = destination;
  line_.dwSource = source;
}

const MIXERLINE& tMsMixerLine::caps() {
  if (infoStale_) {
    uint32_t flags = 0;
    const uintptr_t obj = mixer_->object(flags);
    lastResult = mixerGetLineInfo(
        obj, &line_,
        flags | (isSource ? MIXER_GETLINEINFOF_SOURCE : MIXER_GETLINEINFOF_DESTINATION));
    infoStale_ = lastResult != 0;
  }
  return line_;
}

void tMsMixerLine::readConnections() {
  connections_.clear();
  if (isSource) return;
  const uint32_t n = caps().cConnections;
  // The list holds the sources in reverse order of their source index.
  for (uint32_t i = 0; i < n; ++i) {
    auto* src = new tMsMixerLine(mixer_, true, line_.dwDestination, n - 1 - i);
    src->caps();
    connections_.add(src);
  }
}

tMsMixerLine* tMsMixerLine::getConnection(int index) const {
  if (isSource) return nullptr;
  return static_cast<tMsMixerLine*>(connections_.get(index));
}

void tMsMixerLine::readControls() {
  controls_.clear();
  const MIXERLINE& l = caps();
  uint32_t flags = 0;
  const uintptr_t obj = mixer_->object(flags);
  std::vector<MIXERCONTROL> list;
  if (!ReadAllControls(obj, flags, l, list, lastResult)) return;
  for (const auto& c : list) controls_.add(new tMsMixerControl(this, c));
}

tMsMixer::tMsMixer(tMsMixerSystem* system, int) : system_(system) {}

tMsMixer::~tMsMixer() { setOpen(false); }

uintptr_t tMsMixer::object(uint32_t& flags) const {
  if (handle) {
    flags = MIXER_OBJECTF_HMIXER;
    return reinterpret_cast<uintptr_t>(handle);
  }
  flags = MIXER_OBJECTF_MIXER;
  return deviceId;
}

const MIXERCAPS& tMsMixer::caps() {
  if (capsStale_) {
    uint32_t flags = 0;
    const uintptr_t obj = object(flags);
    lastResult = mixerGetDevCaps(obj, &caps_, flags);
    capsStale_ = lastResult != 0;
  }
  return caps_;
}

void tMsMixer::performOpen() {
  lastResult = mixerOpen(&handle, deviceId, reinterpret_cast<uintptr_t>(notifyWindow),
                         reinterpret_cast<uintptr_t>(this), notifyWindow ? CALLBACK_WINDOW : 0);
  if (lastResult != 0) handle = nullptr;
  capsStale_ = handle != nullptr;
}

void tMsMixer::performClose() {
  if (handle) mixerClose(handle);
  handle = nullptr;
}

void tMsMixer::setOpen(bool open) {
  if (open && !handle)
    performOpen();
  else if (!open && handle)
    performClose();
}

void tMsMixer::readDestinations() {
  destinations_.clear();
  const uint32_t n = caps().cDestinations;
  for (uint32_t d = 0; d < n; ++d) destinations_.add(new tMsMixerLine(this, false, d));
}

tMsMixerLine* tMsMixer::getDestination(int index) const {
  return static_cast<tMsMixerLine*>(destinations_.get(index));
}

tMsMixerSystem::tMsMixerSystem(classlib::TComponent* owner) : classlib::TComponent(owner) {
  enumerate();
}

void tMsMixerSystem::enumerate() {
  const int n = static_cast<int>(mixerGetNumDevs());
  mixers_.clear();
  for (int i = 0; i < n; ++i) mixers_.add(new tMsMixer(this, n - i));
}

// ---------------------------------------------------------------- settings

TMixerSettings::TMixerSettings(TAudio* owner) : owner_(owner) {}

TMixerSettings::~TMixerSettings() { closeMixer(); }

void TMixerSettings::closeMixer() {
  if (handle_) mixerClose(handle_);
  handle_ = nullptr;
  isValid = false;
}

bool TMixerSettings::readValue(uint32_t id, uint32_t channels, int32_t* values) {
  MIXERCONTROLDETAILS d;
  d.cbStruct = sizeof d;
  d.dwControlID = id;
  d.cChannels = channels;
  d.cbDetails = 4;
  d.paDetails = values;
  return mixerGetControlDetails(reinterpret_cast<uintptr_t>(handle_), &d, MIXER_OBJECTF_HMIXER) ==
         0;
}

bool TMixerSettings::writeValue(uint32_t id, uint32_t channels, const int32_t* values) {
  MIXERCONTROLDETAILS d;
  d.cbStruct = sizeof d;
  d.dwControlID = id;
  d.cChannels = channels;
  d.cbDetails = 4;
  d.paDetails = const_cast<int32_t*>(values);
  return mixerSetControlDetails(reinterpret_cast<uintptr_t>(handle_), &d, MIXER_OBJECTF_HMIXER) ==
         0;
}

bool TMixerSettings::readControls(const MIXERLINE& line, TMixerLineNode& node) {
  std::vector<MIXERCONTROL> list;
  uint32_t result = 0;
  if (!ReadAllControls(reinterpret_cast<uintptr_t>(handle_), MIXER_OBJECTF_HMIXER, line, list,
                       result))
    return false;
  bool muteFound = false;
  for (const auto& c : list) {
    if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME) {
      const uint32_t channels = std::max<uint32_t>(line.cChannels, 1);
      int32_t v[2] = {0, 0};
      if (!readValue(c.dwControlID, std::min<uint32_t>(channels, 2), v)) continue;
      node.volumeId = c.dwControlID;
      node.initLeft = static_cast<uint16_t>(v[0]);
      if (channels == 1) {
        node.isMonoVolume = true;
        node.initRight = node.initLeft;
        node.flags |= 64;
      } else {
        node.initRight = static_cast<uint16_t>(v[1]);
      }
      node.hasControl = true;
    } else if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE && !muteFound) {
      int32_t v = 0;
      if (!readValue(c.dwControlID, 1, &v)) continue;
      muteFound = true;
      node.muteId = c.dwControlID;
      node.initMute = v != 0;
      node.flags &= static_cast<uint8_t>(~128);
      node.hasControl = true;
    } else if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_PEAKMETER) {
      node.peakId = c.dwControlID;
      node.peakKind = line.cChannels == 1 ? 1 : 2;
    }
  }
  return true;
}

bool TMixerSettings::read(uint32_t mixerId) {
  closeMixer();
  nodes_.clear();
  if (mixerGetNumDevs() == 0 || mixerId >= mixerGetNumDevs()) return false;
  MIXERCAPS caps;
  if (mixerGetDevCaps(mixerId, &caps) != 0) return false;
  if (!window_) {
    window_ = std::make_unique<unaMessageWindow>(nullptr);
    window_->handler = [this](classlib::TMessage& m) { return handleMessage(m); };
  }
  if (mixerOpen(&handle_, mixerId, reinterpret_cast<uintptr_t>(window_.get()), 0,
                CALLBACK_WINDOW) != 0) {
    handle_ = nullptr;
    return false;
  }
  TMixerLineNode mixerNode;
  mixerNode.name = std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
  nodes_.push_back(mixerNode);
  for (uint32_t d = 0; d < caps.cDestinations; ++d) {
    MIXERLINE dest;
    dest.cbStruct = sizeof dest;
    dest.dwDestination = d;
    if (mixerGetLineInfo(reinterpret_cast<uintptr_t>(handle_), &dest,
                         MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION) != 0)
      return false;
    TMixerLineNode node;
    node.destination = static_cast<int16_t>(d);
    node.line = 0;
    node.name = std::string(dest.szName, strnlen(dest.szName, sizeof dest.szName));
    node.flags = 128;
    node.isSpeakersDestination = dest.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (!readControls(dest, node)) return false;
    nodes_.push_back(node);
    for (uint32_t s = 0; s < dest.cConnections; ++s) {
      MIXERLINE src;
      src.cbStruct = sizeof src;
      src.dwDestination = d;
      src.dwSource = s;
      if (mixerGetLineInfo(reinterpret_cast<uintptr_t>(handle_), &src,
                           MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) != 0)
        return false;
      TMixerLineNode sn;
      sn.destination = static_cast<int16_t>(d);
      sn.line = static_cast<int16_t>(nodes_.back().line + 1);
      sn.name = std::string(src.szName, strnlen(src.szName, sizeof src.szName));
      sn.flags = 128;
      if (!readControls(src, sn)) return false;
      nodes_.push_back(sn);
    }
  }
  isValid = true;
  return true;
}

const TMixerLineNode* TMixerSettings::find(int destination, int line) const {
  for (const auto& n : nodes_)
    if (n.destination == destination && n.line == line) return &n;
  return nullptr;
}

std::vector<std::string> TMixerSettings::GetDestinationNames() const {
  std::vector<std::string> out;
  for (const auto& n : nodes_)
    if (n.destination >= 0 && n.line == 0) {
      if (out.size() <= static_cast<size_t>(n.destination))
        out.resize(static_cast<size_t>(n.destination) + 1);
      out[static_cast<size_t>(n.destination)] = n.name;
    }
  return out;
}

std::vector<std::string> TMixerSettings::GetLineNames(int destination) const {
  std::vector<std::string> out;
  for (const auto& n : nodes_)
    if (n.destination == destination && n.line >= 0) {
      if (out.size() <= static_cast<size_t>(n.line)) out.resize(static_cast<size_t>(n.line) + 1);
      out[static_cast<size_t>(n.line)] = n.hasControl ? n.name : std::string();
    }
  return out;
}

bool TMixerSettings::GetVolume(int destination, int line, uint8_t& flags, bool& mute,
                               uint16_t& left, uint16_t& right) {
  const TMixerLineNode* n = isValid ? find(destination, line) : nullptr;
  if (!n) return false;
  flags = n->flags;
  int32_t v[2] = {0, 0};
  if (n->volumeId == 0xFFFF || !readValue(n->volumeId, n->isMonoVolume ? 1 : 2, v)) {
    // A line without a volume control has no volume to report.
    owner_->errorText = "Volume GetControlError in Mixer";
    return false;
  }
  left = static_cast<uint16_t>(v[0]);
  right = static_cast<uint16_t>(n->isMonoVolume ? v[0] : v[1]);
  int32_t m = 0;
  if (n->muteId == 0xFFFF || !readValue(n->muteId, 1, &m)) {
    owner_->errorText = "Mute GetControlError in Mixer";
    return false;
  }
  mute = m != 0;
  return true;
}

bool TMixerSettings::SetVolume(int destination, int line, bool mute, uint16_t left,
                               uint16_t right) {
  const TMixerLineNode* n = isValid ? find(destination, line) : nullptr;
  if (!n) return false;
  if (n->volumeId != 0xFFFF) {
    const int32_t v[2] = {left, right};
    if (!writeValue(n->volumeId, n->isMonoVolume ? 1 : 2, v)) {
      owner_->errorText = "Volume SetControlError in Mixer";
      return false;
    }
  }
  if (n->muteId != 0xFFFF) {
    const int32_t m = mute ? 1 : 0;
    if (!writeValue(n->muteId, 1, &m)) {
      owner_->errorText = "Mute SetControlError in Mixer";
      return false;
    }
  }
  return true;
}

bool TMixerSettings::handleMessage(classlib::TMessage& m) {
  if (m.Msg != MM_MIXM_CONTROL_CHANGE) return false;
  if (!isValid || !owner_->OnMixerChange) return true;
  const uint32_t id = static_cast<uint32_t>(m.LParam);
  owner_->OnMixerChange(owner_, static_cast<intptr_t>(m.WParam), static_cast<intptr_t>(id));
  for (const auto& n : nodes_)
    if (n.line >= 0 && (n.volumeId == id || n.muteId == id)) {
      owner_->OnMixerChange(owner_, n.destination, n.line);
      break;
    }
  return true;
}

}  // namespace lumicast
