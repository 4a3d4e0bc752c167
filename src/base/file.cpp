// The platform-neutral rules of CFile; the *_win32 / *_posix files supply the
// System* primitives.
#include "base/file.h"

CFile::~CFile() {
  SystemClose();
}

bool CFile::Open(const CString& path) {
  if (handle != 0 || path.length == 0) return false;
  name.Assign(path);
  if (!SystemOpen(path)) return false;
  readMode = 1;
  writeMode = 0;
  uint64_t known = 0;
  if (SystemSize(&known)) size = known;
  return true;
}

int CFile::Create(const CString& path, CreateRule rule) {
  if (handle != 0 || path.length == 0) return -1;
  name.Assign(path);
  if (!SystemCreate(path, rule)) return -2;
  readMode = 0;
  writeMode = 1;
  size = 0;
  return 0;
}

void CFile::Close() {
  SystemClose();
  size = 0;
}

uint32_t CFile::Read(void* buffer, uint32_t count, uint64_t position) {
  if (handle == 0) return 0;
  if (position != kCurrentPosition && !Seek(position)) return 0;
  uint32_t done = 0;
  if (!SystemRead(buffer, count, &done)) return 0;
  return done;
}

uint32_t CFile::Write(const void* buffer, uint32_t count, uint64_t position) {
  if (handle == 0) return 0;
  if (position != kCurrentPosition && !Seek(position)) return 0;
  uint32_t done = 0;
  if (!SystemWrite(buffer, count, &done)) return 0;
  if (position == kCurrentPosition) {
    size += done;
  } else {
    if (position + done > size) size = position + done;
    // A later append lands after everything written.
    SystemSeekEnd();
  }
  return done;
}

bool CFile::Seek(uint64_t position) {
  return handle != 0 && SystemSeek(position);
}

bool CFile::Flush() {
  return handle != 0 && SystemFlush();
}

bool CFile::IsEnd() {
  if (handle == 0) return true;
  uint64_t position = 0;
  if (!SystemTell(&position)) position = 0;
  return position >= size;
}
