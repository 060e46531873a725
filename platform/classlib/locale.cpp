#include "platform/classlib/locale.h"

#include <atomic>

#include <QApplication>
#include <QLocale>

#include "platform/classlib/application.h"
#include "platform/classlib/control_qt.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/messages.h"

namespace classlib {

namespace {

struct Separators {
  std::string decimal;
  std::string thousand;
};

Separators& Current() {
  static Separators s = [] {
    QLocale l = QLocale::system();
    Separators r{StdStr(l.decimalPoint()), StdStr(l.groupSeparator())};
    // A locale without a single-character separator falls back to the
    // common ones rather than leaving numbers unreadable.
    if (QStr(r.decimal).toStdU32String().size() != 1) r.decimal = ".";
    if (QStr(r.thousand).toStdU32String().size() != 1) r.thousand = r.decimal == "," ? "." : ",";
    return r;
  }();
  return s;
}

std::atomic<int> beep_count{0};

bool OneCharacter(const std::string& S) { return QStr(S).toStdU32String().size() == 1; }

}  // namespace

const std::string& DecimalSeparator() { return Current().decimal; }

const std::string& ThousandSeparator() { return Current().thousand; }

void SetLocaleSeparators(const std::string& Decimal, const std::string& Thousand) {
  if (!OneCharacter(Decimal) || !OneCharacter(Thousand) || Decimal == Thousand)
    throw EConvertError("Invalid number separators");
  Current() = Separators{Decimal, Thousand};
  if (Application != nullptr) {
    TMessage m;
    m.Msg = WM_SETTINGCHANGE;
    Application->NotifyMainWindowHooks(m);
  }
}

void MessageBeep(unsigned) {
  ++beep_count;
  if (qApp != nullptr) QApplication::beep();
}

int MessageBeepCount() { return beep_count.load(); }

}  // namespace classlib
