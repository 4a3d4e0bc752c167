// brelvix-bench: times both conversion directions on a large random file and,
// in the same run and on the same data, xxd -i (binary to text) and
// xxd -r -p (text to binary); prints throughput and the ratios to the goals.
// Then it sets each direction against two yardsticks: cat of the same
// output (the copy limit) and a minimal table-driven converter of its own
// (the practical limit; for 1-byte units it writes each value's whole text
// from a table of the 256 values), to /dev/null and to disk; it prints the
// median of paired runs and the ratio to that minimum.
//
//   brelvix-bench [--size MIB] [--repeat N] [--dir DIR] [--memory] [--limits]
//
// --limits runs only the comparison with the two limits.
// --memory converts a 1 GiB file both ways instead and reports the peak
// resident memory of this process.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/str.h"
#include "convert/binary_to_text.h"
#include "convert/conversion_monitor.h"
#include "convert/convert_file.h"
#include "convert/convert_types.h"
#include "convert/text_scan.h"
#include "convert/text_to_binary.h"

namespace {

namespace fs = std::filesystem;

struct Options {
  uint64_t mebibytes = 64;
  int repeat = 3;
  std::string dir;
  bool memory = false;
  bool limitsOnly = false;
};

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// Writes size pseudo-random bytes (xorshift) in 1 MiB pieces.
bool MakeRandomFile(const fs::path& path, uint64_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::vector<uint64_t> block((1u << 20) / 8);
  uint64_t state = 0x9E3779B97F4A7C15ull;
  for (uint64_t done = 0; done < size;) {
    for (uint64_t& word : block) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      word = state;
    }
    const uint64_t n = size - done < (1u << 20) ? size - done : (1u << 20);
    if (std::fwrite(block.data(), 1, n, file) != n) {
      std::fclose(file);
      return false;
    }
    done += n;
  }
  return std::fclose(file) == 0;
}

// Reads the file once so that every contender finds it in the page cache.
void Warm(const fs::path& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return;
  std::vector<char> buffer(1 << 20);
  while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
  }
  std::fclose(file);
}

// The best wall time of repeat runs; each run may clean up after itself.
double Best(int repeat, const std::function<bool()>& run, const std::function<void()>& cleanup) {
  double best = -1;
  for (int i = 0; i < repeat; ++i) {
    const double start = Now();
    const bool ok = run();
    const double seconds = Now() - start;
    cleanup();
    if (!ok) return -1;
    if (best < 0 || seconds < best) best = seconds;
  }
  return best;
}

std::string Quote(const fs::path& path) {
  std::string quoted = "'";
  for (char c : path.string()) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted.push_back(c);
    }
  }
  return quoted + "'";
}

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

// Binary -> text rows with one snprintf per value and stdio buffering.
bool NaiveToText(const fs::path& input, const fs::path& output) {
  FILE* in = std::fopen(input.c_str(), "rb");
  FILE* out = std::fopen(output.c_str(), "wb");
  bool ok = in != nullptr && out != nullptr;
  std::vector<unsigned char> block(1 << 20);
  uint64_t c = 0;
  size_t got = 0;
  while (ok && (got = std::fread(block.data(), 1, block.size(), in)) > 0) {
    for (size_t i = 0; i < got; ++i, ++c) {
      char value[32];
      const char* separator = c == 0 ? "\t\t" : c % 16 == 0 ? ",\r\n\t\t" : ",";
      std::fputs(separator, out);
      const int n = std::snprintf(value, sizeof value, kDefaultDataFormat, block[i]);
      std::fwrite(value, 1, static_cast<size_t>(n), out);
    }
  }
  if (in != nullptr) std::fclose(in);
  if (out != nullptr && std::fclose(out) != 0) ok = false;
  return ok;
}

