// 32,767 song lines: storing them in the hidden text field the way updata does
// ("text1_store_32767_s") and loading them into a real report list view
// ("list_load_32767_s").
#include <chrono>
#include <cstdio>
#include <string>

#include "catalogue/song_list.h"
#include "song_list_window.h"

int main() {
  const int lines = 32767;
  std::wstring text;
  for (int i = 0; i < lines; ++i) {
    std::wstring id = std::to_wstring(100000 + i);
    text += id + L" song" + id + L" 第" + std::to_wstring(i) + L"首\u3000新歌 林小雨 青石唱片 2026-12-01 p" + id + L" l" +
            id + L" " + std::to_wstring(i % 500) + L" " + std::to_wstring(i * 13) + L" 1\r\n";
  }
  sbtest::SongListForm f(true);
  auto start = std::chrono::steady_clock::now();
  SendMessageW(f.text1, EM_SETLIMITTEXT, 0, 0x7FFFFFFE);
  f.SetText(f.text1, text);
  double store = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  start = std::chrono::steady_clock::now();
  sb::InPuter(f.text1, f.list);
  UpdateWindow(f.list);
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (f.Rows() != lines) {
    std::fprintf(stderr, "loaded %d of %d lines\n", f.Rows(), lines);
    return 1;
  }
  std::printf("text1_store_32767_s: %.2f s\n", store);
  std::printf("list_load_32767_s: %.2f s\n", s);
  return 0;
}
