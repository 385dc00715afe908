#include "test_env.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <fstream>

#include "platform/form.h"
#include "platform/handles.h"

namespace sbtest {

std::wstring EnvW(const wchar_t* name) {
  wchar_t buf[4096];
  DWORD n = GetEnvironmentVariableW(name, buf, 4096);
  return n && n < 4096 ? std::wstring(buf, n) : std::wstring();
}

std::wstring UnixToWindowsPath(const std::wstring& p) {
  if (p.empty() || p[0] != L'/') return p;
  std::wstring w = L"Z:" + p;
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

std::wstring BuildDir() {
  std::wstring b = EnvW(L"SONGBOX_BUILD");
  return b.empty() ? sb::AppFolder() + L"\\..\\.." : UnixToWindowsPath(b);
}

std::wstring MediaDir() {
  std::wstring m = EnvW(L"SONGBOX_MEDIA");
  return m.empty() ? BuildDir() + L"\\media" : UnixToWindowsPath(m);
}

std::string ReadFileBytes(const std::wstring& path) {
  sb::UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return {};
  std::string out;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  return out;
}

std::set<std::wstring> FolderEntries(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = fd.cFileName;
    if (name != L"." && name != L"..") names.insert(name);
  } while (FindNextFileW(f, &fd));
  FindClose(f);
  return names;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  sb::UniqueFile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!f) return false;
  DWORD n = 0;
  return WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
}

std::vector<std::wstring> FileNames(const std::wstring& pattern) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW(pattern.c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return out;
  do {
    const std::wstring name = fd.cFileName;
    if (name != L"." && name != L"..") out.push_back(name);
  } while (FindNextFileW(f, &fd));
  FindClose(f);
  return out;
}

void EmptyFolder(const std::wstring& folder) {
  for (const std::wstring& name : FileNames(folder + L"\\*")) {
    const std::wstring path = folder + L"\\" + name;
    if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
      RemoveDirectoryW(path.c_str());
    else
      DeleteFileW(path.c_str());
  }
}

std::vector<std::wstring> TempBodyFiles() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  return FileNames(std::wstring(temp) + L"sbb*.tmp");
}

