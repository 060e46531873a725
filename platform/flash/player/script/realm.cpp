#include "platform/flash/player/script/realm.h"

namespace flash {

namespace {

using Installer = void (*)(Realm&);
// Classes that others build on come first.
constexpr Installer kInstallers[] = {
    InstallObject,
    InstallFunction,
    InstallArray,
    InstallString,
    InstallNumberBoolean,
    InstallMath,
    InstallGlobals,
    InstallError,
    InstallDate,
    InstallBroadcaster,
    InstallMovieClip,
    InstallDrawing,
    InstallXml,
    InstallLoadVars,
    InstallGeom,
    InstallColor,
    InstallSystem,
    InstallStage,
    InstallSharedObject,
    InstallContextMenu,
    InstallExternalInterface,
    InstallTextFormat,
    InstallTextField,
    InstallStyleSheet,
    InstallBitmapData,
    InstallButton,
    InstallKey,
    InstallMouse,
    InstallSelection,
    InstallMovieClipLoader,
    InstallStubs,
    InstallTextSnapshot,
    InstallSound,
    InstallFilters,
    InstallClipEffects,
    InstallNetStream,
    InstallVideo,
    InstallFileReference,
};

}  // namespace

const Value& NativeCall::Arg(size_t i) const {
  static const Value undefined;
  return i < args.size() ? args[i] : undefined;
}

Realm::Realm(Heap& h, Player& p) : heap(h), player(p) {
  object_proto = heap.New<ScriptObject>();
  function_proto = heap.New<ScriptObject>();
  function_proto->Put(heap.Key("__proto__"), "__proto__", Value::Object(object_proto),
                      kDontEnum | kDontDelete);
  // The global object has no prototype: it converts like undefined.
  global = heap.New<ScriptObject>();
  for (Installer install : kInstallers) install(*this);
  // The packages of classes (flash.geom...) came with version 8: older movies do not see them.
  if (Property* p = global->Find(heap.Key("flash"))) p->flags |= kHiddenBefore8;
}

ScriptObject* Realm::NewObject(ScriptObject* proto) {
  ScriptObject* o = heap.New<ScriptObject>();
  o->Put(heap.Key("__proto__"), "__proto__", Value::Object(proto ? proto : object_proto),
         kDontEnum | kDontDelete);
  return o;
}

ArrayObject* Realm::NewArray(std::vector<Value> items) {
  auto* a = heap.New<ArrayObject>();
  a->Put(heap.Key("__proto__"), "__proto__",
         Value::Object(array_proto ? array_proto : object_proto), kDontEnum | kDontDelete);
  a->items = std::move(items);
  return a;
}

FunctionObject* Realm::NewNative(NativeFn fn, int tag) {
  auto* f = heap.New<FunctionObject>();
  f->Put(heap.Key("__proto__"), "__proto__", Value::Object(function_proto),
         kDontEnum | kDontDelete);
  f->native = fn;
  f->native_tag = tag;
  return f;
}

FunctionObject* Realm::Method(ScriptObject* on, const std::string& name, NativeFn fn, int tag,
                              uint16_t flags) {
  FunctionObject* f = NewNative(fn, tag);
  on->Put(heap.Key(name), name, Value::Object(f), flags);
  return f;
}

void Realm::Set(ScriptObject* on, const std::string& name, Value v, uint16_t flags) {
  on->Put(heap.Key(name), name, std::move(v), flags);
}

void Realm::LinkPrototype(FunctionObject* fn, ScriptObject* proto) {
  fn->Put(heap.Key("prototype"), "prototype", Value::Object(proto), kDontEnum | kDontDelete);
  proto->Put(heap.Key("constructor"), "constructor", Value::Object(fn), kDontEnum | kDontDelete);
}

FunctionObject* Realm::Class(const std::string& name, NativeFn call, NativeFn construct,
                             ScriptObject* proto) {
  FunctionObject* ctor = NewNative(call);
  ctor->construct = construct;
  if (!proto) proto = NewObject();
  LinkPrototype(ctor, proto);
  Set(global, name, Value::Object(ctor));
  return ctor;
}

void Realm::Trace(std::vector<ScriptObject*>& gray) const {
  for (ScriptObject* o :
       {global, object_proto, function_proto, array_proto, string_proto, number_proto,
        boolean_proto, movieclip_proto, error_proto, textfield_proto})
    if (o) gray.push_back(o);
  for (const auto& [k, o] : registered_classes)
    if (o) gray.push_back(o);
}

}  // namespace flash
