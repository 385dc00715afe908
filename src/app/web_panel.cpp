#include "app/web_panel.h"

#include <atomic>

#include "platform/form.h"
#include "platform/handles.h"

namespace sb {

using Microsoft::WRL::ComPtr;

namespace {

// The smallest in-place container the browser control accepts: a client site
// that is also its in-place site and frame, all on the panel window.
class BrowserSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
 public:
  explicit BrowserSite(HWND host) : host_(host) {}

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
      *out = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
      *out = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
      *out = static_cast<IOleInPlaceFrame*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** c) override {
    if (c) *c = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* hwnd) override {
    if (!hwnd) return E_POINTER;
    *hwnd = host_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    GetClientRect(host_, pos);
    *clip = *pos;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(host_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  ~BrowserSite() = default;
  HWND host_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace

bool BrowserEngineAvailable() {
  UniqueModule engine(LoadLibraryW(L"mshtml.dll"));
  return static_cast<bool>(engine);
}

WebPanel::~WebPanel() { Close(); }

bool WebPanel::Create(HWND parent, int left, int top, int width, int height, const std::wstring& url) {
  if (host_) return false;
  url_ = url;
  host_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"",
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SS_CENTER | SS_CENTERIMAGE |
                              SS_NOPREFIX,
                          TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height), parent,
                          nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!host_) return false;
  if (BrowserEngineAvailable() && StartBrowser()) return true;
  Close();
  ShowFallback();
  return false;
}

bool WebPanel::StartBrowser() {
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(object_.GetAddressOf()))))
    return false;
  site_.Attach(new BrowserSite(host_));
  if (FAILED(object_->SetClientSite(site_.Get()))) return false;
  RECT rc{};
  GetClientRect(host_, &rc);
  if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, host_, &rc))) return false;
  if (FAILED(object_.As(&browser_))) return false;
  // No script error boxes or other dialogs of the page's own.
  browser_->put_Silent(VARIANT_TRUE);
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(object_.As(&inPlace))) inPlace->SetObjectRects(&rc, &rc);
  VARIANT address;
  VariantInit(&address);
  address.vt = VT_BSTR;
  address.bstrVal = SysAllocString(url_.c_str());
  VARIANT empty;
  VariantInit(&empty);
  HRESULT hr = address.bstrVal ? browser_->Navigate2(&address, &empty, &empty, &empty, &empty) : E_OUTOFMEMORY;
  VariantClear(&address);
  if (FAILED(hr)) {
    browser_.Reset();
    return false;
  }
  return true;
}

void WebPanel::CheckShown() {
  if (!browser_) return;
  READYSTATE state = READYSTATE_UNINITIALIZED;
  if (SUCCEEDED(browser_->get_ReadyState(&state)) && state >= READYSTATE_INTERACTIVE) return;
  Close();
  ShowFallback();
}

void WebPanel::Close() {
  browser_.Reset();
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    object_.Reset();
  }
  site_.Reset();
}

void WebPanel::ShowFallback() {
  if (!host_) return;
  SetWindowTextW(host_, url_.c_str());
  InvalidateRect(host_, nullptr, TRUE);
}

}  // namespace sb
