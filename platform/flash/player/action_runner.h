// The byte-code interpreter of frame scripts and clip events: the stack machine of the early
// script versions with the registers, constant pool and typed operators of later compilers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/flash/player/player.h"
#include "platform/flash/player/value.h"

namespace flash {

class ActionRunner {
 public:
  ActionRunner(Player& player, std::shared_ptr<MovieClip> base);
  // Runs code[start, end). Malformed code stops the run; it never reads outside `code`. Jumps may
  // go anywhere in [jump_lo, jump_hi) (by default the block itself); falling through to `end`
  // ends the run.
  void Run(const std::vector<uint8_t>& code, size_t start, size_t end, size_t jump_lo = SIZE_MAX,
           size_t jump_hi = 0);

  // The operand stack and constant pool carry over from one script to the next within a tick
  // (scripts may leave values and a pool that the next one uses): the player hands them in
  // before a run and takes them back after it.
  void AdoptState(std::vector<Value>&& stack, std::vector<std::string>&& pool) {
    stack_ = std::move(stack);
    pool_ = std::move(pool);
  }
  void ReleaseState(std::vector<Value>& stack, std::vector<std::string>& pool) {
    stack = std::move(stack_);
    pool = std::move(pool_);
  }

  // Conversions (depend on the movie's version).
  std::string ToString(const Value& v) const;
  double ToNumber(const Value& v) const;
  bool ToBool(const Value& v) const;
  Value FromBool(bool b) const;  // numbers 1/0 for version 4 movies

 private:
  Value Pop();
  void Push(Value v) { stack_.push_back(std::move(v)); }

  MovieClip* Target() const;  // the clip scripts act on now (tellTarget), may be null
  MovieClip* ResolvePath(const std::string& path, MovieClip* from) const;
  MovieClip* ClipOf(const Value& v) const;
  Value ClipValue(MovieClip* clip) const;
  Value GetVariable(const std::string& path);
  void SetVariable(const std::string& path, const Value& v);
  bool SplitVariablePath(const std::string& path, MovieClip*& clip, std::string& name);
  Value GetClipMember(MovieClip* clip, const std::string& name);
  void SetClipMember(MovieClip* clip, const std::string& name, const Value& v);
  Value GetProperty(MovieClip* clip, int index) const;
  void SetProperty(MovieClip* clip, int index, const Value& v);
  std::string Key(const std::string& name) const;

  void GotoFrame(MovieClip* clip, int frame, bool stop);
  bool FrameFromValue(const Value& v, MovieClip*& clip, int& frame);
  void GetUrl(const std::string& url, const std::string& target, bool load_target);
  void CallFrame(MovieClip* clip, int frame);
  void CloneSprite(const std::string& source, const std::string& name, int depth);
  void RemoveSprite(const std::string& target);
  Value Compare(const Value& a, const Value& b);  // a < b, undefined for NaN
  bool LooseEquals(const Value& a, const Value& b);
  Value Primitive(const Value& v) const;

  Player& player_;
  std::shared_ptr<MovieClip> base_;
  std::weak_ptr<DisplayObject> target_;
  bool target_set_ = false;  // tellTarget in effect
  int version_;
  std::vector<Value> stack_;
  Value registers_[4];
  std::vector<std::string> pool_;
  uint64_t generation_;
  int depth_ = 0;
};

}  // namespace flash
