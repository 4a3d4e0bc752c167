#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "process.h"

namespace test {

namespace {

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& cwd, const std::string& input,
                         const std::filesystem::path& standardOutput) {
  // The streams go to files beside the working folder, so that the child
  // never blocks on a full pipe and the folder's contents stay as they are.
  const std::filesystem::path outPath =
      standardOutput.empty() ? std::filesystem::path(cwd.string() + ".stdout") : standardOutput;
  const std::filesystem::path errPath = cwd.string() + ".stderr";
  std::vector<std::string> argv_storage = {program.string()};
  argv_storage.insert(argv_storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argv_storage)
    argv.push_back(arg.data());
  argv.push_back(nullptr);

  ProcessResult result;
  int pipeEnds[2] = {-1, -1};
  if (!input.empty() && pipe(pipeEnds) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    const int in = input.empty() ? open("/dev/null", O_RDONLY) : pipeEnds[0];
    if (!input.empty()) close(pipeEnds[1]);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (!input.empty()) {
    close(pipeEnds[0]);
    if (write(pipeEnds[1], input.data(), input.size()) < 0) result.err = "input not written\n";
    close(pipeEnds[1]);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  if (standardOutput.empty()) result.out = Slurp(outPath);
  result.err += Slurp(errPath);
  std::error_code ignored;
  if (standardOutput.empty()) std::filesystem::remove(outPath, ignored);
  std::filesystem::remove(errPath, ignored);
  return result;
}

}  // namespace test
