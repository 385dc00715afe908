#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a layer above its own, or
# of another folder of the same layer, or when a subsystem's library links one.
#   tools/check-layers.sh [SRC_DIR]      check the tree (default: ../src)
#   tools/check-layers.sh --self-test    prove the check catches each kind of fault
set -euo pipefail

# The client's layers, lowest first; folders on one line share a layer and
# never include one another. This is the one place the order is written down.
LAYERS=(
  "platform"
  "controls window skin catalogue"
  "download"
  "playback"
  "app"
)
# The library each folder builds (see its CMakeLists.txt).
declare -A LIBRARY=([platform]=songbox_platform [controls]=songbox_progressbar [window]=songbox_window
                    [skin]=songbox_skin [catalogue]=songbox_catalogue [download]=songbox_download
                    [playback]=songbox_playback [app]=songbox_app)

declare -A RANK FOLDER_OF_LIBRARY
for i in "${!LAYERS[@]}"; do
  for folder in ${LAYERS[$i]}; do RANK[$folder]=$i; done
done
for folder in "${!LIBRARY[@]}"; do FOLDER_OF_LIBRARY[${LIBRARY[$folder]}]=$folder; done

# May code in folder $1 use folder $2? Prints the reason when it may not.
forbidden() {
  local from="$1" to="$2"
  [ "$from" = "$to" ] && return 1
  if [ -z "${RANK[$to]:-}" ]; then echo "unknown folder '$to'"; return 0; fi
  if [ "${RANK[$to]}" -gt "${RANK[$from]}" ]; then echo "'$to' is a higher layer than '$from'"; return 0; fi
  if [ "${RANK[$to]}" -eq "${RANK[$from]}" ]; then echo "'$to' shares a layer with '$from'"; return 0; fi
  return 1
}

check_tree() {
  local src="$1" faults=0 file rel from line target to why
  while IFS= read -r file; do
    rel="${file#"$src"/}"
    from="${rel%%/*}"
    if [ -z "${RANK[$from]:-}" ]; then
      echo "$rel: folder '$from' has no layer"; faults=$((faults + 1)); continue
    fi
    while IFS= read -r line; do
      target="${line#*\"}"
      target="${target%%\"*}"
      [[ "$target" == */* ]] || continue  # a header beside the file
      to="${target%%/*}"
      if why=$(forbidden "$from" "$to"); then
        echo "$rel: includes \"$target\": $why"; faults=$((faults + 1))
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
  done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.S' \) | sort)

  while IFS= read -r file; do
    rel="${file#"$src"/}"
    from="${rel%%/*}"
    [ -n "${RANK[$from]:-}" ] || continue
    for lib in $(grep -oE 'songbox_[a-z]+' "$file" | sort -u); do
      to="${FOLDER_OF_LIBRARY[$lib]:-}"
      [ -n "$to" ] || continue
      if why=$(forbidden "$from" "$to"); then
        echo "$rel: links $lib: $why"; faults=$((faults + 1))
      fi
    done
  done < <(find "$src" -name CMakeLists.txt | sort)

  if [ "$faults" -gt 0 ]; then
    echo "layer check: $faults fault(s); the order is: ${LAYERS[*]}"
    return 1
  fi
  echo "layer check: every include and link looks down"
}

self_test() {
  local tmp
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' RETURN
  mkdir -p "$tmp/src/platform" "$tmp/src/skin" "$tmp/src/app" "$tmp/src/controls/progressbar"
  printf '#include <windows.h>\n#include "platform/form.h"\n' > "$tmp/src/app/ok.cpp"
  printf 'songbox_library(songbox_app songbox_platform)\n' > "$tmp/src/app/CMakeLists.txt"
  check_tree "$tmp/src" >/dev/null || { echo "self-test: a clean tree was refused"; return 1; }
  local -a cases=(
    'src/platform/up.h|#include "app/main_window.h"'
    'src/skin/side.cpp|  #  include "catalogue/song_list.h"'
    'src/controls/progressbar/side.cpp|#include "window/module.h"'
    'src/skin/unknown.cpp|#include "elsewhere/thing.h"'
    'src/nowhere/file.cpp|#include "platform/form.h"'
    'src/skin/CMakeLists.txt|songbox_library(songbox_skin songbox_platform songbox_catalogue)'
  )
  local entry path text
  for entry in "${cases[@]}"; do
    path="${entry%%|*}"
    text="${entry#*|}"
    mkdir -p "$(dirname "$tmp/$path")"
    printf '%s\n' "$text" > "$tmp/$path"
    if check_tree "$tmp/src" >/dev/null; then
      echo "self-test: not caught: $path: $text"; return 1
    fi
    rm -f "$tmp/$path"
  done
  echo "layer check self-test: ${#cases[@]} faults caught"
}

if [ "${1:-}" = "--self-test" ]; then
  self_test
else
  check_tree "$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/../src}" && pwd)"
fi
