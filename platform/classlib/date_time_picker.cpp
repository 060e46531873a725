#include "platform/classlib/date_time_picker.h"

#include <algorithm>
#include <cmath>

#include <QDateTime>

#include "platform/classlib/locale.h"

namespace classlib {

namespace {

int DaysInMonth(int Year, int Month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
  return Month == 2 && leap ? 29 : kDays[Month - 1];
}

}  // namespace

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TEdit(AOwner) {
  TDateTime d = 0;
  TryEncodeDate(2000, 1, 1, d);
  value_ = d;
  ShowValue();
}

void TDateTimePicker::SetKind(TDateTimeKind Value) {
  kind_ = Value;
  typing_field_ = -1;
  ShowValue();
}

void TDateTimePicker::SetDateTime(TDateTime Value) {
  if (!std::isfinite(Value)) return;
  value_ = Value;
  typing_field_ = -1;
  ShowValue();
}

void TDateTimePicker::ShowValue() {
  int caret = SelStart();
  SetText(kind_ == dtkDate ? DateToStr(value_) : TimeToStr(value_));
  SetSelStart(caret);
}

void TDateTimePicker::StoreText(const std::string& Value) {
  TDateTime v = 0;
  bool ok = kind_ == dtkDate ? TryStrToDate(Value, v) : TryStrToTime(Value, v);
  if (ok) value_ = kind_ == dtkDate ? DateOf(v) + TimeOf(value_) : DateOf(value_) + TimeOf(v);
  TEdit::StoreText(kind_ == dtkDate ? DateToStr(value_) : TimeToStr(value_));
}

int TDateTimePicker::FieldStart(int Field) const {
  static const int kDate[] = {0, 5, 8}, kTime[] = {0, 3, 6};
  return kind_ == dtkDate ? kDate[Field] : kTime[Field];
}

int TDateTimePicker::FieldWidth(int Field) const {
  return kind_ == dtkDate && Field == 0 ? 4 : 2;
}

int TDateTimePicker::FieldAt(int Pos) const {
  for (int f = 0; f < 2; ++f)
    if (Pos <= FieldStart(f) + FieldWidth(f)) return f;
  return 2;
}

TDateTimePicker::Fields TDateTimePicker::Split() const {
  Fields f{};
  if (kind_ == dtkDate) {
    int64_t y;
    int m, d;
    DecodeDate(value_, y, m, d);
    f.v[0] = static_cast<int>(std::clamp<int64_t>(y, 1, 9999));
    f.v[1] = m;
    f.v[2] = d;
  } else {
    // Rounded to the second, as shown.
    int64_t secs = std::llround((value_ - std::floor(value_)) * 86400.0) % 86400;
    f.v[0] = static_cast<int>(secs / 3600);
    f.v[1] = static_cast<int>(secs / 60 % 60);
    f.v[2] = static_cast<int>(secs % 60);
  }
  return f;
}

void TDateTimePicker::Join(Fields F, bool ByUser) {
  TDateTime v;
  if (kind_ == dtkDate) {
    int y = std::clamp(F.v[0], 1, 9999), m = std::clamp(F.v[1], 1, 12);
    int d = std::clamp(F.v[2], 1, DaysInMonth(y, m));
    TDateTime day = 0;
    TryEncodeDate(y, m, d, day);
    v = day + TimeOf(value_);
  } else {
    int secs = std::clamp(F.v[0], 0, 23) * 3600 + std::clamp(F.v[1], 0, 59) * 60 +
               std::clamp(F.v[2], 0, 59);
    v = DateOf(value_) + secs / 86400.0;
  }
  bool changed = v != value_;
  value_ = v;
  ShowValue();
  if (changed && ByUser && OnValueChange) OnValueChange(this);
}

void TDateTimePicker::Step(int Delta) {
  if (ReadOnly() || Delta == 0) return;
  const int field = FieldAt(SelStart());
  typing_field_ = -1;
  Fields f = Split();
  auto wrap = [](int v, int lo, int hi) { return lo + (((v - lo) % (hi - lo + 1)) + (hi - lo + 1)) % (hi - lo + 1); };
  int& v = f.v[field];
  if (kind_ == dtkDate) {
    if (field == 0) v = std::clamp(v + Delta, 1, 9999);
    else if (field == 1) v = wrap(v + Delta, 1, 12);
    else v = wrap(v + Delta, 1, DaysInMonth(f.v[0], f.v[1]));
  } else {
    v = wrap(v + Delta, 0, field == 0 ? 23 : 59);
  }
  const int caret = SelStart();
  Join(f, true);
  SetSelStart(caret);
}

void TDateTimePicker::KeyDown(uint16_t& Key, TShiftState Shift) {
  TEdit::KeyDown(Key, Shift);
  if (Key == 0 || (Shift & (ssAlt | ssCtrl)) != 0) return;
  switch (Key) {
    case VK_UP: Step(1); break;
    case VK_DOWN: Step(-1); break;
    case VK_PRIOR: Step(kind_ == dtkDate ? 10 : 5); break;
    case VK_NEXT: Step(kind_ == dtkDate ? -10 : -5); break;
    case VK_BACK:
    case VK_DELETE: break;  // a field cannot be emptied
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END: typing_field_ = -1; return;
    default: return;
  }
  Key = 0;
}

void TDateTimePicker::KeyPress(char32_t& Key) {
  TEdit::KeyPress(Key);
  const char32_t ch = Key;
  if (ch == 0) return;
  Key = 0;  // the text changes here only
  if (ReadOnly() || ch < 32) return;
  const int field = FieldAt(SelStart());
  if (ch < U'0' || ch > U'9') {
    // A separator moves on to the next field; anything else is refused.
    if (ch == U'-' || ch == U':' || ch == U'/' || ch == U'.' || ch == U' ') {
      typing_field_ = -1;
      SetSelStart(FieldStart(std::min(2, field + 1)));
    } else {
      MessageBeep();
    }
    return;
  }
  const int digit = static_cast<int>(ch - U'0');
  if (typing_field_ != field) {
    typing_field_ = field;
    typed_digits_ = 0;
    typed_value_ = 0;
  }
  Fields f = Split();
  int hi = kind_ == dtkDate ? (field == 0 ? 9999 : field == 1 ? 12 : 31) : (field == 0 ? 23 : 59);
  int next = typed_value_ * 10 + digit;
  if (next > hi) {
    // Too big for the field: the digit starts it again.
    next = digit;
    typed_digits_ = 0;
  }
  typed_value_ = next;
  ++typed_digits_;
  f.v[field] = next;
  Join(f, true);
  if (typed_digits_ >= FieldWidth(field) || typed_value_ * 10 > hi) {
    typing_field_ = -1;
    SetSelStart(field < 2 ? FieldStart(field + 1) : FieldStart(2) + FieldWidth(2));
  } else {
    SetSelStart(FieldStart(field) + FieldWidth(field));
  }
}

void TDateTimePicker::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PASTE: {
      if (ReadOnly()) return;
      TDateTime v = 0;
      const std::string text = PasteText(Message);
      bool ok = kind_ == dtkDate ? TryStrToDate(text, v) : TryStrToTime(text, v);
      if (!ok) {
        MessageBeep();
        return;
      }
      typing_field_ = -1;
      TDateTime before = value_;
      value_ = kind_ == dtkDate ? DateOf(v) + TimeOf(value_) : DateOf(value_) + TimeOf(v);
      ShowValue();
      if (value_ != before && OnValueChange) OnValueChange(this);
      return;
    }
    case WM_CUT: Message.Msg = WM_COPY; break;  // the text stays whole
    case WM_CLEAR:
    case WM_UNDO: return;
    case WM_MOUSEWHEEL:
      if (Focused()) {
        Step(Message.WheelDelta() / 120);
        return;
      }
      break;
    default: break;
  }
  TEdit::WndProc(Message);
}

TDateTime Now() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  TDateTime date = 0;
  TryEncodeDate(d.year(), d.month(), d.day(), date);
  return date + (t.hour() * 3600 + t.minute() * 60 + t.second()) / 86400.0;
}

}  // namespace classlib