// A file descriptor as the converters' output.
class DescriptorFile : public CFile {
 public:
  explicit DescriptorFile(int fd) : fd_(fd) {}
  uint32_t Write(const void* buffer, uint32_t count,
                 uint64_t /*position*/ = kCurrentPosition) override {
    return WriteAll(fd_, buffer, count) ? count : 0;
  }
  static bool WriteAll(int fd, const void* buffer, size_t count) {
    const auto* p = static_cast<const char*>(buffer);
    while (count > 0) {
      const ssize_t n = ::write(fd, p, count);
      if (n <= 0) return false;
      p += n;
      count -= static_cast<size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
};

constexpr size_t kPiece = size_t{1} << 20;

// Writes text[0, out) to fd and moves out back to the start once fewer than
// 256 bytes of the piece are free.
bool FlushPiece(int fd, std::vector<char>& text, char*& out) {
  if (out < text.data() + kPiece - 256) return true;
  const bool ok = DescriptorFile::WriteAll(fd, text.data(), static_cast<size_t>(out - text.data()));
  out = text.data();
  return ok;
}

// The practical limit of binary -> text with 1-byte units and a format
// whose every text has the same length of at most 7: each value's whole
// text, comma first, from a table of the 256 values, a row of 16 at a time;
// read and written in 1 MiB pieces.
bool MinimalBytesToText(int in, int outFd, const char* format) {
  struct Entry {
    char text[8];  // ",0xAB" and scrap
  };
  Entry table[256];
  std::string entryFormat = std::string(",") + format;
  int entryLength = 0;
  for (int b = 0; b < 256; ++b) {
    entryLength = std::snprintf(table[b].text, sizeof table[b].text, entryFormat.c_str(), b);
  }
  if (entryLength <= 1 || entryLength >= 8) return false;
  const auto kEntryLength = static_cast<size_t>(entryLength);
  std::vector<unsigned char> block(kPiece);
  std::vector<char> text(kPiece + 256);
  char* out = text.data();
  bool first = true;
  size_t rowFill = 0;  // values in the row being written
  bool ok = true;
  ssize_t got;
  while (ok && (got = ::read(in, block.data(), block.size())) > 0) {
    const unsigned char* b = block.data();
    const unsigned char* const end = b + got;
    while (ok && b < end) {
      if (rowFill == 0) {
        if (first) {
          std::memcpy(out, "\t\t", 2);
          out += 2;
        } else {
          std::memcpy(out, ",\r\n\t\t", 5);
          out += 5;
        }
        // The row's first value without its comma.
        std::memcpy(out, table[*b++].text + 1, 8);
        out += kEntryLength - 1;
        first = false;
        rowFill = 1;
        if (end - b >= 15) {
          for (int k = 0; k < 15; ++k) {
            std::memcpy(out, table[b[k]].text, 8);
            out += kEntryLength;
          }
          b += 15;
          rowFill = 0;
        }
      } else {
        std::memcpy(out, table[*b++].text, 8);
        out += kEntryLength;
        if (++rowFill == 16) rowFill = 0;
      }
      ok = FlushPiece(outFd, text, out);
    }
  }
  return ok && DescriptorFile::WriteAll(outFd, text.data(), static_cast<size_t>(out - text.data()));
}

// The practical limit of binary -> text for larger units: the rows of the
// default format of the unit from a table of hex pairs, read and written in
// 1 MiB pieces.
bool MinimalUnitsToText(int in, int outFd, int unit) {
  char pairs[256][2];
  for (int b = 0; b < 256; ++b) {
    pairs[b][0] = "0123456789ABCDEF"[b >> 4];
    pairs[b][1] = "0123456789ABCDEF"[b & 15];
  }
  std::vector<unsigned char> block(kPiece);
  std::vector<char> text(kPiece + 256);
  char* out = text.data();
  uint64_t c = 0;
  bool ok = true;
  ssize_t got;
  while (ok && (got = ::read(in, block.data(), block.size())) > 0) {
    for (ssize_t i = 0; ok && i + unit <= got; i += unit, c += static_cast<uint64_t>(unit)) {
      if ((c & 15) != 0) {
        *out++ = ',';
      } else if (c != 0) {
        std::memcpy(out, ",\r\n\t\t", 5);
        out += 5;
      } else {
        std::memcpy(out, "\t\t", 2);
        out += 2;
      }
      out[0] = '0';
      out[1] = 'x';
      for (int k = 0; k < unit; ++k)
        std::memcpy(out + 2 + 2 * k, pairs[block[static_cast<size_t>(i + k)]], 2);
      out += 2 + 2 * unit;
      ok = FlushPiece(outFd, text, out);
    }
  }
  return ok && DescriptorFile::WriteAll(outFd, text.data(), static_cast<size_t>(out - text.data()));
}

// format is used for unit 1; larger units write their default format.
bool MinimalToText(const fs::path& input, int outFd, int unit, const char* format) {
  const int in = ::open(input.c_str(), O_RDONLY);
  if (in < 0) return false;
  const bool ok =
      unit == 1 ? MinimalBytesToText(in, outFd, format) : MinimalUnitsToText(in, outFd, unit);
  ::close(in);
  return ok;
}

// The practical limit of text -> binary: "0x" numbers ended by a separator
// read through a table of byte classes, 1-byte units, in 1 MiB pieces.
bool MinimalToBinary(const fs::path& input, int outFd) {
  const int in = ::open(input.c_str(), O_RDONLY);
  if (in < 0) return false;
  uint8_t classes[256];
  std::memset(classes, 17, sizeof classes);
  for (int d = 0; d < 16; ++d) {
    classes[static_cast<uint8_t>("0123456789ABCDEF"[d])] = static_cast<uint8_t>(d);
    classes[static_cast<uint8_t>("0123456789abcdef"[d])] = static_cast<uint8_t>(d);
  }
  for (int s : {'\t', '\n', '\r', ' ', ','})
    classes[s] = 16;
  std::vector<uint8_t> text(kPiece + 64);
  std::vector<uint8_t> bytes(kPiece);
  size_t kept = 0;  // the unfinished end of the previous piece
  size_t o = 0;
  bool ok = true;
  ssize_t got;
  while (ok && (got = ::read(in, text.data() + kept, kPiece)) >= 0) {
    const size_t n = kept + static_cast<size_t>(got);
    const size_t stop = got == 0 ? n : n - std::min<size_t>(n, 24);
    text[n] = 0;
    size_t i = 0;
    while (i < stop) {
      if (text[i] != '0' || text[i + 1] != 'x') {
        ++i;
        continue;
      }
      i += 2;
      unsigned value = 0;
      while (classes[text[i]] < 16)
        value = (value << 4) | classes[text[i++]];
      if (classes[text[i]] == 16) bytes[o++] = static_cast<uint8_t>(value);
      ++i;
      if (o == kPiece) {
        ok = DescriptorFile::WriteAll(outFd, bytes.data(), o);
        o = 0;
      }
    }
    if (got == 0) break;
    kept = n - std::min(i, n);
    std::memmove(text.data(), text.data() + (n - kept), kept);
  }
  ok = ok && DescriptorFile::WriteAll(outFd, bytes.data(), o);
  ::close(in);
  return ok;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

class Bench {
 public:
  Bench(const Options& options, const fs::path& dir) : options_(options), dir_(dir) {}

  // Converts input into dir/<stem>.<ext>; the path made is kept in made_.
  bool Convert(const fs::path& input, int32_t direction, int32_t unitSize, int32_t byteOrder,
               const char* format, const std::string& stem) {
    const std::string inputText = input.string();
    const std::string folderText = dir_.string();
    FileConversionRequest request;
    request.direction = direction;
    request.unitSize = unitSize;
    request.byteOrder = byteOrder;
    request.valueFormat = format;
    request.arrayTemplate = kDefaultArrayFormat;
    request.arrayName = "bench";
    request.outputFolder = folderText.c_str();
    request.outputStem = stem.c_str();
    request.outputExtension = direction == BinaryToText ? "txt" : "bin";
    request.inputPath = inputText.c_str();
    SilentMonitor monitor;
    FileConversionResult result;
    const FileConversionStatus status = ConvertFile(request, monitor, &result);
    made_ = result.outputPath.Text();
    if (status != FileConversionStatus::Converted) {
      std::fprintf(stderr, "conversion failed: %s\n", DescribeFileConversionStatus(status));
      return false;
    }
    return true;
  }

  void RemoveMade() {
    if (!made_.empty()) fs::remove(made_);
    made_.clear();
  }

  const std::string& made() const { return made_; }
  const Options& options() const { return options_; }
  const fs::path& dir() const { return dir_; }

 private:
  const Options& options_;
  fs::path dir_;
  std::string made_;
};

void PrintRate(const char* what, double bytes, double seconds) {
  std::printf("  %-52s %9.1f MB/s  (%.3f s)\n", what, bytes / seconds / 1e6, seconds);
}

// One line against a reference time; returns whether the goal was met.
bool PrintRatio(const std::string& what, double bytes, double seconds, double reference,
                double goal) {
  const double ratio = reference / seconds;
  const bool met = ratio >= goal;
  std::printf("  %-52s %9.1f MB/s  %6.1fx  (goal %4.1fx) %s\n", what.c_str(), bytes / seconds / 1e6,
              ratio, goal, met ? "ok" : "MISSED");
  return met;
}

// Binary -> text through the stream as the conversion of a file runs it:
// 1 MiB reads, the default template.
bool BrelvixToText(const fs::path& input, int outFd, int unit, const char* format = "") {
  const int in = ::open(input.c_str(), O_RDONLY);
  if (in < 0) return false;
  SilentMonitor monitor;
  DescriptorFile output(outFd);
  BinaryToTextStream stream(monitor, output);
  bool ok = stream.Begin(BigEndian, unit, format, kDefaultArrayFormat, "bench",
                         static_cast<uint64_t>(fs::file_size(input)));
  std::vector<uint8_t> block(kPiece);
  ssize_t got;
  while (ok && (got = ::read(in, block.data(), block.size())) > 0)
    ok = stream.Feed(block.data(), static_cast<size_t>(got));
  ok = stream.Finish() && ok;
  ::close(in);
  return ok;
}

bool BrelvixToBinary(const fs::path& input, int outFd, TextScanner scanner) {
  const int in = ::open(input.c_str(), O_RDONLY);
  if (in < 0) return false;
  SilentMonitor monitor;
  DescriptorFile output(outFd);
  TextToBinaryStream stream(monitor, output);
  stream.UseScanner(scanner);
  bool ok = stream.Begin(BigEndian, 1, static_cast<uint64_t>(fs::file_size(input)));
  std::vector<char> block(kPiece);
  ssize_t got;
  while (ok && (got = ::read(in, block.data(), block.size())) > 0)
    ok = stream.Feed(block.data(), static_cast<size_t>(got));
  ok = stream.Finish() && ok;
  ::close(in);
  return ok;
}

// Runs each contender once per round, in turns, writing to /dev/null or to
// a file in the bench folder; returns the median time of each.
std::vector<double> Paired(int rounds, const fs::path& dir, bool toDisk,
                           const std::vector<std::function<bool(int)>>& contenders) {
  std::vector<std::vector<double>> times(contenders.size());
  const fs::path target = toDisk ? dir / "limit.out" : fs::path("/dev/null");
  for (int round = 0; round < rounds; ++round) {
    for (size_t k = 0; k < contenders.size(); ++k) {
      const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) return {};
      const double start = Now();
      const bool ok = contenders[k](fd);
      const double seconds = Now() - start;
      ::close(fd);
      if (!ok) return {};
      times[k].push_back(seconds);
    }
  }
  if (toDisk) fs::remove(target);
  std::vector<double> medians;
  for (const auto& t : times)
    medians.push_back(Median(t));
  return medians;
}

// Each direction against cat of its output and the minimal program.
bool RunLimits(const Options& options, const fs::path& dir, const fs::path& input) {
  const int rounds = options.repeat < 5 ? 5 : options.repeat;
  const double inputBytes = static_cast<double>(fs::file_size(input));
  std::printf(
      "\nAgainst the limits (medians of %d paired runs): cat of the same output, and a\n"
      "minimal table-driven converter with 1 MiB reads and writes (for unit 1 a table of\n"
      "the 256 values' whole texts)\n",
      rounds);
  auto cat = [](const fs::path& made) {
    return [made](int fd) {
      const int in = ::open(made.c_str(), O_RDONLY);
      std::vector<char> block(kPiece);
      ssize_t got;
      bool ok = in >= 0;
      while (ok && (got = ::read(in, block.data(), block.size())) > 0)
        ok = DescriptorFile::WriteAll(fd, block.data(), static_cast<size_t>(got));
      if (in >= 0) ::close(in);
      return ok;
    };
  };
  bool met = true;
  const fs::path text = dir / "limit.txt";
  struct Case {
    int unit;
    const char* format;  // "": the unit's default
  };
  for (const Case& c : {Case{1, kDefaultDataFormat}, Case{1, "0x%02x"}, Case{1, "&H%02X"},
                        Case{4, ""}, Case{8, ""}}) {
    const int fd = ::open(text.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool made = fd >= 0 && BrelvixToText(input, fd, c.unit, c.format);
    if (fd >= 0) ::close(fd);
    if (!made) return false;
    Warm(text);
    const double goal = c.unit == 1 ? 1.2 : 1.35;
    for (bool toDisk : {false, true}) {
      const auto t =
          Paired(rounds, dir, toDisk,
                 {[&](int out) { return BrelvixToText(input, out, c.unit, c.format); },
                  [&](int out) { return MinimalToText(input, out, c.unit, c.format); }, cat(text)});
      if (t.empty()) return false;
      const double ratio = t[0] / t[1];
      met = met && ratio <= goal;
      std::printf(
          "  binary -> text, unit %d, %-9s to %-9s %6.3f s  minimal %6.3f s  cat %6.3f s  "
          "%.2fx the minimal (goal %.2fx) %s\n",
          c.unit, c.format[0] != 0 ? c.format : "default", toDisk ? "disk:" : "/dev/null:", t[0],
          t[1], t[2], ratio, goal, ratio <= goal ? "ok" : "MISSED");
    }
  }
  // The unit 1 text back to binary.
  {
    const int fd = ::open(text.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool made = fd >= 0 && BrelvixToText(input, fd, 1);
    if (fd >= 0) ::close(fd);
    if (!made) return false;
    Warm(text);
  }
  const double textBytes = static_cast<double>(fs::file_size(text));
  for (bool toDisk : {false, true}) {
    const auto t = Paired(rounds, dir, toDisk,
                          {[&](int out) { return BrelvixToBinary(text, out, TextScanner::Scalar); },
                           [&](int out) { return BrelvixToBinary(text, out, TextScanner::Sse2); },
                           [&](int out) { return BrelvixToBinary(text, out, TextScanner::Avx2); },
                           [&](int out) { return MinimalToBinary(text, out); }, cat(input)});
    if (t.empty()) return false;
    std::printf(
        "  text -> binary, unit 1, to %-9s byte at a time %.2f GB/s, SSE2 %.2f GB/s, "
        "AVX2%s %.2f GB/s;\n    minimal %.2f GB/s, cat %.3f s; SSE2 %.2fx the minimal's "
        "time\n",
        toDisk ? "disk:" : "/dev/null:", textBytes / t[0] / 1e9, textBytes / t[1] / 1e9,
        WindowScanFor(TextScanner::Avx2) != nullptr ? "" : " (absent: byte at a time)",
        textBytes / t[2] / 1e9, textBytes / t[3] / 1e9, t[4], t[1] / t[3]);
    if (!toDisk) met = met && textBytes / t[1] >= 2.5e9;
  }
  std::printf("  (input %.0f MiB; text %.0f MB; goal for text -> binary with SSE2: 2.5 GB/s)\n",
              inputBytes / (1 << 20), textBytes / 1e6);
  fs::remove(text);
  return met;
}

int RunSpeed(Bench& bench) {
  const Options& options = bench.options();
  const uint64_t size = options.mebibytes << 20;
  const fs::path input = bench.dir() / "input.bin";
  if (!MakeRandomFile(input, size)) {
    std::fprintf(stderr, "cannot write %s\n", input.c_str());
    return 1;
  }
  Warm(input);
  if (options.limitsOnly) {
    const bool met = RunLimits(options, bench.dir(), input);
    fs::remove(input);
    std::printf("%s\n", met ? "All goals met." : "Some goals were MISSED.");
    return met ? 0 : 1;
  }
  std::printf("Input: %llu MiB of random bytes in %s; best of %d runs; page cache warm.\n\n",
              static_cast<unsigned long long>(options.mebibytes), bench.dir().c_str(),
              options.repeat);

  const fs::path xxdText = bench.dir() / "xxd.txt";
  const double xxd = Best(
      options.repeat < 2 ? options.repeat : 2,
      [&] { return Shell("xxd -i " + Quote(input) + " > " + Quote(xxdText)); },
      [&] { fs::remove(xxdText); });
  if (xxd < 0) {
    std::fprintf(stderr, "xxd -i failed\n");
    return 1;
  }
  const double bytes = static_cast<double>(size);
  std::printf("Binary -> text (input bytes per second)\n");
  PrintRate("xxd -i", bytes, xxd);

  bool allMet = true;
  auto toText = [&](const std::string& what, int32_t unit, int32_t order, const char* format,
                    double goal) {
    const double seconds = Best(
        options.repeat,
        [&] { return bench.Convert(input, BinaryToText, unit, order, format, "t"); },
        [&] { bench.RemoveMade(); });
    if (seconds < 0) {
      allMet = false;
      return;
    }
    allMet = PrintRatio(what, bytes, seconds, xxd, goal) && allMet;
  };
  toText("unit 1, default format and template", 1, BigEndian, kDefaultDataFormat, 15);
  for (int32_t unit : {2, 4, 8}) {
    for (int32_t order : {BigEndian, LittleEndian}) {
      toText("unit " + std::to_string(unit) + (order == BigEndian ? " big" : " little") +
                 " endian, its default format",
             unit, order, "", 10);
    }
  }
  for (const char* format : {"%#06llx", "%u", "&H%04X"}) {
    for (int32_t unit : {1, 2, 4, 8}) {
      toText(std::string("unit ") + std::to_string(unit) + ", \"" + format + "\"", unit,
             LittleEndian, format, 10);
    }
  }

  // Text -> binary on the text of the first case above, kept this time.
  std::printf("\nText -> binary (text bytes per second)\n");
  const fs::path text = bench.dir() / "text.txt";
  if (!bench.Convert(input, BinaryToText, 1, BigEndian, kDefaultDataFormat, "text")) return 1;
  const double textBytes = static_cast<double>(fs::file_size(text));
  Warm(text);
  const fs::path xxdBinary = bench.dir() / "xxd.bin";
  const double xxdBack = Best(
      options.repeat < 2 ? options.repeat : 2,
      [&] { return Shell("xxd -r -p " + Quote(text) + " > " + Quote(xxdBinary)); },
      [&] { fs::remove(xxdBinary); });
  if (xxdBack < 0) {
    std::fprintf(stderr, "xxd -r -p failed\n");
    return 1;
  }
  PrintRate("xxd -r -p", textBytes, xxdBack);
  bool sameBytes = false;
  const double back = Best(
      options.repeat, [&] { return bench.Convert(text, TextToBinary, 1, BigEndian, "", "back"); },
      [&] {
        // Outside the timed part.
        sameBytes = Shell("cmp -s " + Quote(input) + " " + Quote(bench.made()));
        bench.RemoveMade();
      });
  if (back < 0) return 1;
  allMet = PrintRatio("unit 1, the text of the unit 1 default case", textBytes, back, xxdBack, 5) &&
           allMet;
  std::printf("  round trip gives back the input: %s\n", sameBytes ? "yes" : "NO");
  fs::remove(text);

  // For scale: a plain copy of a file as large as that text.
  std::printf("\nFor scale\n");
  const fs::path copy = bench.dir() / "copy.txt";
  if (bench.Convert(input, BinaryToText, 1, BigEndian, kDefaultDataFormat, "text")) {
    const double copySeconds = Best(
        options.repeat, [&] { return Shell("cp " + Quote(text) + " " + Quote(copy)); },
        [&] { fs::remove(copy); });
    if (copySeconds > 0)
      PrintRate("cp of the unit 1 text (its bytes per second)", textBytes, copySeconds);
    fs::remove(text);
  }
  // The same text with snprintf called for every value, as the rows were
  // first written: what the value formatting of the converter replaces.
  const fs::path naive = bench.dir() / "naive.txt";
  const double naiveSeconds = Best(
      1, [&] { return NaiveToText(input, naive); }, [&] { fs::remove(naive); });
  if (naiveSeconds > 0) {
    PrintRate("snprintf per value, unit 1 (input bytes per second)", bytes, naiveSeconds);
  }
  allMet = RunLimits(options, bench.dir(), input) && allMet;
  fs::remove(input);
  std::printf("\nPeak resident memory of this process: %.1f MiB\n", PeakResidentMiB());
  std::printf("%s\n", allMet && sameBytes ? "All goals met." : "Some goals were MISSED.");
  return allMet && sameBytes ? 0 : 1;
}

int RunMemory(Bench& bench) {
  const uint64_t size = uint64_t{1} << 30;
  const fs::path input = bench.dir() / "big.bin";
  if (!MakeRandomFile(input, size)) {
    std::fprintf(stderr, "cannot write %s\n", input.c_str());
    return 1;
  }
  const double before = PeakResidentMiB();
  std::printf("1 GiB input; peak resident memory before converting: %.1f MiB\n", before);
  double start = Now();
  if (!bench.Convert(input, BinaryToText, 1, BigEndian, kDefaultDataFormat, "big")) return 1;
  const std::string text = bench.made();
  std::printf("  binary -> text: %.1f s, %.2f GiB of text, peak resident memory %.1f MiB\n",
              Now() - start, static_cast<double>(fs::file_size(text)) / (1 << 30),
              PeakResidentMiB());
  start = Now();
  if (!bench.Convert(text, TextToBinary, 1, BigEndian, "", "big")) return 1;
  std::printf("  text -> binary: %.1f s, peak resident memory %.1f MiB\n", Now() - start,
              PeakResidentMiB());
  const bool same = Shell("cmp -s " + Quote(input) + " " + Quote(bench.made()));
  std::printf("  round trip gives back the input: %s\n", same ? "yes" : "NO");
  bench.RemoveMade();
  fs::remove(text);
  fs::remove(input);
  const bool below = PeakResidentMiB() < 64;
  std::printf("Peak below 64 MiB: %s\n", below ? "yes" : "NO");
  return same && below ? 0 : 1;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--size" && i + 1 < argc) {
      options.mebibytes = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--repeat" && i + 1 < argc) {
      options.repeat = std::atoi(argv[++i]);
    } else if (arg == "--dir" && i + 1 < argc) {
      options.dir = argv[++i];
    } else if (arg == "--memory") {
      options.memory = true;
    } else if (arg == "--limits") {
      options.limitsOnly = true;
    } else {
      return false;
    }
  }
  return options.mebibytes > 0 && options.repeat > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: %s [--size MIB] [--repeat N] [--dir DIR] [--memory] [--limits]\n",
                 argv[0]);
    return 2;
  }
  fs::path root = options.dir.empty() ? fs::temp_directory_path() : fs::path(options.dir);
  const fs::path dir = root / ("brelvix-bench-" + std::to_string(getpid()));
  std::error_code error;
  if (!fs::create_directories(dir, error)) {
    std::fprintf(stderr, "cannot create %s\n", dir.c_str());
    return 1;
  }
  Bench bench(options, dir);
  const int status = options.memory ? RunMemory(bench) : RunSpeed(bench);
  fs::remove_all(dir, error);
  return status;
}
