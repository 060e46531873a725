// Classes whose behaviour other parts of the player provide later (text, input, sound, bitmaps,
// video): their names exist so that scripts testing for them find a constructor.
#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/native_members.h"

namespace flash {

namespace {
Value Nothing(NativeCall& c) { return c.self; }
// A class written in script in the player's own library: its constructor gives nothing back.
Value NothingBack(NativeCall&) { return Value::Undefined(); }

// LocalConnection reaches no other movie: connecting and sending fail, closing does nothing.
Value Refused(NativeCall&) { return Value::Bool(false); }
Value NoResult(NativeCall&) { return Value::Undefined(); }
Value LocalDomain(NativeCall&) { return Value::String("localhost"); }
}  // namespace

void InstallStubs(Realm& realm) {
  for (const char* name : {"Video", "NetStream", "NetConnection", "Camera", "Microphone",
                           "PrintJob"})
    realm.Class(name, Nothing);
  realm.Class("XMLSocket", NothingBack);
  FunctionObject* local = realm.Class("LocalConnection", Nothing);
  const Property* proto = local->Find(realm.heap.Key("prototype"));
  if (proto && proto->value.type == Value::Type::Object) {
    ScriptObject* p = proto->value.object;
    realm.Method(p, "domain", LocalDomain, 0, kDontEnum | kDontDelete);
    realm.Method(p, "connect", Refused, 0, kDontEnum | kDontDelete);
    realm.Method(p, "close", NoResult, 0, kDontEnum | kDontDelete);
    realm.Method(p, "send", Refused, 0, kDontEnum | kDontDelete);
  }
  for (const char* name : {"Accessibility"})
    realm.Set(realm.global, name, Value::Object(realm.NewObject()));
  FunctionObject* renderer = realm.NewNative(Nothing);
  realm.LinkPrototype(renderer, realm.NewObject());
  realm.Set(PackageObject(realm, "flash.text"), "TextRenderer", Value::Object(renderer));
}

}  // namespace flash
