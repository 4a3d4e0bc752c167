#include <gtest/gtest.h>

#include <string>

#include "base/file_name.h"
#include "support/allocation_failure.h"

namespace {

std::string Text(const CString& s) {
  return std::string(s.Text(), static_cast<size_t>(s.length));
}

TEST(CFileNameTest, SplitsIntoParts) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
    const char* stem;
    const char* extension;
    int32_t nameStart;
    int32_t extensionStart;
  };
  const Case cases[] = {
      {"C:\\data\\logo.png", "C:\\data", "logo.png", "logo", "png", 8, 13},
      {"C:\\data\\archive.tar.gz", "C:\\data", "archive.tar.gz", "archive.tar", "gz", 8, 20},
      {"C:\\data\\README", "C:\\data", "README", "README", "", 8, -1},
      {"C:\\data\\.profile", "C:\\data", ".profile", "", "", 8, 9},
      {"logo.txt", "", "logo.txt", "logo", "txt", 0, 5},
      {"C:\\a.b\\file", "C:\\a.b", "file", "file", "", 7, -1},
      {"C:\\data\\", "C:\\data", "", "", "", -1, -1},
      {"/home/user/in.bin", "/home/user", "in.bin", "in", "bin", 11, 14},
      {"C:/mixed\\sep/x.y", "C:/mixed\\sep", "x.y", "x", "y", 13, 15},
      {"\\root.txt", "", "root.txt", "root", "txt", 1, 6},
      {"C:\\data\\name.", "C:\\data", "name.", "name", "", 8, -1},
      {"C:\\data\\  x.bin ", "C:\\data", "x.bin", "x", "bin", 10, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CFileName f;
    ASSERT_EQ(f.SetPath(c.path), 1);
    EXPECT_EQ(Text(f.path), c.path);
    EXPECT_EQ(Text(f.folder), c.folder);
    EXPECT_EQ(Text(f.name), c.name);
    EXPECT_EQ(Text(f.stem), c.stem);
    EXPECT_EQ(Text(f.extension), c.extension);
    EXPECT_EQ(f.nameStart, c.nameStart);
    EXPECT_EQ(f.extensionStart, c.extensionStart);
  }
}

TEST(CFileNameTest, NoneAndEmptyPaths) {
  CFileName f;
  ASSERT_EQ(f.SetPath("C:\\data\\logo.png"), 1);
  EXPECT_EQ(f.SetPath(nullptr), 0);
  EXPECT_EQ(Text(f.path), "C:\\data\\logo.png") << "none changes nothing";

  EXPECT_EQ(f.SetPath(""), 1);
  EXPECT_EQ(f.path.length, 0);
  EXPECT_EQ(f.nameStart, -1);
  EXPECT_EQ(f.extensionStart, -1);
  EXPECT_EQ(Text(f.name), "logo.png") << "an empty path leaves the parts";
  EXPECT_EQ(Text(f.folder), "C:\\data");
}

// When the copy of the path cannot be made, nothing is scanned or changed.
TEST(CFileNameTest, OutOfMemoryChangesNothing) {
  const char* const before[] = {nullptr, "C:\\a\\old.txt"};
  for (const char* old : before) {
    SCOPED_TRACE(old != nullptr ? old : "(unset)");
    CFileName f;
    if (old != nullptr) {
      ASSERT_EQ(f.SetPath(old), 1);
    }
    int result = 0;
    {
      test::FailAllocation fail(0, test::FailAllocation::kFrom);
      result = f.SetPath("C:\\a much longer folder\\new name.bin");
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Text(f.path), old != nullptr ? old : "");
    EXPECT_EQ(Text(f.name), old != nullptr ? "old.txt" : "");
  }
}

