// Number printing and reading as scripts do it, against what the reference player prints.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "platform/flash/player/script/lib/number_text.h"

namespace sl = flash::scriptlib;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Compares numbers as scripts would print them, so NaN equals NaN and -0 shows up as "-0".
std::string Show(double d) {
  if (d == 0 && std::signbit(d)) return "-0";
  return sl::NumberToString(d);
}

TEST(ScriptNumberText, PrintsBaseTen) {
  EXPECT_EQ(sl::NumberToString(0.0), "0");
  EXPECT_EQ(sl::NumberToString(-0.0), "0");
  EXPECT_EQ(sl::NumberToString(std::nan("")), "NaN");
  EXPECT_EQ(sl::NumberToString(-kInf), "-Infinity");
  EXPECT_EQ(sl::NumberToString(123456789012345.0), "123456789012345");
  EXPECT_EQ(sl::NumberToString(1e15), "1e+15");
  EXPECT_EQ(sl::NumberToString(-8.64e15), "-8.64e+15");
  EXPECT_EQ(sl::NumberToString(6.77681005680576e19), "6.77681005680576e+19");
  EXPECT_EQ(sl::NumberToString(std::numeric_limits<double>::denorm_min()), "4.94065645841247e-324");
  EXPECT_EQ(sl::NumberToString(0.1 + 0.2), "0.3");
  EXPECT_EQ(sl::NumberToString(-123.1), "-123.1");
  EXPECT_EQ(sl::NumberToString(0.0001), "0.0001");
  EXPECT_EQ(sl::NumberToString(0.00001), "1e-5");
  EXPECT_EQ(sl::NumberToString(1.5e-7), "1.5e-7");
  // The largest numbers keep digits that read back finite.
  EXPECT_EQ(sl::NumberToString(std::numeric_limits<double>::max()), "1.79769313486231e+308");
  EXPECT_EQ(sl::NumberToString(-std::numeric_limits<double>::max()), "-1.79769313486231e+308");
  EXPECT_EQ(sl::NumberToString(1.5e308), "1.5e+308");
}

TEST(ScriptNumberText, PrintsOtherRadixes) {
  EXPECT_EQ(sl::NumberToStringRadix(4123, 2), "1000000011011");
  EXPECT_EQ(sl::NumberToStringRadix(4123, 13), "1b52");
  EXPECT_EQ(sl::NumberToStringRadix(4123, 36), "36j");
  EXPECT_EQ(sl::NumberToStringRadix(4123, 37), "4123");
  EXPECT_EQ(sl::NumberToStringRadix(-123.1, 0), "-123.1");
  EXPECT_EQ(sl::NumberToStringRadix(-123.1, 10), "-123.1");
  EXPECT_EQ(sl::NumberToStringRadix(-123.1, 16), "-7b");
  EXPECT_EQ(sl::NumberToStringRadix(-123.1, 36), "-3f");
  EXPECT_EQ(sl::NumberToStringRadix(-2147483647.9, 2), "-1111111111111111111111111111111");
  EXPECT_EQ(sl::NumberToStringRadix(-2147483647.9, 36), "-zik0zj");
  EXPECT_EQ(sl::NumberToStringRadix(0, 16), "0");
  // NaN and out-of-range values go through -2^31 and print characters below '0'.
  EXPECT_EQ(sl::NumberToStringRadix(std::nan(""), 16), "-(0000000");
  EXPECT_EQ(sl::NumberToStringRadix(std::nan(""), 2), "-/0000000000000000000000000000000");
  EXPECT_EQ(sl::NumberToStringRadix(std::nan(""), 17), "-+- )!+,'");
  EXPECT_EQ(sl::NumberToStringRadix(std::nan(""), 10), "NaN");
  EXPECT_EQ(sl::NumberToStringRadix(3e9, 16), "-(0000000");
}

TEST(ScriptNumberText, ReadsStringsPerVersion) {
  struct Case {
    const char* text;
    const char* v4;
    const char* v5;
    const char* v6;
  };
  const Case cases[] = {
      {"", "0", "NaN", "NaN"},
      {" ", "0", "NaN", "NaN"},
      {"ab", "0", "NaN", "NaN"},
      {"150a", "150", "NaN", "NaN"},
      {"-5", "-5", "-5", "-5"},
      {" 5", "5", "5", "5"},
      {"  5  ", "5", "NaN", "NaN"},
      {"\t\r12", "12", "12", "12"},
      {"\r12\r", "12", "NaN", "NaN"},
      {"123e-1", "12.3", "12.3", "12.3"},
      {"1e", "1", "NaN", "NaN"},
      {".5", "0.5", "0.5", "0.5"},
      {"Infinity", "0", "NaN", "NaN"},
      {"-Infinity", "0", "NaN", "NaN"},
      {"inf", "0", "NaN", "NaN"},
      {"0x10", "0", "NaN", "16"},
      {"0x96", "0", "NaN", "150"},
      {"0xhello", "0", "NaN", "NaN"},
      {"0x", "0", "NaN", "NaN"},
      {"0x1999999981ffffff", "0", "NaN", "-2113929217"},
      {"-0x10", "-0", "NaN", "NaN"},
      {"010", "10", "10", "8"},
      {"-010", "-10", "-10", "-8"},
      {"+010", "10", "10", "8"},
      {" 010", "10", "10", "10"},
      {"037777777777", "37777777777", "37777777777", "-1"},
      {"-037777777777", "-37777777777", "-37777777777", "1"},
      {"089", "89", "89", "89"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(sl::StringToNumber(c.text, 4)), c.v4) << '"' << c.text << "\" v4";
    EXPECT_EQ(Show(sl::StringToNumber(c.text, 5)), c.v5) << '"' << c.text << "\" v5";
    EXPECT_EQ(Show(sl::StringToNumber(c.text, 6)), c.v6) << '"' << c.text << "\" v6";
  }
}

