// How well legacy tag text is read: the share of the code-page corpus's
// strings read back exactly.
#include <cstdio>

#include "codepage_corpus.h"

int main() {
  std::vector<std::string> wrong;
  std::printf("tag_codepage_accuracy: %.4f share\n", sbserver_test::CorpusAccuracy(&wrong));
  for (const std::string& w : wrong) std::fprintf(stderr, "read wrong: %s\n", w.c_str());
  return 0;
}
