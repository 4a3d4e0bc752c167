#include "ui/list/file_list.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/codepage.h"
#include "base/debug_print.h"
#include "base/file.h"
#include "support/allocation_failure.h"
#include "support/test_support.h"
#include "ui/list/progress_text.h"
#include "ui/list/ui_test_util.h"

namespace {

using uitest::Ansi;
using uitest::Text;
using Wide = std::basic_string<WideChar>;

std::vector<Wide> g_debugLines;

int RecordDebugLine(const WideChar* format, ...) {
  va_list args;
  va_start(args, format);
  g_debugLines.push_back(FormatDebugLine(format, args));
  va_end(args);
  return 0;
}

class FileListTest : public testing::Test {
 protected:
  void SetUp() override {
    g_debugLines.clear();
    SetDebugPrintTarget(&RecordDebugLine);
  }
  void TearDown() override { ResetDebugPrintTarget(); }

  // Creates a file in the folder and returns its name as UTF-16.
  Wide Touch(const std::string& utf8Name) {
    test::WriteAll(folder.path() / std::u8string(utf8Name.begin(), utf8Name.end()), "x");
    return test::Utf16(utf8Name);
  }
  Wide Joined(const Wide& name) const { return folderWide + WideChar(kFileListSeparator) + name; }

  test::TempDir folder;
  Wide folderWide = test::WidePath(folder.path());
  CFileList list;
};

TEST_F(FileListTest, DerivesOutputAndArrayNamesFromTheStem) {
  struct Row {
    const char* file;
    int32_t direction;
    const char* output;
    const char* array;
  } rows[] = {
      {"logo.png", 0, "logo.txt", "logo"},
      {"logo.png", 1, "logo.bin", "logo"},
      {"fw.hex", 7, "fw.bin", "fw"},
      {"fw.hex", -1, "fw.bin", "fw"},
      {"archive.tar.gz", 0, "archive.tar.txt", "archive_tar"},
      {"README", 1, "README.bin", "README"},
      {".profile", 0, ".txt", "data"},
      {"1-starts-with-digit.bin", 0, "1-starts-with-digit.txt", "_1_starts_with_digit"},
      {"with space.bin", 0, "with space.txt", "with_space"},
      {"weird-name (copy) [1].bin", 0, "weird-name (copy) [1].txt", "weird_name__copy___1_"},
      // Shift-JIS: ー and タ end in '[' and '^', which stay part of them.
      {"画像データ.bin", 0, "画像データ.txt", "画像データ"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.file) + " direction " + std::to_string(row.direction));
    if (!uitest::AnsiHolds(row.file)) continue;  // a path the ANSI code page cannot name
    CFileList fresh;
    ASSERT_EQ(0, fresh.AddFileEntry(folderWide.c_str(), Touch(row.file).c_str(), row.direction));
    const FileListEntry& entry = fresh.entries[0];
    CString expectedInput;
    expectedInput.AssignWide(Joined(test::Utf16(row.file)).c_str());
    EXPECT_EQ(Text(expectedInput), Text(entry.inputName.path));
    EXPECT_EQ(Ansi(row.output), Text(entry.outputName.path));
    EXPECT_EQ("", Text(entry.outputName.folder));
    EXPECT_EQ(Ansi(row.array), Text(entry.arrayName));
  }
}

