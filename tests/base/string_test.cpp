#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "base/codepage.h"
#include "base/str.h"
#include "support/allocation_failure.h"
#include "support/test_support.h"

namespace {

std::string Bytes(const CString& s) {
  return std::string(s.Text(), static_cast<size_t>(s.length));
}

void SetBytes(CString& s, const std::string& bytes) {
  ASSERT_EQ(s.AssignBytes(bytes.data(), static_cast<int32_t>(bytes.size())), 1);
}

TEST(CStringTest, UnsetAndAllocatedEmptyAreDistinct) {
  CString fromEmpty(WSTR(""));
  EXPECT_EQ(fromEmpty.data, nullptr);
  EXPECT_EQ(fromEmpty.capacity, 0);
  EXPECT_EQ(fromEmpty.EqualsWide(WSTR("")), 1);
  EXPECT_EQ(fromEmpty.EqualsWide(nullptr), 1);
  EXPECT_EQ(fromEmpty.EqualsWide(WSTR("a")), 0);
  EXPECT_STREQ(fromEmpty.Text(), "");

  CString allocatedEmpty(WSTR("  "));
  allocatedEmpty.Trim();
  ASSERT_NE(allocatedEmpty.data, nullptr);
  EXPECT_EQ(allocatedEmpty.length, 0);
  EXPECT_EQ(allocatedEmpty.EqualsWide(WSTR("")), 0);
  EXPECT_EQ(allocatedEmpty.EqualsWide(nullptr), 0);
}

TEST(CStringTest, EqualsWideIsExactAndCaseSensitive) {
  CString s(WSTR("Table"));
  EXPECT_EQ(s.EqualsWide(WSTR("Table")), 1);
  EXPECT_EQ(s.EqualsWide(WSTR("table")), 0);
  EXPECT_EQ(s.EqualsWide(WSTR("Table ")), 0);
  EXPECT_EQ(s.EqualsWide(WSTR("Tab")), 0);
}

TEST(CStringTest, TextSurvivesGrowthAndReuse) {
  // Steps on one string, in order: each leaves the text expected.
  struct Step {
    const char* name;
    int (*act)(CString& s);
    std::string expected;
  };
  const Step steps[] = {
      {"assign", [](CString& s) { return s.AssignText("0123456789"); }, "0123456789"},
      {"a shorter assign reuses the buffer", [](CString& s) { return s.AssignText("abcde"); },
       "abcde"},
      {"its own text appended", [](CString& s) { return s.AppendBytes(s.data, s.length); },
       "abcdeabcde"},
      {"its own tail appended", [](CString& s) { return s.AppendBytes(s.data + 7, 3); },
       "abcdeabcdecde"},
      {"nothing appended", [](CString& s) { return s.AppendWide(WSTR("")) != nullptr ? 1 : 0; },
       "abcdeabcdecde"},
      {"its own text assigned", [](CString& s) { return s.AssignBytes(s.data + 5, 3); }, "abc"},
  };
  CString s;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_EQ(step.act(s), 1);
    EXPECT_EQ(Bytes(s), step.expected);
    EXPECT_EQ(s.data[s.length], 0);
  }
  // Its own text, appended again and again, makes it grow many times over
  // while the bytes appended lie in the buffer being replaced.
  std::string expected = "abc";
  for (int i = 0; i < 14; ++i) {
    ASSERT_EQ(s.AppendBytes(s.data, s.length), 1);
    expected += expected;
  }
  EXPECT_EQ(Bytes(s), expected);
  // Many small appends, from unset.
  CString built;
  std::string pieces;
  for (int i = 0; i < 5000; ++i) {
    const std::string piece = std::to_string(i);
    ASSERT_EQ(built.AppendText(piece.c_str()), 1);
    pieces += piece;
  }
  EXPECT_EQ(Bytes(built), pieces);
  EXPECT_EQ(built.data[built.length], 0);
}

TEST(CStringTest, Trim) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"blanks around a letter", "  a ", "a"},
      {"only whitespace", std::string(" \t\r\n"), ""},
      {"single letter", "a", "a"},
      {"embedded blanks kept", " a b ", "a b"},
      {"NUL counts as whitespace", std::string("\0x\0", 3), "x"},
      {"high bytes are not whitespace", "\xA0x\xA0", "\xA0x\xA0"},
      {"nothing to trim", "abc", "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CString s;
    SetBytes(s, c.input);
    s.Trim();
    ASSERT_NE(s.data, nullptr);
    EXPECT_EQ(Bytes(s), c.expected);
    EXPECT_EQ(s.data[s.length], 0);
  }
  CString unset;
  unset.Trim();
  EXPECT_EQ(unset.data, nullptr);
}

