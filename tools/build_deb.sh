#!/usr/bin/env bash
# Builds the Debian package build/deb/qsodeck_<version>_<arch>.deb with
# debhelper from a clean copy of the tracked sources (the checkout itself
# stays untouched). The version is CMake's project version; the changelog
# the package needs is written from it here.
#
#   ARCH=arm64       cross-build for another Debian architecture (needs
#                    crossbuild-essential-<arch> and the :<arch> -dev packages;
#                    tools/build_arm64.sh installs them)
#   DEB_VERSION=X    package version other than the project version (for
#                    upgrade tests)
#   JOBS=N           parallel compile jobs (default 2)
#   DEB_OUT=DIR      output folder (default build/deb)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
version="$(sed -n 's/^project(qsodeck VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[ -n "$version" ] || { echo "build_deb: no project version in CMakeLists.txt" >&2; exit 1; }
deb_version="${DEB_VERSION:-$version}"
host_arch="$(dpkg --print-architecture)"
arch="${ARCH:-$host_arch}"
out="$(realpath -m "${DEB_OUT:-$repo/build/deb}")"
src="$out/qsodeck-$deb_version"

rm -rf "$src"
mkdir -p "$src"
# Only tracked files (no build trees, no user state in sdcard/); a tree that
# is not a git checkout is copied without its build folders.
if git -C "$repo" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$repo" ls-files -z --cached --others --exclude-standard |
    tar -C "$repo" --null -T - -cf - | tar -C "$src" -xf -
else
  tar -C "$repo" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$src" -xf -
fi

# The changelog: one entry for this version, dated by the last commit (or
# SOURCE_DATE_EPOCH) so that the same tree gives the same package.
stamp="${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct 2>/dev/null || date +%s)}"
maintainer="$(sed -n 's/^Maintainer: //p' debian/control)"
cat >"$src/debian/changelog" <<CHANGELOG
qsodeck ($deb_version) unstable; urgency=medium

  * Package of qsodeck $version built from its source tree.

 -- $maintainer  $(date -u -R -d "@$stamp")
CHANGELOG

build_opts=(-b -us -uc)
if [ "$arch" != "$host_arch" ]; then
  build_opts+=("--host-arch=$arch" -Pcross,nocheck)
fi
echo "build_deb: qsodeck $deb_version for $arch in $src"
(
  cd "$src"
  DEB_BUILD_OPTIONS="parallel=${JOBS:-2} nocheck noddebs ${DEB_BUILD_OPTIONS:-}" \
    dpkg-buildpackage "${build_opts[@]}"
)
deb="$out/qsodeck_${deb_version}_${arch}.deb"
[ -f "$deb" ] || { echo "build_deb: $deb was not made" >&2; exit 1; }
rm -rf "$src"
echo "build_deb: $deb ($(du -k "$deb" | cut -f1) KiB)"
