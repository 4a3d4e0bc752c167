// brelvix-bench: times both conversion directions on a large random file and,
// in the same run and on the same data, xxd -i (binary to text) and
// xxd -r -p (text to binary); prints throughput and the ratios to the goals.
//
//   brelvix-bench [--size MIB] [--repeat N] [--dir DIR] [--memory]
//
// --memory converts a 1 GiB file both ways instead and reports the peak
// resident memory of this process.
#include <sys/resource.h>
#include <unistd.h>

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
#include "convert/conversion_monitor.h"
#include "convert/convert_file.h"
#include "convert/convert_types.h"

namespace {

namespace fs = std::filesystem;

struct Options {
  uint64_t mebibytes = 64;
  int repeat = 3;
  std::string dir;
  bool memory = false;
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

int RunSpeed(Bench& bench) {
  const Options& options = bench.options();
  const uint64_t size = options.mebibytes << 20;
  const fs::path input = bench.dir() / "input.bin";
  if (!MakeRandomFile(input, size)) {
    std::fprintf(stderr, "cannot write %s\n", input.c_str());
    return 1;
  }
  Warm(input);
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
    std::fprintf(stderr, "usage: %s [--size MIB] [--repeat N] [--dir DIR] [--memory]\n", argv[0]);
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
