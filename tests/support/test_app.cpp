#include "tests/support/test_app.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include <QApplication>
#include <gtest/gtest.h>

#include "resources/artwork.h"

namespace lumitest {

namespace {
std::unique_ptr<QApplication> g_app;
std::vector<std::filesystem::path>& TempDirs() {
  static std::vector<std::filesystem::path> dirs;
  return dirs;
}
struct TempCleaner {
  ~TempCleaner() {
    std::error_code ec;
    for (auto& d : TempDirs()) std::filesystem::remove_all(d, ec);
  }
} g_cleaner;
}  // namespace

void StartTestApplication(int& argc, char** argv) {
  // Qt keeps a reference to argc for the application's lifetime: hand it a copy that lives as long.
  static int app_argc = 1;
  static char* app_argv[] = {argc > 0 ? argv[0] : const_cast<char*>("test"), nullptr};
  if (!g_app && QApplication::instance() == nullptr) g_app = std::make_unique<QApplication>(app_argc, app_argv);
  resources::RegisterArtwork();
}

void StopTestApplication() { g_app.reset(); }

std::string TestDataDir() {
  std::filesystem::path p(LUMICAST_TESTDATA);
  std::error_code ec;
  if (std::filesystem::is_directory(p, ec)) return p.string();
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true")
    ADD_FAILURE() << "shared test data missing at " << p << " under CI";
  return {};
}

std::string BinDir() { return LUMICAST_BIN_DIR; }
std::string ToolsDir() { return LUMICAST_TOOLS_DIR; }

std::string MakeTempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "lumitest-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  char* d = mkdtemp(buf.data());
  if (d == nullptr) return {};
  TempDirs().emplace_back(d);
  return d;
}

}  // namespace lumitest
