#include "convert/convert_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "convert/array_name.h"
#include "convert/binary_to_text.h"
#include "convert/convert_types.h"
#include "convert/string_literal.h"
#include "convert/text_to_binary.h"
#include "convert_test_support.h"
#include "support/allocation_failure.h"
#include "support/test_support.h"

namespace {

using convert_test::AsString;
using convert_test::DebugLines;
using convert_test::MemoryFile;
using convert_test::MemoryInput;
using convert_test::RandomBytes;
using convert_test::RecordingMonitor;

namespace fs = std::filesystem;

#if defined(_WIN32)
const std::string kSeparator = "\\";
#else
const std::string kSeparator = "/";
#endif

const char kTemplate[] = "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};";

std::string Text(const CString& text) {
  return std::string(text.Text(), static_cast<size_t>(text.length));
}

// A folder to convert into, with its path as the program keeps it.
class ConvertFileTest : public testing::Test {
 protected:
  void SetUp() override { test::AssignPath(folder_, dir_.path()); }

  std::string Folder() const { return Text(folder_); }
  std::string PathOf(const std::string& name) const { return Folder() + kSeparator + name; }
  // The input path as the program keeps it.
  std::string Input(const std::string& name) const { return PathOf(name); }

  FileConversionRequest Request(const std::string& input, const std::string& stem,
                                const char* extension, int32_t direction = BinaryToText) {
    inputPath_ = input;
    stem_ = stem;
    FileConversionRequest request;
    request.direction = direction;
    request.unitSize = 1;
    request.byteOrder = BigEndian;
    request.valueFormat = "";
    request.arrayTemplate = kTemplate;
    request.arrayName = "data";
    request.outputFolder = folder_.Text();
    request.outputStem = stem_.c_str();
    request.outputExtension = extension;
    request.inputPath = inputPath_.c_str();
    return request;
  }

