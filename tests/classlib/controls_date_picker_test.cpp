// The date/time picker: its text is always a valid value; fields are typed
// over, stepped with wrap-around, and pastes replace the value only when they
// read as one.
#include <gtest/gtest.h>

#include "platform/classlib/clipboard.h"
#include "platform/classlib/date_time_picker.h"
#include "platform/classlib/form.h"
#include "platform/classlib/locale.h"

using namespace classlib;

namespace {

TDateTime Day(int Y, int M, int D) {
  TDateTime d = 0;
  EXPECT_TRUE(TryEncodeDate(Y, M, D, d));
  return d;
}

void Type(TDateTimePicker* P, const std::string& Keys) {
  for (char c : Keys) P->Perform(WM_CHAR, static_cast<unsigned char>(c));
}

}  // namespace

TEST(ClasslibDatePicker, TypingOverFieldsKeepsAValidDate) {
  TForm form(nullptr);
  auto* p = new TDateTimePicker(&form);
  p->SetParent(&form);
  p->SetDateTime(Day(2024, 1, 31) + 0.5);
  p->SetSelStart(0);
  Type(p, "1999");  // the year, then on to the month
  EXPECT_EQ(p->Text(), "1999-01-31");
  EXPECT_EQ(p->SelStart(), 5);
  Type(p, "2");  // February has no 31st: the day follows
  EXPECT_EQ(p->Text(), "1999-02-28");
  Type(p, "x");
  Type(p, "-");  // a separator moves on
  EXPECT_EQ(p->SelStart(), 8);
  Type(p, "45");  // 45 is too big: the 5 starts the day again
  EXPECT_EQ(p->Text(), "1999-02-05");
  EXPECT_EQ(p->DateTime(), Day(1999, 2, 5) + 0.5);  // the time of day stays
  p->Perform(WM_KEYDOWN, VK_BACK);
  p->Perform(WM_KEYDOWN, VK_DELETE);
  EXPECT_EQ(p->Text(), "1999-02-05");
}

TEST(ClasslibDatePicker, StepsWrapWithinTheField) {
  TForm form(nullptr);
  auto* p = new TDateTimePicker(&form);
  p->SetParent(&form);
  int changes = 0;
  p->OnValueChange = [&](TObject*) { ++changes; };
  p->SetDateTime(Day(2023, 12, 31));
  p->SetSelStart(6);  // the month
  p->Perform(WM_KEYDOWN, VK_UP);
  EXPECT_EQ(p->Text(), "2023-01-31");
  p->Perform(WM_KEYDOWN, VK_UP);
  EXPECT_EQ(p->Text(), "2023-02-28");
  p->SetSelStart(9);  // the day
  p->Perform(WM_KEYDOWN, VK_UP);
  EXPECT_EQ(p->Text(), "2023-02-01");
  p->Perform(WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(p->Text(), "2023-02-28");
  EXPECT_EQ(changes, 4);

  p->SetKind(dtkTime);
  p->SetDateTime(Day(2023, 2, 28) + (23 * 3600 + 59 * 60 + 30) / 86400.0);
  EXPECT_EQ(p->Text(), "23:59:30");
  p->SetSelStart(0);
  p->Perform(WM_KEYDOWN, VK_UP);
  EXPECT_EQ(p->Text(), "00:59:30");
  EXPECT_EQ(p->Date(), Day(2023, 2, 28));  // the date stays
  Type(p, "25");  // 25 is no hour: the 5 starts it again
  EXPECT_EQ(p->Text(), "05:59:30");
}

TEST(ClasslibDatePicker, PastesAndProgramTextReplaceOnlyWithAValue) {
  TForm form(nullptr);
  auto* p = new TDateTimePicker(&form);
  p->SetParent(&form);
  p->SetDateTime(Day(2020, 5, 5));
  Clipboard()->SetAsText("2021-06-07");
  p->PasteFromClipboard();
  EXPECT_EQ(p->Date(), Day(2021, 6, 7));
  int beeps = MessageBeepCount();
  Clipboard()->SetAsText("tomorrow");
  p->PasteFromClipboard();
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  EXPECT_EQ(p->Text(), "2021-06-07");
  p->SelectAll();
  p->CutToClipboard();  // copies; the text stays whole
  EXPECT_EQ(Clipboard()->AsText(), "2021-06-07");
  EXPECT_EQ(p->Text(), "2021-06-07");
  p->SetText("2025-12-24");
  EXPECT_EQ(p->Date(), Day(2025, 12, 24));
  p->SetText("2025-02-30");  // no such day: the value stays
  EXPECT_EQ(p->Text(), "2025-12-24");
}
