// Thin wrappers over the messages of the controls the windows use: each class
// holds a control's handle and nothing else, and each operation is one
// message or a short fixed sequence of them. Made on the spot from a handle
// (CComboBox(GetDlgItem(dialog, id)).SelectedData()); they own nothing.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdint>

#include "base/str.h"

namespace ctl {

// Room for a control's text read into a CString, terminator included.
constexpr int kTextUnits = 520;

class CControl {
 public:
  explicit CControl(HWND window) : window_(window) {}
  HWND Handle() const { return window_; }

  // The text, "" for null.
  void SetText(const wchar_t* text) const { SetWindowTextW(window_, text != nullptr ? text : L""); }
  // An empty CString has no UTF-16 copy; the control shows "" for it.
  void SetText(const CString& text) const { SetText(CWideText(text).OrEmpty()); }
  // The text into buffer, at most units - 1 UTF-16 units of it.
  void ReadText(wchar_t* buffer, int units) const { GetWindowTextW(window_, buffer, units); }
  // The text as 8-bit text, at most units - 1 UTF-16 units of it (units at
  // most kTextUnits).
  void ReadText(CString& text, int units = kTextUnits) const {
    wchar_t buffer[kTextUnits] = {};
    GetWindowTextW(window_, buffer, units < kTextUnits ? units : kTextUnits);
    text.AssignWide(buffer);
  }
  // The same for a file name, kept exactly (CString::AssignName).
  void ReadName(CString& name, int units = kTextUnits) const {
    wchar_t buffer[kTextUnits] = {};
    GetWindowTextW(window_, buffer, units < kTextUnits ? units : kTextUnits);
    name.AssignName(buffer);
  }
  // The text's length in UTF-16 units, terminator not counted.
  int TextLength() const { return GetWindowTextLengthW(window_); }
  // Off while many changes are made, so that the control is drawn once after.
  void SetRedraw(bool on) const { Send(WM_SETREDRAW, on ? TRUE : FALSE); }
  bool IsEnabled() const { return IsWindowEnabled(window_) != FALSE; }
  void Enable(bool on) const { EnableWindow(window_, on ? TRUE : FALSE); }
  HFONT Font() const { return reinterpret_cast<HFONT>(Send(WM_GETFONT)); }
  // The font, drawn at once; the caller keeps it alive while it is used.
  void SetFont(HFONT font) const { Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }
  // The dialog's focus to this control (WM_NEXTDLGCTL rather than SetFocus:
  // the dialog keeps its default button and its remembered focus in step).
  void TakeDialogFocus() const {
    SendMessageW(GetParent(window_), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window_), TRUE);
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(window_, message, wParam, lParam);
  }

 private:
  HWND window_;
};

// A text box.
class CEdit : public CControl {
 public:
  using CControl::CControl;

  // All of the text selected, to be typed over.
  void SelectAll() const { Send(EM_SETSEL, 0, -1); }
};

// An item of a selection box: its text and its number (item data).
struct ComboItem {
  const wchar_t* text;
  int32_t data;
};

// A selection box whose items may carry a number (item data).
class CComboBox : public CControl {
 public:
  using CControl::CControl;

