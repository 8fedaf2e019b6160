#!/usr/bin/env bash
# Checks a built korim .deb the way Debian's tools and an installing admin would:
#   packaging/check.sh build/release/korim_<version>_amd64.deb
# desktop-file-validate, appstreamcli validate --no-net, lintian (errors fail,
# warnings are shown), then dpkg -i on this machine, the installed program
# started offscreen on a fresh data folder as an ordinary user, and dpkg -r
# leaving nothing of the package behind. Needs root (or sudo) for dpkg; the
# package is removed again however the script ends.
set -euo pipefail

deb=${1:?usage: packaging/check.sh PACKAGE.deb}
deb=$(realpath "$deb")
[ -f "$deb" ] || { echo "check: no such package: $deb" >&2; exit 2; }

for tool in dpkg-deb desktop-file-validate appstreamcli lintian; do
  command -v "$tool" >/dev/null || { echo "check: $tool is missing (./build.sh package-check installs it)" >&2; exit 2; }
done

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

work=$(mktemp -d)
chmod 755 "$work"
installed_here=0
cleanup() {
  if [ "$installed_here" = 1 ]; then
    echo "== removing the package again"
    retry_on_lock "${sudo[@]}" dpkg -r korim >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "== $*"; }
fail() { echo "check: FAILED: $*" >&2; exit 1; }

# Other programs (apt, unattended upgrades) may hold the dpkg lock for a while.
retry_on_lock() {
  local out rc
  for _ in $(seq 120); do
    rc=0
    out=$("$@" 2>&1) || rc=$?
    if [ $rc -ne 0 ] && grep -qiE 'could not get lock|locked by another process|is locked by another' <<<"$out"; then
      sleep 5
      continue
    fi
    printf '%s\n' "$out"
    return $rc
  done
  printf '%s\n' "$out"
  return 1
}

pkg=$(dpkg-deb -f "$deb" Package)
[ "$pkg" = korim ] || fail "package is called $pkg, not korim"
root=$work/root
dpkg-deb -x "$deb" "$root"

step "desktop-file-validate"
desktop=$root/usr/share/applications/korim.desktop
[ -f "$desktop" ] || fail "no desktop file in the package"
out=$(desktop-file-validate "$desktop" 2>&1) || { printf '%s\n' "$out"; fail "desktop-file-validate"; }
[ -z "$out" ] || { printf '%s\n' "$out"; fail "desktop-file-validate has remarks"; }

step "appstreamcli validate --no-net --pedantic"
metainfo=$(find "$root/usr/share/metainfo" -name '*.metainfo.xml')
[ -n "$metainfo" ] || fail "no metainfo file in the package"
appstreamcli validate --no-net --no-color --pedantic --explain "$metainfo" || fail "appstreamcli validate"

step "lintian"
# Errors fail the check; warnings and notes are shown (lintian also warns when run as root).
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" || fail "lintian reports errors"

step "dpkg -i"
if dpkg-query -W -f='${Status}' korim 2>/dev/null | grep -q 'install ok installed'; then
  fail "korim is already installed on this machine; remove it first (dpkg -r korim) so that the check can leave the machine as it found it"
fi
depends=$(dpkg-deb -f "$deb" Depends)
if ! retry_on_lock "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get satisfy -y -qq --no-install-recommends "$depends" >/dev/null; then
  retry_on_lock "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null
  retry_on_lock "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get satisfy -y -qq --no-install-recommends "$depends" >/dev/null \
    || fail "the package's dependencies do not install: $depends"
fi
installed_here=1
retry_on_lock "${sudo[@]}" dpkg -i "$deb" || fail "dpkg -i"

step "first start from the menu entry, offscreen, fresh data folder"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/korim.desktop)
command -v "${exec_line%% *}" >/dev/null || fail "the menu entry's command $exec_line is not on PATH"
home=$work/home
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"
as_user=()
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
  # A clerk is not root: the copy of the read-only shipped folder must be theirs to write.
  chown nobody "$home" "$work/run"
  as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
  echo "(as the user nobody)"
fi
rc=0
"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8 \
  QT_QPA_PLATFORM=offscreen KORIM_QUIT_AFTER_SHOW=1 \
  timeout 120 ${exec_line} >"$work/out.txt" 2>&1 || rc=$?
cat "$work/out.txt"
[ $rc -eq 0 ] || fail "korim exited with $rc"
if grep -qi 'not found\|cannot load\|could not' "$work/out.txt"; then
  fail "korim could not load something it needs"
fi
data=$home/.local/share/KORIM
[ -d "$data" ] || fail "the first start made no data folder at $data"
[ "$(ls /usr/share/korim/KORIM)" = "$(ls "$data")" ] || fail "$data does not hold the shipped files"
for shipped in /usr/share/korim/KORIM/*; do
  name=$(basename "$shipped")
  copy=$data/$name
  # Start-up writes this year's years into the sales table; the rest is as shipped.
  [ "$name" = VENTAS.dbf ] || cmp -s "$shipped" "$copy" || fail "$copy is not the shipped $name"
  if [ ${#as_user[@]} -gt 0 ]; then
    "${as_user[@]}" test -w "$copy" || fail "$copy is not writable by its user"
  fi
done
echo "data folder installed at $data: $(ls "$data" | tr '\n' ' ')"

step "dpkg -r"
files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort -r)
retry_on_lock "${sudo[@]}" dpkg -r korim || fail "dpkg -r"
installed_here=0
status=$(dpkg-query -W -f='${db:Status-Abbrev}' korim 2>/dev/null || true)
case "$status" in ''|un*|pn*) ;; *) fail "korim is still known to dpkg as '$status'" ;; esac
left=()
while read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # Shared folders such as /usr/share/icons/hicolor/... stay when another
  # package owns them or something else lies in them; folders named after
  # the package must go.
  if [ -d "$path" ] && [[ "$path" != */korim && "$path" != */korim/* ]]; then
    dpkg-query -S "$path" >/dev/null 2>&1 && continue
    [ -n "$(ls -A "$path")" ] && continue
  fi
  left+=("$path")
done <<<"$files"
[ ${#left[@]} -eq 0 ] || fail "left behind after dpkg -r: $(find "${left[@]}" | sort -u | tr '\n' ' ')"

echo "package check passed: $(basename "$deb")"
