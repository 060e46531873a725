// Script speed and memory, by hand:
//   - a loop of simple operations (register increment, compare, branch, property read), run over
//     several frames, reported per ten million actions;
//   - a method call on an object whose method sits five prototypes up, per call;
//   - a movie allocating objects (in cycles) every frame for 100,000 frames: heap objects and
//     resident memory every 20,000 frames should stay flat.
//   bench_script_speed
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"

namespace {

using flash::ActionBuilder;

std::vector<uint8_t> Code(const ActionBuilder& a) {
  auto c = a.Build();
  c.pop_back();
  return c;
}

void PutU16(std::vector<uint8_t>& d, size_t v) {
  d.push_back(static_cast<uint8_t>(v & 0xFF));
  d.push_back(static_cast<uint8_t>(v >> 8));
}

// while (r1 < count) { body; r1++ } with r1 starting at 0, inside a register function called at
// once.
ActionBuilder RegisterLoop(int count, const ActionBuilder& body, const ActionBuilder& setup) {
  ActionBuilder loop = setup;
  loop.PushInt(0).StoreRegister(1).Op(0x17);
  ActionBuilder test, step = body;
  test.PushRegister(1).PushInt(count).Op(0x48).Op(0x12);
  step.PushRegister(1).Op(0x50).StoreRegister(1).Op(0x17);
  size_t t = Code(test).size(), s = Code(step).size();
  loop.Raw(Code(test)).If(static_cast<int16_t>(s + 5)).Raw(Code(step));
  loop.Jump(static_cast<int16_t>(-static_cast<int>(t + 5 + s + 5)));
  std::vector<uint8_t> d = {0};  // an unnamed function
  PutU16(d, 0);
  d.push_back(4);  // registers
  PutU16(d, 0);
  auto code = Code(loop);
  PutU16(d, code.size());
  ActionBuilder a;
  a.PushInt(0).OpWithData(0x8E, d).Raw(code).PushUndefined().Op(0x52).Op(0x17);
  return a;
}

double TimeTicks(const ActionBuilder& frame_code, int frames) {
  flash::SwfWriter w(8, 100, 100, 12);
  w.DoAction(frame_code.Build());
  w.ShowFrame();
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  p.Tick();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) p.Tick();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long ResidentKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // "call" runs only the method-call loop, long, for a profiler.
  const bool call_only = argc > 1 && std::string(argv[1]) == "call";
  // 1. o = {x: 1}; loop { r2 = o.x }: 14 actions an iteration.
  ActionBuilder setup, read;
  setup.PushString("x").PushInt(1).PushInt(1).Op(0x43).StoreRegister(3).Op(0x17);
  read.PushRegister(3).PushString("x").Op(0x4E).StoreRegister(2).Op(0x17);
  const int iterations = 100000, frames = 8;
  double loop_s = 0;
  if (!call_only) loop_s = TimeTicks(RegisterLoop(iterations, read, setup), frames);
  double actions = 14.0 * iterations * frames;
  std::printf("simple operations: %.0f ms per ten million (%.1f ns each)\n",
              loop_s / actions * 1e10, loop_s / actions * 1e9);

  // 2. An object five prototypes below the one holding m: o.m() in the loop.
  ActionBuilder chain;
  // p0 = {m: function () { return 1; }}; p1..p5 with __proto__ links; r3 = p5.
  std::vector<uint8_t> fn = {0};
  PutU16(fn, 0);
  ActionBuilder ret;
  ret.PushInt(1).Op(0x3E);
  auto body = Code(ret);
  PutU16(fn, body.size());
  chain.PushString("m").OpWithData(0x9B, fn).Raw(body).PushInt(1).Op(0x43).StoreRegister(3).Op(
      0x17);
  for (int i = 0; i < 5; ++i)
    chain.PushString("__proto__").PushRegister(3).PushInt(1).Op(0x43).StoreRegister(3).Op(0x17);
  ActionBuilder call, plain;
  call.PushInt(0).PushRegister(3).PushString("m").Op(0x52).Op(0x17);
  if (call_only) {
    TimeTicks(RegisterLoop(iterations, call, chain), 80);
    return 0;
  }
  double with_call = TimeTicks(RegisterLoop(iterations, call, chain), frames);
  double without = TimeTicks(RegisterLoop(iterations, plain, chain), frames);
  std::printf("method call through five prototypes: %.0f ns\n",
              (with_call - without) / (iterations * frames) * 1e9);

  // 3. Every frame 200 objects in cycles (o.self = o, o.f = function, f.prototype.owner = f).
  ActionBuilder alloc, make;
  make.PushInt(0).Op(0x43).StoreRegister(2).PushString("self").PushRegister(2).Op(0x4F);
  make.PushRegister(2)
      .PushString("f")
      .OpWithData(0x9B, std::vector<uint8_t>{0, 0, 0, 0, 0})
      .Op(0x4F);
  flash::SwfWriter w(8, 100, 100, 12);
  w.DoAction(RegisterLoop(200, make, alloc).Build());
  w.ShowFrame();
  w.ShowFrame();
  flash::Player p;
  p.LoadMovie(0, flash::ParseMovie(w.Finish(false)));
  for (int i = 1; i <= 100000; ++i) {
    p.Tick();
    if (i % 20000 == 0)
      std::printf("frame %6d: %zu script objects, %ld kB resident\n", i, p.ScriptObjectCount(),
                  ResidentKb());
  }
  return 0;
}
