#include "app/song_list_view.h"

#include <commctrl.h>

#include <cmath>
#include <vector>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/supplementary_text.h"

namespace sb {

namespace {

struct ColumnSpec {
  const wchar_t* title;
  double divisor;  // width = list width / divisor; 0 means the list width itself (one twip)
  int format;
};

// Columns 2, 3, 7 and 8 are one twip wide: they carry the record's ids.
constexpr ColumnSpec kColumns[] = {
    {L"歌曲", 4, LVCFMT_LEFT},   {L"文件", 0, LVCFMT_LEFT},     {L"专辑", 0, LVCFMT_LEFT},
    {L"歌手", 4, LVCFMT_LEFT},   {L"出品", 8, LVCFMT_LEFT},     {L"发布时间", 7.3, LVCFMT_LEFT},
    {L"图片", 0, LVCFMT_CENTER}, {L"歌词", 0, LVCFMT_CENTER},  {L"日听", 10, LVCFMT_LEFT},
    {L"总听", 9.5, LVCFMT_LEFT},
};

// Pixels between a cell's edge and its text.
constexpr int kCellTextInset = 2;

struct SortContext {
  std::vector<std::wstring> keys;  // by the row's position before the sort
  bool ascending;
};

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM ctxParam) {
  auto* ctx = reinterpret_cast<SortContext*>(ctxParam);
  const std::wstring& ka = ctx->keys[static_cast<size_t>(a)];
  const std::wstring& kb = ctx->keys[static_cast<size_t>(b)];
  int c = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, ka.c_str(),
                         static_cast<int>(ka.size()), kb.c_str(), static_cast<int>(kb.size())) -
          CSTR_EQUAL;
  if (!ctx->ascending) c = -c;
  // Equal keys keep their previous order whatever algorithm the list uses.
  if (c == 0) c = a < b ? -1 : (a > b ? 1 : 0);
  return c;
}

bool RowHasSurrogatePair(HWND listView, int row) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(listView, LVM_GETHEADER, 0, 0));
  const int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int column = 0; column < columns; ++column)
    if (HasSurrogatePair(CellText(listView, row, column))) return true;
  return false;
}

struct CellColours {
  COLORREF text;
  std::optional<COLORREF> back;  // nullopt: the list draws no background
};

// As the list colours a cell: its own colours, or the selection's for a
// selected row (the highlight while the list has the focus, else the 3D face
// when the selection always shows).
CellColours ColoursOf(const NMLVCUSTOMDRAW& draw, int row, int column) {
  HWND list = draw.nmcd.hdr.hwndFrom;
  CellColours own{draw.clrText == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : draw.clrText,
                  draw.clrTextBk == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : draw.clrTextBk};
  if (draw.clrTextBk == CLR_NONE) own.back.reset();
  const bool fullRow = (SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT) != 0;
  const bool selected = SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
  if (!selected || (column > 0 && !fullRow)) return own;
  if (GetFocus() == list) return {GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT)};
  if (GetWindowLongPtrW(list, GWL_STYLE) & LVS_SHOWSELALWAYS) return {GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_3DFACE)};
  return own;
}

UINT ColumnAlignment(HWND listView, int column) {
  LVCOLUMNW info{};
  info.mask = LVCF_FMT;
  SendMessageW(listView, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
  switch (info.fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_CENTER:
      return DT_CENTER;
    case LVCFMT_RIGHT:
      return DT_RIGHT;
    default:
      return DT_LEFT;
  }
}

}  // namespace

int ColumnWidthPixels(int column, int listWidthTwips, int dpi) {
  if (column < 0 || column >= static_cast<int>(std::size(kColumns))) return 0;
  double divisor = kColumns[column].divisor;
  double twips = divisor == 0 ? 1.0 : listWidthTwips / divisor;
  return static_cast<int>(std::lround(twips * (dpi > 0 ? dpi : SystemDpi()) / 1440.0));
}

