// Mixer 0's tree, its multiplexer rules, WAVE_MAPPER following it, and
// scripted mixer tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sound/mmsystem.h"
#include "platform/sound/sound_testing.h"

using namespace sound;

namespace {

uintptr_t Obj(HMIXER m) { return reinterpret_cast<uintptr_t>(m); }
constexpr uint32_t H = MIXER_OBJECTF_HMIXER;

std::vector<MIXERCONTROL> Controls(HMIXER m, const MIXERLINE& line) {
  std::vector<MIXERCONTROL> c(line.cControls);
  if (c.empty()) return c;
  MIXERLINECONTROLS lc;
  lc.dwLineID = line.dwLineID;
  lc.cControls = line.cControls;
  lc.pamxctrl = c.data();
  EXPECT_EQ(mixerGetLineControls(Obj(m), &lc, H), 0u);
  return c;
}

struct Mixer0 {
  HMIXER m = nullptr;
  MIXERLINE dest;
  MIXERCONTROL mux;
  Mixer0() {
    EXPECT_EQ(mixerOpen(&m, 0, 0, 0, 0), 0u);
    dest.dwDestination = 0;
    EXPECT_EQ(mixerGetLineInfo(Obj(m), &dest, H | MIXER_GETLINEINFOF_DESTINATION), 0u);
    for (const auto& c : Controls(m, dest))
      if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_MUX) mux = c;
  }
  ~Mixer0() { mixerClose(m); }
  MIXERCONTROLDETAILS MuxDetails(std::vector<int32_t>& v) const {
    MIXERCONTROLDETAILS d;
    d.dwControlID = mux.dwControlID;
    d.cChannels = 1;
    d.cMultipleItems = mux.cMultipleItems;
    d.cbDetails = 4;
    d.paDetails = v.data();
    return d;
  }
  MMRESULT WriteMux(std::vector<int32_t> v) {
    MIXERCONTROLDETAILS d = MuxDetails(v);
    return mixerSetControlDetails(Obj(m), &d, H);
  }
  std::vector<int32_t> ReadMux() {
    std::vector<int32_t> v(mux.cMultipleItems);
    MIXERCONTROLDETAILS d = MuxDetails(v);
    EXPECT_EQ(mixerGetControlDetails(Obj(m), &d, H), 0u);
    return v;
  }
};

}  // namespace

