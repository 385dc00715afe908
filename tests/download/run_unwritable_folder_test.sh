#!/usr/bin/env bash
# Runs the download window test from a copy of it in a program folder that
# cannot be written, as a copy under C:\Program Files is for a user without rights.
#   run_unwritable_folder_test.sh <download_window_test.exe> <wine-run>
set -euo pipefail
EXE="$1" WINE_RUN="$2"
DIR="${TMPDIR:-/tmp}/songbox-unwritable-$(id -u)-$$"
unlock() { chattr -i "$DIR/program" 2>/dev/null || true; chmod -R u+w "$DIR" 2>/dev/null || true; }
trap 'unlock; rm -rf "$DIR"' EXIT
mkdir -p "$DIR/program"
cp "$EXE" "$DIR/program/"
# Root writes through permission bits: the folder is made immutable instead.
if [ "$(id -u)" = 0 ]; then chattr +i "$DIR/program"; else chmod a-w "$DIR/program"; fi
if touch "$DIR/program/probe" 2>/dev/null; then
  echo "could not make $DIR/program unwritable" >&2
  exit 1
fi
SONGBOX_UNWRITABLE_RUN=1 "$WINE_RUN" "$DIR/program/$(basename "$EXE")" --gtest_filter='*UnwritableProgramFolder*'
