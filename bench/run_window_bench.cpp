// brelvix-run-bench (Windows; under Wine on Linux): the conversion run in the
// real main window, on one large input, in both directions.
//
//   brelvix-run-bench [--size MIB] [--cancel-size MIB] [--japanese] [--tiny N]
//   brelvix-run-bench --rows N [--japanese]
//
// With --rows: how long N files take to reach the list and be drawn, dropped
// on the window and loaded from a list file, from the command until the
// window has painted them.
//
// Otherwise prints, per direction:
//  - the window's run against the per-file conversion alone on the same
//    files, one large one and 100 of 1 MiB (what showing the progress and the
//    rows costs), and 2,000 files of 16 bytes (the cost of a row itself);
//    --tiny N times only N such files;
//  - how long Execute kept the window (it saves the settings), and the longest
//    time the window's thread then took to answer a message while the worker
//    ran (a round trip every 5 ms from another thread);
//  - on a --cancel-size input (default 1 GiB): the time from a Cancel click,
//    posted as the window gets it, to the run's end message, at two points of
//    the file; and the time from Esc to the end of the window.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "convert/convert_file.h"
#include "resource.h"
#include "support/test_support.h"
#include "ui/main_window_driver.h"

namespace {

namespace fs = std::filesystem;
using uitest::MainWindowSession;

// The window's language: 0 English, 1 Japanese.
int32_t g_language = 0;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// size pseudo-random bytes (xorshift), written in 1 MiB pieces.
bool MakeRandomFile(const fs::path& path, uint64_t size) {
  FILE* file = _wfopen(path.c_str(), L"wb");
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
    const uint64_t piece = std::min<uint64_t>(size - done, block.size() * 8);
    if (std::fwrite(block.data(), 1, piece, file) != piece) {
      std::fclose(file);
      return false;
    }
    done += piece;
  }
  return std::fclose(file) == 0;
}

// Text of prefixed hex numbers, as the text-to-binary direction reads it.
bool MakeHexFile(const fs::path& path, uint64_t size) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  std::string line;
  for (int i = 0; i < 16; ++i)
    line += "0x5A, ";
  line += "\r\n";
  for (uint64_t done = 0; done < size; done += line.size()) {
    if (std::fwrite(line.data(), 1, line.size(), file) != line.size()) {
      std::fclose(file);
      return false;
    }
  }
  return std::fclose(file) == 0;
}

void RemoveOutputs(const fs::path& folder) {
  std::error_code error;
  for (const auto& item : fs::directory_iterator(folder, error))
    fs::remove(item.path(), error);
}

// Sends WM_NULL to the window every 5 ms while it runs and keeps the longest
// round trip.
class Responsiveness {
 public:
  explicit Responsiveness(HWND window)
      : thread_([this, window] {
          while (!stop_) {
            const double start = Now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &result);
            const double took = Now() - start;
            if (start >= from_ && took > longest_) longest_ = took;
            ++count_;
            Sleep(5);
          }
        }) {}
  ~Responsiveness() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Round trips that start from now on count; Execute's own time does not.
  void CountFromNow() {
    from_ = Now();
    longest_ = 0;
  }
  double longest() const { return longest_; }
  int count() const { return count_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<double> from_{0};
  std::atomic<double> longest_{0};
  std::atomic<int> count_{0};
  std::thread thread_;
};

struct Direction {
  const char* name;
  int32_t direction;
  const char* extension;
};

bool StartWithRows(MainWindowSession& session, const Direction& direction,
                   const std::vector<fs::path>& inputs, const fs::path& out) {
  if (!session.Start()) return false;
  session.SelectCombo(IDC_CONVERT, direction.direction);
  std::vector<std::wstring> paths;
  for (const fs::path& input : inputs)
    paths.push_back(test::WidePath(input));
  session.DropFiles(paths);
  session.SetText(IDC_OUTPUT_FOLDER, test::WidePath(out));
  return session.app().fileList.entryCount == static_cast<int32_t>(inputs.size());
}

// The per-file conversion of every input, as the window would do it.
double ConvertAlone(const Direction& direction, const std::vector<fs::path>& inputs,
                    const fs::path& out) {
  CString folder;
  test::AssignPath(folder, out);
  const double start = Now();
  for (const fs::path& input : inputs) {
    CString inputPath;
    test::AssignPath(inputPath, input);
    const std::string stem = input.stem().string();
    FileConversionRequest request;
    request.direction = direction.direction;
    request.valueFormat = "0x%02X";
    request.arrayTemplate = "const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};";
    request.arrayName = stem.c_str();
    request.outputFolder = folder.Text();
    request.outputStem = stem.c_str();
    request.outputExtension = direction.extension;
    request.inputPath = inputPath.Text();
    SilentMonitor monitor;
    ConvertFile(request, monitor, nullptr);
  }
  return Now() - start;
}

