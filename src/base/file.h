// CFile: the program's one file class, a thin owner of a system handle.
// Readers share a file; a writer excludes every other handle. Failures are
// results, never messages.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/str.h"

enum class CreateRule {
  NewOnly,   // fail when the file exists
  Always,    // create or empty
  Existing,  // open an existing file, its content kept until written over
};

// Results of Create and CreateTemporaryFile (see base/result.h).
enum : int32_t {
  kFileUnusable = kFileResults - 1,  // the file is already open, or the path is empty
  kFileRefused = kFileResults - 2,   // the system refused; systemError says why
  kFileNoMemory = kFileResults - 3,  // systemError holds kSystemErrorNoMemory
};

// The system's error code for running out of memory (ENOMEM,
// ERROR_NOT_ENOUGH_MEMORY), for failures of the program's own copies.
extern const int32_t kSystemErrorNoMemory;

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
  // False when Open found no size to trust: a pipe, FIFO, device or a file
  // the system reports as empty (/proc). Such an input is read to its end.
  bool sizeKnown = true;
  // The system's error code of the last failed Open, Create, Read or Write;
  // 0 when none failed. DescribeSystemError gives its text.
  int32_t systemError = 0;

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  ~CFile();

  // Opens an existing file for reading; false when already open, the path is
  // empty or the system refuses.
  bool Open(const CString& path);
  // Like Open, for files read at startup or on a user's request (settings,
  // lists): refuses anything but a regular file, and never waits for a
  // writer as opening a FIFO would.
  bool OpenRegular(const CString& path);
  // Opens a second handle of standard input for reading, its size not known;
  // name becomes "-".
  bool OpenStandardInput();
  // kOk created, kFileUnusable or kFileRefused.
  int Create(const CString& path, CreateRule rule);

  virtual void Close();
  // Bytes read, 0 on any failure.
  virtual uint32_t Read(void* buffer, uint32_t count, uint64_t position = kCurrentPosition);
  // Bytes written, 0 on any failure. A short count is not an error here.
  virtual uint32_t Write(const void* buffer, uint32_t count, uint64_t position = kCurrentPosition);
  virtual bool Seek(uint64_t position);
  // Ends the file at the current position; false on failure.
  bool Truncate();
  // True when a handle is open and everything written has reached the disk.
  virtual bool Flush();
  // True when closed or the position is at or past the known size.
  virtual bool IsEnd();

 private:
  bool OpenAs(const CString& path, bool regularOnly);

  // Backend primitives; each returns false on failure and then sets
  // systemError. SystemSize fails for anything but a regular file.
  bool SystemOpen(const CString& path, bool regularOnly);
  // Names the file "-" and takes a handle of its own on standard input.
  bool SystemOpenStandardInput();
  bool SystemCreate(const CString& path, CreateRule rule);
  void SystemClose();
  bool SystemSize(uint64_t* result);
  bool SystemRead(void* buffer, uint32_t count, uint32_t* done);
  bool SystemWrite(const void* buffer, uint32_t count, uint32_t* done);
  bool SystemSeek(uint64_t position);
  bool SystemSeekEnd();
  bool SystemTell(uint64_t* position);
  bool SystemFlush();
  bool SystemTruncate();
};

// Publishing: an output is written under a temporary name and takes its final
// name only once complete, so that a killed run or a failed row never leaves
// a partial file under a name the user asked for.

// Name part that marks the program's temporary files, so that one a killed
// run left behind is recognised. The create is exclusive: a user's file that
// happened to have such a name would never be opened.
inline constexpr char kTemporaryNamePrefix[] = "~brelvix-";

// Creates a new, empty file for writing in folder ("" for the current
// directory) under a fresh name kTemporaryNamePrefix + digits + ".tmp", never
// opening an existing file. Returns kOk with file open and its path in *path;
// kFileUnusable when file is already open; or kFileRefused or kFileNoMemory
// with file closed and the cause in file.systemError. *path is empty unless
// kOk.
int32_t CreateTemporaryFile(const char* folder, CFile& file, CString* path);

enum class PublishStatus {
  Published,  // from is gone; to is the file
  Taken,      // to exists; nothing changed
  Failed,     // any other refusal; *error holds the code and nothing changed
};

// Gives the closed file from the name to, never replacing what is at to.
// Windows: MoveFileExW without MOVEFILE_REPLACE_EXISTING; Linux:
// renameat2(RENAME_NOREPLACE), or link + unlink where the file system lacks
// it.
PublishStatus PublishFile(const CString& from, const CString& to, int32_t* error);

// Gives the closed file from the name to in one step, replacing a file at to:
// a reader sees the old file or the new one, never a part. The new file
// takes the old one's mode (and owner and group where the user may set them;
// on Windows its attributes and security). Only for outputs the user asked
// to have replaced. False with *error set when the system refuses; nothing
// changed then.
bool ReplaceWithFile(const CString& from, const CString& to, int32_t* error);

// Deletes a temporary file left by a failed row; false when the system refuses.
bool RemoveTemporaryFile(const CString& path);

// The temporary files this process made and has not yet published or removed
// stand in a fixed table, so that an interrupted run can remove them.
// RemoveListedTemporaryFiles is safe in a signal handler (and in a console
// control handler on Windows); it may run on any thread.
void RemoveListedTemporaryFiles();
// For the backends: takes a published, replaced or removed file off the
// table; RemoveFileNow deletes a file with one system call.
void UnlistTemporaryFile(const CString& path);
void RemoveFileNow(const char* path);

// What stands at a path an output is to replace. A symbolic link is followed:
// *target gets the file finally named (path itself when it is no link).
enum class ReplaceTarget {
  Absent,        // nothing there: the output is made under the name
  File,          // a regular file this process may write
  Folder,        // a folder
  NotAFile,      // a FIFO, device or socket: never opened, so nothing blocks
  DanglingLink,  // a link whose target does not exist
  NotWritable,   // a file the user may not write; *error tells why
  Failed,        // the system could not tell; *error tells why
};
ReplaceTarget InspectReplaceTarget(const CString& path, CString* target, int32_t* error);

// True when both paths name one existing file (links and hard links too).
bool IsSameFile(const CString& first, const CString& second);

// The system's folder for temporary files ($TMPDIR or /tmp; the Windows
// temporary folder), without a final separator. False when memory runs out.
bool SystemTemporaryFolder(CString* folder);

// The system's text for an error code from this file, without a final line
// break.
void DescribeSystemError(int32_t error, CString* text);

// True when the error code says the name is already taken.
bool IsNameTakenError(int32_t error);

// True when the error code says the file or folder, or one above it, is not
// there.
bool IsNotFoundError(int32_t error);

// Whether folder is there as a folder: 0, or the system's error code (a file
// in its place gives the system's "not a folder" code).
int32_t ProbeFolder(const CString& folder);

// Creates folder and every missing folder above it: 0, or the system's error
// code of the last folder that could not be made.
int32_t CreateFolderPath(const CString& folder);
