#include "support/test_support.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

namespace test {

TempDir::TempDir() {
  static std::atomic<int> serial{0};
  std::random_device seed;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("brelvix-test-" + std::to_string(stamp % 1000000007) + "-" +
                      std::to_string(seed() % 100000) + "-" + std::to_string(serial++));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::basic_string<WideChar> WidePath(const std::filesystem::path& path) {
#if defined(_WIN32)
  return path.wstring();
#else
  return path.u16string();
#endif
}

void AssignPath(CString& target, const std::filesystem::path& path) {
  target.AssignName(WidePath(path).c_str());
}

std::basic_string<WideChar> Utf16(const std::string& utf8) {
  const std::u16string units =
      std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).u16string();
  return std::basic_string<WideChar>(units.begin(), units.end());
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteAll(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

uint32_t FailingFile::Write(const void* buffer, uint32_t count, uint64_t position) {
  const bool fail = failFrom >= 0 && writes++ >= failFrom;
  return CFile::Write(buffer, fail ? count / 2 : count, position);
}

bool FailingFile::Flush() {
  return !failFlush && CFile::Flush();
}

}  // namespace test
