#!/usr/bin/env bash
# Reassembles the subclassing thunk's code from its assembly source and fails
# unless the bytes equal the kCode table that the program copies into blocks.
#   tools/check-thunk.sh [SRC_DIR]      compare (default: ../src)
#   tools/check-thunk.sh --self-test    prove a changed byte is caught
set -euo pipefail

AS="${AS:-x86_64-w64-mingw32-as}"
OBJCOPY="${OBJCOPY:-x86_64-w64-mingw32-objcopy}"

# The assembled code, one lower-case hex byte a line.
assembled_bytes() {
  local source="$1" tmp
  tmp="$(mktemp -d)"
  "$AS" "$source" -o "$tmp/thunk.o"
  "$OBJCOPY" -O binary -j .text "$tmp/thunk.o" "$tmp/thunk.bin"
  od -An -v -tx1 "$tmp/thunk.bin" | tr -s ' ' '\n' | sed '/^$/d'
  rm -rf "$tmp"
}

# The bytes of the kCode table in the C++ source (comments dropped).
table_bytes() {
  awk '/unsigned char kCode\[\] = \{/ { inside = 1; next } inside && /^};/ { exit } inside' "$1" |
    sed 's#//.*##' | grep -oE '0x[0-9A-Fa-f]{2}\b' | sed 's/^0x//' | tr 'A-F' 'a-f'
}

compare() {
  local source="$1" table="$2" want got
  want="$(assembled_bytes "$source")"
  got="$(table_bytes "$table")"
  if [ -z "$got" ]; then
    echo "thunk check: no kCode table found in $table"; return 1
  fi
  if [ "$want" != "$got" ]; then
    echo "thunk check: the kCode table differs from the assembled source"
    diff <(echo "$want" | awk '{ printf "%03X %s\n", NR - 1, $0 }') \
         <(echo "$got" | awk '{ printf "%03X %s\n", NR - 1, $0 }') | head -20 || true
    return 1
  fi
  echo "thunk check: $(echo "$want" | wc -l) code bytes match the assembly source"
}

self_test() {
  local src="$1" tmp
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' RETURN
  compare "$src/window/subclassing_thunk_code.S" "$src/window/subclassing_thunk.cpp" >/dev/null ||
    { echo "self-test: the real table does not match"; return 1; }
  # One byte of the table changed (the rbx displacement of "inc qword [rbx+0x60]").
  sed '0,/0x48, 0xFF, 0x43, 0x60,/s//0x48, 0xFF, 0x43, 0x68,/' "$src/window/subclassing_thunk.cpp" > "$tmp/table.cpp"
  cmp -s "$tmp/table.cpp" "$src/window/subclassing_thunk.cpp" && { echo "self-test: could not change a byte"; return 1; }
  if compare "$src/window/subclassing_thunk_code.S" "$tmp/table.cpp" >/dev/null; then
    echo "self-test: a changed table byte went unnoticed"; return 1
  fi
  # One instruction of the source changed.
  sed 's/^        sub rsp, 0x60$/        sub rsp, 0x68/' "$src/window/subclassing_thunk_code.S" > "$tmp/code.S"
  if compare "$tmp/code.S" "$src/window/subclassing_thunk.cpp" >/dev/null; then
    echo "self-test: a changed source line went unnoticed"; return 1
  fi
  echo "thunk check self-test: a changed byte on either side is caught"
}

if [ "${1:-}" = "--self-test" ]; then
  self_test "$(cd "${2:-$(dirname "${BASH_SOURCE[0]}")/../src}" && pwd)"
else
  src="$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/../src}" && pwd)"
  compare "$src/window/subclassing_thunk_code.S" "$src/window/subclassing_thunk.cpp"
fi