std::string Gbk(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

ScopedFile::ScopedFile(std::wstring path, std::optional<std::string> bytes) : path_(std::move(path)) {
  had_ = GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (had_) old_ = ReadFileBytes(path_);
  CreateDirectoryW(path_.substr(0, path_.rfind(L'\\')).c_str(), nullptr);
  if (bytes) WriteFileBytes(path_, *bytes);
  else DeleteFileW(path_.c_str());
}

ScopedFile::~ScopedFile() {
  if (had_) WriteFileBytes(path_, old_);
  else DeleteFileW(path_.c_str());
  RemoveDirectoryW(path_.substr(0, path_.rfind(L'\\')).c_str());  // only when it is empty
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

namespace {

thread_local int takenInput = 0;

bool IsButtonOrKey(UINT m) {
  return m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP ||
         (m >= WM_LBUTTONDOWN && m <= WM_MBUTTONDBLCLK);
}

// Counts the input messages this thread takes from its queue, in whatever
// loop takes them (a list view's drag detection, a menu's own loop).
LRESULT CALLBACK CountTakenInput(int code, WPARAM removed, LPARAM lp) {
  if (code == HC_ACTION && removed == PM_REMOVE && IsButtonOrKey(reinterpret_cast<MSG*>(lp)->message)) ++takenInput;
  return CallNextHookEx(nullptr, code, removed, lp);
}

int ButtonAndKeyEvents(const std::vector<INPUT>& input) {
  constexpr DWORD kButtons[] = {MOUSEEVENTF_LEFTDOWN,  MOUSEEVENTF_LEFTUP,   MOUSEEVENTF_RIGHTDOWN,
                                MOUSEEVENTF_RIGHTUP,   MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP};
  int n = 0;
  for (const INPUT& in : input) {
    if (in.type == INPUT_KEYBOARD) ++n;
    if (in.type == INPUT_MOUSE)
      for (DWORD b : kButtons) n += (in.mi.dwFlags & b) ? 1 : 0;
  }
  return n;
}

struct ScopedHook {
  HHOOK hook;
  ~ScopedHook() {
    if (hook) UnhookWindowsHookEx(hook);
  }
};

}  // namespace

bool SendInputAndWait(std::vector<INPUT> input, const std::function<void(MSG&)>& dispatch, int timeoutMs) {
  ScopedHook hook{SetWindowsHookExW(WH_GETMESSAGE, CountTakenInput, nullptr, GetCurrentThreadId())};
  const int want = takenInput + ButtonAndKeyEvents(input);
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  auto run = [&](MSG& m) {
    if (dispatch) return dispatch(m);
    TranslateMessage(&m);
    DispatchMessageW(&m);
  };
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  MSG m;
  while (takenInput < want) {
    if (std::chrono::steady_clock::now() > end) return false;
    while (takenInput < want && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) run(m);
    if (takenInput < want) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) run(m);
  return true;
}

bool WaitForCapture(DWORD thread, bool want, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    GUITHREADINFO info{sizeof(info)};
    if (GetGUIThreadInfo(thread, &info) && (info.hwndCapture != nullptr) == want) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(5);
  }
}

MessageBoxAnswerer::MessageBoxAnswerer(int button, int delayMs)
    : button_(button), delayMs_(delayMs), thread_([this] { Loop(); }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  stop_ = true;
  thread_.join();
}

std::vector<MessageBoxAnswerer::Seen> MessageBoxAnswerer::seen() const {
  std::lock_guard<std::mutex> lk(mu_);
  return seen_;
}

int MessageBoxAnswerer::count() const {
  std::lock_guard<std::mutex> lk(mu_);
  return static_cast<int>(seen_.size());
}

namespace {
struct FindCtx {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK FindDialog(HWND h, LPARAM lp) {
  auto* ctx = reinterpret_cast<FindCtx*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  wchar_t cls[64];
  GetClassNameW(h, cls, 64);
  if (pid == ctx->pid && lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(h)) {
    ctx->found = h;
    return FALSE;
  }
  return TRUE;
}
// The text, icon and visible buttons of a message box.
BOOL CALLBACK CollectBoxParts(HWND h, LPARAM lp) {
  auto& seen = *reinterpret_cast<MessageBoxAnswerer::Seen*>(lp);
  wchar_t cls[64];
  GetClassNameW(h, cls, 64);
  if (lstrcmpiW(cls, L"Static") == 0) {
    if ((GetWindowLongPtrW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      seen.icon = reinterpret_cast<HICON>(SendMessageW(h, STM_GETICON, 0, 0));
    std::wstring t = sb::Form::GetText(h);
    if (!t.empty()) seen.text += t;
  } else if (lstrcmpiW(cls, L"Button") == 0 && IsWindowVisible(h)) {
    seen.buttons.push_back(GetDlgCtrlID(h));
    seen.buttonTexts.push_back(sb::Form::GetText(h));
  }
  return TRUE;
}
}  // namespace

void MessageBoxAnswerer::Loop() {
  while (!stop_) {
    FindCtx ctx{GetCurrentProcessId(), nullptr};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&ctx));
    if (ctx.found) {
      Sleep(static_cast<DWORD>(delayMs_));
      Seen s;
      s.title = sb::Form::GetText(ctx.found);
      EnumChildWindows(ctx.found, CollectBoxParts, reinterpret_cast<LPARAM>(&s));
      {
        std::lock_guard<std::mutex> lk(mu_);
        seen_.push_back(s);
      }
      PostMessageW(ctx.found, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
      for (int i = 0; i < 200 && IsWindow(ctx.found) && IsWindowVisible(ctx.found); ++i) Sleep(5);
    }
    Sleep(10);
  }
}

bool SaveBitmapPng(HBITMAP bmp, const std::wstring& path) {
  bool comInit = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  bool ok = false;
  IWICImagingFactory* factory = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                 reinterpret_cast<void**>(&factory)))) {
    IWICBitmap* wb = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* enc = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    if (SUCCEEDED(factory->CreateBitmapFromHBITMAP(bmp, nullptr, WICBitmapIgnoreAlpha, &wb)) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &enc)) &&
        SUCCEEDED(enc->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(enc->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr))) {
      UINT w = 0, h = 0;
      wb->GetSize(&w, &h);
      WICPixelFormatGUID fmt = GUID_WICPixelFormat24bppBGR;
      frame->SetSize(w, h);
      frame->SetPixelFormat(&fmt);
      ok = SUCCEEDED(frame->WriteSource(wb, nullptr)) && SUCCEEDED(frame->Commit()) && SUCCEEDED(enc->Commit());
    }
    if (frame) frame->Release();
    if (enc) enc->Release();
    if (stream) stream->Release();
    if (wb) wb->Release();
    factory->Release();
  }
  if (comInit) CoUninitialize();
  return ok;
}

bool SaveWindowPng(HWND hwnd, const std::wstring& path) {
  RECT r;
  GetWindowRect(hwnd, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  sb::UniqueMemoryDc mem(CreateCompatibleDC(screen.get()));
  sb::UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), w, h));
  {
    sb::SelectGuard sel(mem.get(), bmp.get());
    BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  }
  return SaveBitmapPng(bmp.get(), path);
}

}  // namespace sbtest
