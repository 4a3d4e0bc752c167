#include "ui/list/csv_table.h"

#include <cstring>
#include <new>

#include "base/codepage.h"
#include "base/file.h"
#include "base/growth.h"
#include "base/holder.h"

namespace {

bool IsBlank(unsigned char byte) {
  return byte == ' ' || byte == '\t';
}

CsvStep Step(CsvState next, bool consume) {
  return CsvStep{next, consume, false, false, false, false, false};
}

CsvStep StoreStep(CsvState next) {
  CsvStep step = Step(next, true);
  step.store = true;
  return step;
}

CsvStep EndCellStep(CsvState next) {
  CsvStep step = Step(next, true);
  step.endCell = true;
  return step;
}

// Number of bytes at the end of bytes[0, count) that start a UTF-8 sequence
// the block does not finish; they are checked again with the next block.
int32_t UnfinishedUtf8Tail(const unsigned char* bytes, int32_t count) {
  for (int32_t back = 1; back <= 3 && back <= count; ++back) {
    const unsigned char byte = bytes[count - back];
    if ((byte & 0xC0) == 0x80) continue;
    if (byte < 0xC0) return 0;
    const int32_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    return needed > back ? back : 0;
  }
  return 0;
}

// Reads the whole file once to tell whether it is UTF-8 throughout, then goes
// back to its start. False also when it cannot go back.
bool ReadsAsUtf8(CFile& file, char* buffer, bool* valid) {
  int32_t carried = 0;
  *valid = true;
  for (;;) {
    const uint32_t got =
        file.Read(buffer + carried, static_cast<uint32_t>(kCsvBlockSize - carried));
    if (got == 0) {
      if (carried > 0) *valid = false;
      break;
    }
    const int32_t total = carried + static_cast<int32_t>(got);
    carried = UnfinishedUtf8Tail(reinterpret_cast<unsigned char*>(buffer), total);
    if (!IsValidUtf8(buffer, total - carried)) {
      *valid = false;
      break;
    }
    std::memmove(buffer, buffer + total - carried, static_cast<size_t>(carried));
  }
  return file.Seek(0);
}

enum class ListEncoding { Plain, Utf8Marked, Utf16Little, Utf16Big };

// What a spreadsheet's "CSV UTF-8" and "Unicode text" exports start with.
ListEncoding EncodingOfMark(const unsigned char* mark, uint32_t count) {
  if (count >= 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
    return ListEncoding::Utf8Marked;
  }
  if (count >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) return ListEncoding::Utf16Little;
  if (count >= 2 && mark[0] == 0xFE && mark[1] == 0xFF) return ListEncoding::Utf16Big;
  return ListEncoding::Plain;
}

// Reads UTF-16 from the file's position in blocks and feeds it to the parser
// as UTF-8, which keeps the bytes the parser acts on (comma, quote, CR, LF).
// An odd byte or a lead surrogate at a block's end waits for the next block.
int FeedUtf16(CFile& file, char* buffer, bool bigEndian, CCsvParser& parser) {
  constexpr int32_t kUnits = kCsvBlockSize / 2;
  CBuffer<WideChar> units;
  if (!units.AllocateUninitialised(kUnits)) return kCsvNoMemory;
  int code = kCsvOk;
  int32_t carriedBytes = 0;
  int32_t carriedUnits = 0;
  while (code == kCsvOk) {
    const uint32_t got =
        file.Read(buffer + carriedBytes, static_cast<uint32_t>(kCsvBlockSize - 2 - carriedBytes));
    const int32_t total = carriedBytes + static_cast<int32_t>(got);
    const int32_t pairs = total / 2;
    for (int32_t i = 0; i < pairs; ++i) {
      const auto first = static_cast<unsigned char>(buffer[2 * i]);
      const auto second = static_cast<unsigned char>(buffer[2 * i + 1]);
      units[carriedUnits + i] =
          static_cast<WideChar>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    carriedBytes = total - 2 * pairs;
    if (carriedBytes > 0) buffer[0] = buffer[total - 1];
    int32_t count = carriedUnits + pairs;
    // A lead surrogate waits for its trail, unless the file has ended.
    carriedUnits = got > 0 && count > 0 && units[count - 1] >= 0xD800 && units[count - 1] < 0xDC00;
    count -= carriedUnits;
    // Converted between NUL units, which go to the parser as NUL bytes: a NUL
    // then ends its cell's text only, as in an 8-bit list, where a converted
    // text's end would have dropped the rest of the block.
    for (int32_t start = 0; start < count && code == kCsvOk;) {
      int32_t end = start;
      while (end < count && units[end] != 0)
        ++end;
      if (end > start) {
        const CBuffer<char> text(WideToMultiByte(units.Get() + start, end - start, kCodePageUtf8));
        if (!text) {
          code = kCsvNoMemory;
          break;
        }
        code = parser.Feed(text.Get(), static_cast<int32_t>(std::strlen(text.Get())));
      }
      if (end < count && code == kCsvOk) code = parser.Feed("", 1);
      start = end + 1;
    }
    if (code != kCsvOk) break;
    if (carriedUnits > 0) units[0] = units[count];
    if (got == 0) break;
  }
  return code;
}

}  // namespace

CsvStep CsvNextStep(CsvState state, unsigned char byte, bool cellEmpty) {
  switch (state) {
    case CsvField:
      if (IsBlank(byte)) return cellEmpty ? Step(CsvField, true) : StoreStep(CsvField);
      if (byte == '\n') return Step(CsvAfterLf, true);
      if (byte == '\r') return Step(CsvAfterCr, true);
      if (byte == '"') return cellEmpty ? Step(CsvQuoted, true) : StoreStep(CsvField);
      if (byte == ',') {
        CsvStep step = EndCellStep(CsvField);
        step.dropBlanks = true;
        return step;
      }
      return StoreStep(CsvField);
    case CsvQuoted:
      if (byte == '"') return Step(CsvQuoteSeen, true);
      return StoreStep(CsvQuoted);
    case CsvQuoteSeen:
      if (byte == '"') return StoreStep(CsvQuoted);
      if (byte == ',') return EndCellStep(CsvField);
      if (byte == '\n') return EndCellStep(CsvAfterLf);
      if (byte == '\r') return EndCellStep(CsvAfterCr);
      return EndCellStep(CsvSkipToComma);
    case CsvSkipToComma:
      return Step(byte == ',' ? CsvField : CsvSkipToComma, true);
    case CsvAfterLf:
      return Step(CsvLineEnd, byte == '\r');
    case CsvAfterCr:
      return Step(CsvLineEnd, byte == '\n');
    case CsvLineEnd:
      break;
  }
  CsvStep step = Step(CsvField, false);
  step.endFullCell = true;
  step.endRow = true;
  return step;
}

CsvRow* AppendCsvCell(CsvRow* row, const char* bytes, int32_t count, uint32_t codePage,
                      int* result) {
  CHolder<CString> cell(new (std::nothrow) CString);
  if (!cell) {
    *result = kCsvNoMemory;
    return row;
  }
  if (count > 0) {
    // Kept exactly: a cell may name a file outside the ANSI code page.
    const CBuffer<WideChar> wide(MultiByteToWide(bytes, count, codePage));
    if (!wide) {
      *result = kCsvNoMemory;
      return row;
    }
    cell->AssignName(wide.Get());
    if (wide.Get()[0] != 0 && cell->IsEmpty()) {
      *result = kCsvNoMemory;
      return row;
    }
  }
  if (row == nullptr) {
    row = new (std::nothrow) CsvRow;
    if (row == nullptr) {
      *result = kCsvNoMemory;
      return nullptr;
    }
  }
  if (row->Add(cell.Get())) {
    static_cast<void>(cell.Release());
  } else {
    *result = kCsvNoMemory;
  }
  return row;
}

CCsvParser::CCsvParser(uint32_t codePage) : codePage(codePage) {
  if (cell.Allocate(kCsvCellStart)) {
    cellCapacity = kCsvCellStart;
  } else {
    result = kCsvNoMemory;
  }
}

int CCsvParser::Store(char byte) {
  return StoreRun(&byte, 1);
}

int CCsvParser::StoreRun(const char* bytes, int32_t count) {
  // The buffer keeps room for one more byte.
  if (!GrowToFit(cell, cellLength, &cellCapacity, int64_t{cellLength} + count + 1)) {
    return kCsvNoMemory;
  }
  std::memcpy(cell.Get() + cellLength, bytes, static_cast<size_t>(count));
  cellLength += count;
  return kCsvOk;
}

void CCsvParser::DropBlanks() {
  while (cellLength > 0 && IsBlank(static_cast<unsigned char>(cell[cellLength - 1])))
    cell[--cellLength] = 0;
}

int CCsvParser::EndCell() {
  int appended = kCsvOk;
  CsvRow* const grown = AppendCsvCell(row.Release(), cell.Get(), cellLength, codePage, &appended);
  row.Reset(grown);
  std::memset(cell.Get(), 0, static_cast<size_t>(cellLength));
  cellLength = 0;
  return appended;
}

int CCsvParser::EndRow() {
  // A line that yielded no cell still makes a row, one without cells.
  if (!row) {
    row.Reset(new (std::nothrow) CsvRow);
    if (!row) return kCsvNoMemory;
  }
  if (!table) {
    table.Reset(new (std::nothrow) CsvTable);
    if (!table) return kCsvNoMemory;
  }
  if (!table->Add(row.Get())) return kCsvNoMemory;
  static_cast<void>(row.Release());  // the table owns it now
  return kCsvOk;
}

int CCsvParser::Feed(const char* bytes, int32_t count) {
  if (result != kCsvOk) return result;
  for (int32_t i = 0; i < count; ++i) {
    // A run of bytes that the state machine would only store goes in at once:
    // the bulk of a long cell.
    if (state == CsvQuoted || state == CsvField) {
      const int32_t run = StoredRun(bytes + i, count - i);
      if (run > 0) {
        if ((result = StoreRun(bytes + i, run)) != kCsvOk) return result;
        i += run;
        if (i == count) break;
      }
    }
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\r' || (byte == '\n' && !afterCr)) ++line;
    afterCr = byte == '\r';
    for (;;) {
      const CsvStep step = CsvNextStep(state, byte, cellLength == 0);
      if (step.next == CsvQuoted && state == CsvField) quoteLine = line;
      if (step.store) result = Store(static_cast<char>(byte));
      if (step.dropBlanks) DropBlanks();
      if (result == kCsvOk && (step.endCell || (step.endFullCell && cellLength > 0))) {
        result = EndCell();
      }
      if (result == kCsvOk && step.endRow) result = EndRow();
      if (result != kCsvOk) return result;
      state = step.next;
      if (step.consume) break;
    }
  }
  return kCsvOk;
}

int32_t CCsvParser::StoredRun(const char* bytes, int32_t count) {
  const bool quoted = state == CsvQuoted;
  int32_t run = 0;
  for (; run < count; ++run) {
    const auto byte = static_cast<unsigned char>(bytes[run]);
    if (byte == '"') break;
    if (!quoted && (byte == ',' || byte == '\r' || byte == '\n' || IsBlank(byte))) break;
    // Line ends inside quotes are lines of the file all the same.
    if (byte == '\r' || (byte == '\n' && !afterCr)) ++line;
    afterCr = byte == '\r';
  }
  return run;
}

int CCsvParser::Finish() {
  if (result != kCsvOk) return result;
  // Taking the rest of the file as one cell would silently lose its rows.
  if (state == CsvQuoted) return result = kCsvUnterminatedQuote;
  // A closing quote right at the end completes its cell as a line end would,
  // so an empty quoted last cell is not lost when the file has no line end.
  if (cellLength > 0 || state == CsvQuoteSeen) result = EndCell();
  if (result == kCsvOk && row) result = EndRow();
  state = CsvField;
  return result;
}

CsvTable* CCsvParser::TakeTable() {
  return table.Release();
}

uint32_t CsvCodePageFor(bool fileIsValidUtf8) {
  if (AnsiCodePage() == kCodePageUtf8 && !fileIsValidUtf8) return kCodePageShiftJis;
  return kCodePageAnsi;
}

CsvTable* ReadCsvTable(const WideChar* path, int* result, int32_t* quoteLine) {
  *result = kCsvOk;
  CString name;
  CFile file;
  // A name that cannot be copied is not a file that does not open.
  if (!name.AppendName(path)) {
    *result = kCsvNoMemory;
    return nullptr;
  }
  if (!file.OpenRegular(name)) {
    *result = file.systemError == kSystemErrorNoMemory ? kCsvNoMemory : kCsvCannotOpen;
    return nullptr;
  }
  CBuffer<char> block;
  if (!block.AllocateUninitialised(kCsvBlockSize)) {
    *result = kCsvNoMemory;
    return nullptr;
  }
  char* const buffer = block.Get();
  unsigned char mark[3] = {};
  const uint32_t markBytes = file.Read(mark, 3);
  const ListEncoding encoding = EncodingOfMark(mark, markBytes);
  bool validUtf8 = true;
  bool ready = file.Seek(encoding == ListEncoding::Utf8Marked ? 3
                         : encoding == ListEncoding::Plain    ? 0
                                                              : 2);
  if (ready && encoding == ListEncoding::Plain && AnsiCodePage() == kCodePageUtf8) {
    ready = ReadsAsUtf8(file, buffer, &validUtf8);
  }
  if (!ready) {
    *result = kCsvCannotOpen;
    return nullptr;
  }

  CCsvParser parser(encoding == ListEncoding::Plain ? CsvCodePageFor(validUtf8) : kCodePageUtf8);
  int code = parser.result;
  if (encoding == ListEncoding::Utf16Little || encoding == ListEncoding::Utf16Big) {
    code = FeedUtf16(file, buffer, encoding == ListEncoding::Utf16Big, parser);
  } else {
    while (code == kCsvOk) {
      const uint32_t got = file.Read(buffer, kCsvBlockSize);
      if (got == 0) break;
      code = parser.Feed(buffer, static_cast<int32_t>(got));
    }
  }
  block.Reset();
  if (code == kCsvOk) code = parser.Finish();
  if (code == kCsvUnterminatedQuote && quoteLine != nullptr) *quoteLine = parser.quoteLine;
  *result = code;
  return code == kCsvOk ? parser.TakeTable() : nullptr;
}

CsvTable* ParseCsvBytes(const char* bytes, int32_t count, uint32_t codePage, int* result) {
  CCsvParser parser(codePage);
  int code = parser.result;
  for (int64_t done = 0; code == kCsvOk && done < count; done += kCsvBlockSize) {
    const int64_t left = count - done;
    code = parser.Feed(bytes + done,
                       static_cast<int32_t>(left < kCsvBlockSize ? left : kCsvBlockSize));
  }
  if (code == kCsvOk) code = parser.Finish();
  *result = code;
  return code == kCsvOk ? parser.TakeTable() : nullptr;
}
