// Byte code for the interpreter tests: functions, try statements and calls on top of the
// writer's ActionBuilder, and a one-frame movie that runs it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"

namespace scripttest {

using flash::ActionBuilder;

// The builder's code without the closing End action.
inline std::vector<uint8_t> Code(const ActionBuilder& a) {
  auto c = a.Build();
  c.pop_back();
  return c;
}

inline void PutString(std::vector<uint8_t>& d, const std::string& s) {
  d.insert(d.end(), s.begin(), s.end());
  d.push_back(0);
}

inline void PutU16(std::vector<uint8_t>& d, size_t v) {
  d.push_back(static_cast<uint8_t>(v & 0xFF));
  d.push_back(static_cast<uint8_t>(v >> 8 & 0xFF));
}

// function name(params) { body }  (an empty name pushes the function)
inline ActionBuilder& Function(ActionBuilder& a, const std::string& name,
                               const std::vector<std::string>& params, const ActionBuilder& body) {
  std::vector<uint8_t> d, code = Code(body);
  PutString(d, name);
  PutU16(d, params.size());
  for (const auto& p : params) PutString(d, p);
  PutU16(d, code.size());
  return a.OpWithData(0x9B, d).Raw(code);
}

// The register-based form: params are (register, name) pairs, register 0 meaning a named local.
inline ActionBuilder& Function2(ActionBuilder& a, const std::string& name, uint8_t registers,
                                uint16_t flags,
                                const std::vector<std::pair<uint8_t, std::string>>& params,
                                const ActionBuilder& body) {
  std::vector<uint8_t> d, code = Code(body);
  PutString(d, name);
  PutU16(d, params.size());
  d.push_back(registers);
  PutU16(d, flags);
  for (const auto& [r, n] : params) {
    d.push_back(r);
    PutString(d, n);
  }
  PutU16(d, code.size());
  return a.OpWithData(0x8E, d).Raw(code);
}

// try { body } catch (name) { handler } finally { last }: an empty handler or last leaves it out.
inline ActionBuilder& Try(ActionBuilder& a, const std::string& name, const ActionBuilder& body,
                          const ActionBuilder* handler, const ActionBuilder* last) {
  std::vector<uint8_t> catch_code = handler ? Code(*handler) : std::vector<uint8_t>();
  ActionBuilder try_block = body;
  if (handler) try_block.Jump(static_cast<int16_t>(catch_code.size()));  // over the catch block
  std::vector<uint8_t> try_code = Code(try_block),
                       finally_code = last ? Code(*last) : std::vector<uint8_t>();
  std::vector<uint8_t> d;
  d.push_back(static_cast<uint8_t>((handler ? 1 : 0) | (last ? 2 : 0)));
  PutU16(d, try_code.size());
  PutU16(d, catch_code.size());
  PutU16(d, finally_code.size());
  PutString(d, name);
  return a.OpWithData(0x8F, d).Raw(try_code).Raw(catch_code).Raw(finally_code);
}

// while (test) body: `test` leaves the loop's condition negated on the stack (true ends it).
inline ActionBuilder& WhileNot(ActionBuilder& a, const ActionBuilder& test,
                               const ActionBuilder& body) {
  size_t body_size = Code(body).size(), test_size = Code(test).size();
  a.Raw(Code(test)).If(static_cast<int16_t>(body_size + 5)).Raw(Code(body));
  return a.Jump(static_cast<int16_t>(-(static_cast<int>(test_size + 5 + body_size) + 5)));
}

// Calls: the arguments are pushed last first before these.
inline ActionBuilder& CallFunction(ActionBuilder& a, const std::string& name, int args) {
  return a.PushInt(args).PushString(name).Op(0x3D);
}
inline ActionBuilder& CallMethod(ActionBuilder& a, const std::string& object,
                                 const std::string& name, int args) {
  return a.PushInt(args).PushString(object).Op(0x1C).PushString(name).Op(0x52);
}
inline ActionBuilder& New(ActionBuilder& a, const std::string& name, int args) {
  return a.PushInt(args).PushString(name).Op(0x40);
}
inline ActionBuilder& Get(ActionBuilder& a, const std::string& name) {
  return a.PushString(name).Op(0x1C);
}
inline ActionBuilder& Member(ActionBuilder& a, const std::string& object, const std::string& name) {
  return Get(a, object).PushString(name).Op(0x4E);
}

// Ends the movie written so far in `w` with a frame whose scripts are the blocks (in order), plays
// it for `ticks` ticks and gives the trace output.
inline std::string RunBlocksIn(flash::SwfWriter& w, const std::vector<ActionBuilder>& blocks,
                               int ticks = 1) {
  for (const auto& b : blocks) w.DoAction(b.Build());
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  for (int i = 0; i < ticks; ++i) p.Tick();
  return flashtest::Joined(p.trace_log);
}

// Runs each block as a frame script of one frame (in order) for `ticks` ticks; the trace output.
inline std::string RunBlocks(const std::vector<ActionBuilder>& blocks, int version = 8,
                             int ticks = 1) {
  flash::SwfWriter w(version, 100, 100, 12);
  return RunBlocksIn(w, blocks, ticks);
}

}  // namespace scripttest
