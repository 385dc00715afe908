#include "package_test_support.h"

#include <commctrl.h>

#include <cwchar>
#include <vector>

#include "songbox_config.h"

namespace sbtest {

std::wstring PackageFile(const std::wstring& suffix) {
  const std::wstring dist = EnvW(L"SONGBOX_DIST");
  return (dist.empty() ? BuildDir() + L"\\dist" : UnixToWindowsPath(dist)) + L"\\SongBox-" SONGBOX_VERSION_TEXT_W L"-" +
         suffix;
}

int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
  std::wstring line = commandLine;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  CloseHandle(pi.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

VersionInfo ReadVersionInfo(const std::wstring& file) {
  VersionInfo info;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
  std::vector<BYTE> block(size);
  if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return info;
  // The string block named by the file's first translation (language, code page).
  WORD* translation = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len) ||
      len < 4) {
    return info;
  }
  wchar_t blockName[64];
  swprintf(blockName, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT len = 0;
    std::wstring query = blockName + std::wstring(name);
    return VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &len) && len
               ? std::wstring(value, wcsnlen(value, len))
               : std::wstring();
  };
  info.productName = text(L"ProductName");
  info.productVersion = text(L"ProductVersion");
  info.copyright = text(L"LegalCopyright");
  VS_FIXEDFILEINFO* fixed = nullptr;
  if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed) info.fileVersionMs = fixed->dwFileVersionMS;
  return info;
}

RunningProgram::RunningProgram(const std::wstring& exe) {
  std::wstring line = L"\"" + exe + L"\"";
  std::wstring folder = exe.substr(0, exe.rfind(L'\\'));
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
}

RunningProgram::~RunningProgram() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
  CloseHandle(process_);
}

HWND RunningProgram::FindList() const {
  struct Search {
    DWORD pid;
    HWND list = nullptr;
  } search{pid_};
  EnumWindows(
      [](HWND top, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(top, &pid);
        if (pid == s->pid) s->list = FindWindowExW(top, nullptr, WC_LISTVIEWW, nullptr);
        return s->list == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.list;
}

int RunningProgram::WaitForListRows(int rows, DWORD timeoutMs) {
  int got = -1;
  PumpUntil(
      [&] {
        HWND list = FindList();
        got = list ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
        return got == rows;
      },
      static_cast<int>(timeoutMs));
  return got;
}

bool RunningProgram::Close(DWORD timeoutMs) {
  if (HWND list = FindList()) PostMessageW(GetAncestor(list, GA_ROOT), WM_CLOSE, 0, 0);
  return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace sbtest
