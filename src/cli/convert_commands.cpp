// The subcommands to-text and to-binary: the per-file conversion of the
// window program, driven from the command line.
#include <cstdio>
#include <cstring>
#include "base/holder.h"

#include "base/file.h"
#include "base/file_name.h"
#include "base/str.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "convert/array_name.h"
#include "convert/binary_to_text.h"
#include "convert/convert_file.h"
#include "convert/convert_types.h"
#include "convert/number_census.h"
#include "convert/string_literal.h"
#include "convert/text_scan.h"
#include "convert/value_format.h"
#include "ui/list/list_batch.h"

namespace {

// Inputs at least this large get a progress bar on a terminal.
constexpr uint64_t kProgressThreshold = uint64_t{4} << 20;

// The options and notes of both helps, between each command's own options and
// its last notes.
const char kSharedHelp[] =
    "      --settings FILE       take the defaults from FILE instead of brelvix.ini\n"
    "      --no-settings         read no settings file: the output depends on the\n"
    "                            input and the options alone (as does\n"
    "                            BRELVIX_NO_SETTINGS=1 in the environment)\n"
    "  -h, --help                show this help\n"
    "\n"
    "FILE '-' reads standard input; its output is named stdin.<ext>. An output is\n"
    "written under a temporary name (~brelvix-*.tmp) and renamed when complete;\n"
    "an interrupt removes it. With --update the replaced file keeps its mode; a\n"
    "link is followed, and a folder, FIFO, device or the input itself is refused.\n";

const char kToTextHelp[] =
    "Usage: brelvix-cli to-text [OPTION]... FILE...\n"
    "Writes each FILE as a source-code array: the template with \"($ARRAY_NAME)\"\n"
    "replaced by the array name and \"($ARRAY_DATA)\" by the data, 16 input bytes a\n"
    "row. The output is DIR/<stem>.txt, or <stem>(1).txt and so on when that name is\n"
    "taken; no file is ever replaced. The names of the files made are listed on\n"
    "standard output.\n"
    "\n"
    "The template may also hold \"($ARRAY_SIZE)\" (the input's size in bytes),\n"
    "\"($ARRAY_COUNT)\" (the number of values) and \"($FILE_NAME)\" (the input's\n"
    "name without its folder), before the data or after it. \"($ARRAY_STRING)\" in\n"
    "place of \"($ARRAY_DATA)\" writes the bytes as C string-literal rows, which\n"
    "compile much faster than values; --size, --endian and --format do not apply\n"
    "to them, and MSVC refuses a literal over 65,535 bytes (a warning says so)\n"
    "unless the template defines BRELVIX_STRING_GROUPS: it then sees a comma after\n"
    "every 16,384 bytes, to make each group a row of a two-dimensional array.\n"
    "Whichever data marker comes first holds the data; a second one stays as it\n"
    "stands.\n"
    "\n"
    "Options:\n"
    "  -s, --size 1|2|4|8        bytes per value (default 1)\n"
    "  -e, --endian big|little   byte order within a value (default big)\n"
    "  -f, --format FORMAT       printf format of one value: literal text around one\n"
    "                            of %d %i %u %o %x %X with optional flags, width,\n"
    "                            precision and length (hh h l ll j z t I64 I32 I);\n"
    "                            at most 31\n"
    "                            bytes (default \"0x%02X\" for every size; \"\" takes\n"
    "                            0x%02X, 0x%04X, 0x%08X or 0x%016llX by size)\n"
    "  -t, --template TEXT       the array template, at most 255 bytes (default\n"
    "                            \"const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};\")\n"
    "      --template-file FILE  take the template from FILE, bytes as they stand\n"
    "  -n, --name NAME           the array name, at most 127 bytes; only with one FILE\n"
    "                            (default: the stem of each FILE, 'stdin' for '-', with\n"
    "                            each ASCII character other than a letter, digit or _\n"
    "                            made _ and a _ before a leading digit)\n"
    "  -o, --output DIR          the output folder (default: the current directory);\n"
    "                            '-' writes the one output to standard output\n"
    "  -O, --output-file PATH    the output file itself, any name; only with one FILE\n"
    "                            ('-' writes to standard output)\n"
    "      --update              replace the output (PATH, or DIR/<stem>.txt) when its\n"
    "                            content changes, in one step; leave it untouched,\n"
    "                            modification time and all, when it would not\n"
    "  -q, --quiet               no progress bar, no list of files made, no warnings\n"
    "      --strict              a format narrower than the size is an error, not a\n"
    "                            warning, so that a build step cannot lose bits\n";

const char kToTextHelpEnd[] =
    "With -O or --update an empty FILE still gives the template, so that a build\n"
    "always finds its declarations; otherwise an empty FILE gives an empty output.\n"
    "\n"
    "Exit status: 0 when every FILE converted, 1 when one failed, 2 for bad usage.\n";

const char kToBinaryHelp[] =
    "Usage: brelvix-cli to-binary [OPTION]... FILE...\n"
    "Writes every hexadecimal number of each FILE that starts with \"0x\", \"&H\" or\n"
    "\"&h\" and ends at a tab, line break, blank or comma as one value of the given\n"
    "size; a number that another character ends is dropped, with a warning. With\n"
    "--syntax c a number also ends at '}', ')', ']' or ';' and \"0X\" starts one\n"
    "too, as a C compiler reads a source. The output is DIR/<stem>.bin, or\n"
    "<stem>(1).bin and so on when that name is taken; no file is ever replaced. The\n"
    "names of the files made are listed on standard output.\n"
    "\n"
    "Options:\n"
    "  -s, --size 1|2|4|8        bytes per value (default 1)\n"
    "  -e, --endian big|little   byte order within a value (default big)\n"
    "      --syntax plain|c      how numbers end and begin (default plain)\n"
    "  -o, --output DIR          the output folder (default: the current directory);\n"
    "                            '-' writes the one output to standard output\n"
    "  -O, --output-file PATH    the output file itself, any name; only with one FILE\n"
    "                            ('-' writes to standard output)\n"
    "      --update              replace the output (PATH, or DIR/<stem>.bin) when its\n"
    "                            content changes, in one step; leave it untouched,\n"
    "                            modification time and all, when it would not\n"
    "  -q, --quiet               no progress bar, no list of files made, no warnings\n";

const char kToBinaryHelpEnd[] =
    "Exit status: 0 when every FILE converted, 1 when one failed, 2 for bad usage.\n";

// Standard output as the converters' output file.
class StandardOutputFile : public CFile {
 public:
  uint32_t Write(const void* buffer, uint32_t count,
                 uint64_t /*position*/ = kCurrentPosition) override {
    return static_cast<uint32_t>(std::fwrite(buffer, 1, count, stdout));
  }
};

struct Settings {
  bool toText = true;
  int32_t unitSize = 1;
  int32_t byteOrder = BigEndian;
  NumberSyntax numberSyntax = NumberSyntax::Plain;
  const char* valueFormat = kDefaultDataFormat;
  const char* arrayTemplate = kDefaultArrayFormat;
  const char* templateFile = nullptr;
  const char* arrayName = nullptr;
  const char* outputFolder = nullptr;
  const char* outputFile = nullptr;
  bool update = false;
  bool quiet = false;
  bool strict = false;  // a narrow format stops the conversion
  CBuffer<const char*> files;
  int fileCount = 0;
};

// Reads --template-file into text; 0, or the usage status after a message
// (kExitFailed when memory runs out: no fault of the usage).
int ReadTemplateFile(const OptionParser& parser, const char* path, CString& text) {
  CString name;
  CFile file;
  const bool noMemory = !name.AssignText(path);
  const bool opened = !noMemory && file.OpenRegular(name);
  if (!opened && (noMemory || file.systemError == kSystemErrorNoMemory)) {
    PrintError("out of memory");
    return kExitFailed;
  }
  if (!opened) {
    CString cause;
    DescribeSystemError(file.systemError, &cause);
    return parser.Error("cannot open the template file '%s' as a regular file: %s",
                        Printable(path).Text(), cause.Text());
  }
  if (file.size > static_cast<uint64_t>(kMaxTemplateBytes)) {
    return parser.Error("the template file '%s' is longer than %d bytes", Printable(path).Text(),
                        static_cast<int>(kMaxTemplateBytes));
  }
  char bytes[kMaxTemplateBytes + 1];
  const uint32_t got = file.Read(bytes, sizeof bytes);
  if (got == 0 && file.size > 0) {
    return parser.Error("cannot read the template file '%s'", Printable(path).Text());
  }
  if (got > static_cast<uint32_t>(kMaxTemplateBytes)) {
    return parser.Error("the template file '%s' is longer than %d bytes", Printable(path).Text(),
                        static_cast<int>(kMaxTemplateBytes));
  }
  if (std::memchr(bytes, 0, got) != nullptr) {
    return parser.Error("the template file '%s' holds a NUL byte", Printable(path).Text());
  }
  if (!text.AssignBytes(bytes, static_cast<int32_t>(got))) {
    PrintError("out of memory");
    return kExitFailed;
  }
  return 0;
}

// ParseSettings' result once the help is out: nothing to convert, and the
// command ends with kExitOk. Above the exit statuses, so never one of them.
constexpr int kHelpShown = 100;

// Parses the options into settings; 0, kHelpShown, or the exit status to end
// with.
int ParseSettings(int count, const char* const* args, const char* storedOutputFolder,
                  Settings& settings, CString& templateText) {
  OptionParser parser(count, args);
  while (parser.Next()) {
    if (parser.IsOperand()) {
      settings.files[settings.fileCount++] = parser.Text();
      continue;
    }
    const char* value = nullptr;
    if (parser.Is('h', "help")) {
      if (!parser.NoValue()) return kExitUsage;
      std::fputs(settings.toText ? kToTextHelp : kToBinaryHelp, stdout);
      std::fputs(kSharedHelp, stdout);
      std::fputs(settings.toText ? kToTextHelpEnd : kToBinaryHelpEnd, stdout);
      return kHelpShown;
    } else if (parser.Is('q', "quiet")) {
      if (!parser.NoValue()) return kExitUsage;
      settings.quiet = true;
    } else if (parser.Is('s', "size")) {
      if ((value = parser.Value()) == nullptr) return kExitUsage;
      if (!ParseInteger(value, &settings.unitSize) ||
          EffectiveUnitSize(settings.unitSize) != settings.unitSize) {
        return parser.Error("the size must be 1, 2, 4 or 8, not '%s'", value);
      }
    } else if (parser.Is('e', "endian")) {
      if ((value = parser.Value()) == nullptr) return kExitUsage;
      if (std::strcmp(value, "big") == 0) {
        settings.byteOrder = BigEndian;
      } else if (std::strcmp(value, "little") == 0) {
        settings.byteOrder = LittleEndian;
      } else {
        return parser.Error("the byte order must be 'big' or 'little', not '%s'", value);
      }
    } else if (!settings.toText && parser.Is(0, "syntax")) {
      if ((value = parser.Value()) == nullptr) return kExitUsage;
      if (std::strcmp(value, "plain") == 0) {
        settings.numberSyntax = NumberSyntax::Plain;
      } else if (std::strcmp(value, "c") == 0) {
        settings.numberSyntax = NumberSyntax::C;
      } else {
        return parser.Error("the syntax must be 'plain' or 'c', not '%s'", value);
      }
    } else if (parser.Is('o', "output")) {
      if ((settings.outputFolder = parser.Value()) == nullptr) return kExitUsage;
      if (settings.outputFolder[0] == 0) return parser.Error("the output folder is empty");
    } else if (parser.Is('O', "output-file")) {
      if ((settings.outputFile = parser.Value()) == nullptr) return kExitUsage;
      if (settings.outputFile[0] == 0) return parser.Error("the output file is empty");
    } else if (parser.Is(0, "update")) {
      if (!parser.NoValue()) return kExitUsage;
      settings.update = true;
    } else if (settings.toText && parser.Is('f', "format")) {
      if ((settings.valueFormat = parser.Value()) == nullptr) return kExitUsage;
    } else if (settings.toText && parser.Is('t', "template")) {
      if ((settings.arrayTemplate = parser.Value()) == nullptr) return kExitUsage;
      settings.templateFile = nullptr;
    } else if (settings.toText && parser.Is(0, "strict")) {
      if (!parser.NoValue()) return kExitUsage;
      settings.strict = true;
    } else if (settings.toText && parser.Is(0, "template-file")) {
      if ((settings.templateFile = parser.Value()) == nullptr) return kExitUsage;
    } else if (settings.toText && parser.Is('n', "name")) {
      if ((settings.arrayName = parser.Value()) == nullptr) return kExitUsage;
    } else {
      return parser.Unknown();
    }
  }

  if (settings.fileCount == 0) return parser.Error("no input FILE given");
  // A stored folder fills in only what the options leave open.
  if (settings.outputFolder == nullptr && settings.outputFile == nullptr) {
    settings.outputFolder = storedOutputFolder;
  }
  int standardInputs = 0;
  for (int i = 0; i < settings.fileCount; ++i) {
    if (std::strcmp(settings.files[i], "-") == 0) ++standardInputs;
  }
  if (standardInputs > 1) return parser.Error("standard input ('-') can be read only once");
  const bool toStandardOutput =
      settings.outputFolder != nullptr && std::strcmp(settings.outputFolder, "-") == 0;
  if (toStandardOutput && settings.fileCount > 1) {
    return parser.Error("'-o -' writes one output; it takes exactly one FILE");
  }
  if (settings.outputFile != nullptr && settings.outputFolder != nullptr) {
    return parser.Error("'-O' names the output file itself; it does not go with '-o'");
  }
  if (settings.outputFile != nullptr && settings.fileCount > 1) {
    return parser.Error("'-O' names one output; it takes exactly one FILE");
  }
  if (settings.update && toStandardOutput) {
    return parser.Error("'--update' replaces a file; it does not go with '-o -'");
  }
  // "-O -" is standard output as "-o -" is; "./-" names a file called "-".
  if (settings.outputFile != nullptr && std::strcmp(settings.outputFile, "-") == 0) {
    if (settings.update) {
      return parser.Error("'--update' replaces a file; it does not go with '-O -'");
    }
    settings.outputFile = nullptr;
    settings.outputFolder = "-";
  }
  if (!settings.toText) return 0;

  if (std::strlen(settings.valueFormat) > static_cast<size_t>(kMaxValueFormatBytes)) {
    return parser.Error("the format '%s' is longer than %d bytes",
                        Printable(settings.valueFormat).Text(),
                        static_cast<int>(kMaxValueFormatBytes));
  }
  if (settings.valueFormat[0] != 0) {
    ValueFormat format;
    const ValueFormatStatus status = format.Parse(settings.valueFormat);
    if (status != ValueFormatStatus::Valid) {
      return parser.Error("invalid format '%s': %s", Printable(settings.valueFormat).Text(),
                          DescribeValueFormatStatus(status));
    }
  }
  if (settings.templateFile != nullptr) {
    const int status = ReadTemplateFile(parser, settings.templateFile, templateText);
    if (status != 0) return status;
    settings.arrayTemplate = templateText.Text();
  }
  if (std::strlen(settings.arrayTemplate) > static_cast<size_t>(kMaxTemplateBytes)) {
    return parser.Error("the template is longer than %d bytes",
                        static_cast<int>(kMaxTemplateBytes));
  }
  if (settings.arrayName != nullptr) {
    if (std::strlen(settings.arrayName) > static_cast<size_t>(kMaxArrayNameBytes)) {
      return parser.Error("the array name is longer than %d bytes",
                          static_cast<int>(kMaxArrayNameBytes));
    }
    if (settings.fileCount > 1) {
      return parser.Error("'-n' names one array; it takes exactly one FILE");
    }
  }
  return 0;
}

// Name used for standard input where a file's stem would go.
constexpr char kStandardInputStem[] = "stdin";

// Warns of the numbers the scan dropped, or found none of, and of those it
// kept but that may not mean what they say.
void WarnOfNumbers(const char* file, NumberSyntax syntax, int32_t unitSize,
                   const NumberCensus& census) {
  const Printable name(file);
  const bool c = syntax == NumberSyntax::C;
  const auto count = [](const NumberCensus::Finding& finding) {
    return static_cast<unsigned long long>(finding.count);
  };
  const auto line = [](const NumberCensus::Finding& finding) {
    return static_cast<unsigned long long>(finding.firstLine);
  };
  const NumberCensus::Finding& dropped = census.dropped;
  if (dropped.count > 0) {
    PrintWarning(
        "%s: %llu prefixed number%s dropped: a character other than a tab, line break, blank%s "
        "ended %s (the first on line %llu)%s",
        name.Text(), count(dropped), dropped.count == 1 ? " was" : "s were",
        c ? ", comma, '}', ')', ']' or ';'" : " or comma", dropped.count == 1 ? "it" : "them",
        line(dropped), c ? "" : "; --syntax c also ends a number at '}', ')', ']' or ';'");
  } else if (census.kept == 0) {
    PrintWarning("%s: no number with the prefix %s was found", name.Text(),
                 c ? "0x, 0X, &H or &h" : "0x, &H or &h");
  }
  if (census.wide.count > 0) {
    const int unit = static_cast<int>(EffectiveUnitSize(unitSize));
    PrintWarning(
        "%s: %llu number%s wider than %d byte%s; only %s low %d hex digits are written (the "
        "first on line %llu)",
        name.Text(), count(census.wide), census.wide.count == 1 ? " is" : "s are", unit,
        unit == 1 ? "" : "s", census.wide.count == 1 ? "its" : "their", 2 * unit,
        line(census.wide));
  }
  if (census.negated.count > 0) {
    PrintWarning(
        "%s: %llu number%s a minus sign before the prefix; the sign is ignored (the first on "
        "line %llu)",
        name.Text(), count(census.negated), census.negated.count == 1 ? " has" : "s have",
        line(census.negated));
  }
  if (census.bare.count > 0) {
    PrintWarning("%s: %llu prefix%s without digits %s written as 0 (the first on line %llu)",
                 name.Text(), count(census.bare), census.bare.count == 1 ? "" : "es",
                 census.bare.count == 1 ? "is" : "are", line(census.bare));
  }
}

}  // namespace

