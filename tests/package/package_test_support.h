// Helpers of the package tests: the built packages, other programs started and
// watched from outside as a user would (their windows, their exit), folders.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "test_env.h"

namespace sbtest {

// A package in SONGBOX_DIST, else in build/dist: L"setup.exe" or L"win64.zip"
// give the versioned names.
std::wstring PackageFile(const std::wstring& suffix);

// Runs a command line to its end; its exit code, or -1 when it did not start or end in time.
int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs);

uint64_t FileSize(const std::wstring& path);

struct VersionInfo {
  std::wstring productName, productVersion, copyright;
  DWORD fileVersionMs = 0;
};
VersionInfo ReadVersionInfo(const std::wstring& file);

// A program started with this process's environment.
class RunningProgram {
 public:
  explicit RunningProgram(const std::wstring& exe);
  ~RunningProgram();  // ends it if it still runs
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return process_ != nullptr; }
  // Rows of the program's song list once it has `rows`, or what it had when the time ran out.
  int WaitForListRows(int rows, DWORD timeoutMs);
  // Closes its windows as the user would and waits for it to end.
  bool Close(DWORD timeoutMs);

 private:
  HWND FindList() const;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

}  // namespace sbtest
