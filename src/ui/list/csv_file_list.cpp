#include "ui/list/csv_file_list.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "base/codepage.h"
#include "base/file.h"
#include "base/file_save.h"
#include "base/holder.h"

namespace {

bool IsBlank(char byte) {
  return byte == ' ' || byte == '\t';
}

// The cell at index, or null when the row is shorter.
const CString* CellAt(const CsvRow* row, int32_t index) {
  if (row == nullptr || index >= row->Count()) return nullptr;
  return row->GetAt(index);
}

// False when memory runs out: a template, format or array name left empty
// would convert with another one and report success.
bool AssignCell(CString* target, const CString* cell) {
  if (cell == nullptr || cell->data == nullptr) {
    target->Clear();
    return true;
  }
  return target->AssignBytes(cell->data, cell->length) != 0;
}

// Sets *value and *set when the cell names one of items; otherwise leaves both.
template <size_t N>
void SelectItem(const CString* cell, const int32_t (&items)[N], int32_t* value, bool* set) {
  int64_t number = 0;
  if (!ReadCsvNumber(cell, &number)) return;
  for (const int32_t item : items) {
    if (item == number) {
      *value = item;
      *set = true;
      return;
    }
  }
}

int AppendNumber(CString* line, int32_t number) {
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%d", number);
  return line->AppendBytes(text, length);
}

int AppendCellText(CString* line, const CString& cell) {
  return AppendCsvText(line, cell.Text(), cell.length);
}

int AppendComma(CString* line) {
  return line->AppendBytes(",", 1);
}

int AppendLineEnd(CString* line) {
  return line->AppendBytes("\r\n", 2);
}

// Writes the whole line, in UTF-8 for a list that names a file outside the
// ANSI code page; false when the write fell short or memory ran out while the
// line was built.
bool WriteLine(CFile& file, const CString& line, bool built, bool utf8) {
  if (!built) return false;
  if (!utf8) {
    const auto length = static_cast<uint32_t>(line.length);
    return file.Write(line.Text(), length) == length;
  }
  const CWideText wide(line);
  const CBuffer<char> bytes(wide.Get() != nullptr ? WideToMultiByte(wide.Get(), -1, kCodePageUtf8)
                                                  : nullptr);
  if (!bytes) return false;
  const auto length = static_cast<uint32_t>(std::strlen(bytes.Get()));
  return file.Write(bytes.Get(), length) == length;
}

bool HasForeignName(const CString& text) {
  return HasForeignUnits(text.Text(), text.length);
}

// True when the list names a file that only UTF-8 can write.
bool NeedsUtf8(const FileListSettings& settings, const CFileList& list) {
  if (HasForeignName(settings.outputFolder)) return true;
  for (int32_t i = 0; i < list.entryCount; ++i) {
    const FileListEntry& entry = list.entries[i];
    if (HasForeignName(entry.inputName.path) || HasForeignName(entry.outputName.path)) return true;
  }
  return false;
}

}  // namespace

bool CsvCellNeedsQuotes(const char* text, int32_t length) {
  if (length <= 0) return false;
  if (IsBlank(text[0]) || IsBlank(text[length - 1])) return true;
  for (int32_t i = 0; i < length; ++i) {
    const char byte = text[i];
    if (byte == ',' || byte == '"' || byte == '\r' || byte == '\n') return true;
  }
  return false;
}

int AppendCsvText(CString* line, const char* text, int32_t length) {
  if (!CsvCellNeedsQuotes(text, length)) return line->AppendBytes(text, length);
  if (!line->AppendBytes("\"", 1)) return 0;
  int32_t start = 0;
  for (int32_t i = 0; i < length; ++i) {
    if (text[i] != '"') continue;
    // Up to and including the quote, then the quote once more.
    if (!line->AppendBytes(text + start, i + 1 - start) || !line->AppendBytes("\"", 1)) return 0;
    start = i + 1;
  }
  return line->AppendBytes(text + start, length - start) && line->AppendBytes("\"", 1);
}

int WriteCsvFileList(const WideChar* path, const FileListSettings& settings, CFileList& list) {
  CFile file;
  return WriteCsvFileList(path, settings, list, file);
}

