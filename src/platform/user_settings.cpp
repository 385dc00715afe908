#include "platform/user_settings.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <memory>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/settings_file.h"

namespace sb {
namespace {

// A settings file is a few lines; anything larger is not one of ours.
constexpr DWORD kMaxSettingsBytes = 1 << 20;

std::optional<std::string> ReadSmallFile(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxSettingsBytes) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
    return std::nullopt;
  }
  bytes.resize(got);
  return bytes;
}

// Writes beside the file first and then moves over it, so a failed write
// (a full disk) never leaves half a settings file.
bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
  const std::wstring temp = path + L".new";
  {
    UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD put = 0;
    const bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                    put == bytes.size() && FlushFileBuffers(file.get());
    if (!ok) {
      file.reset();
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileW(temp.c_str());
  return false;
}

}  // namespace

std::wstring EnvironmentValue(const wchar_t* name) {
  DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(name, value.data(), n);
  value.resize(n < value.size() ? n : 0);
  return value;
}

std::wstring ProgramSettingsPath() { return AppFolder() + L"\\songbox.ini"; }

std::wstring KnownFolder(const GUID& folderId) {
  PWSTR raw = nullptr;
  HRESULT hr = SHGetKnownFolderPath(folderId, KF_FLAG_DONT_VERIFY, nullptr, &raw);
  std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> path(raw, &CoTaskMemFree);
  return SUCCEEDED(hr) && path ? std::wstring(path.get()) : std::wstring();
}

std::wstring PerUserSettingsPath() {
  std::wstring appData = KnownFolder(FOLDERID_RoamingAppData);
  return appData.empty() ? appData : appData + L"\\SongBox\\songbox.ini";
}

std::optional<std::wstring> ReadSetting(const std::wstring& path, std::string_view section, std::string_view key) {
  std::optional<std::string> bytes = ReadSmallFile(path);
  if (!bytes) return std::nullopt;
  std::optional<std::u16string> value = FindSetting(*bytes, section, key);
  if (!value) return std::nullopt;
  return std::wstring(value->begin(), value->end());
}

bool WriteSettingIfFileExists(const std::wstring& path, std::string_view section, std::string_view key,
                              const std::wstring& value) {
  std::optional<std::string> bytes = ReadSmallFile(path);
  if (!bytes) return false;
  std::optional<std::string> changed = WithSetting(*bytes, section, key, std::u16string(value.begin(), value.end()));
  if (!changed) return false;
  return *changed == *bytes || ReplaceFileBytes(path, *changed);
}

}  // namespace sb
