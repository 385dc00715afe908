#include "platform/supplementary_text.h"

#include <usp10.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "platform/handles.h"

namespace sb {

namespace {

// Faces that Windows and the project's Wine prefix have for what a CJK UI
// font lacks beyond the BMP, in the order they are tried.
constexpr std::array<const wchar_t*, 5> kFallbackFaces = {L"SimSun-ExtB", L"HanaMinB", L"Segoe UI Symbol",
                                                          L"Segoe UI Emoji", L"Symbola"};
constexpr std::wstring_view kEllipsis = L"...";

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool PairAt(std::wstring_view text, size_t i) {
  return i + 1 < text.size() && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]);
}

int Length(std::wstring_view text) { return static_cast<int>(text.size()); }

int RunWidth(HDC dc, std::wstring_view text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.data(), Length(text), &size);
  return size.cx;
}

// A Uniscribe cache, freed with the owner.
class ScriptCache {
 public:
  ScriptCache() = default;
  ScriptCache(const ScriptCache&) = delete;
  ScriptCache& operator=(const ScriptCache&) = delete;
  ~ScriptCache() {
    if (cache_) ScriptFreeCache(&cache_);
  }
  SCRIPT_CACHE* get() { return &cache_; }

 private:
  SCRIPT_CACHE cache_ = nullptr;
};

// A character shaped in a font that has every glyph it needs.
struct Glyphs {
  HFONT font = nullptr;
  int ascent = 0;
  SCRIPT_ANALYSIS analysis{};
  std::vector<WORD> ids;
  std::vector<int> advances;
  std::vector<GOFFSET> offsets;
  int width = 0;
};

bool ShapeInto(HDC dc, std::wstring_view text, Glyphs& g) {
  std::array<SCRIPT_ITEM, 4> items{};
  int itemCount = 0;
  if (FAILED(ScriptItemize(text.data(), Length(text), 3, nullptr, nullptr, items.data(), &itemCount)) ||
      itemCount < 1)
    return false;
  g.analysis = items[0].a;
  ScriptCache cache;
  const int room = Length(text) * 2 + 16;
  g.ids.resize(static_cast<size_t>(room));
  std::vector<WORD> clusters(text.size());
  std::vector<SCRIPT_VISATTR> attributes(static_cast<size_t>(room));
  int count = 0;
  if (FAILED(ScriptShape(dc, cache.get(), text.data(), Length(text), room, &g.analysis, g.ids.data(),
                         clusters.data(), attributes.data(), &count)) ||
      count < 1)
    return false;
  SCRIPT_FONTPROPERTIES properties{sizeof(properties)};
  if (FAILED(ScriptGetFontProperties(dc, cache.get(), &properties))) return false;
  g.ids.resize(static_cast<size_t>(count));
  for (WORD id : g.ids)
    if (id == 0 || id == properties.wgDefault) return false;
  g.advances.resize(g.ids.size());
  g.offsets.resize(g.ids.size());
  ABC abc{};
  if (FAILED(ScriptPlace(dc, cache.get(), g.ids.data(), count, attributes.data(), &g.analysis, g.advances.data(),
                         g.offsets.data(), &abc)))
    return false;
  g.width = abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;
  return true;
}

// `text` in `font` when the font has a glyph for all of it.
std::optional<Glyphs> Shape(HDC dc, HFONT font, std::wstring_view text) {
  if (!font) return std::nullopt;
  SelectGuard select(dc, font);
  Glyphs g;
  g.font = font;
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  g.ascent = tm.tmAscent;
  if (!ShapeInto(dc, text, g)) return std::nullopt;
  return g;
}

// The DC's font, then the fallback faces at its height, made when first asked for.
class Fonts {
 public:
  static constexpr size_t kCount = 1 + kFallbackFaces.size();

  explicit Fonts(HDC dc) : own_(static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT))) {
    GetObjectW(own_, sizeof(base_), &base_);
  }
  HFONT At(size_t i) {
    if (i == 0) return own_;
    UniqueFont& font = made_[i - 1];
    if (!font) {
      LOGFONTW lf = base_;
      lf.lfCharSet = DEFAULT_CHARSET;
      lstrcpynW(lf.lfFaceName, kFallbackFaces[i - 1], LF_FACESIZE);
      font.reset(CreateFontIndirectW(&lf));
    }
    return font.get();
  }

 private:
  HFONT own_;
  LOGFONTW base_{};
  std::array<UniqueFont, kFallbackFaces.size()> made_;
};

// A run of text in the DC's font, or one supplementary character in the font that has it.
struct Piece {
  std::wstring_view text;
  std::optional<Glyphs> glyphs;
  int width = 0;
};

