// The CSV reader of the file list on arbitrary bytes. Besides finding crashes
// and leaks it checks two properties the file list relies on:
// - the table, or the refusal of a quote left open, does not depend on where
//   the input is cut into blocks;
// - a table written back with the writer's quoting reads back the same, apart
//   from what the format cannot hold: an empty last cell of a row, and an
//   empty row as the last line of the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/holder.h"
#include "base/str.h"
#include "ui/list/csv_file_list.h"
#include "ui/list/csv_table.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows ToRows(const CsvTable* table) {
  Rows rows;
  for (int32_t r = 0; table != nullptr && r < table->Count(); ++r) {
    const CsvRow* row = table->GetAt(r);
    rows.emplace_back();
    for (int32_t c = 0; c < row->Count(); ++c) {
      const CString* cell = row->GetAt(c);
      rows.back().emplace_back(cell->Text(), static_cast<size_t>(cell->length));
    }
  }
  return rows;
}

// The rows; *result says whether the input was refused for an open quote.
Rows Parse(const char* bytes, size_t size, uint32_t codePage, int* result) {
  std::unique_ptr<CsvTable> table(
      ParseCsvBytes(bytes, static_cast<int32_t>(size), codePage, result));
  if (*result != kCsvOk && *result != kCsvUnterminatedQuote) std::abort();
  return ToRows(table.get());
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const auto* bytes = reinterpret_cast<const char*>(data);
  int result = kCsvOk;
  const Rows whole = Parse(bytes, size, kCodePageAnsi, &result);
  int shiftJisResult = kCsvOk;
  Parse(bytes, size, kCodePageShiftJis, &shiftJisResult);
  Check(shiftJisResult == result);

  // The same bytes in small blocks of a size the input picks.
  const size_t block = size > 0 ? data[0] % 13 + 1 : 1;
  CCsvParser parser(kCodePageAnsi);
  for (size_t done = 0; done < size; done += block) {
    const size_t count = size - done < block ? size - done : block;
    Check(parser.Feed(bytes + done, static_cast<int32_t>(count)) == kCsvOk);
  }
  Check(parser.Finish() == result);
  if (result == kCsvUnterminatedQuote) {
    Check(parser.quoteLine >= 1);
    return 0;
  }
  std::unique_ptr<CsvTable> blocked(parser.TakeTable());
  Check(ToRows(blocked.get()) == whole);

  // Write the table back and read it again.
  CString text;
  Rows expected = whole;
  for (auto& row : expected) {
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) Check(text.AppendBytes(",", 1) == 1);
      // A cell holds a name as the list keeps it; a list file holds its
      // characters, so the cell goes back through its UTF-16 form.
      CString cell;
      Check(row[c].empty() || cell.AssignBytes(row[c].data(), static_cast<int32_t>(row[c].size())));
      const CBuffer<char> plain(
          row[c].empty() ? nullptr : WideToMultiByte(cell.GetWide(), -1, kCodePageAnsi));
      const std::string written = plain ? std::string(plain.Get()) : row[c];
      Check(AppendCsvText(&text, written.data(), static_cast<int32_t>(written.size())) == 1);
    }
    Check(text.AppendBytes("\r\n", 2) == 1);
    if (!row.empty() && row.back().empty()) row.pop_back();
  }
  if (!expected.empty() && expected.back().empty()) expected.pop_back();
  Check(Parse(text.Text(), static_cast<size_t>(text.length), kCodePageAnsi, &result) == expected);
  Check(result == kCsvOk);
  return 0;
}
