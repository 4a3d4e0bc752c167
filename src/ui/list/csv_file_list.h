// The file list file: line 1 the settings record (output folder and the five
// conversion settings), every further line one file record. Written in the
// ANSI code page with CR LF line ends, or as UTF-8 with a byte-order mark
// when it names a file the code page cannot; read with ReadCsvTable (LoadListFile
// of ui/list_batch.h loads one whole).
#pragma once

#include <cstdint>

#include "base/file.h"
#include "base/result.h"
#include "base/str.h"
#include "base/wide.h"
#include "ui/list/csv_table.h"
#include "ui/list/file_list.h"

// The values a number cell of the settings record may select, in the order of
// the items of the window's boxes.
inline constexpr int32_t kDirectionItems[] = {0, 1};
inline constexpr int32_t kUnitSizeItems[] = {1, 2, 4, 8};
inline constexpr int32_t kByteOrderItems[] = {0, 1};
// The number syntax of text -> binary (0 plain, 1 C): a seventh cell that only
// this version reads and that is written only for the C syntax, so that a
// list of the plain rule stays as every version writes it.
inline constexpr int32_t kNumberSyntaxItems[] = {0, 1};

// The settings record as portable data. Writing takes every field. Loading
// sets the three texts (a missing cell gives an empty text) and sets a number
// together with its *Set flag only when its cell names one of the items;
// otherwise the number and flag are left as they were, so the caller keeps
// its current choice.
class FileListSettings {
 public:
  CString outputFolder;
  int32_t direction = 0;
  int32_t unitSize = 1;
  int32_t byteOrder = 0;
  CString valueFormat;
  CString arrayTemplate;
  int32_t numberSyntax = 0;
  bool directionSet = false;
  bool unitSizeSet = false;
  bool byteOrderSet = false;
  bool numberSyntaxSet = false;

  FileListSettings() = default;
  FileListSettings(const FileListSettings&) = delete;
  FileListSettings& operator=(const FileListSettings&) = delete;
};

// Results of WriteCsvFileList (see base/result.h).
enum : int {
  kCsvWriteOk = kOk,
  kCsvWriteCannotCreate = kCsvWriteResults - 1,  // the file could not be created or replaced
  kCsvWriteFailed = kCsvWriteResults - 2,        // a write or the flush failed; the old file
                                                 // stays (unless its folder allowed only
                                                 // writing in place)
};

// True when the cell must be quoted to read back as it stands: it holds a
// comma, a double quote, a CR or an LF, or begins or ends with a space or TAB.
bool CsvCellNeedsQuotes(const char* text, int32_t length);

// Appends one cell as written: as it stands, or within double quotes with
// each double quote doubled. Returns 1, or 0 when memory runs out.
int AppendCsvText(CString* line, const char* text, int32_t length);

// Creates or replaces path with the settings record and one record per row in
// list order, through a temporary file (CFileSave).
int WriteCsvFileList(const WideChar* path, const FileListSettings& settings, CFileList& list);
// The same, writing through file (a test's file that fails).
int WriteCsvFileList(const WideChar* path, const FileListSettings& settings, CFileList& list,
                     CFile& file);

// Reads a number cell: leading spaces and TABs, one optional "-", then only
// decimal digits. Blanks alone or "-" alone read as 0. False for an empty or
// missing cell and for any other text.
bool ReadCsvNumber(const CString* cell, int64_t* value);

// Applies a row as the settings record; false when memory runs out (settings
// are then partly applied and not to be used).
bool ApplySettingsRecord(const CsvRow* row, FileListSettings* settings);

// Appends a row of the list for each file record of the table (rows 1
// onward); rows without cells are skipped. No duplicate or existence test.
// Returns the number of rows appended, or kCsvNoMemory.
int32_t ApplyFileRecords(const CsvTable* table, CFileList* list);
