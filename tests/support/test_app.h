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

// A fresh empty temporary folder, removed at process exit.
std::string MakeTempDir();

}  // namespace lumitest
