// Text from tags and lyrics files that carry no reliable encoding: bytes in
// ID3v2 frames marked ISO-8859-1, ID3v1, APE items and .lrc files, which old
// Chinese, Japanese and Korean tools wrote in their own code page.
//
// A file's (or an album's) legacy fields are judged together: a CJK code page
// is chosen only when every field decodes in it without error, the result is
// mostly common CJK characters, and the bytes are not plausibly Latin-1
// (accented letters among ASCII letters). Otherwise they stay Latin-1, byte
// for code point, exactly as TagLib reads them.
//
// Threads: every function may be called from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace songbox_server {

// In order of preference for this program's users.
enum class CodePage { Latin1, Gb18030, Big5, ShiftJis, Korean };

// The code page of `fields` (raw bytes), judged over all of them together,
// among Latin-1 and the CJK pages of `candidates`.
CodePage ChooseCodePage(const std::vector<std::string>& fields,
                        const std::vector<CodePage>& candidates = {CodePage::Gb18030, CodePage::Big5,
                                                                   CodePage::ShiftJis, CodePage::Korean});

// How well `fields` read as CJK text in `page` (higher is better); -1 when
// they are not valid in it or not mostly common characters of it.
int Fit(const std::vector<std::string>& fields, CodePage page);

// `bytes` as UTF-8; nullopt when they are not valid in `page`.
std::optional<std::string> DecodeStrict(std::string_view bytes, CodePage page);

// `bytes` as UTF-8 from `page`, Latin-1 when they are not valid in it.
std::string Decode(std::string_view bytes, CodePage page);

}  // namespace songbox_server
