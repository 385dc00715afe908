#include "controls/progressbar/property_bag.h"

#include <limits>

namespace sb {

namespace {

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return s;
}

// Decimal integer text within `lo`..`hi`, nothing else around it but blanks.
std::optional<long long> ParseInteger(std::wstring_view s, long long lo, long long hi) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s.front() == L'-' || s.front() == L'+')) {
    negative = s.front() == L'-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 12) return std::nullopt;
  long long v = 0;
  for (wchar_t c : s) {
    if (c < L'0' || c > L'9') return std::nullopt;
    v = v * 10 + (c - L'0');
  }
  if (negative) v = -v;
  if (v < lo || v > hi) return std::nullopt;
  return v;
}

constexpr long long kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr long long kIntMax = std::numeric_limits<std::int32_t>::max();

}  // namespace

bool KeysEqual(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

const PropValue* PropertyBag::Find(std::wstring_view key) const {
  for (const auto& [k, v] : entries_) {
    if (KeysEqual(k, key)) return &v;
  }
  return nullptr;
}

void PropertyBag::Set(std::wstring_view key, PropValue value) {
  for (auto& [k, v] : entries_) {
    if (KeysEqual(k, key)) {
      v = std::move(value);
      return;
    }
  }
  entries_.emplace_back(std::wstring(key), std::move(value));
}

bool PropertyBag::Remove(std::wstring_view key) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (KeysEqual(it->first, key)) {
      entries_.erase(it);
      return true;
    }
  }
  return false;
}

std::optional<PropValue> PropertyBag::Read(std::wstring_view key) const {
  const PropValue* v = Find(key);
  if (!v) return std::nullopt;
  return *v;
}

void PropertyBag::Write(std::wstring_view key, const PropValue& value, const PropValue& defaultValue) {
  if (value == defaultValue) {
    Remove(key);
  } else {
    Set(key, value);
  }
}

std::optional<std::int32_t> PropertyBag::ReadInt(std::wstring_view key, std::int32_t def) const {
  std::optional<PropValue> v = Read(key);
  if (!v) return def;
  if (auto* i = std::get_if<std::int32_t>(&*v)) return *i;
  if (auto* c = std::get_if<ColourValue>(&*v)) {
    if (c->bgr <= static_cast<Colour>(kIntMax)) return static_cast<std::int32_t>(c->bgr);
    return std::nullopt;
  }
  if (auto* s = std::get_if<std::wstring>(&*v)) {
    if (auto n = ParseInteger(*s, kIntMin, kIntMax)) return static_cast<std::int32_t>(*n);
  }
  return std::nullopt;
}

std::optional<bool> PropertyBag::ReadBool(std::wstring_view key, bool def) const {
  std::optional<PropValue> v = Read(key);
  if (!v) return def;
  if (auto* b = std::get_if<bool>(&*v)) return *b;
  if (auto* i = std::get_if<std::int32_t>(&*v)) return *i != 0;
  if (auto* s = std::get_if<std::wstring>(&*v)) {
    if (KeysEqual(Trim(*s), L"true")) return true;
    if (KeysEqual(Trim(*s), L"false")) return false;
    if (auto n = ParseInteger(*s, kIntMin, kIntMax)) return *n != 0;
  }
  return std::nullopt;
}

std::optional<Colour> PropertyBag::ReadColour(std::wstring_view key, Colour def) const {
  std::optional<PropValue> v = Read(key);
  if (!v) return def;
  if (auto* c = std::get_if<ColourValue>(&*v)) return c->bgr;
  // Plain numbers are colours only within 0x00BBGGRR; the high byte marks
  // system or palette colours that this store does not resolve.
  if (auto* i = std::get_if<std::int32_t>(&*v)) {
    if (*i >= 0 && *i <= 0xFFFFFF) return static_cast<Colour>(*i);
    return std::nullopt;
  }
  if (auto* s = std::get_if<std::wstring>(&*v)) {
    if (auto n = ParseInteger(*s, 0, 0xFFFFFF)) return static_cast<Colour>(*n);
  }
  return std::nullopt;
}

std::optional<std::wstring> PropertyBag::ReadText(std::wstring_view key, const std::wstring& def) const {
  std::optional<PropValue> v = Read(key);
  if (!v) return def;
  if (auto* s = std::get_if<std::wstring>(&*v)) return *s;
  if (auto* i = std::get_if<std::int32_t>(&*v)) return std::to_wstring(*i);
  return std::nullopt;
}

std::optional<FontDesc> PropertyBag::ReadFont(std::wstring_view key, const FontDesc& def) const {
  std::optional<PropValue> v = Read(key);
  if (!v) return def;
  if (auto* f = std::get_if<FontDesc>(&*v)) return *f;
  return std::nullopt;
}

void PropertyBag::MarkChanged(std::wstring_view key) {
  dirty_ = true;
  if (onChanged_) onChanged_(key);
}

}  // namespace sb