TEST(CStringTest, Mid) {
  struct Case {
    int32_t start;
    int32_t count;
    const char* expected;  // null: no string
  };
  const Case cases[] = {
      {2, 100, "cdef"}, {6, 1, nullptr},  {0, 0, ""},  {-1, 2, nullptr},
      {1, -1, nullptr}, {0, 6, "abcdef"}, {5, 1, "f"},
  };
  CString s(WSTR("abcdef"));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "start " << c.start << " count " << c.count);
    std::unique_ptr<CString> part(s.Mid(c.start, c.count));
    if (c.expected == nullptr) {
      EXPECT_EQ(part, nullptr);
      continue;
    }
    ASSERT_NE(part, nullptr);
    ASSERT_NE(part->data, nullptr) << "a zero count still gives an allocated string";
    EXPECT_EQ(Bytes(*part), c.expected);
  }
  std::unique_ptr<CString> empty(s.Mid(0, 0));
  EXPECT_EQ(empty->length, 0);
  EXPECT_EQ(empty->data[0], 0);
  CString unset;
  EXPECT_EQ(unset.Mid(0, 1), nullptr);
}

TEST(CStringTest, AssignCopiesAndUnsetClears) {
  CString source(WSTR("hello"));
  CString target(WSTR("previous text"));
  EXPECT_STREQ(target.Assign(source), "hello");
  EXPECT_EQ(target.length, 5);
  CString unset;
  EXPECT_EQ(target.Assign(unset), nullptr);
  EXPECT_EQ(target.data, nullptr);
  EXPECT_EQ(target.capacity, 0);
}

