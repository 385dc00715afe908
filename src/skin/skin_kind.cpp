#include "skin/skin_kind.h"

#include <array>
#include <string_view>

namespace sb {

std::wstring LowerClassName(HWND hwnd) {
  wchar_t buf[256] = {};
  int n = GetClassNameW(hwnd, buf, 255);
  std::wstring name(buf, n > 0 ? static_cast<size_t>(n) : 0);
  // Class names of the controls are ASCII; only A-Z need folding.
  for (wchar_t& c : name) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return name;
}

namespace {

struct KindName {
  std::wstring_view name;
  SkinKind kind;
};

constexpr std::array<KindName, 24> kKindNames{{
    {L"#32770", SkinKind::Form},
    {L"thunderformdc", SkinKind::Form},
    {L"thunderrt6formdc", SkinKind::Form},
    {L"form", SkinKind::Form},
    {L"thundercommandbutton", SkinKind::PushButton},
    {L"thunderrt6commandbutton", SkinKind::PushButton},
    {L"button", SkinKind::PushButton},
    {L"thundercombobox", SkinKind::ComboBox},
    {L"thunderrt6combobox", SkinKind::ComboBox},
    {L"combo", SkinKind::ComboBox},
    {L"combobox", SkinKind::ComboBox},
    {L"thunderdrivelistbox", SkinKind::DriveList},
    {L"thunderrt6drivelistbox", SkinKind::DriveList},
    {L"thundercheckbox", SkinKind::CheckBox},
    {L"thunderrt6checkbox", SkinKind::CheckBox},
    {L"thunderoptionbutton", SkinKind::OptionButton},
    {L"thunderrt6optionbutton", SkinKind::OptionButton},
    {L"progressbar20wndclass", SkinKind::ProgressBar},
    {L"progressbarwndclass", SkinKind::ProgressBar},
    {L"msvb_lib_header", SkinKind::ListHeader},
    {L"sysheader32", SkinKind::ListHeader},
    {L"combolbox", SkinKind::DropDownList},
    {L"datalistwndclass", SkinKind::DataList},
    {L"dblistwndclass", SkinKind::DataList},
}};

constexpr std::wstring_view kGridPrefix = L"apexgrid";

}  // namespace

SkinKind KindFromClassName(const std::wstring& lowerName) {
  for (const KindName& k : kKindNames) {
    if (lowerName == k.name) return k.kind;
  }
  if (std::wstring_view(lowerName).substr(0, kGridPrefix.size()) == kGridPrefix) return SkinKind::Grid;
  return SkinKind::Other;
}

}  // namespace sb
