// brelvix-cli run as a child process on files in a fresh folder: exit
// statuses, messages, the files it makes and the files it leaves alone.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/file.h"
#include "bx_version.h"
#include "convert/binary_to_text.h"
#include "convert/conversion_monitor.h"
#include "convert/text_to_binary.h"
#include "support/process.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using test::ProcessResult;
using test::RunProcess;

#if defined(_WIN32)
const std::string kSeparator = "\\";
const std::string kLineEnd = "\r\n";  // the console streams are text streams there
#else
const std::string kSeparator = "/";
const std::string kLineEnd = "\n";
#endif

// Lines as the program prints them.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + kLineEnd;
  return text;
}

const char kTemplate[] = "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};";

class MemoryFile : public CFile {
 public:
  uint32_t Write(const void* buffer, uint32_t count, uint64_t = kCurrentPosition) override {
    data.append(static_cast<const char*>(buffer), count);
    return count;
  }
  std::string data;
};

// What the converters give for the same settings: the CLI must hand them
// over unchanged.
std::string ToText(const std::string& data, int byteOrder, int unitSize, const char* format,
                   const char* arrayTemplate, const char* name) {
  SilentMonitor monitor;
  MemoryFile output;
  ConvertBinaryToText(monitor, reinterpret_cast<const uint8_t*>(data.data()),
                      static_cast<int32_t>(data.size()), output, byteOrder, unitSize, format,
                      arrayTemplate, name);
  return output.data;
}

std::string ToBinary(const std::string& text, int byteOrder, int unitSize) {
  SilentMonitor monitor;
  MemoryFile output;
  ConvertTextToBinary(monitor, text.data(), static_cast<int32_t>(text.size()), output, byteOrder,
                      unitSize);
  return output.data;
}

std::string Sample(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<char>((i * 37 + 11) & 0xFF);
  return bytes;
}

class CliTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directory(work_); }

  ProcessResult Run(const std::vector<std::string>& args, const std::string& input = {}) {
    return RunProcess(BX_CLI_PATH, args, work_, input);
  }

  void Write(const std::string& name, const std::string& bytes) {
    test::WriteAll(work_ / name, bytes);
  }
  std::string Read(const std::string& name) {
    const auto bytes = test::ReadAll(work_ / name);
    return std::string(bytes.begin(), bytes.end());
  }
  bool Exists(const std::string& name) { return fs::exists(work_ / name); }

  // Every file under the work folder with its content.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(work_)) {
      if (!entry.is_regular_file()) continue;
      const auto bytes = test::ReadAll(entry.path());
      files[fs::relative(entry.path(), work_).generic_string()] =
          std::string(bytes.begin(), bytes.end());
    }
    return files;
  }

  test::TempDir dir_;
  fs::path work_ = dir_ / "work";
};

