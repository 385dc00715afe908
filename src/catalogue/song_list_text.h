// The window-free text steps of the song list: the page normaliser (one song
// per line, values separated by single spaces) and the line splitter that
// turns that text into list rows. Works on any 16- or 32-bit character text
// (std::wstring on both Windows and Linux, std::u16string).
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sb {

// The song list's ten columns: cell 0 is the row's own text, cell k is subitem k.
inline constexpr int kSongListColumns = 10;
// Values of one song record; the eleventh is parsed and dropped.
inline constexpr size_t kSongRecordValues = 11;

// One list row cut from a normalised line. The cells point into the text the
// row was split from. Values 0 and 1 go crosswise: cell 1 holds value 1,
// cell 2 holds value 0, cell 0 holds value 2 (the title), cell k >= 3 value k.
template <typename CharT>
struct BasicSongRow {
  std::array<std::basic_string_view<CharT>, kSongListColumns> cells;
};
using SongRow = BasicSongRow<wchar_t>;

// Cuts the song array out of the page and normalises it. nullopt when the
// page lacks "Data.Nlist.order=[" or "{sid:". Runs in time linear in the page.
template <typename CharT>
std::optional<std::basic_string<CharT>> NormaliseSongPage(std::basic_string_view<CharT> page);

// The normalised text with every line (split at CRLF, the last piece too)
// cut after its first `values` values and each value cut to `valueChars`
// characters. The rows it yields are those of `text` with their cells cut the
// same way; a line no longer holds more than values * (valueChars + 1) characters.
template <typename CharT>
std::basic_string<CharT> BoundLineValues(std::basic_string_view<CharT> text, size_t values, size_t valueChars);

// Every piece of `text` before its last CRLF (the piece after the final line
// break is never a song line). An empty or break-free text has none.
template <typename CharT>
std::vector<std::basic_string_view<CharT>> CompleteLines(std::basic_string_view<CharT> text);

// Splits a line at every U+0020; consecutive spaces give empty values.
template <typename CharT>
std::vector<std::basic_string_view<CharT>> SplitValues(std::basic_string_view<CharT> line);

// The row a line yields, or nullopt when it has fewer than ten values
// (empty lines, arrays broken over several lines): such a line has no song.
template <typename CharT>
std::optional<BasicSongRow<CharT>> RowFromLine(std::basic_string_view<CharT> line);

// All rows of a normalised text, in text order. No line limit.
template <typename CharT>
std::vector<BasicSongRow<CharT>> SongRows(std::basic_string_view<CharT> text);

// The service root with exactly one trailing "/" added when it has none;
// an empty address gives `fallback`.
std::wstring RootWithSlash(std::wstring root, const std::wstring& fallback);

// Whether `address` can be the service root: "http://" or "https://" (any
// case) and a host, without blanks, control characters or double quotes (the
// root also goes onto a command line).
bool IsServiceAddress(std::wstring_view address);

// The first candidate that is a service address, with one trailing "/";
// `fallback` when none is.
std::wstring ChooseServiceRoot(std::initializer_list<std::wstring_view> candidates, const std::wstring& fallback);

// wstring conveniences.
inline std::optional<std::wstring> NormaliseSongPage(const std::wstring& page) {
  return NormaliseSongPage<wchar_t>(std::wstring_view(page));
}
inline std::vector<SongRow> SongRows(const std::wstring& text) {
  return SongRows<wchar_t>(std::wstring_view(text));
}

}  // namespace sb
