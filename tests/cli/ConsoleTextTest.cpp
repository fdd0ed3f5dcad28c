#include <gtest/gtest.h>

#include <string>

#include "cli/ConsoleText.h"

namespace vsk::test {
namespace {

TEST(ConsoleTextTest, ControlsBackslashesAndBytesThatAreNotUtf8AreEscaped) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain/name.exe", "plain/name.exe"},
      {"Тест/файл ü 中 😀", "Тест/файл ü 中 😀"},
      {"evil\tOK\nclean\r", "evil\\tOK\\nclean\\r"},
      {"C:\\TEMP\\x41", "C:\\\\TEMP\\\\x41"},
      {"esc\x1b[31mred\x7f", "esc\\x1B[31mred\\x7F"},
      {std::string("nul\0end", 7), "nul\\x00end"},
      {"c1 \xC2\x9B" "2J", "c1 \\xC2\\x9B2J"},          // the one-byte CSI of some terminals
      {"bad\xff.bin", "bad\\xFF.bin"},
      {"cut \xD0", "cut \\xD0"},                       // a sequence the name ends inside
      {"overlong \xC0\xAF", "overlong \\xC0\\xAF"},
      {"surrogate \xED\xA0\x80", "surrogate \\xED\\xA0\\x80"},
      {"too high \xF4\x90\x80\x80", "too high \\xF4\\x90\\x80\\x80"},
      // Bidirectional controls and the line and paragraph separators.
      {"a\u202Emoc.txt", "a\\xE2\\x80\\xAEmoc.txt"},
      {"\u200E\u200F\u202A\u202D\u2066\u2069\u061C\u2028\u2029",
       "\\xE2\\x80\\x8E\\xE2\\x80\\x8F\\xE2\\x80\\xAA\\xE2\\x80\\xAD\\xE2\\x81\\xA6"
       "\\xE2\\x81\\xA9\\xD8\\x9C\\xE2\\x80\\xA8\\xE2\\x80\\xA9"},
      {"\u200D\u2065\u206A\u202F\u061B", "\u200D\u2065\u206A\u202F\u061B"},  // their neighbours stay
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeForConsole(c.in), c.out) << c.in;
  EXPECT_EQ(ConsoleLines(L"Запись «\x1b»\nвторая\tстрока"), "Запись «\\x1B»\nвторая\\tстрока");
}

}  // namespace
}  // namespace vsk::test
