// Helpers of the file list tests: text in the ANSI code page from UTF-8
// literals, and tables as plain vectors for comparison.
#pragma once

#include <string>
#include <vector>

#include "base/array.h"
#include "base/codepage.h"
#include "base/str.h"
#include "support/test_support.h"
#include "ui/list/csv_table.h"

namespace uitest {

using Rows = std::vector<std::vector<std::string>>;

// A UTF-8 literal as the program keeps it: 8-bit text in the ANSI code page.
inline std::string Ansi(const std::string& utf8) {
  CString text;
  text.AssignWide(test::Utf16(utf8).c_str());
  return text.Text();
}

// The bytes a file name is kept as (CString::AssignName).
inline std::string Name(const std::string& utf8) {
  CString text;
  text.AssignName(test::Utf16(utf8).c_str());
  return text.Text();
}

// True when the ANSI code page holds the text without loss.
inline bool AnsiHolds(const std::string& utf8) {
  CString text;
  text.AssignWide(test::Utf16(utf8).c_str());
  const WideChar* back = text.GetWide();
  return back != nullptr && test::Utf16(utf8) == back;
}

inline std::string Text(const CString& text) {
  return std::string(text.Text(), static_cast<size_t>(text.length));
}

inline std::vector<std::string> Cells(const CsvRow* row) {
  std::vector<std::string> cells;
  for (int32_t c = 0; c < row->Count(); ++c)
    cells.push_back(Text(*row->GetAt(c)));
  return cells;
}

inline Rows ToRows(const CsvTable* table) {
  Rows rows;
  for (int32_t r = 0; table != nullptr && r < table->Count(); ++r)
    rows.push_back(Cells(table->GetAt(r)));
  return rows;
}

}  // namespace uitest