// Names outside the ANSI code page are taken whole; the array name has one
// '_' for each character the code page lacks, so that it still compiles.
TEST_F(FileListTest, NamesOutsideTheCodePageAreKeptWhole) {
  const struct {
    const char* file;
    const char* western;  // the array name on code page 1252, 932, UTF-8
    const char* japanese;
    const char* utf8;
  } rows[] = {
      {"日本語ファイル.bin", "_______", "日本語ファイル", "日本語ファイル"},
      {"絵文字\xF0\x9F\x98\x80と한글.bin", "_______", "絵文字_と__",
       "絵文字\xF0\x9F\x98\x80と한글"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const char* array = row.utf8;
    if (AnsiCodePage() == 1252) array = row.western;
    if (AnsiCodePage() == kCodePageShiftJis) array = row.japanese;
    CFileList fresh;
    ASSERT_EQ(0, fresh.AddFileEntry(folderWide.c_str(), Touch(row.file).c_str(), 0));
    FileListEntry& entry = fresh.entries[0];
    EXPECT_EQ(Joined(test::Utf16(row.file)), entry.inputName.path.GetWide());
    const std::string file(row.file);
    EXPECT_EQ(test::Utf16(file.substr(0, file.size() - 4) + ".txt"),
              entry.outputName.path.GetWide());
    EXPECT_EQ(Ansi(array), Text(entry.arrayName));
  }
}

TEST_F(FileListTest, RowsKeepTheirOrderAndContentsAsTheListGrows) {
  for (int32_t i = 0; i < 1000; ++i) {
    FileListEntry entry;
    const std::string name = std::to_string(i);
    entry.arrayName.AssignBytes(name.c_str(), static_cast<int32_t>(name.size()));
    entry.SetStatus(test::Utf16("s" + name).c_str());
    ASSERT_EQ(i, list.AppendFileEntry(std::move(entry)));
    EXPECT_EQ(nullptr, entry.arrayName.data) << "the row moved in, not copied";
  }
  ASSERT_EQ(1000, list.entryCount);
  for (int32_t i = 0; i < 1000; ++i) {
    EXPECT_EQ(std::to_string(i), Text(list.entries[i].arrayName));
    EXPECT_EQ(test::Utf16("s" + std::to_string(i)), list.entries[i].Status());
  }
}

TEST_F(FileListTest, DuplicateTestIsExactAndSilent) {
  const Wide lower = Touch("a.bin");
  const Wide upper = Touch("A.BIN");  // the same file where names ignore case
  EXPECT_EQ(0, list.AddFileEntry(folderWide.c_str(), lower.c_str(), 0));
  EXPECT_EQ(kFileListDuplicate, list.AddFileEntry(folderWide.c_str(), lower.c_str(), 1));
  // Other letter case, and a doubled separator, are other spellings: new rows.
  EXPECT_EQ(1, list.AddFileEntry(folderWide.c_str(), upper.c_str(), 0));
  const Wide slashEnded = folderWide + WideChar(kFileListSeparator);
  EXPECT_EQ(2, list.AddFileEntry(slashEnded.c_str(), lower.c_str(), 0));
  EXPECT_EQ(3, list.entryCount);
  EXPECT_TRUE(g_debugLines.empty());
}

TEST_F(FileListTest, InputThatDoesNotOpenIsLeftOutWithADebugLine) {
  const Wide held = Touch("held.bin");
  CFile writer;
  CString heldPath;
  heldPath.AssignWide(Joined(held).c_str());
  ASSERT_EQ(kOk, writer.Create(heldPath, CreateRule::Always));
  std::filesystem::create_directory(folder.path() / "sub");
  const Wide names[] = {WSTR("missing.bin"), WSTR("sub"), held};
  for (const Wide& name : names) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    g_debugLines.clear();
    EXPECT_EQ(kFileListNotFile, list.AddFileEntry(folderWide.c_str(), name.c_str(), 0));
    ASSERT_EQ(1u, g_debugLines.size());
    EXPECT_EQ(WSTR("Not file : ") + Joined(name) + WSTR("\n"), g_debugLines[0]);
  }
  EXPECT_EQ(0, list.entryCount);
}

TEST_F(FileListTest, AddsSelectionsAndDroppedPaths) {
  const Wide a = Touch("a.bin"), b = Touch("b.bin"), c = Touch("c.bin");
  // Folder, then names, then an empty string; a missing name is skipped.
  Wide multi = folderWide + WideChar(0) + c + WideChar(0) + WSTR("gone.bin") + WideChar(0) + a +
               WideChar(0) + WideChar(0);
  EXPECT_EQ(2, list.AddSelectedFiles(multi.c_str(), 0));
  const Wide single = Joined(b) + WideChar(0) + WideChar(0);
  EXPECT_EQ(1, list.AddSelectedFiles(single.c_str(), 1));
  EXPECT_EQ(kFileListDuplicate, list.AddFilePath(Joined(a).c_str(), 0));
  // Again: the rows already there are not counted as left out, the missing
  // name is.
  int32_t leftOut = 0;
  EXPECT_EQ(0, list.AddSelectedFiles(multi.c_str(), 0, &leftOut));
  EXPECT_EQ(1, leftOut);
  ASSERT_EQ(3, list.entryCount);
  const char* expected[] = {"c.txt", "a.txt", "b.bin"};
  for (int32_t i = 0; i < 3; ++i)
    EXPECT_EQ(expected[i], Text(list.entries[i].outputName.path));
}

