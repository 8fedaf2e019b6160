#!/usr/bin/env bash
# Diskette check benchmark: `korim --check --csv` over 10,000 delivered
# diskettes (folders of four tables made by the generator from varied
# applications) against python3-dbfread reading the same four tables of
# every folder, whole processes, in the same run; then 20,000 folders, to
# see how the time and the memory grow.
#
#   bench/run_check.sh [BUILD_DIR]      (default: build/release)
#   N=3 bench/run_check.sh build/release
#
# Build first: cmake --build BUILD_DIR --target korim_bench_check
# Needs python3-dbfread (installed here when missing, as root). The folders
# (about 1 GB for 20,000) go to a temporary folder under ${TMPDIR:-/tmp}.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/release}" && pwd)
runs=${N:-5}
timeout_s=${TIMEOUT:-600}
python=${KORIM_PYTHON:-/usr/bin/python3}

probe=$build/bench/korim_bench_probe
generator=$build/bench/korim_bench_delivered
korim=$build/app/korim
shipped=$build/resources/KORIM
peer=$here/dbfread_tables.py
for f in "$probe" "$generator" "$korim" "$shipped" "$peer"; do
  [ -e "$f" ] || { echo "missing $f (build the korim_bench_check target)" >&2; exit 2; }
done
if ! "$python" -c 'import dbfread' 2>/dev/null; then
  [ "$(id -u)" -eq 0 ] || { echo "python3-dbfread is needed" >&2; exit 2; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends python3-dbfread >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/xdg"
export XDG_RUNTIME_DIR=$work/xdg
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
# The check must not need a data folder: point it at one that does not exist.
export KORIM_DATA_DIR=$work/no-data-folder

# One set of 20,000; the 10,000 run takes its first half.
"$generator" "$shipped" "$work/d" 20000
cd "$work/d"
mapfile -t all < <(ls)
ten=("${all[@]:0:10000}")

# run LABEL STATUS COMMAND...: one measured launch appended to LABEL.txt,
# which must end with STATUS; the lines of both programs go to /dev/null
# (the CSV to its file). The check exits 1 when a folder has an error,
# which some of these have.
run() {
  local label=$1 status=$2 line
  shift 2
  line=$("$probe" "$timeout_s" sh -c 'exec "$@" >/dev/null' sh "$@" 2>"$work/$label.err") || true
  if [ "${line##* }" != "$status" ]; then
    echo "$label failed: $line" >&2
    sed -n 1,20p "$work/$label.err" >&2
    exit 1
  fi
  echo "$line" >>"$work/$label.txt"
}
korim10() { run korim10 1 "$korim" --check --csv "$work/k10.csv" "${ten[@]}"; }
korim20() { run korim20 1 "$korim" --check --csv "$work/k20.csv" "${all[@]}"; }
peer10() { run peer10 0 "$python" "$peer" "${ten[@]}"; }

korim10; peer10; korim20 # warm the caches
rm -f "$work"/korim10.txt "$work"/peer10.txt "$work"/korim20.txt
for ((i = 0; i < runs; i++)); do
  if [ $((i % 2)) -eq 0 ]; then korim10; peer10; korim20; else korim20; peer10; korim10; fi
done

median() { # file column
  sort -n -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END {
    if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
row() { printf '%-46s %10.1f %12.0f %10.1f\n' "$1" "$(median "$2" 1)" "$(median "$2" 2)" "$(median "$2" 3)"; }

# The CSV as Python's csv module reads it: rows, and how many have no error.
csv_summary() {
  "$python" -c 'import csv, sys
rows = list(csv.DictReader(open(sys.argv[1], newline="", encoding="utf-8"), strict=True))
print(len(rows), sum(1 for r in rows if r["errores"] == "0"))' "$1"
}
read -r rows10 clean10 < <(csv_summary "$work/k10.csv")
read -r rows20 _ < <(csv_summary "$work/k20.csv")
printf 'runs: %d each (medians; %d cores; load average %s)\n' "$runs" "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf 'CSV rows: %d and %d; of the 10,000, %d without errors\n' "$rows10" "$rows20" "$clean10"
printf '%-46s %10s %12s %10s\n' program 'wall ms' 'peak RSS KiB' 'CPU ms'
row 'korim --check --csv, 10,000 folders' "$work/korim10.txt"
row 'python3-dbfread, same four tables, 10,000' "$work/peer10.txt"
row 'korim --check --csv, 20,000 folders' "$work/korim20.txt"
k10=$(median "$work/korim10.txt" 1); p10=$(median "$work/peer10.txt" 1); k20=$(median "$work/korim20.txt" 1)
m10=$(median "$work/korim10.txt" 2); m20=$(median "$work/korim20.txt" 2)
awk -v k10="$k10" -v p10="$p10" -v k20="$k20" -v m10="$m10" -v m20="$m20" 'BEGIN {
  r = k10 / p10; g = k20 / k10
  printf "korim / peer (10,000 folders): %.3fx (goal: at most 0.2x) -> %s\n", r, r <= 0.2 ? "met" : "NOT met"
  printf "t(20,000) / t(10,000): %.2f (goal: at most 2.2) -> %s\n", g, g <= 2.2 ? "met" : "NOT met"
  printf "peak memory: %.1f MiB for 10,000, %.1f MiB for 20,000 (%.2fx)\n", m10 / 1024, m20 / 1024, m20 / m10
}'
