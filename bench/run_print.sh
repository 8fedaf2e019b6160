#!/usr/bin/env bash
# Printing benchmark: `korim --pdf` of an application with 10,000 export
# products against the usual Unix route from the same composed text to PDF
# (enscript -r -f Courier7 | ps2pdf), whole processes, in the same run; then
# the same application with 20,000 products, to see how the time grows.
#
#   bench/run_print.sh [BUILD_DIR]      (default: build/release)
#   N=9 bench/run_print.sh build/release
#
# Build first: cmake --build BUILD_DIR --target korim_bench_print
# Needs enscript and ghostscript (installed here when missing, as root).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/release}" && pwd)
runs=${N:-7}
timeout_s=${TIMEOUT:-120}

probe=$build/bench/korim_bench_probe
generator=$build/bench/korim_bench_application
korim=$build/app/korim
shipped=$build/resources/KORIM
for f in "$probe" "$generator" "$korim" "$shipped"; do
  [ -e "$f" ] || { echo "missing $f (build the korim_bench_print target)" >&2; exit 2; }
done
if ! command -v enscript >/dev/null || ! command -v ps2pdf >/dev/null; then
  [ "$(id -u)" -eq 0 ] || { echo "enscript and ghostscript are needed" >&2; exit 2; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends enscript ghostscript >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/xdg"
export XDG_RUNTIME_DIR=$work/xdg
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY

prepare() { # products
  local dir=$work/data-$1
  cp -r "$shipped" "$dir"
  "$generator" "$dir" "$1"
  # The first start of a year writes the sales years: not measured.
  KORIM_DATA_DIR=$dir "$korim" --text "$work/text-$1.txt"
  echo "$dir"
}
data10=$(prepare 10000)
data20=$(prepare 20000)
lines=$(wc -l <"$work/text-10000.txt")

# run LABEL COMMAND...: one measured launch appended to LABEL.txt
run() {
  local label=$1 line
  shift
  if ! line=$("$probe" "$timeout_s" "$@" 2>"$work/$label.err"); then
    echo "$label failed: $line" >&2
    sed -n 1,20p "$work/$label.err" >&2
    exit 1
  fi
  echo "$line" >>"$work/$label.txt"
}
korim10() { run korim10 env KORIM_DATA_DIR="$data10" "$korim" --pdf "$work/k10.pdf"; }
korim20() { run korim20 env KORIM_DATA_DIR="$data20" "$korim" --pdf "$work/k20.pdf"; }
peer10() {
  run peer10 bash -c "enscript -q -B -r -f Courier7 --encoding=latin1 -o - <(iconv -f UTF-8 -t LATIN1 '$work/text-10000.txt') | ps2pdf - '$work/p10.pdf'"
}

korim10; peer10; korim20 # warm the caches
rm -f "$work"/korim10.txt "$work"/peer10.txt "$work"/korim20.txt
for ((i = 0; i < runs; i++)); do
  if [ $((i % 2)) -eq 0 ]; then korim10; peer10; korim20; else korim20; peer10; korim10; fi
done

median() { # file column
  sort -n -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END {
    if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
row() { printf '%-44s %10.1f %12.0f %10.1f\n' "$1" "$(median "$2" 1)" "$(median "$2" 2)" "$(median "$2" 3)"; }

printf 'runs: %d each (medians; composed text %d lines; load average %s)\n' "$runs" "$lines" \
  "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-44s %10s %12s %10s\n' program 'wall ms' 'peak RSS KiB' 'CPU ms'
row 'korim --pdf, 10,000 products' "$work/korim10.txt"
row 'enscript -r -f Courier7 | ps2pdf, same text' "$work/peer10.txt"
row 'korim --pdf, 20,000 products' "$work/korim20.txt"
printf 'pages: korim %s, enscript %s\n' "$(pdfinfo "$work/k10.pdf" 2>/dev/null | awk '/^Pages/ {print $2}')" \
  "$(pdfinfo "$work/p10.pdf" 2>/dev/null | awk '/^Pages/ {print $2}')"
k10=$(median "$work/korim10.txt" 1); p10=$(median "$work/peer10.txt" 1); k20=$(median "$work/korim20.txt" 1)
awk -v k10="$k10" -v p10="$p10" -v k20="$k20" 'BEGIN {
  r = k10 / p10; g = k20 / k10
  printf "korim / peer (10,000 products): %.2fx (goal: no slower, 1.00x) -> %s\n", r, r <= 1.0 ? "met" : "NOT met"
  printf "t(20,000) / t(10,000): %.2f (goal: at most 2.2) -> %s\n", g, g <= 2.2 ? "met" : "NOT met"
}'
