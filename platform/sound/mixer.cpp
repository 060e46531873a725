// Mixers. Mixer 0 is the sound layer's own: one wave-in destination whose
// multiplexer selects the recording source among "Stereo Mix" (the playback
// mix, with volume and mute) and one line per ALSA capture device. Mixers 1..n
// show the ALSA cards' capture controls. Tests may replace all of them by
// scripted tables.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

#include "platform/classlib/message_queue.h"
#include "platform/sound/mmsystem.h"
#include "platform/sound/playback_mix.h"
#include "platform/sound/sound_internal.h"
#include "platform/sound/sound_testing.h"

namespace sound {

namespace {

struct Control {
  MIXERCONTROL caps;
  uint32_t channels = 1;        // value channels (1 for uniform controls)
  std::vector<int32_t> values;  // channels x items
  std::vector<std::string> texts;
  std::vector<uint32_t> textLineIds;  // list items: the line each names
  std::vector<uint32_t> textTypes;
  std::function<void(Control&)> refresh;      // reads the device
  std::function<bool(const Control&)> apply;  // writes the device
};

struct Line {
  MIXERLINE caps;
  std::vector<Control> controls;
};

struct Dest {
  Line line;
  std::vector<Line> sources;
};

struct Mixer {
  MIXERCAPS caps;
  std::vector<Dest> dests;
  snd_mixer_t* alsa = nullptr;  // ALSA card mixers keep their handle
};

void CopyText(char* dst, size_t size, const std::string& s) {
  const size_t n = std::min(size - 1, s.size());
  std::memcpy(dst, s.data(), n);
  dst[n] = 0;
}

uint32_t ItemsOf(const Control& c) {
  return (c.caps.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE)
             ? std::max<uint32_t>(c.caps.cMultipleItems, 1)
             : 1;
}

bool IsSingleSelectList(uint32_t type) {
  return type == 0x70010000u || type == MIXERCONTROL_CONTROLTYPE_MUX;
}
bool IsListType(uint32_t type) {
  return type == 0x50030004u || type == 0x70010000u || type == 0x70010001u || type == 0x71010000u ||
         type == 0x71010001u;
}

Line MakeLine(const std::string& name, uint32_t type, uint32_t channels, bool source) {
  Line l;
  l.caps.cbStruct = sizeof(MIXERLINE);
  l.caps.dwComponentType = type;
  l.caps.cChannels = channels;
  l.caps.fdwLine = MIXERLINE_LINEF_ACTIVE | (source ? MIXERLINE_LINEF_SOURCE : 0);
  CopyText(l.caps.szName, sizeof l.caps.szName, name);
  CopyText(l.caps.szShortName, sizeof l.caps.szShortName, name);
  return l;
}

Control MakeControl(uint32_t type, const std::string& name, uint32_t flags, uint32_t items,
                    int32_t min, int32_t max, uint32_t lineChannels) {
  Control c;
  c.caps.cbStruct = sizeof(MIXERCONTROL);
  c.caps.dwControlType = type;
  c.caps.fdwControl = flags;
  c.caps.cMultipleItems = items;
  c.caps.Bounds.lMinimum = min;
  c.caps.Bounds.lMaximum = max;
  c.caps.Metrics.cSteps = static_cast<uint32_t>(max - min);
  CopyText(c.caps.szName, sizeof c.caps.szName, name);
  CopyText(c.caps.szShortName, sizeof c.caps.szShortName, name);
  c.channels = (flags & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : std::max<uint32_t>(lineChannels, 1);
  c.values.assign(c.channels * ItemsOf(c), 0);
  return c;
}

// Numbers lines and controls, and fills in the counts, once a mixer is built.
void Finalise(Mixer& m) {
  uint32_t nextControl = 1;
  m.caps.cDestinations = static_cast<uint32_t>(m.dests.size());
  for (uint32_t d = 0; d < m.dests.size(); ++d) {
    Dest& dest = m.dests[d];
    dest.line.caps.dwDestination = d;
    dest.line.caps.dwSource = 0;
    dest.line.caps.dwLineID = 0xFFFF0000u | d;
    dest.line.caps.cConnections = static_cast<uint32_t>(dest.sources.size());
    dest.line.caps.cControls = static_cast<uint32_t>(dest.line.controls.size());
    for (Control& c : dest.line.controls) c.caps.dwControlID = nextControl++;
    for (uint32_t s = 0; s < dest.sources.size(); ++s) {
      Line& src = dest.sources[s];
      src.caps.dwDestination = d;
      src.caps.dwSource = s;
      src.caps.dwLineID = (s << 16) | d;
      src.caps.cConnections = 0;
      src.caps.cControls = static_cast<uint32_t>(src.controls.size());
      for (Control& c : src.controls) c.caps.dwControlID = nextControl++;
    }
  }
}

// Our mixer: control ids 1 (multiplexer), 2 (Stereo Mix volume), 3 (its mute).
constexpr uint32_t kMuxId = 1, kStereoVolumeId = 2, kStereoMuteId = 3;

Mixer BuildOwnMixer() {
  Mixer m;
  m.caps.wMid = 1;
  m.caps.wPid = 1;
  m.caps.vDriverVersion = 0x0100;
  CopyText(m.caps.szPname, sizeof m.caps.szPname, "Lumicast Mixer");
  const auto& alsa = internal::AlsaCaptureDevices();
  const uint32_t n = 1 + static_cast<uint32_t>(alsa.size());
  Dest d;
  d.line = MakeLine("Recording Control", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 2, false);
  d.sources.push_back(MakeLine("Stereo Mix", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, true));
  for (const auto& dev : alsa)
    d.sources.push_back(MakeLine(dev.displayName, MIXERLINE_COMPONENTTYPE_SRC_LINE, 2, true));
  Control mux =
      MakeControl(MIXERCONTROL_CONTROLTYPE_MUX, "Recording Source",
                  MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE, n, 0, 1, 2);
  // Item j names source n - 1 - j, as the connections list them.
  for (uint32_t j = 0; j < n; ++j) {
    const uint32_t s = n - 1 - j;
    mux.texts.push_back(d.sources[s].caps.szName);
    mux.textLineIds.push_back((s << 16) | 0);
    mux.textTypes.push_back(d.sources[s].caps.dwComponentType);
  }
  mux.values[n - 1] = 1;  // Stereo Mix selected
  d.line.controls.push_back(mux);
  Control vol = MakeControl(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", 0, 0, 0, 65535, 2);
  vol.values = {65535, 65535};
  Control mute =
      MakeControl(MIXERCONTROL_CONTROLTYPE_MUTE, "Mute", MIXERCONTROL_CONTROLF_UNIFORM, 0, 0, 1, 2);
  d.sources[0].controls = {vol, mute};
  m.dests.push_back(std::move(d));
  Finalise(m);
  return m;
}

// A mixer for one ALSA card: the capture-source enumeration becomes the
// multiplexer; the capture volume (scaled to 0..65535) and the inverted
// capture switch become each source's volume and mute.
bool BuildAlsaMixer(int card, Mixer& m) {
  snd_mixer_t* h = nullptr;
  const std::string name = "hw:" + std::to_string(card);
  if (snd_mixer_open(&h, 0) < 0) return false;
  if (snd_mixer_attach(h, name.c_str()) < 0 || snd_mixer_selem_register(h, nullptr, nullptr) < 0 ||
      snd_mixer_load(h) < 0) {
    snd_mixer_close(h);
    return false;
  }
  snd_mixer_elem_t* enumElem = nullptr;
  snd_mixer_elem_t* volElem = nullptr;
  for (snd_mixer_elem_t* e = snd_mixer_first_elem(h); e; e = snd_mixer_elem_next(e)) {
    if (!snd_mixer_selem_is_active(e)) continue;
    if (!enumElem && snd_mixer_selem_is_enum_capture(e)) enumElem = e;
    if (!volElem && snd_mixer_selem_has_capture_volume(e)) volElem = e;
  }
  m.alsa = h;
  char* cardName = nullptr;
  std::string display = name;
  if (snd_card_get_name(card, &cardName) == 0 && cardName) {
    display = cardName;
    free(cardName);
  }
  CopyText(m.caps.szPname, sizeof m.caps.szPname, display);
  m.caps.wMid = 1;
  m.caps.wPid = static_cast<uint16_t>(2 + card);
  Dest d;
  d.line = MakeLine("Capture", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 2, false);
  std::vector<std::string> items;
  if (enumElem) {
    const int n = snd_mixer_selem_get_enum_items(enumElem);
    for (int i = 0; i < n; ++i) {
      char buf[64] = {};
      snd_mixer_selem_get_enum_item_name(enumElem, static_cast<unsigned>(i), sizeof buf - 1, buf);
      items.push_back(buf);
    }
  }
  if (items.empty()) items.push_back(volElem ? snd_mixer_selem_get_name(volElem) : "Capture");
  const uint32_t n = static_cast<uint32_t>(items.size());
  for (const auto& it : items)
    d.sources.push_back(MakeLine(it, MIXERLINE_COMPONENTTYPE_SRC_LINE, 2, true));
  if (enumElem) {
    Control mux =
        MakeControl(MIXERCONTROL_CONTROLTYPE_MUX, "Capture Source",
                    MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE, n, 0, 1, 2);
    for (uint32_t j = 0; j < n; ++j) {
      mux.texts.push_back(items[n - 1 - j]);
      mux.textLineIds.push_back(((n - 1 - j) << 16) | 0);
      mux.textTypes.push_back(MIXERLINE_COMPONENTTYPE_SRC_LINE);
    }
    mux.refresh = [enumElem, n](Control& c) {
      unsigned idx = 0;
      snd_mixer_selem_get_enum_item(enumElem, SND_MIXER_SCHN_FRONT_LEFT, &idx);
      std::fill(c.values.begin(), c.values.end(), 0);
      if (idx < n) c.values[n - 1 - idx] = 1;
    };
    mux.apply = [enumElem, n](const Control& c) {
      for (uint32_t j = 0; j < n; ++j)
        if (c.values[j])
          return snd_mixer_selem_set_enum_item(enumElem, SND_MIXER_SCHN_FRONT_LEFT, n - 1 - j) >= 0;
      return false;
    };
    d.line.controls.push_back(mux);
  }
  if (volElem) {
    long lo = 0, hi = 0;
    snd_mixer_selem_get_capture_volume_range(volElem, &lo, &hi);
    for (Line& src : d.sources) {
      Control vol = MakeControl(MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", 0, 0, 0, 65535, 2);
      vol.refresh = [volElem, lo, hi](Control& c) {
        for (uint32_t ch = 0; ch < c.channels; ++ch) {
          long v = 0;
          snd_mixer_selem_get_capture_volume(volElem, static_cast<snd_mixer_selem_channel_id_t>(ch),
                                             &v);
          c.values[ch] = hi > lo ? static_cast<int32_t>((v - lo) * 65535 / (hi - lo)) : 0;
        }
      };
      vol.apply = [volElem, lo, hi](const Control& c) {
        bool ok = true;
        for (uint32_t ch = 0; ch < c.channels; ++ch) {
          const long v =
              lo + static_cast<long>(static_cast<int64_t>(c.values[ch]) * (hi - lo) / 65535);
          ok = snd_mixer_selem_set_capture_volume(
                   volElem, static_cast<snd_mixer_selem_channel_id_t>(ch), v) >= 0 &&
               ok;
        }
        return ok;
      };
      src.controls.push_back(vol);
      if (snd_mixer_selem_has_capture_switch(volElem)) {
        Control mute = MakeControl(MIXERCONTROL_CONTROLTYPE_MUTE, "Mute",
                                   MIXERCONTROL_CONTROLF_UNIFORM, 0, 0, 1, 2);
        mute.refresh = [volElem](Control& c) {
          int on = 1;
          snd_mixer_selem_get_capture_switch(volElem, SND_MIXER_SCHN_FRONT_LEFT, &on);
          c.values[0] = on ? 0 : 1;
        };
        mute.apply = [volElem](const Control& c) {
          return snd_mixer_selem_set_capture_switch_all(volElem, c.values[0] ? 0 : 1) >= 0;
        };
        src.controls.push_back(mute);
      }
    }
  }
  m.dests.push_back(std::move(d));
  Finalise(m);
  return true;
}

Mixer BuildScripted(const testing::ScriptMixer& s) {
  Mixer m;
  m.caps.wMid = 1;
  m.caps.wPid = 99;
  CopyText(m.caps.szPname, sizeof m.caps.szPname, s.name);
  auto makeLine = [](const testing::ScriptLine& sl, bool source) {
    Line l = MakeLine(sl.name, sl.componentType, sl.channels, source);
    for (const auto& sc : sl.controls) {
      Control c =
          MakeControl(sc.type, sc.name, sc.flags, sc.items, sc.minimum, sc.maximum, sl.channels);
      for (size_t i = 0; i < sc.values.size() && i < c.values.size(); ++i)
        c.values[i] = sc.values[i];
      c.texts = sc.listTexts;
      c.textLineIds.assign(c.texts.size(), 0);
      c.textTypes.assign(c.texts.size(), 0);
      l.controls.push_back(std::move(c));
    }
    return l;
  };
  for (const auto& sd : s.destinations) {
    Dest d;
    d.line = makeLine(sd.line, false);
    for (const auto& ss : sd.sources) d.sources.push_back(makeLine(ss, true));
    m.dests.push_back(std::move(d));
  }
  Finalise(m);
  return m;
}

struct MixerState {
  std::recursive_mutex mutex;
  bool built = false;
  Mixer own;
  std::vector<Mixer> alsa;
  std::vector<Mixer> scripted;
  bool useScripted = false;
  std::set<MixerHandle*> handles;
};

MixerState& St() {
  static MixerState* s = new MixerState;
  return *s;
}

void EnsureBuilt(MixerState& s) {
  if (s.built) return;
  s.built = true;
  s.own = BuildOwnMixer();
  if (AlsaEnabled()) {
    internal::QuietAlsa();
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
      Mixer m;
      if (BuildAlsaMixer(card, m)) s.alsa.push_back(std::move(m));
    }
  }
}

uint32_t CountMixers(MixerState& s) {
  EnsureBuilt(s);
  return s.useScripted ? static_cast<uint32_t>(s.scripted.size())
                       : 1 + static_cast<uint32_t>(s.alsa.size());
}

Mixer* MixerAt(MixerState& s, uint32_t index) {
  EnsureBuilt(s);
  if (s.useScripted) return index < s.scripted.size() ? &s.scripted[index] : nullptr;
  if (index == 0) return &s.own;
  return index - 1 < s.alsa.size() ? &s.alsa[index - 1] : nullptr;
}

}  // namespace

struct MixerHandle {
  uint32_t index;
  uint32_t notifyKind;
  uintptr_t window;
};

namespace {

// Resolves a device number or (with MIXER_OBJECTF_HMIXER) an open handle.
Mixer* Resolve(MixerState& s, uintptr_t obj, uint32_t flags, uint32_t* indexOut, MMRESULT& err) {
  uint32_t index;
  if (flags & MIXER_OBJECTF_HMIXER) {
    MixerHandle* h = reinterpret_cast<MixerHandle*>(obj);
    if (!h || !s.handles.count(h)) {
      err = MMSYSERR_INVALHANDLE;
      return nullptr;
    }
    index = h->index;
  } else {
    index = static_cast<uint32_t>(obj);
  }
  Mixer* m = MixerAt(s, index);
  if (!m) {
    err = MMSYSERR_BADDEVICEID;
    return nullptr;
  }
  if (indexOut) *indexOut = index;
  err = MMSYSERR_NOERROR;
  return m;
}

// The mixer a query names, with the mixers' lock held for the whole call.
struct Resolved {
  std::unique_lock<std::recursive_mutex> lock;
  Mixer* mixer = nullptr;
  uint32_t index = 0;
  MMRESULT error = MMSYSERR_NOERROR;
};

Resolved Lookup(uintptr_t obj, uint32_t flags) {
  MixerState& s = St();
  Resolved r{std::unique_lock<std::recursive_mutex>(s.mutex)};
  r.mixer = Resolve(s, obj, flags, &r.index, r.error);
  return r;
}

Line* FindLineById(Mixer& m, uint32_t id) {
  const uint32_t d = id & 0xFFFF, s = id >> 16;
  if (d >= m.dests.size()) return nullptr;
  if (s == 0xFFFF) return &m.dests[d].line;
  return s < m.dests[d].sources.size() ? &m.dests[d].sources[s] : nullptr;
}

Control* FindControl(Mixer& m, uint32_t id, Line** lineOut = nullptr) {
  auto scan = [&](Line& l) -> Control* {
    for (Control& c : l.controls)
      if (c.caps.dwControlID == id) {
        if (lineOut) *lineOut = &l;
        return &c;
      }
    return nullptr;
  };
  for (Dest& d : m.dests) {
    if (Control* c = scan(d.line)) return c;
    for (Line& s : d.sources)
      if (Control* c = scan(s)) return c;
  }
  return nullptr;
}

// The control a details record names, and whether its channel and item counts fit it.
MMRESULT CheckDetails(Mixer& m, const MIXERCONTROLDETAILS& d, Control*& c) {
  c = FindControl(m, d.dwControlID);
  if (!c) return MIXERR_INVALCONTROL;
  if (d.cChannels == 0 || (d.cChannels != 1 && d.cChannels != c->channels))
    return MMSYSERR_INVALPARAM;
  if ((c->caps.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) &&
      d.cMultipleItems != c->caps.cMultipleItems)
    return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

void CopyLine(const Line& l, MIXERLINE* out) {
  const uint32_t cb = out->cbStruct;
  *out = l.caps;
  out->cbStruct = cb;
}

}  // namespace

uint32_t mixerGetNumDevs() {
  MixerState& s = St();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  return CountMixers(s);
}

MMRESULT mixerOpen(HMIXER* Handle, uint32_t DeviceId, uintptr_t Callback, uintptr_t,
                   uint32_t Flags) {
  if (!Handle) return MMSYSERR_INVALPARAM;
  MixerState& s = St();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (!MixerAt(s, DeviceId)) return MMSYSERR_BADDEVICEID;
  auto* h = new MixerHandle{DeviceId, Flags & 0x00070000u, Callback};
  s.handles.insert(h);
  *Handle = h;
  return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER Handle) {
  MixerState& s = St();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (!Handle || !s.handles.count(Handle)) return MMSYSERR_INVALHANDLE;
  s.handles.erase(Handle);
  delete Handle;
  return MMSYSERR_NOERROR;
}

MMRESULT mixerGetDevCaps(uintptr_t MixerObj, MIXERCAPS* Caps, uint32_t Flags) {
  if (!Caps) return MMSYSERR_INVALPARAM;
  Resolved r = Lookup(MixerObj, Flags);
  if (!r.mixer) return r.error;
  Mixer* m = r.mixer;
  *Caps = m->caps;
  return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineInfo(uintptr_t MixerObj, MIXERLINE* Line_, uint32_t Flags) {
  if (!Line_) return MMSYSERR_INVALPARAM;
  Resolved r = Lookup(MixerObj, Flags);
  if (!r.mixer) return r.error;
  Mixer* m = r.mixer;
  switch (Flags & MIXER_INFOF_MASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
      if (Line_->dwDestination >= m->dests.size()) return MMSYSERR_INVALPARAM;
      CopyLine(m->dests[Line_->dwDestination].line, Line_);
      return MMSYSERR_NOERROR;
    case MIXER_GETLINEINFOF_SOURCE: {
      if (Line_->dwDestination >= m->dests.size()) return MMSYSERR_INVALPARAM;
      const Dest& d = m->dests[Line_->dwDestination];
      if (Line_->dwSource >= d.sources.size()) return MMSYSERR_INVALPARAM;
      CopyLine(d.sources[Line_->dwSource], Line_);
      return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINEINFOF_LINEID: {
      Line* l = FindLineById(*m, Line_->dwLineID);
      if (!l) return MIXERR_INVALLINE;
      CopyLine(*l, Line_);
      return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
      for (Dest& d : m->dests) {
        if (d.line.caps.dwComponentType == Line_->dwComponentType) {
          CopyLine(d.line, Line_);
          return MMSYSERR_NOERROR;
        }
        for (Line& l : d.sources)
          if (l.caps.dwComponentType == Line_->dwComponentType) {
            CopyLine(l, Line_);
            return MMSYSERR_NOERROR;
          }
      }
      return MIXERR_INVALLINE;
    default: return MMSYSERR_INVALFLAG;
  }
}

MMRESULT mixerGetLineControls(uintptr_t MixerObj, MIXERLINECONTROLS* Controls, uint32_t Flags) {
  if (!Controls || !Controls->pamxctrl) return MMSYSERR_INVALPARAM;
  Resolved r = Lookup(MixerObj, Flags);
  if (!r.mixer) return r.error;
  Mixer* m = r.mixer;
  switch (Flags & MIXER_INFOF_MASK) {
    case MIXER_GETLINECONTROLSF_ALL: {
      Line* l = FindLineById(*m, Controls->dwLineID);
      if (!l) return MIXERR_INVALLINE;
      if (Controls->cControls < l->controls.size()) return MMSYSERR_INVALPARAM;
      for (size_t i = 0; i < l->controls.size(); ++i) Controls->pamxctrl[i] = l->controls[i].caps;
      Controls->cControls = static_cast<uint32_t>(l->controls.size());
      return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYID: {
      Line* l = nullptr;
      Control* c = FindControl(*m, Controls->dwControlID, &l);
      if (!c) return MIXERR_INVALCONTROL;
      Controls->pamxctrl[0] = c->caps;
      Controls->dwLineID = l->caps.dwLineID;
      return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYTYPE: {
      Line* l = FindLineById(*m, Controls->dwLineID);
      if (!l) return MIXERR_INVALLINE;
      for (const Control& c : l->controls)
        if (c.caps.dwControlType == Controls->dwControlType) {
          Controls->pamxctrl[0] = c.caps;
          return MMSYSERR_NOERROR;
        }
      return MIXERR_INVALCONTROL;
    }
    default: return MMSYSERR_INVALFLAG;
  }
}

MMRESULT mixerGetControlDetails(uintptr_t MixerObj, MIXERCONTROLDETAILS* Details, uint32_t Flags) {
  if (!Details || !Details->paDetails) return MMSYSERR_INVALPARAM;
  Resolved r = Lookup(MixerObj, Flags);
  if (!r.mixer) return r.error;
  Mixer* m = r.mixer;
  Control* c = nullptr;
  if (MMRESULT e = CheckDetails(*m, *Details, c)) return e;
  const uint32_t items = ItemsOf(*c);
  const uint32_t channels = Details->cChannels;
  if ((Flags & MIXER_INFOF_MASK) == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
    if (!IsListType(c->caps.dwControlType)) return MMSYSERR_INVALPARAM;
    if (Details->cbDetails < sizeof(MIXERCONTROLDETAILS_LISTTEXT)) return MMSYSERR_INVALPARAM;
    auto* out = static_cast<uint8_t*>(Details->paDetails);
    for (uint32_t ch = 0; ch < channels; ++ch)
      for (uint32_t i = 0; i < items; ++i) {
        MIXERCONTROLDETAILS_LISTTEXT t;
        if (i < c->texts.size()) {
          t.dwParam1 = c->textLineIds[i];
          t.dwParam2 = c->textTypes[i];
          CopyText(t.szName, sizeof t.szName, c->texts[i]);
        }
        std::memcpy(out + (ch * items + i) * Details->cbDetails, &t, sizeof t);
      }
    return MMSYSERR_NOERROR;
  }
  if ((Flags & MIXER_INFOF_MASK) != MIXER_GETCONTROLDETAILSF_VALUE) return MMSYSERR_INVALFLAG;
  if (Details->cbDetails < 4) return MMSYSERR_INVALPARAM;
  if (c->refresh) c->refresh(*c);
  auto* out = static_cast<uint8_t*>(Details->paDetails);
  for (uint32_t ch = 0; ch < channels; ++ch)
    for (uint32_t i = 0; i < items; ++i) {
      const int32_t v = c->values[ch * items + i];
      std::memcpy(out + (ch * items + i) * Details->cbDetails, &v, 4);
    }
  return MMSYSERR_NOERROR;
}

MMRESULT mixerSetControlDetails(uintptr_t MixerObj, MIXERCONTROLDETAILS* Details, uint32_t Flags) {
  if (!Details || !Details->paDetails) return MMSYSERR_INVALPARAM;
  if ((Flags & MIXER_INFOF_MASK) != MIXER_SETCONTROLDETAILSF_VALUE) return MMSYSERR_INVALFLAG;
  Resolved r = Lookup(MixerObj, Flags);
  if (!r.mixer) return r.error;
  Mixer* m = r.mixer;
  MixerState& s = St();
  const uint32_t index = r.index;
  Control* c = nullptr;
  if (MMRESULT e = CheckDetails(*m, *Details, c)) return e;
  const uint32_t items = ItemsOf(*c);
  const uint32_t channels = Details->cChannels;
  if (Details->cbDetails < 4) return MMSYSERR_INVALPARAM;
  const auto* in = static_cast<const uint8_t*>(Details->paDetails);
  auto entry = [&](uint32_t ch, uint32_t i) {
    int32_t v;
    std::memcpy(&v, in + (ch * items + i) * Details->cbDetails, 4);
    return v;
  };
  std::vector<int32_t> next = c->values;
  if (IsSingleSelectList(c->caps.dwControlType)) {
    // One item stays selected: a write naming several picks the newly set
    // one; a write naming none is refused.
    int chosen = -1, firstSet = -1;
    for (uint32_t i = 0; i < items; ++i) {
      if (entry(0, i) == 0) continue;
      if (firstSet < 0) firstSet = static_cast<int>(i);
      if (chosen < 0 && c->values[i] == 0) chosen = static_cast<int>(i);
    }
    if (firstSet < 0) return MIXERR_INVALVALUE;
    if (chosen < 0) chosen = firstSet;
    for (uint32_t ch = 0; ch < c->channels; ++ch)
      for (uint32_t i = 0; i < items; ++i)
        next[ch * items + i] = (static_cast<int>(i) == chosen) ? 1 : 0;
  } else {
    const bool boolean = (c->caps.dwControlType & 0xF0000000u) == 0x20000000u;
    for (uint32_t ch = 0; ch < c->channels; ++ch)
      for (uint32_t i = 0; i < items; ++i) {
        int32_t v = entry(channels == 1 ? 0 : ch, i);
        if (boolean)
          v = v != 0 ? 1 : 0;
        else if (c->caps.Bounds.lMaximum > c->caps.Bounds.lMinimum)
          v = std::clamp(v, c->caps.Bounds.lMinimum, c->caps.Bounds.lMaximum);
        next[ch * items + i] = v;
      }
  }
  const std::vector<int32_t> old = c->values;
  c->values = next;
  if (c->apply && !c->apply(*c)) {
    c->values = old;
    return MMSYSERR_ERROR;
  }
  for (MixerHandle* h : s.handles)
    if (h->index == index && h->notifyKind == CALLBACK_WINDOW && h->window)
      classlib::PostMessage(reinterpret_cast<classlib::TWinControl*>(h->window),
                            MM_MIXM_CONTROL_CHANGE, reinterpret_cast<uintptr_t>(h),
                            static_cast<intptr_t>(Details->dwControlID));
  return MMSYSERR_NOERROR;
}

namespace testing {
void SetMixerTables(const std::vector<ScriptMixer>& Mixers) {
  MixerState& s = St();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  EnsureBuilt(s);
  s.scripted.clear();
  for (const auto& m : Mixers) s.scripted.push_back(BuildScripted(m));
  s.useScripted = !Mixers.empty();
}
}  // namespace testing

namespace internal {

void StereoMixGain(uint32_t& Left, uint32_t& Right, bool& Mute) {
  MixerState& s = St();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  EnsureBuilt(s);
  const Control* vol = FindControl(s.own, kStereoVolumeId);
  const Control* mute = FindControl(s.own, kStereoMuteId);
  Left = static_cast<uint32_t>(vol->values[0]);
  Right = static_cast<uint32_t>(vol->values[1]);
  Mute = mute->values[0] != 0;
}

uint32_t SelectedRecordingSource() {
  MixerState& s = St();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  EnsureBuilt(s);
  const Control* mux = FindControl(s.own, kMuxId);
  const uint32_t n = mux->caps.cMultipleItems;
  for (uint32_t j = 0; j < n; ++j)
    if (mux->values[j]) return n - 1 - j;
  return 0;
}

}  // namespace internal

}  // namespace sound
