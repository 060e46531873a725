// Shared helpers of the tests: the headless application and the shared test data.
#pragma once

#include <string>

namespace lumitest {

// Creates the process's application object once (headless).
void StartTestApplication(int& argc, char** argv);
void StopTestApplication();

// Folder of the shared read-only test data; empty when it is absent.
// Under CI (CI=true) an absent folder fails the calling test instead.
std::string TestDataDir();

// Folder where the build puts the program and the files beside it.
std::string BinDir();
// Folder where the build puts the developer tools (swfrender...).
std::string ToolsDir();

// A fresh empty folder "lumitest-XXXXXX" in the system temporary folder, removed with all it
// holds when the object goes, whether the test passed or failed. Only the process that made it
// removes it (a forked child leaves it to its parent).
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing "/".
  const std::string& Path() const { return path_; }
  // Path() + "/" + Name.
  std::string File(const std::string& Name) const { return path_ + "/" + Name; }

 private:
  std::string path_;
  int owner_pid_;
};

// A fresh empty temporary folder that lives until the process ends (for folders shared by a
// whole test program); removed at exit. Tests use TempDir.
std::string MakeTempDir();

}  // namespace lumitest
