#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/classlib/exceptions.h"
#include "platform/classlib/math_utils.h"
#include "platform/classlib/string_utils.h"

using namespace classlib;

TEST(CoreText, StrToIntAcceptsSignsBlanksAndBothHexForms) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("  -17 "), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x1f"), 31);
  EXPECT_EQ(StrToInt("0XABC"), 0xABC);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("$7FFFFFFF"), INT32_MAX);
  // Hexadecimal is a 32-bit pattern: system colours written as 8 digits read back.
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("$8000000F"), static_cast<int32_t>(0x8000000Fu));
  EXPECT_EQ(StrToInt("-$1"), -1);
  EXPECT_EQ(StrToInt("$" + IntToHex(static_cast<uint32_t>(0x80000005u), 8)), INT32_MIN + 5);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("$FFFFFFFF"), 0xFFFFFFFFLL);
}

TEST(CoreText, StrToIntRejectsGarbageAndOverflowWithTheStandardMessage) {
  for (const char* bad :
       {"", " ", "abc", "12a", "1 2", "$", "0x", "-", "+-1", "1.5", "2147483648", "-2147483649",
        "99999999999999999999999", "$100000000", "0x1FFFFFFFF", "$-1"}) {
    int32_t v = 7;
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 7) << "value changed on failure for " << bad;
    EXPECT_EQ(StrToIntDef(bad, -3), -3) << bad;
  }
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST(CoreText, IntToHexPadsAndShowsNegativeAsTwosComplement) {
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");
  EXPECT_EQ(IntToHex(0, 0), "0");
  // A negative value is written in its own width, so 32-bit values (system
  // colours among them) read back through StrToInt.
  EXPECT_EQ(IntToHex(-1, 8), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 8), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(int16_t{-2}, 2), "FFFFFFFE");
  const int32_t btnFace = static_cast<int32_t>(0x8000000Fu);
  EXPECT_EQ(StrToInt("$" + IntToHex(btnFace, 8)), btnFace);
  EXPECT_EQ(IntToHex(static_cast<uint32_t>(0x80FF0000u), 8), "80FF0000");
  EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
}

TEST(CoreText, FloatToStrUsesFifteenDigitsGeneralFormWithDot) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(25), "25");
  EXPECT_EQ(FloatToStr(-1.5), "-1.5");
  EXPECT_EQ(FloatToStr(29.97), "29.97");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(-0.0), "0");
  EXPECT_EQ(FloatToStr(999999999999999.9), "1E15");
}

TEST(CoreText, StrToFloatReadsDotOrCommaAndRoundTrips) {
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("29.97")), 29.97);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("29,97")), 29.97);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat(" -1.5E3 ")), -1500.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat(".5")), 0.5);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("7.")), 7.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("1e-5000")), 0.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("0.0001e-4950")), 0.0);
  for (double v : {0.1, 12.5, -3.25e-9, 1.0 / 7, 6.02214076e23}) {
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(FloatToStr(v), back)) << v;
    EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
  }
  for (const char* bad : {"", "abc", "1.2.3", "1,2.3", "e5", "1e", "1e+", ".", "--1", "1 2",
                          "1e5000", "100000e4930", "1e99999999999999999999", "INF"}) {
    long double v = 0;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
  }
  try {
    StrToFloat("x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x' is not a valid floating point value");
  }
}

TEST(CoreText, FormatFloatPictures) {
  EXPECT_EQ(FormatFloat("0.00", 3.14159), "3.14");
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");  // halves away from zero
  EXPECT_EQ(FormatFloat("0.00", 2.675), "2.68");  // on the 15-digit decimal value
  EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
  EXPECT_EQ(FormatFloat("0.##", 5), "5");
  EXPECT_EQ(FormatFloat("0.", 5.4), "5");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("#", 0), "");
  EXPECT_EQ(FormatFloat("0", 1234.5), "1235");
  EXPECT_EQ(FormatFloat("0", -2.5), "-3");
}