// The window's run over the inputs against the conversions alone.
void TimeWholeRun(const Direction& direction, const std::vector<fs::path>& inputs,
                  const fs::path& out, const char* what) {
  const double alone = ConvertAlone(direction, inputs, out);
  RemoveOutputs(out);

  MainWindowSession session(g_language);
  if (!StartWithRows(session, direction, inputs, out)) {
    std::printf("  the window did not come up\n");
    return;
  }
  Responsiveness probe(session.window());
  const double start = Now();
  session.Command(IDC_EXECUTE);
  const double executed = Now() - start;
  probe.CountFromNow();
  session.WaitForDialogs(1);
  const double window = Now() - start;
  probe.Stop();
  session.WaitForRunEnd();
  session.Command(IDCANCEL);
  session.WaitForExit();
  RemoveOutputs(out);

  double mib = 0;
  for (const fs::path& input : inputs)
    mib += static_cast<double>(fs::file_size(input)) / (1 << 20);
  std::printf(
      "  %s, %.0f MiB: window %.2f s (%.0f MiB/s), conversion alone %.2f s"
      " (%.0f MiB/s), window/alone %.2f\n",
      what, mib, window, mib / window, alone, mib / alone, window / alone);
  std::printf(
      "    Execute returned after %.1f ms; then the window's longest answer"
      " %.1f ms (%d round trips)\n",
      executed * 1000, probe.longest() * 1000, probe.count());
}

// Clicks Cancel (or presses Esc, when close) once the file bar reaches
// percent, and times the run's end from there.
void TimeCancel(const Direction& direction, const fs::path& input, const fs::path& out,
                int32_t percent, bool close) {
  MainWindowSession session(g_language);
  if (!StartWithRows(session, direction, {input}, out)) {
    std::printf("  the window did not come up\n");
    return;
  }
  HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  session.ObserveProgress([&](int32_t shown) {
    if (shown >= percent) SetEvent(reached);
  });
  Responsiveness probe(session.window());
  session.Command(IDC_EXECUTE);
  probe.CountFromNow();
  WaitForSingleObject(reached, INFINITE);
  const double start = Now();
  double stopped = 0;
  double shown = 0;
  if (close) {
    PostMessageW(session.window(), WM_COMMAND, IDCANCEL, 0);
    while (session.app().worker.Working()) {
    }
    stopped = Now() - start;
    session.WaitForExit();
  } else {
    PostMessageW(session.window(), WM_COMMAND, MAKEWPARAM(IDC_CANCEL_RUN, BN_CLICKED), 0);
    // Spinning, to see the moment: the worker has left the file and the rows.
    while (session.app().worker.Working()) {
    }
    stopped = Now() - start;
    while (session.DialogsShown() == 0) {
    }
    shown = Now() - start;
    session.WaitForDialogs(1);
  }
  const double took = Now() - start;
  probe.Stop();
  if (!close) {
    session.WaitForRunEnd();
    session.Command(IDCANCEL);
    session.WaitForExit();
  }
  CloseHandle(reached);
  uint64_t written = 0;
  for (const auto& item : fs::directory_iterator(out))
    written += fs::file_size(item.path());
  RemoveOutputs(out);
  if (close) {
    std::printf(
        "  Esc at %d%%: rows left after %.1f ms, window ended after %.1f ms"
        " (%.1f MiB written); window's answer: longest %.1f ms\n",
        percent, stopped * 1000, took * 1000, static_cast<double>(written) / (1 << 20),
        probe.longest() * 1000);
  } else {
    std::printf(
        "  Cancel at %d%%: rows left after %.1f ms, message shown after %.1f ms"
        " (%.1f MiB written); window's answer: longest %.1f ms\n",
        percent, stopped * 1000, shown * 1000, static_cast<double>(written) / (1 << 20),
        probe.longest() * 1000);
  }
}

