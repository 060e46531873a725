// TDateTimePicker: an edit box that holds a date or a time of day, shown in
// the fixed formats yyyy-mm-dd and hh:nn:ss, whose text is always a valid
// value. The field under the caret (year, month, day or hour, minute,
// second) is typed over digit by digit, stepped with Up and Down or the
// wheel (wrapping round within its range), and a separator moves to the next
// field; a pasted text replaces the value when it reads as one.
#pragma once

#include "platform/classlib/date_time.h"
#include "platform/classlib/std_controls.h"

namespace classlib {

enum TDateTimeKind { dtkDate, dtkTime };

class TDateTimePicker : public TEdit {
 public:
  explicit TDateTimePicker(TComponent* AOwner);
  std::string ClassName() const override { return "TDateTimePicker"; }

  TDateTimeKind Kind() const { return kind_; }
  void SetKind(TDateTimeKind Value);
  // The value: the shown date or time of day; the other part is kept from
  // what was set.
  TDateTime DateTime() const { return value_; }
  void SetDateTime(TDateTime Value);
  TDateTime Date() const { return DateOf(value_); }
  TDateTime Time() const { return TimeOf(value_); }
  // Raised when the user changes the value.
  TNotifyEvent OnValueChange;

 protected:
  void WndProc(TMessage& Message) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  uint32_t DialogCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  // A text set by the program becomes the value when it reads as one;
  // otherwise the value's text stays.
  void StoreText(const std::string& Value) override;

 private:
  // The three fields: their values, first characters, widths and ranges.
  struct Fields {
    int v[3];
  };
  Fields Split() const;
  void Join(Fields F, bool ByUser);
  int FieldAt(int Pos) const;
  int FieldStart(int Field) const;
  int FieldWidth(int Field) const;
  void Step(int Delta);
  void ShowValue();
  TDateTimeKind kind_ = dtkDate;
  TDateTime value_ = 0;
  int typing_field_ = -1;  // field digits are being typed into
  int typed_digits_ = 0;
  int typed_value_ = 0;
};

// The current local date and time.
TDateTime Now();

}  // namespace classlib