void JiaZai(HWND listView) {
  LONG_PTR style = GetWindowLongPtrW(listView, GWL_STYLE);
  SetWindowLongPtrW(listView, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | LVS_REPORT);
  RECT r{};
  GetWindowRect(listView, &r);
  const int dpi = WindowDpi(listView);
  const int widthTwips = PixelsToTwipsAt(r.right - r.left, dpi);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = kColumns[i].format;
    col.cx = ColumnWidthPixels(i, widthTwips, dpi);
    col.pszText = const_cast<wchar_t*>(kColumns[i].title);
    col.iSubItem = i;
    SendMessageW(listView, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
}

int RowCount(HWND listView) { return static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0)); }

std::optional<int> SelectedRow(HWND listView) {
  int row = static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row < 0 || row >= RowCount(listView)) return std::nullopt;
  return row;
}

std::wstring CellText(HWND listView, int row, int column) {
  std::wstring buf(260, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buf.data();
    item.cchTextMax = static_cast<int>(buf.size());
    int n = static_cast<int>(
        SendMessageW(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= 65536) {
      buf.resize(static_cast<size_t>(n > 0 ? n : 0));
      return buf;
    }
    buf.assign(buf.size() * 4, L'\0');
  }
}

void SelectRow(HWND listView, int row) {
  LVITEMW clear{};
  clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  if (row < 0) return;
  LVITEMW set{};
  set.state = LVIS_SELECTED | LVIS_FOCUSED;
  set.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&set));
}

bool SortRows(HWND listView, int column, bool ascending) {
  int n = RowCount(listView);
  SortContext ctx{{}, ascending};
  ctx.keys.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    ctx.keys.push_back(CellText(listView, i, column));
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = i;
    item.lParam = i;
    SendMessageW(listView, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  return SendMessageW(listView, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&ctx),
                      reinterpret_cast<LPARAM>(&CompareRows)) != 0;
}

LRESULT SongCellPainter::OnCustomDraw(const NMLVCUSTOMDRAW& draw) {
  HWND list = draw.nmcd.hdr.hwndFrom;
  const int row = static_cast<int>(draw.nmcd.dwItemSpec);
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      cellsOfRow_ = -1;
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      if (row != cellsOfRow_) {
        if (!RowHasSurrogatePair(list, row)) return CDRF_DODEFAULT;
        cellsOfRow_ = row;
        return CDRF_NOTIFYSUBITEMDRAW;
      }
      [[fallthrough]];
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      if (draw.iSubItem == 0) cellsOfRow_ = -1;
      return DrawCell(draw, row, draw.iSubItem) ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
  }
  return CDRF_DODEFAULT;
}

// The cell's background, then its text on one line, cut with "..." when
// narrow, inset from the cell's edges as the list insets its own text.
bool SongCellPainter::DrawCell(const NMLVCUSTOMDRAW& draw, int row, int column) const {
  HWND list = draw.nmcd.hdr.hwndFrom;
  const std::wstring text = CellText(list, row, column);
  if (!HasSurrogatePair(text)) return false;
  RECT cell{};
  cell.top = column;
  cell.left = column == 0 ? LVIR_LABEL : LVIR_BOUNDS;
  if (!SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)))
    return false;
  HDC dc = draw.nmcd.hdc;
  const CellColours colours = ColoursOf(draw, row, column);
  if (colours.back) {
    UniqueBrush brush(CreateSolidBrush(*colours.back));
    FillRect(dc, &cell, brush.get());
  }
  const int saved = SaveDC(dc);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  SetTextColor(dc, colours.text);
  SetBkMode(dc, TRANSPARENT);
  RECT label{cell.left + kCellTextInset, cell.top, cell.right - kCellTextInset, cell.bottom};
  DrawTextLine(dc, text, label,
               ColumnAlignment(list, column) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  RestoreDC(dc, saved);
  return true;
}

void ListSorter::ColumnClick(HWND listView, int column) {
  ascending_ = !ascending_;
  SortRows(listView, sortColumn_, ascending_);
  sortColumn_ = column;
  SortRows(listView, sortColumn_, ascending_);
}

}  // namespace sb
