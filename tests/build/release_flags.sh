#!/usr/bin/env bash
# Configures the project afresh twice: by default the release build compiles at -O2, and flags
# given on the cmake line are the ones used, not replaced behind the builder's back.
# Usage: release_flags.sh SOURCE_DIR
set -euo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
flags_of() {
    cmake -S "$1" -B "$work/$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAZ_BENCHMARKS=OFF "${@:3}" >/dev/null
    grep -m1 -o -e ' -O[0-3s] -DNDEBUG ' "$work/$2/compile_commands.json"
}
[ "$(flags_of "$1" default)" = " -O2 -DNDEBUG " ] || { echo "release build not at -O2" >&2; exit 1; }
[ "$(flags_of "$1" chosen "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG")" = " -O1 -DNDEBUG " ] ||
    { echo "-DCMAKE_CXX_FLAGS_RELEASE was not used" >&2; exit 1; }
