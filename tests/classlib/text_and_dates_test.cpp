// Text comparison by case folding then code points, and the fixed date and
// time text formats.
#include <gtest/gtest.h>

#include "platform/classlib/date_time.h"
#include "platform/classlib/text_compare.h"

using namespace classlib;

TEST(TextCompare, FoldsCaseThenOrdersByCodePoint) {
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
  EXPECT_GT(AnsiCompareText("Zebra", "apple"), 0);
  EXPECT_TRUE(TextStartsWithIgnoreCase("σίσυφος", "ΣΊΣ"));
  EXPECT_NE(AnsiCompareText("abc", "ABC"), 0);  // equal folded, then by code point
  EXPECT_EQ(AnsiCompareText("Äb", "Äb"), 0);
  EXPECT_TRUE(TextStartsWithIgnoreCase("Ärger", "äR"));
  EXPECT_FALSE(TextStartsWithIgnoreCase("Ä", "\xC3"));  // a lone byte is no character
  EXPECT_EQ(Utf8FromCodePoint(U'€'), "\xE2\x82\xAC");
  EXPECT_EQ(Utf8FromCodePoint(0xD800), "\xEF\xBF\xBD");
}

TEST(DateTimeText, RoundTripsAndRefusesBadTexts) {
  TDateTime d = 0;
  ASSERT_TRUE(TryStrToDate("1899-12-30", d));
  EXPECT_EQ(d, 0);
  ASSERT_TRUE(TryStrToDateTime("2024-02-29 13:45:30", d));
  EXPECT_EQ(DateTimeToStr(d), "2024-02-29 13:45:30");
  EXPECT_EQ(DateToStr(DateOf(d)), "2024-02-29");
  TDateTime t = 0;
  ASSERT_TRUE(TryStrToTime("23:59:59", t));
  EXPECT_EQ(TimeToStr(t), "23:59:59");
  for (const char* bad :
       {"2023-02-29", "2024-13-01", "24:00:00", "2024-01-01x", "", "12", "x024-01-01"})
    EXPECT_FALSE(TryStrToDateTime(bad, d)) << bad;
}
