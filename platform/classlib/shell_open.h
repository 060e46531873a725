// Opening a document or address with the desktop's handler. The service is
// replaceable so tests can see what would have been opened.
#pragma once

#include <functional>
#include <string>

namespace classlib {

class TWinControl;

// Target: a file name or URL; Verb: "open" by default; Owner: the window on
// whose behalf it opens (may be nullptr). Returns false when nothing opened.
using TShellOpenService =
    std::function<bool(const std::string& Target, const std::string& Verb, TWinControl* Owner)>;

bool ShellOpen(const std::string& Target, const std::string& Verb = "open",
               TWinControl* Owner = nullptr);
// Replaces the service; an empty function restores the desktop's handler.
// Returns the previous service.
TShellOpenService SetShellOpenService(TShellOpenService Service);

}  // namespace classlib
