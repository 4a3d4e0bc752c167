#include <windows.h>

#include <fstream>
#include <iterator>

#include "process.h"

namespace cli_test {

namespace {

std::wstring Wide(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

// Quotes one argument the way the C runtime splits a command line.
void AppendQuoted(std::wstring& line, const std::wstring& arg) {
  if (!line.empty()) line.push_back(L' ');
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line.push_back(L'"');
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, L'\\');
    backslashes = 0;
    line.push_back(c);
  }
  line.append(backslashes * 2, L'\\');
  line.push_back(L'"');
}

HANDLE OpenForChild(const std::filesystem::path& path, bool write) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.wstring().c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The build hands over a POSIX path when the tests run under Wine; Wine
// shows the POSIX root as drive Z:.
std::wstring ProgramPath(const std::filesystem::path& program) {
  std::wstring path = program.wstring();
  if (!path.empty() && path[0] == L'/') {
    path = L"Z:" + path;
    for (wchar_t& c : path) {
      if (c == L'/') c = L'\\';
    }
  }
  return path;
}

}  // namespace

ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& cwd) {
  // A name of its own per run: Wine may hold the last run's files a moment
  // after the child has ended.
  static int serial = 0;
  const std::wstring stem = cwd.wstring() + L"." + std::to_wstring(++serial);
  const std::filesystem::path outPath = stem + L".stdout";
  const std::filesystem::path errPath = stem + L".stderr";
  const std::wstring programPath = ProgramPath(program);
  std::wstring line;
  AppendQuoted(line, programPath);
  for (const std::string& arg : args)
    AppendQuoted(line, Wide(arg));

  ProcessResult result;
  HANDLE in = OpenForChild(L"NUL", false);
  HANDLE out = OpenForChild(outPath, true);
  HANDLE err = OpenForChild(errPath, true);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  const BOOL started =
      CreateProcessW(programPath.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                     nullptr, cwd.wstring().c_str(), &startup, &process);
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  if (started) {
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 128);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  std::error_code ignored;
  std::filesystem::remove(outPath, ignored);
  std::filesystem::remove(errPath, ignored);
  return result;
}

}  // namespace cli_test
