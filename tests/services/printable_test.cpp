// Text from files made safe for one line of a message: control characters and bytes that
// are not UTF-8 escaped, text in other scripts kept, huge data: URIs cut to their head.
#include "hostapp/services/printable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using hostapp::PrintableText;

TEST(PrintableText, ControlCharactersAndBrokenUtf8AreEscaped) {
  EXPECT_EQ(PrintableText("plain/name.obj"), "plain/name.obj");
  EXPECT_EQ(PrintableText("two\nlines.obj"), "two\\nlines.obj");
  EXPECT_EQ(PrintableText("a\rb\tc"), "a\\rb\\tc");
  EXPECT_EQ(PrintableText("\x1b[31mred\x1b[0m"), "\\x1b[31mred\\x1b[0m");
  EXPECT_EQ(PrintableText(std::string("nul\0del\x7f", 8)), "nul\\x00del\\x7f");
  // Other scripts stay readable; C1 controls (U+009B is a terminal's escape), stray
  // continuation bytes, cut sequences and overlong forms do not pass.
  EXPECT_EQ(PrintableText("caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x99\x82"), "caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x99\x82");
  EXPECT_EQ(PrintableText("\xc2\x9b" "2J"), "\\xc2\\x9b2J");
  EXPECT_EQ(PrintableText("\xff\x80 \xe6\x97"), "\\xff\\x80 \\xe6\\x97");
  EXPECT_EQ(PrintableText("\xc0\xaf"), "\\xc0\\xaf");
}

TEST(PrintableText, HugeDataUrisAndLongTextAreShortened) {
  const std::string uri = "data:application/octet-stream;base64," + std::string(15000, 'A');
  const std::string line = PrintableText("bad.gltf: Failed to decode 'uri' : " + uri + " in Buffer");
  EXPECT_LT(line.size(), 150u) << line;
  EXPECT_NE(line.find("'uri' : data:application/octet-stream;base64,AAAAAAAAAAA...(15037 characters) in Buffer"),
            std::string::npos)
      << line;
  const std::string small = "data:,short";
  EXPECT_EQ(PrintableText(small), small);
  EXPECT_EQ(PrintableText("abcdefgh", 3), "abc...");
  EXPECT_EQ(PrintableText("a\nb", 2), "a\\n...");
  EXPECT_EQ(PrintableText("abc", 3), "abc");
}

}  // namespace
