// Ending a download that is in progress, in the real program: "退出软件" ends
// the program, the download window's close box ends the download, and
// neither leaves its temporary file or a partial song behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "running_program.h"
#include "test_env.h"

namespace {

using Clock = std::chrono::steady_clock;
using sbtest::HeldDownload;

// A bound for a loaded machine, not the goal (under a second, see
// exit_during_download_ms in ./songbox bench).
constexpr int kBoundMs = 10000;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class EndingADownload : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(sbtest::ProgramDownMusicFolder().c_str(), nullptr);
    sbtest::EmptyFolder(sbtest::ProgramDownMusicFolder());
    tempFiles_ = sbtest::TempBodyFiles().size();
    ASSERT_TRUE(program_.Start()) << program_.failure();
    ASSERT_EQ(sbtest::TempBodyFiles().size(), tempFiles_ + 1) << "the body waits in a temporary file";
  }
  void TearDown() override { sbtest::EmptyFolder(sbtest::ProgramDownMusicFolder()); }

  void ExpectNothingOfTheDownloadLeft() const {
    EXPECT_EQ(sbtest::TempBodyFiles().size(), tempFiles_) << "the temporary file is gone";
    EXPECT_TRUE(sbtest::FileNames(sbtest::ProgramDownMusicFolder() + L"\\*").empty()) << "no partial song";
  }

  HeldDownload program_;
  size_t tempFiles_ = 0;
};

TEST_F(EndingADownload, ExitSoftwareEndsTheProgram) {
  const HWND exit = program_.MainButton(L"退出软件");
  ASSERT_NE(exit, nullptr);
  const Clock::time_point start = Clock::now();
  sbtest::ClickCentre(exit);
  ASSERT_EQ(WaitForSingleObject(program_.process(), kBoundMs), static_cast<DWORD>(WAIT_OBJECT_0));
  std::printf("退出软件 during a download: the program ended after %.0f ms\n", MsSince(start));
  DWORD code = 99;
  GetExitCodeProcess(program_.process(), &code);
  EXPECT_EQ(code, 0u);
  ExpectNothingOfTheDownloadLeft();
  EXPECT_TRUE(sbtest::PumpUntil([&] { return program_.ClientsLeft() == 1; }, kBoundMs))
      << "the download's connection is closed";
}

TEST_F(EndingADownload, TheDownloadWindowsCloseEndsTheDownloadAndTheProgramRunsOn) {
  const HWND down = program_.downloadWindow();
  const std::optional<POINT> closeBox = sbtest::CloseBoxOf(down);
  ASSERT_TRUE(closeBox) << "the download window has a close box";
  const Clock::time_point start = Clock::now();
  sbtest::ClickAtScreen(*closeBox);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return !IsWindow(down); }, kBoundMs));
  std::printf("the download window's close: the window went after %.0f ms\n", MsSince(start));
  ExpectNothingOfTheDownloadLeft();
  EXPECT_EQ(WaitForSingleObject(program_.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program runs on";
  EXPECT_TRUE(IsWindowEnabled(program_.MainButton(L"下载音乐"))) << "the download command is back";
}

}  // namespace
