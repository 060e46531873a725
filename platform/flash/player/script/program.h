// Byte code decoded into typed actions. A block is decoded once, lazily, action by action as
// execution reaches it: each action keeps its operands already read and its jump target already
// checked against the region the block may jump in. A jump may land anywhere inside the region,
// even in the middle of another action's operands; the bytes there are then decoded as an action
// of their own, bounded by the region like any other.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/flash/player/script/object.h"

namespace flash {

struct PushItem {
  enum class Kind : uint8_t { Literal, Register, Constant };
  Kind kind = Kind::Literal;
  uint16_t index = 0;
  Value value;
};

struct Action {
  uint8_t op = 0;
  uint32_t offset = 0;              // where the action starts in the code
  uint32_t next = 0;                // where the following action starts
  int64_t target = -1;              // Jump and If: the checked target; -1 when it leaves the region
  uint32_t u1 = 0, u2 = 0, u3 = 0;  // small operands (frame, flags, sizes, register)
  std::string s1, s2;
  uint32_t catch_at = 0, finally_at = 0, try_end = 0;  // Try
  std::vector<PushItem> pushes;
  std::shared_ptr<const std::vector<std::string>> pool;  // ConstantPool
  std::shared_ptr<const ScriptFunctionCode> function;    // DefineFunction(2)
  bool bad = false;  // malformed operands: executing it ends the block
};

class Program {
 public:
  // Code[start, end) is the block; jumps may go anywhere in [jump_lo, jump_hi).
  Program(std::shared_ptr<const std::vector<uint8_t>> code, size_t start, size_t end,
          size_t jump_lo, size_t jump_hi, int version);

  // The action at `pc`, decoded on first use; null where the block ends (the end of the block,
  // an End action, or an action that would not fit the region).
  const Action* At(size_t pc);
  size_t Start() const { return start_; }
  size_t End() const { return end_; }
  bool InRegion(int64_t pc) const {
    return pc >= static_cast<int64_t>(lo_) && pc < static_cast<int64_t>(hi_);
  }

 private:
  bool Decode(size_t pc, Action& a) const;
  std::shared_ptr<const std::vector<uint8_t>> code_;
  size_t start_, end_, lo_, hi_;
  int version_;
  // pc -> 1 + index in actions_ (0: not decoded yet); a table over small regions, a map otherwise.
  std::vector<uint32_t> dense_;
  std::unordered_map<size_t, size_t> at_;  // pc -> index in actions_ (SIZE_MAX: no action)
  std::vector<std::unique_ptr<Action>> actions_;
};

}  // namespace flash
