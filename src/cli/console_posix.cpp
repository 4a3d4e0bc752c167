#include <unistd.h>

#include <cstdio>

#include "cli/console.h"

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

void SetStandardOutputBinary() {
  // POSIX streams never translate line ends.
}

bool MoveFileOver(const char* from, const char* to) {
  return std::rename(from, to) == 0;
}

bool RemoveFile(const char* path) {
  return unlink(path) == 0;
}
