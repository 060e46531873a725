// TDateTimePicker: an edit box that holds a date or a time of day and shows it
// in the fixed formats yyyy-mm-dd and hh:nn:ss.
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
  // The value; a text typed that does not read as the kind's format leaves
  // the last good value.
  TDateTime DateTime() const;
  void SetDateTime(TDateTime Value);
  TDateTime Date() const { return DateOf(DateTime()); }
  TDateTime Time() const { return TimeOf(DateTime()); }

 private:
  void ShowValue();
  TDateTimeKind kind_ = dtkDate;
  TDateTime value_ = 0;
};

// The current local date and time.
TDateTime Now();

}  // namespace classlib
