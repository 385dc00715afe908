// The few values SongBox takes from outside itself: environment variables and
// single keys of a songbox.ini file (the file's text is handled by
// settings_file.h). Reads never fail loudly: a missing, unreadable or oversized
// file simply has no value.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace sb {

// The variable's value, empty when it is unset or empty.
std::wstring EnvironmentValue(const wchar_t* name);

// songbox.ini beside the program.
std::wstring ProgramSettingsPath();

// %APPDATA%\SongBox\songbox.ini for the current user (the installer writes it);
// empty when the folder cannot be found.
std::wstring PerUserSettingsPath();

// The folder of a known-folder id (FOLDERID_...), empty when there is none.
std::wstring KnownFolder(const GUID& folderId);

// The value of `key` in `[section]` of the file at `path`.
std::optional<std::wstring> ReadSetting(const std::wstring& path, std::string_view section, std::string_view key);

// Stores `value` under `[section]` `key` in the file at `path` only if that
// file exists, keeping its encoding and its other lines; the file is replaced
// in one step, so a failed write leaves the old one. False when the file does
// not exist or cannot be read or written.
bool WriteSettingIfFileExists(const std::wstring& path, std::string_view section, std::string_view key,
                              const std::wstring& value);

}  // namespace sb
