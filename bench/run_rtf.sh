#!/usr/bin/env bash
# Rich-text reader benchmark, in a Release build of its own:
#  1. a 5 MB document of formatted paragraphs, lists and tables read into a
#     document and written as plain text, against `pandoc -f rtf -t plain` on
#     the same file (whole-process medians, ratio);
#  2. the same at 10 MB: t(10 MB) / t(5 MB) shows whether time stays linear;
#  3. one paragraph of 160,000 formatting runs.
#   bench/run_rtf.sh [runs=5]      (KORIM_BENCH_BUILD chooses the build folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORIM_BENCH_BUILD:-$root/build/bench-rtf}
runs=${1:-5}

if ! command -v pandoc >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends pandoc
  else
    echo "Missing pandoc: install it with sudo apt-get install pandoc" >&2
    exit 1
  fi
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORIM_WERROR=ON -DKORIM_BENCH=ON >/dev/null
cmake --build "$build" --target korim_bench_rtf_read -j 2 >/dev/null
reader=$build/bench/korim_bench_rtf_read

work=$(mktemp -d "$root/build/bench-rtf-work.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/rtf_make.py" doc "$work/5mb.rtf" 5
python3 "$root/bench/rtf_make.py" doc "$work/10mb.rtf" 10
python3 "$root/bench/rtf_make.py" runs "$work/runs.rtf" 160000
export QT_QPA_PLATFORM=offscreen

# Both must read the whole text before timing means anything.
ours_words=$("$reader" "$work/5mb.rtf" | wc -w)
pandoc_words=$(pandoc -f rtf -t plain "$work/5mb.rtf" | wc -w)
echo "5 MB document: $(stat -c %s "$work/5mb.rtf") bytes; words: ours $ours_words, pandoc $pandoc_words"
[ "$ours_words" -gt 0 ] && [ "$pandoc_words" -gt 0 ]

now_us() { date +%s%6N; }
median() { tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_of() { # command... -> median microseconds over $runs runs, one warm-up first
  local all="" t0 t1
  "$@" >/dev/null
  for ((i = 0; i < runs; i++)); do
    t0=$(now_us); "$@" >/dev/null; t1=$(now_us)
    all+="$((t1 - t0)) "
  done
  echo "$all" | median
}
ours5=$(time_of "$reader" "$work/5mb.rtf")
pandoc5=$(time_of pandoc -f rtf -t plain "$work/5mb.rtf")
ours10=$(time_of "$reader" "$work/10mb.rtf")
runs160=$(time_of "$reader" "$work/runs.rtf")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
echo "5 MB:  ours $((ours5 / 1000)) ms, pandoc $((pandoc5 / 1000)) ms, ours/pandoc $(ratio "$ours5" "$pandoc5") (goal <= 0.1)"
echo "10 MB: ours $((ours10 / 1000)) ms, t(10 MB)/t(5 MB) $(ratio "$ours10" "$ours5") (goal <= 2.2)"
echo "160,000 runs in one paragraph: ours $((runs160 / 1000)) ms (goal < 1000 ms)"
