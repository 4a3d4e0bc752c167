// The subcommands to-text and to-binary: the per-file conversion of the
// window program, driven from the command line.
#include <cstdio>
#include <cstring>
#include <new>

#include "base/file.h"
#include "base/file_name.h"
#include "base/str.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "convert/convert_file.h"
#include "convert/convert_types.h"
#include "convert/value_format.h"

namespace {

// Inputs at least this large get a progress bar on a terminal.
constexpr uint64_t kProgressThreshold = uint64_t{4} << 20;

const char kToTextHelp[] =
    "Usage: brelvix-cli to-text [OPTION]... FILE...\n"
    "Writes each FILE as a source-code array: the template with \"($ARRAY_NAME)\"\n"
    "replaced by the array name and \"($ARRAY_DATA)\" by the data, 16 input bytes a\n"
    "row. The output is DIR/<stem>.txt, or <stem>(1).txt and so on when that name is\n"
    "taken; no file is ever replaced. The names of the files made are listed on\n"
    "standard output.\n"
    "\n"
    "Options:\n"
    "  -s, --size 1|2|4|8        bytes per value (default 1)\n"
    "  -e, --endian big|little   byte order within a value (default big)\n"
    "  -f, --format FORMAT       printf format of one value: literal text around one\n"
    "                            of %d %i %u %o %x %X with optional flags, width,\n"
    "                            precision and length (hh h l ll j z t); at most 31\n"
    "                            bytes (default \"0x%02X\" for every size; \"\" takes\n"
    "                            0x%02X, 0x%04X, 0x%08X or 0x%016llX by size)\n"
    "  -t, --template TEXT       the array template, at most 255 bytes (default\n"
    "                            \"const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};\")\n"
    "      --template-file FILE  take the template from FILE, bytes as they stand\n"
    "  -n, --name NAME           the array name, at most 127 bytes; only with one FILE\n"
    "                            (default: the stem of each FILE)\n"
    "  -o, --output DIR          the output folder (default: the current directory);\n"
    "                            '-' writes the one output to standard output\n"
    "  -q, --quiet               no progress bar and no list of files made\n"
    "  -h, --help                show this help\n"
    "\n"
    "Exit status: 0 when every FILE converted, 1 when one failed, 2 for bad usage.\n";

const char kToBinaryHelp[] =
    "Usage: brelvix-cli to-binary [OPTION]... FILE...\n"
    "Writes every hexadecimal number of each FILE that starts with \"0x\", \"&H\" or\n"
    "\"&h\" and ends at a tab, line break, blank or comma as one value of the given\n"
    "size. The output is DIR/<stem>.bin, or <stem>(1).bin and so on when that name\n"
    "is taken; no file is ever replaced. The names of the files made are listed on\n"
    "standard output.\n"
    "\n"
    "Options:\n"
    "  -s, --size 1|2|4|8        bytes per value (default 1)\n"
    "  -e, --endian big|little   byte order within a value (default big)\n"
    "  -o, --output DIR          the output folder (default: the current directory);\n"
    "                            '-' writes the one output to standard output\n"
    "  -q, --quiet               no progress bar and no list of files made\n"
    "  -h, --help                show this help\n"
    "\n"
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
  const char* valueFormat = kDefaultDataFormat;
  const char* arrayTemplate = kDefaultArrayFormat;
  const char* templateFile = nullptr;
  const char* arrayName = nullptr;
  const char* outputFolder = nullptr;
  bool quiet = false;
  const char** files = nullptr;
  int fileCount = 0;
};

void AssignText(CString& target, const char* text) {
  target.AssignBytes(text, static_cast<int32_t>(std::strlen(text)));
}

// Reads --template-file into text; 0, or the usage status after a message.
int ReadTemplateFile(const OptionParser& parser, const char* path, CString& text) {
  CString name;
  AssignText(name, path);
  CFile file;
  if (!file.Open(name)) return parser.Error("cannot open the template file '%s'", path);
  if (file.size > static_cast<uint64_t>(kMaxTemplateBytes)) {
    return parser.Error("the template file '%s' is longer than %d bytes", path,
                        static_cast<int>(kMaxTemplateBytes));
  }
  char bytes[kMaxTemplateBytes + 1];
  const uint32_t got = file.Read(bytes, sizeof bytes);
  if (got == 0 && file.size > 0) return parser.Error("cannot read the template file '%s'", path);
  if (got > static_cast<uint32_t>(kMaxTemplateBytes)) {
    return parser.Error("the template file '%s' is longer than %d bytes", path,
                        static_cast<int>(kMaxTemplateBytes));
  }
  if (std::memchr(bytes, 0, got) != nullptr) {
    return parser.Error("the template file '%s' holds a NUL byte", path);
  }
  if (!text.AssignBytes(bytes, static_cast<int32_t>(got))) {
    return parser.Error("out of memory");
  }
  return 0;
}

