#include <windows.h>

#include <string>

#include "process.h"

namespace test {

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

// Reads a pipe to its end on a thread of its own, so that a child filling
// one stream never blocks on the other.
class PipeReader {
 public:
  explicit PipeReader(HANDLE pipe) : pipe_(pipe) {
    thread_ = CreateThread(nullptr, 0, &PipeReader::Main, this, 0, nullptr);
  }
  ~PipeReader() { Join(); }
  std::string Join() {
    if (thread_ != nullptr) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
      CloseHandle(pipe_);
    }
    return text_;
  }

 private:
  static DWORD WINAPI Main(void* self) {
    auto* reader = static_cast<PipeReader*>(self);
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(reader->pipe_, buffer, sizeof buffer, &n, nullptr) && n > 0)
      reader->text_.append(buffer, n);
    return 0;
  }
  HANDLE pipe_;
  HANDLE thread_ = nullptr;
  std::string text_;
};

// A pipe whose write end the child inherits.
bool ChildPipe(HANDLE* read, HANDLE* write) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  if (!CreatePipe(read, write, &inherit, 0)) return false;
  SetHandleInformation(*read, HANDLE_FLAG_INHERIT, 0);
  return true;
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
                         const std::filesystem::path& cwd, const std::string& input,
                         const std::filesystem::path& /*standardOutput*/) {
  const std::wstring programPath = ProgramPath(program);
  std::wstring line;
  AppendQuoted(line, programPath);
  for (const std::string& arg : args)
    AppendQuoted(line, Wide(arg));

  ProcessResult result;
  HANDLE outRead, outWrite, errRead, errWrite;
  if (!ChildPipe(&outRead, &outWrite)) return result;
  if (!ChildPipe(&errRead, &errWrite)) {
    CloseHandle(outRead);
    CloseHandle(outWrite);
    return result;
  }
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE in = nullptr;
  if (input.empty()) {
    in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    // The child inherits the read end; the input fits the pipe's buffer.
    HANDLE inWrite = nullptr;
    if (!CreatePipe(&in, &inWrite, &inherit, static_cast<DWORD>(input.size()) + 4096)) {
      return result;
    }
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(inWrite);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process = {};
  const BOOL started =
      CreateProcessW(programPath.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                     nullptr, cwd.wstring().c_str(), &startup, &process);
  // Only the child holds the write ends now, so the readers end with it.
  CloseHandle(in);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  PipeReader out(outRead);
  PipeReader err(errRead);
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
  result.out = out.Join();
  result.err = err.Join();
  return result;
}

}  // namespace test