TEST(ScriptNumberText, ParseIntFollowsThePlayer) {
  struct Case {
    const char* text;
    std::optional<double> radix;
    const char* result;
  };
  const Case cases[] = {
      {"", std::nullopt, "NaN"},
      {"undefined", 32, "33790067563981"},
      {"100", 0, "NaN"},
      {"100", 1, "NaN"},
      {"100", 2, "4"},
      {"100", 36, "1296"},
      {"100", 37, "NaN"},
      {"100", -1, "NaN"},
      {"100", std::nan(""), "NaN"},
      {"0x123", std::nullopt, "291"},
      {"0xabc", std::nullopt, "2748"},
      {"010", 2, "2"},
      {"-0100", std::nullopt, "-64"},
      {"-0100z", std::nullopt, "-100"},
      {"0x+0X100", std::nullopt, "0"},
      {"++1", std::nullopt, "NaN"},
      {"0x100", 36, "1296"},
      {" 0x100", 36, "1540944"},
      {"0y100", 36, "1587600"},
      {"-0x100", 36, "1540944"},
      {" -0x100", 36, "-1540944"},
      {"-0y100", 36, "-1587600"},
      {"-0x100", std::nullopt, "NaN"},
      {"0x-100", std::nullopt, "-256"},
      {" 0x-100", std::nullopt, "0"},
      {"0x -100", std::nullopt, "-256"},
      {"0-100", std::nullopt, "0"},
      {"+0x123", 33, "NaN"},
      {"+0x123", 34, "1298259"},
      {" 0 ", std::nullopt, "0"},
      {"077", std::nullopt, "63"},
      {"  077", std::nullopt, "77"},
      {"  -077", std::nullopt, "-77"},
      {"077 ", std::nullopt, "77"},
      {"11", 3.8, "4"},
      {"0x12", 16.1, "18"},
      {"0x  ", std::nullopt, "NaN"},
      {"0x", 16, "NaN"},
      {"12aaa", std::nullopt, "12"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Show(sl::ParseInt(c.text, c.radix)), c.result)
        << '"' << c.text << "\" radix " << (c.radix ? std::to_string(*c.radix) : "none");
  EXPECT_EQ(sl::ParseInt("1" + std::string(340, '0'), std::nullopt), kInf);
  EXPECT_EQ(sl::ParseInt("0x1" + std::string(300, '0'), std::nullopt), kInf);
  EXPECT_EQ(sl::ParseInt("9007199254740993", std::nullopt), 9007199254740992.0);
}

TEST(ScriptNumberText, ParseFloatReadsThePrefix) {
  EXPECT_EQ(sl::ParseFloat("  3.5e2xyz"), 350);
  EXPECT_EQ(sl::ParseFloat("-.5"), -0.5);
  EXPECT_EQ(sl::ParseFloat("0x10"), 0);
  EXPECT_TRUE(std::isnan(sl::ParseFloat("Infinity")));
  EXPECT_TRUE(std::isnan(sl::ParseFloat("")));
  EXPECT_EQ(sl::ParseFloat("7e"), 7);
}

TEST(ScriptNumberText, IntegerConversionsWrap) {
  EXPECT_EQ(sl::ToInt32(4294967295.0), -1);
  EXPECT_EQ(sl::ToInt32(4294967297.0), 1);
  EXPECT_EQ(sl::ToInt32(-4294967294.0), 2);
  EXPECT_EQ(sl::ToInt32(-1.9), -1);
  EXPECT_EQ(sl::ToInt32(2147483648.0), -2147483647 - 1);
  EXPECT_EQ(sl::ToInt32(std::nan("")), 0);
  EXPECT_EQ(sl::ToInt32(kInf), 0);
  EXPECT_EQ(sl::ToInt32(1e300), 0);
  EXPECT_EQ(sl::ToUint32(-1), 4294967295u);
  EXPECT_EQ(sl::ToUint16(-65456), 80);
  EXPECT_EQ(sl::ToUint16(65616), 80);
}

}  // namespace
