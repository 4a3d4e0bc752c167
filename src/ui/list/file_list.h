// The file list: the ordered rows one conversion run works through. This is
// the model only; the window shows it in its list view and hands the first
// selected row to the commands that act on a row as an index.
#pragma once

#include <cstdint>

#include "base/file_name.h"
#include "base/holder.h"
#include "base/result.h"
#include "base/str.h"
#include "base/wide.h"

// One row: the input file, the output file name and the array name, all as
// 8-bit text in the ANSI code page. Members are destroyed in reverse order:
// the status, the array name, then the output name, then the input name.
class FileListEntry {
 public:
  CFileName inputName;   // the input's full path
  CFileName outputName;  // as derived, a bare file name; the run adds the folder
  CString arrayName;
  // What the last run made of the row, as the window shows it: UTF-16, as a
  // message in either language must survive any code page. Never saved with
  // the list; null until a run reached the row.
  CBuffer<WideChar> status;

  FileListEntry() = default;
  // A copy of text (null clears); false when memory runs out, the status
  // then cleared.
  bool SetStatus(const WideChar* text);
  const WideChar* Status() const { return status.Get() != nullptr ? status.Get() : WSTR(""); }
  FileListEntry(const FileListEntry&) = delete;
  FileListEntry& operator=(const FileListEntry&) = delete;
  // The list holds its rows by value and moves them as it grows and sorts.
  FileListEntry(FileListEntry&&) noexcept = default;
  FileListEntry& operator=(FileListEntry&&) noexcept = default;
};

// Results of AddFileEntry and AppendFileEntry other than a row index (see
// base/result.h).
enum : int32_t {
  kFileListDuplicate = kFileListResults - 1,  // the same input path is already a row
  kFileListNotFile = kFileListResults - 2,    // the input does not open for reading
  kFileListNoMemory = kFileListResults - 3,
};

// The separator that joins a folder and a file name on this platform.
inline constexpr char kFileListSeparator = kFolderSeparator;

class CFileList {
 public:
  // Rows 0 to entryCount - 1, held by value in list order; the rows past
  // them are empty. Null while the list has never held a row or after it
  // was cleared. Grows by the rule of base/growth.h.
  CBuffer<FileListEntry> entries;
  int32_t entryCapacity = 0;
  int32_t entryCount = 0;

  CFileList() = default;
  CFileList(const CFileList&) = delete;
  CFileList& operator=(const CFileList&) = delete;
  virtual ~CFileList();

  // Adds folder + separator + fileName unless a row has exactly that input
  // path (UTF-16, case-sensitive) or the file does not open for reading. The
  // output name is the stem with ".txt" for direction 0 and ".bin" otherwise;
  // the array name is the stem made a C identifier (MakeArrayName). Returns the new row's index or
  // a kFileList* code.
  int32_t AddFileEntry(const WideChar* folder, const WideChar* fileName, int32_t direction);

  // Splits a full path (a dropped file) into folder and name and adds it.
  int32_t AddFilePath(const WideChar* path, int32_t direction);

  // Adds the files of an open-file dialog result: NUL-terminated strings
  // ending with an empty one; either one full path, or a folder followed by
  // names in it. Returns the number of rows added; *leftOut (when not null)
  // grows by the files left out for any reason but already being a row.
  int32_t AddSelectedFiles(const WideChar* buffer, int32_t direction, int32_t* leftOut = nullptr);

  // Moves entry in as the last row and returns its index; returns
  // kFileListNoMemory when the rows cannot grow, and entry is left as it was.
  int32_t AppendFileEntry(FileListEntry&& entry);

  // The edit of one row: an empty input or output text leaves that name as it
  // was; an empty array text empties the array name. False for a bad index or
  // when memory runs out.
  bool ModifyFileEntry(int32_t index, const WideChar* input, const WideChar* output,
                       const WideChar* array);

  // Removes and destroys the row at index; later rows move up. False for a bad
  // index (-1 is what the window passes when no row is selected).
  bool DeleteFileEntry(int32_t index);

  // Removes the rows whose indexes are in rows (count of them, any order,
  // repeats and bad indexes ignored); the others keep their order. Returns
  // the number removed.
  int32_t DeleteFileEntries(const int32_t* rows, int32_t count);

  // Destroys every row and releases the storage.
  void ClearFileList();

  // Orders the rows by a column (kSortInput and on), ascending or not; rows
  // that compare equal keep their order. The order is the list's, so the
  // list counts as changed when any row moved. False when the column is
  // unknown.
  bool SortFileEntries(int32_t column, bool descending);

  // True when a row was added, changed or removed since the list was made,
  // loaded or saved: what closing the window would lose.
  bool IsModified() const { return modified_; }
  // The list as it stands is the one loaded or saved.
  void MarkUnmodified() { modified_ = false; }
  // Rows were changed in place (the direction switch renames outputs).
  void MarkModified() { modified_ = true; }
  // Exchanges the rows and the modified state with other, so that a list is
  // loaded apart and takes the current one's place only once it is whole.
  void Swap(CFileList& other);

 private:
  bool modified_ = false;
};

// The columns the rows sort by, in the list view's order.
enum : int32_t {
  kSortInput = 0,   // the input's full path
  kSortOutput = 1,  // the output file name
  kSortArray = 2,   // the array name
  kSortStatus = 3,  // what the last run made of the row
};

// How two texts of a column compare for sorting: letters without regard to
// ASCII case, runs of digits by their value ("file2" before "file10"), other
// units as they are. Negative, zero or positive.
int CompareListText(const char* a, const char* b);
int CompareListText(const WideChar* a, const WideChar* b);

// Why a typed output file name cannot be used for a row; kOutputNameOk when
// it can. The run writes the name into the output folder as it stands, so it
// must be one file name that Windows keeps as typed.
enum : int32_t {
  kOutputNameOk = kOk,
  kOutputNameEmpty = kOutputNameResults - 1,
  kOutputNameFolder = kOutputNameResults - 2,            // holds \ or /: a folder, not a name
  kOutputNameForbidden = kOutputNameResults - 3,         // one of < > : " | ? *
  kOutputNameControl = kOutputNameResults - 4,           // a character below 0x20
  kOutputNameTrailingDotSpace = kOutputNameResults - 5,  // Windows drops a final dot or space
  kOutputNameDevice = kOutputNameResults - 6,  // CON, PRN, AUX, NUL, COM1-9, LPT1-9, any extension
};

// Checks a typed output file name (UTF-16, null counts as empty). For
// kOutputNameForbidden and kOutputNameControl, *offending (when not null)
// gets the first character at fault.
int32_t CheckOutputFileName(const WideChar* name, WideChar* offending);
