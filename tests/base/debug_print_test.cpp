#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "base/debug_print.h"

namespace {

std::vector<WideString>* g_lines = nullptr;

int RecordLine(const WideChar* format, ...) {
  va_list args;
  va_start(args, format);
  g_lines->push_back(FormatDebugLine(format, args));
  va_end(args);
  return static_cast<int>(g_lines->back().size());
}

WideString Format(const WideChar* format, ...) {
  va_list args;
  va_start(args, format);
  WideString line = FormatDebugLine(format, args);
  va_end(args);
  return line;
}

class DebugPrintTest : public testing::Test {
 protected:
  void SetUp() override { g_lines = &lines_; }
  void TearDown() override {
    ResetDebugPrintTarget();
    g_lines = nullptr;
  }
  std::vector<WideString> lines_;
};

TEST_F(DebugPrintTest, FallbackDiscards) {
  ResetDebugPrintTarget();
  EXPECT_EQ(GetDebugPrintTarget(), &DebugPrintDiscard);
  EXPECT_EQ(DebugPrint(WSTR("output file = %s (%d)\n"), WSTR("x"), -2), 0);
  EXPECT_TRUE(lines_.empty());
}

TEST_F(DebugPrintTest, TargetReceivesLinesUntilReset) {
  EXPECT_EQ(SetDebugPrintTarget(&RecordLine), &DebugPrintDiscard);
  DebugPrint(WSTR("output file = %s (%d)\n"), WSTR("C:\\out\\a(1).txt"), 0);
  DebugPrint(WSTR("XML parse error (%d)\n"), 17);
  ResetDebugPrintTarget();
  DebugPrint(WSTR("Not file : %s\n"), WSTR("dropped"));
  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_EQ(lines_[0], WSTR("output file = C:\\out\\a(1).txt (0)\n"));
  EXPECT_EQ(lines_[1], WSTR("XML parse error (17)\n"));
  EXPECT_EQ(SetDebugPrintTarget(nullptr), &DebugPrintDiscard) << "null installs the fallback";
}

TEST_F(DebugPrintTest, FormatDebugLine) {
  EXPECT_EQ(Format(WSTR("app_path     = %s\n"), WSTR("C:\\Program Files\\Brelvix")),
            WSTR("app_path     = C:\\Program Files\\Brelvix\n"));
  EXPECT_EQ(Format(WSTR("%d|%5d|%-4d|%05d"), -7, 42, 3, 12), WSTR("-7|   42|3   |00012"));
  EXPECT_EQ(Format(WSTR("%u %x %X %lld"), 4000000000u, 255u, 255u, -5000000000LL),
            WSTR("4000000000 ff FF -5000000000"));
  EXPECT_EQ(Format(WSTR("100%% %c"), 'z'), WSTR("100% z"));
  EXPECT_EQ(Format(WSTR("%s"), static_cast<const WideChar*>(nullptr)), WSTR("(null)"));
  EXPECT_EQ(Format(WSTR("%q tail %")), WSTR("%q tail %"));
}

}  // namespace
