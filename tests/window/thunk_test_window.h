// A plain test window whose procedure records what reaches it, and a sink that
// records its callbacks and can act on chosen messages.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "window/subclassing_sink.h"

namespace sbtest {

struct SeenMsg {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Window procedure that records every message in the window's recorder and
// returns wParam + 1 for WM_APP messages.
class RecordingWindow {
 public:
  RecordingWindow();
  ~RecordingWindow();
  HWND hwnd() const { return hwnd_; }
  WNDPROC proc() const;
  std::vector<SeenMsg> seen;
  bool Saw(UINT msg) const;
  void Destroy();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

struct SinkCall {
  bool after;
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT lReturn;
};

class RecordingSink : public sb::SubclassingSink {
 public:
  std::vector<SinkCall> calls;
  std::function<void(BOOL&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&)> onBefore;
  std::function<void(LRESULT&, UINT)> onAfter;
  int Count(bool after, UINT msg) const;
  void AfterMsg(LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  void BeforeMsg(BOOL& bHandled, LRESULT& lReturn, HWND& hWnd, UINT& uMsg, WPARAM& wParam,
                 LPARAM& lParam) override;
};

}  // namespace sbtest
