#include "controls/num_edit.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>

#include <locale.h>

#include "platform/classlib/application.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/colors.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/locale.h"
#include "platform/classlib/string_utils.h"
#include "platform/classlib/text_compare.h"

namespace controls {

using namespace classlib;

namespace {

constexpr size_t npos = std::u32string::npos;

std::u32string FromUtf8(const std::string& S) {
  std::u32string out;
  for (size_t i = 0; i < S.size();) {
    unsigned char c = static_cast<unsigned char>(S[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= S.size() + (extra == 0 ? 1 : 0)) {
      out += U'\uFFFD';
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
    bool bad = false;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(S[i + static_cast<size_t>(k)]);
      if ((cc & 0xC0) != 0x80) bad = true;
      cp = (cp << 6) | (cc & 0x3F);
    }
    out += bad ? U'\uFFFD' : cp;
    i += bad ? 1 : static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string ToUtf8(const std::u32string& S) {
  std::string out;
  for (char32_t c : S) out += Utf8FromCodePoint(c);
  return out;
}

char32_t FirstChar(const std::string& S) {
  std::u32string u = FromUtf8(S);
  return u.empty() ? U'.' : u[0];
}

bool IsDigit(char32_t C) { return C >= U'0' && C <= U'9'; }

// Reads "-?digits[.digits][E[-+]digits]" whatever the process locale.
long double ReadCNumber(const std::string& S, bool& Ok) {
  static locale_t c_locale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
  char* end = nullptr;
  long double v = strtold_l(S.c_str(), &end, c_locale);
  Ok = end == S.c_str() + S.size() && std::isfinite(v);
  return v;
}

}  // namespace

// Where the parts of a number's text lie.
struct TPBNumEdit::Edit {
  size_t start = 0;     // first character after a leading "-"
  size_t e = npos;      // the "E"
  size_t mant_end = 0;  // end of the mantissa (the "E" or the end)
  size_t dec = npos;    // the decimal separator in the mantissa
  size_t int_end = 0;   // end of the integer part
  Edit(const std::u32string& T, char32_t Dec) {
    start = !T.empty() && T[0] == U'-' ? 1 : 0;
    e = T.find(U'E');
    mant_end = e == npos ? T.size() : e;
    dec = T.find(Dec);
    if (dec != npos && dec > mant_end) dec = npos;
    int_end = dec != npos ? dec : mant_end;
  }
};

TPBNumEdit::TPBNumEdit(TComponent* AOwner)
    : TCustomEdit(AOwner),
      enabled_color_(clWindow),
      disabled_color_(clBtnFace),
      dec_(FirstChar(DecimalSeparator())),
      thou_(FirstChar(ThousandSeparator())) {
  SetAlignment(taRightJustify);
  HandleNeeded();
  Commit(FromUtf8(FormatValue(0)), 1);
  hook_id_ = Application->HookMainWindow([this](TMessage& M) {
    if (M.Msg == WM_SETTINGCHANGE) RemapSeparators();
    return false;
  });
}

TPBNumEdit::~TPBNumEdit() { Application->UnhookMainWindow(hook_id_); }

// ---- formatting

std::string TPBNumEdit::FormatValue(long double X) const {
  const bool thousands = number_format_ == TNumberFormat::Thousands;
  std::string s;
  if (number_format_ == TNumberFormat::Engineering && X != 0) {
    int e = 3 * static_cast<int>(std::trunc(std::log10(std::fabs(X)) / 3));
    // Split the power so that neither half leaves the range near its ends.
    long double m = X / std::pow(10.0L, e / 2) / std::pow(10.0L, e - e / 2);
    int d = 14;
    if (m > 9) --d;
    if (m > 99) --d;
    if (decimals_ >= 0 && decimals_ < d) d = decimals_;
    std::string mask = decimals_ < 0   ? "0." + std::string(static_cast<size_t>(d), '#')
                       : decimals_ > 0 ? "0." + std::string(static_cast<size_t>(d), '0')
                                       : "0";
    s = FormatFloat(mask, m) + "E" + IntToStr(e);
  } else {
    std::string mask = thousands ? ",0" : "0";
    if (decimals_ > 0)
      mask += "." + std::string(static_cast<size_t>(decimals_), '0');
    else if (decimals_ < 0)
      mask += "." + std::string(14, '#');
    if (number_format_ == TNumberFormat::Scientific ||
        number_format_ == TNumberFormat::Engineering)
      mask += "E-";
    s = FormatFloat(mask, X);
    size_t point = s.find('.');
    if (s.find('E') == std::string::npos && point != std::string::npos) {
      // No more than 15 significant digits are shown.
      int n = 0;
      for (size_t i = 0; i < point; ++i) n += s[i] >= '0' && s[i] <= '9';
      int room = 15 - n;
      const std::string head = thousands ? ",0" : "0";
      if (decimals_ < 0 && thousands) {
        s = FormatFloat(room > 0 ? ",0." + std::string(static_cast<size_t>(room), '#') : ",0", X);
      } else if (decimals_ > 0 && room < decimals_) {
        // The separator stays even when no decimal can be significant.
        if (room > 0)
          s = FormatFloat(head + "." + std::string(static_cast<size_t>(room), '0'), X) +
              std::string(static_cast<size_t>(decimals_ - room), '0');
        else
          s = FormatFloat(head, X) + "." + std::string(static_cast<size_t>(decimals_), '0');
      }
    }
  }
  // The picture uses "." and ","; the text shows the locale's separators.
  std::u32string out;
  for (char32_t c : FromUtf8(s)) out += c == U'.' ? dec_ : c == U',' ? thou_ : c;
  return ToUtf8(out);
}

long double TPBNumEdit::ParseText(const std::u32string& Text, bool& Ok) const {
  Ok = false;
  std::string c;
  Edit ed(Text, dec_);
  bool mant_digit = false;
  for (size_t i = 0; i < Text.size(); ++i) {
    char32_t ch = Text[i];
    if (IsDigit(ch)) {
      c += static_cast<char>(ch);
      if (i < ed.mant_end) mant_digit = true;
    } else if (ch == thou_ && i < ed.int_end && i >= ed.start) {
      continue;
    } else if (ch == dec_ && i == ed.dec) {
      c += '.';
    } else if (ch == U'-' && (i == 0 || (ed.e != npos && i == ed.e + 1))) {
      c += '-';
    } else if (ch == U'+' && ed.e != npos && i == ed.e + 1) {
      c += '+';
    } else if (ch == U'E' && i == ed.e) {
      c += 'E';
    } else {
      return 0;
    }
  }
  if (!mant_digit) {
    // Empty text reads 0 and "-" alone -0; an exponent needs a mantissa.
    if (ed.e != npos) return 0;
    Ok = true;
    return ed.start == 1 ? -0.0L : 0.0L;
  }
  // An exponent without digits counts as none.
  while (!c.empty() && (c.back() == 'E' || c.back() == '-' || c.back() == '+') &&
         c.find('E') != std::string::npos)
    c.pop_back();
  return ReadCNumber(c, Ok);
}

long double TPBNumEdit::Value() const {
  bool ok;
  long double v = ParseText(Text32(), ok);
  if (!ok) throw EConvertError("'" + Text() + "' is not a valid floating point value");
  return v;
}

void TPBNumEdit::SetValue(long double X) {
  if (!std::isfinite(X)) throw EConvertError("Invalid floating point value");
  std::u32string t = FromUtf8(FormatValue(X));
  if (t != Text32()) Commit(t, static_cast<int>(t.size()));
}

void TPBNumEdit::Reformat() {
  bool ok;
  long double v = ParseText(Text32(), ok);
  SetValue(ok ? v : 0);
}

void TPBNumEdit::SetNumberFormat(TNumberFormat Value) {
  number_format_ = Value;
  Reformat();
}

void TPBNumEdit::SetDecimals(int Value) {
  Value = std::clamp(Value, -1, 14);
  if (MaxLength() > 0) Value = std::max(-1, std::min(Value, MaxLength() - 2));
  decimals_ = static_cast<int8_t>(Value);
  Reformat();
}

void TPBNumEdit::SetMinValue(long double Value) {
  if (Value > max_value_ && !(max_value_ == 0 && min_value_ == 0)) return;
  min_value_ = Value;
}

void TPBNumEdit::SetMaxValue(long double Value) {
  if (Value < min_value_) return;
  max_value_ = Value;
}

void TPBNumEdit::SetColor(TColor Value) {
  enabled_color_ = Value;
  if (Enabled()) TCustomEdit::SetColor(Value);
}

void TPBNumEdit::SetDisabledColor(TColor Value) {
  disabled_color_ = Value;
  if (!Enabled()) TCustomEdit::SetColor(Value);
}

void TPBNumEdit::CMEnabledChanged(TMessage& Message) {
  TCustomEdit::CMEnabledChanged(Message);
  bool parent_color = ParentColor();
  TCustomEdit::SetColor(Enabled() ? enabled_color_ : disabled_color_);
  SetParentColor(parent_color && Enabled());
}

// ---- editing

void TPBNumEdit::Refused() { MessageBeep(); }

void TPBNumEdit::Commit(const std::u32string& Text, int Caret) {
  if (Text != Text32()) SetText(ToUtf8(Text));
  SetSelStart(std::clamp(Caret, 0, static_cast<int>(Text.size())));
}

bool TPBNumEdit::TypeInto(std::u32string& T, int& P, char32_t Ch) const {
  const std::u32string before = T;
  const int before_p = P;
  Edit ed(T, dec_);
  size_t p = static_cast<size_t>(std::clamp(P, 0, static_cast<int>(T.size())));
  if (p == 0 && ed.start == 1) p = 1;
  if (Ch == U'-') {
    if (ed.e != npos && p > ed.e) {
      if (ed.e + 1 < T.size() && (T[ed.e + 1] == U'-' || T[ed.e + 1] == U'+')) {
        T.erase(ed.e + 1, 1);
        if (p > ed.e + 1) --p;
      } else {
        T.insert(ed.e + 1, 1, U'-');
        ++p;
      }
    } else if (ed.start == 1) {
      T.erase(0, 1);
      p = p > 0 ? p - 1 : 0;
    } else {
      T.insert(0, 1, U'-');
      ++p;
    }
  } else if (Ch == dec_) {
    if (ed.dec != npos) {
      P = static_cast<int>(ed.dec + 1);
      return true;
    }
    size_t at = std::clamp(p, ed.start, ed.mant_end);
    bool digit_before = false;
    for (size_t i = ed.start; i < at; ++i) digit_before |= IsDigit(T[i]);
    std::u32string ins = digit_before ? std::u32string(1, dec_) : std::u32string{U'0', dec_};
    T.insert(at, ins);
    p = at + ins.size();
    if (decimals_ > 0) {
      // A fixed count of decimals: pad what follows, refuse what is too long.
      Edit now(T, dec_);
      size_t have = now.mant_end - now.dec - 1;
      if (have > static_cast<size_t>(decimals_)) {
        T = before;
        P = before_p;
        return false;
      }
      T.insert(now.mant_end, static_cast<size_t>(decimals_) - have, U'0');
    }
  } else if (Ch == U'E') {
    if (ed.e != npos) {
      P = static_cast<int>(ed.e + 1);
      return true;
    }
    bool digit = false;
    for (size_t i = ed.start; i < ed.mant_end; ++i) digit |= IsDigit(T[i]);
    if (!digit) return false;
    T += U'E';
    p = T.size();
  } else if (IsDigit(Ch)) {
    if (ed.e != npos && p > ed.e) {
      size_t es = ed.e + 1;
      if (es < T.size() && (T[es] == U'-' || T[es] == U'+')) ++es;
      p = std::max(p, es);
      if (T.substr(es) == U"0") {
        T[es] = Ch;
        p = es + 1;
      } else {
        T.insert(p, 1, Ch);
        ++p;
      }
      // The exponent of an extended number stays within 4932.
      std::u32string digits = T.substr(es);
      if (digits.size() > 4 || std::stoi(ToUtf8(digits)) > 4932) {
        T = before;
        return false;
      }
    } else if (p <= ed.int_end) {
      std::u32string int_digits;
      size_t zero_at = npos;
      for (size_t i = ed.start; i < ed.int_end; ++i)
        if (IsDigit(T[i])) {
          int_digits += T[i];
          zero_at = i;
        }
      if (int_digits == U"0") {
        // A lone leading zero is replaced, not extended.
        T[zero_at] = Ch;
        p = zero_at + 1;
      } else {
        p = std::max(p, ed.start);
        T.insert(p, 1, Ch);
        ++p;
      }
    } else if (decimals_ > 0) {
      // Fixed decimals are typed over; the last place takes no more.
      if (p >= ed.dec + 1 + static_cast<size_t>(decimals_) || p >= ed.mant_end) return false;
      T[p] = Ch;
      ++p;
    } else {
      T.insert(p, 1, Ch);
      ++p;
    }
  } else {
    return false;
  }
  bool ok;
  ParseText(T, ok);
  if (!ok || (MaxLength() > 0 && static_cast<int>(T.size()) > MaxLength())) {
    T = before;
    P = before_p;
    return false;
  }
  P = static_cast<int>(p);
  return true;
}

bool TPBNumEdit::DeleteAt(std::u32string& T, int& P, bool Forward, bool SkipDecimal) const {
  const std::u32string before = T;
  Edit ed(T, dec_);
  size_t p = static_cast<size_t>(std::clamp(P, 0, static_cast<int>(T.size())));
  size_t i;
  auto skip = [&](char32_t c) { return c == thou_ || (c == dec_ && SkipDecimal); };
  if (Forward) {
    i = p;
    while (i < T.size() && skip(T[i])) ++i;
    if (i >= T.size()) return true;
  } else {
    if (p == 0) return true;
    i = p - 1;
    while (i > 0 && skip(T[i])) --i;
    if (skip(T[i])) return true;
  }
  const char32_t c = T[i];
  int int_digits = 0;
  for (size_t k = ed.start; k < ed.int_end; ++k) int_digits += IsDigit(T[k]);
  size_t np = i;
  if (c == dec_ && decimals_ > 0) {
    // The separator of fixed decimals stays; the caret passes over it.
    P = static_cast<int>(Forward ? i + 1 : i);
    return true;
  } else if (decimals_ > 0 && ed.dec != npos && i > ed.dec && i < ed.mant_end) {
    // A decimal goes and a zero closes the decimals, so their count stays.
    T.erase(i, 1);
    T.insert(ed.mant_end - 1, 1, U'0');
  } else if (i == 0 && c == U'-') {
    T.erase(0, 1);
    if (T.empty()) T = U"0";
    np = 0;
  } else if (IsDigit(c) && i >= ed.start && i < ed.int_end && int_digits == 1) {
    T[i] = U'0';
    np = i + 1;
  } else if (c == U'E') {
    // The whole exponent goes with the "E": its digits joined to the
    // mantissa would make another number.
    T.erase(i);
  } else {
    T.erase(i, 1);
    if ((number_format_ == TNumberFormat::Scientific ||
         number_format_ == TNumberFormat::Engineering) &&
        !T.empty() && T.back() == U'E')
      T += U'0';
  }
  bool ok;
  ParseText(T, ok);
  if (!ok) {
    T = before;
    return false;
  }
  P = static_cast<int>(np);
  return true;
}

bool TPBNumEdit::DeleteRange(std::u32string& T, int& P, int Start, int Length) const {
  if (Length <= 0) return true;
  if (Start <= 0 && Length >= static_cast<int>(T.size())) {
    T = FromUtf8(FormatValue(0));
    P = static_cast<int>(Edit(T, dec_).int_end);
    return true;
  }
  int count = 0;
  for (int i = Start; i < Start + Length && i < static_cast<int>(T.size()); ++i)
    count += T[static_cast<size_t>(i)] != thou_ && T[static_cast<size_t>(i)] != dec_;
  P = std::min(Start + Length, static_cast<int>(T.size()));
  bool all = true;
  for (int k = 0; k < count; ++k) all = DeleteAt(T, P, false, true) && all;
  return all;
}

void TPBNumEdit::RegroupThousands(bool Force) {
  std::u32string t = Text32();
  int p = SelStart();
  if (Force) {
    // Enter and Space re-format the whole text.
    int digits_before = 0;
    for (int i = 0; i < p && i < static_cast<int>(t.size()); ++i)
      digits_before += IsDigit(t[static_cast<size_t>(i)]);
    Reformat();
    t = Text32();
    p = 0;
    for (int seen = 0; p < static_cast<int>(t.size()) && seen < digits_before; ++p)
      seen += IsDigit(t[static_cast<size_t>(p)]);
    Commit(t, p);
    return;
  }
  // Regroup the integer digits only, so that decimals being typed (and a
  // trailing separator) are not rounded away.
  Edit ed(t, dec_);
  std::u32string digits;
  int digits_before = 0;
  for (size_t i = ed.start; i < ed.int_end; ++i)
    if (IsDigit(t[i])) {
      digits += t[i];
      if (static_cast<int>(i) < p) ++digits_before;
    }
  std::u32string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += thou_;
    grouped += digits[i];
  }
  if (grouped == t.substr(ed.start, ed.int_end - ed.start)) return;
  std::u32string out = t.substr(0, ed.start) + grouped + t.substr(ed.int_end);
  int np = static_cast<int>(ed.start);
  if (static_cast<int>(ed.int_end) <= p) {
    np = p + static_cast<int>(out.size()) - static_cast<int>(t.size());
  } else {
    for (int seen = 0; seen < digits_before; ++np)
      seen += IsDigit(out[static_cast<size_t>(np)]);
  }
  Commit(out, np);
}

void TPBNumEdit::Paste(const std::string& Text) {
  std::u32string t = Text32();
  int p = SelStart();
  DeleteRange(t, p, SelStart(), SelLength());
  for (char32_t ch : FromUtf8(Text)) {
    if (ch == U'e') ch = U'E';
    if (!TypeInto(t, p, ch)) Refused();
  }
  Commit(t, p);
  if (number_format_ == TNumberFormat::Thousands) RegroupThousands(false);
}

void TPBNumEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomEdit::KeyDown(Key, Shift);
  if (Key != VK_BACK && Key != VK_DELETE) return;
  if (Key == VK_DELETE && (Shift & (ssShift | ssCtrl)) != 0) return;  // cut or copy
  const bool forward = Key == VK_DELETE;
  Key = 0;
  if (ReadOnly()) return;
  std::u32string t = Text32();
  int p = SelStart();
  bool ok = SelLength() > 0 ? DeleteRange(t, p, SelStart(), SelLength())
                            : DeleteAt(t, p, forward, false);
  if (!ok) Refused();
  Commit(t, p);
  if (number_format_ == TNumberFormat::Thousands) RegroupThousands(false);
}

void TPBNumEdit::KeyPress(char32_t& Key) {
  TCustomEdit::KeyPress(Key);
  char32_t ch = Key;
  if (ch == 0) return;
  Key = 0;  // the text changes here only
  if (ReadOnly()) return;
  const bool had_selection = SelLength() > 0;
  if (ch == 13 || ch == U' ') {
    if (number_format_ == TNumberFormat::Thousands && !had_selection) RegroupThousands(true);
    return;
  }
  if (ch < 32 || ch == 127) return;  // Backspace, Ctrl+letter: handled as keys
  if (ch == U'e') ch = U'E';
  const bool accepted =
      IsDigit(ch) || ch == U'-' || ch == U'E' || (ch == dec_ && decimals_ != 0);
  if (!accepted) {
    Refused();
    return;
  }
  std::u32string t = Text32();
  int p = SelStart();
  if (ch != U'E' && ch != dec_ && had_selection) DeleteRange(t, p, SelStart(), SelLength());
  if (!TypeInto(t, p, ch)) Refused();
  Commit(t, p);
  if (number_format_ == TNumberFormat::Thousands && !had_selection) RegroupThousands(false);
}

void TPBNumEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PASTE:
      if (!ReadOnly()) Paste(PasteText(Message));
      return;
    case WM_COPY:
    case WM_CUT: {
      std::u32string sel = FromUtf8(SelText());
      std::u32string plain;
      for (char32_t c : sel)
        if (c != thou_) plain += c;
      if (!plain.empty()) Clipboard()->SetAsText(ToUtf8(plain));
      if (Message.Msg == WM_COPY || ReadOnly()) return;
      [[fallthrough]];
    }
    case WM_CLEAR: {
      if (ReadOnly()) return;
      if (Message.Msg == WM_CLEAR && OnClear) {
        OnClear(this);
        return;
      }
      std::u32string t = Text32();
      int p = SelStart();
      if (!DeleteRange(t, p, SelStart(), SelLength())) Refused();
      Commit(t, p);
      return;
    }
    case WM_UNDO: return;  // every text this control makes is a number already
    default: TCustomEdit::WndProc(Message);
  }
}

