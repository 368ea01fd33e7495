#!/usr/bin/env bash
# Usage: bench/wine_scaling.sh PATH/TO/constcheck.exe [RUNS]
# How the Windows program's time grows with the line, under Wine: the median
# wall time of RUNS runs (7) on a line of 100 MiB and on one of 200 MiB, taken
# in turn, and the ratio of the two. Linear reading gives about 2; Wine's own
# start, some 0.1 s, is in both.
set -euo pipefail
exe=$(realpath "$1")
runs=${2:-7}
scratch=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
export WINEPREFIX="$scratch/wine" WINEDEBUG=-all
mkdir "$WINEPREFIX"
wineserver -p
wine cmd /c exit >/dev/null 2>&1 </dev/null  # the prefix is made once, before any run is timed
for mib in 100 200; do
    head -c $((mib << 20)) /dev/zero | tr '\0' 7 >"$scratch/$mib"
    echo >>"$scratch/$mib"
done
for _ in $(seq "$runs"); do
    for mib in 100 200; do
        start=$(date +%s%N)
        wine "$exe" <"$scratch/$mib" >/dev/null
        echo "$mib $(( ($(date +%s%N) - start) / 1000000 ))"
    done
done | sort -n -k1,1 -k2,2 | awk -v runs="$runs" '
    { times[$1] = times[$1] " " $2 }
    END {
        for (mib = 100; mib <= 200; mib += 100) {
            split(times[mib], t, " ")
            median[mib] = t[int((runs + 1) / 2)]
            print mib " MiB: median " median[mib] " ms, runs:" times[mib]
        }
        printf "200 MiB / 100 MiB: %.2f\n", median[200] / median[100]
    }'
