// brelvix-list-bench: times the load of two list files: one with a single
// quoted cell of 16 MiB (the growth of the cell buffer) and one of 100,000
// rows (the per-row cost).
//
//   brelvix-list-bench [--dir DIR] [--repeat N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/str.h"
#include "ui/list/csv_file_list.h"
#include "ui/list/csv_table.h"
#include "ui/list/file_list.h"

namespace {

namespace fs = std::filesystem;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

// The best of repeat loads, in seconds; -1 when a load fails.
double TimeLoad(const fs::path& path, int repeat, int32_t* rows) {
  double best = -1;
  for (int i = 0; i < repeat; ++i) {
    FileListSettings settings;
    CFileList list;
    const double start = Now();
    int result = kCsvOk;
    CString name;
    name.AssignBytes(path.string().c_str(), static_cast<int32_t>(path.string().size()));
    CsvTable* table = ReadCsvTable(name.GetWide(), &result);
    if (table == nullptr) return -1;
    ApplySettingsRecord(table->GetAt(0), &settings);
    ApplyFileRecords(table, &list);
    delete table;
    const double took = Now() - start;
    *rows = list.entryCount;
    if (best < 0 || took < best) best = took;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path dir = fs::temp_directory_path();
  int repeat = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
    if (std::strcmp(argv[i], "--repeat") == 0) repeat = std::atoi(argv[i + 1]);
  }

  const fs::path cell = dir / "brelvix-bench-cell.csv";
  std::string text = "out,0,1,0,0x%02X,t\r\n\"";
  text.append(size_t{16} << 20, 'x');
  text += "\",a.txt,a\r\n";
  WriteText(cell, text);

  const fs::path rows = dir / "brelvix-bench-rows.csv";
  text = "out,0,1,0,0x%02X,t\r\n";
  for (int i = 0; i < 100000; ++i)
    text += "/data/input/file" + std::to_string(i) + ".bin,file" + std::to_string(i) +
            ".txt,array_" + std::to_string(i) + "\r\n";
  WriteText(rows, text);

  int32_t count = 0;
  const double cellTime = TimeLoad(cell, repeat, &count);
  std::printf("16 MiB quoted cell: %.3f s (%d row)\n", cellTime, count);
  const double rowsTime = TimeLoad(rows, repeat, &count);
  std::printf("100,000-row list:   %.3f s (%d rows)\n", rowsTime, count);
  fs::remove(cell);
  fs::remove(rows);
  return cellTime < 0 || rowsTime < 0 ? 1 : 0;
}
