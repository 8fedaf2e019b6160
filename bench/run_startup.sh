#!/usr/bin/env bash
# Start-up benchmark: whole-process wall time and peak memory from launch to
# the first painted frame of the questionnaire window (the program grabs it
# once before quitting), against a minimal seven-tab Qt Widgets
# window, both offscreen; then the same start with a 10,000-entry activity
# catalogue, and with that catalogue and a stored application whose activity
# is the catalogue's last (start-up looks it up and selects every entry of
# the list on the way to it).
#
#   bench/run_startup.sh [BUILD_DIR]      (default: build/release)
#   N=25 bench/run_startup.sh build/release
#   bench/run_startup.sh --peer-only BUILD_DIR   (harness check, no program)
#
# Build first: cmake --build BUILD_DIR --target korim_bench_startup
# Each round launches every program once, in alternating order, so drifts of
# a busy machine hit all of them alike. Medians are reported.
set -euo pipefail

peer_only=0
if [ "${1:-}" = "--peer-only" ]; then
  peer_only=1
  shift
fi
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/release}" && pwd)
runs=${N:-15}
catalogue_size=${CATALOGUE:-10000}
timeout_s=${TIMEOUT:-30}
goal=1.6

probe=$build/bench/korim_bench_probe
peer=$build/bench/korim_bench_peer_tabs
korim=$build/app/korim
generator=$build/bench/korim_bench_catalogue
application=$build/bench/korim_bench_application
shipped=$build/resources/KORIM

need() { [ -e "$1" ] || { echo "missing $1 (build the korim_bench_startup target)" >&2; exit 2; }; }
need "$probe"; need "$peer"
if [ "$peer_only" -eq 0 ]; then
  need "$korim"; need "$generator"; need "$application"; need "$shipped"
