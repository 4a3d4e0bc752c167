#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "base/file.h"
#include "cli/console.h"

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

void SetStandardOutputBinary() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

namespace {

BOOL WINAPI OnConsoleEvent(DWORD event) {
  // As the POSIX signals: Ctrl+C and Ctrl+Break are SIGINT's 130, closing
  // the console, logging off and shutting down SIGHUP's 129.
  const UINT status = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? 130 : 129;
  RemoveListedTemporaryFiles();
  ExitProcess(status);
}

}  // namespace

void RemoveTemporaryFilesOnInterrupt() {
  SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}