class Line {
 public:
  Line(HDC dc, std::wstring_view text) : dc_(dc), fonts_(dc) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    ascent_ = tm.tmAscent;
    height_ = tm.tmHeight;
    Split(text);
  }
  int width() const { return width_; }
  int height() const { return height_; }

  // Keeps the whole characters that fit in `maxWidth` together with "..." after them.
  void Ellipsize(int maxWidth);
  // Draws the line with its top at y.
  void Draw(int x, int y) const;

 private:
  void Split(std::wstring_view text);
  void AddRun(std::wstring_view text) {
    pieces_.push_back({text, std::nullopt, RunWidth(dc_, text)});
    width_ += pieces_.back().width;
  }
  void AddSupplementary(std::wstring_view character);

  HDC dc_;
  Fonts fonts_;
  std::vector<Piece> pieces_;
  int width_ = 0;
  int ascent_ = 0;
  int height_ = 0;
};

void Line::Split(std::wstring_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size();) {
    if (!PairAt(text, i)) {
      ++i;
      continue;
    }
    if (i > start) AddRun(text.substr(start, i - start));
    AddSupplementary(text.substr(i, 2));
    i += 2;
    start = i;
  }
  if (start < text.size()) AddRun(text.substr(start));
}

// A character that no font has stays with the DC's font, drawn as GDI draws it.
void Line::AddSupplementary(std::wstring_view character) {
  for (size_t i = 0; i < Fonts::kCount; ++i) {
    if (std::optional<Glyphs> glyphs = Shape(dc_, fonts_.At(i), character)) {
      const int width = glyphs->width;
      pieces_.push_back({character, std::move(glyphs), width});
      width_ += width;
      return;
    }
  }
  AddRun(character);
}

void Line::Ellipsize(int maxWidth) {
  const int room = maxWidth - RunWidth(dc_, kEllipsis);
  int used = 0;
  size_t kept = 0;
  for (; kept < pieces_.size() && used + pieces_[kept].width <= room; ++kept) used += pieces_[kept].width;
  if (kept < pieces_.size() && !pieces_[kept].glyphs && room > used) {
    Piece& cut = pieces_[kept];
    int fit = 0;
    SIZE size{};
    GetTextExtentExPointW(dc_, cut.text.data(), Length(cut.text), room - used, &fit, nullptr, &size);
    if (fit > 0) {
      cut.text = cut.text.substr(0, static_cast<size_t>(fit));
      cut.width = RunWidth(dc_, cut.text);
      used += cut.width;
      ++kept;
    }
  }
  pieces_.resize(kept);
  width_ = used;
  AddRun(kEllipsis);
}

void Line::Draw(int x, int y) const {
  for (const Piece& piece : pieces_) {
    if (piece.glyphs) {
      const Glyphs& g = *piece.glyphs;
      SelectGuard select(dc_, g.font);
      ScriptCache cache;
      ScriptTextOut(dc_, cache.get(), x, y + ascent_ - g.ascent, 0, nullptr, &g.analysis, nullptr, 0, g.ids.data(),
                    static_cast<int>(g.ids.size()), g.advances.data(), nullptr, g.offsets.data());
    } else {
      ExtTextOutW(dc_, x, y, 0, nullptr, piece.text.data(), static_cast<UINT>(piece.text.size()), nullptr);
    }
    x += piece.width;
  }
}

POINT LineOrigin(const RECT& rect, const Line& line, UINT flags) {
  POINT at{rect.left, rect.top};
  if (flags & DT_CENTER)
    at.x += (rect.right - rect.left - line.width()) / 2;
  else if (flags & DT_RIGHT)
    at.x = rect.right - line.width();
  if (flags & DT_VCENTER)
    at.y += (rect.bottom - rect.top - line.height()) / 2;
  else if (flags & DT_BOTTOM)
    at.y = rect.bottom - line.height();
  return at;
}

}  // namespace

bool HasSurrogatePair(std::wstring_view text) {
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (PairAt(text, i)) return true;
  return false;
}

int DrawTextLine(HDC dc, std::wstring_view text, RECT& rect, UINT flags) {
  if (!HasSurrogatePair(text)) return DrawTextW(dc, text.data(), Length(text), &rect, flags);
  Line line(dc, text);
  if (flags & DT_CALCRECT) {
    rect.right = rect.left + line.width();
    rect.bottom = rect.top + line.height();
    return line.height();
  }
  if ((flags & DT_END_ELLIPSIS) && line.width() > rect.right - rect.left) line.Ellipsize(rect.right - rect.left);
  const POINT at = LineOrigin(rect, line, flags);
  const int saved = (flags & DT_NOCLIP) ? 0 : SaveDC(dc);
  if (saved) IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  line.Draw(at.x, at.y);
  if (saved) RestoreDC(dc, saved);
  return line.height();
}

SIZE TextLineExtent(HDC dc, std::wstring_view text) {
  if (!HasSurrogatePair(text)) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), Length(text), &size);
    return size;
  }
  Line line(dc, text);
  return {line.width(), line.height()};
}

void TextOutLine(HDC dc, int x, int y, std::wstring_view text) {
  if (!HasSurrogatePair(text)) {
    TextOutW(dc, x, y, text.data(), Length(text));
    return;
  }
  Line(dc, text).Draw(x, y);
}

}  // namespace sb
