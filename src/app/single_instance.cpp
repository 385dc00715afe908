#include "app/single_instance.h"

#include "app/main_window.h"

namespace sb {

namespace {
constexpr wchar_t kMutexName[] = L"SongBox.SingleInstance.5f8e2c61";
}  // namespace

SingleInstance::SingleInstance() : mutex_(CreateMutexW(nullptr, FALSE, kMutexName)) {
  first_ = !(mutex_ && GetLastError() == ERROR_ALREADY_EXISTS);
}

bool ActivateRunningInstance(DWORD waitMs) {
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  HWND running = nullptr;
  while (!(running = FindWindowW(kFormClassName, kMainWindowCaption)) && GetTickCount64() < deadline) Sleep(50);
  if (!running) return false;
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
  return true;
}

}  // namespace sb
