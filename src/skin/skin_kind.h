// Control kinds the skin recognises, decided from the lower-cased class name.
#pragma once

#include <windows.h>

#include <string>

namespace sb {

enum class SkinKind {
  Other,
  Form,
  PushButton,
  ComboBox,
  DriveList,
  CheckBox,
  OptionButton,
  ProgressBar,
  ListHeader,
  DropDownList,  // "combolbox"
  DataList,
  Grid,
};

std::wstring LowerClassName(HWND hwnd);
SkinKind KindFromClassName(const std::wstring& lowerName);
inline SkinKind KindOf(HWND hwnd) { return KindFromClassName(LowerClassName(hwnd)); }

}  // namespace sb
