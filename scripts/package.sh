#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and checks it: its contents and dependencies (dpkg-deb), Debian's
# policy (lintian), the desktop file and the AppStream metainfo.
#   scripts/package.sh              build and check build/release/mirablot_1.00_amd64.deb
#   scripts/package.sh --install    also install it, run it, and remove it again (CI does
#                                   this on its throwaway machine)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
(cd build/release && cpack >/dev/null)
deb=$(ls build/release/mirablot_*.deb)

echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
dpkg-deb --contents "$deb" | awk '{print $6}'

echo "== lintian"
# Tags we accept, each with its reason, in data/lintian-accepted.
lintian --fail-on error,warning --suppress-tags-from-file data/lintian-accepted "$deb"

echo "== desktop file and metainfo, as installed"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb --extract "$deb" "$unpacked"
desktop=$unpacked/usr/share/applications/org.mirablot.Mirablot.desktop
desktop-file-validate "$desktop"
# The settings, one click away in the menu.
grep -qx 'Actions=Settings;' "$desktop" && grep -qx '\[Desktop Action Settings\]' "$desktop" &&
  grep -qx 'Exec=mirablot --settings' "$desktop" || { echo "no settings action in $desktop"; exit 1; }
appstreamcli validate --no-net --explain "$unpacked/usr/share/metainfo/org.mirablot.Mirablot.metainfo.xml"

if [[ ${1:-} == --install ]]; then
  echo "== install, run, remove"
  apt-get install -y -qq "./$deb" >/dev/null
  mirablot --version | grep -qx "Mirablot 1.00" || { echo "installed mirablot: wrong version"; exit 1; }
  mirablot --help | grep -q -- "--settings" || { echo "installed mirablot: no usage"; exit 1; }
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY mirablot 2>/tmp/mirablot-package.err || status=$?
  [[ $status == 2 ]] || { echo "installed mirablot: exit status $status, expected 2"; exit 1; }
  cat /tmp/mirablot-package.err
  # The window module, from where the package put it: on Qt's offscreen platform the box comes
  # up (and waits, until timeout ends it), saying why nothing printed.
  status=0
  timeout 10 env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
    CUPS_SERVER=/nonexistent/socket mirablot 2>/tmp/mirablot-package.err || status=$?
  [[ $status == 124 ]] && grep -q "Err.Number:" /tmp/mirablot-package.err ||
    { echo "installed mirablot: no box ($status)"; cat /tmp/mirablot-package.err; exit 1; }
  apt-get remove -y -qq mirablot >/dev/null
fi
echo "package checks passed"
