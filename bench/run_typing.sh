#!/usr/bin/env bash
# Typing cost of the journal of unsaved edits: 10,000 keys through the real
# key pipeline with the journal and 10,000 without, in alternating rounds of
# one run, offscreen; medians per key and their ratio (goal: at most 1.1).
#
#   bench/run_typing.sh [BUILD_DIR]     (default: build/release)
#
# Build first: cmake --build BUILD_DIR --target korim_bench_typing
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/release}" && pwd)
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false'
exec "$build/bench/korim_bench_typing" "$build/resources/KORIM" "${KEYS:-10000}"
