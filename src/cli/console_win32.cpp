#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/console.h"

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

void SetStandardOutputBinary() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}
