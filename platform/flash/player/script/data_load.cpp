#include "platform/flash/player/script/data_load.h"

#include "platform/flash/player/action_runner.h"
#include "platform/flash/player/script/lib/url_vars.h"

namespace flash {

namespace {

// The byte counts and `loaded` are hidden, and the counts cannot be deleted.
void SetState(ActionRunner& vm, ScriptObject* o, const char* name, Value v) {
  uint8_t flags = name[0] == '_' ? kDontEnum | kDontDelete : kDontEnum;
  vm.realm().Set(o, name, std::move(v), flags);
}

void Complete(ActionRunner& vm, ScriptObject* target, const LoadResult& result) {
  Value self = Value::Object(target);
  Value text;
  if (result.bytes) {
    Value size = Value::Number(static_cast<double>(result.bytes->size()));
    SetState(vm, target, "_bytesLoaded", size);
    SetState(vm, target, "_bytesTotal", size);
    text = Value::String(LoadedText(vm, *result.bytes));
  }
  // A server that cannot be reached reports HTTP status 0 before the data handler runs.
  if (result.remote) {
    Value on_status = vm.GetMember(self, "onHTTPStatus");
    if (vm.IsFunction(on_status)) vm.CallFromPlayer(on_status, self, {Value::Number(0)});
  }
  Value on_data = vm.GetMember(self, "onData");
  if (vm.IsFunction(on_data)) vm.CallFromPlayer(on_data, self, {text});
}

// Starts loading `url` into `target`.
void Start(NativeCall& c, const Value& target, const std::string& url) {
  ScriptObject* o = c.vm.ObjectOf(target);
  SetState(c.vm, o, "loaded", Value::Bool(false));
  SetState(c.vm, o, "_bytesLoaded", Value::Number(0));
  SetState(c.vm, o, "_bytesTotal", Value::Undefined());
  c.vm.player().loads.Add(o, url, Complete);
}

Value DataLoad(NativeCall& c) {
  if (c.Count() == 0 || !c.self.IsObject()) return Value::Bool(false);
  Start(c, c.self, c.vm.ToString(c.Arg(0)));
  return Value::Bool(true);
}

Value DataSendAndLoad(NativeCall& c) {
  // The target must be a script object (not a clip, not a primitive).
  if (c.Count() < 2 || !c.Arg(1).IsObject() || c.Arg(1).object->kind == ScriptObject::Kind::Clip)
    return Value::Bool(false);
  Start(c, c.Arg(1), c.vm.ToString(c.Arg(0)));
  return Value::Bool(true);
}

// Sending opens the address in a browser window: the player only reports it, as getURL does.
Value DataSend(NativeCall& c) {
  if (c.Count() == 0) return Value::Bool(false);
  Player& player = c.vm.player();
  if (player.on_get_url)
    player.on_get_url(c.vm.ToString(c.Arg(0)),
                      c.Arg(1).IsUndefined() ? "" : c.vm.ToString(c.Arg(1)));
  return Value::Bool(true);
}

Value DataGetBytesLoaded(NativeCall& c) { return c.vm.GetMember(c.self, "_bytesLoaded"); }
Value DataGetBytesTotal(NativeCall& c) { return c.vm.GetMember(c.self, "_bytesTotal"); }

// Headers are kept as a flat name, value list in `_customHeaders`; one call takes a name and a
// value, or an array of them.
Value DataAddRequestHeader(NativeCall& c) {
  Realm& realm = c.vm.realm();
  ScriptObject* self = c.vm.ObjectOf(c.self);
  if (!self) return Value::Undefined();
  std::vector<Value> pairs;
  if (c.Arg(0).IsObject() && c.Arg(0).object->kind == ScriptObject::Kind::Array) {
    const auto& items = static_cast<ArrayObject*>(c.Arg(0).object)->items;
    for (size_t i = 0; i + 1 < items.size(); i += 2)
      if (items[i].type == Value::Type::String && items[i + 1].type == Value::Type::String) {
        pairs.push_back(items[i]);
        pairs.push_back(items[i + 1]);
      }
  } else if (c.Arg(0).type == Value::Type::String && c.Arg(1).type == Value::Type::String) {
    pairs = {c.Arg(0), c.Arg(1)};
  }
  if (pairs.empty()) return Value::Undefined();
  ScriptObject* list = c.vm.ObjectOf(c.vm.GetMember(c.self, "_customHeaders"));
  if (!list || list->kind != ScriptObject::Kind::Array) {
    list = realm.NewArray();
    realm.Set(self, "_customHeaders", Value::Object(list));
  }
  auto& items = static_cast<ArrayObject*>(list)->items;
  c.vm.CheckLength(items.size() + pairs.size());
  items.insert(items.end(), pairs.begin(), pairs.end());
  return Value::Undefined();
}

Value DefaultOnData(NativeCall& c) {
  ScriptObject* self = c.vm.ObjectOf(c.self);
  if (!self) return Value::Undefined();
  bool ok = !c.Arg(0).IsUndefined();
  if (ok) {
    auto format = static_cast<DataFormat>(static_cast<FunctionObject*>(c.callee)->native_tag);
    const char* reader = format == DataFormat::kXml         ? "parseXML"
                         : format == DataFormat::kStyleSheet ? "parse"
                                                             : "decode";
    Value read = c.vm.Call(c.vm.GetMember(c.self, reader), c.self, {c.Arg(0)});
    if (format == DataFormat::kStyleSheet) ok = c.vm.ToBool(read);
  }
  SetState(c.vm, self, "loaded", Value::Bool(ok));
  c.vm.Call(c.vm.GetMember(c.self, "onLoad"), c.self, {Value::Bool(ok)});
  return Value::Undefined();
}

Value Nothing(NativeCall&) { return Value::Undefined(); }

}  // namespace

std::string LoadedText(ActionRunner& vm, const std::string& bytes) {
  Value system = vm.GetMember(Value::Object(vm.realm().global), "System");
  bool codepage = system.IsObject() && vm.ToBool(vm.GetMember(system, "useCodepage"));
  return scriptlib::DecodeLoadedText(bytes, codepage);
}

void InstallLoadMethod(Realm& realm, ScriptObject* proto, DataFormat format) {
  realm.Method(proto, "onData", DefaultOnData, static_cast<int>(format));
  realm.Method(proto, "onLoad", Nothing);
  realm.Method(proto, "load", DataLoad);
}

void InstallDataLoadMethods(Realm& realm, ScriptObject* proto, DataFormat format) {
  InstallLoadMethod(realm, proto, format);
  realm.Method(proto, "sendAndLoad", DataSendAndLoad);
  realm.Method(proto, "send", DataSend);
  realm.Method(proto, "getBytesLoaded", DataGetBytesLoaded);
  realm.Method(proto, "getBytesTotal", DataGetBytesTotal);
  realm.Method(proto, "addRequestHeader", DataAddRequestHeader);
  realm.Set(proto, "contentType", Value::String("application/x-www-form-urlencoded"));
}

}  // namespace flash
