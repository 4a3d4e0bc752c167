// CFileSave: a save that replaces a file whole. The bytes go to a temporary
// file beside the file, under a fresh name created exclusively, which takes
// the file's place only once every byte is written and flushed, keeping the
// old file's permissions; a failed save leaves the old file as it was. Where
// the folder refuses new files but the file itself may be written, the file
// is written in place instead, so that a save that works at all still works;
// its old content is held in memory and put back when the save fails. A
// symbolic link is saved through to its target.
#pragma once

#include <cstdint>

#include "base/file.h"
#include "base/holder.h"
#include "base/str.h"

class CFileSave {
 public:
  // The caller writes through file between Begin and Commit; tests hand in a
  // file whose writes or flush fail.
  explicit CFileSave(CFile& file) : file(file) {}
  CFileSave(const CFileSave&) = delete;
  CFileSave& operator=(const CFileSave&) = delete;
  // An uncommitted save is abandoned.
  ~CFileSave();

  // Opens file for writing the new content of path. False when nothing can
  // be written (also for an empty path).
  bool Begin(const CString& path);
  // Flushes and closes file, then puts the temporary file in place. False
  // when the flush or the move failed; the old file then stays (written in
  // place, its old content is written back).
  bool Commit();
  // Closes file and removes the temporary file, or puts the old content back.
  void Abandon();

  // The final target of a symbolic link, else path itself.
  static bool ResolveTarget(const CString& path, CString* target);

  // True while the file itself is being written, without a temporary file.
  bool inPlace = false;

 private:
  // Backend primitives; each returns false on failure.
  // The path a save must write: the final target of a symbolic link, else
  // path itself (also when it does not exist yet).
  static bool SystemResolve(const CString& path, CString* target);
  static bool SystemExists(const CString& path);
  // False for a folder and for a file this process may not write: what could
  // not be written in place is not replaced either.
  static bool SystemWritable(const CString& path);

  bool KeepOldContent();
  bool RestoreOldContent();

  CFile& file;
  CBuffer<char> old;  // the old content while written in place
  uint32_t oldSize = 0;
  CString target;
  CString temporary;
  bool open = false;
};
