#include "catalogue/song_list.h"

#include <commctrl.h>

#include <climits>

#include "catalogue/song_list_text.h"
#include "platform/form.h"
#include "platform/inet.h"

namespace sb {
namespace {

constexpr wchar_t kDefaultRoot[] = L"http://127.0.0.1:8611/";
constexpr wchar_t kBusyText[] = L"对不起，正在执行当中，请稍候……";
constexpr wchar_t kBusyTitle[] = L"错误";
// A multi-line edit keeps about 32K characters unless told otherwise; a real
// page is far longer and would be cut silently.
constexpr LPARAM kTextLimit = 0x7FFFFFFE;

bool ShowBusy(HWND owner) {
  MsgBox(owner, kBusyText, kBusyTitle, MB_ICONSTOP);
  return false;
}

void SetCell(HWND listView, int item, int subItem, std::wstring_view value, std::wstring& buffer) {
  buffer.assign(value);
  LVITEMW lv{};
  lv.iSubItem = subItem;
  lv.pszText = buffer.data();
  SendMessageW(listView, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
}

}  // namespace

std::wstring ServiceRoot() {
  DWORD needed = GetEnvironmentVariableW(L"SONGBOX_ROOT", nullptr, 0);
  std::wstring root;
  if (needed > 1) {
    root.resize(needed);
    DWORD got = GetEnvironmentVariableW(L"SONGBOX_ROOT", root.data(), needed);
    root.resize(got < needed ? got : 0);
  }
  return RootWithSlash(std::move(root), kDefaultRoot);
}

bool updata(Inet& inet, HWND text1, HWND owner) {
  std::optional<std::wstring> page = inet.OpenURL(ServiceRoot());
  if (!page) return ShowBusy(owner);
  std::optional<std::wstring> text = NormaliseSongPage(*page);
  if (!text) return ShowBusy(owner);
  SendMessageW(text1, EM_SETLIMITTEXT, 0, kTextLimit);
  if (!SetWindowTextW(text1, text->c_str())) return ShowBusy(owner);
  return true;
}

void InPuter(HWND text1, HWND listView) {
  const std::wstring text = Form::GetText(text1);
  const std::vector<SongRow> rows = SongRows(text);
  if (rows.empty()) return;
  SendMessageW(listView, WM_SETREDRAW, FALSE, 0);
  const auto existing = static_cast<size_t>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
  SendMessageW(listView, LVM_SETITEMCOUNT, static_cast<WPARAM>(existing + rows.size()), LVSICF_NOINVALIDATEALL);
  std::wstring buffer;
  for (const SongRow& row : rows) {
    buffer.assign(row.cells[0]);
    LVITEMW lv{};
    lv.mask = LVIF_TEXT;
    lv.iItem = INT_MAX;  // at the end
    lv.pszText = buffer.data();
    int item = static_cast<int>(SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    if (item < 0) continue;
    for (int k = 1; k < kSongListColumns; ++k) SetCell(listView, item, k, row.cells[k], buffer);
  }
  SendMessageW(listView, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(listView, nullptr, TRUE);
}

}  // namespace sb
