#include "ui/list/file_list.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "base/debug_print.h"
#include "base/file.h"
#include "base/growth.h"
#include "base/holder.h"
#include "convert/array_name.h"

namespace {

// Sets a used file name to a new path with no part of the old one left over:
// an edited output name without extension must not keep the old extension.
// Returns 0 when memory runs out.
int ResetFileName(CFileName& fileName, const CString& newPath) {
  fileName.path.Clear();
  fileName.folder.Clear();
  fileName.name.Clear();
  fileName.stem.Clear();
  fileName.extension.Clear();
  fileName.nameStart = -1;
  fileName.extensionStart = -1;
  return fileName.SetPath(newPath.Text());
}

bool SameText(const CString& a, const CString& b) {
  return a.length == b.length &&
         (a.length == 0 || std::memcmp(a.Text(), b.Text(), static_cast<size_t>(a.length)) == 0);
}

// The names Windows gives to devices, whatever extension follows: a file
// named so opens the device, and the output would never be written.
bool IsDeviceName(const WideChar* name, int32_t length) {
  int32_t stem = 0;
  while (stem < length && name[stem] != '.')
    ++stem;
  // Windows ignores spaces before the extension too.
  while (stem > 0 && name[stem - 1] == ' ')
    --stem;
  auto upper = [](WideChar c) { return c >= 'a' && c <= 'z' ? static_cast<WideChar>(c - 32) : c; };
  auto is = [&](const char* device) {
    for (int32_t i = 0; i < 3; ++i) {
      if (upper(name[i]) != static_cast<WideChar>(device[i])) return false;
    }
    return true;
  };
  if (stem == 3) return is("CON") || is("PRN") || is("AUX") || is("NUL");
  return stem == 4 && (is("COM") || is("LPT")) && name[3] >= '1' && name[3] <= '9';
}

}  // namespace

CFileList::~CFileList() {
  ClearFileList();
}

int32_t CFileList::AddFileEntry(const WideChar* folder, const WideChar* fileName,
                                int32_t direction) {
  // Appended, not assigned: AssignName empties the text when memory runs out,
  // and the row would then name a file at the root.
  CString joined;
  if (!joined.AppendName(folder) || !joined.AppendBytes(&kFileListSeparator, 1) ||
      !joined.AppendName(fileName)) {
    return kFileListNoMemory;
  }

  // The rows' paths compare as they are kept, in the ANSI code page: their
  // UTF-16 forms are made from those bytes, so equal bytes are the equal
  // paths. Making every row's UTF-16 form anew for each file added made adding
  // thousands of files take minutes.
  for (int32_t i = 0; i < entryCount; ++i) {
    const CString& path = entries[i].inputName.path;
    if (path.length == joined.length &&
        std::memcmp(path.Text(), joined.Text(), static_cast<size_t>(joined.length)) == 0) {
      return kFileListDuplicate;
    }
  }
  const WideChar* joinedWide = joined.GetWide();

  {
    CFile probe;
    if (!probe.Open(joined)) {
      if (probe.systemError == kSystemErrorNoMemory) return kFileListNoMemory;
      DebugPrint(WSTR("Not file : %s\n"), joinedWide);
      return kFileListNotFile;
    }
  }

  FileListEntry entry;
  if (!entry.inputName.SetPath(joined.Text())) return kFileListNoMemory;

  CString output;
  const CString& stem = entry.inputName.stem;
  if (!output.AssignBytes(stem.Text(), stem.length) ||
      !output.AppendBytes(direction == 0 ? ".txt" : ".bin", 4) ||
      !entry.outputName.SetPath(output.Text())) {
    return kFileListNoMemory;
  }
  // The stem as it is would not compile for many a file name.
  if (!MakeArrayName(stem.Text(), &entry.arrayName)) return kFileListNoMemory;

  return AppendFileEntry(std::move(entry));
}

