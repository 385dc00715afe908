// The owner side of cSubclassingThunk: a window procedure split in two halves.
#pragma once

#include <windows.h>

namespace sb {

class SubclassingSink {
 public:
  // Runs after the previous window procedure; lReturn holds its result and may be changed.
  virtual void AfterMsg(LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) = 0;
  // Runs before the previous window procedure. Setting bHandled non-zero skips the
  // previous procedure and AfterMsg, and the window returns lReturn. Changes to
  // hWnd, uMsg, wParam and lParam are what the previous procedure then sees.
  virtual void BeforeMsg(BOOL& bHandled, LRESULT& lReturn, HWND& hWnd, UINT& uMsg, WPARAM& wParam,
                         LPARAM& lParam) = 0;

 protected:
  ~SubclassingSink() = default;
};

}  // namespace sb
