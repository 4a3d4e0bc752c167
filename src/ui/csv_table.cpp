#include "ui/csv_table.h"

#include <cstring>
#include <new>

#include "base/codepage.h"
#include "base/file.h"

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

CArray* AppendCsvCell(CArray* row, const char* bytes, int32_t count, uint32_t codePage,
                      int* result) {
  CString* cell = new (std::nothrow) CString;
  if (cell == nullptr) {
    *result = kCsvNoMemory;
    return row;
  }
  if (count > 0) {
    WideChar* wide = MultiByteToWide(bytes, count, codePage);
    char* narrow = wide != nullptr ? WideToMultiByte(wide, -1, kCodePageAnsi) : nullptr;
    delete[] wide;
    const int32_t length = narrow != nullptr ? static_cast<int32_t>(std::strlen(narrow)) : 0;
    const bool stored = narrow != nullptr && (length == 0 || cell->AssignBytes(narrow, length));
    delete[] narrow;
    if (!stored) {
      delete cell;
      *result = kCsvNoMemory;
      return row;
    }
  }
  if (row == nullptr) {
    row = new (std::nothrow) CArray;
    if (row == nullptr) {
      delete cell;
      *result = kCsvNoMemory;
      return nullptr;
    }
  }
  if (!row->Add(cell)) {
    delete cell;
    *result = kCsvNoMemory;
  }
  return row;
}

CCsvParser::CCsvParser(uint32_t codePage) : codePage(codePage) {
  cell = new (std::nothrow) char[kCsvCellStep]();
  if (cell == nullptr) {
    result = kCsvNoMemory;
  } else {
    cellCapacity = kCsvCellStep;
  }
}

CCsvParser::~CCsvParser() {
  delete[] cell;
  delete row;
  delete table;
}

int CCsvParser::Store(char byte) {
  cell[cellLength++] = byte;
  if (cellLength < cellCapacity) return kCsvOk;
  if (cellCapacity > INT32_MAX - kCsvCellStep) return kCsvNoMemory;
  char* larger = new (std::nothrow) char[cellCapacity + kCsvCellStep]();
  if (larger == nullptr) return kCsvNoMemory;
  std::memcpy(larger, cell, static_cast<size_t>(cellLength));
  delete[] cell;
  cell = larger;
  cellCapacity += kCsvCellStep;
  return kCsvOk;
}

void CCsvParser::DropBlanks() {
  while (cellLength > 0 && IsBlank(static_cast<unsigned char>(cell[cellLength - 1])))
    cell[--cellLength] = 0;
}

int CCsvParser::EndCell() {
  int appended = kCsvOk;
  row = AppendCsvCell(row, cell, cellLength, codePage, &appended);
  std::memset(cell, 0, static_cast<size_t>(cellLength));
  cellLength = 0;
  return appended;
}

int CCsvParser::EndRow() {
  // A line that yielded no cell still makes a row, one without cells.
  if (row == nullptr) {
    row = new (std::nothrow) CArray;
    if (row == nullptr) return kCsvNoMemory;
  }
  if (table == nullptr) {
    table = new (std::nothrow) CsvTable;
    if (table == nullptr) return kCsvNoMemory;
  }
  if (!table->Add(row)) return kCsvNoMemory;
  row = nullptr;
  return kCsvOk;
}

int CCsvParser::Feed(const char* bytes, int32_t count) {
  if (result != kCsvOk) return result;
  for (int32_t i = 0; i < count; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    for (;;) {
      const CsvStep step = CsvNextStep(state, byte, cellLength == 0);
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

int CCsvParser::Finish() {
  if (result != kCsvOk) return result;
  // A closing quote right at the end completes its cell as a line end would,
  // so an empty quoted last cell is not lost when the file has no line end.
  if (cellLength > 0 || state == CsvQuoteSeen) result = EndCell();
  if (result == kCsvOk && row != nullptr) result = EndRow();
  state = CsvField;
  return result;
}

CsvTable* CCsvParser::TakeTable() {
  CsvTable* taken = table;
  table = nullptr;
  return taken;
}

uint32_t CsvCodePageFor(bool fileIsValidUtf8) {
  if (AnsiCodePage() == kCodePageUtf8 && !fileIsValidUtf8) return kCodePageShiftJis;
  return kCodePageAnsi;
}

CsvTable* ReadCsvTable(const WideChar* path, int* result) {
  *result = kCsvOk;
  CString name;
  name.AssignWide(path);
  CFile file;
  if (!file.OpenRegular(name)) {
    *result = kCsvCannotOpen;
    return nullptr;
  }
  char* buffer = new (std::nothrow) char[kCsvBlockSize];
  if (buffer == nullptr) {
    *result = kCsvNoMemory;
    return nullptr;
  }
  bool validUtf8 = true;
  if (AnsiCodePage() == kCodePageUtf8 && !ReadsAsUtf8(file, buffer, &validUtf8)) {
    delete[] buffer;
    *result = kCsvCannotOpen;
    return nullptr;
  }

  CCsvParser parser(CsvCodePageFor(validUtf8));
  int code = parser.result;
  while (code == kCsvOk) {
    const uint32_t got = file.Read(buffer, kCsvBlockSize);
    if (got == 0) break;
    code = parser.Feed(buffer, static_cast<int32_t>(got));
  }
  delete[] buffer;
  if (code == kCsvOk) code = parser.Finish();
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
