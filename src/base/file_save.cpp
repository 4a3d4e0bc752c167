#include "base/file_save.h"

#include "base/file_name.h"

bool CFileSave::ResolveTarget(const CString& path, CString* target) {
  return SystemResolve(path, target);
}

CFileSave::~CFileSave() {
  if (open) Abandon();
}

bool CFileSave::Begin(const CString& path) {
  if (open || path.length == 0) return false;
  if (!SystemResolve(path, &target)) return false;
  const bool exists = SystemExists(target);
  if (exists && !SystemWritable(target)) return false;
  inPlace = false;
  old.Reset();
  oldSize = 0;
  CString folder;
  if (!FolderOfPath(target.Text(), &folder)) return false;
  // A fresh name, created exclusively: no other file is ever truncated or
  // replaced on the way, whatever stands beside the target.
  if (CreateTemporaryFile(folder.Text(), file, &temporary) == kOk) {
    open = true;
    return true;
  }
  // A folder that refuses new files still lets a writable file be written
  // in place. The old content is kept in memory and the file is written
  // over, not emptied first, so that a failed write can put it back.
  if (!exists || !KeepOldContent()) return false;
  if (file.Create(target, CreateRule::Existing) != kOk) return false;
  inPlace = true;
  open = true;
  return true;
}

bool CFileSave::KeepOldContent() {
  CFile reader;
  if (!reader.OpenRegular(target)) return false;
  const uint64_t size = reader.size;
  if (size > 0x7FFFFFFFu) return false;
  oldSize = static_cast<uint32_t>(size);
  if (!old.AllocateUninitialised(oldSize + 1)) return false;
  return oldSize == 0 || reader.Read(old.Get(), oldSize) == oldSize;
}

bool CFileSave::RestoreOldContent() {
  file.Close();
  // A handle of its own: the caller's file is the one whose writes failed.
  // Written over the same bytes, the file never has to grow past what it
  // held, so a full disk or a size limit lets it through.
  CFile writer;
  const bool restored = writer.Create(target, CreateRule::Existing) == kOk &&
                        (oldSize == 0 || writer.Write(old.Get(), oldSize) == oldSize) &&
                        writer.Truncate() && writer.Flush();
  old.Reset();
  return restored;
}

bool CFileSave::Commit() {
  if (!open) return false;
  open = false;
  if (inPlace) {
    // The new content may be shorter than the old.
    if (file.Seek(file.size) && file.Truncate() && file.Flush()) {
      file.Close();
      old.Reset();
      return true;
    }
    RestoreOldContent();
    return false;
  }
  const bool flushed = file.Flush();
  file.Close();
  int32_t error = 0;
  if (flushed && ReplaceWithFile(temporary, target, &error)) return true;
  RemoveTemporaryFile(temporary);
  return false;
}

void CFileSave::Abandon() {
  if (!open) return;
  open = false;
  if (inPlace) {
    RestoreOldContent();
    return;
  }
  file.Close();
  RemoveTemporaryFile(temporary);
}
