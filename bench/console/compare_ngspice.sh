#!/usr/bin/env bash
# Whole-process time of `tanvex analyse NAME --points 1000 --delay precise --csv`
# against ngspice's AC analysis of the same circuit (the deck VORLINKS writes,
# its analysis line filled in), side by side, and their ratio.
#   bench/console/compare_ngspice.sh [BUILD_DIR] [RUNS]
set -euo pipefail
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

# Seconds per run of a command, averaged over the runs.
per_run() {
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" > /dev/null 2>&1; done
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" -v n="$runs" 'BEGIN { printf "%.6f", (b - a) / n / 1e9 }'
}
per_run "$build/bin/tanvex" analyse bandpass --points 1 --csv > /dev/null # warm the caches
t_tanvex=$(per_run "$build/bin/tanvex" analyse bandpass --points 1000 --delay precise --csv)
t_start=$(per_run "$build/bin/tanvex" --help)
t_ngspice=$(per_run ngspice -b bandpass.cir)
printf 'design: 16th-order bandpass (%d network lines), 1000 points, %d runs each\n' "$entries" "$runs"
awk -v t="$t_tanvex" -v s="$t_start" -v g="$t_ngspice" 'BEGIN {
  printf "tanvex analyse --csv  %8.2f ms  (process start and --help alone: %.2f ms)\n", t * 1000, s * 1000
  printf "ngspice -b (AC)       %8.2f ms\n", g * 1000
  printf "ratio                 %8.3f\n", t / g
}'
