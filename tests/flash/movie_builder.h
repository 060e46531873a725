// Small helpers of the flash tests: movies built with the writer and loaded into a player.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/flash/format/writer.h"
#include "platform/flash/player/player.h"

namespace flashtest {

// Byte code that traces a string.
inline std::vector<uint8_t> TraceCode(const std::string& text) {
  return flash::ActionBuilder().PushString(text).Trace().Build();
}

// A movie of `frames` frames whose frame n (1-based) traces "fN".
inline flash::SwfWriter TracingMovie(int frames, int version = 6) {
  flash::SwfWriter w(version, 100, 100, 12);
  for (int f = 1; f <= frames; ++f) {
    w.DoAction(TraceCode("f" + std::to_string(f)));
    w.ShowFrame();
  }
  return w;
}

// A placement of a new character.
inline flash::PlaceSpec NewPlace(uint16_t depth, int character_id, const std::string& name = "") {
  flash::PlaceSpec p;
  p.depth = depth;
  p.character_id = character_id;
  p.name = name;
  return p;
}

// A placement with a matrix (moving the object at `depth` when character_id is -1).
inline flash::PlaceSpec MatrixPlace(uint16_t depth, int character_id, const flash::Matrix& m) {
  flash::PlaceSpec p;
  p.depth = depth;
  p.character_id = character_id;
  p.move = character_id < 0;
  p.has_matrix = true;
  p.matrix = m;
  return p;
}

inline std::string ReadText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

}  // namespace flashtest