// Whichever allocation fails, adding a file adds the whole row or reports
// kFileListNoMemory with the list as it was: never a row whose folder was
// lost on the way (it would name a file at the root).
TEST_F(FileListTest, RunningOutOfMemoryAddsTheWholeRowOrNone) {
  const Wide name = Touch("logo.png");
  const Wide joined = Joined(name);
  CString expected;
  expected.AssignName(joined.c_str());
  struct Adder {
    const char* how;
    std::function<int32_t(CFileList&)> add;
  } adders[] = {
      {"AddFileEntry",
       [&](CFileList& l) { return l.AddFileEntry(folderWide.c_str(), name.c_str(), 0); }},
      {"AddFilePath", [&](CFileList& l) { return l.AddFilePath(joined.c_str(), 0); }},
  };
  for (const Adder& adder : adders) {
    SCOPED_TRACE(adder.how);
    const int64_t failures = test::SweepAllocationFailures([&](int64_t skip) {
      SCOPED_TRACE("allocation " + std::to_string(skip) + " fails");
      CFileList fresh;
      int32_t result = 0;
      const bool fired = test::RunFailingAllocation(skip, [&] { result = adder.add(fresh); });
      if (result == kFileListNoMemory) {
        EXPECT_TRUE(fired);
        EXPECT_EQ(0, fresh.entryCount);
      } else {
        EXPECT_EQ(0, result);
        EXPECT_EQ(1, fresh.entryCount);
        if (fresh.entryCount == 1) {
          const FileListEntry& entry = fresh.entries[0];
          EXPECT_EQ(Text(expected), Text(entry.inputName.path));
          EXPECT_EQ("logo", Text(entry.inputName.stem));
          EXPECT_EQ("logo.txt", Text(entry.outputName.path));
          EXPECT_EQ("logo", Text(entry.arrayName));
        }
      }
      return fired;
    });
    EXPECT_GT(failures, 3) << "the row takes several allocations";
  }
}

TEST_F(FileListTest, DeletesTheGivenRowOnly) {
  for (int32_t index : {-1, 0, 2, 5, 6}) {
    SCOPED_TRACE(index);
    CFileList rows;
    for (int32_t i = 0; i < 6; ++i) {
      FileListEntry entry;
      entry.arrayName.AssignBytes(std::to_string(i).c_str(), 1);
      rows.AppendFileEntry(std::move(entry));
    }
    const bool valid = index >= 0 && index < 6;
    EXPECT_EQ(valid, rows.DeleteFileEntry(index));
    ASSERT_EQ(valid ? 5 : 6, rows.entryCount);
    EXPECT_EQ(nullptr, rows.entries[rows.entryCount].arrayName.data) << "the removed row is freed";
    for (int32_t i = 0, source = 0; i < rows.entryCount; ++i, ++source) {
      if (source == index) ++source;
      EXPECT_EQ(std::to_string(source), Text(rows.entries[i].arrayName));
    }
  }
}

// Rows whose array names are the given texts, in order.
void FillArrayNames(CFileList& rows, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    FileListEntry entry;
    entry.arrayName.AssignText(name.c_str());
    rows.AppendFileEntry(std::move(entry));
  }
  rows.MarkUnmodified();
}

std::string ArrayNames(const CFileList& rows) {
  std::string names;
  for (int32_t i = 0; i < rows.entryCount; ++i)
    names += (i > 0 ? " " : "") + Text(rows.entries[i].arrayName);
  return names;
}

TEST_F(FileListTest, DeletesEverySelectedRowAtOnce) {
  const struct {
    std::vector<int32_t> rows;
    int32_t removed;
    const char* left;
  } cases[] = {
      {{1, 3}, 2, "0 2 4"},
      {{4, 0, 4}, 2, "1 2 3"},  // any order, a repeat counted once
      {{-1, 5}, 0, "0 1 2 3 4"},
      {{0, 1, 2, 3, 4}, 5, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.rows));
    CFileList rows;
    FillArrayNames(rows, {"0", "1", "2", "3", "4"});
    EXPECT_EQ(c.removed,
              rows.DeleteFileEntries(c.rows.data(), static_cast<int32_t>(c.rows.size())));
    EXPECT_EQ(c.left, ArrayNames(rows));
    EXPECT_EQ(nullptr, rows.entries[rows.entryCount].arrayName.data) << "the removed row is freed";
    EXPECT_EQ(c.removed > 0, rows.IsModified());
  }
}