int32_t CFileList::AddFilePath(const WideChar* path, int32_t direction) {
  CString text;
  CFileName split;
  if (!text.AppendName(path) || !split.SetPath(text.Text())) return kFileListNoMemory;
  // A part that has text but no UTF-16 copy ran out of memory; passed on as
  // null it would count as empty.
  const WideChar* folder = split.folder.GetWide();
  const WideChar* name = split.name.GetWide();
  if ((folder == nullptr && split.folder.length > 0) ||
      (name == nullptr && split.name.length > 0)) {
    return kFileListNoMemory;
  }
  return AddFileEntry(folder, name, direction);
}

int32_t CFileList::AddSelectedFiles(const WideChar* buffer, int32_t direction, int32_t* leftOut) {
  if (buffer == nullptr || buffer[0] == 0) return 0;
  int32_t added = 0;
  const auto count = [&](int32_t result) {
    if (result >= 0) {
      ++added;
    } else if (result != kFileListDuplicate && leftOut != nullptr) {
      ++*leftOut;
    }
  };
  const WideChar* first = buffer;
  const WideChar* next = first + WideLength(first) + 1;
  if (next[0] == 0) {
    count(AddFilePath(first, direction));
    return added;
  }
  for (; next[0] != 0; next += WideLength(next) + 1)
    count(AddFileEntry(first, next, direction));
  return added;
}

int32_t CFileList::AppendFileEntry(FileListEntry&& entry) {
  if (!GrowToFit(entries, entryCount, &entryCapacity, int64_t{entryCount} + 1)) {
    return kFileListNoMemory;
  }
  entries[entryCount] = std::move(entry);
  modified_ = true;
  return entryCount++;
}

bool CFileList::ModifyFileEntry(int32_t index, const WideChar* input, const WideChar* output,
                                const WideChar* array) {
  if (index < 0 || index >= entryCount) return false;
  FileListEntry* entry = &entries[index];
  CString text;
  text.AssignName(input);
  if (!text.IsEmpty() && !SameText(text, entry->inputName.path)) {
    modified_ = true;
    if (!ResetFileName(entry->inputName, text)) return false;
  }
  text.AssignName(output);
  if (!text.IsEmpty() && !SameText(text, entry->outputName.path)) {
    modified_ = true;
    if (!ResetFileName(entry->outputName, text)) return false;
  }
  text.AssignWide(array);
  if (!SameText(text, entry->arrayName)) {
    modified_ = true;
    if (entry->arrayName.Assign(text) == nullptr && !text.IsEmpty()) return false;
  }
  return true;
}

bool CFileList::DeleteFileEntry(int32_t index) {
  if (index < 0 || index >= entryCount) return false;
  std::move(entries.Get() + index + 1, entries.Get() + entryCount, entries.Get() + index);
  entries[--entryCount] = FileListEntry();
  modified_ = true;
  return true;
}

int32_t CFileList::DeleteFileEntries(const int32_t* rows, int32_t count) {
  // Marked first, then compacted in one pass: removing one index at a time
  // would shift the indexes still to come.
  CBuffer<bool> marked;
  if (!marked.Allocate(static_cast<size_t>(entryCount))) {
    // Without room for the marks, row by row from the end, so that no index
    // still to come has moved.
    int32_t removed = 0;
    for (int32_t row = entryCount - 1; row >= 0; --row) {
      if (std::find(rows, rows + count, row) != rows + count && DeleteFileEntry(row)) ++removed;
    }
    return removed;
  }
  int32_t removed = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t row = rows[i];
    if (row < 0 || row >= entryCount || marked[row]) continue;
    marked[row] = true;
    ++removed;
  }
  if (removed == 0) return 0;
  int32_t kept = 0;
  for (int32_t i = 0; i < entryCount; ++i) {
    if (!marked[i]) {
      if (kept != i) entries[kept] = std::move(entries[i]);
      ++kept;
    }
  }
  for (int32_t i = kept; i < entryCount; ++i)
    entries[i] = FileListEntry();
  entryCount = kept;
  modified_ = true;
  return removed;
}

