#include "platform/classlib/shell_open.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace classlib {

namespace {

bool DesktopOpen(const std::string& Target, const std::string&, TWinControl*) {
  QString t = QString::fromStdString(Target);
  QUrl url = QFileInfo::exists(t) ? QUrl::fromLocalFile(t) : QUrl::fromUserInput(t);
  return url.isValid() && QDesktopServices::openUrl(url);
}

TShellOpenService& Service() {
  static TShellOpenService service;
  return service;
}

}  // namespace

bool ShellOpen(const std::string& Target, const std::string& Verb, TWinControl* Owner) {
  const std::string verb = Verb.empty() ? "open" : Verb;
  if (Service()) return Service()(Target, verb, Owner);
  return DesktopOpen(Target, verb, Owner);
}

TShellOpenService SetShellOpenService(TShellOpenService NewService) {
  TShellOpenService old = std::move(Service());
  Service() = std::move(NewService);
  return old;
}

}  // namespace classlib
