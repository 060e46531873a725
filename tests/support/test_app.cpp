#include "tests/support/test_app.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <gtest/gtest.h>

#include "resources/artwork.h"
#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"

namespace lumitest {

namespace {
std::unique_ptr<QApplication> g_app;

// A new empty "lumitest-XXXXXX" folder in the system temporary folder; empty when none could be
// made.
std::string NewTempFolder() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "lumitest-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  char* d = mkdtemp(buf.data());
  return d == nullptr ? std::string() : std::string(d);
}

void RemoveFolder(const std::string& Path) {
  std::error_code ec;
  if (!Path.empty()) std::filesystem::remove_all(Path, ec);
}

// The folders MakeTempDir hands out, removed when the process exits normally. The list and its
// cleaner are one object, so the list cannot be destroyed before it is emptied.
struct ProcessTempFolders {
  std::vector<std::string> paths;
  int owner_pid = getpid();
  ~ProcessTempFolders() {
    if (getpid() != owner_pid) return;
    for (const std::string& p : paths) RemoveFolder(p);
  }
};
ProcessTempFolders& ProcessFolders() {
  static ProcessTempFolders folders;
  return folders;
}
}  // namespace

void StartTestApplication(int& argc, char** argv) {
  // Qt keeps a reference to argc for the application's lifetime: hand it a copy that lives as long.
  static int app_argc = 1;
  static char* app_argv[] = {argc > 0 ? argv[0] : const_cast<char*>("test"), nullptr};
  if (!g_app && QApplication::instance() == nullptr)
    g_app = std::make_unique<QApplication>(app_argc, app_argv);
  resources::RegisterArtwork();
  // The picture formats the program registers at its own start-up.
  lumicast::RegisterGIFImage();
  lumicast::RegisterGIFImageEx();
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

TempDir::TempDir() : path_(NewTempFolder()), owner_pid_(getpid()) {
  if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}

TempDir::~TempDir() {
  if (getpid() == owner_pid_) RemoveFolder(path_);
}

std::string MakeTempDir() {
  std::string d = NewTempFolder();
  if (!d.empty()) ProcessFolders().paths.push_back(d);
  return d;
}

}  // namespace lumitest
