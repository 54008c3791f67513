#!/usr/bin/env bash
# Thinks on the bench positions recorded in DATA (or on POSITIONS, some of them) and compares each
# one's move, value and node counts with the record: the node counts are the search's signature,
# so a change of behaviour fails here. A deliberate change updates DATA in a commit of its own.
# Usage: bench_signature.sh ENGINE DATA [I,J,...]
set -euo pipefail
engine=$1 data=$2
positions=${3:-$(awk '!/^#/ {print $1}' "$data" | paste -sd, -)}
diff -u --label "$data" <(awk -v p=",$positions," '!/^#/ && index(p, "," $1 ",")' "$data") \
    --label "kazaguruma-engine bench --seed 1 --positions $positions" \
    <("$engine" bench --seed 1 --positions "$positions" |
        awk '$1 ~ /^[0-9]+$/ {print $1, $2, $3, $4, $5, $6, $7, $8, $9, $10}')
