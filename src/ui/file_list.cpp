#include "ui/file_list.h"

#include <cstring>
#include <new>
#include <utility>

#include "base/debug_print.h"
#include "base/file.h"
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
  CString joined;
  joined.AssignName(folder);
  if (!joined.AppendBytes(&kFileListSeparator, 1) || !joined.AppendName(fileName)) {
    return kFileListNoMemory;
  }

  // The rows' paths compare as they are kept, in the ANSI code page: their
  // UTF-16 forms are made from those bytes, so equal bytes are the equal
  // paths. Making every row's UTF-16 form anew for each file added made adding
  // thousands of files take minutes.
  for (int32_t i = 0; i < entryCount; ++i) {
    const CString& path = entries[i]->inputName.path;
    if (path.length == joined.length &&
        std::memcmp(path.Text(), joined.Text(), static_cast<size_t>(joined.length)) == 0) {
      return kFileListDuplicate;
    }
  }
  const WideChar* joinedWide = joined.GetWide();

  {
    CFile probe;
    if (!probe.Open(joined)) {
      DebugPrint(WSTR("Not file : %s\n"), joinedWide);
      return kFileListNotFile;
    }
  }

  CHolder<FileListEntry> entry(new (std::nothrow) FileListEntry);
  if (!entry || !entry->inputName.SetPath(joined.Text())) return kFileListNoMemory;

  CString output;
  const CString& stem = entry->inputName.stem;
  if (!output.AssignBytes(stem.Text(), stem.length) ||
      !output.AppendBytes(direction == 0 ? ".txt" : ".bin", 4) ||
      !entry->outputName.SetPath(output.Text())) {
    return kFileListNoMemory;
  }
  // The stem as it is would not compile for many a file name.
  if (!MakeArrayName(stem.Text(), &entry->arrayName)) return kFileListNoMemory;

  const int32_t index = AppendFileEntry(entry.Get());
  if (index >= 0) static_cast<void>(entry.Release());  // the list owns it now
  return index;
}

int32_t CFileList::AddFilePath(const WideChar* path, int32_t direction) {
  CString text;
  text.AssignName(path);
  CFileName split;
  if (!split.SetPath(text.Text())) return kFileListNoMemory;
  return AddFileEntry(split.folder.GetWide(), split.name.GetWide(), direction);
}

int32_t CFileList::AddSelectedFiles(const WideChar* buffer, int32_t direction) {
  if (buffer == nullptr || buffer[0] == 0) return 0;
  const WideChar* first = buffer;
  const WideChar* next = first + WideLength(first) + 1;
  int32_t added = 0;
  if (next[0] == 0) return AddFilePath(first, direction) >= 0 ? 1 : 0;
  for (; next[0] != 0; next += WideLength(next) + 1) {
    if (AddFileEntry(first, next, direction) >= 0) ++added;
  }
  return added;
}

int32_t CFileList::AppendFileEntry(FileListEntry* entry) {
  if (entryCount >= entryCapacity) {
    const int64_t grown = int64_t{entryCapacity} + 10;
    if (grown > INT32_MAX) return kFileListNoMemory;
    CBuffer<FileListEntry*> slots;
    if (!slots.Allocate(static_cast<size_t>(grown))) return kFileListNoMemory;
    for (int32_t i = 0; i < entryCount; ++i)
      slots[i] = entries[i];
    FreeArray(entries);
    entries = slots.Release();
    entryCapacity = static_cast<int32_t>(grown);
  }
  entries[entryCount] = entry;
  modified_ = true;
  return entryCount++;
}

bool CFileList::ModifyFileEntry(int32_t index, const WideChar* input, const WideChar* output,
                                const WideChar* array) {
  if (index < 0 || index >= entryCount) return false;
  FileListEntry* entry = entries[index];
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
  FileListEntry* removed = entries[index];
  for (int32_t i = index; i + 1 < entryCount; ++i)
    entries[i] = entries[i + 1];
  entries[--entryCount] = nullptr;
  delete removed;
  modified_ = true;
  return true;
}

void CFileList::ClearFileList() {
  if (entryCount > 0) modified_ = true;
  for (int32_t i = 0; i < entryCount; ++i)
    delete entries[i];
  FreeArray(entries);
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
