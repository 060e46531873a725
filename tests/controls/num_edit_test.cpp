// The numeric edit: formatting by number format and locale, the key filter,
// deletion, clipboard, leaving with a range, locale changes and a seeded run
// of random input that must always leave a number.
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "controls/num_edit.h"
#include "platform/classlib/application.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/exceptions.h"
#include "platform/classlib/form.h"
#include "platform/classlib/locale.h"
#include "platform/classlib/std_controls.h"

using namespace classlib;
using controls::TNumberFormat;
using controls::TPBNumEdit;

namespace {

// Puts the locale's separators back after each test.
class NumEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    dec_ = DecimalSeparator();
    thou_ = ThousandSeparator();
    SetLocaleSeparators(".", ",");
    edit = new TPBNumEdit(&form);
    edit->SetParent(&form);
  }
  void TearDown() override { SetLocaleSeparators(dec_, thou_); }
  void Type(const std::string& Keys) {
    for (char c : Keys) edit->Perform(WM_CHAR, static_cast<unsigned char>(c));
  }
  void Back() { edit->Perform(WM_KEYDOWN, VK_BACK); }
  void Del() { edit->Perform(WM_KEYDOWN, VK_DELETE); }
  TForm form{nullptr};
  TPBNumEdit* edit = nullptr;
  std::string dec_, thou_;
};

}  // namespace

TEST_F(NumEdit, FormatsByNumberFormatAndLocale) {
  EXPECT_EQ(edit->Text(), "0");
  EXPECT_EQ(edit->Alignment(), taRightJustify);
  EXPECT_EQ(edit->Version(), "8.50.00.00");
  edit->SetValue(0.5);
  EXPECT_EQ(edit->Text(), "0.5");
  edit->SetNumberFormat(TNumberFormat::Thousands);
  edit->SetDecimals(2);
  edit->SetValue(1234567.891L);
  EXPECT_EQ(edit->Text(), "1,234,567.89");
  edit->SetNumberFormat(TNumberFormat::Engineering);
  edit->SetDecimals(-1);
  edit->SetValue(12345);
  EXPECT_EQ(edit->Text(), "12.345E3");
  edit->SetNumberFormat(TNumberFormat::Scientific);
  edit->SetValue(1500);
  EXPECT_EQ(edit->Text(), "1.5E3");
  // More than 15 significant digits are not shown; fixed decimals pad.
  edit->SetNumberFormat(TNumberFormat::Standard);
  edit->SetDecimals(4);
  edit->SetValue(123456789012.5L);
  EXPECT_EQ(edit->Text(), "123456789012.5000");
  edit->SetValue(1e20L);
  EXPECT_EQ(edit->Text(), "100000000000000000000.0000");

  SetLocaleSeparators(",", ".");
  edit->SetNumberFormat(TNumberFormat::Thousands);  // re-formats with the new separators
  EXPECT_EQ(edit->Text(), "100.000.000.000.000.000.000,0000");
  SetLocaleSeparators(",", "\u202F");
  EXPECT_EQ(edit->Text(), "100\u202F000\u202F000\u202F000\u202F000\u202F000\u202F000,0000");
  EXPECT_EQ(edit->Value(), 1e20L);

  EXPECT_THROW(edit->SetValue(INFINITY), EConvertError);
  EXPECT_THROW(edit->SetValue(NAN), EConvertError);
  EXPECT_EQ(edit->Value(), 1e20L);  // the text stayed
}

TEST_F(NumEdit, TypingKeepsANumber) {
  edit->SetDecimals(2);
  edit->SetText("1.50");
  edit->SetSelStart(2);
  Type("7");
  EXPECT_EQ(edit->Text(), "1.70");
  int beeps = MessageBeepCount();
  edit->SetSelStart(4);
  Type("9");  // no decimal place left
  Type("x");  // not a number's character
  Type(",");  // another locale's separator
  EXPECT_EQ(edit->Text(), "1.70");
  EXPECT_EQ(MessageBeepCount(), beeps + 3);
  edit->SetSelStart(1);
  Type(".");  // jumps behind the separator
  EXPECT_EQ(edit->SelStart(), 2);
  Type("--");
  EXPECT_EQ(edit->Text(), "1.70");
  Type("-");
  EXPECT_EQ(edit->Text(), "-1.70");

  // A lone zero is replaced; the exponent is limited; e becomes E.
  edit->SetDecimals(-1);
  edit->SetText("0");
  edit->SetSelStart(1);
  Type("5e");
  EXPECT_EQ(edit->Text(), "5E");
  Type("-0");
  Type("12");
  EXPECT_EQ(edit->Text(), "5E-12");
  edit->SetText("1E");
  edit->SetSelStart(2);
  Type("99999");
  EXPECT_EQ(edit->Text(), "1E999");  // 1E9999 would leave the range
  EXPECT_EQ(edit->Value(), 1e999L);

  // A digit that overflows the extended range is dropped even below 4932.
  edit->SetText("9E493");
  edit->SetSelStart(5);
  beeps = MessageBeepCount();
  Type("2");
  EXPECT_EQ(edit->Text(), "9E493");
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  EXPECT_TRUE(std::isfinite(edit->Value()));

  // "E" alone is never made.
  edit->SetText("");
  Type("E");
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(edit->Value(), 0);
}

