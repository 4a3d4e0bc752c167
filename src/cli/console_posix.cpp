#include <unistd.h>

#include "cli/console.h"

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

void SetStandardOutputBinary() {
  // POSIX streams never translate line ends.
}
