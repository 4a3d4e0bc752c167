// Runs a program as a child process, for the tests of brelvix-cli.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace test {

struct ProcessResult {
  int exitCode = -1;  // -1 when the program could not be started
  std::string out;    // standard output, bytes as written
  std::string err;    // standard error
};

// Runs program with the arguments (UTF-8) in the folder cwd, with empty
// standard input, and collects both output streams.
ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& cwd);

}  // namespace test
