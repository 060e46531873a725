// The mixer tree and the mixer settings on scripted mixers, and the
// recording-source selection on the sound layer's own mixer.
#include <gtest/gtest.h>

#include "audio/audio_component.h"
#include "audio/mixer.h"
#include "platform/classlib/application.h"
#include "platform/sound/sound_testing.h"

using namespace lumicast;
using sound::testing::ScriptControl;
using sound::testing::ScriptDestination;
using sound::testing::ScriptLine;
using sound::testing::ScriptMixer;

namespace {

ScriptMixer ThreeSources() {
  ScriptMixer m;
  m.name = "Scripted card";
  ScriptDestination d;
  d.line = {"Recording", sound::MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 2, {}};
  d.line.controls.push_back(
      {sound::MIXERCONTROL_CONTROLTYPE_MUX,
       "Source",
       sound::MIXERCONTROL_CONTROLF_UNIFORM | sound::MIXERCONTROL_CONTROLF_MULTIPLE,
       3,
       0,
       1,
       {"Mic", "Line", "CD"},
       {0, 0, 1}});
  ScriptControl vol{
      sound::MIXERCONTROL_CONTROLTYPE_VOLUME, "Volume", 0, 0, 0, 65535, {}, {1000, 2000}};
  ScriptControl mute{sound::MIXERCONTROL_CONTROLTYPE_MUTE,
                     "Mute",
                     sound::MIXERCONTROL_CONTROLF_UNIFORM,
                     0,
                     0,
                     1,
                     {},
                     {}};
  d.sources.push_back({"CD", 0x1005, 2, {vol, mute}});
  d.sources.push_back({"Line", 0x1002, 2, {}});     // neither volume nor mute
  d.sources.push_back({"Mic", 0x1003, 1, {mute}});  // mute only
  m.destinations.push_back(d);
  ScriptDestination speakers;
  speakers.line = {"Speakers", sound::MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, {vol}};
  m.destinations.push_back(speakers);
  return m;
}

struct Scripted {
  explicit Scripted(const std::vector<ScriptMixer>& m) { sound::testing::SetMixerTables(m); }
  ~Scripted() { sound::testing::SetMixerTables({}); }
};

}  // namespace

TEST(MixerTree, ConnectionsAreListedInReverseSourceOrder) {
  Scripted s({ThreeSources()});
  tMsMixerSystem system;
  ASSERT_EQ(system.mixerCount(), 1);
  EXPECT_EQ(system.getMixer(1), nullptr);
  tMsMixer* m = system.getMixer(0);
  m->readDestinations();
  ASSERT_EQ(m->destinationCount(), 2);
  tMsMixerLine* dest = m->getDestination(0);
  dest->readConnections();
  ASSERT_EQ(dest->connectionCount(), 3);
  EXPECT_STREQ(dest->getConnection(0)->caps().szName, "Mic");
  EXPECT_STREQ(dest->getConnection(1)->caps().szName, "Line");
  EXPECT_STREQ(dest->getConnection(2)->caps().szName, "CD");
  EXPECT_EQ(dest->getConnection(0)->connectionCount(), 0);
  EXPECT_EQ(dest->getConnection(0)->getConnection(0), nullptr);
  dest->readControls();
  ASSERT_EQ(dest->controlCount(), 1);
  tMsMixerControl* mux = dest->getControl(0);
  ASSERT_TRUE(mux->details());
  EXPECT_EQ(mux->listTexts(), (std::vector<std::string>{"Mic", "Line", "CD"}));
  // Column s of the multiplexer is connection s: selecting "Line" alone.
  EXPECT_TRUE(mux->setSelected(0, 1, true));
  EXPECT_TRUE(mux->setSelected(0, 2, false));
  tMsMixerSystem again;
  again.getMixer(0)->readDestinations();
  tMsMixerLine* d2 = again.getMixer(0)->getDestination(0);
  d2->readControls();
  ASSERT_TRUE(d2->getControl(0)->details());
  EXPECT_EQ(d2->getControl(0)->value(1), 1);
  EXPECT_EQ(d2->getControl(0)->value(2), 0);
}

TEST(MixerSettings, NamesVolumesAndMutesByDestinationAndLine) {
  Scripted s({ThreeSources()});
  TAudio audio;
  TMixerSettings& ms = audio.MixerSettings();
  ASSERT_TRUE(ms.isValid);
  EXPECT_EQ(ms.GetDestinationNames(), (std::vector<std::string>{"Recording", "Speakers"}));
  // The destination itself and "Line" have neither volume nor mute: empty entries.
  EXPECT_EQ(ms.GetLineNames(0), (std::vector<std::string>{"", "CD", "", "Mic"}));
  EXPECT_EQ(ms.GetLineNames(1), (std::vector<std::string>{"Speakers"}));
  uint8_t flags = 0;
  bool mute = true;
  uint16_t left = 0, right = 0;
  ASSERT_TRUE(ms.GetVolume(0, 1, flags, mute, left, right));
  EXPECT_EQ(left, 1000);
  EXPECT_EQ(right, 2000);
  EXPECT_FALSE(mute);
  EXPECT_EQ(flags & 128, 0);  // a mute control was found
  // A line with only a mute control: writing sets the mute and succeeds;
  // reading fails because there is no volume.
  EXPECT_TRUE(ms.SetVolume(0, 3, true, 19660, 19660));
  EXPECT_FALSE(ms.GetVolume(0, 3, flags, mute, left, right));
  EXPECT_EQ(audio.errorText, "Volume GetControlError in Mixer");
  audio.errorText.clear();
  EXPECT_FALSE(ms.GetVolume(0, 2, flags, mute, left, right));
  EXPECT_EQ(audio.errorText, "Volume GetControlError in Mixer");
  EXPECT_FALSE(ms.GetVolume(5, 1, flags, mute, left, right));
  EXPECT_TRUE(ms.SetVolume(0, 1, true, 19660, 19660));
  ASSERT_TRUE(ms.GetVolume(0, 1, flags, mute, left, right));
  EXPECT_TRUE(mute);
  EXPECT_EQ(left, 19660);
}

