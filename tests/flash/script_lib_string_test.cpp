// String methods, escape/unescape and the version 4 string functions, with the argument edge
// cases the reference player shows.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "platform/flash/player/script/lib/string_ops.h"

namespace sl = flash::scriptlib;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::nullopt_t none = std::nullopt;

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? "," : "") + parts[i];
  return std::to_string(parts.size()) + ":" + out;
}

TEST(ScriptStringOps, CharactersAndCodes) {
  const std::string s = "foo+foo";
  EXPECT_EQ(sl::CharAt(s, 3, 5), "+");
  EXPECT_EQ(sl::CharAt(s, -100, 5), "");
  EXPECT_EQ(sl::CharAt(s, 4294967297.0, 5), "o");
  EXPECT_EQ(sl::CharAt(s, 7, 5), "");
  EXPECT_EQ(sl::CharCodeAt(s, 3, 5), 43);
  EXPECT_EQ(sl::CharCodeAt(s, kNaN, 5), 102);
  EXPECT_TRUE(std::isnan(sl::CharCodeAt(s, -1, 5)));
  EXPECT_EQ(sl::CharCodeAt(s, 9, 5), 0);

  EXPECT_EQ(sl::FromCharCode({80, 81, 82}), "PQR");
  EXPECT_EQ(sl::FromCharCode({-65456}), "P");
  EXPECT_EQ(sl::FromCharCode({kNaN}), "");
  EXPECT_EQ(sl::FromCharCode({80, 0, 82}), "P");
  EXPECT_EQ(sl::FromCharCode({0xD83D, 0xDE0B}), "😋");
}

