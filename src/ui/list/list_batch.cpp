#include "ui/list/list_batch.h"

#include <cstring>

#include "base/holder.h"
#include "convert/convert_types.h"
#include "convert/number_census.h"
#include "convert/value_format.h"
#include "ui/list/csv_table.h"

namespace {

bool IsSeparator(char byte) {
  return byte == '/' || byte == '\\';
}

// The folder part of an input path as written: up to its last separator, or
// the separator alone for a file in the root. Empty when there is none.
bool InputFolder(const CString& path, CString* folder) {
  int32_t last = path.length - 1;
  while (last >= 0 && !IsSeparator(path.Text()[last]))
    --last;
  return folder->AssignBytes(path.Text(), last > 0 ? last : last + 1) != 0;
}

}  // namespace

int LoadListFile(const WideChar* path, FileListSettings* settings, CFileList* list,
                 int32_t* quoteLine) {
  list->ClearFileList();
  int result = kCsvOk;
  const CHolder<CsvTable> table(ReadCsvTable(path, &result, quoteLine));
  if (result != kCsvOk) return result;
  if (!table) return kListFileEmpty;
  if (!ApplySettingsRecord(table->GetAt(0), settings) || ApplyFileRecords(table.Get(), list) < 0) {
    list->ClearFileList();
    result = kCsvNoMemory;
  }
  return result;
}

bool TrimOutputFolder(const char* outputFolder, CString* folder) {
  const char* text = outputFolder != nullptr ? outputFolder : "";
  size_t length = std::strlen(text);
  while (length > 1 && IsSeparator(text[length - 1]))
    --length;
  return folder->AssignBytes(text, static_cast<int32_t>(length)) != 0;
}

bool MapListRow(const FileListSettings& settings, const char* outputFolder,
                const FileListEntry& row, CString* folder, FileConversionRequest* request) {
  // Only the 8-bit texts: the window's worker calls this, and GetWide would
  // rewrite UTF-16 copies that the window's thread may be reading. An empty
  // folder for want of memory would put the output in the current folder.
  if (outputFolder == nullptr || outputFolder[0] == 0) {
    CString inputFolder;
    if (!InputFolder(row.inputName.path, &inputFolder) ||
        !TrimOutputFolder(inputFolder.Text(), folder)) {
      return false;
    }
  } else if (!TrimOutputFolder(outputFolder, folder)) {
    return false;
  }
  request->direction = settings.direction;
  request->unitSize = settings.unitSize;
  request->byteOrder = settings.byteOrder;
  request->numberSyntax = settings.numberSyntax;
  request->valueFormat = settings.valueFormat.Text();
  request->arrayTemplate = settings.arrayTemplate.Text();
  request->arrayName = row.arrayName.Text();
  request->outputFolder = folder->Text();
  SetRequestOutputName(*request, row.outputName);
  request->inputPath = row.inputName.path.Text();
  return true;
}

ValueFormatStatus CheckRunValueFormat(const char* valueFormat) {
  if (valueFormat == nullptr || valueFormat[0] == 0) return ValueFormatStatus::Valid;
  char cut[kMaxValueFormatBytes + 1] = {};
  std::strncpy(cut, valueFormat, kMaxValueFormatBytes);
  ValueFormat format;
  return format.Parse(cut);
}

FileConversionStatus ConvertListRow(const FileConversionRequest& request,
                                    ConversionMonitor& monitor, FileConversionResult* result,
                                    RowReport* report) {
  *report = RowReport{};
  FileConversionResult own;
  if (result == nullptr) result = &own;
  result->Clear();
  const auto empty = [](const char* text) { return text == nullptr || text[0] == 0; };
  if (empty(request.outputStem) && empty(request.outputExtension)) {
    result->status = FileConversionStatus::NoOutputName;
    return result->status;
  }
  CString inputPath;
  if (!inputPath.AssignText(request.inputPath != nullptr ? request.inputPath : "")) {
    result->status = FileConversionStatus::OutOfMemory;
    return result->status;
  }
  CensusInput input;
  NumberCensus& census = report->census;
  census = NumberCensus(request.unitSize, NumberSyntaxOf(request.numberSyntax));
  report->counted = request.direction != BinaryToText;
  if (report->counted) input.census = &census;
  if (!input.Open(inputPath)) {
    result->systemError = input.systemError;
    result->failedPath.Assign(inputPath);
    result->status = FileConversionStatus::InputNotOpened;
    return result->status;
  }
  const FileConversionStatus status = ConvertInputFile(request, input, monitor, result);
  if (status != FileConversionStatus::Converted) return status;
  census.End();
  if (result->bytesRead == 0) {
    report->warning = RowWarning::EmptyInput;
  } else if (input.census != nullptr && census.dropped.count > 0) {
    report->warning = RowWarning::NumbersDropped;
  } else if (input.census != nullptr && census.kept == 0) {
    report->warning = RowWarning::NoNumbers;
  } else if (FileNameLosesCharacters(request)) {
    report->warning = RowWarning::NameReplaced;
  }
  return status;
}

bool FileNameLosesCharacters(const FileConversionRequest& request) {
  if (request.direction != BinaryToText || request.arrayTemplate == nullptr ||
      std::strstr(request.arrayTemplate, "($FILE_NAME)") == nullptr) {
    return false;
  }
  CFileName input;
  return input.SetPath(request.inputPath != nullptr ? request.inputPath : "") &&
         HasForeignUnits(input.name.Text(), input.name.length);
}

bool SwitchOutputExtension(CFileName* outputName, int32_t direction) {
  FileConversionRequest parts;
  SetRequestOutputName(parts, *outputName);
  const char* from = direction == 0 ? "bin" : "txt";
  const char* to = direction == 0 ? "txt" : "bin";
  const CString& path = outputName->path;
  // Only what is before the extension stays, the dot included.
  if (std::strcmp(parts.outputExtension, from) != 0 || path.length < 4 ||
      path.Text()[path.length - 4] != '.' ||
      std::strcmp(path.Text() + path.length - 3, from) != 0) {
    return false;
  }
  CString renamed;
  if (!renamed.AssignBytes(path.Text(), path.length - 3) || renamed.AppendText(to) == 0) {
    return false;
  }
  // The parts are made anew: SetPath keeps a part the new path lacks.
  CFileName switched;
  if (!switched.SetPath(renamed.Text())) return false;
  outputName->path.Clear();
  outputName->folder.Clear();
  outputName->name.Clear();
  outputName->stem.Clear();
  outputName->extension.Clear();
  outputName->nameStart = -1;
  outputName->extensionStart = -1;
  return outputName->SetPath(renamed.Text()) != 0;
}
