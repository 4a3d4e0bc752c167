// POSIX backend of the folder calls: /proc/self/exe, getcwd and the XDG data
// home. The ANSI code page is UTF-8 here, so paths pass through unchanged.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/folders.h"

const char kPathSeparator[] = "/";

bool QueryProgramFile(CString& path) {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  // A result that fills the buffer may have been cut short.
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof buffer)) return false;
  return path.AssignBytes(buffer, static_cast<int32_t>(n)) != 0;
}

bool QueryCurrentFolder(CString& path) {
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer) == nullptr) return false;
  return path.AssignText(buffer) != 0;
}

bool QueryUserDataFolder(CString& path) {
  // The XDG rules ignore a relative $XDG_DATA_HOME.
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') {
    return path.AssignText(dataHome) != 0;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == 0) return false;
  CString result;
  if (!result.AssignText(home)) return false;
  static const char kSuffix[] = "/.local/share";
  if (!result.AppendBytes(kSuffix, static_cast<int32_t>(sizeof kSuffix - 1))) return false;
  return path.Assign(result) != nullptr;
}

bool PathExists(const CString& path) {
  struct stat info;
  return path.length > 0 && stat(path.Text(), &info) == 0;
}

bool FolderIsWritable(const CString& folder) {
  if (folder.length == 0) return false;
  char probe[PATH_MAX];
  const int n = std::snprintf(probe, sizeof probe, "%s/.brelvix-write-probe-%ld", folder.Text(),
                              static_cast<long>(getpid()));
  if (n <= 0 || n >= static_cast<int>(sizeof probe)) return false;
  const int fd = open(probe, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  unlink(probe);
  return true;
}

bool MakeFolder(const CString& path) {
  // Per-user data is the user's own business.
  return path.length > 0 && mkdir(path.Text(), 0700) == 0;
}
