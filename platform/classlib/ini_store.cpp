#include "platform/classlib/ini_store.h"

#include <algorithm>
#include <cctype>

#include "platform/classlib/string_utils.h"

namespace classlib {

namespace {
std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}
}  // namespace

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  std::string text = ReadString(Section, Ident, "");
  if (text.empty()) return Default;
  return StrToIntDef(text, Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  auto s = sections_.find(Lower(Section));
  if (s == sections_.end()) return Default;
  auto k = s->second.find(Lower(Ident));
  return k == s->second.end() ? Default : k->second;
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
  sections_[Lower(Section)][Lower(Ident)] = Value;
}

bool TMemIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  auto s = sections_.find(Lower(Section));
  return s != sections_.end() && s->second.count(Lower(Ident)) != 0;
}

}  // namespace classlib