void TPBNumEdit::RemapSeparators() {
  const char32_t dec = FirstChar(DecimalSeparator());
  const char32_t thou = FirstChar(ThousandSeparator());
  if (dec == dec_ && thou == thou_) return;
  std::u32string t = Text32();
  for (char32_t& c : t) c = c == dec_ ? dec : c == thou_ ? thou : c;
  dec_ = dec;
  thou_ = thou;
  Commit(t, SelStart());
}

// ---- leaving

void TPBNumEdit::InvalidEntry() {
  if (ComponentState() & csLoading) return;
  if (OnInvalidEntry) {
    OnInvalidEntry(this);
    return;
  }
  bool ok;
  long double v = ParseText(Text32(), ok);
  SetValue(ok && v < min_value_ ? min_value_ : max_value_);
  MessageBeep();
  if (CanFocus()) SetFocus();
}

void TPBNumEdit::DoExit() {
  bool ok;
  long double v = ParseText(Text32(), ok);
  if (!ok) v = 0;  // text set by the program that is not a number counts as 0
  SetValue(v);
  if ((min_value_ != 0 || max_value_ != 0) && (v < min_value_ || v > max_value_)) {
    InvalidEntry();
    return;
  }
  TCustomEdit::DoExit();
}

}  // namespace controls
