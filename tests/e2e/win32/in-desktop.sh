#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program on the started Wine desktop (desktop.sh): its display, scheduler and
# prefix.
#
#   in-desktop.sh DIR PROGRAM [ARGS...]
set -euo pipefail
dir=${1:?harness directory}
shift
# shellcheck source=/dev/null
source "$dir/env.sh"
export WINEPREFIX=$dir/wine WINEDEBUG=-all
exec wine "$@"
