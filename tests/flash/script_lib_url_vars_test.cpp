// The URL-encoded variables of LoadVars and loadVariables, and the decoding of loaded text.
#include <gtest/gtest.h>

#include <string>

#include "platform/flash/player/script/lib/url_vars.h"

namespace sl = flash::scriptlib;

namespace {

TEST(ScriptUrlVars, EncodesLikeEscape) {
  const std::string odd = "23vsd!@#$%^&*()_+-=;':\",.<>/?[{]}\\|`~] ";
  EXPECT_EQ(sl::EncodeUrlVariables({{odd, odd}}),
            "23vsd%21%40%23%24%25%5E%26%2A%28%29%5F%2B%2D%3D%3B%27%3A%22%2C%2E%3C%3E%2F%3F%5B%7B%"
            "5D%7D%5C%7C%60%7E%5D%20="
            "23vsd%21%40%23%24%25%5E%26%2A%28%29%5F%2B%2D%3D%3B%27%3A%22%2C%2E%3C%3E%2F%3F%5B%7B%"
            "5D%7D%5C%7C%60%7E%5D%20");
  EXPECT_EQ(sl::EncodeUrlVariables({}), "");
  EXPECT_EQ(sl::EncodeUrlVariables({{"l", "m"}, {"k", "undefined"}}), "l=m&k=undefined");
  EXPECT_EQ(sl::EncodeUrlVariables({{"é", ""}}), "%C3%A9=");
}

TEST(ScriptUrlVars, DecodesPairs) {
  auto decoded = sl::DecodeUrlVariables("myVar=Hurray&also=The%20test%20passed", 8);
  ASSERT_EQ(decoded.size(), 2u);
  EXPECT_EQ(decoded[0], (std::pair<std::string, std::string>("myVar", "Hurray")));
  EXPECT_EQ(decoded[1].second, "The test passed");

  auto odd = sl::DecodeUrlVariables("a=1+2&&=x&flag&b=c=d&a=2&%C3%A9=%E9", 8);
  ASSERT_EQ(odd.size(), 5u);
  EXPECT_EQ(odd[0].second, "1 2");
  EXPECT_EQ(odd[1], (std::pair<std::string, std::string>("flag", "")));
  EXPECT_EQ(odd[2].second, "c=d");
  EXPECT_EQ(odd[3], (std::pair<std::string, std::string>("a", "2")));
  EXPECT_EQ(odd[4], (std::pair<std::string, std::string>("é", "é")));
  EXPECT_TRUE(sl::DecodeUrlVariables("", 8).empty());
  // Round trip.
  sl::UrlVariables vars = {{"name with space", "a&b=c+d%"}, {"x", "é☺"}};
  EXPECT_EQ(sl::DecodeUrlVariables(sl::EncodeUrlVariables(vars), 8), vars);
}

TEST(ScriptUrlVars, DecodesLoadedText) {
  EXPECT_EQ(sl::DecodeLoadedText("\xEF\xBB\xBFutf8_var=\xC3\x84"), "utf8_var=Ä");
  EXPECT_EQ(sl::DecodeLoadedText("iso_var=\xC4\xD6\xDC \xDF"), "iso_var=ÄÖÜ ß");
  EXPECT_EQ(sl::DecodeLoadedText(std::string("\xFF\xFE"
                                             "a\0\x3A\x26",
                                             6)),
            "a☺");
  EXPECT_EQ(sl::DecodeLoadedText(std::string("\xFE\xFF\0a\xD8\x3D\xDE\x0B", 8)), "a😋");
  EXPECT_EQ(sl::DecodeLoadedText(std::string("\xFF\xFE"
                                             "a",
                                             3)),
            "");  // a dangling half unit is dropped
  EXPECT_EQ(sl::DecodeLoadedText(""), "");
}

// With the system codepage a text that is not UTF-8 throughout is read as Shift-JIS when its high
// bytes all pair into double-byte characters, else wholly as Latin-1; UTF-8 text stays UTF-8.
TEST(ScriptUrlVars, LoadedTextInTheSystemCodepage) {
  const std::string japanese = "v=\x95\xD0\x89\xBC\x96\xBC";  // katakana, the word
  EXPECT_EQ(sl::DecodeLoadedText(japanese, true), "v=片仮名");
  EXPECT_EQ(sl::DecodeLoadedText(japanese), "v=\u0095Љ¼\u0096¼");  // without: byte by byte
  EXPECT_EQ(sl::DecodeLoadedText("v=\xC3\x84 \xE7\x89\x87", true), "v=Ä 片");
  // Single-byte katakana are never chosen: these are Latin-1 letters.
  EXPECT_EQ(sl::DecodeLoadedText("v=\xC4\xD6\xDC \xDF", true), "v=ÄÖÜ ß");
  // A valid UTF-8 pair next to a stray byte: the whole text is Latin-1.
  EXPECT_EQ(sl::DecodeLoadedText("\xC3\x84\xFF", true), "Ã\u0084ÿ");
  // A lead byte at the end, a bad trail byte, or a code without a character: not Shift-JIS.
  EXPECT_FALSE(sl::ReadShiftJis("a\x95"));
  EXPECT_FALSE(sl::ReadShiftJis("\x95\x7F"));
  EXPECT_FALSE(sl::ReadShiftJis("plain"));
  EXPECT_EQ(sl::ReadShiftJis("\x82\xA0\\"), "あ\\");
}

}  // namespace
