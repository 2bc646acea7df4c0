#!/usr/bin/env bash
# Whole-process time of `tanvex analyse NAME --points 1000 --delay precise --csv`
# against ngspice's AC analysis of the same circuit (the deck VORLINKS writes,
# its analysis line filled in), side by side, and the ratio of their medians.
#   bench/console/compare_ngspice.sh [BUILD_DIR] [RUNS]
set -euo pipefail
export LC_ALL=C # the clock and awk read numbers with a decimal point
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
runs=${2:-40}
command -v ngspice > /dev/null || { echo "compare_ngspice: ngspice is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The sample bandpass made a 16th-order filter: a 35-line network.
cp "$root"/resources/examples/bandpass.spk "$work"
cd "$work"
sed -i '2s/^ [0-9.e+]*/ 1.60000000e+01/' bandpass.spk
"$build/bin/tanvex" calc bandpass > /dev/null 2>&1
entries=$(grep -c . bandpass.dzn)

# The sweep the design saves, 1000 points, in hertz.
"$build/bin/tanvex" analyse bandpass --points 1000 --csv > sweep.csv
f1=$(sed -n 2p sweep.csv | cut -d, -f1)
f2=$(tail -1 sweep.csv | cut -d, -f1)
printf 'F\n\n' | "$build/bin/VORLINKS" bandpass > /dev/null
sed -i "s/^\.AC  LIN  num  Fstart  Fstop/.AC LIN 1000 $f1 $f2/" bandpass.cir
grep -q "^\.AC LIN 1000" bandpass.cir || { echo "compare_ngspice: no analysis line to fill in" >&2; exit 1; }

# The runs of the three commands are interleaved, so that a slow spell of a
# shared machine falls on all of them alike, and each is timed on its own
# (bash's clock, no process of its own): the medians are compared.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
elapsed() {
  local start=$EPOCHREALTIME
  "$@" > /dev/null 2>&1
  local end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}
"$build/bin/tanvex" analyse bandpass --points 1 --csv > /dev/null # warm the caches
: > t_tanvex
: > t_start
: > t_ngspice
for ((i = 0; i < runs; i++)); do
  elapsed "$build/bin/tanvex" analyse bandpass --points 1000 --delay precise --csv >> t_tanvex
  elapsed "$build/bin/tanvex" --help >> t_start
  elapsed ngspice -b bandpass.cir >> t_ngspice
done
t_tanvex=$(median < t_tanvex)
t_start=$(median < t_start)
t_ngspice=$(median < t_ngspice)
printf 'design: 16th-order bandpass (%d network lines), 1000 points, median of %d runs each\n' "$entries" "$runs"
awk -v t="$t_tanvex" -v s="$t_start" -v g="$t_ngspice" 'BEGIN {
  printf "tanvex analyse --csv  %8.2f ms  (process start and --help alone: %.2f ms)\n", t * 1000, s * 1000
  printf "ngspice -b (AC)       %8.2f ms\n", g * 1000
  printf "ratio                 %8.3f\n", t / g
}'
