// Starting SongBox.exe while it runs: the second process brings the first
// one's window forward and ends, with no window and no catalogue request.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "app/main_window.h"
#include "app_test_support.h"
#include "running_program.h"

namespace {

using sbtest::MainWindowsOf;
using sbtest::SongBoxProcess;
using sbtest::StartSongBox;
using sbtest::TestCatalogue;

// Windows made by each process, as the system reports their creation.
std::mutex createdMutex;
std::map<DWORD, int> createdByProcess;

void CALLBACK OnCreate(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG, DWORD thread, DWORD) {
  if (object != OBJID_WINDOW || !hwnd) return;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  std::lock_guard<std::mutex> lock(createdMutex);
  ++createdByProcess[pid];
}

int WindowsCreatedBy(DWORD pid) {
  std::lock_guard<std::mutex> lock(createdMutex);
  return createdByProcess.count(pid) ? createdByProcess[pid] : 0;
}

TEST(SingleInstance, ASecondStartBringsTheFirstForwardAndEndsWithoutAWindowOrARequest) {
  auto& server = TestCatalogue::Get().server();  // SONGBOX_ROOT for the children
  HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnCreate, 0, 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  SongBoxProcess first = StartSongBox();
  ASSERT_NE(first.pid, 0u);
  HWND main = nullptr;
  ASSERT_TRUE(sbtest::PumpUntil(
      [&] {
        auto w = MainWindowsOf(first.pid);
        main = w.empty() ? nullptr : w[0];
        return main && server.CountRequests("/") > 0;
      },
      30000));
  sbtest::PumpFor(500);
  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return IsIconic(main) != FALSE; }, 5000));
  server.ClearLog();

  SongBoxProcess second = StartSongBox();
  ASSERT_NE(second.pid, 0u);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return WaitForSingleObject(second.process.get(), 0) == WAIT_OBJECT_0; }, 20000));
  sbtest::PumpFor(300);
  DWORD code = 99;
  GetExitCodeProcess(second.process.get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_GT(WindowsCreatedBy(first.pid), 0) << "creation of other processes' windows is seen";
  EXPECT_EQ(WindowsCreatedBy(second.pid), 0);
  EXPECT_TRUE(server.RequestedPaths().empty());
  EXPECT_FALSE(IsIconic(main)) << "restored";
  EXPECT_EQ(MainWindowsOf(0), std::vector<HWND>{main});
  EXPECT_EQ(WaitForSingleObject(first.process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first runs on";

  UnhookWinEvent(hook);
  PostMessageW(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(first.process.get(), 15000) != WAIT_OBJECT_0) TerminateProcess(first.process.get(), 1);
}

}  // namespace
