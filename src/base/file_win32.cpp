// Win32 backend of CFile.
#include <windows.h>

#include <cwchar>

#include "base/file.h"
#include "base/file_save.h"
#include "base/handle_win32.h"
#include "base/system_path_win32.h"

const int32_t kSystemErrorNoMemory = ERROR_NOT_ENOUGH_MEMORY;

namespace {

HANDLE Native(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

bool Move(intptr_t handle, LONGLONG distance, DWORD method, uint64_t* result) {
  LARGE_INTEGER to;
  to.QuadPart = distance;
  LARGE_INTEGER at;
  if (!SetFilePointerEx(Native(handle), to, &at, method)) return false;
  if (result != nullptr) *result = static_cast<uint64_t>(at.QuadPart);
  return true;
}

intptr_t Keep(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<intptr_t>(h);
}

// Paths this long go in the "\\?\" form: CreateDirectoryW stops 12 units
// short of MAX_PATH, the other functions at it.
constexpr int32_t kClassicPathUnits = MAX_PATH - 12;

// The final path of an open file, following every link to the end: under
// Wine a Unix symbolic link is no reparse point, yet the handle reaches its
// target all the same. False when the system cannot tell.
bool FinalPathOf(HANDLE file, CString* path) {
  DWORD room = MAX_PATH + 8;
  for (int attempt = 0; attempt < 2; ++attempt) {
    CBuffer<wchar_t> units;
    if (!units.Allocate(room + 1)) return false;
    const DWORD length = GetFinalPathNameByHandleW(file, units.Get(), room, FILE_NAME_NORMALIZED);
    if (length == 0) return false;
    if (length < room) {
      AssignSystemPath(units.Get(), path);
      return path->length > 0;
    }
    room = length + 1;
  }
  return false;
}

}  // namespace

CSystemPath::CSystemPath(const CString& path) {
  Take(path);
}

CSystemPath::CSystemPath(const char* path) {
  CString text;
  if (text.AssignText(path)) Take(text);
}

void CSystemPath::Take(const CString& path) {
  const CWideText wide(path);
  const wchar_t* units = wide.Get();
  if (units == nullptr) return;
  const int32_t length = WideLength(units);
  const bool prefixed = length >= 4 && units[0] == L'\\' && units[1] == L'\\' &&
                        (units[2] == L'?' || units[2] == L'.') && units[3] == L'\\';
  if (length < kClassicPathUnits || prefixed) {
    if (units_.Allocate(static_cast<size_t>(length) + 1)) {
      std::wmemcpy(units_.Get(), units, static_cast<size_t>(length));
    }
    return;
  }
  // The prefix turns off the system's own clean-up of the path, so the full
  // path (relative parts resolved, '/' made '\\') goes after it.
  const DWORD needed = GetFullPathNameW(units, 0, nullptr, nullptr);
  CBuffer<wchar_t> full;
  if (needed == 0 || !full.Allocate(needed + 1)) return;
  const DWORD made = GetFullPathNameW(units, needed + 1, full.Get(), nullptr);
  if (made == 0 || made > needed) return;
  const wchar_t* rest = full.Get();
  const bool share = made >= 2 && rest[0] == L'\\' && rest[1] == L'\\';
  const wchar_t* prefix = share ? L"\\\\?\\UNC\\" : L"\\\\?\\";
  if (share) rest += 2;
  const size_t prefixLength = std::wcslen(prefix);
  const size_t restLength = std::wcslen(rest);
  if (!units_.Allocate(prefixLength + restLength + 1)) return;
  std::wmemcpy(units_.Get(), prefix, prefixLength);
  std::wmemcpy(units_.Get() + prefixLength, rest, restLength);
}

void AssignSystemPath(const wchar_t* units, CString* path) {
  if (std::wcsncmp(units, L"\\\\?\\UNC\\", 8) == 0) {
    CBuffer<wchar_t> share;
    const size_t length = std::wcslen(units + 8);
    if (!share.Allocate(length + 3)) {
      path->Clear();
      return;
    }
    share.Get()[0] = L'\\';
    share.Get()[1] = L'\\';
    std::wmemcpy(share.Get() + 2, units + 8, length);
    path->AssignName(share.Get());
    return;
  }
  path->AssignName(std::wcsncmp(units, L"\\\\?\\", 4) == 0 ? units + 4 : units);
}

bool CFile::SystemOpen(const CString& path, bool regularOnly) {
  const CSystemPath wide(path);
  // The path is never empty here: null is memory run out.
  if (wide.Get() == nullptr) {
    systemError = kSystemErrorNoMemory;
    return false;
  }
  handle = Keep(CreateFileW(wide.Get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_RANDOM_ACCESS, nullptr));
  if (handle == 0) {
    systemError = static_cast<int32_t>(GetLastError());
    return false;
  }
  if (regularOnly && GetFileType(Native(handle)) != FILE_TYPE_DISK) {
    SystemClose();
    systemError = ERROR_INVALID_FUNCTION;
    return false;
  }
  return true;
}

bool CFile::SystemCreate(const CString& path, CreateRule rule) {
  const CSystemPath wide(path);
  if (wide.Get() == nullptr) {
    systemError = kSystemErrorNoMemory;
    return false;
  }
  const DWORD disposition = rule == CreateRule::NewOnly    ? CREATE_NEW
                            : rule == CreateRule::Existing ? OPEN_EXISTING
                                                           : CREATE_ALWAYS;
  // A new file (an output or temporary file being written) may be deleted
  // while open, so that an interrupt's handler can remove it; it goes when
  // the process ends.
  const DWORD share =
      rule == CreateRule::NewOnly ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
  handle = Keep(CreateFileW(wide.Get(), GENERIC_WRITE, share, nullptr, disposition,
                            FILE_FLAG_RANDOM_ACCESS, nullptr));
  if (handle == 0) systemError = static_cast<int32_t>(GetLastError());
  return handle != 0;
}

bool CFile::SystemOpenStandardInput() {
  if (!name.AssignBytes("-", 1)) {
    systemError = kSystemErrorNoMemory;
    return false;
  }
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(),
                       &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    systemError = static_cast<int32_t>(GetLastError());
    return false;
  }
  handle = reinterpret_cast<intptr_t>(copy);
  return true;
}