// Whichever allocation fails, a copy into a string is whole or reported: the
// string then holds its old text, or nothing where the call can only clear.
// (A name's copy may get round a failure by converting unit by unit.)
TEST(CStringTest, RunningOutOfMemoryIsReported) {
  const std::string added(300, 'x');  // more than any spare capacity
  const std::basic_string<WideChar> wide = test::Utf16(added);
  CString source;
  SetBytes(source, added);
  const auto size = static_cast<int32_t>(added.size());
  struct Case {
    const char* what;
    std::function<bool(CString&)> copy;  // true when it reported success
    std::string whole;
    std::string onFailure;
  } cases[] = {
      {"AssignBytes", [&](CString& s) { return s.AssignBytes(added.data(), size) == 1; }, added,
       "old"},
      {"AppendBytes", [&](CString& s) { return s.AppendBytes(added.data(), size) == 1; },
       "old" + added, "old"},
      {"Assign", [&](CString& s) { return s.Assign(source) != nullptr; }, added, "old"},
      {"AppendWide", [&](CString& s) { return s.AppendWide(wide.c_str()) != nullptr; },
       "old" + added, "old"},
      {"AppendName", [&](CString& s) { return s.AppendName(wide.c_str()) == 1; }, "old" + added,
       "old"},
      {"AssignWide",
       [&](CString& s) {
         s.AssignWide(wide.c_str());
         return !s.IsEmpty();
       },
       added, ""},
      {"AssignName",
       [&](CString& s) {
         s.AssignName(wide.c_str());
         return !s.IsEmpty();
       },
       added, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int64_t failures = test::SweepAllocationFailures([&](int64_t skip) {
      SCOPED_TRACE("allocation " + std::to_string(skip) + " fails");
      CString s;
      SetBytes(s, "old");
      bool copied = false;
      const bool fired = test::RunFailingAllocation(skip, [&] { copied = c.copy(s); });
      EXPECT_TRUE(copied || fired);
      EXPECT_EQ(Bytes(s), copied ? c.whole : c.onFailure);
      return fired;
    });
    EXPECT_GE(failures, 1);
  }
}

TEST(CStringTest, AssignWideWithCount) {
  CString s;
  s.AssignWide(WSTR("abcdef"), 3);
  EXPECT_EQ(Bytes(s), "abc");
  s.AssignWide(WSTR("abcdef"), -1);
  EXPECT_EQ(Bytes(s), "abcdef");
  s.AssignWide(WSTR("abcdef"), 0);
  EXPECT_EQ(s.data, nullptr);
}

TEST(CStringTest, GetWideRebuildsAndIsNullWhenEmpty) {
  CString s(WSTR("abc"));
  const WideChar* first = s.GetWide();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(std::basic_string<WideChar>(first), WSTR("abc"));
  s.AssignWide(WSTR("xyz"));
  const WideChar* second = s.GetWide();
  EXPECT_EQ(std::basic_string<WideChar>(second), WSTR("xyz"));

  CString unset;
  EXPECT_EQ(unset.GetWide(), nullptr);
  CString empty(WSTR(" "));
  empty.Trim();
  EXPECT_EQ(empty.GetWide(), nullptr);
}

// The ANSI code page decides what survives a trip through CString: all of
// Unicode on UTF-8 systems, Japanese on 932, and Western text only on 1252.
TEST(CStringTest, AnsiCodePageRoundTrips) {
  const auto japanese = test::Utf16("日本語のファイル名");
  CString s(japanese.c_str());
  const WideChar* back = s.GetWide();
  ASSERT_NE(back, nullptr);
  switch (AnsiCodePage()) {
    case kCodePageUtf8:
      EXPECT_EQ(std::basic_string<WideChar>(back), japanese);
      EXPECT_EQ(s.length, 27);
      break;
    case kCodePageShiftJis:
      EXPECT_EQ(std::basic_string<WideChar>(back), japanese);
      EXPECT_EQ(s.length, 18);
      break;
    case 1252:
      EXPECT_EQ(std::basic_string<WideChar>(back), WSTR("?????????"));
      break;
    default:
      GTEST_SKIP() << "no expectation for ANSI code page " << AnsiCodePage();
  }
}

// A text's own U+0001 is no start of a foreign unit: it and the hex digits
// after it read back as they were.
TEST(CStringTest, TextsKeepTheMarkCharacter) {
  const auto text = test::Utf16(
      "a\x01"
      "0041b");
  CString s(text.c_str());
  ASSERT_NE(s.GetWide(), nullptr);
  EXPECT_EQ(std::basic_string<WideChar>(s.GetWide()), text);
}

// A file name is kept exactly whatever the code page: a name the code page
// holds keeps the bytes a text gets, and each character it lacks is written
// as one '?' where the name goes into text.
TEST(CStringTest, NamesKeepEveryCharacter) {
  const struct {
    const char* name;
    // The name with '?' for what the code page lacks: 1252, 932, UTF-8.
    const char* western;
    const char* japanese;
    const char* utf8;
  } cases[] = {
      {"plain.bin", "plain.bin", "plain.bin", "plain.bin"},
      {"caf\xC3\xA9.bin", "caf\xC3\xA9.bin", "caf?.bin", "caf\xC3\xA9.bin"},
      {"日本語ファイル.bin", "???????.bin", "日本語ファイル.bin", "日本語ファイル.bin"},
      // One '?' for the pair of units of an emoji.
      {"絵文字\xF0\x9F\x98\x80と한글.bin", "???????.bin", "絵文字?と??.bin",
       "絵文字\xF0\x9F\x98\x80と한글.bin"},
      // A best fit ('a' for U+0101) would name another file.
      {"\xC4\x81.bin", "?.bin", "?.bin", "\xC4\x81.bin"},
      // The mark itself is never taken as it stands.
      {"\x01"
       "ABCD",
       "?ABCD", "?ABCD", "?ABCD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto wide = test::Utf16(c.name);
    const char* shown = c.utf8;
    if (AnsiCodePage() == 1252) shown = c.western;
    if (AnsiCodePage() == kCodePageShiftJis) shown = c.japanese;
    CString name;
    name.AssignName(wide.c_str());
    ASSERT_NE(name.GetWide(), nullptr);
    EXPECT_EQ(std::basic_string<WideChar>(name.GetWide()), wide);
    EXPECT_EQ(std::basic_string<WideChar>(CWideText(name).Get()), wide);
    EXPECT_EQ(name.EqualsWide(wide.c_str()), 1);
    CString written;
    const int32_t replaced = ReplaceForeign(name.Text(), name.length, '?', &written);
    const CString expected(test::Utf16(shown).c_str());
    EXPECT_EQ(Bytes(written), Bytes(expected));
    EXPECT_EQ(replaced > 0, HasForeignUnits(name.Text(), name.length));
    if (replaced == 0) {
      EXPECT_EQ(Bytes(name), Bytes(expected)) << "a name the code page holds keeps its bytes";
    }
    // A text keeps only what the code page holds, as ever.
    CString text;
    text.AssignName(wide.c_str());
    ASSERT_TRUE(text.DropForeignUnits());
    EXPECT_EQ(Bytes(text), Bytes(CString(wide.c_str())));
  }
}

}  // namespace
