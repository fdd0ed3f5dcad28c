#include <gtest/gtest.h>

#include "engine/text/Encoding.h"

using namespace std::string_literals;
namespace vsk {
namespace {

TEST(TextTest, Every1251ByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::wstring wide = Decode1251(all);
  EXPECT_EQ(Encode1251(wide), all);
  EXPECT_EQ(FromUtf8(ToUtf8(wide)), wide);
  EXPECT_EQ(Decode1251("\xC0\xFF\xA8\xB8\xB9"), L"Аяё№"s.insert(2, 1, L'Ё'));
}

TEST(TextTest, UnspellableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Encode1251(L"a\u4E2Db\u00E9"), "a?b?");
  EXPECT_EQ(Encode1251(L"Отчёт"), "\xCE\xF2\xF7\xB8\xF2");
}

TEST(TextTest, Utf8DecodingIsLenient) {
  EXPECT_EQ(FromUtf8("Путь"), L"Путь");
  EXPECT_EQ(FromUtf8("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xD0"), L"\uFFFD");  // cut sequence
  EXPECT_EQ(FromUtf8("\xC0\x80"), L"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(ToUtf8(FromUtf8("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace vsk
