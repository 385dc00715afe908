#include <gtest/gtest.h>

#include "download/safe_file_name.h"

using sb::SafeFileName;

TEST(SafeFileName, OrdinaryNamesStayAsTheyAre) {
  EXPECT_EQ(SafeFileName(L"tune3.mp3"), L"tune3.mp3");
  EXPECT_EQ(SafeFileName(L"月光下的 小河(现场版)-2026.mp3"), L"月光下的 小河(现场版)-2026.mp3");
  EXPECT_EQ(SafeFileName(L"a,b;c'd&e!.mp3"), L"a,b;c'd&e!.mp3");
}

TEST(SafeFileName, PathsNeverEscapeTheFolder) {
  EXPECT_EQ(SafeFileName(L"..\\..\\windows\\win.ini"), L".._.._windows_win.ini");
  EXPECT_EQ(SafeFileName(L"../../etc/passwd.mp3"), L".._.._etc_passwd.mp3");
  EXPECT_EQ(SafeFileName(L"C:\\boot.mp3"), L"C__boot.mp3");
  EXPECT_EQ(SafeFileName(L"\\\\server\\share\\x.mp3"), L"__server_share_x.mp3");
  for (const wchar_t* hostile : {L"..", L".", L"...mp3/..", L"a/../../b", L"D:x.mp3"}) {
    std::wstring s = SafeFileName(hostile);
    EXPECT_EQ(s.find_first_of(L"\\/:"), std::wstring::npos) << s;
    EXPECT_NE(s, L"..");
    EXPECT_NE(s, L".");
    EXPECT_FALSE(s.empty());
  }
}

TEST(SafeFileName, ForbiddenAndControlCharactersBecomeUnderscores) {
  EXPECT_EQ(SafeFileName(L"a<b>c\"d|e?f*g.mp3"), L"a_b_c_d_e_f_g.mp3");
  EXPECT_EQ(SafeFileName(std::wstring(L"x\0y\r\n\t.mp3", 10)), L"x_y___.mp3");
}

TEST(SafeFileName, ReservedDeviceNamesAreMadeHarmless) {
  EXPECT_EQ(SafeFileName(L"CON"), L"_CON");
  EXPECT_EQ(SafeFileName(L"con.mp3"), L"_con.mp3");
  EXPECT_EQ(SafeFileName(L"NUL .mp3"), L"_NUL .mp3");
  EXPECT_EQ(SafeFileName(L"com1.mp3"), L"_com1.mp3");
  EXPECT_EQ(SafeFileName(L"LPT9.mp3"), L"_LPT9.mp3");
  EXPECT_EQ(SafeFileName(L"COM0.mp3"), L"COM0.mp3");
  EXPECT_EQ(SafeFileName(L"CONSOLE.mp3"), L"CONSOLE.mp3");
  EXPECT_EQ(SafeFileName(L"aux"), L"_aux");
}

TEST(SafeFileName, EmptyOrDotOnlyNamesGetADefault) {
  EXPECT_EQ(SafeFileName(L""), L"未命名.mp3");
  EXPECT_EQ(SafeFileName(L"   "), L"未命名.mp3");
  EXPECT_EQ(SafeFileName(L"...."), L"未命名.mp3");
  EXPECT_EQ(SafeFileName(L".mp3"), L".mp3");
  EXPECT_EQ(SafeFileName(L"song.mp3. . "), L"song.mp3");
}

TEST(SafeFileName, OverlongNamesKeepTheirExtension) {
  std::wstring longName(400, L'歌');
  std::wstring s = SafeFileName(longName + L".mp3");
  EXPECT_LE(s.size(), 180u);
  EXPECT_EQ(s.substr(s.size() - 4), L".mp3");
  std::wstring emoji;
  for (int i = 0; i < 200; ++i) emoji += L"\U0001F3B5";
  s = SafeFileName(emoji);
  ASSERT_FALSE(s.empty());
  EXPECT_FALSE(s.back() >= 0xD800 && s.back() <= 0xDBFF);
}
