// Helpers shared by the parser fuzz entry points: a headless application object for the classes
// that need one, and a temporary file holding the input for readers that take a file name.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QGuiApplication>

namespace fuzzsupport {

// Starts a headless application once (graphics classes expect one to exist).
inline void StartApplication() {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  if (QGuiApplication::instance() != nullptr) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

// A file in the temporary folder with the given extension, rewritten for every input and removed
// at exit.
class TempInput {
 public:
  explicit TempInput(const std::string& Extension) {
    std::string tmpl = "/tmp/lumifuzz-" + std::to_string(getpid()) + "-XXXXXX" + Extension;
    path_.assign(tmpl);
    int fd = mkstemps(path_.data(), static_cast<int>(Extension.size()));
    if (fd < 0) std::abort();
    close(fd);
  }
  ~TempInput() { std::remove(path_.c_str()); }

  const std::string& Write(const uint8_t* Data, size_t Size) {
    FILE* f = std::fopen(path_.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (Size > 0 && std::fwrite(Data, 1, Size, f) != Size) std::abort();
    std::fclose(f);
    return path_;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace fuzzsupport