void CFile::SystemClose() {
  if (handle != 0) CloseHandle(Native(handle));
  handle = 0;
}

bool CFile::SystemSize(uint64_t* result) {
  // A pipe or console has no size to trust.
  if (GetFileType(Native(handle)) != FILE_TYPE_DISK) return false;
  LARGE_INTEGER value;
  if (!GetFileSizeEx(Native(handle), &value)) return false;
  *result = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool CFile::SystemRead(void* buffer, uint32_t count, uint32_t* done) {
  DWORD n = 0;
  if (!ReadFile(Native(handle), buffer, count, &n, nullptr)) {
    const DWORD error = GetLastError();
    // A pipe whose writer has closed ends like a file.
    if (error == ERROR_BROKEN_PIPE) {
      *done = 0;
      return true;
    }
    systemError = static_cast<int32_t>(error);
    return false;
  }
  *done = n;
  return true;
}

bool CFile::SystemWrite(const void* buffer, uint32_t count, uint32_t* done) {
  DWORD n = 0;
  if (!WriteFile(Native(handle), buffer, count, &n, nullptr)) {
    systemError = static_cast<int32_t>(GetLastError());
    return false;
  }
  *done = n;
  return true;
}

bool CFile::SystemSeek(uint64_t position) {
  if (position > static_cast<uint64_t>(INT64_MAX)) return false;
  return Move(handle, static_cast<LONGLONG>(position), FILE_BEGIN, nullptr);
}

bool CFile::SystemSeekEnd() {
  return Move(handle, 0, FILE_END, nullptr);
}

bool CFile::SystemTell(uint64_t* position) {
  return Move(handle, 0, FILE_CURRENT, position);
}

bool CFile::SystemFlush() {
  return FlushFileBuffers(Native(handle)) != FALSE;
}

bool CFile::SystemTruncate() {
  return SetEndOfFile(Native(handle)) != FALSE;
}

bool CFileSave::SystemResolve(const CString& path, CString* target) {
  const CSystemPath wide(path);
  if (wide.Get() == nullptr) return false;
  // Opening follows every link, also a Unix one under Wine, which shows no
  // reparse point; the handle then names the file finally reached. A path
  // that does not open (nothing there yet) stays as the user gave it.
  CHandle file(CreateFileW(wide.Get(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.IsValid() && FinalPathOf(file.Get(), target)) return true;
  return target->Assign(path) != nullptr;
}

bool CFileSave::SystemExists(const CString& path) {
  const CSystemPath widePath(path);
  const wchar_t* wide = widePath.Get();
  return wide != nullptr && GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES;
}

bool CFileSave::SystemWritable(const CString& path) {
  const CSystemPath widePath(path);
  const wchar_t* wide = widePath.Get();
  if (wide == nullptr) return false;
  // Opening for writing refuses a folder, a read-only file and one the user
  // may not write; nothing is changed.
  const CHandle probe(CreateFileW(wide, GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return probe.IsValid();
}

PublishStatus PublishFile(const CString& from, const CString& to, int32_t* error) {
  *error = 0;
  const CSystemPath source(from);
  const CSystemPath target(to);
  // A null new name would delete the file (as Wine does) or schedule it.
  if (source.Get() == nullptr || target.Get() == nullptr) {
    *error = kSystemErrorNoMemory;
    return PublishStatus::Failed;
  }
  // No MOVEFILE_REPLACE_EXISTING: a file at target stays as it is.
  if (MoveFileExW(source.Get(), target.Get(), 0)) {
    UnlistTemporaryFile(from);
    return PublishStatus::Published;
  }
  const DWORD code = GetLastError();
  if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return PublishStatus::Taken;
  *error = static_cast<int32_t>(code);
  return PublishStatus::Failed;
}

bool ReplaceWithFile(const CString& from, const CString& to, int32_t* error) {
  *error = 0;
  const CSystemPath source(from);
  const CSystemPath target(to);
  const wchar_t* fromWide = source.Get();
  const wchar_t* toWide = target.Get();
  if (fromWide == nullptr || toWide == nullptr) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  const DWORD attributes = GetFileAttributesW(toWide);
  bool replaced = false;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    replaced = MoveFileExW(fromWide, toWide, MOVEFILE_WRITE_THROUGH) != FALSE;
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    // Windows refuses to put a file over a folder; Wine's ReplaceFileW does not.
    SetLastError(ERROR_ACCESS_DENIED);
  } else if (ReplaceFileW(toWide, fromWide, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                          nullptr)) {
    // ReplaceFileW keeps the old file's attributes, security and creation time.
    replaced = true;
  } else if (MoveFileExW(fromWide, toWide, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    // Where it is refused (some file systems), a move and the old attributes.
    SetFileAttributesW(toWide, attributes);
    replaced = true;
  }
  if (!replaced) {
    *error = static_cast<int32_t>(GetLastError());
    return false;
  }
  UnlistTemporaryFile(from);
  return true;
}

bool RemoveTemporaryFile(const CString& path) {
  const CSystemPath wide(path);
  const bool removed = wide.Get() != nullptr && DeleteFileW(wide.Get()) != 0;
  if (removed || GetLastError() == ERROR_FILE_NOT_FOUND) UnlistTemporaryFile(path);
  return removed;
}

void RemoveFileNow(const char* path) {
  // The table holds the paths as the program keeps them (base/str.h); a
  // console control handler runs on a thread of its own, where allocating
  // is safe.
  const CSystemPath wide(path);
  if (wide.Get() != nullptr) DeleteFileW(wide.Get());
}

ReplaceTarget InspectReplaceTarget(const CString& path, CString* target, int32_t* error) {
  *error = 0;
  const CSystemPath widePath(path);
  if (widePath.Get() == nullptr || target->Assign(path) == nullptr) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return ReplaceTarget::Failed;
  }
  DWORD attributes = GetFileAttributesW(widePath.Get());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    *error = static_cast<int32_t>(code);
    return code == ERROR_FILE_NOT_FOUND ? ReplaceTarget::Absent : ReplaceTarget::Failed;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    CHandle linked(CreateFileW(widePath.Get(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!linked.IsValid()) {
      const DWORD code = GetLastError();
      *error = static_cast<int32_t>(code);
      return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                 ? ReplaceTarget::DanglingLink
                 : ReplaceTarget::Failed;
    }
    linked.Reset();
    if (!CFileSave::ResolveTarget(path, target)) {
      *error = ERROR_NOT_ENOUGH_MEMORY;
      return ReplaceTarget::Failed;
    }
    const CSystemPath resolved(*target);
    attributes =
        resolved.Get() != nullptr ? GetFileAttributesW(resolved.Get()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      *error = static_cast<int32_t>(GetLastError());
      return ReplaceTarget::Failed;
    }
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ReplaceTarget::Folder;
  const CSystemPath wide(*target);
  // Opening a device or pipe for no access never waits and changes nothing.
  const CHandle probe(CreateFileW(wide.Get(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (probe.IsValid() && GetFileType(probe.Get()) != FILE_TYPE_DISK) return ReplaceTarget::NotAFile;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    *error = ERROR_ACCESS_DENIED;
    return ReplaceTarget::NotWritable;
  }
  const CHandle writer(CreateFileW(wide.Get(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!writer.IsValid()) {
    *error = static_cast<int32_t>(GetLastError());
    return ReplaceTarget::NotWritable;
  }
  return ReplaceTarget::File;
}

bool IsSameFile(const CString& first, const CString& second) {
  const CSystemPath a(first);
  const CSystemPath b(second);
  if (a.Get() == nullptr || b.Get() == nullptr) return false;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const CHandle one(
      CreateFileW(a.Get(), 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const CHandle two(
      CreateFileW(b.Get(), 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION x;
  BY_HANDLE_FILE_INFORMATION y;
  return one.IsValid() && two.IsValid() && GetFileInformationByHandle(one.Get(), &x) &&
         GetFileInformationByHandle(two.Get(), &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

bool SystemTemporaryFolder(CString* folder) {
  wchar_t path[MAX_PATH + 2] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH + 1) return folder->AssignText(".") != 0;
  DWORD end = length;
  while (end > 3 && (path[end - 1] == L'\\' || path[end - 1] == L'/'))
    path[--end] = 0;
  folder->AssignName(reinterpret_cast<const WideChar*>(path));
  return folder->length > 0;
}

void DescribeSystemError(int32_t error, CString* text) {
  CLocalMemory<wchar_t> allocated;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(allocated.Receive()), 0,
      nullptr);
  wchar_t* const message = allocated.Get();
  if (length == 0 || message == nullptr) {
    char fallback[32];
    wsprintfA(fallback, "error %lu", static_cast<unsigned long>(error));
    text->AssignText(fallback);
    return;
  }
  DWORD end = length;
  while (end > 0 && (message[end - 1] == L'\r' || message[end - 1] == L'\n' ||
                     message[end - 1] == L' ' || message[end - 1] == L'.')) {
    --end;
  }
  message[end] = 0;
  text->AssignWide(reinterpret_cast<const WideChar*>(message));
}

bool IsNameTakenError(int32_t error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

bool IsNotFoundError(int32_t error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

int32_t ProbeFolder(const CString& folder) {
  const CSystemPath wide(folder);
  if (wide.Get() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  const DWORD attributes = GetFileAttributesW(wide.Get());
  if (attributes == INVALID_FILE_ATTRIBUTES) return static_cast<int32_t>(GetLastError());
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : ERROR_DIRECTORY;
}

int32_t CreateFolderPath(const CString& folder) {
  CString prefix;
  const char* text = folder.Text();
  // Each folder above first (a drive or share refuses, which is harmless);
  // one that exists, or cannot be made, is for the last create to tell.
  for (int32_t i = 1; i < folder.length; ++i) {
    if ((text[i] != '\\' && text[i] != '/') || text[i - 1] == '\\' || text[i - 1] == '/') continue;
    if (!prefix.AssignBytes(text, i)) return ERROR_NOT_ENOUGH_MEMORY;
    const CSystemPath wide(prefix);
    if (wide.Get() != nullptr) CreateDirectoryW(wide.Get(), nullptr);
  }
  const CSystemPath wide(folder);
  if (wide.Get() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  if (CreateDirectoryW(wide.Get(), nullptr)) return 0;
  const auto error = static_cast<int32_t>(GetLastError());
  return error == ERROR_ALREADY_EXISTS ? ProbeFolder(folder) : error;
}
