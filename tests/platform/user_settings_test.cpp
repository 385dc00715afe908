#include "platform/user_settings.h"

#include <gtest/gtest.h>
#include <knownfolders.h>

#include "platform/form.h"
#include "test_env.h"

namespace {

// A scratch folder of its own under the system's temporary folder.
struct ScratchFolder {
  std::wstring path;
  ScratchFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path = std::wstring(temp) + L"sb-settings-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(path.c_str(), nullptr);
  }
  ~ScratchFolder() {
    for (const wchar_t* name : {L"\\songbox.ini", L"\\songbox.ini.new", L"\\missing.ini"}) DeleteFileW((path + name).c_str());
    RemoveDirectoryW(path.c_str());
  }
};

TEST(UserSettings, StoresOnlyIntoAFileThatExistsAndKeepsItsEncoding) {
  ScratchFolder dir;
  const std::wstring missing = dir.path + L"\\missing.ini";
  EXPECT_FALSE(sb::WriteSettingIfFileExists(missing, "player", "continuous", L"1"));
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES) << "no file is created";
  EXPECT_EQ(sb::ReadSetting(missing, "player", "continuous"), std::nullopt);

  const std::wstring ini = dir.path + L"\\songbox.ini";
  ASSERT_TRUE(sbtest::WriteFileBytes(ini, std::string("\xFF\xFE[\0c\0]\0\r\0\n\0", 12)));
  EXPECT_TRUE(sb::WriteSettingIfFileExists(ini, "c", "root", L"http://歌/"));
  EXPECT_EQ(sb::ReadSetting(ini, "c", "root"), L"http://歌/");
  EXPECT_EQ(sbtest::ReadFileBytes(ini).substr(0, 12), std::string("\xFF\xFE[\0c\0]\0\r\0\n\0", 12));
  EXPECT_EQ(GetFileAttributesW((ini + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(UserSettings, PerUserFileLivesInTheRoamingAppDataFolder) {
  const std::wstring appData = sb::KnownFolder(FOLDERID_RoamingAppData);
  ASSERT_FALSE(appData.empty());
  EXPECT_EQ(sb::PerUserSettingsPath(), appData + L"\\SongBox\\songbox.ini");
  EXPECT_EQ(sb::ProgramSettingsPath(), sb::AppFolder() + L"\\songbox.ini");
}

TEST(UserSettings, EnvironmentValueIsEmptyWhenUnset) {
  SetEnvironmentVariableW(L"SB_SETTINGS_TEST", L"值");
  EXPECT_EQ(sb::EnvironmentValue(L"SB_SETTINGS_TEST"), L"值");
  SetEnvironmentVariableW(L"SB_SETTINGS_TEST", nullptr);
  EXPECT_EQ(sb::EnvironmentValue(L"SB_SETTINGS_TEST"), L"");
}

}  // namespace
