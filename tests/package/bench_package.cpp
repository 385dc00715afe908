// Package figures: the sizes of the zip and the installer, and how long a
// silent install takes under this Wine (median of three, each into a fresh
// folder, each uninstalled again; the user's settings file is kept).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "package_test_support.h"
#include "platform/user_settings.h"

int main() {
  const double mb = 1024.0 * 1024.0;
  std::printf("package_zip_mb: %.2f MB\n", sbtest::FileSize(sbtest::PackageFile(L"win64.zip")) / mb);
  std::printf("package_setup_mb: %.2f MB\n", sbtest::FileSize(sbtest::PackageFile(L"setup.exe")) / mb);
  const std::wstring settings = sb::PerUserSettingsPath();
  const bool hadSettings = GetFileAttributesW(settings.c_str()) != INVALID_FILE_ATTRIBUTES;
  sbtest::ScopedFile keep(settings, hadSettings ? std::optional(sbtest::ReadFileBytes(settings)) : std::nullopt);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::vector<double> seconds;
  for (int run = 0; run < 3; ++run) {
    const std::wstring folder = std::wstring(temp) + L"sb-bench-install-" + std::to_wstring(run);
    const auto start = std::chrono::steady_clock::now();
    const int code = sbtest::RunAndWait(L"\"" + sbtest::PackageFile(L"setup.exe") + L"\" /S /D=" + folder, 60000);
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    // In place (_?=) the uninstaller runs to its end before returning, but cannot remove itself.
    sbtest::RunAndWait(L"\"" + folder + L"\\Uninstall.exe\" /S _?=" + folder, 60000);
    DeleteFileW((folder + L"\\Uninstall.exe").c_str());
    RemoveDirectoryW(folder.c_str());
    if (code != 0) return 1;
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("install_silent_s: %.2f s\n", seconds[1]);
  return 0;
}
