#include "platform/settings_file.h"

#include <cstdint>

namespace sb {
namespace {

enum class Encoding { Utf8, Utf16Le, Utf16Be };

struct Decoded {
  Encoding encoding = Encoding::Utf8;
  size_t bomBytes = 0;
  std::u16string wide;  // UTF-16 files only; UTF-8 files are parsed as bytes
};

std::optional<Decoded> Decode(std::string_view bytes) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  Decoded d;
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) d.bomBytes = 3;
  if (bytes.size() < 2 || d.bomBytes) return d;
  if (byte(0) == 0xFF && byte(1) == 0xFE) d.encoding = Encoding::Utf16Le;
  else if (byte(0) == 0xFE && byte(1) == 0xFF) d.encoding = Encoding::Utf16Be;
  else return d;
  if (bytes.size() % 2) return std::nullopt;
  d.bomBytes = 2;
  const bool le = d.encoding == Encoding::Utf16Le;
  d.wide.reserve(bytes.size() / 2);
  for (size_t i = 2; i < bytes.size(); i += 2) {
    d.wide.push_back(static_cast<char16_t>(le ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1)));
  }
  return d;
}

std::string EncodeUtf16(const std::u16string& text, Encoding encoding) {
  std::string out(encoding == Encoding::Utf16Le ? "\xFF\xFE" : "\xFE\xFF");
  for (char16_t c : text) {
    char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    out += encoding == Encoding::Utf16Le ? std::string{lo, hi} : std::string{hi, lo};
  }
  return out;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<uint8_t>(s[i]);
    const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= s.size()) return std::nullopt;
    uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto t = static_cast<uint8_t>(s[i + k]);
      if ((t & 0xC0) != 0x80) return std::nullopt;
      cp = cp << 6 | (t & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return std::nullopt;
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return out;
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp < 0xE000) {
      return std::nullopt;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F))};
    } else if (cp < 0x10000) {
      out += {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
              static_cast<char>(0x80 | (cp & 0x3F))};
    } else {
      out += {static_cast<char>(0xF0 | cp >> 18), static_cast<char>(0x80 | (cp >> 12 & 0x3F)),
              static_cast<char>(0x80 | (cp >> 6 & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    }
  }
  return out;
}

template <typename C>
bool SameName(std::basic_string_view<C> a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(static_cast<uint32_t>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

template <typename C>
std::basic_string_view<C> Trim(std::basic_string_view<C> s) {
  auto blank = [](C c) { return c == C(' ') || c == C('\t'); };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Where the key stands in the text, or where it would be added.
struct Place {
  bool keyFound = false;
  size_t valueBegin = 0, valueEnd = 0;  // after "=" up to the line's end (no CR)
  bool sectionFound = false;
  size_t insertAt = 0;                  // after the last non-blank line of the section
  bool insertNeedsBreak = false;        // that line has no line break (end of file)
  std::string_view lineBreak = "\r\n";  // the file's own, from its first line
};

template <typename C>
Place Locate(std::basic_string_view<C> text, std::string_view section, std::string_view key) {
  Place p;
  if (size_t nl = text.find(C('\n')); nl != text.npos) p.lineBreak = nl > 0 && text[nl - 1] == C('\r') ? "\r\n" : "\n";
  bool inSection = false, inFirstSection = false;
  for (size_t pos = 0; pos <= text.size();) {
    const size_t nl = text.find(C('\n'), pos);
    const size_t lineEnd = nl == text.npos ? text.size() : nl;
    const size_t contentEnd = lineEnd > pos && text[lineEnd - 1] == C('\r') ? lineEnd - 1 : lineEnd;
    const auto line = Trim(text.substr(pos, contentEnd - pos));
    const size_t close = line.find(C(']'));
    if (!line.empty() && line[0] == C('[') && close != line.npos) {
      inSection = SameName(Trim(line.substr(1, close - 1)), section);
      inFirstSection = inSection && !p.sectionFound;
      if (inFirstSection) p.sectionFound = true;
    } else if (const size_t eq = line.find(C('=')); inSection && eq != line.npos && line[0] != C(';') &&
                                                     line[0] != C('#') && SameName(Trim(line.substr(0, eq)), key)) {
      p.keyFound = true;
      p.valueBegin = static_cast<size_t>(line.data() - text.data()) + eq + 1;
      p.valueEnd = contentEnd;
      return p;
    }
    if (inFirstSection && !line.empty()) {
      p.insertAt = nl == text.npos ? text.size() : nl + 1;
      p.insertNeedsBreak = nl == text.npos;
    }
    if (nl == text.npos) break;
    pos = nl + 1;
  }
  return p;
}

template <typename C>
std::optional<std::u16string> ValueAt(std::basic_string_view<C> text, const Place& p) {
  auto value = Trim(text.substr(p.valueBegin, p.valueEnd - p.valueBegin));
  if (value.size() >= 2 && value.front() == C('"') && value.back() == C('"')) value = value.substr(1, value.size() - 2);
  if constexpr (sizeof(C) == 1) {
    return Utf8ToUtf16(value);
  } else {
    return std::u16string(value);
  }
}

template <typename C>
std::basic_string<C> Widen(std::string_view ascii) {
  return std::basic_string<C>(ascii.begin(), ascii.end());
}

template <typename C>
void Apply(std::basic_string<C>& text, const Place& p, std::string_view section, std::string_view key,
           const std::basic_string<C>& value) {
  const auto br = Widen<C>(p.lineBreak);
  const auto keyLine = Widen<C>(key) + C('=') + value + br;
  if (p.keyFound) {
    text.replace(p.valueBegin, p.valueEnd - p.valueBegin, value);
  } else if (p.sectionFound) {
    text.insert(p.insertAt, (p.insertNeedsBreak ? br : std::basic_string<C>()) + keyLine);
  } else {
    if (!text.empty() && text.back() != C('\n')) text += br;
    text += C('[') + Widen<C>(section) + C(']') + br + keyLine;
  }
}

bool SafeValue(std::u16string_view value) {
  for (char16_t c : value) {
    if (c == u'\r' || c == u'\n' || c == u'\0') return false;
  }
  return true;
}

}  // namespace

std::optional<std::u16string> FindSetting(std::string_view fileBytes, std::string_view section,
                                          std::string_view key) {
  const std::optional<Decoded> d = Decode(fileBytes);
  if (!d) return std::nullopt;
  if (d->encoding == Encoding::Utf8) {
    const std::string_view text = fileBytes.substr(d->bomBytes);
    const Place p = Locate(text, section, key);
    return p.keyFound ? ValueAt(text, p) : std::nullopt;
  }
  const std::u16string_view text = d->wide;
  const Place p = Locate(text, section, key);
  return p.keyFound ? ValueAt(text, p) : std::nullopt;
}

std::optional<std::string> WithSetting(std::string_view fileBytes, std::string_view section, std::string_view key,
                                       std::u16string_view value) {
  std::optional<Decoded> d = Decode(fileBytes);
  if (!d || !SafeValue(value)) return std::nullopt;
  std::optional<std::string> utf8Value = Utf16ToUtf8(value);
  if (!utf8Value) return std::nullopt;
  if (d->encoding == Encoding::Utf8) {
    std::string text(fileBytes.substr(d->bomBytes));
    Apply(text, Locate(std::string_view(text), section, key), section, key, *utf8Value);
    return std::string(fileBytes.substr(0, d->bomBytes)) + text;
  }
  Apply(d->wide, Locate(std::u16string_view(d->wide), section, key), section, key, std::u16string(value));
  return EncodeUtf16(d->wide, d->encoding);
}

}  // namespace sb
