#!/usr/bin/env bash
# CI check of the Debian package on this machine (root, or sudo): builds the
# amd64 package (the program only, JOBS=2 by default), runs lintian, installs
# it with dpkg and apt-get -f install, runs the installed program (--version,
# then under Xvfb with --storage in a temporary folder until its window
# shows), verifies the installed unit with systemd-analyze, upgrades to a
# package with a higher version (the configuration in /var/lib/qsodeck must
# stay), removes the package (the state stays) and purges it (state and user
# go). Refuses to run where qsodeck is already installed.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
started="$(date +%s)"
step() { echo "ci_package: [$(($(date +%s) - started)) s] $*"; }
fail() { echo "ci_package: FAILED: $*" >&2; exit 1; }

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || fail "run as root or install sudo"
  sudo_cmd=(sudo)
fi
as_root() { "${sudo_cmd[@]}" "$@"; }

if dpkg-query -W -f='${Status}' qsodeck 2>/dev/null | grep -q "installed"; then
  fail "qsodeck is installed on this machine; run this check where it is not"
fi

step "packages for the build"
bash tools/install_deps.sh --with-deb
version="$(sed -n 's/^project(qsodeck VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
arch="$(dpkg --print-architecture)"
out="$repo/build/deb"
deb="$out/qsodeck_${version}_${arch}.deb"

step "building $deb"
rm -f "$deb"
JOBS="${JOBS:-2}" DEB_OUT="$out" bash tools/build_deb.sh >"$out.log" 2>&1 || {
  tail -40 "$out.log"
  fail "package build (log: $out.log)"
}
contents="$(dpkg-deb -c "$deb")"
grep -q ' \./usr/bin/qsodeck$' <<<"$contents" || fail "no /usr/bin/qsodeck in the package"

step "lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

work="$(mktemp -d /tmp/qsodeck-ci-package-XXXXXX)"
cleanup() {
  as_root dpkg --purge qsodeck >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

step "installing"
as_root dpkg -i "$deb" || true
as_root env DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq
dpkg-query -W -f='${Status} ${Version}\n' qsodeck | grep -qx "install ok installed $version" || fail "not installed"
getent passwd qsodeck >/dev/null || fail "no system user qsodeck"

step "qsodeck --version"
[ "$(/usr/bin/qsodeck --version)" = "qsodeck $version" ] || fail "--version prints '$(/usr/bin/qsodeck --version)'"

step "the installed program under Xvfb with --storage $work/state"
QSODECK_CI_WORK="$work" bash tools/with_display.sh bash -c '
  set -u
  cd "$QSODECK_CI_WORK"
  env -u QSODECK_ASSETS -u QSODECK_STORAGE QSODECK_DESKTOP_NETWORK=0 \
    /usr/bin/qsodeck --storage "$QSODECK_CI_WORK/state" >out.txt 2>&1 &
  pid=$!
  shown=no
  for _ in $(seq 1 150); do
    if xdotool search --onlyvisible --name "Qsodeck" >/dev/null 2>&1; then shown=yes; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  kill -TERM "$pid" 2>/dev/null
  wait "$pid"
  status=$?
  echo "window shown: $shown, exit status after SIGTERM: $status"
  [ "$shown" = yes ] || { cat out.txt; exit 1; }
' || fail "the window did not show"
grep -q "storage: $work/state (shipped content: /usr/share/qsodeck)" "$work/state/desktop.log" ||
  fail "the log in the storage folder does not name the storage and shipped folders"
[ ! -e "$work/desktop.log" ] || fail "a log was written to the working directory"

step "systemd-analyze verify"
man_opt=()
command -v man >/dev/null 2>&1 && man -w qsodeck >/dev/null 2>&1 || man_opt=(--man=no)
systemd-analyze verify "${man_opt[@]}" /lib/systemd/system/qsodeck.service || fail "unit does not verify"
! systemctl is-enabled qsodeck.service >/dev/null 2>&1 || fail "the service is enabled by default"
systemd-analyze security --offline=true /lib/systemd/system/qsodeck.service 2>/dev/null | tail -1 || true

step "upgrade to a higher version keeps the configuration"
as_root mkdir -p /var/lib/qsodeck
printf '{"device_callsign": "CI0TEST", "brightness": 77}\n' | as_root tee /var/lib/qsodeck/config.json >/dev/null
before="$(as_root sha256sum /var/lib/qsodeck/config.json)"
next="$version+ci1"
as_root rm -rf "$work/next"
dpkg-deb -R "$deb" "$work/next"
sed -i "s/^Version: .*/Version: $next/" "$work/next/DEBIAN/control"
dpkg-deb --root-owner-group -b "$work/next" "$work/qsodeck_next.deb" >/dev/null
as_root dpkg -i "$work/qsodeck_next.deb"
dpkg-query -W -f='${Version}' qsodeck | grep -qx "$next" || fail "upgrade did not install $next"
[ "$(as_root sha256sum /var/lib/qsodeck/config.json)" = "$before" ] || fail "the upgrade changed config.json"

step "remove keeps the state, purge removes state and user"
as_root dpkg -r qsodeck
[ -f /var/lib/qsodeck/config.json ] || fail "remove deleted the configuration"
getent passwd qsodeck >/dev/null || fail "remove deleted the user"
as_root dpkg --purge qsodeck
[ ! -e /var/lib/qsodeck ] || fail "purge left /var/lib/qsodeck"
! getent passwd qsodeck >/dev/null || fail "purge left the user qsodeck"

step "done ($(du -k "$deb" | cut -f1) KiB package)"
