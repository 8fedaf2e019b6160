#!/usr/bin/env bash
# Engine benchmarks, in a Release build of their own:
#  1. decode every record of a 100,000-record, 145-byte-record table and write
#     CSV, whole-process median times against pgdbf and dbview;
#  2. one UpdateRecord (fsync included) against a bare pwrite + fsync.
#   bench/run_engine.sh [runs=9]      (KORIM_BENCH_BUILD chooses the build folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORIM_BENCH_BUILD:-$root/build/bench-engine}
runs=${1:-9}

missing=()
command -v pgdbf >/dev/null || missing+=(pgdbf)
command -v dbview >/dev/null || missing+=(dbview)
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "Missing ${missing[*]}: install them with sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORIM_WERROR=ON -DKORIM_BENCH=ON >/dev/null
cmake --build "$build" --target korim_bench_engine -j 2 >/dev/null

work=$(mktemp -d "$root/build/bench-engine-work.XXXXXX")
trap 'rm -rf "$work"' EXIT
table=$work/BENCH.dbf
"$build/bench/korim_bench_dbf_make" "$table" 100000
echo "table: $(stat -c %s "$table") bytes, 100000 records of 145 bytes"

ours=("$build/bench/korim_bench_dbf_csv" "$table")
pg=(pgdbf "$table")
dv=(dbview -b "$table")
# Outputs must be complete before timing means anything.
"${ours[@]}" > "$work/ours.csv"
lines=$(wc -l < "$work/ours.csv")
[ "$lines" -eq 100001 ] || { echo "CSV has $lines lines, expected 100001" >&2; exit 1; }

now_us() { date +%s%6N; }
declare -A times
for name in ours pgdbf dbview; do times[$name]=""; done
# One warm-up each, then the three interleaved so drift hits all alike.
"${ours[@]}" >/dev/null; "${pg[@]}" >/dev/null; "${dv[@]}" >/dev/null
for ((i = 0; i < runs; i++)); do
  for name in ours pgdbf dbview; do
    case $name in
      ours) cmd=("${ours[@]}") ;;
      pgdbf) cmd=("${pg[@]}") ;;
      dbview) cmd=("${dv[@]}") ;;
    esac
    t0=$(now_us); "${cmd[@]}" >/dev/null; t1=$(now_us)
    times[$name]+="$((t1 - t0)) "
  done
done
median() { tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
m_ours=$(echo "${times[ours]}" | median)
m_pg=$(echo "${times[pgdbf]}" | median)
m_dv=$(echo "${times[dbview]}" | median)
awk -v o="$m_ours" -v p="$m_pg" -v d="$m_dv" -v n="$runs" 'BEGIN {
  printf "decode to CSV, whole process, median of %d runs:\n", n
  printf "  korim_bench_dbf_csv %8.1f ms\n", o / 1000
  printf "  pgdbf               %8.1f ms   ours/pgdbf  %.2f\n", p / 1000, o / p
  printf "  dbview -b           %8.1f ms   ours/dbview %.2f  (goal: at most 1)\n", d / 1000, o / d
}'
echo "one record update, fsync included:"
"$build/bench/korim_bench_dbf_update" "$work" 300