TEST_F(NumEdit, DeletingKeepsDecimalsAndSign) {
  edit->SetDecimals(2);
  edit->SetText("12.34");
  edit->SetSelStart(4);
  Back();
  EXPECT_EQ(edit->Text(), "12.40");
  edit->SetSelStart(3);
  Back();  // the separator of fixed decimals stays
  EXPECT_EQ(edit->Text(), "12.40");
  EXPECT_EQ(edit->SelStart(), 2);
  edit->SetText("-5.00");
  edit->SetSelStart(1);
  Del();
  EXPECT_EQ(edit->Text(), "-0.00");
  edit->SetSelStart(0);
  Del();
  EXPECT_EQ(edit->Text(), "0.00");
  edit->SelectAll();
  Back();
  EXPECT_EQ(edit->Text(), "0.00");

  edit->SetDecimals(-1);
  edit->SetNumberFormat(TNumberFormat::Thousands);
  edit->SetValue(1234567);
  edit->SetSelStart(2);  // after "1,"
  Back();                // skips the separator and deletes the 1
  EXPECT_EQ(edit->Text(), "234,567");
  edit->SetNumberFormat(TNumberFormat::Scientific);
  edit->SetText("1E5");
  edit->SetSelStart(3);
  Back();
  EXPECT_EQ(edit->Text(), "1E0");
  // Deleting the "E" takes the whole exponent with it.
  edit->SetText("1.5E-5");
  edit->SetSelStart(4);
  Back();
  EXPECT_EQ(edit->Text(), "1.5");
}

TEST_F(NumEdit, ThousandsRegroupWhileTypingKeepsTheCaretAmongTheDigits) {
  edit->SetNumberFormat(TNumberFormat::Thousands);
  edit->SetText("999");
  edit->SetSelStart(3);
  Type("9");
  EXPECT_EQ(edit->Text(), "9,999");
  EXPECT_EQ(edit->SelStart(), 5);
  Type(".05");  // decimals being typed are not rounded away
  EXPECT_EQ(edit->Text(), "9,999.05");
  edit->SetSelStart(0);
  Type("1");
  EXPECT_EQ(edit->Text(), "19,999.05");
  EXPECT_EQ(edit->SelStart(), 1);
}

TEST_F(NumEdit, ClipboardDropsSeparatorsAndFiltersPastes) {
  edit->SetNumberFormat(TNumberFormat::Thousands);
  edit->SetValue(1234.5);
  edit->SelectAll();
  edit->CopyToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), "1234.5");
  Clipboard()->SetAsText("12a3\x01.4,5");
  edit->SelectAll();
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "123.45");
  Clipboard()->SetAsText(std::string(10000, '9'));
  edit->SelectAll();
  edit->PasteFromClipboard();
  EXPECT_TRUE(std::isfinite(edit->Value()));
  int cleared = 0;
  edit->OnClear = [&](TObject*) { ++cleared; };
  edit->ClearSelection();
  EXPECT_EQ(cleared, 1);
  edit->SetText("abc");  // the program may set anything
  EXPECT_THROW(edit->Value(), EConvertError);
}

TEST_F(NumEdit, LeavingOutsideTheRangeClampsBeepsAndStays) {
  auto* other = new TEdit(&form);
  other->SetParent(&form);
  edit->SetMaxValue(10);
  edit->SetMinValue(1);
  edit->SetMinValue(20);  // above the maximum: ignored
  EXPECT_EQ(edit->MinValue(), 1);
  int exits = 0;
  edit->OnExit = [&](TObject*) { ++exits; };
  edit->SetText("20");
  int beeps = MessageBeepCount();
  edit->Perform(WM_KILLFOCUS);
  EXPECT_EQ(edit->Text(), "10");
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  EXPECT_EQ(exits, 0);
  edit->SetText("junk");  // counts as 0: below the minimum
  edit->Perform(WM_KILLFOCUS);
  EXPECT_EQ(edit->Text(), "1");
  edit->SetText("5");
  edit->Perform(WM_KILLFOCUS);
  EXPECT_EQ(exits, 1);
  int invalid = 0;
  edit->OnInvalidEntry = [&](TObject*) { ++invalid; };
  edit->SetText("-3");
  edit->Perform(WM_KILLFOCUS);
  EXPECT_EQ(invalid, 1);
}

TEST_F(NumEdit, RandomInputAlwaysLeavesAFiniteNumber) {
  std::mt19937 rng(20261209);
  const char keys[] = "0123456789-eE.,x \b";
  for (int decimals : {-1, 2}) {
    edit->SetDecimals(decimals);
    for (int run = 0; run < 1000; ++run) {
      int r = static_cast<int>(rng() % 20);
      if (r < 14) {
        char k = keys[rng() % (sizeof(keys) - 1)];
        if (k == '\b') Back();
        else Type(std::string(1, k));
      } else if (r < 16) {
        Del();
      } else if (r < 17) {
        Clipboard()->SetAsText(std::to_string(rng()) + "e" + std::to_string(rng() % 6000));
        edit->PasteFromClipboard();
      } else {
        int len = static_cast<int>(edit->Text32().size());
        edit->SetSelStart(static_cast<int>(rng() % static_cast<unsigned>(len + 1)));
        if (r == 19) edit->SetSelLength(static_cast<int>(rng() % 3));
      }
      std::u32string t = edit->Text32();
      ASSERT_NO_THROW(edit->Value()) << edit->Text();
      ASSERT_TRUE(std::isfinite(edit->Value())) << edit->Text();
      ASSERT_LE(std::count(t.begin(), t.end(), U'.'), 1) << edit->Text();
      ASSERT_LE(std::count(t.begin(), t.end(), U'E'), 1) << edit->Text();
      if (decimals > 0) {
        size_t dot = t.find(U'.');
        size_t e = t.find(U'E');
        ASSERT_NE(dot, std::u32string::npos) << edit->Text();
        ASSERT_EQ((e == std::u32string::npos ? t.size() : e) - dot - 1, 2u) << edit->Text();
      }
    }
  }
}