TEST(Mixer, OwnMixerShowsWaveInDestinationMultiplexerAndStereoMixLine) {
  ASSERT_GE(mixerGetNumDevs(), 1u);
  Mixer0 x;
  EXPECT_EQ(x.dest.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
  ASSERT_EQ(x.dest.cConnections, waveInGetNumDevs());
  ASSERT_EQ(x.mux.dwControlType, MIXERCONTROL_CONTROLTYPE_MUX);
  EXPECT_EQ(x.mux.cMultipleItems, x.dest.cConnections);

  // List item j names source n-1-j.
  const uint32_t n = x.mux.cMultipleItems;
  std::vector<MIXERCONTROLDETAILS_LISTTEXT> texts(n);
  MIXERCONTROLDETAILS d;
  d.dwControlID = x.mux.dwControlID;
  d.cChannels = 1;
  d.cMultipleItems = n;
  d.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXT);
  d.paDetails = texts.data();
  ASSERT_EQ(mixerGetControlDetails(Obj(x.m), &d, H | MIXER_GETCONTROLDETAILSF_LISTTEXT), 0u);
  for (uint32_t j = 0; j < n; ++j) {
    MIXERLINE src;
    src.dwDestination = 0;
    src.dwSource = n - 1 - j;
    ASSERT_EQ(mixerGetLineInfo(Obj(x.m), &src, H | MIXER_GETLINEINFOF_SOURCE), 0u);
    EXPECT_STREQ(texts[j].szName, src.szName);
    EXPECT_EQ(texts[j].dwParam1, src.dwLineID);
  }

  MIXERLINE stereo;
  stereo.dwDestination = 0;
  stereo.dwSource = 0;
  ASSERT_EQ(mixerGetLineInfo(Obj(x.m), &stereo, H | MIXER_GETLINEINFOF_SOURCE), 0u);
  EXPECT_STREQ(stereo.szName, "Stereo Mix");
  EXPECT_EQ(stereo.dwComponentType, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
  EXPECT_EQ(stereo.cChannels, 2u);
  const auto controls = Controls(x.m, stereo);
  ASSERT_EQ(controls.size(), 2u);
  EXPECT_EQ(controls[0].dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
  EXPECT_EQ(controls[0].Bounds.lMinimum, 0);
  EXPECT_EQ(controls[0].Bounds.lMaximum, 65535);
  EXPECT_EQ(controls[1].dwControlType, MIXERCONTROL_CONTROLTYPE_MUTE);

  // The line can also be found by its id and by its component type.
  MIXERLINE byId;
  byId.dwLineID = stereo.dwLineID;
  ASSERT_EQ(mixerGetLineInfo(Obj(x.m), &byId, H | MIXER_GETLINEINFOF_LINEID), 0u);
  EXPECT_STREQ(byId.szName, "Stereo Mix");
  MIXERLINE byType;
  byType.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
  ASSERT_EQ(mixerGetLineInfo(0, &byType, MIXER_GETLINEINFOF_COMPONENTTYPE), 0u);
  EXPECT_EQ(byType.dwLineID, stereo.dwLineID);
}

TEST(Mixer, MultiplexerKeepsExactlyOneSourceSelected) {
  Mixer0 x;
  const uint32_t n = x.mux.cMultipleItems;
  std::vector<int32_t> before = x.ReadMux();
  EXPECT_EQ(before[n - 1], 1);  // Stereo Mix starts selected
  EXPECT_EQ(x.WriteMux(std::vector<int32_t>(n, 0)), MIXERR_INVALVALUE);
  EXPECT_EQ(x.ReadMux(), before);
  // Naming the selected item again together with nothing new keeps it.
  EXPECT_EQ(x.WriteMux(before), 0u);
  EXPECT_EQ(x.ReadMux(), before);
  WAVEINCAPS caps;
  ASSERT_EQ(waveInGetDevCaps(WAVE_MAPPER, &caps), 0u);
  EXPECT_STREQ(caps.szPname, "Stereo Mix");
}

TEST(Mixer, ControlChangesAreRefusedForUnknownIdsAndBadShapes) {
  Mixer0 x;
  int32_t v[2] = {0, 0};
  MIXERCONTROLDETAILS d;
  d.dwControlID = 9999;
  d.cChannels = 1;
  d.cbDetails = 4;
  d.paDetails = v;
  EXPECT_EQ(mixerSetControlDetails(Obj(x.m), &d, H), MIXERR_INVALCONTROL);
  d.dwControlID = x.mux.dwControlID;
  d.cMultipleItems = x.mux.cMultipleItems + 1;
  EXPECT_EQ(mixerGetControlDetails(Obj(x.m), &d, H), MMSYSERR_INVALPARAM);
  EXPECT_EQ(mixerGetDevCaps(12345, nullptr), MMSYSERR_INVALPARAM);
  MIXERCAPS caps;
  EXPECT_EQ(mixerGetDevCaps(mixerGetNumDevs(), &caps), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(mixerClose(reinterpret_cast<HMIXER>(&caps)), MMSYSERR_INVALHANDLE);
}

TEST(Mixer, ScriptedTableWithSeveralSources) {
  using namespace sound::testing;  // NOLINT
  ScriptMixer sm;
  sm.name = "Scripted";
  ScriptDestination d;
  d.line = {"Recording", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 2, {}};
  ScriptControl mux{MIXERCONTROL_CONTROLTYPE_MUX,
                    "Source",
                    MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE,
                    3,
                    0,
                    1,
                    {"C", "B", "A"},
                    {0, 0, 1}};
  d.line.controls.push_back(mux);
  d.sources.push_back({"A", MIXERLINE_COMPONENTTYPE_SRC_LINE, 2, {}});
  d.sources.push_back({"B", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, {}});
  d.sources.push_back({"C", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, {}});
  sm.destinations.push_back(d);
  SetMixerTables({sm});
  Mixer0 x;
  EXPECT_EQ(mixerGetNumDevs(), 1u);
  EXPECT_EQ(x.dest.cConnections, 3u);
  // Several set at once: the newly set one wins.
  EXPECT_EQ(x.WriteMux({1, 1, 1}), 0u);
  EXPECT_EQ(x.ReadMux(), (std::vector<int32_t>{1, 0, 0}));
  EXPECT_EQ(x.WriteMux({0, 1, 0}), 0u);
  EXPECT_EQ(x.ReadMux(), (std::vector<int32_t>{0, 1, 0}));
  SetMixerTables({});
  Mixer0 back;
  EXPECT_EQ(back.dest.cConnections, waveInGetNumDevs());
}
