// The language reference movies: every movie of avm1-script runs for its number of frames, with
// the mouse and key input its input.json recorded delivered after each tick; its trace output is
// compared with the expected one (numbers within the movie's epsilon where it gives one). The test
// reports the count, fails when a movie that matched before stops matching, and runs every movie to
// the end without a crash.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>
#include <sstream>

#include "platform/flash/format/errors.h"
#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

using flashtest::ReadText;

struct Expectations {
  int frames = 1;
  bool approximate = false;
  double epsilon = 0;
  std::vector<std::regex> patterns;
};

Expectations ReadToml(const fs::path& toml) {
  Expectations e;
  static const std::regex frames(R"(^\s*num_(frames|ticks)\s*=\s*(\d+))");
  static const std::regex epsilon(R"(^\s*epsilon\s*=\s*([0-9.eE+-]+))");
  static const std::regex pattern(R"re("((?:[^"\\]|\\.)*)")re");
  std::istringstream in(ReadText(toml));
  std::string line;
  std::smatch m;
  bool in_approx = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') in_approx = line.rfind("[approximations]", 0) == 0;
    if (std::regex_search(line, m, frames)) e.frames = std::stoi(m[2]);
    if (!in_approx) continue;
    e.approximate = true;
    if (std::regex_search(line, m, epsilon)) e.epsilon = std::stod(m[1]);
    if (line.find("number_patterns") != std::string::npos) {
      for (auto it = std::sregex_iterator(line.begin(), line.end(), pattern);
           it != std::sregex_iterator(); ++it) {
        std::string p = (*it)[1];
        std::string unescaped;
        for (size_t i = 0; i < p.size(); ++i) {
          if (p[i] == '\\' && i + 1 < p.size() && p[i + 1] == '\\') ++i;
          unescaped += p[i];
        }
        e.patterns.emplace_back(unescaped);
      }
    }
  }
  return e;
}

std::vector<std::string> Lines(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  std::string line;
  // Some expected outputs were saved with CRLF line ends.
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

// Two lines equal except for numbers within epsilon: the numbers the patterns capture, or every
// number on the line when there are no patterns.
bool CloseEnough(const std::string& got, const std::string& want, const Expectations& e) {
  static const std::regex any_number(R"(-?\d+(\.\d+)?([eE][+-]?\d+)?)");
  auto split = [&](const std::string& s, std::vector<double>& numbers) {
    std::string rest;
    if (e.patterns.empty()) {
      std::string::const_iterator from = s.begin();
      for (auto it = std::sregex_iterator(s.begin(), s.end(), any_number);
           it != std::sregex_iterator(); ++it) {
        rest.append(from, s.begin() + it->position());
        rest += '#';
        numbers.push_back(std::stod(it->str()));
        from = s.begin() + it->position() + it->length();
      }
      rest.append(from, s.end());
      return rest;
    }
    rest = s;
    for (const std::regex& p : e.patterns) {
      std::string next;
      size_t from = 0;
      for (auto it = std::sregex_iterator(rest.begin(), rest.end(), p);
           it != std::sregex_iterator(); ++it) {
        size_t at = static_cast<size_t>(it->position(1));
        next += rest.substr(from, at - from) + "#";
        numbers.push_back(std::stod((*it)[1].str()));
        from = at + static_cast<size_t>(it->length(1));
      }
      next += rest.substr(from);
      rest = next;
    }
    return rest;
  };
  std::vector<double> a, b;
  if (split(got, a) != split(want, b) || a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!(std::fabs(a[i] - b[i]) <= e.epsilon)) return false;
  return true;
}

bool Matches(const std::string& got, const std::string& want, const Expectations& e) {
  std::vector<std::string> g = Lines(got), w = Lines(want);
  if (g == w) return true;
  if (!e.approximate || g.size() != w.size()) return false;
  for (size_t i = 0; i < g.size(); ++i)
    if (g[i] != w[i] && !CloseEnough(g[i], w[i], e)) return false;
  return true;
}

fs::path ScriptDir() {
  std::string root = lumitest::TestDataDir();
  return root.empty() ? fs::path() : fs::path(root) / "avm1-script";
}

}  // namespace

TEST(FlashScriptMovies, ApproximateNumbersCompareWithinEpsilon) {
  Expectations e;
  e.approximate = true;
  e.epsilon = 0.1;
  EXPECT_TRUE(CloseEnough("x = 10.04, y = 3", "x = 10, y = 3", e));
  EXPECT_FALSE(CloseEnough("x = 10.2", "x = 10", e));
  EXPECT_FALSE(CloseEnough("a = 1", "b = 1", e));
  e.patterns.emplace_back(R"((\d+\.\d+))");
  EXPECT_TRUE(CloseEnough("w 3 h 1.25", "w 3 h 1.3", e));
  EXPECT_FALSE(CloseEnough("w 4 h 1.25", "w 3 h 1.25", e));
}

// Every movie; the names below matched once and must keep matching.
TEST(FlashScriptMovies, CountOfMatchingMovies) {
  fs::path dir = ScriptDir();
  if (dir.empty() || !fs::exists(dir)) GTEST_SKIP() << "shared test data absent";
  const std::set<std::string> matched_before = {
#include "tests/flash/avm1_script_matching.inc"
  };
  int total = 0, matched = 0;
  std::set<std::string> now;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const fs::path& p = entry.path();
    if (!fs::exists(p / "test.swf")) continue;
    ++total;
    Expectations e = ReadToml(p / "test.toml");
    flash::Player player;
    try {
      player.LoadFile(0, (p / "test.swf").string());
    } catch (const flash::FormatError&) {
    }
    std::vector<std::vector<flash::InputEvent>> batches;
    if (fs::exists(p / "input.json"))
      batches = flash::InputBatches(flash::ParseInputEvents(ReadText(p / "input.json")));
    for (int i = 0; i < e.frames; ++i) {
      player.Tick();
      if (static_cast<size_t>(i) < batches.size())
        for (const flash::InputEvent& event : batches[static_cast<size_t>(i)])
          player.Deliver(event);
    }
    if (Matches(flashtest::Joined(player.trace_log), ReadText(p / "output.txt"), e)) {
      ++matched;
      now.insert(p.filename().string());
    }
  }
  std::cout << "script movies matching: " << matched << " of " << total << "\n";
  for (const std::string& name : matched_before)
    EXPECT_TRUE(now.count(name)) << name << " no longer matches";
  std::string newly;
  for (const std::string& name : now)
    if (!matched_before.count(name)) newly += " " + name;
  if (!newly.empty()) std::cout << "  matching now, not yet listed:" << newly << "\n";
}
