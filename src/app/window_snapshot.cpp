#include "app/window_snapshot.h"

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include "platform/handles.h"

namespace sb {

using Microsoft::WRL::ComPtr;

bool SaveBitmapPng(HBITMAP bitmap, const std::wstring& path) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.GetAddressOf()))))
    return false;
  ComPtr<IWICBitmap> source;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  if (FAILED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source)) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(&frame, nullptr)) || FAILED(frame->Initialize(nullptr)))
    return false;
  UINT w = 0, h = 0;
  source->GetSize(&w, &h);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  return SUCCEEDED(frame->SetSize(w, h)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WriteSource(source.Get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
         SUCCEEDED(encoder->Commit());
}

bool SaveClientPng(HWND hwnd, const std::wstring& path) {
  RECT r{};
  if (!GetClientRect(hwnd, &r)) return false;
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  int w = r.right - r.left, h = r.bottom - r.top;
  WindowDc screen = WindowDc::Client(nullptr);
  UniqueMemoryDc mem(CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
  if (!mem || !bitmap) return false;
  {
    SelectGuard select(mem.get(), bitmap.get());
    BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  }
  return SaveBitmapPng(bitmap.get(), path);
}

std::wstring HostPathToWindows(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  std::wstring w = L"Z:" + path;
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

}  // namespace sb
