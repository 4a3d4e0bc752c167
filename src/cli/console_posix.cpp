#include <signal.h>
#include <unistd.h>

#include "base/file.h"
#include "cli/console.h"

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

void SetStandardOutputBinary() {
  // POSIX streams never translate line ends.
}

namespace {

void OnInterrupt(int signal) {
  RemoveListedTemporaryFiles();
  _exit(128 + signal);
}

}  // namespace

void RemoveTemporaryFilesOnInterrupt() {
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction action = {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  // One cleanup at a time: the other signals wait while it runs.
  for (const int signal : signals)
    sigaddset(&action.sa_mask, signal);
  for (const int signal : signals) {
    struct sigaction old = {};
    // A signal ignored when the tool started (nohup, a background job)
    // stays ignored.
    if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}
