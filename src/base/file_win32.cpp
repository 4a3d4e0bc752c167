// Win32 backend of CFile.
#include <windows.h>

#include <cwchar>

#include "base/file.h"
#include "base/file_save.h"

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

}  // namespace

bool CFile::SystemOpen(const CString& path) {
  CString copy;
  copy.Assign(path);
  handle = Keep(CreateFileW(copy.GetWide(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_RANDOM_ACCESS, nullptr));
  return handle != 0;
}

bool CFile::SystemCreate(const CString& path, CreateRule rule) {
  CString copy;
  copy.Assign(path);
  const DWORD disposition = rule == CreateRule::NewOnly ? CREATE_NEW : CREATE_ALWAYS;
  handle = Keep(CreateFileW(copy.GetWide(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                            FILE_FLAG_RANDOM_ACCESS, nullptr));
  return handle != 0;
}

void CFile::SystemClose() {
  if (handle != 0) CloseHandle(Native(handle));
  handle = 0;
}

bool CFile::SystemSize(uint64_t* result) {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(Native(handle), &value)) return false;
  *result = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool CFile::SystemRead(void* buffer, uint32_t count, uint32_t* done) {
  DWORD n = 0;
  if (!ReadFile(Native(handle), buffer, count, &n, nullptr)) return false;
  *done = n;
  return true;
}

bool CFile::SystemWrite(const void* buffer, uint32_t count, uint32_t* done) {
  DWORD n = 0;
  if (!WriteFile(Native(handle), buffer, count, &n, nullptr)) return false;
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

bool CFileSave::SystemResolve(const CString& path, CString* target) {
  CString copy;
  copy.Assign(path);
  const wchar_t* wide = copy.GetWide();
  if (wide == nullptr) return false;
  const DWORD attributes = GetFileAttributesW(wide);
  // Only a link is resolved: a plain path stays as the user gave it.
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return target->Assign(path) != nullptr;
  }
  HANDLE linked = CreateFileW(wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (linked == INVALID_HANDLE_VALUE) return target->Assign(path) != nullptr;
  wchar_t resolved[MAX_PATH + 8] = {};
  const DWORD length =
      GetFinalPathNameByHandleW(linked, resolved, MAX_PATH + 8, FILE_NAME_NORMALIZED);
  CloseHandle(linked);
  if (length == 0 || length >= MAX_PATH + 8) return target->Assign(path) != nullptr;
  // The result carries the \\?\ prefix; a share comes as \\?\UNC\server.
  const wchar_t* start = resolved;
  if (wcsncmp(start, L"\\\\?\\UNC\\", 8) == 0) {
    start += 6;
    resolved[6] = L'\\';
  } else if (wcsncmp(start, L"\\\\?\\", 4) == 0) {
    start += 4;
  }
  target->AssignWide(start);
  return target->length > 0;
}

bool CFileSave::SystemExists(const CString& path) {
  CString copy;
  copy.Assign(path);
  const wchar_t* wide = copy.GetWide();
  return wide != nullptr && GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES;
}

bool CFileSave::SystemWritable(const CString& path) {
  CString copy;
  copy.Assign(path);
  const wchar_t* wide = copy.GetWide();
  if (wide == nullptr) return false;
  // Opening for writing refuses a folder, a read-only file and one the user
  // may not write; nothing is changed.
  HANDLE probe =
      CreateFileW(wide, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return false;
  CloseHandle(probe);
  return true;
}

bool CFileSave::SystemReplace(const CString& temporary, const CString& target) {
  CString from;
  CString to;
  from.Assign(temporary);
  to.Assign(target);
  const wchar_t* fromWide = from.GetWide();
  const wchar_t* toWide = to.GetWide();
  if (fromWide == nullptr || toWide == nullptr) return false;
  const DWORD attributes = GetFileAttributesW(toWide);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return MoveFileExW(fromWide, toWide, MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  // Windows refuses to put a file over a folder; Wine's ReplaceFileW does not.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  // ReplaceFileW keeps the old file's attributes, security and creation time.
  if (ReplaceFileW(toWide, fromWide, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return true;
  }
  // Where it is refused (some file systems), a move and the old attributes.
  if (!MoveFileExW(fromWide, toWide, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return false;
  }
  SetFileAttributesW(toWide, attributes);
  return true;
}

bool CFileSave::SystemRemove(const CString& path) {
  CString copy;
  copy.Assign(path);
  const wchar_t* wide = copy.GetWide();
  return wide != nullptr && DeleteFileW(wide) != FALSE;
}
