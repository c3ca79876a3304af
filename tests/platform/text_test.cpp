#include "platform/text.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

using t4test::U8;

namespace {

TEST(TextConversion, RoundTripsBetweenCp932AndUtf8) {
  struct Case {
    std::string cp932;
    const char* utf8;
  } cases[] = {
      {"", ""},
      {"Stage\\a~b.stg4", "Stage\\a~b.stg4"},  // backslash and tilde stay ASCII
      {"表示", U8(u8"表示")},                     // 95 5C 8E A6
      {"ソフト\\表示.bmp", U8(u8"ソフト\\表示.bmp")},
      {"ｱｲｳ", U8(u8"ｱｲｳ")},  // half-width katakana, single bytes
      {"ステージ１", U8(u8"ステージ１")},
      {"①Ⅱ", U8(u8"①Ⅱ")},  // NEC special characters of code page 932
  };
  for (const Case& c : cases) {
    EXPECT_EQ(plat::Cp932ToUtf8(c.cp932), c.utf8) << c.utf8;
    EXPECT_EQ(plat::Utf8ToCp932(c.utf8), c.cp932) << c.utf8;
  }
  EXPECT_EQ(std::string("表示"), "\x95\x5c\x8e\xa6");
}

TEST(TextConversion, BadCharactersBecomeOneQuestionMarkEach) {
  struct Case {
    std::string in, out;
  } toUtf8[] = {
      {"a\x81", "a?"},              // lead byte cut off at the end
      {"\x85\x5c" "b", "?b"},       // unassigned pair: its trail 0x5C must not leak out as '\'
      {"\x81\x20z", "? z"},         // lead byte before a byte that cannot trail
      {"\xfd\xfe\xff", "???"},
      {"x\xa0y", "x?y"},
  };
  for (const Case& c : toUtf8) EXPECT_EQ(plat::Cp932ToUtf8(c.in), c.out) << c.out;

  struct Case8 {
    std::string in, out;
  } toCp932[] = {
      {U8(u8"a😀b"), "a?b"},          // a character code page 932 lacks
      {"a\xc3", "a?"},                 // cut-off sequence
      {"a\xff\xfe" "b", "a??b"},       // bytes UTF-8 never uses
      {"\xe3\x81" "A", "?A"},          // broken sequence
      {"\x81\x81x", "??x"},             // stray continuation bytes
      {U8(u8"é表"), std::string("?") + "表"},
  };
  for (const Case8& c : toCp932) EXPECT_EQ(plat::Utf8ToCp932(c.in), c.out) << c.out;
}

}  // namespace
