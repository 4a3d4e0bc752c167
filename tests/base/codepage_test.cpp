#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "base/codepage.h"

namespace {

using Wide = std::basic_string<WideChar>;

struct WideDeleter {
  void operator()(WideChar* p) const { delete[] p; }
};
struct NarrowDeleter {
  void operator()(char* p) const { delete[] p; }
};
using WideBuffer = std::unique_ptr<WideChar[], WideDeleter>;
using NarrowBuffer = std::unique_ptr<char[], NarrowDeleter>;

// The ANSI code page the test process was started with; ctest sets it for the
// runs under Wine, where it follows LANG.
TEST(CodePageTest, AnsiCodePageIsTheExpectedOne) {
  const char* expected = std::getenv("BX_EXPECT_ACP");
  if (expected == nullptr) {
#if defined(_WIN32)
    GTEST_SKIP() << "BX_EXPECT_ACP not set for this run";
#else
    EXPECT_EQ(AnsiCodePage(), kCodePageUtf8);
    return;
#endif
  }
  EXPECT_EQ(AnsiCodePage(), static_cast<uint32_t>(std::atoi(expected)));
}

TEST(CodePageTest, RoundTripsThroughExplicitCodePages) {
  struct Case {
    const char* name;
    uint32_t codePage;
    std::string narrow;
    Wide wide;
  };
  const Case cases[] = {
      {"ascii utf-8", kCodePageUtf8, "abc", WSTR("abc")},
      {"japanese utf-8", kCodePageUtf8, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
       Wide(1, 0x65E5) + Wide(1, 0x672C) + Wide(1, 0x8A9E)},
      {"supplementary utf-8", kCodePageUtf8, "\xF0\x9F\x98\x80",
       Wide{static_cast<WideChar>(0xD83D), static_cast<WideChar>(0xDE00)}},
      {"japanese 932", kCodePageShiftJis, "\x93\xFA\x96\x7B\x8C\xEA",
       Wide(1, 0x65E5) + Wide(1, 0x672C) + Wide(1, 0x8A9E)},
      {"half-width katakana 932", kCodePageShiftJis, "\xB1\xB2", Wide(1, 0xFF71) + Wide(1, 0xFF72)},
      {"backslash stays backslash in 932", kCodePageShiftJis, "C:\\a\\b", WSTR("C:\\a\\b")},
      {"trail byte 0x5C in 932", kCodePageShiftJis, "\x95\x5C", Wide(1, 0x8868)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WideBuffer wide(
        MultiByteToWide(c.narrow.data(), static_cast<int32_t>(c.narrow.size()), c.codePage));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(Wide(wide.get()), c.wide);
    NarrowBuffer narrow(
        WideToMultiByte(c.wide.data(), static_cast<int32_t>(c.wide.size()), c.codePage));
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(std::string(narrow.get()), c.narrow);
  }
}

TEST(CodePageTest, SizingAndTermination) {
  WideBuffer empty(MultiByteToWide("xyz", 0, kCodePageUtf8));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], 0);

  WideBuffer counted(MultiByteToWide("abc", 3, kCodePageAnsi));
  EXPECT_EQ(Wide(counted.get()), WSTR("abc"));
  WideBuffer terminated(MultiByteToWide("abc", -1, kCodePageAnsi));
  EXPECT_EQ(Wide(terminated.get()), WSTR("abc"));
  EXPECT_EQ(terminated[3], 0);
  EXPECT_EQ(terminated[4], 0) << "a counted terminator gives a second one";

  NarrowBuffer none(WideToMultiByte(WSTR("abc"), 0, kCodePageUtf8));
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none[0], 0);
  NarrowBuffer part(WideToMultiByte(WSTR("abcdef"), 2, kCodePageUtf8));
  EXPECT_STREQ(part.get(), "ab");
}

// Invalid input is replaced, never read past, and the result is terminated.
TEST(CodePageTest, InvalidInputStaysInBounds) {
  struct Case {
    const char* name;
    uint32_t codePage;
    std::string bytes;
  };
  const Case cases[] = {
      {"lone continuation byte", kCodePageUtf8, "a\x80z"},
      {"truncated sequence at end", kCodePageUtf8, "ab\xE6\x97"},
      {"overlong slash", kCodePageUtf8, "\xC0\xAF"},
      {"encoded surrogate", kCodePageUtf8, "\xED\xA0\x80"},
      {"lead byte at end 932", kCodePageShiftJis, "ab\x93"},
      {"bad trail byte 932", kCodePageShiftJis, "\x81\x20x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto n = static_cast<int32_t>(c.bytes.size());
    WideBuffer wide(MultiByteToWide(c.bytes.data(), n, c.codePage));
    ASSERT_NE(wide, nullptr);
    int32_t units = 0;
    while (units <= n && wide[units] != 0)
      ++units;
    EXPECT_LE(units, n);
    EXPECT_GT(units, 0);
  }
}

TEST(CodePageTest, UnrepresentableCharactersBecomeTheDefaultCharacter) {
  const Wide text = Wide(WSTR("a")) + Wide(1, 0x00E9) + Wide(1, 0x4E02) + WSTR("b");
  NarrowBuffer shiftJis(
      WideToMultiByte(text.data(), static_cast<int32_t>(text.size()), kCodePageShiftJis));
  ASSERT_NE(shiftJis, nullptr);
  EXPECT_EQ(std::string(shiftJis.get()).front(), 'a');
  EXPECT_EQ(std::string(shiftJis.get()).back(), 'b');
  EXPECT_NE(std::string(shiftJis.get()).find('?'), std::string::npos);
}

TEST(CodePageTest, IsValidUtf8) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii", true},
      {"\xE6\x97\xA5\xE6\x9C\xAC", true},
      {"\xF0\x9F\x98\x80", true},
      {"\x93\xFA\x96\x7B", false},  // Shift_JIS
      {"\xC0\xAF", false},          // overlong
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE6\x97", false},          // truncated
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(IsValidUtf8(c.bytes.data(), static_cast<int32_t>(c.bytes.size())), c.valid);
  }
}

}  // namespace
