#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/file.h"
#include "support/allocation_failure.h"
#include "support/test_support.h"

namespace {

class CFileTest : public testing::Test {
 protected:
  void PathOf(CString& target, const std::string& name) { test::AssignPath(target, dir_ / name); }
  test::TempDir dir_;
};

TEST_F(CFileTest, CreateNewOnlyRefusesAnExistingFileAndLeavesItAlone) {
  test::WriteAll(dir_ / "taken.bin", std::string("keep me"));
  CString path;
  PathOf(path, "taken.bin");
  CFile file;
  EXPECT_EQ(file.Create(path, CreateRule::NewOnly), kFileRefused);
  EXPECT_EQ(file.handle, 0);
  EXPECT_EQ(test::ReadAll(dir_ / "taken.bin"),
            std::vector<uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
}

TEST_F(CFileTest, CreateAlwaysEmptiesAnExistingFile) {
  test::WriteAll(dir_ / "old.bin", std::string("old contents"));
  CString path;
  PathOf(path, "old.bin");
  CFile file;
  ASSERT_EQ(file.Create(path, CreateRule::Always), kOk);
  EXPECT_EQ(file.Write("new", 3), 3u);
  file.Close();
  EXPECT_EQ(test::ReadAll(dir_ / "old.bin"), std::vector<uint8_t>({'n', 'e', 'w'}));
}

TEST_F(CFileTest, CreateResults) {
  CString path;
  PathOf(path, "a.bin");
  CString empty;
  CFile file;
  EXPECT_EQ(file.Create(empty, CreateRule::Always), kFileUnusable);
  ASSERT_EQ(file.Create(path, CreateRule::NewOnly), kOk);
  EXPECT_EQ(file.readMode, 0);
  EXPECT_EQ(file.writeMode, 1);
  EXPECT_EQ(file.Create(path, CreateRule::Always), kFileUnusable) << "already open";
  EXPECT_FALSE(file.Open(path)) << "already open";

  CString missingFolder;
  PathOf(missingFolder, "no-such-folder/a.bin");
  CFile other;
  EXPECT_EQ(other.Create(missingFolder, CreateRule::Always), kFileRefused);
}

// Each failure to make a temporary file has its own result, the cause in
// systemError, no file left open and no path: a path cut short for want of
// memory would name a file in another folder.
TEST_F(CFileTest, CreateTemporaryFileResults) {
  const std::string folder = dir_.path().string();
  const std::string missing = (dir_.path() / "no-such-folder").string();
  struct Case {
    const char* what;
    const std::string& folder;
    bool alreadyOpen;
    int64_t failAllocation;  // -1: none
    int result;
  } cases[] = {
      {"made", folder, false, -1, kOk},
      {"folder missing", missing, false, -1, kFileRefused},
      {"file already open", folder, true, -1, kFileUnusable},
      {"path not copied", folder, false, 0, kFileNoMemory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CFile file;
    CString held;
    PathOf(held, "held.bin");
    if (c.alreadyOpen) {
      ASSERT_EQ(file.Create(held, CreateRule::Always), kOk);
    }
    CString path;
    int result = 0;
    if (c.failAllocation >= 0) {
      test::FailAllocation fail(c.failAllocation, test::FailAllocation::kFrom);
      result = CreateTemporaryFile(c.folder.c_str(), file, &path);
    } else {
      result = CreateTemporaryFile(c.folder.c_str(), file, &path);
    }
    EXPECT_EQ(result, c.result);
    if (result == kOk) {
      EXPECT_NE(file.handle, 0);
      EXPECT_NE(std::string(path.Text()).find(kTemporaryNamePrefix), std::string::npos);
      file.Close();
      EXPECT_TRUE(RemoveTemporaryFile(path));
      continue;
    }
    EXPECT_EQ(path.length, 0);
    if (!c.alreadyOpen) {
      EXPECT_EQ(file.handle, 0);
      EXPECT_NE(file.systemError, 0);
    }
    if (result == kFileNoMemory) {
      EXPECT_EQ(file.systemError, kSystemErrorNoMemory);
    }
  }
}

// Standard input's name "-" is a copy too: when it cannot be made the open
// fails with the system's no-memory code.
TEST_F(CFileTest, OpenStandardInputReportsRunningOutOfMemory) {
  CFile file;
  bool opened = true;
  {
    test::FailAllocation fail(0, test::FailAllocation::kFrom);
    opened = file.OpenStandardInput();
  }
  EXPECT_FALSE(opened);
  EXPECT_EQ(file.handle, 0);
  EXPECT_EQ(file.systemError, kSystemErrorNoMemory);
}

TEST_F(CFileTest, AppendingWritesGrowTheSize) {
  CString path;
  PathOf(path, "grow.bin");
  CFile file;
  ASSERT_EQ(file.Create(path, CreateRule::NewOnly), kOk);
  EXPECT_EQ(file.size, 0u);
  EXPECT_EQ(file.Write("abcd", 4), 4u);
  EXPECT_EQ(file.size, 4u);
  EXPECT_EQ(file.Write("ef", 2), 2u);
  EXPECT_EQ(file.size, 6u);
  EXPECT_TRUE(file.IsEnd());
  // A positioned write inside the file keeps the size, and the next append
  // still lands at the end.
  EXPECT_EQ(file.Write("XY", 2, 1), 2u);
  EXPECT_EQ(file.size, 6u);
  EXPECT_EQ(file.Write("g", 1), 1u);
  EXPECT_EQ(file.size, 7u);
  // A positioned write past the end raises the size.
  EXPECT_EQ(file.Write("Z", 1, 9), 1u);
  EXPECT_EQ(file.size, 10u);
  EXPECT_TRUE(file.Flush());
  file.Close();
  EXPECT_EQ(file.size, 0u);
  const auto bytes = test::ReadAll(dir_ / "grow.bin");
  ASSERT_EQ(bytes.size(), 10u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 7), "aXYdefg");
  EXPECT_EQ(bytes[9], 'Z');
}

TEST_F(CFileTest, ReadReturnsWhatRemains) {
  test::WriteAll(dir_ / "data.bin", std::string("0123456789"));
  CString path;
  PathOf(path, "data.bin");
  CFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(file.size, 10u);
  EXPECT_EQ(file.readMode, 1);
  char buffer[32] = {};
  EXPECT_EQ(file.Read(buffer, 4), 4u);
  EXPECT_FALSE(file.IsEnd());
  EXPECT_EQ(file.Read(buffer, 32), 6u) << "more than remains gives what remains";
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_TRUE(file.IsEnd());
  EXPECT_EQ(file.Read(buffer, 4), 0u);
  EXPECT_EQ(file.Read(buffer, 3, 2), 3u);
  EXPECT_EQ(std::string(buffer, 3), "234");
  EXPECT_EQ(file.Write("x", 1), 0u) << "a file opened for reading takes no writes";
}

TEST_F(CFileTest, OpenFailures) {
  CString missing;
  PathOf(missing, "missing.bin");
  CFile file;
  EXPECT_FALSE(file.Open(missing));
  EXPECT_EQ(file.size, 0u);
  EXPECT_EQ(file.handle, 0);
  CString empty;
  EXPECT_FALSE(file.Open(empty));
  CString folder;
  test::AssignPath(folder, dir_.path());
  EXPECT_FALSE(file.Open(folder)) << "a folder is not a file";
}

TEST_F(CFileTest, ClosedObjectFails) {
  CFile file;
  char buffer[4];
  EXPECT_FALSE(file.Flush());
  EXPECT_EQ(file.Read(buffer, 4), 0u);
  EXPECT_EQ(file.Write("abcd", 4), 0u);
  EXPECT_FALSE(file.Seek(0));
  EXPECT_TRUE(file.IsEnd());
}

// Readers share a file; a writer excludes every other handle.
TEST_F(CFileTest, SharingRules) {
  test::WriteAll(dir_ / "shared.bin", std::string("data"));
  CString path;
  PathOf(path, "shared.bin");
  {
    CFile reader1, reader2, writer;
    ASSERT_TRUE(reader1.Open(path));
    EXPECT_TRUE(reader2.Open(path)) << "two readers share";
    EXPECT_EQ(writer.Create(path, CreateRule::Always), kFileRefused) << "no writer while read";
  }
  EXPECT_EQ(test::ReadAll(dir_ / "shared.bin").size(), 4u) << "the refused writer emptied nothing";
  {
    CFile writer, reader;
    ASSERT_EQ(writer.Create(path, CreateRule::Always), kOk);
    EXPECT_FALSE(reader.Open(path)) << "no reader while written";
    CFile secondWriter;
    EXPECT_EQ(secondWriter.Create(path, CreateRule::Always), kFileRefused);
  }
  CFile reader;
  EXPECT_TRUE(reader.Open(path)) << "closing releases the file";
}

// Any name the system holds opens and is made, whatever the ANSI code page,
// and so does a path longer than the classic limit of 260 units.
TEST_F(CFileTest, AnyNameAndLongPaths) {
  const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e') + "/";
  const char* names[] = {"\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.bin",  // katakana "data"
                         "絵文字\xF0\x9F\x98\x80.bin", "한글.bin", "caf\xC3\xA9.bin"};
  std::vector<std::string> cases(std::begin(names), std::end(names));
  cases.push_back(deep + std::string(60, 'f') + "\xE6\x97\xA5.bin");
  for (const std::string& name : cases) {
    SCOPED_TRACE(name);
    const auto full = dir_.path() / std::filesystem::path(std::u8string(name.begin(), name.end()));
    CString path;
    test::AssignPath(path, full);
    CString folder;
    test::AssignPath(folder, full.parent_path());
    ASSERT_EQ(CreateFolderPath(folder), 0);
    CFile file;
    ASSERT_EQ(file.Create(path, CreateRule::NewOnly), kOk);
    EXPECT_EQ(file.Write("xy", 2), 2u);
    file.Close();
    EXPECT_TRUE(file.Open(path));
    EXPECT_EQ(file.size, 2u);
    file.Close();
    // Seen under its own name from outside the program.
    if (name.size() < 200) {
      EXPECT_EQ(test::ReadAll(full), (std::vector<uint8_t>{'x', 'y'}));
    }
  }
}

}  // namespace