void WarnOfArrayName(const char* file, const char* name) {
  if (IsArrayIdentifier(name)) return;
  if (file != nullptr) {
    PrintWarning("%s: the array name '%s' is not a C identifier; the output will not compile as C",
                 Printable(file).Text(), Printable(name).Text());
  } else {
    PrintWarning("the array name '%s' is not a C identifier; the output will not compile as C",
                 Printable(name).Text());
  }
}

namespace {

// Converts input into output. An empty input to text gives the template
// with no values, so that a build step always finds its declarations.
void ConvertIntoExact(const FileConversionRequest& request, CFile& input, CFile& output,
                      ConversionMonitor& monitor, FileConversionResult* result) {
  ConvertOpenFile(request, input, output, monitor, result);
  if (request.direction != BinaryToText || result->status != FileConversionStatus::Converted ||
      result->bytesRead != 0 || output.size != 0) {
    return;
  }
  CFileName name;
  if (!name.SetPath(request.inputPath)) {
    result->status = FileConversionStatus::OutOfMemory;
    return;
  }
  BinaryToTextStream stream(monitor, output);
  const bool written =
      stream.Begin(request.byteOrder, request.unitSize, request.valueFormat, request.arrayTemplate,
                   request.arrayName, 0, name.name.Text()) &&
      stream.Finish();
  result->status = written ? FileConversionStatus::Converted : FileConversionStatus::WriteFailed;
}

// True when the two files hold the same bytes.
bool SameContent(const char* first, const char* second) {
  CString firstName;
  CString secondName;
  if (!firstName.AssignText(first) || !secondName.AssignText(second)) return false;
  CFile a;
  CFile b;
  if (!a.Open(firstName) || !b.Open(secondName) || a.size != b.size) return false;
  constexpr uint32_t kBlock = 1u << 16;
  CBuffer<char> blocks;
  if (!blocks.AllocateUninitialised(2 * kBlock)) return false;
  bool same = true;
  for (uint64_t left = a.size; same && left > 0;) {
    const uint32_t count = left < kBlock ? static_cast<uint32_t>(left) : kBlock;
    same = a.Read(blocks.Get(), count) == count && b.Read(blocks.Get() + kBlock, count) == count &&
           std::memcmp(blocks.Get(), blocks.Get() + kBlock, count) == 0;
    left -= count;
  }
  return same;
}

// Refuses, after a message, an output path that is no file to write: a
// folder, a FIFO or device (never opened, so nothing blocks), a dangling link,
// a file that exists without --update or that the user may not write, and the
// input itself. *target gets the file a link names.
bool CheckExactOutput(const Settings& settings, const char* inputPath, const char* outputPath,
                      CString* target) {
  const Printable file(inputPath);
  const Printable where(outputPath);
  CString given;
  if (!given.AssignText(outputPath)) {
    PrintError("out of memory");
    return false;
  }
  int32_t error = 0;
  CString reason;
  switch (InspectReplaceTarget(given, target, &error)) {
    case ReplaceTarget::Absent:
      return true;
    case ReplaceTarget::Folder:
      PrintError("%s: '%s' is a folder; the output must be a file", file.Text(), where.Text());
      return false;
    case ReplaceTarget::NotAFile:
      PrintError("%s: '%s' is not a regular file (a FIFO, device or socket); it is left alone",
                 file.Text(), where.Text());
      return false;
    case ReplaceTarget::DanglingLink:
      PrintError("%s: '%s' is a link to a file that does not exist; it is left alone", file.Text(),
                 where.Text());
      return false;
    case ReplaceTarget::Failed:
      DescribeSystemError(error, &reason);
      PrintError("%s: cannot create '%s': %s", file.Text(), where.Text(), reason.Text());
      return false;
    case ReplaceTarget::NotWritable:
      DescribeSystemError(error, &reason);
      PrintError("%s: '%s' exists and may not be written: %s", file.Text(), where.Text(),
                 reason.Text());
      return false;
    case ReplaceTarget::File:
      break;
  }
  if (!settings.update) {
    PrintError("%s: '%s' exists; --update replaces it", file.Text(), where.Text());
    return false;
  }
  CString input;
  if (std::strcmp(inputPath, "-") != 0 && input.AssignText(inputPath) &&
      IsSameFile(input, *target)) {
    PrintError("%s: the output '%s' is the input itself; it is left alone", file.Text(),
               where.Text());
    return false;
  }
  return true;
}

// Writes the output of one input at exactly outputPath, through a temporary
// file beside it so that no partial file ever stands under that name. Without
// --update the name must be free; with it the file there (or the file a link
// there names) is replaced in one step, keeping its mode, and only when the
// content differs. *changed tells whether the output was written. Returns
// false after a message of its own.
bool WriteExactOutput(const Settings& settings, FileConversionRequest request, CFile& input,
                      const char* outputPath, ConversionMonitor& monitor,
                      FileConversionResult* result, bool* changed) {
  *changed = false;
  const Printable file(request.inputPath);
  const Printable where(outputPath);
  CString target;
  if (!CheckExactOutput(settings, request.inputPath, outputPath, &target)) return false;
  CString folder;
  if (!FolderOfPath(target.Text(), &folder)) {
    PrintError("out of memory");
    return false;
  }
  CFile output;
  CString temporary;
  CString reason;
  if (CreateTemporaryFile(folder.Text(), output, &temporary) != kOk) {
    DescribeSystemError(output.systemError, &reason);
    PrintError("%s: cannot create a file beside '%s': %s", file.Text(), where.Text(),
               reason.Text());
    return false;
  }
  request.spoolFolder = folder.Text();
  ConvertIntoExact(request, input, output, monitor, result);
  if (result->status == FileConversionStatus::WriteFailed && result->failedPath.IsEmpty()) {
    // The name the user asked for: the temporary one is gone with the row.
    result->systemError = output.systemError;
    result->failedPath.AssignText(outputPath);
  }
  output.Close();
  if (result->status != FileConversionStatus::Converted) {
    RemoveTemporaryFile(temporary);
    return true;
  }
  result->outputPath.AssignText(outputPath);
  int32_t error = 0;
  if (!settings.update) {
    const PublishStatus status = PublishFile(temporary, target, &error);
    if (status == PublishStatus::Published) {
      *changed = true;
      return true;
    }
    RemoveTemporaryFile(temporary);
    if (status == PublishStatus::Taken) {
      PrintError("%s: '%s' exists; --update replaces it", file.Text(), where.Text());
    } else {
      DescribeSystemError(error, &reason);
      PrintError("%s: cannot create '%s': %s", file.Text(), where.Text(), reason.Text());
    }
    return false;
  }
  if (SameContent(temporary.Text(), target.Text())) {
    RemoveTemporaryFile(temporary);
    return true;
  }
  if (!ReplaceWithFile(temporary, target, &error)) {
    RemoveTemporaryFile(temporary);
    DescribeSystemError(error, &reason);
    PrintError("%s: cannot replace '%s': %s", file.Text(), where.Text(), reason.Text());
    return false;
  }
  *changed = true;
  return true;
}

int ConvertOne(const Settings& settings, const CString& folder, const char* file) {
  const bool standardInput = std::strcmp(file, "-") == 0;
  CFileName input;
  if (!input.SetPath(standardInput ? kStandardInputStem : file)) {
    PrintError("out of memory");
    return kExitFailed;
  }
  FileConversionRequest request;
  request.direction = settings.toText ? BinaryToText : TextToBinary;
  request.unitSize = settings.unitSize;
  request.byteOrder = settings.byteOrder;
  request.numberSyntax = static_cast<int32_t>(settings.numberSyntax);
  request.valueFormat = settings.valueFormat;
  request.arrayTemplate = settings.arrayTemplate;
  CString derivedName;
  if (settings.arrayName == nullptr && !MakeArrayName(input.stem.Text(), &derivedName)) {
    PrintError("out of memory");
    return kExitFailed;
  }
  request.arrayName = settings.arrayName != nullptr ? settings.arrayName : derivedName.Text();
  request.outputFolder = folder.Text();
  request.outputStem = input.stem.Text();
  request.outputExtension = settings.toText ? "txt" : "bin";
  request.inputPath = file;

  FileConversionResult result;
  CensusInput inputFile;
  NumberCensus census(settings.unitSize, settings.numberSyntax);
  if (!settings.toText && !settings.quiet) inputFile.census = &census;
  CString path;
  if (!path.AssignText(file)) {
    PrintError("out of memory");
    return kExitFailed;
  }
  if (!(standardInput ? inputFile.OpenStandardInput() : inputFile.Open(path))) {
    result.status = FileConversionStatus::InputNotOpened;
    result.systemError = inputFile.systemError;
    result.failedPath.Assign(path);
    ReportConversionFailure(file, result);
    return kExitFailed;
  }

  const bool toStandardOutput =
      settings.outputFolder != nullptr && std::strcmp(settings.outputFolder, "-") == 0;
  const bool showProgress = !settings.quiet && StandardErrorIsTerminal() && inputFile.sizeKnown &&
                            inputFile.size >= kProgressThreshold;
  const Printable label(file);
  ProgressBar progress(label.Text(), showProgress);
  bool listed = !settings.quiet && !toStandardOutput;
  CString temporaryFolder;
  if (toStandardOutput) {
    // An input of unknown size is spooled where temporary files belong,
    // never in the current folder.
    if (!SystemTemporaryFolder(&temporaryFolder)) {
      progress.Clear();
      PrintError("out of memory");
      return kExitFailed;
    }
    request.spoolFolder = temporaryFolder.Text();
    SetStandardOutputBinary();
    // Whole 1 MiB writes, as to a file, instead of the small default ones;
    // the buffer must outlive the stream, which is flushed at exit.
    static char outputBuffer[1 << 20];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    StandardOutputFile output;
    ConvertOpenFile(request, inputFile, output, progress, &result);
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
      result.status = FileConversionStatus::WriteFailed;
    }
  } else if (settings.outputFile != nullptr || settings.update) {
    CString path;
    if (settings.outputFile != nullptr) {
      if (!path.AssignText(settings.outputFile)) {
        progress.Clear();
        PrintError("out of memory");
        return kExitFailed;
      }
    } else if (!ComposeOutputPath(request.outputFolder, request.outputStem, request.outputExtension,
                                  0, &path)) {
      progress.Clear();
      PrintError("out of memory");
      return kExitFailed;
    }
    bool changed = false;
    if (!WriteExactOutput(settings, request, inputFile, path.Text(), progress, &result, &changed)) {
      progress.Clear();
      return kExitFailed;
    }
    listed = listed && changed;
  } else {
    ConvertInputFile(request, inputFile, progress, &result);
  }
  progress.Clear();
  if (result.status != FileConversionStatus::Converted) {
    ReportConversionFailure(file, result);
    return kExitFailed;
  }
  if (!settings.quiet) WarnAfterConversion(file, request, result, inputFile.census);
  if (listed) {
    std::printf("%s\n", result.outputPath.Text());
    std::fflush(stdout);
  }
  return kExitOk;
}

}  // namespace

