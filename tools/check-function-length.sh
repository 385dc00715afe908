#!/usr/bin/env bash
# Fails when a function under src/ is longer than the limit, counted from the
# first line of its signature to its closing brace.
#   tools/check-function-length.sh [SRC_DIR] [LIMIT]   (defaults: ../src, 60)
#   tools/check-function-length.sh --self-test
set -euo pipefail

# Prints "file:line: N lines" for each function over the limit. A body is a
# "{" outside any other function whose statement so far has a ")" and is no
# namespace, class, struct, union or enum; nested lambdas and blocks belong to
# the function around them. Comments, strings and characters are blanked first.
measure() {
  local limit="$1"
  shift
  awk -v limit="$limit" '
    FNR == 1 { depth = 0; fdepth = -1; stmt = ""; start = 0; incomment = 0 }
    {
      line = $0
      if (incomment) {
        if (index(line, "*/") == 0) next
        line = substr(line, index(line, "*/") + 2); incomment = 0
      }
      gsub(/\\./, "_", line)                   # escapes inside literals
      gsub(/"[^"]*"/, "\"\"", line)
      gsub(/\047[^\047]*\047/, "0", line)
      gsub(/\/\*([^*]|\*[^\/])*\*\//, " ", line)
      sub(/\/\/.*/, "", line)
      if (index(line, "/*")) { line = substr(line, 1, index(line, "/*") - 1); incomment = 1 }
      if (line ~ /^[[:space:]]*#/) next
      n = length(line)
      for (i = 1; i <= n; i++) {
        c = substr(line, i, 1)
        if (c ~ /[[:space:]]/ && stmt == "") continue
        if (stmt == "" && fdepth < 0) start = FNR
        if (c == "{") {
          if (fdepth < 0 && stmt ~ /\)/ && stmt !~ /^(namespace|class|struct|union|enum|extern)[^A-Za-z0-9_]/) {
            fdepth = depth; fstart = start
          }
          depth++; stmt = ""
        } else if (c == "}") {
          depth--; stmt = ""
          if (depth == fdepth) {
            len = FNR - fstart + 1
            if (len > limit) printf "%s:%d: %d lines\n", FILENAME, fstart, len
            fdepth = -1
          }
        } else if (c == ";") {
          stmt = ""
        } else {
          stmt = stmt c
        }
      }
      if (stmt != "") stmt = stmt " "
    }' "$@"
}

check_tree() {
  local src="$1" limit="$2" found
  found="$(find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) | sort | while IFS= read -r f; do measure "$limit" "$f"; done)"
  if [ -n "$found" ]; then
    echo "$found" | sed "s#^$src/##"
    echo "function length check: $(echo "$found" | wc -l) function(s) over $limit lines"
    return 1
  fi
  echo "function length check: no function over $limit lines"
}

self_test() {
  local tmp body
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' RETURN
  body="$(for i in $(seq 1 59); do echo "  x += $i;  // {"; done)"
  mkdir -p "$tmp/src"
  # 61 lines with the signature and the closing brace, nested lambda and braces in literals included.
  { echo 'namespace a {'; echo 'struct S {'; echo '  int f(int x) const {';
    echo "$body" | head -57; echo '    auto g = [&] { return "}}"; };'; echo "    x += '}';"
    echo '  }'; echo '};'; echo '}  // namespace a'; } > "$tmp/src/long.h"
  { echo '/* int g() {'; echo '} */'; echo 'int h(int x,'; echo '      int y) {'; echo "$body" | head -56
    echo '  return x;'; echo '}'; echo 'const int kTable[] = {'; echo "$body" | sed 's/.*/  1,/'; echo '};'; } > "$tmp/src/ok.cpp"
  local out
  out="$(check_tree "$tmp/src" 60 || true)"
  if [ "$(echo "$out" | grep -cE '^[^ ]+:[0-9]+: [0-9]+ lines$')" != 1 ] || ! echo "$out" | grep -q '^long.h:3: 61 lines$'; then
    echo "self-test: expected exactly long.h:3: 61 lines, got:"; echo "$out"; return 1
  fi
  echo "function length check self-test: the long function is caught, the rest passes"
}

if [ "${1:-}" = "--self-test" ]; then
  self_test
else
  src="$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/../src}" && pwd)"
  check_tree "$src" "${2:-60}"
fi
