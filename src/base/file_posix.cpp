// POSIX backend of CFile. The Windows sharing rule (readers share, a writer
// excludes every other handle) is kept with non-blocking flock locks, which
// conflict between separate opens even within one process.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/file.h"
#include "base/file_save.h"
#include "base/holder.h"

const int32_t kSystemErrorNoMemory = ENOMEM;

namespace {

// handle = descriptor + 1, so that 0 means closed.
int Descriptor(intptr_t handle) {
  return static_cast<int>(handle - 1);
}

bool LockOrClose(int fd, int operation) {
  if (flock(fd, operation | LOCK_NB) == 0) return true;
  close(fd);
  return false;
}

}  // namespace

bool CFile::SystemOpen(const CString& path, bool regularOnly) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is
  // taken off again for a file that is then read.
  const int fd = open(path.Text(), O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0));
  if (fd < 0) {
    systemError = errno;
    return false;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    systemError = errno;
    close(fd);
    return false;
  }
  // Windows refuses to open a folder as a file; so do we.
  if (S_ISDIR(info.st_mode) || (regularOnly && !S_ISREG(info.st_mode))) {
    systemError = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    close(fd);
    return false;
  }
  if (regularOnly) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (!LockOrClose(fd, LOCK_SH)) {
    systemError = EBUSY;
    return false;
  }
  handle = fd + 1;
  return true;
}

bool CFile::SystemCreate(const CString& path, CreateRule rule) {
  const int flags = O_WRONLY | O_CLOEXEC |
                    (rule == CreateRule::Existing  ? 0
                     : rule == CreateRule::NewOnly ? O_CREAT | O_EXCL
                                                   : O_CREAT);
  const int fd = open(path.Text(), flags, 0666);
  if (fd < 0) {
    systemError = errno;
    return false;
  }
  if (!LockOrClose(fd, LOCK_EX)) {
    systemError = EBUSY;
    return false;
  }
  // Emptied only once the lock is held, so a file in use elsewhere is untouched.
  if (rule == CreateRule::Always && ftruncate(fd, 0) != 0) {
    systemError = errno;
    close(fd);
    return false;
  }
  handle = fd + 1;
  return true;
}

bool CFile::SystemOpenStandardInput() {
  if (!name.AssignBytes("-", 1)) {
    systemError = kSystemErrorNoMemory;
    return false;
  }
  const int fd = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    systemError = errno;
    return false;
  }
  handle = fd + 1;
  return true;
}

void CFile::SystemClose() {
  if (handle != 0) close(Descriptor(handle));
  handle = 0;
}