TEST(CoreText, FormatFloatThousandsSectionsLiteralsAndExponent) {
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatFloat("#,##0.00", 999.999), "1,000.00");
  EXPECT_EQ(FormatFloat(",0.", 1234), "1,234");
  EXPECT_EQ(FormatFloat("#,##0.00", -1234.5), "-1,234.50");
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");  // rounds to zero: no minus sign
  EXPECT_EQ(FormatFloat("0.0;(0.0);zero", -2), "(2.0)");
  EXPECT_EQ(FormatFloat("0.0;(0.0);zero", 0), "zero");
  EXPECT_EQ(FormatFloat("0.0;;zero", -2), "-2.0");
  EXPECT_EQ(FormatFloat("00-00", 1234), "12-34");
  EXPECT_EQ(FormatFloat("0 'KB'", 12), "12 KB");
  EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), "1.23E+03");
  EXPECT_EQ(FormatFloat("0.00E+00", 0.000123), "1.23E-04");
  EXPECT_EQ(FormatFloat("0.###E-", 1500), "1.5E3");
  EXPECT_EQ(FormatFloat("0.0E-", 0), "0.0E0");
  EXPECT_EQ(FormatFloat("0.##############", 0.1 + 0.2), "0.3");
}

TEST(CoreText, TrimCaseAndComparisons) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(UpperCase("aZ\xc3\xa9"), "AZ\xc3\xa9");  // only ASCII letters change
  EXPECT_TRUE(SameText("Task0", "TASK0"));
  EXPECT_FALSE(SameText("Task0", "Task00"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_LT(CompareText("ab", "AB_"), 0);
  EXPECT_GT(CompareText("_", "a"), 0);  // compared in upper case: '_' sorts after letters
  EXPECT_LT(CompareStr("B", "a"), 0);
  EXPECT_GT(CompareStr("\xc3", "z"), 0);  // bytes compare unsigned
}

TEST(CoreText, QuotingHelpers) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  size_t pos = 0;
  std::string s = "\"a\"\"b\",rest";
  EXPECT_EQ(AnsiExtractQuotedStr(s, pos, '"'), "a\"b");
  EXPECT_EQ(pos, 6u);
  pos = 0;
  EXPECT_EQ(AnsiExtractQuotedStr("\"open", pos, '"'), "open");  // unterminated: to the end
  EXPECT_EQ(pos, 5u);
  EXPECT_EQ(AnsiDequotedStr("\"x\"", '"'), "x");
  EXPECT_EQ(AnsiDequotedStr("\"x\"y", '"'), "\"x\"y");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase), "a-b-c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll), "aXb-c");
  EXPECT_EQ(StringReplace("xx", "x", "xx", rfReplaceAll), "xxxx");
  EXPECT_EQ(LastDelimiter("./", "/a.b/c"), 4);
  EXPECT_EQ(LastDelimiter(".", "/a.b/c"), 2);
  EXPECT_EQ(LastDelimiter(".", "abc"), -1);
}

TEST(CoreText, FormatMatchesTheClassicDirectives) {
  EXPECT_EQ(Format("%d of %d", {3, 10}), "3 of 10");
  EXPECT_EQ(Format("%.3d|%5d|%-5d|", {7, 42, 42}), "007|   42|42   |");
  EXPECT_EQ(Format("%x %.8x", {255, -1}), "FF FFFFFFFF");
  EXPECT_EQ(Format("%s=%s", {"a", std::string("b")}), "a=b");
  EXPECT_EQ(Format("%.2f %f", {3.14159, 2.0}), "3.14 2.00");
  EXPECT_EQ(Format("%n", {1234567.5}), "1,234,567.50");
  EXPECT_EQ(Format("%g", {0.1}), "0.1");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("%*d", {4, 7}), "   7");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%s", {1.5}), EConvertError);
  EXPECT_THROW(Format("%", {1}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
}

TEST(CoreMath, RoundGoesHalfToEvenAndTruncCutsTowardZero) {
  EXPECT_EQ(Round(62.5), 62);
  EXPECT_EQ(Round(63.5), 64);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-3.5), -4);
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(2.5000001), 3);
  EXPECT_EQ(Round(-0.4), 0);
  EXPECT_EQ(Round(4503599627370497.0), 4503599627370497LL);  // beyond 2^52 stays exact
  EXPECT_EQ(Trunc(2.9), 2);
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_NEAR(static_cast<double>(Frac(-2.25)), -0.25, 1e-15);
  EXPECT_THROW(Round(1e30), EInvalidOp);
  EXPECT_THROW(Trunc(std::nan("")), EInvalidOp);
}

TEST(CoreMath, MulDivRoundsHalfAwayFromZeroWithA64BitProduct) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, -1, 2), -3);
  EXPECT_EQ(MulDiv(-5, -1, -2), -3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(8, 1, 3), 3);
  EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);  // product beyond 32 bits
  EXPECT_EQ(MulDiv(INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
  EXPECT_EQ(MulDiv(1, 2, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 2, 1), -1);  // result does not fit
}