int RunConversionCommand(bool toText, int count, const char* const* args,
                         const char* storedOutputFolder) {
  Settings settings;
  settings.toText = toText;
  if (!settings.files.AllocateUninitialised(static_cast<size_t>(count))) {
    PrintError("out of memory");
    return kExitFailed;
  }
  CString templateText;
  int status = ParseSettings(count, args, storedOutputFolder, settings, templateText);
  if (status == 0) {
    // The folder as given, without trailing separators: the conversion adds one.
    CString folder;
    const bool toStandardOutput =
        settings.outputFolder != nullptr && std::strcmp(settings.outputFolder, "-") == 0;
    if (settings.outputFolder != nullptr && !toStandardOutput) {
      size_t length = std::strlen(settings.outputFolder);
      while (length > 1 && (settings.outputFolder[length - 1] == '/' ||
                            settings.outputFolder[length - 1] == '\\')) {
        --length;
      }
      if (!folder.AssignBytes(settings.outputFolder, static_cast<int32_t>(length))) {
        PrintError("out of memory");
        return kExitFailed;
      }
    }
    if (settings.toText && (settings.strict || !settings.quiet) &&
        WarnOfNarrowFormat(settings.valueFormat, settings.unitSize, settings.strict) &&
        settings.strict) {
      return kExitFailed;
    }
    if (settings.toText && !settings.quiet && settings.arrayName != nullptr) {
      WarnOfArrayName(nullptr, settings.arrayName);
    }
    for (int i = 0; i < settings.fileCount; ++i) {
      if (ConvertOne(settings, folder, settings.files[i]) != kExitOk) status = kExitFailed;
    }
  } else if (status == kHelpShown) {
    status = kExitOk;
  }
  return status;
}

