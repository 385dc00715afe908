// A form with the hidden text field and the ten-column report list the song
// list steps work on, for the song list tests and the load bench.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/form.h"

namespace sbtest {

class SongListForm : public sb::Form {
 public:
  // Hidden unless asked: under Wine without a window manager, hiding a shown
  // top-level window waits for the X server for a while.
  explicit SongListForm(bool visible = false) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    CreateForm({L"歌曲", 9000, 6000});
    text1 = AddControl({L"EDIT", L"Text1", 0, 0, 3000, 600, ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL});
    list = AddControl({WC_LISTVIEWW, L"", 0, 600, 9000, 5400, WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS});
    const wchar_t* names[] = {L"歌曲", L"文件", L"专辑", L"歌手", L"出品", L"发布时间", L"图片", L"歌词", L"日听", L"总听"};
    for (int k = 0; k < 10; ++k) {
      LVCOLUMNW col{};
      col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      col.cx = 60;
      col.pszText = const_cast<wchar_t*>(names[k]);
      col.iSubItem = k;
      SendMessageW(list, LVM_INSERTCOLUMNW, k, reinterpret_cast<LPARAM>(&col));
    }
    if (visible) ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
  }

  int Rows() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

  std::wstring Cell(int item, int subItem) const {
    wchar_t buf[512] = {};
    LVITEMW lv{};
    lv.iSubItem = subItem;
    lv.pszText = buf;
    lv.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv));
    return buf;
  }

  std::wstring Text1() const { return GetText(text1); }

  HWND text1 = nullptr;
  HWND list = nullptr;
};

}  // namespace sbtest
