// WebBrowser1: the system's web browser control hosted in place on a panel,
// pointed at one page when the window loads. Where no browser engine is there
// or the page does not come up, the panel shows the page's address instead.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>

namespace sb {

class WebPanel {
 public:
  WebPanel() = default;
  ~WebPanel();
  WebPanel(const WebPanel&) = delete;
  WebPanel& operator=(const WebPanel&) = delete;

  // Twips, in the parent's client coordinates. Creates the panel, then the
  // browser in it, and navigates once. False when the fallback shows.
  bool Create(HWND parent, int left, int top, int width, int height, const std::wstring& url);
  HWND hwnd() const { return host_; }
  bool ShowsBrowser() const { return browser_ != nullptr; }

  // Called a little after the navigation: a page that has not become
  // interactive by then counts as not shown.
  void CheckShown();
  // Releases the browser (the window's unload).
  void Close();

 private:
  bool StartBrowser();
  void ShowFallback();

  HWND host_ = nullptr;  // a child of the form, destroyed with it
  std::wstring url_;
  Microsoft::WRL::ComPtr<IOleClientSite> site_;
  Microsoft::WRL::ComPtr<IOleObject> object_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
};

// True when the HTML engine the browser control needs can be loaded.
bool BrowserEngineAvailable();

}  // namespace sb
