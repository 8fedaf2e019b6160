#!/usr/bin/env bash
# One-step set-up for a fresh Debian 12 machine.
#   ./build.sh run    install what is missing, build, start the program
#   ./build.sh test   install what is missing, build, run every test headless
#   ./build.sh sanitize  the whole suite under ASan+UBSan, then the fuzz corpus replay (CI)
#   ./build.sh package   build the Debian package korim_<version>_amd64.deb in build/release
#   ./build.sh package-check  the same, then packaging/check.sh on it (installs and removes it)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-translations-l10n libqt6svg6
          fonts-dejavu-core fonts-liberation fonts-liberation2 poppler-utils python3-dbfread
          dosfstools fusefat cups printer-driver-cups-pdf)
CI_PACKAGES=(clang libclang-rt-14-dev)
PACKAGING=(dpkg-dev file libqt6svg6 fonts-liberation2 libxcursor1)
PACKAGE_CHECK=(lintian desktop-file-utils appstream)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}

test_env() {
  export QT_QPA_PLATFORM=offscreen
  export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
  chmod 700 "$XDG_RUNTIME_DIR"
}

cmd=${1:-}
case "$cmd" in
  run)
    install_missing "${PACKAGES[@]}"
    build release
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
      echo "No graphical display here (DISPLAY is not set): KORIM is built in build/release/app/korim; start it from a desktop session." >&2
      exit 1
    fi
    exec build/release/app/korim
    ;;
  test)
    install_missing "${PACKAGES[@]}"
    build release
    test_env
    ctest --preset release -j "$(nproc)"
    ;;
  sanitize)
    install_missing "${PACKAGES[@]}" "${CI_PACKAGES[@]}"
    build asan
    test_env
    ctest --preset asan -j "$(nproc)"
    # Replay every fuzz target's corpus (only the fuzz targets are built).
    cmake --preset fuzz >/dev/null
    for src in fuzz/fuzz_*.cpp; do
      name=$(basename "$src" .cpp)
      cmake --build --preset fuzz --target "$name" -j "$(nproc)"
      QT_QPA_PLATFORM=offscreen "build/fuzz/fuzz/$name" -runs=0 "fuzz/corpus/${name#fuzz_}"
    done
    ;;
  package|package-check)
    install_missing "${PACKAGES[@]}" "${PACKAGING[@]}"
    [ "$cmd" = package ] || install_missing "${PACKAGE_CHECK[@]}"
    build release
    cpack --preset release
    deb=build/release/korim_$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)_amd64.deb
    echo "Package: $deb"
    [ "$cmd" = package ] || packaging/check.sh "$deb"
    ;;
  *)
    echo "usage: ./build.sh run | test | sanitize | package | package-check" >&2
    exit 2
    ;;
esac