int WriteCsvFileList(const WideChar* path, const FileListSettings& settings, CFileList& list,
                     CFile& file) {
  CString name;
  name.AssignName(path);
  CFileSave save(file);
  if (!save.Begin(name)) return kCsvWriteCannotCreate;

  // A list that the ANSI code page can write keeps every byte it always had;
  // one that names a file outside it is UTF-8, marked so that it reads so.
  const bool utf8 = NeedsUtf8(settings, list);
  if (utf8 && file.Write("\xEF\xBB\xBF", 3) != 3) return kCsvWriteFailed;
  CString line;
  bool built = AppendCellText(&line, settings.outputFolder) && AppendComma(&line) &&
               AppendNumber(&line, settings.direction) && AppendComma(&line) &&
               AppendNumber(&line, settings.unitSize) && AppendComma(&line) &&
               AppendNumber(&line, settings.byteOrder) && AppendComma(&line) &&
               AppendCellText(&line, settings.valueFormat) && AppendComma(&line) &&
               AppendCellText(&line, settings.arrayTemplate) &&
               (settings.numberSyntax == 0 ||
                (AppendComma(&line) && AppendNumber(&line, settings.numberSyntax))) &&
               AppendLineEnd(&line);
  if (!WriteLine(file, line, built, utf8)) return kCsvWriteFailed;  // the save is abandoned

  for (int32_t i = 0; i < list.entryCount; ++i) {
    const FileListEntry& entry = list.entries[i];
    built = line.AssignBytes("", 0) && AppendCellText(&line, entry.inputName.path) &&
            AppendComma(&line) && AppendCellText(&line, entry.outputName.path) &&
            AppendComma(&line) && AppendCellText(&line, entry.arrayName) && AppendLineEnd(&line);
    if (!WriteLine(file, line, built, utf8)) return kCsvWriteFailed;
  }
  return save.Commit() ? kCsvWriteOk : kCsvWriteFailed;
}

bool ReadCsvNumber(const CString* cell, int64_t* value) {
  if (cell == nullptr || cell->IsEmpty()) return false;
  const char* text = cell->Text();
  int32_t i = 0;
  while (i < cell->length && IsBlank(text[i]))
    ++i;
  const bool negative = i < cell->length && text[i] == '-';
  if (negative) ++i;
  // Large enough to match no item, small enough never to overflow.
  constexpr int64_t kCeiling = int64_t{1} << 40;
  int64_t number = 0;
  for (; i < cell->length; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    if (number < kCeiling) number = number * 10 + (text[i] - '0');
  }
  *value = negative ? -number : number;
  return true;
}

bool ApplySettingsRecord(const CsvRow* row, FileListSettings* settings) {
  if (!AssignCell(&settings->outputFolder, CellAt(row, 0))) return false;
  SelectItem(CellAt(row, 1), kDirectionItems, &settings->direction, &settings->directionSet);
  SelectItem(CellAt(row, 2), kUnitSizeItems, &settings->unitSize, &settings->unitSizeSet);
  SelectItem(CellAt(row, 3), kByteOrderItems, &settings->byteOrder, &settings->byteOrderSet);
  // Texts stay in the code page, as a list has always given them.
  if (!AssignCell(&settings->valueFormat, CellAt(row, 4)) ||
      !AssignCell(&settings->arrayTemplate, CellAt(row, 5)) ||
      !settings->valueFormat.DropForeignUnits() || !settings->arrayTemplate.DropForeignUnits()) {
    return false;
  }
  SelectItem(CellAt(row, 6), kNumberSyntaxItems, &settings->numberSyntax,
             &settings->numberSyntaxSet);
  return true;
}

int32_t ApplyFileRecords(const CsvTable* table, CFileList* list) {
  int32_t appended = 0;
  for (int32_t r = 1; table != nullptr && r < table->Count(); ++r) {
    const CsvRow* row = table->GetAt(r);
    // An empty line is no file record.
    if (row->Count() == 0) continue;
    FileListEntry entry;
    if (!entry.inputName.SetPath(CellAt(row, 0)->Text())) return kCsvNoMemory;
    const CString* output = CellAt(row, 1);
    if (output != nullptr && !entry.outputName.SetPath(output->Text())) return kCsvNoMemory;
    if (!AssignCell(&entry.arrayName, CellAt(row, 2)) || !entry.arrayName.DropForeignUnits()) {
      return kCsvNoMemory;
    }
    if (list->AppendFileEntry(std::move(entry)) < 0) return kCsvNoMemory;
    ++appended;
  }
  return appended;
}
