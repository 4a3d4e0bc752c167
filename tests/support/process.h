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

// Runs program with the arguments (UTF-8) in the folder cwd and collects both
// output streams. Standard input is empty, or a pipe that carries input (at
// most a pipe's buffer of it) when input is not empty. On POSIX,
// standardOutput, when given, receives standard output instead (out then
// stays empty).
ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& cwd, const std::string& input = {},
                         const std::filesystem::path& standardOutput = {});

}  // namespace test