TEST_F(FileListTest, SortsByAColumnStablyWithNumbersByValue) {
  EXPECT_LT(CompareListText("file2", "file10"), 0);
  EXPECT_LT(CompareListText("File002", "file3"), 0);
  EXPECT_EQ(CompareListText("ABC", "abc"), 0);
  EXPECT_LT(CompareListText("ab", "abc"), 0);
  EXPECT_GT(CompareListText("b", "A"), 0);
  const struct {
    bool descending;
    const char* order;
  } cases[] = {{false, "a1 A1 a2 b10 \xe3\x81\x82"}, {true, "\xe3\x81\x82 b10 a2 a1 A1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.descending);
    CFileList rows;
    FillArrayNames(rows, {"b10", "a1", "\xe3\x81\x82", "a2", "A1"});
    EXPECT_TRUE(rows.SortFileEntries(kSortArray, c.descending));
    EXPECT_EQ(c.order, ArrayNames(rows));
    EXPECT_TRUE(rows.IsModified());
    // Sorted again the same way nothing moves, and the list stays as saved.
    rows.MarkUnmodified();
    EXPECT_TRUE(rows.SortFileEntries(kSortArray, c.descending));
    EXPECT_FALSE(rows.IsModified());
  }
  CFileList rows;
  EXPECT_FALSE(rows.SortFileEntries(7, false));
}

TEST_F(FileListTest, ModifyKeepsNamesForEmptyTextsAndTakesNewPathsWhole) {
  ASSERT_EQ(0, list.AddFileEntry(folderWide.c_str(), Touch("fw.hex").c_str(), 0));
  FileListEntry& entry = list.entries[0];
  EXPECT_TRUE(list.ModifyFileEntry(0, WSTR(""), nullptr, WSTR("")));
  EXPECT_EQ("fw.txt", Text(entry.outputName.path));
  EXPECT_EQ("", Text(entry.arrayName));
  EXPECT_EQ(Text(entry.inputName.stem), "fw");

  EXPECT_TRUE(list.ModifyFileEntry(0, WSTR("other.dat"), WSTR("plain"), WSTR("table")));
  EXPECT_EQ("other.dat", Text(entry.inputName.path));
  EXPECT_EQ("", Text(entry.inputName.folder));
  EXPECT_EQ("plain", Text(entry.outputName.stem));
  EXPECT_EQ("", Text(entry.outputName.extension));
  EXPECT_EQ("table", Text(entry.arrayName));
  EXPECT_FALSE(list.ModifyFileEntry(1, WSTR("x"), WSTR("y"), WSTR("z")));
}

TEST_F(FileListTest, ClearEmptiesTheListForReuse) {
  ASSERT_EQ(0, list.AddFileEntry(folderWide.c_str(), Touch("a.bin").c_str(), 0));
  list.ClearFileList();
  EXPECT_EQ(nullptr, list.entries.Get());
  EXPECT_EQ(0, list.entryCapacity);
  EXPECT_EQ(0, list.entryCount);
  EXPECT_EQ(0, list.AddFileEntry(folderWide.c_str(), WSTR("a.bin"), 0));
}

// Each step on one list, in order, and whether the list counts as changed
// since it was last marked loaded or saved.
TEST_F(FileListTest, KnowsWhenItChangedSinceLoadedOrSaved) {
  const Wide a = Touch("a.bin"), b = Touch("b.bin");
  struct Step {
    const char* name;
    std::function<void(CFileList&)> run;
    bool modified;
  };
  const Step steps[] = {
      {"a new list", [](CFileList&) {}, false},
      {"a missing file adds nothing",
       [&](CFileList& l) { l.AddFileEntry(folderWide.c_str(), WSTR("gone.bin"), 0); }, false},
      {"a row added", [&](CFileList& l) { l.AddFileEntry(folderWide.c_str(), a.c_str(), 0); },
       true},
      {"saved", [](CFileList& l) { l.MarkUnmodified(); }, false},
      {"a duplicate adds nothing",
       [&](CFileList& l) { l.AddFileEntry(folderWide.c_str(), a.c_str(), 1); }, false},
      {"Modify with the same texts",
       [](CFileList& l) { l.ModifyFileEntry(0, WSTR(""), WSTR("a.txt"), WSTR("a")); }, false},
      {"Modify of a bad row",
       [](CFileList& l) { l.ModifyFileEntry(3, nullptr, WSTR("x"), nullptr); }, false},
      {"Modify of the output name",
       [](CFileList& l) { l.ModifyFileEntry(0, nullptr, WSTR("x.txt"), WSTR("a")); }, true},
      {"saved again", [](CFileList& l) { l.MarkUnmodified(); }, false},
      {"Modify that keeps every text",
       [](CFileList& l) { l.ModifyFileEntry(0, nullptr, nullptr, WSTR("a")); }, false},
      {"the array name emptied",
       [](CFileList& l) { l.ModifyFileEntry(0, nullptr, nullptr, nullptr); }, true},
      {"loaded", [](CFileList& l) { l.MarkUnmodified(); }, false},
      {"Delete of no row", [](CFileList& l) { l.DeleteFileEntry(-1); }, false},
      {"Delete", [](CFileList& l) { l.DeleteFileEntry(0); }, true},
      {"loaded once more", [](CFileList& l) { l.MarkUnmodified(); }, false},
      {"clearing an empty list", [](CFileList& l) { l.ClearFileList(); }, false},
      {"a dropped path", [&](CFileList& l) { l.AddFilePath(Joined(b).c_str(), 0); }, true},
      {"saved at last", [](CFileList& l) { l.MarkUnmodified(); }, false},
      {"All Delete", [](CFileList& l) { l.ClearFileList(); }, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.run(list);
    EXPECT_EQ(step.modified, list.IsModified());
  }
}

// A list loaded apart takes the current one's place whole, changed state and
// all, and the old rows go with the other list.
TEST_F(FileListTest, SwapExchangesRowsAndTheChangedState) {
  ASSERT_EQ(0, list.AddFileEntry(folderWide.c_str(), Touch("old.bin").c_str(), 0));
  CFileList loaded;
  for (const char* name : {"n1.bin", "n2.bin"})
    ASSERT_GE(loaded.AddFileEntry(folderWide.c_str(), Touch(name).c_str(), 0), 0);
  loaded.MarkUnmodified();
  list.Swap(loaded);
  ASSERT_EQ(2, list.entryCount);
  EXPECT_EQ("n2", Text(list.entries[1].arrayName));
  EXPECT_FALSE(list.IsModified());
  ASSERT_EQ(1, loaded.entryCount);
  EXPECT_EQ("old", Text(loaded.entries[0].arrayName));
  EXPECT_TRUE(loaded.IsModified());
}

TEST(OutputFileNameTest, RefusesWhatWindowsWouldNotKeepAsTyped) {
  struct Row {
    const WideChar* name;
    int32_t expected;
    WideChar offending;
  };
  const Row rows[] = {
      {WSTR("logo.txt"), kOutputNameOk, 0},
      {WSTR("no extension"), kOutputNameOk, 0},
      {WSTR(".profile"), kOutputNameOk, 0},
      {WSTR("画像.txt"), kOutputNameOk, 0},
      {WSTR("console.txt"), kOutputNameOk, 0},
      {WSTR("COM0.txt"), kOutputNameOk, 0},
      {WSTR("nul1.txt"), kOutputNameOk, 0},
      {nullptr, kOutputNameEmpty, 0},
      {WSTR(""), kOutputNameEmpty, 0},
      {WSTR("sub\\x.txt"), kOutputNameFolder, 0},
      {WSTR("sub/x.txt"), kOutputNameFolder, 0},
      {WSTR("sub\\bad:name?.txt"), kOutputNameFolder, 0},
      {WSTR("bad:name?.txt"), kOutputNameForbidden, ':'},
      {WSTR("a<b"), kOutputNameForbidden, '<'},
      {WSTR("a>b"), kOutputNameForbidden, '>'},
      {WSTR("say \"hi\""), kOutputNameForbidden, '"'},
      {WSTR("a|b"), kOutputNameForbidden, '|'},
      {WSTR("what?"), kOutputNameForbidden, '?'},
      {WSTR("*.txt"), kOutputNameForbidden, '*'},
      {WSTR("tab\there"), kOutputNameControl, '\t'},
      {WSTR("line\x1f"), kOutputNameControl, 0x1F},
      {WSTR("x.txt."), kOutputNameTrailingDotSpace, 0},
      {WSTR("x.txt "), kOutputNameTrailingDotSpace, 0},
      {WSTR(".."), kOutputNameTrailingDotSpace, 0},
      {WSTR("CON"), kOutputNameDevice, 0},
      {WSTR("nul.txt"), kOutputNameDevice, 0},
      {WSTR("Aux .bin"), kOutputNameDevice, 0},
      {WSTR("prn.tar.gz"), kOutputNameDevice, 0},
      {WSTR("com1.txt"), kOutputNameDevice, 0},
      {WSTR("LPT9"), kOutputNameDevice, 0},
  };
  for (const Row& row : rows) {
    const Wide shown = row.name != nullptr ? Wide(row.name) : Wide(WSTR("(null)"));
    SCOPED_TRACE(std::string(shown.begin(), shown.end()));
    WideChar offending = 0;
    EXPECT_EQ(row.expected, CheckOutputFileName(row.name, &offending));
    EXPECT_EQ(row.offending, offending);
  }
}

// The line under the run's bars, in both languages.
struct ProgressLineCase {
  const char* name;
  RunProgress progress;
  int language;
  const char* expected;  // UTF-8
};

TEST(ProgressTextTest, LineNamesFileBytesAndTimeLeft) {
  const WideChar* name = WSTR("C:\\data\\name.bin");
  const ProgressLineCase cases[] = {
      {"seconds",
       {2, 9, FileNamePart(name), 180ull << 20, 1ull << 30, 12},
       0,
       "File 2 of 9: name.bin \u2014 180 MB of 1.0 GB \u2014 about 12 s left"},
      {"all done", {3, 3, WSTR("a"), 10, 10, 0}, 0, "File 3 of 3: a \u2014 10 bytes of 10 bytes"},
      {"too early",
       {1, 1, WSTR("a"), 0, 1000, -1},
       0,
       "File 1 of 1: a \u2014 0 bytes of 1000 bytes"},
      {"minutes rounded up",
       {1, 3, WSTR("a"), 9728, 10240, 61},
       0,
       "File 1 of 3: a \u2014 9.5 KB of 10 KB \u2014 about 2 min left"},
      {"hours",
       {1, 1, WSTR("a"), 1023, 1ull << 40, 7260},
       0,
       "File 1 of 1: a \u2014 1023 bytes of 1.0 TB \u2014 about 2 h 1 min left"},
      {"japanese",
       {2, 9, WSTR("名前.bin"), 180ull << 20, 1ull << 30, 12},
       1,
       "ファイル 2 / 9: 名前.bin \u2014 180 MB / 1.0 GB \u2014 残り約 12 秒"},
      {"japanese bytes",
       {1, 1, WSTR("a"), 5, 10, -1},
       1,
       "ファイル 1 / 1: a \u2014 5 バイト / 10 バイト"},
  };
  for (const ProgressLineCase& row : cases) {
    SCOPED_TRACE(row.name);
    WideChar text[128] = {};
    FormatRunProgress(row.progress, row.language, text, 128);
    EXPECT_EQ(Wide(text), test::Utf16(row.expected));
  }
  // A short buffer holds a cut, terminated line.
  WideChar cut[6] = {1, 1, 1, 1, 1, 1};
  FormatRunProgress(cases[0].progress, 0, cut, 6);
  EXPECT_EQ(Wide(cut), Wide(WSTR("File ")));
}

TEST(ProgressTextTest, TimeLeftFollowsTheRateSoFar) {
  EXPECT_EQ(EstimateSecondsLeft(0, 100, 5000), -1);
  EXPECT_EQ(EstimateSecondsLeft(50, 100, 999), -1) << "too early";
  EXPECT_EQ(EstimateSecondsLeft(50, 100, 2000), 2);
  EXPECT_EQ(EstimateSecondsLeft(30, 100, 1000), 3) << "2.33 s rounds up";
  EXPECT_EQ(EstimateSecondsLeft(100, 100, 4000), 0);
}

}  // namespace
