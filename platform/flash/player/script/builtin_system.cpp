// System: a fixed, plausible desktop profile in System.capabilities (so captures do not depend
// on the machine they run on), the code page switch, and the security and clipboard calls,
// which have nothing to act on in a capture.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {

Value Nothing(NativeCall&) { return Value::Undefined(); }

// A local movie's sandbox: with network access when its file attributes ask for it.
Value SandboxType(NativeCall& c) {
  MovieClip* clip = c.vm.Target();
  bool network = clip && clip->movie && clip->movie->use_network;
  return Value::String(network ? "localWithNetwork" : "localWithFile");
}

}  // namespace

void InstallSystem(Realm& realm) {
  ScriptObject* system = realm.NewObject();
  realm.Set(realm.global, "System", Value::Object(system));
  realm.Set(system, "useCodepage", Value::Bool(false), 0);
  realm.Set(system, "exactSettings", Value::Bool(true), 0);
  realm.Method(system, "setClipboard", Nothing);
  realm.Method(system, "showSettings", Nothing);

  ScriptObject* security = realm.NewObject();
  realm.Set(system, "security", Value::Object(security));
  realm.Set(system, "IME", Value::Object(realm.NewObject()));
  realm.Method(security, "allowDomain", Nothing);
  realm.Method(security, "allowInsecureDomain", Nothing);
  realm.Method(security, "loadPolicyFile", Nothing);
  NativeAccessor(realm, security, "sandboxType", SandboxType, nullptr);

  ScriptObject* caps = realm.NewObject();
  realm.Set(system, "capabilities", Value::Object(caps));
  const std::pair<const char*, Value> profile[] = {
      {"avHardwareDisable", Value::Bool(true)},
      {"hasAccessibility", Value::Bool(false)},
      {"hasAudio", Value::Bool(true)},
      {"hasAudioEncoder", Value::Bool(true)},
      {"hasEmbeddedVideo", Value::Bool(true)},
      {"hasIME", Value::Bool(false)},
      {"hasMP3", Value::Bool(true)},
      {"hasPrinting", Value::Bool(false)},
      {"hasScreenBroadcast", Value::Bool(false)},
      {"hasScreenPlayback", Value::Bool(false)},
      {"hasStreamingAudio", Value::Bool(true)},
      {"hasStreamingVideo", Value::Bool(true)},
      {"hasVideoEncoder", Value::Bool(false)},
      {"isDebugger", Value::Bool(false)},
      {"language", Value::String("en")},
      {"localFileReadDisable", Value::Bool(false)},
      {"manufacturer", Value::String("Velmora Linux")},
      {"os", Value::String("Linux")},
      {"pixelAspectRatio", Value::Number(1)},
      {"playerType", Value::String("StandAlone")},
      {"screenColor", Value::String("color")},
      {"screenDPI", Value::Number(72)},
      {"screenResolutionX", Value::Number(1920)},
      {"screenResolutionY", Value::Number(1080)},
      {"version", Value::String("LNX 9,0,0,0")},
  };
  for (const auto& [name, value] : profile) realm.Set(caps, name, value, kReadOnly | kDontDelete);
}

}  // namespace flash
