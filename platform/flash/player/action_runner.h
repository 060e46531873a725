// The byte-code interpreter of frame scripts, clip events and script functions. Actions are
// decoded once per block (script/program.h) and executed one method each. Values convert in one
// place (the To... methods) with the rules of the movie's version.
#pragma once

#include <optional>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/flash/player/player.h"
#include "platform/flash/player/script/object.h"
#include "platform/flash/player/script/program.h"
#include "platform/flash/player/script/realm.h"
#include "platform/flash/player/value.h"

namespace flash {

// A script exception on its way to a catch block.
struct ScriptThrow {
  Value value;
};
// Ends every script of the current block at once: the tick's action budget ran out, a size limit
// was reached or memory ran out. Scripts cannot catch it.
struct ScriptAbort {
  const char* reason;
};

// Bounds of an object's contents in its own twips; false when it has none.
bool ClipBounds(const DisplayObject& obj, double& xmin, double& ymin, double& xmax, double& ymax);
// The same bounds through the object's matrix, in its parent's twips.
bool ParentBounds(const DisplayObject& obj, double& xmin, double& ymin, double& xmax, double& ymax);

class ActionRunner {
 public:
  // Writes a value to the trace log, as the trace action does.
  void Trace(const Value& v);
  ActionRunner(Player& player, std::shared_ptr<MovieClip> base);

  // Runs code[start, end) as a timeline script of the base clip. Malformed code stops the run;
  // it never reads outside `code`. Jumps may go anywhere in [jump_lo, jump_hi) (by default the
  // block itself); falling through to `end` ends the run. Uncaught exceptions and aborts end the
  // block only.
  void Run(const std::shared_ptr<const std::vector<uint8_t>>& code, size_t start, size_t end,
           size_t jump_lo = SIZE_MAX, size_t jump_hi = 0);
  void Run(const std::vector<uint8_t>& code, size_t start, size_t end, size_t jump_lo = SIZE_MAX,
           size_t jump_hi = 0);
  // Calls a function value from outside any script (clip events, intervals, listeners); an
  // uncaught exception or an abort ends the call only.
  Value CallFromPlayer(const Value& fn, const Value& self, std::vector<Value> args);

  // --- for the built-ins ---
  Player& player() { return player_; }
  Realm& realm() { return *realm_; }
  Heap& heap() { return heap_; }
  int version() const { return version_; }

  std::string ToString(const Value& v);
  double ToNumber(const Value& v);
  bool ToBool(const Value& v);
  // `no_method`, when given, tells that the object had neither method to call.
  Value ToPrimitive(const Value& v, bool prefer_string = false, bool* no_method = nullptr);
  // The operand of + and <: an object through its valueOf alone (none: undefined), which may
  // leave an object.
  Value ValueOfPrimitive(const Value& v);
  ScriptObject* ToObject(const Value& v);  // boxes primitives; null for undefined and null
  // A string, number or boolean made an object through the class _global names for it now
  // (String, Number, Boolean): the class is constructed with the value. Undefined when that
  // name holds no class or constructing fails; any other value comes back as it is.
  Value WrapPrimitive(const Value& v);
  // The prototype a primitive's members are read from while _global still holds the built-in
  // class for it, unchanged (no object need be made); null when a script replaced it.
  ScriptObject* PlainWrapperProto(const Value& v);
  int32_t ToInt32(const Value& v);
  Value FromBool(bool b) const;  // numbers 1/0 for version 4 movies
  std::string TypeOf(const Value& v);

  // Member access with getters, setters, watchers, clips and primitives.
  Value GetMember(const Value& obj, const std::string& name);
  void SetMember(const Value& obj, const std::string& name, const Value& v);
  bool HasMember(ScriptObject* o, const std::string& key);
  bool DeleteMember(const Value& obj, const std::string& name);
  // The object a value's members live on (the clip's object for a clip).
  ScriptObject* ObjectOf(const Value& v);
  // The names for..in visits, nearest first.
  std::vector<std::string> EnumerableNames(const Value& v);