bool WarnOfNarrowFormat(const char* valueFormat, int32_t unitSize, bool asError) {
  if (valueFormat[0] == 0) return false;
  ValueFormat format;
  if (format.Parse(valueFormat) != ValueFormatStatus::Valid) return false;
  if (format.Bits() >= unitSize * 8) return false;
  (asError ? PrintError : PrintWarning)(
      "the format '%s' shows only the low %d bits of each %d-byte value; the rest is "
      "lost (a %d-bit format such as '%s' shows all)",
      Printable(valueFormat).Text(), static_cast<int>(format.Bits()), static_cast<int>(unitSize),
      static_cast<int>(unitSize * 8), DefaultValueFormat(unitSize));
  return true;
}

void WarnAfterConversion(const char* input, const FileConversionRequest& request,
                         const FileConversionResult& result, NumberCensus* census) {
  if (census != nullptr) {
    census->End();
    WarnOfNumbers(input, NumberSyntaxOf(request.numberSyntax), request.unitSize, *census);
  }
  if (FileNameLosesCharacters(request)) {
    PrintWarning("%s: ($FILE_NAME) is written with '?' for characters not in the code page",
                 Printable(input).Text());
  }
  // A template that defines the groups macro compiles each group apart.
  const char* arrayTemplate = request.arrayTemplate != nullptr ? request.arrayTemplate : "";
  if (request.direction == BinaryToText && result.bytesRead + 1 > kMsvcStringLiteralLimit &&
      TemplateWritesStringLiteral(arrayTemplate) &&
      std::strstr(arrayTemplate, kStringGroupsMacro) == nullptr) {
    PrintWarning(
        "%s: the string literal holds %llu bytes with its terminating zero; MSVC refuses more "
        "than 65,535",
        Printable(input).Text(), static_cast<unsigned long long>(result.bytesRead) + 1);
  }
}

