// Win32 backend of the folder calls: GetModuleFileNameW, GetCurrentDirectoryW,
// SHGetFolderPathW, GetFileAttributesW, CreateFileW, CreateDirectoryW and
// MoveFileExW.
#include <shlobj.h>
#include <shlwapi.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/codepage.h"
#include "base/handle_win32.h"
#include "base/holder.h"
#include "base/system_path_win32.h"
#include "config/folders.h"

const char kPathSeparator[] = "\\";

namespace {

// Room for the longest path the system hands out; MAX_PATH would cut longer
// ones short and make them name another folder.
constexpr DWORD kLongPath = 32768;

}  // namespace

bool QueryProgramFile(CString& path) {
  CBuffer<WideChar> buffer;
  if (!buffer.Allocate(kLongPath)) return false;
  const DWORD n = GetModuleFileNameW(nullptr, buffer.Get(), kLongPath);
  const bool ok = n > 0 && n < kLongPath;
  if (ok) path.AssignName(buffer.Get());
  return ok;
}

bool QueryCurrentFolder(CString& path) {
  CBuffer<WideChar> buffer;
  if (!buffer.Allocate(kLongPath)) return false;
  const DWORD n = GetCurrentDirectoryW(kLongPath, buffer.Get());
  const bool ok = n > 0 && n < kLongPath;
  if (ok) path.AssignName(buffer.Get());
  return ok;
}

bool QueryUserDataFolder(CString& path) {
  WideChar buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, buffer))) {
    return false;
  }
  path.AssignName(buffer);
  return true;
}

bool PathExists(const CString& path) {
  if (path.length == 0) return false;
  const CSystemPath wide(path);
  return wide.Get() != nullptr && GetFileAttributesW(wide.Get()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderIsWritable(const CString& folder) {
  if (folder.length == 0) return false;
  CString probe;
  probe.Assign(folder);
  char name[64];
  std::snprintf(name, sizeof name, "\\brelvix-write-probe-%lu.tmp",
                static_cast<unsigned long>(GetCurrentProcessId()));
  if (!probe.AppendText(name)) return false;
  const CSystemPath wide(probe);
  if (wide.Get() == nullptr) return false;
  // CREATE_NEW never touches a file someone else made; the handle's close
  // removes the probe.
  const CHandle file(CreateFileW(wide.Get(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return file.IsValid();
}

bool MakeFolder(const CString& path) {
  if (path.length == 0) return false;
  const CSystemPath wide(path);
  return wide.Get() != nullptr && CreateDirectoryW(wide.Get(), nullptr) != FALSE;
}
