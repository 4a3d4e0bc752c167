// The subcommand run: a file list saved by the window program, converted
// without the window the way its Execute converts it, so that a batch
// designed once in the window can run in a build script.
#include <cstdio>
#include <cstring>

#include "base/file.h"
#include "base/str.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "convert/convert_file.h"
#include "ui/csv_file_list.h"
#include "ui/csv_table.h"
#include "ui/file_list.h"

namespace {

// Inputs at least this large get a progress bar on a terminal.
constexpr uint64_t kProgressThreshold = uint64_t{4} << 20;

const char kRunHelp[] =
    "Usage: brelvix-cli run [OPTION]... LIST\n"
    "Converts every row of LIST, a file list saved by the window program, in order.\n"
    "Its first line gives the output folder, the direction, the size, the byte order,\n"
    "the value format and the template; a number there that names no choice of the\n"
    "window leaves the window's default (Binary -> Text, 1 byte, big endian). Each\n"
    "row is converted into FOLDER/<stem>.<extension> of the row's output file name,\n"
    "or <stem>(1).<extension> and so on when that name is taken; no file is ever\n"
    "replaced. The names of the files made are listed on standard output.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR   the output folder instead of the list's (an empty folder\n"
    "                     in the list means the current directory)\n"
    "  -q, --quiet        no progress bar and no list of files made\n"
    "  -h, --help         show this help\n";

void AssignText(CString& target, const char* text) {
  target.AssignBytes(text, static_cast<int32_t>(std::strlen(text)));
}

// The folder without trailing separators: the conversion adds one.
void AssignFolder(CString& target, const char* folder) {
  size_t length = std::strlen(folder);
  while (length > 1 && (folder[length - 1] == '/' || folder[length - 1] == '\\'))
    --length;
  target.AssignBytes(folder, static_cast<int32_t>(length));
}

// Loads the list; 0, or the exit status after a message.
int LoadList(const char* path, FileListSettings& settings, CFileList& list) {
  CString name;
  AssignText(name, path);
  int result = kCsvOk;
  CsvTable* table = ReadCsvTable(name.GetWide(), &result);
  if (result == kCsvOk && table == nullptr) {
    PrintError("%s: the file list is empty", path);
    return kExitFailed;
  }
  if (result == kCsvOk) {
    ApplySettingsRecord(static_cast<const CArray*>(table->items[0]), &settings);
    if (ApplyFileRecords(table, &list) < 0) result = kCsvNoMemory;
    delete table;
  }
  if (result == kCsvCannotOpen) PrintError("%s: cannot open the file list", path);
  if (result == kCsvNoMemory) PrintError("%s: out of memory", path);
  return result == kCsvOk ? 0 : kExitFailed;
}

int ConvertRow(const FileListSettings& settings, const CString& folder, const FileListEntry& row,
               bool quiet) {
  FileConversionRequest request;
  request.direction = settings.direction;
  request.unitSize = settings.unitSize;
  request.byteOrder = settings.byteOrder;
  request.valueFormat = settings.valueFormat.Text();
  request.arrayTemplate = settings.arrayTemplate.Text();
  request.arrayName = row.arrayName.Text();
  request.outputFolder = folder.Text();
  SetRequestOutputName(request, row.outputName);
  request.inputPath = row.inputName.path.Text();

  bool showProgress = false;
  if (!quiet && StandardErrorIsTerminal()) {
    CFile probe;
    showProgress = probe.OpenRegular(row.inputName.path) && probe.size >= kProgressThreshold;
  }
  const Printable label(request.inputPath);
  ProgressBar progress(label.Text(), showProgress);
  FileConversionResult result;
  ConvertFile(request, progress, &result);
  progress.Clear();
  if (result.status != FileConversionStatus::Converted) {
    ReportConversionFailure(request.inputPath, result);
    return kExitFailed;
  }
  if (!quiet) {
    std::printf("%s\n", result.outputPath.Text());
    std::fflush(stdout);
  }
  return kExitOk;
}

}  // namespace

int RunFileList(int count, const char* const* args) {
  OptionParser parser(count, args);
  const char* listPath = nullptr;
  const char* outputFolder = nullptr;
  bool quiet = false;
  while (parser.Next()) {
    if (parser.IsOperand()) {
      if (listPath != nullptr) return parser.Error("one LIST only, not also '%s'", parser.Text());
      listPath = parser.Text();
    } else if (parser.Is('h', "help")) {
      if (!parser.NoValue()) return kExitUsage;
      std::fputs(kRunHelp, stdout);
      return kExitOk;
    } else if (parser.Is('q', "quiet")) {
      if (!parser.NoValue()) return kExitUsage;
      quiet = true;
    } else if (parser.Is('o', "output")) {
      if ((outputFolder = parser.Value()) == nullptr) return kExitUsage;
      if (outputFolder[0] == 0) return parser.Error("the output folder is empty");
      if (std::strcmp(outputFolder, "-") == 0) {
        return parser.Error("a list makes one file per row; '-o -' is not possible here");
      }
    } else {
      return parser.Unknown();
    }
  }
  if (listPath == nullptr) return parser.Error("no LIST given");

  FileListSettings settings;
  CFileList list;
  const int loaded = LoadList(listPath, settings, list);
  if (loaded != 0) return loaded;

  CString folder;
  AssignFolder(folder, outputFolder != nullptr ? outputFolder : settings.outputFolder.Text());
  int status = kExitOk;
  for (int32_t i = 0; i < list.entryCount; ++i) {
    if (ConvertRow(settings, folder, *list.entries[i], quiet) != kExitOk) status = kExitFailed;
  }
  return status;
}
