// Win32 backend of the folder calls: GetModuleFileNameW, GetCurrentDirectoryW,
// SHGetFolderPathW, PathFileExistsW, CreateFileW, CreateDirectoryW and
// MoveFileExW.
#include <shlobj.h>
#include <shlwapi.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "base/codepage.h"
#include "config/folders.h"

const char kPathSeparator[] = "\\";

namespace {

// Room for the longest path the system hands out; MAX_PATH would cut longer
// ones short and make them name another folder.
constexpr DWORD kLongPath = 32768;

// The path as UTF-16 for the wide calls; the caller releases it with delete[].
WideChar* Wide(const CString& path) {
  return MultiByteToWide(path.Text(), -1, kCodePageAnsi);
}

}  // namespace

bool QueryProgramFile(CString& path) {
  WideChar* buffer = new (std::nothrow) WideChar[kLongPath]();
  if (buffer == nullptr) return false;
  const DWORD n = GetModuleFileNameW(nullptr, buffer, kLongPath);
  const bool ok = n > 0 && n < kLongPath;
  if (ok) path.AssignWide(buffer);
  delete[] buffer;
  return ok;
}

bool QueryCurrentFolder(CString& path) {
  WideChar* buffer = new (std::nothrow) WideChar[kLongPath]();
  if (buffer == nullptr) return false;
  const DWORD n = GetCurrentDirectoryW(kLongPath, buffer);
  const bool ok = n > 0 && n < kLongPath;
  if (ok) path.AssignWide(buffer);
  delete[] buffer;
  return ok;
}

bool QueryUserDataFolder(CString& path) {
  WideChar buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, buffer))) {
    return false;
  }
  path.AssignWide(buffer);
  return true;
}

bool PathExists(const CString& path) {
  if (path.length == 0) return false;
  WideChar* wide = Wide(path);
  const bool exists = wide != nullptr && PathFileExistsW(wide) != FALSE;
  delete[] wide;
  return exists;
}

bool FolderIsWritable(const CString& folder) {
  if (folder.length == 0) return false;
  CString probe;
  probe.Assign(folder);
  char name[64];
  std::snprintf(name, sizeof name, "\\brelvix-write-probe-%lu.tmp",
                static_cast<unsigned long>(GetCurrentProcessId()));
  if (!probe.AppendBytes(name, static_cast<int32_t>(std::strlen(name)))) return false;
  WideChar* wide = Wide(probe);
  if (wide == nullptr) return false;
  // CREATE_NEW never touches a file someone else made; the handle's close
  // removes the probe.
  HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  delete[] wide;
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool MakeFolder(const CString& path) {
  if (path.length == 0) return false;
  WideChar* wide = Wide(path);
  const bool made = wide != nullptr && CreateDirectoryW(wide, nullptr) != FALSE;
  delete[] wide;
  return made;
}
