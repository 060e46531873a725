// Classes whose behaviour other parts of the player provide later (text, input, sound, bitmaps,
// video): their names exist so that scripts testing for them find a constructor.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {
Value Nothing(NativeCall& c) { return c.self; }
}  // namespace

void InstallStubs(Realm& realm) {
  for (const char* name : {"Video", "NetStream", "NetConnection", "LocalConnection",
                           "Camera", "Microphone", "PrintJob", "XMLSocket"})
    realm.Class(name, Nothing);
  for (const char* name : {"Accessibility"})
    realm.Set(realm.global, name, Value::Object(realm.NewObject()));
  FunctionObject* renderer = realm.NewNative(Nothing);
  realm.LinkPrototype(renderer, realm.NewObject());
  realm.Set(PackageObject(realm, "flash.text"), "TextRenderer", Value::Object(renderer));
}

}  // namespace flash