  void Reset() const { Send(CB_RESETCONTENT); }
  // Replaces the items with count items, in their order.
  void Fill(const ComboItem* items, int count) const {
    Reset();
    for (int i = 0; i < count; ++i)
      AddItem(items[i].text, items[i].data);
  }
  // Appends an item; its index, or a negative value when it could not.
  LRESULT AddText(const wchar_t* text) const {
    return Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  LRESULT AddItem(const wchar_t* text, int32_t data) const {
    const LRESULT index = AddText(text);
    if (index >= 0) Send(CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    return index;
  }
  // The selected index; CB_ERR without a selection.
  LRESULT Selection() const { return Send(CB_GETCURSEL); }
  void Select(LRESULT index) const { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
  int32_t ItemData(LRESULT index) const {
    return static_cast<int32_t>(Send(CB_GETITEMDATA, static_cast<WPARAM>(index)));
  }
  // The item data of the selected item; 0 without a selection.
  int32_t SelectedData() const {
    const LRESULT index = Selection();
    return index == CB_ERR ? 0 : ItemData(index);
  }
  // Selects the first item whose data is value; false, the box left alone,
  // when no item has it.
  bool SelectData(int32_t value) const {
    const LRESULT count = Send(CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
      if (ItemData(i) == value) {
        Select(i);
        return true;
      }
    }
    return false;
  }
};

// A list view in report mode.
class CListView : public CControl {
 public:
  using CControl::CControl;

  void InsertColumn(int index, int width, const wchar_t* title) const {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(title);
    column.iSubItem = index;
    Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
  }
  HWND Header() const { return reinterpret_cast<HWND>(Send(LVM_GETHEADER)); }
  int ColumnCount() const {
    return static_cast<int>(SendMessageW(Header(), HDM_GETITEMCOUNT, 0, 0));
  }
  // The columns' widths together.
  int ColumnsWidth() const {
    int total = 0;
    for (int column = 0, count = ColumnCount(); column < count; ++column)
      total += ColumnWidth(column);
    return total;
  }
  // The header's arrow on column (up, or down when descending), none on the
  // others; a column of -1 shows none at all.
  void ShowSortArrow(int column, bool descending) const {
    HWND header = Header();
    for (int i = 0, count = ColumnCount(); i < count; ++i) {
      HDITEMW item = {};
      item.mask = HDI_FORMAT;
      SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
      if (i == column) item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
      SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
  }
  int ColumnWidth(int column) const {
    return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
  }
  void SetColumnWidth(int column, int width) const {
    Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width);
  }
  void AddExtendedStyle(DWORD styles) const {
    const LRESULT current = Send(LVM_GETEXTENDEDLISTVIEWSTYLE);
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, current | styles);
  }
  // Makes room for count rows at once; flags as LVM_SETITEMCOUNT takes them.
  void SetItemCount(int32_t count, LPARAM flags) const {
    Send(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), flags);
  }
  // A new row at row with text in its first column; then SetCell for the others.
  void InsertRow(int row, const wchar_t* text) const { Cell(LVM_INSERTITEMW, row, 0, text); }
  void SetCell(int row, int column, const wchar_t* text) const {
    Cell(LVM_SETITEMW, row, column, text);
  }
  void DeleteAll() const { Send(LVM_DELETEALLITEMS); }
  // The first selected row; -1 without one.
  LRESULT FirstSelected() const { return NextSelected(-1); }
  // The next selected row after row; -1 when there is none.
  LRESULT NextSelected(LRESULT row) const {
    return Send(LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED);
  }
  int32_t SelectedCount() const { return static_cast<int32_t>(Send(LVM_GETSELECTEDCOUNT)); }
  void SelectAll() const {
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  }
  // The row with the focus; -1 without one.
  LRESULT FocusedRow() const {
    return Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
  }
  // The row's bounds in the list's client area; false when there is no such row.
  bool RowBounds(LRESULT row, RECT* rect) const {
    rect->left = LVIR_BOUNDS;
    return Send(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(rect)) != 0;
  }

 private:
  void Cell(UINT message, int row, int column, const wchar_t* text) const {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text);
    Send(message, 0, reinterpret_cast<LPARAM>(&item));
  }
};

// A frame's toolbar: its buttons by command id.
class CToolBar : public CControl {
 public:
  using CControl::CControl;

  void SetButtonState(int commandId, WORD state) const {
    Send(TB_SETSTATE, static_cast<WPARAM>(commandId), MAKELONG(state, 0));
  }
  void EnableButton(int commandId, bool on) const {
    Send(TB_ENABLEBUTTON, static_cast<WPARAM>(commandId), MAKELONG(on ? TRUE : FALSE, 0));
  }
};

// A frame's status bar.
class CStatusBarControl : public CControl {
 public:
  using CControl::CControl;

  // count parts, each ending at its right edge in edges.
  void SetParts(int count, const int* edges) const {
    Send(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(edges));
  }
};

class CProgressBar : public CControl {
 public:
  using CControl::CControl;

  // The 32-bit range: the 16-bit one wraps beyond 65535.
  void SetRange(int32_t low, int32_t high) const {
    Send(PBM_SETRANGE32, static_cast<WPARAM>(low), high);
  }
  void SetPos(int32_t position) const { Send(PBM_SETPOS, static_cast<WPARAM>(position)); }
};

}  // namespace ctl
