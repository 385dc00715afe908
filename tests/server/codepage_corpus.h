// Tag texts as old collections carry them: each song's title and singer, in
// the code page its tools wrote (iconv's name), as UTF-8 source text.
#pragma once

#include <string>
#include <vector>

namespace sbserver_test {

struct LegacySong {
  const char* charset;  // "GBK", "BIG5", "CP932", "EUC-KR", "ISO-8859-1"
  std::vector<std::string> fields;  // UTF-8
};

const std::vector<LegacySong>& LegacyCorpus();

// `utf8` in `charset` (glibc's iconv); throws when it cannot be written so.
std::string Encode(const std::string& utf8, const char* charset);

// The share of the corpus's strings that ChooseCodePage and Decode, judging
// each song's fields together, read back exactly; the songs read wrong go
// to `wrong` as "decoded (expected)".
double CorpusAccuracy(std::vector<std::string>* wrong = nullptr);

}  // namespace sbserver_test
