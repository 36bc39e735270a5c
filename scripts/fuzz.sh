#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang and runs one or all of them.
#   scripts/fuzz.sh [TARGET] [SECONDS]     TARGET: conversions, settings_file
# The stored corpora (tests/fuzz/corpus: int16, fixed4 and leading_number for the conversions)
# seed a working copy under build/fuzz/corpus; a crash is written to build/fuzz/artifacts. Keep
# a crash by copying it into a stored corpus together with its fix: the replay tests then run
# it in every build.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(conversions settings_file)
if [[ $# -gt 0 && $1 != all ]]; then targets=("$1"); fi
seconds=${2:-60}

if ! command -v clang++ >/dev/null || [[ ! -d /usr/lib/llvm-14/lib/clang ]]; then
  apt-get install -y --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$(mktemp -d)}
mkdir -p build/fuzz/artifacts
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  mkdir -p "$corpus"
  if [[ $target == conversions ]]; then
    cp -n tests/fuzz/corpus/{int16,fixed4,leading_number}/* "$corpus"/
  else
    cp -n tests/fuzz/corpus/"$target"/* "$corpus"/
  fi
  echo "== $target for ${seconds}s"
  build/fuzz/tests/fuzz/fuzz_"$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build/fuzz/artifacts/"$target"- "$corpus" 2>&1 |
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)|violated|ERROR|SUMMARY' || true
done
