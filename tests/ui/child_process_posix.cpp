#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "ui/child_process.h"

extern char** environ;

namespace uitest {

int RunChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                    const std::filesystem::path& log) {
  std::vector<char*> argv;
  std::string name = program.string();
  argv.push_back(name.data());
  std::vector<std::string> copies(args);
  for (std::string& arg : copies)
    argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t child = 0;
  const int started = posix_spawn(&child, name.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace uitest