  // Calls a function value; `self` is `this`. Throws ScriptThrow when the script throws.
  Value Call(const Value& fn, const Value& self, std::vector<Value> args);
  // `new fn(args)`.
  Value Construct(const Value& fn, std::vector<Value> args);
  [[noreturn]] void Throw(const Value& v) { throw ScriptThrow{v}; }
  bool InstanceOf(const Value& v, ScriptObject* ctor);
  bool InstanceOfOperands(const Value& obj, const Value& klass);
  Value CoercedOperand(const Value& v);
  bool ChainHas(ScriptObject* o, ScriptObject* proto, ScriptObject* ctor);
  bool IsFunction(const Value& v) const;

  MovieClip* ClipOf(const Value& v);
  Value ClipValue(MovieClip* clip) const;
  MovieClip* ResolvePath(const std::string& path, MovieClip* from);
  Value ResolvePathValue(const std::string& path, MovieClip* from, bool objects);
  MovieClip* ResolveSlashPath(const std::string& path, MovieClip* from);
  MovieClip* Target();  // the clip scripts act on now (tellTarget), may be null
  MovieClip* RootOf(MovieClip* clip);  // what `_root` names for code of the clip
  Value GetProperty(MovieClip* clip, int index);
  void SetProperty(MovieClip* clip, int index, const Value& v);
  // _focusrect of an object other than a root: null until set, then a truth; null or undefined
  // clear it again.
  static Value FocusRectOf(const DisplayObject& obj);
  void SetFocusRect(DisplayObject& obj, const Value& v);
  double PropertyNumber(const Value& v);
  int QualityLevel() const;  // 0 LOW, 1 MEDIUM, 2 HIGH, 3 BEST
  void SetQualityLevel(int level);
  static int PropertyIndex(const std::string& name);
  void GotoFrame(MovieClip* clip, int frame, bool stop);
  bool FrameFromValue(const Value& v, MovieClip*& clip, int& frame);
  void RemoveSprite(DisplayObject* object);
  // The live clip, button or text field a value stands for; null for anything else.
  DisplayObject* DisplayObjectOf(const Value& v);
  std::string CheckedConcat(const std::string& a, const std::string& b);
  void CheckLength(size_t n);  // aborts beyond the size limits
  // Aborts when an array would grow from `from` to `to` elements beyond the size limits.
  void CheckArrayGrowth(size_t from, size_t to);
  // Counts work a native method is about to do, as `actions` actions' worth, against the tick's
  // and the script's action budgets; aborts the script before that work when either is spent.
  void CountWork(int64_t actions);
  // Gives an array a new length: elements at and past it go, a longer one adds holes.
  void SetArrayLength(ArrayObject* a, int32_t length);
  // a < b, undefined for NaN; operands convert left to right unless `right_first`.
  Value Compare(const Value& a, const Value& b, bool right_first = false);
  bool LooseEquals(const Value& a, const Value& b);
  bool StrictEquals(const Value& a, const Value& b);

 private:
  struct Handler {
    const Action* action;         // the Try action
    int state = 0;                // 0 in try, 1 in catch, 2 in finally
    bool pending = false;         // an exception waits for the end of finally
    bool pending_return = false;  // so does a return
    Value thrown;
  };
  struct Frame {
    Program* program = nullptr;
    std::shared_ptr<Program> keep;  // owns `program` when not cached elsewhere
    // The closure, outermost first: the called function's own list (not copied), or own_scope.
    const std::vector<ScriptObject*>* closure = nullptr;
    std::vector<ScriptObject*> own_scope;
    const std::vector<ScriptObject*>& Scope() const { return closure ? *closure : own_scope; }
    ScriptObject* activation = nullptr;  // function locals; null in timeline code
    std::vector<Value> withs;            // with blocks, innermost last
    std::vector<size_t> with_ends;
    std::vector<Handler> handlers;
    Value self;
    Value registers_small[4];
    std::vector<Value> registers;
    std::shared_ptr<const std::vector<std::string>> pool;
    std::shared_ptr<MovieClip> base;
    std::weak_ptr<DisplayObject> target;
    bool target_set = false;
    // The tellTarget named no clip: the root stands in for the timeline actions, but the paths of
    // the property actions are read from no clip.
    bool target_missing = false;
    int version = 0;
    FunctionObject* callee = nullptr;
    FunctionObject* caller = nullptr;
    const std::vector<Value>* args = nullptr;  // a function's arguments
    bool lazy_arguments = false, lazy_super = false;
    bool this_local = true;  // false when DefineFunction2 put `this` in a register or dropped it
    ScriptObject* super_proto = nullptr;  // the prototype `super` starts from
    int super_depth = -1;  // its steps up `this`'s prototype chain when the call began (-1: off it)
    Value result;
    bool returned = false;
    size_t stack_base = 0;
    // The four registers of the timeline script the call started from: a function's register
    // numbers past its own count reach these.
    Value* timeline_registers = nullptr;
    Value& Register(size_t r) {
      if (registers.empty()) return registers_small[r & 3];
      if (r < registers.size() || !timeline_registers) return registers[r];
      return timeline_registers[r];
    }
    size_t RegisterCount() const {
      if (registers.empty()) return 4;
      return timeline_registers ? std::max<size_t>(registers.size(), 4) : registers.size();
    }
  };

