// The CSV tokenizer of the file list files: bytes in, a table of rows of
// cells out. It reads in blocks, so a file of any size and cells of any length
// are read without holding the whole file.
#pragma once

#include <cstdint>

#include "base/array.h"
#include "base/holder.h"
#include "base/result.h"
#include "base/str.h"
#include "base/wide.h"

// A row: its cells in line order. A table: its rows in file order. The
// caller owns the table and deletes it with every row and cell.
using CsvRow = CArrayOf<CString>;
using CsvTable = CArrayOf<CsvRow>;

// Result codes of the reader (see base/result.h).
enum : int {
  kCsvOk = kOk,
  kCsvCannotOpen = kCsvReadResults - 1,
  kCsvNoMemory = kCsvReadResults - 2,
  kCsvUnterminatedQuote = kCsvReadResults - 3,  // a quoted cell runs to the end of the file
};

inline constexpr int32_t kCsvBlockSize = 1048576;  // bytes read at a time
inline constexpr int32_t kCsvCellStart =
    1024;  // the cell buffer's first size; it grows by the rule

enum CsvState {
  CsvField,        // in an unquoted cell, or before a cell
  CsvQuoted,       // inside quotes
  CsvQuoteSeen,    // a quote inside quotes: a doubled quote or the closing one
  CsvSkipToComma,  // after a closing quote, dropping up to the next comma
  CsvAfterLf,      // an LF was seen; a CR may complete the line end
  CsvAfterCr,      // a CR was seen; an LF may complete the line end
  CsvLineEnd,      // the line ended; acts on the next byte without taking it
};

// What one step of the state machine does with one byte.
struct CsvStep {
  CsvState next;
  bool consume;      // false: the same byte goes to the next step
  bool store;        // append the byte to the cell
  bool dropBlanks;   // remove trailing spaces and TABs from the cell first
  bool endCell;      // end the cell, also an empty one
  bool endFullCell;  // end the cell only when it is not empty
  bool endRow;
};

// The transition for a byte in a state; cellEmpty says whether any byte has
// been stored since the cell was last ended.
CsvStep CsvNextStep(CsvState state, unsigned char byte, bool cellEmpty);

// Appends one cell to row (a new row when row is null) and returns the row.
// The bytes are decoded from codePage and stored as a file name is
// (CString::AssignName); bytes that yield no text make an empty cell. When memory runs out, *result
// becomes kCsvNoMemory and the row is returned as it was (or a new empty one,
// which the caller then owns).
CsvRow* AppendCsvCell(CsvRow* row, const char* bytes, int32_t count, uint32_t codePage,
                      int* result);

// The state machine with its cell buffer, current row and table. Blocks are
// fed in order; state, cell and row carry over between them.
class CCsvParser {
 public:
  explicit CCsvParser(uint32_t codePage);
  CCsvParser(const CCsvParser&) = delete;
  CCsvParser& operator=(const CCsvParser&) = delete;
  ~CCsvParser() = default;

  // Each returns kCsvOk, or kCsvNoMemory after which the parser is spent.
  int Feed(const char* bytes, int32_t count);
  // The end of the input: a pending cell and row are completed. A quoted
  // cell still open gives kCsvUnterminatedQuote, and quoteLine its line.
  int Finish();

  // The table built so far, now the caller's; null when no row was made.
  CsvTable* TakeTable();

  // kCsvNoMemory when the cell buffer could not be allocated at construction.
  int result = kCsvOk;
  // The line (from 1) on which the last quoted cell opened.
  int32_t quoteLine = 0;

 private:
  int Store(char byte);
  int StoreRun(const char* bytes, int32_t count);
  // The length of the run at bytes that the current state (quoted, or an
  // unquoted cell) only stores; counts the lines in it.
  int32_t StoredRun(const char* bytes, int32_t count);
  void DropBlanks();
  int EndCell();
  int EndRow();

  uint32_t codePage;
  CsvState state = CsvField;
  CBuffer<char> cell;
  int32_t cellLength = 0;
  int32_t cellCapacity = 0;
  CHolder<CsvRow> row;  // the row being read; null until its first cell
  CHolder<CsvTable> table;
  int32_t line = 1;  // CR LF, LF and CR each end one
  bool afterCr = false;
};

// The code page a list file is read with: the ANSI code page that the writer
// uses; where that is UTF-8, a file that is not valid UTF-8 throughout is read
// as code page 932, the form lists saved on a Japanese Windows have.
uint32_t CsvCodePageFor(bool fileIsValidUtf8);

// Reads a list file whole into a table. A file that starts with a byte-order
// mark is read as UTF-8 or UTF-16 (either byte order), any other as
// CsvCodePageFor says. *result is kCsvOk (the table is null when the file
// held no row), kCsvCannotOpen, kCsvNoMemory or kCsvUnterminatedQuote (then
// *quoteLine, when given, is the line the cell opened on); on a nonzero
// result nothing is returned.
CsvTable* ReadCsvTable(const WideChar* path, int* result, int32_t* quoteLine = nullptr);

// The same for bytes in memory, read as codePage.
CsvTable* ParseCsvBytes(const char* bytes, int32_t count, uint32_t codePage, int* result);
