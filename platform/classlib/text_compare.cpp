#include "platform/classlib/text_compare.h"

#include <QString>

namespace classlib {

namespace {

QString FromUtf8(const std::string& Text) {
  return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
}

}  // namespace

int AnsiCompareText(const std::string& A, const std::string& B) {
  const QString a = FromUtf8(A);
  const QString b = FromUtf8(B);
  int folded = QString::compare(a, b, Qt::CaseInsensitive);
  if (folded != 0) return folded < 0 ? -1 : 1;
  int exact = QString::compare(a, b, Qt::CaseSensitive);
  return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

bool TextStartsWithIgnoreCase(const std::string& Text, const std::string& Prefix) {
  return FromUtf8(Text).startsWith(FromUtf8(Prefix), Qt::CaseInsensitive);
}

std::string Utf8FromCodePoint(char32_t Code) {
  if (Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) Code = 0xFFFD;
  std::string out;
  if (Code < 0x80) {
    out += static_cast<char>(Code);
  } else if (Code < 0x800) {
    out += static_cast<char>(0xC0 | (Code >> 6));
    out += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    out += static_cast<char>(0xE0 | (Code >> 12));
    out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (Code >> 18));
    out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (Code & 0x3F));
  }
  return out;
}

}  // namespace classlib
