#!/usr/bin/env bash
# Thinks with `kazaguruma-engine think --seed 1 ARGS` for each line "ARGS | answer" of DATA and
# compares each answer with the record, leaving out the time and the mate solver's nodes (it runs
# beside the search, so its count depends on timing): the search's signature where the bench does
# not reach. A deliberate change of the search rewrites DATA in a commit of its own.
# Usage: think_signature.sh ENGINE DATA
set -euo pipefail
engine=$1 data=$2
diff -u --label "$data" <(grep -v '^#' "$data") --label "kazaguruma-engine think --seed 1" \
    <(grep -v '^#' "$data" | cut -d'|' -f1 | while read -r args; do
        echo "$args | $("$engine" think --seed 1 $args | sed -E 's/ (time_ms|mate_nodes) [0-9]+//g' | paste -sd' ')"
    done)
