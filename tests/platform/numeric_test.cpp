#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/numeric.h"

TEST(TruncToInt, BehavesLikeTheX86Conversion) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double in;
    int out;
  } cases[] = {
      {0.0, 0},           {1.9999, 1},          {-1.9999, -1},         {2147483647.0, INT_MAX},
      {2147483647.9, INT_MAX}, {-2147483648.0, INT_MIN}, {-2147483648.9, INT_MIN}, {2147483648.0, INT_MIN},
      {-2147483649.0, INT_MIN}, {1e300, INT_MIN},  {-1e300, INT_MIN},      {nan, INT_MIN},
      {inf, INT_MIN},     {-inf, INT_MIN},      {1.0199999809265137 * 100, 101},
  };
  for (const Case& c : cases) EXPECT_EQ(plat::TruncToInt(c.in), c.out) << c.in;
}

// The game's texts are CP932 bytes in the program, whatever the source's encoding.
TEST(Charset, JapaneseLiteralsAreCp932) {
  const char* text = "表示ゲーム";
  const unsigned char expected[] = {0x95, 0x5C, 0x8E, 0xA6, 0x83, 0x51, 0x81, 0x5B, 0x83, 0x80};
  ASSERT_EQ(std::strlen(text), sizeof expected);
  EXPECT_EQ(std::memcmp(text, expected, sizeof expected), 0);
  EXPECT_STREQ("エラー", "\x83\x47\x83\x89\x81\x5B");
}
