// The script reference movies: each runs for its number of frames and must print exactly the
// expected trace output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/flash/format/errors.h"
#include "platform/flash/player/player.h"
#include "tests/flash/movie_builder.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

using flashtest::ReadText;

int FramesOf(const fs::path& toml) {
  static const std::regex re(R"(^\s*num_(frames|ticks)\s*=\s*(\d+))");
  std::istringstream in(ReadText(toml));
  std::string line;
  std::smatch m;
  while (std::getline(in, line))
    if (std::regex_search(line, m, re)) return std::stoi(m[2]);
  return 1;
}

// The trace output of a movie after `frames` ticks; empty when it cannot be read.
std::string RunMovie(const fs::path& dir) {
  flash::Player p;
  try {
    p.LoadFile(0, (dir / "test.swf").string());
  } catch (const flash::FormatError&) {
    return "";
  }
  // Movies that ask for their page requests in the log expect each as three lines, among the
  // traces in the order they happened.
  if (ReadText(dir / "test.toml").find("log_fetch = true") != std::string::npos)
    p.on_get_url = [&p](const std::string& url, const std::string& target) {
      p.trace_log.push_back("Navigator::navigate_to_url:\n  URL: " + url + "\n  Target: " + target);
    };
  int frames = FramesOf(dir / "test.toml");
  for (int i = 0; i < frames; ++i) p.Tick();
  return flashtest::Joined(p.trace_log);
}

std::string Expected(const fs::path& dir) {
  std::string s = ReadText(dir / "output.txt");
  if (!s.empty() && s.back() != '\n') s += '\n';
  return s;
}

fs::path TraceDir() {
  std::string root = lumitest::TestDataDir();
  return root.empty() ? fs::path() : fs::path(root) / "avm1-trace";
}

}  // namespace

// Frame-script order, goto both ways, looping and the early operators must match exactly.
TEST(FlashTraceMovies, CoreTimelineAndOperatorMoviesMatch) {
  fs::path dir = TraceDir();
  if (dir.empty() || !fs::exists(dir)) GTEST_SKIP() << "shared test data absent";
  const char* required[] = {
      "avm1-execution_order1",
      "avm1-execution_order2",
      "avm1-execution_order4",
      "avm1-goto_both_ways1",
      "avm1-goto_both_ways2",
      "avm1-goto_execution_order2",
      "avm1-goto_rewind1",
      "avm1-goto_rewind3",
      "avm1-looping",
      "avm1-looping_real_1_declared_1",
      "avm1-looping_real_2_declared_1",
      "avm1-looping_real_2_declared_2",
      "avm1-single_frame",
      "avm1-lessthan_swf4",
      "avm1-swf4_bool",
      "avm1-do_init_action",
      "avm1-trace",
      "avm1-stage_object_properties_get_var",
      "from_gnash-misc-swfmill.all-jump_after_end",
      "from_gnash-misc-swfmill.all-trace-as2-shortstack",
  };
  for (const char* name : required) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(fs::exists(dir / name));
    EXPECT_EQ(RunMovie(dir / name), Expected(dir / name));
  }
}

// Every movie of the folder: reports how many match and guards against losing any.
TEST(FlashTraceMovies, CountOfMatchingMovies) {
  fs::path dir = TraceDir();
  if (dir.empty() || !fs::exists(dir)) GTEST_SKIP() << "shared test data absent";
  int total = 0, matched = 0;
  std::string failed;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!fs::exists(entry.path() / "test.swf")) continue;
    ++total;
    if (RunMovie(entry.path()) == Expected(entry.path()))
      ++matched;
    else
      failed += " " + entry.path().filename().string();
  }
  std::cout << "trace movies matching: " << matched << " of " << total
            << "\n  not matching:" << failed << "\n";
  EXPECT_GE(matched, 41);
}