TEST_F(CliTest, BadUsageChangesNothing) {
  Write("a.bin", "\x01\x02");
  Write("b.bin", "\x03");
  struct Row {
    std::vector<std::string> args;
    const char* message;
  };
  const Row rows[] = {
      {{}, "a command is needed"},
      {{"frob"}, "unknown command 'frob'"},
      {{"--frob"}, "unknown option '--frob'"},
      {{"to-text"}, "no input FILE"},
      {{"to-binary", "-q"}, "no input FILE"},
      {{"to-text", "-x", "a.bin"}, "unknown option '-x'"},
      {{"to-text", "--sizes", "2", "a.bin"}, "unknown option '--sizes'"},
      {{"to-text", "-s", "3", "a.bin"}, "the size must be 1, 2, 4 or 8, not '3'"},
      {{"to-text", "-s", "0", "a.bin"}, "the size must be 1, 2, 4 or 8"},
      {{"to-text", "--size=16", "a.bin"}, "the size must be 1, 2, 4 or 8"},
      {{"to-binary", "-s", "two", "a.bin"}, "the size must be 1, 2, 4 or 8"},
      {{"to-text", "a.bin", "-s"}, "option '-s' needs a value"},
      {{"to-text", "-e", "middle", "a.bin"}, "the byte order must be 'big' or 'little'"},
      {{"to-text", "-f", "%s", "a.bin"}, "invalid format '%s'"},
      {{"to-text", "-f", "%d%d", "a.bin"}, "more than one conversion"},
      {{"to-text", "-f", "%*d", "a.bin"}, "'*'"},
      {{"to-text", "-f", "0x", "a.bin"}, "no conversion"},
      {{"to-text", "-f", "%96X", "a.bin"}, "longer than 95 characters"},
      {{"to-text", "-f", "0x%02X" + std::string(26, ' '), "a.bin"}, "is longer than 31 bytes"},
      {{"to-text", "-t", std::string(256, 't'), "a.bin"}, "the template is longer than 255 bytes"},
      {{"to-text", "-n", std::string(128, 'n'), "a.bin"},
       "the array name is longer than 127 bytes"},
      {{"to-text", "-n", "x", "a.bin", "b.bin"}, "'-n' names one array"},
      {{"to-text", "-o", "-", "a.bin", "b.bin"}, "'-o -' writes one output"},
      {{"to-text", "-o", "", "a.bin"}, "the output folder is empty"},
      {{"to-text", "-O", "x.c", "a.bin", "b.bin"}, "'-O' names one output"},
      {{"to-binary", "-O", "x", "-o", "d", "a.bin"}, "does not go with '-o'"},
      {{"to-text", "--update", "-o", "-", "a.bin"}, "does not go with '-o -'"},
      {{"to-binary", "-f", "%d", "a.bin"}, "unknown option '-f'"},
      {{"to-binary", "-n", "x", "a.bin"}, "unknown option '-n'"},
      {{"to-text", "--template-file", "none.txt", "a.bin"}, "cannot open the template file"},
      {{"to-text", "--quiet=yes", "a.bin"}, "takes no value"},
  };
  const auto before = Snapshot();
  for (const Row& row : rows) {
    std::string line;
    for (const auto& arg : row.args)
      line += "[" + arg + "] ";
    SCOPED_TRACE(line);
    const ProcessResult result = Run(row.args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("--help"), std::string::npos) << "points to the help";
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(CliTest, OverlongTemplateFile) {
  Write("a.bin", "\x01");
  Write("long.tpl", std::string(256, 'x'));
  Write("zero.tpl", std::string("a\0b", 3));
  const auto before = Snapshot();
  for (const char* file : {"long.tpl", "zero.tpl"}) {
    SCOPED_TRACE(file);
    const ProcessResult result = Run({"to-text", "--template-file", file, "a.bin"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find(file), std::string::npos) << result.err;
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(CliTest, HelpAndVersion) {
  struct Row {
    std::vector<std::string> args;
    std::vector<const char*> mentions;
  };
  const Row rows[] = {
      {{"--help"}, {"Usage: brelvix-cli COMMAND", "to-text", "to-binary", "--version"}},
      {{"-h"}, {"to-text", "to-binary"}},
      {{"to-text", "--help"},
       {"--template-file", "--format", "-o, --output DIR", "no file is ever replaced",
        "Exit status"}},
      {{"to-text", "a.bin", "-h"}, {"Usage: brelvix-cli to-text"}},
      {{"to-binary", "--help"}, {"Usage: brelvix-cli to-binary", "&H", "--endian"}},
      {{"--version"}, {"brelvix-cli " BX_VERSION_TEXT}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.back());
    const ProcessResult result = Run(row.args);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    for (const char* mention : row.mentions) {
      EXPECT_NE(result.out.find(mention), std::string::npos) << mention << " in\n" << result.out;
    }
  }
  EXPECT_TRUE(Snapshot().empty()) << "help makes no files";
}

TEST_F(CliTest, ToTextWithTheProgramDefaults) {
  const std::string data = Sample(300);
  Write("photo.png", data);
  const ProcessResult result = Run({"to-text", "photo.png"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, Lines({"photo.txt"}));
  // Size 1, big endian, "0x%02X", the default template, named after the stem.
  EXPECT_EQ(Read("photo.txt"), ToText(data, 0, 1, "0x%02X", kTemplate, "photo"));
  EXPECT_EQ(Read("photo.png"), data);
}

TEST_F(CliTest, OptionsReachTheConverter) {
  const std::string data = Sample(77);
  Write("in.dat", data);
  Write("tpl.txt",
        "// \xe9\x85\x8d\xe5\x88\x97\r\nuint16_t ($ARRAY_NAME)[] = {($ARRAY_DATA)};\r\n");
  struct Row {
    std::vector<std::string> options;
    int byteOrder;
    int unitSize;
    const char* format;
    std::string arrayTemplate;
    const char* name;
  };
  const Row rows[] = {
      {{"-s", "2", "-e", "little", "-f", ""}, 1, 2, "", kTemplate, "in"},
      {{"--size=4", "--endian=big", "--format=%u"}, 0, 4, "%u", kTemplate, "in"},
      {{"-s8", "-f", "%#06llx", "-n", "table"}, 0, 8, "%#06llx", kTemplate, "table"},
      {{"-s", "2", "-t", "T ($ARRAY_NAME) ($ARRAY_DATA) end"},
       0,
       2,
       "0x%02X",
       "T ($ARRAY_NAME) ($ARRAY_DATA) end",
       "in"},
      {{"-t", ""}, 0, 1, "0x%02X", "", "in"},
      {{"--template-file", "tpl.txt", "-f", "&H%04X", "--name", "words"},
       0,
       1,
       "&H%04X",
       "// \xe9\x85\x8d\xe5\x88\x97\r\nuint16_t ($ARRAY_NAME)[] = {($ARRAY_DATA)};\r\n",
       "words"},
  };
  for (const Row& row : rows) {
    std::vector<std::string> args = {"to-text", "-o", "-"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    args.push_back("in.dat");
    SCOPED_TRACE(row.options[0] + " " + row.options[1]);
    const auto before = Snapshot();
    const ProcessResult result = Run(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, ToText(data, row.byteOrder, row.unitSize, row.format,
                                 row.arrayTemplate.c_str(), row.name));
    EXPECT_EQ(Snapshot(), before) << "standard output only";
  }
}

TEST_F(CliTest, NeverReplacesAFile) {
  const std::string data = Sample(40);
  Write("a.bin", data);
  Write("a.txt", "mine");
  Write("a(2).txt", "mine too");
  const ProcessResult first = Run({"to-text", "a.bin"});
  const ProcessResult second = Run({"to-text", "a.bin"});
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(first.out, Lines({"a(1).txt"}));
  EXPECT_EQ(second.out, Lines({"a(3).txt"}));
  EXPECT_EQ(Read("a.txt"), "mine");
  EXPECT_EQ(Read("a(2).txt"), "mine too");
  EXPECT_EQ(Read("a(1).txt"), ToText(data, 0, 1, "0x%02X", kTemplate, "a"));
  EXPECT_EQ(Read("a(3).txt"), Read("a(1).txt"));
}

TEST_F(CliTest, RoundTripThroughAnOutputFolder) {
  const std::string data = Sample(1000);
  Write("fw.bin", data);
  fs::create_directory(work_ / "gen");
  const ProcessResult text =
      Run({"to-text", "-s", "4", "-e", "little", "-f", "", "-o", "gen/", "-q", "fw.bin"});
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out, "") << "-q lists nothing";
  ASSERT_TRUE(Exists("gen/fw.txt"));
  const ProcessResult binary =
      Run({"to-binary", "-s", "4", "-e", "little", "-o", "gen", "gen/fw.txt"});
  EXPECT_EQ(binary.exitCode, 0) << binary.err;
  EXPECT_EQ(binary.out, Lines({"gen" + kSeparator + "fw.bin"}));
  EXPECT_EQ(Read("gen/fw.bin"), data);
  EXPECT_EQ(Read("fw.bin"), data);
}

TEST_F(CliTest, ToBinaryToStandardOutput) {
  const std::string text = "x = {0x1234, 0xABCD,&h00FF};\r\n0x5";
  Write("t.txt", text);
  struct Row {
    std::vector<std::string> options;
    int byteOrder;
    int unitSize;
  };
  const Row rows[] = {
      {{}, 0, 1}, {{"-s", "2"}, 0, 2}, {{"-s", "2", "-e", "little"}, 1, 2}, {{"-s", "8"}, 0, 8}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.unitSize * 10 + row.byteOrder);
    std::vector<std::string> args = {"to-binary", "-o", "-"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    args.push_back("t.txt");
    const ProcessResult result = Run(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, ToBinary(text, row.byteOrder, row.unitSize));
  }
  EXPECT_EQ(Snapshot().size(), 1u);
}

TEST_F(CliTest, OneFailedFileFailsTheRunButNotTheOthers) {
  Write("one.bin", "\x01");
  Write("three.bin", "\x03");
  Write("empty.bin", "");
  const ProcessResult result = Run({"to-text", "one.bin", "two.bin", "three.bin", "empty.bin"});
  EXPECT_EQ(result.exitCode, 1);
  // The system's own words for the cause follow.
  EXPECT_EQ(result.err.rfind("brelvix-cli: two.bin: cannot open the file for reading: ", 0), 0u)
      << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_EQ(result.out, Lines({"one.txt", "three.txt", "empty.txt"}));
  EXPECT_EQ(Read("one.txt"), ToText("\x01", 0, 1, "0x%02X", kTemplate, "one"));
  EXPECT_EQ(Read("three.txt"), ToText("\x03", 0, 1, "0x%02X", kTemplate, "three"));
  EXPECT_EQ(Read("empty.txt"), "") << "an empty input gives an empty output";
  EXPECT_FALSE(Exists("two.txt"));
}

TEST_F(CliTest, AMissingOutputFolderIsReported) {
  Write("a.bin", "\x01");
  const auto before = Snapshot();
  const ProcessResult result = Run({"to-binary", "-o", "nowhere", "a.bin"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("a.bin: cannot create 'nowhere" + kSeparator + "a.bin'"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(Snapshot(), before);
}

// Hostile inputs and faults: each row ends with a complete right output or a
// message and status 1, and never leaves a partial or temporary file.
TEST_F(CliTest, HostileInputsAndFaults) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string input;  // through a pipe on standard input
    int exitCode;
    std::string output;     // the file made ("-": standard output), or none
    std::string content;    // its bytes
    std::string message;    // a part of standard error ("": none at all)
    std::string posixOnly;  // a shell command run ahead of the tool on POSIX
  };
  const std::string longName(300, 'n');
  // Fits as a name; its output name, three bytes longer, does not.
  const std::string longStem(253, 's');
  if (fs::path::preferred_separator == '/') Write(longStem + ".b", "\x01");
  const std::string units = std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  Write("units.bin", units);
  Write("t.txt", "0x1FU,0x20,\n0x30h 0x40");
  Write("none.txt", "no numbers here");
  Write("c.c", "int a[] = {0x01,0X02};\nf(0x3);");
  Write("w.txt", "0x1234,\n-0x05,\n0x,\n");
  Write("big.bin", Sample(8192));
  Write(".profile", "\x2A");
  fs::create_directory(work_ / "out");
  Write("out/.txt", "taken");
  const Row rows[] = {
      {"pipe to standard output",
       {"to-binary", "-o", "-", "-"},
       "0x12,0x34,",
       0,
       "-",
       "\x12\x34",
       "",
       ""},
      {"standard input to a file",
       {"to-text", "-q", "-n", "arr", "-"},
       "\x01",
       0,
       "stdin.txt",
       ToText("\x01", 0, 1, "0x%02X", kTemplate, "arr"),
       "",
       ""},
      {"name too long",
       {"to-text", "-o", longName, "units.bin"},
       "",
       1,
       "",
       "",
       "units.bin: cannot create '" + longName + kSeparator + "units.txt': ",
       ""},
      {".profile numbers before its extension",
       {"to-text", "-q", "-o", "out", ".profile"},
       "",
       0,
       "out/(1).txt",
       ToText("\x2A", 0, 1, "0x%02X", kTemplate, "data"),
       "",
       ""},
      {"I64 format",
       {"to-text", "-s", "8", "-f", "0x%016I64X", "-o", "-", "units.bin"},
       "",
       0,
       "-",
       ToText(units, 0, 8, "0x%016llX", kTemplate, "units"),
       "",
       ""},
      {"narrow format warns",
       {"to-text", "-s", "8", "-o", "-", "units.bin"},
       "",
       0,
       "-",
       ToText(units, 0, 8, "0x%02X", kTemplate, "units"),
       "warning: the format '0x%02X' shows only the low 32 bits of each 8-byte value",
       ""},
      {"--strict refuses a narrow format, -q or not",
       {"to-text", "--strict", "-q", "-s", "8", "-o", "-", "units.bin"},
       "",
       1,
       "-",
       "",
       "brelvix-cli: the format '0x%02X' shows only the low 32 bits of each 8-byte value",
       ""},
      {"--strict takes the size's own format",
       {"to-text", "--strict", "-s", "8", "-f", "", "-o", "-", "units.bin"},
       "",
       0,
       "-",
       ToText(units, 0, 8, "0x%016llX", kTemplate, "units"),
       "",
       ""},
      {"dropped numbers warn",
       {"to-binary", "-o", "-", "t.txt"},
       "",
       0,
       "-",
       "\x20\x40",
       "t.txt: 2 prefixed numbers were dropped: a character other than a tab, line break, blank "
       "or comma ended them (the first on line 1); --syntax c also ends a number at '}', ')', "
       "']' or ';'\n",
       ""},
      {"the C syntax takes what a compiler takes",
       {"to-binary", "--syntax", "c", "-o", "-", "c.c"},
       "",
       0,
       "-",
       "\x01\x02\x03",
       "",
       ""},
      {"numbers kept with a doubt warn, each kind once",
       {"to-binary", "-o", "-", "w.txt"},
       "",
       0,
       "-",
       std::string("\x34\x05\x00", 3),
       "w.txt: 1 number is wider than 1 byte; only its low 2 hex digits are written (the first "
       "on line 1)\nbrelvix-cli: warning: w.txt: 1 number has a minus sign before the prefix; the "
       "sign is ignored (the first on line 2)\nbrelvix-cli: warning: w.txt: 1 prefix without "
       "digits is written as 0 (the first on line 3)\n",
       ""},
      {"a syntax it does not know",
       {"to-binary", "--syntax=C", "c.c"},
       "",
       2,
       "",
       "",
       "the syntax must be 'plain' or 'c', not 'C'",
       ""},
      {"standard input with its size after the data",
       {"to-text", "-q", "-t", "{($ARRAY_DATA)}($ARRAY_SIZE) ($ARRAY_NAME)", "-"},
       "\x01\x02",
       0,
       "stdin.txt",
       "{\r\n\t\t0x01,0x02\r\n}2 stdin\r\n",
       "",
       ""},
      {"a name given by hand is kept, with a warning when it does not compile",
       {"to-text", "-n", "my-data", "-o", "-", "units.bin"},
       "",
       0,
       "-",
       ToText(units, 0, 1, "0x%02X", kTemplate, "my-data"),
       "warning: the array name 'my-data' is not a C identifier",
       ""},
      {"the array name of standard input through <(...) is made an identifier",
       {"to-text", "-o", "-", "/dev/fd/5"},
       "",
       0,
       "-",
       ToText("\x2A", 0, 1, "0x%02X", kTemplate, "_5"),
       "",
       "exec 5< .profile && "},
      {"-q silences warnings",
       {"to-binary", "-q", "-o", "-", "t.txt"},
       "",
       0,
       "-",
       "\x20\x40",
       "",
       ""},
      {"no prefixed number warns",
       {"to-binary", "-o", "-", "none.txt"},
       "",
       0,
       "-",
       "",
       "none.txt: no number with the prefix 0x, &H or &h was found",
       ""},
      {"control characters escaped",
       {"to-text", "a\x1b[2Jb"},
       "",
       1,
       "",
       "",
       "a\\x1B[2Jb: cannot open the file for reading",
       ""},
      {"FIFO input",
       {"to-binary", "-q", "fifo"},
       "",
       0,
       "fifo.bin",
       "\x41\x42",
       "",
       "mkfifo fifo && (printf '0x41,0x42,' > fifo &) && "},
      // The system says 0 bytes; the file holds the tool's own arguments.
      {"/proc file",
       {"to-text", "-o", "-", "/proc/self/cmdline"},
       "",
       0,
       "-",
       ToText(std::string(BX_CLI_PATH) + '\0' + "to-text" + '\0' + "-o" + '\0' + "-" + '\0' +
                  "/proc/self/cmdline" + '\0',
              0, 1, "0x%02X", kTemplate, "cmdline"),
       "",
       "true && "},
      {"-O - is standard output",
       {"to-binary", "-q", "-O", "-", "t.txt"},
       "",
       0,
       "-",
       "\x20\x40",
       "",
       ""},
      // A hard failure is final: no numbered name is tried after it.
      {"output name too long",
       {"to-text", longStem + ".b"},
       "",
       1,
       "",
       "",
       "cannot create '" + longStem + ".txt': File name too long",
       "true && "},
      // A spool that cannot be written fails the row and names its path,
      // in the system's temporary folder when the output is standard output.
      {"standard input spool write fault",
       {"to-text", "-o", "-", "-t", "n=($ARRAY_SIZE)", "-"},
       Sample(8192),
       1,
       "",
       "",
       "spool" + kSeparator + "~brelvix-",
       "mkdir -p spool && TMPDIR=$PWD/spool && export TMPDIR && trap '' XFSZ && ulimit -f 1 && "},
      {"write fault under -O names the cause",
       {"to-text", "-q", "-O", "big.c", "big.bin"},
       "",
       1,
       "",
       "",
       "big.bin: writing the output fell short (disk full?) ('big.c'): File too large",
       "trap '' XFSZ; ulimit -f 2; "},
      {"write fault mid-row",
       {"to-text", "-q", "big.bin"},
       "",
       1,
       "",
       "",
       "big.bin: writing the output fell short",
       // Files may grow to 2 blocks: enough for the message, not the output.
       "trap '' XFSZ; ulimit -f 2; "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ProcessResult result;
    if (!row.posixOnly.empty()) {
#if defined(_WIN32)
      continue;
#else
      std::vector<std::string> args = {"-c", row.posixOnly + "exec \"$0\" \"$@\"", BX_CLI_PATH};
      args.insert(args.end(), row.args.begin(), row.args.end());
      // A device takes what a row without an output file writes there, past
      // any size limit the row sets.
      result = RunProcess("/bin/sh", args, work_, row.input, row.output.empty() ? "/dev/null" : "");
#endif
    } else {
      result = Run(row.args, row.input);
    }
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    if (row.message.empty()) {
      EXPECT_EQ(result.err, "");
    } else {
      // Lines end in CR LF on Windows.
      std::string err = result.err;
      err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
      EXPECT_NE(err.find(row.message), std::string::npos) << result.err;
      EXPECT_EQ(result.err.find('\x1b'), std::string::npos);
    }
    if (row.output == "-") {
      EXPECT_EQ(result.out, row.content);
    } else if (!row.output.empty()) {
      EXPECT_EQ(Read(row.output), row.content);
      fs::remove(work_ / row.output);
    }
    for (const auto& file : Snapshot()) {
      EXPECT_EQ(file.first.find("~brelvix-"), std::string::npos) << file.first;
    }
  }
  EXPECT_EQ(Read("out/.txt"), "taken");
  EXPECT_FALSE(Exists("units.txt"));
  EXPECT_FALSE(Exists("big.txt"));
}

#if !defined(_WIN32)
TEST_F(CliTest, StandardOutputThatCannotBeWrittenFails) {
  Write("a.bin", "\x01");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, std::vector<std::string>{"to-text", "a.bin"}}) {
    SCOPED_TRACE(args[0]);
    const ProcessResult result = RunProcess(BX_CLI_PATH, args, work_, {}, "/dev/full");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot write to standard output"), std::string::npos);
  }
}

// A conversion killed mid-run leaves its temporary file, never a file under
// the output's name.
TEST_F(CliTest, AKilledConversionLeavesNoOutputName) {
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(input[0], 0);
    close(input[1]);
    if (chdir(work_.c_str()) != 0) _exit(127);
    execl(BX_CLI_PATH, BX_CLI_PATH, "to-text", "-q", "-", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(input[0]);
  // Once a write of more than the pipe holds returns, the tool has read from
  // the pipe, so it is converting and waits for more.
  const std::string block(1 << 20, 'x');
  ASSERT_EQ(write(input[1], block.data(), block.size()), static_cast<ssize_t>(block.size()));
  kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(input[1]);
  const auto files = Snapshot();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first.rfind("~brelvix-", 0), 0u) << files.begin()->first;
  EXPECT_FALSE(Exists("stdin.txt"));
}
#endif

#if !defined(_WIN32)
// --update keeps what it replaces and refuses what it may not or should not
// replace, without opening it. The superuser may write any file, so the
// permission rows run the tool as an unprivileged user.
TEST_F(CliTest, UpdateKeepsWhatItReplaces) {
  const bool root = geteuid() == 0;
  const std::string fresh = ToText("\x05", 0, 1, "0x%02X", kTemplate, "a");
  auto mode = [&](const char* name) {
    struct stat info = {};
    lstat((work_ / name).c_str(), &info);
    return info;
  };
  // gen.c holding "old" with the mode, and as root user 65534's if nobody.
  auto old = [&](mode_t bits, bool nobody) {
    return [&, bits, nobody] {
      Write("gen.c", "old");
      chmod((work_ / "gen.c").c_str(), bits);
      if (nobody && root) {
        EXPECT_EQ(chown((work_ / "gen.c").c_str(), 65534, 65534), 0);
      }
    };
  };
  // gen.c replaced, its mode and as root its owner kept.
  auto replaced = [&](mode_t bits, bool nobody) {
    return [&, bits, nobody] {
      EXPECT_EQ(Read("gen.c"), fresh);
      EXPECT_EQ(mode("gen.c").st_mode & 07777, bits);
      if (nobody && root) {
        EXPECT_EQ(mode("gen.c").st_uid, 65534u);
      }
    };
  };
  const auto kept = [&] { EXPECT_EQ(Read("gen.c"), "old"); };
  struct Row {
    const char* name;
    std::function<void()> prepare;  // makes gen.c
    bool unprivileged;              // run as user 65534 (root only)
    std::string output;             // -O
    int exitCode;
    const char* message;  // part of standard error; "" for none
    std::function<void()> check;
  };
  const Row rows[] = {
      {"the mode is kept", old(0600, false), false, "gen.c", 0, "", replaced(0600, false)},
      {"owner and group are kept where allowed", old(0640, true), false, "gen.c", 0, "",
       replaced(0640, true)},
      {"a read-only file is refused", old(0444, true), true, "gen.c", 1,
       "'gen.c' exists and may not be written", kept},
      {"another user's file is refused in an open folder", [&] { Write("gen.c", "old"); }, true,
       "gen.c", 1, "may not be written", kept},
      {"a link is followed and its target replaced",
       [&] {
         Write("real.c", "old");
         fs::create_symlink("real.c", work_ / "gen.c");
       },
       false, "gen.c", 0, "",
       [&] {
         EXPECT_TRUE(fs::is_symlink(work_ / "gen.c"));
         EXPECT_EQ(Read("real.c"), fresh);
       }},
      {"a dangling link is refused", [&] { fs::create_symlink("none.c", work_ / "gen.c"); }, false,
       "gen.c", 1, "is a link to a file that does not exist",
       [&] {
         EXPECT_TRUE(fs::is_symlink(work_ / "gen.c"));
         EXPECT_FALSE(Exists("none.c"));
       }},
      {"a FIFO is refused without waiting", [&] { mkfifo((work_ / "gen.c").c_str(), 0666); }, false,
       "gen.c", 1, "is not a regular file", [&] { EXPECT_TRUE(fs::is_fifo(work_ / "gen.c")); }},
      {"a folder is named as one", [&] { fs::create_directory(work_ / "gen.c"); }, false, "gen.c",
       1, "'gen.c' is a folder", [&] { EXPECT_TRUE(fs::is_directory(work_ / "gen.c")); }},
      {"the input itself is refused", [] {}, false, "a.bin", 1, "is the input itself",
       [&] { EXPECT_EQ(Read("a.bin"), "\x05"); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.unprivileged && !root) continue;  // the rows need a file the user does not own
    fs::remove_all(work_);
    fs::create_directory(work_);
    fs::permissions(work_, fs::perms::all);
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::others_exec);
    Write("a.bin", "\x05");
    row.prepare();
    const std::vector<std::string> args = {"to-text", "-q", "--update", "-O", row.output, "a.bin"};
    ProcessResult result;
    if (row.unprivileged) {
      std::vector<std::string> su = {"--reuid=65534", "--regid=65534", "--clear-groups",
                                     BX_CLI_PATH};
      su.insert(su.end(), args.begin(), args.end());
      result = RunProcess("/usr/bin/setpriv", su, work_);
    } else {
      result = Run(args);
    }
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    if (row.message[0] == 0) {
      EXPECT_EQ(result.err, "");
    } else {
      EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
    }
    row.check();
    for (const auto& entry : fs::directory_iterator(work_))
      EXPECT_EQ(entry.path().filename().string().find("~brelvix-"), std::string::npos);
  }
}

// SIGINT, SIGTERM and SIGHUP remove every temporary file of the run, the
// output's and the spool's, and end with 128 + the signal's number.
TEST_F(CliTest, InterruptsLeaveNoTemporaryFile) {
  struct Row {
    int signal;
    std::vector<const char*> args;
  };
  const Row rows[] = {
      {SIGINT, {"to-text", "-q", "-"}},
      {SIGTERM,
       {"to-text", "-q", "--update", "-O", "gen/s.c", "-t", "($ARRAY_SIZE)($ARRAY_DATA)", "-"}},
      {SIGHUP, {"to-text", "-q", "-o", "-", "-t", "($ARRAY_SIZE)($ARRAY_DATA)", "-"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.signal);
    fs::remove_all(work_);
    fs::create_directories(work_ / "gen");
    fs::create_directories(work_ / "tmp");
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    std::vector<const char*> argv = {BX_CLI_PATH};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    argv.push_back(nullptr);
    const std::string temporary = (work_ / "tmp").string();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      dup2(input[0], 0);
      close(input[1]);
      setenv("TMPDIR", temporary.c_str(), 1);
      if (chdir(work_.c_str()) != 0) _exit(127);
      execv(BX_CLI_PATH, const_cast<char* const*>(argv.data()));
      _exit(127);
    }
    close(input[0]);
    // Once a write of more than the pipe holds returns, the tool has read
    // from the pipe, so its files exist and it waits for more.
    const std::string block(1 << 20, 'x');
    ASSERT_EQ(write(input[1], block.data(), block.size()), static_cast<ssize_t>(block.size()));
    kill(pid, row.signal);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(input[1]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + row.signal);
    EXPECT_EQ(Snapshot(), (std::map<std::string, std::string>{}));
  }
}
#endif

TEST_F(CliTest, OperandsAfterDoubleDash) {
  Write("-dash.bin", "\x42");
  const ProcessResult result = Run({"to-text", "-q", "--", "-dash.bin"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Read("-dash.txt"), ToText("\x42", 0, 1, "0x%02X", kTemplate, "_dash"));
}

TEST_F(CliTest, OutputFileAndUpdate) {
  const char kSized[] = "n=($ARRAY_SIZE) f=($FILE_NAME) {($ARRAY_DATA)}";
  const std::string first = "n=2 f=a.bin {\r\n\t\t0x01,0x02\r\n}\r\n";
  const std::string second = "n=1 f=a.bin {\r\n\t\t0x03\r\n}\r\n";
  // A time well before the runs, so that any write would show.
  const auto past = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now() -
                                                             std::chrono::hours(48));
  struct Row {
    const char* name;
    std::string input;  // empty: no input file
    std::vector<std::string> options;
    int exitCode;
    std::string after;  // the output after the run, which is first before it
  };
  const Row rows[] = {
      {"-O never replaces", "\x03", {"-O", "gen/a.c"}, 1, first},
      {"--update leaves equal content untouched",
       "\x01\x02",
       {"-O", "gen/a.c", "--update"},
       0,
       first},
      {"--update replaces changed content", "\x03", {"--update", "-O", "gen/a.c"}, 0, second},
      {"--update compares every byte of a small output",
       "\x01\x03",
       {"--update", "-O", "gen/a.c"},
       0,
       "n=2 f=a.bin {\r\n\t\t0x01,0x03\r\n}\r\n"},
      {"--update without -O takes DIR/<stem>.txt", "\x03", {"--update", "-o", "gen"}, 0, second},
      {"a failed input leaves the output as it was", "", {"-O", "gen/a.c", "--update"}, 1, first},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(work_);
    fs::create_directories(work_ / "gen");
    if (!row.input.empty()) Write("a.bin", row.input);
    const bool exact = row.options[1] != "-o";
    const std::string output = exact ? "gen/a.c" : "gen/a.txt";
    Write(output, first);
    fs::last_write_time(work_ / output, past);
    std::vector<std::string> args = {"to-text", "-t", kSized, "a.bin"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    const ProcessResult result = Run(args);
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    const bool touched = row.after != first;
    EXPECT_EQ(result.out, touched ? Lines({exact ? output : "gen" + kSeparator + "a.txt"}) : "");
    std::map<std::string, std::string> expected = {{output, row.after}};
    if (!row.input.empty()) expected["a.bin"] = row.input;
    EXPECT_EQ(Snapshot(), expected) << "no temporary file is left behind";
    EXPECT_EQ(fs::last_write_time(work_ / output) == past, !touched);
  }
  Write("a.bin", "\x01\x02");
  const ProcessResult made = Run({"to-text", "-t", kSized, "-O", "gen/b.c", "a.bin"});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(made.out, Lines({"gen/b.c"}));
  EXPECT_EQ(Read("gen/b.c"), first);
  Write("empty.bin", "");
  const ProcessResult empty = Run({"to-text", "-q", "-t", kSized, "-O", "e.h", "empty.bin"});
  EXPECT_EQ(empty.exitCode, 0) << empty.err;
  EXPECT_EQ(Read("e.h"), "n=0 f=empty.bin {\r\n\r\n}\r\n")
      << "an empty input still gives the template";
}

// A brelvix.ini the window saved must not break a build step: -O wins over a
// stored folder, and --no-settings or BRELVIX_NO_SETTINGS reads no file.
TEST_F(CliTest, BuildStepsAndStoredSettings) {
  fs::create_directory(work_ / "stored");
  Write("brelvix.ini",
        "<?xml version=\"1.0\" ?>\r\n<config><output_path>stored</output_path>"
        "<data_size>2</data_size><data_format>%d,</data_format></config>");
  Write("a.bin", "\x01\x02");
  const std::string stored = ToText("\x01\x02", 0, 2, "%d,", kTemplate, "a");
  const std::string plain = ToText("\x01\x02", 0, 1, "0x%02X", kTemplate, "a");
  struct Row {
    const char* name;
    std::vector<std::string> args;
    bool environment;  // BRELVIX_NO_SETTINGS=1
    std::string output;
    std::string content;
  };
  const Row rows[] = {
      {"-O wins over the stored folder", {"-O", "gen.c"}, false, "gen.c", stored},
      {"the stored folder fills in", {}, false, "stored/a.txt", stored},
      {"-o wins over the stored folder", {"-o", "."}, false, "a.txt", stored},
      {"--no-settings", {"--no-settings"}, false, "a.txt", plain},
      {"--no-settings with -O", {"-O", "gen.c", "--no-settings"}, false, "gen.c", plain},
      {"the environment", {}, true, "a.txt", plain},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
#if defined(_WIN32)
    _putenv_s("BRELVIX_NO_SETTINGS", row.environment ? "1" : "");
#else
    if (row.environment) setenv("BRELVIX_NO_SETTINGS", "1", 1);
#endif
    std::vector<std::string> args = {"to-text", "-q", "a.bin"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const ProcessResult result = Run(args);
#if !defined(_WIN32)
    unsetenv("BRELVIX_NO_SETTINGS");
#endif
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Read(row.output), row.content);
    fs::remove(work_ / row.output);
  }
#if defined(_WIN32)
  _putenv_s("BRELVIX_NO_SETTINGS", "");
#endif
}

// The string form compiled by the system's compilers, in C and C++ with
// trigraphs on and -pedantic -Werror, must give back exactly the input bytes
// and the zero.
TEST_F(CliTest, StringLiteralsCompileToTheInputBytes) {
#if defined(_WIN32)
  GTEST_SKIP() << "the compilers run natively only";
#else
  const char kProgram[] =
      "#include <stdio.h>\nstatic const char ($ARRAY_NAME)[] = ($ARRAY_STRING);\n"
      "int main(void) { return fwrite(d, 1, sizeof d, stdout) == sizeof d ? 0 : 1; }\n";
  struct Compiler {
    const char* path;
    const char* language;
    const char* standard;
  };
  const Compiler compilers[] = {{"/usr/bin/gcc", "c", "-std=c99"},
                                {"/usr/bin/g++", "c++", "-std=c++14"},
                                {"/usr/bin/clang", "c", "-std=c99"}};
  struct Row {
    const char* name;
    std::string data;
  };
  const Row rows[] = {
      {"quotes", "\"\"'\"x\""},
      {"backslashes", "\\\\\\n\\"},
      {"question marks", "?\?=?\?/?\?'?\?(?\?)?\?!?\?<?\?>?\?-?\?\?\?"},
      {"digits after escapes", std::string("\x01"
                                           "0\x7f"
                                           "7\x80"
                                           "8\x1b"
                                           "9\x02"
                                           "a\x03"
                                           "F\t1\n2",
                                           16)},
      {"NUL bytes", std::string("\0\0\0"
                                "0\0"
                                "7\0",
                                7)},
      {"line feeds and carriage returns", "a\r\n\n\rb\n"},
      {"100 KB of every byte value", Sample(100000)},
      {"escapes, digits, '?' and line feeds mixed",
       [] {
         const char alphabet[] = "\0\1\t0789?\n\"\\a\x80";
         std::string bytes = Sample(5000);
         for (char& b : bytes)
           b = alphabet[static_cast<uint8_t>(b) % (sizeof alphabet - 1)];
         return bytes;
       }()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Write("d.bin", row.data);
    fs::remove(work_ / "d.txt");
    const ProcessResult text = Run({"to-text", "-n", "d", "-t", kProgram, "d.bin"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.err.find("65,535") != std::string::npos, row.data.size() >= 65535) << text.err;
    for (const Compiler& compiler : compilers) {
      SCOPED_TRACE(compiler.path);
      if (!fs::exists(compiler.path)) continue;
      fs::remove(work_ / "d");
      const ProcessResult build =
          RunProcess(compiler.path,
                     {"-x", compiler.language, compiler.standard, "-Wall", "-Wextra", "-pedantic",
                      "-Werror", "-Wtrigraphs", "-o", "d", "d.txt"},
                     work_);
      ASSERT_EQ(build.exitCode, 0) << build.err;
      const ProcessResult run = RunProcess(work_ / "d", {}, work_);
      EXPECT_EQ(run.exitCode, 0);
      EXPECT_EQ(run.out, row.data + std::string(1, '\0'));
    }
  }

  // Array names derived from file names that are no identifiers compile
  // with the default template; "63" is what <(...) gives.
  const struct {
    const char* input;
    const char* output;
  } named[] = {
      {"1-starts-with-digit.bin", "1-starts-with-digit.txt"},
      {"with space.bin", "with space.txt"},
      {"weird-name (copy) [1].bin", "weird-name (copy) [1].txt"},
      {".profile", ".txt"},
      {"63", "63.txt"},
      {"\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.bin", "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.txt"}};
  fs::create_directory(work_ / "named");
  for (const auto& file : named) {
    SCOPED_TRACE(file.input);
    Write(file.input, "\x01\x02");
    const ProcessResult text = Run({"to-text", "-o", "named", file.input});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.err, "");
    const ProcessResult build =
        RunProcess("/usr/bin/gcc",
                   {"-x", "c", "-std=c99", "-Wall", "-Wextra", "-Werror", "-c", "-o", "n.o",
                    (fs::path("named") / file.output).string()},
                   work_);
    EXPECT_EQ(build.exitCode, 0) << build.err;
  }
#endif
}

}  // namespace
