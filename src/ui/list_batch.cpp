#include "ui/list_batch.h"

#include <cstring>

#include "base/holder.h"
#include "ui/csv_table.h"

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
  ApplySettingsRecord(table->GetAt(0), settings);
  if (ApplyFileRecords(table.Get(), list) < 0) {
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
