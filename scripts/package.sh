#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the packages and checks them.
#   scripts/package.sh              build and check build/release/mirablot_1.00_amd64.deb: its
#                                   contents and dependencies (dpkg-deb), Debian's policy
#                                   (lintian), the desktop file and the AppStream metainfo
#   scripts/package.sh --install    also install it, run it, and remove it again (CI does
#                                   this on its throwaway machine)
#   scripts/package.sh --windows [--install]
#                                   build and check build/windows/mirablot-1.00-x64.msi; with
#                                   --install, install, use, upgrade and remove it in a fresh
#                                   Wine prefix on the tests' private desktop and printer
set -euo pipefail
cd "$(dirname "$0")/.."

VERSION=1.00

# msi VERSION OUT: the installer of the cross-built program. wixl 0.101 (Debian 12) writes only
# ASCII into the tables and has no shortcut keys nor same-version upgrades: the database gets
# its Japanese code page, then the texts, the key and the upgrade's inclusive bound here.
msi() {
  local version=$1 out=$2 work
  work=$(mktemp -d)
  # wixl takes its sources relative to the folder it runs in.
  wixl -a x64 -D "Version=$version" -D Exe=build/windows/src/app/mirablot.exe \
    -D Icon=data/mirablot.ico -o "$work/mirablot.msi" data/mirablot.wxs
  printf '\r\n\r\n932\t_ForceCodepage\r\n' >"$work/codepage.idt"
  msibuild "$work/mirablot.msi" -i "$work/codepage.idt"
  local code query
  code=$(msiinfo export "$work/mirablot.msi" Upgrade | tr -d '\r' |
    awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" { print $1 }')
  # Ctrl+Alt+P: the virtual key in the low byte, HOTKEYF_CONTROL | HOTKEYF_ALT in the high one.
  # 513 = msidbUpgradeAttributesMigrateFeatures | msidbUpgradeAttributesVersionMaxInclusive:
  # another build of this very version is replaced too.
  for query in \
    "UPDATE Shortcut SET Hotkey = $((0x0650)), Description = 'ｸﾘｯﾌﾟﾎﾞｰﾄﾞ上のﾋﾞｯﾄﾏｯﾌﾟ情報を印刷' WHERE Shortcut = 'PrintShortcut'" \
    "UPDATE Shortcut SET Name = 'MBSET|Mirablot 設定', Description = '印刷のﾚｲｱｳﾄを設定' WHERE Shortcut = 'SettingsShortcut'" \
    "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" \
    "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('$code', '$version', 513, 'WIX_UPGRADE_DETECTED')" \
    "UPDATE LaunchCondition SET Description = '新しいバージョンの Mirablot がインストールされています。' WHERE Condition = 'NOT WIX_DOWNGRADE_DETECTED'"; do
    msibuild "$work/mirablot.msi" -q "$query"
  done
  mv "$work/mirablot.msi" "$out"
  rm -rf "$work"
}

windows() {
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target mirablot mirablot-put-clipboard >/dev/null
  local package=build/windows/mirablot-$VERSION-x64.msi
  msi "$VERSION" "$package"
  echo "== $package"
  msiinfo suminfo "$package"
  local table tables=
  for table in Property Directory Component File Shortcut Registry Upgrade CustomAction; do
    tables+=$(echo "-- $table"; msiinfo export "$package" "$table" | tail -n +4 | tr -d '\r')$'\n'
  done
  echo "$tables"
  # Per user, and no administrator needed: the source type (word count) bit 3 says elevated
  # rights are not required.
  ! grep -qP '^ALLUSERS\t' <<<"$tables" ||
    { echo "$package: ALLUSERS set, the install would not be per user"; exit 1; }
  (($(msiinfo suminfo "$package" | sed -n 's/^Source: \([0-9]*\).*/\1/p') & 8)) ||
    { echo "$package: asks for administrator rights"; exit 1; }
  grep -qP '^PrintShortcut\t.*\t1616\t' <<<"$tables" || { echo "$package: no shortcut key"; exit 1; }
  [[ ${1:-} == --install ]] || { echo "installer checks passed"; return; }

  echo "== install, use, upgrade and remove under Wine"
  MSI_DIR=$(mktemp -d /tmp/mirablot-msi.XXXXXX)
  local dir=$MSI_DIR
  # Another build of this version (a product code of its own) and the next version.
  msi "$VERSION" "$dir/rebuilt.msi"
  msi 1.01 "$dir/next.msi"
  trap 'tests/e2e/win32/desktop.sh stop "$MSI_DIR/e2e" >/dev/null 2>&1; rm -rf "$MSI_DIR"' EXIT
  tests/e2e/win32/desktop.sh start "$dir/e2e" >/dev/null
  E2E_DIR=$dir/e2e MIRABLOT=build/windows/src/app/mirablot.exe \
    MSI=$PWD/$package MSI_REBUILT=$dir/rebuilt.msi MSI_NEXT=$dir/next.msi \
    PUT_CLIPBOARD=build/windows/tests/e2e/win32/mirablot-put-clipboard.exe \
    tests/e2e/win32/wine-cases.sh installer
  echo "installer checks passed"
}

if [[ ${1:-} == --windows ]]; then
  scripts/install-deps.sh
  windows "${@:2}"
  exit
fi

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