void ReportConversionFailure(const char* input, const FileConversionResult& result) {
  const Printable file(input);
  CString cause;
  if (result.systemError != 0) DescribeSystemError(result.systemError, &cause);
  const Printable where(result.failedPath.Text());
  switch (result.status) {
    case FileConversionStatus::OutputNotCreated:
      if (result.systemError == 0) {
        PrintError("%s: cannot create '%s': it and every numbered name up to (%d) are taken",
                   file.Text(), where.Text(), static_cast<int>(kLastOutputAttempt));
      } else {
        PrintError("%s: cannot create '%s': %s", file.Text(), where.Text(), cause.Text());
      }
      break;
    case FileConversionStatus::InputNotOpened:
    case FileConversionStatus::ReadFailed:
      if (result.systemError != 0) {
        PrintError("%s: %s: %s", file.Text(), DescribeFileConversionStatus(result.status),
                   cause.Text());
      } else {
        PrintError("%s: %s", file.Text(), DescribeFileConversionStatus(result.status));
      }
      break;
    default:
      if (result.outputPath.IsEmpty() && !result.failedPath.IsEmpty()) {
        PrintError("%s: %s ('%s')%s%s; no output was made", file.Text(),
                   DescribeFileConversionStatus(result.status), where.Text(),
                   result.systemError != 0 ? ": " : "", cause.Text());
      } else if (result.outputPath.IsEmpty()) {
        PrintError("%s: %s%s%s; no output was made", file.Text(),
                   DescribeFileConversionStatus(result.status), result.systemError != 0 ? ": " : "",
                   cause.Text());
      } else {
        PrintError("%s: %s; the output '%s' is incomplete", file.Text(),
                   DescribeFileConversionStatus(result.status),
                   Printable(result.outputPath.Text()).Text());
      }
      break;
  }
}

int RunToText(int count, const char* const* args) {
  return RunConversionCommand(true, count, args, nullptr);
}

int RunToBinary(int count, const char* const* args) {
  return RunConversionCommand(false, count, args, nullptr);
}
