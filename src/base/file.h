// CFile: the program's one file class, a thin owner of a system handle.
// Readers share a file; a writer excludes every other handle. Failures are
// results, never messages.
#pragma once

#include <cstdint>

#include "base/str.h"

enum class CreateRule {
  NewOnly,  // fail when the file exists
  Always,   // create or empty
};

// Position argument of Read and Write meaning "at the current position".
inline constexpr uint64_t kCurrentPosition = ~uint64_t{0};

class CFile {
 public:
  // The backend's handle, 0 while closed; never an invalid system handle.
  intptr_t handle = 0;
  CString name;
  int32_t readMode = 1;
  int32_t writeMode = 0;
  // The size as known: from the system at Open, 0 after Create and Close,
  // grown by Write.
  uint64_t size = 0;

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  ~CFile();

  // Opens an existing file for reading; false when already open, the path is
  // empty or the system refuses.
  bool Open(const CString& path);
  // 0 created; -1 already open or empty path; -2 the system refused.
  int Create(const CString& path, CreateRule rule);

  virtual void Close();
  // Bytes read, 0 on any failure.
  virtual uint32_t Read(void* buffer, uint32_t count, uint64_t position = kCurrentPosition);
  // Bytes written, 0 on any failure. A short count is not an error here.
  virtual uint32_t Write(const void* buffer, uint32_t count, uint64_t position = kCurrentPosition);
  virtual bool Seek(uint64_t position);
  // True when a handle is open and everything written has reached the disk.
  virtual bool Flush();
  // True when closed or the position is at or past the known size.
  virtual bool IsEnd();

 private:
  // Backend primitives; each returns false on failure.
  bool SystemOpen(const CString& path);
  bool SystemCreate(const CString& path, CreateRule rule);
  void SystemClose();
  bool SystemSize(uint64_t* result);
  bool SystemRead(void* buffer, uint32_t count, uint32_t* done);
  bool SystemWrite(const void* buffer, uint32_t count, uint32_t* done);
  bool SystemSeek(uint64_t position);
  bool SystemSeekEnd();
  bool SystemTell(uint64_t* position);
  bool SystemFlush();
};
