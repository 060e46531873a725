// Helpers of the script object tests: byte code for common statements written in a few calls,
// run as the only frame script of a small movie.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"

namespace flashtest {

class Script {
 public:
  using Emit = std::function<void(Script&)>;
  // An argument: emits the code that pushes one value.
  static Emit Str(std::string s) {
    return [s](Script& c) { c.a.PushString(s); };
  }
  static Emit Num(double d) {
    return [d](Script& c) { c.a.PushNumber(d); };
  }
  static Emit VarRef(std::string name) {
    return [name](Script& c) { c.Get(name); };
  }
  static Emit Member(std::string obj, std::string name) {
    return [obj, name](Script& c) {
      c.Get(obj);
      c.a.PushString(name).Op(0x4E);
    };
  }

  explicit Script(int version = 8) : version_(version) {}

  flash::ActionBuilder a;
  // Pushes the value of a variable.
  Script& Get(const std::string& name) {
    a.PushString(name).Op(0x1C);
    return *this;
  }
  // name = value
  Script& Var(const std::string& name, const Emit& value) {
    a.PushString(name);
    value(*this);
    a.Op(0x1D);
    return *this;
  }
  // Pushes `new cls(args)`.
  Script& New(const std::string& cls, const std::vector<Emit>& args = {}) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) (*it)(*this);
    a.PushInt(static_cast<int32_t>(args.size())).PushString(cls).Op(0x40);
    return *this;
  }
  // Pushes `new package.cls(args)` the way compilers write it for a class in a package.
  Script& NewIn(const std::string& package, const std::string& cls,
                const std::vector<Emit>& args = {}) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) (*it)(*this);
    a.PushInt(static_cast<int32_t>(args.size()));
    Path(package);
    a.PushString(cls).Op(0x53);
    return *this;
  }
  // Pushes obj.method(args) where obj is a variable (a dotted member path is read step by step).
  Script& Call(const std::string& obj, const std::string& method,
               const std::vector<Emit>& args = {}) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) (*it)(*this);
    a.PushInt(static_cast<int32_t>(args.size()));
    Path(obj);
    a.PushString(method).Op(0x52);
    return *this;
  }
  // obj.name = value
  Script& SetMember(const std::string& obj, const std::string& name, const Emit& value) {
    Path(obj);
    a.PushString(name);
    value(*this);
    a.Op(0x4F);
    return *this;
  }
  // trace(obj.path)
  Script& TraceMember(const std::string& path) {
    Path(path);
    a.Trace();
    return *this;
  }
  Script& TraceExpr(const Emit& e) {
    e(*this);
    a.Trace();
    return *this;
  }
  Script& Drop() {
    a.Op(0x17);
    return *this;
  }
  // Pushes an anonymous function with these parameters and body.
  Script& Function(const std::vector<std::string>& params, const Script& body) {
    std::vector<uint8_t> code = body.a.Build();
    std::vector<uint8_t> d{0};  // no name
    d.push_back(static_cast<uint8_t>(params.size()));
    d.push_back(0);
    for (const std::string& p : params) {
      d.insert(d.end(), p.begin(), p.end());
      d.push_back(0);
    }
    d.push_back(static_cast<uint8_t>(code.size() & 0xFF));
    d.push_back(static_cast<uint8_t>(code.size() >> 8));
    a.OpWithData(0x9B, d);
    a.Raw(code);
    return *this;
  }
  // for (var = 0; var < count; var++) body
  Script& Loop(const std::string& var, int count, const std::function<void(Script&)>& body) {
    Var(var, Num(0));
    size_t start = a.Build().size();
    body(*this);
    a.PushString(var);
    Get(var);
    a.Op(0x50).Op(0x1D);  // var = var + 1
    Get(var);
    a.PushInt(count).Op(0x48);  // var < count
    size_t after = a.Build().size() + 5;
    a.If(static_cast<int16_t>(static_cast<long>(start) - static_cast<long>(after)));
    return *this;
  }
  // Pushes a dotted path: the first part a variable, the rest members.
  Script& Path(const std::string& path) {
    size_t dot = path.find('.');
    Get(path.substr(0, dot));
    while (dot != std::string::npos) {
      size_t next = path.find('.', dot + 1);
      a.PushString(
           path.substr(dot + 1, next == std::string::npos ? std::string::npos : next - dot - 1))
          .Op(0x4E);
      dot = next;
    }
    return *this;
  }

  // Runs the script as frame 1 of a movie (saved in `folder` when given, so loads resolve
  // there) for `ticks` ticks; the trace output joined by line breaks.
  std::string Run(int ticks = 1, const std::string& folder = std::string()) {
    flash::SwfWriter w(version_, 100, 100, 12);
    w.DoAction(a.Build());
    w.ShowFrame();
    w.DoAction(flash::ActionBuilder().Stop().Build());
    w.ShowFrame();
    if (folder.empty()) {
      player.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
    } else {
      std::string path = folder + "/movie.swf";
      std::vector<uint8_t> bytes = w.Finish(false);
      FILE* f = std::fopen(path.c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
      player.LoadFile(0, path);
    }
    for (int i = 0; i < ticks; ++i) player.Tick();
    return Joined(player.trace_log);
  }
  flash::Player player;

 private:
  int version_;
};

}  // namespace flashtest
