// The cover image box Image1: a static control that paints its picture
// stretched to its box. It stays hidden until it has a picture, so the
// caption beneath it shows through.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

namespace sb {

class CoverImage {
 public:
  CoverImage() = default;
  CoverImage(const CoverImage&) = delete;
  CoverImage& operator=(const CoverImage&) = delete;

  // Twips, in the parent's client coordinates.
  bool Create(HWND parent, int left, int top, int width, int height, int id);
  HWND hwnd() const { return hwnd_; }

  void SetPicture(Microsoft::WRL::ComPtr<IPicture> picture);
  IPicture* picture() const { return picture_.Get(); }

  // The parent forwards WM_DRAWITEM for this control; true when it was ours.
  bool Draw(const DRAWITEMSTRUCT& dis) const;

 private:
  HWND hwnd_ = nullptr;  // a child of the form, destroyed with it
  Microsoft::WRL::ComPtr<IPicture> picture_;
};

}  // namespace sb