bool CFile::SystemSize(uint64_t* result) {
  struct stat info;
  if (fstat(Descriptor(handle), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  *result = static_cast<uint64_t>(info.st_size);
  return true;
}

bool CFile::SystemRead(void* buffer, uint32_t count, uint32_t* done) {
  auto* out = static_cast<char*>(buffer);
  uint32_t total = 0;
  // Like ReadFile on a disk file: keep reading until count or end of file.
  while (total < count) {
    const ssize_t n = read(Descriptor(handle), out + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      systemError = errno;
      return false;
    }
    if (n == 0) break;
    total += static_cast<uint32_t>(n);
  }
  *done = total;
  return true;
}

bool CFile::SystemWrite(const void* buffer, uint32_t count, uint32_t* done) {
  const auto* in = static_cast<const char*>(buffer);
  uint32_t total = 0;
  while (total < count) {
    const ssize_t n = write(Descriptor(handle), in + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      systemError = errno;
      if (total == 0) return false;
      break;
    }
    total += static_cast<uint32_t>(n);
  }
  *done = total;
  return true;
}

bool CFile::SystemSeek(uint64_t position) {
  if (position > static_cast<uint64_t>(INT64_MAX)) return false;
  return lseek(Descriptor(handle), static_cast<off_t>(position), SEEK_SET) >= 0;
}

bool CFile::SystemSeekEnd() {
  return lseek(Descriptor(handle), 0, SEEK_END) >= 0;
}

bool CFile::SystemTell(uint64_t* position) {
  const off_t at = lseek(Descriptor(handle), 0, SEEK_CUR);
  if (at < 0) return false;
  *position = static_cast<uint64_t>(at);
  return true;
}

bool CFile::SystemFlush() {
  return fsync(Descriptor(handle)) == 0;
}

bool CFile::SystemTruncate() {
  const off_t at = lseek(Descriptor(handle), 0, SEEK_CUR);
  return at >= 0 && ftruncate(Descriptor(handle), at) == 0;
}

bool CFileSave::SystemResolve(const CString& path, CString* target) {
  // A file that does not exist yet is made under its own name.
  const CMallocHolder resolved(realpath(path.Text(), nullptr));
  if (!resolved) return target->Assign(path) != nullptr;
  return target->AssignText(resolved.As<char>()) != 0;
}

bool CFileSave::SystemExists(const CString& path) {
  struct stat info;
  return lstat(path.Text(), &info) == 0;
}

bool CFileSave::SystemWritable(const CString& path) {
  struct stat info;
  return stat(path.Text(), &info) == 0 && !S_ISDIR(info.st_mode) && access(path.Text(), W_OK) == 0;
}

PublishStatus PublishFile(const CString& from, const CString& to, int32_t* error) {
  *error = 0;
#if defined(RENAME_NOREPLACE)
  if (renameat2(AT_FDCWD, from.Text(), AT_FDCWD, to.Text(), RENAME_NOREPLACE) == 0) {
    UnlistTemporaryFile(from);
    return PublishStatus::Published;
  }
  if (errno == EEXIST) return PublishStatus::Taken;
  // Only a file system without the flag goes on to the link fallback.
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
    *error = errno;
    return PublishStatus::Failed;
  }
#endif
  // link never replaces either; the temporary name is dropped after.
  if (link(from.Text(), to.Text()) != 0) {
    if (errno == EEXIST) return PublishStatus::Taken;
    *error = errno;
    return PublishStatus::Failed;
  }
  unlink(from.Text());
  UnlistTemporaryFile(from);
  return PublishStatus::Published;
}

bool ReplaceWithFile(const CString& from, const CString& to, int32_t* error) {
  *error = 0;
  struct stat info;
  if (stat(to.Text(), &info) == 0) {
    if (chmod(from.Text(), info.st_mode & 07777) != 0) {
      *error = errno;
      return false;
    }
    // Only the superuser may give a file away; anyone else may still pass
    // on a group they belong to. The mode decides who may read it either way.
    if (chown(from.Text(), info.st_uid, info.st_gid) != 0) {
      [[maybe_unused]] const int grouped = chown(from.Text(), static_cast<uid_t>(-1), info.st_gid);
    }
  }
  if (rename(from.Text(), to.Text()) != 0) {
    *error = errno;
    return false;
  }
  UnlistTemporaryFile(from);
  return true;
}

bool RemoveTemporaryFile(const CString& path) {
  const bool removed = unlink(path.Text()) == 0;
  if (removed || errno == ENOENT) UnlistTemporaryFile(path);
  return removed;
}

void RemoveFileNow(const char* path) {
  unlink(path);
}

ReplaceTarget InspectReplaceTarget(const CString& path, CString* target, int32_t* error) {
  *error = 0;
  if (target->Assign(path) == nullptr) {
    *error = ENOMEM;
    return ReplaceTarget::Failed;
  }
  struct stat info;
  if (lstat(path.Text(), &info) != 0) {
    *error = errno;
    return errno == ENOENT ? ReplaceTarget::Absent : ReplaceTarget::Failed;
  }
  if (S_ISLNK(info.st_mode)) {
    const CMallocHolder resolved(realpath(path.Text(), nullptr));
    if (!resolved) {
      *error = errno;
      return errno == ENOENT ? ReplaceTarget::DanglingLink : ReplaceTarget::Failed;
    }
    if (!target->AssignText(resolved.As<char>())) {
      *error = ENOMEM;
      return ReplaceTarget::Failed;
    }
    if (stat(target->Text(), &info) != 0) {
      *error = errno;
      return ReplaceTarget::Failed;
    }
  }
  if (S_ISDIR(info.st_mode)) return ReplaceTarget::Folder;
  if (!S_ISREG(info.st_mode)) return ReplaceTarget::NotAFile;
  if (access(target->Text(), W_OK) != 0) {
    *error = errno;
    return ReplaceTarget::NotWritable;
  }
  return ReplaceTarget::File;
}

bool IsSameFile(const CString& first, const CString& second) {
  struct stat a;
  struct stat b;
  return stat(first.Text(), &a) == 0 && stat(second.Text(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

bool SystemTemporaryFolder(CString* folder) {
  const char* value = std::getenv("TMPDIR");
  if (value == nullptr || value[0] != '/') value = "/tmp";
  size_t length = std::strlen(value);
  while (length > 1 && value[length - 1] == '/')
    --length;
  return folder->AssignBytes(value, static_cast<int32_t>(length)) != 0;
}

void DescribeSystemError(int32_t error, CString* text) {
  const char* message = error > 0 ? std::strerror(error) : "unknown error";
  text->AssignText(message);
}

bool IsNameTakenError(int32_t error) {
  return error == EEXIST;
}

bool IsNotFoundError(int32_t error) {
  return error == ENOENT || error == ENOTDIR;
}

int32_t ProbeFolder(const CString& folder) {
  struct stat status {};
  if (stat(folder.Text(), &status) != 0) return errno;
  return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

int32_t CreateFolderPath(const CString& folder) {
  CString prefix;
  const char* text = folder.Text();
  // Each folder above first; one that exists, or cannot be made, is for the
  // last mkdir to tell.
  for (int32_t i = 1; i < folder.length; ++i) {
    if (text[i] != '/' || text[i - 1] == '/') continue;
    if (!prefix.AssignBytes(text, i)) return ENOMEM;
    mkdir(prefix.Text(), 0777);
  }
  if (mkdir(text, 0777) == 0) return 0;
  const int32_t error = errno;
  return error == EEXIST ? ProbeFolder(folder) : error;
}