fi
[ "$runs" -ge 1 ] || { echo "N must be at least 1" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/xdg"
mkdir "$work/drive-a"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$work/xdg
export QT_LOGGING_RULES='qt.qpa.*=false'
export KORIM_DRIVE_A=$work/drive-a
export KORIM_QUIT_AFTER_SHOW=1

# Every run of the program gets a fresh copy of its data folder, so no run
# sees another's leftovers. The usual start finds this year's sales years
# already written (a start before it did so); the first start of a year, on
# the shipped copy, also writes them to disk.
prepare_data() { # name [catalogue-size] [first]
  local dir=$work/$1
  rm -rf "$dir"
  cp -r "$shipped" "$dir"
  if [ -n "${2:-}" ]; then
    local existing
    existing=$(find "$dir" -maxdepth 1 -iname activida.dbf | head -n 1)
    local target=${existing:-$dir/activida.dbf}
    rm -f "$target"
    "$generator" "$target" "$2"
  fi
  if [ -z "${3:-}" ]; then
    KORIM_DATA_DIR=$dir "$probe" "$timeout_s" "$korim" >/dev/null 2>&1 || true
  fi
  echo "$dir"
}

# run LABEL DATA_TEMPLATE COMMAND...: one measured launch, appended to LABEL.txt
run() {
  local label=$1 template=$2
  shift 2
  local data=""
  if [ -n "$template" ]; then
    data=$work/run-data
    rm -rf "$data"
    cp -r "$template" "$data"
  fi
  local line
  if ! line=$(KORIM_DATA_DIR=$data "$probe" "$timeout_s" "$@" 2>"$work/$label.err"); then
    echo "$label failed: $line" >&2
    sed -n 1,20p "$work/$label.err" >&2
    exit 1
  fi
  echo "$line" >>"$work/$label.txt"
}

median() { # file column
  sort -n -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END {
    if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

if [ "$peer_only" -eq 0 ]; then
  plain_data=$(prepare_data data-plain)
  catalogue_data=$(prepare_data data-catalogue "$catalogue_size")
  first_data=$(prepare_data data-first "" first)
  stored_data=$(prepare_data data-stored "$catalogue_size")
  # The generated activities' codes run from 100000 in table order.
  "$application" "$stored_data" 0 $((100000 + catalogue_size - 1))
  # The switch must be what ends the program: without it the window stays up.
  if out=$(env -u KORIM_QUIT_AFTER_SHOW KORIM_DATA_DIR="$plain_data" "$probe" 3 "$korim" 2>/dev/null); then
    echo "korim quit by itself without KORIM_QUIT_AFTER_SHOW ($out): it shows no window to measure" >&2
    exit 1
  fi
  case "$out" in *timeout) ;; *) echo "korim failed without the quit switch: $out" >&2; exit 1 ;; esac
fi

# One unmeasured launch each warms the file cache.
run warmup "" "$peer"
[ "$peer_only" -eq 1 ] || {
  run warmup "$plain_data" "$korim"; run warmup "$catalogue_data" "$korim"; run warmup "$stored_data" "$korim"
}
rm -f "$work"/peer.txt "$work"/korim.txt "$work"/catalogue.txt "$work"/first.txt "$work"/stored.txt

for ((i = 0; i < runs; i++)); do
  if [ "$peer_only" -eq 1 ]; then
    run peer "" "$peer"
  elif [ $((i % 2)) -eq 0 ]; then
    run peer "" "$peer"; run korim "$plain_data" "$korim"; run catalogue "$catalogue_data" "$korim"
    run stored "$stored_data" "$korim"; run first "$first_data" "$korim"
  else
    run first "$first_data" "$korim"; run stored "$stored_data" "$korim"
    run catalogue "$catalogue_data" "$korim"; run korim "$plain_data" "$korim"; run peer "" "$peer"
  fi
done

row() { # label file
  printf '%-34s %10.1f %12.0f %10.1f\n' "$1" "$(median "$2" 1)" "$(median "$2" 2)" "$(median "$2" 3)"
}
printf 'runs per program: %d (offscreen, medians; load average %s)\n' "$runs" \
  "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-34s %10s %12s %10s\n' program 'wall ms' 'peak RSS KiB' 'CPU ms'
row 'peer (seven-tab QTabWidget)' "$work/peer.txt"
if [ "$peer_only" -eq 1 ]; then
  exit 0
fi
row 'korim (shipped data)' "$work/korim.txt"
row "korim ($catalogue_size activities)" "$work/catalogue.txt"
row "  and a stored application" "$work/stored.txt"
row 'korim (first start of a year)' "$work/first.txt"
pt=$(median "$work/peer.txt" 1); pm=$(median "$work/peer.txt" 2); pc=$(median "$work/peer.txt" 3)
kt=$(median "$work/korim.txt" 1); km=$(median "$work/korim.txt" 2); kc=$(median "$work/korim.txt" 3)
ct=$(median "$work/catalogue.txt" 1); cm=$(median "$work/catalogue.txt" 2); cc=$(median "$work/catalogue.txt" 3)
st=$(median "$work/stored.txt" 1); sc=$(median "$work/stored.txt" 3)
awk -v pt="$pt" -v pm="$pm" -v pc="$pc" -v kt="$kt" -v km="$km" -v kc="$kc" \
    -v ct="$ct" -v cm="$cm" -v cc="$cc" -v st="$st" -v sc="$sc" -v goal="$goal" -v n="$catalogue_size" 'BEGIN {
  rt = kt / pt; rm = km / pm
  printf "korim / peer: time %.2fx, memory %.2fx (goal: within %.1fx) -> %s; CPU time %.2fx\n",
         rt, rm, goal, (rt <= goal && rm <= goal) ? "met" : "NOT met", kc / pc
  printf "%d-entry catalogue adds: %+.1f ms wall (%+.0f%%), %+.1f ms CPU, %+.0f KiB (%+.0f%%)\n", n,
         ct - kt, (ct - kt) / kt * 100, cc - kc, cm - km, (cm - km) / km * 100
  printf "a stored application choosing the last of them adds: %+.1f ms wall, %+.1f ms CPU\n", st - ct, sc - cc
}'
