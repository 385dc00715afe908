// The packages as a user meets them, in a Wine prefix where SongBox was never
// installed: the silent installer and its uninstaller, the unzipped portable
// copy, and the version resource. The programs run for real and read the
// catalogue from a loopback server.
#include <windows.h>
#include <commctrl.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <set>

#include "app_test_support.h"
#include "platform/form.h"
#include "platform/user_settings.h"
#include "package_test_support.h"
#include "songbox_config.h"

namespace {

using sbtest::PackageFile;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SongBox";

std::wstring RegText(const wchar_t* name) {
  wchar_t value[1024];
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return L"<absent>";
  }
  return value;
}

std::wstring ShortcutTarget(const std::wstring& lnk) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return L"";
  std::wstring target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file)))) {
    wchar_t path[MAX_PATH] = L"";
    if (SUCCEEDED(file->Load(lnk.c_str(), STGM_READ)) && SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
      target = path;
    }
    file->Release();
  }
  link->Release();
  return target;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    catalogue_.Serve("/", sbtest::CataloguePage(sbtest::DemoSongs()));
    SetEnvironmentVariableW(L"SONGBOX_ROOT", nullptr);  // the programs started here inherit this
  }
  void TearDown() override { CoUninitialize(); }

  // Starts the program and waits until its song list shows the demo catalogue.
  void ExpectListsTheCatalogue(const std::wstring& exe) {
    sbtest::RunningProgram program(exe);
    ASSERT_TRUE(program.started()) << exe;
    EXPECT_EQ(program.WaitForListRows(static_cast<int>(sbtest::DemoSongs().size()), 30000),
              static_cast<int>(sbtest::DemoSongs().size()));
    EXPECT_GE(catalogue_.CountRequests("/"), 1);
    EXPECT_TRUE(program.Close(10000));
  }

  sbtest::TestHttpServer catalogue_;
};

TEST_F(PackageTest, SilentInstallListsTheCatalogueAndUninstallKeepsTheSongs) {
  const std::wstring folder = sb::KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\SongBox";
  const std::wstring shortcut = sb::KnownFolder(FOLDERID_Programs) + L"\\新歌音乐盒.lnk";
  ASSERT_FALSE(Exists(folder)) << "the prefix must be fresh";
  ASSERT_EQ(sbtest::RunAndWait(L"\"" + PackageFile(L"setup.exe") + L"\" /S /ROOT=" + catalogue_.Root(), 60000), 0);

  for (const wchar_t* name : {L"SongBox.exe", L"说明.txt", L"Uninstall.exe"}) EXPECT_TRUE(Exists(folder + L"\\" + name)) << name;
  EXPECT_EQ(ShortcutTarget(shortcut), folder + L"\\SongBox.exe");
  EXPECT_EQ(sb::ReadSetting(sb::PerUserSettingsPath(), "catalogue", "root"), catalogue_.Root());
  EXPECT_EQ(RegText(L"DisplayName"), L"新歌音乐盒");
  EXPECT_EQ(RegText(L"DisplayVersion"), SONGBOX_VERSION_TEXT_W);
  EXPECT_EQ(RegText(L"InstallLocation"), folder);
  EXPECT_EQ(RegText(L"QuietUninstallString"), L"\"" + folder + L"\\Uninstall.exe\" /S");
  EXPECT_EQ(RegText(L"Publisher"), L"<absent>");
  DWORD kb = 0, size = sizeof(kb);
  RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, L"EstimatedSize", RRF_RT_REG_DWORD, nullptr, &kb, &size);
  EXPECT_GE(kb * 1024ull, sbtest::FileSize(folder + L"\\SongBox.exe"));

  ExpectListsTheCatalogue(folder + L"\\SongBox.exe");

  CreateDirectoryW((folder + L"\\DownMusic").c_str(), nullptr);
  ASSERT_TRUE(sbtest::WriteFileBytes(folder + L"\\DownMusic\\歌.mp3", "ID3 the user's song"));
  ASSERT_EQ(sbtest::RunAndWait(RegText(L"QuietUninstallString"), 60000), 0);
  // The uninstaller runs on from a copy of itself: wait for its last step.
  sbtest::PumpUntil([&] { return RegText(L"DisplayName") == L"<absent>"; }, 30000);
  EXPECT_EQ(sbtest::FolderEntries(folder), std::set<std::wstring>{L"DownMusic"});
  EXPECT_EQ(sbtest::ReadFileBytes(folder + L"\\DownMusic\\歌.mp3"), "ID3 the user's song");
  EXPECT_FALSE(Exists(shortcut));
  EXPECT_FALSE(Exists(sb::PerUserSettingsPath()));
}

TEST_F(PackageTest, UnzippedCopyReadsTheAddressBesideItBeforeThePerUserFile) {
  const std::wstring folder = sbtest::UnixToWindowsPath(sbtest::EnvW(L"SONGBOX_UNZIPPED"));
  ASSERT_TRUE(Exists(folder + L"\\说明.txt"));
  sbtest::TestHttpServer wrongCatalogue;
  sbtest::ScopedFile perUser(sb::PerUserSettingsPath(), "[catalogue]\r\nroot=" + sbtest::Utf8(wrongCatalogue.Root()));
  sbtest::ScopedFile beside(folder + L"\\songbox.ini", "[catalogue]\r\nroot=" + sbtest::Utf8(catalogue_.Root()));
  ExpectListsTheCatalogue(folder + L"\\SongBox.exe");
  EXPECT_EQ(wrongCatalogue.CountRequests("/"), 0);
}

TEST_F(PackageTest, ProgramAndInstallerCarryTheProjectVersion) {
  const std::wstring unzipped = sbtest::UnixToWindowsPath(sbtest::EnvW(L"SONGBOX_UNZIPPED"));
  for (const std::wstring& file : {unzipped + L"\\SongBox.exe", PackageFile(L"setup.exe")}) {
    const sbtest::VersionInfo v = sbtest::ReadVersionInfo(file);
    EXPECT_EQ(v.productName, L"新歌音乐盒") << file;
    EXPECT_EQ(v.productVersion, SONGBOX_VERSION_TEXT_W) << file;
    EXPECT_EQ(v.fileVersionMs, static_cast<DWORD>(MAKELONG(SONGBOX_VERSION_MINOR, SONGBOX_VERSION_MAJOR))) << file;
    EXPECT_NE(v.copyright.find(L"©"), std::wstring::npos) << file;
  }
}

}  // namespace