// The window's thread has handled everything before and painted the window.
void WaitUntilDrawn(MainWindowSession& session) {
  session.Flush();
  RedrawWindow(session.window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TimeRows(const fs::path& work, int rows) {
  const fs::path folder = work / "rows";
  fs::create_directories(folder);
  std::vector<std::wstring> paths;
  for (int i = 0; i < rows; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "row%05d.bin", i);
    test::WriteAll(folder / name, "sixteen bytes...");
    paths.push_back(test::WidePath(folder / name));
  }
  const std::wstring listFile = test::WidePath(work / "rows.csv");

  MainWindowSession session(g_language);
  if (!session.Start()) {
    std::printf("  the window did not come up\n");
    return;
  }
  double start = Now();
  session.DropFiles(paths);
  WaitUntilDrawn(session);
  const double dropped = Now() - start;
  const int32_t droppedRows = session.app().fileList.entryCount;

  session.Answer(uitest::ChooseFile(listFile));
  session.Command(ID_FILE_SAVE_AS);
  session.Answer(uitest::ChooseFile(listFile));
  start = Now();
  session.Command(ID_FILE_OPEN);
  WaitUntilDrawn(session);
  const double loaded = Now() - start;
  const int32_t loadedRows = session.app().fileList.entryCount;
  session.Command(IDCANCEL);
  session.WaitForExit();
  std::printf("  %d rows: dropped %.2f s (%d rows), loaded from a list file %.2f s (%d rows)\n",
              rows, dropped, droppedRows, loaded, loadedRows);
  std::fflush(stdout);
  fs::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t sizeMiB = 64;
  uint64_t cancelMiB = 1024;
  int rows = 0;
  int tiny = 2000;
  bool tinyOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      sizeMiB = std::strtoull(argv[++i], nullptr, 10);
    } else if (std::strcmp(argv[i], "--cancel-size") == 0 && i + 1 < argc) {
      cancelMiB = std::strtoull(argv[++i], nullptr, 10);
    } else if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
      rows = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--japanese") == 0) {
      g_language = 1;
    } else if (std::strcmp(argv[i], "--tiny") == 0 && i + 1 < argc) {
      tiny = std::atoi(argv[++i]);
      tinyOnly = true;
    } else {
      std::fprintf(stderr,
                   "usage: brelvix-run-bench [--size MIB] [--cancel-size MIB] [--japanese] "
                   "[--tiny N]\n"
                   "       brelvix-run-bench --rows N [--japanese]\n");
      return 2;
    }
  }

  test::TempDir work;
  if (rows > 0) {
    TimeRows(work.path(), rows);
    return 0;
  }
  const fs::path out = work / "out";
  fs::create_directories(out);
  const Direction directions[] = {{"binary to text", 0, "txt"}, {"text to binary", 1, "bin"}};
  for (const Direction& direction : directions) {
    std::printf("%s\n", direction.name);
    std::fflush(stdout);
    {
      std::vector<fs::path> files;
      for (int i = 0; i < tiny; ++i) {
        files.push_back(
            work / ("tiny" + std::to_string(i) + (direction.direction == 0 ? ".bin" : ".txt")));
        if (!(direction.direction == 0 ? MakeRandomFile : MakeHexFile)(files.back(), 16)) return 1;
      }
      const std::string what = std::to_string(tiny) + " files of 16 bytes";
      TimeWholeRun(direction, files, out, what.c_str());
      for (const fs::path& file : files)
        fs::remove(file);
      std::fflush(stdout);
      if (tinyOnly) continue;
    }
    const fs::path input = work / (direction.direction == 0 ? "input.bin" : "input.txt");
    const fs::path large = work / (direction.direction == 0 ? "large.bin" : "large.txt");
    auto make = direction.direction == 0 ? MakeRandomFile : MakeHexFile;
    if (!make(input, sizeMiB << 20) || !make(large, cancelMiB << 20)) {
      std::fprintf(stderr, "cannot write the inputs into %s\n", work.path().string().c_str());
      return 1;
    }
    TimeWholeRun(direction, {input}, out, "one file");
    std::vector<fs::path> batch;
    for (int i = 0; i < 100; ++i) {
      batch.push_back(work /
                      ("row" + std::to_string(i) + (direction.direction == 0 ? ".bin" : ".txt")));
      if (!make(batch.back(), 1 << 20)) return 1;
    }
    TimeWholeRun(direction, batch, out, "100 files of 1 MiB");
    for (const fs::path& row : batch)
      fs::remove(row);
    for (const int32_t percent : {1, 5})
      TimeCancel(direction, large, out, percent, false);
    TimeCancel(direction, large, out, 5, true);
    std::fflush(stdout);
    fs::remove(input);
    fs::remove(large);
  }
  return 0;
}