  test::TempDir dir_;
  CString folder_;
  std::string inputPath_;
  std::string stem_;
};

TEST(ComposeOutputPathTest, Names) {
  struct Row {
    const char* folder;
    const char* stem;
    const char* extension;
    int32_t attempt;
    std::string expected;
  };
  const Row rows[] = {
      {"out", "logo", "txt", 0, "out" + kSeparator + "logo.txt"},
      {"out", "logo", "txt", 1, "out" + kSeparator + "logo(1).txt"},
      {"out", "logo", "bin", 9998, "out" + kSeparator + "logo(9998).bin"},
      {"out", "archive.tar", "txt", 2, "out" + kSeparator + "archive.tar(2).txt"},
      {kSeparator == "/" ? "out/" : "out\\", "a", "txt", 0,
       "out" + kSeparator + kSeparator + "a.txt"},
      {"", "a", "txt", 0, "a.txt"},
      {nullptr, "a", "txt", 3, "a(3).txt"},
      {"out", "", "txt", 0, "out" + kSeparator + ".txt"},
      {"out", "README", "", 0, "out" + kSeparator + "README"},
      {"out", "README", nullptr, 1, "out" + kSeparator + "README(1)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    CString path;
    ComposeOutputPath(row.folder, row.stem, row.extension, row.attempt, &path);
    EXPECT_EQ(Text(path), row.expected);
    // Whichever copy fails, the path is whole or empty with false: one cut
    // short would name another file.
    test::SweepAllocationFailures([&](int64_t skip) {
      SCOPED_TRACE("allocation " + std::to_string(skip) + " fails");
      CString partial;
      bool made = false;
      const bool fired = test::RunFailingAllocation(skip, [&] {
        made = ComposeOutputPath(row.folder, row.stem, row.extension, row.attempt, &partial);
      });
      EXPECT_EQ(made, !fired);
      EXPECT_EQ(Text(partial), made ? row.expected : "");
      return fired;
    });
  }
}

TEST_F(ConvertFileTest, CreateOutputFileNeverReplaces) {
  DebugLines debug;
  test::WriteAll(dir_ / "taken.txt", std::string("keep"));
  CFile output;
  CString path;
  EXPECT_EQ(CreateOutputFile(folder_.Text(), "taken", "txt", output, 0, &path), kFileRefused);
  EXPECT_EQ(output.handle, 0);
  EXPECT_EQ(AsString(test::ReadAll(dir_ / "taken.txt")), "keep");
  EXPECT_EQ(CreateOutputFile(folder_.Text(), "taken", "txt", output, 1, &path), 0);
  EXPECT_EQ(Text(path), PathOf("taken(1).txt"));
  EXPECT_EQ(CreateOutputFile(folder_.Text(), "taken", "txt", output, 2, &path), kFileUnusable)
      << "the output is already open";
  output.Close();
  EXPECT_TRUE(fs::exists(dir_ / "taken(1).txt"));
  EXPECT_FALSE(fs::exists(dir_ / "taken(2).txt"));
  EXPECT_EQ(debug.lines, (std::vector<std::string>{
                             "output file = " + PathOf("taken.txt") + " (-2)\n",
                             "output file = " + PathOf("taken(1).txt") + " (0)\n",
                             "output file = " + PathOf("taken(2).txt") + " (-1)\n",
                         }));
}

// Two finished outputs for one name, as two racing runs have them: the
// number is chosen at publish time, nothing is replaced, and a refused name
// ends the attempt at once and removes the temporary file.
TEST_F(ConvertFileTest, PublishingNeverReplacesAndNumbersAtTheEnd) {
  struct Row {
    const char* name;
    const char* folder;  // under the test folder
    std::string published;
  };
  fs::create_directory(dir_ / "race");
  test::WriteAll(dir_ / "race" / "a.txt", std::string("first"));
  const Row rows[] = {{"taken", "race", "a(1).txt"},
                      {"taken twice", "race", "a(2).txt"},
                      {"missing folder", "race/none", ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CFile file;
    CString temporary;
    const std::string folder = PathOf("race");
    ASSERT_EQ(CreateTemporaryFile(folder.c_str(), file, &temporary), kOk);
    ASSERT_EQ(file.Write("new", 3), 3u);
    file.Close();
    const std::string target = PathOf(row.folder);
    CString path;
    int32_t error = 0;
    EXPECT_EQ(PublishOutputFile(temporary, target.c_str(), "a", "txt", &path, &error),
              !row.published.empty());
    EXPECT_FALSE(fs::exists(Text(temporary)));
    if (row.published.empty()) {
      EXPECT_NE(error, 0);
    } else {
      EXPECT_EQ(Text(path), PathOf("race") + kSeparator + row.published);
      EXPECT_EQ(AsString(test::ReadAll(dir_ / "race" / row.published)), "new");
    }
  }
  EXPECT_EQ(AsString(test::ReadAll(dir_ / "race" / "a.txt")), "first");
}

TEST_F(ConvertFileTest, TakesTheFirstFreeNameAndLeavesOthersAlone) {
  const auto data = RandomBytes(100, 1);
  test::WriteAll(dir_ / "in.bin", data);
  test::WriteAll(dir_ / "in.txt", std::string("old"));
  test::WriteAll(dir_ / "in(2).txt", std::string("old 2"));
  SilentMonitor monitor;
  const FileConversionRequest request = Request(Input("in.bin"), "in", "txt");

  FileConversionResult first;
  EXPECT_EQ(ConvertFile(request, monitor, &first), FileConversionStatus::Converted);
  EXPECT_EQ(Text(first.outputPath), PathOf("in(1).txt"));
  EXPECT_EQ(first.inputSize, 100u);
  EXPECT_EQ(first.bytesRead, 100u);

  DebugLines debug;
  FileConversionResult second;
  EXPECT_EQ(ConvertFile(request, monitor, &second), FileConversionStatus::Converted);
  EXPECT_EQ(Text(second.outputPath), PathOf("in(3).txt"));
  EXPECT_EQ(debug.lines, (std::vector<std::string>{
                             "output file = " + PathOf("in.txt") + " (-2)\n",
                             "output file = " + PathOf("in(1).txt") + " (-2)\n",
                             "output file = " + PathOf("in(2).txt") + " (-2)\n",
                             "output file = " + PathOf("in(3).txt") + " (0)\n",
                         }));

  EXPECT_EQ(AsString(test::ReadAll(dir_ / "in.txt")), "old");
  EXPECT_EQ(AsString(test::ReadAll(dir_ / "in(2).txt")), "old 2");
  const std::string expected =
      convert_test::ReferenceBinaryToText(data, 0, 1, "", kTemplate, "data");
  EXPECT_EQ(AsString(test::ReadAll(dir_ / "in(1).txt")), expected);
  EXPECT_EQ(AsString(test::ReadAll(dir_ / "in(3).txt")), expected);
}

TEST_F(ConvertFileTest, BothDirectionsAcrossManyBlocks) {
  // Larger than the read block, with a partial last unit.
  const auto data = RandomBytes(kReadBlockSize * 2 + kReadBlockSize / 2 + 3, 8);
  test::WriteAll(dir_ / "big.bin", data);
  SilentMonitor monitor;
  FileConversionRequest toText = Request(Input("big.bin"), "big", "txt");
  toText.unitSize = 8;
  toText.byteOrder = LittleEndian;
  FileConversionResult result;
  ASSERT_EQ(ConvertFile(toText, monitor, &result), FileConversionStatus::Converted);
  const std::string text = AsString(test::ReadAll(dir_ / "big.txt"));
  MemoryFile whole;
  ASSERT_TRUE(ConvertBinaryToText(monitor, data.data(), static_cast<int32_t>(data.size()), whole,
                                  LittleEndian, 8, "", kTemplate, "data"));
  EXPECT_EQ(text, whole.data);

  FileConversionRequest toBinary = Request(Input("big.txt"), "big", "bin", TextToBinary);
  toBinary.unitSize = 8;
  toBinary.byteOrder = LittleEndian;
  ASSERT_EQ(ConvertFile(toBinary, monitor, &result), FileConversionStatus::Converted);
  EXPECT_EQ(result.bytesRead, text.size());
  std::vector<uint8_t> padded = data;
  padded.resize((data.size() + 7) / 8 * 8, 0);  // the partial unit came back whole
  EXPECT_EQ(test::ReadAll(dir_ / "big.bin"), data) << "the input is untouched";
  EXPECT_EQ(test::ReadAll(dir_ / "big(1).bin"), padded);
}

TEST_F(ConvertFileTest, FailuresAndEmptyInput) {
  SilentMonitor monitor;
  {
    SCOPED_TRACE("missing input: no output is made");
    DebugLines debug;
    FileConversionResult result;
    EXPECT_EQ(ConvertFile(Request(Input("none.bin"), "none", "txt"), monitor, &result),
              FileConversionStatus::InputNotOpened);
    EXPECT_FALSE(fs::exists(dir_ / "none.txt"));
    EXPECT_TRUE(result.outputPath.IsEmpty());
    EXPECT_TRUE(debug.lines.empty());
  }
  for (int32_t direction : {BinaryToText, TextToBinary}) {
    SCOPED_TRACE("empty input, direction " + std::to_string(direction));
    test::WriteAll(dir_ / "empty.dat", std::string());
    FileConversionResult result;
    EXPECT_EQ(ConvertFile(Request(Input("empty.dat"), "empty", "out", direction), monitor, &result),
              FileConversionStatus::Converted);
    EXPECT_EQ(Text(result.outputPath), PathOf("empty.out"));
    ASSERT_TRUE(fs::exists(dir_ / "empty.out"));
    EXPECT_EQ(fs::file_size(dir_ / "empty.out"), 0u);
    fs::remove(dir_ / "empty.out");
  }
}

TEST_F(ConvertFileTest, AMissingFolderEndsTheRowAtOnce) {
  test::WriteAll(dir_ / "in.bin", std::string("x"));
  FileConversionRequest request = Request(Input("in.bin"), "in", "txt");
  const std::string missing = PathOf("missing");
  request.outputFolder = missing.c_str();
  DebugLines debug;
  SilentMonitor monitor;
  FileConversionResult result;
  EXPECT_EQ(ConvertFile(request, monitor, &result), FileConversionStatus::OutputNotCreated);
  EXPECT_TRUE(result.outputPath.IsEmpty());
  // No numbered name is tried: the cause is the folder, and it is named.
  EXPECT_TRUE(debug.lines.empty());
  EXPECT_NE(result.systemError, 0);
  EXPECT_EQ(Text(result.failedPath), missing + kSeparator + "in.txt");
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  // The input was closed again: it can be replaced.
  test::WriteAll(dir_ / "in.bin", std::string("y"));
  EXPECT_EQ(AsString(test::ReadAll(dir_ / "in.bin")), "y");
}

TEST_F(ConvertFileTest, TextsAreCutToTheirLimits) {
  const std::vector<uint8_t> data = {0x5A};
  test::WriteAll(dir_ / "cut.bin", data);
  // 31 bytes of a valid format, then more that would make it invalid.
  const std::string format = "0x%02X" + std::string(25, '-') + "%d";
  const std::string arrayTemplate = "($ARRAY_NAME)($ARRAY_DATA)" + std::string(300, 't');
  const std::string name = std::string(127, 'n') + "EXTRA";
  FileConversionRequest request = Request(Input("cut.bin"), "cut", "txt");
  request.valueFormat = format.c_str();
  request.arrayTemplate = arrayTemplate.c_str();
  request.arrayName = name.c_str();
  SilentMonitor monitor;
  ASSERT_EQ(ConvertFile(request, monitor, nullptr), FileConversionStatus::Converted);
  EXPECT_EQ(AsString(test::ReadAll(dir_ / "cut.txt")), std::string(127, 'n') + "\r\n\t\t0x5A" +
                                                           std::string(25, '-') + "\r\n" +
                                                           std::string(255 - 26, 't') + "\r\n");
}

TEST_F(ConvertFileTest, UnitSizeZeroConvertsAsOne) {
  test::WriteAll(dir_ / "z.bin", std::vector<uint8_t>{1, 2});
  FileConversionRequest request = Request(Input("z.bin"), "z", "txt");
  request.unitSize = 0;
  request.arrayTemplate = "";
  SilentMonitor monitor;
  ASSERT_EQ(ConvertFile(request, monitor, nullptr), FileConversionStatus::Converted);
  EXPECT_EQ(AsString(test::ReadAll(dir_ / "z.txt")), "\r\n\t\t0x01,0x02\r\n");
}

// A cancelled text still ends well-formed and would pass for the whole
// array: no file is left, not even the temporary one.
TEST_F(ConvertFileTest, CancelLeavesNoOutput) {
  test::WriteAll(dir_ / "c.bin", RandomBytes(1000, 3));
  RecordingMonitor monitor;
  monitor.cancelRequested = 1;
  FileConversionResult result;
  EXPECT_EQ(ConvertFile(Request(Input("c.bin"), "c", "txt"), monitor, &result),
            FileConversionStatus::Cancelled);
  EXPECT_TRUE(result.outputPath.IsEmpty());
  std::vector<std::string> left;
  for (const auto& item : fs::directory_iterator(dir_.path()))
    left.push_back(item.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"c.bin"});
}

// A sparse file over 4 GiB: the size markers need no 64-bit truncation, and
// a cancel before the first value keeps the test to one block read.
TEST_F(ConvertFileTest, SizeMarkersOfAFileOver4GiB) {
  const uint64_t size = (uint64_t{5} << 30) + 3;
  { std::ofstream(dir_ / "big.bin", std::ios::binary).put('x'); }
  std::error_code error;
  fs::resize_file(dir_ / "big.bin", size, error);
  if (error) GTEST_SKIP() << "no room for a sparse file: " << error.message();
  RecordingMonitor monitor;
  monitor.cancelRequested = 1;
  FileConversionRequest request = Request(Input("big.bin"), "big", "txt");
  request.unitSize = 8;
  request.arrayTemplate = "($FILE_NAME) ($ARRAY_SIZE) ($ARRAY_COUNT)($ARRAY_DATA)";
  FileConversionResult result;
  CFile input;
  CString path;
  ASSERT_TRUE(path.AssignText(request.inputPath));
  ASSERT_TRUE(input.Open(path));
  MemoryFile output;
  EXPECT_EQ(ConvertOpenFile(request, input, output, monitor, &result),
            FileConversionStatus::Cancelled);
  EXPECT_EQ(result.bytesRead, kReadBlockSize);
  EXPECT_EQ(output.data, "big.bin 5368709123 671088641\r\n\r\n\r\n");
}

// A pipe's size is known only at its end: the size markers wait for it.
TEST_F(ConvertFileTest, SizeMarkersOfAnInputOfUnknownSize) {
  const std::string content = AsString(RandomBytes(2 * kReadBlockSize + 3, 8));
  MemoryInput input(content, 0);
  input.sizeKnown = false;
  MemoryFile output;
  SilentMonitor monitor;
  FileConversionRequest request = Request("pipe", "p", "txt");
  request.unitSize = 4;
  request.arrayTemplate = "($ARRAY_SIZE) ($ARRAY_COUNT)($ARRAY_DATA)";
  FileConversionResult result;
  EXPECT_EQ(ConvertOpenFile(request, input, output, monitor, &result),
            FileConversionStatus::Converted);
  MemoryFile expected;
  ConvertBinaryToText(monitor, reinterpret_cast<const uint8_t*>(content.data()),
                      static_cast<int32_t>(content.size()), expected, 0, 4, "",
                      "2097155 524289($ARRAY_DATA)", "data");
  EXPECT_EQ(output.data, expected.data);
  EXPECT_TRUE(fs::is_empty(dir_.path())) << "the spooled copy is removed";
}

// Size markers only after the data need no spooled copy: the size is known
// once the data is written. The output folder does not exist, so a spool
// could not be made there.
TEST_F(ConvertFileTest, SizeMarkersAfterTheDataOfAnInputOfUnknownSize) {
  const std::string content = AsString(RandomBytes(kReadBlockSize + 5, 3));
  struct Row {
    const char* arrayTemplate;
    FileConversionStatus status;
    const char* tail;
  };
  const Row rows[] = {
      {"{($ARRAY_DATA)} ($ARRAY_SIZE) ($ARRAY_COUNT)", FileConversionStatus::Converted,
       "} 1048581 262146\r\n"},
      {"($ARRAY_STRING) ($ARRAY_COUNT)", FileConversionStatus::Converted, " 1048581\r\n"},
      {"($ARRAY_SIZE)($ARRAY_DATA)", FileConversionStatus::OutputNotCreated, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arrayTemplate);
    MemoryInput input(content, 0);
    input.sizeKnown = false;
    MemoryFile output;
    SilentMonitor monitor;
    FileConversionRequest request = Request("pipe", "p", "txt");
    const std::string missing = PathOf("missing");
    request.outputFolder = missing.c_str();
    request.unitSize = 4;
    request.arrayTemplate = row.arrayTemplate;
    EXPECT_EQ(ConvertOpenFile(request, input, output, monitor, nullptr), row.status);
    if (row.tail == nullptr) continue;
    // A literal of unknown size stands between the lines that quiet gcc.
    const std::string tail =
        std::string(row.tail) +
        (std::strstr(row.arrayTemplate, "STRING") != nullptr ? kStringPragmaClosing : "");
    ASSERT_GE(output.data.size(), tail.size());
    EXPECT_EQ(output.data.substr(output.data.size() - tail.size()), tail);
  }
}

// ConvertOpenFile with inputs in memory: block reads, short and failed reads,
// short writes.
TEST(ConvertOpenFileTest, ReadsInBlocksAndHandlesShortInput) {
  const std::string text = [] {
    std::string t;
    for (int i = 0; i < 300000; ++i)
      t += "0x" + std::to_string(i % 10) + ",";
    return t;
  }();
  struct Row {
    const char* name;
    int32_t direction;
    std::string content;
    uint64_t claimed;
    FileConversionStatus status;
    size_t used;  // bytes of content the output must stand for
  };
  const std::string binary = AsString(RandomBytes(kReadBlockSize + 100, 6));
  const Row rows[] = {
      {"whole binary", BinaryToText, binary, binary.size(), FileConversionStatus::Converted,
       binary.size()},
      {"shrunk binary", BinaryToText, binary.substr(0, 5000), binary.size(),
       FileConversionStatus::InputShort, 5000},
      {"whole text", TextToBinary, text, text.size(), FileConversionStatus::Converted, text.size()},
      {"shrunk text", TextToBinary, text.substr(0, kReadBlockSize + 7), text.size(),
       FileConversionStatus::InputShort, kReadBlockSize + 7},
      {"grown text: only the size at open is read", TextToBinary, text + "0x99,", text.size(),
       FileConversionStatus::Converted, text.size()},
      {"nothing readable", BinaryToText, "", 10, FileConversionStatus::ReadFailed, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DebugLines debug;
    MemoryInput input(row.content, row.claimed);
    input.name.AssignBytes("in.dat", 6);
    MemoryFile output;
    RecordingMonitor monitor;
    FileConversionRequest request;
    request.direction = row.direction;
    request.arrayTemplate = kTemplate;
    request.arrayName = "n";
    FileConversionResult result;
    EXPECT_EQ(ConvertOpenFile(request, input, output, monitor, &result), row.status);
    EXPECT_EQ(result.bytesRead, row.used);
    for (uint32_t size : input.readSizes)
      EXPECT_LE(size, kReadBlockSize);

    std::string expected;
    if (row.status != FileConversionStatus::ReadFailed) {
      const std::string used = row.content.substr(0, row.used);
      MemoryFile whole;
      SilentMonitor silent;
      if (row.direction == BinaryToText) {
        ConvertBinaryToText(silent, reinterpret_cast<const uint8_t*>(used.data()),
                            static_cast<int32_t>(used.size()), whole, 0, 1, "", kTemplate, "n");
      } else {
        ConvertTextToBinary(silent, used.data(), static_cast<int32_t>(used.size()), whole, 0, 1);
      }
      expected = whole.data;
    }
    EXPECT_EQ(output.data, expected);
    if (row.status == FileConversionStatus::InputShort) {
      EXPECT_EQ(debug.lines, std::vector<std::string>{"input file short = in.dat\n"});
    } else {
      EXPECT_TRUE(debug.lines.empty());
    }
  }
}

TEST(ConvertOpenFileTest, ShortWritesAreReported) {
  for (int32_t direction : {BinaryToText, TextToBinary}) {
    SCOPED_TRACE(direction);
    const std::string content = "0x12,0x34\r\n";
    MemoryInput input(content, content.size());
    MemoryFile output;
    output.failFrom = 0;
    SilentMonitor monitor;
    FileConversionRequest request;
    request.direction = direction;
    EXPECT_EQ(ConvertOpenFile(request, input, output, monitor, nullptr),
              FileConversionStatus::WriteFailed);
  }
}

TEST(ConvertOpenFileTest, StatusesHaveDescriptions) {
  for (auto status : {FileConversionStatus::Converted, FileConversionStatus::Cancelled,
                      FileConversionStatus::InputNotOpened, FileConversionStatus::OutputNotCreated,
                      FileConversionStatus::ReadFailed, FileConversionStatus::InputShort,
                      FileConversionStatus::WriteFailed, FileConversionStatus::OutOfMemory,
                      FileConversionStatus::NoOutputName}) {
    SCOPED_TRACE(static_cast<int>(status));
    EXPECT_GT(std::string(DescribeFileConversionStatus(status)).size(), 5u);
  }
}

// The array name a stem gives, and whether the stem itself would do.
TEST(ArrayNameTest, StemsBecomeCIdentifiers) {
  const struct {
    const char* stem;
    const char* derived;
    bool identifier;
  } cases[] = {
      {"logo", "logo", true},
      {"_x9", "_x9", true},
      {"Z", "Z", true},
      {"", "data", false},
      {"63", "_63", false},
      {"1-starts-with-digit", "_1_starts_with_digit", false},
      {"with space", "with_space", false},
      {"weird-name (copy) [1]", "weird_name__copy___1_", false},
      {"archive.tar", "archive_tar", false},
      {"a$b@c`d~", "a_b_c_d_", false},
      {"tab\there", "tab_here", false},
      {"\xE7\x94\xBB\xE5\x83\x8F", "\xE7\x94\xBB\xE5\x83\x8F", true},  // bytes above 127 kept
      {"9\xE7\x94\xBB", "_9\xE7\x94\xBB", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stem);
    CString name;
    ASSERT_TRUE(MakeArrayName(c.stem, &name));
    EXPECT_STREQ(c.derived, name.Text());
    EXPECT_TRUE(IsArrayIdentifier(name.Text()));
    EXPECT_EQ(c.identifier, IsArrayIdentifier(c.stem));
  }
  EXPECT_FALSE(IsArrayIdentifier(nullptr));
}

}  // namespace