// Parses the options into settings; 0, or the exit status to end with.
int ParseSettings(int count, const char* const* args, Settings& settings, CString& templateText) {
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
      return -1;
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
    } else if (parser.Is('o', "output")) {
      if ((settings.outputFolder = parser.Value()) == nullptr) return kExitUsage;
      if (settings.outputFolder[0] == 0) return parser.Error("the output folder is empty");
    } else if (settings.toText && parser.Is('f', "format")) {
      if ((settings.valueFormat = parser.Value()) == nullptr) return kExitUsage;
    } else if (settings.toText && parser.Is('t', "template")) {
      if ((settings.arrayTemplate = parser.Value()) == nullptr) return kExitUsage;
      settings.templateFile = nullptr;
    } else if (settings.toText && parser.Is(0, "template-file")) {
      if ((settings.templateFile = parser.Value()) == nullptr) return kExitUsage;
    } else if (settings.toText && parser.Is('n', "name")) {
      if ((settings.arrayName = parser.Value()) == nullptr) return kExitUsage;
    } else {
      return parser.Unknown();
    }
  }

  if (settings.fileCount == 0) return parser.Error("no input FILE given");
  const bool toStandardOutput =
      settings.outputFolder != nullptr && std::strcmp(settings.outputFolder, "-") == 0;
  if (toStandardOutput && settings.fileCount > 1) {
    return parser.Error("'-o -' writes one output; it takes exactly one FILE");
  }
  if (!settings.toText) return 0;

  if (std::strlen(settings.valueFormat) > static_cast<size_t>(kMaxValueFormatBytes)) {
    return parser.Error("the format '%s' is longer than %d bytes", settings.valueFormat,
                        static_cast<int>(kMaxValueFormatBytes));
  }
  if (settings.valueFormat[0] != 0) {
    ValueFormat format;
    const ValueFormatStatus status = format.Parse(settings.valueFormat);
    if (status != ValueFormatStatus::Valid) {
      return parser.Error("invalid format '%s': %s", settings.valueFormat,
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

// The size of a file as it opens now, or 0.
uint64_t ProbeSize(const char* path) {
  CString name;
  AssignText(name, path);
  CFile file;
  return file.Open(name) ? file.size : 0;
}

void ReportFailure(const char* file, const FileConversionRequest& request,
                   const FileConversionResult& result) {
  switch (result.status) {
    case FileConversionStatus::OutputNotCreated: {
      CString path;
      ComposeOutputPath(request.outputFolder, request.outputStem, request.outputExtension, 0,
                        &path);
      PrintError(
          "%s: cannot create '%s' or a numbered name up to (%d): the folder is missing "
          "or not writable, or every name is taken",
          file, path.Text(), static_cast<int>(kLastOutputAttempt));
      break;
    }
    case FileConversionStatus::InputNotOpened:
    case FileConversionStatus::ReadFailed:
      PrintError("%s: %s", file, DescribeFileConversionStatus(result.status));
      break;
    default:
      if (result.outputPath.IsEmpty()) {
        PrintError("%s: %s", file, DescribeFileConversionStatus(result.status));
      } else {
        PrintError("%s: %s; the output '%s' is incomplete", file,
                   DescribeFileConversionStatus(result.status), result.outputPath.Text());
      }
      break;
  }
}

int ConvertOne(const Settings& settings, const CString& folder, const char* file) {
  CFileName input;
  input.SetPath(file);
  FileConversionRequest request;
  request.direction = settings.toText ? BinaryToText : TextToBinary;
  request.unitSize = settings.unitSize;
  request.byteOrder = settings.byteOrder;
  request.valueFormat = settings.valueFormat;
  request.arrayTemplate = settings.arrayTemplate;
  request.arrayName = settings.arrayName != nullptr ? settings.arrayName : input.stem.Text();
  request.outputFolder = folder.Text();
  request.outputStem = input.stem.Text();
  request.outputExtension = settings.toText ? "txt" : "bin";
  request.inputPath = file;

  const bool toStandardOutput =
      settings.outputFolder != nullptr && std::strcmp(settings.outputFolder, "-") == 0;
  const bool showProgress =
      !settings.quiet && StandardErrorIsTerminal() && ProbeSize(file) >= kProgressThreshold;
  ProgressBar progress(file, showProgress);
  FileConversionResult result;
  if (toStandardOutput) {
    CString path;
    AssignText(path, file);
    CFile inputFile;
    if (!inputFile.Open(path)) {
      result.status = FileConversionStatus::InputNotOpened;
    } else {
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
    }
  } else {
    ConvertFile(request, progress, &result);
  }
  progress.Clear();
  if (result.status != FileConversionStatus::Converted) {
    ReportFailure(file, request, result);
    return kExitFailed;
  }
  if (!settings.quiet && !toStandardOutput) {
    std::printf("%s\n", result.outputPath.Text());
    std::fflush(stdout);
  }
  return kExitOk;
}

int RunConversion(bool toText, int count, const char* const* args) {
  Settings settings;
  settings.toText = toText;
  settings.files = new (std::nothrow) const char*[static_cast<size_t>(count)];
  if (settings.files == nullptr) {
    PrintError("out of memory");
    return kExitFailed;
  }
  CString templateText;
  int status = ParseSettings(count, args, settings, templateText);
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
      folder.AssignBytes(settings.outputFolder, static_cast<int32_t>(length));
    }
    for (int i = 0; i < settings.fileCount; ++i) {
      if (ConvertOne(settings, folder, settings.files[i]) != kExitOk) status = kExitFailed;
    }
  } else if (status < 0) {
    status = kExitOk;  // the help was shown
  }
  delete[] settings.files;
  return status;
}

}  // namespace

int RunToText(int count, const char* const* args) {
  return RunConversion(true, count, args);
}

int RunToBinary(int count, const char* const* args) {
  return RunConversion(false, count, args);
}
