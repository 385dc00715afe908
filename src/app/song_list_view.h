// The song list view ListView1: its ten columns, row access by column number
// and sorting by the plain text of a column.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

namespace sb {

// Puts the list into report view and adds the ten columns, sized from the
// list's current width (JiaZai).
void JiaZai(HWND listView);

// Width in pixels of each column that JiaZai adds for a list `listWidthTwips`
// wide, at `dpi` (0: the system DPI).
int ColumnWidthPixels(int column, int listWidthTwips, int dpi = 0);

int RowCount(HWND listView);
// The selected row, looked up again through the list's items.
std::optional<int> SelectedRow(HWND listView);
// Column 0 is the row's own text, column k its subitem k.
std::wstring CellText(HWND listView, int row, int column);
void SelectRow(HWND listView, int row);

// The list's sort state: one direction for the whole list and a sort column.
// The list starts ascending on column 0 and is never sorted automatically.
class ListSorter {
 public:
  // A click on header `column` (0-based): flips the direction, re-sorts by the
  // current sort column, then by the clicked one.
  void ColumnClick(HWND listView, int column);
  bool ascending() const { return ascending_; }
  int sortColumn() const { return sortColumn_; }

 private:
  bool ascending_ = true;
  int sortColumn_ = 0;
};

// Stable sort of the rows by the plain text of `column`.
bool SortRows(HWND listView, int column, bool ascending);

// The list's NM_CUSTOMDRAW: a cell whose text holds a character beyond the
// BMP is drawn through DrawTextLine (platform/supplementary_text.h) in the
// colours the list gives it, a selected row's included; every other cell,
// and every row without such a cell, is left to the list.
class SongCellPainter {
 public:
  LRESULT OnCustomDraw(const NMLVCUSTOMDRAW& draw);

 private:
  bool DrawCell(const NMLVCUSTOMDRAW& draw, int row, int column) const;

  // The row whose cells the list is notifying one by one. Wine notifies the
  // first cell as CDDS_ITEMPREPAINT again, without CDDS_SUBITEM.
  int cellsOfRow_ = -1;
};

}  // namespace sb
