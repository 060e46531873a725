// Sounds that scripts and buttons start, pulled from the mixer after each tick: the Sound
// object's levels, loops and stopping, and a button's sounds on its state changes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <variant>

#include "platform/flash/format/button.h"
#include "platform/flash/format/movie.h"
#include "platform/flash/format/sound_writer.h"
#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "platform/flash/sound/movie_sound.h"
#include "tests/flash/movie_builder.h"
#include "tests/flash/script_asm.h"
#include "tests/flash/sound_rig.h"
#include "tests/flash/sound_test_util.h"

namespace {

using namespace flash;
using soundtest::MeasureChannel;
using soundtest::Tone;

using soundtest::kFps;
using soundtest::kTickFrames;

struct Rig : soundtest::Rig {
  // The peak of one channel over the sound rendered after tick `tick` (1-based).
  double Peak(int tick, int channel = 0) const {
    size_t at = static_cast<size_t>(tick - 1) * kTickFrames;
    return MeasureChannel(out, channel, at + 100, at + kTickFrames).peak;
  }
  std::string Trace() { return flashtest::Joined(player.trace_log); }
};

using Arg = std::variant<double, std::string>;

// name.method(args...), its result dropped.
void Call(ActionBuilder& a, const std::string& name, const std::string& method,
          const std::vector<Arg>& args = {}) {
  for (auto it = args.rbegin(); it != args.rend(); ++it) {
    if (const double* d = std::get_if<double>(&*it))
      a.PushNumber(*d);
    else
      a.PushString(std::get<std::string>(*it));
  }
  scripttest::CallMethod(a, name, method, static_cast<int>(args.size())).Op(0x17);
}

// trace(name.method())
void TraceCall(ActionBuilder& a, const std::string& name, const std::string& method) {
  scripttest::CallMethod(a, name, method, 0).Trace();
}

// name = new Sound(target), where a non-empty target names a variable holding a clip.
void NewSound(ActionBuilder& a, const std::string& name, const std::string& target = "") {
  a.PushString(name);
  if (!target.empty()) scripttest::Get(a, target);
  scripttest::New(a, "Sound", target.empty() ? 0 : 1).Op(0x1D);
}

std::vector<uint8_t> Exports(const std::vector<std::pair<uint16_t, std::string>>& names) {
  std::vector<uint8_t> d;
  scripttest::PutU16(d, names.size());
  for (const auto& [id, name] : names) {
    scripttest::PutU16(d, id);
    scripttest::PutString(d, name);
  }
  return d;
}

// A stereo 1 kHz tone of `seconds`, `left` and `right` its channels' amplitudes.
std::vector<uint8_t> DefineTone(uint16_t id, double seconds, double left, double right) {
  auto l = Tone(1000, 44100, 1, seconds, left);
  auto r = Tone(1000, 44100, 1, seconds, right);
  std::vector<int16_t> both;
  for (size_t i = 0; i < l.size(); ++i) {
    both.push_back(l[i]);
    both.push_back(r[i]);
  }
  return EncodeDefineSound(id, {kSoundPcmLittle, 3, true, true}, static_cast<uint32_t>(l.size()),
                           soundtest::PcmBytes(both, true));
}

// Sounds "tone" (1, 2 s, 0.5 both sides), "left" (2, 2 s, left 0.5 only) and "short" (3,
// 0.25 s, 0.5), then one script for each of `frames` frames (empty ones add nothing).
SwfWriter ScriptMovie(const std::vector<ActionBuilder>& frames, int version = 8) {
  SwfWriter w(version, 100, 100, kFps);
  w.Tag(kTagDefineSound, DefineTone(1, 2.0, 0.5, 0.5));
  w.Tag(kTagDefineSound, DefineTone(2, 2.0, 0.5, 0.0));
  w.Tag(kTagDefineSound, DefineTone(3, 0.25, 0.5, 0.5));
  w.Tag(56, /* ExportAssets */ Exports({{1, "tone"}, {2, "left"}, {3, "short"}}));
  for (const ActionBuilder& f : frames) {
    if (f.Size() > 0) w.DoAction(f.Build());
    w.ShowFrame();
  }
  return w;
}

// s = new Sound(); s.attachSound(linkage)
ActionBuilder Started(const std::string& linkage) {
  ActionBuilder a;
  NewSound(a, "s");
  Call(a, "s", "attachSound", {linkage});
  return a;
}

TEST(SoundScript, VolumePanAndTransformSetTheLevelsOfTheClipsVoices) {
  struct Case {
    const char* what;
    std::string sound;
    std::function<void(ActionBuilder&)> set;
    double left, right;
  };
  const std::vector<Case> cases = {
      {"plain", "tone", [](ActionBuilder&) {}, 0.5, 0.5},
      {"volume 50", "tone", [](ActionBuilder& a) { Call(a, "s", "setVolume", {50.0}); }, 0.25,
       0.25},
      {"pan right", "tone", [](ActionBuilder& a) { Call(a, "s", "setPan", {100.0}); }, 0.0, 0.5},
      {"pan -50", "tone", [](ActionBuilder& a) { Call(a, "s", "setPan", {-50.0}); }, 0.5, 0.25},
      {"left to right", "left",
       [](ActionBuilder& a) {
         // t = {ll: 0, lr: 0, rr: 0, rl: 100}; s.setTransform(t)
         a.PushString("t");
         a.PushString("ll").PushNumber(0).PushString("lr").PushNumber(0);
         a.PushString("rr").PushNumber(0).PushString("rl").PushNumber(100);
         a.PushInt(4).Op(0x43).Op(0x1D);
         scripttest::Get(a, "t");
         a.PushInt(1).PushString("s").Op(0x1C).PushString("setTransform").Op(0x52).Op(0x17);
       },
       0.0, 0.5},
      {"volume and pan", "tone",
       [](ActionBuilder& a) {
         Call(a, "s", "setVolume", {50.0});
         Call(a, "s", "setPan", {50.0});
       },
       0.125, 0.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ActionBuilder a = Started(c.sound);
    c.set(a);
    Call(a, "s", "start");
    Rig rig;
    rig.Load(ScriptMovie({a, {}, {}}));
    rig.Ticks(3);
    EXPECT_NEAR(rig.Peak(2, 0), c.left, 0.01);
    EXPECT_NEAR(rig.Peak(2, 1), c.right, 0.01);
  }
}

TEST(SoundScript, ChangesReachPlayingVoicesAndNestedClipsMultiply) {
  // Frame 1 starts the tone on a child clip; frame 3 halves the child, frame 5 halves the root
  // (which also quiets the frame's own StartSound voices).
  ActionBuilder one;
  one.PushInt(1).PushString("mc").PushInt(2).PushString("createEmptyMovieClip").Op(0x3D).Op(0x17);
  NewSound(one, "s", "mc");
  Call(one, "s", "attachSound", {"tone"});
  Call(one, "s", "start");
  ActionBuilder three;
  Call(three, "s", "setVolume", {50.0});
  ActionBuilder five;
  NewSound(five, "r");
  Call(five, "r", "setVolume", {50.0});
  TraceCall(five, "r", "getVolume");
  TraceCall(five, "s", "getVolume");
  Rig rig;
  rig.Load(ScriptMovie({one, {}, three, {}, five, {}}));
  rig.Ticks(6);
  EXPECT_NEAR(rig.Peak(2), 0.5, 0.01);
  EXPECT_NEAR(rig.Peak(4), 0.25, 0.01);
  EXPECT_NEAR(rig.Peak(6), 0.125, 0.01);
  EXPECT_EQ(rig.Trace(), "50\n50\n");
}

TEST(SoundScript, OnSoundCompleteFollowsTheLastLoop) {
  // "short" lasts 0.25 s (5 ticks); two loops end after tick 11 at the latest.
  ActionBuilder a = Started("short");
  scripttest::Get(a, "s").PushString("onSoundComplete");
  ActionBuilder body;
  body.PushString("complete");
  body.Trace();
  scripttest::Function(a, "", {}, body).Op(0x4F);
  Call(a, "s", "start", {0.0, 2.0});
  TraceCall(a, "s", "getDuration");
  a.Stop();
  Rig rig;
  rig.Load(ScriptMovie({a, {}}));
  rig.Ticks(9);
  EXPECT_EQ(rig.Trace(), "250\n");  // still playing its second loop
  EXPECT_NEAR(rig.Peak(8), 0.5, 0.01);
  rig.Ticks(3);
  EXPECT_EQ(rig.Trace(), "250\ncomplete\n");
  EXPECT_LT(rig.Peak(12), 0.001);
}

TEST(SoundScript, StopByNameStopsThatSoundOnlyAndStopAllTheRest) {
  ActionBuilder one;
  NewSound(one, "a");
  Call(one, "a", "attachSound", {"tone"});
  Call(one, "a", "start");
  NewSound(one, "b");
  Call(one, "b", "attachSound", {"left"});
  Call(one, "b", "start");
  ActionBuilder three;
  Call(three, "a", "stop", {"tone"});
  ActionBuilder five;
  Call(five, "a", "stop");
  Rig rig;
  rig.Load(ScriptMovie({one, {}, three, {}, five, {}}));
  rig.Ticks(6);
  EXPECT_NEAR(rig.Peak(2, 0), 1.0, 0.02);  // both sounds on the left
  EXPECT_NEAR(rig.Peak(2, 1), 0.5, 0.01);
  EXPECT_NEAR(rig.Peak(4, 0), 0.5, 0.01);  // "left" alone
  EXPECT_LT(rig.Peak(4, 1), 0.001);
  EXPECT_LT(rig.Peak(6, 0), 0.001);  // stop() without a name: all of the root's sounds
}

TEST(SoundScript, UnknownNamesAndHostileArgumentsPlayNothingAndKeepRunning) {
  ActionBuilder a;
  NewSound(a, "s");
  Call(a, "s", "attachSound", {"no such sound"});
  Call(a, "s", "start");
  TraceCall(a, "s", "getDuration");
  Call(a, "s", "stop", {"no such sound"});
  NewSound(a, "t");
  Call(a, "t", "attachSound", {"tone"});
  Call(a, "t", "setVolume", {std::nan("")});
  TraceCall(a, "t", "getVolume");
  Call(a, "t", "setVolume", {1e300});
  Call(a, "t", "setPan", {-1e300});
  a.PushNull().PushInt(1).PushString("t").Op(0x1C).PushString("setTransform").Op(0x52).Op(0x17);
  Call(a, "t", "start", {1e20, std::nan("")});  // past the end: nothing plays
  Call(a, "t", "start", {-5.0, -3.0});
  a.PushString("end").Trace();
  Rig rig;
  rig.Load(ScriptMovie({a, {}}));
  rig.Ticks(2);
  EXPECT_EQ(rig.Trace(), "undefined\n0\nend\n");
  // The huge volume is bounded: the mix saturates and does not wrap (the pan left the left
  // channel whole).
  EXPECT_GT(rig.Peak(2, 0), 0.99);
  EXPECT_LT(rig.Peak(2, 1), 0.001);
  int16_t lowest = 0;
  for (size_t i = 0; i < rig.out.size(); i += 2) lowest = std::min(lowest, rig.out[i]);
  EXPECT_EQ(lowest, -32768);
}

// A Sound for each file: onLoad traces the result and the duration's sign; streaming ones play.
ActionBuilder LoadEach(const std::vector<std::string>& files) {
  ActionBuilder a;
  for (size_t i = 0; i < files.size(); ++i) {
    std::string name = "s" + std::to_string(i);
    NewSound(a, name);
    scripttest::Get(a, name).PushString("onLoad");
    ActionBuilder body;
    // function (ok) { trace(ok); trace(this.getDuration() > 900); }
    body.PushString("ok").Op(0x1C).Trace();
    body.PushInt(0).PushString("this").Op(0x1C).PushString("getDuration").Op(0x52);
    body.PushNumber(900).Op(0x67).Trace();  // getDuration() > 900
    scripttest::Function(a, "", {"ok"}, body).Op(0x4F);
    Call(a, name, "loadSound", {files[i], 1.0});
  }
  a.Stop();
  return a;
}

TEST(SoundScript, LoadSoundPlaysAnMp3FileBesideTheMovieAndRefusesOthers) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("sound_load_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto mp3 =
      soundtest::Joined(soundtest::Encode(kSoundMp3, Tone(1000, 44100, 1, 1.0, 0.5), 44100, 1));
  ASSERT_FALSE(mp3.empty());
  std::string id3 = std::string("ID3\x03\0\0\0\0\0\x05", 10) + "xxxxx";  // an empty ID3 tag
  {
    std::ofstream f(dir / "tone.mp3", std::ios::binary);
    f << id3;
    f.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    std::ofstream g(dir / "junk.mp3", std::ios::binary);
    g << std::string(4000, '\x42');
  }
  Rig rig;
  rig.player.loads.SetBaseFolder(dir.string());
  rig.Load(ScriptMovie({LoadEach({"tone.mp3", "junk.mp3", "missing.mp3"})}));
  rig.Ticks(4);
  // A failed load leaves no duration (undefined compares as undefined).
  EXPECT_EQ(rig.Trace(), "true\ntrue\nfalse\nundefined\nfalse\nundefined\n");
  EXPECT_NEAR(rig.Peak(3), 0.5, 0.05);
  fs::remove_all(dir);
}

// obj.event = function(params) { body }
void Handler(ActionBuilder& a, const std::string& obj, const std::string& event,
             const std::vector<std::string>& params, const ActionBuilder& body) {
  scripttest::Get(a, obj).PushString(event);
  scripttest::Function(a, "", params, body).Op(0x4F);
}

// trace(this.path[0].path[1]...), or its type
ActionBuilder& TraceThis(ActionBuilder& a, const std::vector<std::string>& path,
                         bool type = false) {
  a.PushString("this").Op(0x1C);
  for (const std::string& name : path) a.PushString(name).Op(0x4E);
  if (type) a.Op(0x44);
  return a.Trace();
}

// The tags of a loaded file reach onID3 (before onLoad) as a bare, read-only id3 object; a
// script's own id3 is kept; a tag damaged from its first frame, and a file without tags, give
// neither.
TEST(SoundScript, LoadSoundReadsTheFilesId3Tags) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("sound_id3_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto mp3 =
      soundtest::Joined(soundtest::Encode(kSoundMp3, Tone(1000, 44100, 1, 0.3, 0.5), 44100, 1));
  ASSERT_FALSE(mp3.empty());
  auto frame = [](const std::string& id, const std::string& body) {
    std::string size{0, 0, 0, static_cast<char>(body.size())};
    return id + size + std::string(2, '\0') + body;
  };
  auto tag = [](const std::string& frames) {
    return std::string("ID3\x03\0\0\0\0\0", 9) + static_cast<char>(frames.size()) + frames;
  };
  const std::string text(1, '\0');  // Latin-1
  const std::string comment = text + "eng" + '\0';
  std::string v1 = "TAG" + ("Old" + std::string(27, '\0'));
  v1.resize(128, '\0');
  v1[127] = '\xFF';
  const std::pair<const char*, std::string> files[] = {
      {"tagged.mp3", tag(frame("TPE1", text + "Ann") + frame("COMM", comment + "one") +
                         frame("TIT2", text + "Song") + frame("COMM", comment + "two"))},
      {"broken.mp3", tag("TPE1" + std::string("\0\0\x7F\0\0\0", 6) + text + "Ann")},
      {"v1.mp3", ""}};
  for (const auto& [name, head] : files) {
    std::ofstream f(dir / name, std::ios::binary);
    f << head;
    f.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    if (std::string(name) == "v1.mp3") f << v1;
  }
  ActionBuilder a, on_id3, on_load, mine, never, broken, old;
  on_id3.PushString("ok").Op(0x1C).Trace();
  on_id3.PushString("this").Op(0x1C).PushString("id3").Op(0x4E).PushUndefined().Op(0x49).Trace();
  TraceThis(on_id3, {"id3"}, true);
  TraceThis(on_id3, {"id3", "artist"});
  TraceThis(on_id3, {"id3", "COMM", "length"});
  TraceThis(on_id3, {"id3", "comment"});
  on_id3.PushString("this").Op(0x1C).PushString("id3").PushString("x").Op(0x4F);
  TraceThis(on_load, {"id3", "TIT2"});
  TraceThis(mine, {"id3"});
  never.PushString("never").Trace();
  broken.PushString("ok").Op(0x1C).Trace();
  TraceThis(broken, {"id3"}, true);
  TraceThis(old, {"id3", "songname"});
  TraceThis(old, {"id3", "TIT2"});
  NewSound(a, "s");
  Handler(a, "s", "onID3", {"ok"}, on_id3);
  Handler(a, "s", "onLoad", {"ok"}, on_load);
  Call(a, "s", "loadSound", {"tagged.mp3", 0.0});
  NewSound(a, "t");
  scripttest::Get(a, "t").PushString("id3").PushString("mine").Op(0x4F);
  Handler(a, "t", "onLoad", {}, mine);
  Call(a, "t", "loadSound", {"tagged.mp3", 0.0});
  NewSound(a, "u");
  Handler(a, "u", "onID3", {}, never);
  Handler(a, "u", "onLoad", {"ok"}, broken);
  Call(a, "u", "loadSound", {"broken.mp3", 0.0});
  NewSound(a, "v");
  Handler(a, "v", "onLoad", {}, old);
  Call(a, "v", "loadSound", {"v1.mp3", 0.0});
  a.Stop();
  Rig rig;
  rig.player.loads.SetBaseFolder(dir.string());
  rig.Load(ScriptMovie({a}));
  rig.Ticks(2);
  EXPECT_EQ(rig.Trace(),
            "true\ntrue\nobject\nAnn\n2\ntwo\nSong\nmine\ntrue\nundefined\nOld\nundefined\n");
  fs::remove_all(dir);
}

TEST(SoundScript, Version5MoviesHaveNoLaterMethods) {
  ActionBuilder a;
  NewSound(a, "s");
  scripttest::Member(a, "s", "getDuration").Trace();
  scripttest::Member(a, "s", "setVolume").Op(0x44).Trace();  // typeof
  Rig rig;
  rig.Load(ScriptMovie({a}, 5));
  rig.Ticks(1);
  EXPECT_EQ(rig.Trace(), "undefined\nfunction\n");
}

// A button whose up-to-over change plays "tone", over-to-down "left", down-to-over "short" and
// over-to-up nothing.
SwfWriter ButtonSoundMovie() {
  SwfWriter w(8, 200, 200, kFps);
  w.Tag(kTagDefineSound, DefineTone(1, 2.0, 0.2, 0.2));
  w.Tag(kTagDefineSound, DefineTone(2, 2.0, 0.2, 0.0));
  w.Tag(kTagDefineSound, DefineTone(3, 2.0, 0.1, 0.1));
  ShapeBuilder s;
  s.Rectangle(0, 0, 2000, 2000, s.AddFill(FillStyleSpec::Solid({255, 0, 0, 255})));
  w.DefineShape(10, s);
  ButtonDef b(11);
  b.version = 2;
  ButtonRecord r;
  r.states = kButtonUp | kButtonOver | kButtonDown | kButtonHit;
  r.character_id = 10;
  r.depth = 1;
  b.records = {r};
  w.Tag(kTagDefineButton2, EncodeButton(b));
  ButtonSounds bs;
  bs.button_id = 11;
  bs.transitions[1].sound_id = 1;
  bs.transitions[2].sound_id = 2;
  bs.transitions[2].info.no_multiple = true;
  bs.transitions[3].sound_id = 3;
  w.Tag(kTagDefineButtonSound, EncodeDefineButtonSound(bs));
  w.Place(flashtest::NewPlace(1, 11, "btn"));
  w.ShowFrame();
  return w;
}

TEST(SoundButton, StateChangesStartTheirSounds) {
  Rig rig;
  rig.Load(ButtonSoundMovie());
  rig.Ticks(1);
  EXPECT_LT(rig.Peak(1), 0.001);  // appearing in its up state plays nothing
  auto pulled = [&rig] {
    rig.Pull();
    return static_cast<int>(rig.out.size() / 2 / kTickFrames);
  };
  rig.player.MouseMove(50, 50);  // up -> over: sound 1
  int t = pulled();
  EXPECT_NEAR(rig.Peak(t, 0), 0.2, 0.01);
  EXPECT_NEAR(rig.Peak(t, 1), 0.2, 0.01);
  rig.player.MouseDown(50, 50);  // over -> down: sound 2, left only
  t = pulled();
  EXPECT_NEAR(rig.Peak(t, 0), 0.4, 0.01);
  EXPECT_NEAR(rig.Peak(t, 1), 0.2, 0.01);
  rig.player.MouseUp(50, 50);  // down -> over: sound 3
  t = pulled();
  EXPECT_NEAR(rig.Peak(t, 0), 0.5, 0.01);
  EXPECT_NEAR(rig.Peak(t, 1), 0.3, 0.01);
  rig.player.MouseDown(50, 50);  // sound 2 again: no-multiple while it plays
  t = pulled();
  EXPECT_NEAR(rig.Peak(t, 0), 0.5, 0.01);
  rig.player.MouseUp(50, 50);      // sound 3 a second time
  rig.player.MouseMove(150, 150);  // over -> up: nothing
  t = pulled();
  EXPECT_NEAR(rig.Peak(t, 0), 0.6, 0.01);
  EXPECT_NEAR(rig.Peak(t, 1), 0.4, 0.01);
}

}  // namespace
