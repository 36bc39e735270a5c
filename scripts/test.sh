#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, checks the formatting, builds with warnings as errors under
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test: core, Qt adapters and
# widgets (offscreen), and end to end (private display and print scheduler). Then builds the
# Windows program and its tests and runs them under Wine, end to end too.
set -euo pipefail
cd "$(dirname "$0")/.."

# The end-to-end tests run the PDF printer's backend, which must run as root.
if [[ $(id -u) != 0 ]]; then
  echo "The end-to-end tests need root; running under sudo."
  exec sudo --preserve-env=PATH bash "$0" "$@"
fi

scripts/install-deps.sh

echo "== formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

echo "== build"
cmake --preset ci >/dev/null
cmake --build --preset ci

echo "== tests"
ctest --preset ci -j2 "$@"

echo "== the Windows program and its tests (mingw-w64), run under Wine"
cmake --preset windows >/dev/null
# One Wine server for the whole run, in the build tree's own prefix (the one the toolchain's
# emulator uses): set up once, kept alive, stopped at the end. A server that starts and stops
# around every test process can race a test's start.
export WINEPREFIX=$PWD/build/windows/wine WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver --kill 2>/dev/null || true
wineserver --persistent
trap 'wineserver --kill' EXIT
wineboot --init >/dev/null 2>&1
cmake --build --preset windows
ctest --preset windows -j2 "$@"