TEST(ScriptStringOps, UnitsPerVersion) {
  const std::string s = "😋Спасибо𝌆𝌆hello";
  EXPECT_EQ(sl::StringLength(s, 6), 18u);
  EXPECT_EQ(sl::StringLength("é", 5), 2u);  // bytes before version 6
  EXPECT_EQ(sl::CharCodeAt(s, 0, 6), 0xD83D);
  EXPECT_EQ(sl::CharCodeAt(s, 2, 6), 0x421);
  // Cutting a pair and joining the halves restores the character.
  std::string high = sl::Substr("😋", 0, 1, 6), low = sl::Substr("😋", 1, 1, 6);
  EXPECT_EQ(sl::StringLength(high, 6), 1u);
  EXPECT_EQ(sl::FromUnits(sl::ToUnits(high + low, 6), 6), "😋");
  EXPECT_EQ(sl::ToWellFormedUtf8(high), "\xEF\xBF\xBD");
  EXPECT_EQ(sl::ToWellFormedUtf8("a\xFF"
                                 "b"),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(ScriptStringOps, SearchWithOddStarts) {
  const std::string s = "aaatestFOOtestaaanull";
  EXPECT_EQ(sl::IndexOf(s, "a", 13, 5), 14);
  EXPECT_EQ(sl::IndexOf(s, "test", -1, 5), 3);
  EXPECT_EQ(sl::IndexOf(s, "test", 4294967300.0, 5), 10);
  EXPECT_EQ(sl::IndexOf(s, "test", 100, 5), -1);
  EXPECT_EQ(sl::IndexOf(s, "", 5, 5), 5);
  EXPECT_EQ(sl::IndexOf(s, "", 100, 5), -1);
  EXPECT_EQ(sl::IndexOf(s, "null", none, 5), 17);

  EXPECT_EQ(sl::LastIndexOf(s, "a", none, 5), 16);
  EXPECT_EQ(sl::LastIndexOf(s, "a", 13, 5), 2);
  EXPECT_EQ(sl::LastIndexOf(s, "a", 0, 5), 0);
  EXPECT_EQ(sl::LastIndexOf(s, "test", 11, 5), 10);
  EXPECT_EQ(sl::LastIndexOf(s, "test", 100, 5), 10);
  EXPECT_EQ(sl::LastIndexOf(s, "test", -1, 5), -1);
  EXPECT_EQ(sl::LastIndexOf(s, "test", 0, 5), -1);
  EXPECT_EQ(sl::LastIndexOf(s, "", none, 5), 21);
  EXPECT_EQ(sl::LastIndexOf(s, "test", kNaN, 5), 10);  // undefined searches from the end
  EXPECT_EQ(sl::LastIndexOf(s, "", 3, 5), 3);
  EXPECT_EQ(sl::LastIndexOf("ab", "abc", none, 5), -1);
}

TEST(ScriptStringOps, CuttingWithOddArguments) {
  EXPECT_EQ(sl::Slice("Hello1234", 1, 4, 5), "ell");
  EXPECT_EQ(sl::Slice("Hello1234", 3, 1, 5), "");
  EXPECT_EQ(sl::Slice("Hello1234", -3, -1, 5), "23");
  EXPECT_EQ(sl::Slice("Hello1234", 0, 0, 5), "");
  EXPECT_EQ(sl::Slice("Hello1234", kNaN, none, 5), "Hello1234");

  const std::string h = "HELLOhello";
  EXPECT_EQ(sl::Substr(h, 1, 2, 5), "EL");
  EXPECT_EQ(sl::Substr(h, -5, none, 5), "hello");
  EXPECT_EQ(sl::Substr(h, 3, 0, 5), "");
  EXPECT_EQ(sl::Substr(h, 3, none, 5), "LOhello");
  EXPECT_EQ(sl::Substr(h, 3, kNaN, 5), "LOhello");
  EXPECT_EQ(sl::Substr(h, 3, 0, 5), "");
  EXPECT_EQ(sl::Substr(h, 4294967296.0, -4294967294.0, 5), "HE");
  EXPECT_EQ(sl::Substr(h, 8, 100, 5), "lo");
  EXPECT_EQ(sl::Substr(h, 2, -1, 5), "");

  const std::string g = "HELLO1hello";
  EXPECT_EQ(sl::Substring(g, -5, none, 5), g);
  EXPECT_EQ(sl::Substring(g, 6, 3, 5), "LO1");
  EXPECT_EQ(sl::Substring(g, 3, 0, 5), "HEL");
  EXPECT_EQ(sl::Substring(g, 4294967296.0, -4294967294.0, 5), "HE");
  EXPECT_EQ(sl::Substring(g, 0, 0, 5), "");
  EXPECT_EQ(sl::Substring(g, 3, kNaN, 5), "LO1hello");
  EXPECT_EQ(sl::Slice("Hello1234", kNaN, kNaN, 5), "Hello1234");
}

TEST(ScriptStringOps, SplitSeparatorsAndLimits) {
  const std::string s = "A,,b,undefined0,c,";
  EXPECT_EQ(Joined(sl::Split(s, ",", none, 5)), "6:A,,b,undefined0,c,");
  EXPECT_EQ(Joined(sl::Split(s, ",", 2, 5)), "2:A,");
  EXPECT_EQ(Joined(sl::Split(s, ",", 0, 5)), "0:");
  EXPECT_EQ(Joined(sl::Split(s, ",", -100, 5)), "0:");
  EXPECT_EQ(Joined(sl::Split(s, none, none, 5)), "6:A,,b,undefined0,c,");
  EXPECT_EQ(Joined(sl::Split(s, ",", kNaN, 5)), "6:A,,b,undefined0,c,");
  EXPECT_EQ(Joined(sl::Split(s, "", none, 5)), "1:A,,b,undefined0,c,");
  EXPECT_EQ(Joined(sl::Split("aé", "", none, 6)), "2:a,é");
  EXPECT_EQ(Joined(sl::Split("a::b::", "::", none, 6)), "3:a,b,");
  EXPECT_EQ(Joined(sl::Split("", ",", none, 6)), "1:");
}

TEST(ScriptStringOps, CaseMapping) {
  EXPECT_EQ(sl::ToUpperCase("teST", 5), "TEST");
  EXPECT_EQ(sl::ToLowerCase("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 5), "abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(sl::ToUpperCase("hëllo ÿ ā ł ω я ß", 6), "HËLLO Ÿ Ā Ł Ω Я ß");
  EXPECT_EQ(sl::ToLowerCase("HËLLO Ÿ Ā Ł Ω Я Ж", 6), "hëllo ÿ ā ł ω я ж");
  EXPECT_EQ(sl::ToUpperCase("\xC3\xAB", 5), "\xC3\xAB");  // bytes of older movies stay
  EXPECT_EQ(sl::FoldCase("HËLLO"), sl::FoldCase("hëllo"));
  // Three-form letters and the paired Cyrillic letters fold; later additions (Ⱥ, Ϸ) do not.
  EXPECT_EQ(sl::ToLowerCase("ǱǲǳǄǅ Ӥ Ѣ Ҋ Ӂ", 6), "ǳǳǳǆǆ ӥ ѣ ҋ ӂ");
  EXPECT_EQ(sl::ToLowerCase("ӥ ѣ Ⱥ Ϸ", 6), "ӥ ѣ Ⱥ Ϸ");
}

TEST(ScriptStringOps, EscapeAndUnescape) {
  EXPECT_EQ(sl::Escape("ABCxyz019"), "ABCxyz019");
  EXPECT_EQ(sl::Escape("@*_+-./"), "%40%2A%5F%2B%2D%2E%2F");
  EXPECT_EQ(sl::Escape("Āあ"), "%C4%80%E3%81%82");
  EXPECT_EQ(sl::Escape("\n "), "%0A%20");

  EXPECT_EQ(sl::Unescape("%C4%80%E3%81%82", 6), "Āあ");
  EXPECT_EQ(sl::Unescape("%u0100%u3042x", 6), "Āあx");
  EXPECT_EQ(sl::Unescape("a+b%20c", 6), "a+b c");
  EXPECT_EQ(sl::Unescape("%E9t%E9", 6), "été");  // stray bytes read as Latin-1
  EXPECT_EQ(sl::Unescape("%E9", 5), "\xE9");
  EXPECT_EQ(sl::Unescape("100%", 6), "100%");
  EXPECT_EQ(sl::Unescape("%zz%4", 6), "%zz%4");
  EXPECT_EQ(sl::Unescape("%u12", 6), "%u12");
  EXPECT_EQ(sl::Unescape(sl::Escape("a b/ç"), 6), "a b/ç");
}

TEST(ScriptStringOps, VersionFourFunctions) {
  EXPECT_EQ(sl::Ord("bar", 6), 98);
  EXPECT_EQ(sl::Ord("愛", 6), 24859);
  EXPECT_EQ(sl::Ord("😋", 6), 65533);
  EXPECT_EQ(sl::Ord("", 6), 0);
  EXPECT_EQ(sl::Ord("愛", 5), 0xE6);
  EXPECT_EQ(sl::MbOrd("愛"), 24859);

  EXPECT_EQ(sl::Chr(12345, 6), "〹");
  EXPECT_EQ(sl::Chr(65616, 6), "P");
  EXPECT_EQ(sl::Chr(0xabababab, 6), "ꮫ");
  EXPECT_EQ(sl::Chr(0, 6), "");
  EXPECT_EQ(sl::Chr(1, 6), "\x01");
  EXPECT_EQ(sl::ToWellFormedUtf8(sl::MbChr(0xd801)), "\xEF\xBF\xBD");
  EXPECT_EQ(sl::Chr(0x141, 5), "A");

  const std::string s = "😋航空母艦testing!";
  EXPECT_EQ(sl::Substring4(s, 1, 2, 6), "😋");
  EXPECT_EQ(sl::Substring4(s, 3, 1, 6), "航");
  EXPECT_EQ(sl::Substring4(s, 0, 2, 6), "😋");
  EXPECT_EQ(sl::Substring4(s, -5, -100, 6), s);
  EXPECT_EQ(sl::Substring4(s, 2, 0, 6), "");
  EXPECT_EQ(sl::Substring4(s, 4294967303.0, -4294967294.0, 6), "te");
  EXPECT_EQ(sl::MbSubstring("航空x", 2, 2, 5), "空x");
  EXPECT_EQ(sl::Substring4("航空x", 4, 3, 5), "\xE7\xA9\xBA");
  EXPECT_EQ(sl::MbLength("航空x", 5), 3u);
  EXPECT_EQ(sl::MbLength("😋", 6), 2u);
}

}  // namespace
