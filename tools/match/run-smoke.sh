#!/usr/bin/env bash
# Smoke test for a USI engine: the match runner's own tests, then short
# matches of the engine against itself and against gpsusi. Fails when any
# game had an illegal move, a crash, a timeout or a protocol error.
#
# Usage: tools/match/run-smoke.sh ENGINE_CMD
#   ENGINE_CMD               engine command line, run by /bin/sh
# Environment (optional):
#   SMOKE_ENGINE_OPTIONS     setoption list for the engine, "Name=Value,..."
#   SMOKE_BYOYOMI_MS         the engine's byoyomi (default 200)
#   SMOKE_OUT                where game records go (default tools/match/games/smoke)
set -euo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: $0 ENGINE_CMD" >&2
    exit 2
fi
engine=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

# shellcheck source=../packages.sh
source "$root/tools/packages.sh"
ensure_packages gpsshogi
# Debian installs gpsusi under /usr/games, which non-login shells often lack.
export PATH="$PATH:/usr/games"

# Subshells: ENGINE_CMD may be a path relative to the caller's directory.
(cd "$here" && npm ci --prefer-offline --no-audit --no-fund --loglevel=error)
(cd "$here" && node --test test/*.test.mjs)

out=${SMOKE_OUT:-$here/games/smoke}
byoyomi=${SMOKE_BYOYOMI_MS:-200}
# gpsusi's default depth and thread count change with machine load, so both
# are pinned; one thread also keeps it from crowding a shared machine.
gps_options="Thread=1,LimitDepth=4"
# Our fixed-depth thinks take seconds in early middle games; a hung engine still fails the run.
common=(--games 2 --max-plies 16 --timeout-ms 300000 --out "$out")

status=0
echo "== $engine vs itself"
node "$here/match.mjs" "${common[@]}" \
    --engine1 "$engine" --engine2 "$engine" --byoyomi "$byoyomi" \
    --engine1-options "${SMOKE_ENGINE_OPTIONS:-}" --engine2-options "${SMOKE_ENGINE_OPTIONS:-}" \
    || status=1
echo "== $engine vs gpsusi"
node "$here/match.mjs" "${common[@]}" \
    --engine1 "$engine" --engine2 gpsusi \
    --engine1-byoyomi "$byoyomi" --engine2-byoyomi 100 \
    --engine1-options "${SMOKE_ENGINE_OPTIONS:-}" --engine2-options "$gps_options" \
    || status=1

if [ "$status" -ne 0 ]; then
    echo "smoke matches FAILED: see the reports above and the records in $out" >&2
fi
exit "$status"
