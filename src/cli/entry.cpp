// The process entry: the only place that knows how the system hands over the
// arguments. Windows gives UTF-16 (wmain, linked with -municode), which is
// kept as file names are (base/str.h): exactly, whatever the code page;
// POSIX gives the bytes as they are.
#include <cstdio>

#include "cli/cli.h"

#if defined(_WIN32)
#include <vector>

#include "base/str.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<CString> owned(static_cast<size_t>(argc));
  std::vector<char*> args(static_cast<size_t>(argc) + 1, nullptr);
  for (int i = 0; i < argc; ++i) {
    const auto at = static_cast<size_t>(i);
    // An empty argument stays an empty one.
    if (argv[i][0] == 0 ? !owned[at].AssignBytes("", 0)
                        : (owned[at].AssignName(argv[i]), owned[at].IsEmpty())) {
      std::fprintf(stderr, "brelvix-cli: out of memory\n");
      return kExitFailed;
    }
    args[at] = owned[at].data;
  }
  return RunCli(argc, args.data());
}

#else

int main(int argc, char** argv) {
  return RunCli(argc, argv);
}

#endif
