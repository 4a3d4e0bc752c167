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
#include "convert/convert_types.h"
#include "convert/value_format.h"
#include "ui/list/csv_file_list.h"
#include "ui/list/csv_table.h"
#include "ui/list/file_list.h"
#include "ui/list/list_batch.h"

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
    "replaced. An empty output folder puts each output beside its input file. The\n"
    "output folder is shown on standard error before the first row, and the names\n"
    "of the files made are listed on standard output.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR   the output folder instead of the list's\n"
    "  -q, --quiet        no output folder, progress bar, warnings or list of files\n"
    "                     made\n"
    "      --no-settings  accepted for build scripts that pass it to every command;\n"
    "                     run reads no settings file: LIST holds the settings\n"
    "  -h, --help         show this help\n";

// Loads the list; 0, or the exit status after a message.
int LoadList(const char* path, FileListSettings& settings, CFileList& list) {
  CString name;
  const WideChar* wide = name.AssignText(path) ? name.GetWide() : nullptr;
  if (wide == nullptr && path[0] != 0) {
    PrintError("%s: out of memory", path);
    return kExitFailed;
  }
  int32_t quoteLine = 0;
  const int result = LoadListFile(wide, &settings, &list, &quoteLine);
  switch (result) {
    case kCsvOk:
      return 0;
    case kListFileEmpty:
      PrintError("%s: the file list is empty", path);
      break;
    case kCsvCannotOpen: {
      // The reader keeps no cause; asking again gives it.
      CFile probe;
      CString cause;
      if (!probe.OpenRegular(name)) DescribeSystemError(probe.systemError, &cause);
      PrintError("%s: cannot open the file list%s%s", Printable(path).Text(),
                 cause.IsEmpty() ? "" : ": ", cause.Text());
      break;
    }
    case kCsvUnterminatedQuote:
      PrintError("%s:%d: a quoted cell is not closed before the end of the file", path,
                 static_cast<int>(quoteLine));
      break;
    default:
      PrintError("%s: out of memory", path);
      break;
  }
  return kExitFailed;
}

int ConvertRow(const FileListSettings& settings, const char* outputFolder, const FileListEntry& row,
               bool quiet) {
  FileConversionRequest request;
  CString folder;
  if (!MapListRow(settings, outputFolder, row, &folder, &request)) {
    PrintError("out of memory");
    return kExitFailed;
  }

  bool showProgress = false;
  if (!quiet && StandardErrorIsTerminal()) {
    CFile probe;
    showProgress = probe.OpenRegular(row.inputName.path) && probe.size >= kProgressThreshold;
  }
  const Printable label(request.inputPath);
  ProgressBar progress(label.Text(), showProgress);
  FileConversionResult result;
  RowReport report;
  ConvertListRow(request, progress, &result, &report);
  progress.Clear();
  if (result.status != FileConversionStatus::Converted) {
    ReportConversionFailure(request.inputPath, result);
    return kExitFailed;
  }
  // The same findings the window's end message names, and those to-text and
  // to-binary give.
  if (!quiet) {
    if (request.direction == BinaryToText) WarnOfArrayName(request.inputPath, request.arrayName);
    const bool empty = report.warning == RowWarning::EmptyInput;
    if (empty) PrintWarning("%s: the input is empty", Printable(request.inputPath).Text());
    WarnAfterConversion(request.inputPath, request, result,
                        report.counted && !empty ? &report.census : nullptr);
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
    } else if (parser.Is(0, "no-settings")) {
      if (!parser.NoValue()) return kExitUsage;
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

  const ValueFormatStatus formatStatus = CheckRunValueFormat(settings.valueFormat.Text());
  if (formatStatus != ValueFormatStatus::Valid) {
    PrintError("%s: the list's value format '%s' is not usable (%s); nothing was converted",
               Printable(listPath).Text(), Printable(settings.valueFormat.Text()).Text(),
               DescribeValueFormatStatus(formatStatus));
    return kExitUsage;
  }
  if (!quiet && settings.direction == BinaryToText) {
    WarnOfNarrowFormat(settings.valueFormat.Text(), EffectiveUnitSize(settings.unitSize));
  }

  const char* folder = outputFolder != nullptr ? outputFolder : settings.outputFolder.Text();
  // A list carries its own folder: where the files go is shown before any
  // appears, on standard error with the other messages, so that standard
  // output stays the list of files made.
  if (!quiet) {
    CString trimmed;
    TrimOutputFolder(folder, &trimmed);
    if (trimmed.IsEmpty()) {
      PrintError("output folder: beside each input file");
    } else {
      PrintError("output folder: %s", trimmed.Text());
    }
  }
  int status = kExitOk;
  for (int32_t i = 0; i < list.entryCount; ++i) {
    if (ConvertRow(settings, folder, list.entries[i], quiet) != kExitOk) status = kExitFailed;
  }
  return status;
}