  void Execute(Frame& f);
  void Step(Frame& f, const Action& a, size_t& next);
  bool HandleThrow(Frame& f, const Value& v, size_t& pc);
  Value CallScript(FunctionObject* fn, const Value& self, std::vector<Value>& args,
                   ScriptObject* super_proto);
  Value CallNative(FunctionObject* fn, const Value& self, std::vector<Value>& args, bool construct,
                   bool on_existing = false);
  Value MakeArguments(Frame& f);
  Value MakeSuper(Frame& f);
  FunctionObject* MakeFunction(Frame& f, const std::shared_ptr<const ScriptFunctionCode>& code);
  std::shared_ptr<Program> ProgramFor(const std::shared_ptr<const std::vector<uint8_t>>& code,
                                      size_t start, size_t end, size_t lo, size_t hi, int version);

  Value Pop();
  void Push(Value v);
  // Counts `n` bytes against the tick's string budget; aborts the script when it is spent.
  void CountStringBytes(size_t n);
  std::string Key(const std::string& name) const { return heap_.Key(name); }

  // Variables by name or path, through the frame's scope.
  Value GetVariable(Frame& f, const std::string& path);
  void SetVariable(Frame& f, const std::string& path, const Value& v);
  bool DotPath(Frame& f, const std::string& path, Value& holder, std::string& last,
               bool need_last);
  bool SplitVariablePath(Frame& f, const std::string& path, Value& holder, std::string& name);
  Value LookupName(Frame& f, const std::string& name, bool& found, Value* holder = nullptr);
  Value GetClipMember(MovieClip* clip, const std::string& name, bool& found);
  ScriptObject* ClipObjectOf(MovieClip* clip);
  // `holder` (when given) receives the object on the chain that held the name.
  Value GetObjectMember(ScriptObject* o, const std::string& name, const Value& self, bool& found,
                        ScriptObject** holder = nullptr);
  void PutMember(ScriptObject* o, const std::string& name, const Value& v, const Value& self);

  void GetUrl(const std::string& url, const std::string& target, bool load_target, bool load_vars);
  void CallFrame(MovieClip* clip, int frame);
  void CloneSprite(DisplayObject* src, const std::string& name, int depth);
  void SetTarget(Frame& f, const Value& v, bool by_name);
  void ReportUncaught(const Value& v);
  Value CallMember(const Value& obj, const std::string& name, std::vector<Value>& args);
  Value CallSuper(ScriptObject* super_object, std::vector<Value>& args);
  static int ProtoDepth(ScriptObject* o, ScriptObject* proto);
  ScriptObject* HolderOf(ScriptObject* o, const std::string& name);
  MovieClip* FrameTarget(Frame& f);
  Value GetVariable4(Frame& f, const std::string& path);
  // The clip an old-style property action names: a clip, the object of a display object, or
  // any other value as a target path (an object by its toString).
  MovieClip* PropertyTarget(Frame& f, const Value& target);
  MovieClip* RemovedClipTarget(MovieClip* clip) const;

  Player& player_;
  Heap& heap_;
  std::shared_ptr<MovieClip> base_;
  std::vector<Value>& stack_;
  Frame* frame_ = nullptr;  // the frame running now
  int version_;
  // The built-ins of the running code's movie: movies of version 6 and before share one set,
  // later ones another.
  Realm* realm_ = nullptr;
  // Set while a conversion looks up valueOf/toString, which __resolve does not answer.
  bool resolve_off_ = false;
  // An exception a conversion caught, thrown again once the current action is done.
  std::optional<Value> pending_throw_;
  int depth_ = 0;
  uint64_t generation_;
};

}  // namespace flash
