// Small helpers shared by the Windows tests: paths handed over by ./songbox,
// pumping messages until something happens, answering message boxes.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace sbtest {

std::wstring EnvW(const wchar_t* name);
// A Linux path from the environment as the Windows path Wine maps it to (Z:\...).
std::wstring UnixToWindowsPath(const std::wstring& unixPath);
std::wstring BuildDir();  // SONGBOX_BUILD as a Windows path
std::wstring MediaDir();  // SONGBOX_MEDIA as a Windows path
std::string ReadFileBytes(const std::wstring& path);
std::set<std::wstring> FolderEntries(const std::wstring& folder);  // names, without "." and ".."
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Names of what a FindFirstFile pattern ("C:\\dir\\*") finds, "." and ".." left out.
std::vector<std::wstring> FileNames(const std::wstring& pattern);
// Deletes the files and empty folders in `folder`, leaving the folder itself.
void EmptyFolder(const std::wstring& folder);
// The download transfer's body buffers (sbb*.tmp) in the user's temp folder.
std::vector<std::wstring> TempBodyFiles();
std::string Gbk(const std::wstring& text);  // UTF-16 to GBK bytes
std::string Utf8(const std::wstring& text);

// Puts `bytes` into a file (none: removes it) until the end of the scope,
// then restores what was there; creates the file's folder when missing.
class ScopedFile {
 public:
  ScopedFile(std::wstring path, std::optional<std::string> bytes);
  ScopedFile(std::wstring path, const char* text)
      : ScopedFile(std::move(path), text ? std::optional<std::string>(text) : std::nullopt) {}
  ~ScopedFile();
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

 private:
  std::wstring path_;
  bool had_ = false;
  std::string old_;
};

// The middle of the values (the upper of the two middles); -1 for none.
double Median(std::vector<double> values);

// Runs the thread's messages until `done` is true or the time is up.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000);
void PumpFor(int ms);

// Sends input through the system's queue, then runs the thread's messages
// until every button and key event of it has been taken from the queue and
// handled, however slowly the machine delivers it, and the queue is empty.
// `dispatch` runs each message (the program's own loop where it has one).
// False if the events did not all arrive within the time.
bool SendInputAndWait(std::vector<INPUT> input, const std::function<void(MSG&)>& dispatch = {},
                      int timeoutMs = 10000);
// From another thread: waits until `thread` has captured the mouse (a modal
// tracking loop has begun) or, with want false, released it.
bool WaitForCapture(DWORD thread, bool want = true, int timeoutMs = 30000);

// Watches for message boxes (dialogs of class #32770) of this process on a
// background thread, records their title and text, and closes them with
// `button` (IDOK by default) after `delayMs`.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(int button = IDOK, int delayMs = 50);
  ~MessageBoxAnswerer();
  struct Seen {
    std::wstring title, text;
    HICON icon = nullptr;                   // the box's icon, as LoadIconW(nullptr, IDI_...) gives it
    std::vector<int> buttons;               // ids of its visible buttons (IDOK, IDCANCEL, ...)
    std::vector<std::wstring> buttonTexts;  // their captions, in the same order
  };
  std::vector<Seen> seen() const;
  int count() const;

 private:
  void Loop();
  int button_;
  int delayMs_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mu_;
  std::vector<Seen> seen_;
  std::thread thread_;
};

// Saves a window's on-screen pixels (PrintWindow/BitBlt of the screen) as a PNG.
bool SaveWindowPng(HWND hwnd, const std::wstring& path);
bool SaveBitmapPng(HBITMAP bmp, const std::wstring& path);

}  // namespace sbtest
