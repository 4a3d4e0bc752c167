// brelvix-cli's commands run inside this process, so that their allocations
// can be made to fail: whichever copy fails, a file converts whole or the
// command fails without leaving a file, and never writes under another name.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file.h"
#include "cli/cli.h"
#include "support/allocation_failure.h"
#include "support/test_support.h"
#include "ui/list/csv_file_list.h"

namespace {

namespace fs = std::filesystem;

// The names in a folder, sorted.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Standard error goes to a file while in scope; Text() gives what came.
class CaptureStandardError {
 public:
  explicit CaptureStandardError(const fs::path& file) : file_(file) {
    std::fflush(stderr);
#if defined(_WIN32)
    saved_ = _dup(2);
    if (std::freopen(file.string().c_str(), "w", stderr) == nullptr) std::abort();
#else
    saved_ = dup(2);
    if (std::freopen(file.c_str(), "w", stderr) == nullptr) std::abort();
#endif
  }
  ~CaptureStandardError() {
    std::fflush(stderr);
#if defined(_WIN32)
    _dup2(saved_, 2);
    _close(saved_);
#else
    dup2(saved_, 2);
    close(saved_);
#endif
  }
  CaptureStandardError(const CaptureStandardError&) = delete;
  CaptureStandardError& operator=(const CaptureStandardError&) = delete;

  std::string Text() const {
    std::fflush(stderr);
    const std::vector<uint8_t> bytes = test::ReadAll(file_);
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  fs::path file_;
  int saved_ = -1;
};

int RunTool(const std::vector<std::string>& args) {
  std::vector<const char*> pointers = {"brelvix-cli"};
  for (const std::string& arg : args)
    pointers.push_back(arg.c_str());
  return RunCli(static_cast<int>(pointers.size()), pointers.data());
}

TEST(CliMemoryTest, EveryFailedCopyStopsTheFileWhole) {
  test::TempDir dir;
  const fs::path in = dir / "in";
  const fs::path out = dir / "out";
  fs::create_directories(in);
  test::WriteAll(in / "data.bin", std::string("\x01\x02\xFE\xFF", 4));
  test::WriteAll(in / "data.txt", std::string("0x01, 0x02, 0xFE, 0xFF"));
  const std::string dataBin = (in / "data.bin").string();
  const std::string dataTxt = (in / "data.txt").string();
  const std::string outFolder = out.string();
  // A list of data.bin with the default settings, and a template file.
  const fs::path lists = dir / "lists";
  fs::create_directories(lists);
  {
    FileListSettings settings;
    settings.direction = 0;
    settings.unitSize = 1;
    settings.valueFormat.AssignText("0x%02X");
    settings.arrayTemplate.AssignText("unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};");
    CFileList list;
    ASSERT_GE(list.AddFilePath(test::WidePath(in / "data.bin").c_str(), 0), 0);
    ASSERT_EQ(WriteCsvFileList(test::WidePath(lists / "list.csv").c_str(), settings, list),
              kCsvWriteOk);
  }
  test::WriteAll(lists / "template.txt", std::string("char ($ARRAY_NAME)[] = {($ARRAY_DATA)};"));
  const std::string listFile = (lists / "list.csv").string();
  const std::string templateFile = (lists / "template.txt").string();
  CString noMemoryText;
  DescribeSystemError(kSystemErrorNoMemory, &noMemoryText);
  const std::string noMemory = noMemoryText.Text();
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* output;  // the one file the command makes in out
  } cases[] = {
      {"to-text into a folder",
       {"to-text", "--no-settings", "-q", dataBin, "-o", outFolder},
       "data.txt"},
      {"to-text, an output file named",
       {"to-text", "--no-settings", "-q", dataBin, "-O", (out / "named.h").string()},
       "named.h"},
      {"to-text --update",
       {"to-text", "--no-settings", "-q", "--update", dataBin, "-o", outFolder},
       "data.txt"},
      {"to-text, a template file",
       {"to-text", "--no-settings", "-q", "--template-file", templateFile, dataBin, "-o",
        outFolder},
       "data.txt"},
      {"run a list", {"run", "-q", listFile, "-o", outFolder}, "data.txt"},
      {"to-binary into a folder",
       {"to-binary", "--no-settings", "-q", dataTxt, "-o", outFolder},
       "data.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(out);
    fs::create_directories(out);
    ASSERT_EQ(RunTool(c.args), kExitOk);
    ASSERT_EQ(Names(out), std::vector<std::string>{c.output});
    const std::vector<uint8_t> expected = test::ReadAll(out / c.output);
    const int64_t failures = test::SweepAllocationFailures([&](int64_t skip) {
      SCOPED_TRACE("allocation " + std::to_string(skip) + " fails");
      fs::remove_all(out);
      fs::create_directories(out);
      int status = 0;
      bool fired = false;
      std::string message;
      {
        CaptureStandardError capture(dir / "stderr.txt");
        fired = test::RunFailingAllocation(skip, [&] { status = RunTool(c.args); });
        message = capture.Text();
      }
      if (status == kExitOk) {
        EXPECT_EQ(Names(out), std::vector<std::string>{c.output});
        EXPECT_EQ(test::ReadAll(out / c.output), expected);
      } else {
        EXPECT_TRUE(fired);
        EXPECT_EQ(status, kExitFailed);
        EXPECT_EQ(Names(out), std::vector<std::string>{});
        // The cause, not another failure's message.
        EXPECT_TRUE(message.find("out of memory") != std::string::npos ||
                    message.find(noMemory) != std::string::npos)
            << message;
      }
      EXPECT_EQ(Names(in), (std::vector<std::string>{"data.bin", "data.txt"}));
      return fired;
    });
    EXPECT_GE(failures, 5);
  }
}

}  // namespace
