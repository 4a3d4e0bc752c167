// Win32 backend of CFile.
#include <windows.h>

#include "base/file.h"

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

void CFile::SystemFlush() {
  FlushFileBuffers(Native(handle));
}
