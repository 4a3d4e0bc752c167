// The platform-neutral rules of CFile; the *_win32 / *_posix files supply the
// System* primitives.
#include "base/file.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "base/file_name.h"

CFile::~CFile() {
  SystemClose();
}

bool CFile::Open(const CString& path) {
  return OpenAs(path, false);
}

bool CFile::OpenRegular(const CString& path) {
  return OpenAs(path, true);
}

bool CFile::OpenAs(const CString& path, bool regularOnly) {
  if (handle != 0 || path.length == 0) return false;
  name.Assign(path);
  systemError = 0;
  if (!SystemOpen(path, regularOnly)) return false;
  readMode = 1;
  writeMode = 0;
  uint64_t known = 0;
  // A size of 0 is no promise: /proc files say 0 and still hold text.
  sizeKnown = SystemSize(&known) && known > 0;
  size = sizeKnown ? known : 0;
  return true;
}

bool CFile::OpenStandardInput() {
  if (handle != 0) return false;
  if (!SystemOpenStandardInput()) return false;
  readMode = 1;
  writeMode = 0;
  size = 0;
  sizeKnown = false;
  return true;
}

int CFile::Create(const CString& path, CreateRule rule) {
  if (handle != 0 || path.length == 0) return kFileUnusable;
  name.Assign(path);
  systemError = 0;
  sizeKnown = true;
  if (!SystemCreate(path, rule)) return kFileRefused;
  readMode = 0;
  writeMode = 1;
  size = 0;
  return kOk;
}

void CFile::Close() {
  SystemClose();
  size = 0;
  sizeKnown = true;
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

bool CFile::Truncate() {
  return handle != 0 && SystemTruncate();
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

namespace {

// The table of temporary files: a slot is claimed (kFilling) before its
// path is copied and listed (kListed) after, so that a handler never reads
// a half-written path.
constexpr int kFree = 0;
constexpr int kFilling = 1;
constexpr int kListed = 2;
constexpr int kTemporarySlots = 16;
constexpr int32_t kSlotPathBytes = 4096;
struct TemporarySlot {
  std::atomic<int> state{kFree};
  char path[kSlotPathBytes];
};
TemporarySlot temporarySlots[kTemporarySlots];

void ListTemporaryFile(const CString& path) {
  if (path.length >= kSlotPathBytes) return;
  for (TemporarySlot& slot : temporarySlots) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(slot.path, path.Text(), static_cast<size_t>(path.length) + 1);
    slot.state.store(kListed);
    return;
  }
}

}  // namespace

void UnlistTemporaryFile(const CString& path) {
  for (TemporarySlot& slot : temporarySlots) {
    if (slot.state.load() == kListed && std::strcmp(slot.path, path.Text()) == 0) {
      slot.state.store(kFree);
      return;
    }
  }
}

void RemoveListedTemporaryFiles() {
  for (TemporarySlot& slot : temporarySlots) {
    int expected = kListed;
    if (slot.state.compare_exchange_strong(expected, kFilling)) RemoveFileNow(slot.path);
  }
}

int32_t CreateTemporaryFile(const char* folder, CFile& file, CString* path) {
  // Fresh digits per attempt: the time, a per-process counter and an address
  // that address-space randomisation moves make two runs in one folder
  // unlikely to meet, and the exclusive create settles it when they do.
  static std::atomic<uint32_t> counter{0};
  const char* folderText = folder != nullptr ? folder : "";
  const auto now =
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  const uint64_t seed = now ^ (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&counter)) << 16);
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint64_t mixed = seed + 0x9E3779B97F4A7C15ull * (counter.fetch_add(1) + 1);
    mixed ^= mixed >> 31;
    mixed *= 0xBF58476D1CE4E5B9ull;
    mixed ^= mixed >> 29;
    char leaf[40];
    std::snprintf(leaf, sizeof leaf, "%s%012llx.tmp", kTemporaryNamePrefix,
                  static_cast<unsigned long long>(mixed & 0xFFFFFFFFFFFFull));
    path->Clear();
    const auto folderLength = static_cast<int32_t>(std::strlen(folderText));
    // A path cut short for want of memory would name a file in another folder.
    if (!path->AppendBytes(folderText, folderLength) ||
        (folderLength > 0 && !path->AppendBytes(&kFolderSeparator, 1)) || !path->AppendText(leaf)) {
      path->Clear();
      file.systemError = kSystemErrorNoMemory;
      return kFileNoMemory;
    }
    const int created = file.Create(*path, CreateRule::NewOnly);
    if (created == kOk) {
      ListTemporaryFile(*path);
      return kOk;
    }
    if (created != kFileRefused || !IsNameTakenError(file.systemError)) {
      path->Clear();
      return created;
    }
  }
  path->Clear();
  return kFileRefused;
}