TEST(MixerSettings, ChangesReachTheComponentOnTheUserInterfaceThread) {
  TAudio audio;
  ASSERT_TRUE(audio.MixerSettings().isValid);
  std::vector<std::pair<intptr_t, intptr_t>> seen;
  audio.OnMixerChange = [&](TAudio*, intptr_t a, intptr_t b) { seen.emplace_back(a, b); };
  EXPECT_TRUE(audio.MixerSettings().SetVolume(0, 1, false, 30000, 30000));
  classlib::Application->WaitUntil([&] { return seen.size() >= 4; });
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[1], (std::pair<intptr_t, intptr_t>{0, 1}));
  audio.MixerSettings().SetVolume(0, 1, false, 65535, 65535);
}

TEST(MixerSettings, RecordingSourceSelectionOnOurMixer) {
  // As the recording window does: select "Stereo Mix" on every wave-in
  // destination's multiplexer and set its level to 30 %.
  tMsMixerSystem system;
  ASSERT_GE(system.mixerCount(), 1);
  TAudio audio;
  for (int i = 0; i < system.mixerCount(); ++i) {
    tMsMixer* m = system.getMixer(i);
    m->readDestinations();
    for (int d = 0; d < m->destinationCount(); ++d) {
      tMsMixerLine* dest = m->getDestination(d);
      if (dest->caps().dwComponentType != sound::MIXERLINE_COMPONENTTYPE_DST_WAVEIN) continue;
      dest->readConnections();
      dest->readControls();
      tMsMixerControl* mux = nullptr;
      for (int c = 0; c < dest->controlCount(); ++c)
        if (dest->getControl(c)->caps().dwControlType == sound::MIXERCONTROL_CONTROLTYPE_MUX)
          mux = dest->getControl(c);
      ASSERT_NE(mux, nullptr);
      for (int s = 0; s < dest->connectionCount(); ++s) {
        const bool chosen = dest->getConnection(s)->caps().dwComponentType == 0x1008;
        mux->setSelected(0, s, chosen);
        if (!chosen) continue;
        uint8_t flags;
        bool mute;
        uint16_t l, r;
        ASSERT_TRUE(audio.MixerSettings().GetVolume(0, 1, flags, mute, l, r));
        EXPECT_TRUE(audio.MixerSettings().SetVolume(0, 1, mute, 19660, 19660));
      }
    }
  }
  uint8_t flags;
  bool mute;
  uint16_t l, r;
  ASSERT_TRUE(audio.MixerSettings().GetVolume(0, 1, flags, mute, l, r));
  EXPECT_EQ(l, 19660);
  sound::WAVEINCAPS caps;
  ASSERT_EQ(sound::waveInGetDevCaps(sound::WAVE_MAPPER, &caps), 0u);
  EXPECT_STREQ(caps.szPname, "Stereo Mix");
  audio.MixerSettings().SetVolume(0, 1, false, 65535, 65535);
}

TEST(AudioComponent, SettingsChangeTogetherUnlessSeparate) {
  TAudio audio;
  EXPECT_EQ(audio.Version(), "4.1 (32bit)");
  EXPECT_EQ(audio.Recorder()->bufferSize, 8192u);
  audio.SetBitsPerSample(audio.Recorder(), TBitsPerSample::_16);
  audio.SetChannels(audio.Recorder(), TChannels::Stereo);
  EXPECT_EQ(audio.Player()->BitsPerSample(), TBitsPerSample::_16);
  EXPECT_EQ(audio.Recorder()->bufferSize, 8192u * 4);
  audio.Recorder()->SetSplitChannels(true);
  EXPECT_TRUE(audio.Recorder()->SplitChannels());
  audio.SeparateCtrls = true;
  audio.SetChannels(audio.Player(), TChannels::Mono);
  EXPECT_EQ(audio.Recorder()->Channels(), TChannels::Stereo);
  audio.SetChannels(audio.Recorder(), TChannels::Mono);
  EXPECT_FALSE(audio.Recorder()->SplitChannels());  // only possible in stereo
  audio.SetAudioDeviceID(12);
  EXPECT_EQ(audio.AudioDeviceID(), -1);
  EXPECT_FALSE(audio.Recorder()->Stop());
  EXPECT_EQ(audio.errorText, "Recorder already closed");
}