// Whichever copy fails, SetPath reports it: a name missing its folder or
// stem would name another file.
TEST(CFileNameTest, ReportsEveryFailedCopy) {
  const int64_t failures = test::SweepAllocationFailures([](int64_t skip) {
    SCOPED_TRACE("allocation " + std::to_string(skip) + " fails");
    CFileName f;
    int result = 0;
    const bool fired =
        test::RunFailingAllocation(skip, [&] { result = f.SetPath("C:\\data\\logo.png"); });
    EXPECT_EQ(result, fired ? 0 : 1);
    if (result == 1) {
      EXPECT_EQ(Text(f.folder), "C:\\data");
      EXPECT_EQ(Text(f.name), "logo.png");
      EXPECT_EQ(Text(f.stem), "logo");
      EXPECT_EQ(Text(f.extension), "png");
    }
    return fired;
  });
  EXPECT_GE(failures, 5) << "the path and its four parts";
}

// A path that lacks a part keeps the part of the path before it.
TEST(CFileNameTest, ResetKeepsPartsTheNewPathLacks) {
  CFileName f;
  f.SetPath("C:\\data\\logo.png");
  f.SetPath("other");
  EXPECT_EQ(Text(f.folder), "C:\\data");
  EXPECT_EQ(Text(f.name), "other");
  EXPECT_EQ(Text(f.stem), "other");
  EXPECT_EQ(Text(f.extension), "png");
}

TEST(CFileNameTest, EnsureExtension) {
  struct Case {
    const char* path;
    const char* extension;
    const char* expected;
  };
  const Case cases[] = {
      {"list.CSV", "csv", "list.CSV"},
      {"LIST.CSV", "csv", "LIST.CSV"},
      {"list", "csv", "list.csv"},
      {"list.txt", "csv", "list.txt.csv"},
      {"C:\\lists\\batch", "csv", "C:\\lists\\batch.csv"},
      {"C:\\a.csv\\batch", "csv", "C:\\a.csv\\batch.csv"},
      {"list.csvx", "csv", "list.csvx.csv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CFileName f;
    f.SetPath(c.path);
    f.EnsureExtension(c.extension);
    EXPECT_EQ(Text(f.path), c.expected);
    CFileName fresh;
    fresh.SetPath(c.expected);
    EXPECT_EQ(Text(f.folder), Text(fresh.folder));
    EXPECT_EQ(Text(f.name), Text(fresh.name));
    EXPECT_EQ(Text(f.stem), Text(fresh.stem));
    EXPECT_EQ(Text(f.extension), Text(fresh.extension));
  }
}

// Whichever copy fails on the way, EnsureExtension reports it rather than
// leave a name without its extension or folder.
TEST(CFileNameTest, EnsureExtensionReportsEveryFailedCopy) {
  const int64_t failures = test::SweepAllocationFailures([](int64_t skip) {
    SCOPED_TRACE("allocation " + std::to_string(skip) + " fails");
    CFileName f;
    EXPECT_EQ(f.SetPath("C:\\data\\list"), 1);
    int result = 0;
    const bool fired = test::RunFailingAllocation(skip, [&] { result = f.EnsureExtension("csv"); });
    EXPECT_EQ(result, fired ? 0 : 1);
    if (result == 1) {
      EXPECT_EQ(Text(f.path), "C:\\data\\list.csv");
      EXPECT_EQ(Text(f.folder), "C:\\data");
      EXPECT_EQ(Text(f.extension), "csv");
    }
    return fired;
  });
  EXPECT_GE(failures, 4) << "the joined path, then the path and its parts";
}

TEST(CFileNameTest, EnsureExtensionRebuildsPartsFromScratch) {
  CFileName f;
  f.SetPath("C:\\old\\name.bin");
  f.SetPath("list");  // keeps folder C:\old and extension bin
  f.EnsureExtension("csv");
  EXPECT_EQ(Text(f.path), "list.csv");
  EXPECT_EQ(Text(f.folder), "") << "the old folder is gone";
  EXPECT_EQ(Text(f.extension), "csv");
}

}  // namespace
