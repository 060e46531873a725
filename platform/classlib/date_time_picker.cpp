#include "platform/classlib/date_time_picker.h"

#include <QDateTime>

namespace classlib {

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TEdit(AOwner) { ShowValue(); }

void TDateTimePicker::SetKind(TDateTimeKind Value) {
  kind_ = Value;
  ShowValue();
}

TDateTime TDateTimePicker::DateTime() const {
  TDateTime typed = 0;
  std::string text = GetText();
  bool ok = kind_ == dtkDate ? TryStrToDate(text, typed) : TryStrToTime(text, typed);
  if (!ok) return value_;
  return kind_ == dtkDate ? typed + (value_ - DateOf(value_)) : DateOf(value_) + typed;
}

void TDateTimePicker::SetDateTime(TDateTime Value) {
  value_ = Value;
  ShowValue();
}

void TDateTimePicker::ShowValue() {
  SetText(kind_ == dtkDate ? DateToStr(value_) : TimeToStr(value_));
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
