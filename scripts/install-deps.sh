#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that building, running and testing Mirablot need, if any is
# missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  # build
  build-essential git cmake qt6-base-dev libcups2-dev libxcb1-dev libxcb-xfixes0-dev libwayland-dev
  zlib1g-dev libisal-dev pkgconf libgtest-dev libgmock-dev clang-format
  # the PNG fuzz targets' judge of what a PNG reader must accept
  libpng-dev
  # run: Qt's X11 and Wayland platforms, and a font with the Japanese glyphs of the user interface
  qt6-qpa-plugins qt6-wayland qt6-translations-l10n fonts-ipafont-gothic
  # the private desktop of the demo and the end-to-end tests
  xvfb xclip xdotool x11-xserver-utils x11-utils procps imagemagick poppler-utils python3 locales
  # the question box's buttons as a screen reader reads them
  at-spi2-core python3-pyatspi
  python3-pil time
  # holds the program at a chosen point in one case (a printer removed mid-job)
  gdb
  cups-daemon cups-client cups-filters ghostscript printer-driver-cups-pdf
  # the driverless queue: CUPS's IPP Everywhere test printer, and the DNS-SD daemon it needs
  cups-ipp-utils avahi-daemon dbus
  # the headless Wayland desktops of the end-to-end tests (KWin's adds about 11 s to a fresh
  # install: 133 packages, 38 MB, beside GNOME Shell's)
  sway xwayland wl-clipboard wtype grim util-linux gnome-shell kwin-wayland
  # the package checks
  lintian desktop-file-utils appstream
  # the Windows installer: built with wixl, its tables mended and read with msitools
  wixl msitools
  # the Windows build of the core, and Wine to run its tests
  g++-mingw-w64-x86-64-posix wine wine64
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) == 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
