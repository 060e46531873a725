// The built-in objects of the script language and the small API that registers them.
//
// Adding a built-in class or global function:
//   1. Write platform/flash/player/script/builtin_NAME.cpp with one function
//        void InstallName(Realm& realm);
//      that makes the class with realm.Class(...) or adds functions with realm.Method(...).
//      A native function has the signature `Value Fn(NativeCall& c)`: c.self is `this`,
//      c.Arg(i) an argument (undefined when missing), c.vm the interpreter (conversions with
//      the movie's version rules, calls back into script, member access, Throw).
//   2. Declare InstallName below and add it to kInstallers in realm.cpp (classes that others
//      extend come first).
// Natives allocate objects with realm.heap; nothing needs freeing. A native must not keep a raw
// object pointer anywhere but in script objects or values the collector can see (the collector
// runs between ticks only, never while a script runs).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <unordered_map>
#include <vector>

#include "platform/flash/player/script/object.h"

namespace flash {

class Player;

class Realm {
 public:
  Realm(Heap& heap, Player& player);

  Heap& heap;
  Player& player;
  ScriptObject* global = nullptr;
  ScriptObject* object_proto = nullptr;
  ScriptObject* function_proto = nullptr;
  ScriptObject* array_proto = nullptr;
  ScriptObject* string_proto = nullptr;
  ScriptObject* number_proto = nullptr;
  ScriptObject* boolean_proto = nullptr;
  ScriptObject* movieclip_proto = nullptr;
  ScriptObject* error_proto = nullptr;
  ScriptObject* textfield_proto = nullptr;
  ScriptObject* button_proto = nullptr;
  // Classes registered by linkage name (Object.registerClass): name key -> constructor.
  std::unordered_map<std::string, ScriptObject*> registered_classes;
  // Getters, setters and watchers running now, counted by property (holder, name key). They
  // nest only so deep; past that the property reads and writes as a plain value.
  std::map<std::pair<const ScriptObject*, std::string>, int> accessor_depth;

  // A plain object whose prototype is Object.prototype (or `proto`).
  ScriptObject* NewObject(ScriptObject* proto = nullptr);
  ArrayObject* NewArray(std::vector<Value> items = {});
  // A native function object (its prototype is Function.prototype).
  FunctionObject* NewNative(NativeFn fn, int tag = 0);
  // Sets a hidden method on `on`, returns it.
  FunctionObject* Method(ScriptObject* on, const std::string& name, NativeFn fn, int tag = 0,
                         uint16_t flags = kDontEnum);
  // Sets a property with the given flags.
  void Set(ScriptObject* on, const std::string& name, Value v, uint16_t flags = kDontEnum);
  // A class: a constructor function `name` on _global whose "prototype" is `proto` (made with
  // Object.prototype as its prototype when null). `call` runs for a plain call, `construct` for
  // `new` (when null, `call` runs for both with the new object as this).
  FunctionObject* Class(const std::string& name, NativeFn call, NativeFn construct = nullptr,
                        ScriptObject* proto = nullptr);
  // Links a function and its prototype object both ways.
  void LinkPrototype(FunctionObject* fn, ScriptObject* proto);
  // Every object the realm holds, for the collector.
  void Trace(std::vector<ScriptObject*>& gray) const;
};

// Installers of the built-ins, one file each.
void InstallObject(Realm& realm);
void InstallFunction(Realm& realm);
void InstallArray(Realm& realm);
void InstallString(Realm& realm);
void InstallNumberBoolean(Realm& realm);
void InstallMath(Realm& realm);
// A Math function chosen by the number its callee carries (its place in the native table).
Value MathByIndex(NativeCall& c);
// A Date method by its number in native table 103 (the callee's tag).
Value DateByIndex(NativeCall& c);
// A filter's member getter or setter by its native numbers; null for numbers without one.
FunctionObject* FilterNative(Realm& realm, int32_t table, int32_t index);
void InstallGlobals(Realm& realm);
void InstallError(Realm& realm);
void InstallDate(Realm& realm);
void InstallBroadcaster(Realm& realm);
void InstallMovieClip(Realm& realm);
void InstallDrawing(Realm& realm);
void InstallXml(Realm& realm);
void InstallLoadVars(Realm& realm);
void InstallGeom(Realm& realm);
void InstallColor(Realm& realm);
void InstallSystem(Realm& realm);
void InstallStage(Realm& realm);
void InstallSharedObject(Realm& realm);
void InstallContextMenu(Realm& realm);
void InstallExternalInterface(Realm& realm);
void InstallTextField(Realm& realm);
void InstallTextFormat(Realm& realm);
void InstallBitmapData(Realm& realm);
void InstallButton(Realm& realm);
void InstallKey(Realm& realm);
void InstallMouse(Realm& realm);
void InstallSelection(Realm& realm);
void InstallMovieClipLoader(Realm& realm);
void InstallStubs(Realm& realm);
void InstallTextSnapshot(Realm& realm);
void InstallStyleSheet(Realm& realm);
void InstallSound(Realm& realm);
void InstallFilters(Realm& realm);
void InstallClipEffects(Realm& realm);
void InstallNetStream(Realm& realm);
void InstallVideo(Realm& realm);
void InstallFileReference(Realm& realm);

}  // namespace flash
