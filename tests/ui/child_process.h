// Runs a program as a child process for the tests of the command-line tool.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace uitest {

// Starts program with the arguments (UTF-8 text), sends its standard output
// and standard error to the file log, and waits for it. Returns its exit
// status, or -1 when it could not be started.
int RunChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                    const std::filesystem::path& log);

}  // namespace uitest
