#include "base/file_save.h"

namespace {

constexpr char kTemporarySuffix[] = ".tmp";

}  // namespace

CFileSave::~CFileSave() {
  if (open) Abandon();
}

bool CFileSave::Begin(const CString& path) {
  if (open || path.length == 0) return false;
  if (!SystemResolve(path, &target)) return false;
  if (SystemExists(target) && !SystemWritable(target)) return false;
  inPlace = false;
  if (temporary.Assign(target) == nullptr ||
      !temporary.AppendBytes(kTemporarySuffix, sizeof kTemporarySuffix - 1)) {
    return false;
  }
  if (file.Create(temporary, CreateRule::Always) != 0) {
    // Something in the way under the temporary name (a folder, a file in
    // use) is a failure; a folder that refuses new files is not, since the
    // file itself may still be writable.
    if (SystemExists(temporary)) return false;
    if (file.Create(target, CreateRule::Always) != 0) return false;
    inPlace = true;
  }
  open = true;
  return true;
}

bool CFileSave::Commit() {
  if (!open) return false;
  const bool flushed = file.Flush();
  file.Close();
  open = false;
  if (inPlace) return flushed;
  if (flushed && SystemReplace(temporary, target)) return true;
  SystemRemove(temporary);
  return false;
}

void CFileSave::Abandon() {
  if (!open) return;
  file.Close();
  open = false;
  if (!inPlace) SystemRemove(temporary);
}