namespace {

const CString& SortKey(const FileListEntry& entry, int32_t column) {
  switch (column) {
    case kSortOutput:
      return entry.outputName.path;
    case kSortArray:
      return entry.arrayName;
    default:
      return entry.inputName.path;
  }
}

template <typename Char>
bool IsDigit(Char c) {
  return c >= '0' && c <= '9';
}

template <typename Char>
Char FoldCase(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

template <typename Char, typename Unit>
int CompareText(const Char* a, const Char* b) {
  while (*a != 0 && *b != 0) {
    if (IsDigit(*a) && IsDigit(*b)) {
      // By value: leading zeros skipped, then the longer run is the larger,
      // then the first differing digit decides.
      while (*a == '0')
        ++a;
      while (*b == '0')
        ++b;
      const Char* endA = a;
      const Char* endB = b;
      while (IsDigit(*endA))
        ++endA;
      while (IsDigit(*endB))
        ++endB;
      if (endA - a != endB - b) return endA - a < endB - b ? -1 : 1;
      for (; a < endA; ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
      }
      continue;
    }
    const auto ca = static_cast<Unit>(FoldCase(*a));
    const auto cb = static_cast<Unit>(FoldCase(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++a;
    ++b;
  }
  if (*a == 0 && *b == 0) return 0;
  return *a == 0 ? -1 : 1;
}

}  // namespace

int CompareListText(const char* a, const char* b) {
  return CompareText<char, unsigned char>(a, b);
}

int CompareListText(const WideChar* a, const WideChar* b) {
  return CompareText<WideChar, uint16_t>(a, b);
}

bool FileListEntry::SetStatus(const WideChar* text) {
  if (text == nullptr) {
    status.Reset();
    return true;
  }
  const int32_t length = WideLength(text);
  if (!status.AllocateUninitialised(static_cast<size_t>(length) + 1)) return false;
  std::copy(text, text + length + 1, status.Get());
  return true;
}

bool CFileList::SortFileEntries(int32_t column, bool descending) {
  if (column < kSortInput || column > kSortStatus) return false;
  if (entryCount < 2) return true;
  const auto before = [column, descending](const FileListEntry& x, const FileListEntry& y) {
    const int order = column == kSortStatus
                          ? CompareListText(x.Status(), y.Status())
                          : CompareListText(SortKey(x, column).Text(), SortKey(y, column).Text());
    return descending ? order > 0 : order < 0;
  };
  FileListEntry* const first = entries.Get();
  FileListEntry* const last = first + entryCount;
  // A stable sort moves a row exactly when the rows are out of order.
  if (std::is_sorted(first, last, before)) return true;
  // Stable, so that a second sort by another column keeps the first within
  // equal keys; without a spare buffer it sorts in place, more slowly.
  std::stable_sort(first, last, before);
  modified_ = true;
  return true;
}

void CFileList::ClearFileList() {
  if (entryCount > 0) modified_ = true;
  entries.Reset();
  entryCapacity = 0;
  entryCount = 0;
}

void CFileList::Swap(CFileList& other) {
  std::swap(entries, other.entries);
  std::swap(entryCapacity, other.entryCapacity);
  std::swap(entryCount, other.entryCount);
  std::swap(modified_, other.modified_);
}

int32_t CheckOutputFileName(const WideChar* name, WideChar* offending) {
  const int32_t length = WideLength(name);
  if (length == 0) return kOutputNameEmpty;
  for (int32_t i = 0; i < length; ++i) {
    const WideChar c = name[i];
    if (c == '\\' || c == '/') return kOutputNameFolder;
  }
  for (int32_t i = 0; i < length; ++i) {
    const WideChar c = name[i];
    const bool control = c < 0x20;
    if (control || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
        c == '*') {
      if (offending != nullptr) *offending = c;
      return control ? kOutputNameControl : kOutputNameForbidden;
    }
  }
  if (name[length - 1] == '.' || name[length - 1] == ' ') return kOutputNameTrailingDotSpace;
  if (IsDeviceName(name, length)) return kOutputNameDevice;
  return kOutputNameOk;
}
