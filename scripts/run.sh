#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds Mirablot and runs it.
#
# On a desktop it prints the picture on the clipboard to the default printer. On a machine
# without a display it shows the whole path instead: it brings up a virtual display and a
# private print scheduler whose default printer writes PDFs, copies a sample picture, prints it
# and says where the PDF is.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
program=$PWD/build/release/src/app/mirablot

if [[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
  exec "$program"
fi

if [[ $(id -u) != 0 ]]; then
  echo "No display: the demo's PDF printer needs root; running under sudo."
  exec sudo --preserve-env=PATH bash "$0" "$@"
fi

demo=$PWD/build/demo
harness=$PWD/tests/e2e/harness.sh
"$harness" start "$demo/desktop" >/dev/null
trap '[[ -z ${clip:-} ]] || kill "$clip" 2>/dev/null; "$harness" stop "$demo/desktop"' EXIT
# shellcheck source=/dev/null
source "$demo/desktop/env.sh"

/usr/bin/python3 tests/e2e/make-picture.py "$demo/sample.png" 640 400
xclip -selection clipboard -t image/png -quiet -i "$demo/sample.png" >/dev/null 2>&1 &
clip=$!
until xclip -o -selection clipboard -t TARGETS 2>/dev/null | grep -qx image/png; do sleep 0.05; done

echo "Printing $demo/sample.png from the clipboard of a virtual display..."
status=0
"$program" || status=$?
if ((status != 0)); then
  echo "mirablot exited with status $status" >&2
  exit "$status"
fi
while [[ -n $(lpstat -o) ]]; do sleep 0.1; done
shopt -s nullglob
pdfs=("$E2E_PDF_DIR"/*.pdf)
((${#pdfs[@]} == 1)) || { echo "the PDF printer wrote no PDF" >&2; exit 1; }
mv "${pdfs[0]}" "$demo/Mirablot.pdf"
echo "Printed: $demo/Mirablot.pdf"
