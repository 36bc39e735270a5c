#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang and runs one or all of them, two at a time.
#   scripts/fuzz.sh [TARGET|all] [SECONDS]
#   TARGET: conversions, settings_file, png, png_stream, picture_sources, dib, media
#   scripts/fuzz.sh --build      only builds them (CI does, and replays the stored corpora)
# The stored corpora (tests/fuzz/corpus: int16, fixed4 and leading_number for the conversions,
# png also seeds picture_sources) seed a working copy under build/fuzz/corpus; a crash is
# written to build/fuzz/artifacts and each run's log to build/fuzz/TARGET.log. Keep a crash by
# copying it into a stored corpus together with its fix: the replay tests then run it in every
# build.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(conversions settings_file png png_stream picture_sources dib media)
build_only=false
if [[ ${1:-} == --build ]]; then
  build_only=true
elif [[ $# -gt 0 && $1 != all ]]; then
  targets=("$1")
fi
seconds=${2:-60}

if ! command -v clang++ >/dev/null || [[ ! -d /usr/lib/llvm-14/lib/clang ]]; then
  apt-get install -y --no-install-recommends clang libclang-rt-14-dev libpng-dev >/dev/null
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

$build_only && exit 0

export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$(mktemp -d)}
mkdir -p build/fuzz/artifacts
corpora() {
  case $1 in
    conversions) echo int16 fixed4 leading_number ;;
    picture_sources) echo png picture_sources ;;
    *) echo "$1" ;;
  esac
}
run() {
  local target=$1 corpus=build/fuzz/corpus/$1
  mkdir -p "$corpus"
  for stored in $(corpora "$target"); do cp -n tests/fuzz/corpus/"$stored"/* "$corpus"/; done
  build/fuzz/tests/fuzz/fuzz_"$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build/fuzz/artifacts/"$target"- "$corpus" >build/fuzz/"$target".log 2>&1 || true
  echo "== $target for ${seconds}s"
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)|violated|ERROR|SUMMARY' \
    build/fuzz/"$target".log || true
}
# Two cores: two targets at a time.
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run "${targets[i]}" &
  if ((i + 1 < ${#targets[@]})); then run "${targets[i + 1]}" & fi
  wait
done
