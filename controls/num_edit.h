// A single-line edit for one floating-point number: keystrokes are filtered
// so that the text always stays a number, a fixed number of decimals is typed
// over, thousands separators or an exponent are shown by the number format,
// the text is re-formatted on leaving and a range is checked.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/custom_edit.h"

namespace controls {

enum class TNumberFormat : uint8_t { Standard, Thousands, Scientific, Engineering };

class TPBNumEdit : public classlib::TCustomEdit {
 public:
  explicit TPBNumEdit(classlib::TComponent* AOwner);
  ~TPBNumEdit() override;
  std::string ClassName() const override { return "TPBNumEdit"; }
  std::string Version() const { return "8.50.00.00"; }

  // The text as a number (thousands separators ignored; empty text reads 0,
  // "-" alone -0). Text that is not a number raises EConvertError.
  long double Value() const;
  // Shows Value formatted; a value that is not finite raises EConvertError
  // and keeps the text.
  void SetValue(long double Value);
  TNumberFormat NumberFormat() const { return number_format_; }
  void SetNumberFormat(TNumberFormat Value);
  // Digits after the separator; -1: free (up to 14 shown).
  int8_t Decimals() const { return decimals_; }
  void SetDecimals(int Value);
  // Both 0: no range. A minimum above the maximum (or the reverse) is ignored.
  long double MinValue() const { return min_value_; }
  void SetMinValue(long double Value);
  long double MaxValue() const { return max_value_; }
  void SetMaxValue(long double Value);
  // The control shows Color when enabled and DisabledColor when disabled.
  classlib::TColor Color() const { return enabled_color_; }
  void SetColor(classlib::TColor Value);
  classlib::TColor DisabledColor() const { return disabled_color_; }
  void SetDisabledColor(classlib::TColor Value);

  // Raised when a value leaves the range; without it the value is clamped.
  classlib::TNotifyEvent OnInvalidEntry;
  // Raised by the clear command instead of deleting the selection.
  classlib::TNotifyEvent OnClear;

  // The text Value would be shown as.
  std::string FormatValue(long double Value) const;

 protected:
  void WndProc(classlib::TMessage& Message) override;
  void KeyDown(uint16_t& Key, classlib::TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoExit() override;
  void CMEnabledChanged(classlib::TMessage& Message) override;
  uint32_t DialogCode() const override {
    return classlib::DLGC_WANTARROWS | classlib::DLGC_WANTCHARS;
  }

 private:
  struct Edit;
  // Edits on a copy of the text with the caret P; false (text unchanged)
  // when the edit is refused.
  bool TypeInto(std::u32string& T, int& P, char32_t Ch) const;
  bool DeleteAt(std::u32string& T, int& P, bool Forward, bool SkipDecimal) const;
  bool DeleteRange(std::u32string& T, int& P, int Start, int Length) const;
  void Paste(const std::string& Text);
  void Commit(const std::u32string& Text, int Caret);
  void Reformat();
  void RegroupThousands(bool Force);
  void InvalidEntry();
  void RemapSeparators();
  long double ParseText(const std::u32string& Text, bool& Ok) const;
  void Refused();

  TNumberFormat number_format_ = TNumberFormat::Standard;
  int8_t decimals_ = -1;
  long double min_value_ = 0;
  long double max_value_ = 0;
  classlib::TColor enabled_color_;
  classlib::TColor disabled_color_;
  char32_t dec_;   // separators in force when the text was made
  char32_t thou_;
  int hook_id_ = 0;
};

}  // namespace controls
